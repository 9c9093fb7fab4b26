// The comparer: two scanned folder trees, the result tree that pairs them, and
// the operations that build, refresh and describe them.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "common/ComparisonRequest.h"
#include "common/StringList.h"
#include "engine/compare/Verdict.h"
#include "engine/scan/FileVersions.h"
#include "engine/scan/Scan.h"
#include "engine/side/Element.h"
#include "engine/side/FolderPath.h"
#include "engine/side/ListingSink.h"
#include "engine/side/RunControl.h"
#include "engine/side/Side.h"
#include "engine/side/Stream.h"
#include "platform/FindData.h"
#include "platform/StopSignal.h"

namespace dm {

class HelperThread;

namespace platform {
struct ContentResult;
class FolderListing;
}  // namespace platform

using platform::WIN32_FIND_DATA;

enum CompareState : uint32_t {
    BeforeCompare = 1,
    Comparing = 2,
    Finished = 3,
    CompareError = 4,
    SameFolders = 5,
    FolderMissing = 6,
    TooManyFiles = 7,
};

// What a result node pairs: the `kind` of result_t.
enum ResultKind : uint8_t {
    OnlyInA = 1,  // B lacks it
    OnlyInB = 2,  // redundant in B
    InBoth = 3,   // compared
};

struct result_t;
using ResultList = std::vector<std::unique_ptr<result_t>>;

// One node of the result tree; it refers to the scanned nodes it pairs.
struct result_t {
    std::string name;
    // Present only for a pair of folders that was compared recursively.
    std::unique_ptr<ResultList> children;
    element_t* elemA = nullptr;
    element_t* elemB = nullptr;
    // Why the content of the pair could not be compared, if it could not.
    std::unique_ptr<std::string> contentError;
    int32_t lacked = 0;
    int32_t redundant = 0;
    int32_t different = 0;
    uint8_t kind = 0;  // a ResultKind
    uint8_t folderA = 0;
    uint8_t folderB = 0;
    uint8_t sameSize = 0;
    uint8_t sameTime = 0;
    uint8_t sameVersion = 0;  // or kVersionNotRead
    uint8_t sameContent = 0;
    uint8_t identical = 0;
    uint8_t included = 0;
    uint8_t byDigest = 0;  // its content was compared by the files' digests

    // The paths of the items paired (empty for a side that has none): those
    // of the scanned nodes, held once.
    const std::string& pathA() const { return elemA ? elemA->path : noPath(); }
    const std::string& pathB() const { return elemB ? elemB->path : noPath(); }

private:
    static const std::string& noPath();
};

// A pair of folders of which exactly one is a link: what lies behind the link
// was never listed, so the pair cannot be compared, and nothing is copied into it.
bool facesLinkedFolder(const result_t& r);
// What is said of such a pair, in the details and when synchronizing.
std::string linkedFolderNotCompared();

// Why the content of a pair is unknown: the file of one side ('A' or 'B')
// could not be read, for the reason given.
std::string contentNotReadText(char side, const std::string& why);

// Why a node's folder could not be read ("cannot be read (A): …"), where a
// skipped folder is one of its sides; empty otherwise.
std::string unreadableText(const result_t& r);

// For each item of A, the index of its partner in B, or SIZE_MAX. Names equal
// byte for byte pair first; of the items left, names equal without regard to
// case pair only where exactly one item of each side has that name, so that
// two files of a case-sensitive folder are never crossed. A non-empty
// `onlyKey` (an upper-cased name) limits the second round to that name.
std::vector<size_t> pairNames(const ElementList& listA, const ElementList& listB, const std::string& onlyKey);

// The bytes the content rule reads from each side to compare two listed
// folders whole: those of every pair of files of equal size.
uint64_t bytesToCompare(const element_t& folderA, const element_t& folderB);

// The status text of a comparer state.
std::string stateText(uint32_t state, const std::string& errorText);

class dirCompare {
public:
    // Folders missing, or one and the same, show in its state before it runs.
    dirCompare(const ComparisonRequest& request, RunControl* runControl);
    ~dirCompare();
    dirCompare(const dirCompare&) = delete;
    dirCompare& operator=(const dirCompare&) = delete;

    // Scans (or reads) both sides and compares them.
    void run();

    // Side A as another comparison with the same folder A listed it (its
    // versions read as far as they were): the run takes a copy of it and
    // does not list A again. Many folders B are compared with one reading of A.
    void useListedA(const element_t& listedA);

    // Redoes one folder pair (or the root), or the items of one name in it.
    void refresh(result_t& node, const std::string& itemName);

    // The 15 texts of the details grid, column by column, and a sixteenth
    // where the pair's content could not be compared: why. They replace
    // what `texts` held (its strings are reused).
    void details(const result_t& node, StringList& texts) const;

    // Lists `node` (folder A, or B) through its side, then reads the
    // versions the rules need.
    bool scanFolder(element_t& node, std::string& error, const std::string& itemName);
    // The listing alone (a scan without its versions).
    bool scanTree(element_t& node, std::string& error, const std::string& itemName);
    bool loadSides(element_t& nodeA, element_t& nodeB, const std::string& itemName, std::string& error);
    void compareFolders(element_t& folderA, element_t& folderB, const std::string& itemName, result_t& result);
    bool compareEntries(result_t& result, const element_t& a, const element_t& b) const;
    bool isIncluded(const std::string& path) const;

    void logError(const std::string& text, const std::string& logPath) const;

    // Reads every file version the comparison did not need (for a full report
    // of both trees), and settles what pairs say of their versions.
    void readAllVersions();
    // The versions of the files that differ whose versions were never
    // needed (their size or time told them apart): a plan tells from them
    // which side's file is the newer.
    void readVersionsOfDifferentFiles();
    // Writes the versions learnt to the cache; see versionCacheNote.
    void saveVersionCache();

    // Why that file could not be written back (a full or read-only disk);
    // empty while it could. The run is whole all the same.
    std::string versionCacheNote;

    // With the content rule, where a side is not here: the note that says
    // how many pairs were compared by their digests, or that the content was
    // not compared (a side read from an information file); empty otherwise.
    std::string contentRuleNote() const;

    // The folder B that the last run compared, where the system can tell it
    // from another: a synchronization writes into that folder or none.
    std::optional<platform::FileIdentity> identityB;

    // What the file systems of A and B keep, as the last run found them.
    platform::FolderMedia mediaA;
    platform::FolderMedia mediaB;

    // The sides compared: each a folder, or an information file read in its place.
    const Side& sideA() const { return *sideA_; }
    const Side& sideB() const { return *sideB_; }
    // Triggered once a side's listing failed or was answered Stop: the
    // other side's waits end with it.
    const platform::StopSignal& listingsEnded() const { return listingsEnded_; }

    // What the comparison was made from. Times that differ by no more than
    // its time window are the same time, and, with its hour shift, so are
    // times an exact hour apart (a FAT disk across a change of daylight saving time).
    ComparisonRequest request;

    // Asked when a folder below the compared one cannot be listed, with its
    // path and the system's reason: true skips it (it stays in the tree with
    // its content unknown, never copied into or from), false ends the run
    // with the error, as it ends where nobody is asked. Not asked where the
    // request says to keep going: such a folder is skipped.
    std::function<bool(const std::string& folder, const std::string& reason)> skipUnreadableFolder;

    // Told of each folder as soon as a scan has listed it whole, before the
    // scan goes below it; false (error set) ends the scan.
    std::function<bool(element_t& folder, std::string& error)> folderListed;

    std::string pathA;
    std::string pathB;
    element_t rootA;
    element_t rootB;
    result_t results;
    // The rules in force: the request's, or those a byte without the valid bit stands for.
    uint8_t options = kAllOptions;
    uint32_t state = BeforeCompare;
    std::string errorText;
    // Progress text, counters and the abort request of the work under way; may be absent.
    RunControl* progress = nullptr;

    // Where one folder lies inside the other: the inner one as the outer
    // side's scan meets it (ending with the separator). The outer scan leaves
    // it out, so that nothing is compared with, or copied into, itself.
    std::string innerFolder;
    // Folders that are no items of A, or of B, left out of their listings
    // (ending with the separator): the inner folder, the folder inside B
    // that keeps what synchronizations replace, and those the other
    // machine's half of a comparison is told of.
    std::vector<std::string> leftOutOfA;
    std::vector<std::string> leftOutOfB;
    // What a listing of `node` (of side B where `sideB`) takes in.
    ListingScope listingScope(const element_t& node, bool sideB) const;

private:
    // What a listing of either side answers to beyond its scope: the skip
    // question (asked for either side's listing one at a time, and not once
    // a side has been answered Stop), the other side's end, B's identity.
    ScanHooks hooksFor(const element_t& node);
    // Reads the versions the pairs of one folder need to be judged.
    void readVersionsToCompare(const ElementList& listA, const ElementList& listB, const std::vector<size_t>& partner,
                               const std::string& wanted);

public:
    // The rules a pair is judged by: the options, the coarser side's time
    // step (the millisecond where both keep that), the window and hour shift.
    VerdictRules verdictRules() const { return {options, timeStep_, request.timeWindow, request.ignoreHourShift}; }

private:
    uint64_t timeStep_ = 1;
    bool aListed_ =
        false;  // rootA holds a listing given (useListedA)  // the coarser of the two sides' time steps, 100-ns units
    // The content rule's verdict on a pair; false when the pair differs.
    // `readAhead`: the outcome of reading both files, where they are here
    // and were read already.
    bool compareContent(result_t& result, const element_t& a, const element_t& b,
                        const platform::ContentResult* readAhead);
    // Where both sides are here, the content rule's reading of each pair of
    // files of the same size in the folder (by the index of A's item), done
    // on two threads; empty otherwise.
    std::vector<std::optional<platform::ContentResult>> readContentsToCompare(
        const element_t& folderA, const element_t& folderB, const ElementList& listA, const ElementList& listB,
        const std::vector<size_t>& partner, const std::string& wanted);
    std::unique_ptr<HelperThread> helper_;
    // Where a side's files are not here, the digests of both files of each
    // pair of the same size, asked of each side at once; false, with the
    // error, where a side could not give them.
    bool prepareDigests(const element_t& folderA, const element_t& folderB, const std::string& itemName,
                        std::string& error);
    bool contentByDigest() const;
    bool compareDigests(result_t& result, const element_t& a, const element_t& b);
    std::unordered_map<const element_t*, DigestAnswer> digests_;
    std::unique_ptr<Side> sideA_;
    std::unique_ptr<Side> sideB_;
    // The versions of both sides' files, and the cache they share (only
    // under the version rule: a report alone is not worth loading it).
    FileVersions versions_;
    void showProgress(uint32_t message, const std::string& path) const;
    bool abortRequested() const;
    // Triggered when one side's listing failed: the other's ends at its next
    // folder, or at once where it waits on another machine.
    platform::StopSignal listingsEnded_;
    // Held to ask about an unreadable folder and to claim the first failure.
    std::mutex failureMutex_;
    // The thread whose side failed first (answered Stop, or its listing
    // failed): its error is the run's.
    std::thread::id failedFirst_;
    // Claims the failure for this thread if none is claimed yet, and ends
    // both listings; called with failureMutex_ held.
    void endListings();
    // An abort noticed while comparing: the result tree is incomplete.
    bool comparingAborted_ = false;
    void clearAfterFailedRefresh(result_t& node);
};

}  // namespace dm
