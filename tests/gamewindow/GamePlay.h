// Playing the game as a player does, for the end-to-end suites that explore and fight: the requests answered with
// Enter, the player set down on a cell (where a walk there would be long) or stepping onto one, buttons clicked
// where the last frame laid them out, and battles fought by clicks until they end.
#pragma once

#include "GameWindow.h"
#include "UGH_data.h"
#include "VirtualKeys.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

class GamePlay : public GameWindow {
protected:
    // Frames of half a second: a step's glide and a played card's flight end within one or two.
    static constexpr double cFrame = 0.5;
    // Far more frames than a battle needs; a battle still running after them has stalled.
    static constexpr int cFrameLimit = 120;

    // Every request waiting or on screen answered with Enter, a frame after each.
    static void AnswerRequests();
    // The player set down on (x, y) facing side, the camera settled with him and the level shown from there.
    static void SetDown(int32_t x, int32_t y, int32_t side);
    // The player set down on a free cell beside (x, y) facing it, then one step onto it (which activates it).
    static void StepOnto(int32_t x, int32_t y);
    // The player may act: his turn has started, no card is in flight and the hand is on the table.
    static bool PlayersMove();
    // A click on game button id where the last frame laid it out.
    static void Click(int32_t id);

    // Frames until the battle ends: at each of the player's moves button(n) is clicked (n counts the moves), a
    // request that shows is answered, and the enemies' worth is noted while they stand. The screen at the first
    // move is kept as the picture named, when one is named.
    template <class F> static int32_t FightWith(F button, const std::string& picture = std::string())
    {
        int32_t worth = 0;
        int moves = 0;
        for (int frame = 0; frame < cFrameLimit && btlmode; ++frame) {
            if (rfmode) {
                PressKey(VK_RETURN);
            } else if (PlayersMove()) {
                if (moves == 0 && !picture.empty()) {
                    // The player's turn waits for him: half a second lets the enemy's picture grow to its size.
                    StepFrames(30, cFrame);
                    SavePicture(*Snapshot(), picture);
                }
                Click(button(moves++));
            }
            if (btlmode) worth = Game().ebw();
            StepFrames(1, cFrame);
        }
        EXPECT_FALSE(btlmode) << "the battle did not end";
        return worth;
    }
};
