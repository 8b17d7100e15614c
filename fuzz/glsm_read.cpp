// Any bytes as a glsm mesh file loaded into a free form: a load either succeeds or raises an Exception and
// leaves the mesh as it was. What loads writes back an archive that reads back to itself, hands out parallel
// triangle lists, answers ray casts (brute force and through an octree) and draws through a fake OpenGL that
// reads every value it is pointed at, so that a draw outside a list is a sanitizer report.
#include "GLMaterial.h"
#include "GLSilhouette.h"
#include "GLVectorFileObjects.h"
#include "ReadingGL.h"
#include "Streams.h"

#include <cstdint>
#include <memory>
#include <string>

namespace {

void Check(bool condition)
{
    if (!condition) __builtin_trap();
}

// The fake OpenGL's context with the libraries the meshes draw with, for every input.
struct TDrawing : TReadingGLDrawing {
    TDrawing()
    {
        for (const char* name : {"stone", "wood"}) Library->Materials()->Add()->SetName(name);
        Lightmaps->AddTextureMaterial("lightmap", nullptr);
    }
    TGLMaterialLibrary* Library = new TGLMaterialLibrary(nullptr);
    TGLMaterialLibrary* Lightmaps = new TGLMaterialLibrary(nullptr);
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TDrawing* drawing = new TDrawing();
    TGLFreeForm mesh(nullptr);
    mesh.SetMaterialLibrary(drawing->Library);
    mesh.SetLightmapLibrary(drawing->Lightmaps);
    // Whatever the file holds is appended to this mesh object, or the mesh stays as it is.
    auto* before = new TGLMeshObject(mesh.MeshObjects());
    before->Vertices()->Add(0.0f, 0.0f, 0.0f);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TStringStream input(bytes);
    try {
        mesh.AddDataFromStream("fuzz.glsm", input);
    } catch (const Exception&) {
        Check(mesh.MeshObjects()->Count() == 1 && mesh.MeshObjects()->Items(0) == before);
        return 0;
    }
    Check(mesh.MeshObjects()->Items(0) == before);
    Free(before);

    try {
        TStringStream written;
        mesh.SaveToStream("fuzz.glsm", written);
        TGLFreeForm copy(nullptr);
        written.SetPosition(0);
        copy.LoadFromStream("copy.glsm", written);
        TStringStream again;
        copy.SaveToStream("again.glsm", again);
        Check(again.DataString() == written.DataString());

        TAffineVectorList texCoords, normals;
        const std::unique_ptr<TAffineVectorList> triangles =
            mesh.MeshObjects()->ExtractTriangles(&texCoords, &normals);
        Check(texCoords.Count() == triangles->Count() && normals.Count() == triangles->Count());
        TVector4f point, normal;
        const TVector4f start{{{0.25f, 0.5f, 10, 1}}}, down{{{0, 0, -1, 0}}};
        mesh.RayCastIntersect(start, down, &point, &normal);
        mesh.BuildOctree(2);
        mesh.OctreeRayCastIntersect(start, down, &point, &normal);
        TGLSilhouetteParameters light{};
        light.SeenFrom.Z = 10;
        mesh.GenerateSilhouette(light);

        mesh.MeshObjects()->SetUseVBO(false);
        TGLRenderContextInfo rci = drawing->Rci;
        mesh.DoRender(rci, true, false);
    } catch (const Exception&) {
    }
    return 0;
}
