// Map files: a full 100 x 100 level (about 430,000 lines) read with LoadMap and written with SaveMap, without a
// load screen, beside a plain std::getline split of the same file into lines and a plain join of those lines
// written back; and a 100 x 100 version-15 map, whose cells look for their five side files, beside a plain split
// and a stat call for each of those files.
#include "UGH_data.h"

#include "BenchBaseline.h"
#include "GameBenchFiles.h"

#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// A data folder with "levels\full.map", made once and removed at exit.
const std::filesystem::path& Folder()
{
    return BenchDataFolder([](const std::filesystem::path& made) {
        std::filesystem::create_directories(made / "levels");

        // The dense level with events, overrides, light groups, free sprites and a negative free-mesh turn.
        TLevelData level = DenseBenchLevel();
        for (int32_t x = 0; x <= 99; ++x)
            for (int32_t y = 0; y <= 99; ++y) {
                lcell& cell = level.levelgrid[x][y];
                cell.trap = (x * y) % 23 == 5;
                cell.traptype = (x + 3 * y) % 20;
                cell.wco = x % 13 == 0 ? "etex_1_0" : "";
                cell.lgroup = (x / 10) % 4;
            }
        for (freesprite& sprite : level.freesprites) sprite = {true, true, 20, 40, 5, "spr_table", 10, 15, 0.5, -1};
        for (freemesh& mesh : level.mapfreemeshes) mesh.rx = -20.25;
        for (lightslot& light : level.levellights) light.dr = light.dg = 0.5, light.ca = 0.1;
        SwapLevelData(level);
        SaveMap((made / "levels" / "full.map").string(), true);
    });
}

std::string MapName() { return (Folder() / "levels" / "full.map").string(); }

// A version-15 map "levels\old.map" of 100 x 100 cells in the same folder, every tenth column of cells with all
// five side files in "levels\old\".
std::string OldMapName()
{
    static const std::string fileName = [] {
        const std::filesystem::path folder = Folder() / "levels";
        std::filesystem::create_directories(folder / "old");
        std::string text;
        auto add = [&](std::initializer_list<const char*> values) {
            for (const char* value : values) text.append(value).append("\r\n");
        };
        add({"15", "old", "99", "99", "0", "1", "1", "0", "0", "0", "0"});
        for (int x = 0; x <= 99; ++x)
            for (int y = 0; y <= 99; ++y) {
                text.append(std::to_string(x)).append("\r\n").append(std::to_string(y)).append("\r\n");
                add({"0", "-1", "0", "0", "0", "0", "0", "0", "0", "-1", "0", "-1", "-1"}); // wall .. ceil
                add({"0", "0", "10", "0", "0", "0", "0", "0", "0", ""});                 // doorface .. gtp
                if (x % 10 != 0) continue;
                const std::string prefix = (folder / "old" / (std::to_string(x) + "_" + std::to_string(y))).string();
                for (const char* letter : {"_w.txt", "_f.txt", "_c.txt", "_fo.txt"})
                    std::ofstream(prefix + letter, std::ios::binary) << "etex_1_0\r\n";
                std::ofstream(prefix + "_mo.txt", std::ios::binary) << "pillar\r\nnull\r\n0\r\n90\r\n0\r\n1\r\n2\r\n3\r\n-1\r\n";
            }
        for (int i = 0; i <= 200; ++i) add({"20", "40", "5", "10", "15", "0.5", "-1", "-1", "-1", "spr_table"});
        for (int i = 0; i <= 200; ++i)
            add({"1",  "2", "3", "0", "0", "0", "-1", "pillar", "100", "100", "100", "0", "0", "0", "0", "0",
                 "0",  "0", "0", "0", "0", "0", "0", "1,5",    "0",   "1",   "2",   "3", "0", "0", "0", ""});
        for (int i = 0; i <= 19; ++i)
            add({"0", "0", "0", "128", "128", "0", "0", "0", "0", "1000", "0", "0", "1", "1", "1", "-1", "0", "0", "0",
                 "0", "180", "0", "0", "0"});
        for (int i = 0; i <= 200; ++i) add({"0", "1", "1", "-1", "0", ""});
        const std::string name = (folder / "old.map").string();
        std::ofstream(name, std::ios::binary) << text;
        return name;
    }();
    return fileName;
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

void BM_LoadMapVersion15(benchmark::State& state)
{
    const std::string fileName = OldMapName();
    for (auto _ : state) {
        LoadMap(fileName);
        benchmark::DoNotOptimize(levelgrid[90][99].wmo.size());
    }
}
BENCHMARK(BM_LoadMapVersion15)->Unit(benchmark::kMillisecond);

void BM_PlainOldMapSplitAndStat(benchmark::State& state)
{
    const std::string fileName = OldMapName();
    const std::string prefix = (Folder() / "levels" / "old").string() + "/";
    for (auto _ : state) {
        benchmark::DoNotOptimize(PlainSplit(fileName).size());
        int found = 0;
        struct stat st;
        for (int x = 0; x <= 99; ++x)
            for (int y = 0; y <= 99; ++y)
                for (const char* letter : {"_w.txt", "_f.txt", "_c.txt", "_fo.txt", "_mo.txt"})
                    found += ::stat((prefix + std::to_string(x) + "_" + std::to_string(y) + letter).c_str(), &st) == 0;
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_PlainOldMapSplitAndStat)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_LoadMapVersion15, BM_PlainOldMapSplitAndStat);

} // namespace
