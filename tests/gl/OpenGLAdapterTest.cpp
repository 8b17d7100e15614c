// The entry-point table without OpenGL: a fake resolver decides which names exist, fake functions answer the
// queries Initialize makes.
#include "OpenGLAdapter.h"

#include "SysUtils.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <set>
#include <thread>
#include <vector>

namespace {

// A fake driver. Names in ProcNames are found by the context-level lookup, names in LibraryNames are the
// library's exports. The query functions below answer from this record; any other name found gets an address
// of its own that is never called.
struct TFakeGL {
    std::set<std::string> ProcNames{"glGetString", "glGetStringi", "glGetIntegerv", "glGetError"};
    std::set<std::string> LibraryNames;
    std::string Version = "2.1";
    std::string Extensions;                     // glGetString(GL_EXTENSIONS)
    std::vector<std::string> IndexedExtensions; // glGetStringi(GL_EXTENSIONS, i)
    std::deque<GLenum> Errors;                  // glGetError answers these, then GL_NO_ERROR
    bool EndlessErrors = false;
    int GetErrorCalls = 0;
    std::vector<std::string> DebugCalls;
};

TFakeGL* vFake = nullptr;

const GLubyte* GLAPIENTRY FakeGetString(GLenum AName)
{
    const std::string* text = AName == GL_VERSION ? &vFake->Version : AName == GL_EXTENSIONS ? &vFake->Extensions : nullptr;
    return text ? reinterpret_cast<const GLubyte*>(text->c_str()) : nullptr;
}

const GLubyte* GLAPIENTRY FakeGetStringi(GLenum, GLuint AIndex)
{
    const auto& list = vFake->IndexedExtensions;
    return AIndex < list.size() ? reinterpret_cast<const GLubyte*>(list[AIndex].c_str()) : nullptr;
}

void GLAPIENTRY FakeGetIntegerv(GLenum AName, GLint* AValue)
{
    if (AName == GL_NUM_EXTENSIONS) *AValue = static_cast<GLint>(vFake->IndexedExtensions.size());
}

GLenum GLAPIENTRY FakeGetError()
{
    ++vFake->GetErrorCalls;
    if (vFake->EndlessErrors) return GL_INVALID_VALUE;
    if (vFake->Errors.empty()) return GL_NO_ERROR;
    const GLenum error = vFake->Errors.front();
    vFake->Errors.pop_front();
    return error;
}

void GLAPIENTRY FakeDebugMessageCallback(GLDEBUGPROC ACallback, const void*)
{
    vFake->DebugCalls.push_back(ACallback ? "callback" : "no callback");
}

void GLAPIENTRY FakeDebugMessageControl(GLenum, GLenum, GLenum, GLsizei ACount, const GLuint*, GLboolean AEnabled)
{
    vFake->DebugCalls.push_back("control " + std::to_string(ACount) + (AEnabled ? " on" : " off"));
}

void GLAPIENTRY FakeEnable(GLenum ACap)
{
    vFake->DebugCalls.push_back("enable " + std::to_string(ACap));
}

const std::map<std::string, void*> cFakeFunctions = {
    {"glGetString", reinterpret_cast<void*>(&FakeGetString)},
    {"glGetStringi", reinterpret_cast<void*>(&FakeGetStringi)},
    {"glGetIntegerv", reinterpret_cast<void*>(&FakeGetIntegerv)},
    {"glGetError", reinterpret_cast<void*>(&FakeGetError)},
    {"glDebugMessageCallback", reinterpret_cast<void*>(&FakeDebugMessageCallback)},
    {"glDebugMessageControl", reinterpret_cast<void*>(&FakeDebugMessageControl)},
    {"glEnable", reinterpret_cast<void*>(&FakeEnable)},
};

// A distinct, never-called address per found name and kind of lookup ("proc:glX", "lib:glX").
void* AddressOf(const std::string& AKey)
{
    static char vAddresses[4096];
    static std::map<std::string, size_t> vIndices;
    const auto [found, added] = vIndices.emplace(AKey, vIndices.size());
    return &vAddresses[found->second];
}

void* Resolve(const std::set<std::string>& ANames, const char* AKind, const char* AName)
{
    if (!ANames.count(AName)) return nullptr;
    const auto function = cFakeFunctions.find(AName);
    return function != cFakeFunctions.end() ? function->second : AddressOf(std::string(AKind) + AName);
}

// Puts the fake behind every lookup while it lives.
class TFakeGLScope {
public:
    explicit TFakeGLScope(TFakeGL& AFake)
    {
        vFake = &AFake;
        FPrevious = SetGLEntryPointResolver(
            {[](const char* AName) { return Resolve(vFake->ProcNames, "proc:", AName); },
             [](const char* AName) { return Resolve(vFake->LibraryNames, "lib:", AName); }});
    }
    ~TFakeGLScope()
    {
        SetGLEntryPointResolver(FPrevious);
        vFake = nullptr;
    }

private:
    TGLEntryPointResolver FPrevious;
};

template <typename F> void* Address(F AEntryPoint)
{
    return reinterpret_cast<void*>(AEntryPoint);
}

// Names of the GL entry points of the table that are not bound to their stub.
std::vector<std::string> BoundEntryPoints(const TGLExtensionsAndEntryPoints& AGL)
{
    std::vector<std::string> bound;
#define GL_ENTRY(Field, Name, Lookup, Alternate, Type) \
    if (!IsMissingEntryPoint(AGL.Field)) bound.push_back(#Field);
#include "OpenGLAdapterEntryPoints.def"
#undef GL_ENTRY
    return bound;
}

std::vector<std::string> LoggedErrors(TGLLogCapture& ACapture)
{
    std::vector<std::string> errors;
    for (const auto& entry : ACapture.Entries())
        if (entry.Level == lkError) errors.push_back(entry.Text);
    return errors;
}

class OpenGLAdapterFake : public ::testing::Test {
protected:
    TFakeGL Fake;
    TFakeGLScope Scope{Fake};
    TGLExtensionsAndEntryPoints GL;
};

} // namespace

TEST(OpenGLAdapter, LookupTriesPlainArbLibraryExtNvAtiOesThenNothing)
{
    struct TCase {
        std::set<std::string> Proc, Library;
        const char* Expected; // "proc:" or "lib:" + the name found; nullptr: not found
    };
    const TCase cases[] = {
        {{"glBindTexture", "glBindTextureARB"}, {"glBindTexture"}, "proc:glBindTexture"},
        {{"glBindTextureARB", "glBindTextureEXT"}, {"glBindTexture"}, "proc:glBindTextureARB"},
        {{"glBindTextureEXT"}, {"glBindTexture"}, "lib:glBindTexture"},
        {{"glBindTextureEXT", "glBindTextureNV", "glBindTextureATI"}, {}, "proc:glBindTextureEXT"},
        {{"glBindTextureNV", "glBindTextureATI", "glBindTextureOES"}, {}, "proc:glBindTextureNV"},
        {{"glBindTextureATI", "glBindTextureOES"}, {}, "proc:glBindTextureATI"},
        {{"glBindTextureOES"}, {}, "proc:glBindTextureOES"},
        // other suffixes are not tried, and the library is asked for the plain name only
        {{"glBindTextureAMD"}, {"glBindTextureEXT", "glBindTextureARB"}, nullptr},
    };
    for (const TCase& c : cases) {
        TFakeGL fake;
        fake.ProcNames = c.Proc;
        fake.LibraryNames = c.Library;
        TFakeGLScope scope(fake);
        EXPECT_EQ(LookupEntryPoint("BindTexture"), c.Expected ? AddressOf(c.Expected) : nullptr)
            << (c.Expected ? c.Expected : "nothing");
    }
}

TEST_F(OpenGLAdapterFake, PairsFallBackToTheOlderNameAndExactNamesAreNotVaried)
{
    Fake.ProcNames = {"glUseProgramObjectARB", "glGenPathsNVARB"};
    Fake.LibraryNames = {"glGenPathsNV"};
    EXPECT_EQ(LookupEntryPointPair("UseProgram", "UseProgramObject"), AddressOf("proc:glUseProgramObjectARB"));
    EXPECT_EQ(LookupExactEntryPoint("GenPathsNV"), nullptr);

    Fake.ProcNames = {"glUseProgramEXT", "glUseProgramObjectARB", "glGenPathsNV"};
    EXPECT_EQ(LookupEntryPointPair("UseProgram", "UseProgramObject"), AddressOf("proc:glUseProgramEXT"));
    EXPECT_EQ(LookupExactEntryPoint("GenPathsNV"), AddressOf("proc:glGenPathsNV"));
}

TEST_F(OpenGLAdapterFake, InitializeBindsEachEntryPointByItsLookupAndStubsTheMissingOnes)
{
    Fake.ProcNames.insert({"glActiveTextureARB", "glUseProgramObjectARB", "glTextureParameterfv",
                           "glTextureParameterfvEXT", "glMultiTexCoord1dv", "glBegin", "glGenPathsNV",
                           "glResizeBuffersMESA"});
    Fake.LibraryNames = {"glBindTexture"};
    GL.Initialize(false);

    EXPECT_TRUE(GL.IsInitialized());
    EXPECT_EQ(Address(GL.ActiveTexture), AddressOf("proc:glActiveTextureARB"));
    EXPECT_EQ(Address(GL.BindTexture), AddressOf("lib:glBindTexture"));
    EXPECT_EQ(Address(GL.UseProgram), AddressOf("proc:glUseProgramObjectARB"));
    // the direct-state-access function, never its core namesake that takes other arguments
    EXPECT_EQ(Address(GL.TextureParameterfv), AddressOf("proc:glTextureParameterfvEXT"));
    EXPECT_EQ(Address(GL.MultiTexCoord1dV), AddressOf("proc:glMultiTexCoord1dv"));
    EXPECT_EQ(Address(GL.Begin_), AddressOf("proc:glBegin"));
    EXPECT_EQ(Address(GL.GenPathsNV), AddressOf("proc:glGenPathsNV"));
    EXPECT_EQ(Address(GL.GetString), reinterpret_cast<void*>(&FakeGetString));
    EXPECT_TRUE(IsMesaOpenGL());

    // A missing function is never null: it aborts silently, typed or generic.
    EXPECT_THROW(GL.Accum(GL_LOAD, 1.0f), EAbort);
    EXPECT_THROW(GL.DeleteShader(1), EAbort);
    EXPECT_THROW(GL.GetSamplerParameterIfv(), EAbort);
    EXPECT_EQ(BoundEntryPoints(GL).size(), 11u);
}

TEST_F(OpenGLAdapterFake, ExtensionFlagsMatchWholeNamesOfTheStringList)
{
    Fake.Extensions = "GL_ARB_shadow_ambient GL_ARB_shadow GL_3DFX_tbuffer GL_EXT_direct_state_access "
                      "GL_ARB_multitexture";
    Fake.IndexedExtensions = {"GL_ARB_texture_float"}; // read from 3.0 on only
    GL.Initialize(false);

    EXPECT_TRUE(GL.VERSION_2_1);
    EXPECT_FALSE(GL.VERSION_3_0);
    EXPECT_TRUE(GL.ARB_shadow_ambient);
    EXPECT_TRUE(GL.ARB_shadow);
    EXPECT_TRUE(GL._3DFX_tbuffer);
    EXPECT_TRUE(GL.EXT_direct_state_access);
    EXPECT_TRUE(GL.ARB_multitexture); // last, with no blank after it
    EXPECT_FALSE(GL._3DFX_multisample);
    EXPECT_FALSE(GL.EXT_texture_swizzle);
    EXPECT_FALSE(GL.ARB_texture_float);
}

TEST_F(OpenGLAdapterFake, FromVersion3TheListIsReadByIndex)
{
    Fake.Version = "4.5 (Compatibility Profile) Mesa 22.3.6";
    Fake.Extensions = "GL_NV_fence";
    Fake.IndexedExtensions = {"GL_ARB_shadow", "GL_KHR_debug"};
    GL.Initialize(false);

    EXPECT_TRUE(GL.VERSION_4_2);
    EXPECT_TRUE(GL.ARB_shadow);
    EXPECT_TRUE(GL.KHR_debug);
    EXPECT_FALSE(GL.NV_fence);
}

TEST(OpenGLAdapter, HasExtensionMatchesWholeBlankSeparatedNames)
{
    struct TCase {
        const char* List;
        const char* Name;
        bool Expected;
    };
    const TCase cases[] = {
        {"GL_ARB_shadow_ambient GL_ARB_shadow", "GL_ARB_shadow", true}, // a later occurrence counts
        {"GL_ARB_shadow GL_ARB_shadow_ambient", "GL_ARB_shadow", true},
        {"GL_ARB_shadow_ambient ", "GL_ARB_shadow", false},
        {"XGL_ARB_shadow", "GL_ARB_shadow", false}, // the character in front counts too
        {"GL_EXT_direct_state_access", "EXT_direct_state_access", false},
        {"GL_A GL_B", "GL_B", true},
        {"GL_A GL_B ", "GL_A", true},
        {"", "GL_A", false},
        {"GL_A", "", false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(HasExtension(c.List, c.Name), c.Expected) << '"' << c.List << "\" / " << c.Name;
}

TEST(OpenGLAdapter, ParseGLVersionTakesTheNumbersAroundTheFirstDot)
{
    struct TCase {
        const char* Text;
        int32_t Major, Minor;
    };
    const TCase cases[] = {
        {"4.5 (Compatibility Profile) Mesa 22.3.6", 4, 5},
        {"4.6.0 NVIDIA 1.2", 4, 6},
        {"OpenGL ES 3.2", 3, 2},
        {"2.1", 2, 1},
        {"12.34", 12, 34},
        {"abc", 0, 0},
        {".5", 0, 0},
        {"4.", 0, 0},
        {"", 0, 0},
        {"x.1 2.0", 0, 0},      // only the first dot is looked at
        {"99999999999.1", 0, 0}, // too large for a number
    };
    for (const TCase& c : cases) {
        int32_t major = -1, minor = -1;
        ParseGLVersion(c.Text, major, minor);
        EXPECT_EQ(major, c.Major) << c.Text;
        EXPECT_EQ(minor, c.Minor) << c.Text;
    }
    EXPECT_TRUE(VersionAtLeast(4, 2, 4, 5));
    EXPECT_TRUE(VersionAtLeast(3, 0, 4, 0));
    EXPECT_FALSE(VersionAtLeast(4, 2, 4, 1));
    EXPECT_FALSE(VersionAtLeast(4, 6, 4, 5));
}

TEST_F(OpenGLAdapterFake, TemporaryInitializeBindsOnlyTheFourQueries)
{
    Fake.Extensions = "GL_ARB_shadow";
    Fake.LibraryNames = {"glBindTexture"};
    GL.Initialize(true);

    EXPECT_TRUE(GL.IsInitialized());
    EXPECT_TRUE(GL.VERSION_2_1);
    EXPECT_FALSE(GL.ARB_shadow);
    EXPECT_EQ(BoundEntryPoints(GL), (std::vector<std::string>{"GetError", "GetIntegerv", "GetString", "GetStringi"}));
    EXPECT_THROW(GL.BindTexture(GL_TEXTURE_2D, 1), EAbort);
}

TEST_F(OpenGLAdapterFake, CloseStubsEveryGLEntryPointAndKeepsTheWindowSystemPart)
{
    Fake.ProcNames.insert("glActiveTexture");
    Fake.Extensions = "GL_ARB_multitexture";
    GL.Initialize(false);
    GL.W_ARB_pbuffer = true;
    GL.Close();

    EXPECT_FALSE(GL.IsInitialized());
    EXPECT_FALSE(GL.VERSION_1_0);
    EXPECT_FALSE(GL.VERSION_2_1);
    EXPECT_FALSE(GL.ARB_multitexture);
    EXPECT_TRUE(GL.W_ARB_pbuffer);
    EXPECT_TRUE(BoundEntryPoints(GL).empty());
    EXPECT_THROW(GL.ActiveTexture(GL_TEXTURE0), EAbort);
}

TEST(OpenGLAdapter, NewTablesAndThreadsWithoutContextAbortSilently)
{
    TGLExtensionsAndEntryPoints table;
    EXPECT_FALSE(table.IsInitialized());
    EXPECT_FALSE(table.VERSION_1_0);
    EXPECT_TRUE(BoundEntryPoints(table).empty());
    EXPECT_EQ(table.WSwapIntervalEXT, nullptr);

    std::thread([] {
        TGLExtensionsAndEntryPoints* defaultGL = GetCurrentGL();
        ASSERT_NE(defaultGL, nullptr);
        EXPECT_THROW(defaultGL->BindTexture(GL_TEXTURE_2D, 1), EAbort);
        EXPECT_FALSE(defaultGL->VERSION_1_1);
    }).join();

    SetCurrentGL(&table);
    EXPECT_EQ(GetCurrentGL(), &table);
    SetCurrentGL(nullptr);
    EXPECT_NE(GetCurrentGL(), &table);
    EXPECT_NE(GetCurrentGL(), nullptr);
}

TEST_F(OpenGLAdapterFake, CheckErrorLogsTheFirstPendingErrorByName)
{
    const std::pair<GLenum, const char*> cases[] = {
        {GL_INVALID_ENUM, "OpenGL error - Invalid enum"},
        {GL_INVALID_VALUE, "OpenGL error - Invalid value"},
        {GL_INVALID_OPERATION, "OpenGL error - Invalid Operation"},
        {GL_OUT_OF_MEMORY, "OpenGL error - Out of memory"},
        {GL_STACK_OVERFLOW, nullptr}, // other codes are drained but not logged
        {GL_INVALID_FRAMEBUFFER_OPERATION, nullptr},
    };
    GL.Initialize(true);
    for (const auto& [error, text] : cases) {
        TGLLogCapture capture;
        Fake.Errors = {error, GL_INVALID_VALUE};
        Fake.GetErrorCalls = 0;
        GL.CheckError();
        EXPECT_EQ(LoggedErrors(capture), text ? std::vector<std::string>{text} : std::vector<std::string>{});
        EXPECT_EQ(Fake.GetErrorCalls, 3);
    }
}

TEST_F(OpenGLAdapterFake, ErrorReadingIsBoundedAndNeverRaises)
{
    Fake.EndlessErrors = true;
    TGLLogCapture capture;
    GL.CheckError(); // not initialised: does nothing
    EXPECT_EQ(Fake.GetErrorCalls, 0);

    GL.Initialize(true);
    GL.CheckError();
    EXPECT_EQ(Fake.GetErrorCalls, 8);
    Fake.GetErrorCalls = 0;
    GL.ClearError();
    EXPECT_EQ(Fake.GetErrorCalls, 7);
    EXPECT_EQ(LoggedErrors(capture), std::vector<std::string>{"OpenGL error - Invalid value"});

    Fake.EndlessErrors = false;
    Fake.Errors = {GL_INVALID_ENUM, GL_INVALID_VALUE};
    Fake.GetErrorCalls = 0;
    GL.ClearError();
    EXPECT_EQ(Fake.GetErrorCalls, 3);

    // A table whose GetError is missing: the abort is caught and reported.
    capture.Clear();
    Fake.ProcNames.erase("glGetError");
    TGLExtensionsAndEntryPoints noGetError;
    noGetError.Initialize(true);
    EXPECT_NO_THROW(noGetError.CheckError());
    EXPECT_EQ(LoggedErrors(capture), std::vector<std::string>{"OpenGL error - Exception in glGetError"});
}

TEST_F(OpenGLAdapterFake, DebugOutputIsHookedByInitializeAndUnhookedByClose)
{
    Fake.ProcNames.insert({"glDebugMessageCallback", "glDebugMessageControl", "glEnable"});
    Fake.Extensions = "GL_ARB_debug_output";
    GL.SetDebugMode(true);
    GL.Initialize(false);
    EXPECT_TRUE(GL.DebugMode());
    EXPECT_EQ(Fake.DebugCalls, (std::vector<std::string>{"callback", "control 0 on",
                                                         "enable " + std::to_string(GL_DEBUG_OUTPUT_SYNCHRONOUS_ARB)}));

    TGLLogCapture capture;
    Fake.Errors = {GL_INVALID_ENUM};
    GL.CheckError(); // debug output reports errors itself
    EXPECT_TRUE(LoggedErrors(capture).empty());

    Fake.DebugCalls.clear();
    GL.Close();
    EXPECT_EQ(Fake.DebugCalls, (std::vector<std::string>{"no callback", "control 0 off"}));

    // Without a debug-output extension the table gives debug mode up.
    TGLExtensionsAndEntryPoints plain;
    plain.SetDebugMode(true);
    Fake.Extensions.clear();
    plain.Initialize(false);
    EXPECT_FALSE(plain.DebugMode());
}

TEST(OpenGLAdapter, AFailedLoadLeavesNoLibraryLoaded)
{
    EXPECT_FALSE(LoadOpenGLLibraries("libGL.so.1", "libNoSuchGLU.so.1"));
    EXPECT_EQ(vGLLibHandle, nullptr);
    EXPECT_EQ(vGLULibHandle, nullptr);
    EXPECT_TRUE(EnsureOpenGLLoaded());
    EXPECT_NE(vGLLibHandle, nullptr);
    EXPECT_NE(vGLULibHandle, nullptr);
}
