// The game's start-up to its first frame on the demo adventure the build writes into the program folder, as the
// program runs it: the splash, the main window and its start-up (configuration, strings, the catalogue, the
// main-menu level), the battle log, one tick of the frame clock and the paint it asks for; then the windows are
// freed. Beside it, the plain baseline reads the bytes of the same files (those the start-up opened, recorded
// through the engine's file hook) with std::ifstream.
//
// The game's viewer draws on a native window, so this needs an X server: run the benchmarks under xvfb-run.
// Without one (Qt's offscreen platform) the viewer has no rendering context and the case is skipped.
#include "Dialogs.h"
#include "FileUtils.h"
#include "Forms.h"
#include "GLApplicationFileIO.h"
#include "GLCadencer.h"
#include "GLWin32Viewer.h"
#include "UGH_main.h"
#include "UGH_program.h"
#include "VAVodadInit.h"
#include "Windows.h"

#include "BenchBaseline.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <set>
#include <string>

namespace {

// Starts the game on the program folder's data and runs its first frame; true when that frame was drawn.
bool StartToFirstFrame()
{
    // The program's windowed start-up (once): the viewer's X connection reaches the GL layer.
    InitVAVodadWindows();
    // A start-up that fails says so on stderr instead of waiting on a box nobody answers.
    SetMessageBoxHook(nullptr);
    TGameWindows windows = StartGame();
    int drawn = 0;
    if (windows.Started) {
        TNotifyEvent& afterRender = Form1->VAVodadViewer1->AfterRender();
        afterRender = [&drawn, previous = afterRender](TObject* Sender) {
            ++drawn;
            if (previous) previous(Sender);
        };
        // One tick by hand: ticking as soon as possible, the clock would keep the message queue from emptying.
        Form1->GLCadencer1->SetMode(cmManual);
        Form1->GLCadencer1->Progress();
        Application->ProcessMessages();
    }
    FreeGameWindows(windows);
    return drawn > 0;
}

// The files the start-up opens, by the names it resolved. With both file hooks set, pictures are read through
// the stream hook too (otherwise the picture classes open them on their own); the hooks leave every file to the
// disk.
const std::set<std::string>& StartUpFiles()
{
    static const std::set<std::string> files = [] {
        std::set<std::string> opened;
        SetStreamFactoryHook([&](const std::string& fileName, uint16_t mode) -> std::unique_ptr<TStream> {
            if (mode != fmCreate) opened.insert(ResolvePath(fileName));
            return nullptr;
        });
        SetFileExistsHook([](const std::string& fileName) { return FileExists(fileName); });
        StartToFirstFrame();
        SetStreamFactoryHook(nullptr);
        SetFileExistsHook(nullptr);
        return opened;
    }();
    return files;
}

void BM_GameStartUpToFirstFrame(benchmark::State& state)
{
    if (!GetX11Display()) {
        state.SkipWithError("needs an X server: the game's viewer draws on a native window (run under xvfb-run)");
        return;
    }
    if (!StartToFirstFrame()) {
        state.SkipWithError("no first frame: the game did not start on the program folder's data, or drew nothing");
        return;
    }
    for (auto _ : state) StartToFirstFrame();
    state.counters["files"] = static_cast<double>(StartUpFiles().size());
}
BENCHMARK(BM_GameStartUpToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainReadOfTheStartUpFiles(benchmark::State& state)
{
    if (!GetX11Display()) {
        state.SkipWithError("its files are those of the start-up, which needs an X server");
        return;
    }
    const std::set<std::string>& files = StartUpFiles();
    if (files.empty()) {
        state.SkipWithError("the start-up opened no file");
        return;
    }
    for (auto _ : state) {
        for (const std::string& file : files) {
            std::ifstream in(file, std::ios::binary | std::ios::ate);
            std::string bytes(static_cast<size_t>(in.tellg()), '\0');
            in.seekg(0);
            in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            benchmark::DoNotOptimize(bytes.data());
        }
    }
    state.counters["files"] = static_cast<double>(files.size());
}
BENCHMARK(BM_PlainReadOfTheStartUpFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_BASELINE(BM_GameStartUpToFirstFrame, BM_PlainReadOfTheStartUpFiles);

} // namespace
