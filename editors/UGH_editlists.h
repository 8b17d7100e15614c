// Name lists that several editor windows fill their boxes with: the sprite names of the sprite list and the
// meshes of the meshes folder.
#pragma once

#include <string>
#include <string_view>

class TComboBox;
class TStrings;

// Empties the box's items, adds the name of every entry of spritelist in order, and empties its text.
void formspritelist(TComboBox& cb);

// Empties the list, then adds the name without extension of every "*.obj" file of the meshes folder, then of
// every "*.3ds" file (extensions in any letter case; each kind in name order, letter case aside, so the list
// does not depend on how the file system orders a folder). A missing folder leaves the list empty.
void readmeshes(TStrings& dest);

// The name part of a file name without its extension ("meshes\pillar.obj" gives "pillar").
std::string ExtractOnlyFileName(std::string_view fileName);
