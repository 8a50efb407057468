#include <gtest/gtest.h>

#include <cstdint>

#include "framework/ctime.h"

namespace {

WORD DosDate(int y, int m, int d) {
    return static_cast<WORD>(((y - 1980) << 9) | (m << 5) | d);
}
WORD DosTime(int h, int m, int s2) {
    return static_cast<WORD>((h << 11) | (m << 5) | s2);
}

void ExpectFields(const CTime& t, int y, int mo, int d, int h, int mi, int s) {
    EXPECT_EQ(t.GetYear(), y);
    EXPECT_EQ(t.GetMonth(), mo);
    EXPECT_EQ(t.GetDay(), d);
    EXPECT_EQ(t.GetHour(), h);
    EXPECT_EQ(t.GetMinute(), mi);
    EXPECT_EQ(t.GetSecond(), s);
}

}  // namespace

TEST(CTimeTest, DosStampsReadAsLocalTime) {
    CTime epoch(DosDate(1980, 1, 1), DosTime(0, 0, 0), -1);
    EXPECT_EQ(epoch, CTime(1980, 1, 1, 0, 0, 0, -1));
    ExpectFields(epoch, 1980, 1, 1, 0, 0, 0);

    CTime leap(DosDate(2024, 2, 29), DosTime(13, 37, 29), -1);
    ExpectFields(leap, 2024, 2, 29, 13, 37, 58);
    CTime summer(DosDate(2021, 7, 15), DosTime(12, 0, 0), -1);
    ExpectFields(summer, 2021, 7, 15, 12, 0, 0);

    // The last DOS stamp lies beyond 2038 and still fits.
    CTime last(DosDate(2107, 12, 31), DosTime(23, 59, 29), -1);
    EXPECT_GT(last.GetTime(), INT64_C(0x7FFFFFFF));
    ExpectFields(last, 2107, 12, 31, 23, 59, 58);

    EXPECT_EQ(CTime(2000, 1, 1, 0, 0, 0).GetTime() - CTime(1999, 12, 31, 0, 0, 0).GetTime(), 86400);
}

TEST(CTimeTest, ImpossibleDosFieldsAreClampedIntoRange) {
    // month 0 and 13-15, day 0 and past the month, hour 24+, minute 60+, seconds 60/62
    EXPECT_EQ(CTime(DosDate(1990, 0, 10), 0, -1), CTime(1990, 1, 10, 0, 0, 0));
    EXPECT_EQ(CTime(DosDate(1990, 13, 10), 0, -1), CTime(1990, 12, 10, 0, 0, 0));
    EXPECT_EQ(CTime(DosDate(1990, 15, 10), 0, -1), CTime(1990, 12, 10, 0, 0, 0));
    EXPECT_EQ(CTime(DosDate(1990, 6, 0), 0, -1), CTime(1990, 6, 1, 0, 0, 0));
    EXPECT_EQ(CTime(DosDate(2023, 2, 31), 0, -1), CTime(2023, 2, 28, 0, 0, 0));
    EXPECT_EQ(CTime(DosDate(2024, 2, 30), 0, -1), CTime(2024, 2, 29, 0, 0, 0));
    // Leap years by the whole rule: 2000 has a 29 February, 2100 has none.
    EXPECT_EQ(CTime(DosDate(2000, 2, 29), 0, -1), CTime(2000, 2, 29, 0, 0, 0));
    EXPECT_EQ(CTime(DosDate(2100, 2, 29), 0, -1), CTime(2100, 2, 28, 0, 0, 0));
    EXPECT_EQ(CTime(DosDate(2001, 4, 31), 0, -1), CTime(2001, 4, 30, 0, 0, 0));
    EXPECT_EQ(CTime(DosDate(2001, 4, 1), DosTime(24, 0, 0), -1), CTime(2001, 4, 1, 23, 0, 0));
    EXPECT_EQ(CTime(DosDate(2001, 4, 1), DosTime(31, 63, 31), -1), CTime(2001, 4, 1, 23, 59, 58));
    EXPECT_EQ(CTime(DosDate(2001, 4, 1), DosTime(10, 60, 30), -1), CTime(2001, 4, 1, 10, 59, 58));

    // No stamp at all gives -1, a time before 1980, or a broken-down year out of range.
    const CTime::time_type first = CTime(1980, 1, 1, 0, 0, 0).GetTime();
    const CTime::time_type last = CTime(2107, 12, 31, 23, 59, 59).GetTime();
    for (int date = 0; date <= 0xFFFF; ++date) {
        CTime t(static_cast<WORD>(date), static_cast<WORD>(date * 40503u), -1);
        ASSERT_GE(t.GetTime(), first) << date;
        ASSERT_LE(t.GetTime(), last) << date;
    }
}

TEST(CTimeTest, CurrentTimeIsNowUnderBothNames) {
    CTime now = CTime::GetCurrentTime();
    EXPECT_GT(now.GetTime(), CTime(2020, 1, 1, 0, 0, 0).GetTime());
    EXPECT_LE(CTime::GetTickCount().GetTime() - now.GetTime(), 5);
}
