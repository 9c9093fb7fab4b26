#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "platform/Fd_posix.h"
#include "platform/TempName.h"
#include "platform/TimeStep.h"

namespace dm::platform {

namespace {

constexpr uint64_t k10ms = 100000;
constexpr uint64_t k2s = 20000000;

// File systems that say nothing of their own and may sit on anything.
bool unknownStep(long type)
{
    switch (static_cast<unsigned long>(type)) {
        case 0x65735546:  // FUSE (fusefat, ntfs-3g, exfat-fuse, sshfs…)
        case 0x6969:      // NFS
        case 0x517B:      // SMB
        case 0xFF534D42:  // CIFS
        case 0xFE534D42:  // SMB2
            return true;
        default: return false;
    }
}

// Measures a file made in a folder made for it: fusefat, once a file of the
// folder was renamed, may give a new file of the same folder the renamed
// file's entry, and its times with it.
FolderMedia measureIn(int dir, const std::string& folderName)
{
    FolderMedia media;
    struct stat made {};
    if (fstatat(dir, folderName.c_str(), &made, AT_SYMLINK_NOFOLLOW) == 0) media.folderMode = made.st_mode & 07777;
    const Fd inner(openat(dir, folderName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    const char* const name = "probe";
    Fd file(openat(inner.get(), name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.get() < 0) return media;
    if (fchmod(file.get(), 0640) != 0) {
        media.modesNotKept = errno;
        if (fstat(file.get(), &made) == 0) media.fileMode = made.st_mode & 07777;
    }
    // A megabyte of which only the last byte was written: a file system
    // without holes gives it all its blocks (one that counts none says nothing).
    constexpr off_t kProbe = 1 << 20;
    if (pwrite(file.get(), "x", 1, kProbe - 1) == 1 && fsync(file.get()) == 0 && fstat(file.get(), &made) == 0)
        media.holes = made.st_blocks > 0 && made.st_blocks * 512 < kProbe;
    // An odd second and a fraction that no coarse step keeps.
    const struct timespec times[2] = {{1700000001, 123456789}, {1700000001, 123456789}};
    struct stat st {};
    const bool read = futimens(file.get(), times) == 0 && fsync(file.get()) == 0 &&
                      fstatat(inner.get(), name, &st, AT_SYMLINK_NOFOLLOW) == 0;
    file = Fd();  // fusefat writes an entry back when its file is closed
    unlinkat(inner.get(), name, 0);
    const auto ticks = [](const struct timespec& t) { return int64_t(t.tv_sec) * 10000000 + t.tv_nsec / 100; };
    if (read) media.timeStep = stepShown(ticks(times[1]), ticks(st.st_mtim));
    if (media.modesNotKept == 0) media.folderMode = media.fileMode = 0;
    return media;
}

FolderMedia measure(const std::string& folder)
{
    const Fd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const std::string name = temporaryName();
    if (dir.get() < 0 || mkdirat(dir.get(), name.c_str(), 0700) != 0) return {};
    const FolderMedia media = measureIn(dir.get(), name);
    unlinkat(dir.get(), name.c_str(), AT_REMOVEDIR);
    return media;
}

}  // namespace

// The type the system mounted the folder's file system as ("fuse.fusefat"),
// found by its device among the mounts.
std::string mountTypeOf(const std::string& folder)
{
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0) return {};
    const std::string device = std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
    std::ifstream mounts("/proc/self/mountinfo");
    std::string line;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string id, parent, number, word;
        if (!(fields >> id >> parent >> number) || number != device) continue;
        while (fields >> word && word != "-") {
        }
        if (fields >> word) return word;
    }
    return {};
}

FolderMedia mediaOf(const std::string& folder, bool mayWrite)
{
    struct statfs fs {};
    if (statfs(folder.c_str(), &fs) != 0) return {};
    uint64_t step = 0;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0x4d44: step = k2s; break;        // FAT (vfat, msdos)
        case 0x2011BAB0: step = k10ms; break;  // exFAT
        default: {
            if (!unknownStep(fs.f_type)) return {};
            // FAT through FUSE says what it is by its name, and is not written
            // to find out: fusefat loses the times of a file renamed before.
            const std::string type = mountTypeOf(folder);
            if (type == "fuse.fusefat")
                step = k2s;
            else if (type == "fuse.exfat")
                step = k10ms;
            else
                return mayWrite ? measure(folder) : FolderMedia{};
        }
    }
    // Neither keeps modes or holes; every item shows the modes of the folder.
    FolderMedia media;
    media.timeStep = step;
    media.holes = false;
    media.modesNotKept = EPERM;
    struct stat st {};
    if (stat(folder.c_str(), &st) == 0) media.fileMode = media.folderMode = st.st_mode & 07777;
    return media;
}

}  // namespace dm::platform
