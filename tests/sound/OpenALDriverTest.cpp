// The OpenAL manager on the real library. Each suite runs under the driver CTest names for it (null, or wave
// writing 16-bit mono into the build tree's artefacts, or wave without a file, which cannot open, or ALSA on a
// machine without a sound card); run by hand without that driver, a suite skips.
#include "GLSMOpenAL.h"

#include "GLCadencer.h"
#include "SoundScene.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace {

bool DriverIs(const char* driver)
{
    const char* set = std::getenv("ALSOFT_DRIVERS");
    return set && std::string(set) == driver;
}

#define REQUIRE_DRIVER(driver)                                                                                         \
    if (!DriverIs(driver)) GTEST_SKIP() << "needs ALSOFT_DRIVERS=" driver " (CTest sets it)"

// A manager driven by a manual cadencer, as the game drives its own.
struct TDrivenManager {
    TGLCadencer cadencer{nullptr};
    std::unique_ptr<TGLSMOpenAL, TFreeDeleter> manager{new TGLSMOpenAL(nullptr)};

    TDrivenManager()
    {
        cadencer.SetMode(cmManual);
        cadencer.SetEnabled(true);
        manager->SetCadencer(&cadencer);
        manager->SetUpdateFrequency(50);
    }
    // Ticks in real time until the emitter's sound has ended, at most limit seconds.
    void RunWhilePlaying(TGLBSoundEmitter& emitter, double limit)
    {
        const auto start = std::chrono::steady_clock::now();
        while (emitter.Playing() && std::chrono::steady_clock::now() - start < std::chrono::duration<double>(limit)) {
            cadencer.Progress();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
};

// The samples of the wave driver's file, once the device is closed.
std::vector<int16_t> WaveDriverOutput(const std::string& name)
{
    TGLWAVFile file(nullptr);
    file.LoadFromFile(std::string(MIREFALL_SOUND_ARTEFACTS) + "/" + name);
    EXPECT_EQ(file.Sampling().NbChannels(), 1);
    EXPECT_EQ(file.Sampling().BitsPerSample(), 16);
    EXPECT_EQ(file.Sampling().Frequency(), 44100);
    std::vector<int16_t> samples(static_cast<size_t>(file.LengthInBytes() / 2));
    std::memcpy(samples.data(), file.PCMData(), samples.size() * 2);
    return samples;
}

// Plays a 0.6 s tone at the listener and closes the device, so that the wave file is complete.
void PlayTone(bool muted)
{
    TGLSoundLibrary library(nullptr);
    AddWavSample(library, "tone.wav", ToneWav(0.6));
    TDrivenManager driven;
    driven.manager->SetMute(muted);
    driven.manager->SetActive(true);
    ASSERT_TRUE(driven.manager->Active());
    TSoundObject object;
    TGLBSoundEmitter* emitter = object.AddEmitter(library, "tone.wav");
    emitter->SetPlaying(true);
    driven.RunWhilePlaying(*emitter, 3);
    EXPECT_FALSE(emitter->Playing());
    driven.manager->SetActive(false);
}

} // namespace

TEST(OpenALWaveDriver, ToneOfAnEmitterReachesTheFileAtItsPitch)
{
    REQUIRE_DRIVER("wave");
    PlayTone(false);
    const std::vector<int16_t> samples = WaveDriverOutput("openal-tone.wav");
    // The part where the tone sounds.
    size_t first = 0, last = samples.size();
    while (first < last && std::abs(samples[first]) < 1000) ++first;
    while (last > first && std::abs(samples[last - 1]) < 1000) --last;
    ASSERT_GT(last - first, 44100u / 2) << "the tone lasts 0.6 s";
    double energy = 0;
    size_t crossings = 0;
    for (size_t i = first; i < last; ++i) {
        energy += double(samples[i]) * samples[i];
        if (i > first && (samples[i - 1] < 0) != (samples[i] < 0)) ++crossings;
    }
    const double rms = std::sqrt(energy / double(last - first));
    EXPECT_GT(rms, 2000) << "a quarter of full scale gives about 5800";
    const double hz = crossings / 2.0 / (double(last - first) / 44100);
    EXPECT_NEAR(hz, 440, 440 * 0.02);
}

TEST(OpenALWaveDriverMuted, MutedManagerLeavesTheFileSilent)
{
    REQUIRE_DRIVER("wave");
    PlayTone(true);
    const std::vector<int16_t> samples = WaveDriverOutput("openal-muted.wav");
    EXPECT_GT(samples.size(), 44100u / 2) << "the device ran while the tone played";
    int peak = 0;
    for (int16_t sample : samples) peak = std::max(peak, std::abs(int(sample)));
    EXPECT_EQ(peak, 0);
}

TEST(OpenALNullDriver, LoadingBindsEveryCoreEntryPointByName)
{
    REQUIRE_DRIVER("null");
    EXPECT_FALSE(LoadOpenAL("libopenal-not-there.so"));
    EXPECT_FALSE(OpenALLoaded());
    EXPECT_EQ(OpenAL().alGenSources, nullptr);
    ASSERT_TRUE(LoadOpenAL(cOpenALLibraryName));
    std::vector<std::string> missing;
#define OPENAL_ENTRY(name, type)                                                                                  \
    if (!OpenAL().name) missing.push_back(#name);
#define OPENAL_EXT_ENTRY(name, type)
#include "OpenALEntryPoints.def"
#undef OPENAL_ENTRY
#undef OPENAL_EXT_ENTRY
    EXPECT_TRUE(missing.empty()) << missing.front();
    EXPECT_EQ(LoadALProc("alNoSuchFunction"), nullptr);
}

TEST(OpenALNullDriver, ActivatesAndASourceEndsByItself)
{
    REQUIRE_DRIVER("null");
    TGLSoundLibrary library(nullptr);
    AddWavSample(library, "click.wav", ToneWav(0.05));
    TDrivenManager driven;
    driven.manager->SetActive(true);
    ASSERT_TRUE(driven.manager->Active());
    EXPECT_EQ(ActiveSoundManager(), driven.manager.get());
    TSoundObject object;
    TGLBSoundEmitter* emitter = object.AddEmitter(library, "click.wav");
    emitter->SetPlaying(true);
    driven.cadencer.Progress();
    EXPECT_NE(driven.manager->Sources()->Items(0)->Tag(), 0u);
    EXPECT_NE(library.Samples()->Items(0)->Tag, 0);
    driven.RunWhilePlaying(*emitter, 2);
    EXPECT_FALSE(emitter->Playing());
    EXPECT_EQ(driven.manager->Sources()->Count(), 0);
    EXPECT_EQ(library.Samples()->Items(0)->Tag, 0); // the buffer went with its last source
    driven.manager->SetActive(false);
    EXPECT_EQ(ActiveSoundManager(), nullptr);
}

TEST(OpenALUnopenableDriver, StaysInactiveWithoutAnExceptionAndOneLogLine)
{
    REQUIRE_DRIVER("wave");
    TGLLogCapture log;
    TGLSMOpenAL manager(nullptr);
    EXPECT_NO_THROW(manager.SetActive(true));
    EXPECT_FALSE(manager.Active());
    EXPECT_EQ(ActiveSoundManager(), nullptr);
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{"Sound is off: no OpenAL device could be opened"}));
    // The emitters of a silent game play nothing.
    TSoundObject object;
    TGLSoundLibrary library(nullptr);
    TGLBSoundEmitter* emitter = object.AddEmitter(library, "any.wav");
    emitter->SetPlaying(true);
    EXPECT_FALSE(emitter->Playing());
}

// Stderr (the terminal) as a file while the object lives; Text() is what was written to it.
class TCapturedStderr {
public:
    TCapturedStderr() : FFile(std::tmpfile()), FSaved(dup(2))
    {
        std::fflush(stderr);
        dup2(fileno(FFile), 2);
    }
    ~TCapturedStderr()
    {
        Restore();
        std::fclose(FFile);
    }
    std::string Text()
    {
        Restore();
        std::string text;
        std::rewind(FFile);
        for (int c; (c = std::fgetc(FFile)) != EOF;) text += static_cast<char>(c);
        return text;
    }

private:
    void Restore()
    {
        if (FSaved < 0) return;
        std::fflush(stderr);
        dup2(FSaved, 2);
        close(FSaved);
        FSaved = -1;
    }
    std::FILE* FFile;
    int FSaved;
};

TEST(OpenALWithoutSoundCard, KeepsTheTerminalQuiet)
{
    REQUIRE_DRIVER("alsa");
    // The machines the tests run on have no sound card: the ALSA backend fails to open one, and neither the
    // OpenAL library nor the ALSA library may print about it. A machine with a card opens it, quietly too.
    TGLLogCapture log;
    TCapturedStderr terminal;
    TGLSMOpenAL manager(nullptr);
    manager.SetActive(true);
    EXPECT_EQ(terminal.Text(), "");
    if (!manager.Active())
        EXPECT_EQ(log.Texts(), (std::vector<std::string>{"Sound is off: no OpenAL device could be opened"}));
    manager.SetActive(false);
}
