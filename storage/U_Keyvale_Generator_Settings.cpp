#include "U_Keyvale_Generator_Settings.h"

#include "U_Keyvale_Read_Write_Settings.h"

#include <filesystem>

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

} // namespace

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
