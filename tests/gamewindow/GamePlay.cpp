#include "GamePlay.h"

#include "GLObjects.h"

#include <utility>

void GamePlay::AnswerRequests()
{
    StepFrames(1, cFrame);
    for (int n = 0; n < 20 && (rfmode || rfqueue[1].active); ++n) {
        if (rfmode) PressKey(VK_RETURN);
        StepFrames(1, cFrame);
    }
}

void GamePlay::SetDown(int32_t x, int32_t y, int32_t side)
{
    playerx = x;
    playery = y;
    lookside = side;
    TForm1::GetDirsFromLookside(side, lookdirx, lookdiry);
    camtx = 20 * x;
    camty = 20 * y;
    camtz = levelgrid[x][y].plz;
    Game().mcam->Position()->SetPoint(20.0f * x, 20.0f * y, static_cast<float>(camtz));
    Game().mcam->Direction()->SetVector(static_cast<float>(lookdirx), static_cast<float>(lookdiry), 0);
    // The level shows around him as after a teleport: his cell's areas and the view from there.
    Game().CheckAvisars(x, y);
    Game().FullMBW(viewdist);
}

void GamePlay::StepOnto(int32_t x, int32_t y)
{
    for (int32_t side = 0; side <= 3; ++side) {
        int32_t dx = 0, dy = 0;
        TForm1::GetDirsFromLookside(side, dx, dy);
        const int32_t fromx = x - dx, fromy = y - dy;
        if (fromx < 0 || fromy < 0 || fromx > mapmaxx || fromy > mapmaxy) continue;
        const lcell& from = levelgrid[fromx][fromy];
        if (!from.passable || from.trap) continue;
        SetDown(fromx, fromy, side);
        PressKey(VK_UP);
        ASSERT_EQ(std::make_pair(playerx, playery), std::make_pair(x, y));
        return;
    }
    FAIL() << "no free cell beside " << x << ", " << y;
}

bool GamePlay::PlayersMove()
{
    return btlmode && btlturn == 0 && turnstarted[0] && !playercardflying && !enemycardflying && gbuttons[10].visible;
}

void GamePlay::Click(int32_t id)
{
    ASSERT_TRUE(gbuttons[id].visible) << id;
    PressMouse(gbuttons[id].x, gbuttons[id].y);
}
