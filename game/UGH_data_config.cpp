// Game paths and their existence checks, the configuration file "gh.cfg" and the localised string table.
#include "UGH_data.h"

#include "FileUtils.h"
#include "GLApplicationFileIO.h"
#include "ZODLog.h"

#include <algorithm>
#include <array>
#include <variant>

std::string gamedir;

std::string lng;
int32_t movespeed = 0, turnspeed = 0;
int32_t minvd = 0, fogdist = 0, camdist = 0;
int32_t soundvol = 0, musicvol = 0, soundrate = 0;
bool soundon = false, musicon = false, showbtllog = false;
bool leveling = false;
int32_t texquality = 0;
int32_t brightness = 0;
bool lessredraws = false;
int32_t aaindex = 0;
int32_t cardsize = 0;
bool randommode = false, tooltips = false, hardcore = false;
int32_t difficulty = 0;
bool fullscreen = false;
int32_t fswidth = 0, fsheight = 0, fsrefresh = 0;
bool vsyncon = false, no3ddoors = false, nolights = false;
bool nofire = false;
bool multithread = true;
bool poorquality = false, extdmginfo = false, autodeck = false;
bool nograss = false;
bool shortbtllog = true, shadows = true;
bool torchshadows = false;
int32_t shadowmode = 1;
bool globalcast = false;
bool desiredfpson = true;
int32_t desiredfps = 30, maxvd = 15;
int32_t adventure = 0;
bool fullmute = false;

std::string adventureid = "map_";
std::string qualitydir = "hq";
int32_t viewdist = 0;

namespace {

const char* const cConfigFile = "\\gh.cfg";
const char* const cAdventureIdFile = "\\text\\adventureid.txt";
const char* const cDefaultAdventureId = "map_";

using TSettingValue = std::variant<std::string, int32_t, bool>;

// One line of the configuration: the global it sets, for a guarded line the value a missing or unreadable line
// gives (a line without one raises), and for a number the bounds of what the game can use.
struct TSetting {
    std::variant<std::string*, int32_t*, bool*> Global;
    bool Guarded = false;
    TSettingValue Default{};
    TSettingBounds Bounds{INT32_MIN, INT32_MAX};
};

// The fog ends a cell away at the nearest: an end before its start (10 units) fogs the HUD as well.
constexpr TSettingBounds cDistanceBounds{20, 1000000};
// Block rendering distances in cells, which a map of at most 101 cells never exceeds.
constexpr TSettingBounds cCellBounds{1, 101};

// The 45 lines in file order.
const std::array<TSetting, 45> cSettings{{
    {&lng},          {&movespeed, false, {}, {1, 1999}},  {&turnspeed, false, {}, {1, 100}},
    {&minvd, false, {}, cCellBounds},      {&fogdist, false, {}, cDistanceBounds},
    {&camdist, false, {}, cDistanceBounds}, {&soundvol, false, {}, {0, 100}},   {&musicvol, false, {}, {0, 100}},
    {&soundrate},    {&soundon},            {&musicon},           {&showbtllog},
    {&leveling},     {&texquality},         {&brightness, false, {}, {1, 200}}, {&lessredraws},
    {&aaindex, true, 0}, // an index the window does not know keeps the current setting
    {&cardsize, false, {}, {-20, 50}},      {&randommode},         {&tooltips},          {&hardcore},
    {&difficulty, false, {}, {-3, 5}},      {&fullscreen},
    {&fswidth, false, {}, {1, 16384}},      {&fsheight, false, {}, {1, 16384}},
    {&fsrefresh},    {&vsyncon},            {&no3ddoors},         {&nolights},
    {&nofire},
    {&multithread, true, true},   {&poorquality, true, false}, {&extdmginfo, true, false},
    {&autodeck, true, false},     {&nograss, true, false},     {&shortbtllog, true, true},
    {&shadows, true, true},       {&torchshadows, true, false}, {&shadowmode, true, 1, {0, 2}},
    {&globalcast, true, false},   {&desiredfpson, true, true}, {&desiredfps, true, 30, {1, 1000}},
    {&maxvd, true, 15, cCellBounds}, {&adventure, true, 0},    {&fullmute, true, false},
}};

// A configuration Boolean: a number (zero false) or the word True or False in any case; anything else raises.
bool ReadConfigBool(const TLineBuffer& buffer, int line)
{
    const std::string_view text = buffer.Line(line);
    int32_t value = 0;
    if (TryStrToInt(text, value)) return value != 0;
    if (SameText(text, "True")) return true;
    if (SameText(text, "False")) return false;
    buffer.LineError(line, Format("'%s' is not a valid boolean value", {text}));
}

TSettingValue ReadSetting(const TLineBuffer& buffer, int line)
{
    if (line >= buffer.Count()) buffer.LineError(line, "missing");
    return std::visit(
        [&](auto* global) -> TSettingValue {
            using T = std::remove_pointer_t<decltype(global)>;
            if constexpr (std::is_same_v<T, std::string>) return buffer.ReadTextLine(line);
            else if constexpr (std::is_same_v<T, int32_t>) return buffer.ReadIntLine(line);
            else return ReadConfigBool(buffer, line);
        },
        cSettings[static_cast<std::size_t>(line)].Global);
}

// A number outside its setting's bounds is brought to the nearer bound, naming the file's line in the log.
void HoldInBounds(const TLineBuffer& buffer, std::size_t line, TSettingValue& value)
{
    int32_t* number = std::get_if<int32_t>(&value);
    if (!number) return;
    const auto [low, high] = cSettings[line].Bounds;
    const int32_t held = std::clamp(*number, low, high);
    if (held == *number) return;
    GlobalLogSession()->LogWarning(Format("%s, line %d: %d lies outside %d..%d: %d is used",
                                          {buffer.FileName(), int64_t(line) + 1, int64_t(*number), int64_t(low),
                                           int64_t(high), int64_t(held)}));
    *number = held;
}

} // namespace

TSettingBounds SettingBounds(const int32_t& global)
{
    for (const TSetting& setting : cSettings)
        if (const auto* number = std::get_if<int32_t*>(&setting.Global); number && *number == &global)
            return setting.Bounds;
    return {INT32_MIN, INT32_MAX};
}

std::string GamePath(std::string_view relativePath)
{
    // The game writes its paths with "\"; on this system they are "/", so messages name the file as it lies.
    std::string path = gamedir + std::string(relativePath);
    std::replace(path.begin() + static_cast<std::ptrdiff_t>(gamedir.size()), path.end(), '\\', '/');
    return path;
}

namespace {

thread_local TFolderSnapshot* datafolders = nullptr;

} // namespace

TDataFolderPass::TDataFolderPass() : FSnapshot(std::make_unique<TFolderSnapshot>()), FOuter(datafolders)
{
    datafolders = FSnapshot.get();
}

TDataFolderPass::~TDataFolderPass()
{
    datafolders = FOuter;
}

bool DataFileExists(const std::string& fileName)
{
    if (datafolders && !FileIOHooksAssigned()) return datafolders->FileExists(fileName);
    return HookedFileExists(fileName);
}

std::string QualityDirOf(int32_t quality)
{
    switch (quality) {
    case 1: return "hq";
    case 0: return "lq";
    case -1: return "pq";
    default: return "";
    }
}

std::string ReadAdventureId(int32_t index)
{
    const std::string fileName = GamePath(cAdventureIdFile);
    try {
        TLineBuffer buffer;
        buffer.LoadFromFile(fileName);
        if (index >= 0 && index < buffer.Count()) return buffer.ReadTextLine(index);
        GlobalLogSession()->LogWarning(
            Format("%s has no line %d: the adventure is \"%s\"", {fileName, int64_t(index) + 1, cDefaultAdventureId}));
    } catch (const EGameDataError& e) {
        GlobalLogSession()->LogWarning(e.Message() + ": the adventure is \"" + cDefaultAdventureId + "\"");
    }
    return cDefaultAdventureId;
}

void ReadConfig()
{
    TLineBuffer buffer;
    buffer.LoadFromFile(GamePath(cConfigFile));
    // Every line is read before any global changes, so that a bad file changes nothing.
    std::array<TSettingValue, cSettings.size()> values;
    for (std::size_t line = 0; line < cSettings.size(); ++line) {
        try {
            values[line] = ReadSetting(buffer, static_cast<int>(line));
        } catch (const EGameDataError&) {
            if (!cSettings[line].Guarded) throw;
            values[line] = cSettings[line].Default;
        }
        HoldInBounds(buffer, line, values[line]);
    }
    for (std::size_t line = 0; line < cSettings.size(); ++line)
        std::visit([&](auto* global) { *global = std::get<std::remove_pointer_t<decltype(global)>>(values[line]); },
                   cSettings[line].Global);

    adventureid = ReadAdventureId(adventure);
    viewdist = maxvd;
    if (const std::string folder = QualityDirOf(texquality); !folder.empty()) qualitydir = folder;
}

void SaveSettings()
{
    TLineBuffer buffer;
    for (const TSetting& setting : cSettings)
        std::visit(
            [&](auto* global) {
                using T = std::remove_pointer_t<decltype(global)>;
                if constexpr (std::is_same_v<T, std::string>) buffer.WriteTextLine(*global);
                else if constexpr (std::is_same_v<T, int32_t>) buffer.WriteIntLine(*global);
                else buffer.WriteBoolLine(*global);
            },
            setting.Global);
    buffer.SaveToFile(GamePath(cConfigFile));
}

void fillstrarr(const std::string& language, std::span<std::string> strings)
{
    TLineBuffer buffer;
    buffer.LoadFromFile(GamePath("\\text\\" + language + "\\strings.txt"), LanguageCodePage(language));
    for (std::string& entry : strings) entry.clear();
    std::size_t entry = 0;
    bool surplus = false;
    for (const char c : buffer.Text()) {
        if (c == '\r' || c == '\n') continue;
        if (entry >= strings.size()) {
            surplus = true;
            break;
        }
        if (c == '@') ++entry;
        else if (c == '&') strings[entry] += "\r\n";
        else strings[entry] += c;
    }
    if (surplus)
        GlobalLogSession()->LogWarning(Format("%s holds more than %d entries: the rest is ignored",
                                              {buffer.FileName(), int64_t(strings.size())}));
    // The game and its editors show entries up to 415 (a button's tooltip): a file that ends before that was cut
    // short, and those texts would show empty without a word.
    constexpr std::size_t cHighestEntryShown = 415;
    if (entry < cHighestEntryShown && strings.size() > cHighestEntryShown)
        GlobalLogSession()->LogWarning(Format("%s ends at entry %d of the %d the game shows: the rest are empty",
                                              {buffer.FileName(), int64_t(entry), int64_t(cHighestEntryShown)}));
}
