// Skeletal animation of a 20,000-vertex mesh skinned to a chain of 32 bones, two bones per vertex: skinning
// alone beside a plain loop doing the same arithmetic on bare arrays, and a whole animation frame (the pose
// interpolated between two frames, the bones placed, the mesh skinned).
#include "GLVectorFileObjects.h"

#include "GLVectorGeometry.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>
#include "BenchBaseline.h"
#include "SkinnedChain.h"

namespace {

constexpr int32_t kBones = 32;
constexpr int32_t kVertices = 20000;

TVector3f P(float x, float y, float z)
{
    return TVector3f{{{x, y, z}}};
}

struct TSkinnedScene {
    TGLBaseMesh Mesh{nullptr};
    TGLSkeleton& Skeleton = *Mesh.Skeleton();
    TGLSkeletonMeshObject* Skinned = new TGLSkeletonMeshObject(Mesh.MeshObjects());

    TSkinnedScene()
    {
        AddBoneChain(Skeleton, kBones);
        AddBentFrames(Skeleton, kBones, {0.0f, 0.05f});
        Skeleton.MorphMesh(true);
        AddSkinnedTube(*Skinned, kVertices, kBones);
        Skinned->PrepareBoneMatrixInvertedMeshes();
        Skeleton.Lerp(0, 1, 0.5f);
        Skeleton.RootBones()->PrepareGlobalMatrices();
    }
};

void BM_SkinnedMeshApplyFrame(benchmark::State& state)
{
    TSkinnedScene scene;
    for (auto _ : state) {
        scene.Skinned->ApplyCurrentSkeletonFrame(true);
        benchmark::DoNotOptimize(scene.Skinned->Vertices()->List());
    }
    state.SetItemsProcessed(state.iterations() * kVertices);
}
BENCHMARK(BM_SkinnedMeshApplyFrame);

// The same weighted sums on bare arrays: positions and normals in each bone's space, the bone matrices by
// index, then the normals normalised.
void BM_PlainSkinning(benchmark::State& state)
{
    TSkinnedScene scene;
    std::vector<TMatrix4f> matrices(kBones);
    for (int32_t id = 0; id < kBones; ++id) matrices[id] = scene.Skeleton.BoneByID(id)->GlobalMatrix();
    struct TInfluence {
        int32_t Bone;
        float Weight;
        TVector3f Position, Normal;
    };
    std::vector<TInfluence> influences;
    for (int32_t i = 0; i < kVertices; ++i)
        for (int32_t slot = 0; slot < 2; ++slot) {
            const TVertexBoneWeight& entry = scene.Skinned->VerticesBonesWeights(i)[slot];
            const TBaseMeshObject& inverted = *scene.Skinned->BoneMatrixInvertedMesh(slot);
            influences.push_back({entry.BoneID, entry.Weight, inverted.Vertices()->List()[i],
                                  inverted.Normals()->List()[i]});
        }
    std::vector<TVector3f> vertices(kVertices), normals(kVertices);
    for (auto _ : state) {
        for (int32_t i = 0; i < kVertices; ++i) {
            TVector3f vertex{}, normal{};
            for (int32_t slot = 0; slot < 2; ++slot) {
                const TInfluence& influence = influences[2 * i + slot];
                const TMatrix4f& m = matrices[influence.Bone];
                TVector3f p, n;
                AffineTransformPoint(influence.Position, m, p);
                TVector4f d;
                HmgTransform(TVector4f{{{influence.Normal.X, influence.Normal.Y, influence.Normal.Z, 0}}}, m, d);
                n = P(d.X, d.Y, d.Z);
                AffineAddScaledInPlace(vertex, p, influence.Weight);
                AffineAddScaledInPlace(normal, n, influence.Weight);
            }
            vertices[i] = vertex;
            AffineNormalizeInPlace(normal);
            normals[i] = normal;
        }
        benchmark::DoNotOptimize(vertices.data());
        benchmark::DoNotOptimize(normals.data());
    }
    state.SetItemsProcessed(state.iterations() * kVertices);
}
BENCHMARK(BM_PlainSkinning);
BENCHMARK_BASELINE(BM_SkinnedMeshApplyFrame, BM_PlainSkinning);

// One frame of an actor: the pose between two frames, then the bones and the mesh.
void BM_SkeletonAnimationFrame(benchmark::State& state)
{
    TSkinnedScene scene;
    float t = 0;
    for (auto _ : state) {
        t = t >= 1 ? 0 : t + 0.01f;
        scene.Skeleton.Lerp(0, 1, t);
        scene.Skeleton.MorphMesh(true);
        benchmark::DoNotOptimize(scene.Skinned->Vertices()->List());
    }
    state.SetItemsProcessed(state.iterations() * kVertices);
}
BENCHMARK(BM_SkeletonAnimationFrame);

} // namespace
