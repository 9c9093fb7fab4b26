#include "platform/Listing_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/PeVersion_posix.h"
#include "platform/SysError.h"
#include "platform/TestSeams.h"
#include "platform/Text.h"
#include "platform/Time.h"

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

// The names in the listing's order, each upper-cased once rather than at every
// comparison; a whole listing starts with the dot entries.
std::vector<std::string> inListingOrder(std::vector<std::string> names, bool oneName)
{
    std::vector<std::string> keys;
    keys.reserve(names.size());
    for (const std::string& name : names) keys.push_back(upperCase(name));
    // Comparing the upper-cased names as unsigned bytes, shorter first, then the
    // names themselves, is listingOrderLess. The first eight bytes of a key, as
    // one big-endian number, order most pairs without reaching the strings.
    struct Ranked {
        uint64_t head;
        uint32_t index;
    };
    std::vector<Ranked> order(names.size());
    for (uint32_t i = 0; i < order.size(); ++i) {
        uint64_t head = 0;
        for (size_t k = 0; k < 8; ++k)
            head = head << 8 | (k < keys[i].size() ? static_cast<unsigned char>(keys[i][k]) : 0u);
        order[i] = {head, i};
    }
    std::sort(order.begin(), order.end(), [&](const Ranked& a, const Ranked& b) {
        if (a.head != b.head) return a.head < b.head;
        if (const int c = keys[a.index].compare(keys[b.index]); c != 0) return c < 0;
        return names[a.index] < names[b.index];
    });
    std::vector<std::string> sorted;
    sorted.reserve(names.size() + 2);
    if (!oneName) {
        sorted.emplace_back(".");
        sorted.emplace_back("..");
    }
    for (const Ranked& r : order) sorted.push_back(std::move(names[r.index]));
    return sorted;
}

}  // namespace

int namesIn(int folderFd, std::vector<std::string>& names, bool rewind)
{
    // The folder's entries straight from the kernel: no second descriptor and
    // no stream around it (dup, fcntl and fstat for every folder otherwise).
    struct Entry {
        uint64_t inode;
        int64_t next;
        unsigned short length;
        unsigned char type;
        char name[1];  // as long as the record says
    };
    alignas(8) char buffer[32768];
    if (rewind && lseek(folderFd, 0, SEEK_SET) < 0) return errno;
    for (;;) {
        const long got = syscall(SYS_getdents64, folderFd, buffer, sizeof buffer);
        if (got < 0) return errno;
        if (got == 0) return 0;
        for (long at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const Entry*>(buffer + at);
            at += entry->length;
            const std::string_view name(buffer + at - entry->length + offsetof(Entry, name));
            if (name != "." && name != "..") names.emplace_back(name);
        }
    }
}

int FolderListing::Impl::describeOne(const std::string& name, Described& out) const
{
    const int dirFd = folder->get();
    struct statx st {};
    if (statx(dirFd, name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kStatxMask, &st) != 0) return errno;
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
    out.identity = {makedev(st.stx_dev_major, st.stx_dev_minor), st.stx_ino,
                    int64_t(st.stx_ctime.tv_sec) * 1000000000 + st.stx_ctime.tv_nsec};
    fillRecord(st, name, isLink, out.record);
    return 0;
}

int FolderListing::Impl::describeDot(Described& out) const
{
    // A folder that can be read but not entered fails the description of
    // every entry in it: only an empty one needs "." described to show it.
    // Nobody reads a dot entry's times.
    if (names.size() > 2) {
        out.present = true;
        out.record.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
        std::memcpy(out.record.cFileName, ".", 2);
        return 0;
    }
    return describeOne(".", out);
}

FolderListing::FolderListing() : impl_(std::make_unique<Impl>()) {}
FolderListing::~FolderListing() = default;

bool FolderListing::first(const std::string& folder, const std::string& name, WIN32_FIND_DATA& record)
{
    impl_ = std::make_unique<Impl>();
    if (const auto& hook = testSeams().failListing) {
        if (const int code = hook(folder)) {
            setLastError(code);
            return false;
        }
    }
    const std::string dirPath = folder.empty() ? std::string(".") : folder;
    const int dirFd = open(dirPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        setLastError(errno);
        return false;
    }
    impl_->folder = std::make_shared<FolderFd>(dirFd);
    std::vector<std::string> found;
    if (const int code = namesIn(dirFd, found, false)) {  // just opened: at its start
        setLastError(code);
        return false;
    }
    if (!name.empty()) {
        const std::string wanted = upperCase(name);
        std::erase_if(found, [&](const std::string& entry) { return upperCase(entry) != wanted; });
    }
    if (std::any_of(found.begin(), found.end(), [](const std::string& n) { return n.size() > kMaxNameLength; })) {
        setLastError(ENAMETOOLONG);
        return false;
    }
    impl_->names = inListingOrder(std::move(found), !name.empty());
    if (!next(record)) {
        setLastError(impl_->failure != 0 ? impl_->failure : ENOENT);
        return false;
    }
    return true;
}

bool FolderListing::next(WIN32_FIND_DATA& record)
{
    Impl& impl = *impl_;
    while (impl.nextIndex < impl.names.size()) {
        Described& d = impl.current;
        const std::string& name = impl.names[impl.nextIndex++];
        // ".." fails or passes with ".": it takes "."'s record.
        if (name == ".." && d.present) {
            std::memcpy(d.record.cFileName, "..", 3);
            record = d.record;
            return true;
        }
        d = Described{};
        const int code = name == "." ? impl.describeDot(d) : impl.describeOne(name, d);
        // A name gone since the folder was read is skipped; any other failure
        // (a folder that can be read but not entered) ends the listing with its cause.
        if (code != 0 && code != ENOENT) {
            impl.failure = code;
            impl.current = Described{};
            impl.nextIndex = impl.names.size();
            return false;
        }
        if (!d.present) continue;
        record = d.record;
        return true;
    }
    impl.current = Described{};
    return false;
}

int FolderListing::failure() const
{
    if (impl_->failure != 0) setLastError(impl_->failure);
    return impl_->failure;
}

bool FolderListing::isRegularFile() const
{
    return impl_->current.present && impl_->current.regular;
}

FileIdentity FolderListing::identity() const
{
    return impl_->current.present ? impl_->current.identity : FileIdentity{};
}

FileIdentity FolderListing::folderIdentity() const
{
    struct stat st {};
    if (!impl_->folder || fstat(impl_->folder->get(), &st) != 0) return {};
    return FileIdentity{uint64_t(st.st_dev), uint64_t(st.st_ino), 0};
}

bool folderExists(const std::string& path)
{
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0) {
        setLastError(path.empty() ? ENOENT : errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) setLastError(ENOTDIR);
    return S_ISDIR(st.st_mode);
}

std::optional<std::string> pathInside(const std::string& inner, const std::string& outer)
{
    const auto resolved = [](const std::string& path) -> std::optional<std::string> {
        char* real = realpath(path.c_str(), nullptr);
        if (!real) return std::nullopt;
        std::string text(real);
        std::free(real);
        if (text.back() != kSeparator) text += kSeparator;
        return text;
    };
    const auto in = resolved(inner);
    const auto out = resolved(outer);
    if (!in || !out || in->size() <= out->size() || !in->starts_with(*out)) return std::nullopt;
    return in->substr(out->size(), in->size() - out->size() - 1);
}

std::optional<FileIdentity> folderIdentity(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    return FileIdentity{uint64_t(st.st_dev), uint64_t(st.st_ino), 0};
}

std::optional<std::string> linkText(const std::string& path)
{
    std::string text(4096, '\0');
    for (;;) {
        const ssize_t n = readlink(path.c_str(), text.data(), text.size());
        if (n < 0) return std::nullopt;
        if (size_t(n) < text.size()) {
            text.resize(size_t(n));
            return text;
        }
        text.resize(text.size() * 2);
    }
}

bool itemExists(const std::string& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
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

bool removeEmptyFolder(const std::string& path)
{
    if (rmdir(path.c_str()) == 0) return true;
    setLastError(errno);
    return false;
}

}  // namespace dm::platform
