// The command table of keyvale-cli. Each command file registers its commands
// with a static CliRegistration, so the dispatcher knows none of them by name;
// the options a command declares are parsed once, in main, for all of them.
#pragma once

#include "cli_options.h"

#include <string>
#include <vector>

namespace cli {

// Exit codes shared by every command.
constexpr int kExitOk = 0;
constexpr int kExitRuntimeError = 1; // also: search found nothing
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130; // Ctrl-C, as shells report SIGINT

struct CliCommand {
    std::string name;
    std::string arguments;   // after the options in the usage line, e.g. "FILE [PATH]"
    std::string summary;     // one line for the overview
    std::string description; // paragraphs of "help CMD", each line ending in "\n"
    std::vector<CommandOption> options;
    std::size_t minimumArguments = 0;
    std::size_t maximumArguments = 0;
    int (*run)(const ParsedArguments& args);
};

const std::vector<CliCommand>& Commands();
const CliCommand* FindCommand(const std::string& name);

// "Usage: keyvale-cli NAME [OPTIONS] ARGUMENTS" and the full help text.
std::string UsageLine(const CliCommand& command);
std::string HelpText(const CliCommand& command);
// The list of commands that "keyvale-cli --help" prints.
std::string OverviewText();

struct CliRegistration {
    explicit CliRegistration(CliCommand command);
};

} // namespace cli
