// The battle-log window: a small stay-on-top window whose read-only memo collects the battle's messages, with
// a button above it that clears them.
#pragma once

#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

class TForm9 : public TForm {
public:
    explicit TForm9(TComponent* AOwner);

    // The captions come from the string table, which is read after the window is made.
    void FormShow(TObject* Sender);
    void Button1Click(TObject* Sender);

    TPanel* Panel1 = nullptr;
    TButton* Button1 = nullptr;
    TMemo* Memo1 = nullptr;
};

extern TForm9* Form9;
