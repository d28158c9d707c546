// Standard Base64 (RFC 4648, section 4) over 8-bit strings, without line
// breaks. Record texts travel inside tree-node texts in this form.
#pragma once

#include <cstddef>
#include <string>

std::size_t Base64EncodedLength(std::size_t n);           // 4 * ceil(n / 3)
std::size_t Base64DecodedLength(const std::string& text); // 0 unless a multiple of 4

std::string Base64Encode(const std::string& bytes);
// Text that is not well-formed Base64 (a length that is not a multiple of 4, a
// character outside the alphabet, or padding anywhere but at the very end)
// decodes to an empty result rather than to guessed bytes.
std::string Base64Decode(const std::string& text);
