// Helpers of the image tests: streams over byte vectors, a loader that reads an image from bytes, and images
// whose shape a test sets.
#pragma once

#include "GLGraphics.h"
#include "Raises.h"
#include "Streams.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using TBytes = std::vector<uint8_t>;

inline TMemoryStream StreamOf(const TBytes& bytes)
{
    TMemoryStream stream;
    if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    return stream;
}

inline TBytes BytesOf(TMemoryStream& stream)
{
    return TBytes(stream.Memory(), stream.Memory() + stream.Size());
}

template <class TImage> void LoadFromBytes(TImage& image, const TBytes& bytes)
{
    TMemoryStream stream = StreamOf(bytes);
    image.LoadFromStream(stream);
}

// The bytes of level 0 (all faces), as the image holds them.
inline TBytes LevelBytes(const TGLBaseImage& image, int level = 0)
{
    const uint8_t* start = image.GetLevelAddress(level);
    return TBytes(start, start + image.LevelSizeInByte(level));
}

// An image whose shape and format a test sets directly, its bytes zero until the test numbers them.
class TShapedImage : public TGLImage {
public:
    TShapedImage(int32_t w, int32_t h, int32_t d, TGLInternalFormat internalFormat, GLenum colorFormat,
                 GLenum dataType, int32_t elementSize, bool cube = false, bool array = false)
    {
        InitPlainImage(w, h, colorFormat, internalFormat, dataType, elementSize);
        SetLevel0(w, h, d);
        fCubeMap = cube;
        fTextureArray = array;
        ResizeData(DataSize());
    }
    // Count levels, with room for their bytes.
    void SetLevels(int32_t count)
    {
        fLevelCount = count;
        ResizeData(DataSize());
    }
    // Numbers the bytes from seed on, so that every byte of a copy counts.
    void Number(uint8_t seed = 1)
    {
        for (size_t i = 0; i < fData.size(); ++i) fData[i] = static_cast<uint8_t>(seed + i * 13);
    }
    // The buffer of a load refused after the image took the file's size.
    void KeepBytes(size_t count) { fData.resize(count); }
};

inline void PutLE32(TBytes& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// The message of the raster-file error that loading the bytes into a TImage raises; cNoException when they load.
template <class TImage> std::string LoadError(const TBytes& bytes)
{
    TImage image;
    return MessageOf<EInvalidRasterFile>([&] { LoadFromBytes(image, bytes); });
}
