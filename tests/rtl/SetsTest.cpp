// Bit sets of enumeration members.
#include "Sets.h"

#include <gtest/gtest.h>

namespace {

enum TFruit { frApple, frPear, frPlum, frFig };
using TFruits = TSet<TFruit, uint8_t>;

enum TWide { wdFirst, wdLast = 40 };

} // namespace

TEST(Sets, MembersAreTheirOrdinalBits)
{
    TFruits s{frPear, frFig};
    EXPECT_EQ(s.Bits(), 0x0A);
    EXPECT_TRUE(s.Contains(frPear));
    EXPECT_FALSE(s.Contains(frApple));
    s.Include(frApple);
    s.Exclude(frFig);
    s.Exclude(frPlum); // absent: no change
    EXPECT_EQ(s.Bits(), 0x03);
    EXPECT_EQ(TFruits::FromBits(0x03), s);
    EXPECT_TRUE(TFruits{}.Empty());
    static_assert(sizeof(TFruits) == 1);
}

TEST(Sets, UnionDifferenceIntersection)
{
    const TFruits a{frApple, frPear}, b{frPear, frPlum};
    EXPECT_EQ(a + b, (TFruits{frApple, frPear, frPlum}));
    EXPECT_EQ(a - b, TFruits{frApple});
    EXPECT_EQ(a * b, TFruits{frPear});
    TFruits c = a;
    c += b;
    c -= TFruits{frApple};
    c *= TFruits{frPlum, frFig};
    EXPECT_EQ(c, TFruits{frPlum});
    EXPECT_NE(a, b);
}

TEST(Sets, MemberBeyondTheStorageHasNoBit)
{
    TSet<TWide, uint32_t> s;
    s.Include(wdLast);
    EXPECT_TRUE(s.Empty());
    EXPECT_FALSE(s.Contains(wdLast));
    EXPECT_TRUE((TSet<TWide, uint64_t>{wdLast}).Contains(wdLast));
}
