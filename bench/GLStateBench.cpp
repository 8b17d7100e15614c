// The state cache exists to skip redundant OpenGL calls. Each redundant set through the cache is measured
// beside the call it saves: once into an empty function (the cheapest a call through the entry-point table
// can be) and once into Mesa on a p-buffer context (run with LIBGL_ALWAYS_SOFTWARE=1 for llvmpipe), plus a
// plain field compare as the floor.
#include "BenchBaseline.h"
#include "GLState.h"
#include "OpenGLAdapter.h"
#include "PlatformGL.h"

#include <benchmark/benchmark.h>

namespace {

void EmptyDepthFunc(GLenum) {}
void EmptyBindTexture(GLenum, GLuint) {}
void EmptyActiveTexture(GLenum) {}

// A table whose entries used here do nothing, current on the calling thread while it lives.
struct TEmptyGL {
    TEmptyGL()
    {
        Table.DepthFunc = &EmptyDepthFunc;
        Table.BindTexture = &EmptyBindTexture;
        Table.ActiveTexture = &EmptyActiveTexture;
        Table.ARB_multitexture = true;
        SetCurrentGL(&Table);
    }
    ~TEmptyGL() { SetCurrentGL(nullptr); }
    TGLExtensionsAndEntryPoints Table;
};

// Mesa's entry points on a 1 x 1 p-buffer context; Ready is false when no context could be made.
struct TMesaGL {
    TMesaGL()
    {
        if (!EnsureOpenGLLoaded()) return;
        const int32_t attribs[] = {WGL_DRAW_TO_PBUFFER_ARB, 1, 0};
        const TPglConfig config = PglChooseClosestConfig(attribs);
        Surface = config ? PglCreatePbuffer(config, 1, 1) : nullptr;
        Context = Surface ? PglCreateContext(config, nullptr, nullptr) : nullptr;
        if (!Context || !PglMakeCurrent(Surface, Context)) return;
        Table.Initialize(false);
        SetCurrentGL(&Table);
        Ready = true;
    }
    ~TMesaGL()
    {
        SetCurrentGL(nullptr);
        Table.Close();
        PglReleaseCurrent();
        if (Context) PglDestroyContext(Context);
        if (Surface) PglDestroySurface(Surface);
    }
    TPglSurface Surface = nullptr;
    TPglContext Context = nullptr;
    TGLExtensionsAndEntryPoints Table;
    bool Ready = false;
};

void BM_CachedRedundantDepthFunc(benchmark::State& state)
{
    TEmptyGL gl;
    TGLStateCache cache;
    cache.SetDepthFunc(cfLEqual);
    for (auto _ : state) {
        cache.SetDepthFunc(cfLEqual);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CachedRedundantDepthFunc);

void BM_FieldCompareBaseline(benchmark::State& state)
{
    TComparisonFunction cached = cfLEqual;
    for (auto _ : state) {
        benchmark::DoNotOptimize(cached);
        benchmark::DoNotOptimize(cached == cfLEqual);
    }
}
BENCHMARK(BM_FieldCompareBaseline);

void BM_DirectDepthFuncEmptyEntry(benchmark::State& state)
{
    TEmptyGL gl;
    for (auto _ : state) {
        GetCurrentGL()->DepthFunc(GL_LEQUAL);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DirectDepthFuncEmptyEntry);

void BM_DirectDepthFuncMesa(benchmark::State& state)
{
    TMesaGL gl;
    if (!gl.Ready) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    for (auto _ : state) GetCurrentGL()->DepthFunc(GL_LEQUAL);
}
BENCHMARK(BM_DirectDepthFuncMesa);
BENCHMARK_BASELINE(BM_CachedRedundantDepthFunc, BM_DirectDepthFuncMesa);

// The busiest path of the renderer: a texture already bound. The bind time is stamped on every request, a
// redundant one included, so the clock reading is part of the cost.
void BM_CachedRedundantTextureBinding(benchmark::State& state)
{
    TEmptyGL gl;
    TGLStateCache cache;
    cache.SetTextureBinding(2, ttTexture2D, 5);
    for (auto _ : state) {
        cache.SetTextureBinding(2, ttTexture2D, 5);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CachedRedundantTextureBinding);

void BM_DirectBindTextureMesa(benchmark::State& state)
{
    TMesaGL gl;
    if (!gl.Ready) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    GLuint texture = 0;
    gl.Table.GenTextures(1, &texture);
    for (auto _ : state) gl.Table.BindTexture(GL_TEXTURE_2D, texture);
    gl.Table.DeleteTextures(1, &texture);
}
BENCHMARK(BM_DirectBindTextureMesa);
BENCHMARK_BASELINE(BM_CachedRedundantTextureBinding, BM_DirectBindTextureMesa);

} // namespace
