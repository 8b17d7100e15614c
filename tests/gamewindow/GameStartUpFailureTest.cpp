// A start-up on a copy of the demo adventure that lacks its string table. It runs in a child process of its own
// (a death test that runs the test program again): a start-up sets the game's globals and windows for good, so
// it cannot share a process with the game the other suites run.
#include "Dialogs.h"
#include "FileUtils.h"
#include "GLCadencer.h"
#include "DemoDataCopy.h"
#include "TempFolder.h"
#include "UGH_main.h"
#include "UGH_program.h"
#include "VAVodadInit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

TEST(GameStartUpFailure, TheDemoWithoutItsStringTableStopsAtThatStageWithOneBoxNamingTheFile)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempFolder data;
    CopyDemoData(ProgramFolder(), data.path);
    ASSERT_TRUE(std::filesystem::remove(data.path / "text" / "en" / "strings.txt"));

    // The child reports what it saw on one line and ends at once: exit code 0 says it ended there and cleanly.
    EXPECT_EXIT(
        {
            std::string boxes;
            int count = 0;
            SetMessageBoxHook([&](const TMessageBoxRequest& request) {
                boxes += request.Text;
                ++count;
                return request.Default;
            });
            InitVAVodadWindows();
            TGameWindows windows = StartGame(data.path.string());
            std::fprintf(stderr, "started %d, battle log %d, clock %d, loading %d, boxes %d: %s\n",
                         windows.Started, windows.BattleLog != nullptr, windows.Main->GLCadencer1->Enabled(),
                         loading, count, boxes.c_str());
            std::filesystem::remove_all(data.path);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0),
        "started 0, battle log 0, clock 0, loading 1, boxes 1: "
        "The game could not start at stage 0 \\(Loading localization\\)[^\n]*strings\\.txt");
}

} // namespace
