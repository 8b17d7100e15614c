// Block visibility, the scene lights, the shadow casters and the minimap on an unshown main window whose level
// objects are made by hand: which cells a refresh walks, what shows near the player, the once-a-second view
// distance, the choice of the seven scene lights, the casters, the line of sight, the minimap's pixels and the
// frame blocks that show the teleport glow and the minimap.
#include "UGH_main.h"

#include "UGHMinimap.h"
#include "UGH_data.h"

#include "GameDataFolder.h"

#include "Dialogs.h"
#include "GLGeomObjects.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLObjects.h"
#include "GLShadowVolume.h"
#include "GLTexture.h"
#include "GLVectorFileObjects.h"
#include "Graphics.h"
#include "VAVodad.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// An unshown main window over a level of (size + 1) x (size + 1) cells in use, every cell plain floor in area 0,
// the player at (10, 10) facing +x, and the settings this module reads at their usual values.
class Visibility : public GameDataFolder {
protected:
    void SetUp() override
    {
        GameDataFolder::SetUp();
        saved = {nograss, nolights, shadows, globalcast, desiredfpson, desiredfps, minvd, maxvd, viewdist};
        nograss = nolights = shadows = globalcast = false;
        desiredfpson = true;
        desiredfps = 30;
        minvd = 3;
        maxvd = 15;
        viewdist = 5;
        mbdcount = 0;
        curarea1 = curarea2 = 0;
        mainlight = -1;
        lightreport = false;
        form.reset(new TForm1(nullptr));
        levelbusy = false;
        mapmaxx = mapmaxy = size;
        for (int32_t x = 0; x <= size; ++x) {
            for (int32_t y = 0; y <= size; ++y) {
                lcell& cell = levelgrid[x][y];
                cell.x = x;
                cell.y = y;
                cell.passable = true;
                cell.spritename = "0";
            }
        }
        Place(10, 10, 0);
    }
    void TearDown() override
    {
        // The window frees the objects with its scene.
        TForm1::ForgetLevelObjects();
        form.reset();
        SetMessageBoxHook(nullptr);
        nograss = saved.nograss;
        nolights = saved.nolights;
        shadows = saved.shadows;
        globalcast = saved.globalcast;
        desiredfpson = saved.desiredfpson;
        desiredfps = saved.desiredfps;
        minvd = saved.minvd;
        maxvd = saved.maxvd;
        viewdist = saved.viewdist;
        GameDataFolder::TearDown();
    }

    static void Place(int32_t x, int32_t y, int32_t side)
    {
        static const int32_t cDirs[4][2] = {{1, 0}, {0, -1}, {-1, 0}, {0, 1}};
        playerx = x;
        playery = y;
        lookside = side;
        lookdirx = cDirs[side][0];
        lookdiry = cDirs[side][1];
    }
    template <class T> T* Make() { return TGLBaseSceneObject::CreateAsChild<T>(form->shadowz); }
    // A visible ceiling plane in every cell in use.
    void CeilingEverywhere()
    {
        for (int32_t x = 0; x <= size; ++x) {
            for (int32_t y = 0; y <= size; ++y) {
                levelgrid[x][y].ceil = true;
                cellceils[x][y] = Make<TGLPlane>();
            }
        }
    }

    static constexpr int32_t size = 20;
    struct {
        bool nograss, nolights, shadows, globalcast, desiredfpson;
        int32_t desiredfps, minvd, maxvd, viewdist;
    } saved{};
    std::unique_ptr<TForm1, TFreeDeleter> form;
};

// ---- Block visibility ----

TEST_F(Visibility, ARefreshWalksTheCellsAheadAndToBothSidesWithinTheGrid)
{
    struct TCase {
        int32_t px, py, side;
        int32_t x1, x2, y1, y2; // the cells refreshed
    };
    const TCase cases[] = {
        {10, 10, 0, 10, 15, 5, 15}, // +x
        {10, 10, 1, 5, 15, 5, 10},  // -y
        {2, 18, 2, 0, 2, 13, 20},   // -x at the grid's corner
    };
    CeilingEverywhere();
    for (const TCase& c : cases) {
        for (int32_t x = 0; x <= size; ++x)
            for (int32_t y = 0; y <= size; ++y) cellceils[x][y]->SetVisible(true);
        Place(c.px, c.py, c.side);
        // The player stands in another area: every refreshed cell hides its objects.
        curarea1 = curarea2 = 7;
        form->MonitorBlockVisibility(c.px, c.py, viewdist, false);
        for (int32_t x = 0; x <= size; ++x) {
            for (int32_t y = 0; y <= size; ++y) {
                const bool refreshed = x >= c.x1 && x <= c.x2 && y >= c.y1 && y <= c.y2;
                EXPECT_EQ(cellceils[x][y]->Visible(), !refreshed)
                    << "cell (" << x << ", " << y << ") from (" << c.px << ", " << c.py << ") facing " << c.side;
            }
        }
    }
}

// A jump of the camera (a teleport, a level arrived at) shows the level ahead as far as the view distance, as a
// step does, not only the cells next to the player.
TEST_F(Visibility, ACameraJumpShowsTheLevelAsFarAsTheViewReaches)
{
    CeilingEverywhere();
    form->FullMBW(viewdist);
    camsnap = true;
    form->PositionCamera(0.01);
    EXPECT_FALSE(camsnap);
    EXPECT_TRUE(cellceils[14][10]->Visible()) << "four cells ahead";
    EXPECT_FALSE(cellceils[15][10]->Visible()) << "five cells ahead, beyond the view distance of 5";
}

TEST_F(Visibility, NearObjectsOfThePlayersAreasShowByTheCellRules)
{
    struct TCase {
        const char* what;
        int32_t x, y;
        bool passable, door3d, chest, door;
        bool shown;
    };
    const TCase cases[] = {
        {"closed chest near", 11, 10, false, false, true, false, true},
        {"opened chest near", 12, 10, true, false, true, false, false},
        {"closed door near", 11, 11, false, false, false, true, true},
        {"open flat door", 12, 11, true, false, false, true, false},
        {"open 3D door", 13, 11, true, true, false, true, true},
        {"closed chest four cells away", 14, 10, false, false, true, false, true},
        {"closed chest five cells away", 15, 10, false, false, true, false, false},
    };
    std::vector<TGLBaseSceneObject*> objects;
    for (const TCase& c : cases) {
        lcell& cell = levelgrid[c.x][c.y];
        cell.passable = c.passable;
        cell.chest = c.chest;
        cell.door = c.door;
        cell.door3d = c.door3d;
        if (c.chest) objects.push_back(cellchests[c.x][c.y] = Make<TGLPlane>());
        if (c.door) objects.push_back(celldoors[c.x][c.y] = Make<TGLFreeForm>());
    }
    form->FullMBW(viewdist);
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(objects[i]->Visible(), cases[i].shown) << cases[i].what;
}

TEST_F(Visibility, GrassShowsUnlessSwitchedOffAndDensityBeyondItsSlotsIsHeld)
{
    lcell& cell = levelgrid[11][10];
    cell.grass = true;
    cell.dens = 500;
    for (TGLSprite*& sprite : cellgrass[11][10]) {
        sprite = Make<TGLSprite>();
        sprite->SetVisible(false);
    }
    nograss = true;
    form->FullMBW(viewdist);
    EXPECT_FALSE(cellgrass[11][10][0]->Visible());
    nograss = false;
    form->FullMBW(viewdist);
    EXPECT_TRUE(cellgrass[11][10][0]->Visible());
    EXPECT_TRUE(cellgrass[11][10][100]->Visible());
}

TEST_F(Visibility, FarFreeObjectsHideOnlyOnARefreshAtTheViewDistance)
{
    freesprites[0].enabled = true;
    freesprites[0].x = 20 * 18;
    freesprites[0].y = 20 * 10;
    fspriteobjs[0] = Make<TGLPlane>();
    freemeshes[0].enabled = true;
    freemeshes[0].x = 20 * 18;
    freemeshes[0].y = 20 * 10;
    fmeshobjs[0] = Make<TGLFreeForm>();
    form->MonitorBlockVisibility(playerx, playery, 3, true);
    EXPECT_TRUE(fspriteobjs[0]->Visible());
    EXPECT_TRUE(fmeshobjs[0]->Visible());
    form->MonitorBlockVisibility(playerx, playery, viewdist, true);
    EXPECT_FALSE(fspriteobjs[0]->Visible());
    EXPECT_FALSE(fmeshobjs[0]->Visible());

    // Near again: the mesh also needs the area of the cell under it.
    freesprites[0].x = freemeshes[0].x = 20 * 12;
    levelgrid[12][10].visarea = levelgrid[12][10].visarea2 = 4;
    form->FullMBW(viewdist);
    EXPECT_TRUE(fspriteobjs[0]->Visible());
    EXPECT_FALSE(fmeshobjs[0]->Visible());
    curarea2 = 4;
    form->FullMBW(viewdist);
    EXPECT_TRUE(fmeshobjs[0]->Visible());
}

TEST_F(Visibility, TheRefreshCountWrapsAndNothingRunsWhileALevelIsBusy)
{
    mbdcount = 32000;
    form->FullMBW(viewdist);
    EXPECT_EQ(mbdcount, 0);
    levelbusy = true;
    form->FullMBW(viewdist);
    EXPECT_EQ(mbdcount, 0);
}

TEST_F(Visibility, AFailingRefreshRebuildsTheLevelOnceThenLogs)
{
    TGLLogCapture log;
    // The player stands outside the grid: every refresh fails, the one of the rebuild too.
    playerx = 200;
    form->FullMBW(viewdist);
    EXPECT_TRUE(log.Contains("Block visibility failed, the level is rebuilt")) << testing::PrintToString(log.Texts());
    EXPECT_TRUE(log.Contains("Block visibility failed again")) << testing::PrintToString(log.Texts());
    EXPECT_FALSE(levelbusy);
}

TEST_F(Visibility, TheViewDistanceStepsTowardTheWantedFrameRateWithinItsLimits)
{
    struct TCase {
        bool on;
        int32_t fps, before, minimum, maximum, after;
    };
    const TCase cases[] = {
        {true, 20, 5, 3, 15, 4},   {true, 20, 3, 3, 15, 3},  {true, 40, 5, 3, 15, 6},
        {true, 40, 15, 3, 15, 15}, {true, 30, 5, 3, 15, 5},  {false, 20, 5, 3, 15, 5},
        {true, 20, 1, 0, 0, 1}, // limits of 0 count as one cell
    };
    for (const TCase& c : cases) {
        desiredfpson = c.on;
        viewdist = c.before;
        minvd = c.minimum;
        maxvd = c.maximum;
        mbdcount = 1;
        form->AutoAdjustMbd(c.fps);
        EXPECT_EQ(viewdist, c.after) << c.fps << " fps from " << c.before;
        EXPECT_EQ(mbdcount, c.on ? 2 : 1) << "a refresh runs exactly while the adjustment is on";
    }
}

// ---- Scene lights ----

class SceneLights : public Visibility {
protected:
    // Slot i shines at height 100 + i, so that a scene light tells which slot it took.
    void SetUp() override
    {
        Visibility::SetUp();
        for (TGLLightSource*& light : form->scenelights)
            light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(form->dcgame);
        for (int32_t i = 0; i < 20; ++i) {
            levellights[i] = lightslot{.x = 2000, .y = 2000, .z = 100 + i, .shining = true};
        }
    }
    std::vector<int32_t> Chosen() const
    {
        std::vector<int32_t> slots;
        for (TGLLightSource* light : form->scenelights)
            if (light->Shining()) slots.push_back(static_cast<int32_t>(light->Position()->Z()) - 100);
        return slots;
    }
};

TEST_F(SceneLights, PersistingSlotsComeFirstThenTheNearestInAStableOrder)
{
    // The reference point is (210, 210).
    levellights[4].x = 210;
    levellights[4].y = 230; // 20 away
    levellights[9].x = 230;
    levellights[9].y = 210; // 20 away, after slot 4
    levellights[2].x = 215;
    levellights[2].y = 210; // nearest
    levellights[17].persists = true;
    form->ProcessLights();
    EXPECT_EQ(Chosen(), (std::vector<int32_t>{17, 2, 4, 9, 0, 1, 3}));
    EXPECT_EQ(mainlight, 17);
}

TEST_F(SceneLights, SlotsOfOtherGroupsDarkOrOutdoorLightsIndoorsAreSkipped)
{
    levellights[0].external = true;
    levellights[1].lgroup = 3;
    levellights[2].shining = false;
    for (int32_t i = 10; i < 20; ++i) levellights[i].shining = false;
    form->ProcessLights();
    EXPECT_EQ(Chosen(), (std::vector<int32_t>{3, 4, 5, 6, 7, 8, 9}));

    levelgrid[10][10].outdoors = true;
    form->ProcessLights();
    EXPECT_EQ(Chosen(), (std::vector<int32_t>{0, 3, 4, 5, 6, 7, 8}));

    // No slot lights the player's group: every scene light is off and there is no main light.
    levelgrid[10][10].lgroup = 5;
    form->ProcessLights();
    EXPECT_EQ(Chosen(), std::vector<int32_t>{});
    EXPECT_EQ(mainlight, -1);
}

TEST_F(SceneLights, TheSceneLightTakesTheSlotsValues)
{
    levellights[0] = lightslot{.x = 1, .y = 2, .z = 3, .ca = 0.5, .la = 0.25, .qa = 0.125, .ar = 0.1, .ag = 0.2,
                               .ab = 0.3, .sr = 0.4, .sg = 0.5, .sb = 0.6, .dr = 0.7, .dg = 0.8, .db = 0.9,
                               .shining = true, .sdx = 0, .sdy = 0, .sdz = -1, .style = 1, .cutoff = 45,
                               .exponent = 2, .persists = true};
    form->ProcessLights();
    const TGLLightSource& light = *form->scenelights[0];
    EXPECT_EQ(light.LightStyle(), lsSpot);
    EXPECT_FLOAT_EQ(light.ConstAttenuation(), 0.5f);
    EXPECT_FLOAT_EQ(light.QuadraticAttenuation(), 0.125f);
    EXPECT_FLOAT_EQ(light.Ambient()->Blue(), 0.3f);
    EXPECT_FLOAT_EQ(light.Specular()->Red(), 0.4f);
    EXPECT_FLOAT_EQ(light.Diffuse()->Green(), 0.8f);
    EXPECT_FLOAT_EQ(light.Position()->Y(), 2);
    EXPECT_FLOAT_EQ(light.SpotCutOff(), 45);
    EXPECT_FLOAT_EQ(light.SpotExponent(), 2);
    EXPECT_FLOAT_EQ(light.SpotDirection()->Z(), -1);
}

TEST_F(SceneLights, WithLightsOffTheSceneLightsKeepTheirState)
{
    form->ProcessLights();
    const std::vector<int32_t> before = Chosen();
    levellights[19].persists = true;
    nolights = true;
    form->ProcessLights();
    EXPECT_EQ(Chosen(), before);
}

TEST_F(SceneLights, TheReportListsTheChoiceOnceWithItsTotal)
{
    std::vector<std::string> shown;
    SetMessageBoxHook([&shown](const TMessageBoxRequest& request) {
        shown.push_back(request.Text);
        return mrOk;
    });
    lightreport = true;
    form->ProcessLights();
    form->ProcessLights();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("Total: 7"), std::string::npos) << shown[0];
    EXPECT_FALSE(lightreport);
}

// ---- Shadow casters ----

TEST_F(SceneLights, CastersAreTheMainLightsWallsAndTheGroupsMeshesNearThePlayer)
{
    shadows = true;
    // Casting walls at 9 cells (inside the square) and 10 cells (outside), one of another group.
    for (const int32_t x : {19, 20, 11}) {
        levelgrid[x][10].wall = true;
        levelgrid[x][10].shcast = true;
        cellwalls[x][10] = Make<TGLFreeForm>();
    }
    levelgrid[11][10].lgroup = 2;
    freemeshes[0].enabled = freemeshes[0].shcast = true;
    freemeshes[0].x = freemeshes[0].y = 20 * 12;
    fmeshobjs[0] = Make<TGLFreeForm>();
    const auto casters = [this] {
        std::vector<TGLBaseSceneObject*> found;
        TGLShadowVolumeCasters* occluders = form->shadowz->Occluders();
        for (int32_t i = 0; i < occluders->Count(); ++i) found.push_back(occluders->GetItems(i)->Caster());
        return found;
    };
    form->ProcessLights();
    EXPECT_EQ(casters(), (std::vector<TGLBaseSceneObject*>{cellwalls[19][10], fmeshobjs[0]}));

    // Without a main light only the meshes cast.
    for (lightslot& light : levellights) light.shining = false;
    form->ProcessLights();
    EXPECT_EQ(mainlight, -1);
    EXPECT_EQ(casters(), (std::vector<TGLBaseSceneObject*>{fmeshobjs[0]}));
}

TEST_F(Visibility, AFreeMeshsLightGroupIsThatOfTheCellUnderItsHome)
{
    struct TCase {
        int32_t x, y, group;
    };
    levelgrid[1][1].lgroup = 6;
    levelgrid[98][2].lgroup = 8;
    // Halves round to the even cell.
    for (const TCase& c : {TCase{19, 20, 6}, TCase{10, 20, -1}, TCase{1970, 30, 8}, TCase{1990, 20, -1}}) {
        freemeshes[3].x = c.x;
        freemeshes[3].y = c.y;
        EXPECT_EQ(form->getfmlgroup(3), c.group) << c.x << ", " << c.y;
    }
}

TEST_F(Visibility, ALightIsSeenUnlessABareWallOrAClosedDoorStandsBetween)
{
    struct TCase {
        const char* what;
        bool wall, door, passable;
        std::string wco;
        bool seen;
    };
    const TCase cases[] = {
        {"open floor", false, false, true, "", true},
        {"bare wall", true, false, false, "", false},
        {"wall with its own material", true, false, false, "etex_0_5", true},
        {"closed door", false, true, false, "", false},
        {"open door", false, true, true, "", true},
    };
    for (const TCase& c : cases) {
        lcell& between = levelgrid[7][5];
        between.wall = c.wall;
        between.door = c.door;
        between.passable = c.passable;
        between.wco = c.wco;
        EXPECT_EQ(form->checklsvisibility(20 * 5, 20 * 5, 20 * 5, 20 * 9), c.seen) << c.what;
    }
    EXPECT_TRUE(form->checklsvisibility(100, 100, 100, 100));
}

TEST_F(Visibility, TheUncalledHelpersCastTheNearWallsAndDarkenTheLevel)
{
    for (const int32_t x : {9, 11, 12}) {
        levelgrid[x][10].wall = true;
        cellwalls[x][10] = Make<TGLFreeForm>();
    }
    form->HandleShadows();
    EXPECT_EQ(form->shadowz->Occluders()->Count(), 2);
    levellights[5].shining = true;
    form->cleanuplights();
    EXPECT_FALSE(levellights[5].shining);
}

// ---- Minimap ----

// A 5 x 4 map, 100 x 80 pixels, seen from above with y growing upward as in the view (row 0 of the picture is
// y 3):
//   y 3: wall   wall    wall   wall    wall
//   y 2: wall   floor   closed floor   wall
//   y 1: wall   player  door   chest   wall
//   y 0: wall   wall    wall   wall    wall
// with (1, 1) and (3, 2) explored; the player faces -y, down the picture.
class Minimap : public Visibility {
protected:
    void SetUp() override
    {
        Visibility::SetUp();
        mapmaxx = 4;
        mapmaxy = 3;
        for (int32_t x = 0; x <= 4; ++x) {
            for (int32_t y = 0; y <= 3; ++y) {
                lcell& cell = levelgrid[x][y];
                cell.wall = x == 0 || x == 4 || y == 0 || y == 3;
                cell.passable = !cell.wall;
            }
        }
        levelgrid[2][1].door = true;
        levelgrid[2][1].passable = false;
        levelgrid[3][1].chest = true;
        levelgrid[3][1].passable = false;
        levelgrid[2][2].passable = false; // closed, yet no door, wall or chest
        explored[1][1] = true;
        explored[3][2] = true;
        Place(1, 1, 1);
    }
    static TColor Pixel(TBitmap& bitmap, int32_t x, int32_t y)
    {
        const uint8_t* p = bitmap.ScanLine(y) + bitmap.BytesPerPixel() * x;
        return p[2] | (p[1] << 8) | (p[0] << 16);
    }
    // The centre of a cell's corner pixel, clear of the player's marks.
    static TColor Cell(TBitmap& bitmap, int32_t x, int32_t y) { return Pixel(bitmap, 20 * x + 2, 20 * (3 - y) + 2); }
};

TEST_F(Minimap, EachCellTakesTheColourOfWhatItHolds)
{
    TBitmap picture;
    TForm1::DrawMinimap(picture, false);
    ASSERT_EQ(picture.Width(), 100);
    ASSERT_EQ(picture.Height(), 80);
    struct TCase {
        const char* what;
        int32_t x, y;
        TColor colour;
    };
    const TCase cases[] = {
        {"wall", 0, 0, clGray},
        {"door", 2, 1, clPurple},
        {"chest", 3, 1, clYellow},
        {"floor", 1, 2, clWhite},
        {"wall at the map's edge", 4, 3, clGray},
        // Neither door, wall nor chest: the brush keeps the colour of the door drawn just before it.
        {"closed cell", 2, 2, clPurple},
        {"beyond every explored neighbourhood", 4, 0, clBlack},
    };
    for (const TCase& c : cases) EXPECT_EQ(Cell(picture, c.x, c.y), c.colour) << c.what;
    // The player in picture row 2: the disc in the cell's middle and the stroke toward -y, downward; the cell's
    // upper corner stays white.
    EXPECT_EQ(Pixel(picture, 30, 52), clRed);
    EXPECT_EQ(Pixel(picture, 30, 58), clRed);
    EXPECT_EQ(Pixel(picture, 30, 42), clWhite);
    EXPECT_EQ(Pixel(picture, 21, 42), clWhite);
    // Just turned left to +y: the stroke shows the new facing while the camera still looks the old way.
    lookside = 3;
    TForm1::DrawMinimap(picture, false);
    EXPECT_EQ(Pixel(picture, 30, 42), clRed);
    EXPECT_EQ(Pixel(picture, 30, 58), clWhite);
    lookside = 1;

    // A wall the player can walk through: grey, unless the player's perk shows hidden passages.
    levelgrid[4][2].passable = true;
    TForm1::DrawMinimap(picture, false);
    EXPECT_EQ(Cell(picture, 4, 2), clGray);
    TForm1::DrawMinimap(picture, true);
    EXPECT_EQ(Cell(picture, 4, 2), clOlive);
}

TEST_F(Minimap, TheSquareCentresThePictureInsideAWhiteBorder)
{
    TBitmap picture, square;
    TForm1::DrawMinimap(picture, false);
    TForm1::SquareMinimap(picture, square);
    ASSERT_EQ(square.Width(), 100);
    ASSERT_EQ(square.Height(), 100);
    EXPECT_EQ(Pixel(square, 50, 0), clWhite);
    EXPECT_EQ(Pixel(square, 50, 5), clBlack);
    EXPECT_EQ(Pixel(square, 50, 99), clWhite);
    // Row 10 of the square is the picture's first.
    EXPECT_EQ(Pixel(square, 82, 12), clGray); // the wall at (4, 3)
    EXPECT_EQ(Pixel(square, 30, 62), clRed);
}

TEST_F(Minimap, AFullRefreshGivesTheSquareToTheMinimapWhileItShows)
{
    TGLPictureImage* image = static_cast<TGLPictureImage*>(form->minimap->Material()->Texture()->Image());
    form->FullMBW(viewdist);
    EXPECT_EQ(image->Picture()->Width(), 1) << "a hidden minimap keeps its blank picture";
    form->minimap->SetVisible(true);
    form->FullMBW(viewdist);
    EXPECT_EQ(image->Picture()->Width(), 100);
    EXPECT_EQ(image->Picture()->Height(), 100);
}

TEST_F(Minimap, IsDrawnAsItComesBackFromTheMenu)
{
    auto* image = static_cast<TGLPictureImage*>(form->minimap->Material()->Texture()->Image());
    scrh = 768;
    minimapon = mmmode = true;
    invmode = btlmode = false;
    form->FrameBlockB7(0.01);
    EXPECT_EQ(image->Picture()->Width(), 1) << "hidden behind the menu, it is not drawn";
    // A game loaded from the menu: the menu goes and the minimap shows the loaded level at once.
    mmmode = false;
    form->FrameBlockB7(0.01);
    EXPECT_EQ(image->Picture()->Width(), 100);
}

TEST_F(Minimap, TheMapWindowShowsTheWholePictureWhileItIsShown)
{
    std::unique_ptr<TForm12, TFreeDeleter> window(Form12 = new TForm12(nullptr));
    EXPECT_EQ(window->ClientWidth(), 400);
    EXPECT_EQ(window->ClientHeight(), 400);
    EXPECT_EQ(window->FormStyle(), fsStayOnTop);
    EXPECT_EQ(window->Image1->Width(), 400);
    form->WorkOnMinimap();
    EXPECT_EQ(window->Image1->Picture()->Width(), 0) << "a hidden window is not drawn";
    window->Show();
    form->WorkOnMinimap();
    EXPECT_EQ(window->Image1->Picture()->Width(), 100);
    EXPECT_EQ(window->Image1->Picture()->Height(), 80);
    window.reset();
    Form12 = nullptr;
}

// ---- Frame blocks ----

TEST_F(Visibility, TheTeleportGlowFadesOverItsSecond)
{
    scrw = 1024;
    scrh = 768;
    glowtime = 0.5;
    form->FrameBlockB5(0.25);
    EXPECT_DOUBLE_EQ(glowtime, 0.25);
    EXPECT_EQ(glowlevel, 2) << "2.5 rounds to the even level";
    EXPECT_TRUE(form->teleport_glow->Visible());
    EXPECT_FLOAT_EQ(form->teleport_glow->Width(), 1024);
    EXPECT_FLOAT_EQ(form->teleport_glow->Position()->Y(), 384);
    EXPECT_FLOAT_EQ(form->teleport_glow->Material()->FrontProperties()->Diffuse()->Alpha(), 0.2f);
    form->FrameBlockB5(0.25);
    EXPECT_EQ(glowlevel, 0);
    form->FrameBlockB5(0.01);
    EXPECT_FALSE(form->teleport_glow->Visible());
    glowtime = 0;
}

TEST_F(Visibility, TheMinimapShowsBottomLeftOnlyWhileExploring)
{
    scrh = 768;
    struct TCase {
        bool on, inv, menu, battle, shown;
    };
    for (const TCase& c : {TCase{true, false, false, false, true}, TCase{false, false, false, false, false},
                           TCase{true, true, false, false, false}, TCase{true, false, true, false, false},
                           TCase{true, false, false, true, false}}) {
        minimapon = c.on;
        invmode = c.inv;
        mmmode = c.menu;
        btlmode = c.battle;
        form->FrameBlockB7(0.01);
        EXPECT_EQ(form->minimap->Visible(), c.shown) << c.on << c.inv << c.menu << c.battle;
    }
    minimapon = true;
    invmode = mmmode = btlmode = false;
    form->FrameBlockB7(0.01);
    EXPECT_FLOAT_EQ(form->minimap->Width(), 200);
    EXPECT_FLOAT_EQ(form->minimap->Position()->X(), 110);
    EXPECT_FLOAT_EQ(form->minimap->Position()->Y(), 628);
}

} // namespace
