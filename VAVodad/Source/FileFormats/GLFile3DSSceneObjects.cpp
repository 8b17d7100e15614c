// 3DS keyframe tracks, the node objects that keep them, and the 3DS scene objects: the light and camera the
// nodes own, the free form and the actor.
#include "GLFile3DSSceneObjects.h"

#include "GLCoordinates.h"
#include "GLObjects.h"
#include "GLVectorGeometry.h"
#include "OpenGLAdapter.h"
#include "TextEncoding.h"
#include "VAVodad_streaming.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <numbers>
#include <typeinfo>

// Raw archive records are put together field by field in the memory's byte order, which is the archive's. Key
// headers and track values lie in memory as in the archive, so they are read straight into their arrays.
static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(TKeyHeader3DS) == 28 && offsetof(TKeyHeader3DS, RFlags) == 4 &&
              offsetof(TKeyHeader3DS, Tension) == 8 && offsetof(TKeyHeader3DS, EaseFrom) == 24);
static_assert(sizeof(TVector3f) == 12 && sizeof(TKFRotKey3DS) == 16 && offsetof(TKFRotKey3DS, Z) == 12);

// ---------------------------------------------------------------------------------------------------------
// The scene objects a node owns

// Holds a scene object for a node while the scene tree may free it first (a parent frees its children, a
// component owner its components): free notification tells the holder, which then holds none. Whatever still
// holds it frees it.
class TGLFile3DSHeldObject final : public TComponent {
public:
    explicit TGLFile3DSHeldObject(TGLBaseSceneObject* AObject) : TComponent(nullptr) { Reset(AObject); }
    void BeforeDestruction() override
    {
        Reset(nullptr);
        TComponent::BeforeDestruction();
    }

    TGLBaseSceneObject* Object() const { return FObject; }
    // Frees the object held unless it is Value, and holds Value.
    void Reset(TGLBaseSceneObject* Value)
    {
        if (Value == FObject) return;
        TGLBaseSceneObject* old = FObject;
        FObject = Value;
        if (Value) Value->FreeNotification(this);
        if (old) {
            old->RemoveFreeNotification(this);
            Free(old);
        }
    }

    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        if (Operation == opRemove && AComponent == FObject) FObject = nullptr;
        TComponent::Notification(AComponent, Operation);
    }

private:
    TGLBaseSceneObject* FObject = nullptr;
};

namespace {

constexpr int32_t cKeyHeaderSize = 28;
constexpr int32_t cAnimationDataSize = 104;

// ---- raw little-endian fields

template <class T> void Put(std::vector<uint8_t>& bytes, T value)
{
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    bytes.insert(bytes.end(), p, p + sizeof(T));
}

template <class T> T Get(const uint8_t*& p)
{
    T value;
    std::memcpy(&value, p, sizeof(T));
    p += sizeof(T);
    return value;
}

void PutSingles(std::vector<uint8_t>& bytes, const float* values, int n)
{
    for (int i = 0; i < n; ++i) Put(bytes, values[i]);
}

void GetSingles(const uint8_t*& p, float* values, int n)
{
    for (int i = 0; i < n; ++i) values[i] = Get<float>(p);
}

void PutKeyHeader(std::vector<uint8_t>& bytes, const TKeyHeader3DS& key)
{
    Put(bytes, key.Time);
    Put(bytes, key.RFlags);
    Put<uint16_t>(bytes, 0);
    const float spline[5] = {key.Tension, key.Continuity, key.Bias, key.EaseTo, key.EaseFrom};
    PutSingles(bytes, spline, 5);
}

void WriteAnimationData(TVirtualWriter* writer, const TGLFile3DSAnimationData& data)
{
    std::vector<uint8_t> bytes;
    bytes.reserve(cAnimationDataSize);
    for (const TVector4f& row : data.ModelMatrix.V) PutSingles(bytes, row.V, 4);
    PutSingles(bytes, data.Color.V, 4);
    PutSingles(bytes, data.TargetPos.V, 3);
    const float angles[3] = {data.SpotLightCutOff, data.HotSpot, data.Roll};
    PutSingles(bytes, angles, 3);
    writer->Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

TGLFile3DSAnimationData ReadAnimationData(TVirtualReader* reader)
{
    uint8_t bytes[cAnimationDataSize];
    reader->Read(bytes, cAnimationDataSize);
    const uint8_t* p = bytes;
    TGLFile3DSAnimationData data;
    for (TVector4f& row : data.ModelMatrix.V) GetSingles(p, row.V, 4);
    GetSingles(p, data.Color.V, 4);
    GetSingles(p, data.TargetPos.V, 3);
    data.SpotLightCutOff = Get<float>(p);
    data.HotSpot = Get<float>(p);
    data.Roll = Get<float>(p);
    return data;
}

// ---- track values: their conversion from the records

TVector3f ToTrackValue(const TPoint3DS& p)
{
    return TVector3f{{{p.X, p.Y, p.Z}}};
}

TVector3f ToTrackValue(const TFColor3DS& c)
{
    return TVector3f{{{c.R, c.G, c.B}}};
}

float ToTrackValue(float value)
{
    return value;
}

// A turn of at most pi about an axis that is not zero.
TKFRotKey3DS ToTrackValue(const TKFRotKey3DS& key)
{
    TKFRotKey3DS result = key;
    if (result.X == 0 && result.Y == 0 && result.Z == 0) result.X = 1;
    if (result.Angle > std::numbers::pi_v<float>) {
        result.Angle = static_cast<float>(2 * std::numbers::pi - result.Angle);
        result.X = -result.X;
        result.Y = -result.Y;
        result.Z = -result.Z;
    }
    return result;
}

// ---- evaluation

// i: the number of keys from the first whose times do not pass Frame, made a valid index; f: the fraction of
// the way from key i-1 to key i.
void FindKey(std::span<const TKeyHeader3DS> keys, double Frame, int32_t& i, double& f)
{
    const auto count = static_cast<int32_t>(keys.size());
    i = 0;
    f = 1;
    if (count < 2) return;
    while (i < count && keys[i].Time <= Frame) ++i;
    if (i == count)
        i = count - 1;
    else if (i > 0)
        f = (Frame - keys[i - 1].Time) / (double(keys[i].Time) - keys[i - 1].Time);
}

TVector3f LerpValue(const TVector3f& a, const TVector3f& b, double f)
{
    TVector3f r;
    for (int k = 0; k < 3; ++k) r.V[k] = static_cast<float>(a.V[k] + (b.V[k] - a.V[k]) * f);
    return r;
}

float LerpValue(float a, float b, double f)
{
    return static_cast<float>(a + (b - a) * f);
}

template <class TValue> TValue InterpolateKeys(std::span<const TKeyHeader3DS> keys, std::span<const TValue> values,
                                               double Frame)
{
    int32_t i;
    double f;
    FindKey(keys, Frame, i, f);
    const TValue a = i >= 1 ? values[i - 1] : TValue{};
    return LerpValue(a, values[i], f);
}

void MultiplyInPlace(TMatrix4f& m, const TMatrix4f& by)
{
    MatrixProduct(m, by, m);
}

TMatrix4f RotationOf(const TKFRotKey3DS& key, float angle)
{
    TMatrix4f m;
    MatrixRotationAxis(TVector3f{{{key.X, key.Y, key.Z}}}, angle, m);
    return m;
}

// ---- track classes by archive code

template <class T> TGLFile3DSAnimationKeys* NewTrack()
{
    return new T;
}

struct TTrackClass {
    const std::type_info* Type;
    TGLFile3DSAnimationKeys* (*Create)();
};

template <class T> TTrackClass TrackClass()
{
    return {&typeid(T), &NewTrack<T>};
}

// Index: the code.
const std::array<TTrackClass, 8>& TrackClasses()
{
    static const std::array<TTrackClass, 8> classes{
        TrackClass<TGLFile3DSScaleAnimationKeys>(),        TrackClass<TGLFile3DSRotationAnimationKeys>(),
        TrackClass<TGLFile3DSPositionAnimationKeys>(),     TrackClass<TGLFile3DSColorAnimationKeys>(),
        TrackClass<TTGLFile3DSPositionAnimationKeys>(),    TrackClass<TGLFile3DSSpotLightCutOffAnimationKeys>(),
        TrackClass<TGLFile3DSLightHotSpotAnimationKeys>(), TrackClass<TGLFile3DSRollAnimationKeys>()};
    return classes;
}

[[noreturn]] void UnknownTrackType()
{
    AssertionFailed("Error: Unknown type!", cGLFile3DSSceneObjectsUnit);
}

// Appends a track of class TTrack loaded from a record's key count, headers and values.
template <class TTrack, class TSource>
void AddTrack(TGLFile3DSAnimationKeyList& list, int32_t count, const std::vector<TKeyHeader3DS>& keys,
              const std::vector<TSource>& values)
{
    auto track = std::make_unique<TTrack>();
    track->LoadData(count, std::span<const TKeyHeader3DS>(keys), std::span<const TSource>(values));
    list.AddKeys(std::move(track));
}

// ---- names in archives

// The first n characters.
std::string LeftChars(const std::string& text, size_t n)
{
    size_t pos = 0;
    for (size_t k = 0; k < n && pos < text.size(); ++k) NextUtf8CodePoint(text, pos);
    return text.substr(0, pos);
}

constexpr const char* cNilName = "nil";

void WriteName(TVirtualWriter* writer, const std::string& name, size_t maxChars)
{
    writer->WriteString(name.empty() ? cNilName : LeftChars(name, maxChars));
}

std::string ReadName(TVirtualReader* reader)
{
    const std::string name = reader->ReadString();
    return name == cNilName ? std::string() : LeftChars(name, 64);
}

// The name an archive gives a node's scene object: the one it waits to find, else the object's own.
std::string SourceName(const std::string& pendingName, const TComponent* source)
{
    if (!pendingName.empty() || !source) return pendingName;
    return source->Name();
}

// The direct child of the mesh named name, when it is a T.
template <class T> T* FindSource(TGLBaseMesh* mesh, const std::string& name)
{
    return mesh ? dynamic_cast<T*>(mesh->FindChild(name, true)) : nullptr;
}

// The matrix pushed for the lifetime of the object, so a failed draw leaves the stack as it was.
class TPushedMatrix {
public:
    TPushedMatrix() : FGL(*GetCurrentGL()) { FGL.PushMatrix(); }
    ~TPushedMatrix() { FGL.PopMatrix(); }
    TPushedMatrix(const TPushedMatrix&) = delete;
    TPushedMatrix& operator=(const TPushedMatrix&) = delete;

private:
    TGLExtensionsAndEntryPoints& FGL;
};

void MultMatrix(const TMatrix4f& m)
{
    GetCurrentGL()->MultMatrixf(m.V[0].V);
}

bool IsInfinite(const TVector3f& v)
{
    return std::isinf(v.X) || std::isinf(v.Y) || std::isinf(v.Z);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Tracks

void TGLFile3DSAnimationKeys::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLFile3DSAnimationKeys*>(Source);
    if (!source || typeid(*source) != typeid(*this)) {
        TPersistentObject::Assign(Source);
        return;
    }
    if (source == this) return;
    FKeys = source->FKeys;
    AssignValues(*source);
}

void TGLFile3DSAnimationKeys::WriteToFiler(TVirtualWriter* writer)
{
    TPersistentObject::WriteToFiler(writer);
    writer->WriteInteger(NumKeys());
    if (FKeys.empty()) return;
    std::vector<uint8_t> headers;
    headers.reserve(FKeys.size() * cKeyHeaderSize);
    for (const TKeyHeader3DS& key : FKeys) PutKeyHeader(headers, key);
    writer->Write(headers.data(), static_cast<int64_t>(headers.size()));
    WriteValues(writer);
}

void TGLFile3DSAnimationKeys::ReadFromFiler(TVirtualReader* reader)
{
    TPersistentObject::ReadFromFiler(reader);
    const int32_t count = reader->ReadInteger();
    const int64_t size = static_cast<int64_t>(count) * (cKeyHeaderSize + ValueSize());
    if (count < 0 || size > reader->BytesLeft())
        throw EReadError(ClassName() + " : keys that do not fit the archive");
    FKeys.resize(count);
    if (count > 0) reader->Read(FKeys.data(), static_cast<int64_t>(count) * cKeyHeaderSize);
    ReadValues(reader);
}

uint8_t TGLFile3DSAnimationKeys::TypeCode() const
{
    for (size_t code = 0; code < TrackClasses().size(); ++code)
        if (*TrackClasses()[code].Type == typeid(*this)) return static_cast<uint8_t>(code);
    UnknownTrackType();
}

template <class TValue>
template <class TSource>
void TGLFile3DSTypedAnimationKeys<TValue>::LoadData(int32_t ANumKeys, std::span<const TKeyHeader3DS> Keys,
                                                    std::span<const TSource> AData)
{
    const size_t count = std::min({static_cast<size_t>(std::max(ANumKeys, 0)), Keys.size(), AData.size()});
    this->FKeys.assign(Keys.begin(), Keys.begin() + count);
    FValues.clear();
    FValues.reserve(count);
    for (size_t i = 0; i < count; ++i) FValues.push_back(ToTrackValue(AData[i]));
}

template <class TValue> int32_t TGLFile3DSTypedAnimationKeys<TValue>::ValueSize() const
{
    return sizeof(TValue);
}

template <class TValue> void TGLFile3DSTypedAnimationKeys<TValue>::WriteValues(TVirtualWriter* writer) const
{
    if (!FValues.empty()) writer->Write(FValues.data(), static_cast<int64_t>(FValues.size() * sizeof(TValue)));
}

template <class TValue> void TGLFile3DSTypedAnimationKeys<TValue>::ReadValues(TVirtualReader* reader)
{
    FValues.resize(this->FKeys.size());
    if (!FValues.empty()) reader->Read(FValues.data(), static_cast<int64_t>(FValues.size() * sizeof(TValue)));
}

template <class TValue>
void TGLFile3DSTypedAnimationKeys<TValue>::AssignValues(const TGLFile3DSAnimationKeys& source)
{
    FValues = static_cast<const TGLFile3DSTypedAnimationKeys<TValue>&>(source).FValues;
}

template class TGLFile3DSTypedAnimationKeys<TVector3f>;
template class TGLFile3DSTypedAnimationKeys<TKFRotKey3DS>;
template class TGLFile3DSTypedAnimationKeys<float>;
template void TGLFile3DSTypedAnimationKeys<TVector3f>::LoadData(int32_t, std::span<const TKeyHeader3DS>,
                                                                std::span<const TPoint3DS>);
template void TGLFile3DSTypedAnimationKeys<TVector3f>::LoadData(int32_t, std::span<const TKeyHeader3DS>,
                                                                std::span<const TFColor3DS>);
template void TGLFile3DSTypedAnimationKeys<TKFRotKey3DS>::LoadData(int32_t, std::span<const TKeyHeader3DS>,
                                                                   std::span<const TKFRotKey3DS>);
template void TGLFile3DSTypedAnimationKeys<float>::LoadData(int32_t, std::span<const TKeyHeader3DS>,
                                                            std::span<const float>);

void TGLFile3DSScaleAnimationKeys::Apply(TGLFile3DSAnimationData& DataTransf, double Frame)
{
    if (FKeys.empty()) return;
    TMatrix4f scaling;
    MatrixScaling(InterpolateKeys(Keys(), Values(), Frame), scaling);
    MultiplyInPlace(DataTransf.ModelMatrix, scaling);
}

void TGLFile3DSRotationAnimationKeys::Apply(TGLFile3DSAnimationData& DataTransf, double Frame)
{
    if (FKeys.empty()) return;
    // Each key turns from where the keys before it left the node.
    TMatrix4f rotation = IdentityHmgMatrix;
    for (size_t k = 0; k < FKeys.size(); ++k)
        if (FKeys[k].Time <= Frame) MultiplyInPlace(rotation, RotationOf(FValues[k], FValues[k].Angle));
    int32_t i;
    double f;
    FindKey(FKeys, Frame, i, f);
    if (i >= 1 && FKeys[i - 1].Time < Frame && Frame < FKeys[i].Time) {
        const float angle = std::remainder(FValues[i].Angle, 2 * std::numbers::pi_v<float>);
        MultiplyInPlace(rotation, RotationOf(FValues[i], static_cast<float>(f * angle)));
    }
    MultiplyInPlace(DataTransf.ModelMatrix, rotation);
}

void TGLFile3DSPositionAnimationKeys::Apply(TGLFile3DSAnimationData& DataTransf, double Frame)
{
    if (FKeys.empty()) return;
    const TVector3f v = InterpolateKeys(Keys(), Values(), Frame);
    for (int k = 0; k < 3; ++k) DataTransf.ModelMatrix.W.V[k] += v.V[k];
}

void TGLFile3DSColorAnimationKeys::Apply(TGLFile3DSAnimationData& DataTransf, double Frame)
{
    if (FKeys.empty()) return;
    const TVector3f v = InterpolateKeys(Keys(), Values(), Frame);
    for (int k = 0; k < 3; ++k) DataTransf.Color.V[k] += v.V[k];
}

void TTGLFile3DSPositionAnimationKeys::Apply(TGLFile3DSAnimationData& DataTransf, double Frame)
{
    if (FKeys.empty()) return;
    const TVector3f v = InterpolateKeys(Keys(), Values(), Frame);
    for (int k = 0; k < 3; ++k) DataTransf.TargetPos.V[k] += v.V[k];
}

void TGLFile3DSSpotLightCutOffAnimationKeys::Apply(TGLFile3DSAnimationData& DataTransf, double Frame)
{
    if (!FKeys.empty()) DataTransf.SpotLightCutOff += InterpolateKeys(Keys(), Values(), Frame);
}

void TGLFile3DSLightHotSpotAnimationKeys::Apply(TGLFile3DSAnimationData& DataTransf, double Frame)
{
    if (!FKeys.empty()) DataTransf.HotSpot += InterpolateKeys(Keys(), Values(), Frame);
}

void TGLFile3DSRollAnimationKeys::Apply(TGLFile3DSAnimationData& DataTransf, double Frame)
{
    if (!FKeys.empty()) DataTransf.Roll += InterpolateKeys(Keys(), Values(), Frame);
}

// ---------------------------------------------------------------------------------------------------------
// TGLFile3DSAnimationKeyList

TGLFile3DSAnimationKeyList::TGLFile3DSAnimationKeyList() = default;

TGLFile3DSAnimationKeyList::~TGLFile3DSAnimationKeyList() = default;

void TGLFile3DSAnimationKeyList::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLFile3DSAnimationKeyList*>(Source);
    if (!source) {
        TPersistentObject::Assign(Source);
        return;
    }
    if (source == this) return;
    ClearKeys();
    for (const auto& track : source->FAnimKeysList) {
        std::unique_ptr<TGLFile3DSAnimationKeys> copy(static_cast<TGLFile3DSAnimationKeys*>(track->NewInstance()));
        copy->Assign(track.get());
        AddKeys(std::move(copy));
    }
}

void TGLFile3DSAnimationKeyList::WriteToFiler(TVirtualWriter* writer)
{
    TPersistentObject::WriteToFiler(writer);
    writer->WriteInteger(Count());
    for (const auto& track : FAnimKeysList) {
        const uint8_t code = track->TypeCode();
        writer->Write(&code, 1);
        track->WriteToFiler(writer);
    }
}

void TGLFile3DSAnimationKeyList::ReadFromFiler(TVirtualReader* reader)
{
    TPersistentObject::ReadFromFiler(reader);
    ClearKeys();
    const int32_t count = reader->ReadInteger();
    // A track takes at least its code and its count.
    if (count < 0 || count > reader->BytesLeft() / 2)
        throw EReadError(ClassName() + " : tracks that do not fit the archive");
    for (int32_t i = 0; i < count; ++i) {
        uint8_t code = 0;
        reader->Read(&code, 1);
        if (code >= TrackClasses().size()) UnknownTrackType();
        std::unique_ptr<TGLFile3DSAnimationKeys> track(TrackClasses()[code].Create());
        track->ReadFromFiler(reader);
        AddKeys(std::move(track));
    }
}

void TGLFile3DSAnimationKeyList::AddKeys(std::unique_ptr<TGLFile3DSAnimationKeys> AKeys)
{
    if (AKeys) FAnimKeysList.push_back(std::move(AKeys));
}

void TGLFile3DSAnimationKeyList::ClearKeys()
{
    FAnimKeysList.clear();
}

TGLFile3DSAnimationKeys* TGLFile3DSAnimationKeyList::Items(int32_t Index) const
{
    if (Index < 0 || Index >= Count()) RaiseListError("List index out of bounds (%d)", Index);
    return FAnimKeysList[Index].get();
}

// ---------------------------------------------------------------------------------------------------------
// TGLFile3DSDummyObject

TGLFile3DSDummyObject::TGLFile3DSDummyObject() : TGLFile3DSDummyObject(nullptr) {}

TGLFile3DSDummyObject::TGLFile3DSDummyObject(TGLMeshObjectList* AOwner)
    : TMorphableMeshObject(AOwner), FAnimList(std::make_unique<TGLFile3DSAnimationKeyList>())
{
}

TGLFile3DSDummyObject::~TGLFile3DSDummyObject()
{
    SetParent(nullptr);
    for (TGLFile3DSDummyObject* child : FChildren) child->FParent = nullptr;
}

void TGLFile3DSDummyObject::Assign(TPersistent* Source)
{
    TMorphableMeshObject::Assign(Source);
    auto* source = dynamic_cast<TGLFile3DSDummyObject*>(Source);
    if (!source || source == this) return;
    FRefTranf = source->FRefTranf;
    SetParent(source->FParent);
    FAnimList->Assign(source->FAnimList.get());
    SetFrame(0);
}

void TGLFile3DSDummyObject::WriteToFiler(TVirtualWriter* writer)
{
    TMorphableMeshObject::WriteToFiler(writer);
    WriteAnimationData(writer, FRefTranf);
    // A parent read from an archive is known by its name only, which is kept.
    WriteName(writer, FParent ? FParent->Name() : FParentName, 32);
    FAnimList->WriteToFiler(writer);
}

void TGLFile3DSDummyObject::ReadFromFiler(TVirtualReader* reader)
{
    TMorphableMeshObject::ReadFromFiler(reader);
    FRefTranf = ReadAnimationData(reader);
    FParentName = ReadName(reader);
    FAnimList->ReadFromFiler(reader);
}

void TGLFile3DSDummyObject::GetExtents(TVector3f& min, TVector3f& max)
{
    TMorphableMeshObject::GetExtents(min, max);
    for (TVector3f* corner : {&min, &max})
        if (!IsInfinite(*corner)) AffineTransformPoint(*corner, FAnimTransf.ModelMatrix, *corner);
}

std::unique_ptr<TAffineVectorList> TGLFile3DSDummyObject::ExtractTriangles(TAffineVectorList* texCoords,
                                                                            TAffineVectorList* normals)
{
    auto result = TMorphableMeshObject::ExtractTriangles(texCoords, normals);
    if (result->Count() > 0 && !MatrixIdentical(FAnimTransf.ModelMatrix, IdentityHmgMatrix))
        result->TransformAsPoints(FAnimTransf.ModelMatrix);
    return result;
}

void TGLFile3DSDummyObject::MorphTo(int32_t morphTargetIndex)
{
    SetFrame(morphTargetIndex);
}

void TGLFile3DSDummyObject::Lerp(int32_t morphTargetIndex1, int32_t /*morphTargetIndex2*/, float lerpFactor)
{
    // An actor playing backwards heads for the frame before.
    const auto* actor = Owner() ? dynamic_cast<const TGLActor*>(Owner()->Owner()) : nullptr;
    const bool backward =
        actor && (actor->AnimationMode() == aamBounceBackward || actor->AnimationMode() == aamLoopBackward);
    SetFrame(backward ? morphTargetIndex1 - lerpFactor : morphTargetIndex1 + lerpFactor);
}

void TGLFile3DSDummyObject::SetFrame(double /*AFrame*/) {}

void TGLFile3DSDummyObject::SetParent(TGLFile3DSDummyObject* Value)
{
    if (Value == FParent) return;
    if (FParent) std::erase(FParent->FChildren, this);
    FParent = Value;
    if (Value) Value->FChildren.push_back(this);
}

void TGLFile3DSDummyObject::SetParentByName(const std::string& aName)
{
    if (aName.empty()) return;
    SetParent(Owner() ? dynamic_cast<TGLFile3DSDummyObject*>(Owner()->FindMeshByName(aName)) : nullptr);
}

TGLBaseMesh* TGLFile3DSDummyObject::OwnerMesh() const
{
    return Owner() ? Owner()->Owner() : nullptr;
}

TVector3f TGLFile3DSDummyObject::AnimPosition() const
{
    const TVector4f& w = FAnimTransf.ModelMatrix.W;
    return TVector3f{{{w.X, w.Y, w.Z}}};
}

// ---------------------------------------------------------------------------------------------------------
// TGLFile3DSMeshObject

void TGLFile3DSMeshObject::BuildList(TGLRenderContextInfo& mrci)
{
    TPushedMatrix pushed;
    MultMatrix(FAnimTransf.ModelMatrix);
    TGLFile3DSDummyObject::BuildList(mrci);
}

void TGLFile3DSMeshObject::LoadAnimation(const TKFMesh3DS& AData)
{
    FAnimList->ClearKeys();
    AddTrack<TGLFile3DSScaleAnimationKeys>(*FAnimList, AData.NSKeys, AData.SKeys, AData.Scale);
    AddTrack<TGLFile3DSRotationAnimationKeys>(*FAnimList, AData.NRKeys, AData.RKeys, AData.Rot);
    AddTrack<TGLFile3DSPositionAnimationKeys>(*FAnimList, AData.NPKeys, AData.PKeys, AData.Pos);
    SetParentByName(AData.ParentStr);
    TVector4f& translation = FRefTranf.ModelMatrix.W;
    translation.X -= AData.Pivot.X;
    translation.Y -= AData.Pivot.Y;
    translation.Z -= AData.Pivot.Z;
    SetFrame(0);
}

// ---------------------------------------------------------------------------------------------------------
// TGLFile3DSOmniLightObject

TGLFile3DSOmniLightObject::TGLFile3DSOmniLightObject() : TGLFile3DSOmniLightObject(nullptr) {}

TGLFile3DSOmniLightObject::TGLFile3DSOmniLightObject(TGLMeshObjectList* AOwner)
    : TGLFile3DSDummyObject(AOwner), FLightSrc(new TGLFile3DSHeldObject(new TGLFile3DSLight(nullptr)))
{
}

TGLFile3DSOmniLightObject::~TGLFile3DSOmniLightObject() = default;

void TGLFile3DSOmniLightObject::Assign(TPersistent* Source)
{
    TGLFile3DSDummyObject::Assign(Source);
    auto* source = dynamic_cast<TGLFile3DSOmniLightObject*>(Source);
    if (source && source != this && LightSrc() && source->LightSrc()) LightSrc()->Assign(source->LightSrc());
}

void TGLFile3DSOmniLightObject::WriteToFiler(TVirtualWriter* writer)
{
    TGLFile3DSDummyObject::WriteToFiler(writer);
    WriteName(writer, SourceName(FLightSrcName, LightSrc()), 64);
}

void TGLFile3DSOmniLightObject::ReadFromFiler(TVirtualReader* reader)
{
    TGLFile3DSDummyObject::ReadFromFiler(reader);
    FLightSrcName = ReadName(reader);
}

void TGLFile3DSOmniLightObject::SetFrame(double AFrame)
{
    // The light the archive named is adopted once the mesh has it; until then the name waits.
    if (!FLightSrcName.empty()) {
        if (auto* named = FindSource<TGLFile3DSLight>(OwnerMesh(), FLightSrcName)) {
            FLightSrc->Reset(named);
            FLightSrcName.clear();
        }
    }
    TGLFile3DSDummyObject::SetFrame(AFrame);
    if (TGLFile3DSLight* light = LightSrc()) {
        light->Position()->SetPoint(AnimPosition());
        light->Diffuse()->SetColor(FAnimTransf.Color);
    }
}

void TGLFile3DSOmniLightObject::LoadData(TGLBaseMesh* AOwner, const TLight3DS& AData)
{
    TGLFile3DSLight* light = LightSrc();
    if (!light) return;
    light->MoveTo(AOwner);
    light->SetLightStyle(lsOmni);
    light->SetName(AData.NameStr);
    SetName(AData.NameStr);
    light->Position()->SetPoint(ToTrackValue(AData.Pos));
    const TVector3f color = ToTrackValue(AData.Color);
    TVector4f diffuse{{{color.X, color.Y, color.Z, 0}}};
    light->Specular()->SetColor(diffuse);
    for (float& component : diffuse.V) component *= AData.Multiplier;
    light->Diffuse()->SetColor(diffuse);
    light->SetShining(!AData.DLOff);
    light->SetMultipler(AData.Multiplier);
    light->SetConstAttenuation(1);
    light->SetLinearAttenuation(0);
    light->SetQuadraticAttenuation(0);
}

template <class TMotion> void TGLFile3DSOmniLightObject::LoadLightTracks(const TMotion& AData)
{
    FAnimList->ClearKeys();
    AddTrack<TGLFile3DSPositionAnimationKeys>(*FAnimList, AData.NPKeys, AData.PKeys, AData.Pos);
    AddTrack<TGLFile3DSColorAnimationKeys>(*FAnimList, AData.NCKeys, AData.CKeys, AData.Color);
    SetParentByName(AData.Parent);
    SetFrame(0);
}

void TGLFile3DSOmniLightObject::LoadAnimation(const TKFOmni3DS& AData)
{
    LoadLightTracks(AData);
}

TGLFile3DSLight* TGLFile3DSOmniLightObject::LightSrc() const
{
    return static_cast<TGLFile3DSLight*>(FLightSrc->Object());
}

// ---------------------------------------------------------------------------------------------------------
// TGLFile3DSSpotLightObject

void TGLFile3DSSpotLightObject::SetFrame(double AFrame)
{
    TGLFile3DSOmniLightObject::SetFrame(AFrame);
    if (TGLFile3DSLight* light = LightSrc()) {
        light->SpotTargetPos()->SetPoint(FAnimTransf.TargetPos);
        light->SetSpotCutOff(FAnimTransf.SpotLightCutOff / 2);
        light->SetHotSpot(FAnimTransf.HotSpot / 2);
    }
}

void TGLFile3DSSpotLightObject::LoadData(TGLBaseMesh* AOwner, const TLight3DS& AData)
{
    TGLFile3DSOmniLightObject::LoadData(AOwner, AData);
    TGLFile3DSLight* light = LightSrc();
    if (!light) return;
    light->SetLightStyle(lsSpot);
    // A record without spot data keeps the light's spot as it is.
    if (!AData.Spot) return;
    light->SpotTargetPos()->SetPoint(ToTrackValue(AData.Spot->Target));
    light->SetSpotCutOff(AData.Spot->FallOff / 2);
    light->SetHotSpot(AData.Spot->Hotspot / 2);
}

void TGLFile3DSSpotLightObject::LoadAnimation(const TKFSpot3DS& AData)
{
    LoadLightTracks(AData);
    AddTrack<TTGLFile3DSPositionAnimationKeys>(*FAnimList, AData.NTKeys, AData.TKeys, AData.TPos);
    AddTrack<TGLFile3DSSpotLightCutOffAnimationKeys>(*FAnimList, AData.NFKeys, AData.FKeys, AData.Fall);
    AddTrack<TGLFile3DSLightHotSpotAnimationKeys>(*FAnimList, AData.NHKeys, AData.HKeys, AData.Hot);
    SetFrame(0);
}

// ---------------------------------------------------------------------------------------------------------
// TGLFile3DSCameraObject

TGLFile3DSCameraObject::TGLFile3DSCameraObject() : TGLFile3DSCameraObject(nullptr) {}

TGLFile3DSCameraObject::TGLFile3DSCameraObject(TGLMeshObjectList* AOwner)
    : TGLFile3DSDummyObject(AOwner), FTargetObj(new TGLFile3DSHeldObject(new TGLDummyCube(nullptr))),
      FCameraSrc(new TGLFile3DSHeldObject(new TGLFile3DSCamera(nullptr)))
{
    CameraSrc()->SetTargetObject(TargetObj());
}

TGLFile3DSCameraObject::~TGLFile3DSCameraObject() = default;

void TGLFile3DSCameraObject::WriteToFiler(TVirtualWriter* writer)
{
    TGLFile3DSDummyObject::WriteToFiler(writer);
    WriteName(writer, SourceName(FCameraSrcName, CameraSrc()), 64);
}

void TGLFile3DSCameraObject::ReadFromFiler(TVirtualReader* reader)
{
    TGLFile3DSDummyObject::ReadFromFiler(reader);
    FCameraSrcName = ReadName(reader);
}

void TGLFile3DSCameraObject::SetFrame(double AFrame)
{
    TGLFile3DSDummyObject::SetFrame(AFrame);
    if (!FCameraSrcName.empty()) {
        if (auto* named = FindSource<TGLFile3DSCamera>(OwnerMesh(), FCameraSrcName)) {
            FCameraSrc->Reset(named);
            FCameraSrcName.clear();
        }
    }
    if (TGLFile3DSCamera* camera = CameraSrc()) {
        camera->Position()->SetPoint(AnimPosition());
        camera->SetRollAngle(FAnimTransf.Roll);
    }
    if (TGLDummyCube* target = TargetObj()) target->Position()->SetPoint(FAnimTransf.TargetPos);
}

void TGLFile3DSCameraObject::LoadData(TGLBaseMesh* Owner, const TCamera3DS& AData)
{
    SetName(AData.NameStr);
    if (TGLFile3DSCamera* camera = CameraSrc()) {
        camera->MoveTo(Owner);
        camera->SetName(AData.NameStr);
        camera->Position()->SetPoint(ToTrackValue(AData.Position));
        camera->SetRollAngle(AData.Roll);
        camera->SetFocalLength(AData.FOV);
    }
    if (TGLDummyCube* target = TargetObj()) {
        target->MoveTo(Owner);
        target->Position()->SetPoint(ToTrackValue(AData.Target));
    }
}

void TGLFile3DSCameraObject::LoadAnimation(const TKFCamera3DS& AData)
{
    FAnimList->ClearKeys();
    AddTrack<TGLFile3DSPositionAnimationKeys>(*FAnimList, AData.NPKeys, AData.PKeys, AData.Pos);
    AddTrack<TGLFile3DSRollAnimationKeys>(*FAnimList, AData.NRKeys, AData.RKeys, AData.Roll);
    AddTrack<TTGLFile3DSPositionAnimationKeys>(*FAnimList, AData.NTKeys, AData.TKeys, AData.TPos);
    SetFrame(0);
}

TGLFile3DSCamera* TGLFile3DSCameraObject::CameraSrc() const
{
    return static_cast<TGLFile3DSCamera*>(FCameraSrc->Object());
}

TGLDummyCube* TGLFile3DSCameraObject::TargetObj() const
{
    return static_cast<TGLDummyCube*>(FTargetObj->Object());
}

// ---------------------------------------------------------------------------------------------------------
// TGLFile3DSLight

TGLFile3DSLight::TGLFile3DSLight(TComponent* AOwner)
    : TGLLightSource(AOwner), FTargetPos(std::make_unique<TGLCoordinates3>(this, TVector4f{{{0, 0, 0, 1}}}, CsPoint))
{
}

TGLFile3DSLight::~TGLFile3DSLight() = default;

void TGLFile3DSLight::CoordinateChanged(TGLCustomCoordinates* Sender)
{
    TGLLightSource::CoordinateChanged(Sender);
    if (!FTargetPos || (Sender != FTargetPos.get() && Sender != Position())) return;
    TVector3f direction;
    AffineSubtract(FTargetPos->AsAffineVector(), Position()->AsAffineVector(), direction);
    // A target on the light aims nowhere: the spot keeps its direction.
    if (AffineLengthSquared(direction) == 0) return;
    AffineNormalizeInPlace(direction);
    SpotDirection()->SetVector(direction);
}

void TGLFile3DSLight::DefineProperties(TFiler& Filer)
{
    TGLLightSource::DefineProperties(Filer);
    DefineNestedProperties(Filer, "SpotTargetPos", *FTargetPos);
    DefineSingleProperty(Filer, "HotSpot", FHotSpot, 1, [this](float v) { SetHotSpot(v); });
    DefineSingleProperty(Filer, "Multipler", FMultipler, 1, [this](float v) { SetMultipler(v); });
}

// ---------------------------------------------------------------------------------------------------------
// TGLFile3DSCamera

TGLFile3DSCamera::TGLFile3DSCamera(TComponent* AOwner)
    : TGLCamera(AOwner), FTargetPos(std::make_unique<TGLCoordinates3>(this, TVector4f{{{0, 0, 0, 1}}}, CsPoint))
{
}

TGLFile3DSCamera::~TGLFile3DSCamera() = default;

void TGLFile3DSCamera::DefineProperties(TFiler& Filer)
{
    TGLCamera::DefineProperties(Filer);
    DefineNestedProperties(Filer, "CameraTargetPos", *FTargetPos);
    // The direction and up vectors read before it already hold the roll: turning them again would roll twice.
    DefineSingleProperty(Filer, "RollAngle", RollAngle(), 0, [this](float v) { Rotation()->SetDirectZ(v); });
}

// ---------------------------------------------------------------------------------------------------------
// TGLFile3DSFreeForm

namespace {

// The turn of v.W radians about v's axis; none about a zero axis.
TQuaternion AxisAngleQuaternion(const TVector4f& v)
{
    const double length = std::sqrt(double(v.X) * v.X + double(v.Y) * v.Y + double(v.Z) * v.Z);
    if (length == 0) return IdentityQuaternion;
    const double s = std::sin(v.W / 2.0) / length;
    return TQuaternion{TVector3f{{{float(v.X * s), float(v.Y * s), float(v.Z * s)}}}, float(std::cos(v.W / 2.0))};
}

// The 3DS reading of a unit quaternion as a matrix.
TMatrix4f QuaternionMatrix3DS(const TQuaternion& q)
{
    const float x = q.ImagPart.X, y = q.ImagPart.Y, z = q.ImagPart.Z, w = q.RealPart;
    TMatrix4f m;
    m.X = TVector4f{{{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w), 0}}};
    m.Y = TVector4f{{{2 * (x * y + z * w), 1 - 2 * (z * z + x * x), 2 * (y * z - x * w), 0}}};
    m.Z = TVector4f{{{2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (y * y + x * x), 0}}};
    m.W = TVector4f{{{0, 0, 0, 1}}};
    return m;
}

void WriteBytes(TStream& stream, const std::vector<uint8_t>& bytes)
{
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

// The mesh's objects as the rest of a stream holds them, in the engine's binary archive.
void ReadMeshObjects(TGLBaseMesh& mesh, TStream& stream)
{
    TBinaryReader reader(&stream);
    mesh.MeshObjects()->ReadFromFiler(&reader);
    mesh.StructureChanged();
}

void WriteMeshObjects(TGLBaseMesh& mesh, TStream& stream)
{
    TBinaryWriter writer(&stream);
    mesh.MeshObjects()->WriteToFiler(&writer);
}

} // namespace

TGLFile3DSFreeForm::TGLFile3DSFreeForm(TComponent* AOwner)
    : TGLFreeForm(AOwner),
      FS_Rot3DS(std::make_unique<TGLCoordinates4>(this, TVector4f{{{1, 0, 0, 0}}}, CsVector)),
      FRot3DS(std::make_unique<TGLCoordinates4>(this, TVector4f{{{1, 0, 0, 0}}}, CsVector)),
      FScale3DS(std::make_unique<TGLCoordinates4>(this, TVector4f{{{1, 1, 1, 0}}}, CsVector))
{
    SetObjectStyle(TGLObjectStyles{osDirectDraw});
}

TGLFile3DSFreeForm::~TGLFile3DSFreeForm() = default;

void TGLFile3DSFreeForm::DefineProperties(TFiler& Filer)
{
    TGLFreeForm::DefineProperties(Filer);
    DefineNestedProperties(Filer, "S_Rot3DS", *FS_Rot3DS);
    DefineNestedProperties(Filer, "Rot3DS", *FRot3DS);
    DefineNestedProperties(Filer, "Scale3DS", *FScale3DS);
    Filer.DefineBinaryProperty(
        "MeshObjectsData",
        [this](TStream& stream) {
            uint8_t bytes[16 * 4 + 3 * 16];
            stream.ReadBuffer(bytes, sizeof bytes);
            const uint8_t* p = bytes;
            for (TVector4f& row : FRefMat.V) GetSingles(p, row.V, 4);
            for (TGLCoordinates4* coordinates : {FS_Rot3DS.get(), FRot3DS.get(), FScale3DS.get()}) {
                TVector4f v;
                GetSingles(p, v.V, 4);
                coordinates->SetVector(v);
            }
            ReadMeshObjects(*this, stream);
        },
        [this](TStream& stream) {
            std::vector<uint8_t> bytes;
            for (const TVector4f& row : FRefMat.V) PutSingles(bytes, row.V, 4);
            for (const TGLCoordinates4* coordinates : {FS_Rot3DS.get(), FRot3DS.get(), FScale3DS.get()})
                PutSingles(bytes, coordinates->AsVector().V, 4);
            WriteBytes(stream, bytes);
            WriteMeshObjects(*this, stream);
        },
        true);
}

void TGLFile3DSFreeForm::CoordinateChanged(TGLCustomCoordinates* Sender)
{
    TGLFreeForm::CoordinateChanged(Sender);
    if (!FScale3DS || (Sender != FS_Rot3DS.get() && Sender != FRot3DS.get() && Sender != FScale3DS.get())) return;
    TQuaternion q;
    QuaternionProduct(AxisAngleQuaternion(FS_Rot3DS->AsVector()), AxisAngleQuaternion(FRot3DS->AsVector()), q);
    QuaternionNormalizeInPlace(q);
    FTransfMat = QuaternionMatrix3DS(q);
    MatrixOrthonormalizeInPlace(FTransfMat);
    MatrixScaling(FScale3DS->AsAffineVector(), FScaleMat);
}

void TGLFile3DSFreeForm::TransformedExtents(TVector3f& min, TVector3f& max)
{
    MeshObjects()->GetExtents(min, max);
    TMatrix4f m;
    MatrixProduct(FRefMat, FParentMatrix, m);
    for (TVector3f* corner : {&min, &max})
        if (!IsInfinite(*corner)) AffineTransformPoint(*corner, m, *corner);
}

TVector4f TGLFile3DSFreeForm::AxisAlignedDimensionsUnscaled()
{
    TVector3f min, max;
    TransformedExtents(min, max);
    return TVector4f{{{(max.X - min.X) / 2, (max.Y - min.Y) / 2, (max.Z - min.Z) / 2, 0}}};
}

TVector4f TGLFile3DSFreeForm::BarycenterAbsolutePosition()
{
    TVector3f min, max;
    TransformedExtents(min, max);
    return LocalToAbsolute(TVector4f{{{(min.X + max.X) / 2, (min.Y + max.Y) / 2, (min.Z + max.Z) / 2, 1}}});
}

void TGLFile3DSFreeForm::BuildList(TGLRenderContextInfo& rci)
{
    {
        TPushedMatrix pushed;
        MultMatrix(FTransfMat);
        MultMatrix(FScaleMat);
        TPushedMatrix reference;
        MultMatrix(FRefMat);
        TGLFreeForm::BuildList(rci);
    }
    auto* parent = dynamic_cast<TGLFile3DSFreeForm*>(Parent());
    TMatrix4f scaled;
    MatrixProduct(FScaleMat, parent ? parent->FParentMatrix : IdentityHmgMatrix, scaled);
    MatrixProduct(FTransfMat, scaled, FParentMatrix);
}

// ---------------------------------------------------------------------------------------------------------
// TGLFile3DSActor

void TGLFile3DSActor::DefineProperties(TFiler& Filer)
{
    TGLActor::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "MeshObjectsData", [this](TStream& stream) { ReadMeshObjects(*this, stream); },
        [this](TStream& stream) { WriteMeshObjects(*this, stream); }, true);
}

// ---------------------------------------------------------------------------------------------------------

void RegisterGLFile3DSSceneObjects()
{
    RegisterClasses<TGLFile3DSDummyObject, TGLFile3DSMeshObject, TGLFile3DSOmniLightObject,
                    TGLFile3DSSpotLightObject, TGLFile3DSCameraObject, TGLFile3DSLight, TGLFile3DSCamera,
                    TGLFile3DSFreeForm, TGLFile3DSActor>();
}
