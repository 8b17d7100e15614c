// The solids: the box, the sphere, the superellipsoid and the quadric base. On the recording fake OpenGL:
// the primitives, vertices and normals they send. Without OpenGL: ray tests, silhouettes, setters and the
// stream. On a real Mesa context in feedback mode: what the quadric settings make GLU draw (GLU calls OpenGL
// itself, past the recording fake). Through the memory viewer: a partial sphere's outline.
#include "GLObjects.h"

#include "GLCoordinates.h"
#include "GLNodes.h"
#include "GLSilhouette.h"
#include "GLVectorGeometry.h"
#include "GLVectorLists.h"
#include "Raises.h"
#include "RealGLTestContext.h"
#include "RecordingDrawFixture.h"
#include "SceneRenderFixture.h"
#include "Streams.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------------------
// On the recording fake.

inline TRecordingGL* vRecording = nullptr;

void RecordNormal(const GLfloat* v)
{
    vRecording->Calls.push_back(GLCall("Normal3fv", v[0], v[1], v[2]));
}

void RecordVertex(const GLfloat* v)
{
    SentVertex(v);
    vRecording->Calls.push_back(GLCall("Vertex3fv", v[0], v[1], v[2]));
}

// One Begin ... End: its vertices with the normal in force at each.
struct TPrimitive {
    GLenum Mode;
    std::vector<TVector3f> Vertices, Normals;
};

class SolidsDrawing : public RecordingDrawFixture {
protected:
    SolidsDrawing()
    {
        vRecording = GL.get();
        GL->Table.Normal3fv = &RecordNormal;
        GL->Table.Vertex3fv = &RecordVertex;
    }

    std::vector<TPrimitive> Primitives() const
    {
        std::vector<TPrimitive> primitives;
        TVector3f normal{{{0, 0, 1}}};
        for (const TGLCall& call : GL->Calls) {
            const auto vector = [&call] {
                return TVector3f{{{float(call.Args[0]), float(call.Args[1]), float(call.Args[2])}}};
            };
            if (call.Name == "Begin") primitives.push_back({static_cast<GLenum>(call.Args[0]), {}, {}});
            if (call.Name == "Normal3fv") normal = vector();
            if (call.Name == "Vertex3fv") {
                primitives.back().Vertices.push_back(vector());
                primitives.back().Normals.push_back(normal);
            }
        }
        return primitives;
    }
};

void ExpectNear(const TVector3f& actual, const TVector3f& expected, const std::string& where, float tolerance = 1e-5f)
{
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual.V[i], expected.V[i], tolerance) << where << " [" << i << "]";
}

// Every triangle (of a list, strip or fan) that is not degenerate turns counter-clockwise seen from the side
// its normals point to.
void ExpectFrontFacing(const TPrimitive& p, const std::string& where)
{
    const bool list = p.Mode == GL_TRIANGLES;
    for (size_t k = 2; k < p.Vertices.size(); k += list ? 3 : 1) {
        const bool fan = p.Mode == GL_TRIANGLE_FAN;
        // A strip turns every second triangle round.
        const bool turned = p.Mode == GL_TRIANGLE_STRIP && k % 2 == 1;
        const size_t i0 = fan ? 0 : k - 2, i1 = turned ? k : k - 1, i2 = turned ? k - 1 : k;
        TVector3f a, b, cross, normal;
        AffineSubtract(p.Vertices[i1], p.Vertices[i0], a);
        AffineSubtract(p.Vertices[i2], p.Vertices[i0], b);
        AffineCross(a, b, cross);
        AffineAdd(p.Normals[i0], p.Normals[i1], normal);
        AffineAdd(normal, p.Normals[i2], normal);
        // Skipped: no area, or (two slices) flat along the normals.
        if (AffineLength(cross) < 1e-6 || std::fabs(AffineAngleCosine(cross, normal)) < 1e-3) continue;
        EXPECT_GT(AffineDot(cross, normal), 0) << where << " triangle " << k - 2;
    }
}

TEST_F(SolidsDrawing, SphereSendsStripsAndTheCapsAsked)
{
    const float s45 = std::sin(45 * 3.14159265f / 180);
    const struct {
        int32_t Top, Bottom;
        TCapType TopCap, BottomCap;
        int32_t Slices, Stacks;
        bool TopFan, BottomFan;
    } cases[] = {
        {90, -90, ctNone, ctNone, 16, 16, false, false},
        // A cap at the pole itself, or none asked: no fan.
        {90, -90, ctFlat, ctCenter, 16, 16, false, false},
        {45, -90, ctFlat, ctNone, 16, 16, true, false},
        {45, -30, ctCenter, ctFlat, 5, 3, true, true},
        // The game's sound carriers.
        {90, -90, ctNone, ctNone, 2, 2, false, false},
    };
    for (const auto& c : cases) {
        TGLSphere sphere(nullptr);
        sphere.SetRadius(2);
        sphere.SetTop(c.Top);
        sphere.SetBottom(c.Bottom);
        sphere.SetTopCap(c.TopCap);
        sphere.SetBottomCap(c.BottomCap);
        sphere.SetSlices(c.Slices);
        sphere.SetStacks(c.Stacks);
        Draw(sphere);
        const std::string where = std::to_string(c.Top) + " " + std::to_string(c.Bottom);
        const std::vector<TPrimitive> primitives = Primitives();
        ASSERT_EQ(primitives.size(), size_t(c.Stacks + c.TopFan + c.BottomFan)) << where;
        const size_t ring = size_t(c.Slices) + 1;
        for (size_t i = 0; i < primitives.size(); ++i) {
            const bool fan = (c.TopFan && i == 0) || (c.BottomFan && i + 1 == primitives.size());
            const TPrimitive& p = primitives[i];
            EXPECT_EQ(p.Mode, GLenum(fan ? GL_TRIANGLE_FAN : GL_TRIANGLE_STRIP)) << where << " " << i;
            ASSERT_EQ(p.Vertices.size(), fan ? ring + 1 : 2 * ring) << where << " " << i;
            ExpectFrontFacing(p, where);
            // On the unit sphere (the matrix scales it), each with its own place as normal.
            if (!fan)
                for (size_t k = 0; k < p.Vertices.size(); ++k) {
                    EXPECT_NEAR(AffineLength(p.Vertices[k]), 1, 1e-5) << where;
                    ExpectNear(p.Normals[k], p.Vertices[k], where);
                }
        }
        if (c.TopFan) {
            const TPrimitive& fan = primitives.front();
            const float centre = c.TopCap == ctFlat ? s45 : 0;
            ExpectNear(fan.Vertices[0], TVector3f{{{0, centre, 0}}}, where + " top centre");
            for (const TVector3f& r : fan.Vertices) EXPECT_NEAR(r.Y, r.X == 0 && r.Z == 0 ? centre : s45, 1e-5);
        }
        if (c.BottomFan) {
            const TPrimitive& fan = primitives.back();
            const float sb = std::sin(-30 * 3.14159265f / 180);
            ExpectNear(fan.Vertices[0], TVector3f{{{0, sb, 0}}}, where + " bottom centre");
            // Flat: every point faces straight down.
            for (const TVector3f& n : fan.Normals) ExpectNear(n, TVector3f{{{0, -1, 0}}}, where + " bottom normal");
        }
        EXPECT_EQ(GL->Only({"PushMatrix", "Scalef", "PopMatrix", "FrontFace"}),
                  (std::vector<TGLCall>{GLCall("PushMatrix"), GLCall("Scalef", 2, 2, 2), GLCall("PopMatrix")}));
    }
}

TEST_F(SolidsDrawing, SphereFacingInwardsNegatesNormalsAndRestoresTheFrontFace)
{
    TGLSphere sphere(nullptr);
    sphere.SetNormalDirection(ndInside);
    sphere.SetTop(60);
    sphere.SetBottom(-45);
    sphere.SetTopCap(ctCenter);
    sphere.SetBottomCap(ctFlat);
    Draw(sphere);
    EXPECT_EQ(GL->Only({"FrontFace"}), (std::vector<TGLCall>{GLCall("FrontFace", GL_CW), GLCall("FrontFace", GL_CCW)}));
    const std::vector<TPrimitive> primitives = Primitives();
    ASSERT_EQ(primitives.size(), 18u);
    for (size_t i = 1; i + 1 < primitives.size(); ++i)
        for (size_t k = 0; k < primitives[i].Vertices.size(); ++k) {
            const TVector3f& r = primitives[i].Vertices[k];
            ExpectNear(primitives[i].Normals[k], TVector3f{{{-r.X, -r.Y, -r.Z}}}, "body");
        }
    // The centre cap's ring normals lie along the surface, pointing down to the inside.
    const TPrimitive& top = primitives.front();
    ExpectNear(top.Normals[0], TVector3f{{{0, -1, 0}}}, "top centre");
    for (size_t k = 1; k < top.Vertices.size(); ++k) {
        EXPECT_NEAR(AffineDot(top.Normals[k], top.Vertices[k]), 0, 1e-5);
        EXPECT_LT(top.Normals[k].Y, 0);
    }
    for (const TVector3f& n : primitives.back().Normals) ExpectNear(n, TVector3f{{{0, 1, 0}}}, "flat bottom");
}

TEST_F(SolidsDrawing, SuperellipsoidOfCurvesOneIsTheSphere)
{
    TGLSphere sphere(nullptr);
    TGLSuperellipsoid shape(nullptr);
    for (TGLSphericalObject* object : std::initializer_list<TGLSphericalObject*>{&sphere, &shape}) {
        object->SetRadius(1.5f);
        object->SetSlices(7);
        object->SetStacks(5);
        object->SetTop(50);
        object->SetBottom(-20);
        object->SetStart(30);
        object->SetStop(300);
        object->SetTopCap(ctCenter);
        object->SetBottomCap(ctFlat);
    }
    Draw(sphere);
    const std::vector<TPrimitive> expected = Primitives();
    Draw(shape);
    const std::vector<TPrimitive> drawn = Primitives();
    ASSERT_EQ(drawn.size(), expected.size());
    for (size_t i = 0; i < drawn.size(); ++i) {
        EXPECT_EQ(drawn[i].Mode, expected[i].Mode);
        ASSERT_EQ(drawn[i].Vertices.size(), expected[i].Vertices.size());
        for (size_t k = 0; k < drawn[i].Vertices.size(); ++k) {
            const TVector3f& r = expected[i].Vertices[k];
            ExpectNear(drawn[i].Vertices[k], TVector3f{{{r.X * 1.5f, r.Y * 1.5f, r.Z * 1.5f}}}, "vertex");
            ExpectNear(drawn[i].Normals[k], expected[i].Normals[k], "normal");
        }
    }
    // Scaled by its own vertices, not by the matrix.
    EXPECT_EQ(GL->Count("Scalef"), 0u);
}

TEST_F(SolidsDrawing, SuperellipsoidMovesAnEvenWholeCurveOffItOnce)
{
    const struct {
        float VCurve, HCurve;
        float VAfter, HAfter;
    } cases[] = {
        {2, 2, 2 + 0.000001f, 2 - 0.000001f},
        {0, 3, 0.000001f, 3},
        // Not whole, or odd: left alone, build after build.
        {2.5f, 0.5f, 2.5f, 0.5f},
        {1, 1, 1, 1},
    };
    for (const auto& c : cases) {
        TGLSuperellipsoid shape(nullptr);
        shape.SetVCurve(c.VCurve);
        shape.SetHCurve(c.HCurve);
        for (int build = 0; build < 3; ++build) {
            Draw(shape);
            EXPECT_EQ(shape.VCurve(), c.VAfter) << c.VCurve << " build " << build;
            EXPECT_EQ(shape.HCurve(), c.HAfter) << c.HCurve << " build " << build;
        }
        // Each half keeps its side: the shape reaches out to -Radius along every axis as to +Radius.
        float lowest[3] = {0, 0, 0};
        for (const TPrimitive& p : Primitives())
            for (const TVector3f& r : p.Vertices)
                for (int i = 0; i < 3; ++i) lowest[i] = std::min(lowest[i], r.V[i]);
        for (const float low : lowest) EXPECT_NEAR(low, -0.5f, 1e-3) << c.VCurve << " " << c.HCurve;
    }
}

TEST_F(SolidsDrawing, CubeSendsTwoTrianglesAFaceWoundByItsFacing)
{
    TGLCube cube(nullptr);
    cube.SetCubeWidth(2);
    cube.SetCubeHeight(4);
    cube.SetCubeDepth(6);
    cube.SetParts(TCubeParts{cpTop});
    Draw(cube);
    EXPECT_EQ(GL->Only({"Begin", "End", "Normal3fv"}),
              (std::vector<TGLCall>{GLCall("Begin", GL_TRIANGLES), GLCall("Normal3fv", 0, 1, 0), GLCall("End")}));
    // P0 P1 P2, P2 P3 P0 of the top face; the repeated P2 keeps the coordinate just sent.
    const std::vector<TSentVertex> top = {{0, 1, -1, 2, -3}, {0, 0, -1, 2, 3}, {1, 0, 1, 2, 3},
                                          {1, 0, 1, 2, 3},  {1, 1, 1, 2, -3}, {0, 1, -1, 2, -3}};
    ASSERT_EQ(Sent.size(), top.size());
    for (size_t i = 0; i < top.size(); ++i) {
        EXPECT_EQ(Sent[i].S, top[i].S) << i;
        EXPECT_EQ(Sent[i].T, top[i].T) << i;
        EXPECT_EQ(Sent[i].X, top[i].X) << i;
        EXPECT_EQ(Sent[i].Y, top[i].Y) << i;
        EXPECT_EQ(Sent[i].Z, top[i].Z) << i;
    }

    // All six faces: outwards every triangle turns counter-clockwise seen from outside along its normal;
    // inwards P1 and P3 trade places (their texture coordinates stay in the list) and the normals turn.
    cube.SetParts(TCubeParts{cpTop, cpBottom, cpFront, cpBack, cpLeft, cpRight});
    Draw(cube);
    const std::vector<TPrimitive> outwards = Primitives();
    const std::vector<TSentVertex> outwardSent = Sent;
    cube.SetNormalDirection(ndInside);
    Draw(cube);
    const std::vector<TPrimitive> inwards = Primitives();
    ASSERT_EQ(outwards.size(), 1u);
    ASSERT_EQ(outwards[0].Vertices.size(), 36u);
    ASSERT_EQ(inwards[0].Vertices.size(), 36u);
    ExpectFrontFacing(outwards[0], "outwards");
    // Within each face of six: 0 P0, 1 P1, 2 P2, 3 P2, 4 P3, 5 P0.
    constexpr int cSwapped[6] = {0, 4, 2, 3, 1, 5};
    for (size_t face = 0; face < 6; ++face)
        for (int k = 0; k < 6; ++k) {
            const size_t i = face * 6 + k;
            ExpectNear(inwards[0].Vertices[i], outwards[0].Vertices[face * 6 + cSwapped[k]], "inwards");
            const TVector3f& n = outwards[0].Normals[i];
            ExpectNear(inwards[0].Normals[i], TVector3f{{{-n.X, -n.Y, -n.Z}}}, "inward normal");
            EXPECT_EQ(Sent[i].S, outwardSent[i].S);
            EXPECT_EQ(Sent[i].T, outwardSent[i].T);
        }
}

TEST_F(SolidsDrawing, CubeHandsATangentSpaceToAShaderThatAsks)
{
    TGLCube cube(nullptr);
    cube.SetParts(TCubeParts{cpFront, cpRight});
    Draw(cube);
    EXPECT_EQ(GL->Count("GetAttribLocation"), 0u);

    GL->Table.ARB_shader_objects = true;
    Cache->SetCurrentProgram(5);
    GL->Table.GetAttribLocation = [](GLuint, const GLchar* name) -> GLint {
        return std::string(name) == "Tangent" ? 3 : std::string(name) == "Binormal" ? 4 : -1;
    };
    Draw(cube);
    EXPECT_EQ(GL->Only({"VertexAttrib3f"}),
              (std::vector<TGLCall>{GLCall("VertexAttrib3f", 3, 1, 0, 0), GLCall("VertexAttrib3f", 4, 0, 1, 0),
                                    GLCall("VertexAttrib3f", 3, 0, 0, -1), GLCall("VertexAttrib3f", 4, 0, 1, 0)}));
    // A program without those attributes gets none.
    GL->Table.GetAttribLocation = [](GLuint, const GLchar*) -> GLint { return -1; };
    Draw(cube);
    EXPECT_EQ(GL->Count("VertexAttrib3f"), 0u);
    Cache->SetCurrentProgram(0);
}

// A polygon as feedback mode reports it in GL_3D_COLOR_TEXTURE: per vertex x, y, z, r, g, b, a, s, t, r, q.
struct TFedPolygon {
    std::vector<float> X, Y, Red, S;
};

std::vector<TFedPolygon> ReadFeedback(const std::vector<float>& buffer, int32_t count)
{
    std::vector<TFedPolygon> polygons;
    for (int32_t i = 0; i < count;) {
        const auto token = static_cast<GLenum>(buffer[i++]);
        if (token != GL_POLYGON_TOKEN) {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
        const auto n = static_cast<int32_t>(buffer[i++]);
        TFedPolygon& polygon = polygons.emplace_back();
        for (int32_t k = 0; k < n; ++k, i += 11) {
            polygon.X.push_back(buffer[i]);
            polygon.Y.push_back(buffer[i + 1]);
            polygon.Red.push_back(buffer[i + 3]);
            polygon.S.push_back(buffer[i + 7]);
        }
    }
    return polygons;
}

// Twice the signed area in window coordinates (y up): positive when counter-clockwise.
float SignedArea(const TFedPolygon& p)
{
    float area = 0;
    for (size_t k = 0; k < p.X.size(); ++k) {
        const size_t next = (k + 1) % p.X.size();
        area += p.X[k] * p.Y[next] - p.X[next] * p.Y[k];
    }
    return area;
}

class GLQuadricParams : public RealGLCurrentContext {
protected:
    GLQuadricParams() : RealGLCurrentContext(8, 8) {}
};

TEST_F(GLQuadricParams, NormalsOrientationAndTextureReachGLU)
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    // A light straight ahead: a vertex is lit only when its normal faces the viewer.
    gl.Enable(GL_LIGHTING);
    gl.Enable(GL_LIGHT0);
    const struct {
        TNormalSmoothing Normals;
        TNormalDirection Direction;
        bool Inverted;
        bool CounterClockwise, Lit;
    } cases[] = {
        {nsSmooth, ndOutside, false, true, true},
        {nsFlat, ndOutside, false, true, true},
        {nsSmooth, ndInside, false, false, false},
        // No normals: the one in force (facing away) stays.
        {nsNone, ndOutside, false, true, false},
        {nsSmooth, ndOutside, true, false, false},
        {nsSmooth, ndInside, true, true, true},
    };
    GLUquadric* quadric = gluNewQuadric();
    ASSERT_NE(quadric, nullptr);
    std::vector<float> buffer(4096);
    for (const auto& c : cases) {
        TGLQuadricObject object(nullptr);
        object.SetNormals(c.Normals);
        object.SetNormalDirection(c.Direction);
        object.SetupQuadricParams(quadric);
        if (c.Inverted) object.SetInvertedQuadricOrientation(quadric);
        gl.Normal3f(0, 0, -1);
        gl.FeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
        gl.RenderMode(GL_FEEDBACK);
        gluDisk(quadric, 0, 0.5, 8, 1);
        const std::vector<TFedPolygon> polygons = ReadFeedback(buffer, gl.RenderMode(GL_RENDER));
        ASSERT_EQ(polygons.size(), 8u) << c.Normals << c.Direction << c.Inverted;
        float sMin = 1, sMax = 0;
        for (const TFedPolygon& p : polygons) {
            EXPECT_EQ(SignedArea(p) > 0, c.CounterClockwise) << c.Normals << c.Direction << c.Inverted;
            for (const float red : p.Red) EXPECT_EQ(red > 0.5f, c.Lit) << c.Normals << c.Direction << c.Inverted;
            sMin = std::min(sMin, *std::min_element(p.S.begin(), p.S.end()));
            sMax = std::max(sMax, *std::max_element(p.S.begin(), p.S.end()));
        }
        // Textured: the coordinates span the texture across the disk.
        EXPECT_NEAR(sMin, 0, 1e-6);
        EXPECT_NEAR(sMax, 1, 1e-6);
    }
    gluDeleteQuadric(quadric);
}

// ---------------------------------------------------------------------------------------------------------
// Without OpenGL.

TEST(GLSolids, RaysMeetTheCubeAndTheSphere)
{
    TGLCube cube(nullptr);
    TGLSphere sphere(nullptr);
    sphere.SetRadius(0.5f);
    sphere.SetStart(0);
    sphere.SetStop(90); // hit as a whole sphere all the same
    const struct {
        TGLBaseSceneObject* Object;
        TVector4f Start, Vector;
        bool Hit;
        TVector3f Point, Normal;
    } cases[] = {
        {&cube, {{{0, 0, 5, 1}}}, {{{0, 0, -1, 0}}}, true, {{{0, 0, 0.5f}}}, {{{0, 0, 1}}}},
        {&cube, {{{0, 0, -5, 1}}}, {{{0, 0, 3, 0}}}, true, {{{0, 0, -0.5f}}}, {{{0, 0, -1}}}},
        {&cube, {{{5, 0.2f, 0, 1}}}, {{{-1, 0, 0, 0}}}, true, {{{0.5f, 0.2f, 0}}}, {{{1, 0, 0}}}},
        {&cube, {{{-5, 0, 0.3f, 1}}}, {{{1, 0, 0, 0}}}, true, {{{-0.5f, 0, 0.3f}}}, {{{-1, 0, 0}}}},
        {&cube, {{{0, 5, 0, 1}}}, {{{0, -1, 0, 0}}}, true, {{{0, 0.5f, 0}}}, {{{0, 1, 0}}}},
        {&cube, {{{0.1f, -5, 0, 1}}}, {{{0, 1, 0, 0}}}, true, {{{0.1f, -0.5f, 0}}}, {{{0, -1, 0}}}},
        // Just beside a corner, within the slack; then clearly beside; then away from the box; from inside.
        {&cube, {{{0.50004f, 0.5f, 5, 1}}}, {{{0, 0, -1, 0}}}, true, {{{0.50004f, 0.5f, 0.5f}}}, {{{0, 0, 1}}}},
        {&cube, {{{0.6f, 0, 5, 1}}}, {{{0, 0, -1, 0}}}, false, {}, {}},
        {&cube, {{{0, 0, 5, 1}}}, {{{0, 0, 1, 0}}}, false, {}, {}},
        {&cube, {{{0, 0, 0, 1}}}, {{{0, 0, 1, 0}}}, false, {}, {}},
        {&sphere, {{{0, 0, 5, 1}}}, {{{0, 0, -2, 0}}}, true, {{{0, 0, 0.5f}}}, {{{0, 0, 0.5f}}}},
        {&sphere, {{{-3, 0, 0, 1}}}, {{{1, 0, 0, 0}}}, true, {{{-0.5f, 0, 0}}}, {{{-0.5f, 0, 0}}}},
        {&sphere, {{{0, 0.6f, 5, 1}}}, {{{0, 0, -1, 0}}}, false, {}, {}},
        {&sphere, {{{0, 0, 5, 1}}}, {{{0, 0, 1, 0}}}, false, {}, {}},
    };
    for (const auto& c : cases) {
        TVector4f point{}, normal{};
        const std::string where = c.Object->ClassName() + " from " + std::to_string(c.Start.X) + ", " +
                                  std::to_string(c.Start.Y) + ", " + std::to_string(c.Start.Z);
        ASSERT_EQ(c.Object->RayCastIntersect(c.Start, c.Vector, &point, &normal), c.Hit) << where;
        if (!c.Hit) continue;
        ExpectNear(TVector3f{{{point.X, point.Y, point.Z}}}, c.Point, where);
        ExpectNear(TVector3f{{{normal.X, normal.Y, normal.Z}}}, c.Normal, where);
        EXPECT_EQ(point.W, 1);
        EXPECT_EQ(normal.W, 0);
    }

    // Moved and scaled: the answers come back in world space.
    cube.Position()->SetPoint(10, 0, 0);
    cube.Scale()->SetVector(2, 2, 2);
    TVector4f point{}, normal{};
    ASSERT_TRUE(cube.RayCastIntersect(TVector4f{{{10, 0, 5, 1}}}, TVector4f{{{0, 0, -1, 0}}}, &point, &normal));
    ExpectNear(TVector3f{{{point.X, point.Y, point.Z}}}, TVector3f{{{10, 0, 1}}}, "moved cube");
}

TEST(GLSolids, SilhouettesOutlineWhatTheLightSees)
{
    TGLSilhouetteParameters params{};
    params.SeenFrom = TVector3f{{{0, 0, 10}}};
    params.Style = ssOmni;

    // From the front of a cube: the rim of the front face.
    TGLCube cube(nullptr);
    std::unique_ptr<TGLSilhouette> outline = cube.GenerateSilhouette(params);
    ASSERT_EQ(outline->Indices()->Count(), 8);
    for (int32_t i = 0; i < outline->Indices()->Count(); ++i) {
        const TVector4f& v = outline->Vertices()->List()[outline->Indices()->List()[i]];
        EXPECT_EQ(v.Z, 0.5f);
        EXPECT_EQ(std::fabs(v.X), 0.5f);
        EXPECT_EQ(std::fabs(v.Y), 0.5f);
    }

    // A sphere: a circle of max(Slices, Stacks) edges across the view; capped, with its centre as the last point.
    TGLSphere sphere(nullptr);
    sphere.SetRadius(2);
    sphere.SetSlices(12);
    sphere.SetStacks(5);
    for (const bool capped : {false, true}) {
        params.CappingRequired = capped;
        outline = sphere.GenerateSilhouette(params);
        ASSERT_EQ(outline->Vertices()->Count(), capped ? 13 : 12);
        EXPECT_EQ(outline->Indices()->Count(), 24);
        EXPECT_EQ(outline->CapIndices()->Count(), capped ? 36 : 0);
        for (int32_t i = 0; i < 12; ++i) {
            const TVector4f& v = outline->Vertices()->List()[i];
            EXPECT_NEAR(HmgLength(v), 2, 1e-5);
            EXPECT_NEAR(v.Z, 0, 1e-6);
            EXPECT_EQ(outline->Indices()->List()[2 * i + 1], (i + 1) % 12);
        }
        if (capped) {
            EXPECT_EQ(outline->Vertices()->List()[12].W, 1);
        }
    }
}

TEST(GLSolids, SettersHoldTheirRanges)
{
    TGLSphere sphere(nullptr);
    sphere.SetSlices(0);
    sphere.SetStacks(-4);
    EXPECT_EQ(sphere.Slices(), 1);
    EXPECT_EQ(sphere.Stacks(), 1);
    sphere.SetTop(120);
    sphere.SetBottom(-100);
    EXPECT_EQ(sphere.Top(), 90);
    EXPECT_EQ(sphere.Bottom(), -90);

    // Start never passes Stop, nor Stop Start: refused, and the old value stays.
    sphere.SetStop(200);
    sphere.SetStart(100);
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { sphere.SetStart(201); }),
              "Assertion failure (VAVodad\\Source\\GLObjects)");
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { sphere.SetStop(99); }),
              "Assertion failure (VAVodad\\Source\\GLObjects)");
    EXPECT_EQ(sphere.Start(), 100);
    EXPECT_EQ(sphere.Stop(), 200);
    sphere.SetStop(500);
    EXPECT_EQ(sphere.Stop(), 360);

    // Assign takes the shape, not the caps; across kinds only the quadric settings.
    sphere.SetTopCap(ctFlat);
    sphere.SetNormals(nsFlat);
    TGLSphere copy(nullptr);
    copy.Assign(&sphere);
    EXPECT_EQ(copy.Slices(), 1);
    EXPECT_EQ(copy.Start(), 100);
    EXPECT_EQ(copy.TopCap(), ctNone);
    EXPECT_EQ(copy.Normals(), nsFlat);
    TGLSuperellipsoid other(nullptr);
    other.Assign(&sphere);
    EXPECT_EQ(other.Slices(), 16);
    EXPECT_EQ(other.Normals(), nsFlat);
}

TEST(GLSolids, SizesAndShapesComeBackFromTheStream)
{
    const auto roundTrip = [](TComponent& source, TComponent& target) {
        TMemoryStream stream;
        TWriter(stream).WriteRootComponent(&source);
        const std::string bytes(reinterpret_cast<const char*>(stream.Memory()), size_t(stream.Size()));
        stream.SetPosition(0);
        TReader(stream).ReadRootComponent(&target);
        return bytes;
    };
    TGLCube cube(nullptr), cubeRead(nullptr), defaults(nullptr), defaultsRead(nullptr);
    EXPECT_EQ(roundTrip(defaults, defaultsRead).find("CubeSize"), std::string::npos);
    cube.SetCubeHeight(3);
    cube.SetNormalDirection(ndInside);
    const std::string bytes = roundTrip(cube, cubeRead);
    // The name, vaBinary, a size of 12, then width, height and depth.
    const size_t at = bytes.find("CubeSize");
    ASSERT_NE(at, std::string::npos);
    int32_t size = 0;
    float whd[3];
    std::memcpy(&size, bytes.data() + at + 9, 4);
    std::memcpy(whd, bytes.data() + at + 13, 12);
    EXPECT_EQ(size, 12);
    EXPECT_EQ(std::vector<float>(whd, whd + 3), (std::vector<float>{1, 3, 1}));
    EXPECT_EQ(cubeRead.CubeHeight(), 3);
    EXPECT_EQ(cubeRead.NormalDirection(), ndInside);

    TGLSuperellipsoid shape(nullptr), shapeRead(nullptr);
    shape.SetRadius(0.0001f);
    shape.SetSlices(2);
    shape.SetStacks(2);
    shape.SetStop(20);
    shape.SetStart(10);
    shape.SetTop(30);
    shape.SetBottomCap(ctCenter);
    shape.SetVCurve(0.25f);
    roundTrip(shape, shapeRead);
    EXPECT_EQ(shapeRead.Radius(), 0.0001f);
    EXPECT_EQ(shapeRead.Slices(), 2);
    EXPECT_EQ(shapeRead.Stacks(), 2);
    EXPECT_EQ(shapeRead.Start(), 10);
    EXPECT_EQ(shapeRead.Stop(), 20);
    EXPECT_EQ(shapeRead.Top(), 30);
    EXPECT_EQ(shapeRead.BottomCap(), ctCenter);
    EXPECT_EQ(shapeRead.VCurve(), 0.25f);
}

TEST(GLSolids, PolygonBaseRebuildsOnEveryChangeOfItsNodes)
{
    TGLPolygonBase polygon(nullptr);
    const auto rebuilt = [&polygon] {
        const bool changed = polygon.Changes().Contains(ocStructure);
        polygon.ClearStructureChanged();
        return changed;
    };
    rebuilt();
    TGLCoordinates4 coords(nullptr, TVector4f{{{7, 8, 9, 0.5f}}}, CsUnknown);
    const struct {
        std::function<void()> Add;
        TVector4f Node;
    } adds[] = {
        {[&] { polygon.AddNode(coords); }, {{{7, 8, 9, 0.5f}}}},
        {[&] { polygon.AddNode(1, 2, 3); }, {{{1, 2, 3, 1}}}},
        {[&] { polygon.AddNode(TVector4f{{{4, 5, 6, 0.25f}}}); }, {{{4, 5, 6, 0.25f}}}},
        {[&] { polygon.AddNode(TVector3f{{{4, 5, 6}}}); }, {{{4, 5, 6, 0}}}},
    };
    for (const auto& a : adds) {
        a.Add();
        EXPECT_TRUE(rebuilt());
        const TVector4f& node = polygon.Nodes()->Last()->AsVector();
        EXPECT_EQ(std::vector<float>(node.V, node.V + 4), std::vector<float>(a.Node.V, a.Node.V + 4));
    }
    // A node moved through the list itself.
    polygon.Nodes()->GetItems(0)->SetX(-1);
    EXPECT_TRUE(rebuilt());
    polygon.SetDivision(0);
    EXPECT_EQ(polygon.Division(), 1);
    EXPECT_TRUE(rebuilt());
    polygon.SetDivision(1);
    EXPECT_FALSE(rebuilt());
    polygon.SetSplineMode(lsmCubicSpline);
    EXPECT_TRUE(rebuilt());

    // Assign copies the nodes (the copy keeps its own list), the division and the spline mode.
    TGLPolygonBase copy(nullptr);
    copy.Assign(&polygon);
    EXPECT_EQ(copy.Nodes()->Count(), 4);
    EXPECT_NE(copy.Nodes(), polygon.Nodes());
    EXPECT_EQ(copy.Nodes()->First()->X(), -1);
    EXPECT_EQ(copy.Division(), 1);
    EXPECT_EQ(copy.SplineMode(), lsmCubicSpline);
    polygon.Nodes()->Clear();
    EXPECT_EQ(copy.Nodes()->Count(), 4);
}

// ---------------------------------------------------------------------------------------------------------
// Through the memory viewer.

class SolidsRender : public SceneRenderFixture {
protected:
    // The lit pixels of the middle row: how many, and the leftmost and rightmost.
    struct TRow {
        int Count = 0, Left = cWidth, Right = -1;
    };
    TRow MiddleRow()
    {
        TRow row;
        for (int x = 0; x < cWidth; ++x)
            if (Pixel(x, cHeight / 2) != clBlack) {
                ++row.Count;
                row.Left = std::min(row.Left, x);
                row.Right = std::max(row.Right, x);
            }
        return row;
    }
};

TEST_F(SolidsRender, PartialSphereShowsOnlyItsPart)
{
    auto* sphere = TGLBaseSceneObject::CreateAsChild<TGLSphere>(Scene->Objects());
    sphere->Position()->SetPoint(0, 0, -5);
    sphere->SetRadius(1.5f);
    Render();
    // About 7.5 pixels a unit at this distance: a disc 22 pixels across, centred.
    const TRow whole = MiddleRow();
    EXPECT_NEAR(whole.Count, 22, 2);
    EXPECT_NEAR((whole.Left + whole.Right) / 2.0, 31.5, 1);
    EXPECT_NE(Pixel(32, 24 - 9), clBlack);
    EXPECT_NE(Pixel(32, 24 + 9), clBlack);

    // The half towards +X (longitudes 0 to 180) below latitude 30: the right half, cut off above.
    sphere->SetStop(180);
    sphere->SetTop(30);
    Render();
    const TRow half = MiddleRow();
    EXPECT_NEAR(half.Count, 11, 1);
    EXPECT_GE(half.Left, 31);
    EXPECT_EQ(half.Right, whole.Right);
    EXPECT_EQ(Pixel(26, 24), clBlack);
    EXPECT_NE(Pixel(38, 24 + 9), clBlack);
    // Above sin 30 x 1.5 = 0.75 units (about 6 pixels) nothing; just below, the part.
    EXPECT_EQ(Pixel(36, 24 - 9), clBlack);
    EXPECT_NE(Pixel(36, 24 - 4), clBlack);
}

} // namespace
