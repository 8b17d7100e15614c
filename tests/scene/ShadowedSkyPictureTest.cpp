// A picture for a person to look at: a lit floor with a few boxes casting shadows (darkening mode) under a
// sky box, and a fire on the tallest box, saved as artifacts/shadowed_sky.png in the build tree (replaced by
// each run). The test checks only that the shadows, the sky and the flames are there; how it looks is for the
// eye.
#include "FileUtils.h"
#include "GLFireFX.h"
#include "GLMaterial.h"
#include "GLObjects.h"
#include "GLShadowVolume.h"
#include "GLSkyBox.h"
#include "RandomGenerator.h"
#include "SceneRenderFixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class ShadowedSkyPicture : public SceneRenderFixture {
protected:
    void TearDown() override
    {
        SceneRenderFixture::TearDown();
        Free(Fire);
        Free(Library);
    }

    // A face fading from colour at its bottom row to white at its top.
    void AddSkyMaterial(const std::string& name, uint8_t r, uint8_t g, uint8_t b)
    {
        TBitmap picture;
        picture.SetPixelFormat(pf32bit);
        picture.SetSize(16, 16);
        for (int32_t y = 0; y < 16; ++y) {
            // Bitmap rows run from the top; texture t from the bottom.
            const auto mix = [y](uint8_t c) { return static_cast<uint8_t>(c + (255 - c) * (15 - y) / 15); };
            for (int32_t x = 0; x < 16; ++x) {
                uint8_t* p = picture.ScanLine(y) + 4 * x;
                p[0] = mix(b);
                p[1] = mix(g);
                p[2] = mix(r);
                p[3] = 255;
            }
        }
        Library->AddTextureMaterial(name, &picture)->Material()->FrontProperties()->Diffuse()->SetColor(
            TVector4f{{{1, 1, 1, 1}}});
    }

    TGLMaterialLibrary* Library = new TGLMaterialLibrary(nullptr);
    TGLFireFXManager* Fire = new TGLFireFXManager(nullptr);
};

TEST_F(ShadowedSkyPicture, SavesAShadowedFrameUnderASkyBox)
{
    Viewer->SetWidth(320);
    Viewer->SetHeight(240);
    Buffer()->SetContextOptions(Buffer()->ContextOptions() + TContextOptions{roStencilBuffer});
    Buffer()->SetLighting(true);
    AddSkyMaterial("sky_side", 70, 120, 200);
    AddSkyMaterial("sky_top", 120, 170, 230);
    auto* sky = TGLBaseSceneObject::CreateAsChild<TGLSkyBox>(Scene->Objects());
    sky->SetMaterialLibrary(Library);
    for (const TGLSkyBoxFace face : {sbfFront, sbfBack, sbfLeft, sbfRight}) sky->SetMatName(face, "sky_side");
    sky->SetMatNameTop("sky_top");

    auto* light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(Scene->Objects());
    light->SetLightStyle(lsOmni);
    light->Position()->SetPoint(-4, 9, -6);
    auto* volume = TGLBaseSceneObject::CreateAsChild<TGLShadowVolume>(Scene->Objects());
    volume->SetMode(svmDarkening);
    volume->Lights()->AddCaster(light);
    auto* floor = TGLBaseSceneObject::CreateAsChild<TGLPlane>(volume);
    floor->SetWidth(24);
    floor->SetHeight(24);
    floor->SetPitchAngle(90);
    floor->Position()->SetPoint(0, 0, -12);
    for (int32_t i = 0; i < 3; ++i) {
        auto* box = TGLBaseSceneObject::CreateAsChild<TGLCube>(volume);
        box->SetCubeHeight(1.0f + static_cast<float>(i));
        box->Position()->SetPoint(static_cast<float>(i) * 3 - 3, box->CubeHeight() / 2, -12);
        volume->Occluders()->AddCaster(box);
    }
    // Flames on the tallest box, grown for a second of steady steps.
    SetRandSeed(7);
    auto* torch = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(Scene->Objects());
    torch->Position()->SetPoint(3, 3.2f, -12);
    Fire->SetReference(torch);
    Fire->SetFireRadius(0.4f);
    Fire->SetParticleSize(0.9f);
    (new TGLBFireFX(torch->Effects()))->SetManager(Fire);
    for (int32_t step = 0; step < 30; ++step) Fire->DoProgress(TProgressTimes{1.0 / 30, step / 30.0});

    Camera->Position()->SetPoint(0, 5, 2);
    Camera->PointTo(TVector4f{{{0, 0, -12, 1}}}, TVector4f{{{0, 1, 0, 0}}});
    Camera->SetFocalLength(25);

    // The programs are built into bin/ of the build tree.
    const std::filesystem::path folder = std::filesystem::path(ProgramFolder()).parent_path() / "artifacts";
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / "shadowed_sky.png";
    std::filesystem::remove(file);
    Render();
    Buffer()->RenderToFile(file.string());
    ASSERT_TRUE(std::filesystem::exists(file));

    // Blue sky at the top, flames (warm pixels) above the tallest box, and shadows: pixels darker than in the
    // same frame without them. Each frame is read back once.
    Render();
    std::unique_ptr<TBitmap> shadowed(Buffer()->CreateSnapShotBitmap());
    const TColor top = PixelOf(*shadowed, 160, 2);
    EXPECT_GT((top >> 16) & 0xFF, top & 0xFF) << std::hex << top;
    volume->SetMode(svmOff);
    Render();
    std::unique_ptr<TBitmap> unshadowed(Buffer()->CreateSnapShotBitmap());
    int warm = 0, darker = 0;
    for (int32_t y = 0; y < 240; ++y)
        for (int32_t x = 0; x < 320; ++x) {
            const TColor c = PixelOf(*shadowed, x, y);
            warm += (c & 0xFF) > ((c >> 16) & 0xFF) + 40;
            darker += (c & 0xFF) < (PixelOf(*unshadowed, x, y) & 0xFF);
        }
    EXPECT_GT(warm, 20);
    EXPECT_GT(darker, 400);
}

} // namespace
