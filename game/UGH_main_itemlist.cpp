// The item list: the owned items or cards in pages of cells over the item-list layer, the entry under the pointer
// and its description panel beside the list.
#include "UGH_main.h"

#include "GLBitmapFont.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLWindowsFont.h"
#include "UGH_data.h"
#include "UGH_hudwrites.h"
#include "UGH_log.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

using TItemGrid = TBoundedTable<TBoundedArray<TBoundedArray<int32_t, 0, 9>, 0, 9>, 0, 9>;

void EmptyGrid(TItemGrid& grid)
{
    for (auto& column : grid)
        for (auto& row : column) row.Fill(-1);
}

} // namespace

// Empty until the list is first set up.
TItemGrid itemgrid = [] {
    TItemGrid grid;
    EmptyGrid(grid);
    return grid;
}();
int32_t itemhover = -1;

namespace {

constexpr const char* cCRLF = "\r\n";
// Entries fill nine columns and nine rows of a page; the tenth column and row stay empty.
constexpr int32_t cUsedColumns = 9, cUsedRows = 9, cPages = 10;
constexpr int32_t cPageEntries = cUsedColumns * cUsedRows;
// The ids the list orders: 0..999.
constexpr int32_t cListedIds = 1000;
// Cell (c, r) is drawn at (c x 68 + 60, r x 65 + 70); the hit test steps 68 both ways from (60, 60).
constexpr int32_t cCellStepX = 68, cCellStepY = 65, cCellX = 60, cCellY = 70, cHitStep = 68, cHitOrigin = 60;

const char* const cItemIcons[] = {"iico_misc", "iico_sword", "iico_bow", "iico_shield", "iico_helm"};
const char* const cCardIcons[] = {"iico_sword", "iico_bow", "iico_wand", "iico_shield"};

// What the description panel shows; it is built again only when the entry or the list changes.
struct TDescribed {
    int32_t Entry = -2;
    bool Cards = false;
    int32_t Serial = -1;
    bool operator==(const TDescribed&) const = default;
};
TDescribed described;
int32_t listserial = 0; // raised by every SetupItemList: counts and the deck may have changed

bool Owned(bool showcards, int32_t id)
{
    return showcards ? player.spellbook[id] : items[id].count > 0;
}

int32_t ListKey(bool showcards, int32_t id)
{
    return showcards ? cards[id].govskill : items[id].itmtype;
}

// An empty cell is black. A library picture looks the same on every sprite that shows it, so item 0's picture
// cannot be darkened for one cell: the cell shows the sprite's own material instead, black and unlit.
void ShowEmptyCell(TGLHUDSprite* picture)
{
    SetHUDMaterial(picture, "");
    TGLMaterial* own = picture->Material();
    if (!own->MaterialOptions().Contains(moNoLighting)) own->SetMaterialOptions(own->MaterialOptions() + TMaterialOptions{moNoLighting});
    TGLColor* diffuse = own->FrontProperties()->Diffuse();
    const TVector4f& colour = diffuse->Color();
    if (colour.X != 0 || colour.Y != 0 || colour.Z != 0 || colour.W != 1) diffuse->SetColor(0, 0, 0, 1);
}

// The value line "name: value" of a bonus or requirement that is set.
void ValueLine(std::string& text, int32_t name, int32_t value)
{
    if (value != 0) text += strarr[name] + ": " + std::to_string(value) + cCRLF;
}

// The eight attributes and skills of an item in the order the description lists them, with their names.
struct TItemValue {
    int32_t loot::*Bonus;
    int32_t loot::*Requirement;
    int32_t Name;
};
constexpr TItemValue cItemValues[] = {
    {&loot::lb_str, &loot::rq_str, 36}, {&loot::lb_int, &loot::rq_int, 37}, {&loot::lb_spd, &loot::rq_spd, 38},
    {&loot::lb_end, &loot::rq_end, 39}, {&loot::lb_sw, &loot::rq_sw, 40},   {&loot::lb_mg, &loot::rq_mg, 43},
    {&loot::lb_bw, &loot::rq_bw, 41},   {&loot::lb_ar, &loot::rq_ar, 42}};

std::string KindName(int32_t itmtype)
{
    switch (itmtype) {
    case 0: return strarr[205];
    case 1: return strarr[203];
    case 2: return strarr[204];
    case 3: return strarr[7];
    default: return "";
    }
}

} // namespace

void FillItemGrid(bool showcards)
{
    EmptyGrid(itemgrid);
    std::array<int32_t, cListedIds> ids;
    int32_t owned = 0;
    for (int32_t id = 0; id < cListedIds; ++id)
        if (Owned(showcards, id)) ids[owned++] = id;
    // Stable: entries of one kind keep the order of their ids.
    std::stable_sort(ids.begin(), ids.begin() + owned,
                     [showcards](int32_t a, int32_t b) { return ListKey(showcards, a) < ListKey(showcards, b); });
    const int32_t shown = std::min(owned, cPages * cPageEntries);
    for (int32_t n = 0; n < shown; ++n) {
        const int32_t cell = n % cPageEntries;
        itemgrid[cell % cUsedColumns][cell / cUsedColumns][n / cPageEntries] = ids[n];
    }
}

int32_t TForm1::getilundercursor(int32_t x, int32_t y)
{
    const int32_t column = RoundInteger(static_cast<double>(x - cHitOrigin) / cHitStep);
    const int32_t row = RoundInteger(static_cast<double>(y - cHitOrigin) / cHitStep);
    if (column < 0 || column > 9 || row < 0 || row > 9 || itempage < 0 || itempage > 9) return -1;
    return itemgrid[column][row][itempage];
}

void TForm1::SetupItemList()
{
    FillItemGrid(itemlistcards);
    ++listserial;
    if (!ilpanel) return;
    SizeHUD(ilpanel, 720, 720);
    PlaceHUD(ilpanel, 364, 364);
    ShowHUD(ilpanel, true);
    if (iltext1) {
        PlaceHUD(iltext1, 30, 12);
        SetHUDText(iltext1, strarr[191] + " (" + strarr[192] + " " + std::to_string(itempage + 1) + "/10)");
        ShowHUD(iltext1, true);
    }
    const int32_t page = std::clamp(itempage, 0, cPages - 1);
    for (int32_t c = 0; c <= 9; ++c) {
        for (int32_t r = 0; r <= 9; ++r) {
            TGLHUDSprite* picture = ilgrid1[c][r];
            TGLHUDSprite* frame = ilgrid2[c][r];
            TGLHUDSprite* icon = ilgrid3[c][r];
            TGLHUDText* count = ilgridtext[c][r];
            if (!picture || !frame || !icon || !count) continue;
            const float x = c * cCellStepX + cCellX, y = r * cCellStepY + cCellY;
            const int32_t id = itemgrid[c][r][page];
            PlaceHUD(picture, x, y);
            PlaceHUD(frame, x, y);
            SizeHUD(frame, 60, 60);
            ShowHUD(picture, true);
            ShowHUD(frame, true);
            if (id < 0) {
                ShowEmptyCell(picture);
                SizeHUD(picture, 60, 60);
                SetHUDMaterial(frame, "sframe_1");
                ShowHUD(icon, false);
                ShowHUD(count, false);
                continue;
            }
            SetHUDMaterial(picture, (itemlistcards ? "ch_" : "itm_") + std::to_string(id));
            SizeHUD(picture, 60, itemlistcards ? 35 : 60);
            const bool marked = itemlistcards ? player.spellen[id] : ItemWorn(id);
            const bool chosen = itemlistcards ? id == activecard : id == selitem;
            SetHUDMaterial(frame, chosen ? "sframe_3" : marked ? "sframe_2" : "sframe_1");
            const int32_t kind = ListKey(itemlistcards, id);
            const int32_t kinds = itemlistcards ? std::size(cCardIcons) : std::size(cItemIcons);
            const bool known = kind >= 0 && kind < kinds;
            if (known) {
                SetHUDMaterial(icon, itemlistcards ? cCardIcons[kind] : cItemIcons[kind]);
                SizeHUD(icon, 24, 24);
                PlaceHUD(icon, x + 30, y - 30);
            }
            ShowHUD(icon, known);
            if (!itemlistcards) {
                PlaceHUD(count, x, y + 10);
                SetHUDText(count, std::to_string(items[id].count));
            }
            ShowHUD(count, !itemlistcards);
        }
    }
}

std::string TForm1::ShowItemInfo(int32_t iuc, bool showdesc)
{
    if (iuc < items.Low() || iuc > items.High()) return "";
    const loot& it = items[iuc];
    std::string text = strarr[200] + ": " + KindName(it.itmtype) + cCRLF + cCRLF + strarr[201] + cCRLF;

    const size_t bonusesAt = text.size();
    if (it.count >= 2) ValueLine(text, 312, it.count);
    for (const TItemValue& v : cItemValues) ValueLine(text, v.Name, it.*v.Bonus);
    if (it.lb_crd >= cards.Low() && it.lb_crd <= cards.High())
        text += strarr[202] + ": " + cards[it.lb_crd].name + cCRLF;
    if (text.size() == bonusesAt) text += std::string("-") + cCRLF;

    text += std::string(cCRLF) + strarr[172] + cCRLF;
    const size_t requirementsAt = text.size();
    for (const TItemValue& v : cItemValues) ValueLine(text, v.Name, it.*v.Requirement);
    if (it.rq_item != -1) {
        const std::string name = it.rq_item >= items.Low() && it.rq_item <= items.High() ? items[it.rq_item].name : "";
        text += strarr[394] + ": " + name + cCRLF;
    }
    if (it.rq_perk != -1) {
        const std::string name = it.rq_perk >= perks.Low() && it.rq_perk <= perks.High() ? perks[it.rq_perk].name : "";
        text += strarr[395] + ": " + name + cCRLF;
    }
    if (it.rq_spec != -1) text += strarr[396] + ": " + std::to_string(it.rq_spec) + cCRLF;
    // Requirements listed and met are ticked; an item without any says so.
    if (text.size() == requirementsAt)
        text += std::string("-") + cCRLF;
    else if (checkitemreqirements(iuc))
        text += std::string("V") + cCRLF;

    if (showdesc) {
        const std::string fileName = GamePath("\\text\\" + lng + "\\desc\\item_" + std::to_string(iuc) + ".txt");
        if (DataFileExists(fileName)) {
            try {
                TLineBuffer description;
                description.LoadFromFile(fileName);
                text += std::string(cCRLF) + "-- " + strarr[410] + " --" + cCRLF + description.Text();
            } catch (const EGameDataError& e) {
                GameLog(e.Message() + ": the item's description is left out");
            }
        }
    }
    return text;
}

void TForm1::ProcessItemList()
{
    TGLHUDSprite* const sprites[] = {invitmdesc, invitmimage, invhelpbg};
    TGLHUDText* const texts[] = {invitmdesctxt, invhelptxt};
    for (TGLHUDSprite* s : sprites)
        if (!s) return;
    for (TGLHUDText* t : texts)
        if (!t) return;
    if (!itemlistmode) {
        for (TGLHUDSprite* s : sprites) ShowHUD(s, false);
        for (TGLHUDText* t : texts) ShowHUD(t, false);
        described = {};
        return;
    }

    // The panel fills the view right of the list: the description over the help box.
    const float listRight = ilpanel->Position()->X() + ilpanel->Width() / 2;
    const float listTop = ilpanel->Position()->Y() - ilpanel->Height() / 2;
    const float listBottom = ilpanel->Position()->Y() + ilpanel->Height() / 2;
    const float width = std::max(10.0f, scrw - listRight - 20);
    const float left = listRight + 10, middle = left + width / 2;
    constexpr float cHelpHeight = 110;
    const float helpTop = listBottom - cHelpHeight;
    const float descHeight = std::max(10.0f, helpTop - 10 - listTop);
    SizeHUD(invitmdesc, width, descHeight);
    PlaceHUD(invitmdesc, middle, listTop + descHeight / 2);
    SizeHUD(invhelpbg, width, cHelpHeight);
    PlaceHUD(invhelpbg, middle, helpTop + cHelpHeight / 2);
    ShowHUD(invitmdesc, true);
    ShowHUD(invhelpbg, true);

    TGLWindowsBitmapFont* font = width <= 0.6f * ilpanel->Width() ? GLWindowsBitmapFont3 : GLWindowsBitmapFont2;
    for (TGLHUDText* t : texts)
        if (font && t->BitmapFont() != font) t->SetBitmapFont(font);
    PlaceHUD(invhelptxt, left + 10, helpTop + 10);
    SetHUDText(invhelptxt, itemlistcards ? strarr[337] + cCRLF + strarr[364]
                                         : strarr[334] + cCRLF + strarr[335] + cCRLF + strarr[336]);
    ShowHUD(invhelptxt, true);

    const int32_t entry = itemhover;
    const bool ownedItem = !itemlistcards && entry >= items.Low() && entry <= items.High() && items[entry].count > 0;
    const bool ownedCard = itemlistcards && entry >= cards.Low() && entry <= cards.High() && player.spellbook[entry];
    const TDescribed now{entry, itemlistcards, listserial};
    if (now != described) {
        described = now;
        SetHUDText(invitmdesctxt, ownedCard ? ShowCardInfo(entry) : ownedItem ? ShowItemInfo(entry, true) : "");
    }
    const bool picture = ownedItem || ownedCard;
    float textTop = listTop + 10;
    if (picture) {
        const float height = ownedCard ? 200 : 128;
        const float pictureWidth = ownedCard ? 0.6f * height : height;
        SetHUDMaterial(invitmimage, ownedCard ? "card_" + std::to_string(entry) + "_0" : "itm_" + std::to_string(entry));
        SizeHUD(invitmimage, pictureWidth, height);
        PlaceHUD(invitmimage, middle, listTop + 10 + height / 2);
        textTop += height + 10;
    }
    ShowHUD(invitmimage, picture);
    PlaceHUD(invitmdesctxt, left + 10, textTop);
    ShowHUD(invitmdesctxt, picture);
}
