// The interface's share of a steady exploring frame on an unshown main window: the game buttons' pass and the
// basic HUD, with the pointer resting on an icon, beside a plain loop that writes the 63 button sprites' and
// texts' positions, sizes and visibility straight into them. Nothing changes from frame to frame, so neither
// side assigns a material. Goal: at most 20 us a frame.
#include "UGH_main.h"

#include "GLCoordinates.h"
#include "GLHUDObjects.h"

#include "BenchBaseline.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

std::unique_ptr<TForm1, TFreeDeleter> ExploringWindow()
{
    ResetGameTables();
    std::unique_ptr<TForm1, TFreeDeleter> form(new TForm1(nullptr));
    form->prepareuiobjects();
    form->definebutsets();
    mmmode = false;
    ingame = true;
    scrw = fullw = 1024;
    scrh = fullh = 768;
    halfw = 512;
    halfh = 384;
    hoverbut = lasthoverbut = 5;
    form->ProcessButtons();
    form->ProcessBasicHUD();
    return form;
}

void BM_InterfaceFrame(benchmark::State& state)
{
    const auto form = ExploringWindow();
    for (auto _ : state) {
        form->ProcessButtons();
        form->ProcessBasicHUD();
    }
    hoverbut = lasthoverbut = -1;
}
BENCHMARK(BM_InterfaceFrame)->Unit(benchmark::kMicrosecond);

void BM_PlainButtonWrites(benchmark::State& state)
{
    const auto form = ExploringWindow();
    for (auto _ : state) {
        for (int32_t id = 0; id <= 62; ++id) {
            const gamebutton& b = gbuttons[id];
            TGLHUDSprite* sprite = form->gbsprites[id];
            TGLHUDText* text = form->gbtexts[id];
            sprite->Position()->SetX(b.x);
            sprite->Position()->SetY(b.y);
            sprite->SetWidth(b.w);
            sprite->SetHeight(b.h);
            sprite->SetVisible(b.visible);
            text->Position()->SetX(b.x);
            text->Position()->SetY(b.y);
            text->SetVisible(b.visible);
        }
    }
    hoverbut = lasthoverbut = -1;
}
BENCHMARK(BM_PlainButtonWrites)->Unit(benchmark::kMicrosecond);
BENCHMARK_BASELINE(BM_InterfaceFrame, BM_PlainButtonWrites);

} // namespace
