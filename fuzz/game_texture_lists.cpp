// The start-up's picture lists from any bytes: the input's first file is "textures\spritelist.txt", its second
// "textures\uilist.txt" and its third a wall set's "arid.txt" (each empty when the input has fewer). Every name
// read is valid UTF-8 on one line, and what was read, written back in the list's own form, reads back the same.
#include "UGH_data.h"
#include "UGH_main.h"

#include "GameFuzzFiles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

// A UTF-8 byte-order mark first, so that a name that itself starts with one keeps it when read back.
void WriteLines(const std::filesystem::path& path, const std::vector<std::string>& lines)
{
    std::string text = "\xEF\xBB\xBF";
    for (const std::string& line : lines) text += line + "\r\n";
    WriteFuzzFile(path, text);
}

void CheckName(const std::string& name)
{
    Check(IsValidUtf8(name));
    Check(name.find_first_of("\r\n") == std::string::npos);
}

std::string IntText(int32_t value)
{
    return std::to_string(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string_view> parts = FuzzParts(data, size);
    parts.resize(3);
    const std::filesystem::path input = FuzzFolder() / "input";
    std::filesystem::remove_all(input);
    WriteFuzzFile(input / "textures" / "spritelist.txt", parts[0]);
    WriteFuzzFile(input / "textures" / "uilist.txt", parts[1]);
    WriteFuzzFile(input / "textures" / "hq" / "0" / "arid.txt", parts[2]);
    gamedir = input.string();

    const TDynArray<spritelistitem> sprites = ReadSpriteList(GamePath("\\textures\\spritelist.txt"));
    std::vector<std::string> spriteLines;
    for (const spritelistitem& sprite : sprites) {
        CheckName(sprite.name);
        Check(!sprite.name.empty() && sprite.name.find(',') == std::string::npos);
        spriteLines.push_back(sprite.name + "," + IntText(sprite.purpose) + "," + IntText(sprite.size) + "," +
                              IntText(sprite.size2));
    }
    WriteLines(input / "textures" / "spritelist.txt", spriteLines);
    Check(ReadSpriteList(GamePath("\\textures\\spritelist.txt")) == sprites);

    const std::vector<std::string> names = ReadUIList(GamePath("\\textures\\uilist.txt"));
    for (const std::string& name : names) CheckName(name);
    WriteLines(input / "textures" / "uilist.txt", names);
    Check(ReadUIList(GamePath("\\textures\\uilist.txt")) == names);

    const std::string arid = GamePath("\\textures\\hq\\0\\arid.txt");
    envr set{"none", false};
    if (ReadWallSetInfo(arid, set)) {
        CheckName(set.name);
        WriteLines(input / "textures" / "hq" / "0" / "arid.txt", {set.name, set.enabled ? "-1" : "0"});
        envr again{"none", false};
        Check(ReadWallSetInfo(arid, again) && again == set);
    } else {
        Check(set == envr{"none", false});
    }
    return 0;
}
