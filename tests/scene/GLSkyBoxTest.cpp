// The sky box through the memory viewer: its faces fill the background in every direction, a face without
// its material is left out, a box without (or after the death of) its library draws nothing, and what is
// drawn after it covers it.
#include "GLSkyBox.h"

#include "GLMaterial.h"
#include "SceneRenderFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class GLSkyBoxRender : public SceneRenderFixture {
protected:
    // A library material showing one colour (0xRRGGBB) under a white material.
    void AddColourMaterial(const std::string& name, uint32_t rgb)
    {
        TBitmap picture;
        picture.SetPixelFormat(pf32bit);
        picture.SetSize(4, 4);
        const uint8_t bgra[4] = {static_cast<uint8_t>(rgb), static_cast<uint8_t>(rgb >> 8),
                                 static_cast<uint8_t>(rgb >> 16), 0xFF};
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 4; ++x) std::memcpy(picture.ScanLine(y) + 4 * x, bgra, 4);
        TGLLibMaterial* material = Library->AddTextureMaterial(name, &picture);
        material->Material()->FrontProperties()->Diffuse()->SetColor(TVector4f{{{1, 1, 1, 1}}});
    }

    void Look(float x, float y, float z, float upZ)
    {
        Camera->PointTo(TVector4f{{{x, y, z, 1}}}, TVector4f{{{0, upZ == 0 ? 1.0f : 0.0f, upZ, 0}}});
    }

    void TearDown() override
    {
        SceneRenderFixture::TearDown();
        FreeAndNil(Library);
    }

    TGLMaterialLibrary* Library = new TGLMaterialLibrary(nullptr);
};

TEST_F(GLSkyBoxRender, FacesFillTheBackgroundAndWhatFollowsCoversThem)
{
    AddColourMaterial("red", 0xFF0000);
    AddColourMaterial("green", 0x00FF00);
    AddColourMaterial("blue", 0x0000FF);
    AddColourMaterial("yellow", 0xFFFF00);
    AddColourMaterial("white", 0xFFFFFF);
    auto* sky = TGLBaseSceneObject::CreateAsChild<TGLSkyBox>(Scene->Objects());
    sky->SetMaterialLibrary(Library);
    sky->SetMatNameFront("red");
    sky->SetMatNameBack("green");
    sky->SetMatNameLeft("blue");
    sky->SetMatNameRight("yellow");
    sky->SetMatNameTop("white");
    sky->SetMatNameBottom("no such material");
    // Drawn after the box, nearer than the box's faces would be: it covers them.
    AddQuad(-5, 0.5f, {{{1, 0, 1, 1}}});
    // Away from the origin: the box goes with the camera.
    Camera->Position()->SetPoint(30, -20, 10);

    const struct {
        float X, Y, Z, UpZ;
        TColor Colour;
    } views[] = {
        {30, -20, 9, 0, Rgb(255, 0, 0)},      {30, -20, 11, 0, Rgb(0, 255, 0)},   {29, -20, 10, 0, Rgb(0, 0, 255)},
        {31, -20, 10, 0, Rgb(255, 255, 0)},   {30, -19, 10, -1, Rgb(255, 255, 255)},
        {30, -21, 10, 1, clBlack}, // the bottom's material is missing: the background shows
    };
    for (const auto& v : views) {
        Look(v.X, v.Y, v.Z, v.UpZ);
        Render();
        for (const auto& [x, y] : {std::pair{2, 2}, std::pair{61, 45}, std::pair{10, 40}})
            EXPECT_TRUE(Near(Pixel(x, y), v.Colour, 2))
                << v.X << ", " << v.Y << ", " << v.Z << " at " << x << ", " << y << ": " << std::hex << Pixel(x, y);
    }
    // The quad before the front face.
    Camera->Position()->SetPoint(0, 0, 0);
    Look(0, 0, -1, 0);
    Render();
    EXPECT_TRUE(Near(Pixel(32, 24), Rgb(255, 0, 255), 2));
    EXPECT_TRUE(Near(Pixel(2, 2), Rgb(255, 0, 0), 2));

    // Without a library nothing is drawn; a library that dies is forgotten.
    sky->SetMaterialLibrary(nullptr);
    Render();
    EXPECT_EQ(Pixel(2, 2), clBlack);
    sky->SetMaterialLibrary(Library);
    Render();
    EXPECT_TRUE(Near(Pixel(2, 2), Rgb(255, 0, 0), 2));
    FreeAndNil(Library);
    EXPECT_EQ(sky->MaterialLibrary(), nullptr);
    Render();
    EXPECT_EQ(Pixel(2, 2), clBlack);
}

} // namespace
