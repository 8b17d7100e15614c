// 3DS files into base meshes: geometry split by smoothing groups, face groups by material, library materials
// and the node objects of the keyframer, lights and cameras.
#include "GLFile3DS.h"

#include "File3DS.h"
#include "GLFile3DSSceneObjects.h"
#include "GLMaterial.h"
#include "GLTexture.h"
#include "GLVectorGeometry.h"
#include "GLVectorGeometryMatrices.h"
#include "Streams.h"
#include "Utils3DS.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

// Indices are 16-bit: splitting stops making copies at this many vertices.
constexpr int32_t cMaxVertices = 65535;
// Every mesh, motion, light and camera node gets one empty morph target per frame of the keyframer's segment,
// a few hundred bytes of memory each however little of the file the node takes. The nodes of a file together
// get up to this many per byte of the file, and up to cMinMorphTargetBudget in any file (long animations of
// many nodes in a small file); a file that asks for more than that cannot be what it claims and is refused.
constexpr int64_t cMorphTargetsPerFileByte = 4;
constexpr int64_t cMinMorphTargetBudget = int64_t{1} << 18;

// A mesh after splitting: per-vertex lists (texture coordinates only when the mesh has them) and three corners
// per face, which name the split vertices.
struct TSplitMesh {
    std::vector<TVector3f> Vertices;
    std::vector<TVector3f> Normals;
    std::vector<TVector3f> TexCoords;
    std::vector<int32_t> Corners;
};

TVector3f AsVector(const TPoint3DS& p)
{
    return {{{p.X, p.Y, p.Z}}};
}

// The face's normal, not normalised: (c - b) x (a - b), the other way round for inverted meshes.
TVector3f FaceNormal(const TMesh3DS& mesh, const TFace3DS& face, bool inverted)
{
    TVector3f a, c, n;
    const TVector3f b = AsVector(mesh.VertexArray[face.V2]);
    AffineSubtract(AsVector(mesh.VertexArray[face.V1]), b, a);
    AffineSubtract(AsVector(mesh.VertexArray[face.V3]), b, c);
    if (inverted)
        AffineCross(a, c, n);
    else
        AffineCross(c, a, n);
    return n;
}

// The vertex that carries each smoothing group's normal at a file vertex: a bit per group that has one, and the
// pairs of each file vertex chained from it. A file vertex has at most 32 pairs, so a look-up takes bounded
// time; copies are never named by a face, so only the file's vertices need entries.
class TGroupVertices {
public:
    explicit TGroupVertices(int32_t vertices) : FGroups(vertices, 0), FFirst(vertices, -1) {}

    // The vertex of group at vertex k; -1 when there is none yet.
    int32_t Find(int32_t k, int group) const
    {
        if (!(FGroups[k] >> group & 1)) return -1;
        int32_t link = FFirst[k];
        while (FLinks[link].Group != group) link = FLinks[link].Next;
        return FLinks[link].Vertex;
    }
    void Add(int32_t k, int group, int32_t vertex)
    {
        FGroups[k] |= 1u << group;
        FLinks.push_back({vertex, FFirst[k], static_cast<uint8_t>(group)});
        FFirst[k] = static_cast<int32_t>(FLinks.size()) - 1;
    }

private:
    struct TLink {
        int32_t Vertex;
        int32_t Next;
        uint8_t Group;
    };
    std::vector<uint32_t> FGroups;
    std::vector<int32_t> FFirst;
    std::vector<TLink> FLinks;
};

// Gives every corner the vertex that carries its face's normal. A vertex is shared by the faces whose lowest
// smoothing group is the same, and by no face without a group (or in a mesh without smoothing groups): each
// of those gets copies of its own. Each corner is resolved in bounded time.
void SplitVertices(const TMesh3DS& mesh, bool inverted, TSplitMesh& split)
{
    const int32_t count = mesh.NVertices;
    // Copies come one per corner at the most, and stop at the last 16-bit index.
    const size_t most = std::min<size_t>(cMaxVertices, count + 3 * size_t(mesh.NFaces));
    split.Vertices.clear();
    split.Vertices.reserve(most);
    for (int32_t i = 0; i < count; ++i) split.Vertices.push_back(AsVector(mesh.VertexArray[i]));
    split.Normals.reserve(most);
    split.Normals.assign(count, TVector3f{});
    split.TexCoords.clear();
    if (mesh.NTextVerts > 0) {
        split.TexCoords.reserve(most);
        // The reader makes the texture vertices at least as many as the vertices.
        for (int32_t i = 0; i < count; ++i)
            split.TexCoords.push_back({{{mesh.TextArray[i].U, mesh.TextArray[i].V, 0}}});
    }
    split.Corners.resize(3 * static_cast<size_t>(mesh.NFaces));

    const bool smoothed = !mesh.SmoothArray.empty();
    std::vector<uint8_t> used(count, 0);
    TGroupVertices groupVertices(smoothed ? count : 0);
    const auto copyOf = [&](int32_t k, const TVector3f& normal) {
        const auto copy = static_cast<int32_t>(split.Vertices.size());
        split.Vertices.push_back(split.Vertices[k]);
        split.Normals.push_back(normal);
        if (!split.TexCoords.empty()) split.TexCoords.push_back(split.TexCoords[k]);
        return copy;
    };

    for (size_t f = 0; f < mesh.NFaces; ++f) {
        const TFace3DS& face = mesh.FaceArray[f];
        const TVector3f normal = FaceNormal(mesh, face, inverted);
        const uint32_t mask = f < mesh.SmoothArray.size() ? mesh.SmoothArray[f] : 0;
        const int group = mask ? std::countr_zero(mask) : 0;
        const uint16_t corners[3] = {face.V1, face.V2, face.V3};
        for (int c = 0; c < 3; ++c) {
            const int32_t k = corners[c];
            int32_t target = k;
            const bool room = static_cast<int32_t>(split.Vertices.size()) < cMaxVertices;
            if (!used[k]) {
                used[k] = 1;
                split.Normals[k] = normal;
                if (mask) groupVertices.Add(k, group, k);
            } else if (!mask) {
                if (room)
                    target = copyOf(k, normal);
                else if (!smoothed)
                    split.Normals[k] = normal;
            } else if (const int32_t shared = groupVertices.Find(k, group); shared >= 0) {
                AffineAddInPlace(split.Normals[shared], normal);
                target = shared;
            } else if (room) {
                target = copyOf(k, normal);
                groupVertices.Add(k, group, target);
            }
            split.Corners[3 * f + c] = target;
        }
    }
    for (TVector3f& normal : split.Normals) AffineNormalizeInPlace(normal);
}

void FillList(TAffineVectorList& list, const std::vector<TVector3f>& items)
{
    list.SetCount(static_cast<int32_t>(items.size()));
    std::copy(items.begin(), items.end(), list.List());
}

// The mesh's local frame inverted: the reference transform that brings its vertices, which the file stores in
// world space, back into the mesh's own space. A mirrored frame is turned half about Y.
TMatrix4f InvertedLocalMatrix(const TMesh3DS& mesh)
{
    const TMeshMatrix& m = mesh.LocMatrix;
    TMatrix4f result = {{{{{{m[0], m[1], m[2], 0}}}, {{{m[3], m[4], m[5], 0}}}, {{{m[6], m[7], m[8], 0}}},
                          {{{m[9], m[10], m[11], 1}}}}}};
    MatrixInvertInPlace(result);
    // The orthonormal frame of X and Y has the Z axis of an unmirrored frame; a mirrored one points the
    // other way.
    TVector3f x, y, z, unmirroredZ;
    for (int i = 0; i < 3; ++i) {
        x.V[i] = result.X.V[i];
        y.V[i] = result.Y.V[i];
        z.V[i] = result.Z.V[i];
    }
    AffineCross(x, y, unmirroredZ);
    if (AffineDot(z, unmirroredZ) < 0) {
        TMatrix4f halfTurn;
        MatrixRotationYSinCos(std::sin(-std::numbers::pi_v<float>), std::cos(-std::numbers::pi_v<float>), halfTurn);
        MatrixProduct(result, halfTurn, result);
    }
    return result;
}

// One load: the file's records turned into the owner's mesh objects and materials.
class TConversion {
public:
    TConversion(TFile3DS& file, int64_t fileSize, TGLBaseMesh& owner, bool inverted)
        : FFile(file), FOwner(owner), FInverted(inverted),
          FMorphTargetsLeft(std::max(fileSize * cMorphTargetsPerFileByte, cMinMorphTargetBudget))
    {
    }

    void Run();

private:
    TGLFile3DSMeshObject* ConvertMesh(const TMesh3DS& mesh);
    void AddFaceGroups(TGLMeshObject& meshObject, const TMesh3DS& mesh, const TSplitMesh& split);
    void AddMorphTargets(TMorphableMeshObject& object);
    void AddNodes();

    // The record of a material the mesh names; a name the file has no material for is a corrupt file.
    const TMaterial3DS& Material(const std::string& name);
    // The library material of that name, made from the file's material when the library has none yet; '' when
    // the owner has no material library.
    std::string LibMaterialName(const std::string& name);
    // The index of the light map's material in the light-map library, made when missing; -1 without a
    // light-map library or a light map.
    int32_t LightMapIndex(const std::string& name);
    // Loads the file into the texture and enables it; a texture that fails to load stays disabled when the
    // owner ignores missing textures.
    void LoadMapTexture(TGLTexture& texture, const std::string& fileName, const char* kind,
                        const TGLMaterialLibrary& library);
    // A further library material whose texture is the map, its alpha taken from its intensity.
    TGLLibMaterial* AddIntensityMapMaterial(TGLMaterialLibrary& library, const std::string& fileName,
                                            const char* kind);

    TFile3DS& FFile;
    TGLBaseMesh& FOwner;
    bool FInverted;
    int64_t FMorphTargetsPerObject = 0;
    int64_t FMorphTargetsLeft;
};

void TConversion::Run()
{
    const TDBType3DS kind = FFile.DatabaseType();
    if (kind != dbMeshFile && kind != dbProjectFile) Raise3DSError(c3DSErrWrongDatabase);
    const TKFSets3DS settings = FFile.KeyFramer().Settings();
    FMorphTargetsPerObject = std::max<int64_t>(int64_t(settings.Seg.SegEnd) - settings.Seg.SegBegin + 1, 0);

    Utils3DS::TObjectList& objects = FFile.Objects();
    std::vector<TGLFile3DSMeshObject*> meshObjects;
    for (int32_t i = 0; i < objects.MeshCount(); ++i) meshObjects.push_back(ConvertMesh(*objects.Mesh(i)));

    // A motion of a name no mesh object has (letter case counts) gets a node of its own.
    TKeyFramer& keyFramer = FFile.KeyFramer();
    std::unordered_set<std::string> meshObjectNames;
    for (int32_t i = 0; i < FOwner.MeshObjects()->Count(); ++i)
        meshObjectNames.insert(FOwner.MeshObjects()->Items(i)->Name());
    for (int32_t i = 0; i < keyFramer.MeshMotionCount(); ++i) {
        const TKFMesh3DS& motion = *keyFramer.MeshMotion(i);
        if (!meshObjectNames.insert(motion.NameStr).second) continue;
        auto* node = new TGLFile3DSMeshObject(FOwner.MeshObjects());
        node->SetName(motion.NameStr);
        AddMorphTargets(*node);
        node->LoadAnimation(motion);
    }

    // Meshes take the local frame of the first mesh of their name and the motion of the first node of it,
    // letter case aside; a mesh the keyframer has no node for stays unanimated.
    const auto firstByName = [](int32_t count, const auto& nameOf) {
        std::unordered_map<std::string, int32_t> first;
        for (int32_t i = 0; i < count; ++i) first.emplace(UpperCase(nameOf(i)), i);
        return first;
    };
    const auto meshByName = firstByName(objects.MeshCount(), [&](int32_t i) { return objects.Mesh(i)->NameStr; });
    const auto motionByName =
        firstByName(keyFramer.MeshMotionCount(), [&](int32_t i) { return keyFramer.MeshMotion(i)->NameStr; });
    for (int32_t i = 0; i < objects.MeshCount(); ++i) {
        const std::string key = UpperCase(objects.Mesh(i)->NameStr);
        TGLFile3DSMeshObject& meshObject = *meshObjects[i];
        TGLFile3DSAnimationData reference = meshObject.RefrenceTransf();
        reference.ModelMatrix = InvertedLocalMatrix(*objects.Mesh(meshByName.at(key)));
        meshObject.SetRefrenceTransf(reference);
        if (const auto motion = motionByName.find(key); motion != motionByName.end())
            meshObject.LoadAnimation(*keyFramer.MeshMotion(motion->second));
    }
    AddNodes();
}

TGLFile3DSMeshObject* TConversion::ConvertMesh(const TMesh3DS& mesh)
{
    auto* meshObject = new TGLFile3DSMeshObject(FOwner.MeshObjects());
    meshObject->SetName(mesh.NameStr);
    meshObject->SetMode(momFaceGroups);
    AddMorphTargets(*meshObject);

    TSplitMesh split;
    SplitVertices(mesh, FInverted, split);
    FillList(*meshObject->Vertices(), split.Vertices);
    FillList(*meshObject->Normals(), split.Normals);
    FillList(*meshObject->TexCoords(), split.TexCoords);
    AddFaceGroups(*meshObject, mesh, split);
    return meshObject;
}

void TConversion::AddFaceGroups(TGLMeshObject& meshObject, const TMesh3DS& mesh, const TSplitMesh& split)
{
    if (mesh.NMats == 0) {
        auto* group = new TFGVertexIndexList(meshObject.FaceGroups());
        group->VertexIndices()->AddIntegers(split.Corners.data(), static_cast<int32_t>(split.Corners.size()));
        if (TGLMaterialLibrary* library = FOwner.MaterialLibrary())
            group->SetMaterialName(library->Materials()->Add()->Name());
        return;
    }
    bool lightMapped = false;
    std::vector<int32_t> indices;
    for (const TObjMat3DS& entry : mesh.MatArray) {
        auto* group = new TFGVertexIndexList(meshObject.FaceGroups());
        group->SetMaterialName(LibMaterialName(entry.NameStr));
        const int32_t lightMap = LightMapIndex(entry.NameStr);
        group->SetLightMapIndex(lightMap);
        lightMapped = lightMapped || lightMap >= 0;
        indices.clear();
        for (const uint16_t face : entry.FaceIndex)
            indices.insert(indices.end(), split.Corners.begin() + 3 * face, split.Corners.begin() + 3 * face + 3);
        group->VertexIndices()->AddIntegers(indices.data(), static_cast<int32_t>(indices.size()));
    }
    // The light map is laid out like the texture.
    if (lightMapped) meshObject.LightMapTexCoords()->Add(meshObject.TexCoords());
}

void TConversion::AddMorphTargets(TMorphableMeshObject& object)
{
    FMorphTargetsLeft -= FMorphTargetsPerObject;
    const int64_t count = object.MorphTargets()->Count() + FMorphTargetsPerObject;
    if (FMorphTargetsLeft < 0 || count > std::numeric_limits<int32_t>::max()) Raise3DSError(c3DSErrInvalidChunk);
    object.MorphTargets()->RequiredCapacity(static_cast<int32_t>(count));
    for (int64_t i = 0; i < FMorphTargetsPerObject; ++i) new TMeshMorphTarget(object.MorphTargets());
}

void TConversion::AddNodes()
{
    Utils3DS::TObjectList& objects = FFile.Objects();
    TKeyFramer& keyFramer = FFile.KeyFramer();
    // A light or camera beyond the keyframer's nodes of its kind keeps no motion.
    for (int32_t i = 0; i < objects.OmniLightCount(); ++i) {
        auto* node = new TGLFile3DSOmniLightObject(FOwner.MeshObjects());
        AddMorphTargets(*node);
        node->LoadData(&FOwner, *objects.OmniLight(i));
        if (i < keyFramer.OmniLightMotionCount()) node->LoadAnimation(*keyFramer.OmniLightMotion(i));
    }
    for (int32_t i = 0; i < objects.SpotLightCount(); ++i) {
        auto* node = new TGLFile3DSSpotLightObject(FOwner.MeshObjects());
        AddMorphTargets(*node);
        node->LoadData(&FOwner, *objects.SpotLight(i));
        if (i < keyFramer.SpotLightMotionCount()) node->LoadAnimation(*keyFramer.SpotLightMotion(i));
    }
    for (int32_t i = 0; i < objects.CameraCount(); ++i) {
        auto* node = new TGLFile3DSCameraObject(FOwner.MeshObjects());
        AddMorphTargets(*node);
        node->LoadData(&FOwner, *objects.Camera(i));
        if (i < keyFramer.CameraMotionCount()) node->LoadAnimation(*keyFramer.CameraMotion(i));
    }
}

const TMaterial3DS& TConversion::Material(const std::string& name)
{
    const TMaterial3DS* material = FFile.Materials().MaterialByName(name);
    if (!material) Raise3DSError(c3DSErrInvalidChunk);
    return *material;
}

std::string TConversion::LibMaterialName(const std::string& name)
{
    TGLMaterialLibrary* library = FOwner.MaterialLibrary();
    if (!library) return {};
    if (library->LibMaterialByName(name)) return name;
    const TMaterial3DS& source = Material(name);
    TGLLibMaterial& libMat = *library->Materials()->Add();
    libMat.SetName(name);
    TGLMaterial& material = *libMat.Material();
    TGLFaceProperties& front = *material.FrontProperties();
    front.Ambient()->SetColor(source.Ambient.R, source.Ambient.G, source.Ambient.B, 1);
    front.Diffuse()->SetColor(source.Diffuse.R, source.Diffuse.G, source.Diffuse.B,
                              1 - std::fabs(source.Transparency));
    const float strength = source.ShinStrength;
    front.Specular()->SetColor(source.Specular.R * strength, source.Specular.G * strength,
                               source.Specular.B * strength, strength);
    front.SetShininess(static_cast<TShininess>(std::max(0.0f, std::nearbyint(source.Shininess * 128))));
    if (source.Transparency != 0) material.SetBlendingMode(bmTransparency);

    const std::string& diffuseMap = source.Texture.Map.NameStr;
    if (!Trim(diffuseMap).empty()) {
        LoadMapTexture(*material.Texture(), diffuseMap, "diffuse", *library);
        material.Texture()->SetTextureMode(tmModulate);
    }
    const std::string& opacityMap = source.Opacity.Map.NameStr;
    if (!Trim(opacityMap).empty()) {
        libMat.SetTexture2Name(AddIntensityMapMaterial(*library, opacityMap, "opacity")->Name());
        material.Texture()->SetDisabled(false);
    }
    // The bump map is made for whoever wants it; the material does not use it.
    const std::string& bumpMap = source.Bump.Map.NameStr;
    if (!Trim(bumpMap).empty()) {
        AddIntensityMapMaterial(*library, bumpMap, "bump");
        material.Texture()->SetDisabled(false);
    }
    return name;
}

TGLLibMaterial* TConversion::AddIntensityMapMaterial(TGLMaterialLibrary& library, const std::string& fileName,
                                                     const char* kind)
{
    TGLLibMaterial* libMat = library.Materials()->Add();
    libMat->SetName(fileName);
    TGLTexture& texture = *libMat->Material()->Texture();
    LoadMapTexture(texture, fileName, kind, library);
    texture.SetImageAlpha(tiaAlphaFromIntensity);
    texture.SetTextureMode(tmModulate);
    return libMat;
}

int32_t TConversion::LightMapIndex(const std::string& name)
{
    TGLMaterialLibrary* library = FOwner.LightmapLibrary();
    if (!library) return -1;
    const std::string& lightMap = Material(name).IllumMap.Map.NameStr;
    if (Trim(lightMap).empty()) return -1;
    TGLLibMaterial* libMat = library->LibMaterialByName(lightMap);
    if (!libMat) {
        libMat = library->Materials()->Add();
        libMat->SetName(lightMap);
        TGLTexture& texture = *libMat->Material()->Texture();
        LoadMapTexture(texture, lightMap, "light", *library);
        texture.SetTextureMode(tmModulate);
    }
    return libMat->Index();
}

void TConversion::LoadMapTexture(TGLTexture& texture, const std::string& fileName, const char* kind,
                                 const TGLMaterialLibrary& library)
{
    try {
        LoadModelTexture(FOwner, texture, fileName);
    } catch (const ETexture& error) {
        throw EGLFile3DS(Format("Loading %s map texture failed: %s in %s",
                                {kind, error.Message(), library.TexturePaths()}));
    }
}

} // namespace

TGL3DSVectorFile::TGL3DSVectorFile(TPersistent* AOwner) : TGLVectorFile(AOwner) {}

TGL3DSVectorFile::~TGL3DSVectorFile() = default;

void TGL3DSVectorFile::LoadFromStream(TStream& aStream)
{
    TFile3DS file;
    file.LoadFromStream(aStream);
    TConversion(file, aStream.Size(), *Owner(), NormalsOrientation() != mnoDefault).Run();
}

void RegisterGLFile3DS()
{
    RegisterVectorFileFormat<TGL3DSVectorFile>("3ds", "3D Studio files");
    RegisterVectorFileFormat<TGL3DSVectorFile>("prj", "3D Studio project files");
}
