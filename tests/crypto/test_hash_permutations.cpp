#include "U_KV_Hash_Standard_01_Permutations.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

constexpr int RowLength = 1000;
constexpr int Middle = 500; // first P3 entry of the high half

// Reference entries of every row: positions 1-12 and 996-1000.
struct ReferenceEntries {
    int row; // 1..5
    std::array<std::uint16_t, 12> head;
    std::array<std::uint16_t, 5> tail;
};

const ReferenceEntries References[] = {
    {1, {344, 11, 721, 677, 388, 300, 55, 765, 633, 432, 966, 256}, {743, 33, 322, 366, 699}},
    {2, {355, 688, 22, 732, 311, 399, 644, 66, 776, 977, 267, 443}, {44, 666, 377, 333, 710}},
    {3, {11, 366, 721, 33, 388, 743, 55, 410, 765, 77, 432, 787}, {655, 322, 677, 344, 699}},
    {4, {355, 710, 688, 333, 22, 377, 732, 666, 311, 44, 399, 754}, {721, 366, 11, 344, 699}},
    {5, {699, 344, 11, 366, 721, 677, 322, 33, 388, 743, 655, 300}, {22, 333, 688, 710, 355}},
};

const std::uint16_t* Row(int number) {
    return KvHashPermutations[number - 1];
}

TEST(HashPermutations, ReferenceEntriesOfEveryRow) {
    for (const auto& reference : References) {
        SCOPED_TRACE(testing::Message() << "P" << reference.row);
        const std::uint16_t* row = Row(reference.row);
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(row[1 + i], reference.head[i]) << "entry " << 1 + i;
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(row[996 + i], reference.tail[i]) << "entry " << 996 + i;
    }
}

TEST(HashPermutations, EveryRowIsAPermutationOfOneToThousand) {
    for (int number = 1; number <= 5; ++number) {
        SCOPED_TRACE(testing::Message() << "P" << number);
        const std::uint16_t* row = Row(number);
        EXPECT_EQ(row[0], 0) << "index 0 is unused";
        std::vector<int> seen(RowLength + 1, 0);
        for (int i = 1; i <= RowLength; ++i) {
            ASSERT_GE(row[i], 1) << "entry " << i;
            ASSERT_LE(row[i], RowLength) << "entry " << i;
            ++seen[row[i]];
        }
        for (int value = 1; value <= RowLength; ++value)
            EXPECT_EQ(seen[value], 1) << "value " << value;
    }
}

TEST(HashPermutations, RowsArePairwiseDifferent) {
    for (int a = 1; a <= 5; ++a)
        for (int b = a + 1; b <= 5; ++b) {
            int differing = 0;
            for (int i = 1; i <= RowLength; ++i)
                differing += Row(a)[i] != Row(b)[i];
            EXPECT_GT(differing, 0) << "P" << a << " equals P" << b;
        }
}

TEST(HashPermutations, ThirdRowStepsBy355Modulo1043) {
    int value = 11;
    for (int i = 1; i <= RowLength; ++i) {
        while (value < 1 || value > RowLength)
            value = (value + 355) % 1043;
        ASSERT_EQ(Row(3)[i], value) << "entry " << i;
        value = (value + 355) % 1043;
    }
}

// The other rows zigzag over P3: they alternate between its low half
// (entries 1..499) and its high half (500..1000) in runs of one to three.
TEST(HashPermutations, OtherRowsZigzagOverThirdRowInShortRuns) {
    std::vector<int> positionInP3(RowLength + 1);
    for (int i = 1; i <= RowLength; ++i)
        positionInP3[Row(3)[i]] = i;

    for (int number : {1, 2, 4, 5}) {
        SCOPED_TRACE(testing::Message() << "P" << number);
        const std::uint16_t* row = Row(number);
        int run = 0;
        bool previousHigh = false;
        for (int i = 1; i <= RowLength; ++i) {
            const bool high = positionInP3[row[i]] >= Middle;
            run = (i > 1 && high == previousHigh) ? run + 1 : 1;
            EXPECT_LE(run, 3) << "run ending at entry " << i;
            previousHigh = high;
        }
    }
}

// The table is part of the hash: any change to any entry would change every
// digest and lock users out of their databases. The reference entries cover
// only the ends of each row, so every row is also pinned by its 64-bit FNV-1a
// fingerprint (each entry folded in as one value).
TEST(HashPermutations, RowsMatchTheirFingerprints) {
    const std::uint64_t fingerprints[5] = {0x1d38096eac2964b9, 0x7becc2a1375f0a47,
                                           0xe9c199bbb587dd4f, 0xa627a8fa537cd92b,
                                           0x4bc94108f5825357};
    for (int number = 1; number <= 5; ++number) {
        std::uint64_t hash = 0xcbf29ce484222325;
        for (int i = 1; i <= RowLength; ++i) {
            hash ^= Row(number)[i];
            hash *= 0x100000001b3;
        }
        EXPECT_EQ(hash, fingerprints[number - 1]) << "P" << number << " has changed";
    }
}

} // namespace
