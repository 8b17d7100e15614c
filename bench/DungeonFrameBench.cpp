// A dungeon frame at 1024 x 768 on the start map of the demo adventure the build writes into the program folder:
// the game's frame routine (CadencerRun with its blocks, visibility and lights included) and the render of the
// main window's scene through its camera, the player standing on the map's start. Beside it, the engine's bare
// frame: a plain scene holding copies of the same visible level objects, lit by the same lights and seen by a
// camera in the same place, rendered alone.
#include "UGH_main.h"

#include "BenchBaseline.h"
#include "BenchViewer.h"
#include "DungeonWindow.h"

#include "GLContext.h"
#include "GLGeomObjects.h"
#include "GLObjects.h"
#include "GLShadowVolume.h"
#include "GLSkyBox.h"
#include "GLVectorFileObjects.h"
#include "GLWin32Context.h"
#include "VAVodad.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int32_t cWidth = 1024, cHeight = 768;

// A copy of the visible objects of the game's level, its scene lights and camera in a scene of its own.
struct TPlainDungeon {
    explicit TPlainDungeon(TForm1& form)
    {
        Scene = new TVAVodad(nullptr);
        TGLBaseSceneObject* root = Scene->Objects();
        Camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(root);
        Camera->SetFocalLength(form.mcam->FocalLength());
        Camera->SetDepthOfView(form.mcam->DepthOfView());
        Camera->SetMatrix(form.mcam->AbsoluteMatrix());
        for (TGLLightSource* light : form.scenelights) Copy(light, root);
        Copy(form.playerlight, root);
        if (form.GLSkyBox1->Visible()) Copy(form.GLSkyBox1, root);
        CopyVisibleChildren(form.shadowz, root);
    }
    ~TPlainDungeon() { Free(Scene); }

    template <class T> void Copy(T* source, TGLBaseSceneObject* parent)
    {
        T* copy = TGLBaseSceneObject::CreateAsChild<T>(parent);
        copy->Assign(source);
        copy->SetMatrix(source->AbsoluteMatrix());
        ++Objects;
    }
    // The level's meshes, planes and sprites that show, one level deep as the game builds them.
    void CopyVisibleChildren(TGLBaseSceneObject* parent, TGLBaseSceneObject* root)
    {
        for (int32_t i = 0; i < parent->Count(); ++i) {
            TGLBaseSceneObject* child = parent->Children(i);
            if (!child->Visible()) continue;
            if (auto* mesh = dynamic_cast<TGLFreeForm*>(child))
                Copy(mesh, root);
            else if (auto* plane = dynamic_cast<TGLPlane*>(child))
                Copy(plane, root);
            else if (auto* sprite = dynamic_cast<TGLSprite*>(child))
                Copy(sprite, root);
        }
    }

    TVAVodad* Scene = nullptr;
    TGLCamera* Camera = nullptr;
    int32_t Objects = 0; // lights and the sky box included
};

// The game and its plain copy, each with a 1024 x 768 memory viewer; Ready is false without OpenGL or data.
struct TDungeonBench {
    TDungeonBench()
    {
        RegisterGLWin32Context();
        InitContextModule();
        Form = DungeonWindow();
        if (!Form) return;
        GameViewer = NewBenchViewer(Form->mcam, cWidth, cHeight);
        Plain = std::make_unique<TPlainDungeon>(*Form);
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
    std::unique_ptr<TPlainDungeon> Plain;
    TGLMemoryViewer* GameViewer = nullptr;
    TGLMemoryViewer* PlainViewer = nullptr;
    bool Ready = false;
};

// Times frame() with the frame rate beside the time; skips without OpenGL or data.
template <class F> void RunFrames(benchmark::State& state, TDungeonBench& bench, F frame)
{
    if (!bench.Ready) {
        state.SkipWithError("no OpenGL context or no demo adventure in the program folder");
        return;
    }
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

} // namespace
