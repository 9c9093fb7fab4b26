#include <algorithm>

#include "platform/Time.h"
#include "platform/Win32.h"

namespace dm::platform {

namespace {
::FILETIME toSystem(const FILETIME& ft)
{
    return ::FILETIME{ft.dwLowDateTime, ft.dwHighDateTime};
}

SYSTEMTIME fromSystem(const ::SYSTEMTIME& st)
{
    return SYSTEMTIME{st.wYear, st.wMonth, st.wDayOfWeek, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}
}  // namespace

FILETIME FileTimeToLocalFileTime(const FILETIME& utc)
{
    if (signedTicks(utc) < 0) return makeFileTime(0);
    const ::FILETIME in = toSystem(makeFileTime(std::min(fileTimeValue(utc), kMaxFileTime)));
    ::FILETIME out{};
    if (!::FileTimeToLocalFileTime(&in, &out)) return FILETIME{};
    // The system may carry a late time past the last one it can convert.
    return makeFileTime(std::min(fileTimeValue(FILETIME{out.dwLowDateTime, out.dwHighDateTime}), kMaxFileTime));
}

SYSTEMTIME FileTimeToSystemTime(const FILETIME& ft)
{
    const ::FILETIME in = toSystem(ft);
    ::SYSTEMTIME st{};
    if (!::FileTimeToSystemTime(&in, &st)) return SYSTEMTIME{};
    return fromSystem(st);
}

SYSTEMTIME localNow()
{
    ::SYSTEMTIME st{};
    GetLocalTime(&st);
    return fromSystem(st);
}

}  // namespace dm::platform
