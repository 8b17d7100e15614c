#include "UGHcharedit.h"

#include "UGHtextedit.h"
#include "UGH_data.h"
#include "UGH_main.h"

#include "GLMaterial.h"
#include "GLObjects.h"
#include "GLWin32Viewer.h"
#include "SysUtils.h"
#include "VAVodad.h"

#include <algorithm>
#include <array>
#include <climits>
#include <functional>
#include <optional>
#include <utility>

character tempchar;
wanderer tempwanderer;
TForm4* Form4 = nullptr;

namespace {

// The attribute and skill boxes with the effective field each shows and the player's base value behind it.
struct TAttributeBox {
    TLabeledEdit* TForm4::*Box;
    const char* Caption;
    int32_t character::*Effective;
    int32_t character::*Base;
};
const std::array<TAttributeBox, 8> cAttributes{{
    {&TForm4::LabeledEdit2, "strength", &character::strength, &character::bstr},
    {&TForm4::LabeledEdit3, "intelligence", &character::intelligence, &character::bint},
    {&TForm4::LabeledEdit4, "speed", &character::speed, &character::bspd},
    {&TForm4::LabeledEdit5, "endurance", &character::endurance, &character::bend},
    {&TForm4::LabeledEdit6, "sword", &character::sword, &character::bsw},
    {&TForm4::LabeledEdit7, "bow", &character::bow, &character::bbw},
    {&TForm4::LabeledEdit8, "magic", &character::magic, &character::bmg},
    {&TForm4::LabeledEdit9, "armor", &character::armor, &character::bar},
}};

std::string MonsterFile(int32_t id) { return GamePath("\\monsters\\" + IntToStr(id) + ".mon"); }

std::string OverrideFile(const std::string& locale, int32_t id)
{
    return "\\text\\" + locale + "\\overrides\\monsters\\" + IntToStr(id) + ".txt";
}

// The list's lines and ticks anew: line i names entry i (or is its number) and is ticked as flags[i].
template <class Flags>
void ShowTicks(TCheckListBox& list, const Flags& flags, const std::function<std::string(int32_t)>& name)
{
    TStrings& lines = *list.Items();
    lines.BeginUpdate();
    lines.Clear();
    for (int32_t i = flags.Low(); i <= flags.High(); ++i) lines.Add(name(i));
    for (int32_t i = flags.Low(); i <= flags.High(); ++i) list.SetChecked(i - flags.Low(), flags[i]);
    lines.EndUpdate();
}

// The list's ticks into flags; a list shorter than the flags (not filled yet) leaves the rest.
template <class Flags> void CopyTicks(const TCheckListBox& list, Flags& flags)
{
    const int32_t last = std::min<int32_t>(flags.High(), flags.Low() + list.Items()->Count() - 1);
    for (int32_t i = flags.Low(); i <= last; ++i) flags[i] = list.Checked(i - flags.Low());
}

} // namespace

TForm4::TForm4(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Character Editor");
    SetClientWidth(930);
    SetClientHeight(640);

    const auto handler = [this](void (TForm4::*method)(TObject*)) {
        return [this, method](TObject* Sender) { (this->*method)(Sender); };
    };
    const auto labeled = [this](TWinControl* parent, const char* caption, int32_t x, int32_t y, int32_t w) {
        auto* box = MakeControl<TLabeledEdit>(this, parent, x, y, w, 23);
        box->EditLabel()->SetCaption(caption);
        return box;
    };
    const auto label = [this](TWinControl* parent, const char* caption, int32_t x, int32_t y) {
        MakeControl<TLabel>(this, parent, x, y, 90, 17)->SetCaption(caption);
    };
    const auto edit = [this](TWinControl* parent, int32_t x, int32_t y, int32_t w) {
        return MakeControl<TEdit>(this, parent, x, y, w, 23);
    };
    const auto button = [this, &handler](TWinControl* parent, const char* caption, int32_t x, int32_t y, int32_t w,
                                         void (TForm4::*method)(TObject*)) {
        auto* b = MakeControl<TButton>(this, parent, x, y, w, 25);
        b->SetCaption(caption);
        b->OnClick = handler(method);
        return b;
    };
    const auto choices = [this](TWinControl* parent, const char* items, int32_t x, int32_t y, int32_t w) {
        auto* box = MakeControl<TComboBox>(this, parent, x, y, w, 23);
        box->SetStyle(csDropDownList);
        box->Items()->SetText(items);
        return box;
    };

    ListBox1 = MakeControl<TListBox>(this, this, 8, 8, 150, 624);
    ListBox1->OnClick = handler(&TForm4::ListBox1Click);

    // The record: id, name, attributes and skills, level, species and the rest.
    label(this, "id", 166, 8);
    Edit1 = edit(this, 166, 24, 60);
    Edit1->SetText("0");
    Button1 = button(this, "load", 232, 23, 50, &TForm4::Button1Click);
    Button2 = button(this, "save", 286, 23, 50, &TForm4::Button2Click);
    Button3 = button(this, "fight", 340, 23, 50, &TForm4::Button3Click);
    LabeledEdit1 = labeled(this, "name", 166, 72, 224);
    for (std::size_t i = 0; i < cAttributes.size(); ++i)
        this->*cAttributes[i].Box = labeled(this, cAttributes[i].Caption, 166 + 116 * static_cast<int32_t>(i % 2),
                                            112 + 40 * static_cast<int32_t>(i / 2), 108);
    LabeledEdit10 = labeled(this, "level", 166, 272, 108);
    LabeledEdit11 = labeled(this, "species (living/angel/demon/undead)", 166, 312, 224);
    CheckBox1 = MakeControl<TCheckBox>(this, this, 282, 274, 108, 19);
    CheckBox1->SetCaption("boss");
    label(this, "sex", 166, 340);
    ComboBox1 = choices(this, "male\nfemale", 166, 356, 108);
    label(this, "element", 282, 340);
    ComboBox5 = choices(this, "Neutral\nEarth\nAir\nWater\nFire", 282, 356, 108);
    label(this, "loot", 166, 384);
    Edit4 = edit(this, 166, 400, 70);
    label(this, "chance", 242, 384);
    Edit5 = edit(this, 242, 400, 70);
    label(this, "journal", 166, 428);
    Edit6 = edit(this, 166, 444, 70);
    Button7 = button(this, "...", 242, 443, 30, &TForm4::Button7Click);
    GroupBox1 = MakeControl<TGroupBox>(this, this, 166, 474, 224, 64);
    GroupBox1->SetCaption("wanderer attributes");
    label(GroupBox1, "w", 8, 18);
    Edit10 = edit(GroupBox1, 8, 34, 64);
    label(GroupBox1, "h", 78, 18);
    Edit11 = edit(GroupBox1, 78, 34, 64);
    label(GroupBox1, "z shift", 148, 18);
    Edit12 = edit(GroupBox1, 148, 34, 64);
    label(this, "override", 166, 546);
    Edit2 = edit(this, 166, 562, 40);
    Edit2->SetText("ru");
    Edit3 = edit(this, 212, 562, 178);

    // The player's test commands.
    Button4 = button(this, "read player", 166, 600, 80, &TForm4::Button4Click);
    Button5 = button(this, "apply to player", 250, 600, 100, &TForm4::Button5Click);
    Button6 = button(this, "add perk pnt", 354, 600, 90, &TForm4::Button6Click);
    Button14 = button(this, "^", 448, 600, 25, &TForm4::Button14Click);

    label(this, "spellbook", 398, 8);
    CheckListBox1 = MakeControl<TCheckListBox>(this, this, 398, 24, 170, 300);
    CheckListBox1->OnClickCheck = [this](TObject*) { CopyTicks(*CheckListBox1, tempchar.spellbook); };
    label(this, "perks", 398, 330);
    CheckListBox2 = MakeControl<TCheckListBox>(this, this, 398, 346, 170, 246);
    CheckListBox2->OnClickCheck = [this](TObject*) { CopyTicks(*CheckListBox2, tempchar.perks); };

    GroupBox2 = MakeControl<TGroupBox>(this, this, 576, 8, 346, 136);
    GroupBox2->SetCaption("wanderer entity editing");
    ComboBox2 = MakeControl<TComboBox>(this, GroupBox2, 8, 20, 60, 23);
    ComboBox2->SetStyle(csDropDownList);
    // A slot chosen is loaded at once, silently: a list without a choice loads nothing.
    ComboBox2->OnChange = [this](TObject*) {
        const int32_t slot = ComboBox2->ItemIndex();
        if (slot < wanderers.Low() || slot > wanderers.High()) return;
        tempwanderer = wanderers[slot];
        DisplayTempcharData();
    };
    Button8 = button(GroupBox2, "load", 74, 19, 50, &TForm4::Button8Click);
    Button9 = button(GroupBox2, "save", 128, 19, 50, &TForm4::Button9Click);
    CheckBox2 = MakeControl<TCheckBox>(this, GroupBox2, 186, 22, 80, 19);
    CheckBox2->SetCaption("enabled");
    label(GroupBox2, "monster", 8, 48);
    Edit7 = edit(GroupBox2, 8, 64, 60);
    Button11 = button(GroupBox2, ">>>", 74, 63, 40, &TForm4::Button11Click);
    label(GroupBox2, "behaviour", 120, 48);
    ComboBox3 = choices(GroupBox2, "stands\nwanders", 120, 64, 90);
    label(GroupBox2, "position", 216, 48);
    Edit8 = edit(GroupBox2, 216, 64, 40);
    Edit9 = edit(GroupBox2, 260, 64, 40);
    Button10 = button(GroupBox2, "acc", 304, 63, 36, &TForm4::Button10Click);
    label(GroupBox2, "script name", 8, 92);
    Edit13 = edit(GroupBox2, 8, 108, 330);

    GroupBox3 = MakeControl<TGroupBox>(this, this, 576, 150, 346, 160);
    GroupBox3->SetCaption("description");
    ComboBox4 = choices(GroupBox3, "en\nru", 8, 20, 60);
    ComboBox4->SetItemIndex(0);
    Button12 = button(GroupBox3, "load", 74, 19, 50, &TForm4::Button12Click);
    Button13 = button(GroupBox3, "save", 128, 19, 50, &TForm4::Button13Click);
    Label17 = MakeControl<TLabel>(this, GroupBox3, 186, 23, 60, 17);
    Label17->SetCaption("0/35");
    Memo2 = MakeControl<TMemo>(this, GroupBox3, 8, 50, 330, 102);
    Memo2->OnChange = handler(&TForm4::Memo2Change);

    // The preview: its own scene, the monster's picture on a 20 x 20 plane seen from 26 units above; the viewer's
    // 279 pixels make a focal length of 50 a field of view of 140.56 degrees.
    GroupBox4 = MakeControl<TGroupBox>(this, this, 576, 316, 346, 316);
    GroupBox4->SetCaption("preview");
    VAVodad1 = new TVAVodad(this);
    GLCamera1 = TGLBaseSceneObject::CreateAsChild<TGLCamera>(VAVodad1->Objects());
    GLCamera1->Position()->SetPoint(0, 0, 26);
    GLCamera1->SetDepthOfView(100);
    GLCamera1->SetFocalLength(50);
    GLPlane1 = TGLBaseSceneObject::CreateAsChild<TGLPlane>(VAVodad1->Objects());
    GLPlane1->SetWidth(20);
    GLPlane1->SetHeight(20);
    GLLightSource1 = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(VAVodad1->Objects());
    GLLightSource1->SetLightStyle(lsOmni);
    GLLightSource1->Position()->SetPoint(0, 0, 20);
    GLLightSource1->SetConstAttenuation(1);
    VAVodadViewer1 = new TVAVodadViewer(this);
    VAVodadViewer1->SetParent(GroupBox4);
    VAVodadViewer1->SetBounds(33, 24, 279, 279);
    VAVodadViewer1->SetCamera(GLCamera1);
    VAVodadViewer1->SetEnabled(false); // no mouse input
    VAVodadViewer1->SetVisible(false); // until the window shows

    // The timer's first block in its order; the ticks and "species" follow it in Timer1Timer.
    FCharacterBoxes.Text(LabeledEdit1, &character::name);
    for (const TAttributeBox& a : cAttributes) FCharacterBoxes.Number(this->*a.Box, a.Effective);
    FCharacterBoxes.Number(LabeledEdit10, &character::lvl)
        .Check(CheckBox1, &character::boss)
        .Index(ComboBox1, &character::sex)
        .Index(ComboBox5, &character::element)
        .Number(Edit4, &character::loot)
        .Number(Edit5, &character::lootchance)
        .Number(Edit6, &character::jrn)
        .Number(Edit10, &character::w_wd)
        .Number(Edit11, &character::w_ht)
        .Number(Edit12, &character::w_zs);
    FWandererBoxes.Check(CheckBox2, &wanderer::enabled)
        .Number(Edit8, &wanderer::x)
        .Number(Edit9, &wanderer::y)
        .Index(ComboBox3, &wanderer::behav)
        .Number(Edit7, &wanderer::mtype)
        .Text(Edit13, &wanderer::script);

    Timer1 = new TTimer(this);
    Timer1->SetEnabled(false);
    Timer1->SetInterval(200);
    Timer1->SetOnTimer(handler(&TForm4::Timer1Timer));
    OnShow = handler(&TForm4::FormShow);
    OnHide = handler(&TForm4::FormHide);
    // The boxes hold the working records from the start, so the timer's copy has numbers to take.
    DisplayTempcharData();
}

int32_t TForm4::MonsterId() { return BoxNumber(*Edit1, "id", monsters.Low(), monsters.High()); }

int32_t TForm4::WandererSlot() const
{
    const int32_t slot = ComboBox2->ItemIndex();
    if (slot < wanderers.Low() || slot > wanderers.High())
        throw EEditorInput("wanderer slot: choose a slot from 0 to " + IntToStr(wanderers.High()));
    return slot;
}

std::string TForm4::DescriptionFile()
{
    return "\\text\\" + PlainNameOf(ComboBox4->Text(), "description locale") + "\\desc\\monster_" +
           IntToStr(MonsterId()) + ".txt";
}

void TForm4::FormShow(TObject*)
{
    TStrings& lines = *ListBox1->Items();
    lines.BeginUpdate();
    lines.Clear();
    for (int32_t i = monsters.Low(); i <= monsters.High(); ++i) lines.Add(NumberedLine(i, monsters[i].name));
    lines.EndUpdate();
    TStrings& slots = *ComboBox2->Items();
    slots.BeginUpdate();
    slots.Clear();
    for (int32_t i = wanderers.Low(); i <= wanderers.High(); ++i) slots.Add(IntToStr(i));
    slots.EndUpdate();
    VAVodadViewer1->SetVisible(true);
    Timer1->SetEnabled(true);
}

void TForm4::FormHide(TObject*)
{
    Timer1->SetEnabled(false);
    VAVodadViewer1->SetVisible(false);
}

void TForm4::ListBox1Click(TObject* Sender)
{
    const int line = ListBox1->ItemIndex();
    if (line < 0) return;
    Edit1->SetText(IntToStr(line));
    Button1Click(Sender);
}

void TForm4::DisplayTempcharData()
{
    FCharacterBoxes.Show(tempchar);
    LabeledEdit11->SetText(IntToStr(tempchar.spec));
    ShowTicks(*CheckListBox1, tempchar.spellbook,
              [](int32_t i) { return cards[i].name.empty() ? IntToStr(i) : cards[i].name; });
    ShowTicks(*CheckListBox2, tempchar.perks,
              [](int32_t i) { return perks[i].enabled ? perks[i].name : IntToStr(i); });
    FWandererBoxes.Show(tempwanderer);

    // The override of the monster the boxes name; a box left from the monster before must not be saved as this
    // one's override, so it empties when there is none.
    int32_t id = 0;
    std::optional<std::string> name;
    if (TryStrToInt(Edit1->Text(), id) && id >= monsters.Low() && id <= monsters.High() && IsPlainName(Edit2->Text()))
        name = OverrideName(GamePath(OverrideFile(Edit2->Text(), id)));
    Edit3->SetText(name.value_or(""));
}

void TForm4::Button1Click(TObject*)
{
    EditorCommand([this] {
        const int32_t id = MonsterId();
        tempchar = LoadChar(MonsterFile(id));
        DisplayTempcharData();
        const std::string material = "mon_" + IntToStr(id);
        TGLMaterialLibrary* library = Form1 ? Form1->matlib : nullptr;
        if (Form1) Form1->preparemat(material);
        GLPlane1->Material()->SetMaterialLibrary(library);
        GLPlane1->Material()->SetLibMaterialName(material);
    });
}

void TForm4::Button2Click(TObject*)
{
    EditorCommand([this] {
        const int32_t id = MonsterId();
        const std::string locale = Edit2->Text().empty() ? std::string() : BoxPlainName(*Edit2, "override locale");
        SaveChar(tempchar, MonsterFile(id));
        // An empty override would blank the monster's name in that language.
        if (!locale.empty() && !Edit3->Text().empty()) SaveDataLine(Edit3->Text(), OverrideFile(locale, id));
    });
}

void TForm4::Button3Click(TObject*)
{
    EditorCommand([this] {
        const int32_t id = MonsterId();
        if (Form1) Form1->AddToBL(id);
    });
}

void TForm4::Button4Click(TObject*)
{
    tempchar = player;
    for (const TAttributeBox& a : cAttributes) tempchar.*a.Effective = player.*a.Base;
    DisplayTempcharData();
}

void TForm4::Button5Click(TObject*)
{
    player = tempchar;
    for (const TAttributeBox& a : cAttributes) player.*a.Base = tempchar.*a.Effective;
}

void TForm4::Button6Click(TObject*) { perkpoints += 1; }

void TForm4::Button7Click(TObject*)
{
    if (!Form8) return;
    EditorCommand([this] {
        if (Edit6->Text() == "-1" || Edit6->Text() == "0") Edit6->SetText(IntToStr(Form8->getfreejrn()));
        Form8->OpenJournal(Edit6->Text());
    });
}

void TForm4::Button8Click(TObject*)
{
    EditorCommand([this] {
        tempwanderer = wanderers[WandererSlot()];
        DisplayTempcharData();
    });
}

void TForm4::Button9Click(TObject*)
{
    EditorCommand([this] { wanderers[WandererSlot()] = tempwanderer; });
}

void TForm4::Button10Click(TObject*)
{
    Edit8->SetText(IntToStr(edcurx));
    Edit9->SetText(IntToStr(edcury));
}

void TForm4::Button11Click(TObject*) { Edit7->SetText(Edit1->Text()); }

void TForm4::Button12Click(TObject*)
{
    EditorCommand([this] { LoadDataLines(*Memo2->Lines(), DescriptionFile(), ComboBox4->Text()); });
}

void TForm4::Button13Click(TObject*)
{
    EditorCommand([this] { SaveDataLines(*Memo2->Lines(), DescriptionFile()); });
}

void TForm4::Button14Click(TObject*)
{
    // Held within Integer: a player file's extreme values must not wrap the amount around.
    const int64_t missing = static_cast<int64_t>(player.xpreq) - player.xp + 1;
    if (Form1)
        Form1->AddXP(0, static_cast<int32_t>(std::clamp<int64_t>(missing, INT32_MIN, INT32_MAX)), player);
}

void TForm4::Memo2Change(TObject*) { Label17->SetCaption(IntToStr(LongestLineLength(*Memo2->Lines())) + "/35"); }

void TForm4::Timer1Timer(TObject*)
{
    if (FCharacterBoxes.Copy(tempchar)) {
        CopyTicks(*CheckListBox1, tempchar.spellbook);
        CopyTicks(*CheckListBox2, tempchar.perks);
        TakeBoxNumber(*LabeledEdit11, tempchar.spec);
    }
    FWandererBoxes.Copy(tempwanderer);
}
