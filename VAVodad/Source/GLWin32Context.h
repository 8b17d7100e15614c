// The system's one rendering-context class: the platform steps of TGLContext on the platform OpenGL layer.
// It chooses a pixel format from the context's request (colour, alpha, depth, stencil, accumulation and
// auxiliary bits, anti-aliasing, double buffering, stereo, acceleration), relaxing the request step by step
// until a format is offered; makes the context with a context attribute list (compatibility profile, or a
// forward core context, debug flag); makes off-screen p-buffer contexts; shares every new context's objects
// with the service context; and destroys a context when a window around its window is destroyed.
//
// A device handle is a native window id carried in a pointer; null asks for a context without a window.
#pragma once

#include "GLContext.h"
#include "PlatformGL.h"

#include <cstdint>
#include <vector>

class TGLWin32Context : public TGLContext {
public:
    TGLWin32Context();
    ~TGLWin32Context() override;

    bool IsValid() override { return FRC != nullptr; }
    // Presents the back buffer of a double-buffered window context; nothing otherwise.
    void SwapBuffers() override;
    void* RenderOutputDevice() override { return FDC; }

protected:
    void DoCreateContext(void* ADeviceHandle) override;
    void DoCreateMemoryContext(void* outputDevice, int32_t width, int32_t height, int32_t BufferCount) override;
    // aContext must be a TGLWin32Context ("Incompatible contexts"); it becomes the context new platform
    // contexts share with. True when both are in one share group.
    bool DoShareLists(TGLContext* aContext) override;
    void DoDestroyContext() override;
    void DoActivate() override;
    void DoDeactivate() override;

    // The temporary context that lets the pixel format be chosen (every other context is made by
    // CreateAttributeContext).
    virtual void CreateLegacyContext(void* ADC);
    virtual void CreateAttributeContext(void* ADC);

    // The integer attribute list being built: (attribute, value) pairs followed by one 0.
    void ResetIntAttribs();
    void AddIntAttrib(int32_t AAttrib, int32_t AValue); // no duplicate check
    void SetIntAttrib(int32_t AAttrib, int32_t AValue); // changes the first such pair, or appends it
    void RemoveIntAttrib(int32_t AAttrib);              // removes the first such pair

    void* FDC = nullptr;                     // the native window drawn to; null off-screen and without one
    TPglContext FRC = nullptr;
    TGLWin32Context* FShareContext = nullptr; // named by the last DoShareLists; cleared by DoDestroyContext
    TPglSurface FHPBUFFER = nullptr;         // the p-buffer of an off-screen context
    std::vector<int32_t> FiAttribs;
    bool FLegacyContextsOnly = false;        // set while the temporary context is made

private:
    // Candidate formats for the attribute list plus the request, relaxed step by step (at most 32).
    std::vector<TPglConfig> ChooseAttribPixelFormat(int32_t ABufferCount);
    std::vector<TPglConfig> ChooseFormats();
    std::vector<TPglConfig> ChooseRelaxingDepthAndColour();
    // The context attribute list of a forward, debug or ES request; the forward flag it asked for.
    bool BuildContextAttribs();
    void CreateTemporaryLegacyContext();
    void DestroyTemporaryContext();
    // The partner a new platform context is made sharing with: FShareContext, else the service context.
    TGLWin32Context* SharePartner();
    // Adds APartner to the share group lists when the platform contexts share; FShareContext is kept.
    bool ShareWith(TGLWin32Context* APartner);
    void ShareWithServiceContext();
    void DowngradeSoftwareAcceleration();
    void RestoreOuterContext();
    TPglSurface Surface() const { return FHPBUFFER ? FHPBUFFER : FWindowSurface; }

    TPglConfig FPixelFormat = 0;           // the format the context and its surface are made on
    TPglSurface FWindowSurface = nullptr;  // the surface on FDC's window
};

// Registers TGLWin32Context as the context class the manager creates; program start-up calls it before the
// context module starts.
void RegisterGLWin32Context();
