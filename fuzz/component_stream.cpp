// Reads arbitrary bytes as a component value stream: first as a plain sequence of values, then as a stored
// component tree of a class with one property of each kind. Any outcome but an Exception is a fault.
#include "ComponentStreams.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

class TFuzzThing : public TComponent {
public:
    using TComponent::TComponent;

    void BeforeDestruction() override
    {
        for (TFuzzThing* child : FChildren) child->FParent = nullptr;
        if (FParent) std::erase(FParent->FChildren, this);
        TComponent::BeforeDestruction();
    }
    void DefineProperties(TFiler& Filer) override
    {
        Filer.DefineProperty("Number", [this](TReader& r) { FNumber = r.ReadInteger(); }, nullptr, false);
        Filer.DefineProperty("Text", [this](TReader& r) { FText = r.ReadString(); }, nullptr, false);
        Filer.DefineProperty("Flag", [this](TReader& r) { FFlag = r.ReadBoolean(); }, nullptr, false);
        Filer.DefineProperty("Real", [this](TReader& r) { FReal = r.ReadFloat(); }, nullptr, false);
        Filer.DefineProperty("Kind", [this](TReader& r) { FText = r.ReadIdent(); }, nullptr, false);
        Filer.DefineBinaryProperty(
            "Data",
            [this](TStream& s) {
                FData.resize(static_cast<size_t>(s.Size()));
                s.ReadBuffer(FData.data(), s.Size());
            },
            nullptr, false);
        Filer.DefineProperty(
            "List",
            [this](TReader& r) {
                r.ReadListBegin();
                // The sum wraps: any numbers may be stored.
                while (!r.EndOfList())
                    FNumber = static_cast<int32_t>(static_cast<uint32_t>(FNumber) +
                                                   static_cast<uint32_t>(r.ReadInteger()));
                r.ReadListEnd();
            },
            nullptr, false);
    }
    void SetParentComponent(TComponent* Value) override
    {
        if (auto* parent = dynamic_cast<TFuzzThing*>(Value)) {
            FParent = parent;
            parent->FChildren.push_back(this);
        }
    }

private:
    int32_t FNumber = 0;
    std::string FText;
    bool FFlag = false;
    double FReal = 0;
    std::vector<uint8_t> FData;
    TFuzzThing* FParent = nullptr;
    std::vector<TFuzzThing*> FChildren;
};

void WalkValues(TStream& stream)
{
    TReader reader(stream);
    while (stream.Position() < stream.Size()) {
        switch (reader.NextValue()) {
        case vaList:
            reader.ReadListBegin();
            break;
        case vaNull:
            reader.ReadListEnd();
            break;
        case vaInt8:
        case vaInt16:
        case vaInt32:
            reader.ReadInteger();
            break;
        case vaFalse:
        case vaTrue:
            reader.ReadBoolean();
            break;
        case vaString:
        case vaLString:
        case vaWString:
        case vaUTF8String:
            reader.ReadString();
            break;
        case vaIdent:
            reader.ReadIdent();
            break;
        case vaExtended:
        case vaSingle:
            reader.ReadFloat();
            break;
        default: { // raw bytes, as the item-collection stream reads its signature
            uint8_t raw[4];
            reader.Read(raw, sizeof raw);
        }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool registered = (RegisterClass<TFuzzThing>(), true);
    (void)registered;
    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int64_t>(size));

    stream.SetPosition(0);
    try {
        WalkValues(stream);
    } catch (const Exception&) {
    }

    stream.SetPosition(0);
    try {
        Free(TReader(stream).ReadRootComponent(nullptr));
    } catch (const Exception&) {
    }
    return 0;
}
