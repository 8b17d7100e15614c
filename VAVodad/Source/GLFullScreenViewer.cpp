#include "GLFullScreenViewer.h"

#include "GLViewer.h"
#include "SysUtils.h"
#include "Windows.h"
#include "ZODLog.h"

static const char* const cUnit = "VAVodad\\Source\\GLFullScreenViewer";

// The native child that covers the full-screen window: the context draws on it (Qt paints the form itself)
// and it takes the mouse and the keys.
class TFullScreenSurface : public TNativeControl {
public:
    TFullScreenSurface(TGLFullScreenViewer* AViewer) : TNativeControl(nullptr), FViewer(AViewer) {}

protected:
    void WndProc(TMessage& Message) override
    {
        switch (Message.Msg) {
        case WM_PAINT:
            FViewer->SurfacePaint();
            Message.Result = 0;
            return;
        case WM_SIZE:
            TNativeControl::WndProc(Message);
            FViewer->Buffer()->Resize(0, 0, LOWORD(Message.LParam), HIWORD(Message.LParam));
            return;
        case WM_DESTROY:
            // The destroy hook has taken the context off the window; the buffer drops the rest.
            FViewer->Buffer()->DestroyRC();
            FViewer->FOwnDC = nullptr;
            break;
        default: break;
        }
        TNativeControl::WndProc(Message);
    }

private:
    TGLFullScreenViewer* FViewer;
};

namespace {

// A window event that calls the viewer's event of the moment.
template <class TEvent> TEvent Forward(const TEvent& ViewerEvent)
{
    return [&ViewerEvent](auto&&... args) {
        if (ViewerEvent) ViewerEvent(args...);
    };
}

} // namespace

TGLFullScreenViewer::TGLFullScreenViewer(TComponent* AOwner) : TGLNonVisualViewer(AOwner)
{
    FWidth = 800;
    FHeight = 600;
    FBuffer->ViewerBeforeRender = [this](TObject*) { SetupVSync(FVSync); };
}

TGLFullScreenViewer::~TGLFullScreenViewer()
{
    try {
        SetActive(false);
    } catch (const std::exception& E) {
        // A destructor never throws: the failure is noted and the viewer goes anyway.
        GlobalLogSession()->LogError(std::string("Leaving full screen failed: ") + E.what());
    }
    if (FForm) FForm->RemoveFreeNotification(this);
}

void TGLFullScreenViewer::Notification(TComponent* AComponent, TOperation Operation)
{
    TGLNonVisualViewer::Notification(AComponent, Operation); // a removed camera leaves the buffer
    if (Operation != opRemove) return;
    if (AComponent == FSurface) FSurface = nullptr; // freed with a form that is going
    SetActive(false);
    if (AComponent == FForm) {
        FForm = nullptr;
        FFormIsOwned = false;
    }
}

void TGLFullScreenViewer::Render(TGLBaseSceneObject* baseObject) { FBuffer->Render(baseObject); }

void TGLFullScreenViewer::SetActive(bool Value)
{
    if (Value == FActive) return;
    if (Value)
        EnterFullScreen();
    else
        LeaveFullScreen();
}

void TGLFullScreenViewer::ReActivate()
{
    LeaveFullScreen();
    EnterFullScreen();
}

void TGLFullScreenViewer::EndUpdate()
{
    if (--FUpdateCount < 0) {
        FUpdateCount = 0;
        Assert(false, "Unbalanced Begin/EndUpdate", cUnit);
    }
    if (FUpdateCount == 0 && FActive) DoBufferStructuralChange(this);
}

void TGLFullScreenViewer::UseCurrentResolution()
{
    BeginUpdate();
    TryFinally(
        [this] {
            const TDevMode screen = CurrentScreenMode();
            SetWidth(static_cast<int32_t>(screen.dmPelsWidth));
            SetHeight(static_cast<int32_t>(screen.dmPelsHeight));
            switch (screen.dmBitsPerPel) {
            case 8: SetScreenDepth(sd8bits); break;
            case 16: SetScreenDepth(sd16bits); break;
            case 24: SetScreenDepth(sd24bits); break;
            default: SetScreenDepth(sd32bits); break;
            }
        },
        [this] { EndUpdate(); });
}

void TGLFullScreenViewer::SetForm(TForm* Value)
{
    if (Value == FForm) return;
    if (FForm) FForm->RemoveFreeNotification(this);
    FForm = Value;
    FFormIsOwned = false;
    if (FForm) FForm->FreeNotification(this);
}

HWND TGLFullScreenViewer::Handle() const
{
    return FForm && FForm->HandleAllocated() ? FForm->Handle() : nullptr;
}

void TGLFullScreenViewer::SetScreenDepth(TGLScreenDepth Value)
{
    if (Value == FScreenDepth) return;
    FScreenDepth = Value;
    DoBufferStructuralChange(this);
}

void TGLFullScreenViewer::SetStayOnTop(bool Value)
{
    if (Value == FStayOnTop) return;
    FStayOnTop = Value;
    DoBufferStructuralChange(this);
}

void TGLFullScreenViewer::SetCursor(TCursor Value)
{
    if (Value == FCursor) return;
    FCursor = Value;
    if (FForm) FForm->SetCursor(Value);
}

void TGLFullScreenViewer::DoBufferChange(TObject* /*Sender*/)
{
    if (FSurface && FSurface->HandleAllocated() && !FBuffer->Rendering()) Render();
}

void TGLFullScreenViewer::DoBufferStructuralChange(TObject* /*Sender*/)
{
    if (FActive && FUpdateCount == 0) ReActivate();
}

void TGLFullScreenViewer::SurfacePaint()
{
    if (!FManualRendering) Render();
}

void TGLFullScreenViewer::BindFormEvents()
{
    FSurface->OnMouseDown = Forward(OnMouseDown);
    FSurface->OnMouseUp = Forward(OnMouseUp);
    FSurface->OnMouseMove = Forward(OnMouseMove);
    FSurface->OnMouseWheel = Forward(OnMouseWheel);
    FSurface->OnMouseWheelDown = Forward(OnMouseWheelDown);
    FSurface->OnMouseWheelUp = Forward(OnMouseWheelUp);
    FSurface->OnClick = Forward(OnClick);
    FSurface->OnDblClick = Forward(OnDblClick);
    FSurface->OnKeyDown = Forward(OnKeyDown);
    FSurface->OnKeyUp = Forward(OnKeyUp);
    FSurface->OnKeyPress = Forward(OnKeyPress);
    FForm->OnClose = Forward(OnClose);
    FForm->OnCloseQuery = [this](TObject* Sender, bool& CanClose) {
        if (OnCloseQuery) OnCloseQuery(Sender, CanClose);
        CanClose = true;
    };
}

void TGLFullScreenViewer::UnbindFormEvents()
{
    FForm->OnClose = nullptr;
    FForm->OnCloseQuery = nullptr;
}

void TGLFullScreenViewer::EnterFullScreen()
{
    if (FActive) return;
    if (!FForm) {
        SetForm(new TForm(nullptr));
        FFormIsOwned = true;
    }
    try {
        FForm->SetBorderStyle(bsNone);
        FForm->SetCursor(FCursor);
        FForm->SetBounds(0, 0, FWidth, FHeight);
        FSurface = new TFullScreenSurface(this);
        FSurface->FreeNotification(this);
        FSurface->SetParent(FForm);
        FSurface->SetAlign(alClient);
        BindFormEvents();

        const uint8_t mode = ClosestVideoMode(FWidth, FHeight, ScreenDepthBits[FScreenDepth]);
        if (mode == 0) throw Exception("Unsupported video mode");
        FForm->SetFormStyle(FStayOnTop ? fsStayOnTop : fsNormal);
        const TDevMode screen = CurrentScreenMode();
        if (static_cast<int32_t>(screen.dmPelsWidth) != FWidth || static_cast<int32_t>(screen.dmPelsHeight) != FHeight ||
            static_cast<int32_t>(screen.dmBitsPerPel) != ScreenDepthBits[FScreenDepth]) {
            ApplyVideoMode(mode, FRefreshRate); // a failed switch leaves the mode in force
            FSwitchedResolution = true;
        }
        FForm->Show();
        SetWindowFullScreen(FForm->Handle(), true);
        FSurface->SetFocus(); // the keys go where the mouse goes

        FBuffer->Resize(0, 0, FWidth, FHeight);
        FOwnDC = reinterpret_cast<void*>(static_cast<uintptr_t>(GetX11Window(FSurface->Handle())));
        FBuffer->CreateRC(FOwnDC, false, 1);
        FActive = true;
    } catch (...) {
        // Nothing of the attempt stays: no window shown, the display mode as it was.
        FActive = true;
        LeaveFullScreen();
        throw;
    }
}

void TGLFullScreenViewer::LeaveFullScreen()
{
    if (!FActive) return;
    Assert(FForm != nullptr, "", cUnit);
    FBuffer->DestroyRC();
    FOwnDC = nullptr;
    // A window that is going is left to its own destruction.
    const bool formGoing = FForm->ComponentState() & csDestroying;
    if (FSurface) {
        TFullScreenSurface* surface = FSurface;
        FSurface = nullptr;
        surface->RemoveFreeNotification(this);
        if (!formGoing) Free(surface);
    }
    if (!formGoing) {
        UnbindFormEvents();
        FForm->SetCursor(crDefault);
        if (FForm->HandleAllocated()) SetWindowFullScreen(FForm->Handle(), false);
    }
    if (FSwitchedResolution) {
        RestoreDefaultVideoMode();
        FSwitchedResolution = false;
    }
    FActive = false;
    if (FFormIsOwned) {
        TForm* form = FForm;
        SetForm(nullptr);
        if (!formGoing) Free(form);
    }
}
