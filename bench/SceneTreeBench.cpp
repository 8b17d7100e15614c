// The scene tree's per-frame work on a tree of 10,000 leaves (fan-out 10, depth 4): recomputing every absolute
// matrix after the root moved, beside a flat loop doing the same matrix products; and a progress pass over
// the tree, beside a flat loop of virtual calls on as many objects.
#include "GLVectorGeometry.h"
#include "VAVodad.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <unordered_map>
#include <vector>
#include "BenchBaseline.h"

namespace {

constexpr int kFanOut = 10;
constexpr int kDepth = 4;

// The tree in creation order (parents before children), the root first.
struct TTree {
    TTree()
    {
        Nodes.push_back(new TGLBaseSceneObject(nullptr));
        Grow(Nodes[0], kDepth);
    }
    ~TTree() { Free(Nodes[0]); }
    TTree(const TTree&) = delete;
    TTree& operator=(const TTree&) = delete;

    void Grow(TGLBaseSceneObject* parent, int depth)
    {
        if (depth == 0) return;
        for (int i = 0; i < kFanOut; ++i) {
            auto* child = TGLBaseSceneObject::CreateAsChild<TGLBaseSceneObject>(parent);
            child->Position()->SetPoint(static_cast<float>(i), 1, 0);
            child->SetTurnAngle(static_cast<float>(10 * i));
            Nodes.push_back(child);
            Grow(child, depth - 1);
        }
    }

    std::vector<TGLBaseSceneObject*> Nodes;
};

void BM_SceneAbsoluteMatricesAfterRootMove(benchmark::State& state)
{
    TTree tree;
    TGLBaseSceneObject* root = tree.Nodes[0];
    float x = 0;
    for (auto _ : state) {
        root->Position()->SetPoint(x += 0.001f, 0, 0);
        for (TGLBaseSceneObject* node : tree.Nodes) benchmark::DoNotOptimize(node->AbsoluteMatrixAsAddress());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(tree.Nodes.size()));
}
BENCHMARK(BM_SceneAbsoluteMatricesAfterRootMove);

// The same products over flat arrays: absolute[i] = local[i] x absolute[parent[i]].
void BM_FlatAbsoluteMatrices(benchmark::State& state)
{
    TTree tree;
    const size_t count = tree.Nodes.size();
    std::vector<TMatrix4f> local(count), absolute(count);
    std::vector<int> parent(count, -1);
    std::unordered_map<TGLBaseSceneObject*, int> indexOf;
    for (size_t i = 0; i < count; ++i) {
        local[i] = tree.Nodes[i]->Matrix();
        indexOf[tree.Nodes[i]] = static_cast<int>(i);
        if (i > 0) parent[i] = indexOf.at(tree.Nodes[i]->Parent());
    }
    float x = 0;
    for (auto _ : state) {
        local[0].W.X = (x += 0.001f);
        absolute[0] = local[0];
        for (size_t i = 1; i < count; ++i) MatrixProduct(local[i], absolute[parent[i]], absolute[i]);
        benchmark::DoNotOptimize(absolute.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(count));
}
BENCHMARK(BM_FlatAbsoluteMatrices);
BENCHMARK_BASELINE(BM_SceneAbsoluteMatricesAfterRootMove, BM_FlatAbsoluteMatrices);

void BM_SceneProgressPass(benchmark::State& state)
{
    TTree tree;
    int64_t calls = 0;
    tree.Nodes.back()->OnProgress = [&](TObject*, double, double) { ++calls; };
    for (auto _ : state) tree.Nodes[0]->DoProgress(TProgressTimes{0.016, 1});
    benchmark::DoNotOptimize(calls);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(tree.Nodes.size()));
}
BENCHMARK(BM_SceneProgressPass);

struct TPlainProgressAble {
    virtual ~TPlainProgressAble() = default;
    virtual void DoProgress(const TProgressTimes& times) { Sum += times.deltaTime; }
    double Sum = 0;
};

// One virtual call per object over a flat array of as many objects.
void BM_FlatProgressCalls(benchmark::State& state)
{
    TTree tree;
    std::vector<std::unique_ptr<TPlainProgressAble>> objects;
    for (size_t i = 0; i < tree.Nodes.size(); ++i) objects.push_back(std::make_unique<TPlainProgressAble>());
    for (auto _ : state) {
        for (auto& object : objects) object->DoProgress(TProgressTimes{0.016, 1});
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(objects.size()));
}
BENCHMARK(BM_FlatProgressCalls);
BENCHMARK_BASELINE(BM_SceneProgressPass, BM_FlatProgressCalls);

} // namespace
