// The keyframer readers: the node chunks of the keyframer section into motion records, its header into the
// animation settings, and the file's cache of the motions.
#include "Utils3DS.h"

#include "Const3DS.h"
#include "Utils3DS_chunks.h"

#include "StringLists.h"

#include <algorithm>

namespace {

TChunk3DS* KFDataChunk(TFile3DS& File)
{
    return FindChunkInTree(File.Database().TopChunk.get(), KFDATA);
}

bool IsNodeTag(uint16_t Tag)
{
    return Tag >= AMBIENT_NODE_TAG && Tag <= SPOTLIGHT_NODE_TAG;
}

// The header among a node's direct children; nullptr when it has none.
const TNodeHdr* NodeHeader(TFile3DS& File, TChunk3DS* Node)
{
    TChunk3DS* header = FindChild3DS(Node, NODE_HDR);
    return header ? ChunkValue3DS<TNodeHdr>(File, header) : nullptr;
}

const TChunkListEntry3DS* NodeEntryByIndex(TFile3DS& File, int32_t Index, uint16_t Tag)
{
    UpdateNodeTagList(File);
    for (const TChunkListEntry3DS& entry : File.Database().NodeList->List)
        if (entry.Chunk && entry.Chunk->Tag == Tag && Index-- == 0) return &entry;
    return nullptr;
}

// The header found in Node (nothing without one): the object name (when Name is given), the flags, and the
// parent name that loading put under the header.
void ReadNodeHeader(TFile3DS& File, TChunk3DS* Node, std::string* Name, std::string& Parent, uint16_t& Flags1,
                    uint16_t& Flags2)
{
    TChunk3DS* chunk = FindChunkInTree(Node, NODE_HDR);
    TNodeHdr header = TakeChunkValue3DS<TNodeHdr>(File, chunk);
    if (Name) *Name = std::move(header.ObjNameStr);
    Parent = ReadParentName3DS(chunk);
    Flags1 = header.Flags1;
    Flags2 = header.Flags2;
}

// The track of Tag in Node taken into a motion's fields: the key count (0 without the track), and when there
// are keys the flags, the key headers and the values.
template <class TTrack>
TTrack TakeTrack(TFile3DS& File, TChunk3DS* Node, uint16_t Tag, int32_t& Count, uint16_t& Flag,
                 std::vector<TKeyHeader3DS>& Keys)
{
    TTrack track = TakeChunkValue3DS<TTrack>(File, FindChunkInTree(Node, Tag));
    Count = track.TrackHdr.KeyCount;
    if (Count > 0) {
        Flag = track.TrackHdr.Flags;
        Keys = std::move(track.KeyHdrList);
    }
    return track;
}

template <class TTrack, class TValue>
void TakeTrack(TFile3DS& File, TChunk3DS* Node, uint16_t Tag, std::vector<TValue> TTrack::*List, int32_t& Count,
               uint16_t& Flag, std::vector<TKeyHeader3DS>& Keys, std::vector<TValue>& Values)
{
    Values = std::move(TakeTrack<TTrack>(File, Node, Tag, Count, Flag, Keys).*List);
}

} // namespace

void UpdateNodeTagList(TFile3DS& File)
{
    TDatabase3DS& db = File.Database();
    if (!db.NodeListDirty) return;
    RebuildChunkList3DS(db.NodeList, [&](TChunkList3DS& list) {
        TChunk3DS* kfdata = KFDataChunk(File);
        for (TChunk3DS* node = kfdata ? kfdata->Children.get() : nullptr; node; node = node->Sibling.get()) {
            if (!IsNodeTag(node->Tag)) continue;
            TChunkListEntry3DS entry;
            if (const TNodeHdr* header = NodeHeader(File, node)) {
                entry.Chunk = node;
                entry.NameStr = header->ObjNameStr;
                TChunk3DS* instance = node->Tag == OBJECT_NODE_TAG ? FindChild3DS(node, INSTANCE_NAME) : nullptr;
                if (const std::string* name = instance ? ChunkValue3DS<std::string>(File, instance) : nullptr)
                    entry.NameStr += "." + *name;
            }
            list.List.push_back(std::move(entry));
        }
    });
    if (db.NodeList->Count() > 0) db.NodeListDirty = false;
}

int32_t CountNodeTags(TFile3DS& File, uint16_t Tag)
{
    UpdateNodeTagList(File);
    int32_t count = 0;
    for (const TChunkListEntry3DS& entry : File.Database().NodeList->List)
        if (entry.Chunk && entry.Chunk->Tag == Tag) ++count;
    return count;
}

int32_t MeshNodeCount3DS(TFile3DS& File)
{
    return CountNodeTags(File, OBJECT_NODE_TAG);
}

int32_t CameraNodeCount3DS(TFile3DS& File)
{
    return CountNodeTags(File, CAMERA_NODE_TAG);
}

int32_t OmniNodeCount3DS(TFile3DS& File)
{
    return CountNodeTags(File, LIGHT_NODE_TAG);
}

int32_t SpotNodeCount3DS(TFile3DS& File)
{
    return CountNodeTags(File, SPOTLIGHT_NODE_TAG);
}

void ListNodeTagNames(TFile3DS& File, uint16_t Tag, TStrings& List)
{
    UpdateNodeTagList(File);
    List.BeginUpdate();
    List.Clear();
    for (const TChunkListEntry3DS& entry : File.Database().NodeList->List)
        if (entry.Chunk && entry.Chunk->Tag == Tag) List.Add(entry.NameStr);
    List.EndUpdate();
}

void ListCameraNodeNames(TFile3DS& File, TStrings& List)
{
    ListNodeTagNames(File, CAMERA_NODE_TAG, List);
}

void ListOmniNodeNames(TFile3DS& File, TStrings& List)
{
    ListNodeTagNames(File, LIGHT_NODE_TAG, List);
}

void ListSpotNodeNames(TFile3DS& File, TStrings& List)
{
    ListNodeTagNames(File, SPOTLIGHT_NODE_TAG, List);
}

TChunk3DS* FindNodeChunkByName(TFile3DS& File, const std::string& Name, uint16_t Tag)
{
    TChunk3DS* node = FindChunkInTree(KFDataChunk(File), Tag);
    for (; node; node = FindChunkInSiblings(node->Sibling.get(), Tag))
        if (const TNodeHdr* header = NodeHeader(File, node); header && header->ObjNameStr == Name) return node;
    return nullptr;
}

TChunk3DS* FindNodeChunkByIndex(TFile3DS& File, int32_t Index, uint16_t Tag)
{
    const TChunkListEntry3DS* entry = NodeEntryByIndex(File, Index, Tag);
    return entry ? entry->Chunk : nullptr;
}

std::string ReadParentName3DS(TChunk3DS* HeaderChunk)
{
    // Parent names exist only in memory: the file cannot give them again, so their data stays.
    TChunk3DS* parent = FindChunkInTree(HeaderChunk, PARENT_NAME);
    const std::string* name = parent ? parent->DataAs<std::string>() : nullptr;
    return name ? *name : std::string();
}

namespace {

// A track sized afresh: Count zero key headers and as many values of Default.
template <class TValue>
void SizeTrack(int32_t Count, int32_t& N, std::vector<TKeyHeader3DS>& Keys, std::vector<TValue>& Values,
               const TValue& Default)
{
    N = std::max(Count, 0);
    Keys.assign(static_cast<size_t>(N), TKeyHeader3DS{});
    Values.assign(static_cast<size_t>(N), Default);
}

constexpr TFColor3DS cWhite3DS{1, 1, 1};

} // namespace

void InitKFCamera3DS(TKFCamera3DS& Motion, int32_t NPKeys, int32_t NFKeys, int32_t NRKeys, int32_t NTKeys)
{
    SizeTrack(NPKeys, Motion.NPKeys, Motion.PKeys, Motion.Pos, TPoint3DS{});
    SizeTrack(NFKeys, Motion.NFKeys, Motion.FKeys, Motion.FOV, 60.0f);
    SizeTrack(NRKeys, Motion.NRKeys, Motion.RKeys, Motion.Roll, 0.0f);
    SizeTrack(NTKeys, Motion.NTKeys, Motion.TKeys, Motion.TPos, TPoint3DS{});
}

void InitKFOmni3DS(TKFOmni3DS& Motion, int32_t NPKeys, int32_t NCKeys)
{
    SizeTrack(NPKeys, Motion.NPKeys, Motion.PKeys, Motion.Pos, TPoint3DS{});
    SizeTrack(NCKeys, Motion.NCKeys, Motion.CKeys, Motion.Color, cWhite3DS);
}

void InitKFSpot3DS(TKFSpot3DS& Motion, int32_t NPKeys, int32_t NCKeys, int32_t NHKeys, int32_t NFKeys,
                   int32_t NRKeys, int32_t NTKeys)
{
    SizeTrack(NPKeys, Motion.NPKeys, Motion.PKeys, Motion.Pos, TPoint3DS{});
    SizeTrack(NCKeys, Motion.NCKeys, Motion.CKeys, Motion.Color, TFColor3DS{});
    SizeTrack(NHKeys, Motion.NHKeys, Motion.HKeys, Motion.Hot, 90.0f);
    SizeTrack(NFKeys, Motion.NFKeys, Motion.FKeys, Motion.Fall, 90.0f);
    SizeTrack(NRKeys, Motion.NRKeys, Motion.RKeys, Motion.Roll, 0.0f);
    SizeTrack(NTKeys, Motion.NTKeys, Motion.TKeys, Motion.TPos, TPoint3DS{});
}

void InitKFAmbient3DS(TKFAmbient3DS& Motion, int32_t NCKeys)
{
    SizeTrack(NCKeys, Motion.NCKeys, Motion.CKeys, Motion.Color, cWhite3DS);
}

TKFSets3DS GetKFSettings3DS(TFile3DS& File)
{
    CheckDatabase3DS(File, {M3DMAGIC, CMAGIC});
    TKFSets3DS settings;
    settings.Anim.Length = 30;
    TChunk3DS* top = File.Database().TopChunk.get();
    TChunk3DS* kfdata = FindChild3DS(top, KFDATA);
    if (!kfdata) kfdata = NewChildChunk(KFDATA, top);
    if (TChunk3DS* header = FindChild3DS(kfdata, KFHDR))
        settings.Anim.Length = TakeChunkValue3DS<TKFHdr>(File, header).AnimLength;
    if (TChunk3DS* frame = FindChild3DS(kfdata, KFCURTIME))
        settings.Anim.CurFrame = TakeChunkValue3DS<int32_t>(File, frame);
    if (TChunk3DS* segment = FindChild3DS(kfdata, KFSEG)) {
        const TKFSeg seg = TakeChunkValue3DS<TKFSeg>(File, segment);
        settings.Seg = {true, seg.First, seg.Last};
    }
    return settings;
}

void GetKFMeshByIndex3DS(TFile3DS& File, int32_t Index, TKFMesh3DS& Motion)
{
    Motion = TKFMesh3DS{};
    if (TChunk3DS* node = FindNodeChunkByIndex(File, Index, OBJECT_NODE_TAG)) ReadKFMesh3DS(File, node, Motion);
}

void GetKFCameraByIndex3DS(TFile3DS& File, int32_t Index, TKFCamera3DS& Motion)
{
    Motion = TKFCamera3DS{};
    if (const TChunkListEntry3DS* camera = NodeEntryByIndex(File, Index, CAMERA_NODE_TAG))
        ReadKFCamera3DS(File, camera->Chunk, FindNodeChunkByName(File, camera->NameStr, TARGET_NODE_TAG), Motion);
}

void GetKFOmniByIndex3DS(TFile3DS& File, int32_t Index, TKFOmni3DS& Motion)
{
    Motion = TKFOmni3DS{};
    if (TChunk3DS* node = FindNodeChunkByIndex(File, Index, LIGHT_NODE_TAG)) ReadKFOmni3DS(File, node, Motion);
}

void GetKFSpotByIndex3DS(TFile3DS& File, int32_t Index, TKFSpot3DS& Motion)
{
    Motion = TKFSpot3DS{};
    const TChunkListEntry3DS* spot = NodeEntryByIndex(File, Index, SPOTLIGHT_NODE_TAG);
    TChunk3DS* target = spot ? FindNodeChunkByName(File, spot->NameStr, L_TARGET_NODE_TAG) : nullptr;
    if (target) ReadKFSpot3DS(File, spot->Chunk, target, Motion);
}

void GetKFAmbient3DS(TFile3DS& File, TKFAmbient3DS& Motion)
{
    Motion = TKFAmbient3DS{};
    if (TChunk3DS* node = FindChunkInTree(KFDataChunk(File), AMBIENT_NODE_TAG)) ReadKFAmbient3DS(File, node, Motion);
}

void ReadKFMesh3DS(TFile3DS& File, TChunk3DS* Node, TKFMesh3DS& Motion)
{
    if (!Node || Node->Tag != OBJECT_NODE_TAG) Raise3DSError(c3DSErrWrongObject);
    TKFMesh3DS& M = Motion = TKFMesh3DS{};
    ReadNodeHeader(File, Node, &M.NameStr, M.ParentStr, M.Flags1, M.Flags2);
    if (TChunk3DS* instance = FindChunkInTree(Node, INSTANCE_NAME)) {
        M.InstanceStr = TakeChunkValue3DS<std::string>(File, instance);
        M.NameStr += "." + M.InstanceStr;
    }
    M.Pivot = TakeChunkValue3DS<TPoint3DS>(File, FindChunkInTree(Node, PIVOT));
    const TBoundBox box = TakeChunkValue3DS<TBoundBox>(File, FindChunkInTree(Node, BOUNDBOX));
    M.BoundMin = box.Min;
    M.BoundMax = box.Max;
    M.MSAngle = TakeChunkValue3DS<float>(File, FindChunkInTree(Node, MORPH_SMOOTH));
    TakeTrack(File, Node, POS_TRACK_TAG, &TPosTrackTag::PositionList, M.NPKeys, M.NPFlag, M.PKeys, M.Pos);
    TakeTrack(File, Node, ROT_TRACK_TAG, &TRotTrackTag::RotationList, M.NRKeys, M.NRFlag, M.RKeys, M.Rot);
    TakeTrack(File, Node, SCL_TRACK_TAG, &TScaleTrackTag::ScaleList, M.NSKeys, M.NSFlag, M.SKeys, M.Scale);
    TakeTrack(File, Node, MORPH_TRACK_TAG, &TMorphTrackTag::MorphList, M.NMKeys, M.NMFlag, M.MKeys, M.Morph);
    TakeTrack<THideTrackTag>(File, Node, HIDE_TRACK_TAG, M.NHKeys, M.NHFlag, M.HKeys);
}

void ReadKFCamera3DS(TFile3DS& File, TChunk3DS* Camera, TChunk3DS* Target, TKFCamera3DS& Motion)
{
    TKFCamera3DS& M = Motion = TKFCamera3DS{};
    ReadNodeHeader(File, Camera, &M.NameStr, M.ParentStr, M.Flags1, M.Flags2);
    TakeTrack(File, Camera, POS_TRACK_TAG, &TPosTrackTag::PositionList, M.NPKeys, M.NPFlag, M.PKeys, M.Pos);
    TakeTrack(File, Camera, FOV_TRACK_TAG, &TFovTrackTag::FOVAngleList, M.NFKeys, M.NFFlag, M.FKeys, M.FOV);
    TakeTrack(File, Camera, ROLL_TRACK_TAG, &TRollTrackTag::RollAngleList, M.NRKeys, M.NRFlag, M.RKeys, M.Roll);
    ReadNodeHeader(File, Target, nullptr, M.TParentStr, M.TFlags1, M.TFlags2);
    TakeTrack(File, Target, POS_TRACK_TAG, &TPosTrackTag::PositionList, M.NTKeys, M.NTFlag, M.TKeys, M.TPos);
}

void ReadKFOmni3DS(TFile3DS& File, TChunk3DS* Light, TKFOmni3DS& Motion)
{
    TKFOmni3DS& M = Motion = TKFOmni3DS{};
    ReadNodeHeader(File, Light, &M.Name, M.Parent, M.Flags1, M.Flags2);
    TakeTrack(File, Light, POS_TRACK_TAG, &TPosTrackTag::PositionList, M.NPKeys, M.NPFlag, M.PKeys, M.Pos);
    TakeTrack(File, Light, COL_TRACK_TAG, &TColTrackTag::ColorList, M.NCKeys, M.NCFlag, M.CKeys, M.Color);
}

void ReadKFSpot3DS(TFile3DS& File, TChunk3DS* Spot, TChunk3DS* Target, TKFSpot3DS& Motion)
{
    TKFSpot3DS& M = Motion = TKFSpot3DS{};
    ReadNodeHeader(File, Spot, &M.Name, M.Parent, M.Flags1, M.Flags2);
    TakeTrack(File, Spot, POS_TRACK_TAG, &TPosTrackTag::PositionList, M.NPKeys, M.NPFlag, M.PKeys, M.Pos);
    TakeTrack(File, Spot, COL_TRACK_TAG, &TColTrackTag::ColorList, M.NCKeys, M.NCFlag, M.CKeys, M.Color);
    TakeTrack(File, Spot, HOT_TRACK_TAG, &THotTrackTag::HotspotAngleList, M.NHKeys, M.NHFlag, M.HKeys, M.Hot);
    TakeTrack(File, Spot, FALL_TRACK_TAG, &TFallTrackTag::FalloffAngleList, M.NFKeys, M.NFFlag, M.FKeys, M.Fall);
    TakeTrack(File, Spot, ROLL_TRACK_TAG, &TRollTrackTag::RollAngleList, M.NRKeys, M.NRFlag, M.RKeys, M.Roll);
    ReadNodeHeader(File, Target, nullptr, M.TParent, M.TFlags1, M.TFlags2);
    TakeTrack(File, Target, POS_TRACK_TAG, &TPosTrackTag::PositionList, M.NTKeys, M.NTFlag, M.TKeys, M.TPos);
}

void ReadKFAmbient3DS(TFile3DS& File, TChunk3DS* Node, TKFAmbient3DS& Motion)
{
    TKFAmbient3DS& M = Motion = TKFAmbient3DS{};
    std::string parent;
    ReadNodeHeader(File, Node, nullptr, parent, M.Flags1, M.Flags2);
    TakeTrack(File, Node, COL_TRACK_TAG, &TColTrackTag::ColorList, M.NCKeys, M.NCFlag, M.CKeys, M.Color);
}

TKeyFramer::TKeyFramer(TFile3DS* AOwner)
    : FOwner(AOwner), FMeshMotionList(AOwner, MeshNodeCount3DS, GetKFMeshByIndex3DS),
      FOmniMotionList(AOwner, OmniNodeCount3DS, GetKFOmniByIndex3DS),
      FSpotMotionList(AOwner, SpotNodeCount3DS, GetKFSpotByIndex3DS),
      FCameraMotionList(AOwner, CameraNodeCount3DS, GetKFCameraByIndex3DS)
{
}

void TKeyFramer::ClearLists()
{
    FMeshMotionList.Clear();
    FOmniMotionList.Clear();
    FSpotMotionList.Clear();
    FCameraMotionList.Clear();
    FAmbientMotion.reset();
}

TKFAmbient3DS* TKeyFramer::AmbientLightMotion()
{
    if (!FAmbientMotion) {
        auto motion = std::make_unique<TKFAmbient3DS>();
        GetKFAmbient3DS(*FOwner, *motion);
        FAmbientMotion = std::move(motion);
    }
    return FAmbientMotion.get();
}

TKFSets3DS TKeyFramer::Settings()
{
    return GetKFSettings3DS(*FOwner);
}
