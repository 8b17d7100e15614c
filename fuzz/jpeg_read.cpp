// JPEG files through the picture class (24-bit bitmap) and through the codec core scaled to grey, as the
// engine's reader may use it: a file either loads or raises.
#include "ImageCodecs.h"
#include "JPEG.h"
#include "Streams.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int64_t>(size));
    try {
        stream.SetPosition(0);
        TJPEGImage jpeg;
        jpeg.LoadFromStream(stream);
    } catch (const Exception&) {
    }
    try {
        stream.SetPosition(0);
        TJpegDecoder decoder(stream);
        decoder.SetScale(2);
        decoder.SetLayout(TPixelLayout::Grey);
        std::vector<uint8_t> pixels(size_t(decoder.OutputWidth()) * decoder.OutputHeight());
        decoder.ReadImage(pixels.data(), static_cast<ptrdiff_t>(decoder.OutputWidth()), false);
    } catch (const Exception&) {
    }
    return 0;
}
