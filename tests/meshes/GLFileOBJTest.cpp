// OBJ files read into a base mesh and written from it, MTL materials, the OBJ face group's triangles,
// archive and drawing.
#include "GLFileOBJ.h"

#include "../scene/RecordingDrawFixture.h"
#include "../scene/SceneRenderFixture.h"
#include "GLMaterial.h"
#include "GLMeshConnectivity.h"
#include "GLTexture.h"
#include "GLVectorGeometry.h"
#include "Raises.h"
#include "Streams.h"
#include "SysUtils.h"
#include "TempFolder.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

TVector3f P(float x, float y, float z)
{
    return TVector3f{{{x, y, z}}};
}

std::vector<int32_t> Ints(const TIntegerList& list)
{
    return std::vector<int32_t>(list.List(), list.List() + list.Count());
}

std::vector<float> Floats(const TAffineVectorList& list)
{
    std::vector<float> result;
    for (int32_t i = 0; i < list.Count(); ++i)
        for (const float v : list.List()[i].V) result.push_back(v);
    return result;
}

std::vector<float> Floats(const TVector4f& v)
{
    return {v.X, v.Y, v.Z, v.W};
}

// Reads text into mesh as the base mesh's loading does: a file object owned by the mesh, fed a stream.
void Load(TGLBaseMesh& mesh, const std::string& text)
{
    TStringStream stream(text);
    TGLOBJVectorFile file(&mesh);
    file.LoadFromStream(stream);
}

std::string Save(TGLBaseMesh& mesh)
{
    TStringStream stream;
    TGLOBJVectorFile file(&mesh);
    file.SaveToStream(stream);
    return stream.DataString();
}

// The error a load raises, as "message @ line".
std::string LoadError(const std::string& text)
{
    TGLBaseMesh mesh(nullptr);
    try {
        Load(mesh, text);
    } catch (const EGLOBJFileError& e) {
        return e.Message() + " @ " + std::to_string(e.LineNo());
    }
    return cNoException;
}

TOBJFGVertexNormalTexIndexList& Group(TGLBaseMesh& mesh, int32_t index, int32_t meshObject = 0)
{
    return *dynamic_cast<TOBJFGVertexNormalTexIndexList*>(
        mesh.MeshObjects()->Items(meshObject)->FaceGroups()->Items(index));
}

// A unit cube: 8 corners, 4 texture coordinates, 6 face normals and 6 quads, each face's corners counter-
// clockwise seen from outside.
const std::string cCube = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
                          "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                          "vn 0 0 -1\nvn 0 0 1\nvn 0 -1 0\nvn 1 0 0\nvn 0 1 0\nvn -1 0 0\n"
                          "f 1/1/1 4/2/1 3/3/1 2/4/1\n"
                          "f 5/1/2 6/2/2 7/3/2 8/4/2\n"
                          "f 1/1/3 2/2/3 6/3/3 5/4/3\n"
                          "f 2/1/4 3/2/4 7/3/4 6/4/4\n"
                          "f 3/1/5 4/2/5 8/3/5 7/4/5\n"
                          "f 4/1/6 1/2/6 5/3/6 8/4/6\n";

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Reading

TEST(OBJFile, IsRegisteredForBothExtensionsWithItsFaceGroup)
{
    for (const char* ext : {"obj", "OBJF"})
        EXPECT_EQ(GetVectorFileFormats().FindExt(ext), &VectorFileClassOf<TGLOBJVectorFile>());
    EXPECT_NE(GetClass("TOBJFGVertexNormalTexIndexList"), nullptr);
    EXPECT_EQ(VectorFileClassOf<TGLOBJVectorFile>().Capabilities(), dfcRead | dfcWrite);
}

TEST(OBJFile, ACubeLoadsAsOnePolygonGroupWhoseQuadsReachEveryTriangleConsumerAsFans)
{
    TGLBaseMesh mesh(nullptr);
    Load(mesh, cCube);
    ASSERT_EQ(mesh.MeshObjects()->Count(), 1);
    TGLMeshObject& meshObject = *mesh.MeshObjects()->Items(0);
    EXPECT_EQ(meshObject.Mode(), momFaceGroups);
    EXPECT_EQ(meshObject.Name(), "");
    EXPECT_EQ(meshObject.Vertices()->Count(), 8);
    EXPECT_EQ(meshObject.TexCoords()->Count(), 4);
    EXPECT_EQ(meshObject.Normals()->Count(), 6); // every corner had its normal
    ASSERT_EQ(meshObject.FaceGroups()->Count(), 1);
    TOBJFGVertexNormalTexIndexList& group = Group(mesh, 0);
    EXPECT_EQ(group.Mode(), objfgmmPolygons);
    EXPECT_EQ(Ints(*group.PolygonVertices()), std::vector<int32_t>(6, 4));
    EXPECT_EQ(group.TriangleCount(), 12);
    EXPECT_EQ(meshObject.TriangleCount(), 12);

    // Extraction: the fan (c0, c1, c2), (c0, c2, c3) of each quad, with its texture coordinates and normals.
    TAffineVectorList texCoords, normals;
    const std::unique_ptr<TAffineVectorList> corners = mesh.MeshObjects()->ExtractTriangles(&texCoords, &normals);
    ASSERT_EQ(corners->Count(), 36);
    ASSERT_EQ(texCoords.Count(), 36);
    ASSERT_EQ(normals.Count(), 36);
    const std::vector<float> positions = Floats(*corners), coordinates = Floats(texCoords);
    EXPECT_EQ(std::vector<float>(positions.begin(), positions.begin() + 18),
              (std::vector<float>{0, 0, 0, 0, 1, 0, 1, 1, 0, 0, 0, 0, 1, 1, 0, 1, 0, 0}));
    EXPECT_EQ(std::vector<float>(coordinates.begin(), coordinates.begin() + 18),
              (std::vector<float>{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 1, 0}));
    for (int32_t i = 0; i < 36; ++i) {
        // Every triangle faces the way its normal points.
        TVector3f faceNormal;
        const int32_t t = i / 3 * 3;
        AffineTriangleNormal(corners->List()[t], corners->List()[t + 1], corners->List()[t + 2], faceNormal);
        EXPECT_NEAR(AffineDot(faceNormal, normals.List()[i]), 1.0f, 1e-6f) << i;
    }

    // Triangle access: triangle 3 is the second of quad 1, corners 5, 7, 8 of the file.
    TVector3f v0, v1, v2;
    ASSERT_TRUE(meshObject.GetTriangleData(3, meshObject.Vertices(), v0, v1, v2));
    EXPECT_EQ((std::vector<float>{v0.X, v0.Y, v0.Z, v1.X, v1.Y, v1.Z, v2.X, v2.Y, v2.Z}),
              (std::vector<float>{0, 0, 1, 1, 1, 1, 0, 1, 1}));
    EXPECT_FALSE(meshObject.GetTriangleData(12, meshObject.Vertices(), v0, v1, v2));

    // Silhouettes: the closed cube is 12 faces sharing 18 edges.
    TGLBaseMeshConnectivity connectivity(&mesh);
    EXPECT_EQ(connectivity.FaceCount(), 12);
    EXPECT_EQ(connectivity.EdgeCount(), 18);
}

TEST(OBJFile, FilesAreNamedAsTheGameNamesThem)
{
    // "\" separates folders and letter case does not matter.
    TempFolder folder;
    folder.Write("Meshes/Wall.obj", cCube);
    TGLBaseMesh mesh(nullptr);
    TGLOBJVectorFile file(&mesh);
    file.LoadFromFile(folder.path.string() + "\\MESHES\\wall.OBJ");
    EXPECT_EQ(mesh.MeshObjects()->Items(0)->TriangleCount(), 12);
}

TEST(OBJFile, EveryLineEndingReadsAlikeAndARepeatedEndCountsOnce)
{
    // The bad number stands after a blank line: CR LF and LF CR count it, while CR CR and LF LF end one line.
    const std::vector<std::string> lines = {"# box", "v 1 2 3", "", "vn 0 0 1", "v 1,5 0 0"};
    const struct {
        std::string Ending;
        int BadLine;
    } endings[] = {{"\r\n", 5}, {"\n\r", 5}, {"\n", 4}, {"\r", 4}};
    for (const auto& e : endings) {
        std::string good, bad;
        for (size_t i = 0; i + 1 < lines.size(); ++i) good += lines[i] + e.Ending;
        bad = good + lines.back() + e.Ending;
        TGLBaseMesh mesh(nullptr);
        Load(mesh, good + "f 1//1 1//1 1//1"); // no line end after the last line
        const TGLMeshObject& meshObject = *mesh.MeshObjects()->Items(0);
        EXPECT_EQ(Floats(*meshObject.Vertices()), (std::vector<float>{1, 2, 3}));
        EXPECT_EQ(meshObject.Normals()->Count(), 1);
        EXPECT_EQ(Group(mesh, 0).TriangleCount(), 1);
        EXPECT_EQ(LoadError(bad), Format("'1,5' is not a valid floating-point constant. @ %d", {e.BadLine}));
    }
    // Tabs separate like blanks.
    EXPECT_EQ(LoadError("v\t1\t2 3\r\n\r\n\r\nxx\r\n"), "Unsupported Command 'XX' @ 4");
    EXPECT_EQ(LoadError("\n\n\nxx"), "Unsupported Command 'XX' @ 3");
    EXPECT_EQ(LoadError("\r\r\rxx"), "Unsupported Command 'XX' @ 3");
}

TEST(OBJFile, ALineEndSplitBetweenTwoChunksIsOneEnd)
{
    // The CR of line 1 is the last byte of the first 10240-byte chunk, its LF the first of the next.
    for (const size_t length : {10238u, 10239u, 10240u}) {
        const std::string text = "#" + std::string(length - 1, 'x') + "\r\nv 1 2 3\r\nyy\r\n";
        EXPECT_EQ(LoadError(text), "Unsupported Command 'YY' @ 3") << length;
    }
    // A long line is read whole.
    TGLBaseMesh mesh(nullptr);
    Load(mesh, "v 1 2 3" + std::string(30000, ' ') + "\nv 4 5 6\n");
    EXPECT_EQ(Floats(*mesh.MeshObjects()->Items(0)->Vertices()), (std::vector<float>{1, 2, 3, 4, 5, 6}));
}

TEST(OBJFile, NumbersAreReadWithADecimalPointUpToTheirCount)
{
    const struct {
        const char* line;
        std::vector<float> vertices, texCoords, normals;
    } cases[] = {
        {"v 1 2 3", {1, 2, 3}, {}, {}},
        {"V 1 2", {1, 2, 0}, {}, {}},
        {"v 1 2 3 4 5", {1, 2, 3}, {}, {}},
        {"v  -1.5   +2.25e1 3E-1 ", {-1.5f, 22.5f, 0.3f}, {}, {}},
        {"v", {0, 0, 0}, {}, {}},
        {"v 1. 1e-50 -.5", {1, 0, -0.5f}, {}, {}},
        {"vt 0.5 0.25 0.9", {}, {0.5f, 0.25f, 0}, {}},
        {"VT .5", {}, {0.5f, 0, 0}, {}},
        {"vn 0 -1 0 7", {}, {}, {0, -1, 0}},
    };
    for (const auto& c : cases) {
        TGLBaseMesh mesh(nullptr);
        Load(mesh, c.line);
        const TGLMeshObject& meshObject = *mesh.MeshObjects()->Items(0);
        EXPECT_EQ(Floats(*meshObject.Vertices()), c.vertices) << c.line;
        EXPECT_EQ(Floats(*meshObject.TexCoords()), c.texCoords) << c.line;
        EXPECT_EQ(Floats(*meshObject.Normals()), c.normals) << c.line;
    }
    for (const char* token :
         {"1,5", "0x10", "inf", "-inf", "nan", "1e", "1e+", ".", "--1", "+-1", "abc", "1e999", "-1e39", "1\x01"})
        EXPECT_EQ(LoadError("# numbers\nv 1 " + std::string(token) + " 3"),
                  "'" + std::string(token) + "' is not a valid floating-point constant. @ 2");
}

TEST(OBJFile, CommandsAreCaseInsensitiveAndUnknownOnesAreRefused)
{
    TGLBaseMesh mesh(nullptr);
    Load(mesh, "# comment\n$ also a comment\n\nmtllib a.mtl b.mtl\no Thing\nvp 0.5\ns off\nS 1\n"
               "v 0 0 0\nv 1 0 0\nv 0 1 0\nF 1 2 3\nf\n");
    EXPECT_EQ(Group(mesh, 0).TriangleCount(), 1);
    // Lines of blanks and tabs alone are blank lines, as exporters write them between sections; a command
    // after leading blanks is still no command.
    TGLBaseMesh blanks(nullptr);
    Load(blanks, "v 0 0 0\n   \nv 1 0 0\n\t\nv 0 1 0\n \t \r\nf 1 2 3\n \n");
    EXPECT_EQ(blanks.MeshObjects()->Items(0)->TriangleCount(), 1);
    EXPECT_EQ(LoadError("v 1 2 3\n  \t\nxx"), "Unsupported Command 'XX' @ 3");
    EXPECT_EQ(LoadError("v 1 2 3\n v 1 2 3"), "Unsupported Command '' @ 2");
    EXPECT_EQ(LoadError("l 1 2"), "Unsupported Command 'L' @ 1");
    EXPECT_EQ(LoadError("usemtlx m"), "Unsupported Command 'USEMTLX' @ 1");
}

TEST(OBJFile, CornersCountFromOneOrBackFromTheLastEntryReadSoFar)
{
    const std::string lists = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\n";
    TGLBaseMesh mesh(nullptr);
    Load(mesh, lists + "f -3/-3/-3 -2/-2/-2 -1/-1/-1\nf 1//2 2/3 3\nf 3/1/1 1/x/ 2/0/0\n");
    const TOBJFGVertexNormalTexIndexList& group = Group(mesh, 0);
    EXPECT_EQ(Ints(*group.VertexIndices()), (std::vector<int32_t>{0, 1, 2, 0, 1, 2, 2, 0, 1}));
    EXPECT_EQ(Ints(*group.TexCoordIndices()), (std::vector<int32_t>{0, 1, 2, -1, 2, -1, 0, -1, -1}));
    // Corners without a normal got one each after loading (normals 3 to 7).
    EXPECT_EQ(Ints(*group.NormalIndices()), (std::vector<int32_t>{0, 1, 2, 1, 3, 4, 0, 5, 6}));
    EXPECT_EQ(Ints(*group.PolygonVertices()), (std::vector<int32_t>{3, 3, 3}));
}

TEST(OBJFile, CornersWithoutNormalsGetTheNormalOfTheirCornerOfThePolygon)
{
    TGLBaseMesh mesh(nullptr);
    // A quad bent along its diagonal: each corner's normal is made from the corner and its two neighbours.
    Load(mesh, "v 0 0 0\nv 1 0 0\nv 1 1 1\nv 0 1 0\nf 1 2 3 4\n");
    const TGLMeshObject& meshObject = *mesh.MeshObjects()->Items(0);
    const TOBJFGVertexNormalTexIndexList& group = Group(mesh, 0);
    EXPECT_EQ(Ints(*group.NormalIndices()), (std::vector<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(Ints(*group.TexCoordIndices()), (std::vector<int32_t>{-1, -1, -1, -1}));
    const TVector3f* v = meshObject.Vertices()->List();
    const int corner[4][3] = {{3, 0, 1}, {0, 1, 2}, {1, 2, 3}, {2, 3, 0}};
    for (int k = 0; k < 4; ++k) {
        TVector3f expected;
        AffineTriangleNormal(v[corner[k][0]], v[corner[k][1]], v[corner[k][2]], expected);
        const TVector3f& n = meshObject.Normals()->List()[k];
        EXPECT_NEAR(n.X, expected.X, 1e-6f) << k;
        EXPECT_NEAR(n.Y, expected.Y, 1e-6f) << k;
        EXPECT_NEAR(n.Z, expected.Z, 1e-6f) << k;
    }
}

TEST(OBJFile, IndicesTheFileLacksAreRefusedWithTheLineOfTheirFace)
{
    const std::string square = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n";
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {square + "f 1 2 3\nf 1 2 5\n", "Vertex index 5 out of range. @ 8"},
        {square + "f 1 2 -5\n", "Vertex index -5 out of range. @ 7"},
        // A corner needs its vertex; texture coordinates and normals may be missing.
        {square + "f 1 0 3\n", "Vertex index 0 out of range. @ 7"},
        {square + "f 1 x//1 3\n", "Vertex index 0 out of range. @ 7"},
        {square + "f 1/0/0 2/x/x 3//\n", cNoException},
        {square + "f +1/+1 2 3/-1/-1\n", cNoException},
        {square + "f 1 2 99999999999\n", "Vertex index 0 out of range. @ 7"},
        {square + "f 1 2 +-3\n", "Vertex index 0 out of range. @ 7"},
        {square + "f 1 2 -2147483648\n", "Vertex index -2147483648 out of range. @ 7"},
        {square + "f 1 2 3/2147483648/-2147483649\n", cNoException}, // parts beyond Integer are missing
        {square + "f 1/2 2 3\n", "Texture coordinate index 2 out of range. @ 7"},
        {square + "f 1//1 2//-2 3//1\n", "Normal index -2 out of range. @ 7"},
        // The first bad face counts, whatever the list.
        {square + "f 1 2 3\nf 1/9 2 3\nf 1 2 9\n", "Texture coordinate index 9 out of range. @ 8"},
        {square + "f 1 2 9\nf 1/1/1 2 -7\n", "Vertex index 9 out of range. @ 7"},
        {square + "f 1 2 3 4 5\nf 1 2 3 4 6\n", "Vertex index 5 out of range. @ 7"},
        // An index the file gives later is not missing; one beyond the end still is.
        {"f 1 2 3\nv 0 0 0\nv 1 0 0\nv 1 1 0\n", cNoException},
        {"f 1 2 4\nf 1 2 3\nv 0 0 0\nv 1 0 0\nv 1 1 0\n", "Vertex index 4 out of range. @ 1"},
        {"f 1 2 3\nf 1 2 4\nv 0 0 0\nv 1 0 0\nv 1 1 0\n", "Vertex index 4 out of range. @ 2"},
        {"t 1 2 3 4\nv 0 0 0\nv 1 0 0\nv 1 1 0\n", "Vertex index 4 out of range. @ 1"},
    };
    for (const auto& c : cases) EXPECT_EQ(LoadError(c.text), c.error) << c.text;

    // What was read stays with the mesh.
    TGLBaseMesh mesh(nullptr);
    EXPECT_NE(MessageOf<EGLOBJFileError>([&] { Load(mesh, square + "f 1 2 9\n"); }), cNoException);
    ASSERT_EQ(mesh.MeshObjects()->Count(), 1);
    EXPECT_EQ(mesh.MeshObjects()->Items(0)->Vertices()->Count(), 4);
}

TEST(OBJFile, StripsTakeTheirCornersFromTAndQLines)
{
    const std::string six = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nv 0 2 0\nv 1 2 0\n";
    TGLBaseMesh mesh(nullptr);
    Load(mesh, six + "t 1 2 3 4\nq 5\nq 6\n");
    ASSERT_EQ(mesh.MeshObjects()->Items(0)->FaceGroups()->Count(), 1);
    TOBJFGVertexNormalTexIndexList& strip = Group(mesh, 0);
    EXPECT_EQ(strip.Mode(), objfgmmTriangleStrip);
    EXPECT_EQ(strip.PolygonVertices(), nullptr);
    EXPECT_EQ(Ints(*strip.VertexIndices()), (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));
    // Strips get no normals made.
    EXPECT_EQ(Ints(*strip.NormalIndices()), std::vector<int32_t>(6, -1));
    EXPECT_EQ(strip.TriangleCount(), 4);
    TIntegerList faces;
    EXPECT_TRUE(strip.AddTriangleIndices(&faces));
    EXPECT_EQ(Ints(faces), (std::vector<int32_t>{0, 1, 2, 3, 2, 1, 2, 3, 4, 5, 4, 3}));
    TAffineVectorList corners, normals;
    strip.AddToTriangles(&corners, nullptr, &normals);
    EXPECT_EQ(corners.Count(), 12);
    EXPECT_EQ(Floats(normals), std::vector<float>(36, 0)); // no normals: zero vectors keep the lists parallel

    // Each t line starts a strip of its own.
    TGLBaseMesh two(nullptr);
    Load(two, six + "t 1 2 3\nt 4 5 6\n");
    EXPECT_EQ(two.MeshObjects()->Items(0)->FaceGroups()->Count(), 2);

    EXPECT_EQ(LoadError(six + "q 1 2 3\n"), "q-line without preceding t-line. @ 7");
    EXPECT_EQ(LoadError(six + "f 1 2 3\nq 4\n"), "q-line without preceding t-line. @ 8");
    EXPECT_EQ(LoadError(six + "t 1 2 3\nf 4 5 6\n"), "f-line after t-line. @ 8");
    // A group line after a strip goes back to polygons.
    EXPECT_EQ(LoadError(six + "t 1 2 3\ng side\nf 4 5 6\n"), cNoException);
}

TEST(OBJFile, PolygonsOfFewerThanThreeCornersHaveNoTriangles)
{
    TGLBaseMesh mesh(nullptr);
    Load(mesh, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1\nf 1 2\nf 1 2 3\n");
    TOBJFGVertexNormalTexIndexList& group = Group(mesh, 0);
    EXPECT_EQ(Ints(*group.PolygonVertices()), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(group.TriangleCount(), 1);
    TIntegerList faces;
    group.AddTriangleIndices(&faces);
    EXPECT_EQ(Ints(faces), (std::vector<int32_t>{0, 1, 2}));
    TGLMeshObject& meshObject = *mesh.MeshObjects()->Items(0);
    EXPECT_EQ(meshObject.ExtractTriangles()->Count(), 3);
    TVector3f v0, v1, v2;
    ASSERT_TRUE(meshObject.GetTriangleData(0, meshObject.Vertices(), v0, v1, v2));
    EXPECT_EQ(v2.Y, 1);
}

TEST(OBJFile, GroupLinesAndMaterialsChooseTheGroupOfTheFacesThatFollow)
{
    TGLMaterialLibrary library(nullptr);
    TGLBaseMesh mesh(nullptr);
    mesh.SetMaterialLibrary(&library);
    Load(mesh, "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
               "f 1 2 3\n"            // the group without a name
               "g wall\nf 1 2 3\n"    // wall
               "g door\ng wall\nf 1 2 3\n" // a second wall: the first holds faces; door stays empty
               "g Wall\nusemtl brick\nf 1 2 3\n" // Wall empty without material, Wall with brick
               "usemtl brick\nf 1 2 3\n");        // the same group again: it has faces, so a new one
    TGLFaceGroups& groups = *mesh.MeshObjects()->Items(0)->FaceGroups();
    std::vector<std::string> found;
    for (int32_t i = 0; i < groups.Count(); ++i) {
        const auto& group = Group(mesh, i);
        found.push_back(group.Name() + ":" + group.MaterialName() + ":" +
                        std::to_string(group.PolygonVertices()->Count()));
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"::1", "Wall::0", "Wall:brick:1", "Wall:brick:1", "door::0",
                                               "wall::1", "wall::1"}));
    // Sorted by material: the groups of brick come last and together.
    EXPECT_EQ(groups.Items(5)->MaterialName(), "brick");
    EXPECT_EQ(groups.Items(6)->MaterialName(), "brick");

    // Without a library the material is no material.
    TGLBaseMesh plain(nullptr);
    Load(plain, "v 0 0 0\nusemtl brick\nf 1 1 1\n");
    EXPECT_EQ(Group(plain, 0).MaterialName(), "");
}

// ---------------------------------------------------------------------------------------------------------
// Materials

namespace {

// A 1x1 24-bit TGA picture.
const std::string cTGA = std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x18\0", 18) + std::string("\x10\x20\x30", 3);

class OBJMaterialTest : public ::testing::Test {
protected:
    OBJMaterialTest() { Mesh.SetMaterialLibrary(&Library); }

    // Loads a triangle that uses the materials through the MTL file "lib/Mats.mtl" of the folder, named with
    // "\" and in other letter case as the game's data names are.
    void LoadUsing(const std::string& mtl, std::initializer_list<const char*> materials)
    {
        Folder.Write("lib/Mats.mtl", mtl);
        std::string text = "mtllib " + Folder.path.string() + "\\LIB\\mats.MTL\nv 0 0 0\nv 1 0 0\nv 0 1 0\n";
        for (const char* material : materials) text += "usemtl " + std::string(material) + "\nf 1 2 3\n";
        Load(Mesh, text);
    }
    TGLMaterial& Material(const std::string& name)
    {
        TGLLibMaterial* libMat = Library.LibMaterialByName(name);
        EXPECT_NE(libMat, nullptr) << name;
        return *libMat->Material();
    }

    TempFolder Folder;
    TGLMaterialLibrary Library{nullptr};
    TGLBaseMesh Mesh{nullptr};
};

} // namespace

TEST_F(OBJMaterialTest, MaterialsTakeTheirColoursFromTheMTLFile)
{
    LoadUsing("# colours\n"
              "newmtl Red\nKd 1 0 0\nd 0.5\n"
              "newmtl Plain\n"
              "newmtl Unlit\n\tillum 0\nKa 1e-1 2E-1 0.3\n"
              "NEWMTL Shiny\nillum 2\nKs 1 1 1\nNs 50\n"
              "newmtl Other\nillum 5\nKd 0 0 1\nNs 96.07\n"
              "newmtl Comma\nKd 0,5 0,25 1\nd 0,5\nillum 2\nKs 1 x 1e1\n",
              {"Red", "Plain", "Unlit", "Shiny", "Other", "Comma"});
    const struct {
        const char* name;
        std::vector<float> ambient, diffuse, specular;
        TBlendingMode blending;
        bool unlit;
        int32_t shininess;
    } cases[] = {
        {"Red", {0.2f, 0.2f, 0.2f, 1}, {1, 0, 0, 0.5f}, {0, 0, 0, 1}, bmTransparency, false, 1},
        {"Plain", {0.2f, 0.2f, 0.2f, 1}, {0.8f, 0.8f, 0.8f, 1}, {0, 0, 0, 1}, bmOpaque, false, 1},
        {"Unlit", {0.1f, 0.2f, 0.3f, 0}, {0.8f, 0.8f, 0.8f, 1}, {0, 0, 0, 1}, bmOpaque, true, 1},
        {"Shiny", {0.2f, 0.2f, 0.2f, 1}, {0.8f, 0.8f, 0.8f, 1}, {1, 1, 1, 0}, bmOpaque, false, 50},
        // An unknown illumination model is unlit grey; "96.07" is no integer.
        {"Other", {0.2f, 0.2f, 0.2f, 1}, {0.8f, 0.8f, 0.8f, 1}, {0, 0, 0, 1}, bmOpaque, true, 1},
        // Commas separate the items of a vector, so 0,5 is two numbers (and x none); a single number takes
        // either point.
        {"Comma", {0.2f, 0.2f, 0.2f, 1}, {0, 5, 0, 0.5f}, {1, 0, 10, 0}, bmTransparency, false, 1},
    };
    for (const auto& c : cases) {
        TGLMaterial& material = Material(c.name);
        const TGLFaceProperties& front = *material.FrontProperties();
        for (const auto& [actual, expected] : {std::pair{front.Ambient(), c.ambient},
                                               std::pair{front.Diffuse(), c.diffuse},
                                               std::pair{front.Specular(), c.specular}}) {
            const std::vector<float> values = Floats(actual->Color());
            for (int i = 0; i < 4; ++i) EXPECT_NEAR(values[i], expected[i], 1e-6f) << c.name << " " << i;
        }
        EXPECT_EQ(material.BlendingMode(), c.blending) << c.name;
        EXPECT_EQ(material.MaterialOptions().Contains(moNoLighting), c.unlit) << c.name;
        EXPECT_EQ(front.Shininess(), c.shininess) << c.name;
    }
    // Blended materials' groups are drawn last.
    TGLFaceGroups& groups = *Mesh.MeshObjects()->Items(0)->FaceGroups();
    EXPECT_EQ(groups.Items(groups.Count() - 1)->MaterialName(), "Red");
    EXPECT_EQ(groups.Items(groups.Count() - 2)->MaterialName(), "Comma");
}

TEST_F(OBJMaterialTest, AMaterialOfTheLibraryIsUsedAsItIs)
{
    TGLLibMaterial* existing = Library.Materials()->Add();
    existing->SetName("Red");
    existing->Material()->FrontProperties()->Diffuse()->SetColor(0, 1, 0, 1);
    LoadUsing("newmtl Red\nKd 1 0 0\n", {"Red", "Red"});
    EXPECT_EQ(Library.Materials()->Count(), 1);
    EXPECT_EQ(Floats(Material("Red").FrontProperties()->Diffuse()->Color()), (std::vector<float>{0, 1, 0, 1}));
    // A second load finds what the first one made.
    LoadUsing("newmtl Blue\nKd 0 0 1\n", {"Blue"});
    LoadUsing("newmtl Blue\nKd 1 1 1\n", {"Blue"});
    EXPECT_EQ(Library.Materials()->Count(), 2);
    EXPECT_EQ(Floats(Material("Blue").FrontProperties()->Diffuse()->Color()), (std::vector<float>{0, 0, 1, 1}));
}

TEST_F(OBJMaterialTest, AMissingMTLFileLeavesTheDefaults)
{
    Load(Mesh, "mtllib nowhere.mtl\nusemtl Lost\nv 0 0 0\nf 1 1 1\n");
    EXPECT_EQ(Floats(Material("Lost").FrontProperties()->Diffuse()->Color()),
              (std::vector<float>{0.8f, 0.8f, 0.8f, 1}));
    EXPECT_EQ(Group(Mesh, 0).MaterialName(), "Lost");
    // The library's texture folder comes in front of the file's name.
    Folder.Write("found.mtl", "newmtl There\nKd 0 1 0\n");
    Library.SetTexturePaths(Folder.path.string());
    Load(Mesh, "mtllib found.mtl\nusemtl There\n");
    EXPECT_EQ(Floats(Material("There").FrontProperties()->Diffuse()->Color()), (std::vector<float>{0, 1, 0, 1}));
}

TEST_F(OBJMaterialTest, TexturesAndLightmapsAreLoadedFromTheirPictures)
{
    Folder.Write("wall.tga", cTGA);
    Folder.Write("wall_light.tga", cTGA);
    const std::string folder = Folder.path.string() + "/";
    // The lightmap material of Floor exists already: it is taken as it is.
    Library.Materials()->Add()->SetName("Floor_lm");
    LoadUsing("newmtl Wall\nmap_Kd " + folder + "wall.tga\nmap_Ke " + folder + "Wall_Light.TGA\n"
              "newmtl Floor\nmap_Ke " + folder + "wall_light.tga\n",
              {"Wall", "Floor"});
    TGLTexture& texture = *Material("Wall").Texture();
    EXPECT_FALSE(texture.Disabled());
    EXPECT_EQ(texture.TextureMode(), tmModulate);
    EXPECT_EQ(texture.Image()->Width(), 1);
    EXPECT_EQ(Library.LibMaterialByName("Wall")->Texture2Name(), "Wall_lm");
    TGLTexture& lightMap = *Material("Wall_lm").Texture();
    EXPECT_FALSE(lightMap.Disabled());
    EXPECT_EQ(lightMap.MinFilter(), miLinear);
    EXPECT_EQ(lightMap.TextureWrap(), twNone);
    EXPECT_EQ(lightMap.TextureFormat(), TGLTextureFormat::tfRGB);
    EXPECT_EQ(Library.LibMaterialByName("Floor")->Texture2Name(), "Floor_lm");
    EXPECT_TRUE(Material("Floor_lm").Texture()->Disabled());
    EXPECT_EQ(Library.Materials()->Count(), 4);

    // A picture that is missing stops the load.
    EXPECT_NE(MessageOf<ETexture>([&] { LoadUsing("newmtl Gone\nmap_Kd " + folder + "gone.tga\n", {"Gone"}); }),
              cNoException);
}

TEST_F(OBJMaterialTest, MissingPicturesArePassedOverWhenTheMeshIgnoresMissingTextures)
{
    Folder.Write("light.tga", cTGA);
    Folder.Write("broken.tga", "no picture");
    const std::string folder = Folder.path.string() + "/";
    Mesh.SetIgnoreMissingTextures(true);
    // Each picture on its own: the lightmap is read though the texture is missing, and the other way round.
    LoadUsing("newmtl Wall\nmap_Kd " + folder + "gone.tga\nmap_Ke " + folder + "light.tga\n"
              "newmtl Floor\nmap_Kd " + folder + "light.tga\nmap_Ke " + folder + "gone.tga\n",
              {"Wall", "Floor"});
    EXPECT_EQ(Mesh.MeshObjects()->Items(0)->TriangleCount(), 2);
    const struct {
        const char* material;
        bool disabled;
        int32_t width;
    } cases[] = {{"Wall", true, 0}, {"Wall_lm", false, 1}, {"Floor", false, 1}, {"Floor_lm", true, 0}};
    for (const auto& c : cases) {
        TGLTexture& texture = *Material(c.material).Texture();
        EXPECT_EQ(texture.Disabled(), c.disabled) << c.material;
        EXPECT_EQ(texture.Image()->Width(), c.width) << c.material;
    }
    EXPECT_EQ(Library.LibMaterialByName("Wall")->Texture2Name(), "Wall_lm");
    EXPECT_EQ(Library.LibMaterialByName("Floor")->Texture2Name(), "Floor_lm");

    // A picture that is there but cannot be read is passed over alike, and the log says which.
    TGLLogCapture log;
    LoadUsing("newmtl Bad\nmap_Kd " + folder + "broken.tga\n", {"Bad"});
    EXPECT_TRUE(Material("Bad").Texture()->Disabled());
    EXPECT_EQ(Material("Bad").Texture()->Image()->Width(), 0);
    EXPECT_TRUE(log.Contains("BROKEN.TGA")); // as the MTL file's lines are read
    // Without the switch it stops the load.
    Mesh.SetIgnoreMissingTextures(false);
    EXPECT_NE(MessageOf([&] { LoadUsing("newmtl Worse\nmap_Kd " + folder + "broken.tga\n", {"Worse"}); }),
              cNoException);
}

TEST(MTLFile, PreparedLinesGiveTheValuesOfTheirMaterial)
{
    TGLMTLFile mtl;
    mtl.SetText("# a comment\n  newmtl  first \nKd\t1 2 3\n$ other\n\nnewmtl Second\n  kd 4, 5 6 7 8\nmap_Kd a b.png\n"
                "Ka\t\t1\n");
    mtl.Prepare();
    EXPECT_EQ(mtl.Text(), "NEWMTL  FIRST\r\nKD 1 2 3\r\nNEWMTL SECOND\r\nKD 4, 5 6 7 8\r\nMAP_KD A B.PNG\r\nKA \t1\r\n");
    // The section line must match exactly (two blanks here).
    EXPECT_EQ(mtl.MaterialStringProperty("first", "Kd"), "");
    EXPECT_EQ(mtl.MaterialStringProperty(" first", "Kd"), "1 2 3");
    EXPECT_EQ(mtl.MaterialStringProperty("second", "map_kd"), "A B.PNG");
    EXPECT_EQ(mtl.MaterialStringProperty("second", "Ks"), "");
    EXPECT_EQ(mtl.MaterialStringProperty("third", "Kd"), "");
    const TVector4f none{{{9, 9, 9, 9}}};
    EXPECT_EQ(Floats(mtl.MaterialVectorProperty("Second", "Kd", none)), (std::vector<float>{4, 5, 6, 7}));
    EXPECT_EQ(Floats(mtl.MaterialVectorProperty("Second", "Ka", none)), (std::vector<float>{1, 0, 0, 0}));
    EXPECT_EQ(Floats(mtl.MaterialVectorProperty("Second", "Ks", none)), (std::vector<float>{9, 9, 9, 9}));
}

// ---------------------------------------------------------------------------------------------------------
// Files as exporters write them

TEST(OBJFile, FilesAsExportersWriteThemLoadWithTheirCounts)
{
    // Objects, smoothing switches, materials and groups as modelling programs write them; no library here.
    const std::string objects = "# Exported by a modelling program\n# www.example.org\nmtllib scene.mtl\n"
                                "o Crate\nv 1.000000 1.000000 -1.000000\nv 1.000000 -1.000000 -1.000000\n"
                                "v 1.000000 1.000000 1.000000\nv 1.000000 -1.000000 1.000000\n"
                                "vt 0.625000 0.500000\nvt 0.875000 0.500000\nvt 0.875000 0.750000\n"
                                "vn -0.0000 1.0000 -0.0000\nvn -0.0000 -0.0000 1.0000\n"
                                "usemtl Material\ns off\nf 1/1/1 3/2/1 4/3/1 2/1/1\n"
                                "o Ramp\nv 3 0 0\nv 4 0 0\nv 4 1 1\n"
                                "usemtl Stone\ns 1\nf 5/3/2 6/2/2 7/1/2\nf 7/1/2 6/2/2 5/3/2\n";
    TGLBaseMesh mesh(nullptr);
    Load(mesh, objects);
    TGLMeshObject& meshObject = *mesh.MeshObjects()->Items(0);
    EXPECT_EQ(meshObject.Vertices()->Count(), 7);
    EXPECT_EQ(meshObject.TexCoords()->Count(), 3);
    EXPECT_EQ(meshObject.Normals()->Count(), 2);
    // Without a library both materials are none, but the second usemtl starts a group after faces.
    EXPECT_EQ(meshObject.FaceGroups()->Count(), 2);
    EXPECT_EQ(meshObject.TriangleCount(), 4);

    // Groups and a tabbed, CR LF file of triangles with negative corners.
    std::string groups = "# 8 vertices, 2 groups\r\ng front\r\n";
    for (int i = 0; i < 8; ++i) groups += "v\t" + std::to_string(i) + " 0 0\r\nvn 0 0 1\r\n";
    groups += "f -8//-8 -7//-7 -6//-6\r\nf -8//-8 -6//-6 -5//-5\r\ng back\r\nf 5//5 6//6 7//7 8//8\r\n";
    TGLBaseMesh grouped(nullptr);
    TGLMaterialLibrary library(nullptr);
    grouped.SetMaterialLibrary(&library);
    Load(grouped, groups);
    TGLFaceGroups& faceGroups = *grouped.MeshObjects()->Items(0)->FaceGroups();
    ASSERT_EQ(faceGroups.Count(), 2);
    EXPECT_EQ(grouped.MeshObjects()->Items(0)->TriangleCount(), 4);
    EXPECT_EQ(grouped.MeshObjects()->Items(0)->Normals()->Count(), 8);
}

// ---------------------------------------------------------------------------------------------------------
// Writing

TEST(OBJFile, WritingGivesTheSectionsAndFacesOfEveryMeshObject)
{
    TGLFreeForm mesh(nullptr);
    Load(mesh, "v 0.1 0 0\nv 1 0 0\nv 0 1 0\nvt 0.5 1\nvn 0 0 1\nf 1/1/1 2//1 3\n");
    mesh.MeshObjects()->Items(0)->SetName("Tri");
    EXPECT_EQ(Save(mesh), "# OBJ-File exported by VAVodad\r\n\r\n"
                          "# Mesh 1\r\nv 0.100000001490116 0 0\r\nv 1 0 0\r\nv 0 1 0\r\n# 3 Vertices\r\n\r\n"
                          "# Mesh 1\r\nvn 0 0 1\r\nvn 0 0 1\r\n# 2 Normals\r\n\r\n"
                          "# Mesh 1\r\nvt 0.5 1\r\n# 1 Texture-Coordinates\r\n\r\n"
                          "g Tri\r\ns 1\r\nf 1/1/1 2//1 3//2 \r\n\r\n");
}

TEST(OBJFile, OnlyAFreeFormIsWrittenAndAnotherMeshLeavesTheOldFile)
{
    TempFolder folder;
    folder.Write("old.obj", "old bytes");
    TGLActor actor(nullptr);
    Load(actor, cCube);
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { actor.SaveToFile(folder / "old.obj"); }),
              "Can only save FreeForms. (VAVodad\\Source\\FileFormats\\GLFileOBJ)");
    EXPECT_EQ(folder.Read("old.obj"), "old bytes");
    TGLBaseMesh plain(nullptr);
    TStringStream stream;
    EXPECT_THROW(TGLOBJVectorFile(&plain).SaveToStream(stream), EAssertionFailed);
    EXPECT_EQ(stream.Size(), 0);
}

TEST(OBJFile, WrittenFilesReadBackToTheSameTriangles)
{
    TGLFreeForm mesh(nullptr);
    Load(mesh, cCube);
    // A second mesh object without texture coordinates, whose groups are of the other kinds and modes.
    auto* second = new TGLMeshObject(mesh.MeshObjects());
    second->SetMode(momFaceGroups);
    for (int i = 0; i < 6; ++i) second->Vertices()->Add(P(float(i), float(i * i), 1));
    for (const TGLFaceGroupMeshMode mode :
         {fgmmTriangles, fgmmTriangleStrip, fgmmFlatTriangles, fgmmTriangleFan, fgmmQuads}) {
        auto* group = new TFGVertexIndexList(second->FaceGroups());
        group->SetMode(mode);
        for (const int32_t i : {0, 1, 2, 3, 4, 5}) group->Add(i);
    }
    auto* strip = new TOBJFGVertexNormalTexIndexList(mesh.MeshObjects()->Items(0)->FaceGroups());
    for (const int32_t i : {0, 1, 2, 3}) strip->Add(i, i % 2 ? 5 : -1, i % 3 ? 1 : -1);
    // Faces after the strip.
    auto* faces = new TOBJFGVertexNormalTexIndexList(mesh.MeshObjects()->Items(0)->FaceGroups());
    faces->SetMode(objfgmmPolygons);
    for (const int32_t i : {4, 5, 6}) faces->Add(i, 0, 2);
    faces->PolygonComplete();

    TAffineVectorList texCoords, normals;
    const std::unique_ptr<TAffineVectorList> before = mesh.MeshObjects()->ExtractTriangles(&texCoords, &normals);

    TGLBaseMesh copy(nullptr);
    Load(copy, Save(mesh));
    // One mesh object holds everything, its groups sorted by material (none): compare triangle sets.
    ASSERT_EQ(copy.MeshObjects()->Count(), 1);
    TAffineVectorList copyTexCoords, copyNormals;
    const std::unique_ptr<TAffineVectorList> after = copy.MeshObjects()->ExtractTriangles(&copyTexCoords, &copyNormals);
    ASSERT_EQ(after->Count(), before->Count());
    const auto triangles = [](const TAffineVectorList& corners, const TAffineVectorList& t) {
        std::vector<std::vector<float>> result;
        for (int32_t i = 0; i < corners.Count(); i += 3) {
            std::vector<std::vector<float>> corner(3);
            for (int k = 0; k < 3; ++k) {
                corner[k].assign(corners.List()[i + k].V, corners.List()[i + k].V + 3);
                corner[k].push_back(t.List()[i + k].X);
                corner[k].push_back(t.List()[i + k].Y);
            }
            // The same triangle may start at another corner; the winding counts.
            std::rotate(corner.begin(), std::min_element(corner.begin(), corner.end()), corner.end());
            std::vector<float> triangle;
            for (const auto& c : corner) triangle.insert(triangle.end(), c.begin(), c.end());
            result.push_back(triangle);
        }
        std::sort(result.begin(), result.end());
        return result;
    };
    EXPECT_EQ(triangles(*after, copyTexCoords), triangles(*before, texCoords));
    // The strip stays a strip.
    int strips = 0;
    for (int32_t i = 0; i < copy.MeshObjects()->Items(0)->FaceGroups()->Count(); ++i)
        strips += Group(copy, i).Mode() == objfgmmTriangleStrip;
    EXPECT_EQ(strips, 1);
}

// ---------------------------------------------------------------------------------------------------------
// The OBJ face group

TEST(OBJFaceGroup, ModesAndPolygonsFollowTheirRules)
{
    TGLFaceGroups groups;
    auto* group = new TOBJFGVertexNormalTexIndexList(&groups);
    EXPECT_EQ(group->Mode(), objfgmmTriangleStrip);
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { group->PolygonComplete(); }),
              "PolygonComplete may only be called for Facegroups with Mode=objfgmmPolygons. "
              "(VAVodad\\Source\\FileFormats\\GLFileOBJ)");
    group->SetMode(objfgmmPolygons);
    ASSERT_NE(group->PolygonVertices(), nullptr);
    group->Add(0, -1, -1);
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { group->SetMode(objfgmmTriangleStrip); }),
              "Decide on the mode before adding vertices. (VAVodad\\Source\\FileFormats\\GLFileOBJ)");
    group->SetMode(objfgmmPolygons); // unchanged: nothing to decide
    group->Add(1, -1, -1);
    group->Add(2, -1, -1);
    group->PolygonComplete();
    group->Add(3, -1, -1);
    EXPECT_EQ(Ints(*group->PolygonVertices()), (std::vector<int32_t>{3}));

    TOBJFGVertexNormalTexIndexList copy;
    group->SetName("g");
    group->SetShowNormals(true);
    copy.Assign(group);
    EXPECT_EQ(copy.Mode(), objfgmmPolygons);
    EXPECT_EQ(copy.Name(), "g");
    EXPECT_TRUE(copy.ShowNormals());
    EXPECT_EQ(Ints(*copy.PolygonVertices()), (std::vector<int32_t>{3}));
    EXPECT_NE(copy.PolygonVertices(), group->PolygonVertices());
    EXPECT_EQ(copy.VertexIndices()->Count(), 0);
    // The corner added since the last polygon is still open.
    copy.Add(7, -1, -1);
    copy.PolygonComplete();
    EXPECT_EQ(Ints(*copy.PolygonVertices()), (std::vector<int32_t>{3, 2}));
}

TEST(OBJFaceGroup, ArchivesRoundTripAndImpossibleOnesAreRefused)
{
    TGLBaseMesh mesh(nullptr);
    Load(mesh, cCube + "t 1 2 3 4\n");
    Group(mesh, 0).SetShowNormals(true);
    const std::string saved = mesh.MeshObjects()->SaveToString();
    TGLMeshObjectList list;
    list.LoadFromString(saved);
    EXPECT_EQ(list.SaveToString(), saved);
    auto& read = *dynamic_cast<TOBJFGVertexNormalTexIndexList*>(list.Items(0)->FaceGroups()->Items(0));
    EXPECT_TRUE(read.ShowNormals());
    EXPECT_EQ(list.Items(0)->TriangleCount(), 14);

    // The group's own part follows that of its base: version, mode, name, open corners, ShowNormals, polygons.
    TFGVertexNormalTexIndexList base;
    for (const int32_t i : {0, 1, 2}) base.Add(i, i, -1);
    const std::string prefix = base.SaveToString();
    const auto archive = [&prefix](int32_t version, int32_t mode, int32_t open, std::vector<int32_t> polygons) {
        TStringStream stream;
        {
            const std::unique_ptr<TVirtualWriter> writer = TBinaryWriter::Create(&stream);
            writer->WriteInteger(version);
            writer->WriteInteger(mode);
            writer->WriteString("name");
            writer->WriteInteger(open);
            writer->WriteBoolean(false);
            TIntegerList list;
            for (const int32_t n : polygons) list.Add(n);
            if (mode == objfgmmPolygons) list.WriteToFiler(writer.get());
        }
        return prefix + stream.DataString();
    };
    TOBJFGVertexNormalTexIndexList group;
    group.LoadFromString(archive(0, objfgmmPolygons, 0, {3}));
    EXPECT_EQ(group.TriangleCount(), 1);
    EXPECT_EQ(group.Name(), "name");
    group.LoadFromString(archive(0, objfgmmTriangleStrip, 3, {}));
    EXPECT_EQ(group.PolygonVertices(), nullptr);
    EXPECT_EQ(MessageOf<EFilerException>([&] { group.LoadFromString(archive(1, objfgmmPolygons, 0, {3})); }),
              "TOBJFGVertexNormalTexIndexList : unknown archive version 1");
    EXPECT_EQ(MessageOf<EFilerException>([&] { group.LoadFromString(archive(-1, objfgmmPolygons, 0, {3})); }),
              "TOBJFGVertexNormalTexIndexList : unknown archive version -1");
    const struct {
        std::string bytes;
        const char* message;
    } refused[] = {
        {archive(0, 2, 0, {}), "TOBJFGVertexNormalTexIndexList : unknown mode"},
        {archive(0, objfgmmPolygons, 0, {2, 2}), "TOBJFGVertexNormalTexIndexList : polygons beyond the corners"},
        {archive(0, objfgmmPolygons, 0, {4, -1}), "TOBJFGVertexNormalTexIndexList : negative polygon size"},
        {archive(0, objfgmmPolygons, -1, {3}), "TOBJFGVertexNormalTexIndexList : index lists do not match"},
    };
    for (const auto& c : refused) EXPECT_EQ(MessageOf<EReadError>([&] { group.LoadFromString(c.bytes); }), c.message);
    // A refused archive leaves the group's own part as it was: still the strip read before.
    EXPECT_EQ(group.Mode(), objfgmmTriangleStrip);
    EXPECT_EQ(group.PolygonVertices(), nullptr);
    EXPECT_EQ(group.TriangleCount(), 1);
    // Every corner needs a normal entry.
    TFGVertexNormalTexIndexList withoutNormals;
    withoutNormals.SetVertexIndices(base.VertexIndices());
    const std::string bytes = withoutNormals.SaveToString() + archive(0, objfgmmPolygons, 0, {3}).substr(prefix.size());
    EXPECT_EQ(MessageOf<EReadError>([&] { group.LoadFromString(bytes); }),
              "TOBJFGVertexNormalTexIndexList : index lists do not match");
    // Cut short anywhere, an archive raises.
    const std::string good = archive(0, objfgmmPolygons, 0, {3});
    for (size_t size = prefix.size(); size < good.size(); ++size)
        EXPECT_THROW(group.LoadFromString(good.substr(0, size)), Exception) << size;
}

// ---------------------------------------------------------------------------------------------------------
// Drawing

namespace {

std::vector<std::string>* vOBJSent = nullptr;

void Record(const char* name, const GLfloat* v, int n, GLenum unit = 0)
{
    std::string text = name;
    if (unit) text += std::to_string(unit - GL_TEXTURE0);
    for (int i = 0; i < n; ++i) text += " " + FloatToStr(v[i]);
    vOBJSent->push_back(text);
}

class OBJFaceGroupDrawTest : public RecordingDrawFixture {
protected:
    OBJFaceGroupDrawTest()
    {
        vOBJSent = &SentCalls;
        GL->Table.Vertex3fv = [](const GLfloat* v) { Record("V", v, 3); };
        GL->Table.Normal3fv = [](const GLfloat* v) { Record("N", v, 3); };
        GL->Table.Color4fv = [](const GLfloat* v) { Record("C", v, 4); };
        GL->Table.TexCoord2fv = [](const GLfloat* v) { Record("T", v, 2); };
        GL->Table.MultiTexCoord2fv = [](GLenum unit, const GLfloat* v) { Record("M", v, 2, unit); };
        GL->Table.Begin_ = [](GLenum mode) { vOBJSent->push_back("Begin " + std::to_string(mode)); };
        GL->Table.End_ = [] { vOBJSent->push_back("End"); };
        GetCurrentMultitextureCoordinator()->MapTexCoordToNull();
        GetCurrentMultitextureCoordinator()->MapTexCoordToMain();
    }
    ~OBJFaceGroupDrawTest() override { vOBJSent = nullptr; }

    std::vector<std::string> Draw(TOBJFGVertexNormalTexIndexList& group)
    {
        SentCalls.clear();
        group.BuildList(Rci);
        return SentCalls;
    }

    std::vector<std::string> SentCalls;
    TGLBaseMesh Mesh{nullptr};
};

const std::string cBegin(GLenum mode)
{
    return "Begin " + std::to_string(mode);
}

} // namespace

TEST_F(OBJFaceGroupDrawTest, PolygonsAreDrawnOneByOneWithTheirAttributesOnBothUnits)
{
    Load(Mesh, "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvt 0.5 0.25\nvn 0 0 1\nf 1/1/1 2//1 3/1\nf 2 4 3\n");
    TOBJFGVertexNormalTexIndexList& group = Group(Mesh, 0);
    const std::vector<std::string> polygons = {
        cBegin(GL_POLYGON), "N 0 0 1", "M0 0.5 0.25", "M1 0.5 0.25", "V 0 0 0", "N 0 0 1", "V 1 0 0",
        "N 0 0 1", "M0 0.5 0.25", "M1 0.5 0.25", "V 0 1 0", "End",
        cBegin(GL_POLYGON), "N 0 0 1", "V 1 0 0", "N 0 0 1", "V 1 1 0", "N 0 0 1", "V 0 1 0", "End"};
    EXPECT_EQ(Draw(group), polygons);

    // With the second unit kept for a lightmap the coordinates go to the current unit alone; colours come
    // with a colour per vertex; normals show as short lines.
    GetCurrentMultitextureCoordinator()->ForbidSecondTextureUnit();
    for (int i = 0; i < 4; ++i) Mesh.MeshObjects()->Items(0)->Colors()->Add(TVector4f{{{1, 0, 0, 1}}});
    group.SetShowNormals(true);
    const std::vector<std::string> sent = Draw(group);
    GetCurrentMultitextureCoordinator()->AllowSecondTextureUnit();
    const std::vector<std::string> first(sent.begin(), sent.begin() + 19);
    EXPECT_EQ(first, (std::vector<std::string>{cBegin(GL_POLYGON), "N 0 0 1", "C 1 0 0 1", "T 0.5 0.25", "V 0 0 0",
                                               "N 0 0 1", "C 1 0 0 1", "V 1 0 0", "N 0 0 1", "C 1 0 0 1",
                                               "T 0.5 0.25", "V 0 1 0", "End", cBegin(GL_LINES), "V 0 0 0",
                                               "V 0 0 0.100000001490116", "End", cBegin(GL_LINES), "V 1 0 0"}));
}

TEST_F(OBJFaceGroupDrawTest, AStripIsOneTriangleStripAndBadCornersDrawNothing)
{
    Load(Mesh, "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvt 1 1\nvn 0 0 1\nt 1/1/1 2 3//1 4\n");
    TOBJFGVertexNormalTexIndexList& strip = Group(Mesh, 0);
    EXPECT_EQ(Draw(strip), (std::vector<std::string>{cBegin(GL_TRIANGLE_STRIP), "N 0 0 1", "T 1 1", "V 0 0 0",
                                                      "V 1 0 0", "N 0 0 1", "V 0 1 0", "V 1 1 0", "End"}));
    // A corner naming no vertex, normal or texture coordinate (an archive can hold them).
    strip.VertexIndices()->Put(3, 4);
    EXPECT_EQ(Draw(strip), std::vector<std::string>{});
    strip.VertexIndices()->Put(3, 3);
    strip.NormalIndices()->Put(0, 7);
    strip.TexCoordIndices()->Put(0, 7);
    EXPECT_EQ(Draw(strip)[1], "V 0 0 0");
    // Index lists that do not run parallel are a caller's error.
    strip.NormalIndices()->Delete(3);
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { Draw(strip); }),
              "Number of Vertices does not match number of Normals or Texture coordinates. "
              "(VAVodad\\Source\\FileFormats\\GLFileOBJ)");
}

// ---------------------------------------------------------------------------------------------------------
// Free forms loaded from OBJ files, as the game loads its walls

namespace {

// A 4 x 4 picture whose quarters are red (bottom left), green (bottom right), blue (top left) and white: 24-bit
// TGA rows from the bottom, blue first.
std::string QuarterTGA()
{
    std::string result("\0\0\2\0\0\0\0\0\0\0\0\0\4\0\4\0\x18\0", 18);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            result += row < 2 ? (column < 2 ? std::string("\0\0\xFF", 3) : std::string("\0\xFF\0", 3))
                              : (column < 2 ? std::string("\xFF\0\0", 3) : std::string("\xFF\xFF\xFF", 3));
    return result;
}

// A wall block two units wide round its centre, the picture upright on its front (+Z) and back faces, with the
// library material "wall" of walls.mtl.
const std::string cWall = "mtllib walls.mtl\no Wall\n"
                          "v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\nv -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\n"
                          "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                          "vn 0 0 -1\nvn 0 0 1\nvn 0 -1 0\nvn 1 0 0\nvn 0 1 0\nvn -1 0 0\n"
                          "usemtl wall\ns off\n"
                          "f 2/1/1 1/2/1 4/3/1 3/4/1\nf 5/1/2 6/2/2 7/3/2 8/4/2\nf 1/1/3 2/2/3 6/3/3 5/4/3\n"
                          "f 2/1/4 3/2/4 7/3/4 6/4/4\nf 3/1/5 4/2/5 8/3/5 7/4/5\nf 4/1/6 1/2/6 5/3/6 8/4/6\n";

// A folder of the game's shape: meshes/Wall.obj beside its MTL file and picture, read through a library whose
// texture path is the folder.
struct WallFolder : TempFolder {
    WallFolder()
    {
        Write("meshes/Wall.obj", cWall);
        Write("meshes/walls.mtl", "newmtl wall\nKd 1 1 1\nmap_Kd " + (path / "textures/wall.tga").string() + "\n");
        Write("textures/wall.tga", QuarterTGA());
        Library.SetTexturePaths((path / "meshes").string());
    }
    // As the game names it: "\" between the folders, in other letter case.
    std::string GameName() const { return path.string() + "\\MESHES\\wall.OBJ"; }

    TGLMaterialLibrary Library{nullptr};
};

class OBJFreeFormRenderTest : public SceneRenderFixture {};

} // namespace

TEST_F(OBJFreeFormRenderTest, AWallLoadedByTheGamesNameDrawsItsTexturedMaterial)
{
    WallFolder folder;
    auto* wall = TGLBaseSceneObject::CreateAsChild<TGLFreeForm>(Scene->Objects());
    wall->SetMaterialLibrary(&folder.Library);
    wall->LoadFromFile(folder.GameName());
    EXPECT_EQ(wall->LastLoadedFilename(), folder.GameName());
    ASSERT_EQ(wall->MeshObjects()->Count(), 1);
    EXPECT_EQ(wall->MeshObjects()->Items(0)->TriangleCount(), 12);
    wall->Position()->SetPoint(0, 0, -5);
    Render();
    // The front face spans about 19 pixels round the centre: each quarter of the picture in its place.
    EXPECT_EQ(Pixel(28, 28), Rgb(255, 0, 0));
    EXPECT_EQ(Pixel(36, 28), Rgb(0, 255, 0));
    EXPECT_EQ(Pixel(28, 20), Rgb(0, 0, 255));
    EXPECT_EQ(Pixel(36, 20), Rgb(255, 255, 255));
    EXPECT_EQ(Pixel(2, 2), Rgb(0, 0, 0));
    Free(wall);
}

TEST(OBJFreeForm, LoadsAreScaledThenCentredAsTheMeshAsks)
{
    // Extents (0, 0, 0) to (2, 1, 1) round the vertex average (1, 0.5, 0.25).
    WallFolder folder;
    folder.Write("meshes/Wall.obj", "v 0 0 0\nv 2 0 0\nv 2 1 0\nv 0 1 1\nvn 0 0 1\nf 1//1 2//1 3//1 4//1\n");
    const struct {
        TVector3f scaling;
        TMeshAutoCenterings centering;
        std::vector<float> min, max, position;
    } cases[] = {
        {P(1, 1, 1), {}, {0, 0, 0}, {2, 1, 1}, {0, 0, 0}},
        // Centred on the scaled extents.
        {P(2, 0.5f, 1), {macCenterX, macCenterY}, {-2, -0.25f, 0}, {2, 0.25f, 1}, {0, 0, 0}},
        {P(1, 1, 1), {macUseBarycenter}, {-1, -0.5f, -0.25f}, {1, 0.5f, 0.75f}, {0, 0, 0}},
        {P(1, 1, 1), {macCenterZ, macRestorePosition}, {0, 0, -0.5f}, {2, 1, 0.5f}, {0, 0, 0.5f}},
    };
    for (const auto& c : cases) {
        TGLFreeForm wall(nullptr);
        wall.AutoScaling()->SetPoint(c.scaling.X, c.scaling.Y, c.scaling.Z);
        wall.SetAutoCentering(c.centering);
        wall.LoadFromFile(folder.GameName());
        TVector3f min, max;
        wall.GetExtents(min, max);
        EXPECT_EQ((std::vector<float>{min.X, min.Y, min.Z}), c.min) << c.scaling.X;
        EXPECT_EQ((std::vector<float>{max.X, max.Y, max.Z}), c.max) << c.scaling.X;
        const TVector3f position = wall.Position()->AsAffineVector();
        EXPECT_EQ((std::vector<float>{position.X, position.Y, position.Z}), c.position) << c.scaling.X;
        // Normals keep their length and direction.
        EXPECT_EQ(Floats(*wall.MeshObjects()->Items(0)->Normals()), (std::vector<float>{0, 0, 1}));
    }
}

TEST(OBJFreeForm, AGlsmFileSavedFromAnOBJLoadReadsBackTheSame)
{
    WallFolder folder;
    TGLFreeForm wall(nullptr);
    wall.SetMaterialLibrary(&folder.Library);
    wall.LoadFromFile(folder.GameName());
    wall.SaveToFile(folder / "wall.glsm");
    const std::string archive = wall.MeshObjects()->SaveToString();
    EXPECT_EQ(folder.Read("wall.glsm"), archive);

    TGLFreeForm copy(nullptr);
    copy.LoadFromFile(folder / "wall.glsm");
    EXPECT_EQ(copy.MeshObjects()->SaveToString(), archive);
    ASSERT_EQ(copy.MeshObjects()->Count(), 1);
    TOBJFGVertexNormalTexIndexList& group = Group(copy, 0);
    EXPECT_EQ(group.MaterialName(), "wall");
    EXPECT_EQ(Ints(*group.PolygonVertices()), std::vector<int32_t>(6, 4));
    TAffineVectorList texCoords, normals, copyTexCoords, copyNormals;
    const std::unique_ptr<TAffineVectorList> triangles = wall.MeshObjects()->ExtractTriangles(&texCoords, &normals);
    const std::unique_ptr<TAffineVectorList> copyTriangles =
        copy.MeshObjects()->ExtractTriangles(&copyTexCoords, &copyNormals);
    EXPECT_EQ(Floats(*copyTriangles), Floats(*triangles));
    EXPECT_EQ(Floats(copyTexCoords), Floats(texCoords));
    EXPECT_EQ(Floats(copyNormals), Floats(normals));
}
