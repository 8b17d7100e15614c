// The sound manager that plays samples on the platform's wave output: one voice per playing source, no
// positioning, volume, mute or pause. A source that finds no free channel is dropped, not queued.
#pragma once

#include "GLSound.h"
#include "WaveOut.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

class TGLSMWaveOut : public TGLSoundManager {
public:
    // Four channels.
    explicit TGLSMWaveOut(TComponent* AOwner);

    // Stops and frees the source's voice.
    void KillSource(TGLBaseSoundSource* aSource) override;
    // Sources whose voice is done go; then, the last first, every source without a voice gets one while
    // fewer than MaxChannels play and its sample has data, or is dropped. A voice that cannot be opened
    // drops its source too (logged once per sample).
    void UpdateSources() override;

protected:
    // Kills every voice, the last source first.
    void DoDeActivate() override;

private:
    TWaveOutVoice* VoiceOf(const TGLBaseSoundSource* aSource) const;
    // Deletes the source from the manager (its emitter is told, its voice killed).
    void DropSource(int32_t index);

    // The voices of the playing sources by the number in the source's Tag.
    std::map<uint32_t, std::unique_ptr<TWaveOutVoice>> FVoices;
    uint32_t FLastVoiceNumber = 0;
    std::set<std::string> FReportedSamples;
};

// The wave output device the engine plays on: voices on an OpenAL device of their own through the engine's
// OpenAL binding (the library is loaded when needed), opened with the first voice.
TWaveOutDevice& GLWaveOutDevice();
// Tests: play on device instead (nullptr returns to the engine's). The device must outlive its voices.
void SetGLWaveOutDevice(TWaveOutDevice* device);
// Plays the samples once on the wave output device, asynchronously; the sound playing from the previous call
// stops. No samples (nullptr or length 0) only stop it. False when nothing plays.
bool PlaySoundOnWaveOut(const TGLSoundSampling& sampling, const void* data, int32_t length);

void RegisterGLSMWaveOutClasses();
