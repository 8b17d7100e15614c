// The adventure's sounds, synthesized here: every effect the game plays by name (steps, doors, chests, the
// portal, level-up, buttons, the four skills) and every card's own sound, and short music loops (the main menu,
// battle, a peaceful track for each wall set the levels use, each boss's own) with the two lists that name them.
// They are WAV files in several forms (8-bit mono, 16-bit mono and stereo, one with a "LIST" chunk), and the
// main menu's track is an MP3.
#pragma once

#include "DemoContent.h"
#include "DemoOutput.h"

#include <cstdint>
#include <set>

// Writes "sounds/audio/" and "sounds/music/". A card whose sound is none the generator makes raises EDemoSource.
void WriteSounds(const TDemoContent& content, const std::set<int32_t>& wallSets, TDemoOutput& output);
