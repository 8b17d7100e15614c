// The timer component: OnTimer every Interval milliseconds from the message loop.
#pragma once

#include "Components.h"
#include "Messages.h"
#include "Types.h"

#include <cstdint>

// No platform timer could be started.
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

// Runs while Enabled, with an Interval above 0 and an OnTimer handler. An exception from the handler goes
// to the application's exception display.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    uint32_t Interval() const { return FInterval; }
    void SetInterval(uint32_t Value);
    const TNotifyEvent& OnTimer() const { return FOnTimer; }
    // Setting the handler starts or stops the timer, so it is a setter rather than a plain member.
    void SetOnTimer(TNotifyEvent Value);

private:
    // Restarts the platform timer as the settings say; raises EOutOfResources "Not enough timers available"
    // when it cannot start.
    void UpdateTimer();
    void WndProc(TMessage& Message);

    bool FEnabled = true;
    uint32_t FInterval = 1000;
    TNotifyEvent FOnTimer;
    HWND FWindowHandle = nullptr;
};
