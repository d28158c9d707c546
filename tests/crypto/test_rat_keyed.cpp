// The keyed RAT transforms: fixed values, permutation tables, step recipes
// and their exact inverses.
#include "U_KV_RAT_01.h"
#include "test_util.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

TEST(RatKeyed, KeyAdditionAndXorFixedValues) {
    TByteArray data(5, 0);
    RatKeyAdd(data, Hex("01 02 03"));
    EXPECT_EQ(ToHex(data), "01 02 03 01 02");
    RatKeySub(data, Hex("01 02 03"));
    EXPECT_EQ(data, TByteArray(5, 0));

    TByteArray single(5, 0);
    RatKeyAdd(single, Hex("09"));
    EXPECT_EQ(single, TByteArray(5, 0)) << "a one-byte key must leave the data unchanged";

    TByteArray xored(5, 0);
    RatKeyXor(xored, Hex("01 02 03"));
    EXPECT_EQ(ToHex(xored), "02 01 03 02 01");
    RatKeyXor(xored, Hex("01 02 03"));
    EXPECT_EQ(xored, TByteArray(5, 0));
}

TEST(RatKeyed, KeyLongerThanDataUsesItsFirstBytes) {
    TByteArray data = {0, 0};
    RatKeyAdd(data, Hex("05 06 07 08"));
    EXPECT_EQ(ToHex(data), "05 06");
    TByteArray xored = {0, 0};
    RatKeyXor(xored, Hex("05 06 07 08"));
    EXPECT_EQ(ToHex(xored), "06 05");
}

const TByteArray kKey100 = Sequence(100);

TEST(RatPermutations, KnownTablesForTheCountingKey) {
    TPermutationTable a{}, b{};
    RatKeyPermutationA(kKey100, a);
    RatKeyPermutationB(kKey100, b);
    EXPECT_EQ(ToHex(TByteArray(a.begin(), a.begin() + 16)),
              "2B 90 EF 44 AB E9 79 0D FB C7 C9 39 8E C8 D7 50");
    EXPECT_EQ(ToHex(TByteArray(b.begin(), b.begin() + 16)),
              "6A C9 39 60 CE 3C FA 34 83 CA 87 06 15 F4 62 5B");
    EXPECT_EQ(a[255], 0x00);

    TByteArray forward = Hex("00 01 02 FF");
    RatApplyPermutation(forward, a, 1);
    EXPECT_EQ(ToHex(forward), "2B 90 EF 00");
    TByteArray inverse = Hex("00 01 02 FF");
    RatApplyPermutation(inverse, a, 0);
    EXPECT_EQ(ToHex(inverse), "FF 60 52 A7");
}

TEST(RatPermutations, ShortKeyLeavesTableUntouchedAndLongKeyStillAPermutation) {
    TPermutationTable table;
    table.fill(0x5A);
    RatKeyPermutationA(Sequence(99), table);
    RatKeyPermutationB(Sequence(99), table);
    EXPECT_TRUE(std::all_of(table.begin(), table.end(), [](auto v) { return v == 0x5A; }));

    // A 101st key byte changes the table through the mixing step only.
    TPermutationTable t100{}, t101{};
    TByteArray key101 = kKey100;
    key101.push_back(0x77);
    RatKeyPermutationA(kKey100, t100);
    RatKeyPermutationA(key101, t101);
    EXPECT_NE(t100, t101);

    for (const TByteArray& key : {Noise(1000, 1), Noise(12345, 2), Noise(1000000, 3)}) {
        for (auto derive : {RatKeyPermutationA, RatKeyPermutationB}) {
            TPermutationTable t{};
            derive(key, t);
            TPermutationTable sorted = t;
            std::sort(sorted.begin(), sorted.end());
            for (int v = 0; v < 256; ++v) {
                ASSERT_EQ(sorted[v], v);
            }
        }
    }
}

TEST(RatPermutations, KeyedSubstituteInvertsAndRefusesShortKeys) {
    const TByteArray original = Noise(300, 5);
    TByteArray data = original;
    RatKeyedSubstitute(data, Noise(1000, 6), 1);
    EXPECT_NE(data, original);
    RatKeyedSubstitute(data, Noise(1000, 6), 0);
    EXPECT_EQ(data, original);

    RatKeyedSubstitute(data, Noise(99, 6), 1);
    EXPECT_EQ(data, original);
}

TEST(RatSteps, RecipesGiveKnownOutputs) {
    struct Case {
        int selector;
        const char* expected;
    } cases[] = {
        {0, "00 03 09 01 0D 02 06 03 0B 07 0C 0A 01 09 0D 0C"},
        {20, "00 03 09 01 0D 02 06 03 0B 07 0C 0A 01 09 0D 0C"},
        {4, "09 14 11 0D 0F 08 11 06 09 0D 10 0B 10 11 0D 0A"},
        {8, "F5 F7 F3 F0 FB FA F7 F3 F4 F9 F4 F7 FB FE F3 FC"},
        {12, "00 02 06 0B 03 15 00 1C 1C 0B 0B 16 0C 14 0D 00"},
        {16, "00 04 0B 0E 0A 0D 0C 08 03 00 05 06 00 07 05 08"},
        {255, "20 33 25 3C 20 2E 3E 2C 38 13 3D 0C 38 26 06 24"},
    };
    for (const auto& c : cases) {
        TByteArray data = Sequence(16);
        RatStepForward(data, static_cast<std::uint8_t>(c.selector), 5);
        EXPECT_EQ(ToHex(data), c.expected) << "selector " << c.selector;
    }
}

TEST(RatSteps, InverseUndoesForwardForEverySelectorAndAmount) {
    for (std::size_t n : {0u, 1u, 7u, 8u, 17u, 64u}) {
        const TByteArray original = Noise(n, static_cast<unsigned>(n));
        for (int selector = 0; selector < 256; ++selector) {
            for (int amount = 0; amount < 256; ++amount) {
                TByteArray data = original;
                RatStepForward(data, static_cast<std::uint8_t>(selector),
                               static_cast<std::uint8_t>(amount));
                RatStepInverse(data, static_cast<std::uint8_t>(selector),
                               static_cast<std::uint8_t>(amount));
                ASSERT_EQ(data, original)
                    << "length " << n << " selector " << selector << " amount " << amount;
            }
        }
    }
}

TEST(RatSteps, AmountTwoFiftyFiveRotatesByTheFullLengthInTheFirstRecipes) {
    // Recipes 0-3 rotate by amount + 1 = 256, a whole turn of a 256-byte array,
    // so only the mix and the chain remain.
    const TByteArray original = Noise(256, 11);
    TByteArray stepped = original;
    RatStepForward(stepped, 0, 255);
    TByteArray manual = original;
    RatSlideMixAForward(manual);
    RatChainXorForward(manual);
    EXPECT_EQ(stepped, manual);
}

} // namespace
