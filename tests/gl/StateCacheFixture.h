// The fixture of the state-cache tests: a cache on the recording fake OpenGL.
#pragma once

#include "GLState.h"
#include "Raises.h"
#include "RecordingGL.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

class StateCache : public ::testing::Test {
protected:
    // Runs AAction on the cache and answers the calls it made.
    std::vector<TGLCall> CallsOf(const std::function<void(TGLStateCache&)>& AAction)
    {
        GL.Calls.clear();
        AAction(Cache);
        return GL.Calls;
    }
    void CompileList(uint32_t AList, const std::function<void(TGLStateCache&)>& AAction)
    {
        Cache.NewList(AList, GL_COMPILE);
        AAction(Cache);
        Cache.EndList();
        GL.Calls.clear();
    }
    TRecordingGL GL;
    TGLStateCache Cache;
};

inline const std::vector<TGLCall> cNoCalls;
