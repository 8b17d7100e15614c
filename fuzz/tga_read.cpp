// TGA files: any bytes either load into an image or end in EInvalidRasterFile; a loaded image narrows to
// RGBA8 with exactly the pixels its size announces. The TGA picture (the game's texture path) takes the same
// bytes and either loads or raises ETGAException.
#include "GLFileTGA.h"
#include "Streams.h"
#include "TGA.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream input;
    input.WriteBuffer(data, static_cast<int64_t>(size));
    input.SetPosition(0);
    TTGAImage picture;
    try {
        picture.LoadFromStream(input);
    } catch (const ETGAException&) {
    }
    input.SetPosition(0);
    TGLTGAImage image;
    try {
        image.LoadFromStream(input);
    } catch (const EInvalidRasterFile&) {
        return 0;
    }
    TGLImage working;
    working.Assign(&image);
    working.Narrow();
    if (working.DataSize() != static_cast<size_t>(working.Width()) * working.Height() * 4) std::abort();
    return 0;
}
