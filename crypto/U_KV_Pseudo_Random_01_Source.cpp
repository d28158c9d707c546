#include "U_KV_Pseudo_Random_01_Source.h"

#include <chrono>
#include <mutex>
#include <random>

namespace {

std::mutex& SourceMutex() {
    static std::mutex m;
    return m;
}

std::mt19937_64& Generator() {
    static std::mt19937_64 generator;
    return generator;
}

void ReseedLocked() {
    std::random_device device;
    const auto ticks = static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    std::seed_seq seed{device(),
                       device(),
                       device(),
                       device(),
                       device(),
                       device(),
                       static_cast<std::uint32_t>(ticks),
                       static_cast<std::uint32_t>(ticks >> 32)};
    Generator().seed(seed);
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
