// SipHash-2-4: two compression rounds per 8-byte word, four to finish.
#include "U_KV_Keyed_Hash_01.h"

#include "U_KV_Pseudo_Random_01_Source.h"

namespace {

std::uint64_t RotateLeft(std::uint64_t x, int bits) {
    return (x << bits) | (x >> (64 - bits));
}

std::uint64_t ReadLittleEndian(const unsigned char* p, std::size_t n) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < n; ++i) {
        value |= std::uint64_t{p[i]} << (8 * i);
    }
    return value;
}

struct SipState {
    std::uint64_t v0, v1, v2, v3;

    void Round() {
        v0 += v1;
        v1 = RotateLeft(v1, 13);
        v1 ^= v0;
        v0 = RotateLeft(v0, 32);
        v2 += v3;
        v3 = RotateLeft(v3, 16);
        v3 ^= v2;
        v0 += v3;
        v3 = RotateLeft(v3, 21);
        v3 ^= v0;
        v2 += v1;
        v1 = RotateLeft(v1, 17);
        v1 ^= v2;
        v2 = RotateLeft(v2, 32);
    }

    void Absorb(std::uint64_t word) {
        v3 ^= word;
        Round();
        Round();
        v0 ^= word;
    }
};

} // namespace

std::uint64_t KvKeyedHash(const TKeyedHashKey& key, std::string_view data) {
    const std::uint64_t k0 = ReadLittleEndian(key.data(), 8);
    const std::uint64_t k1 = ReadLittleEndian(key.data() + 8, 8);
    SipState s{k0 ^ 0x736f6d6570736575ULL, k1 ^ 0x646f72616e646f6dULL, k0 ^ 0x6c7967656e657261ULL,
               k1 ^ 0x7465646279746573ULL};
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    const std::size_t whole = data.size() - data.size() % 8;
    for (std::size_t i = 0; i < whole; i += 8) {
        s.Absorb(ReadLittleEndian(bytes + i, 8));
    }
    // The last word carries the remaining bytes and the length's low byte.
    s.Absorb(ReadLittleEndian(bytes + whole, data.size() - whole) |
             (std::uint64_t{data.size() & 0xff} << 56));
    s.v2 ^= 0xff;
    for (int i = 0; i < 4; ++i) {
        s.Round();
    }
    return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

bool KvNewKeyedHashKey(TKeyedHashKey& key) {
    return KvSystemRandomBytes(key.data(), key.size());
}
