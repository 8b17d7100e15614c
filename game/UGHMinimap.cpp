#include "UGHMinimap.h"

TForm12* Form12 = nullptr;

TForm12::TForm12(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Map");
    SetClientWidth(400);
    SetClientHeight(400);
    SetBorderStyle(bsSingle);
    SetFormStyle(fsStayOnTop);

    Image1 = new TImage(this);
    Image1->SetParent(this);
    Image1->SetAlign(alClient);
    // The whole map fits the window.
    Image1->SetStretch(true);
}
