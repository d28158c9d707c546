// The README shows every command with its options as the program's help
// prints them; a command or option added without the README fails here.
#include "cli_fixture.h"

namespace {

using namespace cli_test;

TEST_F(Cli, ReadmeListsEveryCommandAndOptionAsHelpPrintsThem) {
    const std::string readme = ReadFile(fs::path(KEYVALE_SOURCE_DIR) / "README.md");
    Outcome overview = Run({"--help"});
    ASSERT_EQ(overview.exitCode, 0);
    std::istringstream lines(overview.out);
    std::string line;
    std::vector<std::string> commands;
    // The overview is one block, as printed: no command missing, none extra
    // or listed twice.
    std::string block;
    while (std::getline(lines, line)) {
        if (line.rfind("  ", 0) == 0 && line.size() > 2 && line[2] >= 'a' && line[2] <= 'z') {
            commands.push_back(line.substr(2, line.find(' ', 2) - 2));
        }
        block += line.empty() ? "\n" : "    " + line + "\n";
    }
    EXPECT_NE(readme.find("\n" + block + "\n"), std::string::npos)
        << "the README's overview differs from --help:\n"
        << overview.out;
    ASSERT_GE(commands.size(), 17u);
    for (const std::string& command : commands) {
        std::istringstream help(Run({"help", command}).out);
        bool options = false;
        while (std::getline(help, line)) {
            options = options || line == "Options:";
            const bool shown =
                line.rfind("Usage:", 0) == 0 ||
                (options && line != "Options:" && line.find("--help") == std::string::npos);
            if (shown) {
                EXPECT_NE(readme.find("    " + line + "\n"), std::string::npos)
                    << command << ": " << line;
            }
        }
    }
}

} // namespace
