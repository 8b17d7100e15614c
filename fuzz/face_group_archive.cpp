// Reads arbitrary bytes as the face groups of a mesh object and uses them: the first five bytes size the mesh
// object's vertices, normals, texture and lightmap coordinates and colours (0 to 7 each), the rest is the face
// groups' archive. Any outcome but an Exception is a fault, and so are face groups that do not write back what
// they read, extracted lists that are not parallel, and a draw that reaches an entry outside a list: the fake
// OpenGL below checks every pointer and index it is handed against the lists it may come from.
#include "GLMaterial.h"
#include "GLVectorFileObjects.h"
#include "ReadingGL.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

// A list the draw may read: its items from First, Count of them, ItemSize bytes each.
struct TKnownList {
    const uint8_t* First;
    int32_t Count;
    int32_t ItemSize;
};
std::vector<TKnownList> vKnown;

template <class TList> void Know(const TList& list)
{
    if (list.Count() > 0)
        vKnown.push_back({reinterpret_cast<const uint8_t*>(list.List()), list.Count(), list.ItemSize()});
}

// The list holding count items from p, each of components floats (or Integers), starting on an item.
const TKnownList& Within(const void* p, int32_t count, int32_t components)
{
    const auto* first = static_cast<const uint8_t*>(p);
    for (const TKnownList& list : vKnown) {
        const int64_t offset = first - list.First;
        if (offset < 0 || offset % list.ItemSize != 0 || list.ItemSize < components * 4) continue;
        if (offset / list.ItemSize + count <= list.Count) return list;
    }
    __builtin_trap();
}

// The arrays the face groups declare are tracked by the reading fake OpenGL; the draws here check them instead of
// reading them.
void DrawElements(GLenum, GLsizei count, GLenum, const void* indices)
{
    const TKnownList& indexList = Within(indices, count, 1);
    const auto* first = reinterpret_cast<const int32_t*>(indexList.First) +
                        (static_cast<const uint8_t*>(indices) - indexList.First) / 4;
    for (const ReadingGL::TArray& array : ReadingGL::vArrays) {
        if (!array.Enabled || !array.Data) continue;
        const TKnownList& list = Within(array.Data, 1, array.Components);
        const int64_t start = (static_cast<const uint8_t*>(array.Data) - list.First) / list.ItemSize;
        for (GLsizei i = 0; i < count; ++i)
            if (first[i] < 0 || start + first[i] >= list.Count) __builtin_trap();
    }
}

template <int Components> void Attribute(const GLfloat* v)
{
    Within(v, 1, Components);
}
void MultiTexCoord(GLenum, const GLfloat* v)
{
    Within(v, 1, 4);
}

void CheckDraws(TGLExtensionsAndEntryPoints& gl)
{
    gl.DrawElements = &DrawElements;
    gl.Vertex3fv = &Attribute<3>;
    gl.Normal3fv = &Attribute<3>;
    gl.Color4fv = &Attribute<4>;
    gl.TexCoord2fv = &Attribute<2>;
    gl.MultiTexCoord4fv = &MultiTexCoord;
}

// The fake OpenGL's context with checking draws and a lightmap library, for every input.
struct TDrawing : TReadingGLDrawing {
    TDrawing()
    {
        CheckDraws(*Context->GL());
        CheckDraws(Table);
        Lightmaps->AddTextureMaterial("lightmap", nullptr);
        Rci.lightmapLibrary = Lightmaps;
    }
    TGLMaterialLibrary* Lightmaps = new TGLMaterialLibrary(nullptr);
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TDrawing* drawing = new TDrawing();
    if (size < 5) return 0;
    TGLMeshObject meshObject;
    meshObject.SetMode(momFaceGroups);
    // Lists of different lengths, so an index can be inside one and outside another.
    for (int i = 0; i < (data[0] & 7); ++i) meshObject.Vertices()->Add(float(i), 1.0f, 2.0f);
    for (int i = 0; i < (data[1] & 7); ++i) meshObject.Normals()->Add(0.0f, 0.0f, 1.0f);
    for (int i = 0; i < (data[2] & 7); ++i) meshObject.TexCoords()->Add(float(i), 0.5f);
    for (int i = 0; i < (data[3] & 7); ++i) meshObject.LightMapTexCoords()->Add(0.5f, float(i));
    for (int i = 0; i < (data[4] & 7); ++i) meshObject.Colors()->AddPoint(1.0f, 1.0f, 1.0f);
    const std::string bytes(reinterpret_cast<const char*>(data) + 5, size - 5);
    try {
        TGLFaceGroups& groups = *meshObject.FaceGroups();
        groups.LoadFromString(bytes);
        const std::string saved = groups.SaveToString();
        TGLFaceGroups again;
        again.LoadFromString(saved);
        if (again.SaveToString() != saved) __builtin_trap();

        TAffineVectorList texCoords, normals;
        const std::unique_ptr<TAffineVectorList> triangles = meshObject.ExtractTriangles(&texCoords, &normals);
        if (texCoords.Count() != triangles->Count() || normals.Count() != triangles->Count() ||
            triangles->Count() > meshObject.TriangleCount() * 3) // a quad group counts an unfinished quad's pair too
            __builtin_trap();

        vKnown.clear();
        for (const TAffineVectorList* list : {meshObject.Vertices(), meshObject.Normals(), meshObject.TexCoords(),
                                              meshObject.LightMapTexCoords()})
            Know(*list);
        Know(*meshObject.Colors());
        for (int32_t i = 0; i < groups.Count(); ++i) {
            if (auto* group = dynamic_cast<TFGVertexIndexList*>(groups.Items(i))) Know(*group->VertexIndices());
            if (auto* group = dynamic_cast<TFGIndexTexCoordList*>(groups.Items(i))) Know(*group->TexCoords());
        }
        meshObject.BuildList(drawing->Rci);
    } catch (const Exception&) {
    }
    return 0;
}
