// Content files: cards, perks, characters (monsters and the saved player) and items.
#include "UGH_data.h"

#include "FileUtils.h"
#include "GLApplicationFileIO.h"
#include "ZODLog.h"

#include <optional>
#include <span>
#include <variant>

namespace {

// One line of a content file. A guarded line that is missing or does not read takes its default; so does every
// line of its group (group > 0) at once. An unguarded line that does not read raises, and the reader decides
// whether that ends the read or fails it.
template <class R> struct TContentField {
    std::variant<int32_t R::*, bool R::*, std::string R::*> Member;
    bool Guarded = false;
    int32_t Default = 0;
    int Group = 0;
    const char* TextDefault = "";       // a missing text line
    int32_t R::* DefaultFrom = nullptr; // takes another field's value instead of Default
};

template <class R> constexpr TContentField<R> Int(int32_t R::* member) { return {member}; }
template <class R> constexpr TContentField<R> Bool(bool R::* member) { return {member}; }
template <class R> constexpr TContentField<R> Text(std::string R::* member) { return {member}; }
template <class R> constexpr TContentField<R> IntOr(int32_t R::* member, int32_t value, int group = 0)
{
    return {member, true, value, group};
}

const TContentField<card> cCardFields[] = {
    Text(&card::name),           Bool(&card::active),         Int(&card::mc),              Int(&card::hpc),
    Int(&card::dmgph),           Int(&card::dmgperc),         Int(&card::addhp),           Int(&card::addmp),
    Int(&card::addeffect),       Int(&card::efflgth),         Int(&card::govskill),        Int(&card::bont),
    Int(&card::bonam),           Bool(&card::accum),          Bool(&card::monly),          IntOr(&card::effstrgth, 0),
    IntOr(&card::effdir, 0),     IntOr(&card::consumes, -1),
    {&card::mindam, true, 0, 0, "", &card::dmgph},
    IntOr(&card::element, 0),
    {&card::sound, true, 0, 0, "0"},
    Bool(&card::AOE),
};

// recar before recmg and addar before addmg, unlike the record.
const TContentField<perk> cPerkFields[] = {
    Bool(&perk::enabled), Text(&perk::name),   Int(&perk::recst),  Int(&perk::recagi),   Int(&perk::recin),
    Int(&perk::recend),   Int(&perk::recsw),   Int(&perk::recbw),  Int(&perk::recar),    Int(&perk::recmg),
    Int(&perk::recperk),  Int(&perk::addst),   Int(&perk::addagi), Int(&perk::addin),    Int(&perk::addend),
    Int(&perk::addsw),    Int(&perk::addbw),   Int(&perk::addar),  Int(&perk::addmg),    Int(&perk::addcoded),
    IntOr(&perk::recrace, -1), IntOr(&perk::addcard, -1),
};

// A character file is its head, the spell book, spec, the perks and its tail. Magic comes before armor.
const TContentField<character> cCharacterHead[] = {
    Text(&character::name),      Int(&character::lvl),   Bool(&character::boss),  Int(&character::strength),
    Int(&character::intelligence), Int(&character::speed), Int(&character::endurance), Int(&character::sword),
    Int(&character::bow),        Int(&character::magic), Int(&character::armor),
};
const TContentField<character> cCharacterSpec[] = {Int(&character::spec)};
const TContentField<character> cCharacterTail[] = {
    IntOr(&character::element, 0), IntOr(&character::loot, -1, 1), IntOr(&character::lootchance, 50, 1),
    IntOr(&character::jrn, 0),     IntOr(&character::w_wd, 20, 2), IntOr(&character::w_ht, 20, 2),
    IntOr(&character::w_zs, 0, 2),
};

// lb_mg before lb_bw, unlike the record.
const TContentField<loot> cItemFields[] = {
    Text(&loot::name),           Int(&loot::id),            Int(&loot::count),         Int(&loot::p),
    Int(&loot::lb_str),          Int(&loot::lb_int),        Int(&loot::lb_spd),        Int(&loot::lb_end),
    Int(&loot::lb_sw),           Int(&loot::lb_mg),         Int(&loot::lb_bw),         Int(&loot::lb_ar),
    Int(&loot::lb_crd),          IntOr(&loot::itmtype, 0),  IntOr(&loot::l_armor, 0),  IntOr(&loot::crf1, -1),
    IntOr(&loot::crf2, -1),      IntOr(&loot::l_hat, -1),   Bool(&loot::nohair),       IntOr(&loot::rq_str, 0),
    IntOr(&loot::rq_int, 0),     IntOr(&loot::rq_spd, 0),   IntOr(&loot::rq_end, 0),   IntOr(&loot::rq_sw, 0),
    IntOr(&loot::rq_mg, 0),      IntOr(&loot::rq_bw, 0),    IntOr(&loot::rq_ar, 0),    IntOr(&loot::rq_perk, -1),
    IntOr(&loot::rq_item, -1),   IntOr(&loot::rq_spec, -1),
};

template <class R> void SetDefault(R& record, const TContentField<R>& field)
{
    if (const auto* member = std::get_if<std::string R::*>(&field.Member)) record.**member = field.TextDefault;
    else if (const auto* member = std::get_if<int32_t R::*>(&field.Member))
        record.**member = field.DefaultFrom ? record.*field.DefaultFrom : field.Default;
}

// The line defaults, so that fields a read does not reach hold them too (a copied default takes its field's
// value when the read has it).
template <class R> void SetDefaults(R& record, std::span<const TContentField<R>> fields)
{
    for (const TContentField<R>& field : fields)
        if (field.Guarded) SetDefault(record, field);
}

// A line of a file written whole by the game: present, and a number where one is stored (a Boolean may also be
// True or False).
void CheckWholeLine(const TLineBuffer& buffer, int line, bool boolean)
{
    if (line >= buffer.Count()) buffer.LineError(line, "missing: the file is cut short");
    if (boolean && (SameText(buffer.Line(line), "True") || SameText(buffer.Line(line), "False"))) return;
    int32_t value = 0;
    if (boolean && !TryStrToInt(buffer.Line(line), value))
        buffer.LineError(line, Format("'%s' is not a valid boolean value", {buffer.Line(line)}));
}

template <class R> void ReadField(const TLineBuffer& buffer, int line, R& record, const TContentField<R>& field)
{
    if (const auto* member = std::get_if<int32_t R::*>(&field.Member)) record.**member = buffer.ReadIntLine(line);
    else if (const auto* member = std::get_if<bool R::*>(&field.Member)) record.**member = buffer.ReadBoolLine(line);
    else if (field.Guarded && line >= buffer.Count()) SetDefault(record, field);
    else record.*std::get<std::string R::*>(field.Member) = buffer.ReadTextLine(line);
}

// Reads the fields from line on and moves line past them; an unguarded line that does not read raises, and so
// does every line of a file the game wrote whole itself (whole).
template <class R>
void ReadFields(const TLineBuffer& buffer, int& line, R& record, std::span<const TContentField<R>> fields,
                bool whole = false)
{
    for (std::size_t i = 0; i < fields.size(); ++i, ++line) {
        const TContentField<R>& field = fields[i];
        if (whole) CheckWholeLine(buffer, line, std::holds_alternative<bool R::*>(field.Member));
        if (!field.Guarded || whole) {
            ReadField(buffer, line, record, field);
            continue;
        }
        try {
            ReadField(buffer, line, record, field);
        } catch (const EGameDataError&) {
            // The whole group takes its defaults, the lines of it already read included.
            std::size_t first = i, last = i;
            while (field.Group && first > 0 && fields[first - 1].Group == field.Group) --first;
            while (field.Group && last + 1 < fields.size() && fields[last + 1].Group == field.Group) ++last;
            for (std::size_t k = first; k <= last; ++k) SetDefault(record, fields[k]);
            line += static_cast<int>(last - i);
            i = last;
        }
    }
}

template <class R> void WriteFields(TLineBuffer& buffer, const R& record, std::span<const TContentField<R>> fields)
{
    for (const TContentField<R>& field : fields) {
        if (const auto* member = std::get_if<int32_t R::*>(&field.Member)) buffer.WriteIntLine(record.**member);
        else if (const auto* member = std::get_if<bool R::*>(&field.Member)) buffer.WriteBoolLine(record.**member);
        else buffer.WriteTextLine(record.*std::get<std::string R::*>(field.Member));
    }
}

template <class TTable> void ReadBools(const TLineBuffer& buffer, int& line, TTable& table, bool whole)
{
    for (bool& value : table) {
        if (whole) CheckWholeLine(buffer, line, true);
        value = buffer.ReadBoolLine(line++);
    }
}

template <class TTable> void WriteBools(TLineBuffer& buffer, const TTable& table)
{
    for (const bool value : table) buffer.WriteBoolLine(value);
}

void LogEndedRead(const EGameDataError& e, std::string_view outcome)
{
    GlobalLogSession()->LogWarning(e.Message() + ": " + std::string(outcome));
}

// Reads a record of one field table from its file; false when a line without a default ended the read (logged
// with the outcome).
template <class R>
bool ReadContentFile(const std::string& fn, R& record, std::span<const TContentField<R>> fields,
                     std::string_view outcome)
{
    TLineBuffer buffer;
    buffer.LoadFromFile(fn);
    SetDefaults(record, fields);
    int line = 0;
    try {
        ReadFields(buffer, line, record, fields);
    } catch (const EGameDataError& e) {
        LogEndedRead(e, outcome);
        return false;
    }
    return true;
}

template <class R> void WriteContentFile(const std::string& fn, const R& record, std::span<const TContentField<R>> fields)
{
    TLineBuffer buffer;
    WriteFields(buffer, record, fields);
    buffer.SaveToFile(fn);
}

} // namespace

std::optional<std::string> OverrideName(const std::string& fileName)
{
    if (!HookedFileExists(fileName)) return std::nullopt;
    try {
        TLineBuffer buffer;
        buffer.LoadFromFile(fileName);
        if (buffer.Count() > 0) return buffer.ReadTextLine(0);
    } catch (const EGameDataError& e) {
        LogEndedRead(e, "the name is kept");
    }
    return std::nullopt;
}

card LoadCard(const std::string& fn, const std::string& loc)
{
    TLineBuffer buffer;
    buffer.LoadFromFile(fn);
    card cts;
    SetDefaults<card>(cts, cCardFields);
    int line = 0;
    ReadFields<card>(buffer, line, cts, cCardFields);
    cts.enabled = true;
    const std::string fileName = ExtractFileName(fn);
    const std::string id = fileName.substr(0, fileName.find('.'));
    if (auto name = OverrideName(GamePath("\\text\\" + loc + "\\overrides\\spells\\" + id + ".txt")))
        cts.name = std::move(*name);
    return cts;
}

void SaveCard(const card& cts, const std::string& fn)
{
    WriteContentFile<card>(fn, cts, cCardFields);
}

perk LoadPerk(int32_t pid, const std::string& fn)
{
    perk pts;
    pts.id = pid;
    if (!ReadContentFile<perk>(fn, pts, cPerkFields, "the perk is disabled")) pts.enabled = false;
    return pts;
}

void SavePerk(int32_t pid, const std::string& fn)
{
    WriteContentFile<perk>(fn, perks[pid], cPerkFields);
}

namespace {

// Reads a character file; a line without a default that does not read raises, and with whole any line that is
// missing or not what the game writes.
character ReadCharacter(const std::string& fn, bool whole)
{
    TLineBuffer buffer;
    buffer.LoadFromFile(fn);
    character cts;
    SetDefaults<character>(cts, cCharacterTail);
    int line = 0;
    try {
        ReadFields<character>(buffer, line, cts, cCharacterHead, whole);
        ReadBools(buffer, line, cts.spellbook, whole);
        ReadFields<character>(buffer, line, cts, cCharacterSpec, whole);
        ReadBools(buffer, line, cts.perks, whole);
        ReadFields<character>(buffer, line, cts, cCharacterTail, whole);
    } catch (const EGameDataError& e) {
        if (whole) throw;
        LogEndedRead(e, "the character ends there");
    }
    cts.oname = cts.name;
    return cts;
}

} // namespace

character LoadChar(const std::string& fn)
{
    return ReadCharacter(fn, false);
}

character LoadSavedChar(const std::string& fn)
{
    return ReadCharacter(fn, true);
}

void SaveChar(const character& cts, const std::string& fn)
{
    TLineBuffer buffer;
    WriteFields<character>(buffer, cts, cCharacterHead);
    WriteBools(buffer, cts.spellbook);
    WriteFields<character>(buffer, cts, cCharacterSpec);
    WriteBools(buffer, cts.perks);
    WriteFields<character>(buffer, cts, cCharacterTail);
    buffer.SaveToFile(fn);
}

loot LoadLoot(const std::string& fn)
{
    loot lts;
    ReadContentFile<loot>(fn, lts, cItemFields, "the item ends there");
    const std::string overridename = extractitemoverridename(lng, lts.id);
    lts.overridename = overridename == "-nil-" ? lts.name : overridename;
    return lts;
}

void SaveLoot(const loot& lts, const std::string& fn)
{
    WriteContentFile<loot>(fn, lts, cItemFields);
}

std::string extractitemoverridename(const std::string& language, int32_t id)
{
    return OverrideName(GamePath("\\text\\" + language + "\\overrides\\items\\" + IntToStr(id) + ".txt"))
        .value_or("-nil-");
}
