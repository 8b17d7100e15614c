// The main window's scene table and the window's construction from it.
#include "UGH_main_scene.h"

#include "UGH_main.h"

#include "GLBitmapFont.h"
#include "GLCadencer.h"
#include "GLFireFX.h"
#include "GLGeomObjects.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLObjects.h"
#include "GLPostEffects.h"
#include "GLSMOpenAL.h"
#include "GLShadowVolume.h"
#include "GLSkyBox.h"
#include "GLSound.h"
#include "GLTexCombineShader.h"
#include "GLTexture.h"
#include "GLWin32Viewer.h"
#include "GLWindowsFont.h"
#include "Graphics.h"
#include "StringLists.h"
#include "UGH_log.h"
#include "VAVodad.h"

#include <map>
#include <string>
#include <type_traits>

namespace {

// A row's maker: the object of class T, kept in the window's field Member (entry Index of an array field).
template <class T, auto Member, int Index = -1> TComponent* Make(TForm1& form, TComponent* parent)
{
    T* object;
    if constexpr (std::is_base_of_v<TGLBaseSceneObject, T>) {
        TGLBaseSceneObject* parentObject =
            parent ? static_cast<TGLBaseSceneObject*>(parent) : form.VAVodad1->Objects();
        object = TGLBaseSceneObject::CreateAsChild<T>(parentObject);
    } else {
        object = new T(&form);
    }
    if constexpr (Index >= 0)
        (form.*Member)[Index] = object;
    else
        form.*Member = object;
    return object;
}

void SetUpViewer(TForm1& form, TComponent*)
{
    TVAVodadViewer* viewer = form.VAVodadViewer1;
    viewer->SetParent(&form);
    viewer->SetAlign(alClient);
    viewer->SetCamera(form.mcam);
    TVAVodadBuffer* buffer = viewer->Buffer();
    buffer->SetContextOptions({roDoubleBuffer, roRenderToWindow, roStencilBuffer, roDestinationAlpha});
    buffer->SetDepthPrecision(dp32bits);
    buffer->SetFogEnable(true);
    buffer->FogEnvironment()->SetFogStart(10);
    buffer->FogEnvironment()->SetFogEnd(100);
}

void SetUpCamera(TForm1& form, TComponent*)
{
    form.mcam->SetDepthOfView(250);
    form.mcam->SetFocalLength(20);
}

// A HUD layer drawn in its children's order: sorting its blended sprites by their distance to the camera, as a
// layer of the level would be, lets sprites that overlap cover each other by where the player stands.
void DrawInChildOrder(TForm1&, TComponent* cube)
{
    static_cast<TGLDummyCube*>(cube)->SetObjectsSorting(osNone);
}

void SetUpFrameClock(TForm1& form, TComponent*)
{
    form.GLCadencer1->SetScene(form.VAVodad1);
    form.GLCadencer1->SetMode(cmASAP);
    form.GLCadencer1->SetEnabled(false);
}

// The light map library's own material: textures made later copy their compression from it.
void SetUpLightMapLibrary(TForm1& form, TComponent*)
{
    form.matlib2->Materials()->Add()->SetName("deflm");
}

void SetUpFont(TComponent* object, int32_t height)
{
    TGLWindowsBitmapFont* font = static_cast<TGLWindowsBitmapFont*>(object);
    font->Font()->SetName("Bookman Old Style");
    font->Font()->SetHeight(height);
    font->Font()->SetColor(clWhite);
}

// The text fonts hold the characters from the blank to the em dash, and the trade mark sign after them.
void SetUpTextFont(TComponent* object, int32_t height)
{
    SetUpFont(object, height);
    TGLBitmapFontRanges* ranges = static_cast<TGLWindowsBitmapFont*>(object)->Ranges();
    ranges->BeginUpdate();
    ranges->Clear();
    ranges->Add(u' ', u'\u2014');
    ranges->Add(u'\u2122', u'\u2122');
    ranges->EndUpdate();
}

void SetUpCombiner(TForm1& form, TComponent*)
{
    form.GLTexCombineShader1->Combiners()->Add("Tex1:=Tex0+Tex1;");
}

void SetUpPixelate(TForm1& form, TComponent*)
{
    form.PixelateShader->SetPixelWidth(8);
    form.PixelateShader->SetPixelHeight(12);
    form.PixelateShader->SetEnabled(false);
}

// The fire of the free meshes runs on the frame clock.
void SetUpFire(TForm1& form, TComponent*)
{
    form.GLFireFXManager1->SetCadencer(form.GLCadencer1);
}

// The sky box's faces are materials of matlib; it shows where the level is outdoors.
void SetUpSkyBox(TForm1& form, TComponent*)
{
    form.GLSkyBox1->SetMaterialLibrary(form.matlib);
}

// The minimap's picture is drawn by the game and given to the sprite's own texture, shown as it is.
void SetUpMinimap(TForm1& form, TComponent*)
{
    TGLTexture* texture = form.minimap->Material()->Texture();
    texture->SetDisabled(false);
    texture->SetTextureMode(tmReplace);
    texture->SetMinFilter(miLinear);
    texture->SetMagFilter(maLinear);
    // Black until the first map is drawn: an empty picture would show the error image.
    TBitmap blank;
    blank.SetSize(1, 1);
    static_cast<TGLPictureImage*>(texture->Image())->Picture()->Assign(&blank);
}

// The sound manager plays from the start, heard at the camera; without a device it stays off and the game is
// silent.
void SetUpSoundManager(TForm1& form, TComponent*)
{
    TGLSMOpenAL* manager = form.GLSMOpenAL1;
    manager->SetMaxChannels(32);
    manager->SetListener(form.mcam);
    manager->SetCadencer(form.GLCadencer1);
    manager->SetEnvironment(seAuditorium);
    try {
        manager->SetActive(true);
    } catch (const std::exception& e) {
        GameLog(std::string("Sound is off: ") + e.what());
    }
}

void SetUpShadows(TForm1& form, TComponent*)
{
    form.shadowz->SetActive(false);
    form.shadowz->SetMode(svmOff);
}

void SetUpTimer(TTimer* timer, void (TForm1::*handler)(TObject*), TForm1& form)
{
    timer->SetInterval(1000);
    timer->SetOnTimer([&form, handler](TObject* Sender) { (form.*handler)(Sender); });
}

TGLWindowsBitmapFont* FontOf(const TForm1& form, int font)
{
    switch (font) {
    case 1:
        return form.GLWindowsBitmapFont1;
    case 2:
        return form.GLWindowsBitmapFont2;
    case 3:
        return form.GLWindowsBitmapFont3;
    case 4:
        return form.GLWindowsBitmapFont4;
    default:
        return nullptr;
    }
}

// Components first (the scene before what uses it), then the scene tree: the level's objects, then the HUD
// layers in the order they draw over the view.
const TSceneRow cSceneTable[] = {
    {"VAVodad1", "", Make<TVAVodad, &TForm1::VAVodad1>},
    {"matlib", "", Make<TGLMaterialLibrary, &TForm1::matlib>},
    {"matlib2", "", Make<TGLMaterialLibrary, &TForm1::matlib2>, {.Setup = SetUpLightMapLibrary}},
    {"GLWindowsBitmapFont1", "", Make<TGLWindowsBitmapFont, &TForm1::GLWindowsBitmapFont1>,
     {.Setup = [](TForm1&, TComponent* font) { SetUpTextFont(font, -20); }}},
    {"GLWindowsBitmapFont2", "", Make<TGLWindowsBitmapFont, &TForm1::GLWindowsBitmapFont2>,
     {.Setup = [](TForm1&, TComponent* font) { SetUpTextFont(font, -13); }}},
    {"GLWindowsBitmapFont3", "", Make<TGLWindowsBitmapFont, &TForm1::GLWindowsBitmapFont3>,
     {.Setup = [](TForm1&, TComponent* font) { SetUpFont(font, -9); }}},
    {"GLWindowsBitmapFont4", "", Make<TGLWindowsBitmapFont, &TForm1::GLWindowsBitmapFont4>,
     {.Setup = [](TForm1&, TComponent* font) { SetUpFont(font, -25); }}},
    {"GLTexCombineShader1", "", Make<TGLTexCombineShader, &TForm1::GLTexCombineShader1>, {.Setup = SetUpCombiner}},
    {"PixelateShader", "", Make<TGLSLPostPixelateShader, &TForm1::PixelateShader>, {.Setup = SetUpPixelate}},
    {"GLCadencer1", "", Make<TGLCadencer, &TForm1::GLCadencer1>, {.Setup = SetUpFrameClock}},
    {"GLCadencer2", "", Make<TGLCadencer, &TForm1::GLCadencer2>},
    {"Timer1", "", Make<TTimer, &TForm1::Timer1>,
     {.Setup = [](TForm1& form, TComponent*) { SetUpTimer(form.Timer1, &TForm1::Timer1Timer, form); }}},
    {"Timer2", "", Make<TTimer, &TForm1::Timer2>,
     {.Setup = [](TForm1& form, TComponent*) { SetUpTimer(form.Timer2, &TForm1::Timer2Timer, form); }}},
    {"GLSoundLibrary1", "", Make<TGLSoundLibrary, &TForm1::GLSoundLibrary1>},
    {"GLFireFXManager1", "", Make<TGLFireFXManager, &TForm1::GLFireFXManager1>, {.Setup = SetUpFire}},

    // The level: the camera, the sky box behind it all, the shadow volume over the level with the player's light,
    // and the objects that follow the player.
    {"mcam", "", Make<TGLCamera, &TForm1::mcam>, {.Setup = SetUpCamera}},
    // Its listener is the camera.
    {"GLSMOpenAL1", "", Make<TGLSMOpenAL, &TForm1::GLSMOpenAL1>, {.Setup = SetUpSoundManager}},
    {"GLSkyBox1", "", Make<TGLSkyBox, &TForm1::GLSkyBox1>, {.Visible = false, .Setup = SetUpSkyBox}},
    {"shadowz", "", Make<TGLShadowVolume, &TForm1::shadowz>, {.Setup = SetUpShadows}},
    {"playerlight", "shadowz", Make<TGLLightSource, &TForm1::playerlight>},
    {"dcgame", "shadowz", Make<TGLDummyCube, &TForm1::dcgame>},
    {"dcgameb", "", Make<TGLDummyCube, &TForm1::dcgameb>},
    {"playercone", "", Make<TGLCone, &TForm1::playercone>},
    // They carry the music's and the sound effects' emitters; nothing of them is drawn.
    {"GLSphere1", "", Make<TGLSphere, &TForm1::GLSphere1>, {.Visible = false}},
    {"GLSphere2", "", Make<TGLSphere, &TForm1::GLSphere2>, {.Visible = false}},
    {"GLPlane1", "", Make<TGLPlane, &TForm1::GLPlane1>, {.Visible = false}},
    {"PostShaderHolder", "", Make<TGLPostShaderHolder, &TForm1::PostShaderHolder>},

    // The HUD layers, each drawn over the ones before.
    // Drawn in child order: sorting its blended sprites by their distance to the camera, as a layer of the level
    // would be, let the darkening cover the bars and texts laid over it.
    {"dcuibg", "", Make<TGLDummyCube, &TForm1::dcuibg>, {.Setup = DrawInChildOrder}},
    // The battle screen: the darkening first, the monster's picture, the bars over their backgrounds.
    {"trbg", "dcuibg", Make<TGLHUDSprite, &TForm1::trbg>, {.Visible = false, .MatLib = true}},
    {"monster_img", "dcuibg", Make<TGLHUDSprite, &TForm1::monster_img>, {.Visible = false, .MatLib = true}},
    {"pl_hpbar_bg", "dcuibg", Make<TGLHUDSprite, &TForm1::pl_hpbar_bg>, {.Visible = false, .MatLib = true}},
    {"pl_mpbar_bg", "dcuibg", Make<TGLHUDSprite, &TForm1::pl_mpbar_bg>, {.Visible = false, .MatLib = true}},
    {"monster_hpbar_bg", "dcuibg", Make<TGLHUDSprite, &TForm1::monster_hpbar_bg>,
     {.Visible = false, .MatLib = true}},
    {"pl_hpbar", "dcuibg", Make<TGLHUDSprite, &TForm1::pl_hpbar>, {.Visible = false, .MatLib = true}},
    {"pl_mpbar", "dcuibg", Make<TGLHUDSprite, &TForm1::pl_mpbar>, {.Visible = false, .MatLib = true}},
    {"monster_hpbar", "dcuibg", Make<TGLHUDSprite, &TForm1::monster_hpbar>, {.Visible = false, .MatLib = true}},
    {"monster_sign", "dcuibg", Make<TGLHUDSprite, &TForm1::monster_sign>, {.Visible = false, .MatLib = true}},
    // The battle's texts: the monster's name line, the player's hit and mana points under the hand, the short log.
    {"monster_name", "dcuibg", Make<TGLHUDText, &TForm1::monster_name>, {.Visible = false, .Font = 1}},
    {"player_hp", "dcuibg", Make<TGLHUDText, &TForm1::player_hp>, {.Visible = false, .Font = 2}},
    {"player_mp", "dcuibg", Make<TGLHUDText, &TForm1::player_mp>, {.Visible = false, .Font = 2}},
    {"battle_message", "dcuibg", Make<TGLHUDText, &TForm1::battle_message>, {.Visible = false, .Font = 2}},
    // The exploring HUD: keys, the monster counter and the corner frames.
    {"key_silver", "dcuibg", Make<TGLHUDSprite, &TForm1::key_silver>, {.Visible = false, .MatLib = true}},
    {"key_gold", "dcuibg", Make<TGLHUDSprite, &TForm1::key_gold>, {.Visible = false, .MatLib = true}},
    {"monster_ico", "dcuibg", Make<TGLHUDSprite, &TForm1::monster_ico>, {.Visible = false, .MatLib = true}},
    {"corner_tl", "dcuibg", Make<TGLHUDSprite, &TForm1::corner_tl>, {.Visible = false, .MatLib = true}},
    {"corner_tr", "dcuibg", Make<TGLHUDSprite, &TForm1::corner_tr>, {.Visible = false, .MatLib = true}},
    {"corner_bl", "dcuibg", Make<TGLHUDSprite, &TForm1::corner_bl>, {.Visible = false, .MatLib = true}},
    // Their figures, the hit and mana points line and the experience bar over its background.
    {"key_silver_no", "dcuibg", Make<TGLHUDText, &TForm1::key_silver_no>, {.Visible = false, .Font = 2}},
    {"key_gold_no", "dcuibg", Make<TGLHUDText, &TForm1::key_gold_no>, {.Visible = false, .Font = 2}},
    {"monster_ico_no", "dcuibg", Make<TGLHUDText, &TForm1::monster_ico_no>, {.Visible = false, .Font = 2}},
    {"PL_HPMP", "dcuibg", Make<TGLHUDText, &TForm1::PL_HPMP>, {.Visible = false, .Font = 2}},
    {"xpbar_bg", "dcuibg", Make<TGLHUDSprite, &TForm1::xpbar_bg>,
     {.Visible = false, .MatLib = true,
      .Setup = [](TForm1& form, TComponent*) { form.xpbar_bg->Material()->SetLibMaterialName("xpbar"); }}},
    {"xpbar", "dcuibg", Make<TGLHUDSprite, &TForm1::xpbar>,
     {.Visible = false, .MatLib = true,
      .Setup = [](TForm1& form, TComponent*) { form.xpbar->Material()->SetLibMaterialName("xpindic"); }}},
    {"aitem_ui", "dcuibg", Make<TGLHUDSprite, &TForm1::aitem_ui>, {.Visible = false, .Width = 128, .Height = 128,
     .MatLib = true}},
    {"minimap", "dcuibg", Make<TGLHUDSprite, &TForm1::minimap>, {.Visible = false, .Setup = SetUpMinimap}},
    // Drawn in child order: the paper doll's layers cover each other in the order they are made, where sorting
    // its blended sprites by their distance to the camera would shuffle layers that share a centre.
    {"dccharscreen", "", Make<TGLDummyCube, &TForm1::dccharscreen>,
     {.Visible = false, .Setup = DrawInChildOrder}},
    // The character screen's panel on the left of a 1024 x 768 view, its rows from 40 pixels down.
    {"csbackground", "dccharscreen", Make<TGLHUDSprite, &TForm1::csbackground>,
     {.X = 260, .Y = 370, .Width = 500, .Height = 660, .MatLib = true}},
    {"icon1", "dccharscreen", Make<TGLHUDSprite, &TForm1::icons, 1>, {.Width = 30, .Height = 30}},
    {"icon2", "dccharscreen", Make<TGLHUDSprite, &TForm1::icons, 2>, {.Width = 30, .Height = 30}},
    {"icon3", "dccharscreen", Make<TGLHUDSprite, &TForm1::icons, 3>, {.Width = 30, .Height = 30}},
    {"icon4", "dccharscreen", Make<TGLHUDSprite, &TForm1::icons, 4>, {.Width = 30, .Height = 30}},
    {"icon5", "dccharscreen", Make<TGLHUDSprite, &TForm1::icons, 5>, {.Width = 30, .Height = 30}},
    {"icon6", "dccharscreen", Make<TGLHUDSprite, &TForm1::icons, 6>, {.Width = 30, .Height = 30}},
    {"icon7", "dccharscreen", Make<TGLHUDSprite, &TForm1::icons, 7>, {.Width = 30, .Height = 30}},
    {"icon8", "dccharscreen", Make<TGLHUDSprite, &TForm1::icons, 8>, {.Width = 30, .Height = 30}},
    {"element_icon", "dccharscreen", Make<TGLHUDSprite, &TForm1::element_icon>, {.Width = 64, .Height = 64}},
    {"mondescbg", "dccharscreen", Make<TGLHUDSprite, &TForm1::mondescbg>, {.Visible = false, .MatLib = true}},
    {"aitem", "dccharscreen", Make<TGLHUDSprite, &TForm1::aitem>, {.Visible = false, .MatLib = true}},
    {"dctextdummy", "", Make<TGLDummyCube, &TForm1::dctextdummy>, {.Visible = false}},
    // The character screen's texts over its pictures.
    {"char_name", "dctextdummy", Make<TGLHUDText, &TForm1::char_name>, {.Font = 1}},
    {"char_strength", "dctextdummy", Make<TGLHUDText, &TForm1::char_strength>, {.Font = 1}},
    {"char_intelligence", "dctextdummy", Make<TGLHUDText, &TForm1::char_intelligence>, {.Font = 1}},
    {"char_speed", "dctextdummy", Make<TGLHUDText, &TForm1::char_speed>, {.Font = 1}},
    {"char_endurence", "dctextdummy", Make<TGLHUDText, &TForm1::char_endurence>, {.Font = 1}},
    {"char_sword", "dctextdummy", Make<TGLHUDText, &TForm1::char_sword>, {.Font = 1}},
    {"char_bow", "dctextdummy", Make<TGLHUDText, &TForm1::char_bow>, {.Font = 1}},
    {"char_armor", "dctextdummy", Make<TGLHUDText, &TForm1::char_armor>, {.Font = 1}},
    {"char_magic", "dctextdummy", Make<TGLHUDText, &TForm1::char_magic>, {.Font = 1}},
    {"char_bp", "dctextdummy", Make<TGLHUDText, &TForm1::char_bp>, {.Font = 1}},
    {"char_xp", "dctextdummy", Make<TGLHUDText, &TForm1::char_xp>, {.Font = 1}},
    {"char_effects", "dctextdummy", Make<TGLHUDText, &TForm1::char_effects>, {.Font = 2}},
    {"char_desc", "dctextdummy", Make<TGLHUDText, &TForm1::char_desc>, {.Visible = false, .Font = 2}},
    {"aitem_name", "dctextdummy", Make<TGLHUDText, &TForm1::aitem_name>, {.Visible = false, .Font = 2}},
    {"spellbook_txt", "dctextdummy", Make<TGLHUDText, &TForm1::spellbook_txt>, {.Visible = false, .Font = 1}},
    // Drawn in child order: the panel under its cells, each cell's frame, kind and count over its picture; sorting
    // the blended sprites by their distance to the camera put some cells under the panel and frames under pictures.
    {"inventory", "", Make<TGLDummyCube, &TForm1::inventory>,
     {.Visible = false, .Setup = DrawInChildOrder}},
    // The item list's panel under its buttons and texts, the description and help boxes beside it.
    {"ilpanel", "inventory", Make<TGLHUDSprite, &TForm1::ilpanel>, {.MatLib = true}},
    {"inventoryf1", "inventory", Make<TGLDummyCube, &TForm1::inventoryf1>},
    {"inventoryf2", "inventory", Make<TGLDummyCube, &TForm1::inventoryf2>},
    {"invitmdesc", "inventory", Make<TGLHUDSprite, &TForm1::invitmdesc>, {.Visible = false, .MatLib = true}},
    {"invhelpbg", "inventory", Make<TGLHUDSprite, &TForm1::invhelpbg>, {.Visible = false, .MatLib = true}},
    {"invitmdesctxt", "inventory", Make<TGLHUDText, &TForm1::invitmdesctxt>, {.Visible = false, .Font = 2}},
    {"invitmimage", "inventory", Make<TGLHUDSprite, &TForm1::invitmimage>, {.Visible = false, .MatLib = true}},
    {"invhelptxt", "inventory", Make<TGLHUDText, &TForm1::invhelptxt>, {.Visible = false, .Font = 2}},
    // Drawn in child order, so that the perk panel's texts stay over its background.
    {"dcperkicon", "", Make<TGLDummyCube, &TForm1::dcperkicon>, {.Setup = DrawInChildOrder}},
    // The perk panel's background, under the perk icons made at start-up.
    {"csperkbg", "dcperkicon", Make<TGLHUDSprite, &TForm1::csperkbg>, {.Visible = false, .MatLib = true}},
    // The perk panel's name, its two columns of requirements and bonuses and the perk's picture over it.
    {"dcperked", "dcperkicon", Make<TGLDummyCube, &TForm1::dcperked>, {.Visible = false}},
    {"perk_name", "dcperked", Make<TGLHUDText, &TForm1::perk_name>, {.Font = 1}},
    {"perkdesc", "dcperked", Make<TGLHUDText, &TForm1::perkdesc>, {.Font = 2}},
    {"perkdesc2", "dcperked", Make<TGLHUDText, &TForm1::perkdesc2>, {.Font = 2}},
    {"perkimage", "dcperked", Make<TGLHUDSprite, &TForm1::perkimage>, {.Width = 100, .Height = 100, .MatLib = true}},
    // The game buttons, the battle's hand and its floating texts: over the character screen and the perk panel,
    // whose buttons they are.
    {"dcuimiddle", "", Make<TGLDummyCube, &TForm1::dcuimiddle>},
    {"teleport_glow", "dcuimiddle", Make<TGLHUDSprite, &TForm1::teleport_glow>, {.Visible = false, .MatLib = true}},
    {"dcuifront", "", Make<TGLDummyCube, &TForm1::dcuifront>},
    {"usedcard", "dcuifront", Make<TGLHUDSprite, &TForm1::usedcard>, {.Visible = false, .Width = 140,
     .Height = 220, .MatLib = true}},
    {"usedcard2", "dcuifront", Make<TGLHUDSprite, &TForm1::usedcard2>, {.Visible = false, .Width = 140,
     .Height = 220, .MatLib = true}},
    {"dcmenu", "", Make<TGLDummyCube, &TForm1::dcmenu>},
    // Where the main menu shows it in a 1024 x 768 view.
    {"titlecard", "dcmenu", Make<TGLHUDSprite, &TForm1::titlecard>,
     {.X = 512, .Y = 105, .Width = 400, .Height = 200}},
    // Drawn in child order: the darkening behind a request form first, the form over it, its picture and its
    // buttons (made at start-up) over the form.
    {"dcrf", "", Make<TGLDummyCube, &TForm1::dcrf>, {.Setup = DrawInChildOrder}},
    {"reqform_dark", "dcrf", Make<TGLHUDSprite, &TForm1::reqform_dark>, {.Visible = false, .MatLib = true}},
    {"reqform", "dcrf", Make<TGLHUDSprite, &TForm1::reqform>, {.Visible = false, .MatLib = true}},
    {"spellfound", "dcrf", Make<TGLHUDSprite, &TForm1::spellfound>, {.Visible = false, .MatLib = true}},
    {"dcrff", "", Make<TGLDummyCube, &TForm1::dcrff>},
    {"rf_title", "dcrff", Make<TGLHUDText, &TForm1::rf_title>, {.Visible = false, .Font = 1}},
    {"rf_text", "dcrff", Make<TGLHUDText, &TForm1::rf_text>, {.Visible = false, .Font = 2}},
    // Shown or hidden whole while a tooltip is up; the text draws over the box (in child order, where the blended
    // box would come last).
    {"dctooltip", "", Make<TGLDummyCube, &TForm1::dctooltip>,
     {.Visible = false, .Setup = DrawInChildOrder}},
    {"tooltipbg", "dctooltip", Make<TGLHUDSprite, &TForm1::tooltipbg>, {.MatLib = true}},
    {"tooltiptxt", "dctooltip", Make<TGLHUDText, &TForm1::tooltiptxt>, {.Font = 2}},
    // The load screen covers everything while a level is read, written or built: drawn in child order, the
    // picture over the background it shares its centre with.
    {"dcload", "", Make<TGLDummyCube, &TForm1::dcload>, {.Setup = DrawInChildOrder}},
    {"loadscr_b", "dcload", Make<TGLHUDSprite, &TForm1::loadscr_b>, {.MatLib = true}},
    {"loadscr_f", "dcload", Make<TGLHUDSprite, &TForm1::loadscr_f>, {.MatLib = true}},
    {"loadtxt", "dcload", Make<TGLHUDText, &TForm1::loadtxt>, {.Font = 1}},
    {"levelname", "dcload", Make<TGLHUDText, &TForm1::levelname>, {.Font = 4}},

    // The view comes last: it draws the finished scene through the camera.
    {"VAVodadViewer1", "", Make<TVAVodadViewer, &TForm1::VAVodadViewer1>, {.Setup = SetUpViewer}},
};

} // namespace

std::span<const TSceneRow> SceneTable()
{
    return cSceneTable;
}

void TForm1::BuildScene()
{
    std::map<std::string, TComponent*, std::less<>> made;
    for (const TSceneRow& row : SceneTable()) {
        TComponent* parent = *row.Parent ? made.at(row.Parent) : nullptr;
        TComponent* object = row.Make(*this, parent);
        object->SetName(row.Name);
        made.emplace(row.Name, object);
        if (auto* sceneObject = dynamic_cast<TGLBaseSceneObject*>(object)) sceneObject->SetVisible(row.State.Visible);
        if (row.State.X != 0 || row.State.Y != 0)
            static_cast<TGLBaseSceneObject*>(object)->Position()->SetPoint(row.State.X, row.State.Y, 0);
        if (row.State.Width > 0) {
            if (auto* sprite = dynamic_cast<TGLSprite*>(object)) sprite->SetSize(row.State.Width, row.State.Height);
            if (auto* plane = dynamic_cast<TGLPlane*>(object)) {
                plane->SetWidth(row.State.Width);
                plane->SetHeight(row.State.Height);
            }
        }
        if (row.State.Font) static_cast<TGLHUDText*>(object)->SetBitmapFont(FontOf(*this, row.State.Font));
        if (row.State.MatLib) static_cast<TGLCustomSceneObject*>(object)->Material()->SetMaterialLibrary(matlib);
        if (row.State.Setup) row.State.Setup(*this, object);
    }
}
