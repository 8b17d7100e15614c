// The character's growth the battle and the exploration ask for: perks' coded effects, the bonuses of items and
// perks, experience and the item stock.
#include "UGH_main.h"

#include "RandomGenerator.h"
#include "UGH_data.h"
#include "UGH_log.h"

#include <algorithm>
#include <cmath>

TBoundedTable<int32_t, 0, 7> attrbonus;
TBoundedTable<int32_t, -1, 101> perklist;
int32_t perkcursor = 0;
bool perkpanelshown = false;

namespace {

// a x n / 10 rounded half to even, in integers: a decimal tenth has no exact binary value.
int64_t TenthsHalfEven(int32_t a, int32_t n)
{
    const int64_t p = static_cast<int64_t>(a) * n;
    int64_t q = p / 10, r = p % 10;
    if (r < 0) {
        --q;
        r += 10;
    }
    if (r > 5 || (r == 5 && q % 2 != 0)) ++q;
    return q;
}

// The eight effective values with their bases, in attrbonus's order.
struct TValuePair {
    int32_t character::*effective;
    int32_t character::*base;
};
constexpr TValuePair cValues[8] = {
    {&character::strength, &character::bstr}, {&character::intelligence, &character::bint},
    {&character::speed, &character::bspd},    {&character::endurance, &character::bend},
    {&character::sword, &character::bsw},     {&character::bow, &character::bbw},
    {&character::armor, &character::bar},     {&character::magic, &character::bmg}};

// The bonuses of an item and of a perk in attrbonus's order.
std::array<int32_t, 8> ItemBonuses(const loot& it)
{
    return {it.lb_str, it.lb_int, it.lb_spd, it.lb_end, it.lb_sw, it.lb_bw, it.lb_ar, it.lb_mg};
}
std::array<int32_t, 8> PerkBonuses(const perk& p)
{
    return {p.addst, p.addin, p.addagi, p.addend, p.addsw, p.addbw, p.addar, p.addmg};
}

bool PlayerHasPerk(int32_t p)
{
    return p >= 0 && p <= 100 && player.perks[p];
}

// The experience form's title by reason: a skill's practice, a battle or a card.
std::string XPTitle(int32_t reason)
{
    switch (reason) {
    case 0: return strarr[105] + ": " + strarr[40];
    case 1: return strarr[106];
    case 2: return strarr[107];
    case 3: return strarr[105] + ": " + strarr[41];
    case 4: return strarr[105] + ": " + strarr[42];
    case 5: return strarr[105] + ": " + strarr[43];
    default: return "";
    }
}

} // namespace

int32_t TForm1::CheckCodedPerkEff(const character& chr, int32_t n)
{
    int32_t count = 0;
    for (int32_t i = 0; i <= 100; ++i)
        if (chr.perks[i] && perks[i].addcoded == n) ++count;
    return count;
}

bool TForm1::checkitemreqirements(int32_t id)
{
    const loot& it = items[id];
    const auto owned = [](int32_t item) { return item >= items.Low() && item <= items.High() && items[item].count > 0; };
    return player.bstr >= it.rq_str && player.bspd >= it.rq_spd && player.bend >= it.rq_end &&
           player.bint >= it.rq_int && player.bsw >= it.rq_sw && player.bbw >= it.rq_bw && player.bar >= it.rq_ar &&
           player.bmg >= it.rq_mg && (it.rq_perk == -1 || PlayerHasPerk(it.rq_perk)) &&
           (it.rq_item == -1 || owned(it.rq_item)) && (it.rq_spec == -1 || it.rq_spec == player.spec);
}

void TForm1::defineparbonuses()
{
    attrbonus.Fill(0);
    const auto add = [](const std::array<int32_t, 8>& b, int32_t times) {
        for (int32_t k = 0; k < 8; ++k) attrbonus[k] += times * b[k];
    };
    for (int32_t id = 0; id <= 1000; ++id) {
        const loot& it = items[id];
        if (it.count > 0 && (it.itmtype == 0 || ItemWorn(id)) && checkitemreqirements(id)) add(ItemBonuses(it), it.count);
    }
    for (int32_t id = 0; id <= 100; ++id)
        if (perks[id].enabled && player.perks[id]) add(PerkBonuses(perks[id]), 1);
    for (int32_t k = 0; k < 8; ++k) player.*cValues[k].effective = player.*cValues[k].base + attrbonus[k];
}

void TForm1::AddXP(int32_t reason, int32_t amount, character& cta)
{
    const int32_t n = CheckCodedPerkEff(player, 4);
    // Held at Integer's bounds: a monster file's largest worth must not wrap the experience around.
    const int32_t gain = n > 0 ? HoldInteger(amount + TenthsHalfEven(amount, n)) : amount;
    cta.xp = HoldInteger(static_cast<int64_t>(cta.xp) + gain);
    static constexpr int32_t character::*skills[4] = {&character::sword, &character::bow, &character::armor,
                                                       &character::magic};
    const int32_t skill = reason == 0 ? 0 : reason >= 3 && reason <= 5 ? reason - 2 : -1;
    std::string text;
    if (skill < 0)
        text = strarr[104] + ": " + std::to_string(amount);
    else
        text = strarr[104] + ": " + std::to_string(gain) + "\r\n" + strarr[40 + skill] + ": " +
               std::to_string(player.*skills[skill]);
    ShowRequestForm(XPTitle(reason), text, 0, 1, 0, "");
}

void TForm1::AddItem(int32_t n1, int32_t n2)
{
    if (n1 < 0 || n1 > 1000) {
        GameLog("Item " + std::to_string(n1) + " does not exist: nothing is added");
        return;
    }
    loot& it = items[n1];
    it.count += n2;
    if (scriptpopups && n2 != 0)
        ShowRequestForm(strarr[n2 > 0 ? 303 : 304], it.overridename, 0, 99, 0, "itm_" + std::to_string(n1));
    if (it.count < 0) it.count = 0;
    // An owned item teaches its card once (a card id that names nothing is refused and logged there).
    const bool known = it.lb_crd >= player.spellbook.Low() && it.lb_crd <= player.spellbook.High() &&
                       player.spellbook[it.lb_crd];
    if (it.count > 0 && it.lb_crd != -1 && !known) AddNewCard(true, it.lb_crd, true, true, false, player);
    ClickGButton(35);
    craftmode = false;
}

int32_t TForm1::RandomLoot()
{
    const std::string fileName = GamePath("\\items\\lootlist.txt");
    try {
        TLineBuffer lines;
        lines.LoadFromFile(fileName);
        if (lines.Count() == 0) {
            GameLog(fileName + " is empty: no item");
            return -1;
        }
        return lines.ReadIntLine(Random(lines.Count()));
    } catch (const EGameDataError& e) {
        GameLog(e.Message() + ": no item");
        return -1;
    }
}

void TForm1::LevelUp()
{
    if (player.xpreq >= player.xp) return;
    // The threshold grows with the level left behind.
    player.xpreq = RoundInteger(player.xpreq + 2200.0 * (player.lvl + 1) + 1000.0 * std::pow(2.0, player.lvl / 3.0));
    ++player.lvl;
    ShowRequestForm(strarr[46], player.name + strarr[47] + std::to_string(player.lvl), 0, 1, 1, "");
    DoSound("snd_levelup");
    AddAttrPoints(4, true);
    if (player.lvl % 4 == 0) AddPerkPoints(1);
    if (player.lvl % 2 == 0) AddNewCard(true, -1, true, true, false, player);
}

void TForm1::AddPerkPoints(int32_t n)
{
    perkpoints += n;
    if (scriptpopups) ShowRequestForm(strarr[366], strarr[367] + ": " + std::to_string(n), 0, 1, 1, "");
}

void TForm1::AddAttrPoints(int32_t n, bool useperk)
{
    if (useperk) n += CheckCodedPerkEff(player, 16);
    player.bonuspoints += n;
    if (scriptpopups) ShowRequestForm(strarr[368], strarr[369] + ": " + std::to_string(n), 0, 1, 1, "");
}

bool TForm1::checkperkrq(int32_t pn)
{
    const perk& p = perks[pn];
    return player.strength >= p.recst && player.speed >= p.recagi && player.intelligence >= p.recin &&
           player.endurance >= p.recend && player.sword >= p.recsw && player.magic >= p.recmg &&
           player.bow >= p.recbw && player.armor >= p.recar && (p.recperk == -1 || PlayerHasPerk(p.recperk)) &&
           (p.recrace == -1 || p.recrace == player.spec);
}

void TForm1::TryToCraft(int32_t it1, int32_t it2)
{
    const auto valid = [](int32_t id) { return id >= items.Low() && id <= items.High(); };
    int32_t made = -1;
    if (valid(it1) && valid(it2)) {
        const int32_t last = std::min(itemcount, items.High() + 1) - 1;
        for (int32_t k = 0; k <= last; ++k) {
            const loot& it = items[k];
            if ((it.crf1 == it1 && it.crf2 == it2) || (it.crf1 == it2 && it.crf2 == it1)) made = k;
        }
    }
    // Both parts are used up: an item crafted with itself takes two of it.
    const bool stocked = made >= 0 && (it1 == it2 ? items[it1].count >= 2 : items[it1].count >= 1 && items[it2].count >= 1);
    if (!stocked) {
        ShowRequestForm(strarr[318], strarr[319], 0, 1, 0, "");
        return;
    }
    --items[it1].count;
    --items[it2].count;
    AddItem(made, 1);
}

void TForm1::InventoryButtonClick(int32_t t)
{
    if (t == 1 || t == -1) {
        const int32_t count = std::min(itemcount, items.High() + 1);
        if (count <= 0) return;
        // One full round at most: with nothing owned the selection stays.
        int32_t at = selitem;
        for (int32_t step = 0; step < count; ++step) {
            at += t;
            if (at < 0) at = count - 1;
            if (at > count - 1) at = 0;
            if (items[at].count > 0) {
                selitem = at;
                return;
            }
        }
        return;
    }
    if (t != 0) return;
    craftmode = !craftmode;
    if (selitem < items.Low() || selitem > items.High()) return;
    const int32_t kind = items[selitem].itmtype;
    if (kind >= 1 && kind <= 4) {
        equipped[kind - 1] = selitem;
        defineparbonuses();
    }
    if (kind != 0) uirefresh = true;
}

bool ItemWorn(int32_t id)
{
    return std::find(equipped.begin(), equipped.end(), id) != equipped.end();
}

int32_t perkreqsum(int32_t p)
{
    const perk& k = perks[p];
    return k.recst + k.recagi + k.recin + k.recend + k.recsw + k.recbw + k.recmg + k.recar + k.recperk;
}

void TForm1::genperklist()
{
    for (int32_t j = perklist.Low(); j <= perklist.High(); ++j) perklist[j] = j;
    // Two stable passes over positions 0..100: the later key decides first, equal keys keep the earlier order.
    int32_t* first = &perklist[0];
    int32_t* last = &perklist[100] + 1;
    std::stable_sort(first, last, [](int32_t a, int32_t b) { return perkreqsum(a) < perkreqsum(b); });
    std::stable_sort(first, last, [](int32_t a, int32_t b) { return perks[a].recrace < perks[b].recrace; });
}

int32_t TForm1::GetNextEnabledPerk(int32_t direc)
{
    const int32_t start = std::clamp(perkcursor, perklist.Low(), perklist.High());
    if (direc == 0) return start;
    int32_t at = start;
    // Positions -1..101 once round at most; with no enabled perk the cursor stays.
    for (int32_t step = 0; step < perklist.Length(); ++step) {
        if (direc > 0 && at > 100) at = -1;
        if (direc < 0 && at < 0) at = 101;
        at = std::clamp(at + direc, perklist.Low(), perklist.High());
        const int32_t p = perklist[at];
        if (p >= perks.Low() && p <= perks.High() && perks[p].enabled) return at;
    }
    return start;
}
