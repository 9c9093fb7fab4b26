#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/Fd_posix.h"
#include "platform/RunLock.h"

namespace dm::platform {

struct RunLock::Impl {
    Fd file;
};

RunLock::RunLock() : impl_(std::make_unique<Impl>()) {}

RunLock::~RunLock() = default;

bool RunLock::tryTake(const std::string& path)
{
    Fd file(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (file.get() < 0 || flock(file.get(), LOCK_EX | LOCK_NB) != 0) return false;
    impl_->file = std::move(file);
    return true;
}

}  // namespace dm::platform
