// The work every front end does with two folders, in one place: make and run
// a comparison, say whether its result may be copied, and copy A's lacked and
// different items over B, then compare again. The command line, the desktop
// program and unattended runs only present it (progress, questions, results).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/ComparisonRequest.h"
#include "engine/compare/Comp.h"
#include "engine/side/InfoExport.h"
#include "engine/sync/Sync.h"

namespace dm {

// What a front end is asked while a run goes on, on the run's thread (a
// window asks on its own thread and the run waits). Where a question is
// left empty the answer is no.
struct RunQuestions {
    // A folder below A or B cannot be listed: true skips it (see
    // dirCompare::skipUnreadableFolder), false ends the run.
    std::function<bool(const std::string& folder, const std::string& reason)> skipUnreadableFolder;
};

// A comparison made from the request, not yet run; its state says whether
// it can run. With `listedA`, A as an earlier listing of it left it (see
// dirCompare::useListedA).
std::unique_ptr<dirCompare> newComparison(const ComparisonRequest& request, RunControl* control,
                                          const RunQuestions& questions = {}, const element_t* listedA = nullptr);

// Makes the comparison and runs it.
std::unique_ptr<dirCompare> compare(const ComparisonRequest& request, RunControl* control,
                                    const RunQuestions& questions = {}, const element_t* listedA = nullptr);

// Why nothing of the comparison may be copied; empty when its plan may be.
std::string whyNoCopy(const dirCompare& comp);

// What a front end is asked and told while a synchronization runs, on the
// run's thread, as RunQuestions.
struct SyncQuestions : RunQuestions {
    // The comparison made before anything is copied has ended, whatever its end.
    std::function<void(const dirCompare&)> compared;
    // The scope's plan, which may be empty: true copies it, less the steps whose
    // sources are put in `leftOut`. Empty: nothing is copied. What the
    // request says of replaced and newer files may still be changed here.
    std::function<bool(dirCompare&, const SyncScope&, const std::vector<SyncStep>& plan,
                       std::set<std::string>& leftOut)>
        confirm;
};

// How a synchronization ended.
struct SyncRun {
    enum class End {
        NotCompared,  // the comparison failed or was stopped: its state says why
        Refused,      // its result may not be copied from: `why`
        NoSuchItem,   // the scope names no item of the result
        Declined,     // the plan was not confirmed
        Copied,       // copied, and compared again unless `outcome->stopped`
    };
    End end = End::NotCompared;
    std::string why;
    std::optional<SyncOutcome> outcome;  // with Copied
};

// Where the scope of a synchronization lies in a comparison's result.
using ScopeOf = std::function<SyncScope(dirCompare&)>;

// The whole of a synchronization, for every front end: compares with
// `request` unless `comp` holds a result already, plans the scope (empty
// `scopeOf`: the whole result), asks, copies the plan from A over B and
// compares again: the whole comparison anew (`comp` replaced) when the scope
// is the whole result, else the scope's folder or item. Nothing more after a
// stop. Both comparisons take A from `listedA` where it is given.
SyncRun synchronizeFolders(std::unique_ptr<dirCompare>& comp, const ComparisonRequest& request, const ScopeOf& scopeOf,
                           RunControl* control, const std::string& logPath, const SyncQuestions& questions,
                           const element_t* listedA = nullptr);

// Side A's (or B's) listed tree of a comparison as its information file
// describes it: B's path, where it lies in A's paths, written as A's.
DescribedTree describedTree(const dirCompare& comp, const element_t& root);

// How an export ended.
struct ExportRun {
    bool listed = false;   // folder A was listed; else `error` says why
    bool written = false;  // and its file written whole; else `error` says why
    bool atLimit = false;  // the listing stopped at the entry limit: the file holds what it took
    std::string folder;    // folder A, as listed
    std::string error;
};

// Lists folder A of `request` with every rule's reading (its B, where given,
// is the path written as A's) and writes its information file, to `file`,
// or to `sink` where one is given. The one export of every front end.
ExportRun exportFolder(const ComparisonRequest& request, const std::string& file, RunControl* control,
                       const InfoSink& sink = {});

}  // namespace dm
