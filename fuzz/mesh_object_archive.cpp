// Reads arbitrary bytes as the archive of a mesh object list (mesh objects with their lists, face groups and
// options). Any outcome but an Exception is a fault; so is a list that does not write back what it read, or
// whose triangles, tangents and extents reach outside its lists.
#include "GLVectorFileObjects.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        TGLMeshObjectList list;
        list.LoadFromString(bytes);
        const std::string saved = list.SaveToString();
        TGLMeshObjectList again;
        again.LoadFromString(saved);
        if (again.SaveToString() != saved) __builtin_trap();

        TAffineVectorList texCoords, normals;
        const auto triangles = list.ExtractTriangles(&texCoords, &normals);
        if (texCoords.Count() != triangles->Count() || normals.Count() != triangles->Count()) __builtin_trap();
        TVector3f min, max;
        list.GetExtents(min, max);
        for (int32_t i = 0; i < list.Count(); ++i) {
            TGLMeshObject& meshObject = *list.Items(i);
            const int32_t count = meshObject.TriangleCount();
            TVector3f v0, v1, v2;
            for (int32_t t = -1; t <= count; ++t) meshObject.GetTriangleData(t, meshObject.Vertices(), v0, v1, v2);
            meshObject.BuildTangentSpace(true, true);
            if (meshObject.Tangents()->Count() != meshObject.Vertices()->Count()) __builtin_trap();
        }
    } catch (const Exception&) {
    }
    return 0;
}
