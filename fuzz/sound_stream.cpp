// A sound sample's data stream (class name, then the file's own bytes) and sound emitters in a scene object's
// behaviours stream: any bytes either read or end in an exception. What was read writes itself again into
// bytes that read back the same, and an emitter that was read plays and stops in an active manager.
#include "ComponentStreams.h"
#include "GLObjects.h"
#include "GLSound.h"
#include "Streams.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

TMemoryStream Input(const uint8_t* data, size_t size)
{
    TMemoryStream input;
    input.WriteBuffer(data, static_cast<int64_t>(size));
    input.SetPosition(0);
    return input;
}

bool SameBytes(TMemoryStream& a, TMemoryStream& b)
{
    return a.Size() == b.Size() && std::memcmp(a.Memory(), b.Memory(), static_cast<size_t>(a.Size())) == 0;
}

void SampleData(const uint8_t* data, size_t size)
{
    TMemoryStream input = Input(data, size);
    TGLSoundSample sample;
    try {
        sample.ReadData(input);
    } catch (const Exception&) {
        return;
    }
    (void)sample.GetDisplayName();
    TMemoryStream first;
    sample.WriteData(first);
    first.SetPosition(0);
    TGLSoundSample copy;
    copy.ReadData(first);
    TMemoryStream second;
    copy.WriteData(second);
    if (!SameBytes(first, second)) std::abort();
}

TMemoryStream WriteBehaviours(TGLBaseSceneObject& object)
{
    TMemoryStream stream;
    TWriter writer(stream);
    object.Behaviours()->WriteToFiler(writer);
    return stream;
}

void Emitters(const uint8_t* data, size_t size)
{
    TMemoryStream input = Input(data, size);
    std::unique_ptr<TGLDummyCube, TFreeDeleter> object(new TGLDummyCube(nullptr));
    try {
        TReader reader(input);
        object->Behaviours()->ReadFromFiler(reader);
    } catch (const Exception&) {
        return;
    }
    TMemoryStream first = WriteBehaviours(*object);
    std::unique_ptr<TGLDummyCube, TFreeDeleter> copy(new TGLDummyCube(nullptr));
    first.SetPosition(0);
    TReader reader(first);
    copy->Behaviours()->ReadFromFiler(reader);
    TMemoryStream second = WriteBehaviours(*copy);
    if (!SameBytes(first, second)) std::abort();

    // Loaded, the emitters stored as playing start in the active manager; an update and the end stop them.
    TGLSoundManager manager(nullptr);
    manager.SetActive(true);
    copy->Behaviours()->Loaded();
    manager.UpdateSources();
    manager.SetActive(false);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SampleData(data, size);
    Emitters(data, size);
    return 0;
}
