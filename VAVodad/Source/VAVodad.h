// The scene tree: the scene-object node with its children, local and absolute matrices kept up to date
// lazily through change flags, orientation operations, bounding volumes, progress propagation and
// streaming, and the two item collections every node may carry: behaviours (progressed with the node) and
// effects (progressed, and post effects drawn right after the node).
#pragma once

#include "GLBaseClasses.h"
#include "GLCoordinates.h"
#include "GLRenderContextInfo.h"
#include "GLVectorTypes.h"
#include "GLXCollection.h"
#include "Sets.h"
#include "Types.h"

#include <cstdint>
#include <memory>
#include <string>

class TGLBaseSceneObject;
class TGLBehaviours;
class TGLListHandle; // GLContext.h
class TGLObjectEffects;
class TGLSilhouette; // GLSilhouette.h
struct TGLSilhouetteParameters;

// What a scene object asks of the scene it belongs to; the scene component implements it.
class IGLScene {
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
    ~IGLScene() = default;
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
    IGLScene* Scene() const { return FScene; }
    virtual void SetScene(IGLScene* Value);
    int32_t Count() const { return FChildren.Count(); }
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
    // The visible children in the index range, in the sorting order in force (blended ones last, far to near).
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

private:
    // Absolute = local x parent's, except below no parent or the scene's root object.
    bool HasTransformingParent() const;
    void SetAngle(int axis, float aValue);
    // Clears the scene of the subtree without releasing anything (a removed subtree keeps no scene).
    void ForgetScene();
    void CheckChildren() const;
    // Refuses nil and this object's ancestors (and itself).
    void CheckNewChild(TGLBaseSceneObject* AChild) const;
    void DetachFromTree();

    // Read on every matrix and progress pass, so kept together ahead of the rest.
    TObjectChanges FChanges{ocTransformation, ocAbsoluteMatrix, ocInvAbsoluteMatrix, ocStructure};
    TObjectBBChanges FBBChanges{oBBcChild, oBBcStructure};
    // The local matrix was given by ForceLocalMatrix, not rebuilt from the vectors: it may hold any scale or
    // shear, so only a general inversion is right for it.
    bool FLocalMatrixForced = false;
    bool FChildrenCreated = false; // reordering children asserts until the first child came
    bool FVisible = true;
    bool FPickable = true;
    bool FShowAxes = false;
    bool FIsCalculating = false;
    TGLBaseSceneObject* FParent = nullptr;
    IGLScene* FScene = nullptr;
    TList<TGLBaseSceneObject> FChildren;
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
