// A battle from any bytes on an unshown main window: the input's files are, in order, a card file (card 0), a
// monster file (monster 0), the loot list, the generator's seed as decimal text and the button presses, one byte
// each. Card 1 is a plain hit that both sides own besides card 0, so that battles can end. The player meets
// monster 0 while exploring; before each of the game's frames the next press clicks its button when the frame
// before showed it, or queues one more monster 0 as an encounter does, up to eleven. The battle runs for at most
// 2,000 frames; it stops sooner once it is over, or once the presses are spent while the player's turn waits for
// one. Whatever the files hold, a running battle keeps its actor and target in range, and a battle that is over
// leaves no enemy behind.
#include "UGH_main.h"

#include "RandomGenerator.h"

#include "GameFuzzWindow.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <string>

// The battle's texts load Qt's font list, and fontconfig leaves a few bytes of its parsed configuration
// unreachable then: the leak checker is told so here, whatever environment the replay runs in.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace {

constexpr int32_t cMaxFrames = 2000;
// Played cards fly and numbers float a few frames at this step.
constexpr double cFrameTime = 1.0 / 20;
// What a press does: the six hand cards, the special card, skip, escape, the previous and next target, the
// stance and the request form's OK, by game button; -1 queues one more enemy.
constexpr std::array<int32_t, 14> cPresses = {10, 11, 12, 13, 14, 15, 53, 16, 17, 59, 60, 62, 48, -1};

// The window, its interface objects made once.
TForm1& Window()
{
    static TForm1& form = []() -> TForm1& {
        TForm1& window = FuzzWindow();
        window.prepareuiobjects();
        return window;
    }();
    return form;
}

// The battle state of the flow's globals as a fresh game has it.
void ResetBattleState()
{
    btlmode = rfmode = keepturn = turndone = handsrefilled = false;
    enemycardflying = playercardflying = false;
    forcedplaydone = manabonusready = waitedturn = false;
    btlphase = btlturn = btltarget = stance = 0;
    turnstarted.Fill(false);
    clearbtlmsgs();
}

// Card 1: 10..20 damage, nothing else.
card PlainHit()
{
    card hit;
    hit.name = "hit";
    hit.enabled = hit.active = true;
    hit.mindam = 10;
    hit.dmgph = 20;
    hit.consumes = -1;
    return hit;
}

void LoadContent(TForm1& form, const std::vector<std::string_view>& parts)
{
    const std::filesystem::path& folder = FuzzFolder();
    std::filesystem::remove_all(folder / "cards");
    WriteFuzzFile(folder / "cards" / "0.crd", parts[0]);
    WriteFuzzFile(folder / "monsters" / "0.mon", parts[1]);
    WriteFuzzFile(folder / "items" / "lootlist.txt", parts[2]);
    // A battle met while exploring.
    OpenFuzzLevel(form);
    mmmode = invmode = itemlistmode = false;
    ingame = fsinitdone = true;
    seteffectpolarity();
    form.definebutsets();
    try {
        cards[0] = LoadCard(GamePath("\\cards\\0.crd"), lng);
    } catch (const EGameDataError&) {
    }
    cards[1] = PlainHit();
    cardcount = 2;
    monsters[0] = LoadChar(GamePath("\\monsters\\0.mon"));
    monsters[0].enem_id = 0;
    monsters[0].spellbook[1] = true;
    monstercount = 2;
    mapmonsters[0] = true;

    form.ResetStats();
    form.ClearJournal();
    player.name = "Hero";
    player.spellbook[0] = player.spellbook[1] = true;
    ResetBattleState();

    uint32_t seed = 0;
    std::from_chars(parts[3].data(), parts[3].data() + parts[3].size(), seed);
    SetRandSeed(seed);
}

// A click reaches only a button the last frame showed, as the pointer's hit test does.
void Press(TForm1& form, uint8_t byte)
{
    const int32_t id = cPresses[byte % cPresses.size()];
    if (id == -1)
        form.AddToBL(0);
    else if (gbuttons[id].visible)
        form.ClickGButton(id);
}

bool PlayerWaits()
{
    return btlmode && btlturn == 0 && btlphase == 1 && turnstarted[0];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string_view> parts = FuzzParts(data, size);
    parts.resize(5);
    TForm1& form = Window();
    LoadContent(form, parts);
    const std::string_view presses = parts[4];

    form.AddToBL(0);
    size_t next = 0;
    bool over = false;
    for (int32_t frame = 0; frame < cMaxFrames && !over; ++frame) {
        if (next < presses.size())
            Press(form, static_cast<uint8_t>(presses[next++]));
        else if (PlayerWaits())
            break;
        form.CadencerRun(cFrameTime);
        // Between frames a running battle's actor is the player, a slot or the round's end, and its target a slot.
        Check(!btlmode || (btlturn >= 0 && btlturn <= 12 && btltarget >= 0 && btltarget <= 10));
        over = !btlmode && battlelist[0] == -2;
    }
    // A battle that is over leaves no enemy queued or in a slot.
    if (over) {
        Check(std::all_of(battlelist.begin(), battlelist.end(), [](int32_t id) { return id == -2; }));
        Check(std::all_of(btlslots.begin(), btlslots.end(), [](const character& c) { return c.name == "nil"; }));
    }
    return 0;
}
