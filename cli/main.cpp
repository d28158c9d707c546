// keyvale-cli: Keyvale's database and hash from a terminal.
#include "cli_commands.h"
#include "cli_terminal.h"

#include "U_KV_Secure_Memory_01.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>

namespace cli {

static std::vector<CliCommand>& MutableCommands() {
    static std::vector<CliCommand> commands;
    return commands;
}

const std::vector<CliCommand>& Commands() {
    return MutableCommands();
}

const CliCommand* FindCommand(const std::string& name) {
    for (const CliCommand& command : Commands()) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

CliRegistration::CliRegistration(CliCommand command) {
    auto& commands = MutableCommands();
    auto place = std::lower_bound(
        commands.begin(), commands.end(), command.name,
        [](const CliCommand& c, const std::string& name) { return c.name < name; });
    commands.insert(place, std::move(command));
}

std::string UsageLine(const CliCommand& command) {
    std::string line = "Usage: keyvale-cli " + command.name;
    if (!command.options.empty()) {
        line += " [OPTIONS]";
    }
    if (!command.arguments.empty()) {
        line += " " + command.arguments;
    }
    return line + "\n";
}

namespace {

constexpr std::size_t kOptionColumn = 28;

std::string OptionLine(const CommandOption& option) {
    std::string left = option.letter != 0 ? std::string("  -") + option.letter + ", " : "      ";
    left += "--" + option.name;
    if (option.value == TOptionValue::Required) {
        left += " " + option.valueName;
    } else if (option.value == TOptionValue::Optional) {
        left += "[=" + option.valueName + "]";
    }
    left += left.size() < kOptionColumn ? std::string(kOptionColumn - left.size(), ' ') : "  ";
    return left + option.help + "\n";
}

} // namespace

std::string HelpText(const CliCommand& command) {
    std::string text = UsageLine(command) + "\n" + command.description + "\nOptions:\n";
    for (const CommandOption& option : command.options) {
        text += OptionLine(option);
    }
    text += OptionLine({"help", 'h', TOptionValue::None, "", "this help"});
    return text;
}

std::string OverviewText() {
    std::string text = "Usage: keyvale-cli COMMAND [OPTIONS] [ARGUMENTS]\n\nCommands:\n";
    for (const CliCommand& command : Commands()) {
        text += "  " + command.name +
                std::string(11 - std::min<std::size_t>(command.name.size(), 10), ' ') +
                command.summary + "\n";
    }
    text += "\n\"keyvale-cli help COMMAND\" (or \"keyvale-cli COMMAND --help\") describes one\n"
            "command, \"keyvale-cli --version\" prints the version.\n"
            "Exit codes: 0 success, 1 failure (search: nothing found; health: findings;\n"
            "conflicts: copies found; merge: conflicts kept side by side), 2 usage error\n"
            "(health: also an unreadable database; merge: nothing written), 130\n"
            "interrupted.\n";
    return text;
}

} // namespace cli

namespace {

int UsageError(const std::string& context, const std::string& problem, const std::string& usage) {
    std::cerr << "keyvale-cli" << context << ": " << problem << "\n" << usage;
    return cli::kExitUsage;
}

int Help(const std::vector<std::string>& topics) {
    if (topics.empty()) {
        std::cout << cli::OverviewText();
        return cli::kExitOk;
    }
    const cli::CliCommand* command = cli::FindCommand(topics[0]);
    if (command == nullptr || topics.size() > 1) {
        return UsageError("", "no such command \"" + topics[0] + "\"", cli::OverviewText());
    }
    std::cout << cli::HelpText(*command);
    return cli::kExitOk;
}

int Dispatch(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::cerr << cli::OverviewText();
        return cli::kExitUsage;
    }
    const std::string& name = args[0];
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (name == "--help" || name == "-h" || name == "help") {
        return Help(rest);
    }
    if (name == "--version") {
        std::cout << "keyvale-cli " << KEYVALE_VERSION << "\n";
        return cli::kExitOk;
    }
    const cli::CliCommand* command = cli::FindCommand(name);
    if (command == nullptr) {
        return UsageError("", "unknown command \"" + name + "\"", "\n" + cli::OverviewText());
    }
    cli::ParsedArguments parsed;
    const std::string hint =
        cli::UsageLine(*command) + "\"keyvale-cli help " + name + "\" describes the command.\n";
    std::string problem = cli::ParseArguments(rest, command->options, parsed);
    if (!problem.empty()) {
        return UsageError(" " + name, problem, hint);
    }
    if (parsed.Has("help")) {
        std::cout << cli::HelpText(*command);
        return cli::kExitOk;
    }
    const std::size_t count = parsed.positional.size();
    if (count < command->minimumArguments) {
        return UsageError(" " + name, "missing arguments", hint);
    }
    if (count > command->maximumArguments) {
        return UsageError(
            " " + name,
            "unexpected argument \"" + parsed.positional[command->maximumArguments] + "\"", hint);
    }
    return command->run(parsed);
}

} // namespace

int main(int argc, char** argv) {
    // Before any password is read: no core file and no ptrace can expose it.
    // Should the system refuse, the tool still works.
    KvProtectProcess();
    std::vector<std::string> args(argv + 1, argv + argc);
    int code = cli::kExitRuntimeError;
    try {
        code = Dispatch(args);
    } catch (const std::exception& error) {
        std::cerr << "keyvale-cli: " << error.what() << "\n";
        code = cli::kExitRuntimeError;
    }
    // Output that did not arrive (a full disk, a closed pipe or descriptor) is
    // a failure, whatever the command thought of its work.
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error = errno;
        std::cerr << "keyvale-cli: cannot write the output: "
                  << (error != 0 ? std::strerror(error) : "write error") << "\n";
        return cli::kExitRuntimeError;
    }
    return code;
}
