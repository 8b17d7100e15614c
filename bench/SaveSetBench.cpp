// Save games: WriteSaveSet and ReadSaveSet of a game on a full 100 x 100 level (the map's 430,000 lines and the
// player state's 14,000), beside writing the same six files' bytes plainly with std::ofstream and splitting them
// plainly into lines with std::getline. WriteSaveSet (a fresh folder, every file flushed, the exchange with the
// old set) is paired with the game's six writers alone, and those with the plain bytes.
#include "UGH_data.h"

#include "BenchBaseline.h"
#include "GameBenchFiles.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace {

const char* const cSaveFiles[] = {"saved.map", "chsave1.sav", "chsave2.sav", "gslist.txt", "jseq.txt",
                                  "lightdata.txt"};

const playerlightvalues cLight{0.5, 0.01, 0.02, 1.0, 0.5, 0.0};

// A game on a dense 100 x 100 level with a played player, saved once in "\saves\".
const std::filesystem::path& Folder()
{
    return BenchDataFolder([](const std::filesystem::path& made) {
        std::filesystem::create_directories(made / "scripts");
        TLevelData level = DenseBenchLevel();
        level.freemeshes = level.mapfreemeshes;
        level.freemeshes[3].rx = -20.25;
        SwapLevelData(level);

        player.name = "Ysolde";
        player.lvl = 4;
        for (int32_t i = 0; i <= 1000; i += 3) player.spellbook[i] = player.spellen[i] = true;
        for (int32_t i = 0; i <= 1000; ++i) strvars[i] = i % 10 == 0 ? "met the ferryman" : "";
        for (int32_t i = 0; i <= 1000; ++i) intvars[i] = i * 7 % 13;
        for (auto& column : explored) column.Fill(true);
        playerx = playery = 5;
        jseq = {0, 3, 8, 12};
        gslist.resize(3);
        for (int i = 0; i < 3; ++i) {
            gslist[i].id = "clock" + std::to_string(i);
            std::ofstream(made / "scripts" / (gslist[i].id + ".txt"), std::ios::binary) << "Wait 1\r\n";
        }
        WriteSaveSet(cLight, 0);
    });
}

std::string SavePath(const char* name)
{
    return (Folder() / "saves" / name).string();
}

void BM_WriteSaveSet(benchmark::State& state)
{
    Folder();
    for (auto _ : state) WriteSaveSet(cLight, 0);
}
BENCHMARK(BM_WriteSaveSet)->Unit(benchmark::kMillisecond);

void BM_PlainSaveSetWrite(benchmark::State& state)
{
    std::map<std::string, std::string> bytes;
    for (const char* name : cSaveFiles) {
        std::ifstream in(SavePath(name), std::ios::binary);
        bytes[name].assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::filesystem::path plain = Folder() / "plain";
    std::filesystem::create_directories(plain);
    for (auto _ : state)
        for (const auto& [name, text] : bytes) std::ofstream(plain / name, std::ios::binary) << text;
}
BENCHMARK(BM_PlainSaveSetWrite)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_SaveSetWriters, BM_PlainSaveSetWrite);

// The same six files from the game's writers straight into one folder: each still flushed as it replaces its old
// copy, but no fresh folder, no removal of the last one and no exchange.
void BM_SaveSetWriters(benchmark::State& state)
{
    const std::string plain = (Folder() / "writers").string() + "/";
    std::filesystem::create_directories(plain);
    for (auto _ : state) {
        SaveMap(plain + "saved.map", false);
        SaveChar(player, plain + "chsave1.sav");
        SavePlayer(CurrentPlayerState(0), mapmaxx, mapmaxy, plain + "chsave2.sav");
        SaveGS(plain + "gslist.txt");
        SaveJSeq(plain + "jseq.txt");
        WriteLightData(plain + "lightdata.txt", cLight);
    }
}
BENCHMARK(BM_SaveSetWriters)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_WriteSaveSet, BM_SaveSetWriters);

void BM_ReadSaveSet(benchmark::State& state)
{
    Folder();
    for (auto _ : state) benchmark::DoNotOptimize(ReadSaveSet().gsnames.size());
}
BENCHMARK(BM_ReadSaveSet)->Unit(benchmark::kMillisecond);

void BM_PlainSaveSetSplit(benchmark::State& state)
{
    Folder();
    for (auto _ : state)
        for (const char* name : cSaveFiles) benchmark::DoNotOptimize(PlainSplit(SavePath(name)).size());
}
BENCHMARK(BM_PlainSaveSetSplit)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_ReadSaveSet, BM_PlainSaveSetSplit);

} // namespace
