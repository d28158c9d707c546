// The unkeyed RAT transforms: fixed values and exact inverses.
#include "U_KV_RAT_01.h"
#include "test_util.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

const TByteArray kLettersAtoH = Hex("61 62 63 64 65 66 67 68");

TEST(RatKernels, WindowKernelsGiveKnownOutputs) {
    struct Case {
        const char* name;
        void (*kernel)(std::uint8_t*);
        const char* expected;
    } cases[] = {
        {"PHT forward", RatPht8Forward, "28 2B 2E 30 C6 C8 CA CC"},
        {"PHT inverse", RatPht8Inverse, "FB FB FB FC 69 6A 6B 6C"},
        {"map A", RatMix8AForward, "6E 65 67 60 02 0E 09 0D"},
        {"map B", RatMix8BForward, "61 6A 6C 63 65 6A 60 63"},
        {"map C", RatMix8CForward, "0D 01 6F 68 04 04 00 08"},
    };
    for (const auto& c : cases) {
        TByteArray w = kLettersAtoH;
        c.kernel(w.data());
        EXPECT_EQ(ToHex(w), c.expected) << c.name;
    }
}

TEST(RatKernels, EveryKernelIsUndoneByItsInverseOnAllSingleBitWindows) {
    // Linear maps: checking every unit vector proves the inverse tables.
    const std::pair<void (*)(std::uint8_t*), void (*)(std::uint8_t*)> pairs[] = {
        {RatMix8AForward, RatMix8AInverse},
        {RatMix8BForward, RatMix8BInverse},
        {RatMix8CForward, RatMix8CInverse},
        {RatPht8Forward, RatPht8Inverse},
    };
    for (const auto& [forward, inverse] : pairs) {
        for (int bit = 0; bit < 64; ++bit) {
            TByteArray w(8, 0);
            w[bit / 8] = static_cast<std::uint8_t>(1u << (bit % 8));
            const TByteArray original = w;
            forward(w.data());
            inverse(w.data());
            EXPECT_EQ(w, original);
        }
    }
}

TEST(RatTransforms, FixedValues) {
    struct Case {
        const char* name;
        std::function<void(TByteArray&)> op;
        const char* input;
        const char* expected;
    } cases[] = {
        {"rotate right 2", [](TByteArray& b) { RatRotateRight(b, 2); }, "01 02 03 04 05",
         "04 05 01 02 03"},
        {"rotate right 7", [](TByteArray& b) { RatRotateRight(b, 7); }, "01 02 03 04 05",
         "04 05 01 02 03"},
        {"rotate right -2", [](TByteArray& b) { RatRotateRight(b, -2); }, "01 02 03 04 05",
         "04 05 01 02 03"},
        {"rotate right 5", [](TByteArray& b) { RatRotateRight(b, 5); }, "01 02 03 04 05",
         "01 02 03 04 05"},
        {"rotate left 2", [](TByteArray& b) { RatRotateLeft(b, 2); }, "01 02 03 04 05",
         "03 04 05 01 02"},
        {"chain forward", RatChainXorForward, "01 02 04", "07 06 04"},
        {"chain inverse", RatChainXorInverse, "07 06 04", "01 02 04"},
        {"add 10", [](TByteArray& b) { RatAddConst(b, 10); }, "FA 01", "04 0B"},
        {"add 266", [](TByteArray& b) { RatAddConst(b, 266); }, "FA 01", "04 0B"},
        {"add -10", [](TByteArray& b) { RatAddConst(b, -10); }, "FA 01", "04 0B"},
        {"sub 10", [](TByteArray& b) { RatSubConst(b, 10); }, "04 0B", "FA 01"},
        {"complement", RatComplement, "00 0F FF", "FF F0 00"},
        {"reverse odd", RatReverse, "01 02 03", "03 02 01"},
        {"S-box", RatSubstituteSBox, "00 53", "63 ED"},
        {"inverse S-box", RatSubstituteInvSBox, "63 ED", "00 53"},
        {"slide PHT nine", RatSlidePhtForward, "00 01 02 03 04 05 06 07 08",
         "04 14 1C 24 10 0D 12 17 0C"},
        {"block PHT nine", RatBlockPhtForward, "00 01 02 03 04 05 06 07 08",
         "04 14 1C 24 10 0D 12 17 0C"},
        {"block PHT sixteen", RatBlockPhtForward, "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F",
         "04 07 0A 0D 04 06 08 0A 1C 1F 22 25 14 16 18 1A"},
    };
    for (const auto& c : cases) {
        TByteArray b = Hex(c.input);
        c.op(b);
        EXPECT_EQ(ToHex(b), c.expected) << c.name;
    }
}

TEST(RatTransforms, ShortArraysStayUnchanged) {
    const std::function<void(TByteArray&)> windowed[] = {
        RatSlidePhtForward,  RatSlidePhtInverse,  RatSlideMixAForward, RatSlideMixAInverse,
        RatSlideMixBForward, RatSlideMixBInverse, RatSlideMixCForward, RatSlideMixCInverse,
        RatBlockPhtForward,  RatBlockPhtInverse};
    for (const auto& op : windowed) {
        TByteArray seven = Sequence(7, 1);
        op(seven);
        EXPECT_EQ(seven, Sequence(7, 1));
    }
    const std::function<void(TByteArray&)> pairwise[] = {
        RatReverse, RatChainXorForward, RatChainXorInverse,
        [](TByteArray& b) { RatRotateRight(b, 3); }, [](TByteArray& b) { RatRotateLeft(b, 3); }};
    for (const auto& op : pairwise) {
        TByteArray one = {0x42};
        op(one);
        EXPECT_EQ(one, TByteArray{0x42});
    }
}

struct InversePair {
    const char* name;
    std::function<void(TByteArray&, std::int32_t)> forward;
    std::function<void(TByteArray&, std::int32_t)> inverse;
};

std::vector<InversePair> AllPairs() {
    auto plain = [](void (*f)(TByteArray&)) { return [f](TByteArray& b, std::int32_t) { f(b); }; };
    return {
        {"S-box", plain(RatSubstituteSBox), plain(RatSubstituteInvSBox)},
        {"reverse", plain(RatReverse), plain(RatReverse)},
        {"rotate", RatRotateRight, RatRotateLeft},
        {"add", RatAddConst, RatSubConst},
        {"complement", plain(RatComplement), plain(RatComplement)},
        {"chain", plain(RatChainXorForward), plain(RatChainXorInverse)},
        {"slide PHT", plain(RatSlidePhtForward), plain(RatSlidePhtInverse)},
        {"slide A", plain(RatSlideMixAForward), plain(RatSlideMixAInverse)},
        {"slide B", plain(RatSlideMixBForward), plain(RatSlideMixBInverse)},
        {"slide C", plain(RatSlideMixCForward), plain(RatSlideMixCInverse)},
        {"block PHT", plain(RatBlockPhtForward), plain(RatBlockPhtInverse)},
    };
}

TEST(RatTransforms, EveryPairInvertsForEveryLengthAndAmount) {
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 17; ++n) {
        lengths.push_back(n);
    }
    lengths.push_back(64);
    lengths.push_back(257);
    for (const auto& pair : AllPairs()) {
        for (std::size_t n : lengths) {
            for (std::int32_t amount = 0; amount <= 256; ++amount) {
                const TByteArray original = Noise(n, static_cast<unsigned>(n * 1000 + amount));
                TByteArray b = original;
                pair.forward(b, amount);
                pair.inverse(b, amount);
                ASSERT_EQ(b, original) << pair.name << " length " << n << " amount " << amount;
            }
        }
    }
}

TEST(RatTransforms, EveryPairInvertsOnAMillionBytes) {
    const TByteArray original = Noise(1000000, 7);
    for (const auto& pair : AllPairs()) {
        TByteArray b = original;
        pair.forward(b, 123457);
        EXPECT_NE(b, original) << pair.name;
        pair.inverse(b, 123457);
        EXPECT_EQ(b, original) << pair.name;
    }
}

TEST(RatTransforms, SlidingKernelMatchesWindowByWindowDefinition) {
    // The register-held sliding loop must equal applying the kernel to each
    // window in turn, in ascending order for forward and descending for inverse.
    struct Case {
        void (*slide)(TByteArray&);
        void (*kernel)(std::uint8_t*);
        bool ascending;
    } cases[] = {
        {RatSlidePhtForward, RatPht8Forward, true},   {RatSlidePhtInverse, RatPht8Inverse, false},
        {RatSlideMixAForward, RatMix8AForward, true}, {RatSlideMixAInverse, RatMix8AInverse, false},
        {RatSlideMixBForward, RatMix8BForward, true}, {RatSlideMixBInverse, RatMix8BInverse, false},
        {RatSlideMixCForward, RatMix8CForward, true}, {RatSlideMixCInverse, RatMix8CInverse, false},
    };
    for (const auto& c : cases) {
        for (std::size_t n : {8u, 9u, 15u, 16u, 17u, 23u, 24u, 100u, 1001u}) {
            TByteArray fast = Noise(n, 99);
            TByteArray slow = fast;
            c.slide(fast);
            for (std::size_t k = 0; k + 8 <= n; ++k) {
                const std::size_t i = c.ascending ? k : n - 8 - k;
                c.kernel(slow.data() + i);
            }
            EXPECT_EQ(fast, slow) << "length " << n;
        }
    }
}

TEST(RatHelpers, CopyAppendAndWords) {
    TByteArray target = {9, 9};
    RatCopyBytes({}, target);
    EXPECT_EQ(target, (TByteArray{9, 9}));
    RatCopyBytes({1, 2, 3}, target);
    EXPECT_EQ(target, (TByteArray{1, 2, 3}));
    RatAppendBytes(target, {4});
    EXPECT_EQ(target, (TByteArray{1, 2, 3, 4}));

    RatAnsiToBytes("", target);
    EXPECT_EQ(target.size(), 4u);
    RatAnsiToBytes("\xff"
                   "A",
                   target);
    EXPECT_EQ(target, (TByteArray{0xFF, 0x41}));
    EXPECT_EQ(RatBytesToAnsi(target), "\xff"
                                      "A");

    std::uint8_t p0, p1, p2, p3;
    RatUnpackWord32(0x11223344u, p0, p1, p2, p3);
    EXPECT_EQ((TByteArray{p0, p1, p2, p3}), (TByteArray{0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(RatPackWord32(p0, p1, p2, p3), 0x11223344u);
}

} // namespace
