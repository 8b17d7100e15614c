// Face groups: the triangles every kind hands out in every mode (zero-filled where a list is missing or an index
// names nothing), strip and fan conversion, the archives byte for byte, sorting by material, and drawing
// through the recording fake OpenGL.
#include "GLVectorFileObjects.h"

#include "../scene/RecordingDrawFixture.h"
#include "GLContext.h"
#include "GLMaterial.h"
#include "Raises.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Vertex i is (i, 10 i, 100 i): a corner's X tells which vertex it is.
TVector3f V(float i)
{
    return TVector3f{{{i, 10 * i, 100 * i}}};
}

std::vector<float> Xs(const TAffineVectorList& list)
{
    std::vector<float> result;
    for (int32_t i = 0; i < list.Count(); ++i) result.push_back(list.List()[i].X);
    return result;
}

std::vector<int32_t> Ints(const TIntegerList& list)
{
    return std::vector<int32_t>(list.List(), list.List() + list.Count());
}

// A face-group mesh object with n vertices; normals and texture coordinates on request, each entry k being
// V(k) scaled so the lists can be told apart.
std::unique_ptr<TGLMeshObject> MeshObject(int32_t n, bool normals = false, bool texCoords = false)
{
    auto meshObject = std::make_unique<TGLMeshObject>();
    meshObject->SetMode(momFaceGroups);
    for (int32_t i = 0; i < n; ++i) {
        meshObject->Vertices()->Add(V(float(i)));
        if (normals) meshObject->Normals()->Add(V(float(1000 + i)));
        if (texCoords) meshObject->TexCoords()->Add(V(float(2000 + i)));
    }
    return meshObject;
}

template <class TGroup> TGroup* AddGroup(TGLMeshObject& meshObject, TGLFaceGroupMeshMode mode,
                                         std::initializer_list<int32_t> indices)
{
    auto* group = new TGroup(meshObject.FaceGroups());
    group->SetMode(mode);
    for (const int32_t index : indices) group->TFGVertexIndexList::Add(index);
    return group;
}

struct TExtracted {
    TAffineVectorList Positions, TexCoords, Normals;
};

// Extracts after one entry already in each list, which must stay first.
void Extract(TGLFaceGroup& group, TExtracted& out)
{
    for (TAffineVectorList* list : {&out.Positions, &out.TexCoords, &out.Normals}) list->Add(V(-1));
    group.AddToTriangles(&out.Positions, &out.TexCoords, &out.Normals);
}

// An archive written value by value.
template <class F> std::string Archive(F&& write)
{
    TStringStream stream;
    TBinaryWriter writer(&stream);
    write(writer);
    return stream.DataString();
}

// The archive of an index-list group: the face-group part, then its own.
void WriteIndexList(TVirtualWriter& writer, int32_t groupVersion, const std::string& material, int32_t lightMap,
                    std::initializer_list<int32_t> indices, int32_t mode)
{
    writer.WriteInteger(groupVersion);
    writer.WriteString(material);
    if (groupVersion == 1) writer.WriteInteger(lightMap);
    writer.WriteInteger(0);
    TIntegerList list;
    list.AddIntegers(indices);
    list.WriteToFiler(&writer);
    writer.WriteInteger(mode);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Triangles

TEST(FaceGroupTriangles, EveryModeGivesItsCornersAfterTheListsOldEntries)
{
    struct TCase {
        TGLFaceGroupMeshMode Mode;
        int32_t Count;
        int32_t Triangles;
        std::vector<float> Corners;
    };
    const TCase cases[] = {
        {fgmmTriangles, 7, 2, {0, 1, 2, 3, 4, 5}},
        {fgmmFlatTriangles, 6, 2, {0, 1, 2, 3, 4, 5}},
        {fgmmTriangleStrip, 5, 3, {0, 1, 2, 3, 2, 1, 2, 3, 4}},
        {fgmmTriangleFan, 5, 3, {0, 1, 2, 0, 2, 3, 0, 3, 4}},
        // Quads count two triangles per pair of indices, but only whole quads give corners: the two spare
        // indices of the last count one more triangle and add nothing.
        {fgmmQuads, 8, 4, {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}},
        {fgmmQuads, 10, 5, {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}},
        {fgmmTriangleStrip, 2, 0, {}},
        {fgmmTriangleFan, 1, 0, {}},
        {fgmmQuads, 3, 1, {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.Mode << ", " << c.Count << " indices");
        auto meshObject = MeshObject(12, true, true);
        auto* group = AddGroup<TFGVertexIndexList>(*meshObject, c.Mode, {});
        // Indices 10 - k, so a corner's X reads back through them.
        for (int32_t k = 0; k < c.Count; ++k) group->Add(10 - k);
        EXPECT_EQ(group->TriangleCount(), c.Triangles);
        TExtracted out;
        Extract(*group, out);
        std::vector<float> positions{-1};
        for (const float p : c.Corners) positions.push_back(10 - p);
        EXPECT_EQ(Xs(out.Positions), positions);
        ASSERT_EQ(out.Normals.Count(), out.Positions.Count());
        ASSERT_EQ(out.TexCoords.Count(), out.Positions.Count());
        for (int32_t i = 1; i < out.Positions.Count(); ++i) {
            EXPECT_EQ(out.Normals.List()[i].X, 1000 + out.Positions.List()[i].X);
            EXPECT_EQ(out.TexCoords.List()[i].X, 2000 + out.Positions.List()[i].X);
        }
    }
}

TEST(FaceGroupTriangles, MissingListsAndBadIndicesGiveZeroCornersSoTheListsStayParallel)
{
    // No normals or texture coordinates at all, and an index past the vertices and a negative one.
    auto meshObject = MeshObject(4);
    auto* group = AddGroup<TFGVertexIndexList>(*meshObject, fgmmTriangles, {1, 2, 3, 3, 9, -5});
    TExtracted out;
    for (int i = 0; i < 5; ++i) out.TexCoords.Add(V(7));
    Extract(*group, out);
    EXPECT_EQ(Xs(out.Positions), (std::vector<float>{-1, 1, 2, 3, 3, 0, 0}));
    EXPECT_EQ(out.Positions.List()[5].Y, 0.0f);
    EXPECT_EQ(out.Normals.Count(), 7);
    ASSERT_EQ(out.TexCoords.Count(), 12) << "the six entries already there, then one zero per corner";
    for (int32_t i = 6; i < 12; ++i) EXPECT_EQ(out.TexCoords.List()[i].X, 0.0f);

    // Without a list to fill nothing is appended to it, and the others are still filled.
    TAffineVectorList positions;
    group->AddToTriangles(&positions, nullptr, nullptr);
    EXPECT_EQ(positions.Count(), 6);
}

TEST(FaceGroupTriangles, SeparateIndicesReachNormalsAndTexCoordsAndAnEmptyListLetsTheVertexIndicesServe)
{
    auto meshObject = MeshObject(6, true, true);
    auto* group = AddGroup<TFGVertexNormalTexIndexList>(*meshObject, fgmmTriangleFan, {});
    group->Add(0, 5, 3);
    group->Add(1, 4, 2);
    group->Add(2, 3, 1);
    group->Add(3, 2, 0);
    TExtracted out;
    Extract(*group, out);
    EXPECT_EQ(Xs(out.Positions), (std::vector<float>{-1, 0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(Xs(out.Normals), (std::vector<float>{-1, 1005, 1004, 1003, 1005, 1003, 1002}));
    EXPECT_EQ(Xs(out.TexCoords), (std::vector<float>{-1, 2003, 2002, 2001, 2003, 2001, 2000}));

    group->TexCoordIndices()->Clear();
    TAffineVectorList texCoords;
    group->AddToTriangles(nullptr, &texCoords, nullptr);
    EXPECT_EQ(Xs(texCoords), (std::vector<float>{2000, 2001, 2002, 2000, 2002, 2003}));
}

TEST(FaceGroupTriangles, OwnTexCoordsFollowTheCornersByPositionInEveryModeQuadsIncluded)
{
    for (const TGLFaceGroupMeshMode mode : {fgmmTriangleStrip, fgmmQuads}) {
        SCOPED_TRACE(mode);
        auto meshObject = MeshObject(8, true);
        auto* group = AddGroup<TFGIndexTexCoordList>(*meshObject, mode, {});
        for (int32_t k = 0; k < 4; ++k) group->Add(7 - k, float(k) / 8, 0.5f);
        TExtracted out;
        Extract(*group, out);
        const std::vector<float> positions =
            mode == fgmmQuads ? std::vector<float>{-1, 7, 6, 5, 7, 5, 4} : std::vector<float>{-1, 7, 6, 5, 4, 5, 6};
        EXPECT_EQ(Xs(out.Positions), positions);
        ASSERT_EQ(out.TexCoords.Count(), 7);
        ASSERT_EQ(out.Normals.Count(), 7);
        for (int32_t i = 1; i < 7; ++i) {
            EXPECT_EQ(out.TexCoords.List()[i].X, (7 - out.Positions.List()[i].X) / 8);
            EXPECT_EQ(out.TexCoords.List()[i].Y, 0.5f);
            EXPECT_EQ(out.Normals.List()[i].X, 1000 + out.Positions.List()[i].X);
        }
    }
}

TEST(FaceGroupTriangles, GroupsHandOutTheirTrianglesInListOrder)
{
    auto meshObject = MeshObject(6);
    AddGroup<TFGVertexIndexList>(*meshObject, fgmmTriangles, {0, 1, 2});
    AddGroup<TFGVertexIndexList>(*meshObject, fgmmTriangleFan, {3, 4, 5});
    TAffineVectorList positions;
    meshObject->FaceGroups()->AddToTriangles(&positions);
    EXPECT_EQ(Xs(positions), (std::vector<float>{0, 1, 2, 3, 4, 5}));
}

TEST(FaceGroupTriangles, TriangleIndicesForTheConnectivityRefuseQuads)
{
    TFGVertexIndexList group;
    group.SetMode(fgmmTriangleStrip);
    for (const int32_t i : {4, 5, 6, 7}) group.Add(i);
    TIntegerList faces;
    faces.Add(-1);
    EXPECT_TRUE(group.AddTriangleIndices(&faces));
    EXPECT_EQ(Ints(faces), (std::vector<int32_t>{-1, 4, 5, 6, 7, 6, 5}));
    group.SetMode(fgmmQuads);
    EXPECT_FALSE(group.AddTriangleIndices(&faces));
    EXPECT_EQ(faces.Count(), 7);
}

TEST(FaceGroupGeometry, ExtentsAndNormalSkipIndicesOutsideTheVertices)
{
    auto meshObject = MeshObject(4);
    auto* group = AddGroup<TFGVertexIndexList>(*meshObject, fgmmTriangles, {2, 1, 40, -1});
    TVector3f min, max;
    group->GetExtents(min, max);
    EXPECT_EQ(min.Y, 10.0f);
    EXPECT_EQ(max.Z, 200.0f);
    meshObject->Vertices()->Put(1, TVector3f{{{1, 0, 0}}});
    meshObject->Vertices()->Put(2, TVector3f{{{0, 1, 0}}});
    meshObject->Vertices()->Put(0, TVector3f{{{0, 0, 0}}});
    group->VertexIndices()->Put(2, 0);
    // (b - a) x (c - a) with a = (0, 1, 0), b = (1, 0, 0), c = (0, 0, 0).
    EXPECT_EQ(group->GetNormal().Z, -1.0f);
    group->VertexIndices()->Put(2, 4);
    EXPECT_EQ(group->GetNormal().Z, 0.0f) << "a corner outside the vertices: no normal";

    TFGVertexIndexList empty;
    empty.GetExtents(min, max);
    EXPECT_TRUE(std::isinf(min.X) && min.X > 0 && std::isinf(max.Z) && max.Z < 0);
}

// ---------------------------------------------------------------------------------------------------------
// Conversion and reversal

TEST(FaceGroupConversion, StripsAndFansBecomeTheirTrianglesOtherGroupsStay)
{
    struct TCase {
        TGLFaceGroupMeshMode Mode;
        std::vector<int32_t> Indices;
        TGLFaceGroupMeshMode After;
        std::vector<int32_t> Converted;
    };
    const TCase cases[] = {
        {fgmmTriangleFan, {0, 1, 2, 3, 4}, fgmmTriangles, {0, 1, 2, 0, 2, 3, 0, 3, 4}},
        {fgmmTriangleStrip, {0, 1, 2, 3, 4}, fgmmTriangles, {0, 1, 2, 3, 2, 1, 2, 3, 4}},
        {fgmmTriangleStrip, {0, 1}, fgmmTriangleStrip, {0, 1}},
        {fgmmQuads, {0, 1, 2, 3}, fgmmQuads, {0, 1, 2, 3}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Mode);
        auto meshObject = MeshObject(5);
        auto* group = AddGroup<TFGVertexIndexList>(*meshObject, c.Mode, {});
        group->VertexIndices()->AddIntegers(c.Indices.data(), int32_t(c.Indices.size()));
        TAffineVectorList before;
        group->AddToTriangles(&before);
        group->ConvertToList();
        EXPECT_EQ(group->Mode(), c.After);
        EXPECT_EQ(Ints(*group->VertexIndices()), c.Converted);
        TAffineVectorList after;
        group->AddToTriangles(&after);
        EXPECT_EQ(Xs(after), Xs(before)) << "the same triangles";
    }
}

TEST(FaceGroupConversion, ConvertingAndReversingKeepTheParallelListsInStep)
{
    auto meshObject = MeshObject(4, true, true);
    auto* separate = AddGroup<TFGVertexNormalTexIndexList>(*meshObject, fgmmTriangleStrip, {});
    auto* own = AddGroup<TFGIndexTexCoordList>(*meshObject, fgmmTriangleFan, {});
    for (int32_t k = 0; k < 4; ++k) {
        separate->Add(k, 3 - k, k);
        own->Add(k, float(k), 0);
    }
    separate->TexCoordIndices()->Clear(); // the vertex indices serve
    TExtracted before[2];
    Extract(*separate, before[0]);
    Extract(*own, before[1]);
    separate->ConvertToList();
    own->ConvertToList();
    EXPECT_EQ(separate->NormalIndices()->Count(), 6);
    EXPECT_EQ(separate->TexCoordIndices()->Count(), 0);
    EXPECT_EQ(own->TexCoords()->Count(), 6);
    TExtracted after[2];
    Extract(*separate, after[0]);
    Extract(*own, after[1]);
    for (int g = 0; g < 2; ++g) {
        EXPECT_EQ(Xs(after[g].Positions), Xs(before[g].Positions));
        EXPECT_EQ(Xs(after[g].Normals), Xs(before[g].Normals));
        EXPECT_EQ(Xs(after[g].TexCoords), Xs(before[g].TexCoords));
    }

    // Reversed, vertex k keeps its own normal and coordinate.
    separate->Reverse();
    own->Reverse();
    EXPECT_EQ(Ints(*separate->VertexIndices()), (std::vector<int32_t>{1, 2, 3, 2, 1, 0}));
    TExtracted reversed[2];
    Extract(*separate, reversed[0]);
    Extract(*own, reversed[1]);
    for (int g = 0; g < 2; ++g)
        for (int32_t i = 1; i < reversed[g].Positions.Count(); ++i) {
            const float vertex = reversed[g].Positions.List()[i].X;
            EXPECT_EQ(reversed[g].Normals.List()[i].X, g == 0 ? 1003 - vertex : 1000 + vertex);
            EXPECT_EQ(reversed[g].TexCoords.List()[i].X, g == 0 ? 2000 + vertex : vertex);
        }
}

// ---------------------------------------------------------------------------------------------------------
// Archives

TEST(FaceGroupArchive, TheLightmapIndexDecidesTheVersion)
{
    TFGVertexIndexList group;
    group.SetMaterialName("wall");
    group.SetMode(fgmmTriangleFan);
    for (const int32_t i : {3, 4, 5}) group.Add(i);
    EXPECT_EQ(group.SaveToString(),
              Archive([](TVirtualWriter& w) { WriteIndexList(w, 0, "wall", -1, {3, 4, 5}, fgmmTriangleFan); }));
    group.SetLightMapIndex(2);
    EXPECT_EQ(group.SaveToString(),
              Archive([](TVirtualWriter& w) { WriteIndexList(w, 1, "wall", 2, {3, 4, 5}, fgmmTriangleFan); }));

    TFGVertexIndexList read;
    read.SetLightMapIndex(7);
    read.LoadFromString(Archive([](TVirtualWriter& w) { WriteIndexList(w, 0, "floor", 0, {1}, fgmmQuads); }));
    EXPECT_EQ(read.MaterialName(), "floor");
    EXPECT_EQ(read.LightMapIndex(), -1) << "version 0 has no lightmap";
    EXPECT_EQ(read.Mode(), fgmmQuads);
    EXPECT_EQ(Ints(*read.VertexIndices()), std::vector<int32_t>{1});
}

TEST(FaceGroupArchive, AListOfEveryKindRoundTripsByteForByteWithItsClassNames)
{
    auto meshObject = MeshObject(4, true, true);
    TGLFaceGroups& groups = *meshObject->FaceGroups();
    auto* plain = AddGroup<TFGVertexIndexList>(*meshObject, fgmmTriangleStrip, {0, 1, 2, 3});
    plain->SetMaterialName("stone");
    auto* separate = AddGroup<TFGVertexNormalTexIndexList>(*meshObject, fgmmTriangles, {});
    separate->Add(0, 1, 2);
    separate->Add(1, 2, 3);
    separate->Add(2, 3, 0);
    separate->SetLightMapIndex(4);
    auto* own = AddGroup<TFGIndexTexCoordList>(*meshObject, fgmmQuads, {});
    for (int32_t k = 0; k < 4; ++k) own->Add(k, 0.25f * k, 1);
    AddGroup<TFGVertexIndexList>(*meshObject, fgmmTriangles, {3, 2, 1}); // its class again: stored by index

    const std::string archive = groups.SaveToString();
    TGLFaceGroups copy;
    copy.LoadFromString(archive);
    ASSERT_EQ(copy.Count(), 4);
    const char* names[] = {"TFGVertexIndexList", "TFGVertexNormalTexIndexList", "TFGIndexTexCoordList",
                           "TFGVertexIndexList"};
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(copy.Items(i)->ClassName(), names[i]);
        EXPECT_EQ(copy.Items(i)->Owner(), &copy);
    }
    EXPECT_EQ(copy.SaveToString(), archive);
    auto* separateCopy = static_cast<TFGVertexNormalTexIndexList*>(copy.Items(1));
    EXPECT_EQ(Ints(*separateCopy->NormalIndices()), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(separateCopy->LightMapIndex(), 4);
    EXPECT_EQ(static_cast<TFGIndexTexCoordList*>(copy.Items(2))->TexCoords()->List()[3].X, 0.75f);

    // A freed group leaves its list.
    Free(copy.Items(0));
    EXPECT_EQ(copy.Count(), 3);
}

TEST(FaceGroupArchive, UnknownVersionsAreRefusedNamingTheClass)
{
    struct TCase {
        const char* Name;
        std::string Bytes;
        std::string Message;
    };
    const TCase cases[] = {
        {"face group 2", Archive([](TVirtualWriter& w) { WriteIndexList(w, 2, "a", 0, {}, 0); }),
         "TFGVertexIndexList : unknown archive version 2"},
        {"face group -1", Archive([](TVirtualWriter& w) { WriteIndexList(w, -1, "a", 0, {}, 0); }),
         "TFGVertexIndexList : unknown archive version -1"},
        {"index list 1", Archive([](TVirtualWriter& w) {
             w.WriteInteger(0);
             w.WriteString("a");
             w.WriteInteger(1);
         }),
         "TFGVertexIndexList : unknown archive version 1"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TFGVertexIndexList group;
        EXPECT_EQ(MessageOf<EFilerException>([&] { group.LoadFromString(c.Bytes); }), c.Message);
    }
    const std::string own = Archive([](TVirtualWriter& w) {
        WriteIndexList(w, 0, "a", 0, {}, 0);
        w.WriteInteger(3);
    });
    TFGIndexTexCoordList group;
    EXPECT_EQ(MessageOf<EFilerException>([&] { group.LoadFromString(own); }),
              "TFGIndexTexCoordList : unknown archive version 3");
}

TEST(FaceGroupArchive, ImpossibleDataIsRefusedWithTheArchivesError)
{
    TIntegerList shortList;
    shortList.Add(0);
    TAffineVectorList twoCoords;
    twoCoords.Add(V(1));
    twoCoords.Add(V(2));
    struct TCase {
        const char* Name;
        TPersistentObject* Target;
        std::string Bytes;
    };
    TFGVertexIndexList plain;
    TFGVertexNormalTexIndexList separate;
    TFGIndexTexCoordList own;
    const TCase cases[] = {
        {"mode 5", &plain, Archive([](TVirtualWriter& w) { WriteIndexList(w, 0, "", 0, {0, 1, 2}, 5); })},
        {"mode -1", &plain, Archive([](TVirtualWriter& w) { WriteIndexList(w, 0, "", 0, {0, 1, 2}, -1); })},
        {"normal indices shorter than the vertex indices", &separate, Archive([&](TVirtualWriter& w) {
             WriteIndexList(w, 0, "", 0, {0, 1, 2}, 0);
             w.WriteInteger(0);
             shortList.WriteToFiler(&w);
             TIntegerList().WriteToFiler(&w);
         })},
        {"coordinates not one per index", &own, Archive([&](TVirtualWriter& w) {
             WriteIndexList(w, 0, "", 0, {0, 1, 2}, 0);
             w.WriteInteger(0);
             twoCoords.WriteToFiler(&w);
         })},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_NE(MessageOf<EReadError>([&] { c.Target->LoadFromString(c.Bytes); }), cNoException);
    }
}

TEST(FaceGroupArchive, AListHoldsOnlyFaceGroups)
{
    const auto list = [](const char* className, const std::function<void(TVirtualWriter&)>& entry) {
        return Archive([&](TVirtualWriter& w) {
            w.WriteInteger(0);
            w.WriteListBegin();
            w.WriteString("TFGVertexIndexList");
            WriteIndexList(w, 0, "kept", 0, {0, 1, 2}, 0);
            if (className) w.WriteString(className);
            entry(w);
            w.WriteListEnd();
        });
    };
    const std::string notAFaceGroup = "TGLFaceGroups : archived entry is not a TGLFaceGroup";
    const struct {
        const char* Name;
        std::string Bytes;
        std::string Message;
    } cases[] = {
        {"a registered class that is no face group",
         list("TPersistentObjectList", [](TVirtualWriter& w) { TPersistentObjectList().WriteToFiler(&w); }),
         notAFaceGroup},
        {"a nil entry", list(nullptr, [](TVirtualWriter& w) {
             w.WriteBoolean(false);
             w.WriteInteger(0);
         }),
         notAFaceGroup},
        // The base class has nothing to draw or count: it is never made from an archive.
        {"the base class", list("TGLFaceGroup", [](TVirtualWriter& w) { w.WriteInteger(0); w.WriteString(""); }),
         "Class TGLFaceGroup not found"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TGLFaceGroups groups;
        EXPECT_EQ(MessageOf<Exception>([&] { groups.LoadFromString(c.Bytes); }), c.Message);
        for (int32_t i = 0; i < groups.Count(); ++i) EXPECT_NE(groups.Items(i), nullptr);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Sorting by material

class FaceGroupSort : public ::testing::Test {
protected:
    FaceGroupSort()
    {
        Mesh->SetMaterialLibrary(Library.get());
        auto* blended = Library->Materials()->Add();
        blended->SetName("a");
        blended->Material()->SetBlendingMode(bmTransparency);
        for (const char* name : {"b", "c", "A"}) Library->Materials()->Add()->SetName(name);
    }
    ~FaceGroupSort() override { Free(Mesh); }

    TGLFaceGroups& Groups(std::initializer_list<std::pair<const char*, int32_t>> groups)
    {
        auto* meshObject = new TGLMeshObject(Mesh->MeshObjects());
        for (const auto& [name, lightMap] : groups) {
            auto* group = new TFGVertexIndexList(meshObject->FaceGroups());
            group->SetMaterialName(name);
            group->SetLightMapIndex(lightMap);
        }
        return *meshObject->FaceGroups();
    }

    static std::vector<std::string> Order(const TGLFaceGroups& groups)
    {
        std::vector<std::string> result;
        for (int32_t i = 0; i < groups.Count(); ++i)
            result.push_back(groups.Items(i)->MaterialName() + std::to_string(groups.Items(i)->LightMapIndex()));
        return result;
    }

    std::unique_ptr<TGLMaterialLibrary, TFreeDeleter> Library{new TGLMaterialLibrary(nullptr)};
    TGLBaseMesh* Mesh = new TGLBaseMesh(nullptr);
};

TEST_F(FaceGroupSort, OpaqueBeforeBlendedThenByNameByCharacterCodeThenByLightmap)
{
    TGLFaceGroups& groups = Groups({{"b", -1}, {"a", -1}, {"c", 3}, {"c", 1}, {"A", -1}, {"", 0}});
    groups.SortByMaterial();
    EXPECT_EQ(Order(groups), (std::vector<std::string>{"0", "A-1", "b-1", "c1", "c3", "a-1"}));
    EXPECT_NE(groups.Items(5)->MaterialCache(), nullptr) << "the caches are prepared from the mesh's library";
}

TEST_F(FaceGroupSort, WithoutABaseMeshAboveNothingCountsAsBlended)
{
    TGLMeshObject meshObject;
    for (const char* name : {"b", "a", "c", "A"})
        (new TFGVertexIndexList(meshObject.FaceGroups()))->SetMaterialName(name);
    meshObject.FaceGroups()->SortByMaterial();
    EXPECT_EQ(Order(*meshObject.FaceGroups()), (std::vector<std::string>{"A-1", "a-1", "b-1", "c-1"}));
}

// ---------------------------------------------------------------------------------------------------------
// Drawing

namespace {

struct TDrawnElements {
    GLenum Mode;
    GLsizei Count;
    std::vector<int32_t> Indices; // empty when drawn from the element buffer
};
std::vector<TDrawnElements>* vDrawn = nullptr;
std::vector<TGLCall>* vCalls = nullptr;
std::vector<float>* vNormals = nullptr;
GLuint vNextName = 0;

void RecordDrawElements(GLenum mode, GLsizei count, GLenum, const void* indices)
{
    const auto* first = static_cast<const int32_t*>(indices);
    vDrawn->push_back({mode, count, first ? std::vector<int32_t>(first, first + count) : std::vector<int32_t>{}});
    vCalls->push_back(GLCall("DrawElements", mode, count, GL_UNSIGNED_INT, 0));
}

void RecordNormal(const GLfloat* v)
{
    vNormals->push_back(v[0]);
}

void NewNames(GLsizei n, GLuint* names)
{
    for (GLsizei i = 0; i < n; ++i) names[i] = ++vNextName;
}

} // namespace

class FaceGroupDraw : public RecordingDrawFixture {
protected:
    FaceGroupDraw()
    {
        vDrawn = &Drawn;
        vCalls = &GL->Calls;
        vNormals = &Normals;
        GL->Table.DrawElements = &RecordDrawElements;
        GL->Table.Normal3fv = &RecordNormal;
        GL->Table.GenBuffers = &NewNames;
        GL->Table.GenTextures = &NewNames;
        MeshObject = ::MeshObject(6, true, true);
    }
    ~FaceGroupDraw() override
    {
        MeshObject.reset();
        vDrawn = nullptr;
        vCalls = nullptr;
        vNormals = nullptr;
    }

    void DrawMesh()
    {
        Drawn.clear();
        Normals.clear();
        Sent.clear();
        GL->Calls.clear();
        MeshObject->BuildList(Rci);
    }

    std::unique_ptr<TGLMeshObject> MeshObject;
    std::vector<TDrawnElements> Drawn;
    std::vector<float> Normals;
};

TEST_F(FaceGroupDraw, ClientIndicesDrawEachModeAsItsPrimitiveAndBadIndicesDrawNothing)
{
    // Without buffer objects in the context the indices are handed over from memory.
    const std::pair<TGLFaceGroupMeshMode, GLenum> modes[] = {{fgmmTriangles, GL_TRIANGLES},
                                                             {fgmmTriangleStrip, GL_TRIANGLE_STRIP},
                                                             {fgmmFlatTriangles, GL_TRIANGLES},
                                                             {fgmmTriangleFan, GL_TRIANGLE_FAN},
                                                             {fgmmQuads, GL_QUADS}};
    for (const auto& [mode, primitive] : modes) AddGroup<TFGVertexIndexList>(*MeshObject, mode, {5, 0, 4, 1});
    AddGroup<TFGVertexIndexList>(*MeshObject, fgmmTriangles, {0, 1, 6});  // past the vertices
    AddGroup<TFGVertexIndexList>(*MeshObject, fgmmTriangles, {-1, 1, 2}); // negative
    AddGroup<TFGVertexIndexList>(*MeshObject, fgmmTriangles, {});
    DrawMesh();
    ASSERT_EQ(Drawn.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(Drawn[i].Mode, modes[i].second);
        EXPECT_EQ(Drawn[i].Indices, (std::vector<int32_t>{5, 0, 4, 1}));
    }
    EXPECT_FALSE(MeshObject->UseVBO());

    // Normals short of a vertex are not declared, so the groups draw without them.
    MeshObject->Normals()->Delete(5);
    DrawMesh();
    EXPECT_EQ(Drawn.size(), 5u);
    EXPECT_EQ(GL->Count("NormalPointer"), 0u);
}

TEST_F(FaceGroupDraw, TheElementBufferIsFilledOnceAndAgainAfterAChange)
{
    GL->Table.ARB_vertex_buffer_object = true;
    auto* group = AddGroup<TFGVertexIndexList>(*MeshObject, fgmmTriangleFan, {0, 1, 2, 3});
    const auto elementUploads = [this] {
        size_t n = 0;
        for (const TGLCall& call : GL->Calls)
            if (call.Name == "BufferData" && call.Args[0] == GL_ELEMENT_ARRAY_BUFFER) ++n;
        return n;
    };
    DrawMesh();
    ASSERT_TRUE(MeshObject->UseVBO());
    ASSERT_EQ(Drawn.size(), 1u);
    EXPECT_EQ(Drawn[0].Mode, GLenum(GL_TRIANGLE_FAN));
    EXPECT_EQ(Drawn[0].Count, 4);
    EXPECT_TRUE(Drawn[0].Indices.empty()) << "offset 0 into the bound element buffer";
    EXPECT_EQ(elementUploads(), 1u);
    EXPECT_EQ(GL->Only({"BufferData"}).back(), GLCall("BufferData", GL_ELEMENT_ARRAY_BUFFER, 16, 0, GL_STATIC_DRAW));
    // Bound for the draw only.
    std::vector<TGLCall> elements;
    for (const TGLCall& call : GL->Only({"BindBuffer", "DrawElements"}))
        if (call.Name == "DrawElements" || call.Args[0] == GL_ELEMENT_ARRAY_BUFFER) elements.push_back(call);
    ASSERT_GE(elements.size(), 3u);
    const double name = elements[elements.size() - 3].Args[1];
    EXPECT_NE(name, 0);
    EXPECT_EQ(std::vector<TGLCall>(elements.end() - 3, elements.end()),
              (std::vector<TGLCall>{GLCall("BindBuffer", GL_ELEMENT_ARRAY_BUFFER, name),
                                    GLCall("DrawElements", GL_TRIANGLE_FAN, 4, GL_UNSIGNED_INT, 0),
                                    GLCall("BindBuffer", GL_ELEMENT_ARRAY_BUFFER, 0)}));

    DrawMesh();
    EXPECT_EQ(elementUploads(), 0u);
    EXPECT_EQ(Drawn.size(), 1u);

    group->Add(4);
    DrawMesh();
    EXPECT_EQ(elementUploads(), 1u);
    EXPECT_EQ(Drawn.at(0).Count, 5);

    // An index past the vertices reaches the buffer but is never drawn.
    group->Add(6);
    DrawMesh();
    EXPECT_TRUE(Drawn.empty());
}

TEST_F(FaceGroupDraw, SeparateIndicesDrawImmediatelyWithTheirOwnNormalsAndCoordinates)
{
    auto* group = AddGroup<TFGVertexNormalTexIndexList>(*MeshObject, fgmmTriangles, {});
    group->Add(0, 5, 2);
    group->Add(1, 4, 1);
    group->Add(2, 3, 0);
    MeshObject->Colors()->AddPoint(V(0));
    DrawMesh();
    EXPECT_EQ(GL->Only({"Begin", "End"}), (std::vector<TGLCall>{GLCall("Begin", GL_TRIANGLES), GLCall("End")}));
    EXPECT_TRUE(Drawn.empty()) << "no arrays";
    EXPECT_EQ(Normals, (std::vector<float>{1005, 1004, 1003}));
    ASSERT_EQ(Sent.size(), 3u);
    EXPECT_EQ(Sent[0].S, 2002);
    EXPECT_EQ(Sent[2].S, 2000);
    EXPECT_EQ(Sent[1].X, 1);
    EXPECT_EQ(GL->Count("Color4fv"), 0u) << "one colour does not reach vertices 1 and 2";

    // Indices the lists do not cover: the attribute is left out, or for the vertices the group.
    group->NormalIndices()->Put(1, 6);
    DrawMesh();
    EXPECT_TRUE(Normals.empty());
    EXPECT_EQ(Sent.size(), 3u);
    group->VertexIndices()->Put(1, 6);
    DrawMesh();
    EXPECT_EQ(GL->Count("Begin"), 0u);

    // Quads, and index lists shorter than the vertex indices, fail an assertion before anything is drawn.
    group->VertexIndices()->Put(1, 1);
    group->Add(3, 0, 0);
    group->SetMode(fgmmQuads);
    EXPECT_THROW(DrawMesh(), EAssertionFailed);
    group->SetMode(fgmmTriangleFan);
    group->NormalIndices()->Delete(3);
    EXPECT_THROW(DrawMesh(), EAssertionFailed);
    EXPECT_EQ(GL->Count("Begin"), 0u);
}

TEST_F(FaceGroupDraw, OwnCoordinatesDrawCoordinateColourNormalVertexInThatOrder)
{
    for (int32_t i = 0; i < 6; ++i) MeshObject->Colors()->AddPoint(V(float(i)));
    auto* group = AddGroup<TFGIndexTexCoordList>(*MeshObject, fgmmQuads, {});
    for (int32_t k = 0; k < 4; ++k) group->Add(5 - k, 0.5f * k, 1);
    std::vector<std::string> order;
    DrawMesh();
    for (const TGLCall& call : GL->Calls)
        if (call.Name == "Begin" || call.Name == "Color4fv" || call.Name == "End") order.push_back(call.Name);
    EXPECT_EQ(GL->Only({"Begin"}), std::vector<TGLCall>{GLCall("Begin", GL_QUADS)});
    EXPECT_EQ(GL->Only({"Color4fv"})[1], GLCall("Color4fv", 4, 40, 400, 1));
    EXPECT_EQ(Normals, (std::vector<float>{1005, 1004, 1003, 1002}));
    ASSERT_EQ(Sent.size(), 4u);
    EXPECT_EQ(Sent[3].S, 1.5f);
    EXPECT_EQ(Sent[3].X, 2);

    // Coordinates that are not one per index fail an assertion before anything is drawn.
    group->TexCoords()->Add(V(0));
    EXPECT_THROW(DrawMesh(), EAssertionFailed);
    EXPECT_EQ(GL->Count("Begin"), 0u);
}

TEST_F(FaceGroupDraw, ALightmapSharedByConsecutiveGroupsIsBoundOnce)
{
    std::unique_ptr<TGLMaterialLibrary, TFreeDeleter> lightmaps{new TGLMaterialLibrary(nullptr)};
    for (const char* name : {"lm0", "lm1"}) lightmaps->AddTextureMaterial(name, nullptr);
    for (int32_t i = 0; i < 6; ++i) MeshObject->LightMapTexCoords()->Add(V(float(i)));
    for (const int32_t lightMap : {0, 0, 1, -1}) {
        auto* group = AddGroup<TFGVertexIndexList>(*MeshObject, fgmmTriangles, {0, 1, 2});
        group->SetLightMapIndex(lightMap);
    }
    Rci.lightmapLibrary = lightmaps.get();
    const TGLCall modulate = GLCall("TexEnvi", GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        DrawMesh();
        EXPECT_EQ(Drawn.size(), 4u);
        // Groups 0 and 1 share lightmap 0; group 2 binds lightmap 1; -1 switches the unit off.
        EXPECT_EQ(GL->Count("TexEnvi"), 2u);
        const std::vector<TGLCall> units = GL->Only({"ActiveTexture", "TexEnvi"});
        for (size_t i = 0; i < units.size(); ++i)
            if (units[i] == modulate) {
                EXPECT_EQ(units.at(i - 1), GLCall("ActiveTexture", GL_TEXTURE1));
            }
    }
    EXPECT_EQ(Cache->TextureBinding(1, ttTexture2D),
              lightmaps->Materials()->Items(1)->Material()->Texture()->Handle());

    // Materials ignored: no lightmap at all.
    Rci.ignoreMaterials = true;
    DrawMesh();
    EXPECT_EQ(GL->Count("TexEnvi"), 0u);

    // An index beyond the lightmap library fails an assertion.
    Rci.ignoreMaterials = false;
    AddGroup<TFGVertexIndexList>(*MeshObject, fgmmTriangles, {0, 1, 2})->SetLightMapIndex(7);
    EXPECT_THROW(DrawMesh(), EAssertionFailed);
}
