// The full-screen viewer: renders its buffer into a borderless window that covers the screen, switching the
// display mode when the screen is not of the asked size and depth. The window is full screen through the
// window manager's state; nothing is done to other programs' windows.
#pragma once

#include "Forms.h"
#include "GLScreen.h"
#include "VAVodad.h"

#include <string>

class TFullScreenSurface;

class TGLFullScreenViewer : public TGLNonVisualViewer {
public:
    explicit TGLFullScreenViewer(TComponent* AOwner);
    ~TGLFullScreenViewer() override;

    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Render(TGLBaseSceneObject* baseObject = nullptr) override;

    bool Active() const { return FActive; }
    // Enters or leaves full screen. Entering raises "Unsupported video mode" when no display mode is as
    // large as the viewer; it then leaves nothing shown and the display mode as it was.
    void SetActive(bool Value);
    // Leaves and enters again (new settings, new context).
    void ReActivate();
    void BeginUpdate() { ++FUpdateCount; }
    // The outermost EndUpdate applies the pending settings; an unbalanced one raises "Unbalanced
    // Begin/EndUpdate" and leaves the count at 0.
    void EndUpdate();
    // Width, height and depth of the screen as it is.
    void UseCurrentResolution();

    // The window shown: assigned from outside (and kept), or made and owned while active.
    TForm* Form() const { return FForm; }
    void SetForm(TForm* Value);
    // The window's handle; null without a window.
    HWND Handle() const;
    TGLScreenDepth ScreenDepth() const { return FScreenDepth; }
    void SetScreenDepth(TGLScreenDepth Value);
    bool StayOnTop() const { return FStayOnTop; }
    void SetStayOnTop(bool Value);
    TVSyncMode VSync() const { return FVSync; }
    void SetVSync(TVSyncMode Value) { FVSync = Value; }
    // Hz; 0: any.
    int32_t RefreshRate() const { return FRefreshRate; }
    void SetRefreshRate(int32_t Value) { FRefreshRate = Value; }
    // True: paints do not render; the program calls Render.
    bool ManualRendering() const { return FManualRendering; }
    void SetManualRendering(bool Value) { FManualRendering = Value; }
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);

    float LastFrameTime() const { return FBuffer->LastFrameTime(); }
    float FramesPerSecond() const { return FBuffer->FramesPerSecond(); }
    std::string FramesPerSecondText(int32_t decimals = 1) const { return FBuffer->FramesPerSecondText(decimals); }
    void ResetPerformanceMonitor() { FBuffer->ResetPerformanceMonitor(); }

    // The window's events while it is shown (changes reach it at once); OnCloseQuery is asked first, and
    // the window closes whatever it answers.
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelDown, OnMouseWheelUp;
    TNotifyEvent OnClick, OnDblClick;
    TKeyEvent OnKeyDown, OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

protected:
    // Renders when a window exists and the buffer is not rendering.
    void DoBufferChange(TObject* Sender) override;
    // While active and outside Begin/EndUpdate: ReActivate.
    void DoBufferStructuralChange(TObject* Sender) override;

private:
    friend class TFullScreenSurface;

    void EnterFullScreen();
    void LeaveFullScreen();
    // Hands the viewer's input events to the surface, its close events to the window, and the window's close
    // query to the viewer.
    void BindFormEvents();
    void UnbindFormEvents();
    // The surface's paint: Render unless ManualRendering.
    void SurfacePaint();

    bool FFormIsOwned = false;
    TForm* FForm = nullptr;
    // The native child covering the form, on which the context draws.
    TFullScreenSurface* FSurface = nullptr;
    void* FOwnDC = nullptr;
    TGLScreenDepth FScreenDepth = sd32bits;
    bool FActive = false;
    bool FSwitchedResolution = false;
    bool FManualRendering = false;
    int32_t FUpdateCount = 0;
    bool FStayOnTop = false;
    TVSyncMode FVSync = vsmSync;
    int32_t FRefreshRate = 0;
    TCursor FCursor = crDefault;
};
