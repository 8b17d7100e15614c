// Reads arbitrary bytes as a skeleton and a mesh object list of one base mesh, then animates them: the first
// four bytes give the length of the skeleton's archive (little-endian, cut to what follows), the rest is the
// archive of the mesh objects (skinned and morphable ones among them). Any outcome but an Exception is a fault,
// and so is a skeleton or a list that does not write back what it read.
#include "GLVectorFileObjects.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// What obj writes is what an object of its class reads back and writes again.
template <class T> void CheckRoundTrip(T& obj)
{
    const std::string saved = obj.SaveToString();
    T again;
    again.LoadFromString(saved);
    if (again.SaveToString() != saved) __builtin_trap();
}

// Each step may fail on data that does not fit it (lists of other lengths, indices outside the frames);
// the next still runs.
template <class F> void Try(F&& step)
{
    try {
        step();
    } catch (const Exception&) {
    }
}

void Animate(TGLBaseMesh& mesh)
{
    TGLSkeleton& skeleton = *mesh.Skeleton();
    TGLMeshObjectList& meshObjects = *mesh.MeshObjects();
    const int32_t last = skeleton.Frames()->Count() - 1;
    skeleton.BoneCount();
    skeleton.BoneByName("");
    Try([&] { skeleton.BoneByID(0); });
    Try([&] { skeleton.MorphMesh(true); });
    Try([&] { skeleton.Lerp(0, last, 0.5f); });
    const std::vector<TBlendedLerpInfo> layers{{.frameIndex1 = 0, .frameIndex2 = last, .lerpFactor = 0.25f, .weight = 0.5f},
                                               {.frameIndex1 = last, .frameIndex2 = 0, .lerpFactor = 0.75f}};
    Try([&] { skeleton.BlendedLerps(layers); });
    Try([&] { skeleton.MorphMesh(false); });
    Try([&] { skeleton.MakeSkeletalTranslationStatic(0, last); });
    Try([&] { skeleton.MakeSkeletalRotationDelta(0, last); });
    Try([&] { skeleton.Frames()->ConvertRotationsToQuaternions(true, true); });
    Try([&] { skeleton.MorphTo(last); });
    skeleton.StartRagdoll();
    Try([&] { skeleton.MorphMesh(true); });
    skeleton.StopRagdoll();
    const int32_t targets = meshObjects.MorphTargetCount();
    Try([&] { meshObjects.MorphTo(targets - 1); });
    Try([&] { meshObjects.Lerp(0, targets - 1, 0.3f); });
    Try([&] { skeleton.Synchronize(&skeleton); });
    meshObjects.Translate(TVector3f{{{1, 2, 3}}});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint32_t skeletonSize = 0;
    std::memcpy(&skeletonSize, data, std::min<size_t>(size, 4));
    const size_t start = std::min<size_t>(size, 4);
    const size_t split = start + std::min<size_t>(skeletonSize, size - start);
    const std::string skeletonBytes(reinterpret_cast<const char*>(data) + start, split - start);
    const std::string meshObjectBytes(reinterpret_cast<const char*>(data) + split, size - split);

    TGLBaseMesh mesh{nullptr};
    Try([&] {
        mesh.Skeleton()->LoadFromString(skeletonBytes);
        CheckRoundTrip(*mesh.Skeleton());
    });
    Try([&] {
        mesh.MeshObjects()->LoadFromString(meshObjectBytes);
        CheckRoundTrip(*mesh.MeshObjects());
    });
    Animate(mesh);
    return 0;
}
