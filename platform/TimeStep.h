// How finely a file system keeps modification times: FAT in steps of 2 s,
// exFAT of 10 ms, NTFS of 100 ns, most others of 1 ns. Two sides are compared
// at the coarser step of the two, so that a copy onto a USB stick compares
// identical afterwards.
#pragma once

#include <cstdint>
#include <string>

namespace dm::platform {

// What the file system that holds a folder keeps of a file beyond its content.
struct FolderMedia {
    uint64_t timeStep = 1;  // in 100-ns units (1 for 100 ns or finer)
    int modesNotKept = 0;   // why it keeps no permission bits (an error code); 0: it keeps them
    bool holes = true;      // a sparse file stays sparse
    // Where modes are not kept, those it shows every new file and folder
    // (0: not known); a copier that asks for any other fails to set it.
    uint32_t fileMode = 0;
    uint32_t folderMode = 0;

    bool operator==(const FolderMedia&) const = default;
};

// The media of the folder. Where the file system does not say (FUSE,
// network shares) and `mayWrite`, it is measured on a temporary file made in
// the folder and removed at once; otherwise such a file system counts as
// fine-grained and keeping all.
FolderMedia mediaOf(const std::string& folder, bool mayWrite);

// The step a time written as `written` and read back as `read` (both in
// 100-ns units) shows: the smallest of 100 ns, 10 ms, 1 s and 2 s within which
// the two agree (1 ms included: a file system that keeps microseconds).
uint64_t stepShown(int64_t written, int64_t read);

}  // namespace dm::platform
