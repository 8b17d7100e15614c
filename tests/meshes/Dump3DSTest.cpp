#include "Dump3DS.h"

#include "Chunk3DSWriter.h"
#include "Const3DS.h"
#include "File3DS.h"
#include "Raises.h"
#include "StringLists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// A file loaded from the writer's bytes, with the stream it keeps reading from.
struct TDumped3DS {
    std::unique_ptr<TMemoryStream> Stream;
    TFile3DS File;

    explicit TDumped3DS(const TChunk3DSWriter& writer) : Stream(writer.Stream()) { File.LoadFromStream(*Stream); }

    std::vector<std::string> Dump(TDumpLevel level)
    {
        TStringList lines;
        File.DumpDataBase(lines, level);
        return Lines(lines);
    }

    static std::vector<std::string> Lines(const TStringList& list)
    {
        std::vector<std::string> lines;
        for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Get(i));
        return lines;
    }
};

std::string Tabs(int count)
{
    return std::string(count, '\t');
}

// A mesh file with a version, scene settings, a material with a map, a mesh and a keyframer section whose
// second node has the first as its parent, and a chunk of a tag without a name.
TChunk3DSWriter SampleFile()
{
    TChunk3DSWriter w;
    w.Chunk(M3DMAGIC, [&] {
        w.Chunk(M3D_VERSION, [&] { w.I32(3); });
        w.Chunk(MDATA, [&] {
            w.Chunk(MASTER_SCALE, [&] { w.F32(1.5f); });
            w.Chunk(AMBIENT_LIGHT, [&] {
                w.Chunk(COLOR_24, [&] { w.U8(255).U8(128).U8(0); });
                w.Chunk(LIN_COLOR_F, [&] { w.Floats({1, 0.5f, 0}); });
            });
            w.Chunk(MAT_ENTRY, [&] {
                w.Chunk(MAT_NAME, [&] { w.Str("Red"); });
                w.Chunk(MAT_TEXMAP, [&] {
                    w.Chunk(INT_PERCENTAGE, [&] { w.I16(75); });
                    w.Chunk(MAT_MAPNAME, [&] { w.Str("red.png"); });
                    w.Chunk(MAT_MAP_TILING, [&] { w.U16(0x0003); });
                });
            });
            w.Chunk(NAMED_OBJECT, [&] {
                w.Str("Box");
                w.Chunk(N_TRI_OBJECT, [&] {
                    w.Chunk(POINT_ARRAY, [&] { w.U16(2).Point(0, 0, 0).Point(1, 2.5f, -3); });
                    w.Chunk(FACE_ARRAY, [&] {
                        w.U16(1).Face(0, 1, 1, 0x1A);
                        w.Chunk(MSH_MAT_GROUP, [&] { w.Str("Red").U16(1).U16(0); });
                    });
                });
            });
        });
        w.Chunk(KFDATA, [&] {
            w.Chunk(KFSEG, [&] { w.I32(0).I32(30); });
            w.Chunk(OBJECT_NODE_TAG, [&] {
                w.Chunk(NODE_ID, [&] { w.I16(0); });
                w.Chunk(NODE_HDR, [&] { w.Str("Box").U16(0x4014).U16(0x03).I16(-1); });
                w.Chunk(POS_TRACK_TAG, [&] {
                    w.TrackHeader(0, 1).KeyHeader({.Time = 5, .RFlags = 0x09, .Tension = 0.5f, .EaseTo = 0.25f});
                    w.Point(1, 2, 3);
                });
            });
            w.Chunk(OBJECT_NODE_TAG, [&] {
                w.Chunk(NODE_ID, [&] { w.I16(1); });
                w.Chunk(NODE_HDR, [&] { w.Str("Lid").U16(0).U16(0).I16(0); });
            });
        });
        w.Chunk(0x0001, [&] { w.U16(7); });
    });
    return w;
}

TEST(Dump3DS, ChunkTagToNameNamesTheTableAndNothingElse)
{
    struct TCase {
        uint16_t Tag;
        const char* Name;
    };
    const TCase cases[] = {
        {0x0000, "NULL_CHUNK"},       {0x4D4D, "M3DMAGIC"},        {0xFFFF, "DUMMY"},
        {0x8008, "XDATA_procedure"},  {0xCA50, "C_DXFNAME_SRC "},  {0xCAA0, "C_SMOOTH_ANG "},
        {0x0995, "ChunkType"},        {0xF150, "SMOOTH_GROUP_ENTRY"}, {0x0001, "UNKNOWN_CHUNK"},
        {0x4D4E, "UNKNOWN_CHUNK"},    {0xFFFE, "UNKNOWN_CHUNK"},
    };
    for (const TCase& c : cases) EXPECT_EQ(ChunkTagToName(c.Tag), c.Name) << std::hex << c.Tag;

    int named = 0;
    int endInBlank = 0;
    for (uint32_t tag = 0; tag <= 0xFFFF; ++tag) {
        const std::string_view name = ChunkTagToName(static_cast<uint16_t>(tag));
        if (name == "UNKNOWN_CHUNK") continue;
        ++named;
        if (name.back() == ' ') ++endInBlank;
    }
    EXPECT_EQ(named, 589);
    EXPECT_EQ(endInBlank, 6);
}

TEST(Dump3DS, HeaderLineShowsTheLengthInDecimalAndHexadecimal)
{
    TChunk3DSWriter w;
    w.Chunk(M3DMAGIC, [&] {
        w.Chunk(M3D_VERSION, [&] { w.I32(3); });
        w.Chunk(0x0001, [&] { w.Raw(std::vector<uint8_t>(1234 - 6 - 10 - 6).data(), 1234 - 6 - 10 - 6); });
    });
    TDumped3DS file(w);
    EXPECT_EQ(file.Dump(dlTerseDump),
              (std::vector<std::string>{"Chunk M3DMAGIC ($4D4D), Length is 1234 ($4D2)",
                                        "\tChunk M3D_VERSION ($2), Length is 10 ($A)",
                                        "\tChunk UNKNOWN_CHUNK ($1), Length is 1218 ($4C2)"}));
}

TEST(Dump3DS, EveryLevelOfASmallFile)
{
    TDumped3DS file(SampleFile());
    const std::vector<std::string> terse = {
        "Chunk M3DMAGIC ($4D4D), Length is 329 ($149)",
        "\tChunk M3D_VERSION ($2), Length is 10 ($A)",
        "\tChunk MDATA ($3D3D), Length is 179 ($B3)",
        "\t\tChunk MASTER_SCALE ($100), Length is 10 ($A)",
        "\t\tChunk AMBIENT_LIGHT ($2100), Length is 33 ($21)",
        "\t\t\tChunk COLOR_24 ($11), Length is 9 ($9)",
        "\t\t\tChunk LIN_COLOR_F ($13), Length is 18 ($12)",
        "\t\tChunk MAT_ENTRY ($AFFF), Length is 52 ($34)",
        "\t\t\tChunk MAT_NAME ($A000), Length is 10 ($A)",
        "\t\t\tChunk MAT_TEXMAP ($A200), Length is 36 ($24)",
        "\t\t\t\tChunk INT_PERCENTAGE ($30), Length is 8 ($8)",
        "\t\t\t\tChunk MAT_MAPNAME ($A300), Length is 14 ($E)",
        "\t\t\t\tChunk MAT_MAP_TILING ($A351), Length is 8 ($8)",
        "\t\tChunk NAMED_OBJECT ($4000), Length is 78 ($4E)",
        "\t\t\tChunk N_TRI_OBJECT ($4100), Length is 68 ($44)",
        "\t\t\t\tChunk POINT_ARRAY ($4110), Length is 32 ($20)",
        "\t\t\t\tChunk FACE_ARRAY ($4120), Length is 30 ($1E)",
        "\t\t\t\t\tChunk MSH_MAT_GROUP ($4130), Length is 14 ($E)",
        "\tChunk KFDATA ($B000), Length is 126 ($7E)",
        "\t\tChunk KFSEG ($B008), Length is 14 ($E)",
        "\t\tChunk OBJECT_NODE_TAG ($B002), Length is 76 ($4C)",
        "\t\t\tChunk NODE_ID ($B030), Length is 8 ($8)",
        "\t\t\tChunk NODE_HDR ($B010), Length is 16 ($10)",
        "\t\t\tChunk POS_TRACK_TAG ($B020), Length is 46 ($2E)",
        "\t\tChunk OBJECT_NODE_TAG ($B002), Length is 30 ($1E)",
        "\t\t\tChunk NODE_ID ($B030), Length is 8 ($8)",
        "\t\t\tChunk NODE_HDR ($B010), Length is 16 ($10)",
        "\t\t\t\tChunk PARENT_NAME ($80F0), Length is 0 ($0)",
        "\tChunk UNKNOWN_CHUNK ($1), Length is 8 ($8)",
    };
    EXPECT_EQ(file.Dump(dlTerseDump), terse);

    const std::vector<std::string> medium = {
        "Chunk M3DMAGIC ($4D4D), Length is 329 ($149)",
        "\tChunk M3D_VERSION ($2), Length is 10 ($A)",
        "\t\tVersion 3",
        "\tChunk MDATA ($3D3D), Length is 179 ($B3)",
        "\t\tChunk MASTER_SCALE ($100), Length is 10 ($A)",
        "\t\t\tMaster Scale  1.50",
        "\t\tChunk AMBIENT_LIGHT ($2100), Length is 33 ($21)",
        "\t\t\tChunk COLOR_24 ($11), Length is 9 ($9)",
        "\t\t\t\tColor R: 255,  G: 128,  B: 0",
        "\t\t\tChunk LIN_COLOR_F ($13), Length is 18 ($12)",
        "\t\t\t\tColor R:  1.00,  G:  0.50,  B:  0.00",
        "\t\tChunk MAT_ENTRY ($AFFF), Length is 52 ($34)",
        "\t\t\tChunk MAT_NAME ($A000), Length is 10 ($A)",
        "\t\t\t\tMaterial Name Red",
        "\t\t\tChunk MAT_TEXMAP ($A200), Length is 36 ($24)",
        "\t\t\t\tChunk INT_PERCENTAGE ($30), Length is 8 ($8)",
        "\t\t\t\t\tPercentage of 75%",
        "\t\t\t\tChunk MAT_MAPNAME ($A300), Length is 14 ($E)",
        "\t\t\t\t\tMap Name red.png",
        "\t\t\t\tChunk MAT_MAP_TILING ($A351), Length is 8 ($8)",
        "\t\t\t\t\tMap Flags:  TEX_DECAL,  TEX_MIRROR",
        "\t\tChunk NAMED_OBJECT ($4000), Length is 78 ($4E)",
        "\t\t\tName: Box",
        "\t\t\tChunk N_TRI_OBJECT ($4100), Length is 68 ($44)",
        "\t\t\t\tChunk POINT_ARRAY ($4110), Length is 32 ($20)",
        "\t\t\t\t\t2 Vertices",
        "\t\t\t\tChunk FACE_ARRAY ($4120), Length is 30 ($1E)",
        "\t\t\t\t\t1 Faces",
        "\t\t\t\t\tChunk MSH_MAT_GROUP ($4130), Length is 14 ($E)",
        "\t\t\t\t\t\tMaterial Name of Red",
        "\t\t\t\t\t\tAssigned to 1 Faces",
        "\tChunk KFDATA ($B000), Length is 126 ($7E)",
        "\t\tChunk KFSEG ($B008), Length is 14 ($E)",
        "\t\t\tSegment starts at 0 and ends at 30",
        "\t\tChunk OBJECT_NODE_TAG ($B002), Length is 76 ($4C)",
        "\t\t\tChunk NODE_ID ($B030), Length is 8 ($8)",
        "\t\t\t\tNode ID: 0",
        "\t\t\tChunk NODE_HDR ($B010), Length is 16 ($10)",
        "\t\t\t\tObject Name: Box",
        "\t\t\t\tFlags 1: $4014",
        "\t\t\t\tFlags 2: $3",
        "\t\t\t\tNo Parent",
        "\t\t\tChunk POS_TRACK_TAG ($B020), Length is 46 ($2E)",
        "\t\t\t\t1 Keys, Flags: $0",
        "\t\t\t\tFrame 5, Tens 0.50, Ease to 0.25",
        "\t\t\t\tObject at  1.00,  2.00,  3.00",
        "\t\tChunk OBJECT_NODE_TAG ($B002), Length is 30 ($1E)",
        "\t\t\tChunk NODE_ID ($B030), Length is 8 ($8)",
        "\t\t\t\tNode ID: 1",
        "\t\t\tChunk NODE_HDR ($B010), Length is 16 ($10)",
        "\t\t\t\tObject Name: Lid",
        "\t\t\t\tFlags 1: $0",
        "\t\t\t\tFlags 2: $0",
        "\t\t\t\tParent 0",
        "\t\t\t\tChunk PARENT_NAME ($80F0), Length is 0 ($0)",
        "\t\t\t\t\tParent Name: Box",
        "\tChunk UNKNOWN_CHUNK ($1), Length is 8 ($8)",
    };
    EXPECT_EQ(file.Dump(dlMediumDump), medium);

    // The maximum level adds the array elements and the names of the node flags set.
    std::vector<std::string> maximum = medium;
    const auto insertAfter = [&maximum](const std::string& line, std::vector<std::string> added) {
        const auto at = std::find(maximum.begin(), maximum.end(), line);
        ASSERT_NE(at, maximum.end()) << line;
        maximum.insert(at + 1, added.begin(), added.end());
    };
    insertAfter("\t\t\t\t\t2 Vertices",
                {"\t\t\t\t\tVertex 0 at  0.00,  0.00,  0.00", "\t\t\t\t\tVertex 1 at  1.00,  2.50,  -3.00"});
    insertAfter("\t\t\t\t\t1 Faces", {"\t\t\t\t\tFace 0 Vertices 0, 1, 1 and flag $1A"});
    insertAfter("\t\t\t\tFlags 1: $4014",
                {"\t\t\t\tNODE_RENDOB_HIDE", "\t\t\t\tATKEY1", "\t\t\t\tATKEYFLAGS", "\t\t\t\tPRIMARY_NODE"});
    insertAfter("\t\t\t\tFlags 2: $3", {"\t\t\t\tNODE_HAS_PATH", "\t\t\t\tNODE_AUTO_SMOOTH"});
    EXPECT_EQ(file.Dump(dlMaximumDump), maximum);
}

TEST(Dump3DS, IndentationStopsGrowingAtTwelveTabs)
{
    // Fourteen containers below the top chunk, a version at depth 15.
    TChunk3DSWriter w;
    std::function<void(int)> nest = [&](int level) {
        if (level == 14)
            w.Chunk(M3D_VERSION, [&] { w.I32(3); });
        else
            w.Chunk(MDATA, [&] { nest(level + 1); });
    };
    w.Chunk(M3DMAGIC, [&] { nest(0); });
    TDumped3DS file(w);
    const std::vector<std::string> lines = file.Dump(dlMediumDump);
    ASSERT_EQ(lines.size(), 17u);
    for (int depth = 0; depth <= 14; ++depth)
        EXPECT_EQ(lines[depth].find_first_not_of('\t'), static_cast<size_t>(std::min(depth, 12))) << depth;
    EXPECT_EQ(lines[15], Tabs(12) + "Chunk M3D_VERSION ($2), Length is 10 ($A)");
    // Data lines keep one tab more than their chunk's capped indent.
    EXPECT_EQ(lines[16], Tabs(13) + "Version 3");
    EXPECT_EQ(DumpIndent(-1), "");
    EXPECT_EQ(DumpIndent(100), Tabs(12));
}

TEST(Dump3DS, KeyHeaderLineShowsTheValuesItsFlagsAnnounce)
{
    struct TCase {
        TKeyHeader3DS Key;
        std::string Line;
    };
    const TCase cases[] = {
        {{.Time = 7}, "\tFrame 7"},
        {{.Time = 1, .RFlags = 0x09, .Tension = 0.5f, .Continuity = 9, .EaseTo = 0.25f},
         "\tFrame 1, Tens 0.50, Ease to 0.25"},
        {{.Time = -2, .RFlags = 0x1F, .Tension = 1, .Continuity = -1, .Bias = 0.125f, .EaseTo = 2, .EaseFrom = 3},
         "\tFrame -2, Tens 1.00, Cont -1.00, Bias 0.13, Ease to 2.00, Ease from 3.00"},
        {{.Time = 3, .RFlags = 0x14, .Bias = 0.5f, .EaseFrom = 0.75f}, "\tFrame 3, Bias 0.50, Ease from 0.75"},
    };
    for (const TCase& c : cases) {
        TStringList lines;
        DumpKeyHeaderLine(lines, c.Key, 1);
        ASSERT_EQ(lines.Count(), 1);
        EXPECT_EQ(lines.Get(0), c.Line);
    }
}

// The data lines of one chunk, dumped on its own at depth 0 (each line one tab in).
std::vector<std::string> DataLinesOf(const std::function<void(TChunk3DSWriter&)>& writeChunk,
                                     TDumpLevel level = dlMediumDump)
{
    TChunk3DSWriter w;
    w.Chunk(M3DMAGIC, [&] { writeChunk(w); });
    TDumped3DS file(w);
    TStringList lines;
    DumpChunk(file.File, lines, file.File.Database().TopChunk->Children.get(), level, 0);
    std::vector<std::string> data = TDumped3DS::Lines(lines);
    data.erase(data.begin());
    return data;
}

TEST(Dump3DS, MapTilingFlagsAreNamedInOrder)
{
    struct TCase {
        uint16_t Flags;
        const char* Line;
    };
    const TCase cases[] = {
        {0x0000, "\tMap Flags:  NONE"},
        {0x0003, "\tMap Flags:  TEX_DECAL,  TEX_MIRROR"},
        {0x0300, "\tMap Flags:  TEX_DONT_USE_ALPHA,  TEX_RGB_TINT"},
        {0x0050, "\tMap Flags:  TEX_NOWRAP,  TEX_ALPHA_SOURCE"},
        // Only bits without a name: nothing to name, and nothing is cut from the line.
        {0xFC00, "\tMap Flags:  NONE"},
        {0x8004, "\tMap Flags:  TEX_UNUSED1"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(DataLinesOf([&](TChunk3DSWriter& w) { w.Chunk(MAT_MAP_TILING, [&] { w.U16(c.Flags); }); }),
                  std::vector<std::string>{c.Line})
            << c.Flags;
}

TEST(Dump3DS, DataLinesOfEachKindOfChunk)
{
    struct TCase {
        std::function<void(TChunk3DSWriter&)> Write;
        std::vector<std::string> Lines;
    };
    const std::vector<TCase> cases = {
        {[](auto& w) { w.Chunk(FLOAT_PERCENTAGE, [&] { w.F32(0.25f); }); }, {"\tPercentage of  0.25%"}},
        {[](auto& w) { w.Chunk(SHADOW_MAP_SIZE, [&] { w.I16(512); }); }, {"\tSize of 512"}},
        {[](auto& w) { w.Chunk(SHADOW_RANGE, [&] { w.I32(-4); }); }, {"\tRange of -4"}},
        {[](auto& w) { w.Chunk(MESH_COLOR, [&] { w.U8(200); }); }, {"\tColor index of 200"}},
        {[](auto& w) { w.Chunk(O_CONSTS, [&] { w.Point(1, 2, 3); }); }, {"\tPlane at  1.00,  2.00,  3.00"}},
        {[](auto& w) { w.Chunk(FOG, [&] { w.Floats({1, 2, 3, 4}); }); },
         {"\tNear plane at  1.00", "\tNear Density of  2.00", "\tFar plane at  3.00", "\tFar Density of  4.00"}},
        {[](auto& w) { w.Chunk(DISTANCE_CUE, [&] { w.Floats({5, 6, 7, 8}); }); },
         {"\tNear plane at  5.00", "\tNear Density of  6.00", "\tFar plane at  7.00", "\tFar Density of  8.00"}},
        {[](auto& w) { w.Chunk(LAYER_FOG, [&] { w.Floats({-1, 9, 0.5f}).U32(0x100003); }); },
         {"\tFog Z range is  -1.00 to  9.00", "\tFog Density is  0.50", "\tFog type of $100003"}},
        {[](auto& w) { w.Chunk(VIEW_LEFT, [&] { w.F32(40).Point(1, 2, 3); }); },
         {"\tTarget at  1.00,  2.00,  3.00", "\tView Width of  40.00"}},
        {[](auto& w) { w.Chunk(VIEW_USER, [&] { w.Floats({40, 10, 20, 30}).Point(1, 2, 3); }); },
         {"\tTarget at  1.00,  2.00,  3.00", "\tView Width of  40.00", "\tHorizontal View angle of  10.00",
          "\tVertical View angle of  20.00", "\tBank angle of  30.00"}},
        {[](auto& w) { w.Chunk(VIEW_CAMERA, [&] { w.Str("Cam01"); }); }, {"\tCamera Name Cam01"}},
        {[](auto& w) { w.Chunk(TEX_VERTS, [&] { w.U16(1).Floats({0.5f, 1}); }); }, {"\t1 Vertices"}},
        {[](auto& w) { w.Chunk(POINT_FLAG_ARRAY, [&] { w.U16(2).U16(1).U16(0); }); }, {"\tFlags: 2"}},
        {[](auto& w) { w.Chunk(MESH_MATRIX, [&] { w.Floats({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}); }); },
         {"\t[0]  1.00 [1]  2.00 [2]  3.00", "\t[3]  4.00 [4]  5.00 [5]  6.00", "\t[6]  7.00 [7]  8.00 [8]  9.00",
          "\t[9]  10.00 [10]  11.00 [11]  12.00"}},
        {[](auto& w) {
             w.Chunk(MESH_TEXTURE_INFO, [&] {
                 w.U16(2).Floats({1, 2}).Point(3, 4, 5).F32(6);
                 w.Floats({1, 0, 0, 0, 1, 0, 0, 0, 1, 7, 8, 9}).Floats({10, 11, 12});
             });
         },
         {"\tMap Type of 2", "\tX Tiling of  1.00", "\tY Tiling of  2.00", "\tIcon position of  3.00,  4.00,  5.00",
          "\t[0]  1.00 [1]  0.00 [2]  0.00", "\t[3]  0.00 [4]  1.00 [5]  0.00", "\t[6]  0.00 [7]  0.00 [8]  1.00",
          "\t[9]  7.00 [10]  8.00 [11]  9.00", "\tScaling Value of  6.00", "\tPlanar Icon Width of  10.00",
          "\tPlanar Icon Height of  11.00", "\tCylinder Icon Height of  12.00"}},
        {[](auto& w) { w.Chunk(MSH_BOXMAP, [&] { w.Str("a").Str("b").Str("c").Str("d").Str("e").Str("f"); }); },
         {"\tBoxmap consists of the following materials:", "\ta", "\tb", "\tc", "\td", "\te", "\tf"}},
        {[](auto& w) { w.Chunk(N_DIRECT_LIGHT, [&] { w.Point(1, 2, 3); }); }, {"\tLight at  1.00,  2.00,  3.00"}},
        {[](auto& w) { w.Chunk(DL_SPOTLIGHT, [&] { w.Point(1, 2, 3).Floats({30, 45}); }); },
         {"\tTarget at  1.00, 2.00, 3.00", "\tHotspot cone of  30.00,  Falloff cone of  45.00"}},
        {[](auto& w) { w.Chunk(DL_LOCAL_SHADOW2, [&] { w.Floats({0.5f, 3}).I16(256); }); },
         {"\tShadow bias of  0.50", "\tShadow filter of  3.00", "\tShadow Map Size of  256.00"}},
        {[](auto& w) { w.Chunk(DL_EXCLUDE, [&] { w.Str("Box"); }); }, {"\tExclude Box"}},
        {[](auto& w) { w.Chunk(DL_MULTIPLIER, [&] { w.F32(2); }); }, {"\tMultiple of  2.00"}},
        {[](auto& w) { w.Chunk(N_CAMERA, [&] { w.Point(1, 2, 3).Point(4, 5, 6).Floats({7, 50}); }); },
         {"\tCamera at  1.00,  2.00,  3.00", "\tTarget at  4.00,  5.00,  6.00",
          "\tBank angle of  7.00 and a foc of  50.00"}},
        {[](auto& w) { w.Chunk(CAM_RANGES, [&] { w.Floats({1, 1000}); }); },
         {"\tCamera near range is  1.00 and far range is  1000.00"}},
        {[](auto& w) {
             w.Chunk(VIEWPORT_LAYOUT, [&] {
                 for (int16_t v : {1, 2, 3, 4, 5, 6, 7}) w.I16(v);
             });
         },
         {"\tForm of 1", "\tTop of 2", "\tReady of 3", "\tWState of 4", "\tSwap WS of 5", "\tSwap Port of 6",
          "\tSwap Cur of 7"}},
        {[](auto& w) {
             w.Chunk(VIEWPORT_DATA_3, [&] {
                 for (uint16_t v : {0x10, 0xAB, 1, 2, 300, 200, 0xFFFF}) w.U16(v);
                 w.F32(0.75f).Point(1, 2, 3).Floats({20, 30}).Str("Cam");
             });
         },
         {"\tFlags: $10", "\tAxis Lockouts of $AB", "\tWindow Position of 1, 2", "\tWindow Size of 300, 200",
          "\tWindow View of 65535", "\tZoom Factor of  0.75", "\tWorld Center of  1.00, 2.00, 3.00",
          "\tHorizontal Angle of  20.00", "\tVertical Angle of  30.00", "\tCamera Name of Cam"}},
        {[](auto& w) { w.Chunk(VIEWPORT_SIZE, [&] { w.U16(1).U16(2).U16(640).U16(480); }); },
         {"\tWork Area X: 1 Y: 2 W: 640 H: 480"}},
        {[](auto& w) { w.Chunk(MAT_ACUBIC, [&] { w.U8(1).U8(2).I16(3).U32(4).U32(5); }); },
         {"\tShade level of 1", "\tAntialias level of 2", "\tFlags: 3", "\tMap Size of 4", "\tFrame skip of 5"}},
        {[](auto& w) { w.Chunk(MAT_SHADING, [&] { w.I16(3); }); }, {"\tShading value of 3"}},
        {[](auto& w) { w.Chunk(MAT_MAP_ANG, [&] { w.F32(90); }); }, {"\tMap rotation angle of  90.00"}},
        {[](auto& w) { w.Chunk(MAT_MAP_RCOL, [&] { w.U8(1).U8(2).U8(3); }); }, {"\tColor R: 1,  G: 2,  B: 3"}},
        {[](auto& w) { w.Chunk(KFHDR, [&] { w.I16(5).Str("scene").I32(100); }); },
         {"\tRevision level of $5", "\tFilename scene", "\tAnimation length of 100"}},
        {[](auto& w) { w.Chunk(KFCURTIME, [&] { w.I32(12); }); }, {"\tCurrent frame is 12"}},
        {[](auto& w) { w.Chunk(PIVOT, [&] { w.Point(1, 2, 3); }); }, {"\tPivot at  1.00,  2.00,  3.00"}},
        {[](auto& w) { w.Chunk(MORPH_SMOOTH, [&] { w.F32(30); }); }, {"\tMorph Smoothing Angle of  30.00"}},
        {[](auto& w) { w.Chunk(XDATA_SECTION, [&] { w.Chunk(XDATA_ENTRY, [&] {
             w.Chunk(XDATA_APPNAME, [&] { w.Str("App"); });
             w.Chunk(XDATA_STRING, [&] { w.Str("text"); });
         }); }); },
         {"\tChunk XDATA_ENTRY ($8001), Length is 27 ($1B)", "\t\tChunk XDATA_APPNAME ($8002), Length is 10 ($A)",
          "\t\t\tApplication Name App", "\t\tChunk XDATA_STRING ($8003), Length is 11 ($B)",
          "\t\t\tString value of text"}},
        {[](auto& w) {
             w.Chunk(ROT_TRACK_TAG, [&] { w.TrackHeader(2, 1).KeyHeader({.Time = 0}).Floats({1.5f, 0, 0, 1}); });
         },
         {"\t1 Keys, Flags: $2", "\tFrame 0", "\tRotation of  1.50", "\tAxis of  0.00,  0.00,  1.00"}},
        {[](auto& w) {
             w.Chunk(SCL_TRACK_TAG, [&] { w.TrackHeader(0, 1).KeyHeader({.Time = 4}).Floats({1, 2, 3}); });
         },
         {"\t1 Keys, Flags: $0", "\tFrame 4", "\tScale of  1.00,  2.00,  3.00"}},
        {[](auto& w) {
             w.Chunk(COL_TRACK_TAG, [&] { w.TrackHeader(0, 1).KeyHeader({.Time = 4}).Floats({1, 0, 0.5f}); });
         },
         {"\t1 Keys, Flags: $0", "\tFrame 4", "\tColor R:  1.00,  G:  0.00,  B:  0.50"}},
        {[](auto& w) {
             w.Chunk(MORPH_TRACK_TAG, [&] {
                 w.TrackHeader(0, 2).KeyHeader({.Time = 0}).Str("A").KeyHeader({.Time = 10}).Str("B");
             });
         },
         {"\t2 Keys, Flags: $0", "\tFrame 0", "\tMorph to A", "\tFrame 10", "\tMorph to B"}},
        {[](auto& w) { w.Chunk(FOV_TRACK_TAG, [&] { w.TrackHeader(0, 1).KeyHeader({.Time = 1}).F32(45); }); },
         {"\t1 Keys, Flags: $0", "\tFrame 1", "\tCamera FOV of  45.00"}},
        {[](auto& w) { w.Chunk(ROLL_TRACK_TAG, [&] { w.TrackHeader(0, 1).KeyHeader({.Time = 1}).F32(5); }); },
         {"\t1 Keys, Flags: $0", "\tFrame 1", "\tCamera Roll of  5.00"}},
        {[](auto& w) { w.Chunk(HOT_TRACK_TAG, [&] { w.TrackHeader(0, 1).KeyHeader({.Time = 1}).F32(20); }); },
         {"\t1 Keys, Flags: $0", "\tFrame 1", "\tHotspot angle of  20.00"}},
        {[](auto& w) { w.Chunk(FALL_TRACK_TAG, [&] { w.TrackHeader(0, 1).KeyHeader({.Time = 1}).F32(25); }); },
         {"\t1 Keys, Flags: $0", "\tFrame 1", "\tFalloff Angle of  25.00"}},
        {[](auto& w) {
             w.Chunk(HIDE_TRACK_TAG, [&] { w.TrackHeader(0, 2).KeyHeader({.Time = 3}).KeyHeader({.Time = 9}); });
         },
         {"\t2 Keys, Flags: $0", "\tFrame 3", "\tFrame 9"}},
        // Chunks without data lines: a container, a flag, raw bytes.
        {[](auto& w) { w.Chunk(DEFAULT_VIEW); }, {}},
        {[](auto& w) { w.Chunk(USE_FOG); }, {}},
        {[](auto& w) { w.Chunk(SMOOTH_GROUP, [&] { w.U32(1); }); }, {}},
    };
    for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(DataLinesOf(cases[i].Write), cases[i].Lines) << "case " << i;
}

TEST(Dump3DS, ElementLinesOnlyAtTheMaximumLevel)
{
    const auto texVerts = [](TChunk3DSWriter& w) { w.Chunk(TEX_VERTS, [&] { w.U16(2).Floats({0.5f, 1, 0, 0.25f}); }); };
    EXPECT_EQ(DataLinesOf(texVerts, dlMediumDump), std::vector<std::string>{"\t2 Vertices"});
    EXPECT_EQ(DataLinesOf(texVerts, dlMaximumDump),
              (std::vector<std::string>{"\t2 Vertices", "\tVertex 0 with tex vert of  0.50,  1.00",
                                        "\tVertex 1 with tex vert of  0.00,  0.25"}));
    const auto flags = [](TChunk3DSWriter& w) { w.Chunk(POINT_FLAG_ARRAY, [&] { w.U16(2).U16(1).U16(0); }); };
    EXPECT_EQ(DataLinesOf(flags, dlMaximumDump),
              (std::vector<std::string>{"\tFlags: 2", "\tFlag 0 is 1", "\tFlag 1 is 0"}));
}

TEST(Dump3DS, BoundingBoxIsShownOnlyOnceAReaderHasReadIt)
{
    TChunk3DSWriter w;
    w.Chunk(M3DMAGIC, [&] { w.Chunk(BOUNDBOX, [&] { w.Point(-1, -2, -3).Point(1, 2, 3); }); });
    TDumped3DS file(w);
    TChunk3DS* box = file.File.Database().TopChunk->Children.get();
    EXPECT_EQ(file.Dump(dlMediumDump).size(), 2u);
    EXPECT_EQ(box->Data, nullptr);
    file.File.ReadChunkData(box);
    const std::vector<std::string> lines = file.Dump(dlMediumDump);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], "\t\tMinimum at  -1.00,  -2.00,  -3.00");
    EXPECT_EQ(lines[3], "\t\tMaximum at  1.00,  2.00,  3.00");
}

TEST(Dump3DS, DumpAppendsAndLeavesTheDataOnTheChunks)
{
    TDumped3DS file(SampleFile());
    TStringList lines;
    lines.Add("before");
    file.File.DumpDataBase(lines, dlMediumDump);
    EXPECT_EQ(lines.Get(0), "before");
    EXPECT_EQ(lines.Get(1), "Chunk M3DMAGIC ($4D4D), Length is 329 ($149)");
    TChunk3DS* scale = FindChunkInTree(file.File.Database().TopChunk.get(), MASTER_SCALE);
    ASSERT_NE(scale->DataAs<float>(), nullptr);
    EXPECT_EQ(*scale->DataAs<float>(), 1.5f);

    // The terse level reads nothing.
    TDumped3DS terse(SampleFile());
    terse.Dump(dlTerseDump);
    EXPECT_EQ(FindChunkInTree(terse.File.Database().TopChunk.get(), MASTER_SCALE)->Data, nullptr);
}

TEST(Dump3DS, NothingWithoutATreeAndOneLineForAFileOfAnotherKind)
{
    TFile3DS empty;
    TStringList lines;
    empty.DumpDataBase(lines, dlMaximumDump);
    EXPECT_EQ(lines.Count(), 0);

    TChunk3DSWriter w;
    w.Chunk(0x1234, [&] { w.U32(0xDEADBEEF); });
    TDumped3DS other(w);
    EXPECT_EQ(other.Dump(dlMaximumDump),
              std::vector<std::string>{"Chunk UNKNOWN_CHUNK ($1234), Length is 10 ($A)"});
}

TEST(Dump3DS, CorruptChunkDataRaisesAfterTheLinesBeforeIt)
{
    TChunk3DSWriter w;
    w.Chunk(M3DMAGIC, [&] {
        w.Chunk(M3D_VERSION, [&] { w.I32(3); });
        // Ten vertices announced, one present.
        w.Chunk(POINT_ARRAY, [&] { w.U16(10).Point(0, 0, 0); });
    });
    TDumped3DS file(w);
    EXPECT_EQ(file.Dump(dlTerseDump).size(), 3u);
    TStringList lines;
    EXPECT_EQ(MessageOf<E3DSError>([&] { file.File.DumpDataBase(lines, dlMediumDump); }), c3DSErrInvalidChunk);
    EXPECT_EQ(TDumped3DS::Lines(lines),
              (std::vector<std::string>{"Chunk M3DMAGIC ($4D4D), Length is 36 ($24)",
                                        "\tChunk M3D_VERSION ($2), Length is 10 ($A)", "\t\tVersion 3",
                                        "\tChunk POINT_ARRAY ($4110), Length is 20 ($14)"}));
}

} // namespace
