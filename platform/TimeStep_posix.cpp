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
#include "platform/TestSeams.h"
#include "platform/TimeStep.h"

namespace dm::platform {

namespace {

constexpr uint64_t k10ms = 100000;
constexpr uint64_t k1s = 10000000;
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

FolderMedia measure(const std::string& folder)
{
    FolderMedia media;
    const Fd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0) return media;
    const std::string name = temporaryName();
    const Fd file(openat(dir.get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.get() < 0) return media;
    struct stat made {};
    if (fchmod(file.get(), 0640) != 0) {
        media.modesNotKept = errno;
        if (fstat(file.get(), &made) == 0) media.fileMode = made.st_mode & 07777;
        const std::string folderName = temporaryName();
        if (mkdirat(dir.get(), folderName.c_str(), 0700) == 0) {
            if (fstatat(dir.get(), folderName.c_str(), &made, AT_SYMLINK_NOFOLLOW) == 0)
                media.folderMode = made.st_mode & 07777;
            unlinkat(dir.get(), folderName.c_str(), AT_REMOVEDIR);
        }
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
                      fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    unlinkat(dir.get(), name.c_str(), 0);
    const auto ticks = [](const struct timespec& t) { return int64_t(t.tv_sec) * 10000000 + t.tv_nsec / 100; };
    if (read) media.timeStep = stepShown(ticks(times[1]), ticks(st.st_mtim));
    return media;
}

// What the folder's file system was mounted as ("fuse.fusefat") and from
// where, found by its device among the mounts; empty where it is not found.
struct Mount {
    std::string type;
    std::string source;
};

Mount mountOf(const std::string& folder)
{
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0) return {};
    const std::string device = std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
    std::ifstream mounts("/proc/self/mountinfo");
    std::string line;
    while (std::getline(mounts, line)) {
        // ID PARENT MAJOR:MINOR ROOT POINT OPTIONS [TAGS...] - TYPE SOURCE OPTIONS
        std::istringstream fields(line);
        std::string id, parent, number, word;
        if (!(fields >> id >> parent >> number) || number != device) continue;
        while (fields >> word && word != "-") {
        }
        Mount mount;
        fields >> mount.type >> mount.source;
        return mount;
    }
    return {};
}

// A FUSE file system on a block device ("fuseblk": exFAT, NTFS) is known by
// the name its boot sector carries, where the device may be read.
std::string bootName(const std::string& device)
{
    const Fd fd(open(device.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    char name[8] = {};
    if (fd.get() < 0 || pread(fd.get(), name, sizeof name, 3) != ssize_t(sizeof name)) return {};
    return std::string(name, sizeof name);
}

}  // namespace

FolderMedia mediaOf(const std::string& folder, bool mayWrite)
{
    long type = 0;
    std::string mountType;
    if (const auto& fake = testSeams().fileSystemOf) {
        fake(folder, type, mountType);
    } else {
        struct statfs fs {};
        if (statfs(folder.c_str(), &fs) != 0) return {};
        type = long(fs.f_type);
    }
    uint64_t step = 0;
    switch (static_cast<unsigned long>(type)) {
        case 0x4d44: step = k2s; break;        // FAT (vfat, msdos)
        case 0x2011BAB0: step = k10ms; break;  // exFAT
        default: {
            if (!unknownStep(type)) return {};
            // FAT through FUSE is known by its name, where the folder may not
            // be written to measure it (an export, folder A).
            if (!testSeams().fileSystemOf) {
                const Mount mount = mountOf(folder);
                mountType = mount.type;
                if (mountType == "fuseblk" && bootName(mount.source) == "EXFAT   ") mountType = "fuse.exfat";
            }
            if (mountType == "fuse.fusefat")
                step = k2s;
            else if (mountType == "fuse.exfat")
                step = k1s;  // the FUSE exFAT driver keeps whole seconds
            else
                return mayWrite ? measure(folder) : FolderMedia{};
        }
    }
    // Neither keeps modes or holes; the modes it shows are measured where it may be written.
    FolderMedia media = mayWrite ? measure(folder) : FolderMedia{};
    media.timeStep = step;
    media.holes = false;
    if (media.modesNotKept == 0) media.modesNotKept = EPERM;
    return media;
}

}  // namespace dm::platform
