// Folder listing in the manner of FindFirstFile / FindNextFile / FindClose.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/FindData.h"
#include "platform/PeVersion.h"

namespace dm::platform {

// One listing of one folder; closed when the object goes.
//
// Entries come in a fixed order: "." and ".." first (whole listings only),
// then the names by their upper-cased bytes, ties by raw bytes. A symbolic link
// is described by what it points to, with FILE_ATTRIBUTE_REPARSE_POINT added; a
// dangling link is a file of size 0. A name too long for the record makes the
// whole listing fail.
class FolderListing {
public:
    FolderListing();
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    // Starts the listing of `folder` (a path ending in the separator). An empty
    // `name` lists the whole folder; otherwise the entries whose name equals
    // `name` without regard to case. False, with lastError() set, when the
    // listing cannot start or finds nothing.
    bool first(const std::string& folder, const std::string& name, WIN32_FIND_DATA& record);

    // The next entry; false when there is none, or when an entry could not be
    // described (see failure()).
    bool next(WIN32_FIND_DATA& record);

    // 0, or the error that ended the listing early (lastError() set to it).
    int failure() const;

    // Whether the entry last returned is a regular file (symbolic links resolved).
    bool isRegularFile() const;

    // The identity of the entry last returned (symbolic links resolved).
    FileIdentity identity() const;

    // The identity of the folder being listed, as it was opened (unknown
    // where the system gives none).
    FileIdentity folderIdentity() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// False, with lastError() set, when the path is no folder or cannot be reached.
bool folderExists(const std::string& path);

// Where folder `inner` lies strictly inside folder `outer`, however either is
// spelled (links and "..", and on Windows the case, resolved): its path
// relative to `outer`, without separators at its ends; nothing otherwise.
std::optional<std::string> pathInside(const std::string& inner, const std::string& outer);

// The identity (device and inode) of the folder the path leads to; nothing
// where the system gives none or the path is no folder.
std::optional<FileIdentity> folderIdentity(const std::string& path);

// Whether anything (a link included, even a dangling one) is at the path.
bool itemExists(const std::string& path);

// What the symbolic link at the path points to, as it is written; nothing
// where no link is there.
std::optional<std::string> linkText(const std::string& path);

// Size of the item at the path, 0 when there is none.
uint64_t itemSize(const std::string& path);

bool deleteFile(const std::string& path);
// Removes a folder that holds nothing.
bool removeEmptyFolder(const std::string& path);

}  // namespace dm::platform
