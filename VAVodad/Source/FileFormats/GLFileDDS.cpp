#include "GLFileDDS.h"

#include "DXTC.h"
#include "GLContext.h"
#include "OpenGLAdapter.h"

#include <algorithm>
#include <cstring>

int32_t vDDSDetailLevel = 0;
bool vVerticalFlipDDS = true;

namespace {

const char* const cInvalidDDS = "Invalid DDS file";
constexpr int32_t cMaxFileLevels = 16;

} // namespace

size_t TGLDDSImage::FileLevelBytes(int32_t width, int32_t height, int32_t depth) const
{
    uint64_t across = static_cast<uint64_t>(std::max(width, 1));
    uint64_t down = static_cast<uint64_t>(std::max(height, 1));
    if (IsCompressed()) {
        across = (across + 3) / 4;
        down = (down + 3) / 4;
    }
    return static_cast<size_t>(across * down * static_cast<uint64_t>(std::max(depth, 1)) *
                               static_cast<uint64_t>(fElementSize));
}

void TGLDDSImage::FlipLevelVertically(uint8_t* data, int32_t width, int32_t height, int32_t depth) const
{
    const size_t slices = static_cast<size_t>(std::max(depth, 1));
    if (!IsCompressed()) {
        const size_t rowBytes = static_cast<size_t>(width) * fElementSize;
        const size_t sliceBytes = rowBytes * height;
        for (size_t s = 0; s < slices; ++s) {
            uint8_t* slice = data + s * sliceBytes;
            for (int32_t r = 0; r < height / 2; ++r)
                std::swap_ranges(slice + r * rowBytes, slice + (r + 1) * rowBytes,
                                 slice + (height - 1 - r) * rowBytes);
        }
        return;
    }
    const int32_t blockSize = DXTBlockSize(fColorFormat);
    if (blockSize == 0) return; // only the DXT formats can be flipped block by block
    const size_t bw = (static_cast<size_t>(width) + 3) / 4, bh = (static_cast<size_t>(height) + 3) / 4;
    const size_t rowBytes = bw * blockSize;
    for (size_t s = 0; s < slices; ++s) {
        uint8_t* slice = data + s * rowBytes * bh;
        if (height < 4) {
            // A level less than one block high: only its own rows are reversed, never the padding rows.
            FlipDXTBlockRows(fColorFormat, slice, bw, height);
            continue;
        }
        // Heights that are not a multiple of 4 shift by the padding rows of the last block row.
        for (size_t r = 0; r < bh / 2; ++r) {
            uint8_t* top = slice + r * rowBytes;
            uint8_t* bottom = slice + (bh - 1 - r) * rowBytes;
            FlipDXTBlockRows(fColorFormat, top, bw, 4);
            FlipDXTBlockRows(fColorFormat, bottom, bw, 4);
            std::swap_ranges(top, top + rowBytes, bottom);
        }
        if (bh % 2 == 1) FlipDXTBlockRows(fColorFormat, slice + (bh / 2) * rowBytes, bw, 4);
    }
}

void TGLDDSImage::LoadFromStream(TStream& stream)
{
    TDDSHeader header{};
    if (stream.Read(&header, sizeof(header)) != static_cast<int64_t>(sizeof(header)) || header.Magic != FOURCC_DDS ||
        header.SurfaceFormat.dwSize != 124 || header.SurfaceFormat.ddpfPixelFormat.dwSize != 32)
        throw EInvalidRasterFile(cInvalidDDS);
    const TDDSurfaceDesc2& desc = header.SurfaceFormat;
    TDDS_HEADER_DXT10 headerDX10{};
    const bool hasDX10 = (desc.ddpfPixelFormat.dwFlags & DDPF_FOURCC) && desc.ddpfPixelFormat.dwFourCC == FOURCC_DX10;
    if (hasDX10 && stream.Read(&headerDX10, sizeof(headerDX10)) != static_cast<int64_t>(sizeof(headerDX10)))
        throw EInvalidRasterFile(cInvalidDDS);

    const uint32_t caps2 = desc.ddsCaps.dwCaps2;
    const uint32_t depth = (caps2 & DDSCAPS2_VOLUME) && desc.dwDepth > 0 ? desc.dwDepth : 0;
    const uint32_t mipCount = (desc.dwFlags & DDSD_MIPMAPCOUNT) ? std::max<uint32_t>(desc.dwMipMapCount, 1) : 1;
    if (desc.dwWidth > cMaxRasterSide || desc.dwHeight > cMaxRasterSide || depth > cMaxRasterDepth ||
        mipCount > cMaxFileLevels)
        throw EInvalidRasterFile(cInvalidDDS);

    UnMipmap();
    SetLevel0(static_cast<int32_t>(desc.dwWidth), static_cast<int32_t>(desc.dwHeight), static_cast<int32_t>(depth));
    fCubeMap = (caps2 & DDSCAPS2_CUBEMAP) != 0;
    fTextureArray = false;
    if (fCubeMap && ((caps2 & DDSCAPS2_CUBEMAP_ALLFACES) != DDSCAPS2_CUBEMAP_ALLFACES || desc.dwWidth != desc.dwHeight))
        throw EInvalidRasterFile("Invalid cubemap");
    if (!DDSHeaderToGLFormat(header, headerDX10, hasDX10, fElementSize, fDataType, fColorFormat, fInternalFormat))
        throw EInvalidRasterFile("DDS errorneus format");

    // The levels of one face in the file, each with its own size, before any is dropped. An image with a
    // side of 0 holds no pixels, and the writer stores none.
    int32_t fileLevels = static_cast<int32_t>(mipCount);
    std::vector<size_t> levelBytes(fileLevels, 0);
    if (!IsEmpty()) {
        int32_t w = Width(), h = Height(), d = Depth();
        for (size_t& bytes : levelBytes) {
            bytes = FileLevelBytes(w, h, d);
            w = std::max(w / 2, 1);
            h = std::max(h / 2, 1);
            d /= 2;
        }
    }
    int32_t dropped = 0;
    switch (vDDSDetailLevel) {
    case 0:
        break;
    case 1:
        dropped = fileLevels > 1 ? 1 : 0;
        break;
    case 2:
        dropped = fileLevels > 2 ? 2 : 0;
        break;
    default:
        Assert(false, "Error: Unknown type!", "VAVodad\\Source\\FileFormats\\GLFileDDS");
    }
    if (dropped > 0) SetLevel0(Width() >> dropped, Height() >> dropped, Depth() >> dropped);
    // Levels below 1 x 1 are read past, not kept.
    fLevelCount = std::min(fileLevels - dropped, LevelCountForSize(Width(), Height(), Depth(), IsVolume()));

    const int32_t faces = fCubeMap ? 6 : 1;
    uint64_t faceBytes = 0;
    for (size_t bytes : levelBytes) faceBytes += bytes;
    const uint64_t available = static_cast<uint64_t>(std::max<int64_t>(stream.Size() - stream.Position(), 0));
    if (faceBytes * faces > available || faceBytes * faces > cMaxRasterBytes) throw EInvalidRasterFile(cInvalidDDS);

    FreeData();
    ResizeData(DataSize());
    if (IsEmpty()) return;
    for (int32_t face = 0; face < faces; ++face) {
        int32_t level = 0;
        for (int32_t fileLevel = 0; fileLevel < fileLevels; ++fileLevel) {
            const size_t bytes = levelBytes[fileLevel];
            if (fileLevel < dropped || level >= fLevelCount) {
                stream.Seek(static_cast<int64_t>(bytes), soCurrent);
                continue;
            }
            stream.ReadBuffer(GetLevelAddress(level, face), static_cast<int64_t>(bytes));
            ++level;
        }
    }
    if (!fCubeMap && vVerticalFlipDDS)
        for (int32_t level = 0; level < fLevelCount; ++level)
            FlipLevelVertically(GetLevelAddress(level), LevelWidth(level), LevelHeight(level), LevelDepth(level));
}

void TGLDDSImage::SaveToStream(TStream& stream)
{
    TDDSHeader header{};
    header.Magic = FOURCC_DDS;
    TDDSurfaceDesc2& desc = header.SurfaceFormat;
    desc.dwSize = 124;
    desc.ddpfPixelFormat.dwSize = 32;
    TDDS_HEADER_DXT10 headerDX10{};
    if (fTextureArray ||
        !GLFormatToDDSHeader(header, headerDX10, false, fElementSize, fDataType, fColorFormat, fInternalFormat))
        throw EInvalidRasterFile("These image format do not match the DDS format specification.");
    const size_t dataSize = DataSize();
    if (fData.size() < dataSize) throw EInvalidRasterFile("The image holds fewer pixels than its size announces");

    const bool mipmaps = fLevelCount > 1;
    // Slices carry the volume marks, a cube map's too: the reader reads a depth only with them.
    const bool slices = Depth() > 0;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    desc.dwFlags |= IsCompressed() ? DDSD_LINEARSIZE : DDSD_PITCH;
    if (mipmaps) desc.dwFlags |= DDSD_MIPMAPCOUNT;
    if (slices) desc.dwFlags |= DDSD_DEPTH;
    desc.dwHeight = static_cast<uint32_t>(Height());
    desc.dwWidth = static_cast<uint32_t>(Width());
    desc.dwPitchOrLinearSize = IsCompressed() ? static_cast<uint32_t>(FileLevelBytes(Width(), Height(), Depth()))
                                              : static_cast<uint32_t>(Width() * fElementSize);
    desc.dwDepth = static_cast<uint32_t>(Depth());
    desc.dwMipMapCount = mipmaps ? static_cast<uint32_t>(fLevelCount) : 0;
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    if (slices || mipmaps || fCubeMap) desc.ddsCaps.dwCaps |= DDSCAPS_COMPLEX;
    if (mipmaps) desc.ddsCaps.dwCaps |= DDSCAPS_MIPMAP;
    if (fCubeMap) desc.ddsCaps.dwCaps2 |= DDSCAPS2_CUBEMAP | DDSCAPS2_CUBEMAP_ALLFACES;
    if (slices) desc.ddsCaps.dwCaps2 |= DDSCAPS2_VOLUME;
    stream.WriteBuffer(&header, sizeof(header));
    if (IsEmpty()) return;

    // Face after face, each with its levels from the largest, as the reader expects.
    const bool flip = !fCubeMap && vVerticalFlipDDS;
    std::vector<uint8_t> scratch(flip ? FileLevelBytes(Width(), Height(), Depth()) : 0);
    for (int32_t face = 0; face < (fCubeMap ? 6 : 1); ++face)
        for (int32_t level = 0; level < fLevelCount; ++level) {
            const size_t bytes = FileLevelBytes(LevelWidth(level), LevelHeight(level), LevelDepth(level));
            const uint8_t* pixels = GetLevelAddress(level, face);
            if (flip) {
                std::memcpy(scratch.data(), pixels, bytes);
                FlipLevelVertically(scratch.data(), LevelWidth(level), LevelHeight(level), LevelDepth(level));
                pixels = scratch.data();
            }
            stream.WriteBuffer(pixels, static_cast<int64_t>(bytes));
        }
}

void TGLDDSImage::AssignFromTexture(TGLContext* textureContext, uint32_t textureHandle,
                                    TGLTextureTarget textureTarget, bool CurrentFormat, TGLInternalFormat intFormat)
{
    const TActiveContext use(textureContext, true);
    ReadTextureLevels(textureHandle, textureTarget, [&](GLenum queried) {
        fInternalFormat = CurrentFormat ? GLEnumToInternalFormat(queried) : intFormat;
        if (!InternalFormatFromMaskTable(fInternalFormat, fColorFormat, fDataType))
            InternalFormatPixelFormat(fInternalFormat, fColorFormat, fDataType);
    });
    if (fLevelCount == 0) fLevelCount = 1;
    GetCurrentGL()->CheckError();
}

void RegisterGLFileDDS()
{
    RegisterRasterFileFormat<TGLDDSImage>("dds", "Direct Draw Surface");
}
