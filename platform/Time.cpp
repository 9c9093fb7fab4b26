#include "platform/Time.h"

#include <cstdint>

#include "platform/TimeStep.h"

namespace dm::platform {

FILETIME fileTimeFromUnix(int64_t seconds, uint32_t nanoseconds)
{
    constexpr int64_t kTicksPerSecond = 10000000;
    constexpr auto kEpochSeconds = int64_t(kUnixEpochTicks / kTicksPerSecond);
    // Compared before multiplying: a file may be dated anywhere in 64 bits.
    // Before 1601 the ticks are negative, kept as their two's complement, so
    // that such times still compare by their real value.
    constexpr int64_t kMinSeconds = INT64_MIN / kTicksPerSecond + 1;
    if (seconds < kMinSeconds - kEpochSeconds) return makeFileTime(uint64_t(INT64_MIN));
    if (seconds > int64_t(kMaxFileTime / kTicksPerSecond) - kEpochSeconds - 1) return makeFileTime(kMaxFileTime);
    const int64_t ticks = (seconds + kEpochSeconds) * kTicksPerSecond + int64_t(nanoseconds % 1000000000 / 100);
    return makeFileTime(uint64_t(ticks));
}

uint64_t stepShown(int64_t written, int64_t read)
{
    const uint64_t apart = written > read ? uint64_t(written - read) : uint64_t(read - written);
    for (const uint64_t step :
         {uint64_t(1), uint64_t(10000), uint64_t(100000), uint64_t(10000000), uint64_t(20000000)}) {
        if (apart < step) return step;
    }
    return 20000000;
}

}  // namespace dm::platform
