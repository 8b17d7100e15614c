// The pictures of the adventure's content and interface, drawn here: every HUD picture, the cards with their
// illustrations, perk and effect icons, monsters, items, the paper doll's body parts and a sky box.
#pragma once

#include "DemoContent.h"
#include "DemoOutput.h"

void WriteContentPictures(const TDemoContent& content, TDemoOutput& output);
