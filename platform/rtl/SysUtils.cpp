#include "SysUtils.h"

void Abort()
{
    throw EAbort();
}

void Assert(bool condition, const std::string& text, const char* unit, int line)
{
    if (condition) return;
    throw EAssertionFailed((text.empty() ? std::string("Assertion failure") : text) + " (" + unit + ", line " +
                           std::to_string(line) + ")");
}
