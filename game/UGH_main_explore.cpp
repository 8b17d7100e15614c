// The game between battles: stepping and turning on the grid, the camera gliding after the player, the player
// light, acting on a cell (doors, chests and the cell's event), the twenty kinds of events, searching and the
// level exit.
#include "UGH_main.h"

#include "GLCoordinates.h"
#include "GLObjects.h"
#include "GLHUDObjects.h"
#include "GLWin32Viewer.h"
#include "RandomGenerator.h"
#include "UGH_data.h"
#include "UGH_log.h"
#include "VAVodad.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

int32_t encsteps = 0;
int32_t camtx = 0, camty = 0, camtz = 0;
bool turnpending = false;
double glowtime = 0;
int32_t acx = 0, acy = 0;
bool nosearch = false;
bool mouseheld = false;
int32_t curmx = 0, prevmx = 0;
int32_t topcamh = 300, edcurx = 0, edcury = 0;

namespace {

// Event types by the map editor's names.
enum : int32_t {
    evNone, evForceBattle, evMakePassable, evRemoveWall, evAttrAltar, evKeyShrineSilver, evKeyShrineGold,
    evSwapWalls, evTeleport, evTextMessage, evBook, evMultievent, evAngelicAltar, evDemonicAltar, evUndeadAltar,
    evAddCard, evAddItem, evAltarOfSilence, evRunicAltar, evOrbOfWisdom
};

// Multievents running inside one another.
int32_t eventdepth = 0;

// The cells of the map in use; everything outside is impassable and no event reaches it.
bool InMap(int32_t x, int32_t y)
{
    return x >= 0 && x <= mapmaxx && y >= 0 && y <= mapmaxy;
}

// Whether the edges of the cell let a step (kx, ky) leave it.
bool EdgeOpen(const lcell& cell, int32_t kx, int32_t ky)
{
    if (kx != 0 && (kx == cell.blockx1 || kx == cell.blockx2)) return false;
    return !(ky != 0 && (ky == cell.blocky1 || ky == cell.blocky2));
}

// Whether a value moving in direction s has passed its target (or, standing still, is not on it).
bool camarrived(int32_t s, float target, float value)
{
    return (s > 0 && value > target) || (s < 0 && value < target) || (s == 0 && value != target);
}

// Moves one coordinate toward target by step, landing on the target once it would pass it.
void Glide(TGLCustomCoordinates* coordinates, int index, float target, double step)
{
    const float value = coordinates->GetCoordinate(index);
    if (value == target) return;
    const int32_t s = value < target ? 1 : -1;
    const float moved = static_cast<float>(value + s * step);
    coordinates->SetCoordinate(index, camarrived(s, target, moved) ? target : moved);
}

// Sets one coordinate only when it differs: every change notifies the scene.
void SetCoordinateIfNew(TGLCustomCoordinates* coordinates, int index, float value)
{
    if (coordinates->GetCoordinate(index) != value) coordinates->SetCoordinate(index, value);
}

void SetVectorIfNew(TGLCustomCoordinates* coordinates, float x, float y, float z)
{
    if (coordinates->X() != x || coordinates->Y() != y || coordinates->Z() != z) coordinates->SetVector(x, y, z);
}

void SetPointIfNew(TGLCustomCoordinates* coordinates, float x, float y, float z)
{
    if (coordinates->X() != x || coordinates->Y() != y || coordinates->Z() != z) coordinates->SetPoint(x, y, z);
}

// A whole text file as the line buffer loads it.
std::string ReadWholeText(const std::string& fileName)
{
    TLineBuffer lines;
    lines.LoadFromFile(fileName);
    return lines.Text();
}

// The base attribute an altar or a chest raises: bstr, bint, bspd, bend for 0..3.
int32_t& BaseAttribute(character& who, int32_t b)
{
    static constexpr int32_t character::*attributes[4] = {&character::bstr, &character::bint, &character::bspd,
                                                           &character::bend};
    return who.*attributes[b];
}

} // namespace

// ---- Moving and turning ----

bool TForm1::CheckMoveConds()
{
    return !mmmode && !invmode && !btlmode && !itemlistmode && !rfmode;
}

void TForm1::GetDirsFromLookside(int32_t ls, int32_t& dirx, int32_t& diry)
{
    static constexpr int32_t steps[4][2] = {{1, 0}, {0, -1}, {-1, 0}, {0, 1}};
    if (ls < 0 || ls > 3) return;
    dirx = steps[ls][0];
    diry = steps[ls][1];
}

void TForm1::MovePlayer(int32_t kx, int32_t ky, int32_t rs)
{
    const int32_t tx = playerx + kx, ty = playery + ky;
    if (!InMap(playerx, playery) || !InMap(tx, ty) || !levelgrid[tx][ty].passable) return;
    if (!EdgeOpen(levelgrid[playerx][playery], kx, ky)) return;
    // The glide of the previous step has to end first, so that a held key steps at the pace of movespeed.
    const TGLCoordinates* camera = mcam->Position();
    if (camera->X() != static_cast<float>(camtx) || camera->Y() != static_cast<float>(camty)) return;

    lastpx = playerx;
    lastpy = playery;
    ++encsteps;
    defineparbonuses();

    playerx = tx;
    playery = ty;
    camtx = 20 * playerx;
    camty = 20 * playery;
    camtz = levelgrid[playerx][playery].plz;
    CheckAvisars(playerx, playery);

    // A random encounter: one monster; in three draws of four more join one at a time, until a coin says stop or
    // the group reaches the player's level, eleven at most. They wait in the battle list.
    if (rs <= 5 && !levelgrid[playerx][playery].trap && encsteps >= 5 && GetWandererInCell(playerx, playery) < 0) {
        encsteps = 0;
        AddToBL(-1);
        int32_t n = 1;
        if (Random(40) < 30) {
            do {
                const int32_t h = Random(2);
                ++n;
                AddToBL(Random(2) == 0 ? GetRandomMonsterToFight() : -1);
                if (h == 0 || n >= player.lvl) break;
            } while (n <= 10);
        }
    }

    CheckLevelSwitch();
    const int32_t serial = levelserial;
    ActivateCell(playerx, playery);
    // A script of the cell may have replaced the level.
    if (levelserial != serial) return;
    ++levelsteps;
    DoSound("snd_footsteps");

    // An event may have moved the player without taking the new cell's areas.
    const lcell& cell = levelgrid[playerx][playery];
    if (cell.visarea != curarea1 && cell.visarea != curarea2 && cell.visarea2 != curarea2)
        MonitorBlockVisibility(playerx, playery, viewdist, false);
    // The minimap follows the step, with the cells it explored.
    if (minimap->Visible()) WorkOnMinimap();
}

void TForm1::PlayerTurn(int32_t sd)
{
    // Scripts may turn by two.
    lookside = ((lookside + sd) % 4 + 4) % 4;
    turnpending = true;
    orientallsprites();
    if (minimap->Visible()) WorkOnMinimap();
}

void TForm1::PlayerTurnC(int32_t dir)
{
    if (CheckMoveConds()) PlayerTurn(dir);
}

// ---- Camera and player light ----

void TForm1::PositionCamera(double deltatime)
{
    // Below 1 the camera would never arrive and no step would be taken.
    const double glide = std::max(movespeed, 1) / 10.0 * deltatime;
    const double turn = std::max(turnspeed, 1) * deltatime / 10.0;
    TGLCoordinates* position = mcam->Position();
    TGLCoordinates* direction = mcam->Direction();

    if (InMap(playerx, playery)) camtz = levelgrid[playerx][playery].plz;
    Glide(position, 2, static_cast<float>(camtz), glide);
    camtx = 20 * playerx;
    if (editview) SetCoordinateIfNew(position, 2, static_cast<float>(topcamh));
    camty = 20 * playery;
    Glide(position, 0, static_cast<float>(camtx), glide);
    Glide(position, 1, static_cast<float>(camty), glide);

    if (camsnap) {
        SetCoordinateIfNew(position, 0, static_cast<float>(camtx));
        SetCoordinateIfNew(position, 1, static_cast<float>(camty));
        // As far as the view reaches: a shorter refresh would leave the level beyond it hidden until the next step.
        MonitorBlockVisibility(playerx, playery, viewdist, false);
        camsnap = false;
    }

    GetDirsFromLookside(lookside, lookdirx, lookdiry);

    if (mouseheld && CheckMoveConds()) {
        // Dragging turns the view freely; the facing follows when it lies along the grid.
        mcam->SetTurnAngle(static_cast<float>(mcam->TurnAngle() + (curmx - prevmx) * 0.1));
        lookdirx = static_cast<int32_t>(Round(direction->X()));
        lookdiry = static_cast<int32_t>(Round(direction->Y()));
        for (int32_t ls = 0; ls < 4; ++ls) {
            int32_t dx = 0, dy = 0;
            GetDirsFromLookside(ls, dx, dy);
            if (dx == lookdirx && dy == lookdiry) lookside = ls;
        }
    } else {
        TGLFogEnvironment* fog = VAVodadViewer1->Buffer()->FogEnvironment();
        if (fog->FogEnd() != fogdist) fog->SetFogEnd(static_cast<float>(fogdist));
        if (mcam->DepthOfView() != camdist) mcam->SetDepthOfView(static_cast<float>(camdist));
        SetVectorIfNew(mcam->Up(), 0, 0, 1);
        // The direction approaches the facing component by component; each write renormalises it.
        const float target[2] = {static_cast<float>(lookdirx), static_cast<float>(lookdiry)};
        for (const int32_t s : {1, -1}) {
            for (int index = 0; index < 2; ++index) {
                const float value = direction->GetCoordinate(index);
                if (s > 0 ? value >= target[index] : value <= target[index]) continue;
                const bool near = std::fabs(target[index] - value) <= turn;
                direction->SetCoordinate(index, near ? target[index] : static_cast<float>(value + s * turn));
            }
        }
        for (TGLSphere* sphere : {GLSphere1, GLSphere2})
            SetPointIfNew(sphere->Position(), position->X(), position->Y(), position->Z());
        // Half a turn away, as after two quick turns, the view jumps.
        for (int index = 0; index < 2; ++index) {
            if (std::fabs(target[index] - direction->GetCoordinate(index)) > 1)
                direction->SetCoordinate(index, target[index]);
        }
        if (turnpending && direction->X() == target[0] && direction->Y() == target[1]) {
            turnpending = false;
            MonitorBlockVisibility(playerx, playery, viewdist, false);
        }
        SetCoordinateIfNew(direction, 2, 0);
    }

    TVAVodadBuffer* buffer = VAVodadViewer1->Buffer();
    if (editview) {
        SetVectorIfNew(mcam->Up(), 0, 1, 0);
        SetVectorIfNew(direction, 0, 0, -1);
        SetPointIfNew(position, static_cast<float>(20 * edcurx), static_cast<float>(20 * edcury),
                      static_cast<float>(topcamh));
        playerx = edcurx;
        playery = edcury;
        if (buffer->FogEnable()) buffer->SetFogEnable(false);
    } else if (!buffer->FogEnable()) {
        buffer->SetFogEnable(true);
    }
}

void TForm1::PositionLight()
{
    const TGLCoordinates* camera = mcam->Position();
    float z = camera->Z();
    if (editview && InMap(playerx, playery)) z = static_cast<float>(levelgrid[playerx][playery].plz);
    SetPointIfNew(playerlight->Position(), camera->X() + 2.0f * lookdirx, camera->Y() + 2.0f * lookdiry, z);
}

// ---- The level exit ----

void TForm1::CheckLevelSwitch()
{
    if (playerx == exitx && playery == exity) ShowRequestForm(strarr[9], strarr[10], 1, 3, 0, "");
}

// ---- Acting on a cell ----

void TForm1::ActivateCell(int32_t x, int32_t y)
{
    if (!InMap(x, y)) return;
    // A script may replace the level: what is left to do belonged to the old one.
    const int32_t serial = levelserial;
    ProcessLights();
    ProcessWanderers(0);
    if (levelserial != serial) return;
    MoveWanderers();
    const int32_t met = GetWandererInCell(x, y);
    if (met >= 0) StartWandererBattle(met);
    if (levelserial != serial) return;
    explored[x][y] = true;
    acx = x;
    acy = y;
    if (!RunScriptFile("\\levels\\" + mapid + "\\script_" + std::to_string(x) + "_" + std::to_string(y) + ".txt"))
        return;

    // A key of the lock's kind opens it and is used up; without one the player is told which it needs.
    const auto unlock = [this](int32_t power, int32_t silverText, int32_t goldText) {
        struct TLock {
            int32_t& keys;
            int32_t title, text;
        };
        if (power == 0) return true;
        if (power != 1 && power != 2) return false;
        const TLock lock = power == 1 ? TLock{keys1, 19, silverText} : TLock{keys2, 21, goldText};
        if (lock.keys < 1) {
            ShowMessagePair(lock.title, lock.text);
            DoSound("snd_locked");
            return false;
        }
        --lock.keys;
        return true;
    };

    lcell& cell = levelgrid[x][y];
    if (cell.door && !cell.passable) {
        if (unlock(cell.power, 20, 22)) {
            cell.passable = true;
            DoSound("snd_door");
        }
        BuildCell(x, y);
    }
    if (cell.chest && !cell.passable) {
        int32_t a = Random(4);
        if (Random(100) < 20) a = 5;
        const bool opened = unlock(cell.power, 23, 24);
        // Locked chests hold better things.
        if (opened && cell.power == 1 && a < 2) a = Random(3) + 2;
        if (opened && cell.power == 2 && a < 3) a = Random(2) + 3;
        if (opened) {
            DoSound("snd_chest");
            OpenChest(a);
            cell.passable = true;
        }
        BuildCell(x, y);
    }
    if (cell.trap) ActivateTrap(cell.traptype, x, y, 0);
    defineparbonuses();
}

void TForm1::OpenChest(int32_t a)
{
    switch (a) {
    case 0:
        ShowMessagePair(25, 30);
        break;
    case 1:
        ShowMessagePair(25, 31);
        ++keys1;
        break;
    case 2:
        ShowMessagePair(25, 32);
        ++keys2;
        break;
    case 4: {
        const int32_t b = Random(4);
        ++BaseAttribute(player, b);
        ShowMessagePair(25, 26 + b);
        break;
    }
    case 5: {
        // A loot list without an item leaves the chest empty.
        const int32_t item = RandomLoot();
        if (item < 0)
            ShowMessagePair(25, 30);
        else
            AddItem(item, 1);
        break;
    }
    case 3:
        AddNewCard(true, -1, true, true, false, player);
        break;
    default:
        break;
    }
}

void TForm1::ShowMessagePair(int32_t title, int32_t text)
{
    ShowRequestForm(strarr[title], strarr[text], 0, 1, 0, "");
}

// ---- Events ----

void TForm1::ActivateTrap(int32_t ttp, int32_t x, int32_t y, int32_t v)
{
    int32_t p1 = x, p2 = y;
    if (v == 0) {
        if (!InMap(x, y)) return;
        p1 = levelgrid[x][y].doorno;
        p2 = levelgrid[x][y].chestno;
    }
    // The event fires once: the flag of its cell is cleared.
    const auto clear = [x, y] {
        if (InMap(x, y)) levelgrid[x][y].trap = false;
    };
    const auto clearOnCell = [v, &clear] {
        if (v == 0) clear();
    };

    switch (ttp) {
    case evForceBattle:
        AddToBL(p1);
        clearOnCell();
        break;
    case evMakePassable:
        if (InMap(p1, p2)) levelgrid[p1][p2].passable = true;
        clearOnCell();
        break;
    case evRemoveWall:
        if (InMap(p1, p2)) {
            lcell& cell = levelgrid[p1][p2];
            cell.passable = cell.ceil = cell.floor = true;
            cell.wall = false;
            BuildCell(p1, p2);
        }
        clear();
        break;
    case evAttrAltar: {
        clear();
        const int32_t b = Random(4);
        BaseAttribute(player, b) += 2;
        ShowMessagePair(11 + 2 * b, 12 + 2 * b);
        break;
    }
    case evKeyShrineSilver:
    case evKeyShrineGold: {
        clear();
        const bool silver = ttp == evKeyShrineSilver;
        if (InMap(x, y) && levelgrid[x][y].spritename == rndons[silver ? 10 : 11]) {
            levelgrid[x][y].spritename = rndons[12];
            BuildCell(x, y);
        }
        ++(silver ? keys1 : keys2);
        // The trap perk may give a second key.
        if (CheckCodedPerkEff(player, 3) > 0 && Random(100) < (silver ? 20 : 10)) ++(silver ? keys1 : keys2);
        break;
    }
    case evSwapWalls:
        for (int32_t i = 0; i <= mapmaxx; ++i) {
            for (int32_t j = 0; j <= mapmaxy; ++j) {
                lcell& cell = levelgrid[i][j];
                if (cell.textid != p1) continue;
                cell.wall = !cell.wall;
                cell.passable = cell.ceil = cell.floor = !cell.wall;
                BuildCell(i, j);
            }
        }
        break;
    case evTeleport:
        if (!InMap(p1, p2)) break;
        playerx = p1;
        playery = p2;
        CheckAvisars(playerx, playery);
        glowtime = 1.0;
        DoSound("snd_port");
        camsnap = true;
        FullMBW(viewdist);
        ProcessLights();
        break;
    case evTextMessage:
    case evBook: {
        const std::string base = GamePath("\\text\\" + lng + "\\txt_" + std::to_string(p1));
        try {
            const std::string title = ReadWholeText(base + "_h.txt");
            ShowRequestForm(title, ReadWholeText(base + ".txt"), 0, ttp == evBook ? 10 : 1, 0, "");
        } catch (const EGameDataError& e) {
            GameLog(e.Message() + ": the event text is not shown");
        }
        break;
    }
    case evMultievent:
        RunEventScript(x, y);
        break;
    case evAngelicAltar:
    case evDemonicAltar:
    case evUndeadAltar:
        // The offer to change species, for a living player only.
        if (player.spec == 0)
            ShowRequestForm(strarr[98], strarr[99 + ttp - evAngelicAltar], 1, 20 + ttp - evAngelicAltar, 0, "");
        else
            ShowMessagePair(98, 97);
        break;
    case evAddCard:
        // The cell shows the empty stand once its card is taken.
        AddNewCard(true, p1, true, true, false, player);
        if (v == 0) {
            clear();
            levelgrid[x][y].spritename = "spr_stand_e";
            BuildCell(x, y);
        }
        break;
    case evAddItem: {
        const int32_t item = p1 == -1 ? RandomLoot() : p1;
        if (item >= 0) AddItem(item, 1);
        if (v == 0) {
            clear();
            BuildCell(x, y);
        }
        break;
    }
    case evAltarOfSilence:
        levelsteps = static_cast<int32_t>(Round(levelsteps / 2.0));
        ShowMessagePair(320, 321);
        clearOnCell();
        break;
    case evRunicAltar: {
        const std::string name = GetElName(p1, strarr);
        if (player.element == p1)
            ShowRequestForm(strarr[363], strarr[362] + " " + name + ". ", 0, 1, 0, "");
        else
            ShowRequestForm(strarr[363], strarr[359] + " " + name + ". " + strarr[360], 1, 39 + p1, 0, "");
        break;
    }
    case evOrbOfWisdom:
        ShowMessagePair(384, 385);
        AddPerkPoints(1);
        clearOnCell();
        break;
    default:
        break;
    }
}

void TForm1::RunEventScript(int32_t x, int32_t y)
{
    if (!InMap(x, y)) return;
    const std::string fileName = GamePath("\\scripts\\scr_" + std::to_string(levelgrid[x][y].doorno) + ".txt");
    if (eventdepth >= cEventNesting) {
        GameLog(fileName + ": event scripts nest deeper than " + std::to_string(cEventNesting) +
                ", this one is not run");
        return;
    }
    std::vector<evtriple> entries;
    try {
        entries = ReadEventScript(fileName);
    } catch (const EGameDataError& e) {
        GameLog(e.Message() + ": the event script is not run");
        return;
    }
    struct TNesting {
        TNesting() { ++eventdepth; }
        ~TNesting() { --eventdepth; }
    } nesting;
    for (const evtriple& entry : entries) {
        try {
            ActivateTrap(entry.type, entry.p1, entry.p2, 1);
        } catch (const Exception& e) {
            GameLog(fileName + ": an event failed (" + e.Message() + ")");
        }
    }
}

// ---- Searching ----

void TForm1::PlayerSearch(int32_t x, int32_t y)
{
    if (!InMap(x, y)) return;
    if (!RunScriptFile("\\levels\\" + mapid + "\\sscript_" + std::to_string(x) + "_" + std::to_string(y) + ".txt"))
        return;
    const lcell& cell = levelgrid[x][y];
    if (!nosearch && cell.trap) {
        static constexpr int32_t eventTexts[20] = {0,   324, 331, 331, 325, 326, 327, 331, 323, 331,
                                                   331, 331, 328, 329, 330, 331, 322, 331, 331, 331};
        if (cell.traptype != evNone) {
            nosearch = true;
            const bool known = cell.traptype > evNone && cell.traptype <= evOrbOfWisdom;
            ShowMessagePair(79, known ? eventTexts[cell.traptype] : 331);
        }
    }
    if (nosearch) {
        nosearch = false;
        return;
    }
    if (!cell.wall && cell.passable) ShowMessagePair(79, 80);
    if (cell.wall && !cell.passable) ShowMessagePair(79, 81);
    if (cell.wall && cell.passable) ShowMessagePair(79, 82);
    const bool lockKnown = cell.power >= 0 && cell.power <= 2;
    if (cell.door && !cell.passable && lockKnown) ShowMessagePair(79, 83 + cell.power);
    if (cell.chest && !cell.passable && lockKnown) ShowMessagePair(79, 86 + cell.power);
}
