#include "platform/Uring_posix.h"

#include <fcntl.h>
#include <liburing.h>

#include <memory>

#include "platform/TestSeams.h"

namespace dm::platform {

namespace {
constexpr unsigned kRingEntries = 256;
constexpr unsigned kFileSlots = 64;  // files open at once
}  // namespace

struct Uring::State {
    io_uring ring{};
};

Uring* Uring::instance()
{
    if (testSeams().noUring) return nullptr;
    thread_local std::unique_ptr<Uring> ring;
    thread_local bool tried = false;
    if (!tried) {
        tried = true;
        std::unique_ptr<Uring> candidate(new Uring);
        if (candidate->start()) ring = std::move(candidate);
    }
    return ring.get();
}

bool Uring::start()
{
    auto state = std::make_unique<State>();
    if (io_uring_queue_init(kRingEntries, &state->ring, 0) != 0) return false;
    state_ = state.release();
    return true;
}

Uring::~Uring()
{
    if (!state_) return;
    io_uring_queue_exit(&state_->ring);
    delete state_;
}

namespace {

// Submits what is queued and collects `expected` completions; the user data
// of each is the index of its result (or ~0 for completions to ignore).
bool collect(io_uring& ring, unsigned expected, std::vector<int>& results)
{
    if (io_uring_submit_and_wait(&ring, expected) < 0) return false;
    for (unsigned done = 0; done < expected;) {
        io_uring_cqe* cqe = nullptr;
        if (io_uring_wait_cqe(&ring, &cqe) != 0) return false;
        const uint64_t index = io_uring_cqe_get_data64(cqe);
        if (index != ~uint64_t(0)) results[size_t(index)] = cqe->res;
        io_uring_cqe_seen(&ring, cqe);
        ++done;
    }
    return true;
}

}  // namespace

bool Uring::readHeads(int folder, const std::vector<const char*>& names,
                      std::vector<std::array<uint8_t, kProbeBytes>>& heads, std::vector<int>& results)
{
    io_uring& ring = state_->ring;
    heads.resize(names.size());
    results.assign(names.size(), -ECANCELED);
    std::vector<int> fds(kFileSlots);
    // Three rounds per group, every call of a round in flight at once: open
    // them all, read them all, close them all.
    for (size_t begin = 0; begin < names.size(); begin += kFileSlots) {
        const size_t count = std::min<size_t>(kFileSlots, names.size() - begin);
        fds.assign(count, -1);
        for (size_t k = 0; k < count; ++k) {
            io_uring_sqe* open = io_uring_get_sqe(&ring);
            io_uring_prep_openat(open, folder, names[begin + k], O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0);
            io_uring_sqe_set_data64(open, k);
        }
        if (!collect(ring, unsigned(count), fds)) return false;
        unsigned reads = 0;
        for (size_t k = 0; k < count; ++k) {
            if (fds[k] < 0) {
                results[begin + k] = fds[k];
                continue;
            }
            io_uring_sqe* read = io_uring_get_sqe(&ring);
            io_uring_prep_read(read, fds[k], heads[begin + k].data(), unsigned(kProbeBytes), 0);
            io_uring_sqe_set_data64(read, begin + k);
            ++reads;
        }
        const bool readOk = reads == 0 || collect(ring, reads, results);
        unsigned closes = 0;
        for (size_t k = 0; k < count; ++k) {
            if (fds[k] < 0) continue;
            io_uring_sqe* close = io_uring_get_sqe(&ring);
            io_uring_prep_close(close, fds[k]);
            io_uring_sqe_set_data64(close, ~uint64_t(0));
            ++closes;
        }
        if (closes > 0 && !collect(ring, closes, results)) return false;
        if (!readOk) return false;
    }
    return true;
}

}  // namespace dm::platform
