// Shadow planes on Mesa, in the memory viewer with a stencil buffer: a square between a light and the plane
// darkens the plane's pixels in its shadow, and nothing beside the plane; seen from behind the plane
// draws neither itself nor a shadow but still draws its children. A light that is also the shadowing object
// is let go of for both when it dies.
#include "GLShadowPlane.h"

#include "GLMaterial.h"
#include "SceneRenderFixture.h"

#include <gtest/gtest.h>

namespace {

class GLShadowPlaneRender : public SceneRenderFixture {
protected:
    void SetUp() override
    {
        SceneRenderFixture::SetUp();
        Buffer()->SetContextOptions(Buffer()->ContextOptions() + TContextOptions{roStencilBuffer});
        Buffer()->SetBackgroundColor(static_cast<TColor>(Rgb(0, 0, 255)));
        // 10 x 4 units at depth 10, facing the camera: about 38 x 15 pixels about the centre.
        Plane = TGLBaseSceneObject::CreateAsChild<TGLShadowPlane>(Scene->Objects());
        Plane->Position()->SetPoint(0, 0, -10);
        Plane->SetWidth(10);
        Plane->SetHeight(4);
        Plane->Material()->FrontProperties()->Diffuse()->SetColor(0.8f, 0.8f, 0.8f, 1);
        // A square of 3 x 3 at depth 5, not drawn itself: from a light at the camera its shadow on the plane
        // is 6 x 6.
        Caster = TGLBaseSceneObject::CreateAsChild<TGLPlane>(Scene->Objects());
        Caster->Position()->SetPoint(0, 0, -5);
        Caster->SetWidth(3);
        Caster->SetHeight(3);
        Caster->SetVisible(false);
        Light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(Scene->Objects());
        Light->SetLightStyle(lsOmni);
    }

    TGLShadowPlane* Plane = nullptr;
    TGLPlane* Caster = nullptr;
    TGLLightSource* Light = nullptr;
};

TEST_F(GLShadowPlaneRender, ShadowDarkensOnlyThePlane)
{
    Render();
    const TColor lit = Pixel(32, 24);
    EXPECT_TRUE(Near(lit, Rgb(204, 204, 204), 2)) << std::hex << lit;

    Plane->SetShadowingObject(Caster);
    Plane->SetShadowedLight(Light);
    Render();
    // In the shadow on the plane: half the plane's colour.
    EXPECT_TRUE(Near(Pixel(32, 24), Rgb(102, 102, 102), 2)) << std::hex << Pixel(32, 24);
    EXPECT_TRUE(Near(Pixel(42, 20), Rgb(102, 102, 102), 2)) << std::hex << Pixel(42, 20);
    // On the plane beside the shadow, and in the shadow's reach beside the plane.
    EXPECT_EQ(Pixel(47, 24), lit);
    EXPECT_EQ(Pixel(32, 14), Rgb(0, 0, 255));
}

TEST_F(GLShadowPlaneRender, SeenFromBehindOnlyTheChildrenDraw)
{
    Plane->SetShadowingObject(Caster);
    Plane->SetShadowedLight(Light);
    Plane->Direction()->SetVector(0, 0, -1);
    // In front of the plane, turned back towards the camera.
    auto* child = AddQuad(0, 0.5f, {0, 1, 0, 1}, Plane);
    child->Position()->SetPoint(0, 0, -1);
    child->Direction()->SetVector(0, 0, -1);
    Render();
    EXPECT_EQ(Pixel(32, 24), Rgb(0, 255, 0));
    EXPECT_EQ(Pixel(42, 24), Rgb(0, 0, 255));
}

TEST(GLShadowPlane, ALightThatAlsoCastsTheShadowIsReleasedForBoth)
{
    for (const bool dropOne : {false, true}) {
        TGLShadowPlane plane(nullptr);
        auto* light = new TGLLightSource(nullptr);
        plane.SetShadowingObject(light);
        plane.SetShadowedLight(light);
        // Dropping one reference keeps the plane told of the light's death for the other.
        if (dropOne) plane.SetShadowingObject(nullptr);
        Free(light);
        EXPECT_EQ(plane.ShadowingObject(), nullptr) << dropOne;
        EXPECT_EQ(plane.ShadowedLight(), nullptr) << dropOne;
    }
}

} // namespace
