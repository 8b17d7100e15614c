#include "Windows.h"

#include "NativeWindows.h"
#include "SysUtils.h"

#include <QtCore/QAbstractEventDispatcher>
#include <QtCore/QCoreApplication>
#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QThread>
#include <QtCore/QTimerEvent>
#include <QtGui/QGuiApplication>
#include <QtGui/QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_set>
#include <vector>

namespace {

struct TThreadQueue;

} // namespace

struct TWindowHandle {
    TWndMethod Method;
    TWindowHandle* Parent = nullptr;
    std::vector<TWindowHandle*> Children;
    TThreadQueue* Queue = nullptr;
    QPointer<QWindow> Native;
    bool Invalid = false;    // a paint message is pending
    bool Destroying = false; // DestroyWindow has begun; no more queued messages
    int Dispatching = 0;     // procedure calls running: the record outlives them
    bool Dead = false;       // destroyed while a call was running; freed when the last one returns
};

namespace {

// Everything below is guarded by one lock; no window procedure, hook or Qt event processing runs under it.
std::mutex gLock;
std::unordered_set<HWND> gLive;
std::vector<std::pair<int, TWindowDestroyHook>> gDestroyHooks;
int gNextHookId = 1;
std::map<std::string, uint32_t> gRegisteredMessages;
std::atomic<TClockSource> gClock{nullptr};
thread_local uint32_t gMessageTime = 0;

struct TTimerRecord {
    HWND Wnd;
    uintptr_t ID;
    int QtId;
    bool Due;
};

class TTimerPump : public QObject {
public:
    explicit TTimerPump(TThreadQueue* Queue) : FQueue(Queue) {}

protected:
    void timerEvent(QTimerEvent* Event) override;

private:
    TThreadQueue* FQueue;
};

// The messages of one thread. Created when the thread first makes a window or looks at its queue; kept for
// the life of the process.
struct TThreadQueue {
    std::thread::id Owner = std::this_thread::get_id();
    QThread* Thread = QThread::currentThread();
    std::deque<TMsg> Posted;
    std::deque<HWND> Invalid;        // windows waiting for their paint message, in invalidation order
    std::vector<TTimerRecord> Timers;
    std::deque<int> Due;             // Qt ids of the timers that fell due, in that order
    TTimerPump* Pump = nullptr;      // made with the thread's first timer

    bool Pending() const { return !Posted.empty() || !Invalid.empty() || !Due.empty(); }
    TTimerRecord* FindTimer(int QtId)
    {
        for (TTimerRecord& timer : Timers)
            if (timer.QtId == QtId) return &timer;
        return nullptr;
    }
};

std::vector<TThreadQueue*> gQueues; // reachable to the end, like the threads' queues on the platform
thread_local TThreadQueue* gCurrentQueue = nullptr;

TThreadQueue& CurrentQueue()
{
    if (!gCurrentQueue) {
        gCurrentQueue = new TThreadQueue;
        std::lock_guard<std::mutex> guard(gLock);
        gQueues.push_back(gCurrentQueue);
    }
    return *gCurrentQueue;
}

void TTimerPump::timerEvent(QTimerEvent* Event)
{
    std::lock_guard<std::mutex> guard(gLock);
    TTimerRecord* timer = FQueue->FindTimer(Event->timerId());
    if (timer && !timer->Due) {
        timer->Due = true;
        FQueue->Due.push_back(timer->QtId);
    }
}

bool Alive(HWND Wnd) { return Wnd && gLive.count(Wnd) != 0; }

int64_t NowNanoseconds()
{
    const TClockSource source = gClock.load(std::memory_order_relaxed);
    return source ? source() : MonotonicNanoseconds();
}

// Wakes a thread that waits in WaitMessage for messages posted from another thread.
void WakeQueue(TThreadQueue* Queue)
{
    if (Queue->Owner == std::this_thread::get_id()) return;
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(Queue->Thread))
        dispatcher->wakeUp();
}

// Runs a window procedure; the record stays until the call returns even if the window is destroyed by it.
LRESULT CallWindowMethod(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam)
{
    struct TCallGuard {
        HWND Wnd;
        ~TCallGuard()
        {
            std::lock_guard<std::mutex> guard(gLock);
            if (--Wnd->Dispatching == 0 && Wnd->Dead) delete Wnd;
        }
    } callGuard{Wnd};
    TMessage message{Msg, WParam, LParam, 0};
    if (Wnd->Method) Wnd->Method(message);
    return message.Result;
}

void PumpQtEvents()
{
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void CollectTree(HWND Wnd, std::vector<HWND>& Tree)
{
    Tree.push_back(Wnd);
    for (HWND child : Wnd->Children)
        if (!child->Destroying) CollectTree(child, Tree);
}

void ReportDestroyFailure(const char* What)
{
    std::fprintf(stderr, "DestroyWindow: %s\n", What);
}

} // namespace

HWND CreateWindowHandle(HWND Parent, TWndMethod Method)
{
    TThreadQueue& queue = CurrentQueue();
    std::lock_guard<std::mutex> guard(gLock);
    if (Parent && (!Alive(Parent) || Parent->Destroying)) return nullptr;
    auto* wnd = new TWindowHandle;
    wnd->Method = std::move(Method);
    wnd->Parent = Parent;
    wnd->Queue = &queue;
    if (Parent) Parent->Children.push_back(wnd);
    gLive.insert(wnd);
    return wnd;
}

HWND AllocateHWnd(TWndMethod Method) { return CreateWindowHandle(nullptr, std::move(Method)); }

void DeallocateHWnd(HWND Wnd)
{
    if (Wnd) DestroyWindow(Wnd);
}

bool DestroyWindow(HWND Wnd)
{
    std::vector<HWND> tree;
    {
        std::lock_guard<std::mutex> guard(gLock);
        if (!Alive(Wnd) || Wnd->Destroying) return false;
        CollectTree(Wnd, tree);
        for (HWND w : tree) w->Destroying = true;
    }
    // Parent first, every native window still there: the hooks (contexts drop their surfaces), then the
    // window's own WM_DESTROY. Destruction must go on whatever a handler does.
    for (HWND w : tree) {
        std::vector<TWindowDestroyHook> hooks;
        {
            std::lock_guard<std::mutex> guard(gLock);
            for (auto it = gDestroyHooks.rbegin(); it != gDestroyHooks.rend(); ++it) hooks.push_back(it->second);
        }
        try {
            for (const TWindowDestroyHook& hook : hooks) hook(w);
            SendMessage(w, WM_DESTROY, 0, 0);
        } catch (const std::exception& e) {
            ReportDestroyFailure(e.what());
        } catch (...) {
            ReportDestroyFailure("unknown exception");
        }
    }
    std::vector<std::pair<TTimerPump*, int>> timersToKill;
    {
        std::lock_guard<std::mutex> guard(gLock);
        if (Wnd->Parent && !Wnd->Parent->Destroying) std::erase(Wnd->Parent->Children, Wnd);
        for (HWND w : tree) {
            TThreadQueue& queue = *w->Queue;
            std::erase_if(queue.Posted, [w](const TMsg& m) { return m.hwnd == w; });
            std::erase(queue.Invalid, w);
            std::erase_if(queue.Timers, [&](const TTimerRecord& t) {
                if (t.Wnd != w) return false;
                std::erase(queue.Due, t.QtId);
                timersToKill.emplace_back(queue.Pump, t.QtId);
                return true;
            });
            gLive.erase(w);
            if (w->Dispatching)
                w->Dead = true;
            else
                delete w;
        }
    }
    for (auto [pump, id] : timersToKill)
        if (pump->thread() == QThread::currentThread()) pump->killTimer(id);
    return true;
}

bool IsWindow(HWND Wnd)
{
    std::lock_guard<std::mutex> guard(gLock);
    return Alive(Wnd);
}

HWND GetParent(HWND Wnd)
{
    std::lock_guard<std::mutex> guard(gLock);
    return Alive(Wnd) ? Wnd->Parent : nullptr;
}

bool IsChild(HWND Parent, HWND Wnd)
{
    std::lock_guard<std::mutex> guard(gLock);
    if (!Alive(Parent) || !Alive(Wnd)) return false;
    for (HWND w = Wnd->Parent; w; w = w->Parent)
        if (w == Parent) return true;
    return false;
}

int AddWindowDestroyHook(TWindowDestroyHook Hook)
{
    std::lock_guard<std::mutex> guard(gLock);
    gDestroyHooks.emplace_back(gNextHookId, std::move(Hook));
    return gNextHookId++;
}

void RemoveWindowDestroyHook(int Id)
{
    std::lock_guard<std::mutex> guard(gLock);
    std::erase_if(gDestroyHooks, [Id](const auto& entry) { return entry.first == Id; });
}

bool PostMessage(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam)
{
    const uint32_t stamp = GetTickCount();
    TThreadQueue* queue;
    {
        std::lock_guard<std::mutex> guard(gLock);
        if (!Alive(Wnd) || Wnd->Destroying) return false;
        queue = Wnd->Queue;
        queue->Posted.push_back(TMsg{Wnd, Msg, WParam, LParam, stamp});
    }
    WakeQueue(queue);
    return true;
}

LRESULT SendMessage(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam)
{
    {
        std::lock_guard<std::mutex> guard(gLock);
        if (!Alive(Wnd)) return 0;
        ++Wnd->Dispatching;
    }
    return CallWindowMethod(Wnd, Msg, WParam, LParam);
}

uint32_t RegisterWindowMessage(const std::string& Name)
{
    std::lock_guard<std::mutex> guard(gLock);
    const std::string key = UpperCase(Name);
    auto it = gRegisteredMessages.find(key);
    if (it != gRegisteredMessages.end()) return it->second;
    const auto id = static_cast<uint32_t>(RegisteredMessageFirst + gRegisteredMessages.size());
    if (id > 0xFFFF) return 0; // the range is full
    gRegisteredMessages.emplace(key, id);
    return id;
}

uint32_t GetMessageTime() { return gMessageTime; }

namespace {

bool TakePosted(TThreadQueue& Queue, TMsg& Msg)
{
    if (Queue.Posted.empty()) return false;
    Msg = Queue.Posted.front();
    Queue.Posted.pop_front();
    return true;
}

} // namespace

bool PeekMessage(TMsg& Msg)
{
    TThreadQueue& queue = CurrentQueue();
    {
        // Posted messages go before input: Qt's events wait until none is left.
        std::lock_guard<std::mutex> guard(gLock);
        if (TakePosted(queue, Msg)) return true;
    }
    PumpQtEvents();
    std::lock_guard<std::mutex> guard(gLock);
    if (TakePosted(queue, Msg)) return true; // posted by an event handler just now
    // Paint and timer messages exist only while no posted message waits, and carry the time they are taken.
    while (!queue.Invalid.empty()) {
        HWND wnd = queue.Invalid.front();
        queue.Invalid.pop_front();
        if (!wnd->Invalid) continue;
        wnd->Invalid = false;
        Msg = TMsg{wnd, WM_PAINT, 0, 0, GetTickCount()};
        return true;
    }
    while (!queue.Due.empty()) {
        TTimerRecord* timer = queue.FindTimer(queue.Due.front());
        queue.Due.pop_front();
        if (!timer || !timer->Due) continue;
        timer->Due = false;
        Msg = TMsg{timer->Wnd, WM_TIMER, timer->ID, 0, GetTickCount()};
        return true;
    }
    return false;
}

LRESULT DispatchMessage(const TMsg& Msg)
{
    {
        std::lock_guard<std::mutex> guard(gLock);
        if (!Alive(Msg.hwnd) || Msg.hwnd->Destroying) return 0;
        ++Msg.hwnd->Dispatching;
    }
    gMessageTime = Msg.time;
    return CallWindowMethod(Msg.hwnd, Msg.message, Msg.wParam, Msg.lParam);
}

void WaitMessage()
{
    TThreadQueue& queue = CurrentQueue();
    {
        std::lock_guard<std::mutex> guard(gLock);
        if (queue.Pending()) return;
    }
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

bool InvalidateRect(HWND Wnd)
{
    TThreadQueue* queue;
    {
        std::lock_guard<std::mutex> guard(gLock);
        if (!Alive(Wnd) || Wnd->Destroying) return false;
        queue = Wnd->Queue;
        if (!Wnd->Invalid) {
            Wnd->Invalid = true;
            queue->Invalid.push_back(Wnd);
        }
    }
    WakeQueue(queue);
    return true;
}

bool KillTimer(HWND Wnd, uintptr_t IDEvent)
{
    TTimerPump* pump = nullptr;
    int qtId = 0;
    {
        std::lock_guard<std::mutex> guard(gLock);
        if (!Alive(Wnd)) return false;
        TThreadQueue& queue = *Wnd->Queue;
        auto it = std::find_if(queue.Timers.begin(), queue.Timers.end(),
                               [&](const TTimerRecord& t) { return t.Wnd == Wnd && t.ID == IDEvent; });
        if (it == queue.Timers.end()) return false;
        pump = queue.Pump;
        qtId = it->QtId;
        std::erase(queue.Due, qtId); // Qt may hand the id out again
        queue.Timers.erase(it);
    }
    if (pump->thread() == QThread::currentThread()) pump->killTimer(qtId);
    return true;
}

uintptr_t SetTimer(HWND Wnd, uintptr_t IDEvent, uint32_t Elapse)
{
    if (IDEvent == 0 || !QCoreApplication::instance()) return 0;
    TThreadQueue* queue;
    {
        std::lock_guard<std::mutex> guard(gLock);
        if (!Alive(Wnd) || Wnd->Destroying) return 0;
        queue = Wnd->Queue;
        if (queue->Owner != std::this_thread::get_id()) return 0; // Qt timers belong to their thread
    }
    KillTimer(Wnd, IDEvent);
    if (!queue->Pump) queue->Pump = new TTimerPump(queue);
    const int interval = static_cast<int>(std::clamp<uint32_t>(Elapse, 1, INT32_MAX));
    const int qtId = queue->Pump->startTimer(interval, Qt::PreciseTimer);
    if (qtId == 0) return 0;
    std::lock_guard<std::mutex> guard(gLock);
    queue->Timers.push_back(TTimerRecord{Wnd, IDEvent, qtId, false});
    return IDEvent;
}

uint32_t GetTickCount() { return static_cast<uint32_t>(NowNanoseconds() / 1000000); }

bool QueryPerformanceCounter(int64_t& Count)
{
    Count = NowNanoseconds();
    return true;
}

bool QueryPerformanceFrequency(int64_t& Frequency)
{
    Frequency = 1000000000;
    return true;
}

void SetClockSource(TClockSource Source) { gClock.store(Source); }

void Sleep(uint32_t Milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds)); }

void BindNativeWindow(HWND Wnd, QWindow* Window)
{
    std::lock_guard<std::mutex> guard(gLock);
    if (Alive(Wnd)) Wnd->Native = Window;
}

QWindow* NativeWindow(HWND Wnd)
{
    std::lock_guard<std::mutex> guard(gLock);
    return Alive(Wnd) ? Wnd->Native.data() : nullptr;
}

void* GetX11Display()
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app) return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

uint64_t GetX11Window(HWND Wnd)
{
    QWindow* window = NativeWindow(Wnd);
    if (!window || !GetX11Display()) return 0;
    return static_cast<uint64_t>(window->winId());
}

bool SetWindowFullScreen(HWND Wnd, bool FullScreen)
{
    QWindow* window = NativeWindow(Wnd);
    if (!window) return false;
    Qt::WindowStates states = window->windowStates();
    states.setFlag(Qt::WindowFullScreen, FullScreen);
    window->setWindowStates(states);
    return true;
}
