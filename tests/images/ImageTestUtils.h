// Helpers of the image tests: streams over byte vectors and a loader that reads an image from bytes.
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
