#include "platform/Time.h"

namespace dm::platform {

FILETIME fileTimeFromUnix(int64_t seconds, uint32_t nanoseconds)
{
    const int64_t ticks = seconds * 10000000 + nanoseconds / 100 + int64_t(kUnixEpochTicks);
    return makeFileTime(ticks < 0 ? 0 : uint64_t(ticks));
}

}  // namespace dm::platform
