#include "U_KV_Hash_Standard_01_Digits.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr std::size_t kArgumentCount = 4096; // a power of two: the index wraps by masking

// Wrapped 32-bit sums, as the hash lanes pass them.
const std::vector<std::int64_t>& Arguments() {
    static const std::vector<std::int64_t> arguments = [] {
        std::vector<std::int64_t> values(kArgumentCount);
        std::mt19937 generator(7);
        for (auto& v : values) {
            v = static_cast<std::int32_t>(generator());
        }
        return values;
    }();
    return arguments;
}

template <std::int64_t (*Step)(std::int64_t)> void BM_DigitStep(benchmark::State& state) {
    const auto& arguments = Arguments();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Step(arguments[i]));
        i = (i + 1) & (kArgumentCount - 1);
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK_TEMPLATE(BM_DigitStep, KvSinDigits9);
BENCHMARK_TEMPLATE(BM_DigitStep, KvSinDigits10);
BENCHMARK_TEMPLATE(BM_DigitStep, KvCosDigits10);
BENCHMARK_TEMPLATE(BM_DigitStep, KvCosDigits11);
BENCHMARK_TEMPLATE(BM_DigitStep, KvSinDigits12);
BENCHMARK_TEMPLATE(BM_DigitStep, KvCosDigits12);
BENCHMARK_TEMPLATE(BM_DigitStep, KvSqrtDigits12);

void BM_RenderDecimal(benchmark::State& state) {
    const auto& arguments = Arguments();
    char buffer[kKvRenderBufferSize];
    std::size_t i = 0;
    for (auto _ : state) {
        const long double value = KvX87Sin(static_cast<long double>(arguments[i]));
        benchmark::DoNotOptimize(KvRenderDecimal(value < 0 ? -value : value, buffer));
        benchmark::ClobberMemory();
        i = (i + 1) & (kArgumentCount - 1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RenderDecimal);

void BM_ModPrime(benchmark::State& state) {
    const auto& arguments = Arguments();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(KvModPrime(arguments[i]));
        i = (i + 1) & (kArgumentCount - 1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ModPrime);

} // namespace
