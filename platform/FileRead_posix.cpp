#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/Fd_posix.h"
#include "platform/FileRead.h"
#include "platform/SysError.h"

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
    const iconv_t convert = iconv_open("UTF-8", "GB18030");
    if (convert == iconv_t(-1)) return false;
    utf8.assign(text.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* out = utf8.data();
    size_t outLeft = utf8.size();
    bool ok = true;
    while (inLeft > 0) {
        if (iconv(convert, &in, &inLeft, &out, &outLeft) != size_t(-1)) continue;
        if (errno != E2BIG) {
            ok = false;
            break;
        }
        const size_t used = size_t(out - utf8.data());
        utf8.resize(utf8.size() * 2);
        out = utf8.data() + used;
        outLeft = utf8.size() - used;
    }
    iconv_close(convert);
    utf8.resize(size_t(out - utf8.data()));
    return ok;
}

}  // namespace dm::platform
