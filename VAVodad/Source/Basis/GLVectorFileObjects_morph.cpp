// Animated mesh objects: morph targets (other vertex and normal sets of one mesh) copied or blended into the
// mesh, and skinned mesh objects whose vertices follow the bones of their base mesh's skeleton by weight.
#include "GLVectorFileObjects.h"

#include "GLVectorGeometry.h"
#include "SysUtils.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <limits>

// The weight rows are stored as the memory holds them: identifier and weight, little-endian.
static_assert(std::endian::native == std::endian::little);

namespace {

TVector3f TransformDirection(const TVector3f& direction, const TMatrix4f& matrix)
{
    TVector4f result;
    HmgTransform(TVector4f{{{direction.X, direction.Y, direction.Z, 0}}}, matrix, result);
    return TVector3f{{{result.X, result.Y, result.Z}}};
}

bool SameBits(const TVector3f& a, const TVector3f& b)
{
    return std::memcmp(&a, &b, sizeof(TVector3f)) == 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TMeshMorphTarget

TMeshMorphTarget::TMeshMorphTarget(TMeshMorphTargetList* AOwner) : FOwner(AOwner)
{
    if (AOwner) AOwner->Add(this);
}

TMeshMorphTarget::~TMeshMorphTarget()
{
    if (FOwner) FOwner->Remove(this);
}

void TMeshMorphTarget::WriteToFiler(TVirtualWriter* writer)
{
    TBaseMeshObject::WriteToFiler(writer);
    writer->WriteInteger(0); // archive version
}

void TMeshMorphTarget::ReadFromFiler(TVirtualReader* reader)
{
    TBaseMeshObject::ReadFromFiler(reader);
    const int32_t archiveVersion = reader->ReadInteger();
    if (archiveVersion != 0) RaiseUnknownArchiveVersion(archiveVersion);
}

// ---------------------------------------------------------------------------------------------------------
// TMeshMorphTargetList

void TMeshMorphTargetList::Translate(const TVector3f& delta)
{
    for (int32_t i = 0; i < Count(); ++i) Items(i)->Translate(delta);
}

// ---------------------------------------------------------------------------------------------------------
// TMorphableMeshObject

TMorphableMeshObject::TMorphableMeshObject() : FMorphTargets(new TMeshMorphTargetList(this)) {}

TMorphableMeshObject::TMorphableMeshObject(TGLMeshObjectList* AOwner)
    : TGLMeshObject(AOwner), FMorphTargets(new TMeshMorphTargetList(this))
{
}

TMorphableMeshObject::~TMorphableMeshObject() = default;

void TMorphableMeshObject::WriteToFiler(TVirtualWriter* writer)
{
    TGLMeshObject::WriteToFiler(writer);
    writer->WriteInteger(0); // archive version
    FMorphTargets->WriteToFiler(writer);
}

void TMorphableMeshObject::ReadFromFiler(TVirtualReader* reader)
{
    TGLMeshObject::ReadFromFiler(reader);
    const int32_t archiveVersion = reader->ReadInteger();
    if (archiveVersion != 0) RaiseUnknownArchiveVersion(archiveVersion);
    FMorphTargets->ReadFromFiler(reader);
}

void TMorphableMeshObject::Clear()
{
    TGLMeshObject::Clear();
    FMorphTargets->Clear();
}

void TMorphableMeshObject::Translate(const TVector3f& delta)
{
    TGLMeshObject::Translate(delta);
    FMorphTargets->Translate(delta);
    InvalidateBuffers({vbVertices});
}

void TMorphableMeshObject::InvalidateBuffers(TVBOBuffers changed)
{
    ChangeValidBuffers(ValidBuffers() - changed);
}

void TMorphableMeshObject::MorphTo(int32_t morphTargetIndex)
{
    if (morphTargetIndex == 0 && FMorphTargets->Count() == 0) return;
    Assert(morphTargetIndex >= 0 && morphTargetIndex < FMorphTargets->Count(), "", cGLVectorFileObjectsUnit);
    TMeshMorphTarget& target = *FMorphTargets->Items(morphTargetIndex);
    TVBOBuffers changed;
    if (target.Vertices()->Count() > 0) {
        Vertices()->Assign(target.Vertices());
        changed.Include(vbVertices);
    }
    if (target.Normals()->Count() > 0) {
        Normals()->Assign(target.Normals());
        changed.Include(vbNormals);
    }
    InvalidateBuffers(changed);
}

void TMorphableMeshObject::Lerp(int32_t morphTargetIndex1, int32_t morphTargetIndex2, float lerpFactor)
{
    const int32_t count = FMorphTargets->Count();
    Assert(morphTargetIndex1 >= 0 && morphTargetIndex1 < count && morphTargetIndex2 >= 0 && morphTargetIndex2 < count,
           "", cGLVectorFileObjectsUnit);
    if (lerpFactor == 0) {
        MorphTo(morphTargetIndex1);
        return;
    }
    if (lerpFactor == 1) {
        MorphTo(morphTargetIndex2);
        return;
    }
    TMeshMorphTarget& target1 = *FMorphTargets->Items(morphTargetIndex1);
    TMeshMorphTarget& target2 = *FMorphTargets->Items(morphTargetIndex2);
    TVBOBuffers changed;
    if (target1.Vertices()->Count() > 0) {
        Vertices()->Lerp(target1.Vertices(), target2.Vertices(), lerpFactor);
        changed.Include(vbVertices);
    }
    if (target1.Normals()->Count() > 0) {
        Normals()->Lerp(target1.Normals(), target2.Normals(), lerpFactor);
        Normals()->Normalize();
        changed.Include(vbNormals);
    }
    InvalidateBuffers(changed);
}

// ---------------------------------------------------------------------------------------------------------
// TGLMeshObjectList: vertex animation of its morphable mesh objects

namespace {

template <class F> void ForEachMorphable(const TGLMeshObjectList& list, F f)
{
    for (int32_t i = 0; i < list.Count(); ++i)
        if (auto* morphable = dynamic_cast<TMorphableMeshObject*>(list.Items(i))) f(*morphable);
}

} // namespace

void TGLMeshObjectList::MorphTo(int32_t morphTargetIndex)
{
    ForEachMorphable(*this, [=](TMorphableMeshObject& meshObject) { meshObject.MorphTo(morphTargetIndex); });
}

void TGLMeshObjectList::Lerp(int32_t morphTargetIndex1, int32_t morphTargetIndex2, float lerpFactor)
{
    ForEachMorphable(*this, [=](TMorphableMeshObject& meshObject) {
        meshObject.Lerp(morphTargetIndex1, morphTargetIndex2, lerpFactor);
    });
}

int32_t TGLMeshObjectList::MorphTargetCount() const
{
    int32_t result = std::numeric_limits<int32_t>::max();
    ForEachMorphable(*this, [&result](TMorphableMeshObject& meshObject) {
        result = std::min(result, meshObject.MorphTargets()->Count());
    });
    return result == std::numeric_limits<int32_t>::max() ? 0 : result;
}

// ---------------------------------------------------------------------------------------------------------
// TGLSkeletonMeshObject

TGLSkeletonMeshObject::TGLSkeletonMeshObject() = default;

TGLSkeletonMeshObject::TGLSkeletonMeshObject(TGLMeshObjectList* AOwner) : TMorphableMeshObject(AOwner) {}

TGLSkeletonMeshObject::~TGLSkeletonMeshObject() = default;

void TGLSkeletonMeshObject::WriteToFiler(TVirtualWriter* writer)
{
    TMorphableMeshObject::WriteToFiler(writer);
    writer->WriteInteger(0); // archive version
    writer->WriteInteger(FVerticeBoneWeightCount);
    writer->WriteInteger(FBonesPerVertex);
    writer->WriteInteger(FVerticeBoneWeightCapacity);
    // The rows in use lie back to back: one block holds them all.
    const int64_t bytes = static_cast<int64_t>(FVerticeBoneWeightCount) * FBonesPerVertex * sizeof(TVertexBoneWeight);
    if (bytes > 0) writer->Write(FVerticesBonesWeights.data(), bytes);
}

void TGLSkeletonMeshObject::ReadFromFiler(TVirtualReader* reader)
{
    TMorphableMeshObject::ReadFromFiler(reader);
    const int32_t archiveVersion = reader->ReadInteger();
    if (archiveVersion != 0) RaiseUnknownArchiveVersion(archiveVersion);
    const int32_t count = reader->ReadInteger();
    const int32_t bonesPerVertex = reader->ReadInteger();
    const int32_t capacity = reader->ReadInteger();
    // Only the rows stored are allocated now: the spare capacity is made when the rows grow into it.
    constexpr int64_t cEntrySize = sizeof(TVertexBoneWeight);
    if (count < 0 || bonesPerVertex < 0 || capacity < count ||
        (count > 0 && bonesPerVertex > reader->BytesLeft() / cEntrySize / count))
        throw EReadError(ClassName() + " : bone weights that do not fit the archive");
    const int64_t bytes = static_cast<int64_t>(count) * bonesPerVertex * cEntrySize;
    std::vector<TVertexBoneWeight> table(static_cast<size_t>(count) * bonesPerVertex);
    if (bytes > 0) reader->Read(table.data(), bytes);
    FVerticesBonesWeights = std::move(table);
    FTableRows = count;
    FVerticeBoneWeightCount = count;
    FLastVerticeBoneWeightCount = count;
    FBonesPerVertex = bonesPerVertex;
    FLastBonesPerVertex = bonesPerVertex;
    FVerticeBoneWeightCapacity = capacity;
}

void TGLSkeletonMeshObject::Clear()
{
    TMorphableMeshObject::Clear();
    FVerticeBoneWeightCount = 0;
    FLastVerticeBoneWeightCount = 0;
    FBonesPerVertex = 0;
    FLastBonesPerVertex = 0;
    FVerticesBonesWeights = {};
    FTableRows = 0;
    FBoneMatrixInvertedMeshes.clear();
}

TVertexBoneWeight* TGLSkeletonMeshObject::VerticesBonesWeights(int32_t vertex)
{
    Assert(vertex >= 0 && vertex < FVerticeBoneWeightCount, "", cGLVectorFileObjectsUnit);
    return FVerticesBonesWeights.data() + static_cast<size_t>(vertex) * FBonesPerVertex;
}

const TVertexBoneWeight* TGLSkeletonMeshObject::Row(int32_t vertex) const
{
    return FVerticesBonesWeights.data() + static_cast<size_t>(vertex) * FBonesPerVertex;
}

void TGLSkeletonMeshObject::SetVerticeBoneWeightCount(int32_t Value)
{
    Assert(Value >= 0, "", cGLVectorFileObjectsUnit);
    if (Value == FVerticeBoneWeightCount) return;
    FVerticeBoneWeightCount = Value;
    // Sixteen spare rows each time the table grows, so adding rows one by one rarely reallocates.
    const int32_t spare = Value > INT32_MAX - 16 ? INT32_MAX : Value + 16;
    if (FVerticeBoneWeightCapacity < Value)
        SetVerticeBoneWeightCapacity(spare);
    else if (FTableRows < Value)
        ResizeVerticesBonesWeights(std::min(FVerticeBoneWeightCapacity, spare));
    FLastVerticeBoneWeightCount = Value;
}

void TGLSkeletonMeshObject::SetVerticeBoneWeightCapacity(int32_t Value)
{
    Assert(Value >= 0, "", cGLVectorFileObjectsUnit);
    if (Value == FVerticeBoneWeightCapacity) return;
    FVerticeBoneWeightCapacity = Value;
    FVerticeBoneWeightCount = std::min(FVerticeBoneWeightCount, Value);
    ResizeVerticesBonesWeights(Value);
}

void TGLSkeletonMeshObject::SetBonesPerVertex(int32_t Value)
{
    Assert(Value >= 0, "", cGLVectorFileObjectsUnit);
    if (Value == FBonesPerVertex) return;
    FBonesPerVertex = Value;
    ResizeVerticesBonesWeights(FTableRows);
}

void TGLSkeletonMeshObject::ResizeVerticesBonesWeights(int32_t rows)
{
    std::vector<TVertexBoneWeight> table(static_cast<size_t>(rows) * FBonesPerVertex);
    // The old table is FTableRows rows of FLastBonesPerVertex entries.
    const int32_t keptRows = std::min({FVerticeBoneWeightCount, FLastVerticeBoneWeightCount, rows, FTableRows});
    const int32_t keptEntries = std::min(FBonesPerVertex, FLastBonesPerVertex);
    for (int32_t row = 0; keptEntries > 0 && row < keptRows; ++row)
        std::copy_n(FVerticesBonesWeights.data() + static_cast<size_t>(row) * FLastBonesPerVertex, keptEntries,
                    table.data() + static_cast<size_t>(row) * FBonesPerVertex);
    FVerticesBonesWeights = std::move(table);
    FTableRows = rows;
    FLastBonesPerVertex = FBonesPerVertex;
}

void TGLSkeletonMeshObject::AddWeightedBone(int32_t aBoneID, float aWeight)
{
    if (FBonesPerVertex < 1) SetBonesPerVertex(1);
    SetVerticeBoneWeightCount(FVerticeBoneWeightCount + 1);
    VerticesBonesWeights(FVerticeBoneWeightCount - 1)[0] = {aBoneID, aWeight};
}

void TGLSkeletonMeshObject::AddWeightedBones(const TVertexBoneWeightDynArray& boneIDs)
{
    const auto count = static_cast<int32_t>(boneIDs.size());
    if (FBonesPerVertex < count) SetBonesPerVertex(count);
    SetVerticeBoneWeightCount(FVerticeBoneWeightCount + 1);
    std::copy(boneIDs.begin(), boneIDs.end(), VerticesBonesWeights(FVerticeBoneWeightCount - 1));
}

int32_t TGLSkeletonMeshObject::FindRow(const TVertexBoneWeight* entries, int32_t count, const TVector3f& vertex,
                                       const TVector3f& normal) const
{
    if (count > FBonesPerVertex) return -1;
    const int32_t rows = std::min({FVerticeBoneWeightCount, Vertices()->Count(), Normals()->Count()});
    const auto sameEntry = [](const TVertexBoneWeight& a, const TVertexBoneWeight& b) {
        return a.BoneID == b.BoneID && a.Weight == b.Weight;
    };
    for (int32_t i = 0; i < rows; ++i)
        if (std::equal(entries, entries + count, Row(i), sameEntry) && SameBits(Vertices()->List()[i], vertex) &&
            SameBits(Normals()->List()[i], normal))
            return i;
    return -1;
}

int32_t TGLSkeletonMeshObject::AddVertex(const TVector3f& vertex, const TVector3f& normal)
{
    Normals()->Add(normal);
    return Vertices()->Add(vertex);
}

int32_t TGLSkeletonMeshObject::FindOrAdd(int32_t boneID, const TVector3f& vertex, const TVector3f& normal)
{
    if (FBonesPerVertex >= 2) return FindOrAdd(TVertexBoneWeightDynArray{{boneID, 1.0f}}, vertex, normal);
    // With one bone per vertex only the bone counts, not its weight.
    const int32_t rows = FBonesPerVertex == 1 ? std::min({FVerticeBoneWeightCount, Vertices()->Count(),
                                                          Normals()->Count()})
                                              : 0;
    for (int32_t i = 0; i < rows; ++i)
        if (Row(i)[0].BoneID == boneID && SameBits(Vertices()->List()[i], vertex) &&
            SameBits(Normals()->List()[i], normal))
            return i;
    AddWeightedBone(boneID, 1.0f);
    return AddVertex(vertex, normal);
}

int32_t TGLSkeletonMeshObject::FindOrAdd(const TVertexBoneWeightDynArray& boneIDs, const TVector3f& vertex,
                                         const TVector3f& normal)
{
    const int32_t found = FindRow(boneIDs.data(), static_cast<int32_t>(boneIDs.size()), vertex, normal);
    if (found >= 0) return found;
    AddWeightedBones(boneIDs);
    return AddVertex(vertex, normal);
}

TGLSkeleton* TGLSkeletonMeshObject::Skeleton() const
{
    TGLBaseMesh* mesh = Owner() ? Owner()->Owner() : nullptr;
    return mesh ? mesh->Skeleton() : nullptr;
}

namespace {

// The global matrix of a bone by identifier, remembered for the next vertex, which mostly names the same bone.
class TBoneMatrices {
public:
    explicit TBoneMatrices(TGLSkeleton* skeleton) : FSkeleton(skeleton) {}
    const TMatrix4f& Of(int32_t boneID)
    {
        if (!FMatrix || boneID != FBoneID) {
            FBoneID = boneID;
            FMatrix = FSkeleton ? &FSkeleton->BoneMatrix(boneID) : &IdentityHmgMatrix;
        }
        return *FMatrix;
    }

private:
    TGLSkeleton* FSkeleton;
    int32_t FBoneID = 0;
    const TMatrix4f* FMatrix = nullptr;
};

} // namespace

void TGLSkeletonMeshObject::PrepareBoneMatrixInvertedMeshes()
{
    FBoneMatrixInvertedMeshes.clear();
    TBoneMatrices bones(Skeleton());
    // Only vertices with a row can move: the copies end there, so that many bones per vertex never multiply
    // vertices that no weight names.
    const int32_t vertexCount = std::min(Vertices()->Count(), FVerticeBoneWeightCount);
    const int32_t normalCount = std::min(Normals()->Count(), FVerticeBoneWeightCount);
    for (int32_t slot = 0; slot < FBonesPerVertex; ++slot) {
        auto& inverted = FBoneMatrixInvertedMeshes.emplace_back(new TBaseMeshObject());
        inverted->Vertices()->SetCount(vertexCount);
        inverted->Normals()->SetCount(normalCount);
        TVector3f* vertices = inverted->Vertices()->List();
        TVector3f* normals = inverted->Normals()->List();
        std::copy_n(Vertices()->List(), vertexCount, vertices);
        std::copy_n(Normals()->List(), normalCount, normals);
        // Inverted once per run of vertices on one bone.
        int32_t invertedBone = 0;
        TMatrix4f inverse{};
        for (int32_t i = 0; i < std::max(vertexCount, normalCount); ++i) {
            const int32_t boneID = Row(i)[slot].BoneID;
            if (i == 0 || boneID != invertedBone) {
                invertedBone = boneID;
                inverse = bones.Of(boneID);
                MatrixInvertInPlace(inverse);
            }
            if (i < vertexCount) AffineTransformPoint(vertices[i], inverse, vertices[i]);
            // Directions do not move with the translation.
            if (i < normalCount) normals[i] = TransformDirection(normals[i], inverse);
        }
    }
}

void TGLSkeletonMeshObject::ApplyCurrentSkeletonFrame(bool normalize)
{
    const int32_t slots = std::min(FBonesPerVertex, BoneMatrixInvertedMeshCount());
    if (slots == 0) return;
    // Only vertices that have a row and a place in every inverted mesh move.
    int32_t vertexCount = std::min(Vertices()->Count(), FVerticeBoneWeightCount);
    int32_t normalCount = std::min(Normals()->Count(), FVerticeBoneWeightCount);
    for (int32_t slot = 0; slot < slots; ++slot) {
        vertexCount = std::min(vertexCount, FBoneMatrixInvertedMeshes[slot]->Vertices()->Count());
        normalCount = std::min(normalCount, FBoneMatrixInvertedMeshes[slot]->Normals()->Count());
    }
    // Slot by slot, so that the bone of the previous vertex in the same slot is mostly the one wanted.
    TGLSkeleton* skeleton = Skeleton();
    const auto blend = [&](TVector3f* targets, int32_t count, auto placedOf) {
        std::fill_n(targets, count, TVector3f{});
        for (int32_t slot = 0; slot < slots; ++slot) {
            TBoneMatrices bones(skeleton);
            for (int32_t i = 0; i < count; ++i) {
                const TVertexBoneWeight& entry = Row(i)[slot];
                // One bone per vertex moves it whatever its weight.
                const float weight = slots == 1 ? 1.0f : entry.Weight;
                if (weight != 0) AffineAddScaledInPlace(targets[i], placedOf(slot, i, bones.Of(entry.BoneID)), weight);
            }
        }
    };
    blend(Vertices()->List(), vertexCount, [this](int32_t slot, int32_t i, const TMatrix4f& matrix) {
        TVector3f placed;
        AffineTransformPoint(FBoneMatrixInvertedMeshes[slot]->Vertices()->List()[i], matrix, placed);
        return placed;
    });
    blend(Normals()->List(), normalCount, [this](int32_t slot, int32_t i, const TMatrix4f& matrix) {
        return TransformDirection(FBoneMatrixInvertedMeshes[slot]->Normals()->List()[i], matrix);
    });
    if (normalize) Normals()->Normalize();
    // The new positions count as a change of the lists: extents and buffers follow them.
    Vertices()->SetRevision(Vertices()->Revision() + 1);
    Normals()->SetRevision(Normals()->Revision() + 1);
    InvalidateBuffers({vbVertices, vbNormals});
}

void TGLSkeletonMeshObject::BackupBoneMatrixInvertedMeshes()
{
    FBackupInvertedMeshes = std::move(FBoneMatrixInvertedMeshes);
    FBoneMatrixInvertedMeshes.clear();
}

void TGLSkeletonMeshObject::RestoreBoneMatrixInvertedMeshes()
{
    // A mesh object that was never put aside keeps the meshes it has.
    if (FBackupInvertedMeshes.empty()) return;
    FBoneMatrixInvertedMeshes = std::move(FBackupInvertedMeshes);
    FBackupInvertedMeshes.clear();
}
