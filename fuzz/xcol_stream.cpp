// The "XCOL" item-collection stream: any bytes either read into a collection or end in an exception; a
// collection read whole writes a stream that reads back to the same bytes.
#include "ComponentStreams.h"
#include "GLXCollection.h"
#include "Streams.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

class TFuzzUniqueItem : public TGLXCollectionItem {
public:
    explicit TFuzzUniqueItem(TGLXCollection* aOwner)
        : TGLXCollectionItem(aOwner, XCollectionItemClassOf<TFuzzUniqueItem>())
    {
    }
    static bool UniqueItem() { return true; }
};

TMemoryStream Write(TGLXCollection& collection)
{
    TMemoryStream stream;
    TWriter writer(stream);
    collection.WriteToFiler(writer);
    return stream;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    AddXCollectionItemClass<TGLXCollectionItem>();
    AddXCollectionItemClass<TFuzzUniqueItem>();

    TMemoryStream input;
    input.WriteBuffer(data, static_cast<int64_t>(size));
    input.SetPosition(0);
    TGLXCollection collection(nullptr);
    try {
        TReader reader(input);
        collection.ReadFromFiler(reader);
    } catch (const Exception&) {
        return 0;
    }

    TMemoryStream first = Write(collection);
    first.SetPosition(0);
    TGLXCollection copy(nullptr);
    TReader reader(first);
    copy.ReadFromFiler(reader);
    TMemoryStream second = Write(copy);
    if (first.Size() != second.Size() || std::memcmp(first.Memory(), second.Memory(), first.Size()) != 0) std::abort();
    return 0;
}
