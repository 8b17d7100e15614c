// Keys, the pointer, the tooltip and the basic HUD on an unshown main window over a small level of its own.
#include "UGH_main.h"

#include "Dialogs.h"
#include "GLBitmapFont.h"
#include "GLCoordinates.h"
#include "GLHUDObjects.h"
#include "GLObjects.h"
#include "RandomGenerator.h"
#include "SysUtils.h"
#include "UGH_data.h"
#include "VirtualKeys.h"

#include "MainWindowLevel.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <initializer_list>
#include <string>

namespace {

// Ten pixels a byte: the widest line is easy to tell by its width.
int32_t TenPerByte(std::string_view line)
{
    return static_cast<int32_t>(line.size()) * 10;
}

TEST(TooltipWrap, LinesBreakAfterSixtyCharactersOrFromTheFortiethAfterPunctuation)
{
    const std::string sixty(60, 'x'), sixtyOne(61, 'x');
    const std::string at42 = std::string(42, 'a') + " " + "bb";
    const std::string cyrillic61 = [] {
        std::string text;
        for (int i = 0; i < 61; ++i) text += "\u0436";
        return text;
    }();
    struct TCase {
        std::string text, wrapped;
        int32_t lines, width;
    };
    const TCase cases[] = {
        {sixty, sixty, 0, 630},
        {sixtyOne, sixtyOne + "\r\n", 1, 640},
        {sixtyOne + "y", sixtyOne + "\r\ny", 1, 640},
        {at42, std::string(42, 'a') + " \r\nbb", 1, 460},
        // Punctuation before the 40th character does not break; at the 40th it does.
        {std::string(38, 'a') + ".b", std::string(38, 'a') + ".b", 0, 430},
        {std::string(39, 'a') + ";b", std::string(39, 'a') + ";\r\nb", 1, 430},
        // A break of the text counts two lines; breaks at a line's start are dropped; CR LF is one break.
        {"ab\ncd", "ab\r\ncd", 2, 200},
        {"\n\r\nab\r\ncd\n", "ab\r\ncd\r\n", 4, 200},
        {"", "", 0, 200},
        // Characters, not bytes, are counted: 61 two-byte letters break after the 61st.
        {cyrillic61, cyrillic61 + "\r\n", 1, 1250},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.text);
        const TTooltipLayout layout = WrapTooltip(c.text, TenPerByte, 10);
        EXPECT_EQ(layout.Text, c.wrapped);
        EXPECT_EQ(layout.Lines, c.lines);
        EXPECT_EQ(layout.Width, c.width);
        EXPECT_EQ(layout.Height, 10 * (c.lines + 1) + 40);
    }
}

TEST(HUDFigures, PointTestsAreStrictAndTheDangerFigureAndExperienceBarStayInRange)
{
    struct TPoint {
        int32_t x, y;
        bool corner, inside;
    };
    // The rectangle 10 x 6 from (100, 200), or about (100, 200).
    const TPoint points[] = {
        {105, 203, true, true},  {100, 203, true, false}, {110, 203, true, false}, {105, 206, true, false},
        {104, 201, false, true}, {95, 200, false, false}, {105, 200, false, false}, {100, 197, false, false},
    };
    for (const TPoint& p : points)
        EXPECT_EQ(inrect(p.x, p.y, 100, 200, 10, 6, p.corner), p.inside) << p.x << "," << p.y << " " << p.corner;

    struct TDanger {
        double stepscale;
        int32_t difficulty, figure;
    };
    const TDanger dangers[] = {
        {2.0, 0, 200}, {2.0, 5, 249}, {2.0, -3, 200}, {3.5, 0, 200}, {0, 5, 0}, {1.0, 0, 100}, {2.0, 1000, INT_MAX},
    };
    for (const TDanger& d : dangers)
        EXPECT_EQ(DangerFigure(d.stepscale, d.difficulty), d.figure) << d.stepscale << " " << d.difficulty;

    EXPECT_EQ(XPBarWidth(0, 100), 0);
    EXPECT_EQ(XPBarWidth(100, 100), 200);
    EXPECT_EQ(XPBarWidth(50, 0), 0);
    EXPECT_EQ(XPBarWidth(50, -4), 0);
}

// A 10 x 10 level, the player on (5, 5) facing +x in a 1024 x 768 view, exploring.
class Input : public MainWindowLevel {
protected:
    void SetUp() override
    {
        MainWindowLevel::SetUp();
        OpenLevel(9, 9);
        levelbusy = false;
        PlaceAt(5, 5);
        scrw = 1024;
        scrh = 768;
        mapid = "map_0";
        ingame = true;
        lasttooltip.clear();
        hoverbut = lasthoverbut = -1;
        ttlast = -1;
    }

    void KeyUp(uint16_t key, TShiftState shift = {})
    {
        form->FormKeyUp(nullptr, key, shift);
    }
    void Press(char16_t key)
    {
        form->FormKeyPress(nullptr, key);
    }
    // The tooltip box's edges: left, top, right, bottom.
    std::array<float, 4> Box() const
    {
        const TGLHUDSprite* box = form->tooltipbg;
        const float x = box->Position()->X(), y = box->Position()->Y();
        return {x - box->Width() / 2, y - box->Height() / 2, x + box->Width() / 2, y + box->Height() / 2};
    }

    TScopedValue<int32_t> savedMovespeed{movespeed, 400};
    TScopedValue<bool> savedTooltips{tooltips, true};
    TScopedValue<int32_t> savedDifficulty{difficulty, 0};
    TScopedValue<bool> savedMinimap{minimapon, true};
};

TEST_F(Input, EscTogglesTheMenuExceptOnTheMenusLevelInABattleOrOnARequestForm)
{
    struct TCase {
        const char* map;
        bool menu, battle, request;
        bool menuAfter, ingameAfter;
    };
    const TCase cases[] = {
        {"map_0", false, false, false, true, false}, {"map_0", true, false, false, false, true},
        {"mm_map", true, false, false, true, false}, {"map_0", false, true, false, false, true},
        {"map_0", false, false, true, false, true},  {"map_0", true, true, false, true, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.map << " menu " << c.menu << " battle " << c.battle << " request "
                                        << c.request);
        mapid = c.map;
        mmmode = c.menu;
        ingame = !c.menu || c.battle;
        btlmode = c.battle;
        rfmode = c.request;
        invmode = itemlistmode = true;
        KeyUp(VK_ESCAPE);
        EXPECT_EQ(mmmode, c.menuAfter);
        EXPECT_EQ(ingame, c.ingameAfter);
        // Opening the menu closes the character screen and the item list.
        EXPECT_EQ(invmode, !(c.menuAfter && !c.menu));
    }
}

TEST_F(Input, KeyUpRowsActByTheirConditionsAndEveryKeyUpDrawsOnce)
{
    // Tab opens and closes the character screen, not with Shift, in the menu or while a character is made.
    KeyUp(VK_TAB);
    EXPECT_TRUE(invmode);
    showenemy = true;
    KeyUp(VK_TAB);
    EXPECT_FALSE(invmode);
    EXPECT_FALSE(showenemy);
    KeyUp(VK_TAB, {ssShift});
    EXPECT_FALSE(invmode);
    for (bool* mode : {&mmmode, &chargen}) {
        *mode = true;
        KeyUp(VK_TAB);
        EXPECT_FALSE(invmode);
        *mode = false;
    }

    // F12 leaves a battle at once; outside one it does nothing.
    opponent.hp = 30;
    KeyUp(VK_F1 + 11);
    EXPECT_EQ(opponent.hp, 30);
    btlmode = true;
    battlelist[3] = 7;
    btlslots[2].name = "rat";
    KeyUp(VK_F1 + 11);
    EXPECT_FALSE(btlmode);
    EXPECT_EQ(opponent.hp, -10);
    EXPECT_EQ(battlelist[3], -2);
    EXPECT_EQ(btlslots[2].name, "nil");
    EXPECT_EQ(btlslots[2].blind, -1);

    // The arrows change the target only once the player's turn has started; F7 queues a random monster.
    btlmode = true;
    btlturn = 0;
    btlslots[0].name = btlslots[1].name = "rat";
    btlslots[0].hp = btlslots[1].hp = 5;
    btlslots[0].blind = 0;
    btlslots[1].blind = 1;
    btltarget = 0;
    turnstarted[0] = false;
    KeyUp(VK_RIGHT);
    EXPECT_EQ(btltarget, 0);
    turnstarted[0] = true;
    KeyUp(VK_RIGHT);
    EXPECT_EQ(btltarget, 1);
    KeyUp(VK_LEFT);
    EXPECT_EQ(btltarget, 0);
    clearbattlelist();
    clearbtlslots();
    btlmode = false;
    monstercount = 2;
    monsters[0].name = "rat";
    monsters[0].lvl = 1;
    monsters[0].boss = false;
    mapmonsters[0] = true;
    KeyUp(VK_F1 + 6);
    EXPECT_EQ(battlelist[0], 0);
    clearbattlelist();

    // The numeric pad moves the editor's top view only while it is on.
    topcamh = 300;
    KeyUp(VK_NUMPAD0 + 8);
    EXPECT_EQ(topcamh, 300);
    editview = true;
    for (const auto& [key, height] : {std::pair{8, 310}, std::pair{8, 320}, std::pair{2, 310}, std::pair{5, 300}}) {
        KeyUp(static_cast<uint16_t>(VK_NUMPAD0 + key));
        EXPECT_EQ(topcamh, height) << key;
    }
    editview = false;

    // F9 switches the shadows.
    const bool wereShadows = shadows;
    KeyUp(VK_F1 + 8);
    EXPECT_NE(shadows, wereShadows);
    KeyUp(VK_F1 + 8);
    EXPECT_EQ(shadows, wereShadows);

    // F10 lists the set modes in their fixed order.
    std::string listed;
    SetMessageBoxHook([&listed](const TMessageBoxRequest& request) {
        listed = request.Text;
        return mrOk;
    });
    chargen = showenemy = invmode = true;
    KeyUp(VK_F1 + 9);
    SetMessageBoxHook({});
    EXPECT_EQ(listed, "invmode showenemy chargen ");

    // Each key up, acting or not, takes one step of the sequence and asks for the screens' refresh.
    for (uint16_t key : {uint16_t{VK_F1 + 2}, uint16_t{'Q'}}) {
        difficulty = 3;
        encsteps = 500;
        SetRandSeed(11);
        Random(1);
        const uint32_t next = RandSeed();
        SetRandSeed(11);
        uirefresh = false;
        KeyUp(key);
        EXPECT_EQ(RandSeed(), next);
        EXPECT_TRUE(uirefresh);
    }
}

TEST_F(Input, TheNameEntryTakesEveryCharacterAndBackspaceEmptiesIt)
{
    form->ShowRequestForm("", "", 0, 0, 0, "");
    form->DisplayRequestForm();
    rftext.clear();
    for (char16_t key : {u'A', u'n', u'n', u'\u0436', u'\t', u'w'}) Press(key);
    EXPECT_EQ(rftext, "Ann\u0436\tw");
    EXPECT_EQ(playerx, 5) << "typing does not walk";
    KeyUp(VK_BACK);
    EXPECT_EQ(rftext, "");

    // Another form takes no typing and keeps its text on Backspace.
    rfcase = 1;
    rftext = "x";
    Press(u'a');
    KeyUp(VK_BACK);
    EXPECT_EQ(rftext, "x");
}

TEST_F(Input, TheJournalAndMapKeysActInBothLayouts)
{
    for (char16_t key : {u'J', u'j', u'\u041E', u'\u043E'}) {
        for (rqftp& request : rfqueue) request.active = false;
        Press(key);
        EXPECT_TRUE(rfqueue[1].active && rfqueue[1].fcase == 44) << static_cast<int>(key);
    }
    for (rqftp& request : rfqueue) request.active = false;
    for (char16_t key : {u'M', u'm', u'\u042C', u'\u044C'}) {
        const bool before = minimapon;
        Press(key);
        EXPECT_NE(minimapon, before) << static_cast<int>(key);
    }
    rfmode = true;
    rfcase = 1;
    Press(u'm');
    EXPECT_TRUE(minimapon);
}

TEST_F(Input, ARightClickStepsForwardALeftOneDoesNotAndNeitherUnderAMode)
{
    struct TCase {
        int32_t button;
        bool* mode;
        int32_t x;
    };
    const TCase cases[] = {{1, nullptr, 6}, {0, nullptr, 5}, {1, &mmmode, 5}, {1, &rfmode, 5}, {1, &btlmode, 5}};
    for (const TCase& c : cases) {
        PlaceAt(5, 5);
        if (c.mode) *c.mode = true;
        form->GeneralMouseDown(100, 100, c.button);
        EXPECT_TRUE(mouseheld);
        EXPECT_EQ(playerx, c.x) << c.button;
        if (c.mode) *c.mode = false;
        form->VAVodadViewer1MouseLeave(nullptr);
        EXPECT_FALSE(mouseheld);
    }
}

TEST_F(Input, ADoubleClickActsOnTheCellInFrontOnlyWithoutAMode)
{
    levelgrid[6][5] = lcell{};
    levelgrid[6][5].door = true;
    invmode = true;
    form->VAVodadViewer1DblClick(nullptr);
    EXPECT_FALSE(levelgrid[6][5].passable);
    invmode = false;
    form->VAVodadViewer1DblClick(nullptr);
    EXPECT_TRUE(levelgrid[6][5].passable);
}

TEST_F(Input, ThePointerPressesTheButtonUnderItAndShowsItsTooltip)
{
    gbuttons[7].visible = true;
    gbuttons[7].x = 300;
    gbuttons[7].y = 300;
    gbuttons[7].w = 100;
    gbuttons[7].h = 40;
    gbuttons[7].tooltip = "Seven";
    form->GeneralMouseMove(310, 310);
    EXPECT_EQ(hoverbut, 7);
    EXPECT_EQ(lasthoverbut, 7);
    EXPECT_EQ(curmx, 310);
    EXPECT_EQ(curmy, 310);
    EXPECT_TRUE(form->dctooltip->Visible());
    EXPECT_EQ(form->tooltiptxt->Text(), "Seven");
    form->GeneralMouseDown(310, 310, 0);
    EXPECT_EQ(gbuttons[7].state, 2);

    form->GeneralMouseMove(10, 700);
    EXPECT_EQ(hoverbut, -1);
    EXPECT_EQ(prevmx, 310);
    EXPECT_EQ(prevmy, 310);
    EXPECT_FALSE(form->dctooltip->Visible());
    EXPECT_EQ(lasttooltip, "");

    // On the character screen the tooltip areas show theirs, strictly inside; the areas end at the table's end.
    invmode = true;
    ttareas[100] = tooltiparea{50, 50, 80, 80, "Area"};
    ttlast = 1000;
    form->GeneralMouseMove(50, 60);
    EXPECT_FALSE(form->dctooltip->Visible());
    form->GeneralMouseMove(51, 60);
    EXPECT_TRUE(form->dctooltip->Visible());
    EXPECT_EQ(form->tooltiptxt->Text(), "Area");
}

TEST_F(Input, TheTooltipOpensBelowRightAndFlipsAtTheEdgesAndTheSameTextStays)
{
    const std::string text = "A tooltip";
    form->handletooltip(100, 100, text, true);
    ASSERT_TRUE(form->dctooltip->Visible());
    const std::array<float, 4> box = Box();
    EXPECT_EQ(box[0], 100);
    EXPECT_EQ(box[1], 100);
    EXPECT_EQ(form->tooltipbg->Width(), 200);
    // Font 2 is 10 points: one line gives 10 + 40.
    EXPECT_EQ(form->tooltipbg->Height(), 50);
    EXPECT_EQ(form->tooltiptxt->Position()->X(), 115);
    EXPECT_EQ(form->tooltiptxt->Position()->Y(), 115);

    // The same text leaves the box where it is.
    form->handletooltip(500, 500, text, true);
    EXPECT_EQ(Box(), box);

    // Near the right and the bottom edge it opens to the left and upward.
    form->handletooltip(900, 740, "Another", true);
    const std::array<float, 4> flipped = Box();
    EXPECT_EQ(flipped[2], 900);
    EXPECT_EQ(flipped[3], 740);
    EXPECT_EQ(form->tooltiptxt->Position()->X(), 715);

    // A different text not to be shown hides the box; with tooltips off nothing shows.
    form->handletooltip(0, 0, "-", false);
    EXPECT_FALSE(form->dctooltip->Visible());
    tooltips = false;
    form->handletooltip(100, 100, "Third", true);
    EXPECT_FALSE(form->dctooltip->Visible());
}

TEST_F(Input, TheBasicHUDShowsKeysFiguresAndTheExperienceBarByMode)
{
    keys1 = 2;
    keys2 = 3;
    stepscale = 2.0;
    difficulty = 5;
    player.hpmax = 40;
    player.manamax = 12;
    player.xp = 0;
    player.xpreq = 100;
    form->ProcessBasicHUD();
    EXPECT_EQ(form->key_silver_no->Text(), "2");
    EXPECT_EQ(form->key_gold_no->Text(), "3");
    EXPECT_EQ(form->monster_ico_no->Text(), "249");
    EXPECT_EQ(form->PL_HPMP->Text(), "s48: 40 s49: 12");
    EXPECT_EQ(form->key_gold_no->Position()->X(), 974);
    EXPECT_EQ(form->PL_HPMP->Position()->Y(), 748);
    for (TGLBaseSceneObject* object : std::initializer_list<TGLBaseSceneObject*>{
             form->key_gold, form->monster_ico_no, form->corner_tl, form->corner_bl, form->xpbar_bg})
        EXPECT_TRUE(object->Visible()) << object->Name();
    EXPECT_EQ(form->xpbar->Width(), 0);

    player.xp = 100;
    form->ProcessBasicHUD();
    EXPECT_EQ(form->xpbar->Width(), 200);
    EXPECT_EQ(form->xpbar->Position()->X() - form->xpbar->Width() / 2, 412) << "left edge on the background's";

    // The character screen hides the danger figure, the top-left corner, the bottom-left one and the bar.
    invmode = true;
    form->ProcessBasicHUD();
    for (TGLBaseSceneObject* object : std::initializer_list<TGLBaseSceneObject*>{
             form->monster_ico_no, form->corner_tl, form->corner_bl, form->xpbar_bg, form->xpbar})
        EXPECT_FALSE(object->Visible()) << object->Name();
    EXPECT_TRUE(form->key_gold->Visible());

    // The menu hides it all.
    invmode = false;
    mmmode = true;
    form->ProcessBasicHUD();
    for (TGLBaseSceneObject* object : std::initializer_list<TGLBaseSceneObject*>{
             form->key_gold, form->key_silver_no, form->PL_HPMP, form->corner_tr, form->xpbar})
        EXPECT_FALSE(object->Visible()) << object->Name();
}

} // namespace
