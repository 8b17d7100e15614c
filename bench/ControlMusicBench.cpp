// The frame's music choice on an unshown main window over a small data folder of music files, the track already
// playing (the steady frame): ControlMusic alone while exploring and in a battle against an opponent with a
// track of its own; a frame whose only work is the music beside the same frame with no work at all; and, for
// comparison, the two file checks a frame would make if nothing were remembered.
#include "UGH_main.h"

#include "BenchBaseline.h"
#include "GLSMOpenAL.h"
#include "GLSound.h"
#include "SoundScene.h"
#include "TempFolder.h"
#include "UGH_data.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

// A main window on a data folder whose lists name the menu, battle and peace0 tracks and a boss's own; every
// track is a short WAV. A manager without a device is active, so the music starts.
struct TMusicWindow {
    TempFolder folder;
    std::unique_ptr<TGLSoundManager, TFreeDeleter> manager{new TGLSoundManager(nullptr)};
    std::unique_ptr<TForm1, TFreeDeleter> form;

    explicit TMusicWindow(bool battle)
    {
        ResetGameTables();
        gamedir = folder.path.string();
        fullmute = false;
        musicon = true;
        const Bytes wav = ToneWav(0.01, 11025);
        std::string list;
        for (const char* track : {"menu", "battle", "peace0", "Warden of the Mire"}) {
            folder.Write(std::string("sounds/music/") + track + ".wav", ToString(wav));
            list += std::string(track) + "\r\n";
        }
        folder.Write("sounds/music/musiclist.txt", list);
        folder.Write("sounds/audio/soundlist.txt", "");
        form.reset(new TForm1(nullptr));
        form->GLSMOpenAL1->SetActive(false);
        manager->SetActive(true);
        form->LoadSounds();
        levelbusy = false;
        fsinitdone = true;
        btlmode = battle;
        opponent.oname = "Warden of the Mire";
        form->ControlMusic(); // the track starts: what follows are steady frames
    }
    ~TMusicWindow()
    {
        form.reset();
        manager.reset();
        soundsloaded = false;
        currenttrack.clear();
        gamedir.clear();
        ResetGameTables();
    }
};

void BM_ControlMusic(benchmark::State& state)
{
    TMusicWindow window(state.range(0) == 1);
    for (auto _ : state) window.form->ControlMusic();
    state.SetLabel(currenttrack);
}
BENCHMARK(BM_ControlMusic)->Arg(0)->Arg(1);

// Frames whose blocks hold nothing but the music, or nothing at all.
void RunFrames(benchmark::State& state, bool music)
{
    TMusicWindow window(false);
    TForm1& form = *window.form;
    for (auto& block : form.FrameBlocks) block = nullptr;
    if (music) form.FrameBlocks[5] = [&form](double) { form.ControlMusic(); };
    for (auto _ : state) form.CadencerRun(1.0 / 60);
}

void BM_MusicFrame(benchmark::State& state)
{
    RunFrames(state, true);
}
BENCHMARK(BM_MusicFrame);

void BM_EmptyFrame(benchmark::State& state)
{
    RunFrames(state, false);
}
BENCHMARK(BM_EmptyFrame);
BENCHMARK_BASELINE(BM_MusicFrame, BM_EmptyFrame);

// What the music choice would cost each frame without remembering which tracks have files.
void BM_MusicFileChecks(benchmark::State& state)
{
    TMusicWindow window(false);
    for (auto _ : state) {
        const bool exists = DataFileExists(GamePath("\\sounds\\music\\peace0.mp3")) ||
                            DataFileExists(GamePath("\\sounds\\music\\peace0.wav"));
        benchmark::DoNotOptimize(exists);
    }
}
BENCHMARK(BM_MusicFileChecks);

} // namespace
