// The item, perk, text, monster-list and variable editors beside the running game, reached from the map editor's
// toolbar and Editors menu: each window opens, an item given to the player shows in the item list, and a variable
// set in the editor is the scripts' at once.
#include "GameWindow.h"
#include "Menus.h"
#include "RandomGenerator.h"
#include "UGHItemedit.h"
#include "UGHMonsterlist.h"
#include "UGHPerkEdit.h"
#include "UGH_tables.h"
#include "UGHmapedit.h"
#include "UGHtextedit.h"
#include "Utalismanedit.h"
#include "VirtualKeys.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

namespace {

class GameContentEditors : public GameWindow {};

bool ItemListHolds(int32_t id)
{
    FillItemGrid(false);
    for (const auto& column : itemgrid)
        for (const auto& row : column)
            for (const int32_t entry : row)
                if (entry == id) return true;
    return false;
}

TEST_F(GameContentEditors, EditorsOpenBesideTheGameAndChangeItAtOnce)
{
    SetRandSeed(2022);
    mmmode = false;
    ingame = true;
    Game().StartNewGame();
    StepFrames(2);
    if (rfmode) PressKey(VK_RETURN);

    PressKey(VK_F1 + 3); // F4
    ASSERT_TRUE(Form2->Visible());
    // The toolbar's buttons and the Editors menu's entries.
    const std::pair<TSpeedButton*, TForm*> buttons[] = {{Form2->SpeedButton9, Form6},
                                                        {Form2->SpeedButton10, Form7},
                                                        {Form2->SpeedButton11, Form8}};
    for (const auto& [button, window] : buttons) {
        button->Click();
        EXPECT_TRUE(window->Visible()) << window->Caption();
    }
    const std::pair<TMenuItem*, TForm*> entries[] = {{Form2->PerkEditor1, Form11},
                                                     {Form2->MonsterListEditor1, Form13}};
    for (const auto& [entry, window] : entries) {
        entry->Click();
        EXPECT_TRUE(window->Visible()) << window->Caption();
    }
    StepFrames(1);

    // The first named item the player does not own, chosen in the list and given.
    int32_t id = 0;
    while (id < 1000 && (items[id].name.empty() || items[id].count > 0)) ++id;
    ASSERT_FALSE(items[id].name.empty());
    ASSERT_FALSE(ItemListHolds(id));
    ASSERT_EQ(Form7->ListBox1->Items()->Count(), 1001);
    Form7->ListBox1->SetItemIndex(id);
    Form7->ListBox1Click(Form7->ListBox1);
    EXPECT_EQ(Form7->LabeledEdit1->Text(), items[id].name);
    Form7->Button3->Click(); // Give Player
    EXPECT_EQ(items[id].count, 1);
    EXPECT_TRUE(ItemListHolds(id));

    // The perk list holds the demo's perks; the monster list fills on Read with the level's flags.
    EXPECT_EQ(Form11->ListBox1->Items()->Count(), 101);
    EXPECT_EQ(Form13->CheckListBox1->Items()->Count(), 0);
    Form13->Button1->Click();
    ASSERT_EQ(Form13->CheckListBox1->Items()->Count(), 101);
    for (int32_t i = 0; i <= 100; ++i) EXPECT_EQ(Form13->CheckListBox1->Checked(i), mapmonsters[i]) << i;

    // A variable set in the editor.
    Form6->Edit1->SetText("900");
    Form6->Edit2->SetText("31");
    Form6->Button2->Click();
    EXPECT_EQ(intvars[900], 31);
    StepFrames(2);
    EXPECT_TRUE(MessageBoxes().Shown().empty());

    for (TForm* window : std::initializer_list<TForm*>{Form6, Form7, Form8, Form11, Form13, Form2}) window->Hide();
}

} // namespace
