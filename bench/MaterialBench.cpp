// Applying materials on Mesa's p-buffer context (run with LIBGL_ALWAYS_SOFTWARE=1 for llvmpipe): a textured
// library material applied and unapplied 10,000 times in a row, where the state cache skips nearly every
// call, and two such materials in turn, each beside the bare OpenGL calls that set the same state.
#include "GLColor.h"
#include "GLContext.h"
#include "GLMaterial.h"
#include "GLRenderContextInfo.h"
#include "GLState.h"
#include "GLWin32Context.h"
#include "Graphics.h"
#include "OpenGLAdapter.h"
#include "XOpenGL.h"

#include <benchmark/benchmark.h>
#include "BenchBaseline.h"

#include <array>
#include <memory>

namespace {

constexpr int cApplications = 10000;

// A 1 x 1 off-screen context of the system's class with two textured library materials linked from two scene
// materials; Ready is false without OpenGL.
struct TMaterialScene {
    TMaterialScene()
    {
        InitContextModule();
        Context = vGLContextManager->CreateContext(&CreateGLContextOf<TGLWin32Context>);
        try {
            Context->CreateMemoryContext(nullptr, 1, 1, 1);
            Context->Activate();
        } catch (const Exception&) {
            return;
        }
        rci.GLStates = Context->GLStates();
        rci.PipelineTransformation = Context->PipelineTransformation();
        rci.bufferDepthTest = true;
        Library = std::make_unique<TGLMaterialLibrary>(nullptr);
        for (int i = 0; i < 2; ++i) {
            TBitmap picture;
            picture.SetPixelFormat(pf32bit);
            picture.SetSize(4, 4);
            TGLLibMaterial* libMat = Library->AddTextureMaterial("m" + std::to_string(i), &picture);
            libMat->Material()->Texture()->SetMinFilter(miLinear);
            libMat->Material()->FrontProperties()->Diffuse()->SetColor(0.5f * i, 1, 1, 1);
            Materials[i] = std::make_unique<TGLMaterial>(nullptr);
            Materials[i]->SetMaterialLibrary(Library.get());
            Materials[i]->SetLibMaterialName(libMat->Name());
            Textures[i] = libMat->Material()->Texture()->Handle();
            Diffuse[i] = libMat->Material()->FrontProperties()->Diffuse()->Color();
        }
        Ready = true;
    }
    ~TMaterialScene()
    {
        Materials = {};
        Library.reset();
        if (Ready) Context->Deactivate();
        Free(Context);
        DoneContextModule();
    }

    void Apply(int i)
    {
        Materials[i]->Apply(rci);
        Materials[i]->UnApply(rci);
    }

    // What applying material i sets, sent straight to OpenGL.
    void ApplyBare(int i)
    {
        TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
        static const float back[4][4] = {{0, 0, 0, 1}, {0.2f, 0.2f, 0.2f, 1}, {0.8f, 0.8f, 0.8f, 1}, {0, 0, 0, 1}};
        gl.Disable(GL_COLOR_MATERIAL);
        gl.PolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        gl.Disable(GL_LIGHTING);
        gl.Color4fv(Diffuse[i].V);
        gl.Disable(GL_CULL_FACE);
        gl.Materialfv(GL_BACK, GL_EMISSION, back[0]);
        gl.Materialfv(GL_BACK, GL_AMBIENT, back[1]);
        gl.Materialfv(GL_BACK, GL_DIFFUSE, back[2]);
        gl.Materialfv(GL_BACK, GL_SPECULAR, back[3]);
        gl.Materiali(GL_BACK, GL_SHININESS, 0);
        gl.Disable(GL_BLEND);
        gl.Disable(GL_ALPHA_TEST);
        gl.Disable(GL_FOG);
        gl.ActiveTexture(GL_TEXTURE0);
        gl.BindTexture(GL_TEXTURE_2D, Textures[i]);
        gl.Enable(GL_TEXTURE_2D);
        gl.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        const float envColor[4] = {0, 0, 0, 0};
        gl.TexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, envColor);
        gl.Enable(GL_DEPTH_TEST);
        gl.DepthMask(GL_TRUE);
        gl.DepthFunc(GL_LEQUAL);
        gl.DepthRange(0, 1);
        gl.Disable(GL_TEXTURE_2D);
    }

    TGLContext* Context = nullptr;
    TGLRenderContextInfo rci{};
    std::unique_ptr<TGLMaterialLibrary> Library;
    std::array<std::unique_ptr<TGLMaterial>, 2> Materials;
    std::array<uint32_t, 2> Textures{};
    std::array<TVector4f, 2> Diffuse{};
    bool Ready = false;
};

// alternate: material i % 2 at the i-th application, else always material 0.
template <bool bare> void RunApplications(benchmark::State& state, bool alternate)
{
    TMaterialScene scene;
    if (!scene.Ready) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    for (auto _ : state)
        for (int i = 0; i < cApplications; ++i) {
            const int which = alternate ? i & 1 : 0;
            if constexpr (bare)
                scene.ApplyBare(which);
            else
                scene.Apply(which);
        }
    GetCurrentGL()->Finish();
    state.SetItemsProcessed(state.iterations() * cApplications);
}

void BM_MaterialApplySame(benchmark::State& state) { RunApplications<false>(state, false); }
void BM_BareGLApplySame(benchmark::State& state) { RunApplications<true>(state, false); }
void BM_MaterialApplyAlternating(benchmark::State& state) { RunApplications<false>(state, true); }
void BM_BareGLApplyAlternating(benchmark::State& state) { RunApplications<true>(state, true); }

BENCHMARK(BM_MaterialApplySame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareGLApplySame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MaterialApplyAlternating)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareGLApplyAlternating)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_MaterialApplySame, BM_BareGLApplySame);
BENCHMARK_BASELINE(BM_MaterialApplyAlternating, BM_BareGLApplyAlternating);

} // namespace
