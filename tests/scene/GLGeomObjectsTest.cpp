// The quadric objects. On a real Mesa context in feedback mode (GLU draws through the OpenGL library itself,
// past the engine's entry points): the triangles of disks, cones, cylinders, annuli and arrows and where they
// lie. Without OpenGL: the ray tests, the silhouettes, Align and the stream. On the recording fake OpenGL: the
// curved arrow's kept vertices. Through the memory viewer: a cone's outline on screen.
#include "GLGeomObjects.h"

#include "GLSilhouette.h"
#include "GLVectorGeometry.h"
#include "RealGLTestContext.h"
#include "RecordingDrawFixture.h"
#include "SceneRenderFixture.h"
#include "Streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------------------
// GLU geometry, caught in feedback mode

struct TExtent {
    float Min[3] = {1e9f, 1e9f, 1e9f};
    float Max[3] = {-1e9f, -1e9f, -1e9f};
};

class GLGeomObjectsFeedback : public RealGLCurrentContext {
protected:
    // The view shows -cRange..cRange of the object's units on each axis, so nothing is clipped.
    static constexpr float cRange = 4;

    GLGeomObjectsFeedback() : RealGLCurrentContext(64, 48) {}

    // Draws the object in feedback mode: its triangles and the box around their corners, in object units.
    size_t Triangles(TGLBaseSceneObject& object, TExtent* extent = nullptr)
    {
        TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
        std::vector<GLfloat> buffer(1 << 16);
        gl.FeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
        gl.RenderMode(GL_FEEDBACK);
        gl.MatrixMode(GL_MODELVIEW);
        gl.LoadIdentity();
        gl.Scalef(1 / cRange, 1 / cRange, 1 / cRange);
        object.BuildList(rci);
        const GLint count = gl.RenderMode(GL_RENDER);
        EXPECT_GE(count, 0) << "feedback buffer overflow";
        size_t triangles = 0;
        for (GLint i = 0; i < count;) {
            EXPECT_EQ(buffer[i], GL_POLYGON_TOKEN) << "at " << i;
            if (buffer[i] != GL_POLYGON_TOKEN) break;
            const int n = static_cast<int>(buffer[i + 1]);
            triangles += n - 2;
            for (int k = 0; k < n; ++k) {
                const float* v = &buffer[i + 2 + 3 * k];
                // Window coordinates back to object units (viewport 64 x 48, depth 0..1).
                const float p[3] = {(v[0] / 32 - 1) * cRange, (v[1] / 24 - 1) * cRange, (2 * v[2] - 1) * cRange};
                for (int a = 0; extent && a < 3; ++a) {
                    extent->Min[a] = std::min(extent->Min[a], p[a]);
                    extent->Max[a] = std::max(extent->Max[a], p[a]);
                }
            }
            i += 2 + 3 * n;
        }
        return triangles;
    }
};

// Window coordinates carry about 1/8 unit of rounding at this scale.
void ExpectExtent(const TExtent& e, const std::array<float, 6>& expected, const std::string& what)
{
    for (int a = 0; a < 3; ++a) {
        EXPECT_NEAR(e.Min[a], expected[2 * a], 0.02) << what << ", axis " << a;
        EXPECT_NEAR(e.Max[a], expected[2 * a + 1], 0.02) << what << ", axis " << a;
    }
}

TEST_F(GLGeomObjectsFeedback, ConeCylinderAndAnnulusStandAlongYWithTheirParts)
{
    // 16 slices x 4 stacks of sides are 128 triangles; a full disk of one loop 16, a ring 32.
    TGLCone cone(nullptr);
    cone.SetBottomRadius(1);
    cone.SetHeight(2);
    TExtent e;
    EXPECT_EQ(Triangles(cone, &e), 144u);
    ExpectExtent(e, {-1, 1, -1, 1, -1, 1}, "cone");
    cone.SetParts(TConeParts{coSides});
    EXPECT_EQ(Triangles(cone), 128u);
    cone.SetParts(TConeParts{coBottom});
    e = {};
    EXPECT_EQ(Triangles(cone, &e), 16u);
    ExpectExtent(e, {-1, 1, -1, -1, -1, 1}, "cone base");

    TGLCylinder cylinder(nullptr);
    cylinder.SetHeight(2);
    cylinder.SetTopRadius(1);
    const struct {
        TCylinderAlignment Alignment;
        float Bottom, Top;
    } alignments[] = {{caCenter, -1, 1}, {caTop, -2, 0}, {caBottom, 0, 2}};
    for (const auto& a : alignments) {
        cylinder.SetAlignment(a.Alignment);
        e = {};
        EXPECT_EQ(Triangles(cylinder, &e), 160u);
        ExpectExtent(e, {-1, 1, a.Bottom, a.Top, -1, 1}, "cylinder " + std::to_string(a.Alignment));
    }
    cylinder.SetParts(TCylinderParts{cyTop});
    e = {};
    EXPECT_EQ(Triangles(cylinder, &e), 16u);
    EXPECT_NEAR(e.Min[1], 2, 0.02);

    TGLAnnulus annulus(nullptr);
    EXPECT_EQ(Triangles(annulus), 128u * 2 + 32 * 2);
    annulus.SetParts(TAnnulusParts{anTop, anInnerSides});
    EXPECT_EQ(Triangles(annulus), 128u + 32);
}

TEST_F(GLGeomObjectsFeedback, DiskSectorAndArrowHeads)
{
    TGLDisk disk(nullptr);
    disk.SetOuterRadius(2);
    disk.SetSweepAngle(90);
    disk.SetLoops(1);
    TExtent e;
    EXPECT_EQ(Triangles(disk, &e), 16u);
    // A quarter from +Y clockwise to +X, in the XY plane.
    ExpectExtent(e, {0, 2, 0, 2, 0, 0}, "disk");

    // The arrow runs along Z; the heads stand beyond the shaft, half inside or wholly inside its length.
    TGLArrowLine arrow(nullptr);
    arrow.SetHeight(2);
    arrow.SetParts(TArrowLineParts{alLine, alTopArrow, alBottomArrow});
    const struct {
        TArrowHeadStackingStyle Style;
        float Reach;
    } styles[] = {{ahssStacked, 1.5f}, {ahssCentered, 1.25f}, {ahssIncluded, 1}};
    for (const auto& s : styles) {
        arrow.SetHeadStackingStyle(s.Style);
        e = {};
        // Shaft 128, each head's cone 128 and its base ring around the shaft 32.
        EXPECT_EQ(Triangles(arrow, &e), 128u * 3 + 32 * 2) << s.Style;
        ExpectExtent(e, {-0.2f, 0.2f, -0.2f, 0.2f, -s.Reach, s.Reach}, "arrow " + std::to_string(s.Style));
    }
    // Heads of half the height each, wholly inside: no shaft is left.
    arrow.SetHeight(1);
    EXPECT_EQ(Triangles(arrow), 128u * 2 + 32 * 2);
    // Without heads the shaft is closed by flat disks.
    arrow.SetParts(TArrowLineParts{alLine});
    EXPECT_EQ(Triangles(arrow), 128u + 16 * 2);
}

TEST_F(GLGeomObjectsFeedback, CapsuleFrustrumAndPolygon)
{
    // Radius 0.5 about a straight part 1 long: the drawing ends where the ray test puts the round ends, for
    // every alignment, and reaches the poles whatever the ring's number of segments.
    TGLCapsule capsule(nullptr);
    const struct {
        TCylinderAlignment Alignment;
        int32_t Stacks;
        float Bottom, Top;
    } capsules[] = {{caCenter, 4, -1, 1}, {caTop, 4, -1.5f, 0.5f}, {caBottom, 4, -0.5f, 1.5f}, {caCenter, 8, -1, 1}};
    for (const auto& c : capsules) {
        capsule.SetAlignment(c.Alignment);
        capsule.SetStacks(c.Stacks);
        TExtent e;
        EXPECT_GT(Triangles(capsule, &e), 0u);
        const std::string what = "capsule " + std::to_string(c.Alignment) + ", stacks " + std::to_string(c.Stacks);
        ExpectExtent(e, {-0.5f, 0.5f, c.Bottom, c.Top, -0.5f, 0.5f}, what);
        TVector4f hit;
        ASSERT_TRUE(capsule.RayCastIntersect(TVector4f{{{0, 5, 0, 1}}}, TVector4f{{{0, -1, 0, 0}}}, &hit)) << what;
        EXPECT_NEAR(hit.Y, c.Top, 1e-5) << what;
    }

    // Six quads; a cut at the apex has no top face, even when asked for.
    TGLFrustrum frustrum(nullptr);
    frustrum.SetBaseWidth(2);
    TExtent e;
    EXPECT_EQ(Triangles(frustrum, &e), 12u);
    ExpectExtent(e, {-1, 1, -0.25f, 0.25f, -0.5f, 0.5f}, "frustrum");
    frustrum.SetHeight(1);
    EXPECT_EQ(Triangles(frustrum), 10u);

    TGLPolygon polygon(nullptr);
    polygon.AddNode(0, 0, 0);
    EXPECT_EQ(Triangles(polygon), 0u);
}

// ---------------------------------------------------------------------------------------------------------
// Ray tests

TVector4f P(float x, float y, float z)
{
    return TVector4f{{{x, y, z, 1}}};
}

TVector4f V(float x, float y, float z)
{
    return TVector4f{{{x, y, z, 0}}};
}

struct TRayCase {
    const char* What;
    TVector4f Start, Vector;
    bool Hit;
    TVector4f Point, Normal;
};

void ExpectRays(TGLBaseSceneObject& object, std::initializer_list<TRayCase> cases)
{
    for (const TRayCase& c : cases) {
        const TVector4f untouched = P(99, 99, 99);
        TVector4f point = untouched, normal = untouched;
        ASSERT_EQ(object.RayCastIntersect(c.Start, c.Vector, &point, &normal), c.Hit) << c.What;
        if (!c.Hit) {
            EXPECT_EQ(normal.X, 99) << c.What;
            continue;
        }
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(point.V[i], c.Point.V[i], 1e-5) << c.What << ", point " << i;
            EXPECT_NEAR(normal.V[i], c.Normal.V[i], 1e-5) << c.What << ", normal " << i;
        }
    }
}

TEST(GLGeomObjectsRays, DiskSweepConeAndCylinder)
{
    TGLDisk disk(nullptr);
    disk.Position()->SetPoint(0, 0, -2);
    disk.SetSweepAngle(90);
    ExpectRays(disk, {
        {"inside the quarter (about 18 degrees)", P(0.1f, 0.3f, 0), V(0, 0, -1), true, P(0.1f, 0.3f, -2), V(0, 0, 1)},
        {"beside it", P(-0.1f, 0.3f, 0), V(0, 0, -1), false, {}, {}},
        {"beyond the radius", P(0.4f, 0.4f, 0), V(0, 0, -1), false, {}, {}},
        {"along the plane", P(0.1f, 0.3f, -2), V(1, 0, 0), false, {}, {}},
    });
    // The sector can wrap past 360: from 300 over +Y to 30.
    disk.SetStartAngle(300);
    ExpectRays(disk, {{"wrapped", P(0.05f, 0.3f, 0), V(0, 0, -1), true, P(0.05f, 0.3f, -2), V(0, 0, 1)},
                      {"outside the wrap", P(0.3f, 0.05f, 0), V(0, 0, -1), false, {}, {}}});
    // A miss beside the disk still hands back the plane point, which is written before the disk is tested.
    TVector4f point = P(99, 99, 99);
    EXPECT_FALSE(disk.RayCastIntersect(P(0.4f, 0.4f, 0), V(0, 0, -1), &point, nullptr));
    EXPECT_NEAR(point.Z, -2, 1e-6);
    disk.SetSweepAngle(0);
    EXPECT_FALSE(disk.RayCastIntersect(P(0.05f, 0.3f, 0), V(0, 0, -1)));

    // A cone 2 tall, base radius 1 at y = 1 (its centre at y = 2).
    TGLCone cone(nullptr);
    cone.Position()->SetPoint(0, 2, 0);
    cone.SetBottomRadius(1);
    cone.SetHeight(2);
    const float s = 1 / std::sqrt(5.0f);
    ExpectRays(cone, {
        {"from below, on the base", P(0.5f, -5, 0), V(0, 3, 0), true, P(0.5f, 1, 0), V(0, -1, 0)},
        {"from the side, halfway up", P(5, 2, 0), V(-1, 0, 0), true, P(0.5f, 2, 0), V(2 * s, s, 0)},
        {"above the apex", P(5, 3.5f, 0), V(-1, 0, 0), false, {}, {}},
        {"from below, beside the base", P(1.5f, -5, 0), V(0, 1, 0), false, {}, {}},
        {"from below, past the base onto the side", P(2.5f, 0, 0), V(-1, 1, 0), true, P(0.5f, 2, 0), V(2 * s, s, 0)},
        // Past the apex the ray first crosses the mirrored cone, which is not the cone.
        {"from above, onto the side", P(0.3f, 5, 0), V(0, -1, 0), true, P(0.3f, 2.4f, 0), V(2 * s, s, 0)},
    });
    // The normal of the base is the cone's own down, wherever it points.
    cone.SetPitchAngle(90);
    const TVector4f up = cone.AbsoluteUp();
    TVector4f base = cone.AbsolutePosition();
    TVector4f start = base;
    for (int i = 0; i < 3; ++i) {
        base.V[i] -= up.V[i];
        start.V[i] -= 5 * up.V[i];
    }
    ExpectRays(cone, {{"from below, turned", start, up, true, base, V(-up.X, -up.Y, -up.Z)}});

    // A cylinder 2 tall and 1 wide standing on the origin.
    TGLCylinder cylinder(nullptr);
    cylinder.SetHeight(2);
    cylinder.SetBottomRadius(1);
    cylinder.SetTopRadius(1);
    cylinder.SetAlignment(caBottom);
    const std::initializer_list<TRayCase> straight = {
        {"down on the top", P(0.5f, 5, 0), V(0, -1, 0), true, P(0.5f, 2, 0), V(0, 1, 0)},
        {"up on the bottom", P(0, -5, 0.5f), V(0, 1, 0), true, P(0, 0, 0.5f), V(0, -1, 0)},
        {"on the side", P(5, 1, 0), V(-1, 0, 0), true, P(1, 1, 0), V(1, 0, 0)},
        {"slanting onto the side", P(3, 3, 0), V(-1, -1, 0), true, P(1, 1, 0), V(1, 0, 0)},
        // In through the bottom, then out through the side: the nearer bottom is the hit.
        {"slanting up on the bottom", P(0.5f, -5, 0), V(0.09f, 1, 0), true, P(0.95f, 0, 0), V(0, -1, 0)},
        {"above it", P(5, 2.5f, 0), V(-1, 0, 0), false, {}, {}},
        {"down beside it", P(1.5f, 5, 0), V(0, -1, 0), false, {}, {}},
    };
    ExpectRays(cylinder, straight);
    cylinder.SetParts(TCylinderParts{cySides});
    ExpectRays(cylinder, {{"down through the open top onto the wall", P(0, 5, 0), V(0.25f, -1, 0), true, P(1, 1, 0),
                           V(1, 0, 0)}});

    // Tapered, each end is as wide as its own radius (and the same formulas give the straight results above).
    cylinder.SetParts(TCylinderParts{cySides, cyBottom, cyTop});
    cylinder.SetTopRadius(0.5f);
    ExpectRays(cylinder, {
        {"on the side halfway up", P(5, 1, 0), V(-1, 0, 0), true, P(0.75f, 1, 0), V(0.75f, 0.1875f, 0)},
        {"up on the wide bottom", P(0.9f, -5, 0), V(0, 1, 0), true, P(0.9f, 0, 0), V(0, -1, 0)},
        {"down past the narrow top onto the side", P(0.6f, 10, 0), V(0, -1, 0), true, P(0.6f, 1.6f, 0),
         V(0.6f, 0.15f, 0)},
        {"down beside the bottom", P(1.1f, 5, 0), V(0, -1, 0), false, {}, {}},
    });
}

TEST(GLGeomObjectsRays, AnnulusWallsAndRings)
{
    // Height 1, walls at radius 0.5 and 0.3.
    TGLAnnulus annulus(nullptr);
    ExpectRays(annulus, {
        {"down the hole", P(0, 5, 0), V(0, -1, 0), false, {}, {}},
        {"down on the top ring", P(0.4f, 5, 0), V(0, -1, 0), true, P(0.4f, 0.5f, 0), V(0, 1, 0)},
        {"up on the bottom ring", P(-0.4f, -5, 0), V(0, 1, 0), true, P(-0.4f, -0.5f, 0), V(0, -1, 0)},
        {"onto the outer wall", P(5, 0, 0), V(-1, 0, 0), true, P(0.5f, 0, 0), V(0.5f, 0, 0)},
        // The inner wall faces the hole.
        {"from the hole onto the inner wall", P(0, 0.2f, 0), V(1, 0, 0), true, P(0.3f, 0.2f, 0), V(-0.3f, 0, 0)},
        {"slanting down the hole onto the inner wall", P(0, 1.5f, 0), V(0.2f, -1, 0), true, P(0.3f, 0, 0),
         V(-0.3f, 0, 0)},
        {"level above it", P(5, 1, 0), V(-1, 0, 0), false, {}, {}},
    });
    // Each ring is as wide as it is drawn: the bottom one from its own inner radius.
    annulus.SetBottomInnerRadius(0.1f);
    ExpectRays(annulus, {{"up on the wider bottom ring", P(0.2f, -5, 0), V(0, 1, 0), true, P(0.2f, -0.5f, 0),
                          V(0, -1, 0)}});
    annulus.SetParts(TAnnulusParts{anOuterSides});
    ExpectRays(annulus, {{"down on the missing top ring", P(0.4f, 5, 0), V(0, -1, 0), false, {}, {}}});
}

TEST(GLGeomObjectsRays, CapsuleWallAndRoundEnds)
{
    // Straight from y = -1 to 1, radius 0.5: the round ends reach 1.5 and -1.5.
    TGLCapsule capsule(nullptr);
    capsule.SetHeight(2);
    ExpectRays(capsule, {
        {"onto the wall", P(5, 0, 0), V(-1, 0, 0), true, P(0.5f, 0, 0), V(0.5f, 0, 0)},
        {"down the axis onto the top's pole", P(0, 5, 0), V(0, -1, 0), true, P(0, 1.5f, 0), V(0, 0.5f, 0)},
        {"up onto the bottom end", P(0.3f, -5, 0), V(0, 1, 0), true, P(0.3f, -1.4f, 0), V(0.3f, -0.4f, 0)},
        {"level with the top end", P(5, 1.3f, 0), V(-1, 0, 0), true, P(0.4f, 1.3f, 0), V(0.4f, 0.3f, 0)},
        {"level above it", P(5, 1.6f, 0), V(-1, 0, 0), false, {}, {}},
        {"pointing away", P(5, 0, 0), V(1, 0, 0), false, {}, {}},
    });
    // Aligned to an end, the ends lie where the drawing puts them.
    capsule.SetAlignment(caTop);
    ExpectRays(capsule, {{"down onto a top end at 0", P(0, 5, 0), V(0, -1, 0), true, P(0, 0.5f, 0), V(0, 0.5f, 0)}});
    capsule.SetAlignment(caBottom);
    ExpectRays(capsule, {{"up onto a bottom end at 0", P(0, -5, 0), V(0, 1, 0), true, P(0, -0.5f, 0), V(0, -0.5f, 0)}});
    // Open ends: down the tube onto its wall.
    capsule.SetAlignment(caCenter);
    capsule.SetParts(TCylinderParts{cySides});
    ExpectRays(capsule, {
        {"down the axis of the open tube", P(0, 5, 0), V(0, -1, 0), false, {}, {}},
        {"slanting down the open tube", P(0, 5, 0), V(0.1f, -1, 0), true, P(0.5f, 0, 0), V(0.5f, 0, 0)},
    });
}

TEST(GLGeomObjectsRays, TorusQuartic)
{
    // Around the Z axis, tube radius 0.1 on a ring of 0.4; the normal runs from the ring to the hit.
    TGLTorus torus(nullptr);
    torus.Position()->SetPoint(0, 0, -1);
    ExpectRays(torus, {
        {"down through the hole", P(0, 0, 5), V(0, 0, -1), false, {}, {}},
        {"down onto the ring", P(0.4f, 0, 5), V(0, 0, -2), true, P(0.4f, 0, -0.9f), V(0, 0, 0.1f)},
        {"onto the outside", P(5, 0, -1), V(-1, 0, 0), true, P(0.5f, 0, -1), V(0.1f, 0, 0)},
        {"from the centre onto the inside", P(0, 0, -1), V(0, 1, 0), true, P(0, 0.3f, -1), V(0, -0.1f, 0)},
        {"pointing away, every root behind", P(5, 0, -1), V(1, 0, 0), false, {}, {}},
    });
}

// ---------------------------------------------------------------------------------------------------------
// Silhouettes, Align, properties, stream

TEST(GLGeomObjects, SilhouetteHasAtLeastFiveSegments)
{
    // Seen from straight above, the outline is the top's rim: one edge a segment.
    const TGLSilhouetteParameters above{{{{0, 10, 0}}}, {{{0, -1, 0}}}, ssOmni, false};
    const struct {
        int32_t Slices, Segments;
    } cases[] = {{3, 5}, {5, 5}, {8, 8}};
    for (const auto& c : cases) {
        TGLCylinder cylinder(nullptr);
        cylinder.SetSlices(c.Slices);
        const std::unique_ptr<TGLSilhouette> silhouette = cylinder.GenerateSilhouette(above);
        EXPECT_EQ(silhouette->Indices()->Count(), 2 * c.Segments) << c.Slices;
        EXPECT_EQ(cylinder.Slices(), c.Slices);
        // Closed all round: every rim point ends one edge and starts the next.
        std::vector<int32_t> ends(silhouette->Vertices()->Count());
        for (int32_t i = 0; i < silhouette->Indices()->Count(); ++i) ++ends[silhouette->Indices()->List()[i]];
        EXPECT_EQ(std::count(ends.begin(), ends.end(), 2), c.Segments) << c.Slices;
    }
    // A cone's outline from below is the rim of its base, its apex (where the top would be) shared.
    TGLCone cone(nullptr);
    const TGLSilhouetteParameters below{{{{0, -10, 0}}}, {{{0, 1, 0}}}, ssOmni, true};
    const std::unique_ptr<TGLSilhouette> silhouette = cone.GenerateSilhouette(below);
    EXPECT_EQ(silhouette->Indices()->Count(), 2 * 16);
    EXPECT_GT(silhouette->CapIndices()->Count(), 0);
}

TEST(GLGeomObjects, AlignStretchesACylinderBetweenTwoPoints)
{
    TGLDummyCube parent(nullptr);
    parent.Position()->SetPoint(1, 0, 0);
    auto* cylinder = TGLBaseSceneObject::CreateAsChild<TGLCylinder>(&parent);
    cylinder->SetAlignment(caBottom);
    cylinder->Align(TVector3f{{{1, 1, 1}}}, TVector3f{{{1, 1, 3}}});
    EXPECT_FLOAT_EQ(cylinder->Height(), 2);
    EXPECT_EQ(cylinder->Alignment(), caCenter);
    const TVector4f centre = cylinder->AbsolutePosition();
    const TVector4f up = cylinder->AbsoluteUp();
    const float expectedCentre[3] = {1, 1, 2}, expectedUp[3] = {0, 0, 1};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(centre.V[i], expectedCentre[i], 1e-6) << i;
        EXPECT_NEAR(up.V[i], expectedUp[i], 1e-6) << i;
    }
    // Its ends are where the points were.
    TVector4f hit;
    ASSERT_TRUE(cylinder->RayCastIntersect(P(1, 1, 10), V(0, 0, -1), &hit));
    EXPECT_NEAR(hit.Z, 3, 1e-5);
    parent.DeleteChildren();
}

TEST(GLGeomObjects, LoopsStayPositiveAndTheArrowArcStreamsItsOwnStacksDefault)
{
    TGLCylinder cylinder(nullptr);
    cylinder.SetLoops(3);
    cylinder.SetLoops(0);
    cylinder.SetLoops(-2);
    EXPECT_EQ(cylinder.Loops(), 3);

    const auto write = [](TComponent& object) {
        TMemoryStream stream;
        TWriter(stream).WriteRootComponent(&object);
        return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
    };
    const auto has = [](const std::string& bytes, const std::string& name) {
        return bytes.find(name) != std::string::npos;
    };
    TGLArrowArc arc(nullptr);
    TGLArrowLine line(nullptr);
    const std::string arcBytes = write(arc), lineBytes = write(line);
    for (const char* name : {"Stacks", "Parts", "Slices", "HeadStackingStyle"}) {
        EXPECT_FALSE(has(arcBytes, name)) << name;
        EXPECT_FALSE(has(lineBytes, name)) << name;
    }
    line.SetStacks(16);
    EXPECT_TRUE(has(write(line), "Stacks"));

    // What is written reads back.
    TGLCone cone(nullptr);
    cone.SetParts(TConeParts{coBottom});
    cone.SetHeight(15);
    cone.SetBottomRadius(8);
    cone.SetNormals(nsFlat);
    TMemoryStream stream;
    TWriter(stream).WriteRootComponent(&cone);
    stream.SetPosition(0);
    TGLCone copy(nullptr);
    TReader(stream).ReadRootComponent(&copy);
    EXPECT_EQ(copy.Parts(), TConeParts{coBottom});
    EXPECT_EQ(copy.Height(), 15);
    EXPECT_EQ(copy.BottomRadius(), 8);
    EXPECT_EQ(copy.Normals(), nsFlat);

    // Assign copies a cylinder's parts and top radius, but not its alignment.
    TGLCylinder source(nullptr);
    source.SetParts(TCylinderParts{cyTop});
    source.SetTopRadius(2);
    source.SetAlignment(caTop);
    source.SetHeight(3);
    cylinder.Assign(&source);
    EXPECT_EQ(cylinder.Parts(), TCylinderParts{cyTop});
    EXPECT_EQ(cylinder.TopRadius(), 2);
    EXPECT_EQ(cylinder.Height(), 3);
    EXPECT_EQ(cylinder.Alignment(), caCenter);
}

TEST(GLGeomObjects, CapsuleAlignsAndTorusCountsStayAboveTheirLeast)
{
    TGLCapsule capsule(nullptr);
    capsule.SetAlignment(caTop);
    capsule.Align(TVector3f{{{0, 0, 0}}}, TVector3f{{{0, 0, 2}}});
    EXPECT_FLOAT_EQ(capsule.Height(), 2);
    EXPECT_EQ(capsule.Alignment(), caCenter);
    const TVector4f centre = capsule.AbsolutePosition();
    const TVector4f up = capsule.AbsoluteUp();
    const float expectedCentre[3] = {0, 0, 1}, expectedUp[3] = {0, 0, 1};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(centre.V[i], expectedCentre[i], 1e-6) << i;
        EXPECT_NEAR(up.V[i], expectedUp[i], 1e-6) << i;
    }

    TGLTorus torus(nullptr);
    torus.SetRings(0);
    torus.SetSides(1);
    EXPECT_EQ(torus.Rings(), 2u);
    EXPECT_EQ(torus.Sides(), 3u);
}

TEST(GLGeomObjects, FrustrumSizesKeepTheirOrder)
{
    TGLFrustrum frustrum(nullptr);
    frustrum.SetHeight(1.5f);
    EXPECT_EQ(frustrum.ApexHeight(), 1.5f);
    frustrum.SetApexHeight(1.2f);
    EXPECT_EQ(frustrum.Height(), 1.2f);
    // A cut at the apex leaves a point.
    EXPECT_EQ(frustrum.TopWidth(), 0);
    EXPECT_EQ(frustrum.TopDepth(), 0);
    // Negative sizes and an apex at the base are refused.
    frustrum.SetApexHeight(0);
    frustrum.SetApexHeight(-1);
    frustrum.SetBaseWidth(-2);
    frustrum.SetHeight(-1);
    EXPECT_EQ(frustrum.ApexHeight(), 1.2f);
    EXPECT_EQ(frustrum.BaseWidth(), 1);
    EXPECT_EQ(frustrum.Height(), 1.2f);
    frustrum.SetHeight(0.6f);
    frustrum.SetBaseWidth(2);
    EXPECT_FLOAT_EQ(frustrum.TopWidth(), 1);
    EXPECT_FLOAT_EQ(frustrum.TopDepth(), 0.5f);
}

TEST(GLGeomObjects, FrustrumSizeStreamsOnlyOffItsDefaults)
{
    const auto write = [](TComponent& object) {
        TMemoryStream stream;
        TWriter(stream).WriteRootComponent(&object);
        return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
    };
    const auto read = [](const std::string& bytes, TComponent& object) {
        TMemoryStream stream;
        stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        stream.SetPosition(0);
        TReader(stream).ReadRootComponent(&object);
    };
    TGLFrustrum frustrum(nullptr);
    EXPECT_EQ(write(frustrum).find("FrustrumSize"), std::string::npos);
    frustrum.SetBaseWidth(2);
    std::string bytes = write(frustrum);
    // ApexHeight, BaseDepth, BaseWidth, Height as four singles.
    const float sizes[4] = {1, 1, 2, 0.5f};
    const size_t at = bytes.find(std::string(reinterpret_cast<const char*>(sizes), sizeof(sizes)));
    ASSERT_NE(at, std::string::npos);
    EXPECT_NE(bytes.find("FrustrumSize"), std::string::npos);
    TGLFrustrum copy(nullptr);
    read(bytes, copy);
    EXPECT_EQ(copy.BaseWidth(), 2);
    EXPECT_EQ(copy.Height(), 0.5f);

    // A stored apex at the base and a negative height are refused as the setters refuse them: no division
    // by zero follows.
    const float broken[4] = {0, 1, 2, -1};
    bytes.replace(at, sizeof(broken), reinterpret_cast<const char*>(broken), sizeof(broken));
    TGLFrustrum fromBroken(nullptr);
    read(bytes, fromBroken);
    EXPECT_EQ(fromBroken.ApexHeight(), 1);
    EXPECT_EQ(fromBroken.Height(), 0.5f);
    EXPECT_EQ(fromBroken.BaseWidth(), 2);
    EXPECT_FLOAT_EQ(fromBroken.TopWidth(), 1);
}

// ---------------------------------------------------------------------------------------------------------
// The curved arrow's kept vertices, on the recording fake OpenGL

std::vector<TVector3f>* vNormals = nullptr;

void SentNormal(const GLfloat* v)
{
    vNormals->push_back(TVector3f{{{v[0], v[1], v[2]}}});
}

class GLArrowArcDrawing : public RecordingDrawFixture {
protected:
    // Each vertex comes with its own normal: Normals[k] belongs to Sent[k].
    GLArrowArcDrawing()
    {
        vNormals = &Normals;
        GetCurrentGL()->Normal3fv = &SentNormal;
    }
    ~GLArrowArcDrawing() override { vNormals = nullptr; }

    void DrawArc(TGLArrowArc& arc)
    {
        Normals.clear();
        Draw(arc);
        ASSERT_EQ(Normals.size(), Sent.size());
    }

    static float Distance(const TSentVertex& a, const TSentVertex& b)
    {
        return std::hypot(a.X - b.X, a.Y - b.Y, a.Z - b.Z);
    }

    std::vector<TVector3f> Normals;
};

TEST_F(GLArrowArcDrawing, RedrawsItsVerticesAndRebuildsThemAfterAChange)
{
    TGLArrowArc arc(nullptr);
    arc.SetParts(TArrowArcParts{aaArc});
    arc.SetStopAngle(90);
    arc.SetBottomRadius(0.1f);
    arc.SetTopRadius(0.05f);
    DrawArc(arc);
    // 16 stacks x 16 slices of two triangles, then a fan of a centre and 17 records at each end.
    const size_t tube = 16 * 16 * 6;
    ASSERT_EQ(Sent.size(), tube + 2 * 18);
    EXPECT_EQ(GL->Only({"Begin"}), (std::vector<TGLCall>{GLCall("Begin", GL_TRIANGLES),
                                                         GLCall("Begin", GL_TRIANGLE_FAN),
                                                         GLCall("Begin", GL_TRIANGLE_FAN)}));
    // Flat ends: the start at angle 0 (+X) as wide as BottomRadius, the stop at 90 degrees (-Y, clockwise
    // seen from +Z) as wide as TopRadius.
    const struct {
        size_t Centre;
        float X, Y, Radius;
    } ends[] = {{tube, 0.5f, 0, 0.1f}, {tube + 18, 0, -0.5f, 0.05f}};
    // The tube's normals point away from its centre line (the arc of radius 0.5 in the XY plane).
    for (size_t k = 0; k < tube; ++k) {
        const TSentVertex& p = Sent[k];
        const float scale = 0.5f / std::hypot(p.X, p.Y);
        const float d[3] = {p.X - p.X * scale, p.Y - p.Y * scale, p.Z};
        const float length = std::hypot(d[0], d[1], d[2]);
        for (int i = 0; i < 3; ++i) ASSERT_NEAR(Normals[k].V[i], d[i] / length, 1e-4) << k << ", " << i;
    }
    for (const auto& end : ends) {
        const TSentVertex& centre = Sent[end.Centre];
        EXPECT_NEAR(centre.X, end.X, 1e-6);
        EXPECT_NEAR(centre.Y, end.Y, 1e-6);
        EXPECT_NEAR(centre.Z, 0, 1e-6);
        for (size_t k = 1; k < 18; ++k) EXPECT_NEAR(Distance(Sent[end.Centre + k], centre), end.Radius, 1e-6) << k;
    }

    // Drawn again without a change (say after the display list was dropped): the same vertices.
    const std::vector<TSentVertex> first = Sent;
    Draw(arc);
    ASSERT_EQ(Sent.size(), first.size());
    EXPECT_EQ(0, std::memcmp(Sent.data(), first.data(), first.size() * sizeof(TSentVertex)));

    // An inherited property rebuilds the kept vertices: 8 sides now.
    arc.SetSlices(8);
    Draw(arc);
    EXPECT_EQ(Sent.size(), 16 * 8 * 6 + 2 * 10);
}

TEST_F(GLArrowArcDrawing, HeadsPointAlongTheArc)
{
    TGLArrowArc arc(nullptr);
    arc.SetStopAngle(90);
    arc.SetSlices(4);
    arc.SetStacks(2);
    arc.SetParts(TArrowArcParts{aaArc, aaTopArrow, aaBottomArrow});
    // Stacked, the heads' bases sit at the arc's ends and the apexes half an arc radius beyond them along the
    // tangent; included, the tube is shortened so that the apexes come to the ends' angles.
    const float d = std::sqrt(0.5f);
    const struct {
        TArrowHeadStackingStyle Style;
        float StartX, StartY, StopX, StopY;
    } styles[] = {{ahssStacked, 0.5f, 0.5f, -0.5f, -0.5f}, {ahssIncluded, d, 0, 0, -d}};
    for (const auto& s : styles) {
        arc.SetHeadStackingStyle(s.Style);
        DrawArc(arc);
        // Tube 2 x 4 x 6; each end a fan of 1 + 5 and a cone of 4 x 6.
        const size_t tube = 2 * 4 * 6, end = 6 + 4 * 6;
        ASSERT_EQ(Sent.size(), tube + 2 * end);
        // The third vertex of the start cone's first triangle, the first of the stop cone's.
        const TSentVertex& startApex = Sent[tube + 6 + 2];
        const TSentVertex& stopApex = Sent[tube + end + 6];
        const float seen[6] = {startApex.X, startApex.Y, startApex.Z, stopApex.X, stopApex.Y, stopApex.Z};
        const float expected[6] = {s.StartX, s.StartY, 0, s.StopX, s.StopY, 0};
        for (int i = 0; i < 6; ++i) EXPECT_NEAR(seen[i], expected[i], 1e-5) << s.Style << ", " << i;
    }

    // A head's base faces back towards the tube; a flat end faces away from it. The arc runs clockwise from
    // +X (where the tube leaves towards -Y) to -Y (where it arrives from +X).
    const struct {
        TArrowArcParts Parts;
        TVector3f Start, Stop;
        size_t StopFan;
    } ends[] = {
        {TArrowArcParts{aaArc, aaTopArrow, aaBottomArrow}, {{{0, -1, 0}}}, {{{1, 0, 0}}}, 2 * 4 * 6 + 6 + 4 * 6},
        {TArrowArcParts{aaArc}, {{{0, 1, 0}}}, {{{-1, 0, 0}}}, 2 * 4 * 6 + 6},
    };
    arc.SetHeadStackingStyle(ahssStacked);
    for (const auto& e : ends) {
        arc.SetParts(e.Parts);
        DrawArc(arc);
        for (size_t k = 0; k < 6; ++k) {
            for (int i = 0; i < 3; ++i) {
                EXPECT_NEAR(Normals[2 * 4 * 6 + k].V[i], e.Start.V[i], 1e-6) << k << ", " << i;
                EXPECT_NEAR(Normals[e.StopFan + k].V[i], e.Stop.V[i], 1e-6) << k << ", " << i;
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------------------
// The torus's kept vertices and the capsule's bands, on the recording fake OpenGL

class GLTorusDrawing : public RecordingDrawFixture {};

TEST_F(GLTorusDrawing, SectionEndsRedrawAndParts)
{
    TGLTorus torus(nullptr);
    torus.SetStopAngle(90);
    Draw(torus);
    // 25 rings x 15 sides of two triangles, then a fan of a centre and 16 records at either end.
    const size_t tube = 25 * 15 * 6;
    ASSERT_EQ(Sent.size(), tube + 2 * 17);
    // Each disk lies at its own end of the section: the start on +X, the stop at 90 degrees on -Y.
    const struct {
        size_t Centre;
        float X, Y;
    } ends[] = {{tube, 0.4f, 0}, {tube + 17, 0, -0.4f}};
    for (const auto& end : ends) {
        const TSentVertex& centre = Sent[end.Centre];
        EXPECT_NEAR(centre.X, end.X, 1e-6);
        EXPECT_NEAR(centre.Y, end.Y, 1e-6);
        for (size_t k = 1; k < 17; ++k) {
            const TSentVertex& rim = Sent[end.Centre + k];
            EXPECT_NEAR(std::hypot(rim.X - centre.X, rim.Y - centre.Y, rim.Z - centre.Z), 0.1f, 1e-6) << k;
        }
    }
    // Drawn again from the kept vertices: the same.
    const std::vector<TSentVertex> first = Sent;
    Draw(torus);
    ASSERT_EQ(Sent.size(), first.size());
    for (size_t k = 0; k < first.size(); ++k)
        ASSERT_EQ(std::memcmp(&Sent[k], &first[k], sizeof(TSentVertex)), 0) << k;
    // Other parts, other rows.
    torus.SetParts(TTorusParts{toSides});
    Draw(torus);
    EXPECT_EQ(Sent.size(), tube);
    torus.SetParts(TTorusParts{toStopDisk});
    Draw(torus);
    ASSERT_EQ(Sent.size(), 17u);
    EXPECT_NEAR(Sent[0].Y, -0.4f, 1e-6);
}

void SentVertex3d(GLdouble x, GLdouble y, GLdouble z)
{
    vSent->push_back({vTexCoord[0], vTexCoord[1], static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)});
}

TEST_F(GLTorusDrawing, CapsuleEndsHaveFiveBandsOfSixteenSegments)
{
    GetCurrentGL()->Vertex3d = &SentVertex3d;
    TGLCapsule capsule(nullptr);
    capsule.SetParts(TCylinderParts{cyTop});
    Draw(capsule);
    // Five strips of 17 ring points on two rings, drawn along Z (turned to Y): the height of band j's upper
    // ring is 0.5 + 0.5 sin((j + 1) 22.5 degrees), the last band lying back over the one before it.
    ASSERT_EQ(Sent.size(), 5u * 34);
    for (int j = 0; j < 5; ++j) {
        const float upper = 0.5f + 0.5f * static_cast<float>(std::sin((j + 1) * std::numbers::pi / 8));
        EXPECT_NEAR(Sent[34 * j].Z, upper, 1e-6) << j;
    }
    // With Slices 8 and Stacks 8 the bands still close the end: the eighth band's upper ring is the pole (a
    // step of a ring segment, 5.625 degrees, would stop the nine bands at 50.6 degrees and leave a hole).
    Sent.clear();
    capsule.SetSlices(8);
    capsule.SetStacks(8);
    Draw(capsule);
    ASSERT_EQ(Sent.size(), 9u * 2 * 65);
    EXPECT_NEAR(Sent[2 * 65 * 7].Z, 1.0f, 1e-6);
    EXPECT_NEAR(Sent[2 * 65 * 7].X, 0.0f, 1e-6);
}

// ---------------------------------------------------------------------------------------------------------
// Through the memory viewer

class GLGeomObjectsRender : public SceneRenderFixture {
protected:
    // The pixels not black in the columns from left up to (not including) right.
    int Lit(int left = 0, int right = cWidth)
    {
        int count = 0;
        for (int y = 0; y < cHeight; ++y)
            for (int x = left; x < right; ++x) count += Pixel(x, y) != clBlack;
        return count;
    }
};

TEST_F(GLGeomObjectsRender, ConeShowsItsOutline)
{
    auto* cone = TGLBaseSceneObject::CreateAsChild<TGLCone>(Scene->Objects());
    cone->Position()->SetPoint(0, 0, -5);
    cone->SetBottomRadius(1);
    cone->SetHeight(2);
    Render();
    // Flat, unlit: a triangle from the apex at the top to the base's front rim, in the material's grey.
    EXPECT_EQ(Pixel(32, 24), Rgb(204, 204, 204));
    const struct {
        int Row, First, Last; // the lit run of the row, none when Last < First
    } rows[] = {{16, 0, -1}, {17, 31, 32}, {20, 30, 33}, {24, 28, 35}, {28, 26, 37}, {31, 24, 39}, {32, 25, 38},
                {33, 0, -1}};
    for (const auto& r : rows) {
        for (int x = 0; x < cWidth; ++x)
            EXPECT_EQ(Pixel(x, r.Row) != clBlack, x >= r.First && x <= r.Last) << x << ", " << r.Row;
    }
}

TEST_F(GLGeomObjectsRender, ConcavePolygonCoversItsArea)
{
    // A 2 x 2 square, then an L of three of its four quarters, facing the camera.
    TGLDirectOpenGL* square = AddQuad(-5, 1, {1, 1, 1, 1});
    Render();
    const int whole = Lit();
    square->SetVisible(false);
    auto* polygon = TGLBaseSceneObject::CreateAsChild<TGLPolygon>(Scene->Objects());
    for (const auto& [x, y] : {std::pair{-1, -1}, {1, -1}, {1, 0}, {0, 0}, {0, 1}, {-1, 1}})
        polygon->AddNode(static_cast<float>(x), static_cast<float>(y), -5);
    Render();
    EXPECT_GT(whole, 150);
    EXPECT_NEAR(Lit(), whole * 3 / 4, 6);
    // The missing quarter (top right on screen) stays dark; the others are filled.
    EXPECT_EQ(Pixel(36, 20), clBlack);
    for (const auto& [x, y] : {std::pair{28, 20}, {28, 28}, {36, 28}}) EXPECT_NE(Pixel(x, y), clBlack) << x << ", " << y;
}

TEST_F(GLGeomObjectsRender, EverySolidRendersWithoutAGLError)
{
    // Side by side ten units ahead, each in a quarter of the view.
    const float across[] = {-6, -2, 2, 6};
    TGLBaseSceneObject* objects[] = {
        TGLBaseSceneObject::CreateAsChild<TGLCapsule>(Scene->Objects()),
        TGLBaseSceneObject::CreateAsChild<TGLTorus>(Scene->Objects()),
        TGLBaseSceneObject::CreateAsChild<TGLFrustrum>(Scene->Objects()),
        TGLBaseSceneObject::CreateAsChild<TGLPolygon>(Scene->Objects()),
    };
    auto* polygon = static_cast<TGLPolygon*>(objects[3]);
    for (const auto& [x, y] : {std::pair{-1, -1}, {1, -1}, {1, 1}, {-1, 1}})
        polygon->AddNode(static_cast<float>(x), static_cast<float>(y), 0);
    for (int i = 0; i < 4; ++i) {
        objects[i]->Position()->SetPoint(across[i], 0, -10);
        objects[i]->Scale()->SetVector(2, 2, 2);
    }
    // Drawn last, it collects whatever error the objects left.
    GLenum error = GL_NO_ERROR;
    auto* probe = TGLBaseSceneObject::CreateAsChild<TGLDirectOpenGL>(Scene->Objects());
    probe->SetUseBuildList(false);
    probe->OnRender = [&error](TObject*, TGLRenderContextInfo&) { error = GetCurrentGL()->GetError(); };
    Render();
    EXPECT_EQ(error, static_cast<GLenum>(GL_NO_ERROR));
    for (int quarter = 0; quarter < 4; ++quarter) EXPECT_GT(Lit(quarter * 16, quarter * 16 + 16), 4) << quarter;
}

} // namespace
