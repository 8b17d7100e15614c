#include "Utalismanedit.h"

#include "UGH_editfields.h"
#include "UGH_tables.h"

#include "SysUtils.h"

TForm6* Form6 = nullptr;

namespace {

int32_t VariableId(TEdit& box) { return BoxNumber(box, "var id", 0, 1000); }

} // namespace

TForm6::TForm6(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Variable editor");
    SetBorderStyle(bsSingle);
    SetClientWidth(260);
    SetClientHeight(112);

    Label1 = MakeControl<TLabel>(this, this, 8, 8, 60, 17);
    Label1->SetCaption("var id");
    Edit1 = MakeControl<TEdit>(this, this, 8, 24, 80, 23);
    Edit1->SetText("0");
    RadioButton1 = MakeControl<TRadioButton>(this, this, 100, 8, 60, 19);
    RadioButton1->SetCaption("int");
    RadioButton1->SetChecked(true);
    RadioButton2 = MakeControl<TRadioButton>(this, this, 100, 30, 60, 19);
    RadioButton2->SetCaption("str");
    Label2 = MakeControl<TLabel>(this, this, 8, 54, 60, 17);
    Label2->SetCaption("value");
    Edit2 = MakeControl<TEdit>(this, this, 8, 70, 160, 23);
    Button1 = MakeControl<TButton>(this, this, 176, 8, 76, 25);
    Button1->SetCaption("read");
    Button2 = MakeControl<TButton>(this, this, 176, 68, 76, 25);
    Button2->SetCaption("set");

    Button1->OnClick = [this](TObject* Sender) { Button1Click(Sender); };
    Button2->OnClick = [this](TObject* Sender) { Button2Click(Sender); };
}

void TForm6::Button1Click(TObject*)
{
    EditorCommand([this] {
        const int32_t id = VariableId(*Edit1);
        Edit2->SetText(RadioButton1->Checked() ? IntToStr(intvars[id]) : strvars[id]);
    });
}

void TForm6::Button2Click(TObject*)
{
    EditorCommand([this] {
        const int32_t id = VariableId(*Edit1);
        if (RadioButton1->Checked())
            intvars[id] = BoxNumber(*Edit2, "value");
        else
            strvars[id] = Edit2->Text();
    });
}
