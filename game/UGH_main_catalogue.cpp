// The start-up catalogue's pictures beyond the walls and sprites: the fixed HUD pictures, the paper doll, cards,
// perk icons, monsters and perks, effects, sky boxes and items, with the content files read beside them; and the
// HUD objects the game makes at run time.
#include "UGH_main.h"

#include "GLBitmapFont.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLObjects.h"
#include "RandomGenerator.h"
#include "UGH_data.h"
#include "UGH_log.h"
#include "GLWindowsFont.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

namespace {

// One fixed HUD picture: its material (and file) name, its emission, and the sprites that show it.
struct THUDPicture {
    const char* name;
    double emit = 1.0;
    std::vector<TGLHUDSprite* TForm1::*> shownBy = {};
};

void ShowMaterial(TGLHUDSprite* sprite, TGLMaterialLibrary* library, const std::string& name)
{
    sprite->Material()->SetMaterialLibrary(library);
    sprite->Material()->SetLibMaterialName(name);
}

template <class T> T* MakeHUDObject(TGLBaseSceneObject* parent, bool visible)
{
    T* const object = TGLBaseSceneObject::CreateAsChild<T>(parent);
    object->SetVisible(visible);
    return object;
}

TGLHUDSprite* MakeSprite(TGLBaseSceneObject* parent, TGLMaterialLibrary* library, bool visible = false)
{
    TGLHUDSprite* const sprite = MakeHUDObject<TGLHUDSprite>(parent, visible);
    sprite->Material()->SetMaterialLibrary(library);
    return sprite;
}

TGLHUDText* MakeText(TGLBaseSceneObject* parent, TGLWindowsBitmapFont* font, bool visible = false)
{
    TGLHUDText* const text = MakeHUDObject<TGLHUDText>(parent, visible);
    text->SetBitmapFont(font);
    return text;
}

// Frees the object when there is one, then makes the new one in its place.
template <class T, class Make> void Remake(T*& object, Make make)
{
    if (object) FreeAndNil(object);
    object = make();
}

// Reads one content file into its table entry; a file that cannot be read is left out (logged, naming the
// file and line) and the catalogue goes on.
template <class Read> bool ReadContent(const std::string& what, Read read)
{
    try {
        read();
        return true;
    } catch (const EGameDataError& e) {
        GameLog(e.Message() + ": " + what + " is left out");
        return false;
    }
}

const char* SexWord(int32_t sex)
{
    return sex == 0 ? "mal" : "fem";
}

std::string BodyPicture(int32_t sex, const std::string& name)
{
    return qualitydir + "\\bodies\\" + IntToStr(sex) + "\\" + name + ".tga";
}

// The number of consecutive pictures "bodies\<sex>\<kind>_<i>.tga" from 0.
int32_t CountBodyParts(int32_t sex, const std::string& kind)
{
    int32_t count = 0;
    while (TextureExists(BodyPicture(sex, kind + "_" + IntToStr(count)))) ++count;
    return count;
}

bool ArmorExists(int32_t sex, int32_t i)
{
    const std::string armor = "armor_" + IntToStr(i);
    if (TextureExists(BodyPicture(sex, armor))) return true;
    for (int32_t layer = 0; layer <= 4; ++layer)
        if (TextureExists(BodyPicture(sex, armor + "_" + IntToStr(layer)))) return true;
    return false;
}

bool SkyBoxExists(int32_t n)
{
    return TextureOrDDSExists(qualitydir + "\\skyboxes\\" + IntToStr(n) + "\\top");
}

std::string ItemPicture(int32_t id)
{
    return qualitydir + "\\items\\" + IntToStr(id) + ".tga";
}

bool ItemPictureExists(int32_t id)
{
    return TextureOrDDSExists(qualitydir + "\\items\\" + IntToStr(id));
}

bool GameFileExists(const std::string& relativePath)
{
    return DataFileExists(GamePath(relativePath));
}

// Button ids whose sprite and text sit over the item list or the request form rather than the common layer.
constexpr std::array cItemListButtons = {38, 39, 50};
constexpr std::array cRequestFormButtons = {40, 41, 42, 43, 44, 45, 48, 49, 55, 56, 57, 58};

bool OneOf(std::span<const int> ids, int32_t id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

} // namespace

void TForm1::preparehudpictures()
{
    const std::vector<THUDPicture> pictures = {
        {"ui_bg", 1.0, {&TForm1::csbackground, &TForm1::csperkbg, &TForm1::reqform}},
        {"ui_tooltip"}, {"ico_strength"}, {"ico_intelligence"}, {"ico_speed"}, {"ico_endurance"}, {"ico_sword"},
        {"ico_bow"}, {"ico_armor"}, {"ico_magic"}, {"xpbar"}, {"xpindic"}, {"transp"},
        {"but_0"}, {"but_1"}, {"but_2"}, {"male_0"}, {"male_1"}, {"male_2"}, {"female_0"}, {"female_1"},
        {"female_2"}, {"search_0"}, {"search_1"}, {"search_2"}, {"spr_door", 0.0}, {"spr_table", 0.0},
        {"fem_char"}, {"mal_char"}, {"oui_0"}, {"oui_1"}, {"oui_2"}, {"use_0"}, {"use_1"}, {"use_2"},
        {"save_0"}, {"save_1"}, {"save_2"}, {"mnu_0"}, {"mnu_1"}, {"mnu_2"}, {"jrn_0"}, {"jrn_1"}, {"jrn_2"},
        {"rf_scrollbg"}, {"unknown"},
        {"title", 1.0, {&TForm1::titlecard}},
        {"keys_silver", 1.0, {&TForm1::key_silver}},
        {"keys_gold", 1.0, {&TForm1::key_gold}},
        {"keys_monster", 1.0, {&TForm1::monster_ico}},
        {"bar_bg", 1.0, {&TForm1::pl_hpbar_bg, &TForm1::pl_mpbar_bg, &TForm1::monster_hpbar_bg}},
        {"hpbar", 1.0, {&TForm1::pl_hpbar, &TForm1::monster_hpbar}},
        {"mpbar", 1.0, {&TForm1::pl_mpbar}},
        {"corner_tl", 1.0, {&TForm1::corner_tl}},
        {"corner_tr", 1.0, {&TForm1::corner_tr}},
        {"corner_bl", 1.0, {&TForm1::corner_bl}},
    };
    for (const THUDPicture& picture : pictures) {
        FastAddMaterial(qualitydir + "\\" + picture.name + ".tga", picture.name, qualitydir, picture.emit, 0, false,
                        matlib);
        for (TGLHUDSprite* TForm1::*sprite : picture.shownBy) ShowMaterial(this->*sprite, matlib, picture.name);
    }
    // The character screen's icons beside its rows: strength, intelligence, speed, endurance, then the skills.
    const char* const valueIcons[] = {"ico_strength", "ico_intelligence", "ico_speed", "ico_endurance",
                                      "ico_sword",    "ico_bow",          "ico_armor", "ico_magic"};
    for (int32_t k = icons.Low(); k <= icons.High(); ++k) ShowMaterial(icons[k], matlib, valueIcons[k - icons.Low()]);
    titlecard->SetSize(400, 200);
    monster_sign->Material()->SetMaterialLibrary(matlib);

    // The battle's darkening is the one picture outside the quality folders, and may have a light map.
    FastAddMaterial("trbg.tga", "trbg", qualitydir, 1.0, 0, true, matlib);
    ShowMaterial(trbg, matlib, "trbg");
    ShowMaterial(reqform_dark, matlib, "trbg");

    for (const char* name : {"sframe_1", "sframe_2", "sframe_3", "iico_misc", "iico_bow", "iico_sword",
                             "iico_shield", "iico_wand", "iico_helm"})
        FastAddMaterial(qualitydir + "\\" + name + ".tga", name, qualitydir, 1.0, 0, false, matlib);
    for (int32_t n = 0; n <= 4; ++n) {
        const std::string name = "element_" + IntToStr(n);
        FastAddMaterial(qualitydir + "\\" + name + ".tga", name, qualitydir, 1.0, 0, false, matlib);
    }
}

void TForm1::prepareitemlistgrid()
{
    for (int32_t column = 0; column <= 9; ++column) {
        for (int32_t row = 0; row <= 9; ++row) {
            ilgrid1[column][row] = MakeSprite(inventory, matlib);
            ilgrid2[column][row] = MakeSprite(inventory, matlib);
            ilgrid3[column][row] = MakeSprite(inventory, matlib);
            ilgridtext[column][row] = MakeText(inventory, GLWindowsBitmapFont1);
        }
    }
    iltext1 = MakeText(inventory, GLWindowsBitmapFont1, true);
    iltext2 = MakeText(inventory, GLWindowsBitmapFont1, true);
    for (TGLHUDSprite* panel : {ilpanel, invitmdesc, invhelpbg}) ShowMaterial(panel, matlib, "ui_bg");
}

void TForm1::preparebodyparts()
{
    loadstage = 3;
    ShowStatus(CatalogueStatus(151));
    // Hat, head, hair and armour, each for sex 1 then sex 0.
    for (int32_t sex = 0; sex <= 1; ++sex) {
        const int32_t slot = 1 - sex;
        bodypartcounts[0 + slot] = CountBodyParts(sex, "hat");
        bodypartcounts[2 + slot] = CountBodyParts(sex, "head");
        bodypartcounts[4 + slot] = CountBodyParts(sex, "hair");
        bodypartcounts[6 + slot] =
            FirstMissingId(0, cCatalogueArmors, [sex](int32_t i) { return ArmorExists(sex, i); },
                             "Armours of sex " + IntToStr(sex) + " (" + BodyPicture(sex, "armor_*") + ")");
    }

    const auto add = [this](int32_t sex, const std::string& file, const std::string& material, int32_t mode = 0,
                            bool uselm = false) {
        FastAddMaterial(BodyPicture(sex, file), SexWord(sex) + material, qualitydir, 1.0, mode, uselm, matlib);
    };
    for (int32_t sex = 0; sex <= 1; ++sex) {
        const int32_t slot = 1 - sex;
        for (int32_t i = 0; i < bodypartcounts[2 + slot]; ++i)
            add(sex, "head_" + IntToStr(i), "_face_" + IntToStr(i));
        for (int32_t i = 0; i < bodypartcounts[4 + slot]; ++i)
            for (const char* kind : {"hair_", "haireb_", "hairbrd_", "hairb_"})
                add(sex, kind + IntToStr(i), std::string("_") + kind + IntToStr(i));
        for (int32_t i = 0; i < bodypartcounts[0 + slot]; ++i)
            for (const char* kind : {"hat_", "hatb_"})
                add(sex, kind + IntToStr(i), std::string("_") + kind + IntToStr(i));
    }
    for (int32_t i = 0; i <= 4; ++i)
        for (int32_t sex : {1, 0})
            for (const char* kind : {"torso_", "arms_"})
                add(sex, kind + IntToStr(i), std::string("_") + kind + IntToStr(i));

    // Armour is drawn in up to five layers; one without layers is a single picture.
    for (int32_t sex = 0; sex <= 1; ++sex) {
        for (int32_t i = 0; i < bodypartcounts[7 - sex]; ++i) {
            const std::string armor = "armor_" + IntToStr(i);
            bool layered = false;
            for (int32_t layer = 0; layer <= 4; ++layer) {
                const std::string file = armor + "_" + IntToStr(layer);
                const bool exists = TextureExists(BodyPicture(sex, file));
                if (exists) add(sex, file, "_cloth_" + IntToStr(i) + "_" + IntToStr(layer), 1, true);
                armorlayers[sex][i][layer] = exists ? 1 : 0;
                layered = layered || exists;
            }
            if (!layered) add(sex, armor, "_cloth_" + IntToStr(i));
        }
    }

    for (int32_t n = 1; n <= 3; ++n)
        FastAddMaterial(qualitydir + "\\bodies\\wings_" + IntToStr(n) + ".tga", "wings_" + IntToStr(n), qualitydir,
                        1.0, 0, false, matlib);
}

void TForm1::preparecontent()
{
    // Cards: the rendered pictures of the language, the illustration and the card file.
    FastAddMaterial("cards\\" + lng + "\\xp.png", "card_xp", qualitydir, 1.0, 0, false, matlib);
    cardcount = FirstMissingId(
        0, cCatalogueCards, [](int32_t id) { return GameFileExists("\\cards\\" + IntToStr(id) + ".crd"); },
        "Cards (\\cards\\)");
    for (int32_t id = 0; id < cardcount; ++id) {
        const std::string n = IntToStr(id);
        for (const char* side : {"_0", "_1", "_2"})
            FastAddMaterial("cards\\" + lng + "\\" + n + side + ".png", "card_" + n + side, qualitydir, 1.0, 0, false,
                            matlib);
        FastAddMaterial("cards\\h" + n + ".jpg", "ch_" + n, qualitydir, 1.0, 0, false, matlib);
        ReadContent("card " + n, [&] { cards[id] = LoadCard(GamePath("\\cards\\" + n + ".crd"), lng); });
    }

    loadstage = 7;
    ShowStatus(CatalogueStatus(197));
    for (int32_t n = 0; n <= 100; ++n) {
        const std::string icon = "perkicons\\" + IntToStr(n) + ".tga";
        if (TextureExists(icon)) FastAddMaterial(icon, "perkico_" + IntToStr(n), qualitydir, 1.0, 0, false, matlib);
    }

    ShowStatus(CatalogueStatus(155));
    const std::string overrides = "\\text\\" + lng + "\\overrides\\";
    for (character& monster : monsters) monster.name = "none";
    const int32_t loaded = FirstMissingId(
        0, cCatalogueMonsters, [](int32_t id) { return GameFileExists("\\monsters\\" + IntToStr(id) + ".mon"); },
        "Monsters (\\monsters\\)");
    for (int32_t id = 0; id < loaded; ++id) {
        const std::string n = IntToStr(id);
        const std::string picture = qualitydir + "\\monsters\\" + n + ".tga";
        FastAddMaterial(picture, "mon_" + n, qualitydir, 1.0, 0, false, matlib);
        FastAddMaterial(picture, "mon_" + n + "_d", qualitydir, 0.0, 0, false, matlib);
        ReadContent("monster " + n, [&] {
            character monster = LoadChar(GamePath("\\monsters\\" + n + ".mon"));
            monster.enem_id = id;
            if (auto name = OverrideName(GamePath(overrides + "monsters\\" + n + ".txt"))) monster.name = *name;
            monsters[id] = std::move(monster);
        });
    }
    monstercount = loaded + 1;

    for (int32_t id = 0; id <= 100; ++id) {
        const std::string n = IntToStr(id);
        const std::string file = GamePath("\\perks\\p_" + n + ".prk");
        perks[id].enabled = false;
        if (!DataFileExists(file)) continue;
        ReadContent("perk " + n, [&] {
            perk entry = LoadPerk(id, file);
            if (auto name = OverrideName(GamePath(overrides + "perks\\" + n + ".txt"))) entry.name = *name;
            perks[id] = std::move(entry);
        });
    }
    perks[perks.Low()].enabled = false;
    perks[perks.High()].enabled = false;

    loadstage = 8;
    ShowStatus(CatalogueStatus(156));
    for (int32_t n = 1; n <= 100; ++n)
        FastAddMaterial(qualitydir + "\\effect_" + IntToStr(n) + ".tga", "effect_" + IntToStr(n), qualitydir, 1.0, 0,
                        false, matlib);
    for (int32_t side = 0; side <= 1; ++side) {
        for (int32_t p = 1; p <= 100; ++p) {
            Remake(effecticons[side][p], [this] {
                TGLHUDSprite* const icon = MakeSprite(dcuifront, matlib);
                icon->SetSize(32, 32);
                return icon;
            });
            Remake(effecttexts[side][p], [this] { return MakeText(dcuifront, GLWindowsBitmapFont1); });
        }
    }

    // Sky boxes: the set after the last one is made too, from empty.tga (a set that is not there is not missing).
    loadstage = 9;
    ShowStatus(CatalogueStatus(157));
    for (int32_t n = 0;; ++n) {
        const std::string set = IntToStr(n);
        const bool exists = SkyBoxExists(n);
        for (const char* side : {"top", "bottom", "left", "right", "front", "back", "clouds"}) {
            const std::string picture = qualitydir + (exists ? "\\skyboxes\\" + set + "\\" + side + ".tga" : "\\empty.tga");
            FastAddMaterial(picture, "sb_" + set + "_" + side, qualitydir, 1.0, 0, false, matlib);
        }
        if (!exists) break;
    }

    // Items: item 0 always, then each while its picture follows; itemcount is the first picture missing.
    loadstage = 10;
    ShowStatus(CatalogueStatus(158));
    const int32_t end =
        FirstMissingId(1, cCatalogueItems, ItemPictureExists, "Items (\\textures\\" + qualitydir + "\\items\\)");
    for (int32_t id = 0; id < end; ++id) {
        const std::string n = IntToStr(id);
        FastAddMaterial(ItemPicture(id), "itm_" + n, qualitydir, 1.0, 0, false, matlib);
        const bool read = ReadContent("item " + n, [&] { items[id] = LoadLoot(GamePath("\\items\\" + n + ".lot")); });
        if (id == 0 && read) items[0].count = 1;
    }
    itemcount = ItemPictureExists(0) ? end : 0;
}

void TForm1::prepareuiobjects()
{
    for (int32_t id = gbuttons.Low(); id <= gbuttons.High(); ++id) {
        TGLBaseSceneObject* spriteLayer = dcuimiddle;
        TGLBaseSceneObject* textLayer = dcuifront;
        if (OneOf(cItemListButtons, id)) {
            spriteLayer = inventoryf1;
            textLayer = inventoryf2;
        } else if (OneOf(cRequestFormButtons, id)) {
            spriteLayer = dcrf;
            textLayer = dcrff;
        }
        gbsprites[id] = MakeSprite(spriteLayer, matlib);
        gbtexts[id] = MakeText(textLayer, GLWindowsBitmapFont2);
        gbuttons[id] = gamebutton();
        gbuttons[id].matname = "none";
    }
    for (TGLHUDSprite*& card : handcards) card = MakeSprite(dcuifront, matlib);
    for (TGLHUDSprite*& icon : perkicons) Remake(icon, [this] { return MakeSprite(dcperkicon, matlib); });

    loadscr_b->Material()->SetLibMaterialName("etex_" + IntToStr(envindex) + "_0");
    const int32_t loadscreen = Random(loadscrcount);
    if (loadscrcount > 0) loadscr_f->Material()->SetLibMaterialName("loadscr_" + IntToStr(loadscreen));
    ShowMaterial(tooltipbg, matlib, "ui_tooltip");
    monster_img->Material()->SetMaterialLibrary(matlib);
    corner_tl->SetSize(250, 90);
    corner_tr->SetSize(270, 90);
    corner_bl->SetSize(230, 250);

    for (int32_t slot = enemyicons.Low(); slot <= enemyicons.High(); ++slot) {
        Remake(enemyicons[slot], [this] { return MakeSprite(dcuibg, matlib); });
        Remake(enemyiconlabels[slot], [this] { return MakeText(dcuibg, GLWindowsBitmapFont2); });
    }
    for (TGLHUDText*& text : dmgtexts) text = MakeText(dcuifront, GLWindowsBitmapFont1);
}
