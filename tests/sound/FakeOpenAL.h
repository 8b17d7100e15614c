// A recording OpenAL: an entry-point table whose functions note every call ("alSourcePlay 1") and keep just
// enough state (voice states, live buffers, a pending error) for the sound manager to run on it. Installed
// with SetOpenALOverride, so that the manager's LoadOpenAL takes it instead of the library.
#pragma once

#include "OpenAL.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

struct TFakeOpenAL {
    TOpenALEntryPoints table;
    bool recording = true;
    std::vector<std::string> calls;
    std::map<ALuint, ALint> voiceStates;
    std::set<ALuint> buffers;
    ALuint nextName = 1;
    ALenum pendingError = AL_NO_ERROR;
    bool noDevice = false;
    bool contextCurrent = false;

    void Reset()
    {
        calls.clear();
        voiceStates.clear();
        buffers.clear();
        nextName = 1;
        pendingError = AL_NO_ERROR;
        noDevice = false;
        contextCurrent = false;
    }
    // text() builds the call's text, only while recording.
    template <class F> void Note(F&& text)
    {
        if (recording) calls.push_back(text());
    }
    size_t CountOf(const std::string& call) const { return std::count(calls.begin(), calls.end(), call); }
    // The calls whose text starts with prefix.
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const
    {
        std::vector<std::string> found;
        for (const std::string& call : calls)
            if (call.starts_with(prefix)) found.push_back(call);
        return found;
    }
};

TFakeOpenAL& FakeAL();

namespace FakeOpenALDetail {

inline std::string Num(float value)
{
    std::string text = std::to_string(value);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text;
}

inline const char* ParamName(ALenum param)
{
    switch (param) {
    case AL_GAIN: return "AL_GAIN";
    case AL_MAX_GAIN: return "AL_MAX_GAIN";
    case AL_PITCH: return "AL_PITCH";
    case AL_POSITION: return "AL_POSITION";
    case AL_VELOCITY: return "AL_VELOCITY";
    case AL_ORIENTATION: return "AL_ORIENTATION";
    case AL_DIRECTION: return "AL_DIRECTION";
    case AL_BUFFER: return "AL_BUFFER";
    case AL_LOOPING: return "AL_LOOPING";
    case AL_MAX_DISTANCE: return "AL_MAX_DISTANCE";
    case AL_ROLLOFF_FACTOR: return "AL_ROLLOFF_FACTOR";
    case AL_REFERENCE_DISTANCE: return "AL_REFERENCE_DISTANCE";
    case AL_CONE_INNER_ANGLE: return "AL_CONE_INNER_ANGLE";
    case AL_CONE_OUTER_ANGLE: return "AL_CONE_OUTER_ANGLE";
    case AL_CONE_OUTER_GAIN: return "AL_CONE_OUTER_GAIN";
    case AL_SOURCE_STATE: return "AL_SOURCE_STATE";
    default: return "?";
    }
}

inline void SetState(ALuint voice, ALint state, const char* call)
{
    FakeAL().Note([&] { return std::string(call) + " " + std::to_string(voice); });
    FakeAL().voiceStates[voice] = state;
}

} // namespace FakeOpenALDetail

inline TFakeOpenAL& FakeAL()
{
    static TFakeOpenAL fake = [] {
        using namespace FakeOpenALDetail;
        TFakeOpenAL made;
        TOpenALEntryPoints& t = made.table;
        static int device = 0;
        static int context = 0;
        t.alcOpenDevice = [](const ALCchar*) -> ALCdevice* {
            FakeAL().Note([&] { return std::string("alcOpenDevice"); });
            return FakeAL().noDevice ? nullptr : reinterpret_cast<ALCdevice*>(&device);
        };
        t.alcCloseDevice = [](ALCdevice*) -> ALCboolean {
            FakeAL().Note([&] { return std::string("alcCloseDevice"); });
            return ALC_TRUE;
        };
        t.alcCreateContext = [](ALCdevice*, const ALCint*) -> ALCcontext* {
            FakeAL().Note([&] { return std::string("alcCreateContext"); });
            return reinterpret_cast<ALCcontext*>(&context);
        };
        t.alcDestroyContext = [](ALCcontext*) { FakeAL().Note([&] { return std::string("alcDestroyContext"); }); };
        t.alcMakeContextCurrent = [](ALCcontext* c) -> ALCboolean {
            FakeAL().contextCurrent = c != nullptr;
            return ALC_TRUE;
        };
        t.alcGetCurrentContext = []() -> ALCcontext* {
            return FakeAL().contextCurrent ? reinterpret_cast<ALCcontext*>(&context) : nullptr;
        };
        t.alcGetContextsDevice = [](ALCcontext*) -> ALCdevice* { return reinterpret_cast<ALCdevice*>(&device); };
        t.alcIsExtensionPresent = [](ALCdevice*, const ALCchar*) -> ALCboolean { return ALC_FALSE; };
        t.alGetError = []() -> ALenum {
            const ALenum error = FakeAL().pendingError;
            FakeAL().pendingError = AL_NO_ERROR;
            return error;
        };
        t.alIsExtensionPresent = [](const ALchar*) -> ALboolean { return AL_FALSE; };
        t.alDistanceModel = [](ALenum model) {
            FakeAL().Note([&] { return std::string("alDistanceModel " + std::to_string(model)); });
        };
        t.alDopplerFactor = [](ALfloat value) {
            FakeAL().Note([&] { return std::string("alDopplerFactor " + Num(value)); });
        };
        t.alListenerf = [](ALenum param, ALfloat value) {
            FakeAL().Note([&] { return std::string("alListenerf ") + ParamName(param) + " " + Num(value); });
        };
        t.alListenerfv = [](ALenum param, const ALfloat*) {
            FakeAL().Note([&] { return std::string("alListenerfv ") + ParamName(param); });
        };
        t.alGenSources = [](ALsizei n, ALuint* names) {
            for (ALsizei i = 0; i < n; ++i) {
                names[i] = FakeAL().nextName++;
                FakeAL().voiceStates[names[i]] = AL_INITIAL;
                FakeAL().Note([&] { return std::string("alGenSources " + std::to_string(names[i])); });
            }
        };
        t.alDeleteSources = [](ALsizei n, const ALuint* names) {
            for (ALsizei i = 0; i < n; ++i) {
                FakeAL().voiceStates.erase(names[i]);
                FakeAL().Note([&] { return std::string("alDeleteSources " + std::to_string(names[i])); });
            }
        };
        t.alGetSourcei = [](ALuint voice, ALenum param, ALint* value) {
            if (param == AL_SOURCE_STATE) *value = FakeAL().voiceStates[voice];
        };
        t.alSourcef = [](ALuint voice, ALenum param, ALfloat value) {
            FakeAL().Note([&] {
                return std::string("alSourcef " + std::to_string(voice) + " " + ParamName(param) + " " + Num(value));
            });
        };
        t.alSourcefv = [](ALuint voice, ALenum param, const ALfloat*) {
            FakeAL().Note([&] { return std::string("alSourcefv " + std::to_string(voice) + " " + ParamName(param)); });
        };
        t.alSourcei = [](ALuint voice, ALenum param, ALint value) {
            FakeAL().Note([&] {
                return std::string("alSourcei " + std::to_string(voice) + " " + ParamName(param) + " " +
                                   std::to_string(value));
            });
        };
        t.alSourcePlay = [](ALuint voice) { SetState(voice, AL_PLAYING, "alSourcePlay"); };
        t.alSourceStop = [](ALuint voice) { SetState(voice, AL_STOPPED, "alSourceStop"); };
        t.alSourcePause = [](ALuint voice) { SetState(voice, AL_PAUSED, "alSourcePause"); };
        t.alSourceRewind = [](ALuint voice) { SetState(voice, AL_INITIAL, "alSourceRewind"); };
        t.alGenBuffers = [](ALsizei n, ALuint* names) {
            for (ALsizei i = 0; i < n; ++i) {
                names[i] = FakeAL().nextName++;
                FakeAL().buffers.insert(names[i]);
                FakeAL().Note([&] { return std::string("alGenBuffers " + std::to_string(names[i])); });
            }
        };
        t.alDeleteBuffers = [](ALsizei n, const ALuint* names) {
            for (ALsizei i = 0; i < n; ++i) {
                FakeAL().buffers.erase(names[i]);
                FakeAL().Note([&] { return std::string("alDeleteBuffers " + std::to_string(names[i])); });
            }
        };
        t.alBufferData = [](ALuint buffer, ALenum format, const ALvoid*, ALsizei size, ALsizei frequency) {
            FakeAL().Note([&] {
                return "alBufferData " + std::to_string(buffer) + " " + std::to_string(format) + " " +
                       std::to_string(size) + " " + std::to_string(frequency);
            });
        };
        return made;
    }();
    return fake;
}
