// Writes 3DS chunk streams for the tests: nested chunks whose lengths are filled in when they close, and
// little-endian values and strings inside them.
//   TChunk3DSWriter w;
//   w.Chunk(M3DMAGIC, [&] { w.Chunk(M3D_VERSION, [&] { w.I32(3); }); });
//   auto stream = w.Stream();
#pragma once

#include "Streams.h"
#include "Types3DS.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class TChunk3DSWriter {
public:
    // Opens a chunk; its length is written when it closes.
    TChunk3DSWriter& Begin(uint16_t tag)
    {
        FOpen.push_back(FBytes.size());
        U16(tag);
        return U32(0);
    }
    TChunk3DSWriter& End()
    {
        const size_t start = FOpen.back();
        FOpen.pop_back();
        PatchU32(start + 2, static_cast<uint32_t>(FBytes.size() - start));
        return *this;
    }
    // A whole chunk: what body writes lies inside it.
    TChunk3DSWriter& Chunk(uint16_t tag, const std::function<void()>& body = {})
    {
        Begin(tag);
        if (body) body();
        return End();
    }

    TChunk3DSWriter& U8(uint8_t value) { return Raw(&value, 1); }
    TChunk3DSWriter& U16(uint16_t value) { return Little(value); }
    TChunk3DSWriter& I16(int16_t value) { return Little(static_cast<uint16_t>(value)); }
    TChunk3DSWriter& U32(uint32_t value) { return Little(value); }
    TChunk3DSWriter& I32(int32_t value) { return Little(static_cast<uint32_t>(value)); }
    TChunk3DSWriter& F32(float value)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        return Little(bits);
    }
    TChunk3DSWriter& Floats(std::initializer_list<float> values)
    {
        for (float value : values) F32(value);
        return *this;
    }
    // The characters and a zero byte.
    TChunk3DSWriter& Str(const std::string& text)
    {
        Raw(text.data(), text.size());
        return U8(0);
    }
    TChunk3DSWriter& Point(float x, float y, float z) { return Floats({x, y, z}); }
    TChunk3DSWriter& Face(uint16_t v1, uint16_t v2, uint16_t v3, uint16_t flag = 0)
    {
        return U16(v1).U16(v2).U16(v3).U16(flag);
    }
    TChunk3DSWriter& Raw(const void* data, size_t size)
    {
        const auto* bytes = static_cast<const uint8_t*>(data);
        FBytes.insert(FBytes.end(), bytes, bytes + size);
        return *this;
    }

    // A track header: flags, two unused Cardinals, the key count.
    TChunk3DSWriter& TrackHeader(uint16_t flags, uint32_t keyCount) { return U16(flags).U32(0).U32(0).U32(keyCount); }
    // A key header holding the values whose RFlags bits are set, in the file's order.
    TChunk3DSWriter& KeyHeader(const TKeyHeader3DS& key)
    {
        U32(static_cast<uint32_t>(key.Time)).U16(key.RFlags);
        const float values[] = {key.Tension, key.Continuity, key.Bias, key.EaseTo, key.EaseFrom};
        for (int bit = 0; bit < 5; ++bit)
            if (key.RFlags & (1u << bit)) F32(values[bit]);
        return *this;
    }

    // Overwrites four bytes already written, to make a length or count lie.
    TChunk3DSWriter& PatchU32(size_t offset, uint32_t value)
    {
        for (int i = 0; i < 4; ++i) FBytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
        return *this;
    }

    // Where the next byte goes: the offset of the next chunk's header.
    size_t Offset() const { return FBytes.size(); }
    const std::vector<uint8_t>& Bytes() const { return FBytes; }
    // A memory stream over the bytes written, at position 0.
    std::unique_ptr<TMemoryStream> Stream() const { return StreamOf(FBytes); }
    static std::unique_ptr<TMemoryStream> StreamOf(const std::vector<uint8_t>& bytes)
    {
        auto stream = std::make_unique<TMemoryStream>();
        stream->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        stream->SetPosition(0);
        return stream;
    }

private:
    template <class T> TChunk3DSWriter& Little(T value)
    {
        for (size_t i = 0; i < sizeof(T); ++i) FBytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
        return *this;
    }

    std::vector<uint8_t> FBytes;
    std::vector<size_t> FOpen;
};
