#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <vector>

#include "platform/Copy.h"
#include "platform/ProgramPaths.h"
#include "platform/SysError.h"
#include "platform/TestSeams.h"
#include "platform/Text.h"

namespace dm::platform {

namespace {

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

std::string parentOf(const std::string& path)
{
    const auto pos = path.find_last_of(kSeparator);
    if (pos == std::string::npos) return ".";
    return pos == 0 ? std::string(1, kSeparator) : path.substr(0, pos);
}

// A hidden name beside the target that no one else uses.
std::string temporaryBeside(const std::string& target)
{
    static std::mt19937_64 random{std::random_device{}()};
    const auto slash = target.find_last_of(kSeparator);
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return folder + "." + name.substr(0, 200) + ".dirmatch-" + std::to_string(random() % 100000000);
}

int setTimes(int fd, const struct stat& source)
{
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    return futimens(fd, times) == 0 ? 0 : errno;
}

// Content, mode and times into a fresh temporary file, then a rename over the target.
int copyFile(const std::string& source, const struct stat& st, const std::string& target)
{
    Fd in(open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (in.get() < 0) return errno;
    std::string temp;
    int outFd = -1;
    for (int attempt = 0; attempt < 20 && outFd < 0; ++attempt) {
        temp = temporaryBeside(target);
        outFd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (outFd < 0 && errno != EEXIST) return errno;
    }
    if (outFd < 0) return EEXIST;
    Fd out(outFd);

    int error = 0;
    std::vector<char> buffer(1 << 20);
    uint64_t written = 0;
    const auto& failWrite = testSeams().failCopyWrite;
    while (error == 0) {
        const ssize_t got = read(in.get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) error = errno;
        if (got <= 0) break;
        for (ssize_t done = 0; done < got && error == 0;) {
            const ssize_t n = write(out.get(), buffer.data() + done, size_t(got - done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0)
                error = n < 0 ? errno : ENOSPC;
            else
                done += n;
        }
        written += uint64_t(got);
        if (error == 0 && failWrite) error = failWrite(target, written);
    }
    if (error == 0 && fchmod(out.get(), st.st_mode & 07777) != 0) error = errno;
    if (error == 0) error = setTimes(out.get(), st);
    if (error == 0 && fsync(out.get()) != 0) error = errno;
    if (error == 0 && close(out.release()) != 0) error = errno;
    if (error == 0 && rename(temp.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) unlink(temp.c_str());
    return error;
}

int copyLink(const std::string& source, const struct stat& st, const std::string& target)
{
    std::vector<char> text(size_t(st.st_size) + 1 + 4096);
    const ssize_t n = readlink(source.c_str(), text.data(), text.size() - 1);
    if (n < 0) return errno;
    text[size_t(n)] = '\0';
    std::string temp = temporaryBeside(target);
    if (symlink(text.data(), temp.c_str()) != 0) return errno;
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    utimensat(AT_FDCWD, temp.c_str(), times, AT_SYMLINK_NOFOLLOW);  // times of a link are a nicety
    if (rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        unlink(temp.c_str());
        return error;
    }
    return 0;
}

int copyAny(const std::string& source, const std::string& target);

int copyFolder(const std::string& source, const struct stat& st, const std::string& target)
{
    struct stat existing {};
    if (lstat(target.c_str(), &existing) == 0) {
        // Merging goes into real folders only; a link or a file stays as it is.
        if (!S_ISDIR(existing.st_mode)) return ENOTDIR;
    } else if (mkdir(target.c_str(), 0700) != 0) {
        return errno;
    }
    DIR* dir = opendir(source.c_str());
    if (!dir) return errno;
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);

    int first = 0;
    for (const std::string& name : names) {
        const int e = copyAny(source + kSeparator + name, target + kSeparator + name);
        if (first == 0) first = e;
    }
    Fd fd(open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
    if (fd.get() < 0) return first ? first : errno;
    if (fchmod(fd.get(), st.st_mode & 07777) != 0 && first == 0) first = errno;
    if (const int e = setTimes(fd.get(), st); e != 0 && first == 0) first = e;
    return first;
}

int copyAny(const std::string& source, const std::string& target)
{
    struct stat st {};
    if (lstat(source.c_str(), &st) != 0) return errno;
    if (S_ISLNK(st.st_mode)) return copyLink(source, st, target);
    if (S_ISDIR(st.st_mode)) return copyFolder(source, st, target);
    if (S_ISREG(st.st_mode)) return copyFile(source, st, target);
    return ENOTSUP;  // devices, sockets and pipes are not copied
}

}  // namespace

int copyItem(const std::string& source, const std::string& target)
{
    if (source.empty() || target.empty()) return EINVAL;
    if (!makeFolders(parentOf(target))) return lastError();
    return copyAny(source, target);
}

}  // namespace dm::platform
