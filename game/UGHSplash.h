// The splash window: the start-up's picture, status line and progress, shown while the game loads.
#pragma once

#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

class TForm10 : public TForm {
public:
    explicit TForm10(TComponent* AOwner);

    // Draws "\textures\splashscreen.jpg", stretched over the window. Without a readable picture the splash
    // shows its status without one (logged).
    void FormCreate(TObject* Sender);
    // Every 55 ms for the whole run: shown exactly while the game loads, with its status line and stage.
    void Timer1Timer(TObject* Sender);

    // The window can only be shown while the game loads.
    void SetVisible(bool Value) override;

    TImage* Image1 = nullptr;
    TMemo* Memo1 = nullptr;
    TProgressBar* ProgressBar1 = nullptr;
    TTimer* Timer1 = nullptr;
};

extern TForm10* Form10;
