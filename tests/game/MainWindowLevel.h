// An unshown main window with its seven scene lights, over a data folder of its own that holds one-triangle wall,
// floor and door meshes: a level can be read, built and walked without a display. Every localised text is
// "s<n>", so that a request names the texts it shows.
#pragma once

#include "UGH_main.h"

#include "GLCoordinates.h"
#include "GLObjects.h"
#include "VAVodad.h"

#include "GameDataFolder.h"

#include <memory>
#include <string>

class MainWindowLevel : public GameDataFolder {
protected:
    void SetUp() override
    {
        GameDataFolder::SetUp();
        form.reset(new TForm1(nullptr));
        for (TGLLightSource*& light : form->scenelights)
            light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(form->dcgame);
        for (const char* mesh : {"m_wall.obj", "m_floor.obj", "m_door.obj"})
            folder.Write(std::string("meshes/") + mesh, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
        for (int32_t i = 0; i <= 400; ++i) strarr[i] = "s" + std::to_string(i);
        // No item teaches a card unless a test gives it one.
        for (loot& item : items) item.lb_crd = -1;
    }
    void TearDown() override
    {
        form.reset();
        GameDataFolder::TearDown();
    }

    // The level [0..maxx] x [0..maxy], open inside its border wall.
    void OpenLevel(int32_t maxx, int32_t maxy)
    {
        mapmaxx = maxx;
        mapmaxy = maxy;
        form->ClearLevel();
        for (int32_t x = 1; x < maxx; ++x)
            for (int32_t y = 1; y < maxy; ++y) levelgrid[x][y].passable = true;
    }
    // The player on (x, y) facing +x, the camera on him (so that he may step at once).
    void PlaceAt(int32_t x, int32_t y)
    {
        playerx = x;
        playery = y;
        lookside = 0;
        lookdirx = 1;
        lookdiry = 0;
        camtx = 20 * x;
        camty = 20 * y;
        form->mcam->Position()->SetPoint(20.0f * x, 20.0f * y, 0);
    }

    std::unique_ptr<TForm1, TFreeDeleter> form;
};
