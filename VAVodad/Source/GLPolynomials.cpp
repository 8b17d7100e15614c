#include "GLPolynomials.h"

#include "GLVectorGeometry.h"
#include "SysUtils.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace {

const char* const cUnit = "VAVodad\\Source\\GLPolynomials";

} // namespace

TDoubleArray::TDoubleArray(std::initializer_list<double> values)
{
    for (const double v : values) push_back(v);
}

void TDoubleArray::push_back(double value)
{
    Assert(FCount < cCapacity, "", cUnit);
    FItems[FCount++] = value;
}

void TDoubleArray::Offset(double value)
{
    for (int32_t i = 0; i < FCount; ++i) FItems[i] += value;
}

bool IsNearZero(double x)
{
    return std::fabs(x) <= 1e-40;
}

double SignedCubeRoot(double x)
{
    constexpr float cThird = 1.0f / 3.0f;
    if (x > 0) return FloatPower(static_cast<float>(x), cThird);
    if (x < 0) return -FloatPower(static_cast<float>(-x), cThird);
    return 0;
}

TDoubleArray SolveQuadraticEquation(std::span<const double, 3> c)
{
    TDoubleArray roots;
    // Without the square term the formulas below divide by zero and give infinite or NaN "roots".
    if (c[2] == 0) return roots;
    const double p = c[1] / (2 * c[2]);
    const double q = c[0] / c[2];
    const double d = p * p - q;
    if (IsNearZero(d)) {
        roots.push_back(-p);
    } else if (d > 0) {
        const double s = std::sqrt(d);
        roots.push_back(s - p);
        roots.push_back(-s - p);
    }
    return roots;
}

TDoubleArray SolveCubicEquation(std::span<const double, 4> c)
{
    if (IsNearZero(c[3])) return SolveQuadraticEquation(c.first<3>());
    // Normal form x^3 + A x^2 + B x + C; x = y - A/3 gives y^3 + 3 p y + 2 q = 0.
    const double inv = 1 / c[3];
    const double a = c[2] * inv;
    const double b = c[1] * inv;
    const double cc = c[0] * inv;
    const double sqA = a * a;
    const double p = (b - sqA / 3) / 3;
    const double q = (2.0 / 27 * a * sqA - a * b / 3 + cc) / 2;
    const double cbP = p * p * p;
    const double d = q * q + cbP;
    TDoubleArray roots;
    if (IsNearZero(d)) {
        if (IsNearZero(q)) {
            roots.push_back(0);
        } else {
            const double u = SignedCubeRoot(-q);
            roots.push_back(2 * u);
            roots.push_back(-u);
        }
    } else if (d < 0) {
        // Three real roots. Near a double root the single-precision factor can carry the cosine past 1:
        // ArcCosine clamps it, so no root becomes NaN.
        const double phi = ArcCosine(-q * FloatRecipSqrt(static_cast<float>(-cbP))) / 3;
        const double t = 2 * std::sqrt(-p);
        constexpr double cThirdPi = std::numbers::pi / 3;
        roots.push_back(t * std::cos(phi));
        roots.push_back(-t * std::cos(phi + cThirdPi));
        roots.push_back(-t * std::cos(phi - cThirdPi));
    } else {
        const double s = std::sqrt(d);
        roots.push_back(SignedCubeRoot(s - q) - SignedCubeRoot(s + q));
    }
    roots.Offset(-a / 3);
    return roots;
}

TDoubleArray SolveQuarticEquation(std::span<const double, 5> c)
{
    if (IsNearZero(c[4])) return SolveCubicEquation(c.first<4>());
    // Normal form x^4 + A x^3 + B x^2 + C x + D; x = y - A/4 gives y^4 + p y^2 + q y + r = 0.
    const double a = c[3] / c[4];
    const double b = c[2] / c[4];
    const double cc = c[1] / c[4];
    const double dd = c[0] / c[4];
    const double sqA = a * a;
    const double p = -3.0 / 8 * sqA + b;
    const double q = 1.0 / 8 * sqA * a - 0.5 * a * b + cc;
    const double r = -3.0 / 256 * sqA * sqA + 1.0 / 16 * sqA * b - 0.25 * a * cc + dd;
    TDoubleArray roots;
    if (IsNearZero(r)) {
        // No constant term: y (y^3 + p y + q) = 0.
        const double cubic[4] = {q, p, 0, 1};
        roots = SolveCubicEquation(cubic);
        roots.push_back(0);
    } else {
        // One root z of the resolvent cubic splits the equation into two quadratics.
        const double resolvent[4] = {0.5 * r * p - 0.125 * q * q, -r, -0.5 * p, 1};
        const TDoubleArray z3 = SolveCubicEquation(resolvent);
        Assert(!z3.empty(), "", cUnit);
        // The root comes from single-precision cube roots. Refined in double, u or v below, exactly 0 for a
        // quartic symmetric about its middle (a ray through a torus's tube at right angles), comes out as 0
        // within rounding instead of slightly negative, which would lose every root.
        double z = z3[0];
        const auto resolventAt = [&resolvent](double x) {
            return ((x + resolvent[2]) * x + resolvent[1]) * x + resolvent[0];
        };
        for (int32_t step = 0; step < 3; ++step) {
            const double slope = (3 * z + 2 * resolvent[2]) * z + resolvent[1];
            if (slope == 0) break;
            const double next = z - resolventAt(z) / slope;
            if (!(std::fabs(resolventAt(next)) < std::fabs(resolventAt(z)))) break;
            z = next;
        }
        // Each of u and v is 0 when it is within rounding of 0, else its square root; a negative one leaves no
        // real root.
        double u = z * z - r;
        double v = 2 * z - p;
        const double scaleU = z * z + std::fabs(r);
        const double scaleV = 2 * std::fabs(z) + std::fabs(p);
        for (const auto& [w, scale] : {std::pair{&u, scaleU}, std::pair{&v, scaleV}}) {
            if (IsNearZero(*w) || std::fabs(*w) <= 1e-12 * scale) *w = 0;
            else if (*w > 0) *w = std::sqrt(*w);
            else return roots;
        }
        if (q < 0) v = -v;
        const double first[3] = {z - u, v, 1};
        const double second[3] = {z + u, -v, 1};
        for (const double root : SolveQuadraticEquation(first)) roots.push_back(root);
        for (const double root : SolveQuadraticEquation(second)) roots.push_back(root);
    }
    roots.Offset(-a / 4);
    return roots;
}

bool MinNonNegativeRoot(const TDoubleArray& roots, double& result)
{
    bool found = false;
    for (const double root : roots) {
        if (root >= 0 && (!found || root < result)) {
            result = root;
            found = true;
        }
    }
    return found;
}
