// The records of the 3DS file family: the decoded own data of each chunk, and the records the readers build
// from them (scene settings, materials, meshes, lights, cameras and keyframer motions). Plain structs: arrays
// are vectors and names strings, owned by the record, so records copy and move by value. A count field and its
// array go together: the readers keep the array exactly as long as the count says.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------------------------
// Small values shared by chunks and records

struct TColorF {
    float Red = 0, Green = 0, Blue = 0;
};

struct TColor24 {
    uint8_t Red = 0, Green = 0, Blue = 0;
};

struct TFColor3DS {
    float R = 0, G = 0, B = 0;
};

struct TPoint3DS {
    float X = 0, Y = 0, Z = 0;
};

struct TTexVert3DS {
    float U = 0, V = 0;
};

// Three vertex indices and the edge-visibility and wrap flags.
struct TFace3DS {
    uint16_t V1 = 0, V2 = 0, V3 = 0, Flag = 0;
};

// The three axis rows and the origin of an object's local frame.
using TMeshMatrix = std::array<float, 12>;

// Arrays of these are read straight from the file's bytes.
static_assert(sizeof(TPoint3DS) == 12 && sizeof(TTexVert3DS) == 8 && sizeof(TFace3DS) == 8);

// ---------------------------------------------------------------------------------------------------------
// The decoded own data of chunks

struct TFog {
    float NearPlaneDist = 0, NearPlaneDensity = 0, FarPlaneDist = 0, FarPlaneDensity = 0;
};

struct TLayerFog {
    float ZMin = 0, ZMax = 0, Density = 0;
    uint32_t AType = 0;
};

struct TDistanceCue {
    float NearPlaneDist = 0, NearPlaneDimming = 0, FarPlaneDist = 0, FarPlaneDimming = 0;
};

struct TViewStandard {
    TPoint3DS ViewTargetCoord;
    float ViewWidth = 0;
};

struct TViewUser {
    TPoint3DS ViewTargetCoord;
    float ViewWidth = 0, XYViewangle = 0, YZViewangle = 0, BankAngle = 0;
};

struct TMatAcubic {
    uint8_t ShadeLevel = 0, Antialias = 0;
    int16_t Flags = 0;
    uint32_t MapSize = 0, FrameInterval = 0;
};

// Raw bytes: procedural data, extension entries and chunks of tags without a layout of their own.
struct TIpasData {
    int32_t Size = 0;
    std::vector<uint8_t> Data;
};
using TXDataEntry = TIpasData;

struct TPointArray {
    uint16_t Vertices = 0;
    std::vector<TPoint3DS> PointList;
};

struct TPointFlagArray {
    uint16_t Flags = 0;
    std::vector<uint16_t> FlagList;
};

struct TFaceArray {
    uint16_t Faces = 0;
    std::vector<TFace3DS> FaceList;
};

struct TMshMatGroup {
    std::string MatNameStr;
    uint16_t Faces = 0;
    std::vector<uint16_t> FaceList;
};

// The material names of the six sides of a box mapping.
using TMshBoxmap = std::array<std::string, 6>;

struct TSmoothGroup {
    uint16_t Groups = 0;
    std::vector<uint32_t> GroupList;
};

struct TTexVerts {
    uint16_t NumCoords = 0;
    std::vector<TTexVert3DS> TextVertList;
};

struct TMeshTextureInfo {
    uint16_t MapType = 0;
    float XTiling = 0, YTiling = 0;
    TPoint3DS IconPos;
    float IconScaling = 0;
    TMeshMatrix XMatrix{};
    float IconWidth = 0, IconHeight = 0, CylIconHeight = 0;
};

struct TDlSpotlight {
    TPoint3DS SpotLightTarg;
    float HotspotAngle = 0, FalloffAngle = 0;
};

struct TDlLocalShadow2 {
    float LocalShadowBias = 0, LocalShadowFilter = 0;
    int16_t LocalShadowMapSize = 0;
};

struct TNCamera {
    TPoint3DS CameraPos, TargetPos;
    float CameraBank = 0, CameraFocalLength = 0;
};

struct TCamRanges {
    float NearPlane = 0, FarPlane = 0;
};

struct TViewportLayout {
    int16_t Form = 0, Top = 0, Ready = 0, WState = 0, SwapWS = 0, SwapPort = 0, SwapCur = 0;
};

struct TViewportSize {
    uint16_t XPos = 0, YPos = 0, Width = 0, Height = 0;
};

struct TViewportData {
    uint16_t Flags = 0, AxisLockout = 0, WinXPos = 0, WinYPos = 0, WinWidth = 0, WinHeight = 0, View = 0;
    float ZoomFactor = 0;
    TPoint3DS Center;
    float HorizAng = 0, VertAng = 0;
    std::string CamNameStr;
};

struct TKFHdr {
    int16_t Revision = 0;
    std::string Filename;
    int32_t AnimLength = 0;
};

struct TKFSeg {
    int32_t First = 0, Last = 0;
};

struct TNodeHdr {
    std::string ObjNameStr;
    uint16_t Flags1 = 0, Flags2 = 0;
    int16_t ParentIndex = 0; // -1: no parent
};

struct TBoundBox {
    TPoint3DS Min, Max;
};

// ---------------------------------------------------------------------------------------------------------
// Key tracks

struct TTrackHeader3DS {
    uint16_t Flags = 0;
    int32_t nu1 = 0, nu2 = 0, KeyCount = 0;
};

// RFlags tells which of the five spline values the file holds; the others are 0.
constexpr uint16_t cKeyUsesTension3DS = 0x01;
constexpr uint16_t cKeyUsesCont3DS = 0x02;
constexpr uint16_t cKeyUsesBias3DS = 0x04;
constexpr uint16_t cKeyUsesEaseTo3DS = 0x08;
constexpr uint16_t cKeyUsesEaseFrom3DS = 0x10;

struct TKeyHeader3DS {
    int32_t Time = 0; // frame number
    uint16_t RFlags = 0;
    float Tension = 0, Continuity = 0, Bias = 0, EaseTo = 0, EaseFrom = 0;
};

// A rotation by Angle about the axis (X, Y, Z).
struct TKFRotKey3DS {
    float Angle = 0, X = 0, Y = 0, Z = 0;
};

// Each track holds KeyCount key headers and, except the hide track, as many values.
struct TPosTrackTag {
    TTrackHeader3DS TrackHdr;
    std::vector<TKeyHeader3DS> KeyHdrList;
    std::vector<TPoint3DS> PositionList;
};

struct TRotTrackTag {
    TTrackHeader3DS TrackHdr;
    std::vector<TKeyHeader3DS> KeyHdrList;
    std::vector<TKFRotKey3DS> RotationList;
};

struct TScaleTrackTag {
    TTrackHeader3DS TrackHdr;
    std::vector<TKeyHeader3DS> KeyHdrList;
    std::vector<TPoint3DS> ScaleList;
};

struct TColTrackTag {
    TTrackHeader3DS TrackHdr;
    std::vector<TKeyHeader3DS> KeyHdrList;
    std::vector<TFColor3DS> ColorList;
};

struct TMorphTrackTag {
    TTrackHeader3DS TrackHdr;
    std::vector<TKeyHeader3DS> KeyHdrList;
    std::vector<std::string> MorphList; // target object names
};

struct TFovTrackTag {
    TTrackHeader3DS TrackHdr;
    std::vector<TKeyHeader3DS> KeyHdrList;
    std::vector<float> FOVAngleList;
};

struct TRollTrackTag {
    TTrackHeader3DS TrackHdr;
    std::vector<TKeyHeader3DS> KeyHdrList;
    std::vector<float> RollAngleList;
};

struct THotTrackTag {
    TTrackHeader3DS TrackHdr;
    std::vector<TKeyHeader3DS> KeyHdrList;
    std::vector<float> HotspotAngleList;
};

struct TFallTrackTag {
    TTrackHeader3DS TrackHdr;
    std::vector<TKeyHeader3DS> KeyHdrList;
    std::vector<float> FalloffAngleList;
};

struct THideTrackTag {
    TTrackHeader3DS TrackHdr;
    std::vector<TKeyHeader3DS> KeyHdrList;
};

// ---------------------------------------------------------------------------------------------------------
// The file as a whole

enum TDBType3DS { dbUnknown, dbMeshFile, dbProjectFile, dbMaterialFile };
enum TReleaseLevel { rlRelease1, rlRelease2, rlRelease3, rlReleaseNotKnown };
enum TDumpLevel { dlTerseDump, dlMediumDump, dlMaximumDump };

// ---------------------------------------------------------------------------------------------------------
// Scene settings

enum TShadowStyle3DS { ssUseShadowMap, ssUseRayTraceShadow };
enum TAtmosphereType3DS { atNoAtmo, atUseFog, atUseLayerFog, atUseDistanceCue };
enum TLayerFogFalloff3DS { lfNoFall, lfTopFall, lfBottomFall };
enum TBackgroundType3DS { btNoBgnd, btUseSolidBgnd, btUseVGradientBgnd, btUseBitmapBgnd };
enum TViewType3DS {
    vtNoView3DS,
    vtTopView3DS,
    vtBottomView3DS,
    vtLeftView3DS,
    vtRightView3DS,
    vtFrontView3DS,
    vtBackView3DS,
    vtUserView3DS,
    vtCameraView3DS,
    vtSpotlightView3DS
};

struct TShadowSets3DS {
    TShadowStyle3DS AType = ssUseShadowMap;
    float Bias = 0, RayBias = 0;
    int16_t MapSize = 0;
    float Filter = 0;
};

struct TMeshSet3DS {
    float MasterScale = 0;
    TShadowSets3DS Shadow;
    TFColor3DS AmbientLight;
    TPoint3DS OConsts;
};

struct TFogSettings3DS {
    float NearPlane = 0, NearDensity = 0, FarPlane = 0, FarDensity = 0;
    TFColor3DS FogColor;
    bool FogBgnd = false;
};

struct TLayerFogSettings3DS {
    float ZMin = 0, ZMax = 0, Density = 0;
    TFColor3DS FogColor;
    TLayerFogFalloff3DS FallOff = lfNoFall;
    bool FogBgnd = false;
};

struct TDCueSettings3DS {
    float NearPlane = 0, NearDim = 0, FarPlane = 0, FarDim = 0;
    bool DCueBgnd = false;
};

struct TAtmosphere3DS {
    TFogSettings3DS Fog;
    TLayerFogSettings3DS LayerFog;
    TDCueSettings3DS DCue;
    TAtmosphereType3DS ActiveAtmo = atNoAtmo;
};

struct TVGradientBgnd3DS {
    float GradPercent = 0;
    TFColor3DS Top, Mid, Bottom;
};

struct TBackground3DS {
    std::string Bitmap;
    TFColor3DS Solid;
    TVGradientBgnd3DS VGradient;
    TBackgroundType3DS BgndUsed = btNoBgnd;
};

struct TViewSize3DS {
    uint16_t XPos = 0, YPos = 0, Width = 0, Height = 0;
};

struct TOrthoView3DS {
    TPoint3DS Center;
    float Zoom = 0;
};

struct TUserView3DS {
    TPoint3DS Center;
    float Zoom = 0, HorAng = 0, VerAng = 0;
};

struct TViewport3DS {
    TViewType3DS AType = vtNoView3DS;
    TViewSize3DS Size;
    TOrthoView3DS Ortho;
    TUserView3DS User;
    std::string CameraStr;
};

// ---------------------------------------------------------------------------------------------------------
// Materials

enum TShadeType3DS { stWire, stFlat, stGouraud, stPhong, stMetal };
enum TTileType3DS { ttTile, ttDecal, ttBoth };
enum TFilterType3DS { ftPyramidal, ftSummedArea };
enum TTintType3DS { ttRGB, ttAlpha, ttRGBLumaTint, ttAlphaTint, ttRGBTint };

struct TBitmap3DS {
    std::string NameStr; // bitmap file name
    float Percent = 0;   // 0..1
    TTileType3DS Tiling = ttTile;
    bool IgnoreAlpha = false;
    TFilterType3DS Filter = ftPyramidal;
    float Blur = 0;
    bool Mirror = false;
    bool Negative = false;
    float UScale = 0, VScale = 0, UOffset = 0, VOffset = 0, Rotation = 0;
    TTintType3DS Source = ttRGB;
    TFColor3DS Tint1, Tint2, RedTint, GreenTint, BlueTint;
    int32_t DataSize = 0;
    std::vector<uint8_t> Data; // procedural map data
};

struct TMapSet3DS {
    TBitmap3DS Map, Mask;
};

struct TACubic3DS {
    bool FirstFrame = false;
    bool Flat = false;
    int32_t Size = 0;
    int32_t nthFrame = 0;
};

struct TRMapSet3DS {
    TBitmap3DS Map;
    bool UseAuto = false;
    TACubic3DS AutoMap;
    TBitmap3DS Mask;
};

struct TMaterial3DS {
    std::string NameStr;
    TFColor3DS Ambient, Diffuse, Specular;
    float Shininess = 0, ShinStrength = 0, Blur = 0, Transparency = 0, TransFallOff = 0, SelfIllumPct = 0,
          WireSize = 0;
    TShadeType3DS Shading = stWire;
    bool UseBlur = false, UseFall = false, TwoSided = false, SelFillum = false, Additive = false, UseWire = false,
         UseWireAbs = false, FaceMap = false, Soften = false;
    TMapSet3DS Texture, Texture2, Opacity, Bump, SpecMap, ShinMap, IllumMap;
    TRMapSet3DS Reflect;
};

// ---------------------------------------------------------------------------------------------------------
// Meshes, lights and cameras

enum TConeStyle3DS { csCircular, csRectangular };

// The texture mapping icon of a mesh.
struct TMapInfo3DS {
    uint16_t MapType = 0;
    float TileX = 0, TileY = 0, CenX = 0, CenY = 0, CenZ = 0, Scale = 0;
    TMeshMatrix Matrix{};
    float PW = 0, PH = 0, CH = 0;
};

// The faces of one material.
struct TObjMat3DS {
    std::string NameStr;
    uint16_t NFaces = 0;
    std::vector<uint16_t> FaceIndex;
};

struct TMesh3DS {
    std::string NameStr;
    bool IsHidden = false, IsvisLofter = false, IsMatte = false, IsNoCast = false, IsFast = false,
         IsNorcvShad = false, IsFrozen = false;
    uint16_t NVertices = 0;
    std::vector<TPoint3DS> VertexArray;
    uint16_t NVFlags = 0;
    std::vector<uint16_t> VFlagArray;
    uint16_t NTextVerts = 0;
    std::vector<TTexVert3DS> TextArray;
    bool UseMapInfo = false;
    TMapInfo3DS Map;
    TMeshMatrix LocMatrix{};
    uint16_t NFaces = 0;
    std::vector<TFace3DS> FaceArray;
    std::vector<uint32_t> SmoothArray; // one smoothing-group mask per face, or empty
    bool UseBoxMap = false;
    std::array<std::string, 6> BoxMapStr;
    uint8_t MeshColor = 0;
    uint16_t NMats = 0;
    std::vector<TObjMat3DS> MatArray;
    bool UseProc = false;
    int32_t ProcSize = 0;
    std::string ProcNameStr;
    std::vector<uint8_t> ProcData;
};

struct TLiteAttenuate3DS {
    bool IsOn = false;
    float Inner = 0, Outer = 0;
};

struct TSpotShadow3DS {
    bool Cast = false;
    TShadowStyle3DS AType = ssUseShadowMap;
    bool Local = false;
    float Bias = 0, Filter = 0;
    uint16_t MapSize = 0;
    float RayBias = 0;
};

struct TSpotCone3DS {
    TConeStyle3DS AType = csCircular;
    bool Show = false;
    bool Overshoot = false;
};

struct TSpotProjector3DS {
    bool Use = false;
    std::string BitmapStr;
};

struct TSpotLight3DS {
    TPoint3DS Target;
    float Hotspot = 0, FallOff = 0, Roll = 0, Aspect = 0;
    TSpotShadow3DS Shadows;
    TSpotCone3DS Cone;
    TSpotProjector3DS Projector;
};

struct TLight3DS {
    std::string NameStr;
    TPoint3DS Pos;
    TFColor3DS Color;
    float Multiplier = 0;
    bool DLOff = false;
    TLiteAttenuate3DS Attenuation;
    std::vector<std::string> Exclude; // names of the objects the light leaves out
    std::optional<TSpotLight3DS> Spot; // empty for an omni light
};

struct TCamRanges3DS {
    float CamNear = 0, CamFar = 0;
};

struct TCamera3DS {
    std::string NameStr;
    TPoint3DS Position, Target;
    float Roll = 0;
    float FOV = 0;
    bool ShowCone = false;
    TCamRanges3DS Ranges;
};

// ---------------------------------------------------------------------------------------------------------
// Keyframer. Each track of a motion is its key count, the track header's flags, the key headers and (except
// the hide track) the values; key counts are 32-bit like the file's.

struct TKFKeyInfo3DS {
    int32_t Length = 0, CurFrame = 0;
};

struct TKFSegment3DS {
    bool Use = false;
    int32_t SegBegin = 0, SegEnd = 0;
};

struct TKFSets3DS {
    TKFKeyInfo3DS Anim;
    TKFSegment3DS Seg;
};

struct TKFMesh3DS {
    std::string NameStr, ParentStr;
    uint16_t Flags1 = 0, Flags2 = 0;
    TPoint3DS Pivot;
    std::string InstanceStr;
    TPoint3DS BoundMin, BoundMax;
    int32_t NPKeys = 0;
    uint16_t NPFlag = 0;
    std::vector<TKeyHeader3DS> PKeys;
    std::vector<TPoint3DS> Pos;
    int32_t NRKeys = 0;
    uint16_t NRFlag = 0;
    std::vector<TKeyHeader3DS> RKeys;
    std::vector<TKFRotKey3DS> Rot;
    int32_t NSKeys = 0;
    uint16_t NSFlag = 0;
    std::vector<TKeyHeader3DS> SKeys;
    std::vector<TPoint3DS> Scale;
    int32_t NMKeys = 0;
    uint16_t NMFlag = 0;
    std::vector<TKeyHeader3DS> MKeys;
    std::vector<std::string> Morph; // morph target names
    int32_t NHKeys = 0;
    uint16_t NHFlag = 0;
    std::vector<TKeyHeader3DS> HKeys;
    float MSAngle = 0;
};

struct TKFCamera3DS {
    std::string NameStr, ParentStr;
    uint16_t Flags1 = 0, Flags2 = 0;
    int32_t NPKeys = 0;
    uint16_t NPFlag = 0;
    std::vector<TKeyHeader3DS> PKeys;
    std::vector<TPoint3DS> Pos;
    int32_t NFKeys = 0;
    uint16_t NFFlag = 0;
    std::vector<TKeyHeader3DS> FKeys;
    std::vector<float> FOV;
    int32_t NRKeys = 0;
    uint16_t NRFlag = 0;
    std::vector<TKeyHeader3DS> RKeys;
    std::vector<float> Roll;
    std::string TParentStr; // the target's parent name
    int32_t NTKeys = 0;
    uint16_t NTFlag = 0;
    std::vector<TKeyHeader3DS> TKeys;
    std::vector<TPoint3DS> TPos;
    uint16_t TFlags1 = 0, TFlags2 = 0; // the target's header flags
};

struct TKFOmni3DS {
    std::string Name, Parent;
    uint16_t Flags1 = 0, Flags2 = 0;
    int32_t NPKeys = 0;
    uint16_t NPFlag = 0;
    std::vector<TKeyHeader3DS> PKeys;
    std::vector<TPoint3DS> Pos;
    int32_t NCKeys = 0;
    uint16_t NCFlag = 0;
    std::vector<TKeyHeader3DS> CKeys;
    std::vector<TFColor3DS> Color;
};

struct TKFSpot3DS {
    std::string Name, Parent;
    uint16_t Flags1 = 0, Flags2 = 0;
    int32_t NPKeys = 0;
    uint16_t NPFlag = 0;
    std::vector<TKeyHeader3DS> PKeys;
    std::vector<TPoint3DS> Pos;
    int32_t NCKeys = 0;
    uint16_t NCFlag = 0;
    std::vector<TKeyHeader3DS> CKeys;
    std::vector<TFColor3DS> Color;
    int32_t NHKeys = 0;
    uint16_t NHFlag = 0;
    std::vector<TKeyHeader3DS> HKeys;
    std::vector<float> Hot;
    int32_t NFKeys = 0;
    uint16_t NFFlag = 0;
    std::vector<TKeyHeader3DS> FKeys;
    std::vector<float> Fall;
    int32_t NRKeys = 0;
    uint16_t NRFlag = 0;
    std::vector<TKeyHeader3DS> RKeys;
    std::vector<float> Roll;
    std::string TParent;
    int32_t NTKeys = 0;
    uint16_t NTFlag = 0;
    std::vector<TKeyHeader3DS> TKeys;
    std::vector<TPoint3DS> TPos;
    uint16_t TFlags1 = 0, TFlags2 = 0;
};

struct TKFAmbient3DS {
    uint16_t Flags1 = 0, Flags2 = 0;
    int32_t NCKeys = 0;
    uint16_t NCFlag = 0;
    std::vector<TKeyHeader3DS> CKeys;
    std::vector<TFColor3DS> Color;
};
