#include "File3DS.h"

#include "Const3DS.h"
#include "GLApplicationFileIO.h"
#include "Streams.h"
#include "Utils3DS.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <unordered_map>

static_assert(std::endian::native == std::endian::little, "3DS values and arrays are read straight into memory");

void Raise3DSError(const std::string& Message)
{
    throw E3DSError(Message);
}

void Raise3DSErrorFmt(std::string_view AFormat, std::initializer_list<TVarRec> Args)
{
    throw E3DSError(Format(AFormat, Args));
}

// ---------------------------------------------------------------------------------------------------------
// The chunk tree

TChunk3DS::~TChunk3DS()
{
    // Unlinking every chain into a list first keeps the destruction flat: a file may hold long chains.
    std::vector<std::unique_ptr<TChunk3DS>> pending;
    const auto unlink = [&pending](TChunk3DS& chunk) {
        if (chunk.Children) pending.push_back(std::move(chunk.Children));
        if (chunk.Sibling) pending.push_back(std::move(chunk.Sibling));
    };
    unlink(*this);
    while (!pending.empty()) {
        std::unique_ptr<TChunk3DS> chunk = std::move(pending.back());
        pending.pop_back();
        unlink(*chunk);
    }
}

int ChunkOrder3DS(uint16_t Tag)
{
    switch (Tag) {
    case NULL_CHUNK:
    case OBJ_HIDDEN:
    case N_TRI_OBJECT:
    case N_DIRECT_LIGHT:
    case N_CAMERA:
        return 1;
    case SMAGIC:
        return 2;
    case LMAGIC:
        return 3;
    case M3DMAGIC:
        return 4;
    case M3D_VERSION:
        return 5;
    case MDATA:
        return 6;
    case KFDATA:
        return 7;
    case COLOR_24:
        return 8;
    case LIN_COLOR_24:
        return 9;
    case MESH_VERSION:
        return 10;
    case MAT_ENTRY:
        return 11;
    case KFHDR:
        return 12;
    case MASTER_SCALE:
        return 13;
    case VIEWPORT_LAYOUT:
        return 14;
    case LO_SHADOW_BIAS:
        return 15;
    case SHADOW_MAP_SIZE:
        return 16;
    case SHADOW_FILTER:
        return 17;
    case RAY_BIAS:
        return 18;
    case O_CONSTS:
        return 19;
    case AMBIENT_LIGHT:
        return 20;
    case SOLID_BGND:
        return 21;
    case BIT_MAP:
        return 22;
    case V_GRADIENT:
        return 23;
    case USE_BIT_MAP:
        return 24;
    case USE_SOLID_BGND:
        return 25;
    case USE_V_GRADIENT:
        return 26;
    case FOG:
        return 27;
    case LAYER_FOG:
        return 28;
    case DISTANCE_CUE:
        return 29;
    case DEFAULT_VIEW:
        return 30;
    case NAMED_OBJECT:
        return 31;
    case KFSEG:
        return 32;
    case KFCURTIME:
        return 33;
    case OBJECT_NODE_TAG:
    case CAMERA_NODE_TAG:
    case TARGET_NODE_TAG:
    case L_TARGET_NODE_TAG:
    case SPOTLIGHT_NODE_TAG:
        return 34;
    case AMBIENT_NODE_TAG:
        return 35;
    default:
        return 0;
    }
}

TChunk3DS* FindChunkInTree(TChunk3DS* Chunk, uint16_t Tag)
{
    if (!Chunk) return nullptr;
    if (Chunk->Tag == Tag) return Chunk;
    // Recursion only goes down, never along a chain, so its depth is the tree's nesting.
    for (TChunk3DS* child = Chunk->Children.get(); child; child = child->Sibling.get())
        if (TChunk3DS* found = FindChunkInTree(child, Tag)) return found;
    return nullptr;
}

TChunk3DS* FindChunkInSiblings(TChunk3DS* Chunk, uint16_t Tag)
{
    for (TChunk3DS* chunk = Chunk; chunk; chunk = chunk->Sibling.get())
        if (chunk->Tag == Tag) return chunk;
    return nullptr;
}

namespace {

// Links a single chunk in at link, ahead of what was there.
TChunk3DS* LinkAt(std::unique_ptr<TChunk3DS>& link, std::unique_ptr<TChunk3DS> Child)
{
    TChunk3DS* child = Child.get();
    child->Sibling = std::move(link);
    link = std::move(Child);
    return child;
}

} // namespace

TChunk3DS* AddChildChunk(TChunk3DS* Parent, std::unique_ptr<TChunk3DS> Child)
{
    std::unique_ptr<TChunk3DS>* link = &Parent->Children;
    while (*link) link = &(*link)->Sibling;
    return LinkAt(*link, std::move(Child));
}

TChunk3DS* InsertChildChunkOrdered(TChunk3DS* Parent, std::unique_ptr<TChunk3DS> Child)
{
    const int order = ChunkOrder3DS(Child->Tag);
    std::unique_ptr<TChunk3DS>* link = &Parent->Children;
    while (*link && ChunkOrder3DS((*link)->Tag) >= order) link = &(*link)->Sibling;
    return LinkAt(*link, std::move(Child));
}

std::unique_ptr<TChunk3DS> NewChunk()
{
    return std::make_unique<TChunk3DS>();
}

TChunk3DS* NewChildChunk(uint16_t Tag, TChunk3DS* Parent)
{
    std::unique_ptr<TChunk3DS> child = NewChunk();
    child->Tag = Tag;
    return InsertChildChunkOrdered(Parent, std::move(child));
}

std::unique_ptr<TChunk3DS> CopyChunkTree(TChunk3DS* Chunk)
{
    if (!Chunk) Raise3DSError(c3DSErrInvalidArgument);
    std::unique_ptr<TChunk3DS> copy = NewChunk();
    copy->Tag = Chunk->Tag;
    copy->Size = Chunk->Size;
    copy->Position = Chunk->Position;
    copy->Data = std::move(Chunk->Data);
    std::unique_ptr<TChunk3DS>* tail = &copy->Children;
    for (TChunk3DS* child = Chunk->Children.get(); child; child = child->Sibling.get()) {
        *tail = CopyChunkTree(child);
        tail = &(*tail)->Sibling;
    }
    return copy;
}

void ReleaseChunkTree(std::unique_ptr<TChunk3DS>& Chunk)
{
    Chunk.reset();
}

// ---------------------------------------------------------------------------------------------------------
// Own data ahead of the sub-chunks

namespace {

enum TOwnDataKind {
    odFixed,     // Size bytes (0: a pure container)
    odString,    // a zero-terminated string
    odFaceArray, // a Word count n, then 8 x n bytes
    odKFHdr,     // a 16-bit value, a string, a 32-bit value
    odNodeHdr,   // a string, then 6 bytes
    odWhole      // the whole body: no sub-chunks
};

struct TOwnData {
    TOwnDataKind Kind;
    int Size = 0;
};

TOwnData OwnDataOf(uint16_t Tag)
{
    switch (Tag) {
    case SOLID_BGND:
    case AMBIENT_LIGHT:
    case SMAGIC:
    case LMAGIC:
    case DEFAULT_VIEW:
    case MDATA:
    case MLIBMAGIC:
    case MATMAGIC:
    case N_TRI_OBJECT:
    case M3DMAGIC:
    case XDATA_SECTION:
    case XDATA_ENTRY:
    case MAT_AMBIENT:
    case MAT_DIFFUSE:
    case MAT_SPECULAR:
    case MAT_SHININESS:
    case MAT_SHIN2PCT:
    case MAT_SHIN3PCT:
    case MAT_TRANSPARENCY:
    case MAT_XPFALL:
    case MAT_REFBLUR:
    case MAT_SELF_ILPCT:
    case MAT_TEXMAP:
    case MAT_SPECMAP:
    case MAT_OPACMAP:
    case MAT_REFLMAP:
    case MAT_BUMPMAP:
    case MAT_TEX2MAP:
    case MAT_SHINMAP:
    case MAT_SELFIMAP:
    case MAT_TEXMASK:
    case MAT_TEX2MASK:
    case MAT_OPACMASK:
    case MAT_BUMPMASK:
    case MAT_SHINMASK:
    case MAT_SPECMASK:
    case MAT_SELFIMASK:
    case MAT_REFLMASK:
    case MAT_ENTRY:
    case KFDATA:
    case AMBIENT_NODE_TAG:
    case OBJECT_NODE_TAG:
    case CAMERA_NODE_TAG:
    case TARGET_NODE_TAG:
    case LIGHT_NODE_TAG:
    case L_TARGET_NODE_TAG:
    case SPOTLIGHT_NODE_TAG:
    case CMAGIC:
        return {odFixed, 0};
    case BIT_MAP:
    case VIEW_CAMERA:
    case NAMED_OBJECT:
    case PROC_NAME:
    case MAT_NAME:
    case MAT_MAPNAME:
    case INSTANCE_NAME:
        return {odString};
    case INT_PERCENTAGE:
    case SHADOW_MAP_SIZE:
    case SHADOW_SAMPLES:
    case NODE_ID:
        return {odFixed, 2};
    case COLOR_24:
        return {odFixed, 3};
    case M3D_VERSION:
    case FLOAT_PERCENTAGE:
    case MASTER_SCALE:
    case V_GRADIENT:
    case LO_SHADOW_BIAS:
    case HI_SHADOW_BIAS:
    case MESH_VERSION:
    case KFCURTIME:
    case MORPH_SMOOTH:
    case VPDATA:
        return {odFixed, 4};
    case KFSEG:
        return {odFixed, 8};
    case DL_LOCAL_SHADOW2:
        return {odFixed, 10};
    case COLOR_F:
    case O_CONSTS:
    case N_DIRECT_LIGHT:
    case MAT_ACUBIC:
    case PIVOT:
        return {odFixed, 12};
    case VIEWPORT_LAYOUT:
        return {odFixed, 14};
    case FOG:
    case DISTANCE_CUE:
    case LAYER_FOG:
    case VIEW_TOP:
    case VIEW_BOTTOM:
    case VIEW_LEFT:
    case VIEW_RIGHT:
    case VIEW_FRONT:
    case VIEW_BACK:
        return {odFixed, 16};
    case DL_SPOTLIGHT:
        return {odFixed, 20};
    case BOUNDBOX:
        return {odFixed, 24};
    case VIEW_USER:
        return {odFixed, 28};
    case N_CAMERA:
        return {odFixed, 32};
    case MESH_MATRIX:
        return {odFixed, 48};
    case FACE_ARRAY:
        return {odFaceArray};
    case KFHDR:
        return {odKFHdr};
    case NODE_HDR:
        return {odNodeHdr};
    default:
        return {odWhole};
    }
}

bool IsFileKind(uint16_t Tag)
{
    return Tag == MLIBMAGIC || Tag == M3DMAGIC || Tag == CMAGIC;
}

// The keyframer nodes that take part in the parent hierarchy, in the order parent names are resolved.
constexpr uint16_t cHierarchyNodeTags[] = {TARGET_NODE_TAG,  OBJECT_NODE_TAG,   CAMERA_NODE_TAG,
                                           LIGHT_NODE_TAG,   L_TARGET_NODE_TAG, SPOTLIGHT_NODE_TAG};

bool IsHierarchyNode(uint16_t Tag)
{
    return std::find(std::begin(cHierarchyNodeTags), std::end(cHierarchyNodeTags), Tag) !=
           std::end(cHierarchyNodeTags);
}

// One node of the keyframer section while parent names are resolved.
struct TNodeList {
    int32_t ID = 0; // wider than the file's 16 bits, so that renumbering a long section never wraps
    uint16_t Tag = 0;
    std::string Name;
    std::string InstStr;
    int16_t ParentID = 0;
};

int64_t EndOf(const TChunk3DS* Chunk)
{
    return int64_t{Chunk->Position} + Chunk->Size;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// The file

TFile3DS::TFile3DS()
    : FMaterialList(std::make_unique<TMaterialList>(this)),
      FObjectList(std::make_unique<Utils3DS::TObjectList>(this)), FKeyFramer(std::make_unique<TKeyFramer>(this))
{
}

TFile3DS::TFile3DS(const std::string& FileName) : TFile3DS()
{
    LoadFromFile(FileName);
}

TFile3DS::~TFile3DS()
{
    FKeyFramer.reset();
    FObjectList.reset();
    FMaterialList.reset();
}

TMaterialList& TFile3DS::Materials()
{
    return *FMaterialList;
}

Utils3DS::TObjectList& TFile3DS::Objects()
{
    return *FObjectList;
}

TKeyFramer& TFile3DS::KeyFramer()
{
    return *FKeyFramer;
}

void TFile3DS::ReleaseStream()
{
    FStream = nullptr;
    FOwnStream.reset();
}

void TFile3DS::ResetDatabase()
{
    FDatabase = TDatabase3DS();
}

void TFile3DS::ClearLists()
{
    FMaterialList->ClearList();
    FObjectList->ClearLists();
    FKeyFramer->ClearLists();
    ResetDatabase();
}

void TFile3DS::LoadFromFile(const std::string& FileName)
{
    ClearLists();
    ReleaseStream();
    FFileName = FileName;
    FOwnStream = CreateHookedFileStream(FileName, fmOpenRead | fmShareDenyWrite);
    FStream = FOwnStream.get();
    ResetDatabase();
    ParseDatabase();
}

void TFile3DS::LoadFromStream(TStream& aStream)
{
    ReleaseStream();
    ClearLists();
    FFileName.clear();
    FStream = &aStream;
    ResetDatabase();
    ParseDatabase();
}

TStream& TFile3DS::Stream()
{
    if (!FStream) Raise3DSError(c3DSErrNoDatabase);
    return *FStream;
}

void TFile3DS::ReportProgress(int64_t StreamPos, int64_t StreamMax)
{
    if (FOnLoadProgress) FOnLoadProgress(static_cast<int32_t>(StreamPos), static_cast<int32_t>(StreamMax));
}

void TFile3DS::ParseDatabase()
{
    try {
        FDatabase.TopChunk = NewChunk();
        TChunk3DS* top = FDatabase.TopChunk.get();
        const int64_t size = Stream().Size();
        FLimit = size;
        Stream().SetPosition(0);
        ReadHeader(top->Tag, top->Size);
        if (!IsFileKind(top->Tag)) return;
        if (top->Size < 6 || top->Size > size) Raise3DSError(c3DSErrInvalidChunk);
        ReportProgress(0, size);
        BuildChildren(top, 0);
        SetParentNames();
    } catch (const std::bad_alloc&) {
        Raise3DSError(c3DSErrNoMemory);
    }
}

void TFile3DS::BuildChildren(TChunk3DS* Chunk, int Depth)
{
    const int64_t end = EndOf(Chunk);
    SeekChild(Chunk);
    const TScopedValue limit(FLimit, end);
    std::unique_ptr<TChunk3DS>* tail = &Chunk->Children;
    while (*tail) tail = &(*tail)->Sibling;
    int64_t position = Stream().Position();
    while (position < end) {
        ReportProgress(position, 0);
        std::unique_ptr<TChunk3DS> node = NewChunk();
        node->Position = static_cast<uint32_t>(position);
        ReadHeader(node->Tag, node->Size);
        if (node->Size < 6 || node->Size > end - position || Depth >= cMaxChunkDepth3DS)
            Raise3DSError(c3DSErrInvalidChunk);
        TChunk3DS* child = LinkAt(*tail, std::move(node));
        tail = &child->Sibling;
        if (child->Tag == XDATA_ENTRY)
            BuildExtensionChildren(child);
        else
            BuildChildren(child, Depth + 1);
        position = EndOf(child);
        Stream().SetPosition(position);
    }
}

void TFile3DS::BuildExtensionChildren(TChunk3DS* Entry)
{
    const int64_t end = EndOf(Entry);
    const TScopedValue limit(FLimit, end);
    std::unique_ptr<TChunk3DS>* tail = &Entry->Children;
    int64_t position = int64_t{Entry->Position} + 6;
    // Unknown entries end the list; an entry that does not fit is stepped over.
    while (end - position >= 6) {
        Stream().SetPosition(position);
        uint16_t tag;
        uint32_t size;
        ReadHeader(tag, size);
        if (tag < XDATA_APPNAME || tag > XDATA_RFU1) break;
        if (size < 6 || size > end - position) {
            position += 6;
            continue;
        }
        std::unique_ptr<TChunk3DS> node = NewChunk();
        node->Tag = tag;
        node->Size = size;
        node->Position = static_cast<uint32_t>(position);
        tail = &LinkAt(*tail, std::move(node))->Sibling;
        position += size;
    }
    Stream().SetPosition(end);
}

void TFile3DS::Skip(int64_t Count)
{
    Need(Count);
    Stream().Seek(Count, soCurrent);
}

int64_t TFile3DS::CheckedEnd(const TChunk3DS* Chunk)
{
    const int64_t end = EndOf(Chunk);
    if (end > Stream().Size()) Raise3DSError(c3DSErrInvalidChunk);
    return end;
}

void TFile3DS::SeekChild(TChunk3DS* Chunk)
{
    const int64_t end = CheckedEnd(Chunk);
    const TScopedValue limit(FLimit, end);
    Stream().SetPosition(int64_t{Chunk->Position} + 6);
    const TOwnData own = OwnDataOf(Chunk->Tag);
    switch (own.Kind) {
    case odFixed:
        Skip(own.Size);
        break;
    case odString:
        ReadString();
        break;
    case odFaceArray:
        Skip(int64_t{8} * ReadWord());
        break;
    case odKFHdr:
        ReadShort();
        ReadString();
        ReadInteger();
        break;
    case odNodeHdr:
        ReadString();
        Skip(6);
        break;
    case odWhole:
        if (end > Stream().Position()) Stream().SetPosition(end);
        break;
    }
}

void TFile3DS::SetParentNames()
{
    TChunk3DS* kfData = FindChunkInTree(FDatabase.TopChunk.get(), KFDATA);
    if (!kfData) return;

    std::vector<TNodeList> nodes;
    bool renumber = false;
    for (TChunk3DS* node = kfData->Children.get(); node; node = node->Sibling.get()) {
        if (!IsHierarchyNode(node->Tag)) continue;
        TNodeList& entry = nodes.emplace_back();
        TChunk3DS* header = FindChunkInTree(node, NODE_HDR);
        if (!header) continue;
        ReadChunkData(header);
        const TNodeHdr& nodeHdr = *header->DataAs<TNodeHdr>();
        entry.Name = nodeHdr.ObjNameStr;
        entry.ParentID = nodeHdr.ParentIndex;
        entry.Tag = node->Tag;
        entry.ID = -1;
        if (TChunk3DS* id = FindChunkInTree(node, NODE_ID)) {
            ReadChunkData(id);
            entry.ID = *id->DataAs<int16_t>();
        }
        if (node->Tag == OBJECT_NODE_TAG)
            if (TChunk3DS* instance = FindChunkInTree(node, INSTANCE_NAME)) {
                ReadChunkData(instance);
                entry.InstStr = *instance->DataAs<std::string>();
                FreeChunkData(instance);
            }
        FreeChunkData(header);
        renumber = renumber || entry.ID == -1;
    }
    if (renumber)
        for (size_t i = 0; i < nodes.size(); ++i) nodes[i].ID = static_cast<int32_t>(i);
    // The first entry of each ID, as a linear search would find it.
    std::unordered_map<int32_t, const TNodeList*> byID;
    for (const TNodeList& entry : nodes) byID.emplace(entry.ID, &entry);
    const auto find = [&byID](int32_t id) -> const TNodeList* {
        const auto found = byID.find(id);
        return found == byID.end() ? nullptr : found->second;
    };

    for (uint16_t tag : cHierarchyNodeTags) {
        for (TChunk3DS* node = FindChunkInTree(kfData, tag); node; node = FindChunkInSiblings(node->Sibling.get(), tag)) {
            TChunk3DS* header = FindChunkInTree(node, NODE_HDR);
            TChunk3DS* id = FindChunkInTree(node, NODE_ID);
            if (!header || !id || !id->DataAs<int16_t>()) continue;
            const TNodeList* entry = find(*id->DataAs<int16_t>());
            if (!entry || entry->ParentID == -1) continue;
            const TNodeList* parent = find(entry->ParentID);
            if (!parent) continue;
            const std::string parentName = parent->InstStr.empty() ? parent->Name : parent->Name + "." + parent->InstStr;
            if (parentName.empty()) continue;
            TChunk3DS* parentChunk = FindChunkInTree(header, PARENT_NAME);
            if (!parentChunk) {
                parentChunk = NewChildChunk(PARENT_NAME, header);
                parentChunk->Data = std::make_unique<TChunkValue<std::string>>();
            }
            if (std::string* text = parentChunk->DataAs<std::string>()) *text = parentName;
        }
    }
}

TDBType3DS TFile3DS::DatabaseType()
{
    const TChunk3DS* top = FDatabase.TopChunk.get();
    if (!top) return dbUnknown;
    switch (top->Tag) {
    case MLIBMAGIC:
        return dbMaterialFile;
    case M3DMAGIC:
        return dbMeshFile;
    case CMAGIC:
        return dbProjectFile;
    default:
        return dbUnknown;
    }
}

TReleaseLevel TFile3DS::ReleaseOf(uint16_t VersionTag)
{
    TChunk3DS* version = FindChunkInTree(FDatabase.TopChunk.get(), VersionTag);
    if (!version) return rlReleaseNotKnown;
    ReadChunkData(version);
    switch (*version->DataAs<int32_t>()) {
    case 1:
        return rlRelease1;
    case 2:
        return rlRelease2;
    case 3:
        return rlRelease3;
    default:
        return rlReleaseNotKnown;
    }
}

TReleaseLevel TFile3DS::DatabaseRelease()
{
    switch (DatabaseType()) {
    case dbMaterialFile:
        return rlRelease3;
    case dbMeshFile:
        return ReleaseOf(M3D_VERSION);
    case dbProjectFile:
        return ReleaseOf(MESH_VERSION);
    default:
        return rlReleaseNotKnown;
    }
}

TReleaseLevel TFile3DS::MeshRelease()
{
    const TDBType3DS type = DatabaseType();
    return type == dbMeshFile || type == dbProjectFile ? ReleaseOf(MESH_VERSION) : rlReleaseNotKnown;
}

// ---------------------------------------------------------------------------------------------------------
// Read primitives

void TFile3DS::Need(int64_t Count)
{
    if (Count > FLimit - Stream().Position()) Raise3DSError(c3DSErrInvalidChunk);
}

int64_t TFile3DS::BytesLeft()
{
    return std::max<int64_t>(0, FLimit - Stream().Position());
}

void TFile3DS::ReadData(int64_t Size, void* Data)
{
    if (Size <= 0) return;
    Need(Size);
    Stream().ReadBuffer(Data, Size);
}

namespace {

template <class T> T ReadPlain(TFile3DS& file)
{
    T value;
    file.ReadData(sizeof(T), &value);
    return value;
}

} // namespace

uint8_t TFile3DS::ReadByte()
{
    return ReadPlain<uint8_t>(*this);
}

int16_t TFile3DS::ReadShort()
{
    return ReadPlain<int16_t>(*this);
}

uint16_t TFile3DS::ReadWord()
{
    return ReadPlain<uint16_t>(*this);
}

int32_t TFile3DS::ReadInteger()
{
    return ReadPlain<int32_t>(*this);
}

uint32_t TFile3DS::ReadCardinal()
{
    return ReadPlain<uint32_t>(*this);
}

float TFile3DS::ReadSingle()
{
    return ReadPlain<float>(*this);
}

double TFile3DS::ReadDouble()
{
    return ReadPlain<double>(*this);
}

TPoint3DS TFile3DS::ReadPoint()
{
    return ReadPlain<TPoint3DS>(*this);
}

TTexVert3DS TFile3DS::ReadTexVert()
{
    return ReadPlain<TTexVert3DS>(*this);
}

TFace3DS TFile3DS::ReadFace()
{
    return ReadPlain<TFace3DS>(*this);
}

std::string TFile3DS::ReadString()
{
    std::string result;
    int64_t position = Stream().Position();
    // The string is read in blocks that double, so that a long one costs linear time.
    int64_t block = 64;
    std::vector<char> buffer;
    for (;;) {
        const int64_t count = std::min(block, FLimit - position);
        if (count <= 0) Raise3DSError(c3DSErrInvalidChunk);
        buffer.resize(static_cast<size_t>(count));
        Stream().ReadBuffer(buffer.data(), count);
        const auto* zero = static_cast<const char*>(std::memchr(buffer.data(), 0, buffer.size()));
        if (zero) {
            result.append(buffer.data(), static_cast<size_t>(zero - buffer.data()));
            Stream().SetPosition(position + (zero - buffer.data()) + 1);
            return result;
        }
        result.append(buffer.data(), buffer.size());
        position += count;
        block *= 2;
    }
}

void TFile3DS::ReadHeader(uint16_t& ChunkType, uint32_t& ChunkSize)
{
    uint8_t header[6];
    ReadData(sizeof(header), header);
    std::memcpy(&ChunkType, header, 2);
    std::memcpy(&ChunkSize, header + 2, 4);
}

TTrackHeader3DS TFile3DS::ReadTrackHeader()
{
    TTrackHeader3DS header;
    header.Flags = ReadWord();
    header.nu1 = static_cast<int32_t>(ReadCardinal());
    header.nu2 = static_cast<int32_t>(ReadCardinal());
    const uint32_t keyCount = ReadCardinal();
    if (keyCount > uint32_t{std::numeric_limits<int32_t>::max()}) Raise3DSError(c3DSErrInvalidChunk);
    header.KeyCount = static_cast<int32_t>(keyCount);
    return header;
}

namespace {

// The optional values of a key, in the order of their RFlags bits 0x01 to 0x10.
template <class TKey> auto KeyValues(TKey& key)
{
    return std::array{&key.Tension, &key.Continuity, &key.Bias, &key.EaseTo, &key.EaseFrom};
}

} // namespace

TKeyHeader3DS TFile3DS::ReadKeyHeader()
{
    TKeyHeader3DS key;
    key.Time = static_cast<int32_t>(ReadCardinal());
    key.RFlags = ReadWord();
    const auto values = KeyValues(key);
    for (size_t bit = 0; bit < values.size(); ++bit)
        if (key.RFlags & (1u << bit)) *values[bit] = ReadSingle();
    return key;
}

// ---------------------------------------------------------------------------------------------------------
// Write primitives

namespace {

template <class T> void WritePlain(TFile3DS& file, const T& value)
{
    file.WriteData(sizeof(T), &value);
}

} // namespace

void TFile3DS::WriteData(int64_t Size, const void* Data)
{
    if (!Data || Size <= 0) return;
    Stream().WriteBuffer(Data, Size);
}

void TFile3DS::WriteByte(uint8_t AValue)
{
    WritePlain(*this, AValue);
}

void TFile3DS::WriteShort(int16_t AValue)
{
    WritePlain(*this, AValue);
}

void TFile3DS::WriteWord(uint16_t AValue)
{
    WritePlain(*this, AValue);
}

void TFile3DS::WriteInteger(int32_t AValue)
{
    WritePlain(*this, AValue);
}

void TFile3DS::WriteCardinal(uint32_t AValue)
{
    WritePlain(*this, AValue);
}

void TFile3DS::WriteSingle(float AValue)
{
    WritePlain(*this, AValue);
}

void TFile3DS::WriteDouble(double AValue)
{
    WritePlain(*this, AValue);
}

void TFile3DS::WriteString(const std::string& AValue)
{
    // The text and its terminating zero.
    WriteData(static_cast<int64_t>(AValue.size()) + 1, AValue.c_str());
}

void TFile3DS::WriteFixedString(const std::string& AValue, int32_t Len)
{
    WriteString(AValue);
    const int64_t padding = int64_t(Len) - int64_t(AValue.size()) - 1;
    if (padding > 0) WriteData(padding, std::string(static_cast<size_t>(padding), '\0').data());
}

void TFile3DS::WriteHeader(uint16_t ChunkType, uint32_t ChunkSize)
{
    uint8_t header[6];
    std::memcpy(header, &ChunkType, 2);
    std::memcpy(header + 2, &ChunkSize, 4);
    WriteData(sizeof(header), header);
}

void TFile3DS::FinishHeader(int64_t StartPos, int64_t EndPos)
{
    const int64_t length = EndPos - StartPos;
    if (StartPos < 0 || length < 6 || length > int64_t{std::numeric_limits<uint32_t>::max()})
        Raise3DSError(c3DSErrInvalidArgument);
    TStream& stream = Stream();
    stream.SetPosition(StartPos + 2);
    WriteCardinal(static_cast<uint32_t>(length));
    stream.SetPosition(EndPos);
}

void TFile3DS::WritePoint(const TPoint3DS& P)
{
    WritePlain(*this, P);
}

void TFile3DS::WriteTexVertex(const TTexVert3DS& T)
{
    WritePlain(*this, T);
}

void TFile3DS::WriteFace(const TFace3DS& F)
{
    WritePlain(*this, F);
}

void TFile3DS::WriteTrackHeader(const TTrackHeader3DS& T)
{
    WriteWord(T.Flags);
    WriteCardinal(static_cast<uint32_t>(T.nu1));
    WriteCardinal(static_cast<uint32_t>(T.nu2));
    WriteCardinal(static_cast<uint32_t>(T.KeyCount));
}

void TFile3DS::WriteKeyHeader(const TKeyHeader3DS& K)
{
    WriteCardinal(static_cast<uint32_t>(K.Time));
    WriteWord(K.RFlags);
    const auto values = KeyValues(K);
    for (size_t bit = 0; bit < values.size(); ++bit)
        if (K.RFlags & (1u << bit)) WriteSingle(*values[bit]);
}
