// keyvale-cli: Keyvale's database and hash from a terminal.
#include "cli_commands.h"

#include "U_KV_Secure_Memory_01.h"

#include <algorithm>
#include <iostream>

namespace cli {

static std::vector<CliCommand>& MutableCommands() {
    static std::vector<CliCommand> commands;
    return commands;
}

const std::vector<CliCommand>& Commands() {
    return MutableCommands();
}

CliRegistration::CliRegistration(CliCommand command) {
    MutableCommands().push_back(std::move(command));
}

} // namespace cli

static void PrintOverview(std::ostream& out) {
    out << "Usage: keyvale-cli COMMAND [ARGUMENTS]\n\nCommands:\n";
    std::vector<cli::CliCommand> sorted = cli::Commands();
    std::sort(sorted.begin(), sorted.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    for (const auto& c : sorted) {
        out << "  " << c.synopsis << "\n";
    }
    out << "\n\"keyvale-cli COMMAND --help\" describes one command.\n"
           "Exit codes: 0 success, 1 runtime error, 2 usage error.\n";
}

int main(int argc, char** argv) {
    // Before any password is read: no core file and no ptrace can expose it.
    // Should the system refuse, the tool still works.
    KvProtectProcess();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintOverview(std::cerr);
        return cli::kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintOverview(std::cout);
        return cli::kExitOk;
    }
    for (const auto& c : cli::Commands()) {
        if (c.name == args[0]) {
            std::vector<std::string> rest(args.begin() + 1, args.end());
            if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
                std::cout << c.help;
                return cli::kExitOk;
            }
            return c.run(rest);
        }
    }
    std::cerr << "keyvale-cli: unknown command \"" << args[0] << "\"\n\n";
    PrintOverview(std::cerr);
    return cli::kExitUsage;
}
