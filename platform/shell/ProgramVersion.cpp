#include "ProgramVersion.h"

namespace {

constexpr bool FitsAWord(long long Part) { return Part >= 0 && Part <= 0xFFFF; }

} // namespace

// The build passes the project's version; each part must fit the 16 bits it is kept in.
static_assert(FitsAWord(MIREFALL_VERSION_MAJOR) && FitsAWord(MIREFALL_VERSION_MINOR) &&
                  FitsAWord(MIREFALL_VERSION_PATCH) && FitsAWord(MIREFALL_VERSION_TWEAK),
              "a part of the program version is above 65535");

TFileVersion ProgramFileVersion()
{
    return TFileVersion{MIREFALL_VERSION_MAJOR, MIREFALL_VERSION_MINOR, MIREFALL_VERSION_PATCH,
                        MIREFALL_VERSION_TWEAK};
}
