// A spreadsheet program for tests: it records the calls it receives and the cells it holds. While a
// TSpreadsheetRecorder lives, CreateSpreadsheetApp makes recording programs that write into it.
#pragma once

#include "SpreadsheetApp.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <variant>
#include <vector>

struct TSpreadsheetRecord {
    // "Workbooks.Add", "Visible=1", "Release", and "cells" once for the first cell set (not every one).
    std::vector<std::string> Calls;
    // By (row, column): a text or an integer.
    std::map<std::pair<int32_t, int32_t>, std::variant<std::string, int64_t>> Cells;

    // The cell's text or integer as text; "" for an empty cell.
    std::string At(int32_t Row, int32_t Col) const
    {
        const auto it = Cells.find({Row, Col});
        if (it == Cells.end()) return "";
        if (const auto* text = std::get_if<std::string>(&it->second)) return *text;
        return std::to_string(std::get<int64_t>(it->second));
    }
    bool IsInteger(int32_t Row, int32_t Col) const
    {
        const auto it = Cells.find({Row, Col});
        return it != Cells.end() && std::holds_alternative<int64_t>(it->second);
    }
    // The rows that hold at least one cell.
    std::vector<int32_t> Rows() const
    {
        std::vector<int32_t> rows;
        for (const auto& [at, value] : Cells)
            if (rows.empty() || rows.back() != at.first) rows.push_back(at.first);
        return rows;
    }
};

class TRecordingSpreadsheetApp : public TSpreadsheetApp {
public:
    explicit TRecordingSpreadsheetApp(TSpreadsheetRecord& Record) : FRecord(Record) {}
    void SetVisible(bool Value) override { FRecord.Calls.push_back(Value ? "Visible=1" : "Visible=0"); }
    void SetCells(int32_t Row, int32_t Col, const std::string& Value) override { Put(Row, Col, Value); }
    void SetCells(int32_t Row, int32_t Col, int64_t Value) override { Put(Row, Col, Value); }
    void Release() override { FRecord.Calls.push_back("Release"); }

protected:
    void AddWorkbook() override { FRecord.Calls.push_back("Workbooks.Add"); }

private:
    void Put(int32_t Row, int32_t Col, std::variant<std::string, int64_t> Value)
    {
        if (FRecord.Cells.empty()) FRecord.Calls.push_back("cells");
        FRecord.Cells[{Row, Col}] = std::move(Value);
    }
    TSpreadsheetRecord& FRecord;
};

struct TSpreadsheetRecorder {
    TSpreadsheetRecorder()
    {
        SetSpreadsheetAppFactory([this] { return std::make_unique<TRecordingSpreadsheetApp>(Record); });
    }
    ~TSpreadsheetRecorder() { SetSpreadsheetAppFactory(nullptr); }
    TSpreadsheetRecord Record;
};
