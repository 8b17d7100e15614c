#include "TextEncoding.h"

namespace {

constexpr char32_t ReplacementChar = 0xFFFD;

// Code points of the bytes 0x80..0xFF; bytes a code page leaves undefined map to the same code point.
constexpr char16_t Windows1252[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

constexpr char16_t Windows1251[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

const char16_t* CodePageTable(TLegacyCodePage codePage)
{
    return codePage == lcpWindows1251 ? Windows1251 : Windows1252;
}

bool IsContinuation(uint8_t byte)
{
    return (byte & 0xC0) == 0x80;
}

// Decodes one strict UTF-8 sequence at pos; answers its length, or 0 when the bytes there are not valid.
size_t DecodeUtf8(std::string_view text, size_t pos, char32_t& codePoint)
{
    const auto at = [&](size_t i) { return static_cast<uint8_t>(text[pos + i]); };
    const uint8_t lead = at(0);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    size_t length;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - pos < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if (!IsContinuation(at(i))) return 0;
        codePoint = (codePoint << 6) | (at(i) & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return 0;
    return length;
}

// Reads UTF-16 units of the given byte order; an odd last byte and unpaired surrogates become U+FFFD.
std::string DecodeUtf16(std::string_view bytes, bool bigEndian)
{
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
        const auto first = static_cast<uint8_t>(bytes[2 * i]);
        const auto second = static_cast<uint8_t>(bytes[2 * i + 1]);
        units[i] = static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    std::string text = Utf16ToUtf8(units);
    if (bytes.size() % 2 != 0) AppendUtf8(text, ReplacementChar);
    return text;
}

} // namespace

char16_t LegacyCharToUnicode(uint8_t byte, TLegacyCodePage codePage)
{
    return byte < 0x80 ? byte : CodePageTable(codePage)[byte - 0x80];
}

std::string LegacyToUtf8(std::string_view bytes, TLegacyCodePage codePage)
{
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) AppendUtf8(text, LegacyCharToUnicode(static_cast<uint8_t>(c), codePage));
    return text;
}

std::string Utf8ToLegacy(std::string_view text, TLegacyCodePage codePage)
{
    const char16_t* table = CodePageTable(codePage);
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        const char32_t c = NextUtf8CodePoint(text, pos);
        char byte = '?';
        if (c < 0x80) {
            byte = static_cast<char>(c);
        } else {
            for (int i = 0; i < 128; ++i)
                if (table[i] == c) byte = static_cast<char>(0x80 + i);
        }
        bytes += byte;
    }
    return bytes;
}

bool IsValidUtf8(std::string_view bytes)
{
    char32_t c;
    for (size_t pos = 0; pos < bytes.size();) {
        const size_t length = DecodeUtf8(bytes, pos, c);
        if (length == 0) return false;
        pos += length;
    }
    return true;
}

char32_t NextUtf8CodePoint(std::string_view text, size_t& pos)
{
    char32_t c;
    const size_t length = DecodeUtf8(text, pos, c);
    pos += length == 0 ? 1 : length;
    return length == 0 ? ReplacementChar : c;
}

void AppendUtf8(std::string& text, char32_t c)
{
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | (c >> 12));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (c >> 18));
        text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = ReplacementChar;
        }
        AppendUtf8(result, c);
    }
    return result;
}

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string result;
    result.reserve(text.size());
    for (size_t pos = 0; pos < text.size();) {
        const char32_t c = NextUtf8CodePoint(text, pos);
        if (c < 0x10000) {
            result += static_cast<char16_t>(c);
        } else {
            result += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            result += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return result;
}

std::string DecodeText(std::string_view bytes, TLegacyCodePage codePage)
{
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        // Marked UTF-8 keeps valid sequences; each invalid byte becomes U+FFFD.
        bytes.remove_prefix(3);
        if (IsValidUtf8(bytes)) return std::string(bytes);
        std::string text;
        for (size_t pos = 0; pos < bytes.size();) AppendUtf8(text, NextUtf8CodePoint(bytes, pos));
        return text;
    }
    if (bytes.starts_with("\xFF\xFE")) return DecodeUtf16(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF")) return DecodeUtf16(bytes.substr(2), true);
    if (IsValidUtf8(bytes)) return std::string(bytes);
    return LegacyToUtf8(bytes, codePage);
}

char32_t UnicodeLowerCase(char32_t c)
{
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    if (c == 0x178) return 0xFF;
    // Latin Extended-A pairs upper and lower case as neighbours, the upper one even or odd by block.
    if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return c | 1;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF)) return c | 1;
    return c;
}
