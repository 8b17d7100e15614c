// Display modes: the table of the modes the screen offers (read once), the choice of the smallest mode at
// least as large as asked, and switching the screen to a mode and back to the desktop mode.
#pragma once

#include "Windows.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TVideoMode {
    uint16_t Width;
    uint16_t Height;
    uint8_t ColorDepth;    // bits per pixel
    uint16_t MaxFrequency; // the highest refresh rate seen, in Hz (wide enough for today's screens)
    std::string Description;
};

enum TGLScreenDepth { sd8bits, sd16bits, sd24bits, sd32bits };
constexpr int32_t ScreenDepthBits[] = {8, 16, 24, 32};

constexpr int32_t cMaxVideoModes = 200;
// Entry 0 is the desktop mode, described "default"; the table is empty until read.
extern std::vector<TVideoMode> VideoModes;
extern int32_t VideoModeCount;
// The mode last switched to; 0 while the desktop mode is in force.
extern int32_t CurrentVideoMode;

// Fills the table once: the desktop mode, every mode the screen enumerates, and the low-resolution modes
// the screen accepts when it refuses a nonsense mode.
void ReadVideoModes();
// Raises the refresh rate of an entry with the same size and bits, or appends the mode when the screen
// would accept it.
void AddVideoMode(const TDevMode& dm);
// The entry (from 1 on) whose width, height and bits exceed the minimums least; 0 when none is as large.
uint8_t ClosestVideoMode(int32_t minWidth, int32_t minHeight, int32_t minBits);
// Switches the screen to the entry, at the refresh rate (0: any; at most the mode's highest). False when the
// switch fails.
bool ApplyVideoMode(int32_t modeIndex, int32_t refreshRate);
void RestoreDefaultVideoMode();
// The module's end: the desktop mode back when another is in force, and the table emptied.
void DoneGLScreen();

// The display-settings service the module uses; tests put a screen of their own in its place (nullptr: the
// platform's).
using TEnumDisplaySettingsProc = std::function<bool(int32_t ModeNum, TDevMode& DevMode)>;
using TChangeDisplaySettingsProc = std::function<int32_t(const TDevMode* DevMode, uint32_t Flags)>;
void SetDisplaySettingsProcs(TEnumDisplaySettingsProc AEnum, TChangeDisplaySettingsProc AChange);
// The screen's mode in force (size and bits per pixel); zeros when it cannot be read.
TDevMode CurrentScreenMode();
