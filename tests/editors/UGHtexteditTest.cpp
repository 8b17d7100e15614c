// The text editor: which files the ticks choose (a journal page never lands on a script), loading all or nothing,
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
    };
    for (const Case& c : cases) {
        Tick(c.plain, c.script, c.journal);
        EXPECT_EQ(Files(), c.files) << c.plain << c.script << c.journal;
    }
}

TEST_F(TextEditor, ScriptAndJournalExcludeEachOther)
{
    form->CheckBox1->SetChecked(true);
    form->CheckBox2->SetChecked(true);
    form->CheckBox3->SetChecked(true);
    EXPECT_FALSE(form->CheckBox2->Checked());
    EXPECT_EQ(Files(), (std::vector<std::string>{"text \\text\\en\\journal\\jrn_0.txt"}));
    form->CheckBox2->SetChecked(true);
    EXPECT_FALSE(form->CheckBox3->Checked());

    // A journal page loaded and saved with both boxes clicked in turn lands on the journal, not the script.
    WriteLines("scripts/3.txt", {"SetInt 1,1;"});
    WriteLines("text/en/journal/jrn_3.txt", {"Day one."});
    form->Edit1->SetText("3");
    form->Button2->Click();
    form->CheckBox3->SetChecked(true);
    form->Button2->Click();
    form->Memo2->Lines()->Add("Day two.");
    form->Button1->Click();
    EXPECT_EQ(ReadLines("scripts/3.txt"), std::vector<std::string>{"SetInt 1,1;"});
    EXPECT_EQ(ReadLines("text/en/journal/jrn_3.txt"), (std::vector<std::string>{"Day one.", "Day two."}));
}

TEST_F(TextEditor, AMessageLoadsWithItsHeaderOrNotAtAll)
{
    WriteLines("text/en/txt_4.txt", {"The door is locked.", "Find the key."});
    form->Edit1->SetText("4");
    form->Memo1->SetText("old header");
    form->Memo2->SetText("old text");
    form->Button2->Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("txt_4_h.txt"), std::string::npos) << messages[0];
    EXPECT_EQ(form->Memo1->Text(), "old header");
    EXPECT_EQ(form->Memo2->Text(), "old text");

    WriteLines("text/en/txt_4_h.txt", {"Locked"});
    form->Button2->Click();
    EXPECT_EQ(form->Memo1->Text(), "Locked");
    EXPECT_EQ(form->Memo2->Text(), "The door is locked.\r\nFind the key.");

    form->Edit1->SetText("5");
    form->Button1->Click();
    EXPECT_EQ(folder.Read("text/en/txt_5_h.txt"), "Locked\r\n");
    EXPECT_EQ(folder.Read("text/en/txt_5.txt"), "The door is locked.\r\nFind the key.\r\n");
}

TEST_F(TextEditor, NamesThatLeaveTheirFolderAreRefused)
{
    form->CheckBox1->SetChecked(true);
    form->Memo2->SetText("overwritten");
    for (const char* id : {"../gh", "a\\b", "..", ""}) {
        messages.clear();
        form->Edit1->SetText(id);
        form->Button1->Click();
        ASSERT_EQ(messages.size(), 1u) << id;
        EXPECT_EQ(messages[0].rfind("id: ", 0), 0u) << messages[0];
        EXPECT_TRUE(form->Edit1->Invalid());
    }
    form->Edit1->SetText("1");
    form->Edit2->SetText("..");
    form->Button1->Click();
    EXPECT_EQ(messages.back().rfind("locale: ", 0), 0u) << messages.back();
    EXPECT_FALSE(std::filesystem::exists(folder.path / "gh.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder.path / "text"));
}

TEST_F(TextEditor, FreeJournalNumberIsTheFirstGap)
{
    for (int n = 0; n < 5; ++n) WriteLines("text/en/journal/jrn_" + std::to_string(n) + ".txt", {"page"});
    WriteLines("text/ru/journal/jrn_1.txt", {"page"});
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
