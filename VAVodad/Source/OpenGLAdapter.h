// OpenGL entry points and extensions. Every OpenGL call of the engine goes through the table of the rendering
// context that is current on the calling thread (GetCurrentGL): its entry points, bound by name when the
// context is first made current, its version flags and one flag per known extension. The module also loads
// the OpenGL and GLU libraries.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Slot of an entry point that has no prototype in the OpenGL headers; whoever calls it casts it.
using TGLProc = void (*)();

// The swap-interval pair: true on success; the interval of the current surface.
using TWSwapIntervalProc = bool (*)(int32_t AInterval);
using TWGetSwapIntervalProc = int32_t (*)();

// How an entry point is found; see OpenGLAdapterEntryPoints.def.
enum TGLLookupKind { epLookup, epExact, epPair, epExtOnly };

// What every GL entry point the driver lacks stands for: raises the silent abort (EAbort).
[[noreturn]] void MissingEntryPointStub();

// MissingEntryPointStub with the signature of the entry point F, so that a missing function is called through
// its own type, whatever its arguments.
template <typename F> struct TMissingEntryPoint;
template <typename R, typename... A> struct TMissingEntryPoint<R (*)(A...)> {
    static R Call(A...) { MissingEntryPointStub(); }
};

template <typename F> bool IsMissingEntryPoint(F AEntryPoint)
{
    return AEntryPoint == &TMissingEntryPoint<F>::Call;
}

// The entry points, version flags and extension flags of one rendering context. A new table, a temporarily
// initialised one and a closed one bind every GL entry point to its stub, so none is ever null; the
// window-system entry points are null where the platform does not offer them.
class TGLExtensionsAndEntryPoints {
public:
    TGLExtensionsAndEntryPoints();
    TGLExtensionsAndEntryPoints(const TGLExtensionsAndEntryPoints&) = delete;
    TGLExtensionsAndEntryPoints& operator=(const TGLExtensionsAndEntryPoints&) = delete;

    // Fills the table from the context current on the calling thread. A temporary table gets only the
    // window-system part, the version flags and GetString, GetStringi, GetIntegerv and GetError.
    void Initialize(bool ATemporary);
    // Unhooks debug output, clears the version and extension flags and binds every GL entry point to its stub;
    // the window-system flags and entry points keep their values.
    void Close();
    // Logs the pending OpenGL error, if any; never raises.
    void CheckError();
    // Discards pending OpenGL errors (at most 7 reads).
    void ClearError();

    bool IsInitialized() const { return FInitialized; }
    bool DebugMode() const { return FDebug; }
    void SetDebugMode(bool Value) { FDebug = Value; }

    bool VERSION_1_0 = false;
    bool VERSION_1_1 = false;
    bool VERSION_1_2 = false;
    bool VERSION_1_3 = false;
    bool VERSION_1_4 = false;
    bool VERSION_1_5 = false;
    bool VERSION_2_0 = false;
    bool VERSION_2_1 = false;
    bool VERSION_3_0 = false;
    bool VERSION_3_1 = false;
    bool VERSION_3_2 = false;
    bool VERSION_3_3 = false;
    bool VERSION_4_0 = false;
    bool VERSION_4_1 = false;
    bool VERSION_4_2 = false;

#define GL_EXTENSION(Flag, Name) bool Flag = false;
#include "OpenGLAdapterExtensions.def"
#undef GL_EXTENSION

#define GL_ENTRY(Field, Name, Lookup, Alternate, Type) Type Field;
#include "OpenGLAdapterEntryPoints.def"
#undef GL_ENTRY

#define WGL_EXTENSION(Flag, Name) bool Flag = false;
#define WGL_ENTRY(Field, Type) Type Field = nullptr;
#include "OpenGLAdapterWGL.def"
#undef WGL_EXTENSION
#undef WGL_ENTRY

private:
    void BindStubs();
    void BindEntryPoints();
    void BindWindowSystem();
    void ReadVersion();
    void ReadExtensionList();
    void HookDebugOutput();

    std::string FBuffer; // the extension list (or version text) being read while Initialize runs
    bool FInitialized = false;
    bool FDebug = false;
    uint32_t FDebugIds = 0; // the empty message-id list of the debug-output calls
};

// The table of the context current on the calling thread; on a thread without one, the closed default
// table, whose every GL entry point aborts silently. Never null.
TGLExtensionsAndEntryPoints* GetCurrentGL();
// Makes AGL the calling thread's current table (set by the context layer); nullptr puts the default back.
void SetCurrentGL(TGLExtensionsAndEntryPoints* AGL);

// Where GL names are found. GetProcAddress is the context-level lookup of any GL name; GetLibraryExport asks
// the loaded OpenGL library for its own export. Both default to dlsym on the loaded library (null before it
// is loaded); tests put a fake resolver in their place.
struct TGLEntryPointResolver {
    std::function<void*(const char*)> GetProcAddress;
    std::function<void*(const char*)> GetLibraryExport;
};
// Installs AResolver for every later lookup (an empty function stands for the default) and returns the one
// it replaces.
TGLEntryPointResolver SetGLEntryPointResolver(TGLEntryPointResolver AResolver);

// The address of "gl" + AName, trying plain, ARB, the library's export, EXT, NV, ATI and OES in this order;
// null when none exists (the table binds the stub then).
void* LookupEntryPoint(const std::string& AName);
// LookupEntryPoint of AName, else of AAlternate.
void* LookupEntryPointPair(const std::string& AName, const std::string& AAlternate);
// "gl" + AName only.
void* LookupExactEntryPoint(const std::string& AName);

// True when AName is one of the blank-separated names of AExtensionList (whole names only).
bool HasExtension(std::string_view AExtensionList, std::string_view AName);
// The major and minor number around the first dot of a version text ("4.5 (Compatibility Profile) Mesa
// 22.3.6" gives 4 and 5); 0 and 0 when there is no digit on each side of that dot.
void ParseGLVersion(std::string_view AText, int32_t& AMajor, int32_t& AMinor);
bool VersionAtLeast(int32_t AReqMajor, int32_t AReqMinor, int32_t AMajor, int32_t AMinor);

// The loaded OpenGL and GLU libraries (dlopen handles), null when not loaded.
extern void* vGLLibHandle;
extern void* vGLULibHandle;

// True at once when both libraries are loaded, else LoadOpenGLLibraries of the system's OpenGL and GLU.
bool EnsureOpenGLLoaded();
// Frees the libraries, then loads both; when either fails, frees both again and returns false.
bool LoadOpenGLLibraries(const std::string& AGLName, const std::string& AGLUName);
// Releases both handles. The libraries stay mapped, so entry points bound from them never dangle.
void FreeOpenGLLibraries();
// True when the OpenGL in use exports Mesa's own "glResizeBuffersMESA" (GLVND's libGL exports it whatever
// driver stands behind it).
bool IsMesaOpenGL();
