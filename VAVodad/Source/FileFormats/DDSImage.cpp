#include "DDSImage.h"

#include "DXTC.h"
#include "GLFileDDS.h"

void TDDSImage::LoadFromStream(TStream& Stream)
{
    TGLDDSImage image;
    image.LoadFromStream(Stream);
    const bool cubeMap = image.CubeMap();
    image.Narrow(); // the first level, face or slice, or the error image
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(image.Width(), image.Height());
    const int32_t h = image.Height();
    // The reader turned the rows bottom first, except for cube faces: this undoes it.
    for (int32_t r = 0; r < h && image.DataBytes(); ++r)
        NarrowedRowToBGRA(image, r, bitmap.ScanLine(cubeMap ? r : h - 1 - r));
    Assign(&bitmap);
    SetTransparent(true);
}

void TDDSImage::SaveToStream(TStream& Stream)
{
    TDDSHeader header{};
    header.Magic = FOURCC_DDS;
    TDDSurfaceDesc2& desc = header.SurfaceFormat;
    desc.dwSize = 124;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc.dwWidth = static_cast<uint32_t>(Width());
    desc.dwHeight = static_cast<uint32_t>(Height());
    const uint32_t bitCount = PixelFormat() == pf32bit ? 32 : 24;
    desc.dwPitchOrLinearSize = bitCount / 8 * desc.dwWidth;
    TDDPixelFormat& pf = desc.ddpfPixelFormat;
    pf.dwSize = 32;
    pf.dwFlags = DDPF_RGB;
    pf.dwRGBBitCount = bitCount;
    pf.dwRBitMask = 0xFF0000;
    pf.dwGBitMask = 0xFF00;
    pf.dwBBitMask = 0xFF;
    if (bitCount == 32 && Transparent()) {
        pf.dwFlags |= DDPF_ALPHAPIXELS;
        pf.dwRGBAlphaBitMask = 0xFF000000;
    }
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    Stream.WriteBuffer(&header, sizeof(header));
    for (int32_t row = 0; row < Height(); ++row) Stream.WriteBuffer(ScanLine(row), desc.dwPitchOrLinearSize);
}

void RegisterDDSPicture()
{
    TPicture::RegisterFileFormat("dds", "Microsoft DirectDraw Surface", GraphicClass<TDDSImage>());
}
