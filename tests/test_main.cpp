// Shared entry point of every test program: the modules' registries are filled by explicit calls here,
// as the program's start-up does, never by static initialisers.
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
