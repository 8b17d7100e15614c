// In-memory images and the registry of raster file formats. TGLBaseImage holds an image in any OpenGL pixel
// format with up to 16 mip levels, back to back in one buffer (bottom row first), as a plain 2D image, a
// volume, a cube map or a texture array; TGLImage is the working image (as a rule RGBA8) with its pixel
// operations. The image file formats descend from TGLBaseImage and register themselves by extension.
#pragma once

#include "GLApplicationFileIO.h"
#include "GLImageUtils.h"
#include "GLPersistentClasses.h"
#include "GLTextureFormat.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

// The unit name that the assertion texts of this unit's files carry.
inline constexpr const char* cGLGraphicsUnit = "VAVodad\\Source\\GLGraphics";

class TBitmap;
class TGLBaseImage;
class TGLContext;
class TPngImage;
class TGLTextureHandle;
struct TRect;

struct TGLPixel24 {
    uint8_t r, g, b;
};
struct TGLPixel32 {
    uint8_t r, g, b, a;
};
using PGLPixel32Array = TGLPixel32*;

// A level index 0..15.
using TGLImageLODRange = int32_t;
constexpr int32_t cMaxImageLevels = 16;

enum TGLLODStreamingState { ssKeeping, ssLoading, ssLoaded, ssTransfered };

// One mip level: its size, where it starts in the pixel buffer and how many bytes it holds with all its faces
// and layers. PBO, MapAddress, StreamOffset and State are carried for streaming, which nothing fills yet.
struct TGLImageLevelDesc {
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t Depth = 0;
    TObject* PBO = nullptr; // owned by the image when set
    void* MapAddress = nullptr;
    size_t Offset = 0;
    uint32_t StreamOffset = 0;
    size_t Size = 0;
    TGLLODStreamingState State = ssKeeping;
};
using TGLImagePiramid = TGLImageLevelDesc[cMaxImageLevels];

// The raster-file exception of images and image files.
class EInvalidRasterFile : public Exception {
public:
    using Exception::Exception;
};

// What the file readers accept: each side, the slices or layers, and the pixel bytes of the whole image.
constexpr uint32_t cMaxRasterSide = 16384;
constexpr uint32_t cMaxRasterDepth = 2048;
constexpr uint64_t cMaxRasterBytes = uint64_t(1) << 30;

// Pixel rows between platform bitmaps (B, G, R (, A)) and images (R, G, B, A): count pixels each.
void ConvertBGR24ToRGBA32(const uint8_t* src, uint8_t* dest, size_t count);
void CopyRGB24ToRGBA32(const uint8_t* src, uint8_t* dest, size_t count);
// Exchanges the first and third byte of each 4-byte pixel; src and dest may be the same.
void SwapRedBlue32(const uint8_t* src, uint8_t* dest, size_t count);
// Row y of a narrowed image (RGBA8, or the RGB8 error image) as B, G, R, A pixels.
void NarrowedRowToBGRA(const TGLBaseImage& image, int32_t y, uint8_t* dest);

// The number of levels down to 1 x 1 (and depth 1 for a volume); the depth of anything else takes no part.
int32_t LevelCountForSize(int32_t w, int32_t h, int32_t d, bool isVolume);

// Class reference of an image class: its name, its constructor and its class-level file capabilities, as
// BaseImageClassOf<T>() gives it. Each class has exactly one, so references compare by address.
class TGLBaseImageClass {
public:
    virtual ~TGLBaseImageClass() = default;
    virtual const std::string& ClassName() const = 0;
    virtual TGLBaseImage* Create() const = 0;
    virtual TGLDataFileCapabilities Capabilities() const = 0;
    // This class is aClass or descends from it.
    bool InheritsFrom(const TGLBaseImageClass& aClass) const { return aClass.IsAncestorOf(*this); }

protected:
    virtual bool IsAncestorOf(const TGLBaseImageClass& aClass) const = 0;
    // Throws a null pointer of the class's own type: a handler for an ancestor's pointer type catches it.
    [[noreturn]] virtual void ThrowClassPointer() const = 0;

    template <class T> friend class TGLBaseImageClassOf;
};

template <class T> class TGLBaseImageClassOf final : public TGLBaseImageClass {
public:
    const std::string& ClassName() const override { return ClassNameOf<T>(); }
    TGLBaseImage* Create() const override { return new T(); }
    TGLDataFileCapabilities Capabilities() const override { return T::ClassCapabilities(); }

protected:
    bool IsAncestorOf(const TGLBaseImageClass& aClass) const override
    {
        return ThrowsPointerTo<T>([&] { aClass.ThrowClassPointer(); });
    }
    [[noreturn]] void ThrowClassPointer() const override { throw static_cast<const T*>(nullptr); }
};

template <class T> const TGLBaseImageClass& BaseImageClassOf()
{
    static const TGLBaseImageClassOf<T> imageClass;
    return imageClass;
}

class TGLBaseImage : public TGLDataFile {
public:
    TGLBaseImage();
    ~TGLBaseImage() override;
    TGLBaseImage(const TGLBaseImage&) = delete;
    TGLBaseImage& operator=(const TGLBaseImage&) = delete;

    static TGLDataFileCapabilities ClassCapabilities() { return dfcRead; }
    TGLDataFile* CreateCopy(TPersistent* AOwner) const override;

    // A TGLBaseImage source: its levels, format and pixels; nullptr: nothing; anything else is refused.
    void Assign(TPersistent* Source) override;

    // The file operations shared by the image formats: a missing file raises "File %s not found"; the
    // resource name is the file name.
    void LoadFromFile(const std::string& fileName) override;
    void SaveToFile(const std::string& fileName) override;

    PGLPixel32Array Data() const { return reinterpret_cast<PGLPixel32Array>(DataBytes()); }
    uint8_t* DataBytes() const { return fData.empty() ? nullptr : const_cast<uint8_t*>(fData.data()); }
    int32_t LevelCount() const { return fLevelCount; }
    TGLInternalFormat InternalFormat() const { return fInternalFormat; }
    GLenum ColorFormat() const { return fColorFormat; }
    GLenum DataType() const { return fDataType; }
    int32_t ElementSize() const { return fElementSize; }
    bool CubeMap() const { return fCubeMap; }
    bool TextureArray() const { return fTextureArray; }
    int32_t Width() const { return FLOD[0].Width; }
    int32_t Height() const { return FLOD[0].Height; }
    int32_t Depth() const { return FLOD[0].Depth; }

    int32_t LevelWidth(TGLImageLODRange level) const { return FLOD[CheckedLevel(level)].Width; }
    int32_t LevelHeight(TGLImageLODRange level) const { return FLOD[CheckedLevel(level)].Height; }
    int32_t LevelDepth(TGLImageLODRange level) const { return FLOD[CheckedLevel(level)].Depth; }
    size_t LevelOffset(TGLImageLODRange level) const { return FLOD[CheckedLevel(level)].Offset; }
    size_t LevelSizeInByte(TGLImageLODRange level) const { return FLOD[CheckedLevel(level)].Size; }
    TObject* LevelPBO(TGLImageLODRange level) const { return FLOD[CheckedLevel(level)].PBO; }
    TGLLODStreamingState LevelStreamingState(TGLImageLODRange level) const { return FLOD[CheckedLevel(level)].State; }
    void SetLevelStreamingState(TGLImageLODRange level, TGLLODStreamingState state)
    {
        FLOD[CheckedLevel(level)].State = state;
    }
    // Data + the level's offset (+ face x (level size div 6) for a face of a cube map).
    uint8_t* GetLevelAddress(TGLImageLODRange level) const;
    uint8_t* GetLevelAddress(TGLImageLODRange level, int32_t face) const;

    // Bytes of levels 0 to LevelCount - 1 (the layout recomputed first); 0 when empty.
    size_t DataSize();
    bool IsEmpty() const { return Width() == 0 || Height() == 0; }
    bool IsCompressed() const { return IsCompressedInternalFormat(fInternalFormat); }
    bool IsVolume() const { return Depth() > 0 && !fTextureArray && !fCubeMap; }
    TGLTextureTarget GetTextureTarget() const;

    // Recomputes the 16 level descriptors from level 0: sizes rounded up to 4 bytes, levels back to back.
    void UpdateLevelsInfo();
    // Turns the image into one level of plain RGBA8 (first face, slice or layer); an image that cannot be
    // converted becomes the error image, and the failure is logged.
    void Narrow();
    virtual void GenerateMipmap(TImageFilterFunction AFilter);
    // Back to one level; the base keeps its buffer.
    virtual void UnMipmap();
    // The 64 x 64 RGB8 error picture.
    void SetErrorImage();
    // A cross of 3 x 4 tiles becomes a cube map; false (nothing changed) for any other shape.
    bool ConvertCrossToCubeMap();
    // col x row tiles become the slices of a volume (or the layers of an array with makeArray).
    bool ConvertToVolume(int32_t col, int32_t row, bool makeArray);

    // Uploads the image into AHandle's texture, already bound by the caller, with aTexFormat as the GL
    // internal format. The texture size (the image's, or powers of two without non-power-of-two support,
    // clamped to the context's maximum) is answered; an image of another size is rescaled, or uploaded without
    // pixels when it cannot be. Mipmaps are left to the driver when it offers that, else made here. Errors
    // earlier in the GL queue are cleared first; checking the upload's errors is the caller's.
    virtual void RegisterAsOpenGLTexture(TGLTextureHandle* AHandle, bool aMipmapGen, GLenum aTexFormat,
                                         int32_t& texWidth, int32_t& texHeight, int32_t& texDepth);
    // Reads every level (and face) of AHandle's texture back in the current context, or the handle's own;
    // false without a context or when the handle's data awaits an update. The internal format is the
    // texture's with CastToFormat, else intFormat; non-zero colorFormat and dataType replace its pair.
    virtual bool AssignFromTexture(TGLTextureHandle* AHandle, bool CastToFormat, TGLInternalFormat intFormat,
                                   GLenum colorFormat = 0, GLenum dataType = 0);

protected:
    // Reads every level (and face) of the texture name bound to target on unit 0 of the current context;
    // chooseFormat sets the internal format, colour format and data type from the queried internal format.
    // Answers whether a level was found; the buffer is emptied when none was.
    bool ReadTextureLevels(uint32_t name, TGLTextureTarget target,
                           const std::function<void(GLenum queriedFormat)>& chooseFormat);
    // Resizes the pixel buffer to size bytes; bytes that are new start at zero.
    void ResizeData(size_t size);
    void FreeData() { std::vector<uint8_t>().swap(fData); }
    void SetLevel0(int32_t w, int32_t h, int32_t d);
    // Makes the image w x h (depth 0) in the format, neither a cube map nor an array, with a new zeroed buffer
    // of the level layout's size; the level count is the caller's.
    void InitPlainImage(int32_t w, int32_t h, GLenum colorFormat, TGLInternalFormat internalFormat, GLenum dataType,
                        int32_t elementSize);
    // The blank state of a TGLImage; always false here.
    virtual bool IsBlankImage() const { return false; }
    static int32_t CheckedLevel(TGLImageLODRange level);

    std::unique_ptr<TStream> FSourceStream;
    TGLImageLODRange FStreamLevel = 0;
    std::unique_ptr<TObject, TFreeDeleter> FFinishEvent;
    std::vector<uint8_t> fData;
    TGLImagePiramid FLOD;
    int32_t fLevelCount = 1;
    GLenum fColorFormat = GL_RGBA;
    TGLInternalFormat fInternalFormat = tfRGBA8;
    GLenum fDataType = GL_UNSIGNED_BYTE;
    int32_t fElementSize = 4;
    bool fCubeMap = false;
    bool fTextureArray = false;
};

// The working image: writable size and shape, the blank state (size and format known, pixels not yet
// meaningful) and the pixel operations, each of which first narrows the image to RGBA8 and does nothing on a
// blank image or one without pixels.
class TGLImage : public TGLBaseImage {
public:
    TGLImage();
    TGLDataFile* CreateCopy(TPersistent* AOwner) const override;

    // A blank TGLImage source copies only its description. Platform pictures are taken with the picture's top
    // row as the image's last row: 24- and 32-bit bitmaps directly (when their width is a multiple of 4 or the
    // driver takes BGR order), PNG pictures by their rows, any other graphic drawn into a 24-bit bitmap.
    void Assign(TPersistent* Source) override;
    void AssignFrom24BitsBitmap(TBitmap* aBitmap);
    void AssignFrom32BitsBitmap(TBitmap* aBitmap);
    // A 24-bit bitmap of a width that is a multiple of 4, its bytes kept in their order, alpha 255.
    void AssignFromBitmap24WithoutRGBSwap(TBitmap* aBitmap);
    // A picture whose width is no multiple of 4 is first padded to the next one (the picture itself changes).
    void AssignFromPngImage(TPngImage* aPngImage);
    // A new 32-bit bitmap of the narrowed image (the caller owns it); nullptr for a blank image.
    TBitmap* Create32BitsBitmap();
    // Narrows and gives the bitmap the image's size and pixels at 32 bits.
    void AssignToBitmap(TBitmap* aBitmap);

    // An equal value changes nothing, a negative one fails an assertion; otherwise the image becomes blank.
    void SetWidth(int32_t val);
    void SetHeight(int32_t val);
    void SetDepth(int32_t val);
    void SetCubeMap(bool val);
    void SetTextureArray(bool val);
    void SetInternalFormat(TGLInternalFormat val) { fInternalFormat = val; }
    bool Blank() const { return FBlank; }
    // Leaving the blank state allocates the pixels of the current layout.
    void SetBlank(bool Value);
    bool VerticalReverseOnAssignFromBitmap() const { return FVerticalReverseOnAssignFromBitmap; }
    void SetVerticalReverseOnAssignFromBitmap(bool Value) { FVerticalReverseOnAssignFromBitmap = Value; }

    // Converts every level to the pair; a blank image only records it. Failure gives the error image.
    void SetColorFormatDataType(GLenum colorFormat, GLenum dataType);

    void GenerateMipmap(TImageFilterFunction AFilter) override;
    void UnMipmap() override;

    // Row index of level 0 (row 0 is the bottom row).
    uint8_t* GetScanLine(int32_t index) const;
    uint8_t* ScanLine(int32_t index) const { return GetScanLine(index); }

    // a := (r + g + b) div 3.
    void SetAlphaFromIntensity();
    // a := 0 where r, g, b equal the colour's, else 255. A platform colour is 0x00BBGGRR.
    void SetAlphaTransparentForColor(uint32_t aColor);
    void SetAlphaTransparentForColor(TGLPixel32 aColor);
    void SetAlphaTransparentForColor(TGLPixel24 aColor);
    void SetAlphaToValue(uint8_t aValue);
    // The value x 255, truncated and held in 0..255.
    void SetAlphaToFloatValue(float aValue);
    void InvertAlpha();
    // a := SqrtByteTable[(r + g + b) div 3].
    void SqrtAlpha();
    // Colour bytes through min(Round(factor x i), 255); alpha untouched. factor >= 0.
    void BrightnessCorrection(float factor);
    // Colour bytes through Round((i / 255)^(1 / gamma) x 255), the exponent 10 below gamma 0.1. gamma > 0.
    void GammaCorrection(float gamma);
    // Halves width and height by averaging 2 x 2 pixels; an odd last column or row is dropped.
    void DownSampleByFactor2();
    // Reads level 0 of a 2D texture as RGBA8 in the current context; the binding of the active unit is kept.
    void AssignFromTexture2D(uint32_t textureHandle);
    // The same in the handle's context (activated meanwhile); a null handle or name empties the image.
    void AssignFromTexture2D(TGLTextureHandle* textureHandle);
    // Reads the colour buffer from its origin: (Right - Left) rounded down to a multiple of 4 columns and
    // Bottom - Top rows, as RGBA8.
    void ReadPixels(const TRect& area);
    // Draws the pixels at the raster position (x, y); nothing for a blank or empty image.
    void DrawPixels(float x, float y);

    // Turns the green channel, taken as heights, into a normal map.
    void GrayScaleToNormalMap(float scale, bool wrapX = true, bool wrapY = true);
    void NormalizeNormalMap();

protected:
    bool IsBlankImage() const override { return FBlank; }

private:
    friend class TGLBaseImage; // uploads and read-backs set the blank state

    void AssignImage(TGLBaseImage* source);
    // Takes the bitmap's size and rows, each converted by copyRow(source row, buffer row, pixels).
    template <class F> void TakeBitmapRows(TBitmap* aBitmap, GLenum colorFormat, int32_t elementSize, F copyRow);
    // Narrows and answers whether there are pixels to work on.
    bool PreparePixels();
    // Applies f to every RGBA8 pixel after PreparePixels.
    template <class F> void ForEachPixel(F f);
    void ApplyColorTable(const uint8_t* table);
    void ConvertLevelsToNewFormat();

    bool FVerticalReverseOnAssignFromBitmap = false;
    bool FBlank = false;
    GLenum fOldColorFormat = GL_RGBA;
    GLenum fOldDataType = GL_UNSIGNED_BYTE;
};

// One registered file format.
class TRasterFileFormat : public TObject {
public:
    const TGLBaseImageClass* BaseImageClass = nullptr;
    std::string Extension; // lower case, without the dot
    std::string Description;
    int32_t DescResID = 0;
};

// The file formats by extension and signature; the last registration of an extension wins.
class TRasterFileFormatsList : public TPersistentObjectList {
public:
    ~TRasterFileFormatsList() override;

    void Add(const std::string& Ext, const std::string& Desc, int32_t DescID, const TGLBaseImageClass& AClass);
    // nullptr when no entry has the extension (letter case ignored).
    const TGLBaseImageClass* FindExt(std::string ext) const;
    // Raises EInvalidRasterFile "Unknown file extension ..." when the extension is not registered.
    const TGLBaseImageClass& FindFromFileName(const std::string& fileName) const;
    // Looks at the first 8 bytes at the stream's position (the position is kept) and raises like
    // FindFromFileName when they name no registered format.
    const TGLBaseImageClass& FindFromStream(TStream& AStream) const;
    // Deletes every entry of AClass or a descendant.
    void Remove(const TGLBaseImageClass& AClass);
    // File-dialog filters of the formats of imageFileClass (or descendants) that can be opened or saved.
    void BuildFilterStrings(const TGLBaseImageClass& imageFileClass, std::string& descriptions,
                            std::string& filters, bool formatsThatCanBeOpened = true,
                            bool formatsThatCanBeSaved = false) const;
    // The extension of the index-th (from 1) entry that can be opened or saved; '' when there is none.
    std::string FindExtByIndex(int32_t index, bool formatsThatCanBeOpened = true,
                               bool formatsThatCanBeSaved = false) const;

    TRasterFileFormat* Entry(int32_t index) const { return static_cast<TRasterFileFormat*>(Get(index)); }
};

// The process's registry, made on first use.
TRasterFileFormatsList& GetRasterFileFormats();

// Registers T with the class registry and appends it to the raster registry.
template <class T> void RegisterRasterFileFormat(const std::string& aExtension, const std::string& aDescription)
{
    RegisterClass<T>();
    GetRasterFileFormats().Add(aExtension, aDescription, 0, BaseImageClassOf<T>());
}
