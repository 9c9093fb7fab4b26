#include "tests/support/TempDir.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

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

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "dirmatch-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string TempDir::file(const std::string& relative, const std::string& content, int64_t seconds,
                          uint32_t nanoseconds) const
{
    const std::string full = *this / relative;
    fs::create_directories(fs::path(full).parent_path());
    writeFile(full, content);
    setModified(full, seconds, nanoseconds);
    return full;
}

std::string TempDir::folder(const std::string& relative) const
{
    const std::string full = *this / relative;
    fs::create_directories(full);
    return full;
}

std::string TempDir::read(const std::string& relative) const
{
    return readFile(*this / relative);
}

bool TempDir::exists(const std::string& relative) const
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(*this / relative, ec));
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

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace dm::test
