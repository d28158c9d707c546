// The KV hash: input preparation, the two-lane digest of exactly 1000 bytes,
// and its printable text forms over three alphabets.
#pragma once

#include "U_KV_Hash_Standard_01_Digits.h"
#include "U_KV_Hash_Standard_01_Permutations.h"
#include "U_KV_RAT_01.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::string_view KvAlphabet62 =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
inline constexpr std::string_view KvAlphabet64 =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
inline constexpr std::string_view KvAlphabet90 =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ!@#$%^&*()\\/{}[]+-=_<>.,;:?~abcdefghijklmnopqrstuvwxyz0123456789";

constexpr std::size_t KvDigestSize = 1000;

// --- Input preparation ------------------------------------------------------

// Expands 1 to 1000 bytes (or more) into exactly 1000 bytes by doubling
// rounds. An empty input leaves `out` exactly as it was.
void KvHashPrepareBytes(const TByteArray& input, TByteArray& out);
// Folds an input longer than `width` onto `width` positions; otherwise (or
// for width 0, or fewer than 2 input bytes) `out` is left as it was.
void KvHashFoldLong(const TByteArray& input, std::int32_t width, TByteArray& out);
void KvHashPrepareText(const std::string& text, TByteArray& out);

// --- Digest -------------------------------------------------------------------

// One lane's result vector, indexed 1..1000 (index 0 unused).
using TKvLaneOutput = std::array<std::int32_t, KvDigestSize + 1>;

bool KvHashLaneA(const TByteArray& data, std::uint8_t mode, TKvLaneOutput& out);
bool KvHashLaneB(const TByteArray& data, std::uint8_t mode, TKvLaneOutput& out);
TByteArray KvHashCombine(const TKvLaneOutput& OA, const TKvLaneOutput& OB);

// digest becomes 1000 bytes; mode 0 counts as 1; a mode above 5 throws
// std::out_of_range before anything is written. Empty data leaves digest
// exactly as it was.
void KvHashDigest(const TByteArray& data, std::uint8_t mode, TByteArray& digest);

// --- Text forms -----------------------------------------------------------------

bool KvIsUpperLetter(char c);
bool KvIsLowerLetter(char c);
void KvHashApplyCase(std::string& form, const TByteArray& key);

// The "KV hash 62", "KV hash 64" and "KV hash 90" forms of a text, each of
// `length` characters (0 or above 1000 means 1000); three empty strings for
// an empty text.
void KvHashText(const std::string& text, std::uint16_t length, std::string& hash62,
                std::string& hash64, std::string& hash90);
