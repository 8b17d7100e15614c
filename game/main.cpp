// The program's entry point. The game itself is not built yet: today the program starts the application and
// the engine as the game will, says so, and shuts the engine down again.
#include "Forms.h"
#include "RandomGenerator.h"
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
    // The program's one random sequence starts from the clock.
    Randomize();
    TApplication application;
    application.Initialize(&argc, argv);
    InitVAVodadWindows();
    InitVAVodad();
    std::puts("Mirefall: the engine has started; the game and its window do not exist yet.");
    DoneVAVodad();
    return 0;
}
