// Reads arbitrary bytes as 3DS node objects with their tracks: after a first byte that chooses, either the
// archive of a mesh object list, into a base mesh that has a light and a camera of the names such archives use,
// or the component stream of a 3DS free form or actor, whose mesh objects come in its "MeshObjectsData". What
// loads must write back the same; then the nodes are placed at several frames (adopting the mesh's light and
// camera, an actor's frames too), copied, evaluated track by track and taken apart with the mesh. Any outcome
// but an Exception is a fault.
#include "GLFile3DSSceneObjects.h"

#include "ComponentStreams.h"
#include "Streams.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

namespace {

// Each step may fail on data that does not fit it (frames beyond the morph targets); the next still runs.
template <class F> void Try(F&& step)
{
    try {
        step();
    } catch (const Exception&) {
    }
}

using TMesh = std::unique_ptr<TGLBaseMesh, TFreeDeleter>;

TMesh NewMesh()
{
    TMesh mesh(new TGLBaseMesh(nullptr));
    TGLBaseSceneObject::CreateAsChild<TGLFile3DSLight>(mesh.get())->SetName("Lamp");
    TGLBaseSceneObject::CreateAsChild<TGLFile3DSCamera>(mesh.get())->SetName("Eye");
    return mesh;
}

const double cFrames[] = {-1, 0, 0.5, 7, 1e9, std::numeric_limits<double>::quiet_NaN()};

void Exercise(TGLFile3DSDummyObject& node, TGLBaseMesh& other)
{
    for (double frame : cFrames) node.SetFrame(frame);
    TVector3f min, max;
    node.GetExtents(min, max);
    node.ExtractTriangles();
    for (int32_t i = 0; i < node.AnimList()->Count(); ++i)
        for (double frame : cFrames) {
            TGLFile3DSAnimationData data;
            node.AnimList()->Items(i)->Apply(data, frame);
        }
    // A copy in another mesh has the same tracks and the same parent.
    auto* copy = static_cast<TGLFile3DSDummyObject*>(node.NewInstance());
    copy->SetOwner(other.MeshObjects());
    other.MeshObjects()->Add(copy);
    copy->Assign(&node);
    if (copy->AnimList()->SaveToString() != node.AnimList()->SaveToString() || copy->Parent() != node.Parent())
        __builtin_trap();
}

// The component stream of the mesh.
std::string Streamed(TGLBaseMesh& mesh)
{
    TStringStream stream;
    TWriter(stream).WriteRootComponent(&mesh);
    return stream.DataString();
}

// A T read from a component stream (nothing when it does not read).
template <class T> TMesh StreamedMesh(const std::string& bytes)
{
    TMesh mesh(new T(nullptr));
    TStringStream stream(bytes);
    try {
        TReader(stream).ReadRootComponent(mesh.get());
    } catch (const Exception&) {
        return nullptr;
    }
    return mesh;
}

template <class T> TMesh ReadStreamedMesh(const std::string& bytes)
{
    TMesh mesh = StreamedMesh<T>(bytes);
    if (!mesh) return nullptr;
    mesh->AxisAlignedDimensionsUnscaled();
    mesh->BarycenterAbsolutePosition();
    const std::string saved = Streamed(*mesh);
    TMesh again = StreamedMesh<T>(saved);
    if (!again || Streamed(*again) != saved) __builtin_trap();
    if (auto* actor = dynamic_cast<TGLActor*>(mesh.get())) {
        Try([&] { actor->ApplyCurrentFrame(); });
        actor->NextFrame(3);
        Try([&] { actor->ApplyCurrentFrame(); });
    }
    return mesh;
}

// The mesh with the list read from an archive (nothing when it does not read).
TMesh ReadList(const std::string& bytes)
{
    TMesh mesh = NewMesh();
    try {
        mesh->MeshObjects()->LoadFromString(bytes);
    } catch (const Exception&) {
        return nullptr;
    }
    const std::string saved = mesh->MeshObjects()->SaveToString();
    TMesh again = NewMesh();
    again->MeshObjects()->LoadFromString(saved);
    if (again->MeshObjects()->SaveToString() != saved) __builtin_trap();
    return mesh;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    TMesh mesh = data[0] % 3 == 0   ? ReadList(bytes)
                 : data[0] % 3 == 1 ? ReadStreamedMesh<TGLFile3DSFreeForm>(bytes)
                                    : ReadStreamedMesh<TGLFile3DSActor>(bytes);
    if (!mesh) return 0;
    TGLMeshObjectList& list = *mesh->MeshObjects();

    TMesh other = NewMesh();
    for (int32_t i = 0; i < list.Count(); ++i)
        if (auto* node = dynamic_cast<TGLFile3DSDummyObject*>(list.Items(i))) {
            // Nodes of one list are each other's parents.
            if (i > 0) node->SetParent(dynamic_cast<TGLFile3DSDummyObject*>(list.Items(i - 1)));
            Try([&] { Exercise(*node, *other); });
        }
    Try([&] { list.MorphTo(0); });
    Try([&] { list.Lerp(0, 1, 0.5f); });
    // The mesh's children go first, then the first node, then the rest with the mesh; the copies last.
    mesh->DeleteChildren();
    for (int32_t i = 0; i < list.Count(); ++i)
        if (auto* node = dynamic_cast<TGLFile3DSDummyObject*>(list.Items(i))) node->SetFrame(0);
    if (list.Count() > 0) list.DeleteAndFree(0);
    mesh.reset();
    other.reset();
    return 0;
}
