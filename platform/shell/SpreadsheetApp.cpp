#include "SpreadsheetApp.h"

#include "Dialogs.h"
#include "ShellOpen.h"
#include "SysUtils.h"

#include <xlsxwriter.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

TSpreadsheetAppFactory gFactory;

// The longest text a cell holds, in bytes.
constexpr std::size_t cMaxCellText = 32767;

void NoProgramOpened(const std::string& FileName)
{
    TMessageBoxRequest request;
    request.Kind = mtInformation;
    request.Text = "No program opened the spreadsheet. It is saved as " + FileName;
    ShowMessageBox(request);
}

// Closes the workbook however writing ends; the error of the first call that failed is kept.
class TXlsxWriter {
public:
    explicit TXlsxWriter(const std::string& FileName) : FBook(workbook_new(FileName.c_str()))
    {
        if (FBook) FSheet = workbook_add_worksheet(FBook, nullptr);
        if (!FSheet) FError = LXW_ERROR_MEMORY_MALLOC_FAILED;
    }
    ~TXlsxWriter()
    {
        if (FBook) workbook_close(FBook);
    }

    void Write(int32_t Row, int32_t Col, const std::string& Value)
    {
        Keep(worksheet_write_string(FSheet, Row - 1, static_cast<lxw_col_t>(Col - 1), Value.c_str(), nullptr));
    }
    void Write(int32_t Row, int32_t Col, int64_t Value)
    {
        Keep(worksheet_write_number(FSheet, Row - 1, static_cast<lxw_col_t>(Col - 1), static_cast<double>(Value),
                                    nullptr));
    }
    // Writes the file; the error of the whole run (LXW_NO_ERROR when none).
    lxw_error Close()
    {
        Keep(workbook_close(FBook));
        FBook = nullptr;
        return FError;
    }
    bool Failed() const { return FError != LXW_NO_ERROR; }

private:
    void Keep(lxw_error Error)
    {
        if (FError == LXW_NO_ERROR) FError = Error;
    }

    lxw_workbook* FBook;
    lxw_worksheet* FSheet = nullptr;
    lxw_error FError = LXW_NO_ERROR;
};

} // namespace

std::unique_ptr<TSpreadsheetApp> CreateSpreadsheetApp()
{
    if (gFactory) return gFactory();
    return std::make_unique<TWorkbookFileApp>();
}

void SetSpreadsheetAppFactory(TSpreadsheetAppFactory Factory)
{
    gFactory = std::move(Factory);
}

TWorkbookFileApp::TWorkbookFileApp(std::string Folder) : FFolder(std::move(Folder))
{
    if (FFolder.empty()) {
        std::error_code error;
        FFolder = std::filesystem::temp_directory_path(error).string();
        if (error) FFolder = "/tmp";
    }
}

TWorkbookFileApp::~TWorkbookFileApp() = default;

void TWorkbookFileApp::AddWorkbook()
{
    // The sheet holds one workbook's cells; a second workbook is not kept apart from the first.
    FHasWorkbook = true;
}

void TWorkbookFileApp::CheckCell(int32_t Row, int32_t Col) const
{
    if (!FHasWorkbook) throw Exception("The spreadsheet has no workbook to put cells in");
    if (Row < 1 || Row > LXW_ROW_MAX || Col < 1 || Col > LXW_COL_MAX)
        throw Exception("The cell (" + std::to_string(Row) + ", " + std::to_string(Col) + ") lies outside the sheet");
}

void TWorkbookFileApp::SetCells(int32_t Row, int32_t Col, const std::string& Value)
{
    CheckCell(Row, Col);
    if (Value.size() > cMaxCellText) throw Exception("A text of more than 32767 bytes does not fit in a cell");
    FCells.push_back({Row, Col, Value});
}

void TWorkbookFileApp::SetCells(int32_t Row, int32_t Col, int64_t Value)
{
    CheckCell(Row, Col);
    FCells.push_back({Row, Col, Value});
}

void TWorkbookFileApp::WriteWorkbook(const std::string& FileName) const
{
    // Written beside the reserved name and renamed over it once complete.
    const std::string part = FileName + ".part";
    lxw_error error = LXW_NO_ERROR;
    {
        TXlsxWriter writer(part);
        for (const TCell& cell : FCells) {
            if (writer.Failed()) break;
            std::visit([&](const auto& value) { writer.Write(cell.Row, cell.Col, value); }, cell.Value);
        }
        error = writer.Close();
    }
    if (error == LXW_NO_ERROR && std::rename(part.c_str(), FileName.c_str()) == 0) return;
    std::remove(part.c_str());
    std::remove(FileName.c_str());
    throw Exception("Cannot write the spreadsheet " + FileName +
                    (error != LXW_NO_ERROR ? std::string(": ") + lxw_strerror(error) : std::string()));
}

void TWorkbookFileApp::Release()
{
    if (FReleased || !FHasWorkbook) return;
    FReleased = true;
    // A fresh name that no other export can take.
    std::string name = (std::filesystem::path(FFolder) / "mirefall-XXXXXX.xlsx").string();
    const int handle = mkstemps(name.data(), 5);
    if (handle < 0) throw Exception("Cannot create a spreadsheet file in " + FFolder);
    close(handle);
    WriteWorkbook(name);
    FFileName = name;
    if (!FVisible) return;
    const bool started = ShellOpen(name, [name](bool Opened) {
        if (!Opened) NoProgramOpened(name);
    });
    if (!started) NoProgramOpened(name);
}
