// The material library's archive read from arbitrary bytes: it either loads or raises with a message, and a
// library that loaded writes an archive that loads again.
#include "GLMaterial.h"
#include "Streams.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int64_t>(size));
    stream.SetPosition(0);
    TGLMaterialLibrary library(nullptr);
    try {
        library.LoadFromStream(stream);
    } catch (const Exception&) {
        return 0;
    }
    TMemoryStream written;
    library.SaveToStream(written);
    written.SetPosition(0);
    TGLMaterialLibrary copy(nullptr);
    copy.LoadFromStream(written);
    if (copy.Materials()->Count() != library.Materials()->Count()) std::abort();
    return 0;
}
