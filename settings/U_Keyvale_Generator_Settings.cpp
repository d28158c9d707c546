#include "U_Keyvale_Generator_Settings.h"

#include "U_Keyvale_Read_Write_Settings.h"

#include "U_Keyvale_Word_List.h"

#include <filesystem>
#include <vector>

namespace {

// The flags of the options, each with its key.
struct TFlagKey {
    const char* key;
    bool TGeneratorSettings::*plain;
    bool TPasswordRules::*rule;
};

constexpr TFlagKey kFlags[] = {
    {kIniKeyGeneratorLower, nullptr, &TPasswordRules::lower},
    {kIniKeyGeneratorUpper, nullptr, &TPasswordRules::upper},
    {kIniKeyGeneratorDigits, nullptr, &TPasswordRules::digits},
    {kIniKeyGeneratorSymbols, nullptr, &TPasswordRules::symbols},
    {kIniKeyGeneratorNoLookAlikes, nullptr, &TPasswordRules::noLookAlikes},
    {kIniKeyGeneratorPassphrase, &TGeneratorSettings::passphrase, nullptr},
};

bool& Flag(TGeneratorSettings& settings, const TFlagKey& flag) {
    return flag.plain != nullptr ? settings.*flag.plain : settings.password.*flag.rule;
}

std::size_t NumberOr(const std::string& text, std::size_t minimum, std::size_t maximum,
                     std::size_t fallback) {
    if (text.empty() || !IsIntegerInRange(text, static_cast<std::int64_t>(minimum),
                                          static_cast<std::int64_t>(maximum))) {
        return fallback;
    }
    return static_cast<std::size_t>(std::stoll(text));
}

// A number option of the panel: its range and how a note names it.
struct TNumberOption {
    const char* name; // "A password"
    const char* unit; // "characters"
    std::size_t minimum;
    std::size_t maximum;
};

constexpr TNumberOption kLengthOption = {"A password", "characters", kGeneratorMinimumLength,
                                         kGeneratorMaximumLength};
constexpr TNumberOption kWordsOption = {"A passphrase", "words", kMinimumPassphraseWords,
                                        kMaximumPassphraseWords};

// "A password has 8 to 128 characters: 128 are used, not 129."
std::string Note(const TNumberOption& option, const std::string& outcome) {
    return std::string(option.name) + " has " + std::to_string(option.minimum) + " to " +
           std::to_string(option.maximum) + " " + option.unit + ": " + outcome + ".";
}

TOptionNumber ReadOptionNumber(const TNumberOption& option, const std::string& typed,
                               std::size_t current) {
    if (typed.empty()) {
        return {current, Note(option, std::to_string(current) + " stay")};
    }
    if (typed.find_first_not_of("0123456789") != std::string::npos) {
        return {current,
                Note(option, std::to_string(current) + " stay, \"" + typed + "\" is no number")};
    }
    // Any number of digits, leading zeros too: only where it lies matters.
    const std::size_t first = typed.find_first_not_of('0');
    const std::string significant = first == std::string::npos ? "0" : typed.substr(first);
    const std::string maximum = std::to_string(option.maximum);
    const bool above = significant.size() > maximum.size() ||
                       (significant.size() == maximum.size() && significant > maximum);
    const std::size_t value = above ? option.maximum : std::stoull(significant);
    if (above || value < option.minimum) {
        const std::size_t used = above ? option.maximum : option.minimum;
        return {used, Note(option, std::to_string(used) + " are used, not " + typed)};
    }
    return {value, ""};
}

// "a, b and c"
std::string JoinedList(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += i == 0 ? "" : i + 1 == items.size() ? " and " : ", ";
        text += items[i];
    }
    return text;
}

// The number with a comma between thousands: 7,776.
std::string WithThousands(std::size_t number) {
    std::string digits = std::to_string(number);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
}

} // namespace

TOptionNumber ReadGeneratorLength(const std::string& typed, std::size_t current) {
    return ReadOptionNumber(kLengthOption, typed, current);
}

TOptionNumber ReadPassphraseWords(const std::string& typed, std::size_t current) {
    return ReadOptionNumber(kWordsOption, typed, current);
}

std::string PasswordClassesProblem(const TPasswordRules& rules) {
    if (!rules.lower && !rules.upper && !rules.digits && !rules.symbols) {
        return "A password needs at least one kind of character.";
    }
    return "";
}

std::string DescribeGeneratorSettings(const TGeneratorSettings& settings) {
    if (settings.passphrase) {
        return std::to_string(settings.phrase.words) + " words of the " +
               WithThousands(EffLargeWordList().size()) + "-word list, joined by \"" +
               settings.phrase.separator + "\".";
    }
    const TPasswordRules& rules = settings.password;
    const struct {
        bool TPasswordRules::*chosen;
        const char* name;
    } kinds[] = {{&TPasswordRules::lower, "a–z"},
                 {&TPasswordRules::upper, "A–Z"},
                 {&TPasswordRules::digits, "0–9"},
                 {&TPasswordRules::symbols, "symbols"}};
    // None chosen is all four, as the generator draws them.
    const bool all = !PasswordClassesProblem(rules).empty();
    std::vector<std::string> chosen;
    for (const auto& kind : kinds) {
        if (all || rules.*kind.chosen) {
            chosen.emplace_back(kind.name);
        }
    }
    std::string text = std::to_string(rules.length) + " characters from " + JoinedList(chosen);
    if (chosen.size() > 1) {
        text += ", at least one of each";
    }
    if (rules.noLookAlikes) {
        text += ", without I l 1 O 0";
    }
    return text + ".";
}

bool TGeneratorSettings::operator==(const TGeneratorSettings& other) const {
    const TPasswordRules& a = password;
    const TPasswordRules& b = other.password;
    return a.length == b.length && a.lower == b.lower && a.upper == b.upper &&
           a.digits == b.digits && a.symbols == b.symbols && a.noLookAlikes == b.noLookAlikes &&
           a.exclude == b.exclude && passphrase == other.passphrase &&
           phrase.words == other.phrase.words && phrase.separator == other.phrase.separator;
}

TGeneratorSettings LoadGeneratorSettings(const std::string& iniPath) {
    TGeneratorSettings settings;
    settings.password.length =
        NumberOr(IniReadString(iniPath, kIniKeyGeneratorLength), kGeneratorMinimumLength,
                 kGeneratorMaximumLength, kDefaultGeneratedLength);
    settings.phrase.words =
        NumberOr(IniReadString(iniPath, kIniKeyGeneratorWords), kMinimumPassphraseWords,
                 kMaximumPassphraseWords, kDefaultPassphraseWords);
    for (const TFlagKey& flag : kFlags) {
        const std::string value = IniReadString(iniPath, flag.key);
        if (value == "0" || value == "1") {
            Flag(settings, flag) = value == "1";
        }
    }
    if (!PasswordClassesProblem(settings.password).empty()) {
        const TPasswordRules defaults = TGeneratorSettings::DefaultPasswordRules();
        settings.password.lower = defaults.lower;
        settings.password.upper = defaults.upper;
        settings.password.digits = defaults.digits;
        settings.password.symbols = defaults.symbols;
    }
    const std::string separator = IniReadString(iniPath, kIniKeyGeneratorSeparator);
    if (SeparatorProblem(separator).empty()) {
        settings.phrase.separator = separator;
    }
    return settings;
}

bool SaveGeneratorSettings(const std::string& iniPath, const TGeneratorSettings& settings) {
    if (!IniFileExists(iniPath) && settings == TGeneratorSettings{}) {
        return true;
    }
    const std::filesystem::path folder = std::filesystem::path(iniPath).parent_path();
    std::error_code ignored;
    if (!folder.empty() && !std::filesystem::exists(folder, ignored)) {
        std::filesystem::create_directories(folder, ignored);
    }
    TGeneratorSettings copy = settings; // Flag() hands out references
    bool written =
        IniWriteString(iniPath, kIniKeyGeneratorLength, std::to_string(settings.password.length)) &&
        IniWriteString(iniPath, kIniKeyGeneratorWords, std::to_string(settings.phrase.words)) &&
        IniWriteString(iniPath, kIniKeyGeneratorSeparator, settings.phrase.separator);
    for (const TFlagKey& flag : kFlags) {
        written = written && IniWriteString(iniPath, flag.key, Flag(copy, flag) ? "1" : "0");
    }
    return written;
}
