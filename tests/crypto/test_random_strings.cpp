#include "U_KV_Hash_Standard_01.h"
#include "U_KV_Pseudo_Random_01.h"

#include <gtest/gtest.h>

namespace {

TEST(RandomStrings, LengthsAndAlphabets) {
    EXPECT_EQ(KvRandomString90(0), "");
    EXPECT_EQ(KvRandomString90(-5), "");
    const std::string long90 = KvRandomString90(419);
    ASSERT_EQ(long90.size(), 419u);
    EXPECT_EQ(long90.find_first_not_of(KvAlphabet90), std::string::npos);
    for (int k = 0; k < 200; ++k) {
        const std::string code = KvRandomString80(4);
        ASSERT_EQ(code.size(), 4u);
        EXPECT_EQ(code.find_first_of("0123456789"), std::string::npos) << code;
        EXPECT_EQ(code.find_first_not_of(KvAlphabet90.substr(0, 80)), std::string::npos);
    }
}

TEST(RandomStrings, TextsAreFreshAndUseMostOfTheAlphabet) {
    const std::string a = KvRandomString90(2000), b = KvRandomString90(2000);
    EXPECT_NE(a, b);
    std::string seen;
    for (char c : a) {
        if (seen.find(c) == std::string::npos) {
            seen += c;
        }
    }
    EXPECT_GT(seen.size(), 85u);
}

TEST(ReplaceAll, CaseInsensitiveNonOverlapping) {
    struct Case {
        const char* text;
        const char* from;
        const char* to;
        const char* expected;
    } cases[] = {
        {"a\\\\b\\\\\\\\c", "\\\\", "\\", "a\\b\\\\c"},
        {"xXx", "X", "y", "yyy"},
        {"aaa", "aa", "b", "ba"},
        {"abc", "", "z", "abc"},
        {"Keyvale", "VALE", "", "Key"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KvReplaceAll(c.text, c.from, c.to), c.expected) << c.text;
    }
}

} // namespace
