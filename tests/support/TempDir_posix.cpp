#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <stdexcept>

#include "tests/support/TempDir.h"

namespace dm::test {

namespace {
// Every test that looks at local times runs in UTC+8 without daylight saving,
// spelled so that no time-zone database is needed.
[[maybe_unused]] const bool kZoneSet = [] {
    setenv("TZ", "CST-8", 1);
    tzset();
    return true;
}();
}  // namespace

std::string rootFolder()
{
    return "/";
}

std::string makeTemporaryFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "dirmatch-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

void setModified(const std::string& path, int64_t seconds, uint32_t nanoseconds)
{
    struct timespec times[2];
    times[0].tv_sec = seconds;
    times[0].tv_nsec = nanoseconds;
    times[1] = times[0];
    if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throw std::runtime_error("utimensat failed: " + path);
}

}  // namespace dm::test
