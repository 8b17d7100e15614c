// Bitmap fonts. Without OpenGL: the character ranges, the tile numbering of the game's fonts, the glyph page
// sizes, the measured glyphs of installed fonts. On the recording fake OpenGL: where a hand-made font puts its
// glyph quads (alignment, layout, lines, spaces, control codes, glyphs it cannot draw). Through the memory
// viewer: the game's four fonts draw white text where they are asked to, measuring the same widths before and
// after, and a flat text draws in the scene.
#include "GLBitmapFont.h"
#include "GLWindowsFont.h"

#include "GLHUDObjects.h"

#include "GLObjects.h"
#include "GLVectorGeometryMatrices.h"
#include "Graphics.h"
#include "Raises.h"
#include "RecordingDrawFixture.h"
#include "SceneRenderFixture.h"
#include "Streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

struct TFontFree {
    void operator()(TObject* obj) const { Free(obj); }
};
template <class T> using TOwned = std::unique_ptr<T, TFontFree>;

TEST(GLBitmapFontRanges, MapCharactersToTilesAndBack)
{
    TGLBitmapFontRanges ranges(nullptr);
    TGLBitmapFontRange* range = ranges.Add(' ', '}');
    EXPECT_EQ(ranges.CharacterCount(), 94);
    EXPECT_EQ(ranges.CharacterToTileIndex('A'), 33);
    EXPECT_EQ(ranges.CharacterToTileIndex('~'), -1);
    EXPECT_EQ(ranges.TileIndexToChar(93), u'}');
    EXPECT_EQ(ranges.TileIndexToChar(94), 0);
    EXPECT_EQ(range->GetDisplayName(), "ASCII [#32, #125] -> Glyphs [0, 93]");

    // The setters keep start <= stop; an empty text changes nothing.
    TGLBitmapFontRange* letters = ranges.Add('a', 'c');
    letters->SetStartASCII("x");
    EXPECT_EQ(letters->StartASCII(), u'x');
    EXPECT_EQ(letters->StopASCII(), u'x');
    EXPECT_EQ(letters->CharCount(), 1);
    letters->SetStartASCII("");
    EXPECT_EQ(letters->StartASCII(), u'x');
    TGLBitmapFontRange* fresh = ranges.Add();
    fresh->SetStartASCII("\u2122");
    fresh->SetStopASCII("\u044F");
    EXPECT_EQ(fresh->StartASCII(), u'\u044F');
    EXPECT_EQ(fresh->StopASCII(), u'\u044F');
    fresh->SetStartGlyphIdx(-5);
    EXPECT_EQ(fresh->StartGlyphIdx(), 0);
    EXPECT_EQ(ranges.CharacterCount(), 96);
    // The first range that holds a character decides.
    EXPECT_EQ(ranges.CharacterToTileIndex('x'), 'x' - ' ');
    EXPECT_EQ(ranges.FindItemID(letters->ID()), letters);
    EXPECT_EQ(MessageOf<EListError>([&] { ranges.GetItems(3); }), "List index out of bounds (3)");
}

// The game's window holds the ranges ' '..'—' and U+2122 on tile 8181; at start-up fonts 1 and 2 get range 0
// from U+0000 and range 1 set to start U+2122, then stop U+044F.
void SetGameRanges(TGLWindowsBitmapFont& font, bool rewritten)
{
    TGLBitmapFontRanges& ranges = *font.Ranges();
    ranges.Clear();
    ranges.Add(u' ', u'\u2014');
    ranges.Add(u'\u2122', u'\u2122')->SetStartGlyphIdx(8181);
    if (!rewritten) return;
    ranges.GetItems(0)->SetStartASCII(u'\0');
    ranges.GetItems(1)->SetStartASCII("\u2122");
    ranges.GetItems(1)->SetStopASCII("\u044F");
}

TGLWindowsBitmapFont* MakeGameFont(TComponent* owner, int32_t height, bool rewritten)
{
    auto* font = new TGLWindowsBitmapFont(owner);
    font->Font()->SetName("Bookman Old Style");
    font->Font()->SetHeight(height);
    SetGameRanges(*font, rewritten);
    return font;
}

TEST(GLWindowsBitmapFont, NumbersTheTilesOfItsRangesInOrder)
{
    const struct {
        bool rewritten;
        int32_t count, secondRangeTile;
        char16_t secondRange;
    } cases[] = {{false, 8182, 8181, u'\u2122'}, {true, 8214, 8213, u'\u044F'}};
    for (const auto& c : cases) {
        TOwned<TGLWindowsBitmapFont> font(MakeGameFont(nullptr, -20, c.rewritten));
        EXPECT_EQ(font->CharacterCount(), c.count);
        EXPECT_EQ(font->Ranges()->GetItems(1)->StartASCII(), c.secondRange);
        EXPECT_EQ(font->Ranges()->GetItems(1)->StartGlyphIdx(), c.secondRangeTile);
    }

    // EnsureChars merges codes into consecutive runs, dropping those below 32.
    TOwned<TGLWindowsBitmapFont> font(new TGLWindowsBitmapFont(nullptr));
    EXPECT_EQ(font->Ranges()->Count(), 1);
    EXPECT_EQ(font->Ranges()->GetItems(0)->GetDisplayName(), "ASCII [#32, #125] -> Glyphs [0, 93]");
    font->EnsureChars(10, 40);
    font->EnsureString("~\u044F\u044E");
    ASSERT_EQ(font->Ranges()->Count(), 2);
    EXPECT_EQ(font->Ranges()->GetItems(0)->GetDisplayName(), "ASCII [#32, #126] -> Glyphs [0, 94]");
    EXPECT_EQ(font->Ranges()->GetItems(1)->GetDisplayName(), "ASCII [#1102, #1103] -> Glyphs [95, 96]");
}

TEST(GLWindowsBitmapFont, StreamsItsFontAndRangesOtherThanTheDefault)
{
    TOwned<TGLWindowsBitmapFont> source(MakeGameFont(nullptr, -13, true));
    source->SetHSpace(2);
    TMemoryStream stream;
    TWriter(stream).WriteRootComponent(source.get());
    stream.SetPosition(0);
    TOwned<TGLWindowsBitmapFont> target(new TGLWindowsBitmapFont(nullptr));
    TReader(stream).ReadRootComponent(target.get());
    EXPECT_EQ(target->Font()->Name(), "Bookman Old Style");
    EXPECT_EQ(target->Font()->Height(), -13);
    EXPECT_EQ(target->HSpace(), 2);
    ASSERT_EQ(target->Ranges()->Count(), 2);
    EXPECT_EQ(target->Ranges()->GetItems(0)->StartASCII(), u'\0');
    EXPECT_EQ(target->Ranges()->GetItems(1)->StartASCII(), u'\u044F');
    EXPECT_EQ(target->Ranges()->GetItems(1)->StartGlyphIdx(), 8213);

    TOwned<TGLWindowsBitmapFont> plain(new TGLWindowsBitmapFont(nullptr));
    TMemoryStream none;
    TWriter(none).WriteRootComponent(plain.get());
    const std::string bytes(reinterpret_cast<const char*>(none.Memory()), static_cast<size_t>(none.Size()));
    EXPECT_EQ(bytes.find("Ranges"), std::string::npos);
}

TEST(GLWindowsBitmapFont, GlyphPagesHoldTheGlyphsAndAtLeastOneCell)
{
    const struct {
        int64_t total;
        int32_t cell, widest, maxTextureSize;
        TGlyphPageSize expected;
    } cases[] = {
        {7200, 22, 20, 0, {512, 512}},    // a game font: one page
        {13, 22, 13, 0, {32, 32}},        // one small glyph: a page at least one cell high
        {600, 10, 300, 0, {512, 16}},     // a wide cell makes the page wide enough
        {2000, 30, 20, 0, {512, 128}},    // the area plus ten per cent, about square
        {100000, 30, 20, 256, {256, 256}} // never above the largest texture
    };
    for (const auto& c : cases) {
        const TGlyphPageSize size = GlyphPageSize(c.total, c.cell, c.widest, c.maxTextureSize);
        EXPECT_EQ(size.Width, c.expected.Width) << c.total;
        EXPECT_EQ(size.Height, c.expected.Height) << c.total;
    }
}

TEST(GLWindowsBitmapFont, MeasuresGlyphsBeforeAnyRender)
{
    TOwned<TGLWindowsBitmapFont> font(MakeGameFont(nullptr, -20, true));
    EXPECT_GT(font->GetCharWidth('M'), font->GetCharWidth('i'));
    EXPECT_GT(font->GetCharWidth(u'\u044F'), 0);   // Cyrillic
    EXPECT_EQ(font->GetCharWidth('\r'), 0);        // control codes
    EXPECT_EQ(font->GetCharWidth(u'\u0F40'), font->GetCharWidth(' ')); // the face lacks it: a space's advance
    EXPECT_EQ(font->GetCharWidth(U'\U0001F600'), 0); // no tile
    EXPECT_GT(font->CharHeight(), 0);
    const int32_t wide = font->CalcStringWidth("Mirefall");
    EXPECT_EQ(font->CalcStringWidth("M"), font->GetCharWidth('M'));

    // A new face measures again, before any render too.
    font->Font()->SetName("Arial Black");
    EXPECT_NE(font->CalcStringWidth("Mirefall"), wide);

    // Italic: the cell takes a third more and the pen steps back by it.
    font->Font()->SetStyle(fsItalic);
    TBitmap bitmap;
    bitmap.Canvas()->Font()->Assign(font->Font());
    TCanvas& canvas = *bitmap.Canvas();
    const int32_t measured = std::max({canvas.TextWidth("M"), canvas.TextWidth("W"), canvas.TextWidth("_")});
    EXPECT_EQ(font->CalcStringWidth("A"), canvas.TextWidth("A")); // w = extent - HSpaceFix, then + HSpaceFix
    EXPECT_EQ(font->CharWidth(), measured + measured / 3);
    EXPECT_EQ(font->HSpaceFix(), -(measured / 3));
}

TEST(GLWindowsBitmapFont, GlyphRowsNeverStraddleTwoPages)
{
    TOwned<TGLWindowsBitmapFont> font(MakeGameFont(nullptr, -25, false));
    font->Ranges()->Clear();
    font->Ranges()->Add('A', 'z');
    font->BuildGlyphs(64); // small pages: two rows of glyphs each
    const int32_t page = font->TextureHeight(), cell = font->CharHeight() + font->GlyphsIntervalY();
    EXPECT_EQ(font->TextureWidth(), 64);
    EXPECT_EQ(page, 64);
    EXPECT_EQ(font->FontTextureWidth(), 64);
    EXPECT_EQ(font->FontTextureHeight() % page, 0);
    EXPECT_GT(font->FontTextureHeight() / page, 2);
    for (const TCharInfo& info : font->Chars())
        if (info.w > 0) {
            ASSERT_EQ(info.t / page, (info.t + cell - 1) / page) << info.t;
            ASSERT_LE(info.l + info.w + 1, 64);
        }

    // One small glyph still gets a page at least one cell high.
    font->Ranges()->Clear();
    font->Ranges()->Add('A', 'A');
    font->BuildGlyphs();
    EXPECT_GE(font->TextureHeight(), cell);
    EXPECT_EQ(font->FontTextureHeight(), font->TextureHeight());
}

TEST(GLWindowsBitmapFont, CharactersTheFaceLacksShareOneBlankCell)
{
    TOwned<TGLWindowsBitmapFont> font(MakeGameFont(nullptr, -20, false));
    font->Ranges()->Clear();
    font->Ranges()->Add(u'\u0F40', u'\u0F42'); // a script the face lacks
    font->Ranges()->Add('A', 'A');
    font->BuildGlyphs();
    const std::vector<TCharInfo>& chars = font->Chars();
    ASSERT_GE(chars.size(), 4u);
    // They advance like a space, from one cell that stays black.
    EXPECT_GT(chars[0].w, 0);
    for (int tile = 1; tile < 3; ++tile) {
        EXPECT_EQ(chars[tile].w, chars[0].w);
        EXPECT_EQ(chars[tile].l, chars[0].l);
        EXPECT_EQ(chars[tile].t, chars[0].t);
    }
    EXPECT_NE(chars[3].l, chars[0].l);
    TBitmap& picture = *font->Glyphs()->Bitmap();
    for (int y = chars[0].t; y < chars[0].t + font->CharHeight(); ++y)
        for (int x = chars[0].l; x < chars[0].l + chars[0].w; ++x)
            ASSERT_EQ(picture.ScanLine(y)[4 * x + 1], 0) << x << " " << y;
}

TEST(GLBitmapFont, UsersRegisterOnceAndAreDetachedWhenTheFontGoes)
{
    auto* font = new TGLBitmapFont(nullptr);
    TGLFlatText text(nullptr);
    TGLDummyCube other(nullptr);
    text.SetBitmapFont(font);
    text.SetBitmapFont(font);
    EXPECT_EQ(font->Users().size(), 1u);
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { font->RegisterUser(&text); }),
              "Assertion failure (VAVodad\\Source\\GLBitmapFont)");
    font->RegisterUser(&other); // without free notification
    font->UnRegisterUser(nullptr);
    EXPECT_EQ(font->Users().size(), 2u);
    Free(font);
    EXPECT_EQ(text.BitmapFont(), nullptr);
}

// Glyph quads drawn from arrays of texture points and positions, recorded corner by corner as sent.
struct TSentArrays {
    const GLfloat *TexCoords = nullptr, *Vertices = nullptr;
    GLsizei TexCoordStride = 0, VertexStride = 0;
};
inline TSentArrays vArrays;

void SentTexCoordPointer(GLint, GLenum, GLsizei stride, const void* pointer)
{
    vArrays.TexCoords = static_cast<const GLfloat*>(pointer);
    vArrays.TexCoordStride = stride;
}

void SentVertexPointer(GLint, GLenum, GLsizei stride, const void* pointer)
{
    vArrays.Vertices = static_cast<const GLfloat*>(pointer);
    vArrays.VertexStride = stride;
}

void SentDrawArrays(GLenum, GLint first, GLsizei count)
{
    const auto at = [](const GLfloat* array, GLsizei stride, GLint i) {
        return reinterpret_cast<const GLfloat*>(reinterpret_cast<const char*>(array) + size_t(i) * size_t(stride));
    };
    for (GLint i = first; i < first + count; ++i) {
        SentTexCoord(at(vArrays.TexCoords, vArrays.TexCoordStride, i));
        SentVertex(at(vArrays.Vertices, vArrays.VertexStride, i));
    }
}

// A hand-made font: cells of 4 x 8 pixels on a 64 x 64 picture, characters ' '..'}' and 'я'.
class GLBitmapFontLayout : public RecordingDrawFixture {
protected:
    GLBitmapFontLayout()
    {
        // In the recording table and in the context's own, which handles make current.
        for (TGLExtensionsAndEntryPoints* table : {&GL->Table, Context->GL()}) {
            table->TexCoordPointer = &SentTexCoordPointer;
            table->VertexPointer = &SentVertexPointer;
            table->DrawArrays = &SentDrawArrays;
        }
        Font->SetCharWidth(4);
        Font->SetCharHeight(8);
        TBitmap* picture = Font->Glyphs()->Bitmap();
        picture->SetPixelFormat(pf32bit);
        picture->SetSize(64, 64);
        Font->Ranges()->Add(' ', '}');
        Font->Ranges()->Add(u'\u044F', u'\u044F');
    }

    // The left and top of every quad drawn.
    std::vector<std::pair<float, float>> Quads(std::string_view text, TAlignment alignment = taLeftJustify,
                                               TGLTextLayout layout = tlTop)
    {
        Sent.clear();
        Font->RenderString(Rci, text, alignment, layout, TVector4f{{{1, 1, 1, 1}}});
        std::vector<std::pair<float, float>> corners;
        for (size_t i = 0; i + 3 < Sent.size(); i += 4) corners.emplace_back(Sent[i].X, Sent[i].Y);
        return corners;
    }

    TOwned<TGLBitmapFont> Font{new TGLBitmapFont(nullptr)};
};

TEST_F(GLBitmapFontLayout, LinesAlignAndLayOut)
{
    using TQuads = std::vector<std::pair<float, float>>;
    // Each line starts at minus its own width; lines step down by CharHeight + VSpace.
    EXPECT_EQ(Quads("AB\rC", taRightJustify), (TQuads{{-9, 0}, {-4, 0}, {-4, -9}}));
    // The bottom layout lifts the block by its height: 2 x (8 + 1) - 1.
    EXPECT_EQ(Quads("AB\rC", taLeftJustify, tlBottom), (TQuads{{0, 17}, {5, 17}, {0, 8}}));
    EXPECT_EQ(Quads("A", taLeftJustify, tlCenter), (TQuads{{0, 4}}));
    // A line feed and other control codes take no room; a space advances by its width + HSpace.
    EXPECT_EQ(Quads("A\nB\tC D"), (TQuads{{0, 0}, {5, 0}, {10, 0}, {20, 0}}));
    EXPECT_EQ(Quads("\u044F\u044F"), (TQuads{{0, 0}, {5, 0}}));
    EXPECT_EQ(Font->CalcStringWidth("\u044F\u044F"), 9);
    // The glyph's quad: from the pen down by CharHeight, textured from its cell.
    Quads("!");
    ASSERT_EQ(Sent.size(), 4u);
    EXPECT_EQ(Sent[1].Y, -8);
    EXPECT_EQ(Sent[2].X, 4);
    EXPECT_FLOAT_EQ(Sent[0].S, 4 / 64.0f);
    EXPECT_FLOAT_EQ(Sent[2].T, 1 - 8 / 64.0f);

    // Centred lines: -width / 2 rounded half to even.
    for (const auto& [charWidth, offset] : {std::pair{2, -2.0f}, std::pair{3, -4.0f}}) {
        Font->SetCharWidth(charWidth);
        EXPECT_EQ(Quads("AB", taCenter).front().first, offset) << charWidth;
    }
}

TEST_F(GLBitmapFontLayout, TextOutWritesDownwardsFromItsPoint)
{
    // Coordinates growing downwards, as on a window: glyphs hang below the pen and each line follows below the
    // one before (a step upwards would stack the lines in reverse order).
    Sent.clear();
    Font->TextOut(Rci, 10, 20, "A\rB", TVector4f{{{1, 1, 1, 1}}});
    ASSERT_EQ(Sent.size(), 8u);
    EXPECT_EQ(Sent[0].X, 10);
    EXPECT_EQ(Sent[0].Y, 20);
    EXPECT_EQ(Sent[1].Y, 28);
    EXPECT_EQ(Sent[4].X, 10);
    EXPECT_EQ(Sent[4].Y, 29);
    EXPECT_EQ(Sent[5].Y, 37);
}

TEST_F(GLBitmapFontLayout, GlyphCornersAreMeasuredOnTheUploadedPage)
{
    // Tiles of 48 x 48 pixels go up on pages of 64 x 64: the corners are fractions of the page.
    Font->SetTextureWidth(48);
    Font->SetTextureHeight(48);
    Quads("!");
    ASSERT_EQ(Sent.size(), 4u);
    EXPECT_FLOAT_EQ(Sent[0].S, 4 / 64.0f);
    EXPECT_FLOAT_EQ(Sent[2].S, 8 / 64.0f);
    EXPECT_FLOAT_EQ(Sent[2].T, 1 - 8 / 64.0f);
    // ',' sits at x = 48: the left edge of the second tile.
    Quads(",");
    ASSERT_EQ(Sent.size(), 4u);
    EXPECT_FLOAT_EQ(Sent[0].S, 0);
    EXPECT_FLOAT_EQ(Sent[2].S, 4 / 64.0f);
}

TEST_F(GLBitmapFontLayout, SpaceWithoutATileAdvancesByTheSpacingAlone)
{
    Font->Ranges()->GetItems(0)->SetStartASCII("!");
    EXPECT_EQ(Quads("A B"), (std::vector<std::pair<float, float>>{{0, 0}, {6, 0}}));
    EXPECT_EQ(Font->CalcStringWidth("A"), 4); // one character: its width + HSpaceFix
}

TEST_F(GLBitmapFontLayout, GlyphsWithoutACellOrTextureDrawNothing)
{
    // Row 5 of the cells lies below a 64 x 16 picture: no texture holds it.
    Font->Glyphs()->Bitmap()->SetSize(64, 16);
    Font->SetTextureHeight(16);
    EXPECT_EQ(Quads("!z").size(), 1u);
    // Narrower than one cell: nothing is laid out.
    Font->Glyphs()->Bitmap()->SetSize(3, 16);
    EXPECT_TRUE(Quads("!z").empty());
    // Tiles past the width table have width 0.
    Font->Ranges()->Clear();
    Font->Ranges()->Add('A', 'A')->SetStartGlyphIdx(1000);
    EXPECT_EQ(Font->CalcStringWidth("A"), 0);
    EXPECT_TRUE(Quads("A").empty());
}

// Text drawn in pixels of the 64 x 48 view, y upwards.
class GLBitmapFontRender : public SceneRenderFixture {
protected:
    void DrawText(TGLCustomBitmapFont* font, std::string text, float x, float y)
    {
        auto* object = TGLBaseSceneObject::CreateAsChild<TGLDirectOpenGL>(Scene->Objects());
        object->SetUseBuildList(false);
        object->OnRender = [=](TObject*, TGLRenderContextInfo& rci) {
            rci.PipelineTransformation->Push();
            TMatrix4f projection;
            MatrixOrthoProjection(0, cWidth, 0, cHeight, -1, 1, projection);
            rci.PipelineTransformation->SetViewMatrix(IdentityHmgMatrix);
            rci.PipelineTransformation->SetProjectionMatrix(projection);
            const TVector4f position{{{x, y, 0, 1}}};
            font->RenderString(rci, text, taLeftJustify, tlTop, TVector4f{{{1, 1, 1, 1}}}, &position);
            rci.PipelineTransformation->Pop();
        };
    }
    // The lit pixels inside and outside a box of the view (y from the top).
    std::pair<int, int> LitInAndOut(int left, int top, int right, int bottom)
    {
        int inside = 0, outside = 0;
        for (int y = 0; y < cHeight; ++y)
            for (int x = 0; x < cWidth; ++x) {
                const TColor pixel = Pixel(x, y);
                if (pixel == clBlack) continue;
                EXPECT_EQ(pixel & 0xFF, (pixel >> 16) & 0xFF) << "grey at " << x << "," << y;
                (x >= left && x < right && y >= top && y < bottom ? inside : outside) += 1;
            }
        return {inside, outside};
    }
};

TEST_F(GLBitmapFontRender, TheGameFontsDrawWhereTheyAreAskedWithTheWidthsMeasuredBefore)
{
    const std::string text = "Ж\u2014W"; // Cyrillic, the long dash, Latin
    const struct {
        int32_t height;
        bool rewritten;
    } fonts[] = {{-20, true}, {-13, true}, {-9, false}, {-25, false}};
    for (const auto& f : fonts) {
        TGLWindowsBitmapFont* font = MakeGameFont(Scene, f.height, f.rewritten);
        const int32_t width = font->CalcStringWidth(text);
        EXPECT_GT(width, 0);
        DrawText(font, text, 4, 44);
        Render();
        EXPECT_EQ(font->CalcStringWidth(text), width) << f.height;
        const auto [inside, outside] = LitInAndOut(3, 3, 4 + width + 2, 4 + font->CharHeight() + 1);
        // Glyph shapes, not filled cells.
        EXPECT_GT(inside, 10) << f.height;
        EXPECT_LT(inside, width * font->CharHeight() * 3 / 4) << f.height;
        EXPECT_EQ(outside, 0) << f.height;
        Free(Scene->Objects()->Children(Scene->Objects()->Count() - 1));
        Free(font);
    }
}

TEST_F(GLBitmapFontRender, HandMadeGlyphsComeFromTheirPages)
{
    // Four 16 x 16 cells in four colours, cut into four 16 x 16 textures.
    auto* font = new TGLBitmapFont(Scene);
    font->SetCharWidth(16);
    font->SetCharHeight(16);
    font->SetHSpace(0);
    font->SetMagFilter(maNearest);
    font->SetGlyphsAlpha(tiaOpaque);
    font->Ranges()->Add('A', 'D');
    TBitmap* picture = font->Glyphs()->Bitmap();
    picture->SetPixelFormat(pf32bit);
    picture->SetSize(32, 32);
    const TColor colours[4] = {clRed, clLime, clBlue, clWhite};
    for (int cell = 0; cell < 4; ++cell) {
        picture->Canvas()->Brush()->SetColor(colours[cell]);
        picture->Canvas()->FillRect(TRect{16 * (cell % 2), 16 * (cell / 2), 16 * (cell % 2) + 16, 16 * (cell / 2) + 16});
    }
    font->SetTextureWidth(16);
    font->SetTextureHeight(16);
    DrawText(font, "ABCD", 0, 40);
    Render();
    EXPECT_EQ(font->TextureCount(), 4);
    for (int cell = 0; cell < 4; ++cell) {
        EXPECT_EQ(Pixel(16 * cell + 8, 16), colours[cell]) << cell;
        EXPECT_EQ(Pixel(16 * cell + 1, 9), colours[cell]) << cell;
        EXPECT_EQ(Pixel(16 * cell + 14, 22), colours[cell]) << cell;
    }
    EXPECT_EQ(Pixel(8, 30), clBlack);
}

TEST_F(GLBitmapFontRender, AHUDTextKeptFromFrameToFrameDrawsWhatANewOneDraws)
{
    // The kept text draws from the quads it built for the frame before, as long as they still fit; a new text
    // builds its quads for this frame alone. Their frames match pixel for pixel.
    TGLWindowsBitmapFont* font = MakeGameFont(Scene, -13, true);
    const struct {
        std::string Text;
        TAlignment Alignment;
        TGLTextLayout Layout;
        float X, Y;
        int32_t HSpace;
    } frames[] = {
        // One change a frame.
        {"Ab\r\u0416W", taLeftJustify, tlTop, 2, 4, 1},
        {"Ab\r\u0416W", taLeftJustify, tlTop, 30, 20, 1}, // moved
        {"Ab\r\u0416Wb", taLeftJustify, tlTop, 30, 20, 1}, // text
        {"Ab\r\u0416Wb", taCenter, tlTop, 30, 20, 1},      // alignment
        {"Ab\r\u0416Wb", taCenter, tlCenter, 30, 20, 1},   // layout
        {"Ab\r\u0416Wb", taCenter, tlCenter, 30, 20, 4},   // the font's spacing
    };
    const auto place = [&](TGLHUDText* text, const auto& frame) {
        text->SetText(frame.Text);
        text->SetAlignment(frame.Alignment);
        text->SetLayout(frame.Layout);
        text->Position()->SetPoint(frame.X, frame.Y, 0);
    };
    const auto picture = [&] {
        Render();
        const std::unique_ptr<TBitmap> bitmap(Buffer()->CreateSnapShotBitmap());
        std::vector<TColor> pixels;
        for (int32_t y = 0; y < cHeight; ++y)
            for (int32_t x = 0; x < cWidth; ++x) pixels.push_back(PixelOf(*bitmap, x, y));
        return pixels;
    };
    auto* kept = TGLBaseSceneObject::CreateAsChild<TGLHUDText>(Scene->Objects());
    kept->SetBitmapFont(font);
    for (size_t i = 0; i < std::size(frames); ++i) {
        font->SetHSpace(frames[i].HSpace);
        place(kept, frames[i]);
        const std::vector<TColor> keptPicture = picture();
        EXPECT_GT(std::count_if(keptPicture.begin(), keptPicture.end(), [](TColor c) { return c != clBlack; }), 20)
            << i;
        kept->SetVisible(false);
        auto* fresh = TGLBaseSceneObject::CreateAsChild<TGLHUDText>(Scene->Objects());
        fresh->SetBitmapFont(font);
        place(fresh, frames[i]);
        EXPECT_EQ(picture(), keptPicture) << i;
        Free(fresh);
        kept->SetVisible(true);
    }
}

TEST_F(GLBitmapFontRender, FlatTextDrawsInTheScene)
{
    auto* font = MakeGameFont(Scene, -20, true);
    font->Ranges()->Clear();
    font->EnsureString("W");
    auto* text = TGLBaseSceneObject::CreateAsChild<TGLFlatText>(Scene->Objects());
    text->SetBitmapFont(font);
    text->SetText("W");
    text->SetAlignment(taCenter);
    text->SetLayout(tlCenter);
    text->Position()->SetPoint(0, 0, -5);
    text->Scale()->SetVector(0.1f, 0.1f, 0.1f);
    Render();
    const auto [inside, outside] = LitInAndOut(22, 14, 42, 34);
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
}

} // namespace
