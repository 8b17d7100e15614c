// The material library's archive read from arbitrary bytes: it either loads or raises with a message, and a
// library that loaded writes an archive that loads again. The same bytes are merged into a library that holds
// a material already, and into the library they made, where every material exists and none is added.
#include "GLMaterial.h"
#include "Streams.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int64_t>(size));

    TGLMaterialLibrary held(nullptr);
    held.Materials()->Add()->SetName("pic"); // the name of the picture material among the seeds
    try {
        stream.SetPosition(0);
        held.AddMaterialsFromStream(stream);
    } catch (const Exception&) {
    }

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

    const int32_t count = library.Materials()->Count();
    stream.SetPosition(0);
    library.AddMaterialsFromStream(stream);
    if (library.Materials()->Count() != count) std::abort();
    return 0;
}
