#include "GLSMWaveOut.h"

#include "GLSoundFileObjects.h"
#include "OpenAL.h"
#include "ZODLog.h"

namespace {

struct TWaveOutState {
    std::unique_ptr<TWaveOutDevice> device; // the engine's, made on first use
    TWaveOutDevice* override = nullptr;
    // The sound of PlaySoundOnWaveOut; declared after the device, so it goes first at exit.
    std::unique_ptr<TWaveOutVoice> playedSound;
};

TWaveOutState& State()
{
    static TWaveOutState state;
    return state;
}

// The entry points of the engine's OpenAL binding, loading the library when the binding holds none.
TWaveOutALProcs ProcsFromBinding()
{
    if (!OpenAL().alcOpenDevice && !LoadOpenAL(cOpenALLibraryName)) LoadOpenAL(cOpenALDevLibraryName);
    const TOpenALEntryPoints& al = OpenAL();
    TWaveOutALProcs procs;
    procs.alcOpenDevice = al.alcOpenDevice;
    procs.alcCloseDevice = al.alcCloseDevice;
    procs.alcCreateContext = al.alcCreateContext;
    procs.alcDestroyContext = al.alcDestroyContext;
    procs.alcIsExtensionPresent = al.alcIsExtensionPresent;
    procs.alcGetProcAddress = al.alcGetProcAddress;
    procs.alGetError = al.alGetError;
    procs.alGenBuffers = al.alGenBuffers;
    procs.alDeleteBuffers = al.alDeleteBuffers;
    procs.alBufferData = al.alBufferData;
    procs.alGenSources = al.alGenSources;
    procs.alDeleteSources = al.alDeleteSources;
    procs.alSourcei = al.alSourcei;
    procs.alSourceQueueBuffers = al.alSourceQueueBuffers;
    procs.alSourcePlay = al.alSourcePlay;
    procs.alSourceStop = al.alSourceStop;
    procs.alGetSourcei = al.alGetSourcei;
    return procs;
}

TWaveOutFormat WaveOutFormatOf(const TGLSoundSampling& sampling)
{
    return {sampling.Frequency(), sampling.NbChannels(), sampling.BitsPerSample()};
}

} // namespace

TWaveOutDevice& GLWaveOutDevice()
{
    TWaveOutState& state = State();
    if (state.override) return *state.override;
    if (!state.device) state.device = CreateOpenALWaveOutDevice(ProcsFromBinding());
    return *state.device;
}

void SetGLWaveOutDevice(TWaveOutDevice* device)
{
    State().override = device;
}

bool PlaySoundOnWaveOut(const TGLSoundSampling& sampling, const void* data, int32_t length)
{
    TWaveOutState& state = State();
    state.playedSound.reset();
    if (!data || length <= 0) return false;
    state.playedSound = GLWaveOutDevice().OpenVoice(WaveOutFormatOf(sampling), data, length, 1);
    return state.playedSound != nullptr;
}

TGLSMWaveOut::TGLSMWaveOut(TComponent* AOwner) : TGLSoundManager(AOwner)
{
    SetMaxChannels(4);
}

TWaveOutVoice* TGLSMWaveOut::VoiceOf(const TGLBaseSoundSource* aSource) const
{
    const auto found = FVoices.find(aSource->Tag());
    return found != FVoices.end() ? found->second.get() : nullptr;
}

void TGLSMWaveOut::DropSource(int32_t index)
{
    Sources()->Delete(index);
}

void TGLSMWaveOut::KillSource(TGLBaseSoundSource* aSource)
{
    if (aSource->Tag() == 0) return;
    FVoices.erase(aSource->Tag()); // the voice stops when it still plays
    aSource->SetTag(0);
}

void TGLSMWaveOut::UpdateSources()
{
    TGLSoundSources& sources = *Sources();
    // Deleting a source moves only the ones after it, which these loops have passed.
    int32_t playing = 0;
    for (int32_t i = sources.Count() - 1; i >= 0; --i) {
        const TWaveOutVoice* voice = VoiceOf(sources.Items(i));
        if (voice && voice->Done())
            DropSource(i);
        else if (voice)
            ++playing;
    }
    for (int32_t i = sources.Count() - 1; i >= 0; --i) {
        TGLSoundSource* source = sources.Items(i);
        if (VoiceOf(source)) continue;
        const TGLSoundSample* sample = source->Sample();
        const TGLSoundFile* data = sample ? sample->Data() : nullptr;
        if (playing >= MaxChannels() || !data || !data->PCMData() || data->LengthInBytes() <= 0) {
            DropSource(i);
            continue;
        }
        // Repeats as the device counts them: a count of 2 or more, taken unsigned.
        const auto nbLoops = static_cast<uint32_t>(source->NbLoops());
        std::unique_ptr<TWaveOutVoice> voice = GLWaveOutDevice().OpenVoice(
            WaveOutFormatOf(data->Sampling()), data->PCMData(), data->LengthInBytes(), nbLoops >= 2 ? nbLoops : 1);
        if (!voice) {
            if (FReportedSamples.insert(source->SoundName()).second)
                GlobalLogSession()->LogError("Sound \"" + source->SoundName() +
                                             "\" dropped: the wave output could not play it");
            DropSource(i);
            continue;
        }
        if (++FLastVoiceNumber == 0) ++FLastVoiceNumber; // 0 means no voice
        source->SetTag(FLastVoiceNumber);
        FVoices[FLastVoiceNumber] = std::move(voice);
        ++playing;
    }
}

void TGLSMWaveOut::DoDeActivate()
{
    for (int32_t i = Sources()->Count() - 1; i >= 0; --i) KillSource(Sources()->Items(i));
}

void RegisterGLSMWaveOutClasses()
{
    RegisterClass<TGLSMWaveOut>();
}
