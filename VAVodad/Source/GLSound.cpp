#include "GLSound.h"

#include "ComponentStreams.h"
#include "FileUtils.h"
#include "GLCadencer.h"
#include "GLCoordinates.h"
#include "GLVectorGeometry.h"
#include "Streams.h"
#include "VAVodad_streaming.h"
#include "ZODLog.h"

#include <algorithm>
#include <limits>

namespace {

TGLSoundManager* vActiveSoundManager = nullptr;

// Every source that exists, so that a dying library can be forgotten by the sources linked to it.
std::vector<TGLBaseSoundSource*>& LiveSources()
{
    static std::vector<TGLBaseSoundSource*> sources;
    return sources;
}

// The longest class name a sample's stream may carry.
constexpr int32_t cMaxDataClassName = 256;

constexpr TEnumNames<26> cSoundEnvironmentNames{
    "seDefault",     "sePaddedCell", "seRoom",    "seBathroom",  "seLivingRoom",      "seStoneroom", "seAuditorium",
    "seConcertHall", "seCave",       "seArena",   "seHangar",    "seCarpetedHallway", "seHallway",   "seStoneCorridor",
    "seAlley",       "seForest",     "seCity",    "seMountains", "seQuarry",          "sePlain",     "seParkingLot",
    "seSewerPipe",   "seUnderWater", "seDrugged", "seDizzy",     "sePsychotic"};

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TGLSoundSample

TGLSoundSample::TGLSoundSample(TGLSoundSamples* ACollection) : FCollection(ACollection)
{
    if (FCollection) {
        FID = FCollection->FNextID++;
        FCollection->FItems.push_back(this);
        FCollection->Changed();
    }
}

TGLSoundSample::~TGLSoundSample()
{
    if (FCollection) {
        std::erase(FCollection->FItems, this);
        FCollection->Changed();
    }
}

void TGLSoundSample::Assign(TPersistent* Source)
{
    auto* sample = dynamic_cast<TGLSoundSample*>(Source);
    if (!sample) return TPersistent::Assign(Source);
    SetName(sample->FName);
    SetData(sample->FData.get());
}

void TGLSoundSample::DefineProperties(TFiler& Filer)
{
    TPersistent::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "BinData", [this](TStream& stream) { ReadData(stream); }, [this](TStream& stream) { WriteData(stream); },
        FData != nullptr);
}

TPersistent* TGLSoundSample::GetOwner() const
{
    return FCollection;
}

std::string TGLSoundSample::GetDisplayName() const
{
    if (!FData) return Format("%s (empty)", {FName});
    const TGLSoundSampling& sampling = FData->Sampling();
    const int32_t channels = sampling.NbChannels();
    return Format("%s (%d Hz, %d bits, %d channel%s, %.2f sec)",
                  {FName, sampling.Frequency(), sampling.BitsPerSample(), channels,
                   std::string(channels >= 2 ? "s" : ""), static_cast<double>(FData->LengthInSec())});
}

void TGLSoundSample::LoadFromFile(const std::string& fileName)
{
    FData.reset();
    const TGLSoundFileClass* fileClass = GetGLSoundFileFormats().FindExt(LowerCase(ExtractFileExt(fileName)));
    Assert(fileClass != nullptr,
           "Could not load " + fileName +
               ", make sure you include the unit required to load this format in your uses clause.",
           cGLSoundUnit);
    std::unique_ptr<TGLSoundFile> data(fileClass->Create(this));
    data->LoadFromFile(fileName);
    FData = std::move(data);
    SetName(ExtractFileName(fileName));
}

void TGLSoundSample::PlayOnWaveOut()
{
    if (FData) FData->PlayOnWaveOut();
}

void TGLSoundSample::WriteData(TStream& stream)
{
    const std::string& className = FData->ClassName();
    const int32_t length = static_cast<int32_t>(className.size());
    stream.WriteBuffer(&length, sizeof(length));
    stream.WriteBuffer(className.data(), length);
    FData->SaveToStream(stream);
}

void TGLSoundSample::ReadData(TStream& stream)
{
    FData.reset();
    int32_t length = 0;
    stream.ReadBuffer(&length, sizeof(length));
    if (length <= 0 || length > cMaxDataClassName)
        throw EReadError(Format("Invalid sound data class name length %d", {length}));
    std::string className(static_cast<size_t>(length), '\0');
    stream.ReadBuffer(className.data(), length);
    const TGLSoundFileClass* fileClass = FindSoundFileClass(className);
    if (!fileClass) throw EReadError("Unknown sound data class " + className);
    std::unique_ptr<TGLSoundFile> data(fileClass->Create(this));
    data->LoadFromStream(stream);
    FData = std::move(data);
}

int32_t TGLSoundSample::Index() const
{
    return FCollection ? FCollection->IndexOf(this) : -1;
}

void TGLSoundSample::SetName(const std::string& Value)
{
    if (Value == FName) return;
    FName = Value;
    if (FCollection) FCollection->Changed();
}

void TGLSoundSample::SetData(TGLSoundFile* Value)
{
    FData.reset(Value ? static_cast<TGLSoundFile*>(Value->CreateCopy(this)) : nullptr);
}

// ---------------------------------------------------------------------------------------------------------
// TGLSoundSamples

TGLSoundSamples::~TGLSoundSamples()
{
    Clear();
}

void TGLSoundSamples::Assign(TPersistent* Source)
{
    auto* samples = dynamic_cast<TGLSoundSamples*>(Source);
    if (!samples) return TPersistent::Assign(Source);
    if (samples == this) return;
    Clear();
    for (TGLSoundSample* sample : samples->FItems) Add()->Assign(sample);
}

TGLSoundSample* TGLSoundSamples::Add()
{
    return new TGLSoundSample(this);
}

TGLSoundSample* TGLSoundSamples::Items(int32_t index) const
{
    if (index < 0 || index >= Count()) RaiseListError("List index out of bounds (%d)", index);
    return FItems[index];
}

void TGLSoundSamples::Delete(int32_t index)
{
    delete Items(index);
}

void TGLSoundSamples::Clear()
{
    while (!FItems.empty()) delete FItems.back();
}

int32_t TGLSoundSamples::IndexOf(const TGLSoundSample* sample) const
{
    const auto found = std::find(FItems.begin(), FItems.end(), sample);
    return found == FItems.end() ? -1 : static_cast<int32_t>(found - FItems.begin());
}

TGLSoundSample* TGLSoundSamples::FindItemID(int32_t ID) const
{
    for (TGLSoundSample* sample : FItems)
        if (sample->FID == ID) return sample;
    return nullptr;
}

TGLSoundSample* TGLSoundSamples::GetByName(const std::string& aName) const
{
    for (TGLSoundSample* sample : FItems)
        if (SameText(sample->FName, aName)) return sample;
    return nullptr;
}

TGLSoundSample* TGLSoundSamples::AddFile(const std::string& fileName, const std::string& sampleName)
{
    std::unique_ptr<TGLSoundSample> sample(Add());
    sample->LoadFromFile(fileName);
    if (!sampleName.empty()) sample->SetName(sampleName);
    return sample.release();
}

// ---------------------------------------------------------------------------------------------------------
// TGLSoundLibrary

std::vector<TGLSoundLibrary*>& SoundLibraryList()
{
    static std::vector<TGLSoundLibrary*> libraries;
    return libraries;
}

TGLSoundLibrary::TGLSoundLibrary(TComponent* AOwner)
    : TComponent(AOwner), FSamples(std::make_unique<TGLSoundSamples>(this))
{
    SoundLibraryList().push_back(this);
}

TGLSoundLibrary::~TGLSoundLibrary()
{
    std::erase(SoundLibraryList(), this);
    for (TGLBaseSoundSource* source : LiveSources())
        if (source->FSoundLibrary == this) {
            source->FSoundLibrary = nullptr;
            source->ForgetSample();
        }
}

// ---------------------------------------------------------------------------------------------------------
// TGLBaseSoundSource

TGLBaseSoundSource::TGLBaseSoundSource(TGLSoundSources* ACollection) : FCollection(ACollection)
{
    LiveSources().push_back(this);
}

TGLBaseSoundSource::~TGLBaseSoundSource()
{
    std::vector<TGLBaseSoundSource*>& sources = LiveSources();
    // Sources usually die in the order they were made, the newest first.
    sources.erase(std::find(sources.rbegin(), sources.rend(), this).base() - 1);
}

void TGLBaseSoundSource::Assign(TPersistent* Source)
{
    auto* source = dynamic_cast<TGLBaseSoundSource*>(Source);
    if (!source) return TPersistent::Assign(Source);
    FPriority = source->FPriority;
    FOrigin = source->FOrigin;
    FVolume = source->FVolume;
    FMinDistance = source->FMinDistance;
    FMaxDistance = source->FMaxDistance;
    FInsideConeAngle = source->FInsideConeAngle;
    FOutsideConeAngle = source->FOutsideConeAngle;
    FConeOutsideVolume = source->FConeOutsideVolume;
    FSoundLibraryName = source->FSoundLibraryName;
    FSoundLibrary = source->FSoundLibrary;
    FSoundName = source->FSoundName;
    ForgetSample();
    FMute = source->FMute;
    FPause = source->FPause;
    FChanges = cAllSoundSourceChanges;
    FNbLoops = source->FNbLoops;
    FFrequency = source->FFrequency;
}

TPersistent* TGLBaseSoundSource::GetOwner() const
{
    return FCollection;
}

void TGLBaseSoundSource::WriteToFiler(TWriter& writer)
{
    writer.WriteInteger(0); // version
    writer.WriteInteger(FPriority);
    for (float value : {FVolume, FMinDistance, FMaxDistance, FInsideConeAngle, FOutsideConeAngle, FConeOutsideVolume})
        writer.WriteFloat(value);
    writer.WriteString(FSoundLibrary ? FSoundLibrary->Name() : FSoundLibraryName);
    writer.WriteString(FSoundName);
    writer.WriteBoolean(FMute);
    writer.WriteBoolean(FPause);
    writer.WriteInteger(FNbLoops);
}

void TGLBaseSoundSource::ReadFromFiler(TReader& reader)
{
    reader.ReadInteger(); // version, any
    FPriority = reader.ReadInteger();
    for (float* field :
         {&FVolume, &FMinDistance, &FMaxDistance, &FInsideConeAngle, &FOutsideConeAngle, &FConeOutsideVolume})
        *field = static_cast<float>(reader.ReadFloat());
    FSoundLibraryName = reader.ReadString();
    FSoundLibrary = nullptr;
    FSoundName = reader.ReadString();
    ForgetSample();
    FMute = reader.ReadBoolean();
    FPause = reader.ReadBoolean();
    FChanges = cAllSoundSourceChanges;
    FNbLoops = reader.ReadInteger();
}

TGLSoundManager* TGLBaseSoundSource::Manager() const
{
    return FCollection ? FCollection->Manager() : nullptr;
}

void TGLBaseSoundSource::SetFloat(float& field, float Value, float minValue, float maxValue)
{
    Value = std::clamp(Value, minValue, maxValue);
    if (Value == field) return;
    field = Value;
    FChanges.Include(sscStatus);
}

void TGLBaseSoundSource::SetPriority(int32_t Value)
{
    if (Value == FPriority) return;
    FPriority = Value;
    FChanges.Include(sscStatus);
}

void TGLBaseSoundSource::SetOrigin(TGLBaseSceneObject* Value)
{
    if (Value == FOrigin) return;
    FOrigin = Value;
    FChanges.Include(sscTransformation);
}

void TGLBaseSoundSource::SetVolume(float Value)
{
    SetFloat(FVolume, Value, 0, 1);
}

void TGLBaseSoundSource::SetMinDistance(float Value)
{
    SetFloat(FMinDistance, Value, 0, std::numeric_limits<float>::max());
}

void TGLBaseSoundSource::SetMaxDistance(float Value)
{
    SetFloat(FMaxDistance, Value, 0, std::numeric_limits<float>::max());
}

void TGLBaseSoundSource::SetInsideConeAngle(float Value)
{
    SetFloat(FInsideConeAngle, Value, 0, 360);
}

void TGLBaseSoundSource::SetOutsideConeAngle(float Value)
{
    SetFloat(FOutsideConeAngle, Value, 0, 360);
}

void TGLBaseSoundSource::SetConeOutsideVolume(float Value)
{
    SetFloat(FConeOutsideVolume, Value, 0, 1);
}

TGLSoundLibrary* TGLBaseSoundSource::SoundLibrary()
{
    if (!FSoundLibrary && !FSoundLibraryName.empty())
        for (TGLSoundLibrary* library : SoundLibraryList())
            if (library->Name() == FSoundLibraryName) {
                FSoundLibrary = library;
                break;
            }
    return FSoundLibrary;
}

void TGLBaseSoundSource::SetSoundLibrary(TGLSoundLibrary* Value)
{
    if (Value == FSoundLibrary) return;
    FSoundLibrary = Value;
    FSoundLibraryName = Value ? Value->Name() : std::string();
    ForgetSample();
    FChanges.Include(sscSample);
}

void TGLBaseSoundSource::SetSoundName(const std::string& Value)
{
    if (Value == FSoundName) return;
    FSoundName = Value;
    ForgetSample();
    FChanges.Include(sscSample);
}

void TGLBaseSoundSource::SetMute(bool Value)
{
    if (Value == FMute) return;
    FMute = Value;
    if (TGLSoundManager* manager = Manager()) manager->MuteSource(this, Value);
}

void TGLBaseSoundSource::SetPause(bool Value)
{
    if (Value == FPause) return;
    FPause = Value;
    if (TGLSoundManager* manager = Manager()) manager->PauseSource(this, Value);
}

void TGLBaseSoundSource::SetNbLoops(int32_t Value)
{
    if (Value == FNbLoops) return;
    FNbLoops = Value;
    FChanges.Include(sscSample);
}

void TGLBaseSoundSource::SetFrequency(int32_t Value)
{
    if (Value == FFrequency) return;
    FFrequency = Value;
    FChanges.Include(sscStatus);
}

TGLSoundSample* TGLBaseSoundSource::Sample()
{
    TGLSoundLibrary* library = SoundLibrary();
    if (!library) return nullptr;
    // Managers ask for every source at every update: the lookup is kept until the library's samples change.
    const uint32_t revision = library->Samples()->Revision();
    if (!FCachedSample || FCachedRevision != revision) {
        FCachedSample = library->Samples()->GetByName(FSoundName);
        FCachedRevision = revision;
    }
    return FCachedSample;
}

// ---------------------------------------------------------------------------------------------------------
// TGLSoundSource, TGLSoundSources

TGLSoundSource::~TGLSoundSource()
{
    if (TGLBSoundEmitter* emitter = BehaviourToNotify()) emitter->NotifySourceDestruction(this);
    if (TGLSoundSources* sources = Collection()) {
        if (TGLSoundManager* manager = sources->Manager()) manager->KillSource(this);
        std::erase(sources->FItems, this);
    }
}

TGLSoundSources::~TGLSoundSources()
{
    while (!FItems.empty()) delete FItems.back();
}

TPersistent* TGLSoundSources::GetOwner() const
{
    return FOwner;
}

TGLSoundSource* TGLSoundSources::Add()
{
    auto* source = new TGLSoundSource(this);
    FItems.push_back(source);
    return source;
}

TGLSoundSource* TGLSoundSources::Items(int32_t index) const
{
    if (index < 0 || index >= Count()) RaiseListError("List index out of bounds (%d)", index);
    return FItems[index];
}

void TGLSoundSources::Delete(int32_t index)
{
    delete Items(index);
}

int32_t TGLSoundSources::IndexOf(const TGLBaseSoundSource* source) const
{
    const auto found = std::find(FItems.begin(), FItems.end(), source);
    return found == FItems.end() ? -1 : static_cast<int32_t>(found - FItems.begin());
}

// ---------------------------------------------------------------------------------------------------------
// TGLSoundManager

TGLSoundManager* ActiveSoundManager()
{
    return vActiveSoundManager;
}

TGLSoundManager* GetActiveSoundManager()
{
    return vActiveSoundManager;
}

TGLSoundManager::TGLSoundManager(TComponent* AOwner)
    : TGLCadenceAbleComponent(AOwner), FSources(std::make_unique<TGLSoundSources>(this))
{
}

void TGLSoundManager::BeforeDestruction()
{
    SetActive(false);
    SetListener(nullptr);
    SetCadencer(nullptr);
    TGLCadenceAbleComponent::BeforeDestruction();
}

TGLSoundManager::~TGLSoundManager()
{
    // A plain delete skipped the pre-destroy step: the manager must not stay the active one.
    if (vActiveSoundManager == this) vActiveSoundManager = nullptr;
}

void TGLSoundManager::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove) {
        if (AComponent == FListener) FListener = nullptr;
        // The dying cadencer forgets its subscribers itself.
        if (AComponent == FCadencer) FCadencer = nullptr;
    }
    TGLCadenceAbleComponent::Notification(AComponent, Operation);
}

void TGLSoundManager::Loaded()
{
    TGLCadenceAbleComponent::Loaded();
    if (FActive && !(ComponentState() & csDesigning)) {
        FActive = false;
        SetActive(true);
    }
}

void TGLSoundManager::DefineProperties(TFiler& Filer)
{
    TGLCadenceAbleComponent::DefineProperties(Filer);
    DefineBooleanProperty(Filer, "Active", FActive, false, [this](bool v) { SetActive(v); });
    DefineIntegerProperty(Filer, "MaxChannels", FMaxChannels, 8, [this](int32_t v) { SetMaxChannels(v); });
    DefineIntegerProperty(Filer, "OutputFrequency", FOutputFrequency, 44100,
                          [this](int32_t v) { SetOutputFrequency(v); });
    DefineBooleanProperty(Filer, "Mute", FMute, false, [this](bool v) { SetMute(v); });
    DefineBooleanProperty(Filer, "Pause", FPause, false, [this](bool v) { SetPause(v); });
    DefineSingleProperty(Filer, "MasterVolume", FMasterVolume, 1, [this](float v) { SetMasterVolume(v); });
    DefineSingleProperty(Filer, "UpdateFrequency", FUpdateFrequency, 10, [this](float v) { SetUpdateFrequency(v); });
    DefineSingleProperty(Filer, "DistanceFactor", FDistanceFactor, 1, [this](float v) { SetDistanceFactor(v); });
    DefineSingleProperty(Filer, "RollOffFactor", FRollOffFactor, 1, [this](float v) { SetRollOffFactor(v); });
    DefineSingleProperty(Filer, "Doppler", FDopplerFactor, 1, [this](float v) { SetDopplerFactor(v); });
    DefineEnumProperty<TGLSoundEnvironment>(Filer, "Environment", cSoundEnvironmentNames, FSoundEnvironment, seDefault,
                                            [this](TGLSoundEnvironment v) { SetEnvironment(v); });
}

void TGLSoundManager::DoProgress(const TProgressTimes& progressTime)
{
    if (!FActive) return;
    const float newTime = static_cast<float>(progressTime.newTime);
    const float elapsed = newTime - FLastUpdateTime;
    if (elapsed <= 1 / FUpdateFrequency) return;
    FLastDeltaTime = elapsed;
    FLastUpdateTime = newTime;
    UpdateSources();
}

void TGLSoundManager::KillSource(TGLBaseSoundSource* /*aSource*/) {}

void TGLSoundManager::UpdateSource(TGLBaseSoundSource* aSource)
{
    aSource->SetChanges(TGLSoundSourceChanges());
}

void TGLSoundManager::MuteSource(TGLBaseSoundSource* /*aSource*/, bool /*muted*/) {}

void TGLSoundManager::PauseSource(TGLBaseSoundSource* /*aSource*/, bool /*paused*/) {}

void TGLSoundManager::UpdateSources()
{
    // An update may free its source; the sources before it keep their places.
    for (int32_t i = FSources->Count() - 1; i >= 0; --i)
        if (i < FSources->Count()) UpdateSource(FSources->Items(i));
}

void TGLSoundManager::StopAllSources()
{
    for (int32_t i = FSources->Count() - 1; i >= 0; --i)
        if (i < FSources->Count()) FSources->Delete(i);
}

void TGLSoundManager::ListenerFrame(TVector4f& position, TVector4f& velocity, TVector4f& direction, TVector4f& up)
{
    if (!FListener) {
        position = TVector4f{{{0, 0, 0, 1}}};
        velocity = TVector4f{{{0, 0, 0, 0}}};
        direction = TVector4f{{{0, 0, 1, 0}}};
        up = TVector4f{{{0, 1, 0, 0}}};
        return;
    }
    position = FListener->AbsolutePosition();
    velocity = TVector4f{{{0, 0, 0, 0}}};
    if (FLastDeltaTime != 0) {
        HmgSubtract(position, FLastListenerPosition, velocity);
        HmgScaleInPlace(velocity, 1 / FLastDeltaTime);
    }
    FLastListenerPosition = position;
    auto* camera = dynamic_cast<TGLCamera*>(FListener);
    if (camera && camera->TargetObject()) {
        direction = camera->AbsoluteVectorToTarget();
        HmgNormalizeInPlace(direction);
        up = FListener->AbsoluteYVector();
        TVector4f side;
        HmgCross(direction, up, side);
        HmgCross(side, direction, up);
    } else {
        direction = FListener->AbsoluteZVector();
        up = FListener->AbsoluteYVector();
    }
}

void TGLSoundManager::SetActive(bool Value)
{
    if (ComponentState() & (csLoading | csDesigning)) {
        FActive = Value;
        return;
    }
    if (Value == FActive) return;
    if (Value) {
        if (vActiveSoundManager) vActiveSoundManager->SetActive(false);
        if (DoActivate()) {
            FActive = true;
            vActiveSoundManager = this;
        }
        return;
    }
    TryFinally(
        [this] {
            StopAllSources();
            DoDeActivate();
        },
        [this] {
            FActive = false;
            vActiveSoundManager = nullptr;
        });
}

void TGLSoundManager::SetMaxChannels(int32_t Value)
{
    FMaxChannels = std::max(Value, 1);
}

void TGLSoundManager::SetOutputFrequency(int32_t Value)
{
    FOutputFrequency = std::max(Value, 11025);
}

void TGLSoundManager::SetMute(bool Value)
{
    if (Value == FMute) return;
    if (Value) {
        if (DoMute()) FMute = true;
    } else {
        DoUnMute();
        FMute = false;
    }
}

void TGLSoundManager::SetPause(bool Value)
{
    if (Value == FPause) return;
    if (Value) {
        if (DoPause()) FPause = true;
    } else {
        DoUnPause();
        FPause = false;
    }
}

void TGLSoundManager::TellSources(bool (TGLBaseSoundSource::*ownFlag)() const,
                                  void (TGLSoundManager::*tell)(TGLBaseSoundSource*, bool), bool state)
{
    for (int32_t i = 0; i < FSources->Count(); ++i)
        if (!(FSources->Items(i)->*ownFlag)()) (this->*tell)(FSources->Items(i), state);
}

bool TGLSoundManager::DoMute()
{
    TellSources(&TGLBaseSoundSource::Mute, &TGLSoundManager::MuteSource, true);
    return true;
}

void TGLSoundManager::DoUnMute()
{
    TellSources(&TGLBaseSoundSource::Mute, &TGLSoundManager::MuteSource, false);
}

bool TGLSoundManager::DoPause()
{
    TellSources(&TGLBaseSoundSource::Pause, &TGLSoundManager::PauseSource, true);
    return true;
}

void TGLSoundManager::DoUnPause()
{
    TellSources(&TGLBaseSoundSource::Pause, &TGLSoundManager::PauseSource, false);
}

void TGLSoundManager::SetMasterVolume(float Value)
{
    FMasterVolume = Value;
    NotifyMasterVolumeChange();
}

void TGLSoundManager::SetListener(TGLBaseSceneObject* Value)
{
    if (Value == FListener) return;
    if (FListener) FListener->RemoveFreeNotification(this);
    FListener = Value;
    if (FListener) FListener->FreeNotification(this);
}

void TGLSoundManager::SetUpdateFrequency(float Value)
{
    FUpdateFrequency = std::clamp(Value, 1.0f, 60.0f);
}

void TGLSoundManager::SetCadencer(TGLCadencer* Value)
{
    if (Value == FCadencer) return;
    if (FCadencer) FCadencer->UnSubscribe(this);
    FCadencer = Value;
    if (FCadencer) FCadencer->Subscribe(this);
}

void TGLSoundManager::SetDistanceFactor(float Value)
{
    FDistanceFactor = Value <= 0 ? 1 : Value;
    NotifyFactorsChange();
}

void TGLSoundManager::SetRollOffFactor(float Value)
{
    FRollOffFactor = Value <= 0 ? 1 : Value;
    NotifyFactorsChange();
}

void TGLSoundManager::SetDopplerFactor(float Value)
{
    FDopplerFactor = std::clamp(Value, 0.0f, 10.0f);
    NotifyFactorsChange();
}

void TGLSoundManager::SetEnvironment(TGLSoundEnvironment Value)
{
    if (Value == FSoundEnvironment) return;
    FSoundEnvironment = Value;
    NotifyEnvironmentChange();
}

// ---------------------------------------------------------------------------------------------------------
// TGLBSoundEmitter

TGLBSoundEmitter::TGLBSoundEmitter(TGLXCollection* aOwner)
    : TGLBehaviour(aOwner, XCollectionItemClassOf<TGLBSoundEmitter>()),
      FSource(std::make_unique<TGLSoundSource>(nullptr))
{
}

TGLBSoundEmitter::~TGLBSoundEmitter()
{
    if (FPlayingSource) delete FPlayingSource;
}

void TGLBSoundEmitter::Assign(TPersistent* Source)
{
    if (auto* emitter = dynamic_cast<TGLBSoundEmitter*>(Source)) FSource->Assign(emitter->FSource.get());
    TGLBehaviour::Assign(Source);
}

void TGLBSoundEmitter::WriteToFiler(TWriter& writer)
{
    TGLBehaviour::WriteToFiler(writer);
    writer.WriteInteger(0); // version
    FSource->WriteToFiler(writer);
    writer.WriteBoolean(FPlaying);
}

void TGLBSoundEmitter::ReadFromFiler(TReader& reader)
{
    TGLBehaviour::ReadFromFiler(reader);
    reader.ReadInteger(); // version, any
    FSource->ReadFromFiler(reader);
    FPlaying = reader.ReadBoolean();
}

void TGLBSoundEmitter::Loaded()
{
    TGLBehaviour::Loaded();
    if (!Designing()) SetPlaying(FPlaying);
}

bool TGLBSoundEmitter::Designing() const
{
    TGLBaseSceneObject* object = OwnerBaseSceneObject();
    return object && (object->ComponentState() & csDesigning);
}

bool TGLBSoundEmitter::Playing() const
{
    return Designing() ? FPlaying : FPlayingSource != nullptr;
}

void TGLBSoundEmitter::SetPlaying(bool Value)
{
    if (Designing()) {
        FPlaying = Value;
        return;
    }
    TGLSoundManager* manager = ActiveSoundManager();
    if (!manager) {
        // A game without a sound device asks for every footstep: say it once, not at every call.
        static bool logged = false;
        if (!logged) GlobalLogSession()->LogWarning(cNoActiveSoundManager);
        logged = true;
        return;
    }
    if (Value == (FPlayingSource != nullptr)) return;
    if (Value) {
        FPlayingSource = manager->Sources()->Add();
        FPlayingSource->SetBehaviourToNotify(this);
        FPlayingSource->Assign(FSource.get());
        FPlayingSource->SetOrigin(OwnerBaseSceneObject());
    } else {
        delete FPlayingSource; // its destruction clears FPlayingSource
    }
}

void TGLBSoundEmitter::NotifySourceDestruction(TGLSoundSource* aSource)
{
    // Called from the source's destructor, which must not raise: a stranger is reported, not asserted.
    if (aSource != FPlayingSource) {
        GlobalLogSession()->LogError("Assertion failure (" + std::string(cGLSoundUnit) + ")");
        return;
    }
    FPlayingSource = nullptr;
}

void RegisterGLSoundClasses()
{
    RegisterClass<TGLSoundLibrary>();
    AddXCollectionItemClass<TGLBSoundEmitter>();
}
