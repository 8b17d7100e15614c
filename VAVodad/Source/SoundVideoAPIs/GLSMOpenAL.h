// The sound manager that plays sources through the OpenAL library, loaded at run time. A source's Tag holds
// its OpenAL source name; a sample's Tag holds the buffer made from its data, shared by every source that
// plays the sample and deleted with the last of them. Without the library or a device the manager stays off
// and the program is silent; a frame update never raises: a source that cannot play is stopped and logged.
#pragma once

#include "GLSound.h"
#include "OpenAL.h"

#include <set>
#include <string>

class TGLSMOpenAL : public TGLSoundManager {
public:
    explicit TGLSMOpenAL(TComponent* AOwner);

    void KillSource(TGLBaseSoundSource* aSource) override;
    // Polls the voice (a stopped one frees the source), makes voice and buffer when missing, then sends
    // position, direction, the sample (buffer, looping, play) and the status values as changed.
    void UpdateSource(TGLBaseSoundSource* aSource) override;
    void MuteSource(TGLBaseSoundSource* aSource, bool muted) override;
    // Resuming rewinds: a resumed sound starts again from its beginning.
    void PauseSource(TGLBaseSoundSource* aSource, bool paused) override;
    // The listener, then every source.
    void UpdateSources() override;
    bool EAXSupported() override;

    // The OpenAL format of the sampling: mono or stereo, 8 or 16 bits; 0 for any other depth.
    static ALenum GetALFormat(const TGLSoundSampling& sampling);
    // True while the device and the context are open.
    bool Activated() const { return FActivated; }

protected:
    bool DoActivate() override;
    void DoDeActivate() override;
    void NotifyMasterVolumeChange() override;
    void NotifyFactorsChange() override;
    void NotifyEnvironmentChange() override;

private:
    // The work of UpdateSource; False when the voice had ended and the source is gone. Raises
    // CheckOpenALError's exception, or a text of its own for a sample that cannot play.
    bool UpdateVoice(TGLBaseSoundSource* aSource);
    // Frees a source of this manager (its emitter is told, its voice killed).
    void FreeSource(TGLBaseSoundSource* aSource);
    void ClearError();

    bool FActivated = false;
    // The samples a failure was logged for, each logged once.
    std::set<std::string> FReportedSamples;
};

void RegisterGLSMOpenALClasses();
