// The engine's small value records: vectors, texture points, matrices, quaternions, frusta and boxes.
// Plain values, copied by value; each vector and matrix record overlays its named fields with an array view V.
#pragma once

#include <cstdint>


struct TVector2f { union { struct { float X, Y; }; float V[2]; }; };
struct TVector2i { union { struct { int32_t X, Y; }; int32_t V[2]; }; };
struct TVector2ui { union { struct { uint32_t X, Y; }; uint32_t V[2]; }; };
struct TVector3f { union { struct { float X, Y, Z; }; float V[3]; }; };
struct TVector3i { union { struct { int32_t X, Y, Z; }; int32_t V[3]; }; };
struct TVector3ui { union { struct { uint32_t X, Y, Z; }; uint32_t V[3]; }; };
struct TVector4f { union { struct { float X, Y, Z, W; }; float V[4]; }; };
struct TVector4i { union { struct { int32_t X, Y, Z, W; }; int32_t V[4]; }; };
struct TVector4ui { union { struct { uint32_t X, Y, Z, W; }; uint32_t V[4]; }; };

using TAffineVector = TVector3f;
using THomogeneousVector = TVector4f;
using PAffineVector = TVector3f*;
using PVector = TVector4f*;

struct TTexPoint { float S, T; };

// Viewport for projection, unprojection and pick matrices.
struct TRectangle { int32_t Left, Top, Width, Height; };

// Rows X, Y, Z, W; points are row vectors (v x M), so the translation sits in row W. The sixteen floats in
// memory order are what OpenGL's matrix loading takes.
struct TMatrix4f { union { struct { TVector4f X, Y, Z, W; }; TVector4f V[4]; }; };
struct TMatrix3f { union { struct { TVector3f X, Y, Z; }; TVector3f V[3]; }; };
struct TMatrix2f { union { struct { TVector2f X, Y; }; TVector2f V[2]; }; };
using PMatrix = TMatrix4f*;

// In memory x, y, z, w.
struct TQuaternion { TVector3f ImagPart; float RealPart; };

// ScaleX, ScaleY, ScaleZ, ShearXY, ShearXZ, ShearYZ, RotateX, RotateY, RotateZ, TranslateX, TranslateY,
// TranslateZ, PerspectiveX, PerspectiveY, PerspectiveZ, PerspectiveW.
using TTransformComponents = float[16];

// Six plane equations; a point is inside a plane when a*x + b*y + c*z + d >= 0. The field order is the order
// in which the culling routines test the planes.
struct TFrustum { TVector4f pLeft, pTop, pRight, pBottom, pNear, pFar; };

struct TAABB { TVector3f Min, Max; };

// The eight corners with w = 1; corner 0 is (max, max, max), see the bounding-box unit for the layout.
struct THmgBoundingBox { TVector4f BBox[8]; };

// Unbounded arrays used only through their pointers (raw buffers such as a typed list's storage).
using TAffineVectorArray = TVector3f;
using PAffineVectorArray = TVector3f*;
using TVectorArray = TVector4f;
using PVectorArray = TVector4f*;
using TTexPointArray = TTexPoint;
using PTexPointArray = TTexPoint*;
using TFloatVector = float;
using PFloatVector = float*;
using TIntegerVector = int32_t;
using PIntegerVector = int32_t*;
using TByteVector = uint8_t;
using PByteVector = uint8_t*;
using TLongWordVector = uint32_t;
using PLongWordVector = uint32_t*;
using TQuaternionArray = TQuaternion;
using PQuaternionArray = TQuaternion*;
using TMatrixArray = TMatrix4f;
using PMatrixArray = TMatrix4f*;

static_assert(sizeof(TVector3f) == 12 && sizeof(TVector4f) == 16 && sizeof(TMatrix4f) == 64);
static_assert(sizeof(TQuaternion) == 16 && sizeof(TTexPoint) == 8 && sizeof(TFrustum) == 96);

