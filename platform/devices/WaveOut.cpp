#include "WaveOut.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// The thread-local context extension's one entry point.
using TSetThreadContext = ALCboolean(ALC_APIENTRY*)(ALCcontext* context);

constexpr auto cPollInterval = std::chrono::milliseconds(5);
// A voice asked to repeat more often than this (a negative count taken as unsigned, in practice) loops until it
// is stopped instead of queueing its buffer that many times.
constexpr uint32_t cMaxQueuedLoops = 1024;

ALenum FormatOf(const TWaveOutFormat& format)
{
    if (format.Channels != 1 && format.Channels != 2) return 0;
    const bool mono = format.Channels == 1;
    switch (format.BitsPerSample) {
    case 8: return mono ? AL_FORMAT_MONO8 : AL_FORMAT_STEREO8;
    case 16: return mono ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    default: return 0;
    }
}

bool ProcsComplete(const TWaveOutALProcs& al)
{
    const void* const needed[] = {
        reinterpret_cast<const void*>(al.alcOpenDevice),        reinterpret_cast<const void*>(al.alcCloseDevice),
        reinterpret_cast<const void*>(al.alcCreateContext),     reinterpret_cast<const void*>(al.alcDestroyContext),
        reinterpret_cast<const void*>(al.alcIsExtensionPresent), reinterpret_cast<const void*>(al.alcGetProcAddress),
        reinterpret_cast<const void*>(al.alGetError),           reinterpret_cast<const void*>(al.alGenBuffers),
        reinterpret_cast<const void*>(al.alDeleteBuffers),      reinterpret_cast<const void*>(al.alBufferData),
        reinterpret_cast<const void*>(al.alGenSources),         reinterpret_cast<const void*>(al.alDeleteSources),
        reinterpret_cast<const void*>(al.alSourcei),            reinterpret_cast<const void*>(al.alSourceQueueBuffers),
        reinterpret_cast<const void*>(al.alSourcePlay),         reinterpret_cast<const void*>(al.alSourceStop),
        reinterpret_cast<const void*>(al.alGetSourcei)};
    return std::none_of(std::begin(needed), std::end(needed), [](const void* proc) { return proc == nullptr; });
}

class TOpenALWaveOutDevice;

class TOpenALVoice final : public TWaveOutVoice {
public:
    TOpenALVoice(TOpenALWaveOutDevice& device, ALuint source, ALuint buffer)
        : FDevice(device), FSource(source), FBuffer(buffer)
    {
    }
    ~TOpenALVoice() override;

private:
    friend class TOpenALWaveOutDevice;
    TOpenALWaveOutDevice& FDevice;
    ALuint FSource;
    ALuint FBuffer;
};

class TOpenALWaveOutDevice final : public TWaveOutDevice {
public:
    explicit TOpenALWaveOutDevice(const TWaveOutALProcs& procs) : al(procs) {}
    ~TOpenALWaveOutDevice() override;

    std::unique_ptr<TWaveOutVoice> OpenVoice(const TWaveOutFormat& format, const void* data, int32_t length,
                                             uint32_t loops) override;
    void CloseVoice(TOpenALVoice& voice);

private:
    // Opens the device, its context and its thread at the first call; the answer of that call afterwards.
    bool OpenDevice();
    // The device's thread: marks the voices that have stopped as done.
    void Run();
    void DeleteNames(ALuint source, ALuint buffer);

    const TWaveOutALProcs al;
    std::mutex FLock; // guards everything below and every call into the context
    std::condition_variable FWake;
    bool FOpenTried = false;
    bool FStopping = false;
    ALCdevice* FDevice = nullptr;
    ALCcontext* FContext = nullptr;
    TSetThreadContext FSetThreadContext = nullptr;
    std::vector<TOpenALVoice*> FVoices;
    std::thread FThread;
};

TOpenALVoice::~TOpenALVoice()
{
    FDevice.CloseVoice(*this);
}

TOpenALWaveOutDevice::~TOpenALWaveOutDevice()
{
    {
        const std::lock_guard lock(FLock);
        FStopping = true;
    }
    FWake.notify_all();
    if (FThread.joinable()) FThread.join();
    if (FContext) al.alcDestroyContext(FContext);
    if (FDevice) al.alcCloseDevice(FDevice);
}

bool TOpenALWaveOutDevice::OpenDevice()
{
    if (FOpenTried) return FContext != nullptr;
    FOpenTried = true;
    if (!ProcsComplete(al)) return false;
    FDevice = al.alcOpenDevice(nullptr);
    if (!FDevice) return false;
    if (al.alcIsExtensionPresent(FDevice, "ALC_EXT_thread_local_context"))
        FSetThreadContext = reinterpret_cast<TSetThreadContext>(al.alcGetProcAddress(FDevice, "alcSetThreadContext"));
    if (FSetThreadContext) FContext = al.alcCreateContext(FDevice, nullptr);
    if (!FContext) {
        al.alcCloseDevice(FDevice);
        FDevice = nullptr;
        return false;
    }
    FThread = std::thread([this] { Run(); });
    return true;
}

void TOpenALWaveOutDevice::Run()
{
    std::unique_lock lock(FLock);
    FSetThreadContext(FContext);
    while (!FStopping) {
        for (TOpenALVoice* voice : FVoices) {
            if (voice->Done()) continue;
            ALint state = AL_PLAYING;
            al.alGetSourcei(voice->FSource, AL_SOURCE_STATE, &state);
            if (state == AL_STOPPED) voice->MarkDone();
        }
        FWake.wait_for(lock, cPollInterval, [this] { return FStopping; });
    }
    FSetThreadContext(nullptr);
}

std::unique_ptr<TWaveOutVoice> TOpenALWaveOutDevice::OpenVoice(const TWaveOutFormat& format, const void* data,
                                                               int32_t length, uint32_t loops)
{
    const ALenum alFormat = FormatOf(format);
    if (alFormat == 0 || !data || length <= 0 || format.SamplesPerSec <= 0) return nullptr;
    const std::lock_guard lock(FLock);
    if (!OpenDevice()) return nullptr;
    FSetThreadContext(FContext);
    al.alGetError();
    ALuint buffer = 0;
    ALuint source = 0;
    al.alGenBuffers(1, &buffer);
    al.alBufferData(buffer, alFormat, data, length, format.SamplesPerSec);
    al.alGenSources(1, &source);
    const uint32_t times = std::max(loops, 1u);
    if (times > cMaxQueuedLoops) {
        al.alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
        al.alSourcei(source, AL_LOOPING, AL_TRUE);
    } else {
        // The same buffer queued once for every time round: the voice stops after the last.
        const std::vector<ALuint> queue(times, buffer);
        al.alSourceQueueBuffers(source, static_cast<ALsizei>(times), queue.data());
    }
    al.alSourcePlay(source);
    const bool playing = al.alGetError() == AL_NO_ERROR;
    if (!playing) DeleteNames(source, buffer);
    FSetThreadContext(nullptr);
    if (!playing) return nullptr;
    auto voice = std::make_unique<TOpenALVoice>(*this, source, buffer);
    FVoices.push_back(voice.get());
    return voice;
}

void TOpenALWaveOutDevice::CloseVoice(TOpenALVoice& voice)
{
    const std::lock_guard lock(FLock);
    std::erase(FVoices, &voice);
    FSetThreadContext(FContext);
    DeleteNames(voice.FSource, voice.FBuffer);
    FSetThreadContext(nullptr);
}

void TOpenALWaveOutDevice::DeleteNames(ALuint source, ALuint buffer)
{
    // The source goes first: a buffer still queued on a source cannot be deleted.
    if (source) {
        al.alSourceStop(source);
        al.alDeleteSources(1, &source);
    }
    if (buffer) al.alDeleteBuffers(1, &buffer);
}

} // namespace

std::unique_ptr<TWaveOutDevice> CreateOpenALWaveOutDevice(const TWaveOutALProcs& procs)
{
    return std::make_unique<TOpenALWaveOutDevice>(procs);
}
