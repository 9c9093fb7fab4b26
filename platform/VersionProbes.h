// Reading the file versions of many files at once. Where the system can, the
// opens, reads and closes go to the kernel in batches (on Linux through an
// io_uring), so that many files cost a few system calls and files that must
// come from the disk are read side by side; elsewhere each is read when asked for.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/PeVersion.h"

namespace dm::platform {

class VersionProbes {
public:
    using Receiver = std::function<void(const std::optional<FileVersion>&)>;

    VersionProbes();
    ~VersionProbes();  // finishes first
    VersionProbes(const VersionProbes&) = delete;
    VersionProbes& operator=(const VersionProbes&) = delete;

    // Reads the version of file `name` of `folder` (ending in the separator),
    // listed as a regular file of `size` bytes; the receiver gets it now or
    // during a later request() or finish(), always on this thread. The files
    // of one folder are best asked for together: the folder is opened once.
    void request(const std::string& folder, const std::string& name, uint64_t size, Receiver receiver);

    // Returns when every receiver has had its version.
    void finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace dm::platform
