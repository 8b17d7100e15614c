// The small files of the texture images, read through the file hooks: the first byte chooses the reader (0
// the blank-image text, 1 the picture link, 2 the cube map), the rest is the file. A file either loads or
// raises; a loaded cube map builds its working image.
#include "GLApplicationFileIO.h"
#include "GLTexture.h"
#include "Streams.h"

#include <cstdint>
#include <memory>
#include <string>

namespace {

const uint8_t* vData = nullptr;
size_t vSize = 0;

void InstallHooks()
{
    static bool installed = false;
    if (installed) return;
    installed = true;
    SetStreamFactoryHook([](const std::string&, uint16_t) -> std::unique_ptr<TStream> {
        auto stream = std::make_unique<TMemoryStream>();
        if (vSize) stream->WriteBuffer(vData, static_cast<int64_t>(vSize));
        stream->SetPosition(0);
        return stream;
    });
    SetFileExistsHook([](const std::string&) { return true; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    InstallHooks();
    vData = data + 1;
    vSize = size - 1;
    try {
        switch (data[0] % 3) {
        case 0: {
            TGLBlankImage image(nullptr);
            image.LoadFromFile("image.txt");
            if (image.Width() < 1 || image.Height() < 1 || image.Depth() < 0) __builtin_trap();
            break;
        }
        case 1: {
            TGLPicFileImage image(nullptr);
            image.LoadFromFile("image.lnk");
            break;
        }
        default: {
            TGLCubeMapImage image(nullptr);
            image.LoadFromFile("image.cub");
            image.GetBitmap32();
            break;
        }
        }
    } catch (const Exception&) {
    }
    return 0;
}
