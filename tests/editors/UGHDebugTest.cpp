// The debug console over the demo adventure: frame blocks, game state and level-up, the body-part files, the sprite
// list, the global scripts, the random map's objects, the texture list, the map editor's interval and the watch.
#include "UGHDebug.h"

#include "EditorFixture.h"

#include "Components.h"
#include "ExtCtrls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

class DebugConsole : public EditorFixture {
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        cadblocks.Fill(true);
        form.reset(new TForm14(nullptr));
        Form14 = form.get();
    }
    void TearDown() override
    {
        Form14 = nullptr;
        form.reset();
        cadblocks.Fill(true);
        levelbusy = false;
        fsinitdone = false;
        EditorFixture::TearDown();
    }

    // Chooses the body part by sex (0, 1), part (ComboBox2's index) and id.
    void ChoosePart(int sex, int part, const std::string& id) const
    {
        form->ComboBox1->SetItemIndex(sex);
        form->ComboBox2->SetItemIndex(part);
        form->Edit3->SetText(id);
    }
    void SetPartBoxes(const std::vector<std::string>& values, bool eb, bool brd) const
    {
        TEdit* const boxes[] = {form->Edit1, form->Edit2, form->Edit4, form->Edit5};
        for (int i = 0; i < 4; ++i) boxes[i]->SetText(values[static_cast<size_t>(i)]);
        form->CheckBox9->SetChecked(eb);
        form->CheckBox10->SetChecked(brd);
    }
    std::vector<std::string> PartBoxes() const
    {
        return {form->Edit1->Text(), form->Edit2->Text(), form->Edit4->Text(), form->Edit5->Text()};
    }
    std::vector<std::string> Lines(const std::string& name) const
    {
        TLineBuffer buffer;
        buffer.LoadFromFile(folder / name);
        std::vector<std::string> lines;
        for (int i = 0; i < buffer.Count(); ++i) lines.emplace_back(buffer.Line(i));
        return lines;
    }
    static std::vector<std::string> Items(TStrings* items)
    {
        std::vector<std::string> lines;
        for (int i = 0; i < items->Count(); ++i) lines.push_back(items->Get(i));
        return lines;
    }

    std::unique_ptr<TForm14, TFreeDeleter> form;
};

TEST_F(DebugConsole, LevelUpSetsHalfTheThresholdHalvesToEven)
{
    for (auto [xpreq, xp] : {std::pair{101, 50}, std::pair{103, 52}, std::pair{100, 50}, std::pair{1, 0}}) {
        form->Edit13->SetText(IntToStr(xpreq));
        form->Button16->Click();
        EXPECT_EQ(player.xpreq, xpreq);
        EXPECT_EQ(player.xp, xp) << xpreq;
    }
    player.xpreq = 777;
    form->Button15->Click();
    EXPECT_EQ(form->Edit13->Text(), "777");

    form->Edit13->SetText("lots");
    form->Button16->Click();
    EXPECT_EQ(player.xpreq, 777);
    EXPECT_EQ(messages, std::vector<std::string>{"xpreq: a whole number"});
}

TEST_F(DebugConsole, GameStateSetsBothOrNeither)
{
    levelsteps = 800;
    levelno = 2;
    form->FormShow(form.get());
    EXPECT_EQ(form->LabeledEdit1->Text(), "800");
    EXPECT_EQ(form->LabeledEdit2->Text(), "2");

    form->LabeledEdit1->SetText("400");
    form->LabeledEdit2->SetText("three");
    form->Button1->Click();
    EXPECT_EQ(levelsteps, 400) << "set before the refused box";
    EXPECT_EQ(levelno, 2);
    EXPECT_EQ(messages, std::vector<std::string>{"level no: a whole number"});

    form->LabeledEdit2->SetText("3");
    form->Button1->Click();
    EXPECT_EQ(levelsteps, 400);
    EXPECT_EQ(levelno, 3);
}

TEST_F(DebugConsole, FrameBlockSwitchesActFromTheNextFrame)
{
    cadblocks[5] = false;
    form->FormShow(form.get());
    EXPECT_FALSE(form->CheckBox5->Checked());
    EXPECT_TRUE(form->CheckBox3->Checked());
    form->CheckBox5->SetChecked(true);

    std::vector<int> ran;
    for (int k = 1; k <= 8; ++k) main->FrameBlocks[k] = [&ran, k](double) { ran.push_back(k); };
    levelbusy = false;
    form->CheckBox3->SetChecked(false);
    EXPECT_FALSE(cadblocks[3]);
    main->CadencerRun(0.01);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 4, 5, 6, 7, 8}));

    ran.clear();
    form->CheckBox3->SetChecked(true);
    main->CadencerRun(0.01);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(DebugConsole, BodyPartReadFillsTheBoxesFromTheFile)
{
    // A hair file of four lines has neither flag; the boxes of lines the file lacks read "0".
    folder.Write("bodypartdata/1/hair_4.txt", "12.5\r\n30\r\n45\r\n-2\r\n");
    folder.Write("bodypartdata/0/hair_2.txt", "10\r\n20\r\n30\r\n40\r\n-1\r\nTrue\r\n");
    folder.Write("bodypartdata/0/head_1.txt", "7\r\n8\r\n");
    SetPartBoxes({"1", "1", "1", "1"}, true, true);
    ChoosePart(1, 1, "4");
    form->Button2->Click();
    EXPECT_EQ(PartBoxes(), (std::vector<std::string>{"12.5", "30", "45", "-2"}));
    EXPECT_FALSE(form->CheckBox9->Checked());
    EXPECT_FALSE(form->CheckBox10->Checked());

    ChoosePart(0, 1, "2");
    form->Button2->Click();
    EXPECT_EQ(PartBoxes(), (std::vector<std::string>{"10", "20", "30", "40"}));
    EXPECT_TRUE(form->CheckBox9->Checked());
    EXPECT_TRUE(form->CheckBox10->Checked());

    ChoosePart(0, 0, "1");
    form->Button2->Click();
    EXPECT_EQ(PartBoxes(), (std::vector<std::string>{"7", "8", "0", "0"}));
    EXPECT_TRUE(messages.empty());

    // A missing file is named and changes no box.
    form->CheckBox9->SetChecked(true);
    ChoosePart(0, 4, "9");
    form->Button2->Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("hat_9.txt"), std::string::npos) << messages[0];
    EXPECT_EQ(PartBoxes(), (std::vector<std::string>{"7", "8", "0", "0"}));
    EXPECT_TRUE(form->CheckBox9->Checked());
}

TEST_F(DebugConsole, BodyPartSetWritesSixLinesAndTheGameReadsThem)
{
    ChoosePart(1, 1, "3");
    SetPartBoxes({"11", "22.5", "33", "-4"}, true, false);
    form->Button3->Click();
    EXPECT_EQ(Lines("bodypartdata/1/hair_3.txt"), (std::vector<std::string>{"11", "22.5", "33", "-4", "-1", "0"}));
    readbpartdata(1, bptHair, 3);
    EXPECT_EQ(bpdata[bptHair], (TBodyPartData{11, 22.5, 33, -4, true, false}));

    // Every box is checked before the file is written; a torso's proportions are whole numbers above 0.
    struct TCase {
        int part;
        std::vector<std::string> values;
        std::string message;
    };
    const TCase cases[] = {{1, {"11", "22", "33", "y"}, "y: a number"},
                           {1, {"w", "22", "33", "1"}, "w: a number"},
                           {3, {"3", "2.5", "0", "0"}, "h: a whole number from 1 to 2147483647"},
                           {3, {"0", "5", "0", "0"}, "w: a whole number from 1 to 2147483647"}};
    for (const TCase& c : cases) {
        messages.clear();
        ChoosePart(1, c.part, "3");
        SetPartBoxes(c.values, false, false);
        form->Button3->Click();
        EXPECT_EQ(messages, std::vector<std::string>{c.message});
    }
    EXPECT_EQ(Lines("bodypartdata/1/hair_3.txt")[3], "-4");
    EXPECT_FALSE(std::filesystem::exists(folder.path / "bodypartdata/1/torso_3.txt"));

    // An id that would leave the folder is refused.
    messages.clear();
    ChoosePart(0, 0, "../../x");
    SetPartBoxes({"1", "1", "1", "1"}, false, false);
    form->Button3->Click();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(folder.path / "x.txt"));
}

TEST_F(DebugConsole, SetAllVisitsThePartsCountOfTheSex)
{
    namespace fs = std::filesystem;
    bodypartcounts[0] = 2; // hats, sex 1
    bodypartcounts[1] = 3; // hats, sex 0
    bodypartcounts[2] = 4; // heads, sex 1
    bodypartcounts[5] = 2; // hair, sex 0
    struct TCase {
        int sex, part;
        std::vector<std::string> files;
    };
    const TCase cases[] = {{0, 3, {"0/torso_0.txt"}},
                           {1, 3, {"1/torso_0.txt"}},
                           {0, 4, {"0/hat_0.txt", "0/hat_1.txt", "0/hat_2.txt"}},
                           {1, 4, {"1/hat_0.txt", "1/hat_1.txt"}},
                           {1, 0, {"1/head_0.txt", "1/head_1.txt", "1/head_2.txt", "1/head_3.txt"}},
                           {0, 2, {"0/hairb_0.txt", "0/hairb_1.txt"}}};
    for (const TCase& c : cases) {
        fs::remove_all(folder.path / "bodypartdata");
        fs::create_directories(folder.path / "bodypartdata/0");
        fs::create_directories(folder.path / "bodypartdata/1");
        ChoosePart(c.sex, c.part, "7");
        SetPartBoxes({"3", "5", "0", "0"}, false, true);
        form->Button4->Click();
        std::vector<std::string> written;
        for (const auto& entry : fs::recursive_directory_iterator(folder.path / "bodypartdata"))
            if (entry.is_regular_file()) written.push_back(fs::relative(entry.path(), folder.path / "bodypartdata").string());
        std::sort(written.begin(), written.end());
        EXPECT_EQ(written, c.files) << c.sex << " " << c.part;
        EXPECT_EQ(Lines("bodypartdata/" + c.files.back()),
                  (std::vector<std::string>{"3", "5", "0", "0", "0", "-1"}));
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(DebugConsole, SpriteListEditsTheChosenEntryAndAddsOnlyWhole)
{
    spritelist = {{"torch", 1, 10, 15}, {"barrel", 2, 20, 25}};
    form->Button6->Click();
    EXPECT_EQ(Items(form->ListBox1->Items()), (std::vector<std::string>{"torch", "barrel"}));

    form->ListBox1->SetItemIndex(1);
    form->ListBox1->OnClick(form->ListBox1);
    EXPECT_EQ(form->Edit6->Text(), "barrel");
    EXPECT_EQ(form->Edit9->Text(), "25");
    form->Edit6->SetText("cask");
    form->Edit8->SetText("30");
    form->Edit9->SetText("3x"); // ignored
    EXPECT_EQ(spritelist[1], (spritelistitem{"cask", 2, 30, 25}));

    // "add" refuses a name that would break the list's lines; a refused number ends it after the entry is added
    // with the numbers before it, the others 0, and the list not shown again.
    for (auto [box, text, message] : {std::tuple{form->Edit6, "a,b", "name: a name without \",\""},
                                      std::tuple{form->Edit6, "", "name: a name without \",\""},
                                      std::tuple{form->Edit8, "big", "size: a whole number"}}) {
        messages.clear();
        form->ListBox1->SetItemIndex(-1);
        form->Edit6->SetText("crate");
        form->Edit7->SetText("3");
        form->Edit8->SetText("12");
        form->Edit9->SetText("14");
        box->SetText(text);
        form->Button8->Click();
        EXPECT_EQ(messages, std::vector<std::string>{message});
    }
    ASSERT_EQ(spritelist.size(), 3u);
    EXPECT_EQ(spritelist.back(), (spritelistitem{"crate", 3, 0, 0}));
    EXPECT_EQ(Items(form->ListBox1->Items()), (std::vector<std::string>{"torch", "barrel"}));
    spritelist.pop_back();
    form->Edit6->SetText("crate");
    form->Edit8->SetText("12");
    form->Button8->Click();
    EXPECT_EQ(spritelist.back(), (spritelistitem{"crate", 3, 12, 14}));
    EXPECT_EQ(Items(form->ListBox1->Items()), (std::vector<std::string>{"torch", "cask", "crate"}));

    form->Button7->Click();
    EXPECT_EQ(Lines("textures/spritelist.txt"),
              (std::vector<std::string>{"torch,1,10,15", "cask,2,30,25", "crate,3,12,14"}));
    EXPECT_EQ(ReadSpriteList(folder / "textures/spritelist.txt"), spritelist);
}

TEST_F(DebugConsole, GlobalScriptsAddStopRunAndRemove)
{
    folder.Write("scripts/dbgwatch.txt", "setvar 1 2\r\n");
    folder.Write("scripts/dbgother.txt", "setvar 3 4\r\n");
    for (const char* name : {"dbgwatch", "dbgother"}) {
        form->Edit10->SetText(name);
        form->add->Click();
    }
    EXPECT_EQ(Items(form->ListBox2->Items()), (std::vector<std::string>{"dbgwatch", "dbgother"}));

    form->ListBox2->SetItemIndex(1);
    form->ListBox2->OnClick(form->ListBox2);
    EXPECT_EQ(form->Memo1->Text(), gslist[1].text);
    EXPECT_TRUE(form->CheckBox11->Checked());
    EXPECT_EQ(form->CheckBox11->Caption(), "active");
    form->stop->Click();
    EXPECT_FALSE(gslist[1].active);
    EXPECT_FALSE(form->CheckBox11->Checked());
    form->stop->Click();
    EXPECT_TRUE(gslist[1].active);

    // A removed script stays listed until "refr."; chosen meanwhile it is no script.
    form->ListBox2->SetItemIndex(0);
    form->Button9->Click();
    ASSERT_EQ(gslist.size(), 1u);
    EXPECT_EQ(Items(form->ListBox2->Items()), (std::vector<std::string>{"dbgwatch", "dbgother"}));
    form->ListBox2->OnClick(form->ListBox2);
    EXPECT_EQ(form->Memo1->Text(), "");
    EXPECT_FALSE(form->CheckBox11->Checked());
    EXPECT_EQ(form->CheckBox11->Caption(), "n/a");
    form->Button10->Click();
    EXPECT_EQ(Items(form->ListBox2->Items()), std::vector<std::string>{"dbgother"});

    // A missing script or a name outside the scripts' folder adds nothing.
    for (const char* name : {"nosuchscript", "../dbgwatch"}) {
        messages.clear();
        form->Edit10->SetText(name);
        form->add->Click();
        EXPECT_EQ(gslist.size(), 1u);
        EXPECT_EQ(messages.size(), 1u) << name;
    }
}

TEST_F(DebugConsole, RandomMapObjectsTextureListAndRefreshInterval)
{
    main->setdefaultrndons();
    rndons[9] = "my exit";
    form->ComboBox3->SetItemIndex(9);
    form->ComboBox3->OnChange(form->ComboBox3);
    EXPECT_EQ(form->Edit12->Text(), "my exit");
    form->Button13->Click();
    EXPECT_EQ(form->Edit12->Text(), defrndons[9]);
    EXPECT_EQ(rndons[9], "my exit");
    form->Button12->Click();
    EXPECT_EQ(rndons[9], defrndons[9]);

    texlist.clear();
    form->Button14->Click();
    EXPECT_EQ(Items(form->Memo2->Lines()), std::vector<std::string>{"nil"});
    texlist = {"wall_1", "floor_2"};
    form->Button14->Click();
    EXPECT_EQ(Items(form->Memo2->Lines()), (std::vector<std::string>{"wall_1", "floor_2"}));

    form->FormShow(form.get());
    EXPECT_EQ(form->Edit11->Text(), "200");
    for (const char* bad : {"0", "60001", "-5", "fast"}) {
        messages.clear();
        form->Edit11->SetText(bad);
        form->Button11->Click();
        EXPECT_EQ(messages, std::vector<std::string>{"editor refresh rate: a whole number from 1 to 60000"}) << bad;
    }
    EXPECT_EQ(editor->Timer1->Interval(), 200u);
    form->Edit11->SetText("60000");
    form->Button11->Click();
    EXPECT_EQ(editor->Timer1->Interval(), 60000u);
}

TEST_F(DebugConsole, WatchShowsTheContextsAndThePlayerLight)
{
    // The watch runs from showing to closing; showing also fills the boxes from the game.
    EXPECT_FALSE(form->Timer1->Enabled());
    EXPECT_EQ(form->Timer1->Interval(), 1000u);
    editor->Timer1->SetInterval(350);
    form->OnShow(form.get());
    EXPECT_TRUE(form->Timer1->Enabled());
    EXPECT_EQ(form->Edit11->Text(), "350");
    form->OnHide(form.get());
    EXPECT_FALSE(form->Timer1->Enabled());

    cparray.assign(3, -1);
    main->playerlight = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(main->dcgame);
    main->playerlight->Position()->SetPoint(1.5f, -2, 0.25f);
    main->playerlight->SetConstAttenuation(1);
    main->playerlight->SetLinearAttenuation(0.5f);
    main->playerlight->SetQuadraticAttenuation(0.125f);
    form->Timer1Timer(form->Timer1);
    EXPECT_EQ(form->Label12->Caption(), "cp array size {max 10000} = 3");
    EXPECT_EQ(form->Label13->Caption(), "x=1.5; y=-2; z=0.25\r\nca=1\r\nla=0.5\r\nqa=0.125");
}

} // namespace
