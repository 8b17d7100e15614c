// The JPEG picture: decoded on load to a 24-bit bitmap (grey and CMYK files too), encoded from it on save
// at CompressionQuality.
#pragma once

#include "Graphics.h"
#include "ImageCodecs.h"

#include <memory>

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;

    // From another JPEG picture or from a bitmap (its colour; alpha is dropped).
    void Assign(TPersistent* Source) override;

    int32_t Width() const override { return FBitmap->Width(); }
    int32_t Height() const override { return FBitmap->Height(); }
    // 1 to 100, 90 at first.
    int32_t CompressionQuality() const { return FCompressionQuality; }
    void SetCompressionQuality(int32_t value);
    // Whether the file read was progressive; when set, SaveToStream writes a progressive file.
    bool ProgressiveEncoding() const { return FProgressiveEncoding; }
    void SetProgressiveEncoding(bool value) { FProgressiveEncoding = value; }

    // Bad or truncated files raise EJPEG "JPEG error #n" and leave the picture as it was.
    void LoadFromStream(TStream& Stream) override;
    void SaveToStream(TStream& Stream) override;

protected:
    void Draw(TCanvas& ACanvas, const TRect& Rect) override;
    // A bitmap takes the pixels as a 24-bit picture.
    void AssignTo(TPersistent* Dest) override;

private:
    std::unique_ptr<TBitmap> FBitmap;
    int32_t FCompressionQuality = 90;
    bool FProgressiveEncoding = false;
};
