// The software path's arithmetic, on every processor.
#include "U_KV_Hash_Standard_01_Digits_Paths.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

constexpr std::uint64_t kTop = std::uint64_t{1} << 63;

struct ArithmeticCase {
    const char* what;
    KvExtended result;
    KvExtended expected;
};

// Rounding to the 64-bit significand: to nearest, ties to even, with the
// carry into the next binary exponent.
TEST(KvExtendedArithmetic, RoundsToNearestWithTiesToEven) {
    const KvExtended one = KvExtendedFromInteger(1);
    const KvExtended three = KvExtendedFromInteger(3);
    const KvExtended ten = KvExtendedFromInteger(10);
    const KvUInt128 allOnes65 = (KvUInt128{1} << 65) - 1;
    const ArithmeticCase cases[] = {
        {"integer", KvExtendedFromInteger(12), {0xC000000000000000, -60}},
        {"65 bits, tie, even stays", KvExtendedFromFixed((KvUInt128{kTop} << 1) | 1, 0), {kTop, 1}},
        {"65 bits, tie, odd rounds up",
         KvExtendedFromFixed((KvUInt128{kTop | 1} << 1) | 1, 0),
         {kTop | 2, 1}},
        {"carry into the next exponent", KvExtendedFromFixed(allOnes65, 0), {kTop, 2}},
        {"1/3", KvExtendedDivide(one, three), {0xAAAAAAAAAAAAAAAB, -65}},
        {"2/3", KvExtendedDivide(KvExtendedFromInteger(2), three), {0xAAAAAAAAAAAAAAAB, -64}},
        {"1/10", KvExtendedDivide(one, ten), {0xCCCCCCCCCCCCCCCD, -67}},
        {"exact quotient", KvExtendedDivide(KvExtendedFromInteger(1000), ten),
         KvExtendedFromInteger(100)},
        {"(2^64 - 1)^2, rounded",
         KvExtendedMultiply({~std::uint64_t{0}, 0}, {~std::uint64_t{0}, 0}),
         {0xFFFFFFFFFFFFFFFE, 64}},
        {"(2^63 + 1)^2, tie to even",
         KvExtendedMultiply({kTop | 1, 0}, {kTop | 1, 0}),
         {kTop | 2, 63}},
        {"1/3 * 3 rounds to one", KvExtendedMultiply(KvExtendedDivide(one, three), three), one},
        {"zero product", KvExtendedMultiply({}, three), {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.result.significand, c.expected.significand) << c.what;
        EXPECT_EQ(c.result.exponent, c.expected.exponent) << c.what;
    }
}

TEST(KvExtendedArithmetic, RoundsToTheNearestIntegerWithTiesToEven) {
    const struct {
        KvExtended value;
        std::int64_t expected;
    } cases[] = {
        {{0xC000000000000000, -64}, 1}, // 0.75
        {{kTop, -64}, 0},               // 0.5 to even
        {{0xC000000000000000, -63}, 2}, // 1.5 to even
        {{0xA000000000000000, -62}, 2}, // 2.5 to even
        {{0xFFFFFFFFFFFFFFFF, -65}, 0}, // just below 0.5
        {{kTop, -65}, 0},               // 0.25
        {{0xDE0B6B3A76400000, -4}, 1'000'000'000'000'000'000},
        {{0xDE0B6B3A76400008, -4}, 1'000'000'000'000'000'000}, // + 0.5 to even
        {{0xDE0B6B3A76400018, -4}, 1'000'000'000'000'000'002}, // + 1.5 to even
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KvExtendedRoundToInteger(c.value), c.expected)
            << c.value.significand << " * 2^" << c.value.exponent;
    }
}

// Square roots correctly rounded, including radicands whose root is almost
// half-way between two significands and the largest ones.
TEST(KvExtendedArithmetic, SquareRootsAreCorrectlyRounded) {
    const struct {
        std::uint64_t n;
        KvExtended root;
    } cases[] = {
        {1, {kTop, -63}},
        {2, {0xB504F333F9DE6484, -63}},
        {3, {0xDDB3D742C265539E, -63}},
        {4, {kTop, -62}},
        {12346, {0xDE39A0E16B8A200B, -57}},
        {(std::uint64_t{1} << 63) + 1, {0xB504F333F9DE6485, -32}},
        {~std::uint64_t{0}, {0xFFFFFFFFFFFFFFFF, -32}},
        {std::uint64_t{3037000499} * 3037000499, KvExtendedFromInteger(3037000499)},
    };
    for (const auto& c : cases) {
        const KvExtended root = KvExtendedSqrt(c.n);
        EXPECT_EQ(root.significand, c.root.significand) << c.n;
        EXPECT_EQ(root.exponent, c.root.exponent) << c.n;
    }
}

// The table stores corrections as counts of representable values; they must
// cross binary exponents as the values do.
TEST(KvExtendedArithmetic, StepsBetweenNeighboursCrossBinaryExponents) {
    const KvExtended justBelowOne{~std::uint64_t{0}, -64};
    const KvExtended one{kTop, -63};
    const KvExtended justAboveOne{kTop | 1, -63};
    EXPECT_EQ(KvExtendedStep(justBelowOne, 1), one);
    EXPECT_EQ(KvExtendedStep(one, -1), justBelowOne);
    EXPECT_EQ(KvExtendedStep(justBelowOne, 2), justAboveOne);
    EXPECT_EQ(KvExtendedStepsBetween(justAboveOne, justBelowOne), -2);
    EXPECT_EQ(KvExtendedStepsBetween(one, one), 0);
}

// The model reduces by the x87 unit's 66-bit pi: near pi itself only the
// difference between that pi and the argument remains, which a correctly
// reduced sine would not give. Both are published FSIN results.
TEST(KvSoftPath, ModelReproducesThePublishedFsinResults) {
    // |x| * 2^65 for x = -0x1.448ec3aaa278dp+2 and 0x1.921fb54442d18p+1
    const KvUInt128 first = KvUInt128{0x1448ec3aaa278d} << (65 + 2 - 52);
    const KvUInt128 second = KvUInt128{0x1921fb54442d18} << (65 + 1 - 52);
    EXPECT_EQ(KvSoftSinCosModel(first, false), (KvExtended{0xEFB206C69B0BA402, -64}));
    EXPECT_EQ(KvSoftSinCosModel(second, false), (KvExtended{0x8D30000000000000, -116}));
}

// Values that pin the path on every processor (the x87 unit's results on the
// processor named in the exception table): the ends of the hash's and the key
// expansion's ranges, and the largest magnitude, which the unit returns
// unreduced.
TEST(KvSoftPath, GivesTheUnitsValuesAtTheEnds) {
    const struct {
        std::int64_t x;
        KvExtended sine;
        KvExtended cosine;
    } cases[] = {
        {0, {}, {kTop, -63}},
        {1, {0xD76AA47848677021, -64}, {0x8A51407DA8345C92, -64}},
        {-1, {0xD76AA47848677021, -64}, {0x8A51407DA8345C92, -64}},
        {-2147483648, {0xF8A7C89F4CC3B0FF, -64}, {0xF38616A8A4C21DA2, -66}},
        {4294967295, {0xFE4C790E752FF262, -65}, {0xDE3102CBF410A98C, -64}},
        {std::numeric_limits<std::int64_t>::min(), {kTop, 0}, {kTop, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KvSoftAbsSin(c.x), c.sine) << "sin " << c.x;
        EXPECT_EQ(KvSoftAbsCos(c.x), c.cosine) << "cos " << c.x;
    }
}

// The table is what the generator wrote: sorted distinct arguments below the
// range it compared, each with a correction.
TEST(KvSoftPath, ExceptionTablesAreSortedAndWithinTheComparedRange) {
    for (const auto* table : {&kKvSinExceptions, &kKvCosExceptions}) {
        std::size_t at = 0;
        std::size_t entries = 0;
        std::int64_t previous = -1;
        auto read = [&] {
            std::uint64_t value = 0;
            for (int shift = 0; at < table->size; shift += 7) {
                const std::uint8_t byte = table->data[at++];
                value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
                if ((byte & 0x80) == 0) {
                    break;
                }
            }
            return value;
        };
        while (at < table->size) {
            const std::uint64_t gap = read();
            const std::uint64_t correction = read();
            ASSERT_GT(gap, 0u);
            ASSERT_NE(correction, 0u);
            previous += static_cast<std::int64_t>(gap);
            ++entries;
        }
        EXPECT_EQ(entries, table->entries);
        EXPECT_TRUE(entries == 0 ||
                    static_cast<std::uint64_t>(previous) < kKvExceptionsCoveredBelow);
    }
    EXPECT_EQ(kKvExceptionsCoveredBelow, std::uint64_t{1} << 32);
}

} // namespace
