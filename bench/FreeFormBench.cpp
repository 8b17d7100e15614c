// The glsm mesh archive: a free form of 100,000 vertices (a grid with normals and texture coordinates, about
// 200,000 triangles in one index-list face group) saved and loaded, each beside a plain copy of the same arrays
// into and out of a memory stream.
#include "GLVectorFileObjects.h"

#include "Streams.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>
#include "BenchBaseline.h"

namespace {

constexpr int kSide = 317; // 317 x 317 = 100,489 vertices

void FillGrid(TGLBaseMesh& mesh)
{
    auto* meshObject = new TGLMeshObject(mesh.MeshObjects());
    meshObject->SetMode(momFaceGroups);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            meshObject->Vertices()->Add(x * 0.5f, y * 0.5f, 0.01f * ((x * 7 + y * 3) % 11));
            meshObject->Normals()->Add(0.0f, 0.0f, 1.0f);
            meshObject->TexCoords()->Add(float(x) / kSide, float(y) / kSide);
        }
    auto* group = new TFGVertexIndexList(meshObject->FaceGroups());
    group->SetMaterialName("ground");
    TIntegerList& indices = *group->VertexIndices();
    for (int y = 0; y + 1 < kSide; ++y)
        for (int x = 0; x + 1 < kSide; ++x) {
            const int a = y * kSide + x, b = a + 1, c = a + kSide + 1, d = a + kSide;
            indices.Add(a, b, c);
            indices.Add(a, c, d);
        }
}

TGLFreeForm& Grid()
{
    static TGLFreeForm* mesh = [] {
        auto* result = new TGLFreeForm(nullptr);
        FillGrid(*result);
        return result;
    }();
    return *mesh;
}

void BM_GlsmSave(benchmark::State& state)
{
    TGLFreeForm& mesh = Grid();
    TMemoryStream stream;
    for (auto _ : state) {
        stream.SetSize(0);
        mesh.SaveToStream("grid.glsm", stream);
        benchmark::DoNotOptimize(stream.Memory());
    }
    state.SetBytesProcessed(state.iterations() * stream.Size());
}
BENCHMARK(BM_GlsmSave)->Unit(benchmark::kMillisecond);

void BM_GlsmLoad(benchmark::State& state)
{
    TMemoryStream stream;
    Grid().SaveToStream("grid.glsm", stream);
    TGLFreeForm mesh(nullptr);
    for (auto _ : state) {
        stream.SetPosition(0);
        mesh.LoadFromStream("grid.glsm", stream);
        benchmark::DoNotOptimize(mesh.MeshObjects()->Items(0));
    }
    state.SetBytesProcessed(state.iterations() * stream.Size());
}
BENCHMARK(BM_GlsmLoad)->Unit(benchmark::kMillisecond);

// The same four arrays as counts and raw bytes.
template <class TList> void WritePlain(TStream& stream, const TList& list)
{
    const int32_t count = list.Count();
    stream.WriteBuffer(&count, sizeof count);
    stream.WriteBuffer(list.List(), int64_t(count) * list.ItemSize());
}

template <class T> void ReadPlain(TStream& stream, std::vector<T>& items)
{
    int32_t count;
    stream.ReadBuffer(&count, sizeof count);
    items.resize(count);
    stream.ReadBuffer(items.data(), int64_t(count) * sizeof(T));
}

void WriteGridPlain(TStream& stream)
{
    TGLMeshObject& meshObject = *Grid().MeshObjects()->Items(0);
    WritePlain(stream, *meshObject.Vertices());
    WritePlain(stream, *meshObject.Normals());
    WritePlain(stream, *meshObject.TexCoords());
    WritePlain(stream, *static_cast<TFGVertexIndexList*>(meshObject.FaceGroups()->Items(0))->VertexIndices());
}

void BM_PlainArraysSave(benchmark::State& state)
{
    TMemoryStream stream;
    for (auto _ : state) {
        stream.SetSize(0);
        WriteGridPlain(stream);
        benchmark::DoNotOptimize(stream.Memory());
    }
    state.SetBytesProcessed(state.iterations() * stream.Size());
}
BENCHMARK(BM_PlainArraysSave)->Unit(benchmark::kMillisecond);

void BM_PlainArraysLoad(benchmark::State& state)
{
    TMemoryStream stream;
    WriteGridPlain(stream);
    std::vector<TVector3f> vertices, normals, texCoords;
    std::vector<int32_t> indices;
    for (auto _ : state) {
        stream.SetPosition(0);
        // Fresh arrays each time, as a load makes new lists.
        vertices = {};
        normals = {};
        texCoords = {};
        indices = {};
        ReadPlain(stream, vertices);
        ReadPlain(stream, normals);
        ReadPlain(stream, texCoords);
        ReadPlain(stream, indices);
        benchmark::DoNotOptimize(indices.data());
    }
    state.SetBytesProcessed(state.iterations() * stream.Size());
}
BENCHMARK(BM_PlainArraysLoad)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_BASELINE(BM_GlsmSave, BM_PlainArraysSave);
BENCHMARK_BASELINE(BM_GlsmLoad, BM_PlainArraysLoad);
