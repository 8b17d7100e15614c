#include "GLPersistentClasses.h"

#include "GLApplicationFileIO.h"
#include "StringLists.h"
#include "TextEncoding.h"

#include <algorithm>
#include <typeinfo>

namespace {

const char* const cUnit = "VAVodad\\Source\\GLPersistentClasses";

[[noreturn]] void RaiseBrokenArchive()
{
    throw EReadError("Broken ObjectList archive");
}

// Object lists nest through their entries; a corrupt archive must not nest them deeper than the stack holds.
constexpr int cMaxListNesting = 256;
thread_local int vListNesting = 0;

class TListNestingGuard {
public:
    TListNestingGuard()
    {
        if (vListNesting >= cMaxListNesting) RaiseBrokenArchive();
        ++vListNesting;
    }
    ~TListNestingGuard() { --vListNesting; }
    TListNestingGuard(const TListNestingGuard&) = delete;
    TListNestingGuard& operator=(const TListNestingGuard&) = delete;
};

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Readers

void TVirtualReader::ReadTypeError()
{
    throw EReadError(ClassName() + ", read type error");
}

int64_t TVirtualReader::BytesLeft() const
{
    return std::max<int64_t>(0, FStream->Size() - FStream->Position());
}

std::unique_ptr<TVirtualReader> TBinaryReader::Create(TStream* Stream)
{
    return std::make_unique<TBinaryReader>(Stream);
}

void TBinaryReader::Read(void* Buf, int64_t Count)
{
    if (Count < 0) ReadTypeError();
    Stream()->ReadBuffer(Buf, Count);
}

uint8_t TBinaryReader::ReadTag()
{
    uint8_t tag;
    Read(&tag, 1);
    return tag;
}

template <class T> T TBinaryReader::ReadLittleEndian()
{
    uint8_t bytes[sizeof(T)];
    Read(bytes, sizeof(T));
    std::make_unsigned_t<T> value = 0;
    for (size_t i = sizeof(T); i-- > 0;) value = static_cast<std::make_unsigned_t<T>>((value << 8) | bytes[i]);
    return static_cast<T>(value);
}

int64_t TBinaryReader::ReadLength(int32_t Count, int unitSize)
{
    const int64_t bytes = static_cast<int64_t>(Count) * unitSize;
    if (Count < 0 || bytes > BytesLeft()) ReadTypeError();
    return bytes;
}

TValueType TBinaryReader::NextValue()
{
    const uint8_t tag = ReadTag();
    Stream()->Seek(-1, soCurrent);
    return static_cast<TValueType>(tag);
}

int32_t TBinaryReader::ReadInteger()
{
    switch (ReadTag()) {
    case vaInt8: return ReadLittleEndian<int8_t>();
    case vaInt16: return ReadLittleEndian<int16_t>();
    case vaInt32: return ReadLittleEndian<int32_t>();
    default: ReadTypeError();
    }
}

bool TBinaryReader::ReadBoolean()
{
    switch (ReadTag()) {
    case vaFalse: return false;
    case vaTrue: return true;
    default: ReadTypeError();
    }
}

std::string TBinaryReader::ReadString()
{
    const uint8_t tag = ReadTag();
    int32_t count;
    switch (tag) {
    case vaString: count = ReadLittleEndian<uint8_t>(); break;
    case vaLString:
    case vaWString:
    case vaUTF8String: count = ReadLittleEndian<int32_t>(); break;
    default: ReadTypeError();
    }
    if (tag == vaWString) {
        std::u16string units(static_cast<size_t>(ReadLength(count, 2) / 2), u'\0');
        uint8_t* bytes = reinterpret_cast<uint8_t*>(units.data());
        Read(bytes, static_cast<int64_t>(units.size()) * 2);
        for (size_t i = 0; i < units.size(); ++i)
            units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        return Utf16ToUtf8(units);
    }
    std::string bytes(static_cast<size_t>(ReadLength(count, 1)), '\0');
    Read(bytes.data(), static_cast<int64_t>(bytes.size()));
    if (tag == vaUTF8String)
        return Utf16ToUtf8(Utf8BytesToWideString(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    return LegacyToUtf8(bytes, lcpWindows1252);
}

double TBinaryReader::ReadFloat()
{
    if (ReadTag() != vaExtended) ReadTypeError();
    uint8_t bytes[10];
    Read(bytes, sizeof(bytes));
    return Extended80ToDouble(bytes);
}

void TBinaryReader::ReadListBegin()
{
    if (ReadTag() != vaList) ReadTypeError();
}

void TBinaryReader::ReadListEnd()
{
    if (ReadTag() != vaNull) ReadTypeError();
}

bool TBinaryReader::EndOfList()
{
    return NextValue() == vaNull;
}

// ---------------------------------------------------------------------------------------------------------
// Writers

std::unique_ptr<TVirtualWriter> TBinaryWriter::Create(TStream* Stream)
{
    return std::make_unique<TBinaryWriter>(Stream);
}

void TBinaryWriter::Write(const void* Buf, int64_t Count)
{
    Stream()->WriteBuffer(Buf, Count);
}

void TBinaryWriter::WriteTag(TValueType tag)
{
    const uint8_t byte = tag;
    Write(&byte, 1);
}

template <class T> void TBinaryWriter::WriteLittleEndian(T value)
{
    auto bits = static_cast<std::make_unsigned_t<T>>(value);
    uint8_t bytes[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i, bits = static_cast<std::make_unsigned_t<T>>(bits >> 8))
        bytes[i] = static_cast<uint8_t>(bits);
    Write(bytes, sizeof(T));
}

void TBinaryWriter::WriteInteger(int32_t anInteger)
{
    if (anInteger >= -128 && anInteger <= 127) {
        WriteTag(vaInt8);
        WriteLittleEndian(static_cast<int8_t>(anInteger));
    } else if (anInteger >= -32768 && anInteger <= 32767) {
        WriteTag(vaInt16);
        WriteLittleEndian(static_cast<int16_t>(anInteger));
    } else {
        WriteTag(vaInt32);
        WriteLittleEndian(anInteger);
    }
}

void TBinaryWriter::WriteBoolean(bool aBoolean)
{
    WriteTag(aBoolean ? vaTrue : vaFalse);
}

void TBinaryWriter::WriteString(const std::string& aString)
{
    WriteWideText(Utf8ToUtf16(aString));
}

void TBinaryWriter::WriteFloat(double aFloat)
{
    uint8_t bytes[10];
    DoubleToExtended80(aFloat, bytes);
    WriteTag(vaExtended);
    Write(bytes, sizeof(bytes));
}

void TBinaryWriter::WriteListBegin()
{
    WriteTag(vaList);
}

void TBinaryWriter::WriteListEnd()
{
    WriteTag(vaNull);
}

void TBinaryWriter::WriteAnsiText(const std::string& aString)
{
    if (aString.size() < 256) {
        WriteTag(vaString);
        WriteLittleEndian(static_cast<uint8_t>(aString.size()));
    } else {
        WriteTag(vaLString);
        WriteLittleEndian(static_cast<int32_t>(aString.size()));
    }
    Write(aString.data(), static_cast<int64_t>(aString.size()));
}

void TBinaryWriter::WriteWideText(const std::u16string& aString)
{
    WriteTag(vaWString);
    WriteLittleEndian(static_cast<int32_t>(aString.size()));
    std::string bytes(aString.size() * 2, '\0');
    for (size_t i = 0; i < aString.size(); ++i) {
        bytes[2 * i] = static_cast<char>(aString[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(aString[i] >> 8);
    }
    Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

// ---------------------------------------------------------------------------------------------------------
// String lists in the archive: a flag for the objects, the count, the lines. An object reference cannot
// outlive the program, so it is written as 0 and read back as nil.

void TVirtualReader::ReadTStrings(TStrings* aStrings)
{
    aStrings->BeginUpdate();
    TryFinally(
        [&] {
            aStrings->Clear();
            const bool storeObjects = ReadBoolean();
            const int32_t n = ReadInteger();
            for (int32_t i = 0; i < n; ++i) {
                const std::string line = ReadString();
                if (storeObjects) ReadInteger();
                aStrings->Add(line);
            }
        },
        [aStrings] { aStrings->EndUpdate(); });
}

void TVirtualWriter::WriteTStrings(TStrings* aStrings, bool storeObjects)
{
    WriteBoolean(storeObjects);
    if (!aStrings) {
        WriteInteger(0);
        return;
    }
    WriteInteger(aStrings->Count());
    for (int i = 0; i < aStrings->Count(); ++i) {
        WriteString(aStrings->Strings(i));
        if (storeObjects) WriteInteger(0);
    }
}

// ---------------------------------------------------------------------------------------------------------
// UTF-8 bytes to UTF-16, after the reference conversion in its lenient form

std::u16string Utf8BytesToWideString(const uint8_t* bytes, size_t count)
{
    static const uint32_t offsetsFromUTF8[6] = {0x00000000u, 0x00003080u, 0x000E2080u,
                                                0x03C82080u, 0xFA082080u, 0x82082080u};
    std::u16string result;
    result.reserve(count);
    size_t pos = 0;
    while (pos < count) {
        const uint8_t lead = bytes[pos];
        const int extra = lead < 0xC0 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : lead < 0xF8 ? 3 : lead < 0xFC ? 4 : 5;
        if (pos + extra >= count) {
            result.push_back(u'\uFFFD'); // cut short by the end of the data
            break;
        }
        uint32_t ch = 0;
        for (int k = 0; k < extra; ++k) ch = (ch + bytes[pos++]) << 6;
        ch += bytes[pos++];
        ch -= offsetsFromUTF8[extra];
        if (ch <= 0xFFFF)
            result.push_back(static_cast<char16_t>(ch));
        else if (ch > 0x10FFFF)
            result.push_back(u'\uFFFD');
        else {
            ch -= 0x10000;
            result.push_back(static_cast<char16_t>((ch >> 10) + 0xD800));
            result.push_back(static_cast<char16_t>((ch & 0x3FF) + 0xDC00));
        }
    }
    return result;
}

// ---------------------------------------------------------------------------------------------------------
// TPersistentObject

void RaiseUnknownArchiveVersion(const std::string& aClassName, int32_t version)
{
    throw EFilerException(aClassName + " : unknown archive version " + std::to_string(version));
}

void TPersistentObject::RaiseUnknownArchiveVersion(int32_t version) const
{
    ::RaiseUnknownArchiveVersion(ClassName(), version);
}

TPersistentObject* TPersistentObject::NewInstance() const
{
    const TPersistentClass* registered = GetClass(ClassName());
    if (registered && registered->Type() == typeid(*this) && !registered->IsComponent()) {
        TPersistent* instance = registered->Create();
        if (auto* result = dynamic_cast<TPersistentObject*>(instance)) return result;
        Free(instance);
    }
    throw EClassNotFound("Class " + ClassName() + " not found");
}

void TPersistentObject::Assign(TPersistent* Source)
{
    if (Source && typeid(*Source) == typeid(*this)) {
        TMemoryStream stream;
        static_cast<TPersistentObject*>(Source)->SaveToStream(&stream);
        stream.SetPosition(0);
        LoadFromStream(&stream);
    } else {
        TPersistent::Assign(Source);
    }
}

TPersistentObject* TPersistentObject::CreateClone()
{
    std::unique_ptr<TPersistentObject, void (*)(TPersistentObject*)> clone(NewInstance(),
                                                                          [](TPersistentObject* o) { Free(o); });
    clone->Assign(this);
    return clone.release();
}

void TPersistentObject::WriteToFiler(TVirtualWriter* writer)
{
    Assert(writer != nullptr, "", cUnit, 723);
}

void TPersistentObject::ReadFromFiler(TVirtualReader* reader)
{
    Assert(reader != nullptr, "", cUnit, 732);
}

void TPersistentObject::SaveToStream(TStream* stream, TVirtualWriterClass writerClass)
{
    const std::unique_ptr<TVirtualWriter> writer = (writerClass ? writerClass : &TBinaryWriter::Create)(stream);
    const std::string signature = FileSignature();
    if (!signature.empty()) writer->Write(signature.data(), static_cast<int64_t>(signature.size()));
    WriteToFiler(writer.get());
}

void TPersistentObject::LoadFromStream(TStream* stream, TVirtualReaderClass readerClass)
{
    const std::unique_ptr<TVirtualReader> reader = (readerClass ? readerClass : &TBinaryReader::Create)(stream);
    const std::string signature = FileSignature();
    if (!signature.empty()) {
        if (reader->BytesLeft() < static_cast<int64_t>(signature.size())) throw EInvalidFileSignature();
        std::string found(signature.size(), '\0');
        reader->Read(found.data(), static_cast<int64_t>(found.size()));
        if (found != signature) throw EInvalidFileSignature();
    }
    ReadFromFiler(reader.get());
}

void TPersistentObject::SaveToFile(const std::string& fileName, TVirtualWriterClass writerClass)
{
    // Written through a temporary file, so a failed save leaves the old file whole.
    SaveHookedFile(fileName,
                   [&](TStream& stream) { SaveToStream(&stream, writerClass ? writerClass : FileVirtualWriter()); });
}

void TPersistentObject::LoadFromFile(const std::string& fileName, TVirtualReaderClass readerClass)
{
    const std::unique_ptr<TStream> stream = CreateHookedFileStream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream.get(), readerClass ? readerClass : FileVirtualReader());
}

std::string TPersistentObject::SaveToString(TVirtualWriterClass writerClass)
{
    TStringStream stream;
    SaveToStream(&stream, writerClass);
    return stream.DataString();
}

void TPersistentObject::LoadFromString(const std::string& data, TVirtualReaderClass readerClass)
{
    TStringStream stream(data);
    LoadFromStream(&stream, readerClass);
}

// ---------------------------------------------------------------------------------------------------------
// TPersistentObjectList

TPersistentObjectList::~TPersistentObjectList()
{
    Clear();
}

void TPersistentObjectList::RaiseListIndexError()
{
    throw EListError("Invalid list index");
}

void TPersistentObjectList::SetCapacity(int32_t Value)
{
    if (Value == FCapacity) return;
    if (Value < 0) RaiseListIndexError();
    if (Value < Count()) FList.resize(Value);
    // The storage grows at least by half, so appends that raise Capacity by GrowthDelta do not copy every time.
    if (static_cast<size_t>(Value) > FList.capacity())
        FList.reserve(std::max<size_t>(Value, FList.capacity() + FList.capacity() / 2));
    else if (Value == 0)
        FList.shrink_to_fit();
    FCapacity = Value;
}

void TPersistentObjectList::SetCount(int32_t Value)
{
    if (Value < 0) RaiseListIndexError();
    if (Value > FCapacity) SetCapacity(Value);
    FList.resize(Value, nullptr);
}

void TPersistentObjectList::GrowForOneMore()
{
    if (Count() == FCapacity) SetCapacity(FCapacity + std::max(FGrowthDelta, 1));
}

TObject* TPersistentObjectList::Get(int32_t Index) const
{
    CheckIndex(Index);
    return FList[Index];
}

void TPersistentObjectList::Put(int32_t Index, TObject* Item)
{
    CheckIndex(Index);
    FList[Index] = Item;
}

int32_t TPersistentObjectList::Add(TObject* item)
{
    GrowForOneMore();
    FList.push_back(item);
    return Count() - 1;
}

void TPersistentObjectList::AddNils(int32_t nbVals)
{
    if (nbVals > 0) SetCount(Count() + nbVals);
}

int32_t TPersistentObjectList::AddObjects(TPersistentObjectList* objectList)
{
    if (!objectList) return 0;
    const int32_t oldCount = Count();
    const int32_t added = objectList->Count();
    SetCount(oldCount + added);
    std::copy_n(objectList->FList.begin(), added, FList.begin() + oldCount);
    return oldCount;
}

void TPersistentObjectList::RemoveObjects(TPersistentObjectList* objectList)
{
    for (int32_t i = 0; i < objectList->Count(); ++i) Remove(objectList->FList[i]);
}

void TPersistentObjectList::Clear()
{
    FList.clear();
    SetCapacity(0);
}

void TPersistentObjectList::Delete(int32_t Index)
{
    CheckIndex(Index);
    FList.erase(FList.begin() + Index);
}

void TPersistentObjectList::DeleteItems(int32_t Index, int32_t nbVals)
{
    if (nbVals == 0) return;
    CheckIndex(Index);
    if (nbVals < 0 || nbVals > Count() - Index) RaiseListIndexError();
    FList.erase(FList.begin() + Index, FList.begin() + Index + nbVals);
}

void TPersistentObjectList::Exchange(int32_t index1, int32_t index2)
{
    CheckIndex(index1);
    CheckIndex(index2);
    std::swap(FList[index1], FList[index2]);
}

TPersistentObjectList* TPersistentObjectList::Expand()
{
    GrowForOneMore();
    return this;
}

int32_t TPersistentObjectList::IndexOf(TObject* item) const
{
    const auto found = std::find(FList.begin(), FList.end(), item);
    return found == FList.end() ? -1 : static_cast<int32_t>(found - FList.begin());
}

void TPersistentObjectList::Insert(int32_t Index, TObject* item)
{
    if (Index < 0 || Index > Count()) RaiseListIndexError();
    GrowForOneMore();
    FList.insert(FList.begin() + Index, item);
}

void TPersistentObjectList::InsertNils(int32_t Index, int32_t nbVals)
{
    if (nbVals == 0) return;
    if (Index < 0 || Index > Count() || nbVals < 0) RaiseListIndexError();
    if (Count() + nbVals > FCapacity) SetCapacity(Count() + nbVals);
    FList.insert(FList.begin() + Index, nbVals, nullptr);
}

void TPersistentObjectList::Move(int32_t curIndex, int32_t newIndex)
{
    if (curIndex == newIndex) return;
    CheckIndex(curIndex);
    CheckIndex(newIndex);
    TObject* item = FList[curIndex];
    FList.erase(FList.begin() + curIndex);
    FList.insert(FList.begin() + newIndex, item);
}

int32_t TPersistentObjectList::Remove(TObject* item)
{
    const int32_t index = IndexOf(item);
    if (index >= 0) Delete(index);
    return index;
}

void TPersistentObjectList::Pack()
{
    std::erase(FList, nullptr);
}

void TPersistentObjectList::RequiredCapacity(int32_t aCapacity)
{
    if (FCapacity < aCapacity) SetCapacity(aCapacity);
}

void TPersistentObjectList::DeleteAndFree(int32_t Index)
{
    TObject* item = Get(Index);
    Delete(Index);
    Free(item);
}

void TPersistentObjectList::DeleteAndFreeItems(int32_t Index, int32_t nbVals)
{
    if (nbVals <= 0) return;
    CheckIndex(Index);
    nbVals = std::min(nbVals, Count() - Index);
    // The entries leave the list before their objects die, so an object that removes itself from the list
    // as it dies finds nothing to remove.
    const std::vector<TObject*> dying(FList.begin() + Index, FList.begin() + Index + nbVals);
    DeleteItems(Index, nbVals);
    for (TObject* item : dying) Free(item);
}

int32_t TPersistentObjectList::RemoveAndFree(TObject* item)
{
    const int32_t index = IndexOf(item);
    if (index >= 0) {
        Delete(index);
        Free(item);
    }
    return index;
}

void TPersistentObjectList::Clean()
{
    for (int32_t i = Count() - 1; i >= 0; --i)
        if (i < Count()) Free(FList[i]);
    Clear();
}

void TPersistentObjectList::CleanFree()
{
    Clean();
    Free(this);
}

TObject* TPersistentObjectList::Pop()
{
    if (FList.empty()) return nullptr;
    TObject* item = FList.back();
    FList.pop_back();
    return item;
}

void TPersistentObjectList::PopAndFree()
{
    Free(Pop());
}

void TPersistentObjectList::Sort(TObjectListSortCompare compareFunc)
{
    if (Count() > 1) {
        TObject** items = FList.data();
        EngineQuickSort<false>(
            0, Count() - 1, [items](int32_t i) { return items[i]; }, compareFunc,
            [items](int32_t i, int32_t j) { std::swap(items[i], items[j]); });
    }
}

void TPersistentObjectList::WriteToFiler(TVirtualWriter* writer)
{
    TPersistentObject::WriteToFiler(writer);
    writer->WriteInteger(0); // archive version
    writer->WriteListBegin();
    std::vector<const std::type_info*> classes; // the classes seen, in order of appearance
    for (TObject* item : FList) {
        auto* object = dynamic_cast<TPersistentObject*>(item);
        if (!object) {
            // nil; any other object is written as nil too, since a reference does not outlive the program
            writer->WriteBoolean(false);
            writer->WriteInteger(0);
            continue;
        }
        const auto seen = std::find_if(classes.begin(), classes.end(),
                                       [object](const std::type_info* c) { return *c == typeid(*object); });
        if (seen == classes.end()) {
            writer->WriteString(object->ClassName());
            classes.push_back(&typeid(*object));
        } else {
            writer->WriteInteger(static_cast<int32_t>(seen - classes.begin()));
        }
        object->WriteToFiler(writer);
    }
    writer->WriteListEnd();
}

void TPersistentObjectList::ReadFromFiler(TVirtualReader* reader)
{
    ReadFromFilerWithEvent(reader, [this](TObject* Sender) { ItemCreatedByReader(Sender); });
}

namespace {

// Frees an object made by a list's reader with the entries of the lists in it, at every depth: nothing else
// can reach them yet. The reader's nesting limit bounds the depth.
void FreeReadObject(TObject* object)
{
    if (auto* list = dynamic_cast<TPersistentObjectList*>(object)) {
        for (int32_t i = list->Count() - 1; i >= 0; --i) FreeReadObject(list->List()[i]);
        list->Clear();
    }
    Free(object);
}

} // namespace

void TPersistentObjectList::ReadFromFilerWithEvent(TVirtualReader* reader,
                                                   const std::function<void(TObject* Sender)>& afterSenderObjectCreated)
{
    TPersistentObject::ReadFromFiler(reader);
    const TListNestingGuard nesting;
    Clean();
    const int32_t version = reader->ReadInteger();
    if (version != 0) RaiseUnknownArchiveVersion(version);
    reader->ReadListBegin();
    std::vector<const TPersistentClass*> classes; // the classes read so far, in order
    while (!reader->EndOfList()) {
        const TPersistentClass* objectClass;
        switch (reader->NextValue()) {
        case vaInt8:
        case vaInt16:
        case vaInt32: {
            const int32_t index = reader->ReadInteger();
            if (index < 0 || index >= static_cast<int32_t>(classes.size())) RaiseBrokenArchive();
            objectClass = classes[index];
            break;
        }
        case vaString:
        case vaLString:
        case vaWString:
        case vaUTF8String:
            objectClass = &FindClass(reader->ReadString());
            classes.push_back(objectClass);
            break;
        case vaFalse:
        case vaTrue:
            reader->ReadBoolean();
            // Only nil is stored this way; any other number cannot be an object.
            if (reader->ReadInteger() != 0) RaiseBrokenArchive();
            Add(nullptr);
            continue;
        default: RaiseBrokenArchive();
        }
        // Only archived objects can be read; components are never list entries.
        if (objectClass->IsComponent()) RaiseBrokenArchive();
        // An object whose data cannot be read is freed with everything it read so far.
        std::unique_ptr<TObject, void (*)(TObject*)> item(objectClass->Create(), FreeReadObject);
        auto* object = dynamic_cast<TPersistentObject*>(item.get());
        if (!object) RaiseBrokenArchive();
        if (afterSenderObjectCreated) afterSenderObjectCreated(object);
        object->ReadFromFiler(reader);
        Add(item.release());
    }
    reader->ReadListEnd();
}

void RegisterGLPersistentClasses()
{
    RegisterClass<TPersistentObjectList>();
}
