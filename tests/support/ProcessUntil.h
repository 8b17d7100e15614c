// Runs the message loop in a test until something has happened, waiting for messages in between.
#pragma once

#include "Forms.h"
#include "Windows.h"

#include <cstdint>

// Handles messages until the condition holds; false when it does not within ATimeout milliseconds. Between
// rounds it waits in WaitMessage for the next message or event; a timer of its own ends the wait at the deadline.
template <class F> bool ProcessUntil(F ACondition, uint32_t ATimeout = 1000)
{
    bool late = false;
    const HWND deadline = AllocateHWnd([&](TMessage& AMessage) { late = late || AMessage.Msg == WM_TIMER; });
    SetTimer(deadline, 1, ATimeout);
    while (!ACondition() && !late) {
        WaitMessage();
        Application->ProcessMessages();
    }
    DeallocateHWnd(deadline);
    return ACondition();
}
