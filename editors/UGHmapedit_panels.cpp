// The map editor's panels: the boxes that show and edit the cursor cell, the free sprites, the map's header values,
// the player light and the scripts of cells and events.
#include "UGHmapedit.h"

#include "UGH_data.h"
#include "UGH_editfields.h"
#include "UGH_editlists.h"
#include "UGH_log.h"

#include "FileUtils.h"
#include "SysUtils.h"
#include "VAVodad.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int32_t cFoldedGroupHeight = 20;

// The event types by their number, as the event list shows them.
constexpr const char* cEventNames[] = {"none",
                                       "force battle",
                                       "make passable",
                                       "remove wall",
                                       "attr. altar",
                                       "key shrine silver",
                                       "key shrine gold",
                                       "swap walls/passability by ID",
                                       "teleport to...",
                                       "external text msg",
                                       "show book (text ex)",
                                       "multievent",
                                       "angelic altar",
                                       "demonic altar",
                                       "undead altar",
                                       "add card",
                                       "add item",
                                       "altar of silence",
                                       "runic altar (n,e,a,w,f)",
                                       "orb of wisdom (+ 1 perk)"};
constexpr int32_t cMultiEvent = 11;

// Cell fields that a number box writes on every change of its text.
struct TNumberBinding {
    TEdit* TForm2::*Box;
    int32_t lcell::*Field;
};
constexpr TNumberBinding cNumberBindings[] = {
    {&TForm2::Edit7, &lcell::textid},    {&TForm2::Edit5, &lcell::power},     {&TForm2::Edit42, &lcell::plz},
    {&TForm2::Edit41, &lcell::doorface}, {&TForm2::Edit46, &lcell::lgroup},   {&TForm2::Edit47, &lcell::visarea},
    {&TForm2::Edit48, &lcell::visarea2}, {&TForm2::Edit4, &lcell::doorno},    {&TForm2::Edit6, &lcell::chestno},
    {&TForm2::Edit45, &lcell::dens},     {&TForm2::Edit28, &lcell::ta},       {&TForm2::Edit29, &lcell::ra},
    {&TForm2::Edit30, &lcell::pa},       {&TForm2::Edit31, &lcell::dx},       {&TForm2::Edit32, &lcell::dy},
    {&TForm2::Edit33, &lcell::dz}};

// Cell fields that a check box writes on every click.
struct TCheckBinding {
    TCheckBox* TForm2::*Box;
    bool lcell::*Field;
};
constexpr TCheckBinding cCheckBindings[] = {
    {&TForm2::CheckBox1, &lcell::wall},      {&TForm2::CheckBox2, &lcell::passable},
    {&TForm2::CheckBox3, &lcell::door},      {&TForm2::CheckBox5, &lcell::chest},
    {&TForm2::CheckBox12, &lcell::outdoors}, {&TForm2::CheckBox20, &lcell::shcast},
    {&TForm2::CheckBox22, &lcell::ignored},  {&TForm2::CheckBox4, &lcell::trap},
    {&TForm2::CheckBox6, &lcell::floor},     {&TForm2::CheckBox7, &lcell::ceil},
    {&TForm2::CheckBox19, &lcell::grass}};

// The movement blocks: a ticked box writes the side's value (-1 or 1), an unticked one 0.
struct TBlockBinding {
    TCheckBox* TForm2::*Box;
    int32_t lcell::*Field;
    int32_t Ticked;
};
constexpr TBlockBinding cBlockBindings[] = {{&TForm2::CheckBox14, &lcell::blocky1, -1},
                                            {&TForm2::CheckBox15, &lcell::blocky2, 1},
                                            {&TForm2::CheckBox16, &lcell::blockx1, -1},
                                            {&TForm2::CheckBox17, &lcell::blockx2, 1}};

// Cell texts that a list writes when a name is chosen or typed.
struct TTextBinding {
    TComboBox* TForm2::*Box;
    std::string lcell::*Field;
};
constexpr TTextBinding cTextBindings[] = {{&TForm2::Edit8, &lcell::spritename},
                                          {&TForm2::ComboBox5, &lcell::wco},
                                          {&TForm2::ComboBox6, &lcell::fco},
                                          {&TForm2::ComboBox7, &lcell::cco},
                                          {&TForm2::ComboBox9, &lcell::gtp}};

// The groups that a double click on their frame folds and unfolds to the height they were laid out with.
constexpr TGroupBox* TForm2::*cFoldingGroups[] = {&TForm2::GroupBox5, &TForm2::GroupBox1, &TForm2::GroupBox6,
                                                  &TForm2::GroupBox8, &TForm2::GroupBox7};

// The cell of the table at (x, y), or nullptr outside it.
lcell* CellOf(int32_t x, int32_t y)
{
    if (x < levelgrid.Low() || x > levelgrid.High() || y < levelgrid[x].Low() || y > levelgrid[x].High())
        return nullptr;
    return &levelgrid[x][y];
}

lcell* CursorCell() { return CellOf(edcurx, edcury); }

// A map id names one folder under "\levels\": letters, digits, "_", "-" and ".", but not "." or "..".
bool IsMapId(std::string_view id)
{
    if (id.empty() || id == "." || id == "..") return false;
    for (const char c : id)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
              c == '.'))
            return false;
    return true;
}
constexpr const char* cMapIdAccepts = "a folder name of letters, digits, \"_\", \"-\" and \".\"";

// A file of the current map's folder (relative to the program folder); none while the map id names no folder of
// its own.
std::optional<std::string> MapFile(const std::string& name)
{
    if (!IsMapId(mapid)) return std::nullopt;
    return "\\levels\\" + mapid + "\\" + name;
}

std::string EventScriptFile(int32_t number) { return "\\scripts\\scr_" + IntToStr(number) + ".txt"; }

// The lines of a data file into the list; false, the list unchanged, when it cannot be read.
bool TryLoadDataLines(TStrings& lines, const std::string& relativePath)
{
    try {
        LoadDataLines(lines, relativePath, lng);
        return true;
    } catch (const EGameDataError&) {
        return false;
    }
}

// Line 0 of a cell's side file, or "" when there is none or it cannot be read.
std::string SideFileLine(int32_t x, int32_t y, const char* letter)
{
    const auto fileName = MapFile(IntToStr(x) + "_" + IntToStr(y) + "_" + letter + ".txt");
    if (!fileName || !DataFileExists(GamePath(*fileName))) return {};
    try {
        const std::vector<std::string> lines = ReadDataLines(*fileName, lng);
        return lines.empty() ? std::string() : lines.front();
    } catch (const EGameDataError&) {
        return {};
    }
}

} // namespace

void TForm2::WirePanels()
{
    for (const char* name : cEventNames) ComboBox3->Items()->Add(name);

    for (const TNumberBinding& b : cNumberBindings)
        (this->*b.Box)->OnChange = [this, b](TObject*) {
            int32_t value = 0;
            lcell* cell = EditedCell();
            if (TakeBoxNumber(*(this->*b.Box), value) && cell) cell->*b.Field = value;
        };
    for (const TCheckBinding& b : cCheckBindings)
        (this->*b.Box)->OnClick = [this, b](TObject*) {
            if (lcell* cell = EditedCell()) cell->*b.Field = (this->*b.Box)->Checked();
        };
    for (const TBlockBinding& b : cBlockBindings)
        (this->*b.Box)->OnClick = [this, b](TObject*) {
            if (lcell* cell = EditedCell()) cell->*b.Field = (this->*b.Box)->Checked() ? b.Ticked : 0;
        };
    for (const TTextBinding& b : cTextBindings)
        (this->*b.Box)->OnChange = [this, b](TObject*) {
            if (lcell* cell = EditedCell()) cell->*b.Field = (this->*b.Box)->Text();
        };
    for (TGroupBox* TForm2::*member : cFoldingGroups) {
        TGroupBox* group = this->*member;
        group->OnDblClick = [group, full = group->Height()](TObject*) {
            group->SetHeight(group->Height() > cFoldedGroupHeight ? cFoldedGroupHeight : full);
        };
    }

    const auto click = [this](TWinControl* control, void (TForm2::*handler)(TObject*)) {
        control->OnClick = [this, handler](TObject* s) { (this->*handler)(s); };
    };
    const auto change = [this](auto* control, void (TForm2::*handler)(TObject*)) {
        control->OnChange = [this, handler](TObject* s) { (this->*handler)(s); };
    };
    OnShow = [this](TObject* s) { FormShow(s); };
    change(Edit1, &TForm2::Edit1Change);
    change(Edit2, &TForm2::Edit1Change);
    change(Edit3, &TForm2::Edit3Change);
    change(ComboBox3, &TForm2::ComboBox3Change);
    change(Edit26, &TForm2::Edit26Change);
    change(Edit27, &TForm2::Edit27Change);
    change(Edit25, &TForm2::Edit25Change);
    change(ComboBox4, &TForm2::ComboBox4Change);
    change(Edit49, &TForm2::Edit49Change);
    change(ComboBox10, &TForm2::ComboBox10Change);
    change(ComboBox1, &TForm2::ComboBox1Change);
    click(Button28, &TForm2::Button28Click);
    click(Button19, &TForm2::Button19Click);
    click(Button20, &TForm2::Button20Click);
    click(Button29, &TForm2::Button29Click);
    click(Button30, &TForm2::Button30Click);
    click(Button31, &TForm2::Button31Click);
    click(Button4, &TForm2::Button4Click);
    click(Button5, &TForm2::Button5Click);
    click(Button11, &TForm2::Button11Click);
    click(Button37, &TForm2::Button37Click);
    click(Button38, &TForm2::Button38Click);
    click(Button18, &TForm2::Button18Click);
    click(SpeedButton13, &TForm2::SpeedButton13Click);
    click(Button15, &TForm2::Button15Click);
    click(Button16, &TForm2::Button16Click);
    click(Button17, &TForm2::Button17Click);
    click(Button26, &TForm2::Button26Click);
    click(Button25, &TForm2::Button25Click);
    click(Button27, &TForm2::Button27Click);
    click(Button34, &TForm2::Button34Click);
    click(Button35, &TForm2::Button35Click);
    click(Button39, &TForm2::Button39Click);
    click(Button7, &TForm2::Button7Click);
    click(Button13, &TForm2::Button13Click);
    click(Button14, &TForm2::Button14Click);
    click(Button21, &TForm2::Button21Click);
    click(SpeedButton1, &TForm2::SpeedButton1Click);
    click(SpeedButton2, &TForm2::SpeedButton2Click);

    // Position nudges of 9 world units and the facing buttons: they change only the boxes until "set".
    for (const auto& [button, box, step] : {std::tuple{Button1, Edit16, -9}, std::tuple{Button2, Edit16, 9},
                                            std::tuple{Button3, Edit17, 9}, std::tuple{Button6, Edit17, -9}})
        button->OnClick = [box = box, step = step](TObject*) {
            int32_t value = 0;
            if (TakeBoxNumber(*box, value)) box->SetText(IntToStr(static_cast<int64_t>(value) + step));
        };
    for (const auto& [button, x, y] : {std::tuple{Button8, "0", "1"}, std::tuple{Button9, "0", "-1"},
                                       std::tuple{Button10, "-1", "0"}, std::tuple{Button12, "1", "0"}})
        button->OnClick = [this, x = x, y = y](TObject*) {
            Edit21->SetText(x);
            Edit22->SetText(y);
        };
    Button14->SetEnabled(false);
}

// ---- The cursor cell ----

lcell* TForm2::EditedCell() const { return FShowingValues ? nullptr : CursorCell(); }

namespace {

// Set while boxes are filled from what they show.
class TShowingValues {
public:
    explicit TShowingValues(bool& flag) : FFlag(flag) { FFlag = true; }
    ~TShowingValues() { FFlag = false; }
    TShowingValues(const TShowingValues&) = delete;
    TShowingValues& operator=(const TShowingValues&) = delete;

private:
    bool& FFlag;
};

} // namespace

void TForm2::showcelldata()
{
    const lcell* found = CursorCell();
    if (!found) return;
    // Showing a cell never changes it (a block of 5 ticks its box, which would write -1).
    const TShowingValues showing(FShowingValues);
    const lcell& cell = *found;
    Edit8->SetText(cell.spritename);
    Edit1->SetText(IntToStr(edcurx));
    Edit2->SetText(IntToStr(edcury));
    Edit43->SetText(IntToStr(edselx));
    Edit44->SetText(IntToStr(edsely));
    Edit3->SetText(IntToStr(cell.traptype));
    Edit4->SetText(IntToStr(cell.doorno));
    Edit6->SetText(IntToStr(cell.chestno));
    Edit7->SetText(IntToStr(cell.textid));
    CheckBox16->SetChecked(cell.blockx1 != 0);
    CheckBox17->SetChecked(cell.blockx2 != 0);
    CheckBox14->SetChecked(cell.blocky1 != 0);
    CheckBox15->SetChecked(cell.blocky2 != 0);
    // The override boxes show the side files; setting a list's text writes nothing into the cell.
    ComboBox5->SetText(SideFileLine(edcurx, edcury, "w"));
    ComboBox6->SetText(SideFileLine(edcurx, edcury, "f"));
    ComboBox7->SetText(SideFileLine(edcurx, edcury, "c"));
    Edit24->SetText(cell.wmo);
    const std::pair<TEdit*, int32_t> mesh[] = {{Edit28, cell.ta}, {Edit29, cell.ra}, {Edit30, cell.pa},
                                               {Edit31, cell.dx}, {Edit32, cell.dy}, {Edit33, cell.dz}};
    for (const auto& [box, value] : mesh) box->SetText(IntToStr(value));
    CheckBox18->SetChecked(cell.fwm);
    CheckBox22->SetChecked(cell.ignored);
    Edit41->SetText(IntToStr(cell.doorface));
    Edit42->SetText(IntToStr(cell.plz));
    CheckBox19->SetChecked(cell.grass);
    CheckBox20->SetChecked(cell.shcast);
    Edit45->SetText(IntToStr(cell.dens));
    ComboBox9->SetText(cell.gtp);
    Edit5->SetText(IntToStr(cell.power));
    Edit46->SetText(IntToStr(cell.lgroup));
    Edit47->SetText(IntToStr(cell.visarea));
    Edit48->SetText(IntToStr(cell.visarea2));
}

void TForm2::Edit1Change(TObject*)
{
    int32_t x = 0, y = 0;
    if (!TryStrToInt(Edit1->Text(), x) || !TryStrToInt(Edit2->Text(), y)) return;
    if (const lcell* cell = CellOf(x, y)) Edit8->SetText(cell->spritename);
}

void TForm2::Edit3Change(TObject*)
{
    int32_t type = 0;
    if (!TakeBoxNumber(*Edit3, type)) return;
    ComboBox3->SetItemIndex(type);
    if (lcell* cell = EditedCell()) cell->traptype = type;
}

void TForm2::ComboBox3Change(TObject*)
{
    const int32_t type = ComboBox3->ItemIndex();
    if (type < 0) return;
    Edit3->SetText(IntToStr(type));
    lcell* cell = CursorCell();
    if (!cell) return;
    cell->traptype = type;
    // The event script of a multievent comes into the memo when there is one.
    if (type == cMultiEvent) TryLoadDataLines(*ScrMemo->Lines(), EventScriptFile(cell->doorno));
}

// ---- Lists ----

void TForm2::FormShow(TObject*)
{
    ComboBox4->Items()->BeginUpdate();
    ComboBox4->Items()->Clear();
    for (int32_t i = 0; i < envcount && i <= envrlist.High(); ++i) ComboBox4->Items()->Add(envrlist[i].name);
    ComboBox4->Items()->EndUpdate();
    ComboBox4->SetItemIndex(envindex);
    for (TComboBox* list : {Edit8, ComboBox2, ComboBox5, ComboBox6, ComboBox7}) formspritelist(*list);
    readmeshes(*Edit24->Items());
    const std::string grassList = "\\textures\\grasslist.txt";
    if (!TryLoadDataLines(*ComboBox9->Items(), grassList)) {
        ComboBox9->Items()->Clear();
        GameLog("The map editor's grass list is empty: " + GamePath(grassList) + " cannot be read.");
    }
    ComboBox1->Items()->BeginUpdate();
    ComboBox1->Items()->Clear();
    for (int32_t i = freesprites.Low(); i <= freesprites.High(); ++i) ComboBox1->Items()->Add(IntToStr(i));
    ComboBox1->Items()->EndUpdate();
    ComboBox1->SetText("0");
    Button14->SetEnabled(false);
}

// ---- Map properties ----

void TForm2::Button28Click(TObject*)
{
    const std::string id = Edit23->Text();
    if (!IsMapId(id)) {
        Edit23->SetInvalid(cMapIdAccepts);
        EditorMessage("\"Map id\" needs " + std::string(cMapIdAccepts) + "; the map id stays \"" + mapid + "\".");
        return;
    }
    mapid = id;
}

void TForm2::Button19Click(TObject*) { Edit23->SetText(mapid); }

void TForm2::Button20Click(TObject*)
{
    const std::string id = Edit23->Text();
    if (id.empty()) return;
    if (!IsMapId(id)) {
        Edit23->SetInvalid(cMapIdAccepts);
        EditorMessage("\"Map id\" needs " + std::string(cMapIdAccepts) + "; no folder was made.");
        return;
    }
    const std::string folder = GamePath("\\levels\\" + id);
    if (!ForceDirectories(folder)) EditorMessage("The folder " + folder + " cannot be made.");
}

namespace {

// A highest grid index from a size box: 0..99, the range the map reader takes; anything else is refused.
void TakeHighestIndex(TEdit* box, int32_t& highest)
{
    int32_t value = 0;
    if (TryStrToInt(box->Text(), value) && value >= 0 && value <= 99)
        highest = value;
    else
        box->SetInvalid("a whole number from 0 to 99");
}

// Writes the box's text as the only line of a file of the current map. Typing writes at every change, so a
// failure marks the box and is logged rather than stopping the typing with a message.
void WriteMapLine(TEdit* box, const std::string& name)
{
    const auto fileName = MapFile(name);
    try {
        if (!fileName) throw EGameDataError("the map id \"" + mapid + "\" names no folder of its own");
        SaveDataLine(box->Text(), *fileName);
    } catch (const Exception& e) {
        box->SetInvalid("a text; " + name + " cannot be written: " + e.Message());
        GameLog("The map editor could not write " + name + ": " + e.Message());
    }
}

} // namespace

void TForm2::Edit26Change(TObject*) { TakeHighestIndex(Edit26, mapmaxx); }
void TForm2::Edit27Change(TObject*) { TakeHighestIndex(Edit27, mapmaxy); }

void TForm2::Edit25Change(TObject*) { WriteMapLine(Edit25, "skybox.txt"); }

void TForm2::ComboBox4Change(TObject*)
{
    if (ComboBox4->ItemIndex() >= 0) envindex = ComboBox4->ItemIndex();
}

void TForm2::Edit49Change(TObject*)
{
    if (FShowingValues) return;
    // The memo holds the file's lines; the box is its one line.
    Memo1->Lines()->SetText(Edit49->Text());
    WriteMapLine(Edit49, "mapname_" + ComboBox10->Text() + ".txt");
}

void TForm2::ComboBox10Change(TObject*)
{
    const auto fileName = MapFile("mapname_" + ComboBox10->Text() + ".txt");
    const bool read = fileName && TryLoadDataLines(*Memo1->Lines(), *fileName);
    // Showing what the file holds writes nothing back.
    const TShowingValues showing(FShowingValues);
    Edit49->SetText(read ? Memo1->Text() : mapid);
}

// ---- The player light ----

namespace {

constexpr double cAttenuationScale = 10000, cColourScale = 255;

} // namespace

void TForm2::Button29Click(TObject*)
{
    const std::pair<TEdit*, const char*> defaults[] = {{Edit35, "10000"}, {Edit36, "100"}, {Edit37, "10"},
                                                       {Edit38, "255"},   {Edit39, "127"}, {Edit40, "0"}};
    for (const auto& [box, text] : defaults) box->SetText(text);
}

void TForm2::Button30Click(TObject*)
{
    EditorCommand([this] {
        // The light as the level's light file gives it, so that what applies it later keeps these values. Written
        // box by box: a box that does not convert ends the command, the values before it stay on the light and
        // the light file is not written.
        playerlightvalues& l = playerlightdata;
        const std::tuple<TEdit*, const char*, double playerlightvalues::*, double> boxes[] = {
            {Edit35, "Atten c", &playerlightvalues::ca, cAttenuationScale},
            {Edit36, "Atten l", &playerlightvalues::la, cAttenuationScale},
            {Edit37, "Atten q", &playerlightvalues::qa, cAttenuationScale},
            {Edit38, "Color R", &playerlightvalues::dr, cColourScale},
            {Edit39, "Color G", &playerlightvalues::dg, cColourScale},
            {Edit40, "Color B", &playerlightvalues::db, cColourScale}};
        const auto apply = [] {
            if (Form1) Form1->ApplyPlayerLight();
        };
        try {
            for (const auto& [box, name, field, scale] : boxes) l.*field = BoxNumber(*box, name) / scale;
        } catch (...) {
            apply();
            throw;
        }
        apply();
        savelight(l.ca, l.la, l.qa, l.dr, l.dg, l.db, 1);
    });
}

void TForm2::Button31Click(TObject*)
{
    playerlightvalues l = playerlightdata;
    if (Form1 && Form1->playerlight) {
        const TGLLightSource& light = *Form1->playerlight;
        const TGLColor& diffuse = *light.Diffuse();
        l = {light.ConstAttenuation(), light.LinearAttenuation(), light.QuadraticAttenuation(),
             diffuse.Red(),            diffuse.Green(),           diffuse.Blue()};
    }
    const std::pair<TEdit*, double> boxes[] = {
        {Edit35, l.ca * cAttenuationScale}, {Edit36, l.la * cAttenuationScale}, {Edit37, l.qa * cAttenuationScale},
        {Edit38, l.dr * cColourScale},      {Edit39, l.dg * cColourScale},      {Edit40, l.db * cColourScale}};
    for (const auto& [box, value] : boxes) box->SetText(IntToStr(Round(value)));
}

// ---- Start and exit ----

void TForm2::Button4Click(TObject*)
{
    EditorCommand([this] {
        // Written box by box: a box that does not convert ends the command, the values before it stay written. The
        // map reader refuses a start outside the grid, so the start stays inside it.
        startx = BoxNumber(*Edit9, "start x", 0, mapmaxx);
        starty = BoxNumber(*Edit10, "start y", 0, mapmaxy);
        exitx = BoxNumber(*Edit11, "exit x");
        exity = BoxNumber(*Edit12, "exit y");
        startdir = BoxNumber(*Edit13, "direction");
        mapspare = BoxNumber(*Edit14, "spare");
    });
}

void TForm2::Button5Click(TObject*)
{
    const std::pair<TEdit*, int32_t> boxes[] = {{Edit9, startx}, {Edit10, starty},  {Edit11, exitx},
                                                {Edit12, exity}, {Edit13, startdir}, {Edit14, mapspare}};
    for (const auto& [box, value] : boxes) box->SetText(IntToStr(value));
}

void TForm2::Button11Click(TObject*) { Edit13->SetText(IntToStr(lookside)); }

void TForm2::Button37Click(TObject*)
{
    Edit9->SetText(IntToStr(edcurx));
    Edit10->SetText(IntToStr(edcury));
}

void TForm2::Button38Click(TObject*)
{
    Edit11->SetText(IntToStr(edcurx));
    Edit12->SetText(IntToStr(edcury));
}

// ---- Cell buttons ----

void TForm2::Button18Click(TObject*)
{
    if (!CursorCell()) return;
    playerx = edcurx;
    playery = edcury;
    camsnap = true;
}

void TForm2::SpeedButton13Click(TObject*)
{
    const lcell* cell = CursorCell();
    if (!cell) return;
    setcelldoorface(edcurx, edcury);
    Edit41->SetText(IntToStr(cell->doorface));
}

// ---- Event scripts ----

void TForm2::Button15Click(TObject*)
{
    for (const TEdit* box : {Edit3, Edit4, Edit6}) ScrMemo->Lines()->Add(box->Text());
}

void TForm2::Button16Click(TObject*)
{
    const lcell* cell = CursorCell();
    if (!cell) return;
    ScrMemo->Clear();
    EditorCommand([this, cell] { LoadDataLines(*ScrMemo->Lines(), EventScriptFile(cell->doorno), lng); });
}

void TForm2::Button17Click(TObject*)
{
    if (const lcell* cell = CursorCell())
        EditorCommand([this, cell] { SaveDataLines(*ScrMemo->Lines(), EventScriptFile(cell->doorno)); });
}

// ---- Cell meshes ----

void TForm2::Button26Click(TObject*)
{
    lcell* cell = CursorCell();
    if (!cell) return;
    EditorCommand([this, cell] {
        // Written box by box: a box that does not convert ends the command, the values before it stay written.
        cell->wmo = Edit24->Text();
        const std::tuple<TEdit*, const char*, int32_t lcell::*> boxes[] = {
            {Edit28, "Turn angle", &lcell::ta}, {Edit29, "roll angle", &lcell::ra}, {Edit30, "pitch angle", &lcell::pa},
            {Edit31, "Move X", &lcell::dx},     {Edit32, "Move Y", &lcell::dy},     {Edit33, "Move Z", &lcell::dz}};
        for (const auto& [box, name, field] : boxes) cell->*field = BoxNumber(*box, name);
        cell->fwm = CheckBox18->Checked();
    });
}

void TForm2::Button25Click(TObject*)
{
    for (TEdit* box : {Edit28, Edit29, Edit30}) box->SetText("0");
}

void TForm2::Button27Click(TObject*)
{
    for (TEdit* box : {Edit31, Edit32, Edit33}) box->SetText("0");
}

void TForm2::Button34Click(TObject*)
{
    if (lcell* cell = CursorCell()) cell->fmo = Edit24->Text();
}

void TForm2::Button35Click(TObject*)
{
    if (const lcell* cell = CursorCell()) Edit24->SetText(cell->fmo);
}

void TForm2::Button39Click(TObject*) { Edit24->SetText("void"); }

// ---- Free sprites ----

void TForm2::displayfspritedata(int32_t fs)
{
    if (fs < freesprites.Low() || fs > freesprites.High()) return;
    const freesprite& sprite = freesprites[fs];
    const std::pair<TEdit*, int32_t> numbers[] = {
        {Edit16, sprite.x}, {Edit17, sprite.y}, {Edit18, sprite.z}, {Edit19, sprite.w}, {Edit20, sprite.h}};
    for (const auto& [box, value] : numbers) box->SetText(IntToStr(value));
    Edit21->SetText(FloatToStr(sprite.dirx));
    Edit22->SetText(FloatToStr(sprite.diry));
    ComboBox2->SetText(sprite.name);
    CheckBox8->SetChecked(sprite.enabled);
    CheckBox9->SetChecked(sprite.fixed);
    edfsprite = fs;
}

void TForm2::ComboBox1Change(TObject*)
{
    int32_t slot = 0;
    const bool number = TryStrToInt(ComboBox1->Text(), slot);
    // Slot 0 has no slot before it to clone.
    Button14->SetEnabled(number && slot > freesprites.Low() && slot <= freesprites.High());
    if (number) displayfspritedata(slot);
}

void TForm2::Button7Click(TObject*)
{
    if (edfsprite < freesprites.Low() || edfsprite > freesprites.High()) return;
    EditorCommand([this] {
        // Written box by box: a box that does not convert ends the command, the values before it stay written.
        freesprite& sprite = freesprites[edfsprite];
        const std::tuple<TEdit*, const char*, int32_t freesprite::*> boxes[] = {{Edit16, "x", &freesprite::x},
                                                                                {Edit17, "y", &freesprite::y},
                                                                                {Edit18, "z", &freesprite::z},
                                                                                {Edit19, "w", &freesprite::w},
                                                                                {Edit20, "h", &freesprite::h}};
        for (const auto& [box, name, field] : boxes) sprite.*field = BoxNumber(*box, name);
        sprite.dirx = BoxReal(*Edit21, "dr x");
        sprite.diry = BoxReal(*Edit22, "dr y");
        sprite.enabled = CheckBox8->Checked();
        sprite.fixed = CheckBox9->Checked();
        sprite.name = ComboBox2->Text();
    });
}

void TForm2::Button13Click(TObject*)
{
    Edit19->SetText("20");
    Edit20->SetText("20");
}

void TForm2::Button14Click(TObject*)
{
    int32_t slot = 0;
    if (!TryStrToInt(ComboBox1->Text(), slot) || slot <= freesprites.Low() || slot > freesprites.High()) return;
    freesprites[slot] = freesprites[slot - 1];
    displayfspritedata(slot);
}

void TForm2::Button21Click(TObject*)
{
    Edit16->SetText(IntToStr(20 * static_cast<int64_t>(edcurx)));
    Edit17->SetText(IntToStr(20 * static_cast<int64_t>(edcury)));
    Edit18->SetText("10");
}

// ---- Cell scripts ----

namespace {

// The cursor cell's script, or its search script.
std::optional<std::string> CellScriptFile(bool search)
{
    return MapFile((search ? "sscript_" : "script_") + IntToStr(edcurx) + "_" + IntToStr(edcury) + ".txt");
}

} // namespace

void TForm2::SpeedButton1Click(TObject*)
{
    const auto fileName = CellScriptFile(CheckBox11->Checked());
    if (fileName && TryLoadDataLines(*ScrMemo->Lines(), *fileName)) return;
    // An empty memo, so that "save" cannot store the message as the cell's script.
    ScrMemo->Clear();
    EditorMessage("no script for this cell");
}

void TForm2::SpeedButton2Click(TObject*)
{
    const auto fileName = CellScriptFile(CheckBox11->Checked());
    if (!fileName) {
        EditorMessage("The map id \"" + mapid + "\" names no folder of its own: the cell script is not saved.");
        return;
    }
    EditorCommand([this, &fileName] { SaveDataLines(*ScrMemo->Lines(), *fileName); });
}
