// The map editor beside the running game: F4 shows it and the start map is loaded into it; walls painted by
// dragging, a door turned to its corridor, a free sprite placed at the cursor and the player light recoloured are
// saved over the start map, and the next new game plays them; the view on screen follows each edit, the pointer
// and the scroll bar at once. Pictures of the edited map, of the view and of the new game.
#include "GameWindow.h"
#include "GLObjects.h"
#include "RandomGenerator.h"
#include "SysUtils.h"
#include "UGH_data.h"
#include "UGH_tables.h"
#include "UGHmapedit.h"
#include "VirtualKeys.h"
#include "Windows.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

constexpr double cFrame = 0.5; // a step glides over a cell in one frame, a turn takes two

// The start map and its folder as the build wrote them, put back after the test.
class TStartMapBackup {
public:
    TStartMapBackup()
    {
        std::string pattern = (fs::temp_directory_path() / "mirefall_startmap_XXXXXX").string();
        FBackup = mkdtemp(pattern.data());
        fs::copy_file(Map(), FBackup / "startmap.map");
        fs::copy(Folder(), FBackup / "startmap", fs::copy_options::recursive);
    }
    ~TStartMapBackup()
    {
        fs::copy_file(FBackup / "startmap.map", Map(), fs::copy_options::overwrite_existing);
        fs::remove_all(Folder());
        fs::copy(FBackup / "startmap", Folder(), fs::copy_options::recursive);
        fs::remove_all(FBackup);
    }

private:
    static fs::path Map() { return GamePath("\\levels\\startmap.map"); }
    static fs::path Folder() { return GamePath("\\levels\\startmap"); }
    fs::path FBackup;
};

class GameMapEditor : public GameWindow {
protected:
    // A turn, with the frames that finish it.
    static void Turn(uint16_t key)
    {
        PressKey(key);
        StepFrames(2, cFrame);
    }
    // A press and release of the left button over cell (x, y) of the editor's view (40 pixels a cell, y = 0 at
    // the bottom), from the cell (fromx, fromy) where it went down: the drag paints every cell it crosses.
    static void Drag(int32_t fromx, int32_t fromy, int32_t x, int32_t y)
    {
        const auto px = [](int32_t cx) { return 40 * (cx - edscrollx) + 20; };
        const auto py = [](int32_t cy) { return 40 * (mapmaxy - cy - edscrolly) + 20; };
        Form2->Image1MouseDown(Form2->Image1, mbLeft, TShiftState{}, px(fromx), py(fromy));
        for (int32_t cy = fromy; cy != y + (y >= fromy ? 1 : -1); cy += y >= fromy ? 1 : -1)
            for (int32_t cx = fromx; cx != x + (x >= fromx ? 1 : -1); cx += x >= fromx ? 1 : -1)
                Form2->Image1MouseMove(Form2->Image1, TShiftState{}, px(cx), py(cy));
        Form2->Image1MouseUp(Form2->Image1, mbLeft, TShiftState{}, px(x), py(y));
    }
    static void Click(int32_t x, int32_t y) { Drag(x, y, x, y); }
    // A new game as the main menu's starts it, its opening text answered.
    static void NewGame()
    {
        mmmode = false;
        ingame = true;
        Game().StartNewGame();
        StepFrames(2, cFrame);
        ASSERT_TRUE(rfmode);
        PressKey(VK_RETURN);
        ASSERT_FALSE(rfmode);
    }
};

TEST_F(GameMapEditor, WhatTheEditorSavesOverTheStartMapTheNextNewGamePlays)
{
    const TStartMapBackup backup;
    // From the main menu, F4 and the start map loaded into the editor.
    PressKey(VK_F1 + 3); // F4
    ASSERT_TRUE(Form2->Visible());
    SetFileDialogHook([](const TFileDialogRequest&, std::string& chosen) {
        chosen = GamePath("\\levels\\startmap.map");
        return true;
    });
    Form2->SpeedButton5->Click(); // load
    ASSERT_EQ(mapid, "startmap");

    // Walls over the three cells of the column ahead of the player, by one drag with the wall tool.
    Form2->SpeedButton15->Click();
    Drag(2, 1, 2, 3);
    for (int32_t y = 1; y <= 3; ++y) EXPECT_TRUE(levelgrid[2][y].wall && !levelgrid[2][y].passable) << y;
    EXPECT_EQ(std::make_tuple(edcurx, edcury, edselx, edsely), std::make_tuple(2, 3, 2, 3));

    // A door south of the player, now between two walls: "a" turns it to the corridor running north and south.
    Form2->SpeedButton16->Click();
    Click(1, 2);
    ASSERT_TRUE(levelgrid[1][2].door);
    levelgrid[1][2].doorface = 90;
    Form2->SpeedButton13->Click();
    EXPECT_EQ(levelgrid[1][2].doorface, 0);
    EXPECT_EQ(Form2->Edit41->Text(), "0");

    // A signpost as free sprite 150 on cell (1, 4), placed at the cursor.
    Form2->SpeedButton14->Click();
    Click(1, 4);
    Form2->ComboBox1->SetText("150");
    Form2->ComboBox1Change(Form2->ComboBox1);
    Form2->Button21->Click(); // act. cell c.
    Form2->ComboBox2->SetText("spr_sign");
    Form2->Edit19->SetText("10");
    Form2->Edit20->SetText("14");
    Form2->CheckBox8->SetChecked(true);
    Form2->Button7->Click(); // set
    EXPECT_EQ(std::make_tuple(freesprites[150].x, freesprites[150].y, freesprites[150].z), std::make_tuple(20, 80, 10));

    // The player light turned blue.
    Form2->Edit38->SetText("0");
    Form2->Edit39->SetText("0");
    Form2->Edit40->SetText("255");
    Form2->Button30->Click(); // s
    EXPECT_EQ(Game().playerlight->Diffuse()->Blue(), 1.0f);
    EXPECT_EQ(Game().playerlight->Diffuse()->Red(), 0.0f);
    EXPECT_TRUE(MessageBoxes().Shown().empty());

    Form2->RenderMap();
    SavePicture(*edmapbmp, "mapeditor-1-edited-map.png");

    // Saved over the start map: the question answered Yes, then "save complete".
    MessageBoxes().QueueAnswer(mrYes);
    Form2->Save1->Click();
    SetFileDialogHook(nullptr);
    ASSERT_EQ(MessageBoxes().Shown().size(), 2u);
    EXPECT_EQ(MessageBoxes().Shown()[0].Text, "This file already exists. Overwrite?");
    EXPECT_EQ(MessageBoxes().Shown()[1].Text, "save complete");
    Form2->Hide();

    // A new game on the saved map.
    ASSERT_TRUE(mmmode);
    Game().ResetStats();
    SetRandSeed(2022);
    NewGame();
    ASSERT_EQ(std::make_tuple(playerx, playery, lookside), std::make_tuple(1, 1, 0));
    PressKey(VK_UP); // into the new wall
    EXPECT_EQ(std::make_tuple(playerx, playery), std::make_tuple(1, 1));
    EXPECT_EQ(freesprites[150].name, "spr_sign");
    EXPECT_TRUE(freesprites[150].enabled);
    EXPECT_NE(fspriteobjs[150], nullptr);
    EXPECT_EQ(playerlightdata.db, 1.0);
    EXPECT_EQ(playerlightdata.dr, 0.0);
    EXPECT_EQ(Game().playerlight->Diffuse()->Blue(), 1.0f);
    Turn(VK_LEFT); // toward the door
    ASSERT_EQ(lookside, 3);
    EXPECT_FALSE(levelgrid[1][2].passable);
    EXPECT_EQ(levelgrid[1][2].doorface, 0);
    PressKey(VK_SPACE);
    EXPECT_TRUE(levelgrid[1][2].passable);
    StepFrames(1, cFrame);
    SavePicture(*Snapshot(), "mapeditor-2-new-game-door-open.png");
}

// The map view as it shows on screen: a click of the left button posted to the view (moving the cursor, painting
// with the tool), the refresh tick the editor's timer runs, and the window's pixels read back.
class GameMapView : public GameMapEditor {
protected:
    static LPARAM At(int32_t x, int32_t y) { return MAKELPARAM(static_cast<uint16_t>(x), static_cast<uint16_t>(y)); }
    // The view pixel at the centre of cell (x, y).
    static TPoint CellCentre(int32_t x, int32_t y)
    {
        return TPoint{40 * (x - edscrollx) + 20, 40 * (mapmaxy - y - edscrolly) + 20};
    }
    static void ClickCell(int32_t x, int32_t y)
    {
        const HWND view = Form2->Image1->Handle();
        const TPoint at = CellCentre(x, y);
        ASSERT_TRUE(PostMessage(view, WM_MOUSEMOVE, 0, At(at.X, at.Y)));
        ASSERT_TRUE(PostMessage(view, WM_LBUTTONDOWN, MK_LBUTTON, At(at.X, at.Y)));
        ASSERT_TRUE(PostMessage(view, WM_LBUTTONUP, 0, At(at.X, at.Y)));
        Application->ProcessMessages();
    }
    // The window as it shows after the next refresh tick.
    static std::unique_ptr<TBitmap> Screen()
    {
        Form2->Timer1Timer(Form2->Timer1);
        Application->ProcessMessages();
        return Form2->GetFormImage();
    }
    // How many pixels of cell (x, y)'s square on screen (inside its outline) have the colour.
    static int CellPixels(TBitmap& screen, int32_t x, int32_t y, TColor color)
    {
        const TPoint view = Form2->Image1->ClientOrigin(), form = Form2->ClientOrigin();
        const TPoint centre = CellCentre(x, y);
        int count = 0;
        for (int32_t py = centre.Y - 8; py < centre.Y + 8; ++py)
            for (int32_t px = centre.X - 8; px < centre.X + 8; ++px) {
                const int32_t sx = view.X - form.X + px, sy = view.Y - form.Y + py;
                if (sx < 0 || sy < 0 || sx >= screen.Width() || sy >= screen.Height()) continue;
                const uint8_t* p = screen.ScanLine(sy) + 3 * sx;
                if ((p[2] | p[1] << 8 | p[0] << 16) == color) ++count;
            }
        return count;
    }
    // How many pixels of the outline of cell (x, y) on screen are blue, the cursor's colour.
    static int BlueOutline(TBitmap& screen, int32_t x, int32_t y)
    {
        const TPoint view = Form2->Image1->ClientOrigin(), form = Form2->ClientOrigin();
        const TPoint centre = CellCentre(x, y);
        int count = 0;
        for (int32_t px = centre.X - 19; px <= centre.X + 18; ++px) {
            const int32_t sx = view.X - form.X + px, sy = view.Y - form.Y + centre.Y - 18;
            if (sx < 0 || sy < 0 || sx >= screen.Width() || sy >= screen.Height()) continue;
            const uint8_t* p = screen.ScanLine(sy) + 3 * sx;
            if (p[0] == 255 && p[1] == 0 && p[2] == 0) ++count;
        }
        return count;
    }
};

// A wall painted by a click, the cursor moved by another, the hovered cell named and the view scrolled: each shows
// on screen at the next refresh, without the window being resized. On a new map of the level's size (walls round
// an open floor), whatever level the game shows.
TEST_F(GameMapView, TheViewOnScreenFollowsEachEdit)
{
    PressKey(VK_F1 + 3); // F4
    ASSERT_TRUE(Form2->Visible());
    Form2->SpeedButton3->Click(); // new
    ASSERT_TRUE(levelgrid[2][1].passable && !levelgrid[2][1].wall);
    std::unique_ptr<TBitmap> screen = Screen();
    EXPECT_LT(CellPixels(*screen, 2, 1, clBlack), 64);

    Form2->SpeedButton15->Click(); // wall
    ClickCell(2, 1);
    ASSERT_TRUE(levelgrid[2][1].wall);
    screen = Screen();
    SavePicture(*screen, "mapeditor-3-view-wall-painted.png");
    EXPECT_EQ(CellPixels(*screen, 2, 1, clBlack), 256) << "the wall shows solid black at once";
    EXPECT_GT(BlueOutline(*screen, 2, 1), 30) << "the cursor outlines the painted cell";

    Form2->SpeedButton14->Click(); // select
    ClickCell(1, 3);
    EXPECT_EQ(std::make_pair(edcurx, edcury), std::make_pair(1, 3));
    screen = Screen();
    EXPECT_GT(BlueOutline(*screen, 1, 3), 30) << "the cursor's outline moved";
    EXPECT_EQ(BlueOutline(*screen, 2, 1), 0);

    const TPoint hover = CellCentre(4, 2);
    ASSERT_TRUE(PostMessage(Form2->Image1->Handle(), WM_MOUSEMOVE, 0, At(hover.X, hover.Y)));
    Application->ProcessMessages();
    EXPECT_EQ(Form2->Label25->Caption(), "4,2") << "the cursor label names the cell under the pointer";

    // The horizontal bar scrolled by two cells: the wall shows two cells to the left.
    const TPoint before = CellCentre(2, 1);
    Form2->ScrollBar1->SetPosition(2);
    ASSERT_EQ(edscrollx, 2);
    screen = Screen();
    SavePicture(*screen, "mapeditor-4-view-scrolled.png");
    EXPECT_EQ(CellCentre(2, 1).X, before.X - 80);
    EXPECT_EQ(CellPixels(*screen, 2, 1, clBlack), 256);
    Form2->ScrollBar1->SetPosition(0);
    Form2->Hide();
}

} // namespace
