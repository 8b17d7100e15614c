// The platform's joystick services on the Linux joystick devices (/dev/input/js0 and js1): device
// capabilities, and captures that post the joystick messages to a window.
//
// A capture polls its device on a platform timer of its own every period: it drains the pending events (the
// device's initial events give the state), then posts to the capturing window at most one move message (when X
// or Y moved by the threshold since the move posted last, or when none has been posted yet), one Z-move message
// (Z moved by the threshold) and one button message per changed button 1..4. Positions are reported 0..65535.
// An unplugged device (end of file or ENODEV on a read) is closed quietly and opened again each period. A
// capture ends with joyReleaseCapture or when its window is destroyed.
#pragma once

#include "Messages.h"

#include <array>
#include <cstdint>
#include <string>

// Result codes.
constexpr uint32_t JOYERR_NOERROR = 0;
constexpr uint32_t MMSYSERR_NODRIVER = 6;  // a device node with no device behind it
constexpr uint32_t JOYERR_NOCANDO = 166;   // any other failure
constexpr uint32_t JOYERR_UNPLUGGED = 167; // no device node (and any number beyond the two joysticks)

constexpr uint32_t JOYSTICKID1 = 0;
constexpr uint32_t JOYSTICKID2 = 1;

// Messages: WParam holds the buttons held (bit 0 is button 1); the move messages carry X in the low and Y in
// the high word of LParam, the Z-move messages Z in the low word. The button messages add the changed button's
// JOY_BUTTONnCHG flag to WParam and carry X and Y like a move.
constexpr uint32_t MM_JOY1MOVE = 0x3A0;
constexpr uint32_t MM_JOY2MOVE = 0x3A1;
constexpr uint32_t MM_JOY1ZMOVE = 0x3A2;
constexpr uint32_t MM_JOY2ZMOVE = 0x3A3;
constexpr uint32_t MM_JOY1BUTTONDOWN = 0x3B5;
constexpr uint32_t MM_JOY2BUTTONDOWN = 0x3B6;
constexpr uint32_t MM_JOY1BUTTONUP = 0x3B7;
constexpr uint32_t MM_JOY2BUTTONUP = 0x3B8;

// The four messages of each joystick, by its number.
struct TJoystickMessageSet {
    uint32_t Move, ZMove, ButtonDown, ButtonUp;
};
constexpr std::array<TJoystickMessageSet, 2> cJoystickMessages{{
    {MM_JOY1MOVE, MM_JOY1ZMOVE, MM_JOY1BUTTONDOWN, MM_JOY1BUTTONUP},
    {MM_JOY2MOVE, MM_JOY2ZMOVE, MM_JOY2BUTTONDOWN, MM_JOY2BUTTONUP},
}};

constexpr WPARAM JOY_BUTTON1 = 0x0001;
constexpr WPARAM JOY_BUTTON2 = 0x0002;
constexpr WPARAM JOY_BUTTON3 = 0x0004;
constexpr WPARAM JOY_BUTTON4 = 0x0008;
constexpr WPARAM JOY_BUTTON1CHG = 0x0100;
constexpr WPARAM JOY_BUTTON2CHG = 0x0200;
constexpr WPARAM JOY_BUTTON3CHG = 0x0400;
constexpr WPARAM JOY_BUTTON4CHG = 0x0800;

// The largest position on every axis; the least is 0.
constexpr uint32_t cJoystickAxisMax = 65535;

// What a joystick offers: the range of each of its six axes (X, Y, Z, R, U, V) and its number of buttons.
struct TJoyCaps {
    uint32_t wXmin = 0, wXmax = 0;
    uint32_t wYmin = 0, wYmax = 0;
    uint32_t wZmin = 0, wZmax = 0;
    uint32_t wRmin = 0, wRmax = 0;
    uint32_t wUmin = 0, wUmax = 0;
    uint32_t wVmin = 0, wVmax = 0;
    uint32_t wNumButtons = 0; // as the device reports, else 4
};

// The capabilities of joystick uJoyID (JOYSTICKID1 or JOYSTICKID2); Caps is filled on success only.
uint32_t joyGetDevCapsW(uint32_t uJoyID, TJoyCaps& Caps);
// Captures the joystick to hwnd, polling every uPeriod milliseconds. With fChanged a move is posted only
// when the position moved by the threshold; without it every period posts one once the state is known. A
// joystick captured already, or a call from another thread than the first capture's, gives JOYERR_NOCANDO.
uint32_t joySetCapture(HWND hwnd, uint32_t uJoyID, uint32_t uPeriod, bool fChanged);
// The distance X, Y or Z must move before a move is posted (0 counts as 1); kept for the joystick's captures
// from now on.
uint32_t joySetThreshold(uint32_t uJoyID, uint32_t uThreshold);
// Ends the joystick's capture (nothing when it has none).
uint32_t joyReleaseCapture(uint32_t uJoyID);

// The device path of each joystick: "%d" stands for its number. "/dev/input/js%d" by default; tests point it
// at a folder of their own.
void SetJoystickDevicePattern(const std::string& Pattern);
const std::string& JoystickDevicePattern();
// Polls every capture now, as its timer does.
void PollJoysticks();
