// Passwords over character classes and passphrases over the word list, both
// drawn uniformly from getrandom by rejection sampling.
#include "U_Keyvale_Password_Generator.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_KV_Pseudo_Random_01_Source.h"
#include "U_Keyvale_TreeView_Data_Record.h"
#include "U_Keyvale_TreeView_Data_Text.h"
#include "U_Keyvale_Word_List.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

struct CharacterClass {
    const char* name;
    const char* characters;
    bool TPasswordRules::*chosen;
};

constexpr std::array<CharacterClass, 4> kClasses = {{
    {"lower", "abcdefghijklmnopqrstuvwxyz", &TPasswordRules::lower},
    {"upper", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", &TPasswordRules::upper},
    {"digits", "0123456789", &TPasswordRules::digits},
    {"symbols", "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~", &TPasswordRules::symbols},
}};

// Uniform indices below n from the kernel's random bytes, four at a time: a
// value at or above the largest multiple of n is drawn again, so no index is
// favoured.
class TUniformIndex {
  public:
    bool Next(std::uint32_t n, std::uint32_t& index) {
        const std::uint64_t range = std::uint64_t{1} << 32;
        const std::uint64_t limit = range - range % n;
        for (;;) {
            if (used_ + 4 > buffer_.size()) {
                if (!KvSystemRandomBytes(buffer_.data(), buffer_.size())) {
                    return false;
                }
                used_ = 0;
            }
            std::uint32_t value = 0;
            for (int i = 0; i < 4; ++i) {
                value = (value << 8) | buffer_[used_++];
            }
            if (value < limit) {
                index = value % n;
                return true;
            }
        }
    }

  private:
    TByteArray buffer_ = TByteArray(256); // wiped on release by its allocator
    std::size_t used_ = buffer_.size();
};

std::string RandomSourceFailed() {
    return std::string("the system's random source failed: ") + std::strerror(errno);
}

bool AllClasses(const TPasswordRules& rules) {
    return !rules.lower && !rules.upper && !rules.digits && !rules.symbols;
}

} // namespace

std::vector<std::string> AllowedCharacterClasses(const TPasswordRules& rules) {
    std::vector<std::string> allowed;
    for (const CharacterClass& c : kClasses) {
        if (!AllClasses(rules) && !(rules.*c.chosen)) {
            continue;
        }
        std::string characters;
        for (const char* p = c.characters; *p != '\0'; ++p) {
            const bool lookAlike = kLookAlikeCharacters.find(*p) != std::string_view::npos;
            if (rules.exclude.find(*p) == std::string::npos && !(rules.noLookAlikes && lookAlike)) {
                characters += *p;
            }
        }
        allowed.push_back(characters);
    }
    return allowed;
}

std::string GeneratePassword(const TPasswordRules& rules, std::string& password) {
    password.clear();
    const std::vector<std::string> required = AllowedCharacterClasses(rules);
    std::string pool;
    for (std::size_t i = 0, k = 0; i < kClasses.size(); ++i) {
        if (!AllClasses(rules) && !(rules.*kClasses[i].chosen)) {
            continue;
        }
        if (required[k].empty()) {
            return std::string("--exclude leaves no character of the class ") + kClasses[i].name;
        }
        pool += required[k++];
    }
    if (rules.length < required.size()) {
        return "a password of " + std::to_string(rules.length) +
               " characters cannot hold one of each of " + std::to_string(required.size()) +
               " classes";
    }
    if (rules.length > kMaximumPasswordLength) {
        return "a password has at most " + std::to_string(kMaximumPasswordLength) + " characters";
    }
    TUniformIndex random;
    password.assign(rules.length, ' ');
    for (;;) {
        for (char& c : password) {
            std::uint32_t index = 0;
            if (!random.Next(static_cast<std::uint32_t>(pool.size()), index)) {
                KvSecureWipe(password);
                return RandomSourceFailed();
            }
            c = pool[index];
        }
        bool complete = true;
        for (const std::string& allowed : required) {
            complete = complete && password.find_first_of(allowed) != std::string::npos;
        }
        if (complete) {
            return "";
        }
    }
}

std::string SeparatorProblem(const std::string& separator) {
    if (!IsValidUtf8(separator) || Utf8ToUtf16(separator).size() != 1 ||
        HoldsControlCharacter(separator)) {
        return "the separator must be one character, not a control character or line break";
    }
    return "";
}

std::string GeneratePassphrase(const TPassphraseRules& rules, std::string& passphrase) {
    passphrase.clear();
    if (rules.words < kMinimumPassphraseWords || rules.words > kMaximumPassphraseWords) {
        return "a passphrase has " + std::to_string(kMinimumPassphraseWords) + " to " +
               std::to_string(kMaximumPassphraseWords) + " words";
    }
    if (std::string problem = SeparatorProblem(rules.separator); !problem.empty()) {
        return problem;
    }
    const std::span<const std::string_view> words = EffLargeWordList();
    // Room for the longest words first, so that no growing copy is left behind.
    passphrase.reserve(rules.words * (10 + rules.separator.size()));
    TUniformIndex random;
    for (std::size_t i = 0; i < rules.words; ++i) {
        std::uint32_t index = 0;
        if (!random.Next(static_cast<std::uint32_t>(words.size()), index)) {
            KvSecureWipe(passphrase);
            return RandomSourceFailed();
        }
        if (i > 0) {
            passphrase += rules.separator;
        }
        passphrase += words[index];
    }
    return "";
}

double PasswordStrengthLog10(const TPasswordRules& rules) {
    std::size_t pool = 0;
    for (const std::string& allowed : AllowedCharacterClasses(rules)) {
        if (allowed.empty()) {
            return 0;
        }
        pool += allowed.size();
    }
    // Requiring one of each class removes only a small share of the
    // combinations; the estimate leaves it out.
    return pool == 0 ? 0 : static_cast<double>(rules.length) * std::log10(pool);
}

double PassphraseStrengthLog10(const TPassphraseRules& rules) {
    return static_cast<double>(rules.words) *
           std::log10(static_cast<double>(EffLargeWordList().size()));
}
