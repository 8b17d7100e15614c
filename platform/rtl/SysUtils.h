// Runtime library: exceptions and assertions.
#pragma once

#include <stdexcept>
#include <string>

// Base of every exception the system raises: a message text.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const std::string& Message() const { return FMessage; }
    void SetMessage(std::string message) { FMessage = std::move(message); }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

// The silent abort: ends the current operation; the application's exception display passes it over.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

// Raised by Assert: "text (unit, line N)".
class EAssertionFailed : public Exception {
public:
    using Exception::Exception;
};

// Raises EAbort.
[[noreturn]] void Abort();

// Raises EAssertionFailed with "%s (%s, line %d)" when condition is false; an empty text reads
// "Assertion failure".
void Assert(bool condition, const std::string& text, const char* unit, int line);
