// The light-source and free-mesh editors beside the running game, reached from the map editor's toolbar: a light
// and a free mesh written at the map editor's cursor change the level at once, and the free-mesh editor's preview
// shows a mesh of the demo in its own viewer. Pictures of the game's view and of the preview.
#include "GLVectorFileObjects.h"
#include "GLWin32Viewer.h"
#include "GameWindow.h"
#include "RandomGenerator.h"
#include "SysUtils.h"
#include "UFreeMeshEd.h"
#include "UGHLSourc.h"
#include "UGH_tables.h"
#include "UGHmapedit.h"
#include "VirtualKeys.h"

#include "ProcessUntil.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class GameLightMeshEditors : public GameWindow {};

// Pixels of the frame that are not the background colour.
int32_t PixelsOtherThan(TBitmap& frame, TColor background)
{
    int32_t count = 0;
    for (int32_t y = 0; y < frame.Height(); ++y) {
        const uint8_t* p = frame.ScanLine(y);
        for (int32_t x = 0; x < frame.Width(); ++x, p += frame.BytesPerPixel())
            count += static_cast<TColor>(p[2] | (p[1] << 8) | (p[0] << 16)) != background;
    }
    return count;
}

TEST_F(GameLightMeshEditors, ALightAndAMeshSetAtTheCursorChangeTheLevelAtOnce)
{
    SetRandSeed(2022);
    mmmode = false;
    ingame = true;
    Game().StartNewGame();
    StepFrames(2);
    // The opening text, answered.
    ASSERT_TRUE(rfmode);
    PressKey(VK_RETURN);
    ASSERT_FALSE(rfmode);

    PressKey(VK_F1 + 3); // F4
    ASSERT_TRUE(Form2->Visible());
    Form2->SpeedButton19->Click(); // "FM Ed"
    Form2->SpeedButton20->Click(); // "LS Ed"
    ASSERT_TRUE(Form16->Visible());
    ASSERT_TRUE(Form17->Visible());

    // The cursor on the player's cell (the door stands on the cell ahead).
    edcurx = playerx;
    edcury = playery;

    // Light slot 19, persisting in the player's light group, at the cursor: the first scene light.
    Form17->Edit0->SetText("19");
    Form17->Button1->Click(); // read
    Form17->Button4->Click(); // act cell
    Form17->Edit21->SetText(IntToStr(levelgrid[playerx][playery].lgroup));
    Form17->Edit4->SetText("255");
    Form17->CheckBox1->SetChecked(true);
    Form17->CheckBox2->SetChecked(true);
    Form17->CheckBox3->SetChecked(false);
    Form17->Button2->Click(); // wtite
    Form17->Button3->Click(); // process
    EXPECT_TRUE(MessageBoxes().Shown().empty());
    EXPECT_EQ(mainlight, 19);
    EXPECT_EQ(Game().scenelights[0]->Position()->X(), 20 * edcurx);
    EXPECT_EQ(Game().scenelights[0]->Position()->Y(), 20 * edcury);

    // A crate in the last free-mesh slot half a cell ahead of the cursor at eye height, standing there in the
    // next frame.
    Form16->ComboBox1->SetItemIndex(200);
    Form16->ComboBox1Change(Form16->ComboBox1);
    Form16->Button2->Click(); // acc
    Form16->PlusX->Click();
    Form16->ZeroZ->Click();
    Form16->Button11->Click(); // full size: the unused slot's scale is 0
    Form16->Edit7->SetText("crate");
    Form16->edit12->SetText("0");
    Form16->CheckBox1->SetChecked(true);
    Form16->Button1->Click(); // set
    EXPECT_TRUE(MessageBoxes().Shown().empty());
    EXPECT_TRUE(freemeshes[200].enabled);
    ASSERT_NE(fmeshobjs[200], nullptr);
    EXPECT_EQ(fmeshobjs[200]->Position()->X(), 20 * edcurx + 10);
    EXPECT_EQ(fmeshobjs[200]->Position()->Y(), 20 * edcury);
    StepFrames(2);
    SavePicture(*Snapshot(), "editors-light-and-crate.png");

    // The preview shows the crate on its grey background, in its own context beside the game's.
    Form16->Button4->Click(); // preview
    EXPECT_TRUE(MessageBoxes().Shown().empty());
    TVAVodadViewer* viewer = Form16->VAVodadViewer1;
    ASSERT_TRUE(ProcessUntil([&] { return viewer->IsRenderingContextAvailable(); }, 2000));
    std::unique_ptr<TBitmap> preview(viewer->CreateSnapShotBitmap());
    SavePicture(*preview, "editors-freemesh-preview.png");
    EXPECT_GT(PixelsOtherThan(*preview, clGray), 500);

    Form16->Close();
    Form17->Close();
    Form2->Close();
    EXPECT_FALSE(Form16->VAVodadViewer1->Visible());
}

} // namespace
