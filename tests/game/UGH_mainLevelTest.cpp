// The level's scene objects made from its tables, inspected without rendering: where each object stands, which
// mesh and material it takes, and what a build does with meshes that cannot be read.
#include "UGH_main.h"

#include "MainWindowLevel.h"

#include "GLApplicationFileIO.h"
#include "GLFireFX.h"
#include "GLMaterial.h"
#include "GLObjects.h"
#include "GLShadowVolume.h"
#include "GLSkyBox.h"
#include "GLVectorFileObjects.h"
#include "RandomGenerator.h"
#include "VAVodad.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace {

// The main window over a data folder whose meshes tell each other apart by their width: m_wall.obj 1,
// m_floor.obj 2, m_door.obj 3. The level is 5 x 5 cells, walled around; the player stands on (1, 1) and sees
// 5 cells far.
class LevelBuild : public MainWindowLevel {
protected:
    void SetUp() override
    {
        MainWindowLevel::SetUp();
        Mesh("m_floor.obj", 2);
        Mesh("m_door.obj", 3);
        OpenLevel(4, 4);
        levelbusy = false;
        playerx = playery = 1;
        viewdist = 5;
        no3ddoors = nofire = nograss = false;
    }
    void TearDown() override
    {
        no3ddoors = nofire = nograss = false;
        SetStreamFactoryHook({});
        MainWindowLevel::TearDown();
    }

    // A one-triangle mesh as wide as width along x.
    void Mesh(const std::string& file, int width) const
    {
        folder.Write("meshes/" + file, "v 0 0 0\nv " + std::to_string(width) + " 0 0\nv 0 1 0\nf 1 2 3\n");
    }
    void NoMesh(const std::string& file) const { std::filesystem::remove(folder.path / "meshes" / file); }

    static float Width(TGLFreeForm* mesh)
    {
        TVector3f low, high;
        mesh->GetExtents(low, high);
        return high.X;
    }
    static std::string MaterialOf(TGLCustomSceneObject* object) { return object->Material()->LibMaterialName(); }
    static TVector3f PositionOf(TGLBaseSceneObject* object) { return object->Position()->AsAffineVector(); }
    static TVector3f DirectionOf(TGLBaseSceneObject* object) { return object->Direction()->AsAffineVector(); }
};

void ExpectAt(const TVector3f& at, float x, float y, float z, const std::string& what)
{
    EXPECT_FLOAT_EQ(at.X, x) << what;
    EXPECT_FLOAT_EQ(at.Y, y) << what;
    EXPECT_FLOAT_EQ(at.Z, z) << what;
}

} // namespace

TEST_F(LevelBuild, ACellsObjectsStandOnTheCellWithTheirMaterials)
{
    envindex = 2;
    lcell& wall = levelgrid[2][3];
    wall.wall = true;
    wall.floor = wall.ceil = false;
    wall.dx = 3;
    wall.dy = -2;
    wall.dz = 1;
    wall.ta = 90;
    lcell& room = levelgrid[1][1];
    room.wco = "stone";
    room.fwm = true;
    room.chest = true;
    room.cco = "vault";

    form->BuildCell(2, 3);
    form->BuildCell(1, 1);

    TGLFreeForm* mesh = cellwalls[2][3];
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->Parent(), static_cast<TGLBaseSceneObject*>(form->shadowz));
    ExpectAt(PositionOf(mesh), 43, 58, 11, "wall with its offset");
    EXPECT_FLOAT_EQ(mesh->TurnAngle(), 90);
    EXPECT_EQ(Width(mesh), 1) << "the standard wall mesh";
    EXPECT_EQ(MaterialOf(mesh), "etex_2_0");
    EXPECT_EQ(cellfloors[2][3], nullptr) << "a wall cell has no floor";

    ASSERT_NE(cellwalls[1][1], nullptr) << "fwm builds the wall mesh on an open cell";
    EXPECT_EQ(MaterialOf(cellwalls[1][1]), "stone");
    ExpectAt(PositionOf(cellfloors[1][1]), 20, 20, 0, "floor");
    EXPECT_EQ(Width(cellfloors[1][1]), 2);
    EXPECT_EQ(MaterialOf(cellfloors[1][1]), "etex_2_1");
    ExpectAt(PositionOf(cellceils[1][1]), 20, 20, 20, "ceiling");
    EXPECT_EQ(MaterialOf(cellceils[1][1]), "vault");
    EXPECT_NEAR(DirectionOf(cellceils[1][1]).Z, -1, 1e-6) << "the ceiling is turned to face down";
    ExpectAt(PositionOf(cellchests[1][1]), 20, 20, 10, "chest");
    EXPECT_FLOAT_EQ(cellchests[1][1]->TurnAngle(), 90);
    EXPECT_EQ(cellchests[1][1]->Width(), 20);
}

TEST_F(LevelBuild, DoorsTakeTheirMeshAndMaterialByLockPassageAndThe3DSetting)
{
    struct Case {
        int32_t power;
        bool passable, ownMeshes, off3d;
        float width; // 5 open, 6 shut, 3 the flat door
        const char* material;
        bool door3d;
    };
    const Case cases[] = {
        {0, false, true, false, 6, "etex_0_3", true},  {1, false, true, false, 6, "etex_0_5", true},
        {2, false, true, false, 6, "etex_0_6", true},  {3, false, true, false, 6, "etex_0_3", true},
        {1, true, true, false, 5, "etex_0_9", true},   {1, true, false, false, 3, "etex_0_5", false},
        {2, false, false, false, 3, "etex_0_6", false}, {0, true, true, true, 3, "etex_0_3", false},
    };
    for (const Case& c : cases) {
        const std::string what = "power " + std::to_string(c.power) + (c.passable ? " open" : " shut") +
                                 (c.ownMeshes ? " with" : " without") + " 3D meshes" + (c.off3d ? ", 3D off" : "");
        if (c.ownMeshes) {
            Mesh("m_door_0_o.obj", 5);
            Mesh("m_door_0_c.obj", 6);
        } else {
            NoMesh("m_door_0_o.obj");
            NoMesh("m_door_0_c.obj");
        }
        no3ddoors = c.off3d;
        lcell& cell = levelgrid[2][2];
        cell.door = true;
        cell.power = c.power;
        cell.passable = c.passable;
        cell.doorface = 90;
        form->BuildCell(2, 2);
        TGLFreeForm* door = celldoors[2][2];
        ASSERT_NE(door, nullptr) << what;
        EXPECT_EQ(Width(door), c.width) << what;
        EXPECT_EQ(MaterialOf(door), c.material) << what;
        EXPECT_EQ(cell.door3d, c.door3d) << what;
        EXPECT_FLOAT_EQ(door->RollAngle(), c.door3d ? 90 : 0) << what << ": only a 3D door is turned by its face";
        ExpectAt(PositionOf(door), 40, 40, 10, what);
    }

    // Chests by lock: none, silver, gold, and anything else as none.
    const std::map<int32_t, std::string> chests = {{0, "etex_0_4"}, {1, "etex_0_7"}, {2, "etex_0_8"}, {3, "etex_0_4"}};
    for (const auto& [power, material] : chests) {
        levelgrid[3][3].chest = true;
        levelgrid[3][3].power = power;
        form->BuildCell(3, 3);
        EXPECT_EQ(MaterialOf(cellchests[3][3]), material) << power;
    }
}

TEST_F(LevelBuild, ASpriteNamedZeroIsNoneAnEmptyNameStillGetsItsPlaneAndAnIgnoredCellKeepsItsObjects)
{
    levelgrid[1][1].spritename = "0";
    levelgrid[1][2].spritename = "";
    levelgrid[1][3].spritename = "spr_table";
    for (int32_t y = 1; y <= 3; ++y) form->BuildCell(1, y);
    EXPECT_EQ(cellsprites[1][1], nullptr);
    ASSERT_NE(cellsprites[1][2], nullptr);
    ASSERT_NE(cellsprites[1][3], nullptr);
    EXPECT_EQ(MaterialOf(cellsprites[1][3]), "spr_table");
    ExpectAt(PositionOf(cellsprites[1][3]), 20, 60, 10, "cell sprite");

    TGLPlane* kept = cellsprites[1][3];
    TGLFreeForm* floor = cellfloors[1][3];
    levelgrid[1][3].ignored = true;
    levelgrid[1][3].spritename = "0";
    levelgrid[1][3].floor = false;
    form->BuildCell(1, 3);
    EXPECT_EQ(cellsprites[1][3], kept);
    EXPECT_EQ(cellfloors[1][3], floor);
}

TEST_F(LevelBuild, AFreeMeshTakesItsTextureElseItsRedFileElseItsOwnMaterialName)
{
    Mesh("barrel.obj", 7);
    folder.Write("meshes/crate.red", "moss\r\n");
    folder.Write("meshes/bare.red", "");
    struct Case {
        const char* name;
        const char* texture;
        const char* material;
        float width;
    };
    const Case cases[] = {
        {"barrel", "bark", "bark", 7},     {"crate", "0", "moss", 2},
        {"bare", "0", "tex_fs_bare", 2},   {"barrel", "", "tex_fs_barrel", 7},
    };
    for (const Case& c : cases) {
        freemeshes[4] = freemesh{};
        freemeshes[4].enabled = true;
        freemeshes[4].name = c.name;
        freemeshes[4].texture = c.texture;
        form->ModFreeMesh(4, true);
        ASSERT_NE(fmeshobjs[4], nullptr) << c.name;
        EXPECT_EQ(MaterialOf(fmeshobjs[4]), c.material) << c.name << " " << c.texture;
        EXPECT_EQ(Width(fmeshobjs[4]), c.width) << c.name << ": a mesh without its file takes the floor mesh";
    }
}

TEST_F(LevelBuild, AMovingMeshStandsWhereItHasMovedAStillOneAtHomeAndItsFireRidesAboveIt)
{
    freemesh& entry = freemeshes[0];
    entry.enabled = true;
    entry.name = "m_floor";
    entry.x = 100;
    entry.y = 60;
    entry.z = 4;
    entry.ta = 30;
    entry.rx = 110.5;
    entry.ry = 61;
    entry.rz = 5;
    entry.rta = 45;
    entry.sx = 50;
    entry.sy = 100;
    entry.sz = 200;
    entry.fire = true;
    entry.fdz = 3;

    entry.bhv = 1;
    form->ModFreeMesh(0, true);
    TGLFreeForm* mesh = fmeshobjs[0];
    ASSERT_NE(mesh, nullptr);
    ExpectAt(PositionOf(mesh), 110.5f, 61, 5, "moving");
    EXPECT_FLOAT_EQ(mesh->TurnAngle(), 45);
    ExpectAt(mesh->Scale()->AsAffineVector(), 0.5f, 1, 2, "scale");
    TGLSphere* fire = fmeshfireobjs[0];
    ASSERT_NE(fire, nullptr);
    EXPECT_EQ(fire->Parent(), static_cast<TGLBaseSceneObject*>(form->dcgameb));
    ExpectAt(PositionOf(fire), 110.5f, 61, 8, "fire");
    EXPECT_FLOAT_EQ(fire->Radius(), 0.1f);
    ASSERT_EQ(fire->Effects()->Count(), 1);
    EXPECT_NE(dynamic_cast<TGLBFireFX*>(fire->Effects()->Items(0)), nullptr);

    entry.bhv = 0;
    form->ModFreeMesh(0, false);
    EXPECT_EQ(fmeshobjs[0], mesh) << "placing keeps the object";
    ExpectAt(PositionOf(mesh), 100, 60, 4, "still");
    EXPECT_FLOAT_EQ(mesh->TurnAngle(), 30);
    EXPECT_EQ(fire->Effects()->Count(), 1) << "placing the mesh again lights no second fire";

    nofire = true;
    form->ModFreeMesh(0, true);
    EXPECT_EQ(fmeshfireobjs[0]->Effects()->Count(), 0);
}

TEST_F(LevelBuild, ABuildReadsEachMeshFileOnceClearsLevelbusyAndBuildsTheSlotsAndTheSkyBox)
{
    int wallReads = 0;
    SetStreamFactoryHook([&wallReads](const std::string& fileName, uint16_t) -> std::unique_ptr<TStream> {
        if (fileName.ends_with("m_wall.obj")) ++wallReads;
        return nullptr;
    });
    skyboxno = 2;
    freesprites[7].enabled = true;
    freesprites[7].name = "spr_table";
    freesprites[7].x = 30;
    freesprites[7].w = 8;

    form->BuildLevel();

    EXPECT_FALSE(levelbusy);
    EXPECT_EQ(wallReads, 1) << "16 border walls from one read";
    int walls = 0;
    for (int32_t x = 0; x <= 4; ++x)
        for (int32_t y = 0; y <= 4; ++y) walls += cellwalls[x][y] != nullptr;
    EXPECT_EQ(walls, 16);
    EXPECT_NE(cellfloors[2][2], nullptr);
    for (int32_t i = 0; i <= 200; ++i) {
        ASSERT_NE(fspriteobjs[i], nullptr) << i;
        ASSERT_NE(fmeshfireobjs[i], nullptr) << i;
        ASSERT_NE(wandererobjs[i], nullptr) << i;
    }
    EXPECT_TRUE(fspriteobjs[7]->Visible());
    EXPECT_FALSE(fspriteobjs[8]->Visible());
    EXPECT_EQ(MaterialOf(fspriteobjs[7]), "spr_table");
    EXPECT_EQ(fspriteobjs[7]->Width(), 8);
    EXPECT_EQ(form->GLSkyBox1->MatName(sbfTop), "sb_2_top");
    EXPECT_EQ(form->GLSkyBox1->MatName(sbfClouds), "sb_2_clouds");
}

TEST_F(LevelBuild, AMeshThatCannotBeReadTakesTheFallbackElseTheObjectIsLeftOutAndLogged)
{
    folder.Write("meshes/broken.3ds", "not a mesh at all");
    levelgrid[2][2].fwm = true;
    levelgrid[2][2].wmo = "broken";
    TGLLogCapture log;
    form->BuildCell(2, 2);
    ASSERT_NE(cellwalls[2][2], nullptr);
    EXPECT_EQ(Width(cellwalls[2][2]), 1);
    EXPECT_TRUE(log.Contains("broken.3ds cannot be read"));

    NoMesh("m_wall.obj");
    form->BuildLevel();
    EXPECT_FALSE(levelbusy);
    EXPECT_EQ(cellwalls[2][2], nullptr);
    EXPECT_EQ(cellwalls[0][0], nullptr);
    EXPECT_NE(cellfloors[2][2], nullptr) << "the rest of the level stands";
    EXPECT_TRUE(log.Contains("The wall of (0, 0) is left out"));
}

TEST_F(LevelBuild, GrassIsHeldToItsSlotsAndAWandererOutsideTheLevelIsDisabled)
{
    lcell& meadow = levelgrid[2][2];
    meadow.grass = true;
    meadow.gtp = "grass";
    meadow.dens = 150;
    SetRandSeed(7);
    form->BuildCell(2, 2);
    for (int32_t k = 0; k <= 100; ++k) {
        TGLSprite* blade = cellgrass[2][2][k];
        ASSERT_NE(blade, nullptr) << k;
        const TVector3f at = PositionOf(blade);
        ASSERT_TRUE(blade->Width() >= 1 && blade->Width() <= 9 && blade->Height() == blade->Width()) << k;
        ASSERT_TRUE(at.X >= 31 && at.X <= 49 && at.Y >= 31 && at.Y <= 49) << k;
        ASSERT_FLOAT_EQ(at.Z, blade->Height() / 2) << k;
    }
    nograss = true;
    form->BuildCell(2, 2);
    EXPECT_EQ(cellgrass[2][2][0], nullptr);

    levelgrid[3][1].plz = 12;
    wanderers[0] = wanderer{3, 1, 2, 1, true, ""};
    wanderers[1] = wanderer{5, 1, 2, 1, true, ""};
    wanderers[2] = wanderer{-1, 200, 2, 1, true, ""};
    for (int32_t i = 0; i <= 2; ++i) form->ModWanderer(i);
    EXPECT_TRUE(wanderers[0].enabled);
    ExpectAt(PositionOf(wandererobjs[0]), 60, 20, 12, "wanderer");
    EXPECT_EQ(MaterialOf(wandererobjs[0]), "mon_2_d");
    EXPECT_FALSE(wanderers[1].enabled) << "x beyond mapmaxx";
    EXPECT_FALSE(wanderers[2].enabled);
    EXPECT_FALSE(wandererobjs[2]->Visible());
}

TEST_F(LevelBuild, SpritesTurnToFaceThePlayerAndAFixedOneKeepsItsOwnFacing)
{
    levelgrid[2][2].spritename = "spr_table";
    form->BuildCell(2, 2);
    freesprites[0] = freesprite{true, false, 10, 10, 10, "a", 5, 5, 0, 0};
    freesprites[1] = freesprite{true, true, 10, 10, 10, "b", 5, 5, 1, 0};
    form->ModFreeSprite(0);
    form->ModFreeSprite(1);
    lookside = 3; // looking toward +y
    form->orientallsprites();
    ExpectAt(DirectionOf(cellsprites[2][2]), 0, -1, 0, "cell sprite");
    ExpectAt(cellsprites[2][2]->Up()->AsAffineVector(), 0, 0, 1, "cell sprite upright");
    ExpectAt(DirectionOf(fspriteobjs[0]), 0, -1, 0, "free sprite");
    ExpectAt(DirectionOf(fspriteobjs[1]), 1, 0, 0, "fixed free sprite");
    EXPECT_EQ(form->GetLast(1), 1);
    EXPECT_EQ(form->GetLast(0), 0) << "no free mesh is enabled";
}

TEST_F(LevelBuild, ClearingTheLevelPutsOutTheSceneLights)
{
    levellights[0].shining = true;
    form->ProcessLights();
    ASSERT_TRUE(form->scenelights[0]->Shining());
    form->ClearLevel();
    EXPECT_FALSE(form->scenelights[0]->Shining());
}
