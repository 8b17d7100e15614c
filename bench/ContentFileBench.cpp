// Content files: a monster's character file (1121 lines, the largest content file, read a hundred times at
// start-up) read with LoadChar and written with SaveChar, beside a plain std::getline split of the same file with
// each line converted by std::atoi, and a plain join of those lines written to a new file renamed over the old.
#include "UGH_data.h"

#include "BenchBaseline.h"
#include "GameBenchFiles.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// A data folder with "monsters\0.mon".
const std::filesystem::path& Folder()
{
    return BenchDataFolder([](const std::filesystem::path& made) {
        std::filesystem::create_directories(made / "monsters");
        character monster;
        monster.name = "Skeleton warrior";
        monster.lvl = 2;
        monster.strength = monster.speed = 12;
        for (int32_t id = 0; id <= 1000; id += 7) monster.spellbook[id] = true;
        monster.perks[3] = true;
        monster.loot = 4;
        SaveChar(monster, (made / "monsters" / "0.mon").string());
    });
}

std::string MonsterName() { return (Folder() / "monsters" / "0.mon").string(); }

void BM_LoadChar(benchmark::State& state)
{
    const std::string fileName = MonsterName();
    for (auto _ : state) benchmark::DoNotOptimize(LoadChar(fileName).loot);
}
BENCHMARK(BM_LoadChar)->Unit(benchmark::kMicrosecond);

void BM_PlainCharSplit(benchmark::State& state)
{
    const std::string fileName = MonsterName();
    for (auto _ : state) {
        int64_t sum = 0;
        for (const std::string& line : PlainSplit(fileName)) sum += std::atoi(line.c_str());
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_PlainCharSplit)->Unit(benchmark::kMicrosecond);
BENCHMARK_BASELINE(BM_LoadChar, BM_PlainCharSplit);

void BM_SaveChar(benchmark::State& state)
{
    const character monster = LoadChar(MonsterName());
    const std::string fileName = (Folder() / "monsters" / "saved.mon").string();
    for (auto _ : state) SaveChar(monster, fileName);
}
BENCHMARK(BM_SaveChar)->Unit(benchmark::kMicrosecond);

void BM_PlainCharJoin(benchmark::State& state)
{
    const std::vector<std::string> lines = PlainSplit(MonsterName());
    const std::string fileName = (Folder() / "monsters" / "plain.mon").string();
    for (auto _ : state) {
        std::string text;
        for (const std::string& line : lines) text.append(line).append("\r\n");
        // Replaced as the game replaces its files: a complete new file renamed over the old one.
        std::ofstream(fileName + ".tmp", std::ios::binary) << text;
        std::filesystem::rename(fileName + ".tmp", fileName);
    }
}
BENCHMARK(BM_PlainCharJoin)->Unit(benchmark::kMicrosecond);
BENCHMARK_BASELINE(BM_SaveChar, BM_PlainCharJoin);

} // namespace
