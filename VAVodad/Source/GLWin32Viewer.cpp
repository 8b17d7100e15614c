#include "GLWin32Viewer.h"

#include "GLViewer.h"
#include "PlatformGL.h"
#include "VAVodad.h"
#include "Windows.h"

#include <algorithm>

TVAVodadViewer::TVAVodadViewer(TComponent* AOwner)
    : TNativeControl(AOwner), FBuffer(std::make_unique<TVAVodadBuffer>(this))
{
    SetBounds(0, 0, 100, 100);
    FBuffer->ViewerBeforeRender = [this](TObject* Sender) { DoBeforeRender(Sender); };
    FBuffer->OnChange = [this](TObject* Sender) { DoBufferChange(Sender); };
    FBuffer->OnStructuralChange = [this](TObject* Sender) { DoBufferStructuralChange(Sender); };
}

TVAVodadViewer::~TVAVodadViewer()
{
    // The window went in BeforeDestruction (taking the context); the buffer's events must not reach the
    // viewer while the buffer dies.
    FBuffer->OnChange = nullptr;
    FBuffer->OnStructuralChange = nullptr;
    FBuffer->ViewerBeforeRender = nullptr;
    if (TGLCamera* camera = FBuffer->Camera()) camera->RemoveFreeNotification(this);
    FBuffer.reset();
}

void TVAVodadViewer::Loaded()
{
    TNativeControl::Loaded();
    HandleNeeded();
}

void TVAVodadViewer::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove && FBuffer && AComponent == FBuffer->Camera()) FBuffer->SetCamera(nullptr);
    TNativeControl::Notification(AComponent, Operation);
}

TGLCamera* TVAVodadViewer::Camera() const { return FBuffer->Camera(); }

void TVAVodadViewer::SetCamera(TGLCamera* Value)
{
    TGLCamera* old = FBuffer->Camera();
    if (old == Value) return;
    if (old) old->RemoveFreeNotification(this);
    FBuffer->SetCamera(Value);
    if (TGLCamera* taken = FBuffer->Camera()) taken->FreeNotification(this);
}

float TVAVodadViewer::FieldOfView() const
{
    const TGLCamera* camera = Camera();
    if (!camera) return 0;
    return camera->GetFieldOfView(static_cast<float>(std::min(Width(), Height())));
}

void TVAVodadViewer::SetFieldOfView(float Value)
{
    if (TGLCamera* camera = Camera()) camera->SetFieldOfView(Value, static_cast<float>(std::min(Width(), Height())));
}

bool TVAVodadViewer::IsRenderingContextAvailable() const
{
    return FBuffer->RCInstantiated() && FBuffer->RenderingContext()->IsValid();
}

void TVAVodadViewer::CreateWnd()
{
    TNativeControl::CreateWnd();
    FBuffer->Resize(0, 0, Width(), Height());
    FOwnDC = reinterpret_cast<void*>(static_cast<uintptr_t>(GetX11Window(Handle())));
    FBuffer->CreateRC(FOwnDC, false, 1);
}

void TVAVodadViewer::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_PAINT: WMPaint(Message); return;
    case WM_SIZE:
        TNativeControl::WndProc(Message);
        FBuffer->Resize(0, 0, LOWORD(Message.LParam), HIWORD(Message.LParam));
        return;
    case WM_ERASEBKGND:
        if (IsRenderingContextAvailable())
            Message.Result = 1;
        else
            TNativeControl::WndProc(Message);
        return;
    case WM_GETDLGCODE: Message.Result |= DLGC_WANTARROWS; return;
    case WM_DESTROY:
        // The window layer's destroy hook has already taken the context off the window; this drops the rest.
        FBuffer->DestroyRC();
        FOwnDC = nullptr;
        TNativeControl::WndProc(Message);
        return;
    case CM_MOUSEENTER:
        FMouseInControl = true;
        break;
    case CM_MOUSELEAVE:
        FMouseInControl = false;
        break;
    default: break;
    }
    TNativeControl::WndProc(Message);
}

void TVAVodadViewer::WMPaint(TMessage& Message)
{
    // A moved window keeps its size but the viewport must follow it: one size message on the next paint.
    const TPoint origin = ClientOrigin();
    if (origin.X != FLastScreenPos.X || origin.Y != FLastScreenPos.Y) {
        if (FBuffer->RCInstantiated())
            PostMessage(Handle(), WM_SIZE, SIZE_RESTORED,
                        MAKELPARAM(static_cast<uint16_t>(Width()), static_cast<uint16_t>(Height())));
        FLastScreenPos = origin;
    }
    // A window that is not on screen (its form or a parent hidden) draws nothing, as no paint would reach it.
    if (Showing() && IsRenderingContextAvailable() && Width() > 0 && Height() > 0) FBuffer->Render();
    Message.Result = 0;
}

void TVAVodadViewer::DoBufferChange(TObject* /*Sender*/)
{
    if (!FBuffer->Rendering() && !FBuffer->Freezed()) Invalidate();
}

void TVAVodadViewer::DoBufferStructuralChange(TObject* /*Sender*/) { RecreateWnd(); }

void TVAVodadViewer::DoBeforeRender(TObject* /*Sender*/) { SetupVSync(FVSync); }

void InitGLWin32Viewer()
{
    static bool vDone = false;
    void* display = GetX11Display();
    if (vDone || !display) return;
    vDone = true;
    PglSetNativeDisplay(display);
    AddWindowDestroyHook([](HWND Wnd) { PglNotifyWindowDestroying(GetX11Window(Wnd)); });
}
