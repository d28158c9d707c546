// Non-negative numbers in the 80-bit extended format (64-bit significand),
// with the arithmetic the digit steps need done in integers: every operation
// rounds once to the 64-bit significand, to nearest with ties to even, as the
// x87 unit does with its precision control at 64 bits. Processors without an
// x87 unit reach the same digits this way.
#pragma once

#include <bit>
#include <cstdint>

struct KvExtended {
    // Zero, or a 64-bit significand with its top bit set.
    std::uint64_t significand = 0;
    // value = significand * 2^exponent
    std::int32_t exponent = 0;

    friend bool operator==(const KvExtended&, const KvExtended&) = default;
};

using KvUInt128 = unsigned __int128;

// m without its low `shift` bits (0 < shift < 128), rounded to nearest,
// ties to even.
constexpr KvUInt128 KvExtendedShiftRightRounded(KvUInt128 m, int shift) {
    const KvUInt128 kept = m >> shift;
    const KvUInt128 dropped = m & ((KvUInt128{1} << shift) - 1);
    const KvUInt128 half = KvUInt128{1} << (shift - 1);
    if (dropped > half || (dropped == half && (kept & 1) != 0)) {
        return kept + 1;
    }
    return kept;
}

// m * 2^exponent rounded to the 64-bit significand; m may be zero.
constexpr KvExtended KvExtendedFromFixed(KvUInt128 m, int exponent) {
    if (m == 0) {
        return {};
    }
    const auto high = static_cast<std::uint64_t>(m >> 64);
    const int length = high != 0 ? 128 - std::countl_zero(high)
                                 : 64 - std::countl_zero(static_cast<std::uint64_t>(m));
    if (length <= 64) {
        const int shift = 64 - length;
        return {static_cast<std::uint64_t>(m) << shift, exponent - shift};
    }
    const int shift = length - 64;
    const KvUInt128 rounded = KvExtendedShiftRightRounded(m, shift);
    if (rounded >> 64 != 0) { // rounded up to the next power of two
        return {std::uint64_t{1} << 63, exponent + shift + 1};
    }
    return {static_cast<std::uint64_t>(rounded), exponent + shift};
}

// n exactly (every 64-bit integer fits the significand).
constexpr KvExtended KvExtendedFromInteger(std::uint64_t n) {
    return KvExtendedFromFixed(n, 0);
}
KvExtended KvExtendedMultiply(KvExtended a, KvExtended b);
// b must not be zero.
KvExtended KvExtendedDivide(KvExtended a, KvExtended b);
// Rounded to the nearest integer, ties to even. a must be below 2^63.
std::int64_t KvExtendedRoundToInteger(KvExtended a);
// sqrt(n) correctly rounded to the 64-bit significand.
KvExtended KvExtendedSqrt(std::uint64_t n);

// The unbiased binary exponent e2 of a non-zero value: 2^e2 <= v < 2^(e2+1).
inline int KvExtendedBinaryExponent(KvExtended a) {
    return a.exponent + 63;
}

// Neighbouring values: the value `steps` representable values above (below,
// for negative steps) a non-zero a, and the signed count of such steps from
// a to b. Both stay within the positive normal values; the counts the digit
// steps need are small.
KvExtended KvExtendedStep(KvExtended a, std::int64_t steps);
std::int64_t KvExtendedStepsBetween(KvExtended a, KvExtended b);
