// Screen-space sprites and texts. Through the memory viewer (64 x 48): where a sprite lands and how large, at
// the screen's resolution and at 144 dots per inch, with picking; its texture tiles and mirrors; see-through
// sprites lit and unlit. On the recording fake OpenGL: a pass that ignores materials draws no HUD. Without
// OpenGL: what is streamed.
#include "GLHUDObjects.h"

#include "ComponentStreams.h"
#include "GLMaterial.h"
#include "GLTexture.h"
#include "Graphics.h"
#include "RecordingDrawFixture.h"
#include "SceneRenderFixture.h"
#include "Streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

namespace {

// The smallest rectangle holding every pixel that is not black, edges included; all -1 when there is none.
struct TBox {
    int32_t Left = -1, Top = -1, Right = -1, Bottom = -1;
    bool operator==(const TBox&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TBox& b)
{
    return out << "(" << b.Left << ", " << b.Top << ")-(" << b.Right << ", " << b.Bottom << ")";
}

TBox LitBox(int32_t width, int32_t height, const std::function<TColor(int32_t, int32_t)>& pixel)
{
    TBox box;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            if (pixel(x, y) == clBlack) continue;
            if (box.Left < 0) box = {x, y, x, y};
            box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x), std::max(box.Bottom, y)};
        }
    return box;
}

class GLHUDObjectsRender : public SceneRenderFixture {
protected:
    // A HUD sprite in one plain colour (its material's, unlit).
    TGLHUDSprite* AddSprite(float x, float y, TVector4f colour = {{{1, 1, 1, 1}}})
    {
        auto* sprite = TGLBaseSceneObject::CreateAsChild<TGLHUDSprite>(Scene->Objects());
        sprite->Position()->SetPoint(x, y, 0);
        sprite->Material()->FrontProperties()->Diffuse()->SetColor(colour);
        return sprite;
    }
    TBox ViewBox()
    {
        return LitBox(cWidth, cHeight, [this](int32_t x, int32_t y) { return Pixel(x, y); });
    }
};

TEST_F(GLHUDObjectsRender, SpriteCoversItsPixelsAroundItsPositionWhateverTheCamera)
{
    TGLHUDSprite* sprite = AddSprite(10, 10);
    // The camera neither moves nor turns a HUD object, and its parent's place does not count.
    Camera->Position()->SetPoint(3, -2, 7);
    Camera->SetTurnAngle(40);
    const struct {
        float X, Y, Width, Height, Rotation;
        TBox Box;
    } cases[] = {
        // 16 x 16 centred on (10, 10), y from the top.
        {10, 10, 16, 16, 0, {2, 2, 17, 17}},
        // Centred on the top-left corner: only a quarter shows.
        {0, 0, 16, 16, 0, {0, 0, 7, 7}},
        {40, 30, 20, 6, 0, {30, 27, 49, 32}},
        // A quarter turn stands it upright.
        {40, 24, 20, 6, 90, {37, 14, 42, 33}},
    };
    for (const auto& c : cases) {
        sprite->Position()->SetPoint(c.X, c.Y, 0);
        sprite->SetSize(c.Width, c.Height);
        sprite->SetRotation(c.Rotation);
        Render();
        EXPECT_EQ(ViewBox(), c.Box) << c.X << ", " << c.Y << " turned " << c.Rotation;
    }

    // Under a group node somewhere in the scene: the same pixels.
    auto* group = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(Scene->Objects());
    group->Position()->SetPoint(100, 50, -30);
    group->SetTurnAngle(30);
    sprite->MoveTo(group);
    Render();
    EXPECT_EQ(ViewBox(), cases[3].Box);

    // A picking pass ignores materials: no HUD object is ever picked.
    EXPECT_EQ(Buffer()->GetPickedObject(40, 24), nullptr);
}

TEST_F(GLHUDObjectsRender, PositionAndSizeScaleWithTheRenderingResolution)
{
    // At 144 dots per inch a pixel of position or size is one and a half: 24 x 24 centred on (15, 15).
    AddSprite(10, 10);
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(cWidth, cHeight);
    Buffer()->RenderToBitmap(&bitmap, 144);
    EXPECT_EQ(LitBox(cWidth, cHeight, [&](int32_t x, int32_t y) { return PixelOf(bitmap, x, y); }), (TBox{3, 3, 26, 26}));
}

TEST_F(GLHUDObjectsRender, TextureTilesAndMirrors)
{
    // Four texels: red, green on the top row; blue, white below.
    TBitmap picture;
    picture.SetPixelFormat(pf32bit);
    picture.SetSize(2, 2);
    std::memcpy(picture.ScanLine(0), "\x00\x00\xff\xff\x00\xff\x00\xff", 8);
    std::memcpy(picture.ScanLine(1), "\xff\x00\x00\xff\xff\xff\xff\xff", 8);
    auto* library = new TGLMaterialLibrary(nullptr);
    TGLTexture* texture = library->AddTextureMaterial("tiles", &picture)->Material()->Texture();
    texture->SetMinFilter(miNearest);
    texture->SetMagFilter(maNearest);
    texture->SetTextureMode(tmReplace);
    // 3 x 2 tiles of 16 x 16 pixels, each texel 8 x 8, from (8, 8) to (55, 39).
    TGLHUDSprite* sprite = AddSprite(32, 24);
    sprite->SetSize(48, 32);
    sprite->SetXTiles(3);
    sprite->SetYTiles(2);
    sprite->Material()->SetMaterialLibrary(library);
    sprite->Material()->SetLibMaterialName("tiles");
    const TColor cTexels[2][2] = {{Rgb(255, 0, 0), Rgb(0, 255, 0)}, {Rgb(0, 0, 255), Rgb(255, 255, 255)}};
    const struct {
        bool MirrorU, MirrorV;
    } cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (const auto& c : cases) {
        sprite->SetMirrorU(c.MirrorU);
        sprite->SetMirrorV(c.MirrorV);
        Render();
        for (int32_t row = 0; row < 4; ++row)
            for (int32_t column = 0; column < 6; ++column) {
                const int32_t u = (column + c.MirrorU) % 2, v = (row + c.MirrorV) % 2;
                EXPECT_EQ(Pixel(12 + 8 * column, 12 + 8 * row), cTexels[v][u])
                    << "texel " << column << ", " << row << " mirrored " << c.MirrorU << c.MirrorV;
            }
    }
    Free(library);
}

TEST_F(GLHUDObjectsRender, SeeThroughSpriteTakesItsMaterialsColourWithItsAlpha)
{
    TGLHUDSprite* sprite = AddSprite(32, 24, {{{0, 1, 0, 1}}});
    sprite->Material()->SetBlendingMode(bmTransparency);
    // Lit, the colour comes from the emission (no light shines); the alpha from the diffuse colour.
    sprite->Material()->FrontProperties()->Emission()->SetColor(0, 1, 0, 1);
    sprite->Material()->FrontProperties()->Ambient()->SetColor(0, 0, 0, 1);
    for (const bool lit : {false, true}) {
        Buffer()->SetLighting(lit);
        sprite->SetAlphaChannel(1);
        Render();
        EXPECT_EQ(Pixel(32, 24), Rgb(0, 255, 0)) << lit;
        sprite->SetAlphaChannel(0.5f);
        Render();
        EXPECT_TRUE(Near(Pixel(32, 24), Rgb(0, 128, 0), 1)) << lit << " " << std::hex << Pixel(32, 24);
    }
}

class GLHUDObjectsDrawing : public RecordingDrawFixture {};

TEST_F(GLHUDObjectsDrawing, APassThatIgnoresMaterialsDrawsNoHUD)
{
    auto* sprite = TGLBaseSceneObject::CreateAsChild<TGLHUDSprite>(Scene->Objects());
    TGLBaseSceneObject::CreateAsChild<TGLHUDSprite>(sprite);
    Rci.renderDPI = 96;
    Rci.viewPortSize = {64, 48};
    Scene->Objects()->Render(Rci);
    EXPECT_EQ(GL->Count("Begin"), 2u);
    GL->Calls.clear();
    Rci.ignoreMaterials = true;
    Scene->Objects()->Render(Rci);
    EXPECT_EQ(GL->Count("Begin"), 0u);
}

TEST(GLHUDSprite, SizeIsStreamedOnlyAwayFromTheDefault)
{
    const auto contains = [](TMemoryStream& stream, const std::string& text) {
        const char* bytes = reinterpret_cast<const char*>(stream.Memory());
        return std::search(bytes, bytes + stream.Size(), text.begin(), text.end()) != bytes + stream.Size();
    };
    const struct {
        float Width, Height;
        int32_t XTiles;
        bool StoresWidth, StoresHeight, StoresXTiles;
    } cases[] = {
        {16, 16, 1, false, false, false},
        {400, 16, 1, true, false, false},
        {16.0005f, 15, 3, false, true, true},
    };
    for (const auto& c : cases) {
        TGLHUDSprite sprite(nullptr);
        sprite.SetSize(c.Width, c.Height);
        sprite.SetXTiles(c.XTiles);
        TMemoryStream stream;
        TWriter(stream).WriteRootComponent(&sprite);
        EXPECT_EQ(contains(stream, "Width"), c.StoresWidth) << c.Width;
        EXPECT_EQ(contains(stream, "Height"), c.StoresHeight) << c.Height;
        EXPECT_EQ(contains(stream, "XTiles"), c.StoresXTiles) << c.XTiles;

        TGLHUDSprite read(nullptr);
        stream.SetPosition(0);
        TReader(stream).ReadRootComponent(&read);
        EXPECT_EQ(read.Width(), c.StoresWidth ? c.Width : 16);
        EXPECT_EQ(read.Height(), c.Height);
        EXPECT_EQ(read.XTiles(), c.XTiles);
    }
}

} // namespace
