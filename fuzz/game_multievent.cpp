// Event scripts from any bytes, as the game reads "\scripts\scr_<n>.txt": at most 101 entries, as many as the
// complete threes of lines, and entries that write a file reading back the same.
#include "UGH_data.h"

#include "GameFuzzFiles.h"

#include <algorithm>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::filesystem::path folder = FuzzFolder();
    const std::filesystem::path script = folder / "scripts" / "scr_1.txt";
    WriteFuzzFile(script, std::string_view(reinterpret_cast<const char*>(data), size));
    gamedir = folder.string();
    lng = "en";

    TLineBuffer lines;
    lines.LoadFromFile(script.string());
    const std::vector<evtriple> entries = ReadEventScript(GamePath("\\scripts\\scr_1.txt"));
    Check(entries.size() == static_cast<size_t>(std::min(lines.Count() / 3, cEventScriptEntries)));

    TLineBuffer written;
    for (const evtriple& entry : entries) {
        written.WriteIntLine(entry.type);
        written.WriteIntLine(entry.p1);
        written.WriteIntLine(entry.p2);
    }
    const std::string copy = (folder / "copy.txt").string();
    written.SaveToFile(copy);
    Check(ReadEventScript(copy) == entries);
    return 0;
}
