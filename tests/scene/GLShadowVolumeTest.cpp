// Shadow volumes. On the recording fake OpenGL: which occluders cast (casting modes, effective radius), the
// silhouette cache, and the caster items' free notification. Through the memory viewer (with a stencil
// buffer): a caster darkens the floor behind it in both modes, and nothing drawn after the volume is clipped.
#include "GLShadowVolume.h"

#include "GLObjects.h"
#include "GLSilhouette.h"
#include "RecordingDrawFixture.h"
#include "SceneRenderFixture.h"

#include <gtest/gtest.h>

namespace {

class GLShadowVolumeDrawing : public RecordingDrawFixture {
protected:
    GLShadowVolumeDrawing()
    {
        Volume = TGLBaseSceneObject::CreateAsChild<TGLShadowVolume>(Scene->Objects());
        Volume->SetMode(svmDarkening);
        Light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(Scene->Objects());
        Light->SetLightStyle(lsOmni);
        Light->Position()->SetPoint(0, 5, 0);
        Volume->Lights()->AddCaster(Light);
        Group = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(Volume);
        Caster = TGLBaseSceneObject::CreateAsChild<TGLPlane>(Group);
        Rci.lights = Scene->Lights();
        Rci.ignoreMaterials = true;
    }

    // The volumes drawn in one frame: four element draws per capped occluder.
    size_t VolumeDraws()
    {
        GL->Calls.clear();
        Scene->Objects()->Render(Rci);
        return GL->Count("DrawElements");
    }

    TGLShadowVolumeLight& LightItem() const { return *static_cast<TGLShadowVolumeLight*>(Volume->Lights()->GetItems(0)); }

    TGLShadowVolume* Volume;
    TGLLightSource* Light;
    TGLDummyCube* Group;
    TGLPlane* Caster;
};

TEST_F(GLShadowVolumeDrawing, OccludersCastByTheirCastingModeAndDistance)
{
    TGLShadowVolumeCaster* item = Volume->Occluders()->AddCaster(Caster);
    const struct {
        TGLShadowCastingMode Mode;
        bool Visible, GroupVisible;
        float Radius;
        bool Casts;
    } cases[] = {
        {scmAlways, false, false, 0, true},
        {scmVisible, true, false, 0, true},
        {scmVisible, false, true, 0, false},
        {scmRecursivelyVisible, true, true, 0, true},
        {scmRecursivelyVisible, true, false, 0, false},
        {scmParentVisible, false, true, 0, true},
        {scmParentVisible, true, false, 0, false},
        {scmParentRecursivelyVisible, false, true, 0, true},
        {scmParentRecursivelyVisible, true, false, 0, false},
        // The camera stands at the origin, the caster 3 units away: a radius equal to that is too short.
        {scmAlways, true, true, 3, false},
        {scmAlways, true, true, 3.01f, true},
    };
    Caster->Position()->SetPoint(0, 0, -3);
    Rci.cameraPosition = TVector4f{{{0, 0, 0, 1}}};
    for (const auto& c : cases) {
        item->SetCastingMode(c.Mode);
        item->SetEffectiveRadius(c.Radius);
        Caster->SetVisible(c.Visible);
        Group->SetVisible(c.GroupVisible);
        EXPECT_EQ(VolumeDraws(), c.Casts ? 4u : 0u) << c.Mode << " " << c.Visible << c.GroupVisible << " " << c.Radius;
    }

    // Off, inactive or picking: the children alone, no stencil work.
    Group->SetVisible(true);
    Caster->SetVisible(true);
    item->SetEffectiveRadius(0);
    for (const int variant : {0, 1, 2}) {
        Volume->SetMode(variant == 0 ? svmOff : svmDarkening);
        Volume->SetActive(variant != 1);
        Rci.drawState = variant == 2 ? dsPicking : dsRendering;
        EXPECT_EQ(VolumeDraws(), 0u) << variant;
        EXPECT_EQ(GL->Count("Clear"), 0u);
    }
}

TEST_F(GLShadowVolumeDrawing, SilhouettesAreCachedUntilTheLightMoves)
{
    Volume->Occluders()->AddCaster(Caster);
    VolumeDraws();
    TGLSilhouette* first = LightItem().GetCachedSilhouette(0);
    ASSERT_NE(first, nullptr);
    VolumeDraws();
    EXPECT_EQ(LightItem().GetCachedSilhouette(0), first);
    Light->Position()->SetPoint(1, 5, 0);
    VolumeDraws();
    TGLSilhouette* second = LightItem().GetCachedSilhouette(0);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Parameters().SeenFrom.X, 1);

    // Without caching the silhouette of the frame is dropped, the cached one too.
    Volume->SetObjectStyle(Volume->ObjectStyle() + TGLObjectStyles{osDirectDraw});
    EXPECT_EQ(VolumeDraws(), 4u);
    EXPECT_EQ(LightItem().GetCachedSilhouette(0), nullptr);
    Volume->SetObjectStyle(Volume->ObjectStyle() - TGLObjectStyles{osDirectDraw});
    VolumeDraws();
    ASSERT_NE(LightItem().GetCachedSilhouette(0), nullptr);
    Volume->SetOptions(TGLShadowVolumeOptions{svoScissorClips});
    EXPECT_EQ(LightItem().CachedSilhouetteCount(), 0);
}

TEST_F(GLShadowVolumeDrawing, ItemsGoWithTheirDyingCaster)
{
    // One object twice among the occluders and once among the lights: losing one item keeps the others'
    // notification.
    auto* other = TGLBaseSceneObject::CreateAsChild<TGLPlane>(Group);
    other->SetName("other");
    Light->SetName("lamp");
    Volume->Occluders()->AddCaster(Caster);
    Volume->Occluders()->AddCaster(other, 2);
    Volume->Occluders()->AddCaster(Caster);
    Volume->Lights()->AddCaster(Caster);
    EXPECT_EQ(Volume->Occluders()->GetItems(1)->GetDisplayName(), "[Object] other (2.0)");
    EXPECT_EQ(Volume->Lights()->GetItems(0)->GetDisplayName(), "[Light] lamp");
    Volume->Occluders()->RemoveCaster(Caster);
    EXPECT_EQ(Volume->Occluders()->IndexOfCaster(Caster), 1);

    // A copy of the volume registers its casters too.
    auto* copy = TGLBaseSceneObject::CreateAsChild<TGLShadowVolume>(Scene->Objects());
    copy->Assign(Volume);
    EXPECT_EQ(copy->Occluders()->Count(), 2);

    Free(Caster);
    for (TGLShadowVolume* volume : {Volume, copy}) {
        EXPECT_EQ(volume->Occluders()->Count(), 1);
        EXPECT_EQ(volume->Occluders()->GetItems(0)->Caster(), other);
        EXPECT_EQ(volume->Lights()->Count(), 1);
    }
    Free(copy);
    Free(other);
    EXPECT_EQ(Volume->Occluders()->Count(), 0);
    // Lights and occluders are not interchangeable.
    TGLShadowVolumeCasters occluders(nullptr, &ShadowVolumeCasterClassOf<TGLShadowVolumeOccluder>);
    EXPECT_THROW(Volume->SetLights(&occluders), EAssertionFailed);
}

// ---------------------------------------------------------------------------------------------------------
// Through the memory viewer.

class GLShadowVolumeRender : public SceneRenderFixture {
protected:
    void SetUp() override
    {
        SceneRenderFixture::SetUp();
        Buffer()->SetContextOptions(Buffer()->ContextOptions() + TContextOptions{roStencilBuffer});
        Buffer()->SetLighting(true);
        Light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(Scene->Objects());
        Light->SetLightStyle(lsOmni);
        Light->Position()->SetPoint(3, 0, 0);
        Volume = TGLBaseSceneObject::CreateAsChild<TGLShadowVolume>(Scene->Objects());
        Volume->Lights()->AddCaster(Light);
        // A floor filling the view at depth 10, and a 2 x 2 caster at depth 5: lit from the right, its
        // shadow falls on the floor from x = -5 to -1, y = -2 to 2.
        auto* floor = TGLBaseSceneObject::CreateAsChild<TGLPlane>(Volume);
        floor->SetWidth(40);
        floor->SetHeight(40);
        floor->Position()->SetPoint(0, 0, -10);
        auto* caster = TGLBaseSceneObject::CreateAsChild<TGLPlane>(Volume);
        caster->SetWidth(2);
        caster->SetHeight(2);
        caster->Position()->SetPoint(0, 0, -5);
        Volume->Occluders()->AddCaster(caster);
    }

    // The floor at x = -3 (in the shadow) and at x = 3 (lit), about 3.75 pixels a unit there.
    std::pair<TColor, TColor> Floor()
    {
        Render();
        return {Pixel(21, 24), Pixel(43, 24)};
    }

    TGLLightSource* Light = nullptr;
    TGLShadowVolume* Volume = nullptr;
};

int Red(TColor c)
{
    return static_cast<int>(c & 0xFF);
}

TEST_F(GLShadowVolumeRender, ACasterShadowsTheFloorInBothModes)
{
    Volume->SetMode(svmOff);
    const auto [litLeft, litRight] = Floor();
    ASSERT_GT(Red(litLeft), 60) << std::hex << litLeft;
    Light->SetShining(false);
    const auto [darkLeft, darkRight] = Floor();
    ASSERT_LT(Red(darkLeft), Red(litLeft) - 40) << std::hex << darkLeft;
    Light->SetShining(true);

    // Darkening: the lit scene, its shadow at half the lit value (the darkening colour's alpha).
    Volume->SetMode(svmDarkening);
    const auto [halfLeft, halfRight] = Floor();
    EXPECT_TRUE(Near(halfLeft, Rgb(Red(litLeft) / 2, Red(litLeft) / 2, Red(litLeft) / 2), 1)) << std::hex << halfLeft;
    EXPECT_EQ(halfRight, litRight);

    // Accurate: the shadow has the light's ambient share only, the rest the whole light.
    Volume->SetMode(svmAccurate);
    const auto [shadowLeft, accurateRight] = Floor();
    EXPECT_TRUE(Near(shadowLeft, darkLeft, 1)) << std::hex << shadowLeft << " " << darkLeft;
    EXPECT_TRUE(Near(accurateRight, litRight, 1)) << std::hex << accurateRight << " " << litRight;
    (void)darkRight;
}

TEST_F(GLShadowVolumeRender, NothingDrawnAfterTheVolumeIsClipped)
{
    // An attenuated light with a small reach: its passes are clipped to a box on the right of the view.
    Light->Position()->SetPoint(3, 0, -8);
    Light->SetLinearAttenuation(0.1f);
    Light->SetConstAttenuation(0);
    Volume->Lights()->GetItems(0)->SetEffectiveRadius(1.5f);
    // A head-up display band across the top left, drawn after the volume: neither the scissor box nor the
    // depth test of the relighting pass holds it back.
    TGLDirectOpenGL* hud = AddScreenRect(-1, 0, 0, 1, {{{0, 1, 0, 1}}});
    // Unlit, as the display's own materials draw it.
    hud->OnRender = [draw = hud->OnRender](TObject* sender, TGLRenderContextInfo& rci) {
        rci.GLStates->Disable(stLighting);
        draw(sender, rci);
    };
    for (const TGLShadowVolumeMode mode : {svmDarkening, svmAccurate}) {
        Volume->SetMode(mode);
        Render();
        EXPECT_EQ((Pixel(4, 4) >> 8) & 0xFF, 255u) << mode;
    }
}

} // namespace
