// The text-field cipher, the table cipher and the keyed rounds.
#include "U_KV_Hash_and_RAT_01.h"
#include "test_util.h"

#include <gtest/gtest.h>

namespace {

TEST(TextCipher, RoundTripsEveryShortLengthAndEveryByteValue) {
    std::string all;
    for (int v = 0; v < 256; ++v) {
        all.push_back(static_cast<char>(v));
    }
    for (std::size_t n = 1; n <= 300; ++n) {
        const std::string s = all.substr(0, n % 256) + std::string(n / 256, '\x01');
        const std::string sealed = KvEncipherText(s);
        EXPECT_EQ(KvDecipherText(sealed), s) << "length " << n;
        EXPECT_EQ(sealed.find_first_of(" \t\r\n"), std::string::npos);
    }
}

TEST(TextCipher, LengthsAreDeterministicAndEmptyStaysEmpty) {
    EXPECT_EQ(KvEncipherText(""), "");
    EXPECT_EQ(KvDecipherText(""), "");
    const std::string one = KvEncipherText("x");
    EXPECT_EQ(one.size(), 4u);
    EXPECT_EQ(one.substr(2), "==");
    EXPECT_EQ(KvEncipherText(std::string(210, 'a')).size(), 280u);
    EXPECT_EQ(KvEncipherText("same input"), KvEncipherText("same input"));
    EXPECT_NE(KvEncipherText("same input"), KvEncipherText("same inpuT"));
    // The scrambling is real: the plain text does not show through.
    EXPECT_EQ(KvEncipherText("abcdefghijklmnop").find("YWJj"), std::string::npos);
}

TEST(TextCipher, TextThatIsNotBase64DeciphersToNothing) {
    EXPECT_EQ(KvDecipherText("abc"), "");
    EXPECT_EQ(KvDecipherText("ab c"), "");
}

TEST(TableCipher, InvertsForEveryLengthAndChangesData) {
    const TByteArray key = Noise(1000, 21);
    for (std::size_t n : {0u, 1u, 2u, 7u, 8u, 9u, 17u, 1000u, 4099u}) {
        const TByteArray original = Noise(n, static_cast<unsigned>(n + 1));
        TByteArray data = original;
        RatTableCipher(data, key, 1);
        if (n > 0) {
            EXPECT_NE(data, original) << "length " << n;
        }
        RatTableCipher(data, key, 0);
        EXPECT_EQ(data, original) << "length " << n;
    }
}

TEST(TableCipher, DependsOnEveryPartOfTheKeyAndRefusesShortKeys) {
    const TByteArray original = Noise(64, 3);
    TByteArray key = Noise(1000, 22);
    TByteArray a = original;
    RatTableCipher(a, key, 1);
    key[999] ^= 1;
    TByteArray b = original;
    RatTableCipher(b, key, 1);
    EXPECT_NE(a, b);

    TByteArray untouched = original;
    RatTableCipher(untouched, Noise(99, 1), 1);
    EXPECT_EQ(untouched, original);
}

TEST(KeyedRounds, InvertWithASeparateKeyAndRespectBounds) {
    const TByteArray key = Noise(60, 31);
    const TByteArray original = Noise(500, 32);
    TByteArray data = original;
    RatKeyedRounds(data, key, 1, 30);
    EXPECT_NE(data, original);
    RatKeyedRounds(data, key, 0, 30);
    EXPECT_EQ(data, original);

    RatKeyedRounds(data, key, 1, 0);
    EXPECT_EQ(data, original) << "zero rounds";
    RatKeyedRounds(data, Noise(59, 31), 1, 30);
    EXPECT_EQ(data, original) << "key one byte short of two per round";
    TByteArray empty;
    RatKeyedRounds(empty, key, 1, 30);
    EXPECT_TRUE(empty.empty());
}

TEST(KeyedRounds, DataAsItsOwnKeyReadsBytesAsEarlierRoundsLeftThem) {
    TByteArray self = Noise(100, 41);
    TByteArray manual = self;
    RatKeyedRounds(self, self, 1, 3);
    for (std::size_t i = 0; i < 3; ++i) {
        const std::uint8_t selector = manual[i], amount = manual[i + 3];
        RatStepForward(manual, selector, amount);
    }
    EXPECT_EQ(self, manual);
}

} // namespace
