// Start-up pictures into materials: ten wall sets of ten 64 x 64 TGA pictures, every other one with its light
// map, made into materials by FastAddMaterial (the DDS probe and existence checks, the material's settings, the
// light map's material and its combiner) on an unshown main window, beside a plain read of the same 150
// pictures with the TGA picture class.
#include "UGH_data.h"
#include "UGH_main.h"

#include "BenchBaseline.h"
#include "GameBenchFiles.h"

#include "FileUtils.h"
#include "GLMaterial.h"
#include "TGA.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int cSets = 10, cPictures = 10, cSide = 64;

std::string PicturePath(int set, int k, const char* suffix = "")
{
    return "hq\\" + std::to_string(set) + "\\tex_" + std::to_string(k) + suffix + ".tga";
}

const std::filesystem::path& Folder()
{
    return BenchDataFolder([](const std::filesystem::path& made) {
        TTGAImage picture;
        picture.SetPixelFormat(pf32bit);
        picture.SetSize(cSide, cSide);
        for (int set = 0; set < cSets; ++set) {
            std::filesystem::create_directories(made / "textures" / "hq" / std::to_string(set));
            for (int k = 0; k < cPictures; ++k) {
                picture.SaveToFile(GamePath("\\textures\\" + PicturePath(set, k)));
                if (k % 2 == 0) picture.SaveToFile(GamePath("\\textures\\" + PicturePath(set, k, "_2")));
            }
        }
        picture.SaveToFile(GamePath("\\textures\\hq\\empty.tga"));
    });
}

void BM_FastAddMaterial(benchmark::State& state)
{
    Folder();
    qualitydir = "hq";
    std::unique_ptr<TForm1, TFreeDeleter> form(new TForm1(nullptr));
    for (auto _ : state) {
        state.PauseTiming();
        form->matlib->Materials()->Clear();
        matnames.assign(1, std::string());
        state.ResumeTiming();
        for (int set = 0; set < cSets; ++set)
            for (int k = 0; k < cPictures; ++k)
                form->FastAddMaterial(PicturePath(set, k), "etex_" + std::to_string(set) + "_" + std::to_string(k),
                                      "hq", 0.0, 0, true, form->matlib);
    }
    state.counters["materials"] = static_cast<double>(form->matlib->Materials()->Count());
}
BENCHMARK(BM_FastAddMaterial)->Unit(benchmark::kMillisecond);

void BM_PlainPictureReads(benchmark::State& state)
{
    Folder();
    std::vector<std::string> files;
    for (int set = 0; set < cSets; ++set)
        for (int k = 0; k < cPictures; ++k) {
            files.push_back(ResolvePath(GamePath("\\textures\\" + PicturePath(set, k))));
            if (k % 2 == 0) files.push_back(ResolvePath(GamePath("\\textures\\" + PicturePath(set, k, "_2"))));
        }
    for (auto _ : state) {
        for (const std::string& file : files) {
            TTGAImage picture;
            picture.LoadFromFile(file);
            benchmark::DoNotOptimize(picture.Width());
        }
    }
}
BENCHMARK(BM_PlainPictureReads)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_FastAddMaterial, BM_PlainPictureReads);

} // namespace
