#include "Chunk3DSWriter.h"
#include "Const3DS.h"
#include "File3DS.h"
#include "Raises.h"
#include "Utils3DS.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

// A file of the given kind holding what body writes, loaded; the stream lives as long as the file.
struct TSettingsFile {
    std::unique_ptr<TMemoryStream> Stream;
    TFile3DS File;

    explicit TSettingsFile(const std::function<void(TChunk3DSWriter&)>& body, uint16_t kind = M3DMAGIC)
    {
        TChunk3DSWriter w;
        w.Chunk(kind, [&] { body(w); });
        Stream = w.Stream();
        File.LoadFromStream(*Stream);
    }
    // A mesh file whose mesh section holds what body writes.
    static std::function<void(TChunk3DSWriter&)> InMesh(std::function<void(TChunk3DSWriter&)> body)
    {
        return [body](TChunk3DSWriter& w) { w.Chunk(MDATA, [&] { body(w); }); };
    }
    TChunk3DS* Find(uint16_t tag) { return FindChunkInTree(File.Database().TopChunk.get(), tag); }
};

void ExpectColor(const TFColor3DS& color, float r, float g, float b)
{
    EXPECT_FLOAT_EQ(color.R, r);
    EXPECT_FLOAT_EQ(color.G, g);
    EXPECT_FLOAT_EQ(color.B, b);
}

void ExpectPoint(const TPoint3DS& point, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(point.X, x);
    EXPECT_FLOAT_EQ(point.Y, y);
    EXPECT_FLOAT_EQ(point.Z, z);
}

TEST(Settings3DS, WithoutAMeshSectionTheRecordsAreZeroNotDefaults)
{
    const auto keyframesOnly = [](TChunk3DSWriter& w) {
        w.Chunk(KFDATA, [&] { w.Chunk(KFCURTIME, [&] { w.I32(1); }); });
    };
    // A mesh file without one, a file of another kind and an empty file object.
    TSettingsFile mesh(keyframesOnly);
    TSettingsFile other([](TChunk3DSWriter& w) { w.U32(5); }, 0x1234);
    TFile3DS empty;
    for (TFile3DS* file : {&mesh.File, &other.File, &empty}) {
        const TMeshSet3DS settings = file->MeshSettings();
        EXPECT_EQ(settings.MasterScale, 0);
        EXPECT_EQ(settings.Shadow.Bias, 0);
        EXPECT_EQ(settings.Shadow.MapSize, 0);
        EXPECT_EQ(settings.Shadow.Filter, 0);
        ExpectColor(settings.AmbientLight, 0, 0, 0);
        const TAtmosphere3DS atmosphere = file->Atmosphere();
        EXPECT_EQ(atmosphere.Fog.FarPlane, 0);
        EXPECT_FALSE(atmosphere.Fog.FogBgnd);
        EXPECT_EQ(atmosphere.LayerFog.Density, 0);
        EXPECT_FALSE(atmosphere.LayerFog.FogBgnd);
        EXPECT_EQ(atmosphere.DCue.FarDim, 0);
        EXPECT_EQ(atmosphere.ActiveAtmo, atNoAtmo);
        const TBackground3DS background = file->Background();
        EXPECT_EQ(background.VGradient.GradPercent, 0);
        EXPECT_EQ(background.BgndUsed, btNoBgnd);
    }
    // The viewport of a keyframer section without a layout takes the defaults; the others are zero.
    EXPECT_EQ(mesh.File.Viewport().AType, vtTopView3DS);
    for (TFile3DS* file : {&other.File, &empty}) {
        const TViewport3DS viewport = file->Viewport();
        EXPECT_EQ(viewport.AType, vtNoView3DS);
        EXPECT_EQ(viewport.Size.Width, 0);
        EXPECT_EQ(viewport.Ortho.Zoom, 0);
    }
}

TEST(Settings3DS, AnEmptyMeshSectionGivesTheDefaults)
{
    TSettingsFile file(TSettingsFile::InMesh([](TChunk3DSWriter&) {}));
    const TMeshSet3DS settings = file.File.MeshSettings();
    EXPECT_FLOAT_EQ(settings.MasterScale, 1);
    EXPECT_EQ(settings.Shadow.AType, ssUseShadowMap);
    EXPECT_FLOAT_EQ(settings.Shadow.Bias, 1);
    EXPECT_FLOAT_EQ(settings.Shadow.RayBias, 1);
    EXPECT_EQ(settings.Shadow.MapSize, 512);
    EXPECT_FLOAT_EQ(settings.Shadow.Filter, 3);
    ExpectColor(settings.AmbientLight, 0.39216f, 0.39216f, 0.39216f);
    ExpectPoint(settings.OConsts, 0, 0, 0);

    const TAtmosphere3DS atmosphere = file.File.Atmosphere();
    EXPECT_FLOAT_EQ(atmosphere.Fog.NearPlane, 0);
    EXPECT_FLOAT_EQ(atmosphere.Fog.FarPlane, 1000);
    EXPECT_FLOAT_EQ(atmosphere.Fog.FarDensity, 100);
    EXPECT_TRUE(atmosphere.Fog.FogBgnd);
    EXPECT_FLOAT_EQ(atmosphere.LayerFog.ZMax, 100);
    EXPECT_FLOAT_EQ(atmosphere.LayerFog.Density, 50);
    EXPECT_TRUE(atmosphere.LayerFog.FogBgnd);
    EXPECT_EQ(atmosphere.LayerFog.FallOff, lfNoFall);
    EXPECT_FLOAT_EQ(atmosphere.DCue.FarPlane, 1000);
    EXPECT_FLOAT_EQ(atmosphere.DCue.FarDim, 100);
    EXPECT_FALSE(atmosphere.DCue.DCueBgnd);
    EXPECT_EQ(atmosphere.ActiveAtmo, atNoAtmo);

    const TBackground3DS background = file.File.Background();
    EXPECT_EQ(background.Bitmap, "");
    EXPECT_FLOAT_EQ(background.VGradient.GradPercent, 0.5f);
    EXPECT_EQ(background.BgndUsed, btNoBgnd);

    const TViewport3DS viewport = file.File.Viewport();
    EXPECT_EQ(viewport.AType, vtTopView3DS);
    EXPECT_EQ(viewport.Size.XPos, 0);
    EXPECT_EQ(viewport.Size.Width, 1000);
    EXPECT_EQ(viewport.Size.Height, 1000);
    EXPECT_FLOAT_EQ(viewport.Ortho.Zoom, 0.7395f);
    EXPECT_FLOAT_EQ(viewport.User.Zoom, 0.7395f);
    EXPECT_FLOAT_EQ(viewport.User.HorAng, 20);
    EXPECT_FLOAT_EQ(viewport.User.VerAng, 30);
    EXPECT_EQ(viewport.CameraStr, "");
}

TEST(Settings3DS, MeshSettingsAreReadFromTheSectionsOwnChunksAndFreedAgain)
{
    TSettingsFile file(TSettingsFile::InMesh([](TChunk3DSWriter& w) {
        w.Chunk(MASTER_SCALE, [&] { w.F32(2.5f); });
        w.Chunk(LO_SHADOW_BIAS, [&] { w.F32(0.25f); });
        w.Chunk(HI_SHADOW_BIAS, [&] { w.F32(9); });
        w.Chunk(RAY_BIAS, [&] { w.F32(0.5f); });
        w.Chunk(SHADOW_MAP_SIZE, [&] { w.I16(1024); });
        w.Chunk(SHADOW_FILTER, [&] { w.F32(5); });
        w.Chunk(O_CONSTS, [&] { w.Point(1, 2, 3); });
        // A scale deeper down is not the section's.
        w.Chunk(NAMED_OBJECT, [&] { w.Str("Box").Chunk(MASTER_SCALE, [&] { w.F32(7); }); });
    }));
    const TMeshSet3DS settings = file.File.MeshSettings();
    EXPECT_FLOAT_EQ(settings.MasterScale, 2.5f);
    EXPECT_FLOAT_EQ(settings.Shadow.Bias, 0.25f);
    EXPECT_FLOAT_EQ(settings.Shadow.RayBias, 0.5f);
    EXPECT_EQ(settings.Shadow.MapSize, 1024);
    EXPECT_FLOAT_EQ(settings.Shadow.Filter, 5);
    EXPECT_EQ(settings.Shadow.AType, ssUseShadowMap);
    ExpectPoint(settings.OConsts, 1, 2, 3);
    EXPECT_EQ(file.Find(MASTER_SCALE)->Data, nullptr);
    EXPECT_EQ(file.Find(O_CONSTS)->Data, nullptr);
    // Each call reads again.
    EXPECT_FLOAT_EQ(file.File.MeshSettings().MasterScale, 2.5f);
}

TEST(Settings3DS, AmbientLightPrefersTheLinearColourAndTheFloatForm)
{
    using TWrite = std::function<void(TChunk3DSWriter&)>;
    const TWrite color24 = [](TChunk3DSWriter& w) { w.Chunk(COLOR_24, [&] { w.U8(255).U8(0).U8(51); }); };
    const TWrite colorF = [](TChunk3DSWriter& w) { w.Chunk(COLOR_F, [&] { w.Floats({0.25f, 0.5f, 0.75f}); }); };
    const TWrite linF = [](TChunk3DSWriter& w) { w.Chunk(LIN_COLOR_F, [&] { w.Floats({0, 1, 0}); }); };
    const TWrite lin24 = [](TChunk3DSWriter& w) { w.Chunk(LIN_COLOR_24, [&] { w.U8(0).U8(0).U8(255); }); };
    struct TCase {
        std::vector<TWrite> Chunks;
        TFColor3DS Expected;
    };
    const TCase cases[] = {
        {{color24}, {1, 0, 0.2f}},
        {{colorF}, {0.25f, 0.5f, 0.75f}},
        {{color24, colorF}, {0.25f, 0.5f, 0.75f}},
        {{color24, linF}, {0, 1, 0}},
        {{colorF, lin24}, {0, 0, 1}},
        {{lin24, linF}, {0, 1, 0}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        TSettingsFile file(TSettingsFile::InMesh([&](TChunk3DSWriter& w) {
            w.Chunk(AMBIENT_LIGHT, [&] {
                for (const TWrite& chunk : cases[i].Chunks) chunk(w);
            });
        }));
        const TFColor3DS& expected = cases[i].Expected;
        ExpectColor(file.File.MeshSettings().AmbientLight, expected.R, expected.G, expected.B);
    }
}

TEST(Settings3DS, FogReadsItsValuesColourAndBackgroundFlag)
{
    const auto fog = [](bool background) {
        return TSettingsFile::InMesh([background](TChunk3DSWriter& w) {
            w.Chunk(FOG, [&] {
                w.Floats({1, 0.1f, 500, 0.9f});
                w.Chunk(COLOR_F, [&] { w.Floats({0.5f, 0.5f, 1}); });
                if (background) w.Chunk(FOG_BGND);
            });
            w.Chunk(USE_FOG);
            w.Chunk(USE_DISTANCE_CUE);
        });
    };
    TSettingsFile without(fog(false));
    const TAtmosphere3DS atmosphere = without.File.Atmosphere();
    EXPECT_FLOAT_EQ(atmosphere.Fog.NearPlane, 1);
    EXPECT_FLOAT_EQ(atmosphere.Fog.NearDensity, 0.1f);
    EXPECT_FLOAT_EQ(atmosphere.Fog.FarPlane, 500);
    EXPECT_FLOAT_EQ(atmosphere.Fog.FarDensity, 0.9f);
    ExpectColor(atmosphere.Fog.FogColor, 0.5f, 0.5f, 1);
    // Absent, although the default is true.
    EXPECT_FALSE(atmosphere.Fog.FogBgnd);
    // The fog is the active atmosphere when it is used, whatever else is.
    EXPECT_EQ(atmosphere.ActiveAtmo, atUseFog);

    TSettingsFile with(fog(true));
    EXPECT_TRUE(with.File.Atmosphere().Fog.FogBgnd);
}

TEST(Settings3DS, LayerFogFlagsGiveTheBackgroundAndFallOff)
{
    struct TCase {
        uint32_t Flags;
        bool FogBgnd;
        TLayerFogFalloff3DS FallOff;
    };
    const TCase cases[] = {
        {0x100003, true, lfTopFall}, {0x000002, false, lfTopFall}, {0x100001, true, lfBottomFall},
        {0x000000, false, lfNoFall}, {0x0FFFF0, false, lfNoFall},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Flags);
        TSettingsFile file(TSettingsFile::InMesh([&](TChunk3DSWriter& w) {
            w.Chunk(LAYER_FOG, [&] {
                w.Floats({-5, 25, 0.75f}).U32(c.Flags);
                w.Chunk(COLOR_F, [&] { w.Floats({1, 0, 0}); });
            });
            w.Chunk(USE_LAYER_FOG);
        }));
        const TAtmosphere3DS atmosphere = file.File.Atmosphere();
        EXPECT_FLOAT_EQ(atmosphere.LayerFog.ZMin, -5);
        EXPECT_FLOAT_EQ(atmosphere.LayerFog.ZMax, 25);
        EXPECT_FLOAT_EQ(atmosphere.LayerFog.Density, 0.75f);
        ExpectColor(atmosphere.LayerFog.FogColor, 1, 0, 0);
        EXPECT_EQ(atmosphere.LayerFog.FogBgnd, c.FogBgnd);
        EXPECT_EQ(atmosphere.LayerFog.FallOff, c.FallOff);
        EXPECT_EQ(atmosphere.ActiveAtmo, atUseLayerFog);
    }
}

TEST(Settings3DS, DistanceCueWithoutFog)
{
    TSettingsFile file(TSettingsFile::InMesh([](TChunk3DSWriter& w) {
        w.Chunk(DISTANCE_CUE, [&] {
            w.Floats({2, 0.2f, 800, 0.8f});
            w.Chunk(DCUE_BGND);
        });
        w.Chunk(USE_DISTANCE_CUE);
    }));
    const TAtmosphere3DS atmosphere = file.File.Atmosphere();
    EXPECT_EQ(atmosphere.ActiveAtmo, atUseDistanceCue);
    EXPECT_FLOAT_EQ(atmosphere.DCue.NearPlane, 2);
    EXPECT_FLOAT_EQ(atmosphere.DCue.NearDim, 0.2f);
    EXPECT_FLOAT_EQ(atmosphere.DCue.FarPlane, 800);
    EXPECT_FLOAT_EQ(atmosphere.DCue.FarDim, 0.8f);
    EXPECT_TRUE(atmosphere.DCue.DCueBgnd);
    // The fog keeps its defaults.
    EXPECT_FLOAT_EQ(atmosphere.Fog.FarPlane, 1000);
    EXPECT_TRUE(atmosphere.Fog.FogBgnd);
}

TEST(Settings3DS, BackgroundBitmapSolidColourAndGradient)
{
    TSettingsFile file(TSettingsFile::InMesh([](TChunk3DSWriter& w) {
        w.Chunk(BIT_MAP, [&] { w.Str("sky.png"); });
        w.Chunk(SOLID_BGND, [&] {
            w.Chunk(COLOR_F, [&] { w.Floats({1, 0, 0}); });
            w.Chunk(LIN_COLOR_F, [&] { w.Floats({0, 0, 1}); });
        });
        w.Chunk(V_GRADIENT, [&] {
            w.F32(0.3f);
            w.Chunk(COLOR_F, [&] { w.Floats({1, 1, 1}); });
            w.Chunk(COLOR_F, [&] { w.Floats({0.5f, 0.5f, 0.5f}); });
            w.Chunk(LIN_COLOR_F, [&] { w.Floats({0, 1, 0}); });
            w.Chunk(COLOR_F, [&] { w.Floats({0, 0, 0}); });
            w.Chunk(LIN_COLOR_F, [&] { w.Floats({0, 0.5f, 0}); });
        });
        w.Chunk(USE_V_GRADIENT);
        w.Chunk(USE_SOLID_BGND);
    }));
    const TBackground3DS background = file.File.Background();
    EXPECT_EQ(background.Bitmap, "sky.png");
    ExpectColor(background.Solid, 0, 0, 1);
    EXPECT_FLOAT_EQ(background.VGradient.GradPercent, 0.3f);
    // Two linear colours replace the top and the middle; the bottom keeps its plain colour.
    ExpectColor(background.VGradient.Top, 0, 1, 0);
    ExpectColor(background.VGradient.Mid, 0, 0.5f, 0);
    ExpectColor(background.VGradient.Bottom, 0, 0, 0);
    EXPECT_EQ(background.BgndUsed, btUseSolidBgnd);
    EXPECT_EQ(file.Find(BIT_MAP)->Data, nullptr);
}

TEST(Settings3DS, BackgroundInUseByPriority)
{
    struct TCase {
        std::vector<uint16_t> Flags;
        TBackgroundType3DS Used;
    };
    const TCase cases[] = {
        {{USE_V_GRADIENT, USE_SOLID_BGND, USE_BIT_MAP}, btUseBitmapBgnd},
        {{USE_V_GRADIENT, USE_SOLID_BGND}, btUseSolidBgnd},
        {{USE_V_GRADIENT}, btUseVGradientBgnd},
        {{}, btNoBgnd},
    };
    for (const TCase& c : cases) {
        TSettingsFile file(TSettingsFile::InMesh([&](TChunk3DSWriter& w) {
            for (uint16_t flag : c.Flags) w.Chunk(flag);
        }));
        EXPECT_EQ(file.File.Background().BgndUsed, c.Used) << c.Flags.size();
    }
}

// Viewport data of a view, with its zoom, centre, angles and camera name.
void ViewportData(TChunk3DSWriter& w, uint16_t tag, uint16_t view, float zoom, const std::string& camera = "")
{
    w.Chunk(tag, [&] {
        for (uint16_t v : {0, 0, 0, 0, 100, 100}) w.U16(v);
        w.U16(view).F32(zoom).Point(zoom, 2 * zoom, 3 * zoom).Floats({10 * zoom, 20 * zoom}).Str(camera);
    });
}

// A viewport layout whose Top field is top, holding what body writes.
void Layout(TChunk3DSWriter& w, int16_t top, const std::function<void()>& body)
{
    w.Chunk(VIEWPORT_LAYOUT, [&] {
        for (int16_t v : {int16_t{0}, top, int16_t{0}, int16_t{0}, int16_t{0}, int16_t{0}, int16_t{0}}) w.I16(v);
        body();
    });
}

TEST(Settings3DS, ViewportTakesTheTopthDataOfItsLayout)
{
    TSettingsFile file(TSettingsFile::InMesh([](TChunk3DSWriter& w) {
        Layout(w, 2, [&] {
            ViewportData(w, VIEWPORT_DATA, 1, 1);
            ViewportData(w, VIEWPORT_DATA, 2, 2);
            ViewportData(w, VIEWPORT_DATA, 5, 3);
            ViewportData(w, VIEWPORT_DATA, 6, 4);
            w.Chunk(VIEWPORT_SIZE, [&] { w.U16(1).U16(2).U16(640).U16(480); });
        });
    }));
    const TViewport3DS viewport = file.File.Viewport();
    EXPECT_EQ(viewport.AType, vtFrontView3DS);
    EXPECT_FLOAT_EQ(viewport.Ortho.Zoom, 3);
    EXPECT_FLOAT_EQ(viewport.User.Zoom, 3);
    ExpectPoint(viewport.Ortho.Center, 3, 6, 9);
    ExpectPoint(viewport.User.Center, 3, 6, 9);
    EXPECT_FLOAT_EQ(viewport.User.HorAng, 30);
    EXPECT_FLOAT_EQ(viewport.User.VerAng, 60);
    EXPECT_EQ(viewport.Size.XPos, 1);
    EXPECT_EQ(viewport.Size.YPos, 2);
    EXPECT_EQ(viewport.Size.Width, 640);
    EXPECT_EQ(viewport.Size.Height, 480);
    // The layout's data stays on its chunk; the viewport data is freed again.
    EXPECT_NE(file.Find(VIEWPORT_LAYOUT)->Data, nullptr);
    EXPECT_EQ(file.Find(VIEWPORT_DATA)->Data, nullptr);

    // The section reader serves any section it is given; without one the record stays zero.
    EXPECT_EQ(ReadViewportSection3DS(file.File, file.Find(MDATA)).AType, vtFrontView3DS);
    const TViewport3DS none = ReadViewportSection3DS(file.File, nullptr);
    EXPECT_EQ(none.AType, vtNoView3DS);
    EXPECT_EQ(none.Size.Width, 0);
}

TEST(Settings3DS, TheReadersBehindTheFilesSettingsAreRoutinesOfTheirOwn)
{
    TSettingsFile file(TSettingsFile::InMesh([](TChunk3DSWriter& w) {
        w.Chunk(MASTER_SCALE, [&] { w.F32(2.5f); });
        w.Chunk(USE_DISTANCE_CUE);
        w.Chunk(USE_SOLID_BGND);
    }));
    EXPECT_FLOAT_EQ(ReadMeshSettings3DS(file.File).MasterScale, 2.5f);
    EXPECT_EQ(ReadAtmosphere3DS(file.File).ActiveAtmo, atUseDistanceCue);
    EXPECT_EQ(ReadBackground3DS(file.File).BgndUsed, btUseSolidBgnd);
    EXPECT_EQ(ReadViewport3DS(file.File).AType, vtTopView3DS);
}

TEST(Settings3DS, OnceTheCurrentFormIsMetOlderViewportDataIsNotCounted)
{
    // Top 2: the old-form data after the current form would be the third, but it is passed over.
    TSettingsFile file(TSettingsFile::InMesh([](TChunk3DSWriter& w) {
        Layout(w, 2, [&] {
            ViewportData(w, VIEWPORT_DATA, 1, 1);
            ViewportData(w, VIEWPORT_DATA_3, 2, 2);
            ViewportData(w, VIEWPORT_DATA, 3, 3);
            ViewportData(w, VIEWPORT_DATA_3, 0xFFFF, 4, "Camera01");
        });
    }));
    const TViewport3DS viewport = file.File.Viewport();
    EXPECT_EQ(viewport.AType, vtCameraView3DS);
    EXPECT_EQ(viewport.CameraStr, "Camera01");
    EXPECT_FLOAT_EQ(viewport.Ortho.Zoom, 4);
}

TEST(Settings3DS, ViewportViewValues)
{
    struct TCase {
        uint16_t View;
        TViewType3DS Type;
    };
    const TCase cases[] = {
        {0, vtNoView3DS},           {1, vtTopView3DS},        {2, vtBottomView3DS},  {3, vtLeftView3DS},
        {4, vtRightView3DS},        {5, vtFrontView3DS},      {6, vtBackView3DS},    {7, vtUserView3DS},
        {8, vtNoView3DS},           {18, vtSpotlightView3DS}, {0xFFFF, vtCameraView3DS}, {0xFFFE, vtNoView3DS},
    };
    for (const TCase& c : cases) {
        TSettingsFile file(TSettingsFile::InMesh([&](TChunk3DSWriter& w) {
            Layout(w, 0, [&] { ViewportData(w, VIEWPORT_DATA_3, c.View, 1); });
        }));
        EXPECT_EQ(file.File.Viewport().AType, c.Type) << c.View;
    }
}

TEST(Settings3DS, ViewportPrefersTheKeyframerSectionAndOnlyMeshAndProjectFiles)
{
    const auto layout = [](TChunk3DSWriter& w, uint16_t view) {
        Layout(w, 0, [&] { ViewportData(w, VIEWPORT_DATA_3, view, 1); });
    };
    const auto both = [&](TChunk3DSWriter& w) {
        w.Chunk(MDATA, [&] { layout(w, 3); });
        w.Chunk(KFDATA, [&] { layout(w, 4); });
    };
    EXPECT_EQ(TSettingsFile(both).File.Viewport().AType, vtRightView3DS);
    EXPECT_EQ(TSettingsFile(both, CMAGIC).File.Viewport().AType, vtRightView3DS);
    // A material library has no viewport.
    EXPECT_EQ(TSettingsFile(both, MLIBMAGIC).File.Viewport().AType, vtNoView3DS);
    // A keyframer section without a layout hides the mesh section's.
    const auto emptyKeyframer = [&](TChunk3DSWriter& w) {
        w.Chunk(MDATA, [&] { layout(w, 3); });
        w.Chunk(KFDATA);
    };
    const TViewport3DS defaults = TSettingsFile(emptyKeyframer).File.Viewport();
    EXPECT_EQ(defaults.AType, vtTopView3DS);
    EXPECT_FLOAT_EQ(defaults.Ortho.Zoom, 0.7395f);
}

TEST(Settings3DS, CorruptSettingDataRaises)
{
    // A linear colour of one Single where three are needed (its layout is not checked while loading).
    TSettingsFile file(TSettingsFile::InMesh([](TChunk3DSWriter& w) {
        w.Chunk(AMBIENT_LIGHT, [&] { w.Chunk(LIN_COLOR_F, [&] { w.F32(1); }); });
    }));
    EXPECT_EQ(MessageOf<E3DSError>([&] { file.File.MeshSettings(); }), c3DSErrInvalidChunk);
}

} // namespace
