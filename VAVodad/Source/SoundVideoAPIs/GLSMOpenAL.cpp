#include "GLSMOpenAL.h"

#include "GLCoordinates.h"
#include "ZODLog.h"

namespace {

// Every entry point the manager calls: without one of them the library is not usable.
bool EntryPointsComplete(const TOpenALEntryPoints& al)
{
    const void* const needed[] = {reinterpret_cast<const void*>(al.alcOpenDevice),
                                  reinterpret_cast<const void*>(al.alcCloseDevice),
                                  reinterpret_cast<const void*>(al.alcCreateContext),
                                  reinterpret_cast<const void*>(al.alcDestroyContext),
                                  reinterpret_cast<const void*>(al.alcMakeContextCurrent),
                                  reinterpret_cast<const void*>(al.alcGetCurrentContext),
                                  reinterpret_cast<const void*>(al.alcGetContextsDevice),
                                  reinterpret_cast<const void*>(al.alGetError),
                                  reinterpret_cast<const void*>(al.alDistanceModel),
                                  reinterpret_cast<const void*>(al.alIsExtensionPresent),
                                  reinterpret_cast<const void*>(al.alListenerf),
                                  reinterpret_cast<const void*>(al.alListenerfv),
                                  reinterpret_cast<const void*>(al.alDopplerFactor),
                                  reinterpret_cast<const void*>(al.alGenSources),
                                  reinterpret_cast<const void*>(al.alDeleteSources),
                                  reinterpret_cast<const void*>(al.alGetSourcei),
                                  reinterpret_cast<const void*>(al.alSourcef),
                                  reinterpret_cast<const void*>(al.alSourcefv),
                                  reinterpret_cast<const void*>(al.alSourcei),
                                  reinterpret_cast<const void*>(al.alSourcePlay),
                                  reinterpret_cast<const void*>(al.alSourceStop),
                                  reinterpret_cast<const void*>(al.alSourcePause),
                                  reinterpret_cast<const void*>(al.alSourceRewind),
                                  reinterpret_cast<const void*>(al.alGenBuffers),
                                  reinterpret_cast<const void*>(al.alDeleteBuffers),
                                  reinterpret_cast<const void*>(al.alBufferData)};
    for (const void* proc : needed)
        if (!proc) return false;
    return true;
}

// Sends one value of a voice and checks for an error.
void SetVoiceValue(ALuint voice, ALenum param, float value)
{
    OpenAL().alSourcef(voice, param, value);
    CheckOpenALError();
}

} // namespace

TGLSMOpenAL::TGLSMOpenAL(TComponent* AOwner) : TGLSoundManager(AOwner) {}

ALenum TGLSMOpenAL::GetALFormat(const TGLSoundSampling& sampling)
{
    const bool mono = sampling.NbChannels() == 1;
    switch (sampling.BitsPerSample()) {
    case 8: return mono ? AL_FORMAT_MONO8 : AL_FORMAT_STEREO8;
    case 16: return mono ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    default: return 0;
    }
}

bool TGLSMOpenAL::DoActivate()
{
    if (!LoadOpenAL(cOpenALLibraryName) && !LoadOpenAL(cOpenALDevLibraryName)) {
        GlobalLogSession()->LogWarning("Sound is off: the OpenAL library (" + std::string(cOpenALLibraryName) +
                                       ") could not be loaded");
        return false;
    }
    if (!EntryPointsComplete(OpenAL())) {
        GlobalLogSession()->LogWarning("Sound is off: the OpenAL library lacks entry points the sound manager calls");
        return false;
    }
    if (!OpenALInitDevice()) {
        GlobalLogSession()->LogWarning("Sound is off: no OpenAL device could be opened");
        return false;
    }
    try {
        CheckOpenALError();
        OpenAL().alDistanceModel(AL_INVERSE_DISTANCE);
        CheckOpenALError();
    } catch (...) {
        OpenALCloseDevice();
        throw;
    }
    ReadOpenALExtensions();
    FActivated = true;
    FReportedSamples.clear();
    NotifyMasterVolumeChange();
    NotifyFactorsChange();
    if (Environment() != seDefault) NotifyEnvironmentChange();
    return true;
}

void TGLSMOpenAL::DoDeActivate()
{
    FActivated = false;
    // Closing the device releases the buffers; their names mean nothing in the next context.
    for (int32_t i = 0; i < Sources()->Count(); ++i)
        if (TGLSoundSample* sample = Sources()->Items(i)->Sample()) sample->Tag = 0;
    OpenALCloseDevice();
}

void TGLSMOpenAL::NotifyMasterVolumeChange()
{
    if (FActivated) OpenAL().alListenerf(AL_GAIN, MasterVolume());
}

void TGLSMOpenAL::NotifyFactorsChange()
{
    if (FActivated) OpenAL().alDopplerFactor(DopplerFactor());
}

void TGLSMOpenAL::NotifyEnvironmentChange()
{
    // No environment effect is applied; the question is only asked.
    if (FActivated) EAXSupported();
}

bool TGLSMOpenAL::EAXSupported()
{
    return FActivated && OpenAL().alIsExtensionPresent("EAX2.0");
}

void TGLSMOpenAL::ClearError()
{
    OpenAL().alGetError();
}

void TGLSMOpenAL::UpdateSources()
{
    if (FActivated) {
        TVector4f position, velocity, direction, up;
        ListenerFrame(position, velocity, direction, up);
        TOpenALEntryPoints& al = OpenAL();
        al.alListenerfv(AL_POSITION, position.V);
        al.alListenerfv(AL_VELOCITY, velocity.V);
        const float orientation[6] = {direction.X, direction.Y, direction.Z, up.X, up.Y, up.Z};
        al.alListenerfv(AL_ORIENTATION, orientation);
    }
    TGLSoundManager::UpdateSources();
}

void TGLSMOpenAL::UpdateSource(TGLBaseSoundSource* aSource)
{
    if (FActivated) try {
            if (!UpdateVoice(aSource)) return;
        } catch (const std::exception& e) {
            // The frame goes on without this sound; a sample that cannot play is reported once.
            if (FReportedSamples.insert(aSource->SoundName()).second)
                GlobalLogSession()->LogError("Sound \"" + aSource->SoundName() + "\" stopped: " + e.what());
            FreeSource(aSource);
            return;
        }
    TGLSoundManager::UpdateSource(aSource);
}

bool TGLSMOpenAL::UpdateVoice(TGLBaseSoundSource* aSource)
{
    TOpenALEntryPoints& al = OpenAL();
    ClearError();
    ALuint voice = aSource->Tag();
    if (voice) {
        ALint state = 0;
        al.alGetSourcei(voice, AL_SOURCE_STATE, &state);
        CheckOpenALError();
        if (state == AL_STOPPED) {
            FreeSource(aSource);
            return false;
        }
    } else {
        al.alGenSources(1, &voice);
        CheckOpenALError();
        aSource->SetTag(voice);
        // A voice made while its source or the manager is muted starts muted.
        if (Mute() || aSource->Mute()) SetVoiceValue(voice, AL_MAX_GAIN, 0);
    }
    if (TGLBaseSceneObject* origin = aSource->Origin()) {
        al.alSourcefv(voice, AL_POSITION, origin->Position()->AsAddress());
        CheckOpenALError();
        al.alSourcefv(voice, AL_DIRECTION, origin->Direction()->AsAddress());
        CheckOpenALError();
    }
    if (!aSource->SoundName().empty()) {
        TGLSoundSample* sample = aSource->Sample();
        if (!sample) throw Exception("the sound library has no sample of that name");
        TGLSoundFile* data = sample->Data();
        if (!data || !data->PCMData() || data->LengthInBytes() <= 0) throw Exception("the sample holds no sound");
        if (sample->Tag == 0) {
            const ALenum format = GetALFormat(data->Sampling());
            if (format == 0)
                throw Exception(Format("%d-bit sound with %d channels cannot be played",
                                       {data->Sampling().BitsPerSample(), data->Sampling().NbChannels()}));
            ALuint buffer = 0;
            al.alGenBuffers(1, &buffer);
            CheckOpenALError();
            sample->Tag = static_cast<int32_t>(buffer);
            al.alBufferData(buffer, format, data->PCMData(), data->LengthInBytes(), data->Sampling().Frequency());
            CheckOpenALError();
        }
        if (aSource->Changes().Contains(sscSample)) {
            al.alSourcei(voice, AL_BUFFER, sample->Tag);
            CheckOpenALError();
            al.alSourcei(voice, AL_LOOPING, aSource->NbLoops() > 1 ? AL_TRUE : AL_FALSE);
            CheckOpenALError();
            // A source made while paused waits for the resume, which plays it.
            if (!Pause() && !aSource->Pause()) {
                al.alSourcePlay(voice);
                CheckOpenALError();
            }
        }
    }
    if (aSource->Changes().Contains(sscStatus)) {
        SetVoiceValue(voice, AL_PITCH, 1);
        // Loudness is the listener's gain (the master volume) and the distance model's: the source's own volume
        // is not sent.
        SetVoiceValue(voice, AL_GAIN, 1);
        SetVoiceValue(voice, AL_MAX_DISTANCE, aSource->MaxDistance());
        SetVoiceValue(voice, AL_ROLLOFF_FACTOR, 1);
        SetVoiceValue(voice, AL_REFERENCE_DISTANCE, aSource->MinDistance());
        SetVoiceValue(voice, AL_CONE_INNER_ANGLE, aSource->InsideConeAngle());
        SetVoiceValue(voice, AL_CONE_OUTER_ANGLE, aSource->OutsideConeAngle());
        al.alSourcef(voice, AL_CONE_OUTER_GAIN, aSource->ConeOutsideVolume());
    }
    return true;
}

void TGLSMOpenAL::FreeSource(TGLBaseSoundSource* aSource)
{
    const int32_t index = Sources()->IndexOf(aSource);
    if (index >= 0) Sources()->Delete(index);
}

void TGLSMOpenAL::KillSource(TGLBaseSoundSource* aSource)
{
    if (!FActivated) {
        aSource->SetTag(0);
        return;
    }
    TOpenALEntryPoints& al = OpenAL();
    if (ALuint voice = aSource->Tag()) {
        al.alSourceStop(voice);
        al.alDeleteSources(1, &voice);
        aSource->SetTag(0);
    }
    TGLSoundSample* sample = aSource->Sample();
    if (!sample || sample->Tag == 0) return;
    // The buffer goes with the last source of the manager that plays it (the one being killed).
    int32_t users = 0;
    for (int32_t i = 0; i < Sources()->Count(); ++i) {
        TGLSoundSample* other = Sources()->Items(i)->Sample();
        if (other && other->Tag == sample->Tag) ++users;
    }
    if (users <= 1) {
        const ALuint buffer = static_cast<ALuint>(sample->Tag);
        al.alDeleteBuffers(1, &buffer);
        sample->Tag = 0;
    }
}

void TGLSMOpenAL::MuteSource(TGLBaseSoundSource* aSource, bool muted)
{
    if (FActivated && aSource->Tag()) OpenAL().alSourcef(aSource->Tag(), AL_MAX_GAIN, muted ? 0.0f : 1.0f);
}

void TGLSMOpenAL::PauseSource(TGLBaseSoundSource* aSource, bool paused)
{
    if (!FActivated || !aSource->Tag()) return;
    TOpenALEntryPoints& al = OpenAL();
    if (paused) {
        al.alSourcePause(aSource->Tag());
    } else {
        al.alSourceRewind(aSource->Tag());
        al.alSourcePlay(aSource->Tag());
    }
}

void RegisterGLSMOpenALClasses()
{
    RegisterClass<TGLSMOpenAL>();
}
