#include "U_KV_Hash_Standard_01_Digits.h"
#include "U_KV_Hash_Standard_01_Digits_Paths.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using Step = std::int64_t (*)(std::int64_t);

std::string Render(KvExtended v) {
    char buffer[kKvRenderBufferSize];
    const int length = KvRenderDecimal(v, buffer);
    return std::string(buffer, static_cast<std::size_t>(length));
}

// The software rendering, which is also the build's own on a soft build.
std::string RenderSoft(KvExtended v) {
    char buffer[kKvRenderBufferSize];
    const int length = KvComposeDecimal(KvSoftToDecimal18(v), buffer);
    return std::string(buffer, static_cast<std::size_t>(length));
}

// |sin x|, |cos x| and sqrt(|x| + 1) as this build's digit steps see them.
KvExtended AbsSin(std::int64_t x) {
#if defined(KEYVALE_DIGITS_X87)
    return KvX87ToExtended(std::fabs(KvX87Sin(static_cast<long double>(x))));
#else
    return KvSoftAbsSin(x);
#endif
}

KvExtended AbsCos(std::int64_t x) {
#if defined(KEYVALE_DIGITS_X87)
    return KvX87ToExtended(std::fabs(KvX87Cos(static_cast<long double>(x))));
#else
    return KvSoftAbsCos(x);
#endif
}

KvExtended SqrtOfMagnitudePlusOne(std::int64_t x) {
    const std::uint64_t magnitude =
        x < 0 ? 0 - static_cast<std::uint64_t>(x) : static_cast<std::uint64_t>(x);
#if defined(KEYVALE_DIGITS_X87)
    return KvX87ToExtended(KvX87Sqrt(static_cast<long double>(magnitude + 1)));
#else
    return KvExtendedSqrt(magnitude + 1);
#endif
}

// ---------------------------------------------------------------------------
// Decimal rendering
// ---------------------------------------------------------------------------

struct RenderCase {
    const char* what;
    KvExtended value; // significand * 2^exponent
    const char* text;
};

// Both renderings where the build has both: the x87 one is the reference the
// software one must match.
void ExpectRendering(const RenderCase& c) {
    EXPECT_EQ(Render(c.value), c.text) << c.what;
    EXPECT_EQ(RenderSoft(c.value), c.text) << c.what << " (software rendering)";
}

TEST(KvRenderDecimal, RendersEighteenDigitsAndTwentyOnePlaces) {
    const RenderCase cases[] = {
        {"|sin 1|", AbsSin(1), "0.841470984807896507000"},
        {"|cos 1|", AbsCos(1), "0.540302305868139717000"},
        {"sqrt 2", SqrtOfMagnitudePlusOne(1), "1.414213562373095050000"},
        {"zero", {}, "0.000000000000000000000"},
        {"one", {0x8000000000000000, -63}, "1.000000000000000000000"},
        {"a half", {0x8000000000000000, -64}, "0.500000000000000000000"},
        {"18th digit rounded", {0x81742DF0C05BA23E, -76}, "0.000123456789012345679"},
        {"largest value below one rounds to one",
         {0xFFFFFFFFFFFFFFFF, -64},
         "1.000000000000000000000"},
        {"integer part beyond 18 digits",
         {0xD124D8F8850364B5, 13},
         "123456789012345679000000.000000000000000000000"},
        {"largest power of ten that fits",
         {0xBC143FA4E250EB31, 66},
         "1000000000000000000000000000000000000000.000000000000000000000"},
    };
    for (const auto& c : cases) {
        ExpectRendering(c);
    }
}

// From 10 up to just below 16 the binary exponent gives a decimal exponent one
// too low; the scaled value reaches 10^18 and is divided by ten once.
TEST(KvRenderDecimal, CorrectsTheLowExponentEstimateFromTenToSixteen) {
    const RenderCase cases[] = {
        {"ten", {0xA000000000000000, -60}, "10.000000000000000000000"},
        {"12.25", {0xC400000000000000, -60}, "12.250000000000000000000"},
        {"15.5", {0xF800000000000000, -60}, "15.500000000000000000000"},
        {"largest value below 16", {0xFFFFFFFFFFFFFFFF, -60}, "16.000000000000000000000"},
        {"largest value below 10", {0x9FFFFFFFFFFFFFFF, -60}, "10.000000000000000000000"},
        {"sqrt 200", SqrtOfMagnitudePlusOne(199), "14.142135623730950500000"},
    };
    for (const auto& c : cases) {
        ExpectRendering(c);
    }
}

// Values below about 10^-14 need a scaling power of 32 or more (two
// multiplications), and from 10^-4 downwards the 21st place cuts into the 18
// digits and rounds them half-up, possibly carrying past the first digit.
TEST(KvRenderDecimal, ScalesTinyValuesAndRoundsHalfUpAtTheLastPlace) {
    const RenderCase cases[] = {
        {"1e-15", {0x901D7CF73AB0ACD9, -113}, "0.000000000000001000000"},
        {"1.2345...e-16", {0x8E56033D7FF5E057, -116}, "0.000000000000000123457"},
        {"3e-20", {0x8DABC64B6D8CD430, -128}, "0.000000000000000000030"},
        {"1.5e-21 rounds up", {0xE2AC7078AF47B9E6, -133}, "0.000000000000000000002"},
        {"5e-22 rounds up to the last place",
         {0x971DA05074DA7BEF, -134},
         "0.000000000000000000001"},
        {"4.9e-22 rounds to zero", {0x9417E9E8728431C6, -134}, "0.000000000000000000000"},
        {"far below the last place", {0xA2425FF75E14FC32, -163}, "0.000000000000000000000"},
        {"smallest normal value", {0x8000000000000000, -16382 - 63}, "0.000000000000000000000"},
        {"9.96e-19 cut at three digits", {0x92FBD0EE41A8828B, -123}, "0.000000000000000000996"},
        {"9.9996e-19 carries past the first digit",
         {0x93916BB35E1C31E2, -123},
         "0.000000000000000001000"},
    };
    for (const auto& c : cases) {
        ExpectRendering(c);
    }
}

// 10^40 itself (the nearest extended value) and anything above would need
// more than the buffer.
TEST(KvRenderDecimal, RefusesValuesItCannotRender) {
    const KvExtended refused[] = {{0xEB194F8E1AE525FD, 69}, {0x8000000000000000, 200}};
    for (const KvExtended v : refused) {
        char buffer[kKvRenderBufferSize];
        EXPECT_EQ(KvRenderDecimal(v, buffer), 0) << v.significand << " * 2^" << v.exponent;
    }
    char buffer[kKvRenderBufferSize];
    EXPECT_GT(KvRenderDecimal({0xEB194F8E1AE525FC, 69}, buffer), 0) << "just below 10^40";
}

// ---------------------------------------------------------------------------
// Digit steps: known values
// ---------------------------------------------------------------------------

struct StepCase {
    const char* name;
    Step step;
    std::int64_t x;
    std::int64_t expected;
};

TEST(KvDigitSteps, GiveTheKnownDigits) {
    const StepCase cases[] = {
        {"KvSinDigits9", KvSinDigits9, 1, 698708489},
        {"KvSinDigits10", KvSinDigits10, 1, 6987084890},
        {"KvCosDigits10", KvCosDigits10, 1, 9318685032},
        {"KvCosDigits11", KvCosDigits11, 1, 93186850320},
        {"KvSinDigits12", KvSinDigits12, 1, 698708489074},
        {"KvCosDigits12", KvCosDigits12, 1, 931868503203},
        // sin 0 renders as all zeros, cos 0 as "1.000000000000000000000"
        {"KvSinDigits10", KvSinDigits10, 0, 0},
        {"KvSinDigits12", KvSinDigits12, 0, 0},
        {"KvCosDigits10", KvCosDigits10, 0, 0},
        {"KvCosDigits12", KvCosDigits12, 0, 0},
        {"KvSqrtDigits12", KvSqrtDigits12, 0, 1},
        {"KvSqrtDigits12", KvSqrtDigits12, 1, 559373265312},
        {"KvSqrtDigits12", KvSqrtDigits12, 2, 927788657852},
        {"KvSqrtDigits12", KvSqrtDigits12, 3, 2},
        {"KvSqrtDigits12", KvSqrtDigits12, 15, 4},
        // R(10) = "10.000000000000000000000": the zero of the integer part goes too
        {"KvSqrtDigits12", KvSqrtDigits12, 99, 1},
        {"KvSqrtDigits12", KvSqrtDigits12, 12345, 987661645555},
        {"KvSqrtDigits12", KvSqrtDigits12, 2147483647, 687514811594},
        {"KvSqrtDigits12", KvSqrtDigits12, -3, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.step(c.x), c.expected) << c.name << "(" << c.x << ")";
    }
}

// |x| + 1 is formed without signed overflow, so the extreme arguments take the
// square root of 2^63 (from both sides) instead of a negative number.
TEST(KvDigitSteps, SquareRootOfTheExtremeArguments) {
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
    // R(sqrt(2^63)) = "3037000499.976049690000000000000"
    EXPECT_EQ(KvSqrtDigits12(kMax), 969467999473);
    EXPECT_EQ(KvSqrtDigits12(kMin), KvSqrtDigits12(kMax));
}

// ---------------------------------------------------------------------------
// Digit steps against their text definition
// ---------------------------------------------------------------------------

// The steps take their digits straight from the scaled integer; these are the
// definitions over the rendered text they must agree with.
std::int64_t TextSlice(const std::string& text, int firstChar, int lastChar) {
    std::string slice = text.substr(static_cast<std::size_t>(firstChar - 1),
                                    static_cast<std::size_t>(lastChar - firstChar + 1));
    std::reverse(slice.begin(), slice.end());
    return std::stoll(slice);
}

std::int64_t SqrtByText(std::int64_t x) {
    std::string text = Render(SqrtOfMagnitudePlusOne(x));
    std::reverse(text.begin(), text.end());
    std::string kept;
    for (const char c : text) {
        if (c != '0' && c != '.' && c != ',') {
            kept += c;
        }
    }
    return std::stoll(kept.substr(0, 12));
}

struct SliceStep {
    const char* name;
    Step step;
    bool cosine;
    int firstChar;
};

constexpr SliceStep kSliceSteps[] = {
    {"KvSinDigits9", KvSinDigits9, false, 9},   {"KvCosDigits9", KvCosDigits9, true, 9},
    {"KvSinDigits10", KvSinDigits10, false, 8}, {"KvCosDigits10", KvCosDigits10, true, 8},
    {"KvCosDigits11", KvCosDigits11, true, 7},  {"KvSinDigits12", KvSinDigits12, false, 6},
    {"KvCosDigits12", KvCosDigits12, true, 6},
};

std::vector<std::int64_t> ComparisonArguments() {
    std::vector<std::int64_t> arguments = {0,
                                           1,
                                           2,
                                           3,
                                           10,
                                           11,
                                           33,
                                           44,
                                           355,
                                           710,
                                           103993,
                                           104348,
                                           208341,
                                           312689,
                                           833719,
                                           1146408,
                                           4272943,
                                           5419351,
                                           80143857,
                                           165707065,
                                           245850922,
                                           411557987,
                                           1068966896,
                                           2147483647,
                                           2549491779,
                                           6167950454,
                                           21053343141,
                                           27322597426359103,
                                           151753322247733,
                                           2328743549217,
                                           1000000000,
                                           999999999,
                                           1000004777,
                                           std::numeric_limits<std::int64_t>::max()};
    // Sums in the hash are wrapped 32-bit values.
    std::mt19937 generator(20240611);
    for (int i = 0; i < 200'000; ++i) {
        arguments.push_back(static_cast<std::int32_t>(generator()));
    }
    return arguments;
}

TEST(KvDigitSteps, AgreeWithTheTextDefinitionAndIgnoreTheSign) {
    int smallValues = 0; // arguments whose sine or cosine lies below 0.001
    for (const std::int64_t x : ComparisonArguments()) {
        const std::string sine = Render(AbsSin(x));
        const std::string cosine = Render(AbsCos(x));
        if (sine.compare(0, 5, "0.000") == 0 || cosine.compare(0, 5, "0.000") == 0) {
            ++smallValues;
        }
        for (const auto& s : kSliceSteps) {
            const std::int64_t expected = TextSlice(s.cosine ? cosine : sine, s.firstChar, 17);
            ASSERT_EQ(s.step(x), expected) << s.name << "(" << x << ")";
            ASSERT_EQ(s.step(-x), expected) << s.name << "(" << -x << ")";
        }
        ASSERT_EQ(KvSqrtDigits12(x), SqrtByText(x)) << "KvSqrtDigits12(" << x << ")";
        ASSERT_EQ(KvSqrtDigits12(-x), SqrtByText(x)) << "KvSqrtDigits12(" << -x << ")";
    }
    EXPECT_GT(smallValues, 100); // the rare rendering path was exercised
}

// ---------------------------------------------------------------------------
// Reducers
// ---------------------------------------------------------------------------

struct ModCase {
    const char* name;
    std::int32_t (*reduce)(std::int64_t);
    std::int64_t x;
    std::int32_t expected;
};

TEST(KvReducers, FoldTheMagnitudeIntoOneToModulus) {
    const ModCase cases[] = {
        {"KvModBillion", KvModBillion, -5, 6},
        {"KvModBillion", KvModBillion, 0, 1},
        {"KvModBillion", KvModBillion, 1'000'000'000, 1},
        {"KvModBillion", KvModBillion, 999'999'999, 1'000'000'000},
        {"KvModBillion", KvModBillion, -2'147'483'648, 147'483'649},
        {"KvModPrime", KvModPrime, 1'000'004'777, 1},
        {"KvModPrime", KvModPrime, -1'000'004'776, 1'000'004'777},
        {"KvModPrime", KvModPrime, 2'147'483'647, 147'474'094},
        // |x| of the most negative value is 2^63, without overflow
        {"KvModBillion", KvModBillion, std::numeric_limits<std::int64_t>::min(), 854'775'809},
        {"KvModPrime", KvModPrime, std::numeric_limits<std::int64_t>::min(), 17'029'680},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.reduce(c.x), c.expected) << c.name << "(" << c.x << ")";
    }
}

} // namespace
