// Level objects that act by themselves: the roaming monsters (their planes glide to their cells, the chasing ones
// step toward the player after each activated cell, meeting the player starts their battle) and the free meshes
// that move or turn between two ends and may run a script on arrival.
#include "UGH_main.h"

#include "GLObjects.h"
#include "RandomGenerator.h"
#include "SysUtils.h"
#include "UGH_log.h"

#include <bitset>
#include <cmath>
#include <string>
#include <utility>

namespace {

constexpr double cWandererGlide = 20; // world units a second
constexpr int32_t cWandererTries = 10;

bool CellInUse(int32_t x, int32_t y)
{
    return x >= 0 && x <= mapmaxx && y >= 0 && y <= mapmaxy;
}

bool KnownMonster(int32_t mtype)
{
    return mtype >= monsters.Low() && mtype <= monsters.High();
}

// A wanderer's steps: direction 0..3 goes (1, 0), (0, 1), (-1, 0), (0, -1). This is not the player's facing,
// whose 1 is -y.
constexpr int32_t cWanderSteps[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};

// The direction toward the player, the last test that holds winning; -1 on the player's cell.
int32_t towardplayer(const wanderer& w)
{
    int32_t d = -1;
    if (w.x < playerx) d = 0;
    if (w.y < playery) d = 1;
    if (w.x > playerx) d = 2;
    if (w.y > playery) d = 3;
    return d;
}

// The direction onto the player's cell when it is a neighbour, else -1.
int32_t nexttoplayer(const wanderer& w)
{
    for (int32_t d = 0; d < 4; ++d)
        if (w.x + cWanderSteps[d][0] == playerx && w.y + cWanderSteps[d][1] == playery) return d;
    return -1;
}

// The sign of target - value: which way a value has to go.
int32_t SignToward(int32_t value, int32_t target)
{
    return (value < target) - (value > target);
}

// One step of a moving or turning value toward target: once its rounded value would pass the target it lands
// on it instead, which would otherwise swing around the target for good.
void StepToward(double& value, int32_t s, double step, int32_t target)
{
    value += s * step;
    if (SignToward(static_cast<int32_t>(Round(value)), target) == -s) value = target;
}

// A plane's coordinate one glide step toward target, landing on it once the rest is within a step.
float GlideToward(float value, float target, double step)
{
    if (std::fabs(target - value) > step) value = static_cast<float>(value + (value < target ? step : -step));
    return std::fabs(target - value) <= step ? target : value;
}

} // namespace

// ---- Roaming monsters ----

int32_t TForm1::GetWandererInCell(int32_t cx, int32_t cy)
{
    for (int32_t i = wanderers.High(); i >= wanderers.Low(); --i) {
        const wanderer& w = wanderers[i];
        if (w.enabled && w.x == cx && w.y == cy) return i;
    }
    return -1;
}

void TForm1::StartWandererBattle(int32_t wic)
{
    if (wic < wanderers.Low() || wic > wanderers.High()) return;
    wanderer& w = wanderers[wic];
    if (!KnownMonster(w.mtype)) {
        // Met every frame while the player stands there: said once a slot.
        static std::bitset<201> reported;
        if (!reported.test(wic))
            GameLog("Wanderer " + std::to_string(wic) + " is monster " + std::to_string(w.mtype) +
                    ", which does not exist: it starts no battle");
        reported.set(wic);
        return;
    }
    AddToBL(w.mtype);
    w.enabled = false;
    if (!w.script.empty() && !loading) RunScriptFile("\\scripts\\" + w.script + ".txt");
}

void TForm1::ProcessWanderers(double dt)
{
    const int32_t serial = levelserial;
    const double step = cWandererGlide * dt;
    for (int32_t i = wanderers.Low(); i <= wanderers.High(); ++i) {
        if (!wandererobjs[i]) continue;
        const wanderer& w = wanderers[i];
        const bool placeable = w.enabled && KnownMonster(w.mtype) && CellInUse(w.x, w.y);
        if (!placeable) {
            wandererobjs[i]->SetVisible(false);
            continue;
        }
        const int32_t met = GetWandererInCell(playerx, playery);
        if (met >= 0) {
            StartWandererBattle(met);
            // Its script may have built another level: the planes of this one are gone.
            if (levelserial != serial) return;
            if (!wandererobjs[i]) continue;
        }
        TGLPlane* plane = wandererobjs[i];
        const character& monster = monsters[w.mtype];
        if (plane->Width() != monster.w_wd) plane->SetWidth(static_cast<float>(monster.w_wd));
        if (plane->Height() != monster.w_ht) plane->SetHeight(static_cast<float>(monster.w_ht));
        TGLCoordinates* position = plane->Position();
        const float x = GlideToward(position->X(), static_cast<float>(20 * w.x), step);
        const float y = GlideToward(position->Y(), static_cast<float>(20 * w.y), step);
        const float z = static_cast<float>(static_cast<double>(levelgrid[w.x][w.y].plz) + monster.w_zs);
        if (position->X() != x || position->Y() != y || position->Z() != z) position->SetPoint(x, y, z);
    }
}

void TForm1::MoveWanderers()
{
    // The level holds still while its author edits it.
    if (MapEditorForm && MapEditorForm->Visible()) return;
    for (wanderer& w : wanderers) {
        // One off the level has no cell to step from.
        if (!w.enabled || w.behav != 1 || !CellInUse(w.x, w.y)) continue;
        for (int32_t attempt = 0; attempt < cWandererTries; ++attempt) {
            int32_t d = attempt == 0 ? towardplayer(w) : -1;
            if (d == -1) d = nexttoplayer(w);
            if (d == -1) d = Random(4);
            const int32_t tx = w.x + cWanderSteps[d][0], ty = w.y + cWanderSteps[d][1];
            if (!CellInUse(tx, ty) || !levelgrid[tx][ty].passable || GetWandererInCell(tx, ty) >= 0) continue;
            w.x = tx;
            w.y = ty;
            break;
        }
    }
}

// ---- Moving free meshes ----

void TForm1::ProcessFreemeshBehaviour(double dlt)
{
    const int32_t serial = levelserial;
    for (int32_t i = freemeshes.Low(); i <= freemeshes.High(); ++i) {
        freemesh& m = freemeshes[i];
        if (!m.enabled || m.bhv == 0) continue;
        bool arrived = false;
        if (m.bhv == 1 || m.bhv == 2) {
            const bool turning = m.bhv == 2;
            int32_t* const at[3] = {turning ? &m.ta : &m.x, turning ? &m.ra : &m.y, turning ? &m.pa : &m.z};
            double* const working[3] = {turning ? &m.rta : &m.rx, turning ? &m.rra : &m.ry, turning ? &m.rpa : &m.rz};
            const int32_t target[3] = {m.x2, m.y2, m.z2};
            // A speed below zero would move away from the target for good: it counts by its size.
            const double step = std::fabs(m.spd) * (turning ? 1.0 : dlt);
            int32_t s[3];
            for (int k = 0; k < 3; ++k) s[k] = SignToward(*at[k], target[k]);
            arrived = s[0] == 0 && s[1] == 0 && s[2] == 0;
            if (!arrived) {
                for (int k = 0; k < 3; ++k) {
                    if (s[k] != 0) StepToward(*working[k], s[k], step, target[k]);
                    if (!turning) *at[k] = static_cast<int32_t>(Round(*working[k]));
                }
            } else if (m.loop) {
                std::swap(m.x1, m.x2);
                std::swap(m.y1, m.y2);
                std::swap(m.z1, m.z2);
            } else {
                m.bhv = 0;
            }
            if (turning) {
                for (int k = 0; k < 3; ++k) {
                    if (*working[k] > 360) *working[k] = 0;
                    if (*working[k] < 0) *working[k] = 360;
                    *at[k] = static_cast<int32_t>(Round(*working[k]));
                }
            }
        }
        if (arrived && !m.trscript.empty()) RunScriptFile("\\scripts\\" + m.trscript + ".txt");
        // The script may have built another level: its meshes are not this one's.
        if (levelserial != serial) return;
        ModFreeMesh(i, false);
    }
}
