// The platform's wave output: voices that each play one block of PCM samples, once or a number of times in a
// row, on an output device without positioning. A thread of the device marks a voice done when it has played;
// the program reads the flag when it likes.
#pragma once

#define AL_NO_PROTOTYPES
#define ALC_NO_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>

#include <atomic>
#include <cstdint>
#include <memory>

struct TWaveOutFormat {
    int32_t SamplesPerSec = 0;
    int32_t Channels = 0;
    int32_t BitsPerSample = 0;
};

// A playing voice. Destroying it stops it (when it still plays) and frees it on the device.
class TWaveOutVoice {
public:
    virtual ~TWaveOutVoice() = default;
    // Set by the device's thread once the samples have played (every time round); read from any thread.
    bool Done() const { return FDone.load(std::memory_order_acquire); }

protected:
    void MarkDone() { FDone.store(true, std::memory_order_release); }

private:
    std::atomic<bool> FDone{false};
};

class TWaveOutDevice {
public:
    virtual ~TWaveOutDevice() = default;
    // A voice playing a copy of the samples loops times in a row (once for 0); nullptr when the device cannot
    // be opened or cannot play the format (mono or stereo, 8 or 16 bits). The device outlives its voices.
    virtual std::unique_ptr<TWaveOutVoice> OpenVoice(const TWaveOutFormat& format, const void* data, int32_t length,
                                                     uint32_t loops) = 0;
};

// The OpenAL entry points the OpenAL device calls, taken from the program's binding of the library.
struct TWaveOutALProcs {
    LPALCOPENDEVICE alcOpenDevice = nullptr;
    LPALCCLOSEDEVICE alcCloseDevice = nullptr;
    LPALCCREATECONTEXT alcCreateContext = nullptr;
    LPALCDESTROYCONTEXT alcDestroyContext = nullptr;
    LPALCISEXTENSIONPRESENT alcIsExtensionPresent = nullptr;
    LPALCGETPROCADDRESS alcGetProcAddress = nullptr;
    LPALGETERROR alGetError = nullptr;
    LPALGENBUFFERS alGenBuffers = nullptr;
    LPALDELETEBUFFERS alDeleteBuffers = nullptr;
    LPALBUFFERDATA alBufferData = nullptr;
    LPALGENSOURCES alGenSources = nullptr;
    LPALDELETESOURCES alDeleteSources = nullptr;
    LPALSOURCEI alSourcei = nullptr;
    LPALSOURCEQUEUEBUFFERS alSourceQueueBuffers = nullptr;
    LPALSOURCEPLAY alSourcePlay = nullptr;
    LPALSOURCESTOP alSourceStop = nullptr;
    LPALGETSOURCEI alGetSourcei = nullptr;
};

// Voices on an OpenAL device of the wave output's own: the default device, opened at the first voice, with a
// context that is current only on the threads working for it (a thread-local context), so that another OpenAL
// user's current context is never touched. Its thread looks at the voices every few milliseconds. Needs the
// library's thread-local context extension; without it, or without a device, no voice opens.
std::unique_ptr<TWaveOutDevice> CreateOpenALWaveOutDevice(const TWaveOutALProcs& procs);
