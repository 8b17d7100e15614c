// The demo adventure's generator: the same sources give the same bytes, a second run touches nothing, and what
// it writes reads back through the game's own readers. Its source compilers refuse bad lines by file and line.
#include "DemoContent.h"
#include "DemoData.h"
#include "DemoOutput.h"
#include "DemoSources.h"
#include "GLSound.h"
#include "UGH_main.h"

#include "GameDataFolder.h"
#include "JPEG.h"
#include "PngImage.h"
#include "Raises.h"
#include "TGA.h"
#include "ZipEntries.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <tuple>

namespace fs = std::filesystem;

namespace {

// Every file below folder by its relative path, with its bytes; folders as empty entries ending in "/".
std::map<std::string, std::string> FolderContents(const TempFolder& folder)
{
    std::map<std::string, std::string> contents;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder.path)) {
        const std::string name = fs::relative(entry.path(), folder.path).generic_string();
        if (entry.is_directory()) contents[name + "/"];
        else contents[name] = folder.Read(name);
    }
    return contents;
}

// The generator runs for seconds under the sanitizers, so the suite runs it once into a shared folder that the
// tests read (gamedir points at it); only the second-run test writes, into a copy of its own.
class DemoData : public GameDataFolder {
protected:
    static void SetUpTestSuite()
    {
        shared = std::make_unique<TempFolder>();
        firstRun = WriteDemoData(MIREFALL_DEMO_SOURCES, shared->path.string());
    }
    static void TearDownTestSuite() { shared.reset(); }
    // The names the sprite list gives, its lines' first fields.
    static std::vector<std::string> SpriteNames()
    {
        std::vector<std::string> names;
        for (const std::string& line : ReadLines(GamePath("\\textures\\spritelist.txt")))
            names.push_back(SpriteListField(line, 0));
        return names;
    }
    void SetUp() override
    {
        GameDataFolder::SetUp();
        gamedir = data.string();
    }

    static std::unique_ptr<TempFolder> shared;
    static TDemoWriteCount firstRun; // the run into the shared folder, which started empty
    const fs::path data = shared->path;
};
std::unique_ptr<TempFolder> DemoData::shared;
TDemoWriteCount DemoData::firstRun;

TEST_F(DemoData, SameSourcesGiveSameBytesAndASecondRunTouchesNothing)
{
    // The suite's run into an empty folder wrote every file; the second run below, into a copy of that folder,
    // finds every file but the damaged one with the bytes it makes: the same sources gave the same bytes. (Two
    // full runs into fresh folders would do the same, at twice the time.)
    fs::copy(data, folder.path, fs::copy_options::recursive);
    const TDemoWriteCount& first = firstRun;
    const auto contents = FolderContents(folder);
    EXPECT_EQ(first.unchanged, 0);
    for (const char* name :
         {"gh.cfg", "text/adventureid.txt", "text/en/strings.txt", "text/en/cpe.txt", "levels/mm_map.map",
          "levels/mm_map/mapname_en.txt", "levels/mm_map/skybox.txt", "levels/startmap.map", "levels/map_0.map",
          "levels/startmap/lightdata.txt", "levels/map_0/monsterlist.txt", "saves/", "screenshots/",
          "textures/splashscreen.jpg", "textures/pq/0/tex_9.tga", "textures/lq/loadscr/1.tga", "cards/4.crd",
          "perks/p_2.prk", "monsters/2.mon", "items/5.lot", "items/lootlist.txt", "text/en/overrides/spells/1.txt",
          "text/en/overrides/perks/1.txt", "text/en/overrides/monsters/1.txt", "text/en/overrides/items/1.txt",
          "levels/map_2.map", "meshes/m_wall.obj", "meshes/m_door_0_o.obj", "meshes/crate.red", "scripts/scr_1.txt",
          "text/en/txt_1.txt", "text/en/txt_1_h.txt", "textures/lq/1/tex_9.tga", "textures/pq/skyboxes/1/top.tga"})
        EXPECT_TRUE(contents.contains(name)) << name;

    // Unchanged files keep their time; a damaged one is written again.
    const fs::path map = folder.path / "levels" / "mm_map.map";
    const auto written = fs::last_write_time(map) - std::chrono::hours(1);
    fs::last_write_time(map, written);
    folder.Write("text/adventureid.txt", "damaged");
    const TDemoWriteCount again = WriteDemoData(MIREFALL_DEMO_SOURCES, folder.path.string());
    EXPECT_EQ(gamedir, data.string()); // the generator's staging leaves gamedir as it found it
    EXPECT_EQ(again.written, 1);
    EXPECT_EQ(again.unchanged, first.written - 1);
    EXPECT_EQ(fs::last_write_time(map), written);
    EXPECT_EQ(FolderContents(folder), contents);
}

TEST_F(DemoData, TheGameReadsWhatItWrites)
{
    texquality = 7;
    ReadConfig();
    EXPECT_EQ(lng, "en");
    EXPECT_EQ(texquality, 1);
    EXPECT_EQ(qualitydir, "hq");
    EXPECT_EQ(adventureid, "map_");
    EXPECT_EQ(viewdist, 15);
    // Software GL: no shadow volumes. Sound is on.
    EXPECT_FALSE(shadows);
    EXPECT_FALSE(fullmute);
    // A step takes half a second; grass grows outdoors.
    EXPECT_EQ(movespeed, 400);
    EXPECT_FALSE(nograss);

    fillstrarr(lng, strarr);
    EXPECT_EQ(strarr[301], "Loading");
    EXPECT_EQ(strarr[302], "Saving");
    EXPECT_EQ(strarr[131], "Battle log");
    for (const int index : {144, 149, 150, 155, 159, 162, 163, 185, 187, 189, 197, 345})
        EXPECT_FALSE(strarr[index].empty()) << index;
    // Exploring: the request forms' buttons, the level exit, altars, locks, chests, searching, the species, the
    // altars of the three paths, silence, the search texts of events, elements, runic altars and the orb.
    std::vector<int> exploring = {1, 90, 102, 320, 321, 359, 360, 361, 362, 363, 384, 385};
    for (const auto& [first, last] : {std::pair{9, 32}, {79, 88}, {91, 94}, {97, 101}, {322, 331}, {353, 357}})
        for (int index = first; index <= last; ++index) exploring.push_back(index);
    for (const int index : exploring) EXPECT_FALSE(strarr[index].empty()) << index;
    EXPECT_EQ(strarr[99].find('&'), std::string::npos); // the table's line break mark became one
    // The interface: buttons' captions and tooltips, the HUD's and the character screen's tooltips, the request
    // forms, the journal and the credits.
    std::vector<int> interface = {0,   2,   3,   4,   5,   6,   7,   8,   48,  49,  62,  89,  108, 117, 122, 127,
                                  145, 167, 168, 171, 174, 175, 176, 183, 191, 206, 209, 305, 306, 342, 345, 346,
                                  347, 352, 370, 371, 389, 390, 391, 392, 393, 398, 401, 402, 412, 414, 415};
    for (const auto& [first, last] : {std::pair{262, 266}, {273, 280}, {285, 300}})
        for (int index = first; index <= last; ++index) interface.push_back(index);
    for (const int index : interface) EXPECT_FALSE(strarr[index].empty()) << index;
    // Battles: a card's play and its log lines, the floating numbers, the timed effects' names and descriptions, a
    // card's description, attributes and skills, experience, a new level and loot, escape and stance.
    std::vector<int> battle = {25,  33,  46,  47,  63,  95,  143, 146, 147, 148, 170, 178, 184, 193, 195,
                               196, 208, 236, 239, 240, 244, 245, 246, 247, 248, 250, 251, 281, 282, 283,
                               284, 303, 304, 311, 332, 333, 341, 343, 344, 358, 386, 387, 411, 413};
    for (const auto& [first, last] : {std::pair{36, 45}, {53, 61}, {64, 77}, {103, 107}, {133, 142}, {210, 234},
                                      {252, 261}, {268, 271}, {313, 316}, {366, 369}, {373, 379}})
        for (int index = first; index <= last; ++index) battle.push_back(index);
    for (const int index : battle) EXPECT_FALSE(strarr[index].empty()) << index;
    EXPECT_EQ(strarr[47], " has reached level "); // joined to a name and a number: its quotes keep its blanks
    // An effect's message ends "... for <n> " + strings 71 + ".": the word brings no full stop of its own.
    EXPECT_FALSE(strarr[71].ends_with('.')) << strarr[71];
    // Death and the adventure's end, saving, the character screen, the perk panel and the item list.
    for (const int index : {34,  35,  128, 129, 169, 172, 173, 177, 179, 180, 181, 182, 192, 194, 200, 201,
                            202, 203, 204, 205, 242, 243, 318, 319, 334, 335, 336, 337, 364, 394, 395, 396, 410})
        EXPECT_FALSE(strarr[index].empty()) << index;
    EXPECT_EQ(strarr[10000], ""); // not listed

    LoadMap(GamePath("\\levels\\mm_map.map"));
    EXPECT_EQ(mapid, "mm_map");
    EXPECT_EQ(mapname, "The Sunken Hall");
    EXPECT_EQ(mapmaxx, 19);
    EXPECT_EQ(mapmaxy, 11);
    const lcell& start = levelgrid[startx][starty];
    EXPECT_TRUE(start.passable && start.floor && !start.wall);
    EXPECT_EQ(start.plz, 10);
    EXPECT_TRUE(levelgrid[exitx][exity].passable);
    EXPECT_TRUE(levelgrid[0][0].wall);
    EXPECT_FALSE(levelbusy);
    // Cell sprites are loaded from the sprite list.
    const std::vector<std::string> sprites = SpriteNames();
    int placed = 0;
    for (int32_t x = 0; x <= mapmaxx; ++x)
        for (int32_t y = 0; y <= mapmaxy; ++y)
            if (const std::string& sprite = levelgrid[x][y].spritename; sprite != "0") {
                ++placed;
                EXPECT_NE(std::find(sprites.begin(), sprites.end(), sprite), sprites.end()) << sprite;
            }
    EXPECT_GT(placed, 0);
}

TEST_F(DemoData, EveryQualityHoldsTheWallSetsAndTheListedPicturesAtItsSize)
{
    const std::vector<std::string> sprites = SpriteNames();
    // The generated levels hang the list's wall decorations (purpose 1) with the size the list gives.
    std::vector<std::tuple<std::string, int32_t, int32_t>> decorations;
    for (const spritelistitem& sprite : ReadSpriteList(GamePath("\\textures\\spritelist.txt")))
        if (sprite.purpose == 1) decorations.emplace_back(sprite.name, sprite.size, sprite.size2);
    EXPECT_EQ(decorations, (std::vector<std::tuple<std::string, int32_t, int32_t>>{{"dec_banner", 8, 14},
                                                                                    {"dec_shield", 9, 9}}));
    std::vector<std::string> withAlpha = ReadLines(GamePath("\\textures\\uilist.txt"));
    EXPECT_EQ(withAlpha.size(), 2u);
    withAlpha.insert(withAlpha.end(), {"empty", "port_glow", "spr_barrel1", "spr_grass", "spr_keyshrines"});
    const auto picture = [](const std::string& path) {
        auto tga = std::make_unique<TTGAImage>();
        tga->LoadFromFile(GamePath(path));
        return tga;
    };
    const std::pair<const char*, const char*> wallSets[] = {{"0", "Old Halls"}, {"1", "Green Grotto"}};
    for (const auto& [quality, scale] : {std::pair{"hq", 1}, {"lq", 2}, {"pq", 4}}) {
        const std::string textures = std::string("\\textures\\") + quality + "\\";
        for (const auto& [set, name] : wallSets) {
            for (int role = 0; role <= 9; ++role) {
                const auto wall = picture(textures + set + "\\tex_" + std::to_string(role) + ".tga");
                EXPECT_EQ(std::make_tuple(wall->Width(), wall->Height(), wall->PixelFormat()),
                          std::make_tuple(128 / scale, 128 / scale, pf24bit))
                    << quality << " " << set << " " << role;
            }
            EXPECT_EQ(ReadLines(GamePath(textures + set + "\\arid.txt")), (std::vector<std::string>{name, "-1"}));
        }
        EXPECT_FALSE(fs::exists(data / "textures" / quality / "2")); // the sets end at the first gap
        for (const std::string& name : sprites) EXPECT_GT(picture(textures + name + ".tga")->Width(), 0) << name;
        for (const std::string& name : withAlpha)
            EXPECT_EQ(picture(textures + name + ".tga")->PixelFormat(), pf32bit) << name;
        for (const char* screen : {"0", "1"})
            EXPECT_EQ(picture(textures + "loadscr\\" + screen + ".tga")->Width(), 256 / scale);
    }
    TJPEGImage splash;
    splash.LoadFromFile(GamePath("\\textures\\splashscreen.jpg"));
    EXPECT_GE(splash.Width(), 450);
    EXPECT_GE(splash.Height(), 300);
}

TEST_F(DemoData, EverySoundTheGameAndTheCardsNameIsListedAndLoads)
{
    // Each list names sounds whose file the engine reads (an MP3 before a WAV of the same name).
    TGLSoundLibrary library(nullptr);
    const auto load = [&](const std::string& folder, const std::string& list) {
        const std::vector<std::string> names = ReadLines(GamePath("\\sounds\\" + folder + "\\" + list));
        for (const std::string& name : names) {
            const std::string file = "sounds/" + folder + "/" + name;
            const bool mp3 = fs::exists(data / (file + ".mp3"));
            TGLSoundSample* sample = nullptr;
            EXPECT_NO_THROW(sample = library.Samples()->AddFile((data / (file + (mp3 ? ".mp3" : ".wav"))).string(), name))
                << name;
            if (sample) {
                EXPECT_GT(sample->Data()->LengthInBytes(), 0) << name;
            }
        }
        return names;
    };
    const std::vector<std::string> effects = load("audio", "soundlist.txt");
    const std::vector<std::string> music = load("music", "musiclist.txt");
    const auto listed = [](const std::vector<std::string>& names, const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    std::vector<std::string> named = {"snd_footsteps", "snd_door", "snd_locked", "snd_chest", "snd_port",
                                      "snd_levelup", "snd_btn", "snd_btnovr", "skl_sword", "skl_bow", "skl_magic",
                                      "skl_armour"};
    std::vector<std::string> tracks = {"menu", "battle", "peace0"};
    const TDemoContent content = ReadContent(MIREFALL_DEMO_SOURCES);
    for (const TDemoEntry<card>& c : content.cards)
        if (c.record.sound != "0") named.push_back(c.record.sound);
    for (const TDemoEntry<character>& monster : content.monsters)
        if (monster.record.boss) tracks.push_back(monster.record.name);
    EXPECT_EQ(tracks.back(), "Warden of the Mire");
    for (const std::string& name : named) EXPECT_TRUE(listed(effects, name)) << name;
    for (const std::string& name : tracks) EXPECT_TRUE(listed(music, name)) << name;

    // Each form the engine reads: 8-bit mono, 16-bit stereo, a "LIST" chunk between format and data, an MP3.
    const auto form = [&](const std::string& name) {
        const TGLSoundSampling& sampling = library.Samples()->GetByName(name)->Data()->Sampling();
        return std::make_tuple(sampling.BitsPerSample(), sampling.NbChannels());
    };
    EXPECT_EQ(form("snd_btn"), std::make_tuple(8, 1));
    EXPECT_EQ(form("snd_port"), std::make_tuple(16, 2));
    EXPECT_EQ(form("snd_footsteps"), std::make_tuple(16, 1));
    const std::string chest = shared->Read("sounds/audio/snd_chest.wav");
    EXPECT_LT(chest.find("fmt "), chest.find("LIST"));
    EXPECT_LT(chest.find("LIST"), chest.find("data"));
    EXPECT_TRUE(fs::exists(data / "sounds/music/menu.mp3"));
}

TEST_F(DemoData, TheContentReadsBackThroughTheGamesReaders)
{
    const auto path = [](const std::string& relative) { return GamePath(relative); };
    const auto exists = [&](const std::string& relative) { return fs::exists(data / relative); };
    // Fifty cards, eight perks, six monsters and twelve items, each table ending at its first gap.
    for (const auto& [file, count] : {std::pair{"cards/%d.crd", 50}, {"perks/p_%d.prk", 8}, {"monsters/%d.mon", 6},
                                      {"items/%d.lot", 12}}) {
        for (int id = 0; id < count; ++id) EXPECT_TRUE(exists(Format(file, {id}))) << file << " " << id;
        EXPECT_FALSE(exists(Format(file, {count}))) << file;
    }

    std::vector<card> deck;
    for (int id = 0; id < 5; ++id) deck.push_back(LoadCard(path("\\cards\\" + std::to_string(id) + ".crd"), "en"));
    EXPECT_EQ(std::count_if(deck.begin(), deck.end(), [](const card& c) { return c.govskill == 0 && c.dmgph > 0; }), 2);
    EXPECT_EQ(deck[1].name, "Lunging thrust"); // its override
    EXPECT_EQ(deck[2].govskill, 1);
    const card& bolt = deck[3];
    EXPECT_EQ(std::make_tuple(bolt.element, bolt.addeffect, bolt.efflgth, bolt.effdir, bolt.mindam, bolt.consumes),
              std::make_tuple(4, 7, 2, 1, 6, -1));
    EXPECT_GT(deck[4].addhp, 0);
    EXPECT_EQ(deck[4].dmgph, 0);
    for (const card& c : deck) EXPECT_TRUE(c.active && c.enabled) << c.name;
    EXPECT_EQ(std::make_tuple(deck[0].sound, deck[3].sound, deck[4].sound), std::make_tuple("0", "crd_fire", "crd_mend"));

    const perk keen = LoadPerk(1, path("\\perks\\p_1.prk"));
    EXPECT_TRUE(keen.enabled);
    EXPECT_EQ(std::make_tuple(keen.recagi, keen.recbw, keen.addbw, keen.addcoded, keen.recrace),
              std::make_tuple(4, 2, 1, 1, -1));
    const perk spark = LoadPerk(2, path("\\perks\\p_2.prk"));
    EXPECT_EQ(std::make_tuple(spark.recperk, spark.addcard, spark.addmg), std::make_tuple(0, 3, 1));
    EXPECT_EQ(ReadLines(path("\\text\\en\\overrides\\perks\\1.txt")), std::vector<std::string>{"Eagle eye"});

    const character rat = LoadChar(path("\\monsters\\0.mon"));
    const character skeleton = LoadChar(path("\\monsters\\1.mon"));
    const character warden = LoadChar(path("\\monsters\\2.mon"));
    EXPECT_EQ(std::make_tuple(rat.lvl, rat.boss, rat.loot, rat.speed), std::make_tuple(12, false, -1, 4));
    EXPECT_TRUE(rat.spellbook[5] && rat.spellbook[6] && !rat.spellbook[0]);
    EXPECT_EQ(std::make_tuple(skeleton.lvl, skeleton.spec, skeleton.loot, skeleton.lootchance, skeleton.armor),
              std::make_tuple(30, 3, 2, 40, 2));
    EXPECT_TRUE(skeleton.spellbook[7] && skeleton.spellbook[9] && !skeleton.spellbook[0]);
    EXPECT_TRUE(warden.boss);
    EXPECT_TRUE(warden.perks[0] && warden.spellbook[22]);
    EXPECT_EQ(std::make_tuple(warden.magic, warden.armor, warden.w_zs), std::make_tuple(6, 5, 2)); // magic before armor
    EXPECT_EQ(warden.oname, "Warden of the Mire");
    EXPECT_EQ(ReadLines(path("\\text\\en\\overrides\\monsters\\1.txt")), std::vector<std::string>{"Old bones"});

    std::vector<loot> items;
    for (int id = 0; id < 6; ++id) items.push_back(LoadLoot(path("\\items\\" + std::to_string(id) + ".lot")));
    for (int id = 0; id < 6; ++id) EXPECT_EQ(items[id].id, id);
    EXPECT_EQ(items[0].itmtype, 0);
    EXPECT_EQ(items[1].overridename, "Bog moss");
    EXPECT_EQ(std::make_tuple(items[2].itmtype, items[3].itmtype, items[4].itmtype, items[5].itmtype),
              std::make_tuple(1, 2, 3, 4));
    EXPECT_EQ(items[4].l_armor, 0);
    EXPECT_TRUE(items[5].nohair);
    EXPECT_EQ(std::make_tuple(items[5].l_hat, items[5].crf1, items[5].rq_perk), std::make_tuple(0, -1, -1));
    // The skeleton's loot is an item; a chest draws only items that exist.
    constexpr int cItems = 12;
    EXPECT_LT(skeleton.loot, cItems);
    for (const std::string& id : ReadLines(path("\\items\\lootlist.txt"))) EXPECT_LT(StrToInt(id), cItems) << id;
    // Every item has the description the item list shows.
    for (int id = 0; id < cItems; ++id)
        EXPECT_FALSE(ReadLines(path("\\text\\en\\desc\\item_" + std::to_string(id) + ".txt")).empty()) << id;
    // A ring of kind 0, a potion crafted from two reagents, a scroll giving a card, and items needing a perk and
    // a species; the antidote card drinks the potion.
    const loot ring = LoadLoot(path("\\items\\6.lot")), potion = LoadLoot(path("\\items\\7.lot"));
    const loot scroll = LoadLoot(path("\\items\\9.lot")), charm = LoadLoot(path("\\items\\10.lot"));
    const loot oath = LoadLoot(path("\\items\\11.lot"));
    EXPECT_EQ(std::make_tuple(ring.itmtype, ring.lb_spd, potion.crf1, potion.crf2, scroll.lb_crd),
              std::make_tuple(0, 1, 1, 8, 3));
    EXPECT_EQ(std::make_tuple(charm.rq_perk, charm.rq_spec, oath.rq_perk, oath.rq_spec), std::make_tuple(1, -1, -1, 0));
    // The coded effects the perks give: critical hit, rescue, experience, hit points, mana, escape, special card;
    // the quick learner needs a species.
    std::set<int32_t> coded;
    for (int id = 0; id <= 7; ++id) coded.insert(LoadPerk(id, path("\\perks\\p_" + std::to_string(id) + ".prk")).addcoded);
    EXPECT_EQ(coded, (std::set<int32_t>{0, 1, 2, 4, 6, 7, 14, 18}));
    EXPECT_EQ(LoadPerk(4, path("\\perks\\p_4.prk")).recrace, 0);

    getcpeids();
    EXPECT_EQ(ReadLines(path("\\text\\en\\cpe.txt")).size(), 101u);
    EXPECT_EQ(cpenames[1], "Critical strike");
    EXPECT_EQ(cpenames[13], "");
    EXPECT_EQ(cpenames[22], "Firm stance");
}

// What the battles are made of: cards of every effect, element and cost kind, five monster kinds apart in deck,
// element and class beside a boss of its own, and where each battle comes from.
TEST_F(DemoData, TheCardsAndMonstersCoverWhatABattleCanDo)
{
    std::vector<card> deck;
    for (int32_t id = 0; id < 50; ++id) deck.push_back(LoadCard(GamePath(Format("\\cards\\%d.crd", {id})), "en"));
    std::set<int32_t> effects, elements;
    std::set<std::string> kinds;
    const auto is = [&](bool holds, const char* kind) {
        if (holds) kinds.insert(kind);
    };
    for (const card& c : deck) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(c.enabled && c.active);
        EXPECT_LE(c.mindam, c.dmgph);
        effects.insert(c.addeffect);
        elements.insert(c.element);
        is(c.AOE, "area");
        is(c.bonam > 0 && c.bont >= 0 && c.bont <= 3, "class bonus");
        is(c.hpc > 0, "hit-point cost");
        is(c.dmgperc > 0, "percent damage");
        is(c.mindam > 0 && c.mindam < c.dmgph, "damage span");
        if (c.consumes != -1) {
            EXPECT_TRUE(fs::exists(data / Format("items/%d.lot", {c.consumes})));
            kinds.insert("consumable");
        }
    }
    for (int32_t type = 1; type <= 24; ++type) EXPECT_TRUE(effects.contains(type)) << "effect type " << type;
    EXPECT_EQ(elements, (std::set<int32_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(kinds, (std::set<std::string>{"area", "class bonus", "hit-point cost", "percent damage", "damage span",
                                             "consumable"}));
    // A cursed hand turns into card 49: a monsters' card that does nothing.
    const card& curse = deck[49];
    EXPECT_TRUE(curse.monly);
    EXPECT_EQ(std::make_tuple(curse.dmgph, curse.dmgperc, curse.addhp, curse.addmp, curse.addeffect, curse.mc, curse.hpc),
              std::make_tuple(0, 0, 0, 0, 0, 0, 0));

    // Five kinds and the boss; each deck of cards that exist, none shared.
    std::vector<character> kinds5;
    std::vector<int32_t> bosses;
    std::map<int32_t, int32_t> owner; // card id -> monster id
    for (int32_t id = 0; id < 6; ++id) {
        SCOPED_TRACE(id);
        const character m = LoadChar(GamePath(Format("\\monsters\\%d.mon", {id})));
        int32_t owned = 0;
        for (int32_t k = 0; k <= 1000; ++k) {
            if (!m.spellbook[k]) continue;
            ++owned;
            ASSERT_LT(k, 50);
            EXPECT_TRUE(owner.emplace(k, id).second) << "card " << k << " is also monster " << owner[k] << "'s";
        }
        EXPECT_GT(owned, 1);
        EXPECT_FALSE(ReadLines(GamePath(Format("\\text\\en\\desc\\monster_%d.txt", {id}))).empty());
        if (m.jrn != 0) {
            EXPECT_TRUE(fs::exists(data / Format("text/en/journal/jrn_%d.txt", {m.jrn})));
        }
        if (m.boss) bosses.push_back(id);
        else kinds5.push_back(m);
    }
    EXPECT_FALSE(fs::exists(data / "monsters/6.mon"));
    ASSERT_EQ(kinds5.size(), 5u);
    std::set<int32_t> kindElements, classes;
    for (const character& m : kinds5) {
        kindElements.insert(m.element);
        classes.insert(m.spec);
    }
    EXPECT_EQ(kindElements.size(), 5u);
    EXPECT_EQ(classes, (std::set<int32_t>{0, 1, 2, 3}));
    // The boss: its loot, a shown name of its own beside the name its music is found by.
    ASSERT_EQ(bosses, std::vector<int32_t>{2});
    const character boss = LoadChar(GamePath("\\monsters\\2.mon"));
    EXPECT_TRUE(fs::exists(data / Format("items/%d.lot", {boss.loot})));
    EXPECT_GT(boss.lootchance, 0);
    const std::vector<std::string> shown = ReadLines(GamePath("\\text\\en\\overrides\\monsters\\2.txt"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0], boss.oname);
    EXPECT_TRUE(fs::exists(data / ("sounds/music/" + boss.oname + ".wav")) ||
                fs::exists(data / ("sounds/music/" + boss.oname + ".mp3")));

    // Where battles come from: the first level's wanderers and random encounters (which never draw the boss),
    // an event, the scripts that call more, and the boss's event in the grotto, with his guard's event before it.
    LoadMap(GamePath("\\levels\\startmap.map"));
    EXPECT_TRUE(mapmonsters[0] && !mapmonsters[2]);
    const auto events = [](int32_t type) {
        std::vector<std::pair<int32_t, int32_t>> found; // (cell x + 100 y, p1)
        for (int32_t x = 0; x <= mapmaxx; ++x)
            for (int32_t y = 0; y <= mapmaxy; ++y)
                if (levelgrid[x][y].trap && levelgrid[x][y].traptype == type) found.emplace_back(x + 100 * y, levelgrid[x][y].doorno);
        return found;
    };
    ASSERT_EQ(events(1).size(), 1u);
    EXPECT_FALSE(LoadChar(GamePath(Format("\\monsters\\%d.mon", {events(1)[0].second}))).boss);
    EXPECT_EQ(ReadLines(GamePath("\\scripts\\rat_battle.txt"))[0], "AddToBattleList 0;");
    LoadMap(GamePath("\\levels\\map_2.map"));
    std::vector<std::pair<int32_t, int32_t>> boss_events = events(1), guard_events;
    std::erase_if(boss_events, [&](const std::pair<int32_t, int32_t>& event) {
        if (event.second == 2) return false;
        guard_events.push_back(event);
        return true;
    });
    ASSERT_EQ(boss_events.size(), 1u);
    ASSERT_EQ(guard_events.size(), 1u);
    EXPECT_EQ(guard_events[0].first, boss_events[0].first - 100) << "the guard stands north of the boss";
    // It guards the way to the exit.
    const int32_t bx = boss_events[0].first % 100, by = boss_events[0].first / 100;
    EXPECT_EQ(std::abs(bx - exitx) + std::abs(by - exity), 1);
    int32_t ways = 0;
    for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
        ways += levelgrid[exitx + dx][exity + dy].passable;
    EXPECT_EQ(ways, 1);
    EXPECT_TRUE(fs::exists(data / Format("levels/map_2/script_%d_%d.txt", {bx, by})));
}

// Balance by the game's own expected damage (nothing rolled): a new character's starting cards beat the first
// level's rat in a few plays while the rat's bites barely scratch him, and the boss kills one who only skips his
// turns in a few of its own. Every new game gets the starting cards once: the new game's start script and the
// start map's opening cell (which a new game activates) both run the script that deals them.
TEST_F(DemoData, ANewCharacterBeatsTheFirstRatAndTheBossKillsOneWhoOnlySkips)
{
    const auto unlocked = [](const std::string& script) {
        std::vector<int32_t> ids;
        for (const std::string& line : ReadLines(GamePath("\\scripts\\" + script + ".txt")))
            if (line.starts_with("UnlockCard ")) ids.push_back(StrToInt(line.substr(11, line.size() - 12)));
        return ids;
    };
    const std::vector<int32_t> starting = unlocked("starter_deck");
    ASSERT_FALSE(starting.empty());

    std::unique_ptr<TForm1, TFreeDeleter> form(new TForm1(nullptr));
    for (int32_t id = 0; id < 50; ++id) cards[id] = LoadCard(GamePath(Format("\\cards\\%d.crd", {id})), "en");
    cardcount = 50;
    for (int32_t id = 0; id < 3; ++id) perks[id] = LoadPerk(id, GamePath(Format("\\perks\\p_%d.prk", {id})));
    difficulty = 0;
    // The cards a character owns, in id order.
    const auto owned = [] {
        std::vector<int32_t> ids;
        for (int32_t k = 0; k < 50; ++k)
            if (player.spellbook[k]) ids.push_back(k);
        return ids;
    };
    // Through the menu (the start script, then the opening cell) or straight into the start map (the opening cell
    // alone): the same cards, silently, once.
    for (const std::vector<std::string>& scripts :
         {std::vector<std::string>{"\\scripts\\startscript.txt", "\\levels\\startmap\\script_17_9.txt"},
          std::vector<std::string>{"\\levels\\startmap\\script_17_9.txt"}}) {
        SCOPED_TRACE(scripts.size());
        form->ResetStats();
        for (rqftp& request : rfqueue) request.active = false;
        for (const std::string& script : scripts) EXPECT_TRUE(form->RunScriptFile(script)) << script;
        EXPECT_EQ(owned(), starting);
        EXPECT_EQ(player.xp, 0);
        EXPECT_FALSE(rfqueue[1].active);
        EXPECT_TRUE(scriptpopups);
    }
    player.hpmax = player.hp = form->CalcMaxHP(player, 1, true, true);
    const auto fighter = [&](int32_t id) {
        character m = LoadChar(GamePath(Format("\\monsters\\%d.mon", {id})));
        m.hpmax = m.hp = form->CalcMaxHP(m, 0, true, false);
        return m;
    };
    // The expected damage of card cid played by user on target, its skill counted as a card's description counts it.
    const auto damage = [&](int32_t cid, const character& user, const character& target) {
        const int32_t skill[] = {user.sword, user.bow, user.magic, user.armor};
        const int32_t attribute[] = {user.strength, user.speed, user.intelligence, user.endurance};
        const int32_t g = cards[cid].govskill;
        const int32_t gsl = RoundInteger((attribute[g] / 100.0 + 1) * skill[g]);
        return form->CalcDmg(0, cid, gsl, user.strength, user.intelligence, user.speed, user.endurance,
                             target.strength, target.intelligence, target.speed, target.endurance, user, target, false,
                             false);
    };
    const auto strongest = [&](const character& user, const character& target) {
        int32_t best = 0;
        for (int32_t k = 0; k < 50; ++k)
            if (user.spellbook[k]) best = std::max(best, damage(k, user, target));
        return best;
    };

    const character rat = fighter(0);
    int32_t weakest = std::numeric_limits<int32_t>::max();
    for (const int32_t cid : starting) {
        SCOPED_TRACE(cid);
        EXPECT_FALSE(cards[cid].monly);
        EXPECT_LE(cards[cid].mc, player.intelligence);
        if (cards[cid].dmgph > 0) weakest = std::min(weakest, damage(cid, player, rat));
    }
    EXPECT_GE(3 * weakest, rat.hpmax) << "three plays of any starting attack beat the rat";
    EXPECT_LT(10 * strongest(rat, player), player.hpmax) << "ten bites of the rat leave a new character standing";

    const character boss = fighter(2);
    const int32_t blow = strongest(boss, player);
    ASSERT_GT(blow, 0);
    EXPECT_LE((player.hpmax + blow - 1) / blow, 6) << "the boss needs at most six blows";
    EXPECT_GE(boss.hpmax, 4 * strongest(player, boss)) << "the boss outlasts a few of a new character's plays";
}

// Experience by the game's own worth of each fight, unscaled (the demo's difficulty 0, no steps taken, no
// levelling of weaker monsters: all of these only add): the fights the hand-made levels hold, the wanderers with
// the monsters their scripts call in and the battle events, carry a new character past level 2's threshold on the
// first level and past level 4's before the boss.
TEST_F(DemoData, TheFightsOnTheWayBringLevelTwoOnTheFirstLevelAndLevelFourBeforeTheBoss)
{
    std::unique_ptr<TForm1, TFreeDeleter> form(new TForm1(nullptr));
    difficulty = 0;
    // A fight's worth: each monster's worth beside the others queued with it.
    const auto worth = [&](const std::vector<int32_t>& fight) {
        clearbattlelist();
        for (size_t k = 0; k < fight.size(); ++k) battlelist[static_cast<int32_t>(k)] = fight[k];
        int64_t total = 0;
        for (const int32_t id : fight) {
            character m = LoadChar(GamePath(Format("\\monsters\\%d.mon", {id})));
            m.hpmax = form->CalcMaxHP(m, 0, true, false);
            total += xpworth(m);
        }
        clearbattlelist();
        return total;
    };
    // The monsters a wanderer's script calls in whatever the player is like (outside its conditions).
    const auto calledIn = [](const std::string& script) {
        std::vector<int32_t> ids;
        int32_t depth = 0;
        for (const std::string& line : ReadLines(GamePath("\\scripts\\" + script + ".txt"))) {
            if (line.starts_with("If ")) ++depth;
            if (line.starts_with("EndIf")) --depth;
            if (depth == 0 && line.starts_with("AddToBattleList "))
                ids.push_back(StrToInt(line.substr(16, line.size() - 17)));
        }
        return ids;
    };
    const auto levelWorth = [&](const std::string& map) {
        LoadMap(GamePath("\\levels\\" + map + ".map"));
        std::vector<std::vector<int32_t>> fights;
        for (const wanderer& w : wanderers) {
            if (!w.enabled) continue;
            std::vector<int32_t> fight{w.mtype};
            if (!w.script.empty())
                for (const int32_t id : calledIn(w.script)) fight.push_back(id);
            fights.push_back(fight);
        }
        for (int32_t x = 0; x <= mapmaxx; ++x)
            for (int32_t y = 0; y <= mapmaxy; ++y) {
                const lcell& c = levelgrid[x][y];
                if (c.trap && c.traptype == 1 && !LoadChar(GamePath(Format("\\monsters\\%d.mon", {c.doorno}))).boss)
                    fights.push_back({c.doorno});
            }
        int64_t total = 0;
        for (const std::vector<int32_t>& fight : fights) total += worth(fight);
        return std::make_pair(fights.size(), total);
    };
    const auto [firstFights, first] = levelWorth("startmap");
    EXPECT_GE(firstFights, 4u);
    EXPECT_GT(first, 1000) << "level 2 on the first level";
    int64_t beforeBoss = first;
    for (const char* map : {"map_0", "map_2"}) beforeBoss += levelWorth(map).second;
    EXPECT_GT(beforeBoss, 14847) << "level 4 before the boss";
    // The first fight alone does not level: the first level's few fights share the way there.
    EXPECT_LT(worth({0}), 1000);
}

TEST_F(DemoData, TheLevelsCarryEveryStoredField)
{
    LoadMap(GamePath("\\levels\\startmap.map"));
    EXPECT_EQ(std::make_tuple(mapid, mapmaxx, mapmaxy), std::make_tuple(std::string("startmap"), 19, 11));
    int doors[3] = {}, chests[3] = {}, events = 0;
    bool teleport = false;
    for (int32_t x = 0; x <= mapmaxx; ++x)
        for (int32_t y = 0; y <= mapmaxy; ++y) {
            const lcell& cell = levelgrid[x][y];
            if (cell.door) ++doors[cell.power];
            if (cell.chest) ++chests[cell.power];
            if (cell.trap) ++events;
            if (cell.trap && cell.traptype == 8)
                teleport = levelgrid[cell.doorno][cell.chestno].passable; // it lands on an open cell
            if (cell.door || cell.chest) {
                EXPECT_FALSE(cell.passable) << x << "," << y;
            }
        }
    EXPECT_GT(doors[0], 0);
    EXPECT_GT(doors[1], 0);
    EXPECT_GT(doors[2], 0);
    EXPECT_GT(chests[0] + chests[1], 1);
    EXPECT_GE(events, 5);
    EXPECT_TRUE(teleport);
    EXPECT_TRUE(freesprites[1].enabled && freesprites[1].fixed);
    EXPECT_FALSE(freesprites[2].enabled);
    const freemesh& gate = mapfreemeshes[1];
    EXPECT_EQ(std::make_tuple(gate.bhv, gate.z2, gate.loop), std::make_tuple(1, 17, true));
    EXPECT_EQ(freemeshes[1], mapfreemeshes[1]);
    EXPECT_TRUE(levellights[0].persists && levellights[1].external);
    EXPECT_EQ(levellights[1].cutoff, 60);
    EXPECT_EQ(std::make_tuple(wanderers[0].mtype, wanderers[0].behav, wanderers[1].mtype), std::make_tuple(0, 1, 1));
    // The first battle: a rat that stays two steps south of the start.
    const wanderer& first = wanderers[2];
    EXPECT_EQ(std::make_tuple(first.x, first.y, first.mtype, first.behav, first.enabled),
              std::make_tuple(startx, starty + 2, 0, 0, true));
    EXPECT_TRUE(levelgrid[startx][starty + 1].passable && !levelgrid[startx][starty + 1].trap);
    // The side files: the monster list and the player light.
    EXPECT_TRUE(mapmonsters[0] && mapmonsters[1] && !mapmonsters[2]);
    EXPECT_DOUBLE_EQ(playerlightdata.ca, 0.4);
    EXPECT_NEAR(playerlightdata.dg, 0.6, 0.5 / 255);

    LoadMap(GamePath("\\levels\\map_0.map"));
    EXPECT_EQ(std::make_tuple(mapid, mapname),
              std::make_tuple(std::string("map_0"), std::string("The Warden's Crypt")));
    EXPECT_TRUE(mapmonsters[1] && mapmonsters[5] && !mapmonsters[0] && !mapmonsters[2]);
    EXPECT_TRUE(wanderers[0].enabled);
}

// What the three levels hold for exploring, level by level: every event type with what it needs (a cell group,
// an event script, texts, targets inside the grid, shrines the level's special sprites name), doors and chests
// of each lock with and without door meshes, the kinds of cell and object the level builder makes, and every
// picture and mesh they name.
TEST_F(DemoData, TheLevelsHoldWhatExploringMeets)
{
    const std::vector<std::string> sprites = SpriteNames();
    const auto material = [&](const std::string& name) {
        return std::find(sprites.begin(), sprites.end(), name) != sprites.end() ||
               (name.starts_with("etex_") && fs::exists(data / "textures/hq" / name.substr(5, 1) /
                                                        ("tex_" + name.substr(7) + ".tga")));
    };
    const auto mesh = [&](const std::string& name) { return fs::exists(data / "meshes" / (name + ".obj")); };
    for (const char* name : {"m_wall", "m_floor", "m_door"}) EXPECT_TRUE(mesh(name)) << name;

    std::set<int32_t> events, doorSets[2], chests, lightGroups, areas;
    std::set<std::string> kinds;
    const auto is = [&](bool holds, const char* kind) {
        if (holds) kinds.insert(kind);
    };
    for (const char* map : {"startmap", "map_0", "map_2", "map_3"}) {
        SCOPED_TRACE(map);
        LoadMap(GamePath(std::string("\\levels\\") + map + ".map"));
        const bool doorMeshes = mesh("m_door_" + std::to_string(envindex) + "_c") &&
                                mesh("m_door_" + std::to_string(envindex) + "_o");
        int32_t skybox = StrToInt(ReadLines(GamePath(std::string("\\levels\\") + map + "\\skybox.txt"))[0]);
        for (const char* q : {"hq", "lq", "pq"})
            for (const char* side : {"top", "bottom", "left", "right", "front", "back", "clouds"})
                EXPECT_TRUE(fs::exists(data / "textures" / q / "skyboxes" / std::to_string(skybox) / (side + std::string(".tga"))))
                    << q << " sky " << skybox << " " << side;
        // The last level is left by its stair into the open, not by an exit.
        if (exitx >= 0) EXPECT_TRUE(levelgrid[exitx][exity].passable && !levelgrid[exitx][exity].trap);
        for (int32_t x = 0; x <= mapmaxx; ++x)
            for (int32_t y = 0; y <= mapmaxy; ++y) {
                const lcell& cell = levelgrid[x][y];
                SCOPED_TRACE(Format("cell %d, %d", {x, y}));
                if (cell.door) doorSets[doorMeshes].insert(cell.power);
                if (cell.chest) chests.insert(cell.power);
                areas.insert(cell.visarea);
                areas.insert(cell.visarea2);
                is(cell.wall && !cell.wco.empty(), "wall material");
                is(cell.wall && !cell.wmo.empty() && cell.ra != 0, "turned wall mesh");
                is(cell.wall && (cell.dx != 0 || cell.dy != 0), "moved wall mesh");
                is(cell.fwm && cell.passable, "wall mesh on an open cell");
                is(!cell.fmo.empty() && cell.plz > 10, "raised floor mesh");
                is(cell.blockx1 || cell.blockx2 || cell.blocky1 || cell.blocky2, "edge block");
                is(cell.grass && cell.outdoors && skybox != 0 && cell.dens > 0, "grass under a sky");
                is(cell.wall && cell.shcast, "shadow-casting wall");
                is(cell.ignored, "ignored cell");
                for (const std::string* name : {&cell.wco, &cell.fco, &cell.cco, &cell.gtp})
                    if (!name->empty()) EXPECT_TRUE(material(*name)) << *name;
                if (cell.spritename != "0") EXPECT_TRUE(material(cell.spritename)) << cell.spritename;
                for (const std::string* name : {&cell.wmo, &cell.fmo})
                    if (!name->empty()) EXPECT_TRUE(mesh(*name)) << *name;
                if (!cell.trap) continue;
                events.insert(cell.traptype);
                const auto inGrid = [](int32_t px, int32_t py) {
                    return px >= 0 && px <= mapmaxx && py >= 0 && py <= mapmaxy;
                };
                switch (cell.traptype) {
                case 2:
                case 3: EXPECT_TRUE(inGrid(cell.doorno, cell.chestno) && !levelgrid[cell.doorno][cell.chestno].passable); break;
                case 5:
                case 6:
                    EXPECT_EQ(cell.spritename, rndons[cell.traptype + 5]);
                    EXPECT_TRUE(material(rndons[12]));
                    break;
                case 7: {
                    int32_t group = 0;
                    for (int32_t gx = 0; gx <= mapmaxx; ++gx)
                        for (int32_t gy = 0; gy <= mapmaxy; ++gy) group += levelgrid[gx][gy].textid == cell.doorno;
                    EXPECT_GE(group, 2);
                    break;
                }
                case 8: EXPECT_TRUE(inGrid(cell.doorno, cell.chestno) && levelgrid[cell.doorno][cell.chestno].passable); break;
                case 9:
                case 10:
                    for (const char* suffix : {"", "_h"})
                        EXPECT_FALSE(ReadLines(GamePath(Format("\\text\\en\\txt_%d%s.txt", {cell.doorno, suffix}))).empty());
                    break;
                case 11: {
                    const auto script = ReadLines(GamePath(Format("\\scripts\\scr_%d.txt", {cell.doorno})));
                    EXPECT_TRUE(!script.empty() && script.size() % 3 == 0);
                    for (std::size_t at = 0; at < script.size(); at += 3) events.insert(StrToInt(script[at]));
                    break;
                }
                case 15: EXPECT_TRUE(material("spr_stand_e")); break;
                default: break;
                }
            }
        for (const lightslot& light : levellights)
            if (light.shining) {
                lightGroups.insert(light.lgroup);
                is(light.style == 0, "omni light");
                is(light.style != 0, "spot light");
                is(light.persists, "persisting light");
                is(light.external, "external light");
            }
        for (const freesprite& sprite : freesprites)
            if (sprite.enabled) {
                EXPECT_TRUE(material(sprite.name)) << sprite.name;
                is(sprite.fixed, "fixed free sprite");
                is(!sprite.fixed, "turning free sprite");
            }
        for (const freemesh& placed : mapfreemeshes)
            if (placed.enabled) {
                EXPECT_TRUE(mesh(placed.name)) << placed.name;
                const std::string red = (data / "meshes" / (placed.name + ".red")).string();
                const std::string own = placed.texture != "0"       ? placed.texture
                                        : fs::exists(red) ? ReadLines(red)[0]
                                                            : "tex_fs_" + placed.name;
                EXPECT_TRUE(material(own)) << placed.name;
                is(placed.fire, "fire");
                is(placed.texture != "0", "mesh texture");
                is(fs::exists(red), "mesh material file");
                is(placed.sx != 100 || placed.sz != 100, "scaled mesh");
                is(placed.shcast, "shadow-casting mesh");
                is(placed.bhv != 0, "moving mesh");
            }
    }
    for (int32_t type = 0; type <= 19; ++type) EXPECT_TRUE(events.contains(type)) << "event type " << type;
    for (const bool meshes : {false, true})
        EXPECT_EQ(doorSets[meshes], (std::set<int32_t>{0, 1, 2})) << "doors with meshes " << meshes;
    EXPECT_EQ(chests, (std::set<int32_t>{0, 1, 2}));
    EXPECT_GE(lightGroups.size(), 2u);
    EXPECT_GE(areas.size(), 2u);
    EXPECT_EQ(kinds, (std::set<std::string>{"wall material", "turned wall mesh", "moved wall mesh",
                                             "wall mesh on an open cell", "raised floor mesh", "edge block",
                                             "grass under a sky", "shadow-casting wall", "ignored cell", "omni light",
                                             "spot light", "persisting light", "external light", "fixed free sprite",
                                             "turning free sprite", "fire", "mesh texture", "mesh material file",
                                             "scaled mesh", "shadow-casting mesh", "moving mesh"}));

    // A new game opens on a text at cell (17, 9) of the start map.
    LoadMap(GamePath("\\levels\\startmap.map"));
    EXPECT_TRUE(levelgrid[17][9].trap && (levelgrid[17][9].traptype == 9 || levelgrid[17][9].traptype == 10));
}

// The adventure's way through its levels: the start map, then "map_<n>" in turn, the one without a file generated.
// Every level but the last is left by its exit; the last has none, and only the script of its stair ends the story.
TEST_F(DemoData, TheLevelsLeadFromTheCellarThroughAGeneratedOneToTheSunkenHallsStair)
{
    const auto endsTheStory = [&](const std::string& map) {
        std::vector<std::string> cells;
        if (fs::is_directory(data / "levels" / map))
            for (const fs::directory_entry& entry : fs::directory_iterator(data / "levels" / map))
                if (shared->Read("levels/" + map + "/" + entry.path().filename().string()).find("EndGame;") !=
                    std::string::npos)
                    cells.push_back(entry.path().filename().string());
        return cells;
    };
    std::vector<std::string> names;
    for (const char* map : {"startmap", "map_0", "map_1", "map_2", "map_3"}) {
        SCOPED_TRACE(map);
        if (std::string(map) == "map_1") {
            EXPECT_FALSE(fs::exists(data / "levels/map_1.map"));
            continue;
        }
        LoadMap(GamePath(std::string("\\levels\\") + map + ".map"));
        names.push_back(mapname);
        const bool last = std::string(map) == "map_3";
        EXPECT_EQ(exitx >= 0, !last);
        EXPECT_EQ(endsTheStory(map), last ? std::vector<std::string>{"script_2_8.txt"} : std::vector<std::string>{});
    }
    EXPECT_EQ(names, (std::vector<std::string>{"The Flooded Cellar", "The Warden's Crypt", "The Green Grotto",
                                               "The Sunken Hall"}));
    EXPECT_TRUE(levelgrid[2][8].passable && levelgrid[2][8].outdoors);
}

// Every picture the start-up catalogue names for the demo content, in each quality where it is one.
TEST_F(DemoData, EveryPictureTheCatalogueNamesIsThere)
{
    std::vector<std::string> quality = {
        "ui_bg", "ui_tooltip", "ico_strength", "ico_intelligence", "ico_speed", "ico_endurance", "ico_sword",
        "ico_bow", "ico_armor", "ico_magic", "xpbar", "xpindic", "transp", "spr_door", "spr_table", "fem_char",
        "mal_char", "rf_scrollbg", "unknown", "title", "keys_silver", "keys_gold", "keys_monster", "bar_bg", "hpbar",
        "mpbar", "corner_tl", "corner_tr", "corner_bl", "sframe_1", "sframe_2", "sframe_3", "iico_misc", "iico_bow",
        "iico_sword", "iico_shield", "iico_wand", "iico_helm", "bodies/wings_1", "bodies/wings_2", "bodies/wings_3",
        "skyboxes/0/top", "skyboxes/0/bottom", "skyboxes/0/left", "skyboxes/0/right", "skyboxes/0/front",
        "skyboxes/0/back", "skyboxes/0/clouds"};
    for (int n = 1; n <= 100; ++n) quality.push_back(Format("effect_%d", {n}));
    for (const char* prefix : {"but", "male", "female", "search", "oui", "use", "save", "mnu", "jrn"})
        for (int state = 0; state <= 2; ++state) quality.push_back(Format("%s_%d", {prefix, state}));
    for (int n = 0; n <= 4; ++n) quality.push_back(Format("element_%d", {n}));
    for (int sex = 0; sex <= 1; ++sex) {
        // Two faces and two hair styles, one hat and one armour.
        for (const char* part : {"head_0", "hair_0", "haireb_0", "hairbrd_0", "hairb_0", "head_1", "hair_1",
                                 "haireb_1", "hairbrd_1", "hairb_1", "hat_0", "hatb_0", "armor_0_0", "armor_0_1"})
            quality.push_back(Format("bodies/%d/%s", {sex, part}));
        EXPECT_FALSE(fs::exists(data / Format("textures/hq/bodies/%d/head_2.tga", {sex})));
        EXPECT_FALSE(fs::exists(data / Format("textures/hq/bodies/%d/hair_2.tga", {sex})));
        for (int i = 0; i <= 4; ++i)
            for (const char* part : {"torso", "arms"}) quality.push_back(Format("bodies/%d/%s_%d", {sex, part, i}));
    }
    for (int id = 0; id < 6; ++id) quality.push_back(Format("monsters/%d", {id}));
    for (int id = 0; id < 12; ++id) quality.push_back(Format("items/%d", {id}));
    for (const char* q : {"hq", "lq", "pq"})
        for (const std::string& name : quality)
            EXPECT_TRUE(fs::exists(data / "textures" / q / (name + ".tga"))) << q << "/" << name;
    // The armour has layers only: a plain armor_0 would stand for a layerless one.
    EXPECT_FALSE(fs::exists(data / "textures/hq/bodies/0/armor_0.tga"));
    EXPECT_FALSE(fs::exists(data / "textures/hq/items/12.tga")); // the item count ends at 12
    EXPECT_TRUE(fs::exists(data / "textures/trbg.tga"));
    for (int n = 0; n < 8; ++n) EXPECT_TRUE(fs::exists(data / Format("textures/perkicons/%d.tga", {n})));

    TPngImage xp;
    xp.LoadFromFile(GamePath("\\textures\\cards\\en\\xp.png"));
    for (int id = 0; id < 50; ++id) {
        for (int state = 0; state <= 2; ++state) {
            TPngImage face;
            face.LoadFromFile(GamePath(Format("\\textures\\cards\\en\\%d_%d.png", {id, state})));
            EXPECT_EQ(std::make_pair(face.Width(), face.Height()), std::make_pair(140, 220));
        }
        TJPEGImage illustration;
        illustration.LoadFromFile(GamePath(Format("\\textures\\cards\\h%d.jpg", {id})));
        EXPECT_GT(illustration.Width(), 0);
    }
    // A background for every governing skill and element, and the picture of a card without one of its own.
    for (int skill = 0; skill <= 3; ++skill)
        for (int element = 0; element <= 4; ++element)
            EXPECT_TRUE(fs::exists(data / Format("textures/cards/b%d_%d.jpg", {skill, element})));
    EXPECT_TRUE(fs::exists(data / "textures/cards/noimg.jpg"));
    // The editors that start on "ru" find its folders.
    for (const char* folder : {"overrides/items", "overrides/spells", "desc"})
        EXPECT_TRUE(fs::is_directory(data / "text/ru" / folder)) << folder;
}

// The journal's first page (a new game opens it), the credits over more than two pages, and three looks of every
// button, one for each state.
TEST_F(DemoData, TheInterfaceHasItsJournalCreditsAndAButtonLookPerState)
{
    EXPECT_FALSE(ReadLines(GamePath("\\text\\en\\journal\\jrn_0.txt")).empty());
    EXPECT_GT(ReadLines(GamePath("\\text\\credits.txt")).size(), 40u);
    for (const char* prefix : {"but", "male", "female", "search", "oui", "use", "save", "mnu", "jrn"}) {
        std::set<std::string> looks;
        for (int state = 0; state <= 2; ++state)
            looks.insert(shared->Read(Format("textures/hq/%s_%d.tga", {prefix, state})));
        EXPECT_EQ(looks.size(), 3u) << prefix;
    }
}

// What the map editor offers and opens: the grass sprites, each a listed sprite with its picture, and the
// scripting reference, a document whose text names every command word of the script language.
TEST_F(DemoData, TheMapEditorHasItsGrassListAndScriptingReference)
{
    const std::vector<std::string> grass = ReadLines(GamePath("\\textures\\grasslist.txt"));
    ASSERT_FALSE(grass.empty());
    const std::vector<std::string> sprites = SpriteNames();
    for (const std::string& name : grass) {
        EXPECT_NE(std::find(sprites.begin(), sprites.end(), name), sprites.end()) << name;
        EXPECT_TRUE(fs::exists(data / "textures" / "hq" / (name + ".tga"))) << name;
    }
    const std::map<std::string, std::string> parts = ReadZipEntries((data / "scripting_ref.docx").string());
    ASSERT_TRUE(parts.contains("[Content_Types].xml"));
    ASSERT_TRUE(parts.contains("_rels/.rels"));
    const std::string& document = parts.at("word/document.xml");
    // The word standing alone, not inside a longer one.
    const auto names = [&](std::string_view word) {
        for (std::size_t at = document.find(word); at != std::string::npos; at = document.find(word, at + 1)) {
            const std::size_t end = at + word.size();
            if (!std::isalpha(static_cast<unsigned char>(document[at - 1])) &&
                !std::isalpha(static_cast<unsigned char>(document[end])))
                return true;
        }
        return false;
    };
    for (const TScriptWord& word : ScriptWordTable()) EXPECT_TRUE(names(word.word)) << word.word;
    for (const char* word : {"If", "Else", "EndIf"}) EXPECT_TRUE(names(word)) << word;
}

// A file that cannot take the place of what stands under its name is an error, and no half of it is left.
TEST(DemoOutput, AFileThatCannotBeWrittenIsRefusedAndLeavesNothing)
{
    TempFolder out;
    fs::create_directories(out.path / "levels" / "a.map" / "inside");
    TDemoOutput output(out.path);
    EXPECT_EQ(MessageOf<EDemoSource>([&] { output.Publish("levels/a.map", "map"); }),
              (out.path / "levels" / "a.map").string() + ": the file cannot be written");
    EXPECT_EQ(std::distance(fs::directory_iterator(out.path / "levels"), fs::directory_iterator()), 1);
    output.Publish("levels/b.map", "map");
    EXPECT_EQ(out.Read("levels/b.map"), "map");
    EXPECT_EQ(output.Count().written, 1);
}

TEST(DemoStrings, EntriesInIndexOrderWithTheTablesMarks)
{
    const std::string table =
        CompileStrings("# texts\n\n2 | two & lines\r\n0|zero\n3 | \" of level \"\n4 | \"\n5 | \"\"\n", "s.src");
    EXPECT_EQ(table, "\xEF\xBB\xBFzero@\r\n@\r\ntwo & lines@\r\n of level @\r\n\"@\r\n\r\n");
    EXPECT_EQ(CompileStrings("\xEF\xBB\xBF", "s.src"), "\xEF\xBB\xBF\r\n");
}

TEST(DemoStrings, BadLinesAreNamed)
{
    const std::pair<const char*, const char*> cases[] = {
        {"1 | a\nno bar\n", "s.src, line 2: expected \"index | text\""},
        {"x | a\n", "s.src, line 1: \"x \" is not an integer"},
        {"10001 | a\n", "s.src, line 1: index 10001 is outside 0..10000"},
        {"-1 | a\n", "s.src, line 1: index -1 is outside 0..10000"},
        {"3 | a\n3 | b\n", "s.src, line 2: index 3 given twice"},
        {"3 | a@b\n", "s.src, line 1: \"@\" would end the entry"},
    };
    for (const auto& [source, message] : cases)
        EXPECT_EQ(MessageOf<EDemoSource>([&] { CompileStrings(source, "s.src"); }), message) << source;
}

TEST(DemoMaps, TheGridGivesTheCells)
{
    auto level = std::make_unique<TLevelData>();
    TDemoMapInfo info;
    CompileMap("id: hall\nname: Hall\nenv: 2\ndir: 3\nskybox: 4\ncell B: spritename=spr_barrel1\n"
               "# a comment\ncell A: spritename=altar1\n\n#####\n#S.B#\n#A.E#\n#####\n",
               "m.txt", *level, info);
    EXPECT_EQ(level->mapid, "hall");
    EXPECT_EQ(level->mapname, "Hall");
    EXPECT_EQ(info.skybox, 4);
    EXPECT_EQ(std::make_tuple(level->mapmaxx, level->mapmaxy, level->envindex, level->startdir),
              std::make_tuple(4, 3, 2, 3));
    EXPECT_EQ(std::tie(level->startx, level->starty, level->exitx, level->exity), std::make_tuple(1, 1, 3, 2));
    EXPECT_TRUE(level->levelgrid[0][1].wall);
    EXPECT_TRUE(level->levelgrid[2][1].passable);
    EXPECT_EQ(level->levelgrid[3][1].spritename, "spr_barrel1");
    EXPECT_EQ(level->levelgrid[1][2].spritename, "altar1");
    EXPECT_EQ(level->levelgrid[2][2].spritename, "0");
    EXPECT_EQ(level->levelgrid[2][2].textid, -1);
    // Without a monsters line every monster may meet the player.
    EXPECT_TRUE(
        std::all_of(level->mapmonsters.begin(), level->mapmonsters.end(), [](bool allowed) { return allowed; }));
    EXPECT_EQ(level->playerlight, playerlightvalues{});
}

// One line setting every field of a record, against the record set field by field: a field compiled into
// the wrong member, or not at all, shows.
TEST(DemoMaps, TheLegendAndTheObjectLinesSetEachField)
{
    auto level = std::make_unique<TLevelData>();
    TDemoMapInfo info;
    CompileMap("id: f\nmonsters: 3 7\nplayerlight: 0.25 0.5 0.75 0.1 0.2 0.3\n"
               "cell Q: passable=0 wall=1 chest=1 chestno=2 door=1 doorno=3 trap=1 traptype=4 power=2 textid=5 "
               "spritename=sp floor=0 ceil=0 doorface=1 outdoors=1 plz=6 blockx1=7 blockx2=8 blocky1=9 blocky2=10 "
               "grass=1 dens=11 gtp=gr wco=wc fco=fc cco=cc wmo=wm ta=12 ra=13 pa=14 dx=15 dy=16 dz=17 fwm=1 fmo=fm "
               "lgroup=18 shcast=1 visarea=19 visarea2=20 ignored=1\n"
               "####\n#SQ#\n####\n\n"
               "sprite: x=1 y=2 z=3 w=4 h=5 dirx=0.5 diry=-0.5 enabled=0 fixed=1 name=n\n"
               "mesh: x=1 y=2 z=3 ta=4 ra=5 pa=6 enabled=0 name=m sx=7 sy=8 sz=9 texture=t fire=1 fdx=10 fdy=11 "
               "fdz=12 bhv=2 x1=13 x2=14 y1=15 y2=16 z1=17 z2=18 spd=1.5 loop=1 rx=19 ry=20 rz=21 rta=22 rra=23 "
               "rpa=24 trscript=s shcast=1\n"
               "light: ar=0.1 ag=0.2 ab=0.3 dr=0.4 dg=0.5 db=0.6 sr=0.7 sg=0.8 sb=0.9 ca=1 la=2 qa=3 x=4 y=5 z=6 "
               "shining=0 sdx=7 sdy=8 sdz=9 style=1 cutoff=45 exponent=2.5 persists=1 external=1 lgroup=10\n"
               "wanderer: enabled=0 x=1 y=1 mtype=2 behav=1 script=w\n"
               "wanderer: x=2 y=1\n",
               "m.txt", *level, info);
    lcell cell;
    cell.x = 2;
    cell.y = 1;
    cell.wall = cell.chest = cell.door = cell.trap = cell.outdoors = cell.grass = cell.fwm = cell.shcast = true;
    cell.ignored = true;
    std::tie(cell.chestno, cell.doorno, cell.traptype, cell.power, cell.textid, cell.doorface, cell.plz) =
        std::make_tuple(2, 3, 4, 2, 5, 1, 6);
    std::tie(cell.blockx1, cell.blockx2, cell.blocky1, cell.blocky2, cell.dens) = std::make_tuple(7, 8, 9, 10, 11);
    std::tie(cell.spritename, cell.gtp, cell.wco, cell.fco, cell.cco, cell.wmo, cell.fmo) =
        std::make_tuple("sp", "gr", "wc", "fc", "cc", "wm", "fm");
    std::tie(cell.ta, cell.ra, cell.pa, cell.dx, cell.dy, cell.dz) = std::make_tuple(12, 13, 14, 15, 16, 17);
    std::tie(cell.lgroup, cell.visarea, cell.visarea2) = std::make_tuple(18, 19, 20);
    EXPECT_EQ(level->levelgrid[2][1], cell);

    freesprite sprite;
    std::tie(sprite.x, sprite.y, sprite.z, sprite.w, sprite.h, sprite.dirx, sprite.diry) =
        std::make_tuple(1, 2, 3, 4, 5, 0.5, -0.5);
    std::tie(sprite.enabled, sprite.fixed, sprite.name) = std::make_tuple(false, true, "n");
    EXPECT_EQ(level->freesprites[0], sprite);

    freemesh mesh;
    std::tie(mesh.x, mesh.y, mesh.z, mesh.ta, mesh.ra, mesh.pa, mesh.sx, mesh.sy, mesh.sz) =
        std::make_tuple(1, 2, 3, 4, 5, 6, 7, 8, 9);
    std::tie(mesh.enabled, mesh.name, mesh.texture, mesh.fire, mesh.loop, mesh.shcast, mesh.trscript) =
        std::make_tuple(false, "m", "t", true, true, true, "s");
    std::tie(mesh.fdx, mesh.fdy, mesh.fdz, mesh.bhv, mesh.x1, mesh.x2, mesh.y1, mesh.y2, mesh.z1, mesh.z2) =
        std::make_tuple(10, 11, 12, 2, 13, 14, 15, 16, 17, 18);
    std::tie(mesh.spd, mesh.rx, mesh.ry, mesh.rz, mesh.rta, mesh.rra, mesh.rpa) =
        std::make_tuple(1.5, 19, 20, 21, 22, 23, 24);
    EXPECT_EQ(level->mapfreemeshes[0], mesh);
    EXPECT_EQ(level->freemeshes[0], mesh); // a saved game starts from the map's meshes

    lightslot light;
    std::tie(light.ar, light.ag, light.ab, light.dr, light.dg, light.db, light.sr, light.sg, light.sb) =
        std::make_tuple(0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9);
    std::tie(light.ca, light.la, light.qa, light.x, light.y, light.z) = std::make_tuple(1.0, 2.0, 3.0, 4, 5, 6);
    std::tie(light.sdx, light.sdy, light.sdz, light.style, light.cutoff, light.exponent, light.lgroup) =
        std::make_tuple(7, 8, 9, 1, 45, 2.5, 10);
    std::tie(light.shining, light.persists, light.external) = std::make_tuple(false, true, true);
    EXPECT_EQ(level->levellights[0], light);

    wanderer roamer;
    std::tie(roamer.enabled, roamer.x, roamer.y, roamer.mtype, roamer.behav, roamer.script) =
        std::make_tuple(false, 1, 1, 2, 1, "w");
    EXPECT_EQ(level->wanderers[0], roamer);
    // A line without "enabled" places an enabled object.
    EXPECT_TRUE(level->wanderers[1].enabled);
    EXPECT_FALSE(level->wanderers[2].enabled);

    EXPECT_TRUE(level->mapmonsters[3] && level->mapmonsters[7]);
    EXPECT_EQ(std::count(level->mapmonsters.begin(), level->mapmonsters.end(), true), 2);
    EXPECT_EQ(level->playerlight, (playerlightvalues{0.25, 0.5, 0.75, 0.1, 0.2, 0.3}));
}

TEST(DemoMaps, TheStandardCellsChangeTheirFieldsAndTheLevelNamesItsSpecialSprites)
{
    auto level = std::make_unique<TLevelData>();
    TDemoMapInfo info;
    CompileMap("id: a\nrndons: shrine empty\ncell #: visarea2=1\ncell S: visarea=2\ncell .: plz=4\n"
               "#####\n#S.E#\n#####\n",
               "m.txt", *level, info);
    EXPECT_EQ(std::make_tuple(level->rndons[0], level->rndons[1], level->rndons[2]),
              std::make_tuple(std::string("shrine"), std::string("empty"), std::string()));
    const lcell& wall = level->levelgrid[0][0];
    EXPECT_TRUE(wall.wall && !wall.passable);
    EXPECT_EQ(wall.visarea2, 1);
    EXPECT_EQ(std::tie(level->startx, level->starty), std::make_tuple(1, 1));
    EXPECT_EQ(level->levelgrid[1][1].visarea, 2);
    EXPECT_EQ(level->levelgrid[2][1].plz, 4);
    EXPECT_EQ(level->levelgrid[3][1].plz, 10);
}

TEST(DemoEventScripts, EachLineIsAnEventOfThreeLines)
{
    EXPECT_EQ(CompileEventScript("# the slab\n9 3 0   # a text\n\n2 14 -1\n", "s.txt"),
              "9\r\n3\r\n0\r\n2\r\n14\r\n-1\r\n");
    EXPECT_EQ(MessageOf<EDemoSource>([] { CompileEventScript("9 3 0\n9 3\n", "s.txt"); }),
              "s.txt, line 2: expected \"type p1 p2\"");
    EXPECT_EQ(MessageOf<EDemoSource>([] { CompileEventScript("9 x 0\n", "s.txt"); }),
              "s.txt, line 1: \"x\" is not an integer");
    EXPECT_EQ(CompileText("A title\nsecond line"), "A title\r\nsecond line\r\n");
}

TEST(DemoMaps, BadSourcesAreNamed)
{
    const std::pair<const char*, const char*> cases[] = {
        {"name: x\n###\n#S#\n###\n", "m.txt, line 2: the level has no id"},
        {"id: a/b\n###\n#S#\n###\n", "m.txt, line 2: the id \"a/b\" is not a file name"},
        {"id: a\nsize: 3\n###\n#S#\n###\n", "m.txt, line 2: unknown key \"size\""},
        {"id: a\ndir: 4\n###\n#S#\n###\n", "m.txt, line 3: dir must be 0..3"},
        {"id: a\n###\n#S.#\n###\n", "m.txt, line 3: the row is not as wide as the first one"},
        {"id: a\n####\n#Sx#\n####\n", "m.txt, line 3: unknown cell \"x\""},
        {"id: a\n####\n#S..\n####\n", "m.txt, line 3: the grid must be closed by walls"},
        {"id: a\n####\n#..#\n####\n", "m.txt, line 2: the grid has no start \"S\""},
        {"id: a\n####\n#SS#\n####\n", "m.txt, line 3: a second start"},
        {"id: a\n####\n#SE#\n#E.#\n####\n", "m.txt, line 4: a second exit"},
        {"id: a\n###\n#S#\n###\n\n# objects\nlamp: x=1\n", "m.txt, line 7: unknown kind \"lamp\""},
        {"id: a\n###\n#S#\n###\n\nlight x=1\n", "m.txt, line 6: expected \"<kind>: <field>=<value> ...\""},
        {"id: a\n###\n#S#\n###\n\nlight: x=1 colour=2\n", "m.txt, line 6: unknown field \"colour\""},
        {"id: a\n###\n#S#\n###\n\nmesh: name\n", "m.txt, line 6: expected field=value, not \"name\""},
        {"id: a\n###\n#S#\n###\n\nsprite: x=left\n", "m.txt, line 6: \"left\" is not an integer"},
        {"id: a\n###\n#S#\n###\n\nmesh: spd=fast\n", "m.txt, line 6: \"fast\" is not a number"},
        {"id: a\n###\n#S#\n###\n\nwanderer: enabled=yes\n", "m.txt, line 6: \"yes\" is not 0 or 1"},
        {"id: a\ncell D: door=1\ncell D: chest=1\n###\n#S#\n###\n", "m.txt, line 3: cell \"D\" given twice"},
        {"id: a\ncell D: doors=1\n###\n#S#\n###\n", "m.txt, line 2: unknown field \"doors\""},
        {"id: a\ncell S: wall=1\n###\n#S#\n###\n", "m.txt, line 2: the start must be an open cell"},
        {"id: a\ncell E: passable=0\n####\n#SE#\n####\n", "m.txt, line 2: the exit must be an open cell"},
        {"id: a\nmonsters: 0 101\n###\n#S#\n###\n", "m.txt, line 2: id 101 is outside 0..100"},
        {"id: a\nplayerlight: 1 2 3\n###\n#S#\n###\n", "m.txt, line 2: expected ca la qa r g b"},
        {"id: a\n##\n##\n", "m.txt, line 2: the grid needs at least 3 x 3 cells"},
    };
    for (const auto& [source, message] : cases) {
        auto level = std::make_unique<TLevelData>();
        TDemoMapInfo info;
        EXPECT_EQ(MessageOf<EDemoSource>([&] { CompileMap(source, "m.txt", *level, info); }), message) << source;
    }
    auto level = std::make_unique<TLevelData>();
    TDemoMapInfo info;
    const std::string wide = "id: a\n" + std::string(101, '#') + "\n";
    const std::string tooWide = wide + wide.substr(6) + wide.substr(6);
    EXPECT_EQ(MessageOf<EDemoSource>([&] { CompileMap(tooWide, "m.txt", *level, info); }),
              "m.txt, line 2: the grid is larger than 100 x 100");
    // A table holds 20 lights.
    std::string lights = "id: a\n###\n#S#\n###\n\n";
    for (int n = 0; n < 21; ++n) lights += "light: x=1\n";
    EXPECT_EQ(MessageOf<EDemoSource>([&] { CompileMap(lights, "m.txt", *level, info); }),
              "m.txt, line 26: more than 20 of kind \"light\"");
}

TEST(DemoContent, BlocksAreRecordsInIdOrderWithTheReadersDefaults)
{
    const auto cards =
        CompileCards("# cards\nname = A\nmc = 2\n\n\nname = B b\noverride = Bee\npicture = bow\n", "c.src");
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(
        std::make_tuple(cards[0].record.name, cards[0].record.mc, cards[0].record.consumes, cards[0].record.sound),
        std::make_tuple(std::string("A"), 2, -1, std::string("0")));
    EXPECT_EQ(std::make_tuple(cards[1].record.name, cards[1].overridename, cards[1].picture),
              std::make_tuple(std::string("B b"), std::string("Bee"), std::string("bow")));
    const auto perks = CompilePerks("name = P\n\nname = Q\nenabled = 0\n", "p.src");
    EXPECT_EQ(
        std::make_tuple(perks[1].record.id, perks[1].record.enabled, perks[0].record.enabled, perks[0].record.recrace),
        std::make_tuple(1, false, true, -1));
    const auto monsters = CompileMonsters("name = M\ncards = 2 5\nperks = 100\n", "m.src");
    EXPECT_TRUE(monsters[0].record.spellbook[2] && monsters[0].record.spellbook[5] && monsters[0].record.perks[100]);
    EXPECT_EQ(monsters[0].record.loot, -1);
    std::vector<int32_t> lootlist;
    const auto items =
        CompileItems("name = I\n\nname = J\nlootlist = 1\n\nname = K\nlootlist = 0\n", "i.src", lootlist);
    EXPECT_EQ(lootlist, std::vector<int32_t>{1});
    EXPECT_EQ(std::make_tuple(items[2].record.id, items[2].record.l_hat, items[2].record.rq_spec),
              std::make_tuple(2, -1, -1));
}

TEST(DemoContent, BadLinesAreNamed)
{
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[] { CompileCards("name = A\nmana = 2\n", "c.src"); }, "c.src, line 2: unknown field \"mana\""},
        {[] { CompileCards("name = A\nmc 2\n", "c.src"); }, "c.src, line 2: expected \"field = value\""},
        {[] { CompileCards("mc = two\n", "c.src"); }, "c.src, line 1: \"two\" is not an integer"},
        {[] { CompilePerks("enabled = -1\n", "p.src"); }, "p.src, line 1: \"-1\" is not 0 or 1"},
        {[] { CompileMonsters("cards = 1001\n", "m.src"); }, "m.src, line 1: id 1001 is outside 0..1000"},
        {[] { CompileMonsters("perks = x\n", "m.src"); }, "m.src, line 1: \"x\" is not an integer"},
        {[] {
             std::vector<int32_t> lootlist;
             CompileItems("name = I\nlootlist = maybe\n", "i.src", lootlist);
         },
         "i.src, line 2: \"maybe\" is not 0 or 1"},
    };
    for (const auto& [compile, message] : cases) EXPECT_EQ(MessageOf<EDemoSource>(compile), message);
}

} // namespace
