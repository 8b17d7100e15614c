// Card play: the damage of a card, the timed effects' polarity and their dispel, and the small sums plays share.
#include "UGH_main.h"

#include "GLHUDObjects.h"
#include "UGH_hudwrites.h"
#include "RandomGenerator.h"
#include "SysUtils.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

TBoundedTable<bool, 0, 99> efpolarity;
int32_t lastplayercard = -1, lastmonstercard = -1;
double playercardhomex = 0, playercardhomey = 0, playercardposx = 0, playercardposy = 0;
double enemycardhomex = 0, enemycardhomey = 0, enemycardposx = 0, enemycardposy = 0;

namespace {

std::string Num(int64_t value) { return std::to_string(value); }

// A cure of many rounds says so in this many lines at most.
constexpr int64_t cMaxCureLines = 100;

} // namespace

void seteffectpolarity()
{
    for (bool& p : efpolarity) p = false;
    for (const int32_t k : {1, 2, 3, 4, 7, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 21}) efpolarity[k] = true;
}

int32_t percentof(int32_t a, int32_t b) { return RoundInteger(static_cast<double>(a) * b / 100); }

bool elementsopposed(int32_t a, int32_t b)
{
    return (a == 1 && b == 2) || (a == 2 && b == 1) || (a == 3 && b == 4) || (a == 4 && b == 3);
}

int32_t TForm1::gethpcdrop(int32_t hpc, const character& user)
{
    return RoundInteger(static_cast<double>(hpc) / (CheckCodedPerkEff(user, 19) + 1));
}

int32_t TForm1::CalcDmg(int32_t side, int32_t cid, int32_t gsl, int32_t ustr, int32_t uint, int32_t uspd,
    int32_t uend, int32_t tstr, int32_t tint, int32_t tspd, int32_t tend, const character& user,
    const character& target, bool ubl, bool wascrit)
{
    (void)tstr;
    (void)tint;
    (void)uend;
    const card& c = cards[cid];
    const auto log = [&](const std::string& line) { AddToBattleLog(line); };
    const auto rolled = [&](int32_t index, int64_t amount, int64_t total) {
        if (ubl) log(strarr[index] + ": " + Num(amount) + " (" + Num(total) + ")");
    };
    int64_t d = 0;
    if (c.dmgph > 0 || c.dmgperc > 0) {
        const int64_t span = static_cast<int64_t>(c.dmgph) - c.mindam;
        // The span may be negative in a card file: it counts as none.
        const int64_t base =
            ubl ? Random(static_cast<int32_t>(std::clamp<int64_t>(span, 0, INT32_MAX))) + static_cast<int64_t>(c.mindam)
                : c.mindam + std::max<int64_t>(span, 0) / 2;
        d = base;
        if (ubl) log(strarr[133] + ": " + Num(base));
        if (d > 0) {
            d = RoundInteger(d + static_cast<double>(d) * gsl / 100);
            rolled(135, RoundInteger(static_cast<double>(d) * gsl / 100), d);
        }
        // Armour.
        int64_t a = RoundInteger(static_cast<double>(d) * target.armor / 100);
        if (CheckCodedPerkEff(target, 20) > 0) a = RoundInteger(static_cast<double>(a) * target.sword / 100);
        if (target.e[7] > 0) a += target.estr[7];
        if (user.e[14] > 0) {
            const double cut = ubl ? static_cast<double>(Random(user.estr[14])) : user.estr[14];
            a = RoundInteger(a - cut * a / 100);
        }
        if (user.e[20] > 0) a = RoundInteger(1.25 * a);
        d -= a;
        rolled(136, a, d);
        // Resistance.
        if (int32_t n = CheckCodedPerkEff(target, 11); n > 0) {
            n = std::min(n, 50);
            const int32_t roll = ubl ? Random(51) : 25;
            d -= RoundInteger(static_cast<double>(n + roll) * d / 100);
            log(strarr[193] + " (" + Num(d) + ")");
        }
        // Attribute bonus: strength for sword and bow, intelligence otherwise.
        const bool physical = c.govskill == 0 || c.govskill == 1;
        const int32_t x = physical ? ustr : uint;
        const int32_t half = RoundInteger(x / 2.0);
        const double share = (ubl ? Random(half) : half) + x / 2.0;
        const int64_t b = RoundInteger(share * d / 100);
        d += b;
        rolled(physical ? 137 : 208, b, d);
        // Class bonus.
        if (c.bont == target.spec) {
            d += RoundInteger(static_cast<double>(d) * c.bonam / 100);
            rolled(138, RoundInteger(static_cast<double>(d) * c.bonam / 100), d);
        }
        // Elements: an opposed one doubles, the target's own halves, the user's own adds a third.
        if (elementsopposed(target.element, c.element)) {
            d *= 2;
            log("Elemental multiplyer x2. Dmg=" + Num(d));
        }
        if (c.element == target.element && c.element != 0) d = RoundInteger(d / 2.0);
        if (c.element == user.element && c.element != 0) {
            d = RoundInteger(1.3 * d);
            log("Elemental multiplyer 33% from user affinity. Dmg=" + Num(d));
        }
        if (user.e[5] > 0) {
            d = RoundInteger(d / 2.0);
            if (ubl) log(strarr[139] + ": " + Num(d));
        }
        // Speed: the rolled dodge takes whole multiples of the damage, the expected one a share.
        const int64_t r = ubl ? static_cast<int64_t>(Random(RoundInteger(tspd / 100.0))) * d : RoundInteger(static_cast<double>(d) * tspd / 100);
        // The factors come from editable files: each product is held at Integer's bounds, so the next one fits.
        d = HoldInteger(d - r);
        rolled(140, r, d);
        if (user.e[1] > 0) {
            d *= 2;
            if (ubl) log(strarr[141] + ": " + Num(d));
        }
        if (user.e[2] > 0) {
            const int64_t m = ubl ? Random(user.e[2]) + 1 : static_cast<int64_t>(user.e[2]) + 1;
            d = HoldInteger(d * m);
            rolled(142, m, d);
        }
        // Stance counts only in the rolled damage, with the player's perks whichever side attacks.
        if (ubl) {
            const int64_t k = std::max(1, CheckCodedPerkEff(player, 22));
            if (side == 0) {
                if (stance == 1) d += k * RoundInteger((static_cast<double>(ustr) + uspd) * d / 200);
                if (stance == -1) d -= RoundInteger((static_cast<double>(ustr) + uspd) * d / 200);
            } else {
                if (stance == 1) d += RoundInteger((static_cast<double>(ustr) + uspd) * d / 200);
                if (stance == -1) d -= k * RoundInteger((static_cast<double>(tend) + tspd) * d / 200);
            }
        }
        if (d < 0) d = 1;
        if (wascrit) d = HoldInteger(d) * 2 * static_cast<int64_t>(CheckCodedPerkEff(user, 1));
    }
    const int32_t p = percentof(target.hp, c.dmgperc);
    d += p;
    if (ubl) log(strarr[134] + ": " + Num(p) + " (" + Num(d) + ")");
    if (ubl && user.e[23] > 0 && Random(100) < user.estr[23]) d = 0;
    return HoldInteger(d);
}

void TForm1::ProcDispell(int32_t effdir, int32_t es, character& user, character& target)
{
    character& who = effdir == 0 ? user : target;
    // The user loses harmful effects, the target beneficial ones.
    const bool removed = effdir != 0;
    for (int32_t k = 0; k <= 23 && es > 0; ++k) {
        if (efpolarity[k] != removed || who.e[k] <= 0) continue;
        do {
            --es;
            if (who.estr[k] > 0) who.estr[k] -= es;
            if (who.estr[k] <= 0) who.e[k] = 0;
        } while (es != 0 && who.e[k] != 0);
    }
}

namespace {

// v counting pct % higher while the bearer has the effect at index k.
int32_t Boosted(int32_t v, const character& chr, int32_t k)
{
    return chr.e[k] > 0 ? RoundInteger((chr.estr[k] / 100.0 + 1) * v) : v;
}

// The four effective attributes in a play: each own boost, then the boost of all four (type 20).
struct Attributes {
    int32_t str, intel, spd, end;
    explicit Attributes(const character& chr)
        : str(Boosted(Boosted(chr.strength, chr, 15), chr, 19)),
          intel(Boosted(Boosted(chr.intelligence, chr, 16), chr, 19)),
          spd(Boosted(Boosted(chr.speed, chr, 17), chr, 19)),
          end(Boosted(Boosted(chr.endurance, chr, 18), chr, 19))
    {
    }
};

int32_t Skill(int32_t skill, int32_t attribute) { return RoundInteger(skill + static_cast<double>(skill) * attribute / 100); }

// The play's amount raised by pct % of itself when the card's class bonus applies.
int32_t WithClassBonus(int32_t amount, const card& c, const character& chr)
{
    if (c.bont != chr.spec) return amount;
    return HoldInteger(amount + static_cast<int64_t>(RoundInteger(static_cast<double>(amount) * c.bonam / 100)));
}

const char* const cSkillSounds[] = {"skl_sword", "skl_bow", "skl_magic", "skl_armour"};

} // namespace

void TForm1::UseCard(int32_t no, int32_t side, character& user, character& target)
{
    bool crit = false;
    user.luc = no;
    if (side == 0) clearbtlmsgs();
    const auto finish = [&] {
        turndone = true;
        if (side == 0 && btltarget >= btlslots.Low() && btltarget <= btlslots.High()) btlslots[btltarget] = opponent;
    };
    // Regeneration (type 5).
    if (user.e[4] > 0 && user.estr[4] > 0) {
        const int32_t g = RoundInteger(static_cast<double>(user.endurance) * user.estr[4] / 10);
        user.hp = std::min(HoldInteger(static_cast<int64_t>(user.hp) + g), user.hpmax);
        AddDmgPop(side, poplabel(strarr[377]) + Num(g), 1);
    }
    // A hand slot or card id from a file may name nothing: the play is refused.
    if (no < user.hand.Low() || no > user.hand.High() || user.hand[no] < 0 || user.hand[no] > cards.High())
        return finish();
    const int32_t cid = user.hand[no];
    const card& c = cards[cid];
    if (c.consumes < -1 || c.consumes > items.High()) return finish();
    if (side == 0 && c.consumes != -1 && items[c.consumes].count < 1) {
        ShowRequestForm(strarr[315], strarr[316] + ": " + items[c.consumes].overridename, 0, 1, 1, "");
        return finish();
    }
    if ((user.e[0] != 0 || user.e[22] != 0) && c.addeffect != 13) return finish();
    if (side == 0) {
        lastplayercard = cid;
        manabonusready = true;
    } else {
        lastmonstercard = cid;
    }
    const Attributes u(user), t(target);
    const int32_t sw = Skill(user.sword, u.str), bw = Skill(user.bow, u.spd), mg = Skill(user.magic, u.intel),
                  ar = Skill(user.armor, u.end);
    const bool known = c.govskill >= 0 && c.govskill <= 3;
    const int32_t skillvalues[] = {sw, bw, mg, ar};
    const int32_t rawskills[] = {user.sword, user.bow, user.magic, user.armor};
    const int32_t gsv = known ? skillvalues[c.govskill] : 0;
    const int32_t gsraw = known ? rawskills[c.govskill] : 0;
    for (int32_t k = 0; k < 4; ++k) cardvalues[k] = skillvalues[k];
    cardvalues[4] = target.sword;
    cardvalues[5] = target.bow;
    cardvalues[6] = target.magic;
    cardvalues[7] = target.armor;
    if (c.sound != "0" && soundexists(c.sound))
        DoSound(c.sound);
    else if (known)
        DoSound(cSkillSounds[c.govskill]);
    if (side == 0 && (user.hp < c.hpc || user.mana < c.mc)) {
        if (c.mc > user.mana) ShowRequestForm(strarr[75], strarr[76], 0, 1, 1, "");
        if (c.hpc > user.hp) ShowRequestForm(strarr[75], strarr[77], 0, 1, 1, "");
        return finish();
    }
    if (c.consumes != -1 && side == 0) {
        loot& used = items[c.consumes];
        --used.count;
        ShowRequestForm(strarr[313],
            strarr[313] + ": " + used.overridename + ". " + strarr[314] + ": " + Num(used.count), 0, 1, 0, "");
    }
    // The card's flight starts on its hand button (the player) or on the monster's picture.
    TGLHUDSprite* from = side == 0 ? gbsprites[no == 6 ? 53 : 10 + no] : monster_img;
    TGLHUDSprite* picture = side == 0 ? usedcard2 : usedcard;
    double& homex = side == 0 ? playercardhomex : enemycardhomex;
    double& homey = side == 0 ? playercardhomey : enemycardhomey;
    if (from) {
        homex = from->Position()->X();
        homey = from->Position()->Y();
    }
    (side == 0 ? playercardposx : enemycardposx) = homex;
    (side == 0 ? playercardposy : enemycardposy) = homey;
    (side == 0 ? playercardflying : enemycardflying) = true;
    if (picture) SetHUDMaterial(picture, "card_" + Num(cid) + "_0");

    std::string msg = user.name + " " + strarr[103] + " " + c.name + ". ";
    AddToBattleLog(msg);
    if (CheckCodedPerkEff(user, 1) > 0 && Random(100) > 89) crit = true;
    int32_t dmg = CalcDmg(side, cid, gsv, u.str, u.intel, u.spd, u.end, t.str, t.intel, t.spd, t.end, user, target,
        true, crit);
    if (crit) AddToBattleLog(strarr[178] + " (" + Num(dmg) + ")");
    int32_t dmg2 = 0;
    if (gsv != 0 && CheckCodedPerkEff(user, 17) > 0 && Random(1000) < gsraw)
        dmg2 = CalcDmg(side, cid, gsv, u.str, u.intel, u.spd, u.end, t.str, t.intel, t.spd, t.end, user, target,
            true, false);
    int32_t heal = c.addhp;
    if (heal > 0) heal = Skill(heal, gsv);
    heal = WithClassBonus(heal, c, user);
    if (c.element == user.element && c.element != 0) heal = HoldInteger(2 * static_cast<int64_t>(heal));
    if (const int32_t n = CheckCodedPerkEff(user, 10); n > 0) heal = HoldInteger(2 * static_cast<int64_t>(n) * heal);
    int32_t mana = c.addmp;
    if (mana > 0) mana = Skill(mana, gsv);
    mana = WithClassBonus(mana, c, user);
    user.mana = std::min(user.mana, user.manamax);

    // The timed effect; types outside 1..24 carry none and are not stored.
    const int32_t et = c.addeffect;
    int32_t len = HoldInteger(static_cast<int64_t>(c.efflgth) + 1);
    int32_t es = c.effstrgth != 0 ? c.effstrgth : c.efflgth;
    const std::string ename = GetETypeName(et, strarr);
    if (es > 0 && et > 0 && et <= 24) {
        len = Skill(len, gsv);
        es = Skill(es, gsv);
        character& bearer = c.effdir == 0 ? user : target;
        if (c.effdir == 0 || c.effdir == 1) {
            if (et != 1 || bearer.e[3] == 0) {
                es = WithClassBonus(es, c, bearer);
                if (c.element == bearer.element && c.element != 0) es = RoundInteger(es * 1.3);
                bearer.e[et - 1] = c.accum ? HoldInteger(static_cast<int64_t>(bearer.e[et - 1]) + len) : len;
                bearer.estr[et - 1] = c.accum ? HoldInteger(static_cast<int64_t>(bearer.estr[et - 1]) + es) : es;
                msg += c.effdir == 0
                    ? " " + user.name + " " + strarr[69] + " " + ename + " " + strarr[70] + " " + Num(len) + " " +
                        strarr[71] + "."
                    : " " + user.name + " " + strarr[72] + " " + ename + " " + strarr[73] + " " + target.name + " " +
                        strarr[70] + " " + Num(len) + " " + strarr[71] + ".";
            }
        }
        if (et == 11) {
            ProcDispell(c.effdir, es, user, target);
            user.e[10] = 0;
        }
        if (et == 12) {
            es = WithClassBonus(es, c, target);
            heal = HoldInteger(static_cast<int64_t>(heal) + es);
            dmg = HoldInteger(static_cast<int64_t>(dmg) + es);
            msg += " " + user.name + " " + strarr[147] + " " + Num(es) + " " + strarr[148] + " " + target.name + ".";
            es = 0;
        }
        if (et == 13) {
            const int32_t xs[] = {u.str, u.spd, user.magic, user.armor};
            if (user.e[0] > 0 && known) user.e[0] -= RoundInteger(xs[c.govskill] / 10.0);
            user.e[0] = std::max(0, user.e[0]);
            msg += " " + user.name + " " + strarr[196] + ".";
        }
        if (et == 22) {
            // Each point cures a round of type 10, at least one, until the points or the rounds run out.
            // Counted at once, so that a card file's largest numbers neither overflow nor write a line for each
            // of billions of rounds.
            const int64_t rounds = user.e[9];
            const int64_t cures = rounds <= 0 ? 1 : std::min<int64_t>(es, rounds);
            es = HoldInteger(es - cures);
            user.e[9] = static_cast<int32_t>(std::max<int64_t>(0, rounds - cures));
            user.e[21] = 0;
            // The log names type 10 once for each round cured, up to a screenful.
            const std::string line = " " + user.name + " " + strarr[74] + " " + GetETypeName(10, strarr) + ".";
            for (int64_t k = 0; k < std::min<int64_t>(cures, cMaxCureLines); ++k) msg += line;
        }
    }

    // The card's script may change the play's amounts; one that replaces the level ends the battle.
    cardvalues[8] = dmg;
    cardvalues[9] = heal;
    cardvalues[10] = mana;
    cardvalues[11] = es;
    cardvalues[12] = side;
    const int32_t serial = levelserial;
    const bool stayed = RunScriptFile("\\cards\\" + Num(cid) + "_script.txt");
    if (!stayed || levelserial != serial) {
        btlmode = false;
        clearbattlelist();
        clearbtlslots();
        turndone = true;
        return;
    }
    dmg = cardvalues[8];
    heal = cardvalues[9];
    mana = cardvalues[10];

    if (dmg > 0) {
        AddToBattleLog(strarr[143] + ": " + Num(dmg));
        int64_t d = static_cast<int64_t>(dmg) + dmg2;
        if (c.AOE && side == 0) {
            d = (CheckCodedPerkEff(user, 21) + 1) * static_cast<int64_t>(RoundInteger(d / 5.0));
            for (int32_t k = btlslots.Low(); k <= btlslots.High(); ++k) {
                character& other = btlslots[k];
                if (k != btltarget && other.name != "nil" && other.hp > 0)
                    other.hp = HoldInteger(other.hp - static_cast<int64_t>(RoundInteger(d / 2.0)));
            }
        } else if (c.AOE) {
            d = RoundInteger(d / 2.0);
        }
        const int32_t dealt = HoldInteger(d);
        target.hp = HoldInteger(static_cast<int64_t>(target.hp) - dealt);
        msg += user.name + " " + strarr[64] + " " + target.name + " " + strarr[65] + " " + Num(dealt) + " " +
            strarr[66];
        if (crit) msg += " " + strarr[178];
        AddDmgPop(side, poplabel(strarr[373]) + Num(dealt) + (crit ? "!" : ""), 0);
        if (dmg2 > 0) AddDmgPop(side, poplabel(strarr[379]) + "+" + Num(dmg2), 0);
        target.e[22] = 0;
    }
    if (heal > 0) {
        user.hp = std::min(HoldInteger(static_cast<int64_t>(user.hp) + heal), user.hpmax);
        msg += " " + user.name + " " + strarr[68] + " " + Num(heal) + " " + strarr[66];
        AddDmgPop(side, poplabel(strarr[376]) + Num(heal), 1);
    }
    if (mana > 0) {
        user.mana = HoldInteger(static_cast<int64_t>(user.mana) + mana);
        msg += " " + user.name + " " + strarr[67] + " " + Num(mana) + " " + strarr[66];
        AddDmgPop(side, poplabel(strarr[377]) + Num(mana), 2);
    }
    addbtlmsg(msg);
    const int32_t h = gethpcdrop(c.hpc, user);
    user.hp = HoldInteger(static_cast<int64_t>(user.hp) - h);
    if (c.hpc > 0) AddDmgPop(side, poplabel(strarr[378]) + Num(h), 0);
    if (side == 0 && user.e[2] == 0) {
        user.mana = HoldInteger(static_cast<int64_t>(user.mana) - c.mc);
        if (c.mc > 0) AddDmgPop(0, poplabel(strarr[378]) + "-" + Num(c.mc), 2);
    }
    finish();
}
