#include "GLPipelineTransformation.h"

#include "GLVectorGeometryMatrices.h"
#include "OpenGLAdapter.h"
#include "ZODLog.h"

#include <cstring>

static constexpr int32_t cMaxSilentStackPos = 128;

// Bit for bit: a matrix that only compares equal (0 and -0) is sent again, which is harmless.
static bool SameMatrix(const TMatrix4f& a, const TMatrix4f& b)
{
    return std::memcmp(&a, &b, sizeof(TMatrix4f)) == 0;
}

static const TGLPipelineTransformationStates cAllStates = {trsModelViewChanged, trsInvModelViewChanged,
                                                           trsInvModelChanged,  trsNormalModelChanged,
                                                           trsViewProjChanged,  trsFrustum};

TGLTransformation::TGLTransformation() : FStack(1)
{
    IdentityAll();
}

void TGLTransformation::IdentityAll()
{
    TTransformationRec& top = Top();
    top.FModelMatrix = IdentityHmgMatrix;
    top.FViewMatrix = IdentityHmgMatrix;
    top.FProjectionMatrix = IdentityHmgMatrix;
    top.FStates = cAllStates;
    LoadMatrices();
}

void TGLTransformation::Push(const TTransformationRec* AValue)
{
    if (FStackPos > cMaxSilentStackPos)
        GlobalLogSession()->LogWarningFmt("Transformation stack overflow, more then %d values", {cMaxSilentStackPos});
    if (!AValue) {
        // By index once the array has grown: a reference taken before would dangle after a reallocation.
        Grow();
        FStack[FStackPos] = FStack[FStackPos - 1];
        return; // the matrices are those OpenGL already has
    }
    const TTransformationRec value = *AValue; // it may lie in the stack itself
    Grow();
    FStack[FStackPos] = value;
    LoadMatrices();
    if (OnPush) OnPush();
}

void TGLTransformation::Grow()
{
    ++FStackPos;
    if (FStack.size() <= static_cast<size_t>(FStackPos)) FStack.resize(FStackPos + 1);
}

void TGLTransformation::Pop()
{
    if (FStackPos == 0) {
        GlobalLogSession()->LogError("Transformation stack underflow");
        return;
    }
    --FStackPos;
    LoadMatrices();
}

void TGLTransformation::ReplaceFromStack()
{
    if (FStackPos == 0) {
        GlobalLogSession()->LogError("Transformation stack underflow");
        return;
    }
    FStack[FStackPos] = FStack[FStackPos - 1];
    LoadMatrices();
}

void TGLTransformation::SetModelMatrix(const TMatrix4f& AMatrix)
{
    TTransformationRec& top = Top();
    top.FModelMatrix = AMatrix;
    top.FStates += {trsModelViewChanged, trsInvModelViewChanged, trsInvModelChanged, trsNormalModelChanged};
    if (FLoadMatricesEnabled) LoadModelViewMatrix();
}

void TGLTransformation::SetViewMatrix(const TMatrix4f& AMatrix)
{
    TTransformationRec& top = Top();
    top.FViewMatrix = AMatrix;
    top.FStates += {trsModelViewChanged, trsInvModelViewChanged, trsViewProjChanged, trsFrustum};
    if (FLoadMatricesEnabled) LoadModelViewMatrix();
}

void TGLTransformation::SetProjectionMatrix(const TMatrix4f& AMatrix)
{
    TTransformationRec& top = Top();
    top.FProjectionMatrix = AMatrix;
    top.FStates += {trsViewProjChanged, trsFrustum};
    if (FLoadMatricesEnabled) LoadProjectionMatrix();
}

TMatrix4f TGLTransformation::ModelViewMatrix()
{
    TTransformationRec& top = Top();
    if (top.FStates.Contains(trsModelViewChanged)) {
        MatrixProduct(top.FModelMatrix, top.FViewMatrix, top.FModelViewMatrix);
        top.FStates.Exclude(trsModelViewChanged);
    }
    return top.FModelViewMatrix;
}

TMatrix4f TGLTransformation::InvModelViewMatrix()
{
    TTransformationRec& top = Top();
    if (top.FStates.Contains(trsInvModelViewChanged)) {
        top.FInvModelViewMatrix = ModelViewMatrix();
        MatrixInvertInPlace(top.FInvModelViewMatrix);
        top.FStates.Exclude(trsInvModelViewChanged);
    }
    return top.FInvModelViewMatrix;
}

TMatrix4f TGLTransformation::InvModelMatrix()
{
    TTransformationRec& top = Top();
    if (top.FStates.Contains(trsInvModelChanged)) {
        MatrixInverse(top.FModelMatrix, top.FInvModelMatrix);
        top.FStates.Exclude(trsInvModelChanged);
    }
    return top.FInvModelMatrix;
}

TMatrix3f TGLTransformation::NormalModelMatrix()
{
    TTransformationRec& top = Top();
    if (top.FStates.Contains(trsNormalModelChanged)) {
        TMatrix4f model = top.FModelMatrix;
        MatrixOrthonormalizeInPlace(model);
        MatrixUpper3x3(top.FNormalModelMatrix, model);
        top.FStates.Exclude(trsNormalModelChanged);
    }
    return top.FNormalModelMatrix;
}

TMatrix4f TGLTransformation::ViewProjectionMatrix()
{
    TTransformationRec& top = Top();
    if (top.FStates.Contains(trsViewProjChanged)) {
        MatrixProduct(top.FViewMatrix, top.FProjectionMatrix, top.FViewProjectionMatrix);
        top.FStates.Exclude(trsViewProjChanged);
    }
    return top.FViewProjectionMatrix;
}

TFrustum TGLTransformation::Frustum()
{
    TTransformationRec& top = Top();
    if (top.FStates.Contains(trsFrustum)) {
        FrustumFromMatrix(ViewProjectionMatrix(), top.FFrustum);
        top.FStates.Exclude(trsFrustum);
    }
    return top.FFrustum;
}

void TGLTransformation::SetLoadMatricesEnabled(bool Value)
{
    FLoadMatricesEnabled = Value;
    FModelViewLoaded = false;
    FProjectionLoaded = false;
}

// Both matrices of the top level, when they are mirrored into OpenGL.
void TGLTransformation::LoadMatrices()
{
    if (!FLoadMatricesEnabled) return;
    LoadModelViewMatrix();
    LoadProjectionMatrix();
}

// Into whatever matrix mode is current: the engine keeps GL_MODELVIEW current.
void TGLTransformation::LoadModelViewMatrix()
{
    const TMatrix4f modelView = ModelViewMatrix();
    if (FModelViewLoaded && SameMatrix(modelView, FLoadedModelView)) return;
    GetCurrentGL()->LoadMatrixf(modelView.V[0].V);
    FLoadedModelView = modelView;
    FModelViewLoaded = true;
}

void TGLTransformation::LoadProjectionMatrix()
{
    const TMatrix4f& projection = Top().FProjectionMatrix;
    if (FProjectionLoaded && SameMatrix(projection, FLoadedProjection)) return;
    TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
    gl->MatrixMode(GL_PROJECTION);
    gl->LoadMatrixf(projection.V[0].V);
    gl->MatrixMode(GL_MODELVIEW);
    FLoadedProjection = projection;
    FProjectionLoaded = true;
}
