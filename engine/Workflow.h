// The work every front end does with two folders, in one place: make and run
// a comparison, say whether its result may be copied, and copy A's lacked and
// different items over B, then compare again. The command line, the desktop
// program and unattended runs only present it (progress, questions, results).
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>

#include "common/ComparisonRequest.h"
#include "engine/Comp.h"
#include "engine/Sync.h"

namespace dm {

// What a front end is asked while a run goes on, on the run's thread (a
// window asks on its own thread and the run waits). Where a question is
// left empty the answer is no.
struct RunQuestions {
    // A folder below A or B cannot be listed: true skips it (see
    // dirCompare::skipUnreadableFolder), false ends the run.
    std::function<bool(const std::string& folder, const std::string& reason)> skipUnreadableFolder;
};

// A comparison made from the request, not yet run; its state says whether it can run.
std::unique_ptr<dirCompare> newComparison(const ComparisonRequest& request, RunControl* control,
                                          const RunQuestions& questions = {});

// Makes the comparison and runs it.
std::unique_ptr<dirCompare> compare(const ComparisonRequest& request, RunControl* control,
                                    const RunQuestions& questions = {});

// Why nothing of the comparison may be copied; empty when its plan may be.
std::string whyNoCopy(const dirCompare& comp);

// Copies the scope's plan (less what the user left out) from A over B, then
// compares again: the whole comparison anew (`comp` replaced) when the scope
// is the whole comparison, else the scope's folder or item. Nothing more
// after a stop.
SyncOutcome synchronizeAndCompareAgain(std::unique_ptr<dirCompare>& comp, const SyncScope& scope,
                                       const std::set<std::string>& leftOut, RunControl* control,
                                       const std::string& logPath, const RunQuestions& questions = {});

}  // namespace dm
