// The main window without a display: the scene it is built from, and the start-up's level steps.
#include "UGH_main.h"
#include "UGH_main_scene.h"

#include "GameDataFolder.h"

#include "GLCadencer.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLObjects.h"
#include "GLShadowVolume.h"
#include "GLWin32Viewer.h"
#include "VAVodad.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// The HUD layers in the order they draw over the level.
const std::vector<std::string> cLayers = {"dcuibg",     "dccharscreen", "dctextdummy", "inventory",
                                          "dcperkicon", "dcuimiddle",   "dcuifront",   "dcmenu",
                                          "dcrf",       "dcrff",        "dctooltip",   "dcload"};

// Every component the window owns, directly or through the scene objects' ownership, by name.
void CollectComponents(TComponent* owner, std::multimap<std::string, TComponent*>& found)
{
    for (int i = 0; i < owner->ComponentCount(); ++i) {
        TComponent* component = owner->Components(i);
        if (!component->Name().empty()) found.emplace(component->Name(), component);
        CollectComponents(component, found);
    }
}

class MainWindow : public GameDataFolder {
protected:
    void SetUp() override
    {
        GameDataFolder::SetUp();
        form = new TForm1(nullptr);
    }
    void TearDown() override
    {
        Free(form);
        GameDataFolder::TearDown();
    }

    TForm1* form = nullptr;
};

} // namespace

TEST(SceneTable, NamesEachObjectOnceAndNamesOnlyParentsMadeBeforeIt)
{
    std::set<std::string> made;
    for (const TSceneRow& row : SceneTable()) {
        EXPECT_TRUE(made.insert(row.Name).second) << row.Name << " twice";
        if (*row.Parent) {
            EXPECT_TRUE(made.count(row.Parent)) << row.Name << " under " << row.Parent << ", not made before it";
        }
        EXPECT_NE(row.Make, nullptr) << row.Name;
    }
    for (const std::string& layer : cLayers) EXPECT_TRUE(made.count(layer)) << layer;
}

TEST_F(MainWindow, TheBuiltSceneIsTheTableWithTheHUDLayersDrawnInOrderOverTheLevel)
{
    std::multimap<std::string, TComponent*> components;
    CollectComponents(form, components);
    TGLBaseSceneObject* root = form->VAVodad1->Objects();
    // The level's objects at the root: everything there but the layers.
    int lastOfLevel = -1;
    for (const TSceneRow& row : SceneTable()) {
        ASSERT_EQ(components.count(row.Name), 1u) << row.Name;
        TComponent* object = components.find(row.Name)->second;
        if (auto* sceneObject = dynamic_cast<TGLBaseSceneObject*>(object)) {
            const std::string parent = *row.Parent ? row.Parent : "";
            EXPECT_EQ(sceneObject->Parent() == root ? "" : sceneObject->Parent()->Name(), parent)
                << row.Name;
            EXPECT_EQ(sceneObject->Visible(), row.State.Visible) << row.Name;
            if (sceneObject->Parent() == root && std::find(cLayers.begin(), cLayers.end(), row.Name) == cLayers.end())
                lastOfLevel = std::max(lastOfLevel, sceneObject->Index());
        } else {
            EXPECT_EQ(object->Owner(), form) << row.Name;
        }
    }

    // The level draws first, then each layer over the ones before; the load screen covers everything.
    ASSERT_GE(lastOfLevel, 0);
    int previous = lastOfLevel;
    for (const std::string& layer : cLayers) {
        TGLBaseSceneObject* cube = root->FindChild(layer, true);
        ASSERT_NE(cube, nullptr) << layer << " is not a layer of the scene's root";
        EXPECT_GT(cube->Index(), previous) << layer;
        previous = cube->Index();
    }
    EXPECT_EQ(previous, root->Count() - 1);
    EXPECT_EQ(form->dcgame->Parent(), static_cast<TGLBaseSceneObject*>(form->shadowz))
        << "the level is built where it casts shadows";
}

TEST_F(MainWindow, TheFieldsHoldTheObjectsOfTheirNames)
{
    const std::map<std::string, TComponent*> fields = {
        {"VAVodad1", form->VAVodad1},   {"mcam", form->mcam},           {"GLCadencer1", form->GLCadencer1},
        {"matlib2", form->matlib2},     {"playerlight", form->playerlight}, {"icon1", form->icons[1]},
        {"icon8", form->icons[8]},      {"loadscr_f", form->loadscr_f}, {"VAVodadViewer1", form->VAVodadViewer1},
    };
    for (const auto& [name, object] : fields) {
        ASSERT_NE(object, nullptr) << name;
        EXPECT_EQ(object->Name(), name);
    }
    EXPECT_NE(form->matlib2->LibMaterialByName("deflm"), nullptr);
    EXPECT_EQ(form->ClientWidth(), 1024);
    EXPECT_EQ(form->ClientHeight(), 768);
    EXPECT_TRUE(form->KeyPreview());
    EXPECT_FALSE(form->GLCadencer1->Enabled()) << "frames run only once the start-up has ended";
}

TEST_F(MainWindow, DefaultSpecialObjectsAreTheEighteenNamesAndNothingElse)
{
    defrndons[30] = "left over";
    form->setdefaultrndons();
    EXPECT_EQ(defrndons[0], "altar1");
    EXPECT_EQ(defrndons[7], "spr_ralt0");
    for (int i = 13; i <= 15; ++i) EXPECT_EQ(defrndons[i], "spr_ang_alt") << i;
    EXPECT_EQ(defrndons[17], "spr_wisdom_orb");
    for (int i = 18; i <= 100; ++i) EXPECT_EQ(defrndons[i], "") << i;
}

TEST_F(MainWindow, ClearingTheLevelWallsTheBorderOfTheGridInUseAndEmptiesEverythingElse)
{
    mapmaxx = mapmaxy = 9;
    mapid = "old";
    startx = 4;
    for (int x = 0; x <= 100; x += 5)
        for (int y = 0; y <= 100; y += 5) {
            lcell& cell = levelgrid[x][y];
            cell.trap = cell.door = true;
            cell.traptype = 7;
            cell.textid = 3;
            cell.spritename = "spr";
            cell.wmo = "kept";
        }
    freesprites[200].enabled = true;
    freemeshes[3] = freemesh{};
    freemeshes[3].enabled = true;
    freemeshes[3].name = "mesh";
    wanderers[5].enabled = true;
    wanderers[5].mtype = 2;
    levellights[19].shining = true;

    form->ClearLevel();

    EXPECT_EQ(mapid, "");
    EXPECT_EQ(startx, 4) << "the level's header stays";
    for (int x = 0; x <= 100; ++x)
        for (int y = 0; y <= 100; ++y) {
            const lcell& cell = levelgrid[x][y];
            const bool inUse = x <= 9 && y <= 9;
            const bool border = inUse && (x == 0 || y == 0 || x == 9 || y == 9);
            ASSERT_EQ(cell.wall, border) << x << "," << y;
            ASSERT_EQ(cell.passable, inUse && !border) << x << "," << y;
            ASSERT_EQ(cell.floor, cell.passable) << x << "," << y;
            ASSERT_FALSE(cell.trap || cell.door) << x << "," << y;
            ASSERT_EQ(cell.traptype, 0);
            ASSERT_EQ(cell.textid, -1);
            ASSERT_EQ(cell.spritename, "0");
            if (inUse) {
                ASSERT_EQ(cell.x * 1000 + cell.y, x * 1000 + y);
            }
        }
    EXPECT_EQ(levelgrid[5][5].wmo, "kept");
    EXPECT_FALSE(freesprites[200].enabled);
    EXPECT_FALSE(freemeshes[3].enabled);
    EXPECT_EQ(mapfreemeshes[3].name, "");
    EXPECT_FALSE(wanderers[5].enabled);
    EXPECT_EQ(wanderers[5].mtype, -1);
    EXPECT_FALSE(levellights[19].shining);
}
