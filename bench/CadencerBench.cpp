// One tick of the frame clock's as-soon-as-possible chain as the engine runs it (the tick message taken and
// dispatched, pending messages served, the clock read, an empty scene progressed, OnProgress, the next tick
// posted), beside the bare chain of the message-loop benchmark that only serves messages and posts.
#include "Forms.h"
#include "GLCadencer.h"
#include "VAVodad.h"
#include "Windows.h"

#include <benchmark/benchmark.h>

#include "BenchBaseline.h"

namespace {

void BM_CadencerTick(benchmark::State& state)
{
    auto* scene = new TVAVodad(nullptr);
    auto* cadencer = new TGLCadencer(nullptr);
    int64_t ticks = 0;
    cadencer->OnProgress = [&](TObject*, double, double) { ++ticks; };
    cadencer->SetScene(scene); // joins the chain: the first tick is posted
    TMsg msg;
    for (auto _ : state) {
        while (!PeekMessage(msg)) {
        } // the starvation guard may hold the chain for a millisecond
        DispatchMessage(msg);
    }
    Free(cadencer);
    Free(scene);
    Application->ProcessMessages(); // the chain ends on its next message
    state.counters["ticks"] = benchmark::Counter(static_cast<double>(ticks), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CadencerTick);
BENCHMARK_BASELINE(BM_CadencerTick, BM_AsSoonAsPossibleTick);

} // namespace
