// Line files: one value per line, read by line number and written line after line.
#include "UGH_data.h"

#include "GLApplicationFileIO.h"
#include "Streams.h"

#include <charconv>
#include <cmath>

namespace {

constexpr std::string_view cUtf8Mark = "\xEF\xBB\xBF";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The lenient form of a real: a leading "-" and an exponent ("E", its sign and digits after a digit) stay,
// "." stays, every other character becomes ".".
std::string LenientRealText(std::string_view line)
{
    std::string text(line);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (IsDigit(c) || c == '.' || (c == '-' && i == 0)) continue;
        if ((c == 'E' || c == 'e') && i > 0 && IsDigit(text[i - 1])) {
            std::size_t next = i + 1;
            if (next < text.size() && (text[next] == '-' || text[next] == '+')) ++next;
            if (next < text.size() && IsDigit(text[next])) {
                i = next;
                continue;
            }
        }
        text[i] = '.';
    }
    return text;
}

} // namespace

TLegacyCodePage LanguageCodePage(std::string_view language)
{
    return SameText(language, "ru") ? lcpWindows1251 : lcpWindows1252;
}

void TLineBuffer::LoadFromFile(const std::string& fileName)
{
    LoadFromFile(fileName, LanguageCodePage(lng));
}

void TLineBuffer::LoadFromFile(const std::string& fileName, TLegacyCodePage codePage)
{
    std::string bytes;
    try {
        const auto stream = CreateHookedFileStream(fileName, fmOpenRead | fmShareDenyNone);
        bytes.resize(static_cast<std::size_t>(stream->Size()));
        stream->ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    } catch (const EStreamError& e) {
        throw EGameDataError(e.Message());
    }
    SetText(DecodeText(bytes, codePage), fileName);
}

void TLineBuffer::SetText(std::string text, std::string fileName)
{
    FText = std::move(text);
    FFileName = std::move(fileName);
    FCount = 0;
    FCursorLine = 0;
    FCursorStart = 0;
    for (std::size_t start = 0; start < FText.size(); ++FCount) {
        start = LineEnd(start);
        if (start < FText.size() && FText[start] == '\r' && start + 1 < FText.size() && FText[start + 1] == '\n')
            ++start;
        ++start;
    }
}

std::size_t TLineBuffer::LineEnd(std::size_t start) const
{
    const char* text = FText.data();
    const std::size_t size = FText.size();
    while (start < size && text[start] != '\r' && text[start] != '\n') ++start;
    return start;
}

void TLineBuffer::SaveToFile(const std::string& fileName) const
{
    // A text that starts with U+FEFF gets a byte-order mark of its own, so that reading drops only that.
    const std::string_view mark = FText.starts_with(cUtf8Mark) ? cUtf8Mark : "";
    try {
        SaveHookedFile(fileName, [&](TStream& stream) {
            stream.WriteBuffer(mark.data(), static_cast<int64_t>(mark.size()));
            stream.WriteBuffer(FText.data(), static_cast<int64_t>(FText.size()));
        });
    } catch (const EStreamError& e) {
        throw EGameDataError(e.Message());
    }
}

void TLineBuffer::Clear()
{
    SetText("", "");
}

std::string_view TLineBuffer::Line(int line) const
{
    if (line < 0 || line >= FCount) return {};
    if (line < FCursorLine) {
        FCursorLine = 0;
        FCursorStart = 0;
    }
    for (; FCursorLine < line; ++FCursorLine) {
        std::size_t end = LineEnd(FCursorStart);
        if (FText[end] == '\r' && end + 1 < FText.size() && FText[end + 1] == '\n') ++end;
        FCursorStart = end + 1;
    }
    return std::string_view(FText).substr(FCursorStart, LineEnd(FCursorStart) - FCursorStart);
}

void TLineBuffer::LineError(int line, std::string_view reason) const
{
    throw EGameDataError(Format("%s, line %d: %s", {FFileName, int64_t(line) + 1, reason}));
}

std::string_view TLineBuffer::ValueLine(int line) const
{
    if (line < 0 || line >= Count()) LineError(line, "missing");
    return Line(line);
}

void TLineBuffer::WriteIntLine(int32_t value)
{
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    FText.append(digits, result.ptr);
    FText.append("\r\n");
}

void TLineBuffer::WriteFloatLine(double value)
{
    FText.append(std::isfinite(value) ? FloatToStr(value) : "0");
    FText.append("\r\n");
}

void TLineBuffer::WriteBoolLine(bool value)
{
    FText.append(value ? "-1\r\n" : "0\r\n");
}

void TLineBuffer::WriteTextLine(std::string_view value)
{
    const std::size_t from = FText.size();
    FText.append(value);
    for (std::size_t i = from; i < FText.size(); ++i)
        if (FText[i] == '\r' || FText[i] == '\n') FText[i] = ' ';
    FText.append("\r\n");
}

int32_t TLineBuffer::ReadIntLine(int line) const
{
    const std::string_view text = ValueLine(line);
    int32_t value = 0;
    if (!TryStrToInt(text, value)) LineError(line, Format("'%s' is not a valid integer value", {text}));
    return value;
}

double TLineBuffer::ReadFloatLine(int line) const
{
    const std::string_view text = ValueLine(line);
    double value = 0;
    if (!TryStrToFloat(text, value)) LineError(line, Format("'%s' is not a valid floating point value", {text}));
    return value;
}

double TLineBuffer::ReadLenientFloatLine(int line) const
{
    const std::string_view text = ValueLine(line);
    double value = 0;
    if (!TryStrToFloat(LenientRealText(text), value))
        LineError(line, Format("'%s' is not a valid floating point value", {text}));
    return value;
}

bool TLineBuffer::ReadBoolLine(int line) const
{
    const std::string_view text = Line(line);
    int32_t value = 0;
    if (TryStrToInt(text, value)) return value != 0;
    return SameText(text, "True");
}

std::string TLineBuffer::ReadTextLine(int line) const
{
    return std::string(Line(line));
}
