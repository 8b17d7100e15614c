#include "OpenAL.h"

#include "AudioLibraries.h"
#include "SysUtils.h"

#include <dlfcn.h>

namespace {

TOpenALEntryPoints vEntryPoints;
void* vLibrary = nullptr;
const TOpenALEntryPoints* vOverride = nullptr;

template <class TProc> void Bind(TProc& proc, const char* name)
{
    proc = reinterpret_cast<TProc>(LoadALProc(name));
}

void BindCore()
{
#define OPENAL_ENTRY(name, type) Bind(vEntryPoints.name, #name);
#define OPENAL_EXT_ENTRY(name, type)
#include "OpenALEntryPoints.def"
#undef OPENAL_ENTRY
#undef OPENAL_EXT_ENTRY
}

bool ALExtension(const char* name)
{
    return vEntryPoints.alIsExtensionPresent && vEntryPoints.alIsExtensionPresent(name);
}

ALenum EnumValue(const char* name)
{
    return vEntryPoints.alGetEnumValue ? vEntryPoints.alGetEnumValue(name) : 0;
}

} // namespace

TOpenALEntryPoints& OpenAL()
{
    return vEntryPoints;
}

bool LoadOpenAL(const std::string& libraryName)
{
    if (vOverride) {
        vEntryPoints = *vOverride;
        return true;
    }
    QuietAudioLibraries();
    // A library once loaded stays mapped: devices opened through it (the wave-out voices keep copies of its
    // entry points) would otherwise lose their code under their mixing threads.
    vLibrary = dlopen(libraryName.c_str(), RTLD_NOW | RTLD_LOCAL);
    vEntryPoints = TOpenALEntryPoints();
    if (!vLibrary) return false;
    // alGetProcAddress itself comes from the export table, then answers for the others.
    vEntryPoints.alGetProcAddress = reinterpret_cast<LPALGETPROCADDRESS>(dlsym(vLibrary, "alGetProcAddress"));
    BindCore();
    return true;
}

bool OpenALLoaded()
{
    return vLibrary || vOverride;
}

void* LoadALProc(const std::string& name)
{
    if (!vLibrary) return nullptr;
    if (vEntryPoints.alGetProcAddress)
        if (void* proc = vEntryPoints.alGetProcAddress(name.c_str())) return proc;
    return dlsym(vLibrary, name.c_str());
}

void ReadOpenALExtensions()
{
    if (!vLibrary) return;
    if (ALExtension("EAX2.0")) {
        Bind(vEntryPoints.EAXSet, "EAXSet");
        Bind(vEntryPoints.EAXGet, "EAXGet");
    }
    if (ALExtension("EAX-RAM")) {
        Bind(vEntryPoints.EAXSetBufferMode, "EAXSetBufferMode");
        Bind(vEntryPoints.EAXGetBufferMode, "EAXGetBufferMode");
        vEntryPoints.AL_EAX_RAM_SIZE = EnumValue("AL_EAX_RAM_SIZE");
        vEntryPoints.AL_EAX_RAM_FREE = EnumValue("AL_EAX_RAM_FREE");
        vEntryPoints.AL_STORAGE_AUTOMATIC = EnumValue("AL_STORAGE_AUTOMATIC");
        vEntryPoints.AL_STORAGE_HARDWARE = EnumValue("AL_STORAGE_HARDWARE");
        vEntryPoints.AL_STORAGE_ACCESSIBLE = EnumValue("AL_STORAGE_ACCESSIBLE");
    }
    TOpenALEntryPoints& al = vEntryPoints;
    ALCdevice* device = al.alcGetCurrentContext && al.alcGetContextsDevice
                            ? al.alcGetContextsDevice(al.alcGetCurrentContext())
                            : nullptr;
    if (device && al.alcIsExtensionPresent && al.alcIsExtensionPresent(device, "ALC_EXT_EFX")) {
#define OPENAL_ENTRY(name, type)
#define OPENAL_EXT_ENTRY(name, type)                                                                                   \
    if (std::string_view(#name).starts_with("al")) Bind(vEntryPoints.name, #name);
#include "OpenALEntryPoints.def"
#undef OPENAL_ENTRY
#undef OPENAL_EXT_ENTRY
    }
}

bool OpenALInitDevice()
{
    TOpenALEntryPoints& al = vEntryPoints;
    if (!al.alcOpenDevice || !al.alcCreateContext || !al.alcMakeContextCurrent || !al.alcCloseDevice ||
        !al.alcDestroyContext)
        return false;
    ALCdevice* device = al.alcOpenDevice(nullptr);
    if (!device) return false;
    ALCcontext* context = al.alcCreateContext(device, nullptr);
    if (!context) {
        al.alcCloseDevice(device);
        return false;
    }
    if (!al.alcMakeContextCurrent(context)) {
        al.alcDestroyContext(context);
        al.alcCloseDevice(device);
        return false;
    }
    return true;
}

void OpenALCloseDevice()
{
    TOpenALEntryPoints& al = vEntryPoints;
    if (!al.alcGetCurrentContext || !al.alcGetContextsDevice) return;
    ALCcontext* context = al.alcGetCurrentContext();
    if (!context) return;
    ALCdevice* device = al.alcGetContextsDevice(context);
    // A current context cannot be destroyed.
    if (al.alcMakeContextCurrent) al.alcMakeContextCurrent(nullptr);
    if (al.alcDestroyContext) al.alcDestroyContext(context);
    if (device && al.alcCloseDevice) al.alcCloseDevice(device);
}

std::string OpenALErrorText(ALenum code)
{
    return "OpenAL Error #" + IntToStr(code) + " (HEX: $" + IntToHex(static_cast<int32_t>(code), 4) + ")";
}

void CheckOpenALError()
{
    if (!vEntryPoints.alGetError) return;
    const ALenum code = vEntryPoints.alGetError();
    if (code != AL_NO_ERROR) throw Exception(OpenALErrorText(code));
}

void SetOpenALOverride(const TOpenALEntryPoints* table)
{
    vOverride = table;
    if (!table) vEntryPoints = TOpenALEntryPoints();
}
