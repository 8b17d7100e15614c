// The game heard through OpenAL's wave driver, which CTest names for this suite: the driver writes everything the
// game plays into "game-sound.wav" in the test artefacts folder, where it stays for a person to hear. The main
// menu's music comes first; then the music is switched off, a new game starts, and one step forward is heard as
// the footsteps; last, with the music on again, a battle's music.
#include "GLFileWAV.h"
#include "GLObjects.h"
#include "GLSMOpenAL.h"
#include "GLSound.h"
#include "OpenAL.h"
#include "GameWindow.h"
#include "UGH_data.h"
#include "VirtualKeys.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int cRate = 44100; // the driver's configuration: 16-bit mono at 44100 Hz

// A stretch of sound in the driver's file: samples [first, last).
struct TStretch {
    size_t first, last;
    double Seconds() const { return double(last - first) / cRate; }
};

// The stretches of sound, apart where at least 0.2 s are silent.
std::vector<TStretch> Stretches(const std::vector<int16_t>& samples)
{
    constexpr size_t silence = cRate / 5;
    std::vector<TStretch> stretches;
    size_t quiet = silence;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(int(samples[i])) <= 300) {
            ++quiet;
            continue;
        }
        if (quiet >= silence) stretches.push_back({i, i + 1});
        stretches.back().last = i + 1;
        quiet = 0;
    }
    return stretches;
}

class GameSoundHeard : public GameWindow {
protected:
    // Frames go on for the given real time, so that the driver mixes what the game starts.
    static void Listen(double seconds)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < end) {
            StepFrames(1, 0.05);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    // Frames go on until the driver has mixed what the condition asks for: it mixes as real time passes, later
    // than that on a loaded machine. At most ten seconds.
    static bool ListenUntil(const std::function<bool()>& mixed)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end) {
            StepFrames(1, 0.05);
            if (mixed()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    // The object's last emitter, or nullptr.
    static TGLBSoundEmitter* LastEmitter(TGLBaseSceneObject* object)
    {
        const int count = object->Behaviours()->Count();
        return count ? static_cast<TGLBSoundEmitter*>(object->Behaviours()->Items(count - 1)) : nullptr;
    }
    // Seconds of the emitter's playing source the driver has mixed.
    static float MixedSeconds(const TGLBSoundEmitter* emitter)
    {
        const TGLSoundSource* source = emitter ? emitter->PlayingSource() : nullptr;
        if (!source || !source->Tag()) return 0;
        ALfloat seconds = 0;
        OpenAL().alGetSourcef(source->Tag(), AL_SEC_OFFSET, &seconds);
        return seconds;
    }
    // The driver's file, complete once the sound manager is off.
    static std::vector<int16_t> Heard()
    {
        TGLWAVFile file(nullptr);
        file.LoadFromFile(ArtefactPath("game-sound.wav").string());
        EXPECT_EQ(file.Sampling().Frequency(), cRate);
        EXPECT_EQ(file.Sampling().NbChannels(), 1);
        std::vector<int16_t> samples(static_cast<size_t>(file.LengthInBytes() / 2));
        std::memcpy(samples.data(), file.PCMData(), samples.size() * 2);
        return samples;
    }
};

TEST_F(GameSoundHeard, TheMenuMusicThenAStepsFootstepsThenABattlesMusicReachTheDriver)
{
    const char* driver = std::getenv("ALSOFT_DRIVERS");
    if (!driver || std::string(driver) != "wave") GTEST_SKIP() << "needs ALSOFT_DRIVERS=wave (CTest sets it)";
    ASSERT_TRUE(Game().GLSMOpenAL1->Active()) << StartUpLog();
    ASSERT_TRUE(soundsloaded);
    StepFrames(1);
    EXPECT_EQ(currenttrack, "menu");
    ASSERT_TRUE(ListenUntil([&] { return MixedSeconds(LastEmitter(Game().GLSphere1)) >= 0.5f; }));

    // Music off, as the settings window switches it: its emitter goes. Then a new game and one step.
    musicon = false;
    Game().GLSphere1->Behaviours()->Clear();
    mmmode = false;
    ingame = true;
    Game().ResetStats(); // a new character, who lives through the battle's first rounds
    Game().StartNewGame();
    StepFrames(1, 0.5);
    if (rfmode) PressKey(VK_RETURN); // the opening text
    ASSERT_FALSE(rfmode);
    Listen(0.6);
    const int32_t x = playerx;
    PressKey(VK_UP);
    ASSERT_EQ(playerx, x + 1) << "the start map's first step is free";
    TGLBSoundEmitter* footsteps = LastEmitter(Game().GLSphere2);
    ASSERT_NE(footsteps, nullptr);
    ASSERT_TRUE(ListenUntil([&] { return !footsteps->Playing(); })) << "the footsteps end once mixed";
    Listen(0.3);

    // Music on again and a rat queued: the battle that opens plays its own music.
    musicon = true;
    Game().AddToBL(0);
    ASSERT_TRUE(ListenUntil([&] {
        return btlmode && currenttrack == "battle" && MixedSeconds(LastEmitter(Game().GLSphere1)) >= 0.3f;
    }));
    // The device closes as on leaving the game, completing the file.
    Game().GLSMOpenAL1->SetActive(false);

    // Three stretches of sound apart: the music, then the footsteps, two steps a quarter second apart, then the
    // battle's music (with the cards played in it).
    const std::vector<int16_t> samples = Heard();
    const std::vector<TStretch> heard = Stretches(samples);
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_GT(heard[2].Seconds(), 0.2);
    EXPECT_GT(heard[0].Seconds(), 0.3);
    EXPECT_GT(heard[1].Seconds(), 0.2);
    EXPECT_LT(heard[1].Seconds(), 0.6);
    double energy = 0;
    for (size_t i = heard[1].first; i < heard[1].last; ++i) energy += double(samples[i]) * samples[i];
    EXPECT_GT(std::sqrt(energy / double(heard[1].last - heard[1].first)), 800);
}

} // namespace
