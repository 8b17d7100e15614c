// The program's random sequence: the same seed gives the same numbers, in both forms.
#include "RandomGenerator.h"

#include <gtest/gtest.h>

TEST(RandomGenerator, ASeedRepeatsItsSequence)
{
    SetRandSeed(0);
    // Seeds 1, 134775814, 3698175007, 870078620: Random(100) takes the upper half of 100 x seed.
    EXPECT_EQ(Random(100), 0);
    EXPECT_EQ(Random(100), 3);
    EXPECT_EQ(Random(100), 86);
    EXPECT_EQ(Random(0), 0); // a step is still taken
    EXPECT_EQ(RandSeed(), 870078620u);
    SetRandSeed(1);
    EXPECT_EQ(Random(), 134775814 / 4294967296.0);
    SetRandSeed(0xFFFFFFFFu);
    const double last = Random();
    EXPECT_GE(last, 0.0);
    EXPECT_LT(last, 1.0);
}
