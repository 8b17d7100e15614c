// What a loaded game replaces, taken whole: comparing two snapshots tells whether anything of the running game
// changed (the level with its working free meshes, the player and his state, the journal, the global scripts with
// their active flags, the mode flags, the pending battle, the chosen card and the player light).
#pragma once

#include "UGH_data.h"
#include "UGH_main.h"

#include <string>
#include <utility>
#include <vector>

struct TGameSnapshot {
    TLevelData level;
    TPlayerState state;
    TDynArray<int32_t> journal;
    std::vector<std::pair<std::string, bool>> scripts;
    std::vector<bool> modes;
    decltype(battlelist) pending;
    int32_t card = 0;
    playerlightvalues light;

    bool operator==(const TGameSnapshot&) const = default;
};

inline TGameSnapshot GameSnapshot()
{
    TGameSnapshot snapshot{CurrentLevelData(), CurrentPlayerState(activecard), jseq, {}, {}, battlelist, activecard,
                           playerlightdata};
    for (const globscript& script : gslist) snapshot.scripts.emplace_back(script.id, script.active);
    snapshot.modes = {mmmode, ingame, btlmode, chargen, invmode, itemlistmode};
    return snapshot;
}
