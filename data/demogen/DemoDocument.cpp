#include "DemoDocument.h"

#include <zlib.h>

#include <cstdint>

namespace {

void Put16(std::string& out, uint32_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// 1 January 2026, 00:00, as a zip entry's date and time.
constexpr uint32_t cZipDate = ((2026 - 1980) << 9) | (1 << 5) | 1;
constexpr uint32_t cZipTime = 0;

// The fields a local header and a central directory entry share, from "version needed" to the name's length.
void PutEntryFields(std::string& out, const std::string& name, const std::string& data)
{
    const uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    Put16(out, 10); // version needed: stored entries
    Put16(out, 0);  // flags
    Put16(out, 0);  // method: stored
    Put16(out, cZipTime);
    Put16(out, cZipDate);
    Put32(out, crc);
    Put32(out, static_cast<uint32_t>(data.size())); // compressed size
    Put32(out, static_cast<uint32_t>(data.size()));
    Put16(out, static_cast<uint32_t>(name.size()));
    Put16(out, 0); // extra field length
}

// XML text: the markup characters escaped.
std::string Escaped(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    return out;
}

// A run of text; sizes in half points.
std::string Run(const std::string& text, bool bold, int size)
{
    return std::string("<w:r><w:rPr>") + (bold ? "<w:b/>" : "") + "<w:sz w:val=\"" + std::to_string(size) +
           "\"/></w:rPr><w:t xml:space=\"preserve\">" + Escaped(text) + "</w:t></w:r>";
}

std::string Paragraph(const std::string& runs, int spaceAfter = 60)
{
    return "<w:p><w:pPr><w:spacing w:after=\"" + std::to_string(spaceAfter) + "\"/></w:pPr>" + runs + "</w:p>";
}

struct TWordGroup {
    const char* topic;
    const char* words;
};

// Each word with its arguments: v the variable that receives a result (Random, SetStr and Concat name it as
// "&N"), x, y a cell, i a table slot, n a number, s a text.
constexpr TWordGroup cWordGroups[] = {
    {"Variables", "SetInt v, n; SetStr v, s; Concat v, s; Random v, n (0..n-1); Math v, a, op, b (op + - * /)"},
    {"Conditions", "If a, op, b; ... Else; ... EndIf; (op < > <= >= <> =; blocks do not nest)"},
    {"Scripts", "StartScript mode, name (0 runs now, else adds a global script); StopScript name; RunScript name; "
                "RemoveScript name; ClearGlobalScripts"},
    {"Messages", "ShowMsg n; ShowScroll n; ShowImg n, picture; ShowScriptPopups; HideScriptPopups (texts "
                 "txt_n_h.txt and txt_n.txt of the language folder)"},
    {"Choices", "CleanChoice; Choice k, textname; ImageCh picture; ShowChoice n, script (^choice gives the button "
                "0..5)"},
    {"Cells", "SetupCell x, y, wall, passable, floor, ceil, kind, power, sprite, textid; RemoveWall x, y; "
              "ToggleWall x, y; GetPassable x, y, v; RemoveThisWall; MakeThisPassable; MakeThisUnpassable; "
              "GetPLZ x, y, v; SetPLZ x, y, z"},
    {"Cell sprites", "ChangeCellSprite x, y, s; CompareSprite x, y, s, v; SetCellSprite s; RemoveThisSprite"},
    {"Events", "SetupEvent x, y, type, p1, p2; DisableEvent x, y; GetEventState x, y, v; GetEventType x, y, v; "
               "NoSearch"},
    {"Player", "Teleport x, y, facing; JumpTo x, y, facing; PlayerTurn d; GetPlayerInAC v; "
               "GetPlayerInCoords v, x, y; ReadPlayerParam k, v (1 str .. 11 level); KillPlayer; EndGame"},
    {"Growth", "AddAttrPoints n; AddPerkPoints n; UnlockPerk p; PerkUnlocked p, v; UnlockCard c; AddItem item, "
               "count (-1 random); GetItemCount v, item; SetActiveItem slot, item"},
    {"Free sprites", "SetFSpriteState i, s; GetFSpriteState i, v; SetFSpritePos i, x, y, z; ChangeFSprite i, s; "
                     "CompareFSprite i, s, v"},
    {"Free meshes", "SetFMeshState i, s; GetFMeshState i, v; SetFMeshPos i, x, y, z; SetFMeshAng i, ta, ra, pa; "
                    "GetFMeshCoord i, axis, v; ChangeFMesh i, s; CompareFMesh i, s, v; ChangeFMTrScript i, s; "
                    "FMeshBehaviour i, bhv, loop, spd, x1, x2, y1, y2, z1, z2"},
    {"Wanderers", "SpawnWanderer i, x, y, monster, behav; ToggleWanderer i; GetWandState i, v (1 on, 2 off)"},
    {"Battle", "AddToBattleList monster (-1 random); KeepTurn; SwapCard slot, card; special values ^sw ^bw ^mg "
               "^ar and ^tsw ^tbw ^tmg ^tar"},
    {"Light and sound", "ToggleLight i; ChangeLighting lin, con, quad, r, g, b (-1 keeps); ResetLighting; "
                        "PlaySound name"},
    {"Journal", "UpdateJournal j; CheckJournalUnlocked j, v"},
};

std::string DocumentXml()
{
    std::string body;
    body += Paragraph(Run("Mirefall scripting reference", true, 32), 120);
    body += Paragraph(Run("A script is plain text. Every command ends with \";\" and its arguments are separated by "
                          "\",\"; line breaks and spaces are ignored and command words are case-sensitive. A number "
                          "written \"&N\" means variable N; \"^name\" reads a special value (^pn the player's name, "
                          "^lookside the facing, ^aa the crafted item). Cell scripts live in levels\\<map id>\\"
                          "script_<x>_<y>.txt, other scripts in scripts\\<name>.txt.",
                          false, 17),
                      160);
    for (const TWordGroup& group : cWordGroups)
        body += Paragraph(Run(std::string(group.topic) + ": ", true, 16) + Run(group.words, false, 16));
    body += Paragraph(Run("Example: If ^lookside, =, 0; ShowMsg 4; Else; SetInt 7, 1; EndIf;", false, 16), 0);
    // A4 with half-inch margins: one page.
    const std::string section = "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"720\" "
                                "w:right=\"720\" w:bottom=\"720\" w:left=\"720\" w:header=\"0\" w:footer=\"0\" "
                                "w:gutter=\"0\"/></w:sectPr>";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>" +
           body + section + "</w:body></w:document>";
}

} // namespace

std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& entries)
{
    std::string out, directory;
    for (const auto& [name, data] : entries) {
        const uint32_t offset = static_cast<uint32_t>(out.size());
        Put32(out, 0x04034b50);
        PutEntryFields(out, name, data);
        out += name;
        out += data;
        Put32(directory, 0x02014b50);
        Put16(directory, 20); // made by: version 2.0
        PutEntryFields(directory, name, data);
        Put16(directory, 0); // comment length
        Put16(directory, 0); // disk
        Put16(directory, 0); // internal attributes
        Put32(directory, 0); // external attributes
        Put32(directory, offset);
        directory += name;
    }
    const uint32_t directoryOffset = static_cast<uint32_t>(out.size());
    out += directory;
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<uint32_t>(entries.size()));
    Put16(out, static_cast<uint32_t>(entries.size()));
    Put32(out, static_cast<uint32_t>(directory.size()));
    Put32(out, directoryOffset);
    Put16(out, 0); // comment length
    return out;
}

std::string ScriptingReference()
{
    const std::string contentTypes =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/word/document.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>";
    const std::string relationships =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
        "Target=\"word/document.xml\"/></Relationships>";
    return StoredZip({{"[Content_Types].xml", contentTypes}, {"_rels/.rels", relationships},
                      {"word/document.xml", DocumentXml()}});
}
