// The frame clock: measures elapsed time, cuts it into progress steps and drives the scene, the components
// subscribed to it and its own progress events. It ticks when called (cmManual), as soon as possible through
// a hidden window that keeps posting itself the registered message "TickGLCadencer" (cmASAP), or from the
// application's idle event (cmApplicationIdle).
#pragma once

#include "GLBaseClasses.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class TVAVodad;

enum TGLCadencerMode { cmManual, cmASAP, cmApplicationIdle };
enum TGLCadencerTimeReference { cmRTC, cmPerformanceCounter, cmExternal };

class TGLCadencer : public TComponent {
public:
    explicit TGLCadencer(TComponent* AOwner);
    // Freed while it progresses (by its own event, say), the running tick stops at once; the cadencer's
    // memory and its events live on until that tick has unwound.
    ~TGLCadencer() override;
    static void* operator new(std::size_t size) { return ::operator new(size); }
    static void operator delete(void* p);

    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void DefineProperties(TFiler& Filer) override;

    // One tick: one or more progress steps of the scene, the subscribers and OnProgress, then OnTotalProgress.
    void Progress();
    // (raw reference time - OriginTime) x TimeMultiplier, kept as CurrentTime.
    double GetCurrenttime();
    // The clock restarts at 0.
    void Reset();
    bool IsBusy() const { return FProgressing != 0; }

    // Subscribers take DoProgress after the scene in every step, in the order they subscribed.
    void Subscribe(TGLCadenceAbleComponent* aComponent);
    void UnSubscribe(TGLCadenceAbleComponent* aComponent);

    TVAVodad* Scene() const { return FScene; }
    void SetScene(TVAVodad* Value);
    bool Enabled() const { return FEnabled; }
    // Disabled time is skipped: enabled again, the clock goes on from where it stopped.
    void SetEnabled(bool Value);
    TGLCadencerTimeReference TimeReference() const { return FTimeReference; }
    void SetTimeReference(TGLCadencerTimeReference Value) { FTimeReference = Value; }
    double TimeMultiplier() const { return FTimeMultiplier; }
    // Keeps the clock continuous; 0 pauses it (disables the cadencer), a later non-zero value resumes it.
    void SetTimeMultiplier(double Value);
    double MaxDeltaTime() const { return FMaxDeltaTime; }
    void SetMaxDeltaTime(double Value) { FMaxDeltaTime = Value; }
    double MinDeltaTime() const { return FMinDeltaTime; }
    void SetMinDeltaTime(double Value) { FMinDeltaTime = Value; }
    double FixedDeltaTime() const { return FFixedDeltaTime; }
    void SetFixedDeltaTime(double Value) { FFixedDeltaTime = Value; }
    TGLCadencerMode Mode() const { return FMode; }
    void SetMode(TGLCadencerMode Value);
    // Milliseconds slept before each tick; -1: none.
    int32_t SleepLength() const { return FSleepLength; }
    void SetSleepLength(int32_t Value) { FSleepLength = Value; }
    double OriginTime() const { return FOriginTime; }
    void SetOriginTime(double Value) { FOriginTime = Value; }
    double CurrentTime() const { return FCurrentTime; }
    // Moves the clock to Value without a jump in the next step's delta time.
    void SetCurrentTime(double Value);

    // Per step: the step's delta time and the tick's cadencer time.
    TGLProgressEvent OnProgress;
    // Per tick: the whole delta time and the time before the tick.
    TGLProgressEvent OnTotalProgress;

private:
    friend class TASAPHandler;

    double GetRawReferenceTime();
    // Joins or leaves the tick chain or the idle event as mode, scene and Enabled say.
    void RestartASAP();
    void RegisterASAPCadencer();
    void UnRegisterASAPCadencer();

    std::vector<TGLCadenceAbleComponent*> FSubscribedCadenceableComponents;
    TVAVodad* FScene = nullptr;
    double FTimeMultiplier = 1;
    double lastTime = 0;
    double downTime = 0;
    double lastMultiplier = 0;
    bool FEnabled = false;
    int32_t FSleepLength = -1;
    TGLCadencerMode FMode = cmManual;
    TGLCadencerTimeReference FTimeReference = cmPerformanceCounter;
    double FCurrentTime = 0;
    double FOriginTime = 0;
    double FMaxDeltaTime = 0;
    double FMinDeltaTime = 0;
    double FFixedDeltaTime = 0;
    // Nesting count of Progress; negated while the scene progresses (a tick from inside it is dropped).
    int32_t FProgressing = 0;
    // The innermost running Progress.
    struct TProgressFrame;
    TProgressFrame* FFrame = nullptr;
};

// Registers TGLCadencer for component streaming and the tick message; program start-up calls it.
void RegisterGLCadencer();
