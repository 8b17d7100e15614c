// The CPU side of drawing 1,000 blended objects sorted far to near (their drawing itself does nothing), beside a
// flat loop that computes the same distances, sorts the same (key, object) pairs and makes one virtual call
// per object; and a scene ray cast over 10,000 spread objects, beside testing every object's bounding sphere.
#include "GLPipelineTransformation.h"
#include "GLState.h"
#include "GLVectorGeometry.h"
#include "VAVodad.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <utility>
#include <vector>
#include "BenchBaseline.h"

namespace {

constexpr int kBlended = 1000;

class TBlendedStub : public TGLImmaterialSceneObject {
public:
    explicit TBlendedStub(TComponent* AOwner) : TGLImmaterialSceneObject(AOwner)
    {
        SetObjectStyle(ObjectStyle() + TGLObjectStyles{osDirectDraw});
    }
    bool Blended() override { return true; }
    void BuildList(TGLRenderContextInfo&) override { benchmark::ClobberMemory(); }
};

float Spread(int i, int modulo)
{
    return static_cast<float>((i * 7919) % modulo);
}

void BM_SceneSortedBlendedChildren(benchmark::State& state)
{
    auto* scene = new TVAVodad(nullptr);
    for (int i = 0; i < kBlended; ++i)
        TGLBaseSceneObject::CreateAsChild<TBlendedStub>(scene->Objects())
            ->Position()
            ->SetPoint(Spread(i, 97), Spread(i, 89), -Spread(i, 101));
    TGLStateCache states;
    TGLTransformation pipeline;
    TGLRenderContextInfo rci{};
    rci.GLStates = &states;
    rci.PipelineTransformation = &pipeline;
    rci.objectsSorting = osRenderBlendedLast;
    rci.visibilityCulling = vcNone;
    rci.cameraPosition = TVector4f{{{0, 0, 0, 1}}};
    TGLBaseSceneObject* root = scene->Objects();
    for (auto _ : state) root->RenderChildren(0, root->Count() - 1, rci);
    state.SetItemsProcessed(state.iterations() * kBlended);
    Free(scene);
}
BENCHMARK(BM_SceneSortedBlendedChildren);

struct TFlatObject {
    virtual ~TFlatObject() = default;
    virtual void Draw() { benchmark::ClobberMemory(); }
    TVector4f Position;
};

void BM_FlatSortedObjects(benchmark::State& state)
{
    std::vector<TFlatObject> objects(kBlended);
    for (int i = 0; i < kBlended; ++i)
        objects[i].Position = TVector4f{{{Spread(i, 97), Spread(i, 89), -Spread(i, 101), 1}}};
    const TVector4f camera{{{0, 0, 0, 1}}};
    for (auto _ : state) {
        std::vector<std::pair<float, TFlatObject*>> keys;
        keys.reserve(objects.size());
        for (TFlatObject& object : objects)
            keys.emplace_back(static_cast<float>(HmgDistanceSquared(object.Position, camera)) + 1, &object);
        std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto it = keys.rbegin(); it != keys.rend(); ++it) it->second->Draw();
    }
    state.SetItemsProcessed(state.iterations() * kBlended);
}
BENCHMARK(BM_FlatSortedObjects);
BENCHMARK_BASELINE(BM_SceneSortedBlendedChildren, BM_FlatSortedObjects);

constexpr int kSpread = 10000;

TVector4f SpreadPoint(int i)
{
    return TVector4f{{{Spread(i, 1009) - 500, Spread(i, 997) - 500, Spread(i, 1013) - 500, 1}}};
}

void BM_SceneRayCast(benchmark::State& state)
{
    auto* scene = new TVAVodad(nullptr);
    for (int i = 0; i < kSpread; ++i)
        TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(scene->Objects())->Position()->SetPoint(SpreadPoint(i));
    const TVector4f start{{{-600, 3, 7, 1}}};
    const TVector4f direction{{{1, 0, 0, 0}}};
    for (auto _ : state) benchmark::DoNotOptimize(scene->RayCastIntersect(start, direction));
    Free(scene);
}
BENCHMARK(BM_SceneRayCast);

// Every object's bounding sphere against the ray, keeping the nearest hit.
void BM_FlatRayCast(benchmark::State& state)
{
    std::vector<TVector4f> centres(kSpread);
    for (int i = 0; i < kSpread; ++i) centres[i] = SpreadPoint(i);
    const float radius = 0.8660254f;
    const TVector4f start{{{-600, 3, 7, 1}}};
    const TVector4f direction{{{1, 0, 0, 0}}};
    for (auto _ : state) {
        int best = -1;
        double bestDistance = 1e20;
        for (int i = 0; i < kSpread; ++i) {
            TVector4f i1;
            TVector4f i2;
            if (RayIntersectSphere(start, direction, centres[i], radius, i1, i2) > 0) {
                const double d = HmgDistanceSquared(i1, start);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = i;
                }
            }
        }
        benchmark::DoNotOptimize(best);
    }
}
BENCHMARK(BM_FlatRayCast);
BENCHMARK_BASELINE(BM_SceneRayCast, BM_FlatRayCast);

} // namespace
