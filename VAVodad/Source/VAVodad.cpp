#include "VAVodad.h"

#include "ComponentStreams.h"
#include "GLBoundingBoxes.h"
#include "GLContext.h"
#include "GLSilhouette.h"
#include "GLState.h"
#include "GLVectorGeometry.h"
#include "VAVodad_vectors.h"
#include "ZODLog.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr TVector4f cXHmgVector{{{1, 0, 0, 0}}};
constexpr TVector4f cYHmgVector{{{0, 1, 0, 0}}};
constexpr TVector4f cZHmgVector{{{0, 0, 1, 0}}};
constexpr TVector4f cOriginPoint{{{0, 0, 0, 1}}};
constexpr TVector4f cUnitScale{{{1, 1, 1, 0}}};

const THmgBoundingBox cNullHmgBox = {{cOriginPoint, cOriginPoint, cOriginPoint, cOriginPoint, cOriginPoint,
                                      cOriginPoint, cOriginPoint, cOriginPoint}};

TVector4f Hmg(const TVector3f& v, float w)
{
    return TVector4f{{{v.X, v.Y, v.Z, w}}};
}

// Up and Direction turned together about an axis (copied first: it may be one of them), each normalised. The
// writes notify the owner, which ignores them while it calculates.
void RotateUpAndDirection(TGLCoordinates& up, TGLCoordinates& direction, const TVector4f axis, float radians)
{
    up.Rotate(axis, radians);
    up.Normalize();
    direction.Rotate(axis, radians);
    direction.Normalize();
}

// The angle (degrees) of a unit vector out of the plane its two other axes span, continued past +-90 on the
// side where the correcting component is negative.
float RecomputedAngle(float along, float across1, float across2, float correctX, float correctY)
{
    float angle = static_cast<float>(-RadiansToDegrees(std::atan2(along, FloatHypot(across1, across2))));
    if (correctX < 0) angle = (correctY >= 0 ? -180.0f : 180.0f) - angle;
    return angle;
}

bool HmgBoxIsNull(const THmgBoundingBox& box)
{
    return HmgBoxEquals(box, cNullHmgBox);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Construction and destruction

TGLBaseSceneObject::TGLBaseSceneObject(TComponent* AOwner)
    : TGLCoordinatesUpdateAbleComponent(AOwner), FLocalMatrix(IdentityHmgMatrix),
      FBoundingBoxPersonalUnscaled(cNullHmgBox), FBoundingBoxOfChildren(cNullHmgBox),
      FBoundingBoxIncludingChildren(cNullHmgBox)
{
    FPosition = std::make_unique<TGLCoordinates>(this, cOriginPoint, CsPoint);
    FDirection = std::make_unique<TGLCoordinates>(this, cZHmgVector, CsVector);
    FUp = std::make_unique<TGLCoordinates>(this, cYHmgVector, CsVector);
    FScaling = std::make_unique<TGLCoordinates>(this, cUnitScale, CsVector);
    FRotation = std::make_unique<TGLCoordinates>(this, TVector4f{}, CsVector);
}

void TGLBaseSceneObject::BeforeDestruction()
{
    DetachFromTree();
    TGLCoordinatesUpdateAbleComponent::BeforeDestruction();
}

TGLBaseSceneObject::~TGLBaseSceneObject()
{
    // Reached without the pre-destroy step only by a plain delete; detach as far as the base class can.
    try {
        DetachFromTree();
    } catch (const std::exception& e) {
        GlobalLogSession()->LogError(std::string("Scene object destruction: ") + e.what());
    } catch (...) {
        GlobalLogSession()->LogError("Scene object destruction: unknown error");
    }
}

void TGLBaseSceneObject::DetachFromTree()
{
    if (FDetached) return;
    FDetached = true;
    DeleteChildCameras();
    FGLObjectEffects.reset();
    FGLBehaviours.reset();
    FreeAndNil(FListHandle);
    if (FParent) FParent->Remove(this, false);
    if (FChildrenCreated) {
        DeleteChildren();
        Kids().Clear();
    }
}

void TGLBaseSceneObject::DeleteChildCameras()
{
    // Depth first, so a camera's children are free of cameras when they move up to its parent; the children
    // that move up are appended beyond the index reached.
    for (int32_t i = Count() - 1; i >= 0; i = std::min(i - 1, Count() - 1)) {
        TGLBaseSceneObject* child = Kids().Items(i);
        child->DeleteChildCameras();
        if (child->IsCamera()) {
            Remove(child, true);
            Free(child);
        }
    }
}

// ---------------------------------------------------------------------------------------------------------
// Tree

TGLBaseSceneObject* TGLBaseSceneObject::Children(int32_t Index) const
{
    return Kids().Items(Index);
}

int32_t TGLBaseSceneObject::IndexOfChild(TGLBaseSceneObject* aChild) const
{
    return Kids().IndexOf(aChild);
}

bool TGLBaseSceneObject::HasSubChildren() const
{
    for (int32_t i = 0; i < Count(); ++i)
        if (Kids().Items(i)->ComponentStyle() & csSubComponent) return true;
    return false;
}

void TGLBaseSceneObject::CheckNewChild(TGLBaseSceneObject* AChild) const
{
    Assert(AChild != nullptr, "", cVAVodadUnit);
    // An object under itself would make every walk of the tree endless.
    for (const TGLBaseSceneObject* ancestor = this; ancestor; ancestor = ancestor->FParent)
        if (ancestor == AChild) Assert(false, "A scene object cannot be a child of its own subtree", cVAVodadUnit);
}

void TGLBaseSceneObject::AddChild(TGLBaseSceneObject* AChild)
{
    CheckNewChild(AChild);
    Assert(!AChild->FParent, "", cVAVodadUnit);
    if (FScene) FScene->AddLights(AChild);
    FChildrenCreated = true;
    AChild->FIndexHint = Kids().Add(AChild);
    AChild->FParent = this;
    AChild->SetScene(FScene);
    TransformationChanged();
    AChild->TransformationChanged();
    AChild->DoOnAddedToParent();
    SetBBChanges(FBBChanges + TObjectBBChanges{oBBcChild});
}

TGLBaseSceneObject* TGLBaseSceneObject::AddNewChild(const TPersistentClass& aClass)
{
    auto* child = dynamic_cast<TGLBaseSceneObject*>(aClass.Create(Owner()));
    Assert(child != nullptr, aClass.ClassName() + " is not a scene object class", cVAVodadUnit);
    AddChild(child);
    return child;
}

TGLBaseSceneObject* TGLBaseSceneObject::AddNewChildFirst(const TPersistentClass& aClass)
{
    auto* child = dynamic_cast<TGLBaseSceneObject*>(aClass.Create(Owner()));
    Assert(child != nullptr, aClass.ClassName() + " is not a scene object class", cVAVodadUnit);
    Insert(0, child);
    return child;
}

void TGLBaseSceneObject::Insert(int32_t AIndex, TGLBaseSceneObject* AChild)
{
    CheckNewChild(AChild);
    FChildrenCreated = true;
    // The scene the child had before leaving its parent: handles survive a move within one scene.
    IVAVodadScene* previousScene = AChild->FScene;
    if (AChild->FParent) AChild->FParent->Remove(AChild, false);
    Kids().Insert(AIndex, AChild); // checked: 0..Count
    AChild->FParent = this;
    if (previousScene != FScene) AChild->DestroyHandles();
    AChild->SetScene(FScene);
    if (FScene) FScene->AddLights(AChild);
    AChild->TransformationChanged();
    AChild->DoOnAddedToParent();
}

void TGLBaseSceneObject::Remove(TGLBaseSceneObject* aChild, bool keepChildren)
{
    if (!aChild || aChild->FParent != this) return;
    if (FScene) FScene->RemoveLights(aChild);
    if (aChild->Owner() == this) RemoveComponent(aChild);
    ReleaseChildEntry(aChild);
    aChild->FParent = nullptr;
    aChild->ForgetScene();
    // Its absolute matrices no longer include this object's.
    aChild->InvalidateAbsoluteMatrices();
    if (keepChildren) {
        BeginUpdate();
        for (int32_t i = aChild->Count() - 1; i >= 0; i = std::min(i - 1, aChild->Count() - 1)) {
            TGLBaseSceneObject* grandChild = aChild->Kids().Items(i);
            if (!(grandChild->ComponentStyle() & csSubComponent)) grandChild->MoveTo(this);
        }
        EndUpdate();
    } else {
        NotifyChange(this);
    }
}

void TGLBaseSceneObject::ReleaseChildEntry(TGLBaseSceneObject* aChild)
{
    const int32_t hint = aChild->FIndexHint;
    aChild->FIndexHint = -1;
    const bool hinted = hint >= 0 && hint < FChildren.Count() && FChildren.List()[hint] == aChild;
    const int32_t index = hinted ? hint : Kids().IndexOf(aChild);
    if (index < 0) return;
    if (index + 1 == FChildren.Count()) {
        FChildren.Delete(index);
        return;
    }
    FChildren.SetItems(index, nullptr);
    if (2 * ++FChildHoles > FChildren.Count()) PackChildren();
}

void TGLBaseSceneObject::PackChildren() const
{
    FChildren.Pack();
    FChildHoles = 0;
    TGLBaseSceneObject* const* children = FChildren.List();
    for (int32_t i = 0, count = FChildren.Count(); i < count; ++i) children[i]->FIndexHint = i;
}

void TGLBaseSceneObject::ForgetScene()
{
    FScene = nullptr;
    for (int32_t i = 0; i < Count(); ++i) Kids().Items(i)->ForgetScene();
}

void TGLBaseSceneObject::DeleteChildren()
{
    DeleteChildCameras();
    // The children's lights only: this object, a light itself perhaps, stays in the tree.
    if (FScene)
        for (int32_t i = 0; i < Count(); ++i) FScene->RemoveLights(Kids().Items(i));
    while (Count() > 0) {
        TGLBaseSceneObject* child = Kids().Items(Count() - 1);
        Kids().Delete(Count() - 1);
        child->FParent = nullptr; // so it does not remove itself again
        Free(child);
    }
    SetBBChanges(FBBChanges + TObjectBBChanges{oBBcChild});
}

void TGLBaseSceneObject::MoveTo(TGLBaseSceneObject* newParent)
{
    if (newParent == FParent) return;
    if (FParent) FParent->Remove(this, false);
    if (newParent)
        newParent->AddChild(this);
    else
        SetScene(nullptr);
}

void TGLBaseSceneObject::SetScene(IVAVodadScene* Value)
{
    if (Value == FScene) return;
    if (FScene) DestroyHandles();
    FScene = Value;
    for (int32_t i = 0; i < Count(); ++i) Kids().Items(i)->SetScene(Value);
}

TGLBaseSceneObject* TGLBaseSceneObject::FindChild(const std::string& aName, bool ownChildrenOnly) const
{
    TGLBaseSceneObject* direct = nullptr;
    for (int32_t i = 0; i < Count(); ++i) {
        TGLBaseSceneObject* child = Kids().Items(i);
        if (SameText(child->Name(), aName)) {
            direct = child;
            break;
        }
    }
    if (ownChildrenOnly) return direct;
    for (int32_t i = 0; i < Count(); ++i)
        if (TGLBaseSceneObject* found = Kids().Items(i)->FindChild(aName, false)) return found;
    return direct;
}

int32_t TGLBaseSceneObject::Index() const
{
    return FParent ? FParent->IndexOfChild(const_cast<TGLBaseSceneObject*>(this)) : -1;
}

void TGLBaseSceneObject::SetIndex(int32_t aValue)
{
    if (!FParent) return;
    aValue = std::clamp(aValue, 0, FParent->Count() - 1);
    if (aValue == Index()) return;
    TGLBaseSceneObject* parent = FParent;
    IVAVodadScene* scene = FScene;
    if (scene) scene->BeginUpdate();
    // Insert takes the object out of the parent itself and, seeing it stay in its scene, keeps its display list
    // (a separate Remove would make it forget the scene first).
    TryFinally([&] { parent->Insert(aValue, this); }, [scene] {
        if (scene) scene->EndUpdate();
    });
}

void TGLBaseSceneObject::MoveUp()
{
    if (FParent) FParent->MoveChildUp(Index());
}

void TGLBaseSceneObject::MoveDown()
{
    if (FParent) FParent->MoveChildDown(Index());
}

void TGLBaseSceneObject::MoveFirst()
{
    if (FParent) FParent->MoveChildFirst(Index());
}

void TGLBaseSceneObject::MoveLast()
{
    if (FParent) FParent->MoveChildLast(Index());
}

void TGLBaseSceneObject::CheckChildren() const
{
    Assert(FChildrenCreated, "No children found!", cVAVodadUnit);
}

void TGLBaseSceneObject::MoveChildUp(int32_t anIndex)
{
    CheckChildren();
    if (anIndex > 0) {
        Kids().Exchange(anIndex, anIndex - 1);
        NotifyChange(this);
    }
}

void TGLBaseSceneObject::MoveChildDown(int32_t anIndex)
{
    CheckChildren();
    if (anIndex < Kids().Count() - 1) {
        Kids().Exchange(anIndex, anIndex + 1);
        NotifyChange(this);
    }
}

void TGLBaseSceneObject::MoveChildFirst(int32_t anIndex)
{
    CheckChildren();
    if (anIndex != 0) {
        Kids().Move(anIndex, 0);
        NotifyChange(this);
    }
}

void TGLBaseSceneObject::MoveChildLast(int32_t anIndex)
{
    CheckChildren();
    if (anIndex != Kids().Count() - 1) {
        Kids().Move(anIndex, Kids().Count() - 1);
        NotifyChange(this);
    }
}

void TGLBaseSceneObject::ExchangeChildren(int32_t anIndex1, int32_t anIndex2)
{
    CheckChildren();
    Kids().Exchange(anIndex1, anIndex2);
    NotifyChange(this);
}

void TGLBaseSceneObject::ExchangeChildrenSafe(int32_t anIndex1, int32_t anIndex2)
{
    CheckChildren();
    const int32_t count = Kids().Count();
    if (anIndex1 < 0 || anIndex1 >= count || anIndex2 < 0 || anIndex2 >= count || anIndex1 == anIndex2) return;
    Kids().Exchange(anIndex1, anIndex2);
    NotifyChange(this);
}

// ---------------------------------------------------------------------------------------------------------
// Component streaming

void TGLBaseSceneObject::GetChildren(const TGetChildProc& Proc, TComponent* /*Root*/)
{
    for (int32_t i = 0; i < Count(); ++i) {
        TGLBaseSceneObject* child = Kids().Items(i);
        if (!(child->ComponentStyle() & csSubComponent)) Proc(child);
    }
}

void TGLBaseSceneObject::SetParentComponent(TComponent* Value)
{
    TGLCoordinatesUpdateAbleComponent::SetParentComponent(Value);
    TGLBaseSceneObject* parent = nullptr;
    if (auto* scene = dynamic_cast<IVAVodadScene*>(Value))
        parent = scene->Objects();
    else
        parent = dynamic_cast<TGLBaseSceneObject*>(Value);
    if (parent != FParent) MoveTo(parent);
}

TComponent* TGLBaseSceneObject::GetParentComponent() const
{
    if (FParent && FScene && FParent == FScene->Objects()) return dynamic_cast<TComponent*>(FScene);
    return FParent;
}

void TGLBaseSceneObject::DefineProperties(TFiler& Filer)
{
    TGLCoordinatesUpdateAbleComponent::DefineProperties(Filer);
    Filer.DefineProperty(
        "TagFloat", [this](TReader& reader) { FTagFloat = reader.ReadSingle(); },
        [this](TWriter& writer) { writer.WriteSingle(FTagFloat); }, FTagFloat != 0);
    Filer.DefineBinaryProperty(
        "BehavioursData",
        [this](TStream& stream) {
            TReader reader(stream);
            Behaviours()->ReadFromFiler(reader);
        },
        [this](TStream& stream) {
            TWriter writer(stream);
            FGLBehaviours->WriteToFiler(writer);
        },
        FGLBehaviours && FGLBehaviours->Count() > 0);
    Filer.DefineBinaryProperty(
        "EffectsData",
        [this](TStream& stream) {
            TReader reader(stream);
            Effects()->ReadFromFiler(reader);
        },
        [this](TStream& stream) {
            TWriter writer(stream);
            FGLObjectEffects->WriteToFiler(writer);
        },
        FGLObjectEffects && FGLObjectEffects->Count() > 0);
}

void TGLBaseSceneObject::Loaded()
{
    TGLCoordinatesUpdateAbleComponent::Loaded();
    FPosition->SetW(1);
    if (FGLBehaviours) FGLBehaviours->Loaded();
    if (FGLObjectEffects) FGLObjectEffects->Loaded();
}

void TGLBaseSceneObject::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLBaseSceneObject*>(Source);
    if (!source) {
        TGLCoordinatesUpdateAbleComponent::Assign(Source);
        return;
    }
    if (source == this) return;
    DestroyHandles();
    FVisible = source->FVisible;
    source->RebuildMatrix();
    SetMatrix(source->FLocalMatrix);
    FShowAxes = source->FShowAxes;
    FObjectsSorting = source->FObjectsSorting;
    FVisibilityCulling = source->FVisibilityCulling;
    FRotation->Assign(source->FRotation.get());
    DeleteChildren();
    IVAVodadScene* const scene = FScene;
    if (scene) scene->BeginUpdate();
    TryFinally(
        [&] {
            for (int32_t i = 0; i < source->Count(); ++i) {
                TGLBaseSceneObject* sourceChild = source->Kids().Items(i);
                AddNewChild(FindClass(sourceChild->ClassName()))->Assign(sourceChild);
            }
        },
        [scene] {
            if (scene) scene->EndUpdate();
        });
    OnProgress = source->OnProgress;
    if (source->FGLBehaviours)
        Behaviours()->Assign(source->FGLBehaviours.get());
    else
        FGLBehaviours.reset();
    if (source->FGLObjectEffects)
        Effects()->Assign(source->FGLObjectEffects.get());
    else
        FGLObjectEffects.reset();
    FTag = source->FTag;
    FTagFloat = source->FTagFloat;
}

// ---------------------------------------------------------------------------------------------------------
// Change notification

bool TGLBaseSceneObject::IsUpdating() const
{
    return FUpdateCount != 0 || (ComponentState() & csReading);
}

void TGLBaseSceneObject::NotifyChange(TObject* /*Sender*/)
{
    if (FScene && !IsUpdating()) FScene->NotifyChange(this);
}

void TGLBaseSceneObject::BeginUpdate()
{
    ++FUpdateCount;
}

void TGLBaseSceneObject::EndUpdate()
{
    Assert(FUpdateCount > 0, "Unbalanced Begin/EndUpdate", cVAVodadUnit);
    if (--FUpdateCount == 0) NotifyChange(this);
}

void TGLBaseSceneObject::TransformationChanged()
{
    if (FChanges.Contains(ocTransformation)) return;
    FChanges.Include(ocTransformation);
    InvalidateAbsoluteMatrices();
    if (!(ComponentState() & csLoading)) NotifyChange(this);
}

void TGLBaseSceneObject::InvalidateAbsoluteMatrices()
{
    if (FChanges.Contains(ocAbsoluteMatrix) && FChanges.Contains(ocInvAbsoluteMatrix)) return;
    FChanges += TObjectChanges{ocAbsoluteMatrix, ocInvAbsoluteMatrix};
    TGLBaseSceneObject* const* children = Kids().List();
    for (int32_t i = 0, count = Kids().Count(); i < count; ++i) children[i]->InvalidateAbsoluteMatrices();
}

void TGLBaseSceneObject::StructureChanged()
{
    if (!FChanges.Contains(ocStructure)) {
        FChanges.Include(ocStructure);
        NotifyChange(this);
    } else if (FObjectStyle.Contains(osDirectDraw)) {
        NotifyChange(this);
    }
}

void TGLBaseSceneObject::ClearStructureChanged()
{
    FChanges.Exclude(ocStructure);
    SetBBChanges(FBBChanges + TObjectBBChanges{oBBcStructure});
}

void TGLBaseSceneObject::SetBBChanges(TObjectBBChanges Value)
{
    if (Value == FBBChanges) return;
    FBBChanges = Value;
    if (FParent) FParent->SetBBChanges(FParent->FBBChanges + TObjectBBChanges{oBBcChild});
}

void TGLBaseSceneObject::CoordinateChanged(TGLCustomCoordinates* Sender)
{
    if (FIsCalculating) return;
    {
        TScopedValue calculating(FIsCalculating, true);
        if (Sender == FDirection.get() || Sender == FUp.get()) {
            if (Sender == FDirection.get() && FDirection->VectorLength() == 0) FDirection->SetDirectVector(cZHmgVector);
            if (Sender == FUp.get() && FUp->VectorLength() == 0) FUp->SetDirectVector(cYHmgVector);
            TVector4f right = Cross(FDirection->AsVector(), FUp->AsVector());
            if (HmgLength(right) < 1e-5) {
                right = Cross(cZHmgVector, FUp->AsVector());
                if (HmgLength(right) < 1e-5) right = Cross(cXHmgVector, FUp->AsVector());
            }
            if (Sender == FDirection.get()) {
                FDirection->SetDirectVector(Normalized(FDirection->AsVector()));
                FUp->SetDirectVector(Normalized(Cross(right, FDirection->AsVector())));
            } else {
                FUp->SetDirectVector(Normalized(FUp->AsVector()));
                FDirection->SetDirectVector(Normalized(Cross(FUp->AsVector(), right)));
            }
        }
        TransformationChanged();
    }
}

// ---------------------------------------------------------------------------------------------------------
// Properties

void TGLBaseSceneObject::SetVisible(bool aValue)
{
    if (FVisible == aValue) return;
    FVisible = aValue;
    NotifyChange(this);
}

void TGLBaseSceneObject::SetPickable(bool aValue)
{
    if (FPickable == aValue) return;
    FPickable = aValue;
    NotifyChange(this);
}

void TGLBaseSceneObject::SetShowAxes(bool aValue)
{
    if (FShowAxes == aValue) return;
    FShowAxes = aValue;
    NotifyChange(this);
}

void TGLBaseSceneObject::SetObjectsSorting(TGLObjectsSorting aValue)
{
    if (FObjectsSorting == aValue) return;
    FObjectsSorting = aValue;
    NotifyChange(this);
}

void TGLBaseSceneObject::SetVisibilityCulling(TGLVisibilityCulling aValue)
{
    if (FVisibilityCulling == aValue) return;
    FVisibilityCulling = aValue;
    NotifyChange(this);
}

void TGLBaseSceneObject::SetPosition(TGLCoordinates* Value)
{
    FPosition->SetPoint(Value->X(), Value->Y(), Value->Z());
}

void TGLBaseSceneObject::SetDirection(TGLCoordinates* Value)
{
    if (Value->X() == 0 && Value->Y() == 0 && Value->Z() == 0) return;
    FDirection->SetVector(Value->X(), Value->Y(), Value->Z());
}

void TGLBaseSceneObject::SetUp(TGLCoordinates* Value)
{
    if (Value->X() == 0 && Value->Y() == 0 && Value->Z() == 0) return;
    FUp->SetVector(Value->X(), Value->Y(), Value->Z());
}

void TGLBaseSceneObject::SetScale(TGLCoordinates* Value)
{
    FScaling->Assign(Value);
    TransformationChanged();
}

void TGLBaseSceneObject::SetRotation(TGLCoordinates* Value)
{
    FRotation->Assign(Value);
    TransformationChanged();
}

// ---------------------------------------------------------------------------------------------------------
// Matrices

void TGLBaseSceneObject::RebuildMatrix()
{
    if (!FChanges.Contains(ocTransformation)) return;
    const TVector4f& scale = FScaling->AsVector();
    HmgScaleTo(LeftVector(), scale.X, FLocalMatrix.X);
    HmgScaleTo(FUp->AsVector(), scale.Y, FLocalMatrix.Y);
    HmgScaleTo(FDirection->AsVector(), scale.Z, FLocalMatrix.Z);
    FLocalMatrix.W = FPosition->AsVector();
    FLocalMatrixForced = false;
    FChanges.Exclude(ocTransformation);
    FChanges += TObjectChanges{ocAbsoluteMatrix, ocInvAbsoluteMatrix};
}

const TMatrix4f* TGLBaseSceneObject::MatrixAsAddress()
{
    RebuildMatrix();
    return &FLocalMatrix;
}

TMatrix4f* TGLBaseSceneObject::LocalMatrix()
{
    RebuildMatrix();
    return &FLocalMatrix;
}

void TGLBaseSceneObject::SetMatrix(const TMatrix4f& m)
{
    FLocalMatrix = m;
    FDirection->SetDirectVector(Normalized(m.Z));
    FUp->SetDirectVector(Normalized(m.Y));
    FScaling->SetVector(static_cast<float>(HmgLength(m.X)), static_cast<float>(HmgLength(m.Y)),
                        static_cast<float>(HmgLength(m.Z)), 0);
    FPosition->SetDirectVector(m.W);
    TransformationChanged();
}

void TGLBaseSceneObject::ForceLocalMatrix(const TMatrix4f& aMatrix)
{
    FLocalMatrix = aMatrix;
    FLocalMatrixForced = true;
    FChanges.Exclude(ocTransformation);
    // The children's absolute matrices include this one.
    InvalidateAbsoluteMatrices();
}

bool TGLBaseSceneObject::HasTransformingParent() const
{
    return FParent && !(FScene && FParent == FScene->Objects());
}

const TMatrix4f* TGLBaseSceneObject::AbsoluteMatrixAsAddress()
{
    if (FChanges.Contains(ocAbsoluteMatrix)) {
        RebuildMatrix();
        TMatrix4f& absolute = FAbsoluteMatrix[0];
        if (HasTransformingParent())
            MatrixProductSafe(FLocalMatrix, *FParent->AbsoluteMatrixAsAddress(), absolute);
        else
            absolute = FLocalMatrix;
        FChanges.Exclude(ocAbsoluteMatrix);
        FChanges.Include(ocInvAbsoluteMatrix);
    }
    return &FAbsoluteMatrix[0];
}

const TMatrix4f* TGLBaseSceneObject::InvAbsoluteMatrixAsAddress()
{
    if (FChanges.Contains(ocInvAbsoluteMatrix)) {
        RebuildMatrix();
        TMatrix4f& inverse = FAbsoluteMatrix[1];
        if (!FLocalMatrixForced && FScaling->Equals(cUnitScale)) {
            // A rigid local matrix: its inverse is cheap, and the parent's is cached.
            TMatrix4f localInverse;
            MatrixInverseUniformScale(FLocalMatrix, localInverse);
            if (HasTransformingParent())
                MatrixProduct(*FParent->InvAbsoluteMatrixAsAddress(), localInverse, inverse);
            else
                inverse = localInverse;
        } else {
            inverse = *AbsoluteMatrixAsAddress();
            MatrixInvertInPlace(inverse);
        }
        FChanges.Exclude(ocInvAbsoluteMatrix);
    }
    return &FAbsoluteMatrix[1];
}

void TGLBaseSceneObject::SetAbsoluteMatrix(const TMatrix4f& Value)
{
    // Compared with an up-to-date cache, so writing back an old matrix after a move is not skipped.
    if (MatrixIdentical(Value, *AbsoluteMatrixAsAddress())) return;
    if (FParent) {
        TMatrix4f local;
        MatrixProduct(Value, *FParent->InvAbsoluteMatrixAsAddress(), local);
        SetMatrix(local);
    } else {
        SetMatrix(Value);
    }
}

TVector4f TGLBaseSceneObject::AbsoluteDirection()
{
    return Normalized(AbsoluteMatrixAsAddress()->Z);
}

TVector4f TGLBaseSceneObject::AbsoluteUp()
{
    return Normalized(AbsoluteMatrixAsAddress()->Y);
}

TVector4f TGLBaseSceneObject::AbsoluteRight()
{
    return Normalized(AbsoluteMatrixAsAddress()->X);
}

TVector4f TGLBaseSceneObject::AbsoluteLeft()
{
    TVector4f r = AbsoluteRight();
    HmgNegateInPlace(r);
    return r;
}

TVector4f TGLBaseSceneObject::AbsoluteXVector()
{
    return Hmg(Affine(AbsoluteMatrixAsAddress()->X), 0);
}

TVector4f TGLBaseSceneObject::AbsoluteYVector()
{
    return Hmg(Affine(AbsoluteMatrixAsAddress()->Y), 0);
}

TVector4f TGLBaseSceneObject::AbsoluteZVector()
{
    return Hmg(Affine(AbsoluteMatrixAsAddress()->Z), 0);
}

TVector4f TGLBaseSceneObject::AbsoluteScale()
{
    const TMatrix4f& m = *AbsoluteMatrixAsAddress();
    return TVector4f{{{m.X.X, m.Y.Y, m.Z.Z, 0}}};
}

void TGLBaseSceneObject::SetAbsolutePosition(const TVector4f& v)
{
    FPosition->SetAsVector(FParent ? FParent->AbsoluteToLocal(v) : v);
}

void TGLBaseSceneObject::SetAbsoluteDirection(const TVector4f& v)
{
    FDirection->SetAsVector(FParent ? FParent->AbsoluteToLocal(v) : v);
}

void TGLBaseSceneObject::SetAbsoluteUp(const TVector4f& v)
{
    FUp->SetAsVector(FParent ? FParent->AbsoluteToLocal(v) : v);
}

void TGLBaseSceneObject::SetAbsoluteScale(const TVector4f& v)
{
    FScaling->SetAsVector(FParent ? FParent->AbsoluteToLocal(v) : v);
}

TVector3f TGLBaseSceneObject::AbsoluteAffinePosition()
{
    return Affine(AbsolutePosition());
}

void TGLBaseSceneObject::SetAbsoluteAffinePosition(const TVector3f& v)
{
    SetAbsolutePosition(Hmg(v, 1));
}

TVector3f TGLBaseSceneObject::AbsoluteAffineDirection()
{
    return Affine(AbsoluteDirection());
}

// A direction, not a point: the parent's translation must not apply to it.
void TGLBaseSceneObject::SetAbsoluteAffineDirection(const TVector3f& v)
{
    SetAbsoluteDirection(Hmg(v, 0));
}

TVector3f TGLBaseSceneObject::AbsoluteAffineUp()
{
    return Affine(AbsoluteUp());
}

void TGLBaseSceneObject::SetAbsoluteAffineUp(const TVector3f& v)
{
    SetAbsoluteUp(Hmg(v, 0));
}

TVector3f TGLBaseSceneObject::AbsoluteAffineScale()
{
    return Affine(AbsoluteScale());
}

void TGLBaseSceneObject::SetAbsoluteAffineScale(const TVector3f& v)
{
    SetAbsoluteScale(Hmg(v, 0));
}

TVector4f TGLBaseSceneObject::AbsoluteToLocal(const TVector4f& v)
{
    return Transformed(v, *InvAbsoluteMatrixAsAddress());
}

TVector3f TGLBaseSceneObject::AbsoluteToLocal(const TVector3f& v)
{
    TVector3f r;
    AffineTransformPoint(v, *InvAbsoluteMatrixAsAddress(), r);
    return r;
}

TVector4f TGLBaseSceneObject::LocalToAbsolute(const TVector4f& v)
{
    return Transformed(v, *AbsoluteMatrixAsAddress());
}

TVector3f TGLBaseSceneObject::LocalToAbsolute(const TVector3f& v)
{
    TVector3f r;
    AffineTransformPoint(v, *AbsoluteMatrixAsAddress(), r);
    return r;
}

TVector4f TGLBaseSceneObject::Right() const
{
    return Cross(FDirection->AsVector(), FUp->AsVector());
}

TVector4f TGLBaseSceneObject::LeftVector() const
{
    return Cross(FUp->AsVector(), FDirection->AsVector());
}

TVector3f TGLBaseSceneObject::AffineRight() const
{
    return Affine(Right());
}

TVector3f TGLBaseSceneObject::AffineLeftVector() const
{
    return Affine(LeftVector());
}

float TGLBaseSceneObject::SqrDistanceTo(TGLBaseSceneObject* anObject)
{
    return anObject ? SqrDistanceTo(anObject->AbsolutePosition()) : 0;
}

float TGLBaseSceneObject::SqrDistanceTo(const TVector4f& pt)
{
    return static_cast<float>(HmgDistanceSquared(AbsolutePosition(), pt));
}

float TGLBaseSceneObject::SqrDistanceTo(const TVector3f& pt)
{
    return static_cast<float>(AffineDistanceSquared(AbsoluteAffinePosition(), pt));
}

float TGLBaseSceneObject::DistanceTo(TGLBaseSceneObject* anObject)
{
    return anObject ? DistanceTo(anObject->AbsolutePosition()) : 0;
}

float TGLBaseSceneObject::DistanceTo(const TVector4f& pt)
{
    return static_cast<float>(HmgDistance(AbsolutePosition(), pt));
}

float TGLBaseSceneObject::DistanceTo(const TVector3f& pt)
{
    return static_cast<float>(AffineDistance(AbsoluteAffinePosition(), pt));
}

TVector4f TGLBaseSceneObject::BarycenterAbsolutePosition()
{
    return AbsolutePosition();
}

float TGLBaseSceneObject::BarycenterSqrDistanceTo(const TVector4f& pt)
{
    return static_cast<float>(HmgDistanceSquared(BarycenterAbsolutePosition(), pt));
}

void TGLBaseSceneObject::Translate(float tx, float ty, float tz)
{
    FPosition->Translate(TVector3f{{{tx, ty, tz}}});
}

void TGLBaseSceneObject::Lift(float aDistance)
{
    FPosition->AddScaledVector(aDistance, FUp->AsVector());
    TransformationChanged();
}

void TGLBaseSceneObject::Move(float aDistance)
{
    FPosition->AddScaledVector(aDistance, FDirection->AsVector());
    TransformationChanged();
}

void TGLBaseSceneObject::Slide(float aDistance)
{
    FPosition->AddScaledVector(aDistance, Right());
    TransformationChanged();
}

// ---------------------------------------------------------------------------------------------------------
// Orientation

void TGLBaseSceneObject::SetAngle(int axis, float aValue)
{
    const float stored = FRotation->GetCoordinate(axis);
    if (aValue == stored) return;
    if (!(ComponentState() & csLoading)) {
        TScopedValue calculating(FIsCalculating, true);
        const TVector4f rotationAxis = axis == 0 ? Right() : axis == 1 ? FUp->AsVector() : FDirection->AsVector();
        const float radians = static_cast<float>(DegreesToRadiansExt(static_cast<double>(stored) - aValue));
        TMatrix4f rotation;
        MatrixRotationAxisHmg(rotationAxis, radians, rotation);
        FUp->SetDirectVector(Normalized(Transformed(FUp->AsVector(), rotation)));
        FDirection->SetDirectVector(Normalized(Transformed(FDirection->AsVector(), rotation)));
        TransformationChanged();
    }
    TVector4f angles = FRotation->AsVector();
    angles.V[axis] = WrapDegrees(aValue);
    FRotation->SetDirectVector(angles);
}

void TGLBaseSceneObject::SetPitchAngle(float aValue)
{
    SetAngle(0, aValue);
}

void TGLBaseSceneObject::SetTurnAngle(float aValue)
{
    SetAngle(1, aValue);
}

void TGLBaseSceneObject::SetRollAngle(float aValue)
{
    SetAngle(2, aValue);
}

void TGLBaseSceneObject::Pitch(float angle)
{
    {
        TScopedValue calculating(FIsCalculating, true);
        RotateUpAndDirection(*FUp, *FDirection, Right(), -static_cast<float>(DegreesToRadians(angle)));
        const TVector4f& d = FDirection->AsVector();
        FRotation->SetX(RecomputedAngle(d.Y, d.X, d.Z, d.X, d.Y));
    }
    TransformationChanged();
}

void TGLBaseSceneObject::Turn(float angle)
{
    {
        TScopedValue calculating(FIsCalculating, true);
        RotateUpAndDirection(*FUp, *FDirection, FUp->AsVector(), static_cast<float>(DegreesToRadians(angle)));
        const TVector4f& d = FDirection->AsVector();
        FRotation->SetY(RecomputedAngle(d.X, d.Y, d.Z, d.X, d.Y));
    }
    TransformationChanged();
}

void TGLBaseSceneObject::Roll(float angle)
{
    {
        TScopedValue calculating(FIsCalculating, true);
        RotateUpAndDirection(*FUp, *FDirection, FDirection->AsVector(), static_cast<float>(DegreesToRadians(angle)));
        const TVector4f r = Right();
        FRotation->SetZ(RecomputedAngle(r.Y, r.X, r.Z, r.X, r.Y));
    }
    TransformationChanged();
}

void TGLBaseSceneObject::ResetRotations()
{
    const TVector4f& scale = FScaling->AsVector();
    FLocalMatrix = TMatrix4f{};
    FLocalMatrix.X.X = scale.X;
    FLocalMatrix.Y.Y = scale.Y;
    FLocalMatrix.Z.Z = scale.Z;
    FLocalMatrix.W = FPosition->AsVector();
    FLocalMatrixForced = false;
    FRotation->SetDirectVector(TVector4f{{{0, 0, 0, 1}}});
    FDirection->SetDirectVector(cZHmgVector);
    FUp->SetDirectVector(cYHmgVector);
    TransformationChanged();
    FChanges.Exclude(ocTransformation); // the matrix is already consistent
}

void TGLBaseSceneObject::ResetAndPitchTurnRoll(float degX, float degY, float degZ)
{
    ResetRotations();
    const auto rotate = [this](const TVector4f& axis, float degrees) {
        TMatrix4f rotation;
        MatrixRotationAxisHmg(axis, static_cast<float>(degrees * std::numbers::pi / 180), rotation);
        FUp->SetDirectVector(Normalized(Transformed(FUp->AsVector(), rotation)));
        FDirection->SetDirectVector(Normalized(Transformed(FDirection->AsVector(), rotation)));
    };
    rotate(Right(), degX);
    rotate(FUp->AsVector(), degY);
    rotate(FDirection->AsVector(), degZ);
    FRotation->SetDirectVector(TVector4f{{{WrapDegrees(degX), WrapDegrees(degY), WrapDegrees(degZ), 1}}});
    TransformationChanged();
    NotifyChange(this);
}

void TGLBaseSceneObject::RotateAbsolute(float rx, float ry, float rz)
{
    TMatrix4f m = Matrix();
    const float angles[3] = {rx, ry, rz};
    const TVector4f axes[3] = {cXHmgVector, cYHmgVector, cZHmgVector};
    for (int i = 0; i < 3; ++i) {
        if (angles[i] == 0) continue;
        TMatrix4f rotation;
        MatrixRotationAxis(Affine(AbsoluteToLocal(axes[i])), -static_cast<float>(DegreesToRadians(angles[i])),
                           rotation);
        MatrixProduct(rotation, m, m);
    }
    SetMatrix(m);
}

void TGLBaseSceneObject::RotateAbsolute(const TVector3f& axis, float angle)
{
    if (angle == 0) return;
    TMatrix4f rotation, m;
    // The axis is a direction: the object's translation must not move it.
    MatrixRotationAxis(Affine(AbsoluteToLocal(Hmg(axis, 0))), static_cast<float>(DegreesToRadians(angle)), rotation);
    MatrixProduct(rotation, Matrix(), m);
    SetMatrix(m);
}

void TGLBaseSceneObject::PointTo(TGLBaseSceneObject* ATargetObject, const TVector4f& AUpVector)
{
    if (ATargetObject) PointTo(ATargetObject->AbsolutePosition(), AUpVector);
}

void TGLBaseSceneObject::PointTo(const TVector4f& AAbsolutePosition, const TVector4f& AUpVector)
{
    const TVector4f d = Normalized(Difference(AAbsolutePosition, AbsolutePosition()));
    const TVector4f r = Normalized(Cross(d, AUpVector));
    const TVector4f u = Cross(r, d);
    if (FParent) {
        FDirection->SetAsVector(FParent->AbsoluteToLocal(d));
        FUp->SetAsVector(FParent->AbsoluteToLocal(u));
    } else {
        FDirection->SetAsVector(d);
        FUp->SetAsVector(u);
    }
    TransformationChanged();
}

void TGLBaseSceneObject::MoveObjectAround(TGLBaseSceneObject* anObject, float pitchDelta, float turnDelta)
{
    if (!anObject) return;
    const TVector4f position = AbsolutePosition();
    const TVector4f toSelf = Difference(position, anObject->AbsolutePosition());
    const float dist = static_cast<float>(HmgLength(toSelf));
    const TVector4f n = Normalized(toSelf);
    const TVector4f up = AbsoluteUp();
    TVector4f right = Cross(up, n);
    right = HmgLength(right) < 0.001 ? cXHmgVector : Normalized(right);
    // 0 looks down on the target, pi up at it; the poles stay out of reach.
    const double pitch =
        std::clamp(ArcCosine(HmgDot(up, n)) + DegreesToRadians(pitchDelta), 0.025, 3.1165926);
    TVector4f w = up;
    HmgRotateInPlace(w, right, -static_cast<float>(pitch));
    HmgRotateInPlace(w, up, -static_cast<float>(DegreesToRadians(turnDelta)));
    HmgScaleInPlace(w, dist);
    TVector4f newPosition;
    HmgAdd(position, Difference(w, toSelf), newPosition);
    if (FParent) newPosition = FParent->AbsoluteToLocal(newPosition);
    FPosition->SetAsVector(newPosition);
}

void TGLBaseSceneObject::MoveObjectAllAround(TGLBaseSceneObject* anObject, float pitchDelta, float turnDelta)
{
    if (!anObject) return;
    const TVector4f target = anObject->AbsolutePosition();
    const TVector4f f = Normalized(Difference(target, AbsolutePosition()));
    TVector4f u = Normalized(AbsoluteUp());
    TVector4f r;
    if (std::fabs(HmgDot(f, u)) <= 0.99) {
        r = Cross(f, u);
        u = Cross(r, f);
    } else {
        const TVector4f h = std::fabs(HmgDot(cXHmgVector, f)) > 0.99 ? cYHmgVector : cXHmgVector;
        u = Cross(h, f);
        r = Cross(f, u);
    }
    const float pitchRadians = static_cast<float>(DegreesToRadians(pitchDelta));
    TVector4f p = Difference(AbsolutePosition(), target);
    HmgRotateInPlace(p, r, -pitchRadians);
    HmgRotateInPlace(p, u, -static_cast<float>(DegreesToRadians(turnDelta)));
    TVector4f newPosition;
    HmgAdd(target, p, newPosition);
    SetAbsolutePosition(newPosition);
    HmgRotateInPlace(u, r, -pitchRadians);
    SetAbsoluteUp(u);
    SetAbsoluteDirection(Difference(target, AbsolutePosition()));
}

// ---------------------------------------------------------------------------------------------------------
// Bounding volumes

TVector4f TGLBaseSceneObject::AxisAlignedDimensions()
{
    TVector4f r = AxisAlignedDimensionsUnscaled();
    HmgMultiplyComponentsInPlace(r, FScaling->AsVector());
    return r;
}

TVector4f TGLBaseSceneObject::AxisAlignedDimensionsUnscaled()
{
    return TVector4f{{{0.5f, 0.5f, 0.5f, 0}}};
}

TAABB TGLBaseSceneObject::AxisAlignedBoundingBoxUnscaled(bool AIncludeChilden)
{
    TAABB result;
    AABBFromHalfSize(result, AxisAlignedDimensionsUnscaled());
    if (AIncludeChilden)
        for (int32_t i = 0; i < Count(); ++i) {
            TGLBaseSceneObject* child = Kids().Items(i);
            TAABB childBox = child->AxisAlignedBoundingBoxUnscaled(true);
            AABBTransformInPlace(childBox, *child->MatrixAsAddress());
            AABBIncludeInPlace(result, childBox);
        }
    return result;
}

TAABB TGLBaseSceneObject::AxisAlignedBoundingBox(bool AIncludeChilden)
{
    TAABB result = AxisAlignedBoundingBoxUnscaled(AIncludeChilden);
    AABBScaleInPlace(result, FScaling->AsAffineVector());
    return result;
}

TAABB TGLBaseSceneObject::AxisAlignedBoundingBoxAbsolute(bool AIncludeChilden, bool AUseBaryCenter)
{
    return HmgBoxToAABB(BoundingBoxAbsolute(AIncludeChilden, AUseBaryCenter));
}

THmgBoundingBox TGLBaseSceneObject::BoundingBox(bool AIncludeChilden, bool AUseBaryCenter)
{
    THmgBoundingBox result = AABBToHmgBox(AxisAlignedBoundingBox(AIncludeChilden));
    if (AUseBaryCenter)
        HmgBoxOffsetInPlace(result, Difference(AbsoluteToLocal(BarycenterAbsolutePosition()), FPosition->AsVector()));
    return result;
}

THmgBoundingBox TGLBaseSceneObject::BoundingBoxUnscaled(bool AIncludeChilden, bool AUseBaryCenter)
{
    THmgBoundingBox result = AABBToHmgBox(AxisAlignedBoundingBoxUnscaled(AIncludeChilden));
    if (AUseBaryCenter)
        HmgBoxOffsetInPlace(result, Difference(AbsoluteToLocal(BarycenterAbsolutePosition()), FPosition->AsVector()));
    return result;
}

THmgBoundingBox TGLBaseSceneObject::BoundingBoxAbsolute(bool AIncludeChilden, bool AUseBaryCenter)
{
    THmgBoundingBox result = BoundingBoxUnscaled(AIncludeChilden, false);
    for (TVector4f& corner : result.BBox) corner = LocalToAbsolute(corner);
    if (AUseBaryCenter) HmgBoxOffsetInPlace(result, Difference(BarycenterAbsolutePosition(), AbsolutePosition()));
    return result;
}

float TGLBaseSceneObject::BoundingSphereRadius()
{
    return static_cast<float>(HmgLength(AxisAlignedDimensions()));
}

float TGLBaseSceneObject::BoundingSphereRadiusUnscaled()
{
    return static_cast<float>(HmgLength(AxisAlignedDimensionsUnscaled()));
}

bool TGLBaseSceneObject::PointInObject(const TVector4f& point)
{
    const TVector4f local = Transformed(point, *InvAbsoluteMatrixAsAddress());
    const TVector4f dims = AxisAlignedDimensions();
    const TVector4f& scale = FScaling->AsVector();
    for (int i = 0; i < 3; ++i)
        if (std::fabs(scale.V[i] * local.V[i]) > dims.V[i]) return false;
    return true;
}

THmgBoundingBox TGLBaseSceneObject::CalculateBoundingBoxPersonalUnscaled()
{
    THmgBoundingBox result = AABBToHmgBox(AxisAlignedBoundingBoxUnscaled(false));
    HmgBoxOffsetInPlace(result, AbsoluteToLocal(BarycenterAbsolutePosition()));
    return result;
}

THmgBoundingBox TGLBaseSceneObject::BoundingBoxPersonalUnscaledEx()
{
    if (FBBChanges.Contains(oBBcStructure)) {
        FBoundingBoxPersonalUnscaled = CalculateBoundingBoxPersonalUnscaled();
        FBBChanges.Exclude(oBBcStructure);
    }
    return FBoundingBoxPersonalUnscaled;
}

THmgBoundingBox TGLBaseSceneObject::BoundingBoxOfChildrenEx()
{
    if (FBBChanges.Contains(oBBcChild)) {
        FBoundingBoxOfChildren = cNullHmgBox;
        bool any = false;
        for (int32_t i = 0; i < Count(); ++i) {
            TGLBaseSceneObject* child = Kids().Items(i);
            THmgBoundingBox childBox = child->BoundingBoxIncludingChildrenEx();
            if (HmgBoxIsNull(childBox)) continue;
            HmgBoxTransformInPlace(childBox, *child->MatrixAsAddress());
            if (any) {
                HmgBoxInclude(FBoundingBoxOfChildren, childBox, FBoundingBoxOfChildren);
            } else {
                FBoundingBoxOfChildren = childBox;
                any = true;
            }
        }
        FBBChanges.Exclude(oBBcChild);
    }
    return FBoundingBoxOfChildren;
}

THmgBoundingBox TGLBaseSceneObject::BoundingBoxIncludingChildrenEx()
{
    if (FBBChanges.Contains(oBBcStructure) || FBBChanges.Contains(oBBcChild)) {
        const THmgBoundingBox personal = BoundingBoxPersonalUnscaledEx();
        const THmgBoundingBox children = BoundingBoxOfChildrenEx();
        if (!HmgBoxIsNull(personal)) {
            FBoundingBoxIncludingChildren = personal;
            if (!HmgBoxIsNull(children))
                HmgBoxInclude(FBoundingBoxIncludingChildren, children, FBoundingBoxIncludingChildren);
        } else {
            FBoundingBoxIncludingChildren = children;
        }
        const TAABB extent = HmgBoxToAABB(FBoundingBoxIncludingChildren);
        double radius2 = 0;
        for (int i = 0; i < 3; ++i) {
            FBoundingSphereIncludingChildren.V[i] = (extent.Min.V[i] + extent.Max.V[i]) / 2;
            const double half = (double(extent.Max.V[i]) - extent.Min.V[i]) / 2;
            radius2 += half * half;
        }
        FBoundingSphereIncludingChildren.W = static_cast<float>(std::sqrt(radius2));
    }
    return FBoundingBoxIncludingChildren;
}

TVector4f TGLBaseSceneObject::BoundingSphereIncludingChildrenEx()
{
    BoundingBoxIncludingChildrenEx();
    return FBoundingSphereIncludingChildren;
}

TAABB TGLBaseSceneObject::AxisAlignedBoundingBoxEx()
{
    TAABB result = HmgBoxToAABB(BoundingBoxIncludingChildrenEx());
    AABBScaleInPlace(result, FScaling->AsAffineVector());
    return result;
}

TAABB TGLBaseSceneObject::AxisAlignedBoundingBoxAbsoluteEx()
{
    THmgBoundingBox box = BoundingBoxIncludingChildrenEx();
    HmgBoxTransformInPlace(box, *AbsoluteMatrixAsAddress());
    return HmgBoxToAABB(box);
}

bool TGLBaseSceneObject::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector,
                                          TVector4f* intersectPoint, TVector4f* intersectNormal)
{
    const TVector4f centre = AbsolutePosition();
    TVector4f i1, i2;
    if (RayIntersectSphere(rayStart, rayVector, centre, BoundingSphereRadius(), i1, i2) <= 0) return false;
    if (intersectPoint) *intersectPoint = i1;
    if (intersectNormal) *intersectNormal = Normalized(Difference(i1, centre));
    return true;
}

std::unique_ptr<TGLSilhouette> TGLBaseSceneObject::GenerateSilhouette(
    const TGLSilhouetteParameters& silhouetteParameters)
{
    constexpr int cSegments = 21;
    constexpr float cAngleStep = 0.2991993f; // 2 pi / 21
    const float r = BoundingSphereRadiusUnscaled();
    const TVector3f& seenFrom = silhouetteParameters.SeenFrom;
    const float d = static_cast<float>(AffineLength(seenFrom));
    float radius;
    switch (silhouetteParameters.Style) {
    case ssOmni:
        radius = SphereApparentRadius(d, r);
        break;
    case ssParallel:
        radius = r;
        break;
    default:
        Assert(false, "", cVAVodadUnit);
        return nullptr;
    }
    TVector3f a, b;
    AffineCross(seenFrom, XVector, a);
    if (AffineLength(a) < 0.001) AffineCross(seenFrom, YVector, a);
    AffineCross(seenFrom, a, b);
    AffineNormalizeInPlace(a);
    AffineNormalizeInPlace(b);
    radius *= 0.98f;

    auto silhouette = std::make_unique<TGLSilhouette>();
    silhouette->SetParameters(silhouetteParameters);
    TVectorList* vertices = silhouette->Vertices();
    TIntegerList* indices = silhouette->Indices();
    for (int i = 0; i < cSegments; ++i) {
        float s, c;
        SinCosScaled(i * cAngleStep, radius, s, c);
        TVector3f p;
        AffineScale(a, s, p);
        AffineAddScaledInPlace(p, b, c);
        vertices->AddPoint(p);
        indices->Add(i, (i + 1) % cSegments);
    }
    if (silhouetteParameters.CappingRequired) {
        for (int i = 0; i < cSegments; ++i)
            silhouette->CapIndices()->Add(cSegments, i, (i + 1) % cSegments);
        vertices->Add(cOriginPoint);
    }
    return silhouette;
}

// ---------------------------------------------------------------------------------------------------------
// Behaviours and effects

TGLBehaviours* TGLBaseSceneObject::Behaviours()
{
    if (!FGLBehaviours) FGLBehaviours = std::make_unique<TGLBehaviours>(this);
    return FGLBehaviours.get();
}

void TGLBaseSceneObject::SetBehaviours(TGLBehaviours* Value)
{
    Behaviours()->Assign(Value);
}

TGLObjectEffects* TGLBaseSceneObject::Effects()
{
    if (!FGLObjectEffects) FGLObjectEffects = std::make_unique<TGLObjectEffects>(this);
    return FGLObjectEffects.get();
}

void TGLBaseSceneObject::SetEffects(TGLObjectEffects* Value)
{
    Effects()->Assign(Value);
}

TGLXCollectionItem* TGLBaseSceneObject::GetOrCreateBehaviour(const TGLXCollectionItemClass& aBehaviour)
{
    return Behaviours()->GetOrCreate(aBehaviour);
}

TGLXCollectionItem* TGLBaseSceneObject::AddNewBehaviour(const TGLXCollectionItemClass& aBehaviour)
{
    Assert(Behaviours()->CanAdd(aBehaviour), "", cVAVodadUnit);
    return aBehaviour.Create(Behaviours());
}

TGLXCollectionItem* TGLBaseSceneObject::GetOrCreateEffect(const TGLXCollectionItemClass& anEffect)
{
    return Effects()->GetOrCreate(anEffect);
}

TGLXCollectionItem* TGLBaseSceneObject::AddNewEffect(const TGLXCollectionItemClass& anEffect)
{
    Assert(Effects()->CanAdd(anEffect), "", cVAVodadUnit);
    return anEffect.Create(Effects());
}

void TGLBaseSceneObject::DoProgress(const TProgressTimes& progressTime)
{
    // A child may free itself or a sibling while it progresses: the index is clamped each time.
    for (int32_t i = Count() - 1; i >= 0; i = std::min(i - 1, Count() - 1))
        Kids().Items(i)->DoProgress(progressTime);
    for (TGLXCollection* collection :
         {static_cast<TGLXCollection*>(FGLBehaviours.get()), static_cast<TGLXCollection*>(FGLObjectEffects.get())})
        if (collection)
            for (int32_t i = 0; i < collection->Count(); ++i)
                static_cast<TGLBaseBehaviour*>(collection->Items(i))->DoProgress(progressTime);
    if (OnProgress) OnProgress(this, progressTime.deltaTime, progressTime.newTime);
}

void TGLBaseSceneObject::DoOnAddedToParent()
{
    if (OnAddedToParent) OnAddedToParent(this);
}

// ---------------------------------------------------------------------------------------------------------
// Drawing support

uint32_t TGLBaseSceneObject::GetHandle(TGLRenderContextInfo& rci)
{
    // Kept from the last call while the geometry, the context and every context handle stay as they were.
    if (FListName && FListContext == GetCurrentGLContext() && FListRevision == TGLContextHandle::Revision() &&
        !FChanges.Contains(ocStructure))
        return FListName;
    if (!FListHandle) FListHandle = new TGLListHandle();
    uint32_t name = FListHandle->Handle();
    if (name == 0) name = FListHandle->AllocateHandle();
    if (FChanges.Contains(ocStructure)) {
        ClearStructureChanged();
        FListHandle->NotifyChangesOfData();
    }
    if (FListHandle->IsDataNeedUpdate()) {
        rci.GLStates->NewList(name, GL_COMPILE);
        TryFinally([&] { BuildList(rci); }, [&] { rci.GLStates->EndList(); });
        FListHandle->NotifyDataUpdated();
    }
    FListName = name;
    FListContext = GetCurrentGLContext();
    FListRevision = TGLContextHandle::Revision();
    return name;
}

bool TGLBaseSceneObject::ListHandleAllocated() const
{
    return FListHandle && FListHandle->Handle() != 0 && !FChanges.Contains(ocStructure);
}

void TGLBaseSceneObject::DestroyHandle()
{
    if (FListHandle) FListHandle->DestroyHandle();
}

void TGLBaseSceneObject::DestroyHandles()
{
    for (int32_t i = 0; i < Count(); ++i) Kids().Items(i)->DestroyHandles();
    DestroyHandle();
}

void TGLBaseSceneObject::RenderPostEffects(TGLRenderContextInfo& rci)
{
    if (!FGLObjectEffects) return;
    for (int32_t i = 0; i < FGLObjectEffects->Count(); ++i)
        if (auto* effect = dynamic_cast<TGLObjectPostEffect*>(FGLObjectEffects->Items(i))) effect->Render(rci);
}

// ---------------------------------------------------------------------------------------------------------
// TGLBaseBehaviour, TGLObjectEffect

TGLBaseSceneObject* TGLBaseBehaviour::OwnerBaseSceneObject() const
{
    return Owner() ? static_cast<TGLBaseSceneObject*>(Owner()->Owner()) : nullptr;
}

void TGLBaseBehaviour::WriteToFiler(TWriter& writer)
{
    TGLXCollectionItem::WriteToFiler(writer);
    writer.WriteInteger(0); // behaviour data version
}

void TGLBaseBehaviour::ReadFromFiler(TReader& reader)
{
    if (Owner()->archiveVersion() > 0) TGLXCollectionItem::ReadFromFiler(reader);
    Assert(reader.ReadInteger() == 0, "", cVAVodadUnit);
}

void TGLObjectEffect::WriteToFiler(TWriter& writer)
{
    TGLBaseBehaviour::WriteToFiler(writer);
    writer.WriteInteger(0); // effect data version
}

void TGLObjectEffect::ReadFromFiler(TReader& reader)
{
    if (Owner()->archiveVersion() > 0) TGLBaseBehaviour::ReadFromFiler(reader);
    Assert(reader.ReadInteger() == 0, "", cVAVodadUnit);
}

// ---------------------------------------------------------------------------------------------------------
// TGLBehaviours, TGLObjectEffects

TGLBehaviours::TGLBehaviours(TPersistent* aOwner) : TGLXCollection(aOwner)
{
    Assert(dynamic_cast<TGLBaseSceneObject*>(aOwner) != nullptr, "", cVAVodadUnit);
}

const TGLXCollectionItemClass& TGLBehaviours::ItemsClass() const
{
    return XCollectionItemClassOf<TGLBehaviour>();
}

bool TGLBehaviours::CanAdd(const TGLXCollectionItemClass& aClass) const
{
    return !aClass.InheritsFrom(XCollectionItemClassOf<TGLObjectEffect>()) && TGLXCollection::CanAdd(aClass);
}

std::string TGLBehaviours::GetNamePath() const
{
    return Owner()->GetNamePath() + ".Behaviours";
}

TGLObjectEffects::TGLObjectEffects(TPersistent* aOwner) : TGLXCollection(aOwner)
{
    Assert(dynamic_cast<TGLBaseSceneObject*>(aOwner) != nullptr, "", cVAVodadUnit);
}

const TGLXCollectionItemClass& TGLObjectEffects::ItemsClass() const
{
    return XCollectionItemClassOf<TGLObjectEffect>();
}

bool TGLObjectEffects::CanAdd(const TGLXCollectionItemClass& aClass) const
{
    return aClass.InheritsFrom(XCollectionItemClassOf<TGLObjectEffect>()) && TGLXCollection::CanAdd(aClass);
}

std::string TGLObjectEffects::GetNamePath() const
{
    return Owner()->GetNamePath() + ".Effects";
}
