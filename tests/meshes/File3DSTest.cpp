#include "File3DS.h"

#include "Chunk3DSWriter.h"
#include "Const3DS.h"
#include "Raises.h"
#include "Streams.h"
#include "TempFolder.h"
#include "Utils3DS.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

namespace {

// A file loaded from the writer's bytes; the stream lives as long as the file.
struct TLoaded3DS {
    std::unique_ptr<TMemoryStream> Stream;
    TFile3DS File;

    explicit TLoaded3DS(const TChunk3DSWriter& writer) : Stream(writer.Stream()) { File.LoadFromStream(*Stream); }

    TChunk3DS* Top() { return File.Database().TopChunk.get(); }
    TChunk3DS* Find(uint16_t tag) { return FindChunkInTree(Top(), tag); }
    // The decoded data of the first chunk of tag.
    template <class T> T& Data(uint16_t tag)
    {
        TChunk3DS* chunk = Find(tag);
        EXPECT_NE(chunk, nullptr);
        File.ReadChunkData(chunk);
        EXPECT_NE(chunk->DataAs<T>(), nullptr);
        return *chunk->DataAs<T>();
    }
};

std::vector<uint16_t> ChildTags(const TChunk3DS* chunk)
{
    std::vector<uint16_t> tags;
    for (const TChunk3DS* child = chunk->Children.get(); child; child = child->Sibling.get()) tags.push_back(child->Tag);
    return tags;
}

// A mesh file that touches every kind of section: versions, a material, a mesh with its face sub-chunks, an
// omni light, a keyframer node with tracks and an extension entry.
TChunk3DSWriter SampleMeshFile()
{
    TChunk3DSWriter w;
    w.Chunk(M3DMAGIC, [&] {
        w.Chunk(M3D_VERSION, [&] { w.I32(3); });
        w.Chunk(MDATA, [&] {
            w.Chunk(MESH_VERSION, [&] { w.I32(3); });
            w.Chunk(MAT_ENTRY, [&] {
                w.Chunk(MAT_NAME, [&] { w.Str("Red"); });
                w.Chunk(MAT_DIFFUSE, [&] { w.Chunk(COLOR_24, [&] { w.U8(255).U8(0).U8(0); }); });
            });
            w.Chunk(NAMED_OBJECT, [&] {
                w.Str("Box");
                w.Chunk(N_TRI_OBJECT, [&] {
                    w.Chunk(POINT_ARRAY, [&] { w.U16(3).Point(0, 0, 0).Point(1, 0, 0).Point(0, 1, 0); });
                    w.Chunk(TEX_VERTS, [&] { w.U16(3).Floats({0, 0, 1, 0, 0, 1}); });
                    w.Chunk(FACE_ARRAY, [&] {
                        w.U16(1).Face(0, 1, 2, 7);
                        w.Chunk(MSH_MAT_GROUP, [&] { w.Str("Red").U16(1).U16(0); });
                        w.Chunk(SMOOTH_GROUP, [&] { w.U32(1); });
                    });
                    w.Chunk(MESH_MATRIX, [&] { w.Floats({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}); });
                });
            });
            w.Chunk(NAMED_OBJECT, [&] {
                w.Str("Lamp");
                w.Chunk(N_DIRECT_LIGHT, [&] {
                    w.Point(1, 2, 3);
                    w.Chunk(COLOR_F, [&] { w.Floats({1, 1, 1}); });
                    w.Chunk(DL_OFF);
                });
            });
        });
        w.Chunk(KFDATA, [&] {
            w.Chunk(KFHDR, [&] { w.I16(5).Str("scene").I32(30); });
            w.Chunk(KFSEG, [&] { w.I32(0).I32(30); });
            w.Chunk(OBJECT_NODE_TAG, [&] {
                w.Chunk(NODE_ID, [&] { w.I16(0); });
                w.Chunk(NODE_HDR, [&] { w.Str("Box").U16(0).U16(0).I16(-1); });
                w.Chunk(POS_TRACK_TAG, [&] {
                    w.TrackHeader(0, 1).KeyHeader({0, 0x01, 0.5f}).Point(1, 2, 3);
                });
                w.Chunk(ROT_TRACK_TAG, [&] { w.TrackHeader(0, 1).KeyHeader({}).Floats({0.5f, 0, 0, 1}); });
            });
        });
        w.Chunk(XDATA_SECTION, [&] {
            w.Chunk(XDATA_ENTRY, [&] { w.Chunk(XDATA_APPNAME, [&] { w.Str("app"); }); });
        });
    });
    return w;
}

// Reads the data of every chunk of the tree, in tree order.
void ReadEveryChunk(TFile3DS& file, TChunk3DS* chunk)
{
    for (; chunk; chunk = chunk->Sibling.get()) {
        file.ReadChunkData(chunk);
        ReadEveryChunk(file, chunk->Children.get());
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Kinds of file

TEST(File3DS, TheTopTagGivesTheKindAndTheVersionChunksTheReleases)
{
    struct TCase {
        uint16_t Top;
        int32_t M3DVersion, MeshVersion; // 0: no such chunk
        TDBType3DS Type;
        TReleaseLevel Release, Mesh;
    };
    const TCase cases[] = {
        {M3DMAGIC, 3, 2, dbMeshFile, rlRelease3, rlRelease2},
        {M3DMAGIC, 0, 0, dbMeshFile, rlReleaseNotKnown, rlReleaseNotKnown},
        {M3DMAGIC, 7, 1, dbMeshFile, rlReleaseNotKnown, rlRelease1},
        {CMAGIC, 3, 1, dbProjectFile, rlRelease1, rlRelease1},
        {MLIBMAGIC, 1, 1, dbMaterialFile, rlRelease3, rlReleaseNotKnown},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Top);
        TChunk3DSWriter w;
        w.Chunk(c.Top, [&] {
            if (c.M3DVersion) w.Chunk(M3D_VERSION, [&] { w.I32(c.M3DVersion); });
            w.Chunk(MDATA, [&] {
                if (c.MeshVersion) w.Chunk(MESH_VERSION, [&] { w.I32(c.MeshVersion); });
            });
        });
        TLoaded3DS loaded(w);
        EXPECT_EQ(loaded.File.DatabaseType(), c.Type);
        EXPECT_EQ(loaded.File.DatabaseRelease(), c.Release);
        EXPECT_EQ(loaded.File.MeshRelease(), c.Mesh);
        EXPECT_TRUE(loaded.File.Database().ObjListDirty && loaded.File.Database().MatListDirty &&
                    loaded.File.Database().NodeListDirty);
    }
    TFile3DS empty;
    EXPECT_EQ(empty.DatabaseType(), dbUnknown);
    EXPECT_EQ(empty.DatabaseRelease(), rlReleaseNotKnown);
}

TEST(File3DS, AFileOfAnotherKindLoadsAsItsFirstHeaderAlone)
{
    TChunk3DSWriter w;
    // A length far beyond the stream does not matter: nothing after the header is read.
    w.U16(0x1234).U32(1'000'000).Chunk(M3DMAGIC);
    TLoaded3DS loaded(w);
    ASSERT_NE(loaded.Top(), nullptr);
    EXPECT_EQ(loaded.Top()->Tag, 0x1234);
    EXPECT_EQ(loaded.Top()->Size, 1'000'000u);
    EXPECT_EQ(loaded.Top()->Children, nullptr);
    EXPECT_EQ(loaded.File.DatabaseType(), dbUnknown);
    EXPECT_EQ(loaded.File.DatabaseRelease(), rlReleaseNotKnown);
    // Its data would run past the stream.
    EXPECT_EQ(MessageOf<E3DSError>([&] { loaded.File.ReadChunkData(loaded.Top()); }), c3DSErrInvalidChunk);
}

TEST(File3DS, AStreamTooShortForTheFirstHeaderIsAnInvalidChunk)
{
    for (size_t size = 0; size < 6; ++size) {
        SCOPED_TRACE(size);
        const std::vector<uint8_t> bytes{0x4D, 0x4D, 6, 0, 0, 0};
        auto stream = TChunk3DSWriter::StreamOf({bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(size)});
        TFile3DS file;
        EXPECT_EQ(MessageOf<E3DSError>([&] { file.LoadFromStream(*stream); }), c3DSErrInvalidChunk);
    }
}

TEST(File3DS, LoadingAFileKeepsItsStreamForTheChunkDataAndANewLoadStartsAfresh)
{
    TempFolder folder;
    const std::vector<uint8_t> bytes = SampleMeshFile().Bytes();
    folder.Write("box.3ds", std::string(bytes.begin(), bytes.end()));

    TFile3DS file(folder / "box.3ds");
    EXPECT_EQ(file.FileName(), folder / "box.3ds");
    TChunk3DS* points = FindChunkInTree(file.Database().TopChunk.get(), POINT_ARRAY);
    file.ReadChunkData(points);
    EXPECT_EQ(points->DataAs<TPointArray>()->Vertices, 3);

    TChunk3DSWriter other;
    other.Chunk(MLIBMAGIC);
    auto stream = other.Stream();
    file.LoadFromStream(*stream);
    EXPECT_EQ(file.FileName(), "");
    EXPECT_EQ(file.DatabaseType(), dbMaterialFile);
    EXPECT_EQ(FindChunkInTree(file.Database().TopChunk.get(), POINT_ARRAY), nullptr);

    EXPECT_NE(MessageOf<EFOpenError>([&] { file.LoadFromFile(folder / "missing.3ds"); }), cNoException);
}

TEST(File3DS, ANewLoadEmptiesTheRecordCaches)
{
    TLoaded3DS loaded(SampleMeshFile());
    TFile3DS& file = loaded.File;
    ASSERT_EQ(file.Materials().Count(), 1);
    EXPECT_EQ(file.Materials().Material(0)->NameStr, "Red");
    EXPECT_EQ(file.Objects().MeshCount(), 1);
    EXPECT_EQ(file.Objects().OmniLightCount(), 1);
    EXPECT_EQ(file.KeyFramer().MeshMotionCount(), 1);

    TChunk3DSWriter library;
    library.Chunk(MLIBMAGIC, [&] {
        for (const char* name : {"Stone", "Wood"})
            library.Chunk(MAT_ENTRY, [&] { library.Chunk(MAT_NAME, [&] { library.Str(name); }); });
    });
    auto stream = library.Stream();
    file.LoadFromStream(*stream);
    ASSERT_EQ(file.Materials().Count(), 2);
    EXPECT_EQ(file.Materials().Material(1)->NameStr, "Wood");

    file.ClearLists();
    EXPECT_EQ(file.Database().TopChunk, nullptr);
    EXPECT_EQ(file.Materials().Count(), 0);
}

// ---------------------------------------------------------------------------------------------------------
// The tree

TEST(File3DS, TheOwnDataOfEachTagPrecedesItsSubChunks)
{
    struct TCase {
        uint16_t Tag;
        std::function<void(TChunk3DSWriter&)> OwnData;
    };
    const auto bytes = [](int n) { return [n](TChunk3DSWriter& w) { w.Raw(std::string(n, '\x7F').data(), n); }; };
    const TCase cases[] = {
        {MDATA, bytes(0)},
        {MAT_TEXMAP, bytes(0)},
        {OBJECT_NODE_TAG, bytes(0)},
        {NAMED_OBJECT, [](TChunk3DSWriter& w) { w.Str("a name longer than the first block a string is read in"); }},
        {INT_PERCENTAGE, bytes(2)},
        {COLOR_24, bytes(3)},
        {M3D_VERSION, bytes(4)},
        {KFSEG, bytes(8)},
        {DL_LOCAL_SHADOW2, bytes(10)},
        {N_DIRECT_LIGHT, bytes(12)},
        {VIEWPORT_LAYOUT, bytes(14)},
        {VIEW_BACK, bytes(16)},
        {DL_SPOTLIGHT, bytes(20)},
        {BOUNDBOX, bytes(24)},
        {VIEW_USER, bytes(28)},
        {N_CAMERA, bytes(32)},
        {MESH_MATRIX, bytes(48)},
        {FACE_ARRAY, [](TChunk3DSWriter& w) { w.U16(2).Face(0, 1, 2).Face(2, 1, 0); }},
        {KFHDR, [](TChunk3DSWriter& w) { w.I16(1).Str("file").I32(100); }},
        {NODE_HDR, [](TChunk3DSWriter& w) { w.Str("node").U16(1).U16(2).I16(-1); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Tag);
        TChunk3DSWriter w;
        size_t childAt = 0;
        w.Chunk(M3DMAGIC, [&] {
            w.Chunk(c.Tag, [&] {
                c.OwnData(w);
                childAt = w.Offset();
                w.Chunk(0x0F0F, [&] { w.U16(1); }).Chunk(0x0F0E);
            });
        });
        TLoaded3DS loaded(w);
        TChunk3DS* chunk = loaded.Top()->Children.get();
        ASSERT_EQ(ChildTags(chunk), (std::vector<uint16_t>{0x0F0F, 0x0F0E}));
        EXPECT_EQ(chunk->Children->Position, childAt);
        EXPECT_EQ(chunk->Children->Size, 8u);
    }
}

TEST(File3DS, ATagWithoutSubChunksKeepsItsWholeBodyAsData)
{
    // The points' bytes happen to read as a chunk header; they stay data.
    TChunk3DSWriter w;
    w.Chunk(M3DMAGIC, [&] { w.Chunk(POINT_ARRAY, [&] { w.U16(1).Chunk(M3D_VERSION, [&] { w.I32(3).U16(0); }); }); });
    TLoaded3DS loaded(w);
    EXPECT_EQ(loaded.Top()->Children->Tag, POINT_ARRAY);
    EXPECT_EQ(loaded.Top()->Children->Children, nullptr);
    EXPECT_EQ(loaded.Find(M3D_VERSION), nullptr);
}

TEST(File3DS, LengthsThatDoNotFitTheirParentOrTheStreamAreInvalidChunks)
{
    struct TCase {
        const char* Name;
        std::function<void(TChunk3DSWriter&)> Corrupt;
    };
    // The sample's first child (M3D_VERSION) starts at 6, its second (MDATA) at 16.
    const TCase cases[] = {
        {"top beyond the stream", [](TChunk3DSWriter& w) { w.PatchU32(2, static_cast<uint32_t>(w.Offset() + 1)); }},
        {"top shorter than a header", [](TChunk3DSWriter& w) { w.PatchU32(2, 5); }},
        {"child beyond its parent", [](TChunk3DSWriter& w) { w.PatchU32(6 + 2, 11); }},
        {"child shorter than a header", [](TChunk3DSWriter& w) { w.PatchU32(6 + 2, 5); }},
        {"child of length 0", [](TChunk3DSWriter& w) { w.PatchU32(16 + 2, 0); }},
        {"stray bytes after the last child", [](TChunk3DSWriter& w) { w.PatchU32(2, static_cast<uint32_t>(w.Offset() - 12)); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TChunk3DSWriter w = SampleMeshFile();
        c.Corrupt(w);
        TFile3DS file;
        auto stream = w.Stream();
        EXPECT_EQ(MessageOf<E3DSError>([&] { file.LoadFromStream(*stream); }), c3DSErrInvalidChunk);
    }
}

TEST(File3DS, OwnDataOrAStringThatRunsPastItsChunkIsAnInvalidChunk)
{
    const std::function<void(TChunk3DSWriter&)> cases[] = {
        [](TChunk3DSWriter& w) { w.Chunk(FOG, [&] { w.Floats({1, 2}); }); },
        [](TChunk3DSWriter& w) { w.Chunk(FACE_ARRAY, [&] { w.U16(2).Face(0, 1, 2); }); },
        [](TChunk3DSWriter& w) { w.Chunk(NAMED_OBJECT, [&] { w.Raw("Box", 3); }).Chunk(0x0F0F, [&] { w.Str("x"); }); },
        [](TChunk3DSWriter& w) { w.Chunk(KFHDR, [&] { w.I16(1).Str("scene"); }); },
        [](TChunk3DSWriter& w) { w.Chunk(NODE_HDR, [&] { w.Str("node").U16(0); }); },
    };
    for (const auto& writeChild : cases) {
        TChunk3DSWriter w;
        w.Chunk(M3DMAGIC, [&] { writeChild(w); });
        TFile3DS file;
        auto stream = w.Stream();
        EXPECT_EQ(MessageOf<E3DSError>([&] { file.LoadFromStream(*stream); }), c3DSErrInvalidChunk);
    }
}

TEST(File3DS, NestingIsLimited)
{
    for (int depth : {cMaxChunkDepth3DS, cMaxChunkDepth3DS + 1}) {
        SCOPED_TRACE(depth);
        TChunk3DSWriter w;
        w.Begin(M3DMAGIC);
        for (int i = 0; i < depth; ++i) w.Begin(MDATA);
        for (int i = 0; i <= depth; ++i) w.End();
        TFile3DS file;
        auto stream = w.Stream();
        EXPECT_EQ(MessageOf<E3DSError>([&] { file.LoadFromStream(*stream); }),
                  depth > cMaxChunkDepth3DS ? c3DSErrInvalidChunk : cNoException);
    }
}

TEST(File3DS, ALongChainOfChunksLoadsAndIsFreedWithoutRecursion)
{
    constexpr int count = 100'000;
    TChunk3DSWriter w;
    w.Chunk(M3DMAGIC, [&] {
        for (int i = 0; i < count; ++i) w.Chunk(USE_FOG);
    });
    auto loaded = std::make_unique<TLoaded3DS>(w);
    int n = 0;
    for (TChunk3DS* c = loaded->Top()->Children.get(); c; c = c->Sibling.get()) ++n;
    EXPECT_EQ(n, count);
    ReleaseChunkTree(loaded->File.Database().TopChunk);
    EXPECT_EQ(loaded->Top(), nullptr);
}

TEST(File3DS, ExtensionEntriesHoldOnlyTheExtensionValuesThatFit)
{
    TChunk3DSWriter w;
    size_t appAt = 0, longAt = 0;
    w.Chunk(M3DMAGIC, [&] {
        w.Chunk(XDATA_SECTION, [&] {
            w.Chunk(XDATA_ENTRY, [&] {
                appAt = w.Offset();
                w.Chunk(XDATA_APPNAME, [&] { w.Str("app"); });
                // Runs past the entry: stepped over, and the reading goes on right after its header.
                w.U16(XDATA_STRING).U32(1000);
                longAt = w.Offset();
                w.Chunk(XDATA_LONG, [&] { w.I32(7); });
                // Another tag ends the entry's list, whatever follows.
                w.Chunk(MAT_NAME, [&] { w.Str("m"); });
                w.Chunk(XDATA_SHORT, [&] { w.I16(1); });
            });
            w.Chunk(XDATA_ENTRY, [&] { w.U16(XDATA_STRING).U16(6); }); // too short for a header: nothing
        });
        w.Chunk(M3D_VERSION, [&] { w.I32(3); });
    });
    std::vector<int32_t> progress;
    auto stream = w.Stream();
    TFile3DS file;
    file.SetOnLoadProgress([&](int32_t pos, int32_t max) { progress.push_back(max ? -max : pos); });
    file.LoadFromStream(*stream);

    TChunk3DS* entry = FindChunkInTree(file.Database().TopChunk.get(), XDATA_ENTRY);
    EXPECT_EQ(ChildTags(entry), (std::vector<uint16_t>{XDATA_APPNAME, XDATA_LONG}));
    EXPECT_EQ(entry->Children->Position, appAt);
    EXPECT_EQ(entry->Children->Sibling->Position, longAt);
    EXPECT_EQ(entry->Sibling->Children, nullptr);
    EXPECT_EQ(file.DatabaseRelease(), rlRelease3); // the tree goes on after the entries

    // (0, size) first, then one position per header of the main tree: the section, the two entries and the
    // version; none for the entries' values.
    const int32_t section = 6;
    const int32_t secondEntry = static_cast<int32_t>(entry->Sibling->Position);
    const int32_t version = static_cast<int32_t>(FindChunkInTree(file.Database().TopChunk.get(), M3D_VERSION)->Position);
    EXPECT_EQ(progress, (std::vector<int32_t>{-static_cast<int32_t>(w.Offset()), section, section + 6, secondEntry,
                                              version}));
    // The entry's data is all its bytes, values included.
    file.ReadChunkData(entry);
    EXPECT_EQ(entry->DataAs<TXDataEntry>()->Size, static_cast<int32_t>(entry->Size - 6));
}

TEST(File3DS, KeyframerNodesGetTheirParentsNamesWithInstanceNames)
{
    // Parent indices refer to the nodes' IDs; without an ID on some node every node is numbered in order.
    struct TCase {
        const char* Name;
        int16_t RootID; // -1: the root node has no NODE_ID
        const char* ChildParentName; // nullptr: no PARENT_NAME
    };
    const TCase cases[] = {
        {"IDs from the file", 0, "Box.b"},
        {"parent index names no ID", 5, nullptr},
        {"renumbered in order", -1, "Box.b"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TChunk3DSWriter w;
        w.Chunk(M3DMAGIC, [&] {
            w.Chunk(KFDATA, [&] {
                w.Chunk(OBJECT_NODE_TAG, [&] {
                    if (c.RootID >= 0) w.Chunk(NODE_ID, [&] { w.I16(c.RootID); });
                    w.Chunk(NODE_HDR, [&] { w.Str("Box").U16(0).U16(0).I16(-1); });
                    w.Chunk(INSTANCE_NAME, [&] { w.Str("b"); });
                });
                w.Chunk(AMBIENT_NODE_TAG); // not part of the hierarchy
                w.Chunk(OBJECT_NODE_TAG, [&] {
                    w.Chunk(NODE_ID, [&] { w.I16(1); });
                    w.Chunk(NODE_HDR, [&] { w.Str("Lid").U16(0).U16(0).I16(0); });
                });
            });
        });
        TLoaded3DS loaded(w);
        TChunk3DS* childNode = loaded.Find(KFDATA)->Children->Sibling->Sibling.get();
        TChunk3DS* header = FindChunkInTree(childNode, NODE_HDR);
        EXPECT_EQ(header->Data, nullptr); // read for the table, freed again
        EXPECT_EQ(FindChunkInTree(loaded.Find(KFDATA)->Children.get(), PARENT_NAME), nullptr);
        TChunk3DS* parentName = FindChunkInTree(header, PARENT_NAME);
        if (!c.ChildParentName) {
            EXPECT_EQ(parentName, nullptr);
            continue;
        }
        ASSERT_NE(parentName, nullptr);
        EXPECT_EQ(header->Children.get(), parentName);
        EXPECT_EQ(*parentName->DataAs<std::string>(), c.ChildParentName);
        // Its data lives only in memory: reading it leaves it alone.
        loaded.File.ReadChunkData(parentName);
        EXPECT_EQ(*parentName->DataAs<std::string>(), c.ChildParentName);
    }

    TLoaded3DS noKeyframer([] {
        TChunk3DSWriter w;
        w.Chunk(M3DMAGIC, [&] { w.Chunk(MDATA); });
        return w;
    }());
    EXPECT_EQ(noKeyframer.Find(PARENT_NAME), nullptr);
}

// ---------------------------------------------------------------------------------------------------------
// Tree helpers

TEST(File3DSTree, OrderedInsertionPutsAChunkBeforeTheFirstOfLowerRankAndAfterItsEquals)
{
    TChunk3DS parent;
    for (uint16_t tag : {MDATA, M3D_VERSION, KFDATA, uint16_t(0x0F0F), AMBIENT_NODE_TAG, LIGHT_NODE_TAG,
                         OBJECT_NODE_TAG, CAMERA_NODE_TAG})
        NewChildChunk(tag, &parent);
    EXPECT_EQ(ChildTags(&parent), (std::vector<uint16_t>{AMBIENT_NODE_TAG, OBJECT_NODE_TAG, CAMERA_NODE_TAG, KFDATA,
                                                         MDATA, M3D_VERSION, 0x0F0F, LIGHT_NODE_TAG}));
    EXPECT_EQ(ChunkOrder3DS(LIGHT_NODE_TAG), 0);
    EXPECT_EQ(ChunkOrder3DS(SPOTLIGHT_NODE_TAG), 34);

    AddChildChunk(&parent, NewChunk());
    EXPECT_EQ(ChildTags(&parent).back(), 0);
}

TEST(File3DSTree, FindingSearchesTheSubtreeInPreOrderOrTheSiblingChain)
{
    TChunk3DSWriter w;
    w.Chunk(M3DMAGIC, [&] {
        w.Chunk(MDATA, [&] { w.Chunk(MAT_ENTRY, [&] { w.Chunk(MAT_NAME, [&] { w.Str("first"); }); }); });
        w.Chunk(MAT_NAME, [&] { w.Str("second"); });
        w.Chunk(MAT_ENTRY);
    });
    TLoaded3DS loaded(w);
    TChunk3DS* mdata = loaded.Top()->Children.get();
    TChunk3DS* deep = FindChunkInTree(loaded.Top(), MAT_NAME);
    EXPECT_EQ(deep, mdata->Children->Children.get());
    EXPECT_EQ(FindChunkInTree(mdata, MDATA), mdata);
    EXPECT_EQ(FindChunkInTree(mdata->Children.get(), KFDATA), nullptr);
    // Never a sibling of the start.
    EXPECT_EQ(FindChunkInTree(mdata->Children->Children.get(), MAT_ENTRY), nullptr);
    EXPECT_EQ(FindChunkInSiblings(mdata, MAT_NAME), mdata->Sibling.get());
    EXPECT_EQ(FindChunkInSiblings(mdata, MDATA), mdata);
    EXPECT_EQ(FindChunkInSiblings(mdata, NAMED_OBJECT), nullptr);
    EXPECT_EQ(FindChunkInTree(nullptr, MDATA), nullptr);
}

TEST(File3DSTree, ACopyTakesTheDataAlongAndTheSourceReadsItAgain)
{
    TLoaded3DS loaded(SampleMeshFile());
    TChunk3DS* object = loaded.Find(NAMED_OBJECT);
    TChunk3DS* points = FindChunkInTree(object, POINT_ARRAY);
    loaded.File.ReadChunkData(object);
    loaded.File.ReadChunkData(points);
    const TChunkData* pointsData = points->Data.get();

    std::unique_ptr<TChunk3DS> copy = CopyChunkTree(object);
    EXPECT_EQ(copy->Sibling, nullptr); // the chunk and its subtree, not its siblings
    EXPECT_EQ(*copy->DataAs<std::string>(), "Box");
    TChunk3DS* copiedPoints = FindChunkInTree(copy.get(), POINT_ARRAY);
    EXPECT_EQ(copiedPoints->Data.get(), pointsData);
    EXPECT_EQ(copiedPoints->Position, points->Position);
    EXPECT_EQ(copiedPoints->Size, points->Size);
    EXPECT_EQ(ChildTags(FindChunkInTree(copy.get(), FACE_ARRAY)), (std::vector<uint16_t>{MSH_MAT_GROUP, SMOOTH_GROUP}));
    EXPECT_EQ(points->Data, nullptr);
    loaded.File.ReadChunkData(points);
    EXPECT_EQ(points->DataAs<TPointArray>()->PointList[1].X, 1.0f);

    EXPECT_EQ(MessageOf<E3DSError>([] { CopyChunkTree(nullptr); }), c3DSErrInvalidArgument);
}

// ---------------------------------------------------------------------------------------------------------
// Chunk data

TEST(File3DSChunkData, AChunkIsReadOnceUntilItsDataIsFreed)
{
    TChunk3DSWriter w;
    w.Chunk(M3DMAGIC, [&] { w.Chunk(MASTER_SCALE, [&] { w.F32(2); }); });
    TLoaded3DS loaded(w);
    TChunk3DS* scale = loaded.Find(MASTER_SCALE);
    loaded.File.ReadChunkData(scale);
    const float changed = 5;
    std::memcpy(loaded.Stream->Memory() + scale->Position + 6, &changed, 4);
    loaded.File.ReadChunkData(scale);
    EXPECT_EQ(*scale->DataAs<float>(), 2.0f);
    FreeChunkData(scale);
    EXPECT_EQ(scale->Data, nullptr);
    loaded.File.ReadChunkData(scale);
    EXPECT_EQ(*scale->DataAs<float>(), 5.0f);
    EXPECT_EQ(scale->DataAs<int32_t>(), nullptr); // another record type is not there
}

TEST(File3DSChunkData, MeshChunksDecodeTheirArrays)
{
    TLoaded3DS loaded(SampleMeshFile());
    const TPointArray& points = loaded.Data<TPointArray>(POINT_ARRAY);
    ASSERT_EQ(points.PointList.size(), 3u);
    EXPECT_EQ(points.PointList[2].Y, 1.0f);
    const TTexVerts& texVerts = loaded.Data<TTexVerts>(TEX_VERTS);
    EXPECT_EQ(texVerts.NumCoords, 3);
    EXPECT_EQ(texVerts.TextVertList[1].U, 1.0f);
    const TFaceArray& faces = loaded.Data<TFaceArray>(FACE_ARRAY);
    ASSERT_EQ(faces.Faces, 1);
    EXPECT_EQ(faces.FaceList[0].V3, 2);
    EXPECT_EQ(faces.FaceList[0].Flag, 7);
    const TMshMatGroup& group = loaded.Data<TMshMatGroup>(MSH_MAT_GROUP);
    EXPECT_EQ(group.MatNameStr, "Red");
    EXPECT_EQ(group.FaceList, std::vector<uint16_t>{0});
    EXPECT_EQ(loaded.Data<TMeshMatrix>(MESH_MATRIX)[4], 1.0f);
    EXPECT_EQ(loaded.Data<std::string>(NAMED_OBJECT), "Box");
    EXPECT_EQ(loaded.Data<TColor24>(COLOR_24).Red, 255);
    EXPECT_EQ(loaded.Data<TPoint3DS>(N_DIRECT_LIGHT).Z, 3.0f);
    EXPECT_EQ(loaded.Data<TKFHdr>(KFHDR).Filename, "scene");
    EXPECT_EQ(loaded.Data<TKFHdr>(KFHDR).AnimLength, 30);
    EXPECT_EQ(loaded.Data<TNodeHdr>(NODE_HDR).ParentIndex, -1);
}

TEST(File3DSChunkData, ASmoothingChunkHoldsOneMaskPerFourBytes)
{
    TChunk3DSWriter w;
    w.Chunk(M3DMAGIC, [&] {
        w.Chunk(SMOOTH_GROUP, [&] {
            for (uint32_t mask : {1u, 2u, 4u, 8u, 0x80000000u}) w.U32(mask);
        });
    });
    TLoaded3DS loaded(w);
    EXPECT_EQ(loaded.Find(SMOOTH_GROUP)->Size, 26u);
    const TSmoothGroup& smooth = loaded.Data<TSmoothGroup>(SMOOTH_GROUP);
    EXPECT_EQ(smooth.Groups, 5);
    EXPECT_EQ(smooth.GroupList, (std::vector<uint32_t>{1, 2, 4, 8, 0x80000000u}));
}

TEST(File3DSChunkData, KeyHeadersHoldTheValuesTheirFlagsAnnounce)
{
    TKeyHeader3DS tensionAndBias{10, 0x05, 0.25f, 0, 0.75f};
    TKeyHeader3DS all{20, 0x1F, 1, 2, 3, 4, 5};
    TKeyHeader3DS none{30, 0};
    TChunk3DSWriter w;
    w.Chunk(M3DMAGIC, [&] {
        w.Chunk(POS_TRACK_TAG, [&] {
            w.TrackHeader(3, 3);
            w.KeyHeader(tensionAndBias).Point(1, 1, 1);
            w.KeyHeader(all).Point(2, 2, 2);
            w.KeyHeader(none).Point(3, 3, 3);
        });
        w.Chunk(MORPH_TRACK_TAG, [&] { w.TrackHeader(0, 2).KeyHeader(none).Str("A").KeyHeader(all).Str("Bee"); });
        w.Chunk(HIDE_TRACK_TAG, [&] { w.TrackHeader(0, 2).KeyHeader(none).KeyHeader(tensionAndBias); });
    });
    TLoaded3DS loaded(w);
    const TPosTrackTag& track = loaded.Data<TPosTrackTag>(POS_TRACK_TAG);
    EXPECT_EQ(track.TrackHdr.Flags, 3);
    EXPECT_EQ(track.TrackHdr.KeyCount, 3);
    ASSERT_EQ(track.KeyHdrList.size(), 3u);
    const TKeyHeader3DS& first = track.KeyHdrList[0];
    EXPECT_EQ(first.Time, 10);
    EXPECT_EQ(std::vector<float>({first.Tension, first.Continuity, first.Bias, first.EaseTo, first.EaseFrom}),
              std::vector<float>({0.25f, 0, 0.75f, 0, 0}));
    EXPECT_EQ(track.KeyHdrList[1].EaseFrom, 5.0f);
    EXPECT_EQ(track.KeyHdrList[2].Time, 30);
    ASSERT_EQ(track.PositionList.size(), 3u);
    EXPECT_EQ(track.PositionList[2].X, 3.0f);
    EXPECT_EQ(loaded.Data<TMorphTrackTag>(MORPH_TRACK_TAG).MorphList, (std::vector<std::string>{"A", "Bee"}));
    EXPECT_EQ(loaded.Data<THideTrackTag>(HIDE_TRACK_TAG).KeyHdrList[1].Bias, 0.75f);
}

TEST(File3DSChunkData, ViewsStoreTheWidthBeforeTheTargetPoint)
{
    TChunk3DSWriter w;
    w.Chunk(M3DMAGIC, [&] {
        w.Chunk(DEFAULT_VIEW, [&] {
            w.Chunk(VIEW_TOP, [&] { w.F32(100).Point(1, 2, 3); });
            w.Chunk(VIEW_USER, [&] { w.Floats({50, 10, 20, 30}).Point(4, 5, 6); });
        });
    });
    TLoaded3DS loaded(w);
    const TViewStandard& top = loaded.Data<TViewStandard>(VIEW_TOP);
    EXPECT_EQ(top.ViewWidth, 100.0f);
    EXPECT_EQ(top.ViewTargetCoord.Z, 3.0f);
    const TViewUser& user = loaded.Data<TViewUser>(VIEW_USER);
    EXPECT_EQ(std::vector<float>({user.ViewWidth, user.XYViewangle, user.YZViewangle, user.BankAngle}),
              std::vector<float>({50, 10, 20, 30}));
    EXPECT_EQ(user.ViewTargetCoord.X, 4.0f);
}

TEST(File3DSChunkData, FlagsAndContainersHaveNoDataAndUnknownTagsKeepTheirBytes)
{
    TChunk3DSWriter w;
    w.Chunk(M3DMAGIC, [&] {
        w.Chunk(USE_FOG);
        w.Chunk(OBJ_HIDDEN);
        w.Chunk(0x0F0F, [&] { w.U8(1).U8(2).U8(3); });
        w.Chunk(MDATA, [&] { w.Chunk(MESH_VERSION, [&] { w.I32(3); }); });
    });
    TLoaded3DS loaded(w);
    for (uint16_t tag : {USE_FOG, OBJ_HIDDEN, MDATA}) {
        loaded.File.ReadChunkData(loaded.Find(tag));
        EXPECT_EQ(loaded.Find(tag)->Data, nullptr) << tag;
    }
    const TIpasData& raw = loaded.Data<TIpasData>(0x0F0F);
    EXPECT_EQ(raw.Size, 3);
    EXPECT_EQ(raw.Data, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(File3DSChunkData, AnEmptyBlockIsMadeForTheTagsRecord)
{
    TChunk3DS chunk;
    struct TCase {
        uint16_t Tag;
        uint32_t Size;
        bool HasBlock;
    };
    for (const TCase& c : {TCase{POINT_ARRAY, 100, true}, TCase{MAT_NAME, 100, false}, TCase{MDATA, 100, false},
                           TCase{0x0F0F, 6, false}, TCase{0x0F0F, 9, true}}) {
        chunk.Tag = c.Tag;
        chunk.Size = c.Size;
        EXPECT_EQ(TFile3DS::InitChunkData(&chunk) != nullptr, c.HasBlock) << c.Tag;
        EXPECT_EQ(chunk.Data.get(), TFile3DS::InitChunkData(&chunk));
    }
    EXPECT_EQ(chunk.DataAs<TIpasData>()->Data, (std::vector<uint8_t>{0, 0, 0}));
    chunk.Tag = POINT_ARRAY;
    TFile3DS::InitChunkData(&chunk);
    EXPECT_EQ(chunk.DataAs<TPointArray>()->Vertices, 0);
}

TEST(File3DSChunkData, ACountBeyondItsChunkIsAnInvalidChunk)
{
    struct TCase {
        uint16_t Tag;
        std::function<void(TChunk3DSWriter&)> Body;
    };
    const TCase cases[] = {
        {POINT_ARRAY, [](TChunk3DSWriter& w) { w.U16(2).Point(0, 0, 0); }},
        {POINT_FLAG_ARRAY, [](TChunk3DSWriter& w) { w.U16(3).U16(0).U16(0); }},
        {TEX_VERTS, [](TChunk3DSWriter& w) { w.U16(0xFFFF).Floats({0, 0}); }},
        {MSH_MAT_GROUP, [](TChunk3DSWriter& w) { w.Str("m").U16(2).U16(0); }},
        {MSH_MAT_GROUP, [](TChunk3DSWriter& w) { w.Raw("no end", 6); }},
        {MSH_BOXMAP, [](TChunk3DSWriter& w) { w.Str("a").Str("b"); }},
        {DL_EXCLUDE, [](TChunk3DSWriter& w) { w.Raw("no end", 6); }},
        {VIEWPORT_DATA, [](TChunk3DSWriter& w) { w.U16(0); }},
        {POS_TRACK_TAG, [](TChunk3DSWriter& w) { w.TrackHeader(0, 2).KeyHeader({}).Point(0, 0, 0); }},
        {POS_TRACK_TAG, [](TChunk3DSWriter& w) { w.TrackHeader(0, 0xFFFFFFFF); }},
        {POS_TRACK_TAG, [](TChunk3DSWriter& w) { w.TrackHeader(0, 0x7FFFFFFF); }},
        {ROT_TRACK_TAG, [](TChunk3DSWriter& w) { w.TrackHeader(0, 1).KeyHeader({0, 0x1F}).Floats({0, 0, 0}); }},
        {MORPH_TRACK_TAG, [](TChunk3DSWriter& w) { w.TrackHeader(0, 1).KeyHeader({}).Raw("x", 1); }},
        {HIDE_TRACK_TAG, [](TChunk3DSWriter& w) { w.TrackHeader(0, 2).KeyHeader({}); }},
        {MESH_TEXTURE_INFO, [](TChunk3DSWriter& w) { w.U16(0).Floats({1, 1}); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Tag);
        TChunk3DSWriter w;
        // The next chunk's bytes lie right behind: reading must stop at the chunk's own end.
        w.Chunk(M3DMAGIC, [&] {
            w.Chunk(c.Tag, [&] { c.Body(w); });
            w.Chunk(0x0F0F, [&] { w.Raw(std::string(64, '\0').data(), 64); });
        });
        TLoaded3DS loaded(w);
        TChunk3DS* chunk = loaded.Top()->Children.get();
        EXPECT_EQ(MessageOf<E3DSError>([&] { loaded.File.ReadChunkData(chunk); }), c3DSErrInvalidChunk);
        EXPECT_EQ(chunk->Data, nullptr);
    }
}

TEST(File3DSChunkData, SmoothingMasksBeyondTheFaceCountAreAnInvalidChunk)
{
    TChunk3DSWriter w;
    w.Chunk(M3DMAGIC, [&] {
        w.Chunk(SMOOTH_GROUP, [&] {
            const std::vector<uint8_t> masks(4 * 65536, 0);
            w.Raw(masks.data(), masks.size());
        });
    });
    TLoaded3DS loaded(w);
    EXPECT_EQ(MessageOf<E3DSError>([&] { loaded.File.ReadChunkData(loaded.Find(SMOOTH_GROUP)); }), c3DSErrInvalidChunk);
}

TEST(File3DSChunkData, PrimitivesReadLittleEndianValuesAndLongStrings)
{
    TChunk3DSWriter w;
    const std::string longName(1000, 'n');
    w.U8(0xAB).I16(-2).U16(0xFFFE).I32(-3).U32(0xFFFFFFFD).F32(1.5f).Str(longName).Str("");
    const double d = -0.125;
    w.Raw(&d, 8);
    auto stream = w.Stream();
    TFile3DS file;
    file.LoadFromStream(*stream); // another kind of file: the stream is kept anyway
    stream->SetPosition(0);
    EXPECT_EQ(file.ReadByte(), 0xAB);
    EXPECT_EQ(file.ReadShort(), -2);
    EXPECT_EQ(file.ReadWord(), 0xFFFE);
    EXPECT_EQ(file.ReadInteger(), -3);
    EXPECT_EQ(file.ReadCardinal(), 0xFFFFFFFDu);
    EXPECT_EQ(file.ReadSingle(), 1.5f);
    EXPECT_EQ(file.ReadString(), longName);
    EXPECT_EQ(file.ReadString(), "");
    EXPECT_EQ(file.ReadDouble(), -0.125);
    EXPECT_EQ(file.BytesLeft(), 0);
    EXPECT_EQ(MessageOf<E3DSError>([&] { file.ReadByte(); }), c3DSErrInvalidChunk);

    TFile3DS empty;
    EXPECT_EQ(MessageOf<E3DSError>([&] { empty.ReadByte(); }), c3DSErrNoDatabase);
}

namespace {

// The bytes of a memory stream.
std::vector<uint8_t> BytesOf(TMemoryStream& stream)
{
    const auto* first = static_cast<const uint8_t*>(stream.Memory());
    return std::vector<uint8_t>(first, first + stream.Size());
}

} // namespace

TEST(File3DSWriting, ThePrimitivesWriteWhatTheReadsRead)
{
    // Written over a stream of another kind of file, whose first bytes then make no 3DS tag either.
    auto stream = TChunk3DSWriter().Chunk(0x0001).Stream();
    TFile3DS file;
    file.LoadFromStream(*stream);
    stream->SetPosition(0);
    const TKeyHeader3DS key{7, 0x15, 0.5f, 0, 0.25f, 0, 2};
    file.WriteByte(0xAB);
    file.WriteShort(-2);
    file.WriteWord(0xFFFE);
    file.WriteInteger(-3);
    file.WriteCardinal(0xFFFFFFFD);
    file.WriteSingle(1.5f);
    file.WriteDouble(-0.125);
    file.WriteString("name");
    file.WriteFixedString("ab", 5);
    file.WriteFixedString("long", 2);
    file.WriteData(4, nullptr);
    file.WritePoint({1, 2, 3});
    file.WriteTexVertex({0.5f, 0.75f});
    file.WriteFace({1, 2, 3, 7});
    file.WriteTrackHeader({0x40, 0, 0, 9});
    file.WriteKeyHeader(key);
    file.WriteKeyHeader({8, 0, 1, 1, 1, 1, 1});

    TChunk3DSWriter expected;
    expected.U8(0xAB).I16(-2).U16(0xFFFE).I32(-3).U32(0xFFFFFFFD).F32(1.5f);
    const double d = -0.125;
    expected.Raw(&d, 8).Str("name").Str("ab").U8(0).U8(0).Str("long").Point(1, 2, 3).Floats({0.5f, 0.75f});
    expected.Face(1, 2, 3, 7).TrackHeader(0x40, 9).KeyHeader(key).U32(8).U16(0);
    EXPECT_EQ(BytesOf(*stream), expected.Bytes());

    TFile3DS reader;
    reader.LoadFromStream(*stream);
    stream->SetPosition(0);
    EXPECT_EQ(reader.ReadByte(), 0xAB);
    EXPECT_EQ(reader.ReadShort(), -2);
    EXPECT_EQ(reader.ReadWord(), 0xFFFE);
    EXPECT_EQ(reader.ReadInteger(), -3);
    EXPECT_EQ(reader.ReadCardinal(), 0xFFFFFFFDu);
    EXPECT_EQ(reader.ReadSingle(), 1.5f);
    EXPECT_EQ(reader.ReadDouble(), -0.125);
    for (const char* text : {"name", "ab", "", "", "long"}) EXPECT_EQ(reader.ReadString(), text);
    EXPECT_EQ(reader.ReadPoint().Z, 3);
    EXPECT_EQ(reader.ReadTexVert().V, 0.75f);
    EXPECT_EQ(reader.ReadFace().Flag, 7);
    EXPECT_EQ(reader.ReadTrackHeader().KeyCount, 9);
    const TKeyHeader3DS read = reader.ReadKeyHeader();
    EXPECT_EQ(std::vector<float>({read.Tension, read.Continuity, read.Bias, read.EaseTo, read.EaseFrom}),
              std::vector<float>({0.5f, 0, 0.25f, 0, 2}));
    EXPECT_EQ(reader.ReadKeyHeader().Time, 8);
    EXPECT_EQ(reader.BytesLeft(), 0);
}

TEST(File3DSWriting, FinishedHeadersMakeAFileThatLoadsAsItsTree)
{
    auto stream = TChunk3DSWriter().Chunk(0x0001).Stream();
    TFile3DS file;
    file.LoadFromStream(*stream);
    stream->SetPosition(0);
    // Each chunk's header is written with a length of 0 and finished when its end is known.
    const auto chunk = [&](uint16_t tag, const std::function<void()>& body) {
        const int64_t start = stream->Position();
        file.WriteHeader(tag, 0);
        body();
        file.FinishHeader(start, stream->Position());
    };
    chunk(M3DMAGIC, [&] {
        chunk(M3D_VERSION, [&] { file.WriteInteger(3); });
        chunk(MDATA, [&] {
            chunk(NAMED_OBJECT, [&] {
                file.WriteString("Box");
                chunk(N_TRI_OBJECT, [&] {
                    chunk(POINT_ARRAY, [&] {
                        file.WriteWord(1);
                        file.WritePoint({4, 5, 6});
                    });
                });
            });
        });
    });
    TChunk3DSWriter expected;
    expected.Chunk(M3DMAGIC, [&] {
        expected.Chunk(M3D_VERSION, [&] { expected.I32(3); });
        expected.Chunk(MDATA, [&] {
            expected.Chunk(NAMED_OBJECT, [&] {
                expected.Str("Box");
                expected.Chunk(N_TRI_OBJECT, [&] { expected.Chunk(POINT_ARRAY, [&] { expected.U16(1).Point(4, 5, 6); }); });
            });
        });
    });
    EXPECT_EQ(BytesOf(*stream), expected.Bytes());
    TFile3DS reader;
    reader.LoadFromStream(*stream);
    EXPECT_EQ(reader.DatabaseRelease(), rlRelease3);
    EXPECT_EQ(reader.Objects().Mesh(0)->NameStr, "Box");
    EXPECT_EQ(reader.Objects().Mesh(0)->VertexArray.at(0).Y, 5);

    // A chunk that would end inside its own header, or hold more than a length can say, is refused.
    for (const auto& [startPos, endPos] : {std::pair<int64_t, int64_t>{10, 15}, {10, 2}, {0, int64_t{1} << 33}})
        EXPECT_EQ(MessageOf<E3DSError>([&] { file.FinishHeader(startPos, endPos); }), c3DSErrInvalidArgument);
}

TEST(File3DS, EveryTruncationOfAFileLoadsCleanlyOrRaisesTheFilesError)
{
    const std::vector<uint8_t> whole = SampleMeshFile().Bytes();
    int loads = 0;
    // Each prefix as it is, and with the top chunk's length cut to it so that the cut falls inside the tree.
    for (bool fitTop : {false, true})
        for (size_t size = 0; size <= whole.size(); ++size) {
            SCOPED_TRACE(testing::Message() << size << (fitTop ? " fitted" : ""));
            std::vector<uint8_t> bytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(size));
            if (fitTop && size >= 6) std::memcpy(bytes.data() + 2, &size, 4);
            auto stream = TChunk3DSWriter::StreamOf(bytes);
            TFile3DS file;
            const std::string loading = MessageOf<E3DSError>([&] { file.LoadFromStream(*stream); });
            if (loading != cNoException) {
                EXPECT_EQ(loading, c3DSErrInvalidChunk);
                continue;
            }
            ++loads;
            const std::string reading = MessageOf<E3DSError>([&] { ReadEveryChunk(file, file.Database().TopChunk.get()); });
            EXPECT_TRUE(reading == cNoException || reading == c3DSErrInvalidChunk) << reading;
        }
    EXPECT_GT(loads, 2); // the whole file, and prefixes that end between chunks
}

TEST(File3DS, ErrorsCarryTheirTexts)
{
    EXPECT_EQ(MessageOf<E3DSError>([] { Raise3DSErrorFmt(c3DSErrInvalidIndex, {7}); }), "Invalid index 7.");
    EXPECT_EQ(MessageOf<E3DSError>([] { Raise3DSError(c3DSErrWrongDatabase); }),
              "The database passed as an argument is the wrong kind of\rdatabase for this function.");
    EXPECT_EQ(std::count(c3DSErrInvalidChunk.begin(), c3DSErrInvalidChunk.end(), '\r'), 1);
}
