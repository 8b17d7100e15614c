#include "GLFile3DSSceneObjects.h"

#include "../scene/RecordingDrawFixture.h"
#include "ComponentStreams.h"
#include "GLCoordinates.h"
#include "GLObjects.h"
#include "Raises.h"
#include "Streams.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace {

const std::string cUnit = " (VAVodad\\Source\\FileFormats\\GLFile3DSSceneObjects)";

using TXYZ = std::array<float, 3>;

TXYZ XYZ(const TVector3f& v)
{
    return {v.X, v.Y, v.Z};
}

TXYZ XYZ(const TVector4f& v)
{
    return {v.X, v.Y, v.Z};
}

TXYZ XYZ(const TGLCustomCoordinates& c)
{
    return {c.X(), c.Y(), c.Z()};
}

void ExpectNear(const TXYZ& actual, const TXYZ& expected, const char* what)
{
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(actual[k], expected[k], 1e-5f) << what << " [" << k << "]";
}

TKeyHeader3DS Key(int32_t time)
{
    TKeyHeader3DS key;
    key.Time = time;
    return key;
}

std::vector<TKeyHeader3DS> Keys(std::initializer_list<int32_t> times)
{
    std::vector<TKeyHeader3DS> keys;
    for (int32_t time : times) keys.push_back(Key(time));
    return keys;
}

// The archive bytes of an Integer.
std::string IntegerBytes(int32_t value)
{
    TStringStream stream;
    TBinaryWriter(&stream).WriteInteger(value);
    return stream.DataString();
}

std::string RawBytes(std::initializer_list<float> values)
{
    std::string bytes;
    for (float v : values) bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
    return bytes;
}

// A mesh motion with one key in each of its three tracks.
TKFMesh3DS MeshMotion(const std::string& parent)
{
    TKFMesh3DS motion;
    motion.ParentStr = parent;
    motion.Pivot = {1, 2, 3};
    motion.NSKeys = 1;
    motion.SKeys = Keys({0});
    motion.Scale = {{2, 2, 2}};
    motion.NRKeys = 1;
    motion.RKeys = Keys({0});
    motion.Rot = {{0.5f, 0, 0, 1}};
    motion.NPKeys = 2;
    motion.PKeys = Keys({0, 10});
    motion.PKeys[1].RFlags = 0x05;
    motion.PKeys[1].Tension = 0.5f;
    motion.PKeys[1].Bias = 0.25f;
    motion.Pos = {{1, 0, 0}, {2, 0, 0}};
    return motion;
}

TLight3DS Light(const std::string& name, bool spot)
{
    TLight3DS light;
    light.NameStr = name;
    light.Pos = {1, 2, 3};
    light.Color = {0.5f, 0.25f, 1};
    light.Multiplier = 2;
    light.DLOff = true;
    if (spot) {
        light.Spot.emplace();
        light.Spot->Target = {1, 2, 13};
        light.Spot->Hotspot = 40;
        light.Spot->FallOff = 60;
    }
    return light;
}

TKFOmni3DS OmniMotion()
{
    TKFOmni3DS motion;
    motion.NPKeys = 1;
    motion.PKeys = Keys({0});
    motion.Pos = {{4, 5, 6}};
    motion.NCKeys = 1;
    motion.CKeys = Keys({0});
    motion.Color = {{1, 1, 1}};
    return motion;
}

TKFSpot3DS SpotMotion()
{
    TKFSpot3DS motion;
    motion.NPKeys = 1;
    motion.PKeys = Keys({0});
    motion.Pos = {{4, 5, 6}};
    motion.NTKeys = 1;
    motion.TKeys = Keys({0});
    motion.TPos = {{7, 8, 9}};
    motion.NFKeys = 1;
    motion.FKeys = Keys({0});
    motion.Fall = {50};
    motion.NHKeys = 1;
    motion.HKeys = Keys({0});
    motion.Hot = {30};
    return motion;
}

TCamera3DS Camera(const std::string& name)
{
    TCamera3DS camera;
    camera.NameStr = name;
    camera.Position = {1, 2, 3};
    camera.Target = {4, 5, 6};
    camera.Roll = 30;
    camera.FOV = 45;
    return camera;
}

TKFCamera3DS CameraMotion()
{
    TKFCamera3DS motion;
    motion.NPKeys = 1;
    motion.PKeys = Keys({0});
    motion.Pos = {{9, 9, 9}};
    motion.NRKeys = 1;
    motion.RKeys = Keys({0});
    motion.Roll = {15};
    return motion;
}

std::vector<int> TypeCodes(const TGLFile3DSAnimationKeyList& list)
{
    std::vector<int> codes;
    for (int32_t i = 0; i < list.Count(); ++i) codes.push_back(list.Items(i)->TypeCode());
    return codes;
}

// A mesh node "Box" with one vertex, its child mesh node "Lid", an omni light, a spot light and a camera, each
// loaded into the mesh from its record and motion.
struct TNodes {
    TGLFile3DSMeshObject* Box;
    TGLFile3DSMeshObject* Lid;
    TGLFile3DSOmniLightObject* Omni;
    TGLFile3DSSpotLightObject* Spot;
    TGLFile3DSCameraObject* Cam;
};

TNodes LoadNodes(TGLBaseMesh& mesh)
{
    TGLMeshObjectList* list = mesh.MeshObjects();
    TNodes nodes;
    nodes.Box = new TGLFile3DSMeshObject(list);
    nodes.Box->SetName("Box");
    nodes.Box->Vertices()->Add(1, 2, 3);
    nodes.Box->LoadAnimation(MeshMotion(""));
    nodes.Lid = new TGLFile3DSMeshObject(list);
    nodes.Lid->SetName("Lid");
    nodes.Lid->LoadAnimation(MeshMotion("Box"));
    nodes.Omni = new TGLFile3DSOmniLightObject(list);
    nodes.Omni->LoadData(&mesh, Light("Lamp", false));
    nodes.Omni->LoadAnimation(OmniMotion());
    nodes.Spot = new TGLFile3DSSpotLightObject(list);
    nodes.Spot->LoadData(&mesh, Light("Torch", true));
    nodes.Spot->LoadAnimation(SpotMotion());
    nodes.Cam = new TGLFile3DSCameraObject(list);
    nodes.Cam->LoadData(&mesh, Camera("Eye"));
    nodes.Cam->LoadAnimation(CameraMotion());
    return nodes;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Tracks

TEST(File3DSTracks, RotationKeysTurnAtMostHalfWayRoundAboutAnAxis)
{
    const float pi = std::numbers::pi_v<float>;
    const struct {
        TKFRotKey3DS in, out;
    } cases[] = {
        {{4, 0, 1, 0}, {static_cast<float>(2 * std::numbers::pi - 4), 0, -1, 0}},
        {{1, 0, 0, 0}, {1, 1, 0, 0}},
        {{pi, 0, 0, 2}, {pi, 0, 0, 2}},
        {{5, 0, 0, 0}, {static_cast<float>(2 * std::numbers::pi - 5), -1, 0, 0}},
        {{-1, 3, 0, 0}, {-1, 3, 0, 0}},
    };
    for (const auto& c : cases) {
        TGLFile3DSRotationAnimationKeys track;
        const std::vector<TKeyHeader3DS> keys = Keys({0});
        const std::vector<TKFRotKey3DS> values = {c.in};
        track.LoadData(1, std::span<const TKeyHeader3DS>(keys), std::span<const TKFRotKey3DS>(values));
        ASSERT_EQ(track.Values().size(), 1u);
        const TKFRotKey3DS& out = track.Values()[0];
        EXPECT_FLOAT_EQ(out.Angle, c.out.Angle) << c.in.Angle;
        EXPECT_EQ(TXYZ({out.X, out.Y, out.Z}), TXYZ({c.out.X, c.out.Y, c.out.Z})) << c.in.Angle;
    }
}

TEST(File3DSTracks, LoadDataTakesNoMoreKeysThanTheRecordHolds)
{
    const std::vector<TKeyHeader3DS> keys = Keys({0, 5, 9});
    const std::vector<float> values = {1, 2};
    for (const auto& [count, expected] : {std::pair{3, 2u}, {1, 1u}, {-4, 0u}}) {
        TGLFile3DSRollAnimationKeys track;
        track.LoadData(count, std::span<const TKeyHeader3DS>(keys), std::span<const float>(values));
        EXPECT_EQ(track.NumKeys(), static_cast<int32_t>(expected)) << count;
        EXPECT_EQ(track.Values().size(), expected) << count;
    }
}

TEST(File3DSTracks, ValueTracksInterpolateBetweenTheKeysAroundTheFrame)
{
    TGLFile3DSPositionAnimationKeys position;
    const std::vector<TKeyHeader3DS> keys = Keys({0, 10, 20});
    const std::vector<TPoint3DS> points = {{0, 0, 0}, {10, 0, 0}, {10, 20, 0}};
    position.LoadData(3, std::span<const TKeyHeader3DS>(keys), std::span<const TPoint3DS>(points));
    const struct {
        double frame;
        TXYZ translation;
    } cases[] = {{-5, {0, 0, 0}}, {0, {0, 0, 0}}, {5, {5, 0, 0}}, {15, {10, 10, 0}}, {20, {10, 20, 0}}, {99, {10, 20, 0}}};
    for (const auto& c : cases) {
        TGLFile3DSAnimationData data;
        data.ModelMatrix.W.X = 1; // added to, not replaced
        position.Apply(data, c.frame);
        ExpectNear(XYZ(data.ModelMatrix.W), {c.translation[0] + 1, c.translation[1], c.translation[2]}, "at frame");
    }

    // One key gives its value at every frame; no keys change nothing.
    TGLFile3DSLightHotSpotAnimationKeys hotSpot;
    const std::vector<float> hot = {30};
    hotSpot.LoadData(1, std::span<const TKeyHeader3DS>(keys), std::span<const float>(hot));
    TGLFile3DSAnimationData data;
    hotSpot.Apply(data, 50);
    EXPECT_FLOAT_EQ(data.HotSpot, 30);
    TGLFile3DSScaleAnimationKeys none;
    none.Apply(data, 0);
    EXPECT_TRUE(MatrixIdentical(data.ModelMatrix, IdentityHmgMatrix));
}

TEST(File3DSTracks, RotationKeysTurnOnFromWhereTheKeysBeforeThemLeft)
{
    const float quarter = std::numbers::pi_v<float> / 2;
    TGLFile3DSRotationAnimationKeys rotation;
    const std::vector<TKeyHeader3DS> keys = Keys({0, 10});
    const std::vector<TKFRotKey3DS> turns = {{quarter, 0, 0, 1}, {quarter, 0, 0, 1}};
    rotation.LoadData(2, std::span<const TKeyHeader3DS>(keys), std::span<const TKFRotKey3DS>(turns));
    // At 5 the first turn and half the second; at 10 both; the X axis ends where each turn sends it.
    TMatrix4f quarterTurn, eighthTurn;
    MatrixRotationAxis(TVector3f{{{0, 0, 1}}}, quarter, quarterTurn);
    MatrixRotationAxis(TVector3f{{{0, 0, 1}}}, quarter / 2, eighthTurn);
    TMatrix4f atFive, atTen;
    MatrixProduct(quarterTurn, eighthTurn, atFive);
    MatrixProduct(quarterTurn, quarterTurn, atTen);
    for (const auto& [frame, expected] : {std::pair{5.0, atFive}, {10.0, atTen}, {0.0, quarterTurn}}) {
        TGLFile3DSAnimationData data;
        rotation.Apply(data, frame);
        for (int row = 0; row < 3; ++row)
            ExpectNear(XYZ(data.ModelMatrix.V[row]), XYZ(expected.V[row]), "row");
    }
}

TEST(File3DSTracks, KeyHeadersAreArchivedFieldByFieldWithZeroPadding)
{
    TKeyHeader3DS key = Key(7);
    key.RFlags = 0x05;
    key.Tension = 0.5f;
    key.Bias = 0.25f;
    // Whatever the record's padding holds stays out of the archive.
    std::memset(reinterpret_cast<char*>(&key) + 6, 0xAB, 2);
    const std::vector<TKeyHeader3DS> keys = {key};
    const std::vector<TPoint3DS> points = {{1, 2, 3}};
    TGLFile3DSPositionAnimationKeys track;
    track.LoadData(1, std::span<const TKeyHeader3DS>(keys), std::span<const TPoint3DS>(points));

    const std::string header("\x07\x00\x00\x00\x05\x00\x00\x00", 8);
    EXPECT_EQ(track.SaveToString(), IntegerBytes(1) + header + RawBytes({0.5f, 0, 0.25f, 0, 0, 1, 2, 3}));

    TGLFile3DSPositionAnimationKeys again;
    again.LoadFromString(track.SaveToString());
    ASSERT_EQ(again.NumKeys(), 1);
    EXPECT_EQ(again.Keys()[0].Time, 7);
    EXPECT_EQ(again.Keys()[0].RFlags, 0x05);
    EXPECT_FLOAT_EQ(again.Keys()[0].Bias, 0.25f);
    EXPECT_EQ(XYZ(again.Values()[0]), TXYZ({1, 2, 3}));

    // A track without keys is its count alone.
    EXPECT_EQ(TGLFile3DSRollAnimationKeys().SaveToString(), IntegerBytes(0));
}

TEST(File3DSTracks, ArchivesThatLieAboutTheirKeysAreRefused)
{
    const struct {
        const char* name;
        std::string archive;
        std::string message;
    } cases[] = {
        {"negative key count", IntegerBytes(-1), "TGLFile3DSRollAnimationKeys : keys that do not fit the archive"},
        {"keys beyond the end", IntegerBytes(2) + std::string(40, '\0'),
         "TGLFile3DSRollAnimationKeys : keys that do not fit the archive"},
        {"huge key count", IntegerBytes(0x7FFFFFFF), "TGLFile3DSRollAnimationKeys : keys that do not fit the archive"},
    };
    for (const auto& c : cases) {
        TGLFile3DSRollAnimationKeys track;
        EXPECT_EQ(MessageOf<EReadError>([&] { track.LoadFromString(c.archive); }), c.message) << c.name;
    }
    const struct {
        const char* name;
        std::string archive;
        std::string message;
    } lists[] = {
        {"unknown code", IntegerBytes(1) + std::string("\x08", 1) + IntegerBytes(0),
         "Error: Unknown type!" + cUnit},
        {"negative count", IntegerBytes(-3), "TGLFile3DSAnimationKeyList : tracks that do not fit the archive"},
        {"more tracks than bytes", IntegerBytes(1000) + std::string(10, '\0'),
         "TGLFile3DSAnimationKeyList : tracks that do not fit the archive"},
    };
    for (const auto& c : lists) {
        TGLFile3DSAnimationKeyList list;
        EXPECT_EQ(MessageOf<Exception>([&] { list.LoadFromString(c.archive); }), c.message) << c.name;
    }
}

TEST(File3DSTracks, KeyListCopiesAreDeepAndKeepTheClasses)
{
    TGLBaseMesh mesh(nullptr);
    const TNodes loaded = LoadNodes(mesh);
    TGLFile3DSAnimationKeyList copy;
    copy.Assign(loaded.Spot->AnimList());
    EXPECT_EQ(TypeCodes(copy), std::vector<int>({2, 3, 4, 5, 6}));
    EXPECT_EQ(copy.SaveToString(), loaded.Spot->AnimList()->SaveToString());
    loaded.Spot->AnimList()->ClearKeys();
    EXPECT_EQ(copy.Count(), 5); // its own tracks
    copy.Assign(&copy);
    EXPECT_EQ(copy.Count(), 5);
    EXPECT_EQ(MessageOf<EListError>([&] { copy.Items(5); }), "List index out of bounds (5)");
}

// ---------------------------------------------------------------------------------------------------------
// Nodes

TEST(File3DSNodes, MeshNodesHoldScaleRotationAndPositionTracksAndTheirParent)
{
    TGLBaseMesh mesh(nullptr);
    const TNodes loaded = LoadNodes(mesh);
    EXPECT_EQ(TypeCodes(*loaded.Box->AnimList()), std::vector<int>({0, 1, 2}));
    EXPECT_EQ(loaded.Lid->Parent(), loaded.Box);
    EXPECT_EQ(loaded.Box->Parent(), nullptr);
    // The pivot is taken off the reference transform; the animated transform stays the identity.
    ExpectNear(XYZ(loaded.Box->RefrenceTransf().ModelMatrix.W), {-1, -2, -3}, "reference translation");
    EXPECT_TRUE(MatrixIdentical(loaded.Box->AnimTransf().ModelMatrix, IdentityHmgMatrix));
    // So the node's extents and triangles are its mesh object's.
    TVector3f min, max;
    loaded.Box->GetExtents(min, max);
    EXPECT_EQ(XYZ(min), TXYZ({1, 2, 3}));
    EXPECT_EQ(XYZ(max), TXYZ({1, 2, 3}));
    loaded.Lid->GetExtents(min, max);
    EXPECT_TRUE(std::isinf(min.X) && std::isinf(max.X));

    // A parent the list does not hold is none.
    loaded.Lid->LoadAnimation(MeshMotion("Nothing"));
    EXPECT_EQ(loaded.Lid->Parent(), nullptr);
    loaded.Lid->LoadAnimation(MeshMotion("Box"));

    // Whichever of the two dies first, the other is left with no link to it.
    delete loaded.Box;
    EXPECT_EQ(loaded.Lid->Parent(), nullptr);
    auto* child = new TGLFile3DSMeshObject(mesh.MeshObjects());
    child->SetParent(loaded.Lid);
    delete child;
    mesh.MeshObjects()->Clear();
}

TEST(File3DSNodes, LightsAreLoadedFromTheRecordThenPlacedByTheAnimatedTransform)
{
    TGLBaseMesh mesh(nullptr);
    for (const bool spot : {false, true}) {
        TGLFile3DSOmniLightObject* node = spot ? new TGLFile3DSSpotLightObject(mesh.MeshObjects())
                                               : new TGLFile3DSOmniLightObject(mesh.MeshObjects());
        node->LoadData(&mesh, Light(spot ? "Torch" : "Lamp", spot));
        TGLFile3DSLight& light = *node->LightSrc();
        EXPECT_EQ(light.Parent(), &mesh);
        EXPECT_EQ(light.Name(), node->Name());
        EXPECT_EQ(light.LightStyle(), spot ? lsSpot : lsOmni);
        EXPECT_EQ(XYZ(*light.Position()), TXYZ({1, 2, 3}));
        const TVector4f& diffuse = light.Diffuse()->Color();
        const TVector4f& specular = light.Specular()->Color();
        EXPECT_EQ(std::vector<float>(diffuse.V, diffuse.V + 4), std::vector<float>({1, 0.5f, 2, 0}));
        EXPECT_EQ(std::vector<float>(specular.V, specular.V + 4), std::vector<float>({0.5f, 0.25f, 1, 0}));
        EXPECT_FALSE(light.Shining());
        EXPECT_EQ(light.Multipler(), 2);
        EXPECT_EQ(light.ConstAttenuation(), 1);
        if (spot) {
            EXPECT_EQ(XYZ(*light.SpotTargetPos()), TXYZ({1, 2, 13}));
            ExpectNear(XYZ(*light.SpotDirection()), {0, 0, 1}, "spot direction");
            EXPECT_EQ(light.SpotCutOff(), 30);
            EXPECT_EQ(light.HotSpot(), 20);
        }

        // Keyframes are not evaluated: the animated transform is the identity with zero values.
        if (spot)
            static_cast<TGLFile3DSSpotLightObject*>(node)->LoadAnimation(SpotMotion());
        else
            node->LoadAnimation(OmniMotion());
        EXPECT_EQ(TypeCodes(*node->AnimList()), spot ? std::vector<int>({2, 3, 4, 5, 6}) : std::vector<int>({2, 3}));
        EXPECT_EQ(XYZ(*light.Position()), TXYZ({0, 0, 0}));
        EXPECT_EQ(XYZ(light.Diffuse()->Color()), TXYZ({0, 0, 0}));
        if (spot) {
            EXPECT_EQ(XYZ(*light.SpotTargetPos()), TXYZ({0, 0, 0}));
            EXPECT_EQ(light.SpotCutOff(), 0);
            EXPECT_EQ(light.HotSpot(), 0);
        }
    }
}

TEST(File3DSNodes, SpotLightsAimFromTheirPositionAtTheirTarget)
{
    TGLFile3DSLight light(nullptr);
    light.SpotTargetPos()->SetPoint(0, 0, 10);
    ExpectNear(XYZ(*light.SpotDirection()), {0, 0, 1}, "target ahead");
    light.Position()->SetPoint(0, 10, 10);
    ExpectNear(XYZ(*light.SpotDirection()), {0, -1, 0}, "moved above the target");
    // A target on the light keeps the direction.
    light.SpotTargetPos()->SetPoint(0, 10, 10);
    ExpectNear(XYZ(*light.SpotDirection()), {0, -1, 0}, "target on the light");
}

TEST(File3DSNodes, CamerasAreLoadedFromTheRecordThenPlacedByTheAnimatedTransform)
{
    TGLBaseMesh mesh(nullptr);
    auto* node = new TGLFile3DSCameraObject(mesh.MeshObjects());
    node->LoadData(&mesh, Camera("Eye"));
    TGLFile3DSCamera& camera = *node->CameraSrc();
    TGLDummyCube& target = *node->TargetObj();
    EXPECT_EQ(camera.Parent(), &mesh);
    EXPECT_EQ(target.Parent(), &mesh);
    EXPECT_EQ(camera.TargetObject(), &target);
    EXPECT_EQ(camera.Name(), "Eye");
    EXPECT_EQ(node->Name(), "Eye");
    EXPECT_EQ(XYZ(*camera.Position()), TXYZ({1, 2, 3}));
    EXPECT_EQ(XYZ(*target.Position()), TXYZ({4, 5, 6}));
    EXPECT_FLOAT_EQ(camera.RollAngle(), 30);
    EXPECT_EQ(camera.FocalLength(), 45);

    node->LoadAnimation(CameraMotion());
    EXPECT_EQ(TypeCodes(*node->AnimList()), std::vector<int>({2, 7, 4}));
    EXPECT_EQ(XYZ(*camera.Position()), TXYZ({0, 0, 0}));
    EXPECT_EQ(XYZ(*target.Position()), TXYZ({0, 0, 0}));
    EXPECT_FLOAT_EQ(camera.RollAngle(), 0);
}

TEST(File3DSNodes, NodesWriteBackByteForByteWhatTheyRead)
{
    TGLBaseMesh mesh(nullptr);
    const TNodes loaded = LoadNodes(mesh);
    const std::vector<TGLFile3DSDummyObject*> nodes = {loaded.Box, loaded.Lid, loaded.Omni, loaded.Spot, loaded.Cam};
    for (TGLFile3DSDummyObject* node : nodes) {
        const std::string archive = node->SaveToString();
        std::unique_ptr<TPersistentObject> copy(node->NewInstance());
        copy->LoadFromString(archive);
        EXPECT_EQ(copy->SaveToString(), archive) << node->ClassName() << " " << node->Name();
        auto& read = static_cast<TGLFile3DSDummyObject&>(*copy);
        EXPECT_EQ(read.AnimList()->SaveToString(), node->AnimList()->SaveToString()) << node->Name();
        EXPECT_TRUE(MatrixIdentical(read.RefrenceTransf().ModelMatrix, node->RefrenceTransf().ModelMatrix));
    }
    // The reference transform follows the morphable data as 104 bytes, then the parent's name.
    TGLFile3DSAnimationData reference;
    reference.ModelMatrix.W = TVector4f{{{5, 6, 7, 1}}};
    reference.Color = TVector4f{{{1, 2, 3, 4}}};
    reference.TargetPos = TVector3f{{{8, 9, 10}}};
    reference.SpotLightCutOff = 11;
    reference.HotSpot = 12;
    reference.Roll = 13;
    loaded.Lid->SetRefrenceTransf(reference);
    const std::string raw = RawBytes({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1, 1, 2, 3, 4, 8, 9, 10, 11, 12, 13});
    ASSERT_EQ(raw.size(), 104u);
    const std::string lid = loaded.Lid->SaveToString();
    TStringStream name;
    TBinaryWriter(&name).WriteString("Box");
    EXPECT_NE(lid.find(raw + name.DataString()), std::string::npos);

    // What is known by name only is kept by name: the parent and the scene objects.
    TGLFile3DSMeshObject readLid;
    readLid.LoadFromString(lid);
    EXPECT_EQ(readLid.Parent(), nullptr);
    EXPECT_EQ(readLid.ParentName(), "Box");
    TGLFile3DSSpotLightObject readSpot;
    readSpot.LoadFromString(loaded.Spot->SaveToString());
    EXPECT_EQ(readSpot.LightSrcName(), "Torch");
    TGLFile3DSCameraObject readCam;
    readCam.LoadFromString(loaded.Cam->SaveToString());
    EXPECT_EQ(readCam.CameraSrcName(), "Eye");
    // Names are cut: a parent's to 32 characters, a light's to 64; "nil" stands for none.
    loaded.Box->SetName(std::string(40, 'b'));
    loaded.Omni->LightSrc()->SetName(std::string(70, 'l'));
    TGLFile3DSMeshObject cutLid;
    cutLid.LoadFromString(loaded.Lid->SaveToString());
    EXPECT_EQ(cutLid.ParentName(), std::string(32, 'b'));
    TGLFile3DSOmniLightObject cutOmni;
    cutOmni.LoadFromString(loaded.Omni->SaveToString());
    EXPECT_EQ(cutOmni.LightSrcName(), std::string(64, 'l'));
    loaded.Omni->LightSrc()->SetName("");
    cutOmni.LoadFromString(loaded.Omni->SaveToString());
    EXPECT_EQ(cutOmni.LightSrcName(), "");
}

TEST(File3DSNodes, NamedSceneObjectsAreAdoptedFromTheMeshOnceItHasThem)
{
    std::string omniArchive, camArchive;
    {
        TGLBaseMesh source(nullptr);
        const TNodes nodes = LoadNodes(source);
        omniArchive = nodes.Omni->SaveToString();
        camArchive = nodes.Cam->SaveToString();
    }

    TGLBaseMesh mesh(nullptr);
    auto* omni = new TGLFile3DSOmniLightObject(mesh.MeshObjects());
    omni->LoadFromString(omniArchive);
    auto* cam = new TGLFile3DSCameraObject(mesh.MeshObjects());
    cam->LoadFromString(camArchive);
    // Nothing of the name yet: the own objects stay and the names wait.
    omni->SetFrame(0);
    cam->SetFrame(0);
    EXPECT_EQ(omni->LightSrcName(), "Lamp");
    EXPECT_EQ(cam->CameraSrcName(), "Eye");
    ASSERT_NE(omni->LightSrc(), nullptr);
    ASSERT_NE(cam->CameraSrc(), nullptr);

    // A direct child of the name and class, in any letter case, replaces them.
    TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(&mesh)->SetName("LAMP"); // not a light
    auto* lamp = TGLBaseSceneObject::CreateAsChild<TGLFile3DSLight>(&mesh);
    lamp->SetName("lamp");
    auto* eye = TGLBaseSceneObject::CreateAsChild<TGLFile3DSCamera>(&mesh);
    eye->SetName("EYE");
    omni->SetFrame(0);
    EXPECT_EQ(omni->LightSrcName(), "Lamp"); // the first child of the name is no light
    Free(mesh.Children(0));
    omni->SetFrame(0);
    cam->SetFrame(0);
    EXPECT_EQ(omni->LightSrc(), lamp);
    EXPECT_EQ(omni->LightSrcName(), "");
    EXPECT_EQ(cam->CameraSrc(), eye);
    EXPECT_EQ(cam->CameraSrcName(), "");
    EXPECT_EQ(XYZ(*lamp->Position()), TXYZ({0, 0, 0}));
    // The mesh frees its children first, then the nodes, which hold nothing any more.
}

TEST(File3DSNodes, MeshesWithLightAndCameraNodesComeApartInAnyOrder)
{
    const auto expectNoSceneObjects = [](const TNodes& nodes) {
        EXPECT_EQ(nodes.Omni->LightSrc(), nullptr);
        EXPECT_EQ(nodes.Spot->LightSrc(), nullptr);
        EXPECT_EQ(nodes.Cam->CameraSrc(), nullptr);
        EXPECT_EQ(nodes.Cam->TargetObj(), nullptr);
        for (TGLFile3DSDummyObject* node : {(TGLFile3DSDummyObject*)nodes.Omni, (TGLFile3DSDummyObject*)nodes.Spot,
                                           (TGLFile3DSDummyObject*)nodes.Cam}) {
            node->SetFrame(1);
            EXPECT_NE(node->SaveToString(), "");
        }
    };
    const struct {
        const char* name;
        std::function<void(TGLBaseMesh&, const TNodes&)> steps;
    } orders[] = {
        {"the mesh", [](TGLBaseMesh&, const TNodes&) {}},
        {"the nodes, then the mesh", [](TGLBaseMesh& mesh, const TNodes&) {
             mesh.MeshObjects()->Clear();
             EXPECT_EQ(mesh.Count(), 0);
         }},
        {"the children, then the mesh", [&](TGLBaseMesh& mesh, const TNodes& nodes) {
             mesh.DeleteChildren();
             expectNoSceneObjects(nodes);
         }},
        {"each scene object, then the mesh", [&](TGLBaseMesh& mesh, const TNodes& nodes) {
             Free(nodes.Cam->TargetObj());
             Free(nodes.Cam->CameraSrc());
             Free(nodes.Omni->LightSrc());
             Free(nodes.Spot->LightSrc());
             EXPECT_EQ(mesh.Count(), 0);
             expectNoSceneObjects(nodes);
         }},
        {"one node, then the mesh", [](TGLBaseMesh& mesh, const TNodes& nodes) {
             delete nodes.Spot;
             delete nodes.Cam;
             EXPECT_EQ(mesh.Count(), 1); // the omni light
         }},
        {"a copy in another mesh, then the mesh", [](TGLBaseMesh&, const TNodes& nodes) {
             auto other = std::unique_ptr<TGLBaseMesh, TFreeDeleter>(new TGLBaseMesh(nullptr));
             auto* copy = new TGLFile3DSMeshObject(other->MeshObjects());
             copy->Assign(nodes.Lid);
             EXPECT_EQ(copy->Parent(), nodes.Box);
             EXPECT_EQ(copy->SaveToString(), nodes.Lid->SaveToString());
             delete nodes.Box;
             EXPECT_EQ(copy->Parent(), nullptr);
             auto* omni = new TGLFile3DSOmniLightObject(other->MeshObjects());
             omni->Assign(nodes.Omni);
             EXPECT_EQ(omni->LightSrc()->Parent(), nullptr); // its own light, not the other's
         }},
    };
    for (const auto& order : orders) {
        SCOPED_TRACE(order.name);
        // Freed by its owner, and on the stack.
        {
            std::unique_ptr<TGLBaseMesh, TFreeDeleter> mesh(new TGLBaseMesh(nullptr));
            order.steps(*mesh, LoadNodes(*mesh));
        }
        {
            TGLBaseMesh mesh(nullptr);
            order.steps(mesh, LoadNodes(mesh));
        }
    }
    // In a scene that goes first, with the mesh.
    TVAVodad* scene = new TVAVodad(nullptr);
    auto* mesh = TGLBaseSceneObject::CreateAsChild<TGLBaseMesh>(scene->Objects());
    LoadNodes(*mesh);
    EXPECT_EQ(mesh->Count(), 4);
    Free(scene);
}

// ---------------------------------------------------------------------------------------------------------
// Scene objects

namespace {

// OpenGL's model-view stack as the fake sees it: the vertices sent land where the matrices in force put them.
struct TModelView {
    std::vector<TMatrix4f> Stack{IdentityHmgMatrix};
    std::vector<TXYZ> Drawn;
    int Pushes = 0;
    int Products = 0;
};
TModelView* vModelView = nullptr;

class File3DSDrawTest : public RecordingDrawFixture {
protected:
    File3DSDrawTest()
    {
        vModelView = &ModelView;
        GL->Table.PushMatrix = [] {
            vModelView->Stack.push_back(vModelView->Stack.back());
            ++vModelView->Pushes;
        };
        GL->Table.PopMatrix = [] { vModelView->Stack.pop_back(); };
        GL->Table.MultMatrixf = [](const GLfloat* m) {
            TMatrix4f by;
            std::memcpy(&by, m, sizeof by);
            ++vModelView->Products;
            MatrixProduct(by, vModelView->Stack.back(), vModelView->Stack.back());
        };
        GL->Table.Vertex3fv = [](const GLfloat* v) {
            TVector3f drawn;
            AffineTransformPoint(TVector3f{{{v[0], v[1], v[2]}}}, vModelView->Stack.back(), drawn);
            vModelView->Drawn.push_back(XYZ(drawn));
        };
    }
    ~File3DSDrawTest() override { vModelView = nullptr; }

    TModelView ModelView;
};

// A triangle of mesh objects drawn as they are.
void AddTriangle(TGLBaseMesh& mesh)
{
    auto* meshObject = new TGLMeshObject(mesh.MeshObjects());
    meshObject->Vertices()->Add(1, 2, 3);
    meshObject->Vertices()->Add(-1, 0, 0);
    meshObject->Vertices()->Add(0, -2, 1);
}

// Writes source to a component stream and reads it back into target, or into a new component of its class.
TComponent* StreamCopy(TComponent& source, TComponent* target)
{
    TMemoryStream stream;
    TWriter(stream).WriteRootComponent(&source);
    stream.SetPosition(0);
    return TReader(stream).ReadRootComponent(target);
}

} // namespace

TEST_F(File3DSDrawTest, Scale3DSScalesTheDrawButNotTheDimensions)
{
    TGLFile3DSFreeForm freeForm(nullptr);
    AddTriangle(freeForm);
    EXPECT_TRUE(freeForm.ObjectStyle().Contains(osDirectDraw));
    const TVector4f before = freeForm.AxisAlignedDimensionsUnscaled();
    EXPECT_EQ(XYZ(before), TXYZ({1, 2, 1.5f}));

    freeForm.Scale3DS()->SetVector(2, 2, 2);
    EXPECT_EQ(XYZ(freeForm.AxisAlignedDimensionsUnscaled()), XYZ(before));
    Draw(freeForm);
    EXPECT_EQ(ModelView.Drawn, (std::vector<TXYZ>{{2, 4, 6}, {-2, 0, 0}, {0, -4, 2}}));
    // The transforms stay the free form's own: the stack is as the draw found it.
    EXPECT_EQ(ModelView.Stack.size(), 1u);
    EXPECT_TRUE(MatrixIdentical(ModelView.Stack.back(), IdentityHmgMatrix));
    // What its children take on.
    ExpectNear(XYZ(freeForm.ParentMatrix().X), {2, 0, 0}, "parent matrix");

    // The reference matrix applies to the draw and to the dimensions.
    TMatrix4f reference;
    MatrixScaling(TVector3f{{{3, 3, 3}}}, reference);
    freeForm.SetRefMat(reference);
    freeForm.Scale3DS()->SetVector(1, 1, 1);
    ModelView.Drawn.clear();
    Draw(freeForm);
    EXPECT_EQ(ModelView.Drawn.front(), TXYZ({3, 6, 9}));
    EXPECT_EQ(XYZ(freeForm.AxisAlignedDimensionsUnscaled()), TXYZ({3, 6, 4.5f}));
}

TEST_F(File3DSDrawTest, Rot3DSTurnsTheDrawByTheProductOfTheTwoTurns)
{
    const float quarter = std::numbers::pi_v<float> / 2;
    TGLFile3DSFreeForm freeForm(nullptr);
    auto* meshObject = new TGLMeshObject(freeForm.MeshObjects());
    meshObject->Vertices()->Add(1, 0, 0);
    const struct {
        TVector4f sRot, rot;
        TXYZ drawn;
    } cases[] = {
        // The 3DS reading of a turn about Z by a positive angle takes X to -Y.
        {{{{1, 0, 0, 0}}}, {{{0, 0, 1, quarter}}}, {0, -1, 0}},
        {{{{0, 0, 1, quarter}}}, {{{0, 0, 1, quarter}}}, {-1, 0, 0}},
        {{{{0, 0, 0, quarter}}}, {{{0, 0, 0, 1}}}, {1, 0, 0}}, // zero axes turn nothing
    };
    for (const auto& c : cases) {
        freeForm.S_Rot3DS()->SetVector(c.sRot);
        freeForm.Rot3DS()->SetVector(c.rot);
        ModelView.Drawn.clear();
        Draw(freeForm);
        ASSERT_EQ(ModelView.Drawn.size(), 1u);
        ExpectNear(ModelView.Drawn[0], c.drawn, "turned");
    }
}

TEST_F(File3DSDrawTest, MeshNodesDrawInTheirAnimatedTransform)
{
    TGLBaseMesh mesh(nullptr);
    auto* node = new TGLFile3DSMeshObject(mesh.MeshObjects());
    node->Vertices()->Add(1, 2, 3);
    node->LoadAnimation(MeshMotion(""));
    node->BuildList(Rci);
    EXPECT_EQ(ModelView.Drawn, (std::vector<TXYZ>{{1, 2, 3}}));
    EXPECT_EQ(ModelView.Pushes, 1);
    EXPECT_EQ(ModelView.Products, 1);
    EXPECT_EQ(ModelView.Stack.size(), 1u);
}

TEST(File3DSSceneObjects, FreeFormsKeepTheirMeshObjectsInTheComponentStream)
{
    TGLFile3DSFreeForm source(nullptr);
    source.SetName("Chest");
    LoadNodes(source);
    AddTriangle(source);
    TMatrix4f reference;
    MatrixScaling(TVector3f{{{3, 4, 5}}}, reference);
    reference.W = TVector4f{{{1, 2, 3, 1}}};
    source.SetRefMat(reference);
    source.S_Rot3DS()->SetVector(0, 1, 0, 0.5f);
    source.Rot3DS()->SetVector(1, 0, 0, 0.25f);
    source.Scale3DS()->SetVector(2, 3, 4);

    std::unique_ptr<TComponent, TFreeDeleter> read(StreamCopy(source, nullptr));
    auto* freeForm = dynamic_cast<TGLFile3DSFreeForm*>(read.get());
    ASSERT_NE(freeForm, nullptr);
    EXPECT_EQ(freeForm->MeshObjects()->SaveToString(), source.MeshObjects()->SaveToString());
    EXPECT_TRUE(MatrixIdentical(freeForm->RefMat(), reference));
    for (const auto& [readCoordinates, sourceCoordinates] :
         {std::pair{freeForm->S_Rot3DS(), source.S_Rot3DS()}, {freeForm->Rot3DS(), source.Rot3DS()},
          {freeForm->Scale3DS(), source.Scale3DS()}})
        EXPECT_TRUE(readCoordinates->Equals(sourceCoordinates->AsVector()));
    // The lights and camera came as children; their nodes find them by name.
    ASSERT_EQ(freeForm->Count(), 4);
    auto* omni = static_cast<TGLFile3DSOmniLightObject*>(freeForm->MeshObjects()->FindMeshByName("Lamp"));
    ASSERT_NE(omni, nullptr);
    omni->SetFrame(0);
    EXPECT_EQ(omni->LightSrc(), freeForm->FindChild("Lamp", true));
    EXPECT_EQ(omni->LightSrc()->Multipler(), 2);
}

TEST(File3DSSceneObjects, LightsAndCamerasStreamTheir3DSData)
{
    TGLFile3DSLight light(nullptr);
    light.SpotTargetPos()->SetPoint(0, 0, 10);
    light.Position()->SetPoint(0, 0, 5);
    light.SetHotSpot(12);
    light.SetMultipler(3);
    TGLFile3DSLight readLight(nullptr);
    StreamCopy(light, &readLight);
    EXPECT_EQ(XYZ(*readLight.SpotTargetPos()), TXYZ({0, 0, 10}));
    EXPECT_EQ(XYZ(*readLight.SpotDirection()), TXYZ({0, 0, 1}));
    EXPECT_EQ(readLight.HotSpot(), 12);
    EXPECT_EQ(readLight.Multipler(), 3);

    // The roll is read as the angle the direction and up vectors already hold: it is not turned in twice.
    TGLFile3DSCamera camera(nullptr);
    camera.SetRollAngle(30);
    camera.CameraTargetPos()->SetPoint(1, 2, 3);
    TGLFile3DSCamera readCamera(nullptr);
    StreamCopy(camera, &readCamera);
    EXPECT_FLOAT_EQ(readCamera.RollAngle(), 30);
    ExpectNear(XYZ(*readCamera.Up()), XYZ(*camera.Up()), "up");
    EXPECT_EQ(XYZ(*readCamera.CameraTargetPos()), TXYZ({1, 2, 3}));
}

TEST(File3DSSceneObjects, ActorsKeepTheirMeshObjectsInTheComponentStreamAndMoveTheirNodes)
{
    TGLFile3DSActor source(nullptr);
    source.SetName("Walker");
    LoadNodes(source);
    // Two frames: an empty morph target in every node, as a keyframer segment of two frames gives.
    for (int32_t i = 0; i < source.MeshObjects()->Count(); ++i)
        for (int k = 0; k < 2; ++k)
            new TMeshMorphTarget(static_cast<TMorphableMeshObject*>(source.MeshObjects()->Items(i))->MorphTargets());
    source.SetAnimationMode(aamLoop);

    std::unique_ptr<TComponent, TFreeDeleter> read(StreamCopy(source, nullptr));
    auto* actor = dynamic_cast<TGLFile3DSActor*>(read.get());
    ASSERT_NE(actor, nullptr);
    EXPECT_EQ(actor->MeshObjects()->SaveToString(), source.MeshObjects()->SaveToString());
    EXPECT_EQ(actor->AnimationMode(), aamLoop);

    // A frame of the actor places the nodes, which take the streamed light and camera.
    auto* omni = static_cast<TGLFile3DSOmniLightObject*>(actor->MeshObjects()->FindMeshByName("Lamp"));
    auto* cam = static_cast<TGLFile3DSCameraObject*>(actor->MeshObjects()->FindMeshByName("Eye"));
    ASSERT_TRUE(omni && cam);
    EXPECT_EQ(omni->LightSrcName(), "Lamp");
    actor->ApplyCurrentFrame();
    EXPECT_EQ(omni->LightSrc(), actor->FindChild("Lamp", true));
    EXPECT_EQ(cam->CameraSrc(), actor->FindChild("Eye", true));
}

namespace {

// A node that keeps the frames it is set to.
class TFrameRecordingNode : public TGLFile3DSDummyObject {
public:
    using TGLFile3DSDummyObject::TGLFile3DSDummyObject;
    void SetFrame(double AFrame) override { Frames.push_back(AFrame); }
    std::vector<double> Frames;
};

} // namespace

TEST(File3DSNodes, ActorFramesSetTheNodesFrameBackwardsWhenTheActorPlaysBackwards)
{
    const struct {
        bool inActor;
        TGLActorAnimationMode mode;
        double lerped;
    } cases[] = {
        {false, aamNone, 3.25},       {true, aamLoop, 3.25},          {true, aamBounceForward, 3.25},
        {true, aamLoopBackward, 2.75}, {true, aamBounceBackward, 2.75},
    };
    for (const auto& c : cases) {
        std::unique_ptr<TGLBaseMesh, TFreeDeleter> mesh(c.inActor ? new TGLActor(nullptr) : new TGLBaseMesh(nullptr));
        if (c.inActor) static_cast<TGLActor&>(*mesh).SetAnimationMode(c.mode);
        auto* node = new TFrameRecordingNode(mesh->MeshObjects());
        node->MorphTo(5);
        node->Lerp(3, 4, 0.25f);
        EXPECT_EQ(node->Frames, (std::vector<double>{5, c.lerped})) << c.mode;
    }
}
