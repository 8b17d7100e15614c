#include "Controls.h"

#include "ControlWidget.h"
#include "Forms.h"
#include "NativeWindows.h"
#include "VirtualKeys.h"
#include "Windows.h"

#include <QtGui/QCursor>
#include <QtGui/QEnterEvent>
#include <QtGui/QGuiApplication>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QWheelEvent>
#include <QtGui/QWindow>

#include <algorithm>

namespace {

TShiftState ShiftOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons)
{
    TShiftState shift;
    if (Modifiers & Qt::ShiftModifier) shift.Include(ssShift);
    if (Modifiers & Qt::AltModifier) shift.Include(ssAlt);
    if (Modifiers & Qt::ControlModifier) shift.Include(ssCtrl);
    if (Buttons & Qt::LeftButton) shift.Include(ssLeft);
    if (Buttons & Qt::RightButton) shift.Include(ssRight);
    if (Buttons & Qt::MiddleButton) shift.Include(ssMiddle);
    return shift;
}

// A key message carries no modifiers: they are those held when it is handled.
TShiftState HeldModifiers()
{
    return ShiftOf(QGuiApplication::keyboardModifiers(), Qt::NoButton);
}

// A mouse message's WParam holds the buttons and the Shift and Ctrl keys held; Alt is the one held now.
TShiftState MouseMessageShift(WPARAM Flags)
{
    TShiftState shift;
    if (HeldModifiers().Contains(ssAlt)) shift.Include(ssAlt);
    if (Flags & MK_SHIFT) shift.Include(ssShift);
    if (Flags & MK_CONTROL) shift.Include(ssCtrl);
    if (Flags & MK_LBUTTON) shift.Include(ssLeft);
    if (Flags & MK_RBUTTON) shift.Include(ssRight);
    if (Flags & MK_MBUTTON) shift.Include(ssMiddle);
    return shift;
}

enum TMouseMessageKind { mmDown, mmDouble, mmUp };

struct TMouseMessage {
    uint32_t Msg;
    TMouseButton Button;
    TMouseMessageKind Kind;
};

constexpr TMouseMessage MouseMessages[] = {
    {WM_LBUTTONDOWN, mbLeft, mmDown},   {WM_LBUTTONUP, mbLeft, mmUp},     {WM_LBUTTONDBLCLK, mbLeft, mmDouble},
    {WM_RBUTTONDOWN, mbRight, mmDown},  {WM_RBUTTONUP, mbRight, mmUp},    {WM_MBUTTONDOWN, mbMiddle, mmDown},
    {WM_MBUTTONUP, mbMiddle, mmUp},
};

const TMouseMessage* MouseMessageOf(uint32_t Msg)
{
    for (const TMouseMessage& m : MouseMessages)
        if (m.Msg == Msg) return &m;
    return nullptr;
}

bool ButtonOf(Qt::MouseButton Button, TMouseButton& Result)
{
    switch (Button) {
    case Qt::LeftButton: Result = mbLeft; return true;
    case Qt::RightButton: Result = mbRight; return true;
    case Qt::MiddleButton: Result = mbMiddle; return true;
    default: return false;
    }
}

struct TKeyMapping {
    int QtKey;
    uint16_t Key;
};

// Keys whose code does not follow from a range. The shifted symbols of the usual layout map to the key that
// carries them, as the platform's key codes name keys, not characters.
constexpr TKeyMapping KeyTable[] = {
    {Qt::Key_Backspace, VK_BACK},      {Qt::Key_Tab, VK_TAB},           {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN},       {Qt::Key_Enter, VK_RETURN},      {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL},     {Qt::Key_Alt, VK_MENU},          {Qt::Key_Pause, VK_PAUSE},
    {Qt::Key_CapsLock, VK_CAPITAL},    {Qt::Key_Escape, VK_ESCAPE},     {Qt::Key_Space, VK_SPACE},
    {Qt::Key_PageUp, VK_PRIOR},        {Qt::Key_PageDown, VK_NEXT},     {Qt::Key_End, VK_END},
    {Qt::Key_Home, VK_HOME},           {Qt::Key_Left, VK_LEFT},         {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},         {Qt::Key_Down, VK_DOWN},         {Qt::Key_Print, VK_SNAPSHOT},
    {Qt::Key_Insert, VK_INSERT},       {Qt::Key_Delete, VK_DELETE},     {Qt::Key_NumLock, VK_NUMLOCK},
    {Qt::Key_ScrollLock, VK_SCROLL},   {Qt::Key_Semicolon, VK_OEM_1},   {Qt::Key_Colon, VK_OEM_1},
    {Qt::Key_Equal, VK_OEM_PLUS},      {Qt::Key_Plus, VK_OEM_PLUS},     {Qt::Key_Comma, VK_OEM_COMMA},
    {Qt::Key_Less, VK_OEM_COMMA},      {Qt::Key_Minus, VK_OEM_MINUS},   {Qt::Key_Underscore, VK_OEM_MINUS},
    {Qt::Key_Period, VK_OEM_PERIOD},   {Qt::Key_Greater, VK_OEM_PERIOD}, {Qt::Key_Slash, VK_OEM_2},
    {Qt::Key_Question, VK_OEM_2},      {Qt::Key_QuoteLeft, VK_OEM_3},   {Qt::Key_AsciiTilde, VK_OEM_3},
    {Qt::Key_BracketLeft, VK_OEM_4},   {Qt::Key_BraceLeft, VK_OEM_4},   {Qt::Key_Backslash, VK_OEM_5},
    {Qt::Key_Bar, VK_OEM_5},           {Qt::Key_BracketRight, VK_OEM_6}, {Qt::Key_BraceRight, VK_OEM_6},
    {Qt::Key_Apostrophe, VK_OEM_7},    {Qt::Key_QuoteDbl, VK_OEM_7},    {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},                 {Qt::Key_NumberSign, '3'},       {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},            {Qt::Key_AsciiCircum, '6'},      {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},           {Qt::Key_ParenLeft, '9'},        {Qt::Key_ParenRight, '0'},
};

// On the keypad the same Qt keys name other keys.
constexpr TKeyMapping KeypadTable[] = {
    {Qt::Key_Asterisk, VK_MULTIPLY}, {Qt::Key_Plus, VK_ADD},       {Qt::Key_Minus, VK_SUBTRACT},
    {Qt::Key_Period, VK_DECIMAL},    {Qt::Key_Comma, VK_DECIMAL}, {Qt::Key_Slash, VK_DIVIDE},
};

} // namespace

uint16_t VirtualKeyOf(const QKeyEvent* Event)
{
    const int key = Event->key();
    const bool keypad = Event->modifiers() & Qt::KeypadModifier;
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<uint16_t>((keypad ? VK_NUMPAD0 : '0') + (key - Qt::Key_0));
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<uint16_t>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<uint16_t>(VK_F1 + (key - Qt::Key_F1));
    if (keypad)
        for (const TKeyMapping& m : KeypadTable)
            if (m.QtKey == key) return m.Key;
    for (const TKeyMapping& m : KeyTable)
        if (m.QtKey == key) return m.Key;
    return 0;
}

namespace {

// Shift+Tab comes as Backtab, with or without the Shift modifier: it is Tab with Shift held.
TShiftState KeyShiftOf(const QKeyEvent* Event)
{
    TShiftState shift = ShiftOf(Event->modifiers(), Qt::NoButton);
    if (Event->key() == Qt::Key_Backtab) shift.Include(ssShift);
    return shift;
}

Qt::CursorShape CursorShapeOf(TCursor Cursor)
{
    switch (Cursor) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    default: return Qt::ArrowCursor;
    }
}

} // namespace

TControlWidget::~TControlWidget() { FControl->WidgetDestroyed(); }

QPaintEngine* TControlWidget::paintEngine() const
{
    return FControl->PaintsThroughQt() ? QWidget::paintEngine() : nullptr;
}

void TControlWidget::paintEvent(QPaintEvent*)
{
    Guarded(FControl, [this] {
        if (FControl->PaintsThroughQt())
            FControl->Paint();
        else
            InvalidateRect(FControl->FHandle);
    });
}

void TControlWidget::resizeEvent(QResizeEvent*)
{
    FControl->FWidth = width();
    FControl->FHeight = height() - FControl->ClientTop();
    Guarded(FControl, [this] {
        SendMessage(FControl->FHandle, WM_SIZE, SIZE_RESTORED,
                    MAKELPARAM(static_cast<uint16_t>(width()), static_cast<uint16_t>(height())));
    });
}

void TControlWidget::moveEvent(QMoveEvent*)
{
    FControl->FLeft = x();
    FControl->FTop = y() - (FControl->FParent ? FControl->FParent->ClientTop() : 0);
}

QPoint TControlWidget::ClientPos(const QMouseEvent& Event) const
{
    return Event.position().toPoint() - QPoint(0, FControl->ClientTop());
}

void TControlWidget::mousePressEvent(QMouseEvent* Event)
{
    TMouseButton button;
    if (!ButtonOf(Event->button(), button)) return;
    const TShiftState shift = ShiftOf(Event->modifiers(), Event->buttons());
    const QPoint at = ClientPos(*Event);
    Guarded(FControl, [&] { FControl->ReceiveMouseDown(button, shift, at.x(), at.y(), false); });
}

void TControlWidget::mouseDoubleClickEvent(QMouseEvent* Event)
{
    TMouseButton button;
    if (!ButtonOf(Event->button(), button)) return;
    const TShiftState shift = ShiftOf(Event->modifiers(), Event->buttons());
    const QPoint at = ClientPos(*Event);
    Guarded(FControl, [&] { FControl->ReceiveMouseDown(button, shift, at.x(), at.y(), true); });
}

void TControlWidget::mouseReleaseEvent(QMouseEvent* Event)
{
    TMouseButton button;
    if (!ButtonOf(Event->button(), button)) return;
    const TShiftState shift = ShiftOf(Event->modifiers(), Event->buttons());
    const QPoint at = ClientPos(*Event);
    Guarded(FControl, [&] { FControl->ReceiveMouseUp(button, shift, at.x(), at.y()); });
}

void TControlWidget::mouseMoveEvent(QMouseEvent* Event)
{
    const TShiftState shift = ShiftOf(Event->modifiers(), Event->buttons());
    const QPoint at = ClientPos(*Event);
    Guarded(FControl, [&] { FControl->MouseMove(shift, at.x(), at.y()); });
}

void TControlWidget::wheelEvent(QWheelEvent* Event)
{
    const TShiftState shift = ShiftOf(Event->modifiers(), Event->buttons());
    const QPoint at = Event->globalPosition().toPoint();
    Guarded(FControl, [&] { FControl->DoMouseWheel(shift, Event->angleDelta().y(), TPoint{at.x(), at.y()}); });
}

void TControlWidget::enterEvent(QEnterEvent*)
{
    Guarded(FControl, [this] { SendMessage(FControl->FHandle, CM_MOUSEENTER, 0, 0); });
}

void TControlWidget::leaveEvent(QEvent*)
{
    Guarded(FControl, [this] { SendMessage(FControl->FHandle, CM_MOUSELEAVE, 0, 0); });
}

bool TControlWidget::focusNextPrevChild(bool Next)
{
    // Tab moves the focus only between the standard controls that take it by Tab (edit boxes, buttons ...). A
    // window without one, as the game's, whose view takes the focus by clicks only, gets Tab as a key.
    const QList<QWidget*> contents = window()->findChildren<QWidget*>(QStringLiteral("content"));
    const bool tabStops = std::any_of(contents.begin(), contents.end(), [](const QWidget* content) {
        return content->isVisible() && content->isEnabled() && (content->focusPolicy() & Qt::TabFocus);
    });
    return tabStops && QWidget::focusNextPrevChild(Next);
}

void TControlWidget::keyPressEvent(QKeyEvent* Event)
{
    const TShiftState shift = KeyShiftOf(Event);
    const uint16_t key = VirtualKeyOf(Event);
    const QString text = Event->text();
    Guarded(FControl, [&] {
        // The form's menu takes its shortcuts before any control sees the key.
        if (TForm* form = FControl->ParentForm(); form && form->IsShortCut(key, shift)) return;
        FControl->ReceiveKeyDown(key, shift);
        for (QChar unit : text) FControl->ReceiveKeyPress(unit.unicode());
    });
}

void TControlWidget::keyReleaseEvent(QKeyEvent* Event)
{
    const TShiftState shift = KeyShiftOf(Event);
    const uint16_t key = VirtualKeyOf(Event);
    Guarded(FControl, [&] { FControl->ReceiveKeyUp(key, shift); });
}

void TControlWidget::closeEvent(QCloseEvent* Event)
{
    // The close protocol is the form's: the window stays until Close decides.
    Event->ignore();
    if (auto* form = dynamic_cast<TForm*>(FControl)) Guarded(FControl, [form] { form->Close(); });
}

TWinControl* TWinControl::KeyPreviewer()
{
    TForm* form = ParentForm();
    return form && form != this && form->KeyPreview() ? form : nullptr;
}

void TWinControl::ReceiveKeyDown(uint16_t Key, TShiftState Shift)
{
    if (!Key) return;
    if (TWinControl* preview = KeyPreviewer()) preview->KeyDown(Key, Shift);
    if (Key) KeyDown(Key, Shift);
}

void TWinControl::ReceiveKeyUp(uint16_t Key, TShiftState Shift)
{
    if (!Key) return;
    if (TWinControl* preview = KeyPreviewer()) preview->KeyUp(Key, Shift);
    if (Key) KeyUp(Key, Shift);
}

void TWinControl::ReceiveKeyPress(char16_t Key)
{
    if (TWinControl* preview = KeyPreviewer()) preview->KeyPress(Key);
    if (Key) KeyPress(Key);
}

void TWinControl::ReceiveMouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y, bool Double)
{
    if (Double) {
        Shift.Include(ssDouble);
        if (Button == mbLeft) DblClick();
    } else if (Button == mbLeft) {
        FClickPending = true;
    }
    MouseDown(Button, Shift, X, Y);
}

void TWinControl::ReceiveMouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    // A click is a left press and release both inside the control.
    const bool click = Button == mbLeft && FClickPending && X >= 0 && Y >= 0 && X < FWidth && Y < FHeight;
    if (Button == mbLeft) FClickPending = false;
    if (click) Click();
    MouseUp(Button, Shift, X, Y);
}

TWinControl::TWinControl(TComponent* AOwner) : TComponent(AOwner) {}

TWinControl::~TWinControl()
{
    // A plain delete skips BeforeDestruction: the window must not outlive the control.
    DestroyWnd();
    if (FParent) std::erase(FParent->FControls, this);
    for (TWinControl* child : FControls) child->FParent = nullptr;
}

void TWinControl::BeforeDestruction()
{
    DestroyWnd();
    while (!FControls.empty()) Free(FControls.back()); // a child leaves the list as it goes
    SetParent(nullptr);
    TComponent::BeforeDestruction();
}

void TWinControl::SetParent(TWinControl* AParent)
{
    if (AParent == FParent) return;
    DestroyWnd();
    if (FParent) std::erase(FParent->FControls, this);
    FParent = AParent;
    if (!FParent) return;
    FParent->FControls.push_back(this);
    if (FParent->FWidget) CreateWnd();
    FParent->AlignControls();
}

TWinControl* TWinControl::Controls(int Index) const
{
    if (Index < 0 || Index >= ControlCount()) RaiseListError("List index out of bounds (%d)", Index);
    return FControls[static_cast<size_t>(Index)];
}

TForm* TWinControl::ParentForm()
{
    TWinControl* top = this;
    while (top->FParent) top = top->FParent;
    return dynamic_cast<TForm*>(top);
}

void TWinControl::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight)
{
    const bool resized = std::max(AWidth, 0) != FWidth || std::max(AHeight, 0) != FHeight;
    FLeft = ALeft;
    FTop = ATop;
    FWidth = std::max(AWidth, 0);
    FHeight = std::max(AHeight, 0);
    ApplyBounds();
    // The children follow at once: a control without a window, or a hidden one, gets no size message now.
    if (resized) AlignControls();
    // An aligned control that changes its height moves the ones aligned after it.
    if (FAlign != alNone && FParent) FParent->AlignControls();
}

void TWinControl::ApplyBounds()
{
    if (!FWidget) return;
    if (FParent)
        FWidget->setGeometry(FLeft, FTop + FParent->ClientTop(), FWidth, FHeight);
    else if (FWidget->minimumSize() == FWidget->maximumSize())
        FWidget->setFixedSize(FWidth, FHeight + ClientTop()); // a dialog keeps the size it is given
    else
        FWidget->resize(FWidth, FHeight + ClientTop()); // where a top-level window goes is the form's and the window manager's
}

void TWinControl::ApplyClientTop()
{
    ApplyBounds();
    for (TWinControl* child : FControls) child->ApplyBounds();
}

TPoint TWinControl::ClientOrigin() const
{
    if (FWidget) {
        const QPoint origin = FWidget->mapToGlobal(QPoint(0, ClientTop()));
        return TPoint{origin.x(), origin.y()};
    }
    if (!FParent) return TPoint{FLeft, FTop};
    const TPoint parent = FParent->ClientOrigin();
    return TPoint{parent.X + FLeft, parent.Y + FTop};
}

void TWinControl::SetAlign(TAlign Value)
{
    FAlign = Value;
    if (FParent) FParent->AlignControls();
}

void TWinControl::AlignControls()
{
    if (FAligning) return; // the children's SetBounds come back here
    FAligning = true;
    struct TDone {
        bool& Aligning;
        ~TDone() { Aligning = false; }
    } done{FAligning};
    std::vector<TWinControl*> aligned;
    for (TWinControl* child : FControls)
        if (child->FAlign != alNone && child->FVisible) aligned.push_back(child);
    // Top edge first, outermost first; then the bottom, left and right edges; the client last.
    const auto rank = [](const TWinControl* c) {
        switch (c->FAlign) {
        case alTop: return 0;
        case alBottom: return 1;
        case alLeft: return 2;
        case alRight: return 3;
        default: return 4;
        }
    };
    std::stable_sort(aligned.begin(), aligned.end(), [&](const TWinControl* a, const TWinControl* b) {
        if (rank(a) != rank(b)) return rank(a) < rank(b);
        if (a->FAlign == alTop) return a->FTop < b->FTop;
        if (a->FAlign == alBottom) return a->FTop + a->FHeight > b->FTop + b->FHeight;
        if (a->FAlign == alLeft) return a->FLeft < b->FLeft;
        if (a->FAlign == alRight) return a->FLeft + a->FWidth > b->FLeft + b->FWidth;
        return false;
    });
    TRect free = ClientRect();
    AdjustClientRect(free);
    for (TWinControl* child : aligned) {
        const int32_t height = child->FHeight;
        switch (child->FAlign) {
        case alTop:
            child->SetBounds(free.Left, free.Top, free.Width(), height);
            free.Top += height;
            break;
        case alBottom:
            child->SetBounds(free.Left, free.Bottom - height, free.Width(), height);
            free.Bottom -= height;
            break;
        case alLeft:
            child->SetBounds(free.Left, free.Top, child->FWidth, std::max(free.Height(), 0));
            free.Left += child->FWidth;
            break;
        case alRight:
            child->SetBounds(free.Right - child->FWidth, free.Top, child->FWidth, std::max(free.Height(), 0));
            free.Right -= child->FWidth;
            break;
        default: child->SetBounds(free.Left, free.Top, free.Width(), std::max(free.Height(), 0)); break;
        }
    }
}

void TWinControl::SetVisible(bool Value)
{
    FVisible = Value;
    if (FWidget) FWidget->setVisible(Value);
    if (FAlign != alNone && FParent) FParent->AlignControls();
}

bool TWinControl::Showing() const
{
    for (const TWinControl* c = this; c; c = c->FParent)
        if (!c->FVisible) return false;
    return true;
}

void TWinControl::SetEnabled(bool Value)
{
    FEnabled = Value;
    if (FWidget) FWidget->setEnabled(Value);
}

void TWinControl::SetHint(const std::string& Value)
{
    FHint = Value;
    if (FWidget) FWidget->setToolTip(ToQString(Value));
}

void TWinControl::SetCursor(TCursor Value)
{
    FCursor = Value;
    if (!FWidget) return;
    if (Value == crDefault)
        FWidget->unsetCursor();
    else
        FWidget->setCursor(QCursor(CursorShapeOf(Value)));
}

HWND TWinControl::Handle()
{
    if (!FHandle && !FWidget) CreateWnd();
    return FHandle;
}

void TWinControl::RecreateWnd()
{
    if (!FWidget) return;
    DestroyWnd();
    CreateWnd();
}

void TWinControl::Invalidate()
{
    if (FWidget) FWidget->update();
}

void TWinControl::SetFocus()
{
    if (FWidget) FWidget->setFocus();
}

void TWinControl::CreateWnd()
{
    if (FWidget) return;
    QWidget* parentWidget = nullptr;
    HWND parentHandle = nullptr;
    if (FParent) {
        parentHandle = FParent->Handle();
        parentWidget = FParent->FWidget;
    }
    auto* widget = new TControlWidget(this, parentWidget);
    FWidget = widget;
    FHandle = CreateWindowHandle(parentHandle, [this](TMessage& Message) { MainWndProc(Message); });
    widget->setMouseTracking(true);
    widget->setFocusPolicy(FParent ? Qt::ClickFocus : Qt::StrongFocus);
    if (NeedsNativeWindow()) widget->setAttribute(Qt::WA_NativeWindow);
    if (!PaintsThroughQt()) {
        widget->setAttribute(Qt::WA_PaintOnScreen);
        widget->setAttribute(Qt::WA_NoSystemBackground);
        widget->setAttribute(Qt::WA_OpaquePaintEvent);
    }
    ApplyBounds();
    SetCursor(FCursor);
    widget->setToolTip(ToQString(FHint));
    widget->setEnabled(FEnabled);
    if (!FParent || NeedsNativeWindow()) {
        widget->winId(); // makes the native window now, so its id is known before it is shown
        BindNativeWindow(FHandle, widget->windowHandle());
    }
    if (FParent) widget->setVisible(FVisible);
    for (TWinControl* child : FControls) child->CreateWnd();
}

void TWinControl::DestroyWnd()
{
    delete FWidget; // the widget's destructor destroys the window (WidgetDestroyed)
}

void TWinControl::WidgetDestroyed()
{
    if (FHandle) DestroyWindow(FHandle);
    FHandle = nullptr;
    FWidget = nullptr;
}

void TWinControl::MainWndProc(TMessage& Message)
{
    if (Message.Msg == WM_DESTROY) {
        // The handle is gone once its WM_DESTROY is handled, also when a parent's destruction took it.
        struct TForgetHandle {
            HWND& Handle;
            ~TForgetHandle() { Handle = nullptr; }
        } forget{FHandle};
        WndProc(Message); // DestroyWindow reports failures of destruction itself
        return;
    }
    try {
        WndProc(Message);
    } catch (...) {
        if (!Application) throw;
        Application->HandleException(this);
    }
}

void TWinControl::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_SIZE:
        AlignControls();
        Resize();
        break;
    case WM_PAINT: Paint(); break;
    case CM_MOUSEENTER:
        if (OnMouseEnter) OnMouseEnter(this);
        break;
    case CM_MOUSELEAVE:
        if (OnMouseLeave) OnMouseLeave(this);
        break;
    case WM_KEYDOWN:
        ReceiveKeyDown(static_cast<uint16_t>(Message.WParam), HeldModifiers());
        break;
    case WM_KEYUP:
        ReceiveKeyUp(static_cast<uint16_t>(Message.WParam), HeldModifiers());
        break;
    case WM_CHAR: ReceiveKeyPress(static_cast<char16_t>(Message.WParam)); break;
    case WM_MOUSEMOVE:
        MouseMove(MouseMessageShift(Message.WParam), GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
        break;
    default:
        if (const TMouseMessage* mouse = MouseMessageOf(Message.Msg)) {
            const TShiftState shift = MouseMessageShift(Message.WParam);
            const int32_t x = GET_X_LPARAM(Message.LParam), y = GET_Y_LPARAM(Message.LParam);
            if (mouse->Kind == mmUp)
                ReceiveMouseUp(mouse->Button, shift, x, y);
            else
                ReceiveMouseDown(mouse->Button, shift, x, y, mouse->Kind == mmDouble);
        }
        break;
    }
}

void TWinControl::Resize()
{
    if (OnResize) OnResize(this);
}

void TWinControl::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TWinControl::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TWinControl::MouseMove(TShiftState Shift, int32_t X, int32_t Y)
{
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

bool TWinControl::DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos)
{
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
    if (handled || WheelDelta == 0) return handled;
    const TMouseWheelUpDownEvent& upDown = WheelDelta < 0 ? OnMouseWheelDown : OnMouseWheelUp;
    if (upDown) upDown(this, Shift, MousePos, handled);
    return handled;
}

void TWinControl::Click()
{
    if (OnClick) OnClick(this);
}

void TWinControl::DblClick()
{
    if (OnDblClick) OnDblClick(this);
}

void TWinControl::KeyDown(uint16_t& Key, TShiftState Shift)
{
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(uint16_t& Key, TShiftState Shift)
{
    if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char16_t& Key)
{
    if (OnKeyPress) OnKeyPress(this, Key);
}

TNativeControl::TNativeControl(TComponent* AOwner) : TWinControl(AOwner) {}

void TNativeControl::Invalidate()
{
    if (HandleAllocated()) InvalidateRect(Handle());
}
