// The localised string table from any bytes, as "strings.txt" of the "en" and of the "ru" language folder, into a
// small table (so that surplus entries are met) and into the game's own: every entry is valid UTF-8 and holds
// line breaks only as the CR LF pairs the "&" mark makes.
#include "UGH_data.h"

#include "GameFuzzFiles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

void CheckEntry(const std::string& entry)
{
    Check(IsValidUtf8(entry));
    for (size_t i = 0; i < entry.size(); ++i) {
        if (entry[i] == '\r') Check(i + 1 < entry.size() && entry[i + 1] == '\n');
        if (entry[i] == '\n') Check(i > 0 && entry[i - 1] == '\r');
        Check(entry[i] != '@');
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    gamedir = FuzzFolder().string();
    for (const char* language : {"en", "ru"}) {
        WriteFuzzFile(FuzzFolder() / "text" / language / "strings.txt",
                      std::string_view(reinterpret_cast<const char*>(data), size));

        std::vector<std::string> small(5);
        fillstrarr(language, small);
        for (const std::string& entry : small) CheckEntry(entry);
        fillstrarr(language, std::span(strarr.begin(), strarr.end()));
        for (const std::string& entry : strarr) CheckEntry(entry);
        for (size_t i = 0; i < small.size(); ++i) Check(small[i] == strarr[static_cast<int32_t>(i)]);
    }
    return 0;
}
