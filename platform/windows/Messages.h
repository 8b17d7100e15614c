// Window messages: the handle type, the message records and the message numbers the system uses.
#pragma once

#include <cstdint>

// A window: a native one (a form, a control with its own native window) or a hidden utility window that
// only receives messages. The value is opaque; nullptr is no window.
struct TWindowHandle;
using HWND = TWindowHandle*;

using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

// A message as a window procedure receives it.
struct TMessage {
    uint32_t Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

// A message as the queue hands it out; time is the millisecond tick count when it was posted (or, for paint
// and timer messages, when it was taken from the queue).
struct TMsg {
    HWND hwnd;
    uint32_t message;
    WPARAM wParam;
    LPARAM lParam;
    uint32_t time;
};

constexpr uint32_t WM_NULL = 0x0000;
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_PAINT = 0x000F;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_ERASEBKGND = 0x0014;
constexpr uint32_t WM_GETDLGCODE = 0x0087;
// Keys: WParam the virtual-key code (WM_KEYDOWN, WM_KEYUP) or one UTF-16 unit of the character typed
// (WM_CHAR). Sent or posted to a control, they take the path of the keys it receives from the keyboard: the
// form first when it previews keys, then the control. A posted WM_KEYDOWN brings no WM_CHAR of its own.
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_CHAR = 0x0102;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;
constexpr uint32_t WM_TIMER = 0x0113;
// Mouse: WParam the MK_ flags of the buttons and keys held, LParam the point in the control's client area
// (MAKELPARAM of the signed x and y). Sent or posted to a control, they take the path of the mouse's buttons.
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr uint32_t WM_MBUTTONUP = 0x0208;
constexpr uint32_t WM_USER = 0x0400;
// Mouse entering and leaving a control.
constexpr uint32_t CM_MOUSEENTER = 0xB013;
constexpr uint32_t CM_MOUSELEAVE = 0xB014;
// Registered messages take numbers from this range on.
constexpr uint32_t RegisteredMessageFirst = 0xC000;

// WM_SIZE kinds (WParam).
constexpr WPARAM SIZE_RESTORED = 0;

// WM_SYSCOMMAND commands (WParam).
constexpr WPARAM SC_MINIMIZE = 0xF020;

// Mouse message flags (WParam): the buttons and keys held.
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

// WM_GETDLGCODE answers.
constexpr LRESULT DLGC_WANTARROWS = 0x0001;

constexpr LPARAM MAKELPARAM(uint16_t Low, uint16_t High)
{
    return static_cast<LPARAM>(static_cast<uint32_t>(Low) | (static_cast<uint32_t>(High) << 16));
}
constexpr uint16_t LOWORD(LPARAM Value) { return static_cast<uint16_t>(Value & 0xFFFF); }
constexpr uint16_t HIWORD(LPARAM Value) { return static_cast<uint16_t>((Value >> 16) & 0xFFFF); }
// The signed coordinates of a mouse message's point.
constexpr int32_t GET_X_LPARAM(LPARAM Value) { return static_cast<int16_t>(LOWORD(Value)); }
constexpr int32_t GET_Y_LPARAM(LPARAM Value) { return static_cast<int16_t>(HIWORD(Value)); }
