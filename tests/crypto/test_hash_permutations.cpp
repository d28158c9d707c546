// The permutation rows of the KV hash are fixed data: these tests pin the
// entries that define them and the properties every row must have.
#include "U_KV_Hash_Standard_01_Permutations.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace {

std::vector<int> Row(int m) {
    return std::vector<int>(KvHashPermutations[m - 1] + 1, KvHashPermutations[m - 1] + 1001);
}

TEST(HashPermutations, TellingEntriesOfEveryRow) {
    struct Case {
        int row;
        std::vector<int> first12;
        std::vector<int> last5;
    } cases[] = {
        {1, {344, 11, 721, 677, 388, 300, 55, 765, 633, 432, 966, 256}, {743, 33, 322, 366, 699}},
        {2, {355, 688, 22, 732, 311, 399, 644, 66, 776, 977, 267, 443}, {44, 666, 377, 333, 710}},
        {3, {11, 366, 721, 33, 388, 743, 55, 410, 765, 77, 432, 787}, {655, 322, 677, 344, 699}},
        {4, {355, 710, 688, 333, 22, 377, 732, 666, 311, 44, 399, 754}, {721, 366, 11, 344, 699}},
        {5, {699, 344, 11, 366, 721, 677, 322, 33, 388, 743, 655, 300}, {22, 333, 688, 710, 355}},
    };
    for (const auto& c : cases) {
        const std::vector<int> row = Row(c.row);
        EXPECT_EQ(std::vector<int>(row.begin(), row.begin() + 12), c.first12) << "P" << c.row;
        EXPECT_EQ(std::vector<int>(row.end() - 5, row.end()), c.last5) << "P" << c.row;
    }
}

TEST(HashPermutations, EveryRowIsADifferentPermutation) {
    std::set<std::vector<int>> distinct;
    for (int m = 1; m <= 5; ++m) {
        EXPECT_EQ(KvHashPermutations[m - 1][0], 0) << "index 0 is unused";
        std::vector<int> sorted = Row(m);
        std::sort(sorted.begin(), sorted.end());
        for (int v = 1; v <= 1000; ++v) {
            ASSERT_EQ(sorted[v - 1], v) << "P" << m;
        }
        distinct.insert(Row(m));
    }
    EXPECT_EQ(distinct.size(), 5u);
}

TEST(HashPermutations, ThirdRowFollowsItsRule) {
    std::vector<int> expected;
    for (int x = 11; expected.size() < 1000; x = (x + 355) % 1043) {
        if (x >= 1 && x <= 1000) {
            expected.push_back(x);
        }
    }
    EXPECT_EQ(Row(3), expected);
}

} // namespace
