// The splash window and a start-up that fails, without a display.
#include "UGHSplash.h"
#include "UGH_main.h"
#include "UGH_program.h"

#include "GameDataFolder.h"

#include "Dialogs.h"
#include "GLCadencer.h"
#include "ZODLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class GameStart : public GameDataFolder {
protected:
    void TearDown() override
    {
        SetMessageBoxHook(nullptr);
        loading = false;
        loadstatus.clear();
        loadstage = 0;
        GameDataFolder::TearDown();
    }
};

} // namespace

TEST_F(GameStart, TheSplashShowsExactlyWhileTheGameLoadsWithItsStatusAndStage)
{
    TGLLogCapture log;
    TForm10 splash(nullptr);
    EXPECT_TRUE(log.Contains("splashscreen.jpg")) << "a missing picture is logged and the splash goes on";
    EXPECT_EQ(splash.ClientWidth(), 450);
    EXPECT_EQ(splash.ClientHeight(), 300);
    EXPECT_EQ(splash.ProgressBar1->Max(), 15);
    EXPECT_EQ(splash.Timer1->Interval(), 55u);

    splash.Show();
    EXPECT_FALSE(splash.Visible()) << "nothing loads";
    loading = true;
    loadstatus = "Loading config";
    loadstage = 7;
    splash.Timer1Timer(&splash);
    EXPECT_TRUE(splash.Visible());
    EXPECT_EQ(splash.Memo1->Text(), "Loading config");
    EXPECT_EQ(splash.ProgressBar1->Position(), 7);
    loading = false;
    splash.Timer1Timer(&splash);
    EXPECT_FALSE(splash.Visible());
}

TEST_F(GameStart, AFailedStartUpShowsOneBoxNamingItsStageAndFileAndMakesNoMoreWindows)
{
    SaveSettings();
    std::vector<TMessageBoxRequest> boxes;
    SetMessageBoxHook([&](const TMessageBoxRequest& request) {
        boxes.push_back(request);
        return request.Default;
    });

    TGameWindows windows = StartGame(folder.path.string());

    EXPECT_FALSE(windows.Started);
    EXPECT_NE(windows.Splash, nullptr);
    EXPECT_EQ(windows.BattleLog, nullptr);
    EXPECT_FALSE(windows.Main->GLCadencer1->Enabled());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Kind, mtError);
    EXPECT_NE(boxes[0].Text.find("stage 0 (Loading localization)"), std::string::npos) << boxes[0].Text;
    EXPECT_NE(boxes[0].Text.find("strings.txt"), std::string::npos) << boxes[0].Text;
    FreeGameWindows(windows);
    EXPECT_EQ(Form1, nullptr);
    EXPECT_EQ(Form10, nullptr);
}
