// What the map editor exports: the picture of the map, and the monster and card tables as a spreadsheet.
#include "UGHmapedit.h"

#include "Dialogs.h"
#include "SpreadsheetApp.h"

#include <cmath>
#include <functional>
#include <span>
#include <string>
#include <variant>

namespace {

// A value of a sheet cell: a text, or an integer. Sums are 64-bit: the tables may hold any 32-bit values.
using TSheetValue = std::variant<std::string, int64_t>;

template <class Record> struct TSheetColumn {
    const char* title;
    std::function<TSheetValue(const Record&)> value;
};

// The sum of the eight attributes and skills.
int64_t AttrSum(const character& m)
{
    return int64_t{m.strength} + m.intelligence + m.speed + m.endurance + m.sword + m.bow + m.armor + m.magic;
}

// The sum of a card value over the cards in the monster's spellbook.
int64_t SpellbookSum(const character& m, const std::function<int64_t(const card&)>& value)
{
    int64_t sum = 0;
    for (int32_t j = cards.Low(); j <= cards.High(); ++j)
        if (m.spellbook[j]) sum += value(cards[j]);
    return sum;
}

int64_t PotDmg(const character& m)
{
    return SpellbookSum(m, [](const card& c) { return int64_t{c.dmgph}; });
}

int64_t PotHeal(const character& m)
{
    return SpellbookSum(m, [](const card& c) { return int64_t{c.addhp}; });
}

const TSheetColumn<character> cMonsterColumns[] = {
    {"name", [](const character& m) -> TSheetValue { return m.name; }},
    {"race", [](const character& m) -> TSheetValue { return TForm1::GetEClassName(m.spec, strarr); }},
    {"level", [](const character& m) -> TSheetValue { return int64_t{m.lvl}; }},
    {"attr sum", [](const character& m) -> TSheetValue { return AttrSum(m); }},
    {"pot dmg", [](const character& m) -> TSheetValue { return PotDmg(m); }},
    {"pot heal", [](const character& m) -> TSheetValue { return PotHeal(m); }},
    {"perks", [](const character& m) -> TSheetValue {
         int64_t count = 0;
         for (const bool owned : m.perks) count += owned ? 1 : 0;
         return count;
     }},
    {"eval", [](const character& m) -> TSheetValue {
         if (m.lvl == 0) return int64_t{0};
         const double total = static_cast<double>(AttrSum(m) + PotDmg(m) + PotHeal(m));
         return static_cast<int64_t>(std::nearbyint(total / m.lvl));
     }},
};

int64_t Elem(const card& c) { return c.element != 0 ? 1 : 0; }
int64_t Heal(const card& c) { return int64_t{c.addhp} + c.addmp; }
int64_t Cons(const card& c) { return c.consumes == -1 ? 1 : 0; }

const TSheetColumn<card> cCardColumns[] = {
    {"name", [](const card& c) -> TSheetValue { return c.name; }},
    {"elem", [](const card& c) -> TSheetValue { return Elem(c); }},
    {"dmg", [](const card& c) -> TSheetValue { return int64_t{c.dmgph}; }},
    {"dmgp", [](const card& c) -> TSheetValue { return int64_t{c.dmgperc}; }},
    {"heal", [](const card& c) -> TSheetValue { return Heal(c); }},
    {"rcb", [](const card& c) -> TSheetValue { return int64_t{c.bonam}; }},
    {"cons", [](const card& c) -> TSheetValue { return Cons(c); }},
    {"mp", [](const card& c) -> TSheetValue { return int64_t{c.mc}; }},
    {"hp", [](const card& c) -> TSheetValue { return int64_t{c.hpc}; }},
    {"effpwr", [](const card& c) -> TSheetValue {
         return c.addeffect != 0 ? int64_t{c.effstrgth} + c.efflgth : int64_t{0};
     }},
    // The card's own heal stands for the heal of a card play.
    {"eval", [](const card& c) -> TSheetValue {
         return 10 * Elem(c) + 10 * (1 - Cons(c)) + c.dmgph + c.dmgperc + c.bonam + Heal(c);
     }},
    {"totcost", [](const card& c) -> TSheetValue { return int64_t{c.mc} + c.hpc; }},
};

void PutCell(TSpreadsheetApp& app, int32_t row, int32_t col, const TSheetValue& value)
{
    std::visit([&](const auto& v) { app.SetCells(row, col, v); }, value);
}

// Row 1 the titles; record i on row i + 2, only those the filter takes.
template <class Record, class Table>
void PutTable(TSpreadsheetApp& app, std::span<const TSheetColumn<Record>> columns, const Table& table,
              bool (*taken)(const Record&))
{
    for (int32_t col = 1; col <= static_cast<int32_t>(columns.size()); ++col)
        app.SetCells(1, col, std::string(columns[col - 1].title));
    for (int32_t i = table.Low(); i <= table.High(); ++i) {
        if (!taken(table[i])) continue;
        for (int32_t col = 1; col <= static_cast<int32_t>(columns.size()); ++col)
            PutCell(app, i + 2, col, columns[col - 1].value(table[i]));
    }
}

} // namespace

void TForm2::edb(int32_t db)
{
    std::unique_ptr<TSpreadsheetApp> app = CreateSpreadsheetApp();
    try {
        app->Workbooks().Add();
        app->SetVisible(true);
        if (db == 0)
            PutTable<character>(*app, cMonsterColumns, monsters, [](const character&) { return true; });
        else if (db == 1)
            PutTable<card>(*app, cCardColumns, cards, [](const card& c) { return c.enabled; });
    } catch (...) {
        // The cells written so far stay in the workbook, which the program keeps open.
        app->Release();
        throw;
    }
    app->Release();
}

void TForm2::ExportMapImage1Click(TObject*)
{
    TFileDialogRequest request;
    request.Kind = fdSave;
    request.Filter = "Bitmap|*.bmp";
    request.DefaultExt = "bmp";
    std::string fileName;
    if (!ShowFileDialog(request, fileName)) return;
    // Nothing drawn yet (the window never shown): the picture is drawn now.
    if (!edmapbmp) RenderMap();
    edmapbmp->SaveToFile(fileName);
}
