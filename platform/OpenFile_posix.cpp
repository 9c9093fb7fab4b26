#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Fd_posix.h"
#include "platform/OpenFile.h"
#include "platform/SysError.h"
#include "platform/TestSeams.h"

namespace dm::platform {

std::FILE* openFile(const std::string& path, const char* mode)
{
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (!file) setLastError(errno);
    return file;
}

bool OwnFileView::open(const std::string& path, uint64_t maxBytes)
{
    close();
    // Non-blocking: a pipe put at the path must not hold the program in open().
    const Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
    struct stat st {};
    if (fd.get() < 0 || fstat(fd.get(), &st) != 0) return false;
    if (!S_ISREG(st.st_mode) || st.st_uid != geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) ||
        uint64_t(st.st_size) > maxBytes)
        return false;
    if (const auto& hook = testSeams().ownFileOpened) hook(path);
    copy_.resize(size_t(st.st_size));
    for (size_t done = 0; done < copy_.size();) {
        const ssize_t n = read(fd.get(), copy_.data() + done, copy_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {  // cut short since it was looked at: not the file it was
            close();
            return false;
        }
        done += size_t(n);
    }
    data_ = copy_;
    return true;
}

void OwnFileView::close()
{
    data_ = {};
    std::string().swap(copy_);
}

}  // namespace dm::platform
