// Comparing the bytes of two files of the same size, stopping at the first
// difference. Files under 64 KiB are read whole, each in one call; larger ones
// in step, in growing chunks, so that a difference near the start costs one
// small read and long equal files are read in large pieces with the two reads
// overlapping.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/FindData.h"

namespace dm::platform {

enum class ContentVerdict : uint8_t {
    Same,
    Different,
    Changed,  // a file changed while it was read: treated as different
    Failed,   // a file could not be read (error, side)
    Stopped,  // the caller asked to stop between chunks
};

struct ContentResult {
    ContentVerdict verdict = ContentVerdict::Same;
    int error = 0;  // with Failed: the cause (a system error, or kNotARegularFile)
    char side = 0;  // with Failed: 'A' or 'B'
};

struct ContentReading {
    // Asked between chunks; true ends the reading with Stopped.
    std::function<bool()> stop;
    // Told the bytes read from each file, chunk by chunk.
    std::function<void(uint64_t)> progress;
};

// `size` is the size both files were listed with. A file that is not a regular
// file (a pipe or a device swapped in) is not read: it fails. The access times
// are kept where the system allows.
ContentResult compareContents(const std::string& pathA, const std::string& pathB, uint64_t size,
                              const ContentReading& reading = {});

// The two folders a run of pairs is read from, each opened once: their files
// are opened from there, without the whole path looked up for each.
class ContentFolders {
public:
    ContentFolders(const std::string& folderA, const std::string& folderB);
    ~ContentFolders();
    ContentFolders(const ContentFolders&) = delete;
    ContentFolders& operator=(const ContentFolders&) = delete;

    // compareContents of the files of those names, as the listing gave them:
    // `size`, and each file's write time. What the listing knows is not
    // asked again before a small file is read; one that is not still as
    // listed once read has changed.
    ContentResult compare(const std::string& nameA, const std::string& nameB, uint64_t size, const FILETIME& writtenA,
                          const FILETIME& writtenB, const ContentReading& reading) const;

private:
    std::string folders_[2];
    int fds_[2] = {-1, -1};  // where the system opens folders for that
};

}  // namespace dm::platform

namespace dm::platform {

// A file's content in 128 bits (XXH3-128): what two machines compare where
// the bytes of a pair are not both here.
struct FileDigest {
    uint64_t high = 0;
    uint64_t low = 0;
    bool operator==(const FileDigest&) const = default;
};

// Reads the whole file (listed with `size` bytes) into its digest; Same when
// it was read, else Changed, Failed (error; side left 0) or Stopped.
ContentResult digestFile(const std::string& path, uint64_t size, FileDigest& digest,
                         const ContentReading& reading = {});

}  // namespace dm::platform
