#include "Joystick.h"

#include "Windows.h"

#include <linux/joystick.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr uint32_t cJoystickCount = cJoystickMessages.size();
constexpr int32_t cAxisCentre = 32767;
constexpr uint32_t cButtonMask = 0xF; // buttons 1..4

struct TCapture {
    bool Active = false;
    HWND Target = nullptr;
    int Fd = -1;
    bool ChangedOnly = true;
    // The state the drained events give: X, Y, Z in 0..65535 and the buttons 1..4.
    std::array<int32_t, 3> Axes{cAxisCentre, cAxisCentre, cAxisCentre};
    uint32_t Buttons = 0;
    bool Known = false; // an event has been read since the capture began
    // The state reported last.
    bool Reported = false;
    std::array<int32_t, 3> PostedAxes{};
    uint32_t PostedButtons = 0;
    // The start of an event whose remaining bytes have not arrived yet.
    std::array<uint8_t, sizeof(js_event)> Partial{};
    size_t PartialLength = 0;
};

std::string vPattern = "/dev/input/js%d";
std::array<TCapture, cJoystickCount> vCaptures;
std::array<uint32_t, cJoystickCount> vThresholds{};
// The hidden window whose timers poll the captures (timer id = joystick number + 1), made with the first capture.
HWND vPollWindow = nullptr;
bool vDestroyHooked = false;
// The thread the captures live on (the poll window's); windows destroyed on other threads hold none.
std::thread::id vServiceThread;

std::string DevicePath(uint32_t Id)
{
    std::string path = vPattern;
    const size_t at = path.find("%d");
    if (at != std::string::npos) path.replace(at, 2, std::to_string(Id));
    return path;
}

uint32_t OpenErrorCode(int Error)
{
    switch (Error) {
    case ENOENT:
    case ENOTDIR:
        return JOYERR_UNPLUGGED;
    case ENODEV:
    case ENXIO:
        return MMSYSERR_NODRIVER;
    default:
        return JOYERR_NOCANDO;
    }
}

// The device's file, or -1 with the code in Code.
int OpenDevice(uint32_t Id, uint32_t& Code)
{
    const int fd = open(DevicePath(Id).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    Code = fd < 0 ? OpenErrorCode(errno) : JOYERR_NOERROR;
    return fd;
}

void CloseDevice(TCapture& Capture)
{
    if (Capture.Fd >= 0) close(Capture.Fd);
    Capture.Fd = -1;
    Capture.PartialLength = 0;
}

int32_t AxisPosition(int16_t Value) { return std::clamp<int32_t>(Value + cAxisCentre, 0, cJoystickAxisMax); }

void ApplyEvent(TCapture& Capture, const js_event& Event)
{
    const uint8_t type = Event.type & ~JS_EVENT_INIT;
    if (type == JS_EVENT_AXIS && Event.number < Capture.Axes.size())
        Capture.Axes[Event.number] = AxisPosition(Event.value);
    else if (type == JS_EVENT_BUTTON && Event.number < 4) {
        const uint32_t bit = 1u << Event.number;
        Capture.Buttons = Event.value ? (Capture.Buttons | bit) : (Capture.Buttons & ~bit);
    } else
        return;
    Capture.Known = true;
}

// Reads every pending event; an unplugged device is closed (the next poll opens it again).
void Drain(TCapture& Capture)
{
    constexpr size_t cEvent = sizeof(js_event);
    std::array<uint8_t, 64 * sizeof(js_event)> buffer;
    while (Capture.Fd >= 0) {
        std::memcpy(buffer.data(), Capture.Partial.data(), Capture.PartialLength);
        const ssize_t got =
            read(Capture.Fd, buffer.data() + Capture.PartialLength, buffer.size() - Capture.PartialLength);
        if (got < 0 && errno == EINTR) continue;
        if (got == 0 || (got < 0 && errno == ENODEV)) {
            CloseDevice(Capture);
            return;
        }
        if (got < 0) return; // nothing pending (EAGAIN) or a passing fault: try again next period
        const size_t length = Capture.PartialLength + static_cast<size_t>(got);
        size_t at = 0;
        for (; at + cEvent <= length; at += cEvent) {
            js_event event;
            std::memcpy(&event, buffer.data() + at, cEvent);
            ApplyEvent(Capture, event);
        }
        Capture.PartialLength = length - at;
        std::memcpy(Capture.Partial.data(), buffer.data() + at, Capture.PartialLength);
    }
}

LPARAM PackXY(int32_t X, int32_t Y)
{
    return static_cast<LPARAM>((static_cast<uint32_t>(Y) << 16) | static_cast<uint32_t>(X));
}

// Posts what changed since the last report.
void Report(uint32_t Id, TCapture& Capture)
{
    if (!Capture.Known) return;
    const TJoystickMessageSet& messages = cJoystickMessages[Id];
    const uint32_t threshold = std::max<uint32_t>(vThresholds[Id], 1);
    const auto moved = [&](size_t axis) {
        return static_cast<uint32_t>(std::abs(Capture.Axes[axis] - Capture.PostedAxes[axis])) >= threshold;
    };
    const WPARAM buttons = Capture.Buttons;
    const LPARAM xy = PackXY(Capture.Axes[0], Capture.Axes[1]);
    if (!Capture.Reported || !Capture.ChangedOnly || moved(0) || moved(1)) {
        PostMessage(Capture.Target, messages.Move, buttons, xy);
        Capture.PostedAxes[0] = Capture.Axes[0];
        Capture.PostedAxes[1] = Capture.Axes[1];
    }
    if (Capture.Reported && moved(2)) PostMessage(Capture.Target, messages.ZMove, buttons, Capture.Axes[2]);
    if (!Capture.Reported || moved(2)) Capture.PostedAxes[2] = Capture.Axes[2];
    if (Capture.Reported) {
        const uint32_t changed = Capture.Buttons ^ Capture.PostedButtons;
        for (uint32_t i = 0; i < 4; ++i) {
            const uint32_t bit = 1u << i;
            if (!(changed & bit)) continue;
            PostMessage(Capture.Target, (Capture.Buttons & bit) ? messages.ButtonDown : messages.ButtonUp,
                        (JOY_BUTTON1CHG << i) | buttons, xy);
        }
    }
    Capture.PostedButtons = Capture.Buttons;
    Capture.Reported = true;
}

void Poll(uint32_t Id)
{
    TCapture& capture = vCaptures[Id];
    if (!capture.Active) return;
    if (capture.Fd < 0) {
        uint32_t code;
        capture.Fd = OpenDevice(Id, code);
        if (capture.Fd < 0) return;
    }
    Drain(capture);
    Report(Id, capture);
}

void EndCapture(uint32_t Id)
{
    TCapture& capture = vCaptures[Id];
    if (!capture.Active) return;
    KillTimer(vPollWindow, Id + 1);
    CloseDevice(capture);
    capture = TCapture{};
}

// A capture dies with its window.
void WindowDestroyed(HWND Wnd)
{
    if (std::this_thread::get_id() != vServiceThread) return;
    for (uint32_t id = 0; id < cJoystickCount; ++id)
        if (vCaptures[id].Active && vCaptures[id].Target == Wnd) EndCapture(id);
}

bool PrepareService()
{
    if (!vDestroyHooked) {
        AddWindowDestroyHook(WindowDestroyed);
        vDestroyHooked = true;
    }
    if (!vPollWindow) {
        vPollWindow = AllocateHWnd([](TMessage& Message) {
            if (Message.Msg == WM_TIMER && Message.WParam >= 1 && Message.WParam <= cJoystickCount)
                Poll(static_cast<uint32_t>(Message.WParam - 1));
        });
        vServiceThread = std::this_thread::get_id();
    }
    // The captures and their timers belong to one thread.
    return vPollWindow && std::this_thread::get_id() == vServiceThread;
}

} // namespace

uint32_t joyGetDevCapsW(uint32_t uJoyID, TJoyCaps& Caps)
{
    if (uJoyID >= cJoystickCount) return JOYERR_UNPLUGGED;
    uint32_t code;
    const int fd = OpenDevice(uJoyID, code);
    if (fd < 0) return code;
    uint8_t buttons = 0;
    const bool counted = ioctl(fd, JSIOCGBUTTONS, &buttons) == 0;
    close(fd);
    Caps = TJoyCaps{};
    for (uint32_t* max : {&Caps.wXmax, &Caps.wYmax, &Caps.wZmax, &Caps.wRmax, &Caps.wUmax, &Caps.wVmax})
        *max = cJoystickAxisMax;
    Caps.wNumButtons = counted ? buttons : 4;
    return JOYERR_NOERROR;
}

uint32_t joySetCapture(HWND hwnd, uint32_t uJoyID, uint32_t uPeriod, bool fChanged)
{
    if (uJoyID >= cJoystickCount) return JOYERR_UNPLUGGED;
    if (vCaptures[uJoyID].Active || !IsWindow(hwnd) || !PrepareService()) return JOYERR_NOCANDO;
    uint32_t code;
    const int fd = OpenDevice(uJoyID, code);
    if (fd < 0) return code;
    if (!SetTimer(vPollWindow, uJoyID + 1, uPeriod)) {
        close(fd);
        return JOYERR_NOCANDO;
    }
    TCapture& capture = vCaptures[uJoyID];
    capture = TCapture{};
    capture.Active = true;
    capture.Target = hwnd;
    capture.Fd = fd;
    capture.ChangedOnly = fChanged;
    return JOYERR_NOERROR;
}

uint32_t joySetThreshold(uint32_t uJoyID, uint32_t uThreshold)
{
    if (uJoyID >= cJoystickCount) return JOYERR_UNPLUGGED;
    vThresholds[uJoyID] = uThreshold;
    return JOYERR_NOERROR;
}

uint32_t joyReleaseCapture(uint32_t uJoyID)
{
    if (uJoyID >= cJoystickCount) return JOYERR_UNPLUGGED;
    EndCapture(uJoyID);
    return JOYERR_NOERROR;
}

void SetJoystickDevicePattern(const std::string& Pattern) { vPattern = Pattern; }

const std::string& JoystickDevicePattern() { return vPattern; }

void PollJoysticks()
{
    for (uint32_t id = 0; id < cJoystickCount; ++id) Poll(id);
}
