#include "U_KV_Hash_Standard_01_Digits_Paths.h"

// The x87 path: FSIN, FCOS and FSQRT from the processor, the rendering's
// scaling in 80-bit x87 arithmetic.
#if !defined(__x86_64__) && !defined(__i386__)
#error "The x87 digit path needs an x86 processor; build with KEYVALE_DIGITS=soft."
#endif
#if !defined(__GNUC__)
#error "The x87 digit path reaches the unit through GCC-style inline assembly."
#endif

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

constexpr int kSignificantDigits = 18;
constexpr int kFractionDigits = 21;
constexpr std::int64_t kTenTo18 = 1'000'000'000'000'000'000;

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
[[gnu::always_inline]] inline KvDecimal18 ToDecimal18(long double v) {
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

std::uint64_t Magnitude(std::int64_t x) {
    const auto bits = static_cast<std::uint64_t>(x);
    return x < 0 ? 0 - bits : bits;
}

} // namespace

KvDecimal18 KvX87ToDecimal18(long double v) {
    ExtendedPrecisionScope scope;
    return ToDecimal18(v);
}

KvDecimal18 KvX87AbsSinDecimal(std::int64_t x) {
    ExtendedPrecisionScope scope;
    return ToDecimal18(std::fabs(KvX87Sin(static_cast<long double>(x))));
}

KvDecimal18 KvX87AbsCosDecimal(std::int64_t x) {
    ExtendedPrecisionScope scope;
    return ToDecimal18(std::fabs(KvX87Cos(static_cast<long double>(x))));
}

KvDecimal18 KvX87SqrtDecimal(std::int64_t x) {
    ExtendedPrecisionScope scope;
    // |x| + 1 <= 2^63 + 1 fits the 64-bit significand exactly.
    const std::uint64_t radicand = Magnitude(x) + 1;
    return ToDecimal18(KvX87Sqrt(static_cast<long double>(radicand)));
}

KvExtended KvX87ToExtended(long double v) {
    struct {
        std::uint64_t significand;
        std::uint16_t signAndExponent;
    } bits{};
    std::memcpy(&bits, &v, 10);
    if (bits.significand == 0) {
        return {};
    }
    return {bits.significand, (bits.signAndExponent & 0x7FFF) - 16383 - 63};
}

// Built from its bits, so that no x87 arithmetic (and no precision control
// a caller may have set) touches the value.
long double KvX87FromExtended(KvExtended v) {
    long double result = 0;
    if (v.significand != 0) {
        const auto biased = static_cast<std::uint16_t>(v.exponent + 63 + 16383);
        std::memcpy(&result, &v.significand, 8);
        std::memcpy(reinterpret_cast<char*>(&result) + 8, &biased, 2);
    }
    return result;
}
