// Screen-space sprites and texts. Through the memory viewer (64 x 48): where a sprite lands and how large,
// never picked; its texture tiles and mirrors; see-through sprites lit and unlit; where texts land as the view
// changes size, at 144 dots per inch too, and a text at a 3-D point. On the recording fake OpenGL: a pass that
// ignores materials draws no HUD. Without OpenGL: what a sprite streams, a text's registration with its font.
#include "GLHUDObjects.h"

#include "ComponentStreams.h"
#include "GLBitmapFont.h"
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
#include <vector>

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

bool NotBlack(TColor colour)
{
    return colour != clBlack;
}

TBox LitBox(int32_t width, int32_t height, const std::function<TColor(int32_t, int32_t)>& pixel,
            bool (*lit)(TColor) = NotBlack)
{
    TBox box;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            if (!lit(pixel(x, y))) continue;
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
    TBox ViewBox(int32_t width = cWidth, int32_t height = cHeight)
    {
        return LitBox(width, height, [this](int32_t x, int32_t y) { return Pixel(x, y); });
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

// ---------------------------------------------------------------------------------------------------------
// HUD texts, in a hand-made font of solid 8 x 8 glyphs for 'A' and 'B' (one pixel apart in a line), so that
// a text's pixels are exactly its glyph quads.

class GLHUDTextRender : public GLHUDObjectsRender {
protected:
    void SetUp() override
    {
        GLHUDObjectsRender::SetUp();
        Font = new TGLBitmapFont(Scene);
        Font->SetCharWidth(8);
        Font->SetCharHeight(8);
        Font->SetGlyphsAlpha(tiaOpaque);
        Font->SetMagFilter(maNearest);
        TBitmap* picture = Font->Glyphs()->Bitmap();
        picture->SetPixelFormat(pf32bit);
        picture->SetSize(16, 8);
        for (int32_t y = 0; y < 8; ++y) std::memset(picture->ScanLine(y), 0xFF, 16 * 4);
        Font->Ranges()->Add('A', 'B');
    }
    template <class T> T* AddText(const std::string& text, float x, float y)
    {
        auto* object = TGLBaseSceneObject::CreateAsChild<T>(Scene->Objects());
        object->Position()->SetPoint(x, y, 0);
        object->SetBitmapFont(Font);
        object->SetText(text);
        return object;
    }

    TGLBitmapFont* Font = nullptr;
};

TEST_F(GLHUDTextRender, TextsKeepTheirPixelsOrTheirShareOfTheViewWhenTheViewIsResized)
{
    TGLHUDText* text = AddText<TGLHUDText>("AB", 10, 8);
    auto* centred = AddText<TGLResolutionIndependantHUDText>("A", 0.5f, 0.5f);
    centred->SetAlignment(taCenter);
    centred->SetLayout(tlCenter);
    const struct {
        int32_t Width, Height;
        TBox Text, Centred;
    } sizes[] = {
        // "AB" is 8 + 1 + 8 wide from its top-left corner; "A" is centred on the view's centre.
        {64, 48, {10, 8, 26, 15}, {28, 20, 35, 27}},
        {96, 80, {10, 8, 26, 15}, {44, 36, 51, 43}},
    };
    for (const auto& s : sizes) {
        Viewer->SetWidth(s.Width);
        Viewer->SetHeight(s.Height);
        centred->SetVisible(false);
        Render();
        EXPECT_EQ(ViewBox(s.Width, s.Height), s.Text) << s.Width << " x " << s.Height;
        text->SetVisible(false);
        centred->SetVisible(true);
        Render();
        EXPECT_EQ(ViewBox(s.Width, s.Height), s.Centred) << s.Width << " x " << s.Height;
        text->SetVisible(true);
    }
}

TEST_F(GLHUDTextRender, PositionsAndSizesScaleWithTheRenderingResolution)
{
    // At 144 dots per inch a pixel of position or size is one and a half: the sprite is 24 x 24 centred on
    // (15, 15), the glyph 12 x 12; a text placed by its share of the view stays centred.
    AddSprite(10, 10, {{{1, 0, 0, 1}}});
    auto* centred = AddText<TGLResolutionIndependantHUDText>("A", 0.5f, 0.5f);
    centred->SetAlignment(taCenter);
    centred->SetLayout(tlCenter);
    centred->ModulateColor()->SetColor(0, 1, 0, 1);
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(cWidth, cHeight);
    Buffer()->RenderToBitmap(&bitmap, 144);
    const auto pixel = [&](int32_t x, int32_t y) { return PixelOf(bitmap, x, y); };
    EXPECT_EQ(LitBox(cWidth, cHeight, pixel, [](TColor c) { return (c & 0xFF) != 0; }), (TBox{3, 3, 26, 26}));
    EXPECT_EQ(LitBox(cWidth, cHeight, pixel, [](TColor c) { return (c & 0xFF00) != 0; }), (TBox{26, 18, 37, 29}));
}

TEST_F(GLHUDTextRender, AbsoluteTextStandsWhereItsPointIsSeen)
{
    auto* group = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(Scene->Objects());
    auto* text = TGLBaseSceneObject::CreateAsChild<TGLAbsoluteHUDText>(group);
    text->SetBitmapFont(Font);
    text->SetText("A");
    // The view's centre; then its parent and the camera move alike and it stays there.
    text->Position()->SetPoint(0, 0, -5);
    Render();
    EXPECT_EQ(ViewBox(), (TBox{32, 24, 39, 31}));
    group->Position()->SetPoint(1, -1, 0);
    Camera->Position()->SetPoint(1, -1, 0);
    Render();
    EXPECT_EQ(ViewBox(), (TBox{32, 24, 39, 31}));
}

TEST(GLHUDText, IsAUserOfItsFontOnceUntilEitherGoes)
{
    auto* font = new TGLBitmapFont(nullptr);
    auto* text = new TGLHUDText(nullptr);
    text->SetBitmapFont(font);
    text->SetBitmapFont(font);
    EXPECT_EQ(font->Users(), (std::vector<TGLBaseSceneObject*>{text}));
    text->SetBitmapFont(nullptr);
    EXPECT_TRUE(font->Users().empty());
    text->SetBitmapFont(font);
    Free(font);
    EXPECT_EQ(text->BitmapFont(), nullptr);
    font = new TGLBitmapFont(nullptr);
    text->SetBitmapFont(font);
    Free(text);
    EXPECT_TRUE(font->Users().empty());
    Free(font);
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
