// The solids: the box, the sphere, the superellipsoid and the quadric base. On a real Mesa context in
// feedback mode: what the quadric settings make GLU draw (GLU calls OpenGL itself, past the recording fake).
#include "GLObjects.h"

#include "RealGLTestContext.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

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

} // namespace
