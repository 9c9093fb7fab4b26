#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/Listing.h"
#include "platform/PeVersion_posix.h"
#include "platform/SysError.h"
#include "platform/TestSeams.h"
#include "platform/Text.h"
#include "platform/Time.h"
#include "platform/Uring_posix.h"

namespace dm::platform {

namespace {

FILETIME toFileTime(const struct statx_timestamp& ts)
{
    return fileTimeFromUnix(ts.tv_sec, ts.tv_nsec);
}

void fillRecord(const struct statx& st, const std::string& name, bool isLink, WIN32_FIND_DATA& rec)
{
    rec = WIN32_FIND_DATA{};
    const bool isFolder = S_ISDIR(st.stx_mode);
    rec.dwFileAttributes = isFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (!(st.stx_mode & S_IWUSR)) rec.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
    if (name.size() > 1 && name[0] == '.' && name != "..") rec.dwFileAttributes |= FILE_ATTRIBUTE_HIDDEN;
    if (isLink) rec.dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    rec.ftLastWriteTime = toFileTime(st.stx_mtime);
    rec.ftLastAccessTime = toFileTime(st.stx_atime);
    rec.ftCreationTime = (st.stx_mask & STATX_BTIME) ? toFileTime(st.stx_btime) : rec.ftLastWriteTime;
    if (!isFolder) {
        rec.nFileSizeHigh = uint32_t(st.stx_size >> 32);
        rec.nFileSizeLow = uint32_t(st.stx_size & 0xFFFFFFFFu);
    }
    std::memcpy(rec.cFileName, name.data(), name.size());
}

constexpr unsigned kStatxMask = STATX_BASIC_STATS | STATX_BTIME;
constexpr size_t kBatchSize = 256;

}  // namespace

// One entry described: its record, and what the scan needs to know besides.
struct Described {
    WIN32_FIND_DATA record;
    bool present = false;  // false: the entry vanished since the folder was read
    bool regular = false;
    uint64_t size = 0;
    bool versionRead = false;
    std::optional<FileVersion> version;
};

struct FolderListing::Impl {
    int dirFd = -1;
    std::vector<std::string> names;
    size_t nextIndex = 0;
    bool probeVersions = false;
    // Entries are described a batch at a time, ahead of the caller.
    std::vector<Described> batch;
    size_t batchBegin = 0;
    const Described* current = nullptr;

    ~Impl()
    {
        if (dirFd >= 0) close(dirFd);
    }

    void describeOne(const std::string& name, Described& out) const
    {
        struct statx st {};
        if (statx(dirFd, name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kStatxMask, &st) != 0) return;
        finish(name, st, out);
    }

    // Completes an entry from its own statx (links are followed here).
    void finish(const std::string& name, struct statx st, Described& out) const
    {
        bool isLink = false;
        if (S_ISLNK(st.stx_mode)) {
            isLink = true;
            struct statx target {};
            if (statx(dirFd, name.c_str(), AT_NO_AUTOMOUNT, kStatxMask, &target) == 0) {
                st = target;
            } else {
                st.stx_size = 0;  // dangling: a file of size 0
            }
        }
        out.present = true;
        out.regular = S_ISREG(st.stx_mode);
        out.size = st.stx_size;
        fillRecord(st, name, isLink, out.record);
    }

    void fillBatch(size_t from)
    {
        const size_t count = std::min(kBatchSize, names.size() - from);
        batch.assign(count, Described{});
        batchBegin = from;
        // statx stays a plain call: answered from the dentry cache it is
        // cheaper than a trip through the ring.
        for (size_t i = 0; i < count; ++i) describeOne(names[from + i], batch[i]);
        if (Uring* ring = Uring::instance(); probeVersions && ring) readVersions(*ring);
    }

    // The heads of all candidate files at once; only an executable's is read further.
    void readVersions(Uring& ring)
    {
        std::vector<size_t> which;
        std::vector<const char*> candidates;
        for (size_t i = 0; i < batch.size(); ++i) {
            if (!batch[i].present || !batch[i].regular || batch[i].size < kMinExecutableSize) continue;
            which.push_back(i);
            candidates.push_back(names[batchBegin + i].c_str());
        }
        if (candidates.empty()) return;
        std::vector<std::array<uint8_t, kProbeBytes>> heads;
        std::vector<int> results;
        if (!ring.readHeads(dirFd, candidates, heads, results)) return;
        for (size_t k = 0; k < which.size(); ++k) {
            Described& d = batch[which[k]];
            const bool executable = results[k] >= int(kMinExecutableSize) && heads[k][0] == 'M' && heads[k][1] == 'Z';
            if (executable) d.version = readFileVersionAt(dirFd, candidates[k], d.size);
            d.versionRead = results[k] >= 0;
        }
    }
};

FolderListing::FolderListing() : impl_(std::make_unique<Impl>()) {}
FolderListing::~FolderListing() = default;

bool FolderListing::first(const std::string& folder, const std::string& name, WIN32_FIND_DATA& record,
                          bool withVersions)
{
    impl_ = std::make_unique<Impl>();
    impl_->probeVersions = withVersions;
    if (const auto& hook = testSeams().failListing) {
        if (const int code = hook(folder)) {
            setLastError(code);
            return false;
        }
    }
    const std::string dirPath = folder.empty() ? std::string(".") : folder;
    impl_->dirFd = open(dirPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (impl_->dirFd < 0) {
        setLastError(errno);
        return false;
    }
    const int readFd = dup(impl_->dirFd);
    DIR* dir = readFd >= 0 ? fdopendir(readFd) : nullptr;
    if (!dir) {
        setLastError(errno);
        if (readFd >= 0) close(readFd);
        return false;
    }
    const std::string wanted = upperCase(name);
    bool tooLong = false;
    errno = 0;
    while (const dirent* entry = readdir(dir)) {
        const std::string_view entryName(entry->d_name);
        if (entryName == "." || entryName == "..") continue;
        if (!name.empty() && upperCase(entryName) != wanted) continue;
        if (entryName.size() > kMaxNameLength) tooLong = true;
        impl_->names.emplace_back(entryName);
    }
    const int readError = errno;
    closedir(dir);
    if (readError != 0 || tooLong) {
        setLastError(readError != 0 ? readError : ENAMETOOLONG);
        impl_->names.clear();
        return false;
    }
    std::sort(impl_->names.begin(), impl_->names.end(),
              [](const std::string& a, const std::string& b) { return listingOrderLess(a, b); });
    if (name.empty()) impl_->names.insert(impl_->names.begin(), {".", ".."});
    if (!next(record)) {
        setLastError(ENOENT);
        return false;
    }
    return true;
}

bool FolderListing::next(WIN32_FIND_DATA& record)
{
    Impl& impl = *impl_;
    while (impl.nextIndex < impl.names.size()) {
        const size_t index = impl.nextIndex++;
        if (index >= impl.batchBegin + impl.batch.size() || index < impl.batchBegin || impl.batch.empty())
            impl.fillBatch(index);
        const Described& d = impl.batch[index - impl.batchBegin];
        if (!d.present) continue;
        impl.current = &d;
        record = d.record;
        return true;
    }
    impl.current = nullptr;
    return false;
}

bool FolderListing::isRegularFile() const
{
    return impl_->current && impl_->current->regular;
}

std::optional<FileVersion> FolderListing::fileVersion() const
{
    const Described* d = impl_->current;
    if (impl_->dirFd < 0 || !d || !d->regular) return std::nullopt;
    if (d->versionRead) return d->version;
    return readFileVersionAt(impl_->dirFd, d->record.cFileName, d->size);
}

bool folderExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

uint64_t itemSize(const std::string& path)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return 0;
    return S_ISDIR(st.st_mode) ? 0 : uint64_t(st.st_size);
}

bool deleteFile(const std::string& path)
{
    if (unlink(path.c_str()) == 0) return true;
    setLastError(errno);
    return false;
}

}  // namespace dm::platform
