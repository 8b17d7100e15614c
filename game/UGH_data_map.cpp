// Map files (versions 0 to 22) and the side files of a map's folder.
#include "UGH_data.h"
#include "UGH_log.h"

#include "FileUtils.h"
#include "GLApplicationFileIO.h"

#include <optional>
#include <variant>

playerlightvalues playerlightdata;

namespace {

// How a field is stored: integers, Booleans and text as they are; reals in the strict or the lenient form;
// colours as 0..255 and attenuations as ten-thousandths, both rounded half to even.
enum TFieldKind { fkInt, fkBool, fkText, fkReal, fkLenientReal, fkColour, fkAttenuation };

// A field is read from version Since on. An older file gives its Default: a value, the value of another member
// of the record (an int member for a real field), or nothing, which keeps what the cleared level holds.
template <class R> struct TField {
    using TDefault = std::variant<std::monostate, int32_t, bool, const char*, double, int32_t R::*>;

    TFieldKind Kind;
    std::variant<int32_t R::*, bool R::*, std::string R::*, double R::*> Member;
    int32_t Since = 0;
    TDefault Default = {};

    TField From(int32_t version, TDefault older = {}) const
    {
        TField field = *this;
        field.Since = version;
        field.Default = older;
        return field;
    }
};

template <class R> constexpr TField<R> Int(int32_t R::* member) { return {fkInt, member}; }
template <class R> constexpr TField<R> Bool(bool R::* member) { return {fkBool, member}; }
template <class R> constexpr TField<R> Text(std::string R::* member) { return {fkText, member}; }
template <class R> constexpr TField<R> Real(double R::* member) { return {fkReal, member}; }
template <class R> constexpr TField<R> Lenient(double R::* member) { return {fkLenientReal, member}; }
template <class R> constexpr TField<R> Colour(double R::* member) { return {fkColour, member}; }
template <class R> constexpr TField<R> Attenuation(double R::* member) { return {fkAttenuation, member}; }

// The map header after the version and the map id.
const TField<TLevelData> cHeaderFields[] = {
    Int(&TLevelData::mapmaxx), Int(&TLevelData::mapmaxy), Int(&TLevelData::envindex),
    Int(&TLevelData::startx),  Int(&TLevelData::starty),  Int(&TLevelData::exitx),
    Int(&TLevelData::exity),   Int(&TLevelData::startdir), Int(&TLevelData::mapspare),
};

// A cell after its x and y, in file order (which is not the record's).
const TField<lcell> cCellFields[] = {
    Bool(&lcell::wall),
    Bool(&lcell::passable),
    Bool(&lcell::chest),
    Bool(&lcell::door),
    Bool(&lcell::trap),
    Int(&lcell::chestno),
    Int(&lcell::doorno),
    Int(&lcell::traptype),
    Int(&lcell::power),
    Int(&lcell::textid),
    Text(&lcell::spritename),
    Bool(&lcell::floor),
    Bool(&lcell::ceil),
    Int(&lcell::doorface).From(4),
    Bool(&lcell::outdoors).From(6, false),
    Int(&lcell::plz).From(10, 10),
    Int(&lcell::blockx1).From(11, 0),
    Int(&lcell::blockx2).From(11, 0),
    Int(&lcell::blocky1).From(11, 0),
    Int(&lcell::blocky2).From(11, 0),
    Bool(&lcell::grass).From(12, false),
    Int(&lcell::dens).From(12, 0),
    Text(&lcell::gtp).From(12, ""),
    // Older maps keep these in the cell side files.
    Text(&lcell::wco).From(16, ""),
    Text(&lcell::fco).From(16, ""),
    Text(&lcell::cco).From(16, ""),
    Text(&lcell::wmo).From(16, ""),
    Int(&lcell::ta).From(16, 0),
    Int(&lcell::ra).From(16, 0),
    Int(&lcell::pa).From(16, 0),
    Int(&lcell::dx).From(16, 0),
    Int(&lcell::dy).From(16, 0),
    Int(&lcell::dz).From(16, 0),
    Bool(&lcell::fwm).From(16, false),
    Text(&lcell::fmo).From(16, ""),
    Int(&lcell::lgroup).From(17, 0),
    Bool(&lcell::shcast).From(20, false),
    Int(&lcell::visarea).From(21, 0),
    Int(&lcell::visarea2).From(21, 0),
    Bool(&lcell::ignored).From(22, false),
};

const TField<freesprite> cFreeSpriteFields[] = {
    Int(&freesprite::x),     Int(&freesprite::y),     Int(&freesprite::z),       Int(&freesprite::w),
    Int(&freesprite::h),     Real(&freesprite::dirx), Real(&freesprite::diry),   Bool(&freesprite::enabled),
    Bool(&freesprite::fixed), Text(&freesprite::name),
};

// The path fields of files older than 7 keep the previous values; the mesh then stands at its home position.
const TField<freemesh> cFreeMeshFields[] = {
    Int(&freemesh::x),
    Int(&freemesh::y),
    Int(&freemesh::z),
    Int(&freemesh::ta),
    Int(&freemesh::ra),
    Int(&freemesh::pa),
    Bool(&freemesh::enabled),
    Text(&freemesh::name),
    Int(&freemesh::sx).From(2, 100),
    Int(&freemesh::sy).From(2, 100),
    Int(&freemesh::sz).From(2, 100),
    Text(&freemesh::texture).From(2, "0"),
    Bool(&freemesh::fire).From(5, false),
    Int(&freemesh::fdx).From(5, 0),
    Int(&freemesh::fdy).From(5, 0),
    Int(&freemesh::fdz).From(5, 0),
    Int(&freemesh::bhv).From(7, 0),
    Int(&freemesh::x1).From(7),
    Int(&freemesh::x2).From(7),
    Int(&freemesh::y1).From(7),
    Int(&freemesh::y2).From(7),
    Int(&freemesh::z1).From(7),
    Int(&freemesh::z2).From(7),
    Lenient(&freemesh::spd).From(7),
    Bool(&freemesh::loop).From(7),
    Lenient(&freemesh::rx).From(7, &freemesh::x),
    Lenient(&freemesh::ry).From(7, &freemesh::y),
    Lenient(&freemesh::rz).From(7, &freemesh::z),
    Lenient(&freemesh::rta).From(7, &freemesh::ta),
    Lenient(&freemesh::rra).From(7, &freemesh::ra),
    Lenient(&freemesh::rpa).From(7, &freemesh::pa),
    Text(&freemesh::trscript).From(9, ""),
    Bool(&freemesh::shcast).From(19, false),
};

// Colours in the order ambient, diffuse, specular (the record keeps specular before diffuse).
const TField<lightslot> cLightFields[] = {
    Colour(&lightslot::ar),
    Colour(&lightslot::ag),
    Colour(&lightslot::ab),
    Colour(&lightslot::dr),
    Colour(&lightslot::dg),
    Colour(&lightslot::db),
    Colour(&lightslot::sr),
    Colour(&lightslot::sg),
    Colour(&lightslot::sb),
    Attenuation(&lightslot::ca),
    Attenuation(&lightslot::la),
    Attenuation(&lightslot::qa),
    Int(&lightslot::x),
    Int(&lightslot::y),
    Int(&lightslot::z),
    Bool(&lightslot::shining),
    Int(&lightslot::sdx).From(8, 0),
    Int(&lightslot::sdy).From(8, 0),
    Int(&lightslot::sdz).From(8, 0),
    Int(&lightslot::style).From(8, 0),
    Int(&lightslot::cutoff).From(8, 180),
    Lenient(&lightslot::exponent).From(8, 0.0),
    Bool(&lightslot::persists).From(13, false),
    Bool(&lightslot::external).From(13, false),
    Int(&lightslot::lgroup).From(17, 0),
};

const TField<wanderer> cWandererFields[] = {
    Bool(&wanderer::enabled), Int(&wanderer::x), Int(&wanderer::y), Int(&wanderer::mtype), Int(&wanderer::behav),
    Text(&wanderer::script).From(15, ""),
};

// The version from which each optional section of the map file is present.
constexpr int32_t cRndonsSince = 18, cFreeMeshesSince = 1, cLightsSince = 3, cWanderersSince = 14;
// Cell overrides stand in the map file from this version on, in the cell side files before it.
constexpr int32_t cCellOverridesSince = 16;

constexpr double cColourScale = 255;
constexpr double cAttenuationScale = 10000;

// A scaled real as the integer stored for it: rounded half to even, kept within Integer so that it reads back.
int32_t ScaledInteger(double value, double scale)
{
    const double scaled = value * scale;
    if (!(scaled == scaled)) return 0;
    if (scaled <= INT32_MIN) return INT32_MIN;
    if (scaled >= INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(Round(scaled));
}

template <class R> void WriteRecord(TLineBuffer& buffer, const R& record, std::span<const TField<R>> fields)
{
    for (const TField<R>& field : fields) {
        switch (field.Kind) {
        case fkInt: buffer.WriteIntLine(record.*std::get<int32_t R::*>(field.Member)); break;
        case fkBool: buffer.WriteBoolLine(record.*std::get<bool R::*>(field.Member)); break;
        case fkText: buffer.WriteTextLine(record.*std::get<std::string R::*>(field.Member)); break;
        case fkReal:
        case fkLenientReal: buffer.WriteFloatLine(record.*std::get<double R::*>(field.Member)); break;
        case fkColour:
            buffer.WriteIntLine(ScaledInteger(record.*std::get<double R::*>(field.Member), cColourScale));
            break;
        case fkAttenuation:
            buffer.WriteIntLine(ScaledInteger(record.*std::get<double R::*>(field.Member), cAttenuationScale));
            break;
        }
    }
}

// The default an older file gives the field.
template <class R> void SetDefault(R& record, const TField<R>& field)
{
    const auto& older = field.Default;
    if (const auto* value = std::get_if<int32_t>(&older)) record.*std::get<int32_t R::*>(field.Member) = *value;
    else if (const auto* value = std::get_if<bool>(&older)) record.*std::get<bool R::*>(field.Member) = *value;
    else if (const auto* value = std::get_if<const char*>(&older))
        record.*std::get<std::string R::*>(field.Member) = *value;
    else if (const auto* value = std::get_if<double>(&older)) record.*std::get<double R::*>(field.Member) = *value;
    else if (const auto* source = std::get_if<int32_t R::*>(&older))
        record.*std::get<double R::*>(field.Member) = record.**source;
}

// Reads the fields a file of version stores from line on and moves line past them; the others take their default.
template <class R>
void ReadRecord(const TLineBuffer& buffer, int& line, R& record, std::span<const TField<R>> fields,
                int32_t version = cMapVersion)
{
    for (const TField<R>& field : fields) {
        if (version < field.Since) {
            SetDefault(record, field);
            continue;
        }
        switch (field.Kind) {
        case fkInt: record.*std::get<int32_t R::*>(field.Member) = buffer.ReadIntLine(line); break;
        case fkBool: record.*std::get<bool R::*>(field.Member) = buffer.ReadBoolLine(line); break;
        case fkText: record.*std::get<std::string R::*>(field.Member) = buffer.ReadTextLine(line); break;
        case fkReal: record.*std::get<double R::*>(field.Member) = buffer.ReadFloatLine(line); break;
        case fkLenientReal: record.*std::get<double R::*>(field.Member) = buffer.ReadLenientFloatLine(line); break;
        case fkColour: record.*std::get<double R::*>(field.Member) = buffer.ReadIntLine(line) / cColourScale; break;
        case fkAttenuation:
            record.*std::get<double R::*>(field.Member) = buffer.ReadIntLine(line) / cAttenuationScale;
            break;
        }
        ++line;
    }
}

template <class R, class TTable>
void WriteTable(TLineBuffer& buffer, const TTable& table, std::span<const TField<R>> fields,
                const std::function<void()>& step)
{
    for (const R& record : table) {
        WriteRecord<R>(buffer, record, fields);
        if (step) step();
    }
}

template <class R, class TTable>
void ReadTable(const TLineBuffer& buffer, int& line, TTable& table, std::span<const TField<R>> fields,
               int32_t version, const std::function<void()>& step)
{
    for (R& record : table) {
        ReadRecord<R>(buffer, line, record, fields, version);
        if (step) step();
    }
}

// Calls f(member of level, its global) for everything a level holds.
template <class F> void ForEachLevelMember(TLevelData& level, F&& f)
{
    f(level.mapid, mapid);
    f(level.mapname, mapname);
    f(level.mapmaxx, mapmaxx);
    f(level.mapmaxy, mapmaxy);
    f(level.envindex, envindex);
    f(level.startx, startx);
    f(level.starty, starty);
    f(level.exitx, exitx);
    f(level.exity, exity);
    f(level.startdir, startdir);
    f(level.mapspare, mapspare);
    f(level.skyboxno, skyboxno);
    f(level.rndons, rndons);
    f(level.levelgrid, levelgrid);
    f(level.freesprites, freesprites);
    f(level.mapfreemeshes, mapfreemeshes);
    f(level.freemeshes, freemeshes);
    f(level.levellights, levellights);
    f(level.wanderers, wanderers);
    f(level.mapmonsters, mapmonsters);
    f(level.playerlight, playerlightdata);
}

// The highest grid index a map may use.
constexpr int cHighestIndex = 99;

// Why a level's header cannot be stored: the header value at fault (an index into cHeaderFields) and the reason.
struct THeaderFault {
    int Field;
    std::string Reason;
};

std::optional<THeaderFault> HeaderFault(const TLevelData& level)
{
    if (level.mapmaxx < 0 || level.mapmaxx > cHighestIndex)
        return THeaderFault{0, Format("the highest x %d is outside 0..%d", {level.mapmaxx, cHighestIndex})};
    if (level.mapmaxy < 0 || level.mapmaxy > cHighestIndex)
        return THeaderFault{1, Format("the highest y %d is outside 0..%d", {level.mapmaxy, cHighestIndex})};
    const std::string start = Format("the start cell (%d, %d) lies outside the grid", {level.startx, level.starty});
    if (level.startx < 0 || level.startx > level.mapmaxx) return THeaderFault{3, start};
    if (level.starty < 0 || level.starty > level.mapmaxy) return THeaderFault{4, start};
    return std::nullopt;
}

// A map id names one folder under "\levels\": a name with a folder separator, "." or ".." would lead elsewhere.
bool IsFolderName(std::string_view name)
{
    return name.find_first_of("\\/") == std::string_view::npos && name != "." && name != "..";
}

std::string MapFolderPath(const std::string& id)
{
    return GamePath("\\levels\\" + id + "\\");
}

void ReadMonsterList(const std::string& id, TBoundedTable<bool, 0, 100>& list)
{
    const std::string fileName = MapFolderPath(id) + "monsterlist.txt";
    if (!DataFileExists(fileName)) {
        list.Fill(true);
        return;
    }
    TLineBuffer buffer;
    buffer.LoadFromFile(fileName);
    for (int32_t i = list.Low(); i <= list.High(); ++i) list[i] = buffer.ReadBoolLine(i);
}

// The display name from "mapname_" + lng + ".txt"; the map id when that cannot be read.
std::string ReadMapName(const std::string& id)
{
    try {
        TLineBuffer buffer;
        buffer.LoadFromFile(MapFolderPath(id) + "mapname_" + lng + ".txt");
        return buffer.ReadTextLine(0);
    } catch (const EGameDataError&) {
        return id;
    }
}

int32_t ReadSkyboxNo(const std::string& id)
{
    const std::string fileName = MapFolderPath(id) + "skybox.txt";
    if (!DataFileExists(fileName)) return 0;
    TLineBuffer buffer;
    buffer.LoadFromFile(fileName);
    return buffer.ReadIntLine(0);
}

playerlightvalues ReadPlayerLight(const std::string& id)
{
    const std::string fileName = MapFolderPath(id) + "lightdata.txt";
    return DataFileExists(fileName) ? ReadLightData(fileName) : playerlightvalues{};
}

// levelbusy for the length of a map read or write, cleared however it ends.
class TLevelBusy {
public:
    TLevelBusy(bool saving)
    {
        levelbusy = true;
        levelsaving = saving;
    }
    ~TLevelBusy() { levelbusy = false; }
    TLevelBusy(const TLevelBusy&) = delete;
    TLevelBusy& operator=(const TLevelBusy&) = delete;
};

// The map file's lines into level, from the version line on; returns the file's version.
int32_t ReadMapLines(const TLineBuffer& buffer, TLevelData& level, const TMapProgress& progress)
{
    int line = 0;
    int32_t version = 0;
    if (TryStrToInt(buffer.Line(0), version) && version != 0) ++line;
    if (version < 0 || version > cMapVersion)
        throw EGameDataError(Format("%s: map version %d cannot be read (this program reads versions 0 to %d)",
                                    {buffer.FileName(), version, cMapVersion}));

    level.mapid = buffer.ReadTextLine(line);
    if (!IsFolderName(level.mapid))
        buffer.LineError(line, Format("the map id \"%s\" is not a folder name", {level.mapid}));
    ++line;
    level.mapname = ReadMapName(level.mapid);
    const std::function<void()> step = [&] {
        if (progress) progress(level.mapname);
    };
    step();

    const int headerLine = line;
    ReadRecord<TLevelData>(buffer, line, level, cHeaderFields);
    if (const auto fault = HeaderFault(level)) buffer.LineError(headerLine + fault->Field, fault->Reason);
    if (level.startdir < 0 || level.startdir > 3) level.startdir = 0;
    if (version >= cRndonsSince)
        for (std::string& name : level.rndons) name = buffer.ReadTextLine(line++);
    else
        level.rndons = defrndons;

    // Cells are placed by the loops: the coordinates the file gives are read but not used.
    for (int32_t x = 0; x <= level.mapmaxx; ++x)
        for (int32_t y = 0; y <= level.mapmaxy; ++y) {
            buffer.ReadIntLine(line++);
            buffer.ReadIntLine(line++);
            lcell& cell = level.levelgrid[x][y];
            ReadRecord<lcell>(buffer, line, cell, cCellFields, version);
            cell.x = x;
            cell.y = y;
            step();
        }
    ReadTable<freesprite>(buffer, line, level.freesprites, cFreeSpriteFields, version, step);
    if (version >= cFreeMeshesSince)
        ReadTable<freemesh>(buffer, line, level.mapfreemeshes, cFreeMeshFields, version, step);
    if (version >= cLightsSince) ReadTable<lightslot>(buffer, line, level.levellights, cLightFields, version, {});
    if (version >= cWanderersSince) ReadTable<wanderer>(buffer, line, level.wanderers, cWandererFields, version, {});
    level.freemeshes = level.mapfreemeshes;
    return version;
}

// The file of a cell's side files that ends in suffix: the cell prefix is x, "_" and y.
std::string CellFilePath(const std::string& id, int32_t x, int32_t y, std::string_view suffix)
{
    return MapFolderPath(id) + Format("%d_%d", {x, y}) + std::string(suffix);
}

// Reads line 0 of the cell's side file into value; empty when there is no such file.
void ReadCellOverride(const std::string& id, int32_t x, int32_t y, std::string_view suffix, std::string& value)
{
    const std::string fileName = CellFilePath(id, x, y, suffix);
    value.clear();
    if (!DataFileExists(fileName)) return;
    TLineBuffer buffer;
    buffer.LoadFromFile(fileName);
    value = buffer.ReadTextLine(0);
}

// The cell's overrides from the side files of map id, which older maps keep beside the map file.
void ReadCellSideFiles(const std::string& id, int32_t x, int32_t y, lcell& cell)
{
    ReadCellOverride(id, x, y, "_w.txt", cell.wco);
    ReadCellOverride(id, x, y, "_f.txt", cell.fco);
    ReadCellOverride(id, x, y, "_c.txt", cell.cco);
    ReadCellOverride(id, x, y, "_fo.txt", cell.fmo);

    const std::string fileName = CellFilePath(id, x, y, "_mo.txt");
    cell.wmo.clear();
    cell.ta = cell.ra = cell.pa = cell.dx = cell.dy = cell.dz = 0;
    if (!DataFileExists(fileName)) return;
    TLineBuffer buffer;
    buffer.LoadFromFile(fileName);
    cell.wmo = buffer.ReadTextLine(0);
    // Line 1 holds the word "null", which is not read.
    try {
        int line = 2;
        for (int32_t* value : {&cell.ta, &cell.ra, &cell.pa, &cell.dx, &cell.dy, &cell.dz})
            *value = buffer.ReadIntLine(line++);
        cell.fwm = buffer.ReadBoolLine(line);
    } catch (const EGameDataError&) {
        cell.ta = cell.ra = cell.pa = cell.dx = cell.dy = cell.dz = 0;
        cell.fwm = false;
    }
}

// Writes the lines as the cell's side file; a map id or letter that is not a plain name (logged), or any failure
// to write (a missing map folder), leaves no file.
void WriteCellFile(int32_t x, int32_t y, std::string_view suffix, const TLineBuffer& buffer)
{
    if (mapid.empty() || !IsFolderName(mapid) || !IsFolderName(suffix)) {
        GameLog(Format("No side file written for cell (%d, %d): the map id \"%s\" is not a folder name",
                       {x, y, mapid}));
        return;
    }
    try {
        buffer.SaveToFile(CellFilePath(mapid, x, y, suffix));
    } catch (const Exception&) {
    }
}

} // namespace

void SwapLevelData(TLevelData& level)
{
    ForEachLevelMember(level, [](auto& member, auto& global) {
        using std::swap;
        swap(member, global);
    });
}

TLevelData CurrentLevelData()
{
    TLevelData level;
    ForEachLevelMember(level, [](auto& member, auto& global) { member = global; });
    return level;
}

void ClearLevelTables(TLevelData& level)
{
    level.mapid.clear();
    for (auto& column : level.levelgrid)
        for (lcell& cell : column) {
            cell.wall = cell.floor = cell.ceil = cell.passable = cell.trap = cell.chest = cell.door = false;
            cell.outdoors = cell.fwm = cell.shcast = cell.grass = false;
            cell.spritename = "0";
            cell.wco.clear();
            cell.fco.clear();
            cell.cco.clear();
            cell.traptype = cell.power = cell.doorface = cell.chestno = cell.doorno = 0;
            cell.ta = cell.ra = cell.pa = cell.dx = cell.dy = cell.dz = 0;
            cell.blockx1 = cell.blockx2 = cell.blocky1 = cell.blocky2 = 0;
            cell.lgroup = cell.visarea = cell.visarea2 = 0;
            cell.textid = -1;
        }
    for (int32_t x = 0; x <= level.mapmaxx; ++x)
        for (int32_t y = 0; y <= level.mapmaxy; ++y) {
            lcell& cell = level.levelgrid[x][y];
            cell.x = x;
            cell.y = y;
            cell.wall = x == 0 || y == 0 || x == level.mapmaxx || y == level.mapmaxy;
            cell.passable = !cell.wall;
            cell.floor = cell.ceil = cell.passable;
        }
    for (freesprite& sprite : level.freesprites) {
        sprite.enabled = false;
        sprite.name.clear();
        sprite.x = sprite.y = sprite.w = sprite.h = 0;
    }
    for (freemesh& mesh : level.freemeshes) {
        mesh.enabled = false;
        mesh.name.clear();
        mesh.texture.clear();
        mesh.x = mesh.y = mesh.z = mesh.ta = mesh.ra = mesh.pa = 0;
        mesh.sx = mesh.sy = mesh.sz = mesh.fdx = mesh.fdy = mesh.fdz = mesh.bhv = 0;
        mesh.fire = false;
    }
    level.mapfreemeshes = level.freemeshes;
    for (wanderer& roamer : level.wanderers) {
        roamer.enabled = false;
        roamer.x = roamer.y = roamer.behav = 0;
        roamer.mtype = -1;
    }
    for (lightslot& light : level.levellights) light.shining = false;
}

TLevelData ReadMapFile(const std::string& fileName, const TMapProgress& progress)
{
    // An old map asks for five side files a cell, mostly missing: its folder is listed once instead.
    const TDataFolderPass pass;
    TLevelData level = CurrentLevelData();
    level.mapmaxx = level.mapmaxy = cHighestIndex;
    ClearLevelTables(level);
    level.mapname.clear();
    if (progress) progress(level.mapname);

    TLineBuffer buffer;
    buffer.LoadFromFile(fileName);
    const int32_t version = ReadMapLines(buffer, level, progress);
    level.skyboxno = ReadSkyboxNo(level.mapid);
    if (version < cCellOverridesSince && !level.mapid.empty())
        for (int32_t x = 0; x <= level.mapmaxx; ++x)
            for (int32_t y = 0; y <= level.mapmaxy; ++y) {
                ReadCellSideFiles(level.mapid, x, y, level.levelgrid[x][y]);
                if (progress) progress(level.mapname);
            }
    level.playerlight = ReadPlayerLight(level.mapid);
    ReadMonsterList(level.mapid, level.mapmonsters);
    return level;
}

std::function<void(bool envchanged)> OnMapLoaded;
std::function<void()> OnMapSaved;

void LoadMap(const std::string& fileName, const TMapProgress& progress)
{
    const int32_t previousenv = envindex;
    {
        TLevelBusy busy(false);
        TLevelData level = ReadMapFile(fileName, progress);
        SwapLevelData(level);
        explored.Clear();
        camsnap = true;
    }
    if (OnMapLoaded) OnMapLoaded(envindex != previousenv);
}

namespace {

// SaveMap's work while levelbusy is set.
void WriteMapFile(const std::string& fileName, bool saveb, const TMapProgress& progress)
{
    TLevelBusy busy(true);
    const TLevelData level = CurrentLevelData();
    if (const auto fault = HeaderFault(level)) throw EGameDataError(fileName + ": " + fault->Reason);
    const std::function<void()> step = [&] {
        if (progress) progress(level.mapname);
    };
    step();

    TLineBuffer buffer;
    buffer.WriteIntLine(cMapVersion);
    buffer.WriteTextLine(level.mapid);
    WriteRecord<TLevelData>(buffer, level, cHeaderFields);
    for (const std::string& name : level.rndons) buffer.WriteTextLine(name);
    for (int32_t x = 0; x <= level.mapmaxx; ++x)
        for (int32_t y = 0; y <= level.mapmaxy; ++y) {
            buffer.WriteIntLine(x);
            buffer.WriteIntLine(y);
            WriteRecord<lcell>(buffer, level.levelgrid[x][y], cCellFields);
            step();
        }
    WriteTable<freesprite>(buffer, level.freesprites, cFreeSpriteFields, step);
    WriteTable<freemesh>(buffer, saveb ? level.mapfreemeshes : level.freemeshes, cFreeMeshFields, step);
    WriteTable<lightslot>(buffer, level.levellights, cLightFields, {});
    WriteTable<wanderer>(buffer, level.wanderers, cWandererFields, {});
    buffer.SaveToFile(fileName);
}

} // namespace

void SaveMap(const std::string& fileName, bool saveb, const TMapProgress& progress)
{
    WriteMapFile(fileName, saveb, progress);
    if (OnMapSaved) OnMapSaved();
}

void ReadCellOverrides(int32_t i, int32_t j)
{
    if (mapid.empty()) return;
    lcell cell = levelgrid[i][j];
    ReadCellSideFiles(mapid, i, j, cell);
    levelgrid[i][j] = std::move(cell);
}

void WriteCellOverride(int32_t x, int32_t y, const std::string& orr, const std::string& letter)
{
    TLineBuffer buffer;
    buffer.WriteTextLine(orr);
    WriteCellFile(x, y, "_" + letter + ".txt", buffer);
}

void WriteCellMeshData(int32_t x, int32_t y)
{
    if (x < levelgrid.Low() || x > levelgrid.High() || y < levelgrid[x].Low() || y > levelgrid[x].High()) return;
    const lcell& cell = levelgrid[x][y];
    TLineBuffer buffer;
    buffer.WriteTextLine(cell.wmo);
    buffer.WriteTextLine("null");
    for (const int32_t value : {cell.ta, cell.ra, cell.pa, cell.dx, cell.dy, cell.dz}) buffer.WriteIntLine(value);
    buffer.WriteBoolLine(cell.fwm);
    WriteCellFile(x, y, "_mo.txt", buffer);
}

void LoadMonsterList()
{
    ReadMonsterList(mapid, mapmonsters);
}

void SaveMonsterList()
{
    const std::string folder = MapFolderPath(mapid);
    if (!FileIOHooksAssigned()) ForceDirectories(folder);
    TLineBuffer buffer;
    for (const bool allowed : mapmonsters) buffer.WriteBoolLine(allowed);
    buffer.SaveToFile(folder + "monsterlist.txt");
}

playerlightvalues ReadLightData(const std::string& fileName)
{
    TLineBuffer buffer;
    buffer.LoadFromFile(fileName);
    playerlightvalues light;
    light.ca = buffer.ReadIntLine(0) / cAttenuationScale;
    light.la = buffer.ReadIntLine(1) / cAttenuationScale;
    light.qa = buffer.ReadIntLine(2) / cAttenuationScale;
    light.dr = buffer.ReadIntLine(3) / cColourScale;
    light.dg = buffer.ReadIntLine(4) / cColourScale;
    light.db = buffer.ReadIntLine(5) / cColourScale;
    return light;
}

void WriteLightData(const std::string& fileName, const playerlightvalues& light)
{
    TLineBuffer buffer;
    for (const double value : {light.ca, light.la, light.qa})
        buffer.WriteIntLine(ScaledInteger(value, cAttenuationScale));
    for (const double value : {light.dr, light.dg, light.db}) buffer.WriteIntLine(ScaledInteger(value, cColourScale));
    buffer.SaveToFile(fileName);
}
