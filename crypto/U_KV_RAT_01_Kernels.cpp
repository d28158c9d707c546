// The 8-byte window kernels (pseudo-Hadamard transform and the three XOR
// maps) and their application over a whole array, as overlapping sliding
// windows or as blocks.
//
// The sliding loops keep the current window in registers: window i+1 is
// window i's output shifted by one byte plus the next input byte, and the
// byte that leaves the window is final. This is what makes the transforms
// cheap enough for the million-byte key arrays.
#include "U_KV_RAT_01.h"

#include <array>
#include <cstring>
#include <utility>

namespace {

// --- XOR maps ---------------------------------------------------------------

// Output byte j of a map is the XOR of the input bytes whose bits are set in
// mask[j] (bit k = input byte k).
using XorMap = std::array<std::uint8_t, 8>;

constexpr std::uint8_t Bits(std::initializer_list<int> inputs) {
    std::uint8_t mask = 0;
    for (int k : inputs) {
        mask = static_cast<std::uint8_t>(mask | (1u << k));
    }
    return mask;
}

constexpr XorMap kMixA = {Bits({1, 3, 7}),    Bits({0, 2, 6}),          Bits({1, 2, 5}),
                          Bits({0, 3, 4}),    Bits({0, 2, 3, 4, 5, 6}), Bits({1, 2, 3, 4, 5, 7}),
                          Bits({2, 4, 6, 7}), Bits({3, 5, 6, 7})};
constexpr XorMap kMixAInverse = {
    Bits({0, 1, 2, 7}),    Bits({0, 1, 3, 6}),    Bits({1, 4, 6, 7}),    Bits({0, 5, 6, 7}),
    Bits({1, 2, 3, 5, 6}), Bits({0, 2, 3, 4, 7}), Bits({0, 1, 2, 4, 6}), Bits({0, 1, 3, 5, 7})};
constexpr XorMap kMixB = {Bits({2, 4, 6}), Bits({3, 5, 7}), Bits({0, 4, 7}), Bits({1, 5, 6}),
                          Bits({1, 2, 3}), Bits({0, 2, 7}), Bits({1, 3, 5}), Bits({0, 4, 6})};
constexpr XorMap kMixBInverse = {
    Bits({0, 1, 2, 3, 4}), Bits({0, 1, 5, 6, 7}), Bits({1, 2, 3, 4, 7}), Bits({0, 2, 3, 5, 6}),
    Bits({1, 3, 4, 5, 7}), Bits({1, 2, 3, 6, 7}), Bits({0, 2, 5}),       Bits({0, 5, 7})};
constexpr XorMap kMixC = {Bits({4, 7}), Bits({5, 6}), Bits({0, 3, 4, 6, 7}), Bits({1, 2, 5, 6, 7}),
                          Bits({0, 4}), Bits({1, 5}), Bits({1, 2, 5, 6}),    Bits({0, 3, 4, 7})};
constexpr XorMap kMixCInverse = {Bits({0, 3, 4, 6}), Bits({1, 2, 5, 7}), Bits({2, 5, 6, 7}),
                                 Bits({3, 4, 6, 7}), Bits({0, 3, 6}),    Bits({1, 2, 7}),
                                 Bits({2, 7}),       Bits({3, 6})};

// All inputs are read before any output is written. The map is a template
// argument so that the compiler unrolls it into a fixed sequence of XORs.
template <std::uint8_t Mask, std::size_t... K>
inline std::uint8_t XorOfInputs(const std::uint8_t* in, std::index_sequence<K...>) {
    return static_cast<std::uint8_t>((((Mask >> K) & 1u ? in[K] : 0u) ^ ...));
}

template <XorMap Map, std::size_t... J>
inline void ApplyXorMapUnrolled(std::uint8_t* w, std::index_sequence<J...>) {
    std::uint8_t in[8];
    std::memcpy(in, w, 8);
    ((w[J] = XorOfInputs<Map[J]>(in, std::make_index_sequence<8>{})), ...);
}

template <XorMap Map> inline void ApplyXorMap(std::uint8_t* w) {
    ApplyXorMapUnrolled<Map>(w, std::make_index_sequence<8>{});
}

// Eight consecutive windows at once. The sliding application of a map is
// linear in the bytes, so eight steps together are a fixed map from 16 input
// bytes (the current window and the next 8 array bytes) to 16 output bytes
// (8 final array bytes and the window after them). The map is worked out at
// compile time by running the eight steps on symbols: each byte is a 16-bit
// mask of the inputs it is the XOR of. At run time each input byte is
// broadcast to all 8 byte lanes of a 64-bit word and masked into the outputs.
struct BlockMasks {
    std::uint64_t finals[16]; // for input k: lanes of the 8 final bytes it reaches
    std::uint64_t window[16]; // for input k: lanes of the next window it reaches
};

constexpr std::uint64_t LanesOf(const std::uint16_t (&symbols)[8], int input) {
    std::uint64_t lanes = 0;
    for (int j = 0; j < 8; ++j) {
        if (symbols[j] & (1u << input)) {
            lanes |= std::uint64_t{0xFF} << (8 * j);
        }
    }
    return lanes;
}

// Ascending: inputs 0-7 are the window at i, inputs 8-15 the bytes i+8..i+15;
// the finals are bytes i..i+7 and the window is the one at i+8.
// Descending: inputs 0-7 are the window at i, inputs 8-15 the bytes i-8..i-1;
// the finals are bytes i..i+7 and the window is the one at i-8.
constexpr BlockMasks MakeBlockMasks(const XorMap& map, bool ascending) {
    std::uint16_t win[8] = {};
    std::uint16_t finals[8] = {};
    for (int k = 0; k < 8; ++k) {
        win[k] = static_cast<std::uint16_t>(1u << k);
    }
    for (int step = 0; step < 8; ++step) {
        std::uint16_t out[8] = {};
        for (int j = 0; j < 8; ++j) {
            for (int k = 0; k < 8; ++k) {
                if (map[j] & (1u << k)) {
                    out[j] = static_cast<std::uint16_t>(out[j] ^ win[k]);
                }
            }
        }
        if (ascending) {
            finals[step] = out[0];
            for (int k = 0; k < 7; ++k) {
                win[k] = out[k + 1];
            }
            win[7] = static_cast<std::uint16_t>(1u << (8 + step));
        } else {
            finals[7 - step] = out[7];
            for (int k = 7; k > 0; --k) {
                win[k] = out[k - 1];
            }
            win[0] = static_cast<std::uint16_t>(1u << (8 + 7 - step));
        }
    }
    BlockMasks masks{};
    for (int k = 0; k < 16; ++k) {
        masks.finals[k] = LanesOf(finals, k);
        masks.window[k] = LanesOf(win, k);
    }
    return masks;
}

inline std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v; // little-endian: p[0] in the lowest lane
}

inline void Store64(std::uint8_t* p, std::uint64_t v) {
    std::memcpy(p, &v, 8);
}

template <BlockMasks Masks, std::size_t... K>
inline std::uint64_t BlockStep(std::uint64_t window, std::uint64_t next, std::uint64_t& finals,
                               std::index_sequence<K...>) {
    constexpr std::uint64_t kBroadcast = 0x0101010101010101ull;
    std::uint64_t f = 0, w = 0;
    const auto take = [&](std::size_t k) {
        const std::uint64_t source = k < 8 ? window : next;
        const std::uint64_t all = ((source >> (8 * (k % 8))) & 0xFF) * kBroadcast;
        f ^= all & Masks.finals[k];
        w ^= all & Masks.window[k];
    };
    (take(K), ...);
    finals = f;
    return w;
}

template <XorMap Map> void SlideMapForward(TByteArray& bytes) {
    constexpr BlockMasks kMasks = MakeBlockMasks(Map, true);
    const std::size_t n = bytes.size();
    if (n < 8) {
        return;
    }
    std::uint8_t* b = bytes.data();
    std::size_t i = 0;
    std::uint64_t window = Load64(b);
    for (; i + 16 <= n; i += 8) {
        std::uint64_t finals;
        window =
            BlockStep<kMasks>(window, Load64(b + i + 8), finals, std::make_index_sequence<16>{});
        Store64(b + i, finals);
    }
    std::uint8_t w[8];
    Store64(w, window);
    for (;; ++i) {
        ApplyXorMap<Map>(w);
        b[i] = w[0];
        if (i == n - 8) {
            break;
        }
        std::memmove(w, w + 1, 7);
        w[7] = b[i + 8];
    }
    std::memcpy(b + n - 7, w + 1, 7);
}

template <XorMap Map> void SlideMapInverse(TByteArray& bytes) {
    constexpr BlockMasks kMasks = MakeBlockMasks(Map, false);
    const std::size_t n = bytes.size();
    if (n < 8) {
        return;
    }
    std::uint8_t* b = bytes.data();
    std::size_t i = n - 8;
    std::uint64_t window = Load64(b + i);
    for (; i >= 8; i -= 8) {
        std::uint64_t finals;
        window =
            BlockStep<kMasks>(window, Load64(b + i - 8), finals, std::make_index_sequence<16>{});
        Store64(b + i, finals);
    }
    std::uint8_t w[8];
    Store64(w, window);
    for (;; --i) {
        ApplyXorMap<Map>(w);
        b[i + 7] = w[7];
        if (i == 0) {
            break;
        }
        std::memmove(w + 1, w, 7);
        w[0] = b[i - 1];
    }
    std::memcpy(b, w, 7);
}

// --- Pseudo-Hadamard transform ----------------------------------------------
// The window is two big-endian 32-bit words A (bytes 0-3) and B (bytes 4-7),
// held together as one big-endian 64-bit value.

inline std::uint64_t LoadBigEndian64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    for (int k = 0; k < 8; ++k) {
        v = (v << 8) | p[k];
    }
    return v;
}

inline void StoreBigEndian64(std::uint64_t v, std::uint8_t* p) {
    for (int k = 7; k >= 0; --k) {
        p[k] = static_cast<std::uint8_t>(v);
        v >>= 8;
    }
}

inline std::uint64_t PhtForward(std::uint64_t v) {
    const auto a = static_cast<std::uint32_t>(v >> 32);
    const auto b = static_cast<std::uint32_t>(v);
    const std::uint32_t a2 = 2 * a + b;
    const std::uint32_t b2 = a + b;
    return static_cast<std::uint64_t>(a2) << 32 | b2;
}

inline std::uint64_t PhtInverse(std::uint64_t v) {
    const auto a2 = static_cast<std::uint32_t>(v >> 32);
    const auto b2 = static_cast<std::uint32_t>(v);
    const std::uint32_t a = a2 - b2;
    const std::uint32_t b = 2 * b2 - a2;
    return static_cast<std::uint64_t>(a) << 32 | b;
}

} // namespace

void RatPht8Forward(std::uint8_t* window) {
    StoreBigEndian64(PhtForward(LoadBigEndian64(window)), window);
}

void RatPht8Inverse(std::uint8_t* window) {
    StoreBigEndian64(PhtInverse(LoadBigEndian64(window)), window);
}

void RatMix8AForward(std::uint8_t* window) {
    ApplyXorMap<kMixA>(window);
}
void RatMix8AInverse(std::uint8_t* window) {
    ApplyXorMap<kMixAInverse>(window);
}
void RatMix8BForward(std::uint8_t* window) {
    ApplyXorMap<kMixB>(window);
}
void RatMix8BInverse(std::uint8_t* window) {
    ApplyXorMap<kMixBInverse>(window);
}
void RatMix8CForward(std::uint8_t* window) {
    ApplyXorMap<kMixC>(window);
}
void RatMix8CInverse(std::uint8_t* window) {
    ApplyXorMap<kMixCInverse>(window);
}

void RatSlidePhtForward(TByteArray& bytes) {
    const std::size_t n = bytes.size();
    if (n < 8) {
        return;
    }
    std::uint8_t* b = bytes.data();
    std::uint64_t v = LoadBigEndian64(b);
    for (std::size_t i = 0;; ++i) {
        v = PhtForward(v);
        b[i] = static_cast<std::uint8_t>(v >> 56);
        if (i == n - 8) {
            break;
        }
        v = (v << 8) | b[i + 8];
    }
    for (int k = 1; k < 8; ++k) {
        b[n - 8 + k] = static_cast<std::uint8_t>(v >> (56 - 8 * k));
    }
}

void RatSlidePhtInverse(TByteArray& bytes) {
    const std::size_t n = bytes.size();
    if (n < 8) {
        return;
    }
    std::uint8_t* b = bytes.data();
    std::uint64_t v = LoadBigEndian64(b + n - 8);
    for (std::size_t i = n - 8;; --i) {
        v = PhtInverse(v);
        b[i + 7] = static_cast<std::uint8_t>(v);
        if (i == 0) {
            break;
        }
        v = (v >> 8) | static_cast<std::uint64_t>(b[i - 1]) << 56;
    }
    for (int k = 0; k < 7; ++k) {
        b[k] = static_cast<std::uint8_t>(v >> (56 - 8 * k));
    }
}

void RatSlideMixAForward(TByteArray& bytes) {
    SlideMapForward<kMixA>(bytes);
}
void RatSlideMixAInverse(TByteArray& bytes) {
    SlideMapInverse<kMixAInverse>(bytes);
}
void RatSlideMixBForward(TByteArray& bytes) {
    SlideMapForward<kMixB>(bytes);
}
void RatSlideMixBInverse(TByteArray& bytes) {
    SlideMapInverse<kMixBInverse>(bytes);
}
void RatSlideMixCForward(TByteArray& bytes) {
    SlideMapForward<kMixC>(bytes);
}
void RatSlideMixCInverse(TByteArray& bytes) {
    SlideMapInverse<kMixCInverse>(bytes);
}

void RatBlockPhtForward(TByteArray& bytes) {
    const std::size_t n = bytes.size();
    if (n < 8) {
        return;
    }
    std::uint8_t* b = bytes.data();
    for (std::size_t start = 0; start + 8 <= n; start += 8) {
        RatPht8Forward(b + start);
    }
    if (n % 8 != 0) {
        RatPht8Forward(b + n - 8);
    }
}

void RatBlockPhtInverse(TByteArray& bytes) {
    const std::size_t n = bytes.size();
    if (n < 8) {
        return;
    }
    std::uint8_t* b = bytes.data();
    if (n % 8 != 0) {
        RatPht8Inverse(b + n - 8);
    }
    for (std::size_t start = (n / 8 - 1) * 8;; start -= 8) {
        RatPht8Inverse(b + start);
        if (start == 0) {
            break;
        }
    }
}
