// One poll of a captured joystick draining 64 pending events (the service reads them from its device FIFO and
// posts the move, the message pump hands it to the component, which smooths it and calls its event) beside a
// plain read() of the same 512 bytes from a pipe. Both write the bytes first.
#include "Forms.h"
#include "GLJoystick.h"
#include "Joystick.h"

#include <benchmark/benchmark.h>

#include <linux/joystick.h>

#include <array>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "BenchBaseline.h"

namespace {

constexpr int cEvents = 64;

// 64 axis events on X and Y; Shift moves the stick so that every poll posts a move.
std::array<js_event, cEvents> Events(int16_t Shift)
{
    std::array<js_event, cEvents> events;
    for (int i = 0; i < cEvents; ++i)
        events[i] = js_event{static_cast<uint32_t>(i), static_cast<int16_t>(i * 100 + Shift), JS_EVENT_AXIS,
                             static_cast<uint8_t>(i % 2)};
    return events;
}

void BM_PlainPipeRead(benchmark::State& state)
{
    int fds[2];
    if (pipe2(fds, O_NONBLOCK) != 0) {
        state.SkipWithError("no pipe");
        return;
    }
    const auto events = Events(0);
    std::array<js_event, cEvents> read_back;
    for (auto _ : state) {
        benchmark::DoNotOptimize(write(fds[1], events.data(), sizeof(events)));
        benchmark::DoNotOptimize(read(fds[0], read_back.data(), sizeof(read_back)));
    }
    close(fds[0]);
    close(fds[1]);
}
BENCHMARK(BM_PlainPipeRead);

void BM_JoystickPoll(benchmark::State& state)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "mirefall_bench_XXXXXX").string();
    const std::filesystem::path folder = mkdtemp(pattern.data());
    const std::string node = (folder / "js0").string();
    const std::string saved = JoystickDevicePattern();
    SetJoystickDevicePattern((folder / "js%d").string());
    mkfifo(node.c_str(), 0600);
    const int writer = open(node.c_str(), O_RDWR | O_NONBLOCK);
    {
        TGLJoystick joystick(nullptr);
        joystick.SetThreshold(1);
        joystick.SetJoystickID(jidJoystick1);
        joystick.SetCapture(true);
        int64_t moves = 0;
        joystick.OnJoystickMove = [&](TObject*, TJoystickID, TJoystickButtons, int32_t, int32_t) { ++moves; };
        const std::array<std::array<js_event, cEvents>, 2> batches{Events(0), Events(50)};
        size_t batch = 0;
        if (!joystick.Capture()) state.SkipWithError("no capture");
        for (auto _ : state) {
            benchmark::DoNotOptimize(write(writer, batches[batch].data(), sizeof(batches[batch])));
            batch ^= 1;
            PollJoysticks();
            Application->ProcessMessages();
        }
        benchmark::DoNotOptimize(moves);
    }
    close(writer);
    SetJoystickDevicePattern(saved);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_JoystickPoll);
BENCHMARK_BASELINE(BM_JoystickPoll, BM_PlainPipeRead);

} // namespace
