// The unkeyed whole-array RAT transforms and the byte-array helpers.
#include "U_KV_RAT_01.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Amounts are signed 32-bit; the transforms use their absolute value. Widen
// first so that the most negative value has one too.
std::uint64_t AbsoluteAmount(std::int32_t amount) {
    return static_cast<std::uint64_t>(std::llabs(static_cast<long long>(amount)));
}

void Substitute(TByteArray& bytes, const TPermutationTable& table) {
    for (auto& b : bytes) {
        b = table[b];
    }
}

void AddToEvery(TByteArray& bytes, std::uint8_t c) {
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(b + c);
    }
}

} // namespace

void RatSubstituteSBox(TByteArray& bytes) {
    Substitute(bytes, RatAesSBox);
}

void RatSubstituteInvSBox(TByteArray& bytes) {
    Substitute(bytes, RatAesInvSBox);
}

void RatReverse(TByteArray& bytes) {
    if (bytes.size() < 2) {
        return;
    }
    std::reverse(bytes.begin(), bytes.end());
}

namespace {

// The effective rotation abs(amount) mod n; 0 when nothing is to move.
std::size_t RotationOf(const TByteArray& bytes, std::int32_t amount) {
    const std::size_t n = bytes.size();
    return n < 2 ? 0 : AbsoluteAmount(amount) % n;
}

} // namespace

void RatRotateRight(TByteArray& bytes, std::int32_t amount) {
    const std::size_t s = RotationOf(bytes, amount);
    if (s == 0) {
        return;
    }
    // The last s bytes move to the front, in their order.
    std::rotate(bytes.begin(), bytes.end() - static_cast<std::ptrdiff_t>(s), bytes.end());
}

void RatRotateLeft(TByteArray& bytes, std::int32_t amount) {
    const std::size_t s = RotationOf(bytes, amount);
    if (s == 0) {
        return;
    }
    std::rotate(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(s), bytes.end());
}

void RatAddConst(TByteArray& bytes, std::int32_t amount) {
    const auto c = static_cast<std::uint8_t>(AbsoluteAmount(amount) % 256);
    if (bytes.empty() || c == 0) {
        return;
    }
    AddToEvery(bytes, c);
}

void RatSubConst(TByteArray& bytes, std::int32_t amount) {
    const auto c = static_cast<std::uint8_t>(AbsoluteAmount(amount) % 256);
    if (bytes.empty() || c == 0) {
        return;
    }
    AddToEvery(bytes, static_cast<std::uint8_t>(256 - c));
}

void RatComplement(TByteArray& bytes) {
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(255 - b);
    }
}

void RatChainXorForward(TByteArray& bytes) {
    const std::size_t n = bytes.size();
    if (n < 2) {
        return;
    }
    std::uint8_t running = bytes[n - 1];
    for (std::size_t i = n - 1; i-- > 0;) {
        running ^= bytes[i];
        bytes[i] = running;
    }
}

void RatChainXorInverse(TByteArray& bytes) {
    const std::size_t n = bytes.size();
    if (n < 2) {
        return;
    }
    for (std::size_t i = 0; i + 1 < n; ++i) {
        bytes[i] ^= bytes[i + 1];
    }
}

void RatCopyBytes(const TByteArray& source, TByteArray& target) {
    if (source.empty()) {
        return;
    }
    target = source;
}

void RatAppendBytes(TByteArray& target, const TByteArray& source) {
    target.insert(target.end(), source.begin(), source.end());
}

std::string RatBytesToAnsi(const TByteArray& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

void RatAnsiToBytes(const std::string& text, TByteArray& target) {
    if (text.empty()) {
        return;
    }
    target.assign(text.begin(), text.end());
}

void RatUnpackWord32(std::uint32_t value, std::uint8_t& p0, std::uint8_t& p1, std::uint8_t& p2,
                     std::uint8_t& p3) {
    p0 = static_cast<std::uint8_t>(value);
    p1 = static_cast<std::uint8_t>(value >> 8);
    p2 = static_cast<std::uint8_t>(value >> 16);
    p3 = static_cast<std::uint8_t>(value >> 24);
}

std::uint32_t RatPackWord32(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    return static_cast<std::uint32_t>(b0) | static_cast<std::uint32_t>(b1) << 8 |
           static_cast<std::uint32_t>(b2) << 16 | static_cast<std::uint32_t>(b3) << 24;
}

void RatSwapBytes(std::uint8_t& a, std::uint8_t& b) {
    std::swap(a, b);
}
