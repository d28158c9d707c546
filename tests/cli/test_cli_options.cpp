// The command line as a user of other tools expects it: GNU-style options,
// usage errors with exit code 2, help for each command, and output that did
// not arrive reported as a failure.
#include "cli_fixture.h"

#include <sys/stat.h>

namespace {

using namespace cli_test;

const Json kDashes = Json::parse(R"({"format": "keyvale", "version": 1, "nodes": [
  {"name": "-x", "record": {"login": "dash", "password": "p-x"}},
  {"name": "--json", "record": {"login": "two dashes"}}]})");

TEST_F(Cli, OptionsAreParsedAsUsual) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string inOutput; // standard output, or standard error on failure
    };
    const std::string missing = (dir / "missing.kvdb").string();
    const Case cases[] = {
        {{"ls", "--bogus", missing}, 2, "unknown option --bogus\nUsage: keyvale-cli ls [OPTIONS]"},
        {{"ls", "-Z", missing}, 2, "unknown option -Z"},
        {{"ls", "--json=yes", missing}, 2, "option --json takes no value"},
        {{"hash", "--length"}, 2, "option --length needs a value (N)"},
        {{"hash", "--length=12"}, 0, "KV hash 62: "},
        {{"hash", "-l", "12"}, 0, "KV hash 62: "},
        {{"generate", "--length=12", "--length=13"}, 2, "given twice"},
        {{"frobnicate"}, 2, "unknown command \"frobnicate\""},
        {{"help", "frobnicate"}, 2, "no such command"},
        {{"show", missing}, 2, "missing arguments"},
        {{"--version"}, 0, "keyvale-cli "},
        {{"help"}, 0, "Commands:\n  add "},
    };
    for (const Case& c : cases) {
        Outcome outcome = Run(c.args, "x");
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.args[0] << " " << outcome.err;
        const std::string& text = c.exitCode == 0 ? outcome.out : outcome.err;
        EXPECT_NE(text.find(c.inOutput), std::string::npos) << c.args[0] << ": " << text;
    }
    EXPECT_EQ(Run({"hash", "--length=12"}, "x").out.size(), 3 * (12 + 12 + 1));

    // "help CMD" and "CMD --help" print the same text, the command's own.
    Outcome help = Run({"help", "ls"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out, Run({"ls", "--help"}).out);
    EXPECT_EQ(help.out.rfind("Usage: keyvale-cli ls [OPTIONS] FILE [PATH]\n", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("  -R, --recursive"), std::string::npos);
}

TEST_F(Cli, DoubleDashEndsTheOptions) {
    Import(kDashes);
    Outcome taken = Run({"show", db, "-x"}, "secret1\n");
    EXPECT_EQ(taken.exitCode, 2) << "-x is an option until -- ends them";
    Outcome dash = Run({"show", "-a", "password", "--", db, "-x"}, "secret1\n");
    EXPECT_EQ(dash.exitCode, 0) << dash.err;
    EXPECT_EQ(dash.out, "p-x\n");
    Outcome named = Run({"show", "--attribute=login", db, "--", "--json"}, "secret1\n");
    EXPECT_EQ(named.out, "two dashes\n") << named.err;
}

TEST_F(Cli, OutputThatDoesNotArriveIsAFailure) {
    Import(kDashes);
    struct Case {
        std::string output;
        std::string cause;
    };
    const Case cases[] = {
        {">/dev/full", "No space left on device"},
        {">&-", "Bad file descriptor"},
    };
    for (const Case& c : cases) {
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"export", db}, {"generate"}, {"ls", db}}) {
            Outcome outcome = Run(args, "secret1\n", "", c.output);
            EXPECT_EQ(outcome.exitCode, 1) << args[0] << " " << c.output;
            EXPECT_NE(outcome.err.find("cannot write the output: " + c.cause), std::string::npos)
                << args[0] << " " << c.output << ": " << outcome.err;
        }
    }
}

TEST_F(Cli, ExportIntoAFileIsPrivateAndNeverReplacesUnasked) {
    Import(kDashes);
    const std::string out = (dir / "export.json").string();
    Outcome written = Run({"export", db, "-o", out}, "secret1\n");
    ASSERT_EQ(written.exitCode, 0) << written.err;
    EXPECT_EQ(written.out, "");
    EXPECT_EQ(Json::parse(ReadFile(out))["nodes"][0]["record"]["password"], "p-x");
    struct stat info {};
    ASSERT_EQ(stat(out.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    WriteFile(out, "keep");
    chmod(out.c_str(), 0644);
    Outcome refused = Run({"export", db, "--output", out}, "secret1\n");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("exists already; --force replaces it"), std::string::npos);
    EXPECT_EQ(ReadFile(out), "keep");
    ASSERT_EQ(Run({"export", db, "--output=" + out, "--force"}, "secret1\n").exitCode, 0);
    EXPECT_EQ(Json::parse(ReadFile(out))["format"], "keyvale");
    ASSERT_EQ(stat(out.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "a replaced export is private too";

    // The destination is checked before the password is asked: no input.
    for (const std::string& bad : {(dir / "no" / "x.json").string(), dir.string()}) {
        Outcome outcome = Run({"export", db, "-o", bad}, "");
        EXPECT_EQ(outcome.exitCode, 1) << bad;
        EXPECT_EQ(outcome.err.find("main password"), std::string::npos) << outcome.err;
        EXPECT_FALSE(fs::exists(dir / "no"));
    }
}

} // namespace
