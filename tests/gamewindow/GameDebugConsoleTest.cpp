// The debug console beside the running game, shown by the map editor's Editors menu entry: its watch runs while it
// is shown, and its frame-block switches and global-script commands change the next frames.
#include "GameWindow.h"
#include "Menus.h"
#include "UGHDebug.h"
#include "UGH_tables.h"
#include "UGHmapedit.h"

#include <gtest/gtest.h>

namespace {

class GameDebugConsole : public GameWindow {
protected:
    void TearDown() override
    {
        cadblocks.Fill(true);
        GameWindow::TearDown();
    }
    // How much the demo's counter script raised its variable in the next frame.
    static int32_t CounterRise()
    {
        const int32_t before = intvars[1];
        StepFrames(1);
        return intvars[1] - before;
    }
};

TEST_F(GameDebugConsole, SwitchesFrameBlocksAndGlobalScriptsLive)
{
    // Out of the main menu on its map, where the global scripts run.
    mmmode = false;
    ingame = true;
    StepFrames(1);

    Form2->Debugandgameplaymenu1->Click();
    ASSERT_TRUE(Form14->Visible());
    EXPECT_EQ(Form14->Caption(), "debugging and system editing");
    EXPECT_TRUE(Form14->Timer1->Enabled());
    EXPECT_EQ(Form14->Edit11->Text(), IntToStr(Form2->Timer1->Interval()));
    Form14->Timer1Timer(Form14->Timer1);
    EXPECT_EQ(Form14->Label12->Caption(), "cp array size {max 10000} = " + IntToStr(static_cast<int64_t>(cparray.size())));
    EXPECT_EQ(Form14->Label13->Caption().rfind("x=", 0), 0u);

    // The demo's counter runs as a global script: added from the console when the game has not.
    if (Game().findgsid("counter") < 0) {
        Form14->Edit10->SetText("counter");
        Form14->add->Click();
    } else {
        Form14->Button10->Click();
    }
    const int line = Form14->ListBox2->Items()->IndexOf("counter");
    ASSERT_GE(line, 0);
    Form14->ListBox2->SetItemIndex(line);
    Form14->ListBox2->OnClick(Form14->ListBox2);
    if (!Form14->CheckBox11->Checked()) Form14->stop->Click();
    ASSERT_TRUE(gslist[Game().findgsid("counter")].active);
    EXPECT_GT(CounterRise(), 0);

    // Block b1 runs the global scripts: switched off, the counter stands; on again, it rises.
    Form14->CheckBox1->SetChecked(false);
    EXPECT_EQ(CounterRise(), 0);
    Form14->CheckBox1->SetChecked(true);
    EXPECT_GT(CounterRise(), 0);

    // "stop/run" stops the script and starts it again.
    Form14->stop->Click();
    EXPECT_FALSE(Form14->CheckBox11->Checked());
    EXPECT_EQ(CounterRise(), 0);
    Form14->stop->Click();
    EXPECT_GT(CounterRise(), 0);

    // "cc" makes the paper doll anew from the body-part files.
    Form14->Button5->Click();
    StepFrames(1);
    EXPECT_TRUE(MessageBoxes().Shown().empty());

    Form14->Hide();
    EXPECT_FALSE(Form14->Timer1->Enabled());
}

} // namespace
