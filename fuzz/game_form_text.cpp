// The request forms' and tooltips' text handling on any bytes: the name tokens, the longest line and the width it
// gives a form, the tooltip's wrap, and the credits' pages.
#include "UGH_main.h"

#include "GLBitmapFont.h"
#include "TextEncoding.h"

#include "GameFuzzFiles.h"

#include <algorithm>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    player.name = "Ann";
    const std::string prepared = TForm1::preparerftext(text);
    if (text.find('@') == std::string::npos) Check(prepared == text);

    const std::string_view longest = LongestLine(text);
    Check(longest.find_first_of("\r\n") == std::string_view::npos);
    Check(longest.empty() || (longest.data() >= text.data() && longest.data() + longest.size() <= text.data() + size));
    TGLBitmapFont font(nullptr);
    font.SetCharWidth(7);
    Check(font.CalcStringWidth(longest) >= 0);

    const TTooltipLayout tooltip =
        WrapTooltip(text, [&font](std::string_view line) { return font.CalcStringWidth(line); }, 10);
    Check(tooltip.Width >= 200);
    Check(tooltip.Lines >= 0 && tooltip.Height >= 40);
    // No line of the wrapped text holds more than 61 characters.
    for (size_t start = 0; start <= tooltip.Text.size();) {
        size_t end = tooltip.Text.find("\r\n", start);
        if (end == std::string::npos) end = tooltip.Text.size();
        int32_t characters = 0;
        for (size_t pos = start; pos < end; ++characters) NextUtf8CodePoint(tooltip.Text, pos);
        Check(characters <= 61);
        start = end + 2;
    }

    const std::vector<std::string> pages = CreditPages(text);
    for (const std::string& page : pages) {
        Check(page.size() >= 2 && page.compare(page.size() - 2, 2, "\r\n") == 0);
        const auto lines = std::count(page.begin(), page.end(), '\n');
        Check(lines >= 1 && lines <= cCreditLines);
    }
    Check(std::all_of(pages.begin(), pages.size() > 1 ? pages.end() - 1 : pages.begin(), [](const std::string& page) {
        return std::count(page.begin(), page.end(), '\n') == cCreditLines;
    }));
    return 0;
}
