#include "U_KV_Hash_Standard_01_Digits.h"
#include "U_KV_Hash_Standard_01_Digits_Paths.h"

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
    std::vector<KvExtended> values;
    for (const std::int64_t x : arguments) {
        values.push_back(KvSoftAbsSin(x));
    }
    char buffer[kKvRenderBufferSize];
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(KvRenderDecimal(values[i], buffer));
        benchmark::ClobberMemory();
        i = (i + 1) & (kArgumentCount - 1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RenderDecimal);

// The software path's parts, whichever path the build's steps use: the
// sine with its table lookup, its scaling to 18 digits, and the square root.
void BM_SoftAbsSin(benchmark::State& state) {
    const auto& arguments = Arguments();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(KvSoftAbsSin(arguments[i]));
        i = (i + 1) & (kArgumentCount - 1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SoftAbsSin);

void BM_SoftSinDigits10(benchmark::State& state) {
    const auto& arguments = Arguments();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            KvTrigDigitSlice(KvSoftToDecimal18(KvSoftAbsSin(arguments[i])), 8));
        i = (i + 1) & (kArgumentCount - 1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SoftSinDigits10);

void BM_SoftSqrtDigits12(benchmark::State& state) {
    const auto& arguments = Arguments();
    std::size_t i = 0;
    for (auto _ : state) {
        const std::int64_t x = arguments[i];
        const std::uint64_t magnitude =
            x < 0 ? 0 - static_cast<std::uint64_t>(x) : static_cast<std::uint64_t>(x);
        benchmark::DoNotOptimize(KvSqrtDigitsOf(KvSoftToDecimal18(KvExtendedSqrt(magnitude + 1))));
        i = (i + 1) & (kArgumentCount - 1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SoftSqrtDigits12);

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
