// The timer component (OnTimer every Interval milliseconds from the message loop), the picture control, the
// panel, the splitter and the edit box with its label.
#pragma once

#include "Components.h"
#include "Controls.h"
#include "Graphics.h"
#include "Messages.h"
#include "StdCtrls.h"
#include "Types.h"

#include <cstdint>
#include <memory>
#include <string>

// No platform timer could be started.
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

// Runs while Enabled, with an Interval above 0 and an OnTimer handler. An exception from the handler goes
// to the application's exception display.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    uint32_t Interval() const { return FInterval; }
    void SetInterval(uint32_t Value);
    const TNotifyEvent& OnTimer() const { return FOnTimer; }
    // Setting the handler starts or stops the timer, so it is a setter rather than a plain member.
    void SetOnTimer(TNotifyEvent Value);

private:
    // Restarts the platform timer as the settings say; raises EOutOfResources "Not enough timers available"
    // when it cannot start.
    void UpdateTimer();
    void WndProc(TMessage& Message);

    bool FEnabled = true;
    uint32_t FInterval = 1000;
    TNotifyEvent FOnTimer;
    HWND FWindowHandle = nullptr;
};

class TImageLabel;

// Shows its picture at the top-left corner, or stretched over the whole control; repaints when the picture
// changes.
class TImage : public TWinControl {
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;

    TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(TPicture* Value) { FPicture->Assign(Value); }
    // The canvas of the picture's bitmap; an empty picture first becomes a bitmap of the control's size. A
    // picture of another kind raises EInvalidGraphic "Can only modify an image if it contains a bitmap".
    // What is drawn on it shows at the next paint.
    TCanvas* Canvas();
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    // Shows the picture anew at the next paint, with what was drawn on its bitmap's canvas since.
    void Invalidate() override;

protected:
    void CreateWnd() override;

private:
    friend class TImageLabel;

    // The label shows the picture anew at its next paint.
    void PictureChanged();
    // Called by the label as it paints.
    void RefreshPixmap();

    std::unique_ptr<TPicture> FPicture;
    bool FStretch = false;
    bool FPixmapStale = true;
};

// A raised panel that holds other controls, with its caption in the middle.
class TPanel : public TWinControl {
public:
    explicit TPanel(TComponent* AOwner);

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);

protected:
    void CreateWnd() override;

private:
    std::string FCaption;
};

// A bar between aligned controls (aligned left by default) that the user drags with the mouse to size the
// control aligned before it on the same side, down to MinSize pixels; OnMoved runs as the drag ends.
class TSplitter : public TWinControl {
public:
    explicit TSplitter(TComponent* AOwner);

    int32_t MinSize() const { return FMinSize; }
    void SetMinSize(int32_t Value) { FMinSize = Value; }

    TNotifyEvent OnMoved;

protected:
    void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

private:
    // The control the splitter sizes: the one of the same alignment that touches it on the outer side.
    TWinControl* Sized() const;
    bool Horizontal() const { return Align() == alTop || Align() == alBottom; }

    int32_t FMinSize = 30;
    TWinControl* FSized = nullptr;
    int32_t FDownAt = 0;
};

// An edit box with its label above it, on the same parent: the label moves, shows and hides with the box.
class TLabeledEdit : public TEdit {
public:
    explicit TLabeledEdit(TComponent* AOwner);

    // The label, owned by the box (nullptr once something else freed it).
    TLabel* EditLabel() const { return FEditLabel; }

    void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
    void SetParent(TWinControl* AParent) override;
    void SetVisible(bool Value) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TBoundLabel;

    // Puts the label above the box, LabelSpacing pixels apart.
    void PlaceLabel();

    static constexpr int32_t LabelSpacing = 3;
    TLabel* FEditLabel;
};
