// Reads arbitrary bytes as a 3DS file, then every record of it: each material, mesh, light and camera, each
// keyframer motion and the keyframer settings. Any outcome but E3DSError is a fault; so is a mesh whose faces or
// material groups name what it does not have, or a record whose arrays are not as long as its counts say.
#include "Const3DS.h"
#include "File3DS.h"
#include "Streams.h"
#include "StringLists.h"
#include "Utils3DS.h"

#include <cstdint>
#include <vector>

namespace {

// A reader that raises leaves the others to run.
template <class F> void Guarded(F&& read)
{
    try {
        read();
    } catch (const E3DSError&) {
    }
}

template <class F> void ForEach(int32_t count, F&& read)
{
    for (int32_t i = 0; i < count; ++i) Guarded([&] { read(i); });
}

void Check(bool sound)
{
    if (!sound) __builtin_trap();
}

void CheckMesh(const TMesh3DS* mesh)
{
    Check(mesh->VertexArray.size() == mesh->NVertices && mesh->FaceArray.size() == mesh->NFaces &&
          mesh->MatArray.size() == mesh->NMats && mesh->TextArray.size() == mesh->NTextVerts);
    Check(mesh->NTextVerts == 0 || mesh->NTextVerts >= mesh->NVertices);
    Check(mesh->SmoothArray.empty() || mesh->SmoothArray.size() == mesh->NFaces);
    for (const TFace3DS& face : mesh->FaceArray)
        Check(face.V1 < mesh->NVertices && face.V2 < mesh->NVertices && face.V3 < mesh->NVertices);
    for (const TObjMat3DS& group : mesh->MatArray) {
        Check(group.FaceIndex.size() == group.NFaces);
        for (uint16_t face : group.FaceIndex) Check(face < mesh->NFaces);
    }
}

template <class TValue>
void CheckTrack(int32_t count, const std::vector<TKeyHeader3DS>& keys, const std::vector<TValue>* values)
{
    Check(count >= 0 && keys.size() == static_cast<size_t>(count));
    if (values) Check(values->size() == keys.size());
}

void CheckMotion(const TKFMesh3DS* m)
{
    CheckTrack(m->NPKeys, m->PKeys, &m->Pos);
    CheckTrack(m->NRKeys, m->RKeys, &m->Rot);
    CheckTrack(m->NSKeys, m->SKeys, &m->Scale);
    CheckTrack(m->NMKeys, m->MKeys, &m->Morph);
    CheckTrack<int>(m->NHKeys, m->HKeys, nullptr);
}

void CheckMotion(const TKFCamera3DS* m)
{
    CheckTrack(m->NPKeys, m->PKeys, &m->Pos);
    CheckTrack(m->NFKeys, m->FKeys, &m->FOV);
    CheckTrack(m->NRKeys, m->RKeys, &m->Roll);
    CheckTrack(m->NTKeys, m->TKeys, &m->TPos);
}

void CheckMotion(const TKFOmni3DS* m)
{
    CheckTrack(m->NPKeys, m->PKeys, &m->Pos);
    CheckTrack(m->NCKeys, m->CKeys, &m->Color);
}

void CheckMotion(const TKFSpot3DS* m)
{
    CheckTrack(m->NPKeys, m->PKeys, &m->Pos);
    CheckTrack(m->NCKeys, m->CKeys, &m->Color);
    CheckTrack(m->NHKeys, m->HKeys, &m->Hot);
    CheckTrack(m->NFKeys, m->FKeys, &m->Fall);
    CheckTrack(m->NRKeys, m->RKeys, &m->Roll);
    CheckTrack(m->NTKeys, m->TKeys, &m->TPos);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMemoryStream stream;
    stream.WriteBuffer(data, static_cast<int64_t>(size));
    TFile3DS file;
    try {
        file.LoadFromStream(stream);
    } catch (const E3DSError&) {
        return 0;
    }

    TMaterialList& materials = file.Materials();
    Guarded([&] { ForEach(materials.Count(), [&](int32_t i) { Check(materials.Material(i) != nullptr); }); });
    Guarded([&] { materials.MaterialByName("Default"); });

    Utils3DS::TObjectList& objects = file.Objects();
    Guarded([&] { ForEach(objects.MeshCount(), [&](int32_t i) { CheckMesh(objects.Mesh(i)); }); });
    Guarded([&] { ForEach(objects.OmniLightCount(), [&](int32_t i) { Check(!objects.OmniLight(i)->Spot); }); });
    Guarded([&] { ForEach(objects.SpotLightCount(), [&](int32_t i) { Check(!!objects.SpotLight(i)->Spot); }); });
    Guarded([&] { ForEach(objects.CameraCount(), [&](int32_t i) { objects.Camera(i); }); });

    TKeyFramer& keys = file.KeyFramer();
    Guarded([&] { ForEach(keys.MeshMotionCount(), [&](int32_t i) { CheckMotion(keys.MeshMotion(i)); }); });
    Guarded([&] { ForEach(keys.CameraMotionCount(), [&](int32_t i) { CheckMotion(keys.CameraMotion(i)); }); });
    Guarded([&] { ForEach(keys.OmniLightMotionCount(), [&](int32_t i) { CheckMotion(keys.OmniLightMotion(i)); }); });
    Guarded([&] { ForEach(keys.SpotLightMotionCount(), [&](int32_t i) { CheckMotion(keys.SpotLightMotion(i)); }); });
    Guarded([&] {
        const TKFAmbient3DS* ambient = keys.AmbientLightMotion();
        CheckTrack(ambient->NCKeys, ambient->CKeys, &ambient->Color);
    });
    Guarded([&] { keys.Settings(); });
    // The name lists hold one name per node the counts count.
    TStringList names;
    for (const uint16_t tag : {OBJECT_NODE_TAG, CAMERA_NODE_TAG, LIGHT_NODE_TAG, SPOTLIGHT_NODE_TAG, TARGET_NODE_TAG})
        Guarded([&] {
            ListNodeTagNames(file, tag, names);
            Check(names.Count() == CountNodeTags(file, tag));
        });
    return 0;
}
