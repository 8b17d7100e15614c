// Every OpenGL call and flag test of the engine asks GetCurrentGL for the calling thread's table first. The
// baseline beside it reads the same flag through a table pointer the caller already holds.
#include "OpenGLAdapter.h"

#include <benchmark/benchmark.h>
#include "BenchBaseline.h"

namespace {

void BM_FlagThroughGetCurrentGL(benchmark::State& state)
{
    TGLExtensionsAndEntryPoints table;
    table.ARB_multitexture = true;
    SetCurrentGL(&table);
    for (auto _ : state) benchmark::DoNotOptimize(GetCurrentGL()->ARB_multitexture);
    SetCurrentGL(nullptr);
}
BENCHMARK(BM_FlagThroughGetCurrentGL);

void BM_FlagThroughHeldPointer(benchmark::State& state)
{
    TGLExtensionsAndEntryPoints table;
    table.ARB_multitexture = true;
    TGLExtensionsAndEntryPoints* held = &table;
    for (auto _ : state) {
        benchmark::DoNotOptimize(held);
        benchmark::DoNotOptimize(held->ARB_multitexture);
    }
}
BENCHMARK(BM_FlagThroughHeldPointer);

} // namespace

BENCHMARK_BASELINE(BM_FlagThroughGetCurrentGL, BM_FlagThroughHeldPointer);
