#include "UGH_tables.h"

#include <limits>

void RaiseBoundsError(int64_t index, int64_t low, int64_t high)
{
    throw ERangeError(Format("Index %d out of bounds (%d..%d)", {index, low, high}));
}

int32_t RoundInteger(double value)
{
    const int64_t r = Round(value);
    if (r == IndefiniteInteger) return 0;
    return HoldInteger(r);
}

int32_t HoldInteger(int64_t value)
{
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

TBoundedTable<TBoundedArray<lcell, 0, 100>, 0, 100> levelgrid;
TBoundedTable<TBoundedArray<bool, 0, 100>, 0, 100> explored;
TBoundedTable<bool, 0, 100> mapmonsters;
TBoundedTable<std::string, 0, 100> rndons;
TBoundedTable<std::string, 0, 100> defrndons;
TBoundedTable<envr, 0, 100> envrlist;
TBoundedTable<lightslot, 0, 19> levellights;
TBoundedTable<freesprite, 0, 200> freesprites;
TBoundedTable<freemesh, 0, 200> mapfreemeshes;
TBoundedTable<freemesh, 0, 200> freemeshes;
TBoundedTable<wanderer, 0, 200> wanderers;
character player;
character opponent;
TBoundedTable<character, 0, 100> monsters;
TBoundedTable<character, 0, 10> btlslots;
TBoundedTable<int32_t, 0, 10> battlelist;
TBoundedTable<card, 0, 1000> cards;
TBoundedTable<loot, 0, 1000> items;
TBoundedTable<perk, -1, 101> perks;
TBoundedTable<std::string, 0, 100> cpenames;
TBoundedTable<int32_t, 0, 3> equipped;
TBoundedTable<pop, 0, 100> dmgpops;
TBoundedTable<gamebutton, 0, 62> gbuttons;
TBoundedTable<tooltiparea, 0, 100> ttareas;
TBoundedTable<rqftp, 0, 10000> rfqueue;
TBoundedTable<soundinf, 0, 1000> soundlist;
TBoundedTable<soundinf, 0, 1000> musiclist;
TBoundedTable<std::string, 0, 10000> strarr;
TBoundedTable<std::string, 0, 1000> strvars;
TBoundedTable<int32_t, 0, 1000> intvars;
TBoundedTable<std::string, 0, 10000> scripttexts;
TBoundedTable<std::string, 0, 10000> scriptwords;
TBoundedTable<std::string, 0, 10000> scriptcmds;
TBoundedTable<TBoundedArray<std::string, 0, 10000>, 1, 10> argtexts;
TBoundedTable<TBoundedArray<int32_t, 0, 10000>, 1, 10> argvars;
TBoundedTable<int32_t, 0, 10000> evalints;
TBoundedTable<std::string, 0, 10000> evaltexts;
TBoundedTable<bool, 0, 10000> ifflags;
TBoundedTable<int32_t, 0, 7> bodypartcounts;

TDynArray<globscript> gslist;
TDynArray<int32_t> cparray;
TDynArray<spritelistitem> spritelist;
TDynArray<std::string> texlist;
TDynArray<int32_t> jseq;

std::string mapid;
std::string mapname;
int32_t mapmaxx, mapmaxy;
int32_t envindex, envcount;
int32_t startx, starty, startdir, exitx, exity;
int32_t mapspare;
int32_t skyboxno;
int32_t levelno;
int32_t levelsteps;
int32_t playerx, playery;
int32_t lookside;
int32_t lookdirx, lookdiry;
int32_t keys1, keys2;
int32_t perkpoints;
bool scriptpopups;
int32_t monstercount;

bool mmmode, invmode, itemlistmode, btlmode, showenemy, chargen, rfmode, ingame;
bool levelbusy;
bool levelsaving, camsnap, editview, exiting;

character FreeBattleSlot()
{
    character slot;
    slot.name = "nil";
    slot.blind = -1;
    return slot;
}

void ResetGameTables()
{
    levelgrid.Clear();
    explored.Clear();
    mapmonsters.Clear();
    rndons.Clear();
    defrndons.Clear();
    envrlist.Fill(envr{"none", false});
    levellights.Clear();
    freesprites.Clear();
    mapfreemeshes.Clear();
    freemeshes.Clear();
    wanderers.Clear();
    player = character{};
    opponent = character{};
    monsters.Clear();
    btlslots.Fill(FreeBattleSlot());
    battlelist.Fill(-2);
    cards.Clear();
    items.Clear();
    perks.Clear();
    cpenames.Clear();
    equipped.Fill(-1);
    dmgpops.Clear();
    gbuttons.Clear();
    ttareas.Clear();
    rfqueue.Clear();
    soundlist.Clear();
    musiclist.Clear();
    strarr.Clear();
    strvars.Clear();
    intvars.Clear();
    scripttexts.Clear();
    scriptwords.Clear();
    scriptcmds.Clear();
    argtexts.Clear();
    argvars.Clear();
    evalints.Clear();
    evaltexts.Clear();
    ifflags.Clear();
    bodypartcounts.Clear();

    gslist.clear();
    cparray.clear();
    spritelist.clear();
    texlist.clear();
    jseq.clear();

    mapid.clear();
    mapname = "<n/a>";
    mapmaxx = mapmaxy = 19;
    envindex = envcount = 0;
    startx = starty = startdir = exitx = exity = 0;
    mapspare = 0;
    skyboxno = 0;
    levelno = 1;
    levelsteps = 0;
    playerx = playery = 0;
    lookside = 0;
    lookdirx = lookdiry = 0;
    keys1 = keys2 = 0;
    perkpoints = 0;
    scriptpopups = true;
    monstercount = 0;

    mmmode = invmode = itemlistmode = btlmode = showenemy = chargen = rfmode = ingame = false;
    levelbusy = true;
    levelsaving = camsnap = editview = exiting = false;
}

namespace {

// The tables take their starting state when the module initialises; every definition above comes first.
const bool vTablesReady = (ResetGameTables(), true);

} // namespace
