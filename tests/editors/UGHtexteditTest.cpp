// The text editor: which files the ticks choose (script and journal together, the journal last), loading all or nothing,
// saving, the first free journal number, and the journal entry point the character editor uses.
#include "UGHtextedit.h"

#include "UGH_tables.h"

#include "Components.h"
#include "ContentEditorFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class TextEditor : public ContentEditorFixture {
protected:
    // The files of the current ticks, as "<memo> <path>".
    std::vector<std::string> Files()
    {
        std::vector<std::string> files;
        for (const TForm8::TTextFile& file : form->TextFiles())
            files.push_back(std::string(file.Memo == form->Memo1 ? "header " : "text ") + file.Path);
        return files;
    }
    void Tick(bool plain, bool script, bool journal)
    {
        form->CheckBox1->SetChecked(plain);
        form->CheckBox2->SetChecked(script);
        form->CheckBox3->SetChecked(journal);
    }

    std::unique_ptr<TForm8, TFreeDeleter> form{new TForm8(nullptr)};
};

TEST_F(TextEditor, TheTicksChooseTheFiles)
{
    form->Edit1->SetText("7");
    form->Edit2->SetText("ru");
    struct Case {
        bool plain, script, journal;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {false, false, false, {"header \\text\\ru\\txt_7_h.txt", "text \\text\\ru\\txt_7.txt"}},
        // The check boxes for scripts and journals only count with "Plain text".
        {false, true, false, {"header \\text\\ru\\txt_7_h.txt", "text \\text\\ru\\txt_7.txt"}},
        {true, false, false, {"text \\text\\ru\\7.txt"}},
        {true, true, false, {"text \\scripts\\7.txt"}},
        {true, false, true, {"text \\text\\ru\\journal\\jrn_7.txt"}},
        {true, true, true, {"text \\scripts\\7.txt", "text \\text\\ru\\journal\\jrn_7.txt"}},
    };
    for (const Case& c : cases) {
        Tick(c.plain, c.script, c.journal);
        EXPECT_EQ(Files(), c.files) << c.plain << c.script << c.journal;
    }
}

// Script and journal ticked together: the load leaves the journal page in the memo, the save writes the memo into
// both; a missing one of the two changes nothing.
TEST_F(TextEditor, ScriptAndJournalTogetherLoadTheJournalLast)
{
    WriteLines("scripts/3.txt", {"SetInt 1,1;"});
    WriteLines("text/en/journal/jrn_3.txt", {"Day one."});
    form->Edit1->SetText("3");
    Tick(true, true, true);
    EXPECT_TRUE(form->CheckBox2->Checked() && form->CheckBox3->Checked());
    form->Button2->Click();
    EXPECT_EQ(form->Memo2->Text(), "Day one.");
    form->Memo2->Lines()->Add("Day two.");
    form->Button1->Click();
    const std::vector<std::string> both{"Day one.", "Day two."};
    EXPECT_EQ(ReadLines("scripts/3.txt"), both);
    EXPECT_EQ(ReadLines("text/en/journal/jrn_3.txt"), both);

    form->Edit1->SetText("4"); // no script 4
    WriteLines("text/en/journal/jrn_4.txt", {"Day four."});
    form->Button2->Click();
    EXPECT_EQ(form->Memo2->Lines()->Count(), 2);

    for (const char* page : {"text/en/journal/jrn_0.txt", "text/en/journal/jrn_1.txt", "text/en/journal/jrn_2.txt"})
        WriteLines(page, {"A page."});
    form->Button4->Click();
    EXPECT_EQ(form->Edit1->Text(), "5");
    form->Edit2->SetText("ru");
    form->Button4->Click();
    EXPECT_EQ(form->Edit1->Text(), "0");
}

TEST_F(TextEditor, OpenJournalShowsThePage)
{
    WriteLines("text/en/journal/jrn_7.txt", {"The seventh page."});
    form->CheckBox2->SetChecked(true);
    EXPECT_FALSE(form->Timer1->Enabled());
    form->OpenJournal("7");
    // The timer runs only while the window is shown.
    EXPECT_TRUE(form->Timer1->Enabled());
    EXPECT_TRUE(form->CheckBox1->Checked());
    EXPECT_FALSE(form->CheckBox2->Checked());
    EXPECT_TRUE(form->CheckBox3->Checked());
    EXPECT_EQ(form->Memo2->Text(), "The seventh page.");
    form->Hide();
    EXPECT_FALSE(form->Timer1->Enabled());
}

TEST_F(TextEditor, ShowStrarrListsEveryString)
{
    strarr[5] = "Sword";
    form->Button3->Click();
    ASSERT_EQ(form->Memo2->Lines()->Count(), 10001);
    EXPECT_EQ(form->Memo2->Lines()->Get(5), "5) Sword");
    EXPECT_EQ(form->Memo2->Lines()->Get(10000), "10000) ");
}

} // namespace
