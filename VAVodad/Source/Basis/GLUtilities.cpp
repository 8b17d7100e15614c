#include "GLUtilities.h"

#include "Dialogs.h"
#include "GLApplicationFileIO.h"
#include "Streams.h"
#include "SysUtils.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <memory>

int32_t NextPowerOfTwo(int32_t v)
{
    Assert(v <= (1 << 30), "NextPowerOfTwo out of range", "VAVodad\\Source\\Basis\\GLUtilities");
    int32_t result = 1;
    while (result < v) result <<= 1;
    return result;
}

void ReadLineUntilCRLF(TStream& stream, std::string& line)
{
    line.clear();
    char c;
    while (stream.Read(&c, 1) == 1) {
        if (c == '\n' && !line.empty() && line.back() == '\r') {
            line.pop_back();
            return;
        }
        line.push_back(c);
    }
}

std::string ReadLineUntilCRLF(TStream& stream)
{
    std::string line;
    ReadLineUntilCRLF(stream, line);
    return line;
}

void WriteLineWithCRLF(TStream& stream, const std::string& s)
{
    stream.WriteBuffer(s.data(), static_cast<int64_t>(s.size()));
    stream.WriteBuffer("\r\n", 2);
}

namespace {

// Exponents are saturated here: 10 to this power is already infinite (or zero) in every float type.
constexpr int64_t kExponentLimit = 100000;
// Digits beyond this mantissa no longer change a long double; they only move the decimal point.
constexpr long double kMantissaLimit = 1e18L;

// 10 to the power, exact up to 10^27 (5^27 still fits a long double's 64-bit mantissa); the table spares the
// slow long double pow for the exponents numbers in data files have.
long double PowerOfTen(int64_t power)
{
    static constexpr auto table = [] {
        std::array<long double, 28> t{};
        long double p = 1;
        for (long double& e : t) {
            e = p;
            p *= 10;
        }
        return t;
    }();
    return power < static_cast<int64_t>(table.size()) ? table[power] : std::pow(10.0L, static_cast<long double>(power));
}

} // namespace

bool TryTextToFloat(const std::string& text, double& value)
{
    if (text.empty()) return false;
    size_t n = text.size();
    while (n > 0 && text[n - 1] == ' ') --n;

    long double mantissa = 0;
    int64_t power = 0;               // of ten, from the separator and the dropped digits
    bool separator = false;
    bool inExponent = false;
    size_t exponentStart = 0;
    bool exponentNegative = false;
    int64_t exponent = 0;
    for (size_t i = 0; i < n; ++i) {
        const char c = text[i];
        const bool digit = c >= '0' && c <= '9';
        if (inExponent) {
            if ((c == '+' || c == '-') && i == exponentStart)
                exponentNegative = c == '-';
            else if (digit)
                exponent = std::min(exponent * 10 + (c - '0'), kExponentLimit);
            else
                return false;
            continue;
        }
        if (digit) {
            if (mantissa < kMantissaLimit) {
                mantissa = mantissa * 10 + (c - '0');
                if (separator) --power;
            } else if (!separator) {
                ++power;
            }
            continue;
        }
        switch (c) {
        case ' ':
            if (mantissa != 0) return false;
            break;
        case '+':
        case '-':
            if (i != 0) return false;
            break;
        case '.':
        case ',':
            if (separator) return false;
            separator = true;
            break;
        case 'E':
        case 'e':
            if (i == n - 1) return false;
            inExponent = true;
            exponentStart = i + 1;
            break;
        default:
            return false;
        }
    }

    power += exponentNegative ? -exponent : exponent;
    long double result = mantissa;
    if (mantissa != 0) {
        // Dividing by the positive power keeps results such as 12.5 and 0.2 exact to the last bit.
        result = power >= 0 ? mantissa * PowerOfTen(power) : mantissa / PowerOfTen(-power);
    }
    if (text[0] == '-') result = -result;
    if (std::fabs(result) > DBL_MAX)
        value = std::copysign(HUGE_VAL, static_cast<double>(result));
    else
        value = static_cast<double>(result);
    return true;
}

double TextToFloatDef(const std::string& text, double defaultValue)
{
    double value;
    return TryTextToFloat(text, value) ? value : defaultValue;
}

void WriteAnsiTextFile(const std::string& fileName, const std::string& data)
{
    SaveHookedFile(fileName, [&data](TStream& stream) {
        stream.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    });
}

void ReadAnsiTextFile(const std::string& fileName, std::string& data)
{
    data.clear();
    if (!HookedFileExists(fileName)) return;
    const std::unique_ptr<TStream> stream = CreateHookedFileStream(fileName, fmOpenRead | fmShareDenyNone);
    data.resize(static_cast<size_t>(stream->Size()));
    stream->ReadBuffer(data.data(), static_cast<int64_t>(data.size()));
}

int64_t FileByteSize(const std::string& fileName)
{
    if (!HookedFileExists(fileName)) return 0;
    const std::unique_ptr<TStream> stream = CreateHookedFileStream(fileName, fmOpenRead | fmShareDenyNone);
    return stream->Size();
}

const uint8_t* SqrtByteTable()
{
    static const auto table = [] {
        std::array<uint8_t, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[i] = static_cast<uint8_t>(std::trunc(double(static_cast<float>(std::sqrt(i / 255.0))) * 255));
        return t;
    }();
    return table.data();
}

void ShowInfoMessage(const std::string& text)
{
    ShowMessageBox({mtInformation, "", text, mbsOK, mrOk});
}

bool AskYesNo(const std::string& text)
{
    return ShowMessageBox({mtConfirmation, "", text, mbsYesNo, mrYes}) == mrYes;
}

bool ExecuteSavePictureDialog(std::string& fileName, const std::string& title)
{
    std::string chosen;
    if (!ShowSavePictureDialog({title, fileName}, chosen)) return false;
    fileName = chosen;
    return true;
}
