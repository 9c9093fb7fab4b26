// The synchronization plan as a window lists it for the user to confirm:
// a row for each step, and the totals of the steps ticked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/side/RunControl.h"
#include "engine/sync/Sync.h"

namespace dm {

// A size as people read it: "512 bytes", "1.50 KiB", "3.25 GiB".
std::string sizeText(uint64_t bytes);

struct PlanRow {
    std::string why;   // lacking in B, or different (and whether B's file is the newer)
    std::string from;  // as a person names it (HOST:PATH for another machine)
    std::string to;
    std::string size;  // a file's, or "folder"
};
std::vector<PlanRow> planRows(const std::vector<SyncStep>& plan, const std::string& hostA, const std::string& hostB);

// What the plan window lets the user settle before a synchronization,
// remembered for the next one.
struct PlanChoices {
    bool keepReplaced = false;  // replaced files of B are kept in backupFolder
    std::string backupFolder;   // shown, and kept, even where it is not used
    bool keepNewer = false;     // files B holds newer are left as they are
};
inline constexpr const char* kDefaultBackupFolder = ".dirmatch-backup";

// Whether a step is ticked when the plan is shown: not a file that B holds
// newer, where those are left as they are.
inline bool tickedFirst(const SyncStep& step, bool keepNewer)
{
    return !(keepNewer && step.newerInB);
}

// "5 items (12 files), 1.50 KiB" of the steps ticked (folders count with
// all they hold); the plan may start where one is ticked, or where it is empty.
struct PlanTotals {
    std::string text;
    bool mayStart = true;
};
PlanTotals planTotals(const std::vector<SyncStep>& plan, const std::vector<bool>& ticked);

// A copy under way as its progress window says it: "Files 3 / 10    1.50 KiB / 2.00 MiB".
std::string copiedText(const RunControl& copying);

}  // namespace dm
