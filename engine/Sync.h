// Making folder B like folder A from the result of the last comparison: what
// B lacks and the files that differ are copied from A. Nothing that only B has
// is touched, and nothing is ever deleted.
#pragma once

#include <string>
#include <vector>

#include "engine/Comp.h"

namespace dm {

// Whether the A item may be copied: its path holds no entry of the list
// (case-sensitive; an empty entry never occurs).
bool mayUpdate(const std::string& pathA, const StringList& notUpdateList);

struct SyncStep {
    std::string source;
    std::string target;
};

struct SyncOutcome {
    int copied = 0;
    int failed = 0;
};

// Walks `list` (the children of `parent`, or of the root when `parent` is
// null) and copies every candidate that `mayUpdate` lets through. With an item
// name only the first candidate of that name (case-sensitive) is taken.
SyncOutcome synchronize(const dirCompare& comp, const ResultList& list, const result_t* parent,
                        const std::string& itemName, const StringList& notUpdateList);

// The same walk without copying: the copies it would make, in order.
std::vector<SyncStep> syncPlan(const dirCompare& comp, const ResultList& list, const result_t* parent,
                               const std::string& itemName, const StringList& notUpdateList);

}  // namespace dm
