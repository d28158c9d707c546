#include "U_KV_Hash_Standard_01_Extended.h"

#include <bit>
#include <cmath>

namespace {

constexpr std::uint64_t kTopBit = std::uint64_t{1} << 63;

// The ordinal of a positive normal value: consecutive values have
// consecutive ordinals, across binary exponents too.
__int128 Ordinal(KvExtended a) {
    return static_cast<__int128>(a.exponent) * (static_cast<__int128>(1) << 63) +
           (a.significand - kTopBit);
}

KvExtended FromOrdinal(__int128 ordinal) {
    const __int128 scale = static_cast<__int128>(1) << 63;
    __int128 exponent = ordinal / scale;
    __int128 offset = ordinal % scale;
    if (offset < 0) { // floor division
        offset += scale;
        --exponent;
    }
    return {static_cast<std::uint64_t>(offset) + kTopBit, static_cast<std::int32_t>(exponent)};
}

} // namespace

KvExtended KvExtendedMultiply(KvExtended a, KvExtended b) {
    if (a.significand == 0 || b.significand == 0) {
        return {};
    }
    const KvUInt128 product = static_cast<KvUInt128>(a.significand) * b.significand;
    return KvExtendedFromFixed(product, a.exponent + b.exponent);
}

KvExtended KvExtendedDivide(KvExtended a, KvExtended b) {
    if (a.significand == 0) {
        return {};
    }
    // (a.significand * 2^64) / b.significand lies between 2^63 and 2^65.
    const KvUInt128 numerator = static_cast<KvUInt128>(a.significand) << 64;
    KvUInt128 quotient = numerator / b.significand;
    const KvUInt128 remainder = numerator % b.significand;
    int exponent = a.exponent - b.exponent - 64;
    bool roundUp;
    if (quotient >> 64 != 0) {
        // One quotient bit too many: it is the rounding bit, the remainder
        // only breaks a tie.
        const bool roundBit = (quotient & 1) != 0;
        quotient >>= 1;
        ++exponent;
        roundUp = roundBit && (remainder != 0 || (quotient & 1) != 0);
    } else {
        const KvUInt128 twice = remainder << 1;
        roundUp = twice > b.significand || (twice == b.significand && (quotient & 1) != 0);
    }
    if (roundUp) {
        ++quotient;
        if (quotient >> 64 != 0) {
            return {kTopBit, exponent + 1};
        }
    }
    return {static_cast<std::uint64_t>(quotient), exponent};
}

std::int64_t KvExtendedRoundToInteger(KvExtended a) {
    if (a.significand == 0 || a.exponent < -64) {
        return 0; // below one half
    }
    if (a.exponent >= 0) {
        return static_cast<std::int64_t>(a.significand << a.exponent);
    }
    return static_cast<std::int64_t>(KvExtendedShiftRightRounded(a.significand, -a.exponent));
}

KvExtended KvExtendedSqrt(std::uint64_t n) {
    if (n == 0) {
        return {};
    }
    // sqrt(n) * 2^t = sqrt(M) with M = n * 4^t between 2^126 and 2^128, so
    // that the rounded root is the 64-bit significand.
    const int topBit = 63 - std::countl_zero(n);
    const int t = (127 - topBit) / 2;
    const KvUInt128 M = static_cast<KvUInt128>(n) << (2 * t);

    // A double estimate within about 2^11, one integer Newton step, then
    // exact checks: S is the rounded root when S^2 - S < M <= S^2 + S.
    const double estimate = std::sqrt(static_cast<double>(M));
    KvUInt128 S = estimate >= 0x1p64 ? ~std::uint64_t{0} : static_cast<std::uint64_t>(estimate);
    S = (S + M / S) / 2;
    while (S * S + S < M) {
        ++S;
    }
    while (S * S - S >= M) {
        --S;
    }
    return KvExtendedFromFixed(S, -t);
}

KvExtended KvExtendedStep(KvExtended a, std::int64_t steps) {
    return FromOrdinal(Ordinal(a) + steps);
}

std::int64_t KvExtendedStepsBetween(KvExtended a, KvExtended b) {
    return static_cast<std::int64_t>(Ordinal(b) - Ordinal(a));
}
