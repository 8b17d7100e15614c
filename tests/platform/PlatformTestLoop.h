// Runs the message loop in a test until something has happened.
#pragma once

#include "Forms.h"
#include "Windows.h"

// Handles messages until the condition holds; false when it does not within a second.
template <class F> bool ProcessUntil(F Condition)
{
    const int64_t deadline = MonotonicMilliseconds() + 1000;
    while (!Condition()) {
        if (MonotonicMilliseconds() > deadline) return false;
        Application->ProcessMessages();
    }
    return true;
}
