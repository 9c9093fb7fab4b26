#include <algorithm>
#include <ctime>

#include "platform/Time.h"

namespace dm::platform {

namespace {
// Asked for every time shown; the offset is looked up again once a minute,
// so that a program left running follows a change of daylight saving time.
int64_t currentUtcOffsetSeconds()
{
    thread_local time_t lookedUpAt = 0;
    thread_local int64_t offset = 0;
    const time_t now = time(nullptr);
    if (lookedUpAt == 0 || now < lookedUpAt || now - lookedUpAt >= 60) {
        struct tm local {};
        localtime_r(&now, &local);
        offset = local.tm_gmtoff;
        lookedUpAt = now;
    }
    return offset;
}
}  // namespace

FILETIME FileTimeToLocalFileTime(const FILETIME& utc)
{
    if (signedTicks(utc) < 0) return makeFileTime(0);
    const uint64_t ticks = fileTimeValue(utc);
    const int64_t offset = currentUtcOffsetSeconds() * 10000000;
    if (offset < 0) return makeFileTime(ticks < uint64_t(-offset) ? 0 : ticks - uint64_t(-offset));
    return makeFileTime(ticks > kMaxFileTime - uint64_t(offset) ? kMaxFileTime : ticks + uint64_t(offset));
}

SYSTEMTIME FileTimeToSystemTime(const FILETIME& ft)
{
    const uint64_t ticks = fileTimeValue(ft);
    const uint64_t totalMs = ticks / 10000;
    const uint64_t msOfDay = totalMs % 86400000ull;
    const int64_t days = int64_t(totalMs / 86400000ull);  // since 1601-01-01

    SYSTEMTIME st;
    st.wMilliseconds = uint16_t(msOfDay % 1000);
    st.wSecond = uint16_t(msOfDay / 1000 % 60);
    st.wMinute = uint16_t(msOfDay / 60000 % 60);
    st.wHour = uint16_t(msOfDay / 3600000);
    st.wDayOfWeek = uint16_t((days + 1) % 7);  // 1601-01-01 was a Monday

    // Civil date from a day count (proleptic Gregorian), shifted to 0000-03-01.
    const int64_t z = days + 584694;  // days from 0000-03-01 to 1601-01-01
    const int64_t era = z / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    st.wYear = uint16_t(year);
    st.wMonth = uint16_t(month);
    st.wDay = uint16_t(day);
    return st;
}

SYSTEMTIME localNow()
{
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return FileTimeToSystemTime(FileTimeToLocalFileTime(fileTimeFromUnix(ts.tv_sec, uint32_t(ts.tv_nsec))));
}

}  // namespace dm::platform
