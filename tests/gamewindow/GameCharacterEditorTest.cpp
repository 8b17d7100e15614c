// The character editor beside the running game, reached from the map editor's toolbar and Editors menu: a monster
// loaded shows its picture in the preview's own viewer, and "fight" opens a battle with it at the next frame.
// Pictures of the preview and of the battle.
#include "GLWin32Viewer.h"
#include "GameWindow.h"
#include "Menus.h"
#include "RandomGenerator.h"
#include "UGH_tables.h"
#include "UGHcharedit.h"
#include "UGHmapedit.h"
#include "VirtualKeys.h"

#include "ProcessUntil.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class GameCharacterEditor : public GameWindow {
protected:
    // Every request waiting or on screen answered with Enter, a frame after each.
    static void AnswerRequests()
    {
        for (int n = 0; n < 20 && (rfmode || rfqueue[1].active); ++n) {
            if (rfmode) PressKey(VK_RETURN);
            StepFrames(1);
        }
    }
};

TEST_F(GameCharacterEditor, AMonsterLoadedShowsInThePreviewAndFightsTheNextFrame)
{
    SetRandSeed(2026);
    Game().ResetStats(); // a character with hit points to fight with
    mmmode = false;
    ingame = true;
    Game().StartNewGame();
    StepFrames(2);
    AnswerRequests(); // the opening texts
    ASSERT_FALSE(rfmode);

    PressKey(VK_F1 + 3); // F4
    ASSERT_TRUE(Form2->Visible());
    Form2->SpeedButton8->Click(); // "Char editor"
    ASSERT_TRUE(Form4->Visible());
    Form4->Close();
    Form2->Charactereditor1->Click();
    ASSERT_TRUE(Form4->Visible());
    EXPECT_EQ(Form4->ListBox1->Items()->Count(), 101);

    Form4->ListBox1->SetItemIndex(2);
    Form4->ListBox1Click(Form4->ListBox1);
    EXPECT_TRUE(MessageBoxes().Shown().empty());
    EXPECT_EQ(tempchar.lvl, monsters[2].lvl);
    TVAVodadViewer* viewer = Form4->VAVodadViewer1;
    ASSERT_TRUE(ProcessUntil([&] { return viewer->IsRenderingContextAvailable(); }, 2000));
    std::unique_ptr<TBitmap> preview(viewer->CreateSnapShotBitmap());
    SavePicture(*preview, "editors-character-preview.png");
    // Another monster, another picture.
    Form4->Edit1->SetText("3");
    Form4->Button1->Click();
    std::unique_ptr<TBitmap> other(viewer->CreateSnapShotBitmap());
    EXPECT_GT(PixelsThatDiffer(*preview, *other), preview->Width() * preview->Height() / 10);
    Form4->Edit1->SetText("2");

    Form4->Button3->Click(); // fight
    EXPECT_TRUE(MessageBoxes().Shown().empty());
    EXPECT_EQ(battlelist[0], 2);
    StepFrames(1);
    ASSERT_TRUE(btlmode);
    EXPECT_EQ(btlslots[0].enem_id, 2);
    AnswerRequests(); // what the battle's start tells, so that the picture shows the battle
    ASSERT_TRUE(btlmode);
    StepFrames(2);
    SavePicture(*Snapshot(), "editors-character-fight.png");

    Form4->Close();
    Form2->Close();
    EXPECT_FALSE(Form4->Timer1->Enabled());
    EXPECT_FALSE(viewer->Visible());
}

} // namespace
