// New passwords and passphrases from the system's cryptographic random source
// (getrandom), shared by the window's generator button and keyvale-cli.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The characters left out by "no look-alikes": each is easily read as another.
inline constexpr std::string_view kLookAlikeCharacters = "Il1O0";

struct TPasswordRules {
    std::size_t length = 20;
    bool lower = false, upper = false, digits = false, symbols = false; // none: all four
    bool noLookAlikes = false;
    std::string exclude; // further characters never used
};

struct TPassphraseRules {
    std::size_t words = 6;
    std::string separator = "-"; // one character
};

// What the window's options offer; keyvale-cli allows lengths 1 to 1024.
inline constexpr std::size_t kGeneratorMinimumLength = 8;
inline constexpr std::size_t kGeneratorMaximumLength = 128;
inline constexpr std::size_t kDefaultGeneratedLength = 20;
inline constexpr std::size_t kMinimumPassphraseWords = 3;
inline constexpr std::size_t kMaximumPassphraseWords = 20;
inline constexpr std::size_t kDefaultPassphraseWords = 6;

// Draws a password of rules.length characters, each uniform over the allowed
// characters (rejection sampling, no modulo bias), holding at least one
// character of every chosen class: drawings that miss a class are thrown away
// whole, so the result is uniform over all passwords that satisfy the rules.
// Empty on success, otherwise why the rules cannot be met (`password` empty).
std::string GeneratePassword(const TPasswordRules& rules, std::string& password);

// Draws rules.words words, each uniform over the word list, joined by the
// separator. Empty on success, otherwise why not (`passphrase` empty).
std::string GeneratePassphrase(const TPassphraseRules& rules, std::string& passphrase);

// Why a separator cannot be used: it must be exactly one character, and
// neither a control character nor a line break. Empty when it can.
std::string SeparatorProblem(const std::string& separator);

// The number of equally likely results, as a power of ten: what an attacker
// who knows the rules must search. Zero for rules that cannot be met.
double PasswordStrengthLog10(const TPasswordRules& rules);
double PassphraseStrengthLog10(const TPassphraseRules& rules);

// The characters a password under these rules may hold, per chosen class.
std::vector<std::string> AllowedCharacterClasses(const TPasswordRules& rules);
