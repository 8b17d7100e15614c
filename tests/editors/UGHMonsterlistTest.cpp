// The monster list: empty until read, ticks from the level's list, "sel all" and "clr all", a click on a line,
// and saving the level's list.
#include "UGHMonsterlist.h"

#include "UGH_data.h"
#include "UGH_tables.h"

#include "Components.h"
#include "ContentEditorFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class MonsterList : public ContentEditorFixture {
protected:
    int Ticked() const
    {
        int ticked = 0;
        for (int i = 0; i < form->CheckListBox1->Items()->Count(); ++i) ticked += form->CheckListBox1->Checked(i);
        return ticked;
    }

    std::unique_ptr<TForm13, TFreeDeleter> form{new TForm13(nullptr)};
};

TEST_F(MonsterList, ReadTicksTheLevelsMonsters)
{
    mapid = "cave";
    monsters[2].name = "Bat";
    std::vector<std::string> flags(101, "0");
    flags[2] = flags[40] = "-1";
    WriteLines("levels/cave/monsterlist.txt", flags);
    EXPECT_EQ(form->CheckListBox1->Items()->Count(), 0);
    form->Button1->Click();
    TStrings& lines = *form->CheckListBox1->Items();
    ASSERT_EQ(lines.Count(), 101);
    EXPECT_EQ(lines.Get(2), "2) Bat");
    EXPECT_EQ(lines.Get(3), "3");
    EXPECT_TRUE(form->CheckListBox1->Checked(2));
    EXPECT_TRUE(form->CheckListBox1->Checked(40));
    EXPECT_EQ(Ticked(), 2);
    EXPECT_TRUE(mapmonsters[40]);
    EXPECT_FALSE(mapmonsters[41]);
}

TEST_F(MonsterList, SelectAllClearAllAndClicks)
{
    mapid = "cave";
    form->Button4->Click();
    EXPECT_EQ(form->CheckListBox1->Items()->Count(), 101);
    EXPECT_EQ(Ticked(), 0);
    form->Button3->Click();
    EXPECT_EQ(form->CheckListBox1->Items()->Count(), 101);
    EXPECT_EQ(Ticked(), 101);
    for (bool allowed : mapmonsters) EXPECT_TRUE(allowed);

    // A line unticked by the user changes that monster only.
    mapmonsters[8] = false; // changed by the game since the list was filled: not the line clicked
    form->CheckListBox1->SetChecked(7, false);
    form->CheckListBox1ClickCheck(form->CheckListBox1);
    EXPECT_FALSE(mapmonsters[7]);
    EXPECT_FALSE(mapmonsters[8]);
    EXPECT_TRUE(mapmonsters[6]);

    form->Button2->Click();
    ASSERT_TRUE(messages.empty()) << messages[0];
    const std::vector<std::string> saved = ReadLines("levels/cave/monsterlist.txt");
    ASSERT_EQ(saved.size(), 101u);
    EXPECT_EQ(saved[6], "-1");
    EXPECT_EQ(saved[7], "0");
}

} // namespace
