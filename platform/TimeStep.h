// How finely a file system keeps modification times: FAT in steps of 2 s,
// exFAT of 10 ms, NTFS of 100 ns, most others of 1 ns. Two sides are compared
// at the coarser step of the two, so that a copy onto a USB stick compares
// identical afterwards.
#pragma once

#include <cstdint>
#include <string>

namespace dm::platform {

// The step, in 100-ns units (1 for 100 ns or finer), of the file system that
// holds `folder`. Where the file system does not say (FUSE, network shares)
// and `mayWrite`, it is measured on a temporary file made in the folder and
// removed at once; otherwise such a file system counts as fine-grained.
uint64_t timeStepOf(const std::string& folder, bool mayWrite);

// The step a time written as `written` and read back as `read` (both in
// 100-ns units) shows: the smallest of 100 ns, 10 ms, 1 s and 2 s within which
// the two agree (1 ms included: a file system that keeps microseconds).
uint64_t stepShown(int64_t written, int64_t read);

}  // namespace dm::platform
