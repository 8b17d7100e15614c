// Map files (version 22) and the side files of a map's folder.
#include "UGH_data.h"

#include "FileUtils.h"
#include "GLApplicationFileIO.h"

#include <optional>
#include <variant>

playerlightvalues playerlightdata;

namespace {

// How a field is stored: integers, Booleans and text as they are; reals in the strict or the lenient form;
// colours as 0..255 and attenuations as ten-thousandths, both rounded half to even.
enum TFieldKind { fkInt, fkBool, fkText, fkReal, fkLenientReal, fkColour, fkAttenuation };

template <class R> struct TField {
    TFieldKind Kind;
    std::variant<int32_t R::*, bool R::*, std::string R::*, double R::*> Member;
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
    Bool(&lcell::wall),      Bool(&lcell::passable), Bool(&lcell::chest),     Bool(&lcell::door),
    Bool(&lcell::trap),      Int(&lcell::chestno),   Int(&lcell::doorno),     Int(&lcell::traptype),
    Int(&lcell::power),      Int(&lcell::textid),    Text(&lcell::spritename), Bool(&lcell::floor),
    Bool(&lcell::ceil),      Int(&lcell::doorface),  Bool(&lcell::outdoors),  Int(&lcell::plz),
    Int(&lcell::blockx1),    Int(&lcell::blockx2),   Int(&lcell::blocky1),    Int(&lcell::blocky2),
    Bool(&lcell::grass),     Int(&lcell::dens),      Text(&lcell::gtp),       Text(&lcell::wco),
    Text(&lcell::fco),       Text(&lcell::cco),      Text(&lcell::wmo),       Int(&lcell::ta),
    Int(&lcell::ra),         Int(&lcell::pa),        Int(&lcell::dx),         Int(&lcell::dy),
    Int(&lcell::dz),         Bool(&lcell::fwm),      Text(&lcell::fmo),       Int(&lcell::lgroup),
    Bool(&lcell::shcast),    Int(&lcell::visarea),   Int(&lcell::visarea2),   Bool(&lcell::ignored),
};

const TField<freesprite> cFreeSpriteFields[] = {
    Int(&freesprite::x),     Int(&freesprite::y),     Int(&freesprite::z),       Int(&freesprite::w),
    Int(&freesprite::h),     Real(&freesprite::dirx), Real(&freesprite::diry),   Bool(&freesprite::enabled),
    Bool(&freesprite::fixed), Text(&freesprite::name),
};

const TField<freemesh> cFreeMeshFields[] = {
    Int(&freemesh::x),       Int(&freemesh::y),        Int(&freemesh::z),        Int(&freemesh::ta),
    Int(&freemesh::ra),      Int(&freemesh::pa),       Bool(&freemesh::enabled), Text(&freemesh::name),
    Int(&freemesh::sx),      Int(&freemesh::sy),       Int(&freemesh::sz),       Text(&freemesh::texture),
    Bool(&freemesh::fire),   Int(&freemesh::fdx),      Int(&freemesh::fdy),      Int(&freemesh::fdz),
    Int(&freemesh::bhv),     Int(&freemesh::x1),       Int(&freemesh::x2),       Int(&freemesh::y1),
    Int(&freemesh::y2),      Int(&freemesh::z1),       Int(&freemesh::z2),       Lenient(&freemesh::spd),
    Bool(&freemesh::loop),   Lenient(&freemesh::rx),   Lenient(&freemesh::ry),   Lenient(&freemesh::rz),
    Lenient(&freemesh::rta), Lenient(&freemesh::rra),  Lenient(&freemesh::rpa),  Text(&freemesh::trscript),
    Bool(&freemesh::shcast),
};

// Colours in the order ambient, diffuse, specular (the record keeps specular before diffuse).
const TField<lightslot> cLightFields[] = {
    Colour(&lightslot::ar),      Colour(&lightslot::ag),      Colour(&lightslot::ab),
    Colour(&lightslot::dr),      Colour(&lightslot::dg),      Colour(&lightslot::db),
    Colour(&lightslot::sr),      Colour(&lightslot::sg),      Colour(&lightslot::sb),
    Attenuation(&lightslot::ca), Attenuation(&lightslot::la), Attenuation(&lightslot::qa),
    Int(&lightslot::x),          Int(&lightslot::y),          Int(&lightslot::z),
    Bool(&lightslot::shining),   Int(&lightslot::sdx),        Int(&lightslot::sdy),
    Int(&lightslot::sdz),        Int(&lightslot::style),      Int(&lightslot::cutoff),
    Lenient(&lightslot::exponent), Bool(&lightslot::persists), Bool(&lightslot::external),
    Int(&lightslot::lgroup),
};

const TField<wanderer> cWandererFields[] = {
    Bool(&wanderer::enabled), Int(&wanderer::x), Int(&wanderer::y), Int(&wanderer::mtype), Int(&wanderer::behav),
    Text(&wanderer::script),
};

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

// Reads the fields from line on and moves line past them.
template <class R> void ReadRecord(const TLineBuffer& buffer, int& line, R& record, std::span<const TField<R>> fields)
{
    for (const TField<R>& field : fields) {
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
               const std::function<void()>& step)
{
    for (R& record : table) {
        ReadRecord<R>(buffer, line, record, fields);
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
    if (!HookedFileExists(fileName)) {
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
    if (!HookedFileExists(fileName)) return 0;
    TLineBuffer buffer;
    buffer.LoadFromFile(fileName);
    return buffer.ReadIntLine(0);
}

playerlightvalues ReadPlayerLight(const std::string& id)
{
    const std::string fileName = MapFolderPath(id) + "lightdata.txt";
    playerlightvalues light;
    if (!HookedFileExists(fileName)) return light;
    TLineBuffer buffer;
    buffer.LoadFromFile(fileName);
    light.ca = buffer.ReadIntLine(0) / cAttenuationScale;
    light.la = buffer.ReadIntLine(1) / cAttenuationScale;
    light.qa = buffer.ReadIntLine(2) / cAttenuationScale;
    light.dr = buffer.ReadIntLine(3) / cColourScale;
    light.dg = buffer.ReadIntLine(4) / cColourScale;
    light.db = buffer.ReadIntLine(5) / cColourScale;
    return light;
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

// The map file's lines into level, from the version line on.
void ReadMapLines(const TLineBuffer& buffer, TLevelData& level, const TMapProgress& progress)
{
    int line = 0;
    int32_t version = 0;
    if (TryStrToInt(buffer.Line(0), version) && version != 0) ++line;
    if (version != cMapVersion)
        throw EGameDataError(Format("%s: map version %d cannot be read (this program reads version %d)",
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
    for (std::string& name : level.rndons) name = buffer.ReadTextLine(line++);

    // Cells are placed by the loops: the coordinates the file gives are read but not used.
    for (int32_t x = 0; x <= level.mapmaxx; ++x)
        for (int32_t y = 0; y <= level.mapmaxy; ++y) {
            buffer.ReadIntLine(line++);
            buffer.ReadIntLine(line++);
            lcell& cell = level.levelgrid[x][y];
            ReadRecord<lcell>(buffer, line, cell, cCellFields);
            cell.x = x;
            cell.y = y;
            step();
        }
    ReadTable<freesprite>(buffer, line, level.freesprites, cFreeSpriteFields, step);
    ReadTable<freemesh>(buffer, line, level.mapfreemeshes, cFreeMeshFields, step);
    ReadTable<lightslot>(buffer, line, level.levellights, cLightFields, {});
    ReadTable<wanderer>(buffer, line, level.wanderers, cWandererFields, {});
    level.freemeshes = level.mapfreemeshes;
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

void LoadMap(const std::string& fileName, const TMapProgress& progress)
{
    TLevelBusy busy(false);
    TLevelData level = CurrentLevelData();
    level.mapmaxx = level.mapmaxy = cHighestIndex;
    ClearLevelTables(level);
    level.mapname.clear();
    if (progress) progress(level.mapname);

    TLineBuffer buffer;
    buffer.LoadFromFile(fileName);
    ReadMapLines(buffer, level, progress);
    level.skyboxno = ReadSkyboxNo(level.mapid);
    level.playerlight = ReadPlayerLight(level.mapid);
    ReadMonsterList(level.mapid, level.mapmonsters);

    SwapLevelData(level);
    explored.Clear();
    camsnap = true;
}

void SaveMap(const std::string& fileName, bool saveb, const TMapProgress& progress)
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
