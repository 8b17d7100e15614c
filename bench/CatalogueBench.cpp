// The start-up catalogue's existence checks on a full data folder (1001 cards with their three rendered pictures
// and illustration, 101 monsters, 1001 items), asked as the catalogue asks them (each picture after its DDS
// probe, each count up to the first missing file): from folder listings taken once per pass, as the catalogue
// does, and by FileExists on each name; beside plain stat calls on the same names spelled as on disk.
#include "UGH_data.h"

#include "BenchBaseline.h"
#include "GameBenchFiles.h"

#include "FileUtils.h"
#include "GLApplicationFileIO.h"

#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int cCards = 1001, cMonsters = 101, cItems = 1001;

std::string N(int n)
{
    return std::to_string(n);
}

// Every existence check of the catalogue's card, monster and item stages, as game paths; the ids one past the
// last are the checks that end each count.
std::vector<std::string> CataloguePaths()
{
    std::vector<std::string> paths;
    const auto picture = [&paths](const std::string& base, const std::string& extension) {
        paths.push_back(GamePath("\\textures\\" + base + ".dds"));
        paths.push_back(GamePath("\\textures\\" + base + extension));
    };
    for (int id = 0; id <= cCards; ++id) {
        paths.push_back(GamePath("\\cards\\" + N(id) + ".crd"));
        if (id == cCards) break;
        for (const char* side : {"_0", "_1", "_2"}) picture("cards\\en\\" + N(id) + side, ".png");
        picture("cards\\h" + N(id), ".jpg");
    }
    for (int id = 0; id <= cMonsters; ++id) {
        paths.push_back(GamePath("\\monsters\\" + N(id) + ".mon"));
        if (id == cMonsters) break;
        picture("hq\\monsters\\" + N(id), ".tga");
        picture("hq\\monsters\\" + N(id), ".tga");
    }
    for (int id = 0; id < cItems; ++id) {
        picture("hq\\items\\" + N(id), ".tga");
        paths.push_back(GamePath("\\textures\\hq\\items\\" + N(id + 1) + ".tga"));
    }
    paths.push_back(GamePath("\\textures\\hq\\items\\" + N(cItems) + ".dds"));
    return paths;
}

// Makes every file the catalogue finds (DDS probes and ids past the end stay missing).
const std::filesystem::path& Folder()
{
    return BenchDataFolder([](const std::filesystem::path&) {
        for (const std::string& path : CataloguePaths()) {
            const std::string file = ResolvePath(path);
            const bool ending = file.ends_with(".dds") || file.ends_with("/" + N(cCards) + ".crd") ||
                                file.ends_with("/" + N(cMonsters) + ".mon") || file.ends_with("/" + N(cItems) + ".tga");
            if (ending) continue;
            std::filesystem::create_directories(std::filesystem::path(file).parent_path());
            std::ofstream(file, std::ios::binary).flush();
        }
    });
}

// Runs the checks once per iteration with exists; the counters give the number of checks and of files found.
template <class TExists> void RunChecks(benchmark::State& state, const std::vector<std::string>& paths, TExists exists)
{
    int64_t found = 0;
    for (auto _ : state) {
        found = exists(paths);
        benchmark::DoNotOptimize(found);
    }
    state.counters["checks"] = static_cast<double>(paths.size());
    state.counters["found"] = static_cast<double>(found);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(paths.size()));
}

void BM_CatalogueExistenceChecks(benchmark::State& state)
{
    Folder();
    RunChecks(state, CataloguePaths(), [](const std::vector<std::string>& paths) {
        TFolderSnapshot folders;
        int64_t found = 0;
        for (const std::string& path : paths) found += folders.FileExists(path);
        return found;
    });
}
BENCHMARK(BM_CatalogueExistenceChecks)->Unit(benchmark::kMillisecond);

void BM_FileExistsChecks(benchmark::State& state)
{
    Folder();
    RunChecks(state, CataloguePaths(), [](const std::vector<std::string>& paths) {
        int64_t found = 0;
        for (const std::string& path : paths) found += HookedFileExists(path);
        return found;
    });
}
BENCHMARK(BM_FileExistsChecks)->Unit(benchmark::kMillisecond);

void BM_PlainStatChecks(benchmark::State& state)
{
    Folder();
    std::vector<std::string> files = CataloguePaths();
    for (std::string& file : files) std::replace(file.begin(), file.end(), '\\', '/');
    RunChecks(state, files, [](const std::vector<std::string>& names) {
        int64_t found = 0;
        for (const std::string& file : names) {
            struct stat st;
            found += ::stat(file.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
        }
        return found;
    });
}
BENCHMARK(BM_PlainStatChecks)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_CatalogueExistenceChecks, BM_PlainStatChecks);
BENCHMARK_BASELINE(BM_FileExistsChecks, BM_PlainStatChecks);

} // namespace
