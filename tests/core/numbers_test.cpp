// The lenient number reading of print files and register replies.
#include "core/numbers.h"

#include <gtest/gtest.h>

using namespace dravimo;

TEST(Numbers, NumericTestFollowsTheLenientRules)
{
    const NumberFormat point(QLatin1Char('.'));
    for (const char *yes : {"0", " 12 ", "-1", "+3", "12.50", "1,000.5", "1e3", "- 5"})
        EXPECT_TRUE(point.isNumeric(QString::fromLatin1(yes))) << yes;
    for (const char *no : {"", " ", "abc", "10%", "-10%", "1 2", "1.2.3", "e5", "-"})
        EXPECT_FALSE(point.isNumeric(QString::fromLatin1(no))) << no;
    EXPECT_DOUBLE_EQ(*point.value(QStringLiteral("12.50")), 12.5);
    EXPECT_DOUBLE_EQ(*point.value(QStringLiteral("12,50")), 1250.0);
    EXPECT_DOUBLE_EQ(point.valueOrZero(QStringLiteral("abc")), 0.0);
    EXPECT_DOUBLE_EQ(*NumberFormat(QLatin1Char(',')).value(QStringLiteral("12,50")), 12.5);
}

TEST(Numbers, SixteenBitRoundingIsHalfToEven)
{
    EXPECT_EQ(*toInt16(2.5), 2);
    EXPECT_EQ(*toInt16(3.5), 4);
    EXPECT_EQ(*toInt16(-1.4), -1);
    EXPECT_FALSE(toInt16(40000.0).has_value());
}
