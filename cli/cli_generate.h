// Passwords from the system's cryptographic random source: the rules live in
// storage, shared with the window's generator.
#pragma once

#include "U_Keyvale_Password_Generator.h"

namespace cli {

using PasswordRules = TPasswordRules;
using ::GeneratePassword;

inline constexpr std::size_t kDefaultPasswordLength = kDefaultGeneratedLength;

} // namespace cli
