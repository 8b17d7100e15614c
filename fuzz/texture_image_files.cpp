// The files of the texture images, read through the file hooks: the first byte chooses the reader and the
// file's name (below), the rest is the file. A file either loads or raises; a loaded cube map builds its
// working image.
#include "GLApplicationFileIO.h"
#include "GLCompositeImage.h"
#include "GLTexture.h"
#include "Streams.h"

#include <cstdint>
#include <iterator>
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

enum TReaderKind { rkBlank, rkPicFile, rkCubeMap, rkComposite, rkCompositeStream, rkPersistent };

// The reader and the name the file is opened by. Values 0 to 2 of the first byte keep their readers, so the
// older seeds still reach what they were made for.
const struct {
    TReaderKind Kind;
    const char* FileName;
} cReaders[] = {
    {rkBlank, "image.txt"},       {rkPicFile, "image.lnk"},       {rkCubeMap, "image.cub"},
    {rkComposite, "image.png"},   {rkComposite, "image.jpg"},     {rkComposite, "image.tga"},
    {rkComposite, "image.dds"},   {rkCompositeStream, ""},        {rkPersistent, "image.bmp"},
    {rkPersistent, "image.png"},  {rkPersistent, "image.jpg"},    {rkPersistent, "image.tga"},
    {rkPersistent, "image.dds"},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    InstallHooks();
    vData = data + 1;
    vSize = size - 1;
    const auto& reader = cReaders[data[0] % std::size(cReaders)];
    try {
        switch (reader.Kind) {
        case rkBlank: {
            TGLBlankImage image(nullptr);
            image.LoadFromFile(reader.FileName);
            if (image.Width() < 1 || image.Height() < 1 || image.Depth() < 0) __builtin_trap();
            break;
        }
        case rkPicFile: {
            TGLPicFileImage image(nullptr);
            image.LoadFromFile(reader.FileName);
            break;
        }
        case rkCubeMap: {
            TGLCubeMapImage image(nullptr);
            image.LoadFromFile(reader.FileName);
            image.GetBitmap32();
            break;
        }
        case rkComposite: {
            TGLCompositeImage image(nullptr);
            image.LoadFromFile(reader.FileName);
            break;
        }
        case rkCompositeStream: {
            TMemoryStream stream;
            stream.WriteBuffer(vData, static_cast<int64_t>(vSize));
            stream.SetPosition(0);
            TGLCompositeImage image(nullptr);
            image.LoadFromStream(stream);
            break;
        }
        case rkPersistent: {
            TGLPersistentImage image(nullptr);
            image.LoadFromFile(reader.FileName);
            image.GetBitmap32();
            break;
        }
        }
    } catch (const Exception&) {
    }
    return 0;
}
