#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "platform/Copy.h"
#include "platform/Fd_posix.h"
#include "platform/Listing_posix.h"
#include "platform/Process.h"
#include "platform/ProgramPaths.h"
#include "platform/SysError.h"
#include "platform/TempName.h"
#include "platform/TestSeams.h"
#include "platform/Text.h"

namespace dm::platform {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::vector<std::string> componentsOf(const std::string& relative)
{
    std::vector<std::string> parts;
    size_t at = 0;
    while (at <= relative.size()) {
        const size_t end = std::min(relative.find(kSeparator, at), relative.size());
        if (end > at) parts.push_back(relative.substr(at, end - at));
        at = end + 1;
    }
    return parts;
}

// The reason a folder could not be opened without following a link.
int folderOpenError(int dirFd, const std::string& name, int code)
{
    struct stat st {};
    if ((code == ELOOP || code == ENOTDIR) && fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(st.st_mode))
        return kLinkInPath;
    return code;
}

// A refusal of the file system to hold modes at all, rather than of this change.
bool modesUnsupported(int code)
{
    return code == EPERM || code == ENOSYS || code == EOPNOTSUPP || code == ENOTSUP;
}

int setTimes(int fd, const struct stat& source)
{
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    return futimens(fd, times) == 0 ? 0 : errno;
}

bool sameTime(const struct timespec& a, const struct timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Whether the open source is still the file it was when its copy began: a
// file cut short or rewritten meanwhile gave bytes of neither version.
int unchanged(int fd, const struct stat& before)
{
    struct stat now {};
    if (fstat(fd, &now) != 0) return errno;
    return now.st_size == before.st_size && sameTime(now.st_mtim, before.st_mtim) &&
                   sameTime(now.st_ctim, before.st_ctim)
               ? 0
               : kSourceChanged;
}

// Renames the temporary file to a name nothing holds. A folder that ignores
// case holds "X.h" under "x.h" too: the second twin must not replace the first.
int renameToFreeName(int dir, const std::string& temp, const std::string& name)
{
    if (renameat2(dir, temp.c_str(), dir, name.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno == EEXIST) return kNameTaken;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return errno;
    // The file system cannot refuse on our behalf (some FUSE ones): look first.
    struct stat st {};
    if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return kNameTaken;
    return renameat(dir, temp.c_str(), dir, name.c_str()) == 0 ? 0 : errno;
}

}  // namespace

struct CopyInto::Impl {
    std::string root;
    Fd rootFd;
    int rootError = 0;
    std::function<bool()>* stop = nullptr;
    std::function<void(uint64_t)>* written = nullptr;
    std::function<void()>* fileCopied = nullptr;
    struct timespec started {};
    std::set<std::pair<dev_t, ino_t>> swept;
    CopyReport* report = nullptr;
    std::string backupFolder;  // where replaced files are kept; empty: nowhere
    // What the copy in progress leaves out below its item, and the length of
    // that item's target path (see copy).
    const std::set<std::string>* leaveOut = nullptr;
    size_t copiedLength = 0;
    // The buffer data is copied through, made once (files are many and mostly small).
    static constexpr size_t kBufferSize = size_t(1) << 20;
    std::unique_ptr<char[]> buffer = std::make_unique_for_overwrite<char[]>(kBufferSize);
    std::set<dev_t> noClones;  // the file systems of sources whose blocks could not be shared
    bool kernelCopies = true;  // until the kernel cannot copy between the files itself
    Fd backupFd;

    // A folder written into, held open while files wait in it, with what
    // was found of it once for all its files: its identity, and whether its
    // file system may date a file anew when it is renamed.
    struct Into {
        std::shared_ptr<Fd> fd;
        std::pair<dev_t, ino_t> id{};
        bool redates = true;
        int get() const { return fd->get(); }
    };

    // The folder opened as `fd`; 0, or why it cannot be written into.
    static int into(Fd fd, Into& folder)
    {
        struct stat st {};
        if (fd.get() < 0 || fstat(fd.get(), &st) != 0) return errno ? errno : EBADF;
        // Local disks keep a renamed file's times; FUSE file systems (FAT) may not.
        struct statfs fs {};
        const bool keepsTimes =
            fstatfs(fd.get(), &fs) == 0 && (fs.f_type == EXT4_SUPER_MAGIC || fs.f_type == XFS_SUPER_MAGIC ||
                                            fs.f_type == BTRFS_SUPER_MAGIC || fs.f_type == TMPFS_MAGIC);
        folder = {std::make_shared<Fd>(std::move(fd)), {st.st_dev, st.st_ino}, !keepsTimes};
        return 0;
    }

    // A file written whole under its temporary name, not yet in place.
    struct Waiting {
        Into folder;
        std::string temp;
        std::string name;
        std::string targetPath;
        bool fresh;
        struct timespec times[2];
        size_t call;
    };
    std::vector<Waiting> waiting;
    std::map<std::pair<dev_t, ino_t>, Into> waitingFolders;  // each folder held once
    uint64_t waitingBytes = 0;
    size_t call = 0;  // the copy under way
    size_t calls = 0;
    Flushed late;
    // A folder copied whole whose files still wait: it gets its final mode
    // and times once they have landed (a rename into it would move them).
    struct Unfinished {
        std::shared_ptr<Fd> folder;
        struct stat st;
        std::string targetPath;
        size_t call;
    };
    std::vector<Unfinished> unfinished;  // the deepest first, as their copies ended
    // A batch is put in place at these sizes.
    static constexpr size_t kBatchFiles = 8192;
    static constexpr size_t kBatchFolders = 128;
    static constexpr size_t kUnfinishedFolders = 128;
    static constexpr uint64_t kBatchBytes = uint64_t(256) << 20;

    // Flushes the file system's data once, then renames every waiting file
    // into place. Where the flush fails no file is put in place.
    void land()
    {
        if (waiting.empty()) return;
        CopyReport landing;
        CopyReport* const copying = report;
        report = &landing;
        // Each file system the batch was written to (B may hold another one's mount point).
        int flushed = 0;
        std::set<dev_t> flushedDevices;
        for (const auto& [identity, folder] : waitingFolders) {
            if (flushed != 0 || !flushedDevices.insert(identity.first).second) continue;
            if (syncfs(folder.get()) != 0 && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL) flushed = errno;
        }
        const auto& failFlush = testSeams().failBatchFlush;
        if (flushed == 0 && failFlush) flushed = failFlush();
        // The files they replace are kept first; copies of them (where the
        // file system makes no links) reach the disk before any is replaced,
        // so B's name always holds the old file or the new one.
        std::vector<int> errors(waiting.size(), flushed);
        bool copiedOld = false;
        for (size_t i = 0; i < waiting.size(); ++i) {
            const Waiting& w = waiting[i];
            if (errors[i] == 0 && !w.fresh) errors[i] = keepOld(w.folder.get(), w.name, w.targetPath, copiedOld);
        }
        if (copiedOld && syncfs(backupFd.get()) != 0 && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL) {
            for (int& error : errors) error = error != 0 ? error : errno;
        }
        for (size_t i = 0; i < waiting.size(); ++i) {
            const Waiting& w = waiting[i];
            const int dir = w.folder.get();
            int error = errors[i];
            if (error == 0 && testSeams().beforeReplace) testSeams().beforeReplace(w.targetPath);
            if (error == 0) error = putInPlace(dir, w.temp, w.name, w.fresh);
            if (error != 0) {
                unlinkat(dir, w.temp.c_str(), 0);
                late.failures.push_back({w.call, {w.targetPath, error}});
                continue;
            }
            // Some file systems (FAT through FUSE) date a renamed file anew: its time is put back.
            struct stat landed {};
            if (w.folder.redates && fstatat(dir, w.name.c_str(), &landed, AT_SYMLINK_NOFOLLOW) == 0 &&
                landed.st_mtim.tv_sec != w.times[1].tv_sec && S_ISREG(landed.st_mode) &&
                utimensat(dir, w.name.c_str(), w.times, AT_SYMLINK_NOFOLLOW) != 0)
                late.failures.push_back({w.call, {w.targetPath, errno}});
        }
        for (const Unfinished& u : unfinished) {
            int error = setMode(u.folder->get(), u.st.st_mode);
            if (error == 0) error = setTimes(u.folder->get(), u.st);
            if (error != 0) late.failures.push_back({u.call, {u.targetPath, error}});
        }
        late.kept += landing.kept;
        if (late.modesNotKept == 0) late.modesNotKept = landing.modesNotKept;
        report = copying;
        waiting.clear();
        heldFolders -= int64_t(waitingFolders.size() + unfinished.size());
        waitingFolders.clear();
        unfinished.clear();
        waitingBytes = 0;
    }

    // Folders held open by the files and folders waiting, in every copy of
    // the process at once (targets copy side by side): a batch lands before
    // they would take more than a share of the descriptors the process may
    // hold, whatever the shape of the tree.
    static inline std::atomic<int64_t> heldFolders{0};
    static int64_t folderBudget()
    {
        static const int64_t budget = std::max<int64_t>(8, int64_t(descriptorLimit() / 4));
        return budget;
    }

    // The folder a file waits in, held once however many files wait there.
    const Into& holdWaiting(const Into& folder)
    {
        if (const auto at = waitingFolders.find(folder.id); at != waitingFolders.end()) return at->second;
        if (waitingFolders.size() >= kBatchFolders || heldFolders + 1 > folderBudget()) land();
        ++heldFolders;
        return waitingFolders.emplace(folder.id, folder).first->second;
    }

    bool stopping() const
    {
        if (report->stopped) return true;
        if (*stop && (*stop)()) report->stopped = true;
        return report->stopped;
    }

    void fail(const std::string& target, int code) { report->failures.push_back({target, code}); }

    // Gives the item its permission bits where its file system keeps them.
    int setMode(int fd, mode_t mode)
    {
        const auto& refuse = testSeams().failModeChange;
        int code = refuse ? refuse() : 0;
        if (code == 0 && fchmod(fd, mode & 07777) == 0) return 0;
        if (code == 0) code = errno;
        if (!modesUnsupported(code)) return code;
        if (report->modesNotKept == 0) report->modesNotKept = code;
        return 0;
    }

    // Temporary files of runs that were killed: ours by their name, owned by
    // this user, regular, and older than this synchronization.
    void sweep(const Into& folder)
    {
        if (!swept.insert(folder.id).second) return;
        const int folderFd = folder.get();
        std::vector<std::string> names;
        namesIn(folderFd, names);
        for (const std::string& name : names) {
            if (!isLeftoverName(name)) continue;
            struct stat st {};
            if (fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
                st.st_uid != geteuid())
                continue;
            const bool older = st.st_ctim.tv_sec < started.tv_sec ||
                               (st.st_ctim.tv_sec == started.tv_sec && st.st_ctim.tv_nsec < started.tv_nsec);
            if (older) unlinkat(folderFd, name.c_str(), 0);
        }
    }

    // Whether the root's path still leads to the folder held open.
    int checkRoot()
    {
        if (rootError != 0) return rootError;
        struct stat held {};
        struct stat named {};
        if (fstat(rootFd.get(), &held) != 0 || stat(root.c_str(), &named) != 0 || held.st_dev != named.st_dev ||
            held.st_ino != named.st_ino)
            rootError = kFolderReplaced;
        return rootError;
    }

    // The folder at all but the last of the components below `base`, made
    // where missing, never reached through a link.
    static Fd openParent(int base, const std::string& basePath, const std::vector<std::string>& parts,
                         std::string& reached, int& error)
    {
        Fd folder(fcntl(base, F_DUPFD_CLOEXEC, 0));
        reached = basePath;
        if (folder.get() < 0) {
            error = errno;
            return Fd();
        }
        for (size_t i = 0; i + 1 < parts.size(); ++i) {
            const std::string& name = parts[i];
            reached += (reached.empty() || reached.back() == kSeparator ? "" : std::string(1, kSeparator)) + name;
            Fd next;
            if ((error = openOrMakeFolder(folder.get(), name, next)) != 0) return Fd();
            folder = std::move(next);
        }
        return folder;
    }

    // Keeps the file or link at `targetPath` (named `name` in `targetDir`)
    // before it is replaced: linked into the backup set, or, where the file
    // system makes no links, copied there (`copied` then set: the copy is to
    // be flushed). 0, or why it cannot be kept; nothing standing there needs
    // no keeping.
    int keepOld(int targetDir, const std::string& name, const std::string& targetPath, bool& copied)
    {
        struct stat old {};
        if (backupFolder.empty() || fstatat(targetDir, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) != 0) return 0;
        if (backupFd.get() < 0) {
            // A set inside B is reached as every write below B is: never through a link.
            if (backupFolder.starts_with(rootPrefix())) {
                std::vector<std::string> parts = componentsOf(backupFolder.substr(rootPrefix().size()));
                parts.emplace_back();
                std::string reached;
                int error = 0;
                backupFd = openParent(rootFd.get(), root, parts, reached, error);
                if (backupFd.get() < 0) return error;
            } else {
                backupFd = Fd(open(backupFolder.c_str(), kFolderFlags));
                if (backupFd.get() < 0) return errno;
            }
        }
        std::string reached;
        int error = 0;
        Fd folder = openParent(backupFd.get(), backupFolder, componentsOf(targetPath.substr(rootPrefix().size())),
                               reached, error);
        if (folder.get() < 0) return error;
        if (!testSeams().noHardLinks && linkat(targetDir, name.c_str(), folder.get(), name.c_str(), 0) == 0) {
            ++report->kept;
            return 0;
        }
        if (!testSeams().noHardLinks && errno == EEXIST) return EEXIST;  // kept there already: never overwritten
        // FAT and some FUSE file systems make no links.
        if (const int code = copyOld(targetDir, name, old, folder.get())) return code;
        copied = true;
        ++report->kept;
        return 0;
    }

    // A copy of the old file (or link) into the set, with its times.
    int copyOld(int targetDir, const std::string& name, const struct stat& old, int setDir)
    {
        if (S_ISLNK(old.st_mode)) {
            std::vector<char> text(size_t(old.st_size) + 1 + 4096);
            const ssize_t n = readlinkat(targetDir, name.c_str(), text.data(), text.size() - 1);
            if (n < 0) return errno;
            text[size_t(n)] = '\0';
            return symlinkat(text.data(), setDir, name.c_str()) == 0 ? 0 : errno;
        }
        Fd in(openat(targetDir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        if (in.get() < 0) return errno;
        const std::string temp = temporaryName();
        Fd out(openat(setDir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (out.get() < 0) return errno;
        int error = 0;
        for (off_t at = 0; error == 0 && at < old.st_size;) {
            const ssize_t got = copyBlock(in.get(), out.get(), at, std::min(kBufferSize, size_t(old.st_size - at)));
            if (got <= 0) error = got < 0 ? int(-got) : kSourceChanged;
            at += got > 0 ? got : 0;
        }
        if (error == 0) error = setMode(out.get(), old.st_mode);
        if (error == 0) error = setTimes(out.get(), old);
        if (error == 0 && close(out.release()) != 0) error = errno;
        if (error == 0) error = renameToFreeName(setDir, temp, name);
        if (error == kNameTaken) error = EEXIST;  // kept there already: never overwritten
        if (error != 0) {
            unlinkat(setDir, temp.c_str(), 0);
            return error;
        }
        // Some file systems (FAT through FUSE) date a renamed file anew.
        const struct timespec times[2] = {old.st_atim, old.st_mtim};
        utimensat(setDir, name.c_str(), times, AT_SYMLINK_NOFOLLOW);
        return 0;
    }

    void copied()
    {
        ++report->filesCopied;
        if (*fileCopied) (*fileCopied)();
    }

    std::string rootPrefix() const { return !root.empty() && root.back() == kSeparator ? root : root + kSeparator; }

    // Any item of the source folder (or the source itself) into the open
    // target folder. `fresh`: the place must be free (the folder was made by
    // this copy, or the item was lacking), so nothing there is ever replaced.
    void copyAny(int sourceDir, const std::string& sourceName, const Into& target, const std::string& name,
                 const std::string& targetPath, bool fresh)
    {
        if (stopping()) return;
        struct stat st {};
        if (fstatat(sourceDir, sourceName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return fail(targetPath, errno);
        if (S_ISLNK(st.st_mode)) return copyLink(sourceDir, sourceName, st, target.get(), name, targetPath, fresh);
        if (S_ISDIR(st.st_mode)) return copyFolder(sourceDir, sourceName, st, target.get(), name, targetPath, fresh);
        if (S_ISREG(st.st_mode)) return copyFile(sourceDir, sourceName, target, name, targetPath, fresh);
        fail(targetPath, kNotARegularFile);  // devices, sockets and pipes are not copied
    }

    // What stands at the target already may be replaced by a file or a link.
    static int replaceable(int targetDir, const std::string& name)
    {
        struct stat st {};
        if (fstatat(targetDir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return 0;
        if (S_ISDIR(st.st_mode)) return EISDIR;
        return S_ISREG(st.st_mode) || S_ISLNK(st.st_mode) ? 0 : kNotARegularFile;
    }

    // One block of data at `at`: copied by the kernel where it copies between
    // the two files itself (no round trip through this buffer), else read and
    // written here. The bytes copied, 0 where the source ends there, or -errno.
    ssize_t copyBlock(int in, int out, off_t at, size_t length)
    {
        while (kernelCopies) {
            off_t from = at;
            off_t to = at;
            const ssize_t n = copy_file_range(in, &from, out, &to, length, 0);
            if (n > 0) return n;
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL && errno != EBADF)
                return -errno;
            kernelCopies = false;  // and a 0 is read here, where it is sure to mean the end
        }
        ssize_t got = pread(in, buffer.get(), length, at);
        while (got < 0 && errno == EINTR) got = pread(in, buffer.get(), length, at);
        if (got <= 0) return got < 0 ? -errno : 0;
        for (ssize_t put = 0; put < got;) {
            const ssize_t n = pwrite(out, buffer.get() + put, size_t(got - put), at + put);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return n < 0 ? -errno : -ENOSPC;
            put += n;
        }
        return got;
    }

    // The content as the file system best allows: its blocks shared where it
    // can (btrfs, XFS: instant and taking no room), else its data copied and
    // its holes left holes. 0, ECANCELED when stopped, or why it failed.
    int copyContent(int in, int out, const struct stat& st, const std::string& targetPath)
    {
        const uint64_t size = uint64_t(st.st_size);
        if (!testSeams().noClone && !noClones.contains(st.st_dev)) {
            if (ioctl(out, FICLONE, in) == 0) {
                if (*written) (*written)(size);
                return 0;
            }
            if (errno == EOPNOTSUPP || errno == EXDEV || errno == EINVAL || errno == ENOTTY) noClones.insert(st.st_dev);
        }
        // Where its blocks cover its size it has no holes worth looking for.
        const bool mayHaveHoles = uint64_t(st.st_blocks) * 512 < size;
        uint64_t copiedBytes = 0;
        const auto& failWrite = testSeams().failCopyWrite;
        const auto done = [&](uint64_t bytes) {
            copiedBytes += bytes;
            if (*written) (*written)(bytes);
        };
        off_t at = 0;
        while (uint64_t(at) < size) {
            if (copiedBytes > 0 && stopping()) return ECANCELED;
            // The next stretch of data; where the system cannot tell, all of it is data.
            off_t data = mayHaveHoles ? lseek(in, at, SEEK_DATA) : at;
            if (data < 0 && errno == ENXIO) break;  // only a hole is left
            if (data < 0) data = at;
            off_t hole = mayHaveHoles ? lseek(in, data, SEEK_HOLE) : off_t(size);
            if (hole < 0 || uint64_t(hole) > size) hole = off_t(size);
            if (data > at) done(uint64_t(data - at));  // a hole stays a hole
            for (at = data; at < hole;) {
                if (copiedBytes > 0 && stopping()) return ECANCELED;
                const ssize_t got = copyBlock(in, out, at, std::min(kBufferSize, size_t(hole - at)));
                if (got < 0) return int(-got);
                if (got == 0) return kSourceChanged;  // cut short since it was opened
                at += got;
                done(uint64_t(got));
                if (failWrite) {
                    if (const int code = failWrite(targetPath, copiedBytes)) return code;
                }
            }
        }
        // A hole at the end: the size alone makes it (FAT through FUSE cannot, and needs none).
        if (uint64_t(at) < size) {
            if (ftruncate(out, off_t(size)) != 0) return errno;
            done(size - uint64_t(at));
        }
        return 0;
    }

    // The finished temporary file (or link) renamed to its name: into a free
    // place where it must be free, else over what stands there.
    int putInPlace(int targetDir, const std::string& temp, const std::string& name, bool fresh)
    {
        if (fresh) return renameToFreeName(targetDir, temp, name);
        return renameat(targetDir, temp.c_str(), targetDir, name.c_str()) == 0 ? 0 : errno;
    }

    // Content, mode and times into a fresh temporary file, then a rename over the target.
    void copyFile(int sourceDir, const std::string& sourceName, const Into& target, const std::string& name,
                  const std::string& targetPath, bool fresh)
    {
        const int targetDir = target.get();
        // Non-blocking and checked on the handle: a pipe swapped in after the
        // listing is refused rather than waited on.
        Fd in(openat(sourceDir, sourceName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        if (in.get() < 0) return fail(targetPath, errno);
        struct stat st {};
        if (fstat(in.get(), &st) != 0) return fail(targetPath, errno);
        if (!S_ISREG(st.st_mode)) return fail(targetPath, kNotARegularFile);
        if (const int code = replaceable(targetDir, name)) return fail(targetPath, code);
        sweep(target);

        std::string temp;
        Fd out;
        for (int attempt = 0; attempt < 20 && out.get() < 0; ++attempt) {
            temp = temporaryName();
            out = Fd(openat(targetDir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
            if (out.get() < 0 && errno != EEXIST) return fail(targetPath, errno);
        }
        if (out.get() < 0) return fail(targetPath, EEXIST);

        int error = copyContent(in.get(), out.get(), st, targetPath);
        if (error == 0) error = unchanged(in.get(), st);
        if (error == 0) error = setMode(out.get(), st.st_mode);
        if (error == 0) error = setTimes(out.get(), st);
        if (error == 0 && close(out.release()) != 0) error = errno;
        if (error != 0) {
            unlinkat(targetDir, temp.c_str(), 0);
            if (error != ECANCELED) fail(targetPath, error);
            return;
        }
        const Into& held = holdWaiting(target);
        waiting.push_back({held, temp, name, targetPath, fresh, {st.st_atim, st.st_mtim}, call});
        waitingBytes += uint64_t(st.st_size);
        copied();
        if (waiting.size() >= kBatchFiles || waitingBytes >= kBatchBytes) land();
    }

    void copyLink(int sourceDir, const std::string& sourceName, const struct stat& st, int targetDir,
                  const std::string& name, const std::string& targetPath, bool fresh)
    {
        std::vector<char> text(size_t(st.st_size) + 1 + 4096);
        const ssize_t n = readlinkat(sourceDir, sourceName.c_str(), text.data(), text.size() - 1);
        if (n < 0) return fail(targetPath, errno);
        text[size_t(n)] = '\0';
        if (const int code = replaceable(targetDir, name)) return fail(targetPath, code);
        const std::string temp = temporaryName();
        if (symlinkat(text.data(), targetDir, temp.c_str()) != 0) return fail(targetPath, errno);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        utimensat(targetDir, temp.c_str(), times, AT_SYMLINK_NOFOLLOW);  // times of a link are a nicety
        bool copiedOld = false;
        int error = fresh ? 0 : keepOld(targetDir, name, targetPath, copiedOld);
        if (error == 0) error = putInPlace(targetDir, temp, name, fresh);
        if (error != 0) {
            fail(targetPath, error);
            unlinkat(targetDir, temp.c_str(), 0);
            return;
        }
        copied();
    }

    void copyFolder(int sourceDir, const std::string& sourceName, const struct stat& st, int targetDir,
                    const std::string& name, const std::string& targetPath, bool fresh)
    {
        Fd source(openat(sourceDir, sourceName.c_str(), kFolderFlags));
        if (source.get() < 0) return fail(targetPath, errno);
        // Made with the owner's rights added, so that it can be filled; it
        // gets its exact mode once its content is in. A folder made here
        // holds only what this copy puts in it: its items never replace one another.
        const bool made = mkdirat(targetDir, name.c_str(), (st.st_mode & 07777) | 0700) == 0;
        if (!made && errno != EEXIST) return fail(targetPath, errno);
        if (!made && fresh) return fail(targetPath, kNameTaken);
        Fd opened(openat(targetDir, name.c_str(), kFolderFlags));
        if (opened.get() < 0) return fail(targetPath, folderOpenError(targetDir, name, errno));
        Into target;
        if (const int error = into(std::move(opened), target)) return fail(targetPath, error);

        std::vector<std::string> names;
        if (const int error = namesIn(source.get(), names)) fail(targetPath, error);
        for (const std::string& child : names) {
            if (stopping()) return;
            const std::string childPath = targetPath + kSeparator + child;
            if (leaveOut && leaveOut->count(childPath.substr(copiedLength + 1))) continue;
            copyAny(source.get(), child, target, child, childPath, made);
        }
        // A stop heard while its last item was copied leaves it partial; one
        // that comes once everything is in does not undo a whole folder.
        if (report->stopped) return;
        if (!waiting.empty()) {
            ++heldFolders;
            unfinished.push_back({target.fd, st, targetPath, call});
            if (unfinished.size() >= kUnfinishedFolders || heldFolders > folderBudget()) land();
            return;
        }
        if (const int e = setMode(target.get(), st.st_mode)) return fail(targetPath, e);
        if (const int e = setTimes(target.get(), st)) fail(targetPath, e);
    }
};

CopyInto::CopyInto(std::string root, std::optional<FileIdentity> expected) : impl_(std::make_unique<Impl>())
{
    impl_->root = std::move(root);
    impl_->rootFd = Fd(open(impl_->root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (impl_->rootFd.get() < 0 || fstat(impl_->rootFd.get(), &st) != 0)
        impl_->rootError = errno;
    else if (expected && (uint64_t(st.st_dev) != expected->device || uint64_t(st.st_ino) != expected->inode))
        impl_->rootError = kFolderReplaced;
    impl_->stop = &stopRequested;
    impl_->written = &written;
    impl_->fileCopied = &fileCopied;
    clock_gettime(CLOCK_REALTIME, &impl_->started);
}

// Files still waiting are whole: they are put in place.
CopyInto::~CopyInto()
{
    impl_->land();
}

CopyInto::Flushed CopyInto::flush()
{
    impl_->land();
    return std::exchange(impl_->late, {});
}

void CopyInto::keepReplacedIn(const std::string& folder)
{
    impl_->backupFolder = folder;
}

CopyReport CopyInto::copy(const std::string& source, const std::string& relative, bool onlyIfAbsent,
                          const std::set<std::string>& leaveOut)
{
    CopyReport report;
    Impl& impl = *impl_;
    impl.report = &report;
    impl.call = impl.calls++;
    const std::vector<std::string> parts = componentsOf(relative);
    const std::string targetPath = impl.rootPrefix() + relative;
    if (source.empty() || parts.empty() ||
        !std::all_of(parts.begin(), parts.end(), [](const std::string& p) { return isPlainName(p); })) {
        impl.fail(targetPath, EINVAL);
        return report;
    }
    if (const int code = impl.checkRoot()) {
        impl.fail(targetPath, code);
        return report;
    }
    std::string reached;
    int error = 0;
    Impl::Into parent;
    if (Fd opened = Impl::openParent(impl.rootFd.get(), impl.root, parts, reached, error); opened.get() < 0) {
        impl.fail(reached, error);
        return report;
    } else if ((error = Impl::into(std::move(opened), parent)) != 0) {
        impl.fail(reached, error);
        return report;
    }
    // The source is opened by its path (folder A is read, never written).
    const std::string& name = parts.back();
    struct stat st {};
    if (onlyIfAbsent && fstatat(parent.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        report.present = true;
        return report;
    }
    impl.leaveOut = leaveOut.empty() ? nullptr : &leaveOut;
    impl.copiedLength = targetPath.size();
    impl.copyAny(AT_FDCWD, source, parent, name, targetPath, onlyIfAbsent);
    impl.leaveOut = nullptr;
    return report;
}

int removeBelow(int parent, const std::string& name)
{
    if (unlinkat(parent, name.c_str(), 0) == 0 || errno == ENOENT) return 0;
    if (errno != EISDIR && errno != EPERM) return errno;
    Fd folder(openat(parent, name.c_str(), kFolderFlags));
    if (folder.get() < 0) return errno;
    std::vector<std::string> names;
    if (const int code = namesIn(folder.get(), names)) return code;
    for (const std::string& child : names) {
        if (const int code = removeBelow(folder.get(), child)) return code;
    }
    return unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0 ? 0 : errno;
}

int openOrMakeFolder(int parent, const std::string& name, Fd& opened)
{
    opened = Fd(openat(parent, name.c_str(), kFolderFlags));
    if (opened.get() < 0 && errno == ENOENT) {
        if (mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST) return errno;
        opened = Fd(openat(parent, name.c_str(), kFolderFlags));
    }
    return opened.get() >= 0 ? 0 : folderOpenError(parent, name, errno);
}

int removeTree(const std::string& path)
{
    const std::string_view name = lastComponent(path);
    const std::string folder =
        path.size() == name.size() ? std::string(".") : path.substr(0, path.size() - name.size());
    Fd parent(open(folder.c_str(), kFolderFlags & ~O_NOFOLLOW));
    if (parent.get() < 0) return errno;
    return removeBelow(parent.get(), std::string(name));
}

int copyItem(const std::string& source, const std::string& target)
{
    if (source.empty() || target.empty()) return EINVAL;
    const std::string_view name = lastComponent(target);
    const size_t folderLength = target.size() - name.size();
    const std::string folder = folderLength == 0 ? std::string(".") : target.substr(0, folderLength);
    if (!makeFolders(folder)) return lastError();
    CopyInto into(folder);
    const int error = into.copy(source, std::string(name)).firstError();
    const CopyInto::Flushed late = into.flush();
    return error != 0 || late.failures.empty() ? error : late.failures.front().failure.code;
}

}  // namespace dm::platform
