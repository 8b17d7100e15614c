// Base of test fixtures that render with the system's own context class on Mesa.
#pragma once

#include "GLContext.h"
#include "GLRenderContextInfo.h"
#include "GLWin32Context.h"

#include <gtest/gtest.h>

// The context module restarts with the system's context class registered, as program start-up does it, so
// the suite runs with a real service context; afterwards it restarts without one for the tests that follow.
class RealGLTestContext : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        DoneContextModule();
        RegisterGLWin32Context();
        InitContextModule();
    }
    static void TearDownTestSuite()
    {
        DoneContextModule();
        InitContextModule();
    }
};

// Base of fixtures whose tests draw: an off-screen context of the system's class, AWidth x AHeight, current
// from the fixture's construction to its destruction, and the render information on it.
class RealGLCurrentContext : public RealGLTestContext {
protected:
    RealGLCurrentContext(int32_t AWidth, int32_t AHeight) : Context(vGLContextManager->CreateContext())
    {
        Context->CreateMemoryContext(nullptr, AWidth, AHeight, 1);
        Context->Activate();
        rci.GLStates = Context->GLStates();
        rci.PipelineTransformation = Context->PipelineTransformation();
    }
    ~RealGLCurrentContext() override
    {
        Context->Deactivate();
        Free(Context);
    }

    TGLContext* const Context;
    TGLRenderContextInfo rci{};
};
