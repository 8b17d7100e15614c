// The character's growth the battle and the exploration ask for: perks' coded effects, the bonuses of items and
// perks, experience and the item stock.
#include "UGH_main.h"

#include "RandomGenerator.h"
#include "UGH_data.h"
#include "UGH_log.h"

TBoundedTable<int32_t, 0, 7> attrbonus;

namespace {

// a x n / 10 rounded half to even, in integers: a decimal tenth has no exact binary value.
int32_t TenthsHalfEven(int32_t a, int32_t n)
{
    const int64_t p = static_cast<int64_t>(a) * n;
    int64_t q = p / 10, r = p % 10;
    if (r < 0) {
        --q;
        r += 10;
    }
    if (r > 5 || (r == 5 && q % 2 != 0)) ++q;
    return static_cast<int32_t>(q);
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

bool Worn(int32_t id)
{
    for (int32_t e : equipped)
        if (e == id) return true;
    return false;
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
    const auto hasPerk = [](int32_t p) { return p >= 0 && p <= 100 && player.perks[p]; };
    return player.bstr >= it.rq_str && player.bspd >= it.rq_spd && player.bend >= it.rq_end &&
           player.bint >= it.rq_int && player.bsw >= it.rq_sw && player.bbw >= it.rq_bw && player.bar >= it.rq_ar &&
           player.bmg >= it.rq_mg && (it.rq_perk == -1 || hasPerk(it.rq_perk)) &&
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
        if (it.count > 0 && (it.itmtype == 0 || Worn(id)) && checkitemreqirements(id)) add(ItemBonuses(it), it.count);
    }
    for (int32_t id = 0; id <= 100; ++id)
        if (perks[id].enabled && player.perks[id]) add(PerkBonuses(perks[id]), 1);
    for (int32_t k = 0; k < 8; ++k) player.*cValues[k].effective = player.*cValues[k].base + attrbonus[k];
}

void TForm1::AddXP(int32_t reason, int32_t amount, character& cta)
{
    const int32_t n = CheckCodedPerkEff(player, 4);
    const int32_t gain = n > 0 ? amount + TenthsHalfEven(amount, n) : amount;
    cta.xp += gain;
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
