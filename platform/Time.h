// File times and calendar fields.
#pragma once

#include <cstdint>

#include "platform/FindData.h"

namespace dm::platform {

// 100-ns ticks between 1601-01-01 and 1970-01-01, both UTC.
constexpr uint64_t kUnixEpochTicks = 116444736000000000ull;

// The latest file time the system's conversions take; later ones are clamped to it.
constexpr uint64_t kMaxFileTime = 0x7FFFFFFFFFFFFFFFull;

// Times past kMaxFileTime become it; times before 1601 are negative ticks in
// two's complement (above kMaxFileTime as unsigned words), which compare by
// their real value as signed numbers and show as 1601-01-01.
FILETIME fileTimeFromUnix(int64_t seconds, uint32_t nanoseconds);

// A file time as signed ticks since 1601 (negative before it).
inline int64_t signedTicks(const FILETIME& ft)
{
    return int64_t(fileTimeValue(ft));
}

// Adds the current offset of local time from UTC (not the offset at the given
// time), as the Windows call of the same name does; clamped to 0 (a time
// before 1601 shows as its first moment) and kMaxFileTime.
FILETIME FileTimeToLocalFileTime(const FILETIME& utc);

// Splits a file time into calendar fields; the reverse of the epoch arithmetic.
SYSTEMTIME FileTimeToSystemTime(const FILETIME& ft);

// The local date and time now.
SYSTEMTIME localNow();

}  // namespace dm::platform
