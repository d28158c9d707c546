// The keyed RAT transforms: cyclic key addition and XOR, the twenty step
// recipes picked by a selector byte, and key-derived byte permutations.
#include "U_KV_RAT_01.h"

#include <algorithm>

// --- Key addition and XOR --------------------------------------------------

void RatKeyAdd(TByteArray& data, const TByteArray& key) {
    const std::size_t n = data.size(), L = key.size();
    if (n < 1 || L < 2) {
        return;
    }
    for (std::size_t i = 0, k = 0; i < n; ++i) {
        data[i] = static_cast<std::uint8_t>(data[i] + key[k]);
        if (++k == L) {
            k = 0;
        }
    }
}

void RatKeySub(TByteArray& data, const TByteArray& key) {
    const std::size_t n = data.size(), L = key.size();
    if (n < 1 || L < 2) {
        return;
    }
    for (std::size_t i = 0, k = 0; i < n; ++i) {
        data[i] = static_cast<std::uint8_t>(data[i] - key[k]);
        if (++k == L) {
            k = 0;
        }
    }
}

void RatKeyXor(TByteArray& data, const TByteArray& key) {
    const std::size_t n = data.size(), L = key.size();
    if (n < 1 || L < 2) {
        return;
    }
    // The last data byte meets key[0], the one before it key[1], and so on.
    for (std::size_t back = 0, k = 0; back < n; ++back) {
        data[n - 1 - back] ^= key[k];
        if (++k == L) {
            k = 0;
        }
    }
}

// --- Step recipes ------------------------------------------------------------

namespace {

using Transform = void (*)(TByteArray&);

struct MixPair {
    Transform forward;
    Transform inverse;
};

// The mixing transform M of a recipe, chosen by recipe mod 4.
constexpr MixPair kRecipeMix[4] = {
    {RatSlideMixAForward, RatSlideMixAInverse},
    {RatSlideMixBForward, RatSlideMixBInverse},
    {RatSlideMixCForward, RatSlideMixCInverse},
    {RatBlockPhtForward, RatBlockPhtInverse},
};

} // namespace

void RatStepForward(TByteArray& data, std::uint8_t selector, std::uint8_t amount) {
    const int recipe = selector % 20;
    const MixPair& mix = kRecipeMix[recipe % 4];
    switch (recipe / 4) {
    case 0:
        mix.forward(data);
        RatRotateRight(data, amount + 1);
        RatChainXorForward(data);
        break;
    case 1:
        mix.forward(data);
        RatAddConst(data, amount);
        RatReverse(data);
        break;
    case 2:
        mix.forward(data);
        RatRotateRight(data, amount);
        RatComplement(data);
        break;
    case 3:
        RatAddConst(data, amount);
        mix.forward(data);
        RatChainXorForward(data);
        break;
    default:
        RatRotateRight(data, amount);
        mix.forward(data);
        break;
    }
}

void RatStepInverse(TByteArray& data, std::uint8_t selector, std::uint8_t amount) {
    const int recipe = selector % 20;
    const MixPair& mix = kRecipeMix[recipe % 4];
    switch (recipe / 4) {
    case 0:
        RatChainXorInverse(data);
        RatRotateLeft(data, amount + 1);
        mix.inverse(data);
        break;
    case 1:
        RatReverse(data);
        RatSubConst(data, amount);
        mix.inverse(data);
        break;
    case 2:
        RatComplement(data);
        RatRotateLeft(data, amount);
        mix.inverse(data);
        break;
    case 3:
        RatChainXorInverse(data);
        mix.inverse(data);
        RatSubConst(data, amount);
        break;
    default:
        mix.inverse(data);
        RatRotateLeft(data, amount);
        break;
    }
}

// --- Key permutations ----------------------------------------------------------

namespace {

enum class PermutationKind { A, B };

constexpr std::size_t kMinimumPermutationKey = 100;
constexpr std::size_t kMaximumExchangedKey = 10000;

void DerivePermutation(const TByteArray& key, TPermutationTable& T, PermutationKind kind) {
    const std::size_t L = key.size();
    if (L < kMinimumPermutationKey) {
        return;
    }
    std::size_t m = std::min(L, kMaximumExchangedKey);
    m -= m % 2;
    const std::size_t h = m / 2;

    if (kind == PermutationKind::A) {
        for (int v = 0; v < 256; ++v) {
            T[v] = static_cast<std::uint8_t>(255 - v);
        }
    } else {
        T = RatAesSBox;
    }

    for (std::size_t p = 0; p < h; ++p) {
        std::swap(T[key[2 * p]], T[key[2 * p + 1]]);
    }

    // The whole key, not only its first m bytes, is mixed into t.
    TByteArray t = key;
    if (kind == PermutationKind::A) {
        RatSlideMixCForward(t);
    } else {
        RatSlideMixBForward(t);
    }
    RatSubstituteSBox(t);
    RatReverse(t);
    RatRotateRight(t, static_cast<std::int32_t>(h));
    RatChainXorForward(t);
    RatSlidePhtForward(t);

    for (std::size_t p = 0; p < h; ++p) {
        std::swap(T[t[2 * p]], T[t[2 * p + 1]]);
    }

    for (std::size_t i = 0; i < m; ++i) {
        const unsigned ki = key[i];
        unsigned x;
        if (kind == PermutationKind::A) {
            x = (((ki + 1) * (t[i] + 1u) + ki) ^ t[i]) + T[i % 256];
        } else {
            x = (((key[m - 1 - i] + 1u) * (t[i] + 1u) + ki) ^ t[m - 1 - i]) + T[i % 256];
        }
        t[i] = static_cast<std::uint8_t>(x);
    }

    for (std::size_t i = 0; i < m; ++i) {
        std::swap(T[i % 256], T[t[i]]);
    }
}

} // namespace

void RatKeyPermutationA(const TByteArray& key, TPermutationTable& table) {
    DerivePermutation(key, table, PermutationKind::A);
}

void RatKeyPermutationB(const TByteArray& key, TPermutationTable& table) {
    DerivePermutation(key, table, PermutationKind::B);
}

void RatApplyPermutation(TByteArray& data, const TPermutationTable& table, int forward) {
    if (data.empty()) {
        return;
    }
    if (forward != 0) {
        for (auto& b : data) {
            b = table[b];
        }
        return;
    }
    TPermutationTable inverse;
    for (int v = 0; v < 256; ++v) {
        inverse[table[v]] = static_cast<std::uint8_t>(v);
    }
    for (auto& b : data) {
        b = inverse[b];
    }
}

void RatKeyedSubstitute(TByteArray& data, const TByteArray& key, int forward) {
    // A key too short to derive a table would leave the table undefined;
    // substituting through it would destroy the data, so nothing happens.
    if (key.size() < kMinimumPermutationKey) {
        return;
    }
    TPermutationTable table{};
    RatKeyPermutationA(key, table);
    RatApplyPermutation(data, table, forward);
}
