#include "SysUtils.h"

#include "TextEncoding.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <locale.h>

void Abort()
{
    throw EAbort();
}

void AssertionFailed(std::string_view text, const char* unit, int line)
{
    const std::string where = line != 0 ? std::string(unit) + ", line " + std::to_string(line) : std::string(unit);
    throw EAssertionFailed((text.empty() ? std::string("Assertion failure") : std::string(text)) + " (" + where + ")");
}

// Number to text

namespace {

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

std::string UnsignedToText(uint64_t value, int base, int minDigits)
{
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, base).ptr;
    std::string text(buffer, end);
    for (char& c : text)
        if (c >= 'a') c = static_cast<char>(c - 32);
    if (static_cast<int>(text.size()) < minDigits) text.insert(0, minDigits - text.size(), '0');
    return text;
}

std::string SignedToText(int64_t value, int minDigits)
{
    const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    return (value < 0 ? "-" : "") + UnsignedToText(magnitude, 10, minDigits);
}

// NaN and infinities read "NAN", "INF" and "-INF" in every float format.
bool SpecialFloatText(double value, std::string& text)
{
    if (std::isnan(value))
        text = "NAN";
    else if (std::isinf(value))
        text = value < 0 ? "-INF" : "INF";
    else
        return false;
    return true;
}

// A real as decimal digits: value = 0.d1d2d3... x 10^Exponent, without trailing zeros (none for zero).
struct TDecimal {
    bool Negative = false;
    std::string Digits;
    int Exponent = 0;
};

// The value to 18 significant digits, then rounded half away from zero to count digits after the first one
// (count <= 0 rounds at or before it). Rounding the 18-digit form is what the system's float texts do.
TDecimal ToDecimal(double value, int count)
{
    char buffer[40];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 17).ptr;
    const std::string_view text(buffer, end - buffer);
    TDecimal d;
    d.Negative = text[0] == '-';
    const size_t e = text.find('e');
    for (char c : text.substr(0, e))
        if (c >= '0' && c <= '9') d.Digits += c;
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(), d.Exponent);
    d.Exponent += 1;
    if (count < 0) {
        d.Digits.clear();
    } else if (static_cast<size_t>(count) < d.Digits.size()) {
        const bool up = d.Digits[count] >= '5';
        d.Digits.resize(count);
        if (up) {
            int i = count - 1;
            for (; i >= 0 && d.Digits[i] == '9'; --i) d.Digits[i] = '0';
            if (i >= 0) {
                ++d.Digits[i];
            } else {
                d.Digits.insert(0, 1, '1');
                ++d.Exponent;
            }
        }
    }
    while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
    if (d.Digits.empty()) d = TDecimal(); // no "-0"
    return d;
}

// The digit at position i of the decimal (0 is the first significant one), '0' outside the digits.
char DigitAt(const TDecimal& d, int i)
{
    return i >= 0 && i < static_cast<int>(d.Digits.size()) ? d.Digits[i] : '0';
}

std::string FixedText(double value, int decimals)
{
    std::string text;
    if (SpecialFloatText(value, text)) return text;
    const int exponent = ToDecimal(value, 18).Exponent; // where the point falls before rounding
    TDecimal d = ToDecimal(value, exponent + decimals);
    if (d.Negative) text += '-';
    if (d.Exponent <= 0 || d.Digits.empty()) text += '0';
    for (int i = 0; i < d.Exponent; ++i) text += DigitAt(d, i);
    if (decimals > 0) text += '.';
    for (int i = 0; i < decimals; ++i) text += DigitAt(d, d.Exponent + i);
    return text;
}

void AppendExponent(std::string& text, int exponent, bool plusSign, int minDigits)
{
    text += 'E';
    if (exponent < 0)
        text += '-';
    else if (plusSign)
        text += '+';
    text += UnsignedToText(static_cast<uint64_t>(std::abs(exponent)), 10, minDigits);
}

// Fixed notation while the integer part fits in the precision and the value is at least 0.0001, else
// scientific; trailing zeros and a bare point are dropped.
std::string GeneralText(double value, int precision, int minExponentDigits)
{
    std::string text;
    if (SpecialFloatText(value, text)) return text;
    const TDecimal d = ToDecimal(value, precision);
    if (d.Digits.empty()) return "0";
    if (d.Negative) text += '-';
    const int count = static_cast<int>(d.Digits.size());
    if (d.Exponent > precision || d.Exponent < -3) {
        text += d.Digits[0];
        if (count > 1) text += '.' + d.Digits.substr(1);
        AppendExponent(text, d.Exponent - 1, false, minExponentDigits);
    } else if (d.Exponent <= 0) {
        text += "0." + std::string(-d.Exponent, '0') + d.Digits;
    } else {
        for (int i = 0; i < d.Exponent; ++i) text += DigitAt(d, i);
        if (count > d.Exponent) text += '.' + d.Digits.substr(d.Exponent);
    }
    return text;
}

// "-d.dddE+ddd" with precision significant digits.
std::string ExponentText(double value, int precision)
{
    std::string text;
    if (SpecialFloatText(value, text)) return text;
    const TDecimal d = ToDecimal(value, precision);
    if (d.Negative) text += '-';
    text += DigitAt(d, 0);
    if (precision > 1) text += '.';
    for (int i = 1; i < precision; ++i) text += DigitAt(d, i);
    AppendExponent(text, d.Digits.empty() ? 0 : d.Exponent - 1, true, 3);
    return text;
}

// Format

class TFormatter {
public:
    TFormatter(std::string_view format, std::initializer_list<TVarRec> args) : FFormat(format), FArgs(args) {}

    std::string Run()
    {
        std::string out;
        out.reserve(FFormat.size() + 16);
        for (size_t pos = 0; pos < FFormat.size();) {
            const size_t percent = FFormat.find('%', pos);
            out.append(FFormat.substr(pos, percent == std::string_view::npos ? percent : percent - pos));
            if (percent == std::string_view::npos) break;
            FPos = percent + 1;
            if (FPos < FFormat.size() && FFormat[FPos] == '%') {
                out += '%';
                pos = FPos + 1;
                continue;
            }
            out += Specifier();
            pos = FPos;
        }
        return out;
    }

private:
    [[noreturn]] void Invalid() const
    {
        throw EConvertError("Format '" + std::string(FFormat) + "' invalid or incompatible with argument");
    }

    const TVarRec& NextArgument()
    {
        if (FArgIndex >= FArgs.size())
            throw EConvertError("No argument for format '" + std::string(FFormat) + "'");
        return FArgs.begin()[FArgIndex++];
    }

    bool AtDigitOrStar() const
    {
        return FPos < FFormat.size() && (FFormat[FPos] == '*' || (FFormat[FPos] >= '0' && FFormat[FPos] <= '9'));
    }

    // A decimal number or "*" (an Integer argument); -1 when neither stands here.
    int Number()
    {
        if (!AtDigitOrStar()) return -1;
        if (FFormat[FPos] == '*') {
            ++FPos;
            const TVarRec& arg = NextArgument();
            if (arg.Kind() != TVarRec::vtInteger) Invalid();
            return static_cast<int>(arg.AsInt64());
        }
        int value = 0;
        while (FPos < FFormat.size() && FFormat[FPos] >= '0' && FFormat[FPos] <= '9') {
            value = value * 10 + (FFormat[FPos++] - '0');
            if (value > 1'000'000) Invalid();
        }
        return value;
    }

    std::string Specifier()
    {
        // An index is a number followed by ':'; otherwise the number is the width.
        size_t digitsEnd = FPos;
        while (digitsEnd < FFormat.size() && FFormat[digitsEnd] >= '0' && FFormat[digitsEnd] <= '9') ++digitsEnd;
        if (FPos < FFormat.size() && FFormat[FPos] == '*') digitsEnd = FPos + 1;
        if (digitsEnd > FPos && digitsEnd < FFormat.size() && FFormat[digitsEnd] == ':') {
            const int index = Number();
            if (index < 0) Invalid();
            FArgIndex = static_cast<size_t>(index);
            ++FPos;
        }
        bool left = false;
        if (FPos < FFormat.size() && FFormat[FPos] == '-') {
            left = true;
            ++FPos;
        }
        const int width = Number();
        int precision = -1;
        if (FPos < FFormat.size() && FFormat[FPos] == '.') {
            ++FPos;
            precision = std::max(Number(), 0);
        }
        if (FPos >= FFormat.size()) Invalid();
        const char type = AsciiLower(FFormat[FPos++]);
        std::string text = Convert(type, precision, NextArgument());
        if (width > static_cast<int>(text.size()))
            text.insert(left ? text.end() : text.begin(), width - text.size(), ' ');
        return text;
    }

    std::string Convert(char type, int precision, const TVarRec& arg) const
    {
        const bool isInteger = arg.Kind() == TVarRec::vtInteger || arg.Kind() == TVarRec::vtInt64;
        // %u and %x show the bits of the argument's own width.
        const uint64_t bits = arg.Kind() == TVarRec::vtInteger ? static_cast<uint32_t>(arg.AsInt64())
                                                               : static_cast<uint64_t>(arg.AsInt64());
        switch (type) {
        case 'd':
            if (!isInteger) Invalid();
            return SignedToText(arg.AsInt64(), precision);
        case 'u':
            if (!isInteger) Invalid();
            return UnsignedToText(bits, 10, precision);
        case 'x':
            if (!isInteger) Invalid();
            return UnsignedToText(bits, 16, precision);
        case 'f':
            if (arg.Kind() != TVarRec::vtExtended) Invalid();
            return FixedText(arg.AsExtended(), precision < 0 ? 2 : std::min(precision, 18));
        case 'e':
        case 'g': {
            if (arg.Kind() != TVarRec::vtExtended) Invalid();
            const int digits = precision < 1 || precision > 18 ? 15 : precision;
            return type == 'e' ? ExponentText(arg.AsExtended(), digits) : GeneralText(arg.AsExtended(), digits, 3);
        }
        case 's':
            if (arg.Kind() != TVarRec::vtString) Invalid();
            return std::string(precision < 0 ? arg.AsString() : arg.AsString().substr(0, precision));
        default:
            Invalid();
        }
    }

    std::string_view FFormat;
    std::initializer_list<TVarRec> FArgs;
    size_t FPos = 0;
    size_t FArgIndex = 0;
};

// The C locale for strtod, which tells overflow and underflow apart where from_chars does not.
locale_t CLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", nullptr);
    return locale;
}

} // namespace

std::string Format(std::string_view format, std::initializer_list<TVarRec> args)
{
    return TFormatter(format, args).Run();
}

std::string IntToStr(int64_t value)
{
    return SignedToText(value, 0);
}

std::string IntToHex(int32_t value, int digits)
{
    return UnsignedToText(static_cast<uint32_t>(value), 16, digits);
}

std::string IntToHex(int64_t value, int digits)
{
    return UnsignedToText(static_cast<uint64_t>(value), 16, digits);
}

std::string FloatToStr(double value)
{
    return GeneralText(value, 15, 0);
}

// Text to number

bool TryStrToInt(std::string_view text, int32_t& value)
{
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    if (pos < text.size() && text[pos] == '+') { // from_chars takes '-' only
        ++pos;
        if (pos < text.size() && text[pos] == '-') return false;
    }
    const char* end = text.data() + text.size();
    int32_t parsed = 0;
    const auto result = std::from_chars(text.data() + pos, end, parsed);
    if (result.ec != std::errc() || result.ptr != end) return false;
    value = parsed;
    return true;
}

int32_t StrToInt(std::string_view text)
{
    int32_t value = 0;
    if (!TryStrToInt(text, value)) throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

int32_t StrToIntDef(std::string_view text, int32_t defaultValue)
{
    int32_t value = 0;
    return TryStrToInt(text, value) ? value : defaultValue;
}

bool TryStrToFloat(std::string_view text, double& value)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    // Check the shape first: the standard parsers also take hexadecimal, "inf" and "nan".
    size_t pos = 0;
    const auto skipDigits = [&] {
        const size_t from = pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
        return pos - from;
    };
    const bool plus = !text.empty() && text[0] == '+';
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) ++pos;
    size_t mantissaDigits = skipDigits();
    size_t comma = std::string_view::npos;
    if (pos < text.size() && (text[pos] == '.' || text[pos] == ',')) {
        if (text[pos] == ',') comma = pos;
        ++pos;
        mantissaDigits += skipDigits();
    }
    if (mantissaDigits == 0) return false;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        if (++pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
        if (skipDigits() == 0) return false;
    }
    if (pos != text.size()) return false;

    // from_chars takes neither a leading '+' nor ','.
    std::string normalized;
    if (plus || comma != std::string_view::npos) {
        normalized.assign(text.substr(plus ? 1 : 0));
        if (comma != std::string_view::npos) normalized[comma - (plus ? 1 : 0)] = '.';
        text = normalized;
    }
    double parsed;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (result.ec == std::errc::result_out_of_range) {
        // Overflow fails; an underflow reads as its tiny value or zero, which strtod tells apart.
        const std::string copy(text);
        parsed = strtod_l(copy.c_str(), nullptr, CLocale());
        if (std::isinf(parsed)) return false;
    }
    value = parsed;
    return true;
}

double StrToFloat(std::string_view text)
{
    double value = 0;
    if (!TryStrToFloat(text, value))
        throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
    return value;
}

// Text

std::string Trim(std::string_view text)
{
    size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return std::string(text.substr(first, last - first));
}

std::string UpperCase(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return result;
}

std::string LowerCase(std::string_view text)
{
    std::string result(text);
    for (char& c : result) c = AsciiLower(c);
    return result;
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

int AnsiCompareText(std::string_view a, std::string_view b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        char32_t ca, cb;
        if (static_cast<unsigned char>(a[i]) < 0x80 && static_cast<unsigned char>(b[j]) < 0x80) {
            ca = static_cast<unsigned char>(AsciiLower(a[i++]));
            cb = static_cast<unsigned char>(AsciiLower(b[j++]));
        } else {
            ca = UnicodeLowerCase(NextUtf8CodePoint(a, i));
            cb = UnicodeLowerCase(NextUtf8CodePoint(b, j));
        }
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (i < a.size()) return 1;
    return j < b.size() ? -1 : 0;
}

// Rounding

namespace {

// Int64 holds [-2^63, 2^63); NaN fails both comparisons.
bool FitsInt64(double value)
{
    return value >= -9223372036854775808.0 && value < 9223372036854775808.0;
}

} // namespace

int64_t Round(double value)
{
    const double rounded = std::nearbyint(value);
    return FitsInt64(rounded) ? static_cast<int64_t>(rounded) : IndefiniteInteger;
}

int64_t Trunc(double value)
{
    const double truncated = std::trunc(value);
    return FitsInt64(truncated) ? static_cast<int64_t>(truncated) : IndefiniteInteger;
}

// Clock

int64_t MonotonicNanoseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

int64_t MonotonicMilliseconds()
{
    return MonotonicNanoseconds() / 1'000'000;
}
