#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Fd_posix.h"
#include "platform/OpenFile.h"
#include "platform/SysError.h"

namespace dm::platform {

std::FILE* openFile(const std::string& path, const char* mode)
{
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (!file) setLastError(errno);
    return file;
}

bool readOwnFile(const std::string& path, uint64_t maxBytes, std::string& data)
{
    // Non-blocking: a pipe put at the path must not hold the program in open().
    const Fd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
    struct stat st {};
    if (fd.get() < 0 || fstat(fd.get(), &st) != 0) return false;
    if (!S_ISREG(st.st_mode) || st.st_uid != geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) ||
        uint64_t(st.st_size) > maxBytes)
        return false;
    data.resize(size_t(st.st_size));
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = read(fd.get(), data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

}  // namespace dm::platform
