// The keyboard: the window previews every key and turns it into a game action through three tables, one per key
// event. Each handler draws its random number before it looks at the key, so that the random sequence does not
// depend on which key was pressed.
#include "UGH_main.h"

#include "UGH_data.h"
#include "RandomGenerator.h"
#include "VirtualKeys.h"

#include <span>
#include <string_view>

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

const TKeyRow cKeyDownRows[] = {
    {VK_LEFT, Always, TurnLeft},
    {VK_RIGHT, Always, TurnRight},
    {VK_UP, Always, StepForward},
    {VK_DOWN, Always, StepBack},
};

const TCharRow cKeyPressRows[] = {
    {u"Dd\u0412\u0432", TurnRight},
    {u"Aa\u0424\u0444", TurnLeft},
    {u"Ww\u0426\u0446", StepForward},
    {u"Ss\u042B\u044B", StepBack},
};

// In this order; the first row whose key matches and whose condition holds acts.
const TKeyRow cKeyUpRows[] = {
    {VK_RETURN, RequestShown, [](TForm1& form, int32_t) { form.RequestFormOK(); }},
    {VK_SPACE, NoModeSet, [](TForm1& form, int32_t) { form.ActivateCell(playerx + lookdirx, playery + lookdiry); }},
};

void RunKeyRows(std::span<const TKeyRow> rows, TForm1& form, uint16_t key, TShiftState shift, int32_t r)
{
    for (const TKeyRow& row : rows) {
        if (row.Key != key || !row.Condition(shift)) continue;
        row.Action(form, r);
        return;
    }
}

} // namespace

void TForm1::FormKeyDown(TObject*, uint16_t& Key, TShiftState Shift)
{
    const int32_t r = Random(120 - encsteps);
    RunKeyRows(cKeyDownRows, *this, Key, Shift, r);
}

void TForm1::FormKeyPress(TObject*, char16_t& Key)
{
    const int32_t r = Random(120 - encsteps);
    if (rfmode) return;
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
