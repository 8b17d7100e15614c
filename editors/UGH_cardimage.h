// The card pictures the game shows on the battle hand: each card drawn in three variants (2 green, 1 yellow,
// 0 white) on the background of its skill and element, with its illustration, title, text lines, effect icon
// and costs, and written as "\textures\cards\<language>\<id>_<variant>.png". No window: the card editor shows
// the variants, the demo generator renders the adventure's cards with it.
#pragma once

#include "Graphics.h"
#include "SysUtils.h"
#include "UGH_tables.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A card that cannot be drawn or written: the message names the file.
class ECardImage : public Exception {
public:
    using Exception::Exception;
};

// One text written on a card: what, in which colour, its top-left corner where.
struct TCardText {
    std::string Text;
    TColor Color = clWhite;
    int32_t X = 0, Y = 0;

    bool operator==(const TCardText&) const = default;
};

// What one variant shows over its background and illustration.
struct TCardPass {
    int32_t Pass = 0;
    TCardText Title;
    std::vector<TCardText> Lines; // from the top down
    std::optional<TRect> Icon;    // where the effect icon was stretched
};

// How cards are drawn: the fonts (each variant sets their colour), the string table whose entries label the
// lines, and the language whose item names the consumed items take and whose folder takes the PNG files (a plain
// folder name: the callers check it).
struct TCardStyle {
    TFont* TitleFont = nullptr;
    TFont* TextFont = nullptr;
    const TBoundedTable<std::string, 0, 10000>* Strings = nullptr;
    std::string Language;
};

// The rectangle of the card that the illustration is stretched into.
constexpr TRect cCardPictureRect{14, 14, 126, 92};
constexpr int32_t cCardTitleX = 16, cCardTitleY = 95;
constexpr int32_t cCardTextX = 21, cCardTextTop = 110;

// The fonts cards are drawn with until others are chosen: Bookman Old Style, the title 13 pixels high and bold
// (10 points), the text 12 pixels (9 points: its lines step 11 pixels and the effect icon is 18 pixels square).
void SetDefaultCardFonts(TFont& title, TFont& text);

// 2 green, 1 yellow, 0 white.
TColor CardPassColor(int32_t pass);

// "\textures\cards\<language>\<id>_<pass>.png"
std::string CardPngPath(const std::string& language, int32_t id, int32_t pass);

// One card with the pictures it needs, read once: the background "\textures\cards\b<govskill>_<element>.jpg",
// the illustration "h<id>.jpg" (else "noimg.jpg") and, for a card with an effect, the icon
// "\textures\<qualitydir>\effect_<n>.tga" (else ".dds"). A picture that is missing or unreadable raises
// ECardImage naming it (a missing illustration only when "noimg.jpg" fails too).
class TCardImage {
public:
    TCardImage(const card& crd, int32_t id, const TCardStyle& style);
    ~TCardImage();
    TCardImage(const TCardImage&) = delete;
    TCardImage& operator=(const TCardImage&) = delete;

    // Draws the variant on a fresh copy of the background; Bitmap() holds it until the next Draw.
    TCardPass Draw(int32_t pass);
    TBitmap& Bitmap() { return *FCard; }

private:
    card FRecord;
    int32_t FId;
    TCardStyle FStyle;
    std::unique_ptr<TBitmap> FBackground, FPicture, FCard;
    std::unique_ptr<TGraphic> FIcon;
};

// The variant as the PNG file's bytes.
std::string CardPng(TBitmap& bitmap);

// Draws the variants 2, 1 and 0 in this order; after each, shown sees the variant and, when save, it is written
// to CardPngPath (the folder made when missing). Answers what each variant showed, in drawing order.
std::vector<TCardPass> RenderCard(const card& crd, int32_t id, bool save, const TCardStyle& style,
                                  const std::function<void(TBitmap&)>& shown = {});
