// A rendering context whose platform steps do nothing: for tests and benchmarks of the engine's own
// bookkeeping, with the recording fake or no OpenGL at all behind it.
#pragma once

#include "GLContext.h"

class TNullContext : public TGLContext {
public:
    bool IsValid() override { return FValid; }
    void SwapBuffers() override {}
    void* RenderOutputDevice() override { return nullptr; }

protected:
    void DoCreateContext(void*) override { FValid = true; }
    void DoCreateMemoryContext(void*, int32_t, int32_t, int32_t) override { FValid = true; }
    bool DoShareLists(TGLContext*) override { return false; }
    void DoDestroyContext() override { FValid = false; }
    void DoActivate() override {}
    void DoDeactivate() override {}

private:
    bool FValid = false;
};
