#include <ctime>

#include "platform/Time.h"

namespace dm::platform {

namespace {
int64_t currentUtcOffsetSeconds()
{
    const time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    return local.tm_gmtoff;
}
}  // namespace

FILETIME FileTimeToLocalFileTime(const FILETIME& utc)
{
    const int64_t ticks = int64_t(fileTimeValue(utc)) + currentUtcOffsetSeconds() * 10000000;
    return makeFileTime(ticks < 0 ? 0 : uint64_t(ticks));
}

SYSTEMTIME localNow()
{
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return FileTimeToSystemTime(FileTimeToLocalFileTime(fileTimeFromUnix(ts.tv_sec, uint32_t(ts.tv_nsec))));
}

}  // namespace dm::platform
