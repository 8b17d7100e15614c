#include "UGHBattlelog.h"

#include "UGH_tables.h"

TForm9* Form9 = nullptr;

namespace {
constexpr int32_t cPanelHeight = 41;
} // namespace

TForm9::TForm9(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Battle log");
    SetClientWidth(246);
    SetClientHeight(560);
    SetFormStyle(fsStayOnTop);

    Panel1 = new TPanel(this);
    Panel1->SetParent(this);
    Panel1->SetHeight(cPanelHeight);
    Panel1->SetAlign(alTop);

    Button1 = new TButton(this);
    Button1->SetParent(Panel1);
    Button1->SetBounds(8, 8, 75, 25);
    Button1->SetCaption("Clear");
    Button1->OnClick = [this](TObject* Sender) { Button1Click(Sender); };

    Memo1 = new TMemo(this);
    Memo1->SetParent(this);
    Memo1->SetAlign(alClient);
    Memo1->SetReadOnly(true);
    Memo1->SetScrollBars(ssVertical);

    OnShow = [this](TObject* Sender) { FormShow(Sender); };
}

void TForm9::FormShow(TObject*)
{
    SetCaption(strarr[131]);
    Button1->SetCaption(strarr[144]);
}

void TForm9::Button1Click(TObject*)
{
    Memo1->Clear();
}
