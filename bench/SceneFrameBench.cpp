// One headless 1024 x 768 frame of 1,000 textured, lit cubes (a 10 x 10 x 10 grid in view, one omni light, one
// texture) rendered through the scene graph by a memory viewer, beside the same cubes drawn by a minimal
// hand-written OpenGL loop (one display list, a translate per cube) on the same p-buffer. Both frames end
// with glFinish, so the driver's rasterising is in both; "covered" is the share of the frame the cubes fill,
// the same in both when they draw the same picture. Run with LIBGL_ALWAYS_SOFTWARE=1 for llvmpipe.
//
// The cube is a small object of this file: a scene object whose display list is a unit cube with normals and
// texture coordinates, and which binds its texture through the state cache before it draws, as a material
// would.
#include "GLContext.h"
#include "GLPipelineTransformation.h"
#include "GLState.h"
#include "GLTexture.h"
#include "GLWin32Context.h"
#include "Graphics.h"
#include "OpenGLAdapter.h"
#include "VAVodad.h"

#include <benchmark/benchmark.h>
#include "BenchBaseline.h"

#include <memory>
#include <vector>

namespace {

constexpr int32_t cWidth = 1024;
constexpr int32_t cHeight = 768;
constexpr int32_t cGrid = 10; // cubes per side
constexpr float cSpacing = 3;

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

// A textured cube of the scene graph.
class TBenchCube : public TGLBaseSceneObject {
public:
    TBenchCube(TComponent* AOwner, TGLTexture* ATexture) : TGLBaseSceneObject(AOwner), FTexture(ATexture) {}
    void BuildList(TGLRenderContextInfo&) override { DrawUnitCube(GetCurrentGL()); }
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override
    {
        rci.GLStates->SetActiveTexture(0);
        rci.GLStates->SetTextureBinding(0, ttTexture2D, FTexture->Handle());
        rci.GLStates->SetActiveTextureEnabled(ttTexture2D, true);
        TGLBaseSceneObject::DoRender(rci, renderSelf, renderChildren);
    }

private:
    TGLTexture* FTexture;
};

// The scene, its light and cubes, the texture and a 1024 x 768 memory viewer; Ready is false without OpenGL.
struct TBenchScene {
    TBenchScene()
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
        Texture = std::make_unique<TGLTexture>(nullptr);
        TBitmap picture;
        picture.SetPixelFormat(pf32bit);
        picture.SetSize(64, 64);
        for (int32_t y = 0; y < 64; ++y) {
            uint8_t* row = picture.ScanLine(y);
            for (int32_t x = 0; x < 64 * 4; ++x) row[x] = static_cast<uint8_t>(x * 4 ^ y * 4);
        }
        static_cast<TGLPersistentImage*>(Texture->Image())->Picture()->SetGraphic(&picture);
        Texture->SetMinFilter(miLinear);
        Texture->SetDisabled(false);
        const float offset = (cGrid - 1) * cSpacing / 2;
        for (int32_t i = 0; i < cGrid * cGrid * cGrid; ++i) {
            auto* cube = new TBenchCube(Scene->Objects(), Texture.get());
            Scene->Objects()->AddChild(cube);
            cube->Position()->SetPoint(i % cGrid * cSpacing - offset, i / cGrid % cGrid * cSpacing - offset,
                                       -(i / (cGrid * cGrid)) * cSpacing);
        }
        Viewer = new TGLMemoryViewer(nullptr);
        Viewer->SetWidth(cWidth);
        Viewer->SetHeight(cHeight);
        Viewer->SetCamera(camera);
        Viewer->Buffer()->SetBackgroundColor(clBlack);
        try {
            Viewer->Render();
            Ready = true;
        } catch (const Exception&) {
        }
    }
    ~TBenchScene()
    {
        Free(Viewer);
        Free(Scene);
        Texture.reset();
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
    void Finish() const
    {
        TGLContext* context = Viewer->Buffer()->RenderingContext();
        context->Activate();
        GetCurrentGL()->Finish();
        context->Deactivate();
    }

    TVAVodad* Scene = nullptr;
    TGLMemoryViewer* Viewer = nullptr;
    std::unique_ptr<TGLTexture> Texture;
    bool Ready = false;
};

void BM_SceneFrame1000Cubes(benchmark::State& state)
{
    TBenchScene bench;
    if (!bench.Ready) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    for (auto _ : state) {
        bench.Viewer->Render();
        bench.Finish();
    }
    state.counters["covered"] = bench.Covered();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SceneFrame1000Cubes)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same frame by hand: the scene frame's matrices and light, one list, a translate per cube.
void BM_HandWrittenFrame1000Cubes(benchmark::State& state)
{
    TBenchScene bench;
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
    const GLuint texture = bench.Texture->Handle();
    const float lightPosition[4] = {0, 20, 60, 1};
    const float offset = (cGrid - 1) * cSpacing / 2;
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
        for (int32_t i = 0; i < cGrid * cGrid * cGrid; ++i) {
            gl->PushMatrix();
            gl->Translatef(i % cGrid * cSpacing - offset, i / cGrid % cGrid * cSpacing - offset,
                           -(i / (cGrid * cGrid)) * cSpacing);
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
BENCHMARK(BM_HandWrittenFrame1000Cubes)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_BASELINE(BM_SceneFrame1000Cubes, BM_HandWrittenFrame1000Cubes);

} // namespace
