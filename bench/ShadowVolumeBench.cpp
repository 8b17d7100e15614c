// One headless 1024 x 768 frame of a lit floor with 50 box casters under a shadow volume in darkening mode
// (one light, capped volumes, warm silhouette cache), beside the same frame with the volume switched off, on
// the same kind of p-buffer with a stencil buffer. Both frames end with glFinish, so the driver's rasterising
// is in both. Run with LIBGL_ALWAYS_SOFTWARE=1 for llvmpipe.
#include "GLContext.h"
#include "GLObjects.h"
#include "GLShadowVolume.h"
#include "GLWin32Context.h"
#include "OpenGLAdapter.h"
#include "VAVodad.h"

#include <benchmark/benchmark.h>
#include "BenchBaseline.h"

namespace {

constexpr int32_t cWidth = 1024;
constexpr int32_t cHeight = 768;
constexpr int32_t cCasters = 50;

// The scene, its light, floor and casters, and a memory viewer; Ready is false without OpenGL.
struct TShadowBenchScene {
    explicit TShadowBenchScene(TGLShadowVolumeMode mode)
    {
        RegisterGLWin32Context();
        InitContextModule();
        Scene = new TVAVodad(nullptr);
        auto* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(Scene->Objects());
        camera->SetFocalLength(50);
        camera->Position()->SetPoint(0, 12, 14);
        auto* light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(Scene->Objects());
        light->SetLightStyle(lsOmni);
        light->Position()->SetPoint(2, 10, 2);
        auto* volume = TGLBaseSceneObject::CreateAsChild<TGLShadowVolume>(Scene->Objects());
        volume->SetMode(mode);
        volume->Lights()->AddCaster(light);
        auto* floor = TGLBaseSceneObject::CreateAsChild<TGLPlane>(volume);
        floor->SetWidth(40);
        floor->SetHeight(40);
        floor->SetPitchAngle(90);
        // Ten by five boxes standing on the floor, as the walls and free meshes of a level would.
        for (int32_t i = 0; i < cCasters; ++i) {
            auto* box = TGLBaseSceneObject::CreateAsChild<TGLCube>(volume);
            box->Position()->SetPoint(static_cast<float>(i % 10) * 2 - 9, 0.5f, static_cast<float>(i / 10) * 2 - 4);
            volume->Occluders()->AddCaster(box);
        }
        camera->SetTargetObject(floor);
        Viewer = new TGLMemoryViewer(nullptr);
        Viewer->SetWidth(cWidth);
        Viewer->SetHeight(cHeight);
        Viewer->SetCamera(camera);
        Viewer->Buffer()->SetContextOptions(Viewer->Buffer()->ContextOptions() + TContextOptions{roStencilBuffer});
        Viewer->Buffer()->SetBackgroundColor(clBlack);
        try {
            Viewer->Render();
            Ready = true;
        } catch (const Exception&) {
        }
        // The frame ends with glFinish while the buffer still has its context current.
        Viewer->Buffer()->WrapUpRendering = [](TObject*, TGLRenderContextInfo&) { GetCurrentGL()->Finish(); };
    }
    ~TShadowBenchScene()
    {
        Free(Viewer);
        Free(Scene);
        DoneContextModule();
    }

    TVAVodad* Scene = nullptr;
    TGLMemoryViewer* Viewer = nullptr;
    bool Ready = false;
};

void RunFrames(benchmark::State& state, TGLShadowVolumeMode mode)
{
    TShadowBenchScene bench(mode);
    if (!bench.Ready) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    for (auto _ : state) bench.Viewer->Render();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ShadowVolumeFrame(benchmark::State& state)
{
    RunFrames(state, svmDarkening);
}
BENCHMARK(BM_ShadowVolumeFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_UnshadowedFrame(benchmark::State& state)
{
    RunFrames(state, svmOff);
}
BENCHMARK(BM_UnshadowedFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_BASELINE(BM_ShadowVolumeFrame, BM_UnshadowedFrame);

} // namespace
