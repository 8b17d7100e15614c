#include "UGHLSourc.h"

#include "UFreeMeshEd.h"
#include "UGH_editfields.h"
#include "UGH_main.h"
#include "UGH_tables.h"

#include "SysUtils.h"

#include <array>
#include <string>
#include <variant>

TForm17* Form17 = nullptr;

namespace {

// A number box and its field. An integer field shows as it is; a real one with a Scale shows as the whole
// number field x Scale (and is read back as box / Scale), without one as the real itself.
struct TLightBox {
    TEdit* TForm17::*Box;
    const char* Name;
    std::variant<int32_t lightslot::*, double lightslot::*> Field;
    double Scale;
};

// In the order "wtite" writes them; the type, between position and spot direction, cannot be refused.
const std::array<TLightBox, 21> cLightBoxes{{
    {&TForm17::Edit1, "ambient r", &lightslot::ar, 255},
    {&TForm17::Edit2, "ambient g", &lightslot::ag, 255},
    {&TForm17::Edit3, "ambient b", &lightslot::ab, 255},
    {&TForm17::Edit4, "diffuse r", &lightslot::dr, 255},
    {&TForm17::Edit5, "diffuse g", &lightslot::dg, 255},
    {&TForm17::Edit6, "diffuse b", &lightslot::db, 255},
    {&TForm17::Edit7, "specular r", &lightslot::sr, 255},
    {&TForm17::Edit8, "specular g", &lightslot::sg, 255},
    {&TForm17::Edit9, "specular b", &lightslot::sb, 255},
    {&TForm17::Edit10, "con (x10000)", &lightslot::ca, 10000},
    {&TForm17::Edit11, "lin (x10000)", &lightslot::la, 10000},
    {&TForm17::Edit12, "quad (x10000)", &lightslot::qa, 10000},
    {&TForm17::Edit13, "position x", &lightslot::x, 1},
    {&TForm17::Edit14, "position y", &lightslot::y, 1},
    {&TForm17::Edit15, "position z", &lightslot::z, 1},
    {&TForm17::Edit16, "direct x", &lightslot::sdx, 1},
    {&TForm17::Edit17, "direct y", &lightslot::sdy, 1},
    {&TForm17::Edit18, "direct z", &lightslot::sdz, 1},
    {&TForm17::Edit19, "spot cutoff", &lightslot::cutoff, 1},
    {&TForm17::Edit20, "spot exponent", &lightslot::exponent, 0},
    {&TForm17::Edit21, "lightgroup", &lightslot::lgroup, 1},
}};

// The box after which "wtite" writes the type: position z.
constexpr std::size_t cTypeAfter = 14;

const std::array<bool lightslot::*, 3> cLightChecks{&lightslot::shining, &lightslot::persists, &lightslot::external};
const std::array<TCheckBox* TForm17::*, 3> cCheckBoxes{&TForm17::CheckBox1, &TForm17::CheckBox2,
                                                       &TForm17::CheckBox3};

std::string OneDecimal(double value)
{
    return FloatToStr(static_cast<double>(Round(value * 10)) / 10);
}

} // namespace

TForm17::TForm17(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("LightSource Editor");
    SetClientWidth(620);
    SetClientHeight(400);

    ListBox1 = MakeControl<TListBox>(this, this, 8, 8, 300, 384);
    ListBox1->OnClick = [this](TObject* Sender) { ListBox1Click(Sender); };

    const auto label = [this](int32_t x, int32_t y, const char* caption) {
        MakeControl<TLabel>(this, this, x, y, 150, 17)->SetCaption(caption);
    };
    const auto row = [this](int32_t y, TEdit* TForm17::*a, TEdit* TForm17::*b, TEdit* TForm17::*c) {
        int32_t x = 430;
        for (TEdit* TForm17::*box : {a, b, c}) {
            this->*box = MakeControl<TEdit>(this, this, x, y, 56, 23);
            x += 60;
        }
    };
    label(316, 12, "id");
    Edit0 = MakeControl<TEdit>(this, this, 430, 8, 56, 23);
    Edit0->SetText("0");
    label(316, 40, "rgb ambient");
    row(36, &TForm17::Edit1, &TForm17::Edit2, &TForm17::Edit3);
    label(316, 68, "rgb diffuse");
    row(64, &TForm17::Edit4, &TForm17::Edit5, &TForm17::Edit6);
    label(316, 96, "rgb specular");
    row(92, &TForm17::Edit7, &TForm17::Edit8, &TForm17::Edit9);
    label(316, 124, "con, lin, quad (x10000)");
    row(120, &TForm17::Edit10, &TForm17::Edit11, &TForm17::Edit12);

    GroupBox1 = MakeControl<TGroupBox>(this, this, 316, 148, 296, 84);
    GroupBox1->SetCaption("position");
    MakeControl<TLabel>(this, GroupBox1, 8, 24, 100, 17)->SetCaption("x,y,z");
    MakeControl<TLabel>(this, GroupBox1, 8, 52, 100, 17)->SetCaption("direct x,y,z");
    for (int i = 0; i < 3; ++i) {
        this->*cLightBoxes[12 + i].Box = MakeControl<TEdit>(this, GroupBox1, 114 + 60 * i, 20, 56, 23);
        this->*cLightBoxes[15 + i].Box = MakeControl<TEdit>(this, GroupBox1, 114 + 60 * i, 48, 56, 23);
    }

    label(316, 244, "type");
    ComboBox1 = MakeControl<TComboBox>(this, this, 430, 240, 116, 23);
    ComboBox1->SetStyle(csDropDownList);
    ComboBox1->Items()->SetText("Omni\nSpot");
    label(316, 272, "spot cutoff");
    Edit19 = MakeControl<TEdit>(this, this, 430, 268, 56, 23);
    label(316, 300, "spot exponent");
    Edit20 = MakeControl<TEdit>(this, this, 430, 296, 56, 23);
    label(316, 328, "lightgroup");
    Edit21 = MakeControl<TEdit>(this, this, 430, 324, 56, 23);

    CheckBox1 = MakeControl<TCheckBox>(this, this, 316, 352, 90, 19);
    CheckBox1->SetCaption("visible");
    CheckBox2 = MakeControl<TCheckBox>(this, this, 410, 352, 90, 19);
    CheckBox2->SetCaption("persists");
    CheckBox3 = MakeControl<TCheckBox>(this, this, 504, 352, 90, 19);
    CheckBox3->SetCaption("external");

    const auto button = [this](int32_t x, int32_t y, const char* caption, void (TForm17::*handler)(TObject*)) {
        auto* b = MakeControl<TButton>(this, this, x, y, 66, 25);
        b->SetCaption(caption);
        b->OnClick = [this, handler](TObject* Sender) { (this->*handler)(Sender); };
        return b;
    };
    Button1 = button(496, 6, "read", &TForm17::Button1Click);
    Button2 = button(316, 374, "wtite", &TForm17::Button2Click);
    Button3 = button(386, 374, "process", &TForm17::Button3Click);
    Button4 = button(456, 374, "act cell", &TForm17::Button4Click);
    Button5 = button(530, 374, "drop to fme", &TForm17::Button5Click);
    Button5->SetWidth(82);

    OnShow = [this](TObject* Sender) { FormShow(Sender); };
}

void TForm17::FormShow(TObject* /*Sender*/) { AnalyzeLights(); }

void TForm17::AnalyzeLights()
{
    ListBox1->Clear();
    for (int32_t i = levellights.Low(); i <= levellights.High(); ++i) {
        const lightslot& l = levellights[i];
        ListBox1->Items()->Add(IntToStr(i) + ") r" + OneDecimal(l.dr) + " g" + OneDecimal(l.dg) + " b" +
                               OneDecimal(l.db) + " / x=" + IntToStr(l.x) + " y=" + IntToStr(l.y) +
                               " z=" + IntToStr(l.z) + " lg=" + IntToStr(l.lgroup) + " " + (l.shining ? "*" : ""));
    }
}

void TForm17::ListBox1Click(TObject* Sender)
{
    if (ListBox1->ItemIndex() < 0) return;
    Edit0->SetText(IntToStr(ListBox1->ItemIndex()));
    Button1Click(Sender);
}

int32_t TForm17::SlotOfId() { return BoxNumber(*Edit0, "id", levellights.Low(), levellights.High()); }

void TForm17::Button1Click(TObject* /*Sender*/)
{
    EditorCommand([this] {
        const lightslot& l = levellights[SlotOfId()];
        for (const TLightBox& b : cLightBoxes) {
            TEdit& box = *(this->*b.Box);
            if (const auto* whole = std::get_if<int32_t lightslot::*>(&b.Field))
                box.SetText(IntToStr(l.**whole));
            else if (const double real = l.*std::get<double lightslot::*>(b.Field); b.Scale != 0)
                box.SetText(IntToStr(Round(real * b.Scale)));
            else
                box.SetText(FloatToStr(real));
        }
        ShowItemIndex(*ComboBox1, l.style != 0 ? 1 : 0);
        for (std::size_t i = 0; i < cLightChecks.size(); ++i) (this->*cCheckBoxes[i])->SetChecked(l.*cLightChecks[i]);
    });
}

void TForm17::Button2Click(TObject* /*Sender*/)
{
    EditorCommand([this] {
        // Written box by box: a box that does not convert ends the command, the fields before it stay written.
        lightslot& l = levellights[SlotOfId()];
        for (std::size_t i = 0; i < cLightBoxes.size(); ++i) {
            const TLightBox& b = cLightBoxes[i];
            TEdit& box = *(this->*b.Box);
            if (const auto* whole = std::get_if<int32_t lightslot::*>(&b.Field))
                l.**whole = BoxNumber(box, b.Name);
            else if (double lightslot::*real = std::get<double lightslot::*>(b.Field); b.Scale != 0)
                l.*real = BoxNumber(box, b.Name) / b.Scale;
            else
                l.*real = BoxReal(box, b.Name);
            // The type follows the position; no item chosen keeps the slot's own (a spot light stored with
            // another number than 1).
            if (i == cTypeAfter && ComboBox1->ItemIndex() >= 0) l.style = ComboBox1->ItemIndex();
        }
        for (std::size_t i = 0; i < cLightChecks.size(); ++i) l.*cLightChecks[i] = (this->*cCheckBoxes[i])->Checked();
        AnalyzeLights();
    });
}

void TForm17::Button3Click(TObject* /*Sender*/)
{
    if (Form1) EditorCommand([] { Form1->ProcessLights(); });
}

void TForm17::Button4Click(TObject* /*Sender*/)
{
    Edit13->SetText(IntToStr(20 * edcurx));
    Edit14->SetText(IntToStr(20 * edcury));
    Edit15->SetText("10");
}

int32_t SelectedLightSlot()
{
    int32_t slot = 0;
    if (!Form17 || !Form17->Visible() || !TryStrToInt(Form17->Edit0->Text(), slot)) return -1;
    return slot;
}

void TForm17::Button5Click(TObject* /*Sender*/)
{
    if (Form16) Form16->Edit14->SetText(Edit0->Text());
}
