// The battle screen laid out every frame from the battle's state, and the character screen laid out when the
// interface asks for a refresh.
#include "UGH_main.h"

#include "GLBitmapFont.h"
#include "GLCoordinates.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLShadowVolume.h"
#include "GLSkyBox.h"
#include "GLTexture.h"
#include "GLWindowsFont.h"
#include "UGH_data.h"
#include "UGH_hudwrites.h"

#include <algorithm>
#include <cmath>
#include <string>

bool monsterplayed = false;

double ratio(int32_t a, int32_t b)
{
    return b > 0 ? static_cast<double>(a) / b : 0.0;
}

// A fighter's hit points as the battle screen shows them: a blow that goes past the last point leaves none, not a
// debt.
namespace {
std::string HitPointsText(const character& fighter)
{
    return std::to_string(std::max(0, fighter.hp)) + "/" + std::to_string(fighter.hpmax);
}
} // namespace

double GrowMonsterPicture(double current, double side, double deltatime)
{
    return current < side ? std::min(current + 1000 * deltatime, side) : side;
}

double PlayedCardRestY(double cardheight)
{
    const gamebutton& hand = gbuttons[10];
    const double middle = scrh / 2.0;
    if (hand.h <= 0) return middle;
    return std::min(middle, hand.y - hand.h / 2.0 - 5 - cardheight / 2);
}

double ApproachBar(double width, double target, double deltatime)
{
    // A frame longer than a tenth of a second would throw the bar past its target, and from 0.2 s on ever
    // further: it closes the whole gap at most.
    return width + (target - width) * std::min(10 * deltatime, 1.0);
}

bool FlyCard(double& x, double& y, double homex, double homey, double restx, double resty, double deltatime)
{
    if (std::abs(x - restx) <= 200) {
        x = restx;
        y = resty;
        return false;
    }
    // A long frame stops the card on its rest rather than beyond it, where it would swing back and forth.
    const double step = std::min(2000 * deltatime, std::abs(restx - x));
    x += restx > x ? step : -step;
    y = restx != homex ? homey + (x - homex) * (resty - homey) / (restx - homex) : resty;
    return true;
}

std::string CharacterValueText(const std::string& label, int32_t value, int32_t base, bool showDifference)
{
    std::string text = label + ": " + std::to_string(value);
    if (showDifference && value > base) text += " +" + std::to_string(value - base);
    if (showDifference && value < base) text += " -" + std::to_string(base - value);
    return text;
}

std::string CharacterEffectsText(const character& chr)
{
    std::string text = strarr[236] + "\r\n";
    for (int32_t type = 1; type <= 100; ++type)
        if (chr.e[type - 1] > 0) text += " - " + TForm1::GetETypeName(type, strarr) + "\r\n";
    return text;
}

std::string MonsterDescription(int32_t id)
{
    try {
        TLineBuffer lines;
        lines.LoadFromFile(GamePath("\\text\\" + lng + "\\desc\\monster_" + std::to_string(id) + ".txt"));
        return lines.Text();
    } catch (const std::exception&) {
        return "-";
    }
}

namespace {

float FontPoints(const TGLWindowsBitmapFont* font)
{
    return static_cast<float>(font->Font()->Size());
}

// A bar on its background: as high as the font, its left edge on the background's, its width one step closer
// to the share of the background's width.
void LayOutBar(TGLHUDSprite* bar, const TGLHUDSprite* background, double share, float height, double deltatime)
{
    const double width = ApproachBar(bar->Width(), background->Width() * share, deltatime);
    SizeHUD(bar, static_cast<float>(width), height);
    PlaceHUD(bar, LeftEdge(background) + bar->Width() / 2, background->Position()->Y());
}

// The sprite's picture lets nothing of what lies behind it through: it is a library material without shader or
// second texture, drawn opaque or blended by an alpha that is 1 everywhere (its colour's, the sprite's and every
// pixel's of its picture).
bool PaintsOpaque(TGLHUDSprite& sprite)
{
    const TGLLibMaterial* lib = sprite.Material()->GetLibMaterial();
    if (!lib || lib->Shader() || !lib->Texture2Name().empty() || sprite.AlphaChannel() != 1) return false;
    TGLMaterial& material = *lib->Material();
    if (material.BlendingMode() == bmOpaque) return true;
    if (material.BlendingMode() != bmTransparency || material.FrontProperties()->Diffuse()->Alpha() != 1) return false;
    TGLTexture& texture = *material.Texture();
    if (texture.Disabled() || texture.ImageAlpha() == tiaOpaque) return true;
    if (texture.ImageAlpha() != tiaDefault) return false;
    TGLTextureImage* image = texture.Image();
    const TGLImage* pixels = image ? image->GetBitmap32() : nullptr;
    const TGLPixel32* data = pixels && !pixels->IsEmpty() ? pixels->Data() : nullptr;
    const bool opaque = data && std::all_of(data, data + static_cast<size_t>(pixels->Width()) * pixels->Height(),
                                            [](const TGLPixel32& p) { return p.a == 255; });
    if (pixels) image->ReleaseBitmap32();
    return opaque;
}

// A darkening (the battle's or the request form's, one picture) shows over the whole view and lets nothing through.
// The picture is looked at again only when a material changed.
bool DarkeningCovers(TGLHUDSprite& darkening)
{
    static const TGLLibMaterial* lib = nullptr;
    static uint32_t revision = 0;
    static bool opaque = false;
    if (darkening.Material()->GetLibMaterial() != lib || TGLMaterial::Revision() != revision) {
        lib = darkening.Material()->GetLibMaterial();
        revision = TGLMaterial::Revision();
        opaque = PaintsOpaque(darkening);
    }
    return opaque && darkening.Visible() && darkening.Rotation() == 0 && LeftEdge(&darkening) <= 0 &&
           RightEdge(&darkening) >= scrw && TopEdge(&darkening) <= 0 && TopEdge(&darkening) + darkening.Height() >= scrh;
}

} // namespace

void TForm1::ShowBattleScreen(double deltatime)
{
    if (btlmode) {
        for (TGLBaseSceneObject* object : std::initializer_list<TGLBaseSceneObject*>{
                 monster_img, monster_name, player_hp, player_mp, battle_message, pl_hpbar, pl_mpbar, pl_hpbar_bg,
                 pl_mpbar_bg, monster_hpbar, monster_hpbar_bg, monster_sign})
            ShowHUD(object, true);

        // The monster's picture fills the room above the hand, growing in when the battle opens.
        const gamebutton& hand = gbuttons[10];
        const float side = static_cast<float>(Round(hand.y - hand.h / 2.0 - 30));
        SizeHUD(monster_img, static_cast<float>(GrowMonsterPicture(monster_img->Width(), side, deltatime)),
                static_cast<float>(GrowMonsterPicture(monster_img->Height(), side, deltatime)));
        PlaceHUD(monster_img, scrw / 2.0f, side / 2);

        PlaceHUD(monster_name, monster_img->Position()->X() - side / 2, monster_img->Position()->Y() - side / 2);
        SetHUDText(monster_name, opponent.name + " (" + std::to_string(btltarget) + ") - " +
                                     GetEClassName(opponent.spec, strarr) + " (" + strarr[48] + ": " +
                                     HitPointsText(opponent) + ")");

        const float points2 = FontPoints(GLWindowsBitmapFont2), points1 = FontPoints(GLWindowsBitmapFont1);
        const float textx = hand.x - hand.w / 2.0f, texty = hand.y + hand.h / 2.0f + 5;
        PlaceHUD(player_hp, textx, texty);
        SetHUDText(player_hp, strarr[48] + ":" + HitPointsText(player));
        PlaceHUD(player_mp, textx, texty + points2);
        SetHUDText(player_mp,
                   strarr[49] + ":" + std::to_string(player.mana) + "/" + std::to_string(player.manamax));

        ProcessBmsg();
        PlaceHUD(battle_message, 90, 35);
        SetHUDText(battle_message, btlmsgtext);

        ShowHUD(trbg, true);
        SizeHUD(trbg, scrw, scrh);
        PlaceHUD(trbg, scrw / 2.0f, scrh / 2.0f);

        // A dealt card shows large over its button and shrinks onto it; the button shows it from then on.
        const float cardw = cardsize + 140.0f, cardh = cardsize + 220.0f;
        for (int32_t i = 0; i <= 5; ++i) {
            TGLHUDSprite* card = handcards[i];
            if (!card) continue;
            const gamebutton& button = gbuttons[10 + i];
            if ((card->Width() > cardw || card->Height() > cardh) && button.visible) {
                ShowHUD(card, true);
                PlaceHUD(card, button.x, button.y);
                SizeHUD(card, card->Width() > cardw ? card->Width() - 400 * static_cast<float>(deltatime) : button.w,
                        card->Height() > cardh ? card->Height() - 400 * static_cast<float>(deltatime) : button.h);
                SetHUDMaterial(card, "card_" + std::to_string(player.hand[i]) + "_0");
            } else {
                ShowHUD(card, false);
            }
        }

        // The bars span the hand from the second card's left edge to the fifth card's right edge.
        const gamebutton &second = gbuttons[11], &fifth = gbuttons[14];
        const float barswidth = (fifth.x + fifth.w / 2.0f) - (second.x - second.w / 2.0f);
        SizeHUD(pl_hpbar_bg, barswidth, points2);
        PlaceHUD(pl_hpbar_bg, scrw / 2.0f, player_hp->Position()->Y() + points2 / 2);
        SizeHUD(pl_mpbar_bg, barswidth, points2);
        PlaceHUD(pl_mpbar_bg, scrw / 2.0f, player_mp->Position()->Y() + points2 / 2);
        SizeHUD(monster_hpbar_bg, side, points1);
        PlaceHUD(monster_hpbar_bg, scrw / 2.0f, monster_name->Position()->Y() + 1.5f * points1 + 10);
        LayOutBar(pl_hpbar, pl_hpbar_bg, ratio(player.hp, player.hpmax), points2, deltatime);
        LayOutBar(pl_mpbar, pl_mpbar_bg, ratio(player.mana, player.manamax), points2, deltatime);
        LayOutBar(monster_hpbar, monster_hpbar_bg, ratio(opponent.hp, opponent.hpmax), points1, deltatime);

        SizeHUD(monster_sign, 60, 60);
        PlaceHUD(monster_sign, monster_img->Position()->X(),
                 monster_img->Position()->Y() + monster_img->Height() / 2 - 30);

        // The played cards fly from where they were played to their resting points at the sides.
        SizeHUD(usedcard, 140, 220);
        SizeHUD(usedcard2, 140, 220);
        ShowHUD(usedcard, lastmonstercard != -1);
        ShowHUD(usedcard2, lastplayercard != -1);
        const double enemyrestx = usedcard->Width() / 2 + 5, playerrestx = scrw - (usedcard2->Width() / 2 + 5);
        const double resty = PlayedCardRestY(usedcard->Height());
        enemycardflying =
            FlyCard(enemycardposx, enemycardposy, enemycardhomex, enemycardhomey, enemyrestx, resty, deltatime);
        playercardflying =
            FlyCard(playercardposx, playercardposy, playercardhomex, playercardhomey, playerrestx, resty, deltatime);
        const auto outside = [](double x, double y) { return x < 0 || x > scrw || y < 0 || y > scrh; };
        // A card off the view is put back to rest with the other by the resize step.
        if (outside(enemycardposx, enemycardposy) || outside(playercardposx, playercardposy)) {
            FormResize(this);
        } else {
            PlaceHUD(usedcard, static_cast<float>(enemycardposx), static_cast<float>(enemycardposy));
            PlaceHUD(usedcard2, static_cast<float>(playercardposx), static_cast<float>(playercardposy));
        }
        monsterplayed = usedcard->Position()->X() != static_cast<float>(enemyrestx) ||
                        usedcard->Position()->Y() != static_cast<float>(resty);
    }

    if (!btlmode || invmode || itemlistmode) {
        for (TGLBaseSceneObject* object : std::initializer_list<TGLBaseSceneObject*>{
                 monster_img, monster_name, monster_sign, player_hp, player_mp, battle_message, usedcard, usedcard2,
                 pl_hpbar, pl_mpbar, monster_hpbar, pl_hpbar_bg, pl_mpbar_bg, monster_hpbar_bg, trbg})
            ShowHUD(object, false);
        for (TGLHUDSprite* card : handcards)
            if (card) ShowHUD(card, false);
    }

    // What an opaque darkening covers would be drawn only to be covered: the battle's lies over the level, the
    // request form's over the level and the interface layers drawn before the form's.
    const bool request = DarkeningCovers(*reqform_dark);
    const bool covered = request || DarkeningCovers(*trbg);
    ShowHUD(shadowz, !covered);
    ShowHUD(dcgameb, !covered);
    for (TGLBaseSceneObject* layer : {dcuibg, dcuimiddle, dcuifront}) ShowHUD(layer, !request);

    ShowHUD(dccharscreen, invmode);
    // The owned perks' icons belong to the character screen.
    ShowHUD(dcperkicon, invmode);
    ShowHUD(dctextdummy, invmode);
    ShowHUD(dcmenu, mmmode);
}

void TForm1::ShowCharacterScreen()
{
    const character& shown = showenemy ? opponent : player;
    formperkvisuals(shown);
    defineparbonuses();
    if (csbackground->Index() != 0) csbackground->MoveFirst();

    const float left = LeftEdge(csbackground), top = TopEdge(csbackground);
    const float right = left + csbackground->Width();
    const auto row = [top](int32_t r) { return top + 30.0f * r; };
    for (int32_t k = 1; k <= 8; ++k) {
        const int32_t r = k <= 4 ? k + 1 : k + 2; // rows 2..5 and 7..10
        SizeHUD(icons[k], 30, 30);
        PlaceHUD(icons[k], left + 5, row(r) + 10);
    }

    PlaceHUD(char_name, left + 20, row(1));
    SetHUDText(char_name, shown.name + " (" + GetEClassName(shown.spec, strarr) + " " + strarr[95] + " " +
                              std::to_string(shown.lvl) + ")");

    SizeHUD(element_icon, 64, 64);
    PlaceHUD(element_icon, csbackground->Position()->X(), top);
    SetHUDMaterial(element_icon, "element_" + std::to_string(shown.element));

    struct TValueRow {
        TGLHUDText* TForm1::*text;
        int32_t label, row;
        int32_t character::*value;
        int32_t character::*base;
    };
    static constexpr TValueRow cRows[] = {
        {&TForm1::char_strength, 36, 2, &character::strength, &character::bstr},
        {&TForm1::char_intelligence, 37, 3, &character::intelligence, &character::bint},
        {&TForm1::char_speed, 38, 4, &character::speed, &character::bspd},
        {&TForm1::char_endurence, 39, 5, &character::endurance, &character::bend},
        {&TForm1::char_sword, 40, 7, &character::sword, &character::bsw},
        {&TForm1::char_bow, 41, 8, &character::bow, &character::bbw},
        {&TForm1::char_armor, 42, 9, &character::armor, &character::bar},
        {&TForm1::char_magic, 43, 10, &character::magic, &character::bmg},
    };
    for (const TValueRow& line : cRows) {
        TGLHUDText* text = this->*line.text;
        PlaceHUD(text, left + 30, row(line.row));
        SetHUDText(text, CharacterValueText(strarr[line.label], shown.*line.value, shown.*line.base, !showenemy));
    }
    PlaceHUD(char_bp, left + 30, row(12));
    SetHUDText(char_bp, showenemy ? "" : strarr[44] + ": " + std::to_string(player.bonuspoints));
    PlaceHUD(char_xp, left + 30, row(13));
    SetHUDText(char_xp, showenemy ? ""
                                  : strarr[45] + ": " + std::to_string(player.xp) + "/" +
                                        std::to_string(player.xpreq));

    // The monster's description in a panel of the screen's own background, bottom right.
    ShowHUD(mondescbg, showenemy);
    ShowHUD(char_desc, showenemy);
    if (showenemy) {
        SizeHUD(mondescbg, csbackground->Width() * 0.8f, csbackground->Height() * 0.4f);
        SetHUDMaterial(mondescbg, csbackground->Material()->LibMaterialName());
        PlaceHUD(mondescbg, scrw - right / 2, scrh - 5 - mondescbg->Height() / 2);
        PlaceHUD(char_desc, mondescbg->Position()->X(), TopEdge(mondescbg) + 10);
        SetHUDText(char_desc, MonsterDescription(shownenemy));
    }

    PlaceHUD(char_effects, left + 30, row(15));
    SetHUDText(char_effects, btlmode ? CharacterEffectsText(shown) : "");

    // The selected item's picture and name, placed for the item buttons under them; the buttons' pass shows
    // them.
    const float itemside = csbackground->Width() / 3;
    SizeHUD(aitem, itemside, itemside);
    PlaceHUD(aitem, right - 5 - itemside / 2, top + 90 + itemside / 2);
    SetHUDMaterial(aitem, "itm_" + std::to_string(selitem));
    if (selitem >= items.Low() && selitem <= items.High()) {
        const loot& item = items[selitem];
        SetHUDText(aitem_name, (item.overridename.empty() ? item.name : item.overridename) +
                                   (item.count > 1 ? " (" + std::to_string(item.count) + ")" : ""));
    } else {
        SetHUDText(aitem_name, "");
    }
    PlaceHUD(aitem_name, LeftEdge(aitem), TopEdge(aitem) - 10);
    ShowHUD(aitem, false);
    ShowHUD(aitem_name, false);

    // The label over the shown spell card.
    SetHUDText(spellbook_txt, strarr[169]);
    if (TGLHUDSprite* spell = gbsprites[30]) PlaceHUD(spellbook_txt, LeftEdge(spell) - 10, TopEdge(spell) - 35);
    ShowHUD(spellbook_txt, showenemy);

    // The doll made anew, or while an enemy is shown his picture alone in its place.
    ConstructCharacter();

    uirefresh = false;
}

void TForm1::ResetSkyBox()
{
    // Set only when moved: a change notifies the scene.
    const auto set = [](TGLCoordinates* coordinates, float x, float y, float z, bool vector) {
        if (coordinates->X() == x && coordinates->Y() == y && coordinates->Z() == z) return;
        if (vector)
            coordinates->SetVector(x, y, z);
        else
            coordinates->SetPoint(x, y, z);
    };
    set(GLSkyBox1->Position(), 0, 0, 0, false);
    set(GLSkyBox1->Up(), 0, 0, 1, true);
    set(GLSkyBox1->Direction(), 1, 0, 0, true);
}
