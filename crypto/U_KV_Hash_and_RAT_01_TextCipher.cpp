// The text-field cipher: ten unkeyed rounds of RAT transforms, carried as
// Base64 so that node texts hold no blanks or line breaks.
#include "U_KV_Base64_01.h"
#include "U_KV_Hash_and_RAT_01.h"

namespace {
constexpr int kTextRounds = 10;
}

TByteArray KvTextRoundsForward(const std::string& text) {
    TByteArray b(text.begin(), text.end());
    for (int i = 1; i <= kTextRounds; ++i) {
        const int k = i * i;
        RatSlidePhtForward(b);
        RatChainXorForward(b);
        RatComplement(b);
        RatSlidePhtForward(b);
        RatReverse(b);
        RatRotateRight(b, k);
        RatChainXorForward(b);
        RatComplement(b);
        RatAddConst(b, k);
        RatSlidePhtForward(b);
        RatChainXorForward(b);
    }
    return b;
}

std::string KvTextRoundsInverse(TByteArray b) {
    for (int i = kTextRounds; i >= 1; --i) {
        const int k = i * i;
        RatChainXorInverse(b);
        RatSlidePhtInverse(b);
        RatSubConst(b, k);
        RatComplement(b);
        RatChainXorInverse(b);
        RatRotateLeft(b, k);
        RatReverse(b);
        RatSlidePhtInverse(b);
        RatComplement(b);
        RatChainXorInverse(b);
        RatSlidePhtInverse(b);
    }
    return RatBytesToAnsi(b);
}

std::string KvEncipherText(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    return Base64Encode(RatBytesToAnsi(KvTextRoundsForward(text)));
}

std::string KvDecipherText(const std::string& base64) {
    if (base64.empty()) {
        return {};
    }
    const std::string scrambled = Base64Decode(base64);
    if (scrambled.empty()) {
        return {};
    }
    return KvTextRoundsInverse(TByteArray(scrambled.begin(), scrambled.end()));
}
