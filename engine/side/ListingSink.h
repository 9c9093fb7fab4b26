// What a side's listing reports to. A side produces records; the sink decides
// what becomes of them: which are items of the side, which folders are listed
// in turn, the entry limit, a stop, the progress shown, and what becomes of a
// folder below the top that cannot be listed. Every kind of side (a folder,
// an information file, another machine's stream) lists through one, so one
// tree gives one answer whatever the side.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/ComparisonRequest.h"
#include "common/StringList.h"
#include "engine/side/Element.h"
#include "platform/FindData.h"
#include "platform/Text.h"

namespace dm {

class RunControl;

namespace platform {
class StopSignal;
}

// What a listing is asked for.
struct ListingScope {
    int32_t limit = MaxScanCount;  // entries counted, at most
    bool subFolders = true;        // folders below are listed too
    bool versions = true;          // the files' versions are wanted (a remote side asks for them)
    bool mayWrite = false;         // the side may be measured on a temporary file (folder B)
    bool top = true;               // the node listed is the compared folder itself
    // The paths compared: those holding an entry of `include` and none of
    // `exclude` (as isIncludedPath matches them). A folder not compared is
    // an item, but nothing below it is listed.
    StringList include = everyPath();
    StringList exclude;
    // Folders that are no items of the side at all (ending with the
    // separator): the other side's folder lying inside this one, the backup
    // folder inside B. Neither they nor anything below them is listed.
    std::vector<std::string> leftOut;
};

// A scope that takes every entry up to `limit`.
inline ListingScope upTo(int32_t limit)
{
    ListingScope scope;
    scope.limit = limit;
    return scope;
}

// Whether `path` holds an entry of `include` and none of `exclude`, letters
// matched without regard to case.
bool isIncludedPath(const std::string& path, const StringList& include, const StringList& exclude);

class ListingSink {
public:
    explicit ListingSink(ListingScope scope, RunControl* progress = nullptr) : scope_(scope), progress_(progress) {}
    virtual ~ListingSink() = default;
    ListingSink(const ListingSink&) = delete;
    ListingSink& operator=(const ListingSink&) = delete;

    const ListingScope& scope() const { return scope_; }

    // Whether the listing has all the entries it may take.
    bool full() const { return counted_ >= scope_.limit; }
    int32_t counted() const { return counted_; }
    // `entries` more were listed, the last at `where`. A long listing shows
    // where it is now and then; false (error: the stop's) where the run ends.
    bool count(int32_t entries, const std::string& where, std::string& error);

    // A folder is about to be listed: shown; false (error set) where the run ends.
    bool entering(const std::string& folder, std::string& error);
    // What the side is doing, in its own words ("Reading HOST:PATH").
    void say(const std::string& text) const;
    // Whether the run was asked to stop, or another listing ended it.
    bool stopped() const;
    // The signals a wait on another program ends with: the run's stop and the end of the listings.
    const platform::StopSignal* stopSignal() const;
    virtual const platform::StopSignal* endSignal() const { return nullptr; }

    // A folder below the top could not be listed, for `reason`. True where it
    // is skipped: it stays with no children and its reason, its count 0.
    bool skip(element_t& folder, const std::string& reason);

    // Whether a folder record is listed in turn: sub-folders are wanted, the
    // filters take it, and it is no link (never entered: no loops, no escape).
    bool descends(const element_t& folder) const;
    // Whether a folder found is no item of the side at all; `path` without
    // the separator at its end.
    bool leftOut(const std::string& path) const;
    // Told of each folder listed whole, before the listing goes below it;
    // false (error set) ends the listing.
    virtual bool listed(element_t&, std::string&) { return true; }
    // Whether versions known from an earlier run are offered (`knownVersions`).
    virtual bool cachesVersions() const { return false; }
    // Files of a folder just listed that may hold a version, by their
    // identity on disk: those known get their versions here.
    virtual void knownVersions(const std::vector<std::pair<element_t*, platform::FileIdentity>>&) {}
    // The identity of the top folder as it was opened for listing.
    virtual void opened(const platform::FileIdentity&) {}

protected:
    // Whether another listing ended this one.
    virtual bool ended() const { return false; }
    // Asked whether to skip a folder that cannot be listed.
    virtual bool mayskip(const std::string&, const std::string&) { return false; }

private:
    ListingScope scope_;
    RunControl* progress_;
    int32_t counted_ = 0;
};

}  // namespace dm
