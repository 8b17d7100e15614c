// Building and freeing a level: 2,500 to 20,000 objects created as children of the scene's root, which owns
// them, then deleted with the root's children; beside the same objects made without an owner, where no
// component notification runs. Items per second stay flat while the cost grows linearly with the count.
#include "VAVodad.h"

#include <benchmark/benchmark.h>
#include "BenchBaseline.h"

namespace {

void BuildAndFree(benchmark::State& state, bool owned)
{
    auto* scene = new TVAVodad(nullptr);
    TGLBaseSceneObject* root = scene->Objects();
    const auto count = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        for (int32_t i = 0; i < count; ++i) {
            auto* object = new TVAVodadObject(owned ? root : nullptr);
            root->AddChild(object);
            object->Position()->SetPoint(static_cast<float>(i % 100), 0, static_cast<float>(i / 100));
        }
        root->DeleteChildren();
    }
    state.SetItemsProcessed(state.iterations() * count);
    Free(scene);
}

void BM_SceneBuildOwnedObjects(benchmark::State& state)
{
    BuildAndFree(state, true);
}
BENCHMARK(BM_SceneBuildOwnedObjects)->Arg(2500)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_SceneBuildUnownedObjects(benchmark::State& state)
{
    BuildAndFree(state, false);
}
BENCHMARK(BM_SceneBuildUnownedObjects)->Arg(2500)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_SceneBuildOwnedObjects, BM_SceneBuildUnownedObjects);

} // namespace
