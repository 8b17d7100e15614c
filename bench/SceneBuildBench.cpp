// Building and freeing a level: 2,500 to 20,000 objects created as children of the scene's root, which owns
// them, then deleted with the root's children; beside the same objects made without an owner, where no
// component notification runs. Items per second stay flat while the cost grows linearly with the count.
// Freeing such a level object by object, the oldest first (each leaves the front of its parent's children and of
// its owner's components), beside freeing the same objects with the root's children.
#include "VAVodad.h"

#include <benchmark/benchmark.h>
#include "BenchBaseline.h"

#include <vector>

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

// Owned children of the root, built outside the timing; then freed one by one or all at once.
void FreeLevel(benchmark::State& state, bool oneByOne)
{
    auto* scene = new TVAVodad(nullptr);
    TGLBaseSceneObject* root = scene->Objects();
    const auto count = static_cast<int32_t>(state.range(0));
    std::vector<TVAVodadObject*> objects(count);
    for (auto _ : state) {
        state.PauseTiming();
        for (int32_t i = 0; i < count; ++i) {
            objects[i] = new TVAVodadObject(root);
            root->AddChild(objects[i]);
        }
        state.ResumeTiming();
        if (oneByOne)
            for (TVAVodadObject* object : objects) Free(object);
        else
            root->DeleteChildren();
    }
    state.SetItemsProcessed(state.iterations() * count);
    Free(scene);
}

void BM_SceneFreeObjectsOneByOne(benchmark::State& state)
{
    FreeLevel(state, true);
}
BENCHMARK(BM_SceneFreeObjectsOneByOne)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_SceneFreeObjectsWithParent(benchmark::State& state)
{
    FreeLevel(state, false);
}
BENCHMARK(BM_SceneFreeObjectsWithParent)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_SceneFreeObjectsOneByOne, BM_SceneFreeObjectsWithParent);

} // namespace
