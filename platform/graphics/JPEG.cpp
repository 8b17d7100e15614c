#include "JPEG.h"

#include <algorithm>
#include <vector>

TJPEGImage::TJPEGImage() : FBitmap(std::make_unique<TBitmap>()) {}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::Assign(TPersistent* Source)
{
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(Source)) {
        if (jpeg == this) return;
        FBitmap->Assign(jpeg->FBitmap.get());
        FCompressionQuality = jpeg->FCompressionQuality;
        FProgressiveEncoding = jpeg->FProgressiveEncoding;
    } else if (auto* bitmap = dynamic_cast<TBitmap*>(Source)) {
        FBitmap->Assign(bitmap);
        FBitmap->SetPixelFormat(pf24bit);
        FBitmap->SetTransparent(false);
    } else {
        TGraphic::Assign(Source);
        return;
    }
    Changed();
}

void TJPEGImage::SetCompressionQuality(int32_t value)
{
    FCompressionQuality = std::clamp(value, 1, 100);
}

void TJPEGImage::LoadFromStream(TStream& Stream)
{
    TJpegDecoder decoder(Stream);
    decoder.SetLayout(TPixelLayout::BGR);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(static_cast<int32_t>(decoder.OutputWidth()), static_cast<int32_t>(decoder.OutputHeight()));
    if (!bitmap->Empty()) decoder.ReadImage(bitmap->ScanLine(0), bitmap->RowStride(), false);
    FBitmap = std::move(bitmap);
    FProgressiveEncoding = decoder.Info().Progressive;
    Changed();
}

void TJPEGImage::SaveToStream(TStream& Stream)
{
    if (Empty()) throw EJPEG("An empty picture cannot be written as JPEG");
    std::vector<const uint8_t*> rows(static_cast<size_t>(Height()));
    for (int32_t y = 0; y < Height(); ++y) rows[y] = FBitmap->ScanLine(y);
    EncodeJpeg(Stream, static_cast<uint32_t>(Width()), static_cast<uint32_t>(Height()), TPixelLayout::BGR,
               FCompressionQuality, rows.data(), FProgressiveEncoding);
}

void TJPEGImage::Draw(TCanvas& ACanvas, const TRect& Rect)
{
    ACanvas.StretchDraw(Rect, FBitmap.get());
}

void TJPEGImage::AssignTo(TPersistent* Dest)
{
    if (auto* bitmap = dynamic_cast<TBitmap*>(Dest))
        bitmap->Assign(FBitmap.get());
    else
        TGraphic::AssignTo(Dest);
}
