// The demo adventure's sources from any bytes: the input's first file is a string source, its second (when there
// is one) a level source, its third a content table read as each kind of content, its fourth an event script and
// an event text. Each compiles or raises the source error; a string table holds one entry per index up to the
// highest, a level a closed grid within the map's limits whose start is a floor cell and no more placed objects
// than its tables hold, a content table one record per block in id order, the loot list only items of the table,
// an event script three integer lines per event, and a text its lines each ended by CR LF.
#include "DemoContent.h"
#include "DemoSources.h"

#include "GameFuzzFiles.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

namespace {

void CompileContentTables(std::string_view source)
{
    const auto ids = [](const auto& entries) {
        for (std::size_t id = 0; id < entries.size(); ++id) Check(entries[id].record.id == static_cast<int32_t>(id));
    };
    try {
        CompileCards(source, "cards.src");
    } catch (const EDemoSource&) {
    }
    try {
        ids(CompilePerks(source, "perks.src"));
    } catch (const EDemoSource&) {
    }
    try {
        CompileMonsters(source, "monsters.src");
    } catch (const EDemoSource&) {
    }
    try {
        std::vector<int32_t> lootlist;
        const auto items = CompileItems(source, "items.src", lootlist);
        ids(items);
        for (const int32_t id : lootlist) Check(id >= 0 && id < static_cast<int32_t>(items.size()));
    } catch (const EDemoSource&) {
    }
}

void CompileEventFiles(std::string_view source)
{
    try {
        TLineBuffer script;
        script.SetText(CompileEventScript(source, "scr_1.txt"), "scr_1.txt");
        Check(script.Count() % 3 == 0);
        for (int line = 0; line < script.Count(); ++line) script.ReadIntLine(line);
    } catch (const EDemoSource&) {
    }
    const std::string text = CompileText(source);
    Check(text.empty() || text.ends_with("\r\n"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string_view> parts = FuzzParts(data, size);
    try {
        const std::string table = CompileStrings(parts[0], "strings.src");
        Check(table.starts_with("\xEF\xBB\xBF"));
        Check(std::count(table.begin(), table.end(), '@') <= 10000);
    } catch (const EDemoSource&) {
    }
    if (parts.size() > 2) CompileContentTables(parts[2]);
    if (parts.size() > 3) CompileEventFiles(parts[3]);
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
