// The settings window in the running game: the main menu's settings button opens it while the frames go on, the
// second adventure and a shorter view distance chosen there are written by OK, and a new game starts in that
// adventure. The game works on a copy of the demo adventure's configuration, so the program's own stays as it is.
#include "GLWin32Viewer.h"
#include "GameWindow.h"
#include "UGHSettings.h"
#include "UGH_data.h"
#include "UGH_tables.h"
#include "VirtualKeys.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

constexpr double cFrame = 0.5;

// The game starts a new adventure: the suite runs alone.
class GameSettings : public GameWindowEnding {
protected:
    static void Click(int32_t id) { ClickGameButton(id, cFrame); }
    // Answers every request on screen with Enter.
    static void AnswerAll()
    {
        for (int i = 0; i < 10 && rfmode; ++i) {
            PressKey(VK_RETURN);
            StepFrames(1, cFrame);
        }
    }
};

TEST_F(GameSettings, TheSecondAdventureChosenInTheWindowIsWhereANewGameStarts)
{
    TempFolder copy;
    const std::string programFolder = gamedir;
    namespace fs = std::filesystem;
    // The adventure's files, without the programs beside them, and its folders by links (only read here).
    for (const fs::directory_entry& entry : fs::directory_iterator(programFolder)) {
        if (entry.is_directory())
            fs::create_directory_symlink(entry.path(), copy.path / entry.path().filename());
        else if ((fs::status(entry).permissions() & fs::perms::owner_exec) == fs::perms::none)
            fs::copy(entry.path(), copy.path / entry.path().filename());
    }
    gamedir = copy.path.string();
    struct TBack {
        const std::string& folder;
        ~TBack() { gamedir = folder; }
    } back{programFolder};

    StepFrames(1, cFrame);
    ASSERT_TRUE(mmmode);
    ASSERT_NE(Form5, nullptr);
    ASSERT_FALSE(Form5->Visible());
    Click(32);
    ASSERT_TRUE(Form5->Visible());
    EXPECT_EQ(Form5->Caption(), strarr[108]);
    const int64_t painted = PaintedFrames();
    StepFrames(1, cFrame);
    EXPECT_GT(PaintedFrames(), painted) << "the game goes on behind the window";

    ASSERT_EQ(Form5->ComboBox6->Items()->Count(), 2);
    Form5->ComboBox6->SetItemIndex(1);
    Form5->Button6->Click();
    Form5->Edit7->SetText("10");
    Form5->Button2->Click();
    EXPECT_FALSE(Form5->Visible());
    EXPECT_TRUE(MessageBoxes().Shown().empty());
    const std::vector<std::string> lines = [&] {
        TLineBuffer buffer;
        buffer.LoadFromFile(copy / "gh.cfg");
        std::vector<std::string> read;
        for (int i = 0; i < buffer.Count(); ++i) read.push_back(buffer.ReadTextLine(i));
        return read;
    }();
    ASSERT_EQ(lines.size(), 45u);
    EXPECT_EQ(lines[42], "10");
    EXPECT_EQ(lines[43], "1");
    EXPECT_EQ(adventureid, "cave_");
    EXPECT_EQ(viewdist, 10);

    Click(20);
    ASSERT_TRUE(rfmode);
    AnswerAll();
    Click(0);
    AnswerAll();
    EXPECT_TRUE(ingame);
    EXPECT_EQ(mapid, "cave_startmap");
    StepFrames(1, cFrame);
    SavePicture(*Snapshot(), "settings-cave.png");
}

} // namespace
