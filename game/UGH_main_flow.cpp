// The sequences that move the game from the character screen into the adventure, from one level to the next, into
// and out of the saved game, and back to the main menu on death.
#include "UGH_main.h"

#include "GLColor.h"
#include "UGH_data.h"
#include "UGH_log.h"
#include "VAVodad.h"

namespace {

// The cell a new game activates, whatever the start cell is: the start map's opening.
constexpr int32_t cNewGameCellX = 17, cNewGameCellY = 9;

} // namespace

void TForm1::NGLaunch()
{
    ingame = chargen = invmode = uirefresh = true;
    mmmode = false;
    ResetStats();
    if (!loading) RunScriptFile("\\scripts\\startscript.txt");
    // The name entry shows over the character screen.
    ShowRequestForm(strarr[89], "", 0, 0, 0, "");
}

void TForm1::ResetStats()
{
    levelno = 0;
    player.bstr = player.bint = player.bspd = player.bend = 10;
    player.bsw = player.bbw = player.bar = player.bmg = 10;
    player.bonuspoints = 0;
    perkpoints = 0;
    player.xp = 0;
    player.lvl = 1;
    player.xpreq = 1000;
    player.name = "Character";
    player.spec = player.sex = player.element = 0;
    // A new character's look starts over too: the last game's hair, face and worn items belong to that game.
    player.face = player.hair = player.cloth = player.hat = 0;
    equipped.Fill(-1);
    player.spellbook.Fill(false);
    player.spellen.Fill(true);
    for (loot& item : items) item.count = 0;
    player.perks.Fill(false);
    keys1 = keys2 = levelsteps = 0;
    battlelist.Fill(-2);
    btlslots.Fill(FreeBattleSlot());
    intvars.Fill(0);
    strvars.Fill(std::string());
    defineparbonuses();
}

void TForm1::StartNewGame()
{
    const std::string fileName =
        GamePath(adventureid != "map_" ? "\\levels\\" + adventureid + "startmap.map" : "\\levels\\startmap.map");
    // A start map that cannot be read ends the new game: back to the main menu, its level as it was.
    try {
        ReadLevel(fileName);
    } catch (const EGameDataError& e) {
        GameLog("New game: " + e.Message());
        ingame = chargen = invmode = false;
        mmmode = uirefresh = true;
        ShowRequestForm("", e.Message(), 0, 1, 0, "");
        return;
    }
    ClearJournal();
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
    if (randommode || !DataFileExists(fileName)) {
        // The level before goes whole (its roaming monsters and events too), then the generator fills the grid.
        ClearLevel();
        RandomMap();
    } else {
        // A map that exists but cannot be read leaves the player where he is.
        try {
            ReadLevel(fileName);
        } catch (const EGameDataError& e) {
            levelno = previous;
            GameLog("Level change: " + e.Message());
            ShowRequestForm("", e.Message(), 0, 1, 0, "");
            return;
        }
    }
    levelsteps = 0;
    BuildLevel();
    GoToStart();
    CheckAvisars(playerx, playery);
    FullMBW(viewdist);
    if (hardcore) SaveGame();
    ProcessLights();
}

void TForm1::SaveGame()
{
    // A game is in play, or waits behind the menu over its own level. The main menu's level and the character
    // screen have none to save: the saved one stays.
    if (chargen || (!ingame && mapid == "mm_map")) {
        GameLog("Save: no game is in play; nothing is saved");
        return;
    }
    playerlightvalues light = playerlightdata;
    if (playerlight) {
        const TGLColor* diffuse = playerlight->Diffuse();
        light = {playerlight->ConstAttenuation(), playerlight->LinearAttenuation(),
                 playerlight->QuadraticAttenuation(), diffuse->Red(), diffuse->Green(), diffuse->Blue()};
    }
    try {
        WriteSaveSet(light, activecard);
    } catch (const EGameDataError& e) {
        GameLog("Save: " + e.Message());
        ShowRequestForm("", e.Message(), 0, 1, 0, "");
        return;
    }
    ShowRequestForm(strarr[34], strarr[35], 0, 1, 0, "");
}

void TForm1::AskToSave()
{
    if (hardcore) ShowRequestForm(strarr[305], strarr[306], 0, 1, 0, "");
    else SaveGame();
}

void TForm1::LoadGame()
{
    // The set is read whole and checked before it replaces anything of the running game.
    TSavedGame game;
    try {
        game = ReadSaveSet();
    } catch (const EGameDataError& e) {
        GameLog("Load: " + e.Message());
        ShowRequestForm("", e.Message(), 0, 1, 0, "");
        return;
    }
    activecard = game.activecard;
    cleargslist();
    for (const std::string& name : game.gsnames) {
        // A script that no longer reads is left out; the others start.
        try {
            addglobscript(name);
        } catch (const Exception& e) {
            GameLog("Load: global script " + name + ": " + e.Message());
        }
    }
    if (game.light) playerlightdata = *game.light;
    ApplyPlayerLight();
    defineparbonuses();
    ingame = true;
    mmmode = btlmode = false;
    clearbattlelist();
    // The saved cell and facing hold: the player is not put on the level's start.
    BuildLevel();
    CheckAvisars(playerx, playery);
    FullMBW(viewdist);
    ProcessLights();
}

void TForm1::ApplyPlayerLight()
{
    if (!playerlight) return;
    const playerlightvalues& l = playerlightdata;
    playerlight->SetConstAttenuation(static_cast<float>(l.ca));
    playerlight->SetLinearAttenuation(static_cast<float>(l.la));
    playerlight->SetQuadraticAttenuation(static_cast<float>(l.qa));
    playerlight->Diffuse()->SetColor(static_cast<float>(l.dr), static_cast<float>(l.dg), static_cast<float>(l.db));
}

void TForm1::ReadLevel(const std::string& fileName)
{
    LoadMap(fileName, LoadScreenProgress());
    ApplyPlayerLight();
}

void TForm1::KillPlayer()
{
    ClearLevel();
    // A main-menu level that cannot be read leaves the menu without a level behind it; the game still ends.
    try {
        ReadLevel(GamePath("\\levels\\mm_map.map"));
        levelno = -1;
        BuildLevel();
        GoToStart();
        CheckAvisars(playerx, playery);
        FullMBW(viewdist);
    } catch (const EGameDataError& e) {
        levelno = -1;
        GameLog("Death: " + e.Message());
    }
    ingame = invmode = itemlistmode = false;
    mmmode = true;
    ResetStats();
    ShowRequestForm(strarr[128], strarr[129], 0, 1, 1, "");
    scriptpopups = true;
}
