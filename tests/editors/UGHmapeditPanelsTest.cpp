// The map editor's panels over the demo's start map (20 x 12 cells, map id "startmap"): the cell bindings, the event
// list, the cell refresh, the map's header values, the player light, the free sprites and the scripts.
#include "EditorFixture.h"

#include "UGH_editlists.h"

#include "ZODLog.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace {

class MapEditorPanels : public EditorFixture {
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        ASSERT_EQ(mapid, "startmap");
        edcurx = edselx = 3;
        edcury = edsely = 4;
    }

    lcell& Cursor() { return levelgrid[edcurx][edcury]; }

    // The lines of a memo or list.
    static std::vector<std::string> Lines(const TStrings& lines)
    {
        std::vector<std::string> result;
        for (int i = 0; i < lines.Count(); ++i) result.push_back(lines.Get(i));
        return result;
    }
    std::vector<std::string> FileLines(const std::string& relativePath) const
    {
        TLineBuffer buffer;
        buffer.LoadFromFile(GamePath(relativePath));
        std::vector<std::string> result;
        for (int i = 0; i < buffer.Count(); ++i) result.push_back(buffer.ReadTextLine(i));
        return result;
    }
    // A name chosen from a list, as the user chooses it.
    static void Choose(TComboBox* list, const std::string& text)
    {
        list->SetText(text);
        list->OnChange(list);
    }
    static void Choose(TComboBox* list, int index)
    {
        list->SetItemIndex(index);
        list->OnChange(list);
    }
};

} // namespace

TEST_F(MapEditorPanels, NumberBoxesWriteTheirCellFieldAndIgnoreTextThatIsNoWholeNumber)
{
    struct TCase {
        TEdit* box;
        int32_t lcell::*field;
        const char* name;
    };
    const TForm2& e = *editor;
    const TCase cases[] = {{e.Edit7, &lcell::textid, "Cell ID"},    {e.Edit5, &lcell::power, "power"},
                           {e.Edit42, &lcell::plz, "z shift"},      {e.Edit41, &lcell::doorface, "door face"},
                           {e.Edit46, &lcell::lgroup, "lght group"}, {e.Edit47, &lcell::visarea, "visgroup"},
                           {e.Edit48, &lcell::visarea2, "and"},     {e.Edit3, &lcell::traptype, "Event set"},
                           {e.Edit4, &lcell::doorno, "par1"},       {e.Edit6, &lcell::chestno, "par2"},
                           {e.Edit45, &lcell::dens, "dens"},        {e.Edit28, &lcell::ta, "Turn angle"},
                           {e.Edit29, &lcell::ra, "roll angle"},    {e.Edit30, &lcell::pa, "pitch angle"},
                           {e.Edit31, &lcell::dx, "Move X"},        {e.Edit32, &lcell::dy, "Move Y"},
                           {e.Edit33, &lcell::dz, "Move Z"}};
    const lcell neighbour = levelgrid[4][4];
    for (const TCase& c : cases) {
        Cursor().*c.field = 7;
        c.box->SetText("1x");
        EXPECT_EQ(Cursor().*c.field, 7) << c.name;
        EXPECT_TRUE(c.box->Invalid()) << c.name;
        c.box->SetText("12");
        EXPECT_EQ(Cursor().*c.field, 12) << c.name;
        EXPECT_FALSE(c.box->Invalid()) << c.name;
        c.box->SetText("-3");
        EXPECT_EQ(Cursor().*c.field, -3) << c.name;
    }
    // Only the cursor cell was written.
    EXPECT_EQ(levelgrid[4][4], neighbour);
}

TEST_F(MapEditorPanels, CheckBoxesWriteTheirCellFieldOnEveryClick)
{
    struct TFlag {
        TCheckBox* box;
        bool lcell::*field;
    };
    const TForm2& e = *editor;
    for (const TFlag& f : {TFlag{e.CheckBox1, &lcell::wall}, TFlag{e.CheckBox2, &lcell::passable},
                           TFlag{e.CheckBox3, &lcell::door}, TFlag{e.CheckBox4, &lcell::trap},
                           TFlag{e.CheckBox5, &lcell::chest}, TFlag{e.CheckBox6, &lcell::floor},
                           TFlag{e.CheckBox7, &lcell::ceil}, TFlag{e.CheckBox12, &lcell::outdoors},
                           TFlag{e.CheckBox19, &lcell::grass}, TFlag{e.CheckBox20, &lcell::shcast},
                           TFlag{e.CheckBox22, &lcell::ignored}}) {
        f.box->SetChecked(false);
        f.box->SetChecked(true);
        EXPECT_TRUE(Cursor().*f.field) << f.box->Caption();
        f.box->SetChecked(false);
        EXPECT_FALSE(Cursor().*f.field) << f.box->Caption();
    }
    // A block box writes the side it stands for: -1 for "-x" and "-y", 1 for "+x" and "+y"; 0 when unticked.
    struct TBlock {
        TCheckBox* box;
        int32_t lcell::*field;
        int32_t ticked;
    };
    for (const TBlock& b : {TBlock{e.CheckBox14, &lcell::blocky1, -1}, TBlock{e.CheckBox15, &lcell::blocky2, 1},
                            TBlock{e.CheckBox16, &lcell::blockx1, -1}, TBlock{e.CheckBox17, &lcell::blockx2, 1}}) {
        b.box->SetChecked(true);
        EXPECT_EQ(Cursor().*b.field, b.ticked) << b.box->Caption();
        b.box->SetChecked(false);
        EXPECT_EQ(Cursor().*b.field, 0) << b.box->Caption();
    }
}

TEST_F(MapEditorPanels, NameListsWriteTheCellWhenANameIsChosenOrTyped)
{
    Choose(editor->Edit8, "altar1");
    Choose(editor->ComboBox5, "wall_w");
    Choose(editor->ComboBox6, "floor_f");
    Choose(editor->ComboBox7, "ceil_c");
    Choose(editor->ComboBox9, "spr_grass");
    EXPECT_EQ(Cursor().spritename, "altar1");
    EXPECT_EQ(Cursor().wco, "wall_w");
    EXPECT_EQ(Cursor().fco, "floor_f");
    EXPECT_EQ(Cursor().cco, "ceil_c");
    EXPECT_EQ(Cursor().gtp, "spr_grass");
}

TEST_F(MapEditorPanels, TheEventListWritesTheTypeAndAMultieventLoadsTheScriptOfPar1)
{
    ASSERT_EQ(editor->ComboBox3->Items()->Count(), 20);
    EXPECT_EQ(editor->ComboBox3->Items()->Get(8), "teleport to...");
    EXPECT_EQ(editor->ComboBox3->Items()->Get(19), "orb of wisdom (+ 1 perk)");

    editor->Edit4->SetText("1");
    Choose(editor->ComboBox3, 11);
    EXPECT_EQ(Cursor().traptype, 11);
    EXPECT_EQ(editor->Edit3->Text(), "11");
    EXPECT_EQ(Lines(*editor->ScrMemo->Lines()), FileLines("\\scripts\\scr_1.txt"));

    Choose(editor->ComboBox3, 8);
    EXPECT_EQ(Cursor().traptype, 8);
    editor->Edit3->SetText("5");
    EXPECT_EQ(editor->ComboBox3->ItemIndex(), 5);
    EXPECT_EQ(Cursor().traptype, 5);

    // A multievent without its script leaves the memo as it is, without a message.
    editor->ScrMemo->SetText("kept");
    editor->Edit4->SetText("77");
    Choose(editor->ComboBox3, 11);
    EXPECT_EQ(Cursor().traptype, 11);
    EXPECT_EQ(editor->ScrMemo->Text(), "kept");
    EXPECT_TRUE(messages.empty());
}

TEST_F(MapEditorPanels, ShowCellDataFillsTheBoxesFromTheCursorCellAndItsSideFiles)
{
    lcell& cell = Cursor();
    cell.spritename = "altar1";
    cell.traptype = 8;
    cell.doorno = 5;
    cell.chestno = 6;
    cell.textid = 7;
    cell.blockx1 = -1;
    cell.blocky2 = 5; // an odd value from a map file: shown as a block, kept as it is
    cell.wmo = "pillar";
    cell.ta = 90;
    cell.dz = -4;
    cell.fwm = true;
    cell.doorface = 90;
    cell.plz = 3;
    cell.dens = 11;
    cell.gtp = "spr_grass";
    cell.power = 2;
    cell.lgroup = 4;
    cell.visarea = 1;
    cell.visarea2 = 2;
    cell.wco = "in_the_cell";
    folder.Write("levels/startmap/3_4_w.txt", "from_the_file\r\n");
    edselx = 5;
    edsely = 6;
    const lcell before = cell;

    editor->showcelldata();
    EXPECT_EQ(editor->Edit8->Text(), "altar1");
    EXPECT_EQ(editor->Edit1->Text() + "," + editor->Edit2->Text(), "3,4");
    EXPECT_EQ(editor->Edit43->Text() + "," + editor->Edit44->Text(), "5,6");
    EXPECT_EQ(editor->Edit3->Text(), "8");
    EXPECT_EQ(editor->ComboBox3->ItemIndex(), 8);
    EXPECT_EQ(editor->Edit4->Text() + editor->Edit6->Text() + editor->Edit7->Text(), "567");
    EXPECT_TRUE(editor->CheckBox16->Checked());
    EXPECT_FALSE(editor->CheckBox17->Checked());
    EXPECT_FALSE(editor->CheckBox14->Checked());
    EXPECT_TRUE(editor->CheckBox15->Checked());
    EXPECT_EQ(editor->ComboBox5->Text(), "from_the_file");
    EXPECT_EQ(editor->ComboBox6->Text(), "");
    EXPECT_EQ(editor->Edit24->Text(), "pillar");
    EXPECT_EQ(editor->Edit28->Text(), "90");
    EXPECT_EQ(editor->Edit33->Text(), "-4");
    EXPECT_TRUE(editor->CheckBox18->Checked());
    EXPECT_EQ(editor->Edit41->Text(), "90");
    EXPECT_EQ(editor->Edit42->Text(), "3");
    EXPECT_EQ(editor->Edit45->Text(), "11");
    EXPECT_EQ(editor->ComboBox9->Text(), "spr_grass");
    EXPECT_EQ(editor->Edit5->Text(), "2");
    EXPECT_EQ(editor->Edit46->Text(), "4");
    EXPECT_EQ(editor->Edit47->Text() + "," + editor->Edit48->Text(), "1,2");
    // Showing the cell changed nothing in it, its overrides included.
    EXPECT_EQ(cell, before);

    // A cell without side files empties the override boxes and keeps its overrides.
    levelgrid[1][1].wco = "w1";
    levelgrid[1][1].fco = "f1";
    levelgrid[1][1].cco = "c1";
    editor->Image1MouseUp(editor->Image1, mbRight, TShiftState{}, 40 + 20, 40 * (mapmaxy - 1) + 20);
    ASSERT_EQ(edcurx, 1);
    ASSERT_EQ(edcury, 1);
    EXPECT_EQ(editor->ComboBox5->Text() + editor->ComboBox6->Text() + editor->ComboBox7->Text(), "");
    EXPECT_EQ(levelgrid[1][1].wco + levelgrid[1][1].fco + levelgrid[1][1].cco, "w1f1c1");
    EXPECT_FALSE(editor->CheckBox16->Checked());
}

TEST_F(MapEditorPanels, TheCursorBoxesShowTheirCellsSpriteName)
{
    levelgrid[6][2].spritename = "altar1";
    editor->Edit1->SetText("6");
    editor->Edit2->SetText("2");
    EXPECT_EQ(editor->Edit8->Text(), "altar1");
}

TEST_F(MapEditorPanels, FormShowFillsTheListsAndGoesOnWithoutAGrassList)
{
    std::filesystem::remove(folder.path / "textures" / "grasslist.txt");
    folder.Write("meshes/Zed.OBJ", "");
    folder.Write("meshes/boat.3ds", "");
    folder.Write("meshes/notes.txt", "");
    spritelist = TDynArray<spritelistitem>{{.name = "spr_one"}, {.name = "altar1"}};
    envcount = 2;
    envrlist[0].name = "stone";
    envrlist[1].name = "moss";
    envindex = 1;
    editor->Edit8->SetText("typed");
    TGLLogCapture log;
    editor->FormShow(editor.get());

    EXPECT_TRUE(log.Contains("grasslist.txt"));
    EXPECT_EQ(editor->ComboBox9->Items()->Count(), 0);
    // The steps after the grass list still ran.
    ASSERT_EQ(editor->ComboBox1->Items()->Count(), 201);
    EXPECT_EQ(editor->ComboBox1->Items()->Get(200), "200");
    EXPECT_EQ(editor->ComboBox1->Text(), "0");
    EXPECT_FALSE(editor->Button14->Enabled());

    const std::vector<std::string> sprites = {"spr_one", "altar1"};
    for (TComboBox* list : {editor->Edit8, editor->ComboBox2, editor->ComboBox5, editor->ComboBox6,
                            editor->ComboBox7}) {
        EXPECT_EQ(Lines(*list->Items()), sprites);
        EXPECT_EQ(list->Text(), "");
    }
    // The OBJ meshes in name order (letter case aside), then the 3DS ones; other files are no meshes.
    const std::vector<std::string> meshes = Lines(*editor->Edit24->Items());
    ASSERT_GE(meshes.size(), 3u);
    EXPECT_EQ(meshes.back(), "boat");
    EXPECT_EQ(meshes[meshes.size() - 2], "Zed");
    EXPECT_TRUE(std::is_sorted(meshes.begin(), meshes.end() - 1, [](const std::string& a, const std::string& b) {
        return AnsiCompareText(a, b) < 0;
    }));
    EXPECT_NE(std::find(meshes.begin(), meshes.end(), "pillar"), meshes.end());

    EXPECT_EQ(Lines(*editor->ComboBox4->Items()), std::vector<std::string>({"stone", "moss"}));
    EXPECT_EQ(editor->ComboBox4->ItemIndex(), 1);
    Choose(editor->ComboBox4, 0);
    EXPECT_EQ(envindex, 0);
}

TEST_F(MapEditorPanels, TheMeshListIsEmptyWithoutAMeshesFolder)
{
    std::filesystem::remove_all(folder.path / "meshes");
    TStringList list;
    list.Add("old");
    readmeshes(list);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(ExtractOnlyFileName("meshes\\a.obj.obj"), "a.obj");
    EXPECT_EQ(ExtractOnlyFileName("x.objx.obj"), "x.objx");
}

TEST_F(MapEditorPanels, MapSizeBoxesAcceptOnlyTheRangeTheMapReaderTakes)
{
    struct TCase {
        const char* text;
        int32_t expected;
    };
    for (TEdit* box : {editor->Edit26, editor->Edit27}) {
        int32_t& highest = box == editor->Edit26 ? mapmaxx : mapmaxy;
        for (const TCase& c : {TCase{"150", 15}, TCase{"100", 15}, TCase{"-1", 15}, TCase{"1x", 15},
                               TCase{"99", 99}, TCase{"0", 0}}) {
            highest = 15;
            box->SetText(c.text);
            EXPECT_EQ(highest, c.expected) << c.text;
            EXPECT_EQ(box->Invalid(), c.expected == 15) << c.text;
        }
    }
}

TEST_F(MapEditorPanels, MapIdsArePlainFolderNames)
{
    for (const char* bad : {"../up", "a/b", "a\\b", "..", ".", "a b", "nul\x01"}) {
        messages.clear();
        editor->Edit23->SetText(bad);
        editor->Button28->Click();
        editor->Button20->Click();
        EXPECT_EQ(mapid, "startmap") << bad;
        EXPECT_TRUE(editor->Edit23->Invalid()) << bad;
        EXPECT_EQ(messages.size(), 2u) << bad;
    }
    EXPECT_FALSE(std::filesystem::exists(folder.path / "up"));
    EXPECT_FALSE(std::filesystem::exists(folder.path / "levels" / "a"));

    editor->Edit23->SetText("");
    editor->Button20->Click(); // "dir" with an empty box does nothing
    editor->Edit23->SetText("cellar_2-b.v");
    editor->Button20->Click();
    EXPECT_TRUE(std::filesystem::is_directory(folder.path / "levels" / "cellar_2-b.v"));
    editor->Button28->Click();
    EXPECT_EQ(mapid, "cellar_2-b.v");
    editor->Edit23->SetText("");
    editor->Button19->Click();
    EXPECT_EQ(editor->Edit23->Text(), "cellar_2-b.v");
}

TEST_F(MapEditorPanels, SkyboxAndMapNameGoToTheMapsFolderAtEveryChange)
{
    editor->Edit25->SetText("3");
    EXPECT_EQ(FileLines("\\levels\\startmap\\skybox.txt"), std::vector<std::string>{"3"});

    editor->Edit49->SetText("Lower Hall");
    EXPECT_EQ(FileLines("\\levels\\startmap\\mapname_en.txt"), std::vector<std::string>{"Lower Hall"});
    // A language without its file shows the map id and writes nothing.
    Choose(editor->ComboBox10, "ru");
    EXPECT_EQ(editor->Edit49->Text(), "startmap");
    EXPECT_FALSE(std::filesystem::exists(folder.path / "levels" / "startmap" / "mapname_ru.txt"));
    Choose(editor->ComboBox10, "en");
    EXPECT_EQ(editor->Edit49->Text(), "Lower Hall");

    // A map whose folder is missing: the box is marked and the failure logged, nothing stops the typing.
    mapid = "nowhere";
    TGLLogCapture log;
    editor->Edit25->SetText("4");
    EXPECT_TRUE(editor->Edit25->Invalid());
    EXPECT_TRUE(log.Contains("skybox.txt"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(MapEditorPanels, TheLightsSaveThenReadRoundTripsThroughTheLightAndTheMapsLightFile)
{
    const std::vector<std::string> values = {"500", "20", "3", "200", "100", "50"};
    TEdit* const boxes[] = {editor->Edit35, editor->Edit36, editor->Edit37,
                            editor->Edit38, editor->Edit39, editor->Edit40};
    for (size_t i = 0; i < values.size(); ++i) boxes[i]->SetText(values[i]);
    editor->Button30->Click();
    EXPECT_EQ(FileLines("\\levels\\startmap\\lightdata.txt"), values);
    EXPECT_NEAR(main->playerlight->ConstAttenuation(), 0.05f, 1e-6);
    EXPECT_NEAR(main->playerlight->Diffuse()->Red(), 200 / 255.0f, 1e-6);

    editor->Button29->Click();
    EXPECT_EQ(editor->Edit35->Text() + " " + editor->Edit38->Text() + " " + editor->Edit40->Text(), "10000 255 0");
    editor->Button31->Click();
    for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(boxes[i]->Text(), values[i]) << i;

    // One bad box: the values before it reach the light, the light file stays, and the message names the box.
    editor->Edit39->SetText("lots");
    editor->Edit35->SetText("1");
    editor->Button30->Click();
    EXPECT_EQ(FileLines("\\levels\\startmap\\lightdata.txt"), values);
    EXPECT_NEAR(main->playerlight->ConstAttenuation(), 0.0001f, 1e-6);
    EXPECT_NEAR(main->playerlight->Diffuse()->Green(), 100 / 255.0f, 1e-6);
    EXPECT_TRUE(editor->Edit39->Invalid());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Color G"), std::string::npos) << messages[0];
}

// "set" writes box by box: the first box that does not hold its number ends it, the values before it stay written.
TEST_F(MapEditorPanels, StartAndExitSetStopsAtTheFirstBadBox)
{
    TEdit* const boxes[] = {editor->Edit9, editor->Edit10, editor->Edit11,
                            editor->Edit12, editor->Edit13, editor->Edit14};
    const auto fill = [&](std::vector<std::string> texts) {
        for (size_t i = 0; i < texts.size(); ++i) boxes[i]->SetText(texts[i]);
    };
    const int32_t sx = startx, sy = starty, ex = exitx, ey = exity, dir = startdir;
    struct TCase {
        std::vector<std::string> texts;
        const char* named;
        std::vector<int32_t> after; // start x, start y, exit x, exit y, direction
    };
    // The start must lie in the grid (20 x 12), or the map would not read back.
    for (const TCase& c : {TCase{{"2", "3", "4", "5x", "1", "0"}, "exit y", {2, 3, 4, ey, dir}},
                           TCase{{"2", "3", "4", "5", "", "0"}, "direction", {2, 3, 4, 5, dir}},
                           TCase{{"20", "3", "4", "5", "1", "0"}, "start x", {sx, sy, ex, ey, dir}},
                           TCase{{"2", "-1", "4", "5", "1", "0"}, "start y", {2, sy, ex, ey, dir}}}) {
        startx = sx;
        starty = sy;
        exitx = ex;
        exity = ey;
        startdir = dir;
        messages.clear();
        fill(c.texts);
        editor->Button4->Click();
        EXPECT_EQ(std::vector<int32_t>({startx, starty, exitx, exity, startdir}), c.after) << c.named;
        ASSERT_EQ(messages.size(), 1u) << c.named;
        EXPECT_NE(messages[0].find(c.named), std::string::npos) << messages[0];
    }

    fill({"2", "3", "19", "11", "1", "6"});
    editor->Button4->Click();
    EXPECT_EQ(std::vector<int32_t>({startx, starty, exitx, exity, startdir, mapspare}),
              std::vector<int32_t>({2, 3, 19, 11, 1, 6}));
    fill({"", "", "", "", "", ""});
    editor->Button5->Click();
    const std::vector<std::string> shown = {"2", "3", "19", "11", "1", "6"};
    for (size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(boxes[i]->Text(), shown[i]) << i;

    lookside = 3;
    editor->Button11->Click();
    EXPECT_EQ(editor->Edit13->Text(), "3");
    editor->Button37->Click();
    editor->Button38->Click();
    EXPECT_EQ(editor->Edit9->Text() + editor->Edit10->Text() + editor->Edit11->Text() + editor->Edit12->Text(), "3434");
}

TEST_F(MapEditorPanels, JumpMovesThePlayerAndTheDoorFaceButtonTurnsTheDoor)
{
    camsnap = false;
    editor->Button18->Click();
    EXPECT_EQ(playerx, 3);
    EXPECT_EQ(playery, 4);
    EXPECT_TRUE(camsnap);

    // A door between walls above and below faces 90.
    for (int32_t x = 2; x <= 4; ++x)
        for (int32_t y = 3; y <= 5; ++y) levelgrid[x][y] = lcell{.x = x, .y = y, .passable = true};
    Cursor().door = true;
    Cursor().passable = false;
    levelgrid[3][3].wall = levelgrid[3][5].wall = true;
    levelgrid[3][3].passable = levelgrid[3][5].passable = false;
    editor->SpeedButton13->Click();
    EXPECT_EQ(Cursor().doorface, 90);
    EXPECT_EQ(editor->Edit41->Text(), "90");
}

TEST_F(MapEditorPanels, TheEventScriptButtonsAddLoadAndSaveTheScriptOfPar1)
{
    editor->Edit3->SetText("16");
    editor->Edit4->SetText("42");
    editor->Edit6->SetText("3");
    editor->ScrMemo->Clear();
    editor->Button15->Click();
    editor->Button15->Click();
    EXPECT_EQ(Lines(*editor->ScrMemo->Lines()), std::vector<std::string>({"16", "42", "3", "16", "42", "3"}));
    editor->Button17->Click();
    EXPECT_EQ(FileLines("\\scripts\\scr_42.txt"), Lines(*editor->ScrMemo->Lines()));

    editor->ScrMemo->SetText("other");
    editor->Button16->Click();
    EXPECT_EQ(editor->ScrMemo->Lines()->Count(), 6);
    // A par1 without its script: an empty memo and a message naming the file.
    editor->Edit4->SetText("43");
    editor->Button16->Click();
    EXPECT_EQ(editor->ScrMemo->Lines()->Count(), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("scr_43.txt"), std::string::npos) << messages[0];
}

// "ok" writes box by box: a box without a number ends it, the values before it stay written.
TEST_F(MapEditorPanels, TheCellMeshOkStopsAtTheFirstBadBox)
{
    Cursor() = lcell{.x = 3, .y = 4};
    editor->showcelldata();
    editor->Edit24->SetText("pillar");
    editor->CheckBox18->SetChecked(true);
    // The angle and offset boxes write their own fields as they change; "ok" writes the rest with them.
    editor->Edit28->SetText("45");
    editor->Edit32->SetText("2.5");
    editor->Button26->Click();
    EXPECT_EQ(Cursor().wmo, "pillar");
    EXPECT_EQ(Cursor().ta, 45);
    EXPECT_EQ(Cursor().dy, 0);
    EXPECT_FALSE(Cursor().fwm);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Move Y"), std::string::npos) << messages[0];

    editor->Edit32->SetText("-2");
    editor->Button26->Click();
    EXPECT_EQ(Cursor().wmo, "pillar");
    EXPECT_TRUE(Cursor().fwm);
    EXPECT_EQ(Cursor().ta, 45);
    EXPECT_EQ(Cursor().dy, -2);

    editor->Button25->Click();
    editor->Button27->Click();
    EXPECT_EQ(Cursor().ta + Cursor().dy, 0);
    editor->Button34->Click();
    EXPECT_EQ(Cursor().fmo, "pillar");
    editor->Button39->Click();
    EXPECT_EQ(editor->Edit24->Text(), "void");
    editor->Button35->Click();
    EXPECT_EQ(editor->Edit24->Text(), "pillar");
}

TEST_F(MapEditorPanels, ActiveCellCentreThenSetPlacesTheFreeSpriteInThatCell)
{
    editor->FormShow(editor.get());
    Choose(editor->ComboBox1, "7");
    EXPECT_EQ(edfsprite, 7);
    editor->Button21->Click();
    EXPECT_EQ(editor->Edit16->Text() + " " + editor->Edit17->Text() + " " + editor->Edit18->Text(), "60 80 10");
    editor->Button13->Click();
    editor->Button12->Click();
    editor->CheckBox8->SetChecked(true);
    editor->CheckBox9->SetChecked(true);
    editor->ComboBox2->SetText("altar1");

    // A bad box: the values before it written, the ones after it not, the box named.
    editor->Edit22->SetText("north");
    editor->Button7->Click();
    EXPECT_EQ(std::make_tuple(freesprites[7].x, freesprites[7].h, freesprites[7].dirx), std::make_tuple(60, 20, 1.0));
    EXPECT_EQ(std::make_tuple(freesprites[7].diry, freesprites[7].enabled, freesprites[7].name),
              std::make_tuple(0.0, false, std::string()));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("dr y"), std::string::npos) << messages[0];

    editor->Edit22->SetText("0,5");
    editor->Button7->Click();
    const freesprite& s = freesprites[7];
    EXPECT_EQ(std::vector<int32_t>({s.x, s.y, s.z, s.w, s.h}), std::vector<int32_t>({60, 80, 10, 20, 20}));
    EXPECT_EQ(s.dirx, 1);
    EXPECT_EQ(s.diry, 0.5);
    EXPECT_TRUE(s.enabled && s.fixed);
    EXPECT_EQ(s.name, "altar1");

    // The nudges and facings change only the boxes.
    editor->Button1->Click();
    editor->Button3->Click();
    editor->Button9->Click();
    EXPECT_EQ(editor->Edit16->Text() + " " + editor->Edit17->Text(), "51 89");
    EXPECT_EQ(editor->Edit21->Text() + " " + editor->Edit22->Text(), "0 -1");
    EXPECT_EQ(s.x, 60);
}

TEST_F(MapEditorPanels, CloningThePreviousSpriteIsOfferedFromSlotOne)
{
    editor->FormShow(editor.get());
    EXPECT_FALSE(editor->Button14->Enabled());
    freesprites[4] = freesprite{.enabled = true, .x = 1, .y = 2, .z = 3, .name = "altar1", .w = 9, .h = 8};
    Choose(editor->ComboBox1, "5");
    EXPECT_TRUE(editor->Button14->Enabled());
    editor->Button14->Click();
    EXPECT_EQ(freesprites[5], freesprites[4]);
    EXPECT_EQ(editor->Edit19->Text(), "9");
    EXPECT_TRUE(editor->CheckBox8->Checked());
    for (const char* slot : {"0", "201", "x"}) {
        Choose(editor->ComboBox1, slot);
        EXPECT_FALSE(editor->Button14->Enabled()) << slot;
    }
    // A slot outside the table shows nothing and keeps the panel's sprite.
    EXPECT_EQ(edfsprite, 0);
    editor->displayfspritedata(201);
    EXPECT_EQ(edfsprite, 0);
}

TEST_F(MapEditorPanels, CellScriptsLoadAndSaveByTheCursorCell)
{
    edcurx = 17;
    edcury = 3;
    editor->SpeedButton1->Click();
    EXPECT_EQ(Lines(*editor->ScrMemo->Lines()), FileLines("\\levels\\startmap\\script_17_3.txt"));
    EXPECT_TRUE(messages.empty());

    // No script: the message, and an empty memo that "save" cannot store as a script.
    edcurx = 1;
    edcury = 1;
    editor->SpeedButton1->Click();
    EXPECT_EQ(messages, std::vector<std::string>{"no script for this cell"});
    EXPECT_EQ(editor->ScrMemo->Lines()->Count(), 0);

    editor->ScrMemo->SetText("say hello\r\nend");
    editor->CheckBox11->SetChecked(true);
    editor->SpeedButton2->Click();
    EXPECT_EQ(FileLines("\\levels\\startmap\\sscript_1_1.txt"), std::vector<std::string>({"say hello", "end"}));
    editor->ScrMemo->Clear();
    editor->SpeedButton1->Click();
    EXPECT_EQ(editor->ScrMemo->Text(), "say hello\r\nend");

    // A map without its folder: the failed save names the file.
    messages.clear();
    mapid = "nowhere";
    editor->SpeedButton2->Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("sscript_1_1.txt"), std::string::npos) << messages[0];
}

TEST_F(MapEditorPanels, ADoubleClickFoldsAGroupToItsCaptionAndBack)
{
    for (TGroupBox* group :
         {editor->GroupBox5, editor->GroupBox1, editor->GroupBox6, editor->GroupBox8, editor->GroupBox7}) {
        const int32_t full = group->Height();
        EXPECT_GT(full, 60) << group->Caption();
        group->OnDblClick(group);
        EXPECT_EQ(group->Height(), 20) << group->Caption();
        group->OnDblClick(group);
        EXPECT_EQ(group->Height(), full) << group->Caption();
    }
}
