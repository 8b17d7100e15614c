// The skeletal benchmarks' mesh: a chain of bones, each one unit above its parent, frames that bend every joint
// alike, and a tube along the chain whose vertices each hang on the bone below them (0.7) and the one above
// (0.3).
#pragma once

#include "GLVectorFileObjects.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

// Bones 0 .. bones - 1, each the child of the one before.
inline void AddBoneChain(TGLSkeleton& skeleton, int32_t bones)
{
    TGLSkeletonBoneList* parent = skeleton.RootBones();
    for (int32_t id = 0; id < bones; ++id) {
        auto* bone = new TGLSkeletonBone(parent);
        bone->SetBoneID(id);
        parent = bone;
    }
}

// One frame per bend: every joint turned by it about X and by half of it about Z.
inline void AddBentFrames(TGLSkeleton& skeleton, int32_t bones, std::initializer_list<float> bends)
{
    for (float bend : bends) {
        auto* frame = new TGLSkeletonFrame(skeleton.Frames());
        for (int32_t id = 0; id < bones; ++id) {
            frame->Position()->Add(TVector3f{{{0, id == 0 ? 0.0f : 1.0f, 0}}});
            frame->Rotation()->Add(TVector3f{{{bend, 0, bend * 0.5f}}});
        }
    }
}

inline void AddSkinnedTube(TGLSkeletonMeshObject& skinned, int32_t vertices, int32_t bones)
{
    for (int32_t i = 0; i < vertices; ++i) {
        const float height = static_cast<float>(i) / static_cast<float>(vertices) * static_cast<float>(bones);
        const float angle = static_cast<float>(i % 64);
        const int32_t bone = static_cast<int32_t>(height);
        const TVector3f normal{{{std::cos(angle), 0, std::sin(angle)}}};
        skinned.Vertices()->Add(TVector3f{{{normal.X, height, normal.Z}}});
        skinned.Normals()->Add(normal);
        skinned.AddWeightedBones({{bone, 0.7f}, {std::min(bone + 1, bones - 1), 0.3f}});
    }
}
