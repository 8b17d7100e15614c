// Rendering contexts and context handles without OpenGL: a fake context class whose platform steps only
// count, and a fake driver (bound into each fake context's entry points) that keeps the objects of each
// share group.
#include "GLContext.h"

#include "GLState.h"
#include "Raises.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <map>
#include <set>
#include <thread>

namespace {

class TFakeContext;

// Objects per share group; every call is logged with the group of the context current on the calling thread.
struct TFakeDriver {
    std::map<int, std::set<GLuint>> Lists, Textures, Shaders;
    std::map<int, GLuint> NextName;
    std::vector<std::string> Calls;
    bool RefuseNames = false;
    std::string InfoLog;
};
TFakeDriver vDriver;

class TFakeContext : public TGLContext {
public:
    explicit TFakeContext(int AGroup = 0);
    bool IsValid() override { return FValid; }
    void SwapBuffers() override {}
    void* RenderOutputDevice() override { return nullptr; }

    int Group;
    bool FValid = false;
    bool FailActivation = false;
    bool FailDeactivation = false;
    int Activations = 0;
    int Deactivations = 0;
    std::thread::id ActivatedOn;

protected:
    void DoCreateContext(void*) override { FValid = true; }
    void DoCreateMemoryContext(void*, int32_t, int32_t, int32_t) override { FValid = true; }
    bool DoShareLists(TGLContext* aContext) override { return static_cast<TFakeContext*>(aContext)->Group == Group; }
    void DoDestroyContext() override { FValid = false; }
    void DoActivate() override
    {
        ++Activations;
        ActivatedOn = std::this_thread::get_id();
        if (FailActivation) Abort();
    }
    void DoDeactivate() override
    {
        ++Deactivations;
        if (FailDeactivation) throw EGLContext("Context deactivation failed");
    }
};

int CurrentGroup()
{
    return static_cast<TFakeContext*>(GetCurrentGLContextOrAbort())->Group;
}

void Log(const std::string& ACall)
{
    vDriver.Calls.push_back(ACall + "@" + std::to_string(CurrentGroup()));
}

GLuint NewName(std::set<GLuint>& AObjects)
{
    if (vDriver.RefuseNames) return 0;
    const GLuint name = ++vDriver.NextName[CurrentGroup()];
    AObjects.insert(name);
    return name;
}

GLuint GLAPIENTRY FakeGenLists(GLsizei)
{
    Log("GenLists");
    return NewName(vDriver.Lists[CurrentGroup()]);
}
void GLAPIENTRY FakeDeleteLists(GLuint AName, GLsizei)
{
    Log("DeleteLists " + std::to_string(AName));
    vDriver.Lists[CurrentGroup()].erase(AName);
}
GLboolean GLAPIENTRY FakeIsList(GLuint AName) { return vDriver.Lists[CurrentGroup()].count(AName); }
void GLAPIENTRY FakeGenTextures(GLsizei, GLuint* ANames) { *ANames = NewName(vDriver.Textures[CurrentGroup()]); }
void GLAPIENTRY FakeDeleteTextures(GLsizei, const GLuint* ANames) { vDriver.Textures[CurrentGroup()].erase(*ANames); }
GLboolean GLAPIENTRY FakeIsTexture(GLuint AName) { return vDriver.Textures[CurrentGroup()].count(AName); }
GLenum GLAPIENTRY FakeGetError() { return GL_NO_ERROR; }
void GLAPIENTRY FakeGetIntegerv(GLenum, GLint* AValue) { *AValue = 32; }
void GLAPIENTRY FakeActiveTexture(GLenum) {}
void GLAPIENTRY FakeBindTexture(GLenum, GLuint) {}
void GLAPIENTRY FakeBufferData(GLenum, GLsizeiptr, const void*, GLenum) {}
void GLAPIENTRY FakeBufferSubData(GLenum, GLintptr, GLsizeiptr, const void*) { Log("BufferSubData"); }
GLuint GLAPIENTRY FakeCreateShader(GLenum) { return NewName(vDriver.Shaders[CurrentGroup()]); }
void GLAPIENTRY FakeDeleteShader(GLuint AName)
{
    Log("DeleteShader");
    vDriver.Shaders[CurrentGroup()].erase(AName);
}
GLboolean GLAPIENTRY FakeIsShader(GLuint AName) { return vDriver.Shaders[CurrentGroup()].count(AName); }
void GLAPIENTRY FakeShaderSource(GLuint, GLsizei, const GLchar* const*, const GLint*) {}
void GLAPIENTRY FakeCompileShader(GLuint) {}
void GLAPIENTRY FakeGetShaderiv(GLuint, GLenum, GLint* AValue) { *AValue = 1; }
void GLAPIENTRY FakeGetObjectParameteriv(GLhandleARB, GLenum, GLint* AValue)
{
    *AValue = static_cast<GLint>(vDriver.InfoLog.size() + 1);
}
void GLAPIENTRY FakeGetInfoLog(GLhandleARB, GLsizei AMax, GLsizei* ALength, GLcharARB* AText)
{
    *ALength = std::min<GLsizei>(AMax - 1, static_cast<GLsizei>(vDriver.InfoLog.size()));
    std::copy_n(vDriver.InfoLog.data(), *ALength, AText);
    AText[*ALength] = 0;
}
GLuint GLAPIENTRY FakeCreateProgram() { return NewName(vDriver.Shaders[CurrentGroup()]); }
void GLAPIENTRY FakeAttachShader(GLuint, GLuint) { Log("AttachShader"); }

TFakeContext::TFakeContext(int AGroup) : Group(AGroup)
{
    TGLExtensionsAndEntryPoints& gl = *FGL;
    gl.VERSION_2_0 = true;
    gl.ARB_multitexture = true;
    gl.GenLists = FakeGenLists;
    gl.DeleteLists = FakeDeleteLists;
    gl.IsList = FakeIsList;
    gl.GenTextures = FakeGenTextures;
    gl.DeleteTextures = FakeDeleteTextures;
    gl.IsTexture = FakeIsTexture;
    gl.GetError = FakeGetError;
    gl.GetIntegerv = FakeGetIntegerv;
    gl.ActiveTexture = FakeActiveTexture;
    gl.BindTexture = FakeBindTexture;
    gl.BufferData = FakeBufferData;
    gl.BufferSubData = FakeBufferSubData;
    gl.CreateShader = FakeCreateShader;
    gl.DeleteShader = FakeDeleteShader;
    gl.IsShader = FakeIsShader;
    gl.ShaderSource = FakeShaderSource;
    gl.CompileShader = FakeCompileShader;
    gl.GetShaderiv = FakeGetShaderiv;
    gl.GetObjectParameteriv = FakeGetObjectParameteriv;
    gl.GetInfoLog = FakeGetInfoLog;
    gl.CreateProgram = FakeCreateProgram;
    gl.AttachShader = FakeAttachShader;
}

// Contexts made and freed by each test; a made context is created (valid) unless asked otherwise.
class GLContextTest : public ::testing::Test {
protected:
    void SetUp() override { vDriver = {}; }
    void TearDown() override
    {
        while (TGLContext* context = GetCurrentGLContext()) context->Deactivate();
        for (TFakeContext* context : FContexts) Free(context);
    }
    TFakeContext* Make(int AGroup = 0, bool ACreate = true)
    {
        FContexts.push_back(new TFakeContext(AGroup));
        if (ACreate) FContexts.back()->CreateMemoryContext(nullptr, 1, 1, 1);
        return FContexts.back();
    }
    std::vector<TFakeContext*> FContexts;
};

// Whether another thread can activate and deactivate AContext now (false when it stays blocked).
bool OtherThreadCanActivate(TGLContext* AContext)
{
    std::promise<void> done;
    std::thread other([&] {
        AContext->Activate();
        AContext->Deactivate();
        done.set_value();
    });
    const bool result = done.get_future().wait_for(std::chrono::seconds(1)) == std::future_status::ready;
    if (!result) AContext->SetActive(false); // let the thread finish before failing
    other.join();
    return result;
}

// ---------------------------------------------------------------------------------------------------------
// Contexts

TEST_F(GLContextTest, NewContextHasTheDefaultRequestAndIsRegistered)
{
    const int32_t before = vGLContextManager->ContextCount();
    TFakeContext* context = Make(0, false);
    EXPECT_EQ(vGLContextManager->ContextCount(), before + 1);
    EXPECT_EQ(context->ColorBits(), 32);
    for (int32_t bits : {context->AlphaBits(), context->DepthBits(), context->StencilBits(), context->AccumBits(),
                         context->AuxBuffers()})
        EXPECT_EQ(bits, 0);
    EXPECT_EQ(context->AntiAliasing(), aaDefault);
    EXPECT_EQ(context->Layer(), clMainPlane);
    EXPECT_TRUE(context->Options().Empty());
    EXPECT_EQ(context->Acceleration(), chaUnknown);
    EXPECT_FALSE(context->Active());
    EXPECT_TRUE(context->IsPraparationNeed());
    EXPECT_EQ(context->FindCompatibleContext(), nullptr);
    EXPECT_EQ(context->Manager(), vGLContextManager);
    EXPECT_EQ(MessageOf<EGLContext>([&] { context->Activate(); }), "Context not created");
    context->CreateContext(nullptr);
    EXPECT_EQ(MessageOf<EGLContext>([&] { context->CreateContext(nullptr); }), "Context already created");
    // The failed activation above left the lock free.
    EXPECT_TRUE(OtherThreadCanActivate(context));
}

TEST_F(GLContextTest, NestedActivationCallsThePlatformOnceAndAnExtraDeactivationChangesNothing)
{
    TFakeContext* context = Make();
    context->Activate();
    context->Activate();
    EXPECT_EQ(GetCurrentGLContext(), context);
    EXPECT_EQ(GetCurrentGL(), context->GL());
    EXPECT_EQ(MessageOf<EGLContext>([&] { context->SetDepthBits(24); }), "Cannot alter an active context");
    context->Deactivate();
    context->Deactivate();
    EXPECT_EQ(context->Activations, 1);
    EXPECT_EQ(context->Deactivations, 1);
    EXPECT_EQ(MessageOf<EGLContext>([&] { context->Deactivate(); }), "Unbalanced context activations");
    EXPECT_FALSE(context->Active());
    // No context: the closed default table, whose calls abort.
    EXPECT_EQ(GetCurrentGLContext(), nullptr);
    EXPECT_FALSE(GetCurrentGL()->IsInitialized());
    EXPECT_THROW(GetCurrentGL()->Finish(), EAbort);
    EXPECT_THROW(GetCurrentGLContextOrAbort(), EAbort);
    // Activation still balances afterwards.
    context->Activate();
    context->Deactivate();
    EXPECT_EQ(context->Activations, 2);
    context->SetDepthBits(24);
    EXPECT_EQ(context->DepthBits(), 24);
}

TEST_F(GLContextTest, InnerContextDeactivatedMakesTheOuterCurrentAgain)
{
    TFakeContext* outer = Make();
    TFakeContext* inner = Make();
    outer->Activate();
    inner->Activate();
    EXPECT_EQ(GetCurrentGLContext(), inner);
    // The outer context cannot nest while the inner one is current; its count and lock stay as they were.
    EXPECT_THROW(outer->Activate(), EAssertionFailed);
    inner->Deactivate();
    EXPECT_EQ(GetCurrentGLContext(), outer);
    EXPECT_EQ(GetCurrentGL(), outer->GL());
    EXPECT_EQ(outer->Activations, 2); // made current on the platform again
    outer->Deactivate();
    EXPECT_EQ(GetCurrentGLContext(), nullptr);
    EXPECT_TRUE(OtherThreadCanActivate(outer));
    EXPECT_TRUE(OtherThreadCanActivate(inner));
}

TEST_F(GLContextTest, FailedPlatformActivationAbortsGLWorkAndSkipsThePlatformDeactivation)
{
    TFakeContext* context = Make();
    context->FailActivation = true;
    TGLLogCapture capture;
    context->Activate();
    EXPECT_EQ(GetCurrentGLContext(), context);
    EXPECT_TRUE(context->Active());
    EXPECT_TRUE(vContextActivationFailed);
    EXPECT_NE(GetCurrentGL(), context->GL());
    EXPECT_THROW(GetCurrentGL()->Finish(), EAbort);
    EXPECT_FALSE(capture.Entries().empty());
    // The flag belongs to this thread.
    bool otherThreadFlag = true;
    std::thread([&] { otherThreadFlag = vContextActivationFailed; }).join();
    EXPECT_FALSE(otherThreadFlag);
    context->Deactivate();
    EXPECT_EQ(context->Deactivations, 0);
    context->FailActivation = false;
    EXPECT_TRUE(OtherThreadCanActivate(context));
}

TEST_F(GLContextTest, FailedPlatformDeactivationStillReleasesTheContext)
{
    TFakeContext* context = Make();
    context->Activate();
    context->FailDeactivation = true;
    EXPECT_EQ(MessageOf<EGLContext>([&] { context->Deactivate(); }), "Context deactivation failed");
    EXPECT_FALSE(context->Active());
    EXPECT_EQ(GetCurrentGLContext(), nullptr);
    context->FailDeactivation = false;
    EXPECT_TRUE(OtherThreadCanActivate(context));
}

// The activation guard ends its scope without raising: a platform whose release fails is logged and the
// context released anyway, so an exception unwinding through the guard reaches the caller (instead of ending
// the process). Both ways of entering: nested on the current context, and stepping it back meanwhile.
TEST_F(GLContextTest, ActivationGuardLogsAFailedReleaseAndLetsTheUnwindingExceptionThrough)
{
    TFakeContext* outer = Make();
    TFakeContext* context = Make();
    for (const bool stepBack : {false, true})
        for (const bool raise : {false, true}) {
            SCOPED_TRACE(std::string(stepBack ? "stepping back" : "nested") + (raise ? ", raising" : ""));
            outer->Activate();
            context->FailDeactivation = true;
            TGLLogCapture capture;
            const std::string left = MessageOf([&] {
                const TActiveContext active(context, stepBack);
                EXPECT_EQ(GetCurrentGLContext(), context);
                EXPECT_EQ(outer->Active(), !stepBack);
                if (raise) throw EConvertError("the scope failed");
            });
            EXPECT_EQ(left, raise ? "the scope failed" : cNoException);
            EXPECT_TRUE(capture.Contains("Rendering context deactivation failed: Context deactivation failed"));
            EXPECT_FALSE(context->Active());
            EXPECT_EQ(GetCurrentGLContext(), outer);
            context->FailDeactivation = false;
            outer->Deactivate();
        }
}

TEST_F(GLContextTest, ActivationGuardLogsAStepBackThatCannotComeBack)
{
    TFakeContext* outer = Make();
    TFakeContext* context = Make();
    outer->Activate();
    TGLLogCapture capture;
    {
        const TActiveContext active(context, true);
        outer->DestroyContext(); // the stepped-back context is gone by the end of the scope
        EXPECT_EQ(GetCurrentGLContext(), context);
    }
    EXPECT_TRUE(capture.Contains("Rendering context reactivation failed: Context not created"));
    EXPECT_EQ(GetCurrentGLContext(), nullptr);
}

TEST_F(GLContextTest, TwoThreadsRenderWithTwoContextsAtOnce)
{
    TFakeContext* first = Make();
    TFakeContext* second = Make();
    first->Activate();
    TGLContext* seenByOther = nullptr;
    TGLExtensionsAndEntryPoints* glOfOther = nullptr;
    std::thread([&] {
        second->Activate();
        seenByOther = GetCurrentGLContext();
        glOfOther = GetCurrentGL();
        second->Deactivate();
    }).join();
    EXPECT_EQ(seenByOther, second);
    EXPECT_EQ(glOfOther, second->GL());
    EXPECT_NE(second->ActivatedOn, std::this_thread::get_id());
    EXPECT_EQ(GetCurrentGLContext(), first);
    first->Deactivate();
}

TEST_F(GLContextTest, SharingReachesOneLevelAndDestructionLeavesTheGroup)
{
    TFakeContext* a = Make();
    TFakeContext* b = Make();
    TFakeContext* c = Make();
    using TList = std::vector<TGLContext*>;
    a->ShareLists(b);
    b->ShareLists(c);
    EXPECT_EQ(a->SharedContexts(), (TList{a, b}));
    EXPECT_EQ(b->SharedContexts(), (TList{b, a, c}));
    EXPECT_EQ(c->SharedContexts(), (TList{c, b}));
    EXPECT_EQ(a->FindCompatibleContext(), b);

    TFakeContext* s = Make();
    TFakeContext* d = Make();
    TFakeContext* e = Make();
    TFakeContext* stranger = Make(1);
    for (TFakeContext* context : {d, e}) context->ShareLists(s);
    stranger->ShareLists(s); // refused by the platform
    EXPECT_EQ(stranger->SharedContexts(), (TList{stranger}));
    for (TGLContext* context : {s, d, e}) {
        TList group = context->SharedContexts();
        std::sort(group.begin(), group.end());
        TList all{s, d, e};
        std::sort(all.begin(), all.end());
        EXPECT_EQ(group, all);
    }
    d->DestroyContext();
    EXPECT_FALSE(d->IsValid());
    EXPECT_EQ(d->SharedContexts(), (TList{d}));
    EXPECT_FALSE(s->SharesWith(d));
    EXPECT_FALSE(e->SharesWith(d));
}

TEST_F(GLContextTest, ManagerBookkeeping)
{
    TGLContextManager manager;
    std::vector<std::string> fired;
    TObject x, y;
    manager.LastContextDestroyNotification(&x, [&](TObject* sender) { fired.push_back(sender == &x ? "X" : "?"); });
    manager.LastContextDestroyNotification(&y, [&](TObject* sender) { fired.push_back(sender == &y ? "Y" : "?"); });
    manager.ContextCreated();
    manager.ContextCreated();
    manager.ContextDestroying();
    EXPECT_TRUE(fired.empty());
    manager.ContextDestroying();
    EXPECT_EQ(fired, (std::vector<std::string>{"Y", "X"}));

    fired.clear();
    manager.LastContextDestroyNotification(&x, [&](TObject*) { fired.push_back("X"); });
    manager.LastContextDestroyNotification(&y, [&](TObject*) { fired.push_back("Y"); });
    manager.RemoveNotification(&y);
    EXPECT_EQ(MessageOf<EGLContext>([&] { manager.RemoveNotification(&y); }), "Invalid notification removal");
    manager.ContextCreated();
    manager.ContextDestroying();
    EXPECT_EQ(fired, (std::vector<std::string>{"X"}));

    TFakeContext* context = Make();
    EXPECT_EQ(MessageOf<EGLContext>([&] { vGLContextManager->RegisterContext(context); }),
              "Invalid context registration");
    EXPECT_EQ(MessageOf<EGLContext>([&] { manager.UnRegisterContext(context); }), "Invalid context registration");
    TGLContext* made = manager.CreateContext(&CreateGLContextOf<TFakeContext>);
    EXPECT_EQ(made->Manager(), &manager);
    Free(made);
}

TEST_F(GLContextTest, TaskFromAnotherThreadRunsThereAndItsErrorIsReported)
{
    std::thread::id ranOn;
    auto finished = std::make_shared<TFinishTaskEvent>();
    TGLLogCapture capture;
    std::thread other([&] {
        AddTaskForServiceContext([&] { ranOn = std::this_thread::get_id(); }, finished);
        AddTaskForServiceContext([] { throw EGLContext("boom"); });
        EXPECT_EQ(ranOn, std::this_thread::get_id());
    });
    other.join();
    EXPECT_TRUE(finished->WaitFor(0));
    const auto texts = capture.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Service thread task raised exception"), texts.end());

    // On the main thread without a service context the task is dropped.
    if (GetServiceContext()) return;
    bool ran = false;
    AddTaskForServiceContext([&] { ran = true; });
    EXPECT_FALSE(ran);
}

// A service context whose platform creation says it began, then waits until the test lets it go.
TFinishTaskEvent vCreationStarted;
TFinishTaskEvent vCreationMayFinish;
class TSlowContext : public TFakeContext {
protected:
    void DoCreateMemoryContext(void*, int32_t, int32_t, int32_t) override
    {
        vCreationStarted.SetEvent();
        vCreationMayFinish.WaitFor(TFinishTaskEvent::cInfinite);
        FValid = true;
    }
};

TEST(GLServiceContextTest, StartUpWaitsForAStuckServiceTaskOnlyUntilTheTimeOut)
{
    RegisterGLContextClass(&CreateGLContextOf<TSlowContext>);
    TGLLogCapture capture;
    {
        TGLContextManager manager;
        manager.CreateServiceContext(20);
        TGLContext* service = manager.ServiceContext();
        ASSERT_NE(service, nullptr);
        EXPECT_FALSE(service->IsValid());
        const auto texts = capture.Texts();
        EXPECT_NE(std::find(texts.begin(), texts.end(), "TServiceContextThread: can't initialize rendering context"),
                  texts.end());
        // The late task still completes, and the thread frees its context when it ends. On a busy machine the
        // thread may not have taken the task yet: it is let go only once it has.
        EXPECT_TRUE(vCreationStarted.WaitFor(10000));
        vCreationMayFinish.SetEvent();
    }
    const auto texts = capture.Texts();
    for (const char* expected : {"Service thread started", "Service context successfuly initialized",
                                 "Service thread finished", "Service thread destroyed"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), expected), texts.end()) << expected;
}

// A service context that can be made neither off-screen nor as an ordinary context.
class TNoServiceContext : public TFakeContext {
protected:
    void DoCreateMemoryContext(void*, int32_t, int32_t, int32_t) override
    {
        throw EPBuffer("Unabled to create pbuffer.");
    }
    void DoCreateContext(void*) override { throw Exception("no drawable"); }
};

TEST(GLServiceContextTest, WithoutAnyContextTheFailureIsReportedAndStartUpGoesOn)
{
    RegisterGLContextClass(&CreateGLContextOf<TNoServiceContext>);
    TGLLogCapture capture;
    {
        TGLContextManager manager;
        manager.CreateServiceContext(5000);
        ASSERT_NE(manager.ServiceContext(), nullptr);
        EXPECT_FALSE(manager.ServiceContext()->IsValid());
    }
    const auto texts = capture.Texts();
    const auto logged = [&](const char* AText) { return std::find(texts.begin(), texts.end(), AText) != texts.end(); };
    EXPECT_TRUE(logged("TServiceContextThread: can't initialize memory rendering context. Try initialize common "
                       "context."));
    EXPECT_TRUE(logged("TServiceContextThread: can't initialize rendering context"));
    EXPECT_FALSE(logged("Service thread task raised exception"));
    EXPECT_FALSE(logged("Service context successfuly initialized"));
}

// ---------------------------------------------------------------------------------------------------------
// Handles

TEST_F(GLContextTest, NewHandleAndAllocationInOneContext)
{
    TFakeContext* context = Make();
    TGLListHandle* handle = new TGLListHandle();
    {
        TGLLogCapture capture;
        EXPECT_EQ(handle->AllocateHandle(), 0u);
        EXPECT_EQ(capture.Texts(),
                  std::vector<std::string>{"Failed to allocate OpenGL identifier - no active rendering context!"});
    }
    context->Activate();
    EXPECT_EQ(handle->Handle(), 0u);
    EXPECT_TRUE(handle->IsDataNeedUpdate());
    EXPECT_EQ(handle->RenderingContext(), nullptr);
    EXPECT_TRUE(handle->IsDataComplitelyUpdated());

    const uint32_t name = handle->AllocateHandle();
    EXPECT_NE(name, 0u);
    EXPECT_EQ(handle->AllocateHandle(), name);
    EXPECT_EQ(std::count(vDriver.Calls.begin(), vDriver.Calls.end(), "GenLists@0"), 1);
    EXPECT_EQ(handle->RenderingContext(), context);
    EXPECT_TRUE(handle->IsDataNeedUpdate()); // a fresh object needs its data
    EXPECT_FALSE(handle->IsDataComplitelyUpdated());
    handle->NotifyDataUpdated();
    EXPECT_FALSE(handle->IsDataNeedUpdate());
    EXPECT_TRUE(handle->IsDataComplitelyUpdated());
    handle->NotifyChangesOfData();
    EXPECT_TRUE(handle->IsDataNeedUpdate());
    context->Deactivate();
    {
        TGLLogCapture capture;
        handle->NotifyDataUpdated();
        EXPECT_EQ(capture.Texts(), std::vector<std::string>{"No active rendering context"});
    }
    Free(handle);
    EXPECT_TRUE(vDriver.Lists[0].empty());
}

TEST_F(GLContextTest, FailedAllocationIsLoggedAndTriedAgain)
{
    TFakeContext* context = Make();
    TGLListHandle* handle = new TGLListHandle();
    context->Activate();
    vDriver.RefuseNames = true;
    TGLLogCapture capture;
    EXPECT_EQ(handle->AllocateHandle(), 0u);
    EXPECT_EQ(handle->AllocateHandle(), 0u);
    EXPECT_EQ(capture.Texts(), (std::vector<std::string>{"No active rendering context", "No active rendering context"}));
    EXPECT_THROW(Free(TGLContextHandle::CreateAndAllocate<TGLListHandle>()), EGLContext);
    vDriver.RefuseNames = false;
    EXPECT_NE(handle->AllocateHandle(), 0u);
    EXPECT_EQ(handle->RenderingContext(), context);
    context->Deactivate();
    Free(handle);
}

TEST_F(GLContextTest, OneObjectPerShareGroup)
{
    TFakeContext* a = Make();
    TFakeContext* b = Make();
    a->ShareLists(b);
    TGLListHandle* handle = new TGLListHandle();
    a->Activate();
    const uint32_t name = handle->AllocateHandle();
    EXPECT_FALSE(handle->IsShared());
    a->Deactivate();
    b->Activate();
    EXPECT_EQ(handle->AllocateHandle(), name);
    EXPECT_TRUE(handle->IsShared());
    EXPECT_TRUE(handle->IsDataNeedUpdate()); // A's changed flag came along
    handle->NotifyDataUpdated();
    EXPECT_TRUE(handle->IsDataComplitelyUpdated()); // cleared for A too
    b->Deactivate();
    EXPECT_EQ(vDriver.Calls, std::vector<std::string>{"GenLists@0"});

    // A's platform context goes: the object stays for B.
    a->DestroyContext();
    EXPECT_EQ(vDriver.Lists[0].count(name), 1u);
    EXPECT_FALSE(handle->IsAllocatedForContext(a));
    EXPECT_TRUE(handle->IsAllocatedForContext(b));
    Free(handle);
    EXPECT_EQ(vDriver.Calls, (std::vector<std::string>{"GenLists@0", "DeleteLists 1@0"}));
}

TEST_F(GLContextTest, UnsharedKindsAndContextsGetANamePerContextAndDestroyVisitsEach)
{
    TFakeContext* a = Make(0);
    TFakeContext* b = Make(0);
    TFakeContext* other = Make(1);
    a->ShareLists(b);
    auto* virtualHandle = new TGLVirtualHandle();
    int allocations = 0;
    virtualHandle->OnAllocate = [&](TGLContextHandle*, uint32_t& name) { name = ++allocations; };
    auto* list = new TGLListHandle();
    for (TFakeContext* context : {a, b, other}) {
        context->Activate();
        virtualHandle->AllocateHandle();
        list->AllocateHandle();
        context->Deactivate();
    }
    EXPECT_EQ(allocations, 3);
    EXPECT_EQ(vDriver.Calls, (std::vector<std::string>{"GenLists@0", "GenLists@1"}));

    // Deleting activates each record's own context and gives the caller's context back.
    b->Activate();
    vDriver.Calls.clear();
    list->DestroyHandle();
    EXPECT_EQ(vDriver.Calls, (std::vector<std::string>{"DeleteLists 1@1", "DeleteLists 1@0"}));
    EXPECT_EQ(GetCurrentGLContext(), b);
    EXPECT_EQ(list->Handle(), 0u);
    b->Deactivate();
    Free(list);
    Free(virtualHandle);
}

TEST_F(GLContextTest, ContextDestructionFreesItsObjects)
{
    TFakeContext* context = Make();
    auto* list = new TGLListHandle();
    context->Activate();
    list->AllocateHandle();
    context->Deactivate();
    EXPECT_EQ(vDriver.Lists[0].size(), 1u);
    context->DestroyContext();
    EXPECT_TRUE(vDriver.Lists[0].empty());
    EXPECT_FALSE(list->IsAllocatedForContext(context));
    Free(list);
}

TEST_F(GLContextTest, DeletedTextureIsUnboundFromTheStateCache)
{
    TFakeContext* context = Make();
    context->Activate();
    auto* texture = TGLContextHandle::CreateAndAllocate<TGLTextureHandle>();
    texture->SetTarget(ttTexture2D);
    texture->SetTarget(ttTexture3D); // once per allocation
    EXPECT_EQ(texture->Target(), ttTexture2D);
    context->GLStates()->SetTextureBinding(2, ttTexture2D, texture->Handle());
    Free(texture);
    EXPECT_EQ(context->GLStates()->TextureBinding(2, ttTexture2D), 0u);
    EXPECT_TRUE(vDriver.Textures[0].empty());
    context->Deactivate();
}

TEST_F(GLContextTest, BufferSubDataStaysInsideTheBuffer)
{
    TFakeContext* context = Make();
    context->Activate();
    auto* buffer = new TGLVBOArrayBufferHandle();
    buffer->BufferData(nullptr, 16, GL_STATIC_DRAW);
    EXPECT_EQ(buffer->BufferSize(), 16);
    buffer->BufferSubData(8, 8, nullptr);
    EXPECT_THROW(buffer->BufferSubData(8, 9, nullptr), EAssertionFailed);
    EXPECT_THROW(buffer->BindBase(0), EAssertionFailed);
    EXPECT_EQ(std::count(vDriver.Calls.begin(), vDriver.Calls.end(), "BufferSubData@0"), 1);
    context->Deactivate();
    Free(buffer);
}

TEST_F(GLContextTest, ShaderWarningsFailOnlyWhenTreatedAsErrors)
{
    TFakeContext* context = Make();
    context->Activate();
    auto* program = new TGLProgramHandle();
    program->Name = "Lit";
    program->AllocateHandle();
    vDriver.InfoLog = "0:1(1): Warning: unused";
    vDriver.Calls.clear();
    program->AddShader(&CreateGLShaderHandleOf<TGLVertexShaderHandle>, "void main(){}", false);
    EXPECT_EQ(vDriver.Calls, (std::vector<std::string>{"AttachShader@0", "DeleteShader@0"}));
    vDriver.Calls.clear();
    EXPECT_EQ(MessageOf<EGLShader>([&] {
                  program->AddShader(&CreateGLShaderHandleOf<TGLFragmentShaderHandle>, "void main(){}", true);
              }),
              "Lit (TGLFragmentShaderHandle): \r\n0:1(1): Warning: unused");
    EXPECT_EQ(vDriver.Calls, std::vector<std::string>{"DeleteShader@0"});
    context->Deactivate();
    Free(program);
}

} // namespace
