// The adventure's meshes, generated as small OBJ files: the wall block, floor tile and door the levels are built
// of, the two door leaves of wall set 0, the wall-shaped overrides and the free meshes the levels place.
#pragma once

#include "DemoOutput.h"

// Writes "meshes/<name>.obj" for each mesh and the ".red" files that give a free mesh its material.
void WriteMeshes(TDemoOutput& output);
