// The file dialogs behind their hook: the filter's entries and the default extension of the chosen name.
#include "Dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(Dialogs, FilterEntries)
{
    const std::vector<TDialogFilterEntry> entries =
        ParseDialogFilter("Map files (*.map)|*.map|Pictures|*.bmp;*.png|Odd one");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].Description, "Map files (*.map)");
    EXPECT_EQ(entries[0].Patterns, std::vector<std::string>{"*.map"});
    EXPECT_EQ(entries[1].Patterns, (std::vector<std::string>{"*.bmp", "*.png"}));
    EXPECT_EQ(entries[2].Description, "Odd one"); // a description without patterns takes every file
    EXPECT_EQ(entries[2].Patterns, std::vector<std::string>{"*"});
    EXPECT_TRUE(ParseDialogFilter("").empty());
}

TEST(Dialogs, FileDialogAddsTheDefaultExtension)
{
    const struct {
        const char* Answer;
        const char* DefaultExt;
        bool Chosen;
        const char* Name;
    } cases[] = {
        {"/maps/map1", "map", true, "/maps/map1.map"},
        {"/maps/map1.bmp", "map", true, "/maps/map1.bmp"},
        {"/maps.v2/map1", "map", true, "/maps.v2/map1.map"}, // a dot in a folder is no extension
        {"/maps/map1", "", true, "/maps/map1"},
        {"", "map", false, "unchanged"},                     // cancelled
    };
    TFileDialogRequest request;
    request.Kind = fdSave;
    request.Filter = "Map files (*.map)|*.map";
    for (const auto& c : cases) {
        request.DefaultExt = c.DefaultExt;
        SetFileDialogHook([&](const TFileDialogRequest& asked, std::string& name) {
            EXPECT_EQ(asked.Filter, request.Filter);
            name = c.Answer;
            return !name.empty();
        });
        std::string name = "unchanged";
        EXPECT_EQ(ShowFileDialog(request, name), c.Chosen) << c.Answer;
        EXPECT_EQ(name, c.Name);
    }
    SetFileDialogHook(nullptr);
    std::string name = "unchanged";
    EXPECT_FALSE(ShowFileDialog(request, name)); // no user interface: cancelled
    EXPECT_EQ(name, "unchanged");
}
