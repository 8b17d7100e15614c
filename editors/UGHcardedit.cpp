#include "UGHcardedit.h"

#include "UGH_cardimage.h"
#include "UGH_data.h"
#include "UGH_main.h"

#include "SysUtils.h"

#include <algorithm>
#include <exception>

card cardwork;
std::string cardeditlng;
TBoundedTable<std::string, 0, 10000> cardeditstrs;
TFont* cardtitlefont = nullptr;
TFont* cardtextfont = nullptr;
TForm3* Form3 = nullptr;

namespace {

TLabeledEdit* MakeLabeled(TForm3* form, const char* caption, int32_t x, int32_t y, int32_t w)
{
    auto* box = MakeControl<TLabeledEdit>(form, form, x, y, w, 23);
    box->EditLabel()->SetCaption(caption);
    return box;
}

// A control with a label of its own above it.
template <class T> T* MakeTitled(TForm3* form, TLabel*& label, const char* caption, int32_t x, int32_t y, int32_t w)
{
    label = MakeControl<TLabel>(form, form, x, y - 17, w, 17);
    label->SetCaption(caption);
    return MakeControl<T>(form, form, x, y, w, 23);
}

TComboBox* MakeList(TForm3* form, TLabel*& label, const char* caption, const char* items, int32_t x, int32_t y,
                    int32_t w)
{
    auto* box = MakeTitled<TComboBox>(form, label, caption, x, y, w);
    box->SetStyle(csDropDownList);
    box->Items()->SetText(items);
    return box;
}

TButton* MakeButton(TForm3* form, const char* caption, int32_t x, int32_t y, int32_t w)
{
    auto* button = MakeControl<TButton>(form, form, x, y, w, 25);
    button->SetCaption(caption);
    return button;
}

std::string CardFile(int32_t id) { return "\\cards\\" + IntToStr(id) + ".crd"; }
std::string ScriptFile(int32_t id) { return "\\cards\\" + IntToStr(id) + "_script.txt"; }

// The card list and the "All" command stop at the card table's end, even with files beyond it.
constexpr int32_t cLastCard = 1000;

} // namespace

TForm3::TForm3(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Card editor");
    SetFormStyle(fsStayOnTop);
    SetClientWidth(463);
    SetClientHeight(471);
    // The game's start-up has chosen its language by the time the window is made.
    cardeditlng = lng;

    ComboBox2 = MakeControl<TComboBox>(this, this, 8, 8, 200, 23);
    ComboBox2->SetText("Edit");
    Edit1 = MakeControl<TEdit>(this, this, 216, 8, 48, 23);
    Edit1->SetText("0");
    LabeledEdit9 = MakeLabeled(this, "Name", 8, 56, 200);

    LabeledEdit1 = MakeLabeled(this, "mc", 8, 96, 48);
    LabeledEdit2 = MakeLabeled(this, "hpc", 64, 96, 48);
    Edit4 = MakeTitled<TEdit>(this, Label1, "dmg min", 120, 96, 56);
    LabeledEdit3 = MakeLabeled(this, "dmg max", 184, 96, 56);
    LabeledEdit4 = MakeLabeled(this, "dmgperc", 248, 96, 56);

    LabeledEdit5 = MakeLabeled(this, "addhp", 8, 136, 48);
    LabeledEdit6 = MakeLabeled(this, "addmp", 64, 136, 48);
    LabeledEdit7 = MakeLabeled(this, "add effect", 120, 136, 56);
    ComboBox3 = MakeControl<TComboBox>(this, this, 184, 136, 120, 23);
    ComboBox3->SetText("ComboBox3");

    LabeledEdit8 = MakeLabeled(this, "effect length", 8, 176, 72);
    LabeledEdit12 = MakeLabeled(this, "effect strgth", 88, 176, 72);
    CheckBox1 = MakeControl<TCheckBox>(this, this, 168, 168, 130, 19);
    CheckBox1->SetCaption("accum. effect");
    CheckBox2 = MakeControl<TCheckBox>(this, this, 168, 188, 130, 19);
    CheckBox2->SetCaption("monster only");

    ComboBox4 = MakeList(this, Label2, "direction", "self\ntarget", 8, 224, 80);
    ComboBox1 = MakeList(this, Label3, "governing skill", "sword\nbow\nmagic\narmor", 96, 224, 96);
    CheckBox3 = MakeControl<TCheckBox>(this, this, 200, 226, 80, 19);
    CheckBox3->SetCaption("AOE");

    LabeledEdit10 = MakeLabeled(this, "bonus vs", 8, 272, 64);
    LabeledEdit11 = MakeLabeled(this, "bonus amount (%)", 80, 272, 104);
    Edit3 = MakeTitled<TEdit>(this, Label4, "consumes", 192, 272, 64);
    Edit3->SetText("-1");

    ComboBox5 = MakeList(this, Label5, "element", "Neutral\nEarth\nAir\nWater\nFire", 8, 318, 96);
    Edit5 = MakeTitled<TEdit>(this, Label6, "sound", 112, 318, 96);
    Edit5->SetText("0");

    Button1 = MakeButton(this, "load", 8, 348, 56);
    Button2 = MakeButton(this, "save", 68, 348, 56);
    Button12 = MakeButton(this, "save script", 128, 348, 80);
    Button10 = MakeButton(this, "orr", 212, 348, 40);
    Button11 = MakeButton(this, "get local name", 8, 440, 100);
    Memo1 = MakeTitled<TMemo>(this, Label7, "script", 8, 396, 296);
    Memo1->SetHeight(40);
    Memo1->SetScrollBars(ssVertical);

    Image1 = MakeControl<TImage>(this, this, 315, 8, 140, 220);
    Button3 = MakeButton(this, "Make card image", 315, 236, 140);
    Button4 = MakeButton(this, "Save", 315, 266, 68);
    Button5 = MakeButton(this, "All", 387, 266, 68);
    Button7 = MakeButton(this, "title font", 315, 296, 68);
    Button8 = MakeButton(this, "text font", 387, 296, 68);
    Button6 = MakeButton(this, "Refr.", 315, 326, 68);
    Edit2 = MakeTitled<TEdit>(this, Label8, "loc", 315, 376, 68);
    Edit2->SetText("en");
    Button9 = MakeButton(this, "ok", 387, 375, 68);

    FontDialog1 = new TFontDialog(this);
    FontDialog2 = new TFontDialog(this);
    SetDefaultCardFonts(*FontDialog1->Font(), *FontDialog2->Font());
    cardtitlefont = FontDialog1->Font();
    cardtextfont = FontDialog2->Font();

    FBindings.Text(LabeledEdit9, &card::name)
        .Number(LabeledEdit1, &card::mc)
        .Number(LabeledEdit2, &card::hpc)
        .Number(LabeledEdit3, &card::dmgph)
        .Number(LabeledEdit4, &card::dmgperc)
        .Number(LabeledEdit5, &card::addhp)
        .Number(LabeledEdit6, &card::addmp)
        .Number(LabeledEdit7, &card::addeffect)
        .Number(LabeledEdit8, &card::efflgth)
        .Index(ComboBox1, &card::govskill)
        .Number(LabeledEdit10, &card::bont)
        .Number(LabeledEdit11, &card::bonam)
        .Number(LabeledEdit12, &card::effstrgth)
        .Index(ComboBox4, &card::effdir)
        .Number(Edit3, &card::consumes)
        .Number(Edit4, &card::mindam)
        .Index(ComboBox5, &card::element)
        .Text(Edit5, &card::sound)
        .Check(CheckBox3, &card::AOE);
    FChecks.Check(CheckBox1, &card::accum).Check(CheckBox2, &card::monly);

    Button1->OnClick = [this](TObject* Sender) { Button1Click(Sender); };
    Button2->OnClick = [this](TObject* Sender) { Button2Click(Sender); };
    Button3->OnClick = [this](TObject* Sender) { Button3Click(Sender); };
    Button4->OnClick = [this](TObject* Sender) { Button4Click(Sender); };
    Button5->OnClick = [this](TObject* Sender) { Button5Click(Sender); };
    Button6->OnClick = [this](TObject* Sender) { Button6Click(Sender); };
    Button7->OnClick = [this](TObject* Sender) { Button7Click(Sender); };
    Button8->OnClick = [this](TObject* Sender) { Button8Click(Sender); };
    Button9->OnClick = [this](TObject* Sender) { Button9Click(Sender); };
    Button10->OnClick = [this](TObject* Sender) { Button10Click(Sender); };
    Button12->OnClick = [this](TObject* Sender) { Button12Click(Sender); };
    CheckBox1->OnClick = [this](TObject* Sender) { CheckBox1Click(Sender); };
    CheckBox2->OnClick = [this](TObject* Sender) { CheckBox2Click(Sender); };
    ComboBox2->OnChange = [this](TObject* Sender) { ComboBox2Change(Sender); };
    ComboBox3->OnChange = [this](TObject* Sender) { ComboBox3Change(Sender); };
    LabeledEdit7->OnChange = [this](TObject* Sender) { LabeledEdit7Change(Sender); };
    Timer1 = MakeShownTimer(*this, 1000, [this](TObject* Sender) { Timer1Timer(Sender); },
                            [this](TObject* Sender) { FormShow(Sender); });
}

void TForm3::MakeCard(const card& crd, int32_t id, bool s)
{
    if (s) PlainNameOf(cardeditlng, "loc");
    const TCardStyle style{cardtitlefont, cardtextfont, &cardeditstrs, cardeditlng};
    RenderCard(crd, id, s, style, [this](TBitmap& variant) {
        const TRect shown{0, 0, variant.Width(), variant.Height()};
        Image1->Canvas()->CopyRect(shown, variant.Canvas(), shown);
    });
}

void TForm3::FormShow(TObject*)
{
    cardtitlefont = FontDialog1->Font();
    cardtextfont = FontDialog2->Font();

    TStrings& cards = *ComboBox2->Items();
    cards.BeginUpdate();
    cards.Clear();
    for (int32_t id = 0; id <= cLastCard; ++id) {
        const std::string file = GamePath(CardFile(id));
        if (!DataFileExists(file)) break;
        card listed;
        try {
            listed = LoadCard(file, lng);
        } catch (const Exception&) {
            // An unreadable card keeps its place in the list, without a name.
        }
        cards.Add(listed.name);
    }
    cards.EndUpdate();

    TStrings& effects = *ComboBox3->Items();
    effects.BeginUpdate();
    effects.Clear();
    for (int32_t k = 0;; ++k) {
        effects.Add(TForm1::GetETypeName(k, strarr));
        if (TForm1::GetETypeName(k + 1, strarr) == "--none--") break;
    }
    effects.EndUpdate();

    Edit2->SetText(cardeditlng);
}

int32_t TForm3::CardId() { return BoxNumber(*Edit1, "card id", 0, cLastCard); }

void TForm3::LoadCardOfBox()
{
    const int32_t id = CardId();
    cardwork = LoadCard(GamePath(CardFile(id)), cardeditlng);
    FBindings.Show(cardwork);
    FChecks.Show(cardwork);
    const std::string script = ScriptFile(id);
    AssignLines(*Memo1->Lines(),
                DataFileExists(GamePath(script)) ? ReadDataLines(script, cardeditlng) : std::vector<std::string>{});
}

void TForm3::MakeCardOfBox(bool s) { MakeCard(cardwork, CardId(), s); }

void TForm3::Button1Click(TObject*)
{
    EditorCommand([this] { LoadCardOfBox(); });
}

void TForm3::Button2Click(TObject*)
{
    EditorCommand([this] { SaveCard(cardwork, GamePath(CardFile(CardId()))); });
}

void TForm3::Button3Click(TObject*)
{
    EditorCommand([this] { MakeCardOfBox(false); });
}

void TForm3::Button4Click(TObject*)
{
    EditorCommand([this] { MakeCardOfBox(true); });
}

void TForm3::Button5Click(TObject*)
{
    EditorCommand([this] {
        const int32_t count = std::min(ComboBox2->Items()->Count(), cLastCard + 1);
        for (int32_t id = 0; id < count; ++id) {
            cardwork = LoadCard(GamePath(CardFile(id)), cardeditlng);
            MakeCard(cardwork, id, true);
        }
    });
}

void TForm3::Button6Click(TObject*)
{
    Hide();
    Show();
}

void TForm3::Button7Click(TObject*)
{
    if (FontDialog1->Execute()) cardtitlefont = FontDialog1->Font();
}

void TForm3::Button8Click(TObject*)
{
    if (FontDialog2->Execute()) cardtextfont = FontDialog2->Font();
}

void TForm3::Button9Click(TObject*)
{
    EditorCommand([this] {
        const std::string language = BoxPlainName(*Edit2, "loc");
        fillstrarr(language, cardeditstrs);
        cardeditlng = language;
    });
}

void TForm3::Button10Click(TObject*)
{
    EditorCommand([this] {
        const std::string language = PlainNameOf(cardeditlng, "loc");
        SaveDataLine(LabeledEdit9->Text(),
                     "\\text\\" + language + "\\overrides\\spells\\" + IntToStr(CardId()) + ".txt");
    });
}

void TForm3::Button12Click(TObject*)
{
    EditorCommand([this] { SaveDataLines(*Memo1->Lines(), ScriptFile(CardId())); });
}

void TForm3::CheckBox1Click(TObject*) { cardwork.accum = CheckBox1->Checked(); }

void TForm3::CheckBox2Click(TObject*) { cardwork.monly = CheckBox2->Checked(); }

void TForm3::ComboBox2Change(TObject*)
{
    Edit1->SetText(IntToStr(ComboBox2->ItemIndex()));
    try {
        LoadCardOfBox();
        MakeCardOfBox(false);
    } catch (const std::exception&) {
    }
}

void TForm3::ComboBox3Change(TObject*) { LabeledEdit7->SetText(IntToStr(ComboBox3->ItemIndex())); }

void TForm3::LabeledEdit7Change(TObject*)
{
    int32_t type = 0;
    if (TryStrToInt(LabeledEdit7->Text(), type)) ComboBox3->SetText(TForm1::GetETypeName(type, strarr));
}

void TForm3::Timer1Timer(TObject*) { FBindings.Copy(cardwork); }
