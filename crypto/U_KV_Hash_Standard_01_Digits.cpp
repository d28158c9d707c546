#include "U_KV_Hash_Standard_01_Digits.h"
#include "U_KV_Hash_Standard_01_Digits_Paths.h"

#include <array>

// The rendering's text and the digit steps' slices are shared by both paths;
// only the 80-bit values and their scaling to 18 digits differ (x87 or
// software, chosen when the library is built).

namespace {

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

// Writes the text of a decimal value: the digits cut half-up at the 21st
// decimal place, the integer part, '.', and 21 places. Returns the length.
int ComposeText(KvDecimal18 value, char* out) {
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
std::int64_t FirstFifteenPlaces(KvDecimal18 value) {
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
std::int64_t SliceOfText(KvDecimal18 value, int firstChar) {
    char text[kKvRenderBufferSize];
    ComposeText(value, text);
    std::int64_t result = 0;
    for (int c = 17; c >= firstChar; --c) {
        result = result * 10 + (text[c - 1] - '0');
    }
    return result;
}

// Characters FirstChar ... 17 of R(value), 0 <= value <= 1 (an absolute sine
// or cosine) given as its 18 digits, reversed. Character c of a value below one is decimal place
// c - 2, so the slice is places FirstChar - 2 ... 15: the last 18 - FirstChar
// digits of the first fifteen places. Reversed as twelve digits, the leading
// zeros that pad the slice to twelve become trailing zeros, which a division
// removes. Values below 0.001, or one, take the text.
template <int FirstChar> std::int64_t TrigDigitSlice(KvDecimal18 decimal) {
    static_assert(FirstChar >= 6 && FirstChar <= 17);
    constexpr int kCount = 18 - FirstChar;
    if (decimal.exponent < -3 || decimal.exponent > 0) {
        return SliceOfText(decimal, FirstChar);
    }
    const std::int64_t slice = FirstFifteenPlaces(decimal) % kIntegerPowersOfTen[kCount];
    return ReverseTwelveDigits(slice) / kIntegerPowersOfTen[12 - kCount];
}

std::uint64_t Magnitude(std::int64_t x) {
    const auto bits = static_cast<std::uint64_t>(x);
    return x < 0 ? 0 - bits : bits;
}

#if defined(KEYVALE_DIGITS_X87)
KvDecimal18 AbsSinDecimal(std::int64_t x) {
    return KvX87AbsSinDecimal(x);
}
KvDecimal18 AbsCosDecimal(std::int64_t x) {
    return KvX87AbsCosDecimal(x);
}
KvDecimal18 SqrtDecimal(std::int64_t x) {
    return KvX87SqrtDecimal(x);
}
#else
KvDecimal18 AbsSinDecimal(std::int64_t x) {
    return KvSoftToDecimal18(KvSoftAbsSin(x));
}
KvDecimal18 AbsCosDecimal(std::int64_t x) {
    return KvSoftToDecimal18(KvSoftAbsCos(x));
}
KvDecimal18 SqrtDecimal(std::int64_t x) {
    // |x| + 1 <= 2^63 + 1 fits an unsigned 64-bit integer.
    return KvSoftToDecimal18(KvExtendedSqrt(Magnitude(x) + 1));
}
#endif

} // namespace

int KvComposeDecimal(KvDecimal18 value, char* out) {
    return ComposeText(value, out);
}

int KvRenderDecimal(KvExtended v, char* out) {
    // Largest value the 64-character buffer can take: 41 integer digits at
    // most (a value just below 10^40 may round up), the separator and 21
    // places. 10^40 = 5^40 * 2^40, rounded as a constant would be.
    constexpr KvUInt128 kFiveTo40 = [] {
        KvUInt128 power = 1;
        for (int i = 0; i < 40; ++i) {
            power *= 5;
        }
        return power;
    }();
    constexpr KvExtended kLimit = KvExtendedFromFixed(kFiveTo40, 40);
    const bool belowLimit = v.significand == 0 || v.exponent < kLimit.exponent ||
                            (v.exponent == kLimit.exponent && v.significand < kLimit.significand);
    if (!belowLimit) {
        return 0;
    }
#if defined(KEYVALE_DIGITS_X87)
    return ComposeText(KvX87ToDecimal18(KvX87FromExtended(v)), out);
#else
    return ComposeText(KvSoftToDecimal18(v), out);
#endif
}

std::int64_t KvTrigDigitSlice(KvDecimal18 value, int firstChar) {
    switch (firstChar) {
    case 6:
        return TrigDigitSlice<6>(value);
    case 7:
        return TrigDigitSlice<7>(value);
    case 8:
        return TrigDigitSlice<8>(value);
    case 9:
        return TrigDigitSlice<9>(value);
    default:
        return SliceOfText(value, firstChar);
    }
}

std::int64_t KvSinDigits9(std::int64_t x) {
    return TrigDigitSlice<9>(AbsSinDecimal(x));
}
std::int64_t KvCosDigits9(std::int64_t x) {
    return TrigDigitSlice<9>(AbsCosDecimal(x));
}
std::int64_t KvSinDigits10(std::int64_t x) {
    return TrigDigitSlice<8>(AbsSinDecimal(x));
}
std::int64_t KvCosDigits10(std::int64_t x) {
    return TrigDigitSlice<8>(AbsCosDecimal(x));
}
std::int64_t KvCosDigits11(std::int64_t x) {
    return TrigDigitSlice<7>(AbsCosDecimal(x));
}
std::int64_t KvSinDigits12(std::int64_t x) {
    return TrigDigitSlice<6>(AbsSinDecimal(x));
}
std::int64_t KvCosDigits12(std::int64_t x) {
    return TrigDigitSlice<6>(AbsCosDecimal(x));
}
std::int64_t KvSqrtDigits12(std::int64_t x) {
    return KvSqrtDigitsOf(SqrtDecimal(x));
}

// sqrt(|x| + 1) >= 1, so the cut lies beyond the 18th digit and the text
// consists of the 18 digits in order with only zeros added. Deleting zeros
// and the separator from the reversed text therefore leaves the non-zero
// digits of D from the last to the first.
std::int64_t KvSqrtDigitsOf(KvDecimal18 decimal) {
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
