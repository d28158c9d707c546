// Passwords from the system's cryptographic random source.
#pragma once

#include <cstddef>
#include <string>

namespace cli {

struct PasswordRules {
    std::size_t length = 20;
    bool lower = false, upper = false, digits = false, symbols = false; // none: all four
    std::string exclude;                                                // characters never used
};

inline constexpr std::size_t kDefaultPasswordLength = 20;

// Draws a password of rules.length characters, each uniform over the allowed
// characters (rejection sampling, no modulo bias), holding at least one
// character of every chosen class: drawings that miss a class are thrown away
// whole, so the result is uniform over all passwords that satisfy the rules.
// Empty on success, otherwise why the rules cannot be met.
std::string GeneratePassword(const PasswordRules& rules, std::string& password);

} // namespace cli
