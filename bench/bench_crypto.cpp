// Speed of the cryptographic core on the paths a user waits for.
#include "U_KV_Hash_Standard_01.h"
#include "U_KV_Hash_and_RAT_01.h"

#include <benchmark/benchmark.h>
#include <random>

namespace {

TByteArray Noise(std::size_t n) {
    std::mt19937 gen(42);
    TByteArray out(n);
    for (auto& b : out) {
        b = static_cast<std::uint8_t>(gen());
    }
    return out;
}

void BM_KvHashDigest1000(benchmark::State& state) {
    const TByteArray data = Noise(1000);
    TByteArray digest;
    for (auto _ : state) {
        KvHashDigest(data, 1, digest);
        benchmark::DoNotOptimize(digest.data());
    }
}
BENCHMARK(BM_KvHashDigest1000)->Unit(benchmark::kMillisecond);

void BM_KvHashText1000(benchmark::State& state) {
    std::string h62, h64, h90;
    for (auto _ : state) {
        KvHashText("a passphrase typed on the settings page", 1000, h62, h64, h90);
        benchmark::DoNotOptimize(h90.data());
    }
}
BENCHMARK(BM_KvHashText1000)->Unit(benchmark::kMillisecond);

void BM_RatTableCipherMillion(benchmark::State& state) {
    TByteArray data = Noise(1000000);
    const TByteArray key = Noise(1000);
    for (auto _ : state) {
        RatTableCipher(data, key, 1);
        benchmark::DoNotOptimize(data.data());
    }
}
BENCHMARK(BM_RatTableCipherMillion)->Unit(benchmark::kMillisecond);

void BM_KvDeriveKeyMaterial(benchmark::State& state) {
    TKeyMaterial keys;
    for (auto _ : state) {
        benchmark::DoNotOptimize(KvDeriveKeyMaterial("twelve chars", keys));
    }
}
BENCHMARK(BM_KvDeriveKeyMaterial)->Unit(benchmark::kMillisecond);

// Encrypt or decrypt including the unwrapping of the big key, as a save or
// load does.
void BM_CryptPayload(benchmark::State& state) {
    TKeyMaterial keys;
    KvDeriveKeyMaterial("twelve chars", keys);
    const bool encrypt = state.range(1) != 0;
    const TByteArray plain = Noise(static_cast<std::size_t>(state.range(0)));
    TByteArray sealed = plain;
    {
        TByteArray K = KvUnwrapKey(keys.A_GLOBAL_BH, keys.A_GLOBAL_DH);
        KvCryptPayload(sealed, K, keys.A_GLOBAL_TH, keys.A_GLOBAL_SH1, keys.A_GLOBAL_SH2, true);
    }
    for (auto _ : state) {
        state.PauseTiming();
        TByteArray p = encrypt ? plain : sealed;
        state.ResumeTiming();
        TByteArray K = KvUnwrapKey(keys.A_GLOBAL_BH, keys.A_GLOBAL_DH);
        KvCryptPayload(p, K, keys.A_GLOBAL_TH, keys.A_GLOBAL_SH1, keys.A_GLOBAL_SH2, encrypt);
        benchmark::DoNotOptimize(p.data());
    }
}
BENCHMARK(BM_CryptPayload)
    ->ArgNames({"bytes", "encrypt"})
    ->Args({100000, 1})
    ->Args({100000, 0})
    ->Args({1000000, 1})
    ->Args({1000000, 0})
    ->Unit(benchmark::kMillisecond);

} // namespace
