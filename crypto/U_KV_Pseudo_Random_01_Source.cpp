#include "U_KV_Pseudo_Random_01_Source.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <random>

#include <sys/random.h>

namespace {

// xoshiro256**: small, fast, and seeded from 32 bytes. Every record encoding
// reseeds two dozen times, so a reseed must cost a system call, not the
// construction of a device and the warm-up of a large state.
class Xoshiro256 {
  public:
    using result_type = std::uint64_t;
    static constexpr result_type min() { return 0; }
    static constexpr result_type max() { return ~result_type{0}; }

    void Seed(const std::uint64_t (&words)[4]) {
        std::memcpy(state_, words, sizeof state_);
        if ((state_[0] | state_[1] | state_[2] | state_[3]) == 0) {
            state_[0] = 0x9e3779b97f4a7c15ULL; // the all-zero state never leaves zero
        }
    }

    result_type operator()() {
        const std::uint64_t result = Rotate(state_[1] * 5, 7) * 9;
        const std::uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = Rotate(state_[3], 45);
        return result;
    }

  private:
    static std::uint64_t Rotate(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t state_[4] = {};
};

std::mutex& SourceMutex() {
    static std::mutex m;
    return m;
}

Xoshiro256& Generator() {
    static Xoshiro256 generator;
    return generator;
}

// Fills the words from the kernel's entropy pool; falls back to a device
// opened once should getrandom be unavailable (very old kernels).
void SystemEntropy(std::uint64_t (&words)[4]) {
    if (!KvSystemRandomBytes(reinterpret_cast<unsigned char*>(words), sizeof words)) {
        static std::random_device device;
        for (auto& w : words) {
            w = (std::uint64_t{device()} << 32) ^ device();
        }
    }
}

void ReseedLocked() {
    std::uint64_t words[4];
    SystemEntropy(words);
    // The clock is mixed in as well, so every reseed differs even should the
    // entropy source repeat itself.
    words[0] ^= static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    Generator().Seed(words);
}

// The first use seeds the generator even if a caller never reseeds.
struct InitialSeed {
    InitialSeed() { ReseedLocked(); }
};

} // namespace

void KvReseedRandom() {
    std::lock_guard lock(SourceMutex());
    ReseedLocked();
}

std::int32_t KvUniformRandom(std::int32_t low, std::int32_t high) {
    std::lock_guard lock(SourceMutex());
    static InitialSeed initial;
    if (high <= low) {
        return low;
    }
    std::uniform_int_distribution<std::int32_t> dist(low, high - 1);
    return dist(Generator());
}

bool KvSystemRandomBytes(unsigned char* data, std::size_t size) {
    while (size > 0) {
        ssize_t got = ::getrandom(data, size, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        data += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}
