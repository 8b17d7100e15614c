// The game's fuzz targets that run on the main window: one unshown window for the process over the fuzz folder,
// whose one-triangle meshes build the level's cells, and a small level to run on.
#pragma once

#include "UGH_data.h"
#include "UGH_main.h"

#include "GLObjects.h"

#include "GameFuzzFiles.h"

#include <cstdint>
#include <string>

// The window with its seven scene lights, made on the first call.
inline TForm1& FuzzWindow()
{
    static TForm1* form = [] {
        for (const char* mesh : {"m_wall.obj", "m_floor.obj", "m_door.obj"})
            WriteFuzzFile(FuzzFolder() / "meshes" / mesh, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
        auto* window = new TForm1(nullptr);
        for (TGLLightSource*& light : window->scenelights)
            light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(window->dcgame);
        return window;
    }();
    return *form;
}

// Fresh game tables over the fuzz folder with the texts "s<n>", and the level "fz" of 10 x 10 cells, open inside
// its border, the player on (5, 5).
inline void OpenFuzzLevel(TForm1& form)
{
    ResetGameTables();
    gamedir = FuzzFolder().string();
    lng = "en";
    for (int32_t i = 0; i <= 420; ++i) strarr[i] = "s" + std::to_string(i);
    mapmaxx = mapmaxy = 9;
    form.ClearLevel();
    mapid = "fz"; // the clearing empties it
    for (int32_t x = 1; x < 9; ++x)
        for (int32_t y = 1; y < 9; ++y) levelgrid[x][y].passable = true;
    playerx = playery = 5;
    levelbusy = false;
}
