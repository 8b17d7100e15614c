// Content files: a card, perk, character and item with every stored field set survive a write and a read; the
// file orders that differ from the records'; the line defaults of short and bad files and where a read ends;
// the localised name overrides.
#include "UGH_data.h"

#include "GameDataFolder.h"
#include "Raises.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// Distinct values for every field, so that a field written or read in the wrong place shows.
struct TValues {
    int32_t next = 1;
    int32_t Int() { return next++; }
    bool Bool() { return (next++ % 3) != 0; }
    std::string Text() { return "t" + std::to_string(next++); }
};

card FilledCard()
{
    TValues v;
    card c;
    c.name = v.Text();
    c.active = true;
    for (int32_t* field : {&c.mc, &c.hpc, &c.dmgph, &c.dmgperc, &c.addhp, &c.addmp, &c.addeffect, &c.efflgth,
                           &c.govskill, &c.bont, &c.bonam, &c.effstrgth, &c.effdir, &c.consumes, &c.mindam,
                           &c.element})
        *field = v.Int();
    c.accum = true;
    c.monly = true;
    c.sound = v.Text();
    c.AOE = true;
    c.enabled = true; // as every card reads
    return c;
}

perk FilledPerk(int32_t pid)
{
    TValues v;
    perk p;
    p.enabled = true;
    p.name = v.Text();
    for (int32_t* field : {&p.recst, &p.recagi, &p.recin, &p.recend, &p.recsw, &p.recbw, &p.recmg, &p.recar,
                           &p.recperk, &p.recrace, &p.addst, &p.addagi, &p.addin, &p.addend, &p.addsw, &p.addbw,
                           &p.addmg, &p.addar, &p.addcard, &p.addcoded})
        *field = v.Int();
    p.id = pid;
    return p;
}

character FilledCharacter()
{
    TValues v;
    character c;
    c.name = c.oname = v.Text();
    c.boss = true;
    for (int32_t* field : {&c.lvl, &c.strength, &c.intelligence, &c.speed, &c.endurance, &c.sword, &c.bow,
                           &c.magic, &c.armor, &c.spec, &c.element, &c.loot, &c.lootchance, &c.jrn, &c.w_wd,
                           &c.w_ht, &c.w_zs})
        *field = v.Int();
    for (bool& owned : c.spellbook) owned = v.Bool();
    for (bool& owned : c.perks) owned = v.Bool();
    return c;
}

loot FilledItem()
{
    TValues v;
    loot l;
    l.name = l.overridename = v.Text();
    for (int32_t* field : {&l.id, &l.count, &l.p, &l.lb_str, &l.lb_int, &l.lb_spd, &l.lb_end, &l.lb_sw, &l.lb_mg,
                           &l.lb_bw, &l.lb_ar, &l.lb_crd, &l.l_armor, &l.l_hat, &l.itmtype, &l.crf1, &l.crf2,
                           &l.rq_str, &l.rq_int, &l.rq_spd, &l.rq_end, &l.rq_sw, &l.rq_mg, &l.rq_bw, &l.rq_ar,
                           &l.rq_perk, &l.rq_item, &l.rq_spec})
        *field = v.Int();
    l.nohair = true;
    return l;
}

class ContentFiles : public GameDataFolder {
protected:
    void SetUp() override
    {
        GameDataFolder::SetUp();
        for (const char* kind : {"cards", "perks", "monsters", "items"})
            std::filesystem::create_directories(folder.path / kind);
    }
    std::string PathOf(const std::string& name) const { return gamedir + "\\" + name; }
    std::vector<std::string> Lines(const std::string& name) const { return ReadLines(PathOf(name)); }
    // The file cut to its first count lines.
    void Truncate(const std::string& name, std::size_t count) const
    {
        std::vector<std::string> lines = Lines(name);
        lines.resize(count);
        WriteLines(name, lines);
    }
    void Replace(const std::string& name, std::size_t line, const std::string& text) const
    {
        std::vector<std::string> lines = Lines(name);
        lines.at(line) = text;
        WriteLines(name, lines);
    }

    TScopedValue<std::string> savedLanguage{lng};
};

TEST_F(ContentFiles, EveryStoredFieldSurvivesAWriteAndARead)
{
    const card c = FilledCard();
    SaveCard(c, PathOf("cards\\3.crd"));
    EXPECT_EQ(LoadCard(PathOf("cards\\3.crd"), "en"), c);

    perks[7] = FilledPerk(7);
    SavePerk(7, PathOf("perks\\p_7.prk"));
    EXPECT_EQ(LoadPerk(7, PathOf("perks\\p_7.prk")), perks[7]);

    const character ch = FilledCharacter();
    SaveChar(ch, PathOf("monsters\\2.mon"));
    EXPECT_EQ(LoadChar(PathOf("monsters\\2.mon")), ch);

    const loot l = FilledItem();
    SaveLoot(l, PathOf("items\\4.lot"));
    EXPECT_EQ(LoadLoot(PathOf("items\\4.lot")), l);
}

TEST_F(ContentFiles, FilesHoldTheirLinesInFileOrderNotRecordOrder)
{
    card c;
    c.dmgph = 11, c.mindam = 12, c.sound = "hit";
    SaveCard(c, PathOf("c.crd"));
    perk p;
    p.recar = 8, p.recmg = 9, p.addar = 17, p.addmg = 18;
    perks[0] = p;
    SavePerk(0, PathOf("p.prk"));
    character ch;
    ch.magic = 9, ch.armor = 10, ch.spec = 3, ch.w_zs = 7;
    ch.spellbook[1000] = true, ch.perks[0] = true;
    SaveChar(ch, PathOf("c.mon"));
    loot l;
    l.lb_mg = 9, l.lb_bw = 10, l.rq_mg = 24, l.rq_bw = 25;
    SaveLoot(l, PathOf("i.lot"));

    const auto cardLines = Lines("c.crd");
    ASSERT_EQ(cardLines.size(), 22u);
    EXPECT_EQ(cardLines[4], "11");
    EXPECT_EQ(cardLines[18], "12");
    EXPECT_EQ(cardLines[20], "hit");
    const auto perkLines = Lines("p.prk");
    ASSERT_EQ(perkLines.size(), 22u);
    EXPECT_EQ((std::vector<std::string>{perkLines[8], perkLines[9], perkLines[17], perkLines[18]}),
              (std::vector<std::string>{"8", "9", "17", "18"}));
    const auto characterLines = Lines("c.mon");
    ASSERT_EQ(characterLines.size(), 1121u);
    EXPECT_EQ((std::vector<std::string>{characterLines[9], characterLines[10], characterLines[1011],
                                        characterLines[1012], characterLines[1013], characterLines[1120]}),
              (std::vector<std::string>{"9", "10", "-1", "3", "-1", "7"}));
    const auto itemLines = Lines("i.lot");
    ASSERT_EQ(itemLines.size(), 30u);
    EXPECT_EQ((std::vector<std::string>{itemLines[9], itemLines[10], itemLines[24], itemLines[25]}),
              (std::vector<std::string>{"9", "10", "24", "25"}));
}

TEST_F(ContentFiles, ShortFilesTakeTheLineDefaults)
{
    card c = FilledCard();
    SaveCard(c, PathOf("c.crd"));
    Truncate("c.crd", 15);
    c.effstrgth = 0, c.effdir = 0, c.consumes = -1, c.mindam = c.dmgph, c.element = 0, c.sound = "0", c.AOE = false;
    EXPECT_EQ(LoadCard(PathOf("c.crd"), "en"), c);

    perks[1] = FilledPerk(1);
    SavePerk(1, PathOf("p.prk"));
    Truncate("p.prk", 20);
    perk p = perks[1];
    p.recrace = -1, p.addcard = -1;
    EXPECT_EQ(LoadPerk(1, PathOf("p.prk")), p);

    character ch = FilledCharacter();
    SaveChar(ch, PathOf("c.mon"));
    Truncate("c.mon", 1114);
    ch.element = 0, ch.loot = -1, ch.lootchance = 50, ch.jrn = 0, ch.w_wd = 20, ch.w_ht = 20, ch.w_zs = 0;
    EXPECT_EQ(LoadChar(PathOf("c.mon")), ch);

    loot l = FilledItem();
    SaveLoot(l, PathOf("i.lot"));
    Truncate("i.lot", 13);
    l.itmtype = 0, l.l_armor = 0, l.crf1 = -1, l.crf2 = -1, l.l_hat = -1, l.nohair = false;
    l.rq_str = l.rq_int = l.rq_spd = l.rq_end = l.rq_sw = l.rq_mg = l.rq_bw = l.rq_ar = 0;
    l.rq_perk = l.rq_item = l.rq_spec = -1;
    EXPECT_EQ(LoadLoot(PathOf("i.lot")), l);
}

TEST_F(ContentFiles, CardsFailOnABadUndefaultedLineAndDefaultTheOthers)
{
    const card c = FilledCard();
    SaveCard(c, PathOf("c.crd"));
    Replace("c.crd", 7, "x");
    EXPECT_EQ(MessageOf<EGameDataError>([&] { LoadCard(PathOf("c.crd"), "en"); }),
              PathOf("c.crd") + ", line 8: 'x' is not a valid integer value");
    SaveCard(c, PathOf("c.crd"));
    Truncate("c.crd", 12);
    EXPECT_EQ(MessageOf<EGameDataError>([&] { LoadCard(PathOf("c.crd"), "en"); }),
              PathOf("c.crd") + ", line 13: missing");

    SaveCard(c, PathOf("c.crd"));
    Replace("c.crd", 18, "many");
    Replace("c.crd", 20, "");
    card expected = c;
    expected.mindam = c.dmgph;
    expected.sound = ""; // a line that is there but empty is no missing line
    EXPECT_EQ(LoadCard(PathOf("c.crd"), "en"), expected);
}

TEST_F(ContentFiles, PerksCharactersAndItemsEndAtABadLineKeepingWhatCameBefore)
{
    perks[2] = FilledPerk(2);
    SavePerk(2, PathOf("p.prk"));
    Replace("p.prk", 5, "?");
    perk p;
    p.id = 2, p.name = perks[2].name, p.recst = perks[2].recst, p.recagi = perks[2].recagi, p.recin = perks[2].recin;
    p.recrace = -1, p.addcard = -1; // enabled false
    {
        TGLLogCapture log;
        EXPECT_EQ(LoadPerk(2, PathOf("p.prk")), p);
        EXPECT_TRUE(log.Contains(PathOf("p.prk") + ", line 6: '?' is not a valid integer value"));
    }

    // A bad line of a defaulted group resets the whole group; a bad lvl ends the read after the name.
    const character full = FilledCharacter();
    struct TCase {
        std::size_t line;
        character expected;
    };
    std::vector<TCase> cases(4, {0, full});
    cases[0].line = 1116, cases[0].expected.loot = -1, cases[0].expected.lootchance = 50;
    cases[1].line = 1115, cases[1].expected.loot = -1, cases[1].expected.lootchance = 50;
    cases[2].line = 1119;
    cases[2].expected.w_wd = 20, cases[2].expected.w_ht = 20, cases[2].expected.w_zs = 0;
    cases[3].line = 1;
    cases[3].expected = character{};
    cases[3].expected.name = cases[3].expected.oname = full.name;
    cases[3].expected.loot = -1; // the tail's line defaults
    for (const TCase& test : cases) {
        SaveChar(full, PathOf("c.mon"));
        Replace("c.mon", test.line, "1.5");
        EXPECT_EQ(LoadChar(PathOf("c.mon")), test.expected) << "bad line " << test.line;
    }

    // An item ends at a bad line among 1..12: the lines after it are not read, defaulted ones included.
    const loot item = FilledItem();
    SaveLoot(item, PathOf("i.lot"));
    Replace("i.lot", 5, "");
    loot expected;
    expected.name = expected.overridename = item.name;
    expected.id = item.id, expected.count = item.count, expected.p = item.p, expected.lb_str = item.lb_str;
    expected.crf1 = expected.crf2 = expected.l_hat = expected.rq_perk = expected.rq_item = expected.rq_spec = -1;
    TGLLogCapture log;
    EXPECT_EQ(LoadLoot(PathOf("i.lot")), expected);
    EXPECT_TRUE(log.Contains(PathOf("i.lot") + ", line 6: '' is not a valid integer value"));
}

TEST_F(ContentFiles, LocalisedNamesReplaceTheFileNamesWhenTheirFileHasALine)
{
    card c;
    c.name = "Fire";
    c.dmgph = 5;
    SaveCard(c, PathOf("cards\\12.crd"));
    folder.Write("text/de/overrides/spells/12.txt", "Feuer\r\nignored\r\n");
    EXPECT_EQ(LoadCard(PathOf("cards\\12.crd"), "de").name, "Feuer");
    EXPECT_EQ(LoadCard(PathOf("cards\\12.crd"), "en").name, "Fire");
    folder.Write("text/en/overrides/spells/12.txt", "");
    EXPECT_EQ(LoadCard(PathOf("cards\\12.crd"), "en").name, "Fire");

    loot l;
    l.id = 9;
    l.name = "Sword";
    SaveLoot(l, PathOf("items\\9.lot"));
    EXPECT_EQ(extractitemoverridename("en", 9), "-nil-");
    EXPECT_EQ(LoadLoot(PathOf("items\\9.lot")).overridename, "Sword");
    folder.Write("text/en/overrides/items/9.txt", "");
    EXPECT_EQ(extractitemoverridename("en", 9), "-nil-");
    EXPECT_EQ(LoadLoot(PathOf("items\\9.lot")).overridename, "Sword");
    folder.Write("text/en/overrides/items/9.txt", "Schwert\r\n");
    EXPECT_EQ(LoadLoot(PathOf("items\\9.lot")).overridename, "Schwert");
    EXPECT_EQ(LoadLoot(PathOf("items\\9.lot")).name, "Sword");
}

TEST_F(ContentFiles, MissingFilesRaiseNamingTheFile)
{
    const std::vector<std::function<void()>> reads = {
        [&] { LoadCard(PathOf("cards\\0.crd"), "en"); },
        [&] { LoadPerk(0, PathOf("perks\\p_0.prk")); },
        [&] { LoadChar(PathOf("monsters\\0.mon")); },
        [&] { LoadLoot(PathOf("items\\0.lot")); },
    };
    for (const auto& read : reads) {
        const std::string message = MessageOf<EGameDataError>(read);
        EXPECT_NE(message, cNoException);
        EXPECT_NE(message.find("0."), std::string::npos) << message;
    }
}

} // namespace
