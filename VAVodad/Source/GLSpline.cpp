#include "GLSpline.h"

#include <cmath>

namespace {

// The segments of the natural spline through v[0..n-1] (n >= 2). The slopes D solve the tridiagonal system
// with 2, 4, ..., 4, 2 on the diagonal and 1 beside it (a Cholesky solve); each segment's local cubic
// v_j + D_j u + e u^2 + f u^3 (u = t - j) is then stored in the global parameter t.
TCubicSplineMatrix CubicSplineMatrix(const float* v, int32_t n)
{
    std::vector<double> r(n), l(n), m(n), y(n), d(n);
    r[0] = 3.0 * (v[1] - v[0]);
    r[n - 1] = 3.0 * (v[n - 1] - v[n - 2]);
    for (int32_t i = 1; i < n - 1; ++i) r[i] = 3.0 * (v[i + 1] - v[i - 1]);

    l[0] = std::sqrt(2.0);
    m[0] = 1 / l[0];
    for (int32_t j = 1; j < n - 1; ++j) {
        l[j] = std::sqrt(4 - m[j - 1] * m[j - 1]);
        m[j] = 1 / l[j];
    }
    l[n - 1] = std::sqrt(2 - m[n - 2] * m[n - 2]);

    y[0] = r[0] / l[0];
    for (int32_t k = 1; k < n; ++k) y[k] = (r[k] - y[k - 1] * m[k - 1]) / l[k];
    d[n - 1] = y[n - 1] / l[n - 1];
    for (int32_t i = n - 2; i >= 0; --i) d[i] = (y[i] - d[i + 1] * m[i]) / l[i];

    TCubicSplineMatrix result(n - 1);
    for (int32_t j = 0; j < n - 1; ++j) {
        const double e = 3.0 * (v[j + 1] - v[j]) - 2 * d[j] - d[j + 1];
        const double f = 2.0 * (v[j] - v[j + 1]) + d[j] + d[j + 1];
        const double jd = j;
        result[j] = {static_cast<float>(f), static_cast<float>(e - 3 * jd * f),
                     static_cast<float>(3 * jd * jd * f - 2 * jd * e + d[j]),
                     static_cast<float>(jd * jd * e - jd * jd * jd * f - jd * d[j] + v[j])};
    }
    return result;
}

TCubicSplineMatrix MatrixOf(const float* v, int32_t nb)
{
    if (!v || nb < 1) return {};
    // One point: a constant "segment", so the spline answers that point everywhere.
    if (nb == 1) return {{0, 0, 0, v[0]}};
    return CubicSplineMatrix(v, nb);
}

// The segment of t: the first before t = 0, the last from the last point on (it extends past that point).
int32_t SegmentOf(float t, int32_t nb)
{
    if (t <= 0 || nb < 2) return 0;
    const int32_t segment = t > nb - 1 ? nb - 1 : static_cast<int32_t>(t);
    return segment == nb - 1 ? nb - 2 : segment;
}

} // namespace

TCubicSpline::TCubicSpline(const float* X, const float* Y, const float* Z, const float* W, int32_t nb)
    : matX(MatrixOf(X, nb)), matY(MatrixOf(Y, nb)), matZ(MatrixOf(Z, nb)), matW(MatrixOf(W, nb)), FNb(nb)
{
}

float TCubicSpline::Value(const TCubicSplineMatrix& m, float t) const
{
    if (m.empty()) return 0;
    const auto& [a, b, c, d] = m[SegmentOf(t, FNb)];
    const double td = t;
    return static_cast<float>(((a * td + b) * td + c) * td + d);
}

float TCubicSpline::Slope(const TCubicSplineMatrix& m, float t) const
{
    if (m.empty()) return 0;
    const auto& [a, b, c, d] = m[SegmentOf(t, FNb)];
    const double td = t;
    return static_cast<float>((3 * a * td + 2 * b) * td + c);
}

float TCubicSpline::SplineX(float t) const { return Value(matX, t); }
float TCubicSpline::SplineY(float t) const { return Value(matY, t); }
float TCubicSpline::SplineZ(float t) const { return Value(matZ, t); }
float TCubicSpline::SplineW(float t) const { return Value(matW, t); }

void TCubicSpline::SplineXY(float t, float& X, float& Y) const
{
    X = SplineX(t);
    Y = SplineY(t);
}

void TCubicSpline::SplineXYZ(float t, float& X, float& Y, float& Z) const
{
    SplineXY(t, X, Y);
    Z = SplineZ(t);
}

void TCubicSpline::SplineXYZW(float t, float& X, float& Y, float& Z, float& W) const
{
    SplineXYZ(t, X, Y, Z);
    W = SplineW(t);
}

TVector3f TCubicSpline::SplineAffineVector(float t) const
{
    return TVector3f{{{SplineX(t), SplineY(t), SplineZ(t)}}};
}

void TCubicSpline::SplineAffineVector(float t, TVector3f& vector) const
{
    vector = SplineAffineVector(t);
}

TVector4f TCubicSpline::SplineVector(float t) const
{
    return TVector4f{{{SplineX(t), SplineY(t), SplineZ(t), SplineW(t)}}};
}

void TCubicSpline::SplineVector(float t, TVector4f& vector) const
{
    vector = SplineVector(t);
}

float TCubicSpline::SplineSlopeX(float t) const { return Slope(matX, t); }
float TCubicSpline::SplineSlopeY(float t) const { return Slope(matY, t); }
float TCubicSpline::SplineSlopeZ(float t) const { return Slope(matZ, t); }
float TCubicSpline::SplineSlopeW(float t) const { return Slope(matW, t); }

TVector3f TCubicSpline::SplineSlopeVector(float t) const
{
    return TVector3f{{{SplineSlopeX(t), SplineSlopeY(t), SplineSlopeZ(t)}}};
}

bool TCubicSpline::Intersect(const TCubicSplineMatrix& m, float value, float& t) const
{
    float lo = 0;
    float hi = static_cast<float>(FNb);
    float vlo = Value(m, lo);
    float vhi = Value(m, hi);
    const bool rising = vhi > vlo;
    if (rising ? (value < vlo || value > vhi) : (value < vhi || value > vlo)) return false;
    // The tolerance alone may never be met in single precision (a steep spline far from the origin), so the
    // search also ends when the interval cannot be halved any more, and after 64 halvings in any case.
    float mid = (lo + hi) / 2;
    for (int iteration = 0; iteration < 64 && std::fabs(vhi - vlo) > 0.0001f; ++iteration) {
        const float v = Value(m, mid);
        if ((value >= v) == rising) {
            lo = mid;
            vlo = v;
        } else {
            hi = mid;
            vhi = v;
        }
        const float next = (lo + hi) / 2;
        if (next == lo || next == hi) break;
        mid = next;
    }
    t = mid;
    return true;
}

bool TCubicSpline::Crossing(const TCubicSplineMatrix& along, float value, const TCubicSplineMatrix& first,
                            const TCubicSplineMatrix& second, float& a, float& b) const
{
    float t;
    if (!Intersect(along, value, t)) return false;
    a = Value(first, t);
    b = Value(second, t);
    return true;
}

bool TCubicSpline::SplineIntersecYZ(float X, float& Y, float& Z) const
{
    return Crossing(matX, X, matY, matZ, Y, Z);
}

bool TCubicSpline::SplineIntersecXZ(float Y, float& X, float& Z) const
{
    return Crossing(matY, Y, matX, matZ, X, Z);
}

bool TCubicSpline::SplineIntersecXY(float Z, float& X, float& Y) const
{
    return Crossing(matZ, Z, matX, matY, X, Y);
}
