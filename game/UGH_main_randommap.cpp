// The level generator: a ring of rectangular and diamond rooms joined by L-shaped corridors, with a start, an
// exit, altars, shrines and chests in the rooms' centres, random doors and wall decorations. It fills the level
// tables only; the caller builds the scene.
#include "UGH_main.h"

#include "RandomGenerator.h"
#include "UGH_data.h"
#include "UGH_log.h"

#include <algorithm>
#include <cmath>
#include <vector>

TBoundedTable<roomrec, 1, cMaxRooms> rooms;
int32_t roomcount = 0;

namespace {

// What a room's centre cell receives by the room's kind: the rndons entry of its sprite (-1 none) and the event
// type (0 none). Kinds 0 and 1 (start and exit) stay passable; 5 is a chest; 11 and 12 choose their own details.
struct TRoomContent {
    int32_t sprite, event;
};
constexpr TRoomContent cRoomContents[] = {
    {8, 0},   {9, 0},   {0, 4},   {10, 5},  {11, 6},  {-1, 0},  {13, 12},
    {14, 13}, {15, 14}, {2, 16},  {16, 17}, {-1, 18}, {1, 16},  {17, 19},
};

// Kinds of altars only found from level 5 on.
bool DeepKind(int32_t kind) { return kind >= 6 && kind <= 8; }

// A corridor or room cell: open, with floor and ceiling.
void Carve(int32_t x, int32_t y)
{
    lcell& c = levelgrid[x][y];
    c.passable = c.floor = c.ceil = true;
    c.wall = false;
}

// A cell a room reaches: only cells left of the last column and above the last row, which stay walls.
void CarveInside(int32_t x, int32_t y)
{
    if (x >= 0 && y >= 0 && x < mapmaxx && y < mapmaxy) Carve(x, y);
}

// One axis of the level's size: grows with the cube root of half the level number's square.
int32_t LevelSide(int32_t level)
{
    const double l = level;
    const int32_t side = RoundInteger(2.0 * std::cbrt(l * l / 2.0) + 10.0) + Random(5) - 2;
    return std::clamp(side, 15, 99);
}

// A room's width (or height) drawn by the caller, held to what K rooms leave of the side: at most side / (K / 2),
// often 3 when over 4.
int32_t HoldRoomSide(int32_t v, int32_t side, int32_t k)
{
    const double share = side / (k / 2.0);
    if (v > share) v = RoundInteger(share) - 1;
    if (v > 4 && Random(2) > 0) v = 3;
    if (v < 1) v = 3;
    return v;
}

// A cell whose centre may hold a door's neighbour: open floor with nothing on it.
bool openfloor(int32_t x, int32_t y)
{
    if (x < 0 || y < 0 || x > 100 || y > 100) return false;
    const lcell& c = levelgrid[x][y];
    return c.passable && !c.wall && !c.chest && !c.door && !c.trap && c.spritename == "0";
}

bool wallat(int32_t x, int32_t y) { return x >= 0 && y >= 0 && x <= 100 && y <= 100 && levelgrid[x][y].wall; }

} // namespace

void digpath(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    int32_t x = x1, y = y1;
    while (x != x2 || y != y2) {
        Carve(x, y);
        if (x != x2)
            x += x < x2 ? 1 : -1;
        else
            y += y < y2 ? 1 : -1;
    }
}

int32_t firstfreefsprite()
{
    for (int32_t i = freesprites.Low(); i <= freesprites.High(); ++i)
        if (!freesprites[i].enabled) return i;
    return -1;
}

std::string randomspritename(int32_t purpose)
{
    std::vector<const spritelistitem*> found;
    for (const spritelistitem& sprite : spritelist)
        if (sprite.purpose == purpose) found.push_back(&sprite);
    if (found.empty()) return "none";
    return found[static_cast<std::size_t>(Random(static_cast<int32_t>(found.size())))]->name;
}

int32_t spriteindex(const std::string& name)
{
    for (int32_t i = static_cast<int32_t>(spritelist.size()) - 1; i >= 0; --i)
        if (spritelist[static_cast<std::size_t>(i)].name == name) return i;
    return -1;
}

bool placewallsprite(int32_t x, int32_t y, int32_t dw, int32_t dh, int32_t slot)
{
    bool placed = false;
    if (!levelgrid[x][y].wall) return false;
    // Without a decoration in the sprite list there is no picture to hang.
    if (spritelist.end() == std::find_if(spritelist.begin(), spritelist.end(),
                                         [](const spritelistitem& sprite) { return sprite.purpose == 1; }))
        return false;
    for (int32_t i = -1; i <= 1; ++i)
        for (int32_t j = -1; j <= 1; ++j) {
            if ((i == 0) == (j == 0)) continue;
            const int32_t nx = x + i, ny = y + j;
            if (nx < 1 || ny < 1 || nx > mapmaxx - 1 || ny > mapmaxy - 1) continue;
            const lcell& n = levelgrid[nx][ny];
            if (n.wall || n.door) continue;
            freesprite& s = freesprites[slot];
            s.x = 20 * x + 11 * i;
            s.y = 20 * y + 11 * j;
            s.z = 10;
            s.dirx = i;
            s.diry = j;
            s.name = randomspritename(1);
            const int32_t k = spriteindex(s.name);
            s.w = k >= 0 ? spritelist[static_cast<std::size_t>(k)].size : dw;
            s.h = k >= 0 ? spritelist[static_cast<std::size_t>(k)].size2 : dh;
            placed = true;
        }
    return placed;
}

int32_t TForm1::GetUnownedItem()
{
    std::vector<int32_t> unowned;
    for (int32_t id = 0; id < std::min(itemcount, items.Length()); ++id)
        if (items[id].count == 0 && items[id].itmtype != 0) unowned.push_back(id);
    if (unowned.empty()) return -1;
    return unowned[static_cast<std::size_t>(Random(static_cast<int32_t>(unowned.size())))];
}

bool TForm1::CheckDoorSpot(int32_t x, int32_t y)
{
    if (!openfloor(x, y)) return false;
    return (openfloor(x - 1, y) && openfloor(x + 1, y) && wallat(x, y - 1) && wallat(x, y + 1)) ||
           (openfloor(x, y - 1) && openfloor(x, y + 1) && wallat(x - 1, y) && wallat(x + 1, y));
}

void TForm1::RandomMap()
{
    const auto progress = [this](const std::string& text) {
        if (RandomMapProgress) RandomMapProgress(text);
    };

    // 1. Nothing of the level before stays lit or placed.
    for (lightslot& light : levellights) light.shining = false;
    for (freesprite& sprite : freesprites) sprite.enabled = false;
    for (freemesh& mesh : freemeshes) mesh.enabled = false;
    mapid.clear();
    // As with a map read, the camera jumps to the new level's start instead of gliding there through its rock.
    camsnap = true;

    // 2. The player light of generated levels; without its file, the light of a map without one.
    try {
        playerlightdata = ReadLightData(GamePath("\\levels\\defaultlightdata.txt"));
    } catch (const EGameDataError& e) {
        GameLog("Generated level: " + e.Message() + "; the default player light is used");
        playerlightdata = playerlightvalues{};
    }
    ApplyPlayerLight();

    // 3.
    mapmaxx = LevelSide(levelno);
    mapmaxy = LevelSide(levelno);
    const int32_t mx = mapmaxx, my = mapmaxy;

    // 4. A random enabled wall set; with none enabled, set 0.
    const int32_t sets = GetSets();
    bool anyEnabled = false;
    for (int32_t r = 0; r < std::min(sets, envrlist.Length()); ++r) anyEnabled = anyEnabled || envrlist[r].enabled;
    if (anyEnabled) {
        do envindex = Random(sets);
        while (!envrlist[envindex].enabled);
    } else {
        envindex = 0;
        GameLog("Generated level: no wall set is enabled; set 0 is used");
    }
    skyboxno = 0;

    // 5. Solid rock. Each cell starts afresh, so that nothing of the level before (its events, edge blocks,
    // visibility areas, skipped cells) lingers in the new one.
    for (int32_t x = 0; x <= mx; ++x)
        for (int32_t y = 0; y <= my; ++y) {
            lcell& c = levelgrid[x][y];
            c = lcell{};
            c.x = x;
            c.y = y;
            c.wall = true;
            c.spritename = "0";
            c.plz = 10;
            explored[x][y] = false;
        }
    for (freesprite& sprite : freesprites) sprite.enabled = false;

    // 6. A provisional start and exit, far enough apart; the rooms usually replace them.
    int32_t sx = 0, sy = 0, ex = 0, ey = 0;
    do {
        progress("placing start and exit");
        sx = Random(mx - 2) + 2;
        sy = Random(my - 2) + 2;
        ex = Random(mx - 2) + 2;
        ey = Random(my - 2) + 2;
    } while (sx == ex || sy == ey || GetDist(sx, sy, ex, ey) <= (mx + my) / 4.0);
    progress("");
    startx = sx;
    starty = sy;
    exitx = ex;
    exity = ey;

    // 7. How many rooms, laid out on a grid of columns and rows.
    const int32_t q = RoundInteger((mx + my) / 6.0);
    int32_t k = std::min(Random(q) + q, RoundInteger((mx + my) / 3.0));
    if (k < 2) k = 3;
    k = std::min(k, cMaxRooms);
    roomcount = k;
    const double root = std::sqrt(static_cast<double>(k));
    const int32_t cols = std::max(1, RoundInteger(root * mx / my));
    const int32_t rows = std::max(1, RoundInteger(root * my / mx));
    const double colstep = RoundInteger(static_cast<double>(mx) / cols);
    const double rowstep = RoundInteger(static_cast<double>(my) / rows);
    const int32_t m = Random(k - 2) + 2;
    bool startPlaced = false, exitPlaced = false;
    int32_t column = 0, row = 0;

    // 8.
    for (int32_t n = k; n >= 1; --n) {
        roomrec& room = rooms[n];
        room.shape = Random(2);
        room.w = HoldRoomSide(Random(5) + 3, mx, k);
        room.h = room.shape == 1 ? room.w : HoldRoomSide(Random(5) + RoundInteger(rowstep / 3) - 2, my, k);
        const int32_t least = room.shape == 1 ? 5 : 3;
        room.w = std::max(room.w, least);
        room.h = std::max(room.h, least);
        room.link = n == k ? 0 : n;

        room.kind = Random(12) + 2;
        if ((DeepKind(room.kind) || room.kind == 11) && Random(30) < 1) room.kind = 5;
        if (DeepKind(room.kind) && levelno < 5) room.kind = 5;
        if (Random(3) < 1 && !startPlaced) {
            room.kind = 0;
            startPlaced = true;
        }
        if (Random(3) < 1 && room.kind != 0 && !exitPlaced) {
            room.kind = 1;
            exitPlaced = true;
        }

        room.cx = Random(RoundInteger(room.w / 2.0)) + RoundInteger(column * colstep) + 2;
        room.cy = Random(RoundInteger(room.h / 2.0)) + RoundInteger(row * rowstep) + 2;
        if (room.cx < 1) room.cx = 2;
        if (room.cx > mx - 1) room.cx = mx - 2;
        if (room.cy < 1) room.cy = 2;
        if (room.cy > my - 1) room.cy = my - 2;

        // The last two rooms make sure of an exit and a start. A start that becomes the exit is no start any
        // more: room 1 takes it, else the level would start in the rock.
        if (n == 2 && !exitPlaced) {
            if (room.kind == 0) startPlaced = false;
            room.kind = 1;
        }
        if (n == 1 && !startPlaced) room.kind = 0;

        if (room.kind == 0) {
            room.link = m;
            startx = room.cx;
            starty = room.cy;
        } else if (room.kind == 1) {
            room.link = m;
            exitx = room.cx;
            exity = room.cy;
        }

        if (++column >= cols) {
            column = 0;
            ++row;
        }
    }

    // 9. The rooms.
    for (int32_t n = 1; n <= k; ++n) {
        const roomrec& room = rooms[n];
        if (room.shape == 0) {
            for (int32_t x = RoundInteger(room.cx - room.w / 2.0); x <= RoundInteger(room.cx + room.w / 2.0); ++x)
                for (int32_t y = RoundInteger(room.cy - room.h / 2.0); y <= RoundInteger(room.cy + room.h / 2.0);
                     ++y)
                    CarveInside(x, y);
        } else {
            const int32_t r0 = (room.w + 1) / 2;
            for (int32_t r = r0; r >= 1; --r) {
                const int32_t t = r0 - r;
                for (int32_t x = room.cx - r; x <= room.cx + r - 1; ++x) {
                    CarveInside(x, room.cy + t);
                    CarveInside(x, room.cy - t);
                }
            }
        }
    }

    // 10. The corridors of the ring.
    for (int32_t n = 1; n <= k; ++n) {
        const roomrec& from = rooms[n];
        const roomrec& to = rooms[from.link + 1];
        digpath(from.cx, from.cy, to.cx, to.cy);
    }

    // 11. The rooms' centres.
    for (int32_t n = 1; n <= k; ++n) {
        const roomrec& room = rooms[n];
        lcell& c = levelgrid[room.cx][room.cy];
        const TRoomContent& content = cRoomContents[room.kind];
        int32_t sprite = content.sprite;
        c.passable = room.kind <= 1;
        if (room.kind == 5) {
            c.chest = true;
            c.power = Random(3);
        }
        if (content.event != 0) {
            c.trap = true;
            c.traptype = content.event;
        }
        if (room.kind == 9) c.doorno = -1;
        if (room.kind == 11) {
            const int32_t l = Random(5);
            sprite = 7 - l;
            c.doorno = l;
        }
        if (room.kind == 12) c.doorno = GetUnownedItem();
        if (sprite >= 0) c.spritename = rndons[sprite];
    }

    // 12.
    AutoPlaceFloorCeil();

    // 13. Doors in the narrow passages.
    for (int32_t x = 1; x <= mx - 1; ++x)
        for (int32_t y = 1; y <= my - 1; ++y)
            if (CheckDoorSpot(x, y) && Random(10) < 3) {
                lcell& c = levelgrid[x][y];
                c.door = true;
                c.power = 0;
                c.passable = false;
            }

    // 14.
    autosetdoors();

    // 15. Decorations on about a quarter of the walls.
    for (freesprite& sprite : freesprites) sprite.enabled = false;
    for (int32_t x = 0; x <= mx; ++x)
        for (int32_t y = 0; y <= my; ++y) {
            if (!levelgrid[x][y].wall || Random(100) >= 24) continue;
            const int32_t slot = firstfreefsprite();
            if (slot < 0 || !placewallsprite(x, y, 10, 15, slot)) continue;
            freesprite& s = freesprites[slot];
            s.z = 10;
            s.fixed = true;
            s.enabled = true;
        }
}
