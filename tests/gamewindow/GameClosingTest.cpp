// Closing the game's window: the close question in a Yes/No box, No keeping the game running, Yes ending it
// without writing anything.
#include "GLCadencer.h"
#include "GameWindow.h"
#include "UGH_data.h"
#include "Windows.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string FileBytes(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class GameClosing : public GameWindowEnding {};

TEST_F(GameClosing, TheCloseQuestionKeepsTheGameOnNoAndEndsItOnYes)
{
    const std::string settings = FileBytes(gamedir + "/gh.cfg");
    ASSERT_FALSE(settings.empty());
    ASSERT_FALSE(strarr[345].empty());

    MessageBoxes().QueueAnswer(mrNo);
    PostMessage(Game().Handle(), WM_CLOSE, 0, 0);
    Application->ProcessMessages();
    ASSERT_EQ(MessageBoxes().Shown().size(), 1u);
    EXPECT_EQ(MessageBoxes().Shown()[0].Text, strarr[345]);
    EXPECT_EQ(MessageBoxes().Shown()[0].Buttons, mbsYesNo);
    EXPECT_FALSE(exiting);
    EXPECT_FALSE(Application->Terminated());
    EXPECT_TRUE(Game().Visible());
    // The game goes on: frames run and are painted.
    const int64_t painted = PaintedFrames();
    halfw = -1;
    StepFrames(3);
    EXPECT_EQ(halfw, scrw / 2);
    EXPECT_GT(PaintedFrames(), painted);
    EXPECT_TRUE(Game().GLCadencer1->Enabled());

    MessageBoxes().QueueAnswer(mrYes);
    PostMessage(Game().Handle(), WM_CLOSE, 0, 0);
    Application->ProcessMessages();
    ASSERT_EQ(MessageBoxes().Shown().size(), 2u);
    EXPECT_EQ(MessageBoxes().Shown()[1].Text, strarr[345]);
    EXPECT_TRUE(exiting);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(soundon);
    EXPECT_FALSE(musicon);
    // The next frame stops the clock and runs no block.
    halfw = -1;
    StepFrames(1);
    EXPECT_FALSE(Game().GLCadencer1->Enabled());
    EXPECT_EQ(halfw, -1);
    // Sound switched off only in memory: the settings file is as it was.
    EXPECT_EQ(FileBytes(gamedir + "/gh.cfg"), settings);
}

} // namespace
