// The platform's EGL layer on Mesa's surfaceless display: config ranking, share groups, p-buffers, contexts on
// two threads, errors and window-destroy tracking without an X server.
#include "OpenGLAdapter.h"
#include "PlatformGL.h"

#include <gtest/gtest.h>

#include <array>
#include <thread>
#include <vector>

namespace {

struct TConfigFacts {
    int32_t Color, Alpha, Depth, Stencil, Samples, Float;
};

TConfigFacts Facts(TPglConfig AConfig)
{
    return {PglConfigAttrib(AConfig, WGL_COLOR_BITS_ARB),   PglConfigAttrib(AConfig, WGL_ALPHA_BITS_ARB),
            PglConfigAttrib(AConfig, WGL_DEPTH_BITS_ARB),   PglConfigAttrib(AConfig, WGL_STENCIL_BITS_ARB),
            PglConfigAttrib(AConfig, WGL_SAMPLES_ARB),      PglConfigAttrib(AConfig, WGL_FLOAT_COMPONENTS_NV)};
}

std::string Describe(const TConfigFacts& f)
{
    return "colour " + std::to_string(f.Color) + " alpha " + std::to_string(f.Alpha) + " depth " +
           std::to_string(f.Depth) + " stencil " + std::to_string(f.Stencil) + " samples " +
           std::to_string(f.Samples) + (f.Float ? " float" : "");
}

// The entry points, bound once on a context of their own; GLVND sends each call to the context current on the
// calling thread.
TGLExtensionsAndEntryPoints& GL()
{
    static TGLExtensionsAndEntryPoints* vGL = [] {
        auto* gl = new TGLExtensionsAndEntryPoints();
        EXPECT_TRUE(EnsureOpenGLLoaded());
        const TPglConfig config = PglChooseClosestConfig(nullptr);
        TPglContext context = PglCreateContext(config, nullptr, nullptr);
        PglMakeCurrent(nullptr, context);
        gl->Initialize(false);
        PglReleaseCurrent();
        PglDestroyContext(context);
        return gl;
    }();
    return *vGL;
}

// Clears the current surface to the colour and reads the pixel at (x, y).
std::array<uint8_t, 4> ClearAndRead(float r, float g, float b, int x = 0, int y = 0)
{
    GL().ClearColor(r, g, b, 1);
    GL().Clear(GL_COLOR_BUFFER_BIT);
    std::array<uint8_t, 4> pixel{};
    GL().ReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    return pixel;
}

const int32_t cPbuffer[] = {WGL_DRAW_TO_PBUFFER_ARB, 1, 0};

// Tests that call OpenGL: the entry points are bound before any test makes its own context current.
class PlatformGLCalls : public ::testing::Test {
protected:
    static void SetUpTestSuite() { GL(); }
};

} // namespace

TEST(PlatformGL, ConfigsAreRankedByClosenessToTheRequest)
{
    struct {
        std::vector<int32_t> Attribs;
        TConfigFacts Expected;
    } const cases[] = {
        // The default request: 8-bit channels before 10-bit ones, no unasked buffers or samples.
        {{WGL_DRAW_TO_PBUFFER_ARB, 1, WGL_COLOR_BITS_ARB, 32, 0}, {32, 8, 0, 0, 0, 0}},
        {{WGL_DRAW_TO_PBUFFER_ARB, 1, WGL_COLOR_BITS_ARB, 24, 0}, {24, 0, 0, 0, 0, 0}},
        // Minimums take the smallest config that meets them.
        {{WGL_DRAW_TO_PBUFFER_ARB, 1, WGL_COLOR_BITS_ARB, 32, WGL_DEPTH_BITS_ARB, 16, 0}, {32, 8, 16, 0, 0, 0}},
        {{WGL_DRAW_TO_PBUFFER_ARB, 1, WGL_COLOR_BITS_ARB, 32, WGL_DEPTH_BITS_ARB, 24, WGL_STENCIL_BITS_ARB, 1,
          WGL_SAMPLE_BUFFERS_ARB, 1, WGL_SAMPLES_ARB, 2, 0},
         {32, 8, 24, 8, 4, 0}},
        // 128 float colour bits: the nearest float config, no integer one.
        {{WGL_DRAW_TO_PBUFFER_ARB, 1, WGL_COLOR_BITS_ARB, 128, WGL_FLOAT_COMPONENTS_NV, 1, WGL_ALPHA_BITS_ARB, 8,
          WGL_DEPTH_BITS_ARB, 24, WGL_STENCIL_BITS_ARB, 8, 0},
         {64, 16, 24, 8, 0, 1}},
    };
    for (const auto& c : cases) {
        TPglConfig configs[32];
        const int32_t count = PglChooseConfigs(c.Attribs.data(), configs, 32);
        ASSERT_GT(count, 0);
        EXPECT_EQ(Describe(Facts(configs[0])), Describe(c.Expected)) << "request of " << c.Attribs[3] << " bits";
        EXPECT_EQ(PglConfigAttrib(configs[0], WGL_DRAW_TO_PBUFFER_ARB), 1);
    }
}

// Each weight of the closeness measure on made-up configs, as the number of extra depth bits (one point each)
// that a single difference from the exact config costs: the exact config with one bit fewer than the weight
// ranks before the different one, with one bit more after it.
TEST(PlatformGL, RankingWeighsEachDifferenceFromTheRequest)
{
    const TPglConfigFacts rgba{.Red = 8, .Green = 8, .Blue = 8, .Alpha = 8, .Depth = 24, .Stencil = 8, .Pbuffer = true};
    const auto with = [&](auto AChange) {
        TPglConfigFacts config = rgba;
        AChange(config);
        return config;
    };
    const std::vector<int32_t> asked = {WGL_DRAW_TO_PBUFFER_ARB, 1, WGL_COLOR_BITS_ARB, 32, WGL_ALPHA_BITS_ARB, 8,
                                        WGL_DEPTH_BITS_ARB, 24, WGL_STENCIL_BITS_ARB, 8, 0};
    const std::vector<int32_t> noAlpha = {WGL_DRAW_TO_PBUFFER_ARB, 1, WGL_COLOR_BITS_ARB, 32, WGL_DEPTH_BITS_ARB, 24,
                                          WGL_STENCIL_BITS_ARB, 8, 0};
    const std::vector<int32_t> rgb = {WGL_DRAW_TO_PBUFFER_ARB, 1, WGL_COLOR_BITS_ARB, 24, WGL_DEPTH_BITS_ARB, 24,
                                      WGL_STENCIL_BITS_ARB, 8, 0};
    std::vector<int32_t> samples = asked, asFloat = asked;
    samples.insert(samples.end() - 1, {WGL_SAMPLE_BUFFERS_ARB, 1, WGL_SAMPLES_ARB, 4});
    asFloat.insert(asFloat.end() - 1, {WGL_FLOAT_COMPONENTS_NV, 1});
    const TPglConfigFacts rgbExact = with([](auto& c) { c.Alpha = 0; });
    const TPglConfigFacts fourSamples = with([](auto& c) { c.Samples = 4; });
    const TPglConfigFacts floatExact = with([](auto& c) { c.Float = true; });
    const struct {
        const char* What;
        std::vector<int32_t> Request;
        TPglConfigFacts Exact, Different;
        int32_t Weight;
    } cases[] = {
        {"a missing depth bit", asked, rgba, with([](auto& c) { c.Depth = 23; }), 10},
        {"no depth buffer", asked, rgba, with([](auto& c) { c.Depth = 0; }), 1000},
        {"a missing stencil bit", asked, rgba, with([](auto& c) { c.Stencil = 7; }), 10},
        {"an extra stencil bit", asked, rgba, with([](auto& c) { c.Stencil = 9; }), 1},
        {"an extra alpha bit, an extra colour bit", asked, rgba, with([](auto& c) { c.Alpha = 9; }), 1},
        {"a missing alpha bit, also a missing colour bit", asked, rgba, with([](auto& c) { c.Alpha = 7; }), 20},
        {"a missing colour bit", noAlpha, rgba, with([](auto& c) { c.Alpha = 7; }), 10},
        {"32 bits as 10-10-10-2: 2 bits off a quarter per channel", noAlpha, rgba,
         with([](auto& c) { c.Red = c.Green = c.Blue = 10; c.Alpha = 2; }), 6},
        {"24 bits as 6-6-6-6: 2 bits off a third per channel", rgb, rgbExact,
         with([](auto& c) { c.Red = c.Green = c.Blue = c.Alpha = 6; }), 6},
        {"an unasked sample", asked, rgba, with([](auto& c) { c.Samples = 1; }), 20},
        {"an extra sample", samples, fourSamples, with([](auto& c) { c.Samples = 5; }), 20},
        {"a missing sample", samples, fourSamples, with([](auto& c) { c.Samples = 3; }), 10},
        {"no samples", samples, fourSamples, rgba, 1000},
        {"unasked float colour", asked, rgba, floatExact, 100},
        {"integer colour where float is preferred", asFloat, floatExact, rgba, 100},
        {"a slow config", asked, rgba, with([](auto& c) { c.Slow = true; }), 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TPglConfigFacts cheaper = c.Exact, dearer = c.Exact;
        cheaper.Depth += c.Weight - 1;
        dearer.Depth += c.Weight + 1;
        EXPECT_EQ(PglRankConfigs(c.Request.data(), {c.Different, c.Exact}, true), (std::vector<int32_t>{1, 0}));
        EXPECT_EQ(PglRankConfigs(c.Request.data(), {c.Different, cheaper}, true), (std::vector<int32_t>{1, 0}));
        EXPECT_EQ(PglRankConfigs(c.Request.data(), {dearer, c.Different}, true), (std::vector<int32_t>{1, 0}));
    }
}

// Choosing keeps only the configs that meet the request; the closest choice keeps those of the asked surface
// kind while there are any, and ranks the rest.
TEST(PlatformGL, RankingFiltersByMinimumsAndSurfaceKind)
{
    const TPglConfigFacts windowOnly{.Red = 8, .Green = 8, .Blue = 8, .Alpha = 8, .Depth = 24, .Window = true};
    TPglConfigFacts shallow = windowOnly, deep = windowOnly;
    shallow.Window = deep.Window = false;
    shallow.Pbuffer = deep.Pbuffer = true;
    shallow.Depth = 16;
    deep.Depth = 32;
    const int32_t request[] = {WGL_DRAW_TO_PBUFFER_ARB, 1, WGL_COLOR_BITS_ARB, 32, WGL_DEPTH_BITS_ARB, 24, 0};
    EXPECT_EQ(PglRankConfigs(request, {windowOnly, shallow, deep}, false), std::vector<int32_t>{2});
    EXPECT_EQ(PglRankConfigs(request, {windowOnly, shallow, deep}, true), (std::vector<int32_t>{2, 1}));
    EXPECT_EQ(PglRankConfigs(request, {windowOnly}, false), std::vector<int32_t>{});
    EXPECT_EQ(PglRankConfigs(request, {windowOnly}, true), std::vector<int32_t>{0});
}

TEST(PlatformGL, TheGamesRequestFailsAsAMinimumButAlwaysHasAClosestConfig)
{
    // 128 colour bits, 32 depth bits, stencil, destination alpha, 4x anti-aliasing: Mesa has no 32-bit
    // depth buffer with stencil, so the minimums fail until the depth comes down to 24.
    std::vector<int32_t> request = {WGL_DRAW_TO_PBUFFER_ARB, 1, WGL_ACCELERATION_ARB, WGL_FULL_ACCELERATION_ARB,
                                    WGL_PIXEL_TYPE_ARB, WGL_TYPE_RGBA_ARB, WGL_FLOAT_COMPONENTS_NV, 1,
                                    WGL_COLOR_BITS_ARB, 128, WGL_ALPHA_BITS_ARB, 8, WGL_DEPTH_BITS_ARB, 32,
                                    WGL_STENCIL_BITS_ARB, 8, WGL_SAMPLE_BUFFERS_ARB, 1, WGL_SAMPLES_ARB, 4, 0};
    TPglConfig configs[32];
    EXPECT_EQ(PglChooseConfigs(request.data(), configs, 32), 0);
    EXPECT_EQ(PglLastError(), 0x3009); // EGL_BAD_MATCH

    const TPglConfig closest = PglChooseClosestConfig(request.data());
    ASSERT_NE(closest, 0);
    EXPECT_EQ(Describe(Facts(closest)), Describe({64, 16, 24, 8, 4, 1}));

    request[13] = 24;
    ASSERT_GT(PglChooseConfigs(request.data(), configs, 32), 0);
    EXPECT_EQ(configs[0], closest);

    // What no config has is refused, but the closest config is still found.
    for (const int32_t attribute : {WGL_STEREO_ARB, WGL_DRAW_TO_BITMAP_ARB}) {
        const int32_t impossible[] = {attribute, 1, 0};
        EXPECT_EQ(PglChooseConfigs(impossible, configs, 32), 0);
        EXPECT_NE(PglChooseClosestConfig(impossible), 0);
    }
    const int32_t coverage[] = {WGL_SAMPLE_BUFFERS_ARB, 1, WGL_SAMPLES_ARB, 4, WGL_COLOR_SAMPLES_NV, 4, 0};
    EXPECT_EQ(PglChooseConfigs(coverage, configs, 32), 0);
    const int32_t windowOnly[] = {WGL_DRAW_TO_WINDOW_ARB, 1, 0};
    EXPECT_EQ(PglChooseConfigs(windowOnly, configs, 32), 0); // the surfaceless display has no windows
    EXPECT_NE(PglChooseClosestConfig(windowOnly), 0);
}

TEST_F(PlatformGLCalls, ContextsOfOneShareGroupSeeEachOthersObjects)
{
    const TPglConfig config = PglChooseClosestConfig(cPbuffer);
    TPglContext service = PglCreateContext(0, nullptr, nullptr);
    TPglContext shared = PglCreateContext(config, service, nullptr);
    TPglContext alone = PglCreateContext(config, nullptr, nullptr);
    ASSERT_TRUE(service && shared && alone);
    EXPECT_TRUE(PglShareLists(service, shared));
    EXPECT_TRUE(PglShareLists(shared, service));
    EXPECT_FALSE(PglShareLists(service, alone));
    EXPECT_FALSE(PglShareLists(service, nullptr));

    ASSERT_TRUE(PglMakeCurrent(nullptr, service));
    GLuint texture = 0;
    GL().GenTextures(1, &texture);
    GL().BindTexture(GL_TEXTURE_2D, texture);
    GL().Finish();
    ASSERT_TRUE(PglMakeCurrent(nullptr, shared));
    EXPECT_TRUE(GL().IsTexture(texture));
    ASSERT_TRUE(PglMakeCurrent(nullptr, alone));
    EXPECT_FALSE(GL().IsTexture(texture));
    ASSERT_TRUE(PglMakeCurrent(nullptr, shared));
    GL().DeleteTextures(1, &texture);
    EXPECT_TRUE(PglReleaseCurrent());
    for (TPglContext context : {service, shared, alone}) EXPECT_TRUE(PglDestroyContext(context));
}

TEST_F(PlatformGLCalls, PbufferRendersAndReadsBackOnTwoThreads)
{
    const TPglConfig config = PglChooseClosestConfig(cPbuffer);
    TPglContext mainContext = PglCreateContext(config, nullptr, nullptr);
    TPglContext threadContext = PglCreateContext(config, mainContext, nullptr);
    TPglSurface mainSurface = PglCreatePbuffer(config, 4, 4);
    TPglSurface threadSurface = PglCreatePbuffer(config, 4, 4);
    ASSERT_TRUE(mainContext && threadContext && mainSurface && threadSurface);

    ASSERT_TRUE(PglMakeCurrent(mainSurface, mainContext));
    EXPECT_EQ(ClearAndRead(1, 0, 0, 3, 3), (std::array<uint8_t, 4>{255, 0, 0, 255}));

    std::thread([&] {
        // A context current on another thread cannot be taken.
        EXPECT_FALSE(PglMakeCurrent(threadSurface, mainContext));
        EXPECT_EQ(PglLastError(), 0x3002); // EGL_BAD_ACCESS
        ASSERT_TRUE(PglMakeCurrent(threadSurface, threadContext));
        EXPECT_EQ(ClearAndRead(0, 0, 1), (std::array<uint8_t, 4>{0, 0, 255, 255}));
        EXPECT_TRUE(PglReleaseCurrent());
    }).join();

    // The main thread's context and surface are untouched by the other thread's work.
    std::array<uint8_t, 4> pixel{};
    GL().ReadPixels(2, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    EXPECT_EQ(pixel, (std::array<uint8_t, 4>{255, 0, 0, 255}));
    EXPECT_TRUE(PglReleaseCurrent());
    for (TPglSurface surface : {mainSurface, threadSurface}) EXPECT_TRUE(PglDestroySurface(surface));
    for (TPglContext context : {mainContext, threadContext}) EXPECT_TRUE(PglDestroyContext(context));
}

TEST(PlatformGL, FailuresAreReportedWithTheirEglError)
{
    EXPECT_FALSE(PglHasNativeDisplay());
    const TPglConfig config = PglChooseClosestConfig(nullptr);
    EXPECT_EQ(PglCreateWindowSurface(config, 42, true), nullptr); // no windows without an X server
    EXPECT_EQ(PglErrorText(PglLastError()), "EGL_BAD_NATIVE_WINDOW");
    EXPECT_EQ(PglCreatePbuffer(0, 1, 1), nullptr);
    EXPECT_EQ(PglErrorText(PglLastError()), "EGL_BAD_CONFIG");
    const int32_t layer[] = {WGL_CONTEXT_LAYER_PLANE_ARB, 1, 0};
    EXPECT_EQ(PglCreateContext(config, nullptr, layer), nullptr);
    EXPECT_EQ(PglErrorText(PglLastError()), "EGL_BAD_ATTRIBUTE");
    EXPECT_EQ(PglErrorText(0x1234), "EGL error 1234");
    EXPECT_FALSE(PglSwapBuffers(nullptr));
}

TEST_F(PlatformGLCalls, ContextAttributesGiveProfilesAndFlags)
{
    struct {
        std::vector<int32_t> Attribs;
        GLint ProfileMask, Flags;
    } const cases[] = {
        {{0}, GL_CONTEXT_COMPATIBILITY_PROFILE_BIT, 0},
        {{WGL_CONTEXT_MAJOR_VERSION_ARB, 3, WGL_CONTEXT_MINOR_VERSION_ARB, 3, WGL_CONTEXT_FLAGS_ARB,
          WGL_CONTEXT_FORWARD_COMPATIBLE_BIT_ARB, 0},
         GL_CONTEXT_CORE_PROFILE_BIT, GL_CONTEXT_FLAG_FORWARD_COMPATIBLE_BIT},
        {{WGL_CONTEXT_FLAGS_ARB, WGL_CONTEXT_DEBUG_BIT_ARB, 0}, GL_CONTEXT_COMPATIBILITY_PROFILE_BIT,
         GL_CONTEXT_FLAG_DEBUG_BIT},
    };
    for (const auto& c : cases) {
        TPglContext context = PglCreateContext(0, nullptr, c.Attribs.data());
        ASSERT_NE(context, nullptr);
        ASSERT_TRUE(PglMakeCurrent(nullptr, context));
        GLint mask = 0, flags = 0;
        GL().GetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
        GL().GetIntegerv(GL_CONTEXT_FLAGS, &flags);
        EXPECT_EQ(mask, c.ProfileMask);
        EXPECT_EQ(flags, c.Flags);
        PglReleaseCurrent();
        PglDestroyContext(context);
    }
}

TEST(PlatformGL, WindowDestroyCallbacksRunLastTrackedFirst)
{
    std::vector<std::string> calls;
    int owners[3];
    PglTrackWindow(7, &owners[0], [&] { calls.push_back("7a"); });
    PglTrackWindow(8, &owners[1], [&] { calls.push_back("8"); });
    PglTrackWindow(7, &owners[2], [&] {
        calls.push_back("7c");
        PglUntrackWindow(7, &owners[2]);
        PglUntrackWindow(7, &owners[0]); // dropped before its turn: not called
    });
    PglNotifyWindowDestroying(7);
    EXPECT_EQ(calls, (std::vector<std::string>{"7c"}));
    PglNotifyWindowDestroying(7);
    PglNotifyWindowDestroying(8);
    EXPECT_EQ(calls, (std::vector<std::string>{"7c", "8"}));
    PglUntrackWindow(8, &owners[1]);
    PglNotifyWindowDestroying(8);
    EXPECT_EQ(calls.size(), 2u);
}
