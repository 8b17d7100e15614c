// The record readers of 3DS files: materials, meshes, lights and cameras, and keyframer motions and settings,
// read from chunk streams the tests write, with the guards against files whose indices and counts lie.
#include "Utils3DS.h"

#include "Chunk3DSWriter.h"
#include "Components.h"
#include "Const3DS.h"
#include "File3DS.h"
#include "Raises.h"
#include "Streams.h"
#include "StringLists.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using TBody = std::function<void()>;

// A file loaded from the writer's bytes; the stream lives as long as the file.
struct TLoaded3DS {
    std::unique_ptr<TMemoryStream> Stream;
    TFile3DS File;

    explicit TLoaded3DS(const TChunk3DSWriter& writer) : Stream(writer.Stream()) { File.LoadFromStream(*Stream); }

    TChunk3DS* Find(uint16_t tag) { return FindChunkInTree(File.Database().TopChunk.get(), tag); }
    // Overwrites the stream's bytes, so that whatever is read from the file afterwards is garbage.
    void SpoilStream() { std::memset(Stream->Memory(), 0xEE, static_cast<size_t>(Stream->Size())); }
};

// The writer of the file being made: the helpers below and the bodies nested in them write into it.
TChunk3DSWriter* gW = nullptr;

struct TWriterScope {
    TChunk3DSWriter W;
    TWriterScope() { gW = &W; }
    ~TWriterScope() { gW = nullptr; }
};

void Chunk(uint16_t tag, const TBody& body = {})
{
    gW->Chunk(tag, body);
}

void Text(uint16_t tag, const std::string& text)
{
    Chunk(tag, [&] { gW->Str(text); });
}

void Color24(uint16_t tag, uint8_t r, uint8_t g, uint8_t b)
{
    Chunk(tag, [&] { gW->U8(r).U8(g).U8(b); });
}

void ColorF(uint16_t tag, float r, float g, float b)
{
    Chunk(tag, [&] { gW->Floats({r, g, b}); });
}

void Single(uint16_t tag, float value)
{
    Chunk(tag, [&] { gW->F32(value); });
}

void Short(uint16_t tag, int16_t value)
{
    Chunk(tag, [&] { gW->I16(value); });
}

void IntPercent(uint16_t container, int16_t percent)
{
    Chunk(container, [&] { Short(INT_PERCENTAGE, percent); });
}

void Material(const std::string& name, const TBody& body = {})
{
    Chunk(MAT_ENTRY, [&] {
        Text(MAT_NAME, name);
        if (body) body();
    });
}

void Object(const std::string& name, const TBody& body)
{
    Chunk(NAMED_OBJECT, [&] {
        gW->Str(name);
        body();
    });
}

void Points(std::initializer_list<TPoint3DS> points)
{
    Chunk(POINT_ARRAY, [&] {
        gW->U16(static_cast<uint16_t>(points.size()));
        for (const TPoint3DS& p : points) gW->Point(p.X, p.Y, p.Z);
    });
}

// A triangle of three vertices and one face, with what body adds to the face chunk.
void Triangle(const TBody& faceBody = {}, const TBody& meshBody = {})
{
    Chunk(N_TRI_OBJECT, [&] {
        Points({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
        Chunk(FACE_ARRAY, [&] {
            gW->U16(1).Face(0, 1, 2, 7);
            if (faceBody) faceBody();
        });
        if (meshBody) meshBody();
    });
}

void Light(float x, float y, float z, const TBody& body = {})
{
    Chunk(N_DIRECT_LIGHT, [&] {
        gW->Point(x, y, z);
        if (body) body();
    });
}

void Spotlight(const TBody& body = {})
{
    Chunk(DL_SPOTLIGHT, [&] {
        gW->Point(5, 6, 7).F32(20).F32(30);
        if (body) body();
    });
}

void Camera(float focal, const TBody& body = {})
{
    Chunk(N_CAMERA, [&] {
        gW->Point(1, 2, 3).Point(4, 5, 6).F32(10).F32(focal);
        if (body) body();
    });
}

// A keyframer node: its id, its header (name, flags, parent index) and what body adds.
void Node(uint16_t tag, int16_t id, const std::string& name, int16_t parent, const TBody& body = {})
{
    Chunk(tag, [&] {
        Short(NODE_ID, id);
        Chunk(NODE_HDR, [&] { gW->Str(name).U16(0x4000).U16(0x0002).I16(parent); });
        if (body) body();
    });
}

TKeyHeader3DS Key(int32_t time, uint16_t rflags = 0, float tension = 0)
{
    TKeyHeader3DS key;
    key.Time = time;
    key.RFlags = rflags;
    key.Tension = tension;
    return key;
}

// A track of the given keys, each followed by what value writes for it.
void Track(uint16_t tag, uint16_t flags, std::initializer_list<TKeyHeader3DS> keys,
           const std::function<void(int)>& value = {})
{
    Chunk(tag, [&] {
        gW->TrackHeader(flags, static_cast<uint32_t>(keys.size()));
        int i = 0;
        for (const TKeyHeader3DS& key : keys) {
            gW->KeyHeader(key);
            if (value) value(i);
            ++i;
        }
    });
}

// Runs body inside a top chunk of the given kind and answers the file's bytes.
TChunk3DSWriter Written(uint16_t top, const TBody& body)
{
    TWriterScope scope;
    Chunk(top, body);
    return scope.W;
}

TChunk3DSWriter WrittenMeshFile(const TBody& mdata, const TBody& kfdata = {})
{
    return Written(M3DMAGIC, [&] {
        Chunk(M3D_VERSION, [&] { gW->I32(3); });
        Chunk(MDATA, mdata);
        if (kfdata) Chunk(KFDATA, kfdata);
    });
}

void ExpectColor(const TFColor3DS& color, float r, float g, float b)
{
    EXPECT_FLOAT_EQ(color.R, r);
    EXPECT_FLOAT_EQ(color.G, g);
    EXPECT_FLOAT_EQ(color.B, b);
}

void ExpectPoint(const TPoint3DS& p, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(p.X, x);
    EXPECT_FLOAT_EQ(p.Y, y);
    EXPECT_FLOAT_EQ(p.Z, z);
}

// ---------------------------------------------------------------------------------------------------------
// Materials

TEST(Material3DS, ALibraryListsTheEntriesUnderItsTopChunkAndAMeshFileThoseOfItsMeshSection)
{
    TLoaded3DS library(Written(MLIBMAGIC, [] {
        Material("Stone");
        Material("Moss");
    }));
    ASSERT_EQ(library.File.Materials().Count(), 2);
    EXPECT_EQ(library.File.Materials().Material(0)->NameStr, "Stone");
    EXPECT_EQ(library.File.Materials().Material(1)->NameStr, "Moss");

    TLoaded3DS mesh(WrittenMeshFile([] {
        Material("Iron");
        Object("Box", [] { Triangle(); });
        Material("Wood");
    }));
    ASSERT_EQ(mesh.File.Materials().Count(), 2);
    EXPECT_EQ(mesh.File.Materials().Material(1)->NameStr, "Wood");
}

TEST(Material3DS, ABareMaterialHasTheDefaults)
{
    TLoaded3DS f(Written(MLIBMAGIC, [] { Material("Plain"); }));
    const TMaterial3DS& m = *f.File.Materials().Material(0);
    EXPECT_FLOAT_EQ(m.WireSize, 1.0f);
    EXPECT_EQ(m.Shading, stPhong);
    EXPECT_EQ(m.Reflect.AutoMap.Size, 100);
    EXPECT_EQ(m.Reflect.AutoMap.nthFrame, 1);
    EXPECT_FALSE(m.Reflect.UseAuto);
    for (const TBitmap3DS* b : {&m.Texture.Map, &m.Bump.Mask, &m.Reflect.Map, &m.Reflect.Mask}) {
        EXPECT_FLOAT_EQ(b->UScale, 1.0f);
        EXPECT_FLOAT_EQ(b->VScale, 1.0f);
        ExpectColor(b->Tint1, 0, 0, 0);
        ExpectColor(b->Tint2, 1, 1, 1);
        ExpectColor(b->RedTint, 1, 0, 0);
        ExpectColor(b->GreenTint, 0, 1, 0);
        ExpectColor(b->BlueTint, 0, 0, 1);
    }
}

TEST(Material3DS, ColoursTakeBytesThenRealsThenLinearBytesWhateverTheirOrder)
{
    struct TCase {
        const char* Name;
        TBody Container;
        TFColor3DS Expected;
    };
    const TCase cases[] = {
        {"bytes", [] { Color24(COLOR_24, 255, 0, 51); }, {1, 0, 0.2f}},
        {"bytes, then reals", [] {
             Color24(COLOR_24, 255, 0, 0);
             ColorF(COLOR_F, 0, 0.5f, 0);
         }, {0, 0.5f, 0}},
        {"linear bytes before bytes", [] {
             Color24(LIN_COLOR_24, 0, 0, 255);
             Color24(COLOR_24, 255, 0, 0);
         }, {0, 0, 1}},
        {"linear bytes over reals", [] {
             ColorF(COLOR_F, 1, 1, 1);
             Color24(LIN_COLOR_24, 0, 255, 0);
         }, {0, 1, 0}},
        {"linear reals alone", [] { ColorF(LIN_COLOR_F, 1, 1, 1); }, {0, 0, 0}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TLoaded3DS f(Written(MLIBMAGIC, [&] { Material("M", [&] { Chunk(MAT_DIFFUSE, c.Container); }); }));
        const TMaterial3DS& m = *f.File.Materials().Material(0);
        ExpectColor(m.Diffuse, c.Expected.R, c.Expected.G, c.Expected.B);
        ExpectColor(m.Ambient, 0, 0, 0);
    }
}

TEST(Material3DS, TransparencyFallOffInwardNegatesTheTransparencyReadBeforeIt)
{
    TLoaded3DS after(Written(MLIBMAGIC, [] {
        Material("M", [] {
            IntPercent(MAT_TRANSPARENCY, 30);
            Chunk(MAT_XPFALLIN);
        });
    }));
    EXPECT_FLOAT_EQ(after.File.Materials().Material(0)->Transparency, -0.3f);

    TLoaded3DS before(Written(MLIBMAGIC, [] {
        Material("M", [] {
            Chunk(MAT_XPFALLIN);
            IntPercent(MAT_TRANSPARENCY, 30);
        });
    }));
    EXPECT_FLOAT_EQ(before.File.Materials().Material(0)->Transparency, 0.3f);
}

TEST(Material3DS, PercentagesSwitchesAndScalarsGoToTheirFields)
{
    TLoaded3DS f(Written(MLIBMAGIC, [] {
        Material("Full", [] {
            IntPercent(MAT_SHININESS, 40);
            Chunk(MAT_SHIN2PCT, [] { Single(FLOAT_PERCENTAGE, 0.25f); });
            IntPercent(MAT_XPFALL, 10);
            IntPercent(MAT_REFBLUR, 20);
            IntPercent(MAT_SELF_ILPCT, 70);
            Chunk(MAT_SHIN3PCT, [] { Short(INT_PERCENTAGE, 99); }); // passed over
            for (uint16_t tag : {MAT_SELF_ILLUM, MAT_TWO_SIDE, MAT_ADDITIVE, MAT_FACEMAP, MAT_PHONGSOFT, MAT_WIREABS,
                                 MAT_USE_XPFALL, MAT_USE_REFBLUR, MAT_DECAL})
                Chunk(tag);
            Single(MAT_WIRESIZE, 2.5f);
            Short(MAT_SHADING, 2);
            Chunk(MAT_ACUBIC, [] { gW->U8(1).U8(2).I16(0x10).U32(256).U32(4); });
        });
        Material("Wire", [] {
            Short(MAT_SHADING, 4);
            Chunk(MAT_WIRE);
        });
        Material("Odd shading", [] { Short(MAT_SHADING, 77); });
    }));
    const TMaterial3DS& m = *f.File.Materials().Material(0);
    EXPECT_FLOAT_EQ(m.Shininess, 0.4f);
    EXPECT_FLOAT_EQ(m.ShinStrength, 0.25f);
    EXPECT_FLOAT_EQ(m.TransFallOff, 0.1f);
    EXPECT_FLOAT_EQ(m.Blur, 0.2f);
    EXPECT_FLOAT_EQ(m.SelfIllumPct, 0.7f);
    EXPECT_TRUE(m.SelFillum && m.TwoSided && m.Additive && m.FaceMap && m.Soften && m.UseWireAbs && m.UseFall &&
                m.UseBlur);
    EXPECT_FALSE(m.UseWire);
    EXPECT_FLOAT_EQ(m.WireSize, 2.5f);
    EXPECT_EQ(m.Shading, stGouraud);
    EXPECT_TRUE(m.Reflect.UseAuto);
    EXPECT_FALSE(m.Reflect.AutoMap.FirstFrame);
    EXPECT_TRUE(m.Reflect.AutoMap.Flat);
    EXPECT_EQ(m.Reflect.AutoMap.Size, 256);
    EXPECT_EQ(m.Reflect.AutoMap.nthFrame, 4);

    EXPECT_EQ(f.File.Materials().Material(1)->Shading, stWire);
    // A shading the format does not have leaves the default instead of an enumeration value out of range.
    EXPECT_EQ(f.File.Materials().Material(2)->Shading, stPhong);
}

TEST(Material3DS, MapsAndMasksReadTheirNamesValuesAndTints)
{
    TLoaded3DS f(Written(MLIBMAGIC, [] {
        Material("Mapped", [] {
            Chunk(MAT_TEXMAP, [] {
                Short(INT_PERCENTAGE, 75);
                Text(MAT_MAPNAME, "wall.tga");
                Single(MAT_MAP_TEXBLUR, 0.1f);
                Single(MAT_MAP_USCALE, 2);
                Single(MAT_MAP_VSCALE, 3);
                Single(MAT_MAP_UOFFSET, 0.5f);
                Single(MAT_MAP_VOFFSET, -0.5f);
                Single(MAT_MAP_ANG, 45);
                Color24(MAT_MAP_COL1, 255, 0, 0);
                Color24(MAT_MAP_COL2, 0, 255, 0);
                Color24(MAT_MAP_RCOL, 0, 0, 255);
                Color24(MAT_MAP_GCOL, 255, 255, 0);
                Color24(MAT_MAP_BCOL, 0, 255, 255);
            });
            Chunk(MAT_OPACMASK, [] {
                Single(FLOAT_PERCENTAGE, 0.5f);
                Text(MAT_MAPNAME, "holes.tga");
            });
            Chunk(MAT_REFLMAP, [] { Text(MAT_MAPNAME, "sky.tga"); });
            Chunk(MAT_SELFIMAP, [] { Text(MAT_MAPNAME, "glow.tga"); });
            Chunk(MAT_SXP_BUMP_DATA, [] { gW->U8(1).U8(2).U8(3); });
            Chunk(MAT_SXP_REFL_MASKDATA, [] { gW->U8(9); });
        });
    }));
    const TMaterial3DS& m = *f.File.Materials().Material(0);
    const TBitmap3DS& t = m.Texture.Map;
    EXPECT_EQ(t.NameStr, "wall.tga");
    EXPECT_FLOAT_EQ(t.Percent, 0.75f);
    EXPECT_FLOAT_EQ(t.Blur, 0.1f);
    EXPECT_FLOAT_EQ(t.UScale, 2);
    EXPECT_FLOAT_EQ(t.VScale, 3);
    EXPECT_FLOAT_EQ(t.UOffset, 0.5f);
    EXPECT_FLOAT_EQ(t.VOffset, -0.5f);
    EXPECT_FLOAT_EQ(t.Rotation, 45);
    ExpectColor(t.Tint1, 1, 0, 0);
    ExpectColor(t.Tint2, 0, 1, 0);
    ExpectColor(t.RedTint, 0, 0, 1);
    ExpectColor(t.GreenTint, 1, 1, 0);
    ExpectColor(t.BlueTint, 0, 1, 1);
    EXPECT_EQ(m.Opacity.Mask.NameStr, "holes.tga");
    EXPECT_FLOAT_EQ(m.Opacity.Mask.Percent, 0.5f);
    EXPECT_EQ(m.Opacity.Map.NameStr, "");
    EXPECT_EQ(m.Reflect.Map.NameStr, "sky.tga");
    EXPECT_EQ(m.IllumMap.Map.NameStr, "glow.tga");
    EXPECT_EQ(m.Bump.Map.DataSize, 3);
    EXPECT_EQ(m.Bump.Map.Data, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(m.Reflect.Mask.DataSize, 1);
    EXPECT_EQ(m.Reflect.Mask.Data, (std::vector<uint8_t>{9}));
}

TEST(Material3DS, TheBumpMapsOwnStrengthWinsOverItsPercentage)
{
    TLoaded3DS f(Written(MLIBMAGIC, [] {
        Material("Bumpy", [] {
            Chunk(MAT_BUMPMAP, [] {
                Short(INT_PERCENTAGE, 50);
                Text(MAT_MAPNAME, "bump.tga");
                Short(MAT_BUMP_PERCENT, 80);
            });
        });
        Material("Flat bump", [] { Chunk(MAT_BUMPMAP, [] { Short(INT_PERCENTAGE, 50); }); });
    }));
    EXPECT_FLOAT_EQ(f.File.Materials().Material(0)->Bump.Map.Percent, 0.8f);
    EXPECT_FLOAT_EQ(f.File.Materials().Material(1)->Bump.Map.Percent, 0.5f);
}

TEST(Material3DS, TilingFlagsDecideTilingFilterAndTintSource)
{
    struct TCase {
        uint16_t Flags;
        TTileType3DS Tiling;
        TFilterType3DS Filter;
        TTintType3DS Source;
        bool IgnoreAlpha, Mirror, Negative;
    };
    const TCase cases[] = {
        {0x0011, ttDecal, ftPyramidal, ttRGB, false, false, false},
        {0x0001, ttBoth, ftPyramidal, ttRGB, false, false, false},
        {0x0000, ttTile, ftPyramidal, ttRGB, false, false, false},
        {0x0010, ttTile, ftPyramidal, ttRGB, false, false, false},
        {0x012A, ttTile, ftSummedArea, ttRGB, true, true, true},
        {0x0040, ttTile, ftPyramidal, ttAlpha, false, false, false},
        {0x0080, ttTile, ftPyramidal, ttRGBLumaTint, false, false, false},
        {0x00C0, ttTile, ftPyramidal, ttAlphaTint, false, false, false},
        {0x0200, ttTile, ftPyramidal, ttRGBTint, false, false, false},
        {0x0240, ttTile, ftPyramidal, ttRGBTint, false, false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Flags);
        TLoaded3DS f(Written(MLIBMAGIC, [&] {
            Material("M", [&] { Chunk(MAT_TEXMAP, [&] { Chunk(MAT_MAP_TILING, [&] { gW->U16(c.Flags); }); }); });
        }));
        const TBitmap3DS& b = f.File.Materials().Material(0)->Texture.Map;
        EXPECT_EQ(b.Tiling, c.Tiling);
        EXPECT_EQ(b.Filter, c.Filter);
        EXPECT_EQ(b.Source, c.Source);
        EXPECT_EQ(b.IgnoreAlpha, c.IgnoreAlpha);
        EXPECT_EQ(b.Mirror, c.Mirror);
        EXPECT_EQ(b.Negative, c.Negative);
    }
}

TEST(Material3DS, MaterialOptionsTheReaderDoesNotKnowArePassedOverAndForeignChunksRefused)
{
    TLoaded3DS f(Written(MLIBMAGIC, [] {
        Material("Shiny", [] {
            Chunk(MAT_SUPERSMP);
            Chunk(XDATA_SECTION, [] { Chunk(XDATA_ENTRY, [] { Text(XDATA_APPNAME, "Tool"); }); });
            Chunk(0xA999, [] { gW->U32(0xDEADBEEF); });
            IntPercent(MAT_SHININESS, 60);
        });
    }));
    const TMaterial3DS* m = f.File.Materials().Material(0);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->NameStr, "Shiny");
    EXPECT_FLOAT_EQ(m->Shininess, 0.6f);

    // A chunk that is no material option has no place in a material: the file is corrupt.
    for (const uint16_t foreign : {uint16_t(POINT_ARRAY), uint16_t(N_TRI_OBJECT), uint16_t(MAT_ENTRY), uint16_t(KFDATA)}) {
        SCOPED_TRACE(foreign);
        TLoaded3DS bad(Written(MLIBMAGIC, [&] { Material("Odd", [&] { Chunk(foreign); }); }));
        EXPECT_EQ(MessageOf<E3DSError>([&] { bad.File.Materials().Material(0); }), c3DSErrInvalidChunk);
    }
}

TEST(Material3DS, ByNameIgnoresCaseAndTakesTheFirst)
{
    TLoaded3DS f(Written(MLIBMAGIC, [] {
        Material("Stone", [] { IntPercent(MAT_SHININESS, 10); });
        Material("STONE", [] { IntPercent(MAT_SHININESS, 20); });
    }));
    TMaterialList& list = f.File.Materials();
    EXPECT_EQ(list.MaterialByName("sToNe"), list.Material(0));
    EXPECT_EQ(list.MaterialByName("Marble"), nullptr);
}

TEST(Material3DS, RecordsAreReadOnceAndKeptUntilTheFileLoadsAgain)
{
    auto other = Written(MLIBMAGIC, [] {
        Material("A");
        Material("B");
    }).Stream();
    TLoaded3DS f(Written(MLIBMAGIC, [] { Material("Kept"); }));
    TMaterial3DS* first = f.File.Materials().Material(0);
    f.SpoilStream();
    EXPECT_EQ(f.File.Materials().Material(0), first);
    EXPECT_EQ(first->NameStr, "Kept");

    f.File.LoadFromStream(*other);
    EXPECT_EQ(f.File.Materials().Count(), 2);
    EXPECT_EQ(f.File.Materials().Material(1)->NameStr, "B");
}

TEST(Material3DS, IndicesOutsideTheListAndFilesWithoutMaterials)
{
    TLoaded3DS f(Written(MLIBMAGIC, [] { Material("Only"); }));
    EXPECT_EQ(MessageOf<EListError>([&] { f.File.Materials().Material(1); }), "List index out of bounds (1)");
    EXPECT_EQ(MessageOf<EListError>([&] { f.File.Materials().Material(-1); }), "List index out of bounds (-1)");
    TMaterial3DS record;
    EXPECT_EQ(MessageOf<E3DSError>([&] { GetMaterialByIndex3DS(f.File, 5, record); }), "Invalid index 5.");

    TLoaded3DS none(WrittenMeshFile([] { Object("Box", [] { Triangle(); }); }));
    EXPECT_EQ(none.File.Materials().Count(), 0);
    EXPECT_EQ(none.File.Materials().Material(0), nullptr);
    EXPECT_EQ(none.File.Materials().MaterialByName("Box"), nullptr);
}

TEST(Material3DS, AFileOfAnotherKindHasNoMaterialsAndItsEntriesCannotBeRead)
{
    TChunk3DSWriter w;
    w.Chunk(0x1234, [&] { w.U32(0); });
    TLoaded3DS f(w);
    EXPECT_EQ(f.File.Materials().Count(), 0);
    EXPECT_EQ(MessageOf<E3DSError>([&] { MaterialEntryByIndex(f.File, 0); }), c3DSErrWrongDatabase);

    TFile3DS empty;
    EXPECT_EQ(MessageOf<E3DSError>([&] { MaterialEntryByIndex(empty, 0); }), c3DSErrNoDatabase);
    TMaterial3DS record;
    EXPECT_EQ(MessageOf<E3DSError>([&] { ReadMaterial3DS(empty, nullptr, record); }), c3DSErrInvalidChunk);
}

TEST(Material3DS, ACorruptMaterialRaisesEachTimeItIsAskedFor)
{
    // A map scale of two bytes where a Single belongs.
    TChunk3DSWriter w = Written(MLIBMAGIC, [] {
        Material("Broken", [] { Chunk(MAT_TEXMAP, [] { Chunk(MAT_MAP_USCALE, [] { gW->U16(1); }); }); });
        Material("Sound");
    });
    TLoaded3DS f(w);
    ASSERT_EQ(f.File.Materials().Count(), 2);
    EXPECT_EQ(MessageOf<E3DSError>([&] { f.File.Materials().Material(0); }), c3DSErrInvalidChunk);
    EXPECT_EQ(MessageOf<E3DSError>([&] { f.File.Materials().Material(0); }), c3DSErrInvalidChunk);
    EXPECT_EQ(f.File.Materials().Material(1)->NameStr, "Sound");
}

// ---------------------------------------------------------------------------------------------------------
// Meshes, lights and cameras

TChunk3DSWriter SceneFile()
{
    return WrittenMeshFile([] {
        Object("Lamp", [] { Light(1, 2, 3); });
        Object("Box", [] { Triangle(); });
        Object("Spot", [] { Light(0, 0, 9, [] { Spotlight(); }); });
        Object("Eye", [] { Camera(48); });
        Object("Ball", [] { Triangle(); });
        Object("Flag only", [] { Chunk(OBJ_HIDDEN); });
    });
}

TEST(Objects3DS, ObjectsAreCountedByKindAndASpotIsNoOmni)
{
    TLoaded3DS f(SceneFile());
    Utils3DS::TObjectList& objects = f.File.Objects();
    EXPECT_EQ(objects.MeshCount(), 2);
    EXPECT_EQ(objects.OmniLightCount(), 1);
    EXPECT_EQ(objects.SpotLightCount(), 1);
    EXPECT_EQ(objects.CameraCount(), 1);
    EXPECT_EQ(objects.Mesh(0)->NameStr, "Box");
    EXPECT_EQ(objects.Mesh(1)->NameStr, "Ball");
    EXPECT_EQ(objects.OmniLight(0)->NameStr, "Lamp");
    EXPECT_FALSE(objects.OmniLight(0)->Spot.has_value());
    EXPECT_EQ(objects.SpotLight(0)->NameStr, "Spot");
    EXPECT_TRUE(objects.SpotLight(0)->Spot.has_value());
    EXPECT_EQ(objects.Camera(0)->NameStr, "Eye");
    EXPECT_EQ(MessageOf<EListError>([&] { objects.Mesh(2); }), "List index out of bounds (2)");
}

TEST(Objects3DS, AMeshReadsItsArraysGroupsMatrixAndFlags)
{
    TLoaded3DS f(WrittenMeshFile([] {
        Object("Quad", [] {
            Chunk(OBJ_HIDDEN);
            Chunk(OBJ_FROZEN);
            Chunk(OBJ_DONT_RCVSHADOW);
            Chunk(N_TRI_OBJECT, [] {
                Points({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
                Chunk(POINT_FLAG_ARRAY, [] { gW->U16(4).U16(1).U16(2).U16(3).U16(4); });
                Chunk(TEX_VERTS, [] { gW->U16(4).Floats({0, 0, 1, 0, 1, 1, 0, 1}); });
                Chunk(FACE_ARRAY, [] {
                    gW->U16(2).Face(0, 1, 2, 3).Face(0, 2, 3, 5);
                    Chunk(MSH_MAT_GROUP, [] { gW->Str("Red").U16(1).U16(1); });
                    Chunk(MSH_MAT_GROUP, [] { gW->Str("Blue").U16(2).U16(0).U16(1); });
                    Chunk(SMOOTH_GROUP, [] { gW->U32(1).U32(6); });
                    Chunk(MSH_BOXMAP, [] {
                        for (const char* side : {"f", "b", "l", "r", "t", "u"}) gW->Str(side);
                    });
                });
                Chunk(MESH_MATRIX, [] { gW->Floats({1, 0, 0, 0, 1, 0, 0, 0, 1, 7, 8, 9}); });
                Chunk(MESH_COLOR, [] { gW->U8(5); });
                Text(PROC_NAME, "noise");
                Chunk(PROC_DATA, [] { gW->U8(4).U8(2); });
            });
        });
    }));
    const TMesh3DS& m = *f.File.Objects().Mesh(0);
    EXPECT_EQ(m.NameStr, "Quad");
    EXPECT_TRUE(m.IsHidden && m.IsFrozen && m.IsNorcvShad);
    EXPECT_FALSE(m.IsMatte || m.IsFast || m.IsNoCast || m.IsvisLofter || m.UseProc);
    ASSERT_EQ(m.NVertices, 4);
    ASSERT_EQ(m.VertexArray.size(), 4u);
    ExpectPoint(m.VertexArray[2], 1, 1, 0);
    EXPECT_EQ(m.NVFlags, 4);
    EXPECT_EQ(m.VFlagArray, (std::vector<uint16_t>{1, 2, 3, 4}));
    ASSERT_EQ(m.NTextVerts, 4);
    EXPECT_FLOAT_EQ(m.TextArray[3].V, 1);
    ASSERT_EQ(m.NFaces, 2);
    EXPECT_EQ(m.FaceArray[1].V2, 2);
    EXPECT_EQ(m.FaceArray[1].Flag, 5);
    ASSERT_EQ(m.NMats, 2);
    EXPECT_EQ(m.MatArray[0].NameStr, "Red");
    EXPECT_EQ(m.MatArray[0].FaceIndex, (std::vector<uint16_t>{1}));
    EXPECT_EQ(m.MatArray[1].NameStr, "Blue");
    EXPECT_EQ(m.MatArray[1].NFaces, 2);
    EXPECT_EQ(m.SmoothArray, (std::vector<uint32_t>{1, 6}));
    EXPECT_TRUE(m.UseBoxMap);
    EXPECT_EQ(m.BoxMapStr[4], "t");
    EXPECT_FLOAT_EQ(m.LocMatrix[10], 8);
    EXPECT_EQ(m.MeshColor, 5);
    EXPECT_EQ(m.ProcNameStr, "noise");
    EXPECT_EQ(m.ProcSize, 2);
    EXPECT_EQ(m.ProcData, (std::vector<uint8_t>{4, 2}));
}

TEST(Objects3DS, TheTextureIconIsReadOnlyWhenTheMeshHasOne)
{
    TLoaded3DS f(WrittenMeshFile([] {
        Object("Plain", [] { Triangle(); });
        Object("Mapped", [] {
            Triangle({}, [] {
                Chunk(MESH_TEXTURE_INFO, [] {
                    gW->U16(2).F32(3).F32(4).Point(5, 6, 7).F32(8);
                    for (int i = 0; i < 12; ++i) gW->F32(static_cast<float>(i));
                    gW->F32(9).F32(10).F32(11);
                });
            });
        });
    }));
    const TMesh3DS& plain = *f.File.Objects().Mesh(0);
    EXPECT_FALSE(plain.UseMapInfo);
    EXPECT_FLOAT_EQ(plain.Map.TileX, 1);
    EXPECT_FLOAT_EQ(plain.Map.TileY, 1);
    EXPECT_FLOAT_EQ(plain.Map.Scale, 1);
    EXPECT_FLOAT_EQ(plain.Map.Matrix[0], 1);
    EXPECT_FLOAT_EQ(plain.Map.Matrix[4], 1);
    EXPECT_FLOAT_EQ(plain.Map.Matrix[8], 0);
    EXPECT_FLOAT_EQ(plain.Map.PW, 1);
    EXPECT_FLOAT_EQ(plain.Map.PH, 1);
    EXPECT_FLOAT_EQ(plain.Map.CH, 1);
    EXPECT_EQ(plain.Map.MapType, 0);

    const TMesh3DS& mapped = *f.File.Objects().Mesh(1);
    EXPECT_TRUE(mapped.UseMapInfo);
    EXPECT_EQ(mapped.Map.MapType, 2);
    EXPECT_FLOAT_EQ(mapped.Map.TileX, 3);
    EXPECT_FLOAT_EQ(mapped.Map.TileY, 4);
    EXPECT_FLOAT_EQ(mapped.Map.CenY, 6);
    EXPECT_FLOAT_EQ(mapped.Map.Scale, 8);
    EXPECT_FLOAT_EQ(mapped.Map.Matrix[11], 11);
    EXPECT_FLOAT_EQ(mapped.Map.PW, 9);
    EXPECT_FLOAT_EQ(mapped.Map.CH, 11);
}

TEST(Objects3DS, ShortTextureAndSmoothingArraysAreMadeWholeWithZeros)
{
    TLoaded3DS f(WrittenMeshFile([] {
        Object("Short", [] {
            Chunk(N_TRI_OBJECT, [] {
                Points({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
                Chunk(TEX_VERTS, [] { gW->U16(2).Floats({0.5f, 0.5f, 1, 1}); });
                Chunk(FACE_ARRAY, [] {
                    gW->U16(2).Face(0, 1, 2).Face(0, 2, 3);
                    Chunk(SMOOTH_GROUP, [] { gW->U32(4); });
                });
            });
        });
        Object("Unmapped", [] { Triangle(); });
    }));
    const TMesh3DS& m = *f.File.Objects().Mesh(0);
    ASSERT_EQ(m.NTextVerts, 4);
    ASSERT_EQ(m.TextArray.size(), 4u);
    EXPECT_FLOAT_EQ(m.TextArray[1].U, 1);
    EXPECT_FLOAT_EQ(m.TextArray[3].U, 0);
    EXPECT_FLOAT_EQ(m.TextArray[3].V, 0);
    EXPECT_EQ(m.SmoothArray, (std::vector<uint32_t>{4, 0}));

    const TMesh3DS& unmapped = *f.File.Objects().Mesh(1);
    EXPECT_EQ(unmapped.NTextVerts, 0);
    EXPECT_TRUE(unmapped.TextArray.empty());
    EXPECT_TRUE(unmapped.SmoothArray.empty());
}

TEST(Objects3DS, MeshesWhoseIndicesOrCountsLieAreRefusedEachTimeTheyAreAskedFor)
{
    struct TCase {
        const char* Name;
        TBody Mesh;
    };
    const TCase cases[] = {
        {"a face names a vertex the mesh does not have", [] {
             Chunk(N_TRI_OBJECT, [] {
                 Points({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
                 Chunk(FACE_ARRAY, [] { gW->U16(1).Face(0, 1, 3); });
             });
         }},
        {"faces before the vertices they name, which are fewer", [] {
             Chunk(N_TRI_OBJECT, [] {
                 Chunk(FACE_ARRAY, [] { gW->U16(1).Face(0, 1, 2); });
                 Points({{0, 0, 0}, {1, 0, 0}});
             });
         }},
        {"a material group names a face the mesh does not have", [] {
             Triangle([] { Chunk(MSH_MAT_GROUP, [] { gW->Str("Red").U16(2).U16(0).U16(1); }); });
         }},
        {"a vertex count beyond its chunk", [] {
             Chunk(N_TRI_OBJECT, [] {
                 Chunk(POINT_ARRAY, [] { gW->U16(40).Point(0, 0, 0); });
             });
         }},
        {"a group's face count beyond its chunk", [] {
             Triangle([] { Chunk(MSH_MAT_GROUP, [] { gW->Str("Red").U16(9).U16(0); }); });
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TLoaded3DS f(WrittenMeshFile([&] {
            Object("Bad", c.Mesh);
            Object("Good", [] { Triangle(); });
        }));
        ASSERT_EQ(f.File.Objects().MeshCount(), 2);
        EXPECT_EQ(MessageOf<E3DSError>([&] { f.File.Objects().Mesh(0); }), c3DSErrInvalidChunk);
        EXPECT_EQ(MessageOf<E3DSError>([&] { f.File.Objects().Mesh(0); }), c3DSErrInvalidChunk);
        EXPECT_EQ(f.File.Objects().Mesh(1)->NameStr, "Good");
    }
}

TEST(Objects3DS, RecordsAreReadOnce)
{
    TLoaded3DS f(SceneFile());
    TMesh3DS* mesh = f.File.Objects().Mesh(0);
    TCamera3DS* camera = f.File.Objects().Camera(0);
    f.SpoilStream();
    EXPECT_EQ(f.File.Objects().Mesh(0), mesh);
    EXPECT_EQ(f.File.Objects().Camera(0), camera);
    EXPECT_EQ(mesh->NVertices, 3);
    // An unread record now reads the spoiled bytes and says so.
    EXPECT_EQ(MessageOf<E3DSError>([&] { f.File.Objects().Mesh(1); }), c3DSErrInvalidChunk);
}

TEST(Objects3DS, AnOmniLightReadsItsChildrenWhereverItStandsInItsObject)
{
    TLoaded3DS f(WrittenMeshFile([] {
        Object("Torch", [] {
            Chunk(OBJ_HIDDEN);
            Chunk(0x4FFF, [] { gW->U16(0); });
            Light(1, 2, 3, [] {
                Color24(COLOR_24, 255, 0, 0);
                ColorF(COLOR_F, 0.5f, 0.25f, 1);
                Chunk(DL_OFF);
                Chunk(DL_ATTENUATE);
                Text(DL_EXCLUDE, "Wall");
                Text(DL_EXCLUDE, "Long floor name");
                Single(DL_INNER_RANGE, 5);
                Single(DL_OUTER_RANGE, 50);
                Single(DL_MULTIPLIER, 2);
                Text(DL_EXCLUDE, "Door");
            });
        });
        Object("Bare", [] { Light(0, 0, 0); });
    }));
    const TLight3DS& l = *f.File.Objects().OmniLight(0);
    EXPECT_EQ(l.NameStr, "Torch");
    ExpectPoint(l.Pos, 1, 2, 3);
    ExpectColor(l.Color, 0.5f, 0.25f, 1);
    EXPECT_TRUE(l.DLOff);
    EXPECT_TRUE(l.Attenuation.IsOn);
    EXPECT_FLOAT_EQ(l.Attenuation.Inner, 5);
    EXPECT_FLOAT_EQ(l.Attenuation.Outer, 50);
    EXPECT_FLOAT_EQ(l.Multiplier, 2);
    EXPECT_EQ(l.Exclude, (std::vector<std::string>{"Wall", "Long floor name", "Door"}));

    const TLight3DS& bare = *f.File.Objects().OmniLight(1);
    ExpectColor(bare.Color, 0.708852f, 0.708852f, 0.708852f);
    EXPECT_FLOAT_EQ(bare.Multiplier, 1);
    EXPECT_FLOAT_EQ(bare.Attenuation.Inner, 10);
    EXPECT_FLOAT_EQ(bare.Attenuation.Outer, 100);
    EXPECT_FALSE(bare.DLOff || bare.Attenuation.IsOn);
    EXPECT_TRUE(bare.Exclude.empty());
}

TEST(Objects3DS, ASpotLightReadsItsConeShadowsAndProjector)
{
    TLoaded3DS f(WrittenMeshFile([] {
        Object("Beam", [] {
            Light(0, 0, 9, [] {
                Spotlight([] {
                    Chunk(DL_RAYSHAD);
                    Chunk(DL_SHADOWED);
                    Chunk(DL_LOCAL_SHADOW2, [] { gW->F32(0.5f).F32(4).I16(1024); });
                    Chunk(DL_SEE_CONE);
                    Chunk(DL_SPOT_RECTANGULAR);
                    Chunk(DL_SPOT_OVERSHOOT);
                    Text(DL_SPOT_PROJECTOR, "slide.bmp");
                    Single(DL_SPOT_ROLL, 15);
                    Single(DL_SPOT_ASPECT, 2);
                    Single(DL_RAY_BIAS, 3);
                });
            });
        });
        Object("Plain spot", [] { Light(0, 0, 0, [] { Spotlight(); }); });
    }));
    const TLight3DS& l = *f.File.Objects().SpotLight(0);
    ASSERT_TRUE(l.Spot.has_value());
    const TSpotLight3DS& s = *l.Spot;
    ExpectPoint(s.Target, 5, 6, 7);
    EXPECT_FLOAT_EQ(s.Hotspot, 20);
    EXPECT_FLOAT_EQ(s.FallOff, 30);
    EXPECT_EQ(s.Shadows.AType, ssUseRayTraceShadow);
    EXPECT_TRUE(s.Shadows.Cast && s.Shadows.Local);
    EXPECT_FLOAT_EQ(s.Shadows.Bias, 0.5f);
    EXPECT_FLOAT_EQ(s.Shadows.Filter, 4);
    EXPECT_EQ(s.Shadows.MapSize, 1024);
    EXPECT_FLOAT_EQ(s.Shadows.RayBias, 3);
    EXPECT_TRUE(s.Cone.Show && s.Cone.Overshoot);
    EXPECT_EQ(s.Cone.AType, csRectangular);
    EXPECT_TRUE(s.Projector.Use);
    EXPECT_EQ(s.Projector.BitmapStr, "slide.bmp");
    EXPECT_FLOAT_EQ(s.Roll, 15);
    EXPECT_FLOAT_EQ(s.Aspect, 2);

    const TSpotLight3DS& plain = *f.File.Objects().SpotLight(1)->Spot;
    EXPECT_FLOAT_EQ(plain.Aspect, 1);
    EXPECT_FLOAT_EQ(plain.Shadows.Bias, 1);
    EXPECT_FLOAT_EQ(plain.Shadows.Filter, 3);
    EXPECT_EQ(plain.Shadows.MapSize, 512);
    EXPECT_FLOAT_EQ(plain.Shadows.RayBias, 1);
    EXPECT_FALSE(plain.Shadows.Cast || plain.Shadows.Local || plain.Projector.Use);
}

TEST(Objects3DS, ACameraTurnsItsFocalLengthIntoAFieldOfView)
{
    TLoaded3DS f(WrittenMeshFile([] {
        Object("Lens", [] {
            Camera(48, [] {
                Chunk(CAM_SEE_CONE);
                Chunk(CAM_RANGES, [] { gW->F32(2).F32(500); });
            });
        });
        Object("Pinhole", [] { Camera(0); });
    }));
    const TCamera3DS& c = *f.File.Objects().Camera(0);
    EXPECT_EQ(c.NameStr, "Lens");
    ExpectPoint(c.Position, 1, 2, 3);
    ExpectPoint(c.Target, 4, 5, 6);
    EXPECT_FLOAT_EQ(c.Roll, 10);
    EXPECT_FLOAT_EQ(c.FOV, 50);
    EXPECT_TRUE(c.ShowCone);
    EXPECT_FLOAT_EQ(c.Ranges.CamNear, 2);
    EXPECT_FLOAT_EQ(c.Ranges.CamFar, 500);

    // No focal length: the default field of view, not a division by zero.
    const TCamera3DS& pinhole = *f.File.Objects().Camera(1);
    EXPECT_FLOAT_EQ(pinhole.FOV, 45);
    EXPECT_FALSE(pinhole.ShowCone);
    EXPECT_FLOAT_EQ(pinhole.Ranges.CamNear, 10);
    EXPECT_FLOAT_EQ(pinhole.Ranges.CamFar, 1000);
}

TEST(Objects3DS, ReadersRefuseObjectsOfAnotherKindAndFilesOfAnotherKind)
{
    TLoaded3DS f(SceneFile());
    TChunk3DS* lamp = f.Find(NAMED_OBJECT);
    TCamera3DS camera;
    TLight3DS light;
    TMesh3DS mesh;
    EXPECT_EQ(MessageOf<E3DSError>([&] { ReadCamera3DS(f.File, lamp, camera); }), c3DSErrWrongObject);
    EXPECT_EQ(MessageOf<E3DSError>([&] { ReadMesh3DS(f.File, lamp, mesh); }), c3DSErrWrongObject);
    EXPECT_EQ(MessageOf<E3DSError>([&] { ReadLight3DS(f.File, f.Find(N_TRI_OBJECT), light); }), c3DSErrWrongObject);
    ReadLight3DS(f.File, lamp, light);
    EXPECT_EQ(light.NameStr, "Lamp");

    // A material library holding a mesh section: its meshes and lights are not for reading, its cameras are.
    TLoaded3DS library(Written(MLIBMAGIC, [] {
        Chunk(MDATA, [] {
            Object("Box", [] { Triangle(); });
            Object("Eye", [] { Camera(24); });
        });
    }));
    EXPECT_EQ(library.File.Objects().MeshCount(), 1);
    EXPECT_EQ(MessageOf<E3DSError>([&] { library.File.Objects().Mesh(0); }), c3DSErrWrongDatabase);
    EXPECT_FLOAT_EQ(library.File.Objects().Camera(0)->FOV, 100);

    TFile3DS empty;
    EXPECT_EQ(empty.Objects().MeshCount(), 0);
    EXPECT_EQ(empty.Objects().Mesh(0), nullptr);
    EXPECT_EQ(MessageOf<E3DSError>([&] { GetMeshByIndex3DS(empty, 0, mesh); }), c3DSErrNoDatabase);
}

TEST(Objects3DS, AllocatedMeshArraysFollowTheirCounts)
{
    TMesh3DS m;
    InitMesh3DS(m, 4, 2, cMeshTextArray3DS | cMeshSmoothArray3DS | cMeshVFlagArray3DS);
    EXPECT_EQ(m.VertexArray.size(), 4u);
    EXPECT_EQ(m.NTextVerts, 4);
    EXPECT_EQ(m.TextArray.size(), 4u);
    EXPECT_EQ(m.NVFlags, 4);
    EXPECT_EQ(m.VFlagArray.size(), 4u);
    EXPECT_EQ(m.FaceArray.size(), 2u);
    EXPECT_EQ(m.SmoothArray.size(), 2u);
    EXPECT_TRUE(m.MatArray.empty());

    m.VertexArray[1] = {1, 2, 3};
    m.NVertices = 6;
    m.NFaces = 0;
    m.NMats = 3;
    AllocMeshArrays(m, cMeshVertexArray3DS | cMeshFaceArray3DS | cMeshMatArray3DS);
    ASSERT_EQ(m.VertexArray.size(), 6u);
    ExpectPoint(m.VertexArray[1], 1, 2, 3);
    ExpectPoint(m.VertexArray[5], 0, 0, 0);
    EXPECT_TRUE(m.FaceArray.empty());
    EXPECT_EQ(m.MatArray.size(), 3u);
    EXPECT_EQ(m.SmoothArray.size(), 2u); // not asked for
}

// ---------------------------------------------------------------------------------------------------------
// Keyframer

TEST(KeyFramer3DS, SettingsTakeTheHeaderFrameAndSegmentOrTheirDefaults)
{
    TLoaded3DS full(WrittenMeshFile({}, [] {
        Chunk(KFHDR, [] { gW->I16(5).Str("scene").I32(100); });
        Chunk(KFSEG, [] { gW->I32(10).I32(20); });
        Chunk(KFCURTIME, [] { gW->I32(15); });
    }));
    const TKFSets3DS s = full.File.KeyFramer().Settings();
    EXPECT_EQ(s.Anim.Length, 100);
    EXPECT_EQ(s.Anim.CurFrame, 15);
    EXPECT_TRUE(s.Seg.Use);
    EXPECT_EQ(s.Seg.SegBegin, 10);
    EXPECT_EQ(s.Seg.SegEnd, 20);

    TLoaded3DS bare(WrittenMeshFile([] { Object("Box", [] { Triangle(); }); }));
    ASSERT_EQ(bare.Find(KFDATA), nullptr);
    const TKFSets3DS d = bare.File.KeyFramer().Settings();
    EXPECT_EQ(d.Anim.Length, 30);
    EXPECT_EQ(d.Anim.CurFrame, 0);
    EXPECT_FALSE(d.Seg.Use);
    EXPECT_EQ(d.Seg.SegBegin, 0);
    EXPECT_EQ(d.Seg.SegEnd, 0);
    // The file now has an empty keyframer section, which changes none of its records.
    EXPECT_NE(bare.Find(KFDATA), nullptr);
    EXPECT_EQ(bare.File.KeyFramer().MeshMotionCount(), 0);
    EXPECT_EQ(bare.File.Objects().Mesh(0)->NameStr, "Box");

    TLoaded3DS library(Written(MLIBMAGIC, [] { Material("M"); }));
    EXPECT_EQ(MessageOf<E3DSError>([&] { library.File.KeyFramer().Settings(); }), c3DSErrWrongDatabase);
    TFile3DS empty;
    EXPECT_EQ(MessageOf<E3DSError>([&] { empty.KeyFramer().Settings(); }), c3DSErrNoDatabase);
}

// Two instances of Box, a lid parented to the second one, and a node without a header.
TChunk3DSWriter InstancedFile()
{
    return WrittenMeshFile([] { Object("Box", [] { Triangle(); }); },
                           [] {
                               Node(OBJECT_NODE_TAG, 0, "Box", -1, [] { Text(INSTANCE_NAME, "a"); });
                               Node(OBJECT_NODE_TAG, 1, "Box", -1, [] { Text(INSTANCE_NAME, "b"); });
                               Chunk(OBJECT_NODE_TAG, [] { Short(NODE_ID, 2); });
                               Node(OBJECT_NODE_TAG, 3, "Lid", 1);
                           });
}

TEST(KeyFramer3DS, InstancesAreNamedAfterTheirObjectAndParentsAfterTheirInstance)
{
    TLoaded3DS f(InstancedFile());
    TKeyFramer& kf = f.File.KeyFramer();
    ASSERT_EQ(kf.MeshMotionCount(), 3);
    EXPECT_EQ(kf.MeshMotion(0)->NameStr, "Box.a");
    EXPECT_EQ(kf.MeshMotion(0)->InstanceStr, "a");
    EXPECT_EQ(kf.MeshMotion(1)->NameStr, "Box.b");
    EXPECT_EQ(kf.MeshMotion(1)->InstanceStr, "b");
    EXPECT_EQ(kf.MeshMotion(2)->NameStr, "Lid");
    EXPECT_EQ(kf.MeshMotion(2)->InstanceStr, "");
    EXPECT_EQ(kf.MeshMotion(2)->ParentStr, "Box.b");
    EXPECT_EQ(kf.MeshMotion(0)->ParentStr, "");
    EXPECT_EQ(kf.MeshMotion(2)->Flags1, 0x4000);
    EXPECT_EQ(kf.MeshMotion(2)->Flags2, 0x0002);
    EXPECT_EQ(MessageOf<EListError>([&] { kf.MeshMotion(3); }), "List index out of bounds (3)");
}

TEST(KeyFramer3DS, AMeshMotionTakesItsTracksPivotBoxAndSmoothing)
{
    TLoaded3DS f(WrittenMeshFile({}, [] {
        Node(OBJECT_NODE_TAG, 0, "Box", -1, [] {
            Chunk(PIVOT, [] { gW->Point(1, 2, 3); });
            Chunk(BOUNDBOX, [] { gW->Point(-1, -1, -1).Point(1, 1, 1); });
            Single(MORPH_SMOOTH, 30);
            Track(POS_TRACK_TAG, 0x0003, {Key(0), Key(10, 0x01, 0.5f)},
                  [](int i) { gW->Point(static_cast<float>(i), 0, 0); });
            Track(ROT_TRACK_TAG, 0, {Key(0)}, [](int) { gW->Floats({1.5f, 0, 0, 1}); });
            Track(SCL_TRACK_TAG, 0, {Key(0), Key(5), Key(9)}, [](int) { gW->Point(2, 2, 2); });
            Track(MORPH_TRACK_TAG, 0, {Key(4)}, [](int) { gW->Str("Box2"); });
            Track(HIDE_TRACK_TAG, 0x0008, {Key(7), Key(8)});
        });
    }));
    const TKFMesh3DS& m = *f.File.KeyFramer().MeshMotion(0);
    ExpectPoint(m.Pivot, 1, 2, 3);
    ExpectPoint(m.BoundMin, -1, -1, -1);
    ExpectPoint(m.BoundMax, 1, 1, 1);
    EXPECT_FLOAT_EQ(m.MSAngle, 30);
    ASSERT_EQ(m.NPKeys, 2);
    EXPECT_EQ(m.NPFlag, 0x0003);
    ASSERT_EQ(m.PKeys.size(), 2u);
    ASSERT_EQ(m.Pos.size(), 2u);
    EXPECT_EQ(m.PKeys[1].Time, 10);
    EXPECT_FLOAT_EQ(m.PKeys[1].Tension, 0.5f);
    ExpectPoint(m.Pos[1], 1, 0, 0);
    ASSERT_EQ(m.NRKeys, 1);
    EXPECT_FLOAT_EQ(m.Rot[0].Angle, 1.5f);
    EXPECT_FLOAT_EQ(m.Rot[0].Z, 1);
    EXPECT_EQ(m.NSKeys, 3);
    EXPECT_EQ(m.Scale.size(), 3u);
    EXPECT_EQ(m.NMKeys, 1);
    EXPECT_EQ(m.Morph, (std::vector<std::string>{"Box2"}));
    EXPECT_EQ(m.NHKeys, 2);
    EXPECT_EQ(m.NHFlag, 0x0008);
    ASSERT_EQ(m.HKeys.size(), 2u);
    EXPECT_EQ(m.HKeys[1].Time, 8);
}

TEST(KeyFramer3DS, ATrackWithoutKeysLeavesItsCountFlagAndArraysEmpty)
{
    TLoaded3DS f(WrittenMeshFile({}, [] {
        Node(OBJECT_NODE_TAG, 0, "Box", -1, [] { Track(POS_TRACK_TAG, 0x0040, {}); });
    }));
    const TKFMesh3DS& m = *f.File.KeyFramer().MeshMotion(0);
    EXPECT_EQ(m.NPKeys, 0);
    EXPECT_EQ(m.NPFlag, 0);
    EXPECT_TRUE(m.PKeys.empty());
    EXPECT_TRUE(m.Pos.empty());
    EXPECT_EQ(m.NRKeys, 0);
    EXPECT_TRUE(m.Rot.empty());
}

TEST(KeyFramer3DS, CamerasTakeTheirTargetByNameAndDoWithoutOne)
{
    TLoaded3DS f(WrittenMeshFile({}, [] {
        Node(OBJECT_NODE_TAG, 0, "Rig", -1);
        Node(CAMERA_NODE_TAG, 1, "Eye", 0, [] {
            Track(POS_TRACK_TAG, 0, {Key(0)}, [](int) { gW->Point(1, 2, 3); });
            Track(FOV_TRACK_TAG, 0, {Key(0), Key(20)}, [](int i) { gW->F32(i == 0 ? 45.0f : 60.0f); });
            Track(ROLL_TRACK_TAG, 0, {Key(0)}, [](int) { gW->F32(5); });
        });
        Node(CAMERA_NODE_TAG, 2, "Lonely", -1);
        Chunk(TARGET_NODE_TAG, [] {
            Short(NODE_ID, 3);
            Chunk(NODE_HDR, [] { gW->Str("Eye").U16(7).U16(8).I16(0); });
            Track(POS_TRACK_TAG, 0x0002, {Key(0), Key(30)}, [](int i) { gW->Point(0, 0, static_cast<float>(i)); });
        });
    }));
    TKeyFramer& kf = f.File.KeyFramer();
    ASSERT_EQ(kf.CameraMotionCount(), 2);
    const TKFCamera3DS& eye = *kf.CameraMotion(0);
    EXPECT_EQ(eye.NameStr, "Eye");
    EXPECT_EQ(eye.ParentStr, "Rig");
    EXPECT_EQ(eye.NPKeys, 1);
    ExpectPoint(eye.Pos[0], 1, 2, 3);
    ASSERT_EQ(eye.NFKeys, 2);
    EXPECT_FLOAT_EQ(eye.FOV[1], 60);
    EXPECT_FLOAT_EQ(eye.Roll[0], 5);
    EXPECT_EQ(eye.TParentStr, "Rig");
    EXPECT_EQ(eye.TFlags1, 7);
    EXPECT_EQ(eye.TFlags2, 8);
    ASSERT_EQ(eye.NTKeys, 2);
    EXPECT_EQ(eye.NTFlag, 0x0002);
    ExpectPoint(eye.TPos[1], 0, 0, 1);

    const TKFCamera3DS& lonely = *kf.CameraMotion(1);
    EXPECT_EQ(lonely.NameStr, "Lonely");
    EXPECT_EQ(lonely.NTKeys, 0);
    EXPECT_TRUE(lonely.TPos.empty());
    EXPECT_EQ(lonely.TParentStr, "");
    EXPECT_EQ(lonely.TFlags1, 0);
}

TEST(KeyFramer3DS, LightsTakeTheirTracksAndASpotWithoutTargetStaysZero)
{
    TLoaded3DS f(WrittenMeshFile({}, [] {
        Node(LIGHT_NODE_TAG, 0, "Lamp", -1, [] {
            Track(POS_TRACK_TAG, 0, {Key(0)}, [](int) { gW->Point(4, 5, 6); });
            Track(COL_TRACK_TAG, 0x0001, {Key(0), Key(3)}, [](int) { gW->Floats({1, 0.5f, 0}); });
        });
        Node(SPOTLIGHT_NODE_TAG, 1, "Beam", -1, [] {
            Track(COL_TRACK_TAG, 0, {Key(0)}, [](int) { gW->Floats({0, 0, 1}); });
            Track(HOT_TRACK_TAG, 0, {Key(0)}, [](int) { gW->F32(20); });
            Track(FALL_TRACK_TAG, 0, {Key(0)}, [](int) { gW->F32(40); });
            Track(ROLL_TRACK_TAG, 0, {Key(0)}, [](int) { gW->F32(3); });
        });
        Node(L_TARGET_NODE_TAG, 2, "Beam", 0, [] {
            Track(POS_TRACK_TAG, 0, {Key(0)}, [](int) { gW->Point(0, 0, -1); });
        });
        Node(SPOTLIGHT_NODE_TAG, 3, "Blind", -1, [] { Track(HOT_TRACK_TAG, 0, {Key(0)}, [](int) { gW->F32(9); }); });
        Node(AMBIENT_NODE_TAG, 4, "$AMBIENT$", -1, [] {
            Track(COL_TRACK_TAG, 0x0004, {Key(0)}, [](int) { gW->Floats({0.1f, 0.2f, 0.3f}); });
        });
    }));
    TKeyFramer& kf = f.File.KeyFramer();
    ASSERT_EQ(kf.OmniLightMotionCount(), 1);
    const TKFOmni3DS& lamp = *kf.OmniLightMotion(0);
    EXPECT_EQ(lamp.Name, "Lamp");
    ExpectPoint(lamp.Pos[0], 4, 5, 6);
    ASSERT_EQ(lamp.NCKeys, 2);
    EXPECT_EQ(lamp.NCFlag, 0x0001);
    ExpectColor(lamp.Color[1], 1, 0.5f, 0);

    ASSERT_EQ(kf.SpotLightMotionCount(), 2);
    const TKFSpot3DS& beam = *kf.SpotLightMotion(0);
    EXPECT_EQ(beam.Name, "Beam");
    ExpectColor(beam.Color[0], 0, 0, 1);
    EXPECT_FLOAT_EQ(beam.Hot[0], 20);
    EXPECT_FLOAT_EQ(beam.Fall[0], 40);
    EXPECT_FLOAT_EQ(beam.Roll[0], 3);
    EXPECT_EQ(beam.TParent, "Lamp");
    ASSERT_EQ(beam.NTKeys, 1);
    ExpectPoint(beam.TPos[0], 0, 0, -1);

    const TKFSpot3DS& blind = *kf.SpotLightMotion(1);
    EXPECT_EQ(blind.Name, "");
    EXPECT_EQ(blind.NHKeys, 0);
    EXPECT_TRUE(blind.Hot.empty());

    const TKFAmbient3DS& ambient = *kf.AmbientLightMotion();
    EXPECT_EQ(ambient.Flags1, 0x4000);
    ASSERT_EQ(ambient.NCKeys, 1);
    EXPECT_EQ(ambient.NCFlag, 0x0004);
    ExpectColor(ambient.Color[0], 0.1f, 0.2f, 0.3f);
    EXPECT_EQ(kf.AmbientLightMotion(), &ambient);
}

TEST(KeyFramer3DS, AKeyframerWithoutANodeForAMeshHasNoMotionForIt)
{
    TLoaded3DS f(WrittenMeshFile([] { Object("Box", [] { Triangle(); }); },
                                 [] {
                                     Chunk(KFHDR, [] { gW->I16(5).Str("").I32(60); });
                                     Node(CAMERA_NODE_TAG, 0, "Eye", -1);
                                     Chunk(OBJECT_NODE_TAG, [] { Short(NODE_ID, 1); }); // no header
                                 }));
    TKeyFramer& kf = f.File.KeyFramer();
    EXPECT_EQ(kf.MeshMotionCount(), 0);
    EXPECT_EQ(kf.MeshMotion(0), nullptr);
    EXPECT_EQ(FindNodeChunkByIndex(f.File, 0, OBJECT_NODE_TAG), nullptr);
    EXPECT_EQ(FindNodeChunkByName(f.File, "Box", OBJECT_NODE_TAG), nullptr);
    EXPECT_EQ(kf.OmniLightMotion(0), nullptr);
    const TKFAmbient3DS& ambient = *kf.AmbientLightMotion();
    EXPECT_EQ(ambient.NCKeys, 0);
    EXPECT_TRUE(ambient.Color.empty());
    EXPECT_EQ(kf.Settings().Anim.Length, 60);

    TKFMesh3DS motion;
    EXPECT_EQ(MessageOf<E3DSError>([&] { ReadKFMesh3DS(f.File, FindNodeChunkByName(f.File, "Eye", CAMERA_NODE_TAG),
                                                       motion); }),
              c3DSErrWrongObject);
}

TEST(KeyFramer3DS, NodesAreFoundByExactNameAndByIndexOfTheirKind)
{
    TLoaded3DS f(InstancedFile());
    TChunk3DS* lid = FindNodeChunkByName(f.File, "Lid", OBJECT_NODE_TAG);
    ASSERT_NE(lid, nullptr);
    EXPECT_EQ(FindNodeChunkByIndex(f.File, 2, OBJECT_NODE_TAG), lid);
    EXPECT_EQ(FindNodeChunkByName(f.File, "lid", OBJECT_NODE_TAG), nullptr);
    EXPECT_EQ(FindNodeChunkByName(f.File, "Lid", CAMERA_NODE_TAG), nullptr);
    EXPECT_EQ(CountNodeTags(f.File, OBJECT_NODE_TAG), 3);
    EXPECT_EQ(ReadParentName3DS(FindChunkInTree(lid, NODE_HDR)), "Box.b");
}

TEST(KeyFramer3DS, NodeNamesAreListedByKindInFileOrderWithoutHeaderlessNodes)
{
    TLoaded3DS f(WrittenMeshFile([] { Object("Box", [] { Triangle(); }); },
                                 [] {
                                     Node(SPOTLIGHT_NODE_TAG, 0, "Spot", -1);
                                     Node(CAMERA_NODE_TAG, 1, "Eye", -1);
                                     Node(LIGHT_NODE_TAG, 2, "Lamp", -1);
                                     Chunk(CAMERA_NODE_TAG, [] { Short(NODE_ID, 3); }); // no header
                                     Node(CAMERA_NODE_TAG, 4, "Eye", -1);
                                     Node(OBJECT_NODE_TAG, 5, "Box", -1, [] { Text(INSTANCE_NAME, "a"); });
                                 }));
    TStringList list;
    list.Add("old");
    const struct {
        void (*List)(TFile3DS&, TStrings&);
        const char* Names;
    } kinds[] = {{ListCameraNodeNames, "Eye\r\nEye\r\n"},
                 {ListOmniNodeNames, "Lamp\r\n"},
                 {ListSpotNodeNames, "Spot\r\n"},
                 {[](TFile3DS& file, TStrings& names) { ListNodeTagNames(file, OBJECT_NODE_TAG, names); }, "Box.a\r\n"},
                 {[](TFile3DS& file, TStrings& names) { ListNodeTagNames(file, TARGET_NODE_TAG, names); }, ""}};
    for (const auto& kind : kinds) {
        kind.List(f.File, list);
        EXPECT_EQ(list.Text(), kind.Names);
    }
}

TEST(KeyFramer3DS, SizingAMotionGivesEachTrackItsCountOfDefaults)
{
    TKFCamera3DS camera;
    camera.FOV = {1, 2, 3, 4};
    InitKFCamera3DS(camera, 1, 2, 3, -1);
    EXPECT_EQ(std::vector<int32_t>({camera.NPKeys, camera.NFKeys, camera.NRKeys, camera.NTKeys}),
              std::vector<int32_t>({1, 2, 3, 0}));
    EXPECT_EQ(camera.FOV, std::vector<float>({60, 60}));
    EXPECT_EQ(camera.Roll, std::vector<float>({0, 0, 0}));
    EXPECT_EQ(camera.FKeys.size(), 2u);
    EXPECT_TRUE(camera.TPos.empty());

    TKFOmni3DS omni;
    InitKFOmni3DS(omni, 2, 1);
    EXPECT_EQ(omni.Pos.size(), 2u);
    EXPECT_EQ(omni.Color.at(0).G, 1);
    TKFSpot3DS spot;
    InitKFSpot3DS(spot, 0, 1, 2, 1, 1, 1);
    EXPECT_EQ(spot.Color.at(0).R, 0);
    EXPECT_EQ(spot.Hot, std::vector<float>({90, 90}));
    EXPECT_EQ(spot.Fall, std::vector<float>({90}));
    EXPECT_EQ(spot.NTKeys, 1);
    TKFAmbient3DS ambient;
    InitKFAmbient3DS(ambient, 3);
    EXPECT_EQ(ambient.NCKeys, 3);
    EXPECT_EQ(ambient.Color.at(2).B, 1);
    EXPECT_EQ(ambient.CKeys.at(2).Time, 0);
}

TEST(KeyFramer3DS, ACorruptTrackRaisesAndTheNextRequestReadsAgain)
{
    // The track announces three keys and holds one.
    TLoaded3DS f(WrittenMeshFile({}, [] {
        Node(OBJECT_NODE_TAG, 0, "Box", -1, [] {
            Chunk(POS_TRACK_TAG, [] {
                gW->TrackHeader(0, 3).KeyHeader(Key(0)).Point(0, 0, 0);
            });
        });
    }));
    EXPECT_EQ(MessageOf<E3DSError>([&] { f.File.KeyFramer().MeshMotion(0); }), c3DSErrInvalidChunk);
    EXPECT_EQ(MessageOf<E3DSError>([&] { f.File.KeyFramer().MeshMotion(0); }), c3DSErrInvalidChunk);
}

} // namespace
