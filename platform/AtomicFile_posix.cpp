#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/AtomicFile.h"
#include "platform/SysError.h"
#include "platform/TempName.h"

namespace dm::platform {

struct AtomicFile::Impl {
    std::string target;
    std::string temp;
    int fd = -1;
    bool failed = false;

    void discard()
    {
        if (fd >= 0) close(fd);
        fd = -1;
        if (!temp.empty()) unlink(temp.c_str());
        temp.clear();
    }
};

AtomicFile::AtomicFile() : impl_(std::make_unique<Impl>()) {}

AtomicFile::~AtomicFile()
{
    impl_->discard();
}

bool AtomicFile::open(const std::string& target)
{
    impl_->discard();
    impl_->target = target;
    impl_->failed = false;
    // Keep the permissions of the file being replaced.
    mode_t mode = 0666;
    struct stat st {};
    const bool replacing = stat(target.c_str(), &st) == 0;
    // A pipe, a device or a folder is never replaced by a file.
    if (replacing && !S_ISREG(st.st_mode)) {
        setLastError(kNotARegularFile);
        return false;
    }
    if (replacing) mode = st.st_mode & 07777;
    // A read-only file stays as it is, even where its folder would allow a rename.
    if (replacing && access(target.c_str(), W_OK) != 0) {
        setLastError(errno);
        return false;
    }

    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = temporaryBeside(target);
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            impl_->fd = fd;
            impl_->temp = candidate;
            if (replacing && fchmod(fd, mode) != 0) {
                // The umask may have narrowed the mode; the content matters more.
            }
            return true;
        }
        if (errno != EEXIST) break;
    }
    setLastError(errno);
    return false;
}

bool AtomicFile::write(std::string_view data)
{
    if (impl_->fd < 0 || impl_->failed) return false;
    while (!data.empty()) {
        const ssize_t n = ::write(impl_->fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            setLastError(n < 0 ? errno : ENOSPC);
            impl_->failed = true;
            return false;
        }
        data.remove_prefix(size_t(n));
    }
    return true;
}

bool AtomicFile::commit(bool flushToDisk)
{
    if (impl_->fd < 0 || impl_->failed) return false;
    const int fd = impl_->fd;
    impl_->fd = -1;
    if (flushToDisk && fsync(fd) != 0) {
        setLastError(errno);
        close(fd);
        impl_->discard();
        return false;
    }
    if (close(fd) != 0 || rename(impl_->temp.c_str(), impl_->target.c_str()) != 0) {
        setLastError(errno);
        impl_->discard();
        return false;
    }
    impl_->temp.clear();
    return true;
}

}  // namespace dm::platform
