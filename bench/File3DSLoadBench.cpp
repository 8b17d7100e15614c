// A 3DS mesh read into a free form with a material library: a wavy grid whose faces fall into smoothing groups
// by square patches, so that the vertices on patch borders split, and into four materials by quadrant. The
// larger grid has 182 x 182 points and 65,522 faces and splits into 58,564 vertices, near the 16-bit limit.
// Beside it, the file's chunks and mesh record read alone, the floor under the conversion; two sizes show the
// time growing with the mesh.
#include "GLFile3DS.h"

#include "Chunk3DSWriter.h"
#include "Const3DS.h"
#include "File3DS.h"
#include "GLMaterial.h"
#include "Streams.h"
#include "Utils3DS.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <vector>
#include "BenchBaseline.h"

namespace {

constexpr int kPatch = 3;
const char* const kMaterials[] = {"North", "East", "South", "West"};

// A grid of side x side points, written once.
const std::vector<uint8_t>& GridFile(int side)
{
    static std::map<int, std::vector<uint8_t>> files;
    std::vector<uint8_t>& bytes = files[side];
    if (!bytes.empty()) return bytes;
    const int cells = side - 1;
    const auto vertex = [side](int x, int y) { return static_cast<uint16_t>(y * side + x); };
    TChunk3DSWriter w;
    w.Chunk(M3DMAGIC, [&] {
        w.Chunk(M3D_VERSION, [&] { w.I32(3); });
        w.Chunk(MDATA, [&] {
            for (const char* name : kMaterials)
                w.Chunk(MAT_ENTRY, [&] {
                    w.Chunk(MAT_NAME, [&] { w.Str(name); });
                    w.Chunk(MAT_DIFFUSE, [&] { w.Chunk(COLOR_24, [&] { w.U8(200).U8(100).U8(50); }); });
                });
            w.Chunk(NAMED_OBJECT, [&] {
                w.Str("Grid");
                w.Chunk(N_TRI_OBJECT, [&] {
                    w.Chunk(POINT_ARRAY, [&] {
                        w.U16(static_cast<uint16_t>(side * side));
                        for (int y = 0; y < side; ++y)
                            for (int x = 0; x < side; ++x) w.Point(x, y, std::sin(x * 0.3f) * std::cos(y * 0.2f));
                    });
                    w.Chunk(TEX_VERTS, [&] {
                        w.U16(static_cast<uint16_t>(side * side));
                        for (int y = 0; y < side; ++y)
                            for (int x = 0; x < side; ++x) w.Floats({float(x) / cells, float(y) / cells});
                    });
                    w.Chunk(FACE_ARRAY, [&] {
                        w.U16(static_cast<uint16_t>(2 * cells * cells));
                        for (int y = 0; y < cells; ++y)
                            for (int x = 0; x < cells; ++x) {
                                w.Face(vertex(x, y), vertex(x + 1, y), vertex(x + 1, y + 1));
                                w.Face(vertex(x, y), vertex(x + 1, y + 1), vertex(x, y + 1));
                            }
                        for (int q = 0; q < 4; ++q)
                            w.Chunk(MSH_MAT_GROUP, [&] {
                                std::vector<uint16_t> faces;
                                for (int y = 0; y < cells; ++y)
                                    for (int x = 0; x < cells; ++x)
                                        if ((x * 2 >= cells) + 2 * (y * 2 >= cells) == q) {
                                            const int face = 2 * (y * cells + x);
                                            faces.push_back(static_cast<uint16_t>(face));
                                            faces.push_back(static_cast<uint16_t>(face + 1));
                                        }
                                w.Str(kMaterials[q]).U16(static_cast<uint16_t>(faces.size()));
                                for (uint16_t face : faces) w.U16(face);
                            });
                        w.Chunk(SMOOTH_GROUP, [&] {
                            for (int y = 0; y < cells; ++y)
                                for (int x = 0; x < cells; ++x) {
                                    const uint32_t group = 1u << ((x / kPatch + 3 * (y / kPatch)) % 32);
                                    w.U32(group).U32(group);
                                }
                        });
                    });
                });
            });
        });
    });
    bytes = w.Bytes();
    return bytes;
}

void BM_3DSLoadIntoFreeForm(benchmark::State& state)
{
    const std::vector<uint8_t>& bytes = GridFile(static_cast<int>(state.range(0)));
    const auto stream = TChunk3DSWriter::StreamOf(bytes);
    TGLMaterialLibrary library(nullptr);
    TGLFreeForm freeForm(nullptr);
    freeForm.SetMaterialLibrary(&library);
    for (auto _ : state) {
        stream->SetPosition(0);
        freeForm.LoadFromStream("grid.3ds", *stream);
        benchmark::DoNotOptimize(freeForm.MeshObjects()->Items(0)->Vertices()->Count());
    }
    state.counters["vertices"] = freeForm.MeshObjects()->Items(0)->Vertices()->Count();
    state.SetComplexityN(state.range(0) * state.range(0));
    freeForm.SetMaterialLibrary(nullptr);
}
BENCHMARK(BM_3DSLoadIntoFreeForm)->Arg(91)->Arg(182)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// The chunk tree and the mesh record alone.
void BM_3DSReadMeshRecord(benchmark::State& state)
{
    const std::vector<uint8_t>& bytes = GridFile(static_cast<int>(state.range(0)));
    const auto stream = TChunk3DSWriter::StreamOf(bytes);
    for (auto _ : state) {
        TFile3DS file;
        file.LoadFromStream(*stream);
        benchmark::DoNotOptimize(file.Objects().Mesh(0)->NFaces);
        benchmark::DoNotOptimize(file.Materials().MaterialByName("West"));
    }
    state.SetComplexityN(state.range(0) * state.range(0));
}
BENCHMARK(BM_3DSReadMeshRecord)->Arg(91)->Arg(182)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK_BASELINE(BM_3DSLoadIntoFreeForm, BM_3DSReadMeshRecord);

} // namespace
