// BMP files read into a bitmap: a file either loads or raises, and a loaded bitmap writes and reads back the
// same pixels.
#include "Graphics.h"
#include "Streams.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int64_t>(size));
    stream.SetPosition(0);
    TBitmap bitmap;
    try {
        bitmap.LoadFromStream(stream);
    } catch (const Exception&) {
        return 0;
    }
    TMemoryStream written;
    bitmap.SaveToStream(written);
    written.SetPosition(0);
    TBitmap copy;
    copy.LoadFromStream(written);
    if (copy.Width() != bitmap.Width() || copy.Height() != bitmap.Height()) std::abort();
    // A bitmap 0 pixels wide has rows without storage: there is nothing to compare.
    for (int32_t y = 0; bitmap.Width() > 0 && y < bitmap.Height(); ++y)
        if (std::memcmp(copy.ScanLine(y), bitmap.ScanLine(y), size_t(bitmap.Width()) * bitmap.BytesPerPixel()))
            std::abort();
    return 0;
}
