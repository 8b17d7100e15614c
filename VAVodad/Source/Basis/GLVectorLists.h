// Growable lists of fixed-size items in one contiguous buffer (vertices, normals, texture coordinates, indices,
// keys), with a revision counter and their own archive.
#pragma once

#include "GLPersistentClasses.h"
#include "GLVectorTypes.h"

#include <algorithm>

#include <cstdint>
#include <initializer_list>
#include <string>


enum TBaseListOption { bloExternalMemory, bloSetCountResetsMemory };

// Base of the typed lists: count, capacity, revision and the raw item buffer. Indices given to Delete,
// Exchange, Move and the typed Get/Put/Insert are checked; the typed List pointer is not.
class TBaseList : public TPersistentObject {
public:
    ~TBaseList() override;

    void Assign(TPersistent* Src) override;
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;

    int32_t Count() const { return FCount; }
    void SetCount(int32_t Value);
    int32_t Capacity() const { return FCapacity; }
    virtual void SetCapacity(int32_t Value);
    int32_t GrowthDelta() const { return FGrowthDelta; }
    void SetGrowthDelta(int32_t Value) { FGrowthDelta = Value; }
    bool SetCountResetsMemory() const { return FOptions & (1u << bloSetCountResetsMemory); }
    void SetSetCountResetsMemory(bool Value);
    bool UsesExternalMemory() const { return FOptions & (1u << bloExternalMemory); }
    uint32_t Revision() const { return FRevision; }
    void SetRevision(uint32_t Value) { FRevision = Value; }
    const std::string& TagString() const { return FTagString; }
    void SetTagString(const std::string& Value) { FTagString = Value; }
    int32_t ItemSize() const { return FItemSize; }
    int32_t DataSize() const { return FItemSize * FCount; }

    void AddNulls(int32_t nbVals);
    void InsertNulls(int32_t Index, int32_t nbVals);
    void AdjustCapacityToAtLeast(int32_t size);
    // Moves the items into memory the caller owns (rangeCapacity bytes); nothing when they would not fit.
    void UseMemory(void* rangeStart, int32_t rangeCapacity);
    void Flush();
    void Clear();
    void Delete(int32_t Index);
    void DeleteItems(int32_t Index, int32_t nbVals);
    void Exchange(int32_t index1, int32_t index2);
    void Move(int32_t curIndex, int32_t newIndex);
    void Reverse();

protected:
    explicit TBaseList(int32_t itemSize);

    void DefineProperties(TFiler& Filer) override;
    // The "Items" property: the hexadecimal text of the list's archive.
    virtual void LoadItemsProperty(TReader& reader);
    virtual void StoreItemsProperty(TWriter& writer);
    // Vector lists end their archive with one more integer, always 0.
    virtual bool HasArchiveTrailer() const { return false; }

    [[noreturn]] void RaiseListIndexError(int32_t Index) const;
    void CheckIndex(int32_t Index) const
    {
        if (Index < 0 || Index >= FCount) RaiseListIndexError(Index);
    }
    // Makes room for one more item as an append does (Capacity += GrowthDelta when full); answers its index.
    int32_t AppendSlot()
    {
        if (FCount == FCapacity) GrowBySteps(FCount + 1);
        return FCount++;
    }
    // Count grows by n first, then Capacity grows in GrowthDelta steps until it holds Count; answers the first
    // new index.
    int32_t AppendSlots(int32_t n);
    // Opens one slot at Index (0..Count), growing like an append.
    void InsertSlot(int32_t Index);
    // Appends n items copied from src (which may point into this list), sizing the buffer exactly once.
    void AppendItems(const void* src, int32_t n);
    void GrowBySteps(int32_t needed);

    uint8_t* FBaseList = nullptr;

private:
    void Reallocate(int64_t bytes);

    int32_t FCount = 0;
    int32_t FCapacity = 0;
    int32_t FGrowthDelta = 16;
    uint8_t* FBufferItem = nullptr;
    uint32_t FOptions = 1u << bloSetCountResetsMemory;
    uint32_t FRevision = 0;
    std::string FTagString;
    int32_t FItemSize;
    int64_t FAllocated = 0; // bytes held by the buffer, at least Capacity * ItemSize
};

// Lists whose items begin with (x, y, z) Singles; the operations here work on those components (on x and y
// alone for two-component items).
class TBaseVectorList : public TBaseList {
public:

    virtual void GetExtents(TVector3f& min, TVector3f& max);
    virtual TVector3f Sum();
    virtual void Normalize();
    virtual float MaxSpacing(TBaseVectorList* list2);
    virtual void Translate(const TVector3f& delta);
    virtual void Translate(TBaseVectorList* delta);
    virtual void TranslateInv(TBaseVectorList* delta);
    virtual void Lerp(TBaseVectorList* list1, TBaseVectorList* list2, float lerpFactor) = 0;
    void AngleLerp(TBaseVectorList* list1, TBaseVectorList* list2, float lerpFactor);
    void AngleCombine(TBaseVectorList* list1, float intensity);
    virtual void Combine(TBaseVectorList* list2, float factor);

    uint8_t* GetItemAddress(int32_t Index) const { return FBaseList + static_cast<int64_t>(Index) * ItemSize(); }
    uint8_t* ItemAddress(int32_t Index) const { return GetItemAddress(Index); }

protected:
    using TBaseList::TBaseList;
    bool HasArchiveTrailer() const override { return true; }
    int32_t VectorComponents() const { return ItemSize() >= 12 ? 3 : 2; }
    TVector3f VectorAt(int32_t Index) const;
    void SetVectorAt(int32_t Index, const TVector3f& v);
    // item i += other[i] * factor; Revision + 1.
    void AddScaled(TBaseVectorList* other, float factor);
};

// What Pop answers on an empty list: the zero item, the identity for quaternions.
template <class T> inline T EmptyListItem() { return T{}; }
template <> inline TQuaternion EmptyListItem<TQuaternion>() { return {{{{0, 0, 0}}}, 1}; }

// Typed access shared by every typed list. Revises: whether Add, Insert and Put change Revision.
template <class T, class Base, bool Revises>
class TTypedList : public Base {
public:
    T* List() const { return reinterpret_cast<T*>(this->FBaseList); }

    T Get(int32_t Index) const
    {
        this->CheckIndex(Index);
        return List()[Index];
    }
    void Put(int32_t Index, const T& item)
    {
        this->CheckIndex(Index);
        List()[Index] = item;
        Touch();
    }
    T operator[](int32_t Index) const { return Get(Index); }

    // The item is copied before the buffer grows or moves: it may be one of this list's own items.
    int32_t Add(const T& item)
    {
        const T value = item;
        const int32_t index = this->AppendSlot();
        StoreItem(index, value);
        Touch();
        return index;
    }
    void Insert(int32_t Index, const T& item)
    {
        const T value = item;
        this->InsertSlot(Index);
        StoreItem(Index, value);
        Touch();
    }
    int32_t Push(const T& item) { return Add(item); }
    T Pop()
    {
        if (this->Count() == 0) return EmptyListItem<T>();
        const T result = List()[this->Count() - 1];
        this->Delete(this->Count() - 1);
        return result;
    }

    // A nil source empties the list; a list of this kind gives its items; any other list only its sizes
    // (items zero).
    void Assign(TPersistent* Src) override
    {
        if (!Src) {
            this->Clear();
            return;
        }
        Base::Assign(Src);
        if (auto* source = dynamic_cast<TTypedList*>(Src)) {
            if (source != this) std::copy_n(source->List(), this->Count(), List());
        }
        else if (dynamic_cast<TBaseList*>(Src))
            std::fill_n(List(), this->Count(), T{});
    }

protected:
    TTypedList() : Base(sizeof(T)) {}
    // Stores through a type of the list's own, which the compiler knows cannot be the list's Integer count
    // or revision: an append loop then keeps them in registers instead of reading each back from memory
    // after every item store (Integer and Cardinal items would otherwise force that).
    struct TSlot {
        T Value;
    };
    void StoreItem(int32_t Index, const T& value) { reinterpret_cast<TSlot*>(this->FBaseList)[Index].Value = value; }
    void Touch()
    {
        if constexpr (Revises) this->SetRevision(this->Revision() + 1);
    }
    // Appends n items given in order, growing like a multi-item Add.
    void AddInOrder(std::initializer_list<T> items)
    {
        int32_t index = this->AppendSlots(static_cast<int32_t>(items.size()));
        for (const T& item : items) StoreItem(index++, item);
        Touch();
    }
    void AppendList(const TTypedList* source)
    {
        if (source) this->AppendItems(source->List(), source->Count());
    }
    // Appends n items from First (nothing for n <= 0), sizing the buffer once.
    void AppendArray(const T* First, int32_t n) { this->AppendItems(First, n); }
    void AppendArray(std::initializer_list<T> items) { AppendArray(items.begin(), static_cast<int32_t>(items.size())); }
    // The first index holding an equal item, -1 when none does.
    int32_t IndexOfEqual(const T& item) const
    {
        const T* found = std::find(List(), List() + this->Count(), item);
        return found == List() + this->Count() ? -1 : static_cast<int32_t>(found - List());
    }
    void RemoveEqual(const T& item)
    {
        const int32_t index = IndexOfEqual(item);
        if (index >= 0) this->Delete(index);
    }
};

class TAffineVectorList : public TTypedList<TVector3f, TBaseVectorList, true> {
public:
    TAffineVectorList() = default;
    TPersistentObject* NewInstance() const override { return new TAffineVectorList; }

    using TTypedList::Add;
    int32_t Add(const TVector4f& item) { return Add(TVector3f{{{item.X, item.Y, item.Z}}}); }
    int32_t Add(const TVector2f& item) { return Add(TVector3f{{{item.X, item.Y, 0}}}); }
    int32_t Add(const TTexPoint& item) { return Add(TVector3f{{{item.S, item.T, 0}}}); }
    void Add(const TVector3f& i1, const TVector3f& i2) { AddInOrder({i1, i2}); }
    void Add(const TVector3f& i1, const TVector3f& i2, const TVector3f& i3) { AddInOrder({i1, i2, i3}); }
    int32_t Add(float X, float Y) { return Add(X, Y, 0.0f); }
    int32_t Add(float X, float Y, float Z) { return Add(TVector3f{{{X, Y, Z}}}); }
    int32_t Add(int32_t X, int32_t Y, int32_t Z) { return Add(float(X), float(Y), float(Z)); }
    int32_t Add(const int32_t* xy, int32_t Z) { return Add(xy[0], xy[1], Z); }
    // For loops that reserved room with AdjustCapacityToAtLeast; room is still checked, so an append never
    // writes past the buffer.
    int32_t AddNC(int32_t X, int32_t Y, int32_t Z) { return Add(X, Y, Z); }
    int32_t AddNC(const int32_t* xy, int32_t Z) { return AddNC(xy[0], xy[1], Z); }
    void Add(TAffineVectorList* list);
    TVector3f Pop();

    int32_t IndexOf(const TVector3f& item) const;
    int32_t FindOrAdd(const TVector3f& item);

    using TBaseVectorList::Translate;
    void Translate(const TVector3f& delta) override;
    void Translate(const TVector3f& delta, int32_t base, int32_t nb);
    void TranslateItem(int32_t Index, const TVector3f& delta);
    void TranslateItems(int32_t Index, const TVector3f& delta, int32_t nb);
    void CombineItem(int32_t Index, const TVector3f& vector, float f);
    void TransformAsPoints(const TMatrix4f& matrix);
    void TransformAsVectors(const TMatrix4f& matrix);
    void TransformAsVectors(const TMatrix3f& matrix);
    void Normalize() override;
    void Lerp(TBaseVectorList* list1, TBaseVectorList* list2, float lerpFactor) override;
    void Scale(float factor);
    void Scale(const TVector3f& factors);
};

class TVectorList : public TTypedList<TVector4f, TBaseVectorList, false> {
public:
    TVectorList() = default;
    TPersistentObject* NewInstance() const override { return new TVectorList; }

    using TTypedList::Add;
    int32_t Add(const TVector3f& item, float w) { return Add(TVector4f{{{item.X, item.Y, item.Z, w}}}); }
    int32_t Add(float X, float Y, float Z, float w) { return Add(TVector4f{{{X, Y, Z, w}}}); }
    void Add(const TVector3f& i1, const TVector3f& i2, const TVector3f& i3, float w);
    int32_t AddVector(const TVector3f& item) { return Add(item, 0.0f); }
    int32_t AddPoint(const TVector3f& item) { return Add(item, 1.0f); }
    int32_t AddPoint(float X, float Y, float Z = 0) { return Add(X, Y, Z, 1.0f); }

    int32_t IndexOf(const TVector4f& item) const;
    int32_t FindOrAdd(const TVector4f& item);
    int32_t FindOrAddPoint(const TVector3f& item);
    void Lerp(TBaseVectorList* list1, TBaseVectorList* list2, float lerpFactor) override;
};

class TTexPointList : public TTypedList<TTexPoint, TBaseVectorList, false> {
public:
    TTexPointList() = default;
    TPersistentObject* NewInstance() const override { return new TTexPointList; }

    using TTypedList::Add;
    int32_t Add(const TVector2f& item) { return Add(TTexPoint{item.X, item.Y}); }
    int32_t Add(float texS, float texT) { return Add(TTexPoint{texS, texT}); }
    int32_t Add(int32_t texS, int32_t texT) { return Add(float(texS), float(texT)); }
    int32_t Add(const int32_t* texST) { return Add(texST[0], texST[1]); }
    // For loops that reserved room; room is still checked.
    int32_t AddNC(int32_t texS, int32_t texT) { return Add(texS, texT); }
    int32_t AddNC(const int32_t* texST) { return AddNC(texST[0], texST[1]); }

    int32_t IndexOf(const TTexPoint& item) const;
    int32_t FindOrAdd(const TTexPoint& item);

    using TBaseVectorList::Translate;
    void Translate(const TTexPoint& delta);
    void ScaleAndTranslate(const TTexPoint& scale, const TTexPoint& delta);
    void ScaleAndTranslate(const TTexPoint& scale, const TTexPoint& delta, int32_t base, int32_t nb);
    void Lerp(TBaseVectorList* list1, TBaseVectorList* list2, float lerpFactor) override;

protected:
    bool HasArchiveTrailer() const override { return false; }
};

class TQuaternionList : public TTypedList<TQuaternion, TBaseVectorList, false> {
public:
    TQuaternionList() = default;
    TPersistentObject* NewInstance() const override { return new TQuaternionList; }

    using TTypedList::Add;
    int32_t Add(const TVector3f& imaginary, float W);
    int32_t Add(float X, float Y, float Z, float W);

    int32_t IndexOf(const TQuaternion& item) const;
    int32_t FindOrAdd(const TQuaternion& item);
    void Lerp(TBaseVectorList* list1, TBaseVectorList* list2, float lerpFactor) override;
    void Combine(TBaseVectorList* list2, float factor) override;
};

class TIntegerList : public TTypedList<int32_t, TBaseList, false> {
public:
    TIntegerList() = default;
    TPersistentObject* NewInstance() const override { return new TIntegerList; }

    using TTypedList::Add;
    // For loops that reserved room; room is still checked.
    int32_t AddNC(int32_t item) { return Add(item); }
    void Add(int32_t i1, int32_t i2) { AddInOrder({i1, i2}); }
    void Add(int32_t i1, int32_t i2, int32_t i3) { AddInOrder({i1, i2, i3}); }
    void Add(TIntegerList* AList) { AppendList(AList); }
    void Remove(int32_t item) { RemoveEqual(item); }
    void AddSerie(int32_t aBase, int32_t aDelta, int32_t aCount);
    void AddIntegers(const int32_t* First, int32_t n) { AppendArray(First, n); }
    void AddIntegers(TIntegerList* aList) { AppendList(aList); }
    void AddIntegers(std::initializer_list<int32_t> anArray) { AppendArray(anArray); }

    int32_t IndexOf(int32_t item) const { return IndexOfEqual(item); }
    int32_t MinInteger() const;
    int32_t MaxInteger() const;
    void Sort();
    void SortAndRemoveDuplicates();
    // On an ascending list: the index of Value or -1; with returnBestFit and no match, the index of the last
    // item below Value (-1 when none).
    int32_t BinarySearch(int32_t Value) const;
    int32_t BinarySearch(int32_t Value, bool returnBestFit, bool& found) const;
    int32_t AddSorted(int32_t Value, bool ignoreDuplicates = false);
    void RemoveSorted(int32_t Value);
    void Offset(int32_t delta);
    void Offset(int32_t delta, int32_t base, int32_t nb);
};

class TLongWordList : public TTypedList<uint32_t, TBaseList, false> {
public:
    TLongWordList() = default;
    TPersistentObject* NewInstance() const override { return new TLongWordList; }

    using TTypedList::Add;
    // For loops that reserved room; room is still checked.
    int32_t AddNC(uint32_t item) { return Add(item); }
    void Add(uint32_t i1, uint32_t i2) { AddInOrder({i1, i2}); }
    void Add(uint32_t i1, uint32_t i2, uint32_t i3) { AddInOrder({i1, i2, i3}); }
    void Add(TLongWordList* AList) { AppendList(AList); }
    void Remove(uint32_t item) { RemoveEqual(item); }
    void AddLongWords(const uint32_t* First, int32_t n) { AppendArray(First, n); }
    void AddLongWords(TLongWordList* aList) { AppendList(aList); }
    void AddLongWords(std::initializer_list<uint32_t> anArray) { AppendArray(anArray); }
    int32_t IndexOf(uint32_t item) const { return IndexOfEqual(item); }
};

class TSingleList : public TTypedList<float, TBaseList, false> {
public:
    TSingleList() = default;
    TPersistentObject* NewInstance() const override { return new TSingleList; }

    using TTypedList::Add;
    void Add(float i1, float i2) { AddInOrder({i1, i2}); }
    void AddSingles(const float* First, int32_t n) { AppendArray(First, n); }
    void AddSingles(std::initializer_list<float> anArray) { AppendArray(anArray); }
    void AddSerie(float aBase, float aDelta, int32_t aCount);
    void Offset(float delta);
    void Offset(TSingleList* delta);
    void Scale(float factor);
    void Sqr();
    void Sqrt();
    float Sum() const;
    float Min() const;
    float Max() const;
};

class TDoubleList : public TTypedList<double, TBaseList, false> {
public:
    TDoubleList() = default;
    TPersistentObject* NewInstance() const override { return new TDoubleList; }

    using TTypedList::Add;
    void AddSerie(double aBase, double aDelta, int32_t aCount);
    void Offset(double delta);
    void Offset(TDoubleList* delta);
    void Scale(double factor);
    void Sqr();
    void Sqrt();
    double Sum() const;
    // Compared as Doubles, kept and answered as Singles.
    float Min() const;
    float Max() const;
};

class TByteList : public TTypedList<uint8_t, TBaseList, false> {
public:
    TByteList() = default;
    TPersistentObject* NewInstance() const override { return new TByteList; }
};

// Four bytes seen as bytes, an Integer, a Cardinal, a Single or two Words.
union T4ByteData {
    uint8_t Bytes[4];
    int32_t Int;
    uint32_t UInt;
    float Float;
    uint16_t Word[2];
};
static_assert(sizeof(T4ByteData) == 4);

class T4ByteList : public TTypedList<T4ByteData, TBaseList, true> {
public:
    T4ByteList() = default;
    TPersistentObject* NewInstance() const override { return new T4ByteList; }

    using TTypedList::Add;
    void Add(float i1) { AddValues<float>({i1}); }
    void Add(float i1, float i2) { AddValues<float>({i1, i2}); }
    void Add(float i1, float i2, float i3) { AddValues<float>({i1, i2, i3}); }
    void Add(float i1, float i2, float i3, float i4) { AddValues<float>({i1, i2, i3, i4}); }
    void Add(int32_t i1) { AddValues<int32_t>({i1}); }
    void Add(int32_t i1, int32_t i2) { AddValues<int32_t>({i1, i2}); }
    void Add(int32_t i1, int32_t i2, int32_t i3) { AddValues<int32_t>({i1, i2, i3}); }
    void Add(int32_t i1, int32_t i2, int32_t i3, int32_t i4) { AddValues<int32_t>({i1, i2, i3, i4}); }
    void Add(uint32_t i1) { AddValues<uint32_t>({i1}); }
    void Add(uint32_t i1, uint32_t i2) { AddValues<uint32_t>({i1, i2}); }
    void Add(uint32_t i1, uint32_t i2, uint32_t i3) { AddValues<uint32_t>({i1, i2, i3}); }
    void Add(uint32_t i1, uint32_t i2, uint32_t i3, uint32_t i4) { AddValues<uint32_t>({i1, i2, i3, i4}); }
    void Add(T4ByteList* AList);

private:
    template <class V> void AddValues(std::initializer_list<V> values);
};

// Key sorts: keys[lo..hi] ascending by value, every swap applied to the objects at the same indices too.
void CheckKeyRange(int32_t lo, int32_t hi, TSingleList* keys, int32_t objectCount);
inline int CompareKeys(float a, float b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}
// Any list with Count() and Exchange(i, j) can follow the keys.
template <class TObjects>
void QuickSortKeysWith(int32_t lo, int32_t hi, TSingleList* keys, TObjects* objects)
{
    CheckKeyRange(lo, hi, keys, objects->Count());
    float* items = keys->List();
    EngineQuickSort<true>(
        lo, hi, [items](int32_t i) { return items[i]; }, CompareKeys,
        [items, objects](int32_t i, int32_t j) {
            std::swap(items[i], items[j]);
            objects->Exchange(i, j);
        });
}
inline void QuickSortKeysWithObjectList(int32_t lo, int32_t hi, TSingleList* keys, TPersistentObjectList* objects)
{
    QuickSortKeysWith(lo, hi, keys, objects);
}
template <class T>
void QuickSortSingleKeysWithList(int32_t lo, int32_t hi, TSingleList* keys, TList<T>* objects)
{
    QuickSortKeysWith(lo, hi, keys, objects);
}

// Registers the archivable lists by class name; called once at start-up.
void RegisterGLVectorListsClasses();
