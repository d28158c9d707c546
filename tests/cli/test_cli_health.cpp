// health: the report as scripts read it (JSON, exit codes) and as people read
// it (one line per record, no password anywhere); generate --passphrase.
#include "cli_fixture.h"

#include <algorithm>

namespace {

using namespace cli_test;

class Health : public Cli {
  protected:
    void SetUp() override {
        Cli::SetUp();
#ifndef KEYVALE_HAVE_HEALTH
        GTEST_SKIP() << "built without zxcvbn: no health command";
#endif
    }
};

TEST_F(Health, ReportsEveryFindingOnceAndNoPassword) {
    Import(Json::parse(R"({"format": "keyvale", "version": 1, "nodes": [
      {"name": "Mail", "children": [
        {"name": "github.com", "record": {"login": "ann", "password": "GitHub2024!"}},
        {"name": "a/b", "record": {"login": "ann", "password": "Shared#Secret-2024-xyz"}}]},
      {"name": "Bank", "record": {"login": "ann", "password": "Shared#Secret-2024-xyz"}},
      {"name": "Shop", "record": {"login": "ann", "password": "vT9#qLm2$wZx8!rKp4&e"}},
      {"name": "Old", "record": {"login": "ann", "password": "", "note": "kept"}}]})"));
    Outcome json = Run({"health", "--json", db}, "secret1\n");
    ASSERT_EQ(json.exitCode, 1) << json.err;
    const Json report = Json::parse(json.out);
    EXPECT_EQ(report["records_checked"], 5);
    EXPECT_EQ(report["records_with_findings"], 4);
    const Json expected = Json::parse(R"([
      {"path": "Old", "findings": ["empty"], "reused_with": []},
      {"path": "Mail/github.com", "findings": ["very weak", "contains the name",
        "shorter than 12 characters"], "reused_with": []},
      {"path": "Mail/a\\/b", "findings": ["reused"], "reused_with": ["Bank"]},
      {"path": "Bank", "findings": ["reused"], "reused_with": ["Mail/a\\/b"]}])");
    ASSERT_EQ(report["rows"].size(), expected.size()) << json.out;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        for (const char* key : {"path", "findings", "reused_with"}) {
            EXPECT_EQ(report["rows"][i][key], expected[i][key]) << i << " " << key;
        }
    }
    EXPECT_TRUE(report["rows"][0]["guesses_log10"].is_null()); // nothing to estimate
    EXPECT_LT(report["rows"][1]["guesses_log10"].get<double>(), 6);
    EXPECT_GE(report["rows"][2]["guesses_log10"].get<double>(), 10);
    EXPECT_EQ(report["folders"], Json::parse(R"([{"path": "Mail", "records_with_findings": 2}])"));

    Outcome text = Run({"health", db}, "secret1\n");
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_NE(text.out.find("Bank\t10^"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Old\t-\tempty\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("\treused in Mail/a\\/b\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("4 of 5 records have findings."), std::string::npos);
    for (const Outcome& o : {json, text}) {
        for (const char* secret : {"GitHub2024!", "Shared#Secret", "vT9#q"}) {
            EXPECT_EQ(o.out.find(secret), std::string::npos) << secret;
        }
    }
}

// 0 means nothing found, 1 findings, 2 anything that is not a report: a
// script must never read a wrong password or a missing file as "findings".
TEST_F(Health, ExitCodes) {
    Import(Json::parse(R"({"format": "keyvale", "version": 1, "nodes": [
      {"name": "Shop", "record": {"login": "ann", "password": "vT9#qLm2$wZx8!rKp4&e"}},
      {"name": "Folder", "children": [{"name": "Empty"}]}]})"));
    const struct {
        std::vector<std::string> args;
        std::string input;
        int code;
    } cases[] = {
        {{"health", db}, "secret1\n", 0},
        {{"health", "--json", db}, "secret1\n", 0},
        {{"health", db}, "wrong password\n", 2},
        {{"health", (dir / "missing.kvdb").string()}, "secret1\n", 2},
        {{"health"}, "", 2},
        {{"health", db, "extra"}, "", 2},
        {{"health", "--bogus", db}, "", 2},
    };
    for (const auto& c : cases) {
        Outcome o = Run(c.args, c.input);
        EXPECT_EQ(o.exitCode, c.code) << c.args.back() << ": " << o.err;
    }
    Outcome none = Run({"health", "--json", db}, "secret1\n");
    EXPECT_EQ(Json::parse(none.out)["rows"], Json::array());
}

TEST_F(Cli, GeneratePassphrase) {
    const struct {
        std::vector<std::string> args;
        std::size_t words;
        char separator;
    } cases[] = {
        {{"generate", "--passphrase"}, 6, '-'},
        {{"generate", "-p", "--words", "3", "--separator", " "}, 3, ' '},
        {{"generate", "-p", "-w", "20", "-s", "."}, 20, '.'},
    };
    for (const auto& c : cases) {
        Outcome o = Run(c.args);
        ASSERT_EQ(o.exitCode, 0) << o.err;
        ASSERT_EQ(o.out.back(), '\n');
        const std::string phrase = o.out.substr(0, o.out.size() - 1);
        // The list's four hyphenated words add a "-" of their own.
        const auto separators = std::count(phrase.begin(), phrase.end(), c.separator);
        EXPECT_GE(separators, static_cast<long>(c.words - 1)) << phrase;
        EXPECT_LE(separators, static_cast<long>(c.separator == '-' ? 2 * c.words : c.words - 1));
        EXPECT_EQ(
            phrase.find_first_not_of("abcdefghijklmnopqrstuvwxyz-" + std::string(1, c.separator)),
            std::string::npos)
            << phrase;
    }
    Outcome lookAlikes = Run({"generate", "--no-look-alikes", "--length", "200"});
    EXPECT_EQ(lookAlikes.out.find_first_of("Il1O0"), std::string::npos) << lookAlikes.out;
    const std::vector<std::vector<std::string>> refused = {
        {"generate", "-p", "--words", "2"},
        {"generate", "-p", "--separator", "ab"},
        {"generate", "-p", "--length", "20"}, // a passphrase has words, not a length
        {"generate", "--words", "6"},         // and a password no words
    };
    for (const auto& args : refused) {
        EXPECT_EQ(Run(args).exitCode, 2) << args.back();
    }
}

} // namespace
