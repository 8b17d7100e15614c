// One frame with the objects the game shows most: a lit sphere and cone, textured sprites facing the camera,
// an animated sprite, a HUD panel and HUD texts in the game's four fonts. The frame is checked where each
// object must show, and saved as a PNG in the build tree (artifacts/scene-objects.png) for a person to look at.
#include "GLAnimatedSprite.h"
#include "GLGeomObjects.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLObjects.h"
#include "GLWindowsFont.h"
#include "Graphics.h"
#include "PngImage.h"
#include "SceneRenderFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace {

class SceneShowcase : public SceneRenderFixture {
protected:
    static constexpr int32_t cShowWidth = 480;
    static constexpr int32_t cShowHeight = 320;
    static constexpr float cUnit = 94; // pixels a unit at depth 10

    void SetUp() override
    {
        SceneRenderFixture::SetUp();
        Viewer->SetWidth(cShowWidth);
        Viewer->SetHeight(cShowHeight);
        Camera->SetFocalLength(120);
        Buffer()->SetBackgroundColor(0x402010); // a dark blue
        Buffer()->SetLighting(true);
        auto* light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(Scene->Objects());
        light->Position()->SetPoint(-4, 6, 4);
        Library = new TGLMaterialLibrary(nullptr);
    }

    void TearDown() override
    {
        SceneRenderFixture::TearDown();
        Free(Library);
    }

    // A square picture in two colours, 4 x 4 cells (0x00BBGGRR colours).
    static void FillChecker(TBitmap& bitmap, int32_t size, TColor a, TColor b)
    {
        bitmap.SetPixelFormat(pf32bit);
        bitmap.SetSize(size, size);
        for (int32_t y = 0; y < size; ++y)
            for (int32_t x = 0; x < size; ++x) {
                const TColor c = ((x * 4 / size) + (y * 4 / size)) % 2 ? a : b;
                const uint8_t bgra[4] = {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255};
                std::memcpy(bitmap.ScanLine(y) + 4 * x, bgra, 4);
            }
    }

    static void Colour(TGLBaseSceneObject* object, float r, float g, float b)
    {
        auto* solid = dynamic_cast<TVAVodadObject*>(object);
        solid->Material()->FrontProperties()->Diffuse()->SetColor(r, g, b);
        solid->Material()->FrontProperties()->Ambient()->SetColor(r * 0.3f, g * 0.3f, b * 0.3f);
    }

    // The share of pixels in the rectangle of the frame that differ from the background.
    static double Covered(TBitmap& frame, int32_t left, int32_t top, int32_t right, int32_t bottom,
                          TColor background)
    {
        int lit = 0;
        for (int32_t y = top; y < bottom; ++y)
            for (int32_t x = left; x < right; ++x) lit += !Near(PixelOf(frame, x, y), background, 8);
        return double(lit) / ((right - left) * (bottom - top));
    }

    TGLMaterialLibrary* Library = nullptr;
};

TEST_F(SceneShowcase, SpheresConesSpritesAndHudTextsInOneFrame)
{
    TBitmap checker, sheet;
    FillChecker(checker, 32, 0x00C0FF, 0x2060A0); // amber and brown
    // Sprites send no normal of their own: their pictures are shown unlit.
    Library->AddTextureMaterial("checker", &checker)->Material()->SetMaterialOptions(TMaterialOptions{moNoLighting});
    // Two 16 x 16 frames side by side: red, then green.
    sheet.SetPixelFormat(pf32bit);
    sheet.SetSize(32, 16);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 32; ++x)
            std::memcpy(sheet.ScanLine(y) + 4 * x, x < 16 ? "\x00\x00\xff\xff" : "\x00\xff\x00\xff", 4);
    Library->AddTextureMaterial("sheet", &sheet);

    // At depth 10 a unit is about 94 pixels.
    auto* sphere = TGLBaseSceneObject::CreateAsChild<TGLSphere>(Scene->Objects());
    sphere->Position()->SetPoint(-0.9f, 0.1f, -10);
    sphere->SetRadius(0.5f);
    sphere->SetSlices(32);
    sphere->SetStacks(24);
    Colour(sphere, 0.9f, 0.2f, 0.15f);
    auto* cone = TGLBaseSceneObject::CreateAsChild<TGLCone>(Scene->Objects());
    cone->Position()->SetPoint(0.2f, -0.1f, -10);
    cone->SetBottomRadius(0.4f);
    cone->SetHeight(0.9f);
    cone->SetSlices(32);
    cone->Pitch(20); // its base turned a little towards the camera
    Colour(cone, 0.2f, 0.8f, 0.3f);
    for (float x : {0.9f, 1.4f}) {
        auto* sprite = TGLBaseSceneObject::CreateAsChild<TGLSprite>(Scene->Objects());
        sprite->Position()->SetPoint(x, 0.4f, -10);
        sprite->SetSize(0.4f, 0.4f);
        sprite->SetRotation(x * 30);
        sprite->Material()->SetMaterialLibrary(Library);
        sprite->Material()->SetLibMaterialName("checker");
    }
    auto* animated = TGLBaseSceneObject::CreateAsChild<TGLAnimatedSprite>(Scene->Objects());
    animated->Position()->SetPoint(1.15f, -0.35f, -10);
    animated->SetMaterialLibrary(Library);
    animated->SetPixelRatio(40); // a 16-pixel frame is 0.4 units
    auto* animation = new TSpriteAnimation(animated->Animations());
    animation->SetStartFrame(0);
    animation->SetEndFrame(1);
    animation->SetLibMaterialName("sheet");
    animation->SetFrameWidth(16);
    animation->SetFrameHeight(16);
    animated->SetAnimationIndex(0);
    animation->SetCurrentFrame(1); // the green frame

    // A see-through panel at the bottom with the four fonts' lines on it.
    auto* panel = TGLBaseSceneObject::CreateAsChild<TGLHUDSprite>(Scene->Objects());
    panel->Position()->SetPoint(cShowWidth / 2.0f, 272, 0);
    panel->SetSize(cShowWidth - 16, 80);
    panel->SetAlphaChannel(0.6f);
    panel->Material()->FrontProperties()->Diffuse()->SetColor(0.05f, 0.05f, 0.1f);
    const struct {
        int32_t Height;
        float X, Y;
        const char* Text;
    } lines[] = {
        {-25, 12, 8, "Mirefall \xe2\x80\x94 the mire awaits"},
        {-20, 16, 240, "Bookman, height 20: Hand of cards"},
        {-13, 16, 266, "Height 13: \xd0\x9a\xd0\xb0\xd1\x80\xd1\x82\xd1\x8b \xd0\xb8 \xd0\xba\xd0\xbe\xd1\x81\xd1\x82\xd0\xb8"},
        {-9, 16, 288, "Height 9: the smallest of the game's four fonts"},
    };
    std::vector<std::unique_ptr<TGLWindowsBitmapFont>> fonts;
    std::vector<TGLHUDText*> texts;
    for (const auto& line : lines) {
        fonts.push_back(std::make_unique<TGLWindowsBitmapFont>(nullptr));
        fonts.back()->Font()->SetName("Bookman Old Style");
        fonts.back()->Font()->SetHeight(line.Height);
        fonts.back()->EnsureChars(0x20, 0x2014);
        auto* text = TGLBaseSceneObject::CreateAsChild<TGLHUDText>(Scene->Objects());
        text->SetBitmapFont(fonts.back().get());
        text->SetText(line.Text);
        text->Position()->SetPoint(line.X, line.Y, 0);
        text->ModulateColor()->SetColor(1, 0.95f, 0.8f);
        texts.push_back(text);
    }

    Render();
    // The frame read back once: the text checks look at thousands of its pixels.
    std::unique_ptr<TBitmap> shot(Buffer()->CreateSnapShotBitmap());

    const TColor background = 0x402010;
    const auto reddish = [](TColor c) { return (c & 0xFF) > 2 * ((c >> 8) & 0xFF) && (c & 0xFF) > 60; };
    const auto greenish = [](TColor c) { return ((c >> 8) & 0xFF) > 2 * (c & 0xFF) && ((c >> 8) & 0xFF) > 60; };
    // Screen places: x = 240 + u X, y from the top = 160 - u Y, u pixels a unit.
    const auto at = [this](float x, float y) { return Pixel(int32_t(240 + cUnit * x), int32_t(160 - cUnit * y)); };
    EXPECT_TRUE(reddish(at(-0.9f, 0.1f))) << std::hex << at(-0.9f, 0.1f);
    EXPECT_TRUE(greenish(at(0.2f, 0.1f))) << std::hex << at(0.2f, 0.1f);
    EXPECT_FALSE(Near(at(0.9f, 0.4f), background, 8)); // the first sprite
    EXPECT_TRUE(greenish(at(1.15f, -0.35f))) << std::hex << at(1.15f, -0.35f); // the animated frame
    // Every line of text leaves glyph pixels where it starts, and none far right of the short title.
    for (size_t i = 0; i < texts.size(); ++i) {
        const int32_t x = int32_t(lines[i].X), y = int32_t(lines[i].Y);
        const int32_t width = fonts[i]->CalcStringWidth(lines[i].Text);
        EXPECT_GT(width, 80) << i;
        EXPECT_GT(Covered(*shot, x, y, x + width, y - lines[i].Height, Pixel(x + width + 4, y + 2)), 0.05) << i;
    }
    EXPECT_TRUE(Near(Pixel(470, 20), background, 8));

    const std::filesystem::path folder = std::filesystem::path(MIREFALL_BINARY_DIR) / "artifacts";
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / "scene-objects.png";
    TPngImage png;
    png.Assign(shot.get());
    png.SaveToFile(file.string());
    TPngImage back;
    back.LoadFromFile(file.string());
    EXPECT_EQ(back.Width(), cShowWidth);
    EXPECT_EQ(back.Height(), cShowHeight);

    for (TGLHUDText* text : texts) text->SetBitmapFont(nullptr);
}

} // namespace
