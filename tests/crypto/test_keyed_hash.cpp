#include "U_KV_Keyed_Hash_01.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TKeyedHashKey CountingKey() {
    TKeyedHashKey key{};
    for (std::size_t i = 0; i < key.size(); ++i) {
        key[i] = static_cast<std::uint8_t>(i);
    }
    return key;
}

std::string CountingBytes(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += static_cast<char>(i);
    }
    return s;
}

// The published SipHash-2-4 values for key 00..0f and message 00..(n-1):
// whole words, a partial last word and the empty message.
TEST(KeyedHash, ReferenceValues) {
    const struct {
        std::size_t length;
        std::uint64_t expected;
    } cases[] = {
        {0, 0x726fdb47dd0e0e31ULL},
        {8, 0x93f5f5799a932462ULL},
        {15, 0xa129ca6149be45e5ULL},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KvKeyedHash(CountingKey(), CountingBytes(c.length)), c.expected) << c.length;
    }
}

TEST(KeyedHash, FreshKeysGiveUnrelatedValues) {
    TKeyedHashKey a{}, b{};
    ASSERT_TRUE(KvNewKeyedHashKey(a));
    ASSERT_TRUE(KvNewKeyedHashKey(b));
    EXPECT_NE(a, b);
    EXPECT_EQ(KvKeyedHash(a, "password1"), KvKeyedHash(a, "password1"));
    EXPECT_NE(KvKeyedHash(a, "password1"), KvKeyedHash(b, "password1"));
    EXPECT_NE(KvKeyedHash(a, "password1"), KvKeyedHash(a, "password2"));
}

} // namespace
