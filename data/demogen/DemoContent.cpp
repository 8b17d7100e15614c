#include "DemoContent.h"

#include "DemoSources.h"
#include "UGH_data.h"

#include <algorithm>
#include <functional>
#include <span>

namespace fs = std::filesystem;

namespace {

constexpr TSourceField<card> cCardFields[] = {
    {"name", &card::name},         {"active", &card::active},       {"mc", &card::mc},
    {"hpc", &card::hpc},           {"dmgph", &card::dmgph},         {"dmgperc", &card::dmgperc},
    {"addhp", &card::addhp},       {"addmp", &card::addmp},         {"addeffect", &card::addeffect},
    {"efflgth", &card::efflgth},   {"govskill", &card::govskill},   {"bont", &card::bont},
    {"bonam", &card::bonam},       {"accum", &card::accum},         {"monly", &card::monly},
    {"effstrgth", &card::effstrgth}, {"effdir", &card::effdir},     {"consumes", &card::consumes},
    {"mindam", &card::mindam},     {"element", &card::element},     {"sound", &card::sound},
    {"AOE", &card::AOE},
};
constexpr TSourceField<perk> cPerkFields[] = {
    {"enabled", &perk::enabled}, {"name", &perk::name},       {"recst", &perk::recst},   {"recagi", &perk::recagi},
    {"recin", &perk::recin},     {"recend", &perk::recend},   {"recsw", &perk::recsw},   {"recbw", &perk::recbw},
    {"recar", &perk::recar},     {"recmg", &perk::recmg},     {"recperk", &perk::recperk}, {"addst", &perk::addst},
    {"addagi", &perk::addagi},   {"addin", &perk::addin},     {"addend", &perk::addend}, {"addsw", &perk::addsw},
    {"addbw", &perk::addbw},     {"addar", &perk::addar},     {"addmg", &perk::addmg},   {"addcoded", &perk::addcoded},
    {"recrace", &perk::recrace}, {"addcard", &perk::addcard},
};
constexpr TSourceField<character> cMonsterFields[] = {
    {"name", &character::name},         {"lvl", &character::lvl},           {"boss", &character::boss},
    {"strength", &character::strength}, {"intelligence", &character::intelligence},
    {"speed", &character::speed},       {"endurance", &character::endurance}, {"sword", &character::sword},
    {"bow", &character::bow},           {"magic", &character::magic},       {"armor", &character::armor},
    {"spec", &character::spec},         {"element", &character::element},   {"loot", &character::loot},
    {"lootchance", &character::lootchance}, {"jrn", &character::jrn},       {"w_wd", &character::w_wd},
    {"w_ht", &character::w_ht},         {"w_zs", &character::w_zs},
};
constexpr TSourceField<loot> cItemFields[] = {
    {"name", &loot::name},       {"count", &loot::count},     {"p", &loot::p},           {"lb_str", &loot::lb_str},
    {"lb_int", &loot::lb_int},   {"lb_spd", &loot::lb_spd},   {"lb_end", &loot::lb_end}, {"lb_sw", &loot::lb_sw},
    {"lb_mg", &loot::lb_mg},     {"lb_bw", &loot::lb_bw},     {"lb_ar", &loot::lb_ar},   {"lb_crd", &loot::lb_crd},
    {"itmtype", &loot::itmtype}, {"l_armor", &loot::l_armor}, {"crf1", &loot::crf1},     {"crf2", &loot::crf2},
    {"l_hat", &loot::l_hat},     {"nohair", &loot::nohair},   {"rq_str", &loot::rq_str}, {"rq_int", &loot::rq_int},
    {"rq_spd", &loot::rq_spd},   {"rq_end", &loot::rq_end},   {"rq_sw", &loot::rq_sw},   {"rq_mg", &loot::rq_mg},
    {"rq_bw", &loot::rq_bw},     {"rq_ar", &loot::rq_ar},     {"rq_perk", &loot::rq_perk}, {"rq_item", &loot::rq_item},
    {"rq_spec", &loot::rq_spec},
};

// A key of a block that is no field of the record: handled (true) or unknown (false).
template <typename R>
using TExtraKey = std::function<bool(int32_t id, TDemoEntry<R>& entry, const std::string& key,
                                     const std::string& value, const TSourceLines& lines, int line)>;

template <typename R>
std::vector<TDemoEntry<R>> CompileBlocks(std::string_view source, const std::string& sourceName, const R& blank,
                                         std::type_identity_t<std::span<const TSourceField<R>>> fields,
                                         const TExtraKey<R>& extra = {})
{
    const TSourceLines lines(source, sourceName);
    std::vector<TDemoEntry<R>> entries;
    bool inBlock = false;
    for (int line = 0; line < lines.Count(); ++line) {
        const std::string_view text = lines.Line(line);
        if (Trim(text).empty()) inBlock = false;
        if (Skipped(text)) continue;
        if (!inBlock) entries.push_back({blank, {}, {}});
        inBlock = true;
        const std::size_t equals = text.find('=');
        if (equals == std::string_view::npos) lines.Fail(line, "expected \"field = value\"");
        const std::string key = Trim(text.substr(0, equals));
        const std::string value = Trim(text.substr(equals + 1));
        TDemoEntry<R>& entry = entries.back();
        if (key == "override") entry.overridename = value;
        else if (key == "picture") entry.picture = value;
        else if (!SetSourceField(entry.record, fields, key, value, lines, line) &&
                 !(extra && extra(static_cast<int32_t>(entries.size() - 1), entry, key, value, lines, line)))
            lines.Fail(line, "unknown field \"" + key + "\"");
    }
    return entries;
}

// perks[id] holds a record while the perk writer runs.
struct TPerkSlot {
    perk saved;
    int32_t id;
    TPerkSlot(int32_t slot, const perk& written) : saved(perks[slot]), id(slot) { perks[slot] = written; }
    ~TPerkSlot() { perks[id] = saved; }
    TPerkSlot(const TPerkSlot&) = delete;
    TPerkSlot& operator=(const TPerkSlot&) = delete;
};

// Each entry's file through its writer, and its override.
template <typename R>
void WriteEntries(const std::vector<TDemoEntry<R>>& entries, TDemoOutput& output, const std::string& overrides,
                  const std::function<std::string(int32_t id)>& file,
                  const std::function<void(int32_t id, const R& record, const std::string& path)>& write)
{
    for (std::size_t at = 0; at < entries.size(); ++at) {
        const int32_t id = static_cast<int32_t>(at);
        const std::string path = file(id);
        std::string gamePath = "\\" + path;
        std::replace(gamePath.begin(), gamePath.end(), '/', '\\');
        output.Publish(path, output.Stage(gamePath, [&] { write(id, entries[at].record, GamePath(gamePath)); }));
        if (!entries[at].overridename.empty())
            output.Publish("text/en/overrides/" + overrides + "/" + std::to_string(id) + ".txt",
                           LinesText({entries[at].overridename}));
    }
}

} // namespace

std::vector<TDemoEntry<card>> CompileCards(std::string_view source, const std::string& sourceName)
{
    card blank;
    blank.consumes = -1;
    blank.sound = "0";
    return CompileBlocks<card>(source, sourceName, blank, cCardFields);
}

std::vector<TDemoEntry<perk>> CompilePerks(std::string_view source, const std::string& sourceName)
{
    perk blank;
    blank.enabled = true;
    blank.recperk = blank.recrace = blank.addcard = -1;
    std::vector<TDemoEntry<perk>> entries = CompileBlocks<perk>(source, sourceName, blank, cPerkFields);
    for (std::size_t id = 0; id < entries.size(); ++id) entries[id].record.id = static_cast<int32_t>(id);
    return entries;
}

std::vector<TDemoEntry<character>> CompileMonsters(std::string_view source, const std::string& sourceName)
{
    character blank;
    blank.loot = -1;
    return CompileBlocks<character>(
        source, sourceName, blank, cMonsterFields,
        [](int32_t, TDemoEntry<character>& entry, const std::string& key, const std::string& value,
           const TSourceLines& lines, int line) {
            if (key == "cards") SetFlags(entry.record.spellbook, value, lines, line);
            else if (key == "perks") SetFlags(entry.record.perks, value, lines, line);
            else return false;
            return true;
        });
}

std::vector<TDemoEntry<loot>> CompileItems(std::string_view source, const std::string& sourceName,
                                           std::vector<int32_t>& lootlist)
{
    loot blank;
    blank.crf1 = blank.crf2 = blank.l_hat = blank.rq_perk = blank.rq_item = blank.rq_spec = -1;
    lootlist.clear();
    std::vector<TDemoEntry<loot>> entries = CompileBlocks<loot>(
        source, sourceName, blank, cItemFields,
        [&lootlist](int32_t id, TDemoEntry<loot>&, const std::string& key, const std::string& value,
                    const TSourceLines& lines, int line) {
            if (key != "lootlist") return false;
            if (lines.Boolean(line, value)) lootlist.push_back(id);
            return true;
        });
    for (std::size_t id = 0; id < entries.size(); ++id) entries[id].record.id = static_cast<int32_t>(id);
    return entries;
}

TDemoContent ReadContent(const fs::path& sources)
{
    const fs::path folder = sources / "content";
    const auto source = [&](const char* name) { return ReadSourceFile(folder / name); };
    const auto path = [&](const char* name) { return (folder / name).string(); };
    TDemoContent content;
    content.cards = CompileCards(source("cards.src"), path("cards.src"));
    content.perks = CompilePerks(source("perks.src"), path("perks.src"));
    content.monsters = CompileMonsters(source("monsters.src"), path("monsters.src"));
    content.items = CompileItems(source("items.src"), path("items.src"), content.lootlist);
    return content;
}

void WriteContent(const TDemoContent& content, TDemoOutput& output)
{
    const auto numbered = [](const std::string& prefix, const std::string& extension) {
        return [=](int32_t id) { return prefix + std::to_string(id) + extension; };
    };
    WriteEntries<card>(content.cards, output, "spells", numbered("cards/", ".crd"),
                       [](int32_t, const card& record, const std::string& file) { SaveCard(record, file); });
    WriteEntries<perk>(content.perks, output, "perks", numbered("perks/p_", ".prk"),
                       [](int32_t id, const perk& record, const std::string& file) {
                           const TPerkSlot slot(id, record);
                           SavePerk(id, file);
                       });
    WriteEntries<character>(content.monsters, output, "monsters", numbered("monsters/", ".mon"),
                            [](int32_t, const character& record, const std::string& file) { SaveChar(record, file); });
    WriteEntries<loot>(content.items, output, "items", numbered("items/", ".lot"),
                       [](int32_t, const loot& record, const std::string& file) { SaveLoot(record, file); });
    TLineBuffer lootlist;
    for (const int32_t id : content.lootlist) lootlist.WriteIntLine(id);
    output.Publish("items/lootlist.txt", lootlist.Text());
}
