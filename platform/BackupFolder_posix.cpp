#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/BackupFolder.h"
#include "platform/Fd_posix.h"
#include "platform/Listing_posix.h"
#include "platform/SysError.h"
#include "platform/Text.h"

namespace dm::platform {

struct BackupFolder::Impl {
    Fd fd;
    std::string path;
};

BackupFolder::BackupFolder() : impl_(std::make_unique<Impl>()) {}
BackupFolder::~BackupFolder() = default;

int BackupFolder::open(const std::string& root, const std::string& folder, std::string& at)
{
    const bool absolute = !folder.empty() && folder[0] == '/';
    std::string reached = absolute ? std::string("/") : root;
    // An absolute folder is the user's own choice, links and all, up to its last component.
    Fd current(::open(reached.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    at = reached;
    if (current.get() < 0) return errno;
    size_t from = 0;
    while (from <= folder.size()) {
        const size_t end = std::min(folder.find('/', from), folder.size());
        const std::string name = folder.substr(from, end - from);
        from = end + 1;
        if (name.empty() || name == ".") continue;
        if (!absolute && name == "..") return EINVAL;
        reached += (reached.back() == '/' ? "" : "/") + name;
        at = reached;
        Fd next;
        if (absolute && from <= folder.size()) {
            next = Fd(openat(current.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (next.get() < 0 && errno == ENOENT && mkdirat(current.get(), name.c_str(), 0777) == 0)
                next = Fd(openat(current.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (next.get() < 0) return errno;
        } else if (const int code = openOrMakeFolder(current.get(), name, next)) {
            return code;
        }
        current = std::move(next);
    }
    impl_->fd = std::move(current);
    impl_->path = reached;
    return 0;
}

const std::string& BackupFolder::path() const
{
    return impl_->path;
}

bool BackupFolder::onFileSystemOf(const std::string& root) const
{
    struct stat here {};
    struct stat there {};
    return fstat(impl_->fd.get(), &here) == 0 && stat(root.c_str(), &there) == 0 && here.st_dev == there.st_dev;
}

std::vector<std::string> BackupFolder::folders() const
{
    std::vector<std::string> names;
    std::vector<std::string> found;
    if (impl_->fd.get() < 0 || namesIn(impl_->fd.get(), names) != 0) return found;
    for (const std::string& name : names) {
        struct stat st {};
        if (fstatat(impl_->fd.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
            found.push_back(name);
    }
    return found;
}

int BackupFolder::remove(const std::string& name)
{
    return removeBelow(impl_->fd.get(), name);
}

int BackupFolder::makeFresh(const std::string& name, std::string& made)
{
    for (int n = 1; n < 10000; ++n) {
        made = n == 1 ? name : name + "-" + std::to_string(n);
        if (mkdirat(impl_->fd.get(), made.c_str(), 0777) == 0) return 0;
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

}  // namespace dm::platform
