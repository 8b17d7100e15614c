// The renderer's per-object use of the transformation stack: push a level, set the object's model matrix,
// read the model-view matrix, pop. The baseline does the same on a plain vector of matrices with the product
// computed at once.
#include "GLPipelineTransformation.h"
#include "GLVectorGeometry.h"

#include <benchmark/benchmark.h>

#include <vector>
#include "BenchBaseline.h"

namespace {

constexpr int kObjects = 1000;

TMatrix4f ObjectMatrix(int i)
{
    TMatrix4f m;
    MatrixTranslation(TVector3f{{{float(i), 2, 3}}}, m);
    return m;
}

void BM_TransformationPushSetReadPop(benchmark::State& state)
{
    TGLTransformation transformation;
    TMatrix4f view;
    MatrixTranslation(TVector3f{{{0, 0, -5}}}, view);
    transformation.SetViewMatrix(view);
    for (auto _ : state) {
        for (int i = 0; i < kObjects; ++i) {
            transformation.Push();
            transformation.SetModelMatrix(ObjectMatrix(i));
            benchmark::DoNotOptimize(transformation.ModelViewMatrix());
            transformation.Pop();
        }
    }
    state.SetItemsProcessed(state.iterations() * kObjects);
}
BENCHMARK(BM_TransformationPushSetReadPop);

void BM_PlainMatrixStack(benchmark::State& state)
{
    struct TLevel {
        TMatrix4f Model, View, ModelView;
    };
    std::vector<TLevel> stack(1);
    MatrixTranslation(TVector3f{{{0, 0, -5}}}, stack[0].View);
    for (auto _ : state) {
        for (int i = 0; i < kObjects; ++i) {
            stack.push_back(stack.back());
            TLevel& top = stack.back();
            top.Model = ObjectMatrix(i);
            MatrixProduct(top.Model, top.View, top.ModelView);
            benchmark::DoNotOptimize(top.ModelView);
            stack.pop_back();
        }
    }
    state.SetItemsProcessed(state.iterations() * kObjects);
}
BENCHMARK(BM_PlainMatrixStack);

} // namespace

BENCHMARK_BASELINE(BM_TransformationPushSetReadPop, BM_PlainMatrixStack);
