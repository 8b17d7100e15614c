// The adventure's text sources compiled to the game's formats.
#pragma once

#include "DemoData.h"
#include "UGH_data.h"

#include <string>
#include <string_view>

// "index | text" lines (blank lines and lines starting with "#" skipped) to a string table: UTF-8 with a
// byte-order mark, entry after entry each ended by "@", from entry 0 to the highest index given; entries not
// listed are empty. "&" in a text is the table's line break. An index outside 0..10000 or given twice, a line
// without "|", or a text holding "@" (it would start a new entry) raises EDemoSource naming sourceName and line.
std::string CompileStrings(std::string_view source, const std::string& sourceName);

// What a level source sets besides the map file itself.
struct TDemoMapInfo {
    std::string name;   // mapname_en.txt: the display name
    int32_t skybox = 0; // skybox.txt
};

// A level source: "key: value" header lines (id, name, env, dir, skybox), then the grid, one text line per row
// y and one character per column x: "#" wall, "." floor, "S" the start, "E" the exit, "B" a barrel and "A" an
// altar (floor cells with a sprite). The grid's size gives mapmaxx and mapmaxy; it must be closed by walls.
// Raises EDemoSource naming sourceName and line for an unknown key or cell, a missing id or one that is no file
// name, rows of different lengths, a grid beyond 100 x 100, an open border, no start, two starts or two exits.
void CompileMap(std::string_view source, const std::string& sourceName, TLevelData& level, TDemoMapInfo& info);
