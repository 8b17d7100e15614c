// A scene object's display list on Mesa: compiled from BuildList on first use and after a structure change
// only, closed also when BuildList fails, and released with the object's handles.
#include "VAVodad.h"

#include "GLContext.h"
#include "GLState.h"
#include "RealGLTestContext.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class TListedObject : public TGLBaseSceneObject {
public:
    using TGLBaseSceneObject::TGLBaseSceneObject;
    void BuildList(TGLRenderContextInfo&) override
    {
        ++Builds;
        if (FailNext) {
            FailNext = false;
            throw std::runtime_error("build failed");
        }
        GetCurrentGL()->Color4f(1, 0, 0, 1);
    }
    int Builds = 0;
    bool FailNext = false;
};

class VAVodadRealGLTest : public RealGLCurrentContext {
protected:
    VAVodadRealGLTest() : RealGLCurrentContext(4, 4) {}
};

} // namespace

TEST_F(VAVodadRealGLTest, DisplayListIsCompiledOnlyWhenTheStructureChanged)
{
    auto* object = new TListedObject(nullptr);
    EXPECT_FALSE(object->ListHandleAllocated());
    const uint32_t name = object->GetHandle(rci);
    ASSERT_NE(name, 0u);
    EXPECT_TRUE(GetCurrentGL()->IsList(name));
    EXPECT_EQ(object->GetHandle(rci), name);
    EXPECT_EQ(object->GetHandle(rci), name);
    EXPECT_EQ(object->Builds, 1);
    EXPECT_TRUE(object->ListHandleAllocated());

    object->StructureChanged();
    EXPECT_FALSE(object->ListHandleAllocated());
    EXPECT_EQ(object->GetHandle(rci), name);
    EXPECT_EQ(object->Builds, 2);

    // A failing build still closes the list, so the next one can open it again.
    object->StructureChanged();
    object->FailNext = true;
    EXPECT_THROW(object->GetHandle(rci), std::runtime_error);
    object->StructureChanged();
    EXPECT_EQ(object->GetHandle(rci), name);
    EXPECT_EQ(object->Builds, 4);

    object->DestroyHandles();
    EXPECT_FALSE(GetCurrentGL()->IsList(name));
    EXPECT_FALSE(object->ListHandleAllocated());
    Free(object);
}

TEST_F(VAVodadRealGLTest, ReorderingWithinTheSceneKeepsTheDisplayList)
{
    auto* scene = new TVAVodad(nullptr);
    TListedObject* objects[3];
    for (TListedObject*& object : objects) object = TGLBaseSceneObject::CreateAsChild<TListedObject>(scene->Objects());
    const uint32_t name = objects[1]->GetHandle(rci);
    objects[1]->SetIndex(2);
    EXPECT_EQ(objects[1]->Index(), 2);
    EXPECT_TRUE(objects[1]->ListHandleAllocated());
    EXPECT_EQ(objects[1]->GetHandle(rci), name);
    EXPECT_EQ(objects[1]->Builds, 1);
    Free(scene);
}
