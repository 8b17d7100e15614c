// The battle's effects display, floating texts, short log and name lookups.
#include "UGH_main.h"

#include "GLBitmapFont.h"
#include "GLCoordinates.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLWindowsFont.h"
#include "RandomGenerator.h"
#include "UGH_data.h"

#include "GameDataFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
        lines.push_back(text.substr(from, at - from));
    lines.push_back(text.substr(from));
    return lines;
}

TEST(BattleNames, LookUpTheirEntriesAndNameNothingOutsideTheirRange)
{
    TBoundedTable<std::string, 0, 10000> strings;
    for (int32_t k = 0; k <= 10000; ++k) strings[k] = "s" + std::to_string(k);
    struct Case {
        std::string (*lookup)(int32_t, const TBoundedTable<std::string, 0, 10000>&);
        int32_t argument;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {TForm1::GetETypeName, 0, "--none--"},  {TForm1::GetETypeName, 1, "s53"},
        {TForm1::GetETypeName, 24, "s386"},     {TForm1::GetETypeName, 25, "--none--"},
        {TForm1::GetETypeDesc, 1, "s221"},      {TForm1::GetETypeDesc, 24, "s387"},
        {TForm1::GetETypeDesc, 25, "--none--"}, {TForm1::GetEClassName, -1, "--none--"},
        {TForm1::GetEClassName, 0, "s91"},      {TForm1::GetEClassName, 3, "s94"},
        {TForm1::GetEClassName, 4, "--none--"}, {TForm1::GetElName, 0, "s353"},
        {TForm1::GetElName, 4, "s357"},         {TForm1::GetElName, 5, "--none--"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.lookup(c.argument, strings), c.expected) << c.argument;
}

TEST(ShortBattleLog, WrapsLongEntriesWithoutLosingCharacters)
{
    const std::string solid(118, 'x'); // 120 characters with the leading "* "
    const std::vector<std::string> lines = Lines(WrapBattleMessage(solid));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "* " + std::string(48, 'x'));
    EXPECT_EQ(lines[1].size(), 50u);
    EXPECT_EQ(lines[2].size(), 20u);

    // A space past the fortieth character breaks the line there and is dropped; the fortieth itself does not.
    const std::string spaced = std::string(37, 'a') + " bb " + std::string(3, 'c');
    EXPECT_EQ(Lines(WrapBattleMessage(spaced)), (std::vector<std::string>{"* " + std::string(37, 'a') + " bb", "ccc"}));

    // Lines hold characters, not bytes: 60 Cyrillic letters (two bytes each) break after the 48th, whole.
    std::string cyrillic;
    for (int i = 0; i < 60; ++i) cyrillic += "\u0416";
    const std::vector<std::string> letters = Lines(WrapBattleMessage(cyrillic));
    ASSERT_EQ(letters.size(), 2u);
    EXPECT_EQ(letters[0], "* " + cyrillic.substr(0, 2 * 48));
    EXPECT_EQ(letters[1], cyrillic.substr(2 * 48));
}

TEST(FloatingTexts, CarryTheirLabelOnlyWithExtendedDamageInfo)
{
    const bool kept = extdmginfo;
    extdmginfo = true;
    EXPECT_EQ(poplabel("Fire") + "12", "Fire: 12");
    extdmginfo = false;
    EXPECT_EQ(poplabel("Fire") + "12", "12");
    extdmginfo = kept;
}

TEST(EffectIcons, ShrinkWithTheNumberOfEffects)
{
    EXPECT_EQ(EffectIconSize(0, 600), 32);
    EXPECT_EQ(EffectIconSize(17, 600), 32); // 600 / 18 is 33.3
    EXPECT_EQ(EffectIconSize(24, 600), 24);
    EXPECT_EQ(EffectIconSize(100, 600), 6);
}

// An unshown main window over a data folder of its own, with the effect columns and floating-text objects the
// catalogue would make.
class BattleView : public GameDataFolder {
protected:
    void SetUp() override
    {
        GameDataFolder::SetUp();
        keptw = scrw;
        kepth = scrh;
        scrw = 800;
        scrh = 600;
        form.reset(new TForm1(nullptr));
        for (int32_t side = 0; side <= 1; ++side) {
            for (int32_t p = 1; p <= 100; ++p) {
                form->effecticons[side][p] = TGLBaseSceneObject::CreateAsChild<TGLHUDSprite>(form->dcuifront);
                form->effecttexts[side][p] = TGLBaseSceneObject::CreateAsChild<TGLHUDText>(form->dcuifront);
            }
        }
        for (TGLHUDText*& text : form->dmgtexts) text = TGLBaseSceneObject::CreateAsChild<TGLHUDText>(form->dcuifront);
        for (int32_t i = 0; i <= 10; ++i) {
            form->enemyicons[i] = TGLBaseSceneObject::CreateAsChild<TGLHUDSprite>(form->dcuifront);
            form->enemyiconlabels[i] = TGLBaseSceneObject::CreateAsChild<TGLHUDText>(form->dcuifront);
        }
        player = character{};
        opponent = character{};
        dmgpops.Fill(pop{});
    }
    void TearDown() override
    {
        form.reset();
        player = character{};
        opponent = character{};
        dmgpops.Fill(pop{});
        clearbtlmsgs();
        battlelist.Fill(-2);
        btlslots.Fill(character{});
        btlmode = false;
        btltarget = 0;
        scrw = keptw;
        scrh = kepth;
        GameDataFolder::TearDown();
    }

    std::unique_ptr<TForm1, TFreeDeleter> form;
    int32_t keptw = 0, kepth = 0;
};

TEST_F(BattleView, ShortLogIsFilledOnlyWhenConfigured)
{
    const bool kept = shortbtllog;
    clearbtlmsgs();
    addbtlmsg("one");
    addbtlmsg("two");
    shortbtllog = false;
    form->ProcessBmsg();
    EXPECT_EQ(btlmsgtext, "");
    shortbtllog = true;
    form->ProcessBmsg();
    EXPECT_EQ(btlmsgtext, "* one\r\n* two\r\n");
    clearbtlmsgs();
    EXPECT_TRUE(btlmsgs.empty());
    EXPECT_EQ(btlmsgtext, "");
    shortbtllog = kept;
}

TEST_F(BattleView, EffectColumnsListActiveEffectsInTypeOrderAndSizeTheirIcons)
{
    for (int32_t k = 0; k < 24; ++k) {
        player.e[k] = 2;
        player.estr[k] = 7;
    }
    opponent.e[9] = 3;
    form->fillefflist();
    EXPECT_EQ(effectlists[0][1], (effectentry{1, 2, 7}));
    EXPECT_EQ(effectlists[0][24], (effectentry{24, 2, 7}));
    EXPECT_EQ(effectlists[0][25], (effectentry{}));
    EXPECT_EQ(effectlists[1][1], (effectentry{10, 3, 0}));

    form->ShowChEffects();
    TGLHUDSprite* const icon = form->effecticons[0][1];
    EXPECT_TRUE(icon->Visible());
    EXPECT_EQ(icon->Material()->LibMaterialName(), "effect_1");
    EXPECT_EQ(icon->Width(), 24.0f);
    EXPECT_EQ(icon->Position()->X(), 784.0f);
    EXPECT_EQ(icon->Position()->Y(), 64.0f);
    EXPECT_EQ(form->effecttexts[0][1]->Text(), "2");
    EXPECT_EQ(form->effecttexts[0][5]->Text(), "2/7"); // type 5 shows its strength
    EXPECT_EQ(form->effecttexts[0][1]->BitmapFont(), form->GLWindowsBitmapFont2);
    EXPECT_EQ(form->effecttexts[0][1]->Position()->X(), 713.0f);
    EXPECT_FALSE(form->effecticons[0][25]->Visible());

    // One effect keeps the full size and the larger font.
    EXPECT_EQ(form->effecticons[1][1]->Width(), 32.0f);
    EXPECT_EQ(form->effecticons[1][1]->Position()->X(), 16.0f);
    EXPECT_EQ(form->effecttexts[1][1]->Text(), "3");
    EXPECT_EQ(form->effecttexts[1][1]->BitmapFont(), form->GLWindowsBitmapFont1);
    EXPECT_FALSE(form->effecticons[1][2]->Visible());

    form->HideChEffects();
    EXPECT_FALSE(icon->Visible());
    EXPECT_FALSE(form->effecttexts[1][1]->Visible());
}

TEST_F(BattleView, PicturesFollowTheEnemyAndItsDefeat)
{
    opponent.hp = 5;
    opponent.element = 3;
    form->VisualizeBattle(4);
    EXPECT_EQ(form->monster_img->Material()->LibMaterialName(), "mon_4");
    EXPECT_EQ(form->monster_sign->Material()->LibMaterialName(), "element_3");
    form->RefreshMonsterImg(4, 0);
    EXPECT_EQ(form->monster_img->Material()->LibMaterialName(), "mon_4_d");
}

TEST_F(BattleView, PortraitsShowTheQueuedEnemiesBesideThePictureAndLabelTheLivingOnes)
{
    form->monster_img->SetWidth(220);
    form->monster_img->SetHeight(220);
    form->monster_img->Position()->SetX(400);
    form->monster_img->Position()->SetY(300);
    battlelist.Fill(-2);
    btlslots.Fill(character{});
    battlelist[0] = 3;
    btlslots[0].name = "Rat";
    btlslots[0].hp = 4;
    btlslots[0].hpmax = 9;
    battlelist[1] = 5;
    btlslots[1].name = "Bat";
    btlslots[1].hp = 0;
    battlelist[2] = -1;
    btlslots[2].name = "nil";
    btltarget = 1;
    btlmode = true;
    form->ShowEnemyPortraits();

    TGLHUDSprite* const first = form->enemyicons[0];
    EXPECT_TRUE(first->Visible());
    EXPECT_EQ(first->Material()->LibMaterialName(), "mon_3");
    EXPECT_EQ(first->Width(), 20.0f);
    EXPECT_EQ(first->Position()->X(), 520.0f);
    EXPECT_EQ(first->Position()->Y(), 200.0f);
    EXPECT_TRUE(form->enemyiconlabels[0]->Visible());
    EXPECT_EQ(form->enemyiconlabels[0]->Text(), "4/9");
    EXPECT_EQ(form->enemyiconlabels[0]->Position()->X(), 532.0f);

    // The target is larger; the defeated shows its picture without a label.
    EXPECT_EQ(form->enemyicons[1]->Material()->LibMaterialName(), "mon_5_d");
    EXPECT_EQ(form->enemyicons[1]->Width(), 24.0f);
    EXPECT_EQ(form->enemyicons[1]->Position()->Y(), 222.0f);
    EXPECT_FALSE(form->enemyiconlabels[1]->Visible());
    EXPECT_EQ(form->enemyicons[2]->Material()->LibMaterialName(), "unknown");
    EXPECT_FALSE(form->enemyicons[3]->Visible()); // a free entry has none

    btlmode = false;
    form->ShowEnemyPortraits();
    EXPECT_FALSE(first->Visible());
    EXPECT_FALSE(form->enemyiconlabels[0]->Visible());
}

TEST_F(BattleView, FloatingTextsStartAtTheirFighterAndReuseTheFirstEntryWhenAllAreBusy)
{
    form->monster_img->Position()->SetX(300);
    form->monster_img->Position()->SetY(200);
    form->pl_hpbar->Position()->SetX(100);
    form->pl_hpbar->Position()->SetY(500);
    form->AddDmgPop(0, "-5", 0); // damage rises from the one hit
    EXPECT_EQ(dmgpops[0].x, 300.0);
    EXPECT_EQ(dmgpops[0].y, 200.0);
    form->AddDmgPop(0, "+5", 1); // healing from the one acting
    EXPECT_EQ(dmgpops[1].x, 100.0);
    EXPECT_EQ(dmgpops[1].y, 500.0);
    for (int32_t k = 2; k <= 100; ++k) form->AddDmgPop(1, std::to_string(k), 2);
    EXPECT_EQ(dmgpops[0].txt, "100");
    EXPECT_EQ(dmgpops[99].txt, "99");
    EXPECT_FALSE(dmgpops[100].enabled);
    for (const pop& entry : dmgpops) {
        if (!entry.enabled) continue;
        EXPECT_TRUE(entry.kx == 1 || entry.kx == -1);
        EXPECT_GE(entry.fx, 0.5);
        EXPECT_LT(entry.fx, 1.5);
        EXPECT_GE(entry.fy, -1.5);
        EXPECT_LT(entry.fy, -0.5);
    }
}

TEST_F(BattleView, FloatingTextsRiseDriftAndLeaveTheView)
{
    dmgpops[3] = pop{100, 100, 1, 1, 1, -1, true, "-7", 0};
    dmgpops[4] = pop{799.5, 100, 1, 1, 1, -1, true, "+2", 1};
    form->HandleDMGPops(0.5);
    EXPECT_EQ(dmgpops[3].fx, 0.75);
    EXPECT_EQ(dmgpops[3].fy, 0.0);
    EXPECT_EQ(dmgpops[3].x, 100.75);
    EXPECT_EQ(dmgpops[3].y, 100.0);
    TGLHUDText* const text = form->dmgtexts[3];
    EXPECT_TRUE(text->Visible());
    EXPECT_EQ(text->Text(), "-7");
    EXPECT_EQ(text->ModulateColor()->Color().X, 1.0f);
    EXPECT_EQ(text->ModulateColor()->Color().Y, 0.0f);
    EXPECT_FALSE(dmgpops[4].enabled); // past the right edge
    EXPECT_FALSE(form->dmgtexts[4]->Visible());

    // Once the sideways speed is spent the text only falls.
    dmgpops[3].fx = 0;
    form->HandleDMGPops(0.5);
    EXPECT_EQ(dmgpops[3].kx, 0.0);
    EXPECT_EQ(dmgpops[3].x, 100.75);
    EXPECT_EQ(dmgpops[3].y, 101.0);
}

TEST_F(BattleView, SoundsExistAsEitherFileKind)
{
    folder.Write("sounds/audio/hit.wav", "RIFF");
    folder.Write("sounds/audio/song.mp3", "ID3");
    EXPECT_TRUE(soundexists("hit"));
    EXPECT_TRUE(soundexists("song"));
    EXPECT_FALSE(soundexists("gone"));
}

} // namespace
