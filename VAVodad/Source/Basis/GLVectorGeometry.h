// Vectors, scalars, planes and rays; the matrix, quaternion and frustum half of this unit is declared in
// GLVectorGeometryMatrices.h, included at the end so one include serves.
//
// Affine... routines work on TVector3f, Hmg... routines on TVector4f. Routines ending in InPlace change their
// first argument; the others write to the result argument given last, which may be the same variable as an
// input (every routine computes into a temporary before it stores). Component results are Single; scalar
// results (dots, lengths, distances, angles) are Double computed from the Single inputs, rounded to Single
// only where the routine says so.
#pragma once

#include "GLVectorTypes.h"

#include <cmath>
#include <cstring>
#include <span>

// ---------------------------------------------------------------------------------------------------------
// Constants and the processor flag

constexpr float cEPSILON = 1e-30f;    // every near-zero test of the vector routines
constexpr float cEPSILON40 = 1e-40f;  // the matrix inverses
constexpr float cPIdiv180 = 0.0174532924f;
constexpr float c2PI = 6.28318548f;
constexpr float cInv2PI = 0.159154937f;
constexpr float cInv360 = 0.00277777785f;
constexpr float c180 = 180.0f;
constexpr float c360 = 360.0f;

constexpr TVector3f XVector{{{1.0f, 0.0f, 0.0f}}};
constexpr TVector3f YVector{{{0.0f, 1.0f, 0.0f}}};
constexpr TVector3f ZVector{{{0.0f, 0.0f, 1.0f}}};

// True when the processor has the 3DNow! packed-single instructions; set once at start-up. The routines give
// the same results either way, so it is informative only.
extern const bool Cpu3DNowAvailable;

struct TGLSilhouetteParameters;  // GLSilhouette.h

// ---------------------------------------------------------------------------------------------------------
// Addition, subtraction and scaled addition

inline void HmgClear(TVector4f& v)
{
    v = TVector4f{};
}

inline void AffineAdd(const TVector3f& a, const TVector3f& b, TVector3f& r)
{
    const TVector3f t{{{a.X + b.X, a.Y + b.Y, a.Z + b.Z}}};
    r = t;
}

inline void HmgAdd(const TVector4f& a, const TVector4f& b, TVector4f& r)
{
    const TVector4f t{{{a.X + b.X, a.Y + b.Y, a.Z + b.Z, a.W + b.W}}};
    r = t;
}

inline void AffineAddInPlace(TVector3f& a, const TVector3f& b)
{
    AffineAdd(a, b, a);
}

inline void AffineTranslateInPlace(TVector3f& a, const TVector3f& b)
{
    AffineAdd(a, b, a);
}

inline void HmgAddInPlace(TVector4f& a, const TVector4f& b)
{
    HmgAdd(a, b, a);
}

// dest[i] := src[i] + delta for i < n; dest may be src.
void TexPointArrayAdd(const TTexPoint* src, const TTexPoint& delta, int32_t n, TTexPoint* dest);
// dest[i] := src[i] * scale + delta, component-wise.
void TexPointArrayScaleAndAdd(const TTexPoint* src, const TTexPoint& delta, int32_t n, const TTexPoint& scale,
                              TTexPoint* dest);
void AffineArrayAdd(const TVector3f* src, const TVector3f& delta, int32_t n, TVector3f* dest);

inline void AffineSubtract(const TVector3f& a, const TVector3f& b, TVector3f& r)
{
    const TVector3f t{{{a.X - b.X, a.Y - b.Y, a.Z - b.Z}}};
    r = t;
}

inline void AffineSubtractTo(const TVector3f& a, const TVector3f& b, TVector3f& r)
{
    AffineSubtract(a, b, r);
}

// r := (a - b, W = 0)
inline void AffineSubtractAsHmg(const TVector3f& a, const TVector3f& b, TVector4f& r)
{
    const TVector4f t{{{a.X - b.X, a.Y - b.Y, a.Z - b.Z, 0.0f}}};
    r = t;
}

// r := (a.xyz - b, W = a.W)
inline void HmgSubtractAffine(const TVector4f& a, const TVector3f& b, TVector4f& r)
{
    const TVector4f t{{{a.X - b.X, a.Y - b.Y, a.Z - b.Z, a.W}}};
    r = t;
}

inline void HmgSubtract(const TVector4f& a, const TVector4f& b, TVector4f& r)
{
    const TVector4f t{{{a.X - b.X, a.Y - b.Y, a.Z - b.Z, a.W - b.W}}};
    r = t;
}

inline void HmgSubtractTo(const TVector4f& a, const TVector4f& b, TVector4f& r)
{
    HmgSubtract(a, b, r);
}

inline void HmgSubtractAsAffine(const TVector4f& a, const TVector4f& b, TVector3f& r)
{
    const TVector3f t{{{a.X - b.X, a.Y - b.Y, a.Z - b.Z}}};
    r = t;
}

inline void AffineSubtractInPlace(TVector3f& a, const TVector3f& b)
{
    AffineSubtract(a, b, a);
}

inline void HmgSubtractInPlace(TVector4f& a, const TVector4f& b)
{
    HmgSubtract(a, b, a);
}

// a + b * f per component, rounded once to Single.
inline float AddScaledComponent(float a, float b, float f)
{
    return static_cast<float>(a + static_cast<double>(b) * f);
}

inline void HmgAddScaled(const TVector4f& a, const TVector4f& b, float f, TVector4f& r)
{
    const TVector4f t{{{AddScaledComponent(a.X, b.X, f), AddScaledComponent(a.Y, b.Y, f),
                        AddScaledComponent(a.Z, b.Z, f), AddScaledComponent(a.W, b.W, f)}}};
    r = t;
}

// r := 1.0 * a + f * b
inline void AffineAddScaled(const TVector3f& a, const TVector3f& b, float f, TVector3f& r)
{
    const TVector3f t{{{AddScaledComponent(a.X, b.X, f), AddScaledComponent(a.Y, b.Y, f),
                        AddScaledComponent(a.Z, b.Z, f)}}};
    r = t;
}

inline void AffineAddScaledInPlace(TVector3f& a, const TVector3f& b, float f)
{
    AffineAddScaled(a, b, f, a);
}

inline void AffineCombineInPlace(TVector3f& a, const TVector3f& b, float f)
{
    AffineAddScaled(a, b, f, a);
}

inline void HmgAddScaledInPlace(TVector4f& a, const TVector4f& b, float f)
{
    HmgAddScaled(a, b, f, a);
}

// a.xyz := a.xyz + b * f; W untouched.
inline void HmgAddScaledAffineInPlace(TVector4f& a, const TVector3f& b, float f)
{
    const TVector4f t{{{AddScaledComponent(a.X, b.X, f), AddScaledComponent(a.Y, b.Y, f),
                        AddScaledComponent(a.Z, b.Z, f), a.W}}};
    a = t;
}

// ---------------------------------------------------------------------------------------------------------
// Products, lengths and comparisons

inline double AffineDot(const TVector3f& a, const TVector3f& b)
{
    return static_cast<double>(a.X) * b.X + static_cast<double>(a.Y) * b.Y + static_cast<double>(a.Z) * b.Z;
}

// All four components, W included.
inline double HmgDot(const TVector4f& a, const TVector4f& b)
{
    return static_cast<double>(a.X) * b.X + static_cast<double>(a.Y) * b.Y + static_cast<double>(a.Z) * b.Z +
           static_cast<double>(a.W) * b.W;
}

inline double HmgDotAffine(const TVector4f& a, const TVector3f& b)
{
    return static_cast<double>(a.X) * b.X + static_cast<double>(a.Y) * b.Y + static_cast<double>(a.Z) * b.Z;
}

// (params.SeenFrom - v) . n; the silhouette builder treats >= 0 as facing the viewer.
double SilhouetteFaceFacing(const TGLSilhouetteParameters& params, const TVector3f& v, const TVector3f& n);

// (a.xyz - b.xyz) . c.xyz
inline double HmgDifferenceDot(const TVector4f& a, const TVector4f& b, const TVector4f& c)
{
    return (static_cast<double>(a.X) - b.X) * c.X + (static_cast<double>(a.Y) - b.Y) * c.Y +
           (static_cast<double>(a.Z) - b.Z) * c.Z;
}

// a.y*b.z - a.z*b.y and its kin, each rounded once to Single.
inline float CrossComponent(float a1, float b2, float a2, float b1)
{
    return static_cast<float>(static_cast<double>(a1) * b2 - static_cast<double>(a2) * b1);
}

inline void AffineCross(const TVector3f& a, const TVector3f& b, TVector3f& r)
{
    const TVector3f t{{{CrossComponent(a.Y, b.Z, a.Z, b.Y), CrossComponent(a.Z, b.X, a.X, b.Z),
                        CrossComponent(a.X, b.Y, a.Y, b.X)}}};
    r = t;
}

inline void AffineCrossTo(const TVector3f& a, const TVector3f& b, TVector3f& r)
{
    AffineCross(a, b, r);
}

// Cross product of the xyz parts; r.W := 0.
inline void HmgCross(const TVector4f& a, const TVector4f& b, TVector4f& r)
{
    const TVector4f t{{{CrossComponent(a.Y, b.Z, a.Z, b.Y), CrossComponent(a.Z, b.X, a.X, b.Z),
                        CrossComponent(a.X, b.Y, a.Y, b.X), 0.0f}}};
    r = t;
}

inline void HmgCrossTo(const TVector4f& a, const TVector4f& b, TVector4f& r)
{
    HmgCross(a, b, r);
}

inline void HmgCrossAsAffine(const TVector4f& a, const TVector4f& b, TVector3f& r)
{
    const TVector3f t{{{CrossComponent(a.Y, b.Z, a.Z, b.Y), CrossComponent(a.Z, b.X, a.X, b.Z),
                        CrossComponent(a.X, b.Y, a.Y, b.X)}}};
    r = t;
}

double FloatHypot(float a, float b);
// a*a + b*b rounded to Single.
float FloatHypotSquared(float a, float b);

inline double AffineLengthSquared(const TVector3f& v)
{
    return AffineDot(v, v);
}

// W ignored.
inline double HmgLengthSquared(const TVector4f& v)
{
    return static_cast<double>(v.X) * v.X + static_cast<double>(v.Y) * v.Y + static_cast<double>(v.Z) * v.Z;
}

double AffineLength(const TVector3f& v);
double HmgLength(const TVector4f& v);

// The factor that gives x, y, z unit length: 1/sqrt(s), or 0 when s is exactly 0 so that a zero vector
// stays zero.
inline double NormalizeFactor(double lengthSquared)
{
    return lengthSquared == 0.0 ? 0.0 : 1.0 / std::sqrt(lengthSquared);
}

inline void AffineNormalize(const TVector3f& v, TVector3f& r)
{
    const double f = NormalizeFactor(AffineLengthSquared(v));
    const TVector3f t{{{static_cast<float>(v.X * f), static_cast<float>(v.Y * f), static_cast<float>(v.Z * f)}}};
    r = t;
}

inline void AffineNormalizeInPlace(TVector3f& v)
{
    AffineNormalize(v, v);
}

// xyz normalised, r.W := 0.
inline void HmgNormalize(const TVector4f& v, TVector4f& r)
{
    const double f = NormalizeFactor(HmgLengthSquared(v));
    const TVector4f t{
        {{static_cast<float>(v.X * f), static_cast<float>(v.Y * f), static_cast<float>(v.Z * f), 0.0f}}};
    r = t;
}

inline void HmgNormalizeInPlace(TVector4f& v)
{
    HmgNormalize(v, v);
}

void AffineArrayNormalizeInPlace(TVector3f* v, int32_t n);

// (a . b) / sqrt(|a|^2 * |b|^2); 0 when either vector is zero.
double AffineAngleCosine(const TVector3f& a, const TVector3f& b);

inline void AffineNegate(const TVector3f& v, TVector3f& r)
{
    const TVector3f t{{{-v.X, -v.Y, -v.Z}}};
    r = t;
}

inline void HmgNegate(const TVector4f& v, TVector4f& r)
{
    const TVector4f t{{{-v.X, -v.Y, -v.Z, -v.W}}};
    r = t;
}

inline void AffineNegateInPlace(TVector3f& v)
{
    AffineNegate(v, v);
}

inline void HmgNegateInPlace(TVector4f& v)
{
    HmgNegate(v, v);
}

inline void AffineScale(const TVector3f& v, float s, TVector3f& r)
{
    const TVector3f t{{{v.X * s, v.Y * s, v.Z * s}}};
    r = t;
}

// All four components times s.
inline void HmgScale(const TVector4f& v, float s, TVector4f& r)
{
    const TVector4f t{{{v.X * s, v.Y * s, v.Z * s, v.W * s}}};
    r = t;
}

inline void HmgScaleTo(const TVector4f& v, float s, TVector4f& r)
{
    HmgScale(v, s, r);
}

inline void HmgScaleAsAffine(const TVector4f& v, float s, TVector3f& r)
{
    const TVector3f t{{{v.X * s, v.Y * s, v.Z * s}}};
    r = t;
}

inline void AffineScaleInPlace(TVector3f& v, float s)
{
    AffineScale(v, s, v);
}

inline void HmgScaleInPlace(TVector4f& v, float s)
{
    HmgScale(v, s, v);
}

inline void AffineMultiplyComponentsInPlace(TVector3f& a, const TVector3f& b)
{
    const TVector3f t{{{a.X * b.X, a.Y * b.Y, a.Z * b.Z}}};
    a = t;
}

inline void HmgMultiplyComponentsInPlace(TVector4f& a, const TVector4f& b)
{
    const TVector4f t{{{a.X * b.X, a.Y * b.Y, a.Z * b.Z, a.W * b.W}}};
    a = t;
}

// Bit-for-bit identity: 0.0 and -0.0 differ, a NaN equals the same NaN.
inline bool HmgEquals(const TVector4f& a, const TVector4f& b)
{
    return std::memcmp(&a, &b, sizeof(TVector4f)) == 0;
}

inline bool AffineEquals(const TVector3f& a, const TVector3f& b)
{
    return std::memcmp(&a, &b, sizeof(TVector3f)) == 0;
}

inline bool HmgEqualsXYZ(const TVector4f& a, const TVector4f& b)
{
    return std::memcmp(&a, &b, 3 * sizeof(float)) == 0;
}

double AffineManhattanDistance(const TVector3f& a, const TVector3f& b);

// Squared distance of (ax, ay, az) and (bx, by, bz), exact differences.
inline double DistanceSquared3(float ax, float ay, float az, float bx, float by, float bz)
{
    const double dx = static_cast<double>(ax) - bx;
    const double dy = static_cast<double>(ay) - by;
    const double dz = static_cast<double>(az) - bz;
    return dx * dx + dy * dy + dz * dz;
}

inline double AffineDistanceSquared(const TVector3f& a, const TVector3f& b)
{
    return DistanceSquared3(a.X, a.Y, a.Z, b.X, b.Y, b.Z);
}

// Over the xyz parts.
inline double HmgDistanceSquared(const TVector4f& a, const TVector4f& b)
{
    return DistanceSquared3(a.X, a.Y, a.Z, b.X, b.Y, b.Z);
}

double AffineDistance(const TVector3f& a, const TVector3f& b);
double HmgDistance(const TVector4f& a, const TVector4f& b);

// k := (v . n) rounded to Single; r := v - k * n (n is expected to be unit length).
void AffineOrthogonalPart(const TVector3f& v, const TVector3f& n, TVector3f& r);

// The largest of x, y and z.
float HmgMaxComponentXYZ(const TVector4f& v);
// a[i] := b[i] where b[i] > a[i], four components.
void HmgMaxComponentsInPlace(TVector4f& a, const TVector4f& b);

// ---------------------------------------------------------------------------------------------------------
// Interpolation and rotation of vectors

// a + t * (b - a) per component, rounded once to Single; t is not clamped.
inline float LerpComponent(float a, float b, float t)
{
    return static_cast<float>(a + static_cast<double>(t) * (static_cast<double>(b) - a));
}

inline void AffineLerp(const TVector3f& a, const TVector3f& b, float t, TVector3f& r)
{
    const TVector3f v{{{LerpComponent(a.X, b.X, t), LerpComponent(a.Y, b.Y, t), LerpComponent(a.Z, b.Z, t)}}};
    r = v;
}

inline void AffineLerpTo(const TVector3f& a, const TVector3f& b, float t, TVector3f& r)
{
    AffineLerp(a, b, t, r);
}

// dest[i] := a[i] + t * (b[i] - a[i]) for i < n; dest may be a or b.
void HmgArrayLerp(const TVector4f* a, const TVector4f* b, int32_t n, float t, TVector4f* dest);
void AffineArrayLerp(const TVector3f* a, const TVector3f* b, int32_t n, float t, TVector3f* dest);
void TexPointArrayLerp(const TTexPoint* a, const TTexPoint* b, int32_t n, float t, TTexPoint* dest);

// Turns v by +angle (radians, right-handed) about Y: x' := x*cos + z*sin, z' := z*cos - x*sin, with sin and
// cos rounded to Single.
void AffineRotateAroundYInPlace(TVector3f& v, float angle);
// Turns v by -angle about X: r := (x, y*cos + z*sin, z*cos - y*sin). MatrixRotationX turns the other way.
void AffineRotateAroundX(const TVector3f& v, float angle, TVector3f& r);

// ---------------------------------------------------------------------------------------------------------
// Triangles, planes and points

// n := normalised (p2 - p1) x (p3 - p1); a degenerate triangle gives (0,0,0).
void AffineTriangleNormal(const TVector3f& p1, const TVector3f& p2, const TVector3f& p3, TVector3f& n);
void AffineTriangleNormalTo(const TVector3f& p1, const TVector3f& p2, const TVector3f& p3, TVector3f& n);
void HmgTriangleNormal(const TVector4f& p1, const TVector4f& p2, const TVector4f& p3, TVector3f& n);
// plane := (normal, d = -(normal . p1)) with the triangle's normal.
void AffinePlaneFromPoints(const TVector3f& p1, const TVector3f& p2, const TVector3f& p3, TVector4f& plane);
// All four components times 1/|abc|; a plane with a zero normal is left as it is.
void HmgPlaneNormalizeInPlace(TVector4f& plane);

// a*p.x + b*p.y + c*p.z + d
inline double PlaneEvaluateAffine(const TVector4f& plane, const TVector3f& p)
{
    return HmgDotAffine(plane, p) + plane.W;
}

// The same; p.W is not used.
inline double PlaneEvaluateHmg(const TVector4f& plane, const TVector4f& p)
{
    return static_cast<double>(plane.X) * p.X + static_cast<double>(plane.Y) * p.Y +
           static_cast<double>(plane.Z) * p.Z + plane.W;
}

// True when (p - planePoint) . planeNormal > 0 over xyz.
inline bool HmgPointInHalfSpace(const TVector4f& p, const TVector4f& planePoint, const TVector4f& planeNormal)
{
    return HmgDifferenceDot(p, planePoint, planeNormal) > 0.0;
}

// Copies src to dest and stores value after it (dest holds src.size() + 1 Singles).
void FloatArrayCopyAndAppend(std::span<const float> src, void* dest, float value);

// ---------------------------------------------------------------------------------------------------------
// Rays. rayVector need not be unit length unless stated; optional outputs may be null and may be an input.

// False when the ray is parallel to the plane (|rayVector . planeNormal| <= 1e-30, four components); True
// when intersectPoint is null; otherwise True with the point only when it lies ahead of rayStart (t > 0).
bool RayIntersectPlane(const TVector4f& rayStart, const TVector4f& rayVector, const TVector4f& planePoint,
                       const TVector4f& planeNormal, TVector4f* intersectPoint);
// Moller-Trumbore; edges count as inside, a hit at t <= 0 does not. The normal is (p2 - p1) x (p3 - p1),
// not normalised, with W = 0.
bool RayIntersectTriangle(const TVector4f& rayStart, const TVector4f& rayVector, const TVector3f& p1,
                          const TVector3f& p2, const TVector3f& p3, TVector4f* intersectPoint,
                          TVector4f* intersectNormal);
// rayVector unit length. Returns the number of hits at or beyond rayStart (0, 1 or 2), in ray order; from
// inside the sphere the one hit is the exit point. Outputs beyond the count are left untouched.
int32_t RayIntersectSphere(const TVector4f& rayStart, const TVector4f& rayVector, const TVector4f& center,
                           float radius, TVector4f& i1, TVector4f& i2);
// -1 when the ray lies in the plane, 0 when it is parallel to it, else 1 with the point (at any t).
int32_t RayIntersectPlaneEquation(const TVector4f& rayStart, const TVector4f& rayVector, const TVector4f& plane,
                                  TVector4f* intersectPoint);
// radius * distance / sqrt(distance^2 - radius^2) in Single steps; radius when the viewpoint is inside or on
// the sphere (distance <= radius), where the outline is unbounded.
float SphereApparentRadius(float distance, float radius);

// ---------------------------------------------------------------------------------------------------------
// Scalars and angles

// 1 for exponent 0; 0 for base 0 and exponent > 0; base^n for a whole exponent n (a negative n gives the
// reciprocal); otherwise exp(ln(base) * exponent).
double FloatPower(float base, float exponent);
double DegreesToRadiansExt(double degrees);
double DegreesToRadians(float degrees);
// Into [-pi, pi] and [-180, 180].
float WrapRadians(float x);
float WrapDegrees(float x);
void SinCosDouble(double angle, double& sin, double& cos);
void SinCosSingle(float angle, float& sin, float& cos);
// sin := sin(angle) * radius, cos := cos(angle) * radius.
void SinCosScaled(float angle, float radius, float& sin, float& cos);
// The argument is clamped to [-1, 1] first: rounding can put a cosine or sine just outside.
double ArcCosine(double x);
double ArcSine(double x);
double ArcTan2Ext(double y, double x);
double FloatArcTan2(float y, float x);
double TangentExt(double x);
// 1 / sqrt(x): infinity for 0.
double FloatRecipSqrt(float x);

// Rounding to nearest with ties to even. The integer forms give INT_MIN for NaN and for values outside the
// Integer range.
float FloatRoundToWhole(float x);
int32_t FloatRoundToInt(float x);
int32_t FloatTruncToInt(float x);
double ExtTruncToWhole(double x);
// x - trunc(x), with the sign of x.
float FloatFraction(float x);
// trunc(x) for x >= 0, trunc(x) - 1 for x < 0: whole negatives go one lower (-2.0 gives -3).
int32_t FloatFloorToInt(float x);
// -1, 0 or +1 (0 for NaN).
int32_t FloatSign(float x);
// True when x lies between a and b inclusive, whichever is the smaller.
bool FloatIsInRange(float x, float a, float b);

inline float FloatClamp(float value, float min, float max)
{
    return value < min ? min : (value > max ? max : value);
}

// Smallest / largest of n values, the first one found winning ties; 0 when n <= 0.
float FloatBufferMin(const float* values, int32_t n);
float FloatBufferMax(const float* values, int32_t n);
// Smallest / largest; 0 for an empty array.
float FloatArrayMin(std::span<const float> values);
float FloatArrayMax(std::span<const float> values);

inline float FloatMin2(float a, float b)
{
    return a < b ? a : b;
}

inline float FloatMax2(float a, float b)
{
    return a > b ? a : b;
}

inline float FloatMax(float a, float b)
{
    return FloatMax2(a, b);
}

inline float FloatMax3(float a, float b, float c)
{
    return FloatMax2(FloatMax2(a, b), c);
}

inline double DoubleMax(double a, double b)
{
    return a > b ? a : b;
}

inline int32_t IntMin(int32_t a, int32_t b)
{
    return a < b ? a : b;
}

inline int32_t IntMax(int32_t a, int32_t b)
{
    return a > b ? a : b;
}

inline int32_t IntMax3(int32_t a, int32_t b, int32_t c)
{
    return IntMax(IntMax(a, b), c);
}

inline uint32_t CardinalMax(uint32_t a, uint32_t b)
{
    return a > b ? a : b;
}

// values[i] *= factor / += delta for i < n.
void FloatArrayScaleInPlace(float* values, int32_t n, float factor);
void FloatArrayOffsetInPlace(float* values, int32_t n, float delta);
// a[i] += b[i], from the last element down.
void FloatArrayAddInPlace(float* a, const float* b, int32_t n);

#include "GLVectorGeometryMatrices.h"
