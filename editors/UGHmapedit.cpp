// The map editor window: its layout, the map view with its pointer and key handling, and the tools.
#include "UGHmapedit.h"

#include "UFreeMeshEd.h"
#include "UGHLSourc.h"
#include "UGH_data.h"
#include "UGH_editfields.h"
#include "UGHDebug.h"
#include "UGHItemedit.h"
#include "UGHMonsterlist.h"
#include "UGHcardedit.h"
#include "UGHPerkEdit.h"
#include "UGHcharedit.h"
#include "UGHtextedit.h"
#include "Utalismanedit.h"

#include "Dialogs.h"
#include "KeyState.h"
#include "SysUtils.h"
#include "VirtualKeys.h"

#include <algorithm>
#include <cmath>
#include <cstring>

int32_t edtool = 0;
int32_t edselx = 0, edsely = 0;
int32_t edfsprite = 0;
int32_t edscrollx = 0, edscrolly = 0;
lcell edcellbuf;
int32_t edlgroup = 0;
int32_t edvarea1 = 0, edvarea2 = 0;
bool edldown = false, edmdown = false;
int32_t edlastx = 0, edlasty = 0;
std::unique_ptr<TBitmap> edmapbmp;

TForm2* Form2 = nullptr;

void EditorMessage(const std::string& text)
{
    TMessageBoxRequest request;
    request.Caption = "MapEd";
    request.Text = text;
    ShowMessageBox(request);
}

namespace {

constexpr int32_t cCellPixels = 20;
constexpr int32_t cRowPitch = 18; // rows of controls inside the groups
constexpr int32_t cGroupTop = 15;  // a group's first row, below its caption

constexpr TColor Rgb(int32_t r, int32_t g, int32_t b) { return r | (g << 8) | (b << 16); }

bool InUsedGrid(int32_t x, int32_t y) { return x >= 0 && x <= UsedMaxX() && y >= 0 && y <= UsedMaxY(); }

// A drawing coordinate from a value of the tables: rounded (halves to even), NaN as 0, and kept within a range
// the canvas draws without overflow (anything that far out is off the picture anyway).
int32_t Px(double value)
{
    if (std::isnan(value)) return 0;
    return static_cast<int32_t>(std::nearbyint(std::clamp(value, -1.0e6, 1.0e6)));
}

void SetPen(TCanvas& canvas, TColor color, int32_t width, TPenStyle style = psSolid)
{
    canvas.Pen()->SetColor(color);
    canvas.Pen()->SetWidth(width);
    canvas.Pen()->SetStyle(style);
}

void SetBrush(TCanvas& canvas, TColor color, TBrushStyle style = bsSolid)
{
    canvas.Brush()->SetColor(color);
    canvas.Brush()->SetStyle(style);
}

void Line(TCanvas& canvas, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
}

template <class T> T* Aligned(TComponent* owner, TWinControl* parent, TAlign align, int32_t w, int32_t h)
{
    T* control = MakeControl<T>(owner, parent, 0, 0, w, h);
    control->SetAlign(align);
    return control;
}

// Places controls from left to right in rows of a panel or group.
class TRows {
public:
    TRows(TComponent* owner, TWinControl* parent, int32_t top = cGroupTop) : FOwner(owner), FParent(parent), FY(top) {}

    template <class T> T* Put(T*& member, int32_t width, const std::string& caption = {})
    {
        member = MakeControl<T>(FOwner, FParent, FX, FY, width, cRowPitch);
        if constexpr (requires { member->SetCaption(caption); }) member->SetCaption(caption);
        FX += width + 2;
        return member;
    }
    // A label that no code reads.
    void Text(const std::string& caption, int32_t width)
    {
        TLabel* label = nullptr;
        Put(label, width, caption);
    }
    void Next()
    {
        FX = 4;
        FY += cRowPitch;
    }
    int32_t Bottom() const { return FY + cRowPitch; }
    // The group as tall as its rows, with its frame's line below the last.
    void FitParent() { FParent->SetHeight(Bottom() + 1); }

private:
    TComponent* FOwner;
    TWinControl* FParent;
    int32_t FX = 4, FY;
};

TMenuItem* AddItem(TComponent* owner, TMenuItem* parent, TMenuItem*& member, const std::string& caption,
                   TShortCut shortCut = 0)
{
    member = new TMenuItem(owner);
    member->SetCaption(caption);
    member->SetShortCut(shortCut);
    parent->Add(member);
    return member;
}

} // namespace

TColor visareacolor(int32_t n)
{
    static constexpr TColor cFixed[] = {Rgb(0, 128, 0),   Rgb(0, 0, 255),   Rgb(0, 255, 0),
                                        Rgb(128, 0, 128), Rgb(255, 0, 255), Rgb(128, 0, 0)};
    if (n >= 0 && n < 6) return cFixed[n];
    const int32_t v = static_cast<int32_t>(Round(255.0 / n)) & 0xFF;
    return Rgb(v, v, v);
}

TForm2::TForm2(TComponent* AOwner) : TForm(AOwner), FFlipped(std::make_unique<TBitmap>())
{
    SetCaption("MapEd");
    SetClientWidth(1180);
    SetClientHeight(860);
    OnKeyUp = [this](TObject* s, uint16_t& k, TShiftState sh) { FormKeyUp(s, k, sh); };

    // ---- Toolbar: the tools, the file buttons, the view's check boxes; the other editors below them ----
    Panel3 = Aligned<TPanel>(this, this, alTop, 1180, 2 * cRowPitch + 8);
    TRows bar(this, Panel3, 2);
    bar.Put(SpeedButton14, 46, "select");
    bar.Put(SpeedButton15, 66, "wall/clear");
    bar.Put(SpeedButton16, 40, "door");
    bar.Put(SpeedButton17, 44, "chest");
    bar.Put(SpeedButton22, 44, "clear");
    bar.Put(SpeedButton23, 80, "light groups");
    bar.Put(SpeedButton24, 96, "visibility areas");
    const std::pair<TSpeedButton*, void (TForm2::*)(TObject*)> tools[] = {
        {SpeedButton14, &TForm2::SpeedButton14Click}, {SpeedButton15, &TForm2::SpeedButton15Click},
        {SpeedButton16, &TForm2::SpeedButton16Click}, {SpeedButton17, &TForm2::SpeedButton17Click},
        {SpeedButton22, &TForm2::SpeedButton22Click}, {SpeedButton23, &TForm2::SpeedButton23Click},
        {SpeedButton24, &TForm2::SpeedButton24Click}};
    for (const auto& [button, handler] : tools) {
        button->SetGroupIndex(1);
        button->OnClick = [this, handler = handler](TObject* s) { (this->*handler)(s); };
    }
    for (const auto& tool : tools) tool.first->SetHint(tool.first->Caption());
    SpeedButton14->SetDown(true);
    bar.Put(SpeedButton3, 40, "new");
    bar.Put(SpeedButton4, 40, "save");
    bar.Put(SpeedButton5, 40, "load");
    bar.Put(SpeedButton6, 40, "build");
    bar.Put(CheckBox10, 60, "marks");
    bar.Put(CheckBox13, 60, "focus");
    bar.Put(CheckBox21, 60, "areas");
    CheckBox10->SetHint("show marks in editor");
    CheckBox13->SetHint("autoremove focus");
    CheckBox21->SetHint("show visibility areas");
    CheckBox13->SetChecked(true);

    // ---- Bottom strip below its splitter: script controls and cursor, the script text, the cell meshes ----
    Panel4 = MakeControl<TPanel>(this, this, 0, 690, 1180, 170);
    Panel4->SetAlign(alBottom);
    // A splitter stands on the left until told otherwise: its height is set once it lies along the bottom.
    Splitter1 = MakeControl<TSplitter>(this, this, 0, 686, 1180, 4);
    Splitter1->SetAlign(alBottom);
    Splitter1->SetBounds(0, 686, 1180, 4);
    GroupBox12 = Aligned<TGroupBox>(this, Panel4, alRight, 330, 170);
    GroupBox12->SetCaption("cell meshes");
    TRows meshes(this, GroupBox12, 16);
    meshes.Put(Edit24, 200);
    meshes.Put(Button26, 30, "ok");
    meshes.Put(Button39, 40, "void");
    meshes.Put(ComboBox8, 50);
    ComboBox8->Items()->SetText(".obj\n.3ds");
    ComboBox8->Hide();
    meshes.Next();
    meshes.Text("Turn angle/roll angle/pitch angle", 200);
    meshes.Next();
    meshes.Put(Edit28, 40);
    meshes.Put(Edit29, 40);
    meshes.Put(Edit30, 40);
    meshes.Put(Button25, 60, "default");
    meshes.Next();
    meshes.Text("Move X,Y,Z", 200);
    meshes.Next();
    meshes.Put(Edit31, 40);
    meshes.Put(Edit32, 40);
    meshes.Put(Edit33, 40);
    meshes.Put(Button27, 60, "default");
    meshes.Next();
    meshes.Put(CheckBox18, 120, "forcewallmesh");
    meshes.Put(Button34, 30, "fo");
    Button34->SetHint("Floor mesh override");
    meshes.Put(Button35, 24, "^");

    Panel5 = Aligned<TPanel>(this, Panel4, alTop, 850, 44);
    GroupBox10 = Aligned<TGroupBox>(this, Panel5, alRight, 110, 44);
    GroupBox10->SetCaption("cursor");
    TRows cursor(this, GroupBox10, 18);
    cursor.Put(Label25, 100, "0,0");
    GroupBox9 = Aligned<TGroupBox>(this, Panel5, alClient, 740, 44);
    GroupBox9->SetCaption("Script controls");
    TRows scripts(this, GroupBox9, 18);
    scripts.Put(SpeedButton1, 40, "load");
    scripts.Put(SpeedButton2, 40, "save");
    scripts.Put(CheckBox11, 100, "search script");
    scripts.Put(Button22, 50, "Auto");
    scripts.Put(Button23, 50, "no f/c");
    scripts.Put(Button24, 100, "auto floor/ceil");
    scripts.Put(Button32, 70, "clr empt.");
    GroupBox11 = Aligned<TGroupBox>(this, Panel4, alClient, 850, 126);
    GroupBox11->SetCaption("Script text");
    ScrMemo = Aligned<TMemo>(this, GroupBox11, alClient, 850, 110);
    ScrMemo->SetScrollBars(ssBoth);

    // ---- Left column: the map's properties above the cursor cell's ----
    Panel2 = Aligned<TPanel>(this, this, alLeft, 242, 640);
    GroupBox1 = MakeControl<TGroupBox>(this, Panel2, 0, 0, 242, 0);
    GroupBox1->SetAlign(alTop);
    GroupBox1->SetCaption("Map properties");
    TRows map(this, GroupBox1);
    map.Text("Map id", 40);
    map.Put(Edit23, 70);
    map.Put(Button28, 36, "set");
    map.Put(Button19, 40, "read");
    map.Put(Button20, 36, "dir");
    map.Next();
    map.Text("Map width, height", 94);
    map.Put(Edit26, 34);
    map.Put(Edit27, 34);
    map.Put(ComboBox4, 68);
    map.Next();
    map.Text("Skybox", 40);
    map.Put(Edit25, 80);
    map.Put(Edit49, 70);
    map.Put(ComboBox10, 40);
    ComboBox10->Items()->SetText("en\nru");
    ComboBox10->SetItemIndex(0);
    map.Next();
    GroupBox2 = MakeControl<TGroupBox>(this, GroupBox1, 2, map.Bottom() - cRowPitch, 236, 2 * cRowPitch + 18);
    GroupBox2->SetCaption("Light");
    TRows light(this, GroupBox2);
    light.Text("Atten (c/l/q)", 64);
    light.Put(Edit35, 36, "");
    light.Put(Edit36, 36);
    light.Put(Edit37, 36);
    light.Put(Button29, 24, "d");
    light.Put(Button30, 24, "s");
    light.Next();
    light.Text("Color (RGB)", 64);
    light.Put(Edit38, 36);
    light.Put(Edit39, 36);
    light.Put(Edit40, 36);
    light.Put(Button31, 50, "read");
    Edit35->SetText("50");
    Edit36->SetText("1");
    Edit37->SetText("1");
    Edit38->SetText("255");
    Edit39->SetText("127");
    Edit40->SetText("0");
    GroupBox3 = MakeControl<TGroupBox>(this, GroupBox1, 2, GroupBox2->Top() + GroupBox2->Height() + 2, 236,
                                3 * cRowPitch + 18);
    GroupBox3->SetCaption("start/exit");
    TRows ends(this, GroupBox3);
    ends.Text("start", 26);
    ends.Put(Edit9, 30);
    ends.Put(Edit10, 30);
    ends.Put(Button37, 18, "s");
    ends.Text("exit", 22);
    ends.Put(Edit11, 30);
    ends.Put(Edit12, 30);
    ends.Put(Button38, 18, "s");
    ends.Next();
    ends.Text("direction", 50);
    ends.Put(Edit13, 30);
    ends.Put(Button11, 60, "lookside");
    ends.Put(Edit14, 30);
    Edit14->Hide();
    ends.Next();
    ends.Put(Button4, 50, "set");
    ends.Put(Button5, 50, "read");
    GroupBox1->SetHeight(GroupBox3->Top() + GroupBox3->Height() + 2);

    GroupBox4 = MakeControl<TGroupBox>(this, Panel2, 0, GroupBox1->Height(), 242, 0);
    GroupBox4->SetAlign(alClient);
    GroupBox4->SetCaption("Cell Properties");
    // Stacked from the top, so that a folded group moves the ones below it up; each is as tall as its rows.
    TGroupBox* above = nullptr;
    const auto stacked = [this, &above](TGroupBox*& group, const char* caption) {
        group = MakeControl<TGroupBox>(this, GroupBox4, 0, above ? above->Top() + above->Height() : 0, 242, 0);
        above = group;
        group->SetAlign(alTop);
        group->SetCaption(caption);
        return TRows(this, group);
    };
    TRows general = stacked(GroupBox5, "general");
    general.Text("x, y", 24);
    general.Put(Edit1, 26);
    general.Put(Edit2, 26);
    general.Put(Edit43, 26);
    general.Put(Edit44, 26);
    general.Put(Button18, 16, "j");
    Button18->SetHint("jump to specified cell");
    general.Text("Cell ID", 38);
    general.Put(Edit7, 34);
    general.Next();
    general.Text("power", 32);
    general.Put(Edit5, 26);
    general.Text("z shift", 36);
    general.Put(Edit42, 26);
    general.Text("door face", 48);
    general.Put(Edit41, 26);
    general.Put(SpeedButton13, 16, "a");
    general.Next();
    general.Text("block", 28);
    general.Put(CheckBox14, 34, "-y");
    general.Put(CheckBox15, 34, "+y");
    general.Put(CheckBox16, 34, "-x");
    general.Put(CheckBox17, 34, "+x");
    general.Put(CheckBox22, 40, "ign");
    general.Next();
    general.Text("cell lght group", 76);
    general.Put(Edit46, 26);
    general.Text("cell visgroup", 64);
    general.Put(Edit47, 26);
    general.Next();
    general.Text("and", 20);
    general.Put(Edit48, 26);
    general.Put(CheckBox1, 44, "wall");
    general.Put(CheckBox2, 66, "passable");
    general.Put(CheckBox3, 46, "door");
    general.Next();
    general.Put(CheckBox5, 50, "chest");
    general.Put(CheckBox12, 70, "outdoors");
    general.Put(CheckBox20, 60, "shcast");
    general.FitParent();
    for (TEdit* readOnly : {Edit1, Edit2, Edit43, Edit44}) readOnly->SetEnabled(false);

    TRows event = stacked(GroupBox6, "Event controls");
    event.Put(CheckBox4, 56, "event");
    event.Text("Event set", 48);
    event.Put(Edit3, 26);
    event.Next();
    event.Put(ComboBox3, 228);
    ComboBox3->SetStyle(csDropDownList);
    event.Next();
    event.Text("par1", 26);
    event.Put(Edit4, 34);
    event.Text("par2", 26);
    event.Put(Edit6, 34);
    event.Put(Button15, 18, ">");
    event.Put(Button16, 18, "l");
    event.Put(Button17, 18, "s");

    event.FitParent();

    TRows decoration = stacked(GroupBox7, "cell decoration");
    decoration.Text("Cell sprite", 54);
    decoration.Put(Edit8, 174);
    decoration.Next();
    decoration.Text("overrides (wall, floor, ceil)", 228);
    decoration.Next();
    decoration.Put(ComboBox5, 74);
    decoration.Put(ComboBox6, 74);
    decoration.Put(ComboBox7, 74);
    decoration.Next();
    decoration.Put(CheckBox6, 50, "floor");
    decoration.Put(CheckBox7, 60, "ceiling");
    decoration.Put(CheckBox19, 54, "grass");
    decoration.Text("dens", 26);
    decoration.Put(Edit45, 26);
    decoration.Next();
    decoration.Put(ComboBox9, 228);

    decoration.FitParent();

    TRows sprite = stacked(GroupBox8, "Free sprite");
    sprite.Put(ComboBox1, 60);
    sprite.Put(ComboBox2, 166);
    sprite.Next();
    sprite.Text("x,y,z", 30);
    sprite.Put(Edit16, 34);
    sprite.Put(Edit17, 34);
    sprite.Put(Edit18, 34);
    sprite.Put(Button21, 80, "act. cell c.");
    sprite.Next();
    sprite.Text("w,h", 30);
    sprite.Put(Edit19, 34);
    sprite.Put(Edit20, 34);
    sprite.Put(Button13, 24, "df");
    sprite.Text("dr", 16);
    sprite.Put(Edit21, 36);
    sprite.Put(Edit22, 36);
    sprite.Next();
    sprite.Put(Button1, 18, "<");
    sprite.Put(Button2, 18, ">");
    sprite.Put(Button3, 18, "^");
    sprite.Put(Button6, 18, "v");
    sprite.Text("dr", 16);
    sprite.Put(Button8, 18, "^");
    sprite.Put(Button9, 18, "v");
    sprite.Put(Button10, 18, "<");
    sprite.Put(Button12, 18, ">");
    sprite.Next();
    sprite.Put(CheckBox8, 70, "Enabled");
    sprite.Put(CheckBox9, 150, "fixed direction (x,y)");
    sprite.Next();
    sprite.Put(Button7, 50, "set");
    sprite.Put(Button14, 60, "cln prev");
    sprite.FitParent();

    // Spare boxes and the map name's file lines, never shown.
    Edit15 = MakeControl<TEdit>(this, this, 0, 0, 30, cRowPitch);
    Edit34 = MakeControl<TEdit>(this, this, 0, 0, 30, cRowPitch);
    Memo1 = MakeControl<TMemo>(this, this, 0, 0, 100, 100);
    for (TWinControl* hidden : std::initializer_list<TWinControl*>{Edit15, Edit34, Memo1}) hidden->Hide();

    // ---- The view: the map picture with its scroll bars ----
    Panel1 = Aligned<TPanel>(this, this, alClient, 938, 640);
    ScrollBar1 = Aligned<TScrollBar>(this, Panel1, alBottom, 938, 17);
    // Turning a bar upright swaps its width and height: it is turned before it takes its size.
    ScrollBar2 = new TScrollBar(this);
    ScrollBar2->SetKind(sbVertical);
    ScrollBar2->SetParent(Panel1);
    ScrollBar2->SetBounds(0, 0, 17, 623);
    ScrollBar2->SetAlign(alRight);
    Image1 = Aligned<TImage>(this, Panel1, alClient, 921, 623);
    Image1->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int32_t x, int32_t y) {
        Image1MouseDown(s, b, sh, x, y);
    };
    Image1->OnMouseMove = [this](TObject* s, TShiftState sh, int32_t x, int32_t y) { Image1MouseMove(s, sh, x, y); };
    Image1->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int32_t x, int32_t y) {
        Image1MouseUp(s, b, sh, x, y);
    };
    Image1->OnMouseLeave = [this](TObject* s) { Image1MouseLeave(s); };
    ScrollBar1->OnChange = [this](TObject* s) { ScrollBar1Change(s); };
    ScrollBar2->OnChange = [this](TObject* s) { ScrollBar2Change(s); };

    // ---- Menus ----
    MainMenu1 = new TMainMenu(this);
    TMenuItem* root = MainMenu1->Items();
    AddItem(this, root, FileMenu, "File");
    AddItem(this, FileMenu, New1, "New", ShortCut('N', TShiftState{ssCtrl}));
    AddItem(this, FileMenu, Save1, "Save", ShortCut('S', TShiftState{ssCtrl}));
    AddItem(this, FileMenu, Open1, "Open", ShortCut('O', TShiftState{ssCtrl}));
    AddItem(this, FileMenu, Exportmonsterdatabase1, "Export monster database");
    AddItem(this, FileMenu, Exportcarddatabase1, "Export card database");
    AddItem(this, FileMenu, ExportMapImage1, "Export Map Image");
    AddItem(this, root, EditMenu, "Edit");
    AddItem(this, EditMenu, Copy1, "Copy", ShortCut(VK_INSERT, TShiftState{ssCtrl}));
    AddItem(this, EditMenu, Paste1, "Paste", ShortCut(VK_INSERT, TShiftState{ssShift}));
    AddItem(this, EditMenu, BufferedCellData1, "Buffered Cell Data");
    AddItem(this, EditMenu, Select1, "Select");
    AddItem(this, EditMenu, Wall1, "Wall");
    AddItem(this, EditMenu, Door1, "Door");
    AddItem(this, EditMenu, Chest1, "Chest");
    AddItem(this, EditMenu, Light1, "Light");
    AddItem(this, EditMenu, Clear1, "Clear");
    AddItem(this, EditMenu, Makeselectioncastshadows1, "Make selection cast shadows");
    AddItem(this, EditMenu, Removeshadowcasting1, "Remove shadowcasting");
    AddItem(this, root, MapMenu, "Map");
    AddItem(this, MapMenu, Build1, "Build", ShortCut('B', TShiftState{ssCtrl}));
    AddItem(this, MapMenu, Random1, "Random");
    AddItem(this, MapMenu, AutoGetDoorAngles1, "Auto Get Door Angles");
    AddItem(this, MapMenu, ToggleEditView1, "Toggle Edit View");
    AddItem(this, root, EditorsMenu, "Editors");
    AddItem(this, root, HelpMenu, "Help");
    AddItem(this, HelpMenu, Scriptingreference1, "Scripting reference");
    SetMenu(MainMenu1);
    Copy1->OnClick = [this](TObject* s) { Copy1Click(s); };
    Paste1->OnClick = [this](TObject* s) { Paste1Click(s); };
    // A tool's menu twin clicks its button.
    for (auto [item, button] : {std::pair{Select1, SpeedButton14}, std::pair{Wall1, SpeedButton15},
                                std::pair{Door1, SpeedButton16}, std::pair{Chest1, SpeedButton17},
                                std::pair{Light1, SpeedButton23}, std::pair{Clear1, SpeedButton22}})
        item->OnClick = [button = button](TObject*) { button->Click(); };

    // ---- The other editors: each window's unit adds its Editors entry and toolbar button here ----
    AddEditorEntry(Cardeditor1, "Card editor", SpeedButton7, "Card editor", []() -> TForm* { return Form3; });
    AddEditorEntry(Charactereditor1, "Character editor", SpeedButton8, "Char editor", []() -> TForm* { return Form4; });
    AddEditorEntry(Variableeditor1, "Variable editor", SpeedButton9, "Var Edit", []() -> TForm* { return Form6; });
    AddEditorEntry(Itemeditor1, "Item editor", SpeedButton10, "Item Edit", []() -> TForm* { return Form7; });
    AddEditorEntry(Texteditor1, "Text editor", SpeedButton11, "Text Edit", []() -> TForm* { return Form8; });
    AddEditorEntry(PerkEditor1, "Perk Editor", SpeedButton12, "Perk editor", []() -> TForm* { return Form11; });
    AddEditorEntry(MonsterListEditor1, "Monster List Editor", SpeedButton18, "ML editor",
                   []() -> TForm* { return Form13; });
    AddEditorEntry(Freemesheditor1, "Freemesh editor", SpeedButton19, "FM Ed", []() -> TForm* { return Form16; });
    AddEditorEntry(LightSourceEditor1, "LightSource Editor", SpeedButton20, "LS Ed", []() -> TForm* { return Form17; });
    AddItem(this, EditorsMenu, Debugandgameplaymenu1, "Debug and gameplay menu")->OnClick = [](TObject*) {
        if (Form14) Form14->Show();
    };

    Timer1 = new TTimer(this);
    Timer1->SetInterval(200);
    Timer1->SetOnTimer([this](TObject* s) { Timer1Timer(s); });
    WireCommands();
    WirePanels();
}

TForm2::~TForm2()
{
    // The map drawing goes with the window that draws it, while the graphics layer still runs.
    edmapbmp.reset();
}

void TForm2::AddEditorEntry(TMenuItem*& item, const std::string& menuCaption, TSpeedButton*& button,
                            const std::string& buttonCaption, TForm* (*window)())
{
    const auto show = [window](TObject*) {
        if (TForm* form = window()) form->Show();
    };
    AddItem(this, EditorsMenu, item, menuCaption)->OnClick = show;
    const int32_t width = 10 + 7 * static_cast<int32_t>(buttonCaption.size());
    button = MakeControl<TSpeedButton>(this, Panel3, FEditorButtonsLeft, 4 + cRowPitch, width, cRowPitch);
    button->SetCaption(buttonCaption);
    button->OnClick = show;
    FEditorButtonsLeft += width + 2;
}

// ---- The view ----

void TForm2::RenderMap()
{
    const int32_t maxx = UsedMaxX(), maxy = UsedMaxY();
    if (!edmapbmp) edmapbmp = std::make_unique<TBitmap>();
    edmapbmp->SetSize((maxx + 1) * cCellPixels, (maxy + 1) * cCellPixels);
    TCanvas& c = *edmapbmp->Canvas();
    SetBrush(c, clWhite);
    c.FillRect(TRect{0, 0, edmapbmp->Width(), edmapbmp->Height()});

    const bool spread = edcurx != edselx || edcury != edsely;
    const int32_t selx1 = std::min(edcurx, edselx), selx2 = std::max(edcurx, edselx);
    const int32_t sely1 = std::min(edcury, edsely), sely2 = std::max(edcury, edsely);
    const bool marks = CheckBox10->Checked(), areas = CheckBox21->Checked();

    // Cells: outline and fill, start and exit, the cell sprite, the marks, the player's facing.
    for (int32_t x = 0; x <= maxx; ++x)
        for (int32_t y = 0; y <= maxy; ++y) {
            const lcell& cell = levelgrid[x][y];
            const int32_t l = cCellPixels * x, t = cCellPixels * y;
            const bool thick = (x == edcurx && y == edcury) ||
                               (spread && x >= selx1 && x <= selx2 && y >= sely1 && y <= sely2);
            const TColor outline = thick ? clBlue : clBlack;
            SetPen(c, outline, thick ? 5 : 1);
            TColor fill = cell.wall ? clBlack : clGray;
            if (cell.chest) fill = clYellow;
            if (cell.door) fill = clPurple;
            SetBrush(c, fill, cell.passable ? bsFDiagonal : bsSolid);
            c.Rectangle(l, t, l + cCellPixels, t + cCellPixels);
            SetPen(c, outline, 1);
            if (x == startx && y == starty) {
                SetBrush(c, clRed);
                c.Ellipse(l + 3, t + 3, l + 17, t + 17);
            }
            if (x == exitx && y == exity) {
                SetBrush(c, clLime);
                c.Ellipse(l + 3, t + 3, l + 17, t + 17);
            }
            if (cell.spritename != "0") {
                SetBrush(c, clTeal);
                c.Ellipse(l + 6, t + 6, l + 14, t + 14);
            }
            if (marks) {
                SetPen(c, clBlack, 1);
                const struct {
                    bool Shown;
                    TColor Color;
                    int32_t Left, Top;
                } dots[] = {{cell.floor, clRed, 3, 13},
                            {cell.trap, clYellow, 13, 13},
                            {cell.ceil, clLime, 3, 3},
                            {cell.outdoors, Rgb(166, 202, 240), 13, 3}};
                for (const auto& dot : dots)
                    if (dot.Shown) {
                        SetBrush(c, dot.Color);
                        c.Ellipse(l + dot.Left, t + dot.Top, l + dot.Left + 4, t + dot.Top + 4);
                    }
                SetBrush(c, cell.fwm ? clRed : clLime);
                if (!cell.wmo.empty() || cell.fwm) c.Rectangle(l + 2, t + 8, l + 6, t + 12);
                if (!cell.fmo.empty()) c.Rectangle(l + 14, t + 8, l + 18, t + 12);
            }
            if (x == playerx && y == playery) {
                SetPen(c, clRed, 4);
                Line(c, l + 10, t + 10, Px(l + 10 + 10.0 * lookdirx), Px(t + 10 + 10.0 * lookdiry));
            }
        }

    // Cells again: movement blocks, area borders, teleport targets.
    for (int32_t x = 0; x <= maxx; ++x)
        for (int32_t y = 0; y <= maxy; ++y) {
            const lcell& cell = levelgrid[x][y];
            const int32_t l = cCellPixels * x, t = cCellPixels * y;
            SetPen(c, clRed, 3);
            for (int32_t block : {cell.blockx1, cell.blockx2})
                if (block != 0) {
                    const int32_t edge = Px(l + 10 + 10.0 * block);
                    Line(c, edge, t, edge, t + 20);
                }
            for (int32_t block : {cell.blocky1, cell.blocky2})
                if (block != 0) {
                    const int32_t edge = Px(t + 10 + 10.0 * block);
                    Line(c, l, edge, l + 20, edge);
                }
            if (areas) {
                // A border toward each neighbour in the grid that has neither of the cell's area numbers.
                const struct {
                    int32_t Dx, Dy, X1, Y1, X2, Y2;
                } sides[] = {{1, 0, 19, 1, 19, 19}, {-1, 0, 1, 1, 1, 19}, {0, 1, 1, 19, 19, 19}, {0, -1, 1, 1, 19, 1}};
                const std::pair<int32_t, TPenStyle> passes[] = {{cell.visarea, psSolid}, {cell.visarea2, psDot}};
                for (const auto& [area, style] : passes) {
                    SetPen(c, visareacolor(area), style == psSolid ? 2 : 1, style);
                    for (const auto& side : sides) {
                        const int32_t nx = x + side.Dx, ny = y + side.Dy;
                        if (!InUsedGrid(nx, ny)) continue;
                        const lcell& other = levelgrid[nx][ny];
                        if (other.visarea != area && other.visarea2 != area)
                            Line(c, l + side.X1, t + side.Y1, l + side.X2, t + side.Y2);
                    }
                }
            }
            // A teleport whose target lies off the table has nowhere to point.
            if (cell.trap && cell.traptype == 8 && cell.doorno >= 0 && cell.doorno <= 100 && cell.chestno >= 0 &&
                cell.chestno <= 100) {
                const int32_t tx = cCellPixels * cell.doorno, ty = cCellPixels * cell.chestno;
                SetPen(c, clMaroon, 2, psDashDot);
                Line(c, l + 10, t + 10, tx + 10, ty + 10);
                SetPen(c, clMaroon, 1);
                SetBrush(c, clMaroon);
                c.Ellipse(tx + 8, ty + 8, tx + 12, ty + 12);
            }
        }

    // Free sprites, free meshes, wanderers, lights.
    for (int32_t i = 0; i <= 200; ++i) {
        const freesprite& s = freesprites[i];
        if (!s.enabled) continue;
        const TColor color = i == edfsprite ? clOlive : clLime;
        SetPen(c, color, 1);
        SetBrush(c, clFuchsia, bsFDiagonal);
        const double x = s.x, y = s.y, w = s.w / 2.0, h = s.h / 2.0;
        c.Ellipse(Px(x - w + 10), Px(y - h + 10), Px(x + w + 10), Px(y + h + 10));
        if (s.fixed) {
            SetPen(c, color, 4);
            Line(c, Px(x + 10), Px(y + 10), Px(x + 10 + 10.0 * Px(s.dirx)), Px(y + 10 + 10.0 * Px(s.diry)));
        }
    }
    const int32_t chosenMesh = SelectedFreeMesh();
    for (int32_t i = 0; i <= 200; ++i) {
        const freemesh& m = freemeshes[i];
        if (!m.enabled) continue;
        SetPen(c, i == chosenMesh ? clFuchsia : Rgb(139, 0, 139), 2);
        const double x = m.x, y = m.y;
        Line(c, Px(x + 5), Px(y + 10), Px(x + 15), Px(y + 10));
        Line(c, Px(x + 10), Px(y + 5), Px(x + 10), Px(y + 15));
    }
    for (int32_t i = 0; i <= 200; ++i) {
        const wanderer& w = wanderers[i];
        if (!w.enabled) continue;
        SetPen(c, clRed, 2, w.behav == 0 ? psSolid : psDot);
        SetBrush(c, clRed, bsDiagCross);
        const double l = 20.0 * w.x, t = 20.0 * w.y;
        c.Ellipse(Px(l + 5), Px(t + 5), Px(l + 15), Px(t + 15));
    }
    c.Font()->SetName("Arial Narrow");
    c.Font()->SetSize(6);
    c.Font()->SetColor(clRed);
    const int32_t chosenLight = SelectedLightSlot();
    for (int32_t i = 0; i <= 19; ++i) {
        const lightslot& light = levellights[i];
        if (!light.shining) continue;
        SetPen(c, i == chosenLight ? clRed : Rgb(245, 222, 179), 2);
        SetBrush(c, clYellow);
        const double x = light.x, y = light.y;
        c.Ellipse(Px(x + 7), Px(y + 7), Px(x + 13), Px(y + 13));
        if (light.lgroup != 0) {
            SetBrush(c, clWhite, bsClear);
            c.TextOut(Px(x + 14), Px(y + 10), IntToStr(light.lgroup));
        }
    }

    // The view: the drawing flipped top to bottom, magnified twice from the scroll offset.
    const int32_t width = edmapbmp->Width(), height = edmapbmp->Height();
    FFlipped->SetSize(width, height);
    const size_t rowBytes = static_cast<size_t>(width) * edmapbmp->BytesPerPixel();
    for (int32_t row = 0; row < height; ++row)
        std::memcpy(FFlipped->ScanLine(height - 1 - row), edmapbmp->ScanLine(row), rowBytes);
    const int32_t w = Image1->Width(), h = Image1->Height();
    TBitmap* view = Image1->Picture()->Bitmap();
    view->SetSize(w, h);
    TCanvas& v = *view->Canvas();
    SetPen(v, clBlack, 1);
    SetBrush(v, clSilver);
    v.Rectangle(0, 0, w, h);
    // Only the part of the source that lies on the drawing is copied: the silver stays where it has none.
    const int32_t sx = cCellPixels * edscrollx, sy = cCellPixels * edscrolly;
    const TRect source{std::max(sx, 0), std::max(sy, 0),
                       std::min(static_cast<int32_t>(Round(w / 2.0)) + sx, width),
                       std::min(static_cast<int32_t>(Round(h / 2.0)) + sy, height)};
    if (source.Right > source.Left && source.Bottom > source.Top)
        v.CopyRect(TRect{2 * (source.Left - sx), 2 * (source.Top - sy), 2 * (source.Right - sx),
                         2 * (source.Bottom - sy)},
                   FFlipped->Canvas(), source);
    Image1->Invalidate();
}

void TForm2::Timer1Timer(TObject*)
{
    if (!Visible()) return;
    RenderMap();
    if (CheckBox13->Checked() && GetAsyncKeyState(VK_LBUTTON) >= 0) SetActiveControl(nullptr);
    if (InUsedGrid(edcurx, edcury)) {
        const lcell& cell = levelgrid[edcurx][edcury];
        const std::pair<TCheckBox*, bool> boxes[] = {
            {CheckBox1, cell.wall},  {CheckBox2, cell.passable}, {CheckBox3, cell.door},
            {CheckBox4, cell.trap},  {CheckBox5, cell.chest},    {CheckBox6, cell.floor},
            {CheckBox7, cell.ceil},  {CheckBox12, cell.outdoors}};
        for (const auto& [box, value] : boxes) box->SetChecked(value);
    }
    ScrollBar1->SetMax(mapmaxx);
    ScrollBar2->SetMax(mapmaxy);
}

TPoint TForm2::CellAt(int32_t X, int32_t Y) const
{
    const int64_t x = Round((X + 40.0 * edscrollx) / 40 - 0.5);
    const int64_t y = mapmaxy - Round((Y + 40.0 * edscrolly) / 40 - 0.5);
    return TPoint{static_cast<int32_t>(std::clamp<int64_t>(x, 0, UsedMaxX())),
                  static_cast<int32_t>(std::clamp<int64_t>(y, 0, UsedMaxY()))};
}

void TForm2::Image1MouseDown(TObject*, TMouseButton Button, TShiftState, int32_t X, int32_t Y)
{
    edlastx = X;
    edlasty = Y;
    edldown = Button == mbLeft;
    edmdown = Button == mbMiddle;
}

void TForm2::Image1MouseMove(TObject*, TShiftState, int32_t X, int32_t Y)
{
    const TPoint cell = CellAt(X, Y);
    Label25->SetCaption(IntToStr(cell.X) + "," + IntToStr(cell.Y));
    if (edldown) {
        edcurx = edselx = cell.X;
        edcury = edsely = cell.Y;
        PlaceItemInCell(edcurx, edcury, edtool);
    }
    if (edmdown) {
        const int32_t dx = X - edlastx, dy = Y - edlasty;
        edlastx = X;
        edlasty = Y;
        edscrollx += static_cast<int32_t>(Round(dx / 20.0));
        edscrolly += static_cast<int32_t>(Round(dy / 20.0));
    }
}

void TForm2::Image1MouseUp(TObject*, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    edlastx = X;
    edlasty = Y;
    const TPoint cell = CellAt(X, Y);
    edselx = cell.X;
    edsely = cell.Y;
    if (!Shift.Contains(ssShift)) {
        edcurx = cell.X;
        edcury = cell.Y;
    }
    showcelldata();
    edldown = false;
    if (edmdown) {
        ScrollBar1->SetPosition(edscrollx);
        ScrollBar2->SetPosition(edscrolly);
    }
    edmdown = false;
    if (Button == mbLeft) PlaceItemInCell(edcurx, edcury, edtool);
}

void TForm2::Image1MouseLeave(TObject*)
{
    edldown = false;
    edmdown = false;
}

void TForm2::FormKeyUp(TObject*, uint16_t& Key, TShiftState)
{
    if (ActiveControl()) return;
    switch (Key) {
    case VK_LEFT: --edcurx; break;
    case VK_RIGHT: ++edcurx; break;
    case VK_UP: --edcury; break;
    case VK_DOWN: ++edcury; break;
    default: return;
    }
    edcurx = std::clamp(edcurx, 0, UsedMaxX());
    edcury = std::clamp(edcury, 0, UsedMaxY());
    Edit1->SetText(IntToStr(edcurx));
    Edit2->SetText(IntToStr(edcury));
}

// ---- Tools ----

void TForm2::PlaceItemInCell(int32_t ccx, int32_t ccy, int32_t em)
{
    if (!InUsedGrid(ccx, ccy)) return;
    lcell& cell = levelgrid[ccx][ccy];
    // door, wall, ceil, floor, passable, chest
    const auto set = [&cell](bool door, bool wall, bool ceil, bool floor, bool passable, bool chest) {
        cell.door = door;
        cell.wall = wall;
        cell.ceil = ceil;
        cell.floor = floor;
        cell.passable = passable;
        cell.chest = chest;
    };
    switch (em) {
    case 1:
        if (!cell.wall) set(false, true, false, false, false, false);
        break;
    case 2: set(true, false, true, true, false, false); break;
    case 3: set(false, false, true, true, false, true); break;
    case 4: set(false, false, true, true, true, false); break;
    case 5: cell.lgroup = edlgroup; break;
    case 6:
        cell.visarea = edvarea1;
        cell.visarea2 = edvarea2;
        break;
    default: break;
    }
}

void TForm2::ChooseTool(int32_t tool)
{
    static constexpr TSpeedButton* TForm2::*cButtons[] = {
        &TForm2::SpeedButton14, &TForm2::SpeedButton15, &TForm2::SpeedButton16, &TForm2::SpeedButton17,
        &TForm2::SpeedButton22, &TForm2::SpeedButton23, &TForm2::SpeedButton24};
    edtool = tool;
    if (tool >= 0 && tool < 7) (this->*cButtons[tool])->SetDown(true);
}

void TForm2::SpeedButton14Click(TObject*) { ChooseTool(0); }
void TForm2::SpeedButton15Click(TObject*) { ChooseTool(1); }
void TForm2::SpeedButton16Click(TObject*) { ChooseTool(2); }
void TForm2::SpeedButton17Click(TObject*) { ChooseTool(3); }
void TForm2::SpeedButton22Click(TObject*) { ChooseTool(4); }

// The tool changes first, then the painting numbers are read: a box without an integer is marked and named, and
// the numbers not yet read keep their values.
void TForm2::SpeedButton23Click(TObject*)
{
    ChooseTool(5);
    EditorCommand([this] {
        edlgroup = BoxNumber(*Edit46, "cell lght group");
        EditorMessage("lightgroup set: " + IntToStr(edlgroup));
    });
}

void TForm2::SpeedButton24Click(TObject*)
{
    ChooseTool(6);
    EditorCommand([this] {
        edvarea1 = BoxNumber(*Edit47, "cell visgroup");
        edvarea2 = BoxNumber(*Edit48, "and");
        EditorMessage("visgroup set 1: " + IntToStr(edvarea1) + "  2: " + IntToStr(edvarea2));
    });
}

void TForm2::ScrollBar1Change(TObject*) { edscrollx = ScrollBar1->Position(); }
void TForm2::ScrollBar2Change(TObject*) { edscrolly = ScrollBar2->Position(); }

// ---- Copy and paste ----

void TForm2::Copy1Click(TObject*)
{
    if (InUsedGrid(edcurx, edcury)) edcellbuf = levelgrid[edcurx][edcury];
}

void TForm2::Paste1Click(TObject*) { PasteToArea(); }

void TForm2::PasteToArea()
{
    edcurx = std::clamp(edcurx, 0, UsedMaxX());
    edcury = std::clamp(edcury, 0, UsedMaxY());
    edselx = std::clamp(edselx, 0, UsedMaxX());
    edsely = std::clamp(edsely, 0, UsedMaxY());
    const int32_t dx = edselx > edcurx ? 1 : edselx < edcurx ? -1 : 0;
    const int32_t dy = edsely > edcury ? 1 : edsely < edcury ? -1 : 0;
    int32_t x = edcurx, y = edcury;
    for (;;) {
        lcell& cell = levelgrid[x][y];
        cell = edcellbuf;
        // The record's own coordinates stay the cell's.
        cell.x = x;
        cell.y = y;
        WriteCellMeshData(x, y);
        WriteCellOverride(x, y, edcellbuf.wco, "w");
        WriteCellOverride(x, y, edcellbuf.fco, "f");
        WriteCellOverride(x, y, edcellbuf.cco, "c");
        if (x == edselx && y == edsely) break;
        const bool rowDone = x == edselx;
        x += dx;
        if (rowDone) {
            x = edcurx;
            y += dy;
        }
    }
    // A map without an id (a random one) has no folder for the side files: the cells alone are pasted.
    if (!IsPlainName(mapid))
        EditorMessage("Pasted without side files: the map id \"" + mapid +
                      "\" names no folder under levels. Set a map id and paste again.");
}
