#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/Fd_posix.h"
#include "platform/FileRead.h"
#include "platform/SysError.h"
#include "platform/Text.h"

namespace dm::platform {

int readFileRange(const std::string& path, uint64_t offset, uint64_t count, std::string& bytes)
{
    bytes.clear();
    const Fd file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0) return errno;
    struct stat info {};
    if (fstat(file.get(), &info) != 0) return errno;
    if (!S_ISREG(info.st_mode)) return kNotARegularFile;
    const uint64_t size = uint64_t(info.st_size);
    if (offset >= size) return 0;
    bytes.resize(size_t(std::min(count, size - offset)));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = pread(file.get(), bytes.data() + done, bytes.size() - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) break;  // shorter since it was looked at
        done += size_t(n);
    }
    bytes.resize(done);
    return 0;
}

bool gb18030ToUtf8(std::string_view text, std::string& utf8)
{
    return decodeText(text, 936, utf8);  // read as GB 18030, code page 936's superset
}

}  // namespace dm::platform
