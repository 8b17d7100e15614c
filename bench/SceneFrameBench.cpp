// One headless 1024 x 768 frame of 1,000 or 5,000 textured, lit cubes (layers of 10 x 10 going away from the
// camera, one omni light) rendered through the scene graph by a memory viewer, beside the same cubes drawn by
// a minimal hand-written OpenGL loop (one display list, a translate per cube) on the same p-buffer. The cubes
// share one library material with a texture, as the game's walls do. Both frames end with glFinish, so the
// driver's rasterising is in both; "covered" is the share of the frame the cubes fill, the same in both when
// they draw the same picture. Run with LIBGL_ALWAYS_SOFTWARE=1 for llvmpipe.
//
// The cube is a small object of this file: a scene object with a material whose display list is a unit cube
// with normals and texture coordinates.
#include "GLContext.h"
#include "GLMaterial.h"
#include "GLPipelineTransformation.h"
#include "GLState.h"
#include "GLTexture.h"
#include "GLWin32Context.h"
#include "Graphics.h"
#include "OpenGLAdapter.h"
#include "VAVodad.h"

#include <benchmark/benchmark.h>
#include "BenchBaseline.h"
#include "BenchViewer.h"

#include <vector>

namespace {

constexpr int32_t cWidth = 1024;
constexpr int32_t cHeight = 768;
constexpr int32_t cGrid = 10; // cubes per side of a layer
constexpr float cSpacing = 3;

// Where the i-th cube stands: layer after layer of cGrid x cGrid, away from the camera.
void CubePosition(int32_t i, float (&at)[3])
{
    const float offset = (cGrid - 1) * cSpacing / 2;
    at[0] = i % cGrid * cSpacing - offset;
    at[1] = i / cGrid % cGrid * cSpacing - offset;
    at[2] = -(i / (cGrid * cGrid)) * cSpacing;
}

// The six faces of a cube of half size 0.5: normal, then four corners counter-clockwise seen from outside.
void DrawUnitCube(TGLExtensionsAndEntryPoints* gl)
{
    static constexpr float cFaces[6][5][3] = {
        {{0, 0, 1}, {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}},
        {{0, 0, -1}, {1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}},
        {{1, 0, 0}, {1, -1, 1}, {1, -1, -1}, {1, 1, -1}, {1, 1, 1}},
        {{-1, 0, 0}, {-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}},
        {{0, 1, 0}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}, {-1, 1, -1}},
        {{0, -1, 0}, {-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}},
    };
    static constexpr float cTex[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    gl->Begin_(GL_QUADS);
    for (const auto& face : cFaces) {
        gl->Normal3fv(face[0]);
        for (int i = 0; i < 4; ++i) {
            gl->TexCoord2fv(cTex[i]);
            gl->Vertex3f(face[i + 1][0] * 0.5f, face[i + 1][1] * 0.5f, face[i + 1][2] * 0.5f);
        }
    }
    gl->End_();
}

// A cube of the scene graph; its material links to the library's.
class TBenchCube : public TGLCustomSceneObject {
public:
    using TGLCustomSceneObject::TGLCustomSceneObject;
    void BuildList(TGLRenderContextInfo&) override { DrawUnitCube(GetCurrentGL()); }
};

// The scene, its light and cubes, the material library and a 1024 x 768 memory viewer; Ready is false without
// OpenGL.
struct TBenchScene {
    explicit TBenchScene(int32_t cubes)
    {
        RegisterGLWin32Context();
        InitContextModule();
        Scene = new TVAVodad(nullptr);
        auto* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(Scene->Objects());
        camera->SetFocalLength(100);
        camera->Position()->SetPoint(0, 0, 25);
        auto* light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(Scene->Objects());
        light->SetLightStyle(lsOmni);
        light->Position()->SetPoint(0, 20, 60);
        TBitmap picture;
        picture.SetPixelFormat(pf32bit);
        picture.SetSize(64, 64);
        for (int32_t y = 0; y < 64; ++y) {
            uint8_t* row = picture.ScanLine(y);
            for (int32_t x = 0; x < 64 * 4; ++x) row[x] = static_cast<uint8_t>(x * 4 ^ y * 4);
        }
        Library = new TGLMaterialLibrary(nullptr);
        Library->AddTextureMaterial("cube", &picture)->Material()->Texture()->SetMinFilter(miLinear);
        for (int32_t i = 0; i < cubes; ++i) {
            auto* cube = TGLBaseSceneObject::CreateAsChild<TBenchCube>(Scene->Objects());
            cube->Material()->SetMaterialLibrary(Library);
            cube->Material()->SetLibMaterialName("cube");
            float at[3];
            CubePosition(i, at);
            cube->Position()->SetPoint(at[0], at[1], at[2]);
        }
        Viewer = NewBenchViewer(camera, cWidth, cHeight);
        Ready = Viewer != nullptr;
    }
    ~TBenchScene()
    {
        Free(Viewer);
        Free(Scene);
        Free(Library);
        DoneContextModule();
    }
    // The share of the frame's pixels that show a cube rather than the background (the clear colour black).
    double Covered() const
    {
        std::vector<uint8_t> rgba(static_cast<size_t>(cWidth) * cHeight * 4);
        TGLContext* context = Viewer->Buffer()->RenderingContext();
        context->Activate();
        context->GLStates()->SetPackAlignment(1);
        GetCurrentGL()->ReadPixels(0, 0, cWidth, cHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        context->Deactivate();
        size_t covered = 0;
        for (size_t i = 0; i < rgba.size(); i += 4) covered += (rgba[i] | rgba[i + 1] | rgba[i + 2]) != 0;
        return static_cast<double>(covered) / (cWidth * cHeight);
    }

    TVAVodad* Scene = nullptr;
    TGLMaterialLibrary* Library = nullptr;
    TGLMemoryViewer* Viewer = nullptr;
    bool Ready = false;
};

void BM_SceneFrameCubes(benchmark::State& state)
{
    TBenchScene bench(static_cast<int32_t>(state.range(0)));
    if (!bench.Ready) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    // The frame ends with glFinish while the buffer still has its context current, as the hand-written one does.
    bench.Viewer->Buffer()->WrapUpRendering = [](TObject*, TGLRenderContextInfo&) { GetCurrentGL()->Finish(); };
    for (auto _ : state) bench.Viewer->Render();
    state.counters["covered"] = bench.Covered();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SceneFrameCubes)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same frame by hand: the scene frame's matrices and light, one list, a translate per cube.
void BM_HandWrittenFrameCubes(benchmark::State& state)
{
    const auto cubes = static_cast<int32_t>(state.range(0));
    TBenchScene bench(cubes);
    if (!bench.Ready) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    TGLContext* context = bench.Viewer->Buffer()->RenderingContext();
    context->Activate();
    TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
    const TMatrix4f projection = context->PipelineTransformation()->ProjectionMatrix();
    const TMatrix4f view = context->PipelineTransformation()->ViewMatrix();
    const GLuint cubeList = gl->GenLists(1);
    gl->NewList(cubeList, GL_COMPILE);
    DrawUnitCube(gl);
    gl->EndList();
    const GLuint texture = bench.Library->TextureByName("cube")->Handle();
    const float lightPosition[4] = {0, 20, 60, 1};
    for (auto _ : state) {
        gl->Viewport(0, 0, cWidth, cHeight);
        gl->ClearColor(0, 0, 0, 1);
        gl->Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        gl->Enable(GL_DEPTH_TEST);
        gl->Enable(GL_CULL_FACE);
        gl->Enable(GL_LIGHTING);
        gl->Enable(GL_LIGHT0);
        gl->Enable(GL_TEXTURE_2D);
        gl->BindTexture(GL_TEXTURE_2D, texture);
        gl->MatrixMode(GL_PROJECTION);
        gl->LoadMatrixf(&projection.X.X);
        gl->MatrixMode(GL_MODELVIEW);
        gl->LoadMatrixf(&view.X.X);
        gl->Lightfv(GL_LIGHT0, GL_POSITION, lightPosition);
        for (int32_t i = 0; i < cubes; ++i) {
            float at[3];
            CubePosition(i, at);
            gl->PushMatrix();
            gl->Translatef(at[0], at[1], at[2]);
            gl->CallList(cubeList);
            gl->PopMatrix();
        }
        gl->Finish();
    }
    gl->DeleteLists(cubeList, 1);
    context->Deactivate();
    state.counters["covered"] = bench.Covered();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HandWrittenFrameCubes)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_BASELINE(BM_SceneFrameCubes, BM_HandWrittenFrameCubes);

} // namespace
