// Pick lists and the decoding of selection-buffer hit records, on hand-made buffers (no OpenGL).
#include "GLSelection.h"

#include "GLBaseClasses.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Fills the selection buffer and the name-to-object array as a pick pass would have.
class TDecodedTechnique : public TGLSelectRenderModeTechnique {
public:
    void Load(std::vector<uint32_t> buffer, int32_t hits, std::vector<TGLUpdateAbleComponent*> objects)
    {
        SetObjectCountGuess(static_cast<int32_t>(buffer.size() + 3) / 4);
        buffer.resize(static_cast<size_t>(ObjectCountGuess()) * 4, 0xDEADBEEF);
        SelectionBuffer() = std::move(buffer);
        SetHits(hits);
        FObjectStack = std::move(objects);
        FCurrentName = static_cast<uint32_t>(FObjectStack.size());
    }
};

class GLSelectionTest : public ::testing::Test {
protected:
    TGLUpdateAbleComponent A{nullptr}, B{nullptr}, C{nullptr};
};

} // namespace

TEST_F(GLSelectionTest, HitRecordsBecomeObjectsWithSubObjectsAndScaledDepths)
{
    TDecodedTechnique technique;
    technique.Load({1, 0, 0xFFFFFFFF, 0,           // one name: no sub-objects, depths 0 and 1
                    3, 0x80000000, 0x80000000, 1, 7, 9}, // three names: two sub-objects in pushed order
                   2, {&A, &B});
    TGLPickList* list = nullptr;
    technique.FillPickingList(list);
    std::unique_ptr<TGLPickList> owned(list);
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Hit(0), &A);
    EXPECT_TRUE(list->SubObjects(0).empty());
    EXPECT_EQ(list->NearDistance(0), 0.0f);
    EXPECT_EQ(list->FarDistance(0), 1.0f);
    EXPECT_EQ(list->Hit(1), &B);
    EXPECT_EQ(list->SubObjects(1), (TPickSubObjects{7, 9}));
    EXPECT_FLOAT_EQ(list->NearDistance(1), 0.5f);
    // The name array is emptied for the next pass.
    EXPECT_EQ(technique.CurrentObject(), nullptr);
}

TEST_F(GLSelectionTest, BrokenRecordsAreSkippedOrEndTheWalk)
{
    struct Case {
        const char* what;
        std::vector<uint32_t> buffer;
        int32_t hits;
        std::vector<TGLUpdateAbleComponent*> expected;
    };
    const std::vector<Case> cases = {
        {"a name without an object", {1, 0, 0, 5, 1, 0, 0, 0}, 2, {&A}},
        {"an empty slot", {1, 0, 0, 1, 1, 0, 0, 0}, 2, {&A}},
        {"no names", {0, 0, 0, 1, 0, 0, 0}, 2, {&A}},
        {"a name count past the buffer", {1, 0, 0, 0, 4000000000u, 0, 0}, 2, {&A}},
        {"more hits than records", {1, 0, 0, 0}, 50, {&A}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TDecodedTechnique technique;
        technique.Load(c.buffer, c.hits, {&A, nullptr});
        TGLPickList list(psDefault);
        TGLPickList* target = &list;
        technique.FillPickingList(target);
        ASSERT_EQ(list.Count(), static_cast<int32_t>(c.expected.size()));
        for (int32_t i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Hit(i), c.expected[i]);
    }
}

TEST_F(GLSelectionTest, TheNewestListDecidesHowEveryListSorts)
{
    A.SetName("b");
    B.SetName("A");
    C.SetName("c");
    TGLPickList byName(psName);
    byName.AddHit(&C, {}, 0.1f, 0.1f);
    byName.AddHit(&A, {}, 0.2f, 0.2f);
    byName.AddHit(&B, {}, 0.3f, 0.3f);
    EXPECT_EQ(byName.Hit(0), &B); // without regard to case
    EXPECT_EQ(byName.Hit(1), &A);
    EXPECT_EQ(byName.FindObject(&C), 2);
    EXPECT_EQ(byName.FindObject(nullptr), -1);

    TGLPickList byDepth(psMinDepth);
    byDepth.AddHit(&A, {}, 0.7f, 0.7f);
    byDepth.AddHit(&B, {}, 0.2f, 0.9f);
    EXPECT_EQ(byDepth.Hit(0), &B);

    const TGLPickList unsorted(psDefault);
    byName.AddHit(&A, {}, 0, 0); // psDefault now: appended, not sorted
    EXPECT_EQ(byName.Hit(3), &A);
}

TEST_F(GLSelectionTest, TheGuessHasAFloorAndTheCurrentObjectIsTheLastNamed)
{
    TDecodedTechnique technique;
    technique.SetObjectCountGuess(3);
    EXPECT_EQ(technique.ObjectCountGuess(), 8);
    technique.Load({}, 0, {&A, &B});
    EXPECT_EQ(technique.CurrentObject(), &B);
    EXPECT_THROW(technique.PushObject(1), Exception);
}
