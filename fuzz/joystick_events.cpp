// Any bytes as a joystick device's stream: written into a FIFO that stands for js0 in pieces of up to 13
// bytes (so records split across reads), each piece polled by the joystick service and handed to a capturing
// component. Nothing may crash, and whatever arrives stays in range: buttons 1..4 only, deflections and
// positions within what the positions 0..65535 allow.
#include "Forms.h"
#include "GLJoystick.h"
#include "GameFuzzFiles.h"
#include "Joystick.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The application (its timers), the device FIFO and its writer, made once.
int DeviceWriter()
{
    static TApplication* application = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        auto* app = new TApplication(nullptr);
        app->Initialize();
        return app;
    }();
    (void)application;
    static const int writer = [] {
        const std::string node = (FuzzFolder() / "js0").string();
        Check(mkfifo(node.c_str(), 0600) == 0);
        SetJoystickDevicePattern((FuzzFolder() / "js%d").string());
        return open(node.c_str(), O_RDWR | O_NONBLOCK);
    }();
    Check(writer >= 0);
    return writer;
}

void CheckEvent(TJoystickButtons Buttons, int32_t X, int32_t Y, int32_t Least, int32_t Most)
{
    Check((Buttons.Bits() & ~0xF) == 0);
    Check(X >= Least && X <= Most && Y >= Least && Y <= Most);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int writer = DeviceWriter();
    TGLJoystick joystick(nullptr);
    joystick.SetThreshold(size > 0 ? data[0] : 1000);
    joystick.SetJoystickID(jidJoystick1);
    joystick.SetCapture(true);
    Check(joystick.Capture());
    // The line through five samples of 0..65535 ends between -65535/5 and 6 x 65535/5: deflections within 140
    // per cent, the raw positions a button change reports within those ends.
    joystick.OnJoystickMove = [](TObject*, TJoystickID id, TJoystickButtons buttons, int32_t x, int32_t y) {
        Check(id == jidJoystick1);
        CheckEvent(buttons, x, y, -140, 140);
    };
    joystick.OnJoystickButtonChange = [](TObject*, TJoystickID, TJoystickButtons buttons, int32_t x, int32_t y) {
        CheckEvent(buttons, x, y, -13107, 78642);
    };
    for (size_t at = 0; at < size;) {
        const ssize_t written = write(writer, data + at, std::min<size_t>(13, size - at));
        Check(written > 0);
        at += static_cast<size_t>(written);
        PollJoysticks();
        Application->ProcessMessages();
    }
    return 0;
}
