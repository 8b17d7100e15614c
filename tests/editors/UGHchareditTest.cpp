// The character editor over a copy of the demo adventure: load and save of a monster file with its override name,
// the check lists, the timer's two blocks, the player's commands (read, apply, perk point, level-up), "fight",
// the journal link to the text editor, the wanderer slots and the description gauge.
#include "UGHcharedit.h"

#include "UGHtextedit.h"
#include "UGH_data.h"
#include "UGH_main.h"
#include "UGH_tables.h"

#include "EditorFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

class CharacterEditor : public EditorFixture {
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        tempchar = character{};
        tempwanderer = wanderer{};
        ghoul.name = "Ghoul";
        ghoul.lvl = 3;
        ghoul.strength = 11;
        ghoul.intelligence = 12;
        ghoul.speed = 13;
        ghoul.endurance = 14;
        ghoul.sword = 15;
        ghoul.bow = 16;
        ghoul.magic = 17;
        ghoul.armor = 18;
        ghoul.spec = 3;
        ghoul.element = 4;
        ghoul.spellbook[2] = ghoul.spellbook[1000] = true;
        ghoul.perks[100] = true;
        ghoul.loot = -1;
        ghoul.jrn = 7;
        ghoul.w_zs = 5;
        SaveChar(ghoul, GamePath("\\monsters\\100.mon"));
        ghoul = LoadChar(GamePath("\\monsters\\100.mon"));
        for (const char* made : {"text/ru/overrides/monsters", "text/ru/desc"})
            std::filesystem::create_directories(folder.path / made);
        Form4 = form.get();
    }
    void TearDown() override
    {
        Form4 = nullptr;
        Form8 = nullptr;
        form.reset();
        tempchar = character{};
        tempwanderer = wanderer{};
        EditorFixture::TearDown();
    }

    void Load(const std::string& id)
    {
        form->Edit1->SetText(id);
        form->Button1->Click();
    }

    character ghoul;
    std::unique_ptr<TForm4, TFreeDeleter> form{new TForm4(nullptr)};
};

TEST_F(CharacterEditor, LoadShowsTheMonsterAndSaveWritesOnlyItsFiles)
{
    monsters[100] = ghoul;
    cards[2].name = "Fireball";
    perks[100].enabled = true;
    perks[100].name = "Stone skin";
    form->FormShow(form.get());
    EXPECT_EQ(form->ListBox1->Items()->Count(), 101);
    EXPECT_EQ(form->ListBox1->Items()->Get(100), "100) Ghoul");
    EXPECT_EQ(form->ComboBox2->Items()->Count(), 201);
    form->ListBox1->SetItemIndex(100);
    form->ListBox1Click(form->ListBox1);
    ASSERT_TRUE(messages.empty()) << messages[0];
    EXPECT_EQ(tempchar, ghoul);
    EXPECT_EQ(form->LabeledEdit1->Text(), "Ghoul");
    // The boxes' order is magic then armor; the record's is armor then magic.
    EXPECT_EQ(form->LabeledEdit8->Text(), "17");
    EXPECT_EQ(form->LabeledEdit9->Text(), "18");
    EXPECT_EQ(form->LabeledEdit11->Text(), "3");
    EXPECT_EQ(form->ComboBox5->Text(), "Fire");
    EXPECT_EQ(form->Edit12->Text(), "5");
    ASSERT_EQ(form->CheckListBox1->Items()->Count(), 1001);
    ASSERT_EQ(form->CheckListBox2->Items()->Count(), 101);
    EXPECT_EQ(form->CheckListBox1->Items()->Get(2), "Fireball");
    EXPECT_EQ(form->CheckListBox1->Items()->Get(3), "3");
    EXPECT_EQ(form->CheckListBox2->Items()->Get(100), "Stone skin");
    EXPECT_TRUE(form->CheckListBox1->Checked(2));
    EXPECT_TRUE(form->CheckListBox1->Checked(1000));
    EXPECT_FALSE(form->CheckListBox1->Checked(3));
    EXPECT_TRUE(form->CheckListBox2->Checked(100));

    // Edited: a tick is taken at once, the boxes at the timer's tick; the file round-trips the new values.
    form->CheckListBox1->SetChecked(2, false);
    form->CheckListBox1->SetChecked(5, true);
    form->CheckListBox1->OnClickCheck(form->CheckListBox1);
    EXPECT_FALSE(tempchar.spellbook[2]);
    EXPECT_TRUE(tempchar.spellbook[5]);
    form->LabeledEdit1->SetText("Old Ghoul");
    form->LabeledEdit9->SetText("30"); // armor
    form->LabeledEdit11->SetText("2");
    form->ComboBox5->SetItemIndex(1);
    form->CheckListBox2->SetChecked(100, false);
    form->Edit3->SetText("Upyr");
    form->Timer1Timer(form.get());
    form->Button2->Click();
    ASSERT_TRUE(messages.empty()) << messages[0];
    character expected = ghoul;
    expected.name = expected.oname = "Old Ghoul";
    expected.armor = 30;
    expected.spec = 2;
    expected.element = 1;
    expected.spellbook[2] = false;
    expected.spellbook[5] = true;
    expected.perks[100] = false;
    EXPECT_EQ(LoadChar(GamePath("\\monsters\\100.mon")), expected);
    EXPECT_EQ(folder.Read("text/ru/overrides/monsters/100.txt"), "Upyr\r\n");
    EXPECT_EQ(monsters[100], ghoul);
}

TEST_F(CharacterEditor, TheTimersCopyStopsAtTheFirstBadBox)
{
    Load("100");
    form->LabeledEdit1->SetText("Wight");
    form->LabeledEdit2->SetText("21");
    form->LabeledEdit3->SetText("22");
    form->LabeledEdit4->SetText("x"); // speed
    form->LabeledEdit5->SetText("24");
    form->LabeledEdit11->SetText("1");
    form->CheckListBox1->SetChecked(9, true);
    form->Edit8->SetText("4");
    form->Edit9->SetText("y");
    form->Edit7->SetText("6");
    form->Timer1Timer(form.get());
    EXPECT_EQ(tempchar.name, "Wight");
    EXPECT_EQ(tempchar.strength, 21);
    EXPECT_EQ(tempchar.intelligence, 22);
    EXPECT_EQ(tempchar.speed, 13);
    EXPECT_EQ(tempchar.endurance, 14);
    EXPECT_FALSE(tempchar.spellbook[9]);
    EXPECT_EQ(tempchar.spec, 3);
    EXPECT_TRUE(form->LabeledEdit4->Invalid());
    // The wanderer's block has its own first bad box.
    EXPECT_EQ(tempwanderer.x, 4);
    EXPECT_EQ(tempwanderer.y, 0);
    EXPECT_EQ(tempwanderer.mtype, 0);
    EXPECT_TRUE(form->Edit9->Invalid());

    form->LabeledEdit4->SetText("23");
    form->Edit9->SetText("5");
    form->Timer1Timer(form.get());
    EXPECT_EQ(tempchar.speed, 23);
    EXPECT_EQ(tempchar.endurance, 24);
    EXPECT_TRUE(tempchar.spellbook[9]);
    EXPECT_EQ(tempchar.spec, 1);
    EXPECT_EQ(tempwanderer.y, 5);
    EXPECT_EQ(tempwanderer.mtype, 6);
}

TEST_F(CharacterEditor, IdsOutsideTheMonstersAndFailedFilesAreNamed)
{
    tempchar = ghoul;
    clearbattlelist();
    for (const char* id : {"101", "-1", "x"}) {
        form->Edit1->SetText(id);
        for (TButton* command : {form->Button1, form->Button2, form->Button3}) {
            messages.clear();
            command->Click();
            ASSERT_EQ(messages.size(), 1u) << id;
            EXPECT_EQ(messages[0], "id: a whole number from 0 to 100");
        }
    }
    EXPECT_FALSE(std::filesystem::exists(folder.path / "monsters/101.mon"));
    EXPECT_EQ(battlelist[0], -2);

    // A missing file is named and the record stays.
    std::filesystem::remove(folder.path / "monsters/99.mon");
    messages.clear();
    Load("99");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("99.mon"), std::string::npos) << messages[0];
    EXPECT_EQ(tempchar, ghoul);
    // So is a file that cannot be written.
    std::filesystem::remove_all(folder.path / "monsters");
    messages.clear();
    form->Button2->Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("99.mon"), std::string::npos) << messages[0];
}

TEST_F(CharacterEditor, TheOverrideNameFollowsTheMonster)
{
    folder.Write("text/ru/overrides/monsters/100.txt", "Upyr\r\n");
    Load("100");
    EXPECT_EQ(form->Edit3->Text(), "Upyr");
    // Monster 99 has no override: the box empties and saving writes none.
    SaveChar(ghoul, GamePath("\\monsters\\99.mon"));
    std::filesystem::remove(folder.path / "text/ru/overrides/monsters/99.txt");
    Load("99");
    EXPECT_EQ(form->Edit3->Text(), "");
    form->Button2->Click();
    ASSERT_TRUE(messages.empty()) << messages[0];
    EXPECT_FALSE(std::filesystem::exists(folder.path / "text/ru/overrides/monsters/99.txt"));
}

TEST_F(CharacterEditor, ReadThenApplyLeavesThePlayerAsItWas)
{
    player.bstr = 10;
    player.bmg = 4;
    player.bar = 6;
    player.xp = 33;
    player.spellbook[8] = true;
    items[3].count = 1;
    items[3].lb_str = 2;
    items[3].lb_mg = 5;
    items[3].rq_perk = items[3].rq_item = items[3].rq_spec = -1;
    main->defineparbonuses();
    const character before = player;
    ASSERT_EQ(player.strength, 12);

    form->Button4->Click();
    // The boxes show the base values, magic and armor each in its own box.
    EXPECT_EQ(form->LabeledEdit2->Text(), "10");
    EXPECT_EQ(form->LabeledEdit8->Text(), "4");
    EXPECT_EQ(form->LabeledEdit9->Text(), "6");
    form->Timer1Timer(form.get());
    form->Button5->Click();
    EXPECT_EQ(player.bstr, 10);
    EXPECT_EQ(player.bmg, 4);
    main->defineparbonuses();
    EXPECT_EQ(player, before);

    // A changed box becomes the base value.
    form->LabeledEdit9->SetText("9");
    form->Timer1Timer(form.get());
    form->Button5->Click();
    EXPECT_EQ(player.bar, 9);
}

TEST_F(CharacterEditor, PerkPointAndLevelUp)
{
    perkpoints = 1;
    form->Button6->Click();
    EXPECT_EQ(perkpoints, 2);

    player.xp = 150;
    player.xpreq = 200;
    form->Button14->Click();
    EXPECT_EQ(player.xp, 201);
}

TEST_F(CharacterEditor, FightQueuesTheMonster)
{
    clearbattlelist();
    form->Edit1->SetText("100");
    form->Button3->Click();
    form->Button3->Click();
    ASSERT_TRUE(messages.empty()) << messages[0];
    EXPECT_EQ(battlelist[0], 100);
    EXPECT_EQ(battlelist[1], 100);
    EXPECT_EQ(battlelist[2], -2);
}

TEST_F(CharacterEditor, TheJournalButtonOpensTheEntryOrTheFirstFreeOne)
{
    std::unique_ptr<TForm8, TFreeDeleter> text{new TForm8(nullptr)};
    Form8 = text.get();
    text->Edit2->SetText("en");
    std::filesystem::remove_all(folder.path / "text/en/journal");
    for (const char* page : {"0", "1", "7"}) folder.Write(std::string("text/en/journal/jrn_") + page + ".txt", page);

    form->Edit6->SetText("7");
    form->Button7->Click();
    EXPECT_EQ(text->Edit1->Text(), "7");
    EXPECT_EQ(text->Memo2->Text(), "7");
    EXPECT_TRUE(text->CheckBox1->Checked());
    EXPECT_FALSE(text->CheckBox2->Checked());
    EXPECT_TRUE(text->CheckBox3->Checked());

    for (const char* none : {"-1", "0"}) {
        form->Edit6->SetText(none);
        form->Button7->Click();
        EXPECT_EQ(form->Edit6->Text(), "2") << none;
        EXPECT_EQ(text->Edit1->Text(), "2") << none;
    }
    text->Hide();
}

TEST_F(CharacterEditor, WandererSlots)
{
    wanderers[5].x = 3;
    wanderers[5].y = 4;
    wanderers[5].mtype = 9;
    wanderers[5].behav = 1;
    wanderers[5].enabled = true;
    wanderers[5].script = "ambush";
    form->FormShow(form.get());
    // Choosing a slot loads it.
    form->ComboBox2->SetItemIndex(5);
    form->ComboBox2->OnChange(form->ComboBox2);
    EXPECT_EQ(tempwanderer, wanderers[5]);
    EXPECT_EQ(form->ComboBox3->Text(), "wanders");
    EXPECT_EQ(form->Edit13->Text(), "ambush");

    edcurx = 12;
    edcury = 13;
    form->Button10->Click(); // "acc"
    form->Edit1->SetText("100");
    form->Button11->Click(); // ">>>"
    form->Timer1Timer(form.get());
    form->ComboBox2->SetItemIndex(6);
    form->Button9->Click();
    ASSERT_TRUE(messages.empty()) << messages[0];
    wanderer expected{12, 13, 100, 1, true, "ambush"};
    EXPECT_EQ(wanderers[6], expected);
    EXPECT_EQ(wanderers[5].x, 3);

    // Without a slot chosen nothing is read or written.
    form->ComboBox2->SetItemIndex(-1);
    form->Button9->Click();
    form->Button8->Click();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "wanderer slot: choose a slot from 0 to 200");
}

TEST_F(CharacterEditor, DescriptionAndItsGauge)
{
    const std::string forty(40, 'a');
    folder.Write("text/en/desc/monster_100.txt", "short\r\n" + forty + "\r\n");
    form->Edit1->SetText("100");
    form->Button12->Click();
    EXPECT_EQ(form->Label17->Caption(), "40/35");
    form->Memo2->Lines()->Add("more " + forty);
    EXPECT_EQ(form->Label17->Caption(), "45/35");
    form->ComboBox4->SetItemIndex(1);
    form->Button13->Click();
    ASSERT_TRUE(messages.empty()) << messages[0];
    EXPECT_EQ(folder.Read("text/ru/desc/monster_100.txt"), "short\r\n" + forty + "\r\nmore " + forty + "\r\n");
}

} // namespace
