#include "UFreeMeshEd.h"

#include "UGHLSourc.h"
#include "UGH_data.h"
#include "UGH_editfields.h"
#include "UGH_editlists.h"
#include "UGH_main.h"
#include "UGH_tables.h"

#include "GLMaterial.h"
#include "GLObjects.h"
#include "GLVectorFileObjects.h"
#include "GLWin32Viewer.h"
#include "SysUtils.h"
#include "VAVodad.h"

#include <array>
#include <exception>
#include <string>
#include <tuple>
#include <utility>

TForm16* Form16 = nullptr;

namespace {

struct TMeshBox {
    TEdit* TForm16::*Box;
    const char* Name;
    int32_t freemesh::*Field;
};

// The whole-number boxes in the order "set" writes them.
const std::array<TMeshBox, 18> cMeshBoxes{{
    {&TForm16::Edit1, "position x", &freemesh::x},    {&TForm16::Edit2, "position y", &freemesh::y},
    {&TForm16::Edit3, "position z", &freemesh::z},    {&TForm16::Edit4, "rotation ta", &freemesh::ta},
    {&TForm16::Edit5, "rotation ra", &freemesh::ra},  {&TForm16::Edit6, "rotation pa", &freemesh::pa},
    {&TForm16::Edit9, "scale sx", &freemesh::sx},     {&TForm16::Edit10, "scale sy", &freemesh::sy},
    {&TForm16::Edit11, "scale sz", &freemesh::sz},    {&TForm16::Edit15, "fire x", &freemesh::fdx},
    {&TForm16::Edit16, "fire y", &freemesh::fdy},     {&TForm16::Edit17, "fire z", &freemesh::fdz},
    {&TForm16::Edit18, "minmax x1", &freemesh::x1},   {&TForm16::Edit19, "minmax x2", &freemesh::x2},
    {&TForm16::Edit20, "minmax y1", &freemesh::y1},   {&TForm16::Edit21, "minmax y2", &freemesh::y2},
    {&TForm16::Edit22, "minmax z1", &freemesh::z1},   {&TForm16::Edit23, "minmax z2", &freemesh::z2},
}};
// Position, rotation and scale: the boxes "attach to prev" fills.
constexpr std::size_t cPlacementBoxes = 9;

struct TMeshCheck {
    TCheckBox* TForm16::*Box;
    bool freemesh::*Field;
};
// In the order "set" writes them; "enabled" is written last of all.
const std::array<TMeshCheck, 3> cMeshChecks{{{&TForm16::CheckBox3, &freemesh::loop},
                                             {&TForm16::CheckBox5, &freemesh::shcast},
                                             {&TForm16::CheckBox2, &freemesh::fire}}};

// Each rotation box with its track bar, and the preview's angle that the preview track bar adds to the box.
struct TRotation {
    TEdit* TForm16::*Box;
    TTrackBar* TForm16::*Synced;
    TTrackBar* TForm16::*Preview;
    void (*SetAngle)(TGLBaseSceneObject& object, float angle);
};
const std::array<TRotation, 3> cRotations{{
    {&TForm16::Edit4, &TForm16::TrackBar4, &TForm16::TrackBar1,
     [](TGLBaseSceneObject& object, float angle) { object.SetTurnAngle(angle); }},
    {&TForm16::Edit5, &TForm16::TrackBar5, &TForm16::TrackBar2,
     [](TGLBaseSceneObject& object, float angle) { object.SetRollAngle(angle); }},
    {&TForm16::Edit6, &TForm16::TrackBar6, &TForm16::TrackBar3,
     [](TGLBaseSceneObject& object, float angle) { object.SetPitchAngle(angle); }},
}};

// A position box and its nudge buttons.
struct TNudge {
    TButton* TForm16::*Button;
    TEdit* TForm16::*Box;
    int32_t Step;
};
const std::array<TNudge, 6> cNudges{{{&TForm16::MinusX, &TForm16::Edit1, -10},
                                     {&TForm16::PlusX, &TForm16::Edit1, 10},
                                     {&TForm16::MinusY, &TForm16::Edit2, -10},
                                     {&TForm16::PlusY, &TForm16::Edit2, 10},
                                     {&TForm16::MinusZ, &TForm16::Edit3, -10},
                                     {&TForm16::PlusZ, &TForm16::Edit3, 10}}};

const int32_t cLastSlot = 200;

std::string MeshFile(const std::string& mesh, const char* extension)
{
    return GamePath("\\meshes\\" + mesh + extension);
}

// An angle as a track bar over 0..359 shows it.
int32_t TrackPosition(int32_t angle)
{
    return (angle % 360 + 360) % 360;
}

} // namespace

TForm16::TForm16(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Freemesh Editor");
    SetClientWidth(900);
    SetClientHeight(560);

    const auto label = [this](TWinControl* parent, int32_t x, int32_t y, const char* caption) {
        MakeControl<TLabel>(this, parent, x, y, 110, 17)->SetCaption(caption);
    };
    const auto edit = [this](TWinControl* parent, int32_t x, int32_t y, int32_t w = 50) {
        return MakeControl<TEdit>(this, parent, x, y, w, 23);
    };
    const auto button = [this](TWinControl* parent, int32_t x, int32_t y, int32_t w, const char* caption,
                               std::function<void(TObject*)> handler) {
        auto* b = MakeControl<TButton>(this, parent, x, y, w, 25);
        b->SetCaption(caption);
        b->OnClick = std::move(handler);
        return b;
    };
    const auto handler = [this](void (TForm16::*method)(TObject*)) {
        return [this, method](TObject* Sender) { (this->*method)(Sender); };
    };

    ComboBox1 = MakeControl<TComboBox>(this, this, 8, 8, 80, 23);
    ComboBox1->SetStyle(csDropDownList);
    ComboBox1->OnChange = handler(&TForm16::ComboBox1Change);
    CheckBox1 = MakeControl<TCheckBox>(this, this, 96, 10, 80, 19);
    CheckBox1->SetCaption("enabled");
    Button1 = button(this, 180, 6, 60, "set", handler(&TForm16::Button1Click));

    auto* position = MakeControl<TGroupBox>(this, this, 8, 38, 250, 120);
    position->SetCaption("position x,y,z");
    for (int i = 0; i < 3; ++i) this->*cMeshBoxes[i].Box = edit(position, 8, 20 + 30 * i, 60);
    for (std::size_t i = 0; i < cNudges.size(); ++i) {
        const TNudge& n = cNudges[i];
        this->*n.Button = button(position, 74 + 42 * static_cast<int32_t>(i % 2), 20 + 30 * static_cast<int32_t>(i / 2),
                                 40, n.Step < 0 ? "-10" : "+10", [this, n](TObject*) {
                                     int32_t value = 0;
                                     TEdit* box = this->*n.Box;
                                     if (TryStrToInt(box->Text(), value)) box->SetText(IntToStr(value + n.Step));
                                 });
    }
    ZeroZ = button(position, 160, 80, 30, "0", [this](TObject*) { Edit3->SetText("0"); });
    Button2 = button(position, 194, 20, 48, "acc", handler(&TForm16::Button2Click));

    auto* rotation = MakeControl<TGroupBox>(this, this, 8, 164, 250, 130);
    rotation->SetCaption("rotation ta,ra,pa");
    for (int i = 0; i < 3; ++i) {
        const TRotation& r = cRotations[static_cast<std::size_t>(i)];
        this->*r.Box = edit(rotation, 8, 20 + 34 * i);
        (this->*r.Box)->OnChange = handler(&TForm16::SynchTBED);
        TTrackBar* track = MakeControl<TTrackBar>(this, rotation, 62, 18 + 34 * i, 140, 28);
        track->SetMax(359);
        track->OnChange = handler(&TForm16::SynchTBED);
        this->*r.Synced = track;
    }
    CheckBox4 = MakeControl<TCheckBox>(this, rotation, 206, 20, 40, 19);
    CheckBox4->SetCaption("aa");

    auto* scale = MakeControl<TGroupBox>(this, this, 8, 300, 250, 54);
    scale->SetCaption("scale sx,sy,sz");
    for (int i = 0; i < 3; ++i) this->*cMeshBoxes[6 + i].Box = edit(scale, 8 + 54 * i, 22);
    Button11 = button(scale, 172, 20, 60, "100", handler(&TForm16::Button11Click));

    label(this, 8, 364, "mesh");
    Edit7 = MakeControl<TComboBox>(this, this, 70, 360, 188, 23);
    label(this, 8, 392, "texture");
    edit12 = MakeControl<TComboBox>(this, this, 70, 388, 120, 23);
    Button8 = button(this, 194, 388, 30, "ui", handler(&TForm16::Button8Click));
    Button9 = button(this, 228, 388, 30, "sl", handler(&TForm16::Button9Click));
    Edit13 = edit(this, 0, 0);
    Edit13->SetText("0");
    Edit13->SetVisible(false);
    label(this, 8, 420, "redirect");
    Edit8 = edit(this, 70, 416, 120);
    Button3 = button(this, 194, 416, 64, "create", handler(&TForm16::Button3Click));

    CheckBox2 = MakeControl<TCheckBox>(this, this, 8, 448, 70, 19);
    CheckBox2->SetCaption("on fire");
    for (int i = 0; i < 3; ++i) this->*cMeshBoxes[9 + i].Box = edit(this, 80 + 54 * i, 446);

    auto* behaviour = MakeControl<TGroupBox>(this, this, 266, 38, 250, 200);
    behaviour->SetCaption("Behaviour");
    ComboBox2 = MakeControl<TComboBox>(behaviour, behaviour, 8, 20, 120, 23);
    ComboBox2->SetStyle(csDropDownList);
    ComboBox2->Items()->SetText("0 - none\n1 - move\n2 - rotate");
    label(behaviour, 136, 18, "for rotate minmax");
    label(behaviour, 136, 35, "replaced w ta, ra, pa");
    const char* const minmax[] = {"minmax x", "minmax y", "minmax z"};
    for (int i = 0; i < 3; ++i) {
        label(behaviour, 8, 58 + 28 * i, minmax[i]);
        this->*cMeshBoxes[12 + 2 * i].Box = edit(behaviour, 80, 54 + 28 * i);
        this->*cMeshBoxes[13 + 2 * i].Box = edit(behaviour, 134, 54 + 28 * i);
    }
    Button12 = button(behaviour, 190, 82, 50, "afmc", handler(&TForm16::Button12Click));
    label(behaviour, 8, 142, "speed");
    Edit24 = edit(behaviour, 80, 138);
    CheckBox3 = MakeControl<TCheckBox>(this, behaviour, 136, 140, 50, 19);
    CheckBox3->SetCaption("loop");
    CheckBox5 = MakeControl<TCheckBox>(this, behaviour, 8, 170, 100, 19);
    CheckBox5->SetCaption("sh caster");

    label(this, 266, 248, "trajectory end script");
    Edit26 = edit(this, 266, 266, 250);
    Button7 = button(this, 266, 298, 110, "attach to prev", handler(&TForm16::Button7Click));
    Button13 = button(this, 384, 298, 60, "clone", handler(&TForm16::Button13Click));
    Edit25 = edit(this, 450, 299);
    label(this, 266, 334, "attach light");
    Edit14 = edit(this, 370, 330);
    Button10 = button(this, 426, 330, 40, "do", handler(&TForm16::Button10Click));

    // The preview: its own scene, shown in a viewer 363 pixels high, where a focal length of 50 is a field of view
    // of 149.2 degrees.
    VAVodad1 = new TVAVodad(this);
    GLCamera1 = TGLBaseSceneObject::CreateAsChild<TGLCamera>(VAVodad1->Objects());
    GLCamera1->Position()->SetPoint(-30, 0, 0);
    GLCamera1->Direction()->SetVector(1, 0, 0);
    GLCamera1->Up()->SetVector(0, 0, 1);
    GLCamera1->SetDepthOfView(100);
    GLCamera1->SetFocalLength(50);
    preview = TGLBaseSceneObject::CreateAsChild<TGLFreeForm>(VAVodad1->Objects());
    GLLightSource1 = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(VAVodad1->Objects());
    GLLightSource1->SetLightStyle(lsOmni);
    GLLightSource1->Position()->SetPoint(0, 0, 25);
    GLLightSource1->SetConstAttenuation(1);
    GLPlane1 = TGLBaseSceneObject::CreateAsChild<TGLPlane>(VAVodad1->Objects());
    GLPlane1->SetWidth(1);
    GLPlane1->SetHeight(1);
    GLPlane1->Position()->SetPoint(0, 0, -10);
    GLPlane1->Direction()->SetVector(1, 0, 0);
    GLPlane1->Up()->SetVector(0, 0, 1);

    VAVodadViewer1 = new TVAVodadViewer(this);
    VAVodadViewer1->SetParent(this);
    VAVodadViewer1->SetBounds(526, 8, 363, 363);
    VAVodadViewer1->SetCamera(GLCamera1);
    VAVodadViewer1->Buffer()->SetBackgroundColor(clGray);
    VAVodadViewer1->SetEnabled(false); // no mouse input
    VAVodadViewer1->SetVisible(false); // until the window shows

    Button4 = button(this, 526, 378, 70, "preview", handler(&TForm16::Button4Click));
    Button5 = button(this, 600, 378, 30, "-", handler(&TForm16::Button5Click));
    Button6 = button(this, 634, 378, 30, "+", handler(&TForm16::Button6Click));
    for (int i = 0; i < 3; ++i) {
        TTrackBar* track = MakeControl<TTrackBar>(this, this, 526, 408 + 30 * i, 363, 28);
        track->SetMax(359);
        track->OnChange = handler(&TForm16::TrackBar1Change);
        this->*cRotations[static_cast<std::size_t>(i)].Preview = track;
    }
    Label1 = MakeControl<TLabel>(this, this, 526, 500, 363, 40);

    Timer1 = new TTimer(this);
    Timer1->SetEnabled(false);
    Timer1->SetInterval(1000);
    Timer1->SetOnTimer(handler(&TForm16::Timer1Timer));

    OnShow = handler(&TForm16::FormShow);
    OnHide = handler(&TForm16::FormHide);
}

void TForm16::FormShow(TObject* /*Sender*/)
{
    VAVodadViewer1->SetVisible(true);
    VAVodadViewer1->Invalidate(); // the preview draws itself now, not only after "preview"
    Timer1->SetEnabled(true);
    TStrings* slots = ComboBox1->Items();
    slots->BeginUpdate();
    slots->Clear();
    for (int32_t i = 0; i <= cLastSlot; ++i) slots->Add(IntToStr(i));
    slots->EndUpdate();
    formspritelist(*edit12);
    readmeshes(*Edit7->Items());
    ShowFM(0);
}

void TForm16::FormHide(TObject* /*Sender*/)
{
    Timer1->SetEnabled(false);
    VAVodadViewer1->SetVisible(false);
}

void TForm16::ShowFM(int32_t i)
{
    if (i < mapfreemeshes.Low() || i > mapfreemeshes.High()) return;
    const freemesh& m = mapfreemeshes[i];
    // Filling the rotation boxes moves their track bars but is no change of the user's for "aa".
    const bool wasShowing = std::exchange(FShowingSlot, true);
    ComboBox1->SetItemIndex(i);
    for (const TMeshBox& b : cMeshBoxes) (this->*b.Box)->SetText(IntToStr(m.*b.Field));
    for (const TMeshCheck& c : cMeshChecks) (this->*c.Box)->SetChecked(m.*c.Field);
    CheckBox1->SetChecked(m.enabled);
    Edit24->SetText(FloatToStr(m.spd));
    ShowItemIndex(*ComboBox2, m.bhv);
    Edit7->SetText(m.name);
    edit12->SetText(m.texture);
    Edit26->SetText(m.trscript);
    Button7->SetEnabled(i > mapfreemeshes.Low());
    FShowingSlot = wasShowing;
}

void TForm16::ComboBox1Change(TObject* /*Sender*/)
{
    CheckBox4->SetChecked(false);
    ShowFM(ComboBox1->ItemIndex());
}

int32_t TForm16::Slot() const
{
    const int32_t slot = ComboBox1->ItemIndex();
    if (slot < mapfreemeshes.Low() || slot > mapfreemeshes.High())
        throw EEditorInput("slot: choose a slot from 0 to " + IntToStr(cLastSlot));
    return slot;
}

int32_t SelectedFreeMesh() { return Form16 ? Form16->ComboBox1->ItemIndex() : -1; }

void TForm16::Button1Click(TObject* /*Sender*/)
{
    EditorCommand([this] {
        // Written box by box: a box that does not convert ends the command, the fields before it stay written
        // and the running level keeps its copy.
        const int32_t slot = Slot();
        freemesh& m = mapfreemeshes[slot];
        for (std::size_t i = 0; i < cMeshBoxes.size(); ++i) {
            m.*cMeshBoxes[i].Field = BoxNumber(*(this->*cMeshBoxes[i].Box), cMeshBoxes[i].Name);
            if (i == 2) std::tie(m.rx, m.ry, m.rz) = std::tie(m.x, m.y, m.z);
            if (i == 5) std::tie(m.rta, m.rra, m.rpa) = std::tie(m.ta, m.ra, m.pa);
        }
        m.spd = BoxReal(*Edit24, "speed");
        // No item chosen keeps the slot's own behaviour number.
        if (ComboBox2->ItemIndex() >= 0) m.bhv = ComboBox2->ItemIndex();
        for (const TMeshCheck& c : cMeshChecks) m.*c.Field = (this->*c.Box)->Checked();
        m.texture = edit12->Text();
        m.texture2 = Edit13->Text();
        m.name = PlainNameOf(Edit7->Text(), "mesh");
        m.trscript = Edit26->Text();
        m.enabled = CheckBox1->Checked();
        freemeshes[slot] = m;
        if (Form1) Form1->ModFreeMesh(slot, true);
    });
}

void TForm16::Button2Click(TObject* /*Sender*/)
{
    Edit1->SetText(IntToStr(20 * edcurx));
    Edit2->SetText(IntToStr(20 * edcury));
    Edit3->SetText("10");
}

void TForm16::Button3Click(TObject* /*Sender*/)
{
    EditorCommand([this] {
        const std::string mesh = PlainNameOf(Edit7->Text(), "mesh");
        TLineBuffer buffer;
        buffer.WriteTextLine(Edit8->Text());
        buffer.SaveToFile(MeshFile(mesh, ".red"));
    });
}

void TForm16::Button4Click(TObject* /*Sender*/)
{
    EditorCommand([this] {
        const std::string mesh = PlainNameOf(Edit7->Text(), "mesh");
        std::array<int32_t, 3> angles{};
        for (std::size_t i = 0; i < angles.size(); ++i)
            angles[i] = BoxNumber(*(this->*cRotations[i].Box), cMeshBoxes[3 + i].Name);
        TGLMaterialLibrary* library = Form1 ? Form1->matlib : nullptr;
        preview->SetMaterialLibrary(library);
        try {
            preview->LoadFromFile(MeshFile(mesh, ".obj"));
        } catch (const std::exception&) {
            // The second file's failure is the one reported; the material and angles then stay as they were.
            preview->LoadFromFile(MeshFile(mesh, ".3ds"));
        }
        const std::string material = edit12->Text() != "0" ? edit12->Text() : "tex_fs_" + mesh;
        if (Form1) Form1->preparemat(material);
        preview->Material()->SetMaterialLibrary(library);
        preview->Material()->SetLibMaterialName(material);
        for (std::size_t i = 0; i < angles.size(); ++i)
            cRotations[i].SetAngle(*preview, static_cast<float>(angles[i]));
    });
}

void TForm16::Button5Click(TObject* /*Sender*/)
{
    GLCamera1->Position()->SetX(GLCamera1->Position()->X() - 5);
}

void TForm16::Button6Click(TObject* /*Sender*/)
{
    GLCamera1->Position()->SetX(GLCamera1->Position()->X() + 5);
}

void TForm16::Button7Click(TObject* /*Sender*/)
{
    EditorCommand([this] {
        const int32_t slot = Slot();
        if (slot == mapfreemeshes.Low()) throw EEditorInput("attach to prev: slot 0 has no previous slot");
        const freemesh& previous = freemeshes[slot - 1];
        for (std::size_t i = 0; i < cPlacementBoxes; ++i)
            (this->*cMeshBoxes[i].Box)->SetText(IntToStr(previous.*cMeshBoxes[i].Field));
    });
}

void TForm16::Button8Click(TObject* /*Sender*/)
{
    EditorCommand([this] { LoadDataLines(*edit12->Items(), "\\textures\\uilist.txt", std::string()); });
}

void TForm16::Button9Click(TObject* /*Sender*/)
{
    EditorCommand([this] { LoadDataLines(*edit12->Items(), "\\textures\\spritelist.txt", std::string()); });
}

void TForm16::Button10Click(TObject* /*Sender*/)
{
    EditorCommand([this] {
        const int32_t light = BoxNumber(*Edit14, "attach light", levellights.Low(), levellights.High());
        for (std::size_t i = 0; i < 3; ++i) BoxNumber(*(this->*cMeshBoxes[i].Box), cMeshBoxes[i].Name);
        if (!Form17) return;
        Form17->Show();
        Form17->Edit0->SetText(IntToStr(light));
        Form17->Button1Click(this);
        Form17->Edit13->SetText(Edit1->Text());
        Form17->Edit14->SetText(Edit2->Text());
        Form17->Edit15->SetText(Edit3->Text());
        Form17->Button2Click(this);
        Form17->Button3Click(this);
    });
}

void TForm16::Button11Click(TObject* /*Sender*/)
{
    for (TEdit* box : {Edit9, Edit10, Edit11}) box->SetText("100");
}

void TForm16::Button12Click(TObject* /*Sender*/)
{
    Edit18->SetText(Edit1->Text());
    Edit19->SetText(Edit1->Text());
    Edit20->SetText(Edit2->Text());
    Edit21->SetText(Edit2->Text());
    Edit22->SetText(Edit3->Text());
    Edit23->SetText(Edit3->Text());
}

void TForm16::Button13Click(TObject* /*Sender*/)
{
    EditorCommand([this] {
        const int32_t source = BoxNumber(*Edit25, "clone", mapfreemeshes.Low(), mapfreemeshes.High());
        const int32_t slot = Slot();
        mapfreemeshes[slot] = mapfreemeshes[source];
        ShowFM(slot);
    });
}

void TForm16::SynchTBED(TObject* Sender)
{
    if (FSyncing) return;
    for (const TRotation& r : cRotations) {
        TEdit* box = this->*r.Box;
        TTrackBar* track = this->*r.Synced;
        if (Sender != box && Sender != track) continue;
        int32_t angle = 0;
        if (Sender == box && !TryStrToInt(box->Text(), angle)) return;
        FSyncing = true;
        if (Sender == track)
            box->SetText(IntToStr(track->Position()));
        else
            track->SetPosition(TrackPosition(angle));
        FSyncing = false;
        if (CheckBox4->Checked() && !FShowingSlot) Button1Click(Sender);
        return;
    }
}

void TForm16::TrackBar1Change(TObject* /*Sender*/)
{
    for (const TRotation& r : cRotations) {
        int32_t angle = 0;
        if (TryStrToInt((this->*r.Box)->Text(), angle))
            r.SetAngle(*preview, static_cast<float>(angle + (this->*r.Preview)->Position()));
    }
}

void TForm16::Timer1Timer(TObject* /*Sender*/)
{
    const TGLCoordinates* direction = preview->Direction();
    const TGLCoordinates* up = preview->Up();
    Label1->SetCaption("dir x=" + FloatToStr(direction->X()) + "; y=" + FloatToStr(direction->Y()) +
                       "; z=" + FloatToStr(direction->Z()) + "; up x=" + FloatToStr(up->X()) +
                       "; y=" + FloatToStr(up->Y()) + "; z=" + FloatToStr(up->Z()));
}
