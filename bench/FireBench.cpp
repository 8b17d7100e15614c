// A fire of 1,000 particles: one step of the manager alone (ageing, moving, refilling the pool), and a headless
// 256 x 192 frame that advances the fire and draws it through a memory viewer, beside the same frame without
// the fire. CPU time of the calling thread; run with LIBGL_ALWAYS_SOFTWARE=1 for llvmpipe, which transforms and
// sets up the fans' triangles on the calling thread too: the frame whose driver draws nothing shows the
// engine's own share (sorting, filling the fans' array, state).
#include "GLContext.h"
#include "GLFireFX.h"
#include "GLObjects.h"
#include "GLWin32Context.h"
#include "Graphics.h"
#include "OpenGLAdapter.h"
#include "RandomGenerator.h"
#include "VAVodad.h"

#include <benchmark/benchmark.h>
#include "BenchBaseline.h"

namespace {

constexpr int32_t cParticles = 1000;
constexpr double cFrame = 1.0 / 60;

// A manager whose pool is refilled to 1,000 particles on every step, about an emitter 20 units ahead.
struct TFireScene {
    explicit TFireScene(bool withFire)
    {
        RegisterGLWin32Context();
        InitContextModule();
        SetRandSeed(1);
        Scene = new TVAVodad(nullptr);
        auto* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(Scene->Objects());
        camera->SetFocalLength(50);
        auto* emitter = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(Scene->Objects());
        emitter->Position()->SetPoint(0, -3, -20);
        Manager = new TGLFireFXManager(nullptr);
        Manager->SetMaxParticles(cParticles);
        Manager->SetUseInterval(false);
        Manager->SetReference(emitter);
        Manager->SetParticleSize(1.5f);
        if (withFire) (new TGLBFireFX(emitter->Effects()))->SetManager(Manager);
        Viewer = new TGLMemoryViewer(nullptr);
        Viewer->SetWidth(256);
        Viewer->SetHeight(192);
        Viewer->SetCamera(camera);
        Viewer->Buffer()->SetBackgroundColor(clBlack);
        Viewer->Buffer()->WrapUpRendering = [](TObject*, TGLRenderContextInfo&) { GetCurrentGL()->Finish(); };
        try {
            Viewer->Render();
            Ready = true;
        } catch (const Exception&) {
        }
    }
    ~TFireScene()
    {
        Free(Viewer);
        Free(Manager);
        Free(Scene);
        DoneContextModule();
    }

    TVAVodad* Scene = nullptr;
    TGLFireFXManager* Manager = nullptr;
    TGLMemoryViewer* Viewer = nullptr;
    bool Ready = false;
};

void BM_FireAdvance(benchmark::State& state)
{
    SetRandSeed(1);
    TGLFireFXManager manager(nullptr);
    manager.SetMaxParticles(cParticles);
    manager.SetUseInterval(false);
    double time = 0;
    for (auto _ : state) {
        time += cFrame;
        manager.DoProgress(TProgressTimes{cFrame, time});
        benchmark::DoNotOptimize(manager.ParticleCount());
    }
    state.SetItemsProcessed(state.iterations() * cParticles);
}
BENCHMARK(BM_FireAdvance);

void NoDraw(GLenum, const GLint*, const GLsizei*, GLsizei) {}

void RunFrames(benchmark::State& state, bool withFire, bool driverDraws = true)
{
    TFireScene bench(withFire);
    if (!bench.Ready) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    if (!driverDraws) bench.Viewer->Buffer()->RenderingContext()->GL()->MultiDrawArrays = &NoDraw;
    double time = 0;
    for (auto _ : state) {
        time += cFrame;
        bench.Manager->DoProgress(TProgressTimes{cFrame, time});
        bench.Viewer->Render();
    }
    state.counters["particles"] = bench.Manager->ParticleCount();
}

void BM_FireFrame(benchmark::State& state)
{
    RunFrames(state, true);
}
BENCHMARK(BM_FireFrame);

void BM_FireFrameWithoutDriverDraw(benchmark::State& state)
{
    RunFrames(state, true, false);
}
BENCHMARK(BM_FireFrameWithoutDriverDraw);

void BM_FrameWithoutFire(benchmark::State& state)
{
    RunFrames(state, false);
}
BENCHMARK(BM_FrameWithoutFire);
BENCHMARK_BASELINE(BM_FireFrame, BM_FrameWithoutFire);
BENCHMARK_BASELINE(BM_FireFrameWithoutDriverDraw, BM_FrameWithoutFire);

} // namespace
