#include "cli_options.h"

#include <charconv>

namespace cli {

namespace {

const CommandOption kHelpOption{"help", 'h', TOptionValue::None, "", "this help"};

const CommandOption* ByName(const std::vector<CommandOption>& known, const std::string& name) {
    if (name == kHelpOption.name) {
        return &kHelpOption;
    }
    for (const CommandOption& option : known) {
        if (option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

const CommandOption* ByLetter(const std::vector<CommandOption>& known, char letter) {
    if (letter == kHelpOption.letter) {
        return &kHelpOption;
    }
    for (const CommandOption& option : known) {
        if (option.letter != 0 && option.letter == letter) {
            return &option;
        }
    }
    return nullptr;
}

bool IsNumber(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

std::optional<std::string> ParsedArguments::Value(const std::string& name) const {
    auto found = options.find(name);
    if (found == options.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::string ParseArguments(const std::vector<std::string>& args,
                           const std::vector<CommandOption>& known, ParsedArguments& out) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            out.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const CommandOption* option = nullptr;
        std::optional<std::string> attached; // "--name=value" or "-xvalue"
        std::string shown;
        if (arg[1] == '-') {
            std::size_t equals = arg.find('=');
            std::string name = arg.substr(2, equals == std::string::npos ? equals : equals - 2);
            if (equals != std::string::npos) {
                attached = arg.substr(equals + 1);
            }
            shown = "--" + name;
            option = ByName(known, name);
        } else {
            shown = arg.substr(0, 2);
            option = ByLetter(known, arg[1]);
            if (arg.size() > 2) {
                attached = arg.substr(2);
            }
        }
        if (option == nullptr) {
            return "unknown option " + shown;
        }
        std::string value;
        switch (option->value) {
        case TOptionValue::None:
            if (attached) {
                return "option " + shown + " takes no value";
            }
            break;
        case TOptionValue::Required:
            if (attached) {
                value = *attached;
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return "option " + shown + " needs a value (" + option->valueName + ")";
            }
            break;
        case TOptionValue::Optional:
            if (attached) {
                value = *attached;
            } else if (i + 1 < args.size() && IsNumber(args[i + 1])) {
                value = args[++i];
            }
            break;
        }
        if (out.Has(option->name)) {
            return "option " + shown + " is given twice";
        }
        out.options[option->name] = value;
    }
    return "";
}

std::optional<long long> ParseNumber(const std::string& text, long long low, long long high) {
    long long value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (text.empty() || error != std::errc() || end != last || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

} // namespace cli
