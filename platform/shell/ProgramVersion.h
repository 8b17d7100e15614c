// The program's fixed file version, set by the build.
#pragma once

#include <cstdint>

struct TFileVersion {
    uint16_t Major, Minor, Release, Build;
};

// Compiled in: it cannot fail.
TFileVersion ProgramFileVersion();
