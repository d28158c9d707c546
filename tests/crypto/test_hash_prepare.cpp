// Input preparation of the KV hash: expansion and folding.
#include "U_KV_Hash_Standard_01.h"
#include "test_util.h"

#include <gtest/gtest.h>

namespace {

std::string Head(const TByteArray& b, std::size_t n) {
    return ToHex(TByteArray(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n)));
}
std::string Tail(const TByteArray& b, std::size_t n) {
    return ToHex(TByteArray(b.end() - static_cast<std::ptrdiff_t>(n), b.end()));
}

TEST(HashPrepare, ExpansionGivesKnownBytes) {
    struct Case {
        TByteArray input;
        const char* head;
        const char* tail;
    } cases[] = {
        {Hex("41"), "47 D3 99 65 7A 03 29 BD 9B 67 39 31 E9 91 C6 44", "D3 E8 80 FB EE 81 E2 8C"},
        {Hex("61 62 63"), "83 70 9E 8A 67 3A 96 FA 28 D7 C8 8F 5D FD FD 2A",
         "6D 84 79 B5 D8 AE 71 AD"},
        {Sequence(10), "8E B5 07 B0 2E 9B C8 EB DE AD 3B 36 D3 CC 37 D8",
         "24 0A 79 E6 59 4A 66 27"},
    };
    for (const auto& c : cases) {
        TByteArray out;
        KvHashPrepareBytes(c.input, out);
        ASSERT_EQ(out.size(), 1000u);
        EXPECT_EQ(Head(out, 16), c.head);
        EXPECT_EQ(Tail(out, 8), c.tail);
    }
}

TEST(HashPrepare, TextEntryUsesTheStringBytesAndEmptyLeavesOutputAlone) {
    TByteArray fromText, fromBytes;
    KvHashPrepareText("abc", fromText);
    KvHashPrepareBytes(Hex("61 62 63"), fromBytes);
    EXPECT_EQ(fromText, fromBytes);

    TByteArray untouched = {1, 2, 3};
    KvHashPrepareBytes({}, untouched);
    KvHashPrepareText("", untouched);
    EXPECT_EQ(untouched, (TByteArray{1, 2, 3}));
}

TEST(HashPrepare, EveryLengthUpToTheCalculatorLimitGivesAThousandBytes) {
    // Lengths at the round boundaries (1, 2, 62, 63, 500, 501, 1000) and a
    // 1024-character text whose bytes beyond the thousandth still matter.
    for (std::size_t n : {1u, 2u, 3u, 8u, 62u, 63u, 500u, 501u, 1000u, 1024u}) {
        TByteArray out;
        KvHashPrepareBytes(Noise(n, 3), out);
        EXPECT_EQ(out.size(), 1000u) << n;
    }
    TByteArray a = Noise(1024, 4), b = a;
    b[1023] ^= 1;
    TByteArray pa, pb;
    KvHashPrepareBytes(a, pa);
    KvHashPrepareBytes(b, pb);
    EXPECT_NE(pa, pb);
}

TEST(HashPrepare, FoldingMapsTailPositionsOntoTheStartAndNeverWritesZero) {
    TByteArray input = Noise(1001, 5);
    TByteArray out;
    KvHashFoldLong(input, 1000, out);
    ASSERT_EQ(out.size(), 1000u);
    EXPECT_EQ(out[0], RatAesSBox[input[0]] ^ input[1000]);
    EXPECT_EQ(out[1], RatAesSBox[input[1]]);

    // A tail byte equal to the current value would give zero: ignored.
    input[1000] = RatAesSBox[input[0]];
    KvHashFoldLong(input, 1000, out);
    EXPECT_EQ(out[0], RatAesSBox[input[0]]);

    TByteArray untouched = {7};
    KvHashFoldLong(Noise(1000, 1), 1000, untouched); // width not below the length
    KvHashFoldLong(Noise(10, 1), 0, untouched);
    KvHashFoldLong(Noise(1, 1), 1, untouched);
    EXPECT_EQ(untouched, TByteArray{7});
}

} // namespace
