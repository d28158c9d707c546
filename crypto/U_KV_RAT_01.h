// RAT: Keyvale's own family of reversible byte-array transforms, with the
// small byte-array helpers and the random or pattern-filled arrays built on them.
//
// Every transform works in place on a whole array and never changes its
// length. Arrays shorter than a transform's minimum (1 for substitution,
// addition and complement, 2 for reversal, rotation and the XOR chain, 8 for
// the window kernels) are left unchanged; so is any array when the effective
// amount is 0. Forward/inverse pairs invert exactly for every length and
// parameter, so any recipe is undone by its inverses in reverse order.
#pragma once

#include "U_KV_Secure_Memory_01.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Byte arrays hold keys and plaintext, so their memory is locked where the
// system allows and wiped when it is released (see U_KV_Secure_Memory_01.h).
using TByteArray = std::vector<std::uint8_t, KvSecureAllocator<std::uint8_t>>;

// A permutation of the 256 byte values: T[v] is the image of v.
using TPermutationTable = std::array<std::uint8_t, 256>;

// The AES S-box and its inverse, as published in FIPS-197.
extern const TPermutationTable RatAesSBox;
extern const TPermutationTable RatAesInvSBox;

// --- Unkeyed whole-array transforms -------------------------------------

void RatSubstituteSBox(TByteArray& bytes);
void RatSubstituteInvSBox(TByteArray& bytes);
void RatReverse(TByteArray& bytes);
void RatRotateRight(TByteArray& bytes, std::int32_t amount); // toward higher indices
void RatRotateLeft(TByteArray& bytes, std::int32_t amount);
void RatAddConst(TByteArray& bytes, std::int32_t amount);
void RatSubConst(TByteArray& bytes, std::int32_t amount);
void RatComplement(TByteArray& bytes);
void RatChainXorForward(TByteArray& bytes); // b[i] becomes the XOR of b[i..n-1]
void RatChainXorInverse(TByteArray& bytes);

// --- 8-byte window kernels ----------------------------------------------

void RatPht8Forward(std::uint8_t* window); // pseudo-Hadamard on two big-endian words
void RatPht8Inverse(std::uint8_t* window);
void RatMix8AForward(std::uint8_t* window);
void RatMix8AInverse(std::uint8_t* window);
void RatMix8BForward(std::uint8_t* window);
void RatMix8BInverse(std::uint8_t* window);
void RatMix8CForward(std::uint8_t* window);
void RatMix8CInverse(std::uint8_t* window);

// Kernels over every overlapping window: forward ascending, inverse descending.
void RatSlidePhtForward(TByteArray& bytes);
void RatSlidePhtInverse(TByteArray& bytes);
void RatSlideMixAForward(TByteArray& bytes);
void RatSlideMixAInverse(TByteArray& bytes);
void RatSlideMixBForward(TByteArray& bytes);
void RatSlideMixBInverse(TByteArray& bytes);
void RatSlideMixCForward(TByteArray& bytes);
void RatSlideMixCInverse(TByteArray& bytes);

// PHT on each whole 8-byte block, then once more on the last 8 bytes.
void RatBlockPhtForward(TByteArray& bytes);
void RatBlockPhtInverse(TByteArray& bytes);

// --- Helpers --------------------------------------------------------------

void RatCopyBytes(const TByteArray& source, TByteArray& target); // empty source: target unchanged
void RatAppendBytes(TByteArray& target, const TByteArray& source);
std::string RatBytesToAnsi(const TByteArray& bytes);
void RatAnsiToBytes(const std::string& text, TByteArray& target); // empty text: target unchanged
void RatUnpackWord32(std::uint32_t value, std::uint8_t& p0, std::uint8_t& p1, std::uint8_t& p2,
                     std::uint8_t& p3); // little-endian
std::uint32_t RatPackWord32(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3);
void RatSwapBytes(std::uint8_t& a, std::uint8_t& b);

// --- Keyed transforms -----------------------------------------------------

// Keys of fewer than 2 bytes leave the data unchanged.
void RatKeyAdd(TByteArray& data, const TByteArray& key);
void RatKeySub(TByteArray& data, const TByteArray& key);
void RatKeyXor(TByteArray& data, const TByteArray& key); // its own inverse

// One of twenty fixed recipes, picked by selector mod 20.
void RatStepForward(TByteArray& data, std::uint8_t selector, std::uint8_t amount);
void RatStepInverse(TByteArray& data, std::uint8_t selector, std::uint8_t amount);

// Permutations derived from keys of at least 100 bytes; a shorter key leaves
// the table exactly as it was.
void RatKeyPermutationA(const TByteArray& key, TPermutationTable& table);
void RatKeyPermutationB(const TByteArray& key, TPermutationTable& table);

// forward != 0: b = T[b]; forward == 0: b = T^-1[b].
void RatApplyPermutation(TByteArray& data, const TPermutationTable& table, int forward);
void RatKeyedSubstitute(TByteArray& data, const TByteArray& key, int forward);

// --- Random and filled arrays ---------------------------------------------

// Target becomes count uniformly random bytes; count <= 0 leaves it unchanged.
void RatRandomBytes(TByteArray& target, std::int32_t count);
// Mode 0: zeros; 1: i mod 256; 2: (i mod 255) + 1; 3 and above: random.
void RatFillBytes(TByteArray& target, std::uint8_t mode, std::int32_t count);
