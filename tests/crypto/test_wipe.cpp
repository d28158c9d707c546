// Wiping secret strings: over the whole buffer, and growth that leaves no
// copy behind in the block it outgrew.
#include "U_KV_Hash_and_RAT_01.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

bool AllZero(const char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

} // namespace

// A string that was moved from, emptied or shortened still holds its text in
// its buffer (a short one inside the string object itself); the wipe covers
// the whole buffer, not the length that is left.
TEST(Wipe, CoversTheWholeBufferOfEmptiedStrings) {
    const struct {
        const char* name;
        std::string text;
        void (*empty)(std::string&);
    } cases[] = {
        {"short, moved from", "short secret",
         [](std::string& s) { std::string taken = std::move(s); }},
        {"long, cleared", std::string(100, 'x'), [](std::string& s) { s.clear(); }},
        {"short, shortened", "secret 4711", [](std::string& s) { s.resize(2); }},
    };
    for (auto c : cases) {
        c.empty(c.text);
        const char* buffer = c.text.data();
        const std::size_t capacity = c.text.capacity();
        KvSecureWipe(c.text);
        EXPECT_TRUE(AllZero(buffer, capacity)) << c.name;
        EXPECT_TRUE(c.text.empty()) << c.name;
    }

    std::u16string wide = u"wide secret";
    std::u16string taken = std::move(wide);
    const char16_t* buffer = wide.data();
    KvSecureWipe(wide);
    EXPECT_EQ(std::u16string(buffer, buffer + 7), std::u16string(7, u'\0'));
}

// The hand-made growth gives the same text and list as the usual one, across
// many steps of growth, and wipes what it was handed.
TEST(Wipe, GrowthByHandKeepsTheContent) {
    std::string text;
    std::string expected;
    std::vector<std::string> texts;
    std::vector<std::string> expectedTexts;
    for (int i = 0; i < 200; ++i) {
        const std::string piece = std::to_string(i) + (i % 7 == 0 ? std::string(40, 'y') : "");
        KvSecureAppend(text, piece);
        expected += piece;
        std::string element = piece;
        KvSecurePushBack(texts, std::move(element));
        EXPECT_TRUE(element.empty());
        expectedTexts.push_back(piece);
    }
    EXPECT_EQ(text, expected);
    EXPECT_EQ(texts, expectedTexts);

    std::string target = "old secret";
    std::string value = "new";
    KvSecureAssign(target, std::move(value));
    EXPECT_EQ(target, "new");
    EXPECT_TRUE(AllZero(value.data(), value.capacity()));
}
