// The content editors (items, perks, texts, monster list, variables) over a small data folder of their own: the
// tables reset around each test, `gamedir` at an empty temporary folder the test fills, and the message boxes
// shown kept by their text. The editor windows stay unshown: their controls keep values and run handlers
// without widgets.
#pragma once

#include "UGH_data.h"
#include "UGH_tables.h"

#include "Dialogs.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class ContentEditorFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetGameTables();
        gamedir = folder.path.string();
        lng = "en";
        SetMessageBoxHook([this](const TMessageBoxRequest& request) {
            messages.push_back(request.Text);
            return request.Default;
        });
    }
    void TearDown() override
    {
        SetMessageBoxHook(nullptr);
        ResetGameTables();
        gamedir.clear();
    }

    // Writes the lines, each ended by CR LF, to name in the folder.
    void WriteLines(const std::string& name, const std::vector<std::string>& lines) const
    {
        std::string text;
        for (const std::string& line : lines) text += line + "\r\n";
        folder.Write(name, text);
    }
    // The lines of a file in the folder, as the game reads them.
    std::vector<std::string> ReadLines(const std::string& name) const
    {
        TLineBuffer buffer;
        buffer.LoadFromFile((folder.path / name).string());
        std::vector<std::string> lines;
        for (int i = 0; i < buffer.Count(); ++i) lines.push_back(buffer.ReadTextLine(i));
        return lines;
    }

    TempFolder folder;
    // The message boxes shown during the test, by their text.
    std::vector<std::string> messages;
};
