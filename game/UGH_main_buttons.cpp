// The game buttons: 63 HUD sprites with a text on top that make up every clickable control of the interface.
// Their sets and fixed sizes are defined once; every frame lays out and dresses the buttons of the screen shown;
// a click runs the button's action.
#include "UGH_main.h"

int32_t hoverbut = -1, lasthoverbut = -1;
TBoundedTable<bool, 0, 62> mmbutset, ingamebutset, invbutset;
bool itemlistcards = false;
int32_t itempage = 0;
int32_t shownspell = 0;

int32_t getbutundercursor(int32_t x, int32_t y)
{
    int32_t found = -1;
    for (int32_t id = gbuttons.Low(); id <= gbuttons.High(); ++id) {
        const gamebutton& b = gbuttons[id];
        if (!b.visible) continue;
        const double halfW = b.w / 2.0, halfH = b.h / 2.0;
        if (b.x - halfW <= x && x <= b.x + halfW && b.y - halfH <= y && y <= b.y + halfH) found = id;
    }
    return found;
}
