// The perk editor: the two modes share the eight boxes without mixing bonuses and requirements, saving updates
// both the file and the game's table (or neither), the list, the mode display (boxes and button fonts), the override, and refused ids.
#include "UGHPerkEdit.h"

#include "UGH_data.h"
#include "UGH_tables.h"

#include "Components.h"
#include "ContentEditorFixture.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace {

class PerkEditor : public ContentEditorFixture {
protected:
    void SetUp() override
    {
        ContentEditorFixture::SetUp();
        editperk = perk{};
        perkeditmode = 1;
        cpenames[3] = "double strike";
        perks[4].enabled = true;
        perks[4].name = "Toughness";
        perks[4].addst = 1;
        perks[4].addagi = 2;
        perks[4].addmg = 7;
        perks[4].addar = 8;
        perks[4].addcard = 12;
        perks[4].addcoded = 3;
        perks[4].recst = 11;
        perks[4].recmg = 17;
        perks[4].recar = 18;
        perks[4].recperk = -1;
        perks[4].recrace = 2;
        std::filesystem::create_directories(folder.path / "perks");
        SavePerk(4, GamePath("\\perks\\p_4.prk"));
        form->FormShow(form.get());
    }
    void TearDown() override
    {
        editperk = perk{};
        perkeditmode = 1;
        ContentEditorFixture::TearDown();
    }

    std::array<TLabeledEdit*, 8> Boxes() const
    {
        return {form->Edit4, form->Edit5, form->Edit6, form->Edit7, form->Edit8, form->Edit9, form->Edit10, form->Edit11};
    }
    std::vector<std::string> BoxTexts() const
    {
        std::vector<std::string> texts;
        for (TLabeledEdit* box : Boxes()) texts.push_back(box->Text());
        return texts;
    }
    void Load(int id)
    {
        form->Edit1->SetText(std::to_string(id));
        form->Button2->Click();
    }

    std::unique_ptr<TForm11, TFreeDeleter> form{new TForm11(nullptr)};
};

TEST_F(PerkEditor, ShowingFillsTheLists)
{
    ASSERT_EQ(form->ListBox1->Items()->Count(), 101);
    EXPECT_EQ(form->ListBox1->Items()->Get(4), "Toughness");
    EXPECT_EQ(form->ListBox1->Items()->Get(5), "--none--");
    ASSERT_EQ(form->ComboBox1->Items()->Count(), 101);
    EXPECT_EQ(form->ComboBox1->Items()->Get(3), "3) double strike");
    EXPECT_EQ(form->ComboBox1->ItemIndex(), 0);
}

TEST_F(PerkEditor, ModesShareTheBoxesWithoutMixingTheFields)
{
    form->ListBox1->SetItemIndex(4);
    form->ListBox1Click(form->ListBox1);
    EXPECT_EQ(form->Edit1->Text(), "4");
    EXPECT_EQ(form->Edit2->Text(), "Toughness");
    EXPECT_EQ(form->ComboBox1->ItemIndex(), 3);
    // Box order str, agi, int, en, sw, bw, mag, arm; the file's order differs for magic and armour.
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"1", "2", "0", "0", "0", "0", "7", "8"}));
    EXPECT_EQ(form->Edit14->Text(), "12");

    form->Button4->Click();
    EXPECT_EQ(perkeditmode, 2);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"11", "0", "0", "0", "0", "0", "17", "18"}));
    EXPECT_EQ(form->Edit12->Text(), "-1");
    EXPECT_EQ(form->Edit13->Text(), "2");
    // Typing in mode 2 changes only the requirements.
    const perk before = editperk;
    for (TLabeledEdit* box : Boxes()) box->SetText("9");
    form->Edit12->SetText("5");
    form->Edit14->SetText("99"); // the card box is hidden in this mode and not copied
    form->Timer1Timer(form.get());
    perk expected = before;
    expected.recst = expected.recagi = expected.recin = expected.recend = 9;
    expected.recsw = expected.recbw = expected.recmg = expected.recar = 9;
    expected.recperk = 5;
    EXPECT_EQ(editperk, expected);
    EXPECT_FALSE(form->Edit14->Visible());
    EXPECT_TRUE(form->Edit12->Visible());
    EXPECT_TRUE(form->Label2->Visible());
    // The mode's button shows bold, the other italic.
    EXPECT_EQ(form->Button4->Font()->Style(), fsBold);
    EXPECT_EQ(form->Button3->Font()->Style(), fsItalic);

    // Back in mode 1 the bonuses show unchanged.
    form->Button3->Click();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"1", "2", "0", "0", "0", "0", "7", "8"}));
    EXPECT_EQ(form->Edit14->Text(), "12");
    form->Timer1Timer(form.get());
    EXPECT_EQ(editperk, expected);
    EXPECT_TRUE(form->Edit14->Visible());
    EXPECT_FALSE(form->Edit13->Visible());
    EXPECT_EQ(form->Button3->Font()->Style(), fsBold);
    EXPECT_EQ(form->Button4->Font()->Style(), fsItalic);
}

TEST_F(PerkEditor, SaveUpdatesTheTableAndTheFile)
{
    Load(4);
    form->Edit1->SetText("6");
    form->Edit2->SetText("Endurance");
    form->Edit5->SetText("3");
    form->Timer1Timer(form.get());
    form->Button1->Click();
    ASSERT_TRUE(messages.empty()) << messages[0];
    EXPECT_TRUE(perks[6].enabled);
    EXPECT_EQ(perks[6].name, "Endurance");
    EXPECT_EQ(perks[6].addagi, 3);
    EXPECT_EQ(perks[6].id, 6);
    EXPECT_EQ(LoadPerk(6, GamePath("\\perks\\p_6.prk")), perks[6]);
    EXPECT_EQ(form->ListBox1->Items()->Get(6), "Endurance");

    // A write that fails leaves the table as it was and names the file.
    std::filesystem::remove_all(folder.path / "perks");
    form->Edit1->SetText("7");
    form->Button1->Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("p_7.prk"), std::string::npos) << messages[0];
    EXPECT_FALSE(perks[7].enabled);
    EXPECT_EQ(form->ListBox1->Items()->Get(7), "--none--");
}

TEST_F(PerkEditor, OverrideAndRefusedIds)
{
    Load(4);
    form->Edit3->SetText("ru");
    std::filesystem::create_directories(folder.path / "text/ru/overrides/perks");
    form->Button5->Click();
    EXPECT_EQ(ReadLines("text/ru/overrides/perks/4.txt"), std::vector<std::string>{"Toughness"});

    const perk loaded = editperk;
    form->Edit1->SetText("101");
    for (TButton* command : {form->Button1, form->Button2, form->Button5}) command->Click();
    EXPECT_EQ(messages, std::vector<std::string>(3, "id: a whole number from 0 to 100"));
    EXPECT_EQ(editperk, loaded);
    EXPECT_FALSE(perks[101].enabled);
}

} // namespace
