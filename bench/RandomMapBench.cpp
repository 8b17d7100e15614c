// A generated 100 x 100 level (level 450) built into the scene of an unshown main window, beside the baseline of
// the same level read from its map file and built.
#include "GLObjects.h"
#include "RandomGenerator.h"
#include "UGH_data.h"
#include "UGH_main.h"
#include "VAVodad.h"

#include "BenchBaseline.h"
#include "GameBenchFiles.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

namespace {

constexpr int32_t cLevel = 450;
constexpr uint32_t cSeed = 2026;

void FillFolder(const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder / "meshes");
    std::filesystem::create_directories(folder / "levels");
    std::filesystem::create_directories(folder / "textures" / "hq" / "0");
    for (const char* name : {"m_wall.obj", "m_door.obj"}) std::ofstream(folder / "meshes" / name) << cBenchBoxMesh;
    std::ofstream(folder / "meshes" / "m_floor.obj") << cBenchSquareMesh;
    std::ofstream(folder / "textures" / "hq" / "0" / "tex_0.tga");
    std::ofstream(folder / "levels" / "defaultlightdata.txt") << "5000\r\n100\r\n100\r\n255\r\n127\r\n0\r\n";
}

// The main window, made once, with one enabled wall set and two wall decorations.
TForm1& GeneratorWindow()
{
    static TForm1* form = [] {
        auto* made = new TForm1(nullptr);
        for (TGLLightSource*& light : made->scenelights)
            light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(made->dcgame);
        return made;
    }();
    // A lambda of its own: a folder is made per fill type, and other benchmarks fill theirs by function.
    BenchDataFolder([](const std::filesystem::path& folder) { FillFolder(folder); });
    envrlist[0].enabled = true;
    spritelist = {{"spr_torch", 1, 8, 12}, {"spr_banner", 1, 6, 20}};
    form->setdefaultrndons();
    rndons = defrndons;
    viewdist = maxvd;
    levelbusy = false;
    return *form;
}

void Generate(TForm1& form)
{
    form.ClearLevel();
    levelno = cLevel;
    SetRandSeed(cSeed);
    form.RandomMap();
}

void BM_RandomMapAndBuild(benchmark::State& state)
{
    TForm1& form = GeneratorWindow();
    for (auto _ : state) {
        Generate(form);
        form.BuildLevel();
    }
    state.counters["cells"] = (mapmaxx + 1) * (mapmaxy + 1);
}
BENCHMARK(BM_RandomMapAndBuild)->Unit(benchmark::kMillisecond);

// The same level written once as a map file, then read and built.
void BM_LoadMapAndBuild(benchmark::State& state)
{
    TForm1& form = GeneratorWindow();
    const std::string fileName = GamePath("\\levels\\generated.map");
    Generate(form);
    SaveMap(fileName, false);
    for (auto _ : state) {
        LoadMap(fileName);
        form.BuildLevel();
    }
    state.counters["cells"] = (mapmaxx + 1) * (mapmaxy + 1);
}
BENCHMARK(BM_LoadMapAndBuild)->Unit(benchmark::kMillisecond);

BENCHMARK_BASELINE(BM_RandomMapAndBuild, BM_LoadMapAndBuild);

} // namespace
