// The card editor's picture of one card, its three variants from the demo adventure's files (the fire bolt: an
// illustration, an effect icon, damage, a rule and a mana cost), beside the canvas work alone: the same background
// and illustration read, and the illustration stretched onto a copy of the background three times.
#include "UGH_cardimage.h"
#include "UGH_data.h"

#include "FileUtils.h"
#include "JPEG.h"

#include <benchmark/benchmark.h>

#include <memory>

#include "BenchBaseline.h"

namespace {

constexpr int32_t kCard = 3;

struct TDemoCard {
    TDemoCard()
    {
        gamedir = ProgramFolder();
        strings = std::make_unique<TBoundedTable<std::string, 0, 10000>>();
        fillstrarr("en", *strings);
        SetDefaultCardFonts(title, text);
        crd = LoadCard(GamePath("\\cards\\3.crd"), "en");
    }
    std::unique_ptr<TBoundedTable<std::string, 0, 10000>> strings;
    TFont title, text;
    card crd;
};

void BM_MakeCard(benchmark::State& state)
{
    TDemoCard demo;
    const TCardStyle style{&demo.title, &demo.text, demo.strings.get(), "en"};
    for (auto _ : state) benchmark::DoNotOptimize(RenderCard(demo.crd, kCard, false, style));
}
BENCHMARK(BM_MakeCard)->Unit(benchmark::kMillisecond);

void BM_CardCanvasAlone(benchmark::State& state)
{
    TDemoCard demo;
    const auto read = [](const std::string& path) {
        TJPEGImage jpeg;
        jpeg.LoadFromFile(GamePath(path));
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->Assign(&jpeg);
        return bitmap;
    };
    const std::string background =
        "\\textures\\cards\\b" + IntToStr(demo.crd.govskill) + "_" + IntToStr(demo.crd.element) + ".jpg";
    for (auto _ : state) {
        const std::unique_ptr<TBitmap> ground = read(background), picture = read("\\textures\\cards\\h3.jpg");
        TBitmap variant;
        for (int pass = 0; pass < 3; ++pass) {
            variant.Assign(ground.get());
            variant.Canvas()->CopyRect(cCardPictureRect, picture->Canvas(),
                                       TRect{0, 0, picture->Width() - 1, picture->Height() - 1});
        }
        benchmark::DoNotOptimize(variant.ScanLine(0));
    }
}
BENCHMARK(BM_CardCanvasAlone)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_MakeCard, BM_CardCanvasAlone);

} // namespace
