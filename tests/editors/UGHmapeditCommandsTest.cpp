// The map editor's menus and map-wide commands, and what it exports: the map picture and the monster and card
// tables as a spreadsheet (through a recording program, and as a workbook file read back).
#include "EditorFixture.h"

#include "Menus.h"
#include "Raises.h"
#include "RecordingSpreadsheet.h"
#include "ShellOpen.h"
#include "SpreadsheetApp.h"
#include "SysUtils.h"
#include "VirtualKeys.h"
#include "ZipEntries.h"

#include <gmock/gmock.h>

#include <cstring>
#include <optional>

namespace {

class MapEditorCommands : public EditorFixture {
protected:
    // The file dialogs answer name (cancel when none) and are recorded.
    void AnswerFileDialogs(std::optional<std::string> name)
    {
        SetFileDialogHook([this, name](const TFileDialogRequest& request, std::string& chosen) {
            dialogs.push_back(request);
            if (name) chosen = *name;
            return name.has_value();
        });
    }
    // The questions are answered with answer and recorded with the other messages.
    void AnswerQuestions(TModalResult answer)
    {
        SetMessageBoxHook([this, answer](const TMessageBoxRequest& request) {
            messages.push_back(request.Text);
            return request.Buttons == mbsOK ? mrOk : answer;
        });
    }
    std::vector<TFileDialogRequest> dialogs;
};

const char* const cMapFilter = "Map files (*.map)|*.map|All files (*.*)|*.*";

} // namespace

// The menu entries with their shortcuts reach the toolbar's commands: Ctrl+S and Ctrl+O ask for a map file
// (the load going on as after a cancel), Ctrl+N empties the level, Ctrl+B builds it.
TEST_F(MapEditorCommands, ShortcutsRunTheFileAndMapCommands)
{
    AnswerFileDialogs(std::nullopt);
    ASSERT_TRUE(editor->IsShortCut('S', TShiftState{ssCtrl}));
    ASSERT_TRUE(editor->IsShortCut('O', TShiftState{ssCtrl}));
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].Kind, fdSave);
    EXPECT_EQ(dialogs[1].Kind, fdOpen);
    for (const TFileDialogRequest& request : dialogs) {
        EXPECT_EQ(request.Filter, cMapFilter);
        EXPECT_EQ(request.DefaultExt, "map");
    }
    levelgrid[3][3].wall = true;
    levelgrid[3][3].passable = false;
    ASSERT_TRUE(editor->IsShortCut('B', TShiftState{ssCtrl}));
    EXPECT_NE(cellwalls[3][3], nullptr);
    ASSERT_TRUE(editor->IsShortCut('N', TShiftState{ssCtrl}));
    EXPECT_FALSE(levelgrid[3][3].wall);
    EXPECT_TRUE(levelgrid[0][3].wall); // the border of a cleared level
}

// Save asks before replacing a file: No leaves it byte for byte, Yes writes the map with the editor's free
// meshes; a new name is written without a question.
TEST_F(MapEditorCommands, SaveAsksBeforeReplacingAFile)
{
    const std::string existing = GamePath("\\levels\\startmap.map");
    const std::string before = folder.Read("levels/startmap.map");
    mapfreemeshes[7].enabled = true;
    mapfreemeshes[7].name = "pillar";
    levelgrid[2][2].textid = 4321;
    AnswerFileDialogs(existing);
    AnswerQuestions(mrNo);
    editor->Save1->Click();
    EXPECT_EQ(messages, std::vector<std::string>{"This file already exists. Overwrite?"});
    EXPECT_EQ(folder.Read("levels/startmap.map"), before);

    AnswerQuestions(mrYes);
    editor->Save1->Click();
    EXPECT_NE(folder.Read("levels/startmap.map"), before);
    const TLevelData saved = ReadMapFile(existing);
    EXPECT_EQ(saved.levelgrid[2][2].textid, 4321);
    EXPECT_EQ(saved.mapfreemeshes[7].name, "pillar");

    messages.clear();
    AnswerFileDialogs(GamePath("\\levels\\copy.map"));
    editor->Save1->Click();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(ReadMapFile(GamePath("\\levels\\copy.map")).levelgrid[2][2].textid, 4321);
}

// A cancelled load still builds the level from the tables and puts the player on its start; the boxes show the
// map's skybox, id and size. A chosen map is read first.
TEST_F(MapEditorCommands, LoadRebuildsAndReturnsToTheStartEvenWhenCancelled)
{
    for (const std::optional<std::string>& chosen : {std::optional<std::string>(), std::optional<std::string>(GamePath("\\levels\\map_0.map"))}) {
        playerx = playery = 1;
        levelgrid[startx][starty + 1].wall = true;
        levelgrid[startx][starty + 1].passable = false;
        const int32_t wallx = startx, wally = starty + 1;
        AnswerFileDialogs(chosen);
        editor->Open1->Click();
        const std::string expectedId = chosen ? "map_0" : "startmap";
        EXPECT_EQ(mapid, expectedId);
        EXPECT_EQ(playerx, startx);
        EXPECT_EQ(playery, starty);
        if (!chosen) EXPECT_NE(cellwalls[wallx][wally], nullptr);
        EXPECT_EQ(editor->Edit23->Text(), expectedId);
        EXPECT_EQ(editor->Edit26->Text(), IntToStr(mapmaxx));
        EXPECT_EQ(editor->Edit27->Text(), IntToStr(mapmaxy));
        EXPECT_EQ(editor->Edit25->Text(), folder.Read("levels/" + expectedId + "/skybox.txt").substr(0, 1));
    }
}

// A map that cannot be read is refused naming its file, and the level stays as it was.
TEST_F(MapEditorCommands, AnUnreadableMapIsRefusedAndChangesNothing)
{
    folder.Write("levels/bad.map", "22\nbad\nnot a number\n");
    levelgrid[3][3].textid = 999;
    const TLevelData before = CurrentLevelData();
    AnswerFileDialogs(GamePath("\\levels\\bad.map"));
    EXPECT_THAT(MessageOf<EGameDataError>([&] { editor->Open1->Click(); }), testing::HasSubstr("bad.map"));
    EXPECT_TRUE(CurrentLevelData() == before);
}

// "Auto" numbers the cells of the used grid x outer, "no f/c" takes every floor and ceiling away, "auto
// floor/ceil" places them where the player can stand: each behind its question, Cancel changing nothing.
TEST_F(MapEditorCommands, BulkCellCommandsAskFirst)
{
    mapmaxx = 2;
    mapmaxy = 1;
    main->ClearLevel(); // a border of walls, no floors
    levelgrid[1][1].passable = true;
    levelgrid[1][0].floor = levelgrid[2][1].ceil = true;
    levelgrid[3][0].textid = -7; // outside the used grid
    struct TCase {
        TButton* TForm2::*button;
        const char* question;
    };
    const TCase cases[] = {
        {&TForm2::Button22, "Are you sure you want to set cellid automatically?"},
        {&TForm2::Button23, "Are you sure you want to remove all floors and ceilings?"},
        {&TForm2::Button24, "Are you sure you want to set floor and ceilings automatically?"},
    };
    for (const TCase& c : cases) {
        const TLevelData before = CurrentLevelData();
        messages.clear();
        AnswerQuestions(mrCancel);
        (editor.get()->*c.button)->Click();
        EXPECT_EQ(messages, std::vector<std::string>{c.question});
        EXPECT_TRUE(CurrentLevelData() == before) << c.question;
        AnswerQuestions(mrYes);
        (editor.get()->*c.button)->Click();
        EXPECT_FALSE(CurrentLevelData() == before) << c.question;
        if (c.question == cases[0].question) {
            const int32_t expected[3][2] = {{1, 2}, {3, 4}, {5, 6}};
            for (int32_t x = 0; x <= 2; ++x)
                for (int32_t y = 0; y <= 1; ++y) EXPECT_EQ(levelgrid[x][y].textid, expected[x][y]) << x << "," << y;
            EXPECT_EQ(levelgrid[3][0].textid, -7);
        } else if (c.question == cases[1].question) {
            for (int32_t x = 0; x <= 2; ++x)
                for (int32_t y = 0; y <= 1; ++y) EXPECT_FALSE(levelgrid[x][y].floor || levelgrid[x][y].ceil);
        } else {
            EXPECT_TRUE(levelgrid[1][1].floor && levelgrid[1][1].ceil);
            EXPECT_FALSE(levelgrid[0][0].floor || levelgrid[0][0].ceil); // a wall of the border
        }
    }
}

// "clr empt." gives every unnamed cell sprite the name "0" (no sprite) and leaves the others alone.
TEST_F(MapEditorCommands, ClearEmptyNamesTheEmptySprites)
{
    levelgrid[1][1].spritename = "";
    levelgrid[2][1].spritename = "spr_grass";
    editor->Button32->Click();
    EXPECT_EQ(levelgrid[1][1].spritename, "0");
    EXPECT_EQ(levelgrid[2][1].spritename, "spr_grass");
}

// Shadow casting: the selection's walls cast and its other cells stop, whichever corner the cursor is at;
// "Remove shadowcasting" clears the whole grid, beyond the used part too.
TEST_F(MapEditorCommands, ShadowCommands)
{
    for (auto& column : levelgrid)
        for (lcell& cell : column) cell.shcast = true, cell.wall = false;
    levelgrid[4][2].wall = true;
    edcurx = 5, edcury = 3;
    edselx = 4, edsely = 2;
    levelgrid[3][3].shcast = true;
    editor->Makeselectioncastshadows1->Click();
    EXPECT_TRUE(levelgrid[4][2].shcast);
    for (const auto [x, y] : {std::pair{4, 3}, std::pair{5, 2}, std::pair{5, 3}}) EXPECT_FALSE(levelgrid[x][y].shcast);
    EXPECT_TRUE(levelgrid[3][3].shcast);
    EXPECT_TRUE(levelgrid[6][2].shcast);
    editor->Removeshadowcasting1->Click();
    for (auto& column : levelgrid)
        for (const lcell& cell : column) ASSERT_FALSE(cell.shcast);
    EXPECT_FALSE(levelgrid[100][100].shcast);
}

// The copy buffer's dump: one key=value line per field in its order, Booleans as -1 and 0.
TEST_F(MapEditorCommands, BufferedCellDataListsTheCopyBuffer)
{
    editor->ScrMemo->Lines()->Add("old text");
    editor->BufferedCellData1->Click();
    const std::vector<std::string> cleared = {
        "passable=0", "wall=0", "floor=0", "ceil=0", "chest=0", "chestno=0", "door=0", "doorno=0",
        "trap=0", "traptype=0", "power=0", "textid=0", "spritename=", "cco=", "fco=", "wco=", "wmo=", "ta=0",
        "ra=0", "pa=0", "dx=0", "dy=0", "dz=0"};
    std::vector<std::string> lines;
    for (int i = 0; i < editor->ScrMemo->Lines()->Count(); ++i) lines.push_back(editor->ScrMemo->Lines()->Strings(i));
    EXPECT_EQ(lines, cleared);

    edcellbuf.passable = edcellbuf.door = true;
    edcellbuf.chestno = -3;
    edcellbuf.spritename = "spr_sign";
    edcellbuf.wmo = "m_arch";
    edcellbuf.dz = 12;
    editor->BufferedCellData1->Click();
    EXPECT_EQ(editor->ScrMemo->Lines()->Strings(0), "passable=-1");
    EXPECT_EQ(editor->ScrMemo->Lines()->Strings(5), "chestno=-3");
    EXPECT_EQ(editor->ScrMemo->Lines()->Strings(6), "door=-1");
    EXPECT_EQ(editor->ScrMemo->Lines()->Strings(12), "spritename=spr_sign");
    EXPECT_EQ(editor->ScrMemo->Lines()->Strings(16), "wmo=m_arch");
    EXPECT_EQ(editor->ScrMemo->Lines()->Strings(22), "dz=12");
}

// "Auto Get Door Angles" turns every door of the used grid to its passage and leaves a door in the open alone;
// "Random" makes a level whose doors already face theirs, and builds it.
TEST_F(MapEditorCommands, DoorAnglesFollowTheirPassages)
{
    mapmaxx = 6;
    mapmaxy = 6;
    main->ClearLevel(); // open inside its border
    // (2, 2) between walls left and right, (4, 4) between walls above and below, (4, 2) in the open.
    for (const auto [x, y] : {std::pair{1, 2}, std::pair{3, 2}, std::pair{4, 3}, std::pair{4, 5}}) {
        levelgrid[x][y].wall = true;
        levelgrid[x][y].passable = false;
    }
    for (const auto [x, y] : {std::pair{2, 2}, std::pair{4, 4}, std::pair{4, 2}}) {
        levelgrid[x][y].door = true;
        levelgrid[x][y].doorface = 45;
    }
    editor->AutoGetDoorAngles1->Click();
    EXPECT_EQ(levelgrid[2][2].doorface, 0);
    EXPECT_EQ(levelgrid[4][4].doorface, 90);
    EXPECT_EQ(levelgrid[4][2].doorface, 45);

    const TLevelData before = CurrentLevelData();
    levelno = 2;
    editor->Random1->Click();
    EXPECT_FALSE(CurrentLevelData() == before);
    for (int32_t x = 0; x <= mapmaxx; ++x)
        for (int32_t y = 0; y <= mapmaxy; ++y) {
            if (!levelgrid[x][y].door) continue;
            const int32_t face = levelgrid[x][y].doorface;
            setcelldoorface(x, y);
            EXPECT_EQ(levelgrid[x][y].doorface, face) << x << "," << y;
        }
    bool built = false;
    for (int32_t x = 0; x <= mapmaxx; ++x)
        for (int32_t y = 0; y <= mapmaxy; ++y) built = built || cellwalls[x][y] != nullptr;
    EXPECT_TRUE(built);
}

// "Toggle Edit View" flips the game's edit view; Help asks the desktop to open the scripting reference.
TEST_F(MapEditorCommands, EditViewAndHelp)
{
    editview = false;
    editor->ToggleEditView1->Click();
    EXPECT_TRUE(editview);
    editor->ToggleEditView1->Click();
    EXPECT_FALSE(editview);

    std::vector<std::string> opened;
    SetShellOpenHook([&](const std::string& fileName, const TShellOpenDone&) {
        opened.push_back(fileName);
        return false;
    });
    editor->Scriptingreference1->Click();
    SetShellOpenHook(nullptr);
    EXPECT_EQ(opened, std::vector<std::string>{GamePath("\\scripting_ref.docx")});
    EXPECT_TRUE(messages.empty()); // a failing open is not reported
}

// "save complete" follows a save while the window shows, and only then.
TEST_F(MapEditorCommands, SaveCompleteWhileShown)
{
    AnswerFileDialogs(GamePath("\\levels\\new.map"));
    AnswerQuestions(mrYes);
    editor->Save1->Click();
    EXPECT_TRUE(messages.empty());
    editor->Show();
    editor->Save1->Click();
    editor->Hide();
    EXPECT_EQ(messages, (std::vector<std::string>{"This file already exists. Overwrite?", "save complete"}));
}

// ---- Export ----

// The picture of the map is the last drawing, saved as a BMP under the chosen name.
TEST_F(MapEditorCommands, MapImageIsTheDrawingAsABitmap)
{
    AnswerFileDialogs(std::nullopt);
    editor->ExportMapImage1->Click();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].Kind, fdSave);
    EXPECT_EQ(dialogs[0].Filter, "Bitmap|*.bmp");
    EXPECT_EQ(dialogs[0].DefaultExt, "bmp");

    const std::string name = folder / "map.bmp";
    AnswerFileDialogs(name);
    levelgrid[1][1].wall = true;
    editor->RenderMap();
    editor->ExportMapImage1->Click();
    TBitmap saved;
    saved.LoadFromFile(name);
    ASSERT_EQ(saved.Width(), edmapbmp->Width());
    ASSERT_EQ(saved.Height(), edmapbmp->Height());
    saved.SetPixelFormat(edmapbmp->PixelFormat());
    for (int32_t row = 0; row < saved.Height(); ++row)
        ASSERT_EQ(std::memcmp(saved.ScanLine(row), edmapbmp->ScanLine(row), saved.Width() * saved.BytesPerPixel()), 0)
            << "row " << row;
}

// The monster table: the titles, then every monster slot on row id + 2, loaded or not; the sums over the
// attributes and over the cards of the spellbook; eval 0 at level 0.
TEST_F(MapEditorCommands, MonsterExport)
{
    TSpreadsheetRecorder sheet;
    for (card& c : cards) c = card{};
    cards[3].dmgph = 10, cards[3].addhp = 4;
    cards[900].dmgph = 7, cards[900].addhp = 1, cards[900].addmp = 50;
    cards[5].dmgph = 1000; // not in the spellbook
    character& m = monsters[2];
    m = character{};
    m.name = "Cellar rat";
    m.spec = 0;
    m.lvl = 4;
    m.strength = 1, m.intelligence = 2, m.speed = 3, m.endurance = 4;
    m.sword = 5, m.bow = 6, m.armor = 7, m.magic = 8;
    m.spellbook[3] = m.spellbook[900] = true;
    m.perks[0] = m.perks[100] = m.perks[50] = true;
    monsters[0] = m;
    monsters[0].lvl = 0;
    editor->Exportmonsterdatabase1->Click();
    const TSpreadsheetRecord& r = sheet.Record;
    EXPECT_EQ(r.Calls, (std::vector<std::string>{"Workbooks.Add", "Visible=1", "cells", "Release"}));
    const std::vector<std::string> titles = {"name", "race", "level", "attr sum", "pot dmg", "pot heal", "perks", "eval"};
    for (int32_t col = 1; col <= 8; ++col) EXPECT_EQ(r.At(1, col), titles[col - 1]);
    EXPECT_EQ(r.Rows().size(), 102u);
    EXPECT_EQ(r.Rows().back(), 102);
    // attr sum 36, pot dmg 17, pot heal 5 (addhp only), eval rnd(58 / 4) = 14 (14.5 to the even 14).
    const std::vector<std::string> row = {"Cellar rat", TForm1::GetEClassName(0, strarr), "4", "36", "17", "5", "3", "14"};
    for (int32_t col = 1; col <= 8; ++col) EXPECT_EQ(r.At(4, col), row[col - 1]) << col;
    for (int32_t col = 3; col <= 8; ++col) EXPECT_TRUE(r.IsInteger(4, col)) << col;
    EXPECT_EQ(r.At(2, 8), "0");
    EXPECT_EQ(r.At(102, 2), TForm1::GetEClassName(monsters[100].spec, strarr));
}

// The card table: only enabled cards, each on row id + 2; the derived columns from the card's own values.
TEST_F(MapEditorCommands, CardExport)
{
    TSpreadsheetRecorder sheet;
    for (card& c : cards) c = card{};
    card& c = cards[5];
    c.enabled = true;
    c.name = "Ember";
    c.element = 4;
    c.dmgph = 12, c.dmgperc = 30, c.addhp = 2, c.addmp = 3, c.bonam = 15;
    c.consumes = -1, c.mc = 6, c.hpc = 1;
    c.addeffect = 3, c.effstrgth = 4, c.efflgth = 2;
    cards[6] = c;
    cards[6].enabled = false;
    cards[7].enabled = true;
    cards[7].consumes = 0;
    editor->Exportcarddatabase1->Click();
    const TSpreadsheetRecord& r = sheet.Record;
    const std::vector<std::string> titles = {"name", "elem", "dmg", "dmgp", "heal", "rcb",
                                             "cons", "mp", "hp", "effpwr", "eval", "totcost"};
    for (int32_t col = 1; col <= 12; ++col) EXPECT_EQ(r.At(1, col), titles[col - 1]);
    EXPECT_EQ(r.Rows(), (std::vector<int32_t>{1, 7, 9}));
    // eval = 10 elem + 10 (1 - cons) + dmg + dmgp + rcb + heal = 10 + 0 + 12 + 30 + 15 + 5.
    const std::vector<std::string> row = {"Ember", "1", "12", "30", "5", "15", "1", "6", "1", "6", "72", "7"};
    for (int32_t col = 1; col <= 12; ++col) EXPECT_EQ(r.At(7, col), row[col - 1]) << col;
    EXPECT_EQ(r.At(9, 7), "0");
    EXPECT_EQ(r.At(9, 11), "10");
}

// Through the real spreadsheet program: the workbook in the temporary folder holds the titles and the monsters,
// texts as shared texts and numbers as numbers, and is handed to the desktop to open.
TEST_F(MapEditorCommands, MonsterExportAsAWorkbook)
{
    TempFolder temporary;
    SetSpreadsheetAppFactory([&] { return std::make_unique<TWorkbookFileApp>(temporary.path.string()); });
    std::vector<std::string> opened;
    SetShellOpenHook([&](const std::string& fileName, const TShellOpenDone&) {
        opened.push_back(fileName);
        return true;
    });
    monsters[0].name = "Cellar rat";
    monsters[0].lvl = 3;
    editor->Exportmonsterdatabase1->Click();
    SetShellOpenHook(nullptr);
    SetSpreadsheetAppFactory(nullptr);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(std::filesystem::path(opened[0]).parent_path(), temporary.path);
    const auto cells = ReadSheetCells(ReadZipEntries(opened[0]));
    ASSERT_TRUE(cells.contains("A1") && cells.contains("A2") && cells.contains("C2"));
    EXPECT_TRUE(cells.at("A1").IsText);
    EXPECT_EQ(cells.at("A1").Value, "name");
    EXPECT_EQ(cells.at("A2").Value, "Cellar rat");
    EXPECT_FALSE(cells.at("C2").IsText);
    EXPECT_EQ(cells.at("C2").Value, "3");
    EXPECT_TRUE(cells.contains("H102"));
}
