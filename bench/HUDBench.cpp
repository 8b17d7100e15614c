// One headless 1024 x 768 frame of 1,000 HUD texts of 12 characters each, in a font of the game's (13 pixels,
// the characters up to U+2014), rendered through the scene graph by a memory viewer, beside a minimal
// hand-written OpenGL loop on the same p-buffer that draws the same glyph quads (same sizes and places, from one
// glyph texture, blended) in a single begin/end block. Both frames end with glFinish, so the driver's
// rasterising is in both; the ratio is of the frames' wall-clock times, the CPU column the time of all the
// process's threads (the software renderer rasterises on threads of its own). Run with LIBGL_ALWAYS_SOFTWARE=1
// for llvmpipe.
#include "GLContext.h"
#include "GLHUDObjects.h"
#include "GLState.h"
#include "GLWin32Context.h"
#include "GLWindowsFont.h"
#include "Graphics.h"
#include "OpenGLAdapter.h"
#include "VAVodad.h"

#include <benchmark/benchmark.h>
#include "BenchBaseline.h"
#include "BenchViewer.h"

#include <string>
#include <vector>

namespace {

constexpr int32_t cWidth = 1024;
constexpr int32_t cHeight = 768;
constexpr int32_t cTexts = 1000;
constexpr int32_t cColumns = 20; // texts per row of the screen

// Where the i-th text's top-left corner is, in pixels from the top left.
void TextPosition(int32_t i, float& x, float& y)
{
    x = static_cast<float>(i % cColumns * (cWidth / cColumns));
    y = static_cast<float>(i / cColumns * (cHeight * cColumns / cTexts));
}

// Twelve characters, different from text to text as a game's numbers are.
std::string TextOf(int32_t i)
{
    std::string text = "Gold: " + std::to_string(100000 + i * 37);
    return text.substr(0, 12);
}

// The scene with its camera, the font and the texts, and a 1024 x 768 memory viewer; Ready is false without
// OpenGL.
struct TBenchHUD {
    TBenchHUD()
    {
        RegisterGLWin32Context();
        InitContextModule();
        Scene = new TVAVodad(nullptr);
        auto* camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(Scene->Objects());
        Font = new TGLWindowsBitmapFont(Scene);
        Font->Font()->SetName("Bookman Old Style");
        Font->Font()->SetHeight(-13);
        Font->EnsureChars(32, 0x2014);
        for (int32_t i = 0; i < cTexts; ++i) {
            auto* text = TGLBaseSceneObject::CreateAsChild<TGLHUDText>(Scene->Objects());
            float x, y;
            TextPosition(i, x, y);
            text->Position()->SetPoint(x, y, 0);
            text->SetBitmapFont(Font);
            text->SetText(TextOf(i));
        }
        Viewer = NewBenchViewer(camera, cWidth, cHeight);
        Ready = Viewer != nullptr;
    }
    ~TBenchHUD()
    {
        Free(Viewer);
        Free(Scene);
        DoneContextModule();
    }
    TVAVodad* Scene = nullptr;
    TGLWindowsBitmapFont* Font = nullptr;
    TGLMemoryViewer* Viewer = nullptr;
    bool Ready = false;
};

void BM_HUDTextFrame(benchmark::State& state)
{
    TBenchHUD bench;
    if (!bench.Ready) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    // The frame ends with glFinish while the buffer still has its context current, as the hand-written one does.
    bench.Viewer->Buffer()->WrapUpRendering = [](TObject*, TGLRenderContextInfo&) { GetCurrentGL()->Finish(); };
    for (auto _ : state) bench.Viewer->Render();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HUDTextFrame)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The same glyph quads by hand: a pixel projection, one alpha texture of a glyph page's size, one block.
void BM_HandWrittenGlyphQuads(benchmark::State& state)
{
    TBenchHUD bench;
    if (!bench.Ready) {
        state.SkipWithError("no OpenGL context");
        return;
    }
    // Every glyph's rectangle in pixels, y up from the bottom, and the texture cell it takes: as the font lays
    // the texts out.
    struct TGlyphQuad {
        float Left, Top, Right, Bottom, S, T;
    };
    std::vector<TGlyphQuad> quads;
    const float height = static_cast<float>(bench.Font->CharHeight());
    for (int32_t i = 0; i < cTexts; ++i) {
        float x, y;
        TextPosition(i, x, y);
        for (const char ch : TextOf(i)) {
            const auto w = static_cast<float>(bench.Font->GetCharWidth(static_cast<char32_t>(ch)));
            if (ch != ' ') {
                const float column = static_cast<float>(quads.size() % 32);
                quads.push_back({x, cHeight - y, x + w, cHeight - y - height, column * 16 / 512, 0});
            }
            x += w + static_cast<float>(bench.Font->HSpace());
        }
    }
    TGLContext* context = bench.Viewer->Buffer()->RenderingContext();
    context->Activate();
    TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
    const std::vector<uint8_t> page(512 * 512, 255);
    GLuint texture = 0;
    gl->GenTextures(1, &texture);
    gl->BindTexture(GL_TEXTURE_2D, texture);
    gl->PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl->TexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, 512, 512, 0, GL_ALPHA, GL_UNSIGNED_BYTE, page.data());
    gl->TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl->TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    const float cellWidth = 16.0f / 512, cellHeight = height / 512;
    for (auto _ : state) {
        gl->Viewport(0, 0, cWidth, cHeight);
        gl->ClearColor(0, 0, 0, 1);
        gl->Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        gl->Disable(GL_DEPTH_TEST);
        gl->Disable(GL_LIGHTING);
        gl->Enable(GL_BLEND);
        gl->BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        gl->Enable(GL_TEXTURE_2D);
        gl->BindTexture(GL_TEXTURE_2D, texture);
        gl->TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        gl->MatrixMode(GL_PROJECTION);
        gl->LoadIdentity();
        gl->Ortho(0, cWidth, 0, cHeight, -1, 1);
        gl->MatrixMode(GL_MODELVIEW);
        gl->LoadIdentity();
        gl->Color4f(1, 1, 1, 1);
        gl->Begin_(GL_QUADS);
        for (const TGlyphQuad& q : quads) {
            gl->TexCoord2f(q.S, 1);
            gl->Vertex2f(q.Left, q.Top);
            gl->TexCoord2f(q.S, 1 - cellHeight);
            gl->Vertex2f(q.Left, q.Bottom);
            gl->TexCoord2f(q.S + cellWidth, 1 - cellHeight);
            gl->Vertex2f(q.Right, q.Bottom);
            gl->TexCoord2f(q.S + cellWidth, 1);
            gl->Vertex2f(q.Right, q.Top);
        }
        gl->End_();
        gl->Finish();
    }
    gl->DeleteTextures(1, &texture);
    context->Deactivate();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HandWrittenGlyphQuads)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

BENCHMARK_BASELINE(BM_HUDTextFrame, BM_HandWrittenGlyphQuads);

} // namespace
