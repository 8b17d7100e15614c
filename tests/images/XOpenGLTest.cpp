// Multitexture routing on the recording fake OpenGL, inside a context that does nothing itself.
#include "XOpenGL.h"

#include "GLState.h"
#include "NullContext.h"
#include "Raises.h"
#include "RecordingGL.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// The context is current and the recording table stands in for its entry points.
class XOpenGL : public ::testing::Test {
protected:
    XOpenGL()
    {
        Context->CreateMemoryContext(nullptr, 1, 1, 1);
        Context->Activate();
        GL = std::make_unique<TRecordingGL>();
    }
    ~XOpenGL() override
    {
        GL.reset();
        Context->Deactivate();
    }

    // The calls AAction makes through the coordinator.
    template <class F> std::vector<TGLCall> CallsOf(F AAction)
    {
        GL->Calls.clear();
        AAction(*Coordinator());
        return GL->Calls;
    }
    static TGLMultitextureCoordinator* Coordinator() { return GetCurrentMultitextureCoordinator(); }

    struct TFree {
        void operator()(TGLContext* AContext) const { Free(AContext); }
    };
    std::unique_ptr<TGLContext, TFree> Context{new TNullContext()};
    std::unique_ptr<TRecordingGL> GL;
};

const auto cCoordAndGen = [](TGLMultitextureCoordinator& c) {
    c.TexCoord2f(0.5f, 0.25f);
    c.TexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    c.TexCoordPointer(2, GL_FLOAT, 0, nullptr);
};

TEST_F(XOpenGL, EachRoutingFeedsItsUnits)
{
    TGLMultitextureCoordinator& c = *Coordinator();
    EXPECT_EQ(c.MapTexCoordMode(), mtcmNull);
    EXPECT_TRUE(CallsOf(cCoordAndGen).empty());

    c.MapTexCoordToMain();
    EXPECT_EQ(CallsOf(cCoordAndGen), (std::vector<TGLCall>{GLCall("TexCoord2f", 0.5, 0.25),
                                                           GLCall("TexGeni", GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP),
                                                           GLCall("TexCoordPointer", 2, GL_FLOAT, 0, 0)}));

    c.MapTexCoordToSecond();
    EXPECT_EQ(CallsOf(cCoordAndGen),
              (std::vector<TGLCall>{GLCall("MultiTexCoord2f", GL_TEXTURE1, 0.5, 0.25), GLCall("ActiveTexture", GL_TEXTURE1),
                                    GLCall("TexGeni", GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP),
                                    GLCall("ClientActiveTexture", GL_TEXTURE1), GLCall("TexCoordPointer", 2, GL_FLOAT, 0, 0),
                                    GLCall("ClientActiveTexture", GL_TEXTURE0)}));
    EXPECT_EQ(Context->GLStates()->ActiveTexture(), 1);

    c.MapTexCoordToDual();
    EXPECT_EQ(CallsOf(cCoordAndGen),
              (std::vector<TGLCall>{GLCall("TexCoord2f", 0.5, 0.25), GLCall("MultiTexCoord2f", GL_TEXTURE1, 0.5, 0.25),
                                    GLCall("ActiveTexture", GL_TEXTURE0),
                                    GLCall("TexGeni", GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP),
                                    GLCall("ActiveTexture", GL_TEXTURE1),
                                    GLCall("TexGeni", GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP),
                                    GLCall("TexCoordPointer", 2, GL_FLOAT, 0, 0),
                                    GLCall("ClientActiveTexture", GL_TEXTURE1), GLCall("TexCoordPointer", 2, GL_FLOAT, 0, 0),
                                    GLCall("ClientActiveTexture", GL_TEXTURE0)}));

    c.MapTexCoordToArbitrary(5u);
    EXPECT_EQ(c.GetBitWiseMapping(), 5u);
    EXPECT_EQ(CallsOf(cCoordAndGen),
              (std::vector<TGLCall>{GLCall("MultiTexCoord2f", GL_TEXTURE0, 0.5, 0.25),
                                    GLCall("MultiTexCoord2f", GL_TEXTURE2, 0.5, 0.25), GLCall("ActiveTexture", GL_TEXTURE0),
                                    GLCall("TexGeni", GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP),
                                    GLCall("ActiveTexture", GL_TEXTURE2),
                                    GLCall("TexGeni", GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP),
                                    GLCall("ClientActiveTexture", GL_TEXTURE0), GLCall("TexCoordPointer", 2, GL_FLOAT, 0, 0),
                                    GLCall("ClientActiveTexture", GL_TEXTURE2),
                                    GLCall("TexCoordPointer", 2, GL_FLOAT, 0, 0)}));
    EXPECT_EQ(Context->GLStates()->ActiveTexture(), 2);
}

TEST_F(XOpenGL, TheForbiddenSecondUnitIsLeftOut)
{
    TGLMultitextureCoordinator& c = *Coordinator();
    c.ForbidSecondTextureUnit();
    c.MapTexCoordToArbitrary(3u);
    EXPECT_EQ(c.ComplexMapping(), (std::vector<uint32_t>{GL_TEXTURE0}));
    EXPECT_EQ(c.GetBitWiseMapping(), 1u);
    c.MapTexCoordToArbitrary(std::vector<uint32_t>{GL_TEXTURE3, GL_TEXTURE1});
    EXPECT_EQ(c.ComplexMapping(), (std::vector<uint32_t>{GL_TEXTURE3}));
    c.MapTexCoordToSecond();
    EXPECT_EQ(c.MapTexCoordMode(), mtcmNull);
    c.MapTexCoordToDual();
    EXPECT_EQ(c.MapTexCoordMode(), mtcmMain);
    c.AllowSecondTextureUnit();
    c.MapTexCoordToArbitraryAdd(4u);
    EXPECT_EQ(c.ComplexMapping(), (std::vector<uint32_t>{GL_TEXTURE0, GL_TEXTURE2}));
}

TEST_F(XOpenGL, UpdatesCollapseToTheLastRequest)
{
    TGLMultitextureCoordinator& c = *Coordinator();
    c.BeginUpdate();
    c.MapTexCoordToMain();
    c.MapTexCoordToDual();
    EXPECT_EQ(c.MapTexCoordMode(), mtcmNull);
    EXPECT_EQ(c.GetBitWiseMapping(), 3u);
    c.BeginUpdate();
    c.EndUpdate();
    EXPECT_EQ(c.MapTexCoordMode(), mtcmNull);
    c.EndUpdate();
    EXPECT_EQ(c.MapTexCoordMode(), mtcmDual);

    c.PushState();
    c.MapTexCoordToArbitrary(6u);
    c.PushState();
    c.MapTexCoordToMain();
    c.PopState();
    EXPECT_EQ(c.MapTexCoordMode(), mtcmArbitrary);
    EXPECT_EQ(c.GetBitWiseMapping(), 6u);
    c.PopState();
    EXPECT_EQ(c.MapTexCoordMode(), mtcmDual);
}

TEST_F(XOpenGL, MisuseFailsItsAssertion)
{
    const auto messageOf = [](auto AAction) { return MessageOf<EAssertionFailed>(AAction); };
    TGLMultitextureCoordinator& c = *Coordinator();
    EXPECT_EQ(messageOf([&] { c.GetBitWiseMapping(); }),
              "Assertion failure (VAVodad\\Source\\Basis\\XOpenGL, line 1162)");
    EXPECT_EQ(messageOf([&] { c.PopState(); }), "Assertion failure (VAVodad\\Source\\Basis\\XOpenGL, line 876)");
    c.BeginUpdate();
    EXPECT_EQ(messageOf([&] { c.PushState(); }), "Assertion failure (VAVodad\\Source\\Basis\\XOpenGL, line 861)");
    c.EndUpdate();
    GL->Table.ARB_multitexture = false;
    EXPECT_EQ(messageOf([&] { c.MapTexCoordToDual(); }),
              "Assertion failure (VAVodad\\Source\\Basis\\XOpenGL, line 1029)");
    EXPECT_EQ(c.MapTexCoordMode(), mtcmNull);
}

TEST(XOpenGLWithoutContext, TheCoordinatorAbortsSilently)
{
    EXPECT_THROW(GetCurrentMultitextureCoordinator(), EAbort);
}

} // namespace
