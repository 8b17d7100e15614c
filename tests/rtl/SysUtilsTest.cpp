#include "SysUtils.h"

#include <gtest/gtest.h>

TEST(Assert, RaisesWithTextUnitAndLine)
{
    EXPECT_NO_THROW(Assert(true, "x", "VAVodad\\Source\\Basis\\GLBaseClasses", 171));
    try {
        Assert(false, "", "VAVodad\\Source\\Basis\\GLBaseClasses", 171);
        FAIL();
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Message(), "Assertion failure (VAVodad\\Source\\Basis\\GLBaseClasses, line 171)");
    }
}
