#include "UGHSplash.h"

#include "UGH_data.h"
#include "UGH_log.h"
#include "UGH_main.h"

#include "GLApplicationFileIO.h"
#include "Graphics.h"
#include "JPEG.h"
#include "Streams.h"

TForm10* Form10 = nullptr;

namespace {

constexpr int32_t cWidth = 450, cHeight = 300;
constexpr int32_t cMargin = 8, cMemoHeight = 44, cBarHeight = 14;

} // namespace

TForm10::TForm10(TComponent* AOwner) : TForm(AOwner)
{
    SetBorderStyle(bsNone);
    SetPosition(poScreenCenter);
    SetClientWidth(cWidth);
    SetClientHeight(cHeight);

    Image1 = new TImage(this);
    Image1->SetParent(this);
    Image1->SetAlign(alClient);
    // The status and the progress lie over the foot of the picture.
    Memo1 = new TMemo(this);
    Memo1->SetParent(this);
    Memo1->SetReadOnly(true);
    Memo1->SetBounds(cMargin, cHeight - cMargin - cBarHeight - cMargin - cMemoHeight, cWidth - 2 * cMargin,
                     cMemoHeight);
    ProgressBar1 = new TProgressBar(this);
    ProgressBar1->SetParent(this);
    ProgressBar1->SetMax(15);
    ProgressBar1->SetSmooth(true);
    ProgressBar1->SetBounds(cMargin, cHeight - cMargin - cBarHeight, cWidth - 2 * cMargin, cBarHeight);
    Timer1 = new TTimer(this);
    Timer1->SetInterval(55);
    Timer1->SetOnTimer([this](TObject* Sender) { Timer1Timer(Sender); });

    FormCreate(this);
}

void TForm10::FormCreate(TObject*)
{
    const std::string fileName = GamePath("\\textures\\splashscreen.jpg");
    TJPEGImage picture;
    try {
        const auto stream = CreateHookedFileStream(fileName, fmOpenRead | fmShareDenyNone);
        picture.LoadFromStream(*stream);
    } catch (const Exception& e) {
        GameLog(fileName + ": the splash picture could not be read: " + e.Message());
        return;
    }
    Image1->Picture()->Bitmap()->SetSize(picture.Width(), picture.Height());
    Image1->Canvas()->StretchDraw(Image1->ClientRect(), &picture);
}

void TForm10::Timer1Timer(TObject*)
{
    SetVisible(loading);
    if (Memo1->Text() != loadstatus) Memo1->SetText(loadstatus);
    ProgressBar1->SetPosition(loadstage);
}

void TForm10::SetVisible(bool Value)
{
    TForm::SetVisible(Value && loading);
}
