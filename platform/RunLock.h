// A lock that one process holds while it runs something that must not run
// twice at once (a saved job); the system lets it go when the process ends.
#pragma once

#include <memory>
#include <string>

namespace dm::platform {

class RunLock {
public:
    RunLock();
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Takes the lock of that file (made if missing) without waiting; false
    // where another process holds it, or the file cannot be opened.
    bool tryTake(const std::string& path);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace dm::platform
