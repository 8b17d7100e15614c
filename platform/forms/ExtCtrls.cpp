#include "ExtCtrls.h"

#include "Forms.h"
#include "Windows.h"

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner)
{
    FWindowHandle = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
}

TTimer::~TTimer()
{
    FEnabled = false;
    KillTimer(FWindowHandle, 1);
    DeallocateHWnd(FWindowHandle);
}

void TTimer::SetEnabled(bool Value)
{
    if (Value == FEnabled) return;
    FEnabled = Value;
    UpdateTimer();
}

void TTimer::SetInterval(uint32_t Value)
{
    if (Value == FInterval) return;
    FInterval = Value;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Value)
{
    FOnTimer = std::move(Value);
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    KillTimer(FWindowHandle, 1);
    if (FInterval != 0 && FEnabled && FOnTimer)
        if (SetTimer(FWindowHandle, 1, FInterval) == 0) throw EOutOfResources("Not enough timers available");
}

void TTimer::WndProc(TMessage& Message)
{
    if (Message.Msg != WM_TIMER) return;
    try {
        if (FEnabled && FOnTimer) FOnTimer(this);
    } catch (...) {
        if (!Application) throw;
        Application->HandleException(this);
    }
}
