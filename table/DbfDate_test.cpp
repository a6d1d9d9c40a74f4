#include "table/DbfDate.h"

#include <gtest/gtest.h>

TEST(DbfDateTest, KnownJulianDays) {
    EXPECT_EQ(DbfJulianDay(2000, 1, 1), 2451545);
    EXPECT_EQ(DbfJulianDay(1858, 11, 17), 2400001);
    EXPECT_EQ(DbfJulianDay(1, 1, 1), 1721426);
    EXPECT_EQ(DbfJulianDay(0, 3, 1), 1721120);  // the first day counted
}

TEST(DbfDateTest, InvalidDates) {
    EXPECT_EQ(DbfJulianDay(2026, 2, 30), -1);
    EXPECT_EQ(DbfJulianDay(2026, 2, 29), -1);
    EXPECT_NE(DbfJulianDay(2024, 2, 29), -1);
    EXPECT_EQ(DbfJulianDay(1900, 2, 29), -1);
    EXPECT_NE(DbfJulianDay(2000, 2, 29), -1);
    EXPECT_EQ(DbfJulianDay(4000, 2, 29), -1);  // every 4000th year is common
    EXPECT_EQ(DbfJulianDay(2026, 4, 31), -1);
    EXPECT_EQ(DbfJulianDay(2026, 13, 1), -1);
    EXPECT_EQ(DbfJulianDay(2026, 1, 0), -1);
    EXPECT_EQ(DbfJulianDay(0, 2, 1), -1);
}

TEST(DbfDateTest, TextMustBeEightDigits) {
    EXPECT_EQ(DbfDateTextToJulian("20000101"), 2451545);
    EXPECT_EQ(DbfDateTextToJulian(" 20000101 "), 2451545);
    EXPECT_EQ(DbfDateTextToJulian("2000011"), -1);
    EXPECT_EQ(DbfDateTextToJulian("2000 101"), -1);
    EXPECT_EQ(DbfDateTextToJulian("20000230"), -1);
    EXPECT_EQ(DbfDateTextToJulian("        "), -1);
    EXPECT_EQ(DbfDateTextToJulian("-2000101"), -1);
}

TEST(DbfDateTest, JulianDaysRoundTripForEveryDayOfFourCenturies) {
    int32_t expected = DbfJulianDay(1800, 1, 1);
    for (int y = 1800; y < 2200; ++y) {
        for (int m = 1; m <= 12; ++m) {
            for (int d = 1; d <= 31; ++d) {
                int32_t jd = DbfJulianDay(y, m, d);
                if (jd < 0) continue;
                ASSERT_EQ(jd, expected) << y << "-" << m << "-" << d;
                ++expected;
                int yy, mm, dd;
                DbfJulianToDate(jd, &yy, &mm, &dd);
                ASSERT_EQ(yy * 10000 + mm * 100 + dd, y * 10000 + m * 100 + d);
            }
        }
    }
    EXPECT_EQ(DbfJulianToText(2451545), "20000101");
    EXPECT_EQ(DbfJulianToText(-1), "        ");
}
