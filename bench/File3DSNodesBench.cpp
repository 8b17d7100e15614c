// 3DS node objects: reading the key tracks of a node from the engine archive beside a plain loop that copies
// the same fields out of the same bytes, and placing a mesh's light nodes every frame beside setting the same
// lights directly.
#include "GLFile3DSSceneObjects.h"

#include "Streams.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>
#include "BenchBaseline.h"

namespace {

constexpr int32_t kLightNodes = 100;

// The archive of a key list of a position, a rotation and a roll track of n keys each.
std::string KeyListArchive(int32_t n)
{
    std::vector<TKeyHeader3DS> keys(n);
    std::vector<TPoint3DS> points(n);
    std::vector<TKFRotKey3DS> turns(n);
    std::vector<float> rolls(n);
    for (int32_t i = 0; i < n; ++i) {
        keys[i].Time = i;
        keys[i].RFlags = 0x03;
        keys[i].Tension = 0.5f;
        points[i] = {float(i), 1, 2};
        turns[i] = {0.1f, 0, 0, 1};
        rolls[i] = float(i);
    }
    TGLFile3DSAnimationKeyList list;
    auto position = std::make_unique<TGLFile3DSPositionAnimationKeys>();
    position->LoadData(n, std::span<const TKeyHeader3DS>(keys), std::span<const TPoint3DS>(points));
    list.AddKeys(std::move(position));
    auto rotation = std::make_unique<TGLFile3DSRotationAnimationKeys>();
    rotation->LoadData(n, std::span<const TKeyHeader3DS>(keys), std::span<const TKFRotKey3DS>(turns));
    list.AddKeys(std::move(rotation));
    auto roll = std::make_unique<TGLFile3DSRollAnimationKeys>();
    roll->LoadData(n, std::span<const TKeyHeader3DS>(keys), std::span<const float>(rolls));
    list.AddKeys(std::move(roll));
    return list.SaveToString();
}

size_t IntegerSize(int32_t value)
{
    TStringStream stream;
    TBinaryWriter(&stream).WriteInteger(value);
    return stream.DataString().size();
}

void BM_File3DSKeyListRead(benchmark::State& state)
{
    const auto n = static_cast<int32_t>(state.range(0));
    const std::string archive = KeyListArchive(n);
    TGLFile3DSAnimationKeyList list;
    for (auto _ : state) {
        list.LoadFromString(archive);
        benchmark::DoNotOptimize(list.Items(2));
    }
    state.SetItemsProcessed(state.iterations() * 3 * n);
}
BENCHMARK(BM_File3DSKeyListRead)->Arg(1000)->Arg(100000);

// The same bytes copied field by field into the same vectors, the block offsets known beforehand.
void BM_PlainKeyListRead(benchmark::State& state)
{
    const auto n = static_cast<int32_t>(state.range(0));
    const std::string archive = KeyListArchive(n);
    // The track count, then per track its code, its key count and its raw block.
    const size_t valueSizes[3] = {12, 16, 4};
    size_t blockStarts[3];
    size_t position = IntegerSize(3);
    for (int t = 0; t < 3; ++t) {
        position += 1 + IntegerSize(n);
        blockStarts[t] = position;
        position += n * (28 + valueSizes[t]);
    }
    std::vector<TKeyHeader3DS> keys[3];
    std::vector<TVector3f> points;
    std::vector<TKFRotKey3DS> turns;
    std::vector<float> rolls;
    const auto read = [](const char*& p, auto& value) {
        std::memcpy(&value, p, sizeof value);
        p += sizeof value;
    };
    for (auto _ : state) {
        for (int t = 0; t < 3; ++t) {
            const char* p = archive.data() + blockStarts[t];
            keys[t].resize(n);
            for (TKeyHeader3DS& key : keys[t]) {
                read(p, key.Time);
                read(p, key.RFlags);
                p += 2;
                read(p, key.Tension);
                read(p, key.Continuity);
                read(p, key.Bias);
                read(p, key.EaseTo);
                read(p, key.EaseFrom);
            }
            if (t == 0) {
                points.resize(n);
                for (TVector3f& v : points) read(p, v);
            } else if (t == 1) {
                turns.resize(n);
                for (TKFRotKey3DS& turn : turns) read(p, turn);
            } else {
                rolls.resize(n);
                for (float& roll : rolls) read(p, roll);
            }
        }
        benchmark::DoNotOptimize(rolls.data());
    }
    state.SetItemsProcessed(state.iterations() * 3 * n);
}
BENCHMARK(BM_PlainKeyListRead)->Arg(1000)->Arg(100000);
BENCHMARK_BASELINE(BM_File3DSKeyListRead, BM_PlainKeyListRead);

struct TLitMesh {
    TGLBaseMesh Mesh{nullptr};
    std::vector<TGLFile3DSOmniLightObject*> Nodes;

    TLitMesh()
    {
        TLight3DS light;
        light.Multiplier = 1;
        for (int32_t i = 0; i < kLightNodes; ++i) {
            auto* node = new TGLFile3DSOmniLightObject(Mesh.MeshObjects());
            light.NameStr = "Light" + std::to_string(i);
            node->LoadData(&Mesh, light);
            Nodes.push_back(node);
        }
    }
};

void BM_File3DSLightNodesSetFrame(benchmark::State& state)
{
    TLitMesh lit;
    double frame = 0;
    for (auto _ : state) {
        for (TGLFile3DSOmniLightObject* node : lit.Nodes) node->SetFrame(frame);
        frame += 1;
    }
    state.SetItemsProcessed(state.iterations() * kLightNodes);
}
BENCHMARK(BM_File3DSLightNodesSetFrame);

// The same lights placed and coloured directly.
void BM_PlainLightsPlaced(benchmark::State& state)
{
    TLitMesh lit;
    std::vector<TGLFile3DSLight*> lights;
    for (TGLFile3DSOmniLightObject* node : lit.Nodes) lights.push_back(node->LightSrc());
    const TVector4f black{};
    for (auto _ : state) {
        for (TGLFile3DSLight* light : lights) {
            light->Position()->SetPoint(0, 0, 0);
            light->Diffuse()->SetColor(black);
        }
    }
    state.SetItemsProcessed(state.iterations() * kLightNodes);
}
BENCHMARK(BM_PlainLightsPlaced);
BENCHMARK_BASELINE(BM_File3DSLightNodesSetFrame, BM_PlainLightsPlaced);

} // namespace
