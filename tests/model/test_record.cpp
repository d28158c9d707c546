#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_TreeView_Data_Record.h"
#include "U_Keyvale_TreeView_Data_Text.h"

#include <gtest/gtest.h>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

TEST(RecordLengthCode, ZerosBecomeRandomNonDigits) {
    struct Case {
        std::size_t n;
        const char* digits; // the code before its zeros are masked
    };
    const Case cases[] = {{0, "0000"}, {5, "0005"}, {105, "0105"}, {1000, "1000"}, {9999, "9999"}};
    for (const Case& c : cases) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            std::string code = RecordLengthEncode(c.n);
            ASSERT_EQ(code.size(), 4u);
            for (std::size_t i = 0; i < 4; ++i) {
                if (c.digits[i] == '0') {
                    EXPECT_FALSE(IsDigit(code[i])) << c.n << " -> " << code;
                } else {
                    EXPECT_EQ(code[i], c.digits[i]) << c.n << " -> " << code;
                }
            }
            EXPECT_EQ(RecordLengthDecode(code), c.n) << code;
        }
    }
    EXPECT_EQ(RecordLengthDecode(""), 0u);
    EXPECT_EQ(RecordLengthDecode("x1y2"), 102u);
    EXPECT_EQ(RecordLengthDecode("12"), 12u);
}

// The deciphered plain text of a data node, as 16-bit units.
std::u16string PlainOf(const std::string& dataNode) {
    return Utf8ToUtf16(KvDecipherText(dataNode));
}

TEST(RecordData, FieldsSurviveEncodingExactly) {
    const std::string smiley = "\xF0\x9F\x98\x80"; // outside the BMP: 2 units
    const TRecordFields cases[] = {
        {"", "", "", "", ""},
        {" ", "  \t ", "\r\n", " ", "   "},
        {"a", "", "", "", ""},
        {std::string(1000, 'L'), std::string(9999, 'P'), "", "", std::string(8000, 'N')},
        {"J\xC3\xBCrgen", "p\xC3\xA4ss " + smiley, "\xE2\x82\xAC@x.org", smiley + smiley,
         "line 1\r\nline 2\n\xD0\x96"},
        {"0000", "9999", "login", "http://x", "0"},
    };
    for (const TRecordFields& fields : cases) {
        std::string encoded = RecordDataEncode(fields);
        EXPECT_GE(encoded.size(), 280u);
        EXPECT_NE(encoded.front(), ' ');
        EXPECT_EQ(RecordDataDecode(encoded), fields) << fields.login.substr(0, 20);
    }
}

TEST(RecordData, ShortRecordIsPaddedTo210AndLongOneIsNot) {
    std::u16string shortPlain = PlainOf(RecordDataEncode("abc", "", "", "", ""));
    ASSERT_EQ(shortPlain.size(), 210u);
    EXPECT_EQ(shortPlain.substr(20, 3), u"abc");

    std::string smiley = "\xF0\x9F\x98\x80";
    std::u16string counted = PlainOf(RecordDataEncode(smiley, "", "", "", ""));
    EXPECT_EQ(counted.size(), 210u) << "a character outside the BMP counts two units";
    EXPECT_EQ(std::u16string(counted.begin(), counted.begin() + 4).substr(3), u"2");

    std::u16string longPlain = PlainOf(RecordDataEncode(std::string(190, 'x'), "", "", "", ""));
    EXPECT_EQ(longPlain.size(), 210u) << "exactly 210 needs no filler";
    std::u16string longer = PlainOf(RecordDataEncode(std::string(191, 'x'), "", "", "", ""));
    EXPECT_EQ(longer.size(), 211u);
}

TEST(RecordData, EncodingTwiceDiffersButDecodesTheSame) {
    TRecordFields fields{"ann", "s3cret", "", "", ""};
    std::string first = RecordDataEncode(fields);
    std::string second = RecordDataEncode(fields);
    EXPECT_NE(first, second);
    EXPECT_EQ(RecordDataDecode(first), fields);
    EXPECT_EQ(RecordDataDecode(second), fields);
}

TEST(RecordData, OverlongFieldIsCutNotCorrupted) {
    TRecordFields fields{"", "", "", "", std::string(10005, 'n')};
    TRecordFields decoded = RecordDataDecode(RecordDataEncode(fields));
    EXPECT_EQ(decoded.note, std::string(9999, 'n'));
}

TEST(RecordData, UndecodableOrShortTextGivesWhatIsThere) {
    EXPECT_EQ(RecordDataDecode("not base64 at all!!"), TRecordFields{});
    EXPECT_EQ(RecordDataDecode(""), TRecordFields{});
    EXPECT_EQ(RecordDataDecode(KvEncipherText("0003000")), TRecordFields{})
        << "fewer than 20 characters of codes";
    // Codes promise 3, 5 and 4 characters but only 6 follow.
    TRecordFields cut = RecordDataDecode(KvEncipherText("0003000500040000xxxxabcdef"));
    EXPECT_EQ(cut, (TRecordFields{"abc", "def", "", "", ""}));
}

// The merge must tell a record it can rewrite from one it cannot read whole.
TEST(RecordData, DecodeWholeRefusesWhatIsNotThere) {
    const std::string notWhole[] = {
        "not base64 at all!!",
        "",
        KvEncipherText("0003000"),
        KvEncipherText("0003000500040000xxxxabcdef"), // promises 12, holds 6
        KvEncipherText("\xC3\xA9"
                       "003000500040000xxxxabcdefghijkl"), // a code not ASCII
    };
    for (const std::string& text : notWhole) {
        EXPECT_FALSE(RecordDataDecodeWhole(text).has_value()) << text;
    }
    const std::optional<TRecordFields> empty = RecordDataDecodeWhole(RecordDataEncode({}));
    ASSERT_TRUE(empty.has_value());
    EXPECT_EQ(*empty, TRecordFields{});
    const std::optional<TRecordFields> whole =
        RecordDataDecodeWhole(KvEncipherText("0003000500040000xxxxabcdefghijkl"));
    ASSERT_TRUE(whole.has_value());
    EXPECT_EQ(*whole, (TRecordFields{"abc", "defgh", "ijkl", "", ""}));
}

} // namespace
