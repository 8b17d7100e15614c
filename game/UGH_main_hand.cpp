// Hands and decks: the six cards a fighter holds in battle, the player's choice of deck, the cards characters
// gain, the next owned card for the character screen and the text that describes a card.
#include "UGH_main.h"

#include "RandomGenerator.h"
#include "SysUtils.h"
#include "UGH_data.h"
#include "UGH_hudwrites.h"
#include "UGH_log.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

int32_t lastnewcard = -1;

namespace {

constexpr int32_t cHandSlots = 6;     // slots 0..5; slot 6 is the special card
constexpr int32_t cFastHand = 35;     // from this speed on only the card played last is replaced
constexpr int32_t cDrawTries = 100001;
constexpr int32_t cCurseCard = 49;
constexpr int32_t cNewCardPasses = 501;
constexpr int32_t cNextSpellPasses = 100;
constexpr const char* cCRLF = "\r\n";

// The card ids draws and scans use: 0 .. cardcount - 1, within the card table.
int32_t CardRange()
{
    return std::clamp(cardcount, 0, cCatalogueCards);
}

bool ValidCardId(int32_t id)
{
    return id >= 0 && id <= 1000;
}

// Whether fighter f may hold card k: owned and existing, and for the player also in the deck.
bool Drawable(const character& f, int32_t k, bool deck)
{
    return f.spellbook[k] && cards[k].enabled && (!deck || f.spellen[k]);
}

// A random card f may hold, the first such id when the draws find none; -1 when f owns no existing card.
// Hopeless draws are not made: the fallback scan decides first whether any card qualifies.
int32_t DrawHandCard(const character& f, bool deck, int32_t& tries)
{
    const int32_t n = CardRange();
    int32_t fallback = -1;
    for (int32_t k = 0; k < n && fallback < 0; ++k)
        if (Drawable(f, k, false)) fallback = k;
    tries = 0;
    if (fallback < 0) return -1;
    while (tries < cDrawTries) {
        ++tries;
        const int32_t k = Random(n);
        if (Drawable(f, k, deck)) return k;
    }
    return fallback;
}

// The value of the skill that governs a card, lifted by its attribute: sword by strength, bow by speed, magic
// by intelligence, armor by endurance.
int32_t GoverningSkillValue(const character& c, int32_t govskill)
{
    auto lifted = [](int32_t attribute, int32_t skill) {
        return static_cast<int32_t>(std::nearbyint((attribute / 100.0 + 1) * skill));
    };
    switch (govskill) {
    case 0: return lifted(c.strength, c.sword);
    case 1: return lifted(c.speed, c.bow);
    case 2: return lifted(c.intelligence, c.magic);
    case 3: return lifted(c.endurance, c.armor);
    default: return 0;
    }
}

// The localised name of a governing skill (magic and armor are listed the other way round in the texts).
std::string SkillName(int32_t govskill)
{
    switch (govskill) {
    case 0: return strarr[40];
    case 1: return strarr[41];
    case 2: return strarr[43];
    case 3: return strarr[42];
    default: return "";
    }
}

// The highest of sword, bow, magic and armor (0..3 in that order); ties keep the earlier.
int32_t PreferredSkill(const character& c)
{
    const int32_t values[] = {c.sword, c.bow, c.magic, c.armor};
    return static_cast<int32_t>(std::max_element(std::begin(values), std::end(values)) - std::begin(values));
}

} // namespace

void TForm1::ShuffleHand(character& hando, bool forceall)
{
    const bool isplayer = hando.name == player.name;
    bool reported = false;
    for (int32_t i = 0; i < cHandSlots; ++i) {
        const bool slow = hando.speed < cFastHand;
        const bool played = hando.luc == i;
        const bool redraw = (slow && !keepturn) || (played && keepturn) || (!slow && played && !keepturn) || forceall;
        if (!redraw || hando.e[20] != 0) continue;
        int32_t tries = 0;
        const int32_t k = DrawHandCard(hando, isplayer, tries);
        if (k < 0) {
            // A fighter without cards: said once, its slots stay as they are and the battle goes on.
            if (!reported)
                GameLog("Shuffle error: stage=1 (" + hando.name + ", att=" + IntToStr(tries) + ", i=" + IntToStr(i) +
                        ", k=" + IntToStr(hando.hand[i]) + ")");
            reported = true;
            continue;
        }
        hando.hand[i] = k;
        if (isplayer && handcards[i]) SizeHUD(handcards[i], 2.0f * gbuttons[10 + i].w, 2.0f * gbuttons[10 + i].h);
    }
    hando.luc = -1;

    if (hando.e[20] > 0 && Random(100 * CheckCodedPerkEff(hando, 15) + hando.intelligence) < 70)
        for (int32_t i = 0; i < cHandSlots; ++i) hando.hand[i] = cCurseCard;

    auto tooltip = [this](int32_t id) {
        if (!ValidCardId(id)) return std::string();
        return cards[id].name + cCRLF + std::string(26, '-') + cCRLF + ShowCardInfo(id);
    };
    if (tooltips)
        for (int32_t i = 0; i < cHandSlots; ++i) gbuttons[10 + i].tooltip = tooltip(player.hand[i]);
    gbuttons[53].tooltip = tooltip(activecard);
}

void TForm1::ToggleSpell(int32_t sts)
{
    if (!ValidCardId(sts)) return;
    if (!player.spellen[sts]) {
        player.spellen[sts] = true;
        return;
    }
    int32_t owned = 0, deck = 0;
    for (int32_t k = 0; k <= 1000; ++k) {
        if (!player.spellbook[k]) continue;
        ++owned;
        if (player.spellen[k]) ++deck;
    }
    // About a third of the owned cards always stays in the deck.
    if (owned > 0 && static_cast<double>(deck) / owned > 0.34)
        player.spellen[sts] = false;
    else
        ShowRequestForm(strarr[283], strarr[284], 0, 1, 0, "");
}

void TForm1::AddNewCard(bool sd, int32_t fc, bool showpops, bool xpb, bool ignoremana, character& plr)
{
    auto showfound = [this](const std::string& name) {
        if (spellfound) SetHUDMaterial(spellfound, name);
    };
    // A card gained, or experience in its place.
    auto give = [&](int32_t k) {
        if (k >= 0 && !plr.spellbook[k]) {
            plr.spellbook[k] = true;
            lastnewcard = k;
            showfound("card_" + IntToStr(k) + "_0");
        } else {
            showfound("card_xp");
            if (xpb) AddXP(2, plr.lvl * levelsteps, plr);
        }
    };

    if (fc != -1) {
        if (!ValidCardId(fc)) {
            GameLog("A card gift names card " + IntToStr(fc) + ", which does not exist: nothing is given");
            return;
        }
        give(fc);
    } else {
        const int32_t n = CardRange();
        bool ownsall = true;
        for (int32_t k = 0; k < n && ownsall; ++k) ownsall = plr.spellbook[k];
        if (!ownsall) {
            const int32_t preferred = PreferredSkill(plr);
            int32_t found = -1;
            for (int32_t pass = 0; pass < cNewCardPasses && found < 0; ++pass)
                for (int32_t k = 0; k < n && found < 0; ++k) {
                    const card& c = cards[k];
                    if (plr.spellbook[k] || c.monly) continue;
                    if (sd) {
                        if ((c.govskill == preferred || pass >= 2) && (c.mc < plr.manamax || ignoremana)) found = k;
                    } else if (Random(100) < 10) {
                        found = k;
                    }
                }
            lastnewcard = found;
            give(found);
        }
    }

    if (showpops && scriptpopups)
        ShowRequestForm(strarr[25], strarr[33], 0, 5, 0, spellfound ? spellfound->Material()->LibMaterialName() : "");
}

int32_t TForm1::FindNextSpell(int32_t searchcstart, const character& ch)
{
    const int32_t last = std::max(CardRange(), 1) - 1;
    int32_t k = searchcstart;
    int32_t passes = 0;
    do {
        ++k;
        if (k > last || k < 0) {
            k = 0;
            ++passes;
        }
    } while (!ch.spellbook[k] && passes <= cNextSpellPasses);
    return k;
}

std::string TForm1::ShowCardInfo(int32_t iuc)
{
    if (!ValidCardId(iuc) || !player.spellbook[iuc]) return "";
    const card& c = cards[iuc];
    std::string text;
    auto line = [&text](const std::string& s) { text += s + cCRLF; };

    line(strarr[210] + ": " + SkillName(c.govskill));
    line("");
    line(strarr[212]);
    const size_t propertiesAt = text.size();
    if (c.dmgph > 0)
        line(strarr[213] + ": " + (c.mindam != c.dmgph ? IntToStr(c.mindam) + " - " : "") + IntToStr(c.dmgph));
    if (c.dmgperc > 0) line(strarr[216] + ": " + IntToStr(c.dmgperc) + "%");
    if (c.addhp > 0) line(strarr[218] + ": " + IntToStr(c.addhp) + " " + strarr[214]);
    if (c.addmp > 0) line(strarr[219] + ": " + IntToStr(c.addmp) + " " + strarr[215]);
    if (c.element >= 0) line(strarr[358] + ": " + GetElName(c.element, strarr));
    if (c.addeffect > 0) {
        line(strarr[211] + ": " + GetETypeName(c.addeffect, strarr) + " (" + IntToStr(c.efflgth) + " " +
             strarr[217] + ")");
        line(GetETypeDesc(c.addeffect, strarr));
        line(strarr[270] + ":  " + (c.effdir == 0 ? strarr[268] : strarr[269]));
        if (c.accum) line(strarr[271] + ".");
    }
    if (c.consumes >= 0 && c.consumes <= 1000)
        line(strarr[311] + ": " + items[c.consumes].overridename + " (" + IntToStr(items[c.consumes].count) + ")");
    if (c.bonam != 0)
        line(strarr[234] + ": " + GetEClassName(c.bont, strarr) + (c.bonam > 0 ? " (+" : " (") + IntToStr(c.bonam) +
             "%)");
    if (text.size() == propertiesAt) line("-");

    line("");
    line(strarr[220]);
    if (c.mc > 0) line(strarr[215] + ": " + IntToStr(c.mc));
    if (c.hpc > 0) line(strarr[214] + ": " + IntToStr(c.hpc));
    if (c.mc <= 0 && c.hpc <= 0) line("-");

    if (!itemlistmode && (c.dmgph > 0 || c.dmgperc > 0)) {
        const int32_t d = CalcDmg(0, iuc, GoverningSkillValue(player, c.govskill), player.strength,
                                  player.intelligence, player.speed, player.endurance, opponent.strength,
                                  opponent.intelligence, opponent.speed, opponent.endurance, player, opponent, false,
                                  false);
        if (d > 0) {
            line("");
            line("");
            line(strarr[341] + ": " + IntToStr(d));
        }
    }
    return text;
}

void TForm1::SetCard(bool sd, int32_t ns, int32_t id)
{
    if (ns < 0 || ns > 6) return;
    (sd ? opponent : player).hand[ns] = id;
}

void TForm1::ShuffleCard([[maybe_unused]] bool sd, int32_t ns, character owner)
{
    if (ns < 0 || ns > 6) return;
    const int32_t n = CardRange();
    bool any = false;
    for (int32_t k = 0; k < n && !any; ++k) any = owner.spellbook[k] && owner.spellen[k];
    if (!any) return; // drawing for a fighter without a deck card would never end
    do owner.hand[ns] = Random(n);
    while (!owner.spellbook[owner.hand[ns]] || !owner.spellen[owner.hand[ns]]);
}
