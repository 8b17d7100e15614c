// The game's frames ask less of the renderer than the engine's plain way of drawing the same objects, and show the
// same picture: the level's meshes and planes replayed from display lists made once give the frame, pixel for pixel,
// that drawing them directly in every frame gives; and while an opaque darkening (a request form's, the battle's)
// covers the view, the frame without the level and layers behind it is the frame with them. The tests follow one another on the
// same game.
#include "GLHUDObjects.h"
#include "GLObjects.h"
#include "GLShadowVolume.h"
#include "GLVectorFileObjects.h"
#include "GameWindow.h"
#include "RandomGenerator.h"
#include "UGH_data.h"
#include "VirtualKeys.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double cFrame = 0.5;

class GameDrawing : public GameWindow {
protected:
    using TObjects = std::vector<TGLBaseSceneObject*>;
    // What a request form's darkening covers: the level and the interface layers drawn before the form's.
    static TObjects RequestCovered()
    {
        TForm1& game = Game();
        return {game.shadowz, game.dcgameb, game.dcuibg, game.dcuimiddle, game.dcuifront};
    }
    // The objects are left out of the frame, and drawing them changes no pixel.
    static void ExpectLeftOutUnseen(const TObjects& objects, const std::string& picture)
    {
        for (TGLBaseSceneObject* object : objects) EXPECT_FALSE(object->Visible()) << object->Name();
        const std::unique_ptr<TBitmap> covered = Snapshot();
        for (TGLBaseSceneObject* object : objects) object->SetVisible(true);
        const std::unique_ptr<TBitmap> drawn = Snapshot();
        EXPECT_EQ(PixelsThatDiffer(*covered, *drawn), 0);
        SavePicture(*covered, "drawing-" + picture + ".png");
    }
};

TEST_F(GameDrawing, UnderARequestsDarkeningTheLevelAndTheLayersBeforeItAreLeftOut)
{
    SetRandSeed(2022);
    mmmode = false;
    ingame = true;
    Game().StartNewGame();
    // The darkening follows the form a frame later.
    for (int n = 0; n < 5 && !Game().reqform_dark->Visible(); ++n) StepFrames(1, cFrame);
    ASSERT_TRUE(rfmode) << "the new game opens with a text";
    ASSERT_TRUE(Game().reqform_dark->Visible());
    ExpectLeftOutUnseen(RequestCovered(), "request-covered");

    for (int n = 0; n < 20 && (rfmode || rfqueue[1].active); ++n) {
        if (rfmode) PressKey(VK_RETURN);
        StepFrames(1, cFrame);
    }
    ASSERT_FALSE(rfmode);
    // The darkening goes a frame after the last form.
    StepFrames(1, cFrame);
    for (TGLBaseSceneObject* object : RequestCovered())
        EXPECT_TRUE(object->Visible()) << object->Name();
}

TEST_F(GameDrawing, TheLevelFromDisplayListsShowsTheSamePixelsAsDrawnDirectly)
{
    ASSERT_TRUE(ingame && !rfmode) << "runs after the new game";
    ASSERT_TRUE(Game().shadowz->Visible());
    const std::unique_ptr<TBitmap> listed = Snapshot();

    // The same objects as the engine draws them by default: meshes with their faces' materials, planes vertex by
    // vertex, both in every frame.
    int32_t meshes = 0, planes = 0;
    TGLBaseSceneObject* level = Game().shadowz;
    for (int32_t i = 0; i < level->Count(); ++i) {
        TGLBaseSceneObject* object = level->Children(i);
        if (auto* mesh = dynamic_cast<TGLFreeForm*>(object)) {
            EXPECT_FALSE(mesh->UseMeshMaterials());
            mesh->SetUseMeshMaterials(true);
            meshes += mesh->Visible();
        } else if (auto* plane = dynamic_cast<TGLPlane*>(object)) {
            EXPECT_FALSE(plane->ObjectStyle().Contains(osDirectDraw));
            plane->SetObjectStyle(plane->ObjectStyle() + TGLObjectStyles{osDirectDraw});
            planes += plane->Visible();
        }
    }
    ASSERT_GT(meshes, 10);
    ASSERT_GT(planes, 10);
    const std::unique_ptr<TBitmap> direct = Snapshot();

    ASSERT_EQ(listed->Width(), direct->Width());
    ASSERT_EQ(listed->Height(), direct->Height());
    EXPECT_EQ(PixelsThatDiffer(*listed, *direct), 0);
    SavePicture(*listed, "drawing-level-from-lists.png");
}

TEST_F(GameDrawing, UnderTheBattlesDarkeningTheLevelIsLeftOut)
{
    ASSERT_TRUE(ingame) << "runs after the new game";
    Game().AddToBL(0);
    for (int frame = 0; frame < 40 && !(btlmode && !rfmode); ++frame) {
        if (rfmode) PressKey(VK_RETURN);
        StepFrames(1, cFrame);
    }
    // The last request's darkening goes a frame after it.
    StepFrames(1, cFrame);
    ASSERT_TRUE(btlmode && !rfmode);
    ASSERT_FALSE(Game().reqform_dark->Visible());
    ASSERT_TRUE(Game().trbg->Visible());
    ExpectLeftOutUnseen({Game().shadowz, Game().dcgameb}, "battle-covered");
    EXPECT_TRUE(Game().dcuibg->Visible());
}

} // namespace
