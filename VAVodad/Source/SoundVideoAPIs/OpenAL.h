// The OpenAL library, loaded at run time: one table of entry points that the sound manager calls through,
// filled from the shared library (or, in unit tests, replaced by a recording table of their own).
#pragma once

#define AL_NO_PROTOTYPES
#define ALC_NO_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/efx.h>

#include <string>

// The extension entry points the OpenAL headers carry no types for.
using TALEAXSetProc = ALenum(AL_APIENTRY*)(const void* propertySetId, ALuint property, ALuint source, ALvoid* value,
                                           ALuint size);
using TALEAXGetProc = TALEAXSetProc;
using TALEAXSetBufferModeProc = ALboolean(AL_APIENTRY*)(ALsizei n, const ALuint* buffers, ALint value);
using TALEAXGetBufferModeProc = ALenum(AL_APIENTRY*)(ALuint buffer, ALint* value);

// Every entry point the engine knows by name; a missing one is null.
struct TOpenALEntryPoints {
#define OPENAL_ENTRY(name, type) type name = nullptr;
#define OPENAL_EXT_ENTRY(name, type) type name = nullptr;
#include "OpenALEntryPoints.def"
#undef OPENAL_ENTRY
#undef OPENAL_EXT_ENTRY
    // The values of the "EAX-RAM" extension's enumeration names, 0 without it.
    ALenum AL_EAX_RAM_SIZE = 0;
    ALenum AL_EAX_RAM_FREE = 0;
    ALenum AL_STORAGE_AUTOMATIC = 0;
    ALenum AL_STORAGE_HARDWARE = 0;
    ALenum AL_STORAGE_ACCESSIBLE = 0;
};

// The table the engine calls through.
TOpenALEntryPoints& OpenAL();

// The library names tried in turn by the sound manager.
inline constexpr const char* cOpenALLibraryName = "libopenal.so.1";
inline constexpr const char* cOpenALDevLibraryName = "libopenal.so";

// Loads the named library in place of the one loaded before and binds every core entry point with
// LoadALProc; True when the library loaded (missing entry points stay null, and a library that does not load
// leaves the table empty). A library loaded once stays in memory. With a table installed by
// SetOpenALOverride, that table is taken instead and the answer is True.
bool LoadOpenAL(const std::string& libraryName);
bool OpenALLoaded();
// The entry point of that name: through the library's alGetProcAddress when it has one that answers, else the
// library's export of that name; null when neither has it or no library is loaded.
void* LoadALProc(const std::string& name);
// Binds the extension functions that the current context reports ("EAX2.0", "EAX-RAM", "ALC_EXT_EFX");
// nothing without a library.
void ReadOpenALExtensions();

// Opens the default device, makes a context on it and makes that current. False when any of the three fails,
// with whatever was opened closed again.
bool OpenALInitDevice();
// Destroys the current context and closes its device; nothing when there is no current context.
void OpenALCloseDevice();

// The text of an OpenAL error code: "OpenAL Error #40962 (HEX: $A002)".
std::string OpenALErrorText(ALenum code);
// Raises Exception with OpenALErrorText when alGetError reports an error.
void CheckOpenALError();

// Unit tests: while table is set, LoadOpenAL takes it instead of a library (nullptr returns to the library).
// The table must outlive its use.
void SetOpenALOverride(const TOpenALEntryPoints* table);
