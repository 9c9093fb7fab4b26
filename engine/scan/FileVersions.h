// The versions of a side's files: read many at a time, one folder at a time,
// only where a verdict or a report needs them, and remembered between runs.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/side/Element.h"
#include "platform/FindData.h"
#include "platform/VersionProbes.h"

namespace dm {

class RunControl;

namespace platform {
class VersionCache;
}

class FileVersions {
public:
    // `cachePath`: where earlier runs' versions are kept ("": nowhere).
    // `control`: whose stop ends a reading; may be absent.
    FileVersions(std::string cachePath, const RunControl* control);
    ~FileVersions();
    FileVersions(const FileVersions&) = delete;
    FileVersions& operator=(const FileVersions&) = delete;

    // Whether versions known from earlier runs are offered.
    bool cached() const { return !cachePath_.empty(); }
    // The cache to use from now on, where none is open yet.
    void useCache(std::string cachePath)
    {
        if (!cache_) cachePath_ = std::move(cachePath);
    }
    // Opens the cache now: before two listings share it.
    void open();
    // Files just listed that may hold a version, by their identity on disk:
    // those the cache knows get their versions here.
    void lookUp(const std::vector<std::pair<element_t*, platform::FileIdentity>>& files);

    // Files whose versions are read together, by the time it goes; a file
    // read already is passed over.
    class Batch {
    public:
        explicit Batch(FileVersions& versions) : versions_(versions) {}
        void add(element_t& file);

    private:
        FileVersions& versions_;
        platform::VersionProbes probes_;  // finishes as it goes
    };
    // The versions of the files of `folder`, or of every file below it.
    void readOf(element_t& folder);
    void readBelow(element_t& folder);

    // Writes what was learnt. A cache that cannot be written costs the next
    // run time, nothing else: `note` says so, once.
    void save();
    const std::string& note() const { return note_; }

private:
    bool stopped() const;

    std::string cachePath_;
    const RunControl* control_;
    std::unique_ptr<platform::VersionCache> cache_;
    std::string note_;
};

}  // namespace dm
