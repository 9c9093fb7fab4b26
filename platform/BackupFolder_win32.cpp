#include "platform/BackupFolder.h"
#include "platform/Copy.h"
#include "platform/FindData.h"
#include "platform/Listing.h"
#include "platform/SysError.h"
#include "platform/Text.h"
#include "platform/Win32.h"

namespace dm::platform {

namespace {

bool isAbsolute(const std::string& path)
{
    return (!path.empty() && (path[0] == '\\' || path[0] == '/')) || (path.size() > 1 && path[1] == ':');
}

}  // namespace

struct BackupFolder::Impl {
    std::string path;
};

BackupFolder::BackupFolder() : impl_(std::make_unique<Impl>()) {}
BackupFolder::~BackupFolder() = default;

int BackupFolder::open(const std::string& root, const std::string& folder, std::string& at)
{
    const bool absolute = isAbsolute(folder);
    std::string reached = absolute ? std::string() : root;
    size_t from = 0;
    while (from <= folder.size()) {
        const size_t end = std::min(folder.find_first_of("/\\", from), folder.size());
        const std::string name = folder.substr(from, end - from);
        from = end + 1;
        if (reached.empty() && absolute) {
            reached = name + kSeparator;  // the drive ("C:") or the root
            continue;
        }
        if (name.empty() || name == ".") continue;
        if (!absolute && name == "..") return ERROR_INVALID_PARAMETER;
        if (!endsWithSeparator(reached)) reached += kSeparator;
        reached += name;
        at = reached;
        if (!CreateDirectoryW(widePath(reached).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return int(GetLastError());
        const DWORD attributes = GetFileAttributesW(widePath(reached).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return int(GetLastError());
        // Below B a junction is never passed through.
        if (!absolute && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return kLinkInPath;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_DIRECTORY;
    }
    impl_->path = reached;
    return 0;
}

const std::string& BackupFolder::path() const
{
    return impl_->path;
}

bool BackupFolder::onFileSystemOf(const std::string& root) const
{
    char here[MAX_PATH] = {};
    char there[MAX_PATH] = {};
    return GetVolumePathNameA(impl_->path.c_str(), here, MAX_PATH) &&
           GetVolumePathNameA(root.c_str(), there, MAX_PATH) && upperCase(here) == upperCase(there);
}

std::vector<std::string> BackupFolder::folders() const
{
    std::vector<std::string> found;
    FolderListing listing;
    WIN32_FIND_DATA record;
    if (!listing.first(impl_->path + kSeparator, {}, record)) return found;
    do {
        const std::string name = record.cFileName;
        if (name != "." && name != ".." && (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(record.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            found.push_back(name);
    } while (listing.next(record));
    return found;
}

int BackupFolder::remove(const std::string& name)
{
    return removeTree(impl_->path + kSeparator + name);
}

int BackupFolder::makeFresh(const std::string& name, std::string& made)
{
    for (int n = 1; n < 10000; ++n) {
        made = n == 1 ? name : name + "-" + std::to_string(n);
        if (CreateDirectoryW(widePath(impl_->path + kSeparator + made).c_str(), nullptr)) return 0;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return int(GetLastError());
    }
    return ERROR_ALREADY_EXISTS;
}

}  // namespace dm::platform
