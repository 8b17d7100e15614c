// What a 3DS file leaves in a mesh besides its geometry: the keyframe tracks of its nodes, the node objects that
// keep them in the mesh's object list (meshes, omni lights, spot lights and cameras), and the scene objects that
// carry 3DS data: the light and camera the nodes place under the mesh, and the free form and actor that keep
// their mesh objects in the component stream. Keyframe evaluation is switched off: the
// tracks are loaded and archived, while a node's animated transform stays the identity with zero values.
#pragma once

#include "GLVectorFileObjects.h"
#include "GLVectorGeometryMatrices.h"
#include "Types3DS.h"
#include "VAVodad.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class TGLCoordinates3;
class TGLCoordinates4;
class TGLDummyCube;
class TGLFile3DSCamera;
class TGLFile3DSHeldObject;
class TGLFile3DSLight;

// The unit the module's assertions name.
inline constexpr const char* cGLFile3DSSceneObjectsUnit = "VAVodad\\Source\\FileFormats\\GLFile3DSSceneObjects";

// A node's transform and the light and camera values its tracks drive. Archived as 104 bytes: the matrix by
// rows, the colour, the target, then the three angles, each a little-endian Single.
struct TGLFile3DSAnimationData {
    TMatrix4f ModelMatrix = IdentityHmgMatrix;
    TVector4f Color{};
    TVector3f TargetPos{};
    float SpotLightCutOff = 0;
    float HotSpot = 0;
    float Roll = 0;
};

// ---------------------------------------------------------------------------------------------------------
// Keyframe tracks

// The keys of one track of a node. Archived as the key count, then (when there are keys) the key headers as
// 28 raw bytes each (Time, RFlags, two zero bytes, the five spline values) and the values.
class TGLFile3DSAnimationKeys : public TPersistentObject {
public:
    // From a track of the same class: the headers and the values; anything else as a persistent object.
    void Assign(TPersistent* Source) override;
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;

    // Composes the track's value at the frame into DataTransf; nothing for a track without keys.
    virtual void Apply(TGLFile3DSAnimationData& DataTransf, double Frame) = 0;
    // The code that stands for the track's class in a key list's archive (0 .. 7).
    uint8_t TypeCode() const;

    int32_t NumKeys() const { return static_cast<int32_t>(FKeys.size()); }
    std::span<const TKeyHeader3DS> Keys() const { return FKeys; }

protected:
    // Each value's bytes in the archive.
    virtual int32_t ValueSize() const = 0;
    // The values, one per key header.
    virtual void WriteValues(TVirtualWriter* writer) const = 0;
    virtual void ReadValues(TVirtualReader* reader) = 0;
    // The values of a track of the same class.
    virtual void AssignValues(const TGLFile3DSAnimationKeys& source) = 0;

    std::vector<TKeyHeader3DS> FKeys;
};

// A track whose values are of type TValue, one per key.
template <class TValue> class TGLFile3DSTypedAnimationKeys : public TGLFile3DSAnimationKeys {
public:
    // The first ANumKeys headers and values (fewer when the arrays are shorter; none for a negative count),
    // each value converted from the record's type.
    template <class TSource>
    void LoadData(int32_t ANumKeys, std::span<const TKeyHeader3DS> Keys, std::span<const TSource> AData);

    std::span<const TValue> Values() const { return FValues; }

protected:
    int32_t ValueSize() const override;
    void WriteValues(TVirtualWriter* writer) const override;
    void ReadValues(TVirtualReader* reader) override;
    void AssignValues(const TGLFile3DSAnimationKeys& source) override;

    std::vector<TValue> FValues;
};

// The three kinds of value, built once in the module.
extern template class TGLFile3DSTypedAnimationKeys<TVector3f>;
extern template class TGLFile3DSTypedAnimationKeys<TKFRotKey3DS>;
extern template class TGLFile3DSTypedAnimationKeys<float>;

// Code 0: the model matrix times the scaling of the value.
class TGLFile3DSScaleAnimationKeys : public TGLFile3DSTypedAnimationKeys<TVector3f> {
public:
    TPersistentObject* NewInstance() const override { return new TGLFile3DSScaleAnimationKeys; }
    void Apply(TGLFile3DSAnimationData& DataTransf, double Frame) override;
};

// Code 1: the model matrix times the keys' rotations up to the frame. Each key turns relative to the one
// before; loading makes every angle at most pi (the axis turned round) and a zero axis the X axis.
class TGLFile3DSRotationAnimationKeys : public TGLFile3DSTypedAnimationKeys<TKFRotKey3DS> {
public:
    TPersistentObject* NewInstance() const override { return new TGLFile3DSRotationAnimationKeys; }
    void Apply(TGLFile3DSAnimationData& DataTransf, double Frame) override;
};

// Code 2: the value added to the model matrix's translation.
class TGLFile3DSPositionAnimationKeys : public TGLFile3DSTypedAnimationKeys<TVector3f> {
public:
    TPersistentObject* NewInstance() const override { return new TGLFile3DSPositionAnimationKeys; }
    void Apply(TGLFile3DSAnimationData& DataTransf, double Frame) override;
};

// Code 3: the value added to the colour (W untouched).
class TGLFile3DSColorAnimationKeys : public TGLFile3DSTypedAnimationKeys<TVector3f> {
public:
    TPersistentObject* NewInstance() const override { return new TGLFile3DSColorAnimationKeys; }
    void Apply(TGLFile3DSAnimationData& DataTransf, double Frame) override;
};

// Code 4: the value added to the target position.
class TTGLFile3DSPositionAnimationKeys : public TGLFile3DSTypedAnimationKeys<TVector3f> {
public:
    TPersistentObject* NewInstance() const override { return new TTGLFile3DSPositionAnimationKeys; }
    void Apply(TGLFile3DSAnimationData& DataTransf, double Frame) override;
};

// Code 5: the value added to the spot cut-off.
class TGLFile3DSSpotLightCutOffAnimationKeys : public TGLFile3DSTypedAnimationKeys<float> {
public:
    TPersistentObject* NewInstance() const override { return new TGLFile3DSSpotLightCutOffAnimationKeys; }
    void Apply(TGLFile3DSAnimationData& DataTransf, double Frame) override;
};

// Code 6: the value added to the hot spot.
class TGLFile3DSLightHotSpotAnimationKeys : public TGLFile3DSTypedAnimationKeys<float> {
public:
    TPersistentObject* NewInstance() const override { return new TGLFile3DSLightHotSpotAnimationKeys; }
    void Apply(TGLFile3DSAnimationData& DataTransf, double Frame) override;
};

// Code 7: the value added to the roll.
class TGLFile3DSRollAnimationKeys : public TGLFile3DSTypedAnimationKeys<float> {
public:
    TPersistentObject* NewInstance() const override { return new TGLFile3DSRollAnimationKeys; }
    void Apply(TGLFile3DSAnimationData& DataTransf, double Frame) override;
};

// The tracks of a node; it owns them. Archived as the count, then per track its code as one raw byte and its
// own archive.
class TGLFile3DSAnimationKeyList : public TPersistentObject {
public:
    TGLFile3DSAnimationKeyList();
    ~TGLFile3DSAnimationKeyList() override;
    TPersistentObject* NewInstance() const override { return new TGLFile3DSAnimationKeyList; }

    // Copies of the other list's tracks, of the same classes, replace the tracks.
    void Assign(TPersistent* Source) override;
    void WriteToFiler(TVirtualWriter* writer) override;
    // A code outside 0 .. 7 fails the assertion "Error: Unknown type!".
    void ReadFromFiler(TVirtualReader* reader) override;

    // Appends the track; nothing for none.
    void AddKeys(std::unique_ptr<TGLFile3DSAnimationKeys> AKeys);
    void ClearKeys();

    int32_t Count() const { return static_cast<int32_t>(FAnimKeysList.size()); }
    // Checked.
    TGLFile3DSAnimationKeys* Items(int32_t Index) const;

private:
    std::vector<std::unique_ptr<TGLFile3DSAnimationKeys>> FAnimKeysList;
};

// ---------------------------------------------------------------------------------------------------------
// Node objects

// A 3DS node in a mesh's object list: its tracks, its reference transform (the inverted local frame of its
// mesh), its animated transform and its parent node. Archived after the morphable data as the reference
// transform (104 raw bytes), the parent's name (cut to 32 characters, "nil" without a parent) and the key list.
class TGLFile3DSDummyObject : public TMorphableMeshObject {
public:
    TGLFile3DSDummyObject();
    explicit TGLFile3DSDummyObject(TGLMeshObjectList* AOwner);
    // Its child nodes forget it.
    ~TGLFile3DSDummyObject() override;
    TPersistentObject* NewInstance() const override { return new TGLFile3DSDummyObject; }

    // The mesh-object part; from another node also the reference transform, the parent and copies of the
    // tracks, then SetFrame(0).
    void Assign(TPersistent* Source) override;
    // Reading keeps the parent's name (up to 64 characters) in ParentName; the parent itself is not restored.
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;
    // The mesh object's, each corner that is not infinite transformed by the animated model matrix.
    using TMorphableMeshObject::GetExtents;
    void GetExtents(TVector3f& min, TVector3f& max) override;
    // The mesh object's, transformed by the animated model matrix unless that is the identity.
    std::unique_ptr<TAffineVectorList> ExtractTriangles(TAffineVectorList* texCoords = nullptr,
                                                        TAffineVectorList* normals = nullptr) override;
    // The actor's frames move the node rather than its vertices: SetFrame(index), or SetFrame(index1 +
    // lerpFactor) (minus for an actor playing backwards).
    void MorphTo(int32_t morphTargetIndex) override;
    void Lerp(int32_t morphTargetIndex1, int32_t morphTargetIndex2, float lerpFactor) override;

    // Places the node at the frame. Keyframe evaluation is off: the node stays as it is; light and camera
    // nodes pass the animated transform on to their scene objects.
    virtual void SetFrame(double AFrame);

    TGLFile3DSAnimationKeyList* AnimList() const { return FAnimList.get(); }
    const TGLFile3DSAnimationData& RefrenceTransf() const { return FRefTranf; }
    void SetRefrenceTransf(const TGLFile3DSAnimationData& Value) { FRefTranf = Value; }
    const TGLFile3DSAnimationData& AnimTransf() const { return FAnimTransf; }
    TGLFile3DSDummyObject* Parent() const { return FParent; }
    // The parent hears of this node, so that either may die first.
    void SetParent(TGLFile3DSDummyObject* Value);
    // The parent's name as an archive held it; empty without one.
    const std::string& ParentName() const { return FParentName; }

protected:
    // The node of that name in the same list becomes the parent (none when there is no such node); an empty
    // name changes nothing.
    void SetParentByName(const std::string& aName);
    // The base mesh whose object list holds the node, or nullptr.
    TGLBaseMesh* OwnerMesh() const;
    // The animated transform's translation.
    TVector3f AnimPosition() const;

    std::unique_ptr<TGLFile3DSAnimationKeyList> FAnimList;
    TGLFile3DSAnimationData FRefTranf;
    TGLFile3DSAnimationData FAnimTransf;

private:
    TGLFile3DSDummyObject* FParent = nullptr;
    std::vector<TGLFile3DSDummyObject*> FChildren; // the nodes whose parent this is
    std::string FParentName;
};

// A 3DS mesh's node, drawn in its animated transform.
class TGLFile3DSMeshObject : public TGLFile3DSDummyObject {
public:
    using TGLFile3DSDummyObject::TGLFile3DSDummyObject;
    TPersistentObject* NewInstance() const override { return new TGLFile3DSMeshObject; }

    void BuildList(TGLRenderContextInfo& mrci) override;
    // The scale, rotation and position tracks in that order; the parent by name; the pivot taken off the
    // reference transform's translation.
    void LoadAnimation(const TKFMesh3DS& AData);
};

// An omni light's node. It owns the light, which LoadData puts under the mesh as a child (the tree may free it
// first, and then the node holds none). Archived after the node as the light's component name (cut to 64
// characters, "nil" when empty), which a later SetFrame looks for among the mesh's children.
class TGLFile3DSOmniLightObject : public TGLFile3DSDummyObject {
public:
    TGLFile3DSOmniLightObject();
    explicit TGLFile3DSOmniLightObject(TGLMeshObjectList* AOwner);
    ~TGLFile3DSOmniLightObject() override;
    TPersistentObject* NewInstance() const override { return new TGLFile3DSOmniLightObject; }

    // The node's assignment, then the light from the other node's.
    void Assign(TPersistent* Source) override;
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;
    // A light named by the archive replaces the own one once the mesh has it as a child; the light then
    // stands at the animated translation in the animated colour.
    void SetFrame(double AFrame) override;

    // The light joins AOwner's children, named and placed, coloured and switched by the record.
    virtual void LoadData(TGLBaseMesh* AOwner, const TLight3DS& AData);
    // The position and colour tracks, the parent by name, then SetFrame(0).
    void LoadAnimation(const TKFOmni3DS& AData);

    // Nil once the tree has freed it.
    TGLFile3DSLight* LightSrc() const;
    const std::string& LightSrcName() const { return FLightSrcName; }

protected:
    // The omni light's share of loading a light motion (the omni or the spot record).
    template <class TMotion> void LoadLightTracks(const TMotion& AData);

private:
    std::unique_ptr<TGLFile3DSHeldObject, TFreeDeleter> FLightSrc;
    std::string FLightSrcName;
};

// A spot light's node.
class TGLFile3DSSpotLightObject : public TGLFile3DSOmniLightObject {
public:
    using TGLFile3DSOmniLightObject::TGLFile3DSOmniLightObject;
    TPersistentObject* NewInstance() const override { return new TGLFile3DSSpotLightObject; }

    // Also the target, the cut-off and the hot spot (half the record's cone angles).
    void SetFrame(double AFrame) override;
    void LoadData(TGLBaseMesh* AOwner, const TLight3DS& AData) override;
    // The omni light's tracks, then the target, cut-off and hot-spot tracks, then SetFrame(0).
    void LoadAnimation(const TKFSpot3DS& AData);
};

// A camera's node. It owns the camera and the dummy cube that is its target, both put under the mesh by
// LoadData (the tree may free them first). Archived after the node as the camera's component name, as for
// lights.
class TGLFile3DSCameraObject : public TGLFile3DSDummyObject {
public:
    TGLFile3DSCameraObject();
    explicit TGLFile3DSCameraObject(TGLMeshObjectList* AOwner);
    ~TGLFile3DSCameraObject() override;
    TPersistentObject* NewInstance() const override { return new TGLFile3DSCameraObject; }

    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;
    // A camera named by the archive replaces the own one once the mesh has it as a child; the camera takes
    // the animated translation and roll, the cube the animated target.
    void SetFrame(double AFrame) override;

    // Camera and cube join Owner's children, placed by the record.
    void LoadData(TGLBaseMesh* Owner, const TCamera3DS& AData);
    // The position, roll and target tracks, then SetFrame(0).
    void LoadAnimation(const TKFCamera3DS& AData);

    // Nil once the tree has freed them.
    TGLFile3DSCamera* CameraSrc() const;
    TGLDummyCube* TargetObj() const;
    const std::string& CameraSrcName() const { return FCameraSrcName; }

private:
    std::unique_ptr<TGLFile3DSHeldObject, TFreeDeleter> FTargetObj;
    std::unique_ptr<TGLFile3DSHeldObject, TFreeDeleter> FCameraSrc;
    std::string FCameraSrcName;
};

// ---------------------------------------------------------------------------------------------------------
// Scene objects

// A light with a spot target, a hot spot and a multiplier: moving the light or its target aims the spot.
class TGLFile3DSLight : public TGLLightSource {
public:
    explicit TGLFile3DSLight(TComponent* AOwner);
    ~TGLFile3DSLight() override;

    // The spot direction becomes the unit vector from the position to the target when either changes.
    void CoordinateChanged(TGLCustomCoordinates* Sender) override;
    void DefineProperties(TFiler& Filer) override;

    TGLCoordinates3* SpotTargetPos() const { return FTargetPos.get(); }
    float HotSpot() const { return FHotSpot; }
    void SetHotSpot(float Value) { FHotSpot = Value; }
    float Multipler() const { return FMultipler; }
    void SetMultipler(float Value) { FMultipler = Value; }

private:
    std::unique_ptr<TGLCoordinates3> FTargetPos;
    float FHotSpot = 1;
    float FMultipler = 1;
};

// A camera with a target position.
class TGLFile3DSCamera : public TGLCamera {
public:
    explicit TGLFile3DSCamera(TComponent* AOwner);
    ~TGLFile3DSCamera() override;

    // Also the target position and the roll angle; the roll is read as the angle the direction and up
    // vectors already hold.
    void DefineProperties(TFiler& Filer) override;

    TGLCoordinates3* CameraTargetPos() const { return FTargetPos.get(); }

private:
    std::unique_ptr<TGLCoordinates3> FTargetPos;
};

// A free form that keeps its mesh objects in the component stream ("MeshObjectsData": its reference matrix as 64
// bytes, the three 3DS vectors as 16 bytes each, then the mesh-object list's archive) and draws them in the
// frame of its 3DS rotations and scale, and of its reference matrix. Its transforms are its own: neither its
// surroundings nor its children draw in them.
class TGLFile3DSFreeForm : public TGLFreeForm {
public:
    explicit TGLFile3DSFreeForm(TComponent* AOwner);
    ~TGLFile3DSFreeForm() override;

    void DefineProperties(TFiler& Filer) override;
    // A change of S_Rot3DS, Rot3DS (each an axis and, in W, an angle in radians) or Scale3DS makes the
    // transforms again: the rotation of the two turns' product, the scaling of the scale.
    void CoordinateChanged(TGLCustomCoordinates* Sender) override;
    // From the extents' corners in the reference matrix and the parents' transforms.
    TVector4f BarycenterAbsolutePosition() override;
    TVector4f AxisAlignedDimensionsUnscaled() override;
    // The mesh objects in the 3DS transforms and the reference matrix; then ParentMatrix takes the 3DS
    // transforms on from the parent's.
    void BuildList(TGLRenderContextInfo& rci) override;

    TGLCoordinates4* S_Rot3DS() const { return FS_Rot3DS.get(); }
    TGLCoordinates4* Rot3DS() const { return FRot3DS.get(); }
    TGLCoordinates4* Scale3DS() const { return FScale3DS.get(); }
    const TMatrix4f& RefMat() const { return FRefMat; }
    void SetRefMat(const TMatrix4f& Value) { FRefMat = Value; }
    // The 3DS transforms of this free form and the free forms above it, as the last draw left them.
    const TMatrix4f& ParentMatrix() const { return FParentMatrix; }

private:
    // The corners of the mesh objects' extents (those not infinite) in FRefMat x ParentMatrix.
    void TransformedExtents(TVector3f& min, TVector3f& max);

    TMatrix4f FTransfMat = IdentityHmgMatrix;
    TMatrix4f FScaleMat = IdentityHmgMatrix;
    TMatrix4f FParentMatrix = IdentityHmgMatrix;
    std::unique_ptr<TGLCoordinates4> FS_Rot3DS;
    std::unique_ptr<TGLCoordinates4> FRot3DS;
    std::unique_ptr<TGLCoordinates4> FScale3DS;
    TMatrix4f FRefMat = IdentityHmgMatrix;
};

// An actor that keeps its mesh objects in the component stream ("MeshObjectsData": the mesh-object list's
// archive).
class TGLFile3DSActor : public TGLActor {
public:
    using TGLActor::TGLActor;
    void DefineProperties(TFiler& Filer) override;
};

// Registers the module's node objects and scene objects by name (start-up).
void RegisterGLFile3DSSceneObjects();
