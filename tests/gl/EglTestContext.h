// A real OpenGL context for tests, made directly through EGL on Mesa's surfaceless platform (no X server):
// the OpenGL API with its compatibility profile and a 1 x 1 p-buffer, current on the calling thread while the
// object lives. The EGL display is made once per process and never terminated.
#pragma once

class TEglTestContext {
public:
    // Throws std::runtime_error naming the EGL step that failed.
    TEglTestContext();
    ~TEglTestContext();
    TEglTestContext(const TEglTestContext&) = delete;
    TEglTestContext& operator=(const TEglTestContext&) = delete;

    // Makes the context current on the calling thread (done by the constructor).
    void MakeCurrent();
    // Leaves the calling thread with no current context.
    static void Release();

private:
    void* FSurface = nullptr;
    void* FContext = nullptr;
};
