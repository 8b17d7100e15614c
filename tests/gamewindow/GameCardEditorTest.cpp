// The card editor beside the running game, shown from the map editor's Editors menu: card 0 chosen from its list
// is drawn in the preview, its damage changed, saved and its pictures written where the game's start-up reads them.
// A picture of the preview.
#include "GameWindow.h"
#include "Menus.h"
#include "PngImage.h"
#include "UGH_cardimage.h"
#include "UGH_data.h"
#include "UGH_tables.h"
#include "UGHcardedit.h"
#include "UGHmapedit.h"
#include "VirtualKeys.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string FileBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Card 0's file and pictures as the build wrote them, put back after the test.
class TCardZeroBackup {
public:
    TCardZeroBackup()
    {
        for (const fs::path& file : Files()) FBytes.push_back(FileBytes(file));
    }
    ~TCardZeroBackup()
    {
        for (std::size_t i = 0; i < Files().size(); ++i)
            std::ofstream(Files()[i], std::ios::binary | std::ios::trunc) << FBytes[i];
    }
    static std::vector<fs::path> Files()
    {
        std::vector<fs::path> files{GamePath("\\cards\\0.crd")};
        for (int32_t pass : {0, 1, 2}) files.emplace_back(GamePath(CardPngPath("en", 0, pass)));
        return files;
    }

private:
    std::vector<std::string> FBytes;
};

class GameCardEditor : public GameWindow {};

TEST_F(GameCardEditor, CardZeroChangedSavedAndDrawnWhereTheStartUpReadsIt)
{
    const TCardZeroBackup backup;
    const std::string picture = FileBytes(GamePath(CardPngPath("en", 0, 0)));
    PressKey(VK_F1 + 3); // F4
    ASSERT_TRUE(Form2->Visible());
    Form2->Cardeditor1->Click();
    ASSERT_TRUE(Form3->Visible());
    EXPECT_EQ(Form3->ComboBox2->Items()->Count(), cardcount);
    StepFrames(1);

    // In the game's language, card 0 draws as the build drew it.
    Form3->Edit2->SetText(lng);
    Form3->Button9->Click();
    Form3->ComboBox2->SetItemIndex(0);
    Form3->ComboBox2Change(Form3->ComboBox2);
    EXPECT_EQ(Form3->Edit1->Text(), "0");
    EXPECT_EQ(Form3->LabeledEdit3->Text(), IntToStr(cards[0].dmgph));
    EXPECT_EQ(CardPng(*Form3->Image1->Picture()->Bitmap()), picture);

    // Its damage raised, saved and drawn: the files the next start reads hold it.
    const int32_t damage = cards[0].dmgph + 5;
    Form3->LabeledEdit3->SetText(IntToStr(damage));
    Form3->Timer1Timer(Form3->Timer1);
    Form3->Button2->Click(); // save
    Form3->Button4->Click(); // Save
    EXPECT_EQ(LoadCard(GamePath("\\cards\\0.crd"), lng).dmgph, damage);
    const std::string drawn = FileBytes(GamePath(CardPngPath("en", 0, 0)));
    EXPECT_NE(drawn, picture);
    EXPECT_EQ(CardPng(*Form3->Image1->Picture()->Bitmap()), drawn);
    SavePicture(*Form3->Image1->Picture()->Bitmap(), "card-editor-card0.png");
    Form3->Hide();
    Form2->Hide();
}

} // namespace
