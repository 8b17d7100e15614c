// Windowed controls: a control with a window of its own inside its parent, its geometry and alignment, its
// window procedure, and the mouse, wheel and key events it forwards. Forms are windowed controls without a
// parent; TNativeControl is the child with a native window of its own that a rendering context draws on.
#pragma once

#include "Components.h"
#include "Messages.h"
#include "Sets.h"
#include "Types.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem, uint16_t>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };
// alTop and alBottom controls keep their height and take the whole width, from the edge inwards (in the
// order of their position); then alLeft and alRight controls keep their width and take the height left;
// alClient takes what is left.
enum TAlign { alNone, alTop, alBottom, alClient, alLeft, alRight };

// Cursor ids.
using TCursor = int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crHandPoint = -21;

using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int32_t X, int32_t Y)>;
// MousePos is in screen coordinates.
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int32_t WheelDelta, TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent =
    std::function<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
// Key is a virtual-key code (VirtualKeys.h); a handler that sets it to 0 ends its handling.
using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;
// Key is the character typed (a UTF-16 unit); 0 ends its handling.
using TKeyPressEvent = std::function<void(TObject* Sender, char16_t& Key)>;

class TControlWidget;
class TForm;

class TWinControl : public TComponent {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;
    // Destroys the window (and the child controls, the last first) while the object is whole.
    void BeforeDestruction() override;

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* AParent);
    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TWinControl* Controls(int Index) const;
    // The form the control lies on (itself for a form), or nullptr.
    TForm* ParentForm();

    int32_t Left() const { return FLeft; }
    int32_t Top() const { return FTop; }
    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }
    void SetLeft(int32_t Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    void SetTop(int32_t Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    void SetWidth(int32_t Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(int32_t Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    // Negative sizes become 0.
    virtual void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight);
    // The area inside the control; the same as the size (a form's frame belongs to the window manager, its menu
    // bar lies above the client area).
    int32_t ClientWidth() const { return FWidth; }
    int32_t ClientHeight() const { return FHeight; }
    void SetClientWidth(int32_t Value) { SetWidth(Value); }
    void SetClientHeight(int32_t Value) { SetHeight(Value); }
    TRect ClientRect() const { return TRect{0, 0, FWidth, FHeight}; }
    // The screen position of the client area's top-left corner.
    TPoint ClientOrigin() const;

    // An aligned control follows its parent's client area; a hidden one takes no room.
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and so are all its parents.
    bool Showing() const;

    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);

    // The text shown as a tooltip while the pointer rests over the control ("" for none).
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& Value);
    // A disabled control still paints but takes no mouse or key input.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);

    // The window, made on demand (with the parent's first).
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded() { Handle(); }
    // A new window in place of the old: the old one is destroyed (WM_DESTROY, the destroy hooks) first.
    void RecreateWnd();
    // Asks for a repaint.
    virtual void Invalidate();
    void SetFocus();

    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelDown, OnMouseWheelUp;
    TNotifyEvent OnClick, OnDblClick, OnMouseEnter, OnMouseLeave, OnResize;
    TKeyEvent OnKeyDown, OnKeyUp;
    TKeyPressEvent OnKeyPress;

protected:
    // Makes the window: the Qt widget, its handle, then the handles of the child controls.
    virtual void CreateWnd();
    // Destroys the window and those of the child controls; their controls stay.
    virtual void DestroyWnd();
    // The window procedure. The base handles WM_SIZE (realigns the children, then Resize), WM_PAINT (Paint),
    // CM_MOUSEENTER / CM_MOUSELEAVE (the events), WM_KEYDOWN, WM_KEYUP and WM_CHAR (the key path below, with
    // the modifiers held at the time), the mouse messages (the mouse path below) and WM_DESTROY; other messages
    // answer 0.
    virtual void WndProc(TMessage& Message);
    // True for a control that needs a native window of its own (forms have one anyway).
    virtual bool NeedsNativeWindow() const { return false; }
    // True when Qt paints the control (forms); false when its paint comes as a WM_PAINT message through the
    // queue and someone else draws on the native window (rendering contexts).
    virtual bool PaintsThroughQt() const { return true; }
    virtual void Paint() {}
    virtual void Resize();

    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    virtual void MouseMove(TShiftState Shift, int32_t X, int32_t Y);
    virtual bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos);
    virtual void Click();
    virtual void DblClick();
    virtual void KeyDown(uint16_t& Key, TShiftState Shift);
    virtual void KeyUp(uint16_t& Key, TShiftState Shift);
    virtual void KeyPress(char16_t& Key);

    TControlWidget* Widget() const { return FWidget; }
    // Lays the aligned children out over the client area, as AdjustClientRect narrows it.
    void AlignControls();
    // The part of the client area the aligned children share: all of it, unless the control draws something of
    // its own there.
    virtual void AdjustClientRect(TRect& Rect) const { (void)Rect; }
    // Where the client area starts in the control's window: below a form's menu bar, else at its top.
    virtual int32_t ClientTop() const { return 0; }
    // Puts the window and those of the children where the control's bounds say (after ClientTop changed).
    void ApplyClientTop();

private:
    friend class TControlWidget;

    void MainWndProc(TMessage& Message);
    // The path of a key the control receives: the form first when it previews keys (KeyPreview) and is not the
    // control itself, then the control, unless a handler before it set the key to 0.
    void ReceiveKeyDown(uint16_t Key, TShiftState Shift);
    void ReceiveKeyUp(uint16_t Key, TShiftState Shift);
    void ReceiveKeyPress(char16_t Key);
    TWinControl* KeyPreviewer();
    // The path of a mouse button: a double click (Double) is DblClick (left button) and a press with ssDouble;
    // a left press and release inside the control is a Click before the release's MouseUp.
    void ReceiveMouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y, bool Double);
    void ReceiveMouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    // The widget is going (deleted by us or by its parent widget): the window goes with it.
    void WidgetDestroyed();
    void ApplyBounds();

    TWinControl* FParent = nullptr;
    std::vector<TWinControl*> FControls;
    TControlWidget* FWidget = nullptr;
    HWND FHandle = nullptr;
    int32_t FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TAlign FAlign = alNone;
    bool FVisible = true;
    bool FEnabled = true;
    TCursor FCursor = crDefault;
    std::string FHint;
    bool FClickPending = false;
    bool FAligning = false;
};

// A child control with a native window of its own (for a rendering context: GetX11Window(Handle())). Qt does
// not paint it: a WM_PAINT message comes through the queue when it is exposed or invalidated, coalesced.
class TNativeControl : public TWinControl {
public:
    explicit TNativeControl(TComponent* AOwner);
    void Invalidate() override;

protected:
    bool NeedsNativeWindow() const override { return true; }
    bool PaintsThroughQt() const override { return false; }
};
