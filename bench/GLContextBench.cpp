// A handle's name is read for every bind and draw: while the current context stays the same, Handle answers
// from the record it found last. The baseline reads a name the caller already holds.
#include "GLContext.h"
#include "NullContext.h"

#include <benchmark/benchmark.h>
#include "BenchBaseline.h"

namespace {

void BM_HandleOfCurrentContext(benchmark::State& state)
{
    InitContextModule();
    auto* context = new TNullContext();
    context->CreateContext(nullptr);
    auto* handle = new TGLVirtualHandle();
    handle->OnAllocate = [](TGLContextHandle*, uint32_t& name) { name = 7; };
    context->Activate();
    handle->AllocateHandle();
    for (auto _ : state) benchmark::DoNotOptimize(handle->Handle());
    context->Deactivate();
    Free(handle);
    Free(context);
    DoneContextModule();
}
BENCHMARK(BM_HandleOfCurrentContext);

void BM_HeldNameBaseline(benchmark::State& state)
{
    TGLRCHandle record{nullptr, 7, false};
    TGLRCHandle* held = &record;
    for (auto _ : state) {
        benchmark::DoNotOptimize(held);
        benchmark::DoNotOptimize(held->FHandle);
    }
}
BENCHMARK(BM_HeldNameBaseline);

} // namespace

BENCHMARK_BASELINE(BM_HandleOfCurrentContext, BM_HeldNameBaseline);
