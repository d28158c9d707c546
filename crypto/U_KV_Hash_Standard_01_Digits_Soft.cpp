#include "U_KV_Hash_Standard_01_Digits_Paths.h"

#include <array>
#include <vector>

// The software path: the digit steps' 80-bit values computed in integers, on
// any processor. The exception table was generated against exactly this
// evaluation of sine and cosine, rounding for rounding: any change to it
// (terms, scaling, reduction) needs a new table from tools/.

namespace {

using KvInt128 = __int128;

std::uint64_t Magnitude(std::int64_t x) {
    const auto bits = static_cast<std::uint64_t>(x);
    return x < 0 ? 0 - bits : bits;
}

// ---------------------------------------------------------------------------
// Decimal rendering
// ---------------------------------------------------------------------------

constexpr int kSignificantDigits = 18;
constexpr int kFractionDigits = 21;
constexpr std::int64_t kTenTo18 = 1'000'000'000'000'000'000;

// The nearest extended values to 10^0 ... 10^32: exact up to 10^27, rounded
// beyond, as the x87 path's constants are.
constexpr auto kPowersOfTen = [] {
    std::array<KvExtended, 33> table{};
    KvUInt128 power = 1;
    for (std::size_t k = 0; k < table.size(); ++k) {
        table[k] = KvExtendedFromFixed(power, 0);
        power *= 10;
    }
    return table;
}();

// v * 10^n with the x87 path's sequence of roundings: one multiplication or
// division below 32, and for 32 ... 40 a multiplication by 10^(n - 32)
// followed by one by 10^32.
KvExtended ScaleByPowerOfTen(KvExtended v, int n) {
    if (n < 0) {
        return KvExtendedDivide(v, kPowersOfTen[-n]);
    }
    if (n < 32) {
        return KvExtendedMultiply(v, kPowersOfTen[n]);
    }
    return KvExtendedMultiply(KvExtendedMultiply(v, kPowersOfTen[n - 32]), kPowersOfTen[32]);
}

// ---------------------------------------------------------------------------
// Sine and cosine
// ---------------------------------------------------------------------------
//
// Fixed-point numbers below are unsigned 128-bit integers with an implied
// scale. The argument arrives as |x| * 2^65.

// pi/2 rounded as the x87 unit's 66-bit pi, in units of 2^-65:
// pi ~ 0x3243F6A8885A308D3 * 2^-64.
constexpr KvUInt128 kHalfPi = (KvUInt128{0x3} << 64) | 0x243F6A8885A308D3u;
// 2/pi * 2^64, for a first estimate of the quadrant.
constexpr KvUInt128 kTwoOverPi = 0xA2F9836E4E44152Au;

// floor(a * b / 2^128).
KvUInt128 MultiplyHigh(KvUInt128 a, KvUInt128 b) {
    const auto a0 = static_cast<std::uint64_t>(a);
    const auto a1 = static_cast<std::uint64_t>(a >> 64);
    const auto b0 = static_cast<std::uint64_t>(b);
    const auto b1 = static_cast<std::uint64_t>(b >> 64);
    const KvUInt128 low = static_cast<KvUInt128>(a0) * b0;
    const KvUInt128 cross1 = static_cast<KvUInt128>(a0) * b1;
    const KvUInt128 cross2 = static_cast<KvUInt128>(a1) * b0;
    const KvUInt128 middle =
        (low >> 64) + static_cast<std::uint64_t>(cross1) + static_cast<std::uint64_t>(cross2);
    return static_cast<KvUInt128>(a1) * b1 + (cross1 >> 64) + (cross2 >> 64) + (middle >> 64);
}

// Taylor coefficients scaled by 2^128: floor((2^128 - 1) / n!) for the
// factorials of the sine (odd n) and cosine (even n) series. With |r| <= pi/4
// the terms left out are below 2^-100.
constexpr std::size_t kSineTerms = 12;   // r^3/3! ... r^25/25!
constexpr std::size_t kCosineTerms = 13; // r^2/2! ... r^26/26!

constexpr KvUInt128 InverseFactorial(int n) {
    KvUInt128 factorial = 1;
    for (int i = 2; i <= n; ++i) {
        factorial *= static_cast<unsigned>(i);
    }
    return ~KvUInt128{0} / factorial;
}

template <std::size_t Terms> constexpr auto SeriesCoefficients(int firstOrder) {
    std::array<KvUInt128, Terms + 1> table{}; // table[0] unused
    for (std::size_t n = 1; n <= Terms; ++n) {
        table[n] = InverseFactorial(firstOrder + 2 * static_cast<int>(n));
    }
    return table;
}
constexpr auto kSineCoefficients = SeriesCoefficients<kSineTerms>(1);
constexpr auto kCosineCoefficients = SeriesCoefficients<kCosineTerms>(0);

// 1 - z * (c1 - z * (c2 - ...)) for z = r^2 * 2^128, scaled by 2^128; the
// result 1 itself (z too small to matter) comes back as 0 with `one` set.
// Every bracket stays positive, since z < 1 and each coefficient exceeds
// the next by far, so unsigned arithmetic suffices.
template <std::size_t Terms>
KvUInt128 AlternatingSeries(KvUInt128 z, const std::array<KvUInt128, Terms + 1>& c, bool& one) {
    KvUInt128 sum = c[Terms];
    for (std::size_t n = Terms - 1; n >= 1; --n) {
        sum = c[n] - MultiplyHigh(z, sum);
    }
    const KvUInt128 subtracted = MultiplyHigh(z, sum);
    one = subtracted == 0;
    return 0 - subtracted; // 2^128 - subtracted
}

// sin r and cos r for 0 <= r <= pi/4 given as r * 2^127.
KvExtended SineOfReduced(KvUInt128 r) {
    if (r == 0) {
        return {};
    }
    const KvUInt128 z = MultiplyHigh(r, r) << 2;
    bool one = false;
    const KvUInt128 series = AlternatingSeries<kSineTerms>(z, kSineCoefficients, one);
    return KvExtendedFromFixed(one ? r : MultiplyHigh(r, series), -127);
}

KvExtended CosineOfReduced(KvUInt128 r) {
    const KvUInt128 z = MultiplyHigh(r, r) << 2;
    bool one = false;
    const KvUInt128 series = AlternatingSeries<kCosineTerms>(z, kCosineCoefficients, one);
    return one ? KvExtendedFromInteger(1) : KvExtendedFromFixed(series, -128);
}

// ---------------------------------------------------------------------------
// Exception table
// ---------------------------------------------------------------------------

struct Correction {
    std::uint32_t argument;
    std::int32_t steps;
};

// The decoded table with an index of the first entry per 2^20 arguments,
// so that a lookup scans a handful of entries.
class CorrectionIndex {
  public:
    explicit CorrectionIndex(const KvDigitExceptionTable& table) {
        entries_.reserve(table.entries);
        std::size_t at = 0;
        std::int64_t previous = -1;
        while (at < table.size) {
            const std::uint64_t gap = ReadVarint(table, at);
            const std::uint64_t zigzag = ReadVarint(table, at);
            previous += static_cast<std::int64_t>(gap);
            const auto steps =
                static_cast<std::int64_t>(zigzag >> 1) ^ -static_cast<std::int64_t>(zigzag & 1);
            entries_.push_back(
                {static_cast<std::uint32_t>(previous), static_cast<std::int32_t>(steps)});
        }
        std::size_t entry = 0;
        for (std::size_t bucket = 0; bucket < first_.size(); ++bucket) {
            while (entry < entries_.size() && (entries_[entry].argument >> kBucketBits) < bucket) {
                ++entry;
            }
            first_[bucket] = static_cast<std::uint32_t>(entry);
        }
    }

    std::int64_t Lookup(std::uint64_t magnitude) const {
        if (magnitude >> 32 != 0) {
            return 0;
        }
        const auto argument = static_cast<std::uint32_t>(magnitude);
        const std::size_t bucket = argument >> kBucketBits;
        for (std::size_t i = first_[bucket]; i < first_[bucket + 1]; ++i) {
            if (entries_[i].argument == argument) {
                return entries_[i].steps;
            }
        }
        return 0;
    }

  private:
    static constexpr int kBucketBits = 20;

    static std::uint64_t ReadVarint(const KvDigitExceptionTable& table, std::size_t& at) {
        std::uint64_t value = 0;
        for (int shift = 0; at < table.size; shift += 7) {
            const std::uint8_t byte = table.data[at++];
            value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
            if ((byte & 0x80) == 0) {
                break;
            }
        }
        return value;
    }

    std::vector<Correction> entries_;
    std::array<std::uint32_t, (std::size_t{1} << (32 - kBucketBits)) + 1> first_{};
};

} // namespace

KvDecimal18 KvSoftToDecimal18(KvExtended v) {
    if (v.significand == 0) {
        return {0, 0};
    }
    // 19728 / 65536 approximates log10(2) from below; the shift is arithmetic.
    int exponent = ((KvExtendedBinaryExponent(v) * 19728) >> 16) + 1;
    // Even if the estimate is one too low, fewer than zero digits would lie
    // at or before the 21st place: the value renders as zero.
    if (exponent + 1 + kFractionDigits < 0) {
        return {0, exponent};
    }
    std::int64_t digits =
        KvExtendedRoundToInteger(ScaleByPowerOfTen(v, kSignificantDigits - exponent));
    if (digits >= kTenTo18) {
        // The estimate was one too low.
        const KvExtended tenth = KvExtendedDivide(
            KvExtendedFromInteger(static_cast<std::uint64_t>(digits)), kPowersOfTen[1]);
        digits = KvExtendedRoundToInteger(tenth);
        ++exponent;
    }
    return {digits, exponent};
}

KvExtended KvSoftSinCosModel(KvUInt128 magnitudeTimes2To65, bool cosine) {
    const KvUInt128 x = magnitudeTimes2To65;
    // The quadrant k nearest to x / (pi/2), first estimated from the integer
    // part of x, then corrected so that the remainder r = x - k * pi/2,
    // computed exactly (modulo 2^128, which it does not reach), lies within
    // +-pi/4.
    const auto integerPart = static_cast<std::uint64_t>(x >> 65);
    auto k = static_cast<std::uint64_t>(
        (static_cast<KvUInt128>(integerPart) * kTwoOverPi + (KvUInt128{1} << 63)) >> 64);
    auto r = static_cast<KvInt128>(x - k * kHalfPi);
    const auto halfPi = static_cast<KvInt128>(kHalfPi);
    while (2 * r > halfPi) {
        r -= halfPi;
        ++k;
    }
    while (2 * r < -halfPi) {
        r += halfPi;
        --k;
    }
    // |sin x| is |sin r| in even quadrants and |cos r| in odd ones; the
    // other way round for |cos x|.
    const KvUInt128 reduced = static_cast<KvUInt128>(r < 0 ? -r : r) << 62; // r * 2^127
    const bool sineOfReduced = ((k & 1) != 0) == cosine;
    return sineOfReduced ? SineOfReduced(reduced) : CosineOfReduced(reduced);
}

std::int64_t KvSoftSinCorrection(std::uint64_t magnitude) {
    static const CorrectionIndex index(kKvSinExceptions);
    return index.Lookup(magnitude);
}

std::int64_t KvSoftCosCorrection(std::uint64_t magnitude) {
    static const CorrectionIndex index(kKvCosExceptions);
    return index.Lookup(magnitude);
}

namespace {

KvExtended AbsSinOrCos(std::int64_t x, bool cosine) {
    const std::uint64_t magnitude = Magnitude(x);
    if (magnitude >> 63 != 0) {
        // |x| = 2^63: the x87 unit cannot reduce it and returns it unchanged.
        return KvExtendedFromInteger(magnitude);
    }
    const KvExtended model = KvSoftSinCosModel(static_cast<KvUInt128>(magnitude) << 65, cosine);
    const std::int64_t steps =
        cosine ? KvSoftCosCorrection(magnitude) : KvSoftSinCorrection(magnitude);
    return steps == 0 ? model : KvExtendedStep(model, steps);
}

} // namespace

KvExtended KvSoftAbsSin(std::int64_t x) {
    return AbsSinOrCos(x, false);
}

KvExtended KvSoftAbsCos(std::int64_t x) {
    return AbsSinOrCos(x, true);
}
