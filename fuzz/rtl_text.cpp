// Text-file decoding and string-list parsing on arbitrary bytes: the result is always valid UTF-8, and the
// lines survive a round trip through Text and CommaText.
#include "StringLists.h"
#include "TextEncoding.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

bool SameLines(const TStrings& a, const TStrings& b)
{
    if (a.Count() != b.Count()) return false;
    for (int i = 0; i < a.Count(); ++i)
        if (a.Strings(i) != b.Strings(i)) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const TLegacyCodePage codePage : {lcpWindows1252, lcpWindows1251}) {
        const std::string text = DecodeText(bytes, codePage);
        Check(IsValidUtf8(text));
        Check(Utf16ToUtf8(Utf8ToUtf16(text)) == text);

        TStringList lines, again;
        lines.SetText(text);
        again.SetText(lines.Text());
        Check(SameLines(lines, again));
        again.SetCommaText(lines.CommaText());
        Check(SameLines(lines, again));

        TStringList items;
        items.SetCommaText(text);
        again.SetCommaText(items.CommaText());
        Check(SameLines(items, again));
    }
    return 0;
}
