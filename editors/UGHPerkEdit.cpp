#include "UGHPerkEdit.h"

#include "UGH_data.h"

#include "SysUtils.h"

#include <array>
#include <initializer_list>
#include <utility>

perk editperk;
int32_t perkeditmode = 1;
TForm11* Form11 = nullptr;

namespace {

TLabeledEdit* MakeLabeled(TForm11* form, const char* caption, int32_t x, int32_t y, int32_t w)
{
    auto* box = MakeControl<TLabeledEdit>(form, form, x, y, w, 23);
    box->EditLabel()->SetCaption(caption);
    return box;
}

TButton* MakeButton(TForm11* form, const char* caption, int32_t x, int32_t y, int32_t w)
{
    auto* button = MakeControl<TButton>(form, form, x, y, w, 25);
    button->SetCaption(caption);
    return button;
}

// The eight boxes' labels with the bonus and the requirement each shows.
struct TPerkPair {
    const char* Caption;
    int32_t perk::*Bonus;
    int32_t perk::*Requirement;
};
const std::array<TPerkPair, 8> cPairs{{{"str", &perk::addst, &perk::recst},
                                       {"agi", &perk::addagi, &perk::recagi},
                                       {"int", &perk::addin, &perk::recin},
                                       {"en", &perk::addend, &perk::recend},
                                       {"sw", &perk::addsw, &perk::recsw},
                                       {"bw", &perk::addbw, &perk::recbw},
                                       {"mag", &perk::addmg, &perk::recmg},
                                       {"arm", &perk::addar, &perk::recar}}};

std::string PerkFile(int32_t id) { return GamePath("\\perks\\p_" + IntToStr(id) + ".prk"); }

} // namespace

TForm11::TForm11(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("perk editor");
    SetClientWidth(520);
    SetClientHeight(400);

    ListBox1 = MakeControl<TListBox>(this, this, 8, 8, 160, 384);
    Edit1 = MakeLabeled(this, "id", 176, 24, 60);
    Edit1->SetText("0");
    Edit2 = MakeLabeled(this, "name", 244, 24, 160);
    Label1 = MakeControl<TLabel>(this, this, 176, 52, 228, 17);
    Label1->SetCaption("hardcoded effect");
    ComboBox1 = MakeControl<TComboBox>(this, this, 176, 68, 228, 23);
    ComboBox1->SetStyle(csDropDownList);
    Button2 = MakeButton(this, "load", 412, 22, 100);
    Button1 = MakeButton(this, "save", 412, 54, 100);
    Edit3 = MakeLabeled(this, "locale", 412, 104, 100);
    Edit3->SetText("en");
    Button5 = MakeButton(this, "add override", 412, 132, 100);
    Button3 = MakeButton(this, "SET BONUSES", 176, 100, 96);
    Button4 = MakeButton(this, "SET REQUIREMENTS", 276, 100, 128);

    std::array<TLabeledEdit**, 8> boxes{&Edit4, &Edit5, &Edit6, &Edit7, &Edit8, &Edit9, &Edit10, &Edit11};
    for (std::size_t i = 0; i < boxes.size(); ++i)
        *boxes[i] = MakeLabeled(this, cPairs[i].Caption, 176 + 58 * static_cast<int32_t>(i % 4),
                                152 + 44 * static_cast<int32_t>(i / 4), 50);
    Edit14 = MakeLabeled(this, "card", 176, 256, 60);
    Edit12 = MakeLabeled(this, "perk", 176, 256, 60);
    Edit13 = MakeLabeled(this, "species", 244, 256, 60);
    Label2 = MakeControl<TLabel>(this, this, 176, 284, 336, 17);
    Label2->SetCaption("0 - living; 1 - angel; 2 - demon; 3 - undead");

    // Both modes copy the name and the coded effect first, then their boxes in order.
    for (TFieldBindings<perk>* mode : {&FBonuses, &FRequirements})
        mode->Text(Edit2, &perk::name).Index(ComboBox1, &perk::addcoded);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        FBonuses.Number(*boxes[i], cPairs[i].Bonus);
        FRequirements.Number(*boxes[i], cPairs[i].Requirement);
    }
    FBonuses.Number(Edit14, &perk::addcard);
    FRequirements.Number(Edit12, &perk::recperk).Number(Edit13, &perk::recrace);


    ListBox1->OnClick = [this](TObject* Sender) { ListBox1Click(Sender); };
    Button1->OnClick = [this](TObject* Sender) { Button1Click(Sender); };
    Button2->OnClick = [this](TObject* Sender) { Button2Click(Sender); };
    Button3->OnClick = [this](TObject* Sender) { Button3Click(Sender); };
    Button4->OnClick = [this](TObject* Sender) { Button4Click(Sender); };
    Button5->OnClick = [this](TObject* Sender) { Button5Click(Sender); };
    Timer1 = MakeShownTimer(*this, 1000, [this](TObject* Sender) { Timer1Timer(Sender); },
                            [this](TObject* Sender) { FormShow(Sender); });
}

int32_t TForm11::PerkId() { return BoxNumber(*Edit1, "id", 0, 100); }

const TFieldBindings<perk>& TForm11::ModeBindings() const
{
    return perkeditmode == 2 ? FRequirements : FBonuses;
}

void TForm11::FormShow(TObject*)
{
    perkeditmode = 1;
    ShowMode();
    TStrings& effects = *ComboBox1->Items();
    effects.BeginUpdate();
    effects.Clear();
    for (int32_t i = 0; i <= 100; ++i) effects.Add(IntToStr(i) + ") " + cpenames[i]);
    effects.EndUpdate();
    ComboBox1->SetItemIndex(0);
    FillList();
}

void TForm11::FillList()
{
    TStrings& lines = *ListBox1->Items();
    lines.BeginUpdate();
    lines.Clear();
    for (int32_t i = 0; i <= 100; ++i) lines.Add(perks[i].enabled ? perks[i].name : "--none--");
    lines.EndUpdate();
}

void TForm11::ShowPerkData() { ModeBindings().Show(editperk); }

void TForm11::Button1Click(TObject*)
{
    EditorCommand([this] {
        const int32_t id = PerkId();
        perk saved = editperk;
        saved.enabled = true;
        saved.id = id;
        std::swap(perks[id], saved);
        try {
            SavePerk(id, PerkFile(id));
        } catch (...) {
            std::swap(perks[id], saved);
            throw;
        }
        ShowPerkData();
        FillList();
    });
}

void TForm11::Button2Click(TObject*)
{
    EditorCommand([this] {
        const int32_t id = PerkId();
        editperk = LoadPerk(id, PerkFile(id));
        ShowPerkData();
    });
}

void TForm11::Button3Click(TObject*)
{
    perkeditmode = 1;
    ShowMode();
    ShowPerkData();
}

void TForm11::Button4Click(TObject*)
{
    perkeditmode = 2;
    ShowMode();
    ShowPerkData();
}

void TForm11::Button5Click(TObject*)
{
    EditorCommand([this] {
        const int32_t id = PerkId();
        SaveDataLine(Edit2->Text(),
                     "\\text\\" + BoxPlainName(*Edit3, "locale") + "\\overrides\\perks\\" + IntToStr(id) + ".txt");
    });
}

void TForm11::ListBox1Click(TObject* Sender)
{
    const int line = ListBox1->ItemIndex();
    if (line < 0) return;
    Edit1->SetText(IntToStr(line));
    Button2Click(Sender);
}

void TForm11::ShowMode()
{
    const bool bonuses = perkeditmode != 2;
    Button3->Font()->SetStyle(bonuses ? fsBold : fsItalic);
    Button4->Font()->SetStyle(bonuses ? fsItalic : fsBold);
    Edit14->SetVisible(bonuses);
    for (TWinControl* requirement : std::initializer_list<TWinControl*>{Edit12, Edit13, Label2})
        requirement->SetVisible(!bonuses);
}

void TForm11::Timer1Timer(TObject*)
{
    ShowMode();
    ModeBindings().Copy(editperk);
}
