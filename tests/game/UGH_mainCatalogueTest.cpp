// The start-up catalogue's pictures and content beyond the walls and sprites, and the HUD objects made at run
// time, on a small data folder of the test's own and an unshown main window.
#include "UGH_main.h"

#include "MaterialCatalogue.h"

#include "DDSImage.h"
#include "GLHUDObjects.h"
#include "GLWindowsFont.h"
#include "GLObjects.h"
#include "JPEG.h"
#include "PngImage.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

class Catalogue : public CatalogueFolder {
protected:
    static std::string N(int32_t n) { return std::to_string(n); }

    void Card(int32_t id, const std::string& name = "card")
    {
        card entry;
        entry.name = name;
        std::filesystem::create_directories(folder.path / "cards");
        SaveCard(entry, GamePath("\\cards\\" + N(id) + ".crd"));
    }
    void Monster(int32_t id, const std::string& name = "monster")
    {
        character entry;
        entry.name = name;
        std::filesystem::create_directories(folder.path / "monsters");
        SaveChar(entry, GamePath("\\monsters\\" + N(id) + ".mon"));
    }
    void Perk(int32_t id, const std::string& name)
    {
        perks[id] = perk();
        perks[id].name = name;
        perks[id].enabled = true;
        std::filesystem::create_directories(folder.path / "perks");
        SavePerk(id, GamePath("\\perks\\p_" + N(id) + ".prk"));
        perks[id] = perk();
    }
    void Item(int32_t id)
    {
        loot entry;
        entry.id = id;
        entry.name = "item " + N(id);
        std::filesystem::create_directories(folder.path / "items");
        SaveLoot(entry, GamePath("\\items\\" + N(id) + ".lot"));
    }
    std::string Name(const TGLHUDSprite* sprite) const { return sprite->Material()->LibMaterialName(); }
};

// Every kind of picture the catalogue names, each file of a width of its own, against the material that shows
// it; pictures that are missing show empty.tga (16 pixels).
TEST_F(Catalogue, MaterialNamesAgainstTheirFiles)
{
    struct TCase {
        const char* material;
        const char* file; // below the data folder; nullptr: missing
    } const cases[] = {
        {"ui_bg", "textures/hq/ui_bg.tga"},
        {"keys_gold", "textures/hq/keys_gold.tga"},
        {"spr_door", "textures/hq/spr_door.tga"},
        {"trbg", "textures/trbg.tga"},
        {"iico_helm", "textures/hq/iico_helm.tga"},
        {"element_4", "textures/hq/element_4.tga"},
        {"mal_face_0", "textures/hq/bodies/0/head_0.tga"},
        {"fem_face_0", "textures/hq/bodies/1/head_0.tga"},
        {"mal_hair_0", "textures/hq/bodies/0/hair_0.tga"},
        {"mal_haireb_0", "textures/hq/bodies/0/haireb_0.tga"},
        {"mal_hairbrd_0", "textures/hq/bodies/0/hairbrd_0.tga"},
        {"mal_hairb_0", "textures/hq/bodies/0/hairb_0.tga"},
        {"fem_hair_0", "textures/hq/bodies/1/hair_0.tga"},
        {"fem_hat_0", "textures/hq/bodies/1/hat_0.tga"},
        {"fem_hatb_0", "textures/hq/bodies/1/hatb_0.tga"},
        {"mal_torso_4", "textures/hq/bodies/0/torso_4.tga"},
        {"fem_arms_2", "textures/hq/bodies/1/arms_2.tga"},
        {"mal_arms_0", nullptr},
        {"mal_cloth_0_1", "textures/hq/bodies/0/armor_0_1.tga"},
        {"fem_cloth_0", "textures/hq/bodies/1/armor_0.tga"},
        {"wings_2", "textures/hq/bodies/wings_2.tga"},
        {"wings_3", nullptr},
        {"card_xp", "textures/cards/en/xp.png"},
        {"card_0_1", "textures/cards/en/0_1.png"},
        {"card_0_2", nullptr},
        {"ch_0", "textures/cards/h0.jpg"},
        {"perkico_5", "textures/perkicons/5.tga"},
        {"mon_0", "textures/hq/monsters/0.tga"},
        {"mon_0_d", "textures/hq/monsters/0.tga"},
        {"effect_7", "textures/hq/effect_7.tga"},
        {"effect_100", nullptr},
        {"sb_0_clouds", "textures/hq/skyboxes/0/clouds.tga"},
        {"sb_0_top", "textures/hq/skyboxes/0/top.tga"},
        {"sb_1_top", nullptr},
        {"itm_0", "textures/hq/items/0.tga"},
    };
    int32_t side = 17;
    std::map<std::string, int32_t> sides;
    for (const TCase& c : cases) {
        if (!c.file || sides.count(c.file)) continue;
        const std::string file = c.file;
        if (file.ends_with(".png")) Picture<TPngImage>(file, side);
        else if (file.ends_with(".jpg")) Picture<TJPEGImage>(file, side);
        else Picture<TTGAImage>(file, side);
        sides[file] = side++;
    }
    Card(0);
    Monster(0);
    Item(0);

    form->preparematerials();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.material);
        ASSERT_NE(Material(c.material), nullptr);
        EXPECT_EQ(PictureWidth(c.material), c.file ? sides[c.file] : 16);
    }
    // The defeated monster, the door and the table are unlit; armour layers replace what lies below them.
    for (const char* unlit : {"mon_0_d", "spr_door", "spr_table"})
        EXPECT_EQ(Material(unlit)->Material()->FrontProperties()->Emission()->Color().X, 0) << unlit;
    EXPECT_EQ(Texture("mal_cloth_0_1")->TextureMode(), tmReplace);
    EXPECT_EQ(std::vector<int32_t>(armorlayers[0][0].begin(), armorlayers[0][0].end()),
              (std::vector<int32_t>{0, 1, 0, 0, 0}));
    EXPECT_EQ(Material("mal_cloth_0"), nullptr);
    EXPECT_EQ(Material("perkico_4"), nullptr);

    // The objects that show the fixed pictures.
    for (TGLHUDSprite* sprite : {form->csbackground, form->csperkbg, form->reqform, form->ilpanel, form->invitmdesc,
                                 form->invhelpbg})
        EXPECT_EQ(Name(sprite), "ui_bg") << sprite->Name();
    EXPECT_EQ(Name(form->trbg), "trbg");
    EXPECT_EQ(Name(form->reqform_dark), "trbg");
    EXPECT_EQ(Name(form->titlecard), "title");
    EXPECT_EQ(form->titlecard->Width(), 400);
    EXPECT_EQ(Name(form->key_silver), "keys_silver");
    EXPECT_EQ(Name(form->monster_ico), "keys_monster");
    for (TGLHUDSprite* bar : {form->pl_hpbar_bg, form->pl_mpbar_bg, form->monster_hpbar_bg})
        EXPECT_EQ(Name(bar), "bar_bg");
    EXPECT_EQ(Name(form->monster_hpbar), "hpbar");
    EXPECT_EQ(Name(form->pl_mpbar), "mpbar");
    EXPECT_EQ(Name(form->corner_bl), "corner_bl");
}

TEST_F(Catalogue, ContentCounts)
{
    for (int32_t id = 0; id <= 9; ++id) {
        Card(id, "card " + N(id));
        Monster(id, "monster " + N(id));
    }
    for (int32_t id : {0, 1, 2, 5}) Picture<TTGAImage>("textures/hq/items/" + N(id) + ".tga", 2);
    Picture<TDDSImage>("textures/hq/items/3.dds", 4);
    for (int32_t id = 0; id <= 3; ++id) Item(id);
    Picture<TTGAImage>("textures/hq/skyboxes/0/top.tga", 2);
    Picture<TDDSImage>("textures/hq/skyboxes/1/top.dds", 4);
    monsters[42].name = "left over";

    form->preparematerials();
    EXPECT_EQ(cardcount, 10);
    EXPECT_EQ(cards[9].name, "card 9");
    EXPECT_TRUE(cards[9].enabled);
    EXPECT_FALSE(cards[10].enabled);

    EXPECT_EQ(monstercount, 11);
    EXPECT_EQ(monsters[9].name, "monster 9");
    EXPECT_EQ(monsters[9].enem_id, 9);
    EXPECT_EQ(monsters[10].name, "none");
    EXPECT_EQ(monsters[42].name, "none");

    // Items follow their pictures (a DDS one counts); item 5 lies beyond the gap.
    EXPECT_EQ(itemcount, 4);
    EXPECT_EQ(PictureWidth("itm_3"), 4);
    EXPECT_EQ(Material("itm_4"), nullptr);
    EXPECT_EQ(Material("itm_5"), nullptr);
    EXPECT_EQ(items[3].name, "item 3");
    EXPECT_EQ(items[0].count, 1);
    EXPECT_EQ(items[1].count, 0);

    // Sets 0 and 1, and the set after them from empty.tga.
    EXPECT_EQ(PictureWidth("sb_1_top"), 4);
    EXPECT_EQ(PictureWidth("sb_2_top"), 16);
    EXPECT_NE(Material("sb_2_clouds"), nullptr);
    EXPECT_EQ(Material("sb_3_top"), nullptr);
}

// A data folder written with other letter cases is found all the same.
TEST_F(Catalogue, NamesInAnyLetterCase)
{
    Card(0);
    std::filesystem::rename(folder.path / "cards", folder.path / "Cards");
    std::filesystem::rename(folder.path / "Cards/0.crd", folder.path / "Cards/0.CRD");
    folder.Write("MONSTERS/0.Mon", "");
    Picture<TTGAImage>("textures/hq/Items/0.TGA", 3);
    Picture<TTGAImage>("textures/hq/Items/1.tga", 3);
    Picture<TTGAImage>("textures/hq/SkyBoxes/0/TOP.tga", 3);
    WriteLines("Text/EN/Overrides/Monsters/0.txt", {"Loud Rat"});

    form->preparematerials();
    EXPECT_EQ(cardcount, 1);
    EXPECT_TRUE(cards[0].enabled);
    EXPECT_EQ(monstercount, 2);
    EXPECT_EQ(monsters[0].name, "Loud Rat");
    EXPECT_EQ(itemcount, 2);
    EXPECT_EQ(PictureWidth("itm_0"), 3);
    EXPECT_EQ(PictureWidth("sb_0_top"), 3);
    EXPECT_NE(Material("sb_1_top"), nullptr);
}

TEST_F(Catalogue, ItemZeroIsReadEvenWithoutItsPicture)
{
    for (int32_t id : {1, 2}) Picture<TTGAImage>("textures/hq/items/" + N(id) + ".tga", 2);
    for (int32_t id = 0; id <= 2; ++id) Item(id);
    form->preparematerials();
    EXPECT_EQ(itemcount, 0);
    EXPECT_EQ(PictureWidth("itm_0"), 16);
    EXPECT_EQ(items[2].name, "item 2");
    EXPECT_EQ(items[0].count, 1);
}

TEST_F(Catalogue, PerksAndNameOverrides)
{
    Perk(0, "first");
    Perk(7, "seventh");
    Perk(100, "last");
    Monster(0, "rat");
    Monster(1, "skeleton");
    WriteLines("text/en/overrides/perks/7.txt", {"Seventh Sense"});
    WriteLines("text/en/overrides/perks/100.txt", {});
    WriteLines("text/en/overrides/monsters/0.txt", {"Giant Rat", "more"});
    folder.Write("text/en/overrides/monsters/1.txt", "");
    perks[-1].enabled = perks[101].enabled = perks[3].enabled = true;

    form->preparematerials();
    EXPECT_TRUE(perks[0].enabled);
    EXPECT_EQ(perks[0].name, "first");
    EXPECT_EQ(perks[0].id, 0);
    EXPECT_EQ(perks[7].name, "Seventh Sense");
    EXPECT_EQ(perks[100].name, "last"); // an empty override counts as none
    EXPECT_FALSE(perks[3].enabled);
    EXPECT_FALSE(perks[-1].enabled);
    EXPECT_FALSE(perks[101].enabled);
    EXPECT_EQ(monsters[0].name, "Giant Rat");
    EXPECT_EQ(monsters[1].name, "skeleton");
}

TEST_F(Catalogue, UnreadableContentIsLeftOutNamingFileAndLine)
{
    for (int32_t id = 0; id <= 2; ++id) Card(id, "card " + N(id));
    folder.Write("cards/1.crd", "name\r\n0\r\n1\r\n2\r\n3\r\n4\r\n5\r\nseven\r\n");
    Picture<TTGAImage>("textures/hq/items/0.tga", 2);
    Picture<TTGAImage>("textures/hq/items/1.tga", 2);
    Item(1); // item 0 has no file

    TGLLogCapture log;
    form->preparematerials();
    EXPECT_EQ(cardcount, 3);
    EXPECT_FALSE(cards[1].enabled);
    EXPECT_TRUE(cards[2].enabled);
    EXPECT_TRUE(log.Contains("1.crd, line 8")) << ::testing::PrintToString(log.Texts());
    EXPECT_TRUE(log.Contains("card 1 is left out"));
    EXPECT_TRUE(log.Contains("item 0 is left out"));
    EXPECT_EQ(items[0].count, 0);
    EXPECT_EQ(items[1].name, "item 1");
}

TEST_F(Catalogue, LoopsStopAtTheirTables)
{
    // The shared bound: ids from first while they exist, at most the limit, what lies beyond logged.
    struct TCase {
        int32_t first, limit, present; // ids below present exist
        int32_t result;
        bool logged;
    } const cases[] = {
        {0, 5, 0, 0, false}, {0, 5, 3, 3, false}, {0, 5, 5, 5, false},
        {0, 5, 6, 5, true},  {1, 5, 9, 5, true},  {1, 5, 1, 1, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.first << " " << c.limit << " " << c.present);
        TGLLogCapture log;
        EXPECT_EQ(FirstMissingId(c.first, c.limit, [&](int32_t id) { return id < c.present; }, "Things"), c.result);
        EXPECT_EQ(log.Contains("Things from 5 on are left out"), c.logged);
    }

    // A hundred monsters at most, so that monstercount stays within the table.
    std::filesystem::create_directories(folder.path / "monsters");
    for (int32_t id = 0; id <= cCatalogueMonsters; ++id) folder.Write("monsters/" + N(id) + ".mon", "");
    TGLLogCapture log;
    form->preparematerials();
    EXPECT_EQ(monstercount, cCatalogueMonsters + 1);
    EXPECT_LE(monstercount, monsters.Length());
    EXPECT_EQ(monsters[cCatalogueMonsters].name, "none");
    EXPECT_NE(Material("mon_99"), nullptr);
    EXPECT_EQ(Material("mon_100"), nullptr);
    EXPECT_TRUE(log.Contains("Monsters (\\monsters\\) from 100 on are left out"));
}

TEST_F(Catalogue, BodyPartCountsInTheirOrder)
{
    // Sex 0: 1 hat, 2 heads, 3 hairs, 2 armours (one only in layers); sex 1: 4 hats, 5 heads, none, 1 armour.
    const auto make = [this](int32_t sex, const std::string& kind, int32_t count) {
        for (int32_t i = 0; i < count; ++i)
            Picture<TTGAImage>("textures/hq/bodies/" + N(sex) + "/" + kind + "_" + N(i) + ".tga", 2);
    };
    make(0, "hat", 1);
    make(0, "head", 2);
    make(0, "hair", 3);
    make(0, "armor", 1);
    Picture<TTGAImage>("textures/hq/bodies/0/armor_1_4.tga", 2);
    Picture<TTGAImage>("textures/hq/bodies/0/hat_5.tga", 2); // after a gap: not counted
    make(1, "hat", 4);
    make(1, "head", 5);
    make(1, "armor", 1);

    form->preparematerials();
    EXPECT_EQ(std::vector<int32_t>(bodypartcounts.begin(), bodypartcounts.end()),
              (std::vector<int32_t>{4, 1, 5, 2, 0, 3, 1, 2}));
    EXPECT_NE(Material("mal_cloth_1_4"), nullptr);
    EXPECT_EQ(armorlayers[0][1][4], 1);
    EXPECT_NE(Material("mal_hatb_0"), nullptr);
    EXPECT_EQ(Material("mal_hat_1"), nullptr);
    EXPECT_EQ(Material("fem_hair_0"), nullptr);
}

TEST_F(Catalogue, HUDObjectsUnderTheirLayers)
{
    form->preparematerials();
    // A button's record holds nothing until the buttons are laid out.
    gbuttons[5].caption = "old";
    form->prepareuiobjects();

    for (int32_t id = 0; id <= 62; ++id) {
        SCOPED_TRACE(id);
        std::string sprites = "dcuimiddle", texts = "dcuifront";
        if (id == 38 || id == 39 || id == 50) {
            sprites = "inventoryf1";
            texts = "inventoryf2";
        } else if ((id >= 40 && id <= 45) || id == 48 || id == 49 || (id >= 55 && id <= 58)) {
            sprites = "dcrf";
            texts = "dcrff";
        }
        EXPECT_EQ(form->gbsprites[id]->Parent()->Name(), sprites);
        EXPECT_EQ(form->gbtexts[id]->Parent()->Name(), texts);
        EXPECT_EQ(form->gbsprites[id]->Material()->MaterialLibrary(), form->matlib);
        EXPECT_EQ(form->gbtexts[id]->BitmapFont(), static_cast<TGLCustomBitmapFont*>(form->GLWindowsBitmapFont2));
    }
    gamebutton reset;
    reset.matname = "none";
    EXPECT_EQ(gbuttons[5], reset);

    for (TGLHUDSprite* card : form->handcards) EXPECT_EQ(card->Parent(), form->dcuifront);
    for (TGLHUDText* text : form->dmgtexts) EXPECT_EQ(text->BitmapFont(), static_cast<TGLCustomBitmapFont*>(form->GLWindowsBitmapFont1));
    EXPECT_EQ(form->dmgtexts[100]->Parent(), form->dcuifront);
    EXPECT_EQ(form->enemyiconlabels[10]->Parent(), form->dcuibg);
    EXPECT_EQ(form->enemyiconlabels[10]->BitmapFont(), static_cast<TGLCustomBitmapFont*>(form->GLWindowsBitmapFont2));
    EXPECT_EQ(form->effecticons[1][100]->Parent(), form->dcuifront);
    EXPECT_EQ(form->effecticons[1][100]->Width(), 32);
    EXPECT_EQ(form->ilgridtext[9][9]->Parent(), form->inventory);
    EXPECT_EQ(form->ilgrid3[9][9]->Parent(), form->inventory);
    EXPECT_EQ(form->corner_tr->Width(), 270);
    EXPECT_EQ(form->corner_bl->Height(), 250);
    EXPECT_EQ(Name(form->tooltipbg), "ui_tooltip");
    EXPECT_EQ(Name(form->loadscr_b), "etex_0_0");
    const std::string loadscreen = Name(form->loadscr_f);
    EXPECT_TRUE(loadscreen == "loadscr_0" || loadscreen == "loadscr_1") << loadscreen;

    // Made again, the perk and enemy icons replace the ones before.
    const int32_t perkIcons = form->dcperkicon->Count();
    const int32_t enemyObjects = form->dcuibg->Count();
    TGLHUDSprite* const oldIcon = form->perkicons[0];
    form->prepareuiobjects();
    EXPECT_EQ(form->dcperkicon->Count(), perkIcons);
    EXPECT_EQ(form->dcuibg->Count(), enemyObjects);
    EXPECT_NE(form->perkicons[0], oldIcon);
    EXPECT_FALSE(form->perkicons[0]->Visible());
    EXPECT_EQ(perkIcons, 2 + 101); // csperkbg, the perk panel's dummy and the icons
}

} // namespace
