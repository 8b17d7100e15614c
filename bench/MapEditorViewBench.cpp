// The map editor's drawing of a full 101 x 101 map with every overlay on (marks, areas, a spread selection, free
// sprites, free meshes, wanderers, lights with their group numbers), composed into the view, beside the baseline of
// the canvas filling the same 10,201 cell rectangles alone.
#include "UGHmapedit.h"
#include "UGH_tables.h"

#include "Graphics.h"

#include "BenchBaseline.h"

#include <benchmark/benchmark.h>

namespace {

// Every kind of cell and overlay, spread over the grid.
void FillFullMap()
{
    mapmaxx = mapmaxy = 100;
    for (int32_t x = 0; x <= 100; ++x)
        for (int32_t y = 0; y <= 100; ++y) {
            lcell& c = levelgrid[x][y];
            const int32_t k = (x * 7 + y * 3) % 8;
            c.wall = k == 0;
            c.passable = k >= 3;
            c.door = k == 1;
            c.chest = k == 2;
            c.spritename = k == 4 ? "spr_torch" : "0";
            c.floor = c.ceil = !c.wall;
            c.trap = k == 5;
            c.traptype = (x + y) % 3 == 0 ? 8 : 0;
            c.doorno = (x + 5) % 101;
            c.chestno = (y + 9) % 101;
            c.outdoors = k == 6;
            c.wmo = k == 7 ? "pillar" : "";
            c.fmo = k == 6 ? "grate" : "";
            c.fwm = k == 7 && x % 2 == 0;
            c.blockx1 = k == 3 ? -1 : 0;
            c.blocky2 = k == 4 ? 1 : 0;
            c.visarea = x / 10;
            c.visarea2 = y / 10;
        }
    for (int32_t i = 0; i <= 200; ++i) {
        freesprites[i] = {true, i % 2 == 0, 10 * i, 10 * (200 - i), 5, "spr", 20, 14, 1.0, 0.0};
        freemeshes[i].enabled = true;
        freemeshes[i].x = 10 * i;
        freemeshes[i].y = 10 * i;
        wanderers[i] = {i % 101, (i * 3) % 101, 1, i % 2, true, ""};
    }
    for (int32_t i = 0; i <= 19; ++i) {
        levellights[i].shining = true;
        levellights[i].x = 100 * i;
        levellights[i].y = 90 * i;
        levellights[i].lgroup = i % 4;
    }
    startx = starty = 1;
    exitx = exity = 99;
    playerx = playery = 50;
    lookdirx = 1;
    lookdiry = 0;
}

TForm2& Editor()
{
    static TForm2* const editor = [] {
        auto* made = new TForm2(nullptr);
        made->CheckBox10->SetChecked(true);
        made->CheckBox21->SetChecked(true);
        return made;
    }();
    return *editor;
}

void BM_MapEditorRenderMap(benchmark::State& state)
{
    FillFullMap();
    TForm2& editor = Editor();
    edcurx = 40;
    edcury = 40;
    edselx = 49;
    edsely = 49;
    for (auto _ : state) editor.RenderMap();
}
BENCHMARK(BM_MapEditorRenderMap)->Unit(benchmark::kMillisecond);

void BM_CanvasCellRectangles(benchmark::State& state)
{
    TBitmap bitmap;
    for (auto _ : state) {
        bitmap.SetSize(101 * 20, 101 * 20);
        TCanvas& canvas = *bitmap.Canvas();
        for (int32_t x = 0; x <= 100; ++x)
            for (int32_t y = 0; y <= 100; ++y) {
                canvas.Brush()->SetColor((x + y) % 2 ? clGray : clBlack);
                canvas.Rectangle(20 * x, 20 * y, 20 * x + 20, 20 * y + 20);
            }
        benchmark::DoNotOptimize(bitmap.ScanLine(0));
    }
}
BENCHMARK(BM_CanvasCellRectangles)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_MapEditorRenderMap, BM_CanvasCellRectangles);

} // namespace
