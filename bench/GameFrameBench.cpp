// The game's frame logic without rendering, on an unshown main window on the main menu: CadencerRun with its
// eight guarded blocks from the block table and the load-screen step, beside calling the same block contents
// and the load-screen step directly, without guards, switches or table. A second case is a frame while a level
// is busy, which runs only the load screen.
#include "UGH_main.h"

#include "BenchBaseline.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// A main window as the start-up leaves it on the main menu, its first frame's full-screen step done.
std::unique_ptr<TForm1, TFreeDeleter> MainMenuWindow()
{
    ResetGameTables();
    std::unique_ptr<TForm1, TFreeDeleter> form(new TForm1(nullptr));
    levelbusy = false;
    mmmode = true;
    fsinitdone = true;
    return form;
}

void BM_GameFrame(benchmark::State& state)
{
    const auto form = MainMenuWindow();
    for (auto _ : state) form->CadencerRun(1.0 / 60);
    benchmark::DoNotOptimize(halfw);
}
BENCHMARK(BM_GameFrame);

void BM_PlainFrameBlocks(benchmark::State& state)
{
    const auto form = MainMenuWindow();
    for (auto _ : state) {
        form->FrameBlockB1(1.0 / 60);
        form->FrameBlockB3(1.0 / 60);
        form->FrameBlockB5(1.0 / 60);
        form->FrameBlockB8(1.0 / 60);
        form->ProcessLoadScreen();
    }
    benchmark::DoNotOptimize(halfw);
}
BENCHMARK(BM_PlainFrameBlocks);
BENCHMARK_BASELINE(BM_GameFrame, BM_PlainFrameBlocks);

void BM_GameFrameLoadScreen(benchmark::State& state)
{
    const auto form = MainMenuWindow();
    levelbusy = true;
    mapname = "The Sunken Crypt";
    for (auto _ : state) form->CadencerRun(1.0 / 60);
    levelbusy = false;
}
BENCHMARK(BM_GameFrameLoadScreen);

} // namespace
