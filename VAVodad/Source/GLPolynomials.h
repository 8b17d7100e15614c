// Closed-form real roots of polynomial equations of degree 2, 3 and 4, for the ray tests of the geometric
// objects. A coefficient array c holds c[0] (the constant term) up to c[n] (the coefficient of x^n).
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>

// The roots of one equation: at most four, kept in place so that a ray test allocates nothing.
class TDoubleArray {
public:
    static constexpr int32_t cCapacity = 4;

    TDoubleArray() = default;
    // At most cCapacity values.
    TDoubleArray(std::initializer_list<double> values);

    int32_t size() const { return FCount; }
    bool empty() const { return FCount == 0; }
    double operator[](int32_t index) const { return FItems[index]; }
    const double* begin() const { return FItems.data(); }
    const double* end() const { return FItems.data() + FCount; }
    // Asserts that there is room.
    void push_back(double value);
    // Adds value to every root.
    void Offset(double value);

private:
    std::array<double, cCapacity> FItems{};
    int32_t FCount = 0;
};

// |x| <= 1e-40.
bool IsNearZero(double x);
// The real cube root keeping the sign of x, the power taken in single precision.
double SignedCubeRoot(double x);

// Roots of c[2] x^2 + c[1] x + c[0]: one for a double root, the larger first when there are two. A zero c[2]
// gives none.
TDoubleArray SolveQuadraticEquation(std::span<const double, 3> c);
// Roots of c[3] x^3 + ... + c[0]; the quadratic on c[0..2] when c[3] is near zero.
TDoubleArray SolveCubicEquation(std::span<const double, 4> c);
// Roots of c[4] x^4 + ... + c[0]; the cubic on c[0..3] when c[4] is near zero.
TDoubleArray SolveQuarticEquation(std::span<const double, 5> c);

// The smallest root >= 0 into result (the first of equal ones); false when there is none.
bool MinNonNegativeRoot(const TDoubleArray& roots, double& result);
