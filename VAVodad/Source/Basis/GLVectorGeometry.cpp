// Vectors, scalars, planes and rays: the routines too large to inline.
#include "GLVectorGeometry.h"

#include "GLSilhouette.h"

#include <algorithm>
#include <climits>
#include <numbers>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

// Asks the processor's extended identification for the 3DNow! feature (function 0x80000001, EDX bit 31).
bool Probe3DNow()
{
#if defined(__x86_64__) || defined(__i386__)
    const unsigned highest = __get_cpuid_max(0x80000000u, nullptr);
    if (highest <= 0x80000000u)
        return false;
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(0x80000001u, &eax, &ebx, &ecx, &edx))
        return false;
    return (edx & 0x80000000u) != 0;
#else
    return false;
#endif
}

// True when x, already whole, converts to an Integer; false for NaN and values out of range.
bool FitsInteger(double whole)
{
    return whole >= static_cast<double>(INT_MIN) && whole <= static_cast<double>(INT_MAX);
}

// rayStart + t * rayVector over four components, each rounded once to Single.
TVector4f PointAlongRay(const TVector4f& rayStart, const TVector4f& rayVector, double t)
{
    TVector4f p;
    for (int i = 0; i < 4; ++i)
        p.V[i] = static_cast<float>(rayStart.V[i] + t * rayVector.V[i]);
    return p;
}

}  // namespace

const bool Cpu3DNowAvailable = Probe3DNow();

// ---------------------------------------------------------------------------------------------------------
// Arrays

void TexPointArrayAdd(const TTexPoint* src, const TTexPoint& delta, int32_t n, TTexPoint* dest)
{
    const TTexPoint d = delta;  // delta may live in dest
    for (int32_t i = 0; i < n; ++i)
        dest[i] = TTexPoint{src[i].S + d.S, src[i].T + d.T};
}

void TexPointArrayScaleAndAdd(const TTexPoint* src, const TTexPoint& delta, int32_t n, const TTexPoint& scale,
                              TTexPoint* dest)
{
    const TTexPoint d = delta, s = scale;
    for (int32_t i = 0; i < n; ++i)
        dest[i] = TTexPoint{AddScaledComponent(d.S, src[i].S, s.S), AddScaledComponent(d.T, src[i].T, s.T)};
}

void AffineArrayAdd(const TVector3f* src, const TVector3f& delta, int32_t n, TVector3f* dest)
{
    const TVector3f d = delta;
    for (int32_t i = 0; i < n; ++i)
        AffineAdd(src[i], d, dest[i]);
}

void AffineArrayNormalizeInPlace(TVector3f* v, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        AffineNormalizeInPlace(v[i]);
}

void HmgArrayLerp(const TVector4f* a, const TVector4f* b, int32_t n, float t, TVector4f* dest)
{
    for (int32_t i = 0; i < n; ++i) {
        const TVector4f r{{{LerpComponent(a[i].X, b[i].X, t), LerpComponent(a[i].Y, b[i].Y, t),
                            LerpComponent(a[i].Z, b[i].Z, t), LerpComponent(a[i].W, b[i].W, t)}}};
        dest[i] = r;
    }
}

void AffineArrayLerp(const TVector3f* a, const TVector3f* b, int32_t n, float t, TVector3f* dest)
{
    for (int32_t i = 0; i < n; ++i)
        AffineLerp(a[i], b[i], t, dest[i]);
}

void TexPointArrayLerp(const TTexPoint* a, const TTexPoint* b, int32_t n, float t, TTexPoint* dest)
{
    for (int32_t i = 0; i < n; ++i)
        dest[i] = TTexPoint{LerpComponent(a[i].S, b[i].S, t), LerpComponent(a[i].T, b[i].T, t)};
}

// ---------------------------------------------------------------------------------------------------------
// Lengths, distances and comparisons

double FloatHypot(float a, float b)
{
    return std::sqrt(static_cast<double>(a) * a + static_cast<double>(b) * b);
}

float FloatHypotSquared(float a, float b)
{
    return static_cast<float>(static_cast<double>(a) * a + static_cast<double>(b) * b);
}

double AffineLength(const TVector3f& v)
{
    return std::sqrt(AffineLengthSquared(v));
}

double HmgLength(const TVector4f& v)
{
    return std::sqrt(HmgLengthSquared(v));
}

double SilhouetteFaceFacing(const TGLSilhouetteParameters& params, const TVector3f& v, const TVector3f& n)
{
    const TVector3f seenFrom = params.SeenFrom;  // a copy: the record is packed
    return (static_cast<double>(seenFrom.X) - v.X) * n.X + (static_cast<double>(seenFrom.Y) - v.Y) * n.Y +
           (static_cast<double>(seenFrom.Z) - v.Z) * n.Z;
}

double AffineAngleCosine(const TVector3f& a, const TVector3f& b)
{
    const double lengths = AffineLengthSquared(a) * AffineLengthSquared(b);
    if (lengths == 0.0)
        return 0.0;
    return AffineDot(a, b) / std::sqrt(lengths);
}

double AffineManhattanDistance(const TVector3f& a, const TVector3f& b)
{
    return std::abs(static_cast<double>(a.X) - b.X) + std::abs(static_cast<double>(a.Y) - b.Y) +
           std::abs(static_cast<double>(a.Z) - b.Z);
}

double AffineDistance(const TVector3f& a, const TVector3f& b)
{
    return std::sqrt(AffineDistanceSquared(a, b));
}

double HmgDistance(const TVector4f& a, const TVector4f& b)
{
    return std::sqrt(HmgDistanceSquared(a, b));
}

void AffineOrthogonalPart(const TVector3f& v, const TVector3f& n, TVector3f& r)
{
    const float k = static_cast<float>(AffineDot(v, n));
    AffineAddScaled(v, n, -k, r);
}

float HmgMaxComponentXYZ(const TVector4f& v)
{
    return FloatMax3(v.X, v.Y, v.Z);
}

void HmgMaxComponentsInPlace(TVector4f& a, const TVector4f& b)
{
    for (int i = 0; i < 4; ++i)
        if (b.V[i] > a.V[i])
            a.V[i] = b.V[i];
}

// ---------------------------------------------------------------------------------------------------------
// Rotations

void AffineRotateAroundYInPlace(TVector3f& v, float angle)
{
    float s, c;
    SinCosSingle(angle, s, c);
    const TVector3f r{{{static_cast<float>(static_cast<double>(v.X) * c + static_cast<double>(v.Z) * s), v.Y,
                        static_cast<float>(static_cast<double>(v.Z) * c - static_cast<double>(v.X) * s)}}};
    v = r;
}

void AffineRotateAroundX(const TVector3f& v, float angle, TVector3f& r)
{
    double s, c;
    SinCosDouble(angle, s, c);
    const TVector3f t{{{v.X, static_cast<float>(v.Y * c + v.Z * s), static_cast<float>(v.Z * c - v.Y * s)}}};
    r = t;
}

// ---------------------------------------------------------------------------------------------------------
// Triangles and planes

void AffineTriangleNormal(const TVector3f& p1, const TVector3f& p2, const TVector3f& p3, TVector3f& n)
{
    TVector3f e1, e2;
    AffineSubtract(p2, p1, e1);
    AffineSubtract(p3, p1, e2);
    AffineCross(e1, e2, n);
    AffineNormalizeInPlace(n);
}

void AffineTriangleNormalTo(const TVector3f& p1, const TVector3f& p2, const TVector3f& p3, TVector3f& n)
{
    AffineTriangleNormal(p1, p2, p3, n);
}

void HmgTriangleNormal(const TVector4f& p1, const TVector4f& p2, const TVector4f& p3, TVector3f& n)
{
    const TVector3f a{{{p1.X, p1.Y, p1.Z}}}, b{{{p2.X, p2.Y, p2.Z}}}, c{{{p3.X, p3.Y, p3.Z}}};
    AffineTriangleNormal(a, b, c, n);
}

void AffinePlaneFromPoints(const TVector3f& p1, const TVector3f& p2, const TVector3f& p3, TVector4f& plane)
{
    TVector3f normal;
    AffineTriangleNormalTo(p1, p2, p3, normal);
    const TVector4f r{{{normal.X, normal.Y, normal.Z, static_cast<float>(-AffineDot(normal, p1))}}};
    plane = r;
}

void HmgPlaneNormalizeInPlace(TVector4f& plane)
{
    const float s = static_cast<float>(HmgLengthSquared(plane));
    if (s == 0.0f)
        return;  // no direction to scale to unit length; multiplying by infinity would only make NaNs
    HmgScaleInPlace(plane, static_cast<float>(FloatRecipSqrt(s)));
}

void FloatArrayCopyAndAppend(std::span<const float> src, void* dest, float value)
{
    auto* out = static_cast<unsigned char*>(dest);
    std::memmove(out, src.data(), src.size_bytes());
    std::memcpy(out + src.size_bytes(), &value, sizeof(float));
}

// ---------------------------------------------------------------------------------------------------------
// Rays

bool RayIntersectPlane(const TVector4f& rayStart, const TVector4f& rayVector, const TVector4f& planePoint,
                       const TVector4f& planeNormal, TVector4f* intersectPoint)
{
    const double d = HmgDot(rayVector, planeNormal);
    if (d >= -cEPSILON && d <= cEPSILON)
        return false;
    if (!intersectPoint)
        return true;
    TVector4f toPlane;
    HmgSubtract(planePoint, rayStart, toPlane);
    const double t = HmgDot(toPlane, planeNormal) / d;
    if (t <= 0.0)
        return false;
    *intersectPoint = PointAlongRay(rayStart, rayVector, t);
    return true;
}

bool RayIntersectTriangle(const TVector4f& rayStart, const TVector4f& rayVector, const TVector3f& p1,
                          const TVector3f& p2, const TVector3f& p3, TVector4f* intersectPoint,
                          TVector4f* intersectNormal)
{
    TVector3f e1, e2, pvec, qvec;
    AffineSubtract(p2, p1, e1);
    AffineSubtract(p3, p1, e2);
    const TVector3f dir{{{rayVector.X, rayVector.Y, rayVector.Z}}};
    AffineCross(dir, e2, pvec);
    const float det = static_cast<float>(AffineDot(e1, pvec));
    if (det > -cEPSILON && det < cEPSILON)
        return false;
    const float inv = 1.0f / det;
    const TVector3f tvec{{{rayStart.X - p1.X, rayStart.Y - p1.Y, rayStart.Z - p1.Z}}};
    const double u = AffineDot(tvec, pvec) * inv;
    if (u < 0.0 || u > 1.0)
        return false;
    AffineCross(tvec, e1, qvec);
    const double v = inv * AffineDot(dir, qvec);
    if (v < 0.0 || u + v > 1.0)
        return false;
    const double t = inv * AffineDot(e2, qvec);
    if (!(t > 0.0))
        return false;
    const TVector4f point = PointAlongRay(rayStart, rayVector, t);
    if (intersectPoint)
        *intersectPoint = point;
    if (intersectNormal) {
        TVector3f normal;
        AffineCross(e1, e2, normal);
        *intersectNormal = TVector4f{{{normal.X, normal.Y, normal.Z, 0.0f}}};
    }
    return true;
}

int32_t RayIntersectSphere(const TVector4f& rayStart, const TVector4f& rayVector, const TVector4f& center,
                           float radius, TVector4f& i1, TVector4f& i2)
{
    const double p = HmgDifferenceDot(center, rayStart, rayVector);
    const TVector4f closest = PointAlongRay(rayStart, rayVector, p);
    const float d2 =
        static_cast<float>(static_cast<double>(radius) * radius - HmgDistanceSquared(center, closest));
    if (d2 < 0.0f)
        return 0;
    if (d2 == 0.0f) {
        if (!(p > 0.0))
            return 0;
        i1 = PointAlongRay(rayStart, rayVector, p);
        return 1;
    }
    const double d = std::sqrt(static_cast<double>(d2));
    if (p >= d) {
        const TVector4f nearHit = PointAlongRay(rayStart, rayVector, p - d);
        const TVector4f farHit = PointAlongRay(rayStart, rayVector, p + d);
        i1 = nearHit;
        i2 = farHit;
        return 2;
    }
    if (p + d >= 0.0) {
        i1 = PointAlongRay(rayStart, rayVector, p + d);
        return 1;
    }
    return 0;
}

int32_t RayIntersectPlaneEquation(const TVector4f& rayStart, const TVector4f& rayVector, const TVector4f& plane,
                                  TVector4f* intersectPoint)
{
    const double s = HmgDot(plane, rayVector);
    const double d = PlaneEvaluateHmg(plane, rayStart);
    if (s == 0.0)
        return d == 0.0 ? -1 : 0;
    if (intersectPoint)
        *intersectPoint = PointAlongRay(rayStart, rayVector, -d / s);
    return 1;
}

float SphereApparentRadius(float distance, float radius)
{
    const float d2 = distance * distance;
    const float r2 = radius * radius;
    const float e = std::sqrt(d2 - r2);
    if (!(e > 0.0f))
        return radius;
    const float c = (d2 + r2 - e * e) / (2.0f * e);
    return std::sqrt(r2 + c * c);
}

// ---------------------------------------------------------------------------------------------------------
// Scalars and angles

double FloatPower(float base, float exponent)
{
    if (exponent == 0.0f)
        return 1.0;
    if (base == 0.0f && exponent > 0.0f)
        return 0.0;
    if (exponent == std::nearbyint(exponent))
        return std::pow(static_cast<double>(base), static_cast<double>(exponent));  // exact integer power
    return std::exp(std::log(static_cast<double>(base)) * exponent);
}

double DegreesToRadiansExt(double degrees)
{
    return degrees * (std::numbers::pi / 180.0);
}

double DegreesToRadians(float degrees)
{
    return static_cast<double>(degrees) * cPIdiv180;
}

float WrapRadians(float x)
{
    float r = static_cast<float>(x - std::trunc(static_cast<double>(x) * cInv2PI) * c2PI);
    if (r > std::numbers::pi)
        r = static_cast<float>(static_cast<double>(r) - c2PI);
    else if (r < -std::numbers::pi)
        r = static_cast<float>(static_cast<double>(r) + c2PI);
    return r;
}

float WrapDegrees(float x)
{
    float r = static_cast<float>(x - std::trunc(static_cast<double>(x) * cInv360) * c360);
    if (r > c180)
        r -= c360;
    else if (r < -c180)
        r += c360;
    return r;
}

void SinCosDouble(double angle, double& sin, double& cos)
{
    const double s = std::sin(angle), c = std::cos(angle);
    sin = s;
    cos = c;
}

void SinCosSingle(float angle, float& sin, float& cos)
{
    double s, c;
    SinCosDouble(angle, s, c);
    sin = static_cast<float>(s);
    cos = static_cast<float>(c);
}

void SinCosScaled(float angle, float radius, float& sin, float& cos)
{
    double s, c;
    SinCosDouble(angle, s, c);
    sin = static_cast<float>(s * radius);
    cos = static_cast<float>(c * radius);
}

double ArcCosine(double x)
{
    x = std::clamp(x, -1.0, 1.0);
    return std::atan2(std::sqrt(1.0 - x * x), x);
}

double ArcSine(double x)
{
    x = std::clamp(x, -1.0, 1.0);
    return std::atan2(x, std::sqrt(1.0 - x * x));
}

double ArcTan2Ext(double y, double x)
{
    return std::atan2(y, x);
}

double FloatArcTan2(float y, float x)
{
    return std::atan2(static_cast<double>(y), static_cast<double>(x));
}

double TangentExt(double x)
{
    return std::tan(x);
}

double FloatRecipSqrt(float x)
{
    return 1.0 / std::sqrt(static_cast<double>(x));
}

float FloatRoundToWhole(float x)
{
    return std::nearbyint(x);
}

int32_t FloatRoundToInt(float x)
{
    const double whole = std::nearbyint(static_cast<double>(x));
    return FitsInteger(whole) ? static_cast<int32_t>(whole) : INT_MIN;
}

int32_t FloatTruncToInt(float x)
{
    const double whole = std::trunc(static_cast<double>(x));
    return FitsInteger(whole) ? static_cast<int32_t>(whole) : INT_MIN;
}

double ExtTruncToWhole(double x)
{
    return std::trunc(x);
}

float FloatFraction(float x)
{
    return x - std::trunc(x);
}

int32_t FloatFloorToInt(float x)
{
    double whole = std::trunc(static_cast<double>(x));
    if (x < 0.0f)
        whole -= 1.0;
    return FitsInteger(whole) ? static_cast<int32_t>(whole) : INT_MIN;
}

int32_t FloatSign(float x)
{
    return x > 0.0f ? 1 : (x < 0.0f ? -1 : 0);
}

bool FloatIsInRange(float x, float a, float b)
{
    return a < b ? (a <= x && x <= b) : (b <= x && x <= a);
}

float FloatBufferMin(const float* values, int32_t n)
{
    if (n <= 0)
        return 0.0f;
    float m = values[0];
    for (int32_t i = 1; i < n; ++i)
        if (values[i] < m)
            m = values[i];
    return m;
}

float FloatBufferMax(const float* values, int32_t n)
{
    if (n <= 0)
        return 0.0f;
    float m = values[0];
    for (int32_t i = 1; i < n; ++i)
        if (values[i] > m)
            m = values[i];
    return m;
}

float FloatArrayMin(std::span<const float> values)
{
    return FloatBufferMin(values.data(), static_cast<int32_t>(values.size()));
}

float FloatArrayMax(std::span<const float> values)
{
    return FloatBufferMax(values.data(), static_cast<int32_t>(values.size()));
}

void FloatArrayScaleInPlace(float* values, int32_t n, float factor)
{
    for (int32_t i = 0; i < n; ++i)
        values[i] *= factor;
}

void FloatArrayOffsetInPlace(float* values, int32_t n, float delta)
{
    for (int32_t i = 0; i < n; ++i)
        values[i] += delta;
}

void FloatArrayAddInPlace(float* a, const float* b, int32_t n)
{
    for (int32_t i = n - 1; i >= 0; --i)
        a[i] += b[i];
}
