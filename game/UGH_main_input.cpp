// The keyboard and the pointer: the window previews every key and turns it into a game action through three
// tables, one per key event; the viewer's pointer events hover, press and click the game buttons, step forward
// and show the tooltips. Each key handler draws its random number before it looks at the key, so that the random
// sequence does not depend on which key was pressed.
#include "UGH_main.h"

#include "Dialogs.h"
#include "GLBitmapFont.h"
#include "GLHUDObjects.h"
#include "GLShadowVolume.h"
#include "GLWin32Viewer.h"
#include "RandomGenerator.h"
#include "SysUtils.h"
#include "TextEncoding.h"
#include "UGH_data.h"
#include "UGH_hudwrites.h"
#include "VirtualKeys.h"

#include <algorithm>
#include <span>
#include <string_view>

int32_t curmy = 0, prevmy = 0;

namespace {

// A key-down or key-up row: the key, when it acts (none: always) and what it does; r is the handler's draw.
struct TKeyRow {
    uint16_t Key;
    bool (*Condition)(TShiftState Shift);
    void (*Action)(TForm1& form, int32_t r);
};

// A key-press row: the characters that act alike (a letter in both cases and the Cyrillic letters of the same
// physical key) and what they do while no request form is shown.
struct TCharRow {
    std::u16string_view Characters;
    void (*Action)(TForm1& form, int32_t r);
};

bool Always(TShiftState) { return true; }
bool NoModeSet(TShiftState) { return TForm1::CheckMoveConds(); }
bool RequestShown(TShiftState) { return rfmode; }
bool NameEntry(TShiftState) { return rfmode && rfcase == 0; }
bool InBattle(TShiftState) { return btlmode; }
bool InPlayersTurn(TShiftState) { return btlmode && PlayersTurn(); }
bool EditView(TShiftState) { return editview; }
bool CharacterScreenAllowed(TShiftState Shift) { return !Shift.Contains(ssShift) && !mmmode && !chargen; }

void StepForward(TForm1& form, int32_t r)
{
    if (TForm1::CheckMoveConds()) form.MovePlayer(lookdirx, lookdiry, r);
}
void StepBack(TForm1& form, int32_t r)
{
    if (TForm1::CheckMoveConds()) form.MovePlayer(-lookdirx, -lookdiry, r);
}
void TurnRight(TForm1& form, int32_t) { form.PlayerTurnC(1); }
void TurnLeft(TForm1& form, int32_t) { form.PlayerTurnC(-1); }

// The battle is left at once: the opponent counts as beaten and no fighter stays queued or in a slot.
void LeaveBattle(TForm1&, int32_t)
{
    opponent.hp = -10;
    battlelist.Fill(-2);
    for (character& slot : btlslots) {
        slot.name = "nil";
        slot.blind = -1;
    }
    btlmode = false;
}

void SwitchShadows(TForm1& form, int32_t)
{
    shadows = !shadows;
    if (shadows) form.FormOccluderArr();
    form.shadowz->SetActive(shadows);
}

// The mode flags that are set, for the debugging box.
void ShowModes(TForm1&, int32_t)
{
    const std::pair<const bool*, const char*> flags[] = {{&invmode, "invmode "},   {&itemlistmode, "itemlistmode "},
                                                         {&mmmode, "mmmode "},     {&btlmode, "btlmode "},
                                                         {&showenemy, "showenemy "}, {&chargen, "chargen "}};
    TMessageBoxRequest request;
    request.Caption = Application ? Application->Title() : std::string();
    for (const auto& [flag, text] : flags)
        if (*flag) request.Text += text;
    ShowMessageBox(request);
}

const TKeyRow cKeyDownRows[] = {
    {VK_LEFT, Always, TurnLeft},
    {VK_RIGHT, Always, TurnRight},
    {VK_UP, Always, StepForward},
    {VK_DOWN, Always, StepBack},
};

const TCharRow cKeyPressRows[] = {
    {u"Jj\u041E\u043E", [](TForm1& form, int32_t) { form.ClickGButton(54); }},
    {u"Mm\u042C\u044C", [](TForm1&, int32_t) { minimapon = !minimapon; }},
    {u"Dd\u0412\u0432", [](TForm1& form, int32_t) {
         if (TForm1::CheckMoveConds()) form.PlayerTurn(1);
     }},
    {u"Aa\u0424\u0444", [](TForm1& form, int32_t) {
         if (TForm1::CheckMoveConds()) form.PlayerTurn(-1);
     }},
    {u"Ww\u0426\u0446", StepForward},
    {u"Ss\u042B\u044B", StepBack},
};

// In this order; the first row whose key matches and whose condition holds acts.
const TKeyRow cKeyUpRows[] = {
    {VK_BACK, NameEntry, [](TForm1&, int32_t) { rftext.clear(); }},
    {VK_RETURN, RequestShown, [](TForm1& form, int32_t) { form.ClickGButton(48); }},
    {VK_SPACE, NoModeSet, [](TForm1& form, int32_t) { form.ActivateCell(playerx + lookdirx, playery + lookdiry); }},
    {VK_F1 + 3, Always, [](TForm1& form, int32_t) { form.ShowMapEditor(); }},
    {VK_F1 + 4, Always, [](TForm1& form, int32_t) { form.BuildLevel(); }},
    {VK_F1 + 5, Always,
     [](TForm1& form, int32_t) {
         form.ClearLevel();
         form.RandomMap();
         form.BuildLevel();
         form.GoToStart();
     }},
    {VK_F1 + 6, Always, [](TForm1& form, int32_t) { form.AddToBL(-1); }},
    {VK_F1 + 7, Always, [](TForm1& form, int32_t) { form.AskToSave(); }},
    {VK_F1 + 8, Always, SwitchShadows},
    {VK_F1 + 9, Always, ShowModes},
    {VK_TAB, CharacterScreenAllowed, [](TForm1& form, int32_t) { form.OpenUI(false); }},
    {VK_ESCAPE, Always, [](TForm1& form, int32_t) { form.ToggleMenu(); }},
    {VK_RIGHT, InPlayersTurn, [](TForm1& form, int32_t) { form.SwitchOppon(1); }},
    {VK_LEFT, InPlayersTurn, [](TForm1& form, int32_t) { form.SwitchOppon(-1); }},
    {VK_F1 + 11, InBattle, LeaveBattle},
    {VK_F1 + 10, Always,
     [](TForm1& form, int32_t) {
         lightreport = true;
         form.ProcessLights();
     }},
    {VK_SNAPSHOT, Always, [](TForm1& form, int32_t) { form.TakeSnapShot(); }},
    {VK_NUMPAD0 + 8, EditView, [](TForm1&, int32_t) { topcamh += 10; }},
    {VK_NUMPAD0 + 2, EditView, [](TForm1&, int32_t) { topcamh -= 10; }},
    {VK_NUMPAD0 + 5, EditView, [](TForm1&, int32_t) { topcamh = 300; }},
};

void RunKeyRows(std::span<const TKeyRow> rows, TForm1& form, uint16_t key, TShiftState shift, int32_t r)
{
    for (const TKeyRow& row : rows) {
        if (row.Key != key || !row.Condition(shift)) continue;
        row.Action(form, r);
        return;
    }
}

// The exploring HUD's pictures and figures the pointer shows a tooltip over: the picture is tested about its
// centre, the figure from its corner.
struct TIconTip {
    TGLHUDSprite* TForm1::*Picture;
    TGLHUDText* TForm1::*Figure;
    int32_t Text; // strarr index
};
const TIconTip cIconTips[] = {
    {&TForm1::monster_ico, &TForm1::monster_ico_no, 295},
    {&TForm1::key_silver, &TForm1::key_silver_no, 296},
    {&TForm1::key_gold, &TForm1::key_gold_no, 297},
};

int32_t Pixel(float value) { return static_cast<int32_t>(Round(value)); }

// The character screen's texts with the tooltip each shows (strarr index).
struct TTextTip {
    TGLHUDText* TForm1::*Text;
    int32_t Tip;
};
const TTextTip cCharacterTips[] = {
    {&TForm1::char_name, 285},  {&TForm1::char_strength, 286},  {&TForm1::char_intelligence, 287},
    {&TForm1::char_speed, 288}, {&TForm1::char_endurence, 289}, {&TForm1::char_sword, 290},
    {&TForm1::char_bow, 291},   {&TForm1::char_magic, 292},     {&TForm1::char_armor, 293},
    {&TForm1::char_bp, 294},    {&TForm1::char_xp, 298},
};

// The point lies on the text: from its corner, as wide as it is written and as high as the window's font.
bool OverText(int32_t x, int32_t y, TGLHUDText* text)
{
    TGLCustomBitmapFont* font = text->BitmapFont();
    return inrect(x, y, Pixel(text->Position()->X()), Pixel(text->Position()->Y()),
                  font ? font->CalcStringWidth(text->Text()) : 0, cMainFontPoints, true);
}

} // namespace

// ---- Keys ----

void TForm1::FormKeyDown(TObject*, uint16_t& Key, TShiftState Shift)
{
    const int32_t r = Random(120 - encsteps);
    RunKeyRows(cKeyDownRows, *this, Key, Shift, r);
}

void TForm1::FormKeyPress(TObject*, char16_t& Key)
{
    const int32_t r = Random(120 - encsteps);
    if (rfmode) {
        // The name entry takes every character typed, control characters too; OK drops the line breaks.
        if (rfcase == 0) rftext += Utf16ToUtf8(std::u16string_view(&Key, 1));
        return;
    }
    for (const TCharRow& row : cKeyPressRows) {
        if (row.Characters.find(Key) == std::u16string_view::npos) continue;
        row.Action(*this, r);
        return;
    }
}

void TForm1::FormKeyUp(TObject*, uint16_t& Key, TShiftState Shift)
{
    // This draw only advances the sequence.
    Random(difficulty - encsteps + 120);
    RunKeyRows(cKeyUpRows, *this, Key, Shift, 0);
    uirefresh = true;
}

void TForm1::ToggleMenu()
{
    if (rfmode || btlmode) return;
    if (!mmmode) {
        mmmode = true;
        ingame = false;
        invmode = false;
        itemlistmode = false;
    } else if (mapid != "mm_map") {
        mmmode = false;
        ingame = true;
    }
}

void TForm1::OpenUI(bool shen)
{
    if (!shen) defineparbonuses();
    if (invmode) {
        invmode = false;
        showenemy = false;
    } else {
        invmode = true;
        // The spell card shows the first card of the shown character's spellbook.
        shownspell = FindNextSpell(cardcount - 1, shen ? opponent : player);
    }
    uirefresh = true;
}

// ---- Pointer ----

void TForm1::VAVodadViewer1MouseDown(TObject*, TMouseButton Button, TShiftState, int32_t X, int32_t Y)
{
    GeneralMouseDown(X, Y, Button == mbLeft ? 0 : 1);
}

void TForm1::VAVodadViewer1MouseUp(TObject*, TMouseButton Button, TShiftState, int32_t X, int32_t Y)
{
    GeneralMouseUp(X, Y, Button);
}

void TForm1::VAVodadViewer1MouseMove(TObject*, TShiftState, int32_t X, int32_t Y)
{
    GeneralMouseMove(X, Y);
}

void TForm1::VAVodadViewer1MouseLeave(TObject*)
{
    mouseheld = false;
}

void TForm1::VAVodadViewer1DblClick(TObject*)
{
    if (CheckMoveConds()) ActivateCell(playerx + lookdirx, playery + lookdiry);
}

void TForm1::GeneralMouseDown(int32_t X, int32_t Y, int32_t b)
{
    hoverbut = getbutundercursor(X, Y);
    if (hoverbut >= gbuttons.Low() && hoverbut <= gbuttons.High()) gbuttons[hoverbut].state = 2;
    mouseheld = true;
    // A right or middle click steps forward.
    if (b == 1 && CheckMoveConds()) MovePlayer(lookdirx, lookdiry, Random(120 - encsteps));
}

void TForm1::GeneralMouseUp(int32_t X, int32_t Y, TMouseButton Button)
{
    // The button under the click itself: a request shown or answered since the pointer last moved has changed
    // what lies under it.
    hoverbut = getbutundercursor(X, Y);
    // An entry of the item list: the left button picks it, the other crafts with the held item or, for a card
    // outside battles, makes it the special card. A request on screen takes every click meant for what lies under it.
    if (itemlistmode && itemhover != -1 && !rfmode) {
        const bool left = Button == mbLeft;
        if (!itemlistcards) {
            if (left) {
                selitem = itemhover;
                InventoryButtonClick(0);
                SetupItemList();
            } else if (craftmode) {
                TryToCraft(selitem, itemhover);
            }
        } else if (left) {
            selitem = itemhover;
            ToggleSpell(itemhover);
            SetupItemList();
        } else if (!btlmode) {
            activecard = itemhover;
            SetupItemList();
        }
    }
    ClickGButton(hoverbut);
    // The hand cards make their own sounds.
    if (hoverbut != -1 && (hoverbut < 10 || hoverbut > 15)) DoSound("snd_btn");
    uirefresh = true;
    mouseheld = false;
}

void TForm1::GeneralMouseMove(int32_t X, int32_t Y)
{
    prevmx = curmx;
    prevmy = curmy;
    curmx = X;
    curmy = Y;

    hoverbut = getbutundercursor(X, Y);
    if (hoverbut == -1) {
        handletooltip(0, 0, "-", false);
        lasttooltip.clear();
    } else {
        handletooltip(X, Y, gbuttons[hoverbut].tooltip, true);
    }

    if (invmode) {
        // The areas end at the table's end whatever ttlast says.
        const int32_t last = std::min(ttlast, ttareas.High());
        for (int32_t k = ttareas.Low(); k <= last; ++k) {
            const tooltiparea& area = ttareas[k];
            if (area.x1 < X && X < area.x2 && area.y1 < Y && Y < area.y2 && !area.text.empty())
                handletooltip(X, Y, area.text, true);
        }
    }

    if (hoverbut == -1 && !mmmode) {
        // A tooltip over the HUD is a nicety: nothing of it may stop the pointer's handling.
        try {
            if (invmode) {
                for (const TTextTip& tip : cCharacterTips)
                    if (OverText(X, Y, this->*tip.Text)) handletooltip(X, Y, strarr[tip.Tip], true);
            }
            for (const TIconTip& tip : cIconTips) {
                const TGLHUDSprite* picture = this->*tip.Picture;
                const bool overPicture = inrect(X, Y, Pixel(picture->Position()->X()),
                                                Pixel(picture->Position()->Y()), Pixel(picture->Width()),
                                                Pixel(picture->Height()), false);
                if (overPicture || OverText(X, Y, this->*tip.Figure)) handletooltip(X, Y, strarr[tip.Text], true);
            }
        } catch (...) {
        }
    }

    if (hoverbut != lasthoverbut) {
        if (hoverbut != -1) DoSound("snd_btnovr");
        lasthoverbut = hoverbut;
    }

    if (itemlistmode) {
        itemhover = getilundercursor(X, Y);
        std::string name;
        if (itemhover >= 0 && itemhover <= 1000) name = itemlistcards ? cards[itemhover].name : items[itemhover].overridename;
        if (iltext2) SetHUDText(iltext2, name);
    }
}
