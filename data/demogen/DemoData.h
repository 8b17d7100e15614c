// The demo adventure: its data folder written from the sources in data/ (texts, levels, content tables) and from
// pictures drawn here. The same sources give the same bytes; files whose bytes are already in place are left
// untouched, so a rebuild changes only what changed.
#pragma once

#include "SysUtils.h"

#include <string>

// A source file of the adventure that cannot be compiled: the message names the file and line.
class EDemoSource : public Exception {
public:
    using Exception::Exception;
};

struct TDemoWriteCount {
    int written = 0;   // files created or replaced
    int unchanged = 0; // files whose bytes were already there
};

// Writes the data folder into outputFolder from the sources in sourceFolder (the data/ folder). Uses the game's
// own writers for the settings, the maps with their monster lists and player lights, and the content files, so it
// sets the settings globals and leaves gamedir, the level and the perk table as they were.
TDemoWriteCount WriteDemoData(const std::string& sourceFolder, const std::string& outputFolder);
// The demo's settings in the configuration globals, as its "gh.cfg" holds them.
void SetDemoSettings();
