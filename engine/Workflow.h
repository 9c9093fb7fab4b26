// The work every front end does with two folders, in one place: make and run
// a comparison, say whether its result may be copied, and copy A's lacked and
// different items over B, then compare again. The command line, the desktop
// program and unattended runs only present it (progress, questions, results).
#pragma once

#include <memory>
#include <set>
#include <string>

#include "engine/Comp.h"
#include "engine/Sync.h"

namespace dm {

// What a comparison is made from.
struct ComparisonRequest {
    std::string folderA;
    std::string folderB;
    StringList include;  // the paths compared
    StringList exclude;  // left out of the comparison, and never copied
    uint8_t options = kAllOptions;
    std::string infoA;  // read in place of folder A when `mode` is not 0
    std::string infoB;  // read in place of folder B when not empty
    uint8_t mode = 0;
    int32_t maxEntries = MaxScanCount;
    int32_t timeWindow = 0;  // seconds within which two times are the same
    bool ignoreHourShift = false;
    std::string versionCachePath;  // empty: none
    RemoteAccess remoteAccess;
    // Asked for each folder below A or B that cannot be listed: true skips it
    // (see dirCompare::skipUnreadableFolder); absent: such a folder ends the run.
    std::function<bool(const std::string& folder, const std::string& reason)> skipUnreadableFolder;
};

// A comparison made from the request, not yet run; its state says whether it can run.
std::unique_ptr<dirCompare> newComparison(const ComparisonRequest& request, RunControl* control);

// Makes the comparison and runs it.
std::unique_ptr<dirCompare> compare(const ComparisonRequest& request, RunControl* control);

// Why nothing of the comparison may be copied; empty when its plan may be.
std::string whyNoCopy(const dirCompare& comp);

// Copies the scope's plan (less what the user left out) from A over B, then
// compares again: the whole comparison anew (`comp` replaced) when the scope
// is the whole comparison, else the scope's folder or item. Nothing more
// after a stop.
SyncOutcome synchronizeAndCompareAgain(std::unique_ptr<dirCompare>& comp, const ComparisonRequest& request,
                                       const SyncScope& scope, const std::set<std::string>& leftOut,
                                       RunControl* control, const std::string& logPath);

}  // namespace dm
