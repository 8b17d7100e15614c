#include "ProgramVersion.h"

#include <gtest/gtest.h>

#include <cstdio>

// The version the build gives the project, as the game writes it.
TEST(ProgramVersion, IsTheProjectVersion)
{
    const TFileVersion v = ProgramFileVersion();
    char text[32];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", v.Major, v.Minor, v.Release, v.Build);
    EXPECT_STREQ(text, MIREFALL_PROJECT_VERSION);
}
