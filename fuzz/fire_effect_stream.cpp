// A scene object's effects stream from any bytes, as fire effects are stored: either the read ends in an
// exception, or the effects, once loaded, find only the fire manager named "fire" (or none) and write a stream
// that reads back to the same bytes.
#include "ComponentStreams.h"
#include "GLFireFX.h"
#include "GLObjects.h"
#include "Streams.h"
#include "VAVodad.h"

#include "GameFuzzFiles.h"

#include <cstdint>
#include <cstring>

namespace {

TMemoryStream Write(TGLBaseSceneObject& object)
{
    TMemoryStream stream;
    TWriter writer(stream);
    object.Effects()->WriteToFiler(writer);
    return stream;
}

// Reads the stream into the object's effects and resolves their managers.
void Read(TGLBaseSceneObject& object, TStream& stream)
{
    stream.SetPosition(0);
    TReader reader(stream);
    object.Effects()->ReadFromFiler(reader);
    object.Effects()->Loaded();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TVAVodad* const scene = new TVAVodad(nullptr);
    static TGLFireFXManager* const manager = [] {
        auto* fire = new TGLFireFXManager(nullptr);
        fire->SetName("fire");
        return fire;
    }();

    TMemoryStream input;
    input.WriteBuffer(data, static_cast<int64_t>(size));
    auto* object = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(scene->Objects());
    try {
        Read(*object, input);
    } catch (const Exception&) {
        Free(object);
        return 0;
    }
    for (int32_t i = 0; i < object->Effects()->Count(); ++i)
        if (auto* fire = dynamic_cast<TGLBFireFX*>(object->Effects()->Items(i)))
            Check(fire->Manager() == nullptr || fire->Manager() == manager);

    TMemoryStream first = Write(*object);
    auto* copy = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(scene->Objects());
    Read(*copy, first);
    TMemoryStream second = Write(*copy);
    Check(first.Size() == second.Size() && std::memcmp(first.Memory(), second.Memory(), first.Size()) == 0);
    Free(copy);
    Free(object);
    Check(manager->ClientCount() == 0);
    return 0;
}
