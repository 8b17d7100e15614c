// The paper doll's data files, builds and layers, the owned perks' icons and the perk panel.
#include "UGH_main.h"

#include "GLCoordinates.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "UGH_data.h"

#include "GameDataFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

TEST(DollBuild, IsBaseStrengthOverTwentyRoundedHalfToEvenAtMostFour)
{
    const std::vector<std::pair<int32_t, int32_t>> cases = {{29, 1}, {30, 2}, {50, 2}, {70, 4}, {90, 4},
                                                            {400, 4}, {0, 0}, {-30, 0}};
    for (const auto& [bstr, build] : cases) EXPECT_EQ(DollBuild(bstr), build) << bstr;
}

TEST(DollCloth, TakesTheBuildsLayerElseTheFirstLayerElseTheWholePicture)
{
    ResetGameTables();
    armorlayers[0][2][1] = armorlayers[0][2][3] = 1; // cloth 2 of sex 0: layers 1 and 3
    armorlayers[1][2][4] = 1;                        // the same cloth of sex 1: layer 4 only
    struct Case {
        int32_t sex, cloth, build;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {0, 2, 3, "mal_cloth_2_3"}, {0, 2, 4, "mal_cloth_2_1"}, {1, 2, 3, "mal_cloth_2_4"},
        {0, 5, 3, "mal_cloth_5"},   {0, -1, 0, "mal_cloth_-1"}, {0, 5000, 0, "mal_cloth_5000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClothMaterial("mal_", c.sex, c.cloth, c.build), c.expected) << c.sex << " " << c.cloth;
    ResetGameTables();
}

class BodyPartFiles : public GameDataFolder {};

TEST_F(BodyPartFiles, ReadPlacementsFlagsAndTheTorsoRatio)
{
    WriteLines("bodypartdata/1/head_2.txt", {"400", "500.5", "48", "12,5"});
    WriteLines("bodypartdata/1/hair_2.txt", {"410", "520", "49", "11", "-1", "0"});
    WriteLines("bodypartdata/1/hairb_2.txt", {"410", "520", "49", "11"});
    WriteLines("bodypartdata/1/torso_0.txt", {"3", "5"});
    readbpartdata(1, bptHead, 2);
    readbpartdata(1, bptHair, 2);
    readbpartdata(1, bptHairb, 2);
    readbpartdata(1, bptTorso, 0);
    EXPECT_EQ(bpdata[bptHead], (TBodyPartData{400, 500.5, 48, 12.5, false, false}));
    EXPECT_EQ(bpdata[bptHair], (TBodyPartData{410, 520, 49, 11, true, false}));
    EXPECT_EQ(bpdata[bptHairb], (TBodyPartData{410, 520, 49, 11, false, false})); // no flag lines: both off
    EXPECT_DOUBLE_EQ(torsoratio, 0.6);
}

TEST_F(BodyPartFiles, RefuseBadFilesAndKeepWhatWasRead)
{
    WriteLines("bodypartdata/0/hat_0.txt", {"100", "100", "50", "5"});
    readbpartdata(0, bptHat, 0);
    torsoratio = 0.5;
    struct Case {
        std::string file;
        std::vector<std::string> lines;
        int32_t bpt;
    };
    const std::vector<Case> cases = {
        {"hat_1.txt", {"100", "x", "50", "5"}, bptHat},   // a bad number
        {"hat_1.txt", {"100", "100", "50"}, bptHat},      // cut short
        {"hat_1.txt", {"1e999", "100", "50", "5"}, bptHat},
        {"torso_1.txt", {"3", "0"}, bptTorso},            // over no height
        {"torso_1.txt", {"-3", "5"}, bptTorso},
        {"torso_1.txt", {"3"}, bptTorso},
    };
    for (const Case& c : cases) {
        WriteLines("bodypartdata/0/" + c.file, c.lines);
        EXPECT_THROW(readbpartdata(0, c.bpt, 1), EGameDataError) << c.file << " " << c.lines[0];
    }
    EXPECT_THROW(readbpartdata(0, bptHead, 7), EGameDataError); // no such file
    EXPECT_THROW(readbpartdata(0, 5, 0), EGameDataError);       // no such kind
    EXPECT_EQ(bpdata[bptHat], (TBodyPartData{100, 100, 50, 5, false, false}));
    EXPECT_EQ(torsoratio, 0.5);
}

// An unshown main window of 1024 x 768 whose character screen's background stands at its left (right edge 510),
// and a male player of body parts 0 with the data of all of them.
class Doll : public GameDataFolder {
protected:
    void SetUp() override
    {
        GameDataFolder::SetUp();
        kept = {scrw, scrh};
        keptflags = {showenemy, invmode, perkpanelshown, loading};
        scrw = 1024;
        scrh = 768;
        form.reset(new TForm1(nullptr));
        form->SetClientHeight(768);
        for (TGLHUDSprite*& icon : form->perkicons)
            icon = TGLBaseSceneObject::CreateAsChild<TGLHUDSprite>(form->dcperkicon);
        for (int32_t i = 0; i <= 400; ++i) strarr[i] = "s" + std::to_string(i);
        for (int32_t slot = 0; slot <= 3; ++slot) equipped[slot] = -1;
        player = character{};
        for (const char* part : {"head_0", "hair_0", "hairb_0", "hat_0"})
            WriteLines(std::string("bodypartdata/0/") + part + ".txt", {"420", "840", "50", "25"});
        WriteLines("bodypartdata/0/torso_0.txt", {"1", "2"});
        showenemy = loading = false;
    }
    void TearDown() override
    {
        form.reset();
        scrw = kept[0];
        scrh = kept[1];
        showenemy = keptflags[0];
        invmode = keptflags[1];
        perkpanelshown = keptflags[2];
        loading = keptflags[3];
        perkcursor = 0;
        ttlast = -1;
        GameDataFolder::TearDown();
    }
    std::string Material(int32_t part) const { return form->bparts[part]->Material()->LibMaterialName(); }
    bool Shown(int32_t part) const { return form->bparts[part]->Visible(); }

    std::unique_ptr<TForm1, TFreeDeleter> form;
    std::vector<int32_t> kept;
    std::vector<bool> keptflags;
};

TEST_F(Doll, LayersItsPartsInOrderOverEachOtherWithTheirPictures)
{
    player.spec = 2;
    player.bstr = 50;
    player.cloth = 1;
    player.hair = 0;
    equipped[0] = 7;
    equipped[3] = 4;
    armorlayers[0][1][2] = 1;
    form->ConstructCharacter();

    // Drawn in this order, later ones over earlier ones: wings, the two worn items, hat back, hair back, torso,
    // arms, cloth, face, hair, eyebrows, beard, hat.
    const std::vector<std::pair<int32_t, std::string>> layers = {
        {6, "wings_2"},       {1, "itm_7"},    {2, "itm_-1"},       {3, "mal_hatb_0"},    {4, "mal_hairb_0"},
        {5, "mal_torso_2"},   {7, "mal_arms_2"}, {8, "mal_cloth_1_2"}, {9, "mal_face_0"}, {10, "mal_hair_0"},
        {11, "mal_haireb_0"}, {12, "mal_hairbrd_0"}, {13, "mal_hat_0"},
    };
    int32_t index = -1;
    for (const auto& [part, material] : layers) {
        ASSERT_NE(form->bparts[part], nullptr) << part;
        EXPECT_EQ(Material(part), material);
        EXPECT_GT(form->bparts[part]->Index(), index) << material;
        index = form->bparts[part]->Index();
    }
    EXPECT_TRUE(Shown(1));
    EXPECT_FALSE(Shown(2)); // nothing worn in slot 1
    EXPECT_TRUE(Shown(3));
    EXPECT_TRUE(Shown(13));
    EXPECT_FALSE(Shown(11)); // the hair's data asks for no eyebrows or beard
    EXPECT_FALSE(Shown(12));

    // The torso box 384 x 768 centred at (772, 384); a part of 420 x 840 pixels at 50 % / 25 % of it.
    const TGLHUDSprite* torso = form->bparts[5];
    EXPECT_FLOAT_EQ(torso->Width(), 384);
    EXPECT_FLOAT_EQ(torso->Height(), 768);
    EXPECT_FLOAT_EQ(torso->Position()->X(), 772);
    EXPECT_FLOAT_EQ(torso->Position()->Y(), 384);
    const TGLHUDSprite* face = form->bparts[9];
    EXPECT_FLOAT_EQ(face->Width(), 420 * 768 / 4200.0f);
    EXPECT_FLOAT_EQ(face->Height(), 840 * 768 / 4200.0f);
    EXPECT_FLOAT_EQ(face->Position()->X(), 772);
    EXPECT_FLOAT_EQ(face->Position()->Y(), 192);
    // The worn item 0.8 of the box's width square at the head's x, a quarter of the height above the middle.
    EXPECT_FLOAT_EQ(form->bparts[1]->Width(), 0.8f * 384);
    EXPECT_FLOAT_EQ(form->bparts[1]->Position()->Y(), 192);
    EXPECT_FLOAT_EQ(form->bparts[6]->Width(), 1.2f * 384);

    // Built again, the doll replaces the old one instead of adding to it.
    const int32_t children = form->dccharscreen->Count();
    form->ConstructCharacter();
    EXPECT_EQ(form->dccharscreen->Count(), children);
}

TEST_F(Doll, HidesTheHatWithoutAHeadItemAndTheHairUnderOneThatCoversIt)
{
    struct Case {
        int32_t head;
        bool nohair, hat, hair;
    };
    const std::vector<Case> cases = {{-1, false, false, true}, {4, false, true, true}, {4, true, true, false}};
    for (const Case& c : cases) {
        equipped[3] = c.head;
        items[4].nohair = c.nohair;
        form->ConstructCharacter();
        EXPECT_EQ(Shown(3), c.hat) << c.head << c.nohair;
        EXPECT_EQ(Shown(13), c.hat) << c.head << c.nohair;
        EXPECT_EQ(Shown(4), c.hair) << c.head << c.nohair;
        EXPECT_EQ(Shown(10), c.hair) << c.head << c.nohair;
    }
    EXPECT_EQ(form->bparts[6], nullptr); // a living player has no wings
}

TEST_F(Doll, FallsBackToTheDefaultPlacementWhenAFileIsMissingOrItsTorsoHasNoHeight)
{
    for (const char* broken : {"missing", "zero"}) {
        if (std::string(broken) == "missing")
            player.face = 3; // no head_3.txt
        else
            WriteLines("bodypartdata/0/torso_0.txt", {"1", "0"});
        form->ConstructCharacter();
        for (int32_t bpt : {bptHead, bptHair, bptHairb})
            EXPECT_EQ(bpdata[bpt], (TBodyPartData{1020, 1020, 50, 15, false, false})) << broken;
        EXPECT_DOUBLE_EQ(torsoratio, 0.6) << broken;
        const TGLHUDSprite* face = form->bparts[9];
        EXPECT_FLOAT_EQ(face->Width(), 1020 * 768 / 4200.0f);
        EXPECT_FLOAT_EQ(face->Position()->X(), 772) << broken;
        EXPECT_FLOAT_EQ(face->Position()->Y(), 0.15f * 768) << broken;
        EXPECT_FLOAT_EQ(form->bparts[5]->Width(), 0.6f * 768) << broken;
    }
}

TEST_F(Doll, ShowsTheEnemysPictureAloneInItsPlaceWhileAnEnemyIsShown)
{
    form->ConstructCharacter();
    form->monster_img->Material()->SetLibMaterialName("mon_3");
    showenemy = true;
    form->ConstructCharacter();
    for (TGLHUDSprite* part : form->bparts) EXPECT_EQ(part, nullptr);
    ASSERT_NE(form->charpic, nullptr);
    EXPECT_EQ(form->charpic->Material()->LibMaterialName(), "mon_3");
    // The space right of the background is 514 wide: a square of 509 centred in it.
    EXPECT_FLOAT_EQ(form->charpic->Width(), 509);
    EXPECT_FLOAT_EQ(form->charpic->Position()->X(), 767);
    EXPECT_FLOAT_EQ(form->charpic->Position()->Y(), 384);
    showenemy = false;
    form->ConstructCharacter();
    EXPECT_EQ(form->charpic, nullptr);
    EXPECT_NE(form->bparts[5], nullptr);
}

TEST_F(Doll, OwnedPerksStandInAColumnWithTheirNamesAsTooltips)
{
    player.perks[3] = player.perks[40] = true;
    perks[3].name = "Rescue";
    perks[40].name = "Keen eye";
    ttareas[5].text = "stale";
    form->formperkvisuals(player);
    // The background is 660 high: (660 - 60) / 3 = 200 gives the step 70; icons from (515, 70).
    EXPECT_EQ(ttlast, 1);
    const TGLHUDSprite* second = form->perkicons[1];
    EXPECT_TRUE(second->Visible());
    EXPECT_EQ(second->Material()->LibMaterialName(), "perkico_40");
    EXPECT_FLOAT_EQ(second->Position()->X(), 515);
    EXPECT_FLOAT_EQ(second->Position()->Y(), 140);
    EXPECT_FLOAT_EQ(second->Width(), 35);
    EXPECT_FALSE(form->perkicons[2]->Visible());
    EXPECT_EQ(ttareas[1], (tooltiparea{498, 122, 532, 158, "Keen eye"})); // 497.5 and 532.5 round to even
    EXPECT_EQ(ttareas[0].text, "Rescue");
    EXPECT_EQ(ttareas[5], tooltiparea{});

    // Thirty perks close up to 600 / 31 = 19 pixels apart.
    for (int32_t id = 0; id < 30; ++id) player.perks[id] = true;
    form->formperkvisuals(player);
    EXPECT_FLOAT_EQ(form->perkicons[1]->Position()->Y() - form->perkicons[0]->Position()->Y(), 19);
}

TEST_F(Doll, PerkPanelListsOnlyWhatThePerkAsksAndGives)
{
    perks[2] = perk{};
    perks[2].recperk = perks[2].recrace = perks[2].addcard = -1;
    perks[2].addcoded = 4;
    cpenames[4] = "More experience";
    TPerkPanelText text = PerkPanelText(2);
    EXPECT_EQ(text.labels, "\r\ns177: \r\n");
    EXPECT_EQ(text.values, "s172/s173\r\nMore experience\r\n");

    // Intelligence before speed, armor before magic; a card, a perk and a class when asked; a coded effect
    // outside the names gives an empty value.
    perks[2].recin = 20;
    perks[2].addar = 1;
    perks[2].addmg = 2;
    perks[2].addagi = -1;
    perks[2].addcard = 5;
    cards[5].name = "Bolt";
    perks[2].recperk = 3;
    perks[3].name = "Rescue";
    perks[2].recrace = 1;
    perks[2].addcoded = 101;
    text = PerkPanelText(2);
    EXPECT_EQ(text.labels, "\r\ns37: \r\ns38: \r\ns42: \r\ns43: \r\ns194: \r\ns179: \r\ns182: \r\ns177: \r\n");
    EXPECT_EQ(text.values, "s172/s173\r\n20  |  0\r\n0  |  -1\r\n0  |  1\r\n0  |  2\r\nBolt\r\nRescue\r\n" +
                               TForm1::GetEClassName(1, strarr) + "\r\n\r\n");
}

TEST_F(Doll, PerkPanelNamesThePerkInWhiteOwnedGreenLearnableRedOtherwise)
{
    invmode = perkpanelshown = true;
    perklist[0] = 6;
    perkcursor = 0;
    perks[6].name = "Hardy";
    perks[6].recperk = perks[6].recrace = perks[6].addcard = -1;
    struct Case {
        bool owned;
        int32_t recst;
        float r, g, b;
    };
    const std::vector<Case> cases = {{true, 50, 1, 1, 1}, {false, 0, 0, 1, 0}, {false, 50, 1, 0, 0}};
    for (const Case& c : cases) {
        player.perks[6] = c.owned;
        perks[6].recst = c.recst;
        form->ProcessPerkPanel();
        const TVector4f& colour = form->perk_name->ModulateColor()->Color();
        EXPECT_EQ((std::vector<float>{colour.X, colour.Y, colour.Z}), (std::vector<float>{c.r, c.g, c.b}))
            << c.owned << " " << c.recst;
    }
    EXPECT_EQ(form->perk_name->Text(), "Hardy");
    EXPECT_TRUE(form->csperkbg->Visible());
    EXPECT_TRUE(form->dcperked->Visible());
    // 1024 - (510 + 20) = 494 wide, right of the background, the picture 5 pixels above it.
    EXPECT_FLOAT_EQ(form->csperkbg->Width(), 494);
    EXPECT_FLOAT_EQ(form->csperkbg->Position()->X(), 767);
    EXPECT_FLOAT_EQ(form->perk_name->Position()->X(), 535);
    EXPECT_FLOAT_EQ(form->perk_name->Position()->Y(), 224);
    EXPECT_FLOAT_EQ(form->perkimage->Position()->Y(), 154);
    EXPECT_EQ(form->perkimage->Material()->LibMaterialName(), "perkico_6");

    // Hidden with an enemy shown; a cursor off the list shows the panel empty.
    showenemy = true;
    form->ProcessPerkPanel();
    EXPECT_FALSE(form->csperkbg->Visible());
    showenemy = false;
    perkcursor = 500;
    form->ProcessPerkPanel();
    EXPECT_TRUE(form->csperkbg->Visible());
    EXPECT_FALSE(form->dcperked->Visible());
}

} // namespace
