#include "DemoSources.h"

#include <charconv>
#include <optional>
#include <set>

namespace {

constexpr int32_t cHighestString = 10000;
constexpr int32_t cHighestCell = 99; // the highest grid index a map holds

} // namespace

TSourceLines::TSourceLines(std::string_view source, const std::string& name) : FName(name)
{
    if (source.starts_with(cUtf8Bom)) source.remove_prefix(cUtf8Bom.size());
    FLines.SetText(std::string(source), name);
}

void TSourceLines::Fail(int line, const std::string& reason) const
{
    throw EDemoSource(FName + ", line " + std::to_string(line + 1) + ": " + reason);
}

int32_t TSourceLines::Integer(int line, std::string_view text) const
{
    int32_t value = 0;
    if (!TryStrToInt(Trim(text), value)) Fail(line, Format("\"%s\" is not an integer", {text}));
    return value;
}

double TSourceLines::Real(int line, std::string_view text) const
{
    double value = 0;
    const std::string trimmed = Trim(text);
    const auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
    if (trimmed.empty() || error != std::errc() || end != trimmed.data() + trimmed.size())
        Fail(line, Format("\"%s\" is not a number", {text}));
    return value;
}

bool TSourceLines::Boolean(int line, std::string_view text) const
{
    const std::string trimmed = Trim(text);
    if (trimmed != "0" && trimmed != "1") Fail(line, Format("\"%s\" is not 0 or 1", {text}));
    return trimmed == "1";
}

bool Skipped(std::string_view line)
{
    const std::string text = Trim(line);
    return text.empty() || text.starts_with('#');
}

std::map<int32_t, std::string> ReadIndexedTexts(const TSourceLines& lines, int32_t highest)
{
    std::map<int32_t, std::string> entries;
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string_view line = lines.Line(i);
        if (Skipped(line)) continue;
        const std::size_t bar = line.find('|');
        if (bar == std::string_view::npos) lines.Fail(i, "expected \"index | text\"");
        const int32_t index = lines.Integer(i, line.substr(0, bar));
        if (index < 0 || index > highest)
            lines.Fail(i, "index " + std::to_string(index) + " is outside 0.." + std::to_string(highest));
        const std::string text = Trim(line.substr(bar + 1));
        if (!entries.emplace(index, text).second) lines.Fail(i, "index " + std::to_string(index) + " given twice");
    }
    return entries;
}

std::vector<std::string_view> Words(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while ((at = text.find_first_not_of(" \t", at)) != std::string_view::npos) {
        const std::size_t end = std::min(text.find_first_of(" \t", at), text.size());
        words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

std::string CompileStrings(std::string_view source, const std::string& sourceName)
{
    const TSourceLines lines(source, sourceName);
    const std::map<int32_t, std::string> entries = ReadIndexedTexts(lines, cHighestString);
    for (int i = 0; i < lines.Count(); ++i)
        if (!Skipped(lines.Line(i)) && lines.Line(i).find('@') != std::string_view::npos)
            lines.Fail(i, "\"@\" would end the entry");
    std::string table(cUtf8Bom);
    const int32_t last = entries.empty() ? 0 : entries.rbegin()->first;
    for (int32_t index = 0; index <= last; ++index) {
        if (const auto entry = entries.find(index); entry != entries.end()) {
            // A text the game joins to others with its own blanks is written in quotes, which keep them.
            const std::string& text = entry->second;
            const bool quoted = text.size() >= 2 && text.front() == '"' && text.back() == '"';
            table += quoted ? text.substr(1, text.size() - 2) : text;
        }
        table += index < last ? "@\r\n" : "\r\n";
    }
    return table;
}

std::string CompileText(std::string_view source)
{
    const TSourceLines lines(source, "");
    TLineBuffer text;
    for (int i = 0; i < lines.Count(); ++i) text.WriteTextLine(lines.Line(i));
    return text.Text();
}

std::string CompileEventScript(std::string_view source, const std::string& sourceName)
{
    const TSourceLines lines(source, sourceName);
    TLineBuffer script;
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string_view line = lines.Line(i).substr(0, lines.Line(i).find('#'));
        if (Trim(line).empty()) continue;
        const std::vector<std::string_view> values = Words(line);
        if (values.size() != 3) lines.Fail(i, "expected \"type p1 p2\"");
        for (const std::string_view value : values) script.WriteIntLine(lines.Integer(i, value));
    }
    return script.Text();
}

namespace {

// Objects stand at the height of a plain floor.
constexpr int32_t cFloorHeight = 10;

// The fields a map file stores, by record.
constexpr TSourceField<lcell> cCellFields[] = {
    {"passable", &lcell::passable}, {"wall", &lcell::wall},         {"chest", &lcell::chest},
    {"chestno", &lcell::chestno},   {"door", &lcell::door},         {"doorno", &lcell::doorno},
    {"trap", &lcell::trap},         {"traptype", &lcell::traptype}, {"power", &lcell::power},
    {"textid", &lcell::textid},     {"spritename", &lcell::spritename}, {"floor", &lcell::floor},
    {"ceil", &lcell::ceil},         {"doorface", &lcell::doorface}, {"outdoors", &lcell::outdoors},
    {"plz", &lcell::plz},           {"blockx1", &lcell::blockx1},   {"blockx2", &lcell::blockx2},
    {"blocky1", &lcell::blocky1},   {"blocky2", &lcell::blocky2},   {"grass", &lcell::grass},
    {"dens", &lcell::dens},         {"gtp", &lcell::gtp},           {"wco", &lcell::wco},
    {"fco", &lcell::fco},           {"cco", &lcell::cco},           {"wmo", &lcell::wmo},
    {"ta", &lcell::ta},             {"ra", &lcell::ra},             {"pa", &lcell::pa},
    {"dx", &lcell::dx},             {"dy", &lcell::dy},             {"dz", &lcell::dz},
    {"fwm", &lcell::fwm},           {"fmo", &lcell::fmo},           {"lgroup", &lcell::lgroup},
    {"shcast", &lcell::shcast},     {"visarea", &lcell::visarea},   {"visarea2", &lcell::visarea2},
    {"ignored", &lcell::ignored},
};
constexpr TSourceField<freesprite> cFreeSpriteFields[] = {
    {"x", &freesprite::x},       {"y", &freesprite::y},       {"z", &freesprite::z},
    {"w", &freesprite::w},       {"h", &freesprite::h},       {"dirx", &freesprite::dirx},
    {"diry", &freesprite::diry}, {"enabled", &freesprite::enabled}, {"fixed", &freesprite::fixed},
    {"name", &freesprite::name},
};
constexpr TSourceField<freemesh> cFreeMeshFields[] = {
    {"x", &freemesh::x},     {"y", &freemesh::y},     {"z", &freemesh::z},       {"ta", &freemesh::ta},
    {"ra", &freemesh::ra},   {"pa", &freemesh::pa},   {"enabled", &freemesh::enabled}, {"name", &freemesh::name},
    {"sx", &freemesh::sx},   {"sy", &freemesh::sy},   {"sz", &freemesh::sz},     {"texture", &freemesh::texture},
    {"fire", &freemesh::fire}, {"fdx", &freemesh::fdx}, {"fdy", &freemesh::fdy}, {"fdz", &freemesh::fdz},
    {"bhv", &freemesh::bhv}, {"x1", &freemesh::x1},   {"x2", &freemesh::x2},     {"y1", &freemesh::y1},
    {"y2", &freemesh::y2},   {"z1", &freemesh::z1},   {"z2", &freemesh::z2},     {"spd", &freemesh::spd},
    {"loop", &freemesh::loop}, {"rx", &freemesh::rx}, {"ry", &freemesh::ry},     {"rz", &freemesh::rz},
    {"rta", &freemesh::rta}, {"rra", &freemesh::rra}, {"rpa", &freemesh::rpa},   {"trscript", &freemesh::trscript},
    {"shcast", &freemesh::shcast},
};
constexpr TSourceField<lightslot> cLightFields[] = {
    {"ar", &lightslot::ar},   {"ag", &lightslot::ag},   {"ab", &lightslot::ab},   {"dr", &lightslot::dr},
    {"dg", &lightslot::dg},   {"db", &lightslot::db},   {"sr", &lightslot::sr},   {"sg", &lightslot::sg},
    {"sb", &lightslot::sb},   {"ca", &lightslot::ca},   {"la", &lightslot::la},   {"qa", &lightslot::qa},
    {"x", &lightslot::x},     {"y", &lightslot::y},     {"z", &lightslot::z},     {"shining", &lightslot::shining},
    {"sdx", &lightslot::sdx}, {"sdy", &lightslot::sdy}, {"sdz", &lightslot::sdz}, {"style", &lightslot::style},
    {"cutoff", &lightslot::cutoff}, {"exponent", &lightslot::exponent}, {"persists", &lightslot::persists},
    {"external", &lightslot::external}, {"lgroup", &lightslot::lgroup},
};
constexpr TSourceField<wanderer> cWandererFields[] = {
    {"enabled", &wanderer::enabled}, {"x", &wanderer::x},         {"y", &wanderer::y},
    {"mtype", &wanderer::mtype},     {"behav", &wanderer::behav}, {"script", &wanderer::script},
};

// "field=value" words set on record.
template <typename R>
void SetFields(R& record, std::type_identity_t<std::span<const TSourceField<R>>> fields, std::string_view text,
               const TSourceLines& lines, int line)
{
    for (const std::string_view word : Words(text)) {
        const std::size_t equals = word.find('=');
        if (equals == std::string_view::npos)
            lines.Fail(line, "expected field=value, not \"" + std::string(word) + "\"");
        const std::string_view key = word.substr(0, equals);
        if (!SetSourceField(record, fields, key, word.substr(equals + 1), lines, line))
            lines.Fail(line, "unknown field \"" + std::string(key) + "\"");
    }
}

// The next slot of a table of placed objects, set from the line's fields.
template <typename R, int32_t Hi>
void PlaceObject(TBoundedTable<R, 0, Hi>& table, int32_t& used, R placed,
                 std::type_identity_t<std::span<const TSourceField<R>>> fields, std::string_view text,
                 const TSourceLines& lines, int line, const char* kind)
{
    if (used > Hi) lines.Fail(line, "more than " + std::to_string(Hi + 1) + " of kind \"" + kind + "\"");
    SetFields(placed, fields, text, lines, line);
    table[used++] = std::move(placed);
}

// A cell as clearing the level leaves it, then open.
lcell FloorCell()
{
    static const std::string noSprite = "0";
    lcell cell;
    cell.textid = -1;
    cell.passable = cell.floor = cell.ceil = true;
    cell.spritename = noSprite;
    cell.plz = cFloorHeight;
    return cell;
}

// The placed objects after the grid.
void CompileObjects(const TSourceLines& lines, int first, TLevelData& level)
{
    int32_t sprites = 0, meshes = 0, lights = 0, wanderers = 0;
    for (int line = first; line < lines.Count(); ++line) {
        const std::string_view text = lines.Line(line);
        if (Skipped(text)) continue;
        const std::size_t colon = text.find(':');
        const std::string kind = Trim(text.substr(0, colon));
        if (colon == std::string_view::npos) lines.Fail(line, "expected \"<kind>: <field>=<value> ...\"");
        const std::string_view fields = text.substr(colon + 1);
        if (kind == "sprite") {
            freesprite sprite;
            sprite.enabled = true;
            PlaceObject(level.freesprites, sprites, sprite, cFreeSpriteFields, fields, lines, line, "sprite");
        } else if (kind == "mesh") {
            freemesh mesh;
            mesh.enabled = true;
            PlaceObject(level.mapfreemeshes, meshes, mesh, cFreeMeshFields, fields, lines, line, "mesh");
        } else if (kind == "light") {
            lightslot light;
            light.shining = true;
            PlaceObject(level.levellights, lights, light, cLightFields, fields, lines, line, "light");
        } else if (kind == "wanderer") {
            wanderer roamer;
            roamer.enabled = true;
            PlaceObject(level.wanderers, wanderers, roamer, cWandererFields, fields, lines, line, "wanderer");
        } else {
            lines.Fail(line, "unknown kind \"" + kind + "\"");
        }
    }
    level.freemeshes = level.mapfreemeshes;
}

} // namespace

void CompileMap(std::string_view source, const std::string& sourceName, TLevelData& level, TDemoMapInfo& info)
{
    const TSourceLines lines(source, sourceName);
    std::optional<std::string> id;
    int32_t env = 0, dir = 0;
    std::map<char, lcell> legend = {{'.', FloorCell()}, {'S', FloorCell()}, {'E', FloorCell()}};
    lcell& wall = legend['#'] = FloorCell();
    wall.wall = true;
    wall.passable = wall.floor = wall.ceil = false;
    std::set<char> given; // the legend's lines
    level.mapmonsters.Fill(true);
    level.playerlight = {};
    int line = 0;
    for (; line < lines.Count(); ++line) {
        const std::string_view text = lines.Line(line);
        // A grid row starts with "#" too, but holds no blank.
        if (Trim(text).empty() || text.starts_with("# ")) continue;
        const std::size_t colon = text.find(':');
        if (colon == std::string_view::npos) break; // the grid
        const std::string key = Trim(text.substr(0, colon));
        const std::string value = Trim(text.substr(colon + 1));
        if (key == "id") id = value;
        else if (key == "name") info.name = value;
        else if (key == "env") env = lines.Integer(line, value);
        else if (key == "dir") dir = lines.Integer(line, value);
        else if (key == "skybox") info.skybox = lines.Integer(line, value);
        else if (key == "rndons") {
            const std::vector<std::string_view> names = Words(value);
            if (std::ssize(names) > level.rndons.High() + 1) lines.Fail(line, "more than 101 names");
            level.rndons.Clear();
            for (std::size_t at = 0; at < names.size(); ++at) level.rndons[static_cast<int32_t>(at)] = names[at];
        }
        else if (key == "monsters") {
            level.mapmonsters.Fill(false);
            SetFlags(level.mapmonsters, value, lines, line);
        } else if (key == "playerlight") {
            const std::vector<std::string_view> values = Words(value);
            if (values.size() != 6) lines.Fail(line, "expected ca la qa r g b");
            playerlightvalues& light = level.playerlight;
            for (auto [at, field] : {std::pair{0, &light.ca}, {1, &light.la}, {2, &light.qa}, {3, &light.dr},
                                     {4, &light.dg}, {5, &light.db}})
                *field = lines.Real(line, values[at]);
        } else if (key.starts_with("cell ") && key.size() == 6) {
            const char symbol = key[5];
            if (!given.insert(symbol).second) lines.Fail(line, std::string("cell \"") + symbol + "\" given twice");
            // ".", "#", "S" and "E" change their own fields; any other character starts as a floor cell.
            lcell& cell = legend.contains(symbol) ? legend[symbol] : legend[symbol] = FloorCell();
            SetFields(cell, cCellFields, value, lines, line);
            if ((symbol == 'S' || symbol == 'E') && (!cell.passable || cell.wall))
                lines.Fail(line, std::string("the ") + (symbol == 'S' ? "start" : "exit") + " must be an open cell");
        } else {
            lines.Fail(line, "unknown key \"" + key + "\"");
        }
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
            const auto kind = legend.find(symbol);
            if (kind == legend.end()) lines.Fail(firstRow + y, std::string("unknown cell \"") + symbol + "\"");
            const bool border = x == 0 || y == 0 || x == level.mapmaxx || y == level.mapmaxy;
            if (border && !kind->second.wall) lines.Fail(firstRow + y, "the grid must be closed by walls");
            lcell& cell = level.levelgrid[x][y];
            cell = kind->second;
            cell.x = x;
            cell.y = y;
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
    CompileObjects(lines, firstRow + rows, level);
}
