// The system's context class on Mesa's surfaceless display: the service context, off-screen contexts made
// from the game's own request, sharing with the service context, and the failures of the p-buffer path.
#include "GLWin32Context.h"

#include "OpenGLAdapter.h"
#include "Raises.h"
#include "RealGLTestContext.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace {

class GLWin32ContextTest : public RealGLTestContext {
protected:
    // A new context of the registered class, freed with the test.
    TGLWin32Context* Make()
    {
        auto* context = dynamic_cast<TGLWin32Context*>(vGLContextManager->CreateContext());
        Contexts.emplace_back(context);
        return context;
    }

    struct TFree {
        void operator()(TGLContext* AContext) const { Free(AContext); }
    };
    std::vector<std::unique_ptr<TGLContext, TFree>> Contexts;
};

GLint Integer(GLenum AName)
{
    GLint value = -1;
    GetCurrentGL()->GetIntegerv(AName, &value);
    return value;
}

std::array<uint8_t, 4> ClearAndRead(float r, float g, float b)
{
    TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
    gl->ClearColor(r, g, b, 1);
    gl->Clear(GL_COLOR_BUFFER_BIT);
    std::array<uint8_t, 4> pixel{};
    gl->ReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    return pixel;
}

// Another kind of context, for the class check of sharing.
class TOtherContext : public TGLContext {
public:
    bool IsValid() override { return false; }
    void SwapBuffers() override {}
    void* RenderOutputDevice() override { return nullptr; }

protected:
    void DoCreateContext(void*) override {}
    void DoCreateMemoryContext(void*, int32_t, int32_t, int32_t) override {}
    bool DoShareLists(TGLContext*) override { return false; }
    void DoDestroyContext() override {}
    void DoActivate() override {}
    void DoDeactivate() override {}
};

} // namespace

TEST_F(GLWin32ContextTest, TheServiceContextIsASoftwarePbufferContext)
{
    auto* service = dynamic_cast<TGLWin32Context*>(GetServiceContext());
    ASSERT_NE(service, nullptr);
    EXPECT_TRUE(service->IsValid());
    EXPECT_EQ(service->RenderOutputDevice(), nullptr);
    // Asked for hardware acceleration, it reports what Mesa's software renderer gives.
    EXPECT_EQ(service->Acceleration(), chaSoftware);
}

TEST_F(GLWin32ContextTest, AnOffscreenContextRendersAndSharesWithTheServiceContext)
{
    TGLLogCapture capture;
    TGLWin32Context* context = Make();
    context->SetDepthBits(24);
    context->CreateMemoryContext(nullptr, 8, 8, 1);
    ASSERT_TRUE(context->IsValid());
    EXPECT_TRUE(capture.Contains("PBuffer Backward compatible core PBuffer context successfully created"));
    EXPECT_TRUE(context->SharesWith(GetServiceContext()));
    EXPECT_TRUE(GetServiceContext()->SharesWith(context));

    // A texture made by the service context on its own thread is visible here.
    GLuint texture = 0;
    AddTaskForServiceContext([&] {
        GetCurrentGL()->GenTextures(1, &texture);
        GetCurrentGL()->BindTexture(GL_TEXTURE_2D, texture);
        GetCurrentGL()->Finish();
    });
    ASSERT_NE(texture, 0u);
    context->Activate();
    EXPECT_TRUE(GetCurrentGL()->IsTexture(texture));
    EXPECT_EQ(ClearAndRead(0, 0, 1), (std::array<uint8_t, 4>{0, 0, 255, 255}));
    EXPECT_EQ(Integer(GL_DEPTH_BITS), 24);
    GLint profile = 0;
    GetCurrentGL()->GetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_EQ(profile, GL_CONTEXT_COMPATIBILITY_PROFILE_BIT);
    GetCurrentGL()->DeleteTextures(1, &texture);
    context->SwapBuffers(); // off-screen: nothing to present
    context->Deactivate();

    // Destroyed, it leaves the share group and can be made again.
    context->DestroyContext();
    EXPECT_FALSE(context->IsValid());
    EXPECT_FALSE(GetServiceContext()->SharesWith(context));
    context->CreateMemoryContext(nullptr, 2, 2, 1);
    EXPECT_TRUE(context->IsValid());
    EXPECT_TRUE(context->SharesWith(GetServiceContext()));
}

// The game's own request: 128 colour bits, 32 depth bits, stencil, destination alpha and an anti-aliasing
// level. Mesa has no 32-bit depth with stencil; 4 samples survive at 24 bits. Levels above 4 samples step down
// to aa4xHQ, and a sample count is a minimum, so 2x is met by 4 samples. One test a level: each makes a
// multisampled context, which is slow on the software renderer.
struct TRelaxedRequest {
    TGLAntiAliasing Asked, Reached;
    GLint Samples;
};

class GLWin32ContextRequest : public GLWin32ContextTest, public ::testing::WithParamInterface<TRelaxedRequest> {};

TEST_P(GLWin32ContextRequest, IsRelaxedUntilMesaOffersAFormat)
{
    const TRelaxedRequest& c = GetParam();
    TGLWin32Context* context = Make();
    context->SetColorBits(128);
    context->SetDepthBits(32);
    context->SetStencilBits(8);
    context->SetAlphaBits(8);
    context->SetAntiAliasing(c.Asked);
    context->CreateMemoryContext(nullptr, 4, 4, 1);
    EXPECT_EQ(context->AntiAliasing(), c.Reached);
    context->Activate();
    EXPECT_EQ(Integer(GL_SAMPLES), c.Samples);
    EXPECT_EQ(Integer(GL_DEPTH_BITS), 24);
    EXPECT_EQ(Integer(GL_STENCIL_BITS), 8);
    EXPECT_GE(Integer(GL_ALPHA_BITS), 8);
    context->Deactivate();
}

INSTANTIATE_TEST_SUITE_P(AntiAliasingLevels, GLWin32ContextRequest,
                         ::testing::Values(TRelaxedRequest{aa4x, aa4x, 4}, TRelaxedRequest{aa4xHQ, aa4xHQ, 4},
                                           TRelaxedRequest{aa8x, aa4xHQ, 4}, TRelaxedRequest{csa16xHQ, aa4xHQ, 4},
                                           TRelaxedRequest{aa2x, aa2x, 4}, TRelaxedRequest{aaNone, aaNone, 0},
                                           TRelaxedRequest{aaDefault, aaDefault, 0}));

TEST_F(GLWin32ContextTest, PbufferFailuresRaiseEPBufferAndLeaveNoContext)
{
    TGLWin32Context* context = Make();
    context->SetStencilBits(16); // no format has more than 8
    EXPECT_EQ(MessageOf<EPBuffer>([&] { context->CreateMemoryContext(nullptr, 4, 4, 1); }),
              "Format not supported for pbuffer operation.");
    EXPECT_FALSE(context->IsValid());

    context->SetStencilBits(0);
    EXPECT_EQ(MessageOf<EPBuffer>([&] { context->CreateMemoryContext(nullptr, -1, 4, 1); }),
              "Unabled to create pbuffer.");
    EXPECT_FALSE(context->IsValid());
    context->CreateMemoryContext(nullptr, 4, 4, 1);
    EXPECT_TRUE(context->IsValid());
}

TEST_F(GLWin32ContextTest, SharingWithAnotherKindOfContextIsRefused)
{
    TGLWin32Context* context = Make();
    TOtherContext* other = new TOtherContext();
    EXPECT_EQ(MessageOf([&] { context->ShareLists(other); }), "Incompatible contexts");
    Free(other);
}

TEST_F(GLWin32ContextTest, MakingAContextGivesTheThreadBackToTheActiveOne)
{
    TGLWin32Context* outer = Make();
    outer->CreateMemoryContext(nullptr, 1, 1, 1);
    outer->Activate();
    GetCurrentGL()->ClearColor(0.25f, 0, 0, 0);

    TGLWin32Context* windowless = Make();
    windowless->CreateContext(nullptr);
    TGLWin32Context* offscreen = Make();
    offscreen->CreateMemoryContext(nullptr, 1, 1, 1);
    EXPECT_TRUE(windowless->IsValid() && offscreen->IsValid());
    EXPECT_TRUE(windowless->SharesWith(offscreen));

    TGLWin32Context* failing = Make();
    failing->SetStencilBits(16);
    EXPECT_THROW(failing->CreateMemoryContext(nullptr, 1, 1, 1), EPBuffer);

    EXPECT_EQ(GetCurrentGLContext(), outer);
    EXPECT_EQ(GetCurrentGL(), outer->GL());
    GLfloat color[4] = {};
    GetCurrentGL()->GetFloatv(GL_COLOR_CLEAR_VALUE, color);
    EXPECT_FLOAT_EQ(color[0], 0.25f);
    outer->Deactivate();
}
