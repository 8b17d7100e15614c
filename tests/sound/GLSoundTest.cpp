// The sound model without a device: samples and libraries, source and manager settings, activation, the
// throttled frame step, mute and pause through the sources, the emitter, and their streams.
#include "GLSound.h"

#include "ComponentStreams.h"
#include "Raises.h"
#include "SoundScene.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// A back end that notes what the model asks of it.
class TNotingManager : public TGLSoundManager {
public:
    using TGLSoundManager::TGLSoundManager;
    void UpdateSources() override
    {
        ++updates;
        TGLSoundManager::UpdateSources();
    }
    void MuteSource(TGLBaseSoundSource* aSource, bool muted) override
    {
        notes.push_back(aSource->SoundName() + (muted ? " muted" : " unmuted"));
    }
    void PauseSource(TGLBaseSoundSource* aSource, bool paused) override
    {
        notes.push_back(aSource->SoundName() + (paused ? " paused" : " resumed"));
    }
    bool DoActivate() override { return activates; }

    bool activates = true;
    int updates = 0;
    std::vector<std::string> notes;
};

using TManagerPtr = std::unique_ptr<TNotingManager, TFreeDeleter>;

TManagerPtr ActiveManager()
{
    TManagerPtr manager(new TNotingManager(nullptr));
    manager->SetActive(true);
    return manager;
}

} // namespace

TEST(GLSoundSample, DisplayTextShowsTheSamplingOrEmpty)
{
    TGLSoundLibrary library(nullptr);
    TGLSoundSample* empty = library.Samples()->Add();
    empty->SetName("x");
    EXPECT_EQ(empty->GetDisplayName(), "x (empty)");
    EXPECT_EQ(AddWavSample(library, "x", ToneWav(1, 44100, 2))->GetDisplayName(),
              "x (44100 Hz, 16 bits, 2 channels, 1.00 sec)");
    EXPECT_EQ(AddWavSample(library, "m", ToneWav(0.25, 22050, 1))->GetDisplayName(),
              "m (22050 Hz, 16 bits, 1 channel, 0.25 sec)");
}

TEST(GLSoundSample, LibraryFindsTheFirstSampleIgnoringCaseAndAddsFiles)
{
    TGLSoundLibrary library(nullptr);
    TGLSoundSample* first = AddWavSample(library, "Door.wav", ToneWav(0.01));
    AddWavSample(library, "DOOR.WAV", ToneWav(0.01));
    EXPECT_EQ(library.Samples()->GetByName("door.wav"), first);
    EXPECT_EQ(library.Samples()->GetByName("door"), nullptr);

    const std::string folder = ::testing::TempDir();
    const Bytes wav = ToneWav(0.01);
    SaveHookedFile(folder + "/step.wav",
                   [&](TStream& s) { s.WriteBuffer(wav.data(), static_cast<int64_t>(wav.size())); });
    EXPECT_EQ(library.Samples()->AddFile(folder + "/step.wav", "snd_step.wav")->Name(), "snd_step.wav");
    EXPECT_EQ(library.Samples()->AddFile(folder + "/step.wav")->Name(), "step.wav");

    // A file that cannot be read leaves no sample behind.
    const int32_t count = library.Samples()->Count();
    EXPECT_NE(MessageOf([&] { library.Samples()->AddFile(folder + "/missing.wav"); }), cNoException);
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { library.Samples()->AddFile(folder + "/step.xyz"); })
                  .rfind("Could not load " + folder +
                             "/step.xyz, make sure you include the unit required to load this "
                             "format in your uses clause.",
                         0),
              0u);
    EXPECT_EQ(library.Samples()->Count(), count);
}

TEST(GLSoundSample, DataStreamsUnderItsClassNameAndRefusesBadNames)
{
    TGLSoundLibrary library(nullptr);
    TGLSoundSample* sample = AddWavSample(library, "tone", ToneWav(0.05, 22050, 2));
    TMemoryStream stream;
    sample->WriteData(stream);
    stream.SetPosition(0);
    TGLSoundSample copy;
    copy.ReadData(stream);
    ASSERT_NE(copy.Data(), nullptr);
    EXPECT_EQ(copy.Data()->ClassName(), "TGLWAVFile");
    EXPECT_EQ(copy.Data()->WAVDataSize(), sample->Data()->WAVDataSize());
    EXPECT_EQ(0, std::memcmp(copy.Data()->WAVData(), sample->Data()->WAVData(), sample->Data()->WAVDataSize()));

    // The class name's length and name are checked before anything is made.
    const auto withName = [](int32_t length, const std::string& name) {
        return LE32(static_cast<uint32_t>(length)) + ToBytes(name) + ToneWav(0.01);
    };
    for (const Bytes& bad : {withName(0, ""), withName(-4, ""), withName(300, std::string(300, 'T')),
                             withName(9, "TNotAFile"), Bytes{1, 0}}) {
        TMemoryStream input;
        input.WriteBuffer(bad.data(), static_cast<int64_t>(bad.size()));
        input.SetPosition(0);
        EXPECT_NE(MessageOf<EReadError>([&] { copy.ReadData(input); }), cNoException);
        EXPECT_EQ(copy.Data(), nullptr);
    }
}

TEST(GLSoundSource, SettersClampAndMarkTheirChange)
{
    TGLSoundSource source;
    source.SetVolume(0.5f);
    source.SetChanges({});
    source.SetVolume(2);
    EXPECT_EQ(source.Volume(), 1);
    EXPECT_EQ(source.Changes(), TGLSoundSourceChanges{sscStatus});
    source.SetConeOutsideVolume(-1);
    source.SetInsideConeAngle(400);
    source.SetMinDistance(-5);
    EXPECT_EQ(source.ConeOutsideVolume(), 0);
    EXPECT_EQ(source.InsideConeAngle(), 360);
    EXPECT_EQ(source.MinDistance(), 0);
    source.SetChanges({});
    source.SetNbLoops(3);
    EXPECT_EQ(source.Changes(), TGLSoundSourceChanges{sscSample});

    TManagerPtr manager(new TNotingManager(nullptr));
    struct Case {
        const char* what;
        std::function<float()> set;
        float expected;
    };
    const Case cases[] = {
        {"MaxChannels 0",
         [&] {
             manager->SetMaxChannels(0);
             return float(manager->MaxChannels());
         },
         1},
        {"OutputFrequency 8000",
         [&] {
             manager->SetOutputFrequency(8000);
             return float(manager->OutputFrequency());
         },
         11025},
        {"UpdateFrequency 100",
         [&] {
             manager->SetUpdateFrequency(100);
             return manager->UpdateFrequency();
         },
         60},
        {"UpdateFrequency 0",
         [&] {
             manager->SetUpdateFrequency(0);
             return manager->UpdateFrequency();
         },
         1},
        {"DopplerFactor 20",
         [&] {
             manager->SetDopplerFactor(20);
             return manager->DopplerFactor();
         },
         10},
        {"DistanceFactor -5",
         [&] {
             manager->SetDistanceFactor(-5);
             return manager->DistanceFactor();
         },
         1},
        {"RollOffFactor 0",
         [&] {
             manager->SetRollOffFactor(0);
             return manager->RollOffFactor();
         },
         1},
    };
    for (const Case& c : cases) EXPECT_EQ(c.set(), c.expected) << c.what;
}

TEST(GLSoundSource, LibraryIsFoundByNameAndForgottenWhenItDies)
{
    TGLSoundSource source;
    {
        TGLSoundLibrary library(nullptr);
        library.SetName("Sounds");
        TGLSoundSample* door = AddWavSample(library, "door.wav", ToneWav(0.01));
        TGLSoundSource named;
        std::unique_ptr<TGLSoundLibrary> other(new TGLSoundLibrary(nullptr));
        other->SetName("sounds"); // the name must match exactly
        source.SetSoundLibrary(&library);
        EXPECT_EQ(source.SoundLibraryName(), "Sounds");
        source.SetSoundName("DOOR.wav");
        EXPECT_EQ(source.Sample(), door);
        // A renamed sample is looked up again.
        door->SetName("gate.wav");
        EXPECT_EQ(source.Sample(), nullptr);
    }
    EXPECT_EQ(source.SoundLibrary(), nullptr);
    TGLSoundLibrary again(nullptr);
    again.SetName("Sounds");
    EXPECT_EQ(source.SoundLibrary(), &again);
}

TEST(GLSoundManager, ActivatingASecondManagerSwitchesTheFirstOff)
{
    TGLSoundLibrary library(nullptr);
    AddWavSample(library, "a.wav", ToneWav(0.01));
    TManagerPtr first = ActiveManager();
    EXPECT_EQ(ActiveSoundManager(), first.get());
    TSoundObject object;
    TGLBSoundEmitter* emitter = object.AddEmitter(library, "a.wav");
    emitter->SetPlaying(true);
    ASSERT_EQ(first->Sources()->Count(), 1);
    EXPECT_EQ(emitter->PlayingSource()->Origin(), object.object.get());

    TManagerPtr refusing(new TNotingManager(nullptr));
    refusing->activates = false;
    refusing->SetActive(true);
    EXPECT_FALSE(first->Active());
    EXPECT_FALSE(refusing->Active());
    EXPECT_EQ(ActiveSoundManager(), nullptr);
    EXPECT_FALSE(emitter->Playing()); // its source went with the first manager

    TManagerPtr second = ActiveManager();
    first->SetActive(true);
    EXPECT_TRUE(first->Active());
    EXPECT_FALSE(second->Active());
    first.reset();
    EXPECT_EQ(ActiveSoundManager(), nullptr);
}

TEST(GLSoundManager, FrameStepUpdatesAtMostUpdateFrequencyTimesASecondFirstFrameIncluded)
{
    TManagerPtr manager(new TNotingManager(nullptr));
    manager->DoProgress({0.01, 5.0});
    EXPECT_EQ(manager->updates, 0); // inactive
    manager->SetActive(true);
    const std::pair<double, int> steps[] = {{5.0, 1}, {5.05, 1}, {5.1, 1}, {5.11, 2}, {5.2, 2}, {5.3, 3}};
    for (const auto& [time, updates] : steps) {
        manager->DoProgress({0.01, time});
        EXPECT_EQ(manager->updates, updates) << time;
    }
}

TEST(GLSoundManager, MuteAndPauseReachTheSourcesThatAreNotMutedOrPausedThemselves)
{
    TManagerPtr manager = ActiveManager();
    for (const char* name : {"a", "b"}) manager->Sources()->Add()->SetSoundName(name);
    manager->Sources()->Items(1)->SetMute(true);
    manager->Sources()->Items(0)->SetPause(true);
    EXPECT_EQ(manager->notes, (std::vector<std::string>{"b muted", "a paused"}));
    manager->notes.clear();
    manager->SetMute(true);
    manager->SetPause(true);
    manager->SetMute(false);
    manager->SetPause(false);
    EXPECT_TRUE(!manager->Mute() && !manager->Pause());
    EXPECT_EQ(manager->notes, (std::vector<std::string>{"a muted", "b paused", "a unmuted", "b resumed"}));

    // A source in no manager only keeps its flag.
    TGLSoundSource free;
    free.SetMute(true);
    EXPECT_TRUE(free.Mute());
    EXPECT_EQ(manager->notes.size(), 4u);
}

TEST(GLSoundManager, ListenerFrameFollowsTheListenerOrFacesZWithout)
{
    TManagerPtr manager(new TNotingManager(nullptr));
    TVector4f position, velocity, direction, up;
    manager->ListenerFrame(position, velocity, direction, up);
    EXPECT_EQ(position.W, 1);
    EXPECT_EQ(direction.Z, 1);
    EXPECT_EQ(up.Y, 1);

    TSoundObject listener;
    manager->SetListener(listener.object.get());
    listener.object->Position()->SetPoint(2, 0, 0);
    manager->ListenerFrame(position, velocity, direction, up);
    EXPECT_EQ(position.X, 2);
    EXPECT_EQ(velocity.X, 0); // no update measured a time step yet
    listener.object.reset();
    EXPECT_EQ(manager->Listener(), nullptr);
}

TEST(GLBSoundEmitter, WithoutAnActiveManagerNothingPlaysAndThatIsLoggedOnce)
{
    TGLSoundLibrary library(nullptr);
    TSoundObject object;
    TGLBSoundEmitter* emitter = object.AddEmitter(library, "a.wav");
    TGLLogCapture log;
    emitter->SetPlaying(true);
    emitter->SetPlaying(true);
    EXPECT_FALSE(emitter->Playing());
    const std::vector<std::string> texts = log.Texts();
    // Logged at the first call of the process: another test may have been first.
    EXPECT_LE(texts.size(), 1u);
    for (const std::string& text : texts) EXPECT_EQ(text, cNoActiveSoundManager);
}

TEST(GLBSoundEmitter, StreamKeepsTheTemplateAndStartsPlayingWhenStoredPlaying)
{
    TGLSoundLibrary library(nullptr);
    library.SetName("GLSoundLibrary1");
    AddWavSample(library, "coalmusic.wav", ToneWav(0.01));
    TSoundObject object;
    TGLBSoundEmitter* emitter = object.AddEmitter(library, "coalmusic.wav", 100);
    emitter->SetName("coalmusic");
    TGLBaseSoundSource* source = emitter->Source();
    source->SetVolume(0.6f);
    source->SetMaxDistance(50);
    source->SetPriority(3);
    source->SetMute(true);

    TMemoryStream stream;
    {
        TWriter writer(stream);
        object.object->Behaviours()->WriteToFiler(writer);
    }
    TManagerPtr manager = ActiveManager();
    // The stored flag is the design-time one: a copy made to play says so.
    TSoundObject copy;
    stream.SetPosition(0);
    {
        TReader reader(stream);
        copy.object->Behaviours()->ReadFromFiler(reader);
    }
    copy.object->Behaviours()->Loaded();
    ASSERT_EQ(copy.object->Behaviours()->Count(), 1);
    auto* read = dynamic_cast<TGLBSoundEmitter*>(copy.object->Behaviours()->Items(0));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Name(), "coalmusic");
    TGLBaseSoundSource* t = read->Source();
    EXPECT_EQ(t->SoundName(), "coalmusic.wav");
    EXPECT_EQ(t->SoundLibraryName(), "GLSoundLibrary1");
    EXPECT_EQ(t->SoundLibrary(), &library);
    EXPECT_EQ(t->NbLoops(), 100);
    EXPECT_FLOAT_EQ(t->Volume(), 0.6f);
    EXPECT_EQ(t->MaxDistance(), 50);
    EXPECT_EQ(t->Priority(), 3);
    EXPECT_TRUE(t->Mute());
    EXPECT_EQ(t->Changes(), cAllSoundSourceChanges);
    EXPECT_FALSE(read->Playing());

    // Stored as playing, the emitter plays once loaded.
    copy.object->SetDesigning(true);
    read->SetPlaying(true);
    copy.object->SetDesigning(false);
    TMemoryStream playing;
    {
        TWriter writer(playing);
        copy.object->Behaviours()->WriteToFiler(writer);
    }
    playing.SetPosition(0);
    TSoundObject third;
    {
        TReader reader(playing);
        third.object->Behaviours()->ReadFromFiler(reader);
    }
    third.object->Behaviours()->Loaded();
    EXPECT_TRUE(static_cast<TGLBSoundEmitter*>(third.object->Behaviours()->Items(0))->Playing());
    EXPECT_EQ(manager->Sources()->Count(), 1);
}
