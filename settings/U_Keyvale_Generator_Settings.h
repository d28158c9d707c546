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
// character) gives its default; the others are kept. No character class
// chosen is read as all four, which is what the generator draws then.
TGeneratorSettings LoadGeneratorSettings(const std::string& iniPath);

// Writes every key once something differs from the defaults or the file
// exists, creating the settings folder when it is missing; false when the
// file could not be written.
bool SaveGeneratorSettings(const std::string& iniPath, const TGeneratorSettings& settings);

// ---- What the options accept --------------------------------------------

// A number typed into the length or the words option. Digits only are a
// number; one outside the option's range is brought to the nearer end of it,
// and `note` says so in a sentence for the user. Anything else (nothing, a
// sign, a letter) keeps `current`, with a note.
struct TOptionNumber {
    std::size_t value = 0;
    std::string note; // empty when the text was taken as typed
};
TOptionNumber ReadGeneratorLength(const std::string& typed, std::size_t current);
TOptionNumber ReadPassphraseWords(const std::string& typed, std::size_t current);

// Why the options cannot leave a password without character classes: the
// generator would silently draw all four. Empty when at least one is chosen.
std::string PasswordClassesProblem(const TPasswordRules& rules);

// What Generate makes under these settings, as one sentence: "20 characters
// from a–z, A–Z, 0–9 and symbols, at least one of each." or "6 words of the
// 7,776-word list, joined by "-"."
std::string DescribeGeneratorSettings(const TGeneratorSettings& settings);
