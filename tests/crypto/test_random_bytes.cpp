#include "U_KV_RAT_01.h"

#include <array>
#include <gtest/gtest.h>
#include <set>
#include <string>

namespace {

TEST(RandomBytes, FillModes) {
    TByteArray b;
    RatFillBytes(b, 2, 300);
    ASSERT_EQ(b.size(), 300u);
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(b[254], 255);
    EXPECT_EQ(b[255], 1);
    RatFillBytes(b, 1, 300);
    EXPECT_EQ(b[255], 255);
    EXPECT_EQ(b[256], 0);
    RatFillBytes(b, 0, 1000);
    EXPECT_EQ(b, TByteArray(1000, 0));
}

TEST(RandomBytes, CountZeroLeavesTargetAndDrawsDiffer) {
    TByteArray b = {1, 2, 3};
    RatRandomBytes(b, 0);
    RatFillBytes(b, 3, 0);
    EXPECT_EQ(b, (TByteArray{1, 2, 3}));

    TByteArray x, y;
    RatRandomBytes(x, 1000);
    RatRandomBytes(y, 1000);
    ASSERT_EQ(x.size(), 1000u);
    EXPECT_NE(x, y);
    // 1000 uniform bytes hit far more than half of the 256 values.
    EXPECT_GT(std::set<std::uint8_t>(x.begin(), x.end()).size(), 200u);
}

// Salts and filler come from many short runs between reseeds: every byte value
// must stay equally likely, and a reseed must not restart a sequence.
TEST(RandomBytes, ShortRunsBetweenReseedsStayUniform) {
    constexpr int kRuns = 4000, kRunLength = 64;
    std::array<int, 256> counts{};
    std::set<std::string> runs;
    for (int run = 0; run < kRuns; ++run) {
        TByteArray b;
        RatRandomBytes(b, kRunLength);
        runs.insert(std::string(b.begin(), b.end()));
        for (std::uint8_t v : b) {
            ++counts[v];
        }
    }
    EXPECT_EQ(runs.size(), static_cast<std::size_t>(kRuns)) << "a reseed repeated a run";
    // Expected 1000 per value, standard deviation about 31.6: six deviations.
    for (int value = 0; value < 256; ++value) {
        EXPECT_NEAR(counts[value], 1000, 190) << "byte value " << value;
    }
}

} // namespace
