#include "GLCadencer.h"

#include "ComponentStreams.h"
#include "Forms.h"
#include "VAVodad.h"
#include "Windows.h"
#include "ZODLog.h"

#include <algorithm>
#include <chrono>

// ---------------------------------------------------------------------------------------------------------
// The tick chain: a hidden window that posts itself the tick message and ticks every as-soon-as-possible
// cadencer on each one, yielding to the message loop in between.

class TASAPHandler;

namespace {

uint32_t vWMTickCadencer = 0;
// The as-soon-as-possible cadencers; an entry is cleared when its cadencer leaves and the list is packed by
// the tick handler. Null while no chain runs.
std::vector<TGLCadencer*>* vASAPCadencerList = nullptr;
TASAPHandler* vHandler = nullptr;
// Guards the ticking step of the handler against re-entry from messages processed inside a tick.
bool vHandlingMessage = false;
// The cadencer whose handler sits in the application's idle event.
TGLCadencer* vIdleCadencer = nullptr;

constexpr uintptr_t cTimerId = 1;
// More consecutive tick messages than this inside one millisecond tick start the 1 ms timer.
constexpr int32_t cTooFastLimit = 5000;

uint32_t TickMessage()
{
    if (!vWMTickCadencer) vWMTickCadencer = RegisterWindowMessage("TickGLCadencer");
    return vWMTickCadencer;
}

} // namespace

class TASAPHandler {
public:
    // Makes the hidden window and posts the first tick.
    TASAPHandler()
    {
        FWindowHandle = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
        PostMessage(FWindowHandle, TickMessage(), 0, 0);
    }
    ~TASAPHandler()
    {
        if (FTimer) KillTimer(FWindowHandle, FTimer);
        DeallocateHWnd(FWindowHandle);
    }

private:
    void WndProc(TMessage& Message);

    int32_t FTooFastCounter = 0;
    uintptr_t FTimer = 0;
    HWND FWindowHandle = nullptr;
};

void TASAPHandler::WndProc(TMessage& Message)
{
    Message.Result = 0;
    const bool isTimer = Message.Msg == WM_TIMER;
    if (isTimer && FTimer) {
        KillTimer(FWindowHandle, FTimer);
        FTimer = 0;
    }
    // The starvation guard: a chain of ticks inside one millisecond yields to the loop through a timer.
    if (isTimer || GetMessageTime() != GetTickCount())
        FTooFastCounter = 0;
    else if (++FTooFastCounter > cTooFastLimit) {
        if (!FTimer) FTimer = SetTimer(FWindowHandle, cTimerId, 1);
        FTooFastCounter = 0;
    }
    if (FTimer || vHandlingMessage || !(isTimer || Message.Msg == vWMTickCadencer)) return;

    {
        const TScopedValue handling(vHandlingMessage, true);
        std::vector<TGLCadencer*>& list = *vASAPCadencerList;
        // Entries may be cleared (never removed) while cadencers tick; the ones added meanwhile wait.
        for (size_t i = list.size(); i-- > 0;) {
            TGLCadencer* cad = list[i];
            if (!cad || cad->FMode != cmASAP || !cad->FEnabled || cad->FProgressing != 0) continue;
            if (Application && Application->Terminated()) {
                cad->SetEnabled(false);
                continue;
            }
            try {
                cad->Progress();
            } catch (...) {
                const bool alive = list[i] == cad; // not freed by its own tick
                if (Application) Application->HandleException(alive ? cad : nullptr);
                if (alive) cad->SetEnabled(false);
            }
        }
        std::erase(list, nullptr);
    }

    if (!vASAPCadencerList->empty()) {
        PostMessage(FWindowHandle, vWMTickCadencer, 0, 0);
        return;
    }
    // The last cadencer left: the chain ends (the next registration starts it again). The window goes while
    // its procedure runs, which the window layer allows; nothing of this object is touched afterwards.
    delete vASAPCadencerList;
    vASAPCadencerList = nullptr;
    TASAPHandler* self = vHandler;
    vHandler = nullptr;
    delete self;
}

// ---------------------------------------------------------------------------------------------------------

namespace {

// Cadencers freed while they progress: their memory stays until their outermost tick has unwound.
std::vector<void*> vHeldCadencers;

} // namespace

// One running Progress: counts the nesting and learns when the cadencer is freed under it.
struct TGLCadencer::TProgressFrame {
    explicit TProgressFrame(TGLCadencer* ASelf) : Self(ASelf), Outer(ASelf->FFrame)
    {
        Self->FFrame = this;
        ++Self->FProgressing;
    }
    ~TProgressFrame()
    {
        if (!Freed) {
            --Self->FProgressing;
            Self->FFrame = Outer;
        } else if (!Outer) {
            std::erase(vHeldCadencers, static_cast<void*>(Self));
            ::operator delete(Self);
        }
    }
    TGLCadencer* Self;
    TProgressFrame* Outer;
    bool Freed = false;
    // The events of a freed cadencer: the one running may still use what it captured.
    TGLProgressEvent KeptOnProgress, KeptOnTotalProgress;
};

TGLCadencer::TGLCadencer(TComponent* AOwner) : TComponent(AOwner)
{
    downTime = GetRawReferenceTime();
    FOriginTime = downTime;
    SetMode(cmASAP);
    SetEnabled(true);
}

TGLCadencer::~TGLCadencer()
{
    if (FFrame) {
        GlobalLogSession()->LogError("A cadencer was freed while it progressed");
        TProgressFrame* outermost = FFrame;
        for (TProgressFrame* frame = FFrame; frame; frame = frame->Outer) {
            frame->Freed = true;
            outermost = frame;
        }
        outermost->KeptOnProgress = std::move(OnProgress);
        outermost->KeptOnTotalProgress = std::move(OnTotalProgress);
        vHeldCadencers.push_back(this);
    }
    UnRegisterASAPCadencer();
    for (TGLCadenceAbleComponent* subscriber : FSubscribedCadenceableComponents)
        subscriber->RemoveFreeNotification(this);
    if (FScene) FScene->RemoveFreeNotification(this);
}

void TGLCadencer::operator delete(void* p)
{
    if (std::find(vHeldCadencers.begin(), vHeldCadencers.end(), p) == vHeldCadencers.end()) ::operator delete(p);
}

void TGLCadencer::Loaded()
{
    TComponent::Loaded();
    RestartASAP();
}

void TGLCadencer::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove) {
        if (AComponent == FScene) FScene = nullptr;
        std::erase(FSubscribedCadenceableComponents, AComponent);
    }
    TComponent::Notification(AComponent, Operation);
}

namespace {

// The cadencer stores its enumerations as numbers; a number that names no value is refused.
template <class TEnum> TEnum ReadEnumNumber(TReader& reader, TEnum last)
{
    const int32_t value = reader.ReadInteger();
    if (value < 0 || value > static_cast<int32_t>(last)) throw EReadError("Invalid property value");
    return static_cast<TEnum>(value);
}

} // namespace

void TGLCadencer::DefineProperties(TFiler& Filer)
{
    TComponent::DefineProperties(Filer);
    Filer.DefineProperty(
        "Enabled", [this](TReader& reader) { SetEnabled(reader.ReadBoolean()); },
        [this](TWriter& writer) { writer.WriteBoolean(FEnabled); }, !FEnabled);
    Filer.DefineProperty(
        "TimeReference",
        [this](TReader& reader) { SetTimeReference(ReadEnumNumber(reader, cmExternal)); },
        [this](TWriter& writer) { writer.WriteInteger(FTimeReference); }, FTimeReference != cmPerformanceCounter);
    Filer.DefineProperty(
        "TimeMultiplier", [this](TReader& reader) { SetTimeMultiplier(reader.ReadFloat()); },
        [this](TWriter& writer) { writer.WriteFloat(FTimeMultiplier); }, FTimeMultiplier != 1);
    Filer.DefineProperty(
        "MaxDeltaTime", [this](TReader& reader) { FMaxDeltaTime = reader.ReadFloat(); },
        [this](TWriter& writer) { writer.WriteFloat(FMaxDeltaTime); }, FMaxDeltaTime != 0);
    Filer.DefineProperty(
        "MinDeltaTime", [this](TReader& reader) { FMinDeltaTime = reader.ReadFloat(); },
        [this](TWriter& writer) { writer.WriteFloat(FMinDeltaTime); }, FMinDeltaTime != 0);
    Filer.DefineProperty(
        "FixedDeltaTime", [this](TReader& reader) { FFixedDeltaTime = reader.ReadFloat(); },
        [this](TWriter& writer) { writer.WriteFloat(FFixedDeltaTime); }, FFixedDeltaTime != 0);
    Filer.DefineProperty(
        "Mode", [this](TReader& reader) { SetMode(ReadEnumNumber(reader, cmApplicationIdle)); },
        [this](TWriter& writer) { writer.WriteInteger(FMode); }, FMode != cmASAP);
    Filer.DefineProperty(
        "SleepLength", [this](TReader& reader) { FSleepLength = reader.ReadInteger(); },
        [this](TWriter& writer) { writer.WriteInteger(FSleepLength); }, FSleepLength != -1);
}

double TGLCadencer::GetRawReferenceTime()
{
    switch (FTimeReference) {
    case cmRTC: {
        // The date-time scale: days since 1899-12-30, in seconds.
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        return std::chrono::duration<double>(now).count() + 25569.0 * 86400.0;
    }
    case cmPerformanceCounter: {
        int64_t frequency = 0, count = 0;
        QueryPerformanceCounter(count);
        // Without a counter frequency the millisecond tick count stands in.
        if (!QueryPerformanceFrequency(frequency) || frequency <= 0) return GetTickCount() / 1000.0;
        return static_cast<double>(count) / static_cast<double>(frequency);
    }
    case cmExternal:
        return FCurrentTime;
    }
    Assert(false, "", "VAVodad\\Source\\GLCadencer");
    return 0;
}

double TGLCadencer::GetCurrenttime()
{
    FCurrentTime = (GetRawReferenceTime() - FOriginTime) * FTimeMultiplier;
    return FCurrentTime;
}

void TGLCadencer::SetCurrentTime(double Value)
{
    lastTime = Value - (FCurrentTime - lastTime);
    // The origin is raw time: the shift in cadencer time is scaled back by the multiplier (the one to come
    // back while paused).
    const double multiplier = FTimeMultiplier != 0 ? FTimeMultiplier : lastMultiplier;
    if (multiplier != 0) FOriginTime += (FCurrentTime - Value) / multiplier;
    FCurrentTime = Value;
}

void TGLCadencer::Reset()
{
    lastTime = 0;
    downTime = GetRawReferenceTime();
    FOriginTime = downTime;
}

void TGLCadencer::Subscribe(TGLCadenceAbleComponent* aComponent)
{
    if (std::find(FSubscribedCadenceableComponents.begin(), FSubscribedCadenceableComponents.end(), aComponent) !=
        FSubscribedCadenceableComponents.end())
        return;
    FSubscribedCadenceableComponents.push_back(aComponent);
    aComponent->FreeNotification(this);
}

void TGLCadencer::UnSubscribe(TGLCadenceAbleComponent* aComponent)
{
    auto it = std::find(FSubscribedCadenceableComponents.begin(), FSubscribedCadenceableComponents.end(),
                        aComponent);
    if (it == FSubscribedCadenceableComponents.end()) return;
    FSubscribedCadenceableComponents.erase(it);
    aComponent->RemoveFreeNotification(this);
}

void TGLCadencer::SetScene(TVAVodad* Value)
{
    if (Value == FScene) return;
    if (FScene) FScene->RemoveFreeNotification(this);
    FScene = Value;
    if (FScene) FScene->FreeNotification(this);
    RestartASAP();
}

void TGLCadencer::SetEnabled(bool Value)
{
    if (Value == FEnabled) return;
    FEnabled = Value;
    if (ComponentState() & csDesigning) return;
    if (FEnabled)
        FOriginTime = GetRawReferenceTime() + FOriginTime - downTime;
    else
        downTime = GetRawReferenceTime();
    RestartASAP();
}

void TGLCadencer::SetTimeMultiplier(double Value)
{
    if (Value == FTimeMultiplier) return;
    if (Value != 0) {
        const double r = GetRawReferenceTime();
        double old = FTimeMultiplier;
        if (old == 0) {
            SetEnabled(true);
            old = lastMultiplier;
        }
        FOriginTime = r - (r - FOriginTime) * old / Value;
    } else {
        lastMultiplier = FTimeMultiplier;
        SetEnabled(false);
    }
    FTimeMultiplier = Value;
}

void TGLCadencer::SetMode(TGLCadencerMode Value)
{
    if (Value == FMode) return;
    if (FMode != cmManual) UnRegisterASAPCadencer();
    FMode = Value;
    RestartASAP();
}

void TGLCadencer::RestartASAP()
{
    if (ComponentState() & csLoading) return;
    if ((FMode != cmASAP && FMode != cmApplicationIdle) || (ComponentState() & csDesigning) || !FScene ||
        !FEnabled)
        UnRegisterASAPCadencer();
    else
        RegisterASAPCadencer();
}

void TGLCadencer::RegisterASAPCadencer()
{
    if (FMode == cmASAP) {
        if (!vASAPCadencerList) vASAPCadencerList = new std::vector<TGLCadencer*>;
        if (std::find(vASAPCadencerList->begin(), vASAPCadencerList->end(), this) == vASAPCadencerList->end())
            vASAPCadencerList->push_back(this);
        if (!vHandler) vHandler = new TASAPHandler;
    } else if (FMode == cmApplicationIdle && Application) {
        vIdleCadencer = this;
        Application->OnIdle = [this](TObject*, bool& Done) {
            Progress();
            Done = false;
        };
    }
}

void TGLCadencer::UnRegisterASAPCadencer()
{
    if (vASAPCadencerList) std::replace(vASAPCadencerList->begin(), vASAPCadencerList->end(), this,
                                        static_cast<TGLCadencer*>(nullptr));
    // Only the handler this cadencer put there leaves the idle event.
    if (vIdleCadencer == this) {
        vIdleCadencer = nullptr;
        if (Application) Application->OnIdle = nullptr;
    }
}

void TGLCadencer::Progress()
{
    if (FProgressing < 0) return; // a tick from inside the scene's progress
    if (FEnabled) {
        if (FSleepLength >= 0) Sleep(static_cast<uint32_t>(FSleepLength));
        if (FMode == cmASAP) {
            if (Application) Application->ProcessMessages();
            // The messages may have freed this cadencer: the module list answers without touching it.
            if (!vASAPCadencerList ||
                std::find(vASAPCadencerList->begin(), vASAPCadencerList->end(), this) == vASAPCadencerList->end())
                return;
        }
    }
    TProgressFrame frame(this);
    if (!FEnabled) return;
    double t = GetCurrenttime();
    double dt = t - lastTime;
    if (dt < 0) dt = 0; // the clock was set back: no step backwards in time
    if (dt < FMinDeltaTime || dt < FFixedDeltaTime) return;
    if (FMaxDeltaTime > 0 && dt > FMaxDeltaTime) {
        FOriginTime += (dt - FMaxDeltaTime) / FTimeMultiplier;
        dt = FMaxDeltaTime;
        t = lastTime + dt;
    }
    const double total = dt;
    const double previous = lastTime;
    const double step = FFixedDeltaTime > 0 ? FFixedDeltaTime : dt;
    double remaining = dt;
    const bool designing = ComponentState() & csDesigning;
    while (remaining >= step) {
        lastTime += step;
        if (FScene && step != 0) {
            FProgressing = -FProgressing;
            TryFinally([&] { FScene->Progress(step, lastTime); }, [&] {
                if (!frame.Freed) FProgressing = -FProgressing;
            });
            if (frame.Freed) return;
        }
        const TProgressTimes times{step, lastTime};
        for (size_t i = 0; i < FSubscribedCadenceableComponents.size(); ++i) {
            FSubscribedCadenceableComponents[i]->DoProgress(times);
            if (frame.Freed) return;
        }
        if (OnProgress && !designing) {
            OnProgress(this, step, t);
            if (frame.Freed) return;
        }
        if (step <= 0) break;
        remaining -= step;
    }
    if (OnTotalProgress && !designing) OnTotalProgress(this, total, previous);
}

void RegisterGLCadencer()
{
    RegisterClass<TGLCadencer>();
    TickMessage();
}
