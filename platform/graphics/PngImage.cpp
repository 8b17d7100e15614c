#include "PngImage.h"

#include <vector>

TPngImage::TPngImage() : FPixels(std::make_unique<TBitmap>()) {}

TPngImage::~TPngImage() = default;

void TPngImage::TakePixels(std::unique_ptr<TBitmap> pixels, const TPngInfo& header)
{
    FPixels = std::move(pixels);
    FHeader = header;
    FTransparent = HasAlpha();
    FPixels->SetTransparent(FTransparent);
    Changed();
}

void TPngImage::Assign(TPersistent* Source)
{
    auto pixels = std::make_unique<TBitmap>();
    TPngInfo header;
    if (auto* png = dynamic_cast<TPngImage*>(Source)) {
        if (png == this) return;
        pixels->Assign(png->FPixels.get());
        header = png->FHeader;
    } else if (auto* bitmap = dynamic_cast<TBitmap*>(Source)) {
        pixels->Assign(bitmap);
        if (!bitmap->Transparent()) pixels->SetPixelFormat(pf24bit);
        header.Width = static_cast<uint32_t>(pixels->Width());
        header.Height = static_cast<uint32_t>(pixels->Height());
        header.BitDepth = 8;
        header.ColorType = pixels->PixelFormat() == pf32bit ? PNG_COLOR_RGB_ALPHA : PNG_COLOR_RGB;
    } else {
        TGraphic::Assign(Source);
        return;
    }
    TakePixels(std::move(pixels), header);
}

TColor TPngImage::Pixels(int32_t X, int32_t Y) const
{
    if (X < 0 || X >= Width()) throw EInvalidGraphic("Pixel index out of range");
    const uint8_t* p = std::as_const(*FPixels).ScanLine(Y) + X * FPixels->BytesPerPixel();
    return static_cast<TColor>(p[2] | p[1] << 8 | p[0] << 16);
}

void TPngImage::Resize(int32_t NewWidth, int32_t NewHeight)
{
    FPixels->SetSize(NewWidth, NewHeight);
    FHeader.Width = static_cast<uint32_t>(FPixels->Width());
    FHeader.Height = static_cast<uint32_t>(FPixels->Height());
    Changed();
}

void TPngImage::LoadFromStream(TStream& Stream)
{
    TPngDecoder decoder(Stream);
    const TPngInfo& info = decoder.Info();
    const bool alpha = (info.ColorType & 4) != 0 || info.HasTransparency;
    auto pixels = std::make_unique<TBitmap>();
    pixels->SetPixelFormat(alpha ? pf32bit : pf24bit);
    pixels->SetSize(static_cast<int32_t>(info.Width), static_cast<int32_t>(info.Height));
    decoder.SetLayout(alpha ? TPixelLayout::BGRA : TPixelLayout::BGR);
    decoder.ReadImage(pixels->ScanLine(0), pixels->RowStride(), false);
    TakePixels(std::move(pixels), info);
}

void TPngImage::SaveToStream(TStream& Stream)
{
    if (Empty()) throw EInvalidGraphic("An empty picture cannot be written as PNG");
    std::vector<const uint8_t*> rows(FHeader.Height);
    for (int32_t y = 0; y < Height(); ++y) rows[y] = FPixels->ScanLine(y);
    EncodePng(Stream, FHeader.Width, FHeader.Height, HasAlpha() ? TPixelLayout::BGRA : TPixelLayout::BGR, 8,
              rows.data());
}

void TPngImage::Draw(TCanvas& ACanvas, const TRect& Rect)
{
    ACanvas.StretchDraw(Rect, FPixels.get());
}

void TPngImage::AssignTo(TPersistent* Dest)
{
    if (auto* bitmap = dynamic_cast<TBitmap*>(Dest))
        bitmap->Assign(FPixels.get());
    else
        TGraphic::AssignTo(Dest);
}
