// Hooks through which tests make platform calls fail in ways that running as
// root (where permission bits stop nothing) cannot provoke. Empty in production.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace dm::platform {

struct TestSeams {
    // Called before a folder listing starts; a non-zero errno fails it.
    std::function<int(const std::string& folder)> failListing;
    // Called after each block written while copying a file (where the shell
    // copies, once before it starts); a non-zero code fails that write (the
    // copy then has to clean up after itself).
    std::function<int(const std::string& target, uint64_t bytesWritten)> failCopyWrite;
    // Called when a file of the user's own has been opened and checked,
    // before it is read: another program may change it right there.
    std::function<void(const std::string& path)> ownFileOpened;
    // Work as on a system without io_uring.
    bool noUring = false;
    // Copy as on a file system that shares no blocks between files.
    bool noClone = false;
    // Answers the flush of a batch of copied files in place of the system
    // (0: flushed), before any of them is put in place.
    std::function<int()> failBatchFlush;
    // Called before the version probes hand a file to io_uring; true makes
    // the ring fail there, as if the kernel could not be told.
    std::function<bool()> failRingSubmit;
    // Called with the name of each file the version probes open; true makes
    // that open fail (in the ring and when read the plain way).
    std::function<bool(const std::string& name)> failProbeOpen;
    // Added to the version cache's clock (ns): files a test has just made can
    // be as old as the cache must see them to trust them, and a run can be a
    // later day's.
    int64_t versionCacheClockShift = 0;
    // Keep replaced files as on a file system that makes no hard links.
    bool noHardLinks = false;
    // Called just before a copied file replaces the one at the path in B.
    std::function<void(const std::string& target)> beforeReplace;
    // Where set and not 0, the errno each change of a copy's permission bits answers.
    std::function<int()> failModeChange;
    // Where set, what a folder's file system says of itself: its type as
    // statfs gives it, and the type it was mounted as ("fuse.fusefat").
    std::function<void(const std::string& folder, long& type, std::string& mountType)> fileSystemOf;
    // Stand-ins for the program's own path and the registry's files.
    std::string programFile;
    std::string registryFolder;
};

TestSeams& testSeams();

}  // namespace dm::platform
