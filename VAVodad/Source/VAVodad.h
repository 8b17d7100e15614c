// The scene tree: the scene-object node with its children, local and absolute matrices kept up to date
// lazily through change flags, orientation operations, bounding volumes, progress propagation and
// streaming, and the two item collections every node may carry: behaviours (progressed with the node) and
// effects (progressed, and post effects drawn right after the node).
//
// Sections: the scene tree; the object kinds; the camera; the scene, lights and fog; the scene buffer.
#pragma once

#include "GLBaseClasses.h"
#include "GLColor.h"
#include "GLContext.h"
#include "GLCoordinates.h"
#include "GLRenderContextInfo.h"
#include "GLVectorTypes.h"
#include "GLXCollection.h"
#include "Graphics.h"
#include "Sets.h"
#include "Types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The unit name that the assertion texts of this unit's files carry.
inline constexpr const char* cVAVodadUnit = "VAVodad\\Source\\VAVodad";

class TGLAbstractLibMaterial;
class TGLBaseSelectTechnique;
class TGLImage;
class TGLMaterial;
class TGLPickList;
class TGLSilhouette;
struct TGLSilhouetteParameters;
class TGLTexture;
class TStream;

// Declared further down.
class TGLBaseSceneObject;
class TGLBehaviours;
class TGLObjectEffects;
class IVAVodadSceneBuffer;
class TGLCamera;

// What a scene object asks of the scene it belongs to; the scene component implements it.
class IVAVodadScene {
public:
    // The root of the tree: its children's absolute matrices are their local ones.
    virtual TGLBaseSceneObject* Objects() const = 0;
    // Something in the tree changed; the scene holds the news back while it updates, loads or dies.
    virtual void NotifyChange(TObject* Sender) = 0;
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
    // The light sources of aObj's subtree take (or give back) their entries of the scene's light table.
    virtual void AddLights(TGLBaseSceneObject* aObj) = 0;
    virtual void RemoveLights(TGLBaseSceneObject* aObj) = 0;

protected:
    ~IVAVodadScene() = default;
};

enum TGLObjectStyle { osDirectDraw, osIgnoreDepthBuffer, osNoVisibilityCulling };
using TGLObjectStyles = TSet<TGLObjectStyle, uint8_t>;

// What must be recomputed: the local matrix, the absolute matrix and its inverse, the geometry.
enum TObjectChange { ocTransformation, ocAbsoluteMatrix, ocInvAbsoluteMatrix, ocStructure };
using TObjectChanges = TSet<TObjectChange, uint8_t>;

// Which cached bounding boxes are stale: the children's, the object's own.
enum TObjectBBChange { oBBcChild, oBBcStructure };
using TObjectBBChanges = TSet<TObjectBBChange, uint8_t>;

class TGLBaseSceneObject : public TGLCoordinatesUpdateAbleComponent {
public:
    explicit TGLBaseSceneObject(TComponent* AOwner);
    // Detaches from the tree while the object is whole: cameras of the subtree go first (their children move
    // up), then the collections, the display list and the parent link, then the children, then the component.
    void BeforeDestruction() override;
    ~TGLBaseSceneObject() override;

    // A new T owned (as a component) by aParentOwner and added as its last child.
    template <class T> static T* CreateAsChild(TGLBaseSceneObject* aParentOwner)
    {
        T* object = new T(aParentOwner);
        aParentOwner->AddChild(object);
        return object;
    }

    // ---- tree
    // AChild must have no parent.
    virtual void AddChild(TGLBaseSceneObject* AChild);
    // A new object of aClass (a registered scene-object class) owned by this object's owner, added last or first.
    virtual TGLBaseSceneObject* AddNewChild(const TPersistentClass& aClass);
    virtual TGLBaseSceneObject* AddNewChildFirst(const TPersistentClass& aClass);
    // AIndex 0..Count; a child of another parent leaves it first.
    virtual void Insert(int32_t AIndex, TGLBaseSceneObject* AChild);
    // Nothing unless aChild is a child. The child leaves the list and the scene; with keepChildren its own
    // children move to this object, the last first (so they arrive in reverse order).
    virtual void Remove(TGLBaseSceneObject* aChild, bool keepChildren);
    // Frees every child, the last first.
    virtual void DeleteChildren();
    // Leaves the parent for newParent (nil: for no parent).
    virtual void MoveTo(TGLBaseSceneObject* newParent);

    TGLBaseSceneObject* Parent() const { return FParent; }
    void SetParent(TGLBaseSceneObject* Value) { MoveTo(Value); }
    IVAVodadScene* Scene() const { return FScene; }
    virtual void SetScene(IVAVodadScene* Value);
    int32_t Count() const { return Kids().Count(); }
    // Checked: an index out of range raises the list-index error.
    TGLBaseSceneObject* Children(int32_t Index) const;
    int32_t IndexOfChild(TGLBaseSceneObject* aChild) const;
    bool HasSubChildren() const;
    // Case-insensitive. Unless ownChildrenOnly, a match found in a child's subtree (children in index order)
    // beats a direct child of that name.
    TGLBaseSceneObject* FindChild(const std::string& aName, bool ownChildrenOnly) const;

    // Position among the parent's children, -1 without a parent; the setter clamps to the children.
    int32_t Index() const;
    void SetIndex(int32_t aValue);
    // "Up" is towards index 0, which is drawn first.
    void MoveUp();
    void MoveDown();
    void MoveFirst();
    void MoveLast();
    void MoveChildUp(int32_t anIndex);
    void MoveChildDown(int32_t anIndex);
    void MoveChildFirst(int32_t anIndex);
    void MoveChildLast(int32_t anIndex);
    void ExchangeChildren(int32_t anIndex1, int32_t anIndex2);
    // Only when both are in range and differ.
    void ExchangeChildrenSafe(int32_t anIndex1, int32_t anIndex2);

    // ---- component streaming
    void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
    void SetParentComponent(TComponent* Value) override;
    TComponent* GetParentComponent() const override;
    bool HasParent() const override { return FParent != nullptr; }
    // TagFloat, and "BehavioursData" / "EffectsData" (the collections' "XCOL" streams) when they hold items.
    void DefineProperties(TFiler& Filer) override;
    void Loaded() override;
    // A scene object: a deep copy of the subtree, orientation, flags, OnProgress, the collections and tags.
    void Assign(TPersistent* Source) override;

    // ---- change notification
    // Tells the scene, unless updating or being read.
    void NotifyChange(TObject* Sender) override;
    // Keeps Direction and Up orthonormal, and marks the transformation changed for any coordinates.
    void CoordinateChanged(TGLCustomCoordinates* Sender) override;
    virtual void BeginUpdate();
    virtual void EndUpdate();
    bool IsUpdating() const;
    void TransformationChanged();
    // The geometry must be rebuilt.
    virtual void StructureChanged();
    void ClearStructureChanged();
    TObjectChanges Changes() const { return FChanges; }
    TObjectBBChanges BBChanges() const { return FBBChanges; }
    // A change also marks the parents' boxes of children stale, up to the root.
    void SetBBChanges(TObjectBBChanges Value);

    // ---- properties
    virtual bool Visible() const { return FVisible; }
    virtual void SetVisible(bool aValue);
    virtual bool Pickable() const { return FPickable; }
    virtual void SetPickable(bool aValue);
    bool ShowAxes() const { return FShowAxes; }
    void SetShowAxes(bool aValue);
    TGLObjectsSorting ObjectsSorting() const { return FObjectsSorting; }
    void SetObjectsSorting(TGLObjectsSorting aValue);
    TGLVisibilityCulling VisibilityCulling() const { return FVisibilityCulling; }
    void SetVisibilityCulling(TGLVisibilityCulling aValue);
    TGLObjectStyles ObjectStyle() const { return FObjectStyle; }
    void SetObjectStyle(TGLObjectStyles Value) { FObjectStyle = Value; }
    int32_t Tag() const { return FTag; }
    void SetTag(int32_t Value) { FTag = Value; }
    float TagFloat() const { return FTagFloat; }
    void SetTagFloat(float Value) { FTagFloat = Value; }
    TObject* TagObject() const { return FTagObject; }
    void SetTagObject(TObject* Value) { FTagObject = Value; }

    TGLCoordinates* Position() const { return FPosition.get(); }
    void SetPosition(TGLCoordinates* Value);
    TGLCoordinates* Direction() const { return FDirection.get(); }
    // A vector whose X, Y and Z are all 0 is ignored.
    void SetDirection(TGLCoordinates* Value);
    TGLCoordinates* Up() const { return FUp.get(); }
    void SetUp(TGLCoordinates* Value);
    TGLCoordinates* Scale() const { return FScaling.get(); }
    void SetScale(TGLCoordinates* Value);
    // Pitch, turn and roll angles in degrees (X, Y, Z); bookkeeping only, never fed to the matrix.
    TGLCoordinates* Rotation() const { return FRotation.get(); }
    void SetRotation(TGLCoordinates* Value);

    // ---- matrices
    // The local matrix (relative to the parent), rebuilt first when stale.
    TMatrix4f Matrix() { return *MatrixAsAddress(); }
    const TMatrix4f* MatrixAsAddress();
    TMatrix4f* LocalMatrix();
    // Takes Direction, Up, Scale and Position from m (the matrix is rebuilt from them at its next use).
    void SetMatrix(const TMatrix4f& m);
    // Uses m as the local matrix as it is; Direction, Up, Scale and Position are left alone.
    void ForceLocalMatrix(const TMatrix4f& aMatrix);
    TMatrix4f AbsoluteMatrix() { return *AbsoluteMatrixAsAddress(); }
    const TMatrix4f* AbsoluteMatrixAsAddress();
    // The cache as it stands, without recomputation (zero until first computed).
    const TMatrix4f* DirectAbsoluteMatrix() const { return &FAbsoluteMatrix[0]; }
    void SetAbsoluteMatrix(const TMatrix4f& Value);
    TMatrix4f InvAbsoluteMatrix() { return *InvAbsoluteMatrixAsAddress(); }
    const TMatrix4f* InvAbsoluteMatrixAsAddress();

    TVector4f AbsolutePosition() { return AbsoluteMatrixAsAddress()->W; }
    const TVector4f* AbsolutePositionAsAddress() { return &AbsoluteMatrixAsAddress()->W; }
    void SetAbsolutePosition(const TVector4f& v);
    TVector4f AbsoluteDirection();
    void SetAbsoluteDirection(const TVector4f& v);
    TVector4f AbsoluteUp();
    void SetAbsoluteUp(const TVector4f& v);
    TVector4f AbsoluteRight();
    TVector4f AbsoluteLeft();
    // Rows X, Y, Z of the absolute matrix with W = 0, scale included.
    TVector4f AbsoluteXVector();
    TVector4f AbsoluteYVector();
    TVector4f AbsoluteZVector();
    TVector4f AbsoluteScale();
    void SetAbsoluteScale(const TVector4f& v);
    TVector3f AbsoluteAffinePosition();
    void SetAbsoluteAffinePosition(const TVector3f& v);
    TVector3f AbsoluteAffineDirection();
    void SetAbsoluteAffineDirection(const TVector3f& v);
    TVector3f AbsoluteAffineUp();
    void SetAbsoluteAffineUp(const TVector3f& v);
    TVector3f AbsoluteAffineScale();
    void SetAbsoluteAffineScale(const TVector3f& v);
    // W decides whether the translation applies; the three-component forms transform points.
    TVector4f AbsoluteToLocal(const TVector4f& v);
    TVector3f AbsoluteToLocal(const TVector3f& v);
    TVector4f LocalToAbsolute(const TVector4f& v);
    TVector3f LocalToAbsolute(const TVector3f& v);
    // Direction x Up and Up x Direction.
    TVector4f Right() const;
    TVector4f LeftVector() const;
    TVector3f AffineRight() const;
    TVector3f AffineLeftVector() const;

    // Between absolute positions; 0 for a nil object.
    float SqrDistanceTo(TGLBaseSceneObject* anObject);
    float SqrDistanceTo(const TVector4f& pt);
    float SqrDistanceTo(const TVector3f& pt);
    float DistanceTo(TGLBaseSceneObject* anObject);
    float DistanceTo(const TVector4f& pt);
    float DistanceTo(const TVector3f& pt);
    virtual TVector4f BarycenterAbsolutePosition();
    float BarycenterSqrDistanceTo(const TVector4f& pt);

    void Translate(float tx, float ty, float tz);
    // Along Up, Direction and Right.
    void Lift(float aDistance);
    void Move(float aDistance);
    void Slide(float aDistance);

    // ---- orientation (degrees)
    float PitchAngle() const { return FRotation->X(); }
    float TurnAngle() const { return FRotation->Y(); }
    float RollAngle() const { return FRotation->Z(); }
    // Turn Direction and Up about Right, Up or Direction by (stored - new) and store the wrapped new angle.
    void SetPitchAngle(float aValue);
    void SetTurnAngle(float aValue);
    void SetRollAngle(float aValue);
    void Pitch(float angle);
    void Turn(float angle);
    void Roll(float angle);
    void ResetRotations();
    void ResetAndPitchTurnRoll(float degX, float degY, float degZ);
    void RotateAbsolute(float rx, float ry, float rz);
    void RotateAbsolute(const TVector3f& axis, float angle);
    void PointTo(TGLBaseSceneObject* ATargetObject, const TVector4f& AUpVector);
    void PointTo(const TVector4f& AAbsolutePosition, const TVector4f& AUpVector);
    // Orbits about anObject; the orbit never passes over the poles.
    void MoveObjectAround(TGLBaseSceneObject* anObject, float pitchDelta, float turnDelta);
    void MoveObjectAllAround(TGLBaseSceneObject* anObject, float pitchDelta, float turnDelta);

    // ---- bounding volumes
    virtual TVector4f AxisAlignedDimensions();
    // Half sizes; a unit cube here.
    virtual TVector4f AxisAlignedDimensionsUnscaled();
    TAABB AxisAlignedBoundingBox(bool AIncludeChilden = true);
    TAABB AxisAlignedBoundingBoxUnscaled(bool AIncludeChilden = true);
    TAABB AxisAlignedBoundingBoxAbsolute(bool AIncludeChilden = true, bool AUseBaryCenter = false);
    THmgBoundingBox BoundingBox(bool AIncludeChilden = true, bool AUseBaryCenter = false);
    THmgBoundingBox BoundingBoxUnscaled(bool AIncludeChilden = true, bool AUseBaryCenter = false);
    THmgBoundingBox BoundingBoxAbsolute(bool AIncludeChilden = true, bool AUseBaryCenter = false);
    float BoundingSphereRadius();
    float BoundingSphereRadiusUnscaled();
    virtual bool PointInObject(const TVector4f& point);
    // Cached forms, recomputed only for what changed.
    THmgBoundingBox BoundingBoxPersonalUnscaledEx();
    THmgBoundingBox BoundingBoxOfChildrenEx();
    THmgBoundingBox BoundingBoxIncludingChildrenEx();
    // The sphere around BoundingBoxIncludingChildrenEx, in the same local space: the centre, the radius in W.
    TVector4f BoundingSphereIncludingChildrenEx();
    TAABB AxisAlignedBoundingBoxEx();
    TAABB AxisAlignedBoundingBoxAbsoluteEx();
    virtual THmgBoundingBox CalculateBoundingBoxPersonalUnscaled();
    // Against the bounding sphere here; the hit point and normal are written where given.
    virtual bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector,
                                  TVector4f* intersectPoint = nullptr, TVector4f* intersectNormal = nullptr);
    // A 21-sided disc facing SeenFrom here.
    virtual std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters);

    // ---- behaviours and effects (created on first use)
    TGLBehaviours* Behaviours();
    void SetBehaviours(TGLBehaviours* Value);
    TGLObjectEffects* Effects();
    void SetEffects(TGLObjectEffects* Value);
    bool BehavioursAssigned() const { return FGLBehaviours != nullptr; }
    bool EffectsAssigned() const { return FGLObjectEffects != nullptr; }
    TGLXCollectionItem* GetOrCreateBehaviour(const TGLXCollectionItemClass& aBehaviour);
    TGLXCollectionItem* AddNewBehaviour(const TGLXCollectionItemClass& aBehaviour);
    TGLXCollectionItem* GetOrCreateEffect(const TGLXCollectionItemClass& anEffect);
    TGLXCollectionItem* AddNewEffect(const TGLXCollectionItemClass& anEffect);

    // Children from the last to the first, then behaviours, effects and OnProgress.
    void DoProgress(const TProgressTimes& progressTime) override;

    // ---- drawing support
    virtual bool Blended() { return false; }
    // The object's display list, compiled from BuildList when the geometry changed.
    virtual uint32_t GetHandle(TGLRenderContextInfo& rci);
    virtual void BuildList(TGLRenderContextInfo& /*rci*/) {}
    bool ListHandleAllocated() const;
    virtual void DestroyHandle();
    // The children's first, then the object's own.
    void DestroyHandles();
    // No effect class draws before its object.
    void RenderPreEffects(TGLRenderContextInfo& /*rci*/) {}
    // Every post effect, in index order.
    void RenderPostEffects(TGLRenderContextInfo& rci);
    // Draws the object and, through DoRender, its children, under the culling mode of rci; the transformation
    // stack is pushed around it. Not while picking a non-pickable object.
    void Render(TGLRenderContextInfo& rci);
    // The object's own drawing (its display list, or BuildList directly), then its children.
    virtual void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren);
    // The library material DoRender draws the object itself with, and nothing else: it may stay applied for
    // the next object that draws with it (rci.materialMayStay). nullptr here; a descendant whose DoRender draws
    // anything without that material returns nullptr too.
    virtual TGLAbstractLibMaterial* StayingMaterial(const TGLRenderContextInfo& /*rci*/) const { return nullptr; }
    // The visible children in the index range, in the sorting order in force (blended ones last, far to near);
    // a library material left applied by the last of them is undone at the end.
    virtual void RenderChildren(int32_t firstChildIndex, int32_t lastChildIndex, TGLRenderContextInfo& rci);
    // The axis lines of ShowAxes: from the origin to -L in half intensity and to +L in full, X, Y, Z.
    void DrawAxes(TGLRenderContextInfo& rci, uint16_t pattern);
    void AxesBuildList(TGLRenderContextInfo& rci, uint16_t pattern, float axisLen);

    TGLProgressEvent OnProgress;
    TNotifyEvent OnAddedToParent;
    TNotifyEvent OnPicked;

protected:
    virtual void DoOnAddedToParent();
    // The object's own geometry: BuildList directly for direct-draw objects and while amalgamating, else the
    // display list (compiled when stale).
    void BuildOrCallList(TGLRenderContextInfo& rci);
    // Cameras answer true; they leave a dying subtree first, handing their children to their parent.
    virtual bool IsCamera() const { return false; }
    void DeleteChildCameras();
    // Local matrix from Direction, Up, Scale and Position when the transformation changed.
    void RebuildMatrix();
    void InvalidateAbsoluteMatrices();
    // The children list without holes.
    TList<TGLBaseSceneObject>& Kids() const
    {
        if (FChildHoles > 0) PackChildren();
        return FChildren;
    }

private:
    void PackChildren() const;
    // Takes the child's entry out of the list, leaving a hole where that is cheaper than closing the gap.
    void ReleaseChildEntry(TGLBaseSceneObject* aChild);
    // Absolute = local x parent's, except below no parent or the scene's root object.
    bool HasTransformingParent() const;
    void SetAngle(int axis, float aValue);
    // Clears the scene of the subtree without releasing anything (a removed subtree keeps no scene).
    void ForgetScene();
    void CheckChildren() const;
    // Refuses nil and this object's ancestors (and itself).
    void CheckNewChild(TGLBaseSceneObject* AChild) const;
    void DetachFromTree();
    // RenderChildren's drawing of a range of more than one child, in the sorting order in force.
    void RenderChildrenSorted(int32_t firstChildIndex, int32_t lastChildIndex, TGLRenderContextInfo& rci);

    // Read on every matrix and progress pass, so kept together ahead of the rest.
    TObjectChanges FChanges{ocTransformation, ocAbsoluteMatrix, ocInvAbsoluteMatrix, ocStructure};
    TObjectBBChanges FBBChanges{oBBcChild, oBBcStructure};
    // The display list's name as GetHandle last found it, for that context and handle revision.
    uint32_t FListName = 0;
    uint32_t FListRevision = 0;
    const TGLContext* FListContext = nullptr;
    // The local matrix was given by ForceLocalMatrix, not rebuilt from the vectors: it may hold any scale or
    // shear, so only a general inversion is right for it.
    bool FLocalMatrixForced = false;
    bool FChildrenCreated = false; // reordering children asserts until the first child came
    bool FVisible = true;
    bool FPickable = true;
    bool FShowAxes = false;
    bool FIsCalculating = false;
    TGLBaseSceneObject* FParent = nullptr;
    IVAVodadScene* FScene = nullptr;
    // A child that leaves leaves a hole (null) at its place, so leaving costs the same however many siblings
    // it has; Kids() closes the holes before the list is read, and they close at once when they are half of it.
    mutable TList<TGLBaseSceneObject> FChildren;
    mutable int32_t FChildHoles = 0;
    mutable int32_t FIndexHint = -1; // this object's place in its parent's list, when nothing moved it since
    std::unique_ptr<TGLBehaviours> FGLBehaviours;
    std::unique_ptr<TGLObjectEffects> FGLObjectEffects;
    // Each matrix on a cache line of its own.
    alignas(64) TMatrix4f FLocalMatrix;
    TMatrix4f FAbsoluteMatrix[2]{}; // the absolute matrix and its inverse
    bool FDetached = false;         // the pre-destroy detachment ran

    std::unique_ptr<TGLCoordinates> FPosition;
    std::unique_ptr<TGLCoordinates> FDirection;
    std::unique_ptr<TGLCoordinates> FUp;
    std::unique_ptr<TGLCoordinates> FScaling;
    std::unique_ptr<TGLCoordinates> FRotation;
    TGLListHandle* FListHandle = nullptr; // freed with Free: its pre-destroy step deletes the GL names
    TGLObjectStyles FObjectStyle;
    TGLObjectsSorting FObjectsSorting = osInherited;
    TGLVisibilityCulling FVisibilityCulling = vcInherited;
    int32_t FUpdateCount = 0;
    int32_t FTag = 0;
    float FTagFloat = 0;
    TObject* FTagObject = nullptr;
    THmgBoundingBox FBoundingBoxPersonalUnscaled;
    THmgBoundingBox FBoundingBoxOfChildren;
    THmgBoundingBox FBoundingBoxIncludingChildren;
    TVector4f FBoundingSphereIncludingChildren{};
};

// ---- behaviours and effects

// An item of a scene object's behaviours or effects.
class TGLBaseBehaviour : public TGLXCollectionItem {
public:
    explicit TGLBaseBehaviour(TGLXCollection* aOwner)
        : TGLBaseBehaviour(aOwner, XCollectionItemClassOf<TGLBaseBehaviour>())
    {
    }
    // Each progress step of the owning object.
    virtual void DoProgress(const TProgressTimes& /*progressTime*/) {}
    // The scene object that owns the collection.
    TGLBaseSceneObject* OwnerBaseSceneObject() const;
    // After the item's header, an Integer 0.
    void WriteToFiler(TWriter& writer) override;
    void ReadFromFiler(TReader& reader) override;

protected:
    TGLBaseBehaviour(TGLXCollection* aOwner, const TGLXCollectionItemClass& aClass)
        : TGLXCollectionItem(aOwner, aClass)
    {
    }
};

class TGLBehaviour : public TGLBaseBehaviour {
public:
    explicit TGLBehaviour(TGLXCollection* aOwner) : TGLBehaviour(aOwner, XCollectionItemClassOf<TGLBehaviour>()) {}

protected:
    TGLBehaviour(TGLXCollection* aOwner, const TGLXCollectionItemClass& aClass) : TGLBaseBehaviour(aOwner, aClass) {}
};

// Progresses with its object; only post effects draw.
class TGLObjectEffect : public TGLBaseBehaviour {
public:
    explicit TGLObjectEffect(TGLXCollection* aOwner)
        : TGLObjectEffect(aOwner, XCollectionItemClassOf<TGLObjectEffect>())
    {
    }
    virtual void Render(TGLRenderContextInfo& /*rci*/) {}
    // After the behaviour part, one more Integer 0.
    void WriteToFiler(TWriter& writer) override;
    void ReadFromFiler(TReader& reader) override;

protected:
    TGLObjectEffect(TGLXCollection* aOwner, const TGLXCollectionItemClass& aClass) : TGLBaseBehaviour(aOwner, aClass)
    {
    }
};

// Drawn right after its object.
class TGLObjectPostEffect : public TGLObjectEffect {
public:
    explicit TGLObjectPostEffect(TGLXCollection* aOwner)
        : TGLObjectPostEffect(aOwner, XCollectionItemClassOf<TGLObjectPostEffect>())
    {
    }

protected:
    TGLObjectPostEffect(TGLXCollection* aOwner, const TGLXCollectionItemClass& aClass)
        : TGLObjectEffect(aOwner, aClass)
    {
    }
};

// A scene object's behaviours: any behaviour class but effects.
class TGLBehaviours : public TGLXCollection {
public:
    // aOwner must be a scene object.
    explicit TGLBehaviours(TPersistent* aOwner);
    const TGLXCollectionItemClass& ItemsClass() const override;
    bool CanAdd(const TGLXCollectionItemClass& aClass) const override;
    TGLBehaviour* Behaviour(int32_t index) const { return static_cast<TGLBehaviour*>(Items(index)); }
    std::string GetNamePath() const override;
};

// A scene object's effects: effect classes only.
class TGLObjectEffects : public TGLXCollection {
public:
    // aOwner must be a scene object.
    explicit TGLObjectEffects(TPersistent* aOwner);
    const TGLXCollectionItemClass& ItemsClass() const override;
    bool CanAdd(const TGLXCollectionItemClass& aClass) const override;
    TGLObjectEffect* ObjectEffect(int32_t index) const { return static_cast<TGLObjectEffect*>(Items(index)); }
    std::string GetNamePath() const override;
};

// ---------------------------------------------------------------------------------------------------------
// The scene-object kinds that differ only in how they draw: objects with their own material (applied around
// the geometry, which is drawn again while the material asks for another pass), immaterial objects, the
// scene's root, objects drawn relative to the camera, objects that call drawing code of the program (directly
// or through registered callbacks) and proxies that draw another object at their own place.

// An object carrying a material of its own.
class TGLCustomSceneObject : public TGLBaseSceneObject {
public:
    explicit TGLCustomSceneObject(TComponent* AOwner);
    ~TGLCustomSceneObject() override;

    TGLMaterial* Material() const { return FMaterial.get(); }
    // Copies the given material, then repaints.
    void SetMaterial(TGLMaterial* Value);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& Value) { FHint = Value; }

    // Another custom object: its material and hint, then the node's part.
    void Assign(TPersistent* Source) override;
    // The node's published properties (placement, angles, flags, modes) and the hint.
    void DefineProperties(TFiler& Filer) override;
    void Loaded() override;
    bool Blended() override;
    // The display list, then the material's handles.
    void DestroyHandle() override;
    // The material around the geometry, repeated while the material's UnApply asks for another pass; without
    // the material while materials are ignored.
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
    // The material's library material, when it may stay applied and materials are not ignored.
    TGLAbstractLibMaterial* StayingMaterial(const TGLRenderContextInfo& rci) const override;

private:
    std::unique_ptr<TGLMaterial> FMaterial;
    std::string FHint;
    // The material's answers read every frame (Blended, StayingLibMaterial), asked again only when a material
    // anywhere has changed (TGLMaterial::Revision): the material itself is not touched by a frame that needs
    // only these.
    void KnowMaterial() const;
    // The material is the library material the last object left applied and may leave applied itself: Apply
    // and UnApply would do nothing.
    bool StillApplied(const TGLRenderContextInfo& rci) const;
    mutable TGLAbstractLibMaterial* FStayingMaterial = nullptr;
    mutable bool FBlended = false;
    mutable bool FMaterialKnown = false;
    mutable uint32_t FMaterialRevision = 0;
};

// The published form: an object with its material.
class TVAVodadObject : public TGLCustomSceneObject {
public:
    using TGLCustomSceneObject::TGLCustomSceneObject;
};

// An object whose material is never used.
class TGLImmaterialSceneObject : public TGLCustomSceneObject {
public:
    using TGLCustomSceneObject::TGLCustomSceneObject;
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
    TGLAbstractLibMaterial* StayingMaterial(const TGLRenderContextInfo&) const override { return nullptr; }
};

// The root of a scene's tree; only a scene makes it, as its owner.
class TVAVodadRootObject : public TGLBaseSceneObject {
public:
    // AOwner must be a scene.
    explicit TVAVodadRootObject(TComponent* AOwner);
};

enum TGLCameraInvarianceMode { cimNone, cimPosition, cimOrientation };

// Drawn relative to the camera: keeping its place relative to the camera's position, or ignoring the
// camera's orientation.
class TGLCameraInvariantObject : public TGLImmaterialSceneObject {
public:
    using TGLImmaterialSceneObject::TGLImmaterialSceneObject;

    TGLCameraInvarianceMode CamInvarianceMode() const { return FCamInvarianceMode; }
    void SetCamInvarianceMode(TGLCameraInvarianceMode Value);

    void Assign(TPersistent* Source) override;
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

private:
    TGLCameraInvarianceMode FCamInvarianceMode = cimNone;
};

using TDirectRenderEvent = std::function<void(TObject* Sender, TGLRenderContextInfo& rci)>;

// Calls the program's drawing code at its place in the tree, each frame, or once into a display list.
class TGLDirectOpenGL : public TGLImmaterialSceneObject {
public:
    explicit TGLDirectOpenGL(TComponent* AOwner);

    bool UseBuildList() const { return !ObjectStyle().Contains(osDirectDraw); }
    // True compiles the drawing into a display list, replayed until the structure changes.
    void SetUseBuildList(bool Value);
    bool Blend() const { return FBlend; }
    void SetBlend(bool Value);

    void Assign(TPersistent* Source) override;
    TVector4f AxisAlignedDimensionsUnscaled() override;
    bool Blended() override { return FBlend; }
    void BuildList(TGLRenderContextInfo& rci) override;

    TDirectRenderEvent OnRender;

private:
    bool FBlend = false;
};

// A list of drawing callbacks called at its place in the tree; each has a callback for when the point dies.
class TGLRenderPoint : public TGLImmaterialSceneObject {
public:
    explicit TGLRenderPoint(TComponent* AOwner);
    // Calls the free callbacks.
    void BeforeDestruction() override;

    // Key identifies the render event (the object and method it stands for) for UnRegisterCallBack.
    void RegisterCallBack(const void* Key, const TDirectRenderEvent& renderEvent, const TNotifyEvent& renderPointFreed);
    // Only the first registration of that key.
    void UnRegisterCallBack(const void* Key);
    // The free callbacks from the last to the first (the render point as Sender), then the list is empty.
    void Clear();
    int32_t CallBackCount() const { return static_cast<int32_t>(FCallBacks.size()); }

    void BuildList(TGLRenderContextInfo& rci) override;

private:
    struct TCallBack {
        const void* Key;
        TDirectRenderEvent Render;
        TNotifyEvent Freed;
    };
    std::vector<TCallBack> FCallBacks;
};

enum TGLProxyObjectOption { pooEffects, pooObjects, pooTransformation };
using TGLProxyObjectOptions = TSet<TGLProxyObjectOption, uint8_t>;
inline constexpr TGLProxyObjectOptions cDefaultProxyOptions{pooEffects, pooObjects, pooTransformation};

// Draws its master object (with the master's effects and transformation, as chosen) at its own place.
class TGLProxyObject : public TGLBaseSceneObject {
public:
    explicit TGLProxyObject(TComponent* AOwner);
    void BeforeDestruction() override;

    TGLBaseSceneObject* MasterObject() const { return FMasterObject; }
    virtual void SetMasterObject(TGLBaseSceneObject* Value);
    TGLProxyObjectOptions ProxyOptions() const { return FProxyOptions; }
    void SetProxyOptions(TGLProxyObjectOptions Value);

    void Assign(TPersistent* Source) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    TVector4f BarycenterAbsolutePosition() override;
    TVector4f AxisAlignedDimensions() override;
    TVector4f AxisAlignedDimensionsUnscaled() override;
    bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                          TVector4f* intersectNormal = nullptr) override;
    std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) override;
    // The master (once: a proxy reached again while it draws draws nothing), then own children, then the
    // master's post effects.
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

private:
    TGLBaseSceneObject* FMasterObject = nullptr;
    TGLProxyObjectOptions FProxyOptions = cDefaultProxyOptions;
    bool FRendering = false;
};

// ---------------------------------------------------------------------------------------------------------
// The camera: the scene object a scene buffer looks through. Each frame it multiplies its projection (from the
// viewport, its size and the rendering resolution) and its view (from its absolute position and direction, or
// its target object) into the current rendering context's transformation, and keeps the near-plane distance
// and viewport radius the frame's clipping uses. It also offers navigation helpers: orbiting a target, moving
// in eye space, turning screen-mouse deltas into scene vectors.

enum TGLCameraStyle {
    csPerspective,
    csOrthogonal,
    csOrtho2D,
    csCustom,
    csInfinitePerspective,
    csPerspectiveKeepFOV
};
enum TGLCameraKeepFOVMode { ckmHorizontalFOV, ckmVerticalFOV };

// Sets the projection of csCustom itself; may change the viewport radius.
using TOnCustomPerspective = std::function<void(const TRectangle& viewport, int32_t width, int32_t height,
                                                int32_t DPI, float& viewPortRadius)>;

class TGLCamera : public TGLBaseSceneObject {
public:
    // Looks down -Z.
    explicit TGLCamera(TComponent* AOwner);
    // Lets go of the target first.
    void BeforeDestruction() override;

    // ---- projection and view
    // The view matrix of the current context becomes the camera's look-at matrix times the previous one.
    void Apply();
    // The projection of the style for the viewport (Left, Top, Width, Height) of an AWidth x AHeight area at
    // ADPI dots per inch, times the previous projection; nothing below 1 pixel.
    void ApplyPerspective(const TRectangle& AViewport, int32_t AWidth, int32_t AHeight, int32_t ADPI);

    float FocalLength() const { return FFocalLength; }
    // Values <= 0 become 1.
    void SetFocalLength(float AValue);
    // The distance from the near to the far clipping plane.
    float DepthOfView() const { return FDepthOfView; }
    void SetDepthOfView(float AValue);
    // Computed by ApplyPerspective.
    float NearPlane() const { return FNearPlane; }
    float NearPlaneBias() const { return FNearPlaneBias; }
    // Values <= 0 become 1.
    void SetNearPlaneBias(float AValue);
    float ViewPortRadius() const { return FViewPortRadius; }
    float SceneScale() const { return FSceneScale; }
    // Exactly 0 becomes 1.
    void SetSceneScale(float AValue);
    TGLCameraStyle CameraStyle() const { return FCameraStyle; }
    void SetCameraStyle(TGLCameraStyle AValue);
    TGLCameraKeepFOVMode KeepFOVMode() const { return FKeepFOVMode; }
    void SetKeepFOVMode(TGLCameraKeepFOVMode AValue);
    TGLBaseSceneObject* TargetObject() const { return FTargetObject; }
    void SetTargetObject(TGLBaseSceneObject* Value);
    // The absolute view direction of the last Apply.
    const TVector4f& LastDirection() const { return FLastDirection; }
    // The kept fields of view of csPerspectiveKeepFOV in radians; FOVY is -1 while they are to be recomputed.
    double FOVX() const { return FFOVX; }
    double FOVY() const { return FFOVY; }

    // Degrees: 2 atan(dimension / 2 / FocalLength), the focal length taken in pixels; 0 for FocalLength 0.
    float GetFieldOfView(float AViewportDimension) const;
    // The inverse; a field of view outside (0, 180) degrees is ignored.
    void SetFieldOfView(float AFieldOfView, float AViewportDimension);

    // ---- target and navigation
    // Without a target: the absolute direction, right and up vectors, and a distance of 1.
    TVector4f AbsoluteVectorToTarget();
    TVector4f AbsoluteRightVectorToTarget();
    TVector4f AbsoluteUpVectorToTarget();
    float DistanceToTarget();
    // Scales the distance to the target.
    void AdjustDistanceToTarget(float distanceRatio);
    TVector4f AbsoluteEyeSpaceVector(float forwardDistance, float rightDistance, float upDistance);
    void MoveInEyeSpace(float forwardDistance, float rightDistance, float upDistance);
    void MoveTargetInEyeSpace(float forwardDistance, float rightDistance, float upDistance);
    void MoveAroundTarget(float pitchDelta, float turnDelta);
    void MoveAllAroundTarget(float pitchDelta, float turnDelta);
    // Turns obj about the camera's view axes (degrees): roll, then turn, then pitch; keeps its scale and place.
    void RotateObject(TGLBaseSceneObject* obj, float pitchDelta, float turnDelta, float rollDelta = 0);
    void RotateTarget(float pitchDelta, float turnDelta, float rollDelta = 0);
    bool PointInFront(const TVector4f& point);
    // A screen delta as a move in the plane of planeNormal, forward being the view direction projected into it.
    TVector4f ScreenDeltaToVector(int32_t deltaX, int32_t deltaY, float ratio, const TVector4f& planeNormal);
    TVector4f ScreenDeltaToVectorXY(int32_t deltaX, int32_t deltaY, float ratio);
    TVector4f ScreenDeltaToVectorXZ(int32_t deltaX, int32_t deltaY, float ratio);
    TVector4f ScreenDeltaToVectorYZ(int32_t deltaX, int32_t deltaY, float ratio);
    // Brings Up back towards the world's Y axis, a step per call.
    void AutoLeveling(float Factor);
    // Focal length 50, looking down -Z from where the viewport shows the origin's neighbourhood.
    void Reset(IVAVodadSceneBuffer* aSceneBuffer);
    // Looks at the origin from the distance that shows it.
    void ZoomAll(IVAVodadSceneBuffer* aSceneBuffer);

    // Another camera's lens and style; its target too when this camera has a parent, else its place and view.
    void Assign(TPersistent* Source) override;
    // The camera watches the scene it is given, so a camera outside the tree forgets a scene that dies.
    void SetScene(IVAVodadScene* Value) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // A camera is never hit.
    bool RayCastIntersect(const TVector4f&, const TVector4f&, TVector4f* = nullptr, TVector4f* = nullptr) override
    {
        return false;
    }
    // The lens and style, the target by its name, and the placement.
    void DefineProperties(TFiler& Filer) override;
    // A target read by name is looked up among the owner's components once the whole stream is in.
    void Loaded() override;
    // Draws nothing itself.
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

    // When assigned, Apply calls it instead of building the view.
    TNotifyEvent DeferredApply;
    TOnCustomPerspective OnCustomPerspective;

protected:
    bool IsCamera() const override { return true; }

private:
    // A change of lens or style: the kept fields of view are computed again at the next projection.
    void LensChanged() { FFOVY = -1; }
    TVector4f VectorToTarget();

    float FFocalLength = 50;
    float FDepthOfView = 100;
    float FNearPlane = 0;
    float FNearPlaneBias = 1;
    float FViewPortRadius = 0;
    TGLBaseSceneObject* FTargetObject = nullptr;
    // The scene component watched for its death (it may outlive the time the camera belongs to it).
    TComponent* FWatchedScene = nullptr;
    // The name of the target read from a stream, until Loaded finds it.
    std::string FTargetObjectName;
    TVector4f FLastDirection{};
    TGLCameraStyle FCameraStyle = csPerspective;
    TGLCameraKeepFOVMode FKeepFOVMode = ckmHorizontalFOV;
    float FSceneScale = 1;
    double FFOVY = -1;
    double FFOVX = 0;
};

// ---------------------------------------------------------------------------------------------------------
// The scene component with its tree, its table of eight light numbers and the buffers that show it; the light
// source, which the scene gives a light number and sets up each frame; and the fog settings of a scene buffer.
// A change anywhere in the tree reaches the scene, which passes it on to every buffer unless it is updating,
// loading or being destroyed.

// What the scene, its camera and its fog ask of a scene buffer showing the scene; the buffer implements it.
class IVAVodadSceneBuffer {
public:
    // Something in the scene changed: the buffer repaints its viewer.
    virtual void NotifyChange(TObject* Sender) = 0;
    // Nil until the buffer made its context.
    virtual TGLContext* RenderingContext() const = 0;
    virtual TGLCamera* Camera() const = 0;
    virtual void SetCamera(TGLCamera* Value) = 0;
    // Left, Top, Width, Height.
    virtual TRectangle ViewPort() const = 0;
    // The resolution of the frame in progress.
    virtual int32_t RenderDPI() const = 0;
    // While picking: the object whose drawing the selection technique names.
    virtual TGLBaseSceneObject* PickingCurrentObject() const = 0;
    virtual void SetPickingCurrentObject(TGLBaseSceneObject* Value) = 0;

protected:
    ~IVAVodadSceneBuffer() = default;
};

enum TLightStyle { lsSpot, lsOmni, lsParallel, lsParallelSpot };

// One OpenGL light. Entering a scene's tree it takes the first free light number; a ninth light is never lit.
class TGLLightSource : public TGLBaseSceneObject {
public:
    explicit TGLLightSource(TComponent* AOwner);
    ~TGLLightSource() override;

    // The light number the scene gave it (0-based); 0 until registered.
    uint32_t LightID() const { return FLightID; }
    TGLCoordinates* SpotDirection() const { return FSpotDirection.get(); }
    void SetSpotDirection(TGLCoordinates* AValue);
    float SpotExponent() const { return FSpotExponent; }
    void SetSpotExponent(float AValue);
    // Degrees, 0..90, or 180 for no spot; other values are ignored.
    float SpotCutOff() const { return FSpotCutOff; }
    void SetSpotCutOff(float AValue);
    float ConstAttenuation() const { return FConstAttenuation; }
    void SetConstAttenuation(float AValue);
    float LinearAttenuation() const { return FLinearAttenuation; }
    void SetLinearAttenuation(float AValue);
    float QuadraticAttenuation() const { return FQuadraticAttenuation; }
    void SetQuadraticAttenuation(float AValue);
    bool Shining() const { return FShining; }
    void SetShining(bool AValue);
    TGLColor* Ambient() const { return FAmbient.get(); }
    void SetAmbient(TGLColor* AValue);
    TGLColor* Diffuse() const { return FDiffuse.get(); }
    void SetDiffuse(TGLColor* AValue);
    TGLColor* Specular() const { return FSpecular.get(); }
    void SetSpecular(TGLColor* AValue);
    TLightStyle LightStyle() const { return FLightStyle; }
    void SetLightStyle(TLightStyle AValue);
    // Not a parallel light, and some attenuation differs from none.
    bool Attenuated() const;

    void CoordinateChanged(TGLCustomCoordinates* Sender) override;
    // A light never compiles a display list.
    uint32_t GetHandle(TGLRenderContextInfo&) override { return 0; }
    bool RayCastIntersect(const TVector4f&, const TVector4f&, TVector4f* = nullptr, TVector4f* = nullptr) override
    {
        return false;
    }
    // None.
    std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) override;
    // Draws nothing itself.
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
    void DefineProperties(TFiler& Filer) override;

private:
    friend class TVAVodad; // gives the light number

    uint32_t FLightID = 0;
    std::unique_ptr<TGLCoordinates> FSpotDirection;
    float FSpotExponent = 0;
    float FSpotCutOff = 180;
    float FConstAttenuation = 1;
    float FLinearAttenuation = 0;
    float FQuadraticAttenuation = 0;
    bool FShining = true;
    std::unique_ptr<TGLColor> FAmbient;
    std::unique_ptr<TGLColor> FDiffuse;
    std::unique_ptr<TGLColor> FSpecular;
    TLightStyle FLightStyle = lsSpot;
};

// The scene: its tree under the root object "ObjectRoot", its light table and its buffers.
class TVAVodad : public TGLUpdateAbleComponent, public IVAVodadScene {
public:
    static constexpr int32_t cLightTableSize = 8;

    explicit TVAVodad(TComponent* AOwner);
    // Releases the tree's GL handles and frees the tree, then the light table and the buffer list.
    void BeforeDestruction() override;
    ~TVAVodad() override;

    TGLBaseSceneObject* Objects() const override { return FObjects; }
    // The eight entries, each a light source or nil.
    TPersistentObjectList* Lights() const { return FLights.get(); }

    // ---- change notification
    void BeginUpdate() override;
    void EndUpdate() override;
    // Counting updates, loading or being destroyed.
    bool IsUpdating() const;
    // Passed on to every buffer unless updating.
    void NotifyChange(TObject* Sender) override;

    // ---- buffers
    // The first buffer's context is the base context; later buffers share lists with it. A buffer already
    // present is ignored.
    void AddBuffer(IVAVodadSceneBuffer* aBuffer);
    void RemoveBuffer(IVAVodadSceneBuffer* aBuffer);
    int32_t BufferCount() const { return static_cast<int32_t>(FBuffers.size()); }
    // The first buffer's context (read from it, so never one the buffer has freed).
    TGLContext* BaseContext() const;
    // The camera and buffer of the frame being rendered (set by the buffer).
    TGLCamera* CurrentGLCamera() const { return FCurrentGLCamera; }
    void SetCurrentGLCamera(TGLCamera* Value) { FCurrentGLCamera = Value; }
    IVAVodadSceneBuffer* CurrentBuffer() const { return FCurrentBuffer; }
    void SetCurrentBuffer(IVAVodadSceneBuffer* Value) { FCurrentBuffer = Value; }

    // ---- lights
    // The first free entry, whose index becomes the light's LightID; nothing when all are taken.
    void AddLight(TGLLightSource* aLight);
    void RemoveLight(TGLLightSource* aLight);
    // The object when it is a light, then its subtree in index order.
    void AddLights(TGLBaseSceneObject* anObj) override;
    void RemoveLights(TGLBaseSceneObject* anObj) override;
    // Sends the first min(8, maxLights) entries to the current context's state cache (and the fixed-function
    // positions to OpenGL) and disables every other light number.
    void SetupLights(int32_t maxLights);
    // Shining := false on every light of the tree.
    void ShutdownAllLights();

    // ---- sorting and culling of the tree (osInherited and vcInherited are stored as the defaults)
    TGLObjectsSorting ObjectsSorting() const { return FObjectsSorting; }
    void SetObjectsSorting(TGLObjectsSorting Value);
    TGLVisibilityCulling VisibilityCulling() const { return FVisibilityCulling; }
    void SetVisibilityCulling(TGLVisibilityCulling Value);

    // ---- progress, search, ray casts
    // OnBeforeProgress, the tree (children last to first, then behaviours, effects and OnProgress), OnProgress.
    void Progress(double deltaTime, double newTime);
    double CurrentDeltaTime() const { return FCurrentDeltaTime; }
    TGLBaseSceneObject* FindSceneObject(const std::string& AName) const;
    // The nearest visible object the ray hits, or nil; the point and normal of the hit are written where given.
    virtual TGLBaseSceneObject* RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector,
                                                 TVector4f* intersectPoint = nullptr,
                                                 TVector4f* intersectNormal = nullptr);

    // ---- scene files: the component stream of the scene and its tree
    void SaveToStream(TStream& aStream);
    // Reads the stream, then switches the lights off and puts the tree read in place of the old one; buffers
    // get back a camera of the same name when the new tree has one. A stream that fails to read changes
    // nothing.
    void LoadFromStream(TStream& aStream);
    void SaveToFile(const std::string& fileName);
    // Skips a resource header first when the file starts with one.
    void LoadFromFile(const std::string& fileName);

    void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
    void DefineProperties(TFiler& Filer) override;

    TGLProgressEvent OnBeforeProgress;
    TGLProgressEvent OnProgress;

private:
    void Teardown();
    void RayCastChildren(TGLBaseSceneObject* anObject, const TVector4f& rayStart, const TVector4f& rayVector,
                         TVector4f* intersectPoint, TVector4f* intersectNormal, float& bestDist2,
                         TGLBaseSceneObject*& bestObject);

    int32_t FUpdateCount = 0;
    TGLBaseSceneObject* FObjects = nullptr; // owned (as a component) and freed first
    std::unique_ptr<TPersistentObjectList> FLights;
    std::vector<IVAVodadSceneBuffer*> FBuffers;
    TGLCamera* FCurrentGLCamera = nullptr;
    IVAVodadSceneBuffer* FCurrentBuffer = nullptr;
    TGLObjectsSorting FObjectsSorting = osRenderBlendedLast;
    TGLVisibilityCulling FVisibilityCulling = vcNone;
    double FCurrentDeltaTime = 0;
};

enum TFogMode { fmLinear, fmExp, fmExp2 };
enum TFogDistance { fdDefault, fdEyeRadial, fdEyePlane };

// The fog of a scene buffer; exp and exp2 fog take their density from the fog colour's alpha.
class TGLFogEnvironment : public TGLUpdateAbleObject {
public:
    // AOwner must be a scene buffer (EInvalidCast otherwise).
    explicit TGLFogEnvironment(TPersistent* AOwner);
    ~TGLFogEnvironment() override;

    TGLColor* FogColor() const { return FFogColor.get(); }
    // Nil is ignored.
    void SetFogColor(TGLColor* Value);
    float FogStart() const { return FFogStart; }
    void SetFogStart(float Value);
    float FogEnd() const { return FFogEnd; }
    void SetFogEnd(float Value);
    TFogMode FogMode() const { return FFogMode; }
    void SetFogMode(TFogMode Value);
    TFogDistance FogDistance() const { return FFogDistance; }
    void SetFogDistance(TFogDistance Value);

    void Assign(TPersistent* Source) override;
    bool IsAtDefaultValues() const;
    // Sends the fog to the buffer's context (activating it for the call when it is not active); nothing
    // before the buffer has a context.
    void ApplyFog();

private:
    IVAVodadSceneBuffer* FSceneBuffer;
    std::unique_ptr<TGLColor> FFogColor;
    float FFogStart = 10;
    float FFogEnd = 1000;
    TFogMode FFogMode = fmLinear;
    TFogDistance FFogDistance = fdDefault;
};

// Skips the resource header a scene file may start with (0xFF, the type 10, a zero-terminated name, flags and
// the size of the data); a header that runs past the stream or names more data than it holds raises
// EReadError.
void SkipSceneResourceHeader(TStream& stream);

// Registers the scene's streamable classes.
void RegisterVAVodadClasses();

// ---------------------------------------------------------------------------------------------------------
// The scene buffer: the render target of one viewer. It owns the viewer's rendering context, holds the
// pixel-format and frame settings, and runs one frame: activate the context, set up the state, clear, place
// the camera, set up lights and fog, fill the render-context record and hand it to the scene tree, swap, and
// count frames per second. It also takes rendered views out of the window (snapshots, bitmaps, files,
// textures, raw float dumps), picks objects under screen rectangles and converts between window and world
// coordinates. The non-visual viewers (the memory viewer renders into an off-screen p-buffer) own one.

enum TContextOption {
    roSoftwareMode,
    roDoubleBuffer,
    roStencilBuffer,
    roRenderToWindow,
    roTwoSideLighting,
    roStereo,
    roDestinationAlpha,
    roNoColorBuffer,
    roNoColorBufferClear,
    roNoSwapBuffers,
    roNoDepthBufferClear,
    roDebugContext,
    roForwardContext,
    roOpenGL_ES2_Context
};
using TContextOptions = TSet<TContextOption, uint16_t>;

enum TGLDepthPrecision { dpDefault, dp16bits, dp24bits, dp32bits };
enum TGLColorDepth { cdDefault, cd8bits, cd16bits, cd24bits, cdFloat64bits, cdFloat128bits };
enum TGLShadeModel { smDefault, smSmooth, smFlat };

enum TLimitType {
    limClipPlanes,
    limEvalOrder,
    limLights,
    limListNesting,
    limModelViewStack,
    limNameStack,
    limPixelMapTable,
    limProjectionStack,
    limTextureSize,
    limTextureStack,
    limViewportDims,
    limAccumAlphaBits,
    limAccumBlueBits,
    limAccumGreenBits,
    limAccumRedBits,
    limAlphaBits,
    limAuxBuffers,
    limBlueBits,
    limGreenBits,
    limIndexBits,
    limRedBits,
    limDepthBits,
    limStencilBits,
    limDoubleBuffer,
    limStereo,
    limSubpixelBits,
    limNbTextureUnits
};

// The information window ShowInfo opens; registered from outside (none in this system).
using TGLInfoFormCallback = std::function<void(class TVAVodadBuffer* aSceneBuffer, bool Modal)>;
void RegisterInfoForm(TGLInfoFormCallback aCallback);

class TVAVodadBuffer : public TGLUpdateAbleObject, public IVAVodadSceneBuffer {
public:
    // AOwner is the viewer.
    explicit TVAVodadBuffer(TPersistent* AOwner);
    ~TVAVodadBuffer() override;
    TVAVodadBuffer(const TVAVodadBuffer&) = delete;
    TVAVodadBuffer& operator=(const TVAVodadBuffer&) = delete;

    // ---- rendering context
    // Makes the context: on the window AWindowHandle, or off screen (a p-buffer of the viewport's size).
    // A failure leaves the buffer without a context and outside the camera's scene.
    void CreateRC(void* AWindowHandle, bool memoryContext, int32_t BufferCount = 1);
    // Drops the context (and the frozen picture and the selector) and leaves the camera's scene.
    void DestroyRC();
    bool RCInstantiated() const { return FRenderingContext != nullptr; }
    TGLContext* RenderingContext() const override { return FRenderingContext; }
    TGLContextAcceleration Acceleration() const;
    // Copies the buffer's settings into a context that is about to be made.
    void ApplyContextSettings(TGLContext* aContext);
    // The per-frame state of the active context.
    void SetupRenderingContext();
    // Clears the buffers of the current context as the options say.
    void ClearBuffers();

    // ---- viewport
    // Width and height raised to at least 1.
    void Resize(int32_t newLeft, int32_t newTop, int32_t newWidth, int32_t newHeight);
    // As given, without clamping.
    void SetViewPort(int32_t X, int32_t Y, int32_t W, int32_t H);
    TRectangle ViewPort() const override { return FViewPort; }
    int32_t Width() const { return FViewPort.Width; }
    int32_t Height() const { return FViewPort.Height; }

    // ---- frames
    // One frame of the whole scene, or of baseObject's subtree; nothing while rendering or without a context.
    void Render(TGLBaseSceneObject* baseObject = nullptr);
    void RenderScene(TVAVodad* aScene, int32_t viewPortSizeX, int32_t viewPortSizeY, TDrawState drawState,
                     TGLBaseSceneObject* baseObject);
    // Renders a frame and keeps its pixels: every later Render repaints them until Melt.
    void Freeze();
    void Melt();
    bool Freezed() const { return FFreezed; }
    bool Rendering() const { return FRendering; }

    // ---- frame statistics
    void ResetPerformanceMonitor();
    float FramesPerSecond() const { return FFramesPerSecond; }
    // The rate with aDecimals decimals, followed by " FPS".
    std::string FramesPerSecondText(int32_t aDecimals = 1) const;
    float LastFrameTime() const { return FLastFrameTime; }
    int32_t FrameCount() const { return FFrameCount; }

    // ---- matrices of the context's transformation
    void PushViewMatrix(const TMatrix4f& newMatrix);
    void PopViewMatrix();
    void PushProjectionMatrix(const TMatrix4f& newMatrix);
    void PopProjectionMatrix();
    TMatrix4f ProjectionMatrix() const;
    TMatrix4f ViewMatrix() const;
    TMatrix4f ModelMatrix() const;
    TMatrix4f BaseProjectionMatrix() const { return FBaseProjectionMatrix; }

    // One OpenGL limit of the current context.
    int32_t GetLimit(TLimitType Which);
    void ShowInfo(bool Modal);

    // Fires OnChange unless rendering.
    void NotifyChange(TObject* Sender) override;

    // ---- snapshots (the frame read before it is presented)
    // A new image of the viewport (the caller owns it), with the colour buffer's pixels when the camera is in
    // a scene.
    TGLImage* CreateSnapShot();
    // CreateSnapShot as a new 32-bit bitmap (the caller owns it).
    TBitmap* CreateSnapShotBitmap();
    // Renders the scene into ABitmap through a context of its own (DPI 0: the screen's); the buffer keeps its
    // context, viewport and rendering flag whatever happens.
    void RenderToBitmap(TBitmap* ABitmap, int32_t DPI = 0);
    // A 24-bit bitmap of the viewport's size rendered at DPI, saved by the file's extension. An empty name
    // asks the save dialog; an existing file asks "Overwrite file %s?". Nothing is saved on a refusal.
    void RenderToFile(const std::string& AFile, int32_t DPI = 0);
    // The same at bmpWidth x bmpHeight, at the resolution that keeps the view's proportions.
    void RenderToFile(const std::string& AFile, int32_t bmpWidth, int32_t bmpHeight);
    void CopyToTexture(TGLTexture* aTexture);
    // Copies (xSrc, ySrc, AWidth, AHeight) of the frame to (xDest, yDest) of the texture, or of one cube face
    // when glCubeFace is not 0. The texture's image becomes a blank image of that size.
    void CopyToTexture(TGLTexture* aTexture, int32_t xSrc, int32_t ySrc, int32_t AWidth, int32_t AHeight,
                       int32_t xDest, int32_t yDest, uint32_t glCubeFace = 0);
    // The viewport's colours as RGBA floats, bottom row first, no header.
    void SaveAsFloatToFile(const std::string& aFilename);

    // ---- picking and coordinates (x to the right, y up from the viewport's bottom unless noted)
    void PickObjects(const TRect& rect, TGLPickList* pickList, int32_t objectCountGuess);
    // Sorted by nearest depth; the caller frees the list.
    TGLPickList* GetPickedObjects(const TRect& rect, int32_t objectCountGuess = 64);
    // The nearest object around pixel (x, y), y from the top; nil over the background.
    TGLBaseSceneObject* GetPickedObject(int32_t x, int32_t y);
    TGLBaseSelectTechnique* Selector() const { return FSelector.get(); }
    // The selector's current object while picking; nil without a selector.
    TGLBaseSceneObject* PickingCurrentObject() const override;
    void SetPickingCurrentObject(TGLBaseSceneObject* Value) override;
    // Pixel (x, y), y from the top: its colour (red + green x 256 + blue x 65536) and depth; 0 without a camera.
    TColor GetPixelColor(int32_t x, int32_t y);
    float GetPixelDepth(int32_t x, int32_t y);
    float PixelDepthToDistance(float aDepth);
    float PixelToDistance(int32_t x, int32_t y);
    TVector3f PixelRayToWorld(int32_t x, int32_t y);
    TVector3f ScreenToWorld(const TVector3f& aPoint);
    TVector4f ScreenToWorld(const TVector4f& aPoint);
    // y from the top.
    TVector3f ScreenToWorld(int32_t screenX, int32_t screenY);
    TVector3f WorldToScreen(const TVector3f& aPoint);
    TVector4f WorldToScreen(const TVector4f& aPoint);
    // In place, with the current view-projection matrix.
    void WorldToScreen(TVector4f* points, int32_t nbPoints);
    TVector3f ScreenToVector(const TVector3f& aPoint);
    TVector4f ScreenToVector(const TVector4f& aPoint);
    TVector4f ScreenToVector(int32_t x, int32_t y);
    TVector3f VectorToScreen(const TVector3f& VectToCam);
    bool ScreenVectorIntersectWithPlane(const TVector3f& aScreenPoint, const TVector4f& planePoint,
                                        const TVector4f& planeNormal, TVector4f& intersectPoint);
    bool ScreenVectorIntersectWithPlaneXY(const TVector3f& aScreenPoint, float z, TVector4f& intersectPoint);
    bool ScreenVectorIntersectWithPlaneYZ(const TVector3f& aScreenPoint, float x, TVector4f& intersectPoint);
    bool ScreenVectorIntersectWithPlaneXZ(const TVector3f& aScreenPoint, float y, TVector4f& intersectPoint);
    TVector3f OrthoScreenToWorld(int32_t screenX, int32_t screenY);

    // ---- settings (a change of the first group repaints, of the second makes a new context)
    TColor BackgroundColor() const { return FBackgroundColor; }
    void SetBackgroundColor(TColor Value);
    float BackgroundAlpha() const { return FBackgroundAlpha; }
    void SetBackgroundAlpha(float Value);
    bool DepthTest() const { return FDepthTest; }
    void SetDepthTest(bool Value);
    bool FaceCulling() const { return FFaceCulling; }
    void SetFaceCulling(bool Value);
    bool Lighting() const { return FLighting; }
    void SetLighting(bool Value);
    bool FogEnable() const { return FFogEnable; }
    void SetFogEnable(bool Value);
    TGLShadeModel ShadeModel() const { return FShadeModel; }
    void SetShadeModel(TGLShadeModel Value);
    TContextOptions ContextOptions() const { return FContextOptions; }
    void SetContextOptions(TContextOptions Value);
    TGLContextLayer Layer() const { return FLayer; }
    void SetLayer(TGLContextLayer Value);
    TGLAntiAliasing AntiAliasing() const { return FAntiAliasing; }
    void SetAntiAliasing(TGLAntiAliasing Value);
    TGLDepthPrecision DepthPrecision() const { return FDepthPrecision; }
    void SetDepthPrecision(TGLDepthPrecision Value);
    TGLColorDepth ColorDepth() const { return FColorDepth; }
    void SetColorDepth(TGLColorDepth Value);
    int32_t AccumBufferBits() const { return FAccumBufferBits; }
    void SetAccumBufferBits(int32_t Value);
    TGLColor* AmbientColor() const { return FAmbientColor.get(); }
    void SetAmbientColor(TGLColor* Value);
    TGLFogEnvironment* FogEnvironment() const { return FFogEnvironment.get(); }
    void SetFogEnvironment(TGLFogEnvironment* Value);
    TGLCamera* Camera() const override { return FCamera; }
    // Taken only when it belongs to a scene; the previous camera's scene drops the buffer.
    void SetCamera(TGLCamera* Value) override;
    int32_t RenderDPI() const override { return FRenderDPI; }
    TVector4f CameraAbsolutePosition() const { return FCameraAbsolutePosition; }

    // Effects queued during the frame, drawn after the tree.
    TPersistentObjectList* AfterRenderEffects() const { return FAfterRenderEffects.get(); }

    TNotifyEvent OnChange;
    TNotifyEvent OnStructuralChange;
    TNotifyEvent OnPrepareGLContext; // wired by the viewers, before a context is made
    TNotifyEvent BeforeRender;
    TNotifyEvent ViewerBeforeRender;
    TNotifyEvent PostRender;
    TNotifyEvent AfterRender;
    TDirectRenderEvent InitiateRendering;
    TDirectRenderEvent WrapUpRendering;

protected:
    void DoChange();
    void DoStructuralChange();
    void DoBaseRender(const TRectangle& aViewport, int32_t resolution, TGLBaseSceneObject* baseObject,
                      TDrawState drawState);
    // The camera's projection and view; with a pick rectangle the projection is narrowed to it first.
    void SetupCameraMatrices(const TRectangle& aViewport, int32_t resolution, const TRect* pickRect = nullptr);

private:
    // The scene of the camera, nil without one.
    TVAVodad* CameraScene() const;
    bool OwnerIsComponent() const;
    // Renders one frame and hands its pixels to readFrame before they are presented.
    void RenderAndRead(const std::function<void()>& readFrame);
    // Reads the colour buffer now when it is single-buffered (nothing can have been presented over it), or
    // renders a new frame and reads that before its swap.
    void ReadFrame(const std::function<void()>& readFrame);
    void SaveBitmap(TBitmap& bitmap, const std::string& AFile);
    void ReadPixel(int32_t x, int32_t y, GLenum format, GLenum type, void* pixel);

    bool FRendering = false;
    TGLContext* FRenderingContext = nullptr;
    std::unique_ptr<TPersistentObjectList> FAfterRenderEffects;
    std::vector<TMatrix4f> FViewMatrixStack;
    std::vector<TMatrix4f> FProjectionMatrixStack;
    TMatrix4f FBaseProjectionMatrix{};
    TVector4f FCameraAbsolutePosition{};
    TRectangle FViewPort{};
    std::unique_ptr<TGLBaseSelectTechnique> FSelector;
    bool FFaceCulling = true;
    bool FFogEnable = false;
    bool FLighting = true;
    bool FDepthTest = true;
    TColor FBackgroundColor = clBtnFace;
    float FBackgroundAlpha = 1.0f;
    std::unique_ptr<TGLColor> FAmbientColor;
    TGLAntiAliasing FAntiAliasing = aaDefault;
    TGLDepthPrecision FDepthPrecision = dpDefault;
    TGLColorDepth FColorDepth = cdDefault;
    TContextOptions FContextOptions{roDoubleBuffer, roRenderToWindow, roDebugContext};
    TGLShadeModel FShadeModel = smDefault;
    int32_t FRenderDPI = 0;
    std::unique_ptr<TGLFogEnvironment> FFogEnvironment;
    int32_t FAccumBufferBits = 0;
    TGLContextLayer FLayer = clMainPlane;
    TGLCamera* FCamera = nullptr;
    std::vector<uint8_t> FFreezeBuffer;
    bool FFreezed = false;
    TRectangle FFreezedViewPort{};
    int32_t FFrameCount = 0;
    float FFramesPerSecond = 0;
    int64_t FFirstPerfCounter = 0;
    float FLastFrameTime = 0;
    // Set while a frame must be read before it is presented (snapshots, Freeze).
    std::function<void()> FReadBeforeSwap;
};

// A viewer without a window: it owns a buffer and renders it on demand.
class TGLNonVisualViewer : public TComponent {
public:
    explicit TGLNonVisualViewer(TComponent* AOwner);
    ~TGLNonVisualViewer() override;

    TVAVodadBuffer* Buffer() const { return FBuffer.get(); }
    TGLCamera* Camera() const;
    void SetCamera(TGLCamera* Value);
    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }
    // A value of 0 or less becomes 1; a change makes a new context at the next render.
    void SetWidth(int32_t Value);
    void SetHeight(int32_t Value);

    virtual void Render(TGLBaseSceneObject* baseObject = nullptr) = 0;
    virtual void CopyToTexture(TGLTexture* aTexture);
    void CopyToTexture(TGLTexture* aTexture, int32_t xSrc, int32_t ySrc, int32_t width, int32_t height,
                       int32_t xDest, int32_t yDest);
    // The whole view from colour buffer BufferIndex (0 the front buffer, 1 to 3 the auxiliary ones).
    virtual void CopyToTextureMRT(TGLTexture* aTexture, int32_t BufferIndex);
    // Into new storage of width x height (read from the origin) when the texture has none yet, else the area
    // at (xDest, yDest).
    void CopyToTextureMRT(TGLTexture* aTexture, int32_t xSrc, int32_t ySrc, int32_t width, int32_t height,
                          int32_t xDest, int32_t yDest, int32_t BufferIndex);
    // Renders the six faces of a cube map from the camera's position, each with a 90-degree view, into the
    // texture's faces. The viewer must be square. zFar <= 0 takes the camera's depth of view, zNear <= 0 a
    // thousandth of zFar.
    void RenderCubeMapTextures(TGLTexture* cubeMapTexture, float zNear = 0, float zFar = 0);

protected:
    virtual void DoBufferChange(TObject* /*Sender*/) {}
    virtual void DoBufferStructuralChange(TObject* Sender);
    virtual void PrepareGLContext() {}
    void Notification(TComponent* AComponent, TOperation Operation) override;

    std::unique_ptr<TVAVodadBuffer> FBuffer;
    int32_t FWidth = 256;
    int32_t FHeight = 256;

private:
    // The camera's view while a cube face is rendered: the face's turn from the camera's position.
    void SetupCubeMapCamera(TObject* Sender);

    int32_t FCubeMapRotIdx = 0;
    float FCubeMapZNear = 0;
    float FCubeMapZFar = 0;
    TVector3f FCubeMapTranslation{};
};

// Renders into an off-screen p-buffer of Width x Height.
class TGLMemoryViewer : public TGLNonVisualViewer {
public:
    explicit TGLMemoryViewer(TComponent* AOwner);

    // Makes the p-buffer context when the buffer has none.
    void InstantiateRenderingContext();
    void Render(TGLBaseSceneObject* baseObject = nullptr) override;
    int32_t BufferCount() const { return FBufferCount; }
    // Held in 1..4; a change makes a new context at the next render.
    void SetBufferCount(int32_t Value);

private:
    int32_t FBufferCount = 1;
};
