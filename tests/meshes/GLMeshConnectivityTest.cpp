// Mesh connectivity: the faces each face-group mode gives, faces on bad indices left out, the refused group
// kinds, the shared vertex list (kept by Clear, followed without a rebuild), the visible mesh objects of a mesh,
// and the silhouettes of a closed cube worked out by hand.
#include "GLMeshConnectivity.h"

#include "Components.h"
#include "GLVectorFileObjects.h"
#include "Raises.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string cUnit = " (VAVodad\\Source\\Basis\\GLMeshConnectivity)";

// Opens the faces to the tests.
class FaceProbe : public TGLFaceGroupConnectivity {
public:
    using TGLFaceGroupConnectivity::TGLFaceGroupConnectivity;
    std::vector<int32_t> Faces() const
    {
        return std::vector<int32_t>(FFaceVertexIndex->List(), FFaceVertexIndex->List() + FFaceVertexIndex->Count());
    }
    const TAffineVectorList* VertexList() const { return FVertices; }
};

// A face group of another kind than an index list.
class OtherGroup : public TGLFaceGroup {
public:
    using TGLFaceGroup::TGLFaceGroup;
    void BuildList(TGLRenderContextInfo&) override {}
    int32_t TriangleCount() override { return 0; }
};

TFGVertexIndexList* AddGroup(TGLMeshObject* meshObject, TGLFaceGroupMeshMode mode, std::vector<int32_t> indices)
{
    auto* group = new TFGVertexIndexList(meshObject->FaceGroups());
    group->SetMode(mode);
    for (int32_t i : indices) group->Add(i);
    return group;
}

// Cube corner v = x + 2y + 4z lies at (2x - 1, 2y - 1, 2z - 1) + offset.
TGLMeshObject* AddCube(TGLMeshObjectList* list, float offsetX = 0)
{
    auto* cube = new TGLMeshObject(list);
    cube->SetMode(momFaceGroups);
    for (int v = 0; v < 8; ++v)
        cube->Vertices()->Add(
            TVector3f{{{float(2 * (v & 1) - 1) + offsetX, float((v & 2) - 1), float((v & 4) / 2 - 1)}}});
    // Two triangles per side, wound counter-clockwise seen from outside: +X, -X, +Y, -Y, +Z, -Z.
    AddGroup(cube, fgmmTriangles,
             {1, 3, 7, 1, 7, 5, 0, 4, 6, 0, 6, 2, 2, 6, 7, 2, 7, 3,
              0, 1, 5, 0, 5, 4, 4, 5, 7, 4, 7, 6, 0, 2, 3, 0, 3, 1});
    return cube;
}

TGLSilhouetteParameters LightAt(float x, float y, float z, bool capping = false)
{
    TGLSilhouetteParameters params{};
    params.SeenFrom = TVector3f{{{x, y, z}}};
    params.Style = ssOmni;
    params.CappingRequired = capping;
    return params;
}

// The cube corner at a silhouette vertex (after subtracting offsetX), -1 when it is none.
int32_t CornerOf(const TVector4f& p, float offsetX = 0)
{
    for (int v = 0; v < 8; ++v)
        if (p.X - offsetX == float(2 * (v & 1) - 1) && p.Y == float((v & 2) - 1) && p.Z == float((v & 4) / 2 - 1) &&
            p.W == 1)
            return v;
    return -1;
}

using Edges = std::set<std::pair<int32_t, int32_t>>;

// The silhouette's edges between corners of the cube at offsetX, as directed pairs of corners.
Edges CornerEdges(const TGLSilhouette& s, float offsetX = 0)
{
    Edges result;
    const int32_t* e = s.Indices()->List();
    const TVector4f* v = s.Vertices()->List();
    for (int32_t i = 0; i + 1 < s.Indices()->Count(); i += 2) {
        const int32_t a = CornerOf(v[e[i]], offsetX), b = CornerOf(v[e[i + 1]], offsetX);
        if (a >= 0 && b >= 0) result.insert({a, b});
    }
    return result;
}

std::set<std::array<int32_t, 3>> CornerCaps(const TGLSilhouette& s)
{
    std::set<std::array<int32_t, 3>> result;
    const int32_t* c = s.CapIndices()->List();
    const TVector4f* v = s.Vertices()->List();
    for (int32_t i = 0; i + 2 < s.CapIndices()->Count(); i += 3)
        result.insert({CornerOf(v[c[i]]), CornerOf(v[c[i + 1]]), CornerOf(v[c[i + 2]])});
    return result;
}

class MeshConnectivity : public ::testing::Test {
protected:
    TGLBaseMesh Mesh{nullptr};
    TGLMeshObjectList* Objects = Mesh.MeshObjects();
};

// Seen from beyond the corner (1, 1, 1) the sides +X, +Y and +Z face the light: the outline is the hexagon
// between them and the other three, each edge running as the turned-away side winds it. Seen from straight above
// +Z only that side faces it.
const Edges cCornerOutline = {{3, 1}, {1, 5}, {5, 4}, {4, 6}, {6, 2}, {2, 3}};
const Edges cTopOutline = {{5, 4}, {4, 6}, {6, 7}, {7, 5}};

} // namespace

TEST_F(MeshConnectivity, EachModeGivesItsTrianglesAsFaces)
{
    const struct {
        TGLFaceGroupMeshMode Mode;
        std::vector<int32_t> Indices;
        std::vector<int32_t> Faces;
    } cases[] = {
        {fgmmTriangles, {0, 1, 2, 3, 4, 5, 6}, {0, 1, 2, 3, 4, 5}}, // the seventh index makes no triangle
        {fgmmFlatTriangles, {0, 1, 2, 3, 4, 5}, {0, 1, 2, 3, 4, 5}},
        {fgmmTriangleStrip, {0, 1, 2, 3, 4}, {0, 1, 2, 3, 2, 1, 2, 3, 4}},
        {fgmmTriangleFan, {0, 1, 2, 3, 4}, {0, 1, 2, 0, 2, 3, 0, 3, 4}},
        {fgmmTriangleFan, {0, 1}, {}},
    };
    for (const auto& c : cases) {
        Objects->Clear();
        TGLMeshObject* meshObject = AddCube(Objects);
        meshObject->FaceGroups()->Clear();
        AddGroup(meshObject, c.Mode, c.Indices);
        FaceProbe connectivity(meshObject, true);
        EXPECT_EQ(connectivity.Faces(), c.Faces) << "mode " << c.Mode;
    }
}

TEST_F(MeshConnectivity, AFaceOnAnIndexOutsideTheVerticesIsLeftOut)
{
    const struct {
        TGLFaceGroupMeshMode Mode;
        std::vector<int32_t> Indices;
        std::vector<int32_t> Faces;
    } cases[] = {
        {fgmmTriangles, {0, 2, 3, 0, 3, 8, 0, 3, 1}, {0, 2, 3, 0, 3, 1}},
        {fgmmTriangles, {-1, 2, 3, 0, 3, 1}, {0, 3, 1}},
        {fgmmTriangleStrip, {0, 1, 2, 3, 1000}, {0, 1, 2, 3, 2, 1}},
        {fgmmTriangleFan, {INT_MIN, 1, 2, 3}, {}},
        {fgmmTriangleFan, {0, 1, 2, INT_MAX, 3}, {0, 1, 2}},
    };
    for (const auto& c : cases) {
        Objects->Clear();
        TGLMeshObject* meshObject = AddCube(Objects);
        AddGroup(meshObject, c.Mode, c.Indices);
        FaceProbe connectivity(meshObject, true);
        std::vector<int32_t> faces = connectivity.Faces();
        faces.erase(faces.begin(), faces.begin() + 36); // the cube's own faces come first
        EXPECT_EQ(faces, c.Faces) << "mode " << c.Mode;

        // A silhouette over what was kept reads nothing outside the vertices.
        TGLSilhouette silhouette;
        TGLSilhouette* target = &silhouette;
        EXPECT_NO_THROW(connectivity.CreateSilhouette(LightAt(3, 3, 3, true), target, false));
    }
}

TEST_F(MeshConnectivity, QuadsAndOtherGroupKindsAreRefusedKeepingEarlierFaces)
{
    TGLMeshObject* meshObject = AddCube(Objects);
    AddGroup(meshObject, fgmmQuads, {0, 1, 3, 2});
    FaceProbe connectivity(true);
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { connectivity.SetMeshObject(meshObject); }), "Not supported" + cUnit);
    EXPECT_EQ(connectivity.FaceCount(), 12);

    meshObject->FaceGroups()->DeleteAndFree(1);
    new OtherGroup(meshObject->FaceGroups());
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { connectivity.RebuildEdgeList(); }),
              "Method only works for descendants of TFGVertexIndexList." + cUnit);
    EXPECT_EQ(connectivity.FaceCount(), 12);
    EXPECT_EQ(connectivity.EdgeCount(), 18);
}

TEST_F(MeshConnectivity, SharesTheMeshObjectsVerticesAndNeverEmptiesThem)
{
    TGLMeshObject* meshObject = AddCube(Objects);
    auto connectivity = std::make_unique<FaceProbe>(meshObject, false);
    EXPECT_EQ(connectivity->VertexList(), meshObject->Vertices());
    EXPECT_EQ(connectivity->FaceCount(), 12);
    EXPECT_EQ(connectivity->EdgeCount(), 18);

    connectivity->Clear();
    EXPECT_EQ(connectivity->FaceCount(), 0);
    EXPECT_EQ(connectivity->EdgeCount(), 0);
    ASSERT_EQ(meshObject->Vertices()->Count(), 8);
    EXPECT_EQ(meshObject->Vertices()->List()[7].X, 1);
    EXPECT_EQ(connectivity->VertexList(), meshObject->Vertices());

    // Moved vertices are seen without a rebuild.
    connectivity->RebuildEdgeList();
    meshObject->Vertices()->Translate(TVector3f{{{10, 0, 0}}});
    TGLSilhouette silhouette;
    TGLSilhouette* target = &silhouette;
    connectivity->CreateSilhouette(LightAt(13, 3, 3), target, false);
    EXPECT_EQ(silhouette.Indices()->Count(), 2 * 6);
    EXPECT_EQ(CornerEdges(silhouette, 10), cCornerOutline);

    // Detached, it works on a list of its own again; freed, it leaves the mesh object's list alone.
    connectivity->SetMeshObject(nullptr);
    EXPECT_EQ(connectivity->FaceCount(), 0);
    EXPECT_EQ(connectivity->AddFace(TVector3f{{{0, 0, 0}}}, TVector3f{{{1, 0, 0}}}, TVector3f{{{0, 1, 0}}}), 0);
    EXPECT_EQ(connectivity->VertexList()->Count(), 3);
    connectivity.reset();
    EXPECT_EQ(meshObject->Vertices()->Count(), 8);
}

TEST_F(MeshConnectivity, ClosedCubeSilhouettesWorkedOutByHand)
{
    TGLMeshObject* meshObject = AddCube(Objects);
    for (bool precompute : {true, false}) {
        TGLFaceGroupConnectivity connectivity(meshObject, precompute);
        EXPECT_EQ(connectivity.FaceCount(), 12);
        EXPECT_EQ(connectivity.EdgeCount(), 18); // twelve cube edges and six diagonals

        TGLSilhouette* silhouette = nullptr;
        connectivity.CreateSilhouette(LightAt(3, 3, 3, true), silhouette, false);
        std::unique_ptr<TGLSilhouette> owned(silhouette);
        EXPECT_EQ(silhouette->Indices()->Count(), 2 * 6);
        EXPECT_EQ(CornerEdges(*silhouette), cCornerOutline);
        // The caps are the turned-away triangles, as wound.
        EXPECT_EQ(CornerCaps(*silhouette),
                  (std::set<std::array<int32_t, 3>>{{0, 4, 6}, {0, 6, 2}, {0, 1, 5}, {0, 5, 4}, {0, 2, 3}, {0, 3, 1}}));

        connectivity.CreateSilhouette(LightAt(0, 0, 5), silhouette, false);
        EXPECT_EQ(silhouette->Indices()->Count(), 2 * 4);
        EXPECT_EQ(CornerEdges(*silhouette), cTopOutline);
        EXPECT_EQ(silhouette->CapIndices()->Count(), 0);
    }
}

TEST_F(MeshConnectivity, AMeshHasOneConnectivityPerVisibleMeshObject)
{
    AddCube(Objects)->SetVisible(false);
    TGLMeshObject* visible = AddCube(Objects, 10);
    TGLBaseMeshConnectivity connectivity(&Mesh);
    EXPECT_TRUE(connectivity.PrecomputeFaceNormal());
    EXPECT_EQ(connectivity.GLBaseMesh(), &Mesh);
    ASSERT_EQ(connectivity.ConnectivityCount(), 1);
    EXPECT_EQ(connectivity.FaceGroupConnectivity(0)->MeshObject(), visible);
    EXPECT_TRUE(connectivity.FaceGroupConnectivity(0)->PrecomputeFaceNormal());
    EXPECT_EQ(MessageOf<EListError>([&] { connectivity.FaceGroupConnectivity(1); }), "List index out of bounds (1)");
    EXPECT_EQ(connectivity.FaceCount(), 12);
    EXPECT_EQ(connectivity.EdgeCount(), 18);

    connectivity.Clear(true);
    EXPECT_EQ(connectivity.ConnectivityCount(), 1);
    EXPECT_EQ(connectivity.FaceCount(), 0);
    connectivity.RebuildEdgeList();
    EXPECT_EQ(connectivity.FaceCount(), 12);
    connectivity.Clear(false);
    EXPECT_EQ(connectivity.ConnectivityCount(), 0);
    EXPECT_EQ(connectivity.EdgeCount(), 0);

    // Made without a mesh and then given one, it precomputes face normals all the same.
    TGLBaseMeshConnectivity later(false);
    later.SetGLBaseMesh(&Mesh);
    EXPECT_TRUE(later.PrecomputeFaceNormal());
    EXPECT_EQ(later.ConnectivityCount(), 1);
    later.SetGLBaseMesh(nullptr);
    EXPECT_EQ(later.ConnectivityCount(), 0);
}

TEST_F(MeshConnectivity, AMeshMergesItsMeshObjectsSilhouettesIntoAFlushedOne)
{
    AddCube(Objects);
    AddCube(Objects, 10);
    TGLBaseMeshConnectivity connectivity(&Mesh);

    TGLSilhouette* silhouette = nullptr;
    connectivity.CreateSilhouette(LightAt(5, 0, 5), silhouette, false);
    std::unique_ptr<TGLSilhouette> owned(silhouette);
    ASSERT_NE(silhouette, nullptr);

    // An existing silhouette is flushed, whatever AddToSilhouette says.
    silhouette->AddIndexedEdgeToSilhouette(40, 41);
    TGLSilhouette* same = silhouette;
    connectivity.CreateSilhouette(LightAt(5, 0, 5), silhouette, true);
    EXPECT_EQ(silhouette, same);

    // Seen from between the cubes, above: the top of each and the side turned toward the light face it.
    EXPECT_EQ(silhouette->Indices()->Count(), 2 * 12);
    EXPECT_EQ(CornerEdges(*silhouette), (Edges{{3, 1}, {1, 5}, {5, 4}, {4, 6}, {6, 7}, {7, 3}}));
    EXPECT_EQ(CornerEdges(*silhouette, 10), (Edges{{4, 0}, {0, 2}, {2, 6}, {6, 7}, {7, 5}, {5, 4}}));
}
