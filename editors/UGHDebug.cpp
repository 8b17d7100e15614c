#include "UGHDebug.h"

#include "UGH_data.h"
#include "UGH_editfields.h"
#include "UGH_main.h"
#include "UGH_tables.h"
#include "UGHmapedit.h"

#include "SysUtils.h"
#include "VAVodad.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <vector>

TForm14* Form14 = nullptr;

namespace {

// The body parts in ComboBox2's order: the file prefix and the bodypartcounts entries of sex 0 and sex 1 that
// count its files (-1: one file, id 0).
struct TBodyPartKind {
    const char* caption;
    const char* prefix;
    int32_t count0, count1;
};
constexpr std::array<TBodyPartKind, 5> cBodyParts = {{{"face", "head_", 3, 2},
                                                      {"hair", "hair_", 5, 4},
                                                      {"hair back", "hairb_", 5, 4},
                                                      {"torso", "torso_", -1, -1},
                                                      {"hat", "hat_", 1, 0}}};
constexpr int32_t cTorso = 3;

constexpr std::array<const char*, 18> cRandomObjects = {
    "stat altar",   "item table",   "item barrel",  "altar f",   "altar w",   "altar a",
    "altar e",      "altar n",      "entrance",     "exit",      "key shrine s", "key shrine g",
    "key shrine e", "angel alt",    "demon alt",    "undead alt", "silence alt", "wizdom orb"};

const char* const cWatchCaption = "cp array size {max 10000} = ";

// A sprite-list name: the list's lines are split at commas, and a line without a name is none.
bool IsSpriteName(const std::string& name) { return !name.empty() && name.find(',') == std::string::npos; }

TButton* MakeButton(TForm14* form, TWinControl* parent, int32_t x, int32_t y, int32_t w, const char* caption)
{
    auto* button = MakeControl<TButton>(form, parent, x, y, w, 25);
    button->SetCaption(caption);
    return button;
}

TEdit* MakeEdit(TForm14* form, TWinControl* parent, int32_t x, int32_t y, int32_t w, const char* text)
{
    auto* edit = MakeControl<TEdit>(form, parent, x, y, w, 23);
    edit->SetText(text);
    return edit;
}

void MakeCaption(TForm14* form, TWinControl* parent, int32_t x, int32_t y, const char* caption, int32_t w = 120)
{
    MakeControl<TLabel>(form, parent, x, y, w, 17)->SetCaption(caption);
}

TGroupBox* MakeGroup(TForm14* form, int32_t x, int32_t y, int32_t w, int32_t h, const char* caption)
{
    auto* group = MakeControl<TGroupBox>(form, form, x, y, w, h);
    group->SetCaption(caption);
    return group;
}

} // namespace

TForm14::TForm14(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("debugging and system editing");
    SetClientWidth(949);
    SetClientHeight(489);

    GroupBox1 = MakeGroup(this, 8, 8, 185, 120, "cadencer 1 control blocks");
    TCheckBox** blocks[] = {&CheckBox1, &CheckBox2, &CheckBox3, &CheckBox4,
                            &CheckBox5, &CheckBox6, &CheckBox7, &CheckBox8};
    for (int32_t k = 1; k <= 8; ++k) {
        TCheckBox*& box = *blocks[k - 1];
        box = MakeControl<TCheckBox>(this, GroupBox1, 8 + (k - 1) / 4 * 88, 20 + (k - 1) % 4 * 23, 84, 19);
        box->SetCaption("CheckBox" + IntToStr(k));
        box->SetChecked(true);
        box->OnClick = [box, k](TObject*) { cadblocks[k] = box->Checked(); };
    }

    GroupBox2 = MakeGroup(this, 8, 136, 185, 112, "gamestate");
    LabeledEdit1 = MakeControl<TLabeledEdit>(this, GroupBox2, 8, 36, 80, 23);
    LabeledEdit1->EditLabel()->SetCaption("level steps");
    LabeledEdit1->SetText("0");
    LabeledEdit2 = MakeControl<TLabeledEdit>(this, GroupBox2, 96, 36, 80, 23);
    LabeledEdit2->EditLabel()->SetCaption("level no");
    LabeledEdit2->SetText("0");
    Button1 = MakeButton(this, GroupBox2, 8, 72, 80, "set");

    GroupBox3 = MakeGroup(this, 200, 8, 250, 240, "bodypartdata config");
    ComboBox1 = MakeControl<TComboBox>(this, GroupBox3, 8, 20, 110, 23);
    ComboBox1->SetStyle(csDropDownList);
    for (const char* sex : {"male", "female"}) ComboBox1->Items()->Add(sex);
    ComboBox1->SetItemIndex(0);
    ComboBox2 = MakeControl<TComboBox>(this, GroupBox3, 126, 20, 116, 23);
    ComboBox2->SetStyle(csDropDownList);
    for (const TBodyPartKind& part : cBodyParts) ComboBox2->Items()->Add(part.caption);
    ComboBox2->SetItemIndex(0);
    MakeCaption(this, GroupBox3, 8, 50, "id");
    Edit3 = MakeEdit(this, GroupBox3, 40, 48, 78, "0");
    TEdit** values[] = {&Edit1, &Edit2, &Edit4, &Edit5};
    const char* valueCaptions[] = {"w", "h", "x", "y"};
    for (int32_t i = 0; i < 4; ++i) {
        MakeCaption(this, GroupBox3, 8 + i % 2 * 120, 82 + i / 2 * 30, valueCaptions[i]);
        *values[i] = MakeEdit(this, GroupBox3, 28 + i % 2 * 120, 80 + i / 2 * 30, 90, "0");
    }
    CheckBox9 = MakeControl<TCheckBox>(this, GroupBox3, 8, 142, 100, 19);
    CheckBox9->SetCaption("haseb");
    CheckBox10 = MakeControl<TCheckBox>(this, GroupBox3, 126, 142, 100, 19);
    CheckBox10->SetCaption("hasbrd");
    Button2 = MakeButton(this, GroupBox3, 8, 172, 56, "read");
    Button3 = MakeButton(this, GroupBox3, 68, 172, 56, "set");
    Button4 = MakeButton(this, GroupBox3, 128, 172, 56, "set all");
    Button5 = MakeButton(this, GroupBox3, 188, 172, 54, "cc");

    GroupBox4 = MakeGroup(this, 458, 8, 250, 240, "spritelist");
    ListBox1 = MakeControl<TListBox>(this, GroupBox4, 8, 20, 110, 138);
    const char* spriteCaptions[] = {"name", "purpose", "size", "size2"};
    TEdit** spriteBoxes[] = {&Edit6, &Edit7, &Edit8, &Edit9};
    for (int32_t i = 0; i < 4; ++i) {
        MakeCaption(this, GroupBox4, 126, 18 + i * 37, spriteCaptions[i]);
        *spriteBoxes[i] = MakeEdit(this, GroupBox4, 126, 32 + i * 37, 116, "");
    }
    MakeCaption(this, GroupBox4, 8, 170, "0 - none; 1 - wall deco; 2 - cell deco; ", 234);
    MakeCaption(this, GroupBox4, 8, 186, "3 - item on the floor; -1 - unused", 234);
    Button6 = MakeButton(this, GroupBox4, 8, 208, 74, "load");
    Button7 = MakeButton(this, GroupBox4, 88, 208, 74, "save");
    Button8 = MakeButton(this, GroupBox4, 168, 208, 74, "add");

    GroupBox5 = MakeGroup(this, 716, 8, 225, 240, "global scripts");
    ListBox2 = MakeControl<TListBox>(this, GroupBox5, 8, 20, 100, 150);
    Memo1 = MakeControl<TMemo>(this, GroupBox5, 116, 20, 101, 150);
    Memo1->SetReadOnly(true);
    CheckBox11 = MakeControl<TCheckBox>(this, GroupBox5, 8, 176, 100, 19);
    CheckBox11->SetCaption("n/a");
    CheckBox11->SetEnabled(false);
    Edit10 = MakeEdit(this, GroupBox5, 116, 176, 101, "");
    stop = MakeButton(this, GroupBox5, 8, 206, 50, "stop/run");
    add = MakeButton(this, GroupBox5, 62, 206, 50, "add");
    Button9 = MakeButton(this, GroupBox5, 116, 206, 50, "remove");
    Button10 = MakeButton(this, GroupBox5, 170, 206, 47, "refr.");

    GroupBox6 = MakeGroup(this, 8, 256, 250, 48, "script array control");
    Label12 = MakeControl<TLabel>(this, GroupBox6, 8, 22, 234, 17);
    Label12->SetCaption(cWatchCaption);
    GroupBox7 = MakeGroup(this, 8, 312, 250, 90, "playerlight");
    Label13 = MakeControl<TLabel>(this, GroupBox7, 8, 20, 234, 64);

    GroupBox8 = MakeGroup(this, 8, 410, 250, 56, "editor refresh rate");
    Edit11 = MakeEdit(this, GroupBox8, 8, 22, 100, "200");
    Button11 = MakeButton(this, GroupBox8, 116, 21, 60, "set");

    GroupBox9 = MakeGroup(this, 266, 256, 250, 88, "random map gen stand. obj.");
    ComboBox3 = MakeControl<TComboBox>(this, GroupBox9, 8, 20, 234, 23);
    ComboBox3->SetStyle(csDropDownList);
    for (const char* object : cRandomObjects) ComboBox3->Items()->Add(object);
    Edit12 = MakeEdit(this, GroupBox9, 8, 52, 110, "");
    Button12 = MakeButton(this, GroupBox9, 124, 51, 50, "set");
    Button13 = MakeButton(this, GroupBox9, 178, 51, 64, "to default");

    GroupBox10 = MakeGroup(this, 524, 256, 417, 180, "texlist");
    Memo2 = MakeControl<TMemo>(this, GroupBox10, 8, 20, 401, 152);
    Memo2->Lines()->Add("Memo2");
    Button14 = MakeButton(this, this, 524, 444, 100, "showtexlist");

    GroupBox11 = MakeGroup(this, 266, 352, 250, 64, "levelup");
    MakeCaption(this, GroupBox11, 8, 24, "xpreq");
    Edit13 = MakeEdit(this, GroupBox11, 50, 22, 80, "0");
    Button15 = MakeButton(this, GroupBox11, 136, 21, 50, "get");
    Button16 = MakeButton(this, GroupBox11, 190, 21, 50, "set");

    Timer1 = MakeShownTimer(*this, 1000, [this](TObject* s) { Timer1Timer(s); }, [this](TObject* s) { FormShow(s); });

    const std::pair<TButton*, void (TForm14::*)(TObject*)> commands[] = {
        {Button1, &TForm14::Button1Click},   {Button2, &TForm14::Button2Click},   {Button3, &TForm14::Button3Click},
        {Button4, &TForm14::Button4Click},   {Button5, &TForm14::Button5Click},   {Button6, &TForm14::Button6Click},
        {Button7, &TForm14::Button7Click},   {Button8, &TForm14::Button8Click},   {Button9, &TForm14::Button9Click},
        {Button11, &TForm14::Button11Click}, {Button12, &TForm14::Button12Click}, {Button13, &TForm14::Button13Click},
        {Button14, &TForm14::Button14Click}, {Button15, &TForm14::Button15Click}, {Button16, &TForm14::Button16Click},
        {add, &TForm14::addClick},           {stop, &TForm14::stopClick}};
    for (const auto& [button, handler] : commands)
        button->OnClick = [this, handler = handler](TObject* s) { (this->*handler)(s); };
    Button10->OnClick = [this](TObject*) { buildgslist(); };
    ListBox1->OnClick = [this](TObject* s) { ListBox1Click(s); };
    ListBox2->OnClick = [this](TObject* s) { ListBox2Click(s); };
    ComboBox3->OnChange = [this](TObject* s) { ComboBox3Change(s); };

    // Editing a box changes the chosen sprite-list entry at once; a number box ignores text that is no number.
    Edit6->OnChange = [this](TObject*) {
        const int i = ListBox1->ItemIndex();
        if (i >= 0 && i < static_cast<int>(spritelist.size()) && IsSpriteName(Edit6->Text()))
            spritelist[i].name = Edit6->Text();
    };
    for (auto [box, field] : {std::pair{Edit7, &spritelistitem::purpose}, std::pair{Edit8, &spritelistitem::size},
                              std::pair{Edit9, &spritelistitem::size2}}) {
        box->OnChange = [this, box = box, field = field](TObject*) {
            const int i = ListBox1->ItemIndex();
            int32_t value = 0;
            if (i >= 0 && i < static_cast<int>(spritelist.size()) && TryStrToInt(box->Text(), value))
                spritelist[i].*field = value;
        };
    }
}

void TForm14::FormShow(TObject*)
{
    TCheckBox* const blocks[] = {CheckBox1, CheckBox2, CheckBox3, CheckBox4,
                                 CheckBox5, CheckBox6, CheckBox7, CheckBox8};
    for (int32_t k = 1; k <= 8; ++k) blocks[k - 1]->SetChecked(cadblocks[k]);
    LabeledEdit1->SetText(IntToStr(levelsteps));
    LabeledEdit2->SetText(IntToStr(levelno));
    buildgslist();
    if (Form2 && Form2->Timer1) Edit11->SetText(IntToStr(Form2->Timer1->Interval()));
}

void TForm14::buildgslist()
{
    std::vector<std::string> names;
    for (const globscript& script : gslist) names.push_back(script.id);
    AssignLines(*ListBox2->Items(), names);
}

void TForm14::Timer1Timer(TObject*)
{
    Label12->SetCaption(cWatchCaption + IntToStr(static_cast<int64_t>(cparray.size())));
    const TGLLightSource* light = Form1 ? Form1->playerlight : nullptr;
    if (!light) return;
    const TGLCoordinates& at = *light->Position();
    Label13->SetCaption("x=" + FloatToStr(at.X()) + "; y=" + FloatToStr(at.Y()) + "; z=" + FloatToStr(at.Z()) +
                        "\r\nca=" + FloatToStr(light->ConstAttenuation()) +
                        "\r\nla=" + FloatToStr(light->LinearAttenuation()) +
                        "\r\nqa=" + FloatToStr(light->QuadraticAttenuation()));
}

// ---- Game state and level-up ----

void TForm14::Button1Click(TObject*)
{
    // "level steps" stays set when "level no" is refused.
    EditorCommand([this] {
        levelsteps = BoxNumber(*LabeledEdit1, "level steps");
        levelno = BoxNumber(*LabeledEdit2, "level no");
    });
}

void TForm14::Button15Click(TObject*) { Edit13->SetText(IntToStr(player.xpreq)); }

void TForm14::Button16Click(TObject*)
{
    EditorCommand([this] {
        player.xpreq = BoxNumber(*Edit13, "xpreq");
        player.xp = RoundInteger(player.xpreq / 2.0);
    });
}

// ---- Body-part files ----

std::string TForm14::BodyPartFile() const
{
    const int32_t part = ComboBox2->ItemIndex() < 0 ? 0 : ComboBox2->ItemIndex();
    const int32_t sex = ComboBox1->ItemIndex() == 1 ? 1 : 0;
    return "\\bodypartdata\\" + IntToStr(sex) + "\\" + cBodyParts[static_cast<size_t>(part)].prefix +
           PlainNameOf(Edit3->Text(), "id") + ".txt";
}

void TForm14::Button2Click(TObject*)
{
    EditorCommand([this] {
        TLineBuffer file;
        file.LoadFromFile(GamePath(BodyPartFile()));
        TEdit* const boxes[] = {Edit1, Edit2, Edit4, Edit5};
        for (int line = 0; line < 4; ++line)
            boxes[line]->SetText(line < file.Count() ? std::string(file.Line(line)) : "0");
        CheckBox9->SetChecked(file.Count() > 4 && file.ReadBoolLine(4));
        CheckBox10->SetChecked(file.Count() > 5 && file.ReadBoolLine(5));
    });
}

void TForm14::WriteBodyPart()
{
    const std::string fileName = BodyPartFile();
    // The torso's file holds the whole numbers of its proportions; the others hold reals.
    if (ComboBox2->ItemIndex() == cTorso) {
        constexpr int32_t most = std::numeric_limits<int32_t>::max();
        BoxNumber(*Edit1, "w", 1, most);
        BoxNumber(*Edit2, "h", 1, most);
    } else {
        BoxReal(*Edit1, "w");
        BoxReal(*Edit2, "h");
    }
    BoxReal(*Edit4, "x");
    BoxReal(*Edit5, "y");
    TLineBuffer file;
    for (TEdit* box : {Edit1, Edit2, Edit4, Edit5}) file.WriteTextLine(box->Text());
    file.WriteBoolLine(CheckBox9->Checked());
    file.WriteBoolLine(CheckBox10->Checked());
    file.SaveToFile(GamePath(fileName));
}

void TForm14::Button3Click(TObject*)
{
    EditorCommand([this] { WriteBodyPart(); });
}

void TForm14::Button4Click(TObject*)
{
    EditorCommand([this] {
        const TBodyPartKind& part = cBodyParts[static_cast<size_t>(std::max(ComboBox2->ItemIndex(), 0))];
        const int32_t entry = ComboBox1->ItemIndex() == 1 ? part.count1 : part.count0;
        const int32_t count = entry < 0 ? 1 : bodypartcounts[entry];
        for (int32_t id = 0; id < count; ++id) {
            Edit3->SetText(IntToStr(id));
            WriteBodyPart();
        }
    });
}

void TForm14::Button5Click(TObject*)
{
    EditorCommand([] {
        if (Form1) Form1->ConstructCharacter();
    });
}

// ---- The sprite list ----

void TForm14::Button6Click(TObject*)
{
    std::vector<std::string> names;
    for (const spritelistitem& item : spritelist) names.push_back(item.name);
    AssignLines(*ListBox1->Items(), names);
}

void TForm14::ListBox1Click(TObject*)
{
    const int i = ListBox1->ItemIndex();
    if (i < 0 || i >= static_cast<int>(spritelist.size())) return;
    const spritelistitem item = spritelist[i];
    Edit6->SetText(item.name);
    Edit7->SetText(IntToStr(item.purpose));
    Edit8->SetText(IntToStr(item.size));
    Edit9->SetText(IntToStr(item.size2));
}

void TForm14::Button8Click(TObject*)
{
    EditorCommand([this] {
        if (!IsSpriteName(Edit6->Text())) {
            Edit6->SetInvalid("a name without \",\"");
            throw EEditorInput("name: a name without \",\"");
        }
        // The entry is added first: a refused number ends the command with the numbers before it in the entry, the
        // others 0, and the list not shown again.
        spritelistitem& item = spritelist.emplace_back(spritelistitem{Edit6->Text(), 0, 0, 0});
        item.purpose = BoxNumber(*Edit7, "purpose");
        item.size = BoxNumber(*Edit8, "size");
        item.size2 = BoxNumber(*Edit9, "size2");
        Button6Click(nullptr);
    });
}

void TForm14::Button7Click(TObject*)
{
    EditorCommand([] {
        TLineBuffer file;
        for (const spritelistitem& item : spritelist)
            file.WriteTextLine(item.name + "," + IntToStr(item.purpose) + "," + IntToStr(item.size) + "," +
                               IntToStr(item.size2));
        file.SaveToFile(GamePath("\\textures\\spritelist.txt"));
    });
}

// ---- Global scripts ----

int32_t TForm14::ChosenScript() const
{
    const int i = ListBox2->ItemIndex();
    if (i < 0 || i >= ListBox2->Items()->Count() || !Form1) return -1;
    return Form1->findgsid(ListBox2->Items()->Get(i));
}

void TForm14::ListBox2Click(TObject*)
{
    const int32_t script = ChosenScript();
    if (script < 0) {
        Memo1->Lines()->Clear();
        CheckBox11->SetChecked(false);
        CheckBox11->SetCaption("n/a");
        return;
    }
    Memo1->SetText(gslist[script].text);
    CheckBox11->SetChecked(gslist[script].active);
    CheckBox11->SetCaption("active");
}

void TForm14::addClick(TObject*)
{
    EditorCommand([this] {
        if (!Form1) return;
        Form1->addglobscript(BoxPlainName(*Edit10, "script"));
        buildgslist();
    });
}

void TForm14::Button9Click(TObject*)
{
    const int32_t script = ChosenScript();
    if (script >= 0) Form1->removeglobscript(gslist[script].id);
}

void TForm14::stopClick(TObject*)
{
    const int32_t script = ChosenScript();
    if (script < 0) return;
    const std::string name = gslist[script].id;
    if (gslist[script].active)
        Form1->stopglobscript(name);
    else
        Form1->runglobscript(name);
    ListBox2Click(nullptr);
}

// ---- Random map objects, the texture list, the map editor's interval ----

void TForm14::ComboBox3Change(TObject*)
{
    if (ComboBox3->ItemIndex() >= 0) Edit12->SetText(rndons[ComboBox3->ItemIndex()]);
}

void TForm14::Button12Click(TObject*)
{
    if (ComboBox3->ItemIndex() >= 0) rndons[ComboBox3->ItemIndex()] = Edit12->Text();
}

void TForm14::Button13Click(TObject*)
{
    if (ComboBox3->ItemIndex() >= 0) Edit12->SetText(defrndons[ComboBox3->ItemIndex()]);
}

void TForm14::Button14Click(TObject*)
{
    AssignLines(*Memo2->Lines(), texlist.empty() ? std::vector<std::string>{"nil"}
                                                 : std::vector<std::string>(texlist.begin(), texlist.end()));
}

void TForm14::Button11Click(TObject*)
{
    EditorCommand([this] {
        const int32_t interval = BoxNumber(*Edit11, "editor refresh rate", 1, 60000);
        if (Form2 && Form2->Timer1) Form2->Timer1->SetInterval(static_cast<uint32_t>(interval));
    });
}
