#include "GLGraphics.h"

#include "FileUtils.h"
#include "GLFileFormatRegistry.h"
#include "GLUtilities.h"
#include "ZODLog.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

// The error picture: "ERROR" in red capitals on black, 64 x 64 RGB, bottom row first.
const std::vector<uint8_t>& ErrorPicture()
{
    static const std::vector<uint8_t> picture = [] {
        // 5 x 7 glyphs, one byte per glyph row, bit 4 the leftmost column.
        static const uint8_t glyphE[7] = {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F};
        static const uint8_t glyphR[7] = {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11};
        static const uint8_t glyphO[7] = {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E};
        const uint8_t* const text[5] = {glyphE, glyphR, glyphR, glyphO, glyphR};
        constexpr int size = 64, scale = 2, advance = 6 * scale;
        constexpr int left = (size - (5 * advance - scale)) / 2, top = (size - 7 * scale) / 2;
        std::vector<uint8_t> pixels(size * size * 3, 0);
        for (int letter = 0; letter < 5; ++letter)
            for (int gy = 0; gy < 7 * scale; ++gy)
                for (int gx = 0; gx < 5 * scale; ++gx) {
                    if (!(text[letter][gy / scale] & (0x10 >> (gx / scale)))) continue;
                    const int x = left + letter * advance + gx;
                    const int row = size - 1 - (top + gy); // the picture's top is the buffer's last row
                    pixels[(row * size + x) * 3] = 255;
                }
        return pixels;
    }();
    return picture;
}

void LogConversionFailure(const TGLBaseImage& image)
{
    GlobalLogSession()->LogError(Format("%s: can't convert image to RGBA8 format", {image.ClassName()}));
}

bool HasNoAlphaChannel(TGLInternalFormat format)
{
    GLenum colorFormat, dataType;
    InternalFormatPixelFormat(format, colorFormat, dataType);
    switch (colorFormat) {
    case GL_RGB:
    case GL_BGR:
    case GL_RED:
    case GL_RG:
    case GL_LUMINANCE:
        return true;
    default:
        return false;
    }
}

} // namespace

int32_t LevelCountForSize(int32_t w, int32_t h, int32_t d, bool isVolume)
{
    int32_t count = 1;
    d = std::max(d, 1);
    while (w > 1 || h > 1 || (isVolume && d > 1)) {
        w = std::max(w / 2, 1);
        h = std::max(h / 2, 1);
        if (isVolume) d = std::max(d / 2, 1);
        ++count;
    }
    return count;
}

// ---------------------------------------------------------------------------------------------------------
// TGLBaseImage

TGLBaseImage::TGLBaseImage() : TGLDataFile(nullptr) {}

TGLBaseImage::~TGLBaseImage()
{
    for (TGLImageLevelDesc& level : FLOD) Free(level.PBO);
}

TGLDataFile* TGLBaseImage::CreateCopy(TPersistent* /*AOwner*/) const
{
    // The image formats are registered classes; anything else copies as a plain image.
    const TPersistentClass* registered = GetClass(ClassName());
    TGLBaseImage* copy = registered ? dynamic_cast<TGLBaseImage*>(registered->Create()) : nullptr;
    if (!copy) copy = new TGLBaseImage();
    copy->Assign(const_cast<TGLBaseImage*>(this));
    return copy;
}

int32_t TGLBaseImage::CheckedLevel(TGLImageLODRange level)
{
    Assert(level >= 0 && level < cMaxImageLevels, "Level index out of range", cGLGraphicsUnit);
    return level;
}

void TGLBaseImage::Assign(TPersistent* Source)
{
    if (!Source) return;
    auto* source = dynamic_cast<TGLBaseImage*>(Source);
    if (!source) {
        TGLDataFile::Assign(Source);
        return;
    }
    if (source == this) return;
    for (int i = 0; i < cMaxImageLevels; ++i) {
        FLOD[i] = source->FLOD[i];
        FLOD[i].PBO = nullptr; // the source keeps what it owns
    }
    fLevelCount = source->fLevelCount;
    fColorFormat = source->fColorFormat;
    fInternalFormat = source->fInternalFormat;
    fDataType = source->fDataType;
    fElementSize = source->fElementSize;
    fCubeMap = source->fCubeMap;
    fTextureArray = source->fTextureArray;
    const size_t size = source->DataSize();
    std::vector<uint8_t> copy(size, 0);
    if (const size_t present = std::min(size, source->fData.size()); present > 0)
        std::memcpy(copy.data(), source->fData.data(), present);
    fData.swap(copy);
}

void TGLBaseImage::LoadFromFile(const std::string& fileName)
{
    if (!HookedFileExists(fileName)) throw EInvalidRasterFile(Format("File %s not found", {fileName}));
    struct TResourceNameGuard {
        TGLBaseImage& image;
        const std::string& name;
        ~TResourceNameGuard() { image.SetResourceName(name); }
    } guard{*this, fileName};
    const std::unique_ptr<TStream> stream = CreateHookedFileStream(fileName, fmOpenRead | fmShareDenyNone);
    LoadFromStream(*stream);
}

void TGLBaseImage::SaveToFile(const std::string& fileName)
{
    SaveHookedFile(fileName, [this](TStream& stream) { SaveToStream(stream); });
    SetResourceName(fileName);
}

uint8_t* TGLBaseImage::GetLevelAddress(TGLImageLODRange level) const
{
    uint8_t* data = DataBytes();
    return data ? data + FLOD[CheckedLevel(level)].Offset : nullptr;
}

uint8_t* TGLBaseImage::GetLevelAddress(TGLImageLODRange level, int32_t face) const
{
    uint8_t* address = GetLevelAddress(level);
    return address ? address + face * (FLOD[level].Size / 6) : nullptr;
}

void TGLBaseImage::SetLevel0(int32_t w, int32_t h, int32_t d)
{
    FLOD[0].Width = w;
    FLOD[0].Height = h;
    FLOD[0].Depth = d;
}

void TGLBaseImage::InitPlainImage(int32_t w, int32_t h, GLenum colorFormat, TGLInternalFormat internalFormat,
                                  GLenum dataType, int32_t elementSize)
{
    SetLevel0(w, h, 0);
    fColorFormat = colorFormat;
    fInternalFormat = internalFormat;
    fDataType = dataType;
    fElementSize = elementSize;
    fCubeMap = false;
    fTextureArray = false;
    FreeData();
    ResizeData(DataSize());
}

void TGLBaseImage::UpdateLevelsInfo()
{
    const bool compressed = IsCompressed();
    auto levelSize = [&](int32_t w, int32_t h, int32_t d) -> size_t {
        uint64_t layers = static_cast<uint64_t>(std::max(fTextureArray ? FLOD[0].Depth : d, 0));
        if (layers == 0) layers = 1;
        uint64_t bw = static_cast<uint64_t>(std::max(w, 0));
        uint64_t bh = static_cast<uint64_t>(std::max(h, 0));
        if (compressed) {
            bw = (bw + 3) / 4;
            bh = (bh + 3) / 4;
        }
        if (bh == 0) bh = 1;
        uint64_t size = bw * bh * layers * static_cast<uint64_t>(std::max(fElementSize, 0));
        if (fCubeMap && !fTextureArray) size *= 6;
        return static_cast<size_t>((size + 3) & ~uint64_t(3));
    };
    int32_t w = FLOD[0].Width, h = FLOD[0].Height, d = FLOD[0].Depth;
    FLOD[0].Offset = 0;
    FLOD[0].Size = levelSize(w, h, d);
    for (int level = 1; level < cMaxImageLevels; ++level) {
        w = std::max(w / 2, 1);
        h = std::max(h / 2, 1);
        if (!fTextureArray) d /= 2;
        TGLImageLevelDesc& desc = FLOD[level];
        desc.Width = w;
        desc.Height = h;
        desc.Depth = d;
        desc.Offset = FLOD[level - 1].Offset + FLOD[level - 1].Size;
        desc.Size = levelSize(w, h, d);
    }
}

size_t TGLBaseImage::DataSize()
{
    if (IsEmpty()) return 0;
    UpdateLevelsInfo();
    const int32_t last = std::clamp(fLevelCount, 1, cMaxImageLevels) - 1;
    return FLOD[last].Offset + FLOD[last].Size;
}

TGLTextureTarget TGLBaseImage::GetTextureTarget() const
{
    TGLTextureTarget result = ttTexture2D;
    if (Height() == 1) result = ttTexture1D;
    if (fCubeMap) result = ttTextureCube;
    if (IsVolume()) result = ttTexture3D;
    if (fTextureArray) {
        result = Depth() < 2 ? ttTexture1DArray : ttTexture2DArray;
        if (fCubeMap) result = ttTextureCubeArray;
    }
    if (fInternalFormat >= tfFLOAT_R16 && fInternalFormat <= tfFLOAT_RGBA32) result = ttTextureRect;
    return result;
}

void TGLBaseImage::ResizeData(size_t size)
{
    fData.resize(size, 0);
}

void TGLBaseImage::UnMipmap()
{
    for (int level = 1; level < cMaxImageLevels; ++level) {
        FLOD[level].Width = 0;
        FLOD[level].Height = 0;
        FLOD[level].Depth = 0;
    }
    fLevelCount = 1;
}

void TGLBaseImage::Narrow()
{
    if (fColorFormat == GL_RGBA && Depth() == 0 && fDataType == GL_UNSIGNED_BYTE && fLevelCount == 1 &&
        !fTextureArray && !fCubeMap)
        return;
    UnMipmap();
    const TGLInternalFormat oldFormat = fInternalFormat;
    const size_t pixels = static_cast<size_t>(std::max(Width(), 0)) * static_cast<size_t>(std::max(Height(), 0));
    std::vector<uint8_t> narrowed(pixels * 4, 0);
    try {
        // The source must hold level 0 of the old layout; a blank or short buffer cannot be converted.
        UpdateLevelsInfo();
        if (pixels > 0 && fData.size() < FLOD[0].Size)
            throw EInvalidRasterFile("The image holds fewer pixels than its size announces");
        if (pixels > 0)
            ConvertImage(fData.data(), narrowed.data(), fColorFormat, GL_RGBA, fDataType, GL_UNSIGNED_BYTE,
                         Width(), Height(), fData.size(), narrowed.size());
    } catch (const Exception&) {
        LogConversionFailure(*this);
        SetErrorImage();
        return;
    }
    // Formats without alpha keep whatever their padding bits held: their pixels are opaque.
    if (HasNoAlphaChannel(oldFormat))
        for (size_t i = 3; i < narrowed.size(); i += 4) narrowed[i] = 255;
    fInternalFormat = tfRGBA8;
    fColorFormat = GL_RGBA;
    fDataType = GL_UNSIGNED_BYTE;
    fElementSize = 4;
    FLOD[0].Depth = 0;
    fTextureArray = false;
    fCubeMap = false;
    fData.swap(narrowed);
}

void TGLBaseImage::SetErrorImage()
{
    UnMipmap();
    SetLevel0(64, 64, 0);
    fColorFormat = GL_RGB;
    fInternalFormat = tfRGB8;
    fDataType = GL_UNSIGNED_BYTE;
    fElementSize = 3;
    fCubeMap = false;
    fTextureArray = false;
    const std::vector<uint8_t>& picture = ErrorPicture();
    fData.assign(picture.begin(), picture.end());
    ResizeData(DataSize());
}

void TGLBaseImage::GenerateMipmap(TImageFilterFunction AFilter)
{
    UnMipmap();
    if (IsVolume()) {
        // The lower levels of a volume are allocated, not computed; they start zeroed.
        fLevelCount = LevelCountForSize(Width(), Height(), Depth(), true);
        ResizeData(DataSize());
        return;
    }
    fLevelCount = LevelCountForSize(Width(), Height(), Depth(), false);
    ResizeData(DataSize());
    // Each face of a cube map and each layer of an array gets its own chain.
    const int32_t layers = fCubeMap && !fTextureArray ? 6 : std::max(Depth(), 1);
    const size_t blockW = IsCompressed() ? 4 : 1;
    auto layerStride = [&](int level) {
        const size_t bw = (static_cast<size_t>(FLOD[level].Width) + blockW - 1) / blockW;
        const size_t bh = (static_cast<size_t>(FLOD[level].Height) + blockW - 1) / blockW;
        return bw * std::max<size_t>(bh, 1) * static_cast<size_t>(fElementSize);
    };
    std::vector<TGLMipmapLevel> levels(fLevelCount - 1);
    for (int32_t k = 0; k < layers; ++k) {
        for (int32_t level = 1; level < fLevelCount; ++level)
            levels[level - 1] = {GetLevelAddress(level) + k * layerStride(level), layerStride(level)};
        Build2DMipmap(GetLevelAddress(0) + k * layerStride(0), levels, fColorFormat, fDataType, AFilter, Width(),
                      Height(), layerStride(0));
    }
}

bool TGLBaseImage::ConvertCrossToCubeMap()
{
    const int32_t w = Width(), h = Height();
    if (fCubeMap || fTextureArray || w / 3 != h / 4 || w % 3 != 0 || h % 4 != 0 || Depth() > 0 || IsEmpty())
        return false;
    const bool hadMipmaps = fLevelCount > 1;
    UnMipmap();
    // Work in whole blocks for compressed data, in pixels otherwise.
    const bool compressed = IsCompressed();
    const size_t across = compressed ? (static_cast<size_t>(w) + 3) / 4 : static_cast<size_t>(w);
    const size_t face = compressed ? ((static_cast<size_t>(h) + 3) / 4) / 4 : static_cast<size_t>(h) / 4;
    const size_t unit = static_cast<size_t>(fElementSize);
    UpdateLevelsInfo();
    if (fData.size() < FLOD[0].Size) return false;
    std::vector<uint8_t> cube(fData.size(), 0);
    struct TTile {
        int row, col;
        bool fromBottom; // -Z starts with its bottom line and mirrors each line
    };
    static const TTile tiles[6] = {{1, 2, false}, {1, 0, false}, {0, 1, false},
                                   {2, 1, false}, {1, 1, false}, {3, 1, true}};
    uint8_t* out = cube.data();
    for (const TTile& tile : tiles)
        for (size_t line = 0; line < face; ++line) {
            const size_t row = tile.fromBottom ? (3 - tile.row) * face + line : (4 - tile.row) * face - 1 - line;
            const uint8_t* in = fData.data() + (row * across + tile.col * face) * unit;
            if (!tile.fromBottom)
                std::memcpy(out, in, face * unit);
            else
                for (size_t x = 0; x < face; ++x) std::memcpy(out + x * unit, in + (face - 1 - x) * unit, unit);
            out += face * unit;
        }
    const int32_t side = static_cast<int32_t>(compressed ? face * 4 : face);
    SetLevel0(side, side, 0);
    fCubeMap = true;
    fData.swap(cube);
    ResizeData(DataSize());
    if (hadMipmaps) GenerateMipmap(ImageFilterTriangle);
    return true;
}

bool TGLBaseImage::ConvertToVolume(int32_t col, int32_t row, bool makeArray)
{
    if (fCubeMap) return false;
    if (Depth() > 0 && !fTextureArray && makeArray) {
        fTextureArray = true;
        return true;
    }
    if (fTextureArray && !makeArray) {
        fTextureArray = false;
        return true;
    }
    if (col * row < 1) return makeArray;
    const bool compressed = IsCompressed();
    const size_t across = compressed ? (static_cast<size_t>(Width()) + 3) / 4 : static_cast<size_t>(Width());
    const size_t down = compressed ? (static_cast<size_t>(Height()) + 3) / 4 : static_cast<size_t>(Height());
    const size_t tileW = across / static_cast<size_t>(col), tileH = down / static_cast<size_t>(row);
    if (tileW == 0 || tileH == 0) return false;
    UnMipmap();
    UpdateLevelsInfo();
    const size_t unit = static_cast<size_t>(fElementSize);
    if (fData.size() < across * down * unit) return false;
    std::vector<uint8_t> volume(tileW * tileH * unit * static_cast<size_t>(col * row), 0);
    uint8_t* out = volume.data();
    for (int32_t ty = 0; ty < row; ++ty)
        for (int32_t tx = 0; tx < col; ++tx)
            for (size_t y = 0; y < tileH; ++y) {
                std::memcpy(out, fData.data() + ((ty * tileH + y) * across + tx * tileW) * unit, tileW * unit);
                out += tileW * unit;
            }
    const int32_t scale = compressed ? 4 : 1;
    SetLevel0(static_cast<int32_t>(tileW) * scale, static_cast<int32_t>(tileH) * scale, col * row);
    fTextureArray = makeArray;
    fData.swap(volume);
    ResizeData(DataSize());
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// TGLImage

TGLImage::TGLImage() = default;

TGLDataFile* TGLImage::CreateCopy(TPersistent* /*AOwner*/) const
{
    auto* copy = new TGLImage();
    copy->Assign(const_cast<TGLImage*>(this));
    return copy;
}

void TGLImage::AssignImage(TGLBaseImage* source)
{
    auto* image = dynamic_cast<TGLImage*>(source);
    FBlank = image && image->Blank();
    if (!FBlank) {
        TGLBaseImage::Assign(source);
        return;
    }
    for (int i = 0; i < cMaxImageLevels; ++i) {
        FLOD[i] = image->FLOD[i];
        FLOD[i].PBO = nullptr;
    }
    fLevelCount = image->fLevelCount;
    fCubeMap = image->fCubeMap;
    fColorFormat = image->fColorFormat;
    fInternalFormat = image->fInternalFormat;
    fDataType = image->fDataType;
    fElementSize = image->fElementSize;
    fTextureArray = image->fTextureArray;
}

void TGLImage::SetWidth(int32_t val)
{
    if (val == FLOD[0].Width) return;
    Assert(val >= 0, "", cGLGraphicsUnit);
    FLOD[0].Width = val;
    FBlank = true;
}

void TGLImage::SetHeight(int32_t val)
{
    if (val == FLOD[0].Height) return;
    Assert(val >= 0, "", cGLGraphicsUnit);
    FLOD[0].Height = val;
    FBlank = true;
}

void TGLImage::SetDepth(int32_t val)
{
    if (val == FLOD[0].Depth) return;
    Assert(val >= 0, "", cGLGraphicsUnit);
    FLOD[0].Depth = val;
    FBlank = true;
}

void TGLImage::SetCubeMap(bool val)
{
    if (val == fCubeMap) return;
    fCubeMap = val;
    FBlank = true;
}

void TGLImage::SetTextureArray(bool val)
{
    if (val == fTextureArray) return;
    fTextureArray = val;
    FBlank = true;
}

void TGLImage::SetBlank(bool Value)
{
    if (!Value && !IsEmpty()) ResizeData(DataSize());
    FBlank = Value;
}

void TGLImage::GenerateMipmap(TImageFilterFunction AFilter)
{
    if (!FBlank) TGLBaseImage::GenerateMipmap(AFilter);
}

void TGLImage::UnMipmap()
{
    TGLBaseImage::UnMipmap();
    if (!FBlank && !IsEmpty()) ResizeData(DataSize());
}

void TGLImage::SetColorFormatDataType(GLenum colorFormat, GLenum dataType)
{
    if (FBlank) {
        fColorFormat = colorFormat;
        fDataType = dataType;
        return;
    }
    fOldColorFormat = fColorFormat;
    fOldDataType = fDataType;
    fColorFormat = colorFormat;
    fDataType = dataType;
    ConvertLevelsToNewFormat();
}

void TGLImage::ConvertLevelsToNewFormat()
{
    // Every level converts as one rectangle: its rows times its slices, faces or layers.
    auto rowsOf = [this](int level) {
        const int32_t slices = fCubeMap && !fTextureArray ? 6
                               : fTextureArray            ? std::max(Depth(), 1)
                                                          : std::max(FLOD[level].Depth, 1);
        return FLOD[level].Height * slices;
    };
    UpdateLevelsInfo();
    TGLImagePiramid oldLevels;
    std::copy(std::begin(FLOD), std::end(FLOD), std::begin(oldLevels));
    const size_t oldSize = IsEmpty() ? 0 : oldLevels[fLevelCount - 1].Offset + oldLevels[fLevelCount - 1].Size;
    fElementSize = PixelElementSize(fColorFormat, fDataType);
    std::vector<uint8_t> converted(DataSize(), 0);
    try {
        if (fData.size() < oldSize) throw EInvalidRasterFile("The image holds fewer pixels than its size announces");
        if (!IsEmpty())
            for (int32_t level = fLevelCount - 1; level >= 0; --level)
                ConvertImage(fData.data() + oldLevels[level].Offset, converted.data() + FLOD[level].Offset,
                             fOldColorFormat, fColorFormat, fOldDataType, fDataType, FLOD[level].Width,
                             rowsOf(level), oldLevels[level].Size, FLOD[level].Size);
    } catch (const Exception&) {
        LogConversionFailure(*this);
        SetErrorImage();
        return;
    }
    fData.swap(converted);
}

bool TGLImage::PreparePixels()
{
    if (FBlank || IsEmpty()) return false;
    Narrow();
    return fData.size() >= static_cast<size_t>(Width()) * static_cast<size_t>(Height()) * 4 && !IsEmpty() &&
           fColorFormat == GL_RGBA;
}

template <class F> void TGLImage::ForEachPixel(F f)
{
    if (!PreparePixels()) return;
    TGLPixel32* pixel = Data();
    const size_t count = DataSize() / 4;
    for (size_t i = 0; i < count; ++i) f(pixel[i]);
}

uint8_t* TGLImage::GetScanLine(int32_t index) const
{
    uint8_t* data = DataBytes();
    return data ? data + static_cast<size_t>(index) * static_cast<size_t>(Width()) * 4 : nullptr;
}

void TGLImage::SetAlphaFromIntensity()
{
    ForEachPixel([](TGLPixel32& p) { p.a = static_cast<uint8_t>((p.r + p.g + p.b) / 3); });
}

void TGLImage::SetAlphaTransparentForColor(uint32_t aColor)
{
    SetAlphaTransparentForColor(
        TGLPixel24{uint8_t(aColor & 0xFF), uint8_t((aColor >> 8) & 0xFF), uint8_t((aColor >> 16) & 0xFF)});
}

void TGLImage::SetAlphaTransparentForColor(TGLPixel32 aColor)
{
    SetAlphaTransparentForColor(TGLPixel24{aColor.r, aColor.g, aColor.b});
}

void TGLImage::SetAlphaTransparentForColor(TGLPixel24 aColor)
{
    ForEachPixel([aColor](TGLPixel32& p) {
        p.a = p.r == aColor.r && p.g == aColor.g && p.b == aColor.b ? 0 : 255;
    });
}

void TGLImage::SetAlphaToValue(uint8_t aValue)
{
    ForEachPixel([aValue](TGLPixel32& p) { p.a = aValue; });
}

void TGLImage::SetAlphaToFloatValue(float aValue)
{
    // Values beyond 0..1 saturate instead of wrapping around.
    SetAlphaToValue(static_cast<uint8_t>(std::clamp<int64_t>(Trunc(double(aValue) * 255.0), 0, 255)));
}

void TGLImage::InvertAlpha()
{
    ForEachPixel([](TGLPixel32& p) { p.a = static_cast<uint8_t>(255 - p.a); });
}

void TGLImage::SqrtAlpha()
{
    const uint8_t* table = SqrtByteTable();
    ForEachPixel([table](TGLPixel32& p) { p.a = table[(p.r + p.g + p.b) / 3]; });
}

void TGLImage::ApplyColorTable(const uint8_t* table)
{
    ForEachPixel([table](TGLPixel32& p) {
        p.r = table[p.r];
        p.g = table[p.g];
        p.b = table[p.b];
    });
}

void TGLImage::BrightnessCorrection(float factor)
{
    if (!DataBytes()) return;
    Assert(factor >= 0, "", cGLGraphicsUnit);
    std::array<uint8_t, 256> table;
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<uint8_t>(std::min<int64_t>(Round(double(factor) * i), 255));
    ApplyColorTable(table.data());
}

void TGLImage::GammaCorrection(float gamma)
{
    if (!DataBytes()) return;
    Assert(gamma > 0, "", cGLGraphicsUnit);
    const double exponent = gamma < 0.1f ? 10.0 : 1.0 / gamma;
    std::array<uint8_t, 256> table;
    for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(Round(std::pow(i / 255.0, exponent) * 255.0));
    ApplyColorTable(table.data());
}

void TGLImage::DownSampleByFactor2()
{
    if (Width() < 2 || Height() < 2 || !PreparePixels()) return;
    const int32_t w = Width(), w2 = w / 2, h2 = Height() / 2;
    uint8_t* data = DataBytes();
    uint8_t* out = data;
    for (int32_t y = 0; y < h2; ++y) {
        const uint8_t* row0 = data + static_cast<size_t>(2 * y) * w * 4;
        const uint8_t* row1 = row0 + static_cast<size_t>(w) * 4;
        for (int32_t x = 0; x < w2; ++x)
            for (int c = 0; c < 4; ++c, ++out) {
                const int i = x * 8 + c;
                *out = static_cast<uint8_t>((row0[i] + row0[i + 4] + row1[i] + row1[i + 4]) >> 2);
            }
    }
    SetLevel0(w2, h2, 0);
    ResizeData(DataSize());
}

void TGLImage::GrayScaleToNormalMap(float scale, bool wrapX, bool wrapY)
{
    if (!DataBytes() || !PreparePixels()) return;
    const int32_t w = Width(), h = Height();
    const TGLPixel32* src = Data();
    std::vector<TGLPixel32> normals(static_cast<size_t>(w) * h);
    auto g = [&](int32_t x, int32_t y) { return float(src[static_cast<size_t>(y) * w + x].g); };
    auto channel = [](float v) { return static_cast<uint8_t>(Round(std::clamp(v, -128.0f, 127.0f) + 128.0f)); };
    for (int32_t y = 0; y < h; ++y) {
        int32_t above, below;
        if (wrapY) {
            above = (y - 1) & (h - 1);
            below = (y + 1) & (h - 1);
        } else {
            above = y > 0 ? y - 1 : y;
            below = y < h - 1 ? y + 1 : y;
        }
        for (int32_t x = 0; x < w; ++x) {
            float dx;
            if (wrapX)
                dx = (g((x - 1) & (w - 1), y) - g((x + 1) & (w - 1), y)) * scale;
            else if (x == 0)
                dx = (g(0, y) - g(std::min(1, w - 1), y)) * scale;
            else if (x == w - 1)
                dx = (g(x - 1, y) - g(x, y)) * scale;
            else
                dx = (g(x - 1, y) - g(x + 1, y)) * scale;
            const float dy = (g(x, above) - g(x, below)) * scale;
            const float k = 127.0f / std::sqrt(dx * dx + dy * dy + 1.0f);
            normals[static_cast<size_t>(y) * w + x] = TGLPixel32{channel(dx * k), channel(dy * k), channel(k), 255};
        }
    }
    std::memcpy(DataBytes(), normals.data(), normals.size() * 4);
}

void TGLImage::NormalizeNormalMap()
{
    ForEachPixel([](TGLPixel32& p) {
        const float x = (p.r - 128) / 128.0f, y = (p.g - 128) / 128.0f, z = (p.b - 128) / 128.0f;
        const float length = std::sqrt(x * x + y * y + z * z);
        if (length == 0) { // no direction: straight up
            p.r = 128;
            p.g = 128;
            p.b = 255;
            return;
        }
        const float s = 1.0f / length;
        auto channel = [s](float v) { return static_cast<uint8_t>(Round(std::clamp(v * s, -1.0f, 1.0f) * 127 + 128)); };
        p.r = channel(x);
        p.g = channel(y);
        p.b = channel(z);
    });
}

// ---------------------------------------------------------------------------------------------------------
// Registry

TRasterFileFormatsList::~TRasterFileFormatsList()
{
    Clean();
}

void TRasterFileFormatsList::Add(const std::string& Ext, const std::string& Desc, int32_t DescID,
                                 const TGLBaseImageClass& AClass)
{
    auto* entry = new TRasterFileFormat();
    entry->Extension = LowerCase(Ext);
    entry->Description = Desc;
    entry->DescResID = DescID;
    entry->BaseImageClass = &AClass;
    TPersistentObjectList::Add(entry);
}

const TGLBaseImageClass* TRasterFileFormatsList::FindExt(std::string ext) const
{
    return FileFormatRegistry::FindExt(*this, &TRasterFileFormat::BaseImageClass, ext);
}

const TGLBaseImageClass& TRasterFileFormatsList::FindFromFileName(const std::string& fileName) const
{
    const std::string ext = FileFormatRegistry::ExtensionOf(fileName);
    const TGLBaseImageClass* found = FindExt(ext);
    if (!found) FileFormatRegistry::RaiseUnknownExtension<EInvalidRasterFile>(ext);
    return *found;
}

const TGLBaseImageClass& TRasterFileFormatsList::FindFromStream(TStream& AStream) const
{
    uint8_t magic[8] = {};
    const int64_t read = std::max<int64_t>(AStream.Read(magic, 8), 0);
    AStream.Seek(-read, soCurrent); // back by what was read, however short the stream
    static const uint8_t png[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    static const uint8_t jpg[8] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46};
    std::string name;
    if (read == 8) {
        if (std::memcmp(magic, "DDS ", 4) == 0)
            name = "DDS";
        else if (std::memcmp(magic + 4, "O3TC", 4) == 0)
            name = "O3TC";
        else if (magic[0] == 0x23 && magic[1] == 0x3F)
            name = "HDR";
        else if (std::memcmp(magic, png, 8) == 0)
            name = "PNG";
        else if (std::memcmp(magic, jpg, 8) == 0)
            name = "JPG";
    }
    const TGLBaseImageClass* found = FindExt(name);
    if (!found) FileFormatRegistry::RaiseUnknownExtension<EInvalidRasterFile>(name);
    return *found;
}

void TRasterFileFormatsList::Remove(const TGLBaseImageClass& AClass)
{
    FileFormatRegistry::Remove(*this, &TRasterFileFormat::BaseImageClass, AClass);
}

void TRasterFileFormatsList::BuildFilterStrings(const TGLBaseImageClass& imageFileClass, std::string& descriptions,
                                                std::string& filters, bool formatsThatCanBeOpened,
                                                bool formatsThatCanBeSaved) const
{
    FileFormatRegistry::BuildFilterStrings(*this, &TRasterFileFormat::BaseImageClass, imageFileClass, descriptions,
                                           filters, formatsThatCanBeOpened, formatsThatCanBeSaved);
}

std::string TRasterFileFormatsList::FindExtByIndex(int32_t index, bool formatsThatCanBeOpened,
                                                   bool formatsThatCanBeSaved) const
{
    return FileFormatRegistry::FindExtByIndex(*this, &TRasterFileFormat::BaseImageClass, index,
                                              formatsThatCanBeOpened, formatsThatCanBeSaved);
}

TRasterFileFormatsList& GetRasterFileFormats()
{
    static const std::unique_ptr<TRasterFileFormatsList> formats = std::make_unique<TRasterFileFormatsList>();
    return *formats;
}
