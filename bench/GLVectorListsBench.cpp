// Appending to the typed lists one item at a time (their buffers grow by 16 items per step) beside
// std::vector::push_back of the same items.
#include "GLVectorLists.h"

#include <benchmark/benchmark.h>

#include <vector>
#include "BenchBaseline.h"

namespace {

void BM_AffineVectorListAdd(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        TAffineVectorList list;
        for (int i = 0; i < n; ++i) list.Add(TVector3f{{{float(i), 1.0f, 2.0f}}});
        benchmark::DoNotOptimize(list.List());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_StdVectorPushBackVector3f(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        std::vector<TVector3f> list;
        for (int i = 0; i < n; ++i) list.push_back(TVector3f{{{float(i), 1.0f, 2.0f}}});
        benchmark::DoNotOptimize(list.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_IntegerListAdd(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        TIntegerList list;
        for (int i = 0; i < n; ++i) list.Add(i);
        benchmark::DoNotOptimize(list.List());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_StdVectorPushBackInt(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        std::vector<int32_t> list;
        for (int i = 0; i < n; ++i) list.push_back(i);
        benchmark::DoNotOptimize(list.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

} // namespace

BENCHMARK(BM_AffineVectorListAdd)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StdVectorPushBackVector3f)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IntegerListAdd)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StdVectorPushBackInt)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

BENCHMARK_BASELINE(BM_AffineVectorListAdd, BM_StdVectorPushBackVector3f);
BENCHMARK_BASELINE(BM_IntegerListAdd, BM_StdVectorPushBackInt);
