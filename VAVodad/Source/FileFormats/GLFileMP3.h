// MP3 sound files: the file's bytes are kept as they are; the sampling comes from the first frames when the
// file is read, and the samples are decoded to 16-bit PCM the first time a back end asks for them.
#pragma once

#include "GLSoundFileObjects.h"

#include <cstdint>
#include <vector>

// An MP3 file in which no MPEG audio frame can be found.
class EInvalidMP3File : public Exception {
public:
    using Exception::Exception;
};

class TGLMP3File : public TGLSoundFile {
public:
    using TGLSoundFile::TGLSoundFile;

    static TGLDataFileCapabilities ClassCapabilities() { return dfcRead | dfcWrite; }
    TGLDataFileCapabilities Capabilities() const override { return ClassCapabilities(); }

    // A new file object with a copy of the bytes and the sampling.
    TGLDataFile* CreateCopy(TPersistent* AOwner) const override;

    // Keeps the rest of the stream as the file's bytes and sets the sampling from the first frame (16 bits);
    // raises EInvalidMP3File naming the file when the bytes hold no frame.
    void LoadFromStream(TStream& stream) override;
    // Writes the bytes.
    void SaveToStream(TStream& stream) override;

    const uint8_t* WAVData() const override { return FData.empty() ? nullptr : FData.data(); }
    int32_t WAVDataSize() const override { return static_cast<int32_t>(FData.size()); }
    // The decoded samples (decoded on the first call, at most ten minutes of them), nullptr when none.
    const uint8_t* PCMData() const override;
    int32_t LengthInBytes() const override;
    // Fails the assertion "MP3 playback on WaveOut not supported.".
    void PlayOnWaveOut() override;

private:
    void Decode() const;

    std::vector<uint8_t> FData;
    mutable std::vector<uint8_t> FPCM;
    mutable bool FDecoded = false;
};

// Registers "mp3" in the sound file registry.
void RegisterGLFileMP3();
