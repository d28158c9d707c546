// Digit steps of the KV hash: pseudo-random integers drawn from the decimal
// digits of sines, cosines and square roots of integers, and the two reducers
// that fold 64-bit values into the hash lanes' ranges.
//
// Every digest, and therefore every database key, depends on these functions
// digit for digit. The floating-point work is done on the x87 unit in the
// 80-bit extended format (64-bit significand, round to nearest, ties to even),
// and the decimal rendering follows one fixed algorithm, rounding included.
// Linux starts threads with exactly that x87 control word; should a caller
// have changed it, the steps and the rendering set it for their own work and
// restore the caller's setting afterwards.
#pragma once

#include <cstdint>

// The x87 instructions themselves, on extended values. FSIN and FCOS reduce
// large arguments with the unit's own 66-bit approximation of pi, which is
// what the digits are taken from. For |x| >= 2^63 the unit cannot reduce the
// argument and returns it unchanged, as the instructions do.
long double KvX87Sin(long double x);
long double KvX87Cos(long double x);
long double KvX87Sqrt(long double x);

// Decimal rendering R(v) of a non-negative extended value: the integer part
// without leading zeros ("0" below one), '.', and exactly 21 fraction digits,
// of which at most 18 significant digits are non-zero. out must hold at least
// kKvRenderBufferSize characters; no terminating NUL is written. Returns the
// length. Values that do not fit the buffer (v >= 10^40), negative values and
// NaN are refused: nothing is written and 0 is returned.
inline constexpr int kKvRenderBufferSize = 64;
int KvRenderDecimal(long double v, char* out);

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
