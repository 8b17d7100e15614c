// The silhouette connectivity of a wall-sized mesh (a 12-triangle box in one face group), as a level builds one
// per shadow-casting wall, and the silhouette generated from a light each frame. The baselines do the same
// work on a plain connectivity that owns a copy of the vertices and is handed the triangles directly.
#include "GLMeshConnectivity.h"
#include "GLVectorFileObjects.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include "BenchBaseline.h"

namespace {

// Box corner v = x + 2y + 4z; a wall of a 20-unit cell, 2 units thick.
TVector3f Corner(int32_t v)
{
    return TVector3f{{{(v & 1) ? 10.0f : -10.0f, (v & 2) ? 1.0f : -1.0f, (v & 4) ? 20.0f : 0.0f}}};
}

// Two triangles per side, wound counter-clockwise seen from outside.
constexpr int32_t cBoxTriangles[] = {1, 3, 7, 1, 7, 5, 0, 4, 6, 0, 6, 2, 2, 6, 7, 2, 7, 3,
                                     0, 1, 5, 0, 5, 4, 4, 5, 7, 4, 7, 6, 0, 2, 3, 0, 3, 1};

class WallMesh {
public:
    WallMesh()
    {
        auto* box = new TGLMeshObject(Mesh.MeshObjects());
        box->SetMode(momFaceGroups);
        for (int32_t v = 0; v < 8; ++v) box->Vertices()->Add(Corner(v));
        auto* group = new TFGVertexIndexList(box->FaceGroups());
        for (int32_t i : cBoxTriangles) group->Add(i);
    }
    TGLBaseMesh Mesh{nullptr};
};

class PlainWall : public TConnectivity {
public:
    PlainWall() : TConnectivity(true)
    {
        for (int32_t v = 0; v < 8; ++v) FVertices->Add(Corner(v));
        for (size_t i = 0; i < std::size(cBoxTriangles); i += 3)
            AddIndexedFace(cBoxTriangles[i], cBoxTriangles[i + 1], cBoxTriangles[i + 2]);
    }
};

// A light circling the wall at head height, 30 units out.
TGLSilhouetteParameters Light(float& angle)
{
    TGLSilhouetteParameters params{};
    params.SeenFrom = TVector3f{{{30 * std::cos(angle), 30 * std::sin(angle), 12}}};
    params.Style = ssOmni;
    params.CappingRequired = true;
    angle += 0.01f;
    return params;
}

void BM_WallConnectivityBuild(benchmark::State& state)
{
    WallMesh wall;
    for (auto _ : state) {
        TGLBaseMeshConnectivity connectivity(&wall.Mesh);
        benchmark::DoNotOptimize(connectivity.EdgeCount());
    }
}

void BM_PlainConnectivityBuild(benchmark::State& state)
{
    for (auto _ : state) {
        PlainWall connectivity;
        benchmark::DoNotOptimize(connectivity.EdgeCount());
    }
}

template <class TWallConnectivity> void WallSilhouette(benchmark::State& state, TWallConnectivity& connectivity)
{
    TGLSilhouette silhouette;
    TGLSilhouette* target = &silhouette;
    float angle = 0;
    for (auto _ : state) {
        connectivity.CreateSilhouette(Light(angle), target, false);
        benchmark::DoNotOptimize(silhouette.Indices()->Count());
    }
}

void BM_WallSilhouette(benchmark::State& state)
{
    WallMesh wall;
    TGLBaseMeshConnectivity connectivity(&wall.Mesh);
    WallSilhouette(state, connectivity);
}

void BM_PlainWallSilhouette(benchmark::State& state)
{
    PlainWall connectivity;
    WallSilhouette(state, connectivity);
}

} // namespace

BENCHMARK(BM_WallConnectivityBuild)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainConnectivityBuild)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WallSilhouette)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainWallSilhouette)->Unit(benchmark::kMicrosecond);

BENCHMARK_BASELINE(BM_WallConnectivityBuild, BM_PlainConnectivityBuild);
BENCHMARK_BASELINE(BM_WallSilhouette, BM_PlainWallSilhouette);
