// OBJ files from any bytes, read into a mesh with a material library (every MTL file it names holds a few
// materials): a file either loads or raises EGLOBJFileError. What loads names only entries its lists hold, hands
// out three corners per triangle it counts, answers for each of them, builds its silhouette connectivity,
// archives and reads back byte for byte, and writes an OBJ file that reads back to as many triangles.
#include "GLApplicationFileIO.h"
#include "GLFileOBJ.h"
#include "GLMaterial.h"
#include "GLMeshConnectivity.h"
#include "Streams.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

const std::string cMaterials = "newmtl a\nKd 1 0 0\nd 0.5\nnewmtl b\nillum 2\nKs 1 1 1\nNs 20\nnewmtl c\nillum 0\n";

void Check(bool condition)
{
    if (!condition) std::abort();
}

bool Within(const TIntegerList& indices, int32_t lowest, int32_t count)
{
    for (int32_t i = 0; i < indices.Count(); ++i)
        if (indices.List()[i] < lowest || indices.List()[i] >= count) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // No file on disk is read: every name opens the materials above.
    static const bool hooked = [] {
        SetStreamFactoryHook([](const std::string&, uint16_t) -> std::unique_ptr<TStream> {
            return std::make_unique<TStringStream>(cMaterials);
        });
        return true;
    }();
    (void)hooked;

    TGLMaterialLibrary library(nullptr);
    // A free form, which the writer asks for.
    TGLFreeForm mesh(nullptr);
    mesh.SetMaterialLibrary(&library);
    TStringStream input(std::string(reinterpret_cast<const char*>(data), size));
    try {
        TGLOBJVectorFile file(&mesh);
        file.LoadFromStream(input);
    } catch (const EGLOBJFileError&) {
        return 0;
    }

    TGLMeshObject& meshObject = *mesh.MeshObjects()->Items(0);
    TGLFaceGroups& groups = *meshObject.FaceGroups();
    for (int32_t g = 0; g < groups.Count(); ++g) {
        auto& group = *dynamic_cast<TOBJFGVertexNormalTexIndexList*>(groups.Items(g));
        Check(Within(*group.VertexIndices(), 0, meshObject.Vertices()->Count()));
        Check(Within(*group.TexCoordIndices(), -1, meshObject.TexCoords()->Count()));
        // Polygon corners all have their normal once the file is in.
        Check(Within(*group.NormalIndices(), group.Mode() == objfgmmPolygons ? 0 : -1, meshObject.Normals()->Count()));
    }
    const int32_t triangles = meshObject.TriangleCount();
    TAffineVectorList texCoords, normals;
    const std::unique_ptr<TAffineVectorList> corners = meshObject.ExtractTriangles(&texCoords, &normals);
    Check(corners->Count() == 3 * triangles && texCoords.Count() == corners->Count() &&
          normals.Count() == corners->Count());
    TVector3f v0, v1, v2;
    for (int32_t t = 0; t < triangles; ++t) Check(meshObject.GetTriangleData(t, meshObject.Vertices(), v0, v1, v2));
    Check(!meshObject.GetTriangleData(triangles, meshObject.Vertices(), v0, v1, v2));
    TGLBaseMeshConnectivity connectivity(&mesh);
    Check(connectivity.FaceCount() <= triangles);

    const std::string archive = mesh.MeshObjects()->SaveToString();
    TGLMeshObjectList list;
    list.LoadFromString(archive);
    Check(list.SaveToString() == archive);

    TStringStream written;
    TGLOBJVectorFile(&mesh).SaveToStream(written);
    written.SetPosition(0);
    TGLBaseMesh copy(nullptr);
    TGLOBJVectorFile(&copy).LoadFromStream(written);
    Check(copy.MeshObjects()->Items(0)->TriangleCount() == triangles);
    return 0;
}
