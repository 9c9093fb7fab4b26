// Where a synchronization keeps the files of B that it replaces: one set a
// run, named by the local time it began ("2026-12-09 131139"), below the
// backup folder, each file at its path relative to B.
#pragma once

#include <string>

#include "platform/FindData.h"

namespace dm {

// Why the backup folder as given cannot be used (a relative one must stay
// inside B); empty when it can, or when none is given.
std::string whyNoBackupFolder(const std::string& backupDir);

// The folder holding the sets, as a path on B's machine: a relative folder
// lies inside B (`pathB` ends with the separator). Empty where none is given.
std::string backupFolderOf(const std::string& backupDir, const std::string& pathB, char separator);

std::string backupSetName(const platform::SYSTEMTIME& at);

// Whether `name` is a set's name ("2026-12-09 131139", or "…-2" for a
// second set begun in the same second), begun more than `days` days before `now`.
bool isExpiredBackupSet(const std::string& name, const platform::SYSTEMTIME& now, int days);

// This run's own backup set, made where it will lie.
struct BackupSetMade {
    std::string set;   // its path on B's machine
    int expired = 0;   // older sets removed first
    std::string note;  // why an older set could not be removed; empty where all could
};

// Opens the folder of sets for B at `root` (a relative `folder` below it,
// never through a link), removes the sets begun more than `keepDays` days
// before `now` (none where 0), and makes a set of its own, one that no
// other run, at the same second or not, shares. False, with why, where none
// can be made: then nothing may be replaced.
bool makeBackupSet(const std::string& root, const std::string& folder, const platform::SYSTEMTIME& now, int keepDays,
                   BackupSetMade& made, std::string& error);

}  // namespace dm
