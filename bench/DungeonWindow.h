// The main window started on the demo adventure the build writes into the program folder, its start map built
// around the player standing on the map's start, for the frame benchmarks that render the game.
#pragma once

#include "UGH_data.h"
#include "UGH_main.h"

#include "FileUtils.h"
#include "GLCadencer.h"

#include <exception>
#include <memory>

// Nil when the start-up or the map fails (the benchmark skips).
inline std::unique_ptr<TForm1, TFreeDeleter> DungeonWindow()
{
    ResetGameTables();
    gamedir = ProgramFolder();
    std::unique_ptr<TForm1, TFreeDeleter> form(new TForm1(nullptr));
    try {
        form->FormCreate(form.get());
        // Frames are run by hand.
        form->GLCadencer1->SetEnabled(false);
        LoadMap(GamePath("\\levels\\startmap.map"));
        mmmode = false;
        ingame = true;
        form->BuildLevel();
        form->GoToStart();
        form->CheckAvisars(playerx, playery);
        form->FullMBW(viewdist);
        form->ProcessLights();
        // The camera reaches the player's cell before the frames are timed.
        camsnap = true;
        form->CadencerRun(1.0 / 60);
    } catch (const std::exception&) {
        return nullptr;
    }
    return form;
}
