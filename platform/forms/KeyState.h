// The state of the keys and mouse buttons as the program's windows see them, at the moment of asking.
#pragma once

#include <cstdint>

// The high bit (the value is negative) while the key or mouse button VKey (VirtualKeys.h) is down. The state
// is followed from the application's first window or first call on; keys held while another program has the
// keyboard count as up.
int16_t GetAsyncKeyState(int32_t VKey);

// Starts following the state (once; needs the Qt application).
void TrackKeyState();
