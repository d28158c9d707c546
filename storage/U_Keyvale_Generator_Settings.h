// The password generator's options in Keyvale.ini, next to the window's other
// settings: what the user chose last is what the next click generates.
#pragma once

#include "U_Keyvale_Password_Generator.h"

#include <string>

struct TGeneratorSettings {
    TPasswordRules password = DefaultPasswordRules();
    bool passphrase = false; // words instead of characters
    TPassphraseRules phrase;

    static TPasswordRules DefaultPasswordRules() {
        TPasswordRules rules;
        rules.lower = rules.upper = rules.digits = rules.symbols = true;
        return rules;
    }
    bool operator==(const TGeneratorSettings& other) const;
};

inline constexpr const char* kIniKeyGeneratorLength = "GeneratorLength";
inline constexpr const char* kIniKeyGeneratorLower = "GeneratorLower";
inline constexpr const char* kIniKeyGeneratorUpper = "GeneratorUpper";
inline constexpr const char* kIniKeyGeneratorDigits = "GeneratorDigits";
inline constexpr const char* kIniKeyGeneratorSymbols = "GeneratorSymbols";
inline constexpr const char* kIniKeyGeneratorNoLookAlikes = "GeneratorNoLookAlikes";
inline constexpr const char* kIniKeyGeneratorPassphrase = "GeneratorPassphrase";
inline constexpr const char* kIniKeyGeneratorWords = "GeneratorWords";
inline constexpr const char* kIniKeyGeneratorSeparator = "GeneratorSeparator";

// Each value that is missing or not one the options allow (a length outside
// 8..128, a flag other than "0" or "1", a separator that is not one
// character) gives its default; the others are kept.
TGeneratorSettings LoadGeneratorSettings(const std::string& iniPath);

// Writes every key once something differs from the defaults or the file
// exists, creating the settings folder when it is missing; false when the
// file could not be written.
bool SaveGeneratorSettings(const std::string& iniPath, const TGeneratorSettings& settings);
