// The own data of each chunk tag, decoded into the record that hangs on the chunk.
#include "File3DS.h"

#include "Const3DS.h"
#include "Streams.h"

#include <limits>
#include <new>
#include <type_traits>

namespace {

// The layouts beside the records: a container has no data, a tag without a layout of its own keeps its bytes.
struct TContainer {};
struct TRawBlock {};

template <class T> struct TLayout {
    using Type = T;
};

// Calls visit(TLayout<T>()) with the record T that the tag's own data decodes to.
template <class F> decltype(auto) VisitLayout(uint16_t Tag, F&& visit)
{
    switch (Tag) {
    case M3D_VERSION:
    case MESH_VERSION:
    case SHADOW_RANGE:
    case KFCURTIME:
        return visit(TLayout<int32_t>());
    case INT_PERCENTAGE:
    case SHADOW_MAP_SIZE:
    case SHADOW_SAMPLES:
    case MAT_SHADING:
    case MAT_BUMP_PERCENT:
    case NODE_ID:
        return visit(TLayout<int16_t>());
    case MAT_MAP_TILING:
        return visit(TLayout<uint16_t>());
    case MESH_COLOR:
        return visit(TLayout<uint8_t>());
    case FLOAT_PERCENTAGE:
    case MASTER_SCALE:
    case V_GRADIENT:
    case LO_SHADOW_BIAS:
    case HI_SHADOW_BIAS:
    case SHADOW_FILTER:
    case RAY_BIAS:
    case DL_SPOT_ROLL:
    case DL_SPOT_ASPECT:
    case DL_RAY_BIAS:
    case DL_INNER_RANGE:
    case DL_OUTER_RANGE:
    case DL_MULTIPLIER:
    case MAT_WIRESIZE:
    case MAT_MAP_TEXBLUR:
    case MAT_MAP_USCALE:
    case MAT_MAP_VSCALE:
    case MAT_MAP_UOFFSET:
    case MAT_MAP_VOFFSET:
    case MAT_MAP_ANG:
    case MORPH_SMOOTH:
        return visit(TLayout<float>());
    case BIT_MAP:
    case VIEW_CAMERA:
    case NAMED_OBJECT:
    case PROC_NAME:
    case DL_SPOT_PROJECTOR:
    case DL_EXCLUDE:
    case XDATA_APPNAME:
    case XDATA_STRING:
    case MAT_NAME:
    case MAT_MAPNAME:
    case INSTANCE_NAME:
        return visit(TLayout<std::string>());
    case COLOR_F:
    case LIN_COLOR_F:
        return visit(TLayout<TColorF>());
    case COLOR_24:
    case LIN_COLOR_24:
    case MAT_MAP_COL1:
    case MAT_MAP_COL2:
    case MAT_MAP_RCOL:
    case MAT_MAP_GCOL:
    case MAT_MAP_BCOL:
        return visit(TLayout<TColor24>());
    case O_CONSTS:
    case N_DIRECT_LIGHT:
    case PIVOT:
        return visit(TLayout<TPoint3DS>());
    case FOG:
        return visit(TLayout<TFog>());
    case LAYER_FOG:
        return visit(TLayout<TLayerFog>());
    case DISTANCE_CUE:
        return visit(TLayout<TDistanceCue>());
    case VIEW_TOP:
    case VIEW_BOTTOM:
    case VIEW_LEFT:
    case VIEW_RIGHT:
    case VIEW_FRONT:
    case VIEW_BACK:
        return visit(TLayout<TViewStandard>());
    case VIEW_USER:
        return visit(TLayout<TViewUser>());
    case POINT_ARRAY:
        return visit(TLayout<TPointArray>());
    case POINT_FLAG_ARRAY:
        return visit(TLayout<TPointFlagArray>());
    case FACE_ARRAY:
        return visit(TLayout<TFaceArray>());
    case MSH_MAT_GROUP:
        return visit(TLayout<TMshMatGroup>());
    case TEX_VERTS:
        return visit(TLayout<TTexVerts>());
    case SMOOTH_GROUP:
        return visit(TLayout<TSmoothGroup>());
    case MESH_MATRIX:
        return visit(TLayout<TMeshMatrix>());
    case MESH_TEXTURE_INFO:
        return visit(TLayout<TMeshTextureInfo>());
    case MSH_BOXMAP:
        return visit(TLayout<TMshBoxmap>());
    case PROC_DATA:
    case XDATA_ENTRY:
    case MAT_SXP_TEXT_DATA:
    case MAT_SXP_TEXT2_DATA:
    case MAT_SXP_OPAC_DATA:
    case MAT_SXP_BUMP_DATA:
    case MAT_SXP_SPEC_DATA:
    case MAT_SXP_SHIN_DATA:
    case MAT_SXP_SELFI_DATA:
    case MAT_SXP_TEXT_MASKDATA:
    case MAT_SXP_TEXT2_MASKDATA:
    case MAT_SXP_OPAC_MASKDATA:
    case MAT_SXP_BUMP_MASKDATA:
    case MAT_SXP_SPEC_MASKDATA:
    case MAT_SXP_SHIN_MASKDATA:
    case MAT_SXP_SELFI_MASKDATA:
    case MAT_SXP_REFL_MASKDATA:
        return visit(TLayout<TIpasData>());
    case DL_SPOTLIGHT:
        return visit(TLayout<TDlSpotlight>());
    case DL_LOCAL_SHADOW2:
        return visit(TLayout<TDlLocalShadow2>());
    case N_CAMERA:
        return visit(TLayout<TNCamera>());
    case CAM_RANGES:
        return visit(TLayout<TCamRanges>());
    case VIEWPORT_LAYOUT:
        return visit(TLayout<TViewportLayout>());
    case VIEWPORT_DATA:
    case VIEWPORT_DATA_3:
        return visit(TLayout<TViewportData>());
    case VIEWPORT_SIZE:
        return visit(TLayout<TViewportSize>());
    case MAT_ACUBIC:
        return visit(TLayout<TMatAcubic>());
    case KFHDR:
        return visit(TLayout<TKFHdr>());
    case KFSEG:
        return visit(TLayout<TKFSeg>());
    case NODE_HDR:
        return visit(TLayout<TNodeHdr>());
    case BOUNDBOX:
        return visit(TLayout<TBoundBox>());
    case POS_TRACK_TAG:
        return visit(TLayout<TPosTrackTag>());
    case ROT_TRACK_TAG:
        return visit(TLayout<TRotTrackTag>());
    case SCL_TRACK_TAG:
        return visit(TLayout<TScaleTrackTag>());
    case FOV_TRACK_TAG:
        return visit(TLayout<TFovTrackTag>());
    case ROLL_TRACK_TAG:
        return visit(TLayout<TRollTrackTag>());
    case COL_TRACK_TAG:
        return visit(TLayout<TColTrackTag>());
    case MORPH_TRACK_TAG:
        return visit(TLayout<TMorphTrackTag>());
    case HOT_TRACK_TAG:
        return visit(TLayout<THotTrackTag>());
    case FALL_TRACK_TAG:
        return visit(TLayout<TFallTrackTag>());
    case HIDE_TRACK_TAG:
        return visit(TLayout<THideTrackTag>());
    case SOLID_BGND:
    case AMBIENT_LIGHT:
    case DEFAULT_VIEW:
    case MDATA:
    case MLIBMAGIC:
    case N_TRI_OBJECT:
    case M3DMAGIC:
    case XDATA_SECTION:
    case XDATA_GROUP:
    case PARENT_NAME: // made in memory only, when the file is loaded
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
        return visit(TLayout<TContainer>());
    default:
        return visit(TLayout<TRawBlock>());
    }
}

[[noreturn]] void RaiseInvalidChunk()
{
    Raise3DSError(c3DSErrInvalidChunk);
}

// count items of T straight from the file, refused before anything is allocated when they cannot fit.
template <class T> std::vector<T> ReadArray(TFile3DS& file, int64_t count)
{
    static_assert(std::is_trivially_copyable_v<T>);
    if (count > file.BytesLeft() / int64_t{sizeof(T)}) RaiseInvalidChunk();
    std::vector<T> items(static_cast<size_t>(count));
    file.ReadData(count * int64_t{sizeof(T)}, items.data());
    return items;
}

void Decode(TFile3DS& file, int32_t& value)
{
    value = file.ReadInteger();
}

void Decode(TFile3DS& file, int16_t& value)
{
    value = file.ReadShort();
}

void Decode(TFile3DS& file, uint16_t& value)
{
    value = file.ReadWord();
}

void Decode(TFile3DS& file, uint8_t& value)
{
    value = file.ReadByte();
}

void Decode(TFile3DS& file, float& value)
{
    value = file.ReadSingle();
}

void Decode(TFile3DS& file, std::string& value)
{
    value = file.ReadString();
}

void Decode(TFile3DS& file, TPoint3DS& value)
{
    value = file.ReadPoint();
}

void Decode(TFile3DS& file, TColorF& value)
{
    value.Red = file.ReadSingle();
    value.Green = file.ReadSingle();
    value.Blue = file.ReadSingle();
}

void Decode(TFile3DS& file, TFColor3DS& value)
{
    value.R = file.ReadSingle();
    value.G = file.ReadSingle();
    value.B = file.ReadSingle();
}

void Decode(TFile3DS& file, TColor24& value)
{
    value.Red = file.ReadByte();
    value.Green = file.ReadByte();
    value.Blue = file.ReadByte();
}

void Decode(TFile3DS& file, TKFRotKey3DS& value)
{
    value.Angle = file.ReadSingle();
    value.X = file.ReadSingle();
    value.Y = file.ReadSingle();
    value.Z = file.ReadSingle();
}

void Decode(TFile3DS& file, TFog& value)
{
    value.NearPlaneDist = file.ReadSingle();
    value.NearPlaneDensity = file.ReadSingle();
    value.FarPlaneDist = file.ReadSingle();
    value.FarPlaneDensity = file.ReadSingle();
}

void Decode(TFile3DS& file, TLayerFog& value)
{
    value.ZMin = file.ReadSingle();
    value.ZMax = file.ReadSingle();
    value.Density = file.ReadSingle();
    value.AType = file.ReadCardinal();
}

void Decode(TFile3DS& file, TDistanceCue& value)
{
    value.NearPlaneDist = file.ReadSingle();
    value.NearPlaneDimming = file.ReadSingle();
    value.FarPlaneDist = file.ReadSingle();
    value.FarPlaneDimming = file.ReadSingle();
}

// The width comes before the target point.
void Decode(TFile3DS& file, TViewStandard& value)
{
    value.ViewWidth = file.ReadSingle();
    value.ViewTargetCoord = file.ReadPoint();
}

void Decode(TFile3DS& file, TViewUser& value)
{
    value.ViewWidth = file.ReadSingle();
    value.XYViewangle = file.ReadSingle();
    value.YZViewangle = file.ReadSingle();
    value.BankAngle = file.ReadSingle();
    value.ViewTargetCoord = file.ReadPoint();
}

void Decode(TFile3DS& file, TPointArray& value)
{
    value.Vertices = file.ReadWord();
    value.PointList = ReadArray<TPoint3DS>(file, value.Vertices);
}

void Decode(TFile3DS& file, TPointFlagArray& value)
{
    value.Flags = file.ReadWord();
    value.FlagList = ReadArray<uint16_t>(file, value.Flags);
}

void Decode(TFile3DS& file, TFaceArray& value)
{
    value.Faces = file.ReadWord();
    value.FaceList = ReadArray<TFace3DS>(file, value.Faces);
}

void Decode(TFile3DS& file, TMshMatGroup& value)
{
    value.MatNameStr = file.ReadString();
    value.Faces = file.ReadWord();
    value.FaceList = ReadArray<uint16_t>(file, value.Faces);
}

void Decode(TFile3DS& file, TTexVerts& value)
{
    value.NumCoords = file.ReadWord();
    value.TextVertList = ReadArray<TTexVert3DS>(file, value.NumCoords);
}

// One mask per face fills the chunk; the count is not stored. Faces are counted in 16 bits, so more masks than
// that cannot belong to a mesh.
void Decode(TFile3DS& file, TSmoothGroup& value)
{
    const int64_t count = file.BytesLeft() / 4;
    if (count > std::numeric_limits<uint16_t>::max()) RaiseInvalidChunk();
    value.Groups = static_cast<uint16_t>(count);
    value.GroupList = ReadArray<uint32_t>(file, count);
}

void Decode(TFile3DS& file, TMeshMatrix& value)
{
    file.ReadData(sizeof(value), value.data());
}

void Decode(TFile3DS& file, TMeshTextureInfo& value)
{
    value.MapType = file.ReadWord();
    value.XTiling = file.ReadSingle();
    value.YTiling = file.ReadSingle();
    value.IconPos = file.ReadPoint();
    value.IconScaling = file.ReadSingle();
    Decode(file, value.XMatrix);
    value.IconWidth = file.ReadSingle();
    value.IconHeight = file.ReadSingle();
    value.CylIconHeight = file.ReadSingle();
}

void Decode(TFile3DS& file, TMshBoxmap& value)
{
    for (std::string& name : value) name = file.ReadString();
}

// The rest of the chunk, raw.
void Decode(TFile3DS& file, TIpasData& value)
{
    const int64_t size = file.BytesLeft();
    if (size > std::numeric_limits<int32_t>::max()) RaiseInvalidChunk();
    value.Size = static_cast<int32_t>(size);
    value.Data = ReadArray<uint8_t>(file, size);
}

void Decode(TFile3DS& file, TDlSpotlight& value)
{
    value.SpotLightTarg = file.ReadPoint();
    value.HotspotAngle = file.ReadSingle();
    value.FalloffAngle = file.ReadSingle();
}

void Decode(TFile3DS& file, TDlLocalShadow2& value)
{
    value.LocalShadowBias = file.ReadSingle();
    value.LocalShadowFilter = file.ReadSingle();
    value.LocalShadowMapSize = file.ReadShort();
}

void Decode(TFile3DS& file, TNCamera& value)
{
    value.CameraPos = file.ReadPoint();
    value.TargetPos = file.ReadPoint();
    value.CameraBank = file.ReadSingle();
    value.CameraFocalLength = file.ReadSingle();
}

void Decode(TFile3DS& file, TCamRanges& value)
{
    value.NearPlane = file.ReadSingle();
    value.FarPlane = file.ReadSingle();
}

void Decode(TFile3DS& file, TViewportLayout& value)
{
    for (int16_t* field : {&value.Form, &value.Top, &value.Ready, &value.WState, &value.SwapWS, &value.SwapPort,
                           &value.SwapCur})
        *field = file.ReadShort();
}

void Decode(TFile3DS& file, TViewportData& value)
{
    for (uint16_t* field : {&value.Flags, &value.AxisLockout, &value.WinXPos, &value.WinYPos, &value.WinWidth,
                            &value.WinHeight, &value.View})
        *field = file.ReadWord();
    value.ZoomFactor = file.ReadSingle();
    value.Center = file.ReadPoint();
    value.HorizAng = file.ReadSingle();
    value.VertAng = file.ReadSingle();
    value.CamNameStr = file.ReadString();
}

void Decode(TFile3DS& file, TViewportSize& value)
{
    for (uint16_t* field : {&value.XPos, &value.YPos, &value.Width, &value.Height}) *field = file.ReadWord();
}

void Decode(TFile3DS& file, TMatAcubic& value)
{
    value.ShadeLevel = file.ReadByte();
    value.Antialias = file.ReadByte();
    value.Flags = file.ReadShort();
    value.MapSize = file.ReadCardinal();
    value.FrameInterval = file.ReadCardinal();
}

void Decode(TFile3DS& file, TKFHdr& value)
{
    value.Revision = file.ReadShort();
    value.Filename = file.ReadString();
    value.AnimLength = file.ReadInteger();
}

void Decode(TFile3DS& file, TKFSeg& value)
{
    value.First = file.ReadInteger();
    value.Last = file.ReadInteger();
}

void Decode(TFile3DS& file, TNodeHdr& value)
{
    value.ObjNameStr = file.ReadString();
    value.Flags1 = file.ReadWord();
    value.Flags2 = file.ReadWord();
    value.ParentIndex = file.ReadShort();
}

void Decode(TFile3DS& file, TBoundBox& value)
{
    value.Min = file.ReadPoint();
    value.Max = file.ReadPoint();
}

// The track header and its keys, each a key header and then what readValue reads. Keys are at least
// valueBytes + 6 bytes long, so a count the chunk cannot hold is refused before anything is allocated.
template <class F>
void DecodeKeys(TFile3DS& file, TTrackHeader3DS& header, std::vector<TKeyHeader3DS>& keys, int64_t valueBytes,
                F&& readValue)
{
    header = file.ReadTrackHeader();
    if (header.KeyCount > file.BytesLeft() / (6 + valueBytes)) RaiseInvalidChunk();
    keys.reserve(static_cast<size_t>(header.KeyCount));
    for (int32_t i = 0; i < header.KeyCount; ++i) {
        keys.push_back(file.ReadKeyHeader());
        readValue();
    }
}

template <class V>
void DecodeTrack(TFile3DS& file, TTrackHeader3DS& header, std::vector<TKeyHeader3DS>& keys, std::vector<V>& values)
{
    // A string value takes at least its terminator.
    constexpr int64_t valueBytes = std::is_same_v<V, std::string> ? 1 : sizeof(V);
    DecodeKeys(file, header, keys, valueBytes, [&] {
        Decode(file, values.emplace_back());
    });
}

void Decode(TFile3DS& file, TPosTrackTag& value)
{
    DecodeTrack(file, value.TrackHdr, value.KeyHdrList, value.PositionList);
}

void Decode(TFile3DS& file, TRotTrackTag& value)
{
    DecodeTrack(file, value.TrackHdr, value.KeyHdrList, value.RotationList);
}

void Decode(TFile3DS& file, TScaleTrackTag& value)
{
    DecodeTrack(file, value.TrackHdr, value.KeyHdrList, value.ScaleList);
}

void Decode(TFile3DS& file, TColTrackTag& value)
{
    DecodeTrack(file, value.TrackHdr, value.KeyHdrList, value.ColorList);
}

void Decode(TFile3DS& file, TMorphTrackTag& value)
{
    DecodeTrack(file, value.TrackHdr, value.KeyHdrList, value.MorphList);
}

void Decode(TFile3DS& file, TFovTrackTag& value)
{
    DecodeTrack(file, value.TrackHdr, value.KeyHdrList, value.FOVAngleList);
}

void Decode(TFile3DS& file, TRollTrackTag& value)
{
    DecodeTrack(file, value.TrackHdr, value.KeyHdrList, value.RollAngleList);
}

void Decode(TFile3DS& file, THotTrackTag& value)
{
    DecodeTrack(file, value.TrackHdr, value.KeyHdrList, value.HotspotAngleList);
}

void Decode(TFile3DS& file, TFallTrackTag& value)
{
    DecodeTrack(file, value.TrackHdr, value.KeyHdrList, value.FalloffAngleList);
}

void Decode(TFile3DS& file, THideTrackTag& value)
{
    DecodeKeys(file, value.TrackHdr, value.KeyHdrList, 0, [] {});
}

template <class T> using TLayoutType = typename std::remove_cvref_t<T>::Type;

} // namespace

TChunkData* TFile3DS::InitChunkData(TChunk3DS* Chunk)
{
    if (!Chunk) Raise3DSError(c3DSErrInvalidArgument);
    Chunk->Data = VisitLayout(Chunk->Tag, [Chunk](auto layout) -> std::unique_ptr<TChunkData> {
        using T = TLayoutType<decltype(layout)>;
        if constexpr (std::is_same_v<T, TContainer> || std::is_same_v<T, std::string>) {
            return nullptr;
        } else if constexpr (std::is_same_v<T, TRawBlock>) {
            if (Chunk->Size < 7) return nullptr;
            auto block = std::make_unique<TChunkValue<TIpasData>>();
            block->Value.Size = static_cast<int32_t>(Chunk->Size - 6);
            block->Value.Data.resize(Chunk->Size - 6);
            return block;
        } else {
            return std::make_unique<TChunkValue<T>>();
        }
    });
    return Chunk->Data.get();
}

void TFile3DS::ReadChunkData(TChunk3DS* Chunk)
{
    if (!Chunk) Raise3DSError(c3DSErrInvalidArgument);
    if (Chunk->Data) return;
    const TScopedValue limit(FLimit, CheckedEnd(Chunk));
    try {
        Chunk->Data = VisitLayout(Chunk->Tag, [this, Chunk](auto layout) -> std::unique_ptr<TChunkData> {
            using T = TLayoutType<decltype(layout)>;
            if constexpr (std::is_same_v<T, TContainer>) {
                return nullptr;
            } else {
                // A flag chunk is known by its presence alone.
                if (std::is_same_v<T, TRawBlock> && Chunk->Size < 7) return nullptr;
                using TRecord = std::conditional_t<std::is_same_v<T, TRawBlock>, TIpasData, T>;
                auto block = std::make_unique<TChunkValue<TRecord>>();
                Stream().SetPosition(int64_t{Chunk->Position} + 6);
                Decode(*this, block->Value);
                return block;
            }
        });
    } catch (const std::bad_alloc&) {
        Raise3DSError(c3DSErrNoMemory);
    }
}

void FreeChunkData(TChunk3DS* Chunk)
{
    if (Chunk) Chunk->Data.reset();
}
