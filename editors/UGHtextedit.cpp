#include "UGHtextedit.h"

#include "UGH_data.h"
#include "UGH_editfields.h"
#include "UGH_tables.h"

#include "SysUtils.h"


TForm8* Form8 = nullptr;

namespace {

// The memo below the header takes the window's height but this.
constexpr int32_t cMemo2Margin = 96;

} // namespace

TForm8::TForm8(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Text Edit");
    SetClientWidth(640);
    SetClientHeight(480);

    Label1 = MakeControl<TLabel>(this, this, 8, 8, 60, 17);
    Label1->SetCaption("id");
    Edit1 = MakeControl<TEdit>(this, this, 8, 24, 70, 23);
    Edit1->SetText("0");
    Label2 = MakeControl<TLabel>(this, this, 86, 8, 60, 17);
    Label2->SetCaption("locale");
    Edit2 = MakeControl<TEdit>(this, this, 86, 24, 70, 23);
    Edit2->SetText("en");
    CheckBox1 = MakeControl<TCheckBox>(this, this, 8, 56, 150, 19);
    CheckBox1->SetCaption("Plain text");
    CheckBox2 = MakeControl<TCheckBox>(this, this, 8, 78, 150, 19);
    CheckBox2->SetCaption("Script");
    CheckBox3 = MakeControl<TCheckBox>(this, this, 8, 100, 150, 19);
    CheckBox3->SetCaption("Journal");
    Button2 = MakeControl<TButton>(this, this, 8, 128, 70, 25);
    Button2->SetCaption("load");
    Button1 = MakeControl<TButton>(this, this, 86, 128, 70, 25);
    Button1->SetCaption("save");
    Button3 = MakeControl<TButton>(this, this, 8, 160, 148, 25);
    Button3->SetCaption("show strarr");
    Button4 = MakeControl<TButton>(this, this, 8, 192, 148, 25);
    Button4->SetCaption("freejrn");

    Label3 = MakeControl<TLabel>(this, this, 166, 0, 100, 17);
    Label3->SetCaption("Header");
    Memo1 = MakeControl<TMemo>(this, this, 166, 16, 466, 56);
    Label4 = MakeControl<TLabel>(this, this, 166, 76, 100, 17);
    Label4->SetCaption("Text");
    Memo2 = MakeControl<TMemo>(this, this, 166, cMemo2Margin - 4, 466, ClientHeight() - cMemo2Margin);
    Memo2->SetScrollBars(ssBoth);


    Button1->OnClick = [this](TObject* Sender) { Button1Click(Sender); };
    Button2->OnClick = [this](TObject* Sender) { Button2Click(Sender); };
    Button3->OnClick = [this](TObject* Sender) { Button3Click(Sender); };
    Button4->OnClick = [this](TObject* Sender) { Button4Click(Sender); };
    OnResize = [this](TObject* Sender) { FormResize(Sender); };
    Timer1 = MakeShownTimer(*this, 1000, [this](TObject* Sender) { Timer1Timer(Sender); });
}

std::vector<TForm8::TTextFile> TForm8::TextFiles()
{
    const std::string id = BoxPlainName(*Edit1, "id");
    const std::string texts = "\\text\\" + BoxPlainName(*Edit2, "locale") + "\\";
    const std::string language = Edit2->Text();
    if (!CheckBox1->Checked())
        return {{Memo1, texts + "txt_" + id + "_h.txt", language}, {Memo2, texts + "txt_" + id + ".txt", language}};
    std::vector<TTextFile> files;
    if (CheckBox2->Checked()) files.push_back({Memo2, "\\scripts\\" + id + ".txt", lng});
    if (CheckBox3->Checked()) files.push_back({Memo2, texts + "journal\\jrn_" + id + ".txt", language});
    if (files.empty()) files.push_back({Memo2, texts + id + ".txt", language});
    return files;
}

int32_t TForm8::getfreejrn()
{
    const std::string journal = "\\text\\" + BoxPlainName(*Edit2, "locale") + "\\journal\\jrn_";
    int32_t n = 0;
    while (DataFileExists(GamePath(journal + IntToStr(n) + ".txt"))) ++n;
    return n;
}

void TForm8::OpenJournal(const std::string& id)
{
    CheckBox1->SetChecked(true);
    CheckBox2->SetChecked(false);
    CheckBox3->SetChecked(true);
    Edit1->SetText(id);
    Show();
    Button2Click(this);
}

void TForm8::Button1Click(TObject*)
{
    EditorCommand([this] {
        for (const TTextFile& file : TextFiles()) SaveDataLines(*file.Memo->Lines(), file.Path);
    });
}

void TForm8::Button2Click(TObject*)
{
    EditorCommand([this] {
        const std::vector<TTextFile> files = TextFiles();
        std::vector<std::vector<std::string>> texts;
        for (const TTextFile& file : files) texts.push_back(ReadDataLines(file.Path, file.Language));
        for (std::size_t i = 0; i < files.size(); ++i) AssignLines(*files[i].Memo->Lines(), texts[i]);
    });
}

void TForm8::Button3Click(TObject*)
{
    std::string text;
    for (int32_t i = 0; i <= 10000; ++i) text += IntToStr(i) + ") " + strarr[i] + "\r\n";
    Memo2->Lines()->SetText(text);
}

void TForm8::Button4Click(TObject*)
{
    EditorCommand([this] { Edit1->SetText(IntToStr(getfreejrn())); });
}

void TForm8::FormResize(TObject*) { Memo2->SetHeight(ClientHeight() - cMemo2Margin); }

void TForm8::Timer1Timer(TObject*)
{
    const bool plain = CheckBox1->Checked();
    Memo1->SetEnabled(!plain);
    CheckBox2->SetEnabled(plain);
    CheckBox3->SetEnabled(plain);
}
