// The OpenAL manager on the recording OpenAL: activation, the calls of one source's update, buffers shared
// by the sources of one sample, sources that end, loops, mute, pause, and sounds that cannot play.
#include "GLSMOpenAL.h"

#include "FakeOpenAL.h"
#include "Raises.h"
#include "SoundScene.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

namespace {

class GLSMOpenALFake : public ::testing::Test {
protected:
    void SetUp() override
    {
        FakeAL().Reset();
        SetOpenALOverride(&FakeAL().table);
        library.SetName("GLSoundLibrary1");
        AddWavSample(library, "step.wav", ToneWav(0.01));
        AddWavSample(library, "music.wav", ToneWav(0.02, 22050, 2));
    }
    void TearDown() override
    {
        manager.reset();
        SetOpenALOverride(nullptr);
    }
    TGLSMOpenAL& Active()
    {
        manager->SetActive(true);
        EXPECT_TRUE(manager->Active());
        return *manager;
    }
    TGLBSoundEmitter* Play(const std::string& sample, int32_t nbLoops = 1)
    {
        TGLBSoundEmitter* emitter = object.AddEmitter(library, sample, nbLoops);
        emitter->SetPlaying(true);
        return emitter;
    }

    TGLSoundLibrary library{nullptr};
    TSoundObject object;
    std::unique_ptr<TGLSMOpenAL, TFreeDeleter> manager{new TGLSMOpenAL(nullptr)};
};

} // namespace

TEST(GLSMOpenAL, FormatsAreMonoOrStereoOfEightOrSixteenBits)
{
    struct Case {
        int channels, bits;
        ALenum format;
    };
    const Case cases[] = {{1, 8, AL_FORMAT_MONO8},
                          {1, 16, AL_FORMAT_MONO16},
                          {2, 8, AL_FORMAT_STEREO8},
                          {2, 16, AL_FORMAT_STEREO16},
                          {6, 16, AL_FORMAT_STEREO16},
                          {1, 24, 0},
                          {2, 32, 0}};
    for (const Case& c : cases) {
        TGLSoundSampling sampling;
        sampling.SetValues(44100, c.channels, c.bits);
        EXPECT_EQ(TGLSMOpenAL::GetALFormat(sampling), c.format) << c.channels << " x " << c.bits;
    }
}

TEST(GLSMOpenAL, ErrorTextGivesTheCodeInDecimalAndHexadecimal)
{
    EXPECT_EQ(OpenALErrorText(40962), "OpenAL Error #40962 (HEX: $A002)");
    FakeAL().Reset();
    SetOpenALOverride(&FakeAL().table);
    LoadOpenAL(cOpenALLibraryName);
    FakeAL().pendingError = AL_INVALID_OPERATION;
    EXPECT_EQ(MessageOf([] { CheckOpenALError(); }), "OpenAL Error #40964 (HEX: $A004)");
    EXPECT_EQ(MessageOf([] { CheckOpenALError(); }), cNoException);
    SetOpenALOverride(nullptr);
}

TEST_F(GLSMOpenALFake, ActivationSetsTheDistanceModelAndSendsWhatWasSetWhileInactive)
{
    manager->SetMasterVolume(0.5f);
    manager->SetDopplerFactor(2);
    EXPECT_TRUE(FakeAL().calls.empty());
    Active();
    EXPECT_EQ(FakeAL().calls, (std::vector<std::string>{"alcOpenDevice", "alcCreateContext",
                                                        "alDistanceModel " + std::to_string(AL_INVERSE_DISTANCE),
                                                        "alListenerf AL_GAIN 0.5", "alDopplerFactor 2"}));
    manager->SetActive(false);
    EXPECT_EQ(FakeAL().calls.back(), "alcCloseDevice");
}

TEST_F(GLSMOpenALFake, WithoutADeviceTheManagerStaysOffAndSaysSoOnce)
{
    FakeAL().noDevice = true;
    TGLLogCapture log;
    manager->SetActive(true);
    EXPECT_FALSE(manager->Active());
    EXPECT_EQ(ActiveSoundManager(), nullptr);
    EXPECT_EQ(log.Texts(), (std::vector<std::string>{"Sound is off: no OpenAL device could be opened"}));
}

TEST_F(GLSMOpenALFake, FirstUpdateMakesVoiceAndBufferAndSendsEverythingInOrder)
{
    Active();
    TGLBSoundEmitter* emitter = Play("step.wav");
    emitter->PlayingSource()->SetVolume(0.25f);
    FakeAL().calls.clear();
    manager->UpdateSources();
    EXPECT_EQ(FakeAL().calls,
              (std::vector<std::string>{
                  "alListenerfv AL_POSITION", "alListenerfv AL_VELOCITY", "alListenerfv AL_ORIENTATION",
                  "alGenSources 1", "alSourcefv 1 AL_POSITION", "alSourcefv 1 AL_DIRECTION", "alGenBuffers 2",
                  "alBufferData 2 " + std::to_string(AL_FORMAT_MONO16) + " 882 44100", "alSourcei 1 AL_BUFFER 2",
                  "alSourcei 1 AL_LOOPING 0", "alSourcePlay 1", "alSourcef 1 AL_PITCH 1", "alSourcef 1 AL_GAIN 1",
                  "alSourcef 1 AL_MAX_DISTANCE 100", "alSourcef 1 AL_ROLLOFF_FACTOR 1",
                  "alSourcef 1 AL_REFERENCE_DISTANCE 1", "alSourcef 1 AL_CONE_INNER_ANGLE 360",
                  "alSourcef 1 AL_CONE_OUTER_ANGLE 360", "alSourcef 1 AL_CONE_OUTER_GAIN 0"}));
    // Nothing changed: only the state is asked and the position sent.
    FakeAL().calls.clear();
    manager->UpdateSources();
    EXPECT_EQ(FakeAL().CallsStartingWith("alSource"),
              (std::vector<std::string>{"alSourcefv 1 AL_POSITION", "alSourcefv 1 AL_DIRECTION"}));
}

TEST_F(GLSMOpenALFake, SourcesOfOneSampleShareABufferDeletedWithTheLast)
{
    Active();
    TGLBSoundEmitter* first = Play("step.wav");
    TGLBSoundEmitter* second = Play("step.wav");
    manager->UpdateSources();
    EXPECT_EQ(FakeAL().CallsStartingWith("alGenBuffers").size(), 1u);
    first->SetPlaying(false);
    EXPECT_EQ(FakeAL().CallsStartingWith("alDeleteBuffers").size(), 0u);
    EXPECT_EQ(FakeAL().buffers.size(), 1u);
    second->SetPlaying(false);
    EXPECT_EQ(FakeAL().CallsStartingWith("alDeleteBuffers").size(), 1u);
    EXPECT_TRUE(FakeAL().buffers.empty());
    EXPECT_TRUE(FakeAL().voiceStates.empty());
    EXPECT_EQ(library.Samples()->GetByName("step.wav")->Tag, 0);
}

TEST_F(GLSMOpenALFake, AnEndedSourceGoesAtTheNextUpdateAndItsEmitterCanPlayAgain)
{
    Active();
    TGLBSoundEmitter* effect = Play("step.wav");
    TGLBSoundEmitter* music = Play("music.wav", 2);
    manager->UpdateSources();
    // The last source is updated first: music has voice 1 (and buffer 2), the effect voice 3.
    EXPECT_EQ(FakeAL().CountOf("alSourcei 1 AL_LOOPING 1"), 1u);
    EXPECT_EQ(FakeAL().CountOf("alSourcei 3 AL_LOOPING 0"), 1u);
    FakeAL().voiceStates[3] = AL_STOPPED;
    manager->UpdateSources();
    EXPECT_FALSE(effect->Playing());
    EXPECT_TRUE(music->Playing());
    EXPECT_EQ(manager->Sources()->Count(), 1);
    effect->SetPlaying(true);
    manager->UpdateSources();
    EXPECT_TRUE(effect->Playing());
    EXPECT_EQ(FakeAL().voiceStates.size(), 2u);
}

TEST_F(GLSMOpenALFake, MuteUsesMaxGainAndResumeRewindsThenPlays)
{
    Active();
    Play("step.wav");
    manager->UpdateSources();
    FakeAL().calls.clear();
    manager->SetMute(true);
    manager->SetMute(false);
    manager->SetPause(true);
    manager->SetPause(false);
    EXPECT_EQ(FakeAL().calls, (std::vector<std::string>{"alSourcef 1 AL_MAX_GAIN 0", "alSourcef 1 AL_MAX_GAIN 1",
                                                        "alSourcePause 1", "alSourceRewind 1", "alSourcePlay 1"}));

    // A sound started while the manager is muted starts muted.
    manager->SetMute(true);
    FakeAL().calls.clear();
    Play("music.wav");
    manager->UpdateSources();
    EXPECT_EQ(FakeAL().CountOf("alSourcef 3 AL_MAX_GAIN 0"), 1u);
}

TEST_F(GLSMOpenALFake, ASourceThatCannotPlayIsStoppedAndLoggedOncePerSampleWhileTheOthersGoOn)
{
    Bytes wav24 = Riff(Chunk("fmt ", FmtBody(1, 1, 44100, 24)) + Chunk("data", Bytes(300)));
    AddWavSample(library, "deep.wav", wav24);
    library.Samples()->Add()->SetName("empty.wav");
    Active();
    TGLLogCapture log;
    TGLBSoundEmitter* deep1 = Play("deep.wav");
    TGLBSoundEmitter* deep2 = Play("deep.wav");
    TGLBSoundEmitter* good = Play("step.wav");
    TGLBSoundEmitter* missing = Play("nothing.wav");
    TGLBSoundEmitter* empty = Play("empty.wav");
    EXPECT_NO_THROW(manager->UpdateSources());
    EXPECT_FALSE(deep1->Playing() || deep2->Playing() || missing->Playing() || empty->Playing());
    EXPECT_TRUE(good->Playing());
    EXPECT_EQ(manager->Sources()->Count(), 1);
    EXPECT_EQ(FakeAL().voiceStates.size(), 1u); // the failed voices were deleted
    EXPECT_EQ(log.Texts().size(), 3u);
    EXPECT_TRUE(log.Contains("Sound \"deep.wav\" stopped: 24-bit sound"));
    EXPECT_TRUE(log.Contains("Sound \"nothing.wav\" stopped"));

    // An OpenAL error in an update stops that source only.
    TGLBSoundEmitter* late = Play("music.wav");
    const LPALSOURCEPLAY play = OpenAL().alSourcePlay;
    OpenAL().alSourcePlay = [](ALuint) { FakeAL().pendingError = AL_INVALID_OPERATION; };
    EXPECT_NO_THROW(manager->UpdateSources());
    OpenAL().alSourcePlay = play;
    EXPECT_FALSE(late->Playing());
    EXPECT_TRUE(good->Playing());
    EXPECT_TRUE(log.Contains("Sound \"music.wav\" stopped: OpenAL Error #40964 (HEX: $A004)"));
}
