// keyvale-cli hash and digest.
#include "cli_fixture.h"

namespace {

using namespace cli_test;

TEST_F(Cli, HashPrintsThreeFormsOfTheRequestedLength) {
    Outcome standard = Run({"hash"}, "correct horse");
    ASSERT_EQ(standard.exitCode, 0) << standard.err;
    const std::string prefixes[] = {"KV hash 62: ", "KV hash 64: ", "KV hash 90: "};
    std::istringstream lines(standard.out);
    std::string line;
    for (const auto& prefix : prefixes) {
        ASSERT_TRUE(std::getline(lines, line));
        ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
        EXPECT_EQ(line.size(), prefix.size() + 30) << "default length 30";
    }

    Outcome longest = Run({"hash", "--length", "1000"}, "correct horse");
    ASSERT_EQ(longest.exitCode, 0);
    EXPECT_EQ(longest.out.substr(12, 30), standard.out.substr(12, 30))
        << "a shorter form is the start of a longer one";

    // The whole input is the passphrase: a trailing newline changes it.
    EXPECT_NE(Run({"hash"}, "correct horse\n").out, standard.out);

    Outcome empty = Run({"hash", "--length", "10"}, "");
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_EQ(empty.out, "KV hash 62: \nKV hash 64: \nKV hash 90: \n");
}

TEST_F(Cli, HashAndDigestRefuseBadArguments) {
    const std::vector<std::vector<std::string>> usage = {
        {"hash", "--length", "9"},   {"hash", "--length", "1001"},
        {"hash", "--length", "ten"}, {"hash", "--length", "30 "},
        {"hash", "extra"},           {"digest", "--mode", "6"},
        {"digest", "--mode", "x"},   {"digest", "a", "b"},
    };
    for (const auto& args : usage) {
        Outcome outcome = Run(args, "x");
        EXPECT_EQ(outcome.exitCode, 2) << args.back();
        EXPECT_FALSE(outcome.err.empty());
    }
    EXPECT_EQ(Run({"digest", (dir / "missing").string()}).exitCode, 1);
    EXPECT_EQ(Run({"digest"}, "").exitCode, 1) << "empty input has no digest";
    EXPECT_EQ(Run({"hash", "--help"}).exitCode, 0);
}

TEST_F(Cli, DigestPrintsTwoThousandHexDigitsLikeSha256sum) {
    WriteFile(dir / "data", "abc");
    Outcome file = Run({"digest", (dir / "data").string()});
    ASSERT_EQ(file.exitCode, 0) << file.err;
    // The same pinned digest as the library's own tests.
    EXPECT_EQ(file.out.substr(0, 32), "f6f2c30753a771efc4a7779dfc212e4d");
    EXPECT_EQ(file.out.substr(2000), "  " + (dir / "data").string() + "\n");

    Outcome piped = Run({"digest", "--mode", "0"}, "abc");
    EXPECT_EQ(piped.out.substr(0, 2000), file.out.substr(0, 2000)) << "mode 0 is mode 1";
    EXPECT_EQ(piped.out.substr(2000), "  -\n");
    EXPECT_NE(Run({"digest", "--mode", "5"}, "abc").out.substr(0, 2000), file.out.substr(0, 2000));
}

} // namespace
