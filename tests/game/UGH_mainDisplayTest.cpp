// The battle screen's layout over the frames of a battle, and the character screen's lines.
#include "UGH_main.h"

#include "GLBitmapFont.h"
#include "GLCoordinates.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLSkyBox.h"
#include "GLWindowsFont.h"
#include "UGH_data.h"

#include "GameDataFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

TEST(BattleScreenSteps, RatiosOverNoDivisorCountZero)
{
    EXPECT_EQ(ratio(5, 10), 0.5);
    EXPECT_EQ(ratio(5, 0), 0.0);
    EXPECT_EQ(ratio(5, -3), 0.0);
}

TEST(BattleScreenSteps, LongFramesNeverCarryABarOrACardPastItsTarget)
{
    // At 0.05 s the bar closes half the gap; a frame of 0.3 s would once have thrown it twice as far beyond.
    EXPECT_EQ(ApproachBar(100, 50, 0.05), 75.0);
    EXPECT_EQ(ApproachBar(100, 50, 0.3), 50.0);
    // A card 300 px from rest in a frame of 0.25 s (500 px of flight) stops on its rest, not 200 px beyond.
    double x = 500, y = 0;
    EXPECT_TRUE(FlyCard(x, y, 500, 0, 200, 300, 0.25));
    EXPECT_EQ(x, 200.0);
    EXPECT_EQ(y, 300.0);
    EXPECT_FALSE(FlyCard(x, y, 500, 0, 200, 300, 0.25));
}

TEST(CharacterScreenLines, ShowTheEffectiveValueWithItsDifferenceFromTheBase)
{
    struct Case {
        int32_t value, base;
        bool difference;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {13, 10, true, "Str: 13 +3"},
        {8, 10, true, "Str: 8 -2"},
        {10, 10, true, "Str: 10"},
        {13, 10, false, "Str: 13"}, // the opponent's: the value alone
    };
    for (const Case& c : cases)
        EXPECT_EQ(CharacterValueText("Str", c.value, c.base, c.difference), c.expected) << c.value << "/" << c.base;
}

// An unshown main window over a data folder of its own with the hand's card sprites and its buttons laid out: the
// first hand button centred at (300, 600), 140 x 140, so that the monster picture's side is 600 - 70 - 30 = 500.
class Display : public GameDataFolder {
protected:
    void SetUp() override
    {
        GameDataFolder::SetUp();
        kept = {scrw, scrh, lastplayercard, lastmonstercard, selitem, shownenemy};
        scrw = 1024;
        scrh = 768;
        form.reset(new TForm1(nullptr));
        for (TGLHUDSprite*& card : form->handcards)
            card = TGLBaseSceneObject::CreateAsChild<TGLHUDSprite>(form->dcuifront);
        form->gbsprites[30] = TGLBaseSceneObject::CreateAsChild<TGLHUDSprite>(form->dccharscreen);
        for (int32_t i = 0; i <= 5; ++i) {
            gamebutton& button = gbuttons[10 + i];
            button.x = 200 + 100 * i;
            button.y = 600;
            button.w = 80;
            button.h = 140;
            button.visible = true;
        }
        for (int32_t i = 0; i <= 400; ++i) strarr[i] = "s" + std::to_string(i);
        lastplayercard = lastmonstercard = -1;
        opponent.name = "Rat";
        opponent.hp = opponent.hpmax = 10;
        player.hp = player.hpmax = 40;
        player.mana = player.manamax = 20;
        btlmode = true;
        form->FormResize(form.get()); // the played cards at rest
        scrw = 1024;
        scrh = 768;
    }
    void TearDown() override
    {
        form.reset();
        scrw = kept[0];
        scrh = kept[1];
        lastplayercard = kept[2];
        lastmonstercard = kept[3];
        selitem = kept[4];
        shownenemy = kept[5];
        enemycardflying = playercardflying = monsterplayed = false;
        uirefresh = false;
        clearbtlmsgs();
        GameDataFolder::TearDown();
    }
    // n frames of dt seconds each.
    void Frames(int32_t n, double dt)
    {
        for (int32_t k = 0; k < n; ++k) form->FrameBlockB3(dt);
    }

    std::unique_ptr<TForm1, TFreeDeleter> form;
    std::vector<int32_t> kept;
};

TEST_F(Display, MonsterPictureGrowsToItsSideInSideOverAThousandSecondsAndStaysThere)
{
    TGLHUDSprite* const picture = form->monster_img;
    picture->SetSize(0, 0);
    Frames(31, 1.0 / 64); // 15.625 px a frame: 484.375 after 31 frames
    EXPECT_LT(picture->Width(), 500.0f);
    Frames(1, 1.0 / 64); // 0.5 s
    EXPECT_EQ(picture->Width(), 500.0f);
    EXPECT_EQ(picture->Height(), 500.0f);
    Frames(10, 1.0 / 64);
    EXPECT_EQ(picture->Width(), 500.0f);
    EXPECT_EQ(picture->Position()->X(), 512.0f);
    EXPECT_EQ(picture->Position()->Y(), 250.0f);
    // The sign sits on the picture's bottom, the name line on its top-left corner.
    EXPECT_EQ(form->monster_sign->Position()->Y(), 470.0f);
    EXPECT_EQ(form->monster_name->Position()->X(), 262.0f);
    EXPECT_EQ(form->monster_name->Position()->Y(), 0.0f);
    EXPECT_EQ(form->monster_name->Text(), "Rat (0) - s91 (s48: 10/10)");
    EXPECT_EQ(form->player_hp->Text(), "s48:40/40");
    EXPECT_EQ(form->player_mp->Text(), "s49:20/20");
    EXPECT_EQ(form->player_hp->Position()->Y(), 675.0f);
}

TEST_F(Display, BarsCloseNineTenthsOfTheGapInAboutAQuarterSecondAndEmptyWithoutAMaximum)
{
    Frames(1, 0.001);
    TGLHUDSprite* const bar = form->pl_hpbar;
    const float full = form->pl_hpbar_bg->Width();
    EXPECT_EQ(full, 380.0f); // from the second card's left edge (260) to the fifth's right edge (640)
    bar->SetWidth(full);
    form->pl_mpbar->SetWidth(full);
    player.hp = 20;
    player.manamax = 0; // a mana bar over no maximum empties instead of failing
    int32_t frames = 0;
    while (bar->Width() > full * 0.55f && frames < 1000) {
        Frames(1, 0.001);
        ++frames;
    }
    EXPECT_NEAR(frames * 0.001, 0.23, 0.01);
    EXPECT_LT(form->pl_mpbar->Width(), full * 0.11f);
    // The bar keeps its left edge on its background's.
    EXPECT_FLOAT_EQ(bar->Position()->X() - bar->Width() / 2, 512.0f - full / 2);
}

TEST_F(Display, CardThrownFromAThousandPixelsArrivesInAboutFourTenthsOfASecond)
{
    scrw = 1280;
    const double restx = 1280 - 75, resty = 384;
    lastplayercard = 3;
    playercardhomex = playercardposx = restx - 1000;
    playercardhomey = playercardposy = resty + 200;
    playercardflying = true;
    // Half way along x it is half way along y: on the line from its start to its rest.
    Frames(16, 1.0 / 64); // 31.25 px a frame
    EXPECT_EQ(form->usedcard2->Position()->X(), restx - 500);
    EXPECT_EQ(form->usedcard2->Position()->Y(), resty + 100);
    int32_t frames = 16;
    while (playercardflying && frames < 100) {
        Frames(1, 1.0 / 64);
        ++frames;
    }
    EXPECT_NEAR(frames / 64.0, 0.4, 0.03);
    EXPECT_EQ(form->usedcard2->Position()->X(), restx);
    EXPECT_EQ(form->usedcard2->Position()->Y(), resty);
    EXPECT_TRUE(form->usedcard2->Visible());
    EXPECT_FALSE(form->usedcard->Visible()); // the monster has played nothing

    // The monster's card flies the other way; monsterplayed holds until it rests.
    lastmonstercard = 1;
    enemycardhomex = enemycardposx = 600;
    enemycardhomey = enemycardposy = 300;
    Frames(1, 0.1);
    EXPECT_TRUE(monsterplayed);
    EXPECT_TRUE(enemycardflying);
    Frames(2, 0.1);
    EXPECT_FALSE(monsterplayed);
    EXPECT_EQ(form->usedcard->Position()->X(), 75.0f);

    // A card off the view goes back to rest with the other at once.
    enemycardhomex = enemycardposx = -400;
    playercardposx = 700;
    Frames(1, 0.01);
    EXPECT_EQ(enemycardposx, 75.0);
    EXPECT_EQ(form->usedcard->Position()->X(), 75.0f);
    EXPECT_EQ(playercardposx, scrw - 75.0);
    Frames(1, 0.01);
    EXPECT_FALSE(enemycardflying);
    EXPECT_FALSE(playercardflying);
}

TEST_F(Display, DealtHandCardShrinksOntoItsButtonThenLeavesItToTheButton)
{
    const int32_t keptsize = cardsize;
    cardsize = 20; // a hand card's limits: 160 x 240
    TGLHUDSprite* const card = form->handcards[0];
    player.hand[0] = 7;
    card->SetSize(200, 300);
    struct Step {
        float width, height;
        bool shown;
    };
    // 20 px a frame off each dimension above its limit; one at its limit takes the button's (80 x 140).
    const std::vector<Step> steps = {{180, 280, true}, {160, 260, true}, {80, 240, true}, {80, 240, false}};
    for (const Step& step : steps) {
        Frames(1, 0.05);
        EXPECT_EQ(card->Visible(), step.shown) << step.width;
        if (!step.shown) continue;
        EXPECT_EQ(card->Width(), step.width);
        EXPECT_EQ(card->Height(), step.height);
        EXPECT_EQ(card->Position()->X(), 200.0f);
        EXPECT_EQ(card->Material()->LibMaterialName(), "card_7_0");
    }
    EXPECT_FALSE(form->handcards[1]->Visible()); // never dealt
    cardsize = keptsize;
}

TEST_F(Display, BattleScreenHidesOutsideABattleAndUnderTheCharacterScreenOrItemList)
{
    struct Case {
        bool battle, inventory, itemlist, menu;
        bool shown;
    };
    const std::vector<Case> cases = {
        {true, false, false, false, true},
        {true, true, false, false, false},
        {true, false, true, false, false},
        {false, false, false, true, false},
    };
    lastplayercard = 2;
    for (const Case& c : cases) {
        btlmode = c.battle;
        invmode = c.inventory;
        itemlistmode = c.itemlist;
        mmmode = c.menu;
        form->handcards[0]->SetSize(300, 300);
        Frames(1, 0.01);
        for (TGLBaseSceneObject* object : std::initializer_list<TGLBaseSceneObject*>{
                 form->monster_img, form->monster_name, form->player_hp, form->battle_message, form->pl_mpbar,
                 form->monster_hpbar_bg, form->trbg, form->usedcard2, form->handcards[0]})
            EXPECT_EQ(object->Visible(), c.shown) << object->Name() << " battle " << c.battle;
        EXPECT_EQ(form->dccharscreen->Visible(), c.inventory);
        EXPECT_EQ(form->dctextdummy->Visible(), c.inventory);
        EXPECT_EQ(form->dcmenu->Visible(), c.menu);
    }
}

TEST_F(Display, CharacterScreenShowsThePlayersEffectiveValuesOnlyWhenRefreshed)
{
    btlmode = false;
    invmode = true;
    player.name = "Ann";
    player.lvl = 3;
    player.bstr = 10;
    player.bspd = 10;
    player.bonuspoints = 2;
    player.xp = 5;
    player.xpreq = 90;
    perks[5].enabled = true;
    perks[5].addst = 3;
    perks[5].addagi = -2;
    player.perks[5] = true;
    items[4].name = "Axe";
    items[4].count = 2;
    selitem = 4;
    uirefresh = true;
    form->FrameBlockB4(0.01);
    EXPECT_FALSE(uirefresh);
    EXPECT_EQ(form->char_name->Text(), "Ann (s91 s95 3)");
    EXPECT_EQ(form->char_strength->Text(), "s36: 13 +3");
    EXPECT_EQ(form->char_speed->Text(), "s38: 8 -2");
    EXPECT_EQ(form->char_bp->Text(), "s44: 2");
    EXPECT_EQ(form->char_xp->Text(), "s45: 5/90");
    EXPECT_EQ(form->char_effects->Text(), ""); // outside a battle
    EXPECT_EQ(form->aitem_name->Text(), "Axe (2)");
    EXPECT_FALSE(form->mondescbg->Visible());
    // Rows 30 px apart from the background's top (40): the name on row 1, strength on row 2.
    EXPECT_EQ(form->char_name->Position()->Y(), 70.0f);
    EXPECT_EQ(form->char_strength->Position()->Y(), 100.0f);
    EXPECT_EQ(form->icons[5]->Position()->Y(), 260.0f); // row 7 + 10

    player.bonuspoints = 7; // no refresh asked: the screen stays as it was
    form->FrameBlockB4(0.01);
    EXPECT_EQ(form->char_bp->Text(), "s44: 2");
    // The sky box is put back every frame.
    form->GLSkyBox1->Position()->SetPoint(5, 5, 5);
    form->FrameBlockB4(0.01);
    EXPECT_EQ(form->GLSkyBox1->Position()->X(), 0.0f);
}

TEST_F(Display, CharacterScreenShowsTheOpponentWithItsEffectsAndDescription)
{
    invmode = true;
    showenemy = true;
    opponent.bstr = 3;
    opponent.strength = 7;
    opponent.e[0] = 2;  // type 1
    opponent.e[23] = 1; // type 24
    shownenemy = 3;
    uirefresh = true;
    form->ShowCharacterScreen();
    EXPECT_EQ(form->char_strength->Text(), "s36: 7");
    EXPECT_EQ(form->char_bp->Text(), "");
    EXPECT_EQ(form->char_xp->Text(), "");
    EXPECT_EQ(form->char_effects->Text(), "s236\r\n - s53\r\n - s386\r\n");
    EXPECT_TRUE(form->mondescbg->Visible());
    EXPECT_TRUE(form->spellbook_txt->Visible());
    EXPECT_EQ(form->char_desc->Text(), "-"); // no description written

    folder.Write("text/en/desc/monster_3.txt", "A rat.\r\nIt bites.\r\n");
    form->ShowCharacterScreen();
    EXPECT_EQ(form->char_desc->Text(), "A rat.\r\nIt bites.\r\n");
}

TEST_F(Display, CharacterScreenTextsShowTheirTooltips)
{
    const bool kept = tooltips;
    tooltips = true;
    invmode = true;
    uirefresh = true;
    form->ShowCharacterScreen();
    const TGLHUDText* const strength = form->char_strength;
    const auto x = static_cast<int32_t>(strength->Position()->X()), y = static_cast<int32_t>(strength->Position()->Y());
    form->GeneralMouseMove(x + 2, y + 2);
    EXPECT_TRUE(form->dctooltip->Visible());
    EXPECT_EQ(form->tooltiptxt->Text(), "s286");
    form->GeneralMouseMove(x + 2, y - 2); // above it
    EXPECT_FALSE(form->dctooltip->Visible());
    tooltips = kept;
}

} // namespace
