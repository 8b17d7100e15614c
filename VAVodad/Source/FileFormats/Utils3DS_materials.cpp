// The material reader: MAT_ENTRY chunks into material records, and the file's cache of them.
#include "Utils3DS.h"

#include "Const3DS.h"
#include "Utils3DS_chunks.h"

namespace {

// Percentages and switches of a material, each from a chunk of its own.
struct TMaterialPercent {
    uint16_t Tag;
    float TMaterial3DS::*Field;
};

const TMaterialPercent cMaterialPercents[] = {
    {MAT_SHININESS, &TMaterial3DS::Shininess},     {MAT_SHIN2PCT, &TMaterial3DS::ShinStrength},
    {MAT_TRANSPARENCY, &TMaterial3DS::Transparency}, {MAT_XPFALL, &TMaterial3DS::TransFallOff},
    {MAT_REFBLUR, &TMaterial3DS::Blur},            {MAT_SELF_ILPCT, &TMaterial3DS::SelfIllumPct},
};

struct TMaterialSwitch {
    uint16_t Tag;
    bool TMaterial3DS::*Field;
};

const TMaterialSwitch cMaterialSwitches[] = {
    {MAT_SELF_ILLUM, &TMaterial3DS::SelFillum}, {MAT_TWO_SIDE, &TMaterial3DS::TwoSided},
    {MAT_ADDITIVE, &TMaterial3DS::Additive},    {MAT_FACEMAP, &TMaterial3DS::FaceMap},
    {MAT_PHONGSOFT, &TMaterial3DS::Soften},     {MAT_WIREABS, &TMaterial3DS::UseWireAbs},
    {MAT_USE_XPFALL, &TMaterial3DS::UseFall},   {MAT_USE_REFBLUR, &TMaterial3DS::UseBlur},
};

// The values and tints of a map, each from a chunk of its own.
struct TBitmapValue {
    uint16_t Tag;
    float TBitmap3DS::*Field;
};

const TBitmapValue cBitmapValues[] = {
    {MAT_MAP_TEXBLUR, &TBitmap3DS::Blur},       {MAT_MAP_USCALE, &TBitmap3DS::UScale},
    {MAT_MAP_VSCALE, &TBitmap3DS::VScale},      {MAT_MAP_UOFFSET, &TBitmap3DS::UOffset},
    {MAT_MAP_VOFFSET, &TBitmap3DS::VOffset},    {MAT_MAP_ANG, &TBitmap3DS::Rotation},
};

struct TBitmapTint {
    uint16_t Tag;
    TFColor3DS TBitmap3DS::*Field;
};

const TBitmapTint cBitmapTints[] = {
    {MAT_MAP_COL1, &TBitmap3DS::Tint1},     {MAT_MAP_COL2, &TBitmap3DS::Tint2},
    {MAT_MAP_RCOL, &TBitmap3DS::RedTint},   {MAT_MAP_GCOL, &TBitmap3DS::GreenTint},
    {MAT_MAP_BCOL, &TBitmap3DS::BlueTint},
};

// The map or mask that a map container, or the procedural data of one, fills; nullptr for other tags.
TBitmap3DS* MaterialBitmap(TMaterial3DS& M, uint16_t Tag)
{
    switch (Tag) {
    case MAT_TEXMAP: case MAT_SXP_TEXT_DATA: return &M.Texture.Map;
    case MAT_TEX2MAP: case MAT_SXP_TEXT2_DATA: return &M.Texture2.Map;
    case MAT_OPACMAP: case MAT_SXP_OPAC_DATA: return &M.Opacity.Map;
    case MAT_BUMPMAP: case MAT_SXP_BUMP_DATA: return &M.Bump.Map;
    case MAT_SPECMAP: case MAT_SXP_SPEC_DATA: return &M.SpecMap.Map;
    case MAT_SHINMAP: case MAT_SXP_SHIN_DATA: return &M.ShinMap.Map;
    case MAT_SELFIMAP: case MAT_SXP_SELFI_DATA: return &M.IllumMap.Map;
    case MAT_REFLMAP: return &M.Reflect.Map;
    case MAT_TEXMASK: case MAT_SXP_TEXT_MASKDATA: return &M.Texture.Mask;
    case MAT_TEX2MASK: case MAT_SXP_TEXT2_MASKDATA: return &M.Texture2.Mask;
    case MAT_OPACMASK: case MAT_SXP_OPAC_MASKDATA: return &M.Opacity.Mask;
    case MAT_BUMPMASK: case MAT_SXP_BUMP_MASKDATA: return &M.Bump.Mask;
    case MAT_SPECMASK: case MAT_SXP_SPEC_MASKDATA: return &M.SpecMap.Mask;
    case MAT_SHINMASK: case MAT_SXP_SHIN_MASKDATA: return &M.ShinMap.Mask;
    case MAT_SELFIMASK: case MAT_SXP_SELFI_MASKDATA: return &M.IllumMap.Mask;
    case MAT_REFLMASK: case MAT_SXP_REFL_MASKDATA: return &M.Reflect.Mask;
    default: return nullptr;
    }
}

bool IsProceduralData(uint16_t Tag)
{
    return Tag >= MAT_SXP_TEXT_DATA && Tag <= MAT_SXP_REFL_MASKDATA;
}

// The tags of material sub-chunks, from the name to the last map chunk.
bool IsMaterialTag(uint16_t Tag)
{
    return Tag >= MAT_NAME && Tag < MAT_ENTRY;
}

// Extension data other programs add to any chunk.
bool IsExtensionTag(uint16_t Tag)
{
    return Tag >= 0x8000 && Tag <= 0x80FF;
}

// A colour container: bytes, replaced by reals when present, replaced by linear bytes when present. Linear
// reals are not read.
TFColor3DS ReadMaterialColor(TFile3DS& File, TChunk3DS* Container)
{
    TFColor3DS color;
    if (TChunk3DS* bytes = FindChunkInTree(Container, COLOR_24))
        color = ColorOf3DS(TakeChunkValue3DS<TColor24>(File, bytes));
    if (TChunk3DS* reals = FindChunkInTree(Container, COLOR_F))
        color = ColorOf3DS(TakeChunkValue3DS<TColorF>(File, reals));
    if (TChunk3DS* linear = FindChunkInTree(Container, LIN_COLOR_24))
        color = ColorOf3DS(TakeChunkValue3DS<TColor24>(File, linear));
    return color;
}

void ReadMapTiling(uint16_t Flags, TBitmap3DS& Bitmap)
{
    Bitmap.Tiling = !(Flags & 0x1) ? ttTile : (Flags & 0x10) ? ttDecal : ttBoth;
    Bitmap.IgnoreAlpha = (Flags & 0x100) != 0;
    Bitmap.Filter = (Flags & 0x20) ? ftSummedArea : ftPyramidal;
    Bitmap.Mirror = (Flags & 0x2) != 0;
    Bitmap.Negative = (Flags & 0x8) != 0;
    if (Flags & 0x80)
        Bitmap.Source = (Flags & 0x40) ? ttAlphaTint : ttRGBLumaTint;
    else
        Bitmap.Source = (Flags & 0x200) ? ttRGBTint : (Flags & 0x40) ? ttAlpha : ttRGB;
}

// The material section: the mesh data of a mesh or project file, or the top of a material library.
TChunk3DS* MaterialSection(TChunk3DS* Top)
{
    if (TChunk3DS* mdata = FindChunkInTree(Top, MDATA)) return mdata;
    return FindChunkInTree(Top, MLIBMAGIC);
}

void UpdateMaterialEntryList(TFile3DS& File)
{
    TDatabase3DS& db = File.Database();
    if (!db.MatListDirty) return;
    RebuildChunkList3DS(db.MatList, [&](TChunkList3DS& list) {
        TChunk3DS* entry = FindChunkInTree(MaterialSection(db.TopChunk.get()), MAT_ENTRY);
        for (; entry; entry = FindChunkInSiblings(entry->Sibling.get(), MAT_ENTRY)) {
            // An entry without a name is listed under the empty name.
            TChunk3DS* name = FindChunkInTree(entry, MAT_NAME);
            const std::string* text = name ? ChunkValue3DS<std::string>(File, name) : nullptr;
            list.List.push_back({text ? *text : std::string(), entry});
        }
    });
    db.MatListDirty = false;
}

} // namespace

void InitBitmap3DS(TBitmap3DS& Bitmap)
{
    Bitmap = TBitmap3DS{};
    Bitmap.UScale = 1.0f;
    Bitmap.VScale = 1.0f;
    Bitmap.Tint2 = {1, 1, 1};
    Bitmap.RedTint = {1, 0, 0};
    Bitmap.GreenTint = {0, 1, 0};
    Bitmap.BlueTint = {0, 0, 1};
}

void InitMaterial3DS(TMaterial3DS& Material)
{
    Material = TMaterial3DS{};
    Material.WireSize = 1.0f;
    Material.Shading = stPhong;
    Material.Reflect.AutoMap.Size = 100;
    Material.Reflect.AutoMap.nthFrame = 1;
    for (TMapSet3DS* set : {&Material.Texture, &Material.Texture2, &Material.Opacity, &Material.Bump,
                            &Material.SpecMap, &Material.ShinMap, &Material.IllumMap}) {
        InitBitmap3DS(set->Map);
        InitBitmap3DS(set->Mask);
    }
    InitBitmap3DS(Material.Reflect.Map);
    InitBitmap3DS(Material.Reflect.Mask);
}

int32_t MaterialCount3DS(TFile3DS& File)
{
    UpdateMaterialEntryList(File);
    const TChunkList3DS* list = File.Database().MatList.get();
    return list ? list->Count() : 0;
}

TChunk3DS* MaterialEntryByIndex(TFile3DS& File, int32_t Index)
{
    CheckDatabase3DS(File, {MLIBMAGIC, M3DMAGIC, CMAGIC});
    if (Index < 0 || Index >= MaterialCount3DS(File)) return nullptr;
    return File.Database().MatList->List[static_cast<size_t>(Index)].Chunk;
}

void GetMaterialByIndex3DS(TFile3DS& File, int32_t Index, TMaterial3DS& Material)
{
    Material = TMaterial3DS{};
    TChunk3DS* entry = MaterialEntryByIndex(File, Index);
    if (!entry) Raise3DSErrorFmt(c3DSErrInvalidIndex, {Index});
    ReadMaterial3DS(File, entry, Material);
}

float ReadPercentage3DS(TFile3DS& File, TChunk3DS* Chunk)
{
    if (TChunk3DS* percent = FindChunkInTree(Chunk, INT_PERCENTAGE))
        return TakeChunkValue3DS<int16_t>(File, percent) / 100.0f;
    if (TChunk3DS* fraction = FindChunkInTree(Chunk, FLOAT_PERCENTAGE))
        return TakeChunkValue3DS<float>(File, fraction);
    return 0;
}

void ReadBitmap3DS(TFile3DS& File, TChunk3DS* Chunk, TBitmap3DS& Bitmap)
{
    for (TChunk3DS* child = Chunk->Children.get(); child; child = child->Sibling.get()) {
        if (const TBitmapValue* value = FindEntry3DS(cBitmapValues, child->Tag)) {
            Bitmap.*value->Field = TakeChunkValue3DS<float>(File, child);
        } else if (const TBitmapTint* tint = FindEntry3DS(cBitmapTints, child->Tag)) {
            Bitmap.*tint->Field = ColorOf3DS(TakeChunkValue3DS<TColor24>(File, child));
        } else {
            switch (child->Tag) {
            case INT_PERCENTAGE: Bitmap.Percent = TakeChunkValue3DS<int16_t>(File, child) / 100.0f; break;
            case FLOAT_PERCENTAGE: Bitmap.Percent = TakeChunkValue3DS<float>(File, child); break;
            case MAT_MAPNAME: Bitmap.NameStr = TakeChunkValue3DS<std::string>(File, child); break;
            case MAT_MAP_TILING: ReadMapTiling(TakeChunkValue3DS<uint16_t>(File, child), Bitmap); break;
            default: break;
            }
        }
    }
}

void ReadMaterial3DS(TFile3DS& File, TChunk3DS* Chunk, TMaterial3DS& Material)
{
    if (!Chunk || Chunk->Tag != MAT_ENTRY) Raise3DSError(c3DSErrInvalidChunk);
    InitMaterial3DS(Material);
    for (TChunk3DS* child = Chunk->Children.get(); child; child = child->Sibling.get()) {
        const uint16_t tag = child->Tag;
        if (const TMaterialPercent* percent = FindEntry3DS(cMaterialPercents, tag)) {
            Material.*percent->Field = ReadPercentage3DS(File, child);
        } else if (const TMaterialSwitch* flag = FindEntry3DS(cMaterialSwitches, tag)) {
            Material.*flag->Field = true;
        } else if (TBitmap3DS* bitmap = MaterialBitmap(Material, tag)) {
            if (IsProceduralData(tag)) {
                TIpasData data = TakeChunkValue3DS<TIpasData>(File, child);
                bitmap->DataSize = data.Size;
                bitmap->Data = std::move(data.Data);
            } else {
                ReadBitmap3DS(File, child, *bitmap);
                // The bump map's own strength wins over its percentage.
                if (tag == MAT_BUMPMAP)
                    if (TChunk3DS* strength = FindChunkInTree(child, MAT_BUMP_PERCENT))
                        bitmap->Percent = TakeChunkValue3DS<int16_t>(File, strength) / 100.0f;
            }
        } else {
            switch (tag) {
            case MAT_NAME: Material.NameStr = TakeChunkValue3DS<std::string>(File, child); break;
            case MAT_AMBIENT: Material.Ambient = ReadMaterialColor(File, child); break;
            case MAT_DIFFUSE: Material.Diffuse = ReadMaterialColor(File, child); break;
            case MAT_SPECULAR: Material.Specular = ReadMaterialColor(File, child); break;
            case MAT_WIRE: Material.Shading = stWire; break;
            case MAT_XPFALLIN: Material.Transparency = -Material.Transparency; break;
            case MAT_WIRESIZE: Material.WireSize = TakeChunkValue3DS<float>(File, child); break;
            case MAT_SHADING: {
                // A shading the format does not have leaves the default.
                const int16_t shading = TakeChunkValue3DS<int16_t>(File, child);
                if (shading >= stWire && shading <= stMetal) Material.Shading = static_cast<TShadeType3DS>(shading);
                break;
            }
            case MAT_ACUBIC: {
                const TMatAcubic cubic = TakeChunkValue3DS<TMatAcubic>(File, child);
                Material.Reflect.UseAuto = true;
                Material.Reflect.AutoMap.FirstFrame = (cubic.Flags & 0x09) != 0;
                Material.Reflect.AutoMap.Flat = (cubic.Flags & 0x11) != 0;
                Material.Reflect.AutoMap.Size = static_cast<int32_t>(cubic.MapSize);
                Material.Reflect.AutoMap.nthFrame = static_cast<int32_t>(cubic.FrameInterval);
                break;
            }
            default:
                // Material options this reader does not take (supersampling and those of other program
                // versions) and extension data are passed over; anything else has no place in a material.
                if (!IsMaterialTag(tag) && !IsExtensionTag(tag)) Raise3DSError(c3DSErrInvalidChunk);
                break;
            }
        }
    }
}

TMaterialList::TMaterialList(TFile3DS* AOwner) : FLocalList(AOwner, MaterialCount3DS, GetMaterialByIndex3DS) {}

TMaterial3DS* TMaterialList::MaterialByName(const std::string& Name)
{
    for (int32_t i = 0, n = Count(); i < n; ++i)
        if (TMaterial3DS* material = Material(i); SameText(material->NameStr, Name)) return material;
    return nullptr;
}
