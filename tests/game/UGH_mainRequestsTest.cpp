// Request forms: the text and width of a form, the answers, choices, the name entry, the journal, the credits, the
// form's buttons and its drawing, and the new game's launch, on an unshown main window over a data folder of its
// own.
#include "UGH_main.h"

#include "GLWindowsFont.h"
#include "GLCoordinates.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "UGH_data.h"
#include "VirtualKeys.h"

#include "MainWindowLevel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace {

class Requests : public MainWindowLevel {
protected:
    void SetUp() override
    {
        MainWindowLevel::SetUp();
        scrw = 1024;
        scrh = 768;
    }

    // The texts of the waiting requests.
    static std::vector<std::string> WaitingTexts()
    {
        std::vector<std::string> texts;
        for (int32_t k = 1; k <= rfqueue.High() && rfqueue[k].active; ++k) texts.push_back(rfqueue[k].main_text);
        return texts;
    }
    static void Forget()
    {
        for (rqftp& request : rfqueue) request.active = false;
    }
    // The request on screen, as the frame takes it.
    void OnScreen(const std::string& text, int32_t rtype, int32_t rcase, int32_t rpos = 0,
                  const std::string& img = "")
    {
        form->ShowRequestForm("title", text, rtype, rcase, rpos, img);
        form->DisplayRequestForm();
    }
    void Page(int32_t n, const std::string& text) { folder.Write("text/en/journal/jrn_" + std::to_string(n) + ".txt", text); }
};

} // namespace

TEST(RequestText, NameTokensAreReplacedOnlyWhenWhole)
{
    player.name = "Ann";
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"Hello, @PlName!", "Hello, Ann!"},
        {"@PlName", "Ann"},
        {"Go @PlNameX", "Go @PlNameX"},
        {"@plname @Other.", "@plname @Other."},
        {"@PlName@PlName", "Ann@PlName"}, // the at sign ending the token is copied, not a token of its own
        {"", ""},
        {"@", "@"},
        {"a@PlName\"b", "aAnn\"b"},
    };
    for (const auto& c : cases) EXPECT_EQ(TForm1::preparerftext(c.text), c.expected) << c.text;
    // Every delimiter ends the token and is kept.
    for (const char delimiter : std::string(" ,;:\"`*!@#$%^&()-_+=|/?\\.")) {
        const std::string text = std::string("@PlName") + delimiter + "z";
        EXPECT_EQ(TForm1::preparerftext(text), std::string("Ann") + delimiter + "z") << delimiter;
    }
    player = character{};
}

TEST(RequestText, TheLongestLineCountsCharacters)
{
    EXPECT_EQ(LongestLine(""), "");
    EXPECT_EQ(LongestLine("ab\r\nabc\rxyz\nz"), "abc");
    // Two bytes a letter: still the shorter line.
    EXPECT_EQ(LongestLine("\u0436\u0436\u0436\nabcd"), "abcd");
}

TEST_F(Requests, AFormIsAsWideAsItsLongestLineInFontTwoPlus80)
{
    TGLCustomBitmapFont& font = *form->GLWindowsBitmapFont2;
    EXPECT_EQ(form->GetRfWidth("abcde"), font.CalcStringWidth("abcde") + 80);
    EXPECT_GT(form->GetRfWidth("abcde"), 80);
    EXPECT_EQ(form->GetRfWidth("ab\r\nabcdefg\r\nabc"), font.CalcStringWidth("abcdefg") + 80);
    EXPECT_EQ(form->GetRfWidth(""), 80);
}

TEST_F(Requests, OKOnTheNameEntryTheQuitQuestionAndAJournalPage)
{
    // Backspace takes the whole entry; the name loses the line breaks typed into it and keeps other control
    // characters.
    OnScreen("", 0, 0);
    for (const char16_t c : u"Bo") {
        char16_t key = c;
        if (key) form->FormKeyPress(nullptr, key);
    }
    EXPECT_EQ(rftext, "Bo");
    uint16_t back = VK_BACK;
    form->FormKeyDown(nullptr, back, {});
    form->FormKeyUp(nullptr, back, {});
    EXPECT_EQ(rftext, "");
    rftext = "A\r\nn\tn\n";
    uirefresh = false;
    form->RequestFormOK();
    EXPECT_EQ(player.name, "An\tn");
    EXPECT_TRUE(uirefresh);
    EXPECT_FALSE(rfmode);
    // An entry of nothing but blanks and line breaks keeps the name before.
    for (const char* blank : {"", " \t\r\n "}) {
        OnScreen("", 0, 0);
        rftext = blank;
        form->RequestFormOK();
        EXPECT_EQ(player.name, "An\tn") << "after \"" << blank << "\"";
        EXPECT_FALSE(rfmode);
    }

    OnScreen("quit?", 1, 30);
    form->RequestFormSecond();
    EXPECT_FALSE(exiting);
    OnScreen("quit?", 1, 30);
    form->RequestFormOK();
    EXPECT_TRUE(exiting);
    exiting = false;

    // OK on a journal page shows it again.
    Page(0, "first");
    form->ClearJournal();
    form->OpenJournal();
    form->DisplayRequestForm();
    form->RequestFormOK();
    EXPECT_EQ(WaitingTexts(), std::vector<std::string>{"s391 1/1\r\n\r\nfirst"});
}

TEST_F(Requests, ChoiceButtonsSetTheChoiceAndEnterClosesWithoutOne)
{
    choicevalue = 4;
    OnScreen("which?", 0, 25);
    uint16_t key = VK_RETURN;
    form->FormKeyUp(nullptr, key, {});
    EXPECT_FALSE(rfmode);
    EXPECT_EQ(choicevalue, 4);

    for (int32_t k = 0; k <= 5; ++k) {
        OnScreen("which?", 0, 25);
        EXPECT_TRUE(form->RequestFormButton(40 + k));
        EXPECT_FALSE(rfmode);
        EXPECT_EQ(choicevalue, k);
    }
    // Ids that are not the form's do nothing.
    OnScreen("which?", 0, 25);
    for (const int32_t id : {0, 39, 46, 47, 50, 54, 59}) EXPECT_FALSE(form->RequestFormButton(id)) << id;
    EXPECT_TRUE(rfmode);
}

TEST_F(Requests, JournalPagesWrapRoundAndAnEntryUnlocksOnce)
{
    for (const int32_t n : {0, 3, 7}) Page(n, "entry " + std::to_string(n));
    form->ClearJournal();
    form->UpdateJournal(3);
    form->UpdateJournal(7);
    EXPECT_EQ(jseq, (TDynArray<int32_t>{0, 3, 7}));
    EXPECT_EQ(WaitingTexts(), (std::vector<std::string>{"s390", "s390"}));
    EXPECT_EQ(rfqueue[1].ttl_text, "s389");
    Forget();
    form->UpdateJournal(3);
    EXPECT_TRUE(WaitingTexts().empty());
    EXPECT_TRUE(form->CheckJournalUnlocked(7));
    EXPECT_FALSE(form->CheckJournalUnlocked(5));

    // Buttons 55..58 step +1, -1, +10, -10 from the page shown (1-based below).
    const struct {
        int32_t from, button, to;
    } cases[] = {{3, 55, 1}, {1, 56, 3}, {2, 57, 1}, {2, 58, 3}, {1, 55, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " by " << c.button);
        Forget();
        jpage = c.from - 1;
        OnScreen("page", 1, 44);
        EXPECT_TRUE(form->RequestFormButton(c.button));
        EXPECT_FALSE(rfmode);
        EXPECT_EQ(jpage, c.to - 1);
        const int32_t entry = jseq[c.to - 1];
        EXPECT_EQ(WaitingTexts(), std::vector<std::string>{"s391 " + std::to_string(c.to) + "/3\r\n\r\nentry " +
                                                           std::to_string(entry)});
        EXPECT_EQ(rfqueue[1].fcase, 44);
        EXPECT_EQ(rfqueue[1].tp, 1);
    }

    // A page whose file is missing says which file; an empty journal counts as page 0 alone.
    Forget();
    jseq.clear();
    std::filesystem::remove(folder.path / "text/en/journal/jrn_0.txt");
    form->OpenJournal();
    ASSERT_EQ(WaitingTexts().size(), 1u);
    EXPECT_NE(WaitingTexts()[0].find("s391 1/1"), std::string::npos);
    EXPECT_NE(WaitingTexts()[0].find("jrn_0.txt"), std::string::npos);
    EXPECT_EQ(jseq, TDynArray<int32_t>{0});
}

TEST_F(Requests, CreditsComeInPagesOfTwentyLines)
{
    std::string text;
    for (int32_t line = 1; line <= 45; ++line) text += "line " + std::to_string(line) + "\n";
    folder.Write("text/credits.txt", text);
    form->ShowCredits();
    const std::vector<std::string> pages = WaitingTexts();
    ASSERT_EQ(pages.size(), 3u);
    const auto lines = [](const std::string& page) { return std::count(page.begin(), page.end(), '\n'); };
    EXPECT_EQ(lines(pages[0]), 20);
    EXPECT_EQ(lines(pages[1]), 20);
    EXPECT_EQ(lines(pages[2]), 5);
    EXPECT_EQ(pages[1].substr(0, 9), "line 21\r\n");
    EXPECT_EQ(rfqueue[3].fcase, 10);
    EXPECT_EQ(rfqueue[3].ttl_text, "s398");
    EXPECT_EQ(CreditPages(std::string(40, '\n')).size(), 2u);
    EXPECT_TRUE(CreditPages("").empty());

    // Without the file one page names it.
    Forget();
    std::filesystem::remove(folder.path / "text/credits.txt");
    form->ShowCredits();
    ASSERT_EQ(WaitingTexts().size(), 1u);
    EXPECT_NE(WaitingTexts()[0].find("credits.txt"), std::string::npos);
}

TEST_F(Requests, TheFormsButtonsStandAroundIt)
{
    form->prepareuiobjects();
    for (int32_t id = 40; id <= 45; ++id) gbuttons[id].caption = id == 43 ? "-" : "c";
    const auto at = [](int32_t id) { return std::tuple(gbuttons[id].x, gbuttons[id].y, gbuttons[id].visible); };

    OnScreen("x", 1, 1);
    form->reqform->Position()->SetPoint(500, 300, 0);
    form->reqform->SetSize(400, 200);
    form->PlaceRequestFormButtons();
    EXPECT_EQ(at(48), std::tuple(625, 405, true));
    EXPECT_EQ(at(49), std::tuple(375, 405, true));
    for (const int32_t id : {40, 55, 58}) EXPECT_FALSE(gbuttons[id].visible) << id;

    rftype = 0;
    rfcase = 44;
    form->PlaceRequestFormButtons();
    EXPECT_FALSE(gbuttons[49].visible);
    EXPECT_EQ(at(55), std::tuple(775, 300, true));
    EXPECT_EQ(at(56), std::tuple(225, 300, true));
    EXPECT_EQ(at(57), std::tuple(775, 340, true));
    EXPECT_EQ(at(58), std::tuple(225, 340, true));

    rfcase = 25;
    form->PlaceRequestFormButtons();
    EXPECT_FALSE(gbuttons[48].visible);
    EXPECT_FALSE(gbuttons[55].visible);
    EXPECT_EQ(at(40), std::tuple(512, 460, true));
    EXPECT_EQ(at(45), std::tuple(512, 760, true));
    EXPECT_FALSE(gbuttons[43].visible);

    rfmode = false;
    form->PlaceRequestFormButtons();
    for (const int32_t id : {40, 45, 48, 49}) EXPECT_FALSE(gbuttons[id].visible) << id;
}

TEST_F(Requests, TheFormIsSizedAndDressedForItsCase)
{
    TGLHUDSprite& sheet = *form->reqform;
    const struct {
        int32_t rcase, rpos, w, h;
        float x, y;
        const char* material;
        float shade;
    } cases[] = {
        {1, 0, 400, 200, 512, 384, "ui_bg", 1},
        {10, 0, 500, 668, 512, 384, "rf_scrollbg", 0},
        {44, 0, 500, 668, 512, 384, "rf_scrollbg", 0},
        {11, 0, 957, 718, 512, 384, "pic", 0},
        // At the top: under the view's top by half the height it had, and 10 more.
        {1, 1, 400, 200, 512, 110, "ui_bg", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rcase);
        OnScreen("short", 0, c.rcase, c.rpos, "pic");
        sheet.SetSize(400, 200);
        form->FrameBlockB4(0.01);
        EXPECT_TRUE(sheet.Visible());
        EXPECT_EQ(sheet.Width(), c.w);
        EXPECT_EQ(sheet.Height(), c.h);
        EXPECT_EQ(sheet.Position()->X(), c.x);
        EXPECT_EQ(sheet.Position()->Y(), c.y);
        EXPECT_EQ(sheet.Material()->LibMaterialName(), c.material);
        EXPECT_EQ(form->rf_text->ModulateColor()->Color().X, c.shade);
        EXPECT_EQ(form->rf_title->Text(), "title");
        EXPECT_EQ(form->rf_title->Position()->X(), c.x - c.w / 2.0f + 20);
        EXPECT_EQ(form->rf_text->Position()->Y(), c.y - c.h / 2.0f + 60);
        rfmode = false;
    }

    // A picture on a wide view keeps 800 : 600.
    scrw = 1280;
    scrh = 720;
    OnScreen("", 0, 11, 0, "pic");
    form->FrameBlockB4(0.01);
    EXPECT_EQ(sheet.Width(), 893);
    EXPECT_EQ(sheet.Height(), 670);
    scrw = 1024;
    scrh = 768;
    rfmode = false;

    // A long line widens the form up to the view's width.
    OnScreen(std::string(300, 'm'), 0, 1);
    form->FrameBlockB4(0.01);
    EXPECT_EQ(sheet.Width(), 1024);
    rfmode = false;

    // The name entry: a cursor and at least 13 underscores, three more than the name.
    for (const auto& [name, underscores] : {std::pair{std::string("Anna"), 13}, std::pair{std::string(20, 'n'), 23}}) {
        OnScreen("", 0, 0);
        rftext = name;
        form->FrameBlockB4(0.01);
        EXPECT_EQ(form->rf_text->Text(), name + "|\r\n" + std::string(underscores, '_'));
        rfmode = false;
    }

    // A gained card's picture stands right of the form, 120/200 as wide as high; an item's is square.
    for (const auto& [rcase, width] : {std::pair{5, 120.0f}, std::pair{99, 200.0f}}) {
        OnScreen("short", 0, rcase, 0, "card_3_0");
        form->FrameBlockB4(0.01);
        EXPECT_TRUE(form->spellfound->Visible());
        EXPECT_EQ(form->spellfound->Material()->LibMaterialName(), "card_3_0");
        EXPECT_EQ(form->spellfound->Width(), width);
        EXPECT_EQ(form->spellfound->Height(), 200);
        EXPECT_EQ(form->spellfound->Position()->X(), 512 + 200 + 5 + width / 2);
        rfmode = false;
    }

    // Answered, it goes with its texts and picture.
    form->FrameBlockB4(0.01);
    for (TGLBaseSceneObject* object : std::vector<TGLBaseSceneObject*>{&sheet, form->rf_text, form->rf_title,
                                                                       form->spellfound})
        EXPECT_FALSE(object->Visible());
}

TEST_F(Requests, ANewGameResetsThePlayerAndAsksForTheName)
{
    mmmode = true;
    player.bstr = 50;
    player.name = "Old";
    player.spellbook[3] = true;
    player.spellen[4] = false;
    player.perks[2] = true;
    items[7].count = 2;
    keys1 = 3;
    battlelist[0] = 5;
    btlslots[1].name = "rat";
    intvars[9] = 1;
    strvars[9] = "x";
    // The last game's look: her hair and face, a worn helmet and armour.
    player.sex = 1;
    player.hair = player.face = player.cloth = player.hat = 2;
    equipped[2] = 5;
    equipped[3] = 6;
    form->NGLaunch();
    EXPECT_TRUE(ingame && chargen && invmode && uirefresh);
    EXPECT_FALSE(mmmode);
    EXPECT_EQ(levelno, 0);
    EXPECT_EQ(player.bstr, 10);
    EXPECT_EQ(player.strength, 10);
    EXPECT_EQ(player.bmg, 10);
    EXPECT_EQ(player.lvl, 1);
    EXPECT_EQ(player.xpreq, 1000);
    EXPECT_EQ(player.name, "Character");
    EXPECT_FALSE(player.spellbook[3]);
    EXPECT_TRUE(player.spellen[4]);
    EXPECT_FALSE(player.perks[2]);
    EXPECT_EQ(items[7].count, 0);
    EXPECT_EQ(keys1, 0);
    EXPECT_EQ(battlelist[0], -2);
    EXPECT_EQ(btlslots[1].name, "nil");
    EXPECT_EQ(intvars[9], 0);
    EXPECT_EQ(strvars[9], "");
    EXPECT_EQ(std::make_tuple(player.sex, player.hair, player.face, player.cloth, player.hat),
              std::make_tuple(0, 0, 0, 0, 0));
    for (int32_t slot = 0; slot <= 3; ++slot) EXPECT_EQ(equipped[slot], -1) << slot;
    ASSERT_EQ(WaitingTexts(), std::vector<std::string>{""});
    EXPECT_EQ(rfqueue[1].ttl_text, "s89");
    EXPECT_EQ(rfqueue[1].fcase, 0);

    // The typed name, then the character screen's OK starts the game with a fresh journal.
    form->DisplayRequestForm();
    rftext = "Ann";
    form->RequestFormOK();
    EXPECT_EQ(player.name, "Ann");
    // Requests shown from now on call the player by the name.
    OnScreen("Welcome, @PlName!", 0, 1);
    EXPECT_EQ(rftext, "Welcome, Ann!");
    rfmode = false;
    jseq = {0, 4};
    mapid = "startmap";
    std::filesystem::create_directories(folder.path / "levels");
    SaveMap(gamedir + "\\levels\\startmap.map", true);
    form->StartNewGame();
    EXPECT_FALSE(chargen);
    EXPECT_EQ(jseq, TDynArray<int32_t>{0});
}
