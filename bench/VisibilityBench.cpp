// Block visibility and the minimap on the dense 100 x 100 level of the game benchmarks, on an unshown main window
// whose level objects are empty meshes and planes (no file read, nothing drawn): a full refresh of the grid
// beside a plain pass that sets the same objects' visibility by distance alone, and the minimap of the whole
// level explored.
#include "UGH_data.h"
#include "UGH_main.h"

#include "BenchBaseline.h"
#include "GameBenchFiles.h"

#include "GLHUDObjects.h"
#include "GLObjects.h"
#include "GLShadowVolume.h"
#include "GLVectorFileObjects.h"
#include "VAVodad.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// The dense level in the game's tables with an object for each wall, floor, ceiling and sprite; the player in
// the middle.
struct TVisibilityBench {
    TVisibilityBench()
    {
        ResetGameTables();
        Form.reset(new TForm1(nullptr));
        TLevelData level = DenseBenchLevel();
        SwapLevelData(level);
        levelbusy = false;
        viewdist = 15;
        playerx = playery = 45;
        lookdirx = 1;
        for (int32_t x = 0; x <= mapmaxx; ++x) {
            for (int32_t y = 0; y <= mapmaxy; ++y) {
                lcell& cell = levelgrid[x][y];
                cell.floor = cell.ceil = cell.passable;
                explored[x][y] = true;
                if (cell.wall) Keep(cellwalls[x][y] = Make<TGLFreeForm>(), x, y);
                if (cell.floor) Keep(cellfloors[x][y] = Make<TGLFreeForm>(), x, y);
                if (cell.ceil) Keep(cellceils[x][y] = Make<TGLPlane>(), x, y);
                if (cell.spritename != "0") Keep(cellsprites[x][y] = Make<TGLPlane>(), x, y);
            }
        }
    }
    ~TVisibilityBench()
    {
        TForm1::ForgetLevelObjects();
        Form.reset();
        ResetGameTables();
    }
    template <class T> T* Make() { return TGLBaseSceneObject::CreateAsChild<T>(Form->shadowz); }
    void Keep(TGLBaseSceneObject* object, int32_t x, int32_t y) { Objects.push_back({object, x, y}); }

    struct TPlaced {
        TGLBaseSceneObject* Object;
        int32_t X, Y;
    };
    std::unique_ptr<TForm1, TFreeDeleter> Form;
    std::vector<TPlaced> Objects;
};

void BM_FullVisibilityRefresh(benchmark::State& state)
{
    TVisibilityBench bench;
    for (auto _ : state) bench.Form->FullMBW(viewdist);
    state.counters["objects"] = static_cast<double>(bench.Objects.size());
}
BENCHMARK(BM_FullVisibilityRefresh)->Unit(benchmark::kMillisecond);

void BM_PlainVisibilityPass(benchmark::State& state)
{
    TVisibilityBench bench;
    for (auto _ : state) {
        for (const auto& placed : bench.Objects) {
            const bool near = std::abs(placed.X - playerx) < viewdist && std::abs(placed.Y - playery) < viewdist;
            if (placed.Object->Visible() != near) placed.Object->SetVisible(near);
        }
    }
}
BENCHMARK(BM_PlainVisibilityPass)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_FullVisibilityRefresh, BM_PlainVisibilityPass);

void BM_ForwardVisibilityRefresh(benchmark::State& state)
{
    TVisibilityBench bench;
    for (auto _ : state) bench.Form->MonitorBlockVisibility(playerx, playery, viewdist, false);
}
BENCHMARK(BM_ForwardVisibilityRefresh)->Unit(benchmark::kMillisecond);

void BM_MinimapOfTheWholeLevel(benchmark::State& state)
{
    TVisibilityBench bench;
    bench.Form->minimap->SetVisible(true);
    for (auto _ : state) bench.Form->WorkOnMinimap();
}
BENCHMARK(BM_MinimapOfTheWholeLevel)->Unit(benchmark::kMillisecond);

} // namespace
