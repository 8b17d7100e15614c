// What a player sees, read from the frame's pixels, by input posted to the game's window: the character being made
// with its rename button, the load screen while the start map is read, the messages of the standing stone, the
// locked door and the journal readable wherever the player stands, the enemy's spellbook browsed, the item held
// for crafting and the random map's work told in the map editor's caption. The tests follow one another on the
// same game; the frames a person would look at are kept as pictures.
#include "GLColor.h"
#include "GLCoordinates.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLWin32Viewer.h"
#include "GameWindow.h"
#include "RandomGenerator.h"
#include "UGH_hudwrites.h"
#include "UGH_tables.h"
#include "VAVodad.h"
#include "VirtualKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr double cFrame = 0.5;

// A rectangle of the view by its centre and size, as sprites and buttons give it.
struct TArea {
    float X, Y, W, H;
};

TArea AreaOf(const TGLHUDSprite* sprite)
{
    return {sprite->Position()->X(), sprite->Position()->Y(), sprite->Width(), sprite->Height()};
}

TArea AreaOf(const gamebutton& b)
{
    return {static_cast<float>(b.x), static_cast<float>(b.y), static_cast<float>(b.w), static_cast<float>(b.h)};
}

int32_t Brightness(const TBitmap& frame, int32_t x, int32_t y)
{
    const uint8_t* p = frame.ScanLine(y) + x * frame.BytesPerPixel();
    return std::max({p[0], p[1], p[2]});
}

// How objects show in an area of the frame: the share of its pixels that change when they are hidden, and how
// far the brightness of the changed pixels lies from what shows there without them.
struct TShowing {
    double Share = 0;
    double Contrast = 0;
};

TShowing Compare(const TBitmap& with, const TBitmap& without, const TArea& area)
{
    int32_t changed = 0, total = 0;
    double contrast = 0;
    const int32_t x0 = std::max(0, static_cast<int32_t>(area.X - area.W / 2));
    const int32_t x1 = std::min(with.Width(), static_cast<int32_t>(area.X + area.W / 2));
    const int32_t y0 = std::max(0, static_cast<int32_t>(area.Y - area.H / 2));
    const int32_t y1 = std::min(with.Height(), static_cast<int32_t>(area.Y + area.H / 2));
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x) {
            ++total;
            const uint8_t* p = with.ScanLine(y) + x * with.BytesPerPixel();
            const uint8_t* q = without.ScanLine(y) + x * without.BytesPerPixel();
            if (std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) <= 24) continue;
            ++changed;
            contrast += std::abs(Brightness(with, x, y) - Brightness(without, x, y));
        }
    return {total ? static_cast<double>(changed) / total : 0, changed ? contrast / changed : 0};
}

class GamePlayerView : public GameWindow {
protected:
    static void Picture(TBitmap& frame, const std::string& name) { SavePicture(frame, "view-" + name + ".png"); }
    static void Click(int32_t id) { ClickGameButton(id, cFrame); }
    static void Answer() { AnswerRequest(cFrame); }
    // The view drawn again with the objects hidden for the moment.
    static std::unique_ptr<TBitmap> Without(std::initializer_list<TGLBaseSceneObject*> objects)
    {
        for (TGLBaseSceneObject* object : objects) object->SetVisible(false);
        std::unique_ptr<TBitmap> frame = Snapshot();
        for (TGLBaseSceneObject* object : objects) object->SetVisible(true);
        return frame;
    }
    // Game button id is drawn over whatever lies under it.
    static void ExpectButtonShows(const TBitmap& frame, int32_t id)
    {
        ASSERT_TRUE(gbuttons[id].visible) << id;
        const TShowing button =
            Compare(frame, *Without({Game().gbsprites[id], Game().gbtexts[id]}), AreaOf(gbuttons[id]));
        EXPECT_GT(button.Share, 0.4) << "button " << id;
    }
    // The request on screen can be read: its panel fills its rectangle, its text stands out of the panel and its
    // OK button is drawn. Returns the frame.
    static std::unique_ptr<TBitmap> ExpectReadableForm(const std::string& where)
    {
        SCOPED_TRACE(where);
        std::unique_ptr<TBitmap> frame = Snapshot();
        EXPECT_TRUE(rfmode);
        TForm1& game = Game();
        const TArea form = AreaOf(game.reqform);
        const std::unique_ptr<TBitmap> plain = Without({game.rf_text, game.rf_title});
        const TShowing text = Compare(*frame, *plain, form);
        EXPECT_GT(text.Share, 0.01);
        EXPECT_GT(text.Contrast, 100);
        const TShowing panel = Compare(*plain, *Without({game.reqform, game.rf_text, game.rf_title}), form);
        EXPECT_GT(panel.Share, 0.5);
        ExpectButtonShows(*frame, 48);
        return frame;
    }
    // The player put on (x, y) facing lookside, the camera there at the next frame.
    static void StandAt(int32_t x, int32_t y, int32_t side)
    {
        playerx = x;
        playery = y;
        lookside = side;
        TForm1::GetDirsFromLookside(side, lookdirx, lookdiry);
        camsnap = true;
        StepFrames(1, cFrame);
    }
};

TEST_F(GamePlayerView, TheRenameButtonStandsBesideTheNameOfTheCharacterBeingMade)
{
    SetRandSeed(2027);
    StepFrames(1, cFrame);
    ASSERT_TRUE(mmmode);
    Click(20);
    ASSERT_TRUE(rfmode && rfcase == 0);
    // The name entry stands over the character screen.
    StepFrames(1, cFrame);
    ExpectReadableForm("name entry");
    TypeText(u"Ann");
    Answer();
    StepFrames(1, cFrame);
    ASSERT_TRUE(chargen);
    const gamebutton& rename = gbuttons[37];
    EXPECT_EQ(rename.y, RoundInteger(Game().char_name->Position()->Y()));
    EXPECT_GE(rename.y - rename.h / 2, 0);
    const std::unique_ptr<TBitmap> frame = Snapshot();
    ExpectButtonShows(*frame, 37);
    Picture(*frame, "1-character-creation");
}

TEST_F(GamePlayerView, TheStartMapIsReadUnderTheLoadScreenAndLitByItsTorch)
{
    ASSERT_TRUE(chargen) << "runs on the character screen of a new game";
    // Every frame the view paints while the level is busy is kept apart; the first is looked at closely.
    TNotifyEvent& afterRender = Game().VAVodadViewer1->AfterRender();
    const TNotifyEvent previous = afterRender;
    int32_t busyFrames = 0;
    bool looking = false;
    std::unique_ptr<TBitmap> loading;
    TShowing cover;
    afterRender = [&](TObject* Sender) {
        if (previous) previous(Sender);
        if (!levelbusy || looking) return;
        ++busyFrames;
        if (loading) return;
        looking = true;
        loading = Snapshot();
        cover = Compare(*loading, *Without({Game().dcload}), {scrw / 2.0f, scrh / 2.0f, float(scrw), float(scrh)});
        looking = false;
    };
    Click(0);
    afterRender = previous;
    EXPECT_EQ(mapid, "startmap");
    EXPECT_GT(busyFrames, 0);
    ASSERT_TRUE(loading);
    Picture(*loading, "2-load-screen");
    EXPECT_GT(cover.Share, 0.75);
    // The start map's own torch: 0.4 0.01 0.005 in a light orange.
    const TGLLightSource& torch = *Game().playerlight;
    EXPECT_FLOAT_EQ(torch.ConstAttenuation(), 0.4f);
    EXPECT_NEAR(torch.Diffuse()->Green(), 0.6, 0.5 / 255);
}

TEST_F(GamePlayerView, TheStandingStonesInscriptionCanBeRead)
{
    ASSERT_TRUE(rfmode && rfcase == 10) << "runs when the new game's inscription is shown";
    StepFrames(1, cFrame);
    Picture(*ExpectReadableForm("inscription"), "3-opening-inscription");
    Answer();
}

TEST_F(GamePlayerView, TheLockedDoorSaysSoReadably)
{
    ASSERT_TRUE(ingame && !rfmode) << "runs on the start map";
    ASSERT_EQ(keys1, 0);
    StandAt(2, 1, 0);
    PressKey(VK_SPACE);
    StepFrames(2, cFrame);
    EXPECT_EQ(rftitle, strarr[19]);
    Picture(*ExpectReadableForm("locked door"), "4-locked-door");
    Answer();
}

TEST_F(GamePlayerView, TheJournalCanBeReadWhereverThePlayerStands)
{
    ASSERT_TRUE(ingame && !rfmode) << "runs on the start map";
    const std::tuple<int32_t, int32_t, int32_t> places[] = {{1, 1, 0}, {2, 6, 3}, {10, 6, 2}, {9, 10, 1}};
    for (const auto& [x, y, side] : places) {
        StandAt(x, y, side);
        TypeText(u"j");
        StepFrames(2, cFrame);
        ASSERT_EQ(rfcase, 44);
        const std::unique_ptr<TBitmap> frame =
            ExpectReadableForm("(" + std::to_string(x) + ", " + std::to_string(y) + ")");
        if (x == 1) Picture(*frame, "5-journal");
        Click(49);
        ASSERT_FALSE(rfmode);
    }
}

TEST_F(GamePlayerView, TheEnemysSpellbookIsBrowsedCardByCard)
{
    ASSERT_TRUE(ingame && !rfmode) << "runs on the start map";
    Game().AddToBL(0);
    StepFrames(2, cFrame);
    ASSERT_TRUE(btlmode);
    while (rfmode) Answer();
    std::vector<int32_t> owned;
    for (int32_t k = 0; k < cardcount; ++k)
        if (opponent.spellbook[k]) owned.push_back(k);
    ASSERT_GE(owned.size(), 2u);
    Click(31);
    ASSERT_TRUE(invmode && showenemy);
    StepFrames(1, cFrame);
    // The card shown first is the first of the enemy's, and each click shows the next, round to the first again.
    for (std::size_t k = 0; k <= owned.size(); ++k) {
        const std::string card = "card_" + std::to_string(owned[k % owned.size()]) + "_";
        EXPECT_EQ(gbuttons[30].matoverride, card);
        EXPECT_EQ(Game().gbsprites[30]->Material()->LibMaterialName().substr(0, card.size()), card);
        if (k == 1) Picture(*Snapshot(), "6-enemy-spellbook");
        Click(30);
    }
    Click(0);
    EXPECT_FALSE(invmode);
    PressKey(VK_F1 + 11);
    StepFrames(1, cFrame);
    EXPECT_FALSE(btlmode);
    while (rfmode) Answer();
}

TEST_F(GamePlayerView, AnItemHeldForCraftingShowsInTheBottomRightCorner)
{
    ASSERT_TRUE(ingame && !rfmode && !btlmode) << "runs on the start map";
    items[1].count = 1;
    selitem = 1;
    craftmode = true;
    StepFrames(1, cFrame);
    const std::unique_ptr<TBitmap> frame = Snapshot();
    const TArea corner = {scrw - 64.0f, scrh - 64.0f, 128, 128};
    EXPECT_GT(Compare(*frame, *Without({Game().aitem_ui}), corner).Share, 0.5);
    EXPECT_EQ(Game().aitem_ui->Material()->LibMaterialName(), "itm_1");
    Picture(*frame, "7-held-item");
    craftmode = false;
    StepFrames(1, cFrame);
    EXPECT_FALSE(Game().aitem_ui->Visible());
}

TEST_F(GamePlayerView, TheRandomMapTellsItsWorkInTheMapEditorsCaption)
{
    TForm* editor = Game().MapEditorForm;
    ASSERT_TRUE(editor);
    std::vector<std::string> captions;
    auto& progress = Game().RandomMapProgress;
    const auto previous = progress;
    progress = [&](const std::string& text) {
        if (previous) previous(text);
        captions.push_back(editor->Caption());
    };
    Game().ClearLevel();
    Game().RandomMap();
    progress = previous;
    ASSERT_FALSE(captions.empty());
    EXPECT_EQ(captions.front(), "placing start and exit");
    EXPECT_EQ(captions.back(), "MapEd");
    EXPECT_EQ(editor->Caption(), "MapEd");
}

} // namespace
