#include "Dump3DS.h"

#include "Const3DS.h"
#include "File3DS.h"
#include "StringLists.h"
#include "SysUtils.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

// Tables searched by tag must be strictly increasing in it.
template <class TEntry, size_t N> constexpr bool StrictlyByTag(const TEntry (&Table)[N])
{
    return std::adjacent_find(Table, Table + N, [](const TEntry& a, const TEntry& b) { return a.Tag >= b.Tag; }) ==
           Table + N;
}

// The tag's entry of a table sorted by tag, or nullptr.
template <class TEntry, size_t N> const TEntry* FindTag(const TEntry (&Table)[N], uint16_t Tag)
{
    const TEntry* entry =
        std::lower_bound(Table, Table + N, Tag, [](const TEntry& e, uint16_t tag) { return e.Tag < tag; });
    return entry != Table + N && entry->Tag == Tag ? entry : nullptr;
}

struct TChunkName {
    uint16_t Tag;
    const char* Name;
};

// Sorted by tag. Six names end in a blank and one is in lower case: they are kept as customarily spelled.
constexpr TChunkName cChunkNames[] = {
    {0x0000, "NULL_CHUNK"}, {0x0002, "M3D_VERSION"}, {0x0005, "M3D_KFVERSION"}, {0x0010, "COLOR_F"},
    {0x0011, "COLOR_24"}, {0x0012, "LIN_COLOR_24"}, {0x0013, "LIN_COLOR_F"}, {0x0030, "INT_PERCENTAGE"},
    {0x0031, "FLOAT_PERCENTAGE"}, {0x0100, "MASTER_SCALE"}, {0x0995, "ChunkType"}, {0x0996, "ChunkUnique"},
    {0x0997, "NotChunk"}, {0x0998, "Container"}, {0x0999, "IsChunk"}, {0x1100, "BIT_MAP"}, {0x1101, "USE_BIT_MAP"},
    {0x1200, "SOLID_BGND"}, {0x1201, "USE_SOLID_BGND"}, {0x1300, "V_GRADIENT"}, {0x1301, "USE_V_GRADIENT"},
    {0x1400, "LO_SHADOW_BIAS"}, {0x1410, "HI_SHADOW_BIAS"}, {0x1420, "SHADOW_MAP_SIZE"}, {0x1430, "SHADOW_SAMPLES"},
    {0x1440, "SHADOW_RANGE"}, {0x1450, "SHADOW_FILTER"}, {0x1460, "RAY_BIAS"}, {0x1500, "O_CONSTS"},
    {0x2100, "AMBIENT_LIGHT"}, {0x2200, "FOG"}, {0x2201, "USE_FOG"}, {0x2210, "FOG_BGND"}, {0x2300, "DISTANCE_CUE"},
    {0x2301, "USE_DISTANCE_CUE"}, {0x2302, "LAYER_FOG"}, {0x2303, "USE_LAYER_FOG"}, {0x2310, "DCUE_BGND"},
    {0x2D2D, "SMAGIC"}, {0x2D3D, "LMAGIC"}, {0x3000, "DEFAULT_VIEW"}, {0x3010, "VIEW_TOP"}, {0x3020, "VIEW_BOTTOM"},
    {0x3030, "VIEW_LEFT"}, {0x3040, "VIEW_RIGHT"}, {0x3050, "VIEW_FRONT"}, {0x3060, "VIEW_BACK"},
    {0x3070, "VIEW_USER"}, {0x3080, "VIEW_CAMERA"}, {0x3090, "VIEW_WINDOW"}, {0x3D3D, "MDATA"},
    {0x3D3E, "MESH_VERSION"}, {0x3DAA, "MLIBMAGIC"}, {0x3DFF, "MATMAGIC"}, {0x4000, "NAMED_OBJECT"},
    {0x4010, "OBJ_HIDDEN"}, {0x4011, "OBJ_VIS_LOFTER"}, {0x4012, "OBJ_DOESNT_CAST"}, {0x4013, "OBJ_MATTE"},
    {0x4014, "OBJ_FAST"}, {0x4015, "OBJ_PROCEDURAL"}, {0x4016, "OBJ_FROZEN"}, {0x4017, "OBJ_DONT_RCVSHADOW"},
    {0x4100, "N_TRI_OBJECT"}, {0x4110, "POINT_ARRAY"}, {0x4111, "POINT_FLAG_ARRAY"}, {0x4120, "FACE_ARRAY"},
    {0x4130, "MSH_MAT_GROUP"}, {0x4131, "OLD_MAT_GROUP"}, {0x4140, "TEX_VERTS"}, {0x4150, "SMOOTH_GROUP"},
    {0x4160, "MESH_MATRIX"}, {0x4165, "MESH_COLOR"}, {0x4170, "MESH_TEXTURE_INFO"}, {0x4181, "PROC_NAME"},
    {0x4182, "PROC_DATA"}, {0x4190, "MSH_BOXMAP"}, {0x4400, "N_D_L_OLD"}, {0x4500, "N_CAM_OLD"},
    {0x4600, "N_DIRECT_LIGHT"}, {0x4610, "DL_SPOTLIGHT"}, {0x4620, "DL_OFF"}, {0x4625, "DL_ATTENUATE"},
    {0x4627, "DL_RAYSHAD"}, {0x4630, "DL_SHADOWED"}, {0x4640, "DL_LOCAL_SHADOW"}, {0x4641, "DL_LOCAL_SHADOW2"},
    {0x4650, "DL_SEE_CONE"}, {0x4651, "DL_SPOT_RECTANGULAR"}, {0x4652, "DL_SPOT_OVERSHOOT"},
    {0x4653, "DL_SPOT_PROJECTOR"}, {0x4654, "DL_EXCLUDE"}, {0x4655, "DL_RANGE"}, {0x4656, "DL_SPOT_ROLL"},
    {0x4657, "DL_SPOT_ASPECT"}, {0x4658, "DL_RAY_BIAS"}, {0x4659, "DL_INNER_RANGE"}, {0x465A, "DL_OUTER_RANGE"},
    {0x465B, "DL_MULTIPLIER"}, {0x4680, "N_AMBIENT_LIGHT"}, {0x4700, "N_CAMERA"}, {0x4710, "CAM_SEE_CONE"},
    {0x4720, "CAM_RANGES"}, {0x4D4D, "M3DMAGIC"}, {0x4F00, "HIERARCHY"}, {0x4F10, "PARENT_OBJECT"},
    {0x4F20, "PIVOT_OBJECT"}, {0x4F30, "PIVOT_LIMITS"}, {0x4F40, "PIVOT_ORDER"}, {0x4F50, "XLATE_RANGE"},
    {0x5000, "POLY_2D"}, {0x5010, "SHAPE_OK"}, {0x5011, "SHAPE_NOT_OK"}, {0x5020, "SHAPE_HOOK"}, {0x6000, "PATH_3D"},
    {0x6005, "PATH_MATRIX"}, {0x6010, "SHAPE_2D"}, {0x6020, "M_SCALE"}, {0x6030, "M_TWIST"}, {0x6040, "M_TEETER"},
    {0x6050, "M_FIT"}, {0x6060, "M_BEVEL"}, {0x6070, "XZ_CURVE"}, {0x6080, "YZ_CURVE"}, {0x6090, "INTERPCT"},
    {0x60A0, "DEFORM_LIMIT"}, {0x6100, "USE_CONTOUR"}, {0x6110, "USE_TWEEN"}, {0x6120, "USE_SCALE"},
    {0x6130, "USE_TWIST"}, {0x6140, "USE_TEETER"}, {0x6150, "USE_FIT"}, {0x6160, "USE_BEVEL"},
    {0x7000, "VIEWPORT_LAYOUT_OLD"}, {0x7001, "VIEWPORT_LAYOUT"}, {0x7010, "VIEWPORT_DATA_OLD"},
    {0x7011, "VIEWPORT_DATA"}, {0x7012, "VIEWPORT_DATA_3"}, {0x7020, "VIEWPORT_SIZE"}, {0x7030, "NETWORK_VIEW"},
    {0x8000, "XDATA_SECTION"}, {0x8001, "XDATA_ENTRY"}, {0x8002, "XDATA_APPNAME"}, {0x8003, "XDATA_STRING"},
    {0x8004, "XDATA_FLOAT"}, {0x8005, "XDATA_DOUBLE"}, {0x8006, "XDATA_SHORT"}, {0x8007, "XDATA_LONG"},
    {0x8008, "XDATA_procedure"}, {0x8009, "XDATA_GROUP"}, {0x800A, "XDATA_RFU6"}, {0x800B, "XDATA_RFU5"},
    {0x800C, "XDATA_RFU4"}, {0x800D, "XDATA_RFU3"}, {0x800E, "XDATA_RFU2"}, {0x800F, "XDATA_RFU1"},
    {0x80F0, "PARENT_NAME"}, {0xA000, "MAT_NAME"}, {0xA010, "MAT_AMBIENT"}, {0xA020, "MAT_DIFFUSE"},
    {0xA030, "MAT_SPECULAR"}, {0xA040, "MAT_SHININESS"}, {0xA041, "MAT_SHIN2PCT"}, {0xA042, "MAT_SHIN3PCT"},
    {0xA050, "MAT_TRANSPARENCY"}, {0xA052, "MAT_XPFALL"}, {0xA053, "MAT_REFBLUR"}, {0xA080, "MAT_SELF_ILLUM"},
    {0xA081, "MAT_TWO_SIDE"}, {0xA082, "MAT_DECAL"}, {0xA083, "MAT_ADDITIVE"}, {0xA084, "MAT_SELF_ILPCT"},
    {0xA085, "MAT_WIRE"}, {0xA086, "MAT_SUPERSMP"}, {0xA087, "MAT_WIRESIZE"}, {0xA088, "MAT_FACEMAP"},
    {0xA08A, "MAT_XPFALLIN"}, {0xA08C, "MAT_PHONGSOFT"}, {0xA08E, "MAT_WIREABS"}, {0xA100, "MAT_SHADING"},
    {0xA200, "MAT_TEXMAP"}, {0xA204, "MAT_SPECMAP"}, {0xA210, "MAT_OPACMAP"}, {0xA220, "MAT_REFLMAP"},
    {0xA230, "MAT_BUMPMAP"}, {0xA240, "MAT_USE_XPFALL"}, {0xA250, "MAT_USE_REFBLUR"}, {0xA252, "MAT_BUMP_PERCENT"},
    {0xA300, "MAT_MAPNAME"}, {0xA310, "MAT_ACUBIC"}, {0xA320, "MAT_SXP_TEXT_DATA"}, {0xA321, "MAT_SXP_TEXT2_DATA"},
    {0xA322, "MAT_SXP_OPAC_DATA"}, {0xA324, "MAT_SXP_BUMP_DATA"}, {0xA325, "MAT_SXP_SPEC_DATA"},
    {0xA326, "MAT_SXP_SHIN_DATA"}, {0xA328, "MAT_SXP_SELFI_DATA"}, {0xA32A, "MAT_SXP_TEXT_MASKDATA"},
    {0xA32C, "MAT_SXP_TEXT2_MASKDATA"}, {0xA32E, "MAT_SXP_OPAC_MASKDATA"}, {0xA330, "MAT_SXP_BUMP_MASKDATA"},
    {0xA332, "MAT_SXP_SPEC_MASKDATA"}, {0xA334, "MAT_SXP_SHIN_MASKDATA"}, {0xA336, "MAT_SXP_SELFI_MASKDATA"},
    {0xA338, "MAT_SXP_REFL_MASKDATA"}, {0xA33A, "MAT_TEX2MAP"}, {0xA33C, "MAT_SHINMAP"}, {0xA33D, "MAT_SELFIMAP"},
    {0xA33E, "MAT_TEXMASK"}, {0xA340, "MAT_TEX2MASK"}, {0xA342, "MAT_OPACMASK"}, {0xA344, "MAT_BUMPMASK"},
    {0xA346, "MAT_SHINMASK"}, {0xA348, "MAT_SPECMASK"}, {0xA34A, "MAT_SELFIMASK"}, {0xA34C, "MAT_REFLMASK"},
    {0xA350, "MAT_MAP_TILINGOLD"}, {0xA351, "MAT_MAP_TILING"}, {0xA352, "MAT_MAP_TEXBLUR_OLD"},
    {0xA353, "MAT_MAP_TEXBLUR"}, {0xA354, "MAT_MAP_USCALE"}, {0xA356, "MAT_MAP_VSCALE"}, {0xA358, "MAT_MAP_UOFFSET"},
    {0xA35A, "MAT_MAP_VOFFSET"}, {0xA35C, "MAT_MAP_ANG"}, {0xA360, "MAT_MAP_COL1"}, {0xA362, "MAT_MAP_COL2"},
    {0xA364, "MAT_MAP_RCOL"}, {0xA366, "MAT_MAP_GCOL"}, {0xA368, "MAT_MAP_BCOL"}, {0xAFFF, "MAT_ENTRY"},
    {0xB000, "KFDATA"}, {0xB001, "AMBIENT_NODE_TAG"}, {0xB002, "OBJECT_NODE_TAG"}, {0xB003, "CAMERA_NODE_TAG"},
    {0xB004, "TARGET_NODE_TAG"}, {0xB005, "LIGHT_NODE_TAG"}, {0xB006, "L_TARGET_NODE_TAG"},
    {0xB007, "SPOTLIGHT_NODE_TAG"}, {0xB008, "KFSEG"}, {0xB009, "KFCURTIME"}, {0xB00A, "KFHDR"}, {0xB010, "NODE_HDR"},
    {0xB011, "INSTANCE_NAME"}, {0xB012, "PRESCALE"}, {0xB013, "PIVOT"}, {0xB014, "BOUNDBOX"},
    {0xB015, "MORPH_SMOOTH"}, {0xB020, "POS_TRACK_TAG"}, {0xB021, "ROT_TRACK_TAG"}, {0xB022, "SCL_TRACK_TAG"},
    {0xB023, "FOV_TRACK_TAG"}, {0xB024, "ROLL_TRACK_TAG"}, {0xB025, "COL_TRACK_TAG"}, {0xB026, "MORPH_TRACK_TAG"},
    {0xB027, "HOT_TRACK_TAG"}, {0xB028, "FALL_TRACK_TAG"}, {0xB029, "HIDE_TRACK_TAG"}, {0xB030, "NODE_ID"},
    {0xC010, "C_MDRAWER"}, {0xC020, "C_TDRAWER"}, {0xC030, "C_SHPDRAWER"}, {0xC040, "C_MODDRAWER"},
    {0xC050, "C_RIPDRAWER"}, {0xC060, "C_TXDRAWER"}, {0xC062, "C_PDRAWER"}, {0xC064, "C_MTLDRAWER"},
    {0xC066, "C_FLIDRAWER"}, {0xC067, "C_CUBDRAWER"}, {0xC070, "C_MFILE"}, {0xC080, "C_SHPFILE"},
    {0xC090, "C_MODFILE"}, {0xC0A0, "C_RIPFILE"}, {0xC0B0, "C_TXFILE"}, {0xC0B2, "C_PFILE"}, {0xC0B4, "C_MTLFILE"},
    {0xC0B6, "C_FLIFILE"}, {0xC0B8, "C_PALFILE"}, {0xC0C0, "C_TX_STRING"}, {0xC0D0, "C_CONSTS"}, {0xC0E0, "C_SNAPS"},
    {0xC0F0, "C_GRIDS"}, {0xC100, "C_ASNAPS"}, {0xC110, "C_GRID_RANGE"}, {0xC120, "C_RENDTYPE"},
    {0xC130, "C_PROGMODE"}, {0xC140, "C_PREVMODE"}, {0xC150, "C_MODWMODE"}, {0xC160, "C_MODMODEL"},
    {0xC170, "C_ALL_LINES"}, {0xC180, "C_BACK_TYPE"}, {0xC190, "C_MD_CS"}, {0xC1A0, "C_MD_CE"}, {0xC1B0, "C_MD_SML"},
    {0xC1C0, "C_MD_SMW"}, {0xC1C3, "C_LOFT_WITH_TEXTURE"}, {0xC1C4, "C_LOFT_L_REPEAT"}, {0xC1C5, "C_LOFT_W_REPEAT"},
    {0xC1C6, "C_LOFT_UV_NORMALIZE"}, {0xC1C7, "C_WELD_LOFT"}, {0xC1D0, "C_MD_PDET"}, {0xC1E0, "C_MD_SDET"},
    {0xC1F0, "C_RGB_RMODE"}, {0xC200, "C_RGB_HIDE"}, {0xC202, "C_RGB_MAPSW"}, {0xC204, "C_RGB_TWOSIDE"},
    {0xC208, "C_RGB_SHADOW"}, {0xC210, "C_RGB_AA"}, {0xC220, "C_RGB_OVW"}, {0xC230, "C_RGB_OVH"}, {0xC23D, "CMAGIC"},
    {0xC240, "C_RGB_PICTYPE"}, {0xC250, "C_RGB_OUTPUT"}, {0xC253, "C_RGB_TODISK"}, {0xC254, "C_RGB_COMPRESS"},
    {0xC255, "C_JPEG_COMPRESSION"}, {0xC256, "C_RGB_DISPDEV"}, {0xC259, "C_RGB_HARDDEV"}, {0xC25A, "C_RGB_PATH"},
    {0xC25B, "C_BITMAP_DRAWER"}, {0xC260, "C_RGB_FILE"}, {0xC270, "C_RGB_OVASPECT"}, {0xC271, "C_RGB_ANIMTYPE"},
    {0xC272, "C_RENDER_ALL"}, {0xC273, "C_REND_FROM"}, {0xC274, "C_REND_TO"}, {0xC275, "C_REND_NTH"},
    {0xC276, "C_PAL_TYPE"}, {0xC277, "C_RND_TURBO"}, {0xC278, "C_RND_MIP"}, {0xC279, "C_BGND_METHOD"},
    {0xC27A, "C_AUTO_REFLECT"}, {0xC27B, "C_VP_FROM"}, {0xC27C, "C_VP_TO"}, {0xC27D, "C_VP_NTH"},
    {0xC27E, "C_REND_TSTEP"}, {0xC27F, "C_VP_TSTEP"}, {0xC280, "C_SRDIAM"}, {0xC290, "C_SRDEG"}, {0xC2A0, "C_SRSEG"},
    {0xC2B0, "C_SRDIR"}, {0xC2C0, "C_HETOP"}, {0xC2D0, "C_HEBOT"}, {0xC2E0, "C_HEHT"}, {0xC2F0, "C_HETURNS"},
    {0xC300, "C_HEDEG"}, {0xC310, "C_HESEG"}, {0xC320, "C_HEDIR"}, {0xC330, "C_QUIKSTUFF"}, {0xC340, "C_SEE_LIGHTS"},
    {0xC350, "C_SEE_CAMERAS"}, {0xC360, "C_SEE_3D"}, {0xC370, "C_MESHSEL"}, {0xC380, "C_MESHUNSEL"},
    {0xC390, "C_POLYSEL"}, {0xC3A0, "C_POLYUNSEL"}, {0xC3A2, "C_SHPLOCAL"}, {0xC3A4, "C_MSHLOCAL"},
    {0xC3B0, "C_NUM_FORMAT"}, {0xC3C0, "C_ARCH_DENOM"}, {0xC3CB, "C_SXP_SELFI_MASKDATA"}, {0xC3D0, "C_IN_DEVICE"},
    {0xC3E0, "C_MSCALE"}, {0xC3F0, "C_COMM_PORT"}, {0xC400, "C_TAB_BASES"}, {0xC410, "C_TAB_DIVS"},
    {0xC420, "C_MASTER_SCALES"}, {0xC430, "C_SHOW_1STVERT"}, {0xC440, "C_SHAPER_OK"}, {0xC450, "C_LOFTER_OK"},
    {0xC460, "C_EDITOR_OK"}, {0xC470, "C_KEYFRAMER_OK"}, {0xC480, "C_PICKSIZE"}, {0xC490, "C_MAPTYPE"},
    {0xC4A0, "C_MAP_DISPLAY"}, {0xC4B0, "C_TILE_XY"}, {0xC4C0, "C_MAP_XYZ"}, {0xC4D0, "C_MAP_SCALE"},
    {0xC4E0, "C_MAP_MATRIX_OLD"}, {0xC4E1, "C_MAP_MATRIX"}, {0xC4F0, "C_MAP_WID_HT"}, {0xC500, "C_OBNAME"},
    {0xC510, "C_CAMNAME"}, {0xC520, "C_LTNAME"}, {0xC525, "C_CUR_MNAME"}, {0xC526, "C_CURMTL_FROM_MESH"},
    {0xC527, "C_GET_SHAPE_MAKE_FACES"}, {0xC530, "C_DETAIL"}, {0xC540, "C_VERTMARK"}, {0xC550, "C_MSHAX"},
    {0xC560, "C_MSHCP"}, {0xC570, "C_USERAX"}, {0xC580, "C_SHOOK"}, {0xC590, "C_RAX"}, {0xC5A0, "C_STAPE"},
    {0xC5B0, "C_LTAPE"}, {0xC5C0, "C_ETAPE"}, {0xC5C8, "C_KTAPE"}, {0xC5D0, "C_SPHSEGS"}, {0xC5E0, "C_GEOSMOOTH"},
    {0xC5F0, "C_HEMISEGS"}, {0xC600, "C_PRISMSEGS"}, {0xC610, "C_PRISMSIDES"}, {0xC620, "C_TUBESEGS"},
    {0xC630, "C_TUBESIDES"}, {0xC640, "C_TORSEGS"}, {0xC650, "C_TORSIDES"}, {0xC660, "C_CONESIDES"},
    {0xC661, "C_CONESEGS"}, {0xC670, "C_NGPARMS"}, {0xC680, "C_PTHLEVEL"}, {0xC690, "C_MSCSYM"}, {0xC6A0, "C_MFTSYM"},
    {0xC6B0, "C_MTTSYM"}, {0xC6C0, "C_SMOOTHING"}, {0xC6D0, "C_MODICOUNT"}, {0xC6E0, "C_FONTSEL"},
    {0xC6F0, "C_TESS_TYPE"}, {0xC6F1, "C_TESS_TENSION"}, {0xC700, "C_SEG_START"}, {0xC705, "C_SEG_END"},
    {0xC710, "C_CURTIME"}, {0xC715, "C_ANIMLENGTH"}, {0xC720, "C_PV_FROM"}, {0xC725, "C_PV_TO"},
    {0xC730, "C_PV_DOFNUM"}, {0xC735, "C_PV_RNG"}, {0xC740, "C_PV_NTH"}, {0xC745, "C_PV_TYPE"},
    {0xC750, "C_PV_METHOD"}, {0xC755, "C_PV_FPS"}, {0xC765, "C_VTR_FRAMES"}, {0xC770, "C_VTR_HDTL"},
    {0xC771, "C_VTR_HD"}, {0xC772, "C_VTR_TL"}, {0xC775, "C_VTR_IN"}, {0xC780, "C_VTR_PK"}, {0xC785, "C_VTR_SH"},
    {0xC790, "C_WORK_MTLS"}, {0xC792, "C_WORK_MTLS_2"}, {0xC793, "C_WORK_MTLS_3"}, {0xC794, "C_WORK_MTLS_4"},
    {0xC7A1, "C_BGTYPE"}, {0xC7B0, "C_MEDTILE"}, {0xC7D0, "C_LO_CONTRAST"}, {0xC7D1, "C_HI_CONTRAST"},
    {0xC7E0, "C_FROZ_DISPLAY"}, {0xC7F0, "C_BOOLWELD"}, {0xC7F1, "C_BOOLTYPE"}, {0xC900, "C_ANG_THRESH"},
    {0xC901, "C_SS_THRESH"}, {0xC903, "C_TEXTURE_BLUR_DEFAULT"}, {0xCA00, "C_MAPDRAWER"}, {0xCA01, "C_MAPDRAWER1"},
    {0xCA02, "C_MAPDRAWER2"}, {0xCA03, "C_MAPDRAWER3"}, {0xCA04, "C_MAPDRAWER4"}, {0xCA05, "C_MAPDRAWER5"},
    {0xCA06, "C_MAPDRAWER6"}, {0xCA07, "C_MAPDRAWER7"}, {0xCA08, "C_MAPDRAWER8"}, {0xCA09, "C_MAPDRAWER9"},
    {0xCA10, "C_MAPDRAWER_ENTRY"}, {0xCA20, "C_BACKUP_FILE"}, {0xCA21, "C_DITHER_256"}, {0xCA22, "C_SAVE_LAST"},
    {0xCA23, "C_USE_ALPHA"}, {0xCA24, "C_TGA_DEPTH"}, {0xCA25, "C_REND_FIELDS"}, {0xCA26, "C_REFLIP"},
    {0xCA27, "C_SEL_ITEMTOG"}, {0xCA28, "C_SEL_RESET"}, {0xCA29, "C_STICKY_KEYINF"}, {0xCA2A, "C_WELD_THRESHOLD"},
    {0xCA2B, "C_ZCLIP_POINT"}, {0xCA2C, "C_ALPHA_SPLIT"}, {0xCA30, "C_KF_SHOW_BACKFACE"}, {0xCA40, "C_OPTIMIZE_LOFT"},
    {0xCA42, "C_TENS_DEFAULT"}, {0xCA44, "C_CONT_DEFAULT"}, {0xCA46, "C_BIAS_DEFAULT"}, {0xCA50, "C_DXFNAME_SRC "},
    {0xCA60, "C_AUTO_WELD "}, {0xCA70, "C_AUTO_UNIFY "}, {0xCA80, "C_AUTO_SMOOTH "}, {0xCA90, "C_DXF_SMOOTH_ANG "},
    {0xCAA0, "C_SMOOTH_ANG "}, {0xCB00, "C_WORK_MTLS_5"}, {0xCB01, "C_WORK_MTLS_6"}, {0xCB02, "C_WORK_MTLS_7"},
    {0xCB03, "C_WORK_MTLS_8"}, {0xCB04, "C_WORKMTL"}, {0xCB10, "C_SXP_TEXT_DATA"}, {0xCB11, "C_SXP_OPAC_DATA"},
    {0xCB12, "C_SXP_BUMP_DATA"}, {0xCB13, "C_SXP_SHIN_DATA"}, {0xCB20, "C_SXP_TEXT2_DATA"},
    {0xCB24, "C_SXP_SPEC_DATA"}, {0xCB28, "C_SXP_SELFI_DATA"}, {0xCB30, "C_SXP_TEXT_MASKDATA"},
    {0xCB32, "C_SXP_TEXT2_MASKDATA"}, {0xCB34, "C_SXP_OPAC_MASKDATA"}, {0xCB36, "C_SXP_BUMP_MASKDATA"},
    {0xCB38, "C_SXP_SPEC_MASKDATA"}, {0xCB3A, "C_SXP_SHIN_MASKDATA"}, {0xCB3E, "C_SXP_REFL_MASKDATA"},
    {0xCC00, "C_NET_USE_VPOST"}, {0xCC10, "C_NET_USE_GAMMA"}, {0xCC20, "C_NET_FIELD_ORDER"},
    {0xCD00, "C_BLUR_FRAMES"}, {0xCD10, "C_BLUR_SAMPLES"}, {0xCD20, "C_BLUR_DUR"}, {0xCD30, "C_HOT_METHOD"},
    {0xCD40, "C_HOT_CHECK"}, {0xCD50, "C_PIXEL_SIZE"}, {0xCD60, "C_DISP_GAMMA"}, {0xCD70, "C_FBUF_GAMMA"},
    {0xCD80, "C_FILE_OUT_GAMMA"}, {0xCD82, "C_FILE_IN_GAMMA"}, {0xCD84, "C_GAMMA_CORRECT"},
    {0xCD90, "C_APPLY_DISP_GAMMA"}, {0xCDA0, "C_APPLY_FBUF_GAMMA"}, {0xCDB0, "C_APPLY_FILE_GAMMA"},
    {0xCDC0, "C_FORCE_WIRE"}, {0xCDD0, "C_RAY_SHADOWS"}, {0xCDE0, "C_MASTER_AMBIENT"}, {0xCDF0, "C_SUPER_SAMPLE"},
    {0xCE00, "C_OBJECT_MBLUR"}, {0xCE10, "C_MBLUR_DITHER"}, {0xCE20, "C_DITHER_24"}, {0xCE30, "C_SUPER_BLACK"},
    {0xCE40, "C_SAFE_FRAME"}, {0xCE50, "C_VIEW_PRES_RATIO"}, {0xCE60, "C_BGND_PRES_RATIO"},
    {0xCE70, "C_NTH_SERIAL_NUM"}, {0xD000, "VPDATA"}, {0xD100, "P_QUEUE_ENTRY"}, {0xD110, "P_QUEUE_IMAGE"},
    {0xD114, "P_QUEUE_USEIGAMMA"}, {0xD120, "P_QUEUE_PROC"}, {0xD130, "P_QUEUE_SOLID"}, {0xD140, "P_QUEUE_GRADIENT"},
    {0xD150, "P_QUEUE_KF"}, {0xD152, "P_QUEUE_MOTBLUR"}, {0xD153, "P_QUEUE_MB_REPEAT"}, {0xD160, "P_QUEUE_NONE"},
    {0xD180, "P_QUEUE_RESIZE"}, {0xD185, "P_QUEUE_OFFSET"}, {0xD190, "P_QUEUE_ALIGN"}, {0xD1A0, "P_CUSTOM_SIZE"},
    {0xD210, "P_ALPH_NONE"}, {0xD220, "P_ALPH_PSEUDO"}, {0xD221, "P_ALPH_OP_PSEUDO"}, {0xD222, "P_ALPH_BLUR"},
    {0xD225, "P_ALPH_PCOL"}, {0xD230, "P_ALPH_C0"}, {0xD231, "P_ALPH_OP_KEY"}, {0xD235, "P_ALPH_KCOL"},
    {0xD238, "P_ALPH_OP_NOCONV"}, {0xD240, "P_ALPH_IMAGE"}, {0xD250, "P_ALPH_ALPHA"}, {0xD260, "P_ALPH_QUES"},
    {0xD265, "P_ALPH_QUEIMG"}, {0xD270, "P_ALPH_CUTOFF"}, {0xD280, "P_ALPHANEG"}, {0xD300, "P_TRAN_NONE"},
    {0xD310, "P_TRAN_IMAGE"}, {0xD312, "P_TRAN_FRAMES"}, {0xD320, "P_TRAN_FADEIN"}, {0xD330, "P_TRAN_FADEOUT"},
    {0xD340, "P_TRANNEG"}, {0xD400, "P_RANGES"}, {0xD500, "P_PROC_DATA"}, {0xF020, "POS_TRACK_TAG_KEY"},
    {0xF021, "ROT_TRACK_TAG_KEY"}, {0xF022, "SCL_TRACK_TAG_KEY"}, {0xF023, "FOV_TRACK_TAG_KEY"},
    {0xF024, "ROLL_TRACK_TAG_KEY"}, {0xF025, "COL_TRACK_TAG_KEY"}, {0xF026, "MORPH_TRACK_TAG_KEY"},
    {0xF027, "HOT_TRACK_TAG_KEY"}, {0xF028, "FALL_TRACK_TAG_KEY"}, {0xF110, "POINT_ARRAY_ENTRY"},
    {0xF111, "POINT_FLAG_ARRAY_ENTRY"}, {0xF120, "FACE_ARRAY_ENTRY"}, {0xF130, "MSH_MAT_GROUP_ENTRY"},
    {0xF140, "TEX_VERTS_ENTRY"}, {0xF150, "SMOOTH_GROUP_ENTRY"}, {0xFFFF, "DUMMY"},
};
static_assert(std::size(cChunkNames) == 589);
static_assert(StrictlyByTag(cChunkNames));

struct TValueLine {
    uint16_t Tag;
    const char* Format;
};

// Chunks that hold one value (a number or a name): the line that shows it. Sorted by tag.
constexpr TValueLine cValueLines[] = {
    {M3D_VERSION, "Version %d"},
    {INT_PERCENTAGE, "Percentage of %d%%"},
    {FLOAT_PERCENTAGE, "Percentage of  %f%%"},
    {MASTER_SCALE, "Master Scale  %f"},
    {BIT_MAP, "Bitmap Name %s"},
    {V_GRADIENT, "Midpoint  %f"},
    {LO_SHADOW_BIAS, "Bias of  %f"},
    {HI_SHADOW_BIAS, "Bias of  %f"},
    {SHADOW_MAP_SIZE, "Size of %d"},
    {SHADOW_SAMPLES, "Size of %d"},
    {SHADOW_RANGE, "Range of %d"},
    {SHADOW_FILTER, "Filter of  %f"},
    {RAY_BIAS, "Bias of  %f"},
    {VIEW_CAMERA, "Camera Name %s"},
    {MESH_VERSION, "Version %d"},
    {NAMED_OBJECT, "Name: %s"},
    {MESH_COLOR, "Color index of %d"},
    {PROC_NAME, "Procedure Name of %s"},
    {DL_SPOT_PROJECTOR, "Filename of projector is %s"},
    {DL_EXCLUDE, "Exclude %s"},
    {DL_SPOT_ROLL, "Roll angle of  %f"},
    {DL_SPOT_ASPECT, "Spot aspect of  %f"},
    {DL_RAY_BIAS, "Bias of  %f"},
    {DL_INNER_RANGE, "Range of  %f"},
    {DL_OUTER_RANGE, "Range of  %f"},
    {DL_MULTIPLIER, "Multiple of  %f"},
    {XDATA_APPNAME, "Application Name %s"},
    {XDATA_STRING, "String value of %s"},
    {MAT_NAME, "Material Name %s"},
    {MAT_WIRESIZE, "Wire frame Size of  %f"},
    {MAT_SHADING, "Shading value of %d"},
    {MAT_BUMP_PERCENT, "Percentage of %d%%"},
    {MAT_MAPNAME, "Map Name %s"},
    {MAT_MAP_TEXBLUR, "Map bluring of  %f"},
    {MAT_MAP_USCALE, "Map U scale of  %f"},
    {MAT_MAP_VSCALE, "Map V scale of  %f"},
    {MAT_MAP_UOFFSET, "Map U offset of  %f"},
    {MAT_MAP_VOFFSET, "Map V offset of  %f"},
    {MAT_MAP_ANG, "Map rotation angle of  %f"},
    {KFCURTIME, "Current frame is %d"},
    {INSTANCE_NAME, "Instance Name: %s"},
    {MORPH_SMOOTH, "Morph Smoothing Angle of  %f"},
    {NODE_ID, "Node ID: %d"},
};
static_assert(StrictlyByTag(cValueLines));

constexpr int cMaxIndent = 12;

struct TFlagName {
    uint32_t Mask;
    const char* Name;
};

// A name is written when any bit of its mask is set.
constexpr TFlagName cNodeFlags1[] = {
    {0x0004, "NODE_RENDOB_HIDE"}, {0x0008, "NODE_OFF"}, {0x0010, "ATKEY1"}, {0x0020, "ATKEY2"},
    {0x0040, "ATKEY3"}, {0x0080, "ATKEY4"}, {0x0100, "ATKEY5"}, {0x01F0, "ATKEYFLAGS"},
    {0x0200, "MARK_NODE"}, {0x0400, "DISABLE_NODE"}, {0x0800, "HIDE_NODE"}, {0x1000, "FAST_NODE"},
    {0x4000, "PRIMARY_NODE"}, {0x8000, "NODE_CALC_PATH"},
};
constexpr TFlagName cNodeFlags2[] = {
    {0x01, "NODE_HAS_PATH"}, {0x02, "NODE_AUTO_SMOOTH"}, {0x04, "NODE_FROZEN"}, {0x08, "NODE_ANI_HIDDEN"},
    {0x10, "NODE_MOTION_BLUR"}, {0x20, "NODE_BLUR_BRANCH"}, {0x40, "NODE_MORPH_MTL"}, {0x80, "NODE_MORPH_OB"},
};
constexpr TFlagName cTilingFlags[] = {
    {0x001, "TEX_DECAL"}, {0x002, "TEX_MIRROR"}, {0x004, "TEX_UNUSED1"}, {0x008, "TEX_INVERT"},
    {0x010, "TEX_NOWRAP"}, {0x020, "TEX_SAT"}, {0x040, "TEX_ALPHA_SOURCE"}, {0x080, "TEX_TINT"},
    {0x100, "TEX_DONT_USE_ALPHA"}, {0x200, "TEX_RGB_TINT"},
};

struct TKeyValue {
    uint16_t Bit;
    const char* Text;
    float TKeyHeader3DS::*Field;
};

// The spline values a key may hold, in the file's order, each with the text it adds to the key's line.
constexpr TKeyValue cKeyValues[] = {
    {cKeyUsesTension3DS, ", Tens %.2f", &TKeyHeader3DS::Tension},
    {cKeyUsesCont3DS, ", Cont %.2f", &TKeyHeader3DS::Continuity},
    {cKeyUsesBias3DS, ", Bias %.2f", &TKeyHeader3DS::Bias},
    {cKeyUsesEaseTo3DS, ", Ease to %.2f", &TKeyHeader3DS::EaseTo},
    {cKeyUsesEaseFrom3DS, ", Ease from %.2f", &TKeyHeader3DS::EaseFrom},
};

// The data lines of one chunk. Each line starts with the data indent: the chunk's indent and one tab more.
class TChunkDumper {
public:
    TChunkDumper(TStrings& Strings, TDumpLevel DumpLevel, int IndentLevel)
        : FStrings(Strings), FLevel(DumpLevel), FIndentLevel(IndentLevel), FIndent(DumpIndent(IndentLevel) + '\t')
    {
    }

    void DataLines(const TChunk3DS& Chunk);

private:
    void Line(std::string_view Format, std::initializer_list<TVarRec> Args)
    {
        FStrings.Add(FIndent + ::Format(Format, Args));
    }
    void Text(std::string_view Text) { FStrings.Add(FIndent + std::string(Text)); }
    void ColorLine(float R, float G, float B) { Line("Color R:  %f,  G:  %f,  B:  %f", {R, G, B}); }
    void Color24Line(const TColor24& C) { Line("Color R: %d,  G: %d,  B: %d", {C.Red, C.Green, C.Blue}); }
    // Fog and distance cue: the near and far planes with their density or dimming.
    void FogLines(float NearPlane, float NearDensity, float FarPlane, float FarDensity)
    {
        Line("Near plane at  %f", {NearPlane});
        Line("Near Density of  %f", {NearDensity});
        Line("Far plane at  %f", {FarPlane});
        Line("Far Density of  %f", {FarDensity});
    }
    void ViewLines(const TPoint3DS& Target, float Width)
    {
        Line("Target at  %f,  %f,  %f", {Target.X, Target.Y, Target.Z});
        Line("View Width of  %f", {Width});
    }
    void MatrixLines(const TMeshMatrix& M)
    {
        for (int row = 0; row < 12; row += 3)
            Line("[%d]  %f [%d]  %f [%d]  %f", {row, M[row], row + 1, M[row + 1], row + 2, M[row + 2]});
    }
    void FlagLines(uint32_t Flags, const TFlagName* Begin, const TFlagName* End)
    {
        for (const TFlagName* flag = Begin; flag != End; ++flag)
            if (Flags & flag->Mask) Text(flag->Name);
    }
    // The line of a chunk that holds a single value, whatever its decoded type.
    void ValueLine(const TChunk3DS& Chunk, std::string_view Format);
    void TilingLine(uint16_t Flags);
    void NodeHeaderLines(const TNodeHdr& Header);
    // The track's key count and flags, then each key's line followed by the lines of its value.
    template <class TTrack, class TValue, class TValueLines>
    void TrackLines(const TTrack& Track, const std::vector<TValue>& Values, TValueLines ValueLines)
    {
        Line("%d Keys, Flags: $%x", {Track.TrackHdr.KeyCount, Track.TrackHdr.Flags});
        const size_t count = std::min(Track.KeyHdrList.size(), Values.size());
        for (size_t i = 0; i < count; ++i) {
            DumpKeyHeaderLine(FStrings, Track.KeyHdrList[i], FIndentLevel + 1);
            ValueLines(Values[i]);
        }
    }

    TStrings& FStrings;
    TDumpLevel FLevel;
    int FIndentLevel;
    std::string FIndent;
};

void TChunkDumper::TilingLine(uint16_t Flags)
{
    std::string line = FIndent + "Map Flags: ";
    bool named = false;
    for (const TFlagName& flag : cTilingFlags)
        if (Flags & flag.Mask) {
            line += ' ';
            line += flag.Name;
            line += ", ";
            named = true;
        }
    // Only a named flag leaves a separator to take off; flags without a name read as none.
    if (named)
        line.resize(line.size() - 2);
    else
        line += " NONE";
    FStrings.Add(line);
}

void TChunkDumper::NodeHeaderLines(const TNodeHdr& Header)
{
    Line("Object Name: %s", {Header.ObjNameStr});
    Line("Flags 1: $%x", {Header.Flags1});
    if (FLevel == dlMaximumDump) FlagLines(Header.Flags1, std::begin(cNodeFlags1), std::end(cNodeFlags1));
    Line("Flags 2: $%x", {Header.Flags2});
    if (FLevel == dlMaximumDump) FlagLines(Header.Flags2, std::begin(cNodeFlags2), std::end(cNodeFlags2));
    if (Header.ParentIndex == -1)
        Text("No Parent");
    else
        Line("Parent %d", {Header.ParentIndex});
}

void TChunkDumper::ValueLine(const TChunk3DS& Chunk, std::string_view Format)
{
    if (const auto* value = Chunk.DataAs<float>())
        Line(Format, {*value});
    else if (const auto* text = Chunk.DataAs<std::string>())
        Line(Format, {*text});
    else if (const auto* value = Chunk.DataAs<int32_t>())
        Line(Format, {*value});
    else if (const auto* value = Chunk.DataAs<int16_t>())
        Line(Format, {*value});
    else if (const auto* value = Chunk.DataAs<uint8_t>())
        Line(Format, {*value});
}

void TChunkDumper::DataLines(const TChunk3DS& Chunk)
{
    if (const TValueLine* value = FindTag(cValueLines, Chunk.Tag)) {
        ValueLine(Chunk, value->Format);
        return;
    }
    switch (Chunk.Tag) {
    case COLOR_F:
    case LIN_COLOR_F:
        if (const auto* c = Chunk.DataAs<TColorF>()) ColorLine(c->Red, c->Green, c->Blue);
        break;
    case COLOR_24:
    case LIN_COLOR_24:
    case MAT_MAP_COL1:
    case MAT_MAP_COL2:
    case MAT_MAP_RCOL:
    case MAT_MAP_GCOL:
    case MAT_MAP_BCOL:
        if (const auto* c = Chunk.DataAs<TColor24>()) Color24Line(*c);
        break;
    case O_CONSTS:
        if (const auto* p = Chunk.DataAs<TPoint3DS>()) Line("Plane at  %f,  %f,  %f", {p->X, p->Y, p->Z});
        break;
    case FOG:
        if (const auto* f = Chunk.DataAs<TFog>())
            FogLines(f->NearPlaneDist, f->NearPlaneDensity, f->FarPlaneDist, f->FarPlaneDensity);
        break;
    case DISTANCE_CUE:
        if (const auto* d = Chunk.DataAs<TDistanceCue>())
            FogLines(d->NearPlaneDist, d->NearPlaneDimming, d->FarPlaneDist, d->FarPlaneDimming);
        break;
    case LAYER_FOG:
        if (const auto* f = Chunk.DataAs<TLayerFog>()) {
            Line("Fog Z range is  %f to  %f", {f->ZMin, f->ZMax});
            Line("Fog Density is  %f", {f->Density});
            Line("Fog type of $%x", {f->AType});
        }
        break;
    case VIEW_TOP:
    case VIEW_BOTTOM:
    case VIEW_LEFT:
    case VIEW_RIGHT:
    case VIEW_FRONT:
    case VIEW_BACK:
        if (const auto* v = Chunk.DataAs<TViewStandard>()) ViewLines(v->ViewTargetCoord, v->ViewWidth);
        break;
    case VIEW_USER:
        if (const auto* v = Chunk.DataAs<TViewUser>()) {
            ViewLines(v->ViewTargetCoord, v->ViewWidth);
            Line("Horizontal View angle of  %f", {v->XYViewangle});
            Line("Vertical View angle of  %f", {v->YZViewangle});
            Line("Bank angle of  %f", {v->BankAngle});
        }
        break;
    case POINT_ARRAY:
        if (const auto* a = Chunk.DataAs<TPointArray>()) {
            Line("%d Vertices", {a->Vertices});
            if (FLevel == dlMaximumDump)
                for (size_t i = 0; i < a->PointList.size(); ++i) {
                    const TPoint3DS& p = a->PointList[i];
                    Line("Vertex %d at  %f,  %f,  %f", {i, p.X, p.Y, p.Z});
                }
        }
        break;
    case POINT_FLAG_ARRAY:
        if (const auto* a = Chunk.DataAs<TPointFlagArray>()) {
            Line("Flags: %d", {a->Flags});
            if (FLevel == dlMaximumDump)
                for (size_t i = 0; i < a->FlagList.size(); ++i) Line("Flag %d is %d", {i, a->FlagList[i]});
        }
        break;
    case FACE_ARRAY:
        if (const auto* a = Chunk.DataAs<TFaceArray>()) {
            Line("%d Faces", {a->Faces});
            if (FLevel == dlMaximumDump)
                for (size_t i = 0; i < a->FaceList.size(); ++i) {
                    const TFace3DS& f = a->FaceList[i];
                    Line("Face %d Vertices %d, %d, %d and flag $%x", {i, f.V1, f.V2, f.V3, f.Flag});
                }
        }
        break;
    case MSH_MAT_GROUP:
        if (const auto* g = Chunk.DataAs<TMshMatGroup>()) {
            Line("Material Name of %s", {g->MatNameStr});
            Line("Assigned to %d Faces", {g->Faces});
        }
        break;
    case TEX_VERTS:
        if (const auto* t = Chunk.DataAs<TTexVerts>()) {
            Line("%d Vertices", {t->NumCoords});
            if (FLevel == dlMaximumDump)
                for (size_t i = 0; i < t->TextVertList.size(); ++i)
                    Line("Vertex %d with tex vert of  %f,  %f", {i, t->TextVertList[i].U, t->TextVertList[i].V});
        }
        break;
    case MESH_MATRIX:
        if (const auto* m = Chunk.DataAs<TMeshMatrix>()) MatrixLines(*m);
        break;
    case MESH_TEXTURE_INFO:
        if (const auto* t = Chunk.DataAs<TMeshTextureInfo>()) {
            Line("Map Type of %d", {t->MapType});
            Line("X Tiling of  %f", {t->XTiling});
            Line("Y Tiling of  %f", {t->YTiling});
            Line("Icon position of  %f,  %f,  %f", {t->IconPos.X, t->IconPos.Y, t->IconPos.Z});
            MatrixLines(t->XMatrix);
            Line("Scaling Value of  %f", {t->IconScaling});
            Line("Planar Icon Width of  %f", {t->IconWidth});
            Line("Planar Icon Height of  %f", {t->IconHeight});
            Line("Cylinder Icon Height of  %f", {t->CylIconHeight});
        }
        break;
    case MSH_BOXMAP:
        if (const auto* b = Chunk.DataAs<TMshBoxmap>()) {
            Text("Boxmap consists of the following materials:");
            for (const std::string& name : *b) Text(name);
        }
        break;
    case N_DIRECT_LIGHT:
        if (const auto* p = Chunk.DataAs<TPoint3DS>()) Line("Light at  %f,  %f,  %f", {p->X, p->Y, p->Z});
        break;
    case DL_SPOTLIGHT:
        if (const auto* s = Chunk.DataAs<TDlSpotlight>()) {
            Line("Target at  %f, %f, %f", {s->SpotLightTarg.X, s->SpotLightTarg.Y, s->SpotLightTarg.Z});
            Line("Hotspot cone of  %f,  Falloff cone of  %f", {s->HotspotAngle, s->FalloffAngle});
        }
        break;
    case DL_LOCAL_SHADOW2:
        if (const auto* s = Chunk.DataAs<TDlLocalShadow2>()) {
            Line("Shadow bias of  %f", {s->LocalShadowBias});
            Line("Shadow filter of  %f", {s->LocalShadowFilter});
            Line("Shadow Map Size of  %f", {static_cast<double>(s->LocalShadowMapSize)});
        }
        break;
    case N_CAMERA:
        if (const auto* c = Chunk.DataAs<TNCamera>()) {
            Line("Camera at  %f,  %f,  %f", {c->CameraPos.X, c->CameraPos.Y, c->CameraPos.Z});
            Line("Target at  %f,  %f,  %f", {c->TargetPos.X, c->TargetPos.Y, c->TargetPos.Z});
            Line("Bank angle of  %f and a foc of  %f", {c->CameraBank, c->CameraFocalLength});
        }
        break;
    case CAM_RANGES:
        if (const auto* r = Chunk.DataAs<TCamRanges>())
            Line("Camera near range is  %f and far range is  %f", {r->NearPlane, r->FarPlane});
        break;
    case VIEWPORT_LAYOUT:
        if (const auto* l = Chunk.DataAs<TViewportLayout>()) {
            Line("Form of %d", {l->Form});
            Line("Top of %d", {l->Top});
            Line("Ready of %d", {l->Ready});
            Line("WState of %d", {l->WState});
            Line("Swap WS of %d", {l->SwapWS});
            Line("Swap Port of %d", {l->SwapPort});
            Line("Swap Cur of %d", {l->SwapCur});
        }
        break;
    case VIEWPORT_DATA:
    case VIEWPORT_DATA_3:
        if (const auto* d = Chunk.DataAs<TViewportData>()) {
            Line("Flags: $%x", {d->Flags});
            Line("Axis Lockouts of $%x", {d->AxisLockout});
            Line("Window Position of %d, %d", {d->WinXPos, d->WinYPos});
            Line("Window Size of %d, %d", {d->WinWidth, d->WinHeight});
            Line("Window View of %d", {d->View});
            Line("Zoom Factor of  %f", {d->ZoomFactor});
            Line("World Center of  %f, %f, %f", {d->Center.X, d->Center.Y, d->Center.Z});
            Line("Horizontal Angle of  %f", {d->HorizAng});
            Line("Vertical Angle of  %f", {d->VertAng});
            Line("Camera Name of %s", {d->CamNameStr});
        }
        break;
    case VIEWPORT_SIZE:
        if (const auto* s = Chunk.DataAs<TViewportSize>())
            Line("Work Area X: %d Y: %d W: %d H: %d", {s->XPos, s->YPos, s->Width, s->Height});
        break;
    case PARENT_NAME:
        if (const auto* name = Chunk.DataAs<std::string>())
            Line("Parent Name: %s", {*name});
        else
            Text("No Parent");
        break;
    case MAT_ACUBIC:
        if (const auto* a = Chunk.DataAs<TMatAcubic>()) {
            Line("Shade level of %d", {a->ShadeLevel});
            Line("Antialias level of %d", {a->Antialias});
            Line("Flags: %d", {a->Flags});
            Line("Map Size of %d", {a->MapSize});
            Line("Frame skip of %d", {a->FrameInterval});
        }
        break;
    case MAT_MAP_TILING:
        if (const auto* flags = Chunk.DataAs<uint16_t>()) TilingLine(*flags);
        break;
    case KFSEG:
        if (const auto* s = Chunk.DataAs<TKFSeg>()) Line("Segment starts at %d and ends at %d", {s->First, s->Last});
        break;
    case KFHDR:
        if (const auto* h = Chunk.DataAs<TKFHdr>()) {
            Line("Revision level of $%x", {h->Revision});
            Line("Filename %s", {h->Filename});
            Line("Animation length of %d", {h->AnimLength});
        }
        break;
    case NODE_HDR:
        if (const auto* h = Chunk.DataAs<TNodeHdr>()) NodeHeaderLines(*h);
        break;
    case PIVOT:
        if (const auto* p = Chunk.DataAs<TPoint3DS>()) Line("Pivot at  %f,  %f,  %f", {p->X, p->Y, p->Z});
        break;
    case BOUNDBOX:
        if (const auto* b = Chunk.DataAs<TBoundBox>()) {
            Line("Minimum at  %f,  %f,  %f", {b->Min.X, b->Min.Y, b->Min.Z});
            Line("Maximum at  %f,  %f,  %f", {b->Max.X, b->Max.Y, b->Max.Z});
        }
        break;
    case POS_TRACK_TAG:
        if (const auto* t = Chunk.DataAs<TPosTrackTag>())
            TrackLines(*t, t->PositionList,
                       [this](const TPoint3DS& p) { Line("Object at  %f,  %f,  %f", {p.X, p.Y, p.Z}); });
        break;
    case ROT_TRACK_TAG:
        if (const auto* t = Chunk.DataAs<TRotTrackTag>())
            TrackLines(*t, t->RotationList, [this](const TKFRotKey3DS& r) {
                Line("Rotation of  %f", {r.Angle});
                Line("Axis of  %f,  %f,  %f", {r.X, r.Y, r.Z});
            });
        break;
    case SCL_TRACK_TAG:
        if (const auto* t = Chunk.DataAs<TScaleTrackTag>())
            TrackLines(*t, t->ScaleList,
                       [this](const TPoint3DS& s) { Line("Scale of  %f,  %f,  %f", {s.X, s.Y, s.Z}); });
        break;
    case FOV_TRACK_TAG:
        if (const auto* t = Chunk.DataAs<TFovTrackTag>())
            TrackLines(*t, t->FOVAngleList, [this](float a) { Line("Camera FOV of  %f", {a}); });
        break;
    case ROLL_TRACK_TAG:
        if (const auto* t = Chunk.DataAs<TRollTrackTag>())
            TrackLines(*t, t->RollAngleList, [this](float a) { Line("Camera Roll of  %f", {a}); });
        break;
    case COL_TRACK_TAG:
        if (const auto* t = Chunk.DataAs<TColTrackTag>())
            TrackLines(*t, t->ColorList, [this](const TFColor3DS& c) { ColorLine(c.R, c.G, c.B); });
        break;
    case MORPH_TRACK_TAG:
        if (const auto* t = Chunk.DataAs<TMorphTrackTag>())
            TrackLines(*t, t->MorphList, [this](const std::string& name) { Line("Morph to %s", {name}); });
        break;
    case HOT_TRACK_TAG:
        if (const auto* t = Chunk.DataAs<THotTrackTag>())
            TrackLines(*t, t->HotspotAngleList, [this](float a) { Line("Hotspot angle of  %f", {a}); });
        break;
    case FALL_TRACK_TAG:
        if (const auto* t = Chunk.DataAs<TFallTrackTag>())
            TrackLines(*t, t->FalloffAngleList, [this](float a) { Line("Falloff Angle of  %f", {a}); });
        break;
    case HIDE_TRACK_TAG:
        if (const auto* t = Chunk.DataAs<THideTrackTag>())
            TrackLines(*t, t->KeyHdrList, [](const TKeyHeader3DS&) {});
        break;
    default:
        break;
    }
}

} // namespace

std::string_view ChunkTagToName(uint16_t Tag)
{
    const TChunkName* entry = FindTag(cChunkNames, Tag);
    return entry ? entry->Name : "UNKNOWN_CHUNK";
}

std::string DumpIndent(int IndentLevel)
{
    return std::string(static_cast<size_t>(std::clamp(IndentLevel, 0, cMaxIndent)), '\t');
}

void DumpChunkHeaderLine(TStrings& Strings, const TChunk3DS& Chunk, int IndentLevel)
{
    Strings.Add(Format("%sChunk %s ($%x), Length is %d ($%3:x)",
                       {DumpIndent(IndentLevel), ChunkTagToName(Chunk.Tag), Chunk.Tag, Chunk.Size}));
}

void DumpKeyHeaderLine(TStrings& Strings, const TKeyHeader3DS& Key, int IndentLevel)
{
    std::string line = Format("%sFrame %d", {DumpIndent(IndentLevel), Key.Time});
    for (const TKeyValue& value : cKeyValues)
        if (Key.RFlags & value.Bit) line += Format(value.Text, {Key.*value.Field});
    Strings.Add(line);
}

void DumpChunk(TFile3DS& File3DS, TStrings& Strings, TChunk3DS* Chunk, TDumpLevel DumpLevel, int IndentLevel)
{
    if (!Chunk) return;
    const auto dumpOne = [&](TChunk3DS& chunk, int indentLevel) {
        DumpChunkHeaderLine(Strings, chunk, indentLevel);
        if (DumpLevel == dlTerseDump) return;
        // A bounding box is shown only when a reader has read it.
        if (chunk.Tag != BOUNDBOX) File3DS.ReadChunkData(&chunk);
        TChunkDumper(Strings, DumpLevel, indentLevel).DataLines(chunk);
    };
    // Depth first without recursion: the stack holds, for each open level, the sibling that comes next.
    dumpOne(*Chunk, IndentLevel);
    std::vector<TChunk3DS*> nextSiblings;
    TChunk3DS* next = Chunk->Children.get();
    int level = IndentLevel + 1;
    for (;;) {
        if (next) {
            dumpOne(*next, level);
            nextSiblings.push_back(next->Sibling.get());
            next = next->Children.get();
            ++level;
        } else if (!nextSiblings.empty()) {
            next = nextSiblings.back();
            nextSiblings.pop_back();
            --level;
        } else {
            break;
        }
    }
}

void TFile3DS::DumpDataBase(TStrings& Strings, TDumpLevel DumpLevel)
{
    DumpChunk(*this, Strings, FDatabase.TopChunk.get(), DumpLevel, 0);
}
