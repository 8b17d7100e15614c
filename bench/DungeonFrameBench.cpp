// A dungeon frame at 1024 x 768 on the start map of the demo adventure the build writes into the program folder:
// the game's frame routine (CadencerRun with its blocks, visibility and lights included) and the render of the
// main window's scene through its camera, the player standing on the map's start. Beside it, the engine's bare
// frame: a plain scene holding copies of the same visible level objects, lit by the same lights and seen by a
// camera in the same place, rendered alone. And the dungeon frame with a fire burning two cells ahead of the player
// (the game's fire manager on a carrier as a free mesh's fire has, advanced with every frame), beside the same
// frame without it.
#include "UGH_main.h"

#include "BenchBaseline.h"
#include "BenchViewer.h"
#include "DungeonWindow.h"
#include "PlainScene.h"

#include "GLContext.h"
#include "GLFireFX.h"
#include "GLGeomObjects.h"
#include "GLWin32Context.h"
#include "VAVodad.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int32_t cWidth = 1024, cHeight = 768;

// The game and its plain copy, each with a 1024 x 768 memory viewer; Ready is false without OpenGL or data.
struct TDungeonBench {
    TDungeonBench()
    {
        RegisterGLWin32Context();
        InitContextModule();
        Form = DungeonWindow();
        if (!Form) return;
        GameViewer = NewBenchViewer(Form->mcam, cWidth, cHeight);
        Plain = std::make_unique<TPlainScene>(*Form, false);
        PlainViewer = NewBenchViewer(Plain->Camera, cWidth, cHeight);
        Ready = GameViewer && PlainViewer;
    }
    ~TDungeonBench()
    {
        Free(GameViewer);
        Free(PlainViewer);
        Plain.reset();
        Form.reset();
        gamedir.clear();
        ResetGameTables();
        DoneContextModule();
    }

    std::unique_ptr<TForm1, TFreeDeleter> Form;
    std::unique_ptr<TPlainScene> Plain;
    TGLMemoryViewer* GameViewer = nullptr;
    TGLMemoryViewer* PlainViewer = nullptr;
    bool Ready = false;
};

// Times frame() with the frame rate beside the time, after 60 untimed frames (the software renderer compiles a
// shader for each new combination of state in a view's first frames); skips without OpenGL or data.
template <class F> void RunFrames(benchmark::State& state, TDungeonBench& bench, F frame)
{
    if (!bench.Ready) {
        state.SkipWithError("no OpenGL context or no demo adventure in the program folder");
        return;
    }
    for (int32_t k = 0; k < 60; ++k) frame();
    for (auto _ : state) frame();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_DungeonFrame(benchmark::State& state)
{
    TDungeonBench bench;
    RunFrames(state, bench, [&bench] {
        bench.Form->CadencerRun(1.0 / 60);
        bench.GameViewer->Render();
    });
}
BENCHMARK(BM_DungeonFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainDungeonFrame(benchmark::State& state)
{
    TDungeonBench bench;
    RunFrames(state, bench, [&bench] { bench.PlainViewer->Render(); });
    if (bench.Ready) state.counters["objects"] = bench.Plain->Objects;
}
BENCHMARK(BM_PlainDungeonFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_BASELINE(BM_DungeonFrame, BM_PlainDungeonFrame);

// A fire carrier as the game makes one for a free mesh, 40 units (two cells) ahead of the camera, burning with the
// game's fire manager; the fire has burnt for two seconds.
void LightFire(TForm1& form)
{
    auto* carrier = TGLBaseSceneObject::CreateAsChild<TGLSphere>(form.dcgameb);
    carrier->SetRadius(0.1f);
    carrier->SetSlices(5);
    TVector4f at = form.mcam->AbsolutePosition();
    const TVector4f ahead = form.mcam->AbsoluteDirection();
    for (int c = 0; c < 3; ++c) at.V[c] += 40 * ahead.V[c];
    carrier->Position()->SetPoint(at.X, at.Y, at.Z - 5);
    (new TGLBFireFX(carrier->Effects()))->SetManager(form.GLFireFXManager1);
    for (int frame = 1; frame <= 120; ++frame)
        form.GLFireFXManager1->DoProgress(TProgressTimes{1.0 / 60, frame / 60.0});
}

void BM_DungeonFireFrame(benchmark::State& state)
{
    TDungeonBench bench;
    if (bench.Ready) LightFire(*bench.Form);
    double time = 2;
    RunFrames(state, bench, [&bench, &time] {
        bench.Form->GLFireFXManager1->DoProgress(TProgressTimes{1.0 / 60, time += 1.0 / 60});
        bench.Form->CadencerRun(1.0 / 60);
        bench.GameViewer->Render();
    });
    if (bench.Ready) state.counters["particles"] = bench.Form->GLFireFXManager1->ParticleCount();
}
BENCHMARK(BM_DungeonFireFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_BASELINE(BM_DungeonFireFrame, BM_DungeonFrame);

} // namespace
