// Scene files: any bytes, with or without a resource header, either load into the scene or end in an
// exception, and the scene is sound afterwards: it progresses, casts a ray, writes itself again and frees
// cleanly.
#include "Streams.h"
#include "VAVodad.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream input;
    input.WriteBuffer(data, static_cast<int64_t>(size));
    input.SetPosition(0);

    auto* scene = new TVAVodad(nullptr);
    try {
        if (size > 0 && data[0] == 0xFF) SkipSceneResourceHeader(input);
        scene->LoadFromStream(input);
    } catch (const Exception&) {
    }
    scene->Progress(0.125, 1);
    scene->RayCastIntersect(TVector4f{{{0, 0, 5, 1}}}, TVector4f{{{0, 0, -1, 0}}});
    TMemoryStream output;
    scene->SaveToStream(output);
    Free(scene);
    return 0;
}
