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
#include "MainWindowLevel.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

// Sound and music on, as the demo has them; a manager without a device active in place of the window's. The
// settings are given back afterwards.
struct TSoundOn {
    std::tuple<bool, bool, bool, int32_t, int32_t> saved{fullmute, soundon, musicon, soundvol, musicvol};
    std::unique_ptr<TGLSoundManager, TFreeDeleter> manager{new TGLSoundManager(nullptr)};

    explicit TSoundOn(TForm1& form)
    {
        fullmute = false;
        soundon = musicon = true;
        soundvol = 80;
        musicvol = 60;
        form.GLSMOpenAL1->SetActive(false);
        manager->SetActive(true);
    }
    ~TSoundOn()
    {
        manager.reset();
        soundcount = musiccount = 0;
        soundsloaded = false;
        wantedtrack.clear();
        currenttrack.clear();
        std::tie(fullmute, soundon, musicon, soundvol, musicvol) = saved;
    }
};

// A short tone as the WAV file name below folder.
void ToneFile(const TempFolder& folder, const std::string& name)
{
    folder.Write(name, ToString(MakeWav(SineTone(440, 22050, 1, 0.1), 22050, 1)));
}

// The names of the samples the emitters of the sphere play.
std::vector<std::string> Playing(TGLBaseSceneObject* sphere)
{
    std::vector<std::string> names;
    for (int i = 0; i < sphere->Behaviours()->Count(); ++i)
        if (const TGLSoundSource* source = static_cast<TGLBSoundEmitter*>(sphere->Behaviours()->Items(i))->PlayingSource())
            names.push_back(source->SoundName());
    return names;
}

class GameSound : public GameDataFolder {
protected:
    void SetUp() override
    {
        GameDataFolder::SetUp();
        form.reset(new TForm1(nullptr));
        sound = std::make_unique<TSoundOn>(*form);
        mmmode = true;
    }
    void TearDown() override
    {
        form.reset();
        sound.reset();
        GameDataFolder::TearDown();
    }

    // A short tone as the file name below "sounds/".
    void Sound(const std::string& name) const
    {
        if (name.ends_with(".mp3"))
            folder.Write("sounds/" + name, ToString(EncodeMp3(SineTone(440, 22050, 1, 0.2), 22050, 1)));
        else
            ToneFile(folder, "sounds/" + name);
    }
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

    TGLSoundManager& Manager() const { return *sound->manager; }

    std::unique_ptr<TForm1, TFreeDeleter> form;
    std::unique_ptr<TSoundOn> sound;
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
        Manager().SetActive(c.active);
        form->LoadSounds();
        form->DoSound("snd_footsteps");
        form->ControlMusic();
        const bool heard = !c.fullmute && c.active;
        EXPECT_EQ(soundsloaded, !c.fullmute);
        EXPECT_EQ(form->GLSoundLibrary1->Samples()->Count(), c.fullmute ? 0 : 2);
        EXPECT_EQ(Emitters(form->GLSphere2), heard && c.soundon ? 1 : 0);
        EXPECT_EQ(Emitters(form->GLSphere1), heard && c.musicon ? 1 : 0);
        EXPECT_EQ(Manager().Sources()->Count(), c.active ? Emitters(form->GLSphere1) + Emitters(form->GLSphere2) : 0);
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
        EXPECT_EQ(Manager().Sources()->Count(), Emitters(form->GLSphere2)) << before;
    }
}

TEST_F(GameSound, LeavingTheGameStopsTheMusicAndSwitchesTheSoundOff)
{
    sound->manager.reset();
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

// Exploring a 10 x 10 level open inside its border, from (5, 5) facing +x: what a step, the doors and chests by
// their locks, and a teleport play.
class ExploringSounds : public MainWindowLevel {
protected:
    void SetUp() override
    {
        MainWindowLevel::SetUp();
        sound = std::make_unique<TSoundOn>(*form);
        const std::vector<std::string> effects = {"snd_footsteps", "snd_door", "snd_locked", "snd_chest", "snd_port"};
        WriteLines("sounds/audio/soundlist.txt", effects);
        WriteLines("sounds/music/musiclist.txt", {});
        for (const std::string& name : effects) ToneFile(folder, "sounds/audio/" + name + ".wav");
        form->LoadSounds();
        OpenLevel(9, 9);
        levelbusy = false;
        exitx = exity = -1;
        PlaceAt(5, 5);
    }
    void TearDown() override
    {
        form.reset();
        sound.reset();
        MainWindowLevel::TearDown();
    }

    std::unique_ptr<TSoundOn> sound;
};

TEST_F(ExploringSounds, AStepDoorsChestsAndATeleportPlayTheirSounds)
{
    // A closed door or chest of the lock power on (6, 5).
    const auto closed = [](bool chest, int32_t power) {
        lcell& cell = levelgrid[6][5];
        cell.passable = false;
        cell.door = !chest;
        cell.chest = chest;
        cell.power = power;
    };
    struct TCase {
        const char* what;
        std::function<void(TForm1&)> act;
        std::vector<std::string> played;
    };
    const TCase cases[] = {
        {"a step", [](TForm1& form) { form.MovePlayer(1, 0, 50); }, {"snd_footsteps.wav"}},
        {"an open door", [&](TForm1& form) { closed(false, 0); form.ActivateCell(6, 5); }, {"snd_door.wav"}},
        {"a silver door with its key",
         [&](TForm1& form) { closed(false, 1); keys1 = 1; form.ActivateCell(6, 5); }, {"snd_door.wav"}},
        {"a gold door without its key",
         [&](TForm1& form) { closed(false, 2); form.ActivateCell(6, 5); }, {"snd_locked.wav"}},
        {"a chest", [&](TForm1& form) { closed(true, 0); form.ActivateCell(6, 5); }, {"snd_chest.wav"}},
        {"a silver chest without its key",
         [&](TForm1& form) { closed(true, 1); form.ActivateCell(6, 5); }, {"snd_locked.wav"}},
        {"a teleport",
         [](TForm1& form) {
             lcell& cell = levelgrid[6][5];
             cell.trap = true;
             cell.traptype = 8;
             cell.doorno = 2;
             cell.chestno = 2;
             form.ActivateCell(6, 5);
         },
         {"snd_port.wav"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        OpenLevel(9, 9);
        PlaceAt(5, 5);
        keys1 = keys2 = 0;
        form->GLSphere2->Behaviours()->Clear();
        c.act(*form);
        EXPECT_EQ(Playing(form->GLSphere2), c.played);
    }
}

} // namespace
