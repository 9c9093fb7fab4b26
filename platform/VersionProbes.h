// Reading the file versions of many listed files at once. Where the system
// can, the files are opened and read in the background (on Linux by an
// io_uring whose kernel thread does the work) while the caller goes on
// listing; elsewhere each is read when asked for.
#pragma once

#include <functional>
#include <optional>

#include "platform/Listing.h"
#include "platform/PeVersion.h"

namespace dm::platform {

class VersionProbes {
public:
    using Receiver = std::function<void(const std::optional<FileVersion>&)>;

    VersionProbes();
    ~VersionProbes();  // finishes first
    VersionProbes(const VersionProbes&) = delete;
    VersionProbes& operator=(const VersionProbes&) = delete;

    // Reads the version of the regular file that `listing` returned last; the
    // receiver gets it now or during a later request() or finish(), always on
    // this thread. The listing may end before then.
    void request(const FolderListing& listing, Receiver receiver);

    // Returns when every receiver has had its version.
    void finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace dm::platform
