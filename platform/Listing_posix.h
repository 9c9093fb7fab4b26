// The POSIX listing's state.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Fd_posix.h"
#include "platform/Listing.h"

namespace dm::platform {

// An open folder; it stays open while a read through it is pending (shared
// by the listing, or the version probes, and the reads).
using FolderFd = Fd;

// One entry described: its record, and what the scan needs to know besides.
struct Described {
    WIN32_FIND_DATA record;
    bool present = false;  // false: the entry vanished since the folder was read
    bool regular = false;
    uint64_t size = 0;
    FileIdentity identity;
};

// The names in an open folder, "." and ".." left out: 0, or the errno that
// stopped the reading.
int namesIn(int folderFd, std::vector<std::string>& names, bool rewind = true);

// Removes the item `name` of the open folder with all it holds, never
// following a link (a link goes as itself): 0, or the first failure's errno.
int removeBelow(int parent, const std::string& name);

// The folder `name` of the open folder, made where missing, never reached
// through a link: 0, or the errno (kLinkInPath where a link stands there).
int openOrMakeFolder(int parent, const std::string& name, Fd& opened);

struct FolderListing::Impl {
    std::shared_ptr<FolderFd> folder = std::make_shared<FolderFd>();
    std::vector<std::string> names;
    size_t nextIndex = 0;
    Described current;  // the entry last returned; not present before the first and after the last
    int failure = 0;    // errno of an entry that could not be described, other than a vanished one

    // 0, or the errno of a failed statx.
    int describeOne(const std::string& name, Described& out) const;
    // "."; 0, or the errno that shows the folder cannot be entered.
    int describeDot(Described& out) const;
};

}  // namespace dm::platform
