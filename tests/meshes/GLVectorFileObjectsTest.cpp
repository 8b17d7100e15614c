#include "GLVectorFileObjects.h"

#include "GLMaterial.h"
#include "GLVectorGeometry.h"
#include "Streams.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

TVector3f P(float x, float y, float z)
{
    return TVector3f{{{x, y, z}}};
}

std::vector<float> Floats(const TAffineVectorList& list)
{
    std::vector<float> result;
    for (int32_t i = 0; i < list.Count(); ++i)
        for (const float v : list.List()[i].V) result.push_back(v);
    return result;
}

std::vector<int32_t> Ints(const TIntegerList& list)
{
    return std::vector<int32_t>(list.List(), list.List() + list.Count());
}

void ExpectVector(const TVector3f& actual, float x, float y, float z)
{
    EXPECT_NEAR(actual.X, x, 1e-6f);
    EXPECT_NEAR(actual.Y, y, 1e-6f);
    EXPECT_NEAR(actual.Z, z, 1e-6f);
}

// Model-file formats for the registry: read only, read and write, write only.
class TReadFile : public TGLVectorFile {
public:
    using TGLVectorFile::TGLVectorFile;
    TGLDataFile* CreateCopy(TPersistent* AOwner) const override { return new TReadFile(AOwner); }
};

class TReadWriteFile : public TReadFile {
public:
    using TReadFile::TReadFile;
    static TGLDataFileCapabilities ClassCapabilities() { return dfcRead | dfcWrite; }
    TGLDataFileCapabilities Capabilities() const override { return ClassCapabilities(); }
};

class TWriteFile : public TGLVectorFile {
public:
    using TGLVectorFile::TGLVectorFile;
    static TGLDataFileCapabilities ClassCapabilities() { return dfcWrite; }
    TGLDataFileCapabilities Capabilities() const override { return ClassCapabilities(); }
    TGLDataFile* CreateCopy(TPersistent* AOwner) const override { return new TWriteFile(AOwner); }
};

} // namespace

// ---------------------------------------------------------------------------------------------------------
// Registry

TEST(VectorFileFormats, ExtensionsAreFoundInAnyLetterCaseAndTheLaterRegistrationWins)
{
    TGLVectorFileFormatsList formats;
    formats.Add("OBJ", "first", 0, VectorFileClassOf<TReadFile>());
    EXPECT_EQ(formats.Entry(0)->Extension, "obj");
    for (const char* ext : {"obj", "Obj", "OBJ"}) EXPECT_EQ(formats.FindExt(ext), &VectorFileClassOf<TReadFile>());
    EXPECT_EQ(&formats.FindFromFileName("models\\x.y\\wall.OBJ"), &VectorFileClassOf<TReadFile>());
    EXPECT_EQ(formats.FindExt("3ds"), nullptr);

    formats.Add("obj", "second", 0, VectorFileClassOf<TReadWriteFile>());
    EXPECT_EQ(formats.FindExt("obj"), &VectorFileClassOf<TReadWriteFile>());
    // Removing a class removes its descendants' entries too.
    formats.Remove(VectorFileClassOf<TReadFile>());
    EXPECT_EQ(formats.Count(), 0);
}

TEST(VectorFileFormats, AnUnknownExtensionIsReportedWithTheUnitItWouldNeed)
{
    TGLVectorFileFormatsList formats;
    formats.Add("obj", "", 0, VectorFileClassOf<TReadFile>());
    const struct {
        const char* fileName;
        const char* message;
    } cases[] = {
        {"wall", "Unknown file extension (), maybe you forgot to add the support unit to your uses? (GLFile?)"},
        {"wall.Dxf", "Unknown file extension (Dxf), maybe you forgot to add the support unit to your uses? "
                     "(GLFileDXF?)"},
    };
    for (const auto& c : cases) {
        try {
            formats.FindFromFileName(c.fileName);
            ADD_FAILURE() << c.fileName;
        } catch (const EInvalidVectorFile& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    EXPECT_EQ(formats.Count(), 1);
}

TEST(VectorFileFormats, FilterStringsLeadWithAllFormatsOnlyForSeveralOpenableOnes)
{
    TGLVectorFileFormatsList formats;
    formats.Add("obj", "WaveFront model file", 0, VectorFileClassOf<TReadFile>());
    formats.Add("glsm", "VAVodad Mesh", 0, VectorFileClassOf<TReadWriteFile>());
    formats.Add("out", "Export", 0, VectorFileClassOf<TWriteFile>());
    formats.Add("", "No extension", 0, VectorFileClassOf<TReadFile>());
    std::string descriptions, filters;

    formats.BuildFilterStrings(VectorFileClassOf<TGLVectorFile>(), descriptions, filters, true, false);
    EXPECT_EQ(filters, "*.obj;*.glsm");
    EXPECT_EQ(descriptions, cAllFormatsCaption +
                                " (*.obj;*.glsm)|*.obj;*.glsm|WaveFront model file (*.obj)|*.obj|VAVodad Mesh "
                                "(*.glsm)|*.glsm");

    // Only the format class asked for (or its descendants) takes part: one format, no leading entry.
    formats.BuildFilterStrings(VectorFileClassOf<TReadWriteFile>(), descriptions, filters, true, false);
    EXPECT_EQ(descriptions, "VAVodad Mesh (*.glsm)|*.glsm");
    EXPECT_EQ(filters, "*.glsm");

    formats.BuildFilterStrings(VectorFileClassOf<TGLVectorFile>(), descriptions, filters, false, true);
    EXPECT_EQ(descriptions, "VAVodad Mesh (*.glsm)|*.glsm|Export (*.out)|*.out");

    // By index the class and the extension do not matter, only what the format can do.
    EXPECT_EQ(formats.FindExtByIndex(2, true, false), "glsm");
    EXPECT_EQ(formats.FindExtByIndex(3, true, false), "");
    EXPECT_EQ(formats.FindExtByIndex(3, true, true), "out");
    EXPECT_EQ(formats.FindExtByIndex(0, true, true), "");
}

TEST(VectorFileFormats, TheProcessRegistryCreatesTheFormatsItHolds)
{
    RegisterVectorFileFormat<TReadWriteFile>("testrw", "Test format");
    TGLVectorFileFormatsList& formats = GetVectorFileFormats();
    const TGLVectorFileClass& fileClass = formats.FindFromFileName("a.TESTRW");
    EXPECT_EQ(fileClass.ClassName(), "TReadWriteFile");
    EXPECT_EQ(fileClass.Capabilities(), dfcRead | dfcWrite);

    TGLBaseMesh mesh(nullptr);
    std::unique_ptr<TGLVectorFile, TFreeDeleter> file(fileClass.Create(&mesh));
    EXPECT_EQ(file->Owner(), &mesh);
    file->SetNormalsOrientation(mnoInvert);
    EXPECT_EQ(file->NormalsOrientation(), mnoInvert);
    formats.Remove(VectorFileClassOf<TReadWriteFile>());
    EXPECT_EQ(formats.FindExt("testrw"), nullptr);
}

TEST(VectorFileFormats, AFileObjectBelongsToABaseMesh)
{
    TGLMaterialLibrary notAMesh(nullptr);
    EXPECT_THROW(TReadFile{&notAMesh}, EAssertionFailed);
    EXPECT_THROW(TReadFile{nullptr}, EAssertionFailed);
}

// ---------------------------------------------------------------------------------------------------------
// Base mesh object

TEST(BaseMeshObject, NormalsOfTrianglesAreTheNormalisedSumsOfTheFacesAroundEachVertex)
{
    TBaseMeshObject mesh;
    // A quad folded along its diagonal 0-2: one half in z = 0 (normal +Z), the other tilted up to x = 2.
    mesh.Vertices()->Add(P(0, 0, 0), P(1, 0, 0), P(1, 1, 0));
    mesh.Vertices()->Add(P(0, 1, 1));
    TIntegerList indices;
    indices.AddIntegers({0, 1, 2, 0, 2, 3});
    mesh.BuildNormals(&indices, momTriangles);

    ASSERT_EQ(mesh.Normals()->Count(), 4);
    TVector3f tilted;
    AffineTriangleNormal(P(0, 0, 0), P(1, 1, 0), P(0, 1, 1), tilted);
    TVector3f shared = P(tilted.X, tilted.Y, tilted.Z + 1);
    AffineNormalizeInPlace(shared);
    ExpectVector(mesh.Normals()->List()[1], 0, 0, 1);
    ExpectVector(mesh.Normals()->List()[3], tilted.X, tilted.Y, tilted.Z);
    for (const int v : {0, 2}) ExpectVector(mesh.Normals()->List()[v], shared.X, shared.Y, shared.Z);
}

TEST(BaseMeshObject, AStripFlipsEveryOtherTriangleSoAllItsNormalsAgree)
{
    TBaseMeshObject mesh;
    mesh.Vertices()->Add(P(0, 0, 0), P(0, 1, 0), P(1, 0, 0));
    mesh.Vertices()->Add(P(1, 1, 0));
    TIntegerList indices;
    indices.AddIntegers({0, 1, 2, 3});
    mesh.BuildNormals(&indices, momTriangleStrip);
    for (int v = 0; v < 4; ++v) ExpectVector(mesh.Normals()->List()[v], 0, 0, -1);
    EXPECT_THROW(mesh.BuildNormals(&indices, momFaceGroups), EAssertionFailed);
}

TEST(BaseMeshObject, WithNormalIndicesNewNormalsAreAppendedAndTheOldOnesKept)
{
    TBaseMeshObject mesh;
    mesh.Vertices()->Add(P(0, 0, 0), P(1, 0, 0), P(0, 1, 0));
    mesh.Vertices()->Add(P(5, 5, 5));
    mesh.Normals()->Add(P(9, 9, 9), P(8, 8, 8));
    TIntegerList indices, normalIndices;
    indices.AddIntegers({0, 1, 2, 2, 1, 0});
    normalIndices.Add(77);
    mesh.BuildNormals(&indices, momTriangles, &normalIndices);

    // Vertices 0, 1 and 2 get one normal each (the two opposite faces cancel out); vertex 3 is unused.
    EXPECT_EQ(Ints(normalIndices), (std::vector<int32_t>{77, 2, 3, 4, 4, 3, 2}));
    EXPECT_EQ(Floats(*mesh.Normals()), (std::vector<float>{9, 9, 9, 8, 8, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    // One face: unit normals for the new entries.
    TIntegerList single, singleNormals;
    single.AddIntegers({0, 1, 2});
    mesh.BuildNormals(&single, momTriangles, &singleNormals);
    EXPECT_EQ(Ints(singleNormals), (std::vector<int32_t>{5, 6, 7}));
    for (int i = 5; i < 8; ++i) ExpectVector(mesh.Normals()->List()[i], 0, 0, 1);
}

TEST(BaseMeshObject, AnIndexOutsideTheVerticesLeavesItsTriangleWithoutAFaceNormal)
{
    TBaseMeshObject mesh;
    mesh.Vertices()->Add(P(0, 0, 0), P(1, 0, 0), P(0, 1, 0));
    TIntegerList indices;
    indices.AddIntegers({0, 1, 2, 0, 1, 1000000, -5, 2, 1});
    mesh.BuildNormals(&indices, momTriangles);
    for (int v = 0; v < 3; ++v) ExpectVector(mesh.Normals()->List()[v], 0, 0, 1);

    TIntegerList normalIndices;
    mesh.BuildNormals(&indices, momTriangles, &normalIndices);
    // Parallel to the vertex indices: a corner without a vertex has no normal (-1).
    EXPECT_EQ(Ints(normalIndices), (std::vector<int32_t>{3, 4, 5, 3, 4, -1, -1, 5, 4}));
}

TEST(BaseMeshObject, ExtractTrianglesCopiesOnlyWholeTriangles)
{
    TBaseMeshObject mesh;
    mesh.Vertices()->Add(P(1, 2, 3), P(4, 5, 6), P(7, 8, 9));
    mesh.Normals()->Add(P(0, 0, 1), P(0, 0, 1), P(0, 0, 1));
    TAffineVectorList texCoords, normals;
    texCoords.Add(P(1, 1, 1));
    auto triangles = mesh.ExtractTriangles(&texCoords, &normals);
    EXPECT_EQ(Floats(*triangles), Floats(*mesh.Vertices()));
    EXPECT_EQ(Floats(normals), Floats(*mesh.Normals()));
    EXPECT_EQ(texCoords.Count(), 1);

    mesh.Vertices()->Add(P(0, 0, 0));
    normals.Clear();
    triangles = mesh.ExtractTriangles(nullptr, &normals);
    EXPECT_EQ(triangles->Count(), 0);
    EXPECT_EQ(normals.Count(), 0);
}

TEST(BaseMeshObject, ArchiveVersionsZeroAndOneAreReadAndOthersRefused)
{
    TBaseMeshObject mesh;
    mesh.SetName("wall");
    mesh.Vertices()->Add(P(1, 2, 3));
    mesh.Normals()->Add(P(0, 1, 0));
    mesh.SetVisible(false);
    const std::string saved = mesh.SaveToString();
    TBaseMeshObject copy;
    copy.LoadFromString(saved);
    EXPECT_EQ(copy.Name(), "wall");
    EXPECT_FALSE(copy.Visible());
    EXPECT_EQ(copy.SaveToString(), saved);

    // Version 0: the same without Visible, which becomes True.
    const auto archive = [&](int32_t version) {
        TStringStream stream;
        TBinaryWriter writer(&stream);
        writer.WriteInteger(version);
        writer.WriteString("old");
        mesh.Vertices()->WriteToFiler(&writer);
        mesh.Normals()->WriteToFiler(&writer);
        return stream.DataString();
    };
    copy.LoadFromString(archive(0));
    EXPECT_EQ(copy.Name(), "old");
    EXPECT_TRUE(copy.Visible());
    EXPECT_EQ(Floats(*copy.Vertices()), (std::vector<float>{1, 2, 3}));

    for (const int32_t version : {2, -1}) {
        try {
            copy.LoadFromString(archive(version));
            ADD_FAILURE() << version;
        } catch (const EFilerException& e) {
            EXPECT_EQ(std::string(e.what()), "TBaseMeshObject : unknown archive version " + std::to_string(version));
        }
    }
}

TEST(BaseMeshObject, AssignCopiesNameAndListsButNotVisible)
{
    TBaseMeshObject source, copy;
    source.SetName("door");
    source.Vertices()->Add(P(1, 1, 1));
    source.Normals()->Add(P(0, 0, 1));
    source.SetVisible(false);
    copy.Assign(&source);
    EXPECT_EQ(copy.Name(), "door");
    EXPECT_EQ(Floats(*copy.Vertices()), (std::vector<float>{1, 1, 1}));
    EXPECT_EQ(Floats(*copy.Normals()), (std::vector<float>{0, 0, 1}));
    EXPECT_TRUE(copy.Visible());

    TVector3f sum = P(1, 0, 0);
    int32_t count = 1;
    source.Vertices()->Add(P(2, 3, 4));
    source.AccumulateBarycenter(sum, count);
    ExpectVector(sum, 4, 4, 5);
    EXPECT_EQ(count, 3);
    source.Translate(P(1, 0, -1));
    EXPECT_EQ(Floats(*source.Vertices()), (std::vector<float>{2, 1, 0, 3, 3, 3}));
    source.Clear();
    EXPECT_EQ(source.Vertices()->Count() + source.Normals()->Count(), 0);
}

// ---------------------------------------------------------------------------------------------------------
// Base mesh

TEST(BaseMesh, ForgetsADyingLibraryAndTheMaterialsCachedFromIt)
{
    TGLBaseMesh mesh(nullptr);
    auto* library = new TGLMaterialLibrary(nullptr);
    auto* lightmaps = new TGLMaterialLibrary(nullptr);
    library->Materials()->Add()->SetName("stone");
    mesh.SetMaterialLibrary(library);
    mesh.SetLightmapLibrary(lightmaps);
    auto* meshObject = new TGLMeshObject(mesh.MeshObjects());
    meshObject->SetMode(momFaceGroups);
    auto* group = new TFGVertexIndexList(meshObject->FaceGroups());
    group->SetMaterialName("stone");
    EXPECT_EQ(meshObject->FaceGroups()->MaterialLibrary(), library);
    mesh.MeshObjects()->PrepareMaterialLibraryCache(library);
    ASSERT_NE(group->MaterialCache(), nullptr);

    Free(library);
    EXPECT_EQ(mesh.MaterialLibrary(), nullptr);
    EXPECT_EQ(group->MaterialCache(), nullptr);
    Free(lightmaps);
    EXPECT_EQ(mesh.LightmapLibrary(), nullptr);
}

// ---------------------------------------------------------------------------------------------------------
// Mesh objects

namespace {

// A mesh object with n vertices (x = index), normals, texture coordinates (s = index, t = 0.5) and colours.
TGLMeshObject* NewMeshObject(TGLMeshObjectList* owner, TGLMeshObjectMode mode, int n)
{
    auto* meshObject = new TGLMeshObject(owner);
    meshObject->SetMode(mode);
    for (int i = 0; i < n; ++i) {
        meshObject->Vertices()->Add(P(float(i), 0, 0));
        meshObject->Normals()->Add(P(0, 0, 1));
        meshObject->TexCoords()->Add(P(float(i), 0.5f, 0));
        meshObject->Colors()->Add(TVector4f{{{float(i), 0, 0, 1}}});
    }
    return meshObject;
}

TFGVertexIndexList* NewIndexGroup(TGLMeshObject* meshObject, TGLFaceGroupMeshMode mode,
                                  std::initializer_list<int32_t> indices)
{
    auto* group = new TFGVertexIndexList(meshObject->FaceGroups());
    group->SetMode(mode);
    group->VertexIndices()->AddIntegers(indices);
    return group;
}

// The X components of triangle tri's corners in the vertex list, which name the vertices; empty when there
// is no such triangle.
std::vector<float> Corners(TGLMeshObject& meshObject, int32_t tri)
{
    TVector3f v0 = P(-1, -1, -1), v1 = v0, v2 = v0;
    if (!meshObject.GetTriangleData(tri, meshObject.Vertices(), v0, v1, v2)) {
        EXPECT_EQ(v0.X, -1); // untouched
        return {};
    }
    return {v0.X, v1.X, v2.X};
}

} // namespace

TEST(MeshObject, TrianglesOfEachModeAreCountedExtractedAndAddressed)
{
    TGLMeshObjectList list;
    TGLMeshObject& triangles = *NewMeshObject(&list, momTriangles, 7);
    TGLMeshObject& strip = *NewMeshObject(&list, momTriangleStrip, 5);
    TGLMeshObject& groups = *NewMeshObject(&list, momFaceGroups, 8);
    NewIndexGroup(&groups, fgmmQuads, {0, 1, 2, 3, 4, 5, 6, 7, 7});
    NewIndexGroup(&groups, fgmmTriangleFan, {7, 6, 5, 4});

    EXPECT_EQ(triangles.TriangleCount(), 2);
    EXPECT_EQ(strip.TriangleCount(), 3);
    EXPECT_EQ(groups.TriangleCount(), 6); // 2 whole quads, 2 fan triangles
    EXPECT_EQ(list.TriangleCount(), 11);

    // Seven vertices make no whole triangle list; the coordinates and normals are copied all the same.
    TAffineVectorList texCoords, normals;
    EXPECT_EQ(triangles.ExtractTriangles(&texCoords, &normals)->Count(), 0);
    EXPECT_EQ(texCoords.Count(), 7);
    EXPECT_EQ(normals.Count(), 7);

    // A strip is extracted with the winding kept and addressed without it.
    texCoords.Clear();
    const auto stripTriangles = strip.ExtractTriangles(&texCoords);
    std::vector<float> xs;
    for (int32_t i = 0; i < stripTriangles->Count(); ++i) xs.push_back(stripTriangles->List()[i].X);
    EXPECT_EQ(xs, (std::vector<float>{0, 1, 2, 3, 2, 1, 2, 3, 4}));
    EXPECT_EQ(texCoords.Count(), 9);
    EXPECT_EQ(Corners(strip, 1), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(Corners(strip, 3), std::vector<float>{});

    EXPECT_EQ(Corners(triangles, 1), (std::vector<float>{3, 4, 5}));
    EXPECT_EQ(Corners(triangles, 2), std::vector<float>{});
    EXPECT_EQ(Corners(triangles, -1), std::vector<float>{});

    // Quads: triangle 3 is indices 4, 6, 7 of the group; then the fan.
    EXPECT_EQ(Corners(groups, 3), (std::vector<float>{4, 6, 7}));
    EXPECT_EQ(Corners(groups, 4), (std::vector<float>{7, 6, 5}));
    EXPECT_EQ(Corners(groups, 5), (std::vector<float>{7, 5, 4}));
    EXPECT_EQ(Corners(groups, 6), std::vector<float>{});
}

TEST(MeshObject, TriangleAccessNeverLeavesTheLists)
{
    TGLMeshObject meshObject;
    meshObject.SetMode(momFaceGroups);
    for (int i = 0; i < 3; ++i) meshObject.Vertices()->Add(P(float(i), 0, 0));
    NewIndexGroup(&meshObject, fgmmTriangles, {0, 1, 2, 0, 2, 99, -3, 1, 2});
    EXPECT_EQ(Corners(meshObject, 0), (std::vector<float>{0, 1, 2}));
    EXPECT_EQ(Corners(meshObject, 1), std::vector<float>{});
    EXPECT_EQ(Corners(meshObject, 2), std::vector<float>{});

    // Writing goes to the corners of the triangle only, and not at all when one is missing.
    TVectorList colours;
    colours.AddNulls(3);
    const TVector4f red{{{1, 0, 0, 1}}};
    EXPECT_TRUE(meshObject.SetTriangleData(0, &colours, red, red, red));
    EXPECT_FALSE(meshObject.SetTriangleData(1, &colours, red, red, red));
    EXPECT_EQ(colours.List()[2].X, 1);
    colours.SetCount(2);
    TVector4f c0{}, c1{}, c2{};
    EXPECT_FALSE(meshObject.GetTriangleData(0, &colours, c0, c1, c2));
    EXPECT_EQ(c0.X, 0);

    // An index list that is no vertex-index group cannot be addressed.
    meshObject.FaceGroups()->Clear();
    EXPECT_EQ(Corners(meshObject, 0), std::vector<float>{});
}

TEST(MeshObject, ExtraSetsGrowOneBeyondTheOneRead)
{
    TGLMeshObject meshObject, other;
    EXPECT_EQ(meshObject.TexCoordsExCount(), 0);
    meshObject.TexCoordsEx(0);
    EXPECT_EQ(meshObject.TexCoordsExCount(), 2);
    meshObject.TexCoordsEx(1);
    EXPECT_EQ(meshObject.TexCoordsExCount(), 2);
    meshObject.Binormals();
    EXPECT_EQ(meshObject.TexCoordsExCount(), 4);
    other.Tangents();
    EXPECT_EQ(other.TexCoordsExCount(), 3);
    EXPECT_THROW(meshObject.SetTangentsTexCoordIndex(-1), EAssertionFailed);
    EXPECT_THROW(meshObject.SetBinormalsTexCoordIndex(-2), EAssertionFailed);
    EXPECT_EQ(meshObject.TangentsTexCoordIndex(), 1);
    EXPECT_EQ(meshObject.BinormalsTexCoordIndex(), 2);
}

TEST(MeshObject, TangentsFollowFallingSAndBinormalsFallingTInTheSurface)
{
    // A quad of two triangles in the z = 0 plane whose texture coordinates are its x and y; the last vertex's
    // normal leans, so its tangent is bent into its own plane.
    TGLMeshObject meshObject;
    meshObject.Vertices()->Add(P(0, 0, 0), P(1, 0, 0), P(0, 1, 0));
    meshObject.Vertices()->Add(P(1, 0, 0), P(1, 1, 0), P(0, 1, 0));
    for (int i = 0; i < 6; ++i) {
        const TVector3f v = meshObject.Vertices()->List()[i];
        meshObject.TexCoords()->Add(P(v.X, v.Y, 0));
        meshObject.Normals()->Add(P(0, 0, 1));
    }
    TVector3f leaning = P(1, 0, 1);
    AffineNormalizeInPlace(leaning);
    meshObject.Normals()->Put(5, leaning);
    meshObject.BuildTangentSpace(true, true);

    ASSERT_EQ(meshObject.Tangents()->Count(), 6);
    ASSERT_EQ(meshObject.Binormals()->Count(), 6);
    for (int i = 0; i < 5; ++i) {
        const TVector4f t = meshObject.Tangents()->List()[i], b = meshObject.Binormals()->List()[i];
        EXPECT_NEAR(t.X, -1, 1e-6) << i;
        EXPECT_NEAR(t.Y, 0, 1e-6) << i;
        EXPECT_NEAR(b.Y, -1, 1e-6) << i;
        EXPECT_EQ(t.W, 0);
    }
    const TVector4f bent = meshObject.Tangents()->List()[5];
    EXPECT_NEAR(bent.X, -std::sqrt(0.5f), 1e-6);
    EXPECT_NEAR(bent.Z, std::sqrt(0.5f), 1e-6);

    // Only what is asked for is built; the other set is left empty.
    meshObject.BuildTangentSpace(false, true);
    EXPECT_EQ(meshObject.Binormals()->Count(), 0);
    EXPECT_EQ(meshObject.Tangents()->Count(), 6);
}

TEST(MeshObject, TangentSpaceSkipsTrianglesWithoutNormalsOrCoordinates)
{
    TGLMeshObject meshObject;
    meshObject.Vertices()->Add(P(0, 0, 0), P(1, 0, 0), P(0, 1, 0));
    meshObject.Vertices()->Add(P(1, 1, 0), P(2, 1, 0), P(1, 2, 0));
    for (int i = 0; i < 3; ++i) {
        meshObject.Normals()->Add(P(0, 0, 1));
        meshObject.TexCoords()->Add(P(float(i % 2), float(i / 2), 0));
    }
    meshObject.BuildTangentSpace();
    EXPECT_NEAR(meshObject.Tangents()->List()[0].X, -1, 1e-6);
    for (int i = 3; i < 6; ++i) EXPECT_EQ(meshObject.Tangents()->List()[i].X, 0);
}

TEST(MeshObject, ExtentsAreCachedUntilTheVerticesChange)
{
    TGLMeshObject meshObject;
    TVector3f min, max;
    meshObject.GetExtents(min, max);
    EXPECT_TRUE(std::isinf(min.X) && min.X > 0);
    EXPECT_TRUE(std::isinf(max.X) && max.X < 0);

    meshObject.Vertices()->Add(P(-1, 2, 0), P(3, 4, 5));
    TAABB box;
    meshObject.GetExtents(box);
    ExpectVector(box.Min, -1, 2, 0);
    ExpectVector(box.Max, 3, 4, 5);
    EXPECT_TRUE(meshObject.PointInObject(P(3, 2, 0)));
    EXPECT_FALSE(meshObject.PointInObject(P(3, 2, 5.01f)));
    const TVector4f centre = meshObject.GetBarycenter();
    EXPECT_EQ(centre.X, 1);
    EXPECT_EQ(centre.Z, 2.5f);
    EXPECT_EQ(centre.W, 0);

    // A change that leaves the revision as it was is not seen (the cache follows the revision only).
    meshObject.Vertices()->List()[0] = P(-10, 2, 0);
    meshObject.GetExtents(min, max);
    EXPECT_EQ(min.X, -1);
    meshObject.Vertices()->Translate(P(1, 0, 0));
    meshObject.GetExtents(min, max);
    EXPECT_EQ(min.X, -9);
}

TEST(MeshObject, ClearEmptiesTheListsButKeepsTheExtraSets)
{
    TGLMeshObjectList list;
    TGLMeshObject& meshObject = *NewMeshObject(&list, momFaceGroups, 3);
    NewIndexGroup(&meshObject, fgmmTriangles, {0, 1, 2});
    meshObject.LightMapTexCoords()->Add(P(1, 1, 0));
    meshObject.TexCoordsEx(1)->Add(1, 2, 3, 4);
    meshObject.Clear();
    EXPECT_EQ(meshObject.Vertices()->Count() + meshObject.Normals()->Count() + meshObject.TexCoords()->Count() +
                  meshObject.Colors()->Count() + meshObject.LightMapTexCoords()->Count() +
                  meshObject.FaceGroups()->Count() + meshObject.TexCoordsEx(1)->Count(),
              0);
    EXPECT_EQ(meshObject.TexCoordsExCount(), 3);
    EXPECT_EQ(meshObject.Mode(), momFaceGroups);
}

// ---------------------------------------------------------------------------------------------------------
// Mesh object archive

namespace {

// A mesh object list with every kind of data: three mesh objects, face groups of each class.
std::unique_ptr<TGLMeshObjectList> RichList()
{
    auto list = std::make_unique<TGLMeshObjectList>();
    TGLMeshObject* walls = NewMeshObject(list.get(), momFaceGroups, 6);
    walls->SetName("walls");
    walls->SetRenderingOptions({moroGroupByMaterial});
    walls->LightMapTexCoords()->Add(P(0.5f, 0.25f, 0));
    walls->TexCoordsEx(2)->Add(1, 2, 3, 4);
    walls->SetBinormalsTexCoordIndex(0);
    walls->SetTangentsTexCoordIndex(2);
    TFGVertexIndexList* stone = NewIndexGroup(walls, fgmmTriangleStrip, {0, 1, 2, 3});
    stone->SetMaterialName("stone");
    stone->SetLightMapIndex(2);
    auto* normalTex = new TFGVertexNormalTexIndexList(walls->FaceGroups());
    normalTex->Add(0, 0, 1);
    normalTex->Add(1, 0, 2);
    normalTex->Add(2, 0, 3);
    normalTex->SetMaterialName("wood");
    auto* ownTex = new TFGIndexTexCoordList(walls->FaceGroups());
    ownTex->Add(3, 0.5f, 0.5f);
    ownTex->Add(4, 1, 0);
    ownTex->Add(5, 0, 1);
    TGLMeshObject* floor = NewMeshObject(list.get(), momTriangleStrip, 4);
    floor->SetName("floor");
    floor->SetVisible(false);
    NewMeshObject(list.get(), momTriangles, 0);
    return list;
}

// The archive of a mesh object of version 0, 1 or 2 as older programs wrote it, with one lightmap point and
// the mode, options block and (version 2) extra sets given.
std::string OldMeshObjectArchive(int32_t version, int32_t mode, const std::string& options, int32_t setCount = 0,
                                 int32_t binormals = 2, int32_t tangents = 1, int32_t declaredOptionsSize = -1)
{
    TStringStream stream;
    TBinaryWriter writer(&stream);
    writer.WriteInteger(0); // the list: version, entries
    writer.WriteListBegin();
    writer.WriteString("TGLMeshObject");
    TBaseMeshObject base;
    base.SetName("old");
    base.Vertices()->Add(P(1, 2, 3));
    base.WriteToFiler(&writer);
    writer.WriteInteger(version);
    TAffineVectorList texCoords;
    texCoords.WriteToFiler(&writer);
    if (version > 0) {
        TTexPointList lightmap;
        lightmap.Add(0.5f, 0.25f);
        lightmap.WriteToFiler(&writer);
    }
    TVectorList colours;
    colours.WriteToFiler(&writer);
    TPersistentObjectList groups;
    groups.WriteToFiler(&writer);
    writer.WriteInteger(mode);
    writer.WriteInteger(declaredOptionsSize >= 0 ? declaredOptionsSize : static_cast<int32_t>(options.size()));
    writer.Write(options.data(), static_cast<int64_t>(options.size()));
    if (version >= 2) {
        writer.WriteInteger(setCount);
        for (int32_t k = 0; k < setCount; ++k) colours.WriteToFiler(&writer);
        writer.WriteInteger(binormals);
        writer.WriteInteger(tangents);
    }
    writer.WriteListEnd();
    return stream.DataString();
}

} // namespace

TEST(MeshObjectArchive, ASavedListLoadsAndSavesTheSameBytes)
{
    const auto list = RichList();
    const std::string saved = list->SaveToString();
    TGLMeshObjectList loaded;
    loaded.LoadFromString(saved);
    EXPECT_EQ(loaded.SaveToString(), saved);

    ASSERT_EQ(loaded.Count(), 3);
    TGLMeshObject& walls = *loaded.Items(0);
    EXPECT_EQ(walls.Owner(), &loaded);
    EXPECT_EQ(walls.Name(), "walls");
    EXPECT_EQ(walls.Mode(), momFaceGroups);
    EXPECT_TRUE(walls.RenderingOptions().Contains(moroGroupByMaterial));
    EXPECT_EQ(walls.TexCoordsExCount(), 4);
    EXPECT_EQ(walls.TangentsTexCoordIndex(), 2);
    EXPECT_EQ(walls.BinormalsTexCoordIndex(), 0);
    ASSERT_EQ(walls.FaceGroups()->Count(), 3);
    EXPECT_EQ(walls.FaceGroups()->Items(0)->MaterialName(), "stone");
    EXPECT_EQ(walls.FaceGroups()->Items(0)->LightMapIndex(), 2);
    EXPECT_EQ(walls.FaceGroups()->Items(1)->ClassName(), "TFGVertexNormalTexIndexList");
    EXPECT_EQ(walls.FaceGroups()->Items(2)->ClassName(), "TFGIndexTexCoordList");
    EXPECT_FALSE(loaded.Items(1)->Visible());
    EXPECT_EQ(loaded.FindMeshByName("floor"), loaded.Items(1));
    EXPECT_EQ(loaded.FindMeshByName("Floor"), nullptr);

    // Copies hold the same data.
    TGLMeshObjectList assigned, cloned, original;
    (new TGLMeshObject(&assigned))->Assign(&walls);
    auto* clone = static_cast<TGLMeshObject*>(walls.CreateClone());
    cloned.Add(clone);
    clone->SetOwner(&cloned);
    loaded.Remove(&walls);
    walls.SetOwner(&original);
    original.Add(&walls);
    EXPECT_EQ(assigned.SaveToString(), original.SaveToString());
    EXPECT_EQ(cloned.SaveToString(), original.SaveToString());
}

TEST(MeshObjectArchive, OlderVersionsReadTheirLightmapCoordinates)
{
    TGLMeshObjectList list;
    for (const int32_t version : {1, 2}) {
        SCOPED_TRACE(version);
        list.LoadFromString(OldMeshObjectArchive(version, momTriangleStrip, std::string(1, '\1')));
        TGLMeshObject& meshObject = *list.Items(0);
        EXPECT_EQ(Floats(*meshObject.LightMapTexCoords()), (std::vector<float>{0.5f, 0.25f, 0}));
        EXPECT_EQ(meshObject.Mode(), momTriangleStrip);
        EXPECT_TRUE(meshObject.RenderingOptions().Contains(moroGroupByMaterial));
    }
    list.LoadFromString(OldMeshObjectArchive(0, momTriangles, std::string("\0\7\7", 3)));
    EXPECT_EQ(list.Items(0)->LightMapTexCoords()->Count(), 0);
    EXPECT_TRUE(list.Items(0)->RenderingOptions().Empty()); // the block's first byte
    list.LoadFromString(OldMeshObjectArchive(2, momTriangles, "", 3, 4, 0));
    EXPECT_EQ(list.Items(0)->TexCoordsExCount(), 3);
    EXPECT_EQ(list.Items(0)->BinormalsTexCoordIndex(), 4);
    EXPECT_TRUE(list.Items(0)->RenderingOptions().Empty());
}

TEST(MeshObjectArchive, ImpossibleDataIsRefusedWithTheArchiveError)
{
    const struct {
        const char* what;
        std::string archive;
    } refused[] = {
        {"a mode beyond face groups", OldMeshObjectArchive(1, 3, "")},
        {"a negative mode", OldMeshObjectArchive(1, -1, "")},
        {"a negative binormal set", OldMeshObjectArchive(2, 0, "", 0, -1, 1)},
        {"a negative tangent set", OldMeshObjectArchive(2, 0, "", 0, 2, -7)},
        {"a set index beyond the texture units", OldMeshObjectArchive(2, 0, "", 0, 2, 1000000000)},
        {"more extra sets than texture units", OldMeshObjectArchive(2, 0, "", 1000000)},
        {"a negative number of extra sets", OldMeshObjectArchive(2, 0, "", -1)},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.what);
        TGLMeshObjectList list;
        EXPECT_THROW(list.LoadFromString(c.archive), EReadError);
    }

    // An options block longer than the archive, and an archive cut short.
    TGLMeshObjectList list;
    EXPECT_THROW(list.LoadFromString(OldMeshObjectArchive(1, 0, "", 0, 2, 1, 1000000)), EReadError);
    const std::string good = OldMeshObjectArchive(2, 0, std::string(1, '\0'));
    for (size_t size = 0; size < good.size(); ++size) EXPECT_THROW(list.LoadFromString(good.substr(0, size)), Exception);

    for (const int32_t version : {4, -1}) {
        try {
            list.LoadFromString(OldMeshObjectArchive(version, 0, ""));
            ADD_FAILURE() << version;
        } catch (const EFilerException& e) {
            EXPECT_EQ(std::string(e.what()), "TGLMeshObject : unknown archive version " + std::to_string(version));
        }
    }
}

TEST(MeshObjectArchive, AListHoldsOnlyMeshObjects)
{
    const auto archiveWith = [](const std::function<void(TBinaryWriter&)>& entry) {
        TStringStream stream;
        TBinaryWriter writer(&stream);
        writer.WriteInteger(0);
        writer.WriteListBegin();
        entry(writer);
        writer.WriteListEnd();
        return stream.DataString();
    };
    const std::string intruder = archiveWith([](TBinaryWriter& writer) {
        writer.WriteString("TPersistentObjectList");
        TPersistentObjectList().WriteToFiler(&writer);
    });
    const std::string nil = archiveWith([](TBinaryWriter& writer) {
        writer.WriteBoolean(false);
        writer.WriteInteger(0);
    });
    for (const std::string& archive : {intruder, nil}) {
        TGLMeshObjectList list;
        new TGLMeshObject(&list);
        EXPECT_THROW(list.LoadFromString(archive), EReadError);
        EXPECT_EQ(list.Count(), 0);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Mesh object list

TEST(MeshObjectList, AnEmptyListHasFarExtentsAndUsesBuffers)
{
    TGLMeshObjectList list;
    TVector3f min, max;
    list.GetExtents(min, max);
    ExpectVector(min, 1e30f, 1e30f, 1e30f);
    ExpectVector(max, -1e30f, -1e30f, -1e30f);
    EXPECT_TRUE(list.UseVBO());

    // An empty mesh object leaves the start values; invisible ones count.
    NewMeshObject(&list, momTriangles, 0);
    TGLMeshObject* hidden = NewMeshObject(&list, momTriangles, 3);
    hidden->SetVisible(false);
    list.GetExtents(min, max);
    ExpectVector(min, 0, 0, 0);
    ExpectVector(max, 2, 0, 0);

    hidden->SetUseVBO(false);
    EXPECT_FALSE(list.UseVBO());
    list.SetUseVBO(true);
    EXPECT_TRUE(hidden->UseVBO());
}

TEST(MeshObjectList, ExtractedCoordinatesAndNormalsStayParallelToTheCorners)
{
    TGLMeshObjectList list;
    NewMeshObject(&list, momTriangles, 7);       // no whole triangle list, 7 coordinates
    NewMeshObject(&list, momTriangleStrip, 4);   // 2 triangles
    TGLMeshObject* groups = NewMeshObject(&list, momFaceGroups, 4);
    groups->TexCoords()->Clear();                // zero coordinates for its corners
    NewIndexGroup(groups, fgmmTriangles, {3, 2, 1});
    NewMeshObject(&list, momTriangles, 3)->SetVisible(false);

    TAffineVectorList texCoords, normals;
    texCoords.Add(P(9, 9, 9));
    const auto triangles = list.ExtractTriangles(&texCoords, &normals);
    EXPECT_EQ(triangles->Count(), 9);
    EXPECT_EQ(texCoords.Count(), 10);
    EXPECT_EQ(normals.Count(), 9);
    EXPECT_EQ(texCoords.List()[1].X, 0); // strip corner 0
    EXPECT_EQ(texCoords.List()[4].X, 3); // strip's second triangle starts at corner 3
    EXPECT_EQ(texCoords.List()[7].X, 0); // no coordinates in the group's mesh object

    list.Translate(P(0, 1, 0));
    EXPECT_EQ(list.Items(3)->Vertices()->List()[0].Y, 1);
}

TEST(MeshObjectList, ClearFreesTheMeshObjectsAndAFreedOneLeavesItsList)
{
    TGLMeshObjectList list;
    auto* first = NewMeshObject(&list, momTriangles, 3);
    NewMeshObject(&list, momTriangles, 3);
    Free(first);
    EXPECT_EQ(list.Count(), 1);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}
