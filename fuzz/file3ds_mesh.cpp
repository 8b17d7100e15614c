// Any bytes loaded into a free form as a 3DS file, with a material library, a light-map library and no picture
// file to be found: a load either succeeds or raises E3DSError (a corrupt file) or EGLFile3DS (a map that does
// not load, when missing textures are not ignored), and a failed load leaves the mesh empty. What loads has at
// most 65535 vertices per mesh object, per-vertex lists as long as its vertices, unit or zero normals and face
// groups that name only its vertices; it hands out parallel triangle lists, takes frame 0 and draws through a
// fake OpenGL that reads every value it is pointed at.
#include "File3DS.h"
#include "GLApplicationFileIO.h"
#include "GLFile3DS.h"
#include "GLMaterial.h"
#include "GLVectorGeometry.h"
#include "ReadingGL.h"
#include "Streams.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

namespace {

void Check(bool condition)
{
    if (!condition) __builtin_trap();
}

void CheckMeshObject(TGLMeshObject& meshObject)
{
    const int32_t count = meshObject.Vertices()->Count();
    Check(count <= 65535 && meshObject.Normals()->Count() == count);
    const int32_t texCoords = meshObject.TexCoords()->Count();
    Check(texCoords == 0 || texCoords == count);
    const int32_t lightMapCoords = meshObject.LightMapTexCoords()->Count();
    Check(lightMapCoords == 0 || lightMapCoords == texCoords);
    for (int32_t i = 0; i < count; ++i) {
        const double length = AffineLength(meshObject.Normals()->List()[i]);
        // Points beyond Single's range give normals that are no numbers.
        Check(!std::isfinite(length) || length == 0 || std::fabs(length - 1) < 1e-3);
    }
    TGLFaceGroups& groups = *meshObject.FaceGroups();
    for (int32_t g = 0; g < groups.Count(); ++g) {
        const TIntegerList& indices = *dynamic_cast<TFGVertexIndexList&>(*groups.Items(g)).VertexIndices();
        for (int32_t i = 0; i < indices.Count(); ++i) Check(indices.List()[i] >= 0 && indices.List()[i] < count);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TReadingGLDrawing* drawing = [] {
        SetFileExistsHook([](const std::string&) { return false; });
        return new TReadingGLDrawing();
    }();
    TGLMaterialLibrary library(nullptr);
    TGLMaterialLibrary lightMaps(nullptr);
    TGLFreeForm mesh(nullptr);
    mesh.SetMaterialLibrary(&library);
    mesh.SetLightmapLibrary(&lightMaps);
    mesh.SetIgnoreMissingTextures(size % 2 == 1);
    TMemoryStream input;
    input.WriteBuffer(data, static_cast<int64_t>(size));
    try {
        mesh.LoadFromStream("fuzz.3ds", input);
    } catch (const E3DSError&) {
        Check(mesh.MeshObjects()->Count() == 0);
        return 0;
    } catch (const EGLFile3DS&) {
        Check(mesh.MeshObjects()->Count() == 0);
        return 0;
    }

    TGLMeshObjectList& meshObjects = *mesh.MeshObjects();
    for (int32_t i = 0; i < meshObjects.Count(); ++i) CheckMeshObject(*meshObjects.Items(i));
    TAffineVectorList texCoords, normals;
    const std::unique_ptr<TAffineVectorList> triangles = meshObjects.ExtractTriangles(&texCoords, &normals);
    Check(triangles->Count() == 3 * meshObjects.TriangleCount() && texCoords.Count() == triangles->Count() &&
          normals.Count() == triangles->Count());
    if (meshObjects.MorphTargetCount() > 0) meshObjects.MorphTo(0);

    meshObjects.SetUseVBO(false);
    TGLRenderContextInfo rci = drawing->Rci;
    mesh.DoRender(rci, true, false);
    return 0;
}
