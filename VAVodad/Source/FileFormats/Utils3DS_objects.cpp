// The mesh, light and camera readers: the named objects of the mesh section into records, and the file's
// cache of them.
#include "Utils3DS.h"

#include "Const3DS.h"
#include "Utils3DS_chunks.h"

#include <new>

namespace {

enum TObjectKind { okMesh, okOmniLight, okSpotLight, okCamera };

// The chunk of Tag that a named object holds among its direct children: its mesh, light or camera.
TChunk3DS* ObjectChunk(TChunk3DS* Object, uint16_t Tag)
{
    return Object && Object->Tag == NAMED_OBJECT ? FindChild3DS(Object, Tag) : nullptr;
}

// The same chunk for a reader: an object without one is not of the kind the reader was asked for.
TChunk3DS* RequireObjectChunk(TChunk3DS* Object, uint16_t Tag)
{
    TChunk3DS* chunk = ObjectChunk(Object, Tag);
    if (!chunk) Raise3DSError(c3DSErrWrongObject);
    return chunk;
}

// Counts and readers decide the kind by the same chunks, so a counted object is always readable.
bool IsOfKind(TChunk3DS* Object, TObjectKind Kind)
{
    switch (Kind) {
    case okMesh: return ObjectChunk(Object, N_TRI_OBJECT) != nullptr;
    case okCamera: return ObjectChunk(Object, N_CAMERA) != nullptr;
    case okOmniLight:
    case okSpotLight: break;
    }
    TChunk3DS* light = ObjectChunk(Object, N_DIRECT_LIGHT);
    return light && (FindChunkInTree(light, DL_SPOTLIGHT) != nullptr) == (Kind == okSpotLight);
}

std::string ObjectName(TFile3DS& File, TChunk3DS* Object)
{
    const std::string* name = ChunkValue3DS<std::string>(File, Object);
    return name ? *name : std::string();
}

void UpdateNamedObjectList(TFile3DS& File)
{
    TDatabase3DS& db = File.Database();
    if (!db.ObjListDirty) return;
    RebuildChunkList3DS(db.ObjList, [&](TChunkList3DS& list) {
        TChunk3DS* object = FindChunkInTree(FindChunkInTree(db.TopChunk.get(), MDATA), NAMED_OBJECT);
        for (; object; object = FindChunkInSiblings(object->Sibling.get(), NAMED_OBJECT))
            list.List.push_back({ObjectName(File, object), object});
    });
    db.ObjListDirty = false;
}

int32_t CountObjects(TFile3DS& File, TObjectKind Kind)
{
    UpdateNamedObjectList(File);
    int32_t count = 0;
    for (const TChunkListEntry3DS& entry : File.Database().ObjList->List)
        if (IsOfKind(entry.Chunk, Kind)) ++count;
    return count;
}

// The named object that is the Index-th of its kind; nullptr when there is none.
TChunk3DS* ObjectByIndex(TFile3DS& File, int32_t Index, TObjectKind Kind)
{
    UpdateNamedObjectList(File);
    for (const TChunkListEntry3DS& entry : File.Database().ObjList->List)
        if (IsOfKind(entry.Chunk, Kind) && Index-- == 0) return entry.Chunk;
    return nullptr;
}

template <class T> void SizeArray(std::vector<T>& Array, int64_t Count)
{
    if (Count <= 0)
        std::vector<T>().swap(Array);
    else
        Array.resize(static_cast<size_t>(Count));
}

void ReadFaces(TFile3DS& File, TChunk3DS* Faces, TMesh3DS& Mesh, bool& Smoothed)
{
    TFaceArray faces = TakeChunkValue3DS<TFaceArray>(File, Faces);
    Mesh.NFaces = faces.Faces;
    Mesh.FaceArray = std::move(faces.FaceList);

    Mesh.MatArray.clear();
    TChunk3DS* group = FindChunkInTree(Faces, MSH_MAT_GROUP);
    for (; group; group = FindChunkInSiblings(group->Sibling.get(), MSH_MAT_GROUP)) {
        if (Mesh.MatArray.size() == UINT16_MAX) Raise3DSError(c3DSErrInvalidChunk);
        TMshMatGroup data = TakeChunkValue3DS<TMshMatGroup>(File, group);
        Mesh.MatArray.push_back({std::move(data.MatNameStr), data.Faces, std::move(data.FaceList)});
    }
    Mesh.NMats = static_cast<uint16_t>(Mesh.MatArray.size());

    if (TChunk3DS* smooth = FindChild3DS(Faces, SMOOTH_GROUP)) {
        Mesh.SmoothArray = std::move(TakeChunkValue3DS<TSmoothGroup>(File, smooth).GroupList);
        Smoothed = true;
    }
    if (TChunk3DS* boxmap = FindChild3DS(Faces, MSH_BOXMAP)) {
        auto names = TakeChunkValue3DS<TMshBoxmap>(File, boxmap);
        std::move(names.begin(), names.end(), Mesh.BoxMapStr.begin());
        Mesh.UseBoxMap = true;
    }
}

void ReadTextureInfo(TFile3DS& File, TChunk3DS* Chunk, TMesh3DS& Mesh)
{
    const TMeshTextureInfo info = TakeChunkValue3DS<TMeshTextureInfo>(File, Chunk);
    Mesh.UseMapInfo = true;
    Mesh.Map.MapType = info.MapType;
    Mesh.Map.TileX = info.XTiling;
    Mesh.Map.TileY = info.YTiling;
    Mesh.Map.CenX = info.IconPos.X;
    Mesh.Map.CenY = info.IconPos.Y;
    Mesh.Map.CenZ = info.IconPos.Z;
    Mesh.Map.Scale = info.IconScaling;
    Mesh.Map.Matrix = info.XMatrix;
    Mesh.Map.PW = info.IconWidth;
    Mesh.Map.PH = info.IconHeight;
    Mesh.Map.CH = info.CylIconHeight;
}

// Faces name vertices of the mesh and material groups faces of it; arrays the file leaves short are made
// whole, so that whoever walks the faces reads inside every array.
void CompleteMesh(TMesh3DS& Mesh, bool Smoothed)
{
    for (const TFace3DS& face : Mesh.FaceArray)
        if (face.V1 >= Mesh.NVertices || face.V2 >= Mesh.NVertices || face.V3 >= Mesh.NVertices)
            Raise3DSError(c3DSErrInvalidChunk);
    for (const TObjMat3DS& group : Mesh.MatArray)
        for (uint16_t face : group.FaceIndex)
            if (face >= Mesh.NFaces) Raise3DSError(c3DSErrInvalidChunk);
    uint32_t grow = 0;
    if (Mesh.NTextVerts > 0 && Mesh.NTextVerts < Mesh.NVertices) {
        Mesh.NTextVerts = Mesh.NVertices;
        grow |= cMeshTextArray3DS;
    }
    if (Smoothed) grow |= cMeshSmoothArray3DS;
    AllocMeshArrays(Mesh, grow);
}

struct TObjectFlag {
    uint16_t Tag;
    bool TMesh3DS::*Field;
};

const TObjectFlag cObjectFlags[] = {
    {OBJ_HIDDEN, &TMesh3DS::IsHidden}, {OBJ_VIS_LOFTER, &TMesh3DS::IsvisLofter},
    {OBJ_DOESNT_CAST, &TMesh3DS::IsNoCast}, {OBJ_MATTE, &TMesh3DS::IsMatte},
    {OBJ_FAST, &TMesh3DS::IsFast}, {OBJ_PROCEDURAL, &TMesh3DS::UseProc},
    {OBJ_FROZEN, &TMesh3DS::IsFrozen}, {OBJ_DONT_RCVSHADOW, &TMesh3DS::IsNorcvShad},
};

void ReadSpot(TFile3DS& File, TChunk3DS* Chunk, TSpotLight3DS& Spot)
{
    const TDlSpotlight cone = TakeChunkValue3DS<TDlSpotlight>(File, Chunk);
    Spot.Target = cone.SpotLightTarg;
    Spot.Hotspot = cone.HotspotAngle;
    Spot.FallOff = cone.FalloffAngle;
    for (TChunk3DS* child = Chunk->Children.get(); child; child = child->Sibling.get()) {
        switch (child->Tag) {
        case DL_RAYSHAD: Spot.Shadows.AType = ssUseRayTraceShadow; break;
        case DL_SHADOWED:
        case DL_LOCAL_SHADOW: Spot.Shadows.Cast = true; break;
        case DL_LOCAL_SHADOW2: {
            const TDlLocalShadow2 shadow = TakeChunkValue3DS<TDlLocalShadow2>(File, child);
            Spot.Shadows.Bias = shadow.LocalShadowBias;
            Spot.Shadows.Filter = shadow.LocalShadowFilter;
            Spot.Shadows.MapSize = static_cast<uint16_t>(shadow.LocalShadowMapSize);
            Spot.Shadows.Local = true;
            break;
        }
        case DL_SEE_CONE: Spot.Cone.Show = true; break;
        case DL_SPOT_RECTANGULAR: Spot.Cone.AType = csRectangular; break;
        case DL_SPOT_OVERSHOOT: Spot.Cone.Overshoot = true; break;
        case DL_SPOT_PROJECTOR:
            Spot.Projector.BitmapStr = TakeChunkValue3DS<std::string>(File, child);
            Spot.Projector.Use = true;
            break;
        case DL_SPOT_ROLL: Spot.Roll = TakeChunkValue3DS<float>(File, child); break;
        case DL_SPOT_ASPECT: Spot.Aspect = TakeChunkValue3DS<float>(File, child); break;
        case DL_RAY_BIAS: Spot.Shadows.RayBias = TakeChunkValue3DS<float>(File, child); break;
        default: break;
        }
    }
}

} // namespace

void AllocMeshArrays(TMesh3DS& Mesh, uint32_t Flags)
{
    try {
        if (Flags & cMeshVertexArray3DS) SizeArray(Mesh.VertexArray, Mesh.NVertices);
        if (Flags & cMeshTextArray3DS) SizeArray(Mesh.TextArray, Mesh.NTextVerts);
        if (Flags & cMeshFaceArray3DS) SizeArray(Mesh.FaceArray, Mesh.NFaces);
        if (Flags & cMeshMatArray3DS) SizeArray(Mesh.MatArray, Mesh.NMats);
        if (Flags & cMeshSmoothArray3DS) SizeArray(Mesh.SmoothArray, Mesh.NFaces);
        if (Flags & cMeshProcData3DS) SizeArray(Mesh.ProcData, Mesh.ProcSize);
        if (Flags & cMeshVFlagArray3DS) SizeArray(Mesh.VFlagArray, Mesh.NVertices);
    } catch (const std::bad_alloc&) {
        Raise3DSError(c3DSErrNoMemory);
    }
}

void InitMesh3DS(TMesh3DS& Mesh, uint16_t nVertices, uint16_t nFaces, uint32_t Flags)
{
    Mesh = TMesh3DS{};
    Mesh.NVertices = nVertices;
    Mesh.NFaces = nFaces;
    Mesh.Map.TileX = Mesh.Map.TileY = Mesh.Map.Scale = 1.0f;
    Mesh.Map.Matrix[0] = Mesh.Map.Matrix[4] = 1.0f;
    Mesh.Map.PW = Mesh.Map.PH = Mesh.Map.CH = 1.0f;
    if (Flags & cMeshTextArray3DS) Mesh.NTextVerts = nVertices;
    if (Flags & cMeshVFlagArray3DS) Mesh.NVFlags = nVertices;
    AllocMeshArrays(Mesh, cMeshVertexArray3DS | cMeshFaceArray3DS |
                              (Flags & (cMeshTextArray3DS | cMeshVFlagArray3DS | cMeshSmoothArray3DS)));
}

void InitLight3DS(TLight3DS& Light)
{
    Light = TLight3DS{};
    Light.Color = {0.708852f, 0.708852f, 0.708852f};
    Light.Multiplier = 1.0f;
    Light.Attenuation.Inner = 10.0f;
    Light.Attenuation.Outer = 100.0f;
}

void InitSpotLight3DS(TLight3DS& Light)
{
    InitLight3DS(Light);
    TSpotLight3DS& spot = Light.Spot.emplace();
    spot.Target = {1, 1, 1};
    spot.Hotspot = 44.0f;
    spot.FallOff = 45.0f;
    spot.Aspect = 1.0f;
    spot.Shadows.Bias = 1.0f;
    spot.Shadows.Filter = 3.0f;
    spot.Shadows.MapSize = 512;
    spot.Shadows.RayBias = 1.0f;
}

void InitCamera3DS(TCamera3DS& Camera)
{
    Camera = TCamera3DS{};
    Camera.Target = {1, 1, 1};
    Camera.FOV = 45.0f;
    Camera.Ranges.CamNear = 10.0f;
    Camera.Ranges.CamFar = 1000.0f;
}

int32_t MeshCount3DS(TFile3DS& File)
{
    return CountObjects(File, okMesh);
}

int32_t OmniLightCount3DS(TFile3DS& File)
{
    return CountObjects(File, okOmniLight);
}

int32_t SpotLightCount3DS(TFile3DS& File)
{
    return CountObjects(File, okSpotLight);
}

int32_t CameraCount3DS(TFile3DS& File)
{
    return CountObjects(File, okCamera);
}

void GetMeshByIndex3DS(TFile3DS& File, int32_t Index, TMesh3DS& Mesh)
{
    Mesh = TMesh3DS{};
    CheckDatabase3DS(File, {M3DMAGIC, CMAGIC});
    if (TChunk3DS* object = ObjectByIndex(File, Index, okMesh)) ReadMesh3DS(File, object, Mesh);
}

void GetOmniLightByIndex3DS(TFile3DS& File, int32_t Index, TLight3DS& Light)
{
    Light = TLight3DS{};
    CheckDatabase3DS(File, {M3DMAGIC, CMAGIC});
    if (TChunk3DS* object = ObjectByIndex(File, Index, okOmniLight)) ReadLight3DS(File, object, Light);
}

void GetSpotLightByIndex3DS(TFile3DS& File, int32_t Index, TLight3DS& Light)
{
    Light = TLight3DS{};
    CheckDatabase3DS(File, {M3DMAGIC, CMAGIC});
    if (TChunk3DS* object = ObjectByIndex(File, Index, okSpotLight)) ReadLight3DS(File, object, Light);
}

void GetCameraByIndex3DS(TFile3DS& File, int32_t Index, TCamera3DS& Camera)
{
    Camera = TCamera3DS{};
    if (TChunk3DS* object = ObjectByIndex(File, Index, okCamera)) ReadCamera3DS(File, object, Camera);
}

void ReadMesh3DS(TFile3DS& File, TChunk3DS* Chunk, TMesh3DS& Mesh)
{
    TChunk3DS* mesh = RequireObjectChunk(Chunk, N_TRI_OBJECT);
    InitMesh3DS(Mesh, 0, 0, 0);
    Mesh.NameStr = ObjectName(File, Chunk);
    bool smoothed = false;
    for (TChunk3DS* child = mesh->Children.get(); child; child = child->Sibling.get()) {
        switch (child->Tag) {
        case POINT_ARRAY: {
            TPointArray points = TakeChunkValue3DS<TPointArray>(File, child);
            Mesh.NVertices = points.Vertices;
            Mesh.VertexArray = std::move(points.PointList);
            break;
        }
        case POINT_FLAG_ARRAY: {
            TPointFlagArray flags = TakeChunkValue3DS<TPointFlagArray>(File, child);
            Mesh.NVFlags = flags.Flags;
            Mesh.VFlagArray = std::move(flags.FlagList);
            break;
        }
        case TEX_VERTS: {
            TTexVerts coords = TakeChunkValue3DS<TTexVerts>(File, child);
            Mesh.NTextVerts = coords.NumCoords;
            Mesh.TextArray = std::move(coords.TextVertList);
            break;
        }
        case PROC_DATA: {
            TIpasData data = TakeChunkValue3DS<TIpasData>(File, child);
            Mesh.ProcSize = data.Size;
            Mesh.ProcData = std::move(data.Data);
            break;
        }
        case FACE_ARRAY: ReadFaces(File, child, Mesh, smoothed); break;
        case MESH_MATRIX: Mesh.LocMatrix = TakeChunkValue3DS<TMeshMatrix>(File, child); break;
        case MESH_COLOR: Mesh.MeshColor = TakeChunkValue3DS<uint8_t>(File, child); break;
        case MESH_TEXTURE_INFO: ReadTextureInfo(File, child, Mesh); break;
        case PROC_NAME: Mesh.ProcNameStr = TakeChunkValue3DS<std::string>(File, child); break;
        default: break;
        }
    }
    for (const TObjectFlag& flag : cObjectFlags)
        if (FindChild3DS(Chunk, flag.Tag)) Mesh.*flag.Field = true;
    CompleteMesh(Mesh, smoothed);
}

void ReadLight3DS(TFile3DS& File, TChunk3DS* Chunk, TLight3DS& Light)
{
    TChunk3DS* light = RequireObjectChunk(Chunk, N_DIRECT_LIGHT);
    TChunk3DS* spot = FindChunkInTree(light, DL_SPOTLIGHT);
    if (spot)
        InitSpotLight3DS(Light);
    else
        InitLight3DS(Light);
    Light.NameStr = ObjectName(File, Chunk);
    Light.Pos = TakeChunkValue3DS<TPoint3DS>(File, light);
    for (TChunk3DS* child = light->Children.get(); child; child = child->Sibling.get()) {
        switch (child->Tag) {
        case COLOR_F: Light.Color = ColorOf3DS(TakeChunkValue3DS<TColorF>(File, child)); break;
        case COLOR_24: Light.Color = ColorOf3DS(TakeChunkValue3DS<TColor24>(File, child)); break;
        case DL_OFF: Light.DLOff = true; break;
        case DL_ATTENUATE: Light.Attenuation.IsOn = true; break;
        case DL_EXCLUDE: Light.Exclude.push_back(TakeChunkValue3DS<std::string>(File, child)); break;
        case DL_INNER_RANGE: Light.Attenuation.Inner = TakeChunkValue3DS<float>(File, child); break;
        case DL_OUTER_RANGE: Light.Attenuation.Outer = TakeChunkValue3DS<float>(File, child); break;
        case DL_MULTIPLIER: Light.Multiplier = TakeChunkValue3DS<float>(File, child); break;
        default: break;
        }
    }
    if (spot) ReadSpot(File, spot, *Light.Spot);
}

void ReadCamera3DS(TFile3DS& File, TChunk3DS* Chunk, TCamera3DS& Camera)
{
    TChunk3DS* camera = RequireObjectChunk(Chunk, N_CAMERA);
    InitCamera3DS(Camera);
    Camera.NameStr = ObjectName(File, Chunk);
    const TNCamera data = TakeChunkValue3DS<TNCamera>(File, camera);
    Camera.Position = data.CameraPos;
    Camera.Target = data.TargetPos;
    Camera.Roll = data.CameraBank;
    // A lens without a focal length keeps the default field of view.
    if (data.CameraFocalLength > 0) Camera.FOV = 2400.0f / data.CameraFocalLength;
    for (TChunk3DS* child = camera->Children.get(); child; child = child->Sibling.get()) {
        if (child->Tag == CAM_SEE_CONE) {
            Camera.ShowCone = true;
        } else if (child->Tag == CAM_RANGES) {
            const TCamRanges ranges = TakeChunkValue3DS<TCamRanges>(File, child);
            Camera.Ranges.CamNear = ranges.NearPlane;
            Camera.Ranges.CamFar = ranges.FarPlane;
        }
    }
}

Utils3DS::TObjectList::TObjectList(TFile3DS* AOwner)
    : FMeshList(AOwner, MeshCount3DS, GetMeshByIndex3DS),
      FOmniList(AOwner, OmniLightCount3DS, GetOmniLightByIndex3DS),
      FSpotList(AOwner, SpotLightCount3DS, GetSpotLightByIndex3DS),
      FCameraList(AOwner, CameraCount3DS, GetCameraByIndex3DS)
{
}

void Utils3DS::TObjectList::ClearLists()
{
    FMeshList.Clear();
    FOmniList.Clear();
    FSpotList.Clear();
    FCameraList.Clear();
}
