// The saved game on an unshown main window: saving and loading back what the player had, refusing a missing or
// broken set without touching the running game, and when saving is asked for (the save button, F8, a level
// change in hardcore).
#include "UGH_main.h"

#include "UGH_data.h"
#include "VAVodad.h"
#include "VirtualKeys.h"

#include "GameStateSnapshot.h"
#include "MainWindowLevel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// A game on level "fen" (10 x 10, open inside its border): the player on (3, 4) facing -x, with items, a card,
// explored cells, a moved free mesh, a stopped global script, a journal and a light of his own.
class SavedGame : public MainWindowLevel {
protected:
    void SetUp() override
    {
        MainWindowLevel::SetUp();
        OpenLevel(9, 9);
        mapid = mapname = "fen";
        levelbusy = false;
        PlaceAt(3, 4);
        lookside = 2;
        items[5].count = 2;
        player.spellbook[7] = true;
        explored[3][4] = explored[2][4] = true;
        for (freemesh* mesh : {&mapfreemeshes[1], &freemeshes[1]}) {
            mesh->enabled = true;
            mesh->name = "m_wall";
            mesh->x = 20;
            mesh->y = 60;
        }
        freemeshes[1].x = 40;
        jseq = {0, 4};
        folder.Write("scripts/clock.txt", "Wait 1\r\n");
        form->addglobscript("clock");
        form->stopglobscript("clock");
        form->playerlight->SetConstAttenuation(0.5f);
        form->playerlight->SetLinearAttenuation(0.25f);
        form->playerlight->SetQuadraticAttenuation(0.0625f);
        form->playerlight->Diffuse()->SetColor(0.2f, 0.4f, 0.6f);
        activecard = 4;
        ingame = true;
    }

    // The waiting requests as (title, text).
    static std::vector<std::pair<std::string, std::string>> Waiting()
    {
        std::vector<std::pair<std::string, std::string>> waiting;
        for (int32_t k = 1; k <= rfqueue.High() && rfqueue[k].active; ++k)
            waiting.emplace_back(rfqueue[k].ttl_text, rfqueue[k].main_text);
        return waiting;
    }
    static void ClearRequests()
    {
        for (rqftp& request : rfqueue) request.active = false;
    }

    std::string SavedFile(const std::string& name) const { return folder.Read("saves/" + name); }

    TScopedValue<bool> savedHardcore{hardcore, false};
    TScopedValue<bool> savedRandommode{randommode, false};
    TScopedValue<int32_t> savedCard{activecard, 0};
    TScopedValue<std::string> savedAdventure{adventureid, "map_"};
};

} // namespace

TEST_F(SavedGame, LoadingRestoresWhatWasSavedAndGoesOnExploringThere)
{
    form->SaveGame();
    EXPECT_EQ(Waiting(), (std::vector<std::pair<std::string, std::string>>{{"s34", "s35"}}));
    ClearRequests();

    // The game goes on from the main menu with a battle pending, elsewhere and with everything changed.
    PlaceAt(5, 5);
    items[5].count = 0;
    player.spellbook[7] = false;
    for (auto& column : explored) column.Fill(false);
    freemeshes[1].x = 100;
    jseq.push_back(9);
    form->cleargslist();
    form->playerlight->SetConstAttenuation(1);
    form->playerlight->Diffuse()->SetColor(1, 1, 1);
    activecard = 0;
    mmmode = btlmode = true;
    ingame = false;
    battlelist[0] = 3;

    form->LoadGame();
    EXPECT_TRUE(Waiting().empty());
    EXPECT_EQ(std::tuple(playerx, playery, lookside), std::tuple(3, 4, 2));
    EXPECT_EQ(items[5].count, 2);
    EXPECT_TRUE(player.spellbook[7]);
    EXPECT_TRUE(explored[3][4] && explored[2][4]);
    EXPECT_FALSE(explored[5][5]);
    // The moved free mesh stands where it was saved, in the level's own table as well.
    EXPECT_EQ(freemeshes[1].x, 40);
    EXPECT_EQ(mapfreemeshes[1].x, 40);
    ASSERT_NE(fmeshobjs[1], nullptr);
    EXPECT_EQ(jseq, (TDynArray<int32_t>{0, 4}));
    ASSERT_EQ(gslist.size(), 1u);
    EXPECT_EQ(gslist[0].id, "clock");
    EXPECT_TRUE(gslist[0].active);
    EXPECT_EQ(form->playerlight->ConstAttenuation(), 0.5f);
    EXPECT_EQ(form->playerlight->LinearAttenuation(), 0.25f);
    EXPECT_NEAR(form->playerlight->QuadraticAttenuation(), 0.0625f, 1e-4);
    EXPECT_NEAR(form->playerlight->Diffuse()->Red(), 51 / 255.0, 1e-6);
    EXPECT_NEAR(form->playerlight->Diffuse()->Blue(), 153 / 255.0, 1e-6);
    EXPECT_EQ(activecard, 4);
    EXPECT_TRUE(ingame);
    EXPECT_FALSE(mmmode || btlmode);
    EXPECT_EQ(battlelist[0], -2);
    EXPECT_EQ(mapid, "fen");
    EXPECT_TRUE(camsnap);
}

TEST_F(SavedGame, AMissingOrBrokenSetIsRefusedNamingItsFileAndTheRunningGameStays)
{
    form->SaveGame();
    std::vector<std::string> lines;
    const std::string state = SavedFile("chsave2.sav");
    for (std::size_t at = 0, end; (end = state.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(state.substr(at, end - at));
    lines[7] = "10"; // playerx beyond the saved map's highest cell 9
    std::string outside;
    for (const std::string& line : lines) outside += line + "\r\n";

    struct TCase {
        std::string file, bytes; // no bytes: the file is removed
    };
    const TCase cases[] = {
        {"chsave2.sav", state.substr(0, state.size() / 2)},
        {"saved.map", ""},
        {"chsave2.sav", outside},
    };
    const std::filesystem::path saves = folder.path / "saves";
    const std::filesystem::path good = folder.path / "good";
    std::filesystem::copy(saves, good);

    // The running game is the main menu on another level.
    OpenLevel(7, 7);
    mapid = "mm_map";
    PlaceAt(2, 2);
    mmmode = true;
    ingame = false;
    form->stopglobscript("clock");
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.file + " " + std::to_string(c.bytes.size()));
        std::filesystem::remove_all(saves);
        std::filesystem::copy(good, saves);
        if (c.bytes.empty()) std::filesystem::remove(saves / c.file);
        else folder.Write("saves/" + c.file, c.bytes);
        ClearRequests();
        const TGameSnapshot running = GameSnapshot();
        const float light = form->playerlight->ConstAttenuation();

        form->LoadGame();
        EXPECT_TRUE(GameSnapshot() == running);
        EXPECT_EQ(form->playerlight->ConstAttenuation(), light);
        ASSERT_EQ(Waiting().size(), 1u);
        EXPECT_NE(Waiting()[0].second.find(c.file), std::string::npos) << Waiting()[0].second;
        EXPECT_FALSE(levelbusy);
    }
}

TEST_F(SavedGame, SavingIsAskedByTheButtonAndF8AndRefusedInHardcoreWhereEachLevelChangeSaves)
{
    struct TCase {
        bool hard;
        bool key; // F8, else the save button
    };
    for (const TCase c : {TCase{false, false}, {false, true}, {true, false}, {true, true}}) {
        SCOPED_TRACE(std::to_string(c.hard) + (c.key ? " F8" : " button"));
        std::filesystem::remove_all(folder.path / "saves");
        ClearRequests();
        hardcore = c.hard;
        if (c.key) {
            uint16_t key = VK_F1 + 7;
            form->FormKeyUp(nullptr, key, {});
        } else {
            form->ClickGButton(28);
        }
        EXPECT_EQ(std::filesystem::exists(folder.path / "saves/chsave2.sav"), !c.hard);
        EXPECT_EQ(Waiting(), (std::vector<std::pair<std::string, std::string>>{
                                 c.hard ? std::pair{"s305", "s306"} : std::pair{"s34", "s35"}}));
    }

    // In hardcore the level reached is saved at once, the player on its start.
    std::filesystem::create_directories(folder.path / "levels");
    mapid = "map_0";
    startx = 6;
    starty = 2;
    SaveMap(gamedir + "\\levels\\map_0.map", true);
    mapid = "fen";
    levelno = -1;
    hardcore = true;
    form->ChangeLevelNormally();
    EXPECT_EQ(ReadMapFile(gamedir + "\\saves\\saved.map").mapid, "map_0");
    const TPlayerState saved = LoadPlayer(gamedir + "\\saves\\chsave2.sav", mapmaxx, mapmaxy, player);
    EXPECT_EQ(std::tuple(saved.playerx, saved.playery, saved.levelno), std::tuple(6, 2, 0));
}

TEST_F(SavedGame, TheMainMenuAndTheCharacterScreenSaveNothingWhileAGameBehindTheMenuIsSaved)
{
    form->SaveGame();
    const std::string saved = SavedFile("chsave1.sav");
    player.name = "another";
    struct TCase {
        const char* what;
        std::string map;
        bool ingame, mmmode, chargen, written;
    };
    const TCase cases[] = {
        {"the main menu", "mm_map", false, true, false, false},
        {"the character screen", "mm_map", true, false, true, false},
        {"the menu over a game", "fen", false, true, false, true},
    };
    for (const TCase& c : cases) {
        for (const bool key : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (key ? " F8" : " button"));
            mapid = c.map;
            ingame = c.ingame;
            mmmode = c.mmmode;
            chargen = c.chargen;
            ClearRequests();
            if (key) {
                uint16_t f8 = VK_F1 + 7;
                form->FormKeyUp(nullptr, f8, {});
            } else {
                form->ClickGButton(28);
            }
            EXPECT_EQ(SavedFile("chsave1.sav") != saved, c.written);
            EXPECT_EQ(!Waiting().empty(), c.written);
        }
    }
    chargen = mmmode = false;
}
