// The game's sound on an unshown window: the sound and music lists loaded into the library, effects played by
// name, the music chosen from the game's state, and the settings that silence them. A manager without a device
// stands in for the window's OpenAL manager, so the emitters that play stay to be counted.
#include "UGH_main.h"

#include "GLFileMP3.h"
#include "GLFileWAV.h"
#include "GLObjects.h"
#include "GLSMOpenAL.h"
#include "GLSound.h"
#include "UGH_data.h"
#include "ZODLog.h"

#include "../sound/SoundFixtures.h"
#include "GameDataFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class GameSound : public GameDataFolder {
protected:
    void SetUp() override
    {
        GameDataFolder::SetUp();
        saved = {fullmute, soundon, musicon, soundvol, musicvol};
        fullmute = false;
        soundon = musicon = true;
        soundvol = 80;
        musicvol = 60;
        form.reset(new TForm1(nullptr));
        form->GLSMOpenAL1->SetActive(false);
        manager.reset(new TGLSoundManager(nullptr));
        manager->SetActive(true);
        mmmode = true;
    }
    void TearDown() override
    {
        form.reset();
        manager.reset();
        soundcount = musiccount = 0;
        soundsloaded = false;
        wantedtrack.clear();
        currenttrack.clear();
        std::tie(fullmute, soundon, musicon, soundvol, musicvol) = saved;
        GameDataFolder::TearDown();
    }

    // A short tone as the file name below "sounds/".
    void Sound(const std::string& name) const
    {
        folder.Write("sounds/" + name, ToString(name.ends_with(".mp3") ? EncodeMp3(SineTone(440, 22050, 1, 0.2), 22050, 1)
                                                                         : ToneWavFile()));
    }
    static Bytes ToneWavFile() { return MakeWav(SineTone(440, 22050, 1, 0.1), 22050, 1); }
    // The two lists, and a WAV file for each name.
    void Lists(const std::vector<std::string>& effects, const std::vector<std::string>& music) const
    {
        WriteLines("sounds/audio/soundlist.txt", effects);
        WriteLines("sounds/music/musiclist.txt", music);
        for (const std::string& name : effects) Sound("audio/" + name + ".wav");
        for (const std::string& name : music) Sound("music/" + name + ".wav");
    }
    TGLSoundSample* Sample(const std::string& name) const
    {
        return form->GLSoundLibrary1->Samples()->GetByName(name);
    }
    int Emitters(TGLBaseSceneObject* sphere) const { return sphere->Behaviours()->Count(); }
    TGLBSoundEmitter* Emitter(TGLBaseSceneObject* sphere, int index) const
    {
        return static_cast<TGLBSoundEmitter*>(sphere->Behaviours()->Items(index));
    }

    std::tuple<bool, bool, bool, int32_t, int32_t> saved;
    std::unique_ptr<TForm1, TFreeDeleter> form;
    std::unique_ptr<TGLSoundManager, TFreeDeleter> manager;
};

TEST_F(GameSound, FullMuteSoundOnMusicOnAndAnActiveManagerDecideWhatLoadsAndPlays)
{
    Lists({"snd_footsteps"}, {"menu"});
    struct TCase {
        bool fullmute, soundon, musicon, active;
    };
    for (const TCase c : {TCase{false, true, true, true}, TCase{false, false, true, true},
                          TCase{false, true, false, true}, TCase{false, true, true, false},
                          TCase{true, true, true, true}}) {
        SCOPED_TRACE(testing::Message() << "fullmute " << c.fullmute << ", soundon " << c.soundon << ", musicon "
                                        << c.musicon << ", manager active " << c.active);
        TearDown();
        SetUp();
        fullmute = c.fullmute;
        soundon = c.soundon;
        musicon = c.musicon;
        manager->SetActive(c.active);
        form->LoadSounds();
        form->DoSound("snd_footsteps");
        form->ControlMusic();
        const bool heard = !c.fullmute && c.active;
        EXPECT_EQ(soundsloaded, !c.fullmute);
        EXPECT_EQ(form->GLSoundLibrary1->Samples()->Count(), c.fullmute ? 0 : 2);
        EXPECT_EQ(Emitters(form->GLSphere2), heard && c.soundon ? 1 : 0);
        EXPECT_EQ(Emitters(form->GLSphere1), heard && c.musicon ? 1 : 0);
        EXPECT_EQ(manager->Sources()->Count(), c.active ? Emitters(form->GLSphere1) + Emitters(form->GLSphere2) : 0);
    }
}

TEST_F(GameSound, AnEffectPlaysOnceAtTheSoundVolumeByItsExactListedName)
{
    Lists({"snd_door", "snd_chest"}, {});
    form->LoadSounds();
    EXPECT_EQ(soundcount, 2);
    EXPECT_EQ(soundlist[1], (soundinf{"snd_chest", 1}));
    form->DoSound("SND_CHEST");
    form->DoSound("snd_trap");
    EXPECT_EQ(Emitters(form->GLSphere2), 0);
    form->DoSound("snd_chest");
    ASSERT_EQ(Emitters(form->GLSphere2), 1);
    const TGLBSoundEmitter* emitter = Emitter(form->GLSphere2, 0);
    EXPECT_TRUE(emitter->Playing());
    const TGLBaseSoundSource* source = emitter->PlayingSource();
    EXPECT_EQ(source->SoundName(), "snd_chest.wav");
    EXPECT_FLOAT_EQ(source->Volume(), 0.8f);
    EXPECT_EQ(source->NbLoops(), 1);
    EXPECT_EQ(source->Origin(), form->GLSphere2);
}

TEST_F(GameSound, AnMp3FileIsPreferredAndEverySampleIsNamedWav)
{
    Lists({"snd_port"}, {"battle"});
    Sound("music/menu.mp3");
    Sound("music/menu.wav");
    WriteLines("sounds/music/musiclist.txt", {"battle", "menu"});
    form->LoadSounds();
    ASSERT_NE(Sample("menu.wav"), nullptr);
    EXPECT_NE(dynamic_cast<TGLMP3File*>(Sample("menu.wav")->Data()), nullptr);
    EXPECT_NE(dynamic_cast<TGLWAVFile*>(Sample("battle.wav")->Data()), nullptr);
    EXPECT_NE(dynamic_cast<TGLWAVFile*>(Sample("snd_port.wav")->Data()), nullptr);
    EXPECT_EQ(Sample("menu.mp3"), nullptr);
    EXPECT_EQ(musiclist[1], (soundinf{"menu", 1}));

    form->ControlMusic();
    ASSERT_EQ(Emitters(form->GLSphere1), 1);
    const TGLBSoundEmitter* music = Emitter(form->GLSphere1, 0);
    EXPECT_EQ(music->Name(), "coalmusic");
    const TGLBaseSoundSource* source = music->PlayingSource();
    EXPECT_EQ(source->SoundName(), "menu.wav");
    EXPECT_EQ(const_cast<TGLBaseSoundSource*>(source)->Sample(), Sample("menu.wav"));
    EXPECT_FLOAT_EQ(source->Volume(), 0.6f);
    EXPECT_EQ(source->NbLoops(), 100);
}

TEST_F(GameSound, ASampleThatCannotBeReadStaysSilentAndTheOthersLoad)
{
    Lists({"snd_btn"}, {"menu"});
    WriteLines("sounds/audio/soundlist.txt", {"snd_gone", "snd_broken", "snd_btn"});
    folder.Write("sounds/audio/snd_broken.wav", "RIFF");
    TGLLogCapture log;
    ASSERT_NO_THROW(form->LoadSounds());
    EXPECT_TRUE(soundsloaded);
    EXPECT_EQ(soundlist[2], (soundinf{"snd_btn", 2}));
    ASSERT_NE(Sample("snd_btn.wav"), nullptr);
    EXPECT_NE(Sample("snd_btn.wav")->Data(), nullptr);
    for (const char* name : {"snd_gone", "snd_broken"}) {
        ASSERT_NE(Sample(std::string(name) + ".wav"), nullptr) << name;
        EXPECT_EQ(Sample(std::string(name) + ".wav")->Data(), nullptr) << name;
        EXPECT_TRUE(log.Contains(std::string("\"") + name + "\" stays silent")) << name;
    }
    EXPECT_NE(Sample("menu.wav")->Data(), nullptr);
}

TEST_F(GameSound, AMissingListStopsTheLoading)
{
    WriteLines("sounds/audio/soundlist.txt", {});
    EXPECT_THROW(form->LoadSounds(), EGameDataError);
    EXPECT_FALSE(soundsloaded);
}

TEST_F(GameSound, TheMusicFollowsTheMenuTheBattleAndTheWallSet)
{
    Lists({}, {"menu", "battle", "peace1", "Warden"});
    form->LoadSounds();
    struct TCase {
        bool mmmode, btlmode;
        const char* oname;
        int32_t envindex;
        const char* wanted;
    };
    for (const TCase c : {TCase{true, true, "Warden", 1, "menu"}, TCase{false, true, "Warden", 1, "Warden"},
                          TCase{false, true, "Rat", 1, "battle"}, TCase{false, false, "Warden", 1, "peace1"},
                          TCase{false, false, "", 0, "menu"}}) {
        mmmode = c.mmmode;
        btlmode = c.btlmode;
        opponent.oname = c.oname;
        envindex = c.envindex;
        form->ControlMusic();
        EXPECT_EQ(wantedtrack, c.wanted) << c.oname << " " << c.envindex;
        EXPECT_EQ(currenttrack, c.wanted);
        ASSERT_EQ(Emitters(form->GLSphere1), 1);
        EXPECT_EQ(Emitter(form->GLSphere1, 0)->PlayingSource()->SoundName(), std::string(c.wanted) + ".wav");
    }
}

TEST_F(GameSound, AWantedTrackThatIsNotListedStartsNothingUntilItChanges)
{
    Lists({}, {"menu"});
    Sound("music/peace0.wav"); // a file, but not in the list
    form->LoadSounds();
    form->ControlMusic();
    TGLBSoundEmitter* menu = Emitter(form->GLSphere1, 0);
    mmmode = false;
    form->ControlMusic();
    EXPECT_EQ(currenttrack, "peace0");
    ASSERT_EQ(Emitters(form->GLSphere1), 1);
    EXPECT_EQ(Emitter(form->GLSphere1, 0), menu);
}

TEST_F(GameSound, MusicSwitchedOffAndOnStartsItsTrackAgain)
{
    Lists({}, {"menu"});
    form->LoadSounds();
    form->ControlMusic();
    TGLBSoundEmitter* first = Emitter(form->GLSphere1, 0);
    form->ControlMusic();
    EXPECT_EQ(Emitter(form->GLSphere1, 0), first);

    musicon = false;
    form->ControlMusic();
    EXPECT_EQ(currenttrack, "");
    musicon = true;
    form->ControlMusic();
    ASSERT_EQ(Emitters(form->GLSphere1), 1);
    EXPECT_NE(Emitter(form->GLSphere1, 0), first);
    EXPECT_TRUE(Emitter(form->GLSphere1, 0)->Playing());
}

TEST_F(GameSound, AnEffectFindingMoreThan51EmittersRemovesThemAllFirst)
{
    Lists({"snd_btn"}, {});
    form->LoadSounds();
    for (const int before : {51, 52}) {
        form->GLSphere2->Behaviours()->Clear();
        for (int i = 0; i < before; ++i) form->DoSound("snd_btn");
        ASSERT_EQ(Emitters(form->GLSphere2), before);
        form->DoSound("snd_btn");
        EXPECT_EQ(Emitters(form->GLSphere2), before == 51 ? 52 : 1) << before;
        EXPECT_EQ(manager->Sources()->Count(), Emitters(form->GLSphere2)) << before;
    }
}

TEST_F(GameSound, LeavingTheGameStopsTheMusicAndSwitchesTheSoundOff)
{
    manager.reset();
    form->GLSMOpenAL1->SetActive(true);
    const bool device = form->GLSMOpenAL1->Active(); // the test's driver may offer none
    Lists({}, {"menu"});
    form->LoadSounds();
    form->ControlMusic();
    EXPECT_EQ(Emitters(form->GLSphere1), device ? 1 : 0);
    form->ExitGame();
    EXPECT_EQ(Emitters(form->GLSphere1), 0);
    EXPECT_FALSE(form->GLSMOpenAL1->Active());
    EXPECT_EQ(GetActiveSoundManager(), nullptr);
}

} // namespace
