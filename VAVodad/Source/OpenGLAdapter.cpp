#include "OpenGLAdapter.h"

#include "PlatformGL.h"
#include "SysUtils.h"
#include "ZODLog.h"

#include <dlfcn.h>

#include <atomic>
#include <charconv>

void* vGLLibHandle = nullptr;
void* vGLULibHandle = nullptr;

// No floating-point control word is set at start-up: on x86-64 Linux a process starts with every
// floating-point exception masked and rounding to nearest, in the SSE unit and in the x87 unit (whose
// precision is already the full 64 bits), which is what the engine's maths expects.

// The context information is logged once per process, for the first table initialised.
static std::atomic<bool> vLogRenderingContextInfo{true};

[[noreturn]] void MissingEntryPointStub()
{
    Abort();
}

// ---------------------------------------------------------------------------------------------------------
// Finding entry points

static TGLEntryPointResolver vResolver;

// On this platform the library's exports answer both kinds of lookup: GLVND's libGL gives null for names it
// does not know (EGL's proc-address lookup would hand out a do-nothing stub for any name).
static void* LibrarySymbol(const char* AName)
{
    return vGLLibHandle ? dlsym(vGLLibHandle, AName) : nullptr;
}

static void* ProcAddress(const std::string& AName)
{
    return vResolver.GetProcAddress ? vResolver.GetProcAddress(AName.c_str()) : LibrarySymbol(AName.c_str());
}

static void* LibraryExport(const std::string& AName)
{
    return vResolver.GetLibraryExport ? vResolver.GetLibraryExport(AName.c_str()) : LibrarySymbol(AName.c_str());
}

TGLEntryPointResolver SetGLEntryPointResolver(TGLEntryPointResolver AResolver)
{
    std::swap(vResolver, AResolver);
    return AResolver;
}

void* LookupEntryPoint(const std::string& AName)
{
    const std::string name = "gl" + AName;
    if (void* address = ProcAddress(name)) return address;
    // An ARB function is taken before the library's own export, the library before the other vendors.
    if (void* address = ProcAddress(name + "ARB")) return address;
    if (void* address = LibraryExport(name)) return address;
    for (const char* suffix : {"EXT", "NV", "ATI", "OES"})
        if (void* address = ProcAddress(name + suffix)) return address;
    return nullptr;
}

void* LookupEntryPointPair(const std::string& AName, const std::string& AAlternate)
{
    if (void* address = LookupEntryPoint(AName)) return address;
    return LookupEntryPoint(AAlternate);
}

void* LookupExactEntryPoint(const std::string& AName)
{
    return ProcAddress("gl" + AName);
}

static void* FindEntryPoint(const char* AName, TGLLookupKind ALookup, const char* AAlternate)
{
    switch (ALookup) {
    case epLookup: return LookupEntryPoint(AName);
    case epExact: return LookupExactEntryPoint(AName);
    case epPair: return LookupEntryPointPair(AName, AAlternate);
    case epExtOnly: return LookupExactEntryPoint(std::string(AName) + "EXT");
    }
    return nullptr;
}

template <typename F>
static void BindEntryPoint(F& ASlot, const char* AName, TGLLookupKind ALookup, const char* AAlternate = "")
{
    void* address = FindEntryPoint(AName, ALookup, AAlternate);
    ASlot = address ? reinterpret_cast<F>(address) : &TMissingEntryPoint<F>::Call;
}

// ---------------------------------------------------------------------------------------------------------
// Texts

bool HasExtension(std::string_view AExtensionList, std::string_view AName)
{
    if (AName.empty()) return false;
    for (size_t at = AExtensionList.find(AName); at != std::string_view::npos;
         at = AExtensionList.find(AName, at + 1)) {
        const size_t end = at + AName.size();
        if ((at == 0 || AExtensionList[at - 1] == ' ') && (end == AExtensionList.size() || AExtensionList[end] == ' '))
            return true;
    }
    return false;
}

static bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

void ParseGLVersion(std::string_view AText, int32_t& AMajor, int32_t& AMinor)
{
    AMajor = 0;
    AMinor = 0;
    const size_t dot = AText.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 >= AText.size() || !IsDigit(AText[dot - 1]) ||
        !IsDigit(AText[dot + 1]))
        return;
    size_t first = dot;
    while (first > 0 && IsDigit(AText[first - 1])) --first;
    size_t last = dot + 1;
    while (last < AText.size() && IsDigit(AText[last])) ++last;
    int32_t major = 0, minor = 0;
    const char* text = AText.data();
    if (std::from_chars(text + first, text + dot, major).ec != std::errc() ||
        std::from_chars(text + dot + 1, text + last, minor).ec != std::errc())
        return; // too many digits
    AMajor = major;
    AMinor = minor;
}

bool VersionAtLeast(int32_t AReqMajor, int32_t AReqMinor, int32_t AMajor, int32_t AMinor)
{
    return AMajor > AReqMajor || (AMajor == AReqMajor && AMinor >= AReqMinor);
}

// glGetString gives null without a current context or for a name the context does not know.
static std::string GLText(const GLubyte* AText)
{
    return AText ? std::string(reinterpret_cast<const char*>(AText)) : std::string();
}

static const char* GLErrorName(GLenum AError)
{
    switch (AError) {
    case GL_INVALID_ENUM: return "Invalid enum";
    case GL_INVALID_VALUE: return "Invalid value";
    case GL_INVALID_OPERATION: return "Invalid Operation";
    case GL_OUT_OF_MEMORY: return "Out of memory";
    default: return nullptr;
    }
}

// ---------------------------------------------------------------------------------------------------------
// The window system: the platform layer's EGL in place of WGL

void TGLExtensionsAndEntryPoints::BindWindowSystem()
{
    FBuffer = PglCurrentWindowSystemExtensions();
#define WGL_EXTENSION(Flag, Name) Flag = HasExtension(FBuffer, Name);
#define WGL_ENTRY(Field, Type) Field = nullptr;
#include "OpenGLAdapterWGL.def"
#undef WGL_EXTENSION
#undef WGL_ENTRY
    if (W_EXT_swap_control) {
        WSwapIntervalEXT = &PglSwapInterval;
        WGetSwapIntervalEXT = &PglGetSwapInterval;
    }
}

// ---------------------------------------------------------------------------------------------------------
// The table

static const struct {
    bool TGLExtensionsAndEntryPoints::*Flag;
    int32_t Major, Minor;
} cVersionFlags[] = {
    {&TGLExtensionsAndEntryPoints::VERSION_1_1, 1, 1}, {&TGLExtensionsAndEntryPoints::VERSION_1_2, 1, 2},
    {&TGLExtensionsAndEntryPoints::VERSION_1_3, 1, 3}, {&TGLExtensionsAndEntryPoints::VERSION_1_4, 1, 4},
    {&TGLExtensionsAndEntryPoints::VERSION_1_5, 1, 5}, {&TGLExtensionsAndEntryPoints::VERSION_2_0, 2, 0},
    {&TGLExtensionsAndEntryPoints::VERSION_2_1, 2, 1}, {&TGLExtensionsAndEntryPoints::VERSION_3_0, 3, 0},
    {&TGLExtensionsAndEntryPoints::VERSION_3_1, 3, 1}, {&TGLExtensionsAndEntryPoints::VERSION_3_2, 3, 2},
    {&TGLExtensionsAndEntryPoints::VERSION_3_3, 3, 3}, {&TGLExtensionsAndEntryPoints::VERSION_4_0, 4, 0},
    {&TGLExtensionsAndEntryPoints::VERSION_4_1, 4, 1}, {&TGLExtensionsAndEntryPoints::VERSION_4_2, 4, 2},
};

static void GLAPIENTRY ARBDebugCallback(GLenum, GLenum, GLuint, GLenum, GLsizei, const GLchar*, const void*)
{
}

static void GLAPIENTRY AMDXDebugCallback(GLuint, GLenum, GLenum, GLsizei ALength, const GLchar* AMessage, void*)
{
    if (ALength > 0) GlobalLogSession()->LogDebug(std::string(AMessage, ALength));
}

TGLExtensionsAndEntryPoints::TGLExtensionsAndEntryPoints()
{
    BindStubs();
}

void TGLExtensionsAndEntryPoints::BindStubs()
{
#define GL_ENTRY(Field, Name, Lookup, Alternate, Type) Field = &TMissingEntryPoint<Type>::Call;
#include "OpenGLAdapterEntryPoints.def"
#undef GL_ENTRY
}

void TGLExtensionsAndEntryPoints::BindEntryPoints()
{
#define GL_ENTRY(Field, Name, Lookup, Alternate, Type) BindEntryPoint(Field, Name, Lookup, Alternate);
#include "OpenGLAdapterEntryPoints.def"
#undef GL_ENTRY
}

void TGLExtensionsAndEntryPoints::ReadVersion()
{
    FBuffer = GLText(GetString(GL_VERSION));
    int32_t major = 0, minor = 0;
    ParseGLVersion(FBuffer, major, minor);
    VERSION_1_0 = true;
    for (const auto& version : cVersionFlags) this->*version.Flag = VersionAtLeast(version.Major, version.Minor, major, minor);
}

void TGLExtensionsAndEntryPoints::ReadExtensionList()
{
    if (!VERSION_3_0) {
        FBuffer = GLText(GetString(GL_EXTENSIONS));
        return;
    }
    FBuffer.clear();
    GLint count = 0;
    GetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        FBuffer += GLText(GetStringi(GL_EXTENSIONS, i));
        FBuffer += ' ';
    }
}

void TGLExtensionsAndEntryPoints::HookDebugOutput()
{
    if (!FDebug) return;
    if (ARB_debug_output) {
        DebugMessageCallback(&ARBDebugCallback, nullptr);
        DebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, &FDebugIds, GL_TRUE);
        Enable(GL_DEBUG_OUTPUT_SYNCHRONOUS_ARB);
    } else if (AMDX_debug_output) {
        DebugMessageCallbackAMDX(&AMDXDebugCallback, nullptr);
        DebugMessageEnableAMDX(0, 0, 0, &FDebugIds, GL_TRUE);
    } else {
        FDebug = false;
    }
}

void TGLExtensionsAndEntryPoints::Initialize(bool ATemporary)
{
    TGLLogSession* log = GlobalLogSession();
    log->LogNotice("Getting OpenGL entry points and extension");
    BindWindowSystem();
    BindEntryPoint(GetString, "GetString", epLookup);
    BindEntryPoint(GetStringi, "GetStringi", epLookup);
    BindEntryPoint(GetIntegerv, "GetIntegerv", epLookup);
    BindEntryPoint(GetError, "GetError", epLookup);
    ReadVersion();

    if (vLogRenderingContextInfo.exchange(false)) {
        log->LogNotice("");
        log->LogInfo("OpenGL rendering context information:");
        log->LogInfo("Renderer     : " + GLText(GetString(GL_RENDERER)));
        log->LogInfo("Vendor       : " + GLText(GetString(GL_VENDOR)));
        log->LogInfo("Version      : " + GLText(GetString(GL_VERSION)));
        if (VERSION_2_0)
            log->LogInfo("GLSL version : " + GLText(GetString(GL_SHADING_LANGUAGE_VERSION)));
        else
            log->LogWarning("GLSL version : not supported");
        log->LogNotice("");
    }

    if (ATemporary) {
        FInitialized = true;
        return;
    }

    ReadExtensionList();
#define GL_EXTENSION(Flag, Name) Flag = HasExtension(FBuffer, Name);
#include "OpenGLAdapterExtensions.def"
#undef GL_EXTENSION
    BindEntryPoints();
    HookDebugOutput();
    FBuffer.clear();
    FInitialized = true;
}

void TGLExtensionsAndEntryPoints::Close()
{
    if (FDebug) {
        if (ARB_debug_output) {
            DebugMessageCallback(nullptr, nullptr);
            DebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, &FDebugIds, GL_FALSE);
        } else if (AMDX_debug_output) {
            DebugMessageCallbackAMDX(nullptr, nullptr);
            DebugMessageEnableAMDX(0, 0, 0, &FDebugIds, GL_FALSE);
        }
    }
    VERSION_1_0 = false;
    for (const auto& version : cVersionFlags) this->*version.Flag = false;
#define GL_EXTENSION(Flag, Name) Flag = false;
#include "OpenGLAdapterExtensions.def"
#undef GL_EXTENSION
    BindStubs();
    FInitialized = false;
}

void TGLExtensionsAndEntryPoints::CheckError()
{
    if (!FInitialized) return;
    try {
        const GLenum error = GetError();
        if (error == GL_NO_ERROR) return;
        try {
            for (int i = 0; i < 7 && GetError() != GL_NO_ERROR; ++i) {
            }
        } catch (...) {
            // the queue stays as it is
        }
        if (!(FDebug && ARB_debug_output))
            if (const char* name = GLErrorName(error)) GlobalLogSession()->LogError(std::string("OpenGL error - ") + name);
    } catch (...) {
        GlobalLogSession()->LogError("OpenGL error - Exception in glGetError");
    }
}

void TGLExtensionsAndEntryPoints::ClearError()
{
    for (int i = 0; i < 7 && GetError() != GL_NO_ERROR; ++i) {
    }
}

// ---------------------------------------------------------------------------------------------------------
// The current table

static thread_local TGLExtensionsAndEntryPoints* vCurrentGL = nullptr;

static TGLExtensionsAndEntryPoints* DefaultGL()
{
    static TGLExtensionsAndEntryPoints vDefaultGL;
    return &vDefaultGL;
}

TGLExtensionsAndEntryPoints* GetCurrentGL()
{
    return vCurrentGL ? vCurrentGL : DefaultGL();
}

void SetCurrentGL(TGLExtensionsAndEntryPoints* AGL)
{
    vCurrentGL = AGL;
}

// ---------------------------------------------------------------------------------------------------------
// Libraries

bool EnsureOpenGLLoaded()
{
    if (vGLLibHandle && vGLULibHandle) return true;
    return LoadOpenGLLibraries("libGL.so.1", "libGLU.so.1");
}

bool LoadOpenGLLibraries(const std::string& AGLName, const std::string& AGLUName)
{
    FreeOpenGLLibraries();
    // Never unmapped: tables keep addresses from these libraries after their handles are released.
    vGLLibHandle = dlopen(AGLName.c_str(), RTLD_LAZY | RTLD_NODELETE);
    vGLULibHandle = dlopen(AGLUName.c_str(), RTLD_LAZY | RTLD_NODELETE);
    if (vGLLibHandle && vGLULibHandle) return true;
    FreeOpenGLLibraries();
    return false;
}

void FreeOpenGLLibraries()
{
    for (void** handle : {&vGLLibHandle, &vGLULibHandle})
        if (*handle) {
            dlclose(*handle);
            *handle = nullptr;
        }
}

bool IsMesaOpenGL()
{
    return ProcAddress("glResizeBuffersMESA") != nullptr;
}
