// Files of the 3DS family (mesh files, project files, material libraries): the chunk tree read from a file,
// the decoded data of its chunks, read on demand from the stream the file keeps open, and the file's error.
// A chunk is a tag, a length counting the whole chunk, its own data and then its sub-chunks; how much own data
// precedes the sub-chunks depends on the tag.
#pragma once

#include "Types3DS.h"

#include "SysUtils.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TStream;
class TStrings;
class TMaterialList;
class TKeyFramer;
// The runtime library has a TObjectList of its own: the 3DS one lives in its unit's namespace.
namespace Utils3DS {
class TObjectList;
}

// ---------------------------------------------------------------------------------------------------------
// Errors

class E3DSError : public Exception {
public:
    using Exception::Exception;
};

inline const std::string c3DSErrNoMemory = "Not enough memory to complete operation.";
inline const std::string c3DSErrInvalidArgument =
    "The argument passed to the function is invalid.\rUsually caused by a nil pointer or an out of range numeric "
    "argument.";
inline const std::string c3DSErrInvalidChunk = "An invalid Chunk structure was encountered while reading\rthe "
                                               "database. Usually caused by a corrupt database or file.";
inline const std::string c3DSErrNoDatabase = "The database passed as an argument has not be created yet.";
inline const std::string c3DSErrWrongDatabase =
    "The database passed as an argument is the wrong kind of\rdatabase for this function.";
inline const std::string c3DSErrWrongObject =
    "The Name passed to the functions exists but is not the type of object asked for.\rFor example asking for a "
    "mesh object with the GetCameraByName3DS function.";
inline const std::string c3DSErrInvalidIndex = "Invalid index %d.";

[[noreturn]] void Raise3DSError(const std::string& Message);
[[noreturn]] void Raise3DSErrorFmt(std::string_view AFormat, std::initializer_list<TVarRec> Args);

// ---------------------------------------------------------------------------------------------------------
// The chunk tree

// The decoded own data of a chunk: a TChunkValue of the record its tag decodes to.
struct TChunkData {
    virtual ~TChunkData() = default;
};

template <class T> struct TChunkValue final : TChunkData {
    T Value{};
};

// One chunk of the tree: the header's tag and length, the stream offset of the header, the decoded data (empty
// until read) and the links. A chunk owns its data, its children and the siblings after it.
struct TChunk3DS {
    uint16_t Tag = 0;
    uint32_t Size = 0;
    uint32_t Position = 0;
    std::unique_ptr<TChunkData> Data;
    std::unique_ptr<TChunk3DS> Sibling;
    std::unique_ptr<TChunk3DS> Children;

    TChunk3DS() = default;
    // Frees the whole chain below and after it without recursion, however long the chain.
    ~TChunk3DS();
    TChunk3DS(const TChunk3DS&) = delete;
    TChunk3DS& operator=(const TChunk3DS&) = delete;

    // The decoded data when it is read and of record type T (DataAs<TPointArray>, DataAs<std::string>,
    // DataAs<int32_t>...), else nullptr.
    template <class T> T* DataAs() const
    {
        auto* value = dynamic_cast<TChunkValue<T>*>(Data.get());
        return value ? &value->Value : nullptr;
    }
};

// An entry of a name index over the tree: the name and the chunk it names (not owned).
struct TChunkListEntry3DS {
    std::string NameStr;
    TChunk3DS* Chunk = nullptr;
};

struct TChunkList3DS {
    std::vector<TChunkListEntry3DS> List;

    int32_t Count() const { return static_cast<int32_t>(List.size()); }
};

// The tree and the name indexes over it (objects, materials, keyframer nodes), built on first use.
struct TDatabase3DS {
    std::unique_ptr<TChunk3DS> TopChunk;
    bool ObjListDirty = true;
    bool MatListDirty = true;
    bool NodeListDirty = true;
    std::unique_ptr<TChunkList3DS> ObjList;
    std::unique_ptr<TChunkList3DS> MatList;
    std::unique_ptr<TChunkList3DS> NodeList;
};

// Nesting deeper than this below the top chunk marks a corrupt file.
constexpr int cMaxChunkDepth3DS = 256;

// The rank of a tag when chunks are inserted in order: the higher ranks first, 0 for most tags.
int ChunkOrder3DS(uint16_t Tag);

// Chunk itself, then its descendants depth first (never Chunk's own siblings); nullptr when none has Tag.
TChunk3DS* FindChunkInTree(TChunk3DS* Chunk, uint16_t Tag);
// The first chunk with Tag in the sibling chain that starts at Chunk (Chunk included), without descending.
TChunk3DS* FindChunkInSiblings(TChunk3DS* Chunk, uint16_t Tag);
// Appends a single Child after Parent's last child and answers it.
TChunk3DS* AddChildChunk(TChunk3DS* Parent, std::unique_ptr<TChunk3DS> Child);
// Puts a single Child before the first child of Parent that ranks below it, else after the last child.
TChunk3DS* InsertChildChunkOrdered(TChunk3DS* Parent, std::unique_ptr<TChunk3DS> Child);
std::unique_ptr<TChunk3DS> NewChunk();
// A new chunk of Tag inserted under Parent in order.
TChunk3DS* NewChildChunk(uint16_t Tag, TChunk3DS* Parent);
// A copy of Chunk and its descendants (tags, lengths, positions); the decoded data moves to the copies, and the
// source chunks read it again when asked. A nil Chunk raises the invalid-argument E3DSError.
std::unique_ptr<TChunk3DS> CopyChunkTree(TChunk3DS* Chunk);
// Frees the chain that starts at Chunk with everything below it, and empties the pointer.
void ReleaseChunkTree(std::unique_ptr<TChunk3DS>& Chunk);

// Frees a chunk's decoded data; the chunk can then be read again.
void FreeChunkData(TChunk3DS* Chunk);

// ---------------------------------------------------------------------------------------------------------
// The file

// Called with (0, stream size) when a load starts, then with (position, 0) before each chunk header.
using TLoadProgress = std::function<void(int32_t StreamPos, int32_t StreamMax)>;

// A file of the 3DS family. Loading reads every chunk header into the tree and keeps the stream, from which
// readers take the data of the chunks they need. Every read stays inside the chunk it belongs to: a length,
// count or string that runs past its chunk or the stream raises the invalid-chunk E3DSError.
class TFile3DS {
public:
    TFile3DS();
    // Loads the file, whose stream the object then owns.
    explicit TFile3DS(const std::string& FileName);
    virtual ~TFile3DS();
    TFile3DS(const TFile3DS&) = delete;
    TFile3DS& operator=(const TFile3DS&) = delete;

    void LoadFromFile(const std::string& FileName);
    // Reads aStream, which must stay valid while the object is used: chunk data is read from it later.
    void LoadFromStream(TStream& aStream);
    // Frees the records read so far, the tree and the name indexes.
    void ClearLists();

    // The record caches (materials, meshes, lights and cameras, keyframer motions).
    TMaterialList& Materials();
    Utils3DS::TObjectList& Objects();
    TKeyFramer& KeyFramer();

    // Scene-wide settings, read afresh on each call.
    TMeshSet3DS MeshSettings();
    TAtmosphere3DS Atmosphere();
    TBackground3DS Background();
    TViewport3DS Viewport();

    TDBType3DS DatabaseType();
    TReleaseLevel DatabaseRelease();
    TReleaseLevel MeshRelease();

    // Appends the text dump of the tree to Strings.
    void DumpDataBase(TStrings& Strings, TDumpLevel DumpLevel);

    TDatabase3DS& Database() { return FDatabase; }
    const std::string& FileName() const { return FFileName; }
    const TLoadProgress& OnLoadProgress() const { return FOnLoadProgress; }
    void SetOnLoadProgress(TLoadProgress Value) { FOnLoadProgress = std::move(Value); }

    // Decodes the chunk's own data into Chunk->Data unless it is already there.
    void ReadChunkData(TChunk3DS* Chunk);
    // Stores and answers an empty (zeroed) data block of the chunk's record; nullptr for containers and string
    // chunks. A tag without a layout of its own gets its length - 6 bytes, or nothing for a bare header.
    static TChunkData* InitChunkData(TChunk3DS* Chunk);
    // Moves the stream from the end of Chunk's header past its own data, to where its sub-chunks start.
    void SeekChild(TChunk3DS* Chunk);

    // Read primitives, at the stream's position. They never read past the end of the chunk being read (or
    // of the stream): the invalid-chunk E3DSError instead.
    uint8_t ReadByte();
    int16_t ReadShort();
    uint16_t ReadWord();
    int32_t ReadInteger();
    uint32_t ReadCardinal();
    float ReadSingle();
    double ReadDouble();
    void ReadData(int64_t Size, void* Data);
    // The bytes up to a zero byte, which is consumed; none before the end of the chunk is an error.
    std::string ReadString();
    void ReadHeader(uint16_t& ChunkType, uint32_t& ChunkSize);
    TPoint3DS ReadPoint();
    TTexVert3DS ReadTexVert();
    TFace3DS ReadFace();
    // A key count above the 32-bit signed range is refused.
    TTrackHeader3DS ReadTrackHeader();
    // The Singles the RFlags bits announce; the others are 0.
    TKeyHeader3DS ReadKeyHeader();
    // The bytes the reads may still take before the end of the chunk being read.
    int64_t BytesLeft();

    // Write primitives, each the mirror of its read, at the stream's position (a stream given to
    // LoadFromStream that can be written).
    void WriteByte(uint8_t AValue);
    void WriteShort(int16_t AValue);
    void WriteWord(uint16_t AValue);
    void WriteInteger(int32_t AValue);
    void WriteCardinal(uint32_t AValue);
    void WriteSingle(float AValue);
    void WriteDouble(double AValue);
    // Nothing when Data is nullptr.
    void WriteData(int64_t Size, const void* Data);
    // The bytes, then a zero byte.
    void WriteString(const std::string& AValue);
    // WriteString, then zero bytes up to Len bytes in all when the text is shorter.
    void WriteFixedString(const std::string& AValue, int32_t Len);
    void WriteHeader(uint16_t ChunkType, uint32_t ChunkSize);
    // Sets the length of the chunk whose header starts at StartPos to EndPos - StartPos and moves on to EndPos.
    // A chunk that would end before its header, or be longer than a length holds, is the invalid-argument
    // E3DSError.
    void FinishHeader(int64_t StartPos, int64_t EndPos);
    void WritePoint(const TPoint3DS& P);
    void WriteTexVertex(const TTexVert3DS& T);
    void WriteFace(const TFace3DS& F);
    void WriteTrackHeader(const TTrackHeader3DS& T);
    // Time and RFlags, then only the Singles whose RFlags bits are set, in the order they are read.
    void WriteKeyHeader(const TKeyHeader3DS& K);

private:
    void ReleaseStream();
    void ResetDatabase();
    void ParseDatabase();
    void BuildChildren(TChunk3DS* Chunk, int Depth);
    void BuildExtensionChildren(TChunk3DS* Entry);
    void SetParentNames();
    TReleaseLevel ReleaseOf(uint16_t VersionTag);
    void ReportProgress(int64_t StreamPos, int64_t StreamMax);
    // Raises the invalid-chunk error unless Count bytes can be read.
    void Need(int64_t Count);
    void Skip(int64_t Count);
    // Where reading Chunk must stop: its end, which must lie within the stream.
    int64_t CheckedEnd(const TChunk3DS* Chunk);
    TStream& Stream();

    TDatabase3DS FDatabase;
    std::unique_ptr<TMaterialList> FMaterialList;
    std::unique_ptr<Utils3DS::TObjectList> FObjectList;
    std::unique_ptr<TKeyFramer> FKeyFramer;
    TStream* FStream = nullptr;
    std::unique_ptr<TStream> FOwnStream;
    // Where the chunk being read ends: reads stop there.
    int64_t FLimit = 0;
    std::string FFileName;
    TLoadProgress FOnLoadProgress;
};
