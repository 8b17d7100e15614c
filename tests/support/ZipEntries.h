// Reads the entries of a zip file (an .xlsx or .docx) with minizip, and the cells of a workbook's first sheet.
#pragma once

#include <minizip/unzip.h>

#include <map>
#include <string>
#include <vector>

// Every entry of the zip file by name; empty when it is no zip file.
inline std::map<std::string, std::string> ReadZipEntries(const std::string& fileName)
{
    std::map<std::string, std::string> entries;
    unzFile zip = unzOpen(fileName.c_str());
    if (!zip) return entries;
    for (int more = unzGoToFirstFile(zip); more == UNZ_OK; more = unzGoToNextFile(zip)) {
        char name[512];
        unz_file_info info;
        if (unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) break;
        if (unzOpenCurrentFile(zip) != UNZ_OK) break;
        std::string bytes(info.uncompressed_size, '\0');
        const int read = bytes.empty() ? 0 : unzReadCurrentFile(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
        unzCloseCurrentFile(zip);
        if (read >= 0) bytes.resize(static_cast<std::size_t>(read));
        entries[name] = std::move(bytes);
    }
    unzClose(zip);
    return entries;
}

// A cell of a workbook's sheet as its XML holds it: a shared text (its text looked up) or a number.
struct TSheetCell {
    bool IsText = false;
    std::string Value; // the text, or the number as written
};

// The cells of "xl/worksheets/sheet1.xml" by reference ("A1"), texts resolved through
// "xl/sharedStrings.xml". A plain scan of the markup the workbook writer emits: <c r="A1" t="s"><v>0</v></c>.
inline std::map<std::string, TSheetCell> ReadSheetCells(const std::map<std::string, std::string>& entries)
{
    std::vector<std::string> strings;
    if (const auto shared = entries.find("xl/sharedStrings.xml"); shared != entries.end()) {
        const std::string& xml = shared->second;
        for (std::size_t at = xml.find("<si>"); at != std::string::npos; at = xml.find("<si>", at + 1)) {
            const std::size_t open = xml.find('>', xml.find("<t", at + 4)) + 1;
            strings.push_back(xml.substr(open, xml.find("</t>", open) - open));
        }
    }
    std::map<std::string, TSheetCell> cells;
    const auto sheet = entries.find("xl/worksheets/sheet1.xml");
    if (sheet == entries.end()) return cells;
    const std::string& xml = sheet->second;
    for (std::size_t at = xml.find("<c r=\""); at != std::string::npos; at = xml.find("<c r=\"", at + 1)) {
        const std::size_t refStart = at + 6;
        const std::string ref = xml.substr(refStart, xml.find('"', refStart) - refStart);
        const std::size_t end = xml.find("</c>", at);
        const std::string cell = xml.substr(at, end - at);
        const std::size_t v = cell.find("<v>");
        if (v == std::string::npos) continue;
        const std::string value = cell.substr(v + 3, cell.find("</v>", v) - v - 3);
        TSheetCell parsed;
        parsed.IsText = cell.find("t=\"s\"") != std::string::npos;
        parsed.Value = parsed.IsText ? strings.at(std::stoul(value)) : value;
        cells[ref] = parsed;
    }
    return cells;
}
