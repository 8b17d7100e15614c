// The battle-log window: its layout (a read-only scrolling memo under a panel with the button), the captions it
// takes from the string table when shown, and the button clearing the log.
#include "UGHBattlelog.h"

#include "UGH_tables.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class BattlelogWindow : public ::testing::Test {
protected:
    void SetUp() override { ResetGameTables(); }
    void TearDown() override
    {
        form.reset();
        ResetGameTables();
    }

    std::unique_ptr<TForm9, TFreeDeleter> form{new TForm9(nullptr)};
};

TEST_F(BattlelogWindow, IsASmallStayOnTopWindowWithTheMemoUnderThePanel)
{
    EXPECT_EQ(form->Caption(), "Battle log");
    EXPECT_EQ(form->ClientWidth(), 246);
    EXPECT_EQ(form->ClientHeight(), 560);
    EXPECT_EQ(form->FormStyle(), fsStayOnTop);
    EXPECT_TRUE(form->Memo1->ReadOnly());
    EXPECT_EQ(form->Memo1->ScrollBars(), ssVertical);
    EXPECT_EQ(form->Button1->Parent(), form->Panel1);
    // The memo fills what the panel leaves below it.
    EXPECT_EQ(form->Panel1->Top(), 0);
    EXPECT_EQ(form->Memo1->Top(), form->Panel1->Height());
    EXPECT_EQ(form->Memo1->Top() + form->Memo1->Height(), 560);
    EXPECT_EQ(form->Memo1->Width(), 246);
}

TEST_F(BattlelogWindow, TakesItsCaptionsFromTheStringsWhenShownAndItsButtonClearsTheLog)
{
    strarr[131] = "Combats";
    strarr[144] = "Effacer";
    form->Show();
    EXPECT_EQ(form->Caption(), "Combats");
    EXPECT_EQ(form->Button1->Caption(), "Effacer");

    form->Memo1->Lines()->Add("Goblin hits you for 3");
    form->Memo1->Lines()->Add("You hit the goblin for 5");
    form->Button1->Click();
    EXPECT_EQ(form->Memo1->Lines()->Count(), 0);
    EXPECT_EQ(form->Memo1->Text(), "");
}

} // namespace
