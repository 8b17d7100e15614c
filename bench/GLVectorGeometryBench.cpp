// The per-vertex vector routines, each beside a plain loop doing the same arithmetic: the ratio of a pair is
// what the routine's calling convention and aliasing safety cost.
#include "GLVectorGeometry.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>
#include "BenchBaseline.h"

namespace {

constexpr int32_t kCount = 1 << 16;

std::vector<TVector3f> RandomVectors(unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> component(-100.0f, 100.0f);
    std::vector<TVector3f> v(kCount);
    for (TVector3f& p : v)
        p = TVector3f{{{component(random), component(random), component(random)}}};
    return v;
}

std::vector<float> RandomFloats(unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> value(-100.0f, 100.0f);
    std::vector<float> v(3 * kCount);
    for (float& f : v)
        f = value(random);
    return v;
}

void SetItems(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations() * kCount);
}

// Normalising in place: already unit vectors cost the same as any others.
void BM_AffineArrayNormalizeInPlace(benchmark::State& state)
{
    std::vector<TVector3f> v = RandomVectors(1);
    for (auto _ : state) {
        AffineArrayNormalizeInPlace(v.data(), kCount);
        benchmark::ClobberMemory();
    }
    SetItems(state);
}

void BM_PlainNormalizeLoop(benchmark::State& state)
{
    std::vector<float> f = RandomFloats(1);
    for (auto _ : state) {
        for (int32_t i = 0; i < kCount; ++i) {
            float* p = &f[3 * i];
            const double s = static_cast<double>(p[0]) * p[0] + static_cast<double>(p[1]) * p[1] +
                             static_cast<double>(p[2]) * p[2];
            const double k = s == 0.0 ? 0.0 : 1.0 / std::sqrt(s);
            p[0] = static_cast<float>(p[0] * k);
            p[1] = static_cast<float>(p[1] * k);
            p[2] = static_cast<float>(p[2] * k);
        }
        benchmark::ClobberMemory();
    }
    SetItems(state);
}

void BM_AffineDotSum(benchmark::State& state)
{
    const std::vector<TVector3f> a = RandomVectors(2), b = RandomVectors(3);
    for (auto _ : state) {
        double sum = 0;
        for (int32_t i = 0; i < kCount; ++i)
            sum += AffineDot(a[i], b[i]);
        benchmark::DoNotOptimize(sum);
    }
    SetItems(state);
}

void BM_PlainDotSumLoop(benchmark::State& state)
{
    const std::vector<float> a = RandomFloats(2), b = RandomFloats(3);
    for (auto _ : state) {
        double sum = 0;
        for (int32_t i = 0; i < 3 * kCount; i += 3)
            sum += static_cast<double>(a[i]) * b[i] + static_cast<double>(a[i + 1]) * b[i + 1] +
                   static_cast<double>(a[i + 2]) * b[i + 2];
        benchmark::DoNotOptimize(sum);
    }
    SetItems(state);
}

void BM_AffineCrossArray(benchmark::State& state)
{
    const std::vector<TVector3f> a = RandomVectors(4), b = RandomVectors(5);
    std::vector<TVector3f> r(kCount);
    for (auto _ : state) {
        for (int32_t i = 0; i < kCount; ++i)
            AffineCross(a[i], b[i], r[i]);
        benchmark::ClobberMemory();
    }
    SetItems(state);
}

void BM_PlainCrossLoop(benchmark::State& state)
{
    const std::vector<float> a = RandomFloats(4), b = RandomFloats(5);
    std::vector<float> r(3 * kCount);
    for (auto _ : state) {
        for (int32_t i = 0; i < 3 * kCount; i += 3) {
            const double ax = a[i], ay = a[i + 1], az = a[i + 2], bx = b[i], by = b[i + 1], bz = b[i + 2];
            r[i] = static_cast<float>(ay * bz - az * by);
            r[i + 1] = static_cast<float>(az * bx - ax * bz);
            r[i + 2] = static_cast<float>(ax * by - ay * bx);
        }
        benchmark::ClobberMemory();
    }
    SetItems(state);
}

void BM_AffineArrayAdd(benchmark::State& state)
{
    const std::vector<TVector3f> a = RandomVectors(6);
    std::vector<TVector3f> r(kCount);
    const TVector3f delta{{{1.5f, -2.0f, 0.25f}}};
    for (auto _ : state) {
        AffineArrayAdd(a.data(), delta, kCount, r.data());
        benchmark::ClobberMemory();
    }
    SetItems(state);
}

void BM_PlainArrayAddLoop(benchmark::State& state)
{
    const std::vector<float> a = RandomFloats(6);
    std::vector<float> r(3 * kCount);
    const float delta[3] = {1.5f, -2.0f, 0.25f};
    for (auto _ : state) {
        for (int32_t i = 0; i < 3 * kCount; i += 3) {
            r[i] = a[i] + delta[0];
            r[i + 1] = a[i + 1] + delta[1];
            r[i + 2] = a[i + 2] + delta[2];
        }
        benchmark::ClobberMemory();
    }
    SetItems(state);
}

void BM_AffineArrayLerp(benchmark::State& state)
{
    const std::vector<TVector3f> a = RandomVectors(7), b = RandomVectors(8);
    std::vector<TVector3f> r(kCount);
    for (auto _ : state) {
        AffineArrayLerp(a.data(), b.data(), kCount, 0.3f, r.data());
        benchmark::ClobberMemory();
    }
    SetItems(state);
}

void BM_PlainLerpLoop(benchmark::State& state)
{
    const std::vector<float> a = RandomFloats(7), b = RandomFloats(8);
    std::vector<float> r(3 * kCount);
    const double t = 0.3f;
    for (auto _ : state) {
        for (int32_t i = 0; i < 3 * kCount; ++i)
            r[i] = static_cast<float>(a[i] + t * (static_cast<double>(b[i]) - a[i]));
        benchmark::ClobberMemory();
    }
    SetItems(state);
}

// Three floats per vector, so the float-array pair walks as many values as the vector pairs.
void BM_FloatArrayScaleInPlace(benchmark::State& state)
{
    std::vector<float> f = RandomFloats(9);
    for (auto _ : state) {
        FloatArrayScaleInPlace(f.data(), 3 * kCount, 1.0f);
        benchmark::ClobberMemory();
    }
    SetItems(state);
}

void BM_PlainScaleLoop(benchmark::State& state)
{
    std::vector<float> f = RandomFloats(9);
    float factor = 1.0f;
    benchmark::DoNotOptimize(factor);  // no folding of the multiplication by 1
    for (auto _ : state) {
        for (float& x : f)
            x *= factor;
        benchmark::ClobberMemory();
    }
    SetItems(state);
}

}  // namespace

BENCHMARK(BM_AffineArrayNormalizeInPlace);
BENCHMARK(BM_PlainNormalizeLoop);
BENCHMARK(BM_AffineDotSum);
BENCHMARK(BM_PlainDotSumLoop);
BENCHMARK(BM_AffineCrossArray);
BENCHMARK(BM_PlainCrossLoop);
BENCHMARK(BM_AffineArrayAdd);
BENCHMARK(BM_PlainArrayAddLoop);
BENCHMARK(BM_AffineArrayLerp);
BENCHMARK(BM_PlainLerpLoop);
BENCHMARK(BM_FloatArrayScaleInPlace);
BENCHMARK(BM_PlainScaleLoop);

BENCHMARK_BASELINE(BM_AffineArrayNormalizeInPlace, BM_PlainNormalizeLoop);
BENCHMARK_BASELINE(BM_AffineDotSum, BM_PlainDotSumLoop);
BENCHMARK_BASELINE(BM_AffineCrossArray, BM_PlainCrossLoop);
BENCHMARK_BASELINE(BM_AffineArrayAdd, BM_PlainArrayAddLoop);
BENCHMARK_BASELINE(BM_AffineArrayLerp, BM_PlainLerpLoop);
BENCHMARK_BASELINE(BM_FloatArrayScaleInPlace, BM_PlainScaleLoop);
