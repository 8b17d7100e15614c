// Node lists and cubic splines: spline values, slopes and plane crossings (with the one-point spline and a
// crossing single precision cannot narrow to the tolerance), arcs, extents, rotations and tangents, change
// notification, and the tessellated polygon on the recording fake OpenGL: a self-intersecting bow-tie and a
// star with more crossings than nodes, sampled splines, and a tessellator error raised after GLU is done; on
// Mesa, in feedback mode, the bow-tie's two triangles as GL receives them.
#include "GLNodes.h"

#include "GLBaseClasses.h"
#include "GLSpline.h"
#include "RealGLTestContext.h"
#include "Raises.h"
#include "RecordingDrawFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <tuple>
#include <vector>

namespace {

class TCountingOwner : public TGLUpdateAbleComponent {
public:
    TCountingOwner() : TGLUpdateAbleComponent(nullptr) {}
    void NotifyChange(TObject* Sender) override
    {
        ++Changes;
        LastSender = Sender;
    }
    int Changes = 0;
    TObject* LastSender = nullptr;
};

void ExpectVector(const TVector3f& actual, float x, float y, float z, const char* what)
{
    EXPECT_NEAR(actual.X, x, 1e-4f) << what;
    EXPECT_NEAR(actual.Y, y, 1e-4f) << what;
    EXPECT_NEAR(actual.Z, z, 1e-4f) << what;
}

TEST(GLSpline, PassesThroughItsPointsAndContinuesPastTheEnds)
{
    const float v[3] = {0, 1, 2};
    const float w[3] = {5, 3, 4};
    const TCubicSpline spline(v, w, nullptr, nullptr, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(spline.SplineX(static_cast<float>(i)), v[i], 1e-6f) << i;
        EXPECT_NEAR(spline.SplineY(static_cast<float>(i)), w[i], 1e-6f) << i;
    }
    // The last segment extends past the last point; an absent coordinate reads 0.
    EXPECT_NEAR(spline.SplineX(3), 3, 1e-6f);
    EXPECT_EQ(spline.SplineZ(1.5f), 0);
    EXPECT_EQ(spline.SplineSlopeW(1.5f), 0);

    // Two points: the straight line between them, with the difference as slope.
    const float a[2] = {1, 4};
    const TCubicSpline line(a, a, a, a, 2);
    for (const float t : {0.0f, 0.25f, 0.5f, 1.0f}) {
        EXPECT_NEAR(line.SplineX(t), 1 + 3 * t, 1e-5f) << t;
        EXPECT_NEAR(line.SplineSlopeX(t), 3, 1e-5f) << t;
    }
    const TVector4f p = line.SplineVector(0.5f);
    EXPECT_NEAR(p.W, 2.5f, 1e-5f);
    ExpectVector(line.SplineSlopeVector(0.5f), 3, 3, 3, "slopes");

    // One point answers that point everywhere, flat, and its plane is crossed there.
    const float one[1] = {7};
    const float other[1] = {-2};
    const TCubicSpline single(one, other, nullptr, one, 1);
    for (const float t : {-1.0f, 0.0f, 0.5f, 3.0f}) {
        EXPECT_EQ(single.SplineX(t), 7) << t;
        EXPECT_EQ(single.SplineY(t), -2) << t;
        EXPECT_EQ(single.SplineW(t), 7) << t;
        EXPECT_EQ(single.SplineSlopeX(t), 0) << t;
    }
    EXPECT_EQ(single.SplineZ(0), 0);
    float y = -1, z = -1;
    EXPECT_FALSE(single.SplineIntersecYZ(8, y, z));
    EXPECT_EQ(y, -1);
    ASSERT_TRUE(single.SplineIntersecYZ(7, y, z));
    EXPECT_EQ(y, -2);
    EXPECT_EQ(z, 0);
}

TEST(GLSpline, CrossesAxisPlanes)
{
    const float x[3] = {0, 1, 2};
    const float y[3] = {10, 20, 30};
    const float z[3] = {-1, -2, -3};
    const TCubicSpline spline(x, y, z, nullptr, 3);
    float oy = -7, oz = -7;
    // Beyond what the spline covers between t = 0 and t = 3: no crossing, outputs untouched.
    EXPECT_FALSE(spline.SplineIntersecYZ(3.5f, oy, oz));
    EXPECT_FALSE(spline.SplineIntersecYZ(-0.1f, oy, oz));
    EXPECT_EQ(oy, -7);
    EXPECT_EQ(oz, -7);
    ASSERT_TRUE(spline.SplineIntersecYZ(1.5f, oy, oz));
    EXPECT_NEAR(oy, 25, 1e-3f);
    EXPECT_NEAR(oz, -2.5f, 1e-3f);
    // A falling coordinate.
    float ox;
    ASSERT_TRUE(spline.SplineIntersecXY(-1.5f, ox, oy));
    EXPECT_NEAR(ox, 0.5f, 1e-3f);
    EXPECT_NEAR(oy, 15, 1e-3f);
    ASSERT_TRUE(spline.SplineIntersecXZ(20, ox, oz));
    EXPECT_NEAR(ox, 1, 1e-3f);

    // Far from the origin neighbouring floats differ by more than the tolerance: the search still ends.
    const float steep[2] = {0, 3e7f};
    const TCubicSpline far(steep, x, x, nullptr, 2);
    ASSERT_TRUE(far.SplineIntersecYZ(12345678, oy, oz));
    EXPECT_NEAR(oy, 12345678 / 3e7f, 1e-4f);
}

TEST(GLNodes, ListChangesTellTheOwnerOnce)
{
    TCountingOwner owner;
    TGLNodes nodes(&owner);
    nodes.AddXYArc(1, 1, 0, 90, 2, TVector3f{});
    EXPECT_EQ(owner.Changes, 1);
    EXPECT_EQ(owner.LastSender, &nodes);
    ASSERT_EQ(nodes.Count(), 3);
    ExpectVector(nodes[0]->AsAffineVector(), 1, 0, 0, "arc 0");
    ExpectVector(nodes[1]->AsAffineVector(), 0.7071f, 0.7071f, 0, "arc 1");
    ExpectVector(nodes[2]->AsAffineVector(), 0, 1, 0, "arc 2");
    EXPECT_EQ(nodes[1]->W(), 1);
    EXPECT_EQ(nodes[1]->GetDisplayName(), "0.7071; 0.7071; 0.0000");
    TGLNodes point(nullptr);
    point.AddXYArc(2, 1, 90, 180, 0, TVector3f{{{1, 1, 1}}});
    ASSERT_EQ(point.Count(), 1);
    ExpectVector(point[0]->AsAffineVector(), 1, 2, 1, "an arc without segments");

    owner.Changes = 0;
    nodes.Translate(TVector3f{{{1, 2, 3}}});
    nodes.Scale(2);
    nodes.RotateAroundZ(30);
    EXPECT_EQ(owner.Changes, 3);

    // The W of each way of adding a node.
    TGLNodes w(nullptr);
    w.AddNode(1, 2, 3);
    w.AddNode(TVector3f{{{1, 2, 3}}});
    w.AddNode(TVector4f{{{1, 2, 3, 0.5f}}});
    EXPECT_EQ(w[0]->W(), 1);
    EXPECT_EQ(w[1]->W(), 0);
    EXPECT_EQ(w[2]->W(), 0.5f);

    // A copy is a new list with the same nodes.
    const std::unique_ptr<TGLNodes> copy = nodes.CreateCopy(nullptr);
    ASSERT_EQ(copy->Count(), 3);
    EXPECT_EQ(copy->Last()->X(), nodes.Last()->X());
    EXPECT_EQ(copy->FindItemID(copy->Last()->ID()), copy->Last());
    EXPECT_EQ(MessageOf<EListError>([&] { nodes.GetItems(3); }), "List index out of bounds (3)");
}

TEST(GLNodes, GeometryHelpers)
{
    TGLNodes nodes(nullptr);
    TVector3f min, max;
    nodes.GetExtents(min, max);
    EXPECT_EQ(min.X, std::numeric_limits<float>::infinity());
    EXPECT_EQ(max.Z, -std::numeric_limits<float>::infinity());
    ExpectVector(nodes.Barycenter(), 0, 0, 0, "empty barycentre");
    ExpectVector(nodes.Normal(), 0, 0, 0, "empty normal");

    nodes.AddNode(0, 1, 0);
    nodes.AddNode(0, 0, 1);
    nodes.RotateAroundX(90);
    ExpectVector(nodes[0]->AsAffineVector(), 0, 0, -1, "x rotation 0");
    ExpectVector(nodes[1]->AsAffineVector(), 0, 1, 0, "x rotation 1");
    nodes.RotateAroundY(90); // x' = c x + s z
    ExpectVector(nodes[0]->AsAffineVector(), -1, 0, 0, "y rotation");

    TGLNodes triangle(nullptr);
    triangle.AddNode(0, 0, 0);
    triangle.AddNode(2, 0, 0);
    triangle.AddNode(0, 4, 0);
    ExpectVector(triangle.Normal(), 0, 0, 1, "normal");
    ExpectVector(triangle.Barycenter(), 2.0f / 3, 4.0f / 3, 0, "barycentre");
    triangle.GetExtents(min, max);
    ExpectVector(min, 0, 0, 0, "min");
    ExpectVector(max, 2, 4, 0, "max");
    triangle.Scale(TVector3f{{{1, 0.5f, 1}}});
    EXPECT_EQ(triangle[2]->Y(), 2);
}

TEST(GLNodes, TangentsSkipCoincidingNodes)
{
    TGLNodes nodes(nullptr);
    nodes.AddNode(1, 1, 0);
    nodes.AddNode(1, 1, 0);
    nodes.AddNode(1, 3, 0);
    ExpectVector(nodes.Vector(0), 0, 1, 0, "forward search from node 0");
    ExpectVector(nodes.Vector(1), 0, 1, 0, "neighbours");
    ExpectVector(nodes.Vector(2), 0, 1, 0, "last node");

    TGLNodes same(nullptr);
    same.AddNode(1, 1, 1);
    same.AddNode(1, 1, 1);
    ExpectVector(same.Vector(1), 0, 0, 0, "all coincide");
    TGLNodes single(nullptr);
    single.AddNode(1, 1, 1);
    ExpectVector(single.Vector(0), 0, 0, 0, "single node");

    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { nodes.Vector(-1); }), "Assertion failure (VAVodad\\Source\\GLNodes)");
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { nodes.Vector(3); }), "Assertion failure (VAVodad\\Source\\GLNodes)");
}

class GLNodesTessellation : public RecordingDrawFixture {
protected:
    // The distinct points drawn.
    std::set<std::tuple<float, float, float>> Points() const
    {
        std::set<std::tuple<float, float, float>> points;
        for (const TSentVertex& v : Sent) points.insert({v.X, v.Y, v.Z});
        return points;
    }

    // Every primitive was closed and every vertex sent lies in the square [-r, r]^2.
    void ExpectClosedPrimitivesWithin(float r)
    {
        EXPECT_EQ(GL->Count("Begin"), GL->Count("End"));
        EXPECT_GT(GL->Count("Begin"), 0u);
        for (const TSentVertex& v : Sent) {
            EXPECT_LE(std::fabs(v.X), r);
            EXPECT_LE(std::fabs(v.Y), r);
        }
    }
};

TEST_F(GLNodesTessellation, SelfIntersectingContoursAreCutWhereTheyCross)
{
    // A bow-tie: its two edges cross at (0.5, 0.5), a point the tessellator makes.
    TGLNodes bowTie(nullptr);
    for (const auto& [x, y] : {std::pair{0, 0}, {1, 1}, {1, 0}, {0, 1}}) bowTie.AddNode(x, y, 0);
    const TVector3f up{{{0, 0, 1}}};
    bowTie.RenderTesselatedPolygon(true, &up);
    ExpectClosedPrimitivesWithin(1);
    EXPECT_EQ(GL->Count("Normal3fv"), 1u);
    EXPECT_TRUE(Points().contains({0.5f, 0.5f, 0.0f}));
    EXPECT_EQ(Sent.size() % 3, 0u); // two triangles, as triangles, a fan or a strip
    for (const TSentVertex& v : Sent) {
        EXPECT_EQ(v.S, v.X);
        EXPECT_EQ(v.T, v.Y);
    }

    // A star of 13 points joining every fifth: far more crossings than nodes, each a new point.
    TGLNodes star(nullptr);
    for (int i = 0; i < 13; ++i) {
        const double a = 2 * M_PI * ((i * 5) % 13) / 13;
        star.AddNode(static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), 0);
    }
    Sent.clear();
    GL->Calls.clear();
    star.RenderTesselatedPolygon(false);
    ExpectClosedPrimitivesWithin(1);
    EXPECT_GT(Points().size(), 2u * 13);

    // Two nodes draw nothing.
    TGLNodes two(nullptr);
    two.AddNode(0, 0, 0);
    two.AddNode(1, 0, 0);
    GL->Calls.clear();
    two.RenderTesselatedPolygon(false, &up);
    EXPECT_TRUE(GL->Calls.empty());
}

TEST_F(GLNodesTessellation, SplineDivisionsSampleTheSpline)
{
    // An arch: convex, so every sample is drawn and nothing is added.
    TGLNodes arch(nullptr);
    arch.AddNode(0, 0, 0);
    arch.AddNode(1, 1, 0);
    arch.AddNode(2, 0, 0);
    const std::unique_ptr<TCubicSpline> spline = arch.CreateNewCubicSpline();
    for (const bool invert : {false, true}) {
        Sent.clear();
        arch.RenderTesselatedPolygon(false, nullptr, 4, invert);
        const auto points = Points();
        EXPECT_EQ(points.size(), 4u * (3 - 1) + 1);
        const TVector3f quarter = spline->SplineAffineVector(0.25f);
        EXPECT_TRUE(points.contains({quarter.X, quarter.Y, quarter.Z})) << invert;
    }
}

TEST_F(GLNodesTessellation, TessellatorErrorIsRaisedAfterTheTessellatorIsDone)
{
    TGLNodes nodes(nullptr);
    nodes.AddNode(0, 0, 0);
    nodes.AddNode(std::numeric_limits<float>::infinity(), 0, 0);
    nodes.AddNode(0, 1, 0);
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { nodes.RenderTesselatedPolygon(false); }),
              "100155: a coordinate is too large (VAVodad\\Source\\GLNodes)");
    EXPECT_EQ(GL->Count("Begin"), GL->Count("End"));
}

class GLNodesOnMesa : public RealGLCurrentContext {
protected:
    GLNodesOnMesa() : RealGLCurrentContext(64, 48) {}
};

TEST_F(GLNodesOnMesa, BowTieReachesGLAsTwoTriangles)
{
    TGLNodes bowTie(nullptr);
    for (const auto& [x, y] : {std::pair{-0.5f, -0.5f}, {0.5f, 0.5f}, {0.5f, -0.5f}, {-0.5f, 0.5f}})
        bowTie.AddNode(x, y, 0);
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    std::vector<GLfloat> feedback(256);
    gl.FeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_2D, feedback.data());
    gl.RenderMode(GL_FEEDBACK);
    bowTie.RenderTesselatedPolygon(false);
    const GLint values = gl.RenderMode(GL_RENDER);
    ASSERT_GT(values, 0);

    // Each polygon: the token, its vertex count, then x and y in window pixels per vertex.
    int triangles = 0;
    bool centre = false;
    for (GLint i = 0; i < values;) {
        ASSERT_EQ(feedback[i], GL_POLYGON_TOKEN);
        const int n = static_cast<int>(feedback[i + 1]);
        EXPECT_EQ(n, 3);
        for (int k = 0; k < n; ++k)
            centre = centre || (feedback[i + 2 + 2 * k] == 32 && feedback[i + 3 + 2 * k] == 24);
        ++triangles;
        i += 2 + 2 * n;
    }
    EXPECT_EQ(triangles, 2);
    EXPECT_TRUE(centre) << "the crossing point made by the tessellator";
}

} // namespace
