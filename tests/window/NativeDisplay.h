// The test program's one X server connection, handed to the platform OpenGL layer before anything opens the
// OpenGL display; null when there is no X server.
#pragma once

#include "PlatformGL.h"

inline void* TestNativeDisplay()
{
    static void* vDisplay = [] {
        void* display = PglOpenNativeDisplay();
        if (display) PglSetNativeDisplay(display);
        return display;
    }();
    return vDisplay;
}
