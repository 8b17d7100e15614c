// The numbers of boxes that a command reads all at once before it writes anything: a box that holds none is
// marked with what it accepts, and EEditorInput names it ("<name>: a whole number").
#pragma once

#include <cstdint>
#include <string>

class TEdit;

int32_t BoxInteger(TEdit& box, const std::string& name);
// "." or "," as the decimal separator.
double BoxReal(TEdit& box, const std::string& name);
