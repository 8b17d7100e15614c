// The script language's command words: each reads its arguments in order and acts on the game's tables and
// routines. A word first reads every argument, then checks every index it was given against its table (cells
// against the map in use), and only then acts: a refused word changes nothing and its refusal is logged with the
// script's line.
#include "UGH_main.h"

#include "GLColor.h"
#include "RandomGenerator.h"
#include "SysUtils.h"
#include "UGH_data.h"
#include "VAVodad.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace {

[[noreturn]] void Refuse(const std::string& text)
{
    throw EScriptError(text);
}

// Index i of a table with bounds lo..hi; what names the table in the refusal.
void CheckIndex(int64_t i, int64_t lo, int64_t hi, const char* what)
{
    if (i < lo || i > hi)
        Refuse(std::string(what) + " " + IntToStr(i) + " is outside " + IntToStr(lo) + ".." + IntToStr(hi));
}

template <typename Table> void CheckIndex(int32_t i, const Table&, const char* what)
{
    CheckIndex(i, Table::Low(), Table::High(), what);
}

void CheckCell(int32_t x, int32_t y)
{
    if (x < 0 || x > mapmaxx || y < 0 || y > mapmaxy)
        Refuse("cell (" + IntToStr(x) + ", " + IntToStr(y) + ") is outside the map");
}

// The cell (x, y) of the map in use.
lcell& Cell(int32_t x, int32_t y)
{
    CheckCell(x, y);
    return levelgrid[x][y];
}

// The cell whose activation started the script.
lcell& ThisCell()
{
    return Cell(acx, acy);
}

void Answer(int32_t v, bool yes)
{
    intvars[v] = yes ? 1 : 0;
}

// The whole text of "\text\" + lng + "\" + name + ".txt"; a missing file raises EGameDataError naming it.
std::string LocalText(const std::string& name)
{
    TLineBuffer lines;
    lines.LoadFromFile(GamePath("\\text\\" + lng + "\\" + name + ".txt"));
    return lines.Text();
}

// Queues text n ("txt_<n>_h" its title, "txt_<n>" its body) as a request of the given case and picture.
void QueueText(TForm1& form, const std::string& n, int32_t rcase, const std::string& img)
{
    const std::string title = LocalText("txt_" + n + "_h");
    const std::string text = LocalText("txt_" + n);
    form.ShowRequestForm(title, text, 0, rcase, 0, img);
}

// The player's value k of ReadPlayerParam (effective values).
int32_t PlayerParam(int32_t k)
{
    static constexpr std::array<int32_t character::*, 11> params = {
        &character::strength, &character::intelligence, &character::endurance, &character::speed,
        &character::sword,    &character::bow,          &character::magic,     &character::armor,
        &character::hpmax,    &character::manamax,      &character::lvl};
    CheckIndex(k, 1, static_cast<int64_t>(params.size()), "player value");
    return player.*params[static_cast<std::size_t>(k - 1)];
}

// a op b in 64 bits, wrapped to 32 as the game's integers wrap; "/" rounds halves to even. False for an
// operator that is none of + - * / and for a division by 0.
bool Calculate(int64_t a, const std::string& op, int64_t b, int32_t& result)
{
    int64_t r = 0;
    if (op == "+") {
        r = a + b;
    } else if (op == "-") {
        r = a - b;
    } else if (op == "*") {
        r = a * b;
    } else if (op == "/") {
        if (b == 0) return false;
        r = a / b;
        const int64_t rest = a % b;
        const int64_t twice = 2 * (rest < 0 ? -rest : rest), divisor = b < 0 ? -b : b;
        const bool negative = (a < 0) != (b < 0);
        // Past the half away from zero, and at the half to the even neighbour.
        if (twice > divisor || (twice == divisor && r % 2 != 0)) r += negative ? -1 : 1;
    } else {
        return false;
    }
    result = static_cast<int32_t>(static_cast<uint32_t>(r));
    return true;
}

// The mode flags of the main menu: the game is over.
void LeaveGame()
{
    mmmode = true;
    ingame = false;
}

void SetThisPassable(TForm1& form, bool passable)
{
    ThisCell().passable = passable;
    form.BuildCell(acx, acy);
}

// ---- The words ----

void SetInt(TForm1&, int32_t ctx)
{
    const int32_t v = readref(ctx, 1);
    intvars[v] = readnum(ctx, 2);
}

// SetStr and Concat alike.
void SetStr(TForm1&, int32_t ctx)
{
    const int32_t v = readvar(ctx, 1);
    strvars[v] = readtext(ctx, 2);
}

void StartScript(TForm1& form, int32_t ctx)
{
    const int32_t mode = readnum(ctx, 1);
    const std::string name = readname(ctx, 2);
    if (mode != 0) {
        form.addglobscript(name);
        return;
    }
    // Read once per top-level run: a script that starts itself again is not read from the disk each time.
    form.readscript(form.LoadScriptFile("\\scripts\\" + name + ".txt"));
}

void StopScript(TForm1& form, int32_t ctx)
{
    form.stopglobscript(readname(ctx, 1));
}

void RunScript(TForm1& form, int32_t ctx)
{
    form.runglobscript(readname(ctx, 1));
}

void RemoveScript(TForm1& form, int32_t ctx)
{
    form.removeglobscript(readname(ctx, 1));
}

void ClearGlobalScripts(TForm1& form, int32_t)
{
    form.cleargslist();
}

void RandomWord(TForm1&, int32_t ctx)
{
    const int32_t v = readvar(ctx, 1);
    intvars[v] = Random(readnum(ctx, 2));
}

void GetItemCount(TForm1&, int32_t ctx)
{
    const int32_t v = readref(ctx, 1);
    const int32_t item = readnum(ctx, 2);
    CheckIndex(item, items, "item");
    intvars[v] = items[item].count;
}

void GetFSpriteState(TForm1&, int32_t ctx)
{
    const int32_t i = readnum(ctx, 1);
    const int32_t v = readref(ctx, 2);
    CheckIndex(i, freesprites, "free sprite");
    Answer(v, freesprites[i].enabled);
}

void GetFMeshState(TForm1&, int32_t ctx)
{
    const int32_t i = readnum(ctx, 1);
    const int32_t v = readref(ctx, 2);
    CheckIndex(i, freemeshes, "free mesh");
    Answer(v, freemeshes[i].enabled);
}

void PlayerTurnWord(TForm1& form, int32_t ctx)
{
    const int32_t d = readnum(ctx, 1);
    // Quarter turns wrap modulo 4: a huge d turns as its remainder does.
    form.PlayerTurn(d == 0 ? -1 : d % 4);
}

void GetEventState(TForm1&, int32_t ctx)
{
    const int32_t x = readnum(ctx, 1);
    const int32_t y = readnum(ctx, 2);
    const int32_t v = readref(ctx, 3);
    Answer(v, Cell(x, y).trap);
}

void GetEventType(TForm1&, int32_t ctx)
{
    const int32_t x = readnum(ctx, 1);
    const int32_t y = readnum(ctx, 2);
    const int32_t v = readref(ctx, 3);
    intvars[v] = Cell(x, y).traptype;
}

void DisableEvent(TForm1&, int32_t ctx)
{
    const int32_t x = readnum(ctx, 1);
    const int32_t y = readnum(ctx, 2);
    Cell(x, y).trap = false;
}

void SetupEvent(TForm1&, int32_t ctx)
{
    const int32_t x = readnum(ctx, 1);
    const int32_t y = readnum(ctx, 2);
    const int32_t type = readnum(ctx, 3);
    const int32_t p1 = readnum(ctx, 4);
    const int32_t p2 = readnum(ctx, 5);
    lcell& cell = Cell(x, y);
    cell.trap = true;
    cell.traptype = type;
    cell.doorno = p1;
    cell.chestno = p2;
}

void Math(TForm1&, int32_t ctx)
{
    const int32_t v = readref(ctx, 1);
    const int32_t a = readnum(ctx, 2);
    const std::string op = readname(ctx, 3);
    const int32_t b = readnum(ctx, 4);
    int32_t result = 0;
    if (!Calculate(a, op, b, result)) Refuse("Math " + IntToStr(a) + " " + op + " " + IntToStr(b) + " has no value");
    intvars[v] = result;
}

void PlaySound(TForm1& form, int32_t ctx)
{
    form.DoSound(readraw(ctx, 1));
}

void ShowMsg(TForm1& form, int32_t ctx)
{
    const std::string n = readraw(ctx, 1);
    if (scriptpopups) QueueText(form, n, 1, "");
}

void ShowScriptPopups(TForm1&, int32_t)
{
    scriptpopups = true;
}

void HideScriptPopups(TForm1&, int32_t)
{
    scriptpopups = false;
}

void ShowImg(TForm1& form, int32_t ctx)
{
    const std::string n = readraw(ctx, 1);
    const std::string img = readraw(ctx, 2);
    QueueText(form, n, 11, img);
}

void ShowScroll(TForm1& form, int32_t ctx)
{
    const std::string n = readraw(ctx, 1);
    if (scriptpopups) QueueText(form, n, 10, "");
}

void ReadPlayerParam(TForm1&, int32_t ctx)
{
    const int32_t k = readnum(ctx, 1);
    const int32_t v = readref(ctx, 2);
    intvars[v] = PlayerParam(k);
}

void SetupCell(TForm1& form, int32_t ctx)
{
    std::array<int32_t, 8> n{}; // x, y, wall, passable, floor, ceil, kind, power
    for (std::size_t a = 0; a < n.size(); ++a) n[a] = readnum(ctx, static_cast<int32_t>(a + 1));
    const std::string sprite = readtext(ctx, 9);
    const int32_t textid = readnum(ctx, 10);
    const auto [x, y, wall, passable, floor, ceil, kind, power] = n;
    lcell& cell = Cell(x, y);
    cell.wall = wall != 0;
    cell.passable = passable != 0;
    cell.floor = floor != 0;
    cell.ceil = ceil != 0;
    if (kind >= 0) {
        cell.door = kind == 1;
        cell.chest = kind > 1;
    }
    cell.power = power;
    cell.spritename = sprite;
    cell.textid = textid;
    form.BuildCell(x, y);
}

// Teleport and JumpTo: the player on (x, y) facing the given way.
void PlacePlayer(int32_t ctx)
{
    const int32_t x = readnum(ctx, 1);
    const int32_t y = readnum(ctx, 2);
    const int32_t facing = readnum(ctx, 3);
    CheckCell(x, y);
    CheckIndex(facing, 0, 3, "facing");
    playerx = x;
    playery = y;
    lookside = facing;
}

void Teleport(TForm1& form, int32_t ctx)
{
    PlacePlayer(ctx);
    camsnap = true;
    form.ProcessLights();
}

void JumpTo(TForm1&, int32_t ctx)
{
    PlacePlayer(ctx);
    camsnap = false;
}

void ToggleLight(TForm1& form, int32_t ctx)
{
    const int32_t n = readnum(ctx, 1);
    CheckIndex(n, levellights, "light");
    levellights[n].shining = !levellights[n].shining;
    form.ProcessLights();
}

void FMeshBehaviour(TForm1& form, int32_t ctx)
{
    std::array<int32_t, 10> n{}; // i, bhv, loop, spd, x1, x2, y1, y2, z1, z2
    for (std::size_t a = 0; a < n.size(); ++a) n[a] = readnum(ctx, static_cast<int32_t>(a + 1));
    const int32_t i = n[0];
    CheckIndex(i, freemeshes, "free mesh");
    freemesh& mesh = freemeshes[i];
    mesh.bhv = n[1];
    mesh.loop = n[2] != 0;
    mesh.spd = n[3] / 1000.0;
    mesh.x1 = n[4];
    mesh.x2 = n[5];
    mesh.y1 = n[6];
    mesh.y2 = n[7];
    mesh.z1 = n[8];
    mesh.z2 = n[9];
    form.ModFreeMesh(i, false);
}

// ChangeFSprite, SetFSpritePos, SetFSpriteState: free sprite i changed by change, then made again.
template <typename Change> void ChangeFreeSprite(TForm1& form, int32_t i, Change change)
{
    CheckIndex(i, freesprites, "free sprite");
    change(freesprites[i]);
    form.ModFreeSprite(i);
}

// ChangeFMesh, ChangeFMTrScript, SetFMeshPos, SetFMeshAng, SetFMeshState: free mesh i changed by change, then
// made again from its mesh file (rebuild) or only placed again.
template <typename Change> void ChangeFreeMesh(TForm1& form, int32_t i, bool rebuild, Change change)
{
    CheckIndex(i, freemeshes, "free mesh");
    change(freemeshes[i]);
    form.ModFreeMesh(i, rebuild);
}

void ChangeFSprite(TForm1& form, int32_t ctx)
{
    const int32_t i = readnum(ctx, 1);
    const std::string name = readtext(ctx, 2);
    ChangeFreeSprite(form, i, [&name](freesprite& s) { s.name = name; });
}

void GetPlayerInAC(TForm1&, int32_t ctx)
{
    Answer(readref(ctx, 1), playerx == acx && playery == acy);
}

void GetPlayerInCoords(TForm1&, int32_t ctx)
{
    const int32_t v = readref(ctx, 1);
    const int32_t x = readnum(ctx, 2);
    const int32_t y = readnum(ctx, 3);
    Answer(v, playerx == x && playery == y);
}

void AddAttrPoints(TForm1& form, int32_t ctx)
{
    form.AddAttrPoints(readnum(ctx, 1), false);
}

void AddPerkPoints(TForm1& form, int32_t ctx)
{
    form.AddPerkPoints(readnum(ctx, 1));
}

void SetActiveItem(TForm1&, int32_t ctx)
{
    const int32_t slot = readnum(ctx, 1);
    const int32_t item = readnum(ctx, 2);
    CheckIndex(slot, equipped, "equipment slot");
    // -1 wears nothing in the slot.
    CheckIndex(item, -1, items.High(), "item");
    equipped[slot] = item;
}

void ChangeFMesh(TForm1& form, int32_t ctx)
{
    const int32_t i = readnum(ctx, 1);
    const std::string name = readtext(ctx, 2);
    ChangeFreeMesh(form, i, true, [&name](freemesh& m) { m.name = name; });
}

void ChangeFMTrScript(TForm1& form, int32_t ctx)
{
    const int32_t i = readnum(ctx, 1);
    const std::string script = readtext(ctx, 2);
    ChangeFreeMesh(form, i, false, [&script](freemesh& m) { m.trscript = script; });
}

void UpdateJournal(TForm1& form, int32_t ctx)
{
    form.UpdateJournal(readnum(ctx, 1));
}

void CheckJournalUnlocked(TForm1& form, int32_t ctx)
{
    const int32_t j = readnum(ctx, 1);
    const int32_t v = readref(ctx, 2);
    Answer(v, form.CheckJournalUnlocked(j));
}

void CompareFSprite(TForm1&, int32_t ctx)
{
    const int32_t i = readnum(ctx, 1);
    const std::string name = readtext(ctx, 2);
    const int32_t v = readref(ctx, 3);
    CheckIndex(i, freesprites, "free sprite");
    Answer(v, freesprites[i].name == name);
}

void CompareSprite(TForm1&, int32_t ctx)
{
    const int32_t x = readnum(ctx, 1);
    const int32_t y = readnum(ctx, 2);
    const std::string name = readtext(ctx, 3);
    const int32_t v = readref(ctx, 4);
    Answer(v, Cell(x, y).spritename == name);
}

void ChangeCellSprite(TForm1& form, int32_t ctx)
{
    const int32_t x = readnum(ctx, 1);
    const int32_t y = readnum(ctx, 2);
    const std::string name = readtext(ctx, 3);
    Cell(x, y).spritename = name;
    form.BuildCell(x, y);
}

void GetWandState(TForm1&, int32_t ctx)
{
    const int32_t i = readnum(ctx, 1);
    const int32_t v = readref(ctx, 2);
    CheckIndex(i, wanderers, "wanderer");
    intvars[v] = wanderers[i].enabled ? 1 : 2;
}

void SpawnWanderer(TForm1& form, int32_t ctx)
{
    std::array<int32_t, 5> n{}; // i, x, y, m, behav
    for (std::size_t a = 0; a < n.size(); ++a) n[a] = readnum(ctx, static_cast<int32_t>(a + 1));
    const auto [i, x, y, m, behav] = n;
    CheckIndex(i, wanderers, "wanderer");
    CheckCell(x, y);
    CheckIndex(m, -1, monsters.High(), "monster");
    const int32_t mtype = m == -1 ? form.GetRandomMonsterToFight() : m;
    if (mtype < 0) Refuse("no monster fits the level: wanderer " + IntToStr(i) + " is not spawned");
    wanderer& roamer = wanderers[i];
    roamer.x = x;
    roamer.y = y;
    roamer.mtype = mtype;
    roamer.behav = behav;
    roamer.enabled = true;
    form.ModWanderer(i);
    form.ProcessWanderers(0);
}

void ToggleWanderer(TForm1& form, int32_t ctx)
{
    const int32_t i = readnum(ctx, 1);
    CheckIndex(i, wanderers, "wanderer");
    wanderers[i].enabled = !wanderers[i].enabled;
    form.ModWanderer(i);
    form.ProcessWanderers(0);
}

void CompareFMesh(TForm1&, int32_t ctx)
{
    const int32_t i = readnum(ctx, 1);
    const std::string name = readtext(ctx, 2);
    const int32_t v = readref(ctx, 3);
    CheckIndex(i, freemeshes, "free mesh");
    Answer(v, freemeshes[i].name == name);
}

void GetFMeshCoord(TForm1&, int32_t ctx)
{
    const int32_t i = readnum(ctx, 1);
    const std::string axis = readtext(ctx, 2);
    const int32_t v = readref(ctx, 3);
    CheckIndex(i, freemeshes, "free mesh");
    const freemesh& mesh = freemeshes[i];
    if (axis == "X" || axis == "x") {
        intvars[v] = mesh.x;
    } else if (axis == "Y" || axis == "y") {
        intvars[v] = mesh.y;
    } else if (axis == "Z" || axis == "z") {
        intvars[v] = mesh.z;
    } else {
        Refuse("\"" + axis + "\" is no axis");
    }
}

void GetPLZ(TForm1&, int32_t ctx)
{
    const int32_t x = readnum(ctx, 1);
    const int32_t y = readnum(ctx, 2);
    const int32_t v = readref(ctx, 3);
    intvars[v] = Cell(x, y).plz;
}

void SetPLZ(TForm1&, int32_t ctx)
{
    const int32_t x = readnum(ctx, 1);
    const int32_t y = readnum(ctx, 2);
    const int32_t z = readnum(ctx, 3);
    Cell(x, y).plz = z;
}

void AddToBattleList(TForm1& form, int32_t ctx)
{
    const int32_t m = readnum(ctx, 1);
    CheckIndex(m, -1, monsters.High(), "monster");
    form.AddToBL(m);
}

// The three numbers after argument 1 (x, y, z or ta, ra, pa).
std::array<int32_t, 3> ReadTriple(int32_t ctx)
{
    std::array<int32_t, 3> n{};
    for (std::size_t a = 0; a < n.size(); ++a) n[a] = readnum(ctx, static_cast<int32_t>(a + 2));
    return n;
}

void SetFSpritePos(TForm1& form, int32_t ctx)
{
    const int32_t i = readnum(ctx, 1);
    const std::array<int32_t, 3> at = ReadTriple(ctx);
    ChangeFreeSprite(form, i, [&at](freesprite& s) {
        s.x = at[0];
        s.y = at[1];
        s.z = at[2];
    });
}

void SetFMeshPos(TForm1& form, int32_t ctx)
{
    const int32_t i = readnum(ctx, 1);
    const std::array<int32_t, 3> at = ReadTriple(ctx);
    ChangeFreeMesh(form, i, false, [&at](freemesh& m) {
        m.x = at[0];
        m.y = at[1];
        m.z = at[2];
    });
}

void SetFMeshAng(TForm1& form, int32_t ctx)
{
    const int32_t i = readnum(ctx, 1);
    const std::array<int32_t, 3> angles = ReadTriple(ctx);
    ChangeFreeMesh(form, i, false, [&angles](freemesh& m) {
        m.ta = angles[0];
        m.ra = angles[1];
        m.pa = angles[2];
    });
}

void SetFSpriteState(TForm1& form, int32_t ctx)
{
    const int32_t i = readnum(ctx, 1);
    const int32_t s = readnum(ctx, 2);
    ChangeFreeSprite(form, i, [s](freesprite& sprite) { sprite.enabled = s != 0; });
}

void SetFMeshState(TForm1& form, int32_t ctx)
{
    const int32_t i = readnum(ctx, 1);
    const int32_t s = readnum(ctx, 2);
    ChangeFreeMesh(form, i, true, [s](freemesh& m) { m.enabled = s != 0; });
}

void AddItem(TForm1& form, int32_t ctx)
{
    const int32_t item = readnum(ctx, 1);
    const int32_t count = readnum(ctx, 2);
    CheckIndex(item, items.Low(), items.High(), "item");
    form.AddItem(item, count);
}

// RemoveThisWall and RemoveWall: the cell becomes a passable non-wall.
void OpenWall(TForm1& form, int32_t x, int32_t y)
{
    lcell& cell = Cell(x, y);
    cell.wall = false;
    cell.passable = true;
    form.BuildCell(x, y);
}

void RemoveThisWall(TForm1& form, int32_t)
{
    OpenWall(form, acx, acy);
}

void RemoveWall(TForm1& form, int32_t ctx)
{
    const int32_t x = readnum(ctx, 1);
    const int32_t y = readnum(ctx, 2);
    OpenWall(form, x, y);
}

void SetThisSprite(TForm1& form, const std::string& name)
{
    ThisCell().spritename = name;
    form.BuildCell(acx, acy);
}

void RemoveThisSprite(TForm1& form, int32_t)
{
    SetThisSprite(form, "0");
}

void MakeThisPassable(TForm1& form, int32_t)
{
    SetThisPassable(form, true);
}

void MakeThisUnpassable(TForm1& form, int32_t)
{
    SetThisPassable(form, false);
}

void SetCellSprite(TForm1& form, int32_t ctx)
{
    SetThisSprite(form, readtext(ctx, 1));
}

void NoSearch(TForm1&, int32_t)
{
    nosearch = true;
}

void SwapCard(TForm1&, int32_t ctx)
{
    const int32_t slot = readnum(ctx, 1);
    const int32_t card = readnum(ctx, 2);
    CheckIndex(slot, player.hand, "hand slot");
    CheckIndex(card, cards, "card");
    const int32_t side = cardvalues[12];
    if (side != 0 && side != 1) Refuse("no card script runs (side " + IntToStr(side) + ")");
    (side == 0 ? player : opponent).hand[slot] = card;
}

void UnlockCard(TForm1& form, int32_t ctx)
{
    const int32_t card = readnum(ctx, 1);
    // -1 gives a random card.
    CheckIndex(card, -1, cards.High(), "card");
    form.AddNewCard(true, card, true, true, false, player);
}

void KeepTurn(TForm1&, int32_t)
{
    keepturn = true;
}

constexpr int32_t cFirstChoice = 40, cChoices = 6;

void CleanChoice(TForm1&, int32_t)
{
    for (int32_t k = 0; k < cChoices; ++k) {
        gamebutton& button = gbuttons[cFirstChoice + k];
        button.visible = false;
        button.caption = "-";
    }
    choicescript.clear();
    choiceimage.clear();
}

void Choice(TForm1&, int32_t ctx)
{
    const int32_t k = readnum(ctx, 1);
    const std::string name = readtext(ctx, 2);
    CheckIndex(k, 0, cChoices - 1, "choice");
    gbuttons[cFirstChoice + k].caption = LocalText(name);
}

void ImageCh(TForm1&, int32_t ctx)
{
    choiceimage = readtext(ctx, 1);
}

void ShowChoice(TForm1& form, int32_t ctx)
{
    const std::string n = readraw(ctx, 1);
    const std::string script = readraw(ctx, 2);
    // The texts first: a missing one leaves the choice as it was.
    const std::string title = LocalText("txt_" + n + "_h");
    const std::string text = LocalText("txt_" + n);
    choicescript = script;
    for (int32_t k = 0; k < cChoices; ++k) {
        gamebutton& button = gbuttons[cFirstChoice + k];
        button.visible = button.caption != "-";
    }
    form.ShowRequestForm(title, text, 0, 25, 0, choiceimage);
}

void UnlockPerk(TForm1& form, int32_t ctx)
{
    const int32_t p = readnum(ctx, 1);
    CheckIndex(p, player.perks, "perk");
    player.perks[p] = true;
    if (scriptpopups) form.ShowRequestForm(strarr[180], strarr[181] + ": " + perks[p].name, 0, 1, 0, "");
}

void PerkUnlocked(TForm1&, int32_t ctx)
{
    const int32_t p = readnum(ctx, 1);
    const int32_t v = readref(ctx, 2);
    CheckIndex(p, player.perks, "perk");
    Answer(v, player.perks[p]);
}

void ChangeLighting(TForm1& form, int32_t ctx)
{
    std::array<int32_t, 6> n{}; // lin, con, quad, r, g, b
    for (std::size_t a = 0; a < n.size(); ++a) n[a] = readnum(ctx, static_cast<int32_t>(a + 1));
    TGLLightSource* light = form.playerlight;
    if (!light) return;
    // -1 keeps a setting.
    const auto set = [](int32_t value, double scale, auto apply) {
        if (value != -1) apply(static_cast<float>(value / scale));
    };
    set(n[0], 100, [light](float v) { light->SetLinearAttenuation(v); });
    set(n[1], 100, [light](float v) { light->SetConstAttenuation(v); });
    set(n[2], 100, [light](float v) { light->SetQuadraticAttenuation(v); });
    TGLColor* diffuse = light->Diffuse();
    set(n[3], 255, [diffuse](float v) { diffuse->SetRed(v); });
    set(n[4], 255, [diffuse](float v) { diffuse->SetGreen(v); });
    set(n[5], 255, [diffuse](float v) { diffuse->SetBlue(v); });
}

void ResetLighting(TForm1& form, int32_t)
{
    TGLLightSource* light = form.playerlight;
    if (!light) return;
    light->SetConstAttenuation(0.5f);
    light->SetLinearAttenuation(0.01f);
    light->SetQuadraticAttenuation(0.01f);
    light->Diffuse()->SetColor(1.0f, 127.0f / 255.0f, 0.0f);
}

void KillPlayer(TForm1& form, int32_t)
{
    form.KillPlayer();
}

void EndGame(TForm1& form, int32_t)
{
    LeaveGame();
    form.ClearLevel();
    scriptpopups = true;
    form.ResetStats();
    form.ShowRequestForm(strarr[242], strarr[243], 0, 1, 1, "");
}

void GetPassable(TForm1&, int32_t ctx)
{
    const int32_t x = readnum(ctx, 1);
    const int32_t y = readnum(ctx, 2);
    const int32_t v = readref(ctx, 3);
    Answer(v, Cell(x, y).passable);
}

void ToggleWall(TForm1& form, int32_t ctx)
{
    const int32_t x = readnum(ctx, 1);
    const int32_t y = readnum(ctx, 2);
    lcell& cell = Cell(x, y);
    const bool wall = !cell.wall;
    cell.wall = wall;
    cell.passable = !wall;
    form.BuildCell(x, y);
}

// In the order in which the language lists them.
const TScriptWord cWords[] = {
    {"SetInt", SetInt},
    {"SetStr", SetStr},
    {"StartScript", StartScript},
    {"StopScript", StopScript},
    {"RunScript", RunScript},
    {"RemoveScript", RemoveScript},
    {"ClearGlobalScripts", ClearGlobalScripts},
    {"Concat", SetStr},
    {"Random", RandomWord},
    {"GetItemCount", GetItemCount},
    {"GetFSpriteState", GetFSpriteState},
    {"GetFMeshState", GetFMeshState},
    {"PlayerTurn", PlayerTurnWord},
    {"GetEventState", GetEventState},
    {"GetEventType", GetEventType},
    {"DisableEvent", DisableEvent},
    {"SetupEvent", SetupEvent},
    {"If", ScriptIf},
    {"Else", ScriptElse},
    {"Math", Math},
    {"PlaySound", PlaySound},
    {"ShowMsg", ShowMsg},
    {"ShowScriptPopups", ShowScriptPopups},
    {"HideScriptPopups", HideScriptPopups},
    {"ShowImg", ShowImg},
    {"ShowScroll", ShowScroll},
    {"ReadPlayerParam", ReadPlayerParam},
    {"SetupCell", SetupCell},
    {"Teleport", Teleport},
    {"JumpTo", JumpTo},
    {"ToggleLight", ToggleLight},
    {"FMeshBehaviour", FMeshBehaviour},
    {"ChangeFSprite", ChangeFSprite},
    {"GetPlayerInAC", GetPlayerInAC},
    {"GetPlayerInCoords", GetPlayerInCoords},
    {"AddAttrPoints", AddAttrPoints},
    {"AddPerkPoints", AddPerkPoints},
    {"SetActiveItem", SetActiveItem},
    {"ChangeFMesh", ChangeFMesh},
    {"ChangeFMTrScript", ChangeFMTrScript},
    {"UpdateJournal", UpdateJournal},
    {"CheckJournalUnlocked", CheckJournalUnlocked},
    {"CompareFSprite", CompareFSprite},
    {"CompareSprite", CompareSprite},
    {"ChangeCellSprite", ChangeCellSprite},
    {"GetWandState", GetWandState},
    {"SpawnWanderer", SpawnWanderer},
    {"ToggleWanderer", ToggleWanderer},
    {"CompareFMesh", CompareFMesh},
    {"GetFMeshCoord", GetFMeshCoord},
    {"GetPLZ", GetPLZ},
    {"SetPLZ", SetPLZ},
    {"AddToBattleList", AddToBattleList},
    {"SetFSpritePos", SetFSpritePos},
    {"SetFMeshPos", SetFMeshPos},
    {"SetFMeshAng", SetFMeshAng},
    {"SetFSpriteState", SetFSpriteState},
    {"SetFMeshState", SetFMeshState},
    {"AddItem", AddItem},
    {"RemoveThisWall", RemoveThisWall},
    {"RemoveWall", RemoveWall},
    {"RemoveThisSprite", RemoveThisSprite},
    {"MakeThisPassable", MakeThisPassable},
    {"MakeThisUnpassable", MakeThisUnpassable},
    {"SetCellSprite", SetCellSprite},
    {"NoSearch", NoSearch},
    {"SwapCard", SwapCard},
    {"UnlockCard", UnlockCard},
    {"KeepTurn", KeepTurn},
    {"CleanChoice", CleanChoice},
    {"Choice", Choice},
    {"ImageCh", ImageCh},
    {"ShowChoice", ShowChoice},
    {"UnlockPerk", UnlockPerk},
    {"PerkUnlocked", PerkUnlocked},
    {"ChangeLighting", ChangeLighting},
    {"ResetLighting", ResetLighting},
    {"KillPlayer", KillPlayer},
    {"EndGame", EndGame},
    {"GetPassable", GetPassable},
    {"ToggleWall", ToggleWall},
};

} // namespace

std::span<const TScriptWord> ScriptWordTable()
{
    return cWords;
}
