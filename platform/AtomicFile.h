// Writing a file so that it is either wholly replaced or left as it was: the
// content goes to a temporary file beside it, which is renamed over the target
// only once everything was written and flushed.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace dm::platform {

class AtomicFile {
public:
    AtomicFile();
    ~AtomicFile();  // an uncommitted temporary file is removed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // False, with lastError() set, when no temporary file can be made there.
    bool open(const std::string& target);
    bool write(std::string_view data);
    // Flushes, closes and renames into place; false (lastError() set) on any
    // failure. A file that may be lost without harm (a cache) need not wait
    // for the disk: a crash then leaves the old file, the new one or an empty one.
    bool commit(bool flushToDisk = true);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace dm::platform
