// Scene objects drawn into the recording fake OpenGL, inside a context that does nothing itself: the
// vertices and texture coordinates they send are kept, and texture coordinates reach unit 0.
//
//     class MyTest : public RecordingDrawFixture {};
//     TEST_F(MyTest, Something) { TGLSprite sprite(nullptr); Draw(sprite); EXPECT_EQ(Sent.size(), 4u); }
#pragma once

#include "GLPipelineTransformation.h"
#include "GLState.h"
#include "NullContext.h"
#include "RecordingGL.h"
#include "VAVodad.h"
#include "XOpenGL.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// A vertex as sent: the texture coordinate in force, then the position.
struct TSentVertex {
    float S, T, X, Y, Z;
};

inline std::vector<TSentVertex>* vSent = nullptr;
inline float vTexCoord[2] = {0, 0};
inline GLuint vNextList = 0;

inline void SentTexCoord(const GLfloat* v)
{
    vTexCoord[0] = v[0];
    vTexCoord[1] = v[1];
}

inline void SentVertex(const GLfloat* v)
{
    vSent->push_back({vTexCoord[0], vTexCoord[1], v[0], v[1], v[2]});
}

inline bool vListsRefused = false;

inline GLuint NewListName(GLsizei)
{
    return vListsRefused ? 0 : ++vNextList;
}

class RecordingDrawFixture : public ::testing::Test {
protected:
    RecordingDrawFixture()
    {
        vSent = &Sent;
        vNextList = 0;
        vListsRefused = false;
        Context->CreateMemoryContext(nullptr, 1, 1, 1);
        Context->Activate();
        GL = std::make_unique<TRecordingGL>();
        GL->Table.TexCoord2fv = &SentTexCoord;
        GL->Table.Vertex3fv = &SentVertex;
        GL->Table.GenLists = &NewListName;
        // Handles make their context current to delete their names: its entry points record too.
        TGLExtensionsAndEntryPoints& own = *Context->GL();
#define GL_ENTRY(Field, Name, Lookup, Alternate, Type) own.Field = GL->Table.Field;
#include "OpenGLAdapterEntryPoints.def"
#undef GL_ENTRY
#define GL_EXTENSION(Flag, Name) own.Flag = GL->Table.Flag;
#include "OpenGLAdapterExtensions.def"
#undef GL_EXTENSION
        GetCurrentMultitextureCoordinator()->MapTexCoordToMain();
        Cache = std::make_unique<TGLStateCache>();
        Rci.scene = Scene;
        Rci.GLStates = Cache.get();
        Rci.PipelineTransformation = &Pipeline;
        Rci.drawState = dsRendering;
        Rci.objectsSorting = osNone;
        Rci.visibilityCulling = vcNone;
    }
    ~RecordingDrawFixture() override
    {
        Free(Scene);
        Cache.reset();
        GL.reset();
        Context->Deactivate();
        vSent = nullptr;
    }

    void Draw(TGLBaseSceneObject& object)
    {
        Sent.clear();
        GL->Calls.clear();
        object.BuildList(Rci);
    }

    struct TFree {
        void operator()(TGLContext* AContext) const { Free(AContext); }
    };
    std::unique_ptr<TGLContext, TFree> Context{new TNullContext()};
    std::unique_ptr<TRecordingGL> GL;
    std::unique_ptr<TGLStateCache> Cache;
    TGLTransformation Pipeline;
    TVAVodad* Scene = new TVAVodad(nullptr);
    TGLRenderContextInfo Rci{};
    std::vector<TSentVertex> Sent;
};
