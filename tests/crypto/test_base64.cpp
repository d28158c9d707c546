#include "U_KV_Base64_01.h"

#include <gtest/gtest.h>

namespace {

TEST(Base64, KnownEncodingsAndPadding) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\xff\xfe\x00", 3), "//4A"},
    };
    for (const auto& [plain, encoded] : cases) {
        EXPECT_EQ(Base64Encode(plain), encoded);
        EXPECT_EQ(Base64Decode(encoded), plain);
        EXPECT_EQ(Base64EncodedLength(plain.size()), encoded.size());
        EXPECT_EQ(Base64DecodedLength(encoded), plain.size());
    }
}

TEST(Base64, EveryByteStringUpTo300BytesRoundTrips) {
    std::string s;
    for (int n = 0; n <= 300; ++n) {
        EXPECT_EQ(Base64Decode(Base64Encode(s)), s) << "length " << n;
        s.push_back(static_cast<char>((n * 37 + 11) & 0xFF));
    }
}

TEST(Base64, MalformedTextDecodesToNothing) {
    const char* cases[] = {
        "Zm9vY",     // length 5
        "Zm9vYmE",   // length 7
        "Zm9v Zg==", // blank inside
        "Zg==Zm9v",  // padding before the last group
        "Z===",      // padding where a data character must stand
        "Zm=v",      // padding in the middle of the last group
        "Zm9\x80",   // byte outside the alphabet
    };
    for (const char* text : cases) {
        EXPECT_EQ(Base64Decode(text), "") << text;
    }
}

} // namespace
