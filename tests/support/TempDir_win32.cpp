#include <random>
#include <stdexcept>

#include "platform/Time.h"
#include "platform/Win32.h"
#include "tests/support/TempDir.h"

namespace dm::test {

std::string rootFolder()
{
    return "C:\\";
}

std::string makeTemporaryFolder()
{
    char base[MAX_PATH + 1];
    const DWORD n = GetTempPathA(sizeof base, base);
    if (n == 0 || n > MAX_PATH) throw std::runtime_error("no temporary folder");
    std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = std::string(base) + "dirmatch-test-" + std::to_string(random() % 1000000000);
        if (CreateDirectoryA(candidate.c_str(), nullptr)) return candidate;
    }
    throw std::runtime_error("cannot make a temporary folder");
}

void setModified(const std::string& path, int64_t seconds, uint32_t nanoseconds)
{
    // Folders open only with backup semantics.
    const HANDLE file =
        CreateFileW(platform::widePath(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path);
    const platform::FILETIME ours = platform::fileTimeFromUnix(seconds, nanoseconds);
    const ::FILETIME time{ours.dwLowDateTime, ours.dwHighDateTime};
    const bool set = SetFileTime(file, nullptr, &time, &time) != 0;
    CloseHandle(file);
    if (!set) throw std::runtime_error("cannot set the time of " + path);
}

}  // namespace dm::test
