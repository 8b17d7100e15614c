// Uploading a 512 x 512 RGBA texture through TGLTexture (the image kept, so each round re-sends the same
// pixels) beside a plain glTexImage2D of the same pixels into one texture, both on Mesa's p-buffer context
// (run with LIBGL_ALWAYS_SOFTWARE=1 for llvmpipe).
#include "GLContext.h"
#include "GLState.h"
#include "GLTexture.h"
#include "GLWin32Context.h"
#include "Graphics.h"
#include "OpenGLAdapter.h"

#include <benchmark/benchmark.h>
#include "BenchBaseline.h"

#include <memory>

namespace {

constexpr int32_t cSide = 512;

// A 1 x 1 off-screen context of the system's class, current while it lives; Ready is false without one.
struct TBenchGLContext {
    TBenchGLContext()
    {
        InitContextModule();
        Context = vGLContextManager->CreateContext(&CreateGLContextOf<TGLWin32Context>);
        try {
            Context->CreateMemoryContext(nullptr, 1, 1, 1);
            Context->Activate();
            Ready = true;
        } catch (const Exception&) {
        }
    }
    ~TBenchGLContext()
    {
        if (Ready) Context->Deactivate();
        Free(Context);
        DoneContextModule();
    }
    TGLContext* Context = nullptr;
    bool Ready = false;
};

// A 32-bit picture with a gradient, so no pixel is like its neighbour.
std::unique_ptr<TBitmap> MakePicture()
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf32bit);
    bitmap->SetSize(cSide, cSide);
    for (int32_t y = 0; y < cSide; ++y) {
        uint8_t* row = bitmap->ScanLine(y);
        for (int32_t x = 0; x < cSide * 4; ++x) row[x] = static_cast<uint8_t>(x ^ y);
    }
    return bitmap;
}

void BM_TextureUpload512(benchmark::State& state)
{
    TBenchGLContext gl;
    if (!gl.Ready) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    {
        auto picture = MakePicture();
        TGLTexture texture(nullptr);
        static_cast<TGLPersistentImage*>(texture.Image())->Picture()->SetGraphic(picture.get());
        texture.SetMinFilter(miLinear);
        texture.SetKeepImageAfterTransfer(true);
        texture.Handle();
        for (auto _ : state) {
            texture.NotifyImageChange();
            benchmark::DoNotOptimize(texture.Handle());
        }
        texture.DestroyHandles();
    }
    state.SetBytesProcessed(state.iterations() * cSide * cSide * 4);
}
BENCHMARK(BM_TextureUpload512)->Unit(benchmark::kMicrosecond);

void BM_PlainTexImage2D512(benchmark::State& state)
{
    TBenchGLContext gl;
    if (!gl.Ready) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    {
        auto picture = MakePicture();
        TGLImage image; // the working image the texture would upload, in its colour format
        image.Assign(picture.get());
        TGLExtensionsAndEntryPoints* const glEntry = GetCurrentGL();
        GLuint name = 0;
        glEntry->GenTextures(1, &name);
        glEntry->BindTexture(GL_TEXTURE_2D, name);
        glEntry->PixelStorei(GL_UNPACK_ALIGNMENT, 1);
        for (auto _ : state) {
            glEntry->TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, cSide, cSide, 0, image.ColorFormat(), image.DataType(),
                                image.DataBytes());
            benchmark::ClobberMemory();
        }
        glEntry->BindTexture(GL_TEXTURE_2D, 0);
        glEntry->DeleteTextures(1, &name);
    }
    state.SetBytesProcessed(state.iterations() * cSide * cSide * 4);
}
BENCHMARK(BM_PlainTexImage2D512)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_BASELINE(BM_TextureUpload512, BM_PlainTexImage2D512);
