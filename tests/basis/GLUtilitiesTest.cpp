#include "GLUtilities.h"

#include "Dialogs.h"
#include "Streams.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(GLUtilitiesTest, NextPowerOfTwo)
{
    const std::pair<int32_t, int32_t> cases[] = {{-5, 1}, {0, 1}, {1, 1}, {2, 2}, {3, 4},
                                                 {256, 256}, {257, 512}, {1 << 30, 1 << 30}};
    for (auto [v, expected] : cases) EXPECT_EQ(NextPowerOfTwo(v), expected) << v;
    EXPECT_THROW(NextPowerOfTwo((1 << 30) + 1), EAssertionFailed);
}

TEST(GLUtilitiesTest, CRLFLinesAndTheEndOfTheStream)
{
    TStringStream stream;
    WriteLineWithCRLF(stream, "first");
    WriteLineWithCRLF(stream, "");
    WriteLineWithCRLF(stream, "lone\rCR and lone\nLF");
    stream.WriteBuffer("no end", 6);
    EXPECT_EQ(stream.DataString(), "first\r\n\r\nlone\rCR and lone\nLF\r\nno end");

    stream.SetPosition(0);
    EXPECT_EQ(ReadLineUntilCRLF(stream), "first");
    EXPECT_EQ(ReadLineUntilCRLF(stream), "");
    std::string line;
    ReadLineUntilCRLF(stream, line);
    EXPECT_EQ(line, "lone\rCR and lone\nLF");
    EXPECT_EQ(ReadLineUntilCRLF(stream), "no end");
    EXPECT_EQ(ReadLineUntilCRLF(stream), "");
    EXPECT_EQ(stream.Position(), stream.Size());
}

TEST(GLUtilitiesTest, TryTextToFloat)
{
    const std::string manyDigits = "1" + std::string(30, '0') + ".5";
    const std::string tinyFraction = "0." + std::string(400, '0') + "1";
    const struct {
        std::string text;
        bool ok;
        double value;
    } cases[] = {
        {"12.5", true, 12.5},
        {"1,5E2", true, 150},
        {"2E-1", true, 0.2},
        {"-3.25e+1", true, -32.5},
        {" 7", true, 7},
        {"0 5", true, 5},
        {"5  ", true, 5},
        {"-", true, 0},
        {"12.", true, 12},
        {"1e+", true, 1},
        {"e5", true, 0},
        {manyDigits, true, 1e30},
        {tinyFraction, true, 0},
        {"1e99999999999999999999999", true, HUGE_VAL},
        {"-1e99999999999999999999999", true, -HUGE_VAL},
        {"1e-99999999999999999999999", true, 0},
        {"0e99999999999999999999999", true, 0},
        {"", false, 0},
        {"3 4", false, 0},
        {"1e", false, 0},
        {"1.2.3", false, 0},
        {"1.2,3", false, 0},
        {"+-1", false, 0},
        {" -1", false, 0},
        {"1e5e3", false, 0},
        {"1e 5", false, 0},
        {"1e+-5", false, 0},
        {"0x10", false, 0},
        {"12a", false, 0},
    };
    for (const auto& c : cases) {
        double value = -123;
        EXPECT_EQ(TryTextToFloat(c.text, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(value, c.value) << c.text;
        }
        EXPECT_DOUBLE_EQ(TextToFloatDef(c.text, -1), c.ok ? c.value : -1) << c.text;
    }
}

TEST(GLUtilitiesTest, WholeFilesThroughTheHookedDoor)
{
    TempFolder folder;
    const std::string bytes("binary\0\xFF text", 13);
    std::filesystem::create_directory(folder.path / "data");
    WriteAnsiTextFile(folder / "Data\\Notes.TXT", bytes);
    EXPECT_EQ(folder.Read("data/Notes.TXT"), bytes);
    std::string read = "stale";
    ReadAnsiTextFile(folder / "data\\notes.txt", read);
    EXPECT_EQ(read, bytes);
    EXPECT_EQ(FileByteSize(folder / "DATA/notes.txt"), 13);

    WriteAnsiTextFile(folder / "empty.txt", "");
    EXPECT_EQ(FileByteSize(folder / "empty.txt"), 0);
    ReadAnsiTextFile(folder / "missing.txt", read);
    EXPECT_EQ(read, "");
    EXPECT_EQ(FileByteSize(folder / "missing.txt"), 0);
}

TEST(GLUtilitiesTest, SqrtByteTable)
{
    const uint8_t* table = SqrtByteTable();
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[1], 15);
    EXPECT_EQ(table[64], 127);
    EXPECT_EQ(table[255], 255);
    EXPECT_EQ(SqrtByteTable(), table);
}

TEST(GLUtilitiesTest, DialogsAskThroughTheHookAndAnswerTheDefaultWithoutOne)
{
    std::vector<TMessageBoxRequest> asked;
    SetMessageBoxHook([&asked](const TMessageBoxRequest& request) {
        asked.push_back(request);
        return mrNo;
    });
    ShowInfoMessage("saved");
    EXPECT_FALSE(AskYesNo("Overwrite?"));
    SetMessageBoxHook(nullptr);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].Text, "saved");
    EXPECT_EQ(asked[0].Buttons, mbsOK);
    EXPECT_EQ(asked[1].Text, "Overwrite?");
    EXPECT_EQ(asked[1].Kind, mtConfirmation);
    EXPECT_EQ(asked[1].Buttons, mbsYesNo);
    EXPECT_TRUE(AskYesNo("Without a user interface the default answers")); // Yes, written to stderr

    std::string fileName = "shot.png";
    EXPECT_FALSE(ExecuteSavePictureDialog(fileName, "Save as"));
    EXPECT_EQ(fileName, "shot.png");
    SetSavePictureDialogHook([](const TSavePictureRequest& request, std::string& chosen) {
        chosen = request.Title + "/" + request.FileName;
        return true;
    });
    EXPECT_TRUE(ExecuteSavePictureDialog(fileName, "Save as"));
    SetSavePictureDialogHook(nullptr);
    EXPECT_EQ(fileName, "Save as/shot.png");
}
