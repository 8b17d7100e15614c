// The animation-list text of an actor from any bytes. The actor has 5 morph frames and 3 skeleton frames (or,
// for an odd number of bytes, none of either), so the frame clamps run both ways. A text that does not read
// fails with an assertion or a conversion error and leaves the list as it was; one that reads writes back a
// text that reads back to itself. Then every animation is played: switched to at once and smoothly, stepped by
// the clock in each mode, blended in by a controller and applied to the mesh.
#include "GLVectorFileObjects.h"

#include "Streams.h"
#include "SysUtils.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::string Saved(const TGLActorAnimations& list)
{
    TStringStream stream;
    list.SaveToStream(stream);
    return stream.DataString();
}

// Reads text into list; false when it does not read.
bool Read(TGLActorAnimations& list, const std::string& text)
{
    TStringStream stream(text);
    try {
        list.LoadFromStream(stream);
    } catch (const EAssertionFailed&) {
        return false;
    } catch (const EConvertError&) {
        return false;
    }
    return true;
}

TVector3f P(float x, float y, float z)
{
    return TVector3f{{{x, y, z}}};
}

void AddFrames(TGLActor& actor)
{
    auto* morph = new TMorphableMeshObject(actor.MeshObjects());
    morph->Vertices()->Add(P(0, 0, 0));
    for (int i = 0; i < 5; ++i) (new TMeshMorphTarget(morph->MorphTargets()))->Vertices()->Add(P(float(i), 0, 0));
    TGLSkeleton& skeleton = *actor.Skeleton();
    (new TGLSkeletonBone(skeleton.RootBones()))->SetName("root");
    for (int i = 0; i < 3; ++i) {
        auto* frame = new TGLSkeletonFrame(skeleton.Frames());
        frame->Position()->Add(P(0, float(i), 0));
        frame->Rotation()->Add(P(0, 0, 0.5f * float(i)));
    }
    skeleton.RootBones()->PrepareGlobalMatrices();
    auto* skin = new TGLSkeletonMeshObject(actor.MeshObjects());
    skin->Vertices()->Add(P(1, 0, 0));
    skin->Normals()->Add(P(0, 0, 1));
    skin->AddWeightedBone(0, 1);
    // As many morph targets as the other mesh object, so the morph frames stay 5.
    for (int i = 0; i < 5; ++i) (new TMeshMorphTarget(skin->MorphTargets()))->Vertices()->Add(P(1, float(i), 0));
    skin->PrepareBoneMatrixInvertedMeshes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    TGLActor actor(nullptr);
    const bool withFrames = size % 2 == 0;
    if (withFrames) AddFrames(actor);
    actor.PrepareMesh();

    TGLActorAnimations& list = *actor.Animations();
    list.Add()->SetAsString("\"before\",1,2,morph");
    const std::string before = Saved(list);
    if (!Read(list, text)) {
        if (Saved(list) != before) std::abort();
        return 0;
    }
    const std::string written = Saved(list);
    TGLActor other(nullptr);
    if (withFrames) AddFrames(other);
    if (!Read(*other.Animations(), written) || Saved(*other.Animations()) != written) std::abort();

    TGLAnimationControler controler(nullptr);
    controler.SetActor(&actor);
    const int32_t count = list.Count() < 16 ? list.Count() : 16;
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t byte = data[static_cast<size_t>(i) % size];
        TGLActorAnimation& animation = *list.Items(i);
        (void)animation.GetDisplayName();
        (void)list.FindName(animation.Name());
        (void)list.FindFrame(animation.StartFrame(), animation.Reference());
        controler.SetAnimationName(list.Items((i + 1) % list.Count())->Name());
        controler.SetRatio(static_cast<float>(byte) / 200.0f);
        actor.SwitchToAnimation(i, byte % 3 == 0);
        actor.SetAnimationMode(static_cast<TGLActorAnimationMode>(byte % 7));
        actor.SetFrameInterpolation(byte % 5 == 0 ? afpNone : afpLinear);
        for (int step = 0; step < 4; ++step) {
            actor.DoProgress(TProgressTimes{0.037 * (byte % 11) * step, 0});
            actor.ApplyCurrentFrame();
            actor.PrevFrame(byte % 4);
            (void)actor.CurrentAnimation();
        }
        other.Synchronize(&actor);
        other.ApplyCurrentFrame();
    }
    return 0;
}
