// Files loaded by their name: a string list, a memory stream, a picture through the format of its extension
// and a persistent texture image. The first byte chooses the extension, the rest is the file, written to a
// folder of this process's own. Each either loads or raises; a memory stream holds the file's bytes.
#include "GLTexture.h"
#include "Graphics.h"
#include "StringLists.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

// A folder for the input file, removed when the program ends.
struct TScratchFolder {
    std::string Path;
    TScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "mirefall_fuzz_XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        Path = pattern;
    }
    ~TScratchFolder() { std::filesystem::remove_all(Path); }
};

const char* const cExtensions[] = {".txt", ".bmp", ".png", ".jpg", ".tga", ".dds"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    static const TScratchFolder folder;
    const std::string name = folder.Path + "/input" + cExtensions[data[0] % std::size(cExtensions)];
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(data + 1), std::streamsize(size - 1));

    try {
        TStringList().LoadFromFile(name);
    } catch (const Exception&) {
    }
    TMemoryStream memory;
    memory.LoadFromFile(name);
    if (memory.Size() != int64_t(size - 1) || (size > 1 && std::memcmp(memory.Memory(), data + 1, size - 1)))
        std::abort();
    try {
        TPicture().LoadFromFile(name);
    } catch (const Exception&) {
    }
    try {
        TGLPersistentImage image(nullptr);
        image.LoadFromFile(name);
        image.GetBitmap32();
    } catch (const Exception&) {
    }
    std::filesystem::remove(name);
    return 0;
}
