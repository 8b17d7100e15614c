// The map editor's view: the pointer, the keys, the tools, copy and paste, and the drawing.
#include "EditorFixture.h"

#include "VirtualKeys.h"

#include <string>
#include <utility>
#include <vector>

namespace {

constexpr TColor Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }
constexpr TColor cGrey = Rgb(128, 128, 128), cWhite = Rgb(255, 255, 255), cBlue = Rgb(0, 0, 255);

class MapView : public EditorFixture {
protected:
    // The level [0..maxx] x [0..maxy]: a border wall around passable floor, the start, the exit and the player in
    // the top right corner (out of the probes' way).
    void Level(int32_t maxx, int32_t maxy)
    {
        const std::string id = mapid;
        mapmaxx = maxx;
        mapmaxy = maxy;
        main->ClearLevel();
        mapid = id; // the demo map's folder takes the side files
        startx = exitx = playerx = maxx;
        starty = exity = playery = maxy;
    }
    // The view pixel over the centre of cell (x, y) without scrolling (the view is flipped and doubled).
    static int32_t ViewX(int32_t x) { return 40 * x + 20; }
    static int32_t ViewY(int32_t y) { return 40 * (mapmaxy - y) + 20; }

    void Press(TMouseButton button, int32_t x, int32_t y) { editor->Image1MouseDown(editor.get(), button, {}, x, y); }
    void Move(int32_t x, int32_t y) { editor->Image1MouseMove(editor.get(), {}, x, y); }
    void Release(TMouseButton button, int32_t x, int32_t y, TShiftState shift = {})
    {
        editor->Image1MouseUp(editor.get(), button, shift, x, y);
    }
    void ClickCell(int32_t x, int32_t y, TShiftState shift = {})
    {
        Press(mbLeft, ViewX(x), ViewY(y));
        Release(mbLeft, ViewX(x), ViewY(y), shift);
    }
    void Key(uint16_t key) { editor->FormKeyUp(editor.get(), key, {}); }

    // A pixel of a bitmap as 0x00BBGGRR.
    static TColor PixelOf(TBitmap& bitmap, int32_t x, int32_t y)
    {
        const uint8_t* p = bitmap.ScanLine(y) + x * bitmap.BytesPerPixel();
        return p[2] | (p[1] << 8) | (p[0] << 16);
    }
    // A pixel of the map drawing, relative to cell (x, y)'s top-left corner.
    static TColor CellPixel(int32_t x, int32_t y, int32_t dx, int32_t dy)
    {
        return PixelOf(*edmapbmp, 20 * x + dx, 20 * y + dy);
    }
    // Whether the cell's outline is the thick blue one: its left edge is blue one pixel inside.
    static bool Thick(int32_t x, int32_t y) { return CellPixel(x, y, 1, 10) == cBlue; }
    // Whether a pixel of the colour lies on row dy of the cell between columns dx1 and dx2.
    static bool OnRow(int32_t x, int32_t y, int32_t dy, int32_t dx1, int32_t dx2, TColor color)
    {
        for (int32_t dx = dx1; dx <= dx2; ++dx)
            if (CellPixel(x, y, dx, dy) == color) return true;
        return false;
    }
    std::string SideFile(int32_t x, int32_t y, const std::string& letter) const
    {
        return folder.Read("levels/" + mapid + "/" + std::to_string(x) + "_" + std::to_string(y) + "_" + letter +
                           ".txt");
    }
};

} // namespace

TEST_F(MapView, APointerPixelGivesTheCellRoundingHalvesToEvenFlippedScrolledAndClamped)
{
    Level(10, 10);
    struct Case {
        int32_t px, py, scrollx, scrolly, cellx, celly;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, 10},    {39, 0, 0, 0, 0, 10},     {40, 0, 0, 0, 0, 10},      {41, 0, 0, 0, 1, 10},
        {80, 0, 0, 0, 2, 10},   {120, 0, 0, 0, 2, 10},    {0, 41, 0, 0, 0, 9},       {0, 400, 0, 0, 0, 0},
        {41, 0, 2, 0, 3, 10},   {0, 0, 0, 3, 0, 8},       {-500, -500, 0, 0, 0, 10}, {5000, 5000, 0, 0, 10, 0},
        {41, 0, -9, 0, 0, 10},  {0, 0, 0, 200, 0, 0},
    };
    for (const Case& c : cases) {
        edscrollx = c.scrollx;
        edscrolly = c.scrolly;
        const TPoint cell = editor->CellAt(c.px, c.py);
        EXPECT_EQ(cell.X, c.cellx) << c.px << "," << c.py << " scrolled " << c.scrollx << "," << c.scrolly;
        EXPECT_EQ(cell.Y, c.celly) << c.px << "," << c.py << " scrolled " << c.scrollx << "," << c.scrolly;
    }
    edscrollx = edscrolly = 0;
    Move(41, 41);
    EXPECT_EQ(editor->Label25->Caption(), "1,9");
}

TEST_F(MapView, EachToolSetsItsFieldsAndTheWallToolLeavesAWallAlone)
{
    Level(10, 10);
    edlgroup = 7;
    edvarea1 = 3;
    edvarea2 = 4;
    struct Flags {
        bool door, wall, ceil, floor, passable, chest;
        bool operator==(const Flags&) const = default;
    };
    const auto flags = [](const lcell& c) { return Flags{c.door, c.wall, c.ceil, c.floor, c.passable, c.chest}; };
    const Flags mixed{false, false, false, false, true, true}, wallWithFloor{false, true, false, true, false, false};
    struct Case {
        int32_t tool;
        Flags before, after;
        int32_t lgroup, visarea, visarea2;
    };
    const Case cases[] = {
        {0, mixed, mixed, 0, 0, 0},
        {1, mixed, {false, true, false, false, false, false}, 0, 0, 0},
        {1, wallWithFloor, wallWithFloor, 0, 0, 0},
        {2, mixed, {true, false, true, true, false, false}, 0, 0, 0},
        {3, mixed, {false, false, true, true, false, true}, 0, 0, 0},
        {4, mixed, {false, false, true, true, true, false}, 0, 0, 0},
        {5, mixed, mixed, 7, 0, 0},
        {6, mixed, mixed, 0, 3, 4},
    };
    for (const Case& c : cases) {
        lcell& cell = levelgrid[2][3];
        cell.door = c.before.door;
        cell.wall = c.before.wall;
        cell.ceil = c.before.ceil;
        cell.floor = c.before.floor;
        cell.passable = c.before.passable;
        cell.chest = c.before.chest;
        cell.lgroup = cell.visarea = cell.visarea2 = 0;
        editor->PlaceItemInCell(2, 3, c.tool);
        EXPECT_TRUE(flags(cell) == c.after) << "tool " << c.tool;
        EXPECT_EQ(cell.lgroup, c.lgroup) << "tool " << c.tool;
        EXPECT_EQ(cell.visarea, c.visarea) << "tool " << c.tool;
        EXPECT_EQ(cell.visarea2, c.visarea2) << "tool " << c.tool;
    }

    // Nothing is painted outside the used grid.
    const lcell outside = levelgrid[11][3];
    editor->PlaceItemInCell(11, 3, 1);
    editor->PlaceItemInCell(-1, 3, 1);
    EXPECT_EQ(levelgrid[11][3], outside);

    // A menu twin clicks its tool's button: the tool changes and only its button is down.
    editor->Door1->Click();
    EXPECT_EQ(edtool, 2);
    EXPECT_TRUE(editor->SpeedButton16->Down());
    EXPECT_FALSE(editor->SpeedButton14->Down());
}

// A numbered tool is chosen, then reads its boxes: a bad box is named and the numbers from it on keep their values.
TEST_F(MapView, TheNumberedToolsTakeTheirBoxesUpToABadOne)
{
    Level(10, 10);
    editor->Edit46->SetText("7");
    editor->SpeedButton23->Click();
    EXPECT_EQ(edtool, 5);
    EXPECT_EQ(edlgroup, 7);
    EXPECT_EQ(messages, std::vector<std::string>{"lightgroup set: 7"});

    messages.clear();
    editor->Edit47->SetText("3");
    editor->Edit48->SetText("x");
    editor->SpeedButton24->Click();
    EXPECT_EQ(edtool, 6);
    EXPECT_EQ(edvarea1, 3);
    EXPECT_EQ(edvarea2, 0);
    EXPECT_TRUE(editor->SpeedButton24->Down());
    EXPECT_FALSE(editor->SpeedButton23->Down());
    EXPECT_TRUE(editor->Edit48->Invalid());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("and: ", 0), 0u) << messages[0];

    messages.clear();
    editor->Edit48->SetText("4");
    editor->SpeedButton24->Click();
    EXPECT_EQ(edtool, 6);
    EXPECT_EQ(edvarea1, 3);
    EXPECT_EQ(edvarea2, 4);
    EXPECT_EQ(messages, std::vector<std::string>{"visgroup set 1: 3  2: 4"});
}

TEST_F(MapView, ALeftDragPaintsEveryCellCrossedAndLeavesAOneCellSelection)
{
    Level(10, 10);
    editor->SpeedButton15->Click();
    Press(mbLeft, ViewX(1), ViewY(5));
    for (int32_t x = 1; x <= 4; ++x) Move(ViewX(x), ViewY(5));
    Release(mbLeft, ViewX(4), ViewY(5));
    for (int32_t x = 1; x <= 4; ++x) EXPECT_TRUE(levelgrid[x][5].wall) << x;
    EXPECT_FALSE(levelgrid[5][5].wall);
    EXPECT_EQ(std::pair(edcurx, edcury), std::pair(4, 5));
    EXPECT_EQ(std::pair(edselx, edsely), std::pair(4, 5));

    // A move without a button down paints nothing.
    Move(ViewX(6), ViewY(5));
    EXPECT_FALSE(levelgrid[6][5].wall);
    // Leaving the view ends the drag.
    Press(mbLeft, ViewX(6), ViewY(5));
    editor->Image1MouseLeave(editor.get());
    Move(ViewX(7), ViewY(5));
    EXPECT_FALSE(levelgrid[7][5].wall);
}

TEST_F(MapView, ShiftExtendsTheSelectionAndAPlainClickCollapsesIt)
{
    Level(10, 10);
    ClickCell(2, 3);
    EXPECT_EQ(std::pair(edcurx, edcury), std::pair(2, 3));
    ClickCell(5, 6, TShiftState{ssShift});
    EXPECT_EQ(std::pair(edcurx, edcury), std::pair(2, 3));
    EXPECT_EQ(std::pair(edselx, edsely), std::pair(5, 6));
    ClickCell(4, 4);
    EXPECT_EQ(std::pair(edcurx, edcury), std::pair(4, 4));
    EXPECT_EQ(std::pair(edselx, edsely), std::pair(4, 4));
    EXPECT_FALSE(levelgrid[4][4].wall) << "the select tool paints nothing";
}

TEST_F(MapView, AMiddleDragScrollsAndMovesTheScrollBarsOnlyWhenReleased)
{
    Level(30, 30);
    Press(mbMiddle, 100, 100);
    Move(140, 100);
    Move(180, 110); // 10 / 20 rounds to the even 0
    Move(180, 140);
    EXPECT_EQ(edscrollx, 4);
    EXPECT_EQ(edscrolly, 2);
    EXPECT_EQ(editor->ScrollBar1->Position(), 0);
    EXPECT_EQ(editor->ScrollBar2->Position(), 0);
    Release(mbMiddle, 180, 140);
    EXPECT_EQ(editor->ScrollBar1->Position(), 4);
    EXPECT_EQ(editor->ScrollBar2->Position(), 2);
    EXPECT_FALSE(edmdown);
    editor->ScrollBar2->SetPosition(3);
    EXPECT_EQ(edscrolly, 3);
}

TEST_F(MapView, TheArrowKeysMoveTheCursorWithinTheGridAndShowIt)
{
    Level(3, 2);
    edselx = 1;
    edsely = 1;
    struct Step {
        uint16_t key;
        int32_t x, y;
    };
    const Step steps[] = {{VK_LEFT, 0, 0}, {VK_UP, 0, 0}, {VK_DOWN, 0, 1}, {VK_DOWN, 0, 2}, {VK_DOWN, 0, 2},
                          {VK_RIGHT, 1, 2}, {VK_RIGHT, 2, 2}, {VK_RIGHT, 3, 2}, {VK_RIGHT, 3, 2}, {VK_UP, 3, 1}};
    for (const Step& s : steps) {
        Key(s.key);
        EXPECT_EQ(std::pair(edcurx, edcury), std::pair(s.x, s.y)) << "after key " << s.key;
    }
    EXPECT_EQ(editor->Edit1->Text(), "3");
    EXPECT_EQ(editor->Edit2->Text(), "1");
    EXPECT_EQ(std::pair(edselx, edsely), std::pair(1, 1)) << "the second corner stays";
}

TEST_F(MapView, APasteTowardLowerXAndYFillsTheSelectionAndWritesEachCellsSideFiles)
{
    Level(10, 10);
    ASSERT_FALSE(mapid.empty());
    lcell& source = levelgrid[1][1];
    source.wco = "w_tex";
    source.fco = "f_tex";
    source.cco = "c_tex";
    source.wmo = "pillar";
    source.ta = 90;
    source.textid = 42;
    source.chest = true;
    edcurx = edselx = 1;
    edcury = edsely = 1;
    editor->Copy1->Click();

    edcurx = 4;
    edcury = 3;
    edselx = 2;
    edsely = 2;
    editor->Paste1->Click();
    for (int32_t x = 1; x <= 5; ++x)
        for (int32_t y = 1; y <= 4; ++y) {
            const bool inside = x >= 2 && x <= 4 && y >= 2 && y <= 3;
            const lcell& cell = levelgrid[x][y];
            if (x == 1 && y == 1) continue;
            EXPECT_EQ(cell.textid == 42, inside) << x << "," << y;
            if (!inside) continue;
            EXPECT_TRUE(cell.chest) << x << "," << y;
            EXPECT_EQ(std::pair(cell.x, cell.y), std::pair(x, y)) << "a cell keeps its own coordinates";
            EXPECT_EQ(SideFile(x, y, "w"), "w_tex\r\n") << x << "," << y;
            EXPECT_EQ(SideFile(x, y, "f"), "f_tex\r\n") << x << "," << y;
            EXPECT_EQ(SideFile(x, y, "c"), "c_tex\r\n") << x << "," << y;
            EXPECT_EQ(SideFile(x, y, "mo").rfind("pillar\r\nnull\r\n90\r\n", 0), 0u) << x << "," << y;
        }
    EXPECT_EQ(SideFile(5, 3, "w"), "");

    // Corners off the grid are brought onto it first.
    edcurx = 9;
    edcury = 1;
    edselx = 40;
    edsely = -5;
    editor->PasteToArea();
    EXPECT_EQ(levelgrid[10][0].textid, 42);
    EXPECT_EQ(levelgrid[9][1].textid, 42);
    EXPECT_NE(levelgrid[11][0].textid, 42);
    EXPECT_NE(levelgrid[9][2].textid, 42);
    EXPECT_TRUE(messages.empty());

    // A map without an id (a random one) gets the cells alone, and the user is told.
    mapid.clear();
    edcurx = edselx = 6;
    edcury = edsely = 6;
    editor->PasteToArea();
    EXPECT_EQ(levelgrid[6][6].textid, 42);
    EXPECT_EQ(messages, std::vector<std::string>{"Pasted without side files: the map id \"\" names no folder under "
                                                 "levels. Set a map id and paste again."});
}

TEST_F(MapView, AreaColoursAreSixFixedOnesThenGreysOfTheRoundedQuotient)
{
    const std::pair<int32_t, TColor> cases[] = {
        {0, Rgb(0, 128, 0)},   {1, Rgb(0, 0, 255)},     {2, Rgb(0, 255, 0)},     {3, Rgb(128, 0, 128)},
        {4, Rgb(255, 0, 255)}, {5, Rgb(128, 0, 0)},     {10, Rgb(26, 26, 26)},   {300, Rgb(1, 1, 1)},
        {600, Rgb(0, 0, 0)},   {-3, Rgb(171, 171, 171)}, {6, Rgb(42, 42, 42)},
    };
    for (const auto& [area, color] : cases) EXPECT_EQ(visareacolor(area), color) << area;
}

TEST_F(MapView, TheDrawingShowsEachKindOfCellInItsColour)
{
    Level(5, 3);
    levelgrid[1][1].passable = false; // plain floor
    levelgrid[2][1].passable = true;
    lcell& door = levelgrid[3][1];
    door.door = true;
    door.passable = false;
    lcell& chest = levelgrid[4][1];
    chest.chest = true;
    chest.passable = false;
    levelgrid[2][2].passable = false; // solid: a hatch would let the cursor's outline beside it show through
    edcurx = edselx = 1;
    edcury = edsely = 2;
    editor->RenderMap();
    ASSERT_TRUE(edmapbmp);
    EXPECT_EQ(edmapbmp->Width(), 120);
    EXPECT_EQ(edmapbmp->Height(), 80);

    EXPECT_EQ(CellPixel(0, 0, 10, 10), Rgb(0, 0, 0)) << "wall";
    EXPECT_EQ(CellPixel(1, 1, 10, 10), cGrey) << "floor";
    EXPECT_EQ(CellPixel(3, 1, 10, 10), Rgb(128, 0, 128)) << "door";
    EXPECT_EQ(CellPixel(4, 1, 10, 10), Rgb(255, 255, 0)) << "chest";
    // A passable cell is hatched: grey lines with white between them.
    int grey = 0, white = 0;
    for (int32_t dy = 3; dy < 17; ++dy)
        for (int32_t dx = 3; dx < 17; ++dx) {
            const TColor pixel = CellPixel(2, 1, dx, dy);
            grey += pixel == cGrey;
            white += pixel == cWhite;
        }
    EXPECT_GT(grey, 10);
    EXPECT_GT(white, 50);
    // The cursor cell has the thick blue outline, the others a thin black one.
    EXPECT_TRUE(Thick(1, 2));
    EXPECT_FALSE(Thick(2, 2));
    EXPECT_EQ(CellPixel(2, 2, 0, 10), Rgb(0, 0, 0));
}

TEST_F(MapView, ASpreadSelectionOutlinesEveryCellInItWhicheverCornerTheCursorIsAt)
{
    Level(5, 3);
    // Solid cells: a hatch would let a thick outline beside it show through.
    for (int32_t x = 1; x < 5; ++x)
        for (int32_t y = 1; y < 3; ++y) levelgrid[x][y].passable = false;
    const std::pair<TPoint, TPoint> corners[] = {{{1, 1}, {3, 2}}, {{3, 2}, {1, 1}}, {{1, 2}, {3, 1}}};
    for (const auto& [cursor, second] : corners) {
        edcurx = cursor.X;
        edcury = cursor.Y;
        edselx = second.X;
        edsely = second.Y;
        editor->RenderMap();
        int thick = 0;
        for (int32_t x = 0; x <= 5; ++x)
            for (int32_t y = 0; y <= 3; ++y) {
                const bool inside = x >= 1 && x <= 3 && y >= 1 && y <= 2;
                EXPECT_EQ(Thick(x, y), inside) << x << "," << y;
                thick += Thick(x, y);
            }
        EXPECT_EQ(thick, 6);
    }
}

TEST_F(MapView, AreaBordersRunOnlyTowardNeighboursInTheGridWithNeitherArea)
{
    Level(5, 3);
    editor->CheckBox21->SetChecked(true);
    edcurx = edselx = edcury = edsely = 0;
    struct Case {
        int32_t area1, area2;      // of cell (1, 1)
        int32_t right1, right2;    // of its neighbour (2, 1)
        bool border;               // a blue line on (1, 1)'s right edge
    };
    const Case cases[] = {
        {1, 0, 0, 1, false}, // each cell's areas are among the other's
        {1, 0, 2, 2, true},
        {1, 0, 2, 1, false},
    };
    for (const Case& c : cases) {
        levelgrid[1][1].visarea = c.area1;
        levelgrid[1][1].visarea2 = c.area2;
        levelgrid[2][1].visarea = c.right1;
        levelgrid[2][1].visarea2 = c.right2;
        editor->RenderMap();
        EXPECT_EQ(OnRow(1, 1, 10, 16, 19, cBlue), c.border) << c.area1 << "/" << c.area2 << " beside " << c.right1
                                                             << "/" << c.right2;
        EXPECT_FALSE(OnRow(2, 1, 10, 0, 3, cBlue)) << "the neighbour draws its own borders, in its colours";
    }
    // The grid's edge has no neighbour to border.
    levelgrid[5][1].visarea = 1;
    editor->RenderMap();
    EXPECT_FALSE(OnRow(5, 1, 10, 16, 19, cBlue));
    EXPECT_TRUE(OnRow(5, 1, 10, 0, 3, cBlue)) << "toward (4, 1), whose areas are 0";
}

TEST_F(MapView, TheViewShowsTheDrawingFlippedAndDoubledWithCellZeroAtTheBottomLeft)
{
    Level(5, 3);
    levelgrid[0][0].door = true;  // purple, bottom left on screen
    levelgrid[0][3].chest = true; // yellow, top left
    levelgrid[0][3].door = false;
    editor->RenderMap();
    TBitmap& view = *editor->Image1->Picture()->Bitmap();
    ASSERT_EQ(view.Width(), editor->Image1->Width());
    ASSERT_GT(view.Width(), 300);
    ASSERT_GT(view.Height(), 200);
    EXPECT_EQ(PixelOf(view, 20, 20), Rgb(255, 255, 0));
    EXPECT_EQ(PixelOf(view, 20, 140), Rgb(128, 0, 128));
    EXPECT_EQ(PixelOf(view, 20, 170), Rgb(192, 192, 192)) << "below the map";
    EXPECT_EQ(PixelOf(view, 250, 20), Rgb(192, 192, 192)) << "right of the map";

    // Scrolled one cell right, the drawing's second column leads and silver fills in behind its last.
    edscrollx = 1;
    editor->RenderMap();
    EXPECT_EQ(PixelOf(view, 20, 140), Rgb(0, 0, 0)) << "cell (1, 0), a wall";
    EXPECT_EQ(PixelOf(view, 210, 140), Rgb(192, 192, 192));
}

TEST_F(MapView, TheTickDrawsOnlyWhileTheWindowShowsAndTicksTheCursorCellsBoxes)
{
    Level(6, 4);
    editor->Timer1Timer(editor.get());
    EXPECT_FALSE(edmapbmp) << "hidden: nothing is drawn";
    EXPECT_EQ(editor->Timer1->Interval(), 200u);

    lcell& cell = levelgrid[2][2];
    cell.door = cell.trap = cell.outdoors = true;
    cell.passable = false;
    edcurx = edcury = 2;
    editor->Show();
    editor->Timer1Timer(editor.get());
    editor->Hide();
    EXPECT_TRUE(edmapbmp);
    const std::pair<TCheckBox*, bool> boxes[] = {
        {editor->CheckBox1, false}, {editor->CheckBox2, false}, {editor->CheckBox3, true},
        {editor->CheckBox4, true},  {editor->CheckBox5, false}, {editor->CheckBox6, true},
        {editor->CheckBox7, true},  {editor->CheckBox12, true}};
    for (const auto& [box, checked] : boxes) EXPECT_EQ(box->Checked(), checked) << box->Caption();
    EXPECT_EQ(editor->ScrollBar1->Max(), 6);
    EXPECT_EQ(editor->ScrollBar2->Max(), 4);
}

TEST_F(MapView, F4AndTheMainMenusEditorButtonShowTheEditorTheButtonAfterLeavingFullScreen)
{
    uint16_t key = VK_F1 + 3;
    main->FormKeyUp(main.get(), key, {});
    EXPECT_TRUE(editor->Visible());
    editor->Hide();

    fullscreen = true;
    main->ClickGButton(36);
    EXPECT_FALSE(fullscreen);
    EXPECT_TRUE(editor->Visible());
    editor->Hide();

    main->MapEditorForm = nullptr;
    main->ClickGButton(36);
    EXPECT_FALSE(editor->Visible()) << "without an editor window nothing shows";
}
