// The one way the tests check that a call raises: MessageOf<E>(call) answers the message of the E the call
// raises, so a check reads EXPECT_EQ(MessageOf<EReadError>([&] { ... }), "Stream read error").
#pragma once

#include "SysUtils.h"

#include <string>

// What MessageOf answers when the call returns normally.
inline const std::string cNoException = "(no exception)";

// The message of the E (or a descendant) that AAction raises; cNoException when it raises nothing. An
// exception of another class passes through, and the test fails on it.
template <class E = Exception, class F> std::string MessageOf(F&& AAction)
{
    try {
        AAction();
    } catch (const E& e) {
        return e.Message();
    }
    return cNoException;
}
