// The card pictures the game shows in battle, "textures/cards/en/<id>_<variant>.png", drawn by the card editor's
// routine on the backgrounds, illustrations and effect icons already written, from the cards, names and strings
// as the game reads them: the editor's "All" in "en" draws the same files.
#pragma once

#include "DemoContent.h"
#include "DemoOutput.h"

#include <string>

void WriteCardPictures(const TDemoContent& content, const std::string& outputFolder, TDemoOutput& output);
