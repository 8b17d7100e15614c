// The wave output manager on a fake device (channels, dropped sources, loops, voices that end or cannot
// open), and the OpenAL wave output device on the null driver.
#include "GLSMWaveOut.h"

#include "FakeWaveOut.h"
#include "SoundScene.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

class GLSMWaveOutFake : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetGLWaveOutDevice(&device);
        library.SetName("WaveOutLibrary");
        AddWavSample(library, "beep.wav", ToneWav(0.01));
        AddWavSample(library, "wide.wav", ToneWav(0.01, 22050, 2));
        manager->SetActive(true);
    }
    void TearDown() override
    {
        manager.reset();
        SetGLWaveOutDevice(nullptr);
    }
    TGLBSoundEmitter* Play(const std::string& sample, int32_t nbLoops = 1)
    {
        TGLBSoundEmitter* emitter = object.AddEmitter(library, sample, nbLoops);
        emitter->SetPlaying(true);
        return emitter;
    }

    TFakeWaveOut device;
    TGLSoundLibrary library{nullptr};
    TSoundObject object;
    std::unique_ptr<TGLSMWaveOut, TFreeDeleter> manager{new TGLSMWaveOut(nullptr)};
};

TEST_F(GLSMWaveOutFake, FourChannelsPlayAndTheSourcesBeyondThemAreDropped)
{
    EXPECT_EQ(manager->MaxChannels(), 4);
    std::vector<TGLBSoundEmitter*> emitters;
    for (int i = 0; i < 6; ++i) emitters.push_back(Play("beep.wav"));
    manager->UpdateSources();
    EXPECT_EQ(device.open.size(), 4u);
    EXPECT_EQ(manager->Sources()->Count(), 4);
    // The last sources are served first.
    EXPECT_FALSE(emitters[0]->Playing());
    EXPECT_FALSE(emitters[1]->Playing());
    for (int i = 2; i < 6; ++i) EXPECT_TRUE(emitters[i]->Playing()) << i;

    // A voice the device marks done frees its source and its channel at the next update.
    device.open[0]->Finish();
    TGLBSoundEmitter* late = Play("beep.wav");
    manager->UpdateSources();
    EXPECT_FALSE(emitters[5]->Playing());
    EXPECT_TRUE(late->Playing());
    EXPECT_EQ(device.open.size(), 4u);

    manager->SetActive(false);
    EXPECT_TRUE(device.open.empty());
    EXPECT_EQ(manager->Sources()->Count(), 0);
}

TEST_F(GLSMWaveOutFake, VoicesTakeTheSampleFormatAndRepeatCount)
{
    Play("wide.wav", 3);
    Play("beep.wav", 1);
    Play("beep.wav", -1); // taken unsigned: as good as endless
    manager->UpdateSources();
    ASSERT_EQ(device.open.size(), 3u);
    const TFakeWaveOut::Voice& endless = *device.open[0];
    const TFakeWaveOut::Voice& once = *device.open[1];
    const TFakeWaveOut::Voice& wide = *device.open[2];
    EXPECT_EQ(endless.loops, 0xFFFFFFFFu);
    EXPECT_EQ(once.loops, 1u);
    EXPECT_EQ(wide.loops, 3u);
    EXPECT_EQ(wide.format.SamplesPerSec, 22050);
    EXPECT_EQ(wide.format.Channels, 2);
    EXPECT_EQ(wide.format.BitsPerSample, 16);
    EXPECT_EQ(wide.length, 220 * 2 * 2);
}

TEST_F(GLSMWaveOutFake, SourcesWithoutSamplesOrVoicesAreDroppedAndLoggedOnce)
{
    library.Samples()->Add()->SetName("empty.wav");
    TGLBSoundEmitter* missing = Play("nothing.wav");
    TGLBSoundEmitter* empty = Play("empty.wav");
    manager->UpdateSources();
    EXPECT_FALSE(missing->Playing() || empty->Playing());
    EXPECT_EQ(manager->Sources()->Count(), 0);

    TGLLogCapture log;
    device.refuse = true;
    TGLBSoundEmitter* refused = Play("beep.wav");
    manager->UpdateSources();
    Play("beep.wav");
    manager->UpdateSources();
    EXPECT_FALSE(refused->Playing());
    EXPECT_EQ(manager->Sources()->Count(), 0);
    EXPECT_EQ(log.Texts(), std::vector<std::string>{"Sound \"beep.wav\" dropped: the wave output could not play it"});

    device.refuse = false;
    EXPECT_TRUE(Play("beep.wav")->Playing());
    manager->UpdateSources();
    EXPECT_EQ(device.open.size(), 1u);
}

TEST_F(GLSMWaveOutFake, AWavFilePlaysOnceAndReplacesTheSoundPlayedBefore)
{
    TGLSoundFile* beep = library.Samples()->GetByName("beep.wav")->Data();
    beep->PlayOnWaveOut();
    ASSERT_EQ(device.open.size(), 1u);
    EXPECT_EQ(device.open[0]->loops, 1u);
    EXPECT_EQ(device.open[0]->length, beep->LengthInBytes());
    library.Samples()->GetByName("wide.wav")->Data()->PlayOnWaveOut();
    ASSERT_EQ(device.open.size(), 1u);
    EXPECT_EQ(device.open[0]->format.Channels, 2);
    EXPECT_FALSE(PlaySoundOnWaveOut(beep->Sampling(), nullptr, 0));
    EXPECT_TRUE(device.open.empty());
}

// The device's own thread marks a voice done once the null driver has played it.
TEST(OpenALWaveOutDevice, AVoiceIsMarkedDoneByTheDeviceAfterPlaying)
{
    const std::vector<int16_t> tone = SineTone(440, 22050, 1, 0.02);
    TWaveOutDevice& device = GLWaveOutDevice();
    EXPECT_EQ(device.OpenVoice({22050, 1, 24}, tone.data(), 30, 1), nullptr);
    std::unique_ptr<TWaveOutVoice> voice =
        device.OpenVoice({22050, 1, 16}, tone.data(), static_cast<int32_t>(tone.size() * 2), 2);
    ASSERT_NE(voice, nullptr);
    EXPECT_FALSE(voice->Done());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!voice->Done() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(voice->Done());

    TGLSoundSampling sampling;
    sampling.SetValues(22050, 1, 16);
    EXPECT_TRUE(PlaySoundOnWaveOut(sampling, tone.data(), static_cast<int32_t>(tone.size() * 2)));
}

} // namespace
