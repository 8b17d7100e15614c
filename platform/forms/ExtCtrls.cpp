#include "ExtCtrls.h"

#include "BitmapImage.h"
#include "ControlWidget.h"
#include "Forms.h"
#include "Windows.h"

#include <QtGui/QPixmap>
#include <QtWidgets/QLabel>

#include <algorithm>

// The label that shows an image's picture; it takes a changed picture as it paints, so that drawing on the
// image's canvas shows without telling it.
class TImageLabel : public QLabel {
public:
    TImageLabel(TImage& Image, QWidget* Parent) : QLabel(Parent), FImage(Image)
    {
        setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }

protected:
    void paintEvent(QPaintEvent* Event) override
    {
        Guarded(&FImage, [this] { FImage.RefreshPixmap(); });
        QLabel::paintEvent(Event);
    }

private:
    TImage& FImage;
};

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner)
{
    FWindowHandle = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
}

TTimer::~TTimer()
{
    FEnabled = false;
    KillTimer(FWindowHandle, 1);
    DeallocateHWnd(FWindowHandle);
}

void TTimer::SetEnabled(bool Value)
{
    if (Value == FEnabled) return;
    FEnabled = Value;
    UpdateTimer();
}

void TTimer::SetInterval(uint32_t Value)
{
    if (Value == FInterval) return;
    FInterval = Value;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Value)
{
    FOnTimer = std::move(Value);
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    KillTimer(FWindowHandle, 1);
    if (FInterval != 0 && FEnabled && FOnTimer)
        if (SetTimer(FWindowHandle, 1, FInterval) == 0) throw EOutOfResources("Not enough timers available");
}

void TTimer::WndProc(TMessage& Message)
{
    if (Message.Msg != WM_TIMER) return;
    try {
        if (FEnabled && FOnTimer) FOnTimer(this);
    } catch (...) {
        if (!Application) throw;
        Application->HandleException(this);
    }
}

// TImage

TImage::TImage(TComponent* AOwner) : TWinControl(AOwner), FPicture(std::make_unique<TPicture>())
{
    FPicture->OnChange = [this](TObject*) { PictureChanged(); };
    SetBounds(0, 0, 105, 105);
}

TImage::~TImage()
{
    // The label paints from the picture: it goes first.
    DestroyWnd();
}

TCanvas* TImage::Canvas()
{
    TGraphic* graphic = FPicture->Graphic();
    if (graphic && !dynamic_cast<TBitmap*>(graphic))
        throw EInvalidGraphic("Can only modify an image if it contains a bitmap");
    TBitmap* bitmap = FPicture->Bitmap();
    if (!graphic) bitmap->SetSize(Width(), Height());
    PictureChanged();
    return bitmap->Canvas();
}

void TImage::Invalidate() { PictureChanged(); }

void TImage::SetStretch(bool Value)
{
    FStretch = Value;
    if (auto* label = ContentWidget<TImageLabel>(Widget())) label->setScaledContents(Value);
}

void TImage::CreateWnd()
{
    TWinControl::CreateWnd();
    auto* label = AddContentWidget<TImageLabel>(Widget(), *this);
    label->setScaledContents(FStretch);
    PictureChanged();
}

void TImage::PictureChanged()
{
    FPixmapStale = true;
    if (auto* label = ContentWidget<TImageLabel>(Widget())) label->update();
}

void TImage::RefreshPixmap()
{
    if (!FPixmapStale) return;
    FPixmapStale = false;
    auto* label = ContentWidget<TImageLabel>(Widget());
    TGraphic* graphic = FPicture->Graphic();
    if (!label) return;
    if (!graphic || graphic->Empty()) {
        label->setPixmap(QPixmap());
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(graphic)) {
        label->setPixmap(QPixmap::fromImage(WrapBitmap(*bitmap)));
        return;
    }
    TBitmap drawn; // other kinds draw themselves into a bitmap
    drawn.Assign(graphic);
    label->setPixmap(QPixmap::fromImage(WrapBitmap(drawn)));
}

// TPanel

TPanel::TPanel(TComponent* AOwner) : TWinControl(AOwner) { SetBounds(0, 0, 185, 41); }

void TPanel::SetCaption(const std::string& Value)
{
    FCaption = Value;
    if (auto* face = ContentWidget<QLabel>(Widget())) face->setText(ToQString(Value));
}

void TPanel::CreateWnd()
{
    TWinControl::CreateWnd();
    auto* face = AddContentWidget<QLabel>(Widget(), ToQString(FCaption));
    face->setFrameStyle(QFrame::Panel | QFrame::Raised);
    face->setAlignment(Qt::AlignCenter);
    face->setAutoFillBackground(true);
}

// TSplitter

TSplitter::TSplitter(TComponent* AOwner) : TWinControl(AOwner)
{
    SetBounds(0, 0, 3, 100);
    SetAlign(alLeft);
}

TWinControl* TSplitter::Sized() const
{
    if (!Parent()) return nullptr;
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        TWinControl* c = Parent()->Controls(i);
        if (c == this || c->Align() != Align() || !c->Visible()) continue;
        const bool touches = Align() == alLeft     ? c->Left() + c->Width() == Left()
                             : Align() == alRight  ? Left() + Width() == c->Left()
                             : Align() == alTop    ? c->Top() + c->Height() == Top()
                             : Align() == alBottom ? Top() + Height() == c->Top()
                                                   : false;
        if (touches) return c;
    }
    return nullptr;
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    TWinControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    FSized = Sized();
    FDownAt = Horizontal() ? Y : X;
}

void TSplitter::MouseMove(TShiftState Shift, int32_t X, int32_t Y)
{
    TWinControl::MouseMove(Shift, X, Y);
    if (!FSized || !Shift.Contains(ssLeft)) return;
    // The splitter follows the sized control, so each move counts from where the press was on it.
    int32_t delta = (Horizontal() ? Y : X) - FDownAt;
    if (Align() == alRight || Align() == alBottom) delta = -delta;
    if (Horizontal())
        FSized->SetBounds(FSized->Left(), FSized->Top(), FSized->Width(), std::max(FMinSize, FSized->Height() + delta));
    else
        FSized->SetBounds(FSized->Left(), FSized->Top(), std::max(FMinSize, FSized->Width() + delta), FSized->Height());
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    TWinControl::MouseUp(Button, Shift, X, Y);
    if (Button != mbLeft || !FSized) return;
    FSized = nullptr;
    if (OnMoved) OnMoved(this);
}

// TLabeledEdit

// The label of a labeled edit: when its caption gives it another height, it goes back above its box, so that
// the text's bottom stays LabelSpacing pixels over the box whatever the order of caption and bounds.
class TBoundLabel final : public TLabel {
public:
    explicit TBoundLabel(TLabeledEdit& Edit) : TLabel(&Edit), FEdit(Edit) {}

    void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override
    {
        const bool heightChanged = AHeight != Height();
        TLabel::SetBounds(ALeft, ATop, AWidth, AHeight);
        if (heightChanged) FEdit.PlaceLabel();
    }

private:
    TLabeledEdit& FEdit;
};

TLabeledEdit::TLabeledEdit(TComponent* AOwner) : TEdit(AOwner), FEditLabel(new TBoundLabel(*this))
{
    FEditLabel->SetSubComponent(true);
    PlaceLabel();
}

void TLabeledEdit::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight)
{
    TEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
    PlaceLabel();
}

void TLabeledEdit::SetParent(TWinControl* AParent)
{
    TEdit::SetParent(AParent);
    if (!FEditLabel) return;
    FEditLabel->SetParent(AParent);
    PlaceLabel();
}

void TLabeledEdit::SetVisible(bool Value)
{
    TEdit::SetVisible(Value);
    if (FEditLabel) FEditLabel->SetVisible(Value);
}

void TLabeledEdit::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove && AComponent == FEditLabel) FEditLabel = nullptr;
    TEdit::Notification(AComponent, Operation);
}

void TLabeledEdit::PlaceLabel()
{
    if (!FEditLabel) return;
    const int32_t height = FEditLabel->Height();
    FEditLabel->SetBounds(Left(), Top() - height - LabelSpacing, FEditLabel->Width(), height);
}
