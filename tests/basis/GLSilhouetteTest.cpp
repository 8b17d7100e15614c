#include "GLSilhouette.h"

#include "SysUtils.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <cstddef>
#include <random>
#include <vector>

namespace {

TAffineVector P(float x, float y, float z)
{
    return TAffineVector{{{x, y, z}}};
}

// Opens the connectivity's lists to the tests.
class ConnectivityProbe : public TConnectivity {
public:
    explicit ConnectivityProbe(bool precompute = false) : TConnectivity(precompute) {}
    std::vector<int32_t> EdgeVertices() const { return Ints(*FEdgeVertices); }
    std::vector<int32_t> EdgeFaces() const { return Ints(*FEdgeFaces); }
    std::vector<int32_t> FaceVisible() const
    {
        return std::vector<int32_t>(FFaceVisible->List(), FFaceVisible->List() + FFaceVisible->Count());
    }
    int32_t VertexCount() const { return FVertices->Count(); }
    TAffineVectorList& Vertices() { return *FVertices; }
    TIntegerList& EdgeVertexList() { return *FEdgeVertices; }
    TIntegerList& EdgeFaceList() { return *FEdgeFaces; }

    static std::vector<int32_t> Ints(const TIntegerList& list)
    {
        return std::vector<int32_t>(list.List(), list.List() + list.Count());
    }
};

std::vector<int32_t> Ints(const TIntegerList* list)
{
    return ConnectivityProbe::Ints(*list);
}

std::vector<std::array<float, 4>> Points(const TVectorList* list)
{
    std::vector<std::array<float, 4>> result;
    for (int32_t i = 0; i < list->Count(); ++i) {
        const TVector4f& v = list->List()[i];
        result.push_back({v.X, v.Y, v.Z, v.W});
    }
    return result;
}

TGLSilhouetteParameters SeenFrom(const TAffineVector& p, bool capping)
{
    TGLSilhouetteParameters params{};
    params.SeenFrom = p;
    params.Style = ssOmni;
    params.CappingRequired = capping;
    return params;
}

// Two triangles folded along the edge (1, 2): (0,1,2) in the plane z = 0, (2,1,3) rising to (1,1,1). Seen
// from (5, 5, 0.5) the first faces the point, the second does not.
void AddFold(TConnectivity& c)
{
    c.AddFace(P(0, 0, 0), P(1, 0, 0), P(0, 1, 0));
    c.AddFace(P(0, 1, 0), P(1, 0, 0), P(1, 1, 1));
}

// A unit cube centred on the origin, outward faces.
void AddCube(TConnectivity& c)
{
    const float h = 0.5f;
    c.AddQuad(P(h, -h, -h), P(h, h, -h), P(h, h, h), P(h, -h, h));     // +X
    c.AddQuad(P(-h, -h, -h), P(-h, -h, h), P(-h, h, h), P(-h, h, -h)); // -X
    c.AddQuad(P(-h, h, -h), P(-h, h, h), P(h, h, h), P(h, h, -h));     // +Y
    c.AddQuad(P(-h, -h, -h), P(h, -h, -h), P(h, -h, h), P(-h, -h, h)); // -Y
    c.AddQuad(P(-h, -h, h), P(h, -h, h), P(h, h, h), P(-h, h, h));     // +Z
    c.AddQuad(P(-h, -h, -h), P(-h, h, -h), P(h, h, -h), P(h, -h, -h)); // -Z
}

} // namespace

TEST(GLSilhouette, ParametersAreAPacked26ByteRecord)
{
    EXPECT_EQ(sizeof(TGLSilhouetteParameters), 26u);
    EXPECT_EQ(offsetof(TGLSilhouetteParameters, Style), 24u);
    EXPECT_EQ(offsetof(TGLSilhouetteParameters, CappingRequired), 25u);
}

TEST(GLSilhouette, EdgesAndCapsStoreTheirPointsLastFirst)
{
    TGLSilhouette s;
    const TAffineVector a = P(1, 0, 0), b = P(2, 0, 0), c = P(3, 0, 0);
    s.AddEdgeToSilhouette(a, b, true);
    s.AddEdgeToSilhouette(b, c, true); // b is reused
    EXPECT_EQ(Points(s.Vertices()), (std::vector<std::array<float, 4>>{{2, 0, 0, 1}, {1, 0, 0, 1}, {3, 0, 0, 1}}));
    EXPECT_EQ(Ints(s.Indices()), (std::vector<int32_t>{1, 0, 0, 2}));

    s.Flush();
    s.AddEdgeToSilhouette(a, a, false); // without the search both are appended
    s.AddCapToSilhouette(a, b, c, false);
    EXPECT_EQ(Points(s.Vertices()),
              (std::vector<std::array<float, 4>>{{1, 0, 0, 1}, {1, 0, 0, 1}, {3, 0, 0, 1}, {2, 0, 0, 1},
                                                 {1, 0, 0, 1}}));
    EXPECT_EQ(Ints(s.Indices()), (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(Ints(s.CapIndices()), (std::vector<int32_t>{4, 3, 2}));
}

TEST(GLSilhouette, ExtrudesEdgesToQuadsAndCapsToNearAndFarCaps)
{
    TGLSilhouette s;
    s.Vertices()->AddPoint(P(1, 2, 3));
    s.Vertices()->AddPoint(P(4, 5, 6));
    s.Vertices()->AddPoint(P(7, 8, 9));
    s.AddIndexedEdgeToSilhouette(0, 1);
    s.AddIndexedEdgeToSilhouette(1, 2);
    s.AddIndexedCapToSilhouette(0, 1, 2);
    s.ExtrudeVerticesToInfinity(P(1, 1, 1));

    EXPECT_EQ(Points(s.Vertices()), (std::vector<std::array<float, 4>>{{1, 2, 3, 1},
                                                                       {4, 5, 6, 1},
                                                                       {7, 8, 9, 1},
                                                                       {0, 1, 2, 0},
                                                                       {3, 4, 5, 0},
                                                                       {6, 7, 8, 0}}));
    EXPECT_EQ(Ints(s.Indices()), (std::vector<int32_t>{0, 1, 4, 3, 1, 2, 5, 4}));
    EXPECT_EQ(Ints(s.CapIndices()), (std::vector<int32_t>{3, 4, 5, 2, 1, 0}));
}

TEST(GLSilhouette, FlushKeepsStorageAndClearReleasesIt)
{
    TGLSilhouette s;
    s.AddCapToSilhouette(P(0, 0, 0), P(1, 0, 0), P(0, 1, 0), false);
    s.Flush();
    EXPECT_EQ(s.Vertices()->Count(), 0);
    EXPECT_GT(s.Vertices()->Capacity(), 0);
    s.Clear();
    EXPECT_EQ(s.Vertices()->Capacity(), 0);
    EXPECT_EQ(s.CapIndices()->Capacity(), 0);
}

TEST(Connectivity, TetrahedronAndCubeCounts)
{
    ConnectivityProbe tetra;
    const TAffineVector a = P(0, 0, 0), b = P(1, 0, 0), c = P(0, 1, 0), d = P(0, 0, 1);
    tetra.AddFace(a, c, b);
    tetra.AddFace(a, b, d);
    tetra.AddFace(a, d, c);
    tetra.AddFace(b, c, d);
    EXPECT_EQ(tetra.VertexCount(), 4);
    EXPECT_EQ(tetra.FaceCount(), 4);
    EXPECT_EQ(tetra.EdgeCount(), 6);

    ConnectivityProbe cube;
    AddCube(cube);
    EXPECT_EQ(cube.VertexCount(), 8);
    EXPECT_EQ(cube.FaceCount(), 12);
    EXPECT_EQ(cube.EdgeCount(), 18); // twelve cube edges and six diagonals
    for (int32_t face : cube.EdgeFaces()) EXPECT_NE(face, -1); // closed
}

TEST(Connectivity, AddQuadSharesTheDiagonalAndReusesVertices)
{
    ConnectivityProbe c;
    EXPECT_EQ(c.AddQuad(P(0, 0, 0), P(1, 0, 0), P(1, 1, 0), P(0, 1, 0)), 0);
    EXPECT_EQ(c.EdgeVertices(), (std::vector<int32_t>{0, 1, 1, 2, 2, 0, 2, 3, 3, 0}));
    EXPECT_EQ(c.EdgeFaces(), (std::vector<int32_t>{0, -1, 0, -1, 0, 1, 1, -1, 1, -1}));
    EXPECT_EQ(c.AddQuad(P(1, 0, 0), P(2, 0, 0), P(2, 1, 0), P(1, 1, 0)), 2);
    EXPECT_EQ(c.VertexCount(), 6);
}

TEST(Connectivity, AThirdFaceOnAnEdgeReplacesTheSecond)
{
    ConnectivityProbe c;
    c.AddFace(P(0, 0, 0), P(1, 0, 0), P(0, 1, 0));
    c.AddFace(P(1, 0, 0), P(0, 0, 0), P(0, -1, 0));
    c.AddFace(P(0, 0, 0), P(1, 0, 0), P(0, 0, 1));
    EXPECT_EQ(c.EdgeVertices()[0], 0);
    EXPECT_EQ(c.EdgeVertices()[1], 1);
    EXPECT_EQ(c.EdgeFaces()[0], 0);
    EXPECT_EQ(c.EdgeFaces()[1], 2);
    EXPECT_EQ(c.EdgeCount(), 7);
}

TEST(Connectivity, FoldSilhouetteWithAndWithoutCaps)
{
    for (bool precompute : {false, true}) {
        ConnectivityProbe c(precompute);
        AddFold(c);
        TGLSilhouette* s = nullptr;
        c.CreateSilhouette(SeenFrom(P(5, 5, 0.5f), true), s, false);
        std::unique_ptr<TGLSilhouette> owned(s);
        EXPECT_EQ(c.FaceVisible(), (std::vector<int32_t>{1, 0}));
        // The cap maps 3, 1, 2; the shared edge (1, 2) reversed, the open edges of the turned-away face as stored.
        EXPECT_EQ(Points(s->Vertices()),
                  (std::vector<std::array<float, 4>>{{1, 1, 1, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}}));
        EXPECT_EQ(Ints(s->CapIndices()), (std::vector<int32_t>{2, 1, 0}));
        EXPECT_EQ(Ints(s->Indices()), (std::vector<int32_t>{2, 1, 1, 0, 0, 2}));

        c.CreateSilhouette(SeenFrom(P(5, 5, 0.5f), false), s, false); // flushed and rebuilt
        EXPECT_EQ(Points(s->Vertices()),
                  (std::vector<std::array<float, 4>>{{1, 0, 0, 1}, {0, 1, 0, 1}, {1, 1, 1, 1}}));
        EXPECT_EQ(Ints(s->CapIndices()), std::vector<int32_t>{});
        EXPECT_EQ(Ints(s->Indices()), (std::vector<int32_t>{1, 0, 0, 2, 2, 1}));

        c.CreateSilhouette(SeenFrom(P(5, 5, 0.5f), false), s, true); // appended; vertices added again
        EXPECT_EQ(s->Vertices()->Count(), 6);
        EXPECT_EQ(Ints(s->Indices()), (std::vector<int32_t>{1, 0, 0, 2, 2, 1, 4, 3, 3, 5, 5, 4}));
    }
}

TEST(Connectivity, SingleTriangleFacingGivesNothingTurnedAwayGivesEdgesAndCap)
{
    ConnectivityProbe c;
    c.AddFace(P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)); // normal +Z
    TGLSilhouette s;
    TGLSilhouette* ps = &s;
    c.CreateSilhouette(SeenFrom(P(0.2f, 0.2f, 0), true), ps, false); // in the plane: facing
    EXPECT_EQ(s.Indices()->Count(), 0);
    EXPECT_EQ(s.CapIndices()->Count(), 0);

    c.CreateSilhouette(SeenFrom(P(0.2f, 0.2f, -1), true), ps, false);
    EXPECT_EQ(Ints(s.CapIndices()), (std::vector<int32_t>{2, 1, 0}));
    EXPECT_EQ(Ints(s.Indices()), (std::vector<int32_t>{2, 1, 1, 0, 0, 2}));
}

TEST(Connectivity, CubeSilhouetteFromACornerIsOneClosedLoop)
{
    ConnectivityProbe c;
    AddCube(c);
    TGLSilhouette* s = nullptr;
    c.CreateSilhouette(SeenFrom(P(10, 7, 5), true), s, false);
    std::unique_ptr<TGLSilhouette> owned(s);
    // Three faces (six triangles) face the light: six outline edges, six cap triangles.
    const std::vector<int32_t> edges = Ints(s->Indices());
    ASSERT_EQ(edges.size(), 12u);
    EXPECT_EQ(s->CapIndices()->Count(), 18);
    // Consistent orientation: every vertex starts one outline edge and ends one.
    std::vector<int> starts(s->Vertices()->Count()), ends(s->Vertices()->Count());
    for (size_t k = 0; k < edges.size(); k += 2) {
        ++starts[edges[k]];
        ++ends[edges[k + 1]];
    }
    for (size_t v = 0; v < starts.size(); ++v) {
        EXPECT_EQ(starts[v], ends[v]);
    }
    EXPECT_EQ(s->Vertices()->Count(), 7); // the corner nearest the light is on neither
}

TEST(Connectivity, FaceIndicesMustNameExistingVertices)
{
    ConnectivityProbe c;
    c.AddFace(P(0, 0, 0), P(1, 0, 0), P(0, 1, 0));
    EXPECT_THROW(c.AddIndexedFace(0, 1, 3), EAssertionFailed);
    EXPECT_THROW(c.AddIndexedFace(-1, 1, 2), EAssertionFailed);
    EXPECT_EQ(c.FaceCount(), 1);
}

TEST(Connectivity, ClearEmptiesEverything)
{
    ConnectivityProbe c;
    AddCube(c);
    c.Clear();
    EXPECT_EQ(c.FaceCount(), 0);
    EXPECT_EQ(c.EdgeCount(), 0);
    EXPECT_EQ(c.VertexCount(), 0);
    AddFold(c);
    EXPECT_EQ(c.EdgeCount(), 5);
}

// The edge index must give exactly what a search through all edges in order gives, also after the edge list
// was changed directly.
TEST(Connectivity, EdgeIndexMatchesALinearSearch)
{
    ConnectivityProbe c;
    for (int i = 0; i < 40; ++i) c.Vertices().Add(P(float(i), float(i * i % 7), 0));

    std::vector<int32_t> edgeVertices, edgeFaces;
    auto linearAdd = [&](int32_t a, int32_t b, int32_t face) {
        for (size_t e = 0; e < edgeVertices.size(); e += 2)
            if ((edgeVertices[e] == a && edgeVertices[e + 1] == b) ||
                (edgeVertices[e] == b && edgeVertices[e + 1] == a)) {
                edgeFaces[e + 1] = face;
                return;
            }
        edgeVertices.insert(edgeVertices.end(), {a, b});
        edgeFaces.insert(edgeFaces.end(), {face, -1});
    };

    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> pick(0, 39);
    for (int32_t f = 0; f < 1500; ++f) {
        if (f == 1000) {
            // As a descendant might: keep only the first 100 edges.
            c.EdgeVertexList().SetCount(200);
            c.EdgeFaceList().SetCount(200);
            edgeVertices.resize(200);
            edgeFaces.resize(200);
        }
        const int32_t a = pick(random), b = pick(random), d = pick(random); // repeats make degenerate faces
        const int32_t face = c.AddIndexedFace(a, b, d);
        linearAdd(a, b, face);
        linearAdd(b, d, face);
        linearAdd(d, a, face);
    }
    EXPECT_EQ(c.EdgeVertices(), edgeVertices);
    EXPECT_EQ(c.EdgeFaces(), edgeFaces);
}
