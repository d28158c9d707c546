// keyvale-cli generate, and the passwords of add and edit --generate.
#include "cli_generate.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_KV_Pseudo_Random_01_Source.h"
#include "U_Keyvale_TreeView_Data_Record.h"
#include "cli_commands.h"
#include "cli_database_common.h"

#include <array>
#include <cstring>
#include <iostream>

namespace cli {

namespace {

struct CharacterClass {
    const char* name;
    const char* characters;
    bool PasswordRules::*chosen;
};

constexpr std::array<CharacterClass, 4> kClasses = {{
    {"lower", "abcdefghijklmnopqrstuvwxyz", &PasswordRules::lower},
    {"upper", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", &PasswordRules::upper},
    {"digits", "0123456789", &PasswordRules::digits},
    {"symbols", "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~", &PasswordRules::symbols},
}};

// A uniform index below n (n <= 256): bytes at or above the largest multiple
// of n are drawn again, so no index is favoured.
class UniformIndex {
  public:
    bool Next(std::size_t n, std::size_t& index) {
        const std::size_t limit = 256 - 256 % n;
        for (;;) {
            if (used_ == buffer_.size()) {
                if (!KvSystemRandomBytes(buffer_.data(), buffer_.size())) {
                    return false;
                }
                used_ = 0;
            }
            const std::size_t b = buffer_[used_++];
            if (b < limit) {
                index = b % n;
                return true;
            }
        }
    }

  private:
    TByteArray buffer_ = TByteArray(256); // wiped on release by its allocator
    std::size_t used_ = buffer_.size();
};

} // namespace

std::string GeneratePassword(const PasswordRules& rules, std::string& password) {
    const bool all = !rules.lower && !rules.upper && !rules.digits && !rules.symbols;
    std::string pool;
    std::vector<std::string> required;
    for (const CharacterClass& c : kClasses) {
        if (!all && !(rules.*c.chosen)) {
            continue;
        }
        std::string allowed;
        for (const char* p = c.characters; *p != '\0'; ++p) {
            if (rules.exclude.find(*p) == std::string::npos) {
                allowed += *p;
            }
        }
        if (allowed.empty()) {
            return std::string("--exclude leaves no character of the class ") + c.name;
        }
        pool += allowed;
        required.push_back(allowed);
    }
    if (rules.length < required.size()) {
        return "a password of " + std::to_string(rules.length) +
               " characters cannot hold one of each of " + std::to_string(required.size()) +
               " classes";
    }
    if (rules.length > kMaximumPasswordLength) {
        return "a password has at most " + std::to_string(kMaximumPasswordLength) + " characters";
    }
    UniformIndex random;
    password.assign(rules.length, ' ');
    for (;;) {
        for (char& c : password) {
            std::size_t index = 0;
            if (!random.Next(pool.size(), index)) {
                KvSecureWipe(password);
                return std::string("the system's random source failed: ") + std::strerror(errno);
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

namespace {

int RunGenerate(const ParsedArguments& args) {
    PasswordRules rules;
    if (auto length = args.Value("length")) {
        auto parsed = ParseNumber(*length, 1, static_cast<long long>(kMaximumPasswordLength));
        if (!parsed) {
            return Fail("generate",
                        "the length must be a whole number from 1 to 1024, not \"" + *length +
                            "\".",
                        kExitUsage);
        }
        rules.length = static_cast<std::size_t>(*parsed);
    }
    rules.lower = args.Has("lower");
    rules.upper = args.Has("upper");
    rules.digits = args.Has("digits");
    rules.symbols = args.Has("symbols");
    rules.exclude = args.Value("exclude").value_or("");
    std::string password;
    if (std::string problem = GeneratePassword(rules, password); !problem.empty()) {
        return Fail("generate", problem + ".", kExitUsage);
    }
    std::cout << password << "\n";
    KvSecureWipe(password);
    return kExitOk;
}

const CliRegistration generateCommand({
    "generate",
    "",
    "a random password",
    "Prints a password drawn from the system's cryptographic random source\n"
    "(getrandom): every character uniform over the allowed ones, at least one of\n"
    "each chosen class. Without a class option all four classes are used.\n",
    {{"length", 'l', TOptionValue::Required, "N", "characters, 1 to 1024 (20)"},
     {"lower", 0, TOptionValue::None, "", "letters a to z"},
     {"upper", 0, TOptionValue::None, "", "letters A to Z"},
     {"digits", 0, TOptionValue::None, "", "digits 0 to 9"},
     {"symbols", 0, TOptionValue::None, "", "the 32 ASCII punctuation characters"},
     {"exclude", 0, TOptionValue::Required, "CHARS", "never use these characters"}},
    0,
    0,
    RunGenerate,
});

} // namespace

} // namespace cli
