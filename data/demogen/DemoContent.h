// The adventure's content (cards, perks, monsters, items) compiled from the tables in data/content/ and written
// through the game's own content writers.
#pragma once

#include "DemoOutput.h"
#include "UGH_tables.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// One record of a content table, its id being its place in the table.
template <typename R> struct TDemoEntry {
    R record;
    std::string overridename; // the localised name of "text/en/overrides/", empty for none
    std::string picture;      // what the entry's pictures show (a drawing of DemoContentPictures)
};

struct TDemoContent {
    std::vector<TDemoEntry<card>> cards;
    std::vector<TDemoEntry<perk>> perks;
    std::vector<TDemoEntry<character>> monsters;
    std::vector<TDemoEntry<loot>> items;
    std::vector<int32_t> lootlist; // the items a chest may hold
};

// A content table: one block of "field = value" lines per record (blank lines between blocks, lines starting
// with "#" skipped), in id order from 0. Fields are the record's own names (Booleans 0 or 1); every block may
// also give "override" and "picture". Monsters list their cards and perks as "cards = <ids>" and
// "perks = <ids>"; an item joins the loot list with "lootlist = 1". Fields not given keep the defaults the
// game's readers take for missing lines (a card's consumes -1 and sound "0", an item's crf1, crf2, l_hat,
// rq_perk, rq_item and rq_spec -1, a perk's recperk, recrace and addcard -1, a monster's loot -1); perks are
// enabled. An unknown field or a value that does not convert raises EDemoSource naming the file and line.
std::vector<TDemoEntry<card>> CompileCards(std::string_view source, const std::string& sourceName);
std::vector<TDemoEntry<perk>> CompilePerks(std::string_view source, const std::string& sourceName);
std::vector<TDemoEntry<character>> CompileMonsters(std::string_view source, const std::string& sourceName);
std::vector<TDemoEntry<loot>> CompileItems(std::string_view source, const std::string& sourceName,
                                           std::vector<int32_t>& lootlist);

// The tables of sources/content/ ("cards.src", "perks.src", "monsters.src", "items.src").
TDemoContent ReadContent(const std::filesystem::path& sources);

// The content files, the overrides under "text/en/overrides/" and "items/lootlist.txt". The perk writer takes
// its record from perks, which is restored.
void WriteContent(const TDemoContent& content, TDemoOutput& output);
