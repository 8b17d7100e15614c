// Connectivity of a large height-field mesh (its edges found through the edge index) and silhouettes
// extracted from it. The baseline beside it searches the edges from the start for every new edge, as a
// plain connectivity would: on a small mesh, because it is quadratic.
#include "GLSilhouette.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>
#include "BenchBaseline.h"

namespace {

// Fills its vertex list directly, as mesh code sharing its own vertices does.
class GridConnectivity : public TConnectivity {
public:
    GridConnectivity(int32_t columns, int32_t rows) : TConnectivity(true), FColumns(columns), FRows(rows)
    {
        for (int32_t y = 0; y <= rows; ++y)
            for (int32_t x = 0; x <= columns; ++x)
                FVertices->Add(TVector3f{{{float(x), float(y), std::sin(x * 0.3f) * std::cos(y * 0.2f) * 3.0f}}});
    }
    void AddFaces()
    {
        for (const auto& face : Faces(FColumns, FRows)) AddIndexedFace(face[0], face[1], face[2]);
    }
    // Two triangles per grid cell.
    static std::vector<std::array<int32_t, 3>> Faces(int32_t columns, int32_t rows)
    {
        std::vector<std::array<int32_t, 3>> faces;
        for (int32_t y = 0; y < rows; ++y)
            for (int32_t x = 0; x < columns; ++x) {
                const int32_t a = y * (columns + 1) + x, b = a + 1, c = a + columns + 2, d = a + columns + 1;
                faces.push_back({a, b, c});
                faces.push_back({c, d, a});
            }
        return faces;
    }

private:
    int32_t FColumns, FRows;
};

// A grid of columns x rows cells has 2 x columns x rows triangles.
int32_t Rows(int32_t triangles, int32_t columns)
{
    return triangles / (2 * columns);
}

constexpr int32_t kColumns = 50;

void BM_ConnectivityBuild(benchmark::State& state)
{
    const int32_t triangles = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto connectivity = std::make_unique<GridConnectivity>(kColumns, Rows(triangles, kColumns));
        state.ResumeTiming();
        connectivity->AddFaces();
        benchmark::DoNotOptimize(connectivity->EdgeCount());
        state.PauseTiming(); // freeing is not building
        connectivity.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * triangles);
}

// The edge search from the start that the index replaces, on its own.
void BM_PlainLinearEdgeSearch(benchmark::State& state)
{
    const int32_t triangles = static_cast<int32_t>(state.range(0));
    const auto faces = GridConnectivity::Faces(kColumns, Rows(triangles, kColumns));
    for (auto _ : state) {
        std::vector<int32_t> edgeVertices, edgeFaces;
        int32_t faceID = 0;
        for (const auto& face : faces) {
            for (int k = 0; k < 3; ++k) {
                const int32_t v0 = face[k], v1 = face[(k + 1) % 3];
                size_t e = 0;
                while (e < edgeVertices.size() && !((edgeVertices[e] == v0 && edgeVertices[e + 1] == v1) ||
                                                    (edgeVertices[e] == v1 && edgeVertices[e + 1] == v0)))
                    e += 2;
                if (e < edgeVertices.size()) {
                    edgeFaces[e + 1] = faceID;
                } else {
                    edgeVertices.insert(edgeVertices.end(), {v0, v1});
                    edgeFaces.insert(edgeFaces.end(), {faceID, -1});
                }
            }
            ++faceID;
        }
        benchmark::DoNotOptimize(edgeVertices.data());
    }
    state.SetItemsProcessed(state.iterations() * triangles);
}

// One extraction per frame from a light circling the mesh; the silhouette's storage is reused.
void BM_CreateSilhouette(benchmark::State& state)
{
    const int32_t triangles = static_cast<int32_t>(state.range(0));
    const bool capping = state.range(1) != 0;
    GridConnectivity connectivity(kColumns, Rows(triangles, kColumns));
    connectivity.AddFaces();
    TGLSilhouette silhouette;
    TGLSilhouette* target = &silhouette;
    TGLSilhouetteParameters params{};
    params.CappingRequired = capping;
    float angle = 0;
    for (auto _ : state) {
        params.SeenFrom = TVector3f{{{25 + 300 * std::cos(angle), 500 + 300 * std::sin(angle), 40}}};
        angle += 0.01f;
        connectivity.CreateSilhouette(params, target, false);
        benchmark::DoNotOptimize(silhouette.Indices()->Count());
    }
    state.SetItemsProcessed(state.iterations() * triangles);
    state.counters["edges"] = silhouette.Indices()->Count() / 2;
}

} // namespace

BENCHMARK(BM_ConnectivityBuild)->Arg(5000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainLinearEdgeSearch)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateSilhouette)->Args({100000, 0})->Args({100000, 1})->Unit(benchmark::kMillisecond);

BENCHMARK_BASELINE(BM_ConnectivityBuild, BM_PlainLinearEdgeSearch);
