// Images to and from the platform's bitmaps and pictures. Bitmaps store their top row first, images their
// bottom row first.
#include "GLGraphics.h"
#include "Graphics.h"
#include "OpenGLAdapter.h"
#include "PngImage.h"

#include <algorithm>
#include <cstring>
#include <memory>

void ConvertBGR24ToRGBA32(const uint8_t* src, uint8_t* dest, size_t count)
{
    for (size_t i = 0; i < count; ++i, src += 3, dest += 4) {
        dest[0] = src[2];
        dest[1] = src[1];
        dest[2] = src[0];
        dest[3] = 255;
    }
}

void CopyRGB24ToRGBA32(const uint8_t* src, uint8_t* dest, size_t count)
{
    for (size_t i = 0; i < count; ++i, src += 3, dest += 4) {
        std::memcpy(dest, src, 3);
        dest[3] = 255;
    }
}

void SwapRedBlue32(const uint8_t* src, uint8_t* dest, size_t count)
{
    for (size_t i = 0; i < count; ++i, src += 4, dest += 4) {
        const uint8_t red = src[0];
        dest[0] = src[2];
        dest[1] = src[1];
        dest[2] = red;
        dest[3] = src[3];
    }
}

void NarrowedRowToBGRA(const TGLBaseImage& image, int32_t y, uint8_t* dest)
{
    const size_t width = static_cast<size_t>(image.Width());
    const uint8_t* src = image.DataBytes() + static_cast<size_t>(y) * width * image.ElementSize();
    if (image.ElementSize() == 4)
        SwapRedBlue32(src, dest, width);
    else
        ConvertBGR24ToRGBA32(src, dest, width); // R, G, B becomes B, G, R, 255
}

void TGLImage::Assign(TPersistent* Source)
{
    if (dynamic_cast<TGLBaseImage*>(Source)) {
        AssignImage(static_cast<TGLBaseImage*>(Source));
        return;
    }
    auto* bitmap = dynamic_cast<TBitmap*>(Source);
    if (bitmap && (bitmap->Width() % 4 == 0 || GetCurrentGL()->EXT_bgra)) {
        if (bitmap->PixelFormat() == pf24bit)
            AssignFrom24BitsBitmap(bitmap);
        else
            AssignFrom32BitsBitmap(bitmap);
        return;
    }
    if (auto* png = dynamic_cast<TPngImage*>(Source)) {
        AssignFromPngImage(png);
        return;
    }
    if (auto* graphic = dynamic_cast<TGraphic*>(Source)) {
        // Drawn at its size when its width is a multiple of 4, else stretched to the next multiple of 4.
        TBitmap temporary;
        temporary.SetPixelFormat(pf24bit);
        const int32_t width = graphic->Width() % 4 == 0 ? graphic->Width() : (graphic->Width() / 4) * 4 + 4;
        temporary.SetSize(width, graphic->Height());
        if (width == graphic->Width())
            temporary.Canvas()->Draw(0, 0, graphic);
        else
            temporary.Canvas()->StretchDraw(TRect{0, 0, width, graphic->Height()}, graphic);
        AssignFrom24BitsBitmap(&temporary);
        return;
    }
    TGLBaseImage::Assign(Source);
}

template <class F> void TGLImage::TakeBitmapRows(TBitmap* aBitmap, GLenum colorFormat, int32_t elementSize, F copyRow)
{
    UnMipmap();
    InitPlainImage(aBitmap->Width(), aBitmap->Height(), colorFormat, tfRGBA8, GL_UNSIGNED_BYTE, elementSize);
    FBlank = false;
    const int32_t h = Height();
    const size_t rowBytes = static_cast<size_t>(Width()) * elementSize;
    // The picture keeps its orientation: the top bitmap row becomes the last buffer row.
    for (int32_t i = 0; i < h; ++i) {
        const int32_t bitmapRow = FVerticalReverseOnAssignFromBitmap ? i : h - 1 - i;
        copyRow(aBitmap->ScanLine(bitmapRow), DataBytes() + i * rowBytes, static_cast<size_t>(Width()));
    }
}

void TGLImage::AssignFrom24BitsBitmap(TBitmap* aBitmap)
{
    Assert(aBitmap->PixelFormat() == pf24bit, "", cGLGraphicsUnit);
    if (GetCurrentGL()->EXT_bgra) {
        TakeBitmapRows(aBitmap, GL_BGR, 3,
                       [](const uint8_t* src, uint8_t* dest, size_t count) { std::memcpy(dest, src, count * 3); });
        return;
    }
    Assert(aBitmap->Width() % 4 == 0, "", cGLGraphicsUnit);
    TakeBitmapRows(aBitmap, GL_RGBA, 4, ConvertBGR24ToRGBA32);
}

void TGLImage::AssignFromBitmap24WithoutRGBSwap(TBitmap* aBitmap)
{
    Assert(aBitmap->PixelFormat() == pf24bit, "", cGLGraphicsUnit);
    Assert(aBitmap->Width() % 4 == 0, "", cGLGraphicsUnit);
    TakeBitmapRows(aBitmap, GL_RGBA, 4, CopyRGB24ToRGBA32);
}

void TGLImage::AssignFrom32BitsBitmap(TBitmap* aBitmap)
{
    Assert(aBitmap->PixelFormat() == pf32bit, "", cGLGraphicsUnit);
    if (GetCurrentGL()->EXT_bgra) {
        TakeBitmapRows(aBitmap, GL_BGRA, 4,
                       [](const uint8_t* src, uint8_t* dest, size_t count) { std::memcpy(dest, src, count * 4); });
        return;
    }
    Assert(aBitmap->Width() % 4 == 0, "", cGLGraphicsUnit);
    TakeBitmapRows(aBitmap, GL_RGBA, 4, SwapRedBlue32);
}

void TGLImage::AssignFromPngImage(TPngImage* aPngImage)
{
    if (aPngImage->Width() % 4 != 0) aPngImage->Resize((aPngImage->Width() / 4) * 4 + 4, aPngImage->Height());
    UnMipmap();
    InitPlainImage(aPngImage->Width(), aPngImage->Height(), GL_RGBA, tfRGBA8, GL_UNSIGNED_BYTE, 4);
    FBlank = false;
    // The picture's rows are B, G, R (, A) whatever the file's colour type.
    const bool alpha = aPngImage->HasAlpha();
    const int32_t w = Width(), h = Height();
    for (int32_t i = 0; i < h; ++i) {
        const uint8_t* src = aPngImage->Scanline(h - 1 - i);
        uint8_t* dest = DataBytes() + static_cast<size_t>(i) * w * 4;
        if (alpha)
            SwapRedBlue32(src, dest, static_cast<size_t>(w));
        else
            ConvertBGR24ToRGBA32(src, dest, static_cast<size_t>(w));
    }
}

TBitmap* TGLImage::Create32BitsBitmap()
{
    if (FBlank) return nullptr;
    auto bitmap = std::make_unique<TBitmap>();
    // The picture's top is the buffer's last row, whatever the reverse flag says.
    {
        const TScopedValue reverse(FVerticalReverseOnAssignFromBitmap, false);
        AssignToBitmap(bitmap.get());
    }
    return bitmap.release();
}

void TGLImage::AssignToBitmap(TBitmap* aBitmap)
{
    Narrow();
    aBitmap->SetPixelFormat(pf32bit);
    aBitmap->SetSize(Width(), Height());
    if (fData.size() < static_cast<size_t>(Width()) * Height() * fElementSize) return;
    const int32_t h = Height();
    for (int32_t a = 0; a < h; ++a)
        NarrowedRowToBGRA(*this, a, aBitmap->ScanLine(FVerticalReverseOnAssignFromBitmap ? a : h - 1 - a));
}
