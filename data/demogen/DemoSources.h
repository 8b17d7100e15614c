// The adventure's text sources compiled to the game's formats.
#pragma once

#include "DemoData.h"
#include "UGH_data.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

constexpr std::string_view cUtf8Bom = "\xEF\xBB\xBF";

// The lines of a source file, for reading and for messages that name a line as an editor counts it (from 1).
class TSourceLines {
public:
    TSourceLines(std::string_view source, const std::string& name);
    int Count() const { return FLines.Count(); }
    std::string_view Line(int line) const { return FLines.Line(line); }
    const std::string& Name() const { return FName; }
    // Raises EDemoSource "<name>, line <line + 1>: <reason>".
    [[noreturn]] void Fail(int line, const std::string& reason) const;
    int32_t Integer(int line, std::string_view text) const;
    double Real(int line, std::string_view text) const;
    // "1" or "0".
    bool Boolean(int line, std::string_view text) const;

private:
    TLineBuffer FLines;
    std::string FName;
};

// Blank lines and lines starting with "#".
bool Skipped(std::string_view line);

// The words of text, split at blanks.
std::vector<std::string_view> Words(std::string_view text);

// Sets the flags of the ids listed in text (separated by blanks); an id outside the table raises.
template <typename Flags> void SetFlags(Flags& flags, std::string_view text, const TSourceLines& lines, int line)
{
    for (const std::string_view word : Words(text)) {
        const int32_t id = lines.Integer(line, word);
        if (id < Flags::Low() || id > Flags::High())
            lines.Fail(line, "id " + std::to_string(id) + " is outside " + std::to_string(Flags::Low()) + ".." +
                                 std::to_string(Flags::High()));
        flags[id] = true;
    }
}

// "index | text" lines (skipped lines passed over) by index. An index outside 0..highest or given twice, or a
// line without "|", raises.
std::map<int32_t, std::string> ReadIndexedTexts(const TSourceLines& lines, int32_t highest);

// A record's field as the sources name it: the record's own field name.
template <typename R> struct TSourceField {
    const char* name;
    std::variant<int32_t R::*, double R::*, bool R::*, std::string R::*> member;
};

// Sets the field named key from its text; false when the record has no field of that name. A value that does
// not convert raises naming the line.
template <typename R>
bool SetSourceField(R& record, std::type_identity_t<std::span<const TSourceField<R>>> fields, std::string_view key,
                    std::string_view value, const TSourceLines& lines, int line)
{
    for (const TSourceField<R>& field : fields) {
        if (key != field.name) continue;
        std::visit(
            [&](auto member) {
                using T = std::remove_cvref_t<decltype(record.*member)>;
                if constexpr (std::is_same_v<T, int32_t>) record.*member = lines.Integer(line, value);
                else if constexpr (std::is_same_v<T, double>) record.*member = lines.Real(line, value);
                else if constexpr (std::is_same_v<T, bool>) record.*member = lines.Boolean(line, value);
                else record.*member = std::string(value);
            },
            field.member);
        return true;
    }
    return false;
}

// "index | text" lines (blank lines and lines starting with "#" skipped) to a string table: UTF-8 with a
// byte-order mark, entry after entry each ended by "@", from entry 0 to the highest index given; entries not
// listed are empty. "&" in a text is the table's line break; a text in double quotes is taken without them and
// keeps its leading and trailing blanks. An index outside 0..10000 or given twice, a line
// without "|", or a text holding "@" (it would start a new entry) raises EDemoSource naming sourceName and line.
std::string CompileStrings(std::string_view source, const std::string& sourceName);

// A text file of the game (an event's title or text): the source's lines, each ended by CR LF.
std::string CompileText(std::string_view source);

// An event script: one event a line, "type p1 p2", anything after "#" a comment; blank lines skipped. The game's
// file holds each event as three lines. A line that is not three integers raises EDemoSource naming sourceName
// and the line.
std::string CompileEventScript(std::string_view source, const std::string& sourceName);

// What a level source sets besides the map file itself.
struct TDemoMapInfo {
    std::string name;   // mapname_en.txt: the display name
    int32_t skybox = 0; // skybox.txt
};

// A level source ("# " starts a comment line).
// - Header lines "key: value": id, name, env, dir, skybox; "rndons: <names>" (the level's special sprites
//   from index 0, the rest empty); "monsters: <ids>" (the monster list: only these
//   monsters meet the player at random, all of them without the line); "playerlight: ca la qa r g b" (the
//   player light's attenuations and diffuse colour 0..1); and the legend, "cell <c>: <field>=<value> ...", a
//   grid character standing for a floor cell with the lcell fields given (Booleans 0 or 1), or for "#", ".",
//   "S" and "E" the fields changed on their own cells.
// - The grid, one text line per row y and one character per column x: "#" wall, "." floor, "S" the start, "E"
//   the exit, and the legend's characters. Its size gives mapmaxx and mapmaxy; it must be closed by walls.
// - After the grid, one line per placed object, "<kind>: <field>=<value> ..." with the record's field names:
//   "sprite" (free sprites), "mesh" (free meshes, also the saved game's working copy), "light" (level lights,
//   ar..db 0..1), "wanderer". Each starts enabled (a light shining) and fills the next slot of its table.
// Raises EDemoSource naming sourceName and line for an unknown key, cell, kind or field, a value that does not
// convert, a missing id or one that is no file name, rows of different lengths, a grid beyond 100 x 100, an open
// border, no start, two starts or two exits, a start or exit that is a wall or not passable, or more objects of a
// kind than its table holds.
void CompileMap(std::string_view source, const std::string& sourceName, TLevelData& level, TDemoMapInfo& info);
