// The command table of keyvale-cli. Each command file registers its commands
// with a static CliRegistration, so the dispatcher knows none of them by name.
#pragma once

#include <string>
#include <vector>

namespace cli {

// Exit codes shared by every command.
constexpr int kExitOk = 0;
constexpr int kExitRuntimeError = 1;
constexpr int kExitUsage = 2;

struct CliCommand {
    std::string name;
    std::string synopsis; // one line for the overview, e.g. "hash [--length N]"
    std::string help;     // the full text printed by "<command> --help"
    int (*run)(const std::vector<std::string>& args); // args after the command name
};

const std::vector<CliCommand>& Commands();

struct CliRegistration {
    explicit CliRegistration(CliCommand command);
};

} // namespace cli
