// Batches of file system calls through io_uring, so that a folder's entries
// are described and probed with many calls in flight instead of one blocking
// call after another. Absent (instance() is null) where io_uring is not.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace dm::platform {

// Enough to tell an executable ("MZ") from any other file.
constexpr size_t kProbeBytes = 64;

class Uring {
public:
    // This thread's ring, or null when the system offers none.
    static Uring* instance();

    // The first bytes of each file: results[i] is the byte count or -errno.
    bool readHeads(int folder, const std::vector<const char*>& names,
                   std::vector<std::array<uint8_t, kProbeBytes>>& heads, std::vector<int>& results);

    ~Uring();
    Uring(const Uring&) = delete;
    Uring& operator=(const Uring&) = delete;

private:
    Uring() = default;
    bool start();
    struct State;
    State* state_ = nullptr;
};

}  // namespace dm::platform
