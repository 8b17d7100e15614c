#include "GLContext.h"

#include "GLPipelineTransformation.h"
#include "GLState.h"
#include "ZODLog.h"

#include <algorithm>
#include <exception>

thread_local constinit TGLContext* vCurrentGLContext = nullptr;
thread_local constinit bool vMainThread = false;
thread_local constinit bool vContextActivationFailed = false;
TGLContextManager* vGLContextManager = nullptr;

namespace {

// One outermost activation on a thread: the context and whether its platform activation failed.
struct TActivation {
    TGLContext* Context;
    bool Failed;
};

// The calling thread's contexts in the order of their outermost activations; the last is current.
thread_local std::vector<TActivation> vActivations;

std::vector<TGLContextClass> vGLContextClasses;
TAbstractMultitextureCoordinatorClass vMultitextureCoordinatorClass = nullptr;

template <class T> bool Contains(const std::vector<T*>& AList, const T* AItem)
{
    return std::find(AList.begin(), AList.end(), AItem) != AList.end();
}

} // namespace

TGLContext* GetCurrentGLContextOrAbort()
{
    if (!vCurrentGLContext) Abort();
    return vCurrentGLContext;
}

void RegisterGLContextClass(TGLContextClass aClass)
{
    vGLContextClasses.push_back(aClass);
}

void RegisterGLMultitextureCoordinatorClass(TAbstractMultitextureCoordinatorClass aClass)
{
    vMultitextureCoordinatorClass = aClass;
}

TGLContext* GetServiceContext()
{
    return vGLContextManager ? vGLContextManager->ServiceContext() : nullptr;
}

void InitContextModule()
{
    if (vGLContextManager) return;
    vMainThread = true;
    vGLContextManager = new TGLContextManager();
    vGLContextManager->CreateServiceContext();
}

void DoneContextModule()
{
    if (vGLContextManager) {
        vGLContextManager->Terminate();
        // Contexts still registered keep the manager they refer to.
        if (vGLContextManager->ContextCount() == 0) {
            delete vGLContextManager;
            vGLContextManager = nullptr;
        }
    }
    vGLContextClasses.clear();
}

// ---------------------------------------------------------------------------------------------------------
// TGLContext

TGLContext::TGLContext()
    : FGL(std::make_unique<TGLExtensionsAndEntryPoints>()), FGLStates(std::make_unique<TGLStateCache>()),
      FTransformation(std::make_unique<TGLTransformation>())
{
    FTransformation->SetLoadMatricesEnabled(true);
    FSharedContexts.push_back(this);
    if (!vGLContextManager) throw EGLContext("Context module not initialised");
    FManager = vGLContextManager;
    FManager->RegisterContext(this);
}

void TGLContext::BeforeDestruction()
{
    try {
        if (IsValid()) DestroyContext();
    } catch (const std::exception& E) {
        GlobalLogSession()->LogError(std::string("Destroying a rendering context failed: ") + E.what());
    }
}

TGLContext::~TGLContext()
{
    if (!vGLContextManager) return;
    try {
        vGLContextManager->UnRegisterContext(this);
    } catch (const std::exception& E) {
        GlobalLogSession()->LogError(E.what());
    }
}

void TGLContext::CheckNotActive()
{
    if (Active()) throw EGLContext("Cannot alter an active context");
}

void TGLContext::SetColorBits(int32_t Value) { CheckNotActive(); FColorBits = Value; }
void TGLContext::SetAlphaBits(int32_t Value) { CheckNotActive(); FAlphaBits = Value; }
void TGLContext::SetDepthBits(int32_t Value) { CheckNotActive(); FDepthBits = Value; }
void TGLContext::SetStencilBits(int32_t Value) { CheckNotActive(); FStencilBits = Value; }
void TGLContext::SetAccumBits(int32_t Value) { CheckNotActive(); FAccumBits = Value; }
void TGLContext::SetAuxBuffers(int32_t Value) { CheckNotActive(); FAuxBuffers = Value; }
void TGLContext::SetAntiAliasing(TGLAntiAliasing Value) { CheckNotActive(); FAntiAliasing = Value; }
void TGLContext::SetLayer(TGLContextLayer Value) { CheckNotActive(); FLayer = Value; }
void TGLContext::SetOptions(TGLRCOptions Value) { CheckNotActive(); FOptions = Value; }
void TGLContext::SetAcceleration(TGLContextAcceleration Value) { CheckNotActive(); FAcceleration = Value; }

TAbstractMultitextureCoordinator* TGLContext::MultitextureCoordinator()
{
    if (!FXGL && vMultitextureCoordinatorClass) FXGL.reset(vMultitextureCoordinatorClass(this));
    return FXGL.get();
}

void TGLContext::CreateContext(void* ADeviceHandle)
{
    if (IsValid()) throw EGLContext("Context already created");
    DoCreateContext(ADeviceHandle);
    FManager->ContextCreated();
}

void TGLContext::CreateMemoryContext(void* outputDevice, int32_t width, int32_t height, int32_t BufferCount)
{
    if (IsValid()) throw EGLContext("Context already created");
    DoCreateMemoryContext(outputDevice, width, height, BufferCount);
    FManager->ContextCreated();
}

// ---- activation

// A failed platform activation is logged and leaves the thread with the aborting default entry points, so
// engine GL work ends instead of reaching whatever the platform left current.
void TGLContext::MakeTopCurrent()
{
    TActivation& top = vActivations.back();
    top.Failed = !top.Context->IsValid();
    if (!top.Failed) {
        try {
            top.Context->DoActivate();
        } catch (const std::exception& E) {
            top.Failed = true;
            GlobalLogSession()->LogError(std::string("Rendering context activation failed: ") + E.what());
        }
    }
    vContextActivationFailed = top.Failed;
    vCurrentGLContext = top.Context;
    SetCurrentGL(top.Failed ? nullptr : top.Context->GL());
}

void TGLContext::PushCurrent()
{
    vActivations.push_back({this, false});
    MakeTopCurrent();
}

void TGLContext::PopCurrent()
{
    vActivations.pop_back();
    if (!vActivations.empty()) {
        MakeTopCurrent();
        return;
    }
    vContextActivationFailed = false;
    vCurrentGLContext = nullptr;
    SetCurrentGL(nullptr);
}

void TGLContext::Activate()
{
    std::unique_lock lock(FLock);
    if (FActivationCount == 0) {
        if (!IsValid()) throw EGLContext("Context not created");
        PushCurrent();
    } else if (vCurrentGLContext != this) {
        Assert(false, "vCurrentGLContext <> Self", cGLContextUnit);
    }
    lock.release(); // held until the last Deactivate
    ++FActivationCount;
}

void TGLContext::Deactivate()
{
    if (FActivationCount <= 0) throw EGLContext("Unbalanced context activations");
    Assert(vCurrentGLContext == this, "", cGLContextUnit);
    if (FActivationCount > 1) {
        --FActivationCount;
        FLock.unlock();
        return;
    }
    // The last deactivation completes even when the platform step fails, so the lock is never kept.
    const bool valid = IsValid();
    std::exception_ptr failure;
    if (valid && !vContextActivationFailed) {
        try {
            DoDeactivate();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    PopCurrent();
    FActivationCount = 0;
    FLock.unlock();
    if (!valid) throw EGLContext("Context not created");
    if (failure) std::rethrow_exception(failure);
}

void TGLContext::SetActive(bool Value)
{
    while (Active() != Value) Value ? Activate() : Deactivate();
}

void TGLContext::MakeGLCurrent()
{
    SetCurrentGL(FGL.get());
}

// ---- sharing

std::vector<TGLContext*> TGLContext::SharedContexts() const
{
    std::lock_guard lock(FSharedContextsLock);
    return FSharedContexts;
}

bool TGLContext::SharesWith(const TGLContext* AContext) const
{
    std::lock_guard lock(FSharedContextsLock);
    return Contains(FSharedContexts, AContext);
}

TGLContext* TGLContext::FindCompatibleContext() const
{
    std::lock_guard lock(FSharedContextsLock);
    return FSharedContexts.size() > 1 ? FSharedContexts[1] : nullptr;
}

void TGLContext::ShareLists(TGLContext* aContext)
{
    std::lock_guard lock(FSharedContextsLock);
    if (Contains(FSharedContexts, aContext) || !DoShareLists(aContext)) return;
    FSharedContexts.push_back(aContext);
    PropagateSharedContext();
}

// One level deep: the partners learn of Self and Self of their partners, not the partners of each other.
void TGLContext::PropagateSharedContext()
{
    std::lock_guard lock(FSharedContextsLock);
    const size_t partners = FSharedContexts.size();
    for (size_t i = 1; i < partners; ++i) {
        TGLContext* const other = FSharedContexts[i];
        std::lock_guard otherLock(other->FSharedContextsLock);
        for (TGLContext* member : other->FSharedContexts)
            if (!Contains(FSharedContexts, member)) FSharedContexts.push_back(member);
    }
    for (size_t i = 1; i < FSharedContexts.size(); ++i) {
        TGLContext* const other = FSharedContexts[i];
        std::lock_guard otherLock(other->FSharedContextsLock);
        if (!Contains(other->FSharedContexts, this)) other->FSharedContexts.push_back(this);
    }
}

// ---- handles and destruction

void TGLContext::PrepareHandlesData()
{
    if (vCurrentGLContext != this) return;
    {
        std::lock_guard lock(FManager->FHandlesLock);
        auto& handles = FManager->FHandles;
        // By index: a callback may register handles.
        for (size_t i = handles.size(); i-- > 0;)
            if (i < handles.size())
                if (const TOnPrepareHandleData prepare = handles[i]->OnPrapare()) prepare(this);
    }
    FIsPraparationNeed = false;
}

void TGLContext::DestroyAllHandles()
{
    const TActiveContext active(this);
    FManager->ReleaseHandlesForCurrentContext();
}

void TGLContext::LeaveShareGroup()
{
    std::lock_guard lock(FSharedContextsLock);
    for (size_t i = 1; i < FSharedContexts.size(); ++i) {
        TGLContext* const other = FSharedContexts[i];
        std::lock_guard otherLock(other->FSharedContextsLock);
        auto& list = other->FSharedContexts;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    FSharedContexts.assign(1, this);
}

void TGLContext::DestroyContext()
{
    // Another context current on this thread steps back one level while Self is destroyed.
    const TActiveContext stepBack(nullptr, vCurrentGLContext != this);
    Activate();
    TryFinally(
        [this] {
            FManager->ReleaseHandlesForCurrentContext();
            FManager->ContextDestroying();
            LeaveShareGroup();
        },
        [this] { SetActive(false); }); // activations the caller still holds end with the platform context
    DoDestroyContext();
    FAcceleration = chaUnknown;
    FGL->Close();
}

// ---------------------------------------------------------------------------------------------------------
// TActiveContext

namespace {

// Runs a step of a guard's start or end, logging its failure instead of raising it.
template <class F> void LoggedStep(const char* AWhat, F AStep) noexcept
{
    try {
        AStep();
    } catch (const std::exception& E) {
        GlobalLogSession()->LogError(std::string(AWhat) + ": " + E.what());
    } catch (...) {
        GlobalLogSession()->LogError(std::string(AWhat) + ": unknown error");
    }
}

} // namespace

TActiveContext::TActiveContext(TGLContext* AContext, bool AStepBack)
    : FContext(AContext), FPrevious(AStepBack && vCurrentGLContext != AContext ? vCurrentGLContext : nullptr)
{
    // A failed deactivation has stepped back all the same.
    if (FPrevious) LoggedStep("Rendering context deactivation failed", [this] { FPrevious->Deactivate(); });
    if (!FContext) return;
    try {
        FContext->Activate();
    } catch (...) {
        ReactivatePrevious(); // no destructor runs for a guard that was never made
        throw;
    }
}

TActiveContext::~TActiveContext()
{
    if (FContext) LoggedStep("Rendering context deactivation failed", [this] { FContext->Deactivate(); });
    ReactivatePrevious();
}

void TActiveContext::ReactivatePrevious() noexcept
{
    if (FPrevious) LoggedStep("Rendering context reactivation failed", [this] { FPrevious->Activate(); });
}

// ---------------------------------------------------------------------------------------------------------
// TGLContextManager

TGLContextManager::TGLContextManager() = default;

TGLContextManager::~TGLContextManager()
{
    Terminate();
}

TGLContext* TGLContextManager::CreateContext(TGLContextClass AClass)
{
    if (!AClass) {
        if (vGLContextClasses.empty()) return nullptr;
        AClass = vGLContextClasses.back();
    }
    TGLContext* const context = AClass();
    context->FManager = this;
    return context;
}

int32_t TGLContextManager::ContextCount() const
{
    std::lock_guard lock(FListLock);
    return static_cast<int32_t>(FList.size());
}

void TGLContextManager::RegisterContext(TGLContext* aContext)
{
    std::lock_guard lock(FListLock);
    if (Contains(FList, aContext)) throw EGLContext("Invalid context registration");
    FList.push_back(aContext);
}

void TGLContextManager::UnRegisterContext(TGLContext* aContext)
{
    std::lock_guard lock(FListLock);
    const auto found = std::find(FList.begin(), FList.end(), aContext);
    if (found == FList.end()) throw EGLContext("Invalid context registration");
    FList.erase(found);
}

void TGLContextManager::ContextCreated()
{
    std::lock_guard lock(FListLock);
    ++FCreatedRCCount;
}

void TGLContextManager::ContextDestroying()
{
    std::lock_guard lock(FListLock);
    if (FCreatedRCCount-- != 1) return;
    // Last registered, first fired; a callback may register or remove notifications.
    while (!FNotifications.empty()) {
        TGLContextNotification notification = std::move(FNotifications.back());
        FNotifications.pop_back();
        if (notification.event) notification.event(notification.obj);
    }
}

void TGLContextManager::NotifyPreparationNeed()
{
    std::lock_guard lock(FListLock);
    for (TGLContext* context : FList) context->FIsPraparationNeed = true;
}

void TGLContextManager::LastContextDestroyNotification(TObject* anObject, TNotifyEvent anEvent)
{
    std::lock_guard lock(FListLock);
    FNotifications.push_back({anObject, std::move(anEvent)});
}

void TGLContextManager::RemoveNotification(TObject* anObject)
{
    std::lock_guard lock(FListLock);
    const auto found = std::find_if(FNotifications.begin(), FNotifications.end(),
                                    [anObject](const TGLContextNotification& n) { return n.obj == anObject; });
    if (found == FNotifications.end()) throw EGLContext("Invalid notification removal");
    FNotifications.erase(found);
}

void TGLContextManager::ReleaseHandlesForCurrentContext()
{
    std::lock_guard lock(FHandlesLock);
    // By index: releasing may unregister handles.
    for (size_t i = FHandles.size(); i-- > 0;)
        if (i < FHandles.size()) FHandles[i]->ReleaseForCurrentContext();
}

void TGLContextManager::DestroyAllHandles()
{
    std::vector<TGLContext*> contexts;
    {
        std::lock_guard lock(FListLock);
        contexts = FList;
    }
    for (size_t i = contexts.size(); i-- > 0;) contexts[i]->DestroyAllHandles();
}
