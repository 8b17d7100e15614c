// Battles against their baselines.
// - The frame logic of a battle on an unshown main window (CadencerRun with its blocks, nothing rendered): eleven
//   enemies, 24 timed effects on each side (48 icons) and 100 floating numbers, beside the frame of the same
//   window exploring. The floating numbers are put back before every frame of both, so that none retires.
// - The same frame rendered at 1024 x 768 on the demo adventure's start map (the game's frame and the render of
//   its scene by a memory viewer, in real time: the software renderer rasterises on threads of its own),
//   beside the frame of the same window exploring there, and beside the engine's bare frame of the same picture
//   (a plain scene of copies of the visible level and HUD layers, rendered alone). Run with
//   LIBGL_ALWAYS_SOFTWARE=1 for llvmpipe.
// - ShuffleHand for a player who owns one card of 1001 (every slot draws until it meets it), beside the same
//   number of bare generator draws from the same seed.
// - AddNewCard looking for an affordable card of the player's skill when none is (501 passes over 1001 cards),
//   beside one bare generator draw per card examined.
#include "UGH_data.h"
#include "UGH_main.h"

#include "BenchBaseline.h"
#include "BenchViewer.h"
#include "DungeonWindow.h"
#include "PlainScene.h"

#include "GLContext.h"
#include "GLObjects.h"
#include "GLWin32Context.h"
#include "GLWin32Viewer.h"
#include "RandomGenerator.h"
#include "VAVodad.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr int32_t cEnemies = 11;
constexpr int32_t cEffectTypes = 24;
constexpr int32_t cPops = 100;
constexpr int32_t cCards = 1001;
constexpr int32_t cNewCardPasses = 501;
constexpr uint32_t cSeed = 20261211;
// Frames rendered before timing: the software renderer compiles its shaders for each new combination of state
// in the first frames of a view (a battle's first frames took 25 ms more each), and a short run timed those alone.
constexpr int32_t cWarmUpFrames = 60;

// An unshown main window exploring an open 20 x 20 level, its interface objects and buttons made, its view
// 1024 x 768; monster 0 and card 0 (a plain hit both own) are ready for a battle.
std::unique_ptr<TForm1, TFreeDeleter> ExploringWindow()
{
    ResetGameTables();
    std::unique_ptr<TForm1, TFreeDeleter> form(new TForm1(nullptr));
    for (TGLLightSource*& light : form->scenelights)
        light = TGLBaseSceneObject::CreateAsChild<TGLLightSource>(form->dcgame);
    for (int32_t i = 0; i <= 420; ++i) strarr[i] = "s" + std::to_string(i);
    seteffectpolarity();
    form->VAVodadViewer1->SetBounds(0, 0, 1024, 768);
    form->prepareuiobjects();
    form->definebutsets();
    form->ClearLevel();
    for (int32_t x = 1; x < mapmaxx; ++x)
        for (int32_t y = 1; y < mapmaxy; ++y) levelgrid[x][y].passable = true;
    playerx = playery = 5;
    levelbusy = mmmode = btlmode = false;
    ingame = true;
    fsinitdone = true;
    card& hit = cards[0];
    hit.name = "hit";
    hit.enabled = hit.active = true;
    hit.dmgph = 20;
    hit.consumes = -1;
    cardcount = 1;
    character& monster = monsters[0];
    monster = character();
    monster.name = "bench";
    monster.lvl = 1;
    monster.strength = monster.intelligence = monster.speed = monster.endurance = 10;
    monster.spellbook[0] = true;
    monstercount = 2;
    form->ResetStats();
    player.name = "Hero";
    player.spellbook[0] = true;
    return form;
}

// Every timed effect of the first 24 types on chr, for a column of 24 icons.
void AllEffects(character& chr)
{
    for (int32_t k = 0; k < cEffectTypes; ++k) {
        chr.e[k] = 5;
        chr.estr[k] = 1;
    }
}

// Eleven enemies of monster type 0 fight a player of endurance 100, who outlives their opening plays. Frames run
// until the player's turn has begun and the cards have landed, the request forms answered on the way; then 24
// effects are put on either side and 100 floating numbers in the air. False when the battle did not come to that.
bool OpenBattle(TForm1& form)
{
    player.bend = 100;
    form.defineparbonuses();
    for (int32_t k = 0; k < cEnemies; ++k) form.AddToBL(0);
    for (int32_t frame = 0; frame < 1000; ++frame) {
        if (rfmode) form.ClickGButton(48);
        form.CadencerRun(1.0 / 60);
        if (btlmode && btlturn == 0 && turnstarted[0] && !rfmode && !rfqueue[1].active && !playercardflying &&
            !enemycardflying)
            break;
    }
    if (!btlmode || btlturn != 0 || pendingcount() + 1 != cEnemies) return false;
    AllEffects(player);
    AllEffects(opponent);
    for (int32_t k = 0; k < cPops; ++k) form.AddDmgPop(k % 2, "12", k % 3);
    return true;
}

std::unique_ptr<TForm1, TFreeDeleter> BattleWindow()
{
    auto form = ExploringWindow();
    if (!OpenBattle(*form)) std::abort();
    return form;
}

// Frames of form, each after the floating numbers are put back as they were at the start.
void RunFrames(benchmark::State& state, TForm1& form)
{
    const auto pops = dmgpops;
    for (auto _ : state) {
        dmgpops = pops;
        form.CadencerRun(1.0 / 60);
    }
    benchmark::DoNotOptimize(halfw);
}

void BM_BattleFrameLogic(benchmark::State& state)
{
    const auto form = BattleWindow();
    RunFrames(state, *form);
    btlmode = false;
}
BENCHMARK(BM_BattleFrameLogic);

void BM_ExplorationFrameLogic(benchmark::State& state)
{
    const auto form = ExploringWindow();
    RunFrames(state, *form);
}
BENCHMARK(BM_ExplorationFrameLogic);
BENCHMARK_BASELINE(BM_BattleFrameLogic, BM_ExplorationFrameLogic);

// The main window on the demo adventure with a 1024 x 768 memory viewer, in a battle or exploring; Ready is
// false without OpenGL, without the demo adventure or when the battle did not open.
struct TRenderedGame {
    explicit TRenderedGame(bool battle)
    {
        RegisterGLWin32Context();
        InitContextModule();
        Form = DungeonWindow();
        if (!Form) return;
        // The game lays its view out for the size the benchmark renders.
        Form->VAVodadViewer1->SetBounds(0, 0, 1024, 768);
        Viewer = NewBenchViewer(Form->mcam, 1024, 768);
        Ready = Viewer && (!battle || OpenBattle(*Form));
    }
    ~TRenderedGame()
    {
        btlmode = false;
        Free(PlainViewer);
        Plain.reset();
        Free(Viewer);
        Form.reset();
        gamedir.clear();
        ResetGameTables();
        DoneContextModule();
    }

    // The bare copy of the frame the game shows now; false when it cannot be rendered.
    bool MakePlainCopy()
    {
        Form->CadencerRun(1.0 / 60);
        Plain = std::make_unique<TPlainScene>(*Form, true);
        PlainViewer = NewBenchViewer(Plain->Camera, 1024, 768);
        return PlainViewer != nullptr;
    }

    std::unique_ptr<TForm1, TFreeDeleter> Form;
    TGLMemoryViewer* Viewer = nullptr;
    std::unique_ptr<TPlainScene> Plain;
    TGLMemoryViewer* PlainViewer = nullptr;
    bool Ready = false;
};

// Rendered frames with the frame rate beside the time; skips when the game is not ready.
void RunRenderedFrames(benchmark::State& state, bool battle)
{
    TRenderedGame game(battle);
    if (!game.Ready) {
        state.SkipWithError("no OpenGL context, no demo adventure in the program folder or no battle");
        return;
    }
    const auto pops = dmgpops;
    const auto frame = [&] {
        dmgpops = pops;
        game.Form->CadencerRun(1.0 / 60);
        game.Viewer->Render();
    };
    for (int32_t k = 0; k < cWarmUpFrames; ++k) frame();
    for (auto _ : state) frame();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_BattleFrameRendered(benchmark::State& state)
{
    RunRenderedFrames(state, true);
}
BENCHMARK(BM_BattleFrameRendered)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExplorationFrameRendered(benchmark::State& state)
{
    RunRenderedFrames(state, false);
}
BENCHMARK(BM_ExplorationFrameRendered)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_BASELINE(BM_BattleFrameRendered, BM_ExplorationFrameRendered);

void BM_PlainBattleFrame(benchmark::State& state)
{
    TRenderedGame game(true);
    if (!game.Ready || !game.MakePlainCopy()) {
        state.SkipWithError("no OpenGL context, no demo adventure in the program folder or no battle");
        return;
    }
    for (int32_t k = 0; k < cWarmUpFrames; ++k) game.PlainViewer->Render();
    for (auto _ : state) game.PlainViewer->Render();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["objects"] = game.Plain->Objects;
}
BENCHMARK(BM_PlainBattleFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_BASELINE(BM_BattleFrameRendered, BM_PlainBattleFrame);

// A table of 1001 existing cards of which the player owns only card 500, in the deck.
std::unique_ptr<TForm1, TFreeDeleter> OneOwnedCardWindow()
{
    auto form = ExploringWindow();
    for (int32_t k = 0; k < cCards; ++k) {
        cards[k] = cards[0];
        cards[k].mc = 1000;
    }
    cardcount = cCards;
    player.spellbook.Fill(false);
    player.spellbook[500] = true;
    return form;
}

// The generator's steps from seed to end.
int64_t DrawsBetween(uint32_t seed, uint32_t end)
{
    SetRandSeed(seed);
    int64_t draws = 0;
    for (; RandSeed() != end; ++draws) Random();
    return draws;
}

// The draws of one whole new hand from cSeed.
int64_t HandDraws(TForm1& form)
{
    SetRandSeed(cSeed);
    form.ShuffleHand(player, true);
    return DrawsBetween(cSeed, RandSeed());
}

void BM_ShuffleHandOneOwnedCard(benchmark::State& state)
{
    const auto form = OneOwnedCardWindow();
    for (auto _ : state) {
        SetRandSeed(cSeed);
        form->ShuffleHand(player, true);
    }
    benchmark::DoNotOptimize(player.hand[0]);
    state.counters["draws"] = static_cast<double>(HandDraws(*form));
}
BENCHMARK(BM_ShuffleHandOneOwnedCard)->Unit(benchmark::kMicrosecond);

void BM_PlainHandDraws(benchmark::State& state)
{
    const auto form = OneOwnedCardWindow();
    const int64_t draws = HandDraws(*form);
    for (auto _ : state) {
        SetRandSeed(cSeed);
        int32_t sum = 0;
        for (int64_t k = 0; k < draws; ++k) sum += Random(cCards);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["draws"] = static_cast<double>(draws);
}
BENCHMARK(BM_PlainHandDraws)->Unit(benchmark::kMicrosecond);
BENCHMARK_BASELINE(BM_ShuffleHandOneOwnedCard, BM_PlainHandDraws);

void BM_AddNewCardNoneAffordable(benchmark::State& state)
{
    const auto form = OneOwnedCardWindow();
    player.manamax = 10;
    for (auto _ : state) form->AddNewCard(true, -1, false, false, false, player);
    benchmark::DoNotOptimize(lastnewcard);
}
BENCHMARK(BM_AddNewCardNoneAffordable)->Unit(benchmark::kMillisecond);

void BM_PlainNewCardDraws(benchmark::State& state)
{
    for (auto _ : state) {
        int32_t sum = 0;
        for (int32_t pass = 0; pass < cNewCardPasses; ++pass)
            for (int32_t k = 0; k < cCards; ++k) sum += Random(100);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_PlainNewCardDraws)->Unit(benchmark::kMillisecond);
BENCHMARK_BASELINE(BM_AddNewCardNoneAffordable, BM_PlainNewCardDraws);

} // namespace
