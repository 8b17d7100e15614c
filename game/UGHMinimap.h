// The map window: a small stay-on-top window that shows the explored level as the minimap draws it.
#pragma once

#include "ExtCtrls.h"
#include "Forms.h"

class TForm12 : public TForm {
public:
    explicit TForm12(TComponent* AOwner);

    TImage* Image1 = nullptr;
};

extern TForm12* Form12;
