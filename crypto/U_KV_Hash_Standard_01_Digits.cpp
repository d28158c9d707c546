#include "U_KV_Hash_Standard_01_Digits.h"

// Digests, and the database keys derived from them, are defined by FSIN, FCOS
// and FSQRT on 80-bit extended values; no other evaluation gives the same digits.
#if !defined(__x86_64__) && !defined(__i386__)
#error "The KV hash digit steps need an x86 processor with an x87 floating-point unit."
#endif
#if !defined(__GNUC__)
#error "The KV hash digit steps reach the x87 unit through GCC-style inline assembly."
#endif

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

static_assert(std::numeric_limits<long double>::digits == 64,
              "long double must be the x87 80-bit extended format");

// ---------------------------------------------------------------------------
// The x87 unit
// ---------------------------------------------------------------------------
//
// All statements that touch the unit's arithmetic are volatile assembly so
// that they stay in program order with the control-word handling below. The
// compiler itself only loads integers (FILD, exact), takes absolute values and
// compares, none of which depends on the precision or rounding control. (The
// one exception: square-root radicands of 2^63 and above, reached only by the
// three most extreme arguments, load through FILD followed by an addition.)

long double KvX87Sin(long double x) {
    asm volatile("fsin" : "+t"(x));
    return x;
}

long double KvX87Cos(long double x) {
    asm volatile("fcos" : "+t"(x));
    return x;
}

long double KvX87Sqrt(long double x) {
    asm volatile("fsqrt" : "+t"(x));
    return x;
}

namespace {

// Product a * b rounded once to the 64-bit significand.
long double X87Multiply(long double a, long double b) {
    asm volatile("fmulp" : "=t"(a) : "0"(a), "u"(b) : "st(1)");
    return a;
}

// Quotient a / b rounded once to the 64-bit significand.
long double X87Divide(long double a, long double b) {
    asm volatile("fdivp" : "=t"(a) : "0"(a), "u"(b) : "st(1)");
    return a;
}

// x rounded to the nearest integer, ties to even (FISTP in the default
// rounding mode). The caller keeps |x| below 2^63.
std::int64_t X87RoundToInteger(long double x) {
    std::int64_t result;
    asm volatile("fistpll %0" : "=m"(result) : "t"(x) : "st");
    return result;
}

// Precision control (bits 8-9) 11 = 64-bit significand; rounding control
// (bits 10-11) 00 = nearest, ties to even. Linux starts every thread with
// exactly this, so normally the scope only reads the control word. Should a
// library have changed it, the digits are still computed under the right mode
// and the caller's mode is restored afterwards.
class ExtendedPrecisionScope {
  public:
    ExtendedPrecisionScope() {
        asm volatile("fnstcw %0" : "=m"(saved_));
        if ((saved_ & kControlMask) != kExtendedNearest) {
            const std::uint16_t wanted = (saved_ & ~kControlMask) | kExtendedNearest;
            asm volatile("fldcw %0" : : "m"(wanted));
            changed_ = true;
        }
    }
    ~ExtendedPrecisionScope() {
        if (changed_) {
            asm volatile("fldcw %0" : : "m"(saved_));
        }
    }
    ExtendedPrecisionScope(const ExtendedPrecisionScope&) = delete;
    ExtendedPrecisionScope& operator=(const ExtendedPrecisionScope&) = delete;

  private:
    static constexpr std::uint16_t kControlMask = 0x0F00;
    static constexpr std::uint16_t kExtendedNearest = 0x0300;
    std::uint16_t saved_ = 0;
    bool changed_ = false;
};

// ---------------------------------------------------------------------------
// Decimal rendering
// ---------------------------------------------------------------------------

// Powers of ten as extended values. Up to 10^27 they are exact; 10^28 ... 10^32
// need more than 64 significant bits and are the nearest extended values
// (the compiler rounds long double literals correctly; checked below).
constexpr long double kPowersOfTen[] = {
    1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,  1e10L,
    1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L, 1e21L,
    1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L, 1e28L, 1e29L, 1e30L, 1e31L, 1e32L};

// The nearest extended value to 10^k, 0 <= k <= 32, from exact integer
// arithmetic: the top 64 bits of 10^k rounded to nearest, ties to even.
using UInt128 = unsigned __int128;

constexpr long double NearestExtendedPowerOfTen(int k) {
    UInt128 power = 1;
    for (int i = 0; i < k; ++i) {
        power *= 10;
    }
    int shift = 0;
    while ((power >> shift) >> 64 != 0) {
        ++shift;
    }
    UInt128 significand = power >> shift;
    if (shift > 0) {
        const UInt128 dropped = power & ((UInt128{1} << shift) - 1);
        const UInt128 half = UInt128{1} << (shift - 1);
        if (dropped > half || (dropped == half && (significand & 1) != 0)) {
            ++significand; // stays below 2^64: 10^k is not 2^64 - 1
        }
    }
    long double result = static_cast<long double>(static_cast<std::uint64_t>(significand));
    for (int i = 0; i < shift; ++i) {
        result *= 2.0L;
    }
    return result;
}

constexpr bool PowersOfTenAreNearestExtended() {
    for (int k = 0; k <= 32; ++k) {
        if (kPowersOfTen[k] != NearestExtendedPowerOfTen(k)) {
            return false;
        }
    }
    return true;
}
static_assert(PowersOfTenAreNearestExtended());

constexpr auto kIntegerPowersOfTen = [] {
    std::array<std::int64_t, 19> table{};
    table[0] = 1;
    for (std::size_t k = 1; k < table.size(); ++k) {
        table[k] = table[k - 1] * 10;
    }
    return table;
}();

constexpr int kSignificantDigits = 18;
constexpr int kFractionDigits = 21;
constexpr std::int64_t kTenTo18 = kIntegerPowersOfTen[kSignificantDigits];

// Largest value the 64-character buffer can take: 41 integer digits at most
// (a value just below 10^40 may round up), the separator and 21 places.
constexpr long double kRenderLimit = 1e40L;

// A value v > 0 as 18 decimal digits and a decimal exponent:
// v ~ 0.digits * 10^exponent. digits may have leading zeros.
struct Decimal18 {
    std::int64_t digits;
    int exponent;
};

// Unbiased binary exponent e2 of v, v = m * 2^e2 with 1 <= m < 2. A copy of
// v is stored from the register stack (FLD ST(0); FSTP m80), so that v itself
// stays in its register for the scaling.
int BinaryExponent(long double v) {
    struct {
        std::uint64_t significand;
        std::uint16_t signAndExponent;
    } bits;
#if defined(__clang__)
    // Clang refuses the register-stack clobber below; a plain copy of the
    // 80-bit value gives the same bits (used by the fuzz build only).
    std::memcpy(&bits, &v, 10);
#else
    // The copy needs one free register for a moment; clobbering st(7) keeps it free.
    asm("fld %%st(0)\n\tfstpt %0" : "=m"(bits) : "t"(v) : "st(7)");
#endif
    return (bits.signAndExponent & 0x7FFF) - 16383;
}

// v * 10^n with the rounding of the x87 scaling. Within the renderable range n
// lies between -22 and 40: one multiplication or division below 32, and for
// 32 ... 40 a multiplication by 10^(n - 32) followed by one by 10^32.
long double ScaleByPowerOfTen(long double v, int n) {
    if (n < 0) {
        return X87Divide(v, kPowersOfTen[-n]);
    }
    if (n < 32) {
        return X87Multiply(v, kPowersOfTen[n]);
    }
    return X87Multiply(X87Multiply(v, kPowersOfTen[n - 32]), kPowersOfTen[32]);
}

// The 18 significant digits of 0 <= v < 10^40. Extended precision must be in
// effect.
[[gnu::always_inline]] inline Decimal18 ToDecimal18(long double v) {
    if (v == 0.0L) {
        return {0, 0};
    }
    // 19728 / 65536 approximates log10(2) from below; the shift is arithmetic.
    int exponent = ((BinaryExponent(v) * 19728) >> 16) + 1;
    // Even if the estimate is one too low, fewer than zero digits would lie
    // at or before the 21st place: the value renders as zero.
    if (exponent + 1 + kFractionDigits < 0) {
        return {0, exponent};
    }
    std::int64_t digits = X87RoundToInteger(ScaleByPowerOfTen(v, kSignificantDigits - exponent));
    if (digits >= kTenTo18) {
        // The estimate was one too low.
        digits = X87RoundToInteger(X87Divide(static_cast<long double>(digits), 10.0L));
        ++exponent;
    }
    return {digits, exponent};
}

// Writes the text of a decimal value: the digits cut half-up at the 21st
// decimal place, the integer part, '.', and 21 places. Returns the length.
int ComposeText(Decimal18 value, char* out) {
    char digits[kSignificantDigits];
    std::int64_t rest = value.digits;
    for (int i = kSignificantDigits - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    }

    int exponent = value.exponent;
    const int cut = exponent + kFractionDigits; // digits at or before the 21st place
    int kept = kSignificantDigits;
    if (cut < 0) {
        kept = 0;
    } else if (cut < kSignificantDigits) {
        kept = cut;
        if (digits[cut] >= '5') {
            int i = cut - 1;
            while (i >= 0 && digits[i] == '9') {
                digits[i] = '0';
                --i;
            }
            if (i >= 0) {
                ++digits[i];
            } else {
                digits[0] = '1';
                kept = 1;
                ++exponent;
            }
        }
    }
    while (kept > 0 && digits[kept - 1] == '0') {
        --kept;
    }
    if (kept == 0) {
        exponent = 0; // zero: "0." and 21 zeros
    }

    int length = 0;
    int next = 0; // next digit to write
    if (exponent > 0) {
        for (int i = 0; i < exponent; ++i) {
            out[length++] = next < kept ? digits[next++] : '0';
        }
    } else {
        out[length++] = '0';
    }
    out[length++] = '.';
    int places = 0;
    for (int i = exponent; i < 0 && places < kFractionDigits; ++i, ++places) {
        out[length++] = '0';
    }
    for (; next < kept && places < kFractionDigits; ++places) {
        out[length++] = digits[next++];
    }
    for (; places < kFractionDigits; ++places) {
        out[length++] = '0';
    }
    return length;
}

// ---------------------------------------------------------------------------
// Digit steps
// ---------------------------------------------------------------------------

std::uint64_t Magnitude(std::int64_t x) {
    const auto bits = static_cast<std::uint64_t>(x);
    return x < 0 ? 0 - bits : bits;
}

// Digits are handled three at a time through small tables; digit-by-digit
// loops of 64-bit divisions cost more than the sine itself.
struct DigitGroup {
    std::uint16_t value; // the group's digits, reversed (or only the non-zero ones)
    std::uint8_t count;  // number of digits in value
};

// For n = 0 ... 999 written with three digits: all three reversed.
constexpr auto kReversedGroups = [] {
    std::array<std::uint16_t, 1000> table{};
    for (int n = 0; n < 1000; ++n) {
        table[n] = static_cast<std::uint16_t>(n % 10 * 100 + n / 10 % 10 * 10 + n / 100);
    }
    return table;
}();

// For n = 0 ... 999 written with three digits: the non-zero digits, reversed.
constexpr auto kNonZeroReversedGroups = [] {
    std::array<DigitGroup, 1000> table{};
    for (int n = 0; n < 1000; ++n) {
        DigitGroup group{0, 0};
        for (int rest = n, i = 0; i < 3; ++i, rest /= 10) {
            if (rest % 10 != 0) {
                group.value = static_cast<std::uint16_t>(group.value * 10 + rest % 10);
                ++group.count;
            }
        }
        table[n] = group;
    }
    return table;
}();

// The twelve digits of n < 10^12 (leading zeros included) in reverse order.
std::int64_t ReverseTwelveDigits(std::int64_t n) {
    const auto high = static_cast<std::uint32_t>(n / 1'000'000);
    const auto low = static_cast<std::uint32_t>(n % 1'000'000);
    const std::int64_t lowReversed =
        kReversedGroups[low % 1000] * 1000 + kReversedGroups[low / 1000];
    const std::int64_t highReversed =
        kReversedGroups[high % 1000] * 1000 + kReversedGroups[high / 1000];
    return lowReversed * 1'000'000 + highReversed;
}

// Places 1 ... 15 after the point, as one integer, of a value below one whose
// decimal exponent is -3 ... 0. The cut then lies at or after the 18th digit,
// no rounding happens there, and the text is digits * 10^(exponent - 18)
// followed by zeros; so the places are digits / 10^(3 - exponent).
std::int64_t FirstFifteenPlaces(Decimal18 value) {
    switch (value.exponent) {
    case 0:
        return value.digits / 1'000;
    case -1:
        return value.digits / 10'000;
    case -2:
        return value.digits / 100'000;
    default: // -3
        return value.digits / 1'000'000;
    }
}

// Characters firstChar ... 17 of the rendered text, reversed, as an integer.
// This is the definition; the digit steps take it only for rare values.
std::int64_t SliceOfText(Decimal18 value, int firstChar) {
    char text[kKvRenderBufferSize];
    ComposeText(value, text);
    std::int64_t result = 0;
    for (int c = 17; c >= firstChar; --c) {
        result = result * 10 + (text[c - 1] - '0');
    }
    return result;
}

// Characters FirstChar ... 17 of R(value), 0 <= value <= 1 (an absolute sine
// or cosine), reversed. Character c of a value below one is decimal place
// c - 2, so the slice is places FirstChar - 2 ... 15: the last 18 - FirstChar
// digits of the first fifteen places. Reversed as twelve digits, the leading
// zeros that pad the slice to twelve become trailing zeros, which a division
// removes. Values below 0.001, or one, take the text.
template <int FirstChar>
[[gnu::always_inline]] inline std::int64_t TrigDigitSlice(long double value) {
    static_assert(FirstChar >= 6 && FirstChar <= 17);
    constexpr int kCount = 18 - FirstChar;
    const Decimal18 decimal = ToDecimal18(value);
    if (decimal.exponent < -3 || decimal.exponent > 0) {
        return SliceOfText(decimal, FirstChar);
    }
    const std::int64_t slice = FirstFifteenPlaces(decimal) % kIntegerPowersOfTen[kCount];
    return ReverseTwelveDigits(slice) / kIntegerPowersOfTen[12 - kCount];
}

template <int FirstChar> std::int64_t SineStep(std::int64_t x) {
    ExtendedPrecisionScope scope;
    return TrigDigitSlice<FirstChar>(std::fabs(KvX87Sin(static_cast<long double>(x))));
}

template <int FirstChar> std::int64_t CosineStep(std::int64_t x) {
    ExtendedPrecisionScope scope;
    return TrigDigitSlice<FirstChar>(std::fabs(KvX87Cos(static_cast<long double>(x))));
}

} // namespace

int KvRenderDecimal(long double v, char* out) {
    if (!(v >= 0.0L && v < kRenderLimit)) {
        return 0;
    }
    ExtendedPrecisionScope scope;
    return ComposeText(ToDecimal18(v), out);
}

std::int64_t KvSinDigits9(std::int64_t x) {
    return SineStep<9>(x);
}
std::int64_t KvCosDigits9(std::int64_t x) {
    return CosineStep<9>(x);
}
std::int64_t KvSinDigits10(std::int64_t x) {
    return SineStep<8>(x);
}
std::int64_t KvCosDigits10(std::int64_t x) {
    return CosineStep<8>(x);
}
std::int64_t KvCosDigits11(std::int64_t x) {
    return CosineStep<7>(x);
}
std::int64_t KvSinDigits12(std::int64_t x) {
    return SineStep<6>(x);
}
std::int64_t KvCosDigits12(std::int64_t x) {
    return CosineStep<6>(x);
}

// sqrt(|x| + 1) >= 1, so the cut lies beyond the 18th digit and the text
// consists of the 18 digits in order with only zeros added. Deleting zeros
// and the separator from the reversed text therefore leaves the non-zero
// digits of D from the last to the first.
std::int64_t KvSqrtDigits12(std::int64_t x) {
    ExtendedPrecisionScope scope;
    // |x| + 1 <= 2^63 + 1 fits the 64-bit significand exactly.
    const std::uint64_t radicand = Magnitude(x) + 1;
    const Decimal18 decimal = ToDecimal18(KvX87Sqrt(static_cast<long double>(radicand)));
    std::int64_t result = 0;
    int taken = 0;
    for (std::uint64_t rest = static_cast<std::uint64_t>(decimal.digits); rest != 0 && taken < 12;
         rest /= 1000) {
        const DigitGroup group = kNonZeroReversedGroups[rest % 1000];
        result = result * kIntegerPowersOfTen[group.count] + group.value;
        taken += group.count;
    }
    // The last group may have contributed one or two digits too many.
    if (taken == 13) {
        result /= 10;
    } else if (taken == 14) {
        result /= 100;
    }
    return result;
}

std::int32_t KvModBillion(std::int64_t x) {
    return static_cast<std::int32_t>(Magnitude(x) % 1'000'000'000u + 1);
}

std::int32_t KvModPrime(std::int64_t x) {
    return static_cast<std::int32_t>(Magnitude(x) % 1'000'004'777u + 1);
}
