// The service context: a hidden context on a thread of its own, made at start-up, with which every later
// context shares its OpenGL objects, and which runs tasks queued for it.
#include "GLContext.h"

#include "GLPlatformHelpers.h"
#include "ZODLog.h"

static const char* const cServiceThreadClass = "TServiceContextThread";
// The service thread wakes at least this often, and reports an idle queue after this long.
static constexpr uint32_t cServiceIdleMs = 30000;

// ---------------------------------------------------------------------------------------------------------
// TFinishTaskEvent

void TFinishTaskEvent::SetEvent()
{
    {
        std::lock_guard lock(FMutex);
        FSignalled = true;
    }
    FCondition.notify_all();
}

void TFinishTaskEvent::ResetEvent()
{
    std::lock_guard lock(FMutex);
    FSignalled = false;
}

bool TFinishTaskEvent::WaitFor(uint32_t ATimeoutMs)
{
    std::unique_lock lock(FMutex);
    if (ATimeoutMs == cInfinite) {
        FCondition.wait(lock, [this] { return FSignalled; });
        return true;
    }
    return FCondition.wait_for(lock, std::chrono::milliseconds(ATimeoutMs), [this] { return FSignalled; });
}

// ---------------------------------------------------------------------------------------------------------
// Tasks

static void RunTaskReportingErrors(const TTaskProcedure& ATask)
{
    try {
        ATask();
    } catch (...) {
        GlobalLogSession()->LogError("Service thread task raised exception");
    }
}

void AddTaskForServiceContext(TTaskProcedure ATask, std::shared_ptr<TFinishTaskEvent> FinishEvent)
{
    if (!vMainThread) {
        if (ATask) RunTaskReportingErrors(ATask);
        if (FinishEvent) FinishEvent->SetEvent();
        return;
    }
    TGLContextManager* const manager = vGLContextManager;
    if (!manager || !manager->ServiceContext() || manager->Terminated() || !ATask) return;
    const bool waitHere = !FinishEvent;
    if (waitHere) FinishEvent = std::make_shared<TFinishTaskEvent>();
    manager->QueueServiceTask(std::move(ATask), FinishEvent);
    if (waitHere) FinishEvent->WaitFor(TFinishTaskEvent::cInfinite);
}

void TGLContextManager::QueueServiceTask(TTaskProcedure ATask, std::shared_ptr<TFinishTaskEvent> AEvent)
{
    {
        std::lock_guard lock(FThreadTaskLock);
        FThreadTask.push_back({std::move(ATask), std::move(AEvent)});
        FLastTaskStartTime = DistinctMillisecondClock();
        FReported = false;
    }
    FServiceStarter->SetEvent();
}

void TGLContextManager::CreateServiceContext(uint32_t AStartTimeoutMs)
{
    TGLContext* const context = CreateContext();
    if (!context) {
        GlobalLogSession()->LogErrorFmt("%s: can't initialize rendering context", {cServiceThreadClass});
        return;
    }
    FServiceContext = context;
    FLastTaskStartTime = DistinctMillisecondClock();
    FServiceStarter = std::make_unique<TFinishTaskEvent>();
    FThread = std::make_unique<TServiceContextThread>(this);
    // The event is shared with the queue, so a task that finishes after the time-out signals a live event.
    auto started = std::make_shared<TFinishTaskEvent>();
    TServiceContextThread* const thread = FThread.get();
    QueueServiceTask([thread] { thread->InitializeServiceContext(); }, started);
    if (!started->WaitFor(AStartTimeoutMs))
        GlobalLogSession()->LogErrorFmt("%s: can't initialize rendering context", {cServiceThreadClass});
}

// Runs on the service thread, under the queue lock; after Terminate the starter stays set so the thread
// cannot fall asleep again.
void TGLContextManager::CheckServiceQueue()
{
    std::lock_guard lock(FThreadTaskLock);
    for (const TServiceContextTask& task : FThreadTask)
        if (task.Task) {
            FServiceStarter->SetEvent();
            return;
        }
    if (!FTerminated) FServiceStarter->ResetEvent();
    FThreadTask.clear();
    if (DistinctMillisecondClock() - FLastTaskStartTime > cServiceIdleMs && !FReported) {
        FReported = true;
        GlobalLogSession()->LogInfo("Service context queue task depleted");
    }
}

void TGLContextManager::Terminate()
{
    {
        std::lock_guard lock(FThreadTaskLock);
        FTerminated = true;
    }
    if (!FThread) return;
    FThread->Terminate();
    FServiceStarter->SetEvent();
    FThread->WaitFor();
    FThread.reset();
    GlobalLogSession()->LogDebug("Service thread destroyed");
    FServiceStarter.reset();
    FThreadTask.clear();
}

// ---------------------------------------------------------------------------------------------------------
// TServiceContextThread

TServiceContextThread::TServiceContextThread(TGLContextManager* AManager)
    : FManager(AManager), FThread([this] { Execute(); })
{
}

TServiceContextThread::~TServiceContextThread()
{
    Terminate();
    WaitFor();
}

void TServiceContextThread::WaitFor()
{
    if (FThread.joinable()) FThread.join();
}

// Without a context of either kind the system goes on without a service context.
void TServiceContextThread::InitializeServiceContext()
{
    TGLContext* const context = FManager->ServiceContext();
    const auto fail = [] {
        GlobalLogSession()->LogErrorFmt("%s: can't initialize rendering context", {cServiceThreadClass});
    };
    try {
        context->SetAcceleration(chaHardware);
        context->CreateMemoryContext(nullptr, 1, 1, 1);
    } catch (const EPBuffer&) {
        GlobalLogSession()->LogWarningFmt(
            "%s: can't initialize memory rendering context. Try initialize common context.", {cServiceThreadClass});
        try {
            context->CreateContext(nullptr);
        } catch (...) { // whatever stops the ordinary context too
            fail();
            return;
        }
    } catch (const EGLContext&) {
        fail();
        return;
    }
    GlobalLogSession()->LogNotice("Service context successfuly initialized");
    context->Activate(); // balanced by the task runner's deactivation
}

// The task's event is set whatever happens, so a thread waiting for it never hangs.
void TServiceContextThread::RunTask(TServiceContextTask& ATask)
{
    TGLContext* const context = FManager->ServiceContext();
    try {
        if (context && context->IsValid()) context->Activate();
        RunTaskReportingErrors(ATask.Task);
        if (context && context->IsValid() && vCurrentGLContext == context) context->Deactivate();
    } catch (...) {
        GlobalLogSession()->LogError("Service thread task raised exception");
    }
    if (ATask.Event) ATask.Event->SetEvent();
}

void TServiceContextThread::Execute()
{
    GlobalLogSession()->LogNotice("Service thread started");
    try {
        while (!FTerminated) {
            TServiceContextTask task;
            {
                std::lock_guard lock(FManager->FThreadTaskLock);
                for (TServiceContextTask& queued : FManager->FThreadTask)
                    if (queued.Task) {
                        task = std::move(queued);
                        queued = {};
                        break;
                    }
            }
            if (task.Task)
                RunTask(task);
            else
                FManager->CheckServiceQueue();
            FManager->FServiceStarter->WaitFor(cServiceIdleMs);
        }
    } catch (const std::exception& E) {
        GlobalLogSession()->LogError(E.what());
    }
    Free(FManager->FServiceContext.exchange(nullptr));
    GlobalLogSession()->LogNotice("Service thread finished");
}
