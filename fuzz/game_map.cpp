// Map files from any bytes: the input's first file is the map, the next ones (when there are any) the map folder's
// "mapname_en.txt", "skybox.txt", "lightdata.txt", "monsterlist.txt" and the side files of cell (1, 1), which maps
// before version 16 read. A map either raises the data-file error,
// leaving the level as it was, or gives a level whose grid and start lie in range and which writes a map that
// reads back and writes again byte for byte. The game is never left busy.
#include "UGH_data.h"

#include "GameFuzzFiles.h"

#include <cstdint>
#include <string>

namespace {

const char* const cSideFiles[] = {"mapname_en.txt", "skybox.txt",   "lightdata.txt", "monsterlist.txt",
                                  "1_1_w.txt",      "1_1_f.txt",    "1_1_c.txt",     "1_1_fo.txt",
                                  "1_1_mo.txt"};

// The map id the map names after its version line (a file without one has it on its first line), when that is a
// folder the side files can go to.
std::string SideFolder(std::string_view map)
{
    TLineBuffer buffer;
    buffer.SetText(std::string(map), "");
    int32_t version = 0;
    const std::string id = buffer.ReadTextLine(TryStrToInt(buffer.Line(0), version) && version != 0 ? 1 : 0);
    if (id.empty() || id.find_first_of("/\\") != std::string::npos || id == "." || id == ".." ||
        id.find('\0') != std::string::npos || id.size() > 200)
        return "";
    return id;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string_view> parts = FuzzParts(data, size);
    const std::filesystem::path levels = FuzzFolder() / "levels";
    std::filesystem::remove_all(levels);
    WriteFuzzFile(levels / "in.map", parts[0]);
    if (const std::string id = SideFolder(parts[0]); !id.empty())
        for (size_t i = 1; i < parts.size() && i <= std::size(cSideFiles); ++i)
            WriteFuzzFile(levels / id / cSideFiles[i - 1], parts[i]);
    gamedir = FuzzFolder().string();
    lng = "en";

    const TLevelData before = CurrentLevelData();
    try {
        LoadMap((levels / "in.map").string());
    } catch (const EGameDataError&) {
        Check(!levelbusy);
        Check(CurrentLevelData() == before);
        return 0;
    }
    Check(!levelbusy);
    Check(mapmaxx >= 0 && mapmaxx <= 99 && mapmaxy >= 0 && mapmaxy <= 99);
    Check(startx >= 0 && startx <= mapmaxx && starty >= 0 && starty <= mapmaxy && startdir >= 0 && startdir <= 3);

    SaveMap((levels / "out.map").string(), true);
    LoadMap((levels / "out.map").string());
    const std::string written = ReadFuzzFile(levels / "out.map");
    SaveMap((levels / "again.map").string(), true);
    Check(ReadFuzzFile(levels / "again.map") == written);
    return 0;
}
