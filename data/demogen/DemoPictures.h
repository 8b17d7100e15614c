// The adventure's pictures, drawn here: the splash screen, and in every texture quality the wall set, load
// screens, sprites and interface pictures with the lists that name them.
#pragma once

#include "DemoOutput.h"

void WritePictures(TDemoOutput& output);
