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

// Whether `name` is a set's name, begun more than `days` days before `now`.
bool isExpiredBackupSet(const std::string& name, const platform::SYSTEMTIME& now, int days);

// Removes the sets of `folder` begun more than `days` days before `now`,
// and nothing else there. The sets removed are counted; the text says why
// one could not be, or is empty.
std::string removeExpiredBackupSets(const std::string& folder, const platform::SYSTEMTIME& now, int days, int& removed);

}  // namespace dm
