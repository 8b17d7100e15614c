// 3DS files read into base meshes: vertices split by smoothing group, face groups by material, materials and
// light maps made in the mesh's libraries, the keyframer's nodes, and files as exporters write them. Every file
// is made by the chunk writer.
#include "GLFile3DS.h"

#include "../scene/SceneRenderFixture.h"
#include "Chunk3DSWriter.h"
#include "Const3DS.h"
#include "File3DS.h"
#include "GLFile3DSSceneObjects.h"
#include "GLMaterial.h"
#include "GLObjects.h"
#include "GLTexture.h"
#include "GLVectorGeometry.h"
#include "GLVectorGeometryMatrices.h"
#include "Raises.h"
#include "Streams.h"
#include "TempFolder.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using TBody = std::function<void()>;

// The writer of the file being made: the helpers below and the bodies nested in them write into it.
TChunk3DSWriter* gW = nullptr;

void Chunk(uint16_t tag, const TBody& body = {})
{
    gW->Chunk(tag, body);
}

TChunk3DSWriter Written(uint16_t top, const TBody& body)
{
    TChunk3DSWriter writer;
    gW = &writer;
    Chunk(top, body);
    gW = nullptr;
    return writer;
}

TChunk3DSWriter MeshFile(const TBody& mdata, const TBody& kfdata = {})
{
    return Written(M3DMAGIC, [&] {
        Chunk(M3D_VERSION, [] { gW->I32(3); });
        Chunk(MDATA, [&] {
            Chunk(MESH_VERSION, [] { gW->I32(3); });
            mdata();
        });
        if (kfdata) Chunk(KFDATA, kfdata);
    });
}

struct TTriangle {
    uint16_t A, B, C;
};

// A named triangle mesh: its points, then body (texture vertices, faces, matrix).
void NamedMesh(const std::string& name, const std::vector<TVector3f>& points, const TBody& body)
{
    Chunk(NAMED_OBJECT, [&] {
        gW->Str(name);
        Chunk(N_TRI_OBJECT, [&] {
            Chunk(POINT_ARRAY, [&] {
                gW->U16(static_cast<uint16_t>(points.size()));
                for (const TVector3f& p : points) gW->Point(p.X, p.Y, p.Z);
            });
            body();
        });
    });
}

// The face array with its material groups and smoothing masks inside.
void Faces(const std::vector<TTriangle>& faces, const TBody& inside = {})
{
    Chunk(FACE_ARRAY, [&] {
        gW->U16(static_cast<uint16_t>(faces.size()));
        for (const TTriangle& f : faces) gW->Face(f.A, f.B, f.C);
        if (inside) inside();
    });
}

void MaterialGroup(const std::string& name, const std::vector<uint16_t>& faces)
{
    Chunk(MSH_MAT_GROUP, [&] {
        gW->Str(name).U16(static_cast<uint16_t>(faces.size()));
        for (uint16_t f : faces) gW->U16(f);
    });
}

void Smoothing(const std::vector<uint32_t>& masks)
{
    Chunk(SMOOTH_GROUP, [&] {
        for (uint32_t m : masks) gW->U32(m);
    });
}

void TexVerts(const std::vector<std::array<float, 2>>& uvs)
{
    Chunk(TEX_VERTS, [&] {
        gW->U16(static_cast<uint16_t>(uvs.size()));
        for (const auto& uv : uvs) gW->Floats({uv[0], uv[1]});
    });
}

void MeshMatrix(std::initializer_list<float> rowsAndOrigin)
{
    Chunk(MESH_MATRIX, [&] { gW->Floats(rowsAndOrigin); });
}

// A material entry: its name, then body (colours, percentages, maps).
void Material(const std::string& name, const TBody& body = {})
{
    Chunk(MAT_ENTRY, [&] {
        Chunk(MAT_NAME, [&] { gW->Str(name); });
        if (body) body();
    });
}

void Colour(uint16_t container, float r, float g, float b)
{
    Chunk(container, [&] { Chunk(COLOR_F, [&] { gW->Floats({r, g, b}); }); });
}

void Percentage(uint16_t container, float fraction)
{
    Chunk(container, [&] { Chunk(FLOAT_PERCENTAGE, [&] { gW->F32(fraction); }); });
}

void Map(uint16_t container, const std::string& fileName)
{
    Chunk(container, [&] { Chunk(MAT_MAPNAME, [&] { gW->Str(fileName); }); });
}

// The keyframer's header and segment.
void KeyframerHeader(int32_t first, int32_t last)
{
    Chunk(KFHDR, [] { gW->I16(5).Str("scene").I32(100); });
    Chunk(KFSEG, [&] { gW->I32(first).I32(last); });
    Chunk(KFCURTIME, [] { gW->I32(0); });
}

// A track of one key at frame 0 holding the floats.
void OneKeyTrack(uint16_t tag, std::initializer_list<float> value)
{
    Chunk(tag, [&] {
        gW->TrackHeader(0, 1).KeyHeader({});
        gW->Floats(value);
    });
}

// An object node as exporters write it: identifier, header, pivot and a key each of position, rotation and
// scale.
void ObjectNode(int16_t id, const std::string& name, int16_t parent, TVector3f pivot = {})
{
    Chunk(OBJECT_NODE_TAG, [&] {
        Chunk(NODE_ID, [&] { gW->I16(id); });
        Chunk(NODE_HDR, [&] { gW->Str(name).U16(0x4000).U16(0).I16(parent); });
        Chunk(PIVOT, [&] { gW->Point(pivot.X, pivot.Y, pivot.Z); });
        OneKeyTrack(POS_TRACK_TAG, {1, 2, 3});
        OneKeyTrack(ROT_TRACK_TAG, {0, 0, 0, 1});
        OneKeyTrack(SCL_TRACK_TAG, {1, 1, 1});
    });
}

// Reads the file's bytes into mesh as the base mesh's loading does: a file object owned by the mesh.
void Load(TGLBaseMesh& mesh, const TChunk3DSWriter& writer, TMeshNormalsOrientation orientation = mnoDefault)
{
    const auto stream = writer.Stream();
    TGL3DSVectorFile file(&mesh);
    file.SetNormalsOrientation(orientation);
    file.LoadFromStream(*stream);
}

TVector3f P(float x, float y, float z)
{
    return TVector3f{{{x, y, z}}};
}

// A cube from -1 to 1: the corners of its bottom counter-clockwise from (-1, -1), then those of its top.
const std::vector<TVector3f> cCubePoints = {P(-1, -1, -1), P(1, -1, -1), P(1, 1, -1), P(-1, 1, -1),
                                            P(-1, -1, 1),  P(1, -1, 1),  P(1, 1, 1),  P(-1, 1, 1)};
// Two triangles a side, counter-clockwise seen from outside: bottom, top, front, back, left, right.
const std::vector<TTriangle> cCubeFaces = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                                           {3, 7, 6}, {3, 6, 2}, {0, 4, 7}, {0, 7, 3}, {1, 2, 6}, {1, 6, 5}};
const std::vector<TVector3f> cCubeSideNormals = {P(0, 0, -1), P(0, 0, 1), P(0, -1, 0),
                                                 P(0, 1, 0),  P(-1, 0, 0), P(1, 0, 0)};

// The texture coordinate of cube corner i.
std::array<float, 2> CubeUV(int i)
{
    return {i / 8.0f, 1 - i / 16.0f};
}

// The cube with texture coordinates, the faces of each side in the smoothing groups masks gives, and the
// materials inside.
TChunk3DSWriter CubeFile(const std::vector<uint32_t>& masks, const TBody& materialGroups = {},
                         const TBody& materials = {})
{
    return MeshFile([&] {
        if (materials) materials();
        NamedMesh("Cube", cCubePoints, [&] {
            std::vector<std::array<float, 2>> uvs;
            for (int i = 0; i < 8; ++i) uvs.push_back(CubeUV(i));
            TexVerts(uvs);
            Faces(cCubeFaces, [&] {
                if (materialGroups) materialGroups();
                if (!masks.empty()) Smoothing(masks);
            });
        });
    });
}

TGLMeshObject& MeshObject(TGLBaseMesh& mesh, int32_t index = 0)
{
    return *mesh.MeshObjects()->Items(index);
}

TFGVertexIndexList& Group(TGLBaseMesh& mesh, int32_t index, int32_t meshObject = 0)
{
    return *dynamic_cast<TFGVertexIndexList*>(MeshObject(mesh, meshObject).FaceGroups()->Items(index));
}

std::vector<int32_t> Ints(const TIntegerList& list)
{
    return std::vector<int32_t>(list.List(), list.List() + list.Count());
}

bool Near(const TVector3f& a, const TVector3f& b)
{
    return std::fabs(a.X - b.X) < 1e-5f && std::fabs(a.Y - b.Y) < 1e-5f && std::fabs(a.Z - b.Z) < 1e-5f;
}

std::string Text(const TVector3f& v)
{
    return "(" + std::to_string(v.X) + ", " + std::to_string(v.Y) + ", " + std::to_string(v.Z) + ")";
}

#define EXPECT_NEAR3(a, b) EXPECT_PRED2(Near, a, b) << Text(a) << " vs " << Text(b)

std::vector<float> Floats(const TVector4f& v)
{
    return {v.X, v.Y, v.Z, v.W};
}

// ---------------------------------------------------------------------------------------------------------
// Geometry

TEST(GLFile3DS, ACubeKeepsItsTrianglesWhateverItsSmoothingAndGroupsFacesByMaterial)
{
    struct TCase {
        const char* Name;
        std::vector<uint32_t> Masks;
        int32_t Vertices;
    };
    // Six groups: each side its own four vertices; one group: the eight corners shared; no smoothing: each
    // face its own three.
    const std::vector<uint32_t> sides = {1, 1, 2, 2, 4, 4, 8, 8, 16, 16, 32, 32};
    for (const TCase& c : {TCase{"six groups", sides, 24}, TCase{"one group", std::vector<uint32_t>(12, 1), 8},
                           TCase{"no smoothing", {}, 36}}) {
        SCOPED_TRACE(c.Name);
        TGLBaseMesh mesh(nullptr);
        Load(mesh, CubeFile(c.Masks, [] {
                 MaterialGroup("Red", {0, 1, 2, 3, 4, 5});
                 MaterialGroup("Blue", {11, 10, 9, 8, 7, 6});
             }, [] {
                 Material("Red");
                 Material("Blue");
             }));
        ASSERT_EQ(mesh.MeshObjects()->Count(), 1);
        TGLMeshObject& cube = MeshObject(mesh);
        EXPECT_EQ(cube.Name(), "Cube");
        EXPECT_EQ(cube.Mode(), momFaceGroups);
        EXPECT_EQ(cube.Vertices()->Count(), c.Vertices);
        EXPECT_EQ(cube.Normals()->Count(), c.Vertices);
        EXPECT_EQ(cube.TexCoords()->Count(), c.Vertices);
        EXPECT_EQ(cube.LightMapTexCoords()->Count(), 0);
        ASSERT_EQ(cube.FaceGroups()->Count(), 2);
        // Without a material library the groups name no material.
        EXPECT_EQ(Group(mesh, 0).MaterialName(), "");
        EXPECT_EQ(Group(mesh, 1).LightMapIndex(), -1);
        // Each corner is a vertex at the file's point with the file's texture coordinate, in the groups' face
        // order.
        const std::vector<uint16_t> order = {0, 1, 2, 3, 4, 5, 11, 10, 9, 8, 7, 6};
        std::vector<int32_t> corners = Ints(*Group(mesh, 0).VertexIndices());
        const std::vector<int32_t> blue = Ints(*Group(mesh, 1).VertexIndices());
        corners.insert(corners.end(), blue.begin(), blue.end());
        ASSERT_EQ(corners.size(), 36u);
        for (size_t k = 0; k < corners.size(); ++k) {
            const TTriangle& face = cCubeFaces[order[k / 3]];
            const int original = (k % 3 == 0 ? face.A : k % 3 == 1 ? face.B : face.C);
            ASSERT_GE(corners[k], 0);
            ASSERT_LT(corners[k], c.Vertices);
            EXPECT_NEAR3(cube.Vertices()->List()[corners[k]], cCubePoints[original]);
            EXPECT_NEAR3(cube.TexCoords()->List()[corners[k]], P(CubeUV(original)[0], CubeUV(original)[1], 0));
            // Split vertices carry their side's normal.
            if (c.Vertices != 8) {
                EXPECT_NEAR3(cube.Normals()->List()[corners[k]], cCubeSideNormals[order[k / 3] / 2]);
            }
        }
    }
}

TEST(GLFile3DS, OneSmoothingGroupAveragesTheNormalsOfTheFacesAroundACorner)
{
    TGLBaseMesh mesh(nullptr);
    Load(mesh, CubeFile(std::vector<uint32_t>(12, 1)));
    const TGLMeshObject& cube = MeshObject(mesh);
    const float third = 1 / std::sqrt(3.0f);
    // Corner 0 has two triangles on each of its three sides.
    EXPECT_NEAR3(cube.Normals()->List()[0], P(-third, -third, -third));
    for (int32_t i = 0; i < 8; ++i) {
        const TVector3f n = cube.Normals()->List()[i];
        EXPECT_NEAR(AffineLength(n), 1, 1e-6) << i;
        EXPECT_GT(AffineDot(n, cube.Vertices()->List()[i]), 0) << i;
    }
    // Without a material the faces form one group, in face order.
    ASSERT_EQ(cube.FaceGroups()->Count(), 1);
    std::vector<int32_t> faces;
    for (const TTriangle& f : cCubeFaces) faces.insert(faces.end(), {f.A, f.B, f.C});
    EXPECT_EQ(Ints(*Group(mesh, 0).VertexIndices()), faces);
}

TEST(GLFile3DS, OnlyTheLowestSmoothingGroupOfAFaceCounts)
{
    // Three faces around corner 0: groups 1, 1 and 2 (mask 6), and 2.
    const auto file = MeshFile([] {
        NamedMesh("Fan", {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0), P(-1, 0, 0), P(0, -1, 0)}, [] {
            Faces({{0, 1, 2}, {0, 2, 3}, {0, 3, 4}}, [] { Smoothing({2, 6, 4}); });
        });
    });
    TGLBaseMesh mesh(nullptr);
    Load(mesh, file);
    const std::vector<int32_t> corners = Ints(*Group(mesh, 0).VertexIndices());
    EXPECT_EQ(corners[0], 0);
    EXPECT_EQ(corners[3], 0);
    EXPECT_NE(corners[6], 0);
    EXPECT_EQ(MeshObject(mesh).Vertices()->Count(), 7);
}

TEST(GLFile3DS, InvertedNormalsPointTheOtherWay)
{
    TGLBaseMesh mesh(nullptr);
    Load(mesh, CubeFile({}), mnoInvert);
    const TGLMeshObject& cube = MeshObject(mesh);
    const std::vector<int32_t> corners = Ints(*Group(mesh, 0).VertexIndices());
    for (size_t k = 0; k < corners.size(); ++k) {
        TVector3f outward = cCubeSideNormals[k / 6];
        AffineNegateInPlace(outward);
        EXPECT_NEAR3(cube.Normals()->List()[corners[k]], outward);
    }
}

TEST(GLFile3DS, MissingTextureCoordinatesAndSmoothingMasksReadAsZero)
{
    // Two texture vertices for four points; one smoothing mask for three faces.
    const auto file = MeshFile([] {
        NamedMesh("Quad", {P(0, 0, 0), P(1, 0, 0), P(1, 1, 0), P(0, 1, 0)}, [] {
            TexVerts({{0.5f, 0.25f}, {1, 1}});
            Faces({{0, 1, 2}, {0, 2, 3}, {0, 3, 1}}, [] { Smoothing({1}); });
        });
    });
    TGLBaseMesh mesh(nullptr);
    Load(mesh, file);
    const TGLMeshObject& quad = MeshObject(mesh);
    ASSERT_EQ(quad.TexCoords()->Count(), quad.Vertices()->Count());
    EXPECT_NEAR3(quad.TexCoords()->List()[0], P(0.5f, 0.25f, 0));
    EXPECT_NEAR3(quad.TexCoords()->List()[3], P(0, 0, 0));
    // Faces without a mask share nothing: each of their used corners is a copy.
    EXPECT_EQ(Ints(*Group(mesh, 0).VertexIndices()), (std::vector<int32_t>{0, 1, 2, 4, 5, 3, 6, 7, 8}));
}

TEST(GLFile3DS, SplittingStopsAtTheLastSixteenBitIndex)
{
    // 65533 points and the same triangle twice: the second face finds room for two copies only. Its third
    // corner keeps the vertex: without smoothing it takes that face's normal, with it the vertex stays as is.
    std::vector<TVector3f> points(65533, P(0, 0, 0));
    points[1] = P(1, 0, 0);
    points[2] = P(0, 1, 0);
    for (const bool smoothed : {false, true}) {
        SCOPED_TRACE(smoothed);
        const auto file = MeshFile([&] {
            NamedMesh("Big", points, [&] {
                Faces({{0, 1, 2}, {2, 1, 0}}, [&] {
                    if (smoothed) Smoothing({1, 2});
                });
            });
        });
        TGLBaseMesh mesh(nullptr);
        Load(mesh, file);
        const TGLMeshObject& big = MeshObject(mesh);
        EXPECT_EQ(big.Vertices()->Count(), 65535);
        EXPECT_EQ(Ints(*Group(mesh, 0).VertexIndices()), (std::vector<int32_t>{0, 1, 2, 65533, 65534, 0}));
        EXPECT_NEAR3(big.Normals()->List()[0], smoothed ? P(0, 0, 1) : P(0, 0, -1));
        EXPECT_NEAR3(big.Normals()->List()[65533], P(0, 0, -1));
    }
}

// ---------------------------------------------------------------------------------------------------------
// Refused files

TEST(GLFile3DS, FilesThatAreNoMeshOrProjectFileAreRefused)
{
    TChunk3DSWriter text;
    text.Raw("Hello, world", 12);
    const TChunk3DSWriter refused[] = {text, Written(MLIBMAGIC, [] { Material("Red"); })};
    for (const TChunk3DSWriter& writer : refused) {
        TGLBaseMesh mesh(nullptr);
        EXPECT_EQ(MessageOf<E3DSError>([&] { Load(mesh, writer); }), c3DSErrWrongDatabase);
        EXPECT_EQ(mesh.MeshObjects()->Count(), 0);
    }
    // A project file is read like a mesh file.
    const auto project = Written(CMAGIC, [] {
        Chunk(MDATA, [] { NamedMesh("Tri", {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)}, [] { Faces({{0, 1, 2}}); }); });
    });
    TGLBaseMesh mesh(nullptr);
    Load(mesh, project);
    EXPECT_EQ(mesh.MeshObjects()->Count(), 1);
}

TEST(GLFile3DS, FacesAndGroupsThatNameWhatTheMeshLacksAreRefused)
{
    const std::vector<TVector3f> triangle = {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)};
    const TBody meshes[] = {
        [&] { NamedMesh("Bad corner", triangle, [] { Faces({{0, 1, 3}}); }); },
        [&] { NamedMesh("Bad group", triangle, [] { Faces({{0, 1, 2}}, [] { MaterialGroup("Red", {1}); }); }); },
    };
    for (const TBody& body : meshes) {
        const auto file = MeshFile([&] {
            Material("Red");
            body();
        });
        TGLBaseMesh mesh(nullptr);
        EXPECT_EQ(MessageOf<E3DSError>([&] { Load(mesh, file); }), c3DSErrInvalidChunk);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Materials

struct GLFile3DSMaterials : ::testing::Test {
    TGLMaterialLibrary Library{nullptr};
    TGLMaterialLibrary LightMaps{nullptr};
    TGLBaseMesh Mesh{nullptr};
    TempFolder Folder;

    GLFile3DSMaterials() { Mesh.SetMaterialLibrary(&Library); }
    ~GLFile3DSMaterials() override
    {
        Mesh.SetMaterialLibrary(nullptr);
        Mesh.SetLightmapLibrary(nullptr);
    }

    TGLMaterial& LibMaterial(const std::string& name)
    {
        TGLLibMaterial* libMat = Library.LibMaterialByName(name);
        EXPECT_NE(libMat, nullptr) << name;
        return *libMat->Material();
    }
    // A triangle in each material named.
    static TChunk3DSWriter Triangles(const std::vector<std::string>& names, const TBody& materials)
    {
        return MeshFile([&] {
            materials();
            NamedMesh("Tri", {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)}, [&] {
                TexVerts({{0, 0}, {1, 0}, {0, 1}});
                std::vector<TTriangle> faces(names.size(), TTriangle{0, 1, 2});
                Faces(faces, [&] {
                    for (uint16_t i = 0; i < names.size(); ++i) MaterialGroup(names[i], {i});
                });
            });
        });
    }
};

const std::string cTGA = std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x18\0", 18) + std::string("\x10\x20\x30", 3);

TEST_F(GLFile3DSMaterials, AMaterialTakesItsColoursShininessAndTransparency)
{
    Load(Mesh, Triangles({"Glass", "Stone"}, [] {
        Material("Glass", [] {
            Colour(MAT_AMBIENT, 0.1f, 0.2f, 0.3f);
            Colour(MAT_DIFFUSE, 0.4f, 0.5f, 0.6f);
            Colour(MAT_SPECULAR, 1, 0.5f, 0.25f);
            // 2.5 / 128 and 3.5 / 128 round half to even.
            Percentage(MAT_SHININESS, 2.5f / 128);
            Percentage(MAT_SHIN2PCT, 0.5f);
            Percentage(MAT_TRANSPARENCY, 0.25f);
        });
        Material("Stone", [] {
            Percentage(MAT_SHININESS, 3.5f / 128);
            Chunk(MAT_SUPERSMP);
        });
    }));
    EXPECT_EQ(Group(Mesh, 0).MaterialName(), "Glass");
    EXPECT_EQ(Group(Mesh, 1).MaterialName(), "Stone");
    TGLMaterial& glass = LibMaterial("Glass");
    const TGLFaceProperties& front = *glass.FrontProperties();
    EXPECT_EQ(Floats(front.Ambient()->Color()), (std::vector<float>{0.1f, 0.2f, 0.3f, 1}));
    EXPECT_EQ(Floats(front.Diffuse()->Color()), (std::vector<float>{0.4f, 0.5f, 0.6f, 0.75f}));
    EXPECT_EQ(Floats(front.Specular()->Color()), (std::vector<float>{0.5f, 0.25f, 0.125f, 0.5f}));
    EXPECT_EQ(front.Shininess(), 2);
    EXPECT_EQ(glass.BlendingMode(), bmTransparency);
    EXPECT_TRUE(glass.Texture()->Disabled());
    TGLMaterial& stone = LibMaterial("Stone");
    EXPECT_EQ(stone.FrontProperties()->Shininess(), 4);
    EXPECT_EQ(stone.BlendingMode(), bmOpaque);
    EXPECT_EQ(Library.Materials()->Count(), 2);
}

TEST_F(GLFile3DSMaterials, TheLibrarysMaterialsAreTakenAsTheyAre)
{
    const auto file = Triangles({"Red"}, [] { Material("Red", [] { Colour(MAT_DIFFUSE, 1, 0, 0); }); });
    Load(Mesh, file);
    LibMaterial("Red").FrontProperties()->Diffuse()->SetColor(0, 1, 0, 1);
    // A second mesh on the library loads the file again and finds the material the first made.
    TGLBaseMesh second(nullptr);
    second.SetMaterialLibrary(&Library);
    Load(second, file);
    EXPECT_EQ(Library.Materials()->Count(), 1);
    EXPECT_EQ(Group(second, 0).MaterialName(), "Red");
    EXPECT_EQ(Floats(LibMaterial("Red").FrontProperties()->Diffuse()->Color()), (std::vector<float>{0, 1, 0, 1}));
    second.SetMaterialLibrary(nullptr);
}

TEST_F(GLFile3DSMaterials, AMeshWithoutMaterialsGetsANewMaterialOfItsOwn)
{
    const auto file = MeshFile([] {
        for (const char* name : {"One", "Two"})
            NamedMesh(name, {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)}, [] { Faces({{0, 1, 2}}); });
    });
    Load(Mesh, file);
    ASSERT_EQ(Library.Materials()->Count(), 2);
    EXPECT_EQ(Group(Mesh, 0, 0).MaterialName(), Library.Materials()->Items(0)->Name());
    EXPECT_EQ(Group(Mesh, 0, 1).MaterialName(), Library.Materials()->Items(1)->Name());
    EXPECT_NE(Group(Mesh, 0, 0).MaterialName(), Group(Mesh, 0, 1).MaterialName());
}

TEST_F(GLFile3DSMaterials, MaterialsAreLookedUpOnlyWithALibrary)
{
    // The file lacks the material its mesh names: without a library nothing looks for it.
    const auto file = Triangles({"Lost"}, [] { Material("Other"); });
    TGLBaseMesh bare(nullptr);
    Load(bare, file);
    EXPECT_EQ(Group(bare, 0).MaterialName(), "");
    EXPECT_EQ(MessageOf<E3DSError>([&] { Load(Mesh, file); }), c3DSErrInvalidChunk);
}

TEST_F(GLFile3DSMaterials, MapsAreLoadedIntoTexturesAndOpacityAndBumpGetMaterialsOfTheirOwn)
{
    Folder.Write("wall.tga", cTGA);
    Folder.Write("alpha.tga", cTGA);
    Folder.Write("bump.tga", cTGA);
    Library.SetTexturePaths(Folder.path.string());
    Load(Mesh, Triangles({"Wall"}, [] {
        Material("Wall", [] {
            Map(MAT_TEXMAP, "wall.tga");
            Map(MAT_OPACMAP, "alpha.tga");
            Map(MAT_BUMPMAP, "bump.tga");
        });
    }));
    ASSERT_EQ(Library.Materials()->Count(), 3);
    TGLTexture& texture = *LibMaterial("Wall").Texture();
    EXPECT_FALSE(texture.Disabled());
    EXPECT_EQ(texture.TextureMode(), tmModulate);
    EXPECT_EQ(texture.Image()->Width(), 1);
    EXPECT_EQ(Library.LibMaterialByName("Wall")->Texture2Name(), "alpha.tga");
    for (const char* map : {"alpha.tga", "bump.tga"}) {
        TGLTexture& mapTexture = *LibMaterial(map).Texture();
        EXPECT_FALSE(mapTexture.Disabled()) << map;
        EXPECT_EQ(mapTexture.ImageAlpha(), tiaAlphaFromIntensity) << map;
        EXPECT_EQ(mapTexture.TextureMode(), tmModulate) << map;
    }
}

TEST_F(GLFile3DSMaterials, AMapThatCannotBeLoadedStopsTheLoadUnlessMissingTexturesAreIgnored)
{
    Library.SetTexturePaths("nowhere");
    const auto file = Triangles({"Wall"}, [] { Material("Wall", [] { Map(MAT_TEXMAP, "gone.tga"); }); });
    EXPECT_EQ(MessageOf<EGLFile3DS>([&] { Load(Mesh, file); }),
              "Loading diffuse map texture failed: Could not open file: gone.tga in nowhere");

    TGLBaseMesh ignoring(nullptr);
    ignoring.SetMaterialLibrary(&Library);
    ignoring.SetIgnoreMissingTextures(true);
    Load(ignoring, Triangles({"Floor"}, [] {
        Material("Floor", [] {
            Map(MAT_TEXMAP, "gone.tga");
            Map(MAT_OPACMAP, "gone too.tga");
        });
    }));
    EXPECT_EQ(Group(ignoring, 0).MaterialName(), "Floor");
    EXPECT_TRUE(LibMaterial("gone too.tga").Texture()->Disabled());
    // The opacity map enables the material's own texture, which then shows no picture.
    EXPECT_FALSE(LibMaterial("Floor").Texture()->Disabled());
    EXPECT_EQ(LibMaterial("Floor").Texture()->Image()->Width(), 0);

    // A picture that is there but cannot be read is passed over alike, with a line in the log.
    Folder.Write("broken.tga", "no picture");
    Library.SetTexturePaths(Folder.path.string());
    TGLLogCapture log;
    Load(ignoring, Triangles({"Cracked"}, [] { Material("Cracked", [] { Map(MAT_TEXMAP, "broken.tga"); }); }));
    EXPECT_TRUE(LibMaterial("Cracked").Texture()->Disabled());
    EXPECT_TRUE(log.Contains("broken.tga"));
    ignoring.SetMaterialLibrary(nullptr);
}

TEST_F(GLFile3DSMaterials, LightMapsGoToTheLightMapLibraryAndRepeatTheTextureCoordinates)
{
    Folder.Write("light.tga", cTGA);
    LightMaps.SetTexturePaths(Folder.path.string());
    LightMaps.Materials()->Add()->SetName("first");
    Mesh.SetLightmapLibrary(&LightMaps);
    Load(Mesh, Triangles({"Lit", "Plain", "Lit too"}, [] {
        Material("Lit", [] { Map(MAT_SELFIMAP, "light.tga"); });
        Material("Plain");
        Material("Lit too", [] { Map(MAT_SELFIMAP, "light.tga"); });
    }));
    ASSERT_EQ(LightMaps.Materials()->Count(), 2);
    EXPECT_EQ(LightMaps.Materials()->Items(1)->Name(), "light.tga");
    EXPECT_FALSE(LightMaps.Materials()->Items(1)->Material()->Texture()->Disabled());
    EXPECT_EQ(Group(Mesh, 0).LightMapIndex(), 1);
    EXPECT_EQ(Group(Mesh, 1).LightMapIndex(), -1);
    EXPECT_EQ(Group(Mesh, 2).LightMapIndex(), 1);
    const TGLMeshObject& tri = MeshObject(Mesh);
    ASSERT_EQ(tri.LightMapTexCoords()->Count(), tri.TexCoords()->Count());
    for (int32_t i = 0; i < tri.TexCoords()->Count(); ++i)
        EXPECT_NEAR3(tri.LightMapTexCoords()->List()[i], tri.TexCoords()->List()[i]);

    LightMaps.SetTexturePaths("dark");
    EXPECT_EQ(MessageOf<EGLFile3DS>([&] {
                  Load(Mesh, Triangles({"Other"}, [] { Material("Other", [] { Map(MAT_SELFIMAP, "none.tga"); }); }));
              }),
              "Loading light map texture failed: Could not open file: none.tga in dark");
}

// ---------------------------------------------------------------------------------------------------------
// Keyframer, nodes and reference transforms

TEST(GLFile3DS, EveryNodeGetsAnEmptyMorphTargetPerFrameOfTheSegment)
{
    const auto file = [](int32_t first, int32_t last) {
        return MeshFile([] { NamedMesh("Tri", {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)}, [] { Faces({{0, 1, 2}}); }); },
                        [&] { KeyframerHeader(first, last); });
    };
    const struct {
        int32_t First, Last, Targets;
    } cases[] = {{0, 30, 31}, {5, 5, 1}, {7, 3, 0}, {0, 65536, 65537}};
    for (const auto& c : cases) {
        TGLBaseMesh mesh(nullptr);
        Load(mesh, file(c.First, c.Last));
        auto& tri = dynamic_cast<TMorphableMeshObject&>(MeshObject(mesh));
        EXPECT_EQ(tri.MorphTargets()->Count(), c.Targets) << c.First << ".." << c.Last;
    }
    // A long animation of many nodes in a small file loads whole: nine meshes over 0..7281.
    const auto meshes = [](int count, int32_t last) {
        return MeshFile(
            [count] {
                for (int i = 0; i < count; ++i)
                    NamedMesh("Mesh" + std::to_string(i), {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)}, [] { Faces({{0, 1, 2}}); });
            },
            [last] { KeyframerHeader(0, last); });
    };
    TGLBaseMesh nine(nullptr);
    Load(nine, meshes(9, 7281));
    ASSERT_EQ(nine.MeshObjects()->Count(), 9);
    for (int32_t i = 0; i < 9; ++i)
        EXPECT_EQ(dynamic_cast<TMorphableMeshObject&>(MeshObject(nine, i)).MorphTargets()->Count(), 7282);
    // A file that asks for far more targets than it could describe frames for is corrupt: a segment spanning
    // nearly all of the 32-bit range, or two nodes of a few hundred bytes asking for 800,000.
    TGLBaseMesh mesh(nullptr);
    EXPECT_EQ(MessageOf<E3DSError>([&] { Load(mesh, file(INT32_MIN, INT32_MAX)); }), c3DSErrInvalidChunk);
    EXPECT_EQ(MessageOf<E3DSError>([&] { Load(mesh, meshes(2, 399999)); }), c3DSErrInvalidChunk);
}

TEST(GLFile3DS, TheReferenceTransformIsTheInvertedLocalFrame)
{
    const std::vector<TVector3f> triangle = {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)};
    const auto file = MeshFile([&] {
        // Scaled by 2 and moved to (7, 8, 9); a frame mirrored in Z.
        NamedMesh("Moved", triangle, [] {
            Faces({{0, 1, 2}});
            MeshMatrix({2, 0, 0, 0, 2, 0, 0, 0, 2, 7, 8, 9});
        });
        NamedMesh("Mirrored", triangle, [] {
            Faces({{0, 1, 2}});
            MeshMatrix({1, 0, 0, 0, 1, 0, 0, 0, -1, 0, 0, 0});
        });
    });
    TGLBaseMesh mesh(nullptr);
    Load(mesh, file);
    const auto reference = [&](int32_t i) {
        return dynamic_cast<TGLFile3DSMeshObject&>(MeshObject(mesh, i)).RefrenceTransf().ModelMatrix;
    };
    const TMatrix4f moved = reference(0);
    EXPECT_EQ(Floats(moved.X), (std::vector<float>{0.5f, 0, 0, 0}));
    EXPECT_EQ(Floats(moved.W), (std::vector<float>{-3.5f, -4, -4.5f, 1}));
    // The mirrored frame is turned half about Y: X and Z negated.
    const TMatrix4f mirrored = reference(1);
    const std::vector<float> expected[] = {{-1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) EXPECT_NEAR(mirrored.V[row].V[col], expected[row][col], 1e-6) << row << col;
}

TEST(GLFile3DS, MeshesWithoutANodeStayUnanimatedAndNodesWithoutAMeshGetAnObject)
{
    const std::vector<TVector3f> triangle = {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)};
    const auto file = MeshFile(
        [&] {
            NamedMesh("Body", triangle, [] { Faces({{0, 1, 2}}); });
            NamedMesh("Lid", triangle, [] { Faces({{0, 1, 2}}); });
        },
        [] {
            KeyframerHeader(0, 10);
            // The node of Lid in other letter case; a dummy node of no mesh.
            ObjectNode(0, "LID", -1, P(1, 2, 3));
            ObjectNode(1, "$$$DUMMY", 0);
        });
    TGLBaseMesh mesh(nullptr);
    Load(mesh, file);
    ASSERT_EQ(mesh.MeshObjects()->Count(), 4);
    const auto node = [&](int32_t i) -> TGLFile3DSMeshObject& {
        return dynamic_cast<TGLFile3DSMeshObject&>(MeshObject(mesh, i));
    };
    EXPECT_EQ(node(0).Name(), "Body");
    EXPECT_EQ(node(0).AnimList()->Count(), 0);
    EXPECT_EQ(node(1).Name(), "Lid");
    EXPECT_EQ(node(1).AnimList()->Count(), 3);
    // The pivot moves the reference transform.
    EXPECT_EQ(Floats(node(1).RefrenceTransf().ModelMatrix.W), (std::vector<float>{-1, -2, -3, 1}));
    // A motion whose name no mesh object has exactly gets a node of its own.
    EXPECT_EQ(node(2).Name(), "LID");
    EXPECT_EQ(node(3).Name(), "$$$DUMMY");
    EXPECT_EQ(node(3).Vertices()->Count(), 0);
    EXPECT_EQ(node(3).MorphTargets()->Count(), 11);
    EXPECT_EQ(node(3).Parent(), &node(2));
}

TEST(GLFile3DS, LightsAndCamerasBecomeNodesAfterTheMeshesAndTakeTheMotionsTheKeyframerHas)
{
    const auto file = MeshFile(
        [] {
            for (const char* name : {"Lamp", "Lantern"})
                Chunk(NAMED_OBJECT, [&] {
                    gW->Str(name);
                    Chunk(N_DIRECT_LIGHT, [] {
                        gW->Point(1, 2, 3);
                        Chunk(COLOR_F, [] { gW->Floats({1, 0.5f, 0}); });
                    });
                });
            Chunk(NAMED_OBJECT, [] {
                gW->Str("Spot");
                Chunk(N_DIRECT_LIGHT, [] {
                    gW->Point(0, 0, 9);
                    Chunk(DL_SPOTLIGHT, [] { gW->Point(0, 0, 0).Floats({20, 40}); });
                });
            });
            Chunk(NAMED_OBJECT, [] {
                gW->Str("Eye");
                Chunk(N_CAMERA, [] { gW->Point(0, -10, 0).Point(0, 0, 0).Floats({0, 48}); });
            });
            NamedMesh("Floor", {P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)}, [] { Faces({{0, 1, 2}}); });
        },
        [] {
            KeyframerHeader(0, 4);
            // The first omni light and the camera have nodes; the second light and the spot have none.
            Chunk(LIGHT_NODE_TAG, [] {
                Chunk(NODE_HDR, [] { gW->Str("Lamp").U16(0).U16(0).I16(-1); });
                OneKeyTrack(POS_TRACK_TAG, {1, 2, 3});
                OneKeyTrack(COL_TRACK_TAG, {1, 0.5f, 0});
            });
            Chunk(CAMERA_NODE_TAG, [] {
                Chunk(NODE_HDR, [] { gW->Str("Eye").U16(0).U16(0).I16(-1); });
                OneKeyTrack(POS_TRACK_TAG, {0, -10, 0});
                OneKeyTrack(FOV_TRACK_TAG, {50});
                OneKeyTrack(ROLL_TRACK_TAG, {0});
            });
            Chunk(TARGET_NODE_TAG, [] {
                Chunk(NODE_HDR, [] { gW->Str("Eye").U16(0).U16(0).I16(-1); });
                OneKeyTrack(POS_TRACK_TAG, {0, 0, 0});
            });
        });
    TGLBaseMesh mesh(nullptr);
    Load(mesh, file);
    ASSERT_EQ(mesh.MeshObjects()->Count(), 5);
    const auto node = [&](int32_t i) -> TGLFile3DSDummyObject& {
        return dynamic_cast<TGLFile3DSDummyObject&>(MeshObject(mesh, i));
    };
    const struct {
        const char* Name;
        int32_t Tracks;
    } expected[] = {{"Floor", 0}, {"Lamp", 2}, {"Lantern", 0}, {"Spot", 0}, {"Eye", 3}};
    for (int32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(node(i).Name(), expected[i].Name);
        EXPECT_EQ(node(i).AnimList()->Count(), expected[i].Tracks) << expected[i].Name;
        EXPECT_EQ(node(i).MorphTargets()->Count(), 5) << expected[i].Name;
    }
    EXPECT_NE(dynamic_cast<TGLFile3DSSpotLightObject*>(&node(3)), nullptr);
    auto& lamp = dynamic_cast<TGLFile3DSOmniLightObject&>(node(1));
    auto& eye = dynamic_cast<TGLFile3DSCameraObject&>(node(4));
    // Three lights, the camera and its target stand under the mesh.
    EXPECT_EQ(mesh.Count(), 5);
    EXPECT_EQ(lamp.LightSrc()->Parent(), &mesh);
    EXPECT_EQ(eye.CameraSrc()->Parent(), &mesh);
    EXPECT_EQ(eye.TargetObj()->Parent(), &mesh);
}

// ---------------------------------------------------------------------------------------------------------
// Files as exporters write them

// A scene an exporter writes: versions and scale, materials with byte and linear colours, integer
// percentages, shading and a tiled texture map, meshes with their local frames, texture vertices, groups and
// smoothing, then the keyframer's header, segment and current frame and one node per object with identifier,
// header, pivot, bounding box and one key of position, rotation and scale; instances of a dummy hold the
// meshes.
TChunk3DSWriter ExportedScene(uint16_t top, int32_t lastFrame)
{
    return Written(top, [&] {
        Chunk(M3D_VERSION, [] { gW->I32(3); });
        Chunk(MDATA, [] {
            Chunk(MESH_VERSION, [] { gW->I32(3); });
            Chunk(MASTER_SCALE, [] { gW->F32(1); });
            for (const char* name : {"Wood", "Metal"})
                Material(name, [] {
                    for (uint16_t container : {MAT_AMBIENT, MAT_DIFFUSE, MAT_SPECULAR})
                        Chunk(container, [] {
                            Chunk(COLOR_24, [] { gW->U8(150).U8(100).U8(50); });
                            Chunk(LIN_COLOR_24, [] { gW->U8(140).U8(90).U8(40); });
                        });
                    Chunk(MAT_SHININESS, [] { Chunk(INT_PERCENTAGE, [] { gW->I16(25); }); });
                    Chunk(MAT_SHIN2PCT, [] { Chunk(INT_PERCENTAGE, [] { gW->I16(5); }); });
                    Chunk(MAT_TRANSPARENCY, [] { Chunk(INT_PERCENTAGE, [] { gW->I16(0); }); });
                    Chunk(MAT_SHADING, [] { gW->I16(3); });
                    Chunk(MAT_TEXMAP, [] {
                        Chunk(INT_PERCENTAGE, [] { gW->I16(100); });
                        Chunk(MAT_MAPNAME, [] { gW->Str("WOOD.TGA"); });
                        Chunk(MAT_MAP_TILING, [] { gW->U16(0); });
                        Chunk(MAT_MAP_TEXBLUR, [] { gW->F32(0.07f); });
                    });
                });
            const auto box = [](const char* name, float x, const char* material) {
                NamedMesh(name, cCubePoints, [&] {
                    std::vector<std::array<float, 2>> uvs;
                    for (int i = 0; i < 8; ++i) uvs.push_back(CubeUV(i));
                    TexVerts(uvs);
                    Faces(cCubeFaces, [&] {
                        MaterialGroup(material, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
                        Smoothing({1, 1, 2, 2, 4, 4, 8, 8, 16, 16, 32, 32});
                    });
                    MeshMatrix({1, 0, 0, 0, 1, 0, 0, 0, 1, x, 0, 0});
                });
            };
            box("Crate", 0, "Wood");
            box("Safe", 4, "Metal");
        });
        Chunk(KFDATA, [&] {
            KeyframerHeader(0, lastFrame);
            Chunk(OBJECT_NODE_TAG, [] {
                Chunk(NODE_ID, [] { gW->I16(0); });
                Chunk(NODE_HDR, [] { gW->Str("$$$DUMMY").U16(0x4000).U16(0).I16(-1); });
                Chunk(INSTANCE_NAME, [] { gW->Str("Group"); });
                Chunk(PIVOT, [] { gW->Point(0, 0, 0); });
                OneKeyTrack(POS_TRACK_TAG, {2, 0, 0});
                OneKeyTrack(ROT_TRACK_TAG, {0, 0, 0, 1});
                OneKeyTrack(SCL_TRACK_TAG, {1, 1, 1});
            });
            int16_t id = 1;
            for (const char* name : {"Crate", "Safe"})
                Chunk(OBJECT_NODE_TAG, [&] {
                    Chunk(NODE_ID, [&] { gW->I16(id++); });
                    Chunk(NODE_HDR, [&] { gW->Str(name).U16(0x4000).U16(0).I16(0); });
                    Chunk(PIVOT, [] { gW->Point(0.5f, 0, 0); });
                    Chunk(BOUNDBOX, [] { gW->Point(-1, -1, -1).Point(1, 1, 1); });
                    OneKeyTrack(POS_TRACK_TAG, {0, 0, 0});
                    OneKeyTrack(ROT_TRACK_TAG, {0, 0, 0, 1});
                    OneKeyTrack(SCL_TRACK_TAG, {1, 1, 1});
                });
        });
    });
}

TEST(GLFile3DS, ScenesAsExportersWriteThemLoadWithTheirCounts)
{
    for (const auto& [top, lastFrame] : {std::pair<uint16_t, int32_t>{M3DMAGIC, 100}, {CMAGIC, 0}}) {
        SCOPED_TRACE(top);
        TempFolder folder;
        folder.Write("WOOD.TGA", cTGA);
        TGLMaterialLibrary library(nullptr);
        library.SetTexturePaths(folder.path.string());
        TGLBaseMesh mesh(nullptr);
        for (TGLMaterialLibrary* used : {static_cast<TGLMaterialLibrary*>(nullptr), &library}) {
            mesh.MeshObjects()->Clear();
            mesh.SetMaterialLibrary(used);
            Load(mesh, ExportedScene(top, lastFrame));
            // The two boxes, then a node for the dummy instance.
            ASSERT_EQ(mesh.MeshObjects()->Count(), 3);
            for (int32_t i = 0; i < 3; ++i) {
                auto& node = dynamic_cast<TGLFile3DSMeshObject&>(MeshObject(mesh, i));
                const char* const names[] = {"Crate", "Safe", "$$$DUMMY.Group"};
                EXPECT_EQ(node.Name(), names[i]);
                EXPECT_EQ(node.MorphTargets()->Count(), lastFrame + 1);
                EXPECT_EQ(node.AnimList()->Count(), 3);
                EXPECT_EQ(node.Vertices()->Count(), i < 2 ? 24 : 0);
                EXPECT_EQ(node.FaceGroups()->Count(), i < 2 ? 1 : 0);
            }
            auto& safe = dynamic_cast<TGLFile3DSMeshObject&>(MeshObject(mesh, 1));
            EXPECT_EQ(safe.Parent(), &MeshObject(mesh, 2));
            EXPECT_EQ(Group(mesh, 0, 1).VertexIndices()->Count(), 36);
            EXPECT_EQ(Group(mesh, 0, 1).MaterialName(), used ? "Metal" : "");
            // The local frame at x = 4 inverted, less the pivot.
            EXPECT_EQ(Floats(safe.RefrenceTransf().ModelMatrix.W), (std::vector<float>{-4.5f, 0, 0, 1}));
        }
        EXPECT_EQ(library.Materials()->Count(), 2);
        mesh.SetMaterialLibrary(nullptr);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Through the base mesh

TEST(GLFile3DS, IsTheFormatOfThreeDSAndProjectFilesAndOnlyReads)
{
    const TGLVectorFileClass& format = VectorFileClassOf<TGL3DSVectorFile>();
    EXPECT_EQ(&GetVectorFileFormats().FindFromFileName("CRATE.3DS"), &format);
    EXPECT_EQ(&GetVectorFileFormats().FindFromFileName("scene.prj"), &format);
    EXPECT_EQ(format.Capabilities(), dfcRead);
}

class GLFile3DSRender : public SceneRenderFixture {};

TEST_F(GLFile3DSRender, AFreeFormLoadedFromAFileDrawsItsMeshWithTheFilesMaterial)
{
    TempFolder folder;
    const auto file = CubeFile(
        std::vector<uint32_t>(12, 1), [] { MaterialGroup("Red", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}); },
        [] { Material("Red", [] { Colour(MAT_DIFFUSE, 1, 0, 0); }); });
    folder.Write("crate.3ds", std::string(file.Bytes().begin(), file.Bytes().end()));
    TGLMaterialLibrary library(nullptr);
    auto* crate = TGLBaseSceneObject::CreateAsChild<TGLFreeForm>(Scene->Objects());
    crate->SetMaterialLibrary(&library);
    crate->LoadFromFile(folder / "crate.3ds");
    EXPECT_EQ(crate->LastLoadedFilename(), folder / "crate.3ds");
    crate->Position()->SetPoint(0, 0, -5);
    Render();
    EXPECT_EQ(Pixel(32, 24), Rgb(255, 0, 0));
    EXPECT_EQ(Pixel(2, 2), Rgb(0, 0, 0));
    Free(crate);
}

} // namespace
