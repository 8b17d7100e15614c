// Runtime library: text encodings. Strings are UTF-8; files and archives also carry UTF-16 and the legacy
// 8-bit code pages of the system's Windows origin.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The 8-bit code page of text that has neither a byte-order mark nor valid UTF-8.
enum TLegacyCodePage {
    lcpWindows1252, // Western European, the default
    lcpWindows1251  // Cyrillic, the "ru" language folder
};

// The code point of a byte in a legacy code page (bytes below 0x80 are ASCII).
char16_t LegacyCharToUnicode(uint8_t byte, TLegacyCodePage codePage);

std::string LegacyToUtf8(std::string_view bytes, TLegacyCodePage codePage);
// Characters the code page lacks become '?'.
std::string Utf8ToLegacy(std::string_view text, TLegacyCodePage codePage);

// Strict UTF-8: no overlong forms, surrogates or values above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// Reads one code point at pos and moves pos past it; an invalid or truncated sequence gives U+FFFD and moves
// one byte.
char32_t NextUtf8CodePoint(std::string_view text, size_t& pos);
void AppendUtf8(std::string& text, char32_t codePoint);

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// Decodes the bytes of a text file to valid UTF-8: a byte-order mark (UTF-8, UTF-16 LE or BE) decides and is
// dropped; without one, valid UTF-8 stays as it is and anything else is read in the legacy code page. Bytes
// that do not fit the marked encoding become U+FFFD.
std::string DecodeText(std::string_view bytes, TLegacyCodePage codePage);

// Simple lower-case mapping for ASCII, Latin-1, Latin Extended-A and Cyrillic; other code points unchanged.
char32_t UnicodeLowerCase(char32_t codePoint);
