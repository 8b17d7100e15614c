// Base of the tests that call OpenGL directly: a fresh EGL test context per test, current on the test's
// thread, with the engine's entry points bound to it. A test leaves no OpenGL error behind.
#pragma once

#include "EglTestContext.h"
#include "OpenGLAdapter.h"

#include <gtest/gtest.h>

class RealGL : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(EnsureOpenGLLoaded());
        GL.Initialize(false);
        SetCurrentGL(&GL);
    }
    void TearDown() override
    {
        EXPECT_EQ(GL.GetError(), static_cast<GLenum>(GL_NO_ERROR));
        SetCurrentGL(nullptr);
        GL.Close();
    }
    GLint Integer(GLenum AName)
    {
        GLint value[4] = {};
        GL.GetIntegerv(AName, value);
        return value[0];
    }
    bool IsOn(GLenum ACapability) { return GL.IsEnabled(ACapability) == GL_TRUE; }

    TEglTestContext Context;
    TGLExtensionsAndEntryPoints GL;
};
