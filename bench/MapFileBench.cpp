// Map files: a full 100 x 100 level (about 430,000 lines) read with LoadMap and written with SaveMap, without a
// load screen, beside a plain std::getline split of the same file into lines and a plain join of those lines
// written back.
#include "UGH_data.h"

#include "BenchBaseline.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// A data folder with "levels\full.map", made once and removed at exit.
const std::filesystem::path& Folder()
{
    static const std::filesystem::path folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "mirefall_bench_XXXXXX").string();
        std::filesystem::path made = mkdtemp(pattern.data());
        std::filesystem::create_directories(made / "levels");
        gamedir = made.string();
        lng = "en";

        // Walls around rooms, doors, events, sprites and overrides, as a dense level has them.
        TLevelData level;
        level.mapmaxx = level.mapmaxy = 99;
        ClearLevelTables(level);
        level.mapid = "full";
        level.startx = level.starty = 1;
        for (int32_t x = 0; x <= 99; ++x)
            for (int32_t y = 0; y <= 99; ++y) {
                lcell& cell = level.levelgrid[x][y];
                cell.wall = x % 10 == 0 || y % 10 == 0;
                cell.passable = !cell.wall;
                cell.door = !cell.wall && (x + y) % 17 == 0;
                cell.trap = (x * y) % 23 == 5;
                cell.traptype = (x + 3 * y) % 20;
                cell.spritename = (x + y) % 7 == 0 ? "spr_barrel1" : "0";
                cell.wco = x % 13 == 0 ? "etex_1_0" : "";
                cell.plz = 10;
                cell.lgroup = (x / 10) % 4;
            }
        for (freesprite& sprite : level.freesprites) sprite = {true, true, 20, 40, 5, "spr_table", 10, 15, 0.5, -1};
        for (freemesh& mesh : level.mapfreemeshes) {
            mesh.enabled = true;
            mesh.name = "pillar";
            mesh.spd = 1.5;
            mesh.rx = -20.25;
        }
        for (lightslot& light : level.levellights) light.dr = light.dg = 0.5, light.ca = 0.1;
        SwapLevelData(level);
        SaveMap((made / "levels" / "full.map").string(), true);
        return made;
    }();
    // Registered once the folder is made, so that the removal runs before the folder's name is destroyed.
    static const bool removedAtExit = (std::atexit([] { std::filesystem::remove_all(folder); }), true);
    (void)removedAtExit;
    return folder;
}

std::string MapName() { return (Folder() / "levels" / "full.map").string(); }

std::vector<std::string> PlainSplit(const std::string& fileName)
{
    std::vector<std::string> lines;
    std::ifstream in(fileName, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

void BM_LoadMap(benchmark::State& state)
{
    const std::string fileName = MapName();
    for (auto _ : state) {
        LoadMap(fileName);
        benchmark::DoNotOptimize(levelgrid[99][99].x);
    }
}
BENCHMARK(BM_LoadMap)->Unit(benchmark::kMillisecond);

void BM_PlainMapSplit(benchmark::State& state)
{
    const std::string fileName = MapName();
    for (auto _ : state) benchmark::DoNotOptimize(PlainSplit(fileName).size());
}
BENCHMARK(BM_PlainMapSplit)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_LoadMap, BM_PlainMapSplit);

void BM_SaveMap(benchmark::State& state)
{
    LoadMap(MapName());
    const std::string fileName = (Folder() / "levels" / "saved.map").string();
    for (auto _ : state) SaveMap(fileName, false);
}
BENCHMARK(BM_SaveMap)->Unit(benchmark::kMillisecond);

void BM_PlainMapJoin(benchmark::State& state)
{
    const std::vector<std::string> lines = PlainSplit(MapName());
    const std::string fileName = (Folder() / "levels" / "plain.map").string();
    for (auto _ : state) {
        std::string text;
        for (const std::string& line : lines) text.append(line).append("\r\n");
        std::ofstream(fileName, std::ios::binary) << text;
    }
}
BENCHMARK(BM_PlainMapJoin)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_SaveMap, BM_PlainMapJoin);

} // namespace
