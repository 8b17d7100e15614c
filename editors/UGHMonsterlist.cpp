#include "UGHMonsterlist.h"

#include "UGH_data.h"
#include "UGH_editfields.h"
#include "UGH_tables.h"

TForm13* Form13 = nullptr;

namespace {

void SetAllMonsters(bool allowed)
{
    for (bool& flag : mapmonsters) flag = allowed;
}

} // namespace

TForm13::TForm13(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("monster list");
    SetClientWidth(260);
    SetClientHeight(400);

    CheckListBox1 = MakeControl<TCheckListBox>(this, this, 8, 8, 160, 384);
    Button1 = MakeControl<TButton>(this, this, 176, 8, 76, 25);
    Button1->SetCaption("Read");
    Button2 = MakeControl<TButton>(this, this, 176, 40, 76, 25);
    Button2->SetCaption("Save");
    Button3 = MakeControl<TButton>(this, this, 176, 88, 76, 25);
    Button3->SetCaption("sel all");
    Button4 = MakeControl<TButton>(this, this, 176, 120, 76, 25);
    Button4->SetCaption("clr all");

    Button1->OnClick = [this](TObject* Sender) { Button1Click(Sender); };
    Button2->OnClick = [this](TObject* Sender) { Button2Click(Sender); };
    Button3->OnClick = [this](TObject* Sender) { Button3Click(Sender); };
    Button4->OnClick = [this](TObject* Sender) { Button4Click(Sender); };
    CheckListBox1->OnClickCheck = [this](TObject* Sender) { CheckListBox1ClickCheck(Sender); };
}

void TForm13::FillList()
{
    TStrings& lines = *CheckListBox1->Items();
    lines.BeginUpdate();
    lines.Clear();
    for (int32_t i = 0; i <= 100; ++i) lines.Add(NumberedLine(i, monsters[i].name));
    lines.EndUpdate();
    for (int32_t i = 0; i <= 100; ++i) {
        FShown[static_cast<std::size_t>(i)] = mapmonsters[i];
        CheckListBox1->SetChecked(i, mapmonsters[i]);
    }
}

void TForm13::Button1Click(TObject*)
{
    EditorCommand([this] {
        LoadMonsterList();
        FillList();
    });
}

void TForm13::Button2Click(TObject*)
{
    EditorCommand([] { SaveMonsterList(); });
}

void TForm13::Button3Click(TObject*)
{
    SetAllMonsters(true);
    FillList();
}

void TForm13::Button4Click(TObject*)
{
    SetAllMonsters(false);
    FillList();
}

void TForm13::CheckListBox1ClickCheck(TObject*)
{
    // The flags may have changed since the list was filled (another level read): only the line clicked counts.
    if (CheckListBox1->Items()->Count() != static_cast<int>(FShown.size())) return;
    for (int32_t i = 0; i <= 100; ++i) {
        bool& shown = FShown[static_cast<std::size_t>(i)];
        if (CheckListBox1->Checked(i) == shown) continue;
        shown = !shown;
        mapmonsters[i] = shown;
    }
}
