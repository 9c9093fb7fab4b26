// A stop request that a blocking wait can see: set once from any thread (or a
// signal handler's poller), and, on POSIX, readable as a descriptor so that a
// wait on a pipe wakes the moment the request is made.
#pragma once

#include <atomic>

namespace dm::platform {

class StopSignal {
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    void trigger();
    bool triggered() const { return triggered_; }
    // Back to not requested (before the next piece of work).
    void clear();

    // A descriptor that polls readable once triggered; -1 where there is none.
    int waitHandle() const { return handle_; }

private:
    std::atomic<bool> triggered_{false};
    int handle_ = -1;
};

}  // namespace dm::platform
