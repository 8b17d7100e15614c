// The engine's sound model, independent of any audio back end: named samples grouped in sound libraries,
// sound sources (what plays, where, how loud, how often), the sound manager that a back end derives from and
// that the cadencer drives, and the sound emitter, a behaviour that plays a source at its scene object.
// Exactly one manager is active at a time; everything runs on the main thread.
#pragma once

#include "GLBaseClasses.h"
#include "GLSoundFileObjects.h"
#include "GLVectorTypes.h"
#include "Sets.h"
#include "VAVodad.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TGLBSoundEmitter;
class TGLCadencer;
class TGLSoundLibrary;
class TGLSoundManager;
class TGLSoundSamples;
class TGLSoundSources;
class TStream;

inline constexpr const char* cGLSoundUnit = "VAVodad\\Source\\GLSound";

// ---------------------------------------------------------------------------------------------------------
// Samples and libraries

// A named sound and its file data (owned). Tag is the back end's: the OpenAL manager keeps its buffer there.
class TGLSoundSample : public TPersistent {
public:
    explicit TGLSoundSample(TGLSoundSamples* ACollection = nullptr);
    // Leaves its collection.
    ~TGLSoundSample() override;
    TGLSoundSample(const TGLSoundSample&) = delete;
    TGLSoundSample& operator=(const TGLSoundSample&) = delete;

    // From a sample: its name and a copy of its data.
    void Assign(TPersistent* Source) override;
    // "BinData" when the sample has data (WriteData / ReadData).
    void DefineProperties(TFiler& Filer) override;
    TPersistent* GetOwner() const override;
    // "name (empty)", or "name (44100 Hz, 16 bits, 2 channels, 1.00 sec)".
    std::string GetDisplayName() const;

    // Replaces the data by the file, read by the format its extension is registered with; the name becomes
    // the file name without its folder. An unknown extension raises an assertion failure naming the file.
    void LoadFromFile(const std::string& fileName);
    void PlayOnWaveOut();

    // The data's class name (an Integer length and its 8-bit characters), then the data's own stream.
    void WriteData(TStream& stream);
    // The other way round; a class name that is empty, longer than 256 characters or not a registered sound
    // file class raises EReadError and leaves the sample without data.
    void ReadData(TStream& stream);

    TGLSoundSamples* Collection() const { return FCollection; }
    int32_t Index() const;
    // Unique in its collection, given in order of creation.
    int32_t ID() const { return FID; }
    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value);
    TGLSoundFile* Data() const { return FData.get(); }
    // Keeps a copy of Value (none for nullptr).
    void SetData(TGLSoundFile* Value);
    int32_t Tag = 0;

private:
    friend class TGLSoundSamples;
    TGLSoundSamples* FCollection;
    int32_t FID = 0;
    std::string FName;
    std::unique_ptr<TGLSoundFile> FData;
};

// The samples of a library, owned. Revision changes whenever a sample joins, leaves or is renamed, so that
// sources may keep the sample they found.
class TGLSoundSamples : public TPersistent {
public:
    explicit TGLSoundSamples(TPersistent* AOwner = nullptr) : FOwner(AOwner) {}
    ~TGLSoundSamples() override;
    TGLSoundSamples(const TGLSoundSamples&) = delete;
    TGLSoundSamples& operator=(const TGLSoundSamples&) = delete;

    // Replaces the samples by copies of the source's.
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override { return FOwner; }

    TGLSoundSample* Add();
    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    TGLSoundSample* Items(int32_t index) const;
    void Delete(int32_t index);
    void Clear();
    int32_t IndexOf(const TGLSoundSample* sample) const;
    // The sample with that ID, or nullptr.
    TGLSoundSample* FindItemID(int32_t ID) const;
    // The first sample whose name equals aName, letter case ignored; nullptr when none.
    TGLSoundSample* GetByName(const std::string& aName) const;
    // A new sample read from the file (see TGLSoundSample::LoadFromFile), named sampleName when that is not
    // empty. When the file cannot be read the sample is taken out again and the error passes on.
    TGLSoundSample* AddFile(const std::string& fileName, const std::string& sampleName = std::string());
    uint32_t Revision() const { return FRevision; }

private:
    friend class TGLSoundSample;
    void Changed() { ++FRevision; }

    TPersistent* FOwner;
    std::vector<TGLSoundSample*> FItems;
    int32_t FNextID = 0;
    uint32_t FRevision = 0;
};

// A component holding samples. Every library is in SoundLibraryList from construction to destruction, where
// sources find it by its component name.
class TGLSoundLibrary : public TComponent {
public:
    explicit TGLSoundLibrary(TComponent* AOwner);
    // Leaves the list; sources that used it find a library by name again.
    ~TGLSoundLibrary() override;

    TGLSoundSamples* Samples() const { return FSamples.get(); }
    void SetSamples(TGLSoundSamples* Value) { FSamples->Assign(Value); }

private:
    std::unique_ptr<TGLSoundSamples> FSamples;
};

// The libraries that exist, in order of construction.
std::vector<TGLSoundLibrary*>& SoundLibraryList();

// ---------------------------------------------------------------------------------------------------------
// Sources

enum TGLSoundSourceChange { sscTransformation, sscSample, sscStatus };
using TGLSoundSourceChanges = TSet<TGLSoundSourceChange, uint8_t>;
inline constexpr TGLSoundSourceChanges cAllSoundSourceChanges{sscTransformation, sscSample, sscStatus};

// What to play, where, how loud and how often. A setter stores a changed value (clamped) and marks what the
// back end must send again.
class TGLBaseSoundSource : public TPersistent {
public:
    explicit TGLBaseSoundSource(TGLSoundSources* ACollection = nullptr);
    ~TGLBaseSoundSource() override;
    TGLBaseSoundSource(const TGLBaseSoundSource&) = delete;
    TGLBaseSoundSource& operator=(const TGLBaseSoundSource&) = delete;

    // From a source: priority, origin, volume, distances, cone values, library, sample name, mute, pause,
    // loops and frequency; every change is marked.
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override;

    // Version 0, priority, the six volume, distance and cone values, the library name, the sample name, mute,
    // pause and loops.
    void WriteToFiler(TWriter& writer);
    // The same order; the library is found again by name and every change is marked.
    void ReadFromFiler(TReader& reader);

    TGLSoundSources* Collection() const { return FCollection; }
    // The manager whose sources hold this one, or nullptr.
    TGLSoundManager* Manager() const;

    TGLSoundSourceChanges Changes() const { return FChanges; }
    void SetChanges(TGLSoundSourceChanges Value) { FChanges = Value; }
    TGLBSoundEmitter* BehaviourToNotify() const { return FBehaviourToNotify; }
    void SetBehaviourToNotify(TGLBSoundEmitter* Value) { FBehaviourToNotify = Value; }
    // The back end's voice (the OpenAL source name), 0 for none.
    uint32_t Tag() const { return FTag; }
    void SetTag(uint32_t Value) { FTag = Value; }

    int32_t Priority() const { return FPriority; }
    void SetPriority(int32_t Value);
    TGLBaseSceneObject* Origin() const { return FOrigin; }
    void SetOrigin(TGLBaseSceneObject* Value);
    float Volume() const { return FVolume; }
    void SetVolume(float Value);
    float MinDistance() const { return FMinDistance; }
    void SetMinDistance(float Value);
    float MaxDistance() const { return FMaxDistance; }
    void SetMaxDistance(float Value);
    float InsideConeAngle() const { return FInsideConeAngle; }
    void SetInsideConeAngle(float Value);
    float OutsideConeAngle() const { return FOutsideConeAngle; }
    void SetOutsideConeAngle(float Value);
    float ConeOutsideVolume() const { return FConeOutsideVolume; }
    void SetConeOutsideVolume(float Value);
    // Found lazily by SoundLibraryName (exact component name) when not linked.
    TGLSoundLibrary* SoundLibrary();
    void SetSoundLibrary(TGLSoundLibrary* Value);
    const std::string& SoundLibraryName() const { return FSoundLibraryName; }
    const std::string& SoundName() const { return FSoundName; }
    void SetSoundName(const std::string& Value);
    // Set on a source of a manager, the manager mutes or pauses its voice at once.
    bool Mute() const { return FMute; }
    void SetMute(bool Value);
    bool Pause() const { return FPause; }
    void SetPause(bool Value);
    int32_t NbLoops() const { return FNbLoops; }
    void SetNbLoops(int32_t Value);
    int32_t Frequency() const { return FFrequency; }
    void SetFrequency(int32_t Value);
    // The library's sample named SoundName, nullptr without a library or such a sample.
    TGLSoundSample* Sample();

private:
    friend class TGLSoundSources;
    friend class TGLSoundLibrary;
    void SetFloat(float& field, float Value, float minValue, float maxValue);
    void ForgetSample() { FCachedSample = nullptr; }

    TGLSoundSources* FCollection;
    TGLBSoundEmitter* FBehaviourToNotify = nullptr;
    int32_t FPriority = 0;
    TGLBaseSceneObject* FOrigin = nullptr;
    float FVolume = 1;
    float FMinDistance = 1;
    float FMaxDistance = 100;
    float FInsideConeAngle = 360;
    float FOutsideConeAngle = 360;
    float FConeOutsideVolume = 0;
    std::string FSoundLibraryName;
    TGLSoundLibrary* FSoundLibrary = nullptr;
    std::string FSoundName;
    bool FMute = false;
    bool FPause = false;
    TGLSoundSourceChanges FChanges = cAllSoundSourceChanges;
    int32_t FNbLoops = 1;
    uint32_t FTag = 0;
    int32_t FFrequency = -1;
    // The sample last found, valid while the library's samples keep their revision.
    TGLSoundSample* FCachedSample = nullptr;
    uint32_t FCachedRevision = 0;
};

// A source playing in a manager.
class TGLSoundSource : public TGLBaseSoundSource {
public:
    using TGLBaseSoundSource::TGLBaseSoundSource;
    // Tells its emitter, then its manager (KillSource), then leaves the manager's sources.
    ~TGLSoundSource() override;
};

// A manager's sources, owned.
class TGLSoundSources : public TPersistent {
public:
    explicit TGLSoundSources(TGLSoundManager* AOwner) : FOwner(AOwner) {}
    ~TGLSoundSources() override;
    TGLSoundSources(const TGLSoundSources&) = delete;
    TGLSoundSources& operator=(const TGLSoundSources&) = delete;

    TPersistent* GetOwner() const override;
    TGLSoundManager* Manager() const { return FOwner; }
    TGLSoundSource* Add();
    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    TGLSoundSource* Items(int32_t index) const;
    // Frees the source (its destruction tells its emitter and the manager).
    void Delete(int32_t index);
    int32_t IndexOf(const TGLBaseSoundSource* source) const;

private:
    friend class TGLSoundSource;
    TGLSoundManager* FOwner;
    std::vector<TGLSoundSource*> FItems;
};

// ---------------------------------------------------------------------------------------------------------
// Managers

enum TGLSoundEnvironment {
    seDefault, sePaddedCell, seRoom, seBathroom, seLivingRoom, seStoneroom, seAuditorium, seConcertHall, seCave,
    seArena, seHangar, seCarpetedHallway, seHallway, seStoneCorridor, seAlley, seForest, seCity, seMountains,
    seQuarry, sePlain, seParkingLot, seSewerPipe, seUnderWater, seDrugged, seDizzy, sePsychotic
};

// The contract of a sound back end. The manager keeps its sources and settings; a back end overrides the
// operations that reach its device.
class TGLSoundManager : public TGLCadenceAbleComponent {
public:
    explicit TGLSoundManager(TComponent* AOwner);
    // Switches off and lets go of the listener and the cadencer while the back end is whole.
    void BeforeDestruction() override;
    ~TGLSoundManager() override;

    void Notification(TComponent* AComponent, TOperation Operation) override;
    // A manager stored active is switched on for real once loaded (not while designing).
    void Loaded() override;
    // The settings that differ from their defaults; the Doppler factor is stored as "Doppler".
    void DefineProperties(TFiler& Filer) override;
    // Active, at most UpdateFrequency times a second (the first frame always): UpdateSources.
    void DoProgress(const TProgressTimes& progressTime) override;

    // ---- the back end's operations
    // Releases the source's voice. Base: nothing.
    virtual void KillSource(TGLBaseSoundSource* aSource);
    // Applies the source's changes to its voice. Base: clears the changes.
    virtual void UpdateSource(TGLBaseSoundSource* aSource);
    virtual void MuteSource(TGLBaseSoundSource* aSource, bool muted);
    virtual void PauseSource(TGLBaseSoundSource* aSource, bool paused);
    // UpdateSource for every source, the last first.
    virtual void UpdateSources();
    // -1: unknown.
    virtual float CPUUsagePercent() { return -1; }
    virtual bool EAXSupported() { return false; }

    // Deletes every source, the last first (each emitter is told, each voice killed).
    void StopAllSources();
    // The listener's absolute position, velocity since the last update, direction and up vector (towards a
    // camera's target when it has one); the origin looking down +Z without a listener.
    void ListenerFrame(TVector4f& position, TVector4f& velocity, TVector4f& direction, TVector4f& up);

    // ---- properties
    bool Active() const { return FActive; }
    // On: the active manager goes off first; on only when DoActivate answers True. Off: every source stops,
    // DoDeActivate, and the manager is off whatever these raised.
    void SetActive(bool Value);
    int32_t MaxChannels() const { return FMaxChannels; }
    void SetMaxChannels(int32_t Value);
    int32_t OutputFrequency() const { return FOutputFrequency; }
    void SetOutputFrequency(int32_t Value);
    bool Mute() const { return FMute; }
    void SetMute(bool Value);
    bool Pause() const { return FPause; }
    void SetPause(bool Value);
    float MasterVolume() const { return FMasterVolume; }
    void SetMasterVolume(float Value);
    TGLBaseSceneObject* Listener() const { return FListener; }
    void SetListener(TGLBaseSceneObject* Value);
    TGLSoundSources* Sources() const { return FSources.get(); }
    float UpdateFrequency() const { return FUpdateFrequency; }
    void SetUpdateFrequency(float Value);
    TGLCadencer* Cadencer() const { return FCadencer; }
    // Leaves the old cadencer's subscribers and joins the new one's.
    void SetCadencer(TGLCadencer* Value);
    float DistanceFactor() const { return FDistanceFactor; }
    void SetDistanceFactor(float Value);
    float RollOffFactor() const { return FRollOffFactor; }
    void SetRollOffFactor(float Value);
    float DopplerFactor() const { return FDopplerFactor; }
    void SetDopplerFactor(float Value);
    TGLSoundEnvironment Environment() const { return FSoundEnvironment; }
    void SetEnvironment(TGLSoundEnvironment Value);

protected:
    virtual bool DoActivate() { return true; }
    virtual void DoDeActivate() { StopAllSources(); }
    virtual bool DoMute();
    virtual void DoUnMute();
    virtual bool DoPause();
    virtual void DoUnPause();
    virtual void NotifyMasterVolumeChange() {}
    virtual void NotifyFactorsChange() {}
    virtual void NotifyEnvironmentChange() {}

    float FLastDeltaTime = 0;

private:
    // tell(source, state) for every source whose own flag (its Mute or Pause) is off.
    void TellSources(bool (TGLBaseSoundSource::*ownFlag)() const,
                     void (TGLSoundManager::*tell)(TGLBaseSoundSource*, bool), bool state);

    bool FActive = false;
    bool FMute = false;
    bool FPause = false;
    float FMasterVolume = 1;
    TGLBaseSceneObject* FListener = nullptr;
    TVector4f FLastListenerPosition{};
    std::unique_ptr<TGLSoundSources> FSources;
    int32_t FMaxChannels = 8;
    int32_t FOutputFrequency = 44100;
    float FUpdateFrequency = 10;
    float FDistanceFactor = 1;
    float FRollOffFactor = 1;
    float FDopplerFactor = 1;
    TGLSoundEnvironment FSoundEnvironment = seDefault;
    float FLastUpdateTime = -1.0e30f;
    TGLCadencer* FCadencer = nullptr;
};

// The active manager, or nullptr.
TGLSoundManager* ActiveSoundManager();
TGLSoundManager* GetActiveSoundManager();

// ---------------------------------------------------------------------------------------------------------
// The emitter

// Plays a source at its scene object in the active manager. Source is the template (in no manager) that every
// playing source copies.
class TGLBSoundEmitter : public TGLBehaviour {
public:
    explicit TGLBSoundEmitter(TGLXCollection* aOwner);
    // Stops its playing source.
    ~TGLBSoundEmitter() override;

    static std::string FriendlyName() { return "Sound Emitter"; }
    static std::string FriendlyDescription() { return "A simple sound emitter behaviour"; }
    static bool UniqueItem() { return false; }

    // From an emitter: its template's settings.
    void Assign(TPersistent* Source) override;
    // The behaviour's data, version 0, the template, the stored Playing flag.
    void WriteToFiler(TWriter& writer) override;
    void ReadFromFiler(TReader& reader) override;
    // Unless designing, plays when the stream said so.
    void Loaded() override;

    TGLBaseSoundSource* Source() const { return FSource.get(); }
    void SetSource(TGLBaseSoundSource* Value) { FSource->Assign(Value); }
    // True while a source of it plays in the active manager; a finished or stopped source reads False.
    bool Playing() const;
    // True: a new source in the active manager, a copy of the template placed at the emitter's object. False:
    // the playing source goes. With no active manager nothing plays, and that is logged once.
    void SetPlaying(bool Value);
    TGLSoundSource* PlayingSource() const { return FPlayingSource; }

private:
    friend class TGLSoundSource;
    // The playing source is being destroyed.
    void NotifySourceDestruction(TGLSoundSource* aSource);
    bool Designing() const;

    bool FPlaying = false;
    std::unique_ptr<TGLSoundSource> FSource;
    TGLSoundSource* FPlayingSource = nullptr;
};

// The text logged once when an emitter is asked to play without an active manager.
inline constexpr const char* cNoActiveSoundManager =
    "No Active Sound Manager.\r\nMake sure manager is created before emitter";

// Registers the library for component streaming and the emitter as a behaviour class.
void RegisterGLSoundClasses();
