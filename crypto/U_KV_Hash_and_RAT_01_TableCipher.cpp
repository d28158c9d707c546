// The table cipher and the keyed rounds.
#include "U_KV_Hash_and_RAT_01.h"

void RatTableCipher(TByteArray& data, const TByteArray& key, int forward) {
    if (key.size() < 100) {
        return;
    }
    TPermutationTable t1{}, t2{};
    RatKeyPermutationA(key, t1);
    RatKeyPermutationB(key, t2);
    const auto substitute = [&](const TPermutationTable& t) {
        RatApplyPermutation(data, t, forward);
    };

    if (forward != 0) {
        substitute(t1);
        RatChainXorForward(data);
        RatBlockPhtForward(data);
        substitute(t2);
        RatSlideMixAForward(data);
        substitute(t1);
        RatSlideMixBForward(data);
        substitute(t2);
        RatSlideMixCForward(data);
        substitute(t1);
    } else {
        substitute(t1);
        RatSlideMixCInverse(data);
        substitute(t2);
        RatSlideMixBInverse(data);
        substitute(t1);
        RatSlideMixAInverse(data);
        substitute(t2);
        RatBlockPhtInverse(data);
        RatChainXorInverse(data);
        substitute(t1);
    }
}

void RatKeyedRounds(TByteArray& data, const TByteArray& key, int forward, std::uint16_t rounds) {
    const std::size_t n = rounds;
    if (data.empty() || key.size() < 2 * n) {
        return;
    }
    if (forward != 0) {
        for (std::size_t i = 0; i < n; ++i) {
            // Read both bytes now: when key is data, earlier rounds changed them.
            const std::uint8_t selector = key[i];
            const std::uint8_t amount = key[i + n];
            RatStepForward(data, selector, amount);
        }
    } else {
        for (std::size_t i = n; i-- > 0;) {
            const std::uint8_t selector = key[i];
            const std::uint8_t amount = key[i + n];
            RatStepInverse(data, selector, amount);
        }
    }
}
