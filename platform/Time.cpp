#include "platform/Time.h"

namespace dm::platform {

FILETIME fileTimeFromUnix(int64_t seconds, uint32_t nanoseconds)
{
    constexpr int64_t kTicksPerSecond = 10000000;
    constexpr auto kEpochSeconds = int64_t(kUnixEpochTicks / kTicksPerSecond);
    // Compared before multiplying: a file may be dated anywhere in 64 bits.
    if (seconds < -kEpochSeconds) return makeFileTime(0);
    if (seconds > int64_t(kMaxFileTime / kTicksPerSecond) - kEpochSeconds - 1) return makeFileTime(kMaxFileTime);
    return makeFileTime(uint64_t(seconds + kEpochSeconds) * kTicksPerSecond + nanoseconds % 1000000000 / 100);
}

}  // namespace dm::platform
