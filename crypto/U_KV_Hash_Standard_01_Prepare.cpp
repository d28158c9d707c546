// Turning any non-empty input into the 1000 bytes the digest works on.
#include "U_KV_Hash_Standard_01.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Rounds 2 to 10 of the expansion; each transforms a copy t of everything
// produced so far, using the two carried key bytes.
void ExpansionRound(int round, TByteArray& t, std::uint8_t k1, std::uint8_t k2) {
    switch (round) {
    case 2:
        RatRotateRight(t, k1);
        RatAddConst(t, k2);
        RatChainXorForward(t);
        RatSlidePhtForward(t);
        break;
    case 3:
        RatAddConst(t, k1);
        RatRotateRight(t, k2);
        RatSlideMixAForward(t);
        RatReverse(t);
        RatSubstituteSBox(t);
        break;
    case 4:
        RatAddConst(t, k2);
        RatRotateRight(t, k1);
        RatSlideMixAForward(t);
        RatReverse(t);
        break;
    case 5:
        RatAddConst(t, k2);
        RatRotateRight(t, k1);
        RatSlideMixBForward(t);
        RatComplement(t);
        RatSubstituteSBox(t);
        break;
    case 6:
        RatRotateRight(t, k1);
        RatAddConst(t, k2);
        RatSlideMixCForward(t);
        RatChainXorForward(t);
        break;
    case 7:
        RatRotateRight(t, k2);
        RatAddConst(t, k1);
        RatReverse(t);
        RatSlidePhtForward(t);
        RatSubstituteSBox(t);
        break;
    case 8:
        RatRotateRight(t, k2);
        RatAddConst(t, k1);
        RatSlideMixAForward(t);
        RatComplement(t);
        break;
    case 9:
        RatAddConst(t, k1);
        RatRotateRight(t, k2);
        RatChainXorForward(t);
        RatSlideMixBForward(t);
        RatComplement(t);
        RatSubstituteSBox(t);
        break;
    default: // 10
        RatRotateRight(t, k1);
        RatAddConst(t, k2);
        RatSlideMixCForward(t);
        RatSubstituteSBox(t);
        break;
    }
}

} // namespace

void KvHashPrepareBytes(const TByteArray& input, TByteArray& out) {
    const std::size_t L = input.size();
    if (L == 0) {
        return;
    }
    TByteArray grown = input;
    grown.reserve(2048);

    // Round 1 takes its key bytes from the copy itself.
    TByteArray t = grown;
    RatReverse(t);
    RatComplement(t);
    std::uint8_t k1 = t[0];
    std::uint8_t k2 = grown[0];
    RatRotateRight(t, k1);
    RatAddConst(t, k2);
    RatChainXorForward(t);
    RatSubstituteSBox(t);
    RatAppendBytes(grown, t);
    k1 = grown[0];
    k2 = t[0];

    for (int round = 2; round <= 10 && grown.size() <= KvDigestSize; ++round) {
        t = grown;
        ExpansionRound(round, t, k1, k2);
        RatAppendBytes(grown, t);
        k1 = grown[static_cast<std::size_t>(round - 1)];
        k2 = t[0];
    }

    RatReverse(grown);
    grown.resize(KvDigestSize);
    for (std::size_t i = 0; i < std::min(L, KvDigestSize); ++i) {
        grown[i] ^= input[i];
    }
    out = std::move(grown);
}

void KvHashFoldLong(const TByteArray& input, std::int32_t width, TByteArray& out) {
    const std::size_t L = input.size();
    const auto n = static_cast<std::size_t>(std::llabs(static_cast<long long>(width)));
    if (n >= L || n == 0 || L < 2) {
        return;
    }
    TByteArray folded(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(n));
    RatSubstituteSBox(folded);
    for (std::size_t j = n; j < L; ++j) {
        const std::size_t idx = j % n;
        const std::uint8_t c = folded[idx] ^ input[j];
        // Folding never introduces a zero byte.
        if (c != 0) {
            folded[idx] = c;
        }
    }
    out = std::move(folded);
}

void KvHashPrepareText(const std::string& text, TByteArray& out) {
    KvHashPrepareBytes(TByteArray(text.begin(), text.end()), out);
}
