// DDS files: any bytes either load into an image or end in EInvalidRasterFile. A loaded image in a format
// DDS can write saves and loads back to the same levels, and narrows to RGBA8 (or the error image). The DDS
// picture (the game's texture path) takes the same bytes and either loads or raises.
#include "DDSImage.h"
#include "GLFileDDS.h"
#include "Streams.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream input;
    input.WriteBuffer(data, static_cast<int64_t>(size));
    input.SetPosition(0);
    TDDSImage picture;
    try {
        picture.LoadFromStream(input);
    } catch (const Exception&) { // the file's errors, or the bitmap's refusal of a size beyond its limits
    }
    input.SetPosition(0);
    TGLDDSImage image;
    try {
        image.LoadFromStream(input);
    } catch (const EInvalidRasterFile&) {
        return 0;
    }

    TMemoryStream saved;
    bool written = true;
    try {
        image.SaveToStream(saved);
    } catch (const EInvalidRasterFile&) {
        written = false; // a format DDS reads but cannot write
    }
    if (written) {
        saved.SetPosition(0);
        TGLDDSImage again;
        again.LoadFromStream(saved);
        if (again.LevelCount() != image.LevelCount() || again.DataSize() != image.DataSize()) std::abort();
        // An empty image has no pixel storage to compare.
        for (int32_t level = 0; !image.IsEmpty() && level < image.LevelCount(); ++level)
            if (std::memcmp(again.GetLevelAddress(level), image.GetLevelAddress(level),
                            image.LevelSizeInByte(level)) != 0)
                std::abort();
    }

    TGLImage working;
    working.Assign(&image);
    working.Narrow();
    if (working.DataSize() > static_cast<size_t>(working.Width()) * working.Height() * 4 + 3) std::abort();
    return 0;
}
