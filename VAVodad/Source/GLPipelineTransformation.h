// The model, view and projection matrices of one rendering context, with the products and inverses rendering
// needs computed only when asked for, and a stack of such states: a scene object pushes a level, changes its
// model matrix for itself and its children, and pops back to the parent's. While LoadMatricesEnabled is on,
// every change is mirrored into OpenGL's fixed-function GL_MODELVIEW and GL_PROJECTION matrices through the
// entry points current on the calling thread; a matrix OpenGL already holds is not sent again.
#pragma once

#include "GLVectorTypes.h"
#include "Sets.h"

#include <cstdint>
#include <functional>
#include <vector>

// Derived values that are out of date in a level and must be recomputed before they are returned.
enum TGLPipelineTransformationState {
    trsModelViewChanged,
    trsInvModelViewChanged,
    trsInvModelChanged,
    trsNormalModelChanged,
    trsViewProjChanged,
    trsFrustum
};
using TGLPipelineTransformationStates = TSet<TGLPipelineTransformationState, uint8_t>;

// One level of the stack.
struct TTransformationRec {
    TGLPipelineTransformationStates FStates;
    TMatrix4f FModelMatrix;
    TMatrix4f FViewMatrix;
    TMatrix4f FProjectionMatrix;
    TMatrix4f FInvModelMatrix;
    TMatrix3f FNormalModelMatrix;
    TMatrix4f FModelViewMatrix;
    TMatrix4f FInvModelViewMatrix;
    TMatrix4f FViewProjectionMatrix;
    TFrustum FFrustum;
};
using PTransformationRec = TTransformationRec*;

using TOnMatricesPush = std::function<void()>;

// Points are row vectors: the model-view matrix is Model x View, the view-projection View x Projection.
class TGLTransformation {
public:
    TGLTransformation();

    // The top level's three matrices become the identity, every derived value stale.
    void IdentityAll();
    // Opens a level above the top: a copy of the given record (loaded into OpenGL, then OnPush fires), or
    // without one a copy of the top level, caches included. The stack has no depth limit; past 128 levels
    // every push logs a warning.
    void Push(const TTransformationRec* AValue = nullptr);
    // Back to the level below, whose caches are still valid; at the bottom level only an error is logged.
    void Pop();
    // The top level becomes a copy of the level below without popping; at the bottom only an error is logged.
    void ReplaceFromStack();
    TTransformationRec StackTop() const { return FStack[FStackPos]; }

    TMatrix4f ModelMatrix() const { return FStack[FStackPos].FModelMatrix; }
    void SetModelMatrix(const TMatrix4f& AMatrix);
    TMatrix4f ViewMatrix() const { return FStack[FStackPos].FViewMatrix; }
    void SetViewMatrix(const TMatrix4f& AMatrix);
    TMatrix4f ProjectionMatrix() const { return FStack[FStackPos].FProjectionMatrix; }
    void SetProjectionMatrix(const TMatrix4f& AMatrix);

    TMatrix4f ModelViewMatrix();
    // A singular model-view matrix inverts to the identity.
    TMatrix4f InvModelViewMatrix();
    TMatrix4f InvModelMatrix();
    // The upper 3 x 3 of the orthonormalised model matrix.
    TMatrix3f NormalModelMatrix();
    TMatrix4f ViewProjectionMatrix();
    // The clip planes of the view-projection matrix: in world space, the model matrix takes no part.
    TFrustum Frustum();

    bool LoadMatricesEnabled() const { return FLoadMatricesEnabled; }
    // Also forgets what OpenGL holds (a context being made sets it), so the next change is sent whole.
    void SetLoadMatricesEnabled(bool Value);

    // Fired after a push that installs a given record.
    TOnMatricesPush OnPush;

private:
    void LoadMatrices();
    void LoadModelViewMatrix();
    void LoadProjectionMatrix();
    // A new top level above the current one, allocated when the array has none there yet.
    void Grow();
    TTransformationRec& Top() { return FStack[FStackPos]; }

    int32_t FStackPos = 0;
    std::vector<TTransformationRec> FStack; // only grows: levels above the top stay allocated
    bool FLoadMatricesEnabled = false;
    // The matrices last sent to OpenGL, valid while the flags are on: popping back to a sibling's parent
    // leaves the projection as it is, and an object at its parent's place sends nothing.
    TMatrix4f FLoadedModelView;
    TMatrix4f FLoadedProjection;
    bool FModelViewLoaded = false;
    bool FProjectionLoaded = false;
};
