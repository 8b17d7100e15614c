// The window services the system expects of its platform: window handles and their window procedures, a
// message queue per thread with posted, registered, paint and timer messages, tick counts and the
// high-resolution counter, window-destroy notification, native window ids, full screen and display modes.
//
// The queue runs on Qt's event loop (a QApplication must exist for timers and native windows; the forms
// layer's TApplication::Initialize makes it). Messages are handed out in the order the system relies on:
// posted messages first (in posting order), then input (which reaches the forms directly from Qt while its
// pending events are processed), then one paint message per invalidated window, then one timer message per
// due timer.
#pragma once

#include "Messages.h"

#include <cstdint>
#include <functional>
#include <string>

// A window procedure; it sets Message.Result.
using TWndMethod = std::function<void(TMessage& Message)>;

// A hidden window that only receives messages (posted, sent and timer messages) through Method.
HWND AllocateHWnd(TWndMethod Method);
// Destroys a window made by AllocateHWnd (nothing for nullptr).
void DeallocateHWnd(HWND Wnd);

// A window in the tree of windows, a child of Parent (nullptr: a top-level window). The forms layer binds
// its native window to it; until then it only receives messages.
HWND CreateWindowHandle(HWND Parent, TWndMethod Method);
// Destroys the window and its descendants: the destroy hooks and then WM_DESTROY reach the window and then
// each descendant (parent first), while every native window still exists; then their timers, pending
// messages and paints are dropped. The native windows are the owner's to destroy afterwards. False when Wnd
// is not a window.
bool DestroyWindow(HWND Wnd);
bool IsWindow(HWND Wnd);
HWND GetParent(HWND Wnd);
// True when Wnd lies below Parent (at any depth).
bool IsChild(HWND Parent, HWND Wnd);

// Called for each window being destroyed, before its WM_DESTROY, the parent before its descendants; the
// window's handle and native window are still valid. Answers an id for RemoveWindowDestroyHook.
using TWindowDestroyHook = std::function<void(HWND Wnd)>;
int AddWindowDestroyHook(TWindowDestroyHook Hook);
void RemoveWindowDestroyHook(int Id);

// Appends a message to the queue of the window's thread, stamped with the current tick count. False when
// Wnd is not a window. Any thread may post.
bool PostMessage(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam);
// Calls the window procedure at once (on the calling thread) and answers its result; 0 for no window.
LRESULT SendMessage(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam);
// The same number for the same name (letter case ignored) for the life of the process, from
// RegisteredMessageFirst on.
uint32_t RegisterWindowMessage(const std::string& Name);
// The time stamp of the message this thread dispatched last.
uint32_t GetMessageTime();

// Takes the next message of this thread's queue in the order above; when no posted message waits, pending
// Qt events (input, expose, Qt timers) are processed first. False when nothing is pending.
bool PeekMessage(TMsg& Msg);
// Hands the message to its window's procedure and answers the result; nothing when the window is gone.
LRESULT DispatchMessage(const TMsg& Msg);
// Blocks until a message or event arrives for this thread (returns at once when one is pending).
void WaitMessage();

// Marks the window for one paint message (coalesced until it is dispatched).
bool InvalidateRect(HWND Wnd);

// Starts (or restarts) timer IDEvent of the window: a WM_TIMER (WParam = IDEvent) becomes due every Elapse
// milliseconds (at least 1), on Qt's precise timers. One message per due timer, however late. Answers
// IDEvent, or 0 when the window is not a window of this thread or IDEvent is 0.
uintptr_t SetTimer(HWND Wnd, uintptr_t IDEvent, uint32_t Elapse);
bool KillTimer(HWND Wnd, uintptr_t IDEvent);

// Milliseconds since an arbitrary start, wrapping at 2^32.
uint32_t GetTickCount();
// The high-resolution counter: nanoseconds, so the frequency is 10^9 (never 0).
bool QueryPerformanceCounter(int64_t& Count);
bool QueryPerformanceFrequency(int64_t& Frequency);
// The clock behind GetTickCount, QueryPerformanceCounter and the message time stamps, in nanoseconds;
// nullptr restores the monotonic clock. For tests: the timers keep real time.
using TClockSource = int64_t (*)();
void SetClockSource(TClockSource Source);

void Sleep(uint32_t Milliseconds);

// Native windows. The X11 connection of the application (an Xlib Display*), nullptr without an X server.
void* GetX11Display();
// The X11 window of a native window; 0 for utility windows and without an X server.
uint64_t GetX11Window(HWND Wnd);
// Asks the window manager to show the window full screen (or back): the window manager's full-screen state,
// nothing done to other programs' windows. False when the window has no native window.
bool SetWindowFullScreen(HWND Wnd, bool FullScreen);

// Display modes (XRandR on the application's X11 connection).
struct TDevMode {
    uint32_t dmFields = 0; // which of the values below count (DM_...)
    uint32_t dmBitsPerPel = 0;
    uint32_t dmPelsWidth = 0;
    uint32_t dmPelsHeight = 0;
    uint32_t dmDisplayFrequency = 0; // Hz, 0 when the server reports none
};
constexpr uint32_t DM_BITSPERPEL = 0x00040000;
constexpr uint32_t DM_PELSWIDTH = 0x00080000;
constexpr uint32_t DM_PELSHEIGHT = 0x00100000;
constexpr uint32_t DM_DISPLAYFREQUENCY = 0x00400000;

constexpr int32_t ENUM_CURRENT_SETTINGS = -1;
// Mode ModeNum of the screen (each size with each of its rates, at the screen's bits per pixel), or with
// ENUM_CURRENT_SETTINGS the mode in force. False past the last mode and without an X server.
bool EnumDisplaySettings(int32_t ModeNum, TDevMode& DevMode);

constexpr uint32_t CDS_TEST = 0x00000002;
constexpr uint32_t CDS_FULLSCREEN = 0x00000004;
constexpr int32_t DISP_CHANGE_SUCCESSFUL = 0;
constexpr int32_t DISP_CHANGE_FAILED = -1;
constexpr int32_t DISP_CHANGE_BADMODE = -2;
// Switches the screen to the mode (only the fields named in dmFields count; a frequency of 0 means any).
// CDS_TEST only answers whether the mode exists. nullptr restores the mode in force before the first
// switch. DISP_CHANGE_FAILED without an X server.
int32_t ChangeDisplaySettings(const TDevMode* DevMode, uint32_t Flags);
