// The records of a 3DS file that the readers build from its chunks: materials, meshes, lights and cameras,
// and the motions of the keyframer. The file keeps one cache of each kind; a cache counts the records of the
// file on first use, reads a record the first time it is asked for and keeps it until the file is cleared or
// loads again.
#pragma once

#include "Types3DS.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TFile3DS;
class TStrings;
struct TChunk3DS;

// Raises EListError "List index out of bounds (%d)".
[[noreturn]] void Raise3DSIndexError(int32_t Index);

// Slots of records of one kind: sized by the count of the file's records on first use, each slot read on
// first request and kept until Clear.
template <class T> class TRecordSlots3DS {
public:
    using TCounter = int32_t (*)(TFile3DS& File);
    using TReader = void (*)(TFile3DS& File, int32_t Index, T& Record);

    TRecordSlots3DS(TFile3DS* Owner, TCounter Counter, TReader Reader)
        : FOwner(Owner), FCounter(Counter), FReader(Reader)
    {
    }

    int32_t Count()
    {
        if (!FSized) {
            FSlots.resize(static_cast<size_t>(FCounter(*FOwner)));
            FSized = true;
        }
        return static_cast<int32_t>(FSlots.size());
    }
    // nullptr when there are no records; an index outside them raises EListError. A read that raises leaves
    // the slot empty, so the next request reads again.
    T* Get(int32_t Index)
    {
        const int32_t count = Count();
        if (count == 0) return nullptr;
        if (Index < 0 || Index >= count) Raise3DSIndexError(Index);
        std::unique_ptr<T>& slot = FSlots[static_cast<size_t>(Index)];
        if (!slot) {
            auto record = std::make_unique<T>();
            FReader(*FOwner, Index, *record);
            slot = std::move(record);
        }
        return slot.get();
    }
    void Clear()
    {
        FSlots.clear();
        FSized = false;
    }

private:
    TFile3DS* FOwner;
    TCounter FCounter;
    TReader FReader;
    std::vector<std::unique_ptr<T>> FSlots;
    bool FSized = false;
};

// ---------------------------------------------------------------------------------------------------------
// Materials

class TMaterialList {
public:
    explicit TMaterialList(TFile3DS* AOwner);

    void ClearList() { FLocalList.Clear(); }
    int32_t Count() { return FLocalList.Count(); }
    TMaterial3DS* Material(int32_t Index) { return FLocalList.Get(Index); }
    // The first material whose name equals Name ignoring case; nullptr when none does.
    TMaterial3DS* MaterialByName(const std::string& Name);

private:
    TRecordSlots3DS<TMaterial3DS> FLocalList;
};

void InitBitmap3DS(TBitmap3DS& Bitmap);
void InitMaterial3DS(TMaterial3DS& Material);
// The number of material entries (in the mesh section, or directly under a material library's top chunk).
int32_t MaterialCount3DS(TFile3DS& File);
// The material entry of Index, nullptr when there is none; a file without a tree or of another family raises
// the database errors.
TChunk3DS* MaterialEntryByIndex(TFile3DS& File, int32_t Index);
// Reads the material of Index; an index without an entry raises "Invalid index %d.".
void GetMaterialByIndex3DS(TFile3DS& File, int32_t Index, TMaterial3DS& Material);
// Reads a MAT_ENTRY chunk; sub-chunks the reader does not know are passed over.
void ReadMaterial3DS(TFile3DS& File, TChunk3DS* Chunk, TMaterial3DS& Material);
// Reads the children of a map or mask container into Bitmap.
void ReadBitmap3DS(TFile3DS& File, TChunk3DS* Chunk, TBitmap3DS& Bitmap);
// The fraction held by the percentage inside Chunk (an integer percentage first), 0 without one.
float ReadPercentage3DS(TFile3DS& File, TChunk3DS* Chunk);

// ---------------------------------------------------------------------------------------------------------
// Meshes, lights and cameras

// The runtime library has a TObjectList of its own: this one lives in the unit's namespace.
namespace Utils3DS {

class TObjectList {
public:
    explicit TObjectList(TFile3DS* AOwner);

    void ClearLists();
    int32_t MeshCount() { return FMeshList.Count(); }
    int32_t OmniLightCount() { return FOmniList.Count(); }
    int32_t SpotLightCount() { return FSpotList.Count(); }
    int32_t CameraCount() { return FCameraList.Count(); }
    TMesh3DS* Mesh(int32_t Index) { return FMeshList.Get(Index); }
    TLight3DS* OmniLight(int32_t Index) { return FOmniList.Get(Index); }
    TLight3DS* SpotLight(int32_t Index) { return FSpotList.Get(Index); }
    TCamera3DS* Camera(int32_t Index) { return FCameraList.Get(Index); }

private:
    TRecordSlots3DS<TMesh3DS> FMeshList;
    TRecordSlots3DS<TLight3DS> FOmniList;
    TRecordSlots3DS<TLight3DS> FSpotList;
    TRecordSlots3DS<TCamera3DS> FCameraList;
};

} // namespace Utils3DS

// Which arrays of a mesh AllocMeshArrays sizes.
constexpr uint32_t cMeshVertexArray3DS = 0x01;
constexpr uint32_t cMeshTextArray3DS = 0x02;
constexpr uint32_t cMeshFaceArray3DS = 0x04;
constexpr uint32_t cMeshMatArray3DS = 0x08;
constexpr uint32_t cMeshSmoothArray3DS = 0x10;
constexpr uint32_t cMeshProcData3DS = 0x20;
constexpr uint32_t cMeshVFlagArray3DS = 0x40;

// Sizes the arrays chosen by Flags to their counts (NVertices, NTextVerts, NFaces, NMats, NFaces, ProcSize,
// NVertices): items kept, new items zero, a count of 0 frees the array.
void AllocMeshArrays(TMesh3DS& Mesh, uint32_t Flags);
// The defaults of a mesh; the vertex and face arrays sized, and the texture, vertex-flag and smoothing arrays
// too when Flags asks for them (the texture and vertex-flag counts then equal nVertices).
void InitMesh3DS(TMesh3DS& Mesh, uint16_t nVertices, uint16_t nFaces, uint32_t Flags);
void InitLight3DS(TLight3DS& Light);
void InitSpotLight3DS(TLight3DS& Light);
void InitCamera3DS(TCamera3DS& Camera);

int32_t MeshCount3DS(TFile3DS& File);
int32_t OmniLightCount3DS(TFile3DS& File);
int32_t SpotLightCount3DS(TFile3DS& File);
int32_t CameraCount3DS(TFile3DS& File);
// The Index-th object of the kind in file order; an index past the last leaves the record at its zero value.
// Meshes and lights of a file without a tree or of another family raise the database errors.
void GetMeshByIndex3DS(TFile3DS& File, int32_t Index, TMesh3DS& Mesh);
void GetOmniLightByIndex3DS(TFile3DS& File, int32_t Index, TLight3DS& Light);
void GetSpotLightByIndex3DS(TFile3DS& File, int32_t Index, TLight3DS& Light);
void GetCameraByIndex3DS(TFile3DS& File, int32_t Index, TCamera3DS& Camera);
// Readers of a NAMED_OBJECT chunk; an object of another kind raises the wrong-object error. A face naming a
// vertex the mesh does not have, or a material group naming a face it does not have, raises the invalid-chunk
// error; texture coordinates and smoothing masks the file leaves out read as (0, 0) and 0.
void ReadMesh3DS(TFile3DS& File, TChunk3DS* Chunk, TMesh3DS& Mesh);
void ReadLight3DS(TFile3DS& File, TChunk3DS* Chunk, TLight3DS& Light);
void ReadCamera3DS(TFile3DS& File, TChunk3DS* Chunk, TCamera3DS& Camera);

// ---------------------------------------------------------------------------------------------------------
// Scene settings, behind the file's MeshSettings, Atmosphere, Background and Viewport

// Read afresh on every call; what the file leaves out keeps its default. A file without a mesh section gives
// zeroed records from the first three, and one that is neither a mesh nor a project file, or that has neither
// a keyframer nor a mesh section, a zeroed viewport.
TMeshSet3DS ReadMeshSettings3DS(TFile3DS& File);
TAtmosphere3DS ReadAtmosphere3DS(TFile3DS& File);
TBackground3DS ReadBackground3DS(TFile3DS& File);
TViewport3DS ReadViewport3DS(TFile3DS& File);
// The viewport of a section (keyframer or mesh): the Top-th viewport data of its layout, where data of the
// current form, once met, hides the older form; zeroed without a section.
TViewport3DS ReadViewportSection3DS(TFile3DS& File, TChunk3DS* Section);

// ---------------------------------------------------------------------------------------------------------
// Keyframer

class TKeyFramer {
public:
    explicit TKeyFramer(TFile3DS* AOwner);

    void ClearLists();
    int32_t MeshMotionCount() { return FMeshMotionList.Count(); }
    int32_t CameraMotionCount() { return FCameraMotionList.Count(); }
    int32_t OmniLightMotionCount() { return FOmniMotionList.Count(); }
    int32_t SpotLightMotionCount() { return FSpotMotionList.Count(); }
    TKFMesh3DS* MeshMotion(int32_t Index) { return FMeshMotionList.Get(Index); }
    TKFCamera3DS* CameraMotion(int32_t Index) { return FCameraMotionList.Get(Index); }
    TKFOmni3DS* OmniLightMotion(int32_t Index) { return FOmniMotionList.Get(Index); }
    TKFSpot3DS* SpotLightMotion(int32_t Index) { return FSpotMotionList.Get(Index); }
    // Read once; zero when the file has no ambient node.
    TKFAmbient3DS* AmbientLightMotion();
    // Read on every call.
    TKFSets3DS Settings();

private:
    TFile3DS* FOwner;
    TRecordSlots3DS<TKFMesh3DS> FMeshMotionList;
    TRecordSlots3DS<TKFOmni3DS> FOmniMotionList;
    TRecordSlots3DS<TKFSpot3DS> FSpotMotionList;
    TRecordSlots3DS<TKFCamera3DS> FCameraMotionList;
    std::unique_ptr<TKFAmbient3DS> FAmbientMotion;
};

// Sizes the motion's tracks afresh to the key counts given (a negative count is 0): zero key headers and
// points, camera field of view 60, omni and ambient colours white, spot hot spot and fall-off 90, rolls and
// spot colours zero.
void InitKFCamera3DS(TKFCamera3DS& Motion, int32_t NPKeys, int32_t NFKeys, int32_t NRKeys, int32_t NTKeys);
void InitKFOmni3DS(TKFOmni3DS& Motion, int32_t NPKeys, int32_t NCKeys);
void InitKFSpot3DS(TKFSpot3DS& Motion, int32_t NPKeys, int32_t NCKeys, int32_t NHKeys, int32_t NFKeys,
                   int32_t NRKeys, int32_t NTKeys);
void InitKFAmbient3DS(TKFAmbient3DS& Motion, int32_t NCKeys);

// Rebuilds the index of the keyframer's nodes when it is out of date: the nodes in file order, each named by
// its header (an object node with its instance name after a "."); a node without a header has no chunk in
// the index, so no count, name list or look-up finds it.
void UpdateNodeTagList(TFile3DS& File);
// The number of keyframer nodes of Tag (nodes without a header not counted), and of each kind.
int32_t CountNodeTags(TFile3DS& File, uint16_t Tag);
int32_t MeshNodeCount3DS(TFile3DS& File);
int32_t CameraNodeCount3DS(TFile3DS& File);
int32_t OmniNodeCount3DS(TFile3DS& File);
int32_t SpotNodeCount3DS(TFile3DS& File);
// Clears List and adds the name of every node of Tag in file order, and of each kind.
void ListNodeTagNames(TFile3DS& File, uint16_t Tag, TStrings& List);
void ListCameraNodeNames(TFile3DS& File, TStrings& List);
void ListOmniNodeNames(TFile3DS& File, TStrings& List);
void ListSpotNodeNames(TFile3DS& File, TStrings& List);
// The first node of Tag whose header names exactly Name; nullptr when none does.
TChunk3DS* FindNodeChunkByName(TFile3DS& File, const std::string& Name, uint16_t Tag);
// The Index-th (from 0) node of Tag in the keyframer section; nullptr when there is none.
TChunk3DS* FindNodeChunkByIndex(TFile3DS& File, int32_t Index, uint16_t Tag);
// The parent name that loading put under a NODE_HDR chunk; empty without one.
std::string ReadParentName3DS(TChunk3DS* HeaderChunk);
// The keyframer's length, current frame and segment. A file without a keyframer section gets an empty one.
// A file without a tree or of another family raises the database errors.
TKFSets3DS GetKFSettings3DS(TFile3DS& File);
// The motion of the Index-th node of the kind; a node that is missing leaves the record at its zero value. A
// camera's target and a spot light's target are the target nodes of its name: a camera without one has an
// empty target, a spot light without one stays zero.
void GetKFMeshByIndex3DS(TFile3DS& File, int32_t Index, TKFMesh3DS& Motion);
void GetKFCameraByIndex3DS(TFile3DS& File, int32_t Index, TKFCamera3DS& Motion);
void GetKFOmniByIndex3DS(TFile3DS& File, int32_t Index, TKFOmni3DS& Motion);
void GetKFSpotByIndex3DS(TFile3DS& File, int32_t Index, TKFSpot3DS& Motion);
// The motion of the first ambient node; zero without one.
void GetKFAmbient3DS(TFile3DS& File, TKFAmbient3DS& Motion);
// Motion readers of node chunks; the mesh reader raises the wrong-object error for another kind of node.
void ReadKFMesh3DS(TFile3DS& File, TChunk3DS* Node, TKFMesh3DS& Motion);
// Target may be nullptr: the target's fields stay empty.
void ReadKFCamera3DS(TFile3DS& File, TChunk3DS* Camera, TChunk3DS* Target, TKFCamera3DS& Motion);
void ReadKFOmni3DS(TFile3DS& File, TChunk3DS* Light, TKFOmni3DS& Motion);
void ReadKFSpot3DS(TFile3DS& File, TChunk3DS* Spot, TChunk3DS* Target, TKFSpot3DS& Motion);
void ReadKFAmbient3DS(TFile3DS& File, TChunk3DS* Node, TKFAmbient3DS& Motion);
