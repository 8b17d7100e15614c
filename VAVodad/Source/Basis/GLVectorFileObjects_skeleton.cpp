// The skeleton of a mesh: animation frames (a translation and a rotation per bone), the tree of bones placed by
// the current frame, colliders that follow the bones, blending of frames and the rag-doll switch.
#include "GLVectorFileObjects.h"

#include "GLState.h"
#include "GLVectorGeometry.h"
#include "OpenGLAdapter.h"
#include "SysUtils.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace {

// Rotation about X, then Y, then Z (row vectors), each only when its angle is not 0.
TMatrix4f EulerRotationMatrix(const TVector3f& angles)
{
    TMatrix4f result = IdentityHmgMatrix;
    using TRotation = void (*)(float, float, TMatrix4f&);
    constexpr TRotation cRotations[3] = {MatrixRotationXSinCos, MatrixRotationYSinCos, MatrixRotationZSinCos};
    for (int axis = 0; axis < 3; ++axis) {
        if (angles.V[axis] == 0) continue;
        float s, c;
        SinCosSingle(angles.V[axis], s, c);
        TMatrix4f rotation;
        cRotations[axis](s, c, rotation);
        MatrixProduct(result, rotation, result);
    }
    return result;
}

constexpr int cRotateX = 6; // the rotations' place among a matrix's transform components

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Owned object lists

bool ReadObjectListWithoutNils(TPersistentObjectList& list, TVirtualReader* reader)
{
    // The plain reader stores nil entries as they come; an owned list never keeps one, whatever the outcome.
    try {
        list.TPersistentObjectList::ReadFromFiler(reader);
    } catch (...) {
        list.Pack();
        throw;
    }
    const int32_t read = list.Count();
    list.Pack();
    return list.Count() == read;
}

// ---------------------------------------------------------------------------------------------------------
// TGLSkeletonFrame

TGLSkeletonFrame::TGLSkeletonFrame()
    : FPosition(std::make_unique<TAffineVectorList>()), FRotation(std::make_unique<TAffineVectorList>()),
      FQuaternion(std::make_unique<TQuaternionList>())
{
}

TGLSkeletonFrame::TGLSkeletonFrame(TGLSkeletonFrameList* aOwner) : TGLSkeletonFrame()
{
    FOwner = aOwner;
    if (aOwner) aOwner->Add(this);
}

TGLSkeletonFrame::~TGLSkeletonFrame()
{
    if (FOwner) FOwner->Remove(this);
}

void TGLSkeletonFrame::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLSkeletonFrame*>(Source);
    if (!source) {
        TPersistentObject::Assign(Source);
        return;
    }
    if (source == this) return;
    FName = source->FName;
    FPosition->Assign(source->FPosition.get());
    FRotation->Assign(source->FRotation.get());
    FQuaternion->Assign(source->FQuaternion.get());
    FTransformMode = source->FTransformMode;
    FlushLocalMatrixList();
}

void TGLSkeletonFrame::WriteToFiler(TVirtualWriter* writer)
{
    TPersistentObject::WriteToFiler(writer);
    writer->WriteInteger(1); // archive version
    writer->WriteString(FName);
    FPosition->WriteToFiler(writer);
    FRotation->WriteToFiler(writer);
    FQuaternion->WriteToFiler(writer);
    writer->WriteInteger(FTransformMode);
}

void TGLSkeletonFrame::ReadFromFiler(TVirtualReader* reader)
{
    TPersistentObject::ReadFromFiler(reader);
    const int32_t archiveVersion = reader->ReadInteger();
    if (archiveVersion != 0 && archiveVersion != 1) RaiseUnknownArchiveVersion(archiveVersion);
    FlushLocalMatrixList();
    FName = reader->ReadString();
    FPosition->ReadFromFiler(reader);
    FRotation->ReadFromFiler(reader);
    if (archiveVersion == 0) {
        FQuaternion->Clear();
        FTransformMode = sftRotation;
        return;
    }
    FQuaternion->ReadFromFiler(reader);
    const int32_t mode = reader->ReadInteger();
    if (mode != sftRotation && mode != sftQuaternion) throw EReadError(ClassName() + " : unknown transform mode");
    FTransformMode = static_cast<TGLSkeletonFrameTransform>(mode);
}

const std::vector<TMatrix4f>& TGLSkeletonFrame::LocalMatrixList()
{
    if (FLocalMatrixListBuilt) return FLocalMatrixList;
    const bool quaternions = FTransformMode == sftQuaternion;
    const int32_t count = quaternions ? FQuaternion->Count() : FRotation->Count();
    FLocalMatrixList.resize(count);
    for (int32_t i = 0; i < count; ++i) {
        TMatrix4f& matrix = FLocalMatrixList[i];
        if (quaternions)
            QuaternionToRotationMatrix(FQuaternion->List()[i], matrix);
        else
            matrix = EulerRotationMatrix(FRotation->List()[i]);
        if (i < FPosition->Count()) {
            const TVector3f& position = FPosition->List()[i];
            matrix.W = TVector4f{{{position.X, position.Y, position.Z, 1}}};
        }
    }
    FLocalMatrixListBuilt = true;
    return FLocalMatrixList;
}

void TGLSkeletonFrame::FlushLocalMatrixList()
{
    // The storage stays: the current frame is rebuilt every animation frame.
    FLocalMatrixList.clear();
    FLocalMatrixListBuilt = false;
}

void TGLSkeletonFrame::ConvertQuaternionsToRotations(bool KeepQuaternions)
{
    FRotation->SetCount(0);
    for (int32_t i = 0; i < FQuaternion->Count(); ++i) {
        TMatrix4f matrix;
        QuaternionToRotationMatrix(FQuaternion->List()[i], matrix);
        TTransformComponents components;
        if (MatrixToTransformComponents(matrix, components))
            FRotation->Add(components[cRotateX], components[cRotateX + 1], components[cRotateX + 2]);
        else
            FRotation->Add(TVector3f{});
    }
    if (!KeepQuaternions) FQuaternion->Clear();
}

void TGLSkeletonFrame::ConvertRotationsToQuaternions(bool KeepRotations)
{
    FQuaternion->SetCount(0);
    for (int32_t i = 0; i < FRotation->Count(); ++i) {
        TQuaternion quaternion;
        QuaternionFromRotationMatrix(EulerRotationMatrix(FRotation->List()[i]), quaternion);
        FQuaternion->Add(quaternion);
    }
    if (!KeepRotations) FRotation->Clear();
}

// ---------------------------------------------------------------------------------------------------------
// TGLSkeletonFrameList

void TGLSkeletonFrameList::ConvertQuaternionsToRotations(bool KeepQuaternions, bool SetTransformMode)
{
    for (int32_t i = 0; i < Count(); ++i) {
        Items(i)->ConvertQuaternionsToRotations(KeepQuaternions);
        if (SetTransformMode) Items(i)->SetTransformMode(sftRotation);
    }
}

void TGLSkeletonFrameList::ConvertRotationsToQuaternions(bool KeepRotations, bool SetTransformMode)
{
    for (int32_t i = 0; i < Count(); ++i) {
        Items(i)->ConvertRotationsToQuaternions(KeepRotations);
        if (SetTransformMode) Items(i)->SetTransformMode(sftQuaternion);
    }
}

// ---------------------------------------------------------------------------------------------------------
// TGLSkeletonBoneList

TGLSkeletonBoneList::TGLSkeletonBoneList() : FGlobalMatrix(IdentityHmgMatrix) {}

TGLSkeletonBoneList::TGLSkeletonBoneList(TGLSkeleton* aOwner) : TGLSkeletonBoneList()
{
    FSkeleton = aOwner;
}

TGLSkeletonBoneList::~TGLSkeletonBoneList()
{
    Clear();
}

TGLSkeletonBone* TGLSkeletonBoneList::Items(int32_t Index) const
{
    return static_cast<TGLSkeletonBone*>(Get(Index));
}

void TGLSkeletonBoneList::WriteToFiler(TVirtualWriter* writer)
{
    TPersistentObjectList::WriteToFiler(writer);
    writer->WriteInteger(0); // archive version
}

void TGLSkeletonBoneList::ReadFromFiler(TVirtualReader* reader)
{
    ReadOwnedObjectList<TGLSkeletonBone>(*this, reader);
    // The bones read have identifiers the skeleton's cache does not know yet.
    if (FSkeleton) FSkeleton->FlushBoneByIDCache();
    const int32_t archiveVersion = reader->ReadInteger();
    if (archiveVersion != 0) RaiseUnknownArchiveVersion(archiveVersion);
}

void TGLSkeletonBoneList::Clear()
{
    FreeOwnedItems<TGLSkeletonBone>(*this);
}

void TGLSkeletonBoneList::ItemCreatedByReader(TObject* Sender)
{
    // The skeleton reaches every level of the tree before the level reads its bones.
    TGLSkeletonBone* bone = CheckArchivedItem<TGLSkeletonBone>(Sender, *this);
    bone->SetOwner(this);
    bone->SetSkeleton(FSkeleton);
}

TGLSkeletonBone* TGLSkeletonBoneList::BoneByID(int32_t anID)
{
    for (int32_t i = 0; i < Count(); ++i)
        if (TGLSkeletonBone* bone = Items(i)->BoneByID(anID)) return bone;
    return nullptr;
}

TGLSkeletonBone* TGLSkeletonBoneList::BoneByName(const std::string& aName)
{
    for (int32_t i = 0; i < Count(); ++i)
        if (TGLSkeletonBone* bone = Items(i)->BoneByName(aName)) return bone;
    return nullptr;
}

int32_t TGLSkeletonBoneList::BoneCount() const
{
    int32_t result = 1;
    for (int32_t i = 0; i < Count(); ++i) result += Items(i)->BoneCount();
    return result;
}

void TGLSkeletonBoneList::PrepareGlobalMatrices()
{
    for (int32_t i = 0; i < Count(); ++i) Items(i)->PrepareGlobalMatrices();
}

void TGLSkeletonBoneList::BuildChildren(TGLRenderContextInfo& mrci)
{
    for (int32_t i = 0; i < Count(); ++i) Items(i)->BuildList(mrci);
}

// ---------------------------------------------------------------------------------------------------------
// TGLSkeletonRootBoneList

void TGLSkeletonRootBoneList::WriteToFiler(TVirtualWriter* writer)
{
    TGLSkeletonBoneList::WriteToFiler(writer);
    writer->WriteInteger(0); // archive version
}

void TGLSkeletonRootBoneList::ReadFromFiler(TVirtualReader* reader)
{
    TGLSkeletonBoneList::ReadFromFiler(reader);
    const int32_t archiveVersion = reader->ReadInteger();
    if (archiveVersion != 0) RaiseUnknownArchiveVersion(archiveVersion);
}

void TGLSkeletonRootBoneList::BuildList(TGLRenderContextInfo& mrci)
{
    mrci.GLStates->Disable(stColorMaterial);
    mrci.GLStates->Disable(stLighting);
    GetCurrentGL()->Color3f(1, 1, 1);
    BuildChildren(mrci);
}

// ---------------------------------------------------------------------------------------------------------
// TGLSkeletonBone

TGLSkeletonBone::TGLSkeletonBone() = default;

TGLSkeletonBone::TGLSkeletonBone(TGLSkeletonBoneList* aOwner)
{
    FOwner = aOwner;
    if (!aOwner) return;
    aOwner->Add(this);
    FSkeleton = aOwner->Skeleton();
    if (FSkeleton) FSkeleton->FlushBoneByIDCache();
}

TGLSkeletonBone::~TGLSkeletonBone()
{
    if (FOwner) FOwner->Remove(this);
    if (FSkeleton) FSkeleton->ForgetBone(this);
}

void TGLSkeletonBone::WriteToFiler(TVirtualWriter* writer)
{
    TGLSkeletonBoneList::WriteToFiler(writer);
    writer->WriteInteger(0); // archive version
    writer->WriteString(FName);
    writer->WriteInteger(FBoneID);
    writer->WriteInteger(static_cast<int32_t>(FColor));
}

void TGLSkeletonBone::ReadFromFiler(TVirtualReader* reader)
{
    TGLSkeletonBoneList::ReadFromFiler(reader);
    const int32_t archiveVersion = reader->ReadInteger();
    if (archiveVersion != 0) RaiseUnknownArchiveVersion(archiveVersion);
    FName = reader->ReadString();
    FBoneID = reader->ReadInteger();
    FColor = static_cast<uint32_t>(reader->ReadInteger());
}

void TGLSkeletonBone::Clean()
{
    FBoneID = 0;
    FName.clear();
    Clear();
    if (FSkeleton) FSkeleton->FlushBoneByIDCache();
}

void TGLSkeletonBone::SetBoneID(int32_t Value)
{
    FBoneID = Value;
    if (FSkeleton) FSkeleton->FlushBoneByIDCache();
}

TGLSkeletonBone* TGLSkeletonBone::BoneByID(int32_t anID)
{
    return FBoneID == anID ? this : TGLSkeletonBoneList::BoneByID(anID);
}

TGLSkeletonBone* TGLSkeletonBone::BoneByName(const std::string& aName)
{
    return FName == aName ? this : TGLSkeletonBoneList::BoneByName(aName);
}

void TGLSkeletonBone::BuildList(TGLRenderContextInfo& mrci)
{
    TGLExtensionsAndEntryPoints& gl = *GetCurrentGL();
    mrci.GLStates->SetPointSize(5);
    gl.Begin_(GL_POINTS);
    const auto channel = [this](int shift) { return static_cast<float>((FColor >> shift) & 0xFF) / 255.0f; };
    gl.Color4f(channel(0), channel(8), channel(16), channel(24));
    gl.Vertex3fv(FGlobalMatrix.W.V);
    gl.End_();
    if (auto* parent = dynamic_cast<TGLSkeletonBone*>(FOwner)) {
        gl.Begin_(GL_LINES);
        gl.Vertex3fv(parent->GlobalMatrix().W.V);
        gl.Vertex3fv(FGlobalMatrix.W.V);
        gl.End_();
    }
    BuildChildren(mrci);
}

void TGLSkeletonBone::PrepareGlobalMatrices()
{
    if (FSkeleton && FSkeleton->RagDollEnabled()) return;
    // A bone the current frame does not cover (or a skeleton without frames) stays where its parent is.
    TMatrix4f local = IdentityHmgMatrix;
    if (TGLSkeletonFrame* frame = FSkeleton ? FSkeleton->CurrentFrame() : nullptr) {
        const std::vector<TMatrix4f>& matrices = frame->LocalMatrixList();
        if (FBoneID >= 0 && FBoneID < static_cast<int32_t>(matrices.size())) local = matrices[FBoneID];
    }
    MatrixProduct(local, FOwner ? FOwner->GlobalMatrix() : IdentityHmgMatrix, FGlobalMatrix);
    TGLSkeletonBoneList::PrepareGlobalMatrices();
}

void TGLSkeletonBone::SetGlobalMatrixForRagDoll(const TMatrix4f& RagDollMatrix)
{
    TGLBaseMesh* mesh = FSkeleton ? FSkeleton->Owner() : nullptr;
    if (mesh)
        MatrixProduct(RagDollMatrix, mesh->InvAbsoluteMatrix(), FGlobalMatrix);
    else
        FGlobalMatrix = RagDollMatrix;
}

// ---------------------------------------------------------------------------------------------------------
// TGLSkeletonCollider

TGLSkeletonCollider::TGLSkeletonCollider() : FLocalMatrix(IdentityHmgMatrix), FGlobalMatrix(IdentityHmgMatrix) {}

TGLSkeletonCollider::TGLSkeletonCollider(TGLSkeletonColliderList* AOwner) : TGLSkeletonCollider()
{
    FOwner = AOwner;
    if (AOwner) AOwner->Add(this);
}

TGLSkeletonCollider::~TGLSkeletonCollider()
{
    if (FOwner) FOwner->Remove(this);
}

void TGLSkeletonCollider::WriteToFiler(TVirtualWriter* writer)
{
    TPersistentObject::WriteToFiler(writer);
    writer->WriteInteger(0); // archive version
    writer->WriteInteger(FBone ? FBone->BoneID() : -1);
    writer->Write(&FLocalMatrix, sizeof(FLocalMatrix));
}

void TGLSkeletonCollider::ReadFromFiler(TVirtualReader* reader)
{
    TPersistentObject::ReadFromFiler(reader);
    const int32_t archiveVersion = reader->ReadInteger();
    if (archiveVersion != 0) RaiseUnknownArchiveVersion(archiveVersion);
    FBoneID = reader->ReadInteger();
    FBone = nullptr;
    reader->Read(&FLocalMatrix, sizeof(FLocalMatrix));
}

void TGLSkeletonCollider::AlignCollider()
{
    if (!FBone) {
        FGlobalMatrix = FLocalMatrix;
        return;
    }
    TMatrix4f bone = FBone->GlobalMatrix();
    auto* skeleton = FOwner ? dynamic_cast<TGLSkeleton*>(FOwner->Owner()) : nullptr;
    if (TGLBaseMesh* mesh = skeleton ? skeleton->Owner() : nullptr) MatrixProduct(bone, mesh->AbsoluteMatrix(), bone);
    MatrixProduct(FLocalMatrix, bone, FGlobalMatrix);
}

// ---------------------------------------------------------------------------------------------------------
// TGLSkeletonColliderList

void TGLSkeletonColliderList::ReadFromFiler(TVirtualReader* reader)
{
    TGLOwnedObjectList::ReadFromFiler(reader);
    auto* skeleton = dynamic_cast<TGLSkeleton*>(Owner());
    if (!skeleton) return;
    for (int32_t i = 0; i < Count(); ++i) {
        TGLSkeletonCollider* collider = Items(i);
        const int32_t boneID = collider->BoneID();
        if (boneID == -1) continue;
        if (boneID < 0) throw EReadError(ClassName() + " : negative bone identifier");
        // A bone the skeleton lacks leaves the collider without one.
        collider->SetBone(skeleton->FindBoneByID(boneID));
    }
}

void TGLSkeletonColliderList::AlignColliders()
{
    for (int32_t i = 0; i < Count(); ++i)
        if (Items(i)->AutoUpdate()) Items(i)->AlignCollider();
}

// ---------------------------------------------------------------------------------------------------------
// TGLSkeleton

TGLSkeleton::TGLSkeleton()
    : FRootBones(new TGLSkeletonRootBoneList(this)), FFrames(new TGLSkeletonFrameList(this)),
      FColliders(new TGLSkeletonColliderList(this))
{
}

TGLSkeleton::TGLSkeleton(TGLBaseMesh* AOwner) : TGLSkeleton()
{
    FOwner = AOwner;
}

TGLSkeleton::~TGLSkeleton()
{
    // The bones die while the colliders that may name them are still there to forget them.
    FlushBoneByIDCache();
    FCurrentFrame.reset();
    FFrames.reset();
    FRootBones.reset();
    FColliders.reset();
}

void TGLSkeleton::WriteToFiler(TVirtualWriter* writer)
{
    TPersistentObject::WriteToFiler(writer);
    const bool withColliders = FColliders->Count() > 0;
    writer->WriteInteger(withColliders ? 1 : 0); // archive version
    FRootBones->WriteToFiler(writer);
    FFrames->WriteToFiler(writer);
    if (withColliders) FColliders->WriteToFiler(writer);
}

void TGLSkeleton::ReadFromFiler(TVirtualReader* reader)
{
    TPersistentObject::ReadFromFiler(reader);
    const int32_t archiveVersion = reader->ReadInteger();
    if (archiveVersion != 0 && archiveVersion != 1) RaiseUnknownArchiveVersion(archiveVersion);
    FRootBones->ReadFromFiler(reader);
    FFrames->ReadFromFiler(reader);
    // An archive without colliders is a skeleton without them.
    if (archiveVersion == 1)
        FColliders->ReadFromFiler(reader);
    else
        FColliders->Clear();
}

void TGLSkeleton::SetRootBones(TGLSkeletonRootBoneList* Value)
{
    FRootBones->Assign(Value);
}

TGLSkeletonFrame* TGLSkeleton::CurrentFrame()
{
    if (!FCurrentFrame && FFrames->Count() > 0) OwnCurrentFrame().Assign(Frame(0));
    return FCurrentFrame.get();
}

void TGLSkeleton::SetCurrentFrame(TGLSkeletonFrame* Value)
{
    if (Value)
        OwnCurrentFrame().Assign(Value);
    else
        FCurrentFrame.reset();
}

TGLSkeletonFrame& TGLSkeleton::OwnCurrentFrame()
{
    if (!FCurrentFrame) FCurrentFrame.reset(new TGLSkeletonFrame());
    return *FCurrentFrame;
}

TGLSkeletonFrame& TGLSkeleton::BlankCurrentFrame(TGLSkeletonFrameTransform mode)
{
    TGLSkeletonFrame& frame = OwnCurrentFrame();
    // Emptied, not released: the lists are refilled with as many items at the next animation frame.
    frame.SetName("");
    frame.Position()->SetCount(0);
    frame.Rotation()->SetCount(0);
    frame.Quaternion()->SetCount(0);
    frame.SetTransformMode(mode);
    frame.FlushLocalMatrixList();
    return frame;
}

void TGLSkeleton::BuildBoneByIDCache()
{
    // Depth-first from the root bones; of two bones with one identifier the later wins.
    std::vector<std::pair<int32_t, TGLSkeletonBone*>> bones;
    const auto visit = [&bones](auto& self, TGLSkeletonBoneList& list) -> void {
        for (int32_t i = 0; i < list.Count(); ++i) {
            TGLSkeletonBone* bone = list.Items(i);
            bones.emplace_back(bone->BoneID(), bone);
            self(self, *bone);
        }
    };
    visit(visit, *FRootBones);
    std::stable_sort(bones.begin(), bones.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    FBonesByIDCache.clear();
    for (const auto& entry : bones) {
        if (entry.first < 0) continue;
        if (!FBonesByIDCache.empty() && FBonesByIDCache.back().first == entry.first)
            FBonesByIDCache.back().second = entry.second;
        else
            FBonesByIDCache.push_back(entry);
    }
    FBonesByIDCacheBuilt = true;
}

TGLSkeletonBone* TGLSkeleton::FindBoneByID(int32_t anID)
{
    if (!FBonesByIDCacheBuilt) BuildBoneByIDCache();
    const auto found = std::lower_bound(FBonesByIDCache.begin(), FBonesByIDCache.end(), anID,
                                        [](const auto& entry, int32_t id) { return entry.first < id; });
    return found != FBonesByIDCache.end() && found->first == anID ? found->second : nullptr;
}

TGLSkeletonBone* TGLSkeleton::BoneByID(int32_t anID)
{
    TGLSkeletonBone* bone = FindBoneByID(anID);
    // Below the highest identifier an unused one is a gap (nullptr); outside, an index error.
    if (!bone && (anID < 0 || FBonesByIDCache.empty() || anID > FBonesByIDCache.back().first))
        RaiseListError("List index out of bounds (%d)", anID);
    return bone;
}

TGLSkeletonBone* TGLSkeleton::BoneByName(const std::string& aName)
{
    return FRootBones->BoneByName(aName);
}

int32_t TGLSkeleton::BoneCount() const
{
    return FRootBones->BoneCount();
}

void TGLSkeleton::FlushBoneByIDCache()
{
    FBonesByIDCache.clear();
    FBonesByIDCacheBuilt = false;
}

const TMatrix4f& TGLSkeleton::BoneMatrix(int32_t anID)
{
    const TGLSkeletonBone* bone = FindBoneByID(anID);
    return bone ? bone->GlobalMatrix() : IdentityHmgMatrix;
}

void TGLSkeleton::ForgetBone(TGLSkeletonBone* aBone)
{
    FlushBoneByIDCache();
    if (!FColliders) return;
    for (int32_t i = 0; i < FColliders->Count(); ++i)
        if (FColliders->Items(i)->Bone() == aBone) FColliders->Items(i)->SetBone(nullptr);
}

void TGLSkeleton::MorphTo(int32_t frameIndex)
{
    SetCurrentFrame(Frame(frameIndex));
}

void TGLSkeleton::MorphTo(TGLSkeletonFrame* frame)
{
    SetCurrentFrame(frame);
}

void TGLSkeleton::Lerp(int32_t frameIndex1, int32_t frameIndex2, float lerpFactor)
{
    TGLSkeletonFrame* frame1 = Frame(frameIndex1);
    TGLSkeletonFrame* frame2 = Frame(frameIndex2);
    TGLSkeletonFrame& current = BlankCurrentFrame(frame1->TransformMode());
    current.Position()->Lerp(frame1->Position(), frame2->Position(), lerpFactor);
    if (current.TransformMode() == sftRotation)
        current.Rotation()->AngleLerp(frame1->Rotation(), frame2->Rotation(), lerpFactor);
    else
        current.Quaternion()->Lerp(frame1->Quaternion(), frame2->Quaternion(), lerpFactor);
}

void TGLSkeleton::BlendedLerps(std::span<const TBlendedLerpInfo> lerpInfos)
{
    Assert(!lerpInfos.empty(), "", cGLVectorFileObjectsUnit);
    const TBlendedLerpInfo& first = lerpInfos[0];
    if (lerpInfos.size() == 1) {
        Lerp(first.frameIndex1, first.frameIndex2, first.lerpFactor);
        return;
    }
    TGLSkeletonFrame* frame1 = Frame(first.frameIndex1);
    TGLSkeletonFrame* frame2 = Frame(first.frameIndex2);
    TGLSkeletonFrame& current = BlankCurrentFrame(frame1->TransformMode());
    const auto layers = lerpInfos.subspan(1);

    TAffineVectorList& positions = *current.Position();
    positions.Lerp(frame1->Position(), frame2->Position(), first.lerpFactor);
    if (first.weight != 1) positions.Scale(first.weight);
    for (const TBlendedLerpInfo& layer : layers) {
        TAffineVectorList* added = layer.externalPositions;
        if (!added) {
            FBlendVectors.Lerp(Frame(layer.frameIndex1)->Position(), Frame(layer.frameIndex2)->Position(),
                               layer.lerpFactor);
            added = &FBlendVectors;
        }
        positions.Translate(added);
    }

    if (current.TransformMode() == sftRotation) {
        TAffineVectorList& rotations = *current.Rotation();
        rotations.AngleLerp(frame1->Rotation(), frame2->Rotation(), first.lerpFactor);
        for (const TBlendedLerpInfo& layer : layers) {
            TAffineVectorList* added = layer.externalRotations;
            if (!added) {
                FBlendVectors.AngleLerp(Frame(layer.frameIndex1)->Rotation(), Frame(layer.frameIndex2)->Rotation(),
                                        layer.lerpFactor);
                added = &FBlendVectors;
            }
            rotations.AngleCombine(added, 1);
        }
    } else {
        TQuaternionList& quaternions = *current.Quaternion();
        quaternions.Lerp(frame1->Quaternion(), frame2->Quaternion(), first.lerpFactor);
        for (const TBlendedLerpInfo& layer : layers) {
            TQuaternionList* added = layer.externalQuaternions;
            if (!added) {
                FBlendQuaternions.Lerp(Frame(layer.frameIndex1)->Quaternion(),
                                       Frame(layer.frameIndex2)->Quaternion(), layer.lerpFactor);
                added = &FBlendQuaternions;
            }
            quaternions.Combine(added, 1);
        }
    }
}

void TGLSkeleton::MakeSkeletalTranslationStatic(int32_t startFrame, int32_t endFrame)
{
    if (startFrame >= endFrame) return;
    // Every frame of the range exists and places bone 0 before any of them changes.
    for (int32_t i = startFrame; i <= endFrame; ++i)
        Assert(Frame(i)->Position()->Count() > 0, "", cGLVectorFileObjectsUnit);
    TVector3f drift;
    AffineSubtract(Frame(endFrame)->Position()->List()[0], Frame(startFrame)->Position()->List()[0], drift);
    const double span = endFrame - startFrame;
    for (int32_t i = startFrame; i <= endFrame; ++i) {
        TAffineVectorList& positions = *Frame(i)->Position();
        TVector3f position = positions.List()[0];
        AffineAddScaledInPlace(position, drift, static_cast<float>(-(i - startFrame) / span));
        positions.Put(0, position);
    }
}

void TGLSkeleton::MakeSkeletalRotationDelta(int32_t startFrame, int32_t endFrame)
{
    if (startFrame >= endFrame) return;
    for (int32_t i = startFrame; i <= endFrame; ++i) {
        const int32_t bones = Frame(i)->Position()->Count();
        Assert(Frame(i)->Rotation()->Count() >= bones && Frame(0)->Rotation()->Count() >= bones, "",
               cGLVectorFileObjectsUnit);
    }
    // Relative to frame 0 as it was, also when the range starts with frame 0.
    FBlendVectors.Assign(Frame(0)->Rotation());
    for (int32_t i = startFrame; i <= endFrame; ++i) {
        TGLSkeletonFrame& frame = *Frame(i);
        for (int32_t j = 0; j < frame.Position()->Count(); ++j) {
            frame.Position()->Put(j, TVector3f{});
            TVector3f delta;
            AffineSubtract(frame.Rotation()->List()[j], FBlendVectors.List()[j], delta);
            frame.Rotation()->Put(j, AffineLengthSquared(delta) < 1e-6f ? TVector3f{} : delta);
        }
    }
}

template <class F> void TGLSkeleton::ForEachSkinnedMeshObject(F f)
{
    if (!FOwner) return;
    TGLMeshObjectList& meshObjects = *FOwner->MeshObjects();
    for (int32_t i = 0; i < meshObjects.Count(); ++i)
        if (auto* skinned = dynamic_cast<TGLSkeletonMeshObject*>(meshObjects.Items(i))) f(*skinned);
}

void TGLSkeleton::MorphMesh(bool normalize)
{
    if (!FOwner || FOwner->MeshObjects()->Count() == 0) return;
    FRootBones->PrepareGlobalMatrices();
    if (FColliders->Count() > 0) FColliders->AlignColliders();
    ForEachSkinnedMeshObject([this, normalize](TGLSkeletonMeshObject& meshObject) {
        if (FMorphInvisibleParts || meshObject.Visible()) meshObject.ApplyCurrentSkeletonFrame(normalize);
    });
}

void TGLSkeleton::Synchronize(TGLSkeleton* reference)
{
    if (TGLSkeletonFrame* pose = reference ? reference->CurrentFrame() : nullptr) SetCurrentFrame(pose);
    MorphMesh(true);
}

void TGLSkeleton::Clear()
{
    FlushBoneByIDCache();
    FRootBones->Clear();
    FFrames->Clear();
    FCurrentFrame.reset();
    FColliders->Clear();
}

void TGLSkeleton::StartRagdoll()
{
    if (FRagDollEnabled) return;
    FRagDollEnabled = true;
    ForEachSkinnedMeshObject([](TGLSkeletonMeshObject& meshObject) {
        meshObject.BackupBoneMatrixInvertedMeshes();
        meshObject.PrepareBoneMatrixInvertedMeshes();
    });
}

void TGLSkeleton::StopRagdoll()
{
    if (!FRagDollEnabled) return;
    FRagDollEnabled = false;
    ForEachSkinnedMeshObject([](TGLSkeletonMeshObject& meshObject) { meshObject.RestoreBoneMatrixInvertedMeshes(); });
}
