// The character screen's paper doll (body parts and worn items layered beside the screen's background, or the
// enemy's picture in its place), the icons of the owned perks and the perk panel.
#include "UGH_main.h"

#include "GLCoordinates.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "UGH_data.h"
#include "UGH_hudwrites.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

TBoundedTable<TBodyPartData, 0, 4> bpdata;
double torsoratio = 0.6;

void readbpartdata(int32_t sex, int32_t bpt, int32_t id)
{
    static constexpr std::array<const char*, 5> cKinds = {"head", "hair", "hairb", "torso", "hat"};
    if (bpt < 0 || bpt > 4) throw EGameDataError("Body-part data of kind " + IntToStr(bpt) + " does not exist");
    TLineBuffer buffer;
    buffer.LoadFromFile(GamePath("\\bodypartdata\\" + IntToStr(sex) + "\\" + cKinds[static_cast<size_t>(bpt)] +
                                 "_" + IntToStr(id) + ".txt"));
    if (bpt == bptTorso) {
        const int32_t a = buffer.ReadIntLine(0), b = buffer.ReadIntLine(1);
        // A ratio of 0, below 0 or over no height would draw the whole doll nowhere.
        if (a <= 0 || b <= 0) buffer.LineError(a <= 0 ? 0 : 1, "the torso's proportions must be above 0");
        torsoratio = static_cast<double>(a) / b;
        return;
    }
    TBodyPartData part;
    double* const values[] = {&part.w, &part.h, &part.x, &part.y};
    for (int line = 0; line < 4; ++line) {
        *values[line] = buffer.ReadFloatLine(line);
        if (!std::isfinite(*values[line])) buffer.LineError(line, "the value is not finite");
    }
    if (bpt == bptHair) {
        part.eb = buffer.ReadBoolLine(4);
        part.brd = buffer.ReadBoolLine(5);
    }
    bpdata[bpt] = part;
}

int32_t DollBuild(int32_t bstr)
{
    return static_cast<int32_t>(std::clamp<int64_t>(Round(bstr / 20.0), 0, 4));
}

std::string ClothMaterial(const std::string& prefix, int32_t sex, int32_t cloth, int32_t build)
{
    const std::string base = prefix + "cloth_" + IntToStr(cloth);
    const bool known = sex >= 0 && sex <= 1 && cloth >= 0 && cloth <= 1000;
    const auto exists = [&](int32_t layer) { return known && armorlayers[sex][cloth][layer] != 0; };
    if (build >= 0 && build <= 4 && exists(build)) return base + "_" + IntToStr(build);
    for (int32_t layer = 0; layer <= 4; ++layer)
        if (exists(layer)) return base + "_" + IntToStr(layer);
    return base;
}

TPerkPanelText PerkPanelText(int32_t p)
{
    TPerkPanelText text;
    const auto line = [&text](const std::string& label, const std::string& value) {
        text.labels += label + "\r\n";
        text.values += value + "\r\n";
    };
    line("", strarr[172] + "/" + strarr[173]);
    const perk& pk = perks[p];
    struct TPair {
        int32_t label;
        int32_t perk::*requirement;
        int32_t perk::*bonus;
    };
    static constexpr TPair cPairs[] = {
        {36, &perk::recst, &perk::addst},   {37, &perk::recin, &perk::addin}, {38, &perk::recagi, &perk::addagi},
        {39, &perk::recend, &perk::addend}, {40, &perk::recsw, &perk::addsw}, {41, &perk::recbw, &perk::addbw},
        {42, &perk::recar, &perk::addar},   {43, &perk::recmg, &perk::addmg},
    };
    for (const TPair& pair : cPairs)
        if (pk.*pair.requirement != 0 || pk.*pair.bonus != 0)
            line(strarr[pair.label] + ": ", IntToStr(pk.*pair.requirement) + "  |  " + IntToStr(pk.*pair.bonus));
    if (pk.addcard != -1)
        line(strarr[194] + ": ", pk.addcard >= cards.Low() && pk.addcard <= cards.High() ? cards[pk.addcard].name : "");
    if (pk.recperk != -1)
        line(strarr[179] + ": ", pk.recperk >= perks.Low() && pk.recperk <= perks.High() ? perks[pk.recperk].name : "");
    if (pk.recrace != -1) line(strarr[182] + ": ", TForm1::GetEClassName(pk.recrace, strarr));
    line(strarr[177] + ": ",
         pk.addcoded >= cpenames.Low() && pk.addcoded <= cpenames.High() ? cpenames[pk.addcoded] : "");
    return text;
}

namespace {

void SetColour(TGLHUDText* text, float r, float g, float b)
{
    const TVector4f& now = text->ModulateColor()->Color();
    if (now.X != r || now.Y != g || now.Z != b) text->ModulateColor()->SetColor(r, g, b);
}

} // namespace

void TForm1::ConstructCharacter()
{
    for (TGLHUDSprite*& part : bparts)
        if (part) FreeAndNil(part);
    if (charpic) FreeAndNil(charpic);

    const float right = RightEdge(csbackground);
    const auto make = [this](const std::string& material, float width, float height, float x, float y) {
        TGLHUDSprite* const sprite = TGLBaseSceneObject::CreateAsChild<TGLHUDSprite>(dccharscreen);
        sprite->Material()->SetMaterialLibrary(matlib);
        sprite->Material()->SetLibMaterialName(material);
        sprite->SetSize(width, height);
        sprite->Position()->SetX(x);
        sprite->Position()->SetY(y);
        return sprite;
    };

    if (showenemy) {
        const float side = std::max(0.0f, std::min(scrw - right - 5, static_cast<float>(scrh)));
        charpic = make(monster_img->Material()->LibMaterialName(), side, side, right + (scrw - right) / 2,
                       scrh / 2.0f);
        return;
    }

    const std::string prefix = player.sex == 1 ? "fem_" : "mal_";
    const int32_t sex = player.sex == 1 ? 1 : 0;
    try {
        readbpartdata(sex, bptHead, player.face);
        readbpartdata(sex, bptHair, player.hair);
        readbpartdata(sex, bptHairb, player.hair);
        readbpartdata(sex, bptTorso, 0);
        readbpartdata(sex, bptHat, player.hat);
    } catch (const EGameDataError&) {
        for (int32_t bpt : {bptHead, bptHair, bptHairb}) bpdata[bpt] = TBodyPartData{};
        torsoratio = 0.6;
    }

    const float H = static_cast<float>(scrh);
    const float W = static_cast<float>(ClientHeight() * torsoratio);
    const float r = static_cast<float>(scrh / 4200.0);
    const float cx = right + (scrw - csbackground->Width()) / 2, cy = scrh / 2.0f;
    const float headx = cx - W / 2 + W * static_cast<float>(bpdata[bptHead].x) / 100;
    const auto part = [&](const std::string& material, int32_t bpt) {
        const TBodyPartData& d = bpdata[bpt];
        return make(material, static_cast<float>(d.w) * r, static_cast<float>(d.h) * r,
                    cx - W / 2 + W * static_cast<float>(d.x) / 100, cy - H / 2 + H * static_cast<float>(d.y) / 100);
    };
    // These layers go over whatever the screen holds beneath them.
    const auto last = [](TGLHUDSprite* sprite) {
        sprite->MoveLast();
        return sprite;
    };

    const int32_t head = equipped[3];
    const bool hatworn = head != -1;
    const bool hairhidden = head >= items.Low() && head <= items.High() && items[head].nohair;
    const int32_t build = DollBuild(player.bstr);
    const std::string hair = IntToStr(player.hair), hat = IntToStr(player.hat);

    if (player.spec != 0) bparts[6] = make("wings_" + IntToStr(player.spec), 1.2f * W, 1.2f * H, headx, cy);
    for (int32_t slot = 0; slot <= 1; ++slot) {
        bparts[1 + slot] = make("itm_" + IntToStr(equipped[slot]), 0.8f * W, 0.8f * W, headx, cy - 0.25f * H);
        bparts[1 + slot]->SetVisible(equipped[slot] != -1);
    }
    bparts[3] = part(prefix + "hatb_" + hat, bptHat);
    bparts[4] = part(prefix + "hairb_" + hair, bptHairb);
    bparts[5] = make(prefix + "torso_" + IntToStr(build), W, H, cx, cy);
    bparts[7] = last(make(prefix + "arms_" + IntToStr(build), W, H, cx, cy));
    bparts[8] = make(ClothMaterial(prefix, sex, player.cloth, build), W, H, cx, cy);
    bparts[9] = last(part(prefix + "face_" + IntToStr(player.face), bptHead));
    bparts[10] = last(part(prefix + "hair_" + hair, bptHair));
    bparts[11] = last(part(prefix + "haireb_" + hair, bptHair));
    bparts[12] = last(part(prefix + "hairbrd_" + hair, bptHair));
    bparts[13] = last(part(prefix + "hat_" + hat, bptHat));

    bparts[3]->SetVisible(hatworn);
    bparts[4]->SetVisible(!hairhidden);
    bparts[10]->SetVisible(!hairhidden);
    bparts[11]->SetVisible(bpdata[bptHair].eb);
    bparts[12]->SetVisible(bpdata[bptHair].brd);
    bparts[13]->SetVisible(hatworn);
}

void TForm1::formperkvisuals(const character& perkman)
{
    if (loading) return;
    for (TGLHUDSprite* icon : perkicons)
        if (icon) ShowHUD(icon, false);
    std::vector<int32_t> owned;
    for (int32_t id = 0; id <= 100; ++id)
        if (perkman.perks[id]) owned.push_back(id);

    const float x = RightEdge(csbackground) + 5, top = TopEdge(csbackground) + 30;
    const auto step = static_cast<float>(std::min<int64_t>(
        70, Round((csbackground->Height() - 60) / static_cast<double>(owned.size() + 1))));
    for (int32_t k = ttareas.Low(); k <= ttareas.High(); ++k) ttareas[k] = tooltiparea{};
    ttlast = static_cast<int32_t>(owned.size()) - 1;
    for (size_t k = 0; k < owned.size(); ++k) {
        TGLHUDSprite* const icon = perkicons[static_cast<int32_t>(k)];
        const float y = top + step * static_cast<float>(k);
        if (icon) {
            SizeHUD(icon, 35, 35);
            PlaceHUD(icon, x, y);
            SetHUDMaterial(icon, "perkico_" + IntToStr(owned[k]));
            ShowHUD(icon, true);
        }
        tooltiparea& area = ttareas[static_cast<int32_t>(k)];
        area.x1 = static_cast<int32_t>(Round(x - 17.5));
        area.y1 = static_cast<int32_t>(Round(y - 17.5));
        area.x2 = static_cast<int32_t>(Round(x + 17.5));
        area.y2 = static_cast<int32_t>(Round(y + 17.5));
        area.text = perks[owned[k]].name;
    }
}

void TForm1::ProcessPerkPanel()
{
    const bool shown = invmode && perkpanelshown && !showenemy;
    ShowHUD(csperkbg, shown);
    ShowHUD(dcperked, shown);
    if (!shown) return;

    const float right = RightEdge(csbackground);
    SizeHUD(csperkbg, 1024 - (right + 20), 350);
    PlaceHUD(csperkbg, right + csperkbg->Width() / 2 + 10, scrh / 2.0f);
    const float left = LeftEdge(csperkbg), top = TopEdge(csperkbg);

    const bool listed = perkcursor >= perklist.Low() && perkcursor <= perklist.High() && perklist[perkcursor] >= 0 &&
                        perklist[perkcursor] <= 100;
    ShowHUD(dcperked, listed);
    if (!listed) return;
    const int32_t p = perklist[perkcursor];

    PlaceHUD(perk_name, left + 15, top + 15);
    SetHUDText(perk_name, perks[p].name);
    if (player.perks[p])
        SetColour(perk_name, 1, 1, 1);
    else if (checkperkrq(p))
        SetColour(perk_name, 0, 1, 0);
    else
        SetColour(perk_name, 1, 0, 0);

    const TPerkPanelText text = PerkPanelText(p);
    PlaceHUD(perkdesc, left + 20, perk_name->Position()->Y() + 30);
    SetHUDText(perkdesc, text.labels);
    PlaceHUD(perkdesc2, left + 200, perkdesc->Position()->Y());
    SetHUDText(perkdesc2, text.values);

    SizeHUD(perkimage, 100, 100);
    PlaceHUD(perkimage, csperkbg->Position()->X(), top - 5 - 50);
    SetHUDMaterial(perkimage, "perkico_" + IntToStr(p));
}
