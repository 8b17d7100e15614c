// The game buttons: 63 HUD sprites with a text on top that make up every clickable control of the interface.
// Their sets and fixed sizes are defined once; every frame lays out and dresses the buttons of the screen shown;
// a click runs the button's action.
#include "UGH_main.h"

#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLWin32Viewer.h"
#include "UGHSettings.h"
#include "UGH_data.h"
#include "UGH_hudwrites.h"
#include "UGH_log.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>
#include <utility>

int32_t hoverbut = -1, lasthoverbut = -1;
TBoundedTable<bool, 0, 62> mmbutset, ingamebutset, invbutset;
bool itemlistcards = false;
int32_t itempage = 0;
int32_t shownspell = 0;
int32_t specialcd = 0;

namespace {

// A button's fixed part: its size, its caption (a localised text followed by a literal), its material prefix,
// its tooltip and, for the buttons that never move, its place.
struct TButtonDef {
    int32_t Id;
    int32_t W, H;
    int32_t Caption = -1; // strarr index, -1 for none
    const char* Literal = "";
    const char* Prefix = "";
    int32_t Tooltip = -1;
    int32_t X = 0, Y = 0;
};

// The hand cards and the special card take their size from cardsize as it stands at start-up.
const TButtonDef cButtonDefs[] = {
    {.Id = 0, .W = 90, .H = 30, .Caption = 0},
    {.Id = 1, .W = 25, .H = 25, .Literal = "+", .Tooltip = 262, .X = 300, .Y = 100},
    {.Id = 2, .W = 25, .H = 25, .Literal = "+", .Tooltip = 262, .X = 300, .Y = 130},
    {.Id = 3, .W = 25, .H = 25, .Literal = "+", .Tooltip = 262, .X = 300, .Y = 160},
    {.Id = 4, .W = 25, .H = 25, .Literal = "+", .Tooltip = 262, .X = 300, .Y = 190},
    {.Id = 5, .W = 32, .H = 32, .Prefix = "search_", .Tooltip = 263, .X = 20, .Y = 20},
    {.Id = 6, .W = 32, .H = 32, .Prefix = "use_", .Tooltip = 264, .X = 60, .Y = 20},
    {.Id = 7, .W = 32, .H = 32, .Prefix = "oui_", .Tooltip = 265, .X = 100, .Y = 20},
    {.Id = 8, .W = 20, .H = 20, .Literal = ">"},
    {.Id = 9, .W = 20, .H = 20, .Literal = "<"},
    {.Id = 16, .W = 120, .H = 30, .Caption = 62, .Tooltip = 299},
    {.Id = 17, .W = 120, .H = 30, .Caption = 127, .Tooltip = 415},
    {.Id = 18, .W = 120, .H = 20, .Caption = 117},
    {.Id = 19, .W = 135, .H = 25, .Caption = 174, .Tooltip = 280},
    {.Id = 20, .W = 250, .H = 35, .Caption = 2},
    {.Id = 21, .W = 200, .H = 30, .Caption = 3},
    {.Id = 22, .W = 200, .H = 30, .Caption = 4},
    {.Id = 23, .W = 100, .H = 100, .Prefix = "male_", .Tooltip = 274},
    {.Id = 24, .W = 100, .H = 100, .Prefix = "female_", .Tooltip = 273},
    {.Id = 25, .W = 60, .H = 25, .Caption = 5, .Tooltip = 275},
    {.Id = 26, .W = 60, .H = 25, .Caption = 6, .Tooltip = 276},
    {.Id = 27, .W = 60, .H = 25, .Caption = 7},
    {.Id = 28, .W = 32, .H = 32, .Prefix = "save_", .Tooltip = 266, .X = 140, .Y = 20},
    {.Id = 29, .W = 135, .H = 25, .Caption = 191, .Tooltip = 278},
    {.Id = 30, .W = 120, .H = 200},
    {.Id = 31, .W = 120, .H = 30, .Caption = 8, .Tooltip = 277},
    {.Id = 32, .W = 200, .H = 30, .Caption = 108},
    {.Id = 33, .W = 25, .H = 25, .Literal = "<"},
    {.Id = 34, .W = 75, .H = 25, .Caption = 117},
    {.Id = 35, .W = 25, .H = 25, .Literal = ">"},
    {.Id = 36, .W = 200, .H = 30, .Caption = 122},
    {.Id = 37, .W = 25, .H = 25, .Caption = 145},
    {.Id = 38, .W = 25, .H = 25, .Literal = "<"},
    {.Id = 39, .W = 25, .H = 25, .Literal = ">"},
    {.Id = 40, .W = 600, .H = 55, .Literal = "-"},
    {.Id = 41, .W = 600, .H = 55, .Literal = "-"},
    {.Id = 42, .W = 600, .H = 55, .Literal = "-"},
    {.Id = 43, .W = 600, .H = 55, .Literal = "-"},
    {.Id = 44, .W = 600, .H = 55, .Literal = "-"},
    {.Id = 45, .W = 600, .H = 55, .Literal = "-"},
    {.Id = 46, .W = 90, .H = 20, .Caption = 167},
    {.Id = 47, .W = 135, .H = 25, .Caption = 209, .Tooltip = 279},
    {.Id = 48, .W = 140, .H = 35, .Caption = 90},
    {.Id = 49, .W = 140, .H = 35, .Caption = 1},
    {.Id = 50, .W = 25, .H = 25, .Literal = "X"},
    {.Id = 51, .W = 32, .H = 32, .Prefix = "mnu_", .Tooltip = 346, .X = 180, .Y = 20},
    {.Id = 52, .W = 200, .H = 30, .Caption = 347},
    {.Id = 54, .W = 32, .H = 32, .Prefix = "jrn_", .Tooltip = 389, .X = 220, .Y = 20},
    {.Id = 55, .W = 140, .H = 35, .Caption = 392},
    {.Id = 56, .W = 140, .H = 35, .Caption = 393},
    {.Id = 57, .W = 140, .H = 35, .Caption = 392, .Literal = " 10"},
    {.Id = 58, .W = 140, .H = 35, .Caption = 393, .Literal = " 10"},
    {.Id = 59, .W = 40, .H = 60, .Literal = "<", .Tooltip = 393},
    {.Id = 60, .W = 40, .H = 60, .Literal = ">", .Tooltip = 392},
    {.Id = 61, .W = 150, .H = 30, .Caption = 398, .X = 80, .Y = 20},
    {.Id = 62, .W = 120, .H = 30, .Caption = 412, .Tooltip = 414},
};

constexpr std::array cMainMenuSet = {20, 21, 22, 32, 36, 52, 61};
constexpr std::array cExplorationSet = {5, 6, 7, 28, 51, 54};
constexpr std::array cCharacterScreenSet = {0, 1, 2, 3, 4, 19, 29, 30, 33, 34, 35, 37};

// The main menu's column below the title, by its distance from the view's middle.
struct TMenuRow {
    int32_t Id, Dy;
};
constexpr TMenuRow cMainMenuRows[] = {{20, -80}, {52, -40}, {21, 0}, {32, 40}, {36, 80}, {22, 120}};

constexpr int32_t cHandCards = 6;     // ids 10..15, hand slots 0..5
constexpr int32_t cFirstHandCard = 10;
constexpr int32_t cSpecialCard = 53;  // hand slot 6

// A failure inside puts the section's tag into the frame's errors; the pass goes on behind it.
template <class F> void Guarded(const char* tag, F&& section)
{
    try {
        section();
    } catch (...) {
        frameerrors += tag;
    }
}

// A HUD sprite's centre and size.
struct TBox {
    double X, Y, W, H;
};

TBox BoxOf(const TGLHUDSprite* sprite)
{
    return {sprite->Position()->X(), sprite->Position()->Y(), sprite->Width(), sprite->Height()};
}

void Place(gamebutton& b, double x, double y)
{
    b.x = RoundInteger(x);
    b.y = RoundInteger(y);
}

// The chance to escape shown on the escape button: the speeds' difference over their sum in percent, halved
// while the player is slowed (effect 1) or held (effect 23), within 0..100. Speeds summing to nothing give 0.
int32_t EscapeFigure(const character& fighter, const character& enemy)
{
    // Speeds from monster files may be as large as Integer allows: their sum and difference are taken wider.
    const int64_t sum = static_cast<int64_t>(enemy.speed) + fighter.speed;
    if (sum <= 0) return 0;
    int32_t e = RoundInteger((static_cast<double>(fighter.speed) - enemy.speed) / static_cast<double>(sum) * 100);
    if (fighter.e[0] > 0 || fighter.e[22] > 0) e = RoundInteger(e / 2.0);
    return std::clamp(e, 0, 100);
}

// The pointer's look of button id: hovered while the pointer rests on it, pressed as the press left it, normal
// as soon as the pointer moves on.
int32_t PointerState(int32_t id, int32_t state)
{
    if (id == hoverbut && state == 0) state = 1;
    if (hoverbut != lasthoverbut || id != hoverbut) state = 0;
    if (hoverbut == -1) state = 0;
    return state;
}

// The next picture number after current, back to 0 past the last of count.
int32_t NextPicture(int32_t current, int32_t count)
{
    return current + 1 > count - 1 ? 0 : current + 1;
}

// The player's body-part count of kind (0 hats, 2 heads, 4 hair) for his sex.
int32_t BodyPartCount(int32_t kind)
{
    return bodypartcounts[kind + 1 - player.sex];
}

void NewLook(int32_t sex)
{
    player.sex = sex;
    player.face = player.hair = player.cloth = 0;
    uirefresh = true;
}

// The item list of cards or of items instead of the character screen.
void OpenItemList(TForm1& form, bool cards)
{
    itemlistcards = cards;
    form.SetupItemList();
    itemlistmode = true;
    invmode = false;
}

// The perk under the perk panel's cursor, -1 when the cursor stands on no perk.
int32_t PerkUnderCursor()
{
    if (perkcursor < perklist.Low() || perkcursor > perklist.High()) return -1;
    const int32_t p = perklist[perkcursor];
    return p >= 0 && p <= 100 ? p : -1;
}

// The perk under the cursor is learnt for a perk point when the player meets its requirements.
void LearnPerk(TForm1& form)
{
    const int32_t p = PerkUnderCursor();
    if (p < 0 || player.perks[p]) return;
    if (perkpoints <= 0) {
        form.ShowRequestForm(strarr[352], strarr[171], 0, 1, 0, "");
    } else if (form.checkperkrq(p)) {
        player.perks[p] = true;
        --perkpoints;
        form.defineparbonuses();
        if (perks[p].addcard != -1) form.AddNewCard(true, perks[p].addcard, true, false, false, player);
    } else {
        form.ShowRequestForm(strarr[183], strarr[175], 0, 1, 0, "");
    }
}

// A card cannot be played on an opponent who is already dead.
void OpponentDead(TForm1& form)
{
    form.ShowRequestForm(strarr[401], strarr[402], 0, 1, 0, "");
}

// Hand slot k played on the opponent while it lives.
void PlayHandCard(TForm1& form, int32_t k)
{
    if (!PlayersTurn()) return;
    if (opponent.hp > 0)
        form.PlayerDrawCard(k);
    else
        OpponentDead(form);
}

// The special card waits 4 rounds after its play, one less for each 100 of intelligence (rounded), at least 1.
void UseSpecialCard(TForm1& form)
{
    if (!PlayersTurn()) return;
    if (opponent.hp <= 0) {
        OpponentDead(form);
    } else if (specialcd == 0) {
        form.PlayerDrawCard(6);
        specialcd = std::max(1, 4 - RoundInteger(player.intelligence / 100.0));
    } else {
        form.ShowRequestForm(strarr[370], strarr[371] + " " + std::to_string(specialcd), 0, 1, 0, "");
    }
}

// The action of button id while no request form is shown. Buttons whose actions belong to screens the game does
// not have yet (loading and saving, the editor windows) do nothing.
void RunAction(TForm1& form, int32_t id)
{
    switch (id) {
    case 0:
        form.OpenUI(false);
        if (chargen) form.StartNewGame();
        // Back from the character screen the battle shows again.
        if (btlmode && !invmode) form.VisualizeBattle(0);
        break;
    case 1:
    case 2:
    case 3:
    case 4:
        if (player.bonuspoints > 0) {
            --player.bonuspoints;
            static constexpr int32_t character::*cBases[] = {&character::bstr, &character::bint, &character::bspd,
                                                             &character::bend};
            ++(player.*cBases[id - 1]);
            form.defineparbonuses();
        }
        uirefresh = true;
        break;
    case 5:
        form.PlayerSearch(playerx + lookdirx, playery + lookdiry);
        break;
    case 6:
        form.ActivateCell(playerx + lookdirx, playery + lookdiry);
        break;
    case 7:
        form.OpenUI(false);
        break;
    case 8:
    case 9:
        perkcursor = form.GetNextEnabledPerk(id == 8 ? 1 : -1);
        uirefresh = true;
        break;
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
    case 15:
        PlayHandCard(form, id - cFirstHandCard);
        break;
    case 16:
        if (PlayersTurn()) form.SkipTurn();
        break;
    case 17:
        // The attempt costs the turn.
        if (!PlayersTurn()) break;
        form.TryToEscape();
        if (keepturn)
            keepturn = false;
        else
            ++btlturn;
        break;
    case 18:
        LearnPerk(form);
        uirefresh = true;
        break;
    case 19:
        perkpanelshown = !perkpanelshown;
        form.genperklist();
        uirefresh = true;
        break;
    case 20:
        form.NGLaunch();
        break;
    case 21:
        form.LoadGame();
        break;
    case 22:
        if (fullscreen)
            form.ShowRequestForm("", strarr[345], 1, 30, 0, "");
        else
            form.Close();
        break;
    case 23:
        NewLook(0);
        break;
    case 24:
        NewLook(1);
        break;
    case 25:
        player.hair = NextPicture(player.hair, BodyPartCount(4));
        uirefresh = true;
        break;
    case 26:
        player.face = NextPicture(player.face, BodyPartCount(2));
        uirefresh = true;
        break;
    case 32:
        if (Form5) Form5->Show();
        break;
    case 36:
        form.ShowMapEditor();
        break;
    case 28:
        form.AskToSave();
        break;
    case 29:
        OpenItemList(form, false);
        break;
    case 47:
        OpenItemList(form, true);
        break;
    case 30:
        // The shown character's next card.
        shownspell = form.FindNextSpell(shownspell, showenemy ? opponent : player);
        uirefresh = true;
        break;
    case 31:
        showenemy = true;
        form.OpenUI(true);
        break;
    case 35:
        form.InventoryButtonClick(1);
        craftmode = false;
        uirefresh = true;
        break;
    case 37:
        form.ShowRequestForm(strarr[89], "", 0, 0, 0, "");
        break;
    case 38:
        itempage = itempage - 1 < 0 ? 9 : itempage - 1;
        form.SetupItemList();
        break;
    case 39:
        itempage = itempage + 1 > 9 ? 0 : itempage + 1;
        form.SetupItemList();
        break;
    case 50:
        itemlistmode = false;
        invmode = true;
        uirefresh = true;
        break;
    case 51:
    case 52:
        form.ToggleMenu();
        break;
    case cSpecialCard:
        UseSpecialCard(form);
        break;
    case 54:
        form.OpenJournal();
        break;
    case 59:
        if (PlayersTurn()) form.SwitchOppon(-1);
        break;
    case 60:
        if (PlayersTurn()) form.SwitchOppon(1);
        break;
    case 61:
        form.ShowCredits();
        break;
    case 62:
        // Only before the player has acted in his turn.
        if (btlturn == 0 && !turndone) form.SwitchStance();
        break;
    default:
        break;
    }
}

void TakeSet(const TBoundedTable<bool, 0, 62>& set)
{
    for (int32_t id = gbuttons.Low(); id <= gbuttons.High(); ++id) gbuttons[id].visible = set[id];
}

// The perk panel's arrows and its learn button along the panel's bottom edge.
void LayOutPerkPanel(const TForm1& form)
{
    const TBox pb = BoxOf(form.csperkbg);
    gamebutton& next = gbuttons[8];
    gamebutton& previous = gbuttons[9];
    gamebutton& learn = gbuttons[18];
    const double y = pb.Y + pb.H / 2 - next.h - 5;
    Place(next, pb.X + pb.W / 2 - next.w - 5, y);
    Place(previous, pb.X - pb.W / 2 + previous.w + 5, y);
    Place(learn, pb.X, y);
    const int32_t p = PerkUnderCursor();
    learn.caption = strarr[p >= 0 && player.perks[p] ? 176 : 117];
    gbuttons[19].caption = strarr[174] + " (" + std::to_string(perkpoints) + ")";
}

// The item list's page arrows along its bottom edge, its close button in the top right corner.
void LayOutItemList(const TForm1& form)
{
    const TBox p = BoxOf(form.ilpanel);
    gamebutton& previous = gbuttons[38];
    gamebutton& next = gbuttons[39];
    gamebutton& close = gbuttons[50];
    Place(previous, p.X - p.W / 2 + previous.w, p.Y + p.H / 2 - previous.h);
    Place(next, p.X + p.W / 2 - next.w, p.Y + p.H / 2 - next.h);
    Place(close, p.X + p.W / 2 - close.w, p.Y - p.H / 2 + close.h);
}

// The menu's column in the middle of the view under the title.
void LayOutMainMenu(const TForm1& form)
{
    for (const TMenuRow& row : cMainMenuRows) Place(gbuttons[row.Id], scrw / 2.0, scrh / 2.0 + row.Dy);
    // "Back to the game" only while there is a game to go back to: the menu's own level cannot be left.
    gbuttons[52].visible = mapid != "mm_map";
    PlaceHUD(form.titlecard, scrw / 2.0f, form.titlecard->Height() / 2 + 5);
}

// The character screen's buttons around its background; the new character's look in the space right of it.
void LayOutCharacterScreen(const TForm1& form)
{
    const TBox bg = BoxOf(form.csbackground);
    // The column of buttons inside the background's right edge.
    const auto column = [&bg](gamebutton& b, double y) { Place(b, bg.X + bg.W / 2 - b.w / 2.0 - 20, y); };
    Guarded(" inv0-34 ", [&] {
        Guarded(" 0 ", [&] {
            gamebutton& ok = gbuttons[0];
            ok.w = chargen ? 150 : 90;
            ok.h = chargen ? 40 : 30;
            ok.caption = strarr[chargen ? 342 : 0];
            Place(ok, bg.X + bg.W / 2 - ok.w / 2.0 - (chargen ? 15 : 10), bg.Y - bg.H / 2 + ok.h / 2.0 + 60);
        });
        Guarded(" 37 ", [&] {
            // Beside the name it changes.
            gamebutton& name = gbuttons[37];
            Place(name, bg.X - bg.W / 2, form.char_name->Position()->Y());
            name.visible = chargen;
        });
        const double right = bg.X + bg.W / 2;
        const double middle = right + (form.VAVodadViewer1->Width() - right) / 2;
        const double bottom = form.VAVodadViewer1->Height();
        Guarded(" 23 ", [&] {
            gamebutton& male = gbuttons[23];
            Place(male, middle - male.w / 2.0 - 5, bottom - male.h / 2.0 - 5);
            male.visible = chargen;
        });
        Guarded(" 24 ", [&] {
            gamebutton& female = gbuttons[24];
            Place(female, middle + female.w / 2.0 + 5, bottom - female.h / 2.0 - 5);
            female.visible = chargen;
        });
        // Hair, face and the unused third choice stacked left of the male figure.
        const gamebutton& male = gbuttons[23];
        for (const auto& [id, rise] : {std::pair{25, 1}, std::pair{26, 0}, std::pair{27, -1}}) {
            gamebutton& b = gbuttons[id];
            Place(b, male.x - male.w / 2.0 - b.w / 2.0 - 20, male.y - rise * (b.h + 5));
            b.visible = chargen && id != 27;
        }
    });
    Guarded(" spellitm ", [&] {
        gamebutton& items = gbuttons[29];
        gamebutton& cards = gbuttons[47];
        gamebutton& spell = gbuttons[30];
        column(items, bg.Y + items.h + 5);
        column(cards, bg.Y);
        column(spell, bg.Y);
        items.visible = cards.visible = !showenemy && !chargen;
        spell.visible = showenemy;
        spell.matoverride = "card_" + std::to_string(shownspell) + "_";
    });
    Guarded(" blocked? ", [&] {
        // The active item's buttons are never shown.
        for (int32_t id : {33, 34, 35, 46}) gbuttons[id].visible = false;
        gbuttons[46].caption = strarr[player.spellen[shownspell] ? 168 : 167];
        gamebutton& perksButton = gbuttons[19];
        column(perksButton, bg.Y + 2 * perksButton.h + 10);
        perksButton.visible = !showenemy;
    });
    Guarded(" aitem ", [&] {
        // The selected item shows with the player's own screen only.
        ShowHUD(form.aitem, !showenemy);
        ShowHUD(form.aitem_name, !showenemy);
    });
}

// The hand cards in a row along the bottom, the special card over the first, the opponent arrows beside the
// monster's picture and the turn buttons below the last card.
void LayOutBattle(TForm1& form)
{
    // Hidden while another screen covers the battle, the turn buttons also while a played card flies.
    const bool covered = invmode || itemlistmode || mmmode;
    const bool hidden = covered || playercardflying || enemycardflying;
    const int32_t cardW = gbuttons[cFirstHandCard].w, cardH = gbuttons[cFirstHandCard].h;
    const int32_t halfCard = RoundInteger(cardW / 2.0);
    // Left of the middle, then right of it: the gap from the middle in card widths and pixels.
    static constexpr struct {
        int32_t Side, Cards, Gap;
    } cHandPlaces[cHandCards] = {{-1, 2, 60}, {-1, 1, 40}, {-1, 0, 10}, {1, 0, 10}, {1, 1, 40}, {1, 2, 60}};
    for (int32_t k = 0; k < cHandCards; ++k) {
        gamebutton& card = gbuttons[cFirstHandCard + k];
        const auto& place = cHandPlaces[k];
        card.x = halfw + place.Side * (halfCard + place.Cards * cardW + place.Gap);
        card.y = fullh - cardH - 10;
        card.matoverride = "card_" + std::to_string(player.hand[k]) + "_";
        card.visible = !hidden;
    }
    const gamebutton& first = gbuttons[cFirstHandCard];
    gamebutton& special = gbuttons[cSpecialCard];
    special.x = first.x;
    special.y = first.y - RoundInteger(first.h / 2.0) - RoundInteger(special.h / 2.0) - 5;
    special.matoverride = "card_" + std::to_string(player.hand[6]) + "_";
    // Only a perk's coded effect grants the special card.
    special.visible = !hidden && form.CheckCodedPerkEff(player, 18) >= 1;

    const TBox img = BoxOf(form.monster_img);
    for (const auto& [id, side] : {std::pair{59, -1}, std::pair{60, 1}}) {
        gamebutton& arrow = gbuttons[id];
        Place(arrow, img.X + side * img.W / 2 - arrow.w, img.Y);
        arrow.visible = !hidden;
    }

    const gamebutton& last = gbuttons[cFirstHandCard + cHandCards - 1];
    gamebutton& skip = gbuttons[16];
    skip.x = last.x;
    skip.y = last.y + RoundInteger(last.h / 2.0 + 5 + skip.h / 2.0);
    // Only a fast player may redraw his hand, once a turn.
    const bool passes = player.speed < 35 || waitedturn;
    skip.caption = strarr[passes ? 62 : 206];
    skip.tooltip = strarr[passes ? 299 : 300];
    skip.visible = !hidden;

    gamebutton& enemy = gbuttons[31];
    enemy.x = skip.x;
    enemy.y = skip.y + enemy.h + 5;
    enemy.visible = !covered;

    gamebutton& escape = gbuttons[17];
    escape.x = enemy.x - enemy.w - 5;
    escape.y = enemy.y;
    escape.caption = strarr[127] + " (" + std::to_string(EscapeFigure(player, opponent)) + "%)";
    escape.visible = !invmode && !itemlistmode;

    gamebutton& stance = gbuttons[62];
    stance.x = enemy.x - 2 * enemy.w - 10;
    stance.y = RoundInteger(skip.y + skip.h / 2.0 + stance.h / 2.0 + 5);
    stance.visible = !invmode && !itemlistmode;
}

// Step 9 for one button: its look from the pointer, then its sprite and text where the button stands, or both
// hidden.
void DressButton(const TForm1& form, int32_t id)
{
    gamebutton& b = gbuttons[id];
    b.state = PointerState(id, b.state);
    TGLHUDSprite* sprite = form.gbsprites[id];
    TGLHUDText* text = form.gbtexts[id];
    // Frames before the start-up has made the button's objects have nothing to show.
    if (!sprite || !text) return;
    if (!b.visible) {
        ShowHUD(sprite, false);
        ShowHUD(text, false);
        return;
    }
    std::string name = b.matoverride.empty() ? std::string("but_") : b.matoverride;
    name += static_cast<char>('0' + b.state);
    if (name != b.matname) {
        sprite->Material()->SetLibMaterialName(name);
        b.matname = std::move(name);
    }
    PlaceHUD(sprite, b.x, b.y);
    SizeHUD(sprite, b.w, b.h);
    ShowHUD(sprite, true);
    PlaceHUD(text, b.x, b.y);
    CentreHUDText(text);
    SetHUDText(text, b.caption);
    ShowHUD(text, true);
}

} // namespace

int32_t getbutundercursor(int32_t x, int32_t y)
{
    int32_t found = -1;
    for (int32_t id = gbuttons.Low(); id <= gbuttons.High(); ++id) {
        const gamebutton& b = gbuttons[id];
        if (!b.visible) continue;
        const double halfW = b.w / 2.0, halfH = b.h / 2.0;
        if (b.x - halfW <= x && x <= b.x + halfW && b.y - halfH <= y && y <= b.y + halfH) found = id;
    }
    return found;
}

void TForm1::ProcessButtons()
{
    for (gamebutton& b : gbuttons) b.visible = false;
    if (mmmode) TakeSet(mmbutset);
    // The item list's panel covers the exploration icons: they would take clicks meant for its cells.
    if (ingame && !itemlistmode) TakeSet(ingamebutset);
    if (invmode) TakeSet(invbutset);

    Guarded(" spectreat ", [this] {
        const bool perkPanel = csperkbg->Visible();
        const bool itemList = inventory->Visible();
        for (int32_t id : {8, 9, 18}) gbuttons[id].visible = perkPanel;
        for (int32_t id : {38, 39, 50}) gbuttons[id].visible = itemList;
        if (perkPanel) LayOutPerkPanel(*this);
        for (int32_t id = 1; id <= 4; ++id) gbuttons[id].visible = invmode && !showenemy && player.bonuspoints >= 1;
        if (itemList) LayOutItemList(*this);
        if (mmmode) LayOutMainMenu(*this);
        if (invmode) LayOutCharacterScreen(*this);
        Guarded(" rqform ", [this] { PlaceRequestFormButtons(); });
    });
    if (btlmode) Guarded(" btlmodeprc ", [this] { LayOutBattle(*this); });

    // One button failing here leaves the rest of them as they were.
    try {
        for (int32_t id = gbuttons.Low(); id <= gbuttons.High(); ++id) DressButton(*this, id);
    } catch (...) {
        frameerrors += " finvis ";
    }
}

void TForm1::ShowMapEditor()
{
    if (fullscreen) {
        fullscreen = false;
        InitFullscreen();
    }
    if (MapEditorForm) MapEditorForm->Show();
}

void TForm1::ClickGButton(int32_t id)
{
    if (id < gbuttons.Low() || id > gbuttons.High()) return;
    // A click that fails is reported and the game goes on; the button looks normal again either way.
    try {
        if (rfmode)
            RequestFormButton(id);
        else
            RunAction(*this, id);
    } catch (const std::exception& e) {
        GameLog("Button " + std::to_string(id) + ": " + e.what());
    }
    gbuttons[id].state = 0;
}

void TForm1::definebutsets()
{
    mmbutset.Fill(false);
    ingamebutset.Fill(false);
    invbutset.Fill(false);
    for (int32_t id : cMainMenuSet) mmbutset[id] = true;
    for (int32_t id : cExplorationSet) ingamebutset[id] = true;
    for (int32_t id : cCharacterScreenSet) invbutset[id] = true;

    for (const TButtonDef& def : cButtonDefs) {
        gamebutton& b = gbuttons[def.Id];
        b.w = def.W;
        b.h = def.H;
        b.caption = (def.Caption >= 0 ? strarr[def.Caption] : std::string()) + def.Literal;
        b.matoverride = def.Prefix;
        b.tooltip = def.Tooltip >= 0 ? strarr[def.Tooltip] : std::string();
        b.x = def.X;
        b.y = def.Y;
    }
    for (int32_t k = 0; k < cHandCards; ++k) {
        gamebutton& card = gbuttons[cFirstHandCard + k];
        card.w = cardsize + 140;
        card.h = cardsize + 220;
    }
    gbuttons[cSpecialCard].w = cardsize + 70;
    gbuttons[cSpecialCard].h = cardsize + 110;
}
