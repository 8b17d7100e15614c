// The state cache on a real OpenGL context (Mesa through EGL): what it sets is what OpenGL reports.
#include "EglTestFixture.h"
#include "GLState.h"

#include <gtest/gtest.h>

namespace {

class RealGLStateCache : public RealGL {
protected:
    TGLStateCache Cache;
};

} // namespace

TEST_F(RealGLStateCache, WhatTheCacheSetsOpenGLReports)
{
    Cache.SetDepthFunc(cfLEqual);
    Cache.Enable(stBlend);
    Cache.SetBlendFuncSeparate(bfSrcAlpha, bfOneMinusSrcAlpha, bfOne, bfZero);
    Cache.SetStencilFunc(cfNotEqual, 3, 0x0F);
    Cache.SetStencilOp(soKeep, soIncrWrap, soReplace);
    Cache.SetViewPort({{{1, 0, 1, 1}}});
    Cache.SetPolygonMode(pmLines);
    Cache.SetCullFaceMode(cmFront);
    Cache.SetUnpackAlignment(1);
    Cache.SetGLColorWriting(false);
    EXPECT_EQ(Integer(GL_DEPTH_FUNC), GL_LEQUAL);
    EXPECT_TRUE(IsOn(GL_BLEND));
    EXPECT_EQ(Integer(GL_BLEND_SRC_RGB), GL_SRC_ALPHA);
    EXPECT_EQ(Integer(GL_BLEND_DST_RGB), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(Integer(GL_BLEND_SRC_ALPHA), GL_ONE);
    EXPECT_EQ(Integer(GL_STENCIL_FUNC), GL_NOTEQUAL); // the reference is clamped: the test surface has no stencil
    EXPECT_EQ(Integer(GL_STENCIL_VALUE_MASK), 0x0F);
    EXPECT_EQ(Integer(GL_STENCIL_PASS_DEPTH_FAIL), GL_INCR_WRAP);
    EXPECT_EQ(Integer(GL_VIEWPORT), 1);
    EXPECT_EQ(Integer(GL_POLYGON_MODE), GL_LINE);
    EXPECT_EQ(Integer(GL_CULL_FACE_MODE), GL_FRONT);
    EXPECT_EQ(Integer(GL_UNPACK_ALIGNMENT), 1);
    GLboolean colorWrites[4] = {GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE};
    GL.GetBooleanv(GL_COLOR_WRITEMASK, colorWrites);
    EXPECT_EQ(colorWrites[0], GL_FALSE);

    // A fresh context dithers, as the cache believes.
    EXPECT_TRUE(IsOn(GL_DITHER));
    Cache.Disable(stDither);
    EXPECT_FALSE(IsOn(GL_DITHER));

    EXPECT_EQ(Cache.MaxTextureSize(), static_cast<uint32_t>(Integer(GL_MAX_TEXTURE_SIZE)));
    EXPECT_EQ(Cache.MaxLights(), static_cast<uint32_t>(Integer(GL_MAX_LIGHTS)));
}

TEST_F(RealGLStateCache, TexturesMaterialAndLights)
{
    GLuint texture = 0;
    GL.GenTextures(1, &texture);
    Cache.SetTextureBinding(2, ttTexture2D, texture);
    EXPECT_EQ(Integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    GL.ActiveTexture(GL_TEXTURE2);
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(texture));
    GL.ActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), 0);

    Cache.ResetGLCurrentTexture();
    GL.ActiveTexture(GL_TEXTURE2);
    EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), 0);
    GL.ActiveTexture(GL_TEXTURE0);
    GL.DeleteTextures(1, &texture);

    const TVector4f red = {{{1, 0, 0, 0.5f}}};
    const TVector4f black = {{{0, 0, 0, 1}}};
    Cache.SetGLMaterialColors(cmBack, black, black, red, black, 7);
    GLfloat diffuse[4] = {};
    GL.GetMaterialfv(GL_BACK, GL_DIFFUSE, diffuse);
    EXPECT_EQ(diffuse[0], 1);
    EXPECT_EQ(diffuse[3], 0.5f);
    GLint shininess = 0;
    GL.GetMaterialiv(GL_BACK, GL_SHININESS, &shininess);
    EXPECT_EQ(shininess, 7);

    Cache.SetLightEnabling(1, true);
    Cache.SetLightAmbient(1, red);
    Cache.SetSpotCutoff(1, 45);
    EXPECT_TRUE(IsOn(GL_LIGHT1));
    GLfloat ambient[4] = {};
    GL.GetLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
    EXPECT_EQ(ambient[0], 1);
    GLfloat cutoff = 0;
    GL.GetLightfv(GL_LIGHT1, GL_SPOT_CUTOFF, &cutoff);
    EXPECT_EQ(cutoff, 45);
}

TEST_F(RealGLStateCache, CalledListsLeaveTheStateTheCacheKnows)
{
    const GLuint list = GL.GenLists(1);
    ASSERT_NE(list, 0u);
    Cache.NewList(list, GL_COMPILE);
    Cache.SetDepthFunc(cfGreater);
    Cache.Enable(stCullFace);
    Cache.SetLineWidth(3);
    Cache.EndList();
    EXPECT_EQ(Integer(GL_DEPTH_FUNC), GL_LESS) << "compiled, not executed";

    Cache.CallList(list);
    EXPECT_EQ(Integer(GL_DEPTH_FUNC), GL_LESS);
    EXPECT_FALSE(IsOn(GL_CULL_FACE));
    GLfloat width = 0;
    GL.GetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 1);
    EXPECT_EQ(Cache.DepthFunc(), cfLess);
    EXPECT_FALSE(Cache.EnableCullFace());
    GL.DeleteLists(list, 1);
}
