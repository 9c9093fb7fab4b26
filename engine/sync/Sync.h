// Making folder B like folder A from the result of the last comparison: what
// B lacks and the files that differ are copied from A. Nothing that only B has
// is touched, and nothing is ever deleted.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "engine/compare/Comp.h"

namespace dm {

// Whether the A item may be copied: its path holds no entry of the list
// (case-sensitive; an empty entry never occurs).
bool mayUpdate(const std::string& pathA, const StringList& notUpdateList);

struct SyncStep {
    std::string source;
    std::string target;
    uint8_t kind = OnlyInA;  // OnlyInA: B lacks it; InBoth: the files differ
    bool folder = false;
    uint64_t size = 0;      // a file's size, or all a folder holds, as compared
    uint64_t files = 1;     // the files it is (a folder: the files below it)
    bool newerInB = false;  // a different file of which B holds the newer one (see newerInB)
    // Below a lacked folder, what is not copied with it ("sub/file"): what
    // is excluded from updates, and B where it lies in there.
    std::set<std::string> leaveOut = {};
};

// One item that was not copied, or not wholly, and why.
struct SyncItem {
    std::string source;
    std::string target;
    std::string reason;
};

struct SyncOutcome {
    int copied = 0;                 // items copied whole
    int filesCopied = 0;            // files that arrived, a folder's counted one by one
    std::vector<SyncItem> failed;   // a file or folder that could not be written
    std::vector<SyncItem> skipped;  // left alone on purpose (excluded, changed since the comparison, stopped)
    bool stopped = false;           // a stop request ended the walk
    int modesNotKept = 0;           // why B's file system kept no permission bits (0: it kept them)
    // Where the files of B it replaced were kept (a path on B's machine), and how many.
    std::string backupSet;
    std::string backupSetShown;  // the same as a person names it ("HOST:" before another machine's)
    int kept = 0;
    int expiredSetsRemoved = 0;  // older backup sets removed before the copy
    std::string backupNote;      // why older sets could not be removed; empty where they could
};

// The comparison made after a copy, as the synchronization makes it anyway
// (A from its listing, B listed anew), with the run control given: what a
// copier that cannot see what landed reads back, so that B is listed once
// after a copy, not twice. Empty: the copier compares on its own.
using CompareAgain = std::function<dirCompare&(RunControl*)>;

// Walks `list` (the children of `parent`, or of the root when `parent` is
// null) and copies every candidate that `mayUpdate` lets through. With an item
// name only the first candidate of that name (case-sensitive) is taken.
// The run control, when given, shows each copy and counts files and bytes, and
// its abort request stops the walk between files (or blocks of a large one);
// every failed copy is appended to the log. Planned copies whose source is in
// `leftOut` (unticked by the user) are skipped.
// Nothing is copied from a comparison cut short by the entry limit: B's
// listing is incomplete there, and items it holds would look lacking.
SyncOutcome synchronize(const dirCompare& comp, const ResultList& list, const result_t* parent,
                        const std::string& itemName, const StringList& notUpdateList, RunControl* progress = nullptr,
                        const std::string& logPath = {}, const std::set<std::string>& leftOut = {},
                        const CompareAgain& compareAgain = {});

// What a synchronization or refresh of one selected item covers, the same in
// both front ends: a compared folder pair, its whole content; any other item,
// its name in the list that holds it; the whole comparison when none is given.
struct SyncScope {
    result_t* owner = nullptr;  // whose children are walked, then refreshed; null: no such item
    std::string name;           // the one item of them, or empty for all
};

// `selected` is null for the whole comparison; `holder` is the node whose
// children hold it (null at the top).
SyncScope syncScope(result_t& root, result_t* selected, result_t* holder);

// The item at a path relative to the compared folders ("sub/file"): at each
// level the name itself, else the one name equal to it without regard to case.
SyncScope syncScope(result_t& root, const std::string& relativePath);

SyncOutcome synchronize(const dirCompare& comp, const SyncScope& scope, const StringList& notUpdateList,
                        RunControl* progress = nullptr, const std::string& logPath = {},
                        const std::set<std::string>& leftOut = {}, const CompareAgain& compareAgain = {});
std::vector<SyncStep> syncPlan(const dirCompare& comp, const SyncScope& scope, const StringList& notUpdateList);

// Copies the steps from A over B with the copier the pair of sides calls
// for, chosen here alone: the copier of this machine between two folders
// here, rsync where either is on another machine.
void copySteps(const dirCompare& comp, const std::vector<SyncStep>& steps, SyncOutcome& outcome, RunControl* progress,
               const std::string& logPath, const CompareAgain& compareAgain = {});

// Copies between two folders of this machine, each item whole or not at all.
void copyHere(const dirCompare& comp, const std::vector<SyncStep>& steps, SyncOutcome& outcome, RunControl* progress,
              const std::string& logPath);

// Copies the steps to or from another machine's folder with rsync over the
// remote shell: never deleting, never writing over a target that appeared
// since the comparison; each step's outcome read from B compared again.
void copyWithRsync(const dirCompare& comp, const std::vector<SyncStep>& steps, SyncOutcome& outcome,
                   RunControl* progress, const std::string& logPath, const CompareAgain& compareAgain);

// What is said of a file B holds in a newer state than A, left as it is.
std::string bIsNewerText();

// "copied N, failed M, skipped K", in the current language.
std::string summaryText(const SyncOutcome& outcome);
// A line for each failed and then each skipped item: "failed: TARGET: REASON";
// then, once, what B could not keep, and where replaced files were kept.
std::vector<std::string> summaryItems(const SyncOutcome& outcome);

// The same walk without copying: the copies it would make, in order.
std::vector<SyncStep> syncPlan(const dirCompare& comp, const ResultList& list, const result_t* parent,
                               const std::string& itemName, const StringList& notUpdateList);

}  // namespace dm
