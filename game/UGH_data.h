// The game's data files, shared by the game and the editors, with no window: the line files and their nine line
// routines, the configuration file "gh.cfg" with its globals, the localised string table, the map file with
// its side files, the content files, and the save game with its lists.
//
// Every data file is text with one value per line. Each reader loads its whole file into a line buffer of its
// own and reads lines by zero-based number; each writer fills a buffer and replaces its file atomically.
#pragma once

#include "SysUtils.h"
#include "TextEncoding.h"
#include "UGH_tables.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A data file that cannot be read or written: the message names the file and, for a bad value, the line
// (counted from 1, as a text editor shows it).
class EGameDataError : public Exception {
public:
    using Exception::Exception;
};

// ---- Line files ----

// The lines of one data file. Reading a line at or beyond the end gives empty text; a value that does not
// convert raises EGameDataError naming the file and the line. Booleans are written "-1" and "0", reals with
// "." as the separator; reals are read with "." or ",".
class TLineBuffer {
public:
    // Loads the whole file (the engine's hooked file stream; "\" and any letter case resolve): a byte-order
    // mark decides the encoding, else valid UTF-8 is UTF-8, else the language's legacy code page. CR LF, LF
    // and CR end a line; a final line break adds no line. A missing file raises EGameDataError.
    void LoadFromFile(const std::string& fileName);
    void LoadFromFile(const std::string& fileName, TLegacyCodePage codePage);
    // Takes decoded text as if it had been loaded from fileName, the name used in messages.
    void SetText(std::string text, std::string fileName);
    // Writes the lines, each ended by CR LF, as UTF-8; the old file is replaced only by a complete new one.
    void SaveToFile(const std::string& fileName) const;
    void Clear();

    int Count() const { return FCount; }
    std::string_view Line(int line) const;
    // The text as loaded, or as written so far.
    const std::string& Text() const { return FText; }
    const std::string& FileName() const { return FFileName; }
    // Raises EGameDataError "<file>, line <line + 1>: <reason>".
    [[noreturn]] void LineError(int line, std::string_view reason) const;

    void WriteIntLine(int32_t value);
    // Non-finite values are written as 0, so that the file reads back.
    void WriteFloatLine(double value);
    void WriteBoolLine(bool value);
    // Line breaks inside the text would start new lines and shift every value after them: they become blanks.
    void WriteTextLine(std::string_view value);

    // Decimal text with optional leading blanks and sign; anything else raises.
    int32_t ReadIntLine(int line) const;
    // A decimal real with "." or ","; anything else raises.
    double ReadFloatLine(int line) const;
    // Every character other than a digit, a leading "-" and an exponent becomes the separator first, so "2,5",
    // "2.5" and "2;5" read as 2.5; what still does not convert ("1,5,0") raises.
    double ReadLenientFloatLine(int line) const;
    // "0" and "False" are false; any other integer and "True" true (letter case ignored); anything else false.
    bool ReadBoolLine(int line) const;
    std::string ReadTextLine(int line) const;

private:
    // A line that is missing raises as a bad value does.
    std::string_view ValueLine(int line) const;
    // The end of the line that starts at start (its first CR or LF, or the end of the text).
    std::size_t LineEnd(std::size_t start) const;

    std::string FText;
    int FCount = 0;
    // Readers go through a file line after line: the start of the line read last is kept, so that reading the
    // next one costs only that line and no table of lines is built.
    mutable int FCursorLine = 0;
    mutable std::size_t FCursorStart = 0;
    std::string FFileName;
};

// The legacy code page of a language folder's texts: Windows-1251 for "ru", else Windows-1252.
TLegacyCodePage LanguageCodePage(std::string_view language);

// ---- Paths ----

// The program folder without a trailing separator; every data path is gamedir + "\...".
extern std::string gamedir;
// gamedir + relativePath (written with "\"), with "/" between its parts.
std::string GamePath(std::string_view relativePath);

class TFolderSnapshot;

// For the length of a pass over many data files in folders that do not change while it lasts (the start-up
// catalogue, one map read), DataFileExists lists each folder once and answers from memory, in any letter case.
// A pass inside another lists its folders anew; a pass serves the thread that opened it.
class TDataFolderPass {
public:
    TDataFolderPass();
    ~TDataFolderPass();
    TDataFolderPass(const TDataFolderPass&) = delete;
    TDataFolderPass& operator=(const TDataFolderPass&) = delete;

private:
    std::unique_ptr<TFolderSnapshot> FSnapshot;
    TFolderSnapshot* FOuter;
};

// Whether the file exists: from the listings of the current TDataFolderPass, or as HookedFileExists answers
// outside one and whenever the engine's file hooks are set (tests and tools may hook file access).
bool DataFileExists(const std::string& fileName);

// ---- Configuration ("\gh.cfg", 45 lines, one setting each: the game's whole configuration) ----

extern std::string lng;                        // 0: language folder under "\text\"
extern int32_t movespeed, turnspeed;           // 1, 2
extern int32_t minvd, fogdist, camdist;        // 3, 4, 5
extern int32_t soundvol, musicvol, soundrate;  // 6, 7, 8
extern bool soundon, musicon, showbtllog;      // 9, 10, 11
extern bool leveling;                          // 12
extern int32_t texquality;                     // 13: 1 "hq", 0 "lq", -1 "pq"
extern int32_t brightness;                     // 14
extern bool lessredraws;                       // 15
extern int32_t aaindex;                        // 16: anti-aliasing index 0..4 for the window's SwitchAA
extern int32_t cardsize;                       // 17
extern bool randommode, tooltips, hardcore;    // 18, 19, 20
extern int32_t difficulty;                     // 21
extern bool fullscreen;                        // 22
extern int32_t fswidth, fsheight, fsrefresh;   // 23, 24, 25
extern bool vsyncon, no3ddoors, nolights;      // 26, 27, 28
extern bool nofire;                            // 29
// Lines 30..44 take these defaults when missing or unreadable.
extern bool multithread;                       // 30, true
extern bool poorquality, extdmginfo, autodeck; // 31, 32, 33, false
extern bool nograss;                           // 34, false
extern bool shortbtllog, shadows;              // 35, 36, true
extern bool torchshadows;                      // 37, false
extern int32_t shadowmode;                     // 38, 1
extern bool globalcast;                        // 39, false
extern bool desiredfpson;                      // 40, true
extern int32_t desiredfps, maxvd;              // 41, 42: 30, 15
extern int32_t adventure;                      // 43, 0: line of "\text\adventureid.txt"
extern bool fullmute;                          // 44, false

// Derived when the configuration is read.
extern std::string adventureid; // line `adventure` of "\text\adventureid.txt"; "map_" at start
extern std::string qualitydir;  // texture quality folder: "hq" at start
extern int32_t viewdist;        // current block rendering distance in cells: maxvd after a read

// The texture folder of a quality value: 1 "hq", 0 "lq", -1 "pq"; "" for any other value.
std::string QualityDirOf(int32_t quality);

// The values a whole-number setting can take; a setting without bounds spans Integer.
struct TSettingBounds {
    int32_t Low, High;
};
TSettingBounds SettingBounds(const int32_t& global);

// Reads gamedir + "\gh.cfg" into the globals above, all or nothing: a missing file, or a missing or bad line
// among 0..15 and 17..29, raises EGameDataError naming the file and line and changes nothing. Line 16 and
// lines 30..44 take their defaults. A number outside its setting's bounds is held at the nearer one (logged
// naming the file and line). Then adventureid (a missing file or line gives "map_", logged), viewdist
// := maxvd, and qualitydir from texquality (unchanged for an unknown value).
void ReadConfig();
// Line `index` (from 0) of gamedir + "\text\adventureid.txt"; "map_" when the file or the line is missing (logged).
std::string ReadAdventureId(int32_t index);
// Writes the 45 settings to gamedir + "\gh.cfg", replacing it atomically.
void SaveSettings();

// ---- Localised strings ----

// Fills strings from gamedir + "\text\" + language + "\strings.txt": "@" ends an entry, "&" becomes CR LF, the
// file's CR and LF are dropped; entries the file does not reach are empty, entries beyond the table are
// ignored (logged). A missing file raises EGameDataError and leaves the table as it was.
void fillstrarr(const std::string& language, std::span<std::string> strings);

// ---- Map files ----

// The version SaveMap writes; LoadMap reads every version up to it.
constexpr int32_t cMapVersion = 22;

// The player light as "lightdata.txt" stores it; a map without the file takes these values.
struct playerlightvalues {
    double ca = 0.5, la = 0.01, qa = 0.01; // constant, linear, quadratic attenuation
    double dr = 1.0, dg = 127.0 / 255.0, db = 0.0; // diffuse colour

    bool operator==(const playerlightvalues&) const = default;
};
// What the last map read gave for the player light; the window applies it to its light.
extern playerlightvalues playerlightdata;

// Everything a map file and its side files set: the level's tables and values. A map is read into one of these
// and swapped into the globals only when the whole map has been read.
struct TLevelData {
    std::string mapid, mapname;
    int32_t mapmaxx = 0, mapmaxy = 0, envindex = 0;
    int32_t startx = 0, starty = 0, exitx = 0, exity = 0, startdir = 0, mapspare = 0;
    int32_t skyboxno = 0;
    TBoundedTable<std::string, 0, 100> rndons;
    TBoundedTable<TBoundedArray<lcell, 0, 100>, 0, 100> levelgrid;
    TBoundedTable<freesprite, 0, 200> freesprites;
    TBoundedTable<freemesh, 0, 200> mapfreemeshes;
    TBoundedTable<freemesh, 0, 200> freemeshes;
    TBoundedTable<lightslot, 0, 19> levellights;
    TBoundedTable<wanderer, 0, 200> wanderers;
    TBoundedTable<bool, 0, 100> mapmonsters;
    playerlightvalues playerlight;

    bool operator==(const TLevelData&) const = default;
};

// Exchanges every member with its global (levelgrid, mapid, ..., playerlightdata).
void SwapLevelData(TLevelData& level);
// A copy of the current level's globals.
TLevelData CurrentLevelData();

// Empties a level's tables: the cells of the whole grid lose their walls, doors, events, overrides and blocks
// (wmo, fmo, plz, dens, gtp, ignored and the working fields stay); the cells in use get their coordinates and
// a border of walls; free sprites, free meshes and wanderers are disabled, the lights switched off.
void ClearLevelTables(TLevelData& level);

// The window's load screen: called with the display name of the map before a map is read or written, once the
// name is known, and after every cell, free sprite and free mesh. It may be empty.
using TMapProgress = std::function<void(const std::string& levelname)>;

// Reads map file fileName (versions 0 to 22) and its side files from gamedir + "\levels\" + mapid + "\":
// "mapname_" + lng + ".txt" (else the name is the map id), "skybox.txt" (else 0), "lightdata.txt" (else the
// default player light), the monster list and, for versions below 16, the cell side files. A file whose first
// line is not a non-zero integer is version 0 with the map id on that line; fields and sections a version does
// not store take their defaults. The level changes only when the whole map reads: a missing or unreadable
// file, a version outside 0..22, a grid larger than 100 x 100 or a start outside it raise EGameDataError and
// leave the level as it was. levelbusy is set while reading and cleared however it ends; on success
// explored is cleared and camsnap set.
void LoadMap(const std::string& fileName, const TMapProgress& progress = {});
// What LoadMap reads, into a level of its own: the current level is not touched (levelbusy neither).
TLevelData ReadMapFile(const std::string& fileName, const TMapProgress& progress = {});
// Writes the current level as a version-22 map file, replaced atomically: mapfreemeshes when saveb (the editor's
// map), freemeshes otherwise (a saved game). Sets levelbusy and levelsaving, and clears levelbusy at the end.
void SaveMap(const std::string& fileName, bool saveb, const TMapProgress& progress = {});
// The map editor's part in reading and writing maps (the game knows no editor; the editor sets these, each may
// be empty): once LoadMap has a map in and levelbusy is clear, OnMapLoaded learns whether envindex changed; once
// SaveMap has written its file, OnMapSaved runs.
extern std::function<void(bool envchanged)> OnMapLoaded;
extern std::function<void()> OnMapSaved;

// The cell side files of cell (i, j) of the current map, when it has a map id: line 0 of "<i>_<j>_w.txt",
// "_f.txt", "_c.txt" and "_fo.txt" give wco, fco, cco and fmo (empty without the file); "_mo.txt" gives wmo
// (line 0), ta, ra, pa, dx, dy, dz (lines 2..7) and fwm (line 8); a bad number there zeroes ta..dz and fwm, and
// without the file wmo is empty, ta..dz 0 and fwm unchanged. An unreadable file raises EGameDataError and
// leaves the cell as it was.
void ReadCellOverrides(int32_t i, int32_t j);
// Writes orr as the only line of the current map's "<x>_<y>_" + letter + ".txt". Nothing is written without a
// map id, for a letter that would leave the map's folder, or when the folder is missing; errors are ignored.
void WriteCellOverride(int32_t x, int32_t y, const std::string& orr, const std::string& letter);
// Writes the cell's "_mo.txt" from levelgrid (wmo, "null", ta, ra, pa, dx, dy, dz, fwm) as WriteCellOverride.
void WriteCellMeshData(int32_t x, int32_t y);

// A "lightdata.txt": the player light's constant, linear and quadratic attenuation in ten-thousandths, then its
// diffuse red, green and blue in 0..255, rounded. A missing file or a bad line raises EGameDataError.
playerlightvalues ReadLightData(const std::string& fileName);
void WriteLightData(const std::string& fileName, const playerlightvalues& light);

// mapmonsters from the current map's "monsterlist.txt" (101 Boolean lines); every monster allowed without it.
void LoadMonsterList();
// Writes mapmonsters to the current map's "monsterlist.txt", making the map's folder when it is missing.
void SaveMonsterList();

// Door faces: a cell is blocked when it is not passable, a door or a wall, or lies outside the grid in use.
// setcelldoorface turns the door of cell (x, y) to 90 when the cells above and below are blocked, then to 0 when
// those left and right are (0 wins when both hold); otherwise it keeps its face. autosetdoors does it for every
// door of the grid in use, x outer.
void setcelldoorface(int32_t x, int32_t y);
void autosetdoors();

// ---- Content files (cards, perks, characters, items) ----
//
// The readers return a record and never touch the global tables. A field whose line is missing or unreadable
// takes its line default; where a line has none, the read ends as each reader says (logged with file and line).
// Fields a read does not reach keep the line defaults, else the record's. A missing file raises EGameDataError.

// A card file (22 lines). Lines 2..12 have no default: a missing or bad one raises. The card comes back enabled,
// with its name replaced by line 0 of "\text\" + loc + "\overrides\spells\" + id + ".txt" when that file exists
// and is not empty (id: the card file's name up to its first ".").
card LoadCard(const std::string& fn, const std::string& loc);
void SaveCard(const card& cts, const std::string& fn);

// A perk file (22 lines) read as perk pid. A bad line other than the defaulted 20 and 21 ends the read and
// leaves the perk disabled with the lines read before it. SavePerk writes perks[pid].
perk LoadPerk(int32_t pid, const std::string& fn);
void SavePerk(int32_t pid, const std::string& fn);

// A character file (1121 lines): the monsters and the saved player. A bad lvl, attribute, skill or spec ends
// the read; loot and lootchance, and w_wd, w_ht and w_zs, take their defaults together.
character LoadChar(const std::string& fn);
// The player of a saved game, which the game writes whole: a line that is missing or does not read as its value
// raises EGameDataError naming the file and line.
character LoadSavedChar(const std::string& fn);
void SaveChar(const character& cts, const std::string& fn);

// An item file (30 lines). A bad line among 1..12 ends the read, with no later line read. overridename comes
// from extractitemoverridename, or is the name.
loot LoadLoot(const std::string& fn);
void SaveLoot(const loot& lts, const std::string& fn);
// Line 0 of a name-override file; none when the file is missing, holds no line or cannot be read (logged).
std::optional<std::string> OverrideName(const std::string& fileName);
// Line 0 of "\text\" + language + "\overrides\items\" + id + ".txt", or "-nil-" when there is no such file or
// it holds no line.
std::string extractitemoverridename(const std::string& language, int32_t id);

// ---- Event scripts ----

// One entry of an event script: an event type and its two parameters.
struct evtriple {
    int32_t p1 = 0, p2 = 0, type = 0;

    bool operator==(const evtriple&) const = default;
};
// An event script holds at most this many entries.
constexpr int32_t cEventScriptEntries = 101;

// The entries of an event script, its lines taken in threes: the type, p1 and p2 of one entry, a line that is no
// integer giving 0. An incomplete last entry is left out, and so are the entries beyond the 101st (logged).
std::vector<evtriple> EventScriptEntries(const TLineBuffer& lines);
// The entries of the event script fileName ("\scripts\scr_" + n + ".txt"). A missing file raises EGameDataError
// naming it.
std::vector<evtriple> ReadEventScript(const std::string& fileName);

// ---- Save games and the lists beside them ----

// cpenames[0..100], the names of the coded perk effects, from lines 0..100 of "\text\" + lng + "\cpe.txt"
// (missing lines empty). A missing file raises EGameDataError and leaves the names as they were.
void getcpeids();

// The player's state that "chsave2.sav" stores beside the character file: the player record's own values with
// the game's counters, variables, item counts, worn items and explored cells.
struct TPlayerState {
    // Only face, hair, cloth, xp, xpreq, bonuspoints, sex, the base attributes and skills and spellen are
    // stored; the rest of the record comes from the character file.
    character player;
    int32_t perkpoints = 0, playerx = 0, playery = 0, lookside = 0, keys1 = 0, keys2 = 0;
    int32_t levelno = 0, levelsteps = 0;
    TBoundedTable<std::string, 0, 1000> strvars;
    TBoundedTable<int32_t, 0, 1000> intvars;
    TBoundedTable<int32_t, 0, 1000> itemcounts; // items[].count
    TBoundedTable<int32_t, 0, 3> equipped;
    TBoundedTable<TBoundedArray<bool, 0, 100>, 0, 100> explored;
    bool randommode = false;
    int32_t activecard = 0; // the window's, which takes it from here
    bool scriptpopups = true;

    bool operator==(const TPlayerState&) const = default;
};

// A copy of the globals a player state holds, with the window's activecard.
TPlayerState CurrentPlayerState(int32_t activecard);
// Exchanges every member with its global (player, perkpoints, ..., items[].count, scriptpopups); activecard
// stays in the state for the window.
void SwapPlayerState(TPlayerState& state);

// The player state file for a map of cells [0..maxx] x [0..maxy]: 4029 fixed lines, the explored block of
// that size (x outer) and five tail lines. A size outside 0..100 raises EGameDataError and writes nothing.
// Sets levelbusy and levelsaving, and clears both however it ends.
void SavePlayer(const TPlayerState& state, int32_t maxx, int32_t maxy, const std::string& fn);
// Reads a player state file written for a map of that size (the map is read first) over the player record
// given (the one the character file holds). A bad Integer line before the tail, a player cell outside the map
// or a size outside 0..100 raises EGameDataError naming file and line. The tail lines that are missing or bad
// take their defaults: equipped[2] -1, random mode off, activecard 0, equipped[3] -1, scriptpopups on. A worn
// item outside -1..1000 becomes -1, a facing outside 0..3 becomes 0. Sets levelbusy while it reads and
// clears it however it ends.
TPlayerState LoadPlayer(const std::string& fn, int32_t maxx, int32_t maxy, const character& player);

// The global script list: SaveGS writes the id of every gslist entry; LoadGS reads at most 10001 names and
// returns, in order, those whose script "\scripts\" + name + ".txt" exists (a name that is empty or leads out
// of that folder is skipped). A missing file raises EGameDataError.
void SaveGS(const std::string& fn);
std::vector<std::string> LoadGS(const std::string& fn);

// The journal sequence: one entry number per line. LoadJSeq raises EGameDataError at a line that is not an
// integer; an empty file gives [0], the entry every journal starts with.
void SaveJSeq(const std::string& fn);
TDynArray<int32_t> LoadJSeq(const std::string& fn);

// Writes the player light's attenuations and diffuse colour to the current map's "lightdata.txt" when reas is
// 1, to "\saves\lightdata.txt" when it is 2, making the folder when it is missing; any other reas writes nothing.
void savelight(double ca, double la, double qa, double r, double g, double b, int32_t reas);
// The player light of "\saves\lightdata.txt"; none when there is no such file. The caller sets the player
// light from it. Sets levelbusy while it reads and clears it however it ends.
std::optional<playerlightvalues> LoadSavedLight();

// The window's part of a saved game, which it applies itself: the global scripts to add (active), the player
// light (none when the set has no light file) and the card chosen in the item list.
struct TSavedGame {
    std::vector<std::string> gsnames;
    std::optional<playerlightvalues> light;
    int32_t activecard = 0;
};

// Writes the running game as the six files of "\saves\" (making the folder): "saved.map" (the level with the
// working free meshes), "chsave1.sav" (the player), "chsave2.sav", "gslist.txt", "jseq.txt" and
// "lightdata.txt" from light. The set is written whole into the fresh sibling folder "\saves.new\" (what a
// save before left there removed first), each file flushed to the disk, and that folder is then exchanged with
// "\saves\" in one step: a failure, or a crash, leaves the whole old set or the whole new one. A failure raises
// EGameDataError. The old set stays in "\saves.new\" until the next save.
void WriteSaveSet(const playerlightvalues& light, int32_t activecard);
// Reads the set of "\saves\" whole before anything changes: "saved.map", "chsave1.sav" and "chsave2.sav" must
// exist; a missing "jseq.txt" gives [0] and an unreadable "gslist.txt" no scripts (both logged). A missing or
// broken set raises EGameDataError naming the file and leaves the game as it was. Otherwise the level, the
// player, the player state and jseq replace the running ones, explored included, gslist is emptied, camsnap set,
// and the rest comes back for the window.
TSavedGame ReadSaveSet();
