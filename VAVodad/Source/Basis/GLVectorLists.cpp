#include "GLVectorLists.h"

#include "ComponentStreams.h"
#include "GLVectorGeometry.h"
#include "Streams.h"
#include "SysUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace {

const char* const cUnit = "VAVodad\\Source\\Basis\\GLVectorLists";

// The "Items" property text: two upper-case hexadecimal digits per byte.
std::string BytesToHex(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text(bytes.size() * 2, '0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<uint8_t>(bytes[i]);
        text[2 * i] = digits[b >> 4];
        text[2 * i + 1] = digits[b & 15];
    }
    return text;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string HexToBytes(const std::string& text)
{
    if (text.size() % 2 != 0) throw EReadError("Invalid property value");
    std::string bytes(text.size() / 2, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        const int high = HexDigit(text[2 * i]);
        const int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0) throw EReadError("Invalid property value");
        bytes[i] = static_cast<char>(high * 16 + low);
    }
    return bytes;
}

// Integer arithmetic of the lists wraps as the system's did, without undefined behaviour.
int32_t WrappingAdd(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TBaseList

TBaseList::TBaseList(int32_t itemSize) : FItemSize(itemSize) {}

TBaseList::~TBaseList()
{
    if (UsesExternalMemory())
        FBaseList = nullptr;
    else
        std::free(FBaseList);
    std::free(FBufferItem);
}

void TBaseList::RaiseListIndexError(int32_t Index) const
{
    RaiseListError("List index out of bounds (%d)", Index);
}

// Storage grows by at least half of what it holds, so appends that raise Capacity by GrowthDelta each time do
// not copy the whole buffer each time; Capacity itself stays what the list was asked for. New bytes are zero.
void TBaseList::Reallocate(int64_t bytes)
{
    int64_t target;
    if (bytes == 0)
        target = 0;
    else if (bytes > FAllocated)
        target = std::max(bytes, FAllocated + FAllocated / 2);
    else if (bytes < FAllocated / 2)
        target = bytes;
    else
        return;
    if (target == 0) {
        std::free(FBaseList);
        FBaseList = nullptr;
        FAllocated = 0;
        return;
    }
    auto* memory = static_cast<uint8_t*>(std::realloc(FBaseList, static_cast<size_t>(target)));
    if (!memory) throw std::bad_alloc();
    if (target > FAllocated) std::memset(memory + FAllocated, 0, static_cast<size_t>(target - FAllocated));
    FBaseList = memory;
    FAllocated = target;
}

void TBaseList::SetCapacity(int32_t Value)
{
    if (Value == FCapacity) return;
    if (Value < 0) RaiseListError("List capacity out of bounds (%d)", Value);
    const int64_t bytes = static_cast<int64_t>(Value) * FItemSize;
    if (UsesExternalMemory()) {
        // The items move into a buffer of the list's own; the caller keeps its memory.
        uint8_t* external = FBaseList;
        FOptions &= ~(1u << bloExternalMemory);
        FBaseList = nullptr;
        FAllocated = 0;
        Reallocate(bytes);
        if (external && bytes > 0)
            std::memcpy(FBaseList, external, static_cast<size_t>(std::min(Value, FCount)) * FItemSize);
    } else {
        Reallocate(bytes);
    }
    FCapacity = Value;
    if (FCount > Value) FCount = Value;
    ++FRevision;
}

void TBaseList::SetCount(int32_t Value)
{
    Assert(Value >= 0, "", cUnit, 979);
    if (FCapacity < Value) SetCapacity(Value);
    if (SetCountResetsMemory() && Value > FCount)
        std::memset(FBaseList + static_cast<int64_t>(FCount) * FItemSize, 0,
                    static_cast<size_t>(Value - FCount) * FItemSize);
    FCount = Value;
    ++FRevision;
}

void TBaseList::SetSetCountResetsMemory(bool Value)
{
    if (Value)
        FOptions |= 1u << bloSetCountResetsMemory;
    else
        FOptions &= ~(1u << bloSetCountResetsMemory);
}

void TBaseList::GrowBySteps(int32_t needed)
{
    // A GrowthDelta below 1 would never make room.
    const int32_t step = std::max(FGrowthDelta, 1);
    while (FCapacity < needed) SetCapacity(FCapacity + step);
}

int32_t TBaseList::AppendSlots(int32_t n)
{
    const int32_t first = FCount;
    GrowBySteps(FCount + n);
    FCount += n;
    return first;
}

void TBaseList::InsertSlot(int32_t Index)
{
    if (Index < 0 || Index > FCount) RaiseListIndexError(Index);
    if (FCount == FCapacity) GrowBySteps(FCount + 1);
    uint8_t* at = FBaseList + static_cast<int64_t>(Index) * FItemSize;
    std::memmove(at + FItemSize, at, static_cast<size_t>(FCount - Index) * FItemSize);
    ++FCount;
}

void TBaseList::AppendItems(const void* src, int32_t n)
{
    if (n <= 0) return;
    const auto* bytes = static_cast<const uint8_t*>(src);
    // A source inside this buffer is found again after the buffer moves.
    const bool inside = FBaseList && bytes >= FBaseList && bytes < FBaseList + FAllocated;
    const int64_t offset = inside ? bytes - FBaseList : 0;
    if (FCount + n > FCapacity) SetCapacity(FCount + n);
    if (inside) bytes = FBaseList + offset;
    std::memmove(FBaseList + static_cast<int64_t>(FCount) * FItemSize, bytes, static_cast<size_t>(n) * FItemSize);
    FCount += n;
}

void TBaseList::Assign(TPersistent* Src)
{
    if (auto* source = dynamic_cast<TBaseList*>(Src)) {
        SetCapacity(source->Count());
        FGrowthDelta = source->FGrowthDelta;
        SetCount(FCapacity);
        FTagString = source->FTagString;
        ++FRevision;
    } else {
        TPersistentObject::Assign(Src);
    }
}

void TBaseList::AddNulls(int32_t nbVals)
{
    if (nbVals > 0) {
        if (FCount + nbVals > FCapacity) SetCapacity(FCount + nbVals);
        std::memset(FBaseList + static_cast<int64_t>(FCount) * FItemSize, 0, static_cast<size_t>(nbVals) * FItemSize);
        FCount += nbVals;
    }
    ++FRevision;
}

void TBaseList::InsertNulls(int32_t Index, int32_t nbVals)
{
    if (nbVals <= 0) return;
    if (Index < 0 || Index > FCount) RaiseListIndexError(Index);
    if (FCount + nbVals > FCapacity) SetCapacity(FCount + nbVals);
    uint8_t* at = FBaseList + static_cast<int64_t>(Index) * FItemSize;
    std::memmove(at + static_cast<int64_t>(nbVals) * FItemSize, at, static_cast<size_t>(FCount - Index) * FItemSize);
    std::memset(at, 0, static_cast<size_t>(nbVals) * FItemSize);
    FCount += nbVals;
    ++FRevision;
}

void TBaseList::AdjustCapacityToAtLeast(int32_t size)
{
    if (FCapacity < size) SetCapacity(size);
}

void TBaseList::UseMemory(void* rangeStart, int32_t rangeCapacity)
{
    const int32_t n = rangeCapacity / FItemSize;
    if (n < FCount) return;
    if (FCount > 0) std::memcpy(rangeStart, FBaseList, static_cast<size_t>(FCount) * FItemSize);
    if (!UsesExternalMemory()) std::free(FBaseList);
    FOptions |= 1u << bloExternalMemory;
    FBaseList = static_cast<uint8_t*>(rangeStart);
    FAllocated = static_cast<int64_t>(n) * FItemSize;
    FCapacity = n;
}

void TBaseList::Flush()
{
    SetCount(0);
}

void TBaseList::Clear()
{
    SetCount(0);
    SetCapacity(0);
}

void TBaseList::Delete(int32_t Index)
{
    CheckIndex(Index);
    uint8_t* at = FBaseList + static_cast<int64_t>(Index) * FItemSize;
    std::memmove(at, at + FItemSize, static_cast<size_t>(FCount - Index - 1) * FItemSize);
    --FCount;
    ++FRevision;
}

void TBaseList::DeleteItems(int32_t Index, int32_t nbVals)
{
    if (nbVals == 0) return;
    CheckIndex(Index);
    if (nbVals < 0 || nbVals > FCount - Index) RaiseListIndexError(Index + nbVals - 1);
    uint8_t* at = FBaseList + static_cast<int64_t>(Index) * FItemSize;
    std::memmove(at, at + static_cast<int64_t>(nbVals) * FItemSize,
                 static_cast<size_t>(FCount - Index - nbVals) * FItemSize);
    FCount -= nbVals;
    ++FRevision;
}

void TBaseList::Exchange(int32_t index1, int32_t index2)
{
    CheckIndex(index1);
    CheckIndex(index2);
    uint8_t* a = FBaseList + static_cast<int64_t>(index1) * FItemSize;
    uint8_t* b = FBaseList + static_cast<int64_t>(index2) * FItemSize;
    if (!FBufferItem) FBufferItem = static_cast<uint8_t*>(std::malloc(FItemSize));
    if (!FBufferItem) throw std::bad_alloc();
    std::memcpy(FBufferItem, a, FItemSize);
    std::memcpy(a, b, FItemSize);
    std::memcpy(b, FBufferItem, FItemSize);
    ++FRevision;
}

void TBaseList::Move(int32_t curIndex, int32_t newIndex)
{
    if (curIndex == newIndex) return;
    CheckIndex(curIndex);
    CheckIndex(newIndex);
    if (!FBufferItem) FBufferItem = static_cast<uint8_t*>(std::malloc(FItemSize));
    if (!FBufferItem) throw std::bad_alloc();
    uint8_t* cur = FBaseList + static_cast<int64_t>(curIndex) * FItemSize;
    uint8_t* dest = FBaseList + static_cast<int64_t>(newIndex) * FItemSize;
    std::memcpy(FBufferItem, cur, FItemSize);
    if (curIndex < newIndex)
        std::memmove(cur, cur + FItemSize, static_cast<size_t>(newIndex - curIndex) * FItemSize);
    else
        std::memmove(dest + FItemSize, dest, static_cast<size_t>(curIndex - newIndex) * FItemSize);
    std::memcpy(dest, FBufferItem, FItemSize);
    ++FRevision;
}

void TBaseList::Reverse()
{
    for (int32_t i = 0, j = FCount - 1; i < j; ++i, --j)
        std::swap_ranges(FBaseList + static_cast<int64_t>(i) * FItemSize,
                         FBaseList + static_cast<int64_t>(i + 1) * FItemSize,
                         FBaseList + static_cast<int64_t>(j) * FItemSize);
    ++FRevision;
}

void TBaseList::WriteToFiler(TVirtualWriter* writer)
{
    TPersistentObject::WriteToFiler(writer);
    writer->WriteInteger(0); // archive version
    writer->WriteInteger(FCount);
    writer->WriteInteger(FItemSize);
    if (FCount > 0) writer->Write(FBaseList, static_cast<int64_t>(FCount) * FItemSize);
    if (HasArchiveTrailer()) writer->WriteInteger(0);
}

void TBaseList::ReadFromFiler(TVirtualReader* reader)
{
    TPersistentObject::ReadFromFiler(reader);
    const int32_t version = reader->ReadInteger();
    if (version != 0) RaiseUnknownArchiveVersion(version);
    const int32_t count = reader->ReadInteger();
    const int32_t itemSize = reader->ReadInteger();
    // The items must be of this list's kind and present in full before any memory is sized for them.
    if (count < 0 || itemSize != FItemSize || static_cast<int64_t>(count) * itemSize > reader->BytesLeft())
        reader->ReadTypeError();
    SetCapacity(count);
    FCount = count;
    if (count > 0) reader->Read(FBaseList, static_cast<int64_t>(count) * itemSize);
    ++FRevision;
    if (HasArchiveTrailer()) {
        const int32_t trailer = reader->ReadInteger();
        if (trailer != 0) RaiseUnknownArchiveVersion(trailer);
    }
}

void TBaseList::DefineProperties(TFiler& Filer)
{
    TPersistentObject::DefineProperties(Filer);
    Filer.DefineProperty(
        "Items", [this](TReader& reader) { LoadItemsProperty(reader); },
        [this](TWriter& writer) { StoreItemsProperty(writer); }, true);
}

void TBaseList::LoadItemsProperty(TReader& reader)
{
    LoadFromString(HexToBytes(reader.ReadString()));
}

void TBaseList::StoreItemsProperty(TWriter& writer)
{
    writer.WriteString(BytesToHex(SaveToString()));
}

// ---------------------------------------------------------------------------------------------------------
// TBaseVectorList

TVector3f TBaseVectorList::VectorAt(int32_t Index) const
{
    TVector3f v{};
    std::memcpy(&v, GetItemAddress(Index), VectorComponents() * sizeof(float));
    return v;
}

void TBaseVectorList::SetVectorAt(int32_t Index, const TVector3f& v)
{
    std::memcpy(GetItemAddress(Index), &v, VectorComponents() * sizeof(float));
}

void TBaseVectorList::GetExtents(TVector3f& min, TVector3f& max)
{
    const float inf = std::numeric_limits<float>::infinity();
    min = TVector3f{{{inf, inf, inf}}};
    max = TVector3f{{{-inf, -inf, -inf}}};
    for (int32_t i = 0; i < Count(); ++i) {
        const TVector3f v = VectorAt(i);
        for (int k = 0; k < 3; ++k) {
            if (v.V[k] < min.V[k]) min.V[k] = v.V[k];
            if (v.V[k] > max.V[k]) max.V[k] = v.V[k];
        }
    }
}

TVector3f TBaseVectorList::Sum()
{
    TVector3f result{};
    for (int32_t i = 0; i < Count(); ++i) AffineAddInPlace(result, VectorAt(i));
    return result;
}

void TBaseVectorList::Normalize()
{
    for (int32_t i = 0; i < Count(); ++i) {
        TVector3f v = VectorAt(i);
        AffineNormalizeInPlace(v);
        SetVectorAt(i, v);
    }
    SetRevision(Revision() + 1);
}

float TBaseVectorList::MaxSpacing(TBaseVectorList* list2)
{
    Assert(list2->Count() == Count(), "", cUnit, 1327);
    float result = 0;
    for (int32_t i = 0; i < Count(); ++i)
        result = std::max(result, static_cast<float>(AffineManhattanDistance(VectorAt(i), list2->VectorAt(i))));
    return result;
}

void TBaseVectorList::Translate(const TVector3f& delta)
{
    for (int32_t i = 0; i < Count(); ++i) {
        TVector3f v = VectorAt(i);
        AffineAddInPlace(v, delta);
        SetVectorAt(i, v);
    }
    SetRevision(Revision() + 1);
}

void TBaseVectorList::AddScaled(TBaseVectorList* other, float factor)
{
    for (int32_t i = 0; i < Count(); ++i) {
        TVector3f v = VectorAt(i);
        AffineCombineInPlace(v, other->VectorAt(i), factor);
        SetVectorAt(i, v);
    }
    SetRevision(Revision() + 1);
}

void TBaseVectorList::Translate(TBaseVectorList* delta)
{
    Assert(delta->Count() >= Count(), "", cUnit, 1355);
    AddScaled(delta, 1.0f);
}

void TBaseVectorList::TranslateInv(TBaseVectorList* delta)
{
    Assert(delta->Count() >= Count(), "", cUnit, 1367);
    AddScaled(delta, -1.0f);
}

void TBaseVectorList::AngleLerp(TBaseVectorList* list1, TBaseVectorList* list2, float lerpFactor)
{
    Assert(list1->Count() == list2->Count(), "", cUnit, 1379);
    if (list1 == list2 || lerpFactor == 1.0f) {
        Assign(list2);
    } else if (lerpFactor == 0.0f) {
        Assign(list1);
    } else {
        SetCapacity(list1->Count());
        SetCount(list1->Count());
        for (int32_t i = 0; i < Count(); ++i) {
            TVector3f r;
            AffineAngleLerp(list1->VectorAt(i), list2->VectorAt(i), lerpFactor, r);
            SetVectorAt(i, r);
        }
    }
    SetRevision(Revision() + 1);
}

void TBaseVectorList::AngleCombine(TBaseVectorList* list1, float intensity)
{
    Assert(list1->Count() == Count(), "", cUnit, 1408);
    AddScaled(list1, intensity);
}

void TBaseVectorList::Combine(TBaseVectorList* list2, float factor)
{
    Assert(list2->Count() >= Count(), "", cUnit, 1422);
    AddScaled(list2, factor);
}

// ---------------------------------------------------------------------------------------------------------
// Range checks of the bulk operations on a part of a list

namespace {

void CheckRange(const TBaseList& list, int32_t base, int32_t nb)
{
    if (base < 0 || nb < 0 || base > list.Count() - nb) RaiseListError("List index out of bounds (%d)", base);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TAffineVectorList

void TAffineVectorList::Add(TAffineVectorList* list)
{
    AppendList(list);
    Touch();
}

TVector3f TAffineVectorList::Pop()
{
    if (Count() == 0) return TVector3f{};
    Touch();
    return TTypedList::Pop();
}

int32_t TAffineVectorList::IndexOf(const TVector3f& item) const
{
    for (int32_t i = 0; i < Count(); ++i)
        if (AffineEquals(List()[i], item)) return i;
    return -1;
}

// Revision goes up once for the look-up and once more through Add when the item is appended.
int32_t TAffineVectorList::FindOrAdd(const TVector3f& item)
{
    int32_t result = IndexOf(item);
    if (result < 0) result = Add(item);
    Touch();
    return result;
}

void TAffineVectorList::Translate(const TVector3f& delta)
{
    AffineArrayAdd(List(), delta, Count(), List());
    Touch();
}

void TAffineVectorList::Translate(const TVector3f& delta, int32_t base, int32_t nb)
{
    CheckRange(*this, base, nb);
    AffineArrayAdd(List() + base, delta, nb, List() + base);
    Touch();
}

void TAffineVectorList::TranslateItem(int32_t Index, const TVector3f& delta)
{
    CheckIndex(Index);
    AffineAddInPlace(List()[Index], delta);
    Touch();
}

void TAffineVectorList::TranslateItems(int32_t Index, const TVector3f& delta, int32_t nb)
{
    Translate(delta, Index, nb);
}

void TAffineVectorList::CombineItem(int32_t Index, const TVector3f& vector, float f)
{
    CheckIndex(Index);
    AffineCombineInPlace(List()[Index], vector, f);
    Touch();
}

void TAffineVectorList::TransformAsPoints(const TMatrix4f& matrix)
{
    for (int32_t i = 0; i < Count(); ++i) AffineTransformPoint(List()[i], matrix, List()[i]);
    Touch();
}

void TAffineVectorList::TransformAsVectors(const TMatrix4f& matrix)
{
    if (Count() > 0) {
        TMatrix3f m3;
        MatrixUpper3x3(m3, matrix);
        TransformAsVectors(m3);
    }
}

void TAffineVectorList::TransformAsVectors(const TMatrix3f& matrix)
{
    for (int32_t i = 0; i < Count(); ++i) AffineTransformByMatrix3(List()[i], matrix, List()[i]);
    Touch();
}

void TAffineVectorList::Normalize()
{
    AffineArrayNormalizeInPlace(List(), Count());
    Touch();
}

void TAffineVectorList::Lerp(TBaseVectorList* list1, TBaseVectorList* list2, float lerpFactor)
{
    auto* a = dynamic_cast<TAffineVectorList*>(list1);
    auto* b = dynamic_cast<TAffineVectorList*>(list2);
    if (!a || !b) return;
    Assert(a->Count() == b->Count(), "", cUnit, 1834);
    SetCapacity(a->Count());
    SetCount(a->Count());
    AffineArrayLerp(a->List(), b->List(), Count(), lerpFactor, List());
    Touch();
}

void TAffineVectorList::Scale(float factor)
{
    if (Count() > 0 && factor != 1.0f) {
        FloatArrayScaleInPlace(&List()[0].X, 3 * Count(), factor);
        Touch();
    }
}

void TAffineVectorList::Scale(const TVector3f& factors)
{
    for (int32_t i = 0; i < Count(); ++i) AffineMultiplyComponentsInPlace(List()[i], factors);
    Touch();
}

// ---------------------------------------------------------------------------------------------------------
// TVectorList

void TVectorList::Add(const TVector3f& i1, const TVector3f& i2, const TVector3f& i3, float w)
{
    AddInOrder({TVector4f{{{i1.X, i1.Y, i1.Z, w}}}, TVector4f{{{i2.X, i2.Y, i2.Z, w}}},
                TVector4f{{{i3.X, i3.Y, i3.Z, w}}}});
}

int32_t TVectorList::IndexOf(const TVector4f& item) const
{
    for (int32_t i = 0; i < Count(); ++i)
        if (HmgEquals(List()[i], item)) return i;
    return -1;
}

int32_t TVectorList::FindOrAdd(const TVector4f& item)
{
    const int32_t result = IndexOf(item);
    return result >= 0 ? result : Add(item);
}

int32_t TVectorList::FindOrAddPoint(const TVector3f& item)
{
    return FindOrAdd(TVector4f{{{item.X, item.Y, item.Z, 1.0f}}});
}

void TVectorList::Lerp(TBaseVectorList* list1, TBaseVectorList* list2, float lerpFactor)
{
    auto* a = dynamic_cast<TVectorList*>(list1);
    auto* b = dynamic_cast<TVectorList*>(list2);
    if (!a || !b) return;
    Assert(a->Count() == b->Count(), "", cUnit, 2078);
    SetCapacity(a->Count());
    SetCount(a->Count());
    HmgArrayLerp(a->List(), b->List(), Count(), lerpFactor, List());
}

// ---------------------------------------------------------------------------------------------------------
// TTexPointList

int32_t TTexPointList::IndexOf(const TTexPoint& item) const
{
    for (int32_t i = 0; i < Count(); ++i)
        if (List()[i].S == item.S && List()[i].T == item.T) return i;
    return -1;
}

int32_t TTexPointList::FindOrAdd(const TTexPoint& item)
{
    const int32_t result = IndexOf(item);
    return result >= 0 ? result : Add(item);
}

void TTexPointList::Translate(const TTexPoint& delta)
{
    TexPointArrayAdd(List(), delta, Count(), List());
}

void TTexPointList::ScaleAndTranslate(const TTexPoint& scale, const TTexPoint& delta)
{
    TexPointArrayScaleAndAdd(List(), delta, Count(), scale, List());
}

void TTexPointList::ScaleAndTranslate(const TTexPoint& scale, const TTexPoint& delta, int32_t base, int32_t nb)
{
    CheckRange(*this, base, nb);
    TexPointArrayScaleAndAdd(List() + base, delta, nb, scale, List() + base);
}

void TTexPointList::Lerp(TBaseVectorList* list1, TBaseVectorList* list2, float lerpFactor)
{
    auto* a = dynamic_cast<TTexPointList*>(list1);
    auto* b = dynamic_cast<TTexPointList*>(list2);
    if (!a || !b) return;
    Assert(a->Count() == b->Count(), "", cUnit, 2345);
    SetCapacity(a->Count());
    SetCount(a->Count());
    TexPointArrayLerp(a->List(), b->List(), Count(), lerpFactor, List());
}

// ---------------------------------------------------------------------------------------------------------
// TQuaternionList

int32_t TQuaternionList::Add(const TVector3f& imaginary, float W)
{
    return Add(TQuaternion{imaginary, W});
}

int32_t TQuaternionList::Add(float X, float Y, float Z, float W)
{
    return Add(TQuaternion{TVector3f{{{X, Y, Z}}}, W});
}

int32_t TQuaternionList::IndexOf(const TQuaternion& item) const
{
    for (int32_t i = 0; i < Count(); ++i)
        if (List()[i].RealPart == item.RealPart && AffineEquals(List()[i].ImagPart, item.ImagPart)) return i;
    return -1;
}

int32_t TQuaternionList::FindOrAdd(const TQuaternion& item)
{
    const int32_t result = IndexOf(item);
    return result >= 0 ? result : Add(item);
}

void TQuaternionList::Lerp(TBaseVectorList* list1, TBaseVectorList* list2, float lerpFactor)
{
    auto* a = dynamic_cast<TQuaternionList*>(list1);
    auto* b = dynamic_cast<TQuaternionList*>(list2);
    if (!a || !b) return;
    Assert(a->Count() == b->Count(), "", cUnit, 3668);
    SetCapacity(a->Count());
    SetCount(a->Count());
    for (int32_t i = 0; i < Count(); ++i)
        QuaternionSphericalLerp(a->List()[i], b->List()[i], lerpFactor, List()[i]);
}

void TQuaternionList::Combine(TBaseVectorList* list2, float factor)
{
    Assert(list2->Count() >= Count(), "", cUnit, 3689);
    auto* quaternions = dynamic_cast<TQuaternionList*>(list2);
    if (!quaternions) {
        TBaseVectorList::Combine(list2, factor);
        return;
    }
    const TQuaternion identity = EmptyListItem<TQuaternion>();
    for (int32_t i = 0; i < Count(); ++i) {
        TQuaternion part;
        QuaternionSphericalLerp(identity, quaternions->List()[i], factor, part);
        QuaternionProduct(List()[i], part, List()[i]);
    }
}

// ---------------------------------------------------------------------------------------------------------
// TIntegerList

void TIntegerList::AddSerie(int32_t aBase, int32_t aDelta, int32_t aCount)
{
    if (aCount < 1) return;
    AdjustCapacityToAtLeast(Count() + aCount);
    const int32_t first = AppendSlots(aCount);
    for (int32_t i = 0; i < aCount; ++i) {
        List()[first + i] = aBase;
        aBase = WrappingAdd(aBase, aDelta);
    }
}

int32_t TIntegerList::MinInteger() const
{
    return Count() > 0 ? *std::min_element(List(), List() + Count()) : 0;
}

int32_t TIntegerList::MaxInteger() const
{
    return Count() > 0 ? *std::max_element(List(), List() + Count()) : 0;
}

void TIntegerList::Sort()
{
    if (Count() > 1) {
        int32_t* items = List();
        EngineQuickSort<false>(
            0, Count() - 1, [items](int32_t i) { return items[i]; },
            [](int32_t a, int32_t b) { return a < b ? -1 : (a > b ? 1 : 0); },
            [items](int32_t i, int32_t j) { std::swap(items[i], items[j]); });
    }
}

void TIntegerList::SortAndRemoveDuplicates()
{
    if (Count() < 2) return;
    Sort();
    int32_t* items = List();
    int32_t kept = 1;
    for (int32_t i = 1; i < Count(); ++i)
        if (items[i] != items[kept - 1]) items[kept++] = items[i];
    SetCount(kept);
}

int32_t TIntegerList::BinarySearch(int32_t Value) const
{
    bool found;
    return BinarySearch(Value, false, found);
}

int32_t TIntegerList::BinarySearch(int32_t Value, bool returnBestFit, bool& found) const
{
    found = false;
    if (Count() == 0) return -1;
    const int32_t* items = List();
    int32_t lo = -1, hi = Count();
    while (hi != lo + 1) {
        const int32_t mid = (lo + hi) / 2;
        if (Value == items[mid]) {
            found = true;
            return mid;
        }
        if (Value > items[mid])
            lo = mid;
        else
            hi = mid;
    }
    return returnBestFit ? lo : -1;
}

int32_t TIntegerList::AddSorted(int32_t Value, bool ignoreDuplicates)
{
    bool found;
    const int32_t k = BinarySearch(Value, true, found);
    if (ignoreDuplicates && found) return -1;
    Insert(k + 1, Value);
    return k + 1;
}

void TIntegerList::RemoveSorted(int32_t Value)
{
    const int32_t index = BinarySearch(Value);
    if (index >= 0) Delete(index);
}

void TIntegerList::Offset(int32_t delta)
{
    Offset(delta, 0, Count());
}

void TIntegerList::Offset(int32_t delta, int32_t base, int32_t nb)
{
    CheckRange(*this, base, nb);
    for (int32_t i = base; i < base + nb; ++i) List()[i] = WrappingAdd(List()[i], delta);
}

// ---------------------------------------------------------------------------------------------------------
// TSingleList and TDoubleList

namespace {

// Min or Max of a float or double list: the first of equal values is kept; the running result has the type R.
template <class R, class T, class Better>
R ExtremeOf(const T* items, int32_t count, Better better)
{
    if (count == 0) return 0;
    R result = static_cast<R>(items[0]);
    for (int32_t i = 1; i < count; ++i)
        if (better(items[i], static_cast<T>(result))) result = static_cast<R>(items[i]);
    return result;
}

template <class T, class List>
void OffsetByList(List* self, List* delta, const char* mismatch)
{
    if (delta->Count() != self->Count()) throw Exception(mismatch);
    for (int32_t i = 0; i < self->Count(); ++i) self->List()[i] += delta->List()[i];
}

} // namespace

void TSingleList::AddSerie(float aBase, float aDelta, int32_t aCount)
{
    if (aCount < 1) return;
    AdjustCapacityToAtLeast(Count() + aCount);
    const int32_t first = AppendSlots(aCount);
    for (int32_t i = 0; i < aCount; ++i) {
        List()[first + i] = aBase;
        aBase = aBase + aDelta;
    }
}

void TSingleList::Offset(float delta)
{
    FloatArrayOffsetInPlace(List(), Count(), delta);
}

void TSingleList::Offset(TSingleList* delta)
{
    OffsetByList<float>(this, delta, "SingleList count do not match");
}

void TSingleList::Scale(float factor)
{
    FloatArrayScaleInPlace(List(), Count(), factor);
}

void TSingleList::Sqr()
{
    for (int32_t i = 0; i < Count(); ++i) List()[i] *= List()[i];
}

void TSingleList::Sqrt()
{
    for (int32_t i = 0; i < Count(); ++i) List()[i] = std::sqrt(List()[i]);
}

float TSingleList::Sum() const
{
    double result = 0;
    for (int32_t i = 0; i < Count(); ++i) result += List()[i];
    return static_cast<float>(result);
}

float TSingleList::Min() const
{
    return ExtremeOf<float>(List(), Count(), [](float a, float b) { return a < b; });
}

float TSingleList::Max() const
{
    return ExtremeOf<float>(List(), Count(), [](float a, float b) { return a > b; });
}

void TDoubleList::AddSerie(double aBase, double aDelta, int32_t aCount)
{
    if (aCount < 1) return;
    AdjustCapacityToAtLeast(Count() + aCount);
    const int32_t first = AppendSlots(aCount);
    for (int32_t i = 0; i < aCount; ++i) {
        List()[first + i] = aBase;
        aBase += aDelta;
    }
}

void TDoubleList::Offset(double delta)
{
    for (int32_t i = 0; i < Count(); ++i) List()[i] += delta;
}

void TDoubleList::Offset(TDoubleList* delta)
{
    OffsetByList<double>(this, delta, "DoubleList count do not match");
}

void TDoubleList::Scale(double factor)
{
    for (int32_t i = 0; i < Count(); ++i) List()[i] *= factor;
}

void TDoubleList::Sqr()
{
    for (int32_t i = 0; i < Count(); ++i) List()[i] *= List()[i];
}

void TDoubleList::Sqrt()
{
    for (int32_t i = 0; i < Count(); ++i) List()[i] = std::sqrt(List()[i]);
}

double TDoubleList::Sum() const
{
    double result = 0;
    for (int32_t i = 0; i < Count(); ++i) result += List()[i];
    return result;
}

float TDoubleList::Min() const
{
    return ExtremeOf<float>(List(), Count(), [](double a, double b) { return a < b; });
}

float TDoubleList::Max() const
{
    return ExtremeOf<float>(List(), Count(), [](double a, double b) { return a > b; });
}

// ---------------------------------------------------------------------------------------------------------
// T4ByteList

template <class V>
void T4ByteList::AddValues(std::initializer_list<V> values)
{
    int32_t index = AppendSlots(static_cast<int32_t>(values.size()));
    for (const V value : values) std::memcpy(&List()[index++], &value, sizeof(T4ByteData));
    Touch();
}

template void T4ByteList::AddValues<float>(std::initializer_list<float>);
template void T4ByteList::AddValues<int32_t>(std::initializer_list<int32_t>);
template void T4ByteList::AddValues<uint32_t>(std::initializer_list<uint32_t>);

void T4ByteList::Add(T4ByteList* AList)
{
    AppendList(AList);
    Touch();
}

// ---------------------------------------------------------------------------------------------------------
// Key sorts and registration

void CheckKeyRange(int32_t lo, int32_t hi, TSingleList* keys, int32_t objectCount)
{
    if (lo < hi && (lo < 0 || hi >= keys->Count() || hi >= objectCount))
        RaiseListError("List index out of bounds (%d)", lo < 0 ? lo : hi);
}

void RegisterGLVectorListsClasses()
{
    RegisterClasses<TAffineVectorList, TVectorList, TTexPointList, TSingleList, TDoubleList, T4ByteList,
                    TLongWordList>();
}
