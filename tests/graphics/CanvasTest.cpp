// Drawing on bitmaps: shapes with pen and brush, text in a named font, copies and stretches; colours, fonts
// and the face alias table.
#include "Graphics.h"
#include "Streams.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// A 24-bit bitmap filled with one colour.
void Fill(TBitmap& bitmap, int width, int height, TColor colour, TPixelFormat format = pf24bit)
{
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(width, height);
    bitmap.Canvas()->Brush()->SetColor(colour);
    bitmap.Canvas()->FillRect(TRect{0, 0, width, height});
}

// 0x00BBGGRR of a pixel, as a TColor.
TColor At(const TBitmap& bitmap, int x, int y)
{
    const uint8_t* p = bitmap.ScanLine(y) + x * bitmap.BytesPerPixel();
    return p[2] | p[1] << 8 | p[0] << 16;
}

} // namespace

TEST(Canvas, RectangleOutlinesWithThePenAndFillsWithTheBrush)
{
    TBitmap bitmap;
    Fill(bitmap, 20, 20, clWhite);
    TCanvas& canvas = *bitmap.Canvas();
    canvas.Pen()->SetColor(clBlack);
    canvas.Brush()->SetColor(clRed);
    canvas.Rectangle(2, 3, 10, 8);
    EXPECT_EQ(At(bitmap, 2, 3), clBlack);
    EXPECT_EQ(At(bitmap, 9, 7), clBlack); // the last pixel inside
    EXPECT_EQ(At(bitmap, 9, 3), clBlack);
    EXPECT_EQ(At(bitmap, 5, 5), clRed);
    EXPECT_EQ(At(bitmap, 10, 8), clWhite); // right and bottom edges lie outside
    EXPECT_EQ(At(bitmap, 10, 5), clWhite);
    EXPECT_EQ(At(bitmap, 5, 8), clWhite);
    EXPECT_EQ(At(bitmap, 1, 2), clWhite);

    canvas.Brush()->SetStyle(bsClear);
    canvas.Pen()->SetColor(clBlue);
    canvas.Rectangle(TRect{12, 12, 16, 16});
    EXPECT_EQ(At(bitmap, 12, 12), clBlue);
    EXPECT_EQ(At(bitmap, 13, 13), clWhite); // no fill with a clear brush
}

TEST(Canvas, LinesLeaveOutTheirEndPoint)
{
    TBitmap bitmap;
    Fill(bitmap, 10, 10, clWhite);
    TCanvas& canvas = *bitmap.Canvas();
    canvas.Pen()->SetColor(clGreen);
    canvas.MoveTo(1, 4);
    canvas.LineTo(6, 4);
    for (int x = 1; x < 6; ++x) EXPECT_EQ(At(bitmap, x, 4), clGreen) << x;
    EXPECT_EQ(At(bitmap, 6, 4), clWhite);
    EXPECT_EQ(At(bitmap, 0, 4), clWhite);
    EXPECT_EQ(canvas.PenPos().X, 6);
    canvas.LineTo(6, 8);
    EXPECT_EQ(At(bitmap, 6, 5), clGreen);
    EXPECT_EQ(At(bitmap, 3, 5), clWhite);
}

TEST(Canvas, EllipseFillsItsMiddleAndNotItsCorners)
{
    TBitmap bitmap;
    Fill(bitmap, 21, 21, clWhite);
    TCanvas& canvas = *bitmap.Canvas();
    canvas.Brush()->SetColor(clYellow);
    canvas.Pen()->SetColor(clBlack);
    canvas.Ellipse(0, 0, 21, 21);
    EXPECT_EQ(At(bitmap, 10, 10), clYellow);
    EXPECT_EQ(At(bitmap, 1, 1), clWhite);
    EXPECT_EQ(At(bitmap, 19, 19), clWhite);
    EXPECT_EQ(At(bitmap, 10, 0), clBlack);
}

TEST(Canvas, TextDrawsInsideItsBox)
{
    TBitmap bitmap;
    Fill(bitmap, 120, 40, clBlack);
    TCanvas& canvas = *bitmap.Canvas();
    canvas.Font()->SetName("Bookman Old Style");
    canvas.Font()->SetHeight(-13);
    canvas.Font()->SetColor(clWhite);
    canvas.Brush()->SetStyle(bsClear);
    const int x = 10, y = 8;
    const int width = canvas.TextWidth("Mag"), height = canvas.TextHeight("Mag");
    EXPECT_GT(width, 15);
    EXPECT_GE(height, 13);
    EXPECT_LT(height, 25);
    canvas.TextOut(x, y, "Mag");
    EXPECT_EQ(canvas.PenPos().X, x + width);
    int inside = 0, outside = 0;
    for (int py = 0; py < 40; ++py)
        for (int px = 0; px < 120; ++px) {
            const bool lit = At(bitmap, px, py) != clBlack;
            const bool inBox = px >= x - 1 && px <= x + width && py >= y && py < y + height;
            (inBox ? inside : outside) += lit;
        }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);

    EXPECT_EQ(canvas.TextWidth(""), 0);
    EXPECT_GT(canvas.TextWidth("WWWW"), canvas.TextWidth("iiii"));
    const int regular = canvas.TextWidth("Heavy words");
    canvas.Font()->SetStyle(fsBold);
    EXPECT_GT(canvas.TextWidth("Heavy words"), regular);
}

TEST(Canvas, SingleGlyphsAreMeasuredAndDrawnClippedToTheirCells)
{
    TBitmap bitmap;
    Fill(bitmap, 80, 30, clBlack, pf32bit);
    TCanvas& canvas = *bitmap.Canvas();
    canvas.Font()->SetName("Bookman Old Style");
    canvas.Font()->SetHeight(-20);
    canvas.Font()->SetColor(clWhite);
    EXPECT_TRUE(canvas.HasGlyph(U'M'));
    EXPECT_TRUE(canvas.HasGlyph(U'\u044F')); // Cyrillic
    EXPECT_FALSE(canvas.HasGlyph(U'\u0F40')); // Tibetan: another face would have to stand in
    EXPECT_GT(canvas.CharWidth(U'M'), canvas.CharWidth(U'i'));
    EXPECT_EQ(canvas.CharWidth(U'M'), canvas.TextWidth("M"));

    // A W cut to a 5-pixel-wide cell, and an M in a cell of its own.
    const int height = canvas.TextHeight("M");
    canvas.GlyphsOut({{U'W', 0, 0, TRect{0, 0, 5, height}}, {U'M', 40, 0, TRect{40, 0, 70, height}}});
    int lit[3] = {0, 0, 0}; // the W's cell, the gap, the M's cell
    for (int py = 0; py < 30; ++py)
        for (int px = 0; px < 80; ++px) {
            if (At(bitmap, px, py) == clBlack) continue;
            EXPECT_EQ(At(bitmap, px, py) & 0xFF, (At(bitmap, px, py) >> 16) & 0xFF) << "grey, " << px; // white on black
            ++lit[px < 5 ? 0 : px < 40 ? 1 : 2];
        }
    EXPECT_GT(lit[0], 0);
    EXPECT_EQ(lit[1], 0);
    EXPECT_GT(lit[2], 20);
}

TEST(Canvas, OpaqueTextFillsItsBoxAndTextRectClips)
{
    TBitmap bitmap;
    Fill(bitmap, 60, 30, clBlack);
    TCanvas& canvas = *bitmap.Canvas();
    canvas.Font()->SetName("Arial");
    canvas.Font()->SetSize(10);
    canvas.Font()->SetColor(clWhite);
    canvas.Brush()->SetColor(clBlue);
    canvas.TextOut(2, 2, "a");
    EXPECT_EQ(At(bitmap, 2, 2), clBlue); // the top-left corner of the box is background

    Fill(bitmap, 60, 30, clBlack);
    canvas.Brush()->SetStyle(bsClear);
    canvas.TextRect(TRect{0, 0, 8, 30}, 0, 0, "WWWWWW");
    for (int py = 0; py < 30; ++py)
        for (int px = 8; px < 60; ++px) ASSERT_EQ(At(bitmap, px, py), clBlack) << px << "," << py;
}

TEST(Canvas, CopiesStretchAndMirror)
{
    TBitmap source;
    Fill(source, 4, 1, clBlack);
    const TColor colours[4] = {clRed, clLime, clBlue, clWhite};
    for (int x = 0; x < 4; ++x) {
        source.Canvas()->Brush()->SetColor(colours[x]);
        source.Canvas()->FillRect(TRect{x, 0, x + 1, 1});
    }
    TBitmap target;
    Fill(target, 8, 2, clBlack);
    target.Canvas()->CopyRect(TRect{0, 0, 4, 1}, source.Canvas(), TRect{0, 0, 4, 1});
    target.Canvas()->CopyRect(TRect{4, 1, 0, 2}, source.Canvas(), TRect{0, 0, 4, 1}); // mirrored
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(At(target, x, 0), colours[x]);
        EXPECT_EQ(At(target, x, 1), colours[3 - x]);
    }
    EXPECT_EQ(At(target, 4, 0), clBlack);

    target.Canvas()->StretchDraw(TRect{0, 0, 8, 2}, &source); // each pixel twice as wide
    for (int x = 0; x < 8; ++x) EXPECT_EQ(At(target, x, 1), colours[x / 2]) << x;
    target.Canvas()->Draw(6, 1, &source); // clipped at the edge
    EXPECT_EQ(At(target, 6, 1), clRed);
    EXPECT_EQ(At(target, 7, 1), clLime);
}

TEST(Canvas, TransparentBitmapsBlendByAlpha)
{
    TBitmap sprite;
    sprite.SetPixelFormat(pf32bit);
    sprite.SetSize(2, 1);
    const uint8_t pixels[8] = {0, 0, 255, 255, 255, 0, 0, 0}; // opaque red, then fully transparent blue
    std::copy(pixels, pixels + 8, sprite.ScanLine(0));
    sprite.SetTransparent(true);
    TBitmap target;
    Fill(target, 2, 1, clGreen);
    target.Canvas()->Draw(0, 0, &sprite);
    EXPECT_EQ(At(target, 0, 0), clRed);
    EXPECT_EQ(At(target, 1, 0), clGreen);
}

TEST(Bitmap, SizeAndFormatChangesKeepPixels)
{
    TBitmap bitmap;
    Fill(bitmap, 3, 2, clRed);
    bitmap.SetSize(4, 3);
    EXPECT_EQ(At(bitmap, 2, 1), clRed);
    EXPECT_EQ(At(bitmap, 3, 2), clBlack);
    bitmap.SetPixelFormat(pf32bit);
    EXPECT_EQ(bitmap.RowStride(), 16);
    EXPECT_EQ(At(bitmap, 0, 0), clRed);
    EXPECT_EQ(bitmap.ScanLine(0)[3], 255); // converted pixels are opaque
    EXPECT_THROW(bitmap.ScanLine(3), EInvalidGraphic);
    EXPECT_THROW(bitmap.SetSize(20000, 1), EInvalidGraphic);
    int changes = 0;
    bitmap.OnChange = [&](TObject*) { ++changes; };
    bitmap.SetSize(4, 3);
    bitmap.SetWidth(5);
    EXPECT_EQ(changes, 1);
}

TEST(Graphics, SystemColoursResolveToFixedValues)
{
    EXPECT_EQ(ColorToRGB(clBtnFace), 0xF0F0F0);
    EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFF);
    EXPECT_EQ(ColorToRGB(clWindowText), 0x000000);
    EXPECT_EQ(ColorToRGB(SystemColor(200)), clBlack);
    EXPECT_EQ(ColorToRGB(clAqua), clAqua);
    EXPECT_EQ(ColorToRGB(0x123456), 0x123456);
}

TEST(Graphics, FontFaceAliases)
{
    struct Case {
        const char* name;
        const char* family;
        bool bold;
    };
    const Case cases[] = {
        {"Bookman Old Style", "URW Bookman", false}, {"bookman old style", "URW Bookman", false},
        {"Arial", "Liberation Sans", false},         {"Arial Black", "Liberation Sans", true},
        {"Tahoma", "Liberation Sans", false},        {"Courier New", "DejaVu Sans", false},
        {"Arial Narrow", "Nimbus Sans Narrow", false},
        {"", "DejaVu Sans", false},
    };
    for (const Case& c : cases) {
        const TFontFace face = ResolveFontFace(c.name);
        EXPECT_EQ(face.Family, c.family) << c.name;
        EXPECT_EQ(face.Bold, c.bold) << c.name;
    }
}

TEST(Graphics, FontSizeAndHeightAtNinetySixPixelsPerInch)
{
    TFont font;
    int changes = 0;
    font.OnChange = [&](TObject*) { ++changes; };
    font.SetHeight(-13);
    EXPECT_EQ(font.Size(), 10);
    font.SetSize(10);
    EXPECT_EQ(font.Height(), -13);
    EXPECT_EQ(changes, 1); // the same height again is no change
    font.SetSize(12);
    EXPECT_EQ(font.Height(), -16);
    font.SetSize(9);
    EXPECT_EQ(font.Height(), -12);
    TFont copy;
    copy.Assign(&font);
    EXPECT_EQ(copy.Height(), -12);
    EXPECT_EQ(copy.Name(), font.Name());
    // Heights of the game's fonts and their sizes in points, and the sizes a third larger and their heights.
    const int heights[][2] = {{-20, 15}, {-9, 7}, {-25, 19}, {-27, 20}, {-17, 13}};
    for (const auto& [height, size] : heights) {
        font.SetHeight(height);
        EXPECT_EQ(font.Size(), size) << height;
        font.SetSize(size);
        EXPECT_EQ(font.Height(), height) << size;
    }
}

// A hatch draws its lines in the brush colour, eight pixels apart from the bitmap's corner, and leaves the rest:
// the forward diagonal runs down to the right, the diagonal cross adds the lines running up to the right.
TEST(Canvas, HatchBrushesDrawOnlyTheirLines)
{
    const struct {
        TBrushStyle Style;
        bool DownRight, UpRight;
    } cases[] = {{bsFDiagonal, true, false}, {bsDiagCross, true, true}};
    for (const auto& c : cases) {
        TBitmap bitmap;
        Fill(bitmap, 16, 16, clWhite);
        TCanvas& canvas = *bitmap.Canvas();
        canvas.Brush()->SetColor(clRed);
        canvas.Brush()->SetStyle(c.Style);
        canvas.FillRect(TRect{0, 0, 16, 16});
        int down = 0, up = 0, red = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const bool isRed = At(bitmap, x, y) == clRed;
                red += isRed;
                if (isRed && (x - y) % 8 == 0) ++down;
                if (isRed && (x + y + 1) % 8 == 0) ++up;
                if (!isRed) {
                    EXPECT_EQ(At(bitmap, x, y), clWhite);
                }
            }
        EXPECT_EQ(down, c.DownRight ? 16 * 2 : 0) << c.Style;
        EXPECT_EQ(up, c.UpRight ? 16 * 2 : 0) << c.Style;
        EXPECT_EQ(red, (c.DownRight + c.UpRight) * 32) << c.Style; // lines only, one pixel wide
    }
}

// A run of drawing calls shares one painting: what one call sets up for itself (a clip, a pen in the brush or
// font colour, pixels copied over rather than blended) must not reach the next.
TEST(Canvas, CallsInOneRunDrawWithTheirOwnSettings)
{
    TBitmap source;
    Fill(source, 2, 2, clBlue);
    TBitmap sprite; // opaque red, then fully transparent
    sprite.SetPixelFormat(pf32bit);
    sprite.SetSize(2, 1);
    sprite.ScanLine(0)[2] = sprite.ScanLine(0)[3] = 255;
    sprite.SetTransparent(true);
    TBitmap bitmap;
    Fill(bitmap, 24, 24, clWhite);
    TCanvas& canvas = *bitmap.Canvas();
    canvas.Pen()->SetColor(clBlack);
    canvas.Font()->SetColor(clLime);
    canvas.Brush()->SetColor(clYellow);
    canvas.TextRect(TRect{0, 0, 2, 2}, 0, 0, "W"); // clips to the top-left corner
    canvas.FrameRect(TRect{0, 22, 2, 24});         // a frame in the brush colour
    canvas.CopyRect(TRect{22, 22, 24, 24}, source.Canvas(), TRect{0, 0, 2, 2});
    canvas.Draw(10, 2, &sprite);
    canvas.MoveTo(4, 20);
    canvas.LineTo(20, 20);
    canvas.Brush()->SetColor(clRed);
    canvas.Brush()->SetStyle(bsFDiagonal);
    canvas.FillRect(TRect{8, 8, 16, 16});
    EXPECT_EQ(At(bitmap, 4, 20), clBlack);  // the pen again, unclipped
    EXPECT_EQ(At(bitmap, 1, 23), clYellow); // the frame
    EXPECT_EQ(At(bitmap, 23, 23), clBlue);  // the copy
    EXPECT_EQ(At(bitmap, 10, 2), clRed);    // the sprite blended, not copied
    EXPECT_EQ(At(bitmap, 11, 2), clWhite);
    int red = 0, white = 0;
    for (int y = 8; y < 16; ++y)
        for (int x = 8; x < 16; ++x) (At(bitmap, x, y) == clRed ? red : white) += 1;
    EXPECT_EQ(red, 8);   // the hatch's one diagonal...
    EXPECT_EQ(white, 56); // ...blended over the white, not copied over it
}

// Whatever reads, replaces or reshapes the pixels between drawing calls sees every call before it, and the
// calls after it draw on the new pixels.
TEST(Canvas, PixelsTouchedBetweenDrawingCallsAreComplete)
{
    const struct {
        const char* Name;
        std::function<void(TBitmap&)> Touch;
    } cases[] = {
        {"size", [](TBitmap& b) { b.SetSize(12, 9); }},
        {"format", [](TBitmap& b) { b.SetPixelFormat(pf32bit); }},
        {"transparency", [](TBitmap& b) { b.SetPixelFormat(pf32bit), b.SetTransparent(true); }},
        {"copied from", [](TBitmap& b) {
             TBitmap copy;
             copy.Assign(&b);
             EXPECT_EQ(At(copy, 2, 2), clRed);
         }},
        {"copied to", [](TBitmap& b) {
             TBitmap other;
             Fill(other, 8, 8, clGreen);
             other.Canvas()->Brush()->SetColor(clRed);
             other.Canvas()->FillRect(TRect{0, 0, 4, 4});
             b.Assign(&other);
         }},
        {"saved and loaded", [](TBitmap& b) {
             TMemoryStream stream;
             b.SaveToStream(stream);
             stream.SetPosition(0);
             b.LoadFromStream(stream);
         }},
        {"copied onto itself", [](TBitmap& b) { b.Canvas()->CopyRect(TRect{4, 0, 8, 4}, b.Canvas(), TRect{0, 0, 4, 4}); }},
    };
    for (const auto& c : cases) {
        TBitmap bitmap;
        Fill(bitmap, 8, 8, clWhite);
        bitmap.Canvas()->Brush()->SetColor(clRed);
        bitmap.Canvas()->FillRect(TRect{0, 0, 4, 4});
        c.Touch(bitmap);
        bitmap.Canvas()->Brush()->SetColor(clBlue);
        bitmap.Canvas()->FillRect(TRect{4, 4, 8, 8});
        EXPECT_EQ(At(bitmap, 2, 2), clRed) << c.Name;
        EXPECT_EQ(At(bitmap, 6, 6), clBlue) << c.Name;
    }
    // A bitmap may go away in the middle of a run.
    auto doomed = std::make_unique<TBitmap>();
    Fill(*doomed, 4, 4, clRed);
    doomed.reset();
}
