// The message queue's round trip (post, take in order, dispatch to the window procedure, Qt's events pumped
// on the way) beside a plain deque of the same records calling the same procedure, and the per-tick path of
// an as-soon-as-possible frame clock (each tick processes pending messages, then posts the next) beside the
// bare round trip.
#include "Forms.h"
#include "Windows.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <deque>
#include <functional>

#include "BenchBaseline.h"

namespace {

void BM_PlainQueueRoundTrip(benchmark::State& state)
{
    int64_t received = 0;
    const std::function<void(TMessage&)> method = [&](TMessage& m) { received += static_cast<int64_t>(m.WParam); };
    std::deque<TMsg> queue;
    for (auto _ : state) {
        queue.push_back(TMsg{nullptr, WM_USER, 1, 0, 0});
        TMsg msg = queue.front();
        queue.pop_front();
        TMessage message{msg.message, msg.wParam, msg.lParam, 0};
        method(message);
    }
    benchmark::DoNotOptimize(received);
}
BENCHMARK(BM_PlainQueueRoundTrip);

void BM_PostDispatchRoundTrip(benchmark::State& state)
{
    int64_t received = 0;
    HWND wnd = AllocateHWnd([&](TMessage& m) { received += static_cast<int64_t>(m.WParam); });
    TMsg msg;
    for (auto _ : state) {
        PostMessage(wnd, WM_USER, 1, 0);
        PeekMessage(msg);
        DispatchMessage(msg);
    }
    DeallocateHWnd(wnd);
    benchmark::DoNotOptimize(received);
}
BENCHMARK(BM_PostDispatchRoundTrip);
BENCHMARK_BASELINE(BM_PostDispatchRoundTrip, BM_PlainQueueRoundTrip);

// One tick of the chain: the tick message is taken and dispatched; its handler processes what is pending
// (nothing here) and posts the next tick.
void BM_AsSoonAsPossibleTick(benchmark::State& state)
{
    const uint32_t tick = RegisterWindowMessage("TickGLCadencer");
    HWND wnd = nullptr;
    wnd = AllocateHWnd([&](TMessage& m) {
        if (m.Msg != tick) return;
        Application->ProcessMessages();
        PostMessage(wnd, tick, 0, 0);
    });
    PostMessage(wnd, tick, 0, 0);
    TMsg msg;
    for (auto _ : state) {
        PeekMessage(msg);
        DispatchMessage(msg);
    }
    DeallocateHWnd(wnd);
}
BENCHMARK(BM_AsSoonAsPossibleTick);
BENCHMARK_BASELINE(BM_AsSoonAsPossibleTick, BM_PostDispatchRoundTrip);

} // namespace
