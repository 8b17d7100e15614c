// The engine basis helpers on hot paths beside plain baselines in the same run: the distinct millisecond
// clock (read on every texture bind) against the bare monotonic clock and a time-of-day clock, half-float
// conversion against the compiler's _Float16, and the data files' number parser against std::from_chars.
#include "GLPlatformHelpers.h"
#include "GLUtilities.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <ctime>
#include <random>
#include <string>
#include <vector>
#include "BenchBaseline.h"

namespace {

constexpr int kCount = 4096;

void BM_DistinctMillisecondClock(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(DistinctMillisecondClock());
}
BENCHMARK(BM_DistinctMillisecondClock);

void BM_MonotonicClockBaseline(benchmark::State& state)
{
    timespec ts;
    for (auto _ : state) {
        clock_gettime(CLOCK_MONOTONIC, &ts);
        benchmark::DoNotOptimize(ts);
    }
}
BENCHMARK(BM_MonotonicClockBaseline);

// What a clock built on the local time of day costs per reading.
void BM_TimeOfDayClockBaseline(benchmark::State& state)
{
    timespec ts;
    std::tm local;
    for (auto _ : state) {
        clock_gettime(CLOCK_REALTIME, &ts);
        localtime_r(&ts.tv_sec, &local);
        benchmark::DoNotOptimize(local.tm_hour * 3600000.0 + local.tm_min * 60000.0 + local.tm_sec * 1000.0 +
                                 ts.tv_nsec / 1000000);
    }
}
BENCHMARK(BM_TimeOfDayClockBaseline);

std::vector<float> SomeSingles()
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> value(-70000.0f, 70000.0f);
    std::vector<float> v(kCount);
    for (float& f : v) f = value(rng) / 1024.0f;
    return v;
}

void BM_SingleToHalfFloat(benchmark::State& state)
{
    const std::vector<float> in = SomeSingles();
    std::vector<uint16_t> out(kCount);
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) out[i] = SingleToHalfFloat(in[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_SingleToHalfFloat);

void BM_SingleToFloat16Baseline(benchmark::State& state)
{
    const std::vector<float> in = SomeSingles();
    std::vector<_Float16> out(kCount);
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) out[i] = static_cast<_Float16>(in[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_SingleToFloat16Baseline);

void BM_HalfFloatToSingle(benchmark::State& state)
{
    std::vector<uint16_t> in(kCount);
    for (int i = 0; i < kCount; ++i) in[i] = static_cast<uint16_t>(i * 16 + 3);
    std::vector<float> out(kCount);
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) out[i] = HalfFloatToSingle(in[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_HalfFloatToSingle);

std::vector<std::string> SomeNumbers()
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> value(-1000.0, 1000.0);
    std::vector<std::string> v;
    char text[32];
    for (int i = 0; i < 1024; ++i) {
        const auto end = std::to_chars(text, text + sizeof text, value(rng), std::chars_format::fixed, 6).ptr;
        v.emplace_back(text, end);
    }
    return v;
}

void BM_TryTextToFloat(benchmark::State& state)
{
    const std::vector<std::string> numbers = SomeNumbers();
    for (auto _ : state)
        for (const std::string& n : numbers) {
            double value;
            benchmark::DoNotOptimize(TryTextToFloat(n, value));
            benchmark::DoNotOptimize(value);
        }
    state.SetItemsProcessed(state.iterations() * numbers.size());
}
BENCHMARK(BM_TryTextToFloat);

void BM_FromCharsBaseline(benchmark::State& state)
{
    const std::vector<std::string> numbers = SomeNumbers();
    for (auto _ : state)
        for (const std::string& n : numbers) {
            double value;
            benchmark::DoNotOptimize(std::from_chars(n.data(), n.data() + n.size(), value));
            benchmark::DoNotOptimize(value);
        }
    state.SetItemsProcessed(state.iterations() * numbers.size());
}
BENCHMARK(BM_FromCharsBaseline);

} // namespace

BENCHMARK_BASELINE(BM_DistinctMillisecondClock, BM_MonotonicClockBaseline);
BENCHMARK_BASELINE(BM_SingleToHalfFloat, BM_SingleToFloat16Baseline);
BENCHMARK_BASELINE(BM_TryTextToFloat, BM_FromCharsBaseline);
