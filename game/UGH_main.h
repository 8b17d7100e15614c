// The main game window: it owns the scene and every game component, runs the start-up behind the splash window
// and the per-frame routine the scene's frame clock drives. The class is declared once here; its methods are
// defined in UGH_main*.cpp by topic (start-up, scene table, frame loop, configuration, materials).
#pragma once

#include "ExtCtrls.h"
#include "Forms.h"
#include "UGH_tables.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class TVAVodad;
class TVAVodadViewer;
class TGLCamera;
class TGLCadencer;
class TGLMaterialLibrary;
class TGLWindowsBitmapFont;
class TGLTexCombineShader;
class TGLSLPostPixelateShader;
class TGLPostShaderHolder;
class TGLShadowVolume;
class TGLLightSource;
class TGLBaseSceneObject;
class TGLDummyCube;
class TGLHUDSprite;
class TGLHUDText;
class TGLPlane;
class TGLSphere;
class TGLCone;
class TGLSMOpenAL;
class TGLSoundLibrary;
class TBitmap;
class TGLFreeForm;
class TGLSprite;
class TGLSkyBox;
class TGLFireFXManager;
class TForm1;

// The frame "thread": a plain object whose Execute runs the pending frame on the main thread. No OS thread is
// started, so nothing of the game is ever touched from two threads.
class TGHThread {
public:
    explicit TGHThread(TForm1* form) : FForm(form) {}
    // Runs the pending frame (framebusy) and clears framebusy; marks itself terminated when nothing is pending.
    void Execute();
    bool Terminated() const { return FTerminated; }

private:
    TForm1* FForm;
    bool FTerminated = false;
};

// ---- Globals of the start-up and the frame loop ----
extern bool loading;            // start-up in progress: the splash window shows while it is set
extern std::string loadstatus;  // the start-up's status line, mirrored by the splash window
extern int32_t loadstage;       // start-up stage 0..15, the splash progress bar position
extern std::string appversion;  // the program's version, "%d.%d.%d.%d"
extern std::unique_ptr<TGHThread> framethread;
extern bool framebusy;          // a frame is pending or running through framethread
extern double framedelta;       // elapsed seconds handed to the pending frame
extern bool framerunning;       // CadencerRun's blocks are running
extern std::string frameerrors; // tags of the blocks that failed in the current frame
extern TBoundedTable<bool, 1, 8> cadblocks; // block switches b1..b8, all on
extern bool fsinitdone;         // the frame routine has applied the full-screen setting
extern int32_t scrw, scrh;      // the game view in pixels, for all HUD layout
extern int32_t halfw, halfh, fullw, fullh;
extern bool uirefresh;          // lay the character screen out again on the next frame
extern bool minimapon;          // true at start
extern int32_t mbdcount;        // block-visibility updates, shown in the caption
extern int32_t curfps;          // frame rate taken once a second
extern int32_t lastpx, lastpy;  // player cell as copied once a second
extern double stepscale;        // levelsteps / 800
extern int32_t activecard;      // card chosen in the item list
extern TBoundedTable<int32_t, 0, 7> attrbonus; // item and perk bonuses: str, int, spd, end, sw, bw, ar, mg
extern double fmbtime;          // seconds toward the next free-mesh behaviour step
extern int32_t fmbrate;         // free-mesh behaviour steps per second
extern int32_t loadscrno;       // load-screen picture shown while a level is read, written or built
extern int32_t lastnewcard;     // the card AddNewCard gave last, -1 none

// ---- Globals of the random map generator (UGH_main_randommap.cpp) ----
// One room of a generated level: kind (what its centre cell holds, 0 start, 1 exit, 2..13 altars, shrines and
// chests), centre cell, size in cells, shape (0 rectangle, 1 diamond) and link: its corridor leads to room
// link + 1.
struct roomrec {
    int32_t kind = 0, cx = 0, cy = 0, w = 0, h = 0, shape = 0, link = 0;

    bool operator==(const roomrec&) const = default;
};
// A generated level has at most this many rooms.
constexpr int32_t cMaxRooms = 66;
// The rooms of the last generation, rooms[1..roomcount].
extern TBoundedTable<roomrec, 1, cMaxRooms> rooms;
extern int32_t roomcount;
// Carves an L-shaped corridor from (x1, y1) along x toward x2, then along y toward y2: each cell passable, no
// wall, with floor and ceiling; (x2, y2) itself is not carved.
void digpath(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// The first free sprite slot not enabled, -1 when all 201 are.
int32_t firstfreefsprite();
// The name of a random sprite-list entry of that purpose, "none" when there is none (no draw then).
std::string randomspritename(int32_t purpose);
// The index of the last sprite-list entry named name, -1 when there is none.
int32_t spriteindex(const std::string& name);
// Hangs free sprite slot on wall cell (x, y), facing the last neighbour (order i = -1, 0, 1 with j = -1, 0, 1)
// that lies inside the grid's inner cells and is neither wall nor door: 11 units from the cell's centre toward
// it, a random purpose-1 sprite sized from the sprite list (dw x dh when the name is not listed). False when
// nothing qualifies or the sprite list holds no decoration (the slot is left alone).
bool placewallsprite(int32_t x, int32_t y, int32_t dw, int32_t dh, int32_t slot);

// ---- Globals of the level construction (UGH_main_level.cpp) ----
// The level's scene objects, made from levelgrid, freesprites, freemeshes and wanderers and freed again by the
// level construction (children of shadowz; the fire spheres of dcgameb); block visibility shows and hides them.
// nullptr where nothing is built.
extern TBoundedTable<TBoundedArray<TGLFreeForm*, 0, 100>, 0, 100> cellwalls, celldoors, cellfloors; // [x][y]
extern TBoundedTable<TBoundedArray<TGLPlane*, 0, 100>, 0, 100> cellchests, cellceils, cellsprites;  // [x][y]
// [x][y][k]: the cell's dens grass sprites (dens is held to 0..101).
extern TBoundedTable<TBoundedArray<TBoundedArray<TGLSprite*, 0, 100>, 0, 100>, 0, 100> cellgrass;
extern TBoundedTable<TGLPlane*, 0, 200> fspriteobjs;     // one per free sprite
extern TBoundedTable<TGLFreeForm*, 0, 200> fmeshobjs;    // one per free mesh (none where its mesh failed)
extern TBoundedTable<TGLSphere*, 0, 200> fmeshfireobjs;  // the free mesh's fire carrier
extern TBoundedTable<TGLPlane*, 0, 200> wandererobjs;    // one per wanderer

// ---- Globals of the asset catalogue ----
extern TDynArray<std::string> matnames; // every material FastAddMaterial made, in order
extern std::string lastmat;             // the material made last
extern const bool preloadsprites;       // the sprite list is loaded whole at start-up
extern TBoundedTable<TBoundedArray<TBoundedArray<int32_t, 0, 4>, 0, 1000>, 0, 1> armorlayers;
extern int32_t loadscrcount, cardcount, itemcount;
// The catalogue's loops stop at the tables they fill: what lies beyond is left out and logged.
constexpr int32_t cCatalogueCards = 1001, cCatalogueItems = 1001, cCatalogueArmors = 1001;
// Monster ids 0..99: monstercount, one past the first missing id, stays within the 101 entries of monsters.
constexpr int32_t cCatalogueMonsters = 100;

// ---- Globals of the battle display (UGH_main_battleview.cpp) ----
// One timed effect as the effect columns show it; type -1 marks an empty entry.
struct effectentry {
    int32_t type = -1, rounds = 0, strength = 0;
    bool operator==(const effectentry&) const = default;
};
extern TBoundedTable<TBoundedArray<effectentry, 1, 100>, 0, 1> effectlists; // [0 player, 1 opponent][position]
extern TDynArray<std::string> btlmsgs; // the short battle log of this turn
extern std::string btlmsgtext;         // btlmsgs wrapped for the battle screen
void clearbtlmsgs();
void addbtlmsg(const std::string& t);
// One short-log entry as the battle screen shows it: "* " + t, broken after 50 characters or at a space past 40.
std::string WrapBattleMessage(const std::string& t);
// The label before a floating number: text + ": " with extdmginfo, else nothing.
std::string poplabel(const std::string& text);
// Whether the sound name has an ".mp3" or ".wav" file in gamedir\sounds\audio.
bool soundexists(const std::string& name);
// The side of an effect icon for n active effects on a view scrh high: at most 32.
int32_t EffectIconSize(int32_t n, int32_t height);

// ---- Globals of the battle screen and the character screen (UGH_main_display.cpp) ----
// The monster's played card has not reached its resting point yet.
extern bool monsterplayed;
// a / b, or 0 when b is 0 or less (a dead slot's hpmax, a manamax of 0).
double ratio(int32_t a, int32_t b);
// The monster picture's side one frame on: it grows by 1000 px a second up to side, which it then keeps.
double GrowMonsterPicture(double current, double side, double deltatime);
// A bar's width one frame on: it closes the gap to target at rate 10 a second, never passing it.
double ApproachBar(double width, double target, double deltatime);
// A played card's point one frame on along the line from its start (homex, homey) to its rest (restx, resty):
// 2000 px a second along x, never past the rest; within 200 px of the rest along x it lands there. True while
// it is still on its way.
bool FlyCard(double& x, double& y, double homex, double homey, double restx, double resty, double deltatime);
// The height where the played cards rest at the sides of the view: its middle, or higher when the hand laid out in
// gbuttons[10] reaches up past it, so that a card of cardheight ends 5 px above the hand (at the sides it would
// cover the first and the last hand card).
double PlayedCardRestY(double cardheight);
// A character-screen line: label + ": " + value; with showDifference a value above its base is followed by
// " +" and the difference, one below by " -" and the difference.
std::string CharacterValueText(const std::string& label, int32_t value, int32_t base, bool showDifference);
// The active timed effects of chr under the heading strarr[236], one " - " + name line each (types 1..100).
std::string CharacterEffectsText(const character& chr);
// The description of monster type id, "\text\" + lng + "\desc\monster_" + id + ".txt" read whole; "-" when
// it cannot be read.
std::string MonsterDescription(int32_t id);

// ---- Globals of exploration ----
extern int32_t encsteps;               // steps since the last random encounter
extern int32_t camtx, camty, camtz;    // the point the camera glides to: the player's cell at its plz
extern bool turnpending;               // a turn was made: refresh visibility once the camera faces the new way
extern double glowtime;                // seconds of the teleport glow left
extern int32_t acx, acy;               // the cell activated last
extern bool nosearch;                  // the next search says none of its standard texts
// The pointer over the viewer (kept by the pointer handlers): the camera turns with a held button.
extern bool mouseheld;
extern int32_t curmx, prevmx;
// The map editor's top view while editview is set: the camera's height over the cursor cell (edcurx, edcury).
extern int32_t topcamh, edcurx, edcury;
// Event scripts start event scripts of their own at most this deep.
constexpr int32_t cEventNesting = 8;

// Field ps of a sprite-list line (commas separate the fields, counted from 0). Fields 1..3 (purpose, size, size2)
// that are empty or no integer give "-1", "10" and "15".
std::string SpriteListField(std::string_view text, int32_t ps);
// The sprite list: one sprite a line, "name,purpose,size,size2"; a line without a name gives none. A missing file
// raises EGameDataError naming it.
TDynArray<spritelistitem> ReadSpriteList(const std::string& fileName);
// The material names of the interface picture list, one a line (blank lines name none). A missing file raises
// EGameDataError naming it.
std::vector<std::string> ReadUIList(const std::string& fileName);
// A wall set's "arid.txt": its name (line 0) and enabled flag (line 1). False, leaving set as it was, for a file
// that is missing or shorter than two lines; one that cannot be read raises EGameDataError.
bool ReadWallSetInfo(const std::string& fileName, envr& set);

// Whether the picture fn (a path below "\textures\") exists, as DataFileExists answers (preparematerials runs
// as one TDataFolderPass).
bool TextureExists(const std::string& fn);
// Whether the picture base (below "\textures\", without extension) exists as ".tga" or ".dds".
bool TextureOrDDSExists(const std::string& base);
// The catalogue's status line: "Loading: " and the stage text strarr[stageText], both localised.
std::string CatalogueStatus(int32_t stageText);
// The first id from first on for which exists does not hold, at most limit: the ids below it follow one another.
// When id limit exists as well, the log says that what lies beyond is left out.
int32_t FirstMissingId(int32_t first, int32_t limit, const std::function<bool(int32_t)>& exists,
                       const std::string& what);

// ---- Globals of block visibility, the scene lights and the minimap (UGH_main_visibility.cpp) ----
extern int32_t curarea1, curarea2;   // the visibility areas of the player's cell (CheckAvisars)
extern int32_t mainlight;            // levellights slot of the first scene light while it shines, else -1
constexpr int32_t shadowradius = 10; // half side in cells of the square whose walls cast shadows
extern bool lightreport;             // the next light choice lists itself in a message box
extern int32_t glowlevel;            // teleport glow strength 0..10 (block b5)

// The program's version as "%d.%d.%d.%d"; never fails.
std::string GetAppVersionStr();

// ---- Globals of the request forms (UGH_main_requests.cpp) ----
// The request on screen, copied out of rfqueue[1] when it is shown; rfmode is set while it shows.
extern std::string rftitle, rftext, rfimg;
extern int32_t rftype; // 0: OK only; else also the second button
extern int32_t rfcase; // what OK does
extern int32_t rfpos;  // 0 centred, 1 top centre
extern int32_t choicevalue;     // the choice button (0..5) clicked last
extern std::string choicescript; // run after a choice: "\scripts\" + choicescript + ".txt"
extern int32_t jpage;           // index into jseq of the journal page shown
// Credits pages hold this many lines.
constexpr int32_t cCreditLines = 20;
// The line of text with the most characters (the first of equal ones), lines ended by CR or LF.
std::string_view LongestLine(std::string_view text);
// The name entry as the form shows it: the name, a cursor and under them a line of underscores three longer than
// the name, at least 13.
std::string NameEntryText(const std::string& name);
// The credits' lines in pages of cCreditLines, each line ended by CR LF; a last page only when it holds a line.
std::vector<std::string> CreditPages(std::string_view text);
// The text of journal entry n, "\text\" + lng + "\journal\jrn_" + n + ".txt", read whole. A missing file
// raises EGameDataError naming it.
std::string getjrntext(int32_t n);

// ---- Globals of the keys, the pointer, the tooltip and the basic HUD (UGH_main_input.cpp, UGH_main_hud.cpp) ----
extern int32_t curmy, prevmy;   // with curmx and prevmx: the pointer's position at the last move and the one before
extern std::string lasttooltip; // the tooltip text on screen, empty when none
extern int32_t ttlast;          // the last of ttareas in use, -1 for none
// The main window's font size in points: the height of a HUD text the pointer is tested against.
constexpr int32_t cMainFontPoints = 8;

// A tooltip's text broken into lines and the size of its box.
struct TTooltipLayout {
    std::string Text;  // lines ended by CR LF
    int32_t Lines = 0; // line count: a break of the text counts two, a wrap one
    int32_t Width = 0, Height = 0;
};
// Wraps text after more than 60 characters, or from the 40th on after a blank, ". , ;"; a line break of the
// text ends the line (a break at the start of a line is dropped). lineWidth measures one line in pixels in the
// tooltip's font; fontPoints is the height unit. Width: the longest line + 30, at least 200.
TTooltipLayout WrapTooltip(std::string_view text, const std::function<int32_t(std::string_view)>& lineWidth,
                           int32_t fontPoints);
// Whether (x, y) lies strictly inside the rectangle: with corner its top-left corner is (rx, ry), else its centre.
bool inrect(int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t w, int32_t h, bool corner);
// The danger figure the HUD shows beside the monster icon.
int32_t DangerFigure(double stepscale, int32_t difficulty);
// The experience bar's width in pixels (0 while xpreq is 0 or less).
double XPBarWidth(int32_t xp, int32_t xpreq);

// ---- Globals of the game buttons (UGH_main_buttons.cpp) ----
// The visible button under the pointer and the one before it, -1 for none (the pointer handlers write them).
extern int32_t hoverbut, lasthoverbut;
// The buttons each screen shows: the main menu, exploration and the character screen.
extern TBoundedTable<bool, 0, 62> mmbutset, ingamebutset, invbutset;
// The item list shows the owned cards (else the items), at page 0..9.
extern bool itemlistcards;
extern int32_t itempage;
// The card the character screen shows.
extern int32_t shownspell;
// Battle rounds until the special card may be played again.
extern int32_t specialcd;
// The id of the visible button under the point (x, y), its edges included; of overlapping buttons the highest id;
// -1 for none.
int32_t getbutundercursor(int32_t x, int32_t y);

// ---- Globals of character progression and the item list (UGH_main_progress.cpp, UGH_main_itemlist.cpp) ----
extern TBoundedTable<int32_t, -1, 101> perklist; // perk ids in the perk panel's order
extern int32_t perkcursor;                       // the position of perklist the perk panel shows
extern bool perkpanelshown;                      // the character screen shows the perk panel
// The sum of perk p's requirements (attributes, skills and the required perk's id).
int32_t perkreqsum(int32_t p);
// The item list's cells: itemgrid[column][row][page] holds an item or card id, -1 for none.
extern TBoundedTable<TBoundedArray<TBoundedArray<int32_t, 0, 9>, 0, 9>, 0, 9> itemgrid;
extern int32_t itemhover; // the entry under the pointer, -1 none
// Whether item id is worn in one of the four equipment slots.
bool ItemWorn(int32_t id);
// itemgrid filled from the owned cards (cards) or items, ordered by card skill or item kind, then id: nine
// columns and nine rows a page, ten pages; what does not fit is left out.
void FillItemGrid(bool cards);

// ---- Globals of the perk panel and the paper doll (UGH_main_doll.cpp) ----
// Where a doll part is drawn: its picture's size in pixels and its centre in percent of the torso box; the hair
// also says whether its eyebrow and beard layers are drawn.
struct TBodyPartData {
    double w = 1020, h = 1020, x = 50, y = 15;
    bool eb = false, brd = false;

    bool operator==(const TBodyPartData&) const = default;
};
// The kinds of body-part data files: "head", "hair", "hairb", "torso", "hat".
constexpr int32_t bptHead = 0, bptHair = 1, bptHairb = 2, bptTorso = 3, bptHat = 4;
extern TBoundedTable<TBodyPartData, 0, 4> bpdata; // by kind; the torso's entry is unused
extern double torsoratio;                          // the torso box's width over its height
// Reads gamedir + "\bodypartdata\<sex>\<kind>_<id>.txt" into bpdata[bpt] (torsoratio for the torso). A missing
// file, a bad or non-finite number, or torso proportions not above 0 raise EGameDataError and change nothing.
void readbpartdata(int32_t sex, int32_t bpt, int32_t id);
// The doll's build 0..4 from base strength: round(bstr / 20), at most 4.
int32_t DollBuild(int32_t bstr);
// The cloth picture of a doll of that build: its layer of the build when it exists, else its first layer, else
// the unlayered picture. prefix is "mal_" or "fem_".
std::string ClothMaterial(const std::string& prefix, int32_t sex, int32_t cloth, int32_t build);
// The perk panel's two columns for perk p, lines ended by CR LF: labels and values.
struct TPerkPanelText {
    std::string labels, values;
};
TPerkPanelText PerkPanelText(int32_t p);

// ---- Globals of sound and music (UGH_main_sound.cpp) ----
extern int32_t soundcount, musiccount; // lines of the sound and music lists
extern bool soundsloaded;              // both lists are loaded
extern std::string wantedtrack;        // the music this frame wants
extern std::string currenttrack;       // the music started last; emptied while music is off, so it starts again

// Whether a music track has a file, "\sounds\music\" + track + ".mp3" or ".wav". The data folder does not change
// while the game runs: each track is looked up once for each gamedir, so that choosing the music every frame
// touches no disk.
class TMusicFiles {
public:
    bool Exists(std::string_view track);

private:
    std::string FFolder;
    std::map<std::string, bool, std::less<>> FExists;
};

// ---- Globals of the script interpreter (UGH_main_script.cpp) ----
// A nested run starts at most this deep; one top-level run with everything it starts handles at most
// cScriptBudget characters, then every open run ends; gslist holds at most cGlobalScripts entries.
constexpr int32_t cScriptDepth = 64;
constexpr int64_t cScriptBudget = 1000000;
constexpr int32_t cGlobalScripts = 1000;
// Values the words and the "^" specials share with the battle and the item list.
extern TBoundedTable<int32_t, 0, 12> cardvalues; // the card play's values; [12] the side whose card script runs
extern bool craftmode;   // the item list crafts
extern int32_t selitem;  // the item list's selected entry
extern bool keepturn;    // the actor keeps the turn once more
extern std::string choiceimage; // the choice form's picture
// Raised by ClearLevel: a caller that sees it change across a script stops its steps on the old level.
extern int32_t levelserial;

// ---- Globals of the battle flow (UGH_main_battle.cpp) ----
extern bool turndone;          // the current actor's action is over
extern TBoundedTable<bool, 0, 11> turnstarted; // the turn-start work of actor k has run in this turn
extern bool handsrefilled;     // both hands were refilled after the last action
extern int32_t btlphase;       // 1 wait for the actor, 2 the actor has finished, 3 advance; 0 no battle
extern int32_t btlturn;        // 0 the player, k = 1..11 battle slot k - 1, 12 ends the round
extern int32_t btltarget;      // the slot the player targets, mirrored in opponent
extern int32_t shownenemy;     // monster type of the fighter shown
extern int32_t addedmonster;   // monster type last copied into a slot
extern int32_t stance;         // 0 neutral, 1 offensive, -1 defensive
extern bool forcedplaydone;    // the forced-play roll failed this turn
// The player acts (plays, skips, escapes, changes target) only in his own turn once it has started: until then
// opponent still holds the enemy that acted last, and a play or a change of target would write that copy over
// the targeted slot.
bool PlayersTurn();
extern bool manabonusready;    // the player has played a card since the last turn start
extern bool waitedturn;        // the player already redrew the hand this turn
extern bool enemycardflying, playercardflying; // a played card flies across the screen
// The queued enemies beyond the first (battlelist[1..10] taken).
int32_t pendingcount();
// Every entry of battlelist free (-2); every battle slot free ("nil", blind -1).
void clearbattlelist();
void clearbtlslots();
// The first free slot 0..9, else 10 when it is free, else -1.
int32_t firstfreeslot();
// What chr is worth in experience: (pendingcount + level) x (hpmax + attributes + skills).
int32_t xpworth(const character& chr);
// The enemies' hit points left: the targeted slot counts as opponent.
int32_t totalenemyhp();
// The end of a round: every running timed effect of the player, opponent and the slots loses a round.
void effecttick();
// v scaled by difficulty d (-3..5): v x (1 + d^3 / 1000).
double difficultyscale(int32_t d, double v);
// A monster attribute or skill v at the level's step scale and difficulty.
int32_t ScaleEnemyValue(int32_t v, double stepscale, int32_t difficulty);
// The special card's cooldown at the start of a battle for a player of this intelligence.
int32_t StartSpecialCooldown(int32_t intelligence);

// ---- Globals of card play (UGH_main_cards.cpp) ----
// Beneficial (true) or harmful timed-effect types by index k = type - 1; 24..99 carry no effect.
extern TBoundedTable<bool, 0, 99> efpolarity;
extern int32_t lastplayercard, lastmonstercard; // card id each side played last, -1 none
// The played cards' flights across the screen: start and current point of each side's picture.
extern double playercardhomex, playercardhomey, playercardposx, playercardposy;
extern double enemycardhomex, enemycardhomey, enemycardposx, enemycardposy;
// Fills efpolarity: the beneficial types true, the rest false.
void seteffectpolarity();
// round(a x b / 100).
int32_t percentof(int32_t a, int32_t b);
// Earth and air oppose each other, water and fire likewise.
bool elementsopposed(int32_t a, int32_t b);

// A refused script step (a bad index, a variable outside 0..1000): the character loop logs it with the script
// and its source line and goes on with the next character.
class EScriptError : public Exception {
public:
    using Exception::Exception;
};

// A script ready to run: its text without CR and LF, where it came from (a file, a global script's name or a
// card) and where each source line starts in the text, so that a log line can name the line.
struct TScriptText {
    std::string text;
    std::string source;
    std::vector<int32_t> linestarts; // 0-based position in text of each source line's first character
    // The source line (from 1) of the 0-based position pos.
    int32_t LineAt(int32_t pos) const;
};

// A command word's handler: it reads its arguments in order with the readings below and acts; it raises
// EScriptError (or any Exception) to refuse, best before changing anything.
using TScriptHandler = void (*)(TForm1& form, int32_t ctx);
struct TScriptWord {
    std::string_view word;
    TScriptHandler handler;
};
// Every command word with its handler (UGH_main_scriptwords.cpp). No word begins another. If and Else are
// ScriptIf and ScriptElse below.
std::span<const TScriptWord> ScriptWordTable();
void ScriptIf(TForm1& form, int32_t ctx);
void ScriptElse(TForm1& form, int32_t ctx);

// The next argument token of context ctx: from the character after its position up to the next "," or ";"
// (the position is left there) or the end of the text; spaces are dropped. Nothing left before the end of
// the text raises EScriptError: the command lacks the argument.
std::string readscriptarg(const std::string& st, int32_t ctx);
// Evaluates token as argument a (1..10) of context ctx into evaltexts/evalints (and argtexts/argvars for "&N").
void evalscriptarg(const std::string& token, int32_t a, int32_t ctx);
// A free context (marked busy at position 1), appended when none is free before the last entry.
int32_t newscriptcontext();
// The readings: each reads the next argument of ctx as argument a and evaluates it. num: "&N" gives
// intvars[N], else the integer; text: "&N" gives strvars[N], else the text; name: the text itself; raw: the
// token as written (N for "&N"); var: the variable number of "&N"; ref: a variable number given as num.
// A variable number outside 0..1000 raises EScriptError.
int32_t readnum(int32_t ctx, int32_t a);
std::string readtext(int32_t ctx, int32_t a);
std::string readname(int32_t ctx, int32_t a);
std::string readraw(int32_t ctx, int32_t a);
int32_t readvar(int32_t ctx, int32_t a);
int32_t readref(int32_t ctx, int32_t a);
// The depth of nested runs now going (0 outside any script).
int32_t ScriptDepth();
// Logs one line naming the script of context ctx and the source line of its position, each text once per script
// and line for the program's run.
void ScriptLog(int32_t ctx, const std::string& text);

class TForm1 : public TForm {
public:
    explicit TForm1(TComponent* AOwner);
    ~TForm1() override;

    // ---- Start-up and scene (UGH_main.cpp, UGH_main_scene.cpp) ----
    // The game's start-up in stages 0..15 on the data folder in gamedir (the program sets it): configuration,
    // strings, the catalogue, the scene lights, the main-menu level; then the frame clock runs. A failure
    // raises and leaves loadstage and loadstatus at the stage that failed.
    void FormCreate(TObject* Sender);
    // defrndons[0..17]: the sprites the random map generator places; the rest empty.
    void setdefaultrndons();
    // Empties the level's tables (ClearLevelTables on the current level).
    void ClearLevel();
    // The player on the map's start cell, facing its start direction.
    void GoToStart();
    // "show": the status line, then one pass of pending window messages so the splash window repaints.
    void ShowStatus(const std::string& text);

    // ---- Frame loop and housekeeping (UGH_main_frame.cpp) ----
    void GLCadencer1Progress(TObject* Sender, double deltaTime, double newTime);
    void CadencerRun(double deltatime);
    // Lays out the load screen while levelbusy is set (the name of the level being read, else mapname), hides it
    // otherwise.
    void ProcessLoadScreen();
    // The load screen as a level is read, written or built in play: laid out, painted, and the window's pending
    // messages handled (the window takes no keys or clicks while levelbusy is set).
    void PaintLoadScreen();
    // The progress of a map read or write in play: picks the load screen's picture at random, then paints the
    // screen with the level's name on the first call and then a tenth of a second after each paint.
    std::function<void(const std::string& levelname)> LoadScreenProgress();
    // The display name of the level being read, shown by the load screen; empty when no read runs.
    std::string loadingname;
    void Timer1Timer(TObject* Sender);
    void Timer2Timer(TObject* Sender);
    void FormResize(TObject* Sender);
    void InitFullscreen();
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void ExitGame();
    void TakeSnapShot();
    void SwitchAA(int32_t i);

    // The blocks b1..b8 of a frame in order, each in a guard of its own: one that fails adds its tag ("b3")
    // to frameerrors and the frame goes on with the next. An empty entry has nothing to do yet. Made with the
    // window; a test may put a block of its own in place of one.
    using TFrameBlock = std::function<void(double deltatime)>;
    TBoundedArray<TFrameBlock, 1, 8> FrameBlocks = DefaultFrameBlocks();
    TBoundedArray<TFrameBlock, 1, 8> DefaultFrameBlocks();
    // What the blocks hold so far: b1 the camera and the player light, the view's overlays, the worn pictures
    // and the item list's mode; b3 which screens show; b5 the half and full view sizes; b8 the game buttons
    // (in a guard of their own), the free meshes' behaviour on its own clock and the wanderers.
    void FrameBlockB1(double deltatime);
    void FrameBlockB3(double deltatime);
    // b4: the request form, the character screen and the sky box.
    void FrameBlockB4(double deltatime);
    void FrameBlockB5(double deltatime);
    // b7: the minimap shows bottom left while it is wanted and no menu, character screen or battle is up.
    void FrameBlockB7(double deltatime);
    void FrameBlockB8(double deltatime);

    // The client size the window keeps: at least 1024 x 576.
    static TPoint MinimumClientSize(int32_t width, int32_t height);
    // The load screen's front picture, 819.2 x 614.4 scaled to the view: by its height on a view wider than
    // high, else by its width.
    static void LoadScreenPictureSize(int32_t width, int32_t height, float& pictureWidth, float& pictureHeight);
    // The caption the one-second timer writes.
    static std::string FrameRateCaption(const std::string& version, const std::string& fpsText, int32_t viewdist,
                                        int32_t mbdcount);
    // Writes the picture as gamedir\screenshots\sshot_<n>.jpg with the smallest n >= 1 whose file does not
    // exist, making the folder when it is missing. Answers the file written, or "" when it could not be
    // written (logged); never raises.
    static std::string SaveSnapShot(TBitmap& bitmap);

    // ---- Block visibility, scene lights, shadow casters and the minimap (UGH_main_visibility.cpp) ----
    // Shows the level objects near the player (within d cells) in the player's visibility areas and hides the
    // others: the whole grid with full, else the cells up to viewdist ahead and to both sides of (px, py). A
    // refresh that fails rebuilds the level once; failing again it is logged.
    void MonitorBlockVisibility(int32_t px, int32_t py, int32_t d, bool full);
    // The whole grid around the player, then the minimap while it shows.
    void FullMBW(int32_t d);
    // Once a second: viewdist one step toward the wanted frame rate, then a refresh.
    void AutoAdjustMbd(int32_t fps);
    void CheckAvisars(int32_t x, int32_t y);
    // The seven scene lights from the level's 20 slots: persisting ones first, then the nearest.
    void ProcessLights();
    // The walls and free meshes near the player become the shadow volume's casters.
    void FormOccluderArr();
    // The light group of the cell under free mesh fmid's home, -1 off the inner grid.
    int32_t getfmlgroup(int32_t fmid);
    double GetDist(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    // Draws the explored level into the minimap sprite's texture and the map window.
    void WorkOnMinimap();
    // Not called by the game: a line of sight between world point (x, y) and a light at (lsx, lsy), the
    // walls around the player as casters, and every level light off.
    bool checklsvisibility(int32_t x, int32_t y, int32_t lsy, int32_t lsx);
    void HandleShadows();
    void cleanuplights();
    // The explored cells with their neighbours, 20 pixels a cell, and the player: the minimap's picture. With
    // hiddenPassages (the player's perk effect 9) a wall that can be walked through shows in olive.
    static void DrawMinimap(TBitmap& picture, bool hiddenPassages);
    // The picture centred on a black square with a white border, as wide as its larger side.
    static void SquareMinimap(TBitmap& picture, TBitmap& square);

    // ---- Configuration (UGH_main_config.cpp) ----
    // Reads "\gh.cfg" (the game-data reader) and applies it to the window: anti-aliasing, ambient, depth of
    // view and focal length, fog end, VSync.
    void ReadConfig();

    // ---- Materials and the start-up catalogue (UGH_main_materials.cpp) ----
    void FastAddMaterial(const std::string& fn, const std::string& mn, const std::string& qs, double emit,
                         int32_t mode, bool uselm, TGLMaterialLibrary*& ml);
    void preparematerials();
    void preparemat(const std::string& mn);
    void addtotexlist(const std::string& itm);
    bool checkitemintexlist(const std::string& itm);
    void cleartexlist();
    int32_t GetSets();
    std::string getslitem(const std::string& text, int32_t id, int32_t ps);
    // "empty.tga" of the quality folder could not be read and the log said so: it is said once.
    bool emptyreported = false;

    // ---- The catalogue's pictures and content, and the HUD objects (UGH_main_catalogue.cpp) ----
    // Steps of preparematerials: the fixed HUD pictures with their objects; the item-list grid; the paper
    // doll's body parts, armour layers and wings; the cards after the teleport glow through the items.
    void preparehudpictures();
    void prepareitemlistgrid();
    void preparebodyparts();
    void preparecontent();
    // The HUD objects made at run time: game buttons, hand cards, perk icons, enemy icons, damage texts.
    void prepareuiobjects();

    // ---- Request forms (UGH_main_requests.cpp) ----
    // Queues a request in the first free slot of rfqueue (1..10000); it shows once those before it are answered.
    // With every slot waiting the request is refused (logged).
    void ShowRequestForm(const std::string& rttl, const std::string& rtext, int32_t rtype, int32_t rcase,
                         int32_t rpos, const std::string& rimg);
    // Takes rfqueue[1] on screen (rfmode) and shifts the queue down by one.
    void DisplayRequestForm();
    // The answers: OK (game button 48) carries out the request's case, then clears rfmode; the second button
    // (49) only clears rfmode.
    void RequestFormOK();
    void RequestFormSecond();
    // Choice button 40 + k: choicevalue := k, the form closes and choicescript runs when its file exists.
    void RequestFormChoice(int32_t k);
    // A click on a request-form button while a form shows: choices 40..45, OK 48, second button 49, journal
    // paging 55..58 (+1, -1, +10, -10). False, doing nothing, for any other id.
    bool RequestFormButton(int32_t id);
    // The player's name in place of each "@PlName" token.
    static std::string preparerftext(const std::string& txt);
    // The form width the text needs: its longest line in font 2 plus 80.
    int32_t GetRfWidth(const std::string& text);
    // The game buttons' frame pass: while a form shows, places its buttons around reqform (OK, second button,
    // journal paging, choices); otherwise hides 48, 49 and 40..45.
    void PlaceRequestFormButtons();
    // Block b4's form: reqform sized, placed and dressed for the request on screen with its title, text and
    // picture; hidden again once it is answered.
    void ProcessRequestForm();
    // The journal: jseq holds the unlocked entries in order (an empty jseq counts as [0]).
    void UpdateJournal(int32_t j);
    bool CheckJournalUnlocked(int32_t j);
    void ClearJournal();
    // Queues journal page p (of jseq) as a case-44 request; a missing page file shows a line naming it.
    void OpenJPos(int32_t p);
    // jpage + k, wrapping past either end, then that page.
    void ChangeJPage(int32_t k);
    // The journal icon and the J key: its first page.
    void OpenJournal();
    // Queues "/text/credits.txt" as scroll pages; a missing file queues a page naming it.
    void ShowCredits();

    // ---- Keys (UGH_main_input.cpp) ----
    // The window's key events (it previews them before its controls): Key is a virtual-key code, for key press
    // the character typed. Each draws its random number first.
    void FormKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
    void FormKeyPress(TObject* Sender, char16_t& Key);
    void FormKeyUp(TObject* Sender, uint16_t& Key, TShiftState Shift);

    // The viewer's pointer events: b is 0 for the left button, 1 for any other. The same handlers serve the
    // full-screen viewer.
    void GeneralMouseDown(int32_t X, int32_t Y, int32_t b);
    void GeneralMouseUp(int32_t X, int32_t Y, TMouseButton Button);
    void GeneralMouseMove(int32_t X, int32_t Y);
    void VAVodadViewer1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    void VAVodadViewer1MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
    void VAVodadViewer1MouseMove(TObject* Sender, TShiftState Shift, int32_t X, int32_t Y);
    void VAVodadViewer1MouseLeave(TObject* Sender);
    void VAVodadViewer1DblClick(TObject* Sender);
    // Esc: the menu on or off (never during a battle or a request form; never off on the main-menu level).
    void ToggleMenu();
    // The character screen on or off; shen shows the opponent's spellbook.
    void OpenUI(bool shen);

    // ---- Tooltip and basic HUD (UGH_main_hud.cpp) ----
    // Shows tttxt in the box beside (ttx, tty) when ttvis, tooltips are on and the text is new; hides the box
    // for any other text; the text on screen leaves it as it is.
    void handletooltip(int32_t ttx, int32_t tty, const std::string& tttxt, bool ttvis);
    // Every frame (block b6): keys, danger figure, corners, hit and mana points, the held item, experience bar.
    void ProcessBasicHUD();
    TGLHUDText* key_gold_no = nullptr;
    TGLHUDText* key_silver_no = nullptr;
    TGLHUDText* monster_ico_no = nullptr;
    TGLHUDText* PL_HPMP = nullptr;
    TGLHUDSprite* xpbar_bg = nullptr;
    TGLHUDSprite* xpbar = nullptr;
    TGLHUDSprite* aitem_ui = nullptr; // the held item's picture in the bottom right corner
    TGLHUDText* tooltiptxt = nullptr;

    // ---- New game and level change (UGH_main_flow.cpp) ----
    // Reads the adventure's start map, builds it and activates its cell (17, 9); levelno -1.
    void StartNewGame();
    // New game from the main menu: the character screen of a reset character with the name entry over it.
    void NGLaunch();
    // A new character: base values 10, level 1, nothing owned, no keys, no battle pending, script variables
    // empty.
    void ResetStats();
    // The next level (adventureid + levelno), or the map named by param when way is not 0; with random mode on,
    // or when that map file is missing, a generated level. A map that exists but cannot be read is reported
    // and the player stays where he is (levelno as it was). With hardcore set the new level is saved.
    void ChangeLevel(int32_t way, const std::string& param);
    void ChangeLevelNormally();

    // Sets the player light from playerlightdata (the last map read or level generated).
    void ApplyPlayerLight();
    // Reads the map file into the level while the load screen paints, then lights the player as the map says.
    // A map that cannot be read raises and leaves the level and the light as they were.
    void ReadLevel(const std::string& fileName);
    // ---- Saved game (UGH_main_flow.cpp) ----
    // Writes the running game with the player light's current values as the save set and says so; a set that
    // cannot be written is reported naming the file, the old set kept.
    void SaveGame();
    // The save button and F8: refused with hardcore set, where every level change saves.
    void AskToSave();
    // Reads the save set and goes on in its level at the saved cell and facing: bonuses recomputed, exploring,
    // no battle pending, its global scripts started (active), its player light. A missing or broken set is
    // refused naming the file, and the running game (menu or level, scripts, journal) stays as it was.
    void LoadGame();
    // ---- Random map generator (UGH_main_randommap.cpp) ----
    // Fills the level tables with a generated level sized by levelno: a ring of rectangular and diamond rooms
    // joined by L-shaped corridors, a start, an exit, altars, shrines and chests, random doors facing their
    // passage and wall decorations. The caller builds it. Progress texts go to RandomMapProgress.
    void RandomMap();
    // Told what the generator is doing ("placing start and exit"); may be empty.
    std::function<void(const std::string&)> RandomMapProgress;
    // A random item id whose count is 0 and whose itmtype is not 0, among the loaded items; -1 when none.
    int32_t GetUnownedItem();
    // (x, y) is plain floor (passable, no wall, chest, door or trap, spritename "0") between plain floor left
    // and right with walls above and below, or between plain floor above and below with walls left and right.
    static bool CheckDoorSpot(int32_t x, int32_t y);
    // ---- Level construction (UGH_main_level.cpp) ----
    // Builds the whole level from the tables: every cell in use that is not ignored, the free sprites, free
    // meshes and wanderers, the sky box and the scene lights; then the visibility of the whole level and the
    // sprites turned to the player. Each mesh file is read once per build. levelbusy is set while it builds and
    // cleared however it ends.
    void BuildLevel();
    // The objects of cell (i, j) freed and made again (nothing for an ignored cell). A mesh that cannot be read
    // takes its fallback mesh; when that fails too, the object is left out (logged).
    void BuildCell(int32_t i, int32_t j);
    // Frees the cell's wall, door, ceiling, chest, floor, sprite and grass objects.
    void FreeCell(int32_t i, int32_t j);
    // The object of free sprite i or wanderer i made again. A wanderer outside the grid in use is disabled.
    void ModFreeSprite(int32_t i);
    void ModWanderer(int32_t i);
    // With c the free mesh i made again from its mesh file, with its material, shadow casting and fire carrier;
    // without c only placed and turned.
    void ModFreeMesh(int32_t i, bool c);
    // Free mesh i's fire carrier takes a fire effect when it is shown and fire is not switched off.
    void Firestart(int32_t i);
    // For every cell in use: floor := ceil := passable or no wall.
    void AutoPlaceFloorCeil();
    // Sprites facing the player (a fixed free sprite keeps its own facing).
    void OrientCSprite(int32_t sx, int32_t sy);
    void OrientFSprite(int32_t id);
    void OrientWanderer(int32_t id);
    void orientallsprites();
    // The highest index 200..0 of an enabled free mesh (otp 0), free sprite (1) or wanderer (2); 0 with none.
    int32_t GetLast(int32_t otp);
    // Called before a material is assigned; there is nothing to do.
    void AssignTextureOnTheRun(const std::string& name, bool si);
    // Lets go of the level's objects without freeing them: the scene that owns them is going.
    static void ForgetLevelObjects();
    TGLSkyBox* GLSkyBox1 = nullptr;
    TGLFireFXManager* GLFireFXManager1 = nullptr;

    // ---- Roaming monsters and moving free meshes (UGH_main_roaming.cpp) ----
    // The highest index of an enabled wanderer standing on (cx, cy), -1 when none.
    int32_t GetWandererInCell(int32_t cx, int32_t cy);
    // Queues wanderer wic's monster for the next battle, disables the wanderer and runs its script (not while
    // loading). A monster type outside monsters starts nothing (logged). The script may replace the level
    // (levelserial).
    void StartWandererBattle(int32_t wic);
    // Starts the battle of a wanderer on the player's cell; glides every wanderer's plane toward its cell at 20
    // units a second, landing once within a step, sized and raised by its monster; hides a disabled one and one
    // whose monster or cell does not exist. Ends when a wanderer's script replaced the level.
    void ProcessWanderers(double dt);
    // After each activated cell: every enabled chasing wanderer (behav 1) steps to a passable cell no other
    // wanderer holds, toward the player first, then onto him when he is next to it, else a random way; ten tries.
    void MoveWanderers();
    // Each enabled free mesh with a behaviour: 1 moves spd x dlt units per axis, 2 turns spd degrees per call,
    // toward (x2, y2, z2); at the target the ends swap (loop) or the behaviour ends, and its arrival script runs.
    // The mesh is placed again. Ends when an arrival script replaced the level.
    void ProcessFreemeshBehaviour(double dlt);

    // ---- Exploration (UGH_main_explore.cpp) ----
    // One step by (kx, ky) with rs drawn by the caller (0..119 - encsteps; 5 or less may bring an encounter).
    // Refused silently when the target is impassable or outside the map, an edge of the player's cell blocks
    // it, or the camera still glides from the previous step.
    void MovePlayer(int32_t kx, int32_t ky, int32_t rs);
    // Turns by sd quarter turns, wrapping modulo 4; PlayerTurnC only when CheckMoveConds holds.
    void PlayerTurn(int32_t sd);
    void PlayerTurnC(int32_t dir);
    // No menu, inventory, battle, item list or request form is open.
    static bool CheckMoveConds();
    // The grid step of facing ls: 0 (1, 0), 1 (0, -1), 2 (-1, 0), 3 (0, 1); any other ls leaves them alone.
    static void GetDirsFromLookside(int32_t ls, int32_t& dirx, int32_t& diry);
    // Every frame: the camera glides toward the player's cell and turns toward the facing; the player light
    // follows it.
    void PositionCamera(double deltatime);
    void PositionLight();
    // Acts on cell (x, y): doors, chests and the cell's event. Nothing for a cell outside the map.
    void ActivateCell(int32_t x, int32_t y);
    // Carries out event ttp: of cell (x, y) with its parameters when v is 0, with the parameters x and y when
    // v is 1. A missing event text or script is logged and the event skipped.
    void ActivateTrap(int32_t ttp, int32_t x, int32_t y, int32_t v);
    void PlayerSearch(int32_t x, int32_t y);
    // On the exit cell: the question whether to leave the level.
    void CheckLevelSwitch();
    // The message (title, text): localised texts by number in a plain request form.
    void ShowMessagePair(int32_t title, int32_t text);
    // What an opened chest gives by its kind a (0..5).
    void OpenChest(int32_t a);
    // The event script named by the doorno of cell (x, y), its events in file order.
    void RunEventScript(int32_t x, int32_t y);

    // ---- The pending battle list (UGH_main_battlelist.cpp) ----
    // Queues monster type mn (-1: a random one) in the first free entry of battlelist; nothing when all are
    // taken, when no monster fits or when mn names no monster (logged).
    void AddToBL(int32_t mn);
    // A random monster type fit for this level (not the last loaded, no boss, not "none", allowed by
    // mapmonsters, at most levelno + 1 levels above the player); -1 at once, drawing nothing, when none fits.
    int32_t GetRandomMonsterToFight();

    // ---- Battle flow (UGH_main_battle.cpp) ----
    // Opens the battle of battlelist[fo]: the player prepared, the enemy in its slot, the initiative rolled.
    void StartBattle(int32_t fo);
    // The player's hit points, mana and timed effects at the start of a battle, and a whole new hand.
    void StartPlayerBattle();
    // Monster type n (-1: a random one) into the first free slot, marked as coming from battlelist[blid]:
    // scaled to the level's steps and the difficulty, raised toward the player's level with leveling. Refused
    // when blid is in the battle already, no slot is free, or n names no monster (outside 0..100, "none").
    void AddEnemyToBattle(int32_t n, int32_t blid);
    // Every frame of a battle: the queued monsters not in the battle yet join it.
    void joinpending();
    // Not called by the game: the single-enemy opening. Monster type fo (-1: a random one) straight into
    // opponent, scaled and levelled as a joining enemy, its journal entry and its name in the battle log; the
    // player's hit points, mana and timed effects prepared. Refused as AddEnemyToBattle refuses ids.
    void OldStartBattle(int32_t fo);
    // The battle's per-frame state machine (turns, the end test, the round's end).
    void ControlBattle();
    // The start of the player's turn: forced play, damage over time, the mana bonus and regeneration.
    void PlayerBTurn();
    // The acting monster (in opponent) chooses and plays a card.
    void MonsterTurn();
    // The hand slot 0..5 the monster in opponent plays best, -1 when no card scores above 0.
    int32_t MonsterAI();
    // The player's battle commands.
    void PlayerDrawCard(int32_t n);
    void SkipTurn();
    void TryToEscape();
    void SwitchOppon(int32_t dir);
    void SwitchStance();
    // The maximum hit points of chr: its level (uselvl <> 0) or the difficulty, plus endurance; the player
    // counts double; perk effect 6 adds a quarter each; unless ignorebl each queued enemy beyond the first adds
    // 5 - difficulty.
    int32_t CalcMaxHP(const character& chr, int32_t uselvl, bool ignorebl, bool plr);
    // The experience the enemies in the battle are worth together.
    int32_t ebw();

    // ---- Hands, decks and new cards (UGH_main_hand.cpp) ----
    // Draws hando's hand: every slot when it is slower than 35 (and keepturn is not set) or forceall, else only
    // the slot played last; a type-21 curse keeps the hand and may turn it into the curse card. A fighter that
    // owns no card keeps its slots (logged once).
    void ShuffleHand(character& hando, bool forceall);
    // Card sts of the player into the deck, or out of it while more than 34 % of the owned cards are in it.
    void ToggleSpell(int32_t sts);
    // Gives plr card fc, or with fc -1 a new card of its best skill (sd) or a random one; a card it owns
    // already, or none found, gives experience instead (xpb). lastnewcard names the card, -1 none.
    void AddNewCard(bool sd, int32_t fc, bool showpops, bool xpb, bool ignoremana, character& plr);
    // The next card id after searchcstart (wrapping) that ch owns; after more than 100 wraps the id reached.
    int32_t FindNextSpell(int32_t searchcstart, const character& ch);
    // The description of card iuc for tooltips and the item list, CR LF-ended lines; empty unless the player
    // owns it.
    std::string ShowCardInfo(int32_t iuc);
    // Not called by the game: card id into hand slot ns of the player (sd false) or the opponent.
    void SetCard(bool sd, int32_t ns, int32_t id);
    // Not called by the game: draws a deck card into slot ns of a copy of owner; nothing outside changes.
    void ShuffleCard(bool sd, int32_t ns, character owner);

    // ---- Script interpreter and global scripts (UGH_main_script.cpp) ----
    // stxt without its CR and LF, with the starts of its lines for the log.
    static TScriptText preparescript(std::string_view stxt, std::string source);
    // Runs st to its end in a new context; refused (logged) beyond cScriptDepth or once the budget is spent.
    void readscript(const TScriptText& st);
    // Carries out the command whose word equals sfn, the word collected so far in context cpn.
    void dofunc(const std::string& sfn, int32_t cpn);
    // The prepared script of the file gamedir + relativePath ("\scripts\x.txt"); one that is missing or
    // cannot be read raises EGameDataError. Within one top-level run a file is read once (StartScript loads
    // through it, so that a script starting itself stays cheap until the budget ends it).
    const TScriptText& LoadScriptFile(const std::string& relativePath);
    // Runs the script file gamedir + relativePath when it exists (a file that cannot be read is logged). False
    // when the run replaced the level: the caller ends its steps.
    bool RunScriptFile(const std::string& relativePath);
    // The global-script list. addglobscript loads "\scripts\" + name + ".txt" (a missing file raises
    // EGameDataError, a full list EScriptError); processglobscripts runs every active entry once, in order.
    void addglobscript(const std::string& name);
    int32_t findgsid(const std::string& name);
    void stopglobscript(const std::string& name);
    void runglobscript(const std::string& name);
    void removeglobscript(const std::string& name);
    void cleargslist();
    void processglobscripts();

    // ---- Game buttons (UGH_main_buttons.cpp) ----
    // Once at start-up, after the HUD objects: the membership sets and every size, caption, material prefix,
    // tooltip and fixed place of the 63 buttons.
    void definebutsets();
    // Every frame: each button's visibility from the mode, its place, its pointer state and its picture
    // ("but_" or its own prefix, + state), assigned only when the name changes. A failing section puts its tag in
    // frameerrors and the pass goes on.
    void ProcessButtons();
    // Runs button id's action and puts its state back to normal; -1 does nothing. While a request form is shown
    // only the form's buttons (40..45, 48, 49, 55..58) act.
    void ClickGButton(int32_t id);
    // F4 and the main menu's editor button: leaves full screen, then shows the map editor.
    void ShowMapEditor();
    // The map editor window (made by the program after this one); nullptr without one.
    TForm* MapEditorForm = nullptr;

    // ---- Sound and music (UGH_main_sound.cpp) ----
    // Both lists and every sample they name into GLSoundLibrary1, each under its name + ".wav" (from the ".mp3"
    // file when there is one); nothing under fullmute. A missing list raises EGameDataError naming it; a sample
    // that cannot be read stays empty and silent, is logged, and the others load all the same.
    void LoadSounds();
    // Plays the listed effect sndn once on GLSphere2; nothing under fullmute, with sound off, before the lists
    // are loaded or without an active sound manager.
    void DoSound(const std::string& sndn);
    // The frame's music: wantedtrack from the game's state, started on GLSphere1 as the emitter "coalmusic"
    // whenever it differs from currenttrack.
    void ControlMusic();
    TMusicFiles musicfiles;

    // ---- Battle effects display, floating texts and battle logs (UGH_main_battleview.cpp) ----
    // The enemy's picture (defeated when its hit points are gone), its element sign and both effect columns.
    void VisualizeBattle(int32_t oppon);
    // monster_img shows "mon_" + mimid, or "mon_" + mimid + "_d" once ehp <= 0.
    void RefreshMonsterImg(int32_t mimid, int32_t ehp);
    // effectlists from the active timed effects of player and opponent, in type order.
    void fillefflist();
    // Lays out both effect columns from effectlists; HideChEffects hides all their icons and counters.
    void ShowChEffects();
    void HideChEffects();
    // A floating text of kind ptype (0 damage, 1 healing, 2 mana) for side 0 (the player acts) or 1.
    void AddDmgPop(int32_t side, const std::string& text, int32_t ptype);
    // Moves the floating texts one step, retires those off the view and shows the rest.
    void HandleDMGPops(double dt);
    // The battle log window (only with showbtllog): a line added; shown and emptied; hidden.
    void AddToBattleLog(const std::string& bltxt);
    void ShowBattleLog();
    void HideBattleLog();
    // btlmsgtext from btlmsgs (only with shortbtllog), each entry wrapped.
    void ProcessBmsg();
    // The portraits of the battle's enemies beside the monster picture, each with its hit points while alive;
    // all hidden outside a battle or under the menu, character screen or item list.
    void ShowEnemyPortraits();
    // Names and descriptions of effect types 1..24, classes 0..3 and elements 0..4 in the given string table;
    // "--none--" for anything else.
    static std::string GetETypeName(int32_t type, const TBoundedTable<std::string, 0, 10000>& strings);
    static std::string GetETypeDesc(int32_t type, const TBoundedTable<std::string, 0, 10000>& strings);
    static std::string GetEClassName(int32_t eclass, const TBoundedTable<std::string, 0, 10000>& strings);
    static std::string GetElName(int32_t element, const TBoundedTable<std::string, 0, 10000>& strings);

    // ---- Battle screen and character screen (UGH_main_display.cpp) ----
    // Block b3: the battle screen laid out from the battle's state while btlmode is set (the monster picture,
    // its name, the hit and mana points, the short log, the hand cards, the bars and the played cards' flights),
    // hidden while no battle runs or the character screen or item list covers it; the character screen and the
    // menu shown with their modes.
    void ShowBattleScreen(double deltatime);
    // Block b4's character screen for the opponent while showenemy, else the player: names, values, effects,
    // the monster's description, the selected item and the spellbook's label. Clears uirefresh.
    void ShowCharacterScreen();
    // The sky box round the origin, upright and facing +x (every frame of block b4).
    void ResetSkyBox();
    TGLHUDText* monster_name = nullptr;
    TGLHUDText* player_hp = nullptr;
    TGLHUDText* player_mp = nullptr;
    TGLHUDText* battle_message = nullptr;
    TGLHUDText* char_name = nullptr;
    TGLHUDText* char_strength = nullptr;
    TGLHUDText* char_intelligence = nullptr;
    TGLHUDText* char_speed = nullptr;
    TGLHUDText* char_endurence = nullptr;
    TGLHUDText* char_sword = nullptr;
    TGLHUDText* char_bow = nullptr;
    TGLHUDText* char_armor = nullptr;
    TGLHUDText* char_magic = nullptr;
    TGLHUDText* char_bp = nullptr;
    TGLHUDText* char_xp = nullptr;
    TGLHUDText* char_effects = nullptr;
    TGLHUDSprite* mondescbg = nullptr; // the monster description's panel
    TGLHUDText* char_desc = nullptr;
    TGLHUDSprite* aitem = nullptr;     // the selected item's picture
    TGLHUDText* aitem_name = nullptr;
    TGLHUDText* spellbook_txt = nullptr;

    // ---- Card play and damage (UGH_main_cards.cpp) ----
    // Plays hand slot no (0..6) of user against target, side 0 the player, 1 a monster: checks and costs, damage,
    // heal, mana, the timed effect, the card's script, pops and messages. Always ends the turn (turndone); the
    // player's target goes back to its battle slot.
    void UseCard(int32_t no, int32_t side, character& user, character& target);
    // The damage of card cid played by side (0 the player, 1 a monster) with the user's scaled governing skill
    // gsl and both fighters' effective attributes. ubl rolls it and logs each step; without ubl it is the
    // expected damage: nothing is drawn (the base is the middle of the span, the resistance roll counts 25, no
    // miss) and only the resistance, element and percent lines are logged.
    int32_t CalcDmg(int32_t side, int32_t cid, int32_t gsl, int32_t ustr, int32_t uint, int32_t uspd, int32_t uend,
        int32_t tstr, int32_t tint, int32_t tspd, int32_t tend, const character& user, const character& target,
        bool ubl, bool wascrit);
    // Dispels es points of effects: the user's harmful ones when effdir is 0, the target's beneficial ones else.
    void ProcDispell(int32_t effdir, int32_t es, character& user, character& target);
    // The hit-point cost hpc after the user's cost-reducing perks.
    int32_t gethpcdrop(int32_t hpc, const character& user);

    // ---- Character progression: perks' coded effects, bonuses, experience and items (UGH_main_progress.cpp) ----
    // How many perks 0..100 chr owns whose coded effect is n.
    int32_t CheckCodedPerkEff(const character& chr, int32_t n);
    // The player meets item id's requirements (base values, perk, item, species).
    bool checkitemreqirements(int32_t id);
    // attrbonus from the owned or worn items and the owned enabled perks; every effective value := base + bonus.
    void defineparbonuses();
    // cta gains amount experience (more with the player's coded effect 4) and a request form tells it; reason
    // 0, 3, 4, 5 are sword, bow, armor, magic practice, 1 a battle, 2 a card already owned.
    void AddXP(int32_t reason, int32_t amount, character& cta);
    // n2 more (or fewer, never below 0) of item n1; an id outside 0..1000 is ignored (logged).
    void AddItem(int32_t n1, int32_t n2);
    // A random line of the loot list; -1 (logged) when the list is missing or empty or the line is no number.
    int32_t RandomLoot();
    // One level a call while the player's experience exceeds xpreq: the next threshold, the form and sound,
    // 4 attribute points (more with coded effect 16), a perk point every 4th level, a card every 2nd.
    void LevelUp();
    // n more perk or attribute points, told by a form while scriptpopups; useperk adds coded effect 16.
    void AddPerkPoints(int32_t n);
    void AddAttrPoints(int32_t n, bool useperk);
    // The player meets perk pn's requirements (effective values, perk, species).
    bool checkperkrq(int32_t pn);
    // Makes the last item whose recipe is the pair it1, it2 (either order) from one of each (two of an item
    // crafted with itself); without a recipe or the stock for it a form refuses.
    void TryToCraft(int32_t it1, int32_t it2);
    // t = 1 or -1: selitem to the next or previous owned item (left alone when none is owned); t = 0: the
    // selected item is used: craftmode switches and equipment is worn.
    void InventoryButtonClick(int32_t t);
    // perklist ordered by species requirement, then requirement sum, then id.
    void genperklist();
    // The next position of perklist from perkcursor in direction direc whose perk is enabled; perkcursor itself
    // when no perk is.
    int32_t GetNextEnabledPerk(int32_t direc);

    // ---- The item list (UGH_main_itemlist.cpp) ----
    // The entry of itemgrid under the view point (x, y) on the current page, -1 for none.
    int32_t getilundercursor(int32_t x, int32_t y);
    // itemgrid from the owned items or cards, then the cells of the current page dressed.
    void SetupItemList();
    // The description of item iuc in CR LF-ended lines: kind, bonuses, requirements; with showdesc the item's
    // description file when it exists.
    std::string ShowItemInfo(int32_t iuc, bool showdesc);
    // Every frame (block b2): the description panel beside the item list, hidden outside it.
    void ProcessItemList();

    // ---- The perk panel and the paper doll (UGH_main_doll.cpp) ----
    // The doll of the player (body parts and worn items, bparts) or, while showenemy, the enemy's picture
    // (charpic), made anew beside the character screen's background.
    void ConstructCharacter();
    // The icons of the perks perkman owns beside the character screen's background, each with its tooltip area.
    void formperkvisuals(const character& perkman);
    // Every frame (block b7): the perk panel of perklist[perkcursor], shown while the character screen and the
    // panel are and no enemy is.
    void ProcessPerkPanel();
    // The doll's layers bpart1..bpart13 (nullptr until built; bpart6 the wings) and the enemy's picture.
    TBoundedArray<TGLHUDSprite*, 1, 13> bparts{};
    TGLHUDSprite* charpic = nullptr;
    TGLDummyCube* dcperked = nullptr;
    TGLHUDText* perk_name = nullptr;
    TGLHUDText* perkdesc = nullptr;
    TGLHUDText* perkdesc2 = nullptr;
    TGLHUDSprite* perkimage = nullptr;
    TGLHUDText* invitmdesctxt = nullptr;
    TGLHUDSprite* invitmimage = nullptr;
    TGLHUDText* invhelptxt = nullptr;
    // Death: back to the main-menu level with a new character (UGH_main_flow.cpp).
    void KillPlayer();

    // ---- Components (made by the scene table, owned by the window) ----
    TVAVodad* VAVodad1 = nullptr;
    TVAVodadViewer* VAVodadViewer1 = nullptr;
    TGLCamera* mcam = nullptr;
    TGLCadencer* GLCadencer1 = nullptr;
    TGLCadencer* GLCadencer2 = nullptr;
    TGLMaterialLibrary* matlib = nullptr;
    TGLMaterialLibrary* matlib2 = nullptr;
    TGLWindowsBitmapFont* GLWindowsBitmapFont1 = nullptr;
    TGLWindowsBitmapFont* GLWindowsBitmapFont2 = nullptr;
    TGLWindowsBitmapFont* GLWindowsBitmapFont3 = nullptr;
    TGLWindowsBitmapFont* GLWindowsBitmapFont4 = nullptr;
    TGLTexCombineShader* GLTexCombineShader1 = nullptr;
    TGLSLPostPixelateShader* PixelateShader = nullptr;
    TGLPostShaderHolder* PostShaderHolder = nullptr;
    TGLShadowVolume* shadowz = nullptr;
    TGLLightSource* playerlight = nullptr;
    TTimer* Timer1 = nullptr;
    TTimer* Timer2 = nullptr;
    TGLSMOpenAL* GLSMOpenAL1 = nullptr;
    TGLSoundLibrary* GLSoundLibrary1 = nullptr;

    // ---- Scene objects used by the steps built so far ----
    TGLDummyCube* dcgame = nullptr;
    TGLDummyCube* dcgameb = nullptr;
    TGLDummyCube* dcuibg = nullptr;
    TGLDummyCube* dcuimiddle = nullptr;
    TGLDummyCube* dcuifront = nullptr;
    TGLDummyCube* dccharscreen = nullptr;
    TGLDummyCube* dctextdummy = nullptr;
    TGLDummyCube* inventory = nullptr;
    TGLDummyCube* inventoryf1 = nullptr;
    TGLDummyCube* inventoryf2 = nullptr;
    TGLDummyCube* dcperkicon = nullptr;
    TGLDummyCube* dcmenu = nullptr;
    TGLDummyCube* dcrf = nullptr;
    TGLDummyCube* dcrff = nullptr;
    TGLDummyCube* dctooltip = nullptr;
    TGLDummyCube* dcload = nullptr;
    TGLCone* playercone = nullptr;
    TGLSphere* GLSphere1 = nullptr;
    TGLSphere* GLSphere2 = nullptr;
    TGLPlane* GLPlane1 = nullptr;
    TGLHUDSprite* loadscr_b = nullptr;
    TGLHUDSprite* loadscr_f = nullptr;
    TGLHUDText* loadtxt = nullptr;
    TGLHUDText* levelname = nullptr;
    TGLHUDSprite* reqform = nullptr;
    TGLHUDSprite* reqform_dark = nullptr;
    TGLHUDSprite* spellfound = nullptr; // the request's picture beside the form
    TGLHUDText* rf_title = nullptr;
    TGLHUDText* rf_text = nullptr;
    TGLHUDSprite* usedcard = nullptr;
    TGLHUDSprite* usedcard2 = nullptr;
    TGLHUDSprite* titlecard = nullptr;
    TGLHUDSprite* teleport_glow = nullptr;
    TGLHUDSprite* minimap = nullptr; // its texture is drawn by WorkOnMinimap
    TBoundedArray<TGLHUDSprite*, 1, 8> icons;   // icon1 .. icon8
    TGLHUDSprite* element_icon = nullptr;
    TGLHUDSprite* csbackground = nullptr;
    TGLHUDSprite* csperkbg = nullptr;
    TGLHUDSprite* trbg = nullptr;
    TGLHUDSprite* key_silver = nullptr;
    TGLHUDSprite* key_gold = nullptr;
    TGLHUDSprite* monster_ico = nullptr;
    TGLHUDSprite* corner_tl = nullptr;
    TGLHUDSprite* corner_tr = nullptr;
    TGLHUDSprite* corner_bl = nullptr;
    TGLHUDSprite* monster_img = nullptr;
    TGLHUDSprite* pl_hpbar_bg = nullptr;
    TGLHUDSprite* pl_mpbar_bg = nullptr;
    TGLHUDSprite* monster_hpbar_bg = nullptr;
    TGLHUDSprite* pl_hpbar = nullptr;
    TGLHUDSprite* pl_mpbar = nullptr;
    TGLHUDSprite* monster_hpbar = nullptr;
    TGLHUDSprite* monster_sign = nullptr;
    TGLHUDSprite* ilpanel = nullptr;
    TGLHUDSprite* invitmdesc = nullptr;
    TGLHUDSprite* invhelpbg = nullptr;
    TGLHUDSprite* tooltipbg = nullptr;

    // ---- HUD objects made at run time, each a child of its layer (the catalogue and prepareuiobjects) ----
    TBoundedArray<TGLHUDSprite*, 0, 62> gbsprites{}; // one per game button
    TBoundedArray<TGLHUDText*, 0, 62> gbtexts{};
    TBoundedArray<TGLHUDSprite*, 0, 5> handcards{};
    TBoundedArray<TGLHUDSprite*, 0, 100> perkicons{};
    TBoundedArray<TGLHUDSprite*, 0, 10> enemyicons{}; // by battle slot
    TBoundedArray<TGLHUDText*, 0, 10> enemyiconlabels{};
    TBoundedArray<TGLHUDText*, 0, 100> dmgtexts{};
    // The item list's cells [column][row]: three picture layers and a text.
    TBoundedArray<TBoundedArray<TGLHUDSprite*, 0, 9>, 0, 9> ilgrid1{}, ilgrid2{}, ilgrid3{};
    TBoundedArray<TBoundedArray<TGLHUDText*, 0, 9>, 0, 9> ilgridtext{};
    TGLHUDText* iltext1 = nullptr;
    TGLHUDText* iltext2 = nullptr;
    // The timed-effect columns [side: 0 the player, 1 the opponent][list position 1..100].
    TBoundedArray<TBoundedArray<TGLHUDSprite*, 1, 100>, 0, 1> effecticons{};
    TBoundedArray<TBoundedArray<TGLHUDText*, 1, 100>, 0, 1> effecttexts{};
    TBoundedArray<TGLLightSource*, 0, 6> scenelights;

protected:
    // The minimise system command (61472) minimises the application; every other goes to the form.
    void WndProc(TMessage& Message) override;

private:
    // Builds the window's components and scene objects from the scene table (UGH_main_scene.cpp).
    void BuildScene();
};

extern TForm1* Form1;
