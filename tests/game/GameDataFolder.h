// A data folder of the game's own in a temporary folder: the tables reset around each test, `gamedir` pointing at
// the folder, and its files read and written as lines.
#pragma once

#include "UGH_data.h"
#include "UGH_tables.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class GameDataFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetGameTables();
        gamedir = folder.path.string();
        lng = "en";
    }
    void TearDown() override
    {
        ResetGameTables();
        gamedir.clear();
    }

    // The lines of a file given by its game path, as the game's line buffer reads them.
    static std::vector<std::string> ReadLines(const std::string& path)
    {
        TLineBuffer buffer;
        buffer.LoadFromFile(path);
        std::vector<std::string> lines;
        for (int i = 0; i < buffer.Count(); ++i) lines.push_back(buffer.ReadTextLine(i));
        return lines;
    }
    // Writes the lines, each ended by CR LF, to name in the folder.
    void WriteLines(const std::string& name, const std::vector<std::string>& lines) const
    {
        std::string text;
        for (const std::string& line : lines) text += line + "\r\n";
        folder.Write(name, text);
    }

    TempFolder folder;
};
