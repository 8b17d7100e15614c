// Hot matrix routines beside plain loops doing the same arithmetic in the same run, so the ratio shows:
// vectors transformed by a matrix, matrix products, and frustum culling of boxes.
#include "GLBoundingBoxes.h"
#include "GLVectorGeometry.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>
#include "BenchBaseline.h"

namespace {

constexpr int kCount = 4096;

float Random(std::mt19937& rng, float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }

TMatrix4f SomeMatrix(float angle)
{
    TMatrix4f r, t, m;
    MatrixRotationAxis(TVector3f{{{1, 2, 3}}}, angle, r);
    MatrixTranslation(TVector3f{{{4, -5, 6}}}, t);
    MatrixProduct(r, t, m);
    return m;
}

std::vector<TVector4f> SomeVectors()
{
    std::mt19937 rng(1);
    std::vector<TVector4f> v(kCount);
    for (TVector4f& e : v)
        e = TVector4f{{{Random(rng, -10, 10), Random(rng, -10, 10), Random(rng, -10, 10), 1}}};
    return v;
}

void BM_HmgTransformArray(benchmark::State& state)
{
    const std::vector<TVector4f> in = SomeVectors();
    std::vector<TVector4f> out(kCount);
    const TMatrix4f m = SomeMatrix(0.3f);
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i)
            HmgTransform(in[i], m, out[i]);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_HmgTransformArray);

void BM_PlainTransformArray(benchmark::State& state)
{
    const std::vector<TVector4f> vectors = SomeVectors();
    const float* in = &vectors[0].X;
    std::vector<float> out(4 * kCount);
    const TMatrix4f matrix = SomeMatrix(0.3f);
    const float(*m)[4] = reinterpret_cast<const float(*)[4]>(&matrix);
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) {
            const float* v = in + 4 * i;
            for (int j = 0; j < 4; ++j)
                out[4 * i + j] = v[0] * m[0][j] + v[1] * m[1][j] + v[2] * m[2][j] + v[3] * m[3][j];
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_PlainTransformArray);

constexpr int kMatrices = 1024;

std::vector<TMatrix4f> SomeMatrices()
{
    std::vector<TMatrix4f> v(kMatrices);
    for (int i = 0; i < kMatrices; ++i)
        v[i] = SomeMatrix(0.001f * i);
    return v;
}

void BM_MatrixProduct(benchmark::State& state)
{
    const std::vector<TMatrix4f> a = SomeMatrices();
    const TMatrix4f b = SomeMatrix(1.1f);
    std::vector<TMatrix4f> r(kMatrices);
    for (auto _ : state) {
        for (int i = 0; i < kMatrices; ++i)
            MatrixProduct(a[i], b, r[i]);
        benchmark::DoNotOptimize(r.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kMatrices);
}
BENCHMARK(BM_MatrixProduct);

void BM_PlainMatrixProduct(benchmark::State& state)
{
    const std::vector<TMatrix4f> matrices = SomeMatrices();
    const TMatrix4f right = SomeMatrix(1.1f);
    const float(*b)[4] = reinterpret_cast<const float(*)[4]>(&right);
    std::vector<float> r(16 * kMatrices);
    for (auto _ : state) {
        for (int n = 0; n < kMatrices; ++n) {
            const float(*a)[4] = reinterpret_cast<const float(*)[4]>(&matrices[n]);
            float* out = &r[16 * n];
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j)
                    out[4 * i + j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j] + a[i][3] * b[3][j];
        }
        benchmark::DoNotOptimize(r.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kMatrices);
}
BENCHMARK(BM_PlainMatrixProduct);

// Boxes scattered around a camera, about half of them outside its frustum.
struct CullingScene {
    std::vector<TAABB> boxes;
    TFrustum frustum;

    CullingScene() : boxes(kCount)
    {
        std::mt19937 rng(2);
        for (TAABB& b : boxes) {
            const float x = Random(rng, -60, 60), y = Random(rng, -60, 60), z = Random(rng, -120, 20);
            const float s = Random(rng, 0.5f, 3);
            b = TAABB{TVector3f{{{x - s, y - s, z - s}}}, TVector3f{{{x + s, y + s, z + s}}}};
        }
        TMatrix4f projection;
        MatrixPerspectiveProjection(60, 1.5f, 1, 100, projection);
        FrustumFromMatrix(projection, frustum);
    }
};

void BM_BoxClippedByFrustum(benchmark::State& state)
{
    const CullingScene scene;
    for (auto _ : state) {
        int visible = 0;
        for (const TAABB& b : scene.boxes)
            visible += !BoxClippedByFrustum(b.Min, b.Max, scene.frustum);
        benchmark::DoNotOptimize(visible);
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_BoxClippedByFrustum);

void BM_PlainBoxCulling(benchmark::State& state)
{
    const CullingScene scene;
    const TVector4f* planes = &scene.frustum.pLeft;
    for (auto _ : state) {
        int visible = 0;
        for (const TAABB& b : scene.boxes) {
            float c[3];
            double d2 = 0;
            for (int i = 0; i < 3; ++i) {
                c[i] = (b.Min.V[i] + b.Max.V[i]) * 0.5f;
                const double d = double(b.Min.V[i]) - b.Max.V[i];
                d2 += d * d;
            }
            const float radius = static_cast<float>(std::sqrt(d2) * 0.5);
            bool clipped = false;
            for (int p = 0; p < 6 && !clipped; ++p) {
                const float* e = planes[p].V;
                clipped = double(e[0]) * c[0] + double(e[1]) * c[1] + double(e[2]) * c[2] + e[3] < -radius;
            }
            visible += !clipped;
        }
        benchmark::DoNotOptimize(visible);
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_PlainBoxCulling);

} // namespace

BENCHMARK_BASELINE(BM_HmgTransformArray, BM_PlainTransformArray);
BENCHMARK_BASELINE(BM_MatrixProduct, BM_PlainMatrixProduct);
BENCHMARK_BASELINE(BM_BoxClippedByFrustum, BM_PlainBoxCulling);
