#include "UGHItemedit.h"

#include "UGH_data.h"

#include "SysUtils.h"
#include "ZODLog.h"

#include <array>
#include <utility>

loot temploot;
TForm7* Form7 = nullptr;

namespace {

TLabeledEdit* MakeLabeled(TForm7* form, TWinControl* parent, const char* caption, int32_t x, int32_t y, int32_t w)
{
    auto* box = MakeControl<TLabeledEdit>(form, parent, x, y, w, 23);
    box->EditLabel()->SetCaption(caption);
    return box;
}

TLabel* MakeLabel(TForm7* form, TWinControl* parent, const char* caption, int32_t x, int32_t y, int32_t w)
{
    auto* label = MakeControl<TLabel>(form, parent, x, y, w, 17);
    label->SetCaption(caption);
    return label;
}

TButton* MakeButton(TForm7* form, TWinControl* parent, const char* caption, int32_t x, int32_t y, int32_t w)
{
    auto* button = MakeControl<TButton>(form, parent, x, y, w, 25);
    button->SetCaption(caption);
    return button;
}

// The bonuses and the requirements, each a column of boxes 40 pixels apart.
using TItemField = std::pair<const char*, int32_t loot::*>;
const std::array<TItemField, 9> cBonuses{{{"Strength", &loot::lb_str},
                                          {"Intelligence", &loot::lb_int},
                                          {"Speed", &loot::lb_spd},
                                          {"Endurance", &loot::lb_end},
                                          {"Sword", &loot::lb_sw},
                                          {"Magic", &loot::lb_mg},
                                          {"Bow", &loot::lb_bw},
                                          {"Armor", &loot::lb_ar},
                                          {"Card", &loot::lb_crd}}};
const std::array<TItemField, 11> cRequirements{{{"s", &loot::rq_str},
                                                {"i", &loot::rq_int},
                                                {"s", &loot::rq_spd},
                                                {"e", &loot::rq_end},
                                                {"s", &loot::rq_sw},
                                                {"m", &loot::rq_mg},
                                                {"b", &loot::rq_bw},
                                                {"a", &loot::rq_ar},
                                                {"has item", &loot::rq_item},
                                                {"has perk", &loot::rq_perk},
                                                {"has race", &loot::rq_spec}}};

const char* const cLootList = "\\items\\lootlist.txt";

} // namespace

TForm7::TForm7(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Item editor");
    SetClientWidth(760);
    SetClientHeight(560);

    ListBox1 = MakeControl<TListBox>(this, this, 8, 8, 160, 544);

    // The item's name, id, override and type.
    LabeledEdit1 = MakeLabeled(this, this, "Name", 176, 24, 150);
    LabeledEdit4 = MakeLabeled(this, this, "Id", 176, 64, 70);
    LabeledEdit4->SetText("0");
    LabeledEdit2 = MakeLabeled(this, this, "Locale", 256, 64, 70);
    LabeledEdit2->SetText("ru");
    LabeledEdit3 = MakeLabeled(this, this, "Override Name", 176, 104, 150);
    Label1 = MakeLabel(this, this, "Type", 176, 128, 150);
    ComboBox1 = MakeControl<TComboBox>(this, this, 176, 144, 150, 23);
    ComboBox1->SetStyle(csDropDownList);
    ComboBox1->Items()->SetText("Misc\nSword\nBow\nArmor\nHat");
    Button1 = MakeButton(this, this, "Load", 176, 176, 72);
    Button2 = MakeButton(this, this, "Save", 254, 176, 72);
    Button3 = MakeButton(this, this, "Give Player", 176, 208, 150);

    // Bonuses, pictures and crafting.
    std::array<TLabeledEdit**, 9> bonusBoxes{&LabeledEdit5,  &LabeledEdit6,  &LabeledEdit7,
                                             &LabeledEdit8,  &LabeledEdit9,  &LabeledEdit10,
                                             &LabeledEdit11, &LabeledEdit12, &LabeledEdit13};
    for (std::size_t i = 0; i < bonusBoxes.size(); ++i)
        *bonusBoxes[i] = MakeLabeled(this, this, cBonuses[i].first, 340, 24 + 40 * static_cast<int32_t>(i), 80);
    Label2 = MakeLabel(this, this, "Armor", 430, 8, 60);
    Edit1 = MakeControl<TEdit>(this, this, 430, 24, 60, 23);
    Label3 = MakeLabel(this, this, "Hat", 430, 48, 60);
    Edit4 = MakeControl<TEdit>(this, this, 430, 64, 60, 23);
    CheckBox1 = MakeControl<TCheckBox>(this, this, 430, 94, 110, 19);
    CheckBox1->SetCaption("Remove hair");
    GroupBox1 = MakeControl<TGroupBox>(this, this, 430, 120, 130, 52);
    GroupBox1->SetCaption("crafting");
    Edit2 = MakeControl<TEdit>(this, GroupBox1, 8, 20, 48, 23);
    Label4 = MakeLabel(this, GroupBox1, "+", 60, 23, 10);
    Edit3 = MakeControl<TEdit>(this, GroupBox1, 74, 20, 48, 23);

    GroupBox2 = MakeControl<TGroupBox>(this, this, 570, 8, 182, 244);
    GroupBox2->SetCaption("requirements");
    std::array<TLabeledEdit**, 11> requirementBoxes{&LabeledEdit14, &LabeledEdit15, &LabeledEdit16, &LabeledEdit17,
                                                    &LabeledEdit18, &LabeledEdit19, &LabeledEdit20, &LabeledEdit21,
                                                    &LabeledEdit22, &LabeledEdit23, &LabeledEdit24};
    for (std::size_t i = 0; i < 8; ++i)
        *requirementBoxes[i] = MakeLabeled(this, GroupBox2, cRequirements[i].first, 8 + 42 * static_cast<int32_t>(i % 4),
                                           36 + 44 * static_cast<int32_t>(i / 4), 36);
    for (std::size_t i = 8; i < requirementBoxes.size(); ++i)
        *requirementBoxes[i] = MakeLabeled(this, GroupBox2, cRequirements[i].first, 8,
                                           124 + 40 * static_cast<int32_t>(i - 8), 160);

    GroupBox3 = MakeControl<TGroupBox>(this, this, 430, 380, 322, 172);
    GroupBox3->SetCaption("loot list");
    Memo1 = MakeControl<TMemo>(this, GroupBox3, 8, 20, 226, 144);
    Memo1->SetScrollBars(ssVertical);
    Button4 = MakeButton(this, GroupBox3, "load", 242, 20, 72);
    Button5 = MakeButton(this, GroupBox3, "save", 242, 52, 72);

    GroupBox4 = MakeControl<TGroupBox>(this, this, 176, 380, 246, 172);
    GroupBox4->SetCaption("Description");
    ComboBox2 = MakeControl<TComboBox>(this, GroupBox4, 8, 20, 60, 23);
    ComboBox2->Items()->SetText("en\nru");
    ComboBox2->SetItemIndex(0);
    Button7 = MakeButton(this, GroupBox4, "load", 74, 19, 50);
    Button6 = MakeButton(this, GroupBox4, "save", 130, 19, 50);
    Label5 = MakeLabel(this, GroupBox4, "0/20", 188, 23, 50);
    Memo2 = MakeControl<TMemo>(this, GroupBox4, 8, 50, 230, 114);

    // The timer's order: name, id, the bonuses, l_armor, itmtype, crf1, crf2, l_hat, nohair, the requirements.
    FBindings.Text(LabeledEdit1, &loot::name).Number(LabeledEdit4, &loot::id);
    for (std::size_t i = 0; i < bonusBoxes.size(); ++i) FBindings.Number(*bonusBoxes[i], cBonuses[i].second);
    FBindings.Number(Edit1, &loot::l_armor)
        .Index(ComboBox1, &loot::itmtype)
        .Number(Edit2, &loot::crf1)
        .Number(Edit3, &loot::crf2)
        .Number(Edit4, &loot::l_hat)
        .Check(CheckBox1, &loot::nohair);
    for (std::size_t i = 0; i < requirementBoxes.size(); ++i)
        FBindings.Number(*requirementBoxes[i], cRequirements[i].second);


    ListBox1->OnClick = [this](TObject* Sender) { ListBox1Click(Sender); };
    Button1->OnClick = [this](TObject* Sender) { Button1Click(Sender); };
    Button2->OnClick = [this](TObject* Sender) { Button2Click(Sender); };
    Button3->OnClick = [this](TObject* Sender) { Button3Click(Sender); };
    Button4->OnClick = [this](TObject* Sender) { Button4Click(Sender); };
    Button5->OnClick = [this](TObject* Sender) { Button5Click(Sender); };
    Button6->OnClick = [this](TObject* Sender) { Button6Click(Sender); };
    Button7->OnClick = [this](TObject* Sender) { Button7Click(Sender); };
    Memo2->OnChange = [this](TObject* Sender) { Memo2Change(Sender); };
    Timer1 = MakeShownTimer(*this, 100, [this](TObject* Sender) { Timer1Timer(Sender); },
                            [this](TObject* Sender) { FormShow(Sender); });
}

int32_t TForm7::ItemId() { return BoxNumber(*LabeledEdit4, "Id", 0, 1000); }

std::optional<std::string> TForm7::OverrideLocale()
{
    if (LabeledEdit2->Text().empty()) return std::nullopt;
    return BoxPlainName(*LabeledEdit2, "Locale");
}

namespace {

std::string OverrideFile(const std::string& locale, int32_t id)
{
    return "\\text\\" + locale + "\\overrides\\items\\" + IntToStr(id) + ".txt";
}

} // namespace

std::string TForm7::DescriptionFile()
{
    return "\\text\\" + PlainNameOf(ComboBox2->Text(), "Description locale") + "\\desc\\item_" + IntToStr(ItemId()) +
           ".txt";
}

void TForm7::FormShow(TObject*)
{
    TStrings& lines = *ListBox1->Items();
    lines.BeginUpdate();
    lines.Clear();
    for (int32_t i = 0; i <= 1000; ++i) lines.Add(NumberedLine(i, items[i].name));
    lines.EndUpdate();
}

void TForm7::ListBox1Click(TObject* Sender)
{
    const int line = ListBox1->ItemIndex();
    if (line < 0) return;
    temploot.id = line;
    LabeledEdit4->SetText(IntToStr(line));
    Button1Click(Sender);
}

void TForm7::Button1Click(TObject*)
{
    EditorCommand([this] {
        const int32_t id = ItemId();
        const std::optional<std::string> locale = OverrideLocale();
        const std::string fileName = GamePath("\\items\\" + IntToStr(id) + ".lot");
        loot fresh = LoadLoot(fileName);
        // The item is the file's: an id line that says otherwise would send the save to another item's file.
        if (fresh.id != id) {
            GlobalLogSession()->LogWarning(Format("%s: its id line says %d: the item is edited as %d",
                                                  {fileName, int64_t(fresh.id), int64_t(id)}));
            fresh.id = id;
        }
        // A box left from the item before would be saved as this item's override.
        const std::optional<std::string> name = locale ? OverrideName(GamePath(OverrideFile(*locale, id))) : std::nullopt;
        temploot = std::move(fresh);
        LabeledEdit3->SetText(name.value_or(""));
        FBindings.Show(temploot);
    });
}

void TForm7::Button2Click(TObject*)
{
    EditorCommand([this] {
        const int32_t id = ItemId();
        const std::optional<std::string> locale = OverrideLocale();
        SaveLoot(temploot, GamePath("\\items\\" + IntToStr(id) + ".lot"));
        // An empty override would blank the item's name in that language.
        if (locale && !LabeledEdit3->Text().empty()) SaveDataLine(LabeledEdit3->Text(), OverrideFile(*locale, id));
    });
}

void TForm7::Button3Click(TObject*)
{
    EditorCommand([this] { items[ItemId()].count += 1; });
}

void TForm7::Button4Click(TObject*)
{
    EditorCommand([this] { LoadDataLines(*Memo1->Lines(), cLootList, lng); });
}

void TForm7::Button5Click(TObject*)
{
    EditorCommand([this] { SaveDataLines(*Memo1->Lines(), cLootList); });
}

void TForm7::Button6Click(TObject*)
{
    EditorCommand([this] { SaveDataLines(*Memo2->Lines(), DescriptionFile()); });
}

void TForm7::Button7Click(TObject*)
{
    EditorCommand([this] { LoadDataLines(*Memo2->Lines(), DescriptionFile(), ComboBox2->Text()); });
}

void TForm7::Memo2Change(TObject*) { Label5->SetCaption(IntToStr(LongestLineLength(*Memo2->Lines())) + "/20"); }

void TForm7::Timer1Timer(TObject*) { FBindings.Copy(temploot); }
