// Command-line options in the usual GNU manner: "--name value",
// "--name=value", "-x value", "-xvalue", flags, and "--" before arguments that
// begin with "-". A lone "-" is an argument (standard input).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class TOptionValue {
    None,     // a flag
    Required, // "--length 40" or "--length=40"
    Optional, // "--generate", "--generate=30", or "--generate 30" when 30 is a number
};

struct CommandOption {
    std::string name; // long name without "--"
    char letter = 0;  // short name, 0 for none
    TOptionValue value = TOptionValue::None;
    std::string valueName; // shown in help: "N", "FIELD"
    std::string help;      // one line
};

struct ParsedArguments {
    std::map<std::string, std::string> options; // long name -> value ("" for a flag)
    std::vector<std::string> positional;

    bool Has(const std::string& name) const { return options.count(name) != 0; }
    std::optional<std::string> Value(const std::string& name) const;
};

// Parses `args` against the known options; the result is empty on success, otherwise
// what is wrong ("unknown option --bogus"). "--help" and "-h" are always
// known and recorded as option "help".
std::string ParseArguments(const std::vector<std::string>& args,
                           const std::vector<CommandOption>& known, ParsedArguments& out);

// A strict decimal integer within [low, high], or nothing.
std::optional<long long> ParseNumber(const std::string& text, long long low, long long high);

} // namespace cli
