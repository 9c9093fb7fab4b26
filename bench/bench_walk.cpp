// The floor under any comparison: the least a program must do to learn the
// size and time of every entry of two trees (one open, getdents and close per
// folder, one statx per entry), and, with --read, also read the first 4 KiB
// of every regular file. A measuring stick, not part of the program.
//   bench_walk [--read] A B
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct linux_dirent64 {
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[];
};

bool readFiles = false;
unsigned long long entries = 0;
unsigned long long bytes = 0;

void walk(int parent, const char* name)
{
    const int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return;
    alignas(8) char buffer[32768];
    for (;;) {
        const long n = syscall(SYS_getdents64, fd, buffer, sizeof buffer);
        if (n <= 0) break;
        for (long at = 0; at < n;) {
            const auto* d = reinterpret_cast<const linux_dirent64*>(buffer + at);
            at += d->d_reclen;
            if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
            struct statx st {};
            if (statx(fd, d->d_name, AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &st) != 0) continue;
            ++entries;
            if (S_ISDIR(st.stx_mode)) {
                walk(fd, d->d_name);
            } else if (readFiles && S_ISREG(st.stx_mode)) {
                const int file = openat(fd, d->d_name, O_RDONLY | O_CLOEXEC | O_NOATIME);
                if (file < 0) continue;
                char head[4096];
                const ssize_t got = read(file, head, sizeof head);
                if (got > 0) bytes += (unsigned long long)got;
                close(file);
            }
        }
    }
    close(fd);
}

}  // namespace

int main(int argc, char** argv)
{
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "--read") == 0) {
        readFiles = true;
        first = 2;
    }
    if (argc - first != 2) {
        std::fprintf(stderr, "usage: bench_walk [--read] A B\n");
        return 2;
    }
    walk(AT_FDCWD, argv[first]);
    walk(AT_FDCWD, argv[first + 1]);
    std::printf("%llu entries, %llu bytes read\n", entries, bytes);
    return 0;
}
