// Renders a scene headless for a test: a scene with a camera at the origin looking down -Z, and a memory viewer
// (an off-screen p-buffer of 64 x 48 on Mesa's software renderer) looking through it. Tests add objects that
// draw with plain OpenGL calls, render, and read pixels back through the viewer's buffer.
//
//     class MyTest : public SceneRenderFixture {};
//     TEST_F(MyTest, Something) { AddQuad(-5, 1, {1, 0, 0, 1}); Render(); EXPECT_EQ(Pixel(32, 24), Rgb(255, 0, 0)); }
#pragma once

#include "GLPipelineTransformation.h"
#include "GLState.h"
#include "GLVectorGeometryMatrices.h"
#include "Graphics.h"
#include "RealGLTestContext.h"
#include "VAVodad.h"

#include <gtest/gtest.h>

#include <cstdlib>

class SceneRenderFixture : public RealGLTestContext {
protected:
    static constexpr int32_t cWidth = 64;
    static constexpr int32_t cHeight = 48;

    void SetUp() override
    {
        Scene = new TVAVodad(nullptr);
        Camera = TGLBaseSceneObject::CreateAsChild<TGLCamera>(Scene->Objects());
        // On so small a view the default lens sees almost nothing: this one sees about 80 degrees across, from
        // 0.59 to 100.59 units ahead.
        Camera->SetFocalLength(5);
        Viewer = new TGLMemoryViewer(nullptr);
        Viewer->SetWidth(cWidth);
        Viewer->SetHeight(cHeight);
        Viewer->SetCamera(Camera);
        // Exact colours: black background, no lighting unless a test asks for it.
        Buffer()->SetBackgroundColor(clBlack);
        Buffer()->SetLighting(false);
    }

    void TearDown() override
    {
        Free(Viewer);
        Free(Scene);
    }

    TVAVodadBuffer* Buffer() const { return Viewer->Buffer(); }
    void Render() { Viewer->Render(); }

    // A square of half size h facing the camera at depth z (negative: in front), drawn with its colour, and
    // with a normal towards the camera. At depth 5 a unit of h is about 7.5 pixels.
    TGLDirectOpenGL* AddQuad(float z, float h, TVector4f colour, TGLBaseSceneObject* parent = nullptr)
    {
        auto* quad = TGLBaseSceneObject::CreateAsChild<TGLDirectOpenGL>(parent ? parent : Scene->Objects());
        quad->SetUseBuildList(false);
        quad->OnRender = [z, h, colour](TObject*, TGLRenderContextInfo&) {
            TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
            gl->Color4fv(colour.V);
            gl->Begin_(GL_QUADS);
            gl->Normal3f(0, 0, 1);
            gl->Vertex3f(-h, -h, z);
            gl->Vertex3f(h, -h, z);
            gl->Vertex3f(h, h, z);
            gl->Vertex3f(-h, h, z);
            gl->End_();
        };
        return quad;
    }

    // A rectangle in the view's own coordinates (-1 to 1 from the bottom left), whatever the camera sees.
    TGLDirectOpenGL* AddScreenRect(float left, float bottom, float right, float top, TVector4f colour)
    {
        auto* rect = TGLBaseSceneObject::CreateAsChild<TGLDirectOpenGL>(Scene->Objects());
        rect->SetUseBuildList(false);
        rect->OnRender = [=](TObject*, TGLRenderContextInfo& rci) {
            rci.PipelineTransformation->Push();
            rci.PipelineTransformation->SetViewMatrix(IdentityHmgMatrix);
            rci.PipelineTransformation->SetProjectionMatrix(IdentityHmgMatrix);
            TGLExtensionsAndEntryPoints* gl = GetCurrentGL();
            gl->Color4fv(colour.V);
            gl->Begin_(GL_QUADS);
            gl->Vertex3f(left, bottom, 0);
            gl->Vertex3f(right, bottom, 0);
            gl->Vertex3f(right, top, 0);
            gl->Vertex3f(left, top, 0);
            gl->End_();
            rci.PipelineTransformation->Pop();
        };
        return rect;
    }

    // A pixel as the platform colour 0x00BBGGRR; y from the top.
    TColor Pixel(int32_t x, int32_t y) { return Buffer()->GetPixelColor(x, y); }
    // The same of a bitmap rendered into (rows from the top, blue first).
    static TColor PixelOf(TBitmap& bitmap, int32_t x, int32_t y)
    {
        const uint8_t* p = bitmap.ScanLine(y) + x * bitmap.BytesPerPixel();
        return static_cast<TColor>(p[2] | (p[1] << 8) | (p[0] << 16));
    }
    static TColor Rgb(int r, int g, int b) { return static_cast<TColor>(r | (g << 8) | (b << 16)); }
    // Each channel within tolerance of the expected one.
    static bool Near(TColor actual, TColor expected, int tolerance)
    {
        for (int shift = 0; shift < 24; shift += 8)
            if (std::abs(static_cast<int>((actual >> shift) & 0xFF) - static_cast<int>((expected >> shift) & 0xFF)) >
                tolerance)
                return false;
        return true;
    }

    TVAVodad* Scene = nullptr;
    TGLCamera* Camera = nullptr;
    TGLMemoryViewer* Viewer = nullptr;
};
