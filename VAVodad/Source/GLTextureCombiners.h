// The texture-combiner language: one assignment a line, such as "Tex1:=Tex0+Tex1;", compiled into the
// glTexEnvi commands that set up the fixed-function combine environment of the texture units.
//
//     destination := expression      destination: texN, texN.rgb or texN.a (N a unit of the context)
//     expression:  a                 GL_REPLACE
//                  a + b             GL_ADD (a + b - 0.5: GL_ADD_SIGNED)
//                  a * b             GL_MODULATE
//                  a - b             GL_SUBTRACT
//                  interpolate(a, b, c), dot3(a, b)
//     argument:    [~ or 1-]source[.rgb or .a], source one of tex (the destination's own unit), texN, col,
//                  col0, primarycolor, envcol, constcol, constantcolor
//
// Blanks and letter case do not count; lines starting with "//" and empty lines give nothing.
#pragma once

#include "SysUtils.h"

#include <cstdint>
#include <vector>

class TStrings;

// glTexEnvi(GL_TEXTURE_ENV, Arg1, Arg2) on unit ActiveUnit.
struct TCombinerCommand {
    int32_t ActiveUnit;
    int32_t Arg1;
    int32_t Arg2;

    friend bool operator==(const TCombinerCommand&, const TCombinerCommand&) = default;
};
using TCombinerCache = std::vector<TCombinerCommand>;

class ETextureCombinerError : public Exception {
public:
    using Exception::Exception;
};

// Compiles the lines in order for the current context (its extensions and texture units) and hands back their
// commands. A line it cannot compile raises ETextureCombinerError and leaves commands as they were.
void CompileCombiners(const TStrings& lines, TCombinerCache& commands);
