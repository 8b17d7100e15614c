// The record of the frame being rendered: filled by the scene buffer for each frame (or pick or snapshot
// pass), passed by reference down the scene tree to every render call, and discarded when the frame ends. It
// owns nothing it refers to. Renderers change its working fields while they draw and restore what they
// changed before returning to their parent.
#pragma once

#include "GLVectorTypes.h"
#include "Sets.h"

#include <cstdint>

class TGLAbstractLibMaterial; // GLMaterial.h
class TGLStateCache;          // GLState.h
class TGLTransformation;      // the transformation stack
class TPersistentObjectList;  // GLPersistentClasses.h
class TObject;

// Why the frame is drawn.
enum TDrawState { dsRendering, dsPicking, dsPrinting };

// How a node orders and culls its children (the inherited value takes the parent's).
enum TGLObjectsSorting { osInherited, osNone, osRenderFarthestFirst, osRenderBlendedLast, osRenderNearestFirst };
enum TGLVisibilityCulling { vcInherited, vcNone, vcObjectBased, vcHierarchical };

// The material technique in use.
enum TGLMaterialLevel { mlAuto, mlFixedFunction, mlMultitexturing, mlSM3, mlSM4, mlSM5 };

enum TGLMeshPrimitive {
    mpNOPRIMITIVE,
    mpTRIANGLES,
    mpTRIANGLE_STRIP,
    mpTRIANGLE_FAN,
    mpPOINTS,
    mpLINES,
    mpLINE_LOOP,
    mpLINE_STRIP,
    mpLINES_ADJACENCY,
    mpLINE_STRIP_ADJACENCY,
    mpTRIANGLES_ADJACENCY,
    mpTRIANGLE_STRIP_ADJACENCY,
    mpPATCHES
};
using TGLMeshPrimitives = TSet<TGLMeshPrimitive, uint16_t>;

// Every primitive kind but mpNOPRIMITIVE: what a frame may draw unless a renderer narrows it.
inline constexpr TGLMeshPrimitives cAllMeshPrimitives = TGLMeshPrimitives{
    mpTRIANGLES, mpTRIANGLE_STRIP, mpTRIANGLE_FAN, mpPOINTS, mpLINES, mpLINE_LOOP, mpLINE_STRIP,
    mpLINES_ADJACENCY, mpLINE_STRIP_ADJACENCY, mpTRIANGLES_ADJACENCY, mpTRIANGLE_STRIP_ADJACENCY, mpPATCHES};

struct TGLSize {
    int32_t cx, cy;
};

struct TRenderContextClippingInfo {
    TVector4f origin;             // the camera position
    TVector4f clippingDirection;  // the camera direction
    float viewPortRadius;
    float nearClippingDistance;
    float farClippingDistance;
    TFrustum frustum;             // world-space planes
};

// Zero-initialised ({}) and then set by the scene buffer; the object fields are references without ownership.
struct TGLRenderContextInfo {
    TObject* scene;                     // the TVAVodad being rendered
    TObject* buffer;                    // the TVAVodadBuffer
    TVector4f cameraPosition;           // world space
    TVector4f cameraDirection;          // unit, W = 0
    TVector4f cameraUp;                 // unit, W = 0, perpendicular to cameraDirection
    TGLSize viewPortSize;
    int32_t renderDPI;
    TObject* materialLibrary;           // the material library in use
    TObject* lightmapLibrary;           // the light-map library in use
    int32_t fogDisabledCounter;         // nesting of objects that switched fog off
    TDrawState drawState;
    TGLObjectsSorting objectsSorting;
    TGLVisibilityCulling visibilityCulling;
    TGLStateCache* GLStates;            // the context's state cache
    TGLTransformation* PipelineTransformation; // the context's matrices
    TRenderContextClippingInfo rcci;
    TVector4f sceneAmbientColor;
    bool bufferFaceCull;
    bool bufferLighting;
    bool bufferFog;
    bool bufferDepthTest;
    bool proxySubObject;                // rendering inside a proxy
    bool ignoreMaterials;               // geometry only
    bool ignoreBlendingRequests;
    bool ignoreDepthRequests;
    bool amalgamating;                  // objects are drawn into one list or pick pass
    TPersistentObjectList* lights;
    TPersistentObjectList* afterRenderEffects; // effects drawn after the tree
    TGLMaterialLevel currentMaterialLevel;
    TGLMeshPrimitives primitiveMask;
    int32_t orderCounter;               // running counter for sorted drawing
    // Consecutive objects that draw with one library material apply it once: the object being drawn may leave
    // materialMayStay applied (set by TGLBaseSceneObject::Render), and appliedMaterial is the one left so.
    // Whatever draws otherwise undoes it first (UnApplyStayingMaterial, GLMaterial.h).
    TGLAbstractLibMaterial* materialMayStay;
    TGLAbstractLibMaterial* appliedMaterial;
};
