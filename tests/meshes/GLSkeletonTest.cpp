#include "GLVectorFileObjects.h"

#include "GLState.h"
#include "GLVectorGeometry.h"
#include "Raises.h"
#include "RecordingGL.h"
#include "Streams.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr float cQuarterTurn = std::numbers::pi_v<float> / 2;

TVector3f P(float x, float y, float z)
{
    return TVector3f{{{x, y, z}}};
}

void ExpectNear(const TVector3f& actual, const TVector3f& expected, float tolerance = 1e-5f)
{
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual.V[i], expected.V[i], tolerance) << "component " << i;
}

void ExpectNear(const TMatrix4f& actual, const TMatrix4f& expected, float tolerance = 1e-5f)
{
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_NEAR(actual.V[row].V[column], expected.V[row].V[column], tolerance) << row << "," << column;
}

TVector3f Translation(const TMatrix4f& matrix)
{
    return P(matrix.W.X, matrix.W.Y, matrix.W.Z);
}

TVector3f Transformed(const TVector3f& point, const TMatrix4f& matrix)
{
    TVector3f result;
    AffineTransformPoint(point, matrix, result);
    return result;
}

// Vectors compared whole.
using TXYZ = std::array<float, 3>;

TXYZ XYZ(const TVector3f& v)
{
    return {v.X, v.Y, v.Z};
}

std::vector<TXYZ> Items(const TAffineVectorList& list)
{
    std::vector<TXYZ> result;
    for (int32_t i = 0; i < list.Count(); ++i) result.push_back(XYZ(list.List()[i]));
    return result;
}

template <class F> std::string Archive(F&& write)
{
    TStringStream stream;
    TBinaryWriter writer(&stream);
    write(writer);
    return stream.DataString();
}

// A frame with one (position, rotation) per bone, added to frames.
TGLSkeletonFrame& AddFrame(TGLSkeletonFrameList& frames, std::initializer_list<std::pair<TVector3f, TVector3f>> bones)
{
    auto* frame = new TGLSkeletonFrame(&frames);
    for (const auto& [position, rotation] : bones) {
        frame->Position()->Add(position);
        frame->Rotation()->Add(rotation);
    }
    return *frame;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Frames

TEST(SkeletonFrame, LocalMatricesRotateAboutXThenYThenZThenTranslate)
{
    TGLSkeletonFrame frame;
    frame.Position()->Add(P(1, 2, 3));
    frame.Rotation()->Add(P(0, 0, 0));
    frame.Position()->Add(P(0, 0, 0));
    frame.Rotation()->Add(P(cQuarterTurn, cQuarterTurn, 0));
    frame.Rotation()->Add(P(0, 0, cQuarterTurn)); // no position: not moved

    const std::vector<TMatrix4f>& matrices = frame.LocalMatrixList();
    ASSERT_EQ(matrices.size(), 3u);
    TMatrix4f translated = IdentityHmgMatrix;
    translated.W = TVector4f{{{1, 2, 3, 1}}};
    EXPECT_TRUE(MatrixIdentical(matrices[0], translated)) << "no rotation is exactly the identity";
    // About X the Y axis turns to Z, then about Y the Z axis turns to X.
    ExpectNear(Transformed(P(0, 1, 0), matrices[1]), P(1, 0, 0));
    ExpectNear(Transformed(P(1, 0, 0), matrices[2]), P(0, 1, 0));
    EXPECT_EQ(matrices[2].W.W, 1);
    ExpectNear(Translation(matrices[2]), P(0, 0, 0));
}

TEST(SkeletonFrame, QuaternionFramesTakeTheirRotationsFromTheQuaternions)
{
    TGLSkeletonFrame frame;
    frame.SetTransformMode(sftQuaternion);
    frame.Position()->Add(P(5, 0, 0));
    frame.Rotation()->Add(P(1, 1, 1)); // not authoritative
    TQuaternion quarterAboutZ;
    QuaternionFromAxisDegrees(P(0, 0, 1), 90, quarterAboutZ);
    // Not normalised: the matrix normalises it.
    frame.Quaternion()->Add(quarterAboutZ.ImagPart.X * 3, quarterAboutZ.ImagPart.Y * 3, quarterAboutZ.ImagPart.Z * 3,
                            quarterAboutZ.RealPart * 3);

    ASSERT_EQ(frame.LocalMatrixList().size(), 1u);
    ExpectNear(Transformed(P(1, 0, 0), frame.LocalMatrixList()[0]), P(5, 1, 0));
}

TEST(SkeletonFrame, LocalMatricesAreCachedUntilFlushedOrRead)
{
    TGLSkeletonFrame frame;
    frame.Position()->Add(P(1, 0, 0));
    frame.Rotation()->Add(P(0, 0, 0));
    EXPECT_EQ(frame.LocalMatrixList()[0].W.X, 1);
    frame.Position()->Put(0, P(2, 0, 0));
    EXPECT_EQ(frame.LocalMatrixList()[0].W.X, 1) << "changing the lists keeps the cache";
    frame.FlushLocalMatrixList();
    EXPECT_EQ(frame.LocalMatrixList()[0].W.X, 2);

    TGLSkeletonFrame other;
    other.Position()->Add(P(7, 0, 0));
    other.Rotation()->Add(P(0, 0, 0));
    frame.LoadFromString(other.SaveToString());
    EXPECT_EQ(frame.LocalMatrixList()[0].W.X, 7) << "reading discards the cache";
}

TEST(SkeletonFrame, RotationsAndQuaternionsConvertBothWays)
{
    TGLSkeletonFrameList frames;
    TGLSkeletonFrame& frame = AddFrame(frames, {{P(0, 0, 0), P(0.3f, -0.2f, 0.1f)}, {P(0, 0, 0), P(0, 0, 0)}});
    const std::vector<TMatrix4f> before = frame.LocalMatrixList();

    frame.ConvertRotationsToQuaternions(false);
    EXPECT_EQ(frame.Rotation()->Count(), 0);
    EXPECT_EQ(frame.Quaternion()->Count(), 2);
    EXPECT_EQ(frame.TransformMode(), sftRotation) << "a frame's own conversion keeps its mode";
    frame.SetTransformMode(sftQuaternion);
    frame.FlushLocalMatrixList();
    for (int i = 0; i < 2; ++i) ExpectNear(frame.LocalMatrixList()[i], before[i]);

    frames.ConvertQuaternionsToRotations(true, true);
    EXPECT_EQ(frame.TransformMode(), sftRotation);
    EXPECT_EQ(frame.Quaternion()->Count(), 2);
    ExpectNear(frame.Rotation()->Get(0), P(0.3f, -0.2f, 0.1f));
    ExpectNear(frame.Rotation()->Get(1), P(0, 0, 0));
}

TEST(SkeletonFrame, ArchivesRoundTripAndVersionZeroHasNoQuaternions)
{
    TGLSkeletonFrame frame;
    frame.SetName("walk 1");
    frame.Position()->Add(P(1, 2, 3));
    frame.Rotation()->Add(P(0.5f, 0, 0));
    frame.Quaternion()->Add(0, 0, 0, 1);
    frame.SetTransformMode(sftQuaternion);
    const std::string archive = frame.SaveToString();
    EXPECT_EQ(archive, Archive([&](TVirtualWriter& w) {
                  w.WriteInteger(1);
                  w.WriteString("walk 1");
                  frame.Position()->WriteToFiler(&w);
                  frame.Rotation()->WriteToFiler(&w);
                  frame.Quaternion()->WriteToFiler(&w);
                  w.WriteInteger(1);
              }));
    TGLSkeletonFrame copy;
    copy.LoadFromString(archive);
    EXPECT_EQ(copy.SaveToString(), archive);

    copy.LoadFromString(Archive([&](TVirtualWriter& w) {
        w.WriteInteger(0);
        w.WriteString("old");
        frame.Position()->WriteToFiler(&w);
        frame.Rotation()->WriteToFiler(&w);
    }));
    EXPECT_EQ(copy.Name(), "old");
    EXPECT_EQ(copy.Quaternion()->Count(), 0);
    EXPECT_EQ(copy.TransformMode(), sftRotation);

    for (int32_t version : {2, -1})
        EXPECT_EQ(MessageOf<EFilerException>([&] { copy.LoadFromString(Archive([&](TVirtualWriter& w) {
                      w.WriteInteger(version);
                  })); }),
                  "TGLSkeletonFrame : unknown archive version " + std::to_string(version));
    std::string badMode = archive;
    badMode.back() = 5; // the transform mode is the last byte
    EXPECT_EQ(MessageOf<EReadError>([&] { copy.LoadFromString(badMode); }),
              "TGLSkeletonFrame : unknown transform mode");
}

// ---------------------------------------------------------------------------------------------------------
// Skeletons in a base mesh

class Skeleton : public ::testing::Test {
protected:
    // A root bone (identifier 0, "root") with one child (identifier 1, "child").
    void AddRootAndChild()
    {
        Root = new TGLSkeletonBone(skeleton.RootBones());
        Root->SetName("root");
        Child = new TGLSkeletonBone(Root);
        Child->SetName("child");
        Child->SetBoneID(1);
    }

    TGLBaseMesh Mesh{nullptr};
    TGLSkeleton& skeleton = *Mesh.Skeleton();
    TGLSkeletonBone* Root = nullptr;
    TGLSkeletonBone* Child = nullptr;
};

TEST_F(Skeleton, BonesAreFoundByIdentifierAndNameAndCountTheRootList)
{
    AddRootAndChild();
    EXPECT_EQ(skeleton.BoneCount(), 3) << "the root list counts itself";
    EXPECT_EQ(Root->BoneCount(), 2);
    EXPECT_EQ(skeleton.BoneByID(1), Child);
    EXPECT_EQ(skeleton.BoneByName("child"), Child);
    EXPECT_EQ(skeleton.BoneByName("Child"), nullptr) << "names are case-sensitive";
    EXPECT_EQ(Child->Owner(), Root);
    EXPECT_EQ(Child->Skeleton(), &skeleton);

    // A bone added later is found; a gap below the highest identifier is nullptr, anything outside an error.
    (new TGLSkeletonBone(Child))->SetBoneID(4);
    EXPECT_EQ(skeleton.BoneByID(4)->Owner(), Child);
    EXPECT_EQ(skeleton.BoneByID(2), nullptr);
    for (int32_t id : {5, -1}) {
        EXPECT_EQ(MessageOf<EListError>([&] { skeleton.BoneByID(id); }),
                  "List index out of bounds (" + std::to_string(id) + ")");
        EXPECT_EQ(skeleton.FindBoneByID(id), nullptr);
    }

    // Of two bones with one identifier the later in depth-first order wins; a bone freed is forgotten.
    auto* second = new TGLSkeletonBone(skeleton.RootBones());
    second->SetBoneID(1);
    EXPECT_EQ(skeleton.BoneByID(1), second);
    Free(second);
    EXPECT_EQ(skeleton.BoneByID(1), Child);
    EXPECT_EQ(skeleton.RootBones()->Count(), 1);
}

TEST_F(Skeleton, AChildsGlobalMatrixIsItsLocalMatrixTimesItsParents)
{
    AddRootAndChild();
    // The root stands at (1, 0, 0) turned a quarter about Z; the child 2 along the root's Y.
    AddFrame(*skeleton.Frames(), {{P(1, 0, 0), P(0, 0, cQuarterTurn)}, {P(0, 2, 0), P(0, 0, 0)}});
    skeleton.RootBones()->PrepareGlobalMatrices();

    ExpectNear(Translation(Root->GlobalMatrix()), P(1, 0, 0));
    ExpectNear(Translation(Child->GlobalMatrix()), P(-1, 0, 0));
    TMatrix4f expected;
    MatrixProduct(skeleton.CurrentFrame()->LocalMatrixList()[1], Root->GlobalMatrix(), expected);
    EXPECT_TRUE(MatrixIdentical(Child->GlobalMatrix(), expected));
}

TEST_F(Skeleton, WithoutFramesThereIsNoCurrentFrameAndBonesStandAtTheirParents)
{
    AddRootAndChild();
    Child->SetBoneID(9); // beyond any frame
    EXPECT_EQ(skeleton.CurrentFrame(), nullptr);
    skeleton.RootBones()->PrepareGlobalMatrices();
    EXPECT_TRUE(MatrixIdentical(Child->GlobalMatrix(), IdentityHmgMatrix));

    AddFrame(*skeleton.Frames(), {{P(3, 0, 0), P(0, 0, 0)}});
    skeleton.RootBones()->PrepareGlobalMatrices();
    // A bone the frame does not cover follows its parent.
    ExpectNear(Translation(Child->GlobalMatrix()), P(3, 0, 0));
}

TEST_F(Skeleton, TheCurrentFrameIsAnOwnCopy)
{
    TGLSkeletonFrame& first = AddFrame(*skeleton.Frames(), {{P(1, 0, 0), P(0, 0, 0)}});
    TGLSkeletonFrame& second = AddFrame(*skeleton.Frames(), {{P(2, 0, 0), P(0, 0, 0)}});
    TGLSkeletonFrame* current = skeleton.CurrentFrame();
    ASSERT_NE(current, nullptr);
    EXPECT_NE(current, &first);
    EXPECT_EQ(current->Owner(), nullptr);
    EXPECT_EQ(Items(*current->Position()), Items(*first.Position()));

    skeleton.MorphTo(1);
    EXPECT_EQ(Items(*skeleton.CurrentFrame()->Position()), Items(*second.Position()));
    second.Position()->Put(0, P(9, 9, 9));
    EXPECT_EQ(skeleton.CurrentFrame()->Position()->Get(0).X, 2) << "a copy, not the frame";
    EXPECT_THROW(skeleton.MorphTo(2), EListError);
    EXPECT_THROW(skeleton.MorphTo(-1), EListError);
}

TEST_F(Skeleton, LerpReproducesItsFramesAtZeroAndOne)
{
    for (TGLSkeletonFrameTransform mode : {sftRotation, sftQuaternion}) {
        skeleton.Clear();
        TGLSkeletonFrame& a = AddFrame(*skeleton.Frames(), {{P(0, 0, 0), P(0.2f, 0, 0)}, {P(1, 1, 1), P(0, 0.4f, 0)}});
        TGLSkeletonFrame& b = AddFrame(*skeleton.Frames(), {{P(2, 0, 0), P(0.6f, 0, 0)}, {P(3, 1, 1), P(0, 0.8f, 0)}});
        if (mode == sftQuaternion) skeleton.Frames()->ConvertRotationsToQuaternions(true, true);

        for (auto [factor, frame] : {std::pair{0.0f, &a}, std::pair{1.0f, &b}}) {
            skeleton.Lerp(0, 1, factor);
            TGLSkeletonFrame& current = *skeleton.CurrentFrame();
            EXPECT_EQ(current.TransformMode(), mode);
            EXPECT_EQ(Items(*current.Position()), Items(*frame->Position()));
            for (int bone = 0; bone < 2; ++bone) ExpectNear(current.LocalMatrixList()[bone], frame->LocalMatrixList()[bone]);
        }
        skeleton.Lerp(0, 1, 0.5f);
        ExpectNear(skeleton.CurrentFrame()->Position()->Get(1), P(2, 1, 1));
        // Halfway between 0.2 and 0.6 about X, at (1, 0, 0).
        ExpectNear(Transformed(P(0, 1, 0), skeleton.CurrentFrame()->LocalMatrixList()[0]),
                   P(1, std::cos(0.4f), std::sin(0.4f)));
    }
}

TEST_F(Skeleton, BlendedLerpsWeighTheFirstLayerAndAddTheOthers)
{
    AddFrame(*skeleton.Frames(), {{P(0, 0, 0), P(0.1f, 0, 0)}, {P(2, 0, 0), P(0, 0, 0)}});
    AddFrame(*skeleton.Frames(), {{P(4, 0, 0), P(0.3f, 0, 0)}, {P(6, 0, 0), P(0, 0, 0)}});
    AddFrame(*skeleton.Frames(), {{P(0, 1, 0), P(0, 0.2f, 0)}, {P(0, 3, 0), P(0, 0, 0)}});

    skeleton.Lerp(0, 1, 0.25f);
    const std::string lerped = skeleton.CurrentFrame()->SaveToString();
    const TBlendedLerpInfo single{.frameIndex1 = 0, .frameIndex2 = 1, .lerpFactor = 0.25f, .weight = 0.5f};
    skeleton.BlendedLerps(std::span(&single, 1));
    EXPECT_EQ(skeleton.CurrentFrame()->SaveToString(), lerped) << "one layer is Lerp, its weight unused";

    // Layer 0 at half weight, then frame 2's positions and rotations (frame 2 to itself) added.
    const std::vector<TBlendedLerpInfo> layers{{.frameIndex1 = 0, .frameIndex2 = 1, .lerpFactor = 0.5f, .weight = 0.5f},
                                               {.frameIndex1 = 2, .frameIndex2 = 2, .lerpFactor = 0.3f, .weight = 0}};
    skeleton.BlendedLerps(layers);
    TGLSkeletonFrame& blended = *skeleton.CurrentFrame();
    EXPECT_EQ(Items(*blended.Position()), (std::vector<TXYZ>{{1, 1, 0}, {2, 3, 0}}));
    ExpectNear(blended.Rotation()->Get(0), P(0.2f, 0.2f, 0));

    // External lists stand in for a layer's frames.
    TAffineVectorList positions, rotations;
    positions.Add(P(0, 0, 5));
    positions.Add(P(0, 0, 6));
    rotations.Add(P(0, 0, 0.5f));
    rotations.Add(P(0, 0, 0));
    const std::vector<TBlendedLerpInfo> external{
        {.frameIndex1 = 0, .frameIndex2 = 0, .lerpFactor = 0, .weight = 1},
        {.frameIndex1 = 9, .frameIndex2 = 9, .externalPositions = &positions, .externalRotations = &rotations}};
    skeleton.BlendedLerps(external);
    EXPECT_EQ(Items(*skeleton.CurrentFrame()->Position()), (std::vector<TXYZ>{{0, 0, 5}, {2, 0, 6}}));
    ExpectNear(skeleton.CurrentFrame()->Rotation()->Get(0), P(0.1f, 0, 0.5f));

    EXPECT_THROW(skeleton.BlendedLerps({}), EAssertionFailed);
}

TEST_F(Skeleton, QuaternionLayersAreComposed)
{
    AddFrame(*skeleton.Frames(), {{P(0, 0, 0), P(0, 0, 0.2f)}});
    AddFrame(*skeleton.Frames(), {{P(0, 0, 0), P(0, 0, 0.3f)}});
    skeleton.Frames()->ConvertRotationsToQuaternions(false, true);
    const std::vector<TBlendedLerpInfo> layers{{.frameIndex1 = 0, .frameIndex2 = 0, .lerpFactor = 0},
                                               {.frameIndex1 = 1, .frameIndex2 = 1, .lerpFactor = 0}};
    skeleton.BlendedLerps(layers);
    EXPECT_EQ(skeleton.CurrentFrame()->Rotation()->Count(), 0);
    // 0.2 then 0.3 about Z: half a radian.
    ExpectNear(Transformed(P(1, 0, 0), skeleton.CurrentFrame()->LocalMatrixList()[0]),
               P(std::cos(0.5f), std::sin(0.5f), 0));
}

TEST_F(Skeleton, MakeSkeletalTranslationStaticRemovesTheDriftOfBoneZero)
{
    for (float x : {0.0f, 1.0f, 2.0f}) AddFrame(*skeleton.Frames(), {{P(x, 0, 0), P(0, 0, 0)}, {P(x, 5, 0), P(0, 0, 0)}});
    skeleton.MakeSkeletalTranslationStatic(0, 2);
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(XYZ(skeleton.Frames()->Items(i)->Position()->Get(0)), (TXYZ{0, 0, 0})) << "frame " << i;
        EXPECT_EQ(skeleton.Frames()->Items(i)->Position()->Get(1).Y, 5) << "only bone 0 moves";
    }

    const std::string before = skeleton.SaveToString();
    skeleton.MakeSkeletalTranslationStatic(2, 2);
    skeleton.MakeSkeletalTranslationStatic(2, 0);
    EXPECT_THROW(skeleton.MakeSkeletalTranslationStatic(1, 3), EListError);
    EXPECT_THROW(skeleton.MakeSkeletalTranslationStatic(-1, 1), EListError);
    skeleton.Frames()->Items(2)->Position()->Clear();
    EXPECT_THROW(skeleton.MakeSkeletalTranslationStatic(0, 2), EAssertionFailed);
    skeleton.Frames()->Items(2)->Position()->Add(P(0, 0, 0));
    skeleton.Frames()->Items(2)->Position()->Add(P(2, 5, 0));
    EXPECT_EQ(skeleton.SaveToString(), before) << "a range that cannot be done changes nothing";
}

TEST_F(Skeleton, MakeSkeletalRotationDeltaIsRelativeToFrameZeroAsItWas)
{
    AddFrame(*skeleton.Frames(), {{P(1, 1, 1), P(0.1f, 0, 0)}});
    AddFrame(*skeleton.Frames(), {{P(2, 2, 2), P(0.4f, 0.2f, 0)}});
    AddFrame(*skeleton.Frames(), {{P(3, 3, 3), P(0.1f, 0.0001f, 0)}});
    skeleton.MakeSkeletalRotationDelta(0, 2);
    const std::vector<TVector3f> expected{P(0, 0, 0), P(0.3f, 0.2f, 0), P(0, 0, 0)};
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(XYZ(skeleton.Frames()->Items(i)->Position()->Get(0)), (TXYZ{0, 0, 0}));
        ExpectNear(skeleton.Frames()->Items(i)->Rotation()->Get(0), expected[i]);
    }
}

TEST_F(Skeleton, CollidersFollowTheirBones)
{
    AddRootAndChild();
    AddFrame(*skeleton.Frames(), {{P(0, 0, 0), P(0, 0, 0)}, {P(0, 2, 0), P(0, 0, 0)}});
    auto* onChild = new TGLSkeletonCollider(skeleton.Colliders());
    onChild->SetBone(Child);
    TMatrix4f local = IdentityHmgMatrix;
    local.W = TVector4f{{{1, 0, 0, 1}}};
    onChild->SetLocalMatrix(local);
    auto* loose = new TGLSkeletonCollider(skeleton.Colliders());
    loose->SetLocalMatrix(local);
    auto* fixed = new TGLSkeletonCollider(skeleton.Colliders());
    fixed->SetBone(Child);
    fixed->SetAutoUpdate(false);
    new TGLMeshObject(Mesh.MeshObjects()); // MorphMesh works on meshes that have mesh objects

    skeleton.MorphMesh(true);
    ExpectNear(Translation(onChild->GlobalMatrix()), P(1, 2, 0));
    EXPECT_TRUE(MatrixIdentical(loose->GlobalMatrix(), local));
    EXPECT_TRUE(MatrixIdentical(fixed->GlobalMatrix(), IdentityHmgMatrix));

    // A collider in a scene object's skeleton lives in world space.
    Mesh.Position()->SetPoint(10, 0, 0);
    onChild->AlignCollider();
    ExpectNear(Translation(onChild->GlobalMatrix()), P(11, 2, 0));

    Free(Child);
    EXPECT_EQ(onChild->Bone(), nullptr) << "a dying bone leaves its colliders";
}

TEST_F(Skeleton, ArchivesStoreTheBoneListVersionAfterTheBones)
{
    Root = new TGLSkeletonBone(skeleton.RootBones());
    Root->SetName("root");
    Root->SetColor(0x80402010u);
    EXPECT_EQ(skeleton.SaveToString(), Archive([](TVirtualWriter& w) {
                  w.WriteInteger(0); // no colliders
                  w.WriteInteger(0); // root bones: the object list
                  w.WriteListBegin();
                  w.WriteString("TGLSkeletonBone");
                  w.WriteInteger(0); // the bone's children
                  w.WriteListBegin();
                  w.WriteListEnd();
                  w.WriteInteger(0); // their bone-list version
                  w.WriteInteger(0); // the bone's version
                  w.WriteString("root");
                  w.WriteInteger(0);
                  w.WriteInteger(static_cast<int32_t>(0x80402010u));
                  w.WriteListEnd();
                  w.WriteInteger(0); // the root list's bone-list version
                  w.WriteInteger(0); // the root list's version
                  w.WriteInteger(0); // frames
                  w.WriteListBegin();
                  w.WriteListEnd();
              }));
}

TEST_F(Skeleton, ArchivesRoundTripWithCollidersOnBonesOrNone)
{
    AddRootAndChild();
    AddFrame(*skeleton.Frames(), {{P(0, 0, 0), P(0, 0, 0)}, {P(0, 2, 0), P(0, 0.5f, 0)}}).SetName("rest");
    new TGLSkeletonFrame(skeleton.Frames());
    const std::string withoutColliders = skeleton.SaveToString();
    EXPECT_EQ(withoutColliders[1], 0) << "version 0 (an Integer: tag, then the byte)";

    auto* onChild = new TGLSkeletonCollider(skeleton.Colliders());
    onChild->SetBone(Child);
    auto* loose = new TGLSkeletonCollider(skeleton.Colliders());
    TMatrix4f local = IdentityHmgMatrix;
    local.Z.Z = 3;
    loose->SetLocalMatrix(local);
    const std::string archive = skeleton.SaveToString();
    EXPECT_EQ(archive[1], 1);
    const std::string looseArchive = loose->SaveToString();
    EXPECT_EQ(looseArchive, Archive([&](TVirtualWriter& w) {
                  w.WriteInteger(0);
                  w.WriteInteger(-1);
                  w.Write(&local, sizeof(local));
              }));

    TGLBaseMesh other{nullptr};
    TGLSkeleton& copy = *other.Skeleton();
    copy.LoadFromString(archive);
    EXPECT_EQ(copy.SaveToString(), archive);
    EXPECT_EQ(copy.BoneByID(1)->Name(), "child");
    EXPECT_EQ(copy.BoneByID(1)->Skeleton(), &copy);
    EXPECT_EQ(copy.Frames()->Items(0)->Owner(), copy.Frames());
    ASSERT_EQ(copy.Colliders()->Count(), 2);
    EXPECT_EQ(copy.Colliders()->Items(0)->Bone(), copy.BoneByID(1));
    EXPECT_EQ(copy.Colliders()->Items(0)->Owner(), copy.Colliders());
    EXPECT_EQ(copy.Colliders()->Items(1)->Bone(), nullptr);
    EXPECT_EQ(copy.Colliders()->Items(1)->LocalMatrix().Z.Z, 3);

    copy.LoadFromString(withoutColliders);
    EXPECT_EQ(copy.Colliders()->Count(), 0) << "an archive without colliders leaves none";
    EXPECT_EQ(copy.SaveToString(), withoutColliders);

    // Copying a skeleton goes through its archive.
    TGLSkeleton assigned;
    assigned.Assign(&skeleton);
    EXPECT_EQ(assigned.SaveToString(), archive);
}

TEST_F(Skeleton, ColliderBonesAreLookedUpAndANegativeIdentifierIsRefused)
{
    AddRootAndChild();
    const auto withCollider = [&](int32_t boneID) {
        return Archive([&](TVirtualWriter& w) {
            w.WriteInteger(1);
            skeleton.RootBones()->WriteToFiler(&w);
            skeleton.Frames()->WriteToFiler(&w);
            w.WriteInteger(0);
            w.WriteListBegin();
            w.WriteString("TGLSkeletonCollider");
            w.WriteInteger(0);
            w.WriteInteger(boneID);
            w.Write(&IdentityHmgMatrix, sizeof(TMatrix4f));
            w.WriteListEnd();
        });
    };
    TGLSkeleton copy;
    copy.LoadFromString(withCollider(1));
    EXPECT_EQ(copy.Colliders()->Items(0)->Bone(), copy.BoneByID(1));
    copy.LoadFromString(withCollider(7));
    EXPECT_EQ(copy.Colliders()->Items(0)->Bone(), nullptr) << "a bone the skeleton lacks";
    EXPECT_EQ(copy.Colliders()->Items(0)->BoneID(), 7);
    EXPECT_EQ(MessageOf<EReadError>([&] { copy.LoadFromString(withCollider(-2)); }),
              "TGLSkeletonColliderList : negative bone identifier");
}

TEST_F(Skeleton, BrokenArchivesAreRefused)
{
    AddRootAndChild();
    const std::string good = skeleton.SaveToString();
    struct TCase {
        std::string Bytes;
        std::string Message;
    };
    std::string nilBone = Archive([](TVirtualWriter& w) {
        w.WriteInteger(0);
        w.WriteInteger(0);
        w.WriteListBegin();
        w.WriteBoolean(false);
        w.WriteInteger(0);
        w.WriteListEnd();
    });
    std::string frameAmongBones = Archive([](TVirtualWriter& w) {
        w.WriteInteger(0);
        w.WriteInteger(0);
        w.WriteListBegin();
        w.WriteString("TGLSkeletonFrame");
    });
    const std::vector<TCase> cases{
        {Archive([](TVirtualWriter& w) { w.WriteInteger(2); }), "TGLSkeleton : unknown archive version 2"},
        {nilBone, "TGLSkeletonRootBoneList : archived entry is not a TGLSkeletonBone"},
        {frameAmongBones, "TGLSkeletonRootBoneList : archived entry is not a TGLSkeletonBone"},
        {good.substr(0, good.size() - 1), "Stream read error"},
    };
    for (const TCase& c : cases) {
        TGLSkeleton copy;
        EXPECT_EQ(MessageOf<Exception>([&] { copy.LoadFromString(c.Bytes); }), c.Message);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Debug drawing

namespace {

std::vector<TXYZ>* vDrawnVertices = nullptr;

void DrawnVertex(const GLfloat* v)
{
    vDrawnVertices->push_back({v[0], v[1], v[2]});
}

} // namespace

TEST_F(Skeleton, BonesDrawAsColouredPointsWithLinesToTheirParents)
{
    AddRootAndChild();
    Root->SetColor(0xFF0000FFu); // opaque red
    AddFrame(*skeleton.Frames(), {{P(1, 0, 0), P(0, 0, 0)}, {P(0, 2, 0), P(0, 0, 0)}});
    skeleton.RootBones()->PrepareGlobalMatrices();

    TRecordingGL gl;
    std::vector<TXYZ> vertices;
    vDrawnVertices = &vertices;
    gl.Table.Vertex3fv = &DrawnVertex;
    TGLStateCache cache;
    cache.Enable(stLighting);
    cache.Enable(stColorMaterial);
    TGLRenderContextInfo rci{};
    rci.GLStates = &cache;
    gl.Calls.clear();
    skeleton.RootBones()->BuildList(rci);
    vDrawnVertices = nullptr;

    EXPECT_EQ(gl.Only({"Disable", "Color3f", "PointSize", "Begin", "Color4f", "End"}),
              (std::vector<TGLCall>{GLCall("Disable", GL_COLOR_MATERIAL), GLCall("Disable", GL_LIGHTING),
                                    GLCall("Color3f", 1, 1, 1), GLCall("PointSize", 5), GLCall("Begin", GL_POINTS),
                                    GLCall("Color4f", 1, 0, 0, 1), GLCall("End"), GLCall("Begin", GL_POINTS),
                                    GLCall("Color4f", 1, 1, 1, 1), GLCall("End"), GLCall("Begin", GL_LINES),
                                    GLCall("End")}));
    EXPECT_EQ(vertices, (std::vector<TXYZ>{{1, 0, 0}, {1, 2, 0}, {1, 0, 0}, {1, 2, 0}}));
}
