// OBJ loading as the game does it, through a free form's LoadFromFile: a 200,000-triangle grid with texture
// coordinates and normals (v/vt/vn corners), beside a plain hand-written parser of the same file into flat
// arrays; and a wall (an 8-vertex box of 6 quads with a library material) loaded 10,000 times by its name, as a
// level build loads its walls, floors and doors.
#include "GLFileOBJ.h"

#include "BenchBaseline.h"
#include "FileUtils.h"
#include "GLMaterial.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kColumns = 400, kRows = 250; // 2 x 400 x 250 triangles

// The grid's OBJ text, written once.
const std::string& GridText()
{
    static const std::string text = [] {
        std::string result = "# grid\n";
        char line[256];
        for (int y = 0; y <= kRows; ++y)
            for (int x = 0; x <= kColumns; ++x) {
                std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", x * 0.5, y * 0.5, 0.01 * ((x * 7 + y * 3) % 11));
                result += line;
            }
        for (int y = 0; y <= kRows; ++y)
            for (int x = 0; x <= kColumns; ++x) {
                std::snprintf(line, sizeof line, "vt %.6f %.6f\n", double(x) / kColumns, double(y) / kRows);
                result += line;
            }
        for (int y = 0; y <= kRows; ++y)
            for (int x = 0; x <= kColumns; ++x) result += "vn 0.000000 0.000000 1.000000\n";
        result += "g grid\n";
        for (int y = 0; y < kRows; ++y)
            for (int x = 0; x < kColumns; ++x) {
                const int a = y * (kColumns + 1) + x + 1, b = a + 1, c = a + kColumns + 2, d = a + kColumns + 1;
                std::snprintf(line, sizeof line, "f %d/%d/%d %d/%d/%d %d/%d/%d\nf %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a,
                              a, b, b, b, c, c, c, a, a, a, c, c, c, d, d, d);
                result += line;
            }
        return result;
    }();
    return text;
}

// A file in a folder of its own, removed at the end of the benchmark.
struct TBenchFile {
    explicit TBenchFile(const std::string& name, const std::string& bytes)
        : Folder(std::filesystem::temp_directory_path() / ("mirefall_bench_obj_" + std::to_string(getpid())))
    {
        std::filesystem::create_directories(Folder / "meshes");
        ReplaceFileAtomically((Folder / "meshes" / name).string(), bytes);
    }
    ~TBenchFile() { std::filesystem::remove_all(Folder); }
    std::filesystem::path Folder;
};

void BM_OBJLoadGrid(benchmark::State& state)
{
    const TBenchFile file("grid.obj", GridText());
    const std::string fileName = (file.Folder / "meshes" / "grid.obj").string();
    TGLFreeForm mesh(nullptr);
    for (auto _ : state) {
        mesh.LoadFromFile(fileName);
        benchmark::DoNotOptimize(mesh.MeshObjects()->Items(0)->TriangleCount());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(GridText().size()));
}
BENCHMARK(BM_OBJLoadGrid)->Unit(benchmark::kMillisecond);

// The same file into flat arrays by a loop that knows its shape: lines, a command, numbers, v/t/n corners.
struct TPlainMesh {
    std::vector<float> Vertices, TexCoords, Normals;
    std::vector<int32_t> VertexIndices, TexCoordIndices, NormalIndices, Polygons;
};

void PlainParse(std::string_view text, TPlainMesh& mesh)
{
    const auto skipBlanks = [](const char*& p, const char* end) {
        while (p < end && (*p == ' ' || *p == '\t')) ++p;
    };
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (!eol) eol = end;
        const char* q = p;
        const auto readFloats = [&](std::vector<float>& list, int count) {
            for (int i = 0; i < count; ++i) {
                skipBlanks(q, eol);
                float value = 0;
                q = std::from_chars(q, eol, value).ptr;
                list.push_back(value);
            }
        };
        if (q[0] == 'v' && q[1] == ' ') {
            q += 1;
            readFloats(mesh.Vertices, 3);
        } else if (q[0] == 'v' && q[1] == 't') {
            q += 2;
            readFloats(mesh.TexCoords, 2);
        } else if (q[0] == 'v' && q[1] == 'n') {
            q += 2;
            readFloats(mesh.Normals, 3);
        } else if (q[0] == 'f') {
            ++q;
            int32_t corners = 0;
            for (skipBlanks(q, eol); q < eol; skipBlanks(q, eol)) {
                int32_t v = 0, t = 0, n = 0;
                q = std::from_chars(q, eol, v).ptr + 1;
                q = std::from_chars(q, eol, t).ptr + 1;
                q = std::from_chars(q, eol, n).ptr;
                mesh.VertexIndices.push_back(v - 1);
                mesh.TexCoordIndices.push_back(t - 1);
                mesh.NormalIndices.push_back(n - 1);
                ++corners;
            }
            mesh.Polygons.push_back(corners);
        }
        p = eol + 1;
    }
}

// The file read whole, then parsed.
void BM_PlainLoadGrid(benchmark::State& state)
{
    const TBenchFile file("grid.obj", GridText());
    const std::filesystem::path fileName = file.Folder / "meshes" / "grid.obj";
    std::string text;
    for (auto _ : state) {
        std::ifstream in(fileName, std::ios::binary);
        text.resize(std::filesystem::file_size(fileName));
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        TPlainMesh mesh;
        PlainParse(text, mesh);
        benchmark::DoNotOptimize(mesh.Polygons.size());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(GridText().size()));
}
BENCHMARK(BM_PlainLoadGrid)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_OBJLoadGrid, BM_PlainLoadGrid);

const char* const cWall = "# wall block\nmtllib walls.mtl\no Wall\n"
                          "v -10 -10 0\nv 10 -10 0\nv 10 10 0\nv -10 10 0\n"
                          "v -10 -10 20\nv 10 -10 20\nv 10 10 20\nv -10 10 20\n"
                          "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                          "vn 0 0 -1\nvn 0 0 1\nvn 0 -1 0\nvn 1 0 0\nvn 0 1 0\nvn -1 0 0\n"
                          "usemtl wall\ns off\n"
                          "f 1/1/1 4/2/1 3/3/1 2/4/1\nf 5/1/2 6/2/2 7/3/2 8/4/2\nf 1/1/3 2/2/3 6/3/3 5/4/3\n"
                          "f 2/1/4 3/2/4 7/3/4 6/4/4\nf 3/1/5 4/2/5 8/3/5 7/4/5\nf 4/1/6 1/2/6 5/3/6 8/4/6\n";

// The wall's file, named as the game names it ("\\meshes\\<name>.obj"), into a free form with the level's
// material library, which holds the wall's material after the first load.
void BM_OBJLoadWall(benchmark::State& state)
{
    const TBenchFile file("wall.obj", cWall);
    ReplaceFileAtomically((file.Folder / "meshes" / "walls.mtl").string(), "newmtl wall\nKd 1 1 1\n");
    const std::string fileName = file.Folder.string() + "\\meshes\\wall.obj";
    TGLMaterialLibrary library(nullptr);
    library.SetTexturePaths((file.Folder / "meshes").string());
    TGLFreeForm mesh(nullptr);
    mesh.SetMaterialLibrary(&library);
    for (auto _ : state) {
        mesh.LoadFromFile(fileName);
        benchmark::DoNotOptimize(mesh.MeshObjects()->Items(0)->TriangleCount());
    }
    mesh.SetMaterialLibrary(nullptr);
}
BENCHMARK(BM_OBJLoadWall)->Iterations(10000)->Unit(benchmark::kMicrosecond);

} // namespace
