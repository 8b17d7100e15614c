// The font dialog component: shows its font in the program's font dialog and takes the user's choice.
#pragma once

#include "Components.h"
#include "Graphics.h"

#include <memory>

class TFontDialog : public TComponent {
public:
    explicit TFontDialog(TComponent* AOwner);
    ~TFontDialog() override;

    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    // Shows the font (name, size, style and colour) in the font dialog behind the dialog hook; true with the
    // chosen font taken into Font (one change) on OK, false with Font unchanged on cancel.
    bool Execute();

private:
    std::unique_ptr<TFont> FFont;
};
