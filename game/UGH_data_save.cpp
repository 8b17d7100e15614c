// The save game: the player state file, the global script list, the journal sequence, the player light and the
// set of six files in "\saves\"; and the names of the coded perk effects.
#include "UGH_data.h"

#include "FileUtils.h"
#include "GLApplicationFileIO.h"
#include "ZODLog.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// levelbusy (and levelsaving while writing) for the length of a read or write, both cleared however it ends.
class TSaveBusy {
public:
    explicit TSaveBusy(bool saving)
    {
        levelbusy = true;
        levelsaving = saving;
    }
    ~TSaveBusy() { levelbusy = levelsaving = false; }
    TSaveBusy(const TSaveBusy&) = delete;
    TSaveBusy& operator=(const TSaveBusy&) = delete;
};

// The Integer lines 0..22 of the player state file; the base skills are stored bar before bmg.
template <class S> auto HeadFields(S& state)
{
    auto& p = state.player;
    return std::array{&p.face,          &p.hair,          &p.cloth,      &p.xp,          &p.xpreq,    &p.bonuspoints,
                      &state.perkpoints, &state.playerx,  &state.playery, &state.lookside, &state.keys1, &state.keys2,
                      &p.sex,           &p.bstr,          &p.bint,       &p.bspd,        &p.bend,     &p.bsw,
                      &p.bbw,           &p.bar,           &p.bmg,        &state.levelno, &state.levelsteps};
}

// Calls f(member of state, its global) for the whole-value members; items[].count and activecard are apart.
template <class F> void ForEachPlayerMember(TPlayerState& state, F&& f)
{
    f(state.player, player);
    f(state.perkpoints, perkpoints);
    f(state.playerx, playerx);
    f(state.playery, playery);
    f(state.lookside, lookside);
    f(state.keys1, keys1);
    f(state.keys2, keys2);
    f(state.levelno, levelno);
    f(state.levelsteps, levelsteps);
    f(state.strvars, strvars);
    f(state.intvars, intvars);
    f(state.equipped, equipped);
    f(state.explored, explored);
    f(state.randommode, randommode);
    f(state.scriptpopups, scriptpopups);
}

// The explored block is one Boolean per cell of the map the state was saved on.
constexpr int32_t cHighestExploredIndex = 100;

void CheckMapSize(const std::string& fn, int32_t maxx, int32_t maxy)
{
    if (maxx < 0 || maxy < 0 || maxx > cHighestExploredIndex || maxy > cHighestExploredIndex)
        throw EGameDataError(Format("%s: a map of highest cell (%d, %d) has no explored block (0..%d each way)",
                                    {fn, maxx, maxy, cHighestExploredIndex}));
}

// Worn item ids index the item table.
int32_t WornItem(int32_t id)
{
    return id < -1 || id > items.High() ? -1 : id;
}

// A tail line: its default when the file ends before it or the value does not read.
int32_t TailInt(const TLineBuffer& buffer, int line, int32_t fallback)
{
    int32_t value = fallback;
    return line < buffer.Count() && TryStrToInt(buffer.Line(line), value) ? value : fallback;
}

bool TailBool(const TLineBuffer& buffer, int line, bool fallback)
{
    return line < buffer.Count() ? buffer.ReadBoolLine(line) : fallback;
}

// A name of one file or folder in a known folder: a separator, "." or ".." would lead elsewhere.
bool IsPlainName(std::string_view name)
{
    constexpr std::string_view cLeaving("\\/\0", 3);
    return !name.empty() && name.find_first_of(cLeaving) == std::string_view::npos && name != "." && name != "..";
}

std::string SavesFolder()
{
    return GamePath("\\saves\\");
}

[[noreturn]] void CannotStore(const std::string& name, const std::string& reason)
{
    throw EGameDataError(name + ": the saved game cannot be stored: " + reason);
}

// The folders of a save, each with its trailing separator: the saves folder as it lies on the disk and the
// fresh sibling the new set is written into before the two are exchanged.
struct TSaveFolders {
    std::string saves, fresh;
};

// Where "\\saves\\" is a link, the folder it leads to is the one replaced, so that the link stays; the fresh
// sibling lies beside that folder and starts empty (a crash may have left a part of a set in it). A saves folder
// the player cannot write into is left as it is.
TSaveFolders PrepareSaveFolders()
{
    std::string saves = ResolvePath(SavesFolder());
    while (saves.size() > 1 && saves.back() == '/') saves.pop_back();
    std::error_code error;
    std::filesystem::create_directories(saves, error);
    if (error) CannotStore(saves, error.message());
    const std::string real = std::filesystem::canonical(saves, error).string();
    if (error) CannotStore(saves, error.message());
    struct stat status {};
    if (::stat(real.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) CannotStore(saves, "it is not a folder");
    // A folder marked read-only for everyone is kept so even from a player who could override the mark.
    if ((status.st_mode & 0222) == 0 || ::access(real.c_str(), W_OK) != 0)
        CannotStore(saves, "the folder cannot be written");

    const std::string fresh = real + ".new";
    std::filesystem::remove_all(fresh, error); // a link there goes, never what it leads to
    if (!error) std::filesystem::create_directory(fresh, error);
    if (error) CannotStore(fresh, error.message());
    return {real + "/", fresh + "/"};
}

} // namespace

void getcpeids()
{
    TLineBuffer buffer;
    buffer.LoadFromFile(GamePath("\\text\\" + lng + "\\cpe.txt"));
    for (int32_t i = cpenames.Low(); i <= cpenames.High(); ++i) cpenames[i] = buffer.ReadTextLine(i);
}

TPlayerState CurrentPlayerState(int32_t activecard)
{
    TPlayerState state;
    ForEachPlayerMember(state, [](auto& member, auto& global) { member = global; });
    for (int32_t i = items.Low(); i <= items.High(); ++i) state.itemcounts[i] = items[i].count;
    state.activecard = activecard;
    return state;
}

void SwapPlayerState(TPlayerState& state)
{
    ForEachPlayerMember(state, [](auto& member, auto& global) {
        using std::swap;
        swap(member, global);
    });
    for (int32_t i = items.Low(); i <= items.High(); ++i) std::swap(state.itemcounts[i], items[i].count);
}

void SavePlayer(const TPlayerState& state, int32_t maxx, int32_t maxy, const std::string& fn)
{
    TSaveBusy busy(true);
    CheckMapSize(fn, maxx, maxy);
    TLineBuffer buffer;
    for (const int32_t* value : HeadFields(state)) buffer.WriteIntLine(*value);
    for (const std::string& text : state.strvars) buffer.WriteTextLine(text);
    for (const int32_t value : state.intvars) buffer.WriteIntLine(value);
    for (const int32_t count : state.itemcounts) buffer.WriteIntLine(count);
    for (const bool on : state.player.spellen) buffer.WriteBoolLine(on);
    buffer.WriteIntLine(state.equipped[0]);
    buffer.WriteIntLine(state.equipped[1]);
    for (int32_t x = 0; x <= maxx; ++x)
        for (int32_t y = 0; y <= maxy; ++y) buffer.WriteBoolLine(state.explored[x][y]);
    buffer.WriteIntLine(state.equipped[2]);
    buffer.WriteBoolLine(state.randommode);
    buffer.WriteIntLine(state.activecard);
    buffer.WriteIntLine(state.equipped[3]);
    buffer.WriteBoolLine(state.scriptpopups);
    buffer.SaveToFile(fn);
}

TPlayerState LoadPlayer(const std::string& fn, int32_t maxx, int32_t maxy, const character& player)
{
    TSaveBusy busy(false);
    CheckMapSize(fn, maxx, maxy);
    TLineBuffer buffer;
    buffer.LoadFromFile(fn);
    TPlayerState state;
    state.player = player;
    int line = 0;
    for (int32_t* value : HeadFields(state)) *value = buffer.ReadIntLine(line++);
    if (state.playerx < 0 || state.playerx > maxx || state.playery < 0 || state.playery > maxy)
        buffer.LineError(7, Format("the player cell (%d, %d) lies outside the map", {state.playerx, state.playery}));
    if (state.lookside < 0 || state.lookside > 3) state.lookside = 0;
    for (std::string& text : state.strvars) text = buffer.ReadTextLine(line++);
    for (int32_t& value : state.intvars) value = buffer.ReadIntLine(line++);
    for (int32_t& count : state.itemcounts) count = buffer.ReadIntLine(line++);
    for (bool& on : state.player.spellen) on = buffer.ReadBoolLine(line++);
    state.equipped[0] = buffer.ReadIntLine(line++);
    state.equipped[1] = buffer.ReadIntLine(line++);
    for (int32_t x = 0; x <= maxx; ++x)
        for (int32_t y = 0; y <= maxy; ++y) state.explored[x][y] = buffer.ReadBoolLine(line++);
    state.equipped[2] = TailInt(buffer, line++, -1);
    state.randommode = TailBool(buffer, line++, false);
    state.activecard = TailInt(buffer, line++, 0);
    state.equipped[3] = TailInt(buffer, line++, -1);
    state.scriptpopups = TailBool(buffer, line, true);
    for (int32_t& id : state.equipped) id = WornItem(id);
    return state;
}

void SaveGS(const std::string& fn)
{
    TLineBuffer buffer;
    for (const globscript& script : gslist) buffer.WriteTextLine(script.id);
    buffer.SaveToFile(fn);
}

std::vector<std::string> LoadGS(const std::string& fn)
{
    constexpr int cMostNames = 10001;
    TLineBuffer buffer;
    buffer.LoadFromFile(fn);
    std::vector<std::string> names;
    for (int line = 0; line < std::min(buffer.Count(), cMostNames); ++line) {
        std::string name = buffer.ReadTextLine(line);
        if (IsPlainName(name) && HookedFileExists(GamePath("\\scripts\\" + name + ".txt")))
            names.push_back(std::move(name));
    }
    return names;
}

void SaveJSeq(const std::string& fn)
{
    TLineBuffer buffer;
    for (const int32_t entry : jseq) buffer.WriteIntLine(entry);
    buffer.SaveToFile(fn);
}

TDynArray<int32_t> LoadJSeq(const std::string& fn)
{
    TLineBuffer buffer;
    buffer.LoadFromFile(fn);
    if (buffer.Count() == 0) return TDynArray<int32_t>{0};
    TDynArray<int32_t> entries(static_cast<std::size_t>(buffer.Count()));
    for (int line = 0; line < buffer.Count(); ++line) entries[line] = buffer.ReadIntLine(line);
    return entries;
}

void savelight(double ca, double la, double qa, double r, double g, double b, int32_t reas)
{
    std::string folder;
    if (reas == 1 && IsPlainName(mapid)) folder = GamePath("\\levels\\" + mapid + "\\");
    else if (reas == 2) folder = SavesFolder();
    else return;
    if (!FileIOHooksAssigned()) ForceDirectories(folder);
    WriteLightData(folder + "lightdata.txt", {ca, la, qa, r, g, b});
}

std::optional<playerlightvalues> LoadSavedLight()
{
    TSaveBusy busy(false);
    const std::string fileName = SavesFolder() + "lightdata.txt";
    if (!HookedFileExists(fileName)) return std::nullopt;
    return ReadLightData(fileName);
}

void WriteSaveSet(const playerlightvalues& light, int32_t activecard)
{
    const auto [saves, fresh] = PrepareSaveFolders();

    const TPlayerState state = CurrentPlayerState(activecard);
    const std::pair<const char*, std::function<void(const std::string&)>> files[] = {
        {"saved.map", [](const std::string& fn) { SaveMap(fn, false); }},
        {"chsave1.sav", [](const std::string& fn) { SaveChar(player, fn); }},
        {"chsave2.sav", [&](const std::string& fn) { SavePlayer(state, mapmaxx, mapmaxy, fn); }},
        {"gslist.txt", SaveGS},
        {"jseq.txt", SaveJSeq},
        {"lightdata.txt", [&](const std::string& fn) { WriteLightData(fn, light); }},
    };
    // Each file is on the disk once written (the writers flush it and its folder entry).
    for (const auto& [name, write] : files) {
        try {
            write(fresh + name);
        } catch (const Exception& e) {
            // The message names the file that was not stored.
            if (e.Message().find(name) != std::string::npos) throw EGameDataError(e.Message());
            throw EGameDataError(fresh + name + ": the saved game cannot be stored: " + e.Message());
        }
    }
    // The whole new set takes the place of the old one in one step.
    if (!ExchangeFolders(fresh, saves)) CannotStore(saves, std::strerror(errno));
    // The set replaced is of no more use; a crash before this line leaves it for the next save to clear.
    std::error_code error;
    std::filesystem::remove_all(fresh.substr(0, fresh.size() - 1), error);
    if (error) GlobalLogSession()->LogWarning(fresh + ": the replaced saved game stays: " + error.message());
}

TSavedGame ReadSaveSet()
{
    const std::string folder = SavesFolder();
    for (const char* name : {"saved.map", "chsave1.sav", "chsave2.sav"})
        if (!HookedFileExists(folder + name))
            throw EGameDataError(folder + name + ": the saved game is missing this file");

    // The whole set is read before the game changes.
    TSaveBusy busy(false);
    TLevelData level = ReadMapFile(folder + "saved.map");
    const character saved = LoadSavedChar(folder + "chsave1.sav");
    TDynArray<int32_t> journal{0};
    if (HookedFileExists(folder + "jseq.txt")) journal = LoadJSeq(folder + "jseq.txt");
    else GlobalLogSession()->LogWarning(folder + "jseq.txt: the saved game has no journal sequence");
    TSavedGame game;
    try {
        game.gsnames = LoadGS(folder + "gslist.txt");
    } catch (const EGameDataError& e) {
        GlobalLogSession()->LogWarning(e.Message() + ": no global scripts are started");
    }
    TPlayerState state = LoadPlayer(folder + "chsave2.sav", level.mapmaxx, level.mapmaxy, saved);
    game.light = LoadSavedLight();
    game.activecard = state.activecard;

    SwapLevelData(level);
    SwapPlayerState(state);
    jseq.swap(journal);
    gslist.clear();
    camsnap = true;
    return game;
}
