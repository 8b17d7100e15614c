// The program's entry point: the application and the engine start, the game's windows are made and the game
// starts behind the splash, then the message loop runs until the game ends.
#include "Forms.h"
#include "UGH_log.h"
#include "UGH_program.h"
#include "VAVodadInit.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    // The game shows a window: without a display there is nothing to show it on.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
        std::fputs("Mirefall needs a display: DISPLAY is not set.\n", stderr);
        return 1;
    }
    TApplication application;
    application.Initialize(&argc, argv);
    InitVAVodadWindows();
    InitVAVodad();
    WriteGameLogToStderr();

    TGameWindows windows = StartGame();
    const bool started = windows.Started;
    if (started) application.Run();
    // The windows hold the scene and its rendering contexts: they go before the engine.
    FreeGameWindows(windows);
    DoneVAVodad();
    return started ? 0 : 1;
}
