// Value-returning forms of the homogeneous vector operations the scene objects and the camera chain in
// their formulas.
#pragma once

#include "GLVectorGeometry.h"

#include <numbers>

inline double RadiansToDegrees(double radians)
{
    return radians * (180.0 / std::numbers::pi);
}

inline TVector3f Affine(const TVector4f& v)
{
    return TVector3f{{{v.X, v.Y, v.Z}}};
}

inline TVector4f Normalized(const TVector4f& v)
{
    TVector4f r;
    HmgNormalize(v, r);
    return r;
}

inline TVector4f Cross(const TVector4f& a, const TVector4f& b)
{
    TVector4f r;
    HmgCross(a, b, r);
    return r;
}

inline TVector3f Normalized(const TVector3f& v)
{
    TVector3f r;
    AffineNormalize(v, r);
    return r;
}

inline TVector3f Cross(const TVector3f& a, const TVector3f& b)
{
    TVector3f r;
    AffineCross(a, b, r);
    return r;
}

inline TVector4f Transformed(const TVector4f& v, const TMatrix4f& m)
{
    TVector4f r;
    HmgTransform(v, m, r);
    return r;
}

inline TVector4f Difference(const TVector4f& a, const TVector4f& b)
{
    TVector4f r;
    HmgSubtract(a, b, r);
    return r;
}

inline TVector3f Difference(const TVector3f& a, const TVector3f& b)
{
    TVector3f r;
    AffineSubtract(a, b, r);
    return r;
}
