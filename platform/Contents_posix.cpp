#include <fcntl.h>
#include <liburing.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/Contents.h"
#include "platform/Fd_posix.h"
#include "platform/SysError.h"
#include "platform/TestSeams.h"
#include "platform/Text.h"
#include "platform/Time.h"

namespace dm::platform {

namespace {

constexpr uint64_t kFirstChunk = 4096;         // a difference near the start costs one page
constexpr uint64_t kLargestChunk = 64 * 1024;  // small enough to stay in the processor's cache
constexpr unsigned kAhead = 2;

// Opened (from the folder `at`) for reading without moving its access time;
// `forRing`: to be read through the ring. With `st`, only if it is a regular
// file, as `st` then says; without, the caller looks once it has read it.
int openFile(int at, const char* name, bool forRing, int& error, struct stat* st)
{
    int keep = O_NOATIME;  // only the owner may ask for it
    int fd = openat(at, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | keep);
    if (fd < 0 && errno == EPERM) {
        keep = 0;
        fd = openat(at, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    }
    if (fd < 0) {
        error = errno;
        return -1;
    }
    if (st && (fstat(fd, st) != 0 || !S_ISREG(st->st_mode))) {
        error = S_ISREG(st->st_mode) ? errno : kNotARegularFile;
        close(fd);
        return -1;
    }
    // Reads of a regular file wait for the disk, as they should (the ring
    // would hand back "try again" instead; plain reads do wait).
    if (forRing) fcntl(fd, F_SETFL, keep);
    return fd;
}

// Whether the open file is as it was when opened: a write moves its size or times.
bool unchangedSince(int fd, const struct stat& before)
{
    struct stat after {};
    return fstat(fd, &after) == 0 && before.st_size == after.st_size && before.st_mtim.tv_sec == after.st_mtim.tv_sec &&
           before.st_mtim.tv_nsec == after.st_mtim.tv_nsec && before.st_ctim.tv_sec == after.st_ctim.tv_sec &&
           before.st_ctim.tv_nsec == after.st_ctim.tv_nsec;
}

// Reads exactly `length` bytes at `offset`; the bytes read, short only at the end of the file.
ssize_t readFully(int fd, uint8_t* buffer, size_t length, uint64_t offset)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t n = pread(fd, buffer + done, length - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += size_t(n);
    }
    return ssize_t(done);
}

// What reading needs, kept by each thread from one pair to the next: a ring
// (where the system has one) and the buffers it reads into.
struct ReadingTools {
    io_uring ring{};
    bool ringUp = false;
    std::array<std::array<std::unique_ptr<uint8_t[]>, kAhead>, 2> buffers;

    ReadingTools()
    {
        ringUp = io_uring_queue_init(2 * kAhead, &ring, 0) == 0;
        for (auto& side : buffers)
            for (auto& b : side) b.reset(new uint8_t[kLargestChunk]);
    }
    ~ReadingTools()
    {
        if (ringUp) io_uring_queue_exit(&ring);
    }
    ReadingTools(const ReadingTools&) = delete;
    ReadingTools& operator=(const ReadingTools&) = delete;

    static ReadingTools& ofThisThread()
    {
        thread_local ReadingTools tools;
        return tools;
    }
};

// The chunks of both files, read ahead through the ring where there is more
// than one chunk, else one after the other.
class ChunkReader {
public:
    ChunkReader(int fdA, int fdB, bool ahead)
        : tools_(ReadingTools::ofThisThread()), fds_{fdA, fdB}, ringUp_(ahead && tools_.ringUp && !testSeams().noUring)
    {
    }
    ~ChunkReader()
    {
        while (ringUp_ && inFlight_ > 0) collect();  // the kernel writes into the buffers until then
    }
    ChunkReader(const ChunkReader&) = delete;
    ChunkReader& operator=(const ChunkReader&) = delete;

    // Queues chunk `index` (both files) at `offset`.
    void queue(unsigned index, uint64_t offset, size_t length)
    {
        const unsigned slot = index % kAhead;
        lengths_[slot] = length;
        for (int side = 0; side < 2; ++side) {
            got_[side][slot] = kPending;
            if (!ringUp_) continue;
            io_uring_sqe* sqe = io_uring_get_sqe(&tools_.ring);
            io_uring_prep_read(sqe, fds_[side], tools_.buffers[side][slot].get(), unsigned(length), offset);
            io_uring_sqe_set_data64(sqe, uint64_t(side * kAhead + slot));
            ++inFlight_;
        }
        offsets_[slot] = offset;
        unsubmitted_ = ringUp_;
    }

    // Waits for chunk `index` of both files; the bytes each read, -errno on failure.
    std::array<ssize_t, 2> wait(unsigned index)
    {
        const unsigned slot = index % kAhead;
        while (ringUp_ && (got_[0][slot] == kPending || got_[1][slot] == kPending)) collect();
        std::array<ssize_t, 2> result{};
        for (int side = 0; side < 2; ++side) {
            ssize_t n = got_[side][slot];
            // Read the plain way where there is no ring, and the rest of a short read.
            if (n == kPending) n = 0;
            if (n >= 0 && size_t(n) < lengths_[slot]) {
                const ssize_t more = readFully(fds_[side], tools_.buffers[side][slot].get() + n,
                                               lengths_[slot] - size_t(n), offsets_[slot] + uint64_t(n));
                n = more < 0 ? -errno : n + more;
            }
            result[size_t(side)] = n;
        }
        return result;
    }

    const uint8_t* data(int side, unsigned index) const { return tools_.buffers[side][index % kAhead].get(); }

private:
    static constexpr ssize_t kPending = -(SSIZE_MAX - 1);

    void collect()
    {
        io_uring_cqe* cqe = nullptr;
        // What was queued goes to the kernel with the wait: one call for both.
        const int rc = unsubmitted_ ? io_uring_submit_and_wait(&tools_.ring, 1) : io_uring_wait_cqe(&tools_.ring, &cqe);
        if (rc >= 0 && unsubmitted_) {
            unsubmitted_ = false;
            return;
        }
        if (rc == -EINTR) return;
        if (rc != 0) {
            failRing();
            return;
        }
        const uint64_t tag = io_uring_cqe_get_data64(cqe);
        got_[tag / kAhead][tag % kAhead] = cqe->res == -EAGAIN || cqe->res == -ECANCELED ? 0 : cqe->res;
        io_uring_cqe_seen(&tools_.ring, cqe);
        --inFlight_;
    }

    // The ring failed: what it still owes is read the plain way, and the
    // thread reads so from then on (the kernel may still hold the buffers).
    void failRing()
    {
        for (auto& side : got_)
            for (ssize_t& g : side)
                if (g == kPending) g = 0;
        inFlight_ = 0;
        tools_.ringUp = false;
        ringUp_ = false;
    }

    ReadingTools& tools_;
    std::array<int, 2> fds_;
    bool ringUp_;
    bool unsubmitted_ = false;
    unsigned inFlight_ = 0;
    std::array<std::array<ssize_t, kAhead>, 2> got_{};
    std::array<size_t, kAhead> lengths_{};
    std::array<uint64_t, kAhead> offsets_{};
};

// Reads a file smaller than the largest chunk whole, in one call, a byte
// more asked than listed to see that it did not grow; the bytes read, or -1.
ssize_t readSmall(int fd, uint8_t* buffer, size_t size)
{
    ssize_t n = pread(fd, buffer, size + 1, 0);
    while (n < 0 && errno == EINTR) n = pread(fd, buffer, size + 1, 0);
    if (n >= 0 && size_t(n) < size) {  // a system that hands out less at a time
        const ssize_t more = readFully(fd, buffer + n, size + 1 - size_t(n), uint64_t(n));
        n = more < 0 ? -1 : n + more;
    }
    return n;
}

// A file smaller than the largest chunk: read whole in one call each (the
// calls saved cost more than the bytes read past an early difference).
ContentResult compareSmall(int fdA, int fdB, const struct stat& beforeA, const struct stat& beforeB, size_t size,
                           const ContentReading& reading)
{
    ReadingTools& tools = ReadingTools::ofThisThread();
    for (int side = 0; side < 2; ++side) {
        const ssize_t n = readSmall(side == 0 ? fdA : fdB, tools.buffers[side][0].get(), size);
        if (n < 0) return {ContentVerdict::Failed, errno, side == 0 ? 'A' : 'B'};
        if (size_t(n) != size) return {ContentVerdict::Changed};
    }
    if (std::memcmp(tools.buffers[0][0].get(), tools.buffers[1][0].get(), size) != 0)
        return {ContentVerdict::Different};
    if (reading.progress) reading.progress(size);
    if (reading.stop && reading.stop()) return {ContentVerdict::Stopped};
    // Written to while it was read: what was compared is not the file.
    if (!unchangedSince(fdA, beforeA) || !unchangedSince(fdB, beforeB)) return {ContentVerdict::Changed};
    return {ContentVerdict::Same};
}

// The same for files opened unseen: each is looked at once, after it was
// read, and must be a regular file still of its listed size and time.
ContentResult compareSmallAsListed(int fdA, int fdB, size_t size, const FILETIME& writtenA, const FILETIME& writtenB,
                                   const ContentReading& reading)
{
    ReadingTools& tools = ReadingTools::ofThisThread();
    for (int side = 0; side < 2; ++side) {
        const int fd = side == 0 ? fdA : fdB;
        const char name = side == 0 ? 'A' : 'B';
        const ssize_t n = readSmall(fd, tools.buffers[side][0].get(), size);
        const int readError = errno;
        struct stat st {};
        if (fstat(fd, &st) != 0) return {ContentVerdict::Failed, errno, name};
        if (!S_ISREG(st.st_mode)) return {ContentVerdict::Failed, kNotARegularFile, name};
        if (n < 0) return {ContentVerdict::Failed, readError, name};
        const FILETIME written = fileTimeFromUnix(st.st_mtim.tv_sec, uint32_t(st.st_mtim.tv_nsec));
        const FILETIME& listed = side == 0 ? writtenA : writtenB;
        if (size_t(n) != size || uint64_t(st.st_size) != size || fileTimeValue(written) != fileTimeValue(listed))
            return {ContentVerdict::Changed};
    }
    if (std::memcmp(tools.buffers[0][0].get(), tools.buffers[1][0].get(), size) != 0)
        return {ContentVerdict::Different};
    if (reading.progress) reading.progress(size);
    if (reading.stop && reading.stop()) return {ContentVerdict::Stopped};
    return {ContentVerdict::Same};
}

// compareContents of files opened from the folders `atA` and `atB`.
ContentResult compareIn(int atA, const char* nameA, int atB, const char* nameB, uint64_t size,
                        const ContentReading& reading)
{
    struct stat beforeA {};
    struct stat beforeB {};
    int error = 0;
    const bool small = size < kLargestChunk;
    const Fd a(openFile(atA, nameA, !small, error, &beforeA));
    if (a.get() < 0) return {ContentVerdict::Failed, error, 'A'};
    const Fd b(openFile(atB, nameB, !small, error, &beforeB));
    if (b.get() < 0) return {ContentVerdict::Failed, error, 'B'};
    if (uint64_t(beforeA.st_size) != size || uint64_t(beforeB.st_size) != size) return {ContentVerdict::Changed};
    if (small) return compareSmall(a.get(), b.get(), beforeA, beforeB, size_t(size), reading);

    // The chunks' plan: 4 KiB, then twice as much each time up to 64 KiB.
    std::vector<std::pair<uint64_t, size_t>> chunks;
    for (uint64_t offset = 0, chunk = kFirstChunk; offset < size;
         offset += chunk, chunk = std::min(chunk * 2, kLargestChunk))
        chunks.emplace_back(offset, size_t(std::min(chunk, size - offset)));
    ChunkReader reader(a.get(), b.get(), chunks.size() > 1);
    unsigned queued = 0;
    for (; queued < chunks.size() && queued < kAhead; ++queued)
        reader.queue(queued, chunks[queued].first, chunks[queued].second);
    for (unsigned i = 0; i < chunks.size(); ++i) {
        const auto got = reader.wait(i);
        for (int side = 0; side < 2; ++side) {
            if (got[size_t(side)] < 0) return {ContentVerdict::Failed, int(-got[size_t(side)]), side == 0 ? 'A' : 'B'};
        }
        // Shorter than listed: the file shrank while it was read.
        if (size_t(got[0]) != chunks[i].second || size_t(got[1]) != chunks[i].second) return {ContentVerdict::Changed};
        if (std::memcmp(reader.data(0, i), reader.data(1, i), chunks[i].second) != 0)
            return {ContentVerdict::Different};
        if (reading.progress) reading.progress(chunks[i].second);
        if (reading.stop && reading.stop()) return {ContentVerdict::Stopped};
        if (queued < chunks.size()) {
            reader.queue(queued, chunks[queued].first, chunks[queued].second);
            ++queued;
        }
    }
    // Grown, or written to, while it was read: what was compared is not the file.
    uint8_t extra = 0;
    if (!unchangedSince(a.get(), beforeA) || !unchangedSince(b.get(), beforeB) ||
        pread(a.get(), &extra, 1, off_t(size)) > 0 || pread(b.get(), &extra, 1, off_t(size)) > 0)
        return {ContentVerdict::Changed};
    return {ContentVerdict::Same};
}

}  // namespace

ContentResult compareContents(const std::string& pathA, const std::string& pathB, uint64_t size,
                              const ContentReading& reading)
{
    return compareIn(AT_FDCWD, pathA.c_str(), AT_FDCWD, pathB.c_str(), size, reading);
}

ContentFolders::ContentFolders(const std::string& folderA, const std::string& folderB)
    : folders_{endsWithSeparator(folderA) ? folderA : folderA + kSeparator,
               endsWithSeparator(folderB) ? folderB : folderB + kSeparator}
{
    for (int side = 0; side < 2; ++side) fds_[side] = open(folders_[side].c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

ContentFolders::~ContentFolders()
{
    for (const int fd : fds_)
        if (fd >= 0) close(fd);
}

ContentResult ContentFolders::compare(const std::string& nameA, const std::string& nameB, uint64_t size,
                                      const FILETIME& writtenA, const FILETIME& writtenB,
                                      const ContentReading& reading) const
{
    // A folder that could not be opened: its files by their whole paths.
    std::string paths[2];
    const char* names[2] = {nameA.c_str(), nameB.c_str()};
    int at[2] = {fds_[0], fds_[1]};
    for (int side = 0; side < 2; ++side) {
        if (at[side] >= 0) continue;
        at[side] = AT_FDCWD;
        paths[side] = folders_[side] + names[side];
        names[side] = paths[side].c_str();
    }
    if (size >= kLargestChunk) return compareIn(at[0], names[0], at[1], names[1], size, reading);
    int error = 0;
    const Fd a(openFile(at[0], names[0], false, error, nullptr));
    if (a.get() < 0) return {ContentVerdict::Failed, error, 'A'};
    const Fd b(openFile(at[1], names[1], false, error, nullptr));
    if (b.get() < 0) return {ContentVerdict::Failed, error, 'B'};
    return compareSmallAsListed(a.get(), b.get(), size_t(size), writtenA, writtenB, reading);
}

}  // namespace dm::platform
