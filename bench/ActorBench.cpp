// Actor frames of a 20,000-vertex mesh as the frame clock drives them: a morph actor blending two of its
// targets beside a plain loop blending the same arrays, and a skeletal actor on a chain of 32 bones with two
// controller layers beside the same blend and skinning called on the skeleton directly.
#include "GLVectorFileObjects.h"

#include "GLVectorGeometry.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>
#include "BenchBaseline.h"
#include "SkinnedChain.h"

namespace {

constexpr int32_t kVertices = 20000;
constexpr int32_t kTargets = 8;
constexpr int32_t kBones = 32;
// A frame of a 60 Hz display against the actor's 100 ms per frame.
constexpr double kFrameSeconds = 1.0 / 60;

TVector3f P(float x, float y, float z)
{
    return TVector3f{{{x, y, z}}};
}

// Target t: a sphere of points breathing with t, the normals turning with it.
TVector3f TargetVertex(int32_t i, int32_t t)
{
    const float a = static_cast<float>(i) * 0.01f, b = static_cast<float>(i) * 0.37f;
    const float r = 1 + 0.1f * static_cast<float>(t);
    return P(r * std::cos(a) * std::sin(b), r * std::sin(a) * std::sin(b), r * std::cos(b));
}

struct TMorphScene {
    TGLActor Actor{nullptr};
    TMorphableMeshObject* Morph = new TMorphableMeshObject(Actor.MeshObjects());

    TMorphScene()
    {
        for (int32_t i = 0; i < kVertices; ++i) {
            Morph->Vertices()->Add(TargetVertex(i, 0));
            Morph->Normals()->Add(TargetVertex(i, 0));
        }
        for (int32_t t = 0; t < kTargets; ++t) {
            auto* target = new TMeshMorphTarget(Morph->MorphTargets());
            for (int32_t i = 0; i < kVertices; ++i) {
                target->Vertices()->Add(TargetVertex(i, t));
                target->Normals()->Add(TargetVertex(i, t + 1));
            }
        }
        Actor.PrepareMesh();
        Actor.SetAnimationMode(aamLoop);
    }
};

void BM_MorphActorFrame(benchmark::State& state)
{
    TMorphScene scene;
    for (auto _ : state) {
        scene.Actor.DoProgress(TProgressTimes{kFrameSeconds, 0});
        scene.Actor.ApplyCurrentFrame();
        benchmark::DoNotOptimize(scene.Morph->Vertices()->List());
    }
    state.SetItemsProcessed(state.iterations() * kVertices);
}
BENCHMARK(BM_MorphActorFrame);

// The same blend on bare arrays: vertices and normals between two targets, the normals normalised.
void BM_PlainMorphBlend(benchmark::State& state)
{
    TMorphScene scene;
    const TAffineVectorList& v1 = *scene.Morph->MorphTargets()->Items(0)->Vertices();
    const TAffineVectorList& v2 = *scene.Morph->MorphTargets()->Items(1)->Vertices();
    const TAffineVectorList& n1 = *scene.Morph->MorphTargets()->Items(0)->Normals();
    const TAffineVectorList& n2 = *scene.Morph->MorphTargets()->Items(1)->Normals();
    std::vector<TVector3f> vertices(kVertices), normals(kVertices);
    float t = 0;
    for (auto _ : state) {
        t = t >= 0.9f ? 0.05f : t + 0.1667f;
        for (int32_t i = 0; i < kVertices; ++i) {
            AffineLerp(v1.List()[i], v2.List()[i], t, vertices[i]);
            AffineLerp(n1.List()[i], n2.List()[i], t, normals[i]);
            AffineNormalizeInPlace(normals[i]);
        }
        benchmark::DoNotOptimize(vertices.data());
        benchmark::DoNotOptimize(normals.data());
    }
    state.SetItemsProcessed(state.iterations() * kVertices);
}
BENCHMARK(BM_PlainMorphBlend);
BENCHMARK_BASELINE(BM_MorphActorFrame, BM_PlainMorphBlend);

// A chain of bones with four frames (two of walking, two of a layer to blend in), a tube skinned to it two
// bones per vertex, and two controllers blending the layer's frames into the walk.
struct TSkeletalScene {
    TGLActor Actor{nullptr};
    TGLSkeleton& Skeleton = *Actor.Skeleton();
    TGLSkeletonMeshObject* Skinned = new TGLSkeletonMeshObject(Actor.MeshObjects());
    TGLAnimationControler First{nullptr};
    TGLAnimationControler Second{nullptr};

    TSkeletalScene()
    {
        AddBoneChain(Skeleton, kBones);
        AddBentFrames(Skeleton, kBones, {0.0f, 0.05f, 0.01f, -0.02f});
        Skeleton.MorphMesh(true);
        AddSkinnedTube(*Skinned, kVertices, kBones);
        Skinned->PrepareBoneMatrixInvertedMeshes();
        Actor.SetReference(aarSkeleton);
        Actor.PrepareMesh();
        Actor.Animations()->Add()->SetAsString("walk,0,1,skeleton");
        Actor.Animations()->Add()->SetAsString("layer,2,3,skeleton");
        Actor.SwitchToAnimation("walk");
        Actor.SetAnimationMode(aamLoop);
        for (TGLAnimationControler* controler : {&First, &Second}) {
            controler->SetAnimationName("layer");
            controler->SetRatio(controler == &First ? 0.25f : 0.75f);
            controler->SetActor(&Actor);
        }
    }
};

void BM_SkeletalActorFrameWithControlers(benchmark::State& state)
{
    TSkeletalScene scene;
    for (auto _ : state) {
        scene.Actor.DoProgress(TProgressTimes{kFrameSeconds, 0});
        scene.Actor.ApplyCurrentFrame();
        benchmark::DoNotOptimize(scene.Skinned->Vertices()->List());
    }
    state.SetItemsProcessed(state.iterations() * kVertices);
}
BENCHMARK(BM_SkeletalActorFrameWithControlers);

// The same three layers blended and the mesh skinned, asked of the skeleton directly.
void BM_SkeletonBlendedFrame(benchmark::State& state)
{
    TSkeletalScene scene;
    std::vector<TBlendedLerpInfo> layers(3);
    layers[0].frameIndex2 = 1;
    layers[1].frameIndex1 = layers[2].frameIndex1 = 2;
    layers[1].frameIndex2 = layers[2].frameIndex2 = 3;
    layers[1].lerpFactor = 0.25f;
    layers[2].lerpFactor = 0.75f;
    float t = 0;
    for (auto _ : state) {
        t = t >= 0.9f ? 0.05f : t + 0.1667f;
        layers[0].lerpFactor = t;
        scene.Skeleton.BlendedLerps(layers);
        scene.Skeleton.MorphMesh(true);
        benchmark::DoNotOptimize(scene.Skinned->Vertices()->List());
    }
    state.SetItemsProcessed(state.iterations() * kVertices);
}
BENCHMARK(BM_SkeletonBlendedFrame);
BENCHMARK_BASELINE(BM_SkeletalActorFrameWithControlers, BM_SkeletonBlendedFrame);

} // namespace
