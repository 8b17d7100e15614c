// Component streams whose root is a cadencer or a component that streams one of the engine's typed lists
// through its "Items" property (the upper-case hex of the list's archive): any bytes either read or raise,
// and a component that was read writes a stream that reads again.
#include "ComponentStreams.h"
#include "GLCadencer.h"
#include "GLVectorLists.h"
#include "Streams.h"

#include <cstdint>
#include <cstdlib>

// A component with one list of type L as its only property. Its class name is TFuzzListHolder<L>.
template <class L> class TFuzzListHolder : public TComponent {
public:
    using TComponent::TComponent;

    void DefineProperties(TFiler& Filer) override
    {
        TComponent::DefineProperties(Filer);
        static_cast<TPersistent&>(FList).DefineProperties(Filer);
    }

private:
    L FList;
};

namespace {

TComponent* ReadRoot(TStream& stream)
{
    stream.SetPosition(0);
    return TReader(stream).ReadRootComponent(nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool registered = [] {
        RegisterClasses<TFuzzListHolder<TAffineVectorList>, TFuzzListHolder<TTexPointList>,
                        TFuzzListHolder<TIntegerList>, TFuzzListHolder<T4ByteList>>();
        return true;
    }();
    (void)registered;
    TMemoryStream input;
    input.WriteBuffer(data, static_cast<int64_t>(size));
    TComponent* root = nullptr;
    try {
        root = ReadRoot(input);
    } catch (const Exception&) {
        return 0;
    }
    TMemoryStream written;
    TWriter(written).WriteRootComponent(root);
    Free(root);
    try {
        Free(ReadRoot(written));
    } catch (const Exception&) {
        std::abort();
    }
    return 0;
}
