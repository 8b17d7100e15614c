// The pending battle list: the monsters waiting for the next battle, queued by random encounters, roaming
// monsters, events and scripts, and the random monster that fits the level.
#include "UGH_main.h"

#include "RandomGenerator.h"
#include "UGH_log.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

// Whether monster type k may be drawn as a random opponent on this level.
bool FitsLevel(int32_t k)
{
    const character& monster = monsters[k];
    // The level difference in 64 bits: levels come from editable files.
    const int64_t above = static_cast<int64_t>(monster.lvl) - player.lvl;
    return above < static_cast<int64_t>(levelno) + 2 && !monster.boss && monster.name != "none" && mapmonsters[k];
}

} // namespace

int32_t TForm1::GetRandomMonsterToFight()
{
    // Random(monstercount - 1) never draws the last loaded type; below two types it draws 0.
    const int32_t range = monstercount - 1;
    const int32_t drawable = std::max(range, 1);
    // A level that allows none would draw forever: ask first, drawing nothing.
    bool any = false;
    for (int32_t k = 0; k < drawable && k <= monsters.High() && !any; ++k) any = FitsLevel(k);
    if (!any) return -1;
    for (;;) {
        const int32_t k = Random(range);
        if (FitsLevel(k)) return k;
    }
}

void TForm1::AddToBL(int32_t mn)
{
    if (mn == -1) mn = GetRandomMonsterToFight();
    if (mn == -1) return;
    // The battle copies monsters[mn]: an id beyond the table would fail there, turn after turn.
    if (mn < monsters.Low() || mn > monsters.High()) {
        GameLog("Battle list: there is no monster " + std::to_string(mn) + ", none is queued");
        return;
    }
    for (int32_t& entry : battlelist) {
        if (entry != -2) continue;
        entry = mn;
        return;
    }
}
