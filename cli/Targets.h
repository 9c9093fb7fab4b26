// One standard, many folders B: every target compared (and synchronised)
// with one reading of A, several at once, each on its own, and a table of
// how each ended.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "engine/sync/Sync.h"

namespace dm::cli {

struct TargetsArgs {
    std::vector<std::string> targets;  // each a folder B, here or HOST:PATH
    int32_t parallel = 4;              // targets at work at once
    int32_t timeout = 0;               // seconds a target may take; 0: no end
};

// How one target ended.
struct TargetResult {
    std::string target;
    bool compared = false;  // the counts are those of the first comparison
    int32_t lacked = 0;
    int32_t different = 0;
    int32_t redundant = 0;
    std::optional<SyncOutcome> outcome;  // where a sync copied
    int code = ExitError;                // as `compare` or `sync` alone would exit
    double seconds = 0;
    std::string error;  // why it failed, where it did
};

// The targets of a file: one [USER@]HOST:PATH (or folder) a line; blank
// lines and lines starting with # are skipped. False, with why, where the
// file cannot be read or names none.
bool readTargets(const std::string& file, std::vector<std::string>& targets, std::string& error);

// Compares A with every target (and, with `sync`, copies A's lacking and
// different items over each, without asking: `sync->yes` or `dryRun` must
// be given), at most `how.parallel` at once. A is listed once. A target's
// failure, hang (past the timeout) or stop touches no other target; a stop
// of the whole run (Ctrl-C) stops them all.
std::vector<TargetResult> runTargets(const ComparisonRequest& base, const TargetsArgs& how, const SyncArgs* sync,
                                     std::ostream& plans);

// The table of the results, one row a target.
void printTargets(std::ostream& out, const std::vector<TargetResult>& results, bool sync);
void writeTargetsJson(std::ostream& out, const std::vector<TargetResult>& results);

// 0 where every target holds what A holds, 2 where any failed, else 1.
int exitCodeOf(const std::vector<TargetResult>& results);

int runTargetsCommand(const CompareArgs& args, const TargetsArgs& how, const SyncArgs* sync);

}  // namespace dm::cli
