// RIFF/WAVE sound files: the whole file image is kept, and the PCM samples of its "data" chunk are handed to
// the sound back ends from inside it; 4-bit ADPCM samples (IMA and Microsoft) are decoded to 16-bit PCM beside it.
#pragma once

#include "GLSoundFileObjects.h"

#include <cstdint>
#include <memory>
#include <vector>

// A WAV file the engine cannot play: no format or data chunk, or a format other than PCM and 4-bit ADPCM.
class EInvalidWAVFile : public Exception {
public:
    using Exception::Exception;
};

class TGLWAVFile : public TGLSoundFile {
public:
    using TGLSoundFile::TGLSoundFile;

    static TGLDataFileCapabilities ClassCapabilities() { return dfcRead | dfcWrite; }
    TGLDataFileCapabilities Capabilities() const override { return ClassCapabilities(); }

    // A new file object with the same format, sampling and a copy of the image.
    TGLDataFile* CreateCopy(TPersistent* AOwner) const override;

    // Reads the RIFF image from the stream's position. Not RIFF or not WAVE fails the assertions "RIFF
    // required" and "RIFF-WAVE required"; no "fmt " chunk of at least 16 bytes, no "data" chunk, or a format
    // tag other than PCM (1), extensible (0xFFFE) and 4-bit ADPCM (2, 0x11) raises EInvalidWAVFile naming the
    // file. Every size is bounded by the stream: the image by the bytes left, the samples by the image. Other
    // PCM depths than 8 and 16 bits load; the back ends decide whether they can play them. ADPCM samples are
    // decoded (as many as the "fact" chunk counts, when it has one) and the sampling says 16 bits.
    void LoadFromStream(TStream& stream) override;
    // Writes the image unchanged.
    void SaveToStream(TStream& stream) override;

    const uint8_t* WAVData() const override { return FSize ? FData.get() : nullptr; }
    int32_t WAVDataSize() const override { return FSize; }
    const uint8_t* PCMData() const override
    {
        if (!FDecoded.empty()) return reinterpret_cast<const uint8_t*>(FDecoded.data());
        return FSize ? FData.get() + FPcmOffset : nullptr;
    }
    int32_t LengthInBytes() const override { return FLengthInBytes; }
    // Plays the samples once on the wave output, asynchronously; the sound of the previous call stops.
    void PlayOnWaveOut() override;

    const TWaveFormatEx& WaveFormat() const { return FWaveFormat; }
    int32_t PcmOffset() const { return FPcmOffset; }

private:
    TWaveFormatEx FWaveFormat;
    int32_t FPcmOffset = 0;
    int32_t FLengthInBytes = 0;
    std::unique_ptr<uint8_t[]> FData; // the RIFF image, FSize bytes
    int32_t FSize = 0;
    std::vector<int16_t> FDecoded; // the samples of a compressed image, as PCM
};

// Registers "wav" in the sound file registry.
void RegisterGLFileWAV();
