// A character's progress as a player makes it, by input posted to the game's window: attribute points spent on
// the character screen, a perk learnt in the perk panel, an item worn from the item list, a quick save and its
// load, a damaged save refused, and the level changes down to a generated level. The tests follow one another on
// the same game; where a walk would be long the state is set directly.
#include "GameWindow.h"
#include "GLHUDObjects.h"
#include "RandomGenerator.h"
#include "UGH_data.h"
#include "UGH_hudwrites.h"
#include "VirtualKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr double cFrame = 0.5;

class GameProgress : public GameWindow {
protected:
    static void Picture(const std::string& name) { SavePicture(*Snapshot(), "progress-" + name + ".png"); }
    static void Click(int32_t id) { ClickGameButton(id, cFrame); }
    static void Answer() { AnswerRequest(cFrame); }
    static std::tuple<int32_t, int32_t, int32_t> Where() { return {playerx, playery, lookside}; }
    // The light pixels (glyphs, captions) of frame inside the w x h rectangle centred at (x, y).
    static int32_t LightPixels(const TBitmap& frame, float x, float y, float w, float h)
    {
        int32_t light = 0;
        for (int32_t py = std::max(0, static_cast<int32_t>(y - h / 2)); py < std::min<float>(frame.Height(), y + h / 2); ++py)
            for (int32_t px = std::max(0, static_cast<int32_t>(x - w / 2)); px < std::min<float>(frame.Width(), x + w / 2);
                 ++px) {
                const uint8_t* p = frame.ScanLine(py) + px * frame.BytesPerPixel();
                light += std::min({p[0], p[1], p[2]}) > 170;
            }
        return light;
    }
    // Every one of the shown buttons ids has its caption or icon drawn over what lies under it.
    static void ExpectButtonsDrawn(const TBitmap& frame, std::initializer_list<int32_t> ids)
    {
        for (const int32_t id : ids) {
            const gamebutton& b = gbuttons[id];
            ASSERT_TRUE(b.visible) << id;
            EXPECT_GT(LightPixels(frame, b.x, b.y, b.w, b.h), 0) << "button " << id;
        }
    }
    static fs::path SaveFile(const std::string& name) { return fs::path(GamePath("\\saves\\" + name)); }
};

TEST_F(GameProgress, AttributePointsAreSpentOnTheCharacterScreen)
{
    SetRandSeed(2026);
    // What the main menu's new game sets before the character screen, whose OK starts the game.
    mmmode = false;
    ingame = true;
    Game().ResetStats();
    Game().StartNewGame();
    StepFrames(1, cFrame);
    Answer(); // the opening text
    player.bonuspoints = 3; // as a level gained gives them
    PressKey(VK_TAB);
    StepFrames(1, cFrame);
    ASSERT_TRUE(invmode);
    // The screen's buttons stand over its background, and its rows' icons show their pictures (a glyph standing
    // out of its tile) where a sprite without one is a flat square.
    const std::unique_ptr<TBitmap> screen = Snapshot();
    ExpectButtonsDrawn(*screen, {0, 1, 19, 29, 47});
    for (const TGLHUDSprite* icon : Game().icons) {
        // The icon's right half: the left one reaches past the background onto the view.
        int32_t darkest = 255, lightest = 0;
        const int32_t x = static_cast<int32_t>(icon->Position()->X()), y = static_cast<int32_t>(TopEdge(icon));
        for (int32_t py = y + 4; py < y + 26; ++py)
            for (int32_t px = x; px < x + 13; ++px) {
                const uint8_t* p = screen->ScanLine(py) + px * screen->BytesPerPixel();
                const int32_t value = std::max({p[0], p[1], p[2]});
                darkest = std::min(darkest, value);
                lightest = std::max(lightest, value);
            }
        EXPECT_GT(lightest - darkest, 60) << y;
    }
    const int32_t strength = player.bstr, endurance = player.bend;
    for (const int32_t id : {1, 4, 4}) Click(id);
    // With no point left the buttons go.
    EXPECT_FALSE(gbuttons[1].visible);
    EXPECT_EQ(std::make_tuple(player.bstr, player.bend, player.bonuspoints),
              std::make_tuple(strength + 1, endurance + 2, 0));
}

TEST_F(GameProgress, TheShrinesPerkPointIsSpentInThePerkPanel)
{
    ASSERT_TRUE(invmode) << "runs on the character screen";
    // A character grown enough for the demo's perks, with the point the hermit's shrine gives on the first level.
    player.bstr = player.bint = player.bspd = player.bend = 40;
    Game().defineparbonuses();
    Game().AddPerkPoints(1);
    ASSERT_EQ(perkpoints, 1);
    StepFrames(1, cFrame);
    EXPECT_EQ(rftitle, strarr[366]);
    Answer();
    Click(19);
    ASSERT_TRUE(perkpanelshown);
    // The cursor moves on to a perk the character may learn.
    const auto learnable = [] {
        const int32_t p = perkcursor >= 0 && perkcursor <= 100 ? perklist[perkcursor] : -1;
        return p >= 0 && perks[p].enabled && !player.perks[p] && Game().checkperkrq(p) ? p : -1;
    };
    for (int step = 0; step < 12 && learnable() < 0; ++step) Click(8);
    const int32_t p = learnable();
    ASSERT_GE(p, 0) << "endurance " << player.endurance;
    ExpectButtonsDrawn(*Snapshot(), {8, 9, 18});
    Click(18);
    EXPECT_TRUE(player.perks[p]);
    EXPECT_EQ(perkpoints, 0);
    Picture("1-character-screen-perk-panel");
    Click(19);
    EXPECT_FALSE(perkpanelshown);
}

TEST_F(GameProgress, AnItemIsWornFromTheItemList)
{
    ASSERT_TRUE(invmode) << "runs on the character screen";
    constexpr int32_t cTinderBox = 0, cHat = 5; // a thing of kind 0, listed first, and a hat needing nothing
    items[cTinderBox].count = items[cHat].count = 1;
    Click(29);
    ASSERT_TRUE(itemlistmode);
    ASSERT_EQ(itemgrid[1][0][0], cHat);
    // Near the top-left corner of the hat's cell, where the exploration icon that opens the character screen
    // lies under the list's panel: the click is the cell's alone.
    constexpr int32_t x = 100, y = 30;
    ASSERT_EQ(Game().getilundercursor(x, y), cHat);
    PressMouse(x, y);
    StepFrames(1, cFrame);
    EXPECT_EQ(equipped[3], cHat);
    EXPECT_TRUE(itemlistmode);
    EXPECT_FALSE(invmode);
    StepFrames(1, cFrame);
    const std::unique_ptr<TBitmap> frame = Snapshot();
    SavePicture(*frame, "progress-2-item-list.png");
    // Every cell of the page is drawn over the panel: the two owned ones with their pictures, the hat's in the
    // gold frame of the chosen item, the empty ones black all over (the icon of the perk learnt belongs to the
    // character screen).
    const auto pixel = [&frame](int32_t px, int32_t py) {
        const uint8_t* p = frame->ScanLine(py) + px * frame->BytesPerPixel();
        return std::array<int32_t, 3>{p[2], p[1], p[0]};
    };
    const auto black = [](const std::array<int32_t, 3>& rgb) { return *std::max_element(rgb.begin(), rgb.end()) < 16; };
    for (int32_t c = 0; c < 9; ++c)
        for (int32_t r = 0; r < 9; ++r) {
            SCOPED_TRACE(std::to_string(c) + ", " + std::to_string(r));
            const int32_t x = c * 68 + 60, y = r * 65 + 70;
            for (const auto& [px, py] : {std::pair(x, y), std::pair(x - 20, y), std::pair(x + 20, y),
                                         std::pair(x, y - 20), std::pair(x, y + 20)})
                EXPECT_EQ(black(pixel(px, py)), itemgrid[c][r][0] < 0) << px << ", " << py;
        }
    const std::array<int32_t, 3> gold = pixel(68 + 60 - 29, 70);
    EXPECT_GT(gold[0], gold[2] + 60) << gold[0] << " " << gold[1] << " " << gold[2];
    Click(50);
    EXPECT_TRUE(invmode);
    PressKey(VK_TAB);
    StepFrames(1, cFrame);
    EXPECT_FALSE(invmode);
}

TEST_F(GameProgress, F8SavesAndTheLoadRestoresTheGameAfterAStep)
{
    ASSERT_EQ(equipped[3], 5) << "runs after the hat is worn";
    PressKey(VK_F1 + 7);
    StepFrames(1, cFrame);
    EXPECT_EQ(rftitle, strarr[34]);
    Answer();
    const auto saved = std::make_tuple(Where(), player.bstr, player.perks, equipped[3]);
    // A step or, facing a wall, a turn; then the hat is taken off.
    int32_t dx = 0, dy = 0;
    TForm1::GetDirsFromLookside(lookside, dx, dy);
    PressKey(levelgrid[playerx + dx][playery + dy].passable ? VK_UP : VK_RIGHT);
    StepFrames(4, cFrame);
    ASSERT_NE(Where(), std::get<0>(saved));
    equipped[3] = -1;
    Game().LoadGame();
    StepFrames(1, cFrame);
    EXPECT_EQ(std::make_tuple(Where(), player.bstr, player.perks, equipped[3]), saved);
    EXPECT_FALSE(rfmode);
}

TEST_F(GameProgress, ADamagedSaveIsRefusedWithItsMessage)
{
    const fs::path file = SaveFile("chsave2.sav");
    ASSERT_TRUE(fs::exists(file)) << "runs after the save";
    std::string bytes;
    {
        std::ifstream in(file, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    fs::resize_file(file, bytes.size() / 2);
    const auto before = std::make_tuple(Where(), player.bstr, equipped[3], mapid);
    Game().LoadGame();
    StepFrames(1, cFrame);
    const bool refused = rfmode;
    const std::string text = rftext;
    std::ofstream(file, std::ios::binary) << bytes; // the whole set again for whatever runs next
    ASSERT_TRUE(refused);
    const std::vector<std::string> logged = Log().Texts();
    EXPECT_NE(std::find(logged.begin(), logged.end(), "Load: " + text), logged.end()) << text;
    EXPECT_EQ(std::make_tuple(Where(), player.bstr, equipped[3], mapid), before);
    Answer();
}

TEST_F(GameProgress, TheSecondLevelChangeBuildsAGeneratedLevel)
{
    Game().ChangeLevelNormally();
    EXPECT_EQ(std::make_tuple(mapid, levelno), std::make_tuple(std::string("map_0"), 0));
    EXPECT_FALSE(fs::exists(GamePath("\\levels\\map_1.map")));
    Game().ChangeLevelNormally();
    EXPECT_EQ(levelno, 1);
    EXPECT_TRUE(levelgrid[startx][starty].passable && levelgrid[exitx][exity].passable);
    EXPECT_EQ(Where(), std::make_tuple(startx, starty, startdir));
    // Its walls carry the demo's decorations.
    int decorations = 0;
    for (const freesprite& sprite : freesprites)
        if (sprite.enabled && (sprite.name == "dec_banner" || sprite.name == "dec_shield")) ++decorations;
    EXPECT_GT(decorations, 0);
    StepFrames(2, cFrame);
    while (rfmode) Answer();
    Picture("3-generated-level");
}

} // namespace
