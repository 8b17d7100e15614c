// The base mesh and the free form: loading and saving through the format registry and the "glsm" archive,
// auto scaling and centring, the caches, ray casts, silhouettes, drawing (recorded and on Mesa) and the
// octree queries in world space.
#include "GLVectorFileObjects.h"

#include "../scene/RecordingDrawFixture.h"
#include "../scene/SceneRenderFixture.h"
#include "GLMaterial.h"
#include "GLMeshConnectivity.h"
#include "GLOctree.h"
#include "GLSilhouette.h"
#include "GLVectorGeometry.h"
#include "RandomGenerator.h"
#include "Raises.h"
#include "Streams.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <functional>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

TVector3f P(float x, float y, float z)
{
    return TVector3f{{{x, y, z}}};
}

TVector4f Pt(float x, float y, float z)
{
    return TVector4f{{{x, y, z, 1}}};
}

TVector4f Dir(float x, float y, float z)
{
    return TVector4f{{{x, y, z, 0}}};
}

std::vector<float> Floats(const TAffineVectorList& list)
{
    std::vector<float> result;
    for (int32_t i = 0; i < list.Count(); ++i)
        for (const float v : list.List()[i].V) result.push_back(v);
    return result;
}

// The bits of the floats, so that -0 and 0 differ.
std::vector<uint32_t> Bits(const TAffineVectorList& list)
{
    std::vector<uint32_t> result;
    for (const float f : Floats(list)) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        result.push_back(bits);
    }
    return result;
}

void ExpectPoint(const TVector4f& actual, float x, float y, float z)
{
    EXPECT_NEAR(actual.X, x, 1e-5f);
    EXPECT_NEAR(actual.Y, y, 1e-5f);
    EXPECT_NEAR(actual.Z, z, 1e-5f);
}

// A box from lo to hi as one face-group mesh object: 8 corners, 12 triangles wound outwards in one index-list
// group with the material name.
TGLMeshObject* AddBox(TGLBaseMesh& mesh, TVector3f lo, TVector3f hi, const std::string& material = "")
{
    auto* meshObject = new TGLMeshObject(mesh.MeshObjects());
    meshObject->SetMode(momFaceGroups);
    for (int i = 0; i < 8; ++i) {
        meshObject->Vertices()->Add(P(i & 1 ? hi.X : lo.X, i & 2 ? hi.Y : lo.Y, i & 4 ? hi.Z : lo.Z));
        meshObject->Normals()->Add(P(0, 0, 1));
    }
    auto* group = new TFGVertexIndexList(meshObject->FaceGroups());
    group->SetMaterialName(material);
    TVector3f centre;
    AffineAdd(lo, hi, centre);
    AffineScaleInPlace(centre, 0.5f);
    const TVector3f* v = meshObject->Vertices()->List();
    for (int axis = 0; axis < 3; ++axis)
        for (int side = 0; side < 2; ++side) {
            // The face's corners in order around it: the two other axes' bits (0,0), (1,0), (1,1), (0,1).
            const int u = 1 << ((axis + 1) % 3), w = 1 << ((axis + 2) % 3), s = side << axis;
            const int quad[4] = {s, s | u, s | u | w, s | w};
            for (const auto& t : {std::array<int, 3>{quad[0], quad[1], quad[2]}, {quad[0], quad[2], quad[3]}}) {
                TVector3f normal, toFace;
                AffineTriangleNormal(v[t[0]], v[t[1]], v[t[2]], normal);
                AffineSubtract(v[t[0]], centre, toFace);
                const bool outwards = AffineDot(normal, toFace) > 0;
                group->Add(t[0]);
                group->Add(outwards ? t[1] : t[2]);
                group->Add(outwards ? t[2] : t[1]);
            }
        }
    return meshObject;
}

// A triangle-list mesh object of the given corners.
TGLMeshObject* AddTriangles(TGLBaseMesh& mesh, std::initializer_list<TVector3f> corners)
{
    auto* meshObject = new TGLMeshObject(mesh.MeshObjects());
    for (const TVector3f& c : corners) {
        meshObject->Vertices()->Add(c);
        meshObject->Normals()->Add(P(0, 1, 0));
    }
    return meshObject;
}

// The glsm archive of a mesh's objects.
std::string GlsmOf(TGLBaseMesh& mesh)
{
    TStringStream stream;
    mesh.SaveToStream("any.glsm", stream);
    return stream.DataString();
}

void LoadGlsm(TGLBaseMesh& mesh, const std::string& bytes, const std::string& name = "mesh.glsm")
{
    TStringStream stream(bytes);
    mesh.LoadFromStream(name, stream);
}

// A format that can only read, and one whose reader fails after adding a mesh object.
class TReadOnlyFile : public TGLVectorFile {
public:
    using TGLVectorFile::TGLVectorFile;
    TGLDataFile* CreateCopy(TPersistent* AOwner) const override { return new TReadOnlyFile(AOwner); }
    void LoadFromStream(TStream&) override { AddTriangles(*Owner(), {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)}); }
};

class TFailingFile : public TGLVectorFile {
public:
    using TGLVectorFile::TGLVectorFile;
    TGLDataFile* CreateCopy(TPersistent* AOwner) const override { return new TFailingFile(AOwner); }
    void LoadFromStream(TStream&) override
    {
        AddTriangles(*Owner(), {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)});
        Owner()->Skeleton()->Frames()->Add(new TGLSkeletonFrame);
        throw EReadError("broken");
    }
};

// Registers the test formats for one test.
struct TTestFormats {
    TTestFormats()
    {
        RegisterVectorFileFormat<TReadOnlyFile>("readonly", "Read only");
        RegisterVectorFileFormat<TFailingFile>("failing", "Failing");
    }
    ~TTestFormats()
    {
        GetVectorFileFormats().Remove(VectorFileClassOf<TReadOnlyFile>());
        GetVectorFileFormats().Remove(VectorFileClassOf<TFailingFile>());
    }
};

// A mesh with two mesh objects: a triangle list and a box of two groups (one of them with separate normal and
// texture indices), materials named.
void FillSample(TGLBaseMesh& mesh)
{
    TGLMeshObject* list = AddTriangles(mesh, {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)});
    list->SetName("list");
    list->TexCoords()->Add(P(0.5f, 0.25f, 0), P(1, 0, 0), P(0, 1, 0));
    TGLMeshObject* box = AddBox(mesh, P(-1, -2, -3), P(1, 2, 3), "stone");
    box->SetName("box");
    auto* wood = new TFGVertexNormalTexIndexList(box->FaceGroups());
    wood->SetMaterialName("wood");
    wood->Add(0, 0, 0);
    wood->Add(1, 1, 1);
    wood->Add(2, 2, 2);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Loading and saving

TEST(BaseMeshFiles, GlsmIsRegisteredFirstForReadingAndWriting)
{
    TGLVectorFileFormatsList& formats = GetVectorFileFormats();
    ASSERT_GT(formats.Count(), 0);
    EXPECT_EQ(formats.Entry(0)->Extension, "glsm");
    EXPECT_EQ(formats.Entry(0)->Description, "VAVodad Mesh");
    const TGLVectorFileClass& glsm = formats.FindFromFileName("x.GLSM");
    EXPECT_EQ(glsm.ClassName(), "TGLGLSMVectorFile");
    EXPECT_EQ(glsm.Capabilities(), dfcRead | dfcWrite);
    EXPECT_NE(GetClass("TGLFreeForm"), nullptr);
}

TEST(BaseMeshFiles, AGlsmFileReadsBackByteForByteWithoutTheSkeleton)
{
    TempFolder folder;
    TGLFreeForm source(nullptr);
    FillSample(source);
    auto* bone = new TGLSkeletonBone(source.Skeleton()->RootBones());
    bone->SetName("root");
    source.Skeleton()->Frames()->Add(new TGLSkeletonFrame);
    const std::string archive = source.MeshObjects()->SaveToString();
    source.SaveToFile(folder / "x.glsm");
    EXPECT_EQ(folder.Read("x.glsm"), archive) << "the file is the mesh-object list's archive, nothing more";

    TGLFreeForm copy(nullptr);
    copy.LoadFromFile(folder / "x.glsm");
    EXPECT_EQ(copy.LastLoadedFilename(), folder / "x.glsm");
    EXPECT_EQ(copy.MeshObjects()->SaveToString(), archive);
    ASSERT_EQ(copy.MeshObjects()->Count(), 2);
    TGLMeshObject* box = copy.MeshObjects()->FindMeshByName("box");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->Owner(), copy.MeshObjects());
    EXPECT_EQ(box->FaceGroups()->Items(0)->MaterialName(), "stone");
    EXPECT_EQ(box->FaceGroups()->Items(1)->MaterialName(), "wood");
    EXPECT_NE(dynamic_cast<TFGVertexNormalTexIndexList*>(box->FaceGroups()->Items(1)), nullptr);
    EXPECT_EQ(copy.Skeleton()->RootBones()->Count(), 0);
    EXPECT_EQ(copy.Skeleton()->Frames()->Count(), 0);
    EXPECT_EQ(copy.Skeleton()->CurrentFrame(), nullptr);

    // Loading again replaces; adding appends after what is there.
    copy.LoadFromFile(folder / "x.glsm");
    EXPECT_EQ(copy.MeshObjects()->Count(), 2);
    copy.AddDataFromFile(folder / "x.glsm");
    ASSERT_EQ(copy.MeshObjects()->Count(), 4);
    EXPECT_EQ(copy.MeshObjects()->Items(3)->Name(), "box");
    EXPECT_EQ(copy.MeshObjects()->Items(3)->Owner(), copy.MeshObjects());
    EXPECT_EQ(copy.LastLoadedFilename(), folder / "x.glsm") << "adding leaves the name of the last load";
}

TEST(BaseMeshFiles, AnEmptyNameDoesNothingButForgetTheLastName)
{
    TempFolder folder;
    TGLFreeForm mesh(nullptr);
    FillSample(mesh);
    mesh.SaveToFile(folder / "x.glsm");
    mesh.LoadFromFile(folder / "x.glsm");
    const std::string before = mesh.MeshObjects()->SaveToString();

    mesh.LoadFromFile("");
    EXPECT_EQ(mesh.LastLoadedFilename(), "");
    EXPECT_EQ(mesh.MeshObjects()->SaveToString(), before);
    TStringStream empty;
    mesh.SaveToStream("", empty);
    mesh.AddDataFromStream("", empty);
    mesh.SaveToFile("");
    EXPECT_EQ(empty.Size(), 0);
    EXPECT_EQ(mesh.MeshObjects()->SaveToString(), before);
}

TEST(BaseMeshFiles, WhatCannotBeReadLeavesTheMeshAsItWas)
{
    TTestFormats formats;
    TempFolder folder;
    TVAVodad scene(nullptr);
    auto* mesh = TGLBaseSceneObject::CreateAsChild<TGLFreeForm>(scene.Objects());
    FillSample(*mesh);
    LoadGlsm(*mesh, GlsmOf(*mesh), "first.glsm");
    auto* bone = new TGLSkeletonBone(mesh->Skeleton()->RootBones());
    bone->SetBoneID(3);
    const std::string glsm = GlsmOf(*mesh);
    const TGLMeshObject* first = mesh->MeshObjects()->Items(0);
    const TGLSkeleton* skeleton = mesh->Skeleton();

    const struct {
        std::string name;
        std::string bytes;
        std::string error;
    } cases[] = {
        {"mesh.xyz", glsm, "Unknown file extension (xyz), maybe you forgot to add the support unit to your uses? "
                           "(GLFileXYZ?)"},
        {"mesh", glsm, "Unknown file extension (), maybe you forgot to add the support unit to your uses? (GLFile?)"},
        {"cut.glsm", glsm.substr(0, glsm.size() / 2), "TBinaryReader, read type error"},
        {"mesh.failing", glsm, "broken"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool adding : {false, true}) {
            TStringStream stream(c.bytes);
            EXPECT_EQ(MessageOf([&] {
                          if (adding)
                              mesh->AddDataFromStream(c.name, stream);
                          else
                              mesh->LoadFromStream(c.name, stream);
                      }),
                      c.error);
            EXPECT_EQ(mesh->LastLoadedFilename(), "");
            EXPECT_EQ(GlsmOf(*mesh), glsm);
            EXPECT_EQ(mesh->MeshObjects()->Items(0), first);
            // Adding keeps the skeleton as the format leaves it; a load that fails gives the old one back.
            EXPECT_EQ(mesh->Skeleton(), skeleton);
            if (!adding) {
                EXPECT_EQ(mesh->Skeleton()->Frames()->Count(), 0);
            }
            EXPECT_EQ(mesh->Skeleton()->BoneByID(3), bone);
            EXPECT_FALSE(scene.IsUpdating());
        }
    }
    EXPECT_EQ(MessageOf<EFOpenError>([&] { mesh->LoadFromFile(folder / "missing.glsm"); }),
              "File not found: \"" + folder / "missing.glsm" + "\"");
    EXPECT_EQ(GlsmOf(*mesh), glsm);

    LoadGlsm(*mesh, glsm, "again.glsm");
    EXPECT_EQ(mesh->LastLoadedFilename(), "again.glsm");
}

TEST(BaseMeshFiles, SavingInAFormatThatCannotWriteKeepsTheOldFile)
{
    TTestFormats formats;
    TempFolder folder;
    folder.Write("old.readonly", "old bytes");
    TGLFreeForm mesh(nullptr);
    mesh.LoadFromFile(folder / "old.readonly");
    EXPECT_EQ(mesh.MeshObjects()->Count(), 1);
    EXPECT_NE(MessageOf<EAssertionFailed>([&] { mesh.SaveToFile(folder / "old.readonly"); }), cNoException);
    EXPECT_EQ(folder.Read("old.readonly"), "old bytes");
    EXPECT_THROW(mesh.SaveToFile(folder / "new.xyz"), EInvalidVectorFile);
    EXPECT_FALSE(std::filesystem::exists(folder.path / "new.xyz"));
}

// ---------------------------------------------------------------------------------------------------------
// Auto scaling and centring

TEST(BaseMeshLoading, AutoScalingScalesVerticesOnlyAndOneLeavesThemBitIdentical)
{
    TGLFreeForm source(nullptr);
    TGLMeshObject* meshObject =
        AddTriangles(source, {P(0.1f, -0.0f, 3e-39f), P(-7.3f, 1e30f, 0.3f), P(1, 2, std::nanf(""))});
    meshObject->Normals()->Clear();
    meshObject->Normals()->Add(P(0.6f, 0.8f, 0), P(0, 0, -1), P(1, 0, 0));
    const std::string glsm = GlsmOf(source);

    const struct {
        TVector4f scale;
        float fx;
    } cases[] = {{{{{1, 1, 1, 1}}}, 1}, {{{{2, 1, 1, 1}}}, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fx);
        TGLFreeForm mesh(nullptr);
        mesh.AutoScaling()->SetPoint(c.scale);
        LoadGlsm(mesh, glsm);
        TGLMeshObject& loaded = *mesh.MeshObjects()->Items(0);
        EXPECT_EQ(Bits(*loaded.Normals()), Bits(*meshObject->Normals()));
        if (c.fx == 1) {
            EXPECT_EQ(Bits(*loaded.Vertices()), Bits(*meshObject->Vertices()));
            continue;
        }
        for (int32_t i = 0; i < 2; ++i) {
            EXPECT_EQ(loaded.Vertices()->List()[i].X, 2 * meshObject->Vertices()->List()[i].X);
            EXPECT_EQ(loaded.Vertices()->List()[i].Y, meshObject->Vertices()->List()[i].Y);
            EXPECT_EQ(loaded.Vertices()->List()[i].Z, meshObject->Vertices()->List()[i].Z);
        }
    }
}

TEST(BaseMeshLoading, AutoCentringMovesTheChosenAxesAndCanKeepTheWorldPlace)
{
    // Extents (0..4, 2..10, -6..0); vertex average (1, 4, -1.5).
    TGLFreeForm source(nullptr);
    AddTriangles(source, {P(0, 2, 0), P(0, 2, 0), P(0, 2, 0), P(4, 10, -6)});
    const std::string glsm = GlsmOf(source);

    const struct {
        TMeshAutoCenterings centring;
        TVector3f first; // where vertex 0 ends
    } cases[] = {
        {{}, P(0, 2, 0)},
        {{macCenterY}, P(0, -4, 0)},
        {{macCenterX, macCenterZ}, P(-2, 2, 3)},
        {{macUseBarycenter}, P(-1, -2, 1.5f)},
        {{macUseBarycenter, macCenterX}, P(-1, -2, 1.5f)},
        {{macCenterY, macRestorePosition}, P(0, -4, 0)},
        {{macUseBarycenter, macRestorePosition}, P(-1, -2, 1.5f)},
    };
    for (const auto& c : cases) {
        TGLFreeForm mesh(nullptr);
        mesh.Position()->SetPoint(10, 20, 30);
        mesh.SetAutoCentering(c.centring);
        LoadGlsm(mesh, glsm);
        const TVector3f v = mesh.MeshObjects()->Items(0)->Vertices()->List()[0];
        ExpectPoint(Pt(v.X, v.Y, v.Z), c.first.X, c.first.Y, c.first.Z);
        // Restoring the position keeps every vertex where it was in the world.
        const TVector4f world = mesh.LocalToAbsolute(Pt(v.X, v.Y, v.Z));
        if (c.centring.Contains(macRestorePosition))
            ExpectPoint(world, 10, 22, 30);
        else
            ExpectPoint(world, 10 + v.X, 20 + v.Y, 30 + v.Z);
    }

    // A file without vertices leaves nothing to centre: the position stays as it was.
    TGLFreeForm empty(nullptr);
    empty.SetAutoCentering({macCenterX, macCenterY, macCenterZ, macRestorePosition});
    empty.Position()->SetPoint(1, 2, 3);
    TGLFreeForm none(nullptr);
    LoadGlsm(empty, GlsmOf(none));
    ExpectPoint(empty.Position()->AsVector(), 1, 2, 3);
}

// ---------------------------------------------------------------------------------------------------------
// Geometry queries

TEST(BaseMeshGeometry, DimensionsAreCachedUntilTheStructureChanges)
{
    TGLFreeForm mesh(nullptr);
    const float inf = std::numeric_limits<float>::infinity();
    const TVector4f none = mesh.AxisAlignedDimensionsUnscaled();
    EXPECT_EQ(none.X, -inf);
    EXPECT_EQ(none.Y, -inf);
    EXPECT_EQ(none.Z, -inf);
    ExpectPoint(mesh.BarycenterOffset(), 0, 0, 0);

    // No dimensions were cached for the empty mesh: the first mesh object counts at once (the centre offset
    // of the empty mesh stays until the structure changes).
    AddTriangles(mesh, {P(-1, 0, 2), P(3, 4, 2), P(1, 0, 6)});
    ExpectPoint(mesh.AxisAlignedDimensionsUnscaled(), 2, 2, 2);
    ExpectPoint(mesh.BarycenterOffset(), 0, 0, 0);
    mesh.StructureChanged();
    ExpectPoint(mesh.AxisAlignedDimensionsUnscaled(), 2, 2, 2);
    ExpectPoint(mesh.BarycenterOffset(), 1, 2, 4);
    const TVector3f average = mesh.GetBarycenter();
    ExpectPoint(Pt(average.X, average.Y, average.Z), 1, 4.0f / 3, 10.0f / 3);
    // The centre of the extents in the world, the object's position counted once.
    mesh.Position()->SetPoint(10, 0, 0);
    ExpectPoint(mesh.BarycenterPosition(), 11, 2, 4);
    ExpectPoint(mesh.BarycenterAbsolutePosition(), 11, 2, 4);
    EXPECT_EQ(mesh.BarycenterAbsolutePosition().W, 1);

    mesh.MeshObjects()->Items(0)->Vertices()->Add(P(-11, 0, 0));
    ExpectPoint(mesh.AxisAlignedDimensionsUnscaled(), 2, 2, 2);
    ExpectPoint(mesh.BarycenterOffset(), 1, 2, 4);
    mesh.StructureChanged();
    ExpectPoint(mesh.AxisAlignedDimensionsUnscaled(), 7, 2, 3);
    ExpectPoint(mesh.BarycenterOffset(), -4, 2, 3);
}

TEST(BaseMeshGeometry, ARayCastFindsTheNearestTriangleInWorldSpace)
{
    TGLFreeForm mesh(nullptr);
    // Two overlapping triangles across the ray, the farther first, and one behind the start.
    AddTriangles(mesh, {P(-1, -1, -5), P(1, -1, -5), P(0, 1, -5), P(-1, -1, -2), P(1, -1, -2), P(0, 1, -2),
                        P(-1, -1, 15), P(1, -1, 15), P(0, 1, 15)});
    mesh.Position()->SetPoint(0, 0, -10);
    TVector4f point, normal;
    ASSERT_TRUE(mesh.RayCastIntersect(Pt(0, 0, 0), Dir(0, 0, -1), &point, &normal));
    ExpectPoint(point, 0, 0, -12);
    EXPECT_GT(normal.Z, 0);
    EXPECT_EQ(normal.W, 0);
    EXPECT_TRUE(mesh.RayCastIntersect(Pt(0, 0, 0), Dir(0, 0, -1))) << "outputs are optional";

    mesh.SetNormalsOrientation(mnoInvert);
    TVector4f inverted;
    ASSERT_TRUE(mesh.RayCastIntersect(Pt(0, 0, 0), Dir(0, 0, -1), nullptr, &inverted));
    ExpectPoint(inverted, -normal.X, -normal.Y, -normal.Z);

    EXPECT_FALSE(mesh.RayCastIntersect(Pt(5, 0, 0), Dir(0, 0, -1), &point));
    TGLFreeForm empty(nullptr);
    EXPECT_FALSE(empty.RayCastIntersect(Pt(0, 0, 0), Dir(0, 0, -1)));
}

TEST(BaseMeshGeometry, ConnectivityIsKeptOnlyForMeshesOfIndexListGroups)
{
    TGLSilhouetteParameters seen{};
    seen.SeenFrom = P(0, 0, 10);
    seen.LightDirection = P(0, 0, -1);
    seen.Style = ssOmni;

    TGLFreeForm boxes(nullptr);
    AddBox(boxes, P(-1, -1, -1), P(1, 1, 1));
    boxes.BuildSilhouetteConnectivityData();
    ASSERT_NE(boxes.Connectivity(), nullptr);
    EXPECT_EQ(boxes.Connectivity()->FaceCount(), 12);
    const auto kept = boxes.GenerateSilhouette(seen);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->Indices()->Count(), 8) << "the four edges around the face towards the light";

    // A triangle-list mesh object: no connectivity kept, silhouettes made on demand.
    TGLFreeForm mixed(nullptr);
    AddBox(mixed, P(-1, -1, -1), P(1, 1, 1));
    AddTriangles(mixed, {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)});
    mixed.BuildSilhouetteConnectivityData();
    EXPECT_EQ(mixed.Connectivity(), nullptr);
    const auto onDemand = mixed.GenerateSilhouette(seen);
    ASSERT_NE(onDemand, nullptr);
    EXPECT_EQ(onDemand->Indices()->Count(), 8);

    // A connectivity kept before goes when the mesh no longer qualifies.
    const std::string glsm = GlsmOf(boxes);
    AddTriangles(boxes, {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)});
    boxes.BuildSilhouetteConnectivityData();
    EXPECT_EQ(boxes.Connectivity(), nullptr);

    // It goes too with the mesh objects whose vertices it shares, when a load or a copy replaces them.
    for (const bool byCopy : {false, true}) {
        TGLFreeForm mesh(nullptr);
        AddBox(mesh, P(-1, -1, -1), P(1, 1, 1));
        mesh.BuildSilhouetteConnectivityData();
        ASSERT_NE(mesh.Connectivity(), nullptr);
        if (byCopy)
            mesh.Assign(&mixed);
        else
            LoadGlsm(mesh, glsm);
        EXPECT_EQ(mesh.Connectivity(), nullptr);
        EXPECT_EQ(mesh.GenerateSilhouette(seen)->Indices()->Count(), 8);
    }
}

TEST(BaseMeshGeometry, AssignCopiesSettingsSkeletonAndMeshObjects)
{
    TGLMaterialLibrary library(nullptr);
    TGLFreeForm source(nullptr);
    FillSample(source);
    source.SetMaterialLibrary(&library);
    source.SetUseMeshMaterials(false);
    source.SetNormalsOrientation(mnoInvert);
    source.SetIgnoreMissingTextures(true);
    source.SetAutoCentering({macCenterZ});
    source.AutoScaling()->SetPoint(1, 2, 3);
    auto* bone = new TGLSkeletonBone(source.Skeleton()->RootBones());
    bone->SetName("root");

    TGLFreeForm copy(nullptr);
    AddTriangles(copy, {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)});
    copy.Assign(&source);
    EXPECT_EQ(copy.MeshObjects()->SaveToString(), source.MeshObjects()->SaveToString());
    EXPECT_EQ(copy.MeshObjects()->Items(0)->Owner(), copy.MeshObjects());
    EXPECT_EQ(copy.MaterialLibrary(), &library);
    EXPECT_FALSE(copy.UseMeshMaterials());
    EXPECT_EQ(copy.NormalsOrientation(), mnoInvert);
    EXPECT_TRUE(copy.IgnoreMissingTextures());
    EXPECT_EQ(copy.AutoCentering(), TMeshAutoCenterings{macCenterZ});
    ExpectPoint(copy.AutoScaling()->AsVector(), 1, 2, 3);
    EXPECT_NE(copy.Skeleton()->BoneByName("root"), nullptr);
}

TEST(BaseMeshGeometry, AFreeFormStreamsItsPublishedSettings)
{
    TVAVodad scene(nullptr);
    auto* mesh = TGLBaseSceneObject::CreateAsChild<TGLFreeForm>(scene.Objects());
    mesh->SetName("Wall");
    mesh->SetAutoCentering({macCenterX, macRestorePosition});
    mesh->AutoScaling()->SetPoint(2, 3, 4);
    mesh->SetUseMeshMaterials(false);
    mesh->SetNormalsOrientation(mnoInvert);
    TMemoryStream stream;
    scene.SaveToStream(stream);
    stream.SetPosition(0);
    scene.LoadFromStream(stream);
    auto* read = dynamic_cast<TGLFreeForm*>(scene.FindSceneObject("Wall"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->AutoCentering(), (TMeshAutoCenterings{macCenterX, macRestorePosition}));
    ExpectPoint(read->AutoScaling()->AsVector(), 2, 3, 4);
    EXPECT_FALSE(read->UseMeshMaterials());
    EXPECT_EQ(read->NormalsOrientation(), mnoInvert);
}

// ---------------------------------------------------------------------------------------------------------
// Octree queries

TEST(FreeFormOctree, QueriesNeedTheOctree)
{
    TGLFreeForm mesh(nullptr);
    AddBox(mesh, P(-1, -1, -1), P(1, 1, 1));
    const std::string message = "Octree must have been prepared and setup before use. "
                                "(VAVodad\\Source\\Basis\\GLVectorFileObjects)";
    TAABB box{P(0, 0, 0), P(1, 1, 1)};
    for (const auto& query : std::vector<std::function<void()>>{
             [&] { mesh.OctreeRayCastIntersect(Pt(0, 0, 5), Dir(0, 0, -1)); },
             [&] { mesh.OctreeSphereSweepIntersect(Pt(0, 0, 5), Dir(0, 0, -1), 1, 1); },
             [&] { mesh.OctreeTriangleIntersect(P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)); },
             [&] { mesh.OctreeAABBIntersect(box, IdentityHmgMatrix, IdentityHmgMatrix); },
             [&] { mesh.OctreePointInMesh(Pt(0, 0, 0)); }})
        EXPECT_EQ(MessageOf<EAssertionFailed>(query), message);
}

TEST(FreeFormOctree, QueriesWorkInWorldSpace)
{
    TGLFreeForm mesh(nullptr);
    AddBox(mesh, P(-1, -1, -1), P(1, 1, 1));
    mesh.Position()->SetPoint(10, 0, 0);
    mesh.Scale()->SetVector(2, 2, 2);
    mesh.BuildOctree(2);
    ASSERT_NE(mesh.Octree(), nullptr);
    EXPECT_EQ(mesh.Octree()->TriCountMesh, 12);

    TVector4f point, normal;
    ASSERT_TRUE(mesh.OctreeRayCastIntersect(Pt(10, 0, 10), Dir(0, 0, -1), &point, &normal));
    ExpectPoint(point, 10, 0, 2);
    EXPECT_GT(normal.Z, 0);
    mesh.SetNormalsOrientation(mnoInvert);
    TVector4f inverted;
    ASSERT_TRUE(mesh.OctreeRayCastIntersect(Pt(10, 0, 10), Dir(0, 0, -1), nullptr, &inverted));
    EXPECT_LT(inverted.Z, 0);
    mesh.SetNormalsOrientation(mnoDefault);
    EXPECT_FALSE(mesh.OctreeRayCastIntersect(Pt(0, 0, 10), Dir(0, 0, -1)));

    ASSERT_TRUE(mesh.OctreeSphereSweepIntersect(Pt(10, 0, 10), Dir(0, 0, -1), 10, 0.5f, &point, &normal));
    EXPECT_NEAR(point.Z, 2, 1e-4f);

    EXPECT_TRUE(mesh.OctreeTriangleIntersect(P(12, -5, 0), P(12, 5, 0), P(12, 0, 5)));
    EXPECT_FALSE(mesh.OctreeTriangleIntersect(P(13, -5, 0), P(13, 5, 0), P(13, 0, 5)));

    // A box of half size 0.5 in an object at (x, 0, 0): it touches the mesh's face x = 12 from 11.6 to 12.4.
    const TAABB unit{P(-0.5f, -0.5f, -0.5f), P(0.5f, 0.5f, 0.5f)};
    const auto boxAt = [&](float x) {
        TMatrix4f objMatrix = IdentityHmgMatrix, invObjMatrix = IdentityHmgMatrix;
        objMatrix.W = Pt(x, 0, 0);
        invObjMatrix.W = Pt(-x, 0, 0);
        TAffineVectorList triangles;
        const bool hit = mesh.OctreeAABBIntersect(unit, objMatrix, invObjMatrix, &triangles);
        EXPECT_EQ(hit, triangles.Count() > 0);
        return hit;
    };
    EXPECT_TRUE(boxAt(12.3f));
    EXPECT_FALSE(boxAt(12.7f));
    EXPECT_FALSE(boxAt(10)) << "inside the hollow box, away from its faces";
}

TEST(FreeFormOctree, PointsInsideAndOutsideAnOffCentreMeshWhateverTheRandomRay)
{
    TGLFreeForm mesh(nullptr);
    // A box from (0, 0, 0) to (4, 2, 2), placed at (0, 0, -20): its local origin is a corner.
    AddBox(mesh, P(0, 0, 0), P(4, 2, 2));
    mesh.Position()->SetPoint(0, 0, -20);
    mesh.BuildOctree(3);
    const struct {
        TVector4f point;
        bool inside;
    } cases[] = {
        {Pt(2, 1, -19), true},       {Pt(3.9f, 1.9f, -18.1f), true}, {Pt(0.1f, 0.1f, -19.9f), true},
        {Pt(3.5f, 0.2f, -18.2f), true}, {Pt(5, 1, -19), false},      {Pt(-1, 1, -19), false},
        {Pt(2, 1, -17), false},      {Pt(2, -0.5f, -19), false},
    };
    for (uint32_t seed = 1; seed <= 40; ++seed)
        for (const auto& c : cases) {
            SetRandSeed(seed * 2654435761u);
            EXPECT_EQ(mesh.OctreePointInMesh(c.point), c.inside)
                << "seed " << seed << " at " << c.point.X << ", " << c.point.Y << ", " << c.point.Z;
        }
}

// ---------------------------------------------------------------------------------------------------------
// Drawing, recorded

namespace {

// A free form that notes the libraries the render context names while it draws.
class TNotingFreeForm : public TGLFreeForm {
public:
    using TGLFreeForm::TGLFreeForm;
    void BuildList(TGLRenderContextInfo& rci) override
    {
        Libraries.push_back(rci.materialLibrary);
        TGLFreeForm::BuildList(rci);
    }
    std::vector<TObject*> Libraries;
};

class BaseMeshDrawTest : public RecordingDrawFixture {
protected:
    BaseMeshDrawTest()
    {
        Mesh = TGLBaseSceneObject::CreateAsChild<TNotingFreeForm>(Scene->Objects());
        AddTriangles(*Mesh, {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)});
        Mesh->MeshObjects()->Items(0)->SetUseVBO(false);
    }

    void Render()
    {
        GL->Calls.clear();
        Sent.clear();
        Mesh->Libraries.clear();
        Mesh->DoRender(Rci, true, false);
    }

    TNotingFreeForm* Mesh = nullptr;
};

} // namespace

TEST_F(BaseMeshDrawTest, MeshMaterialsDrawDirectlyAndOtherwiseThroughTheDisplayList)
{
    TGLMaterialLibrary library(nullptr);
    const struct {
        bool useMeshMaterials;
        bool withLibrary;
        bool ignoreMaterials;
        bool directDraw;
        bool displayList;
        bool libraryNamed;
    } cases[] = {
        {true, false, false, false, false, false}, {true, true, false, false, false, true},
        {false, true, false, false, true, false},  {false, false, false, true, false, false},
        {true, true, true, false, true, false},    {true, true, true, true, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.useMeshMaterials << c.withLibrary << c.ignoreMaterials << c.directDraw);
        Mesh->SetUseMeshMaterials(c.useMeshMaterials);
        Mesh->SetMaterialLibrary(c.withLibrary ? &library : nullptr);
        Mesh->SetObjectStyle(c.directDraw ? TGLObjectStyles{osDirectDraw} : TGLObjectStyles{});
        Mesh->StructureChanged();
        Rci.ignoreMaterials = c.ignoreMaterials;
        Render();
        EXPECT_EQ(GL->Count("NewList") + GL->Count("CallList") > 0, c.displayList);
        EXPECT_EQ(Sent.size(), 3u);
        ASSERT_EQ(Mesh->Libraries.size(), 1u);
        EXPECT_EQ(Mesh->Libraries[0], c.libraryNamed ? &library : nullptr);
        EXPECT_EQ(Rci.materialLibrary, nullptr) << "the library is named only while the mesh draws";
    }
    Rci.ignoreMaterials = false;
    Mesh->SetMaterialLibrary(nullptr);
}

TEST_F(BaseMeshDrawTest, InvertedNormalsFlipTheWindingWhileTheMeshDraws)
{
    const TFaceWinding before = Cache->FrontFace();
    Mesh->SetNormalsOrientation(mnoInvert);
    Render();
    const std::vector<TGLCall> flips = GL->Only({"FrontFace"});
    ASSERT_EQ(flips.size(), 2u);
    EXPECT_NE(flips[0], flips[1]);
    EXPECT_EQ(Sent.size(), 3u);
    EXPECT_EQ(Cache->FrontFace(), before);
}

TEST_F(BaseMeshDrawTest, ALightmapLibraryKeepsTheSecondUnitForItselfWhileTheMeshDraws)
{
    TGLMaterialLibrary lightmaps(nullptr);
    struct TProbe : TGLFreeForm {
        using TGLFreeForm::TGLFreeForm;
        void BuildList(TGLRenderContextInfo&) override
        {
            Forbidden = GetCurrentMultitextureCoordinator()->SecondTextureUnitForbidden();
        }
        bool Forbidden = false;
    };
    auto* probe = TGLBaseSceneObject::CreateAsChild<TProbe>(Scene->Objects());
    probe->SetLightmapLibrary(&lightmaps);
    probe->SetObjectStyle({osDirectDraw});
    probe->DoRender(Rci, true, false);
    EXPECT_TRUE(probe->Forbidden);
    EXPECT_FALSE(GetCurrentMultitextureCoordinator()->SecondTextureUnitForbidden());
}

// ---------------------------------------------------------------------------------------------------------
// Drawing on Mesa

namespace {

class FreeFormRenderTest : public SceneRenderFixture {};

} // namespace

TEST_F(FreeFormRenderTest, ACubeDrawsWithItsLibraryMaterial)
{
    TGLMaterialLibrary library(nullptr);
    TGLLibMaterial* red = library.Materials()->Add();
    red->SetName("red");
    red->Material()->FrontProperties()->Diffuse()->SetColor(1, 0, 0, 1);

    auto* mesh = TGLBaseSceneObject::CreateAsChild<TGLFreeForm>(Scene->Objects());
    AddBox(*mesh, P(-1, -1, -1), P(1, 1, 1), "red");
    mesh->Position()->SetPoint(0, 0, -5);
    Render();
    const TColor own = Pixel(32, 24);
    EXPECT_NE(own, Rgb(0, 0, 0)) << "drawn with its own material while no library names red";
    EXPECT_NE(own, Rgb(255, 0, 0));

    mesh->SetMaterialLibrary(&library);
    Render();
    EXPECT_EQ(Pixel(32, 24), Rgb(255, 0, 0));
    EXPECT_EQ(Pixel(2, 2), Rgb(0, 0, 0));
    Free(mesh);
}
