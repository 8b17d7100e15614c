// The scene viewer: a child control with a native window of its own on which its buffer makes the rendering
// context. It renders the scene on every paint while it is showing (its form and parents visible), follows its
// size, keeps the swap interval as asked and makes a new window (and so a new context) when the buffer's
// pixel-format settings change.
#pragma once

#include "Controls.h"
#include "GLContext.h"
#include "VAVodad.h"

#include <memory>
#include <string>

class TGLCamera;

class TVAVodadViewer : public TNativeControl {
public:
    explicit TVAVodadViewer(TComponent* AOwner);
    ~TVAVodadViewer() override;

    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    TVAVodadBuffer* Buffer() const { return FBuffer.get(); }
    TGLCamera* Camera() const;
    void SetCamera(TGLCamera* Value);
    TVSyncMode VSync() const { return FVSync; }
    void SetVSync(TVSyncMode Value) { FVSync = Value; }
    // The camera's field of view for the smaller of the control's width and height; 0 without a camera.
    float FieldOfView() const;
    void SetFieldOfView(float Value);

    // The native window id the context draws to (null without a window).
    void* RenderDC() const { return FOwnDC; }
    bool IsRenderingContextAvailable() const;
    bool MouseInControl() const { return FMouseInControl; }
    float LastFrameTime() const { return FBuffer->LastFrameTime(); }
    float FramesPerSecond() const { return FBuffer->FramesPerSecond(); }
    // "12.5 FPS" for one decimal.
    std::string FramesPerSecondText(int32_t decimals = 1) const { return FBuffer->FramesPerSecondText(decimals); }
    void ResetPerformanceMonitor() { FBuffer->ResetPerformanceMonitor(); }
    // The frame as a new 32-bit bitmap (the caller owns it).
    TBitmap* CreateSnapShotBitmap() { return FBuffer->CreateSnapShotBitmap(); }

    // The buffer's events.
    TNotifyEvent& BeforeRender() { return FBuffer->BeforeRender; }
    TNotifyEvent& PostRender() { return FBuffer->PostRender; }
    TNotifyEvent& AfterRender() { return FBuffer->AfterRender; }

protected:
    // The window, then the context on it at the window's size.
    void CreateWnd() override;
    void WndProc(TMessage& Message) override;
    // Repaints unless the buffer is rendering or frozen.
    virtual void DoBufferChange(TObject* Sender);
    // A new window, hence a new context with the new settings.
    virtual void DoBufferStructuralChange(TObject* Sender);
    virtual void DoBeforeRender(TObject* Sender);

private:
    void WMPaint(TMessage& Message);

    std::unique_ptr<TVAVodadBuffer> FBuffer;
    TVSyncMode FVSync = vsmNoSync;
    void* FOwnDC = nullptr;
    bool FMouseInControl = false;
    TPoint FLastScreenPos{0, 0};
};

// Connects the windows layer to the platform OpenGL layer: the application's X connection becomes the OpenGL
// display, and a window being destroyed first takes the surfaces of the contexts on it and inside it. Program
// start-up calls it once the application is initialised and before the context module starts; nothing
// without an X server.
void InitGLWin32Viewer();
