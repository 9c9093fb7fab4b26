#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

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

uint64_t measure(const std::string& folder)
{
    const Fd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0) return 1;
    const std::string name = temporaryName();
    const Fd file(openat(dir.get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.get() < 0) return 1;
    // An odd second and a fraction that no coarse step keeps.
    const struct timespec times[2] = {{1700000001, 123456789}, {1700000001, 123456789}};
    struct stat st {};
    const bool read = futimens(file.get(), times) == 0 && fsync(file.get()) == 0 &&
                      fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    unlinkat(dir.get(), name.c_str(), 0);
    if (!read) return 1;
    const auto ticks = [](const struct timespec& t) { return int64_t(t.tv_sec) * 10000000 + t.tv_nsec / 100; };
    return stepShown(ticks(times[1]), ticks(st.st_mtim));
}

}  // namespace

uint64_t timeStepOf(const std::string& folder, bool mayWrite)
{
    struct statfs fs {};
    if (statfs(folder.c_str(), &fs) != 0) return 1;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0x4d44: return k2s;        // FAT (vfat, msdos)
        case 0x2011BAB0: return k10ms;  // exFAT
        default: break;
    }
    return unknownStep(fs.f_type) && mayWrite ? measure(folder) : 1;
}

}  // namespace dm::platform
