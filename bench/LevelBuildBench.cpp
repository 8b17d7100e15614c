// Building a dense 100 x 100 level (walls around 10 x 10 rooms, floors, ceilings, doors, sprites, 201 free meshes)
// into the scene of an unshown main window, beside the plain baseline: the engine making the same free forms,
// planes and spheres from meshes loaded once, placed and named, under one parent, and freeing them again.
#include "GLMaterial.h"
#include "GLObjects.h"
#include "GLShadowVolume.h"
#include "GLVectorFileObjects.h"
#include "UGH_data.h"
#include "UGH_main.h"
#include "VAVodad.h"

#include "BenchBaseline.h"
#include "GameBenchFiles.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

void FillMeshes(const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder / "meshes");
    for (const char* name : {"m_wall.obj", "m_door.obj", "pillar.obj"})
        std::ofstream(folder / "meshes" / name) << cBenchBoxMesh;
    std::ofstream(folder / "meshes" / "m_floor.obj") << cBenchSquareMesh;
}

// The main window, made once, with the dense level in the game's tables.
TForm1& LevelWindow()
{
    static TForm1* form = [] {
        auto* made = new TForm1(nullptr);
        for (TGLLightSource*& light : made->scenelights)
            light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(made->dcgame);
        return made;
    }();
    BenchDataFolder(FillMeshes);
    TLevelData level = DenseBenchLevel();
    level.freemeshes = level.mapfreemeshes;
    SwapLevelData(level);
    playerx = startx;
    playery = starty;
    viewdist = maxvd;
    return *form;
}

void BM_BuildLevel(benchmark::State& state)
{
    TForm1& form = LevelWindow();
    for (auto _ : state) form.BuildLevel();
}
BENCHMARK(BM_BuildLevel)->Unit(benchmark::kMillisecond);

// The same objects the level build makes (free forms for walls, floors, doors and free meshes, 20 x 20 planes for
// ceilings and sprites, a plane per free sprite and wanderer, a sphere per free mesh) from meshes read once.
void BM_PlainLevelObjects(benchmark::State& state)
{
    TForm1& form = LevelWindow();
    // The cells' objects of the level build go; the plain objects stand under a parent of their own.
    for (int32_t x = 0; x <= 100; ++x)
        for (int32_t y = 0; y <= 100; ++y) form.FreeCell(x, y);
    std::unique_ptr<TGLFreeForm, TFreeDeleter> wall(new TGLFreeForm(nullptr)), floor(new TGLFreeForm(nullptr));
    wall->LoadFromFile(GamePath("\\meshes\\m_wall.obj"));
    floor->LoadFromFile(GamePath("\\meshes\\m_floor.obj"));
    TGLMaterialLibrary* library = form.matlib;
    const auto mesh = [&](TGLBaseSceneObject* parent, const TGLFreeForm* source, float x, float y, float z) {
        auto* object = TGLBaseSceneObject::CreateAsChild<TGLFreeForm>(parent);
        object->MeshObjects()->Assign(source->MeshObjects());
        object->StructureChanged();
        object->Material()->SetMaterialLibrary(library);
        object->Material()->SetLibMaterialName("etex_0_0");
        object->Position()->SetPoint(x, y, z);
    };
    const auto plane = [&](TGLBaseSceneObject* parent, float x, float y, float z) {
        auto* object = TGLBaseSceneObject::CreateAsChild<TGLPlane>(parent);
        object->SetWidth(20);
        object->SetHeight(20);
        object->Material()->SetMaterialLibrary(library);
        object->Material()->SetLibMaterialName("etex_0_2");
        object->Position()->SetPoint(x, y, z);
    };
    for (auto _ : state) {
        auto* parent = TGLBaseSceneObject::CreateAsChild<TGLDummyCube>(form.shadowz);
        for (int32_t x = 0; x <= mapmaxx; ++x)
            for (int32_t y = 0; y <= mapmaxy; ++y) {
                const lcell& cell = levelgrid[x][y];
                if (cell.wall) mesh(parent, wall.get(), 20.0f * x, 20.0f * y, 10);
                if (cell.door) mesh(parent, wall.get(), 20.0f * x, 20.0f * y, 10);
                if (cell.floor) mesh(parent, floor.get(), 20.0f * x, 20.0f * y, 0);
                if (cell.ceil) plane(parent, 20.0f * x, 20.0f * y, 20);
                if (cell.spritename != "0") plane(parent, 20.0f * x, 20.0f * y, 10);
            }
        for (int32_t i = 0; i <= 200; ++i) {
            plane(parent, 0, 0, 10);
            plane(parent, 0, 0, 10);
            mesh(parent, wall.get(), 0, 0, 10);
            TGLBaseSceneObject::CreateAsChild<TGLSphere>(parent)->SetRadius(0.1f);
        }
        Free(parent);
    }
}
BENCHMARK(BM_PlainLevelObjects)->Unit(benchmark::kMillisecond);

BENCHMARK_BASELINE(BM_BuildLevel, BM_PlainLevelObjects);

} // namespace
