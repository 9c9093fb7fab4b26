#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string_view>

#include "platform/Process.h"

namespace dm::platform {

uint64_t thisProcess()
{
    return uint64_t(getpid());
}

bool processRunning(uint64_t process)
{
    if (process == 0 || process > uint64_t(INT_MAX)) return false;
    return kill(pid_t(process), 0) == 0 || errno == EPERM;
}

uint32_t thisMachine()
{
    static const uint32_t tag = [] {
        char name[256] = {};
        gethostname(name, sizeof name - 1);
        uint32_t hash = 2166136261u;  // FNV-1a
        for (const char c : std::string_view(name)) hash = (hash ^ uint8_t(c)) * 16777619u;
        return hash;
    }();
    return tag;
}

uint64_t raiseDescriptorLimit()
{
    struct rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return descriptorLimit();
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    return descriptorLimit();
}

uint64_t descriptorLimit()
{
    struct rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 1 << 20;
    return uint64_t(limit.rlim_cur);
}

}  // namespace dm::platform
