// WAV files: any bytes either load or end in the reader's own refusals (an assertion for what is not
// RIFF/WAVE, EInvalidWAVFile for what cannot play); a loaded PCM file's samples lie inside its image, ADPCM
// ones are decoded and readable, and saving writes that image back.
#include "GLFileWAV.h"
#include "Streams.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream input;
    input.WriteBuffer(data, static_cast<int64_t>(size));
    input.SetPosition(0);
    TGLWAVFile file(nullptr);
    try {
        file.LoadFromStream(input);
    } catch (const EAssertionFailed&) {
        return 0;
    } catch (const EInvalidWAVFile&) {
        return 0;
    }
    const int64_t image = file.WAVDataSize();
    // Uncompressed samples lie inside the image; decoded ones beside it.
    const bool inside = file.WaveFormat().wFormatTag == WAVE_FORMAT_PCM ||
                        file.WaveFormat().wFormatTag == WAVE_FORMAT_EXTENSIBLE;
    if (image > static_cast<int64_t>(size) || file.LengthInBytes() < 0 ||
        (inside && file.PcmOffset() + int64_t{file.LengthInBytes()} > image))
        std::abort();
    // Every sample byte is readable.
    volatile uint8_t sum = 0;
    for (int32_t i = 0; i < file.LengthInBytes(); ++i) sum = sum + file.PCMData()[i];
    TMemoryStream output;
    file.SaveToStream(output);
    if (output.Size() != image || std::memcmp(output.Memory(), data, static_cast<size_t>(image)) != 0) std::abort();
    return 0;
}
