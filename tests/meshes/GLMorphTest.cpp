#include "GLVectorFileObjects.h"

#include "GLVectorGeometry.h"
#include "Raises.h"
#include "Streams.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

namespace {

TVector3f P(float x, float y, float z)
{
    return TVector3f{{{x, y, z}}};
}

// Vectors compared whole.
using TXYZ = std::array<float, 3>;

std::vector<TXYZ> Items(const TAffineVectorList& list)
{
    std::vector<TXYZ> result;
    for (int32_t i = 0; i < list.Count(); ++i) result.push_back({list.List()[i].X, list.List()[i].Y, list.List()[i].Z});
    return result;
}

void ExpectNear(const TAffineVectorList& list, const std::vector<TXYZ>& expected, float tolerance = 1e-5f)
{
    ASSERT_EQ(list.Count(), static_cast<int32_t>(expected.size()));
    for (int32_t i = 0; i < list.Count(); ++i)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(list.List()[i].V[c], expected[i][c], tolerance) << i << "," << c;
}

template <class F> std::string Archive(F&& write)
{
    TStringStream stream;
    TBinaryWriter writer(&stream);
    write(writer);
    return stream.DataString();
}

TMeshMorphTarget& AddTarget(TMorphableMeshObject& meshObject, std::vector<TVector3f> vertices,
                            std::vector<TVector3f> normals)
{
    auto* target = new TMeshMorphTarget(meshObject.MorphTargets());
    for (const TVector3f& v : vertices) target->Vertices()->Add(v);
    for (const TVector3f& n : normals) target->Normals()->Add(n);
    return *target;
}

std::vector<TVertexBoneWeight> Row(TGLSkeletonMeshObject& meshObject, int32_t vertex)
{
    const TVertexBoneWeight* row = meshObject.VerticesBonesWeights(vertex);
    return std::vector<TVertexBoneWeight>(row, row + meshObject.BonesPerVertex());
}

} // namespace

// Found by the vector comparisons through the argument's namespace.
static bool operator==(const TVertexBoneWeight& a, const TVertexBoneWeight& b)
{
    return a.BoneID == b.BoneID && a.Weight == b.Weight;
}

// ---------------------------------------------------------------------------------------------------------
// Morph targets

TEST(MorphableMeshObject, MorphToCopiesWhatTheTargetHas)
{
    TMorphableMeshObject meshObject;
    meshObject.Vertices()->Add(P(0, 0, 0));
    meshObject.Normals()->Add(P(0, 0, 1));
    meshObject.MorphTo(0); // no targets: nothing
    EXPECT_EQ(Items(*meshObject.Vertices()), (std::vector<TXYZ>{{0, 0, 0}}));

    AddTarget(meshObject, {P(1, 0, 0)}, {});
    AddTarget(meshObject, {}, {P(0, 1, 0)});
    meshObject.ChangeValidBuffers({vbVertices, vbNormals, vbColors});
    meshObject.MorphTo(0);
    EXPECT_EQ(Items(*meshObject.Vertices()), (std::vector<TXYZ>{{1, 0, 0}}));
    EXPECT_EQ(Items(*meshObject.Normals()), (std::vector<TXYZ>{{0, 0, 1}})) << "a target without normals keeps them";
    EXPECT_EQ(meshObject.ValidBuffers(), (TVBOBuffers{vbNormals, vbColors}));
    meshObject.MorphTo(1);
    EXPECT_EQ(Items(*meshObject.Vertices()), (std::vector<TXYZ>{{1, 0, 0}}));
    EXPECT_EQ(Items(*meshObject.Normals()), (std::vector<TXYZ>{{0, 1, 0}}));
    EXPECT_EQ(meshObject.ValidBuffers(), (TVBOBuffers{vbColors}));

    for (int32_t index : {2, -1}) EXPECT_THROW(meshObject.MorphTo(index), EAssertionFailed);
    EXPECT_EQ(Items(*meshObject.Normals()), (std::vector<TXYZ>{{0, 1, 0}}));
}

TEST(MorphableMeshObject, LerpBlendsTheTargetsAndNormalisesTheNormals)
{
    TMorphableMeshObject meshObject;
    AddTarget(meshObject, {P(0, 0, 0), P(1, 1, 1)}, {P(1, 0, 0)});
    AddTarget(meshObject, {P(2, 0, 0), P(1, 1, 1)}, {P(0, 1, 0)});
    meshObject.Lerp(0, 1, 0.5f);
    EXPECT_EQ(Items(*meshObject.Vertices()), (std::vector<TXYZ>{{1, 0, 0}, {1, 1, 1}}));
    const float half = std::numbers::sqrt2_v<float> / 2;
    ExpectNear(*meshObject.Normals(), {{half, half, 0}});
    meshObject.Lerp(0, 1, 1.5f); // not clamped
    EXPECT_EQ(Items(*meshObject.Vertices()), (std::vector<TXYZ>{{3, 0, 0}, {1, 1, 1}}));
    meshObject.Lerp(0, 1, 1);
    EXPECT_EQ(Items(*meshObject.Normals()), (std::vector<TXYZ>{{0, 1, 0}}));
    meshObject.Lerp(0, 1, 0);
    EXPECT_EQ(Items(*meshObject.Vertices()), (std::vector<TXYZ>{{0, 0, 0}, {1, 1, 1}}));
    EXPECT_THROW(meshObject.Lerp(0, 2, 0.5f), EAssertionFailed);
    EXPECT_THROW(meshObject.Lerp(-1, 1, 0.5f), EAssertionFailed);
}

TEST(MorphableMeshObject, TranslateMovesTheMeshAndEveryTarget)
{
    TMorphableMeshObject meshObject;
    meshObject.Vertices()->Add(P(1, 0, 0));
    AddTarget(meshObject, {P(0, 0, 0)}, {});
    meshObject.ChangeValidBuffers({vbVertices, vbNormals});
    meshObject.Translate(P(0, 0, 2));
    EXPECT_EQ(Items(*meshObject.Vertices()), (std::vector<TXYZ>{{1, 0, 2}}));
    EXPECT_EQ(Items(*meshObject.MorphTargets()->Items(0)->Vertices()), (std::vector<TXYZ>{{0, 0, 2}}));
    EXPECT_EQ(meshObject.ValidBuffers(), (TVBOBuffers{vbNormals}));
    meshObject.Clear();
    EXPECT_EQ(meshObject.MorphTargets()->Count(), 0);
}

TEST(MorphableMeshObject, TheMeshObjectListMorphsItsMorphableItems)
{
    TGLMeshObjectList list;
    EXPECT_EQ(list.MorphTargetCount(), 0);
    auto* plain = new TGLMeshObject(&list);
    plain->Vertices()->Add(P(5, 5, 5));
    EXPECT_EQ(list.MorphTargetCount(), 0) << "a list without morphable items";
    auto* few = new TMorphableMeshObject(&list);
    auto* many = new TGLSkeletonMeshObject(&list);
    for (auto* meshObject : {static_cast<TMorphableMeshObject*>(few), static_cast<TMorphableMeshObject*>(many)}) {
        AddTarget(*meshObject, {P(0, 0, 0)}, {});
        AddTarget(*meshObject, {P(4, 0, 0)}, {});
    }
    AddTarget(*many, {P(8, 0, 0)}, {});
    EXPECT_EQ(list.MorphTargetCount(), 2) << "the smallest count";

    list.Lerp(0, 1, 0.25f);
    EXPECT_EQ(Items(*few->Vertices()), (std::vector<TXYZ>{{1, 0, 0}}));
    EXPECT_EQ(Items(*many->Vertices()), (std::vector<TXYZ>{{1, 0, 0}}));
    list.MorphTo(1);
    EXPECT_EQ(Items(*few->Vertices()), (std::vector<TXYZ>{{4, 0, 0}}));
    EXPECT_EQ(Items(*plain->Vertices()), (std::vector<TXYZ>{{5, 5, 5}}));
}

TEST(MorphableMeshObject, ArchivesRoundTripWithTheirTargets)
{
    TGLMeshObjectList list;
    auto* meshObject = new TMorphableMeshObject(&list);
    meshObject->SetName("face");
    meshObject->Vertices()->Add(P(1, 2, 3));
    AddTarget(*meshObject, {P(1, 2, 4)}, {P(0, 0, 1)}).SetName("smile");
    TMeshMorphTarget& target = *meshObject->MorphTargets()->Items(0);
    EXPECT_EQ(target.SaveToString(), Archive([&](TVirtualWriter& w) {
                  static_cast<TBaseMeshObject&>(target).TBaseMeshObject::WriteToFiler(&w);
                  w.WriteInteger(0);
              }));
    const std::string archive = list.SaveToString();

    TGLMeshObjectList copy;
    copy.LoadFromString(archive);
    EXPECT_EQ(copy.SaveToString(), archive);
    auto* read = dynamic_cast<TMorphableMeshObject*>(copy.Items(0));
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->MorphTargets()->Count(), 1);
    EXPECT_EQ(read->MorphTargets()->Items(0)->Name(), "smile");
    EXPECT_EQ(read->MorphTargets()->Items(0)->Owner(), read->MorphTargets());

    std::string version1 = target.SaveToString();
    version1.back() = 1;
    EXPECT_EQ(MessageOf<EFilerException>([&] { target.LoadFromString(version1); }),
              "TMeshMorphTarget : unknown archive version 1");
}

// ---------------------------------------------------------------------------------------------------------
// The weight table

TEST(SkeletonMeshObject, TheWeightTableGrowsBySixteenRowsAndKeepsItsRows)
{
    TGLSkeletonMeshObject meshObject;
    meshObject.AddWeightedBone(3, 0.5f);
    EXPECT_EQ(meshObject.BonesPerVertex(), 1);
    EXPECT_EQ(meshObject.VerticeBoneWeightCount(), 1);
    EXPECT_EQ(meshObject.VerticeBoneWeightCapacity(), 17);

    for (int32_t i = 1; i < 40; ++i) meshObject.AddWeightedBone(i, static_cast<float>(i));
    EXPECT_EQ(meshObject.VerticeBoneWeightCapacity(), 51);
    meshObject.AddWeightedBones({{7, 0.25f}, {8, 0.75f}});
    EXPECT_EQ(meshObject.BonesPerVertex(), 2);
    EXPECT_EQ(Row(meshObject, 0), (std::vector<TVertexBoneWeight>{{3, 0.5f}, {0, 0}}));
    for (int32_t i = 1; i < 40; ++i)
        EXPECT_EQ(Row(meshObject, i), (std::vector<TVertexBoneWeight>{{i, static_cast<float>(i)}, {0, 0}}));
    EXPECT_EQ(Row(meshObject, 40), (std::vector<TVertexBoneWeight>{{7, 0.25f}, {8, 0.75f}}));

    meshObject.SetBonesPerVertex(1);
    EXPECT_EQ(Row(meshObject, 40), (std::vector<TVertexBoneWeight>{{7, 0.25f}}));
    meshObject.SetVerticeBoneWeightCapacity(20);
    EXPECT_EQ(meshObject.VerticeBoneWeightCount(), 20) << "a capacity below the count lowers the count";
    EXPECT_EQ(Row(meshObject, 19), (std::vector<TVertexBoneWeight>{{19, 19.0f}}));
    EXPECT_THROW(meshObject.VerticesBonesWeights(20), EAssertionFailed);
    EXPECT_THROW(meshObject.SetVerticeBoneWeightCapacity(-1), EAssertionFailed);
    EXPECT_THROW(meshObject.SetBonesPerVertex(-1), EAssertionFailed);

    meshObject.Clear();
    EXPECT_EQ(meshObject.VerticeBoneWeightCount(), 0);
    EXPECT_EQ(meshObject.BonesPerVertex(), 0);
    EXPECT_EQ(meshObject.VerticeBoneWeightCapacity(), 20) << "the capacity stays";
    meshObject.AddWeightedBone(9, 1);
    EXPECT_EQ(Row(meshObject, 0), (std::vector<TVertexBoneWeight>{{9, 1}}));
}

TEST(SkeletonMeshObject, FindOrAddSharesVerticesOfTheSameBonePositionAndNormal)
{
    TGLSkeletonMeshObject meshObject;
    EXPECT_EQ(meshObject.FindOrAdd(3, P(1, 0, 0), P(0, 0, 1)), 0);
    EXPECT_EQ(meshObject.FindOrAdd(3, P(1, 0, 0), P(0, 0, 1)), 0);
    EXPECT_EQ(meshObject.FindOrAdd(3, P(1, 0, 0), P(0, 1, 0)), 1) << "another normal";
    EXPECT_EQ(meshObject.FindOrAdd(4, P(1, 0, 0), P(0, 0, 1)), 2) << "another bone";
    EXPECT_EQ(meshObject.FindOrAdd(3, P(-0.0f, 0, 0), P(0, 0, 0)), 3);
    EXPECT_EQ(meshObject.FindOrAdd(3, P(0, 0, 0), P(0, 0, 0)), 4) << "positions compare bit for bit";
    EXPECT_EQ(meshObject.Vertices()->Count(), 5);
    EXPECT_EQ(meshObject.Normals()->Count(), 5);

    const std::vector<TVertexBoneWeight> pair{{3, 0.5f}, {4, 0.5f}};
    EXPECT_EQ(meshObject.FindOrAdd(pair, P(1, 0, 0), P(0, 0, 1)), 5);
    EXPECT_EQ(meshObject.BonesPerVertex(), 2);
    EXPECT_EQ(meshObject.FindOrAdd(pair, P(1, 0, 0), P(0, 0, 1)), 5);
    EXPECT_EQ(meshObject.FindOrAdd({{3, 0.5f}, {4, 0.25f}}, P(1, 0, 0), P(0, 0, 1)), 6) << "another weight";
    EXPECT_EQ(meshObject.FindOrAdd(3, P(1, 0, 0), P(0, 0, 1)), 0) << "(3, 1) alone with two bones per vertex";
}

TEST(SkeletonMeshObject, ArchivesStoreTheRowsInUseAsRawEntries)
{
    TGLSkeletonMeshObject meshObject;
    for (int32_t i = 0; i < 10; ++i) meshObject.AddWeightedBones({{i, 0.5f}, {i + 1, 0.5f}});
    meshObject.SetVerticeBoneWeightCapacity(26);
    const std::string archive = meshObject.SaveToString();

    TMorphableMeshObject morphable;
    const std::string base = morphable.SaveToString();
    ASSERT_EQ(archive.substr(0, base.size()), base);
    std::string rows(160, '\0');
    for (int32_t i = 0; i < 10; ++i) std::memcpy(&rows[16 * i], meshObject.VerticesBonesWeights(i), 16);
    EXPECT_EQ(archive.substr(base.size()), Archive([](TVirtualWriter& w) {
                                                w.WriteInteger(0);
                                                w.WriteInteger(10);
                                                w.WriteInteger(2);
                                                w.WriteInteger(26);
                                            }) + rows);
    EXPECT_EQ(rows.substr(16, 8), std::string("\x01\0\0\0\0\0\0\x3f", 8)) << "identifier, then weight, little-endian";

    TGLSkeletonMeshObject copy;
    copy.LoadFromString(archive);
    EXPECT_EQ(copy.SaveToString(), archive);
    EXPECT_EQ(copy.VerticeBoneWeightCapacity(), 26);
    // Growing keeps the rows read.
    for (int32_t i = 10; i < 30; ++i) copy.AddWeightedBone(i, 1);
    EXPECT_EQ(Row(copy, 9), (std::vector<TVertexBoneWeight>{{9, 0.5f}, {10, 0.5f}}));
    EXPECT_EQ(Row(copy, 29), (std::vector<TVertexBoneWeight>{{29, 1}, {0, 0}}));
    EXPECT_EQ(copy.VerticeBoneWeightCapacity(), 43);
}

TEST(SkeletonMeshObject, WeightsThatDoNotFitTheArchiveAreRefused)
{
    TMorphableMeshObject morphable;
    const std::string base = morphable.SaveToString();
    const auto weights = [&](int32_t count, int32_t bonesPerVertex, int32_t capacity, size_t rowBytes) {
        return base + Archive([&](TVirtualWriter& w) {
                   w.WriteInteger(0);
                   w.WriteInteger(count);
                   w.WriteInteger(bonesPerVertex);
                   w.WriteInteger(capacity);
               }) + std::string(rowBytes, '\0');
    };
    struct TCase {
        int32_t Count, BonesPerVertex, Capacity;
        size_t RowBytes;
    };
    for (const TCase& c : {TCase{2, 1, 2, 8}, TCase{-1, 1, 0, 0}, TCase{1, -1, 1, 0}, TCase{3, 1, 2, 24},
                           TCase{0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 16}}) {
        TGLSkeletonMeshObject meshObject;
        EXPECT_EQ(MessageOf<EReadError>([&] {
                      meshObject.LoadFromString(weights(c.Count, c.BonesPerVertex, c.Capacity, c.RowBytes));
                  }),
                  "TGLSkeletonMeshObject : bone weights that do not fit the archive")
            << c.Count << " rows of " << c.BonesPerVertex << ", capacity " << c.Capacity;
    }
    // A large capacity is kept but not allocated.
    TGLSkeletonMeshObject spacious;
    spacious.LoadFromString(weights(1, 1, 0x7FFFFFFF, 8));
    EXPECT_EQ(spacious.VerticeBoneWeightCapacity(), 0x7FFFFFFF);
    spacious.AddWeightedBone(4, 1);
    EXPECT_EQ(Row(spacious, 1), (std::vector<TVertexBoneWeight>{{4, 1}}));
}

// ---------------------------------------------------------------------------------------------------------
// Skinning

class Skinning : public ::testing::Test {
protected:
    Skinning()
    {
        // Bone 0 at the origin, bone 1 at (0, 2, 0) under it.
        Root = new TGLSkeletonBone(Skeleton.RootBones());
        auto* child = new TGLSkeletonBone(Root);
        child->SetBoneID(1);
        auto* rest = new TGLSkeletonFrame(Skeleton.Frames());
        rest->Position()->Add(P(0, 0, 0), P(0, 2, 0));
        rest->Rotation()->Add(P(0, 0, 0), P(0, 0, 0));
        Skeleton.MorphMesh(true);
    }

    // The bones' pose: bone 0 translated and bone 1 turned about Z.
    void Pose(const TVector3f& rootPosition, float childTurn)
    {
        TGLSkeletonFrame pose;
        pose.Position()->Add(rootPosition, P(0, 2, 0));
        pose.Rotation()->Add(P(0, 0, 0), P(0, 0, childTurn));
        Skeleton.SetCurrentFrame(&pose);
    }

    TGLBaseMesh Mesh{nullptr};
    TGLSkeleton& Skeleton = *Mesh.Skeleton();
    TGLSkeletonBone* Root = nullptr;
    TGLSkeletonMeshObject* Skinned = new TGLSkeletonMeshObject(Mesh.MeshObjects());
};

TEST_F(Skinning, AWeightedVertexFollowsItsBone)
{
    Skinned->FindOrAdd(0, P(1, 0, 0), P(1, 0, 0));
    Skinned->FindOrAdd(1, P(1, 2, 0), P(1, 0, 0));
    Skinned->PrepareBoneMatrixInvertedMeshes();
    EXPECT_EQ(Skinned->BoneMatrixInvertedMeshCount(), 1);
    // In each bone's space.
    ExpectNear(*Skinned->BoneMatrixInvertedMesh(0)->Vertices(), {{1, 0, 0}, {1, 0, 0}});

    Skeleton.MorphMesh(true);
    // The pose they were bound in.
    ExpectNear(*Skinned->Vertices(), {{1, 0, 0}, {1, 2, 0}});
    ExpectNear(*Skinned->Normals(), {{1, 0, 0}, {1, 0, 0}});

    Pose(P(5, 0, 0), std::numbers::pi_v<float> / 2);
    Skinned->ChangeValidBuffers({vbVertices, vbNormals, vbColors});
    const uint32_t revision = Skinned->Vertices()->Revision();
    Skeleton.MorphMesh(true);
    ExpectNear(*Skinned->Vertices(), {{6, 0, 0}, {5, 3, 0}});
    ExpectNear(*Skinned->Normals(), {{1, 0, 0}, {0, 1, 0}});
    EXPECT_EQ(Skinned->ValidBuffers(), (TVBOBuffers{vbColors})) << "the buffers are filled again";
    EXPECT_NE(Skinned->Vertices()->Revision(), revision) << "the extents follow";
}

TEST_F(Skinning, SeveralBonesBlendByWeight)
{
    Skinned->FindOrAdd({{0, 0.5f}, {1, 0.5f}}, P(1, 1, 0), P(0, 0, 1));
    Skinned->FindOrAdd({{1, 1}, {0, 0}}, P(0, 3, 0), P(0, 0, 1));
    Skinned->PrepareBoneMatrixInvertedMeshes();
    EXPECT_EQ(Skinned->BoneMatrixInvertedMeshCount(), 2);

    Pose(P(2, 0, 0), 0); // both bones move by (2, 0, 0)
    Skeleton.MorphMesh(false);
    ExpectNear(*Skinned->Vertices(), {{3, 1, 0}, {2, 3, 0}});
    // Bone 1 alone moved by (2, 0, 0) relative to its parent: the half-weighted vertex moves by half.
    Pose(P(0, 0, 0), 0);
    Skeleton.Frames()->Items(0)->Position()->Put(1, P(2, 2, 0));
    Skeleton.MorphTo(0);
    Skeleton.MorphMesh(false);
    ExpectNear(*Skinned->Vertices(), {{2, 1, 0}, {2, 3, 0}});
}

TEST_F(Skinning, HiddenMeshObjectsAreDeformedOnlyWhenAsked)
{
    Skinned->FindOrAdd(0, P(1, 0, 0), P(1, 0, 0));
    Skinned->PrepareBoneMatrixInvertedMeshes();
    Skinned->SetVisible(false);
    Pose(P(3, 0, 0), 0);
    Skeleton.MorphMesh(true);
    ExpectNear(*Skinned->Vertices(), {{1, 0, 0}});
    Skeleton.SetMorphInvisibleParts(true);
    Skeleton.MorphMesh(true);
    ExpectNear(*Skinned->Vertices(), {{4, 0, 0}});
}

TEST_F(Skinning, AMissingBoneCountsAsTheIdentity)
{
    Skinned->FindOrAdd(7, P(1, 0, 0), P(1, 0, 0));  // no bone 7
    Skinned->FindOrAdd(-3, P(0, 1, 0), P(0, 1, 0)); // nor a negative one
    Skinned->FindOrAdd(1, P(0, 0, 1), P(0, 0, 1));
    Skinned->PrepareBoneMatrixInvertedMeshes();
    Pose(P(4, 0, 0), 0);
    Skeleton.MorphMesh(true);
    ExpectNear(*Skinned->Vertices(), {{1, 0, 0}, {0, 1, 0}, {4, 0, 1}});

    // Read from an archive into a list that belongs to no mesh: no skeleton at all.
    TGLMeshObjectList list;
    list.LoadFromString(Mesh.MeshObjects()->SaveToString());
    auto* read = dynamic_cast<TGLSkeletonMeshObject*>(list.Items(0));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->BoneMatrixInvertedMeshCount(), 1) << "reading binds the skinned mesh objects";
    read->ApplyCurrentSkeletonFrame(true);
    ExpectNear(*read->Vertices(), {{1, 0, 0}, {0, 1, 0}, {4, 0, 1}});
}

TEST_F(Skinning, VerticesWithoutARowOrAnInvertedMeshStayWhereTheyAre)
{
    Skinned->FindOrAdd(0, P(1, 0, 0), P(1, 0, 0));
    Skinned->ApplyCurrentSkeletonFrame(true); // no inverted meshes yet
    Skinned->PrepareBoneMatrixInvertedMeshes();
    Skinned->Vertices()->Add(P(9, 9, 9)); // a vertex without a row
    Skinned->Normals()->Clear();          // and no normals
    Pose(P(1, 0, 0), 0);
    Skeleton.MorphMesh(true);
    ExpectNear(*Skinned->Vertices(), {{2, 0, 0}, {9, 9, 9}});
    EXPECT_EQ(Skinned->Normals()->Count(), 0);
}

TEST_F(Skinning, RagDollBonesArePlacedFromOutside)
{
    Skinned->FindOrAdd(1, P(1, 2, 0), P(1, 0, 0));
    Skinned->PrepareBoneMatrixInvertedMeshes();
    Skeleton.StopRagdoll(); // not started: nothing
    EXPECT_EQ(Skinned->BoneMatrixInvertedMeshCount(), 1);

    Pose(P(0, 0, 5), 0);
    Skeleton.MorphMesh(true);
    ExpectNear(*Skinned->Vertices(), {{1, 2, 5}});
    Skeleton.StartRagdoll(); // bound anew to the bones as they stand
    EXPECT_TRUE(Skeleton.RagDollEnabled());
    TGLSkeletonBone* child = Skeleton.BoneByID(1);
    TMatrix4f placed = IdentityHmgMatrix;
    placed.W = TVector4f{{{10, 0, 0, 1}}};
    child->SetGlobalMatrix(placed);
    Skeleton.MorphMesh(true);
    EXPECT_TRUE(MatrixIdentical(child->GlobalMatrix(), placed)) << "frames no longer place the bones";
    ExpectNear(*Skinned->Vertices(), {{11, 0, 0}});

    // From world space into the mesh's space.
    Mesh.Position()->SetPoint(3, 0, 0);
    child->SetGlobalMatrixForRagDoll(placed);
    Skeleton.MorphMesh(true);
    ExpectNear(*Skinned->Vertices(), {{8, 0, 0}});

    Skeleton.StopRagdoll();
    EXPECT_FALSE(Skeleton.RagDollEnabled());
    Pose(P(0, 0, 0), 0);
    Skeleton.MorphMesh(true);
    // The binding from before the rag-doll is back.
    ExpectNear(*Skinned->Vertices(), {{1, 2, 0}});
}

TEST_F(Skinning, SynchronizeTakesTheReferencePose)
{
    Skinned->FindOrAdd(0, P(1, 0, 0), P(1, 0, 0));
    Skinned->PrepareBoneMatrixInvertedMeshes();
    TGLBaseMesh other{nullptr};
    other.Skeleton()->Assign(&Skeleton);
    other.Skeleton()->Frames()->Items(0)->Position()->Put(0, P(0, 7, 0));
    Skeleton.Synchronize(other.Skeleton());
    EXPECT_EQ(Skeleton.CurrentFrame()->Position()->Get(0).Y, 7);
    ExpectNear(*Skinned->Vertices(), {{1, 7, 0}});
}
