// The start-up catalogue on the demo adventure's content: every table counts what the adventure holds, the content
// files are read into the tables with their name overrides, and the materials made from the content's pictures
// show those pictures (none falls back to the empty picture).
#include "GLMaterial.h"
#include "GameWindow.h"
#include "UGH_data.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

class GameDemoContent : public GameWindow {};

TEST_F(GameDemoContent, TheCatalogueCountsTheAdventuresContent)
{
    EXPECT_EQ(loadstage, 15);
    EXPECT_EQ(cardcount, 50);
    EXPECT_EQ(monstercount, 7); // six monsters: random encounters draw below 6
    EXPECT_EQ(itemcount, 12);
    EXPECT_EQ(envcount, 2);
    EXPECT_EQ(loadscrcount, 2);
    // Hat, head, hair and armour, each for sex 1 then sex 0: two heads and two hair styles, one of the others.
    EXPECT_EQ(std::vector<int32_t>(bodypartcounts.begin(), bodypartcounts.end()),
              (std::vector<int32_t>{1, 1, 2, 2, 2, 2, 1, 1}));
    // The armour has a layer for each of the five builds.
    for (int sex = 0; sex <= 1; ++sex)
        for (int build = 0; build <= 4; ++build) EXPECT_EQ(armorlayers[sex][0][build], 1) << sex << " " << build;
}

TEST_F(GameDemoContent, TheContentIsReadWithItsNameOverrides)
{
    EXPECT_EQ(cards[3].name, "Fire bolt");
    EXPECT_EQ(cards[1].name, "Lunging thrust");
    EXPECT_TRUE(cards[49].enabled);
    EXPECT_FALSE(cards[50].enabled);
    EXPECT_EQ(monsters[1].name, "Old bones");
    EXPECT_TRUE(monsters[2].boss);
    // The boss is shown by its name's override; the name its file gives stays its oname.
    EXPECT_EQ(std::make_pair(monsters[2].name, monsters[2].oname),
              std::make_pair(std::string("The Mire Warden"), std::string("Warden of the Mire")));
    EXPECT_EQ(perks[1].name, "Eagle eye");
    EXPECT_TRUE(perks[7].enabled);
    EXPECT_FALSE(perks[8].enabled);
    EXPECT_FALSE(perks[-1].enabled || perks[101].enabled);
    EXPECT_EQ(items[1].overridename, "Bog moss");
    EXPECT_EQ(items[0].count, 0); // the start-up resets the stats: nothing is owned until a game begins
    EXPECT_TRUE(items[5].nohair);
    EXPECT_EQ(cpenames[1], "Critical strike");
}

TEST_F(GameDemoContent, TheDollsPartsArePlacedForBothSexes)
{
    // Every part covers the whole torso box, half as wide as high; men have beards.
    for (int32_t sex = 0; sex <= 1; ++sex) {
        for (int32_t id = 0; id <= 1; ++id)
            for (int32_t bpt : {bptHead, bptHair, bptHairb}) {
                readbpartdata(sex, bpt, id);
                EXPECT_EQ(std::make_tuple(bpdata[bpt].w, bpdata[bpt].h, bpdata[bpt].x, bpdata[bpt].y),
                          std::make_tuple(2100.0, 4200.0, 50.0, 50.0))
                    << sex << " " << bpt << " " << id;
            }
        EXPECT_TRUE(bpdata[bptHair].eb);
        EXPECT_EQ(bpdata[bptHair].brd, sex == 0);
        readbpartdata(sex, bptHat, 0);
        readbpartdata(sex, bptTorso, 0);
        EXPECT_EQ(torsoratio, 0.5);
    }
}

TEST_F(GameDemoContent, TheContentsMaterialsShowTheirPictures)
{
    for (const char* name : {"card_0_0",   "card_49_2",   "card_xp",    "ch_3",          "mon_0",         "mon_5_d",
                             "itm_0",      "itm_5",       "sb_0_top",   "sb_1_clouds",   "perkico_2",     "effect_7",
                             "effect_100", "title",       "ui_bg",      "but_2",         "element_4",     "mal_face_0",
                             "fem_hair_0", "mal_torso_4", "fem_arms_4", "mal_cloth_0_0", "fem_cloth_0_1", "wings_3",
                             "ch_49",      "sb_2_front"}) {
        const TGLLibMaterial* material = Game().matlib->LibMaterialByName(name);
        ASSERT_NE(material, nullptr) << name;
        EXPECT_FALSE(material->Material()->Texture()->Disabled()) << name;
        EXPECT_EQ(StartUpLog().find('"' + std::string(name) + "\" shows"), std::string::npos) << name;
    }
    // The set after the last sky box is made from the empty picture, which is not a picture missing: the adventure
    // lacks none.
    EXPECT_NE(Game().matlib->LibMaterialByName("sb_3_top"), nullptr);
    EXPECT_NE(StartUpLog().find("Start-up catalogue: cards 50, monsters 6 (monstercount 7), items 12, wall sets 2,"),
              std::string::npos);
    EXPECT_EQ(StartUpLog().find(" is missing"), std::string::npos) << StartUpLog();
}

} // namespace
