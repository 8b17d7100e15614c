// MP3 files: any bytes either load (a frame was found) or raise EInvalidMP3File; a loaded file keeps its bytes
// and decodes to whole 16-bit sample frames of the sampling found at load.
#include "GLFileMP3.h"
#include "Streams.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream input;
    input.WriteBuffer(data, static_cast<int64_t>(size));
    input.SetPosition(0);
    TGLMP3File file(nullptr);
    try {
        file.LoadFromStream(input);
    } catch (const EInvalidMP3File&) {
        return 0;
    }
    if (file.WAVDataSize() != static_cast<int32_t>(size) || std::memcmp(file.WAVData(), data, size) != 0) std::abort();
    const TGLSoundSampling& sampling = file.Sampling();
    if (sampling.BitsPerSample() != 16 || sampling.NbChannels() < 1 || sampling.NbChannels() > 2 ||
        sampling.Frequency() <= 0)
        std::abort();
    const int32_t length = file.LengthInBytes();
    if (length % (2 * sampling.NbChannels()) != 0 || (length > 0) != (file.PCMData() != nullptr)) std::abort();
    return 0;
}
