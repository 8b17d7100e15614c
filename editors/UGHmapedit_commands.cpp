// The map editor's menus and map-wide commands: new, save and load, building and generating the level, door faces,
// the bulk cell commands, the copy buffer's dump, shadow casting, the edit view and the scripting reference.
#include "UGHmapedit.h"

#include "UGH_data.h"

#include "Dialogs.h"
#include "FileUtils.h"
#include "ShellOpen.h"
#include "SysUtils.h"

#include <algorithm>
#include <variant>

namespace {

const char* const cMapFilter = "Map files (*.map)|*.map|All files (*.*)|*.*";


// Runs f on every cell of the used grid, x outer.
template <class F> void ForEachUsedCell(F f)
{
    for (int32_t x = 0; x <= UsedMaxX(); ++x)
        for (int32_t y = 0; y <= UsedMaxY(); ++y) f(levelgrid[x][y]);
}

// A question with Yes and Cancel; true on Yes. Without a user the answer is Cancel.
bool Confirmed(const std::string& question)
{
    TMessageBoxRequest request;
    request.Kind = mtConfirmation;
    request.Caption = "MapEd";
    request.Text = question;
    request.Buttons = mbsYesCancel;
    request.Default = mrCancel;
    return ShowMessageBox(request) == mrYes;
}

// A map file chosen in the open or save dialog; false when cancelled.
bool ChooseMapFile(TFileDialogKind kind, std::string& fileName)
{
    TFileDialogRequest request;
    request.Kind = kind;
    request.Filter = cMapFilter;
    request.DefaultExt = "map";
    return ShowFileDialog(request, fileName);
}

// The fields of the copy buffer's dump, in its order.
using TCellField = std::variant<bool lcell::*, int32_t lcell::*, std::string lcell::*>;
const std::pair<const char*, TCellField> cBufferFields[] = {
    {"passable", &lcell::passable}, {"wall", &lcell::wall},         {"floor", &lcell::floor},
    {"ceil", &lcell::ceil},         {"chest", &lcell::chest},       {"chestno", &lcell::chestno},
    {"door", &lcell::door},         {"doorno", &lcell::doorno},     {"trap", &lcell::trap},
    {"traptype", &lcell::traptype}, {"power", &lcell::power},       {"textid", &lcell::textid},
    {"spritename", &lcell::spritename}, {"cco", &lcell::cco},       {"fco", &lcell::fco},
    {"wco", &lcell::wco},           {"wmo", &lcell::wmo},           {"ta", &lcell::ta},
    {"ra", &lcell::ra},             {"pa", &lcell::pa},             {"dx", &lcell::dx},
    {"dy", &lcell::dy},             {"dz", &lcell::dz},
};

std::string FieldText(const lcell& cell, const TCellField& field)
{
    return std::visit(
        [&](auto member) -> std::string {
            const auto& value = cell.*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, bool>) return value ? "-1" : "0";
            else if constexpr (std::is_same_v<T, int32_t>) return IntToStr(value);
            else return value;
        },
        field);
}

} // namespace

void TForm2::WireCommands()
{
    const auto on = [this](auto* control, void (TForm2::*handler)(TObject*)) {
        control->OnClick = [this, handler](TObject* sender) { (this->*handler)(sender); };
    };
    on(SpeedButton3, &TForm2::SpeedButton3Click);
    on(SpeedButton4, &TForm2::SpeedButton4Click);
    on(SpeedButton5, &TForm2::SpeedButton5Click);
    on(SpeedButton6, &TForm2::SpeedButton6Click);
    // File, Map: the menu entries click the toolbar's buttons.
    for (auto [item, button] : {std::pair{New1, SpeedButton3}, std::pair{Save1, SpeedButton4},
                                std::pair{Open1, SpeedButton5}, std::pair{Build1, SpeedButton6}})
        item->OnClick = [button = button](TObject*) { button->Click(); };
    Exportmonsterdatabase1->OnClick = [this](TObject*) { edb(0); };
    Exportcarddatabase1->OnClick = [this](TObject*) { edb(1); };
    on(ExportMapImage1, &TForm2::ExportMapImage1Click);
    on(BufferedCellData1, &TForm2::BufferedCellData1Click);
    on(Makeselectioncastshadows1, &TForm2::Makeselectioncastshadows1Click);
    on(Removeshadowcasting1, &TForm2::Removeshadowcasting1Click);
    on(Random1, &TForm2::Random1Click);
    on(AutoGetDoorAngles1, &TForm2::AutoGetDoorAngles1Click);
    on(ToggleEditView1, &TForm2::ToggleEditView1Click);
    on(Scriptingreference1, &TForm2::Scriptingreference1Click);
    on(Button22, &TForm2::Button22Click);
    on(Button23, &TForm2::Button23Click);
    on(Button24, &TForm2::Button24Click);
    on(Button32, &TForm2::Button32Click);

    // The game reads and writes maps without knowing the editor; these tell the editor. A read that changed the
    // wall set shows the window again, so that it fills its lists anew.
    OnMapLoaded = [](bool envchanged) {
        if (Form2 && Form2->Visible() && envchanged) {
            Form2->Hide();
            Form2->Show();
        }
    };
    OnMapSaved = [] {
        if (Form2 && Form2->Visible()) EditorMessage("save complete");
    };
}

void TForm2::SpeedButton3Click(TObject*)
{
    Form1->ClearLevel();
}

void TForm2::SpeedButton4Click(TObject*)
{
    std::string fileName;
    if (!ChooseMapFile(fdSave, fileName)) return;
    if (FileExists(fileName)) {
        TMessageBoxRequest request;
        request.Kind = mtConfirmation;
        request.Caption = "MapEd";
        request.Text = "This file already exists. Overwrite?";
        request.Buttons = mbsYesNo;
        request.Default = mrNo;
        if (ShowMessageBox(request) != mrYes) return;
    }
    SaveMap(fileName, true);
}

void TForm2::SpeedButton5Click(TObject*)
{
    std::string fileName;
    if (ChooseMapFile(fdOpen, fileName)) {
        LoadMap(fileName);
        Form1->ApplyPlayerLight();
    }
    // A cancelled dialog too: the level is built again from the tables and the player goes back to its start.
    const std::string skybox = GamePath("\\levels\\" + mapid + "\\skybox.txt");
    if (FileExists(skybox)) {
        TLineBuffer lines;
        lines.LoadFromFile(skybox);
        Edit25->SetText(lines.ReadTextLine(0));
    }
    Form1->BuildLevel();
    Form1->GoToStart();
    Edit23->SetText(mapid);
    Edit26->SetText(IntToStr(mapmaxx));
    Edit27->SetText(IntToStr(mapmaxy));
}

void TForm2::SpeedButton6Click(TObject*)
{
    Form1->BuildLevel();
}

void TForm2::Button22Click(TObject*)
{
    if (!Confirmed("Are you sure you want to set cellid automatically?")) return;
    int32_t id = 0;
    ForEachUsedCell([&](lcell& cell) { cell.textid = ++id; });
}

void TForm2::Button23Click(TObject*)
{
    if (!Confirmed("Are you sure you want to remove all floors and ceilings?")) return;
    ForEachUsedCell([](lcell& cell) { cell.floor = cell.ceil = false; });
}

void TForm2::Button24Click(TObject*)
{
    if (Confirmed("Are you sure you want to set floor and ceilings automatically?")) Form1->AutoPlaceFloorCeil();
}

void TForm2::Button32Click(TObject*)
{
    ForEachUsedCell([](lcell& cell) {
        if (cell.spritename.empty()) cell.spritename = "0";
    });
}

void TForm2::BufferedCellData1Click(TObject*)
{
    ScrMemo->Clear();
    for (const auto& [key, field] : cBufferFields) ScrMemo->Lines()->Add(std::string(key) + "=" + FieldText(edcellbuf, field));
}

void TForm2::Makeselectioncastshadows1Click(TObject*)
{
    const auto [x0, x1] = std::minmax({std::clamp(edcurx, 0, 100), std::clamp(edselx, 0, 100)});
    const auto [y0, y1] = std::minmax({std::clamp(edcury, 0, 100), std::clamp(edsely, 0, 100)});
    for (int32_t x = x0; x <= x1; ++x)
        for (int32_t y = y0; y <= y1; ++y) levelgrid[x][y].shcast = levelgrid[x][y].wall;
}

void TForm2::Removeshadowcasting1Click(TObject*)
{
    for (auto& column : levelgrid)
        for (lcell& cell : column) cell.shcast = false;
}

void TForm2::Random1Click(TObject*)
{
    Form1->RandomMap();
    autosetdoors();
    Form1->BuildLevel();
}

void TForm2::AutoGetDoorAngles1Click(TObject*)
{
    autosetdoors();
}

void TForm2::ToggleEditView1Click(TObject*)
{
    editview = !editview;
}

void TForm2::Scriptingreference1Click(TObject*)
{
    // Whether a program shows it is the desktop's business: a failure is not reported.
    ShellOpen(GamePath("\\scripting_ref.docx"));
}
