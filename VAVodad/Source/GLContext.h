// Rendering contexts, the context manager with its service context, and the handles of OpenGL objects that
// live in every context that uses them.
//
// A context is abstract here: the platform class (TGLWin32Context) makes, shares, activates and destroys the
// platform context in the six Do... steps. Activation is per thread and nests; a thread's current context and
// current entry points (GetCurrentGL) are thread-local. Contexts activated inside one another form a per-thread
// stack: the last deactivation of the inner one makes the outer one current again.
//
// Start-up: InitContextModule() creates the manager and starts the service thread, whose first task makes the
// 1 x 1 off-screen service context with which every later context shares its objects. DoneContextModule()
// ends the thread and releases the manager. Neither runs from a static initialiser.
#pragma once

#include "Components.h"
#include "GLBaseClasses.h"
#include "GLTextureFormat.h"
#include "GLVectorTypes.h"
#include "OpenGLAdapter.h"
#include "Sets.h"
#include "SysUtils.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The unit name that the assertion texts of this unit's files carry.
inline constexpr const char* cGLContextUnit = "VAVodad\\Source\\GLContext";

class TGLContext;
class TGLContextManager;
class TGLContextHandle;
class TGLStateCache;
class TGLTransformation;
class TServiceContextThread;

// ---------------------------------------------------------------------------------------------------------
// Enumerations

enum TGLRCOption { rcoDoubleBuffered, rcoStereo, rcoDebug, rcoOGL_ES };
using TGLRCOptions = TSet<TGLRCOption, uint8_t>;

enum TGLContextLayer { clUnderlay2, clUnderlay1, clMainPlane, clOverlay1, clOverlay2 };
enum TGLContextAcceleration { chaUnknown, chaHardware, chaSoftware };
enum TGLAntiAliasing {
    aaDefault, aaNone, aa2x, aa2xHQ, aa4x, aa4xHQ, aa6x, aa8x, aa16x, csa8x, csa8xHQ, csa16x, csa16xHQ
};
enum TVSyncMode { vsmSync, vsmNoSync };

// ---------------------------------------------------------------------------------------------------------
// Exceptions

class EGLContext : public Exception {
public:
    using Exception::Exception;
};

// Raised by the platform context when an off-screen buffer cannot be made.
class EPBuffer : public Exception {
public:
    using Exception::Exception;
};

class EGLShader : public EGLContext {
public:
    using EGLContext::EGLContext;
};

// ---------------------------------------------------------------------------------------------------------
// Module state

// The context active on the calling thread, null when none.
extern thread_local constinit TGLContext* vCurrentGLContext;
// True only on the thread that ran InitContextModule.
extern thread_local constinit bool vMainThread;
// Set while the platform activation of the calling thread's current context failed: deactivation then skips
// the platform step and handles leave their objects to the driver. One flag per thread.
extern thread_local constinit bool vContextActivationFailed;
// The one manager, from InitContextModule to DoneContextModule.
extern TGLContextManager* vGLContextManager;
// The calling thread's current entry points are OpenGLAdapter's (GetCurrentGL / SetCurrentGL); with no
// context active they are its closed default table, whose every entry point aborts silently.

inline TGLContext* GetCurrentGLContext() { return vCurrentGLContext; }
// The current context; raises the silent abort when there is none.
TGLContext* GetCurrentGLContextOrAbort();

// Creates the manager and starts the service context with the last registered context class (none
// registered: the system runs without one, which is logged).
void InitContextModule();
// Ends the service thread and frees the manager once no context is registered any more; forgets the
// registered classes.
void DoneContextModule();

// A class of context, chosen at run time: its virtual constructor.
using TGLContextClass = TGLContext* (*)();
template <class T> TGLContext* CreateGLContextOf() { return new T(); }
// Appends a context class (no duplicate check); the manager creates the last one registered.
void RegisterGLContextClass(TGLContextClass aClass);

TGLContext* GetServiceContext();

// ---------------------------------------------------------------------------------------------------------
// The multitexture coordinator: one per context, made on first use from the registered class.

class TAbstractMultitextureCoordinator : public TObject {
public:
    explicit TAbstractMultitextureCoordinator(TGLContext* AOwner) : FOwner(AOwner) {}
    TGLContext* Owner() const { return FOwner; }

protected:
    TGLContext* FOwner;
};

using TAbstractMultitextureCoordinatorClass = TAbstractMultitextureCoordinator* (*)(TGLContext* AOwner);
void RegisterGLMultitextureCoordinatorClass(TAbstractMultitextureCoordinatorClass aClass);

// ---------------------------------------------------------------------------------------------------------
// TGLContext

class TGLContext : public TObject {
public:
    // Registers the context with vGLContextManager (EGLContext "Context module not initialised" without one).
    TGLContext();
    // Destroys a valid context (through its platform steps, so the owner frees it with Free).
    void BeforeDestruction() override;
    ~TGLContext() override;
    TGLContext(const TGLContext&) = delete;
    TGLContext& operator=(const TGLContext&) = delete;

    // Make the platform context (on a device, or off-screen); EGLContext "Context already created" when valid.
    // A null device asks the platform for a context without a window.
    void CreateContext(void* ADeviceHandle);
    void CreateMemoryContext(void* outputDevice, int32_t width, int32_t height, int32_t BufferCount);
    // Shares objects with aContext when the platform agrees, then tells the partners of each other.
    void ShareLists(TGLContext* aContext);
    void PropagateSharedContext();
    // Releases every handle's object for this context, leaves the share group and destroys the platform
    // context; the context may be created again afterwards.
    void DestroyContext();

    // Activation on the calling thread; nests. Another thread that activates the same context waits until
    // the owner's last Deactivate.
    void Activate();
    void Deactivate();
    bool Active() const { return FActivationCount > 0; }
    void SetActive(bool Value);
    // Makes this context's entry points current on the calling thread without activating the context.
    void MakeGLCurrent();

    // Calls every registered handle's OnPrapare for this context when it is the current one.
    void PrepareHandlesData();
    // The first other context of the share group, null when none.
    TGLContext* FindCompatibleContext() const;
    // Releases every handle's object for this context (activating it meanwhile).
    void DestroyAllHandles();

    // The share group as seen by this context (itself first), copied under the list's lock.
    std::vector<TGLContext*> SharedContexts() const;
    bool SharesWith(const TGLContext* AContext) const;

    virtual bool IsValid() = 0;
    virtual void SwapBuffers() = 0;
    virtual void* RenderOutputDevice() = 0;

    // The pixel-format request; the setters raise EGLContext "Cannot alter an active context" while Active.
    int32_t ColorBits() const { return FColorBits; }
    void SetColorBits(int32_t Value);
    int32_t AlphaBits() const { return FAlphaBits; }
    void SetAlphaBits(int32_t Value);
    int32_t DepthBits() const { return FDepthBits; }
    void SetDepthBits(int32_t Value);
    int32_t StencilBits() const { return FStencilBits; }
    void SetStencilBits(int32_t Value);
    int32_t AccumBits() const { return FAccumBits; }
    void SetAccumBits(int32_t Value);
    int32_t AuxBuffers() const { return FAuxBuffers; }
    void SetAuxBuffers(int32_t Value);
    TGLAntiAliasing AntiAliasing() const { return FAntiAliasing; }
    void SetAntiAliasing(TGLAntiAliasing Value);
    TGLContextLayer Layer() const { return FLayer; }
    void SetLayer(TGLContextLayer Value);
    TGLRCOptions Options() const { return FOptions; }
    void SetOptions(TGLRCOptions Value);
    TGLContextAcceleration Acceleration() const { return FAcceleration; }
    void SetAcceleration(TGLContextAcceleration Value);

    TGLContextManager* Manager() const { return FManager; }
    bool IsPraparationNeed() const { return FIsPraparationNeed; }
    TGLExtensionsAndEntryPoints* GL() const { return FGL.get(); }
    TGLStateCache* GLStates() const { return FGLStates.get(); }
    TGLTransformation* PipelineTransformation() const { return FTransformation.get(); }
    TAbstractMultitextureCoordinator* MultitextureCoordinator();

protected:
    virtual void DoCreateContext(void* ADeviceHandle) = 0;
    virtual void DoCreateMemoryContext(void* outputDevice, int32_t width, int32_t height, int32_t BufferCount) = 0;
    virtual bool DoShareLists(TGLContext* aContext) = 0;
    virtual void DoDestroyContext() = 0;
    virtual void DoActivate() = 0;
    virtual void DoDeactivate() = 0;

    int32_t FColorBits = 32;
    int32_t FAlphaBits = 0;
    int32_t FDepthBits = 0;
    int32_t FStencilBits = 0;
    int32_t FAccumBits = 0;
    int32_t FAuxBuffers = 0;
    TGLAntiAliasing FAntiAliasing = aaDefault;
    TGLRCOptions FOptions;
    TGLContextManager* FManager = nullptr;
    std::atomic<int32_t> FActivationCount{0};
    int32_t FOwnedHandlesCount = 0; // names recorded for this context by the handles
    bool FIsPraparationNeed = true;
    std::unique_ptr<TGLExtensionsAndEntryPoints> FGL;
    std::unique_ptr<TAbstractMultitextureCoordinator> FXGL;
    std::unique_ptr<TGLStateCache> FGLStates;
    std::unique_ptr<TGLTransformation> FTransformation;
    TGLContextAcceleration FAcceleration = chaUnknown;
    TGLContextLayer FLayer = clMainPlane;

private:
    friend class TGLContextManager;
    friend class TGLContextHandle;

    void CheckNotActive();
    // The platform step for the calling thread's newest activation (see Activate).
    static void MakeTopCurrent();
    void LeaveShareGroup();
    // Puts the context at the top of the calling thread's stack, or takes it off and makes the one below
    // current again.
    void PushCurrent();
    void PopCurrent();

    std::vector<TGLContext*> FSharedContexts; // Self is always item 0
    mutable std::recursive_mutex FSharedContextsLock;
    std::recursive_mutex FLock; // held by the activating thread from the first Activate to the last Deactivate
};

// ---------------------------------------------------------------------------------------------------------
// TActiveContext

// Activates a context for a scope and deactivates it on every way out, an exception included. With AStepBack,
// a different context current on the thread steps back one level first (so that AContext may be one active
// lower in the thread's stack) and is activated again at the end. A null AContext activates nothing: the
// guard then only steps back, or does nothing at all. The end never raises, since it may run while an
// exception unwinds: a failed deactivation or reactivation is logged, and the context is released anyway.
class TActiveContext {
public:
    explicit TActiveContext(TGLContext* AContext, bool AStepBack = false);
    ~TActiveContext();
    TActiveContext(const TActiveContext&) = delete;
    TActiveContext& operator=(const TActiveContext&) = delete;

private:
    // Activates the stepped-back context again, logging a failure.
    void ReactivatePrevious() noexcept;

    TGLContext* FContext;  // activated by the guard, null when none
    TGLContext* FPrevious; // stepped back by the guard, null when none
};

// ---------------------------------------------------------------------------------------------------------
// Service context

// A manual-reset event, created not signalled.
class TFinishTaskEvent {
public:
    void SetEvent();
    void ResetEvent();
    // True when signalled within ATimeoutMs milliseconds (cInfinite: no time-out).
    bool WaitFor(uint32_t ATimeoutMs);
    static constexpr uint32_t cInfinite = UINT32_MAX;

private:
    std::mutex FMutex;
    std::condition_variable FCondition;
    bool FSignalled = false;
};

using TTaskProcedure = std::function<void()>;

struct TServiceContextTask {
    TTaskProcedure Task; // empty in a taken slot
    std::shared_ptr<TFinishTaskEvent> Event; // set when the task has run; may be null
};

// Queues ATask for the service context (from the main thread), or runs it at once (from any other thread).
// FinishEvent may be null; the main thread then waits for the task itself.
void AddTaskForServiceContext(TTaskProcedure ATask, std::shared_ptr<TFinishTaskEvent> FinishEvent = nullptr);

// The service context's thread: runs the queued tasks with the service context active; when the queue is
// empty it sleeps until woken or for 30 seconds.
class TServiceContextThread {
public:
    // Starts the thread.
    explicit TServiceContextThread(TGLContextManager* AManager);
    // Waits for the thread to end.
    ~TServiceContextThread();
    TServiceContextThread(const TServiceContextThread&) = delete;
    TServiceContextThread& operator=(const TServiceContextThread&) = delete;

    void Terminate() { FTerminated = true; }
    bool Terminated() const { return FTerminated; }
    void WaitFor();
    // The first task: makes the service context (off-screen 1 x 1, else an ordinary one without a window).
    void InitializeServiceContext();

private:
    void Execute();
    void RunTask(TServiceContextTask& ATask);

    TGLContextManager* FManager;
    std::atomic<bool> FTerminated{false};
    std::thread FThread;
};

// ---------------------------------------------------------------------------------------------------------
// TGLContextManager

struct TGLContextNotification {
    TObject* obj;
    TNotifyEvent event;
};

class TGLContextManager : public TObject {
public:
    TGLContextManager();
    ~TGLContextManager() override;
    TGLContextManager(const TGLContextManager&) = delete;
    TGLContextManager& operator=(const TGLContextManager&) = delete;

    // An instance of AClass, or of the last registered class when AClass is null (null when none is).
    TGLContext* CreateContext(TGLContextClass AClass = nullptr);
    int32_t ContextCount() const;
    void Lock() { FListLock.lock(); }
    void UnLock() { FListLock.unlock(); }
    void RegisterContext(TGLContext* aContext);
    void UnRegisterContext(TGLContext* aContext);
    // The count of platform contexts; the last one destroyed fires the notifications, last registered first.
    void ContextCreated();
    void ContextDestroying();
    void NotifyPreparationNeed();
    void LastContextDestroyNotification(TObject* anObject, TNotifyEvent anEvent);
    void RemoveNotification(TObject* anObject);
    void DestroyAllHandles();

    // Makes the service context and its thread and waits at most AStartTimeoutMs for the first task.
    void CreateServiceContext(uint32_t AStartTimeoutMs = 10000);
    // The service thread's idle step: keeps the thread running while tasks are queued, else empties the
    // queue and reports once when it has been idle for 30 seconds.
    void CheckServiceQueue();
    // Ends the service thread.
    void Terminate();
    bool Terminated() const { return FTerminated; }
    TGLContext* ServiceContext() const { return FServiceContext.load(); }

private:
    friend class TGLContext;
    friend class TGLContextHandle;
    friend class TServiceContextThread;
    friend void AddTaskForServiceContext(TTaskProcedure, std::shared_ptr<TFinishTaskEvent>);

    std::vector<TGLContext*> FList;
    mutable std::recursive_mutex FListLock;
    // Every handle's ReleaseForCurrentContext, the last registered first.
    void ReleaseHandlesForCurrentContext();
    // Appends a task to the service queue and wakes the service thread.
    void QueueServiceTask(TTaskProcedure ATask, std::shared_ptr<TFinishTaskEvent> AEvent);

    std::atomic<bool> FTerminated{false};
    std::vector<TGLContextNotification> FNotifications;
    int32_t FCreatedRCCount = 0;
    std::vector<TGLContextHandle*> FHandles;
    std::recursive_mutex FHandlesLock;
    std::unique_ptr<TServiceContextThread> FThread;
    std::unique_ptr<TFinishTaskEvent> FServiceStarter;
    std::vector<TServiceContextTask> FThreadTask;
    std::mutex FThreadTaskLock;
    double FLastTaskStartTime = 0; // DistinctMillisecondClock when the last task was queued (queue lock)
    bool FReported = false;        // the idle report was given (queue lock)
    std::atomic<TGLContext*> FServiceContext{nullptr};
};

// ---------------------------------------------------------------------------------------------------------
// Context handles: one OpenGL object of the engine, made lazily in each context that uses it (one name per
// share group for shared kinds), with a per-context "data must be uploaded" flag.

struct TGLRCHandle {
    TGLContext* FRenderingContext;
    uint32_t FHandle; // the OpenGL name in that context, 0 = none
    bool FChanged;    // the object's data must be (re)uploaded in that context
};
using PGLRCHandle = TGLRCHandle*;

using TOnPrepareHandleData = std::function<void(TGLContext* AContext)>;

class TGLContextHandle : public TObject {
public:
    // Registers with the manager (when there is one).
    TGLContextHandle();
    // Deletes the objects in every context (through the kind's steps, so owners free handles with Free).
    void BeforeDestruction() override;
    ~TGLContextHandle() override;
    TGLContextHandle(const TGLContextHandle&) = delete;
    TGLContextHandle& operator=(const TGLContextHandle&) = delete;

    // A new handle (the caller frees it with Free), allocated right away; with failIfAllocationFailed,
    // EGLContext "Auto-allocation failed" when no name was obtained.
    template <class T> static T* CreateAndAllocate(bool failIfAllocationFailed = true);

    virtual bool SharedBetweenContexts() const { return true; }
    virtual bool IsValid(uint32_t /*ID*/) { return true; }
    virtual bool IsSupported() { return true; }

    uint32_t AllocateHandle();
    // The name held for the calling thread's current context, 0 when none; no search while the current
    // context stays the same.
    uint32_t Handle() const
    {
        TGLContext* const context = vCurrentGLContext;
        if (FLastHandle->FRenderingContext != context) FLastHandle = RecordForContext(context);
        return FLastHandle->FHandle;
    }
    void DestroyHandle();
    void ReleaseForCurrentContext();
    // The record of AContext (null: the current context); the sentinel when it has none.
    PGLRCHandle RecordForContext(TGLContext* AContext = nullptr) const;
    bool IsAllocatedForContext(TGLContext* AContext = nullptr) const;
    TGLContext* RenderingContext() const;

    bool IsDataNeedUpdate() const;
    bool IsDataComplitelyUpdated() const;
    void NotifyDataUpdated();
    void NotifyChangesOfData();
    bool IsShared() const;

    TOnPrepareHandleData OnPrapare() const { return FOnPrepare; }
    void SetOnPrapare(TOnPrepareHandleData Value) { FOnPrepare = std::move(Value); }

    // Counts the changes of every handle's names and data states (allocation, destruction, release with a
    // context, data changed): a name looked up once stays right while the count stays the same.
    static uint32_t Revision() { return vRevision.load(std::memory_order_relaxed); }

protected:
    virtual uint32_t DoAllocateHandle() = 0;
    virtual void DoDestroyHandle(uint32_t& AHandle) = 0;
    // The entry points of the current context.
    static TGLExtensionsAndEntryPoints& GL() { return *GetCurrentGL(); }

private:
    // The record of AContext among items 1..n, null when it has none.
    PGLRCHandle FindRecord(const TGLContext* AContext) const;
    static void Changed() { vRevision.fetch_add(1, std::memory_order_relaxed); }

    static inline std::atomic<uint32_t> vRevision{0};
    std::vector<std::unique_ptr<TGLRCHandle>> FHandles; // item 0: the sentinel, never removed
    mutable PGLRCHandle FLastHandle; // the record Handle found last
    TOnPrepareHandleData FOnPrepare;
};

template <class T> T* TGLContextHandle::CreateAndAllocate(bool failIfAllocationFailed)
{
    std::unique_ptr<T, TFreeDeleter> handle(new T());
    handle->AllocateHandle();
    if (failIfAllocationFailed && handle->Handle() == 0) throw EGLContext("Auto-allocation failed");
    return handle.release();
}

// An object made and deleted by the owner's callbacks; never shared.
using TGLVirtualHandleEvent = std::function<void(TGLContextHandle* Sender, uint32_t& handle)>;

class TGLVirtualHandle : public TGLContextHandle {
public:
    bool SharedBetweenContexts() const override { return false; }
    TGLVirtualHandleEvent OnAllocate;
    TGLVirtualHandleEvent OnDestroy;
    int32_t Tag = 0;

protected:
    uint32_t DoAllocateHandle() override;
    void DoDestroyHandle(uint32_t& AHandle) override;
};

class TGLListHandle : public TGLContextHandle {
public:
    bool IsValid(uint32_t ID) override;
    void NewList(uint32_t mode);
    void EndList();
    void CallList();

protected:
    uint32_t DoAllocateHandle() override;
    void DoDestroyHandle(uint32_t& AHandle) override;
};

class TGLTextureHandle : public TGLContextHandle {
public:
    bool IsValid(uint32_t ID) override;
    TGLTextureTarget Target() const { return FTarget; }
    // Takes effect only while the target is ttNoShape: one target per allocation.
    void SetTarget(TGLTextureTarget Value);

protected:
    uint32_t DoAllocateHandle() override;
    void DoDestroyHandle(uint32_t& AHandle) override;

private:
    TGLTextureTarget FTarget = ttNoShape;
};

class TGLBufferObjectHandle : public TGLContextHandle {
public:
    // A new handle (the caller frees it with Free): allocated, bound, filled and unbound.
    template <class T> static T* CreateFromData(const void* p, int32_t size, uint32_t bufferUsage);

    bool IsValid(uint32_t ID) override;
    bool IsSupported() override;
    virtual uint32_t Target() const = 0;
    virtual void Bind() = 0;
    virtual void UnBind() = 0;
    // Indexed binding points: only the uniform-buffer kind has them (assertion failure otherwise).
    virtual void BindRange(uint32_t index, intptr_t offset, intptr_t size);
    virtual void BindBase(uint32_t index);
    virtual void UnBindBase(uint32_t index);

    void BufferData(const void* p, int32_t size, uint32_t bufferUsage);
    void BindBufferData(const void* p, int32_t size, uint32_t bufferUsage);
    void BufferSubData(int32_t offset, int32_t size, const void* p);
    void* MapBuffer(uint32_t access);
    void* MapBufferRange(int32_t offset, int32_t len, uint32_t access);
    void Flush(int32_t offset, int32_t len);
    bool UnmapBuffer();
    int32_t BufferSize() const { return FSize; }

protected:
    uint32_t DoAllocateHandle() override;
    void DoDestroyHandle(uint32_t& AHandle) override;

    int32_t FSize = 0;
};

template <class T> T* TGLBufferObjectHandle::CreateFromData(const void* p, int32_t size, uint32_t bufferUsage)
{
    std::unique_ptr<T, TFreeDeleter> handle(new T());
    handle->AllocateHandle();
    handle->Bind();
    handle->BufferData(p, size, bufferUsage);
    handle->UnBind();
    return handle.release();
}

class TGLVBOHandle : public TGLBufferObjectHandle {
public:
    uint32_t VBOTarget() const { return Target(); }
};

class TGLVBOArrayBufferHandle : public TGLVBOHandle {
public:
    uint32_t Target() const override { return GL_ARRAY_BUFFER; }
    void Bind() override;
    void UnBind() override;
};

class TGLVBOElementArrayHandle : public TGLVBOHandle {
public:
    uint32_t Target() const override { return GL_ELEMENT_ARRAY_BUFFER; }
    void Bind() override;
    void UnBind() override;
};

class TGLUnpackPBOHandle : public TGLBufferObjectHandle {
public:
    uint32_t Target() const override { return GL_PIXEL_UNPACK_BUFFER; }
    bool IsSupported() override;
    void Bind() override;
    void UnBind() override;
};

class TGLUniformBufferHandle : public TGLBufferObjectHandle {
public:
    uint32_t Target() const override { return GL_UNIFORM_BUFFER; }
    bool IsSupported() override;
    void Bind() override;
    void UnBind() override;
    void BindRange(uint32_t index, intptr_t offset, intptr_t size) override;
    void BindBase(uint32_t index) override;
    void UnBindBase(uint32_t index) override;
};

class TGLSLHandle : public TGLContextHandle {
public:
    bool IsSupported() override;
    std::string InfoLog();

protected:
    // Deletes with ADelete (the kind's own call) when OpenGL 2.0 is there, else with the ARB object call,
    // which a core context lacks.
    void DeleteGLSLObject(uint32_t AHandle, PFNGLDELETESHADERPROC ADelete);
};

class TGLShaderHandle : public TGLSLHandle {
public:
    bool IsValid(uint32_t ID) override;
    virtual uint32_t ShaderType() const = 0;
    void ShaderSource(const std::string& source);
    bool CompileShader();

protected:
    uint32_t DoAllocateHandle() override;
    void DoDestroyHandle(uint32_t& AHandle) override;
};

class TGLVertexShaderHandle : public TGLShaderHandle {
public:
    uint32_t ShaderType() const override { return GL_VERTEX_SHADER; }
    bool IsSupported() override;
};

class TGLGeometryShaderHandle : public TGLShaderHandle {
public:
    uint32_t ShaderType() const override { return GL_GEOMETRY_SHADER; }
    bool IsSupported() override;
};

class TGLFragmentShaderHandle : public TGLShaderHandle {
public:
    uint32_t ShaderType() const override { return GL_FRAGMENT_SHADER; }
    bool IsSupported() override;
};

// A class of shader handle: its virtual constructor.
using TGLShaderHandleClass = TGLShaderHandle* (*)();
template <class T> TGLShaderHandle* CreateGLShaderHandleOf() { return new T(); }

class TGLProgramHandle : public TGLSLHandle {
public:
    TGLProgramHandle() : Name("DefaultShaderName") {}
    bool IsValid(uint32_t ID) override;

    // Compiles a shader of that class and attaches it; EGLShader with the log when it does not compile (or
    // warns, with treatWarningsAsErrors).
    void AddShader(TGLShaderHandleClass shaderType, const std::string& shaderSource,
                   bool treatWarningsAsErrors = false);
    void AttachObject(TGLShaderHandle* shader);
    void DetachAllObject();
    void BindAttribLocation(int32_t index, const std::string& aName);
    void BindFragDataLocation(int32_t index, const std::string& aName);
    bool LinkProgram();
    bool ValidateProgram();
    // Locations; an unknown name fails the assertion "Unknown %s \"%s\" for \"%s\" or program not in use".
    int32_t GetAttribLocation(const std::string& aName);
    int32_t GetUniformLocation(const std::string& aName);
    int32_t GetVaryingLocation(const std::string& aName);
    int32_t GetUniformBlockIndex(const std::string& aName);
    void AddActiveVarying(const std::string& aName);
    int32_t GetUniformBufferSize(const std::string& aName);
    intptr_t GetUniformOffset(const std::string& aName);
    void UseProgramObject();
    void EndUseProgramObject();

    // Uniforms by name: writes go to the program in use, reads name this program.
    int32_t Uniform1i(const std::string& index);
    void SetUniform1i(const std::string& index, int32_t Value);
    TVector2i Uniform2i(const std::string& index);
    void SetUniform2i(const std::string& index, const TVector2i& Value);
    TVector3i Uniform3i(const std::string& index);
    void SetUniform3i(const std::string& index, const TVector3i& Value);
    TVector4i Uniform4i(const std::string& index);
    void SetUniform4i(const std::string& index, const TVector4i& Value);
    float Uniform1f(const std::string& index);
    void SetUniform1f(const std::string& index, float Value);
    TVector2f Uniform2f(const std::string& index);
    void SetUniform2f(const std::string& index, const TVector2f& Value);
    TVector3f Uniform3f(const std::string& index);
    void SetUniform3f(const std::string& index, const TVector3f& Value);
    TVector4f Uniform4f(const std::string& index);
    void SetUniform4f(const std::string& index, const TVector4f& Value);
    TMatrix2f UniformMatrix2fv(const std::string& index);
    void SetUniformMatrix2fv(const std::string& index, const TMatrix2f& Value);
    TMatrix3f UniformMatrix3fv(const std::string& index);
    void SetUniformMatrix3fv(const std::string& index, const TMatrix3f& Value);
    TMatrix4f UniformMatrix4fv(const std::string& index);
    void SetUniformMatrix4fv(const std::string& index, const TMatrix4f& Value);
    uint32_t UniformTextureHandle(const std::string& index, int32_t TextureIndex, TGLTextureTarget TextureTarget);
    void SetUniformTextureHandle(const std::string& index, int32_t TextureIndex, TGLTextureTarget TextureTarget,
                                 uint32_t Value);
    void SetUniformBuffer(const std::string& index, TGLUniformBufferHandle* Value);

    void SetUniformf(const std::string& index, float val) { SetUniform1f(index, val); }
    void SetUniformf(const std::string& index, const TVector2f& val) { SetUniform2f(index, val); }
    void SetUniformf(const std::string& index, const TVector3f& val) { SetUniform3f(index, val); }
    void SetUniformf(const std::string& index, const TVector4f& val) { SetUniform4f(index, val); }
    void SetUniformi(const std::string& index, int32_t val) { SetUniform1i(index, val); }
    void SetUniformi(const std::string& index, const TVector2i& val) { SetUniform2i(index, val); }
    void SetUniformi(const std::string& index, const TVector3i& val) { SetUniform3i(index, val); }
    void SetUniformi(const std::string& index, const TVector4i& val) { SetUniform4i(index, val); }

    std::string Name;

protected:
    uint32_t DoAllocateHandle() override;
    void DoDestroyHandle(uint32_t& AHandle) override;

private:
    int32_t CheckedLocation(int32_t ALocation, const char* AKind, const std::string& aName);
};
