#include "TextEncoding.h"

#include <gtest/gtest.h>

TEST(TextEncoding, DecodingByMarkUtf8OrCodePage)
{
    const struct {
        std::string bytes;
        TLegacyCodePage codePage;
        std::string text;
    } cases[] = {
        {"plain", lcpWindows1252, "plain"},
        {"\xEF\xBB\xBFna\xC3\xAFve", lcpWindows1251, "na\xC3\xAFve"},            // UTF-8 mark dropped
        {"\xEF\xBB\xBF" "a\xE9" "b", lcpWindows1252, "a\xEF\xBF\xBD" "b"},          // a bad byte after it
        {std::string("\xFF\xFE" "A\0\x16\x04", 6), lcpWindows1252, "A\xD0\x96"},  // UTF-16 LE: A, Ж
        {std::string("\xFE\xFF\0A\x04\x16", 6), lcpWindows1252, "A\xD0\x96"},     // UTF-16 BE
        {std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), lcpWindows1252, "\xF0\x9F\x98\x80"}, // surrogate pair
        {std::string("\xFF\xFE\x3D\xD8" "A\0", 6), lcpWindows1252, "\xEF\xBF\xBD" "A"},   // lone surrogate
        {"\xFF\xFE" "A", lcpWindows1252, "\xEF\xBF\xBD"},                                  // odd last byte
        {"caf\xC3\xA9", lcpWindows1251, "caf\xC3\xA9"},                           // valid UTF-8 wins
        {"caf\xE9 \x80\x9F", lcpWindows1252, "caf\xC3\xA9 \xE2\x82\xAC\xC5\xB8"}, // 1252: é € Ÿ
        {"\xCF\xF0\xE8\xE2\xE5\xF2 \xA8\xB8", lcpWindows1251,
         "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD0\x81\xD1\x91"}, // 1251: Привет Ёё
        {"\xC0\x80", lcpWindows1252, "\xC3\x80\xE2\x82\xAC"},          // overlong UTF-8 is not UTF-8
        {"\xED\xA0\x80", lcpWindows1252, "\xC3\xAD\xC2\xA0\xE2\x82\xAC"}, // nor an encoded surrogate
        {"\xE2\x82", lcpWindows1252, "\xC3\xA2\xE2\x80\x9A"},            // nor a truncated sequence
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeText(c.bytes, c.codePage), c.text);
}

TEST(TextEncoding, RoundTripsAndReplacements)
{
    const std::string text = "A\xD0\x96\xF0\x9F\x98\x80\xC3\xA9"; // A, Ж, an emoji, é
    const std::u16string units = Utf8ToUtf16(text);
    EXPECT_EQ(units, (std::u16string{u'A', 0x0416, 0xD83D, 0xDE00, 0x00E9}));
    EXPECT_EQ(Utf16ToUtf8(units), text);
    EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\xFFFD" "b");

    EXPECT_EQ(Utf8ToLegacy("\xD0\x9F\xD1\x91 \xE2\x82\xAC", lcpWindows1251), "\xCF\xB8 \x88");
    EXPECT_EQ(Utf8ToLegacy("\xD0\x9F\xC3\xA9", lcpWindows1252), "?\xE9"); // 1252 has no П
    EXPECT_EQ(LegacyCharToUnicode(0x80, lcpWindows1252), 0x20AC);
    EXPECT_EQ(LegacyCharToUnicode(0xC0, lcpWindows1251), 0x0410);
    EXPECT_EQ(LegacyCharToUnicode(0x41, lcpWindows1251), 0x41);
    for (int b = 0x80; b < 0x100; ++b) {
        const std::string byte(1, static_cast<char>(b));
        EXPECT_EQ(Utf8ToLegacy(LegacyToUtf8(byte, lcpWindows1251), lcpWindows1251), byte);
        EXPECT_EQ(Utf8ToLegacy(LegacyToUtf8(byte, lcpWindows1252), lcpWindows1252), byte);
    }

    EXPECT_EQ(UnicodeLowerCase(U'Z'), U'z');
    EXPECT_EQ(UnicodeLowerCase(0x0401), 0x0451); // Ё
    EXPECT_EQ(UnicodeLowerCase(0x042F), 0x044F); // Я
    EXPECT_EQ(UnicodeLowerCase(0x0160), 0x0161); // Š
    EXPECT_EQ(UnicodeLowerCase(0x0178), 0x00FF); // Ÿ
    EXPECT_EQ(UnicodeLowerCase(0x00D7), 0x00D7); // ×
}
