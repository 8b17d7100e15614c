// The polynomial solvers: roots and their order for each degree and branch, the double root that used to
// give NaN, the degenerate quadratic, and the choice of the nearest root ahead.
#include "GLPolynomials.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

void ExpectRoots(const TDoubleArray& actual, const std::vector<double>& expected, double tolerance, const char* what)
{
    ASSERT_EQ(actual.size(), static_cast<int32_t>(expected.size())) << what;
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(actual[static_cast<int32_t>(i)], expected[i], tolerance) << what << " root " << i;
}

TEST(GLPolynomials, SolversGiveTheirRootsInOrder)
{
    const struct {
        std::vector<double> c;
        std::vector<double> roots;
    } cases[] = {
        {{1, -2, 1}, {1}},             // double root
        {{2, -3, 1}, {2, 1}},          // the larger first
        {{1, 0, 1}, {}},               // complex pair
        {{1, 2, 0}, {}},               // no square term
        {{-1, 2, 0}, {}},              // no square term, where the formulas give NaN and -infinity
        {{-6, 11, -6, 1}, {3, 2, 1}},  // three real roots
        {{-8, 0, 0, 1}, {2}},          // one real root
        {{2, -3, 0, 1}, {-2, 1}},      // (x - 1)^2 (x + 2): a double root met exactly
        {{0, 0, 0, 1}, {0}},           // a triple root at 0
        {{2, -3, 1, 0}, {2, 1}},       // no cube term: the quadratic
        {{1, -4, 6, -4, 1}, {1, 1}},   // (x - 1)^4 through the branch without constant term
        {{24, -50, 35, -10, 1}, {2, 1, 4, 3}}, // the two quadratics' roots one after the other
        {{4, 0, -5, 0, 1}, {-1, -2, 2, 1}},
        {{1, 0, 0, 0, 1}, {}},         // x^4 + 1
        {{-6, 11, -6, 1, 0}, {3, 2, 1}}, // no fourth-power term: the cubic
    };
    for (const auto& t : cases) {
        TDoubleArray roots;
        switch (t.c.size()) {
        case 3: roots = SolveQuadraticEquation(std::span<const double, 3>(t.c.data(), 3)); break;
        case 4: roots = SolveCubicEquation(std::span<const double, 4>(t.c.data(), 4)); break;
        default: roots = SolveQuarticEquation(std::span<const double, 5>(t.c.data(), 5)); break;
        }
        // Cube roots and the cubic's reciprocal square root are taken in single precision, and the quartic
        // carries their error through its resolvent.
        ExpectRoots(roots, t.roots, 2e-4, ::testing::PrintToString(t.c).c_str());
    }
}

TEST(GLPolynomials, CubicNearADoubleRootGivesNoNaN)
{
    // (x - 0.37)^2 (x - 1.59): rounding leaves the discriminant slightly negative and, unclamped, the arccos
    // argument at 1 + 2e-8.
    const double r1 = 0.37, r2 = 1.59;
    const double c[4] = {-r1 * r1 * r2, r1 * r1 + 2 * r1 * r2, -(2 * r1 + r2), 1};
    const TDoubleArray roots = SolveCubicEquation(c);
    ASSERT_EQ(roots.size(), 3);
    for (const double root : roots) {
        ASSERT_FALSE(std::isnan(root));
        EXPECT_LT(std::min(std::fabs(root - r1), std::fabs(root - r2)), 1e-3) << root;
    }
}

TEST(GLPolynomials, MinNonNegativeRootAndHelpers)
{
    double result = -7;
    EXPECT_TRUE(MinNonNegativeRoot({-1, 3, 2}, result));
    EXPECT_EQ(result, 2);
    EXPECT_TRUE(MinNonNegativeRoot({0, 1}, result));
    EXPECT_EQ(result, 0);
    result = -7;
    EXPECT_FALSE(MinNonNegativeRoot({-1, -2}, result));
    EXPECT_FALSE(MinNonNegativeRoot({}, result));
    EXPECT_FALSE(MinNonNegativeRoot({std::nan("")}, result));
    EXPECT_EQ(result, -7);

    EXPECT_NEAR(SignedCubeRoot(27), 3, 1e-6);
    EXPECT_NEAR(SignedCubeRoot(-8), -2, 1e-6);
    EXPECT_EQ(SignedCubeRoot(0), 0);
    EXPECT_TRUE(IsNearZero(1e-40));
    EXPECT_TRUE(IsNearZero(-1e-41));
    EXPECT_FALSE(IsNearZero(1e-39));
}

} // namespace
