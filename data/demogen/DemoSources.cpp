#include "DemoSources.h"

#include <map>
#include <optional>

namespace {

constexpr std::string_view cUtf8Bom = "\xEF\xBB\xBF";
constexpr int32_t cHighestString = 10000;
constexpr int32_t cHighestCell = 99; // the highest grid index a map holds

// The lines of a source file, for reading and for messages that name a line as an editor counts it.
class TSourceLines {
public:
    TSourceLines(std::string_view source, const std::string& name) : FName(name)
    {
        if (source.starts_with(cUtf8Bom)) source.remove_prefix(cUtf8Bom.size());
        FLines.SetText(std::string(source), name);
    }
    int Count() const { return FLines.Count(); }
    std::string_view Line(int line) const { return FLines.Line(line); }
    [[noreturn]] void Fail(int line, const std::string& reason) const
    {
        throw EDemoSource(FName + ", line " + std::to_string(line + 1) + ": " + reason);
    }
    int32_t Integer(int line, std::string_view text) const
    {
        int32_t value = 0;
        if (!TryStrToInt(Trim(text), value)) Fail(line, Format("\"%s\" is not an integer", {text}));
        return value;
    }

private:
    TLineBuffer FLines;
    std::string FName;
};

bool Skipped(std::string_view line)
{
    const std::string text = Trim(line);
    return text.empty() || text.starts_with('#');
}

} // namespace

std::string CompileStrings(std::string_view source, const std::string& sourceName)
{
    const TSourceLines lines(source, sourceName);
    std::map<int32_t, std::string> entries;
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string_view line = lines.Line(i);
        if (Skipped(line)) continue;
        const std::size_t bar = line.find('|');
        if (bar == std::string_view::npos) lines.Fail(i, "expected \"index | text\"");
        const int32_t index = lines.Integer(i, line.substr(0, bar));
        if (index < 0 || index > cHighestString)
            lines.Fail(i, "index " + std::to_string(index) + " is outside 0.." + std::to_string(cHighestString));
        const std::string text = Trim(line.substr(bar + 1));
        if (text.find('@') != std::string::npos) lines.Fail(i, "\"@\" would end the entry");
        if (!entries.emplace(index, text).second) lines.Fail(i, "index " + std::to_string(index) + " given twice");
    }
    std::string table(cUtf8Bom);
    const int32_t last = entries.empty() ? 0 : entries.rbegin()->first;
    for (int32_t index = 0; index <= last; ++index) {
        if (const auto entry = entries.find(index); entry != entries.end()) table += entry->second;
        table += index < last ? "@\r\n" : "\r\n";
    }
    return table;
}

namespace {

// The map's cell kinds by their grid character.
struct TCellKind {
    char symbol;
    bool wall;
    const char* sprite; // "0": none
};
constexpr TCellKind cCellKinds[] = {
    {'#', true, "0"},  {'.', false, "0"}, {'S', false, "0"},
    {'E', false, "0"}, {'B', false, "spr_barrel1"}, {'A', false, "altar1"},
};
// Objects stand at the height of a plain floor.
constexpr int32_t cFloorHeight = 10;

const TCellKind* CellKind(char symbol)
{
    for (const TCellKind& kind : cCellKinds)
        if (kind.symbol == symbol) return &kind;
    return nullptr;
}

} // namespace

void CompileMap(std::string_view source, const std::string& sourceName, TLevelData& level, TDemoMapInfo& info)
{
    const TSourceLines lines(source, sourceName);
    std::optional<std::string> id;
    int32_t env = 0, dir = 0;
    int line = 0;
    for (; line < lines.Count(); ++line) {
        const std::string_view text = lines.Line(line);
        // Comments are not allowed here: a grid row starts with "#" too.
        if (Trim(text).empty()) continue;
        const std::size_t colon = text.find(':');
        if (colon == std::string_view::npos) break; // the grid
        const std::string key = Trim(text.substr(0, colon));
        const std::string value = Trim(text.substr(colon + 1));
        if (key == "id") id = value;
        else if (key == "name") info.name = value;
        else if (key == "env") env = lines.Integer(line, value);
        else if (key == "dir") dir = lines.Integer(line, value);
        else if (key == "skybox") info.skybox = lines.Integer(line, value);
        else lines.Fail(line, "unknown key \"" + key + "\"");
    }
    if (!id || id->empty()) lines.Fail(line, "the level has no id");
    // The id names the map's file and folder.
    if (id->find_first_of("\\/.") != std::string::npos) lines.Fail(line, "the id \"" + *id + "\" is not a file name");
    if (dir < 0 || dir > 3) lines.Fail(line, "dir must be 0..3");
    const int firstRow = line;
    int rows = 0;
    std::size_t width = 0;
    while (firstRow + rows < lines.Count() && !Trim(lines.Line(firstRow + rows)).empty()) {
        const std::size_t rowWidth = lines.Line(firstRow + rows).size();
        if (rows == 0) width = rowWidth;
        else if (rowWidth != width) lines.Fail(firstRow + rows, "the row is not as wide as the first one");
        ++rows;
    }
    for (int rest = firstRow + rows; rest < lines.Count(); ++rest)
        if (!Trim(lines.Line(rest)).empty()) lines.Fail(rest, "text after the grid");
    if (rows < 3 || width < 3) lines.Fail(firstRow, "the grid needs at least 3 x 3 cells");
    if (rows > cHighestCell + 1 || width > cHighestCell + 1) lines.Fail(firstRow, "the grid is larger than 100 x 100");

    level.mapmaxx = static_cast<int32_t>(width) - 1;
    level.mapmaxy = rows - 1;
    ClearLevelTables(level);
    level.mapid = *id;
    level.mapname = info.name.empty() ? *id : info.name;
    level.envindex = env;
    level.startdir = dir;
    level.exitx = level.exity = -1;
    bool started = false;
    for (int32_t y = 0; y <= level.mapmaxy; ++y) {
        const std::string_view row = lines.Line(firstRow + y);
        for (int32_t x = 0; x <= level.mapmaxx; ++x) {
            const char symbol = row[static_cast<std::size_t>(x)];
            const TCellKind* kind = CellKind(symbol);
            if (!kind) lines.Fail(firstRow + y, std::string("unknown cell \"") + symbol + "\"");
            const bool border = x == 0 || y == 0 || x == level.mapmaxx || y == level.mapmaxy;
            if (border && !kind->wall) lines.Fail(firstRow + y, "the grid must be closed by walls");
            lcell& cell = level.levelgrid[x][y];
            cell.wall = kind->wall;
            cell.passable = cell.floor = cell.ceil = !kind->wall;
            cell.spritename = kind->sprite;
            cell.plz = cFloorHeight;
            if (symbol == 'S') {
                if (started) lines.Fail(firstRow + y, "a second start");
                started = true;
                level.startx = x;
                level.starty = y;
            } else if (symbol == 'E') {
                if (level.exitx >= 0) lines.Fail(firstRow + y, "a second exit");
                level.exitx = x;
                level.exity = y;
            }
        }
    }
    if (!started) lines.Fail(firstRow, "the grid has no start \"S\"");
}
