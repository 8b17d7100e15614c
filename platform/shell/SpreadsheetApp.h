// A spreadsheet program as the editors drive it: make it, add a workbook, make it visible, put texts and
// integers into cells of the workbook's sheet, release it. Rows and columns count from 1.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

class TSpreadsheetApp {
public:
    virtual ~TSpreadsheetApp() = default;

    // The program's workbook collection: App->Workbooks().Add().
    class TWorkbooks {
    public:
        explicit TWorkbooks(TSpreadsheetApp& App) : FApp(App) {}
        void Add() { FApp.AddWorkbook(); }

    private:
        TSpreadsheetApp& FApp;
    };
    TWorkbooks Workbooks() { return TWorkbooks(*this); }

    virtual void SetVisible(bool Value) = 0;
    // cells[Row, Col] := Value. A call the program refuses (no workbook, a cell outside the sheet) raises
    // Exception; the cells set before it stay set.
    virtual void SetCells(int32_t Row, int32_t Col, const std::string& Value) = 0;
    virtual void SetCells(int32_t Row, int32_t Col, int64_t Value) = 0;
    // The caller is done with the program; a visible program stays open with its workbook. Raises Exception
    // when the workbook cannot be kept.
    virtual void Release() = 0;

protected:
    virtual void AddWorkbook() = 0;
};

// The spreadsheet program: the factory's (tests), else a TWorkbookFileApp in the system's temporary folder.
std::unique_ptr<TSpreadsheetApp> CreateSpreadsheetApp();
// An empty factory restores the workbook file.
using TSpreadsheetAppFactory = std::function<std::unique_ptr<TSpreadsheetApp>()>;
void SetSpreadsheetAppFactory(TSpreadsheetAppFactory Factory);

// The layer's spreadsheet program: it keeps the cells and, at Release, writes the workbook as a new .xlsx file
// in Folder (complete or not at all) and, when visible, has the desktop open it (ShellOpen). When nothing opens
// it, a message names the file.
class TWorkbookFileApp : public TSpreadsheetApp {
public:
    // The system's temporary folder when Folder is empty.
    explicit TWorkbookFileApp(std::string Folder = {});
    ~TWorkbookFileApp() override;

    void SetVisible(bool Value) override { FVisible = Value; }
    void SetCells(int32_t Row, int32_t Col, const std::string& Value) override;
    void SetCells(int32_t Row, int32_t Col, int64_t Value) override;
    // Writes the workbook when one was added (once); raises Exception naming the file when it cannot be written.
    void Release() override;

    // The file Release wrote; empty before.
    const std::string& FileName() const { return FFileName; }

protected:
    void AddWorkbook() override;

private:
    struct TCell {
        int32_t Row, Col;
        std::variant<std::string, int64_t> Value;
    };
    void CheckCell(int32_t Row, int32_t Col) const;
    void WriteWorkbook(const std::string& FileName) const;

    std::string FFolder;
    std::string FFileName;
    std::vector<TCell> FCells;
    bool FVisible = false;
    bool FHasWorkbook = false;
    bool FReleased = false;
};
