// The demo adventure's sources from any bytes: the input's first file is a string source, its second (when there
// is one) a level source. Each compiles or raises the source error; a string table holds one entry per index up
// to the highest, a level a closed grid within the map's limits whose start is a floor cell.
#include "DemoSources.h"

#include "GameFuzzFiles.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string_view> parts = FuzzParts(data, size);
    try {
        const std::string table = CompileStrings(parts[0], "strings.src");
        Check(table.starts_with("\xEF\xBB\xBF"));
        Check(std::count(table.begin(), table.end(), '@') <= 10000);
    } catch (const EDemoSource&) {
    }
    if (parts.size() < 2) return 0;
    auto level = std::make_unique<TLevelData>();
    TDemoMapInfo info;
    try {
        CompileMap(parts[1], "level.txt", *level, info);
    } catch (const EDemoSource&) {
        return 0;
    }
    Check(level->mapmaxx >= 2 && level->mapmaxx <= 99 && level->mapmaxy >= 2 && level->mapmaxy <= 99);
    Check(!level->mapid.empty());
    const lcell& start = level->levelgrid[level->startx][level->starty];
    Check(start.passable && !start.wall);
    for (int32_t x = 0; x <= level->mapmaxx; ++x)
        Check(level->levelgrid[x][0].wall && level->levelgrid[x][level->mapmaxy].wall);
    return 0;
}
