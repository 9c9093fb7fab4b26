#include <fcntl.h>
#include <liburing.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "platform/Listing_posix.h"
#include "platform/PeVersion_posix.h"
#include "platform/TestSeams.h"
#include "platform/VersionProbes.h"

namespace dm::platform {

namespace {

constexpr unsigned kSlots = 256;               // files open at once
constexpr unsigned kRingEntries = 4 * kSlots;  // three calls per file, and room
constexpr unsigned kBatch = 32;                // files handed to the kernel per system call

enum Call : uint64_t { kOpen = 0, kRead = 1, kClose = 2 };

uint64_t tagOf(unsigned slot, Call call)
{
    return (uint64_t(slot) << 2) | call;
}

// One file being read.
struct Pending {
    std::shared_ptr<FolderFd> folder;
    std::string name;
    uint64_t size = 0;
    VersionProbes::Receiver receiver;
    std::array<uint8_t, kHeadBytes> head{};
    int got = -ECANCELED;
    int completionsDue = 0;  // the slot is free again when the kernel has posted these
    bool delivered = true;
};

// The thread's ring with its file slots. The buffers the kernel writes into
// live as long as the ring, whatever becomes of a probe.
class Ring {
public:
    // Null where the system offers no ring, or another VersionProbes of this
    // thread is using it.
    static Ring* claim()
    {
        if (testSeams().noUring) return nullptr;
        thread_local std::unique_ptr<Ring> ring;
        thread_local bool tried = false;
        if (!tried) {
            tried = true;
            auto candidate = std::make_unique<Ring>();
            if (candidate->start()) ring = std::move(candidate);
        }
        if (!ring || ring->broken_ || ring->claimed_) return nullptr;
        ring->claimed_ = true;
        return ring.get();
    }

    void release() { claimed_ = false; }

    Ring() = default;
    Ring(const Ring&) = delete;
    Ring& operator=(const Ring&) = delete;
    ~Ring()
    {
        if (!started_) return;
        // The kernel must be done with the buffers before they go.
        flush();
        __kernel_timespec patience{1, 0};
        while (free_.size() < kSlots) {
            io_uring_cqe* cqe = nullptr;
            if (io_uring_wait_cqe_timeout(&ring_, &cqe, &patience) != 0) break;
            deliverCompleted();
        }
        io_uring_queue_exit(&ring_);
    }

    // Queues open, read and close of one file; false (the receiver left with
    // the caller) when the ring cannot take it, as once it has failed.
    bool submit(std::shared_ptr<FolderFd> folder, const char* name, uint64_t size, VersionProbes::Receiver& receiver)
    {
        if (broken_ || (kSlots - free_.size() >= maxInFlight_ && !waitForOne())) return false;
        if (io_uring_sq_space_left(&ring_) < 3) return false;
        const unsigned slot = free_.back();
        free_.pop_back();
        Pending& p = slots_[slot];
        p.folder = std::move(folder);
        p.name = name;
        p.size = size;
        p.receiver = std::move(receiver);
        p.got = -ECANCELED;
        p.completionsDue = 3;
        p.delivered = false;

        // A failed open cancels the rest, and each of the three still posts its
        // completion (an open that skipped its own on success would take the
        // others' with it when it fails); the close follows the read whatever it gave.
        const auto& failOpen = testSeams().failProbeOpen;
        const char* openName = failOpen && failOpen(p.name) ? "" : p.name.c_str();
        io_uring_sqe* open = io_uring_get_sqe(&ring_);
        io_uring_prep_openat_direct(open, p.folder->get(), openName, O_RDONLY | O_NONBLOCK | O_NOCTTY, 0, slot);
        open->flags |= IOSQE_IO_LINK;
        io_uring_sqe_set_data64(open, tagOf(slot, kOpen));
        io_uring_sqe* read = io_uring_get_sqe(&ring_);
        io_uring_prep_read(read, int(slot), p.head.data(), unsigned(kHeadBytes), 0);
        read->flags |= IOSQE_FIXED_FILE | IOSQE_IO_HARDLINK;
        io_uring_sqe_set_data64(read, tagOf(slot, kRead));
        io_uring_sqe* close = io_uring_get_sqe(&ring_);
        io_uring_prep_close_direct(close, slot);
        io_uring_sqe_set_data64(close, tagOf(slot, kClose));
        if (++queued_ >= kBatch) flush();
        return true;
    }

    // Hands over what has completed, without waiting.
    void deliverCompleted()
    {
        io_uring_cqe* cqe = nullptr;
        while (io_uring_peek_cqe(&ring_, &cqe) == 0) {
            const uint64_t tag = io_uring_cqe_get_data64(cqe);
            const int res = cqe->res;
            io_uring_cqe_seen(&ring_, cqe);
            const auto slot = unsigned(tag >> 2);
            if (slot >= kSlots) continue;
            Pending& p = slots_[slot];
            if (Call(tag & 3) == kRead) p.got = res;
            if (--p.completionsDue == 0) complete(slot);
        }
    }

    // Returns when every file submitted has been handed over.
    void drain()
    {
        flush();
        while (!broken_ && free_.size() < kSlots) {
            if (!waitForOne()) return;
        }
    }

private:
    bool start()
    {
        // Only this thread submits, and it collects completions itself: the
        // kernel need not interrupt it to post them (older kernels refuse the flags).
        io_uring_params params{};
        params.flags = IORING_SETUP_SINGLE_ISSUER | IORING_SETUP_COOP_TASKRUN;
        if (io_uring_queue_init_params(kRingEntries, &ring_, &params) != 0) {
            params = io_uring_params{};
            if (io_uring_queue_init_params(kRingEntries, &ring_, &params) != 0) return false;
        }
        started_ = true;
        if (io_uring_register_files_sparse(&ring_, kSlots) != 0) return false;
        // Each file in flight may keep its folder open: stay well inside the
        // process's descriptors, whatever the depth of the tree being scanned.
        rlimit files{};
        if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur != RLIM_INFINITY)
            maxInFlight_ = unsigned(std::clamp<rlim_t>(files.rlim_cur / 4, 4, kSlots));
        free_.reserve(kSlots);
        for (unsigned slot = kSlots; slot-- > 0;) free_.push_back(slot);
        return true;
    }

    // Hands the queued files to the kernel.
    void flush()
    {
        if (queued_ == 0 || broken_) return;
        queued_ = 0;
        const auto& fail = testSeams().failRingSubmit;
        if (io_uring_submit(&ring_) < 0 || (fail && fail())) abandon();
    }

    bool waitForOne()
    {
        flush();
        const size_t before = free_.size();
        while (!broken_ && free_.size() == before) {
            io_uring_cqe* cqe = nullptr;
            const int rc = io_uring_wait_cqe(&ring_, &cqe);
            if (rc == -EINTR) continue;
            if (rc != 0)
                abandon();
            else
                deliverCompleted();
        }
        return !broken_;
    }

    void complete(unsigned slot)
    {
        Pending& p = slots_[slot];
        // A file the ring could not read is read again the plain way, so that
        // whatever the ring refuses gives the same version as reading alone.
        if (!p.delivered)
            handOver(p, p.got >= 0
                            ? versionFromHead(p.folder->get(), p.name.c_str(), p.size, p.head.data(), size_t(p.got))
                            : readFileVersionAt(p.folder->get(), p.name.c_str(), p.size));
        p.folder.reset();
        free_.push_back(slot);
    }

    // The ring failed: what it still holds is read the plain way, and it is
    // not used again (its slots come free only as the kernel lets them go).
    void abandon()
    {
        broken_ = true;
        for (Pending& p : slots_) {
            if (!p.delivered) handOver(p, readFileVersionAt(p.folder->get(), p.name.c_str(), p.size));
        }
    }

    static void handOver(Pending& p, const std::optional<FileVersion>& version)
    {
        VersionProbes::Receiver receiver = std::move(p.receiver);
        p.receiver = nullptr;
        p.delivered = true;
        receiver(version);
    }

    io_uring ring_{};
    bool started_ = false;
    bool broken_ = false;
    bool claimed_ = false;
    unsigned queued_ = 0;  // files queued since the last submission
    std::array<Pending, kSlots> slots_;
    std::vector<unsigned> free_;
    unsigned maxInFlight_ = kSlots;
};

}  // namespace

struct VersionProbes::State {
    Ring* ring = nullptr;  // null: each file is read when asked for
    // The folder of the last request, open while reads through it are pending.
    std::string folderPath;
    std::shared_ptr<FolderFd> folder;
};

VersionProbes::VersionProbes() : state_(std::make_unique<State>()) {}

VersionProbes::~VersionProbes()
{
    finish();
    if (state_->ring) state_->ring->release();
}

void VersionProbes::request(const std::string& folder, const std::string& name, uint64_t size, Receiver receiver)
{
    if (size < kMinExecutableSize) {
        receiver(std::nullopt);
        return;
    }
    State& state = *state_;
    if (!state.folder || state.folderPath != folder) {
        state.folderPath = folder;
        state.folder = std::make_shared<FolderFd>(open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    // A folder that cannot be opened any more gives what reading the file alone gives.
    if (state.folder->get() < 0) {
        receiver(readFileVersion(folder + name));
        return;
    }
    if (!state.ring) state.ring = Ring::claim();
    if (Ring* ring = state.ring) {
        ring->deliverCompleted();
        if (ring->submit(state.folder, name.c_str(), size, receiver)) return;
    }
    receiver(readFileVersionAt(state.folder->get(), name.c_str(), size));
}

void VersionProbes::finish()
{
    if (state_->ring) state_->ring->drain();
    state_->folder.reset();
    state_->folderPath.clear();
}

}  // namespace dm::platform
