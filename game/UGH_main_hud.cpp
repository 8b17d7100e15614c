// The tooltip box that follows the pointer and the always-visible parts of the head-up display: keys, the danger
// figure, the corner frames, the hit and mana points line and the experience bar.
#include "UGH_main.h"

#include "GLBitmapFont.h"
#include "GLHUDObjects.h"
#include "GLWindowsFont.h"
#include "Graphics.h"
#include "SysUtils.h"
#include "TextEncoding.h"
#include "UGH_data.h"
#include "UGH_hudwrites.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

std::string lasttooltip;
int32_t ttlast = -1;

namespace {

// A line is wrapped once it holds more than this many characters, or from cTooltipBreakFrom on after a blank or
// punctuation.
constexpr int32_t cTooltipMaxLine = 60;
constexpr int32_t cTooltipBreakFrom = 40;

} // namespace

TTooltipLayout WrapTooltip(std::string_view text, const std::function<int32_t(std::string_view)>& lineWidth,
                           int32_t fontPoints)
{
    TTooltipLayout layout;
    layout.Text.reserve(text.size() + text.size() / cTooltipMaxLine * 2 + 2);
    int32_t c = 0; // characters on the current line
    const auto endLine = [&](int32_t lines) {
        layout.Text += "\r\n";
        layout.Lines += lines;
        c = 0;
    };
    for (size_t pos = 0; pos < text.size();) {
        const size_t start = pos;
        const char32_t ch = NextUtf8CodePoint(text, pos);
        if (ch == U'\r' || ch == U'\n') {
            // A break of the text ends the line and counts twice; one at a line's start is dropped.
            if (c > 0) endLine(2);
            continue;
        }
        layout.Text.append(text.substr(start, pos - start));
        ++c;
        if (c > cTooltipMaxLine || (c >= cTooltipBreakFrom && (ch == U' ' || ch == U'.' || ch == U',' || ch == U';')))
            endLine(1);
    }
    layout.Width = std::max(lineWidth(LongestLine(layout.Text)) + 30, 200);
    layout.Height = fontPoints * (layout.Lines + 1) + 40;
    return layout;
}

bool inrect(int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t w, int32_t h, bool corner)
{
    if (corner) return rx < x && x < rx + w && ry < y && y < ry + h;
    const double halfW = w / 2.0, halfH = h / 2.0;
    return rx - halfW < x && x < rx + halfW && ry - halfH < y && y < ry + halfH;
}

int32_t DangerFigure(double stepscale, int32_t difficulty)
{
    // A huge difficulty makes the monster scaling overflow any integer: the figure stops at the largest one.
    const double figure = 100 * std::min(stepscale, 2.0) * (1 + std::pow(3.0, difficulty) * 0.5 / 500);
    const double clamped = std::clamp(figure, static_cast<double>(std::numeric_limits<int32_t>::min()),
                                      static_cast<double>(std::numeric_limits<int32_t>::max()));
    return static_cast<int32_t>(Round(clamped));
}

double XPBarWidth(int32_t xp, int32_t xpreq)
{
    if (xpreq <= 0) return 0;
    return 200.0 * xp / xpreq;
}

void TForm1::handletooltip(int32_t ttx, int32_t tty, const std::string& tttxt, bool ttvis)
{
    if (!(ttvis && tooltips && !tttxt.empty() && tttxt != lasttooltip)) {
        if (tttxt != lasttooltip) ShowHUD(dctooltip, false);
        return;
    }
    lasttooltip = tttxt;
    ShowHUD(dctooltip, true);
    TGLCustomBitmapFont* font = tooltiptxt->BitmapFont();
    const TTooltipLayout layout = WrapTooltip(
        tttxt, [font](std::string_view line) { return font ? font->CalcStringWidth(line) : 0; },
        GLWindowsBitmapFont2->Font()->Size());
    const int32_t dx = ttx + layout.Width > scrw ? -1 : 1;
    const int32_t dy = tty + layout.Height > scrh ? -1 : 1;
    SizeHUD(tooltipbg, layout.Width, layout.Height);
    const float centreX = ttx + layout.Width * dx / 2.0f, centreY = tty + layout.Height * dy / 2.0f;
    PlaceHUD(tooltipbg, centreX, centreY);
    ShowHUD(tooltipbg, true);
    SetHUDText(tooltiptxt, layout.Text);
    PlaceHUD(tooltiptxt, centreX - layout.Width / 2.0f + 15, centreY - layout.Height / 2.0f + 15);
    ShowHUD(tooltiptxt, true);
}

void TForm1::ProcessBasicHUD()
{
    const bool inGame = ingame && !mmmode;
    SetHUDText(key_gold_no, IntToStr(keys2));
    PlaceHUD(key_gold_no, scrw - 50, 15);
    PlaceHUD(key_gold, scrw - 80, 25);
    SetHUDText(key_silver_no, IntToStr(keys1));
    PlaceHUD(key_silver_no, scrw - 130, 15);
    PlaceHUD(key_silver, scrw - 160, 25);
    SetHUDText(monster_ico_no, IntToStr(DangerFigure(stepscale, difficulty)));
    PlaceHUD(monster_ico_no, scrw - 210, 15);
    PlaceHUD(monster_ico, scrw - 240, 25);
    for (TGLBaseSceneObject* object : std::initializer_list<TGLBaseSceneObject*>{
             key_gold_no, key_gold, key_silver_no, key_silver, monster_ico, corner_tr, PL_HPMP})
        ShowHUD(object, inGame);
    ShowHUD(monster_ico_no, inGame && !invmode);

    PlaceHUD(corner_tl, corner_tl->Width() / 2, corner_tl->Height() / 2);
    ShowHUD(corner_tl, inGame && !invmode && !itemlistmode);
    PlaceHUD(corner_tr, scrw - corner_tr->Width() / 2, corner_tr->Height() / 2);
    PlaceHUD(corner_bl, corner_bl->Width() / 2, scrh - corner_bl->Height() / 2);
    ShowHUD(corner_bl, inGame && minimapon && !invmode && !btlmode);

    PlaceHUD(PL_HPMP, 5, scrh - 20);
    // Built in a buffer kept between frames: a steady frame allocates nothing.
    static std::string points;
    points.clear();
    points.append(strarr[48]).append(": ").append(IntToStr(player.hpmax)).append(" ");
    points.append(strarr[49]).append(": ").append(IntToStr(player.manamax));
    SetHUDText(PL_HPMP, points);

    // The item held for crafting shows in the bottom right corner.
    ShowHUD(aitem_ui, craftmode);
    if (craftmode) {
        SetHUDMaterial(aitem_ui, "itm_" + IntToStr(selitem));
        PlaceHUD(aitem_ui, scrw - 64, scrh - 64);
    }

    const bool bar = !invmode && !mmmode && !btlmode;
    ShowHUD(xpbar_bg, bar);
    ShowHUD(xpbar, bar);
    if (!bar) return;
    SizeHUD(xpbar_bg, 200, 40);
    PlaceHUD(xpbar_bg, scrw / 2.0f, 30);
    const float width = static_cast<float>(XPBarWidth(player.xp, player.xpreq));
    SizeHUD(xpbar, width, 28);
    PlaceHUD(xpbar, scrw / 2.0f - 100 + width / 2, 30);
}
