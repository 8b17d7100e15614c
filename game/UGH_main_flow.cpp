// The sequences that move the game from the character screen into the adventure and from one level to the next.
#include "UGH_main.h"

#include "UGH_data.h"
#include "UGH_log.h"

namespace {

// The cell a new game activates, whatever the start cell is: the start map's opening.
constexpr int32_t cNewGameCellX = 17, cNewGameCellY = 9;

} // namespace

void TForm1::StartNewGame()
{
    const std::string fileName =
        GamePath(adventureid != "map_" ? "\\levels\\" + adventureid + "startmap.map" : "\\levels\\startmap.map");
    // A start map that cannot be read leaves the character screen as it was.
    try {
        LoadMap(fileName);
    } catch (const EGameDataError& e) {
        GameLog("New game: " + e.Message());
        ShowRequestForm("", e.Message(), 0, 1, 0, "");
        return;
    }
    chargen = false;
    levelno = -1;
    BuildLevel();
    GoToStart();
    CheckAvisars(playerx, playery);
    FullMBW(viewdist);
    ActivateCell(cNewGameCellX, cNewGameCellY);
}

void TForm1::ChangeLevelNormally()
{
    ChangeLevel(0, "");
}

void TForm1::ChangeLevel(int32_t way, const std::string& param)
{
    const int32_t previous = levelno;
    ++levelno;
    const std::string name = way != 0 ? param : adventureid + std::to_string(levelno);
    const std::string fileName = GamePath("\\levels\\" + name + ".map");
    // Until levels can be generated, a level change without a map to read is reported and the player stays.
    std::string failure;
    if (randommode) {
        failure = "The level \"" + name + "\" would be generated, and levels cannot be generated.";
    } else if (!DataFileExists(fileName)) {
        failure = "The map file \"" + fileName + "\" is missing.";
    } else {
        try {
            LoadMap(fileName);
        } catch (const EGameDataError& e) {
            failure = e.Message();
        }
    }
    if (!failure.empty()) {
        levelno = previous;
        GameLog("Level change: " + failure);
        ShowRequestForm("", failure, 0, 1, 0, "");
        return;
    }
    levelsteps = 0;
    BuildLevel();
    GoToStart();
    CheckAvisars(playerx, playery);
    FullMBW(viewdist);
    ProcessLights();
}
