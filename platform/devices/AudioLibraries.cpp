#include "AudioLibraries.h"

#include <cstdarg>
#include <cstdlib>
#include <dlfcn.h>

namespace {

// The ALSA library's error printer: file, line, function, error number and a printf-style message.
using TAlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using TSetAlsaErrorHandler = int (*)(TAlsaErrorHandler);

void DropAlsaError(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsa()
{
    // Kept loaded: the handler must stay in place for the OpenAL library's own copy of the library.
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (!alsa) return;
    if (auto set = reinterpret_cast<TSetAlsaErrorHandler>(dlsym(alsa, "snd_lib_error_set_handler"))) set(DropAlsaError);
}

} // namespace

void QuietAudioLibraries()
{
    static const bool quiet = [] {
        setenv("ALSOFT_LOGLEVEL", "0", /*overwrite=*/0);
        QuietAlsa();
        return true;
    }();
    (void)quiet;
}
