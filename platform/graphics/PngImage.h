// The PNG picture: decoded on load to 8-bit rows of B, G, R (and A when the file has any transparency),
// encoded from them on save. Any PNG colour type, bit depth and interlacing reads.
#pragma once

#include "Graphics.h"
#include "ImageCodecs.h"

#include <memory>

class TPngImage : public TGraphic {
public:
    TPngImage();
    ~TPngImage() override;

    // From another PNG picture, or from a bitmap: 24-bit bitmaps become colour type 2, transparent 32-bit
    // ones colour type 6 (alpha kept); opaque 32-bit bitmaps drop their fourth byte.
    void Assign(TPersistent* Source) override;

    int32_t Width() const override { return static_cast<int32_t>(FHeader.Width); }
    int32_t Height() const override { return static_cast<int32_t>(FHeader.Height); }
    // Of the file read, or of what the picture will write (8-bit colour type 2 or 6).
    const TPngInfo& Header() const { return FHeader; }
    // The pixels carry alpha: colour types 4 and 6, and pictures with a transparency chunk.
    bool HasAlpha() const { return FPixels->PixelFormat() == pf32bit; }
    // Row 0 is the top: B, G, R per pixel, and A after them when the picture has alpha.
    uint8_t* Scanline(int32_t Row) { return FPixels->ScanLine(Row); }
    // 0x00BBGGRR of a pixel; EInvalidGraphic outside the picture.
    TColor Pixels(int32_t X, int32_t Y) const;
    // Pads or crops: the pixels stay where they are, new ones are black and fully transparent.
    void Resize(int32_t NewWidth, int32_t NewHeight);

    // Bad or truncated files raise EInvalidGraphic and leave the picture as it was.
    void LoadFromStream(TStream& Stream) override;
    void SaveToStream(TStream& Stream) override;

protected:
    void Draw(TCanvas& ACanvas, const TRect& Rect) override;
    // A bitmap takes the pixels exactly (32 bits and transparent when the picture has alpha).
    void AssignTo(TPersistent* Dest) override;

private:
    void TakePixels(std::unique_ptr<TBitmap> pixels, const TPngInfo& header);

    TPngInfo FHeader;
    std::unique_ptr<TBitmap> FPixels;
};
