// The base mesh scene object (loading and saving through the format registry, auto scaling and centring,
// caches, drawing, ray casts and silhouettes), the free form with its octree queries, and the "glsm" mesh
// archive.
#include "GLVectorFileObjects.h"

#include "GLMaterial.h"
#include "GLMeshConnectivity.h"
#include "GLOctree.h"
#include "GLSilhouette.h"
#include "GLState.h"
#include "GLVectorGeometry.h"
#include "RandomGenerator.h"
#include "Streams.h"
#include "SysUtils.h"
#include "VAVodad_streaming.h"
#include "XOpenGL.h"

#include <limits>

namespace {

// Moves every mesh object of source to the end of destination, which then owns it.
void MoveMeshObjects(TGLMeshObjectList& source, TGLMeshObjectList& destination)
{
    for (int32_t i = 0; i < source.Count(); ++i) {
        TGLMeshObject* meshObject = source.Items(i);
        meshObject->SetOwner(&destination);
        destination.TPersistentObjectList::Add(meshObject);
    }
    source.TPersistentObjectList::Clear();
}

// The mesh objects and the skeleton of a mesh put aside while a file is read into it, and given back when the
// read fails.
class TMeshContentsAside {
public:
    TMeshContentsAside(TGLMeshObjectList& meshObjects, std::unique_ptr<TGLSkeleton, TFreeDeleter>& skeleton,
                       TGLBaseMesh* mesh)
        : FMeshObjects(meshObjects), FSkeleton(skeleton), FAside(mesh)
    {
        MoveMeshObjects(FMeshObjects, FAside);
        FAsideSkeleton.reset(new TGLSkeleton(mesh));
        FSkeleton.swap(FAsideSkeleton);
    }

    // What the failed read made goes, what was there comes back.
    void GiveBack()
    {
        FMeshObjects.Clear();
        MoveMeshObjects(FAside, FMeshObjects);
        FSkeleton.swap(FAsideSkeleton);
    }

private:
    TGLMeshObjectList& FMeshObjects;
    std::unique_ptr<TGLSkeleton, TFreeDeleter>& FSkeleton;
    TGLMeshObjectList FAside;
    std::unique_ptr<TGLSkeleton, TFreeDeleter> FAsideSkeleton;
};

const char* const cNoOctree = "Octree must have been prepared and setup before use.";

inline constexpr TEnumNames<2> cNormalsOrientationNames{"mnoDefault", "mnoInvert"};
inline constexpr TEnumNames<5> cAutoCenteringNames{"macCenterX", "macCenterY", "macCenterZ", "macUseBarycenter",
                                                   "macRestorePosition"};

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLBaseMesh: creation, settings

TGLBaseMesh::TGLBaseMesh(TComponent* AOwner)
    : TVAVodadObject(AOwner),
      FAxisAlignedDimensionsCache{{{-1, 0, 0, 0}}},
      FAutoScaling(std::make_unique<TGLCoordinates3>(this, TVector4f{{{1, 1, 1, 1}}}, CsPoint)),
      FMeshObjects(new TGLMeshObjectList(this)),
      FSkeleton(new TGLSkeleton(this))
{
}

TGLBaseMesh::~TGLBaseMesh()
{
    FConnectivity.reset();
    DropMaterialLibraryCache();
}

void TGLBaseMesh::Assign(TPersistent* Source)
{
    if (auto* source = dynamic_cast<TGLBaseMesh*>(Source); source && source != this) {
        FSkeleton->Clear();
        FNormalsOrientation = source->FNormalsOrientation;
        SetMaterialLibrary(source->FMaterialLibrary);
        SetLightmapLibrary(source->FLightmapLibrary);
        FAxisAlignedDimensionsCache = source->FAxisAlignedDimensionsCache;
        FBaryCenterOffset = source->FBaryCenterOffset;
        FBaryCenterOffsetChanged = source->FBaryCenterOffsetChanged;
        FUseMeshMaterials = source->FUseMeshMaterials;
        FOverlaySkeleton = source->FOverlaySkeleton;
        FIgnoreMissingTextures = source->FIgnoreMissingTextures;
        FAutoCentering = source->FAutoCentering;
        FAutoScaling->Assign(source->FAutoScaling.get());
        FSkeleton->Assign(source->FSkeleton.get());
        FSkeleton->RootBones()->PrepareGlobalMatrices();
        DropMaterialLibraryCache();
        FConnectivity.reset();
        FMeshObjects->Assign(source->FMeshObjects.get());
    }
    TVAVodadObject::Assign(Source);
}

void TGLBaseMesh::ChangeLibrary(TGLMaterialLibrary*& field, TGLMaterialLibrary* Value)
{
    if (field) {
        DestroyHandle();
        field->RemoveFreeNotification(this);
    }
    field = Value;
    if (field) field->FreeNotification(this);
    StructureChanged();
}

void TGLBaseMesh::SetMaterialLibrary(TGLMaterialLibrary* Value)
{
    if (Value == FMaterialLibrary) return;
    // The face groups' cached materials belong to the old library.
    DropMaterialLibraryCache();
    ChangeLibrary(FMaterialLibrary, Value);
}

void TGLBaseMesh::SetLightmapLibrary(TGLMaterialLibrary* Value)
{
    if (Value != FLightmapLibrary) ChangeLibrary(FLightmapLibrary, Value);
}

void TGLBaseMesh::Notification(TComponent* AComponent, TOperation Operation)
{
    // A dying library is forgotten without touching its handles or its notification list, which it is walking.
    if (Operation == opRemove) {
        if (AComponent == FMaterialLibrary) {
            DropMaterialLibraryCache();
            FMaterialLibrary = nullptr;
            StructureChanged();
        } else if (AComponent == FLightmapLibrary) {
            FLightmapLibrary = nullptr;
            StructureChanged();
        }
    }
    TVAVodadObject::Notification(AComponent, Operation);
}

void TGLBaseMesh::SetNormalsOrientation(TMeshNormalsOrientation Value)
{
    if (Value == FNormalsOrientation) return;
    FNormalsOrientation = Value;
    StructureChanged();
}

void TGLBaseMesh::SetUseMeshMaterials(bool Value)
{
    if (Value == FUseMeshMaterials) return;
    FUseMeshMaterials = Value;
    if (!Value) DropMaterialLibraryCache();
    StructureChanged();
}

void TGLBaseMesh::SetOverlaySkeleton(bool Value)
{
    if (Value == FOverlaySkeleton) return;
    FOverlaySkeleton = Value;
    NotifyChange(this);
}

void TGLBaseMesh::SetAutoScaling(TGLCoordinates3* Value)
{
    FAutoScaling->Assign(Value);
}

void TGLBaseMesh::DefineMeshProperties(TFiler& Filer)
{
    DefineSetProperty<TMeshAutoCentering>(Filer, "AutoCentering", cAutoCenteringNames, FAutoCentering, {},
                                          [this](TMeshAutoCenterings v) { SetAutoCentering(v); });
    DefineNestedProperties(Filer, "AutoScaling", *FAutoScaling);
    DefineBooleanProperty(Filer, "UseMeshMaterials", FUseMeshMaterials, true,
                          [this](bool v) { SetUseMeshMaterials(v); });
    DefineEnumProperty<TMeshNormalsOrientation>(Filer, "NormalsOrientation", cNormalsOrientationNames,
                                                FNormalsOrientation, mnoDefault,
                                                [this](TMeshNormalsOrientation v) { SetNormalsOrientation(v); });
}

// ---------------------------------------------------------------------------------------------------------
// Loading and saving

std::unique_ptr<TGLVectorFile, TFreeDeleter> TGLBaseMesh::NewVectorFile(const TGLVectorFileClass& fileClass,
                                                                        const std::string& fileName)
{
    std::unique_ptr<TGLVectorFile, TFreeDeleter> file(fileClass.Create(this));
    file->SetResourceName(fileName);
    PrepareVectorFile(file.get());
    return file;
}

void TGLBaseMesh::ReadVectorFile(const TGLVectorFileClass& fileClass, const std::string& fileName, TStream& aStream)
{
    const std::unique_ptr<TGLVectorFile, TFreeDeleter> file = NewVectorFile(fileClass, fileName);
    IVAVodadScene* const scene = Scene();
    if (scene) scene->BeginUpdate();
    TryFinally([&] { file->LoadFromStream(aStream); },
               [scene] {
                   if (scene) scene->EndUpdate();
               });
}

void TGLBaseMesh::LoadFromFile(const std::string& fileName)
{
    FLastLoadedFilename.clear();
    if (fileName.empty()) return;
    const std::unique_ptr<TStream> stream = CreateHookedFileStream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(fileName, *stream);
    FLastLoadedFilename = fileName;
}

void TGLBaseMesh::LoadFromStream(const std::string& fileName, TStream& aStream)
{
    FLastLoadedFilename.clear();
    if (fileName.empty()) return;
    // Looked up before anything changes, so an unknown extension leaves the mesh as it was.
    const TGLVectorFileClass& fileClass = GetVectorFileFormats().FindFromFileName(fileName);
    TMeshContentsAside aside(*FMeshObjects, FSkeleton, this);
    try {
        ReadVectorFile(fileClass, fileName, aStream);
    } catch (...) {
        aside.GiveBack();
        throw;
    }
    // A kept connectivity shares the vertex lists of the mesh objects that are about to go.
    FConnectivity.reset();
    FLastLoadedFilename = fileName;
    PerformAutoScaling();
    PerformAutoCentering();
    PrepareMesh();
}

void TGLBaseMesh::AddDataFromFile(const std::string& fileName)
{
    if (fileName.empty()) return;
    const std::unique_ptr<TStream> stream = CreateHookedFileStream(fileName, fmOpenRead | fmShareDenyWrite);
    AddDataFromStream(fileName, *stream);
}

void TGLBaseMesh::AddDataFromStream(const std::string& fileName, TStream& aStream)
{
    if (fileName.empty()) return;
    const TGLVectorFileClass& fileClass = GetVectorFileFormats().FindFromFileName(fileName);
    const int32_t oldCount = FMeshObjects->Count();
    try {
        ReadVectorFile(fileClass, fileName, aStream);
    } catch (...) {
        // The mesh objects the failed read added go; those there were stay.
        while (FMeshObjects->Count() > oldCount) Free(FMeshObjects->Items(FMeshObjects->Count() - 1));
        throw;
    }
    PrepareMesh();
}

void TGLBaseMesh::SaveToFile(const std::string& fileName)
{
    if (fileName.empty()) return;
    SaveHookedFile(fileName, [&](TStream& stream) { SaveToStream(fileName, stream); });
}

void TGLBaseMesh::SaveToStream(const std::string& fileName, TStream& aStream)
{
    if (fileName.empty()) return;
    NewVectorFile(GetVectorFileFormats().FindFromFileName(fileName), fileName)->SaveToStream(aStream);
}

void TGLBaseMesh::PrepareVectorFile(TGLVectorFile* aFile)
{
    aFile->SetNormalsOrientation(FNormalsOrientation);
}

void TGLBaseMesh::PerformAutoScaling()
{
    const TVector4f& scale = FAutoScaling->AsVector();
    if (scale.X == 1 && scale.Y == 1 && scale.Z == 1) return;
    const TVector3f factors{{{scale.X, scale.Y, scale.Z}}};
    for (int32_t i = 0; i < FMeshObjects->Count(); ++i) FMeshObjects->Items(i)->Vertices()->Scale(factors);
}

void TGLBaseMesh::PerformAutoCentering()
{
    // Nothing to move: the vertices stay bit for bit (adding 0 would turn -0 into 0).
    if (FAutoCentering.Empty()) return;
    TVector3f delta{};
    if (FAutoCentering.Contains(macUseBarycenter)) {
        delta = GetBarycenter();
        AffineNegateInPlace(delta);
    } else {
        TVector3f min, max;
        GetExtents(min, max);
        static constexpr TMeshAutoCentering cAxes[3] = {macCenterX, macCenterY, macCenterZ};
        // An axis without vertices (infinite extents) has no centre to move to.
        for (int k = 0; k < 3; ++k)
            if (FAutoCentering.Contains(cAxes[k]) && min.V[k] <= max.V[k]) delta.V[k] = -(min.V[k] + max.V[k]) / 2;
    }
    FMeshObjects->Translate(delta);
    if (FAutoCentering.Contains(macRestorePosition)) {
        AffineNegateInPlace(delta);
        Position()->Translate(delta);
    }
}

void TGLBaseMesh::PrepareMesh()
{
    StructureChanged();
}

void TGLBaseMesh::StructureChanged()
{
    FAxisAlignedDimensionsCache.X = -1;
    FBaryCenterOffsetChanged = true;
    DropMaterialLibraryCache();
    FMeshObjects->Prepare();
    TVAVodadObject::StructureChanged();
}

// ---------------------------------------------------------------------------------------------------------
// Geometry queries

void TGLBaseMesh::GetExtents(TVector3f& min, TVector3f& max)
{
    const float inf = std::numeric_limits<float>::infinity();
    min = TVector3f{{{inf, inf, inf}}};
    max = TVector3f{{{-inf, -inf, -inf}}};
    for (int32_t i = 0; i < FMeshObjects->Count(); ++i) {
        TVector3f itemMin, itemMax;
        FMeshObjects->Items(i)->GetExtents(itemMin, itemMax);
        for (int k = 0; k < 3; ++k) {
            if (itemMin.V[k] < min.V[k]) min.V[k] = itemMin.V[k];
            if (itemMax.V[k] > max.V[k]) max.V[k] = itemMax.V[k];
        }
    }
}

TVector3f TGLBaseMesh::GetBarycenter()
{
    TVector3f sum{};
    int32_t count = 0;
    for (int32_t i = 0; i < FMeshObjects->Count(); ++i) FMeshObjects->Items(i)->AccumulateBarycenter(sum, count);
    if (count > 0) AffineScaleInPlace(sum, 1.0f / static_cast<float>(count));
    return sum;
}

TVector4f TGLBaseMesh::AxisAlignedDimensionsUnscaled()
{
    if (FAxisAlignedDimensionsCache.X < 0) {
        TVector3f min, max;
        GetExtents(min, max);
        FAxisAlignedDimensionsCache = TVector4f{{{(max.X - min.X) / 2, (max.Y - min.Y) / 2, (max.Z - min.Z) / 2, 0}}};
    }
    return FAxisAlignedDimensionsCache;
}

TVector4f TGLBaseMesh::BarycenterOffset()
{
    if (FBaryCenterOffsetChanged) {
        TVector3f min, max;
        FMeshObjects->GetExtents(min, max);
        FBaryCenterOffset = TVector4f{{{(min.X + max.X) / 2, (min.Y + max.Y) / 2, (min.Z + max.Z) / 2, 0}}};
        FBaryCenterOffsetChanged = false;
    }
    return FBaryCenterOffset;
}

TVector4f TGLBaseMesh::BarycenterPosition()
{
    TVector4f result;
    HmgAdd(Position()->AsVector(), BarycenterOffset(), result);
    return result;
}

TVector4f TGLBaseMesh::BarycenterAbsolutePosition()
{
    // The offset is in the mesh's own space, which the absolute matrix (the position included) maps.
    TVector4f centre = BarycenterOffset();
    centre.W = 1;
    return LocalToAbsolute(centre);
}

bool TGLBaseMesh::RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint,
                                   TVector4f* intersectNormal)
{
    const std::unique_ptr<TAffineVectorList> triangles = FMeshObjects->ExtractTriangles();
    const TVector4f localStart = AbsoluteToLocal(rayStart);
    const TVector4f localVector = AbsoluteToLocal(rayVector);
    const TVector3f* corners = triangles->List();
    double best = -1;
    TVector4f bestPoint{}, bestNormal{};
    for (int32_t i = 0; i + 2 < triangles->Count(); i += 3) {
        TVector4f point, normal;
        if (!RayIntersectTriangle(localStart, localVector, corners[i], corners[i + 1], corners[i + 2], &point,
                                  &normal))
            continue;
        const double d = HmgDistanceSquared(localStart, point);
        if (best < 0 || d < best) {
            best = d;
            bestPoint = point;
            bestNormal = normal;
        }
    }
    if (best < 0) return false;
    if (intersectPoint) *intersectPoint = LocalToAbsolute(bestPoint);
    if (intersectNormal) {
        *intersectNormal = LocalToAbsolute(bestNormal);
        if (FNormalsOrientation == mnoInvert) HmgNegateInPlace(*intersectNormal);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// Silhouettes

std::unique_ptr<TGLSilhouette> TGLBaseMesh::GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters)
{
    TGLSilhouette* result = nullptr;
    if (FConnectivity) {
        FConnectivity->CreateSilhouette(silhouetteParameters, result, true);
    } else {
        TGLBaseMeshConnectivity connectivity(this);
        connectivity.CreateSilhouette(silhouetteParameters, result, true);
    }
    return std::unique_ptr<TGLSilhouette>(result);
}

void TGLBaseMesh::BuildSilhouetteConnectivityData()
{
    FConnectivity.reset();
    for (int32_t i = 0; i < FMeshObjects->Count(); ++i) {
        TGLMeshObject* meshObject = FMeshObjects->Items(i);
        if (meshObject->Mode() != momFaceGroups) return;
        TGLFaceGroups* groups = meshObject->FaceGroups();
        for (int32_t g = 0; g < groups->Count(); ++g)
            if (!dynamic_cast<TFGVertexIndexList*>(groups->Items(g))) return;
    }
    FConnectivity = std::make_unique<TGLBaseMeshConnectivity>(this);
}

// ---------------------------------------------------------------------------------------------------------
// Drawing

void TGLBaseMesh::PrepareMaterialLibraryCache()
{
    DropMaterialLibraryCache();
    FMeshObjects->PrepareMaterialLibraryCache(FMaterialLibrary);
    FMaterialLibraryCachesPrepared = true;
}

void TGLBaseMesh::DropMaterialLibraryCache()
{
    // Also when this mesh did not prepare them: a face group must never keep a material of a library that
    // changed or died.
    FMeshObjects->DropMaterialLibraryCache();
    FMaterialLibraryCachesPrepared = false;
}

void TGLBaseMesh::PrepareBuildList(TGLRenderContextInfo& rci)
{
    FMeshObjects->PrepareBuildList(rci);
    if (FLightmapLibrary) FLightmapLibrary->Materials()->PrepareBuildList();
}

void TGLBaseMesh::BuildList(TGLRenderContextInfo& rci)
{
    FMeshObjects->BuildList(rci);
}

void TGLBaseMesh::DestroyHandle()
{
    if (FMaterialLibrary) FMaterialLibrary->DestroyHandles();
    if (FLightmapLibrary) FLightmapLibrary->DestroyHandles();
    TVAVodadObject::DestroyHandle();
}

void TGLBaseMesh::DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren)
{
    // Texture unit 1 carries the lightmaps while the mesh draws.
    TGLMultitextureCoordinator* const lightmapUnit = FLightmapLibrary ? GetCurrentMultitextureCoordinator() : nullptr;
    if (lightmapUnit) lightmapUnit->ForbidSecondTextureUnit();
    const auto drawSelf = [&] {
        const bool inverted = FNormalsOrientation == mnoInvert;
        if (inverted) rci.GLStates->InvertGLFrontFace();
        const bool directDraw = ObjectStyle().Contains(osDirectDraw) || rci.amalgamating;
        TryFinally(
            [&] {
                if (rci.ignoreMaterials) {
                    BuildOrCallList(rci);
                    return;
                }
                TGLMaterialLibrary* library = FUseMeshMaterials ? FMaterialLibrary : nullptr;
                if (library && !FMaterialLibraryCachesPrepared) PrepareMaterialLibraryCache();
                const TScopedValue<TObject*> materialLibrary(rci.materialLibrary, library);
                const TScopedValue<TObject*> lightmapLibrary(rci.lightmapLibrary, FLightmapLibrary);
                if (rci.amalgamating || (!ListHandleAllocated() && !directDraw)) PrepareBuildList(rci);
                Material()->Apply(rci);
                do {
                    if (directDraw || FUseMeshMaterials)
                        BuildList(rci);
                    else
                        rci.GLStates->CallList(GetHandle(rci));
                } while (Material()->UnApply(rci));
            },
            [&] {
                if (inverted) rci.GLStates->InvertGLFrontFace();
            });
    };
    TryFinally(
        [&] {
            if (renderSelf) drawSelf();
        },
        [lightmapUnit] {
            if (lightmapUnit) lightmapUnit->AllowSecondTextureUnit();
        });
    if (renderChildren && Count() > 0) RenderChildren(0, Count() - 1, rci);
}

// ---------------------------------------------------------------------------------------------------------
// TGLFreeForm

TGLFreeForm::TGLFreeForm(TComponent* AOwner) : TGLBaseMesh(AOwner)
{
    SetUseMeshMaterials(true);
}

TGLFreeForm::~TGLFreeForm() = default;

void TGLFreeForm::DefineProperties(TFiler& Filer)
{
    TGLBaseMesh::DefineProperties(Filer);
    DefineMeshProperties(Filer);
}

void TGLFreeForm::BuildOctree(int32_t TreeDepth)
{
    if (!FOctree) FOctree = std::make_unique<TOctree>();
    TVector3f min, max;
    GetExtents(min, max);
    const std::unique_ptr<TAffineVectorList> triangles = MeshObjects()->ExtractTriangles();
    FOctree->DisposeTree();
    FOctree->InitializeTree(min, max, triangles.get(), TreeDepth);
}

TOctree& TGLFreeForm::BuiltOctree() const
{
    Assert(FOctree != nullptr, cNoOctree, cGLVectorFileObjectsUnit);
    return *FOctree;
}

void TGLFreeForm::HitToAbsolute(TVector4f* intersectPoint, TVector4f* intersectNormal)
{
    if (intersectPoint) *intersectPoint = LocalToAbsolute(*intersectPoint);
    if (intersectNormal) {
        *intersectNormal = LocalToAbsolute(*intersectNormal);
        if (NormalsOrientation() == mnoInvert) HmgNegateInPlace(*intersectNormal);
    }
}

bool TGLFreeForm::OctreeRayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector,
                                         TVector4f* intersectPoint, TVector4f* intersectNormal)
{
    TOctree& octree = BuiltOctree();
    if (!octree.RayCastIntersect(AbsoluteToLocal(rayStart), AbsoluteToLocal(rayVector), intersectPoint,
                                 intersectNormal))
        return false;
    HitToAbsolute(intersectPoint, intersectNormal);
    return true;
}

bool TGLFreeForm::OctreeSphereSweepIntersect(const TVector4f& rayStart, const TVector4f& rayVector, float velocity,
                                             float radius, TVector4f* intersectPoint, TVector4f* intersectNormal)
{
    TOctree& octree = BuiltOctree();
    if (!octree.SphereSweepIntersect(AbsoluteToLocal(rayStart), AbsoluteToLocal(rayVector), velocity, radius,
                                     intersectPoint, intersectNormal))
        return false;
    HitToAbsolute(intersectPoint, intersectNormal);
    return true;
}

bool TGLFreeForm::OctreeTriangleIntersect(const TVector3f& v1, const TVector3f& v2, const TVector3f& v3)
{
    TOctree& octree = BuiltOctree();
    return octree.TriangleIntersect(AbsoluteToLocal(v1), AbsoluteToLocal(v2), AbsoluteToLocal(v3));
}

bool TGLFreeForm::OctreeAABBIntersect(const TAABB& AABB, const TMatrix4f& objMatrix, const TMatrix4f& invObjMatrix,
                                      TAffineVectorList* triangles)
{
    TOctree& octree = BuiltOctree();
    TMatrix4f m1To2, m2To1;
    MatrixProduct(objMatrix, InvAbsoluteMatrix(), m1To2);
    MatrixProduct(AbsoluteMatrix(), invObjMatrix, m2To1);
    return octree.AABBIntersect(AABB, m1To2, m2To1, triangles);
}

bool TGLFreeForm::OctreePointInMesh(const TVector4f& point)
{
    const TOctree& octree = BuiltOctree();
    // Within the mesh's own extents: the scene object's box test assumes a mesh centred on its origin.
    TVector3f min, max;
    GetExtents(min, max);
    const TVector4f local = AbsoluteToLocal(point);
    for (int k = 0; k < 3; ++k)
        if (!(local.V[k] >= min.V[k] && local.V[k] <= max.V[k])) return false;

    const float r = BoundingSphereRadius();
    TVector4f dir{};
    for (int k = 0; k < 3; ++k) dir.V[k] = static_cast<float>(Random() * 2 - 1);
    const float dirLength = static_cast<float>(HmgLength(dir));
    if (dirLength == 0) return false;
    // The ray starts a whole box diagonal (2 r) before the point, so outside the mesh whatever the direction.
    TVector4f rayStart = point;
    HmgAddScaledInPlace(rayStart, dir, -2 * r / dirLength);
    // Each crossing moves the start past a triangle; a walk that meets more crossings than the mesh has
    // triangles (twice, for shared edges) is going nowhere.
    int32_t count = 0;
    for (int32_t steps = 2 * octree.TriCountMesh + 2; steps > 0; --steps) {
        TVector4f hitPoint, hitNormal;
        if (!OctreeRayCastIntersect(rayStart, dir, &hitPoint, &hitNormal)) return false;
        TVector4f toPoint;
        HmgSubtract(point, hitPoint, toPoint);
        if (HmgDot(toPoint, dir) < 0) return count > 0;
        const double n = HmgDot(hitNormal, dir);
        if (n < 0)
            ++count;
        else if (n > 0)
            --count;
        rayStart = hitPoint;
        HmgAddScaledInPlace(rayStart, dir, r / 10000);
    }
    return false;
}

// ---------------------------------------------------------------------------------------------------------
// TGLGLSMVectorFile

void TGLGLSMVectorFile::LoadFromStream(TStream& aStream)
{
    // Read whole into a list of the same mesh (skinned mesh objects find its skeleton) before any is handed
    // over: a broken archive adds nothing, and adding to a mesh keeps what it holds.
    TGLMeshObjectList loaded(Owner());
    loaded.LoadFromStream(&aStream);
    MoveMeshObjects(loaded, *Owner()->MeshObjects());
}

void TGLGLSMVectorFile::SaveToStream(TStream& aStream)
{
    Owner()->MeshObjects()->SaveToStream(&aStream);
}
