// The mesh framework: the registry of model-file formats, mesh objects (parallel per-vertex arrays drawn as
// triangles, one strip or through face groups), the face groups that index into them, the list of mesh objects
// a mesh scene object owns, the mesh scene objects (the base mesh, the free form and the animated actor with its
// named frame ranges and controllers), the skeleton and the engine's own mesh archive.
#pragma once

#include "GLApplicationFileIO.h"
#include "GLPersistentClasses.h"
#include "GLRenderContextInfo.h"
#include "GLVectorLists.h"
#include "GLVectorTypes.h"
#include "Sets.h"
#include "VAVodad.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

class TGLBaseMesh;
class TGLFaceGroup;
class TGLFaceGroups;
class TGLLibMaterial;
class TGLMaterialLibrary;
class TGLMeshObject;
class TGLMeshObjectList;
class TGLSkeleton;
class TGLStateCache;
class TGLTexture;
class TGLVBOArrayBufferHandle;
class TGLVBOElementArrayHandle;
class TGLVectorFile;

// The unit the module's assertions name.
inline constexpr const char* cGLVectorFileObjectsUnit = "VAVodad\\Source\\Basis\\GLVectorFileObjects";

// ---------------------------------------------------------------------------------------------------------
// Vector-file formats

enum TMeshNormalsOrientation { mnoDefault, mnoInvert };

// No registered format reads the file name's extension.
class EInvalidVectorFile : public Exception {
public:
    using Exception::Exception;
};

// Class reference of a model-file format: its name, its constructor and its class-level capabilities, as
// VectorFileClassOf<T>() gives it. Each class has exactly one, so references compare by address.
class TGLVectorFileClass {
public:
    virtual ~TGLVectorFileClass() = default;
    virtual const std::string& ClassName() const = 0;
    // A new file object owned by (reading into or writing from) AOwner; the caller frees it.
    virtual TGLVectorFile* Create(TGLBaseMesh* AOwner) const = 0;
    virtual TGLDataFileCapabilities Capabilities() const = 0;
    // This class is aClass or descends from it.
    bool InheritsFrom(const TGLVectorFileClass& aClass) const { return aClass.IsAncestorOf(*this); }

protected:
    virtual bool IsAncestorOf(const TGLVectorFileClass& aClass) const = 0;
    // Throws a null pointer of the class's own type: a handler for an ancestor's pointer type catches it.
    [[noreturn]] virtual void ThrowClassPointer() const = 0;

    template <class T> friend class TGLVectorFileClassOf;
};

// T has a constructor taking its owner and a static ClassCapabilities().
template <class T> class TGLVectorFileClassOf final : public TGLVectorFileClass {
public:
    const std::string& ClassName() const override { return ClassNameOf<T>(); }
    TGLVectorFile* Create(TGLBaseMesh* AOwner) const override;
    TGLDataFileCapabilities Capabilities() const override { return T::ClassCapabilities(); }

protected:
    bool IsAncestorOf(const TGLVectorFileClass& aClass) const override
    {
        return ThrowsPointerTo<T>([&] { aClass.ThrowClassPointer(); });
    }
    [[noreturn]] void ThrowClassPointer() const override { throw static_cast<const T*>(nullptr); }
};

template <class T> const TGLVectorFileClass& VectorFileClassOf()
{
    static const TGLVectorFileClassOf<T> fileClass;
    return fileClass;
}

// One registered format.
class TGLVectorFileFormat : public TObject {
public:
    const TGLVectorFileClass* VectorFileClass = nullptr;
    std::string Extension; // lower case, without the dot
    std::string Description;
    int32_t DescResID = 0;
};

// The formats in order of registration; it owns its entries. Of two entries with one extension the later wins.
class TGLVectorFileFormatsList : public TPersistentObjectList {
public:
    ~TGLVectorFileFormatsList() override;

    void Add(const std::string& Ext, const std::string& Desc, int32_t DescID, const TGLVectorFileClass& AClass);
    // nullptr when no entry has the extension (letter case ignored).
    const TGLVectorFileClass* FindExt(const std::string& ext) const;
    // Raises EInvalidVectorFile "Unknown file extension (...)" when the extension is not registered.
    const TGLVectorFileClass& FindFromFileName(const std::string& fileName) const;
    // Deletes every entry of AClass or a descendant.
    void Remove(const TGLVectorFileClass& AClass);
    // File-dialog filters of the formats of vectorFileClass (or descendants) that can be opened or saved.
    void BuildFilterStrings(const TGLVectorFileClass& vectorFileClass, std::string& descriptions,
                            std::string& filters, bool formatsThatCanBeOpened = true,
                            bool formatsThatCanBeSaved = false) const;
    // The extension of the index-th (from 1) entry that can be opened or saved; '' when there is none.
    std::string FindExtByIndex(int32_t index, bool formatsThatCanBeOpened = true,
                               bool formatsThatCanBeSaved = false) const;

    TGLVectorFileFormat* Entry(int32_t index) const { return static_cast<TGLVectorFileFormat*>(Get(index)); }
};

// The process's registry, made on first use and freed when the program ends.
TGLVectorFileFormatsList& GetVectorFileFormats();
// Registers the class for creation by name and appends (ext, desc) to the registry.
void RegisterVectorFileFormat(const std::string& aExtension, const std::string& aDescription,
                              const TGLVectorFileClass& aClass);
template <class T> void RegisterVectorFileFormat(const std::string& aExtension, const std::string& aDescription)
{
    RegisterClass<T>();
    RegisterVectorFileFormat(aExtension, aDescription, VectorFileClassOf<T>());
}

// Base of the model-file formats. A file object lives for one load or save and reads straight into (or
// writes from) its owner's lists; its owner is always a base mesh.
class TGLVectorFile : public TGLDataFile {
public:
    // Fails an assertion when AOwner is not a TGLBaseMesh.
    explicit TGLVectorFile(TPersistent* AOwner);

    static TGLDataFileCapabilities ClassCapabilities() { return dfcRead; }
    TGLDataFileCapabilities Capabilities() const override { return ClassCapabilities(); }

    TGLBaseMesh* Owner() const;
    TMeshNormalsOrientation NormalsOrientation() const { return FNormalsOrientation; }
    virtual void SetNormalsOrientation(TMeshNormalsOrientation Value) { FNormalsOrientation = Value; }

private:
    TMeshNormalsOrientation FNormalsOrientation = mnoDefault;
};

template <class T> TGLVectorFile* TGLVectorFileClassOf<T>::Create(TGLBaseMesh* AOwner) const
{
    // The reference of an abstract format (the base itself) serves look-ups only.
    if constexpr (std::is_abstract_v<T>)
        throw EInvalidVectorFile("Cannot create a file object of the abstract class " + ClassName());
    else
        return new T(AOwner);
}

// ---------------------------------------------------------------------------------------------------------
// Base mesh object

enum TGLMeshObjectMode { momTriangles, momTriangleStrip, momFaceGroups };

// A named vertex list with its normals; the base of the mesh objects and of the morph targets.
class TBaseMeshObject : public TPersistentObject {
public:
    TBaseMeshObject();
    ~TBaseMeshObject() override;
    TPersistentObject* NewInstance() const override { return new TBaseMeshObject; }

    // From another base mesh object: Name, Vertices and Normals (not Visible).
    void Assign(TPersistent* Source) override;
    // Version 1: Name, Vertices, Normals, Visible. Reads versions 0 (no Visible) and 1.
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;

    // Adds the sum of the vertices to sum and their count to count.
    virtual void AccumulateBarycenter(TVector3f& sum, int32_t& count);
    // Empties the normals and the vertices.
    virtual void Clear();
    virtual void Translate(const TVector3f& delta);
    // A new list of triangle corners: a copy of the vertices when their count is a multiple of 3 (and then
    // normals, when given, becomes a copy of Normals), else empty. texCoords is not filled at this level.
    virtual std::unique_ptr<TAffineVectorList> ExtractTriangles(TAffineVectorList* texCoords = nullptr,
                                                                TAffineVectorList* normals = nullptr);
    // Smooth vertex normals from the triangles vertexIndices describes in mode (momTriangles or
    // momTriangleStrip). Without normalIndices: one normal per vertex, the normalised sum of the faces' normals
    // around it. With normalIndices: new normals are appended (one per vertex used) and their indices go to
    // normalIndices, three per triangle; the old normals stay. An index that names no vertex leaves its
    // triangle out.
    void BuildNormals(TIntegerList* vertexIndices, TGLMeshObjectMode mode, TIntegerList* normalIndices = nullptr);

    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value) { FName = Value; }
    TAffineVectorList* Vertices() const { return FVertices.get(); }
    void SetVertices(TAffineVectorList* Value);
    TAffineVectorList* Normals() const { return FNormals.get(); }
    void SetNormals(TAffineVectorList* Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value) { FVisible = Value; }

private:
    std::string FName;
    std::unique_ptr<TAffineVectorList> FVertices;
    std::unique_ptr<TAffineVectorList> FNormals;
    bool FVisible = true;
};

// ---------------------------------------------------------------------------------------------------------
// Mesh objects

enum TGLMeshObjectRenderingOption { moroGroupByMaterial };
using TGLMeshObjectRenderingOptions = TSet<TGLMeshObjectRenderingOption, uint8_t>;

enum TVBOBuffer { vbVertices, vbNormals, vbColors, vbTexCoords, vbLightMapTexCoords, vbTexCoordsEx };
using TVBOBuffers = TSet<TVBOBuffer, uint8_t>;

// Whether new mesh objects keep their arrays in buffer objects (true).
extern bool vGLVectorFileObjectsUseVBODefault;

// Parallel per-vertex arrays (positions and normals of the base, texture and lightmap coordinates, colours and
// extra four-component sets, two of which hold tangents and binormals) drawn as triangles, as one strip or
// through face groups. Lists that do not cover every vertex are not drawn.
class TGLMeshObject : public TBaseMeshObject {
public:
    TGLMeshObject();
    // Created into AOwner (when given), which then owns it.
    explicit TGLMeshObject(TGLMeshObjectList* AOwner);
    // Leaves its owner list.
    ~TGLMeshObject() override;
    TPersistentObject* NewInstance() const override { return new TGLMeshObject; }

    // The base part; from a mesh object also every list, the face groups, the modes and the set indices.
    void Assign(TPersistent* Source) override;
    // Version 3 (see the archive layout in the source); reads versions 0 to 3.
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;
    // The base clear, the face groups freed, the other lists emptied (the extra sets stay, empty).
    void Clear() override;
    std::unique_ptr<TAffineVectorList> ExtractTriangles(TAffineVectorList* texCoords = nullptr,
                                                        TAffineVectorList* normals = nullptr) override;
    virtual int32_t TriangleCount();
    // Marks every buffer stale and prepares the face groups.
    virtual void Prepare();
    virtual void PrepareBuildList(TGLRenderContextInfo& mrci);
    virtual void BuildList(TGLRenderContextInfo& mrci);

    // The bounding box of the vertices, cached while the vertex list's revision stays the same.
    virtual void GetExtents(TVector3f& min, TVector3f& max);
    virtual void GetExtents(TAABB& aabb);
    // The centre of the extents, W 0.
    TVector4f GetBarycenter();
    // aPoint lies in the extents, borders included.
    virtual bool PointInObject(const TVector3f& aPoint);

    // The corners of triangle tri in a per-vertex list (the corner indices by Mode and the face groups).
    // False, with the outputs untouched, when there is no such triangle or a corner lies outside the list.
    bool GetTriangleData(int32_t tri, TAffineVectorList* list, TVector3f& v0, TVector3f& v1, TVector3f& v2);
    bool GetTriangleData(int32_t tri, TVectorList* list, TVector4f& v0, TVector4f& v1, TVector4f& v2);
    bool SetTriangleData(int32_t tri, TAffineVectorList* list, const TVector3f& v0, const TVector3f& v1,
                         const TVector3f& v2);
    bool SetTriangleData(int32_t tri, TVectorList* list, const TVector4f& v0, const TVector4f& v1,
                         const TVector4f& v2);
    // Rebuilds the requested sets (one entry per vertex) from the positions, normals and texture
    // coordinates; both sets are emptied first.
    void BuildTangentSpace(bool buildBinormals = true, bool buildTangents = true);

    void PrepareMaterialLibraryCache(TGLMaterialLibrary* matLib);
    void DropMaterialLibraryCache();

    TGLMeshObjectList* Owner() const { return FOwner; }
    void SetOwner(TGLMeshObjectList* Value) { FOwner = Value; }
    TAffineVectorList* TexCoords() const { return FTexCoords.get(); }
    void SetTexCoords(TAffineVectorList* Value);
    TAffineVectorList* LightMapTexCoords() const { return FLightMapTexCoords.get(); }
    void SetLightMapTexCoords(TAffineVectorList* Value);
    TVectorList* Colors() const { return FColors.get(); }
    void SetColors(TVectorList* Value);
    TGLFaceGroups* FaceGroups() const { return FFaceGroups.get(); }
    TGLMeshObjectMode Mode() const { return FMode; }
    void SetMode(TGLMeshObjectMode Value) { FMode = Value; }
    TGLMeshObjectRenderingOptions RenderingOptions() const { return FRenderingOptions; }
    void SetRenderingOptions(TGLMeshObjectRenderingOptions Value) { FRenderingOptions = Value; }
    // The extra set at index; reading appends empty sets until there are index + 2.
    TVectorList* TexCoordsEx(int32_t index);
    void SetTexCoordsEx(int32_t index, TVectorList* Value);
    // The number of extra sets, without adding any.
    int32_t TexCoordsExCount() const { return static_cast<int32_t>(FTexCoordsEx.size()); }
    TVectorList* Tangents() { return TexCoordsEx(FTangentsTexCoordIndex); }
    void SetTangents(TVectorList* Value) { SetTexCoordsEx(FTangentsTexCoordIndex, Value); }
    TVectorList* Binormals() { return TexCoordsEx(FBinormalsTexCoordIndex); }
    void SetBinormals(TVectorList* Value) { SetTexCoordsEx(FBinormalsTexCoordIndex, Value); }
    // A negative index fails an assertion.
    int32_t BinormalsTexCoordIndex() const { return FBinormalsTexCoordIndex; }
    void SetBinormalsTexCoordIndex(int32_t Value);
    int32_t TangentsTexCoordIndex() const { return FTangentsTexCoordIndex; }
    void SetTangentsTexCoordIndex(int32_t Value);
    // Switching it off frees the buffers; a context without buffer objects or a display-list compile
    // switches it off for good at the next draw.
    bool UseVBO() const { return FUseVBO; }
    void SetUseVBO(bool Value);

    // The render path, shared with the face groups.
    // Declares the vertex arrays (when force or not yet declared) or re-points the texture coordinates when
    // the current material routes them to other units.
    void SetupVertexArrays(TGLRenderContextInfo& mrci, bool force);
    void ReleaseVertexArrays(TGLRenderContextInfo& mrci);
    // Texture unit 1 on for a lightmap; the arrays must be declared.
    void EnableLightmapUnit(TGLRenderContextInfo& mrci);
    void DisableLightmapUnit(TGLRenderContextInfo& mrci);
    // Marks every buffer stale when buffers differ from the valid set.
    void ChangeValidBuffers(TVBOBuffers buffers);
    // The buffers that hold the lists' current data.
    TVBOBuffers ValidBuffers() const { return FValidBuffers; }
    void UploadBufferObjects();
    // The lightmap index a face group bound last in this draw (-1: none).
    int32_t LastLightMapIndex() const { return FLastLightMapIndex; }
    void SetLastLightMapIndex(int32_t Value) { FLastLightMapIndex = Value; }
    bool ArraysDeclared() const { return FArraysDeclared; }

private:
    // The list indices of triangle tri's corners; false when there is no such triangle.
    bool TriangleCorners(int32_t tri, int32_t corners[3]);
    // The same for triangle tri of an index-list face group.
    static bool GroupTriangleCorners(TGLFaceGroup* group, int32_t tri, int32_t corners[3]);
    // Reads (or writes) the corners of triangle tri into (from) items.
    template <class TList, class TItem> bool TriangleData(int32_t tri, TList* list, TItem* const items[3], bool write);
    template <class F> void ForEachBuffer(F f);
    void FreeBuffers();
    void MarkBuffersStale();
    // The pointer to declare for the list: its data, or offset 0 into its buffer, which is bound.
    const void* ArrayData(TGLVBOArrayBufferHandle* buffer, const TBaseVectorList& list) const;
    // Slot 0: the texture coordinates; slot k + 1: extra set k. nullptr when missing.
    TGLVBOArrayBufferHandle* TexCoordsBuffer(size_t slot) const;
    // The extra sets that have a texture unit of their own.
    int32_t UsableTexCoordsExCount() const;
    static void SetTextureUnit1(TGLStateCache& states, bool enabled);
    void DrawImmediate();
    void DrawFaceGroups(TGLRenderContextInfo& mrci);

    TGLMeshObjectList* FOwner = nullptr;
    uint32_t FExtentCacheRevision = 0;
    std::unique_ptr<TAffineVectorList> FTexCoords;
    std::unique_ptr<TAffineVectorList> FLightMapTexCoords;
    std::unique_ptr<TVectorList> FColors;
    std::unique_ptr<TGLFaceGroups, TFreeDeleter> FFaceGroups;
    TGLMeshObjectMode FMode = momTriangles;
    TGLMeshObjectRenderingOptions FRenderingOptions;
    bool FArraysDeclared = false;
    bool FArraysLocked = false; // the compiled-vertex-array lock taken when they were declared
    bool FLightMapArrayEnabled = false;
    int32_t FLastLightMapIndex = -1;
    std::vector<std::unique_ptr<TVectorList>> FTexCoordsEx;
    int32_t FBinormalsTexCoordIndex = 2;
    int32_t FTangentsTexCoordIndex = 1;
    uint32_t FLastXOpenGLTexMapping = 0;
    bool FUseVBO = vGLVectorFileObjectsUseVBODefault;
    std::unique_ptr<TGLVBOArrayBufferHandle, TFreeDeleter> FVerticesVBO;
    std::unique_ptr<TGLVBOArrayBufferHandle, TFreeDeleter> FNormalsVBO;
    std::unique_ptr<TGLVBOArrayBufferHandle, TFreeDeleter> FColorsVBO;
    std::vector<std::unique_ptr<TGLVBOArrayBufferHandle, TFreeDeleter>> FTexCoordsVBO;
    std::unique_ptr<TGLVBOArrayBufferHandle, TFreeDeleter> FLightmapTexCoordsVBO;
    TVBOBuffers FValidBuffers;
    TAABB FExtentCache{};
    bool FExtentCacheValid = false;
};

// The mesh objects of a mesh scene object; it owns them. Items are checked ("Invalid list index").
class TGLMeshObjectList : public TPersistentObjectList {
public:
    TGLMeshObjectList();
    explicit TGLMeshObjectList(TGLBaseMesh* aOwner);
    ~TGLMeshObjectList() override;
    TPersistentObject* NewInstance() const override { return new TGLMeshObjectList; }

    // The object-list archive of the mesh objects; an entry that is not a mesh object is refused.
    void ReadFromFiler(TVirtualReader* reader) override;
    // Drops the material caches and frees the mesh objects.
    void Clear() override;
    void Clean() override { Clear(); }

    TGLMeshObject* Items(int32_t Index) const { return static_cast<TGLMeshObject*>(Get(Index)); }
    TGLMeshObject* GetMeshObject(int32_t Index) const { return Items(Index); }
    TGLBaseMesh* Owner() const { return FOwner; }

    void PrepareMaterialLibraryCache(TGLMaterialLibrary* matLib);
    void DropMaterialLibraryCache();
    // The visible mesh objects' operations, in order.
    virtual void PrepareBuildList(TGLRenderContextInfo& mrci);
    virtual void BuildList(TGLRenderContextInfo& mrci);
    virtual void Prepare();

    // From (1e30, 1e30, 1e30) and (-1e30, -1e30, -1e30), widened by every mesh object, visible or not.
    void GetExtents(TVector3f& min, TVector3f& max);
    void Translate(const TVector3f& delta);
    int32_t TriangleCount();
    void BuildTangentSpace(bool buildBinormals = true, bool buildTangents = true);
    // The triangles of the visible mesh objects in order; texCoords and normals stay parallel to them.
    std::unique_ptr<TAffineVectorList> ExtractTriangles(TAffineVectorList* texCoords = nullptr,
                                                        TAffineVectorList* normals = nullptr);
    // The first mesh object named exactly MeshName, or nullptr.
    TGLMeshObject* FindMeshByName(const std::string& MeshName) const;
    // True for an empty list, else whether every mesh object uses buffer objects.
    bool UseVBO() const;
    void SetUseVBO(bool Value);
    // Vertex animation of the morphable mesh objects: MorphTo and Lerp of each; the smallest target count
    // among them (0 without any).
    void MorphTo(int32_t morphTargetIndex);
    void Lerp(int32_t morphTargetIndex1, int32_t morphTargetIndex2, float lerpFactor);
    int32_t MorphTargetCount() const;

protected:
    void ItemCreatedByReader(TObject* Sender) override;

private:
    TGLBaseMesh* FOwner = nullptr;
};

// ---------------------------------------------------------------------------------------------------------
// Face groups

enum TGLFaceGroupMeshMode { fgmmTriangles, fgmmTriangleStrip, fgmmFlatTriangles, fgmmTriangleFan, fgmmQuads };

// A list of indices into its mesh object's arrays, drawn as one kind of primitive with the library material
// named MaterialName and an optional lightmap.
class TGLFaceGroup : public TPersistentObject {
public:
    TGLFaceGroup();
    // Created into AOwner (when given), which then owns it.
    explicit TGLFaceGroup(TGLFaceGroups* AOwner);
    // Leaves its owner list.
    ~TGLFaceGroup() override;

    // Version 0 without a lightmap, 1 with its index: MaterialName, then LightMapIndex in version 1.
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;

    // Each kind of group draws and counts its own way: the base class is abstract (and not archived).
    virtual void BuildList(TGLRenderContextInfo& mrci) = 0;
    virtual int32_t TriangleCount() = 0;
    // Appends the group's triangle corners (and their texture coordinates and normals when the lists are
    // given); nothing here.
    virtual void AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords = nullptr,
                                TAffineVectorList* aNormals = nullptr);
    virtual void Reverse() {}
    virtual void Prepare() {}

    void PrepareMaterialLibraryCache(TGLMaterialLibrary* matLib);
    void DropMaterialLibraryCache() { FMaterialCache = nullptr; }

    TGLFaceGroups* Owner() const { return FOwner; }
    void SetOwner(TGLFaceGroups* Value) { FOwner = Value; }
    const std::string& MaterialName() const { return FMaterialName; }
    void SetMaterialName(const std::string& Value) { FMaterialName = Value; }
    TGLLibMaterial* MaterialCache() const { return FMaterialCache; }
    int32_t LightMapIndex() const { return FLightMapIndex; }
    void SetLightMapIndex(int32_t Value) { FLightMapIndex = Value; }
    // The grouped draw that drew this group last (0: none).
    int32_t RenderGroupID() const { return FRenderGroupID; }
    void SetRenderGroupID(int32_t Value) { FRenderGroupID = Value; }

protected:
    // The mesh object whose arrays the group indexes, or nullptr.
    TGLMeshObject* MeshObject() const;
    // Binds the group's lightmap on unit 1 unless the mesh object bound it last; a negative index switches the
    // unit off, one beyond the lightmap library fails an assertion.
    void SetupLightmap(TGLRenderContextInfo& mrci);
    // Nothing without multitexturing; a texture that is not 2D fails an assertion.
    void BindLightmapTexture(TGLTexture* lightMap, TGLRenderContextInfo& mrci);

private:
    TGLFaceGroups* FOwner = nullptr;
    std::string FMaterialName;
    TGLLibMaterial* FMaterialCache = nullptr;
    int32_t FLightMapIndex = -1;
    int32_t FRenderGroupID = 0;
};

// Indices into the mesh object's arrays, drawn from its arrays (in buffer objects when it uses them).
class TFGVertexIndexList : public TGLFaceGroup {
public:
    TFGVertexIndexList();
    explicit TFGVertexIndexList(TGLFaceGroups* AOwner);
    ~TFGVertexIndexList() override;
    TPersistentObject* NewInstance() const override { return new TFGVertexIndexList; }

    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;
    void BuildList(TGLRenderContextInfo& mrci) override;
    void AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords = nullptr,
                        TAffineVectorList* aNormals = nullptr) override;
    // Strips and fans: count - 2; quads: (count div 4) x 2; triangles: count div 3.
    int32_t TriangleCount() override;
    // Reverses the vertex indices, and the lists that run parallel to them with them.
    void Reverse() override;

    void Add(int32_t idx);
    // Over the mesh object's vertices at the indices, from +infinity and -infinity.
    void GetExtents(TVector3f& min, TVector3f& max);
    // A strip or a fan of at least three indices becomes separate triangles (the parallel lists follow).
    void ConvertToList();
    // The normal of the first three indices' vertices; zero with fewer.
    TVector3f GetNormal();
    // Appends the vertex indices of the group's triangles, three per triangle, as the silhouette connectivity
    // takes its faces: triangles and flat triangles the first (count div 3) x 3 indices in order, a strip as
    // StripToTriangleList turns it, a fan as (idx[0], idx[i-1], idx[i]) for i = 2 .. count - 1. Answers false,
    // appending nothing, for quads, which it does not split. A group whose indices describe other faces (whole
    // polygons) supplies its own.
    virtual bool AddTriangleIndices(TIntegerList* aList);
    // The vertex indices of triangle tri's corners as triangle access reads them: triangles idx[3t], idx[3t+1],
    // idx[3t+2]; a strip idx[t], idx[t+1], idx[t+2] (the winding kept); a fan idx[0], idx[t+1], idx[t+2]; quads
    // idx[4q], idx[4q+r+1], idx[4q+r+2] with q = t div 2, r = t mod 2. False when a corner lies outside the
    // indices. A group whose indices describe other faces supplies its own.
    virtual bool TriangleCorners(int32_t tri, int32_t corners[3]);

    TIntegerList* VertexIndices() const { return FVertexIndices.get(); }
    void SetVertexIndices(TIntegerList* Value);
    TGLFaceGroupMeshMode Mode() const { return FMode; }
    void SetMode(TGLFaceGroupMeshMode Value) { FMode = Value; }

protected:
    // Appends to destination the entries of source at the triangle corners indices describes in Mode; zero
    // vectors for an empty source.
    void AddIndexedTriangles(TAffineVectorList* source, TAffineVectorList* destination, TIntegerList* indices);
    // The element buffer must be filled again.
    void IndicesChanged();
    // Puts the vertex indices (and, in descendants, every list parallel to them) in the order of positions:
    // new entry k is the old entry at positions[k].
    virtual void Rearrange(const std::vector<int32_t>& positions);

private:
    std::unique_ptr<TIntegerList> FVertexIndices;
    std::unique_ptr<TGLVBOElementArrayHandle, TFreeDeleter> FIndexVBO;
    // One past the highest index the element buffer holds (INT32_MAX when one is negative).
    int32_t FIndexVBOTop = 0;
    TGLFaceGroupMeshMode FMode = fgmmTriangles;
};

// Separate indices into the normals and texture coordinates, parallel to the vertex indices (an empty list:
// the vertex indices serve); drawn in immediate mode.
class TFGVertexNormalTexIndexList : public TFGVertexIndexList {
public:
    TFGVertexNormalTexIndexList();
    explicit TFGVertexNormalTexIndexList(TGLFaceGroups* AOwner);
    ~TFGVertexNormalTexIndexList() override;
    TPersistentObject* NewInstance() const override { return new TFGVertexNormalTexIndexList; }

    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;
    void BuildList(TGLRenderContextInfo& mrci) override;
    void AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords = nullptr,
                        TAffineVectorList* aNormals = nullptr) override;

    void Add(int32_t vertexIdx, int32_t normalIdx, int32_t texCoordIdx);

    TIntegerList* NormalIndices() const { return FNormalIndices.get(); }
    void SetNormalIndices(TIntegerList* Value);
    TIntegerList* TexCoordIndices() const { return FTexCoordIndices.get(); }
    void SetTexCoordIndices(TIntegerList* Value);

protected:
    void Rearrange(const std::vector<int32_t>& positions) override;

private:
    std::unique_ptr<TIntegerList> FNormalIndices;
    std::unique_ptr<TIntegerList> FTexCoordIndices;
};

// One texture coordinate per index entry, held by the group; drawn in immediate mode.
class TFGIndexTexCoordList : public TFGVertexIndexList {
public:
    TFGIndexTexCoordList();
    explicit TFGIndexTexCoordList(TGLFaceGroups* AOwner);
    ~TFGIndexTexCoordList() override;
    TPersistentObject* NewInstance() const override { return new TFGIndexTexCoordList; }

    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;
    void BuildList(TGLRenderContextInfo& mrci) override;
    void AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords = nullptr,
                        TAffineVectorList* aNormals = nullptr) override;

    void Add(int32_t idx, const TVector3f& texCoord);
    void Add(int32_t idx, float s, float t);

    TAffineVectorList* TexCoords() const { return FTexCoords.get(); }
    void SetTexCoords(TAffineVectorList* Value);

protected:
    void Rearrange(const std::vector<int32_t>& positions) override;

private:
    std::unique_ptr<TAffineVectorList> FTexCoords;
};

// The face groups of a mesh object; it owns them. Items are checked ("Invalid list index").
class TGLFaceGroups : public TPersistentObjectList {
public:
    TGLFaceGroups();
    explicit TGLFaceGroups(TGLMeshObject* AOwner);
    ~TGLFaceGroups() override;
    TPersistentObject* NewInstance() const override { return new TGLFaceGroups; }

    // The object-list archive of the groups; an entry that is not a face group is refused.
    void ReadFromFiler(TVirtualReader* reader) override;
    // Frees the groups.
    void Clear() override;
    void Clean() override { Clear(); }

    TGLFaceGroup* Items(int32_t Index) const { return static_cast<TGLFaceGroup*>(Get(Index)); }
    TGLFaceGroup* GetFaceGroup(int32_t Index) const { return Items(Index); }
    TGLMeshObject* Owner() const { return FOwner; }
    void SetOwner(TGLMeshObject* Value) { FOwner = Value; }

    void PrepareMaterialLibraryCache(TGLMaterialLibrary* matLib);
    void DropMaterialLibraryCache();
    void AddToTriangles(TAffineVectorList* aList, TAffineVectorList* aTexCoords = nullptr,
                        TAffineVectorList* aNormals = nullptr);
    // The material library of the base mesh above the mesh object, or nullptr when a link is missing.
    TGLMaterialLibrary* MaterialLibrary() const;
    // Opaque before blended, then by material name (case-sensitive), then by lightmap index.
    void SortByMaterial();

protected:
    void ItemCreatedByReader(TObject* Sender) override;

private:
    TGLMeshObject* FOwner = nullptr;
};

// Raises EReadError when an entry an object-list archive made for list is not a T; answers it as a T.
template <class T> T* CheckArchivedItem(TObject* item, const TObject& list)
{
    auto* result = dynamic_cast<T*>(item);
    if (!result) throw EReadError(list.ClassName() + " : archived entry is not a " + ClassNameOf<T>());
    return result;
}

// ---------------------------------------------------------------------------------------------------------
// Base mesh

class TGLBaseMeshConnectivity;
class TGLSilhouette;
struct TGLSilhouetteParameters;
class TOctree;

enum TMeshAutoCentering { macCenterX, macCenterY, macCenterZ, macUseBarycenter, macRestorePosition };
using TMeshAutoCenterings = TSet<TMeshAutoCentering, uint8_t>;

// The scene object that shows mesh objects read from a model file. It owns its mesh-object list and its
// skeleton, and holds (without owning) the material library its face groups name and the library their
// lightmaps come from. Loading picks the format by the file name's extension, then scales and centres the
// vertices as asked.
class TGLBaseMesh : public TVAVodadObject {
public:
    explicit TGLBaseMesh(TComponent* AOwner);
    ~TGLBaseMesh() override;

    // From another base mesh: the settings, both libraries, the caches, the skeleton (with its bones placed)
    // and the mesh objects; then the scene object's part.
    void Assign(TPersistent* Source) override;
    // A dying library is forgotten.
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // Loading replaces the mesh objects and the skeleton with the file's, then scales, centres and prepares the
    // mesh; an empty name does nothing but clear LastLoadedFilename. The format is looked up first: an
    // extension no format reads raises EInvalidVectorFile and changes nothing, and a file that fails to read
    // leaves the mesh as it was.
    virtual void LoadFromFile(const std::string& fileName);
    virtual void LoadFromStream(const std::string& fileName, TStream& aStream);
    // In the format the name's extension names; one without write support raises the data file's error, and
    // a failed write leaves the file as it was.
    virtual void SaveToFile(const std::string& fileName);
    virtual void SaveToStream(const std::string& fileName, TStream& aStream);
    // The file's mesh objects appended to those there are, without scaling or centring; a file that fails to
    // read adds none.
    virtual void AddDataFromFile(const std::string& fileName);
    virtual void AddDataFromStream(const std::string& fileName, TStream& aStream);
    // The name of the last successful load ('' after a failed one).
    const std::string& LastLoadedFilename() const { return FLastLoadedFilename; }

    // From +infinity and -infinity, widened by every mesh object.
    void GetExtents(TVector3f& min, TVector3f& max);
    // The average of all vertices; zero without any.
    TVector3f GetBarycenter();
    // Half the extents, cached until StructureChanged (an empty mesh has none to cache: -infinity each time).
    TVector4f AxisAlignedDimensionsUnscaled() override;
    // The centre of the extents (W 0), cached until StructureChanged.
    TVector4f BarycenterOffset();
    TVector4f BarycenterPosition();
    TVector4f BarycenterAbsolutePosition() override;
    // The nearest triangle the world-space ray hits, tested one by one; the normal is not normalised.
    bool RayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector, TVector4f* intersectPoint = nullptr,
                          TVector4f* intersectNormal = nullptr) override;
    // From the kept connectivity, else from one made for this call.
    std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) override;
    // Keeps a connectivity for silhouettes when every mesh object draws through index-list face groups only;
    // otherwise keeps none.
    void BuildSilhouetteConnectivityData();

    // The steps of a load, which descendants extend.
    virtual void PrepareVectorFile(TGLVectorFile* aFile);
    virtual void PerformAutoScaling();
    virtual void PerformAutoCentering();
    virtual void PrepareMesh();
    // The caches invalidated, the mesh objects prepared, then the scene object's part.
    void StructureChanged() override;
    void StructureChangedNoPrepare() { TVAVodadObject::StructureChanged(); }

    // Each face group looks its material up in MaterialLibrary once.
    void PrepareMaterialLibraryCache();
    void DropMaterialLibraryCache();
    virtual void PrepareBuildList(TGLRenderContextInfo& rci);
    void BuildList(TGLRenderContextInfo& rci) override;
    // With mesh materials drawn directly; through the display list only while materials are ignored or
    // UseMeshMaterials is off.
    void DoRender(TGLRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
    // The face groups apply materials of their own: no library material of the object's stays applied.
    TGLAbstractLibMaterial* StayingMaterial(const TGLRenderContextInfo&) const override { return nullptr; }
    // The libraries' handles, then the object's.
    void DestroyHandle() override;

    TGLMeshObjectList* MeshObjects() const { return FMeshObjects.get(); }
    // The bones and frames that deform the skinned mesh objects; owned.
    TGLSkeleton* Skeleton() const { return FSkeleton.get(); }
    TGLMaterialLibrary* MaterialLibrary() const { return FMaterialLibrary; }
    void SetMaterialLibrary(TGLMaterialLibrary* Value);
    TGLMaterialLibrary* LightmapLibrary() const { return FLightmapLibrary; }
    void SetLightmapLibrary(TGLMaterialLibrary* Value);
    TMeshNormalsOrientation NormalsOrientation() const { return FNormalsOrientation; }
    void SetNormalsOrientation(TMeshNormalsOrientation Value);
    bool UseMeshMaterials() const { return FUseMeshMaterials; }
    void SetUseMeshMaterials(bool Value);
    bool OverlaySkeleton() const { return FOverlaySkeleton; }
    void SetOverlaySkeleton(bool Value);
    bool IgnoreMissingTextures() const { return FIgnoreMissingTextures; }
    void SetIgnoreMissingTextures(bool Value) { FIgnoreMissingTextures = Value; }
    TMeshAutoCenterings AutoCentering() const { return FAutoCentering; }
    void SetAutoCentering(TMeshAutoCenterings Value) { FAutoCentering = Value; }
    // Per axis, applied to the vertices of the next load.
    TGLCoordinates3* AutoScaling() const { return FAutoScaling.get(); }
    void SetAutoScaling(TGLCoordinates3* Value);
    // The connectivity BuildSilhouetteConnectivityData keeps, or nullptr.
    TGLBaseMeshConnectivity* Connectivity() const { return FConnectivity.get(); }

protected:
    // The published properties a descendant streams.
    void DefineMeshProperties(TFiler& Filer);

private:
    // Stores Value in the field with a free notification on it, dropping the old one's.
    void ChangeLibrary(TGLMaterialLibrary*& field, TGLMaterialLibrary* Value);
    // Reads the stream with a file object of fileClass into the mesh (a scene update around the read).
    void ReadVectorFile(const TGLVectorFileClass& fileClass, const std::string& fileName, TStream& aStream);
    // A file object of fileClass for the named file, prepared for this mesh.
    std::unique_ptr<TGLVectorFile, TFreeDeleter> NewVectorFile(const TGLVectorFileClass& fileClass,
                                                               const std::string& fileName);

    TMeshNormalsOrientation FNormalsOrientation = mnoDefault;
    TGLMaterialLibrary* FMaterialLibrary = nullptr;
    TGLMaterialLibrary* FLightmapLibrary = nullptr;
    TVector4f FAxisAlignedDimensionsCache{};
    bool FBaryCenterOffsetChanged = true;
    TVector4f FBaryCenterOffset{};
    bool FUseMeshMaterials = true;
    bool FOverlaySkeleton = false;
    bool FIgnoreMissingTextures = false;
    TMeshAutoCenterings FAutoCentering;
    std::unique_ptr<TGLCoordinates3> FAutoScaling;
    bool FMaterialLibraryCachesPrepared = false;
    std::string FLastLoadedFilename;
    std::unique_ptr<TGLMeshObjectList, TFreeDeleter> FMeshObjects;
    std::unique_ptr<TGLSkeleton, TFreeDeleter> FSkeleton;
    // Built over the mesh objects' vertex lists: declared after them, so it dies first.
    std::unique_ptr<TGLBaseMeshConnectivity> FConnectivity;
};

// A static mesh that can build an octree over its triangles and answer world-space queries through it.
class TGLFreeForm : public TGLBaseMesh {
public:
    explicit TGLFreeForm(TComponent* AOwner);
    ~TGLFreeForm() override;

    // AutoCentering, AutoScaling, UseMeshMaterials and NormalsOrientation.
    void DefineProperties(TFiler& Filer) override;

    // An octree of TreeDepth levels (at most 6) over the triangles as they are now; not rebuilt on changes.
    void BuildOctree(int32_t TreeDepth = 3);
    // The queries fail an assertion until BuildOctree. Points and normals come back in world space; normals are
    // not normalised and are negated with mnoInvert.
    bool OctreeRayCastIntersect(const TVector4f& rayStart, const TVector4f& rayVector,
                                TVector4f* intersectPoint = nullptr, TVector4f* intersectNormal = nullptr);
    // Velocity and radius are taken as they are, in local units.
    bool OctreeSphereSweepIntersect(const TVector4f& rayStart, const TVector4f& rayVector, float velocity,
                                    float radius, TVector4f* intersectPoint = nullptr,
                                    TVector4f* intersectNormal = nullptr);
    bool OctreeTriangleIntersect(const TVector3f& v1, const TVector3f& v2, const TVector3f& v3);
    // A box in the space of objMatrix against the triangles; with triangles, those it overlaps are appended
    // there.
    bool OctreeAABBIntersect(const TAABB& AABB, const TMatrix4f& objMatrix, const TMatrix4f& invObjMatrix,
                             TAffineVectorList* triangles = nullptr);
    // Whether the point lies inside the closed surface, by counting the crossings of a random ray.
    bool OctreePointInMesh(const TVector4f& point);

    TOctree* Octree() const { return FOctree.get(); }

private:
    // The octree, after asserting that it was built.
    TOctree& BuiltOctree() const;
    // A local-space hit point and normal back into world space.
    void HitToAbsolute(TVector4f* intersectPoint, TVector4f* intersectNormal);

    std::unique_ptr<TOctree> FOctree;
};

// The engine's own mesh file: the archive of the mesh-object list, nothing more (no skeleton, materials or
// settings).
class TGLGLSMVectorFile : public TGLVectorFile {
public:
    using TGLVectorFile::TGLVectorFile;
    static TGLDataFileCapabilities ClassCapabilities() { return dfcRead | dfcWrite; }
    TGLDataFileCapabilities Capabilities() const override { return ClassCapabilities(); }
    TGLDataFile* CreateCopy(TPersistent* AOwner) const override { return new TGLGLSMVectorFile(AOwner); }

    // The archive's mesh objects are appended to the owner's once it has all been read.
    void LoadFromStream(TStream& aStream) override;
    void SaveToStream(TStream& aStream) override;
};

// Registers the archived classes of the module by name and the "glsm" format (start-up).
void RegisterGLVectorFileObjects();

// ---------------------------------------------------------------------------------------------------------
// Skeleton

class TGLSkeleton;
class TGLSkeletonBone;
class TGLSkeletonColliderList;
class TGLSkeletonFrameList;

// The plain object-list reader, whose nil entries are left out; false when there were any.
bool ReadObjectListWithoutNils(TPersistentObjectList& list, TVirtualReader* reader);
// Reads list's object-list archive: an entry that is not a T is refused by the list's ItemCreatedByReader, a
// nil entry here.
template <class T> void ReadOwnedObjectList(TPersistentObjectList& list, TVirtualReader* reader)
{
    if (!ReadObjectListWithoutNils(list, reader)) CheckArchivedItem<T>(nullptr, list);
}
// Frees every item (each a T with an Owner, which is cleared first) and empties the list.
template <class T> void FreeOwnedItems(TPersistentObjectList& list)
{
    for (int32_t i = 0; i < list.Count(); ++i) {
        TObject* item = list.List()[i];
        if (auto* owned = dynamic_cast<T*>(item)) owned->SetOwner(nullptr);
        Free(item);
    }
    list.TPersistentObjectList::Clear();
}

// A list TList that owns items of class T, each of which names the list as its Owner; the list has an owner
// of its own. Reading refuses entries of other classes and nil ones and links each item as it is made.
template <class TList, class T> class TGLOwnedObjectList : public TPersistentObjectList {
public:
    TGLOwnedObjectList() = default;
    explicit TGLOwnedObjectList(TPersistent* AOwner) : FOwner(AOwner) {}
    // Frees the items.
    ~TGLOwnedObjectList() override { Clear(); }

    void ReadFromFiler(TVirtualReader* reader) override { ReadOwnedObjectList<T>(*this, reader); }
    // Frees the items.
    void Clear() override { FreeOwnedItems<T>(*this); }
    void Clean() override { Clear(); }

    T* Items(int32_t Index) const { return static_cast<T*>(Get(Index)); }
    TPersistent* Owner() const { return FOwner; }

protected:
    void ItemCreatedByReader(TObject* Sender) override
    {
        CheckArchivedItem<T>(Sender, *this)->SetOwner(static_cast<TList*>(this));
    }

private:
    TPersistent* FOwner = nullptr;
};

enum TGLSkeletonFrameTransform { sftRotation, sftQuaternion };

// One pose: a translation and a rotation per bone, indexed by bone identifier. The rotations are Euler angles
// in radians (sftRotation) or quaternions (sftQuaternion); the local bone matrices made from them are cached
// until FlushLocalMatrixList or a new read.
class TGLSkeletonFrame : public TPersistentObject {
public:
    TGLSkeletonFrame();
    // Created into aOwner (when given), which then owns it.
    explicit TGLSkeletonFrame(TGLSkeletonFrameList* aOwner);
    // Leaves its owner list.
    ~TGLSkeletonFrame() override;
    TPersistentObject* NewInstance() const override { return new TGLSkeletonFrame; }

    // From another frame: the name, the three lists and the transform mode (the owner stays).
    void Assign(TPersistent* Source) override;
    // Version 1: Name, Position, Rotation, Quaternion, TransformMode. Version 0 ends after Rotation.
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;

    // One local matrix per entry of the rotation list in force, built when missing: the rotation, then the
    // translation Position[i] (none where Position is shorter).
    const std::vector<TMatrix4f>& LocalMatrixList();
    void FlushLocalMatrixList();
    // Rotation rebuilt from Quaternion (the zero vector where a rotation does not decompose), and the reverse.
    // Neither changes TransformMode.
    void ConvertQuaternionsToRotations(bool KeepQuaternions = true);
    void ConvertRotationsToQuaternions(bool KeepRotations = true);

    TGLSkeletonFrameList* Owner() const { return FOwner; }
    void SetOwner(TGLSkeletonFrameList* Value) { FOwner = Value; }
    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value) { FName = Value; }
    TAffineVectorList* Position() const { return FPosition.get(); }
    void SetPosition(TAffineVectorList* Value) { FPosition->Assign(Value); }
    TAffineVectorList* Rotation() const { return FRotation.get(); }
    void SetRotation(TAffineVectorList* Value) { FRotation->Assign(Value); }
    TQuaternionList* Quaternion() const { return FQuaternion.get(); }
    void SetQuaternion(TQuaternionList* Value) { FQuaternion->Assign(Value); }
    TGLSkeletonFrameTransform TransformMode() const { return FTransformMode; }
    void SetTransformMode(TGLSkeletonFrameTransform Value) { FTransformMode = Value; }

private:
    TGLSkeletonFrameList* FOwner = nullptr;
    std::string FName;
    std::unique_ptr<TAffineVectorList> FPosition;
    std::unique_ptr<TAffineVectorList> FRotation;
    std::unique_ptr<TQuaternionList> FQuaternion;
    std::vector<TMatrix4f> FLocalMatrixList;
    bool FLocalMatrixListBuilt = false;
    TGLSkeletonFrameTransform FTransformMode = sftRotation;
};

// The animation frames of a skeleton; it owns them.
class TGLSkeletonFrameList : public TGLOwnedObjectList<TGLSkeletonFrameList, TGLSkeletonFrame> {
public:
    using TGLOwnedObjectList::TGLOwnedObjectList;
    TPersistentObject* NewInstance() const override { return new TGLSkeletonFrameList; }

    TGLSkeletonFrame* GetSkeletonFrame(int32_t Index) const { return Items(Index); }
    // Every frame converted, and with SetTransformMode given the matching transform mode.
    void ConvertQuaternionsToRotations(bool KeepQuaternions = true, bool SetTransformMode = true);
    void ConvertRotationsToQuaternions(bool KeepRotations = true, bool SetTransformMode = true);
};

// A list of bones with a global matrix: the root list of a skeleton, or a bone (the list of its children).
// It owns its bones. The archive stores its version after the bones.
class TGLSkeletonBoneList : public TPersistentObjectList {
public:
    TGLSkeletonBoneList();
    explicit TGLSkeletonBoneList(TGLSkeleton* aOwner);
    // Frees the bones.
    ~TGLSkeletonBoneList() override;

    // The object-list archive of the bones, then Integer 0; an entry that is not a bone is refused.
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;
    void Clear() override;
    void Clean() override { Clear(); }

    TGLSkeletonBone* Items(int32_t Index) const;
    TGLSkeletonBone* GetSkeletonBone(int32_t Index) const { return Items(Index); }
    // The first answer of the bones' own searches, in order; nullptr when none.
    virtual TGLSkeletonBone* BoneByID(int32_t anID);
    virtual TGLSkeletonBone* BoneByName(const std::string& aName);
    // 1 for the list itself plus every bone below it.
    int32_t BoneCount() const;
    // Draws the bones for debugging.
    virtual void BuildList(TGLRenderContextInfo& mrci) = 0;
    // The bones' global matrices from the skeleton's current frame, in order.
    virtual void PrepareGlobalMatrices();

    TGLSkeleton* Skeleton() const { return FSkeleton; }
    void SetSkeleton(TGLSkeleton* Value) { FSkeleton = Value; }
    const TMatrix4f& GlobalMatrix() const { return FGlobalMatrix; }

protected:
    void ItemCreatedByReader(TObject* Sender) override;
    // BuildList of every bone, in order.
    void BuildChildren(TGLRenderContextInfo& mrci);

    TGLSkeleton* FSkeleton = nullptr;
    TMatrix4f FGlobalMatrix;
};

// The root bones of a skeleton; its global matrix (the identity) is every root bone's parent matrix.
class TGLSkeletonRootBoneList : public TGLSkeletonBoneList {
public:
    using TGLSkeletonBoneList::TGLSkeletonBoneList;
    TPersistentObject* NewInstance() const override { return new TGLSkeletonRootBoneList; }

    // The bone-list data, then Integer 0.
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;
    // Without colour material or lighting, white, then every root bone.
    void BuildList(TGLRenderContextInfo& mrci) override;
};

// A bone: the list of its child bones, with the identifier of its entries in every frame, a name and a debug
// colour (red in bits 0-7 ... alpha in bits 24-31; opaque white at creation). GlobalMatrix is its placement in
// the mesh's own space.
class TGLSkeletonBone : public TGLSkeletonBoneList {
public:
    TGLSkeletonBone();
    // Created into aOwner (when given), which then owns it; it takes aOwner's skeleton.
    explicit TGLSkeletonBone(TGLSkeletonBoneList* aOwner);
    // Leaves its owner list and tells its skeleton, whose identifier cache and colliders forget it.
    ~TGLSkeletonBone() override;
    TPersistentObject* NewInstance() const override { return new TGLSkeletonBone; }

    // The bone-list data (the children), then Integer 0, Name, BoneID and Color.
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;
    // Identifier 0, no name, no children.
    void Clean() override;

    // Itself when it matches, else the search among its children.
    TGLSkeletonBone* BoneByID(int32_t anID) override;
    TGLSkeletonBone* BoneByName(const std::string& aName) override;
    // A point in its colour at its place, a line from its parent bone, then its children.
    void BuildList(TGLRenderContextInfo& mrci) override;
    // GlobalMatrix := the current frame's local matrix of the bone x the parent's global matrix (the identity
    // as local matrix where the frame has none for BoneID); then the children. Nothing in rag-doll mode.
    void PrepareGlobalMatrices() override;

    void SetGlobalMatrix(const TMatrix4f& Matrix) { FGlobalMatrix = Matrix; }
    // A world-space matrix (from a physics simulation) brought into the space of the skeleton's mesh.
    void SetGlobalMatrixForRagDoll(const TMatrix4f& RagDollMatrix);

    TGLSkeletonBoneList* Owner() const { return FOwner; }
    void SetOwner(TGLSkeletonBoneList* Value) { FOwner = Value; }
    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value) { FName = Value; }
    int32_t BoneID() const { return FBoneID; }
    void SetBoneID(int32_t Value);
    uint32_t Color() const { return FColor; }
    void SetColor(uint32_t Value) { FColor = Value; }

private:
    TGLSkeletonBoneList* FOwner = nullptr;
    int32_t FBoneID = 0;
    std::string FName;
    uint32_t FColor = 0xFFFFFFFFu;
};

// A placement that follows a bone: LocalMatrix relative to the bone, GlobalMatrix in the mesh's space (in
// world space when the skeleton belongs to a scene object). The shapes that use it are descendants' business.
class TGLSkeletonCollider : public TPersistentObject {
public:
    TGLSkeletonCollider();
    // Created into AOwner (when given), which then owns it.
    explicit TGLSkeletonCollider(TGLSkeletonColliderList* AOwner);
    // Leaves its owner list.
    ~TGLSkeletonCollider() override;
    TPersistentObject* NewInstance() const override { return new TGLSkeletonCollider; }

    // Version 0: the bone's identifier (-1 without a bone), then LocalMatrix as 64 raw bytes. Reading keeps
    // the identifier in BoneID; the list finds the bone.
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;
    // GlobalMatrix := LocalMatrix x the bone's global matrix (x the skeleton's scene object's absolute matrix).
    virtual void AlignCollider();

    TGLSkeletonColliderList* Owner() const { return FOwner; }
    void SetOwner(TGLSkeletonColliderList* Value) { FOwner = Value; }
    TGLSkeletonBone* Bone() const { return FBone; }
    void SetBone(TGLSkeletonBone* Value) { FBone = Value; }
    // The identifier read from the archive.
    int32_t BoneID() const { return FBoneID; }
    const TMatrix4f& LocalMatrix() const { return FLocalMatrix; }
    void SetLocalMatrix(const TMatrix4f& Value) { FLocalMatrix = Value; }
    const TMatrix4f& GlobalMatrix() const { return FGlobalMatrix; }
    bool AutoUpdate() const { return FAutoUpdate; }
    void SetAutoUpdate(bool Value) { FAutoUpdate = Value; }

private:
    TGLSkeletonColliderList* FOwner = nullptr;
    TGLSkeletonBone* FBone = nullptr;
    int32_t FBoneID = -1;
    TMatrix4f FLocalMatrix;
    TMatrix4f FGlobalMatrix;
    bool FAutoUpdate = true;
};

// The colliders of a skeleton; it owns them.
class TGLSkeletonColliderList : public TGLOwnedObjectList<TGLSkeletonColliderList, TGLSkeletonCollider> {
public:
    using TGLOwnedObjectList::TGLOwnedObjectList;
    TPersistentObject* NewInstance() const override { return new TGLSkeletonColliderList; }

    // The object-list archive of the colliders; in a skeleton each finds its bone by identifier.
    void ReadFromFiler(TVirtualReader* reader) override;
    // AlignCollider of every collider that updates itself, in order.
    void AlignColliders();
};

// One layer of BlendedLerps: frames frameIndex1 and frameIndex2 interpolated by lerpFactor, or the external
// lists where they are given (layers after the first).
struct TBlendedLerpInfo {
    int32_t frameIndex1 = 0;
    int32_t frameIndex2 = 0;
    float lerpFactor = 0;
    float weight = 1;
    TAffineVectorList* externalPositions = nullptr;
    TAffineVectorList* externalRotations = nullptr;
    TQuaternionList* externalQuaternions = nullptr;
};

// The bones, animation frames and colliders of a mesh, with the pose in use (CurrentFrame, a frame of its own
// that is never one of Frames). MorphMesh places the bones by the current frame and deforms the mesh's
// skinned mesh objects; in rag-doll mode the bones are placed from outside instead.
class TGLSkeleton : public TPersistentObject {
public:
    TGLSkeleton();
    explicit TGLSkeleton(TGLBaseMesh* AOwner);
    ~TGLSkeleton() override;
    TPersistentObject* NewInstance() const override { return new TGLSkeleton; }

    // Version 1 when there are colliders, else 0: RootBones, Frames, then (version 1) Colliders.
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;

    TGLBaseMesh* Owner() const { return FOwner; }
    TGLSkeletonRootBoneList* RootBones() const { return FRootBones.get(); }
    void SetRootBones(TGLSkeletonRootBoneList* Value);
    TGLSkeletonFrameList* Frames() const { return FFrames.get(); }
    void SetFrames(TGLSkeletonFrameList* Value) { FFrames->Assign(Value); }
    TGLSkeletonColliderList* Colliders() const { return FColliders.get(); }
    void SetColliders(TGLSkeletonColliderList* Value) { FColliders->Assign(Value); }
    // The pose in use; the first read makes it a copy of Frames[0]. nullptr while there is neither.
    TGLSkeletonFrame* CurrentFrame();
    // The pose becomes a copy of Value.
    void SetCurrentFrame(TGLSkeletonFrame* Value);
    bool MorphInvisibleParts() const { return FMorphInvisibleParts; }
    void SetMorphInvisibleParts(bool Value) { FMorphInvisibleParts = Value; }
    bool RagDollEnabled() const { return FRagDollEnabled; }

    // Through a cache by identifier, built on first use and dropped whenever a bone comes, goes or changes its
    // identifier: an identifier from 0 to the highest one answers its bone or nullptr, any other raises
    // EListError. Of two bones with one identifier the later in depth-first order wins.
    TGLSkeletonBone* BoneByID(int32_t anID);
    // The same without the error: nullptr for an identifier no bone has.
    TGLSkeletonBone* FindBoneByID(int32_t anID);
    TGLSkeletonBone* BoneByName(const std::string& aName);
    // One more than the number of bones (the root list counts itself).
    int32_t BoneCount() const;
    void FlushBoneByIDCache();
    // The global matrix of the bone with identifier anID; the identity when there is no such bone.
    const TMatrix4f& BoneMatrix(int32_t anID);
    // A dying bone leaves the identifier cache and the colliders.
    void ForgetBone(TGLSkeletonBone* aBone);

    // The current frame becomes a copy of the frame (the index is checked).
    void MorphTo(int32_t frameIndex);
    void MorphTo(TGLSkeletonFrame* frame);
    // The current frame := frame frameIndex1 blended toward frameIndex2 (positions linearly, rotations as
    // Euler angles through quaternions or spherically, by the first frame's mode); the factor is not clamped.
    void Lerp(int32_t frameIndex1, int32_t frameIndex2, float lerpFactor);
    // Layered blending: the first layer weighted, the others' positions and rotations added on top.
    void BlendedLerps(std::span<const TBlendedLerpInfo> lerpInfos);
    // Bone 0's position drift between the two frames removed linearly over the frames between them.
    void MakeSkeletalTranslationStatic(int32_t startFrame, int32_t endFrame);
    // Positions zeroed and rotations made relative to frame 0 over the frames between the two.
    void MakeSkeletalRotationDelta(int32_t startFrame, int32_t endFrame);
    // Places the bones, aligns the colliders and deforms the owner's skinned mesh objects (visible ones only,
    // unless MorphInvisibleParts).
    void MorphMesh(bool normalize);
    // Takes the reference skeleton's current pose, then MorphMesh(true).
    void Synchronize(TGLSkeleton* reference);
    // No bones, frames, current frame or colliders.
    void Clear();
    // Bone matrices come from outside until StopRagdoll; the skinned mesh objects are bound to the bones as
    // they are now, and get their own binding back at the stop.
    void StartRagdoll();
    void StopRagdoll();

private:
    // The owner's skinned mesh objects, in order.
    template <class F> void ForEachSkinnedMeshObject(F f);
    // The current frame, made when missing (empty, not a copy of any frame).
    TGLSkeletonFrame& OwnCurrentFrame();
    // The current frame emptied and given the mode: what interpolation fills.
    TGLSkeletonFrame& BlankCurrentFrame(TGLSkeletonFrameTransform mode);
    // Frame Index, checked.
    TGLSkeletonFrame* Frame(int32_t Index) const { return FFrames->Items(Index); }
    void BuildBoneByIDCache();

    TGLBaseMesh* FOwner = nullptr;
    std::unique_ptr<TGLSkeletonRootBoneList, TFreeDeleter> FRootBones;
    std::unique_ptr<TGLSkeletonFrameList, TFreeDeleter> FFrames;
    std::unique_ptr<TGLSkeletonFrame, TFreeDeleter> FCurrentFrame;
    std::vector<std::pair<int32_t, TGLSkeletonBone*>> FBonesByIDCache; // by identifier, ascending
    bool FBonesByIDCacheBuilt = false;
    std::unique_ptr<TGLSkeletonColliderList, TFreeDeleter> FColliders;
    bool FRagDollEnabled = false;
    bool FMorphInvisibleParts = false;
    // Scratch lists of BlendedLerps, kept so that blending every frame does not allocate.
    TAffineVectorList FBlendVectors;
    TQuaternionList FBlendQuaternions;
};

// ---------------------------------------------------------------------------------------------------------
// Morph targets and skinned mesh objects

class TMeshMorphTargetList;

// An alternative set of vertices and normals of a morphable mesh object.
class TMeshMorphTarget : public TBaseMeshObject {
public:
    TMeshMorphTarget() = default;
    // Created into AOwner (when given), which then owns it.
    explicit TMeshMorphTarget(TMeshMorphTargetList* AOwner);
    // Leaves its owner list.
    ~TMeshMorphTarget() override;
    TPersistentObject* NewInstance() const override { return new TMeshMorphTarget; }

    // The base data, then Integer 0.
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;

    TMeshMorphTargetList* Owner() const { return FOwner; }
    void SetOwner(TMeshMorphTargetList* Value) { FOwner = Value; }

private:
    TMeshMorphTargetList* FOwner = nullptr;
};

// The morph targets of a morphable mesh object; it owns them.
class TMeshMorphTargetList : public TGLOwnedObjectList<TMeshMorphTargetList, TMeshMorphTarget> {
public:
    using TGLOwnedObjectList::TGLOwnedObjectList;
    TPersistentObject* NewInstance() const override { return new TMeshMorphTargetList; }

    TMeshMorphTarget* GetMeshMorphTarget(int32_t Index) const { return Items(Index); }
    void Translate(const TVector3f& delta);
};

// A mesh object with morph targets: vertex animation copies one target into the mesh or blends two.
class TMorphableMeshObject : public TGLMeshObject {
public:
    TMorphableMeshObject();
    explicit TMorphableMeshObject(TGLMeshObjectList* AOwner);
    ~TMorphableMeshObject() override;
    TPersistentObject* NewInstance() const override { return new TMorphableMeshObject; }

    // The mesh-object data, then Integer 0 and the targets.
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;
    // The mesh-object clear, then the targets are freed.
    void Clear() override;
    // The vertices and every target.
    void Translate(const TVector3f& delta) override;

    // The target's vertices and normals (those it has) become the mesh's. Nothing for 0 without targets; an
    // index outside the targets fails an assertion.
    virtual void MorphTo(int32_t morphTargetIndex);
    // The two targets blended by lerpFactor (not clamped); normals come out normalised. Exactly 0 and 1 are
    // MorphTo of the first and the second.
    virtual void Lerp(int32_t morphTargetIndex1, int32_t morphTargetIndex2, float lerpFactor);

    TMeshMorphTargetList* MorphTargets() const { return FMorphTargets.get(); }

protected:
    // The buffers of the lists changed leave the valid set.
    void InvalidateBuffers(TVBOBuffers changed);

private:
    std::unique_ptr<TMeshMorphTargetList, TFreeDeleter> FMorphTargets;
};

// A bone of a vertex and its share in the vertex.
struct TVertexBoneWeight {
    int32_t BoneID;
    float Weight;
};
static_assert(sizeof(TVertexBoneWeight) == 8);
using TVertexBoneWeightDynArray = std::vector<TVertexBoneWeight>;

// A morphable mesh object skinned to the skeleton of its base mesh: each vertex has BonesPerVertex (bone,
// weight) entries, a row of the weight table. ApplyCurrentSkeletonFrame places the vertices and normals from
// the bones' global matrices through copies of the mesh in each bone's space (the inverted meshes), made
// after loading. A bone the skeleton lacks counts as the identity.
class TGLSkeletonMeshObject : public TMorphableMeshObject {
public:
    TGLSkeletonMeshObject();
    explicit TGLSkeletonMeshObject(TGLMeshObjectList* AOwner);
    // Frees the inverted meshes, kept and backed up.
    ~TGLSkeletonMeshObject() override;
    TPersistentObject* NewInstance() const override { return new TGLSkeletonMeshObject; }

    // The morphable data, then Integer 0, the row count, BonesPerVertex, the capacity and the rows in use as
    // raw blocks of 8-byte entries (bone identifier, weight; little-endian).
    void WriteToFiler(TVirtualWriter* writer) override;
    void ReadFromFiler(TVirtualReader* reader) override;
    // The morphable clear; no rows or bones per vertex (the capacity stays) and no inverted meshes.
    void Clear() override;

    // Row vertex of the weight table: BonesPerVertex entries (checked against the rows in use).
    TVertexBoneWeight* VerticesBonesWeights(int32_t vertex);
    int32_t VerticeBoneWeightCount() const { return FVerticeBoneWeightCount; }
    // Growing past the capacity makes it the new count + 16.
    void SetVerticeBoneWeightCount(int32_t Value);
    int32_t VerticeBoneWeightCapacity() const { return FVerticeBoneWeightCapacity; }
    // Below the row count it lowers the count; negative fails an assertion.
    void SetVerticeBoneWeightCapacity(int32_t Value);
    int32_t BonesPerVertex() const { return FBonesPerVertex; }
    // Negative fails an assertion.
    void SetBonesPerVertex(int32_t Value);

    // A new row whose first entry is (aBoneID, aWeight); BonesPerVertex becomes at least 1.
    void AddWeightedBone(int32_t aBoneID, float aWeight);
    // A new row starting with boneIDs; BonesPerVertex grows to their number.
    void AddWeightedBones(const TVertexBoneWeightDynArray& boneIDs);
    // The first vertex bound to the bone (alone) at exactly this position and normal, else a new one.
    int32_t FindOrAdd(int32_t boneID, const TVector3f& vertex, const TVector3f& normal);
    // The first vertex whose row starts with boneIDs at exactly this position and normal, else a new one.
    int32_t FindOrAdd(const TVertexBoneWeightDynArray& boneIDs, const TVector3f& vertex, const TVector3f& normal);

    // One inverted mesh per bone slot: the vertices and normals (those with a weight row) in the space of the
    // bone each vertex names in that slot, as the bones are placed now.
    void PrepareBoneMatrixInvertedMeshes();
    // Vertices and normals from the bones' global matrices and the weights (as stored); vertices without a
    // row or an inverted mesh stay as they are.
    void ApplyCurrentSkeletonFrame(bool normalize);
    // Rag-doll bracketing: the inverted meshes are put aside, and taken back (when any were put aside).
    void BackupBoneMatrixInvertedMeshes();
    void RestoreBoneMatrixInvertedMeshes();

    // The inverted meshes in use.
    int32_t BoneMatrixInvertedMeshCount() const { return static_cast<int32_t>(FBoneMatrixInvertedMeshes.size()); }
    TBaseMeshObject* BoneMatrixInvertedMesh(int32_t Index) const { return FBoneMatrixInvertedMeshes.at(Index).get(); }

private:
    using TInvertedMeshes = std::vector<std::unique_ptr<TBaseMeshObject, TFreeDeleter>>;
    // The skeleton of the base mesh that holds this mesh object's list, or nullptr.
    TGLSkeleton* Skeleton() const;
    // Row vertex, unchecked.
    const TVertexBoneWeight* Row(int32_t vertex) const;
    // The table reshaped to rows x BonesPerVertex entries, keeping the rows in use of the old shape.
    void ResizeVerticesBonesWeights(int32_t rows);
    // The first row below the count that starts with the entries and whose vertex and normal are these.
    int32_t FindRow(const TVertexBoneWeight* entries, int32_t count, const TVector3f& vertex,
                    const TVector3f& normal) const;
    // A new vertex at the new row's index.
    int32_t AddVertex(const TVector3f& vertex, const TVector3f& normal);

    std::vector<TVertexBoneWeight> FVerticesBonesWeights; // FTableRows x FBonesPerVertex, zero-filled
    int32_t FTableRows = 0;                               // rows allocated: at least the count, at most the capacity
    int32_t FVerticeBoneWeightCount = 0;
    int32_t FVerticeBoneWeightCapacity = 0;
    int32_t FBonesPerVertex = 0;
    int32_t FLastVerticeBoneWeightCount = 0;
    int32_t FLastBonesPerVertex = 0;
    TInvertedMeshes FBoneMatrixInvertedMeshes;
    TInvertedMeshes FBackupInvertedMeshes;
};

// ---------------------------------------------------------------------------------------------------------
// Actor, animation list and animation controllers

class TGLActor;
class TGLActorAnimations;
class TGLBaseAnimationControler;
class TStrings;

// What an actor's frames are: the mesh objects' morph targets, the skeleton's frames, or nothing.
enum TGLActorAnimationReference { aarMorph, aarSkeleton, aarNone };
enum TActorFrameInterpolation { afpNone, afpLinear };
enum TGLActorAnimationMode {
    aamNone,
    aamPlayOnce,
    aamLoop,
    aamBounceForward,
    aamBounceBackward,
    aamLoopBackward,
    aamExternal
};
enum TGLActorOption { aoSkeletonNormalizeNormals };
using TGLActorOptions = TSet<TGLActorOption, uint8_t>;

// A named range of frames of an actor. The frame setters keep the range inside the frames the owner actor
// has for the reference.
class TGLActorAnimation : public TPersistent {
public:
    explicit TGLActorAnimation(TGLActorAnimations* ACollection);
    // An actor whose pending smooth switch aims at this animation forgets it.
    ~TGLActorAnimation() override;

    // From another animation: the name, the frames and the reference as they are.
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override;
    // "index - name [start - end]".
    std::string GetDisplayName() const;
    TGLActorAnimations* Collection() const { return FCollection; }
    int32_t Index() const;
    // Unique in the collection, kept for the animation's life.
    int32_t ID() const { return FID; }
    // The actor of the collection, or nullptr.
    TGLActor* OwnerActor() const;

    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value) { FName = Value; }
    int32_t StartFrame() const { return FStartFrame; }
    // Kept between 0 and the reference's frame count - 1 (-1 without frames); EndFrame rises to it.
    void SetStartFrame(int32_t Value);
    int32_t EndFrame() const { return FEndFrame; }
    // Kept likewise; StartFrame comes down to it.
    void SetEndFrame(int32_t Value);
    TGLActorAnimationReference Reference() const { return FReference; }
    // A new reference with frames clamps the frames to it; aarNone keeps them as they are.
    void SetReference(TGLActorAnimationReference Value);

    // The animation-list line: "name",start,end,reference (morph, skeleton or none); quotes in the name
    // doubled.
    std::string AsString() const;
    // Reads such a line: at least three comma-separated items (blanks outside quotes separate too). The frames
    // are taken as they are, then the reference goes through its setter: the fourth item when there are
    // exactly four, else morph. Fewer than three items or an unknown reference fail an assertion, frames that
    // are not integers raise EConvertError; either way the animation is left as it was.
    void SetAsString(const std::string& Value);

    // The owner skeleton's operations of the same names over the animation's frames.
    void MakeSkeletalTranslationStatic();
    void MakeSkeletalRotationDelta();

private:
    friend class TGLActorAnimations;
    // The owner actor's frame count for the reference; aarNone fails an assertion.
    int32_t FrameCount() const;
    // Start and end kept inside count frames.
    static int32_t ClampedFrame(int32_t Value, int32_t count);

    TGLActorAnimations* FCollection;
    int32_t FID = 0;
    std::string FName;
    int32_t FStartFrame = 0;
    int32_t FEndFrame = 0;
    TGLActorAnimationReference FReference = aarMorph;
};

// The named frame ranges of an actor, in order, owned. Saved as an "AAF" text: the line "AAF", the number of
// animations, then one AsString line per animation, each line ended by CR LF.
class TGLActorAnimations : public TPersistent {
public:
    explicit TGLActorAnimations(TGLActor* aOwner);
    ~TGLActorAnimations() override;
    TGLActorAnimations(const TGLActorAnimations&) = delete;
    TGLActorAnimations& operator=(const TGLActorAnimations&) = delete;

    TPersistent* GetOwner() const override;
    TGLActor* Owner() const { return FOwner; }
    // From another animation list: copies of its animations replace these.
    void Assign(TPersistent* Source) override;

    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    // A new animation at the end: unnamed, frames 0 to 0, morph.
    TGLActorAnimation* Add();
    // Raises EListError for an index outside the list.
    TGLActorAnimation* Items(int32_t Index) const;
    // The animation at Index copies Value.
    void SetItems(int32_t Index, TGLActorAnimation* Value);
    // nullptr when empty.
    TGLActorAnimation* Last() const;
    void Delete(int32_t Index);
    void Clear();
    int32_t IndexOf(const TGLActorAnimation* Item) const;
    TGLActorAnimation* FindItemID(int32_t ID) const;
    // The first animation of that name, letter case ignored; nullptr when none.
    TGLActorAnimation* FindName(const std::string& aName) const;
    // The first animation of that reference whose range holds the frame; nullptr when none.
    TGLActorAnimation* FindFrame(int32_t aFrame, TGLActorAnimationReference aReference) const;
    // The names in order, replacing the lines of aStrings.
    void SetToStrings(TStrings* aStrings) const;

    void SaveToStream(TStream& aStream) const;
    // The whole text is read before anything changes: a header other than "AAF" or a bad line fails (an
    // assertion, or EConvertError for a frame that is not an integer) and leaves the list as it was.
    void LoadFromStream(TStream& aStream);
    // A failed write leaves the file as it was.
    void SaveToFile(const std::string& fileName) const;
    void LoadFromFile(const std::string& fileName);

    // The "Animations" value of a component stream: a list of (name, start, end, reference) per animation,
    // read back as they were written (no mesh is loaded while a stream is read, so nothing is clamped).
    void WriteAnimations(TWriter& Writer) const;
    void ReadAnimations(TReader& Reader);

private:
    TGLActor* FOwner;
    std::vector<std::unique_ptr<TGLActorAnimation>> FItems;
    int32_t FNextID = 0;
};

// A component that blends an extra layer into the skeletal pose of an actor it is attached to.
class TGLBaseAnimationControler : public TComponent {
public:
    explicit TGLBaseAnimationControler(TComponent* AOwner);
    // Leaves the actor before the component's own destruction.
    void BeforeDestruction() override;
    ~TGLBaseAnimationControler() override;

    // A dying actor is left.
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Enabled and Actor (by name, found among the owner's components once the stream is in).
    void DefineProperties(TFiler& Filer) override;
    void Loaded() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    TGLActor* Actor() const { return FActor; }
    // Leaves the old actor, joins the new one and tells it.
    void SetActor(TGLActor* Value);

    // Fills lerpInfo with the layer and answers whether there is one; never here.
    virtual bool Apply(TBlendedLerpInfo& lerpInfo);

protected:
    // Asks the actor to redraw.
    virtual void DoChange();

private:
    bool FEnabled = true;
    TGLActor* FActor = nullptr;
    std::string FActorName; // while a stream is read
};

// Blends a pose of one of the actor's animations, picked by Ratio between its start (0) and its end (1).
class TGLAnimationControler : public TGLBaseAnimationControler {
public:
    using TGLBaseAnimationControler::TGLBaseAnimationControler;

    void DefineProperties(TFiler& Filer) override;

    const std::string& AnimationName() const { return FAnimationName; }
    void SetAnimationName(const std::string& Value);
    float Ratio() const { return FRatio; }
    // Kept between 0 and 1 (NaN counts as 0).
    void SetRatio(float Value);

    // The frames around the ratio's place in the animation (the second never beyond its last frame), weight
    // 1 and no external rotations; nothing when disabled or the actor has no animation of that name.
    bool Apply(TBlendedLerpInfo& lerpInfo) override;

protected:
    // Only with an animation name.
    void DoChange() override;

private:
    std::string FAnimationName;
    float FRatio = 0;
};

// The animated mesh: its frames are the morph targets of its mesh objects or the frames of its skeleton. The
// frame clock advances the current frame (and the fraction toward the next one) by the animation mode; each
// draw interpolates the mesh between the two frames, with the layers of attached controllers blended into
// skeletal poses. Named ranges (Animations) are switched to at once or when the current frame step ends.
class TGLActor : public TGLBaseMesh {
public:
    explicit TGLActor(TComponent* AOwner);
    // Attached controllers are left without an actor.
    ~TGLActor() override;

    // The base mesh's part; from an actor also its animations, its mode and its frame state (Synchronize).
    void Assign(TPersistent* Source) override;
    // The published properties: the mesh's, the frame state, the mode, the interval, the options and the
    // animations (when there are any).
    void DefineProperties(TFiler& Filer) override;
    // The scene object's progress, then the frames: every Interval milliseconds one step of NextFrame.
    void DoProgress(const TProgressTimes& progressTime) override;
    // ApplyCurrentFrame, the mesh, then (OverlaySkeleton) the bones over it without depth testing.
    void BuildList(TGLRenderContextInfo& rci) override;
    // Poses the mesh between the current and the next frame: morph targets blended, or the skeleton's frames
    // blended (with the controllers' layers) and the skinned mesh objects deformed. Frames the mesh does not
    // have are not applied.
    virtual void ApplyCurrentFrame();
    // After a load: the whole range, frame 0, OnFrameChanged, then the base mesh's preparation.
    void PrepareMesh() override;
    // An actor is drawn directly each time: nothing to prepare.
    void PrepareBuildList(TGLRenderContextInfo& /*rci*/) override {}
    // The animations are replaced by none with the mesh; a load that fails keeps both.
    void LoadFromStream(const std::string& fileName, TStream& aStream) override;

    // Morph targets, skeleton frames or 0, by Reference.
    int32_t FrameCount() const;
    // The frame the mode steps to next: a pending smooth switch's start frame, else by the mode (see the
    // source); the current frame in aamExternal.
    int32_t NextFrameIndex() const;
    // nbSteps times: CurrentFrame := NextFrameIndex, then OnEndFrameReached and OnStartFrameReached when it
    // landed on those frames.
    void NextFrame(int32_t nbSteps = 1);
    // Back nbSteps frames; below the start the frame wraps once by EndFrame - StartFrame, else stops on the start.
    void PrevFrame(int32_t nbSteps = 1);
    // Smooth: the animation's start becomes the next frame, and the range is switched when the current step
    // ends; an animation of another actor is taken by name from this one's. Otherwise the reference, the range
    // and the current frame are switched at once. nullptr, a missing name or an index outside the list do
    // nothing.
    void SwitchToAnimation(TGLActorAnimation* anAnimation, bool smooth = false);
    void SwitchToAnimation(const std::string& animationName, bool smooth = false);
    void SwitchToAnimation(int32_t animationIndex, bool smooth = false);
    // The name of the first animation that holds the current frame, or ''.
    std::string CurrentAnimation() const;
    bool isSwitchingAnimation() const { return FTargetSmoothAnimation != nullptr; }
    TGLActorAnimation* TargetSmoothAnimation() const { return FTargetSmoothAnimation; }
    // Takes the frame state and mode of referenceActor (frames this actor does not have stay), its pending
    // switch by name and, when both skeletons have frames, its pose. No events.
    void Synchronize(TGLActor* referenceActor);

    int32_t StartFrame() const { return FStartFrame; }
    // Taken when it is a frame; EndFrame rises to StartFrame, CurrentFrame too.
    void SetStartFrame(int32_t Value);
    int32_t EndFrame() const { return FEndFrame; }
    // Taken when it is a frame; CurrentFrame comes down to it.
    void SetEndFrame(int32_t Value);
    TGLActorAnimationReference Reference() const { return FReference; }
    void SetReference(TGLActorAnimationReference Value) { FReference = Value; }
    int32_t CurrentFrame() const { return FCurrentFrame; }
    // Kept to the frames; the fraction restarts at 0; play-once stops on the end frame (unless a switch is
    // pending) and the bounce modes turn at the ends; then StructureChanged and OnFrameChanged.
    void SetCurrentFrame(int32_t Value);
    // The frame alone, without checks or events.
    void SetCurrentFrameDirect(int32_t Value) { FCurrentFrame = Value; }
    float CurrentFrameDelta() const { return FCurrentFrameDelta; }
    void SetCurrentFrameDelta(float Value) { FCurrentFrameDelta = Value; }
    TActorFrameInterpolation FrameInterpolation() const { return FFrameInterpolation; }
    void SetFrameInterpolation(TActorFrameInterpolation Value) { FFrameInterpolation = Value; }
    TGLActorAnimationMode AnimationMode() const { return FAnimationMode; }
    void SetAnimationMode(TGLActorAnimationMode Value) { FAnimationMode = Value; }
    // Milliseconds per frame; 0 or less stops the clock's stepping.
    int32_t Interval() const { return FInterval; }
    void SetInterval(int32_t Value) { FInterval = Value; }
    TGLActorOptions Options() const { return FOptions; }
    void SetOptions(TGLActorOptions Value);
    TGLActorAnimations* Animations() const { return FAnimations.get(); }
    // Copies of Value's animations replace these.
    void SetAnimations(TGLActorAnimations* Value);
    // The attached controllers, in the order they came.
    int32_t ControlerCount() const { return static_cast<int32_t>(FControlers.size()); }

    TNotifyEvent OnFrameChanged;
    TNotifyEvent OnEndFrameReached;
    TNotifyEvent OnStartFrameReached;

private:
    friend class TGLActorAnimation;
    friend class TGLBaseAnimationControler;
    void RegisterControler(TGLBaseAnimationControler* aControler);
    // Fails an assertion when no controller is attached.
    void UnRegisterControler(TGLBaseAnimationControler* aControler);
    // Whole frame steps of a fraction; beyond the longest run that still shows new frames, steps repeat the
    // frames of a whole cycle of the modes and are left out.
    int32_t FrameSteps(float delta) const;
    void ApplySkeletonFrame(int32_t next);

    int32_t FStartFrame = 0;
    int32_t FEndFrame = 0;
    TGLActorAnimationReference FReference = aarMorph;
    int32_t FCurrentFrame = 0;
    float FCurrentFrameDelta = 0;
    TActorFrameInterpolation FFrameInterpolation = afpLinear;
    int32_t FInterval = 100;
    TGLActorAnimationMode FAnimationMode = aamNone;
    std::unique_ptr<TGLActorAnimations> FAnimations;
    TGLActorAnimation* FTargetSmoothAnimation = nullptr;
    std::vector<TGLBaseAnimationControler*> FControlers;
    TGLActorOptions FOptions{aoSkeletonNormalizeNormals};
    // The layers of a blended pose, kept so that drawing does not allocate every frame.
    std::vector<TBlendedLerpInfo> FLerpInfos;
};

// ---------------------------------------------------------------------------------------------------------
// Textures named by model files

class TGLTexture;

// Reads a picture a model file names into the texture and enables it. A picture that is missing or cannot be
// read leaves the texture as it was, with a warning in the log, when the mesh ignores missing textures;
// otherwise the error propagates.
void LoadModelTexture(const TGLBaseMesh& mesh, TGLTexture& texture, const std::string& fileName);
