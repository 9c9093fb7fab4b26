#include "platform/Uring_posix.h"

#include <fcntl.h>
#include <liburing.h>

#include <memory>

#include "platform/TestSeams.h"

namespace dm::platform {

namespace {
constexpr unsigned kRingEntries = 256;
constexpr unsigned kFileSlots = 64;  // files open at once in one batch
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
    if (io_uring_register_files_sparse(&state->ring, kFileSlots) != 0) {
        io_uring_queue_exit(&state->ring);
        return false;
    }
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
    for (size_t begin = 0; begin < names.size(); begin += kFileSlots) {
        const size_t end = std::min(names.size(), begin + kFileSlots);
        for (size_t i = begin; i < end; ++i) {
            const auto slot = unsigned(i - begin);
            // open -> read -> close, each going ahead whatever the one before
            // returned, so that no slot is ever left open.
            io_uring_sqe* open = io_uring_get_sqe(&ring);
            io_uring_prep_openat_direct(open, folder, names[i], O_RDONLY | O_NONBLOCK | O_NOCTTY, 0, slot);
            io_uring_sqe_set_data64(open, ~uint64_t(0));
            open->flags |= IOSQE_IO_HARDLINK;
            io_uring_sqe* read = io_uring_get_sqe(&ring);
            io_uring_prep_read(read, int(slot), heads[i].data(), unsigned(kProbeBytes), 0);
            read->flags |= IOSQE_FIXED_FILE | IOSQE_IO_HARDLINK;
            io_uring_sqe_set_data64(read, i);
            io_uring_sqe* close = io_uring_get_sqe(&ring);
            io_uring_prep_close_direct(close, slot);
            io_uring_sqe_set_data64(close, ~uint64_t(0));
        }
        if (!collect(ring, unsigned(end - begin) * 3, results)) return false;
    }
    return true;
}

}  // namespace dm::platform
