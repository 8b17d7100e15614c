// Reads arbitrary bytes as a tagged archive. The first byte chooses the reader: an object list (entries by
// class name, nested lists among them), one of the ten typed lists, a string list, or a plain walk over the
// values by their tags. Any outcome but an Exception is a fault.
#include "GLPersistentClasses.h"
#include "GLVectorLists.h"
#include "StringLists.h"

#include <cstdint>
#include <memory>
#include <string>

namespace {

// Lists do not own their objects: everything a load made is freed here, nested lists included.
void CleanAll(TPersistentObjectList& list)
{
    for (int32_t i = 0; i < list.Count(); ++i)
        if (auto* nested = dynamic_cast<TPersistentObjectList*>(list.Get(i))) CleanAll(*nested);
    list.Clean();
}

void WalkValues(const std::string& bytes)
{
    TStringStream stream(bytes);
    TBinaryReader reader(&stream);
    while (stream.Position() < stream.Size()) {
        switch (reader.NextValue()) {
        case vaNull: reader.ReadListEnd(); break;
        case vaList: reader.ReadListBegin(); break;
        case vaFalse:
        case vaTrue: reader.ReadBoolean(); break;
        case vaExtended: reader.ReadFloat(); break;
        case vaString:
        case vaLString:
        case vaWString:
        case vaUTF8String: reader.ReadString(); break;
        default: reader.ReadInteger(); // any other tag is a read type error
        }
    }
}

std::unique_ptr<TBaseList> TypedList(int kind)
{
    switch (kind) {
    case 0: return std::make_unique<TAffineVectorList>();
    case 1: return std::make_unique<TVectorList>();
    case 2: return std::make_unique<TTexPointList>();
    case 3: return std::make_unique<TQuaternionList>();
    case 4: return std::make_unique<TIntegerList>();
    case 5: return std::make_unique<TSingleList>();
    case 6: return std::make_unique<TDoubleList>();
    case 7: return std::make_unique<TByteList>();
    case 8: return std::make_unique<T4ByteList>();
    default: return std::make_unique<TLongWordList>();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const int choice = data[0] % 13;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        if (choice == 0) {
            TPersistentObjectList list;
            try {
                list.LoadFromString(bytes);
            } catch (...) {
                CleanAll(list);
                throw;
            }
            CleanAll(list);
        } else if (choice <= 10) {
            TypedList(choice - 1)->LoadFromString(bytes);
        } else if (choice == 11) {
            TStringStream stream(bytes);
            TStringList lines;
            TBinaryReader(&stream).ReadTStrings(&lines);
        } else {
            WalkValues(bytes);
        }
    } catch (const Exception&) {
    }
    return 0;
}
