// The KV hash digest and its text forms.
#include "U_KV_Hash_Standard_01.h"
#include "test_util.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {

TByteArray Digest(const TByteArray& data, std::uint8_t mode) {
    TByteArray d;
    KvHashDigest(data, mode, d);
    return d;
}

TEST(HashDigest, ModesAreDistinctAndModeZeroIsModeOne) {
    const TByteArray data = Hex("61 62 63");
    EXPECT_EQ(Digest(data, 0), Digest(data, 1));
    std::vector<TByteArray> digests;
    for (std::uint8_t mode = 1; mode <= 5; ++mode) {
        digests.push_back(Digest(data, mode));
        ASSERT_EQ(digests.back().size(), 1000u);
        for (std::size_t earlier = 0; earlier + 1 < digests.size(); ++earlier) {
            EXPECT_NE(digests[earlier], digests.back()) << "modes " << earlier + 1 << ", " << +mode;
        }
    }
    TByteArray untouched = {1, 2};
    EXPECT_THROW(KvHashDigest(data, 6, untouched), std::out_of_range);
    EXPECT_EQ(untouched, (TByteArray{1, 2}));
}

TEST(HashDigest, EmptyInputLeavesDigestUntouchedAndOneByteGivesFullDigest) {
    TByteArray d = {9, 9, 9};
    KvHashDigest({}, 1, d);
    EXPECT_EQ(d, (TByteArray{9, 9, 9}));
    EXPECT_EQ(Digest({0x00}, 1).size(), 1000u);
    EXPECT_NE(Digest({0x00}, 1), Digest({0x01}, 1));
}

TEST(HashDigest, InputsOverAThousandBytesAreFoldedNotExpanded) {
    // Folding ignores a tail byte that would XOR a position to zero, so these
    // two 1001-byte inputs fold identically; expansion would tell them apart.
    TByteArray a = Noise(1001, 8);
    a[1000] = RatAesSBox[a[0]];
    TByteArray b = a;
    b[1000] = 0;
    EXPECT_EQ(Digest(a, 1), Digest(b, 1));

    TByteArray c = Noise(1000, 8);
    TByteArray c2 = c;
    c2[999] ^= 0x80;
    EXPECT_NE(Digest(c, 1), Digest(c2, 1));
}

TEST(HashDigest, NeighbouringBytesRepeatRarely) {
    // Equal neighbours survive only where the combiner's replacement repeats
    // the previous byte, which is about 1/256 of the positions at most.
    for (unsigned seed = 0; seed < 4; ++seed) {
        const TByteArray d = Digest(Noise(37, seed), 3);
        int repeats = 0;
        for (std::size_t i = 1; i < d.size(); ++i) {
            repeats += d[i] == d[i - 1];
        }
        EXPECT_LT(repeats, 12);
    }
}

TEST(HashDigest, PinnedValues) {
    // Any change to the digest, the digit steps or the permutation rows would
    // change every database key; these values must never move.
    struct Case {
        TByteArray data;
        std::uint8_t mode;
        const char* head;
    } cases[] = {
        {Hex("61 62 63"), 1, "F6 F2 C3 07 53 A7 71 EF C4 A7 77 9D FC 21 2E 4D"},
        {Hex("61 62 63"), 5, "73 7C 47 FC CB 87 C0 FB 14 C3 1C A0 22 E3 8B ED"},
        {Noise(1001, 1), 2, "6E 05 58 53 75 C3 40 80 E0 B4 EC A7 2F F8 47 43"},
    };
    for (const auto& c : cases) {
        const TByteArray d = Digest(c.data, c.mode);
        EXPECT_EQ(ToHex(TByteArray(d.begin(), d.begin() + 16)), c.head);
    }
}

TEST(HashCase, PairsOfSameCaseLettersBreakWhereTheKeyIsOdd) {
    struct Case {
        const char* form;
        TByteArray key;
        const char* expected;
    } cases[] = {
        {"AB", {0, 1}, "Ab"},
        {"ab", {0, 1}, "aB"},
        {"AB", {1, 0}, "AB"},
        {"ABCD", {0, 1, 0, 1}, "AbCd"},
        {"ABC", {0, 1, 1}, "AbC"},
        {"A1b2", {1, 1, 1, 1}, "A1b2"},
        {"AB", {1}, "AB"},
        {"a", {1}, "a"},
        {"\xc3\x84\xc3\x84", {1, 1, 1, 1}, "\xc3\x84\xc3\x84"},
    };
    for (const auto& c : cases) {
        std::string form = c.form;
        KvHashApplyCase(form, c.key);
        EXPECT_EQ(form, c.expected) << c.form;
    }
}

TEST(HashText, FormsHaveTheRequestedLengthAndStayInTheirAlphabets) {
    struct Case {
        std::string text;
        std::uint16_t length;
        std::size_t expected;
    } cases[] = {{"a", 30, 30},
                 {"password", 0, 1000},
                 {"password", 1001, 1000},
                 {"x", 1, 1},
                 {std::string(1024, 'k'), 10, 10}};
    for (const auto& c : cases) {
        std::string h62, h64, h90;
        KvHashText(c.text, c.length, h62, h64, h90);
        ASSERT_EQ(h62.size(), c.expected);
        ASSERT_EQ(h64.size(), c.expected);
        ASSERT_EQ(h90.size(), c.expected);
        EXPECT_EQ(h62.find_first_not_of(KvAlphabet62), std::string::npos);
        EXPECT_EQ(h64.find_first_not_of(KvAlphabet64), std::string::npos);
        EXPECT_EQ(h90.find_first_not_of(KvAlphabet90), std::string::npos);
    }
}

TEST(HashText, EmptyTextGivesEmptyFormsAndShortFormsArePrefixes) {
    std::string h62 = "old", h64 = "old", h90 = "old";
    KvHashText("", 30, h62, h64, h90);
    EXPECT_EQ(h62 + h64 + h90, "");

    std::string a62, a64, a90, b62, b64, b90;
    KvHashText("correct horse", 1000, a62, a64, a90);
    KvHashText("correct horse", 20, b62, b64, b90);
    EXPECT_EQ(a62.substr(0, 20), b62);
    EXPECT_EQ(a90.substr(0, 20), b90);
    KvHashText("correct horsE", 20, b62, b64, b90);
    EXPECT_NE(a62.substr(0, 20), b62);
}

// Passphrases whose forms an AMD x87 unit computes differently: the default
// build gives the reference digits on every processor, so these forms, and
// the passwords people made from them, are the same on every machine.
TEST(HashText, FormsAreTheSameOnEveryProcessor) {
    struct Case {
        const char* text;
        const char* h62;
        const char* h64;
        const char* h90;
    } cases[] = {
        {"passphrase 31", "E0NaBqACnAy80qB0SMyRACbRj8VnQt", "AwNaBq4Al8u2uk7wQGsL8A5Ph2ThOn",
         "{6N!B+okL(4me.H60ScX(kPzRm3_y:"},
        {"passphrase 53", "87uIGObAhgsZpJyN58nZcTqEnaT2Uu", "67oE2Mx+DaoZjJsL16jVYrqElYnROo",
         "&f?+owHi]{y:>JcVb&t5i1+El8Z1!?"},
    };
    for (const auto& c : cases) {
        std::string h62, h64, h90;
        KvHashText(c.text, 30, h62, h64, h90);
        EXPECT_EQ(h62, c.h62) << c.text;
        EXPECT_EQ(h64, c.h64) << c.text;
        EXPECT_EQ(h90, c.h90) << c.text;
    }
}

} // namespace
