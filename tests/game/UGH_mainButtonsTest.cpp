// The game buttons: the hit test, the frame pass (visibility by screen, places, pointer look, pictures) and the
// clicks, on an unshown main window whose texts are "s<n>".
#include "UGH_main.h"

#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLWin32Viewer.h"
#include "UGH_data.h"

#include "MainWindowLevel.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <set>
#include <string>

namespace {

class Buttons : public MainWindowLevel {
protected:
    void SetUp() override
    {
        MainWindowLevel::SetUp();
        for (int32_t i = 401; i <= 420; ++i) strarr[i] = "s" + std::to_string(i);
        cardsize = 0;
        form->prepareuiobjects();
        form->definebutsets();
        hoverbut = lasthoverbut = -1;
        playercardflying = enemycardflying = false;
        frameerrors.clear();
        scrw = fullw = 1024;
        scrh = fullh = 768;
        halfw = 512;
        halfh = 384;
    }
    void TearDown() override
    {
        hoverbut = lasthoverbut = -1;
        itemlistcards = false;
        itempage = shownspell = specialcd = btlturn = stance = 0;
        fullscreen = hardcore = false;
        playercardflying = enemycardflying = keepturn = turndone = waitedturn = false;
        turnstarted.Fill(false);
        frameerrors.clear();
        MainWindowLevel::TearDown();
    }

    std::set<int32_t> Shown() const
    {
        std::set<int32_t> shown;
        for (int32_t id = 0; id <= 62; ++id) {
            EXPECT_EQ(form->gbsprites[id]->Visible(), form->gbtexts[id]->Visible()) << id;
            if (form->gbsprites[id]->Visible()) shown.insert(id);
        }
        return shown;
    }
    std::string Picture(int32_t id) const { return form->gbsprites[id]->Material()->LibMaterialName(); }
    // The pointer moved onto button id (-1: off every button), as the pointer handler leaves it.
    static void Hover(int32_t id) { hoverbut = lasthoverbut = id; }
    void SetBox(TGLHUDSprite* sprite, float x, float y, float w, float h)
    {
        sprite->Position()->SetPoint(x, y, 0);
        sprite->SetWidth(w);
        sprite->SetHeight(h);
    }
};

TEST(ButtonHitTest, EdgesAreInsideAndTheHighestOfOverlappingButtonsWins)
{
    ResetGameTables();
    const auto put = [](int32_t id, int32_t x, int32_t y, int32_t w, int32_t h, bool visible) {
        gamebutton& b = gbuttons[id];
        b.x = x;
        b.y = y;
        b.w = w;
        b.h = h;
        b.visible = visible;
    };
    put(3, 100, 100, 41, 20, true);
    put(7, 130, 100, 40, 20, true);
    put(9, 300, 300, 50, 50, false);
    const struct {
        int32_t x, y, id;
    } cases[] = {
        {79, 100, -1},  // half of 41 is 20.5: 79 lies outside
        {80, 90, 3},    // top-left corner
        {80, 110, 3},   // bottom-left corner
        {80, 111, -1},
        {110, 100, 7},  // left edge of 7 over 3
        {120, 100, 7},  // inside both
        {150, 110, 7},  // bottom-right corner of 7
        {151, 100, -1},
        {300, 300, -1}, // a hidden button is never under the pointer
    };
    for (const auto& c : cases) EXPECT_EQ(getbutundercursor(c.x, c.y), c.id) << c.x << ", " << c.y;
    ResetGameTables();
}

TEST_F(Buttons, EachScreenShowsItsButtons)
{
    const struct {
        const char *name, *map;
        bool mm, in, inv, gen, enemy;
        int32_t points;
        bool perkPanel, itemList;
        std::set<int32_t> shown;
    } cases[] = {
        // "Back to the game" (52) only with a game to go back to.
        {"main menu", "mm_map", true, false, false, false, false, 0, false, false, {20, 21, 22, 32, 36, 61}},
        {"exploring", "startmap", false, true, false, false, false, 0, false, false, {5, 6, 7, 28, 51, 54}},
        {"character screen", "startmap", false, true, true, false, false, 0, false, false, {0, 19, 29, 47}},
        {"with points", "startmap", false, true, true, false, false, 1, false, false, {0, 1, 2, 3, 4, 19, 29, 47}},
        {"the opponent shown", "startmap", false, true, true, false, true, 3, false, false, {0, 30}},
        {"a new character", "startmap", false, false, true, true, false, 0, false, false,
         {0, 19, 23, 24, 25, 26, 37}},
        {"perk panel", "startmap", false, true, true, false, false, 0, true, false, {0, 8, 9, 18, 19, 29, 47}},
        {"item list", "startmap", false, true, false, false, false, 0, false, true,
         {5, 6, 7, 28, 38, 39, 50, 51, 54}},
        {"the menu in game", "startmap", true, false, false, false, false, 0, true, true,
         {8, 9, 18, 20, 21, 22, 32, 36, 38, 39, 50, 52, 61}},
    };
    const std::string map = mapid;
    for (const auto& c : cases) {
        mapid = c.map;
        mmmode = c.mm;
        ingame = c.in;
        invmode = c.inv;
        chargen = c.gen;
        showenemy = c.enemy;
        player.bonuspoints = c.points;
        form->csperkbg->SetVisible(c.perkPanel);
        form->inventory->SetVisible(c.itemList);
        form->ProcessButtons();
        EXPECT_EQ(Shown(), c.shown) << c.name;
        EXPECT_EQ(frameerrors, "") << c.name;
    }
    mapid = map;
}

TEST_F(Buttons, PicturesFollowThePointerAndAreOnlyAssignedWhenTheirNameChanges)
{
    ingame = true;
    Hover(5);
    form->ProcessButtons();
    EXPECT_EQ(Picture(5), "search_1");
    EXPECT_EQ(Picture(6), "use_0");

    // A steady frame leaves the sprites' materials alone.
    form->gbsprites[6]->Material()->SetLibMaterialName("elsewhere");
    form->ProcessButtons();
    EXPECT_EQ(Picture(6), "elsewhere");
    Hover(6);
    form->ProcessButtons();
    EXPECT_EQ(Picture(6), "use_1");
    EXPECT_EQ(Picture(5), "search_0");

    ingame = false;
    mmmode = true;
    Hover(-1);
    form->ProcessButtons();
    EXPECT_EQ(Picture(20), "but_0");
    EXPECT_EQ(form->gbtexts[20]->Text(), "s2");
    EXPECT_EQ(form->gbtexts[20]->Alignment(), taCenter);
    EXPECT_EQ(form->gbtexts[20]->Layout(), tlCenter);
}

TEST_F(Buttons, HoverLightsAButtonAPressHoldsWhileThePointerStaysAndLeavingMakesItNormal)
{
    mmmode = true;
    Hover(21);
    form->ProcessButtons();
    EXPECT_EQ(gbuttons[21].state, 1);
    EXPECT_EQ(gbuttons[20].state, 0);
    gbuttons[21].state = 2;
    form->ProcessButtons();
    EXPECT_EQ(gbuttons[21].state, 2);
    EXPECT_EQ(Picture(21), "but_2");
    // Moved onto another button: the pointer handler has not caught up with it yet.
    hoverbut = 20;
    form->ProcessButtons();
    EXPECT_EQ(gbuttons[21].state, 0);
    EXPECT_EQ(gbuttons[20].state, 0);
    Hover(-1);
    form->ProcessButtons();
    EXPECT_EQ(gbuttons[20].state, 0);
}

TEST_F(Buttons, TheMainMenuStandsInTheMiddleUnderTheTitle)
{
    mmmode = true;
    scrw = 1025;
    scrh = 701;
    form->ProcessButtons();
    const struct {
        int32_t id, y;
    } column[] = {{20, 270}, {52, 310}, {21, 350}, {32, 390}, {36, 430}, {22, 470}};
    for (const auto& row : column) {
        EXPECT_EQ(gbuttons[row.id].x, 512) << row.id; // 512.5 rounds to even
        EXPECT_EQ(gbuttons[row.id].y, row.y) << row.id;
    }
    EXPECT_EQ(gbuttons[61].x, 80);
    EXPECT_EQ(gbuttons[61].y, 20);
    EXPECT_FLOAT_EQ(form->titlecard->Position()->X(), 512.5f);
    EXPECT_FLOAT_EQ(form->titlecard->Position()->Y(), 105);
    EXPECT_FLOAT_EQ(form->gbsprites[20]->Width(), 250);
    EXPECT_FLOAT_EQ(form->gbtexts[20]->Position()->Y(), 270);
}

TEST_F(Buttons, TheCharacterScreenOpensOnTheShownSpellbooksFirstCardAndItsCardButtonStepsOn)
{
    TScopedValue<int32_t> cards(cardcount, 20);
    opponent.spellbook.Fill(false);
    for (const int32_t id : {3, 7, 12}) opponent.spellbook[id] = true;
    player.spellbook.Fill(false);
    player.spellbook[5] = true;
    // The enemy's screen, as the battle's button opens it.
    showenemy = true;
    form->ClickGButton(31);
    ASSERT_TRUE(invmode);
    for (const int32_t expected : {3, 7, 12, 3}) {
        EXPECT_EQ(shownspell, expected);
        form->ProcessButtons();
        EXPECT_TRUE(gbuttons[30].visible);
        EXPECT_EQ(gbuttons[30].matoverride, "card_" + std::to_string(expected) + "_");
        form->ClickGButton(30);
    }
    form->OpenUI(false);
    EXPECT_FALSE(invmode || showenemy);

    // The player's own screen starts on his first card, with his attributes as they now stand.
    player.bstr = 33;
    form->OpenUI(false);
    EXPECT_EQ(shownspell, 5);
    EXPECT_EQ(player.strength, 33);
    form->OpenUI(false);
}

TEST_F(Buttons, TheCharacterScreenLaysItsButtonsOutAroundItsBackground)
{
    SetBox(form->csbackground, 400, 300, 600, 500);
    form->VAVodadViewer1->SetBounds(0, 0, 1024, 768);
    form->char_name->Position()->SetPoint(120, 80, 0);
    invmode = chargen = true;
    form->ProcessButtons();
    const struct {
        int32_t id, x, y, w, h;
    } cases[] = {
        {0, 610, 130, 150, 40}, // right edge 700 - 75 - 15
        {37, 100, 80, 25, 25},  // on the left edge, beside the name
        {23, 807, 713, 100, 100}, // the space right of the screen has its middle at 862
        {24, 917, 713, 100, 100},
        {25, 707, 683, 60, 25},
        {26, 707, 713, 60, 25},
    };
    for (const auto& c : cases) {
        const gamebutton& b = gbuttons[c.id];
        EXPECT_EQ(b.x, c.x) << c.id;
        EXPECT_EQ(b.y, c.y) << c.id;
        EXPECT_EQ(b.w, c.w) << c.id;
        EXPECT_EQ(b.h, c.h) << c.id;
    }
    EXPECT_EQ(gbuttons[0].caption, "s342");

    chargen = false;
    form->ProcessButtons();
    EXPECT_EQ(gbuttons[0].x, 645);
    EXPECT_EQ(gbuttons[0].y, 125);
    EXPECT_EQ(gbuttons[0].caption, "s0");
    // 700 - 67.5 - 20 = 612.5: halves round to even.
    EXPECT_EQ(gbuttons[29].x, 612);
    EXPECT_EQ(gbuttons[29].y, 330);
    EXPECT_EQ(gbuttons[47].y, 300);
    EXPECT_EQ(gbuttons[19].y, 360);
}

TEST_F(Buttons, ThePerkPanelAndTheItemListPlaceTheirButtonsOnTheirEdges)
{
    SetBox(form->csperkbg, 500, 400, 300, 200);
    SetBox(form->ilpanel, 364, 364, 720, 720);
    form->csperkbg->SetVisible(true);
    form->inventory->SetVisible(true);
    perkpoints = 3;
    form->ProcessButtons();
    const struct {
        int32_t id, x, y;
    } cases[] = {{8, 625, 475}, {9, 375, 475}, {18, 500, 475}, {38, 29, 699}, {39, 699, 699}, {50, 699, 29}};
    for (const auto& c : cases) {
        EXPECT_EQ(gbuttons[c.id].x, c.x) << c.id;
        EXPECT_EQ(gbuttons[c.id].y, c.y) << c.id;
    }
    EXPECT_EQ(gbuttons[18].caption, "s117");
    EXPECT_EQ(gbuttons[19].caption, "s174 (3)");
}

TEST_F(Buttons, TheBattleLaysTheHandOutFromTheMiddleAndShowsTheEscapeChance)
{
    btlmode = true;
    SetBox(form->monster_img, 512, 300, 200, 300);
    const int32_t handX[] = {102, 262, 432, 592, 762, 922};
    player.speed = 30;
    opponent.speed = 10;
    form->ProcessButtons();
    for (int32_t k = 0; k < 6; ++k) {
        EXPECT_EQ(gbuttons[10 + k].x, handX[k]) << k;
        EXPECT_EQ(gbuttons[10 + k].y, 768 - 220 - 10) << k;
        EXPECT_TRUE(form->gbsprites[10 + k]->Visible()) << k;
    }
    EXPECT_EQ(gbuttons[59].x, 372);
    EXPECT_EQ(gbuttons[60].x, 572);
    EXPECT_EQ(gbuttons[16].x, 922);
    EXPECT_EQ(gbuttons[16].y, 538 + 110 + 5 + 15);
    EXPECT_EQ(gbuttons[16].caption, "s62"); // slower than 35
    EXPECT_EQ(gbuttons[31].y, gbuttons[16].y + 35);
    EXPECT_EQ(gbuttons[17].x, 922 - 125);
    EXPECT_EQ(gbuttons[62].x, 922 - 250);
    EXPECT_FALSE(form->gbsprites[53]->Visible());

    const struct {
        int32_t mine, theirs, slowed, figure;
    } escapes[] = {{30, 10, 0, 50}, {30, 10, 1, 25}, {10, 30, 0, 0}, {0, 0, 0, 0}, {100, -100, 0, 0},
                   {50, 0, 0, 100}, {INT32_MAX, 1, 0, 100}, {INT32_MAX, INT32_MAX, 0, 0}};
    for (const auto& c : escapes) {
        player.speed = c.mine;
        opponent.speed = c.theirs;
        player.e[22] = c.slowed;
        form->ProcessButtons();
        EXPECT_EQ(gbuttons[17].caption, "s127 (" + std::to_string(c.figure) + "%)") << c.mine << " " << c.theirs;
    }
    EXPECT_EQ(gbuttons[16].caption, "s206");

    invmode = true;
    form->ProcessButtons();
    EXPECT_FALSE(form->gbsprites[10]->Visible());
    EXPECT_FALSE(form->gbsprites[17]->Visible());
}

TEST_F(Buttons, WhileACardFliesOnlyTheEscapeStanceAndEnemyButtonsShowAndTheSpecialCardNeedsItsPerk)
{
    btlmode = true;
    player.speed = 40;
    const std::set<int32_t> battle = {10, 11, 12, 13, 14, 15, 16, 17, 31, 59, 60, 62};
    form->ProcessButtons();
    EXPECT_EQ(Shown(), battle);
    EXPECT_EQ(gbuttons[16].caption, "s206");
    waitedturn = true;
    form->ProcessButtons();
    EXPECT_EQ(gbuttons[16].caption, "s62") << "the redraw is spent";
    EXPECT_EQ(gbuttons[16].tooltip, "s299");

    for (bool* flying : {&playercardflying, &enemycardflying}) {
        *flying = true;
        form->ProcessButtons();
        EXPECT_EQ(Shown(), (std::set<int32_t>{17, 31, 62}));
        *flying = false;
    }

    perks[9].addcoded = 18;
    player.perks[9] = true;
    form->ProcessButtons();
    std::set<int32_t> withSpecial = battle;
    withSpecial.insert(53);
    EXPECT_EQ(Shown(), withSpecial);
    EXPECT_EQ(gbuttons[53].x, gbuttons[10].x);
}

TEST_F(Buttons, BattleButtonsActOnlyInThePlayersStartedTurn)
{
    btlmode = true;
    cards[0].consumes = -1;
    btlslots[0].name = "a";
    btlslots[3].name = "b";
    btlslots[0].hp = btlslots[3].hp = 10;
    opponent = btlslots[0];
    player.luc = -1;

    // Before the turn's start nothing acts.
    for (const int32_t id : {12, 53, 16, 17, 60}) form->ClickGButton(id);
    EXPECT_EQ(btlturn, 0);
    EXPECT_EQ(btltarget, 0);
    EXPECT_EQ(player.luc, -1);
    EXPECT_FALSE(rfqueue[1].active);

    struct Case {
        int32_t id;
        int32_t luc; // the hand slot played, -1 none
        const char* title; // the request told, nullptr none
    };
    // Speed 0 escapes nothing: the attempt is told and passes the turn as a play does.
    for (const Case& c : {Case{12, 2, nullptr}, Case{16, -1, nullptr}, Case{17, -1, "s248"}}) {
        SCOPED_TRACE(c.id);
        rfqueue.Clear();
        btlturn = 0;
        turnstarted[0] = true;
        player.luc = -1;
        form->ClickGButton(c.id);
        EXPECT_EQ(btlturn, 1);
        EXPECT_EQ(player.luc, c.luc);
        EXPECT_EQ(rfqueue[1].active ? rfqueue[1].ttl_text : std::string(), std::string(c.title ? c.title : ""));
    }

    // The arrows switch the target past the free slots; the stance only before the player has acted.
    btlturn = 0;
    form->ClickGButton(60);
    EXPECT_EQ(btltarget, 3);
    form->ClickGButton(59);
    EXPECT_EQ(btltarget, 0);
    btlturn = 0;
    turndone = true;
    form->ClickGButton(62);
    EXPECT_EQ(stance, 0);
    turndone = false;
    form->ClickGButton(62);
    EXPECT_EQ(stance, 1);
    btltarget = 0;
}

TEST_F(Buttons, AFailingSectionNamesItselfAndThePassGoesOn)
{
    invmode = true;
    shownspell = 5000;
    form->ProcessButtons();
    EXPECT_NE(frameerrors.find(" blocked? "), std::string::npos) << frameerrors;
    EXPECT_TRUE(form->gbsprites[0]->Visible());
    EXPECT_TRUE(form->gbsprites[29]->Visible());
}

TEST_F(Buttons, WhileARequestShowsOnlyItsButtonsAct)
{
    rfmode = true;
    rfcase = 1;
    ingame = true;
    player.bonuspoints = 1;
    for (int32_t id : {1, 7, 20, 28, 37, 51, 54}) {
        gbuttons[id].state = 2;
        form->ClickGButton(id);
        EXPECT_EQ(gbuttons[id].state, 0) << id;
    }
    EXPECT_EQ(player.bonuspoints, 1);
    EXPECT_FALSE(invmode);
    EXPECT_FALSE(mmmode);
    EXPECT_FALSE(rfqueue[1].active);
    EXPECT_TRUE(rfmode);
    form->ClickGButton(48);
    EXPECT_FALSE(rfmode);
}

TEST_F(Buttons, APressReleasedOverAnotherButtonClicksThatOne)
{
    invmode = chargen = true;
    SetBox(form->csbackground, 400, 300, 600, 500);
    form->VAVodadViewer1->SetBounds(0, 0, 1024, 768);
    bodypartcounts[5] = bodypartcounts[3] = 3; // hair and heads of sex 0
    form->ProcessButtons();
    form->GeneralMouseMove(gbuttons[25].x, gbuttons[25].y);
    form->GeneralMouseDown(gbuttons[25].x, gbuttons[25].y, 0);
    EXPECT_EQ(gbuttons[25].state, 2);
    form->GeneralMouseMove(gbuttons[26].x, gbuttons[26].y);
    form->ProcessButtons();
    form->GeneralMouseUp(gbuttons[26].x, gbuttons[26].y, mbLeft);
    EXPECT_EQ(player.face, 1);
    EXPECT_EQ(player.hair, 0);
    EXPECT_EQ(gbuttons[25].state, 0);
}

// A request shown or answered under a pointer that has not moved: the click acts on what lies under it now.
TEST_F(Buttons, AClickTakesTheButtonUnderItAfterARequestCameOrWent)
{
    btlmode = true;
    SetBox(form->monster_img, 512, 300, 200, 300);
    SetBox(form->reqform, 512, 384, 400, 200);
    opponent.hp = 5;
    lastplayercard = -1;
    rfmode = true;
    rfcase = 1;
    form->ProcessButtons();
    const int32_t x = gbuttons[48].x, y = gbuttons[48].y;
    rfmode = false;
    form->ProcessButtons();
    ASSERT_EQ(getbutundercursor(x, y), 13) << "the OK button lies over the fourth hand card";
    form->GeneralMouseMove(x, y);

    rfmode = true;
    form->ProcessButtons();
    form->GeneralMouseDown(x, y, 0);
    form->GeneralMouseUp(x, y, mbLeft);
    EXPECT_FALSE(rfmode) << "OK answered";
    EXPECT_EQ(lastplayercard, -1) << "and no card played";

    // The request gone, the same still pointer presses the card.
    form->ProcessButtons();
    form->GeneralMouseDown(x, y, 0);
    EXPECT_EQ(hoverbut, 13);
    EXPECT_EQ(gbuttons[13].state, 2);
}

TEST_F(Buttons, HairAndFaceWrapAfterTheLastPictureOfTheSex)
{
    bodypartcounts[5] = 2; // hair of sex 0
    bodypartcounts[3] = 3; // heads of sex 0
    bodypartcounts[4] = 1; // hair of sex 1
    bodypartcounts[2] = 0; // heads of sex 1
    const struct {
        int32_t sexButton, button;
        std::initializer_list<int32_t> after;
    } cases[] = {
        {23, 25, {1, 0, 1}}, {23, 26, {1, 2, 0, 1}}, {24, 25, {0, 0}}, {24, 26, {0, 0}},
    };
    for (const auto& c : cases) {
        player.hair = player.face = player.cloth = 4;
        form->ClickGButton(c.sexButton);
        EXPECT_EQ(player.sex, c.sexButton - 23);
        EXPECT_EQ(player.hair + player.face + player.cloth, 0);
        for (int32_t expected : c.after) {
            form->ClickGButton(c.button);
            EXPECT_EQ(c.button == 25 ? player.hair : player.face, expected) << c.sexButton << " " << c.button;
        }
    }
}

TEST_F(Buttons, TheSpecialCardWaitsLessTheWiserThePlayerAndACardOnTheDeadIsRefused)
{
    opponent.hp = 10;
    cards[0].consumes = -1;
    player.hand[6] = 0;
    turnstarted[0] = true;
    const struct {
        int32_t intelligence, cooldown;
    } cases[] = {{50, 4}, {150, 2}, {250, 2}, {349, 1}, {350, 1}};
    for (const auto& c : cases) {
        specialcd = btlturn = 0;
        player.intelligence = c.intelligence;
        form->ClickGButton(53);
        EXPECT_EQ(specialcd, c.cooldown) << c.intelligence;
        EXPECT_EQ(btlturn, 1) << "the card is played and the turn passes";
    }
    EXPECT_EQ(player.luc, 6);
    btlturn = 0;
    EXPECT_FALSE(rfqueue[1].active);
    form->ClickGButton(53);
    EXPECT_EQ(rfqueue[1].ttl_text, "s370");
    EXPECT_EQ(rfqueue[1].main_text, "s371 1");

    opponent.hp = 0;
    form->ClickGButton(12);
    form->ClickGButton(53);
    for (int32_t slot : {2, 3}) {
        EXPECT_EQ(rfqueue[slot].ttl_text, "s401");
        EXPECT_EQ(rfqueue[slot].main_text, "s402");
    }
    EXPECT_EQ(specialcd, 1);
}

TEST_F(Buttons, TheCharacterScreenSpendsPointsAndOpensAndPagesTheItemList)
{
    player.bonuspoints = 2;
    form->ClickGButton(3);
    form->ClickGButton(1);
    form->ClickGButton(4);
    EXPECT_EQ(player.bonuspoints, 0);
    EXPECT_EQ(player.bspd, 1);
    EXPECT_EQ(player.bstr, 1);
    EXPECT_EQ(player.bend, 0);

    invmode = true;
    form->ClickGButton(47);
    EXPECT_TRUE(itemlistcards);
    EXPECT_TRUE(itemlistmode);
    EXPECT_FALSE(invmode);
    for (const auto& [button, page] : {std::pair{38, 9}, std::pair{38, 8}, std::pair{39, 9}, std::pair{39, 0}}) {
        form->ClickGButton(button);
        EXPECT_EQ(itempage, page);
    }
    form->ClickGButton(50);
    EXPECT_FALSE(itemlistmode);
    EXPECT_TRUE(invmode);
    form->ClickGButton(29);
    EXPECT_FALSE(itemlistcards);
    EXPECT_TRUE(itemlistmode);
}

TEST_F(Buttons, MenuAndExplorationClicksReachTheirScreens)
{
    mmmode = true;
    form->ClickGButton(20);
    EXPECT_TRUE(chargen);
    EXPECT_TRUE(invmode);
    EXPECT_EQ(rfqueue[1].fcase, 0); // the name entry
    EXPECT_EQ(rfqueue[1].ttl_text, "s89");

    rfqueue.Clear();
    mmmode = invmode = chargen = false;
    ingame = true;
    mapid = "map_1";
    fullscreen = true;
    form->ClickGButton(7);
    EXPECT_TRUE(invmode);
    form->ClickGButton(7);
    EXPECT_FALSE(invmode);
    form->ClickGButton(51);
    EXPECT_TRUE(mmmode);
    form->ClickGButton(22);
    EXPECT_EQ(rfqueue[1].fcase, 30);
    EXPECT_EQ(rfqueue[1].main_text, "s345");
    hardcore = true;
    form->ClickGButton(28);
    EXPECT_EQ(rfqueue[2].ttl_text, "s305");
    EXPECT_EQ(rfqueue[2].main_text, "s306");
}

} // namespace
