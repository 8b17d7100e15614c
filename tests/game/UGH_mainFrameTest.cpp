// The main window's frame loop and housekeeping on an unshown window: the eight guarded blocks and what stops
// them, what the blocks built so far do, the load screen, the frame dispatch, the close question, the
// anti-aliasing switch, and the rules behind resizing, the load-screen picture, the caption and screenshots.
#include "UGH_main.h"

#include "Dialogs.h"
#include "FileUtils.h"
#include "Forms.h"
#include "GLCadencer.h"
#include "GLGeomObjects.h"
#include "GLHUDObjects.h"
#include "GLMaterial.h"
#include "GLPostEffects.h"
#include "GLWin32Viewer.h"
#include "Graphics.h"
#include "JPEG.h"
#include "ProgramVersion.h"
#include "RandomGenerator.h"
#include "UGH_data.h"
#include "ZODLog.h"

#include "GameDataFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// ---- Rules without a window ----

TEST(FrameRules, TheClientAreaKeepsAtLeast1024By576)
{
    struct TCase {
        int32_t width, height, expectedWidth, expectedHeight;
    };
    for (const TCase& c : {TCase{800, 600, 1024, 600}, TCase{1200, 500, 1200, 576}, TCase{1024, 768, 1024, 768},
                           TCase{1023, 575, 1024, 576}}) {
        const TPoint size = TForm1::MinimumClientSize(c.width, c.height);
        EXPECT_EQ(size.X, c.expectedWidth) << c.width << " x " << c.height;
        EXPECT_EQ(size.Y, c.expectedHeight) << c.width << " x " << c.height;
    }
}

TEST(FrameRules, TheLoadScreenPictureScalesByTheHeightOnAWideViewElseByTheWidth)
{
    struct TCase {
        int32_t width, height;
        float expectedWidth, expectedHeight;
    };
    for (const TCase& c : {TCase{1280, 720, 768, 576}, TCase{768, 1024, 614.4f, 460.8f},
                           TCase{1024, 768, 819.2f, 614.4f}, TCase{900, 900, 720, 540}}) {
        float width = 0, height = 0;
        TForm1::LoadScreenPictureSize(c.width, c.height, width, height);
        EXPECT_FLOAT_EQ(width, c.expectedWidth) << c.width << " x " << c.height;
        EXPECT_FLOAT_EQ(height, c.expectedHeight) << c.width << " x " << c.height;
    }
}

TEST(FrameRules, TheCaptionShowsVersionFrameRateViewDistanceAndVisibilityUpdates)
{
    EXPECT_EQ(TForm1::FrameRateCaption("1.2.3.4", "59.9 FPS", 15, 7),
              "Mirefall v. 1.2.3.4. FPS: 59.9 FPS. View dist.: 15 MBD count: 7");
}

TEST(FrameRules, TheVersionIsTheProgramsFourPartsWithDots)
{
    const TFileVersion version = ProgramFileVersion();
    EXPECT_EQ(GetAppVersionStr(), std::to_string(version.Major) + "." + std::to_string(version.Minor) + "." +
                                      std::to_string(version.Release) + "." + std::to_string(version.Build));
}

// ---- Screenshots ----

class Screenshots : public GameDataFolder {
protected:
    // A small picture whose halves differ, so that a JPEG that reads back shows it is the same picture.
    static std::unique_ptr<TBitmap> Picture()
    {
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->SetPixelFormat(pf32bit);
        bitmap->SetSize(32, 16);
        bitmap->Canvas()->Brush()->SetColor(clRed);
        bitmap->Canvas()->FillRect(TRect{0, 0, 16, 16});
        bitmap->Canvas()->Brush()->SetColor(clBlue);
        bitmap->Canvas()->FillRect(TRect{16, 0, 32, 16});
        return bitmap;
    }
    std::string Shot(int n) const { return folder / ("screenshots/sshot_" + std::to_string(n) + ".jpg"); }
};

TEST_F(Screenshots, TheFirstGoesIntoAFolderMadeForIt)
{
    const std::unique_ptr<TBitmap> picture = Picture();
    EXPECT_EQ(TForm1::SaveSnapShot(*picture), Shot(1));
    TJPEGImage jpeg;
    jpeg.LoadFromFile(Shot(1));
    EXPECT_EQ(jpeg.Width(), 32);
    EXPECT_EQ(jpeg.Height(), 16);
}

TEST_F(Screenshots, TakeTheSmallestFreeNumberAndLeaveTheOthersAlone)
{
    folder.Write("screenshots/sshot_1.jpg", "first");
    folder.Write("screenshots/sshot_3.jpg", "third");
    const std::unique_ptr<TBitmap> picture = Picture();
    EXPECT_EQ(TForm1::SaveSnapShot(*picture), Shot(2));
    EXPECT_EQ(TForm1::SaveSnapShot(*picture), Shot(4));
    EXPECT_EQ(folder.Read("screenshots/sshot_1.jpg"), "first");
    EXPECT_EQ(folder.Read("screenshots/sshot_3.jpg"), "third");
}

TEST_F(Screenshots, AFolderThatCannotBeMadeIsReportedWithoutRaising)
{
    // A file stands where the folder would go.
    folder.Write("screenshots", "not a folder");
    const std::unique_ptr<TBitmap> picture = Picture();
    TGLLogCapture log;
    std::string written = "(not called)";
    EXPECT_NO_THROW(written = TForm1::SaveSnapShot(*picture));
    EXPECT_EQ(written, "");
    EXPECT_TRUE(log.Contains("The screenshot was not saved")) << ::testing::PrintToString(log.Texts());
    EXPECT_EQ(folder.Read("screenshots"), "not a folder");
}

// ---- The window ----

// An unshown main window over a data folder of its own, with the game's state as at program start apart from
// a level being ready (levelbusy clear).
class FrameWindow : public GameDataFolder {
protected:
    void SetUp() override
    {
        GameDataFolder::SetUp();
        levelbusy = false;
        exiting = false;
        cadblocks.Fill(true);
        frameerrors.clear();
        form.reset(new TForm1(nullptr));
    }
    void TearDown() override
    {
        form.reset();
        SetMessageBoxHook(nullptr);
        framebusy = false;
        fsinitdone = false;
        exiting = false;
        cadblocks.Fill(true);
        GameDataFolder::TearDown();
    }

    // Every block records that it ran; block `failing` raises first.
    void RecordBlocks(int failing = 0)
    {
        ran.clear();
        for (int k = 1; k <= 8; ++k) {
            form->FrameBlocks[k] = [this, k, failing](double) {
                if (k == failing) throw Exception("block " + std::to_string(k) + " failed");
                ran.push_back(k);
            };
        }
    }

    std::unique_ptr<TForm1, TFreeDeleter> form;
    std::vector<int> ran;
};

TEST_F(FrameWindow, AFailingBlockPutsItsTagInTheCaptionAndTheLaterBlocksStillRun)
{
    RecordBlocks(3);
    form->CadencerRun(0.01);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 4, 5, 6, 7, 8}));
    EXPECT_EQ(frameerrors, "b3");
    EXPECT_EQ(form->Caption(), "b3");
    EXPECT_FALSE(framerunning);

    // The block is tried again on the next frame; a frame without failures leaves the caption alone.
    form->SetCaption("Mirefall");
    RecordBlocks();
    form->CadencerRun(0.01);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(frameerrors, "");
    EXPECT_EQ(form->Caption(), "Mirefall");
}

TEST_F(FrameWindow, SwitchedOffBlocksAreSkipped)
{
    RecordBlocks();
    cadblocks[2] = false;
    cadblocks[8] = false;
    form->CadencerRun(0.01);
    EXPECT_EQ(ran, (std::vector<int>{1, 3, 4, 5, 6, 7}));
}

TEST_F(FrameWindow, WhileALevelIsBusyOnlyTheLoadScreenRuns)
{
    RecordBlocks();
    levelbusy = true;
    envindex = 2;
    loadscrno = 1;
    mapname = "The Sunken Crypt";
    strarr[301] = "Loading";
    form->CadencerRun(0.01);
    EXPECT_TRUE(ran.empty());
    EXPECT_TRUE(form->dcload->Visible());
    EXPECT_EQ(form->loadscr_b->Material()->LibMaterialName(), "etex_2_0");
    EXPECT_EQ(form->loadscr_f->Material()->LibMaterialName(), "loadscr_1");
    EXPECT_EQ(form->loadtxt->Text(), "Loading");
    EXPECT_EQ(form->levelname->Text(), "The Sunken Crypt");
    EXPECT_FLOAT_EQ(form->levelname->Position()->Y(), 40);

    // Saving says so; once the level is ready the load screen goes.
    levelsaving = true;
    strarr[302] = "Saving";
    form->CadencerRun(0.01);
    EXPECT_EQ(form->loadtxt->Text(), "Saving");
    levelbusy = false;
    form->CadencerRun(0.01);
    EXPECT_FALSE(form->dcload->Visible());
    EXPECT_EQ(form->loadscr_f->Material()->LibMaterialName(), "---");
    EXPECT_EQ(ran.size(), 8u);
}

TEST_F(FrameWindow, AMapReadInPlayShowsARandomPictureAndTheNameOfTheLevelBeingRead)
{
    TScopedValue<int32_t> pictures(loadscrcount, 3);
    SetRandSeed(7);
    std::set<int32_t> drawn;
    for (int k = 0; k < 30; ++k) {
        form->LoadScreenProgress();
        drawn.insert(loadscrno);
    }
    EXPECT_EQ(drawn, (std::set<int32_t>{0, 1, 2}));

    // While the read runs the level before is still the current one.
    mapname = "The Flooded Cellar";
    levelbusy = true;
    form->LoadScreenProgress()("The Sunken Crypt");
    EXPECT_TRUE(form->dcload->Visible());
    EXPECT_EQ(form->loadscr_f->Material()->LibMaterialName(), "loadscr_" + std::to_string(loadscrno));
    EXPECT_EQ(form->levelname->Text(), "The Sunken Crypt");
    levelbusy = false;
    form->ProcessLoadScreen();
    levelbusy = true;
    form->ProcessLoadScreen();
    EXPECT_EQ(form->levelname->Text(), "The Flooded Cellar");
}

TEST_F(FrameWindow, TheLoadScreenCoversTheViewWithThePictureScaledInTheMiddle)
{
    levelbusy = true;
    scrw = 1280;
    scrh = 720;
    form->ProcessLoadScreen();
    EXPECT_FLOAT_EQ(form->loadscr_b->Width(), 1280);
    EXPECT_FLOAT_EQ(form->loadscr_b->Height(), 720);
    EXPECT_FLOAT_EQ(form->loadscr_f->Width(), 768);
    EXPECT_FLOAT_EQ(form->loadscr_f->Height(), 576);
    for (TGLHUDSprite* sprite : {form->loadscr_b, form->loadscr_f}) {
        EXPECT_FLOAT_EQ(sprite->Position()->X(), 640);
        EXPECT_FLOAT_EQ(sprite->Position()->Y(), 360);
    }
}

TEST_F(FrameWindow, AfterExitTheNextFrameStopsTheCadencerAndRunsNothing)
{
    RecordBlocks();
    form->GLCadencer1->SetEnabled(true);
    exiting = true;
    form->SetCaption("Mirefall");
    form->CadencerRun(0.01);
    EXPECT_FALSE(form->GLCadencer1->Enabled());
    EXPECT_TRUE(ran.empty());
    EXPECT_FALSE(fsinitdone);
    EXPECT_EQ(form->Caption(), "Mirefall");
}

TEST_F(FrameWindow, FramesRunDirectlyOrThroughTheFrameObjectAlike)
{
    RecordBlocks();
    framethread = std::make_unique<TGHThread>(form.get());
    for (const bool threaded : {false, true}) {
        multithread = threaded;
        ran.clear();
        form->GLCadencer1Progress(form->GLCadencer1, 0.02, 1.0);
        EXPECT_EQ(ran.size(), 8u) << "multithread " << threaded;
        EXPECT_FALSE(framebusy);
    }
    // A frame still pending takes the tick: none runs.
    framebusy = true;
    ran.clear();
    form->GLCadencer1Progress(form->GLCadencer1, 0.02, 1.0);
    EXPECT_TRUE(ran.empty());
    framethread.reset();
}

TEST_F(FrameWindow, AHiddenFullScreenWindowLaysTheHUDOutAtTheFullScreenSize)
{
    fsinitdone = true;
    fswidth = 1600;
    fsheight = 900;
    const int32_t viewWidth = form->VAVodadViewer1->Width(), viewHeight = form->VAVodadViewer1->Height();
    ASSERT_NE(viewWidth, 1600);
    for (const bool full : {false, true}) {
        fullscreen = full;
        form->CadencerRun(0.01);
        EXPECT_EQ(scrw, full ? 1600 : viewWidth);
        EXPECT_EQ(scrh, full ? 900 : viewHeight);
    }
    fullscreen = false;
}

TEST_F(FrameWindow, ResizingKeepsTheMinimumAndPutsThePlayedCardsAtTheirRestingPoints)
{
    form->SetBounds(0, 0, 800, 600);
    uirefresh = false;
    form->FormResize(form.get());
    EXPECT_EQ(form->ClientWidth(), 1024);
    EXPECT_EQ(form->ClientHeight(), 600);
    EXPECT_TRUE(uirefresh);
    EXPECT_EQ(scrw, 1024);
    EXPECT_EQ(scrh, 600);
    EXPECT_FLOAT_EQ(form->usedcard->Position()->X(), form->usedcard->Width() / 2 + 5);
    EXPECT_FLOAT_EQ(form->usedcard2->Position()->X(), 1024 - (form->usedcard2->Width() / 2 + 5));
    EXPECT_FLOAT_EQ(form->usedcard->Position()->Y(), 300);
    EXPECT_FLOAT_EQ(form->usedcard2->Position()->Y(), 300);
    // Both pixel sizes of the pixelate shader follow the width.
    EXPECT_FLOAT_EQ(form->PixelateShader->PixelWidth(), 1024 / 800.0f);
    EXPECT_FLOAT_EQ(form->PixelateShader->PixelHeight(), 1024 / 600.0f);
}

TEST_F(FrameWindow, FullScreenIsABorderlessStayOnTopWindowAndEitherWayItIsMaximised)
{
    fullscreen = true;
    form->InitFullscreen();
    EXPECT_EQ(form->BorderStyle(), bsNone);
    EXPECT_EQ(form->FormStyle(), fsStayOnTop);
    EXPECT_EQ(form->WindowState(), wsMaximized);
    fullscreen = false;
    form->InitFullscreen();
    EXPECT_EQ(form->BorderStyle(), bsSizeable);
    EXPECT_EQ(form->FormStyle(), fsNormal);
    EXPECT_EQ(form->WindowState(), wsMaximized);
}

TEST_F(FrameWindow, ExitingSilencesTheGameInMemoryAndEndsTheApplicationOnce)
{
    // A stand-in application of the test's own takes the request to end, so the test program goes on.
    TApplication* const testApplication = Application;
    Application = nullptr;
    {
        TApplication standIn;
        musicon = true;
        soundon = true;
        gslist.push_back(globscript{});
        TCloseAction action = caHide;
        form->FormClose(form.get(), action);
        EXPECT_TRUE(exiting);
        EXPECT_FALSE(musicon);
        EXPECT_FALSE(soundon);
        EXPECT_TRUE(gslist.empty());
        EXPECT_TRUE(standIn.Terminated());
        EXPECT_NO_THROW(form->ExitGame());
    }
    Application = testApplication;
    EXPECT_FALSE(FileExists(folder / "gh.cfg"));
}

TEST_F(FrameWindow, ASnapShotOfAViewWithoutAFrameIsReportedWithoutRaising)
{
    TGLLogCapture log;
    EXPECT_NO_THROW(form->TakeSnapShot());
    EXPECT_TRUE(log.Contains("screenshot")) << ::testing::PrintToString(log.Texts());
    EXPECT_FALSE(std::filesystem::exists(folder / "screenshots/sshot_1.jpg"));
}

// The main window with its window procedure in reach.
class TMessagedMainWindow : public TForm1 {
public:
    using TForm1::TForm1;
    using TForm1::WndProc;
};

TEST_F(FrameWindow, TheMinimiseCommandMinimisesTheApplicationAndOtherCommandsPassOn)
{
    std::unique_ptr<TMessagedMainWindow, TFreeDeleter> window(new TMessagedMainWindow(nullptr));
    std::unique_ptr<TForm, TFreeDeleter> other(new TForm(nullptr));
    other->Show();
    TMessage restore{WM_SYSCOMMAND, 0xF120, 0, 0};
    window->WndProc(restore);
    EXPECT_NE(other->WindowState(), wsMinimized);
    TMessage minimise{WM_SYSCOMMAND, SC_MINIMIZE, 0, 0};
    window->WndProc(minimise);
    EXPECT_EQ(other->WindowState(), wsMinimized);
}

TEST_F(FrameWindow, BlockB1CoversTheViewBehindARequestFormAndDressesThePlayer)
{
    scrw = 1280;
    scrh = 720;
    form->reqform->SetVisible(true);
    form->playercone->SetVisible(true);
    levelsteps = 400;
    items[5].l_armor = 7;
    items[6].l_hat = 9;
    equipped[2] = 5;
    equipped[3] = 6;
    form->FrameBlockB1(0.01);
    EXPECT_TRUE(form->reqform_dark->Visible());
    EXPECT_FLOAT_EQ(form->reqform_dark->Width(), 1280);
    EXPECT_FLOAT_EQ(form->reqform_dark->Height(), 720);
    EXPECT_FLOAT_EQ(form->reqform_dark->Position()->X(), 640);
    EXPECT_FLOAT_EQ(form->reqform_dark->Position()->Y(), 360);
    EXPECT_FALSE(form->playercone->Visible());
    EXPECT_DOUBLE_EQ(stepscale, 0.5);
    EXPECT_EQ(player.cloth, 7);
    EXPECT_EQ(player.hat, 9);

    // A slot holding no item, or an id past the item table, leaves the pictures as they are.
    form->reqform->SetVisible(false);
    for (const int32_t id : {-1, 1001}) {
        equipped[2] = id;
        equipped[3] = id;
        form->FrameBlockB1(0.01);
        EXPECT_EQ(player.cloth, 7) << id;
        EXPECT_EQ(player.hat, 9) << id;
    }
    EXPECT_FALSE(form->reqform_dark->Visible());
}

TEST_F(FrameWindow, BlockB1ClosesTheItemListUnderOtherScreensAndShowsItsCubeWithIt)
{
    struct TCase {
        bool inventory, mainMenu, requestForm, itemListAfter;
    };
    for (const TCase& c : {TCase{false, false, false, true}, TCase{true, false, false, false},
                           TCase{false, true, false, false}, TCase{false, false, true, false}}) {
        itemlistmode = true;
        invmode = c.inventory;
        mmmode = c.mainMenu;
        rfmode = c.requestForm;
        form->FrameBlockB1(0.01);
        EXPECT_EQ(itemlistmode, c.itemListAfter) << c.inventory << c.mainMenu << c.requestForm;
        EXPECT_EQ(form->inventory->Visible(), c.itemListAfter) << c.inventory << c.mainMenu << c.requestForm;
    }
}

TEST_F(FrameWindow, BlockB1PutsTheChosenCardInTheHandOnlyInBattle)
{
    activecard = 12;
    player.hand[6] = 3;
    form->FrameBlockB1(0.01);
    EXPECT_EQ(player.hand[6], 3);
    btlmode = true;
    form->FrameBlockB1(0.01);
    EXPECT_EQ(player.hand[6], 12);
}

TEST_F(FrameWindow, BlockB1OpensABattleForTheFirstQueuedEnemyAndLetsLaterOnesJoinAndB5RunsIt)
{
    for (const int32_t id : {0, 5}) {
        monsters[id].name = "m" + std::to_string(id);
        monsters[id].enem_id = id;
        monsters[id].endurance = 10;
    }
    player.lvl = 1;
    player.endurance = 10;
    playercardflying = enemycardflying = false; // a card played by an earlier test may still be in flight
    battlelist[1] = 5;
    form->FrameBlockB1(0.01);
    EXPECT_FALSE(btlmode) << "nothing opens before the first entry";
    battlelist[0] = 0;
    form->FrameBlockB1(0.01);
    ASSERT_TRUE(btlmode);
    EXPECT_EQ(btlslots[0].name, "m0");
    EXPECT_EQ(btlslots[1].name, "m5") << "the entry queued beyond the first joins in the same frame";
    btlslots[1].name = "nil";
    btlslots[1].blind = -1;
    form->FrameBlockB1(0.01);
    EXPECT_EQ(btlslots[1].name, "m5");

    // In the player's turn the frame starts it and shows the targeted enemy.
    btlturn = 0;
    btltarget = 1;
    shownenemy = -1;
    turnstarted.Fill(false);
    form->FrameBlockB5(0.01);
    ASSERT_TRUE(btlmode);
    EXPECT_TRUE(turnstarted[0]);
    EXPECT_EQ(shownenemy, 5);
    btlmode = false;
    btlturn = btltarget = 0;
    turnstarted.Fill(false);
}

TEST_F(FrameWindow, BlockB3ShowsTheCharacterScreenAndTheMainMenuWithTheirModes)
{
    invmode = true;
    mmmode = false;
    form->FrameBlockB3(0.01);
    EXPECT_TRUE(form->dccharscreen->Visible());
    EXPECT_TRUE(form->dctextdummy->Visible());
    EXPECT_FALSE(form->dcmenu->Visible());
    invmode = false;
    mmmode = true;
    form->FrameBlockB3(0.01);
    EXPECT_FALSE(form->dccharscreen->Visible());
    EXPECT_FALSE(form->dctextdummy->Visible());
    EXPECT_TRUE(form->dcmenu->Visible());
}

TEST_F(FrameWindow, BlockB5HalvesTheViewRoundingHalvesToEven)
{
    scrw = 1025;
    scrh = 579;
    form->FrameBlockB5(0.01);
    EXPECT_EQ(halfw, 512);
    EXPECT_EQ(halfh, 290);
    EXPECT_EQ(fullw, 1025);
    EXPECT_EQ(fullh, 579);
}

TEST_F(FrameWindow, BlockB8StepsTheFreeMeshClockAtItsRate)
{
    fmbtime = 0;
    lessredraws = true;
    form->FrameBlockB8(0.004);
    EXPECT_EQ(fmbrate, 100);
    EXPECT_DOUBLE_EQ(fmbtime, 0.004);
    form->FrameBlockB8(0.007); // past 1/100 s: the step takes the time
    EXPECT_DOUBLE_EQ(fmbtime, 0);
    lessredraws = false;
    form->FrameBlockB8(0.002);
    EXPECT_EQ(fmbrate, 1000);
    EXPECT_DOUBLE_EQ(fmbtime, 0);
}

TEST_F(FrameWindow, TheOneSecondTimersMarkTheScreenAndWriteTheCaption)
{
    uirefresh = false;
    form->Timer1Timer(nullptr);
    EXPECT_TRUE(uirefresh);

    appversion = "0.1.0.0";
    viewdist = 12;
    mbdcount = 4;
    playerx = 3;
    playery = 8;
    form->Timer2Timer(nullptr);
    EXPECT_EQ(form->Caption(),
              TForm1::FrameRateCaption("0.1.0.0", form->VAVodadViewer1->FramesPerSecondText(1), 12, 4));
    EXPECT_EQ(form->Caption().rfind("Mirefall v. 0.1.0.0. FPS: ", 0), 0u) << form->Caption();
    EXPECT_EQ(lastpx, 3);
    EXPECT_EQ(lastpy, 8);
}

TEST_F(FrameWindow, ClosingAsksTheLocalisedQuestionInABoxOrInFullScreenInTheView)
{
    strarr[345] = "Leave the dungeon?";
    std::vector<std::string> asked;
    TModalResult answer = mrNo;
    SetMessageBoxHook([&](const TMessageBoxRequest& request) {
        asked.push_back(request.Text);
        EXPECT_EQ(request.Buttons, mbsYesNo);
        return answer;
    });
    for (const TModalResult given : {mrNo, mrYes}) {
        answer = given;
        bool canClose = given == mrNo;
        form->FormCloseQuery(form.get(), canClose);
        EXPECT_EQ(canClose, given == mrYes);
    }
    EXPECT_EQ(asked, std::vector<std::string>(2, "Leave the dungeon?"));

    // In full screen the window stays and the question waits as a request whose OK exits.
    fullscreen = true;
    bool canClose = true;
    form->FormCloseQuery(form.get(), canClose);
    fullscreen = false;
    EXPECT_FALSE(canClose);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_TRUE(rfqueue[1].active);
    EXPECT_EQ(rfqueue[1].main_text, "Leave the dungeon?");
    EXPECT_EQ(rfqueue[1].tp, 1);
    EXPECT_EQ(rfqueue[1].fcase, 30);
    EXPECT_FALSE(exiting);
}

TEST_F(FrameWindow, AntiAliasingFollowsTheIndexAndIgnoresOthers)
{
    TVAVodadBuffer* buffer = form->VAVodadViewer1->Buffer();
    const TGLAntiAliasing expected[] = {aaNone, aa2x, aa4x, aa8x, aa16x};
    for (int32_t i = 0; i < 5; ++i) {
        form->SwitchAA(i);
        EXPECT_EQ(buffer->AntiAliasing(), expected[i]) << i;
    }
    for (const int32_t i : {5, -1}) {
        form->SwitchAA(i);
        EXPECT_EQ(buffer->AntiAliasing(), aa16x) << i;
    }
}

} // namespace
