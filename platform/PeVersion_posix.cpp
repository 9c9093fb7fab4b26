#include "platform/PeVersion_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/Fd_posix.h"
#include "platform/TestSeams.h"

namespace dm::platform {

namespace {

// The version from the first bytes of a file, opening it (through `open`, which
// gives a descriptor or -1) only for what lies beyond them.
std::optional<FileVersion> parseFromHead(const uint8_t* head, size_t headBytes, uint64_t size,
                                         const std::function<int()>& open)
{
    if (headBytes < kMinExecutableSize || head[0] != 'M' || head[1] != 'Z') return std::nullopt;
    const uint64_t headSize = headBytes;
    const ReadAt read = [&](uint64_t offset, void* buffer, size_t length) {
        if (offset + length <= headSize) {
            std::memcpy(buffer, head + offset, length);
            return true;
        }
        const int fd = open();
        if (fd < 0) return false;
        auto* out = static_cast<uint8_t*>(buffer);
        while (length > 0) {
            const ssize_t n = pread(fd, out, length, off_t(offset));
            if (n <= 0) return false;
            out += n;
            offset += uint64_t(n);
            length -= size_t(n);
        }
        return true;
    };
    return parsePeVersion(read, std::max(size, headSize));
}

}  // namespace

std::optional<FileVersion> readFileVersion(const std::string& path)
{
    return readFileVersionAt(AT_FDCWD, path.c_str(), std::nullopt);
}

namespace {
thread_local int gReadFailure = 0;

std::optional<FileVersion> failedRead(int code)
{
    gReadFailure = code != 0 ? code : EIO;
    return std::nullopt;
}
}  // namespace

int lastVersionReadFailure()
{
    return gReadFailure;
}

std::optional<FileVersion> readFileVersionAt(int folder, const char* name, std::optional<uint64_t> knownSize)
{
    gReadFailure = 0;
    // Non-blocking, so that a FIFO or device met on the way never hangs the scan
    // (reading one then simply fails).
    if (const auto& fail = testSeams().failProbeOpen; fail && fail(name)) return failedRead(EACCES);
    const int fd = openat(folder, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return failedRead(errno);
    const Fd closer(fd);
    uint64_t size = 0;
    if (knownSize) {
        size = *knownSize;
    } else {
        struct stat st {};
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
        size = uint64_t(st.st_size);
    }
    if (size < kMinExecutableSize) return std::nullopt;

    uint8_t head[kHeadBytes];
    const ssize_t got = pread(fd, head, sizeof head, 0);
    if (got < 0) return failedRead(errno);
    return parseFromHead(head, size_t(got), size, [fd] { return fd; });
}

std::optional<FileVersion> versionFromHead(int folder, const char* name, uint64_t size, const uint8_t* head,
                                           size_t headBytes)
{
    gReadFailure = 0;
    int fd = -1;
    const auto version = parseFromHead(head, headBytes, size, [&] {
        if (fd < 0) fd = openat(folder, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) gReadFailure = errno != 0 ? errno : EIO;
        return fd;
    });
    if (fd >= 0) close(fd);
    return version;
}

}  // namespace dm::platform
