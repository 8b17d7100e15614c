// Door faces: which pair of neighbours a door connects, taken from the cells around it.
#include "UGH_data.h"

namespace {

// A door faces away from blocked neighbours; a cell off the grid in use blocks as a wall does.
bool DoorFaceBlocked(int32_t x, int32_t y)
{
    if (x < 0 || y < 0 || x > mapmaxx || y > mapmaxy) return true;
    const lcell& c = levelgrid[x][y];
    return !c.passable || c.door || c.wall;
}

} // namespace

void setcelldoorface(int32_t x, int32_t y)
{
    lcell& c = levelgrid[x][y];
    if (DoorFaceBlocked(x, y - 1) && DoorFaceBlocked(x, y + 1)) c.doorface = 90;
    if (DoorFaceBlocked(x - 1, y) && DoorFaceBlocked(x + 1, y)) c.doorface = 0;
}

void autosetdoors()
{
    for (int32_t x = 0; x <= mapmaxx; ++x)
        for (int32_t y = 0; y <= mapmaxy; ++y)
            if (levelgrid[x][y].door) setcelldoorface(x, y);
}
