// The variable editor: reads and sets one of the scripts' integer or text variables while the game runs.
#pragma once

#include "Forms.h"
#include "StdCtrls.h"

class TForm6 : public TForm {
public:
    explicit TForm6(TComponent* AOwner);

    // read: the value box := intvars[id] in decimal, or strvars[id].
    void Button1Click(TObject* Sender);
    // set: intvars[id] := the value box's whole number, or strvars[id] := its text. A bad id or number sets nothing
    // and names its box.
    void Button2Click(TObject* Sender);

    TLabel *Label1 = nullptr, *Label2 = nullptr;
    TEdit* Edit1 = nullptr; // "var id"
    TEdit* Edit2 = nullptr; // the value
    TRadioButton* RadioButton1 = nullptr; // "int"
    TRadioButton* RadioButton2 = nullptr; // "str"
    TButton *Button1 = nullptr, *Button2 = nullptr;
};

extern TForm6* Form6;
