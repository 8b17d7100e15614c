// The settings window, unshown, over a data folder with the demo's strings: the opening sets every control from
// the settings and runs the handlers of what changes, the handlers store at once, and OK writes the file, reads it
// back and applies it, or keeps everything as it was when the file cannot be written.
#include "UGHSettings.h"

#include "DemoData.h"
#include "DemoOutput.h"
#include "DemoSources.h"
#include "Dialogs.h"
#include "GLApplicationFileIO.h"
#include "GLObjects.h"
#include "GLSMOpenAL.h"
#include "GLSound.h"
#include "GLWin32Viewer.h"
#include "Graphics.h"
#include "Streams.h"
#include "UGH_data.h"
#include "UGH_main.h"
#include "UGH_tables.h"
#include "VAVodad.h"

#include "GameDataFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

// A stream that takes no byte.
class TRefusingStream : public TMemoryStream {
public:
    int64_t Write(const void*, int64_t) override { return 0; }
};

// A data folder as the demo's, for what the window reads: the demo's strings and settings, two adventures and the
// picture.
class SettingsWindow : public GameDataFolder {
protected:
    void SetUp() override
    {
        GameDataFolder::SetUp();
        const std::string strings = std::string(MIREFALL_DEMO_SOURCES) + "/text/en/strings.src";
        folder.Write("text/en/strings.txt", CompileStrings(ReadSourceFile(strings), strings));
        fillstrarr("en", strarr);
        WriteLines("text/adventureid.txt", {"map_", "cave_"});
        WriteLines("text/en/adventures.txt", {"The Old Mine", "The Cave"});
        TBitmap picture;
        picture.SetSize(8, 4);
        std::filesystem::create_directories(folder.path / "textures");
        picture.SaveToFile(folder / "textures/settings_img.bmp");
        SetDemoSettings();
        SaveSettings();
        main.reset(new TForm1(nullptr));
        Form1 = main.get();
        SetMessageBoxHook([this](const TMessageBoxRequest& request) {
            messages.push_back(request.Text);
            return mrOk;
        });
    }
    void TearDown() override
    {
        SetMessageBoxHook(nullptr);
        SetStreamFactoryHook(nullptr);
        window.reset();
        Form1 = nullptr;
        main.reset();
        currenttrack.clear();
        GameDataFolder::TearDown();
    }

    // The music emitter the frame would have started.
    void StartMusic() const { new TGLBSoundEmitter(main->GLSphere1->Behaviours()); }
    int MusicEmitters() const { return main->GLSphere1->Behaviours()->Count(); }

    std::unique_ptr<TForm1, TFreeDeleter> main;
    std::unique_ptr<TForm5, TFreeDeleter> window{new TForm5(nullptr)};
    std::vector<std::string> messages;
};

} // namespace

TEST_F(SettingsWindow, TheResolutionListSelectsTheFullScreenSize)
{
    struct TCase {
        int32_t width, height, item;
    };
    // Sizes the list lacks keep the item selected before (4 here).
    for (const TCase& c : {TCase{1920, 1080, 12}, TCase{1920, 1280, 5}, TCase{1440, 810, 11}, TCase{1366, 768, 4},
                           TCase{320, 180, 6}, TCase{1024, 768, 3}, TCase{1024, 600, 9}}) {
        window->ComboBox3->SetItemIndex(4);
        fswidth = c.width;
        fsheight = c.height;
        window->FormShow(window.get());
        EXPECT_EQ(window->ComboBox3->ItemIndex(), c.item) << c.width << " x " << c.height;
        EXPECT_EQ(fswidth, c.width);
        EXPECT_EQ(fsheight, c.height);
    }
    window->ComboBox3->SetItemIndex(11);
    window->ComboBox3Change(window.get());
    EXPECT_EQ(fswidth, 1440);
    EXPECT_EQ(fsheight, 810);
}

TEST_F(SettingsWindow, OpeningSetsEveryControlFromItsSetting)
{
    // The file's language and speeds win over the globals; the rest comes from the globals.
    movespeed = 300;
    turnspeed = 7;
    showbtllog = nofire = globalcast = fullmute = true;
    soundon = false;
    texquality = -1;
    shadowmode = 2;
    aaindex = 3;
    brightness = 150;
    cardsize = -20;
    difficulty = -2;
    fogdist = 90;
    camdist = 260;
    desiredfps = 45;
    adventure = 1;
    maxvd = 20;
    viewdist = 12;
    appversion = "1.2.3.4";
    window->FormShow(window.get());

    EXPECT_EQ(window->Caption(), strarr[108]);
    EXPECT_EQ(window->Label16->Caption(), strarr[380]);
    EXPECT_EQ(window->CheckBox22->Caption(), strarr[409]);
    EXPECT_EQ(window->GroupBox7->Caption(), strarr[417]);
    EXPECT_EQ(window->Button2->Caption(), "OK");
    // Every text the window shows has its string in the demo; only the two sound boxes have none of their own.
    for (int i = 0; i < window->ComponentCount(); ++i) {
        auto* control = dynamic_cast<TWinControl*>(window->Components(i));
        if (!control || control == window->CheckBox1 || control == window->CheckBox2) continue;
        std::string caption = "(no caption)";
        if (auto* label = dynamic_cast<TLabel*>(control)) caption = label->Caption();
        if (auto* check = dynamic_cast<TCheckBox*>(control)) caption = check->Caption();
        if (auto* button = dynamic_cast<TButton*>(control)) caption = button->Caption();
        if (auto* group = dynamic_cast<TGroupBox*>(control)) caption = group->Caption();
        EXPECT_FALSE(caption.empty()) << "component " << i;
    }
    for (int item = 0; item < 3; ++item) {
        EXPECT_FALSE(window->ComboBox4->Items()->Strings(item).empty()) << item;
        EXPECT_FALSE(window->ComboBox5->Items()->Strings(item).empty()) << item;
    }
    const std::pair<TCheckBox*, bool> checks[] = {
        {window->CheckBox1, false},  {window->CheckBox2, true},   {window->CheckBox3, true},
        {window->CheckBox4, true},   {window->CheckBox5, false},  {window->CheckBox8, true},
        {window->CheckBox14, true},  {window->CheckBox18, true},  {window->CheckBox19, false},
        {window->CheckBox21, true},  {window->CheckBox22, true},  {window->CheckBox23, true},
    };
    for (const auto& [box, checked] : checks) EXPECT_EQ(box->Checked(), checked) << box->Caption();
    EXPECT_EQ(window->ComboBox1->Text(), "en");
    EXPECT_EQ(window->TrackBar1->Position(), 400);
    EXPECT_EQ(window->TrackBar2->Position(), 10);
    EXPECT_EQ(movespeed, 400);
    EXPECT_EQ(turnspeed, 10);
    ASSERT_EQ(window->ComboBox4->Items()->Count(), 3);
    EXPECT_EQ(window->ComboBox4->Items()->Strings(0), strarr[381]);
    EXPECT_EQ(window->ComboBox4->ItemIndex(), 2);
    EXPECT_EQ(window->ComboBox5->Items()->Strings(2), strarr[407]);
    EXPECT_EQ(window->ComboBox5->ItemIndex(), 2);
    EXPECT_EQ(window->ComboBox2->ItemIndex(), 3);
    ASSERT_EQ(window->ComboBox6->Items()->Count(), 2);
    EXPECT_EQ(window->ComboBox6->Text(), "The Cave");
    const std::pair<TTrackBar*, int32_t> tracks[] = {{window->TrackBar3, 80},  {window->TrackBar4, 60},
                                                     {window->TrackBar5, 150}, {window->TrackBar6, -20},
                                                     {window->TrackBar7, -2}};
    for (const auto& [track, position] : tracks) EXPECT_EQ(track->Position(), position);
    EXPECT_EQ(window->Label14->Caption(), "-2");
    const std::pair<TEdit*, std::string> edits[] = {{window->Edit1, "5"},     {window->Edit7, "20"},
                                                    {window->Edit2, "90"},    {window->Edit3, "260"},
                                                    {window->Edit4, "44100"}, {window->Edit6, "45"}};
    for (const auto& [edit, text] : edits) EXPECT_EQ(edit->Text(), text);
    EXPECT_EQ(viewdist, 20) << "Edit7 changed, so its handler ran";
    // The music slider moved: its handler asks the music to start again.
    EXPECT_EQ(currenttrack, "lalalareset");
    EXPECT_EQ(window->Label21->Caption(), "Mirefall v. 1.2.3.4");
    EXPECT_EQ(window->Image1->Picture()->Width(), 8);
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(window->HandleAllocated());
}

TEST_F(SettingsWindow, EachOpeningStepRunsWithoutTheFilesOfTheOthers)
{
    std::filesystem::remove(folder / "gh.cfg");
    std::filesystem::remove(folder / "text/en/adventures.txt");
    std::filesystem::remove(folder / "textures/settings_img.bmp");
    movespeed = 300;
    maxvd = 9;
    window->FormShow(window.get());
    EXPECT_EQ(window->ComboBox1->Text(), "en");
    EXPECT_EQ(window->TrackBar1->Position(), 300);
    EXPECT_EQ(movespeed, 300);
    EXPECT_EQ(window->ComboBox6->Items()->Count(), 0);
    EXPECT_EQ(window->Image1->Picture()->Graphic(), nullptr);
    EXPECT_EQ(window->Edit7->Text(), "9");
    EXPECT_EQ(window->TrackBar3->Position(), 80);
    EXPECT_FALSE(window->Label21->Caption().empty());
}

// The music box on a change, every time (even on the opening that finds the sound box unlike soundon); the music
// box only when unticked.
TEST_F(SettingsWindow, TheSoundBoxesStopTheMusic)
{
    StartMusic();
    window->FormShow(window.get());
    EXPECT_EQ(MusicEmitters(), 0);
    EXPECT_TRUE(soundon);
    StartMusic();
    window->FormShow(window.get());
    EXPECT_EQ(MusicEmitters(), 1) << "nothing changed on the second opening";

    window->CheckBox1->SetChecked(false);
    EXPECT_EQ(MusicEmitters(), 0);
    EXPECT_FALSE(soundon);
    StartMusic();
    window->CheckBox1->SetChecked(true);
    EXPECT_EQ(MusicEmitters(), 0);
    StartMusic();
    window->CheckBox2->SetChecked(false);
    EXPECT_EQ(MusicEmitters(), 0);
    EXPECT_FALSE(musicon);
    StartMusic();
    window->CheckBox2->SetChecked(true);
    EXPECT_EQ(MusicEmitters(), 1);
    EXPECT_TRUE(musicon);
}

TEST_F(SettingsWindow, EditsStoreNumbersAndMarkWhatTheyRefuse)
{
    struct TCase {
        TEdit* edit;
        const char* text;
        int32_t* global;
        int32_t stored; // the value it holds afterwards
        bool refused;
    };
    maxvd = viewdist = minvd = 5;
    fogdist = 100;
    const TCase cases[] = {
        {window->Edit7, "20", &maxvd, 20, false}, {window->Edit7, "abc", &maxvd, 20, true},
        {window->Edit7, "0", &maxvd, 20, true},   {window->Edit1, "0", &minvd, 5, true},
        {window->Edit7, "102", &maxvd, 20, true}, {window->Edit1, "3", &minvd, 3, false},
        // A fog that ends before a cell's width would hide the HUD as well.
        {window->Edit2, "0", &fogdist, 100, true}, {window->Edit2, "-5", &fogdist, 100, true},
        {window->Edit2, "120", &fogdist, 120, false}, {window->Edit2, "", &fogdist, 120, true},
        {window->Edit6, "60", &desiredfps, 60, false},
    };
    for (const TCase& c : cases) {
        c.edit->SetText(c.text);
        EXPECT_EQ(*c.global, c.stored) << c.text;
        EXPECT_EQ(c.edit->Invalid(), c.refused) << c.text;
        if (c.refused) EXPECT_FALSE(c.edit->InvalidHint().empty());
    }
    EXPECT_EQ(viewdist, 20);
}

TEST_F(SettingsWindow, SlidersAndButtonsStoreAtOnce)
{
    window->TrackBar3->SetPosition(40);
    EXPECT_EQ(soundvol, 40);
    EXPECT_FLOAT_EQ(main->GLSMOpenAL1->MasterVolume(), 0.4f);
    window->TrackBar4->SetPosition(10);
    EXPECT_EQ(musicvol, 10);
    EXPECT_EQ(currenttrack, "lalalareset");
    window->TrackBar7->SetPosition(4);
    EXPECT_EQ(difficulty, 4);
    EXPECT_EQ(window->Label14->Caption(), "4");

    window->TrackBar1->SetPosition(700);
    window->Edit2->SetText("7");
    window->ComboBox2->SetItemIndex(4);
    window->Button3Click(window.get());
    window->Button4Click(window.get());
    EXPECT_EQ(movespeed, 50);
    EXPECT_EQ(turnspeed, 10);
    EXPECT_EQ(minvd, 5);
    EXPECT_EQ(fogdist, 100);
    EXPECT_EQ(camdist, 250);
    EXPECT_EQ(window->ComboBox2->ItemIndex(), 0);

    window->ComboBox5->Items()->SetText("off\ndarkening\naccurate");
    window->ComboBox5->SetItemIndex(0);
    window->ComboBox5Change(window.get());
    EXPECT_EQ(shadowmode, 0);
}

TEST_F(SettingsWindow, TheQualityListAndTheReaderAgree)
{
    struct TCase {
        int32_t item;
        bool poor;
        const char* dir;
        int32_t quality;
    };
    window->FormShow(window.get());
    for (const TCase& c : {TCase{0, false, "hq", 1}, TCase{1, false, "lq", 0}, TCase{2, true, "pq", -1}}) {
        window->ComboBox4->SetItemIndex(c.item);
        window->ComboBox4Change(window.get());
        EXPECT_EQ(poorquality, c.poor);
        EXPECT_EQ(qualitydir, c.dir);
        EXPECT_EQ(texquality, c.quality);
        window->Button2Click(window.get());
        EXPECT_EQ(poorquality, c.poor) << "after OK's reading";
        EXPECT_EQ(qualitydir, c.dir);
        EXPECT_EQ(texquality, c.quality);
        window->FormShow(window.get());
        EXPECT_EQ(window->ComboBox4->ItemIndex(), c.item);
    }
}

TEST_F(SettingsWindow, OkWritesTheFileAppliesAntiAliasingAndHides)
{
    window->Show();
    ASSERT_TRUE(window->Visible());
    window->ComboBox2->SetItemIndex(3);
    window->Edit7->SetText("10");
    window->Button2Click(window.get());
    const std::vector<std::string> lines = ReadLines(GamePath("\\gh.cfg"));
    ASSERT_EQ(lines.size(), 45u);
    EXPECT_EQ(lines[16], "3");
    EXPECT_EQ(lines[42], "10");
    EXPECT_EQ(main->VAVodadViewer1->Buffer()->AntiAliasing(), aa8x);
    EXPECT_FALSE(window->Visible());
    EXPECT_EQ(viewdist, 10);
    EXPECT_TRUE(messages.empty());
}

TEST_F(SettingsWindow, AFailedWriteKeepsTheFileAndTheWindow)
{
    const std::string before = folder.Read("gh.cfg");
    window->Show();
    window->Edit1->SetText("9");
    SetStreamFactoryHook([](const std::string& name, uint16_t mode) -> std::unique_ptr<TStream> {
        if (mode == fmCreate && name.ends_with("gh.cfg")) return std::make_unique<TRefusingStream>();
        return nullptr;
    });
    window->Button2Click(window.get());
    SetStreamFactoryHook(nullptr);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("gh.cfg"), std::string::npos) << messages[0];
    EXPECT_TRUE(window->Visible());
    EXPECT_EQ(minvd, 9) << "the file was not read back";
    EXPECT_EQ(folder.Read("gh.cfg"), before);
}

TEST_F(SettingsWindow, ClosingWithoutOkKeepsTheChangesForTheRunOnly)
{
    const std::string before = folder.Read("gh.cfg");
    window->Show();
    window->Edit1->SetText("9");
    window->CheckBox4->SetChecked(false);
    window->Close();
    EXPECT_FALSE(window->Visible());
    EXPECT_EQ(minvd, 9);
    EXPECT_FALSE(leveling);
    EXPECT_EQ(folder.Read("gh.cfg"), before);
}

TEST_F(SettingsWindow, TheAdventureAndTheLanguageAreChosenByTheirButtons)
{
    window->FormShow(window.get());
    window->ComboBox6->SetItemIndex(1);
    window->Button6Click(window.get());
    EXPECT_EQ(adventure, 1);
    EXPECT_EQ(adventureid, "cave_");

    folder.Write("text/de/strings.txt", "@");
    for (const char* refused : {"ru", "../en", ""}) {
        messages.clear();
        window->ComboBox1->SetText(refused);
        window->Button1Click(window.get());
        EXPECT_EQ(lng, "en") << refused;
        ASSERT_EQ(messages.size(), 1u) << refused;
    }
    window->ComboBox1->SetText("ru");
    messages.clear();
    window->Button1Click(window.get());
    EXPECT_NE(messages.at(0).find(GamePath("\\text\\ru\\strings.txt")), std::string::npos) << messages[0];
    window->ComboBox1->SetText("de");
    window->Button1Click(window.get());
    EXPECT_EQ(lng, "de");
}
