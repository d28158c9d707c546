// Random and pattern-filled byte arrays.
#include "U_KV_Pseudo_Random_01_Source.h"
#include "U_KV_RAT_01.h"

#include <algorithm>

void RatRandomBytes(TByteArray& target, std::int32_t count) {
    if (count <= 0) {
        return;
    }
    target.resize(static_cast<std::size_t>(count));
    KvReseedRandom();
    for (auto& b : target) {
        b = static_cast<std::uint8_t>(KvUniformRandom(0, 256));
    }
}

void RatFillBytes(TByteArray& target, std::uint8_t mode, std::int32_t count) {
    if (count <= 0) {
        return;
    }
    const auto n = static_cast<std::size_t>(count);
    target.resize(n);
    KvReseedRandom();
    switch (mode) {
    case 0:
        std::fill(target.begin(), target.end(), std::uint8_t{0});
        break;
    case 1:
        for (std::size_t i = 0; i < n; ++i) {
            target[i] = static_cast<std::uint8_t>(i % 256);
        }
        break;
    case 2:
        for (std::size_t i = 0; i < n; ++i) {
            target[i] = static_cast<std::uint8_t>(i % 255 + 1);
        }
        break;
    default:
        for (auto& b : target) {
            b = static_cast<std::uint8_t>(KvUniformRandom(0, 256));
        }
        break;
    }
}
