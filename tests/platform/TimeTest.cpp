#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>

#include "platform/Time.h"
#include "tests/support/Faults.h"

namespace dm::platform {
namespace {

SYSTEMTIME at(uint64_t ticks)
{
    return FileTimeToSystemTime(makeFileTime(ticks));
}

TEST(Time, CalendarFieldsOfKnownMoments)
{
    const SYSTEMTIME epoch = at(0);
    EXPECT_EQ(epoch.wYear, 1601);
    EXPECT_EQ(epoch.wMonth, 1);
    EXPECT_EQ(epoch.wDay, 1);
    EXPECT_EQ(epoch.wDayOfWeek, 1);  // Monday

    // 2005-03-07 09:05:03.250 UTC, a Monday
    const uint64_t t = (uint64_t(1110186303) * 1000 + 250) * 10000 + kUnixEpochTicks;
    const SYSTEMTIME s = at(t + 9999);  // sub-millisecond ticks never round up
    EXPECT_EQ(s.wYear, 2005);
    EXPECT_EQ(s.wMonth, 3);
    EXPECT_EQ(s.wDay, 7);
    EXPECT_EQ(s.wDayOfWeek, 1);
    EXPECT_EQ(s.wHour, 9);
    EXPECT_EQ(s.wMinute, 5);
    EXPECT_EQ(s.wSecond, 3);
    EXPECT_EQ(s.wMilliseconds, 250);

    const SYSTEMTIME leap = at(uint64_t(951782400) * 10000000 + kUnixEpochTicks);  // 2000-02-29
    EXPECT_EQ(leap.wYear, 2000);
    EXPECT_EQ(leap.wMonth, 2);
    EXPECT_EQ(leap.wDay, 29);
}

TEST(Time, LocalTimeAddsTheCurrentOffset)
{
    const auto saved = test::setVariable("TZ", "CST-8");
    tzset();
    const FILETIME utc = fileTimeFromUnix(0, 0);
    EXPECT_EQ(fileTimeValue(FileTimeToLocalFileTime(utc)) - fileTimeValue(utc), 8ull * 3600 * 10000000);
    test::setVariable("TZ", saved);
    tzset();
}

TEST(Time, TimesBefore1601KeepTheirOrderAndShowAsItsFirstMoment)
{
    const int64_t year1500 = -14831769600;  // 1500-01-01 00:00:00 UTC
    const FILETIME one = fileTimeFromUnix(year1500, 0);
    const FILETIME later = fileTimeFromUnix(year1500 + 1, 0);
    EXPECT_LT(signedTicks(one), signedTicks(later));
    EXPECT_LT(signedTicks(later), signedTicks(fileTimeFromUnix(-int64_t(kUnixEpochTicks / 10000000), 0)));
    EXPECT_EQ(FileTimeToSystemTime(FileTimeToLocalFileTime(one)).wYear, 1601);
}

TEST(Time, TimesBeyondEitherEndAreClampedNeverOverflowed)
{
    EXPECT_EQ(fileTimeValue(fileTimeFromUnix(9000000000000, 0)), kMaxFileTime);
    EXPECT_EQ(signedTicks(fileTimeFromUnix(INT64_MIN, 0)), INT64_MIN);
    EXPECT_EQ(fileTimeValue(fileTimeFromUnix(INT64_MAX, 999999999)), kMaxFileTime);
    for (const char* zone : {"CST-8", "EST+5"}) {
        const auto saved = test::setVariable("TZ", zone);
        tzset();
        EXPECT_LE(fileTimeValue(FileTimeToLocalFileTime(makeFileTime(kMaxFileTime))), kMaxFileTime) << zone;
        FileTimeToSystemTime(FileTimeToLocalFileTime(makeFileTime(kMaxFileTime)));
        test::setVariable("TZ", saved);
        tzset();
    }
}

}  // namespace
}  // namespace dm::platform
