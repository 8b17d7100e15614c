// A 3DS mesh file of 100,000 faces in two objects, read from memory: loading its chunk tree and decoding every
// object's point and face arrays, beside a plain loop over the same stream that walks the same chunks and reads
// the same arrays into vectors without a tree.
#include "File3DS.h"

#include "Chunk3DSWriter.h"
#include "Const3DS.h"
#include "Streams.h"

#include <benchmark/benchmark.h>

#include <vector>
#include "BenchBaseline.h"

namespace {

constexpr int kObjects = 2;
constexpr uint16_t kFacesPerObject = 50000;
constexpr uint16_t kVerticesPerObject = kFacesPerObject / 2 + 2; // a strip of triangles

TMemoryStream& MeshStream()
{
    static const std::unique_ptr<TMemoryStream> stream = [] {
        TChunk3DSWriter w;
        w.Chunk(M3DMAGIC, [&] {
            w.Chunk(M3D_VERSION, [&] { w.I32(3); });
            w.Chunk(MDATA, [&] {
                for (int object = 0; object < kObjects; ++object)
                    w.Chunk(NAMED_OBJECT, [&] {
                        w.Str("Strip" + std::to_string(object));
                        w.Chunk(N_TRI_OBJECT, [&] {
                            w.Chunk(POINT_ARRAY, [&] {
                                w.U16(kVerticesPerObject);
                                for (int i = 0; i < kVerticesPerObject; ++i) w.Point(float(i / 2), float(i % 2), 0);
                            });
                            w.Chunk(FACE_ARRAY, [&] {
                                w.U16(kFacesPerObject);
                                for (int i = 0; i < kFacesPerObject; ++i)
                                    w.Face(uint16_t(i / 2), uint16_t(i / 2 + 1), uint16_t(i / 2 + 2), 7);
                                w.Chunk(SMOOTH_GROUP, [&] {
                                    for (int i = 0; i < kFacesPerObject; ++i) w.U32(1);
                                });
                            });
                            w.Chunk(MESH_MATRIX, [&] { w.Floats({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}); });
                        });
                    });
            });
        });
        return w.Stream();
    }();
    return *stream;
}

void BM_File3DSMeshArrays(benchmark::State& state)
{
    TMemoryStream& stream = MeshStream();
    for (auto _ : state) {
        TFile3DS file;
        file.LoadFromStream(stream);
        size_t items = 0;
        TChunk3DS* mdata = FindChunkInTree(file.Database().TopChunk.get(), MDATA);
        for (TChunk3DS* object = FindChunkInSiblings(mdata->Children.get(), NAMED_OBJECT); object;
             object = FindChunkInSiblings(object->Sibling.get(), NAMED_OBJECT)) {
            TChunk3DS* points = FindChunkInTree(object, POINT_ARRAY);
            TChunk3DS* faces = FindChunkInTree(object, FACE_ARRAY);
            file.ReadChunkData(points);
            file.ReadChunkData(faces);
            items += points->DataAs<TPointArray>()->PointList.size() + faces->DataAs<TFaceArray>()->FaceList.size();
        }
        benchmark::DoNotOptimize(items);
    }
    state.SetItemsProcessed(state.iterations() * kObjects * kFacesPerObject);
}
BENCHMARK(BM_File3DSMeshArrays)->Unit(benchmark::kMillisecond);

// The baseline: headers read one by one, the containers entered, the two arrays read into vectors.
struct TPlainReader {
    TStream& Stream;
    std::vector<std::vector<TPoint3DS>> Points;
    std::vector<std::vector<TFace3DS>> Faces;

    template <class T> void ReadArray(std::vector<std::vector<T>>& arrays)
    {
        uint16_t count;
        Stream.ReadBuffer(&count, 2);
        std::vector<T>& items = arrays.emplace_back(count);
        Stream.ReadBuffer(items.data(), int64_t{count} * int64_t{sizeof(T)});
    }

    void Walk(int64_t end)
    {
        while (Stream.Position() < end) {
            const int64_t start = Stream.Position();
            uint16_t tag;
            uint32_t size;
            Stream.ReadBuffer(&tag, 2);
            Stream.ReadBuffer(&size, 4);
            switch (tag) {
            case M3DMAGIC:
            case MDATA:
            case N_TRI_OBJECT:
                Walk(start + size);
                break;
            case NAMED_OBJECT:
                for (char c = 1; c;) Stream.ReadBuffer(&c, 1);
                Walk(start + size);
                break;
            case POINT_ARRAY:
                ReadArray(Points);
                break;
            case FACE_ARRAY:
                ReadArray(Faces);
                break;
            default:
                break;
            }
            Stream.SetPosition(start + size);
        }
    }
};

void BM_Plain3DSMeshArrays(benchmark::State& state)
{
    TMemoryStream& stream = MeshStream();
    for (auto _ : state) {
        stream.SetPosition(0);
        TPlainReader reader{stream, {}, {}};
        reader.Walk(stream.Size());
        size_t items = 0;
        for (size_t i = 0; i < reader.Points.size(); ++i) items += reader.Points[i].size() + reader.Faces[i].size();
        benchmark::DoNotOptimize(items);
    }
    state.SetItemsProcessed(state.iterations() * kObjects * kFacesPerObject);
}
BENCHMARK(BM_Plain3DSMeshArrays)->Unit(benchmark::kMillisecond);

BENCHMARK_BASELINE(BM_File3DSMeshArrays, BM_Plain3DSMeshArrays);

} // namespace
