// Copying files and folders into folder B the way synchronization needs it:
// nothing asked, nothing half-written, nothing written outside B.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/FindData.h"

namespace dm::platform {

struct CopyFailure {
    std::string target;  // the item that was not written
    int code;            // why, for systemMessage
};

struct CopyReport {
    int filesCopied = 0;
    std::vector<CopyFailure> failures;
    bool stopped = false;  // a stop request ended the copy before its end
    // Why the target's file system kept no permission bits (FAT, exFAT, some
    // FUSE and network file systems refuse them); 0 when it kept them. The
    // copy is whole all the same: content and times are what count.
    int modesNotKept = 0;
    // Asked to copy only into a free place, and something stood there: nothing was written.
    bool present = false;
    // Files of B replaced and kept in the backup set.
    int kept = 0;

    // 0, or the code of the first failure.
    int firstError() const { return failures.empty() ? 0 : failures.front().code; }
};

// Copies into one folder (folder B), for the length of a synchronization.
//
// The root is opened once, when the object is made, and every write goes
// through that handle: a root swapped for a link (or another folder) later
// receives nothing. Given the identity the comparison saw, a root that is not
// that folder is not written into at all.
//
// `copy` makes `source` (a file, a folder with all it holds, or a symbolic
// link, which is copied as a link) into root + relative. Every write goes
// through handles opened below the root that never follow a link: a link met
// where a folder was expected fails that item (kLinkInPath). Missing folders
// above the target are made and an existing folder is merged into. A file is
// written beside its target under a temporary name and renamed over it only
// when complete, so the old file survives any failure or stop; a target that
// exists and is neither a file nor a link is refused (kNotARegularFile); a link
// is replaced, never followed. Sources that are no regular file, folder or link
// (a pipe swapped in) are refused without being opened for reading.
// Modification times and permission bits travel with the copy; a folder gets
// its final mode after its content. Temporary files that an earlier, killed
// run left in a folder written into are removed (regular files of this user
// only, changed before this object was made).
//
// Files are written whole under their temporary names first and put in
// place in batches: the data of a batch reaches the disk in one flush of the
// file system before any of its files is renamed over its target, so a crash
// leaves either temporary files (removed by the next sync) or whole files,
// never a file of the right size with other bytes. A copy may return with
// files of its item still waiting: `flush` puts them in place.
class CopyInto {
public:
    explicit CopyInto(std::string root, std::optional<FileIdentity> expected = std::nullopt);
    ~CopyInto();
    CopyInto(const CopyInto&) = delete;
    CopyInto& operator=(const CopyInto&) = delete;

    // Asked between files and between blocks of a large file: true stops the
    // copy there (the file in progress is dropped with its temporary file).
    std::function<bool()> stopRequested;
    // Told the bytes of each block written.
    std::function<void(uint64_t bytes)> written;
    // Told of each file as it is written whole (it may still wait to be put in place).
    std::function<void()> fileCopied;

    // Every file or link this copy replaces is first kept at the same
    // relative path below `folder` (the set, which exists), with its times:
    // linked there where the file system can, else copied there and flushed
    // before its replacement lands, so that B's name never stands empty. A
    // file that cannot be kept is not replaced.
    void keepReplacedIn(const std::string& folder);

    // A root that is no longer the folder opened (its path swapped for a
    // link or another folder) fails the copy with kFolderReplaced. With
    // `onlyIfAbsent`, anything standing at the target (a link included) is
    // left as it is and the report says `present`. Items below a folder
    // copied whose paths below it ("sub/file") are in `leaveOut` are not
    // copied, nor anything below them.
    CopyReport copy(const std::string& source, const std::string& relative, bool onlyIfAbsent = false,
                    const std::set<std::string>& leaveOut = {});

    // What became of files that waited: each one that could not be put in
    // place, with the copy it belongs to (its call, counted from 0).
    struct Late {
        size_t call;
        CopyFailure failure;
    };
    struct Flushed {
        std::vector<Late> failures;
        int kept = 0;          // replaced files kept (see keepReplacedIn)
        int modesNotKept = 0;  // as CopyReport says, of the folders finished as their files landed
    };
    // Puts every file still waiting in place, its data flushed first; to be
    // called once the copies are done (a stop included).
    Flushed flush();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// One item to the path of the copy itself, the folders above it made first;
// 0, or the code of the first failure (the rest is still copied).
int copyItem(const std::string& source, const std::string& target);

// Removes a folder and all it holds, never following a link (a link is
// removed as itself); 0, or the first failure's code.
int removeTree(const std::string& path);

}  // namespace dm::platform
