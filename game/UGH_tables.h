// The game's records and its global tables: the whole state of a running game, shared by the game, the editors
// and every data-file reader and writer, which work on them directly. The tables live for the whole run.
//
// The 45 configuration globals (lng, movespeed, ..., fullmute) and qualitydir, adventureid and viewdist are not
// here: they belong to the configuration reader in UGH_data.h.
#pragma once

#include "SysUtils.h"

#include <algorithm>
#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// An index outside a table's bounds.
class ERangeError : public Exception {
public:
    using Exception::Exception;
};

// Raises ERangeError "Index <index> out of bounds (<low>..<high>)".
[[noreturn]] void RaiseBoundsError(int64_t index, int64_t low, int64_t high);

// Round for the game's Integer values: halves to even. The values often come from editable files, so NaN gives 0
// and a result beyond Integer is held at its bound.
int32_t RoundInteger(double value);
// A wider integer, such as a sum or product of the game's Integer values, held at Integer's bounds.
int32_t HoldInteger(int64_t value);

namespace BoundedSlots {

// Every entry made anew in place: cheaper than assigning a default entry over each.
template <typename T> void RemakeEntries(T* entries, std::size_t count)
{
    std::destroy_n(entries, count);
    std::uninitialized_value_construct_n(entries, count);
}

// Entries held in place: for arrays inside records, which are copied by value.
template <typename T, std::size_t N> struct TInline {
    std::array<T, N> items{};

    T* data() { return items.data(); }
    const T* data() const { return items.data(); }
    void swap(TInline& other) { items.swap(other.items); }
    void Reset() { RemakeEntries(items.data(), N); }
    bool operator==(const TInline&) const = default;
};

// Entries held in one block on the heap, allocated when the table is made: for the big global tables, so that a
// copy of one (a staging copy, say) never lands on the stack. Copies are deep; a moved-from table keeps a fresh
// block of default entries, so that no table is ever without its entries.
//
// A table that goes leaves its block to the next tables of its kind: the level's staging copies (a map read, a
// save, a snapshot) then reuse their memory instead of each mapping megabytes anew, which the sanitizers'
// allocator does for every large block. The tables are made on the main thread only.
template <typename T, std::size_t N> class THeap {
public:
    THeap() : FItems(TakeSpare())
    {
        if (FItems)
            Reset();
        else
            FItems = std::make_unique<T[]>(N);
    }
    // A spare block's old entries are assigned over: no need to remake them first.
    THeap(const THeap& other) : FItems(TakeSpare())
    {
        if (!FItems) FItems = std::make_unique<T[]>(N);
        std::copy_n(other.data(), N, data());
    }
    THeap(THeap&& other) : THeap() { FItems.swap(other.FItems); }
    ~THeap()
    {
        TSpares& spares = Spares();
        if (spares.Count < spares.Blocks.size()) spares.Blocks[spares.Count++] = std::move(FItems);
    }
    THeap& operator=(const THeap& other)
    {
        if (this != &other) std::copy_n(other.data(), N, data());
        return *this;
    }
    THeap& operator=(THeap&& other) noexcept
    {
        swap(other);
        return *this;
    }

    T* data() { return FItems.get(); }
    const T* data() const { return FItems.get(); }
    void swap(THeap& other) noexcept { FItems.swap(other.FItems); }
    void Reset() { RemakeEntries(FItems.get(), N); }
    bool operator==(const THeap& other) const { return std::equal(data(), data() + N, other.data()); }

private:
    // The blocks the last tables of this kind left, kept until the next ones are made: as many as a map read
    // over a kept snapshot has staging copies alive at once.
    struct TSpares {
        std::array<std::unique_ptr<T[]>, 3> Blocks;
        std::size_t Count = 0;
    };
    static TSpares& Spares()
    {
        static TSpares spares;
        return spares;
    }
    static std::unique_ptr<T[]> TakeSpare()
    {
        TSpares& spares = Spares();
        return spares.Count == 0 ? nullptr : std::move(spares.Blocks[--spares.Count]);
    }

    std::unique_ptr<T[]> FItems;
};

} // namespace BoundedSlots

// A fixed array indexed Lo..Hi inclusive, as the game's tables are declared (perks -1..101, argtexts 1..10).
// Every index is checked: one outside the bounds raises ERangeError.
template <typename T, int32_t Lo, int32_t Hi, template <typename, std::size_t> class Slots = BoundedSlots::TInline>
class TBoundedArray {
    static_assert(Lo <= Hi, "a bounded array holds at least one entry");

public:
    using value_type = T;

    static constexpr int32_t Low() { return Lo; }
    static constexpr int32_t High() { return Hi; }
    static constexpr int32_t Length() { return Hi - Lo + 1; }

    template <std::integral I> T& operator[](I index) { return FSlots.data()[Offset(index)]; }
    template <std::integral I> const T& operator[](I index) const { return FSlots.data()[Offset(index)]; }

    T* begin() { return FSlots.data(); }
    T* end() { return FSlots.data() + Length(); }
    const T* begin() const { return FSlots.data(); }
    const T* end() const { return FSlots.data() + Length(); }

    void Fill(const T& value) { std::fill(begin(), end(), value); }

    // Every entry back to its default, in place (nested tables too, with no copy of a whole row).
    void Clear() { FSlots.Reset(); }

    // Exchanges the entries; tables on the heap only exchange their blocks. Use this (or an unqualified swap)
    // rather than std::swap, whose move construction makes a fresh block of default entries.
    void swap(TBoundedArray& other) noexcept(noexcept(FSlots.swap(other.FSlots))) { FSlots.swap(other.FSlots); }
    friend void swap(TBoundedArray& a, TBoundedArray& b) noexcept(noexcept(a.swap(b))) { a.swap(b); }

    bool operator==(const TBoundedArray&) const = default;

private:
    template <std::integral I> static std::size_t Offset(I index)
    {
        // Unsigned values beyond Int64 turn negative here and are refused with the rest.
        const int64_t i = static_cast<int64_t>(index);
        if (i < Lo || i > Hi) RaiseBoundsError(i, Lo, Hi);
        return static_cast<std::size_t>(i - Lo);
    }

    Slots<T, static_cast<std::size_t>(Hi - Lo + 1)> FSlots;
};

// A global table: a bounded array whose entries live on the heap.
template <typename T, int32_t Lo, int32_t Hi> using TBoundedTable = TBoundedArray<T, Lo, Hi, BoundedSlots::THeap>;

// A dynamic array (indexed from 0) whose index is checked like a bounded array's.
template <typename T> class TDynArray : public std::vector<T> {
public:
    using std::vector<T>::vector;

    template <std::integral I> T& operator[](I index) { return this->data()[Offset(index)]; }
    template <std::integral I> const T& operator[](I index) const { return this->data()[Offset(index)]; }

private:
    template <std::integral I> std::size_t Offset(I index) const
    {
        const int64_t i = static_cast<int64_t>(index);
        const int64_t high = static_cast<int64_t>(this->size()) - 1;
        if (i < 0 || i > high) RaiseBoundsError(i, 0, high);
        return static_cast<std::size_t>(i);
    }
};

// ---- Records ----
// Fields in their declared order. Integer fields are int32_t, Real double, Boolean bool, text UTF-8. A field
// holds 0, false or empty unless a default is given.

// One cell of the current level. One grid cell is 20 world units wide.
struct lcell {
    int32_t x = 0, y = 0;    // the cell's own grid coordinates
    bool passable = false;   // the player and wanderers may enter
    bool wall = false;       // a solid wall block
    bool chest = false;
    int32_t chestno = 0;     // second parameter of the cell's event
    bool door = false;
    int32_t doorno = 0;      // first parameter of the cell's event; for event 11 its script number
    bool trap = false;       // the cell holds an event that fires when it is activated
    int32_t traptype = 0;    // event type 0..19
    int32_t power = 0;       // lock: 0 none, 1 key of kind 1, 2 key of kind 2
    int32_t textid = 0;      // cell group number ("Cell ID")
    std::string spritename;  // material of the cell sprite; "0" or empty: none
    std::string fco;         // floor material override
    std::string cco;         // ceiling material override
    std::string wco;         // wall material override
    std::string wmo;         // wall mesh override (file under the meshes folder)
    std::string fmo;         // floor mesh override
    bool ceil = false;
    bool floor = false;
    int32_t ta = 0, ra = 0, pa = 0; // turn, roll, pitch of the wall mesh in degrees
    int32_t dx = 0, dy = 0, dz = 0; // offset of the wall mesh in world units
    bool fwm = false;        // build the wall mesh even when the cell is no wall
    bool mark = false;       // working mark of the level generator
    int32_t r = 0, g = 0, b = 0; // cell colour (working values of the level tools)
    std::string lmap;        // light-map name (working value)
    bool door3d = false;
    int32_t doorface = 0;    // which pair of neighbours the door connects
    bool outdoors = false;
    int32_t plz = 0;         // height at which objects standing in the cell are placed
    int32_t blockx1 = 0, blockx2 = 0, blocky1 = 0, blocky2 = 0; // movement blocks on the cell's edges
    bool grass = false;
    int32_t dens = 0;        // number of grass sprites
    std::string gtp;         // grass sprite material
    int32_t lgroup = 0;      // light group
    bool shcast = false;     // the wall casts shadows
    int32_t visarea = 0, visarea2 = 0; // visibility areas, 0 none
    bool ignored = false;    // skipped when the level is built

    bool operator==(const lcell&) const = default;
};

// A player, a monster type or a fighter in a battle.
struct character {
    int32_t lvl = 0;
    int32_t xp = 0, xpreq = 0;
    int32_t strength = 0, intelligence = 0, speed = 0, endurance = 0; // effective attributes
    int32_t bstr = 0, bint = 0, bspd = 0, bend = 0;                    // base attributes
    int32_t sword = 0, bow = 0, armor = 0, magic = 0;                  // effective skills
    int32_t bsw = 0, bbw = 0, bar = 0, bmg = 0;                        // base skills
    int32_t hp = 0, hpmax = 0;
    int32_t mana = 0, manamax = 0;
    int32_t eng = 0, engmax = 0;
    TBoundedArray<int32_t, 0, 99> e;        // remaining turns of timed effect type k + 1 at k
    TBoundedArray<int32_t, 0, 99> estr;     // its strength
    TBoundedArray<bool, 0, 1000> spellbook; // cards owned, by card id
    TBoundedArray<bool, 0, 1000> spellen;   // owned cards switched on for the battle deck
    std::string name;
    int32_t sex = 0;                        // selects the body-part picture folder
    int32_t bonuspoints = 0;
    int32_t face = 0, hair = 0, cloth = 0, hat = 0; // paper-doll picture numbers
    int32_t spec = 0;                       // species: 0 living, 1 angel, 2 demon, 3 undead
    bool boss = false;
    std::string oname;                      // the name as read from the character file
    TBoundedArray<bool, 0, 100> perks;      // perks owned, by perk id
    TBoundedArray<int32_t, 0, 6> hand;      // card ids of the battle hand; 6 the card chosen outside battle
    int32_t luc = 0;                        // hand slot played last in this battle, -1 none
    int32_t element = 0;
    int32_t loot = 0;                       // item id dropped, -1 none
    int32_t lootchance = 50;                // percent
    int32_t jrn = 0;                        // journal entry unlocked on defeat, 0 none
    int32_t w_wd = 20, w_ht = 20;           // size of the sprite when it roams as a wanderer
    int32_t w_zs = 0;                       // its height above the cell's plz
    int32_t blind = 0;                      // battle-list entry a fighter came from, -1 none
    int32_t enem_id = 0;                    // monster type a fighter was made from

    bool operator==(const character&) const = default;
};

// A battle card type.
struct card {
    std::string name;
    bool active = false;
    int32_t mc = 0;        // mana cost
    int32_t hpc = 0;       // hit-point cost
    int32_t dmgph = 0;     // maximum damage
    int32_t dmgperc = 0;   // damage in percent
    int32_t addhp = 0, addmp = 0;
    int32_t addeffect = 0; // timed effect type 1..24, 0 none
    int32_t efflgth = 0;   // effect length in turns
    int32_t govskill = 0;  // 0 sword, 1 bow, 2 magic, 3 armor
    int32_t bont = 0;      // species the bonus applies against
    int32_t bonam = 0;     // bonus in percent
    bool accum = false;    // the effect accumulates
    bool monly = false;    // monsters only
    bool enabled = false;  // the slot holds a card
    int32_t effstrgth = 0;
    int32_t effdir = 0;    // 0 the user, 1 the target
    int32_t consumes = 0;  // -1 none
    int32_t mindam = 0;
    int32_t element = 0;   // 0 neutral, 1 earth, 2 air, 3 water, 4 fire
    std::string sound;     // sound effect, "0" none
    int32_t perkbon = 0;   // working value, not stored
    bool AOE = false;      // hits every enemy

    bool operator==(const card&) const = default;
};

// A perk type.
struct perk {
    bool enabled = false;
    int32_t recst = 0, recagi = 0, recin = 0, recend = 0; // required strength, speed, intelligence, endurance
    int32_t recsw = 0, recbw = 0, recmg = 0, recar = 0;   // required sword, bow, magic, armor
    int32_t recperk = 0;  // perk required, -1 none
    int32_t recrace = 0;  // species required, -1 any
    int32_t addst = 0, addagi = 0, addin = 0, addend = 0, addsw = 0, addbw = 0, addmg = 0, addar = 0;
    int32_t addcard = 0;  // card granted, -1 none
    int32_t addcoded = 0; // hard-coded effect, named by cpenames
    std::string name;
    int32_t id = 0;

    bool operator==(const perk&) const = default;
};

// An item type and how many the player owns.
struct loot {
    int32_t id = 0;
    std::string name;
    std::string overridename; // the localised name, or the name itself
    int32_t count = 0;
    int32_t p = 0;
    int32_t lb_str = 0, lb_int = 0, lb_spd = 0, lb_end = 0, lb_sw = 0, lb_mg = 0, lb_bw = 0, lb_ar = 0;
    int32_t lb_crd = 0;               // card granted
    int32_t l_armor = 0, l_hat = 0;   // paper-doll pictures, -1 none
    bool nohair = false;              // the hat removes the hair
    int32_t itmtype = 0;              // 0 misc, 1 sword, 2 bow, 3 armor, 4 hat
    int32_t crf1 = 0, crf2 = 0;       // crafting partners, -1 none
    int32_t rq_str = 0, rq_int = 0, rq_spd = 0, rq_end = 0, rq_sw = 0, rq_mg = 0, rq_bw = 0, rq_ar = 0;
    int32_t rq_perk = 0;              // perk required, -1 none
    int32_t rq_item = 0;              // item required, -1 none
    int32_t rq_spec = 0;              // species required, -1 any

    bool operator==(const loot&) const = default;
};

// A sprite placed freely in the level.
struct freesprite {
    bool enabled = false;
    bool fixed = false;          // keeps its own facing instead of turning to the camera
    int32_t x = 0, y = 0, z = 0; // world position
    std::string name;            // material
    int32_t w = 0, h = 0;
    double dirx = 0, diry = 0;   // facing while fixed

    bool operator==(const freesprite&) const = default;
};

// A mesh placed freely in the level.
struct freemesh {
    bool enabled = false;
    int32_t x = 0, y = 0, z = 0;       // home position
    double rx = 0, ry = 0, rz = 0;     // current position while it moves
    double rta = 0, rra = 0, rpa = 0;  // current turn, roll and pitch
    int32_t ta = 0, ra = 0, pa = 0;    // home angles in degrees
    std::string name;                  // mesh file name without extension
    int32_t sx = 100, sy = 100, sz = 100; // scale in percent
    std::string texture = "0";         // material, "0" the mesh's own
    std::string texture2;              // second material, not stored
    bool fire = false;
    int32_t fdx = 0, fdy = 0, fdz = 0; // offset of the fire effect
    int32_t bhv = 0;                   // 0 none, 1 moves toward (x2, y2, z2), 2 turns toward the angles x2, y2, z2
    int32_t x1 = 0, x2 = 0, y1 = 0, y2 = 0, z1 = 0, z2 = 0; // the two ends; (x2, y2, z2) the current target
    bool loop = false;                 // at the target the ends swap and the movement goes on
    double spd = 0;                    // units per second moving, degrees per step turning
    std::string trscript;              // run each time the target is reached
    bool shcast = false;
    int32_t va1 = 0, va2 = 0;          // visibility areas, not stored

    bool operator==(const freemesh&) const = default;
};

// A monster roaming the level.
struct wanderer {
    int32_t x = 0, y = 0;  // cell
    int32_t mtype = 0;     // monster type id
    int32_t behav = 0;     // 1 steps toward the player, otherwise stays
    bool enabled = false;
    std::string script;    // run when its battle starts

    bool operator==(const wanderer&) const = default;
};

// One of the 20 light sources of a level.
struct lightslot {
    int32_t x = 0, y = 0, z = 0;
    double ca = 0, la = 0, qa = 0;  // constant, linear, quadratic attenuation
    double ar = 0, ag = 0, ab = 0;  // ambient 0..1
    double sr = 0, sg = 0, sb = 0;  // specular 0..1
    double dr = 0, dg = 0, db = 0;  // diffuse 0..1
    bool shining = false;
    int32_t sdx = 0, sdy = 0, sdz = 0; // spot direction
    int32_t style = 0;              // 0 omni, otherwise spot
    int32_t cutoff = 180;           // spot cut-off in degrees
    double exponent = 0;
    bool persists = false;          // always chosen before the others
    bool external = false;          // lights outdoor cells
    int32_t lgroup = 0;

    bool operator==(const lightslot&) const = default;
};

// A global script.
struct globscript {
    std::string text;   // the script with its line breaks removed
    bool active = false; // runs every frame
    int32_t refr = 0;
    int32_t a = 0;      // the entry's index at creation
    int32_t b = 0;
    std::string id;     // file name under "\scripts\" without ".txt"

    bool operator==(const globscript&) const = default;
};

// One line of the sprite list.
struct spritelistitem {
    std::string name;
    int32_t purpose = -1;
    int32_t size = 10, size2 = 15;

    bool operator==(const spritelistitem&) const = default;
};

// A wall texture set.
struct envr {
    std::string name; // from the set's "arid.txt"
    bool enabled = false;

    bool operator==(const envr&) const = default;
};

// A sound or music list entry.
struct soundinf {
    std::string name;
    int32_t id = 0;

    bool operator==(const soundinf&) const = default;
};

// A head-up-display button.
struct gamebutton {
    int32_t x = 0, y = 0, w = 0, h = 0;
    int32_t state = 0; // 0 normal, 1 hovered, 2 pressed: the suffix of its material name
    bool visible = false;
    std::string caption, matname, matoverride, tooltip;

    bool operator==(const gamebutton&) const = default;
};

// A screen rectangle with a tooltip.
struct tooltiparea {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::string text;

    bool operator==(const tooltiparea&) const = default;
};

// Where a tooltip is shown (a working value).
struct tltip {
    std::string text;
    bool visible = false;
    int32_t x = 0, y = 0, w = 0, h = 0;

    bool operator==(const tltip&) const = default;
};

// A queued request form.
struct rqftp {
    bool active = false;
    std::string ttl_text, main_text; // title and body
    bool textfld = false;            // has an input field
    int32_t tp = 0;                  // form type
    int32_t fcase = 0;               // action taken on OK
    int32_t pos = 0;
    std::string img;                 // picture material
    std::string ch1, ch2, ch3, ch4, ch5, ch6; // choice texts

    bool operator==(const rqftp&) const = default;
};

// A floating battle text.
struct pop {
    double x = 0, y = 0, kx = 0, ky = 0, fx = 0, fy = 0; // position, speed and drift
    bool enabled = false;
    std::string txt;
    int32_t tp = 0; // 0 damage, 1 healing, 2 mana

    bool operator==(const pop&) const = default;
};

// ---- Global tables ----
// Zero, false or empty at start unless said otherwise below.

extern TBoundedTable<TBoundedArray<lcell, 0, 100>, 0, 100> levelgrid; // [x][y]; [0..mapmaxx][0..mapmaxy] in use
extern TBoundedTable<TBoundedArray<bool, 0, 100>, 0, 100> explored;   // cells the player has seen
extern TBoundedTable<bool, 0, 100> mapmonsters;     // monster ids of random encounters on this level
extern TBoundedTable<std::string, 0, 100> rndons;   // sprite names the random map generator places
extern TBoundedTable<std::string, 0, 100> defrndons;
extern TBoundedTable<envr, 0, 100> envrlist;        // wall texture sets: name "none" until loaded
extern TBoundedTable<lightslot, 0, 19> levellights;
extern TBoundedTable<freesprite, 0, 200> freesprites;
extern TBoundedTable<freemesh, 0, 200> mapfreemeshes; // as stored in the map
extern TBoundedTable<freemesh, 0, 200> freemeshes;    // the running game's working copy
extern TBoundedTable<wanderer, 0, 200> wanderers;
extern character player;
extern character opponent;                          // the fighter acting or shown in battle
extern TBoundedTable<character, 0, 100> monsters;   // monster types
extern TBoundedTable<character, 0, 10> btlslots;    // enemy fighters: named "nil" (blind -1) while free
extern TBoundedTable<int32_t, 0, 10> battlelist;    // monster ids queued for the next battle: -2 while free
extern TBoundedTable<card, 0, 1000> cards;
extern TBoundedTable<loot, 0, 1000> items;
extern TBoundedTable<perk, -1, 101> perks;
extern TBoundedTable<std::string, 0, 100> cpenames; // names of the coded perk effects
extern TBoundedTable<int32_t, 0, 3> equipped;       // item ids worn: -1 while nothing is worn
extern TBoundedTable<pop, 0, 100> dmgpops;
extern TBoundedTable<gamebutton, 0, 62> gbuttons;
extern TBoundedTable<tooltiparea, 0, 100> ttareas;
extern TBoundedTable<rqftp, 0, 10000> rfqueue;
extern TBoundedTable<soundinf, 0, 1000> soundlist;
extern TBoundedTable<soundinf, 0, 1000> musiclist;
extern TBoundedTable<std::string, 0, 10000> strarr; // localised texts by number
extern TBoundedTable<std::string, 0, 1000> strvars; // script text variables
extern TBoundedTable<int32_t, 0, 1000> intvars;     // script integer variables
// Per script context:
extern TBoundedTable<std::string, 0, 10000> scripttexts;
extern TBoundedTable<std::string, 0, 10000> scriptwords;
extern TBoundedTable<std::string, 0, 10000> scriptcmds;
extern TBoundedTable<TBoundedArray<std::string, 0, 10000>, 1, 10> argtexts; // [argument][context]
extern TBoundedTable<TBoundedArray<int32_t, 0, 10000>, 1, 10> argvars;      // [argument][context]
extern TBoundedTable<int32_t, 0, 10000> evalints;
extern TBoundedTable<std::string, 0, 10000> evaltexts;
extern TBoundedTable<bool, 0, 10000> ifflags;
extern TBoundedTable<int32_t, 0, 7> bodypartcounts;

// Dynamic arrays.
extern TDynArray<globscript> gslist;
extern TDynArray<int32_t> cparray; // read position of each script context, -1 free
extern TDynArray<spritelistitem> spritelist;
extern TDynArray<std::string> texlist;
extern TDynArray<int32_t> jseq;    // journal entries in the order unlocked

// ---- Level and player state ----
extern std::string mapid;   // folder of the current map under "\levels\"
extern std::string mapname; // display name, "<n/a>" at start
extern int32_t mapmaxx, mapmaxy; // highest grid index in use, 19 at start
extern int32_t envindex, envcount;
extern int32_t startx, starty, startdir, exitx, exity;
extern int32_t mapspare;
extern int32_t skyboxno;
extern int32_t levelno; // 1 at start
extern int32_t levelsteps;
extern int32_t playerx, playery;
extern int32_t lookside; // 0 +x, 1 -y, 2 -x, 3 +y
extern int32_t lookdirx, lookdiry;
extern int32_t keys1, keys2;
extern int32_t perkpoints;
extern bool scriptpopups; // true at start
extern int32_t monstercount;

// Mode flags.
extern bool mmmode, invmode, itemlistmode, btlmode, showenemy, chargen, rfmode, ingame;
extern bool levelbusy; // true at start: no level yet
extern bool levelsaving, camsnap, editview, exiting;

// Puts every table, dynamic array, level value and mode flag back to its state at program start. A table whose
// entries have a marker for "free" starts with every entry free, so that nothing reads as queued, worn or loaded
// before it is.
void ResetGameTables();
// A battle slot holding no fighter.
character FreeBattleSlot();
