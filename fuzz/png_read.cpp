// PNG files through the picture class (8-bit B, G, R rows) and through the codec core's native layout, as
// the engine's reader uses it: a file either loads or raises.
#include "ImageCodecs.h"
#include "PngImage.h"
#include "Streams.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int64_t>(size));
    try {
        stream.SetPosition(0);
        TPngImage png;
        png.LoadFromStream(stream);
    } catch (const Exception&) {
    }
    try {
        stream.SetPosition(0);
        TPngDecoder decoder(stream);
        const int bytesPerPixel = decoder.SetLayout(TPixelLayout::Native);
        const size_t stride = size_t(decoder.Info().Width) * bytesPerPixel;
        std::vector<uint8_t> pixels(stride * decoder.Info().Height);
        decoder.ReadImage(pixels.data(), static_cast<ptrdiff_t>(stride), true);
    } catch (const Exception&) {
    }
    return 0;
}
