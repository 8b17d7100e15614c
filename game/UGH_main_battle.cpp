// The battle: the slots of the fighters, the derived values (hit points, experience worth), the opening of a
// battle with its enemies and the per-frame state machine that hands the turn from actor to actor.
#include "UGH_main.h"

#include "GLHUDObjects.h"
#include "RandomGenerator.h"
#include "UGH_data.h"
#include "UGH_log.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

bool turndone = false;
TBoundedTable<bool, 0, 11> turnstarted{};
bool handsrefilled = false;
int32_t btlphase = 0;
int32_t btlturn = 0;
int32_t btltarget = 0;
int32_t shownenemy = 0;
int32_t addedmonster = 0;
int32_t stance = 0;
bool forcedplaydone = false;
bool manabonusready = false;
bool waitedturn = false;
bool enemycardflying = false;
bool playercardflying = false;

namespace {

// Slot s holds a fighter.
bool SlotTaken(int32_t s)
{
    return btlslots[s].name != "nil";
}

// Some slot came from battlelist[blid].
bool InBattle(int32_t blid)
{
    return std::any_of(btlslots.begin(), btlslots.end(), [blid](const character& c) { return c.blind == blid; });
}

// Every timed effect of chr gone.
void ClearEffects(character& chr)
{
    chr.e.Fill(0);
    chr.estr.Fill(0);
}

// The timed effects a fighter starts a battle with: none, but for perk effects 8 (type 3) and 14 (type 8).
void StartEffects(TForm1& form, character& chr)
{
    ClearEffects(chr);
    if (const int32_t n = form.CheckCodedPerkEff(chr, 8); n > 0) chr.e[2] = 2 * n;
    if (const int32_t n = form.CheckCodedPerkEff(chr, 14); n > 0) {
        chr.e[7] = 2 * n;
        chr.estr[7] = RoundInteger(chr.endurance / 10.0) + 5;
    }
}

// Mana at the start of a battle: intelligence, a quarter more for each perk effect 7.
void StartMana(TForm1& form, character& chr)
{
    chr.manamax = chr.intelligence;
    if (const int32_t n = form.CheckCodedPerkEff(chr, 7); n > 0) chr.manamax = RoundInteger(chr.manamax * (1 + 0.25 * n));
    chr.mana = chr.manamax;
}

// Timed effects 7 (its strength) and 10 (its rounds left) wound chr at its turn; side 0 the player, 1 the enemy.
void DamageOverTime(TForm1& form, character& chr, int32_t side)
{
    const auto wound = [&](int32_t amount, int32_t label, int32_t logline) {
        chr.hp = HoldInteger(static_cast<int64_t>(chr.hp) - amount);
        form.AddDmgPop(side, poplabel(strarr[label]) + std::to_string(amount), 0);
        form.AddToBattleLog(strarr[logline] + ": " + std::to_string(amount));
    };
    if (chr.e[6] > 0) wound(chr.estr[6], 375, 240);
    if (chr.e[9] > 0) wound(chr.e[9], 374, 239);
}

// Monster type id exists and is a monster at all.
bool Fightable(int32_t id)
{
    if (id >= monsters.Low() && id <= monsters.High() && monsters[id].name != "none") return true;
    GameLog("Battle: there is no monster " + std::to_string(id) + " to fight");
    return false;
}

// A fresh copy of a monster type made into an enemy: its attributes and skills scaled to the level's steps and
// the difficulty, then with leveling a weaker one raised toward the player's level (with autodeck it also gets
// a new card per level it rises).
void ScaleAndLevel(TForm1& form, character& enemy)
{
    for (int32_t* value : {&enemy.strength, &enemy.intelligence, &enemy.speed, &enemy.endurance, &enemy.sword,
                           &enemy.magic, &enemy.bow, &enemy.armor})
        *value = ScaleEnemyValue(*value, stepscale, difficulty);
    if (!leveling || enemy.lvl >= player.lvl) return;
    int32_t g = player.lvl - enemy.lvl;
    g = Random(RoundInteger(g * 0.5)) + g - RoundInteger(g * 0.25);
    if (g <= 0) g = 1;
    int32_t* const skills[] = {&enemy.sword, &enemy.bow, &enemy.magic, &enemy.armor};
    int32_t* const attributes[] = {&enemy.strength, &enemy.intelligence, &enemy.speed, &enemy.endurance};
    for (int32_t k = 0; k < 10 * g; ++k) ++*skills[Random(4)];
    for (int32_t k = 0; k < 4 * g; ++k) ++*attributes[Random(4)];
    if (autodeck)
        for (int32_t k = 0; k < g; ++k) form.AddNewCard(true, -1, false, false, true, enemy);
    enemy.lvl += g;
}

// The player's hit points, mana and timed effects at a battle's start.
void PreparePlayer(TForm1& form)
{
    player.hpmax = form.CalcMaxHP(player, 1, false, true);
    player.hp = player.hpmax;
    StartMana(form, player);
    StartEffects(form, player);
}

} // namespace

int32_t pendingcount()
{
    int32_t n = 0;
    for (int32_t i = 1; i <= battlelist.High(); ++i)
        if (battlelist[i] != -2) ++n;
    return n;
}

void clearbattlelist()
{
    battlelist.Fill(-2);
}

void clearbtlslots()
{
    for (character& slot : btlslots) {
        slot.name = "nil";
        slot.blind = -1;
    }
}

int32_t firstfreeslot()
{
    for (int32_t s = 0; s <= 9; ++s)
        if (!SlotTaken(s)) return s;
    return SlotTaken(10) ? -1 : 10;
}

int32_t xpworth(const character& chr)
{
    // The values come from editable monster files. The sum is taken in 64 bits and held at 2^31 either way,
    // which still carries any product with it past Integer's bounds, so that the product fits 64 bits.
    const int64_t sum = static_cast<int64_t>(chr.hpmax) + chr.strength + chr.endurance + chr.speed +
                        chr.intelligence + chr.bow + chr.sword + chr.armor + chr.magic;
    const int64_t bound = int64_t{1} << 31;
    return HoldInteger((static_cast<int64_t>(pendingcount()) + chr.lvl) * std::clamp(sum, -bound, bound));
}

int32_t totalenemyhp()
{
    // Eleven fighters of the largest hit points add up beyond Integer: the sum is held at its bound.
    int64_t total = 0;
    for (int32_t s = btlslots.Low(); s <= btlslots.High(); ++s) {
        if (s == btltarget)
            total += std::max(0, opponent.hp);
        else if (SlotTaken(s))
            total += std::max(0, btlslots[s].hp);
    }
    return HoldInteger(total);
}

void effecttick()
{
    const auto tick = [](character& chr) {
        for (int32_t& rounds : chr.e)
            if (rounds > 0) --rounds;
    };
    tick(player);
    tick(opponent);
    for (character& slot : btlslots) tick(slot);
}

double difficultyscale(int32_t d, double v)
{
    return v * (1 + static_cast<double>(d) * d * d * 0.5 / 500);
}

int32_t ScaleEnemyValue(int32_t v, double stepscale, int32_t difficulty)
{
    const double m = std::min(stepscale, 2.0) * (1 + static_cast<double>(difficulty) * difficulty * difficulty / 1000);
    const int32_t w = RoundInteger(v + v * m);
    // The difficulty counts a second time here, as the monsters were always balanced with it.
    return RoundInteger(difficultyscale(difficulty, w));
}

int32_t StartSpecialCooldown(int32_t intelligence)
{
    return std::max(0, 4 - RoundInteger(intelligence / 100.0));
}

int32_t TForm1::CalcMaxHP(const character& chr, int32_t uselvl, bool ignorebl, bool plr)
{
    // In 64 bits, held at Integer's bounds: levels and endurance come from editable files.
    const int64_t base = static_cast<int64_t>(uselvl != 0 ? chr.lvl : difficulty) + chr.endurance;
    int64_t hpmax = 5 * base * (plr ? 2 : 1);
    if (const int32_t n = CheckCodedPerkEff(chr, 6); n > 0) hpmax = RoundInteger(hpmax * (1 + 0.25 * n));
    if (!ignorebl && pendingcount() > 0) hpmax += std::max(0, pendingcount() * (5 - difficulty));
    return HoldInteger(hpmax);
}

int32_t TForm1::ebw()
{
    // Each worth may be Integer's bound already: the sum is held there.
    int64_t total = 0;
    for (int32_t s = btlslots.Low(); s <= btlslots.High(); ++s)
        if (SlotTaken(s)) total += xpworth(btlslots[s]);
    return HoldInteger(total);
}

void TForm1::AddEnemyToBattle(int32_t n, int32_t blid)
{
    if (InBattle(blid)) return;
    const int32_t s = firstfreeslot();
    if (s == -1) return;
    const int32_t id = n == -1 ? GetRandomMonsterToFight() : n;
    if (!Fightable(id)) return;
    lastmonstercard = lastplayercard = -1;
    addedmonster = id;
    character& slot = btlslots[s];
    slot = monsters[id];
    slot.blind = blid;
    ScaleAndLevel(*this, slot);

    UpdateJournal(slot.jrn);
    const std::string t = strarr[63] + " " + slot.name + " (" + std::to_string(id) + ")";
    addbtlmsg(t);
    AddToBattleLog(t);

    slot.hpmax = CalcMaxHP(slot, 0, true, false);
    slot.hp = slot.hpmax;
    StartMana(*this, slot);
    StartEffects(*this, slot);
    slot.luc = -1;
}

void TForm1::joinpending()
{
    for (int32_t i = battlelist.Low(); i <= battlelist.High(); ++i)
        if (battlelist[i] != -2 && !InBattle(i)) AddEnemyToBattle(battlelist[i], i);
}

void TForm1::StartPlayerBattle()
{
    PreparePlayer(*this);
    player.luc = -1;
    keepturn = false;
    ShuffleHand(player, true);
}

void TForm1::StartBattle(int32_t fo)
{
    turnstarted.Fill(false);
    // The battle display lays the picture out again.
    if (monster_img) {
        monster_img->SetWidth(10);
        monster_img->SetHeight(10);
    }
    specialcd = StartSpecialCooldown(player.intelligence);
    ShowBattleLog();
    // The short log starts empty too: the last battle's plays, even from before a load, are not this one's.
    clearbtlmsgs();
    StartPlayerBattle();
    AddEnemyToBattle(battlelist[fo], fo);
    btltarget = fo;
    int32_t first = 10;
    for (int32_t s = 0; s <= 9; ++s)
        if (SlotTaken(s)) {
            first = s;
            break;
        }
    opponent = btlslots[first];
    VisualizeBattle(opponent.enem_id);
    keepturn = false;
    opponent.luc = -1;
    player.luc = -1;
    // Ties go to the enemy.
    const int32_t a = Random(player.speed);
    const int32_t b = Random(opponent.speed);
    btlturn = a > b ? 0 : 1;
    btlmode = true;
    btlphase = 1;
}

void TForm1::OldStartBattle(int32_t fo)
{
    const int32_t id = fo == -1 ? GetRandomMonsterToFight() : fo;
    if (!Fightable(id)) return;
    opponent = monsters[id];
    ScaleAndLevel(*this, opponent);
    UpdateJournal(opponent.jrn);
    AddToBattleLog(opponent.name + " (" + std::to_string(id) + ")");
    PreparePlayer(*this);
}

bool PlayersTurn()
{
    return btlturn == 0 && turnstarted[0];
}

void TForm1::SwitchOppon(int32_t dir)
{
    if (dir != 1 && dir != -1) return;
    btlslots[btltarget] = opponent;
    do {
        btltarget += dir;
        if (btltarget > 10) btltarget = 0;
        if (btltarget < 0) btltarget = 10;
    } while (!SlotTaken(btltarget) && btltarget != 0);
    opponent = btlslots[btltarget];
}

void TForm1::SwitchStance()
{
    stance = stance + 1 > 1 ? -1 : stance + 1;
    gbuttons[62].caption = strarr[stance == 1 ? 411 : stance == 0 ? 412 : 413];
}

int32_t TForm1::MonsterAI()
{
    const double p = ratio(player.hp, player.hpmax);
    const double m = ratio(opponent.hp, opponent.hpmax);
    int32_t best = -1;
    int64_t bestscore = 0;
    for (int32_t i = 0; i <= 5; ++i) {
        const int32_t id = opponent.hand[i];
        if (id < cards.Low() || id > cards.High()) continue;
        const card& c = cards[id];
        int64_t score = (p >= 0.25 ? 1 : 2) * static_cast<int64_t>(RoundInteger(c.dmgph + player.hpmax * static_cast<double>(c.dmgperc) / 100.0));
        score += (m >= 0.25 ? 1 : 2) * static_cast<int64_t>(c.addhp);
        int32_t t = m < 0.25 || p < 0.25 ? 1 : m > 0.75 ? 20 : 10;
        const bool storable = c.addeffect >= 1 && c.addeffect <= 100;
        if (c.addeffect != 0 && storable) {
            const int32_t k = c.addeffect - 1;
            const int32_t amount = RoundInteger((t * static_cast<double>(c.efflgth) + t * static_cast<double>(c.effstrgth)) / 2);
            if (c.effdir == 0 && opponent.e[k] == 0) score += amount;
            if (c.effdir == 1) {
                if (player.e[k] == 0) score += amount;
                // The player is immune to type 1.
                if (c.addeffect == 1 && player.e[3] > 0) score = 0;
            }
        }
        if (m < 0.25) t = 40;
        if (c.addeffect == 5 && c.effdir == 0 && opponent.e[4] == 0) score += 2 * static_cast<int64_t>(t) * c.efflgth;
        // A card that would kill its user.
        if (gethpcdrop(c.hpc, opponent) >= opponent.hp) score = 0;
        if (score > bestscore) {
            bestscore = score;
            best = i;
        }
    }
    return best;
}

void TForm1::PlayerDrawCard(int32_t n)
{
    UseCard(n, 0, player, opponent);
    if (!keepturn)
        ++btlturn;
    else
        keepturn = false;
    forcedplaydone = false;
}

void TForm1::SkipTurn()
{
    if (btlturn == 0 && player.speed >= 35 && !waitedturn) {
        ShuffleHand(player, true);
        keepturn = true;
        waitedturn = true;
        clearbtlmsgs();
    }
    if (!keepturn) {
        ++btlturn;
        waitedturn = false;
    } else {
        keepturn = false;
    }
    forcedplaydone = false;
}

void TForm1::TryToEscape()
{
    clearbtlmsgs();
    double b = CheckCodedPerkEff(player, 5) > 0 ? 0.25 : 0;
    if (player.e[0] > 0 || player.e[22] > 0) b -= 0.5;
    if (opponent.e[0] > 0 || opponent.e[22] > 0) b += 0.5;
    const int32_t roll = RoundInteger(Random(player.speed) * (1 + b));
    if (opponent.speed < roll) {
        btlmode = false;
        clearbattlelist();
        clearbtlslots();
        const int32_t g = RoundInteger(static_cast<double>(opponent.hpmax) * opponent.lvl / 4);
        AddXP(1, HoldInteger(g * (1 + static_cast<int64_t>(CheckCodedPerkEff(player, 14)))), player);
        ClearEffects(player);
        ClearEffects(opponent);
        VisualizeBattle(0);
    } else {
        ShowRequestForm(strarr[248],
                        strarr[250] + ": " + std::to_string(roll) + ". " + strarr[251] + ": " +
                            std::to_string(opponent.speed),
                        0, 1, 0, "");
    }
}

void TForm1::PlayerBTurn()
{
    if (turnstarted[0]) return;
    turnstarted[0] = true;
    handsrefilled = false;
    opponent = btlslots[btltarget];

    if (player.e[8] > 0 && !forcedplaydone) {
        if (Random(100 * CheckCodedPerkEff(player, 15) + player.intelligence) < 70)
            PlayerDrawCard(Random(6));
        else
            forcedplaydone = true;
    }
    DamageOverTime(*this, player, 0);
    const int32_t n = CheckCodedPerkEff(player, 12) + Random(2);
    if (n > 0 && manabonusready) {
        const int32_t g = n * Random(RoundInteger(player.intelligence / 10.0));
        player.mana = HoldInteger(static_cast<int64_t>(player.mana) + g);
        if (g > 0) AddDmgPop(0, poplabel(strarr[377]) + std::to_string(g), 2);
        player.mana = std::min(player.mana, player.manamax);
        manabonusready = false;
    }
    int32_t g = Random(RoundInteger(player.magic / 10.0));
    if (player.e[13] > 0) g = HoldInteger(static_cast<int64_t>(g) + player.estr[13]);
    player.mana = HoldInteger(static_cast<int64_t>(player.mana) + g);
    if (g > 0) AddDmgPop(0, poplabel(strarr[377]) + "+" + std::to_string(g), 2);
    player.mana = std::min(player.mana, player.manamax);
}

void TForm1::MonsterTurn()
{
    if (turnstarted[btlturn]) return;
    waitedturn = false;
    ShuffleHand(opponent, true);
    int32_t k = MonsterAI();
    if (k == -1 || k > 5) k = Random(6);
    UseCard(k, 1, opponent, player);
    DamageOverTime(*this, opponent, 1);
    VisualizeBattle(shownenemy);
    turnstarted[btlturn] = true;
    handsrefilled = false;
}

void TForm1::ControlBattle()
{
    if (!btlmode) {
        player.hpmax = CalcMaxHP(player, 1, false, true);
        player.manamax = player.intelligence;
        return;
    }
    if (!enemycardflying && !playercardflying) {
        if (player.hp <= 0 || totalenemyhp() <= 0) {
            if (player.hp <= 0 && CheckCodedPerkEff(player, 2) > 0 && Random(100) <= 9)
                player.hp = RoundInteger(player.hpmax / 10.0);
            btlmode = false;
            if (player.hp <= 0) {
                clearbattlelist();
                clearbtlslots();
                KillPlayer();
            } else if (totalenemyhp() <= 0) {
                // The list and slots are cleared before the awards: a failing award cannot repeat the victory.
                const auto defeated = btlslots;
                const int32_t worth = ebw();
                clearbattlelist();
                clearbtlslots();
                AddXP(1, worth, player);
                for (const character& slot : defeated) {
                    if (slot.name == "nil" || slot.loot < -1) continue;
                    if (Random(100) + 1 < slot.lootchance) {
                        if (slot.loot == -1) {
                            const int32_t item = RandomLoot();
                            const int32_t count = Random(5);
                            if (item != -1) AddItem(item, count);
                        } else {
                            AddItem(slot.loot, 1);
                        }
                    }
                }
            }
            ClearEffects(player);
            ClearEffects(opponent);
            VisualizeBattle(0);
            btlphase = 0;
            return;
        }
        // An actor beyond the round goes straight to the round's end.
        if (btlphase == 1 && (btlturn < 0 || btlturn > 11)) btlphase = 3;
        if (btlphase == 1) {
            turndone = false;
            const int32_t actor = btlturn;
            if (actor == 0) {
                PlayerBTurn();
                shownenemy = opponent.enem_id;
            } else if (actor >= 1 && actor <= 11) {
                character& slot = btlslots[actor - 1];
                if (slot.hp >= 1 && slot.name != "nil") {
                    opponent = slot;
                    shownenemy = opponent.enem_id;
                    VisualizeBattle(shownenemy);
                    MonsterTurn();
                    btlslots[actor - 1] = opponent;
                } else {
                    turndone = true;
                }
            }
            if (turndone) {
                btlphase = 2;
                // The forced play has already passed the turn.
                const bool moved = btlturn != actor;
                if (!keepturn) {
                    turnstarted[actor] = false;
                    if (!moved) btlturn = actor + 1;
                    btlphase = 3;
                } else {
                    turnstarted[actor] = false;
                    btlphase = 1;
                    keepturn = false;
                }
            }
        }
    }
    if (btlphase == 3) {
        if (btlturn > 11) {
            effecttick();
            if (specialcd > 0) --specialcd;
            btlturn = 0;
            turnstarted.Fill(false);
        }
        if (btlturn < 0) btlturn = 0;
        if (turndone) {
            if (!handsrefilled) {
                ShuffleHand(opponent, false);
                ShuffleHand(player, false);
                handsrefilled = true;
            }
            turndone = false;
        }
        btlphase = 1;
    }
}
