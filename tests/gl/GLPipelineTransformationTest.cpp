// The transformation stack: lazy derived matrices, push and pop, the log reports, and the calls that mirror
// it into OpenGL's fixed-function matrices.
#include "GLPipelineTransformation.h"
#include "GLVectorGeometryMatrices.h"
#include "RecordingGL.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TMatrix4f Translation(float x, float y, float z)
{
    TMatrix4f m;
    MatrixTranslation(TVector3f{{{x, y, z}}}, m);
    return m;
}

TMatrix4f Scaling(float x, float y, float z)
{
    TMatrix4f m;
    MatrixScaling(TVector3f{{{x, y, z}}}, m);
    return m;
}

void ExpectMatrix(const TMatrix4f& actual, const TMatrix4f& expected)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(actual.V[i].V[j], expected.V[i].V[j], 1e-5f) << "row " << i << " col " << j;
}

bool SameRecord(const TTransformationRec& a, const TTransformationRec& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TGLPipelineTransformationStates States(TGLTransformation& t)
{
    return t.StackTop().FStates;
}

} // namespace

TEST(GLPipelineTransformation, NewObjectAnswersIdentityEverywhere)
{
    TGLTransformation t;
    EXPECT_FALSE(t.LoadMatricesEnabled());
    for (const TMatrix4f& m : {t.ModelMatrix(), t.ViewMatrix(), t.ProjectionMatrix(), t.ModelViewMatrix(),
                               t.ViewProjectionMatrix(), t.InvModelViewMatrix(), t.InvModelMatrix()})
        ExpectMatrix(m, IdentityHmgMatrix);
    TFrustum expected;
    FrustumFromMatrix(IdentityHmgMatrix, expected);
    const TFrustum frustum = t.Frustum();
    EXPECT_EQ(std::memcmp(&frustum, &expected, sizeof frustum), 0);
    const TMatrix3f normal = t.NormalModelMatrix();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_FLOAT_EQ(normal.V[i].V[j], i == j ? 1.0f : 0.0f);
    EXPECT_TRUE(States(t).Empty());
}

TEST(GLPipelineTransformation, DerivedMatricesAreComputedOnceAndOnlyWhenStale)
{
    TGLTransformation t;
    t.SetModelMatrix(Translation(1, 2, 3));
    t.SetViewMatrix(Translation(0, 0, -5));
    t.SetProjectionMatrix(Scaling(2, 2, 2));

    // Points are row vectors: Model x View and View x Projection.
    ExpectMatrix(t.ModelViewMatrix(), Translation(1, 2, -2));
    ExpectMatrix(t.InvModelViewMatrix(), Translation(-1, -2, 2));
    ExpectMatrix(t.InvModelMatrix(), Translation(-1, -2, -3));
    TMatrix4f viewProjection = Scaling(2, 2, 2);
    viewProjection.W = TVector4f{{{0, 0, -10, 1}}};
    ExpectMatrix(t.ViewProjectionMatrix(), viewProjection);
    t.Frustum();
    t.NormalModelMatrix();
    EXPECT_TRUE(States(t).Empty());

    // A cached value stays as it is until its inputs change: a changed projection leaves the model-view
    // alone and makes only the view-projection and the frustum stale.
    t.SetProjectionMatrix(IdentityHmgMatrix);
    EXPECT_EQ(States(t), (TGLPipelineTransformationStates{trsViewProjChanged, trsFrustum}));
    ExpectMatrix(t.ViewProjectionMatrix(), Translation(0, 0, -5));
    t.SetModelMatrix(IdentityHmgMatrix);
    EXPECT_EQ(States(t), (TGLPipelineTransformationStates{trsModelViewChanged, trsInvModelViewChanged,
                                                          trsInvModelChanged, trsNormalModelChanged, trsFrustum}));
    // The inverse refreshes the model-view it is made from.
    ExpectMatrix(t.InvModelViewMatrix(), Translation(0, 0, 5));
    EXPECT_FALSE(States(t).Contains(trsModelViewChanged));
    t.SetViewMatrix(IdentityHmgMatrix);
    EXPECT_TRUE(States(t).Contains(trsModelViewChanged) && States(t).Contains(trsViewProjChanged));
}

TEST(GLPipelineTransformation, SingularAndScaledMatrices)
{
    TGLTransformation t;
    t.SetModelMatrix(Scaling(1, 0, 1));
    ExpectMatrix(t.InvModelViewMatrix(), IdentityHmgMatrix);

    // The normal matrix is the orthonormalised model matrix, so a scale drops out of it.
    TMatrix4f rotation, model;
    MatrixRotationZ(0.5f, rotation);
    MatrixProduct(Scaling(3, 3, 3), rotation, model);
    model.W = TVector4f{{{7, 8, 9, 1}}};
    t.SetModelMatrix(model);
    TMatrix3f expected;
    MatrixUpper3x3(expected, rotation);
    const TMatrix3f normal = t.NormalModelMatrix();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(normal.V[i].V[j], expected.V[i].V[j], 1e-5f);
}

TEST(GLPipelineTransformation, FrustumLiesInWorldSpace)
{
    TGLTransformation t;
    t.SetViewMatrix(Translation(0, 0, -5)); // the eye at z = 5, looking down -z
    TMatrix4f projection;
    MatrixFrustumProjection(-1, 1, -1, 1, 1, 100, projection);
    t.SetProjectionMatrix(projection);
    const auto visible = [&](float x, float y, float z) {
        return !SphereClippedByFrustum(TVector3f{{{x, y, z}}}, t.Frustum(), 0);
    };
    EXPECT_TRUE(visible(0, 0, 0));
    EXPECT_TRUE(visible(4, 0, 0)); // 5 units away the frustum is 10 wide
    EXPECT_FALSE(visible(6, 0, 0));
    EXPECT_FALSE(visible(0, 0, 10)); // behind the eye
    EXPECT_FALSE(visible(0, 0, -200)); // beyond the far plane
    // An object's model matrix moves the object, not the frustum.
    t.SetModelMatrix(Translation(100, 0, 0));
    EXPECT_TRUE(visible(0, 0, 0));
    EXPECT_FALSE(visible(100, 0, 0));
}

TEST(GLPipelineTransformation, PushChangePopRestoresTheRecordExactly)
{
    TGLTransformation t;
    t.SetModelMatrix(Translation(1, 2, 3));
    t.SetViewMatrix(Translation(0, 0, -5));
    t.ModelViewMatrix(); // a cached value and some stale flags travel with the level
    const TTransformationRec parent = t.StackTop();

    t.Push();
    EXPECT_TRUE(SameRecord(t.StackTop(), parent));
    t.SetModelMatrix(Translation(9, 9, 9));
    ExpectMatrix(t.ModelViewMatrix(), Translation(9, 9, 4));
    for (int i = 0; i < 40; ++i) t.Push(); // grows the array under the levels in use
    for (int i = 0; i < 40; ++i) t.Pop();
    ExpectMatrix(t.ModelMatrix(), Translation(9, 9, 9));
    t.Pop();
    EXPECT_TRUE(SameRecord(t.StackTop(), parent));

    // ReplaceFromStack copies the level below over the top without popping.
    t.Push();
    t.SetViewMatrix(Scaling(2, 2, 2));
    t.ReplaceFromStack();
    EXPECT_TRUE(SameRecord(t.StackTop(), parent));
    t.Pop();
    EXPECT_TRUE(SameRecord(t.StackTop(), parent));

    // A given record is installed whole, and only then OnPush fires.
    TTransformationRec given = parent;
    given.FProjectionMatrix = Scaling(4, 4, 4);
    int pushes = 0;
    t.OnPush = [&] {
        ++pushes;
        ExpectMatrix(t.ProjectionMatrix(), Scaling(4, 4, 4));
    };
    t.Push(&given);
    EXPECT_EQ(pushes, 1);
    EXPECT_TRUE(SameRecord(t.StackTop(), given));
    t.Push(); // without a record: no event
    EXPECT_EQ(pushes, 1);
}

TEST(GLPipelineTransformation, UnderflowAndOverflowAreOnlyLogged)
{
    TGLLogCapture capture;
    TGLTransformation t;
    t.SetModelMatrix(Translation(1, 0, 0));
    const TTransformationRec bottom = t.StackTop();
    t.Pop();
    t.ReplaceFromStack();
    EXPECT_TRUE(SameRecord(t.StackTop(), bottom));
    EXPECT_EQ(capture.Texts(),
              (std::vector<std::string>{"Transformation stack underflow", "Transformation stack underflow"}));
    for (const auto& entry : capture.Entries()) EXPECT_EQ(entry.Level, lkError);

    // 129 nested pushes are silent; from the 130th on every push warns, and the stack goes on growing.
    TGLLogCapture overflow;
    for (int i = 0; i < 129; ++i) t.Push();
    EXPECT_TRUE(overflow.Texts().empty());
    t.Push();
    t.Push();
    EXPECT_EQ(overflow.Texts(), (std::vector<std::string>{"Transformation stack overflow, more then 128 values",
                                                          "Transformation stack overflow, more then 128 values"}));
    for (int i = 0; i < 131; ++i) t.Pop();
    EXPECT_TRUE(SameRecord(t.StackTop(), bottom));
    EXPECT_EQ(overflow.Texts().size(), 2u);
}

namespace {

TGLCall LoadMatrix(const TMatrix4f& AMatrix)
{
    TGLCall call{"LoadMatrixf", {}};
    for (const TVector4f& row : AMatrix.V) call.Args.insert(call.Args.end(), row.V, row.V + 4);
    return call;
}

// What loading both matrices sends: the model-view into the current mode, the projection bracketed by mode
// changes that leave GL_MODELVIEW current.
std::vector<TGLCall> LoadBoth(const TMatrix4f& AModelView, const TMatrix4f& AProjection)
{
    return {LoadMatrix(AModelView), GLCall("MatrixMode", GL_PROJECTION), LoadMatrix(AProjection),
            GLCall("MatrixMode", GL_MODELVIEW)};
}

} // namespace

TEST(GLPipelineTransformation, OpenGLSeesEachChangeOnceAndNothingItAlreadyHolds)
{
    TRecordingGL gl;
    TGLTransformation t;
    t.SetModelMatrix(Translation(1, 2, 3));
    EXPECT_TRUE(gl.Calls.empty());

    t.SetLoadMatricesEnabled(true);
    t.SetViewMatrix(Translation(0, 0, -5));
    t.SetProjectionMatrix(Scaling(2, 2, 2));
    EXPECT_EQ(gl.Calls, LoadBoth(Translation(1, 2, -2), Scaling(2, 2, 2)));

    // A child drawn and popped: its model-view goes in and the parent's comes back; the projection, which
    // the child shares, is not sent again.
    gl.Calls.clear();
    t.Push();
    EXPECT_TRUE(gl.Calls.empty());
    t.SetModelMatrix(Translation(7, 0, 0));
    t.Pop();
    EXPECT_EQ(gl.Calls, (std::vector<TGLCall>{LoadMatrix(Translation(7, 0, -5)), LoadMatrix(Translation(1, 2, -2))}));

    // A child at its parent's place sends nothing.
    gl.Calls.clear();
    t.Push();
    t.SetModelMatrix(Translation(1, 2, 3));
    t.Pop();
    EXPECT_TRUE(gl.Calls.empty());

    // A pushed record with another projection sends that alone, and popping it sends the old one back.
    TTransformationRec given = t.StackTop();
    given.FProjectionMatrix = Scaling(4, 4, 4);
    t.Push(&given);
    EXPECT_EQ(gl.Calls, (std::vector<TGLCall>{GLCall("MatrixMode", GL_PROJECTION), LoadMatrix(Scaling(4, 4, 4)),
                                              GLCall("MatrixMode", GL_MODELVIEW)}));
    gl.Calls.clear();
    t.Pop();
    EXPECT_EQ(gl.Calls, (std::vector<TGLCall>{GLCall("MatrixMode", GL_PROJECTION), LoadMatrix(Scaling(2, 2, 2)),
                                              GLCall("MatrixMode", GL_MODELVIEW)}));

    // Switching the mirroring on again (a new context) forgets what OpenGL held.
    gl.Calls.clear();
    t.SetLoadMatricesEnabled(true);
    t.Push();
    t.Pop();
    EXPECT_EQ(gl.Calls, LoadBoth(Translation(1, 2, -2), Scaling(2, 2, 2)));
}
