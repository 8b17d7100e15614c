// The entry-point table and the format support tests on a real OpenGL context (Mesa through EGL).
#include "EglTestFixture.h"
#include "GLTextureFormat.h"
#include "OpenGLAdapter.h"

#include "SysUtils.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <thread>

TEST_F(RealGL, InitializeReadsTheVersionAndExtensionsOfMesa)
{
    EXPECT_TRUE(GL.IsInitialized());
    EXPECT_TRUE(GL.VERSION_4_2); // a 4.5 compatibility profile
    EXPECT_TRUE(GL.ARB_multitexture);
    EXPECT_TRUE(GL.ARB_shader_objects);
    EXPECT_TRUE(GL.ARB_shadow);
    EXPECT_TRUE(GL.EXT_texture_compression_s3tc);
    EXPECT_TRUE(GL.EXT_direct_state_access);
    EXPECT_FALSE(GL.ARB_shadow_ambient);
    EXPECT_FALSE(GL.NV_path_rendering);
    EXPECT_TRUE(IsMesaOpenGL());

    // Functions the engine relies on are real; what Mesa lacks aborts silently.
    EXPECT_FALSE(IsMissingEntryPoint(GL.BindTexture));
    EXPECT_FALSE(IsMissingEntryPoint(GL.ActiveTexture));
    EXPECT_FALSE(IsMissingEntryPoint(GL.UseProgram));
    EXPECT_FALSE(IsMissingEntryPoint(GL.DeleteShader));
    EXPECT_FALSE(IsMissingEntryPoint(GL.GenFramebuffers));
    EXPECT_FALSE(IsMissingEntryPoint(GL.MultiTexCoord1dV));
    EXPECT_FALSE(IsMissingEntryPoint(GL.TextureParameterfv));
    EXPECT_TRUE(IsMissingEntryPoint(GL.DebugMessageEnableAMDX));
    EXPECT_THROW(GL.GetSamplerParameterIfv(), EAbort);
}

TEST_F(RealGL, CallsReachTheContextAndErrorsAreReported)
{
    GL.ClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    GLfloat color[4] = {};
    GL.GetFloatv(GL_COLOR_CLEAR_VALUE, color);
    EXPECT_FLOAT_EQ(color[0], 0.25f);
    EXPECT_FLOAT_EQ(color[1], 0.5f);
    EXPECT_FLOAT_EQ(color[2], 0.75f);
    EXPECT_FLOAT_EQ(color[3], 1.0f);

    TGLLogCapture capture;
    GL.CheckError();
    GL.Enable(0x7FFF); // no capability
    GL.CheckError();
    EXPECT_EQ(capture.Texts(), std::vector<std::string>{"OpenGL error - Invalid enum"});
    EXPECT_EQ(GL.GetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RealGL, WindowSystemFlagsComeFromEgl)
{
    EXPECT_TRUE(GL.W_ARB_pixel_format);
    EXPECT_TRUE(GL.W_ARB_pbuffer);
    EXPECT_TRUE(GL.W_ARB_create_context);
    EXPECT_TRUE(GL.W_EXT_swap_control);
    EXPECT_FALSE(GL.W_NV_DX_interop);
    EXPECT_EQ(GL.WChoosePixelFormatARB, nullptr);
    ASSERT_NE(GL.WSwapIntervalEXT, nullptr);
    ASSERT_NE(GL.WGetSwapIntervalEXT, nullptr);
    EXPECT_EQ(GL.WGetSwapIntervalEXT(), 1);
    if (GL.WSwapIntervalEXT(0)) {
        EXPECT_EQ(GL.WGetSwapIntervalEXT(), 0);
        GL.WSwapIntervalEXT(1);
    }
}

TEST_F(RealGL, SupportedFormatsAndTargetsAreAcceptedByMesa)
{
    for (TGLInternalFormat format : {tfRGBA8, tfRGB8, tfLUMINANCE8, tfALPHA8, tfRGBA_FLOAT16, tfR11F_G11F_B10F,
                                     tfDEPTH_COMPONENT24, tfRGBA16_SNORM}) {
        SCOPED_TRACE(format);
        ASSERT_TRUE(IsInternalFormatSupported(format));
        GLenum colorFormat = 0, dataType = 0;
        InternalFormatPixelFormat(format, colorFormat, dataType);
        GLuint texture = 0;
        GL.GenTextures(1, &texture);
        GL.BindTexture(GL_TEXTURE_2D, texture);
        const uint8_t pixel[16] = {};
        GL.TexImage2D(GL_TEXTURE_2D, 0, InternalFormatToGLEnum(format), 1, 1, 0, colorFormat, dataType, pixel);
        EXPECT_EQ(GL.GetError(), static_cast<GLenum>(GL_NO_ERROR));
        GLint width = 0;
        GL.GetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        EXPECT_EQ(width, 1);
        GL.DeleteTextures(1, &texture);
    }
    for (int i = ttTexture1D; i <= ttTextureCubeArray; ++i)
        EXPECT_TRUE(IsTextureTargetSupported(TGLTextureTarget(i))) << "target " << i;
}

TEST(RealGLWithoutContext, InitializeOnAThreadWithoutContextReadsNothing)
{
    ASSERT_TRUE(EnsureOpenGLLoaded());
    std::thread([] {
        TGLExtensionsAndEntryPoints gl;
        gl.Initialize(false); // glGetString answers null here
        EXPECT_TRUE(gl.IsInitialized());
        EXPECT_TRUE(gl.VERSION_1_0);
        EXPECT_FALSE(gl.VERSION_1_1);
        EXPECT_FALSE(gl.ARB_multitexture);
        EXPECT_FALSE(gl.W_ARB_pbuffer);
        EXPECT_EQ(gl.WSwapIntervalEXT, nullptr);
    }).join();
}
