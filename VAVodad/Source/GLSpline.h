// A natural cubic spline through up to four coordinate arrays (X, Y, Z, W), evaluated by a global parameter
// t (t = 0 at the first point, 1 at the second, ...) and intersected with the axis-aligned planes.
#pragma once

#include "Components.h"
#include "GLVectorTypes.h"

#include <array>
#include <cstdint>
#include <vector>

// One entry per segment: a, b, c, d of a t^3 + b t^2 + c t + d in the global parameter t.
using TCubicSplineMatrix = std::vector<std::array<float, 4>>;

class TCubicSpline : public TObject {
public:
    // Each non-null array of nb values becomes its coordinate's matrix. One point gives that point for every
    // t (slope 0); without points, or for a null array, the coordinate is always 0.
    TCubicSpline(const float* X, const float* Y, const float* Z, const float* W, int32_t nb);

    float SplineX(float t) const;
    float SplineY(float t) const;
    float SplineZ(float t) const;
    float SplineW(float t) const;
    void SplineXY(float t, float& X, float& Y) const;
    void SplineXYZ(float t, float& X, float& Y, float& Z) const;
    void SplineXYZW(float t, float& X, float& Y, float& Z, float& W) const;
    TVector3f SplineAffineVector(float t) const;
    void SplineAffineVector(float t, TVector3f& vector) const;
    TVector4f SplineVector(float t) const;
    void SplineVector(float t, TVector4f& vector) const;

    float SplineSlopeX(float t) const;
    float SplineSlopeY(float t) const;
    float SplineSlopeZ(float t) const;
    float SplineSlopeW(float t) const;
    TVector3f SplineSlopeVector(float t) const;

    // Where the spline crosses the plane of the given coordinate, searched between t = 0 and t = nb (one
    // unit past the last point) by bisection: false, with the outputs untouched, when the coordinate at the
    // two ends does not enclose the value.
    bool SplineIntersecYZ(float X, float& Y, float& Z) const;
    bool SplineIntersecXZ(float Y, float& X, float& Z) const;
    bool SplineIntersecXY(float Z, float& X, float& Y) const;

private:
    float Value(const TCubicSplineMatrix& m, float t) const;
    float Slope(const TCubicSplineMatrix& m, float t) const;
    // The parameter where the coordinate of m equals value, by bisection; false when it is not enclosed.
    bool Intersect(const TCubicSplineMatrix& m, float value, float& t) const;
    // Where the coordinate of along equals value, the coordinates of first and second into a and b.
    bool Crossing(const TCubicSplineMatrix& along, float value, const TCubicSplineMatrix& first,
                  const TCubicSplineMatrix& second, float& a, float& b) const;

    TCubicSplineMatrix matX, matY, matZ, matW;
    int32_t FNb;
};
