// Runtime library: exceptions and assertions, Format, locale-free number and text conversion, rounding and
// the monotonic clock.
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

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

// Text that is not a number, and format strings that do not fit their arguments.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A failed call of the operating system.
class EOSError : public Exception {
public:
    using Exception::Exception;
};

// A typecast of an object to a class it does not belong to.
class EInvalidCast : public Exception {
public:
    EInvalidCast() : Exception("Invalid class typecast") {}
};

// Raises EAbort.
[[noreturn]] void Abort();

// Raises EAssertionFailed with "%s (%s, line %d)", or "%s (%s)" when no line is given (0); an empty text reads
// "Assertion failure".
[[noreturn]] void AssertionFailed(std::string_view text, const char* unit, int line = 0);

// Raises EAssertionFailed when condition is false. Inline and string-free until it fails: assertions sit on hot
// paths (state changes, list access).
inline void Assert(bool condition, std::string_view text, const char* unit, int line = 0)
{
    if (!condition) AssertionFailed(text, unit, line);
}

// Runs body, then cleanUp on every way out of it (try ... finally), and returns what body returns. When body
// raises, its exception goes on and a failure of cleanUp is dropped; otherwise cleanUp's failure is raised. A
// function, not a guard object, so that the clean-up (an EndUpdate whose notification fails, say) may raise
// without a destructor that throws.
template <class TBody, class TCleanUp> decltype(auto) TryFinally(TBody&& body, TCleanUp&& cleanUp)
{
    const auto onFailure = [&] {
        try {
            cleanUp();
        } catch (...) {
            // the body's exception is the one the caller sees
        }
    };
    using TResult = std::invoke_result_t<TBody&>;
    if constexpr (std::is_void_v<TResult>) {
        try {
            body();
        } catch (...) {
            onFailure();
            throw;
        }
        cleanUp();
    } else {
        TResult result = [&]() -> TResult {
            try {
                return body();
            } catch (...) {
                onFailure();
                throw;
            }
        }();
        cleanUp();
        return result;
    }
}

// A field set for a scope and put back as it was on every way out of it, an exception included. Putting a
// value back cannot fail, so this one is a guard object.
template <class T> class TScopedValue {
public:
    // Keeps the field's value, to be put back at the end of the scope.
    explicit TScopedValue(T& field) : FField(field), FSaved(field) {}
    // Keeps the field's value and sets it to value for the scope.
    TScopedValue(T& field, T value) : FField(field), FSaved(std::exchange(field, std::move(value))) {}
    ~TScopedValue() { FField = std::move(FSaved); }
    TScopedValue(const TScopedValue&) = delete;
    TScopedValue& operator=(const TScopedValue&) = delete;

private:
    T& FField;
    T FSaved;
};

// One argument of Format: an integer, a 64-bit integer, a real or a text. The text is viewed, not copied, so
// a TVarRec lives only as long as the call it is made for.
class TVarRec {
public:
    enum TKind { vtInteger, vtInt64, vtExtended, vtString };

    // Integers up to 32 bits signed are vtInteger; wider or unsigned 32-bit ones vtInt64 (their bits kept).
    template <std::integral T>
        requires(!std::same_as<T, bool> && !std::same_as<T, char>)
    TVarRec(T value)
        : FKind(std::is_signed_v<T> && sizeof(T) <= 4 ? vtInteger : vtInt64), FInt(static_cast<int64_t>(value))
    {
    }
    TVarRec(double value) : FKind(vtExtended), FFloat(value) {}
    TVarRec(std::string_view value) : FKind(vtString), FText(value) {}
    TVarRec(const std::string& value) : FKind(vtString), FText(value) {}
    TVarRec(const char* value) : FKind(vtString), FText(value ? value : "") {}
    TVarRec(const char& value) : FKind(vtString), FText(&value, 1) {}
    TVarRec(bool) = delete; // the system's Format takes no Booleans

    TKind Kind() const { return FKind; }
    int64_t AsInt64() const { return FInt; }
    double AsExtended() const { return FFloat; }
    std::string_view AsString() const { return FText; }

private:
    TKind FKind;
    int64_t FInt = 0;
    double FFloat = 0;
    std::string_view FText;
};

// The system's formatter: "%" [index ":"] ["-"] [width] ["." precision] type, with types d, u, x (upper-case
// hexadecimal), e, f, g, s and "%%"; index, width and precision may be "*" (taken from the arguments). An index
// moves the argument counter, and later unindexed specifiers continue after it. Defaults: %f 2 decimals,
// %e and %g 15 significant digits. A specifier that does not fit its argument raises EConvertError.
std::string Format(std::string_view format, std::initializer_list<TVarRec> args);

std::string IntToStr(int64_t value);
// Upper-case hexadecimal, at least digits long; negative values as their 32- or 64-bit pattern.
std::string IntToHex(int32_t value, int digits);
std::string IntToHex(int64_t value, int digits);
// The shortest general form with 15 significant digits and "." as the separator ("0.1", "1E20", "NAN").
std::string FloatToStr(double value);

// Decimal integers with optional leading blanks and sign; anything else, or a value outside Integer, fails
// (StrToInt raises EConvertError "'text' is not a valid integer value").
int32_t StrToInt(std::string_view text);
int32_t StrToIntDef(std::string_view text, int32_t defaultValue);
bool TryStrToInt(std::string_view text, int32_t& value);
// Reals with "." or "," as the decimal separator, optional surrounding blanks, sign and exponent; a value
// beyond Double fails (StrToFloat raises EConvertError "'text' is not a valid floating point value").
double StrToFloat(std::string_view text);
bool TryStrToFloat(std::string_view text, double& value);

// Removes leading and trailing blanks and control characters.
std::string Trim(std::string_view text);
// ASCII case only, as the system's plain case routines.
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
// Case-insensitive order of UTF-8 texts, letters of other scripts included (string lists, path parts):
// negative, zero or positive.
int AnsiCompareText(std::string_view a, std::string_view b);

// The value returned by Round and Trunc for NaN and values outside Int64.
constexpr int64_t IndefiniteInteger = INT64_MIN;
// Rounds halves to even.
int64_t Round(double value);
int64_t Trunc(double value);

// Readings of the monotonic clock since an arbitrary start.
int64_t MonotonicMilliseconds();
int64_t MonotonicNanoseconds();
