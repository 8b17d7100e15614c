// The battle's effects display, floating texts and logs: the enemy's picture and element sign, the two columns
// of timed-effect icons, the numbers that rise from the fighters, the short log on the battle screen, the
// battle log window, and the names of effect types, classes and elements.
#include "UGH_main.h"

#include "GLBitmapFont.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLWindowsFont.h"
#include "RandomGenerator.h"
#include "StdCtrls.h"
#include "TextEncoding.h"
#include "UGHBattlelog.h"
#include "UGH_data.h"
#include "UGH_hudwrites.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

TBoundedTable<TBoundedArray<effectentry, 1, 100>, 0, 1> effectlists;
TDynArray<std::string> btlmsgs;
std::string btlmsgtext;

namespace {

// String-table entries of the names and descriptions of effect types 1..24, classes 0..3 and elements 0..4.
constexpr std::array<int32_t, 24> cETypeNames = {53,  54,  55,  56,  57,  58,  59,  60,  170, 184, 61,  146,
                                                 195, 244, 246, 252, 253, 254, 255, 260, 281, 332, 343, 386};
constexpr std::array<int32_t, 24> cETypeDescs = {221, 222, 223, 224, 225, 226, 227, 228, 229, 230, 231, 232,
                                                 233, 245, 247, 256, 257, 258, 259, 261, 282, 333, 344, 387};
constexpr std::array<int32_t, 4> cEClassNames = {91, 92, 93, 94};
constexpr std::array<int32_t, 5> cElNames = {353, 354, 355, 356, 357};

template <size_t N>
std::string TableEntry(const std::array<int32_t, N>& entries, int32_t first, int32_t k,
                       const TBoundedTable<std::string, 0, 10000>& strings)
{
    const int32_t at = k - first;
    if (at < 0 || at >= static_cast<int32_t>(N)) return "--none--";
    return strings[entries[static_cast<size_t>(at)]];
}

// Effect types whose counter also shows the strength.
bool ShowsStrength(int32_t type)
{
    static constexpr std::array<int32_t, 11> types = {5, 7, 8, 14, 15, 16, 17, 18, 19, 20, 24};
    return std::find(types.begin(), types.end(), type) != types.end();
}

void FillSide(TBoundedArray<effectentry, 1, 100>& list, const character& fighter)
{
    list.Fill(effectentry{});
    int32_t next = 1;
    for (int32_t t = 1; t <= 100; ++t)
        if (fighter.e[t - 1] > 0) list[next++] = effectentry{t, fighter.e[t - 1], fighter.estr[t - 1]};
}

} // namespace

// ---- Names ----

std::string TForm1::GetETypeName(int32_t type, const TBoundedTable<std::string, 0, 10000>& strings)
{
    return TableEntry(cETypeNames, 1, type, strings);
}

std::string TForm1::GetETypeDesc(int32_t type, const TBoundedTable<std::string, 0, 10000>& strings)
{
    return TableEntry(cETypeDescs, 1, type, strings);
}

std::string TForm1::GetEClassName(int32_t eclass, const TBoundedTable<std::string, 0, 10000>& strings)
{
    return TableEntry(cEClassNames, 0, eclass, strings);
}

std::string TForm1::GetElName(int32_t element, const TBoundedTable<std::string, 0, 10000>& strings)
{
    return TableEntry(cElNames, 0, element, strings);
}

std::string poplabel(const std::string& text)
{
    return extdmginfo ? text + ": " : std::string();
}

bool soundexists(const std::string& name)
{
    const std::string base = GamePath("\\sounds\\audio\\" + name);
    return DataFileExists(base + ".mp3") || DataFileExists(base + ".wav");
}

// ---- The enemy's picture and the effect columns ----

void TForm1::VisualizeBattle(int32_t oppon)
{
    RefreshMonsterImg(oppon, opponent.hp);
    fillefflist();
    ShowChEffects();
    SetHUDMaterial(monster_sign, "element_" + std::to_string(opponent.element));
}

void TForm1::RefreshMonsterImg(int32_t mimid, int32_t ehp)
{
    const std::string name = "mon_" + std::to_string(mimid);
    SetHUDMaterial(monster_img, ehp > 0 ? name : name + "_d");
}

void TForm1::fillefflist()
{
    FillSide(effectlists[0], player);
    FillSide(effectlists[1], opponent);
}

int32_t EffectIconSize(int32_t n, int32_t height)
{
    return std::min<int32_t>(32, static_cast<int32_t>(std::nearbyint(static_cast<double>(height) / (n + 1))));
}

void TForm1::ShowChEffects()
{
    for (int32_t side = 0; side <= 1; ++side) {
        const auto& list = effectlists[side];
        const int32_t n = static_cast<int32_t>(
            std::count_if(list.begin(), list.end(), [](const effectentry& entry) { return entry.rounds >= 1; }));
        const int32_t size = EffectIconSize(n, scrh);
        const float iconX = side == 0 ? static_cast<float>(scrw - 16) : 16.0f;
        const float counterX = side == 0 ? static_cast<float>(scrw - 87) : 53.0f;
        for (int32_t p = 1; p <= 100; ++p) {
            TGLHUDSprite* const icon = effecticons[side][p];
            TGLHUDText* const counter = effecttexts[side][p];
            if (!icon || !counter) continue;
            const effectentry& entry = list[p];
            if (entry.rounds < 1) {
                ShowHUD(icon, false);
                ShowHUD(counter, false);
                continue;
            }
            SetHUDMaterial(icon, "effect_" + std::to_string(entry.type));
            SizeHUD(icon, static_cast<float>(size), static_cast<float>(size));
            PlaceHUD(icon, iconX, static_cast<float>(size * p + 40));
            std::string text = std::to_string(entry.rounds);
            if (ShowsStrength(entry.type)) text += "/" + std::to_string(entry.strength);
            TGLWindowsBitmapFont* const font = size > 24 ? GLWindowsBitmapFont1 : GLWindowsBitmapFont2;
            if (counter->BitmapFont() != font) counter->SetBitmapFont(font);
            SetHUDText(counter, text);
            PlaceHUD(counter, counterX, static_cast<float>(size * p + 30));
            ShowHUD(icon, true);
            ShowHUD(counter, true);
        }
    }
}

void TForm1::HideChEffects()
{
    for (int32_t side = 0; side <= 1; ++side) {
        for (int32_t p = 1; p <= 100; ++p) {
            if (effecticons[side][p]) ShowHUD(effecticons[side][p], false);
            if (effecttexts[side][p]) ShowHUD(effecttexts[side][p], false);
        }
    }
}

// ---- Enemy portraits ----

void TForm1::ShowEnemyPortraits()
{
    const bool shown = btlmode && !mmmode && !invmode && !itemlistmode;
    const float u = static_cast<float>(std::nearbyint(monster_img->Height() / 11.0));
    const float right = monster_img->Position()->X() + monster_img->Width() / 2;
    const float top = monster_img->Position()->Y() - monster_img->Height() / 2;
    for (int32_t i = 0; i <= 10; ++i) {
        TGLHUDSprite* const icon = enemyicons[i];
        TGLHUDText* const label = enemyiconlabels[i];
        if (!icon || !label) continue;
        const int32_t id = battlelist[i];
        const character& slot = btlslots[i];
        if (!shown || id == -2) {
            ShowHUD(icon, false);
            ShowHUD(label, false);
            continue;
        }
        const std::string name = id < 0 ? "unknown" : "mon_" + std::to_string(id) + (slot.hp > 0 ? "" : "_d");
        SetHUDMaterial(icon, name);
        const float side = i == btltarget ? 1.2f * u : u;
        SizeHUD(icon, side, side);
        const float y = top + u * i + side / 2;
        PlaceHUD(icon, right + side / 2, y);
        ShowHUD(icon, true);
        const bool labelled = slot.name != "nil" && slot.hp > 0;
        if (labelled) {
            SetHUDText(label, std::to_string(slot.hp) + "/" + std::to_string(slot.hpmax));
            PlaceHUD(label, right + side + 2, y);
        }
        ShowHUD(label, labelled);
    }
}

// ---- Floating texts ----

void TForm1::AddDmgPop(int32_t side, const std::string& text, int32_t ptype)
{
    int32_t k = 0;
    for (int32_t n = 0; n <= 99; ++n) {
        if (!dmgpops[n].enabled) {
            k = n;
            break;
        }
    }
    pop& entry = dmgpops[k];
    entry.kx = Random(2) == 0 ? 1 : -1;
    entry.ky = 1;
    entry.fx = (Random(100) + 50) / 100.0;
    entry.fy = (Random(100) - 150) / 100.0;
    entry.enabled = true;
    entry.txt = text;
    entry.tp = ptype;
    // Damage rises from the fighter that takes it, healing and mana from the one that acts.
    TGLHUDSprite* origin = nullptr;
    if (ptype == 0) origin = side == 0 ? monster_img : pl_hpbar;
    else if (ptype == 1 || ptype == 2) origin = side == 0 ? pl_hpbar : monster_img;
    if (origin) {
        entry.x = origin->Position()->X();
        entry.y = origin->Position()->Y();
    }
}

void TForm1::HandleDMGPops(double dt)
{
    static constexpr std::array<std::array<float, 3>, 3> colours = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    for (int32_t k = 0; k <= 100; ++k) {
        pop& entry = dmgpops[k];
        if (entry.enabled) {
            if (entry.fx > 0) entry.fx -= entry.fx / 2 * dt;
            if (!(entry.fx > 0)) {
                entry.fx = 0;
                entry.kx = 0;
            }
            entry.fy += 2 * dt;
            entry.x += entry.kx * entry.fx;
            entry.y += entry.ky * entry.fy;
            if (entry.x > scrw || entry.x < 0 || entry.y > scrh) entry.enabled = false;
        }
        TGLHUDText* const text = dmgtexts[k];
        if (!text) continue;
        if (!entry.enabled) {
            ShowHUD(text, false);
            continue;
        }
        PlaceHUD(text, static_cast<float>(entry.x), static_cast<float>(entry.y));
        SetHUDText(text, entry.txt);
        if (entry.tp >= 0 && entry.tp <= 2) {
            const auto& c = colours[static_cast<size_t>(entry.tp)];
            const TVector4f& now = text->ModulateColor()->Color();
            if (now.X != c[0] || now.Y != c[1] || now.Z != c[2]) text->ModulateColor()->SetColor(c[0], c[1], c[2]);
        }
        ShowHUD(text, true);
    }
}

// ---- Battle logs ----

void TForm1::AddToBattleLog(const std::string& bltxt)
{
    if (showbtllog && Form9) Form9->Memo1->Lines()->Add(bltxt);
}

void TForm1::ShowBattleLog()
{
    if (!showbtllog || !Form9) return;
    Form9->Show();
    Form9->Memo1->Clear();
}

void TForm1::HideBattleLog()
{
    if (showbtllog && Form9) Form9->Hide();
}

void clearbtlmsgs()
{
    btlmsgs.clear();
    btlmsgtext.clear();
}

void addbtlmsg(const std::string& t)
{
    btlmsgs.push_back(t);
}

std::string WrapBattleMessage(const std::string& t)
{
    const std::string line = "* " + t;
    std::string wrapped;
    int32_t count = 0; // characters, not bytes: a line never breaks inside one
    for (size_t pos = 0; pos < line.size();) {
        const size_t start = pos;
        const char32_t c = NextUtf8CodePoint(line, pos);
        ++count;
        if (count > 50 || (count > 40 && c == U' ')) {
            wrapped += "\r\n";
            if (c == U' ') {
                count = 0;
                continue;
            }
            count = 1;
        }
        wrapped.append(line, start, pos - start);
    }
    return wrapped;
}

void TForm1::ProcessBmsg()
{
    btlmsgtext.clear();
    if (!shortbtllog) return;
    for (const std::string& entry : btlmsgs) btlmsgtext += WrapBattleMessage(entry) + "\r\n";
}
