// The desktop's "open" through xdg-open, and the spreadsheet program that writes a workbook and opens it.
#include "Dialogs.h"
#include "ProcessUntil.h"
#include "ShellOpen.h"
#include "SpreadsheetApp.h"
#include "SysUtils.h"
#include "TempFolder.h"
#include "ZipEntries.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

// PATH with only the given folder, for one test.
struct TPathOnly {
    explicit TPathOnly(const std::string& Folder) : FOld(std::getenv("PATH") ? std::getenv("PATH") : "")
    {
        setenv("PATH", Folder.c_str(), 1);
    }
    ~TPathOnly() { setenv("PATH", FOld.c_str(), 1); }
    std::string FOld;
};

// Messages shown while it lives.
struct TMessageRecorder {
    TMessageRecorder()
    {
        SetMessageBoxHook([this](const TMessageBoxRequest& request) {
            Texts.push_back(request.Text);
            return request.Default;
        });
    }
    ~TMessageRecorder() { SetMessageBoxHook(nullptr); }
    std::vector<std::string> Texts;
};

// The open requests while it lives; each answers Started and then reports Opened.
struct TOpenRecorder {
    TOpenRecorder()
    {
        SetShellOpenHook([this](const std::string& FileName, const TShellOpenDone& OnDone) {
            Files.push_back(FileName);
            if (Started && OnDone) OnDone(Opened);
            return Started;
        });
    }
    ~TOpenRecorder() { SetShellOpenHook(nullptr); }
    std::vector<std::string> Files;
    bool Started = true, Opened = true;
};

} // namespace

// The opener runs detached with the file as its argument; the message loop reaps it and reports its exit status.
TEST(ShellOpen, ReapsTheOpenerAndReportsItsStatus)
{
    for (const int status : {0, 3}) {
        TempFolder bin;
        const std::string argumentFile = bin / "argument";
        bin.Write("xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + argumentFile + "'\nexit " + std::to_string(status) + "\n");
        std::filesystem::permissions(bin.path / "xdg-open", std::filesystem::perms::owner_all);
        const TPathOnly path(bin.path.string());
        std::optional<bool> opened;
        ASSERT_TRUE(ShellOpen("/some/where/scripting_ref.docx", [&](bool Opened) { opened = Opened; }));
        ASSERT_TRUE(ProcessUntil([&] { return opened.has_value(); }, 4000)) << status;
        EXPECT_EQ(*opened, status == 0);
        EXPECT_EQ(bin.Read("argument"), "/some/where/scripting_ref.docx");
    }
}

TEST(ShellOpen, NoOpenerIsReportedAtOnce)
{
    TempFolder empty;
    const TPathOnly path(empty.path.string());
    bool called = false;
    EXPECT_FALSE(ShellOpen("a.xlsx", [&](bool) { called = true; }));
    EXPECT_FALSE(called);
}

// The program refuses cells without a workbook and outside the sheet; the cells before stay.
TEST(SpreadsheetApp, RefusesCellsItCannotHold)
{
    TempFolder folder;
    TWorkbookFileApp app(folder.path.string());
    EXPECT_THROW(app.SetCells(1, 1, int64_t{1}), Exception);
    app.Workbooks().Add();
    app.SetCells(1, 1, std::string("kept"));
    for (const auto& [row, col] : std::vector<std::pair<int32_t, int32_t>>{{0, 1}, {1, 0}, {1048577, 1}, {1, 16385}})
        EXPECT_THROW(app.SetCells(row, col, std::string("x")), Exception) << row << "," << col;
    EXPECT_THROW(app.SetCells(1, 2, std::string(32768, 'x')), Exception);
    app.Release();
    const auto cells = ReadSheetCells(ReadZipEntries(app.FileName()));
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(cells.at("A1").Value, "kept");
}

// Release writes a new workbook in the folder, texts as texts and integers as numbers, and has it opened; when
// nothing opens it, a message names the file.
TEST(SpreadsheetApp, ReleaseWritesTheWorkbookAndOpensIt)
{
    struct TCase {
        bool Visible, Started, Opened;
        bool ExpectOpenRequest, ExpectMessage;
    };
    for (const TCase& c : {TCase{true, true, true, true, false}, TCase{true, true, false, true, true},
                           TCase{true, false, false, true, true}, TCase{false, true, true, false, false}}) {
        TempFolder folder;
        TMessageRecorder messages;
        TOpenRecorder opener;
        opener.Started = c.Started;
        opener.Opened = c.Opened;
        {
            std::unique_ptr<TSpreadsheetApp> app = std::make_unique<TWorkbookFileApp>(folder.path.string());
            app->Workbooks().Add();
            app->SetVisible(c.Visible);
            app->SetCells(1, 1, std::string("name"));
            app->SetCells(2, 1, std::string("Grub & <Co>"));
            app->SetCells(2, 3, int64_t{-17});
            app->SetCells(3, 2, int64_t{4000000000});
            app->Release();
            const std::string file = static_cast<TWorkbookFileApp&>(*app).FileName();
            EXPECT_EQ(std::filesystem::path(file).parent_path(), folder.path);
            EXPECT_EQ(std::filesystem::path(file).extension(), ".xlsx");
            const auto cells = ReadSheetCells(ReadZipEntries(file));
            ASSERT_EQ(cells.size(), 4u);
            EXPECT_TRUE(cells.at("A1").IsText);
            EXPECT_EQ(cells.at("A1").Value, "name");
            EXPECT_EQ(cells.at("A2").Value, "Grub &amp; &lt;Co&gt;");
            EXPECT_FALSE(cells.at("C2").IsText);
            EXPECT_EQ(cells.at("C2").Value, "-17");
            EXPECT_EQ(cells.at("B3").Value, "4000000000");
            EXPECT_EQ(opener.Files, c.ExpectOpenRequest ? std::vector<std::string>{file} : std::vector<std::string>{});
            ASSERT_EQ(messages.Texts.size(), c.ExpectMessage ? 1u : 0u);
            if (c.ExpectMessage) {
                EXPECT_NE(messages.Texts[0].find(file), std::string::npos);
            }
            // Only the workbook is left in the folder.
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path), {}), 1);
        }
    }
}

// A workbook that cannot be written raises naming where it was to go, and is not opened.
TEST(SpreadsheetApp, UnwritableFolderIsReported)
{
    TempFolder folder;
    TOpenRecorder opener;
    const std::string missing = folder / "gone";
    TWorkbookFileApp app(missing);
    app.Workbooks().Add();
    app.SetVisible(true);
    app.SetCells(1, 1, int64_t{1});
    try {
        app.Release();
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find(missing), std::string::npos) << e.Message();
    }
    EXPECT_TRUE(opener.Files.empty());
    EXPECT_FALSE(std::filesystem::exists(missing));
}
