// Joystick devices for the tests: FIFOs named js0 and js1 in a temporary folder that the joystick service is
// pointed at, each with a writer the test feeds joystick event records through.
#pragma once

#include "Forms.h"
#include "Joystick.h"
#include "TempFolder.h"

#include <linux/joystick.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fcntl.h>
#include <initializer_list>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

// Raw device values: the service reports value + 32767.
constexpr int16_t cRawLeft = -32767, cRawRight = 32767;

inline js_event AxisEvent(uint8_t Axis, int16_t Value) { return js_event{0, Value, JS_EVENT_AXIS, Axis}; }
inline js_event ButtonEvent(uint8_t Button, bool Down)
{
    return js_event{0, int16_t(Down ? 1 : 0), JS_EVENT_BUTTON, Button};
}
// The raw value that the service reports as Position (0..65534).
inline int16_t RawOf(int32_t Position) { return static_cast<int16_t>(Position - 32767); }

class JoystickDevices : public ::testing::Test {
protected:
    void SetUp() override
    {
        FSavedPattern = JoystickDevicePattern();
        SetJoystickDevicePattern(Folder / "js%d");
    }
    void TearDown() override
    {
        for (int fd : FWriters)
            if (fd >= 0) close(fd);
        SetJoystickDevicePattern(FSavedPattern);
    }

    std::string Path(int Id) const { return Folder / ("js" + std::to_string(Id)); }

    // The device node of joystick Id as a FIFO with a writer (read-write, so it never blocks and the reader
    // never sees the end while it is open).
    void Plug(int Id)
    {
        if (Writer(Id) >= 0) return;
        if (access(Path(Id).c_str(), F_OK) != 0) {
            ASSERT_EQ(mkfifo(Path(Id).c_str(), 0600), 0);
        }
        Writer(Id) = open(Path(Id).c_str(), O_RDWR | O_NONBLOCK);
        ASSERT_GE(Writer(Id), 0);
    }
    // Closes the writer: the reader sees the end of the file.
    void Unplug(int Id)
    {
        close(Writer(Id));
        Writer(Id) = -1;
    }
    // A node that opens with ENXIO, as a device node with no device behind it does.
    void MakeDeadNode(int Id)
    {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        Path(Id).copy(address.sun_path, sizeof(address.sun_path) - 1);
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        close(fd);
    }
    // A node that fails to open otherwise (a link to itself).
    void MakeBrokenNode(int Id) { ASSERT_EQ(symlink(Path(Id).c_str(), Path(Id).c_str()), 0); }

    void Feed(int Id, std::initializer_list<js_event> Events) { FeedBytes(Id, EventBytes(Events)); }
    void FeedBytes(int Id, const std::string& Bytes)
    {
        ASSERT_EQ(write(Writer(Id), Bytes.data(), Bytes.size()), static_cast<ssize_t>(Bytes.size()));
    }
    static std::string EventBytes(std::initializer_list<js_event> Events)
    {
        std::string bytes;
        for (const js_event& event : Events) bytes.append(reinterpret_cast<const char*>(&event), sizeof(event));
        return bytes;
    }

    // One poll of every capture, then the messages it posted are handled.
    static void Poll()
    {
        PollJoysticks();
        Application->ProcessMessages();
    }

    TempFolder Folder;

private:
    int& Writer(int Id)
    {
        if (FWriters.size() <= static_cast<size_t>(Id)) FWriters.resize(Id + 1, -1);
        return FWriters[Id];
    }

    std::string FSavedPattern;
    std::vector<int> FWriters;
};
