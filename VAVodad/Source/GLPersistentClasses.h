// Persistent objects and their tagged archive: a stream of self-describing values (a tag byte, then its data)
// written by a writer object and read back by a reader object; lists of objects that archive their entries
// by class name.
#pragma once

#include "ComponentStreams.h"
#include "Components.h"
#include "Streams.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TStrings;
class TVirtualReader;
class TVirtualWriter;

// Reader and writer classes chosen at run time: their constructors on a stream (which they do not own).
using TVirtualReaderClass = std::unique_ptr<TVirtualReader> (*)(TStream* Stream);
using TVirtualWriterClass = std::unique_ptr<TVirtualWriter> (*)(TStream* Stream);

class TVirtualReader : public TObject {
public:
    explicit TVirtualReader(TStream* Stream) : FStream(Stream) {}
    TStream* Stream() const { return FStream; }

    // Raw bytes, no tag; a short read raises EReadError.
    virtual void Read(void* Buf, int64_t Count) = 0;
    // The tag of the next value, not consumed.
    virtual TValueType NextValue() = 0;
    virtual int32_t ReadInteger() = 0;
    virtual bool ReadBoolean() = 0;
    virtual std::string ReadString() = 0;
    virtual double ReadFloat() = 0;
    virtual void ReadListBegin() = 0;
    virtual void ReadListEnd() = 0;
    virtual bool EndOfList() = 0;

    // A string list as WriteTStrings writes it; the lines replace the list's.
    void ReadTStrings(TStrings* aStrings);
    // Raises EReadError "<reader class>, read type error".
    [[noreturn]] void ReadTypeError();
    // Bytes between the position and the end of the stream: no length or count read from an archive may
    // ask for more.
    int64_t BytesLeft() const;

private:
    TStream* FStream;
};

class TVirtualWriter : public TObject {
public:
    explicit TVirtualWriter(TStream* Stream) : FStream(Stream) {}
    TStream* Stream() const { return FStream; }

    // Raw bytes, no tag.
    virtual void Write(const void* Buf, int64_t Count) = 0;
    virtual void WriteInteger(int32_t anInteger) = 0;
    virtual void WriteBoolean(bool aBoolean) = 0;
    virtual void WriteString(const std::string& aString) = 0;
    virtual void WriteFloat(double aFloat) = 0;
    virtual void WriteListBegin() = 0;
    virtual void WriteListEnd() = 0;

    // Whether objects are stored, the count, then each line (and 0 for its object when they are: a reference
    // does not outlive the program).
    void WriteTStrings(TStrings* aStrings, bool storeObjects);

private:
    TStream* FStream;
};

// The binary archive, little-endian. Integers take the smallest of tags vaInt8/16/32; floats are 10-byte
// extended reals; WriteString always writes UTF-16 (vaWString). Reading accepts every string tag: 8-bit
// strings (vaString, vaLString) in the legacy code page, UTF-16 and UTF-8 (vaUTF8String).
class TBinaryReader : public TVirtualReader {
public:
    using TVirtualReader::TVirtualReader;
    static std::unique_ptr<TVirtualReader> Create(TStream* Stream);

    void Read(void* Buf, int64_t Count) override;
    TValueType NextValue() override;
    int32_t ReadInteger() override;
    bool ReadBoolean() override;
    std::string ReadString() override;
    double ReadFloat() override;
    void ReadListBegin() override;
    void ReadListEnd() override;
    bool EndOfList() override;

private:
    uint8_t ReadTag();
    // A length of Count units of unitSize bytes, checked against the bytes left.
    int64_t ReadLength(int32_t Count, int unitSize);
    template <class T> T ReadLittleEndian();
};

class TBinaryWriter : public TVirtualWriter {
public:
    using TVirtualWriter::TVirtualWriter;
    static std::unique_ptr<TVirtualWriter> Create(TStream* Stream);

    void Write(const void* Buf, int64_t Count) override;
    void WriteInteger(int32_t anInteger) override;
    void WriteBoolean(bool aBoolean) override;
    // Always UTF-16 (vaWString).
    void WriteString(const std::string& aString) override;
    void WriteFloat(double aFloat) override;
    void WriteListBegin() override;
    void WriteListEnd() override;
    // 8-bit text in the legacy code page, byte for byte: vaString below 256 bytes, else vaLString.
    virtual void WriteAnsiText(const std::string& aString);
    virtual void WriteWideText(const std::u16string& aString);

private:
    void WriteTag(TValueType tag);
    template <class T> void WriteLittleEndian(T value);
};

// UTF-8 bytes to UTF-16, leniently (no legality checks): a value above U+10FFFF and a sequence cut short by
// the end of the data become U+FFFD.
std::u16string Utf8BytesToWideString(const uint8_t* bytes, size_t count);

class EInvalidFileSignature : public Exception {
public:
    EInvalidFileSignature() : Exception("Invalid file signature") {}
};

// An archive version the class does not read.
class EFilerException : public Exception {
public:
    using Exception::Exception;
};

// Raises EFilerException "<class name> : unknown archive version <version>".
[[noreturn]] void RaiseUnknownArchiveVersion(const std::string& aClassName, int32_t version);

class IPersistentObject {
public:
    virtual ~IPersistentObject() = default;
    virtual void WriteToFiler(TVirtualWriter* writer) = 0;
    virtual void ReadFromFiler(TVirtualReader* reader) = 0;
};

// Base of everything archived with the tagged archive. An archive is the class's file signature (raw bytes,
// none here), then what WriteToFiler writes, which by convention starts with an archive version.
class TPersistentObject : public TPersistent, public IPersistentObject {
public:
    TPersistentObject() = default;

    // The virtual constructor: a new object of this object's class. By default the class registered under
    // this class name; classes that are not registered override it.
    virtual TPersistentObject* NewInstance() const;
    // Reads a new T from an archive.
    template <class T> static std::unique_ptr<T> CreateFromFiler(TVirtualReader* reader)
    {
        auto result = std::make_unique<T>();
        result->ReadFromFiler(reader);
        return result;
    }

    // An object of exactly this class is copied through an archive; anything else as TPersistent does.
    void Assign(TPersistent* Source) override;

    virtual std::string FileSignature() const { return {}; }
    virtual TVirtualWriterClass FileVirtualWriter() const { return &TBinaryWriter::Create; }
    virtual TVirtualReaderClass FileVirtualReader() const { return &TBinaryReader::Create; }

    // A new object of this class assigned from this one; the caller owns it.
    virtual TPersistentObject* CreateClone();
    // The base checks the argument and writes or reads nothing.
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;
    // A null class means TBinaryWriter / TBinaryReader.
    virtual void SaveToStream(TStream* stream, TVirtualWriterClass writerClass = nullptr);
    virtual void LoadFromStream(TStream* stream, TVirtualReaderClass readerClass = nullptr);
    // A null class means FileVirtualWriter / FileVirtualReader.
    virtual void SaveToFile(const std::string& fileName, TVirtualWriterClass writerClass = nullptr);
    virtual void LoadFromFile(const std::string& fileName, TVirtualReaderClass readerClass = nullptr);
    // The archive as a string of bytes.
    virtual std::string SaveToString(TVirtualWriterClass writerClass = nullptr);
    virtual void LoadFromString(const std::string& data, TVirtualReaderClass readerClass = nullptr);

    [[noreturn]] void RaiseUnknownArchiveVersion(int32_t version) const;
};

// negative / zero / positive.
using TObjectListSortCompare = int32_t (*)(TObject* item1, TObject* item2);

// The engine's quicksort: the pivot value is the key at (lo + hi) div 2, the range is split Hoare-style, the
// left part is sorted by a call and the right part by the loop; not stable. With DirectPairs, a range of two
// that a call starts with is swapped only when its second key is smaller. The smaller part is the one handled
// by a call, so the stack stays shallow; the parts are disjoint, so the result is the same.
template <bool DirectPairs, class Key, class Compare, class Swap>
void EngineQuickSort(int32_t lo, int32_t hi, Key key, Compare compare, Swap swap, bool called = true)
{
    while (lo < hi) {
        if (DirectPairs && called && hi - lo == 1) {
            if (compare(key(hi), key(lo)) < 0) swap(lo, hi);
            return;
        }
        const auto pivot = key(lo + (hi - lo) / 2);
        int32_t i = lo, j = hi;
        do {
            // The bounds only matter for a compare function that is not consistent.
            while (i < hi && compare(key(i), pivot) < 0) ++i;
            while (j > lo && compare(key(j), pivot) > 0) --j;
            if (i <= j) {
                swap(i, j);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - lo < hi - i) {
            if (lo < j) EngineQuickSort<DirectPairs>(lo, j, key, compare, swap, true);
            lo = i;
            called = false;
        } else {
            if (i < hi) EngineQuickSort<DirectPairs>(i, hi, key, compare, swap, false);
            hi = j;
            called = true;
        }
    }
}

// A growable list of object references. It owns its storage, not the objects, except in the ...AndFree
// operations, Clean and CleanFree. Indices are checked ("Invalid list index"); List() is the unchecked storage.
class TPersistentObjectList : public TPersistentObject {
public:
    TPersistentObjectList() = default;
    ~TPersistentObjectList() override;
    TPersistentObject* NewInstance() const override { return new TPersistentObjectList; }

    // Version 0, a list of entries: nil as False and 0; an object as its class name the first time its class
    // occurs in the list and as the index of the class in order of appearance afterwards, then its own
    // archive.
    void WriteToFiler(TVirtualWriter* writer) override;
    // Frees the objects held, then reads; every object made is passed to ItemCreatedByReader.
    void ReadFromFiler(TVirtualReader* reader) override;
    void ReadFromFilerWithEvent(TVirtualReader* reader,
                                const std::function<void(TObject* Sender)>& afterSenderObjectCreated);

    TObject* const* List() const { return FList.data(); }
    int32_t Count() const { return static_cast<int32_t>(FList.size()); }
    // Growing adds nil entries; shrinking frees nothing.
    void SetCount(int32_t Value);
    int32_t Capacity() const { return FCapacity; }
    // Below Count also lowers Count.
    void SetCapacity(int32_t Value);
    int32_t GrowthDelta() const { return FGrowthDelta; }
    void SetGrowthDelta(int32_t Value) { FGrowthDelta = Value; }

    TObject* Get(int32_t Index) const;
    void Put(int32_t Index, TObject* Item);
    TObject* Items(int32_t Index) const { return Get(Index); }
    TObject* First() const { return Get(0); }
    void SetFirst(TObject* Item) { Put(0, Item); }
    TObject* Last() const { return Get(Count() - 1); }
    void SetLast(TObject* Item) { Put(Count() - 1, Item); }

    int32_t Add(TObject* item);
    void AddNils(int32_t nbVals);
    // Appends every entry of objectList; answers the former Count (0 for a null list, which adds nothing).
    int32_t AddObjects(TPersistentObjectList* objectList);
    void RemoveObjects(TPersistentObjectList* objectList);
    // Empties the list and releases its storage; the objects are not freed.
    virtual void Clear();
    void Delete(int32_t Index);
    void DeleteItems(int32_t Index, int32_t nbVals);
    void Exchange(int32_t index1, int32_t index2);
    TPersistentObjectList* Expand();
    int32_t IndexOf(TObject* item) const;
    void Insert(int32_t Index, TObject* item);
    void InsertNils(int32_t Index, int32_t nbVals);
    void Move(int32_t curIndex, int32_t newIndex);
    // Deletes the first occurrence; answers its former index or -1.
    int32_t Remove(TObject* item);
    // Removes the nil entries, keeping the order of the others.
    void Pack();
    void RequiredCapacity(int32_t aCapacity);

    void DeleteAndFree(int32_t Index);
    // Frees the objects of nbVals entries from Index (clipped to the end of the list) and deletes the entries.
    void DeleteAndFreeItems(int32_t Index, int32_t nbVals);
    int32_t RemoveAndFree(TObject* item);
    // Frees every object, the last first, then Clear.
    virtual void Clean();
    // Clean, then frees this list.
    void CleanFree();

    int32_t Push(TObject* item) { return Add(item); }
    // The last entry, taken out; nullptr when empty.
    TObject* Pop();
    void PopAndFree();

    void Sort(TObjectListSortCompare compareFunc);

protected:
    // Raises EListError "Invalid list index".
    [[noreturn]] virtual void RaiseListIndexError();
    // Called with each object the reader makes, before it reads its data; descendants link it to its owner.
    virtual void ItemCreatedByReader(TObject* /*Sender*/) {}

private:
    void CheckIndex(int32_t Index) const
    {
        if (Index < 0 || Index >= Count()) const_cast<TPersistentObjectList*>(this)->RaiseListIndexError();
    }
    void GrowForOneMore();

    std::vector<TObject*> FList; // the entries; the storage may hold more than Capacity
    int32_t FCapacity = 0;
    int32_t FGrowthDelta = 16;
};

// Registers TPersistentObjectList by class name; called once at start-up.
void RegisterGLPersistentClasses();
