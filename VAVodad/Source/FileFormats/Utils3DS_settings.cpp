// The scene-wide settings of a 3DS mesh or project file: mesh settings, atmosphere, background and the active
// viewport, read afresh from the chunks on every call. What a file leaves out keeps its default; a file
// without a mesh section gives zeroed records.
#include "Utils3DS.h"

#include "Const3DS.h"
#include "Utils3DS_chunks.h"

#include <string>
#include <type_traits>

namespace {

// Hands a chunk's record to Store when it has one, and frees the data again.
template <class T, class TStore> void TakeValue(TFile3DS& File, TChunk3DS* Chunk, TStore Store)
{
    if (!Chunk) return;
    if (const T* value = ChunkValue3DS<T>(File, Chunk)) Store(*value);
    FreeChunkData(Chunk);
}

// Colour from the first chunk of Tag within Parent (Parent included); false when there is none.
template <class T> bool ReadColor(TFile3DS& File, TChunk3DS* Parent, uint16_t Tag, TFColor3DS& Color)
{
    TChunk3DS* chunk = FindChunkInTree(Parent, Tag);
    if (!chunk) return false;
    TakeValue<T>(File, chunk, [&Color](const T& value) { Color = ColorOf3DS(value); });
    return true;
}

// The plain colour (float before 24-bit), then the linear one (float before 24-bit) in its place: a linear
// colour wins.
void ReadPlainThenLinearColor(TFile3DS& File, TChunk3DS* Parent, TFColor3DS& Color)
{
    if (!ReadColor<TColorF>(File, Parent, COLOR_F, Color)) ReadColor<TColor24>(File, Parent, COLOR_24, Color);
    if (!ReadColor<TColorF>(File, Parent, LIN_COLOR_F, Color)) ReadColor<TColor24>(File, Parent, LIN_COLOR_24, Color);
}

// Top, middle and bottom from the first three chunks of Tag in the sibling chain that holds the first one.
void ReadGradientColors(TFile3DS& File, TChunk3DS* Gradient, uint16_t Tag, TVGradientBgnd3DS& Result)
{
    TChunk3DS* chunk = FindChunkInTree(Gradient, Tag);
    for (TFColor3DS* color : {&Result.Top, &Result.Mid, &Result.Bottom}) {
        if (!chunk) return;
        TakeValue<TColorF>(File, chunk, [color](const TColorF& value) { *color = ColorOf3DS(value); });
        chunk = FindChunkInSiblings(chunk->Sibling.get(), Tag);
    }
}

bool HasChunk(TChunk3DS* Parent, uint16_t Tag)
{
    return FindChunkInTree(Parent, Tag) != nullptr;
}

TChunk3DS* MeshSection(TFile3DS& File)
{
    return FindChunkInTree(File.Database().TopChunk.get(), MDATA);
}

TViewType3DS ViewTypeOf(uint16_t View)
{
    if (View >= 1 && View <= 7) return static_cast<TViewType3DS>(vtTopView3DS + (View - 1));
    if (View == 0xFFFF) return vtCameraView3DS;
    if (View == 18) return vtSpotlightView3DS;
    return vtNoView3DS;
}

void FillViewport(const TViewportData& Data, TViewport3DS& Result)
{
    Result.AType = ViewTypeOf(Data.View);
    Result.Ortho.Zoom = Data.ZoomFactor;
    Result.User.Zoom = Data.ZoomFactor;
    Result.Ortho.Center = Data.Center;
    Result.User.Center = Data.Center;
    Result.User.HorAng = Data.HorizAng;
    Result.User.VerAng = Data.VertAng;
    Result.CameraStr = Data.CamNameStr;
}

} // namespace

TMeshSet3DS ReadMeshSettings3DS(TFile3DS& File)
{
    TMeshSet3DS result;
    TChunk3DS* mdata = MeshSection(File);
    if (!mdata) return result;
    result.MasterScale = 1.0f;
    result.Shadow.Bias = 1.0f;
    result.Shadow.RayBias = 1.0f;
    result.Shadow.MapSize = 512;
    result.Shadow.Filter = 3.0f;
    result.AmbientLight = {0.39216f, 0.39216f, 0.39216f};

    TChunk3DS* first = mdata->Children.get();
    const auto setting = [&](uint16_t Tag, auto& Field) {
        using T = std::remove_reference_t<decltype(Field)>;
        TakeValue<T>(File, FindChunkInSiblings(first, Tag), [&Field](const T& value) { Field = value; });
    };
    setting(MASTER_SCALE, result.MasterScale);
    setting(LO_SHADOW_BIAS, result.Shadow.Bias);
    setting(RAY_BIAS, result.Shadow.RayBias);
    setting(SHADOW_MAP_SIZE, result.Shadow.MapSize);
    setting(SHADOW_FILTER, result.Shadow.Filter);
    if (TChunk3DS* ambient = FindChunkInSiblings(first, AMBIENT_LIGHT))
        ReadPlainThenLinearColor(File, ambient, result.AmbientLight);
    setting(O_CONSTS, result.OConsts);
    return result;
}

TAtmosphere3DS ReadAtmosphere3DS(TFile3DS& File)
{
    TAtmosphere3DS result;
    TChunk3DS* mdata = MeshSection(File);
    if (!mdata) return result;
    result.Fog.FarPlane = 1000.0f;
    result.Fog.FarDensity = 100.0f;
    result.Fog.FogBgnd = true;
    result.LayerFog.ZMax = 100.0f;
    result.LayerFog.Density = 50.0f;
    result.LayerFog.FogBgnd = true;
    result.DCue.FarPlane = 1000.0f;
    result.DCue.FarDim = 100.0f;

    if (TChunk3DS* fog = FindChunkInTree(mdata, FOG)) {
        TFogSettings3DS& settings = result.Fog;
        TakeValue<TFog>(File, fog, [&settings](const TFog& value) {
            settings.NearPlane = value.NearPlaneDist;
            settings.NearDensity = value.NearPlaneDensity;
            settings.FarPlane = value.FarPlaneDist;
            settings.FarDensity = value.FarPlaneDensity;
        });
        ReadColor<TColorF>(File, fog, COLOR_F, settings.FogColor);
        settings.FogBgnd = HasChunk(fog, FOG_BGND);
    }
    if (TChunk3DS* layerFog = FindChunkInTree(mdata, LAYER_FOG)) {
        TLayerFogSettings3DS& settings = result.LayerFog;
        TakeValue<TLayerFog>(File, layerFog, [&settings](const TLayerFog& value) {
            settings.ZMin = value.ZMin;
            settings.ZMax = value.ZMax;
            settings.Density = value.Density;
            settings.FogBgnd = (value.AType & 0x100000) != 0;
            settings.FallOff = (value.AType & 0x2) ? lfTopFall : (value.AType & 0x1) ? lfBottomFall : lfNoFall;
        });
        ReadColor<TColorF>(File, layerFog, COLOR_F, settings.FogColor);
    }
    if (TChunk3DS* cue = FindChunkInTree(mdata, DISTANCE_CUE)) {
        TDCueSettings3DS& settings = result.DCue;
        TakeValue<TDistanceCue>(File, cue, [&settings](const TDistanceCue& value) {
            settings.NearPlane = value.NearPlaneDist;
            settings.NearDim = value.NearPlaneDimming;
            settings.FarPlane = value.FarPlaneDist;
            settings.FarDim = value.FarPlaneDimming;
        });
        settings.DCueBgnd = HasChunk(cue, DCUE_BGND);
    }
    result.ActiveAtmo = HasChunk(mdata, USE_FOG)            ? atUseFog
                        : HasChunk(mdata, USE_LAYER_FOG)    ? atUseLayerFog
                        : HasChunk(mdata, USE_DISTANCE_CUE) ? atUseDistanceCue
                                                            : atNoAtmo;
    return result;
}

TBackground3DS ReadBackground3DS(TFile3DS& File)
{
    TBackground3DS result;
    TChunk3DS* mdata = MeshSection(File);
    if (!mdata) return result;
    result.VGradient.GradPercent = 0.5f;

    TakeValue<std::string>(File, FindChunkInTree(mdata, BIT_MAP),
                           [&result](const std::string& name) { result.Bitmap = name; });
    if (TChunk3DS* solid = FindChunkInTree(mdata, SOLID_BGND)) {
        ReadColor<TColorF>(File, solid, COLOR_F, result.Solid);
        ReadColor<TColorF>(File, solid, LIN_COLOR_F, result.Solid);
    }
    if (TChunk3DS* gradient = FindChunkInTree(mdata, V_GRADIENT)) {
        TakeValue<float>(File, gradient, [&result](float value) { result.VGradient.GradPercent = value; });
        ReadGradientColors(File, gradient, COLOR_F, result.VGradient);
        ReadGradientColors(File, gradient, LIN_COLOR_F, result.VGradient);
    }
    result.BgndUsed = HasChunk(mdata, USE_BIT_MAP)      ? btUseBitmapBgnd
                      : HasChunk(mdata, USE_SOLID_BGND) ? btUseSolidBgnd
                      : HasChunk(mdata, USE_V_GRADIENT) ? btUseVGradientBgnd
                                                        : btNoBgnd;
    return result;
}

TViewport3DS ReadViewportSection3DS(TFile3DS& File, TChunk3DS* Section)
{
    TViewport3DS result;
    if (!Section) return result;
    result.AType = vtTopView3DS;
    result.Size.Width = 1000;
    result.Size.Height = 1000;
    result.Ortho.Zoom = 0.7395f;
    result.User.Zoom = 0.7395f;
    result.User.HorAng = 20.0f;
    result.User.VerAng = 30.0f;

    TChunk3DS* layout = FindChunkInSiblings(Section->Children.get(), VIEWPORT_LAYOUT);
    if (!layout) return result;
    // The layout's data stays on its chunk.
    const TViewportLayout* layoutData = ChunkValue3DS<TViewportLayout>(File, layout);
    if (!layoutData) return result;
    const int top = layoutData->Top;

    const auto fill = [&File, &result](TChunk3DS* chunk) {
        TakeValue<TViewportData>(File, chunk, [&result](const TViewportData& data) { FillViewport(data, result); });
    };
    int index = 0;
    bool currentFormSeen = false;
    for (TChunk3DS* chunk = layout->Children.get(); chunk; chunk = chunk->Sibling.get()) {
        switch (chunk->Tag) {
        case VIEWPORT_DATA_3:
            if (index == top) fill(chunk);
            ++index;
            currentFormSeen = true;
            break;
        case VIEWPORT_DATA:
            if (currentFormSeen) break;
            if (index == top) fill(chunk);
            ++index;
            break;
        case VIEWPORT_SIZE:
            TakeValue<TViewportSize>(File, chunk, [&result](const TViewportSize& size) {
                result.Size = {size.XPos, size.YPos, size.Width, size.Height};
            });
            break;
        default:
            break;
        }
    }
    return result;
}

TViewport3DS ReadViewport3DS(TFile3DS& File)
{
    TChunk3DS* top = File.Database().TopChunk.get();
    if (!top || (top->Tag != M3DMAGIC && top->Tag != CMAGIC)) return {};
    TChunk3DS* section = FindChunkInSiblings(top->Children.get(), KFDATA);
    if (!section) section = FindChunkInSiblings(top->Children.get(), MDATA);
    if (!section) return {};
    return ReadViewportSection3DS(File, section);
}

TMeshSet3DS TFile3DS::MeshSettings()
{
    return ReadMeshSettings3DS(*this);
}

TAtmosphere3DS TFile3DS::Atmosphere()
{
    return ReadAtmosphere3DS(*this);
}

TBackground3DS TFile3DS::Background()
{
    return ReadBackground3DS(*this);
}

TViewport3DS TFile3DS::Viewport()
{
    return ReadViewport3DS(*this);
}
