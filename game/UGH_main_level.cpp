// Level construction: the scene objects of the level made from its tables (one set of meshes and planes per cell,
// one object per free sprite, free mesh and wanderer, the sky box), freed again, and sprites turned to the player.
#include "UGH_main.h"

#include "UGH_data.h"
#include "UGH_log.h"

#include "GLFireFX.h"
#include "GLMaterial.h"
#include "GLObjects.h"
#include "GLShadowVolume.h"
#include "GLSkyBox.h"
#include "GLVectorFileObjects.h"
#include "RandomGenerator.h"
#include "VAVodad.h"

#include <algorithm>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>

TBoundedTable<TBoundedArray<TGLFreeForm*, 0, 100>, 0, 100> cellwalls, celldoors, cellfloors;
TBoundedTable<TBoundedArray<TGLPlane*, 0, 100>, 0, 100> cellchests, cellceils, cellsprites;
TBoundedTable<TBoundedArray<TBoundedArray<TGLSprite*, 0, 100>, 0, 100>, 0, 100> cellgrass;
TBoundedTable<TGLPlane*, 0, 200> fspriteobjs;
TBoundedTable<TGLFreeForm*, 0, 200> fmeshobjs;
TBoundedTable<TGLSphere*, 0, 200> fmeshfireobjs;
TBoundedTable<TGLPlane*, 0, 200> wandererobjs;

namespace {

constexpr float cCell = 20;         // world units a cell
constexpr float cCellMiddle = 10;   // height of walls, doors, chests and cell sprites
constexpr int32_t cGrassSlots = 101;

// The mesh files read during one BuildLevel, by file name: each is parsed once and copied into every object
// made from it. A file that could not be read is remembered as such (and logged once).
class TLevelMeshes {
public:
    const TGLFreeForm* Get(const std::string& fileName)
    {
        auto found = FMeshes.find(fileName);
        if (found == FMeshes.end()) found = FMeshes.emplace(fileName, Read(fileName)).first;
        return found->second.get();
    }

private:
    static std::unique_ptr<TGLFreeForm, TFreeDeleter> Read(const std::string& fileName)
    {
        // No material library: the mesh's faces take the object's own material.
        std::unique_ptr<TGLFreeForm, TFreeDeleter> mesh(new TGLFreeForm(nullptr));
        try {
            mesh->LoadFromFile(fileName);
        } catch (const Exception& e) {
            GameLog("The mesh " + fileName + " cannot be read: " + e.Message());
            return nullptr;
        }
        return mesh;
    }

    std::map<std::string, std::unique_ptr<TGLFreeForm, TFreeDeleter>> FMeshes;
};

// The meshes of the build that runs; outside a build each mesh is read for its object.
TLevelMeshes* buildMeshes = nullptr;

std::string MeshPath(const std::string& file)
{
    return GamePath("\\meshes\\" + file);
}

// The file a mesh name resolves to: the name's ".obj" when that exists, else its ".3ds"; "" with neither.
std::string MeshFileOf(const std::string& name)
{
    if (name.empty()) return {};
    for (const char* extension : {".obj", ".3ds"}) {
        const std::string path = MeshPath(name + extension);
        if (DataFileExists(path)) return path;
    }
    return {};
}

// A free form under parent with the mesh of the first file that reads ("" entries are skipped), and in used
// the index of that file; nullptr when none reads (logged with what the object is).
TGLFreeForm* NewMesh(TGLBaseSceneObject* parent, std::initializer_list<std::string> files, const std::string& what,
                     int32_t* used = nullptr)
{
    TLevelMeshes single;
    TLevelMeshes& meshes = buildMeshes ? *buildMeshes : single;
    int32_t index = 0;
    for (const std::string& file : files) {
        if (!file.empty()) {
            if (const TGLFreeForm* source = meshes.Get(file)) {
                auto* mesh = TGLBaseSceneObject::CreateAsChild<TGLFreeForm>(parent);
                mesh->MeshObjects()->Assign(source->MeshObjects());
                // Its faces take the object's own material, so the mesh is compiled once into the object's
                // display list and replayed in every frame.
                mesh->SetUseMeshMaterials(false);
                mesh->StructureChanged();
                if (used) *used = index;
                return mesh;
            }
        }
        ++index;
    }
    GameLog(what + " is left out: none of its meshes can be read");
    return nullptr;
}

std::string CellName(int32_t i, int32_t j)
{
    return "(" + IntToStr(i) + ", " + IntToStr(j) + ")";
}

std::string WallSetMaterial(int32_t k)
{
    return "etex_" + IntToStr(envindex) + "_" + IntToStr(k);
}

std::string OverrideOr(const std::string& override, int32_t k)
{
    return override.empty() ? WallSetMaterial(k) : override;
}

// Wall set pictures of a door or chest by its lock: none, silver, gold; any other power is taken as none.
std::string LockMaterial(int32_t power, int32_t open, int32_t silver, int32_t gold)
{
    return WallSetMaterial(power == 1 ? silver : power == 2 ? gold : open);
}

// Line 0 of the mesh's ".red" file; "" when there is none, it is empty or it cannot be read.
std::string RedMaterial(const std::string& name)
{
    const std::string fileName = MeshPath(name + ".red");
    if (!DataFileExists(fileName)) return {};
    try {
        TLineBuffer buffer;
        buffer.LoadFromFile(fileName);
        return buffer.ReadTextLine(0);
    } catch (const EGameDataError& e) {
        GameLog(e.Message());
        return {};
    }
}

template <class T> void Forget(T& table)
{
    table.Fill(nullptr);
}

void Place(TGLBaseSceneObject* object, float x, float y, float z)
{
    object->Position()->SetPoint(x, y, z);
}

// Faces the object along (dx, dy) in the ground plane, upright.
void Face(TGLBaseSceneObject* object, float dx, float dy)
{
    object->Direction()->SetVector(dx, dy, 0);
    object->Up()->SetVector(0, 0, 1);
}

bool InUse(int32_t x, int32_t y)
{
    return x >= 0 && x <= mapmaxx && y >= 0 && y <= mapmaxy;
}

} // namespace

void TForm1::ForgetLevelObjects()
{
    for (auto* table : {&cellwalls, &celldoors, &cellfloors})
        for (auto& column : *table) Forget(column);
    for (auto* table : {&cellchests, &cellceils, &cellsprites})
        for (auto& column : *table) Forget(column);
    for (auto& column : cellgrass)
        for (auto& cell : column) Forget(cell);
    Forget(fspriteobjs);
    Forget(fmeshobjs);
    Forget(fmeshfireobjs);
    Forget(wandererobjs);
}

void TForm1::AssignTextureOnTheRun(const std::string&, bool) {}

// The object takes the library material name.
static void SetMaterial(TForm1& form, TGLCustomSceneObject* object, const std::string& name)
{
    form.AssignTextureOnTheRun(name, false);
    object->Material()->SetMaterialLibrary(form.matlib);
    object->Material()->SetLibMaterialName(name);
}

// A material named by the level's data is loaded first.
static void SetLevelMaterial(TForm1& form, TGLCustomSceneObject* object, const std::string& name)
{
    form.preparemat(name);
    SetMaterial(form, object, name);
}

// A plane of the level under shadowz. Its quad never changes after the level is built (moves and turns are
// matrices): compiled once into its display list rather than sent vertex by vertex in every frame.
static TGLPlane* NewLevelPlane(TForm1& form)
{
    auto* plane = TGLBaseSceneObject::CreateAsChild<TGLPlane>(form.shadowz);
    plane->SetObjectStyle(plane->ObjectStyle() - TGLObjectStyles{osDirectDraw});
    return plane;
}

// A 20 x 20 plane under shadowz at the middle of cell (i, j), at height z.
static TGLPlane* NewCellPlane(TForm1& form, int32_t i, int32_t j, float z)
{
    TGLPlane* plane = NewLevelPlane(form);
    plane->SetWidth(cCell);
    plane->SetHeight(cCell);
    Place(plane, cCell * i, cCell * j, z);
    return plane;
}

// Free mesh i's object and fire carrier freed (a shadow caster no more).
static void FreeFreeMesh(TForm1& form, int32_t i)
{
    FreeAndNil(fmeshfireobjs[i]);
    if (fmeshobjs[i]) form.shadowz->Occluders()->RemoveCaster(fmeshobjs[i]);
    FreeAndNil(fmeshobjs[i]);
}

void TForm1::BuildLevel()
{
    struct TBuild {
        // The data folder does not change while the level is built: its folders are listed once.
        const TDataFolderPass pass;
        TLevelMeshes meshes;
        TBuild() { buildMeshes = &meshes; }
        ~TBuild()
        {
            buildMeshes = nullptr;
            levelbusy = false;
        }
    } build;
    levelbusy = true;
    levelsaving = false;
    // The load screen stands over the old level while the new one is built.
    PaintLoadScreen();
    cleartexlist();

    // The old level's objects go newest first: each then leaves the end of its parent's children, where that
    // costs least.
    for (int32_t i = wanderers.High(); i >= 0; --i) FreeAndNil(wandererobjs[i]);
    for (int32_t i = freemeshes.High(); i >= 0; --i) FreeFreeMesh(*this, i);
    for (int32_t i = freesprites.High(); i >= 0; --i) FreeAndNil(fspriteobjs[i]);
    for (int32_t i = cellwalls.High(); i >= 0; --i)
        for (int32_t j = cellwalls.High(); j >= 0; --j) FreeCell(i, j);
    for (int32_t i = 0; i <= mapmaxx; ++i)
        for (int32_t j = 0; j <= mapmaxy; ++j) BuildCell(i, j);
    for (int32_t i = 0; i <= freesprites.High(); ++i) ModFreeSprite(i);
    for (int32_t i = 0; i <= freemeshes.High(); ++i) ModFreeMesh(i, true);
    for (int32_t i = 0; i <= wanderers.High(); ++i) ModWanderer(i);

    GLSkyBox1->SetVisible(true);
    const std::string sky = "sb_" + IntToStr(skyboxno) + "_";
    GLSkyBox1->SetMatNameTop(sky + "top");
    GLSkyBox1->SetMatNameBottom(sky + "bottom");
    GLSkyBox1->SetMatNameLeft(sky + "left");
    GLSkyBox1->SetMatNameRight(sky + "right");
    GLSkyBox1->SetMatNameFront(sky + "front");
    GLSkyBox1->SetMatNameBack(sky + "back");
    GLSkyBox1->SetMatNameClouds(sky + "clouds");

    // The level stands without its lights as well.
    try {
        ProcessLights();
    } catch (const Exception& e) {
        GameLog("The scene lights of the level cannot be chosen: " + e.Message());
    }

    levelbusy = false;
    FullMBW(viewdist);
    orientallsprites();
}

void TForm1::FreeCell(int32_t i, int32_t j)
{
    // Newest first, as BuildCell made them.
    auto& grass = cellgrass[i][j];
    for (int32_t k = grass.High(); k >= 0; --k) FreeAndNil(grass[k]);
    FreeAndNil(cellsprites[i][j]);
    FreeAndNil(cellceils[i][j]);
    FreeAndNil(cellfloors[i][j]);
    FreeAndNil(cellchests[i][j]);
    FreeAndNil(celldoors[i][j]);
    FreeAndNil(cellwalls[i][j]);
}

void TForm1::BuildCell(int32_t i, int32_t j)
{
    lcell& cell = levelgrid[i][j];
    if (cell.ignored) return;
    FreeCell(i, j);
    const std::string where = CellName(i, j);

    if (cell.wall || cell.fwm) {
        TGLFreeForm* wall = NewMesh(shadowz, {MeshFileOf(cell.wmo), MeshPath("m_wall.obj")}, "The wall of " + where);
        if (wall) {
            SetLevelMaterial(*this, wall, OverrideOr(cell.wco, 0));
            wall->SetTurnAngle(cell.ta);
            wall->SetPitchAngle(cell.pa);
            wall->SetRollAngle(cell.ra);
            Place(wall, cCell * i + cell.dx, cCell * j + cell.dy, cCellMiddle + cell.dz);
        }
        cellwalls[i][j] = wall;
    }

    if (cell.door) {
        // The door's own mesh shows it open or shut; without it (or with 3D doors off) the flat door stands.
        const std::string own = no3ddoors ? std::string()
                                          : MeshFileOf("m_door_" + IntToStr(envindex) + (cell.passable ? "_o" : "_c"));
        int32_t used = -1;
        TGLFreeForm* door = NewMesh(shadowz, {own, MeshPath("m_door.obj")}, "The door of " + where, &used);
        cell.door3d = used == 0;
        if (door) {
            SetMaterial(*this, door,
                        cell.door3d && cell.passable ? WallSetMaterial(9) : LockMaterial(cell.power, 3, 5, 6));
            door->SetRollAngle(cell.door3d ? cell.doorface : 0);
            Place(door, cCell * i, cCell * j, cCellMiddle);
        }
        celldoors[i][j] = door;
    }

    if (cell.chest) {
        TGLPlane* chest = NewCellPlane(*this, i, j, cCellMiddle);
        SetMaterial(*this, chest, LockMaterial(cell.power, 4, 7, 8));
        chest->SetTurnAngle(90);
        cellchests[i][j] = chest;
    }

    if (cell.floor) {
        TGLFreeForm* floor = NewMesh(shadowz, {MeshFileOf(cell.fmo), MeshPath("m_floor.obj")}, "The floor of " + where);
        if (floor) {
            SetLevelMaterial(*this, floor, OverrideOr(cell.fco, 1));
            Place(floor, cCell * i, cCell * j, 0);
        }
        cellfloors[i][j] = floor;
    }

    if (cell.ceil) {
        TGLPlane* ceiling = NewCellPlane(*this, i, j, 2 * cCellMiddle);
        SetLevelMaterial(*this, ceiling, OverrideOr(cell.cco, 2));
        ceiling->SetTurnAngle(180);
        cellceils[i][j] = ceiling;
    }

    // "0" names no sprite; an empty name still makes its plane.
    if (cell.spritename != "0") {
        TGLPlane* sprite = NewCellPlane(*this, i, j, cCellMiddle);
        SetLevelMaterial(*this, sprite, cell.spritename);
        cellsprites[i][j] = sprite;
    }

    if (cell.grass && !cell.gtp.empty() && cell.dens > 0 && !nograss) {
        // The cell holds at most its 101 grass slots.
        const int32_t count = std::min(cell.dens, cGrassSlots);
        if (count < cell.dens) GameLog("Cell " + where + " asks for " + IntToStr(cell.dens) + " grass sprites: " +
                                       IntToStr(count) + " are made");
        preparemat(cell.gtp);
        for (int32_t k = 0; k < count; ++k) {
            auto* blade = TGLBaseSceneObject::CreateAsChild<TGLSprite>(shadowz);
            SetMaterial(*this, blade, cell.gtp);
            // The draws in this order: size, then x, then y.
            const int32_t r1 = Random(5), r2 = Random(5);
            const float size = static_cast<float>(5 + r1 - r2);
            blade->SetSize(size, size);
            const int32_t r3 = Random(10), r4 = Random(10);
            const int32_t r5 = Random(10), r6 = Random(10);
            Place(blade, cCell * i + r3 - r4, cCell * j + r5 - r6, size / 2);
            cellgrass[i][j][k] = blade;
        }
    }

    if (!levelbusy) MonitorBlockVisibility(playerx, playery, viewdist, false);
}

void TForm1::ModFreeSprite(int32_t i)
{
    const freesprite& entry = freesprites[i];
    FreeAndNil(fspriteobjs[i]);
    TGLPlane* plane = NewLevelPlane(*this);
    plane->SetWidth(entry.w);
    plane->SetHeight(entry.h);
    Place(plane, entry.x, entry.y, entry.z);
    SetLevelMaterial(*this, plane, entry.name);
    plane->SetVisible(entry.enabled);
    fspriteobjs[i] = plane;
    if (!levelbusy) MonitorBlockVisibility(playerx, playery, viewdist, false);
}

void TForm1::ModWanderer(int32_t i)
{
    wanderer& roamer = wanderers[i];
    FreeAndNil(wandererobjs[i]);
    const bool onGrid = InUse(roamer.x, roamer.y);
    if (roamer.enabled && !onGrid) {
        GameLog("Wanderer " + IntToStr(i) + " stands outside the level at " + CellName(roamer.x, roamer.y) +
                ": it is disabled");
        roamer.enabled = false;
    }
    TGLPlane* plane = NewLevelPlane(*this);
    Place(plane, cCell * roamer.x, cCell * roamer.y, onGrid ? levelgrid[roamer.x][roamer.y].plz : 0);
    SetMaterial(*this, plane, "mon_" + IntToStr(roamer.mtype) + "_d");
    plane->SetVisible(roamer.enabled);
    wandererobjs[i] = plane;
    if (!levelbusy) MonitorBlockVisibility(playerx, playery, viewdist, false);
}

void TForm1::ModFreeMesh(int32_t i, bool c)
{
    const freemesh& entry = freemeshes[i];
    if (c) {
        FreeFreeMesh(*this, i);
        fmeshobjs[i] = NewMesh(shadowz, {MeshFileOf(entry.name), MeshPath("m_floor.obj")},
                               "Free mesh " + IntToStr(i) + " (" + entry.name + ")");
    }

    // A moving mesh stands where its movement has taken it.
    const bool moving = entry.bhv != 0;
    const float atX = static_cast<float>(moving ? entry.rx : entry.x);
    const float atY = static_cast<float>(moving ? entry.ry : entry.y);
    const float atZ = static_cast<float>(moving ? entry.rz : entry.z);
    TGLFreeForm* mesh = fmeshobjs[i];
    if (mesh) {
        Place(mesh, atX, atY, atZ);
        mesh->SetTurnAngle(static_cast<float>(moving ? entry.rta : entry.ta));
        mesh->SetPitchAngle(static_cast<float>(moving ? entry.rpa : entry.pa));
        mesh->SetRollAngle(static_cast<float>(moving ? entry.rra : entry.ra));
        mesh->Scale()->SetVector(entry.sx / 100.0f, entry.sy / 100.0f, entry.sz / 100.0f);
    }

    if (c) {
        if (mesh) {
            // An empty texture names none, as "0" does.
            std::string material = entry.texture != "0" ? entry.texture : std::string();
            if (material.empty()) material = RedMaterial(entry.name);
            if (material.empty()) material = "tex_fs_" + entry.name;
            SetLevelMaterial(*this, mesh, material);
            if (entry.shcast) {
                mesh->BuildSilhouetteConnectivityData();
                shadowz->Occluders()->RemoveCaster(mesh);
                shadowz->Occluders()->AddCaster(mesh, 0, scmRecursivelyVisible);
            }
        }
        auto* sphere = TGLBaseSceneObject::CreateAsChild<TGLSphere>(dcgameb);
        sphere->SetRadius(0.1f);
        sphere->SetSlices(5);
        SetMaterial(*this, sphere, "transp");
        sphere->Effects()->Clear();
        Place(sphere, atX + entry.fdx, atY + entry.fdy, atZ + entry.fdz);
        sphere->SetVisible(entry.enabled);
        fmeshfireobjs[i] = sphere;
    }

    if (entry.fire) Firestart(i);
    if (c && !levelbusy) MonitorBlockVisibility(playerx, playery, viewdist, false);
}

void TForm1::Firestart(int32_t i)
{
    TGLSphere* sphere = fmeshfireobjs[i];
    if (!sphere || !sphere->Visible() || nofire) return;
    // One fire a carrier: placing the mesh again lights no second one.
    TGLObjectEffects* effects = sphere->Effects();
    for (int32_t k = 0; k < effects->Count(); ++k)
        if (dynamic_cast<TGLBFireFX*>(effects->Items(k))) return;
    auto* fire = new TGLBFireFX(effects);
    fire->SetManager(GLFireFXManager1);
}

void TForm1::AutoPlaceFloorCeil()
{
    for (int32_t x = 0; x <= mapmaxx; ++x)
        for (int32_t y = 0; y <= mapmaxy; ++y) {
            lcell& cell = levelgrid[x][y];
            cell.floor = cell.ceil = cell.passable || !cell.wall;
        }
}

// The sprite turned to face the player, who looks along the grid step of lookside.
static void FacePlayer(TGLBaseSceneObject* object)
{
    int32_t dx = 0, dy = 0;
    TForm1::GetDirsFromLookside(lookside, dx, dy);
    if (object && object->Visible() && (dx != 0 || dy != 0)) Face(object, -dx, -dy);
}

void TForm1::OrientCSprite(int32_t sx, int32_t sy)
{
    FacePlayer(cellsprites[sx][sy]);
    FacePlayer(cellchests[sx][sy]);
}

void TForm1::OrientFSprite(int32_t id)
{
    const freesprite& entry = freesprites[id];
    TGLPlane* plane = fspriteobjs[id];
    if (!entry.fixed)
        FacePlayer(plane);
    else if (plane && (entry.dirx != 0 || entry.diry != 0))
        Face(plane, static_cast<float>(entry.dirx), static_cast<float>(entry.diry));
}

void TForm1::OrientWanderer(int32_t id)
{
    FacePlayer(wandererobjs[id]);
}

void TForm1::orientallsprites()
{
    for (int32_t i = 0; i <= freesprites.High(); ++i) OrientFSprite(i);
    for (int32_t x = 0; x <= mapmaxx; ++x)
        for (int32_t y = 0; y <= mapmaxy; ++y) OrientCSprite(x, y);
    for (int32_t i = 0; i <= wanderers.High(); ++i) OrientWanderer(i);
}

int32_t TForm1::GetLast(int32_t otp)
{
    const auto last = [](const auto& table) {
        for (int32_t i = table.High(); i > 0; --i)
            if (table[i].enabled) return i;
        return 0;
    };
    switch (otp) {
    case 0:
        return last(freemeshes);
    case 1:
        return last(freesprites);
    case 2:
        return last(wanderers);
    default:
        return 0;
    }
}
