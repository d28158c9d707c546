// Digit steps of the KV hash: pseudo-random integers drawn from the decimal
// digits of sines, cosines and square roots of integers, and the two reducers
// that fold 64-bit values into the hash lanes' ranges.
//
// Every digest, and therefore every database key, depends on these functions
// digit for digit. The values are those of the x87 unit in the 80-bit extended
// format (64-bit significand, round to nearest, ties to even): FSIN, FCOS and
// FSQRT, and a decimal rendering that follows one fixed algorithm, rounding
// included. They come either from the unit itself (KEYVALE_DIGITS=x87, x86
// only) or from an exact software model of it (KEYVALE_DIGITS=soft, any
// processor); both give the same digits for every argument the hash and the
// key derivation pass (U_KV_Hash_Standard_01_Digits_Paths.h). On the x87 path
// the steps set the unit's precision and rounding for their own work should a
// caller have changed them, and restore the caller's setting afterwards.
#pragma once

#include "U_KV_Hash_Standard_01_Extended.h"

#include <cstdint>

// Decimal rendering R(v) of a non-negative extended value: the integer part
// without leading zeros ("0" below one), '.', and exactly 21 fraction digits,
// of which at most 18 significant digits are non-zero. out must hold at least
// kKvRenderBufferSize characters; no terminating NUL is written. Returns the
// length. Values that do not fit the buffer (v >= 10^40) are refused: nothing
// is written and 0 is returned.
inline constexpr int kKvRenderBufferSize = 64;
int KvRenderDecimal(KvExtended v, char* out);

// Digit steps. Each takes characters of R(|sin x|), R(|cos x|) or
// R(sqrt(|x| + 1)), reverses them and reads them as a decimal integer.
// Characters are counted from 1; for values below one, character 3 is the
// first decimal place. The result is the same for x and -x.
std::int64_t KvSinDigits9(std::int64_t x);  // characters 9..17 of R(|sin x|)
std::int64_t KvCosDigits9(std::int64_t x);  // characters 9..17 of R(|cos x|)
std::int64_t KvSinDigits10(std::int64_t x); // characters 8..17 of R(|sin x|)
std::int64_t KvCosDigits10(std::int64_t x); // characters 8..17 of R(|cos x|)
std::int64_t KvCosDigits11(std::int64_t x); // characters 7..17 of R(|cos x|)
std::int64_t KvSinDigits12(std::int64_t x); // characters 6..17 of R(|sin x|)
std::int64_t KvCosDigits12(std::int64_t x); // characters 6..17 of R(|cos x|)
// R(sqrt(|x| + 1)) reversed with every '0' and the separator deleted; the
// first 12 remaining digits read as a decimal integer (1 ... 999,999,999,999).
std::int64_t KvSqrtDigits12(std::int64_t x);

// Reducers: (|x| mod m) + 1, for m = 1,000,000,000 and the prime 1,000,004,777.
std::int32_t KvModBillion(std::int64_t x);
std::int32_t KvModPrime(std::int64_t x);
