// Base of test fixtures that render with the system's own context class on Mesa.
#pragma once

#include "GLContext.h"
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
