// A mesh object of about 100,000 triangles (a grid of 224 x 224 quads filling a 256 x 256 memory viewer) drawn
// through each of its paths: immediate mode, client arrays, buffer objects, and buffer objects split into 100
// face groups; beside a plain vertex-array loop that draws the same triangles with the same arrays. Each draw
// ends with glFinish, so the driver's work is in every figure. Run with LIBGL_ALWAYS_SOFTWARE=1 for llvmpipe.
// Also the normal and tangent-space builders over the same grid.
#include "GLContext.h"
#include "GLState.h"
#include "GLVectorFileObjects.h"
#include "GLWin32Context.h"
#include "OpenGLAdapter.h"
#include "VAVodad.h"
#include "XOpenGL.h"

#include <benchmark/benchmark.h>
#include "BenchBaseline.h"
#include "BenchViewer.h"

#include <memory>

namespace {

constexpr int32_t cQuads = 224; // per side: 2 x 224 x 224 = 100,352 triangles
constexpr int32_t cGroups = 100;

// The grid's vertices (in -1 .. 1, z 0) with normals and texture coordinates, and its triangles as indices.
void FillGrid(TBaseMeshObject& mesh, TAffineVectorList* texCoords, TIntegerList& indices)
{
    const int32_t side = cQuads + 1;
    for (int32_t y = 0; y < side; ++y)
        for (int32_t x = 0; x < side; ++x) {
            const float s = float(x) / cQuads, t = float(y) / cQuads;
            mesh.Vertices()->Add(s * 2 - 1, t * 2 - 1, 0.0f);
            mesh.Normals()->Add(0.0f, 0.0f, 1.0f);
            if (texCoords) texCoords->Add(s, t);
        }
    for (int32_t y = 0; y < cQuads; ++y)
        for (int32_t x = 0; x < cQuads; ++x) {
            const int32_t a = y * side + x, b = a + 1, c = a + side + 1, d = a + side;
            indices.Add(a, b, c);
            indices.Add(a, c, d);
        }
}

// A grid mesh object in the given mode: face groups (groups of them), or every triangle's corners in order.
std::unique_ptr<TGLMeshObject> NewGrid(TGLMeshObjectMode mode, int32_t groups = 1)
{
    auto meshObject = std::make_unique<TGLMeshObject>();
    TIntegerList indices;
    FillGrid(*meshObject, meshObject->TexCoords(), indices);
    meshObject->SetMode(mode);
    if (mode == momFaceGroups) {
        const int32_t perGroup = indices.Count() / 3 / groups * 3;
        for (int32_t g = 0; g < groups; ++g) {
            auto* group = new TFGVertexIndexList(meshObject->FaceGroups());
            const int32_t first = g * perGroup, count = g == groups - 1 ? indices.Count() - first : perGroup;
            group->VertexIndices()->AddIntegers(indices.List() + first, count);
        }
        return meshObject;
    }
    // One corner per index, so the same triangles come out.
    auto corners = std::make_unique<TGLMeshObject>();
    corners->SetMode(mode);
    for (int32_t i = 0; i < indices.Count(); ++i) {
        const int32_t v = indices.List()[i];
        corners->Vertices()->Add(meshObject->Vertices()->List()[v]);
        corners->Normals()->Add(meshObject->Normals()->List()[v]);
        corners->TexCoords()->Add(meshObject->TexCoords()->List()[v]);
    }
    return corners;
}

// A 256 x 256 memory viewer whose context is current while the benchmark draws, with identity matrices.
struct TBenchDraw {
    TBenchDraw()
    {
        RegisterGLWin32Context();
        InitContextModule();
        Scene = new TVAVodad(nullptr);
        Camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(Scene->Objects());
        Viewer = NewBenchViewer(Camera, 256, 256);
        if (!Viewer) return;
        Context = Viewer->Buffer()->RenderingContext();
        Context->Activate();
        TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
        gl->Viewport(0, 0, 256, 256);
        for (const GLenum matrix : {GL_PROJECTION, GL_MODELVIEW}) {
            gl->MatrixMode(matrix);
            gl->LoadIdentity();
        }
        GetCurrentMultitextureCoordinator()->MapTexCoordToMain();
        Rci.GLStates = Context->GLStates();
        Rci.drawState = dsRendering;
    }
    ~TBenchDraw()
    {
        if (Context) Context->Deactivate();
        Free(Viewer);
        Free(Scene);
        DoneContextModule();
    }

    TVAVodad* Scene = nullptr;
    TGLCamera* Camera = nullptr;
    TGLMemoryViewer* Viewer = nullptr;
    TGLContext* Context = nullptr;
    TGLRenderContextInfo Rci{};
};

void DrawMeshObject(benchmark::State& state, TGLMeshObjectMode mode, bool useVBO, int32_t groups)
{
    TBenchDraw bench;
    if (!bench.Context) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    const auto meshObject = NewGrid(mode, groups);
    meshObject->SetUseVBO(useVBO);
    for (auto _ : state) {
        meshObject->BuildList(bench.Rci);
        GetCurrentGL()->Finish();
    }
    // Each path must still be the one asked for after drawing.
    if (meshObject->UseVBO() != useVBO) state.SkipWithError("the buffer objects were refused");
    state.counters["triangles"] = meshObject->TriangleCount();
}

void BM_MeshObjectImmediate(benchmark::State& state)
{
    DrawMeshObject(state, momTriangles, false, 1);
}
BENCHMARK(BM_MeshObjectImmediate)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MeshObjectClientArrays(benchmark::State& state)
{
    DrawMeshObject(state, momFaceGroups, false, 1);
}
BENCHMARK(BM_MeshObjectClientArrays)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MeshObjectBufferObjects(benchmark::State& state)
{
    DrawMeshObject(state, momFaceGroups, true, 1);
}
BENCHMARK(BM_MeshObjectBufferObjects)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MeshObjectFaceGroups(benchmark::State& state)
{
    DrawMeshObject(state, momFaceGroups, true, cGroups);
}
BENCHMARK(BM_MeshObjectFaceGroups)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same triangles by hand: the grid's arrays in client memory, one glDrawElements.
void BM_PlainVertexArrayLoop(benchmark::State& state)
{
    TBenchDraw bench;
    if (!bench.Context) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    TBaseMeshObject grid;
    TAffineVectorList texCoords;
    TIntegerList indices;
    FillGrid(grid, &texCoords, indices);
    TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
    for (auto _ : state) {
        gl->EnableClientState(GL_VERTEX_ARRAY);
        gl->EnableClientState(GL_NORMAL_ARRAY);
        gl->EnableClientState(GL_TEXTURE_COORD_ARRAY);
        gl->VertexPointer(3, GL_FLOAT, 0, grid.Vertices()->List());
        gl->NormalPointer(GL_FLOAT, 0, grid.Normals()->List());
        gl->TexCoordPointer(2, GL_FLOAT, 12, texCoords.List());
        gl->DrawElements(GL_TRIANGLES, indices.Count(), GL_UNSIGNED_INT, indices.List());
        gl->DisableClientState(GL_TEXTURE_COORD_ARRAY);
        gl->DisableClientState(GL_NORMAL_ARRAY);
        gl->DisableClientState(GL_VERTEX_ARRAY);
        gl->Finish();
    }
    state.counters["triangles"] = indices.Count() / 3;
}
BENCHMARK(BM_PlainVertexArrayLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_BASELINE(BM_MeshObjectImmediate, BM_PlainVertexArrayLoop);
BENCHMARK_BASELINE(BM_MeshObjectClientArrays, BM_PlainVertexArrayLoop);
BENCHMARK_BASELINE(BM_MeshObjectBufferObjects, BM_PlainVertexArrayLoop);
BENCHMARK_BASELINE(BM_MeshObjectFaceGroups, BM_PlainVertexArrayLoop);

void BM_BuildNormals(benchmark::State& state)
{
    TBaseMeshObject grid;
    TIntegerList indices;
    FillGrid(grid, nullptr, indices);
    for (auto _ : state) {
        grid.BuildNormals(&indices, momTriangles);
        benchmark::DoNotOptimize(grid.Normals()->List());
    }
    state.counters["triangles"] = indices.Count() / 3;
}
BENCHMARK(BM_BuildNormals)->Unit(benchmark::kMillisecond);

void BM_BuildTangentSpace(benchmark::State& state)
{
    const auto grid = NewGrid(momFaceGroups);
    for (auto _ : state) {
        grid->BuildTangentSpace(true, true);
        benchmark::DoNotOptimize(grid->Tangents()->List());
    }
    state.counters["triangles"] = grid->TriangleCount();
}
BENCHMARK(BM_BuildTangentSpace)->Unit(benchmark::kMillisecond);

} // namespace
