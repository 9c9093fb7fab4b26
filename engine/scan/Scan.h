// One side listed on its own: as a comparison lists each of its two sides,
// the other machine's half of a comparison its folder, a run of many targets
// its folder A once, and an export the folder it describes. The listing goes
// through a sink that takes the scope's items; the versions of the files are
// read where the scope wants them.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/ComparisonRequest.h"
#include "engine/side/ListingSink.h"

namespace dm {

class FileVersions;
class Side;

// What a listing of either side of `request` takes in: its limit, filters,
// sub-folder rule, and whether versions are wanted.
ListingScope listingScopeOf(const ComparisonRequest& request, uint8_t options);

// What a scan's caller is told and asked while it lists.
struct ScanHooks {
    // Each folder listed whole, before the listing goes below it; false
    // (error set) ends the scan.
    std::function<bool(element_t& folder, std::string& error)> folderListed;
    // Whether a folder below the top that cannot be listed is skipped (it
    // keeps its reason and no children); absent: the scan ends there.
    std::function<bool(const std::string& folder, const std::string& reason)> skip;
    // Another listing's end, which ends this one too; may be absent.
    const platform::StopSignal* ended = nullptr;
    // The identity of the top folder as it was opened for listing.
    std::function<void(const platform::FileIdentity&)> opened;
};

// The sink of a scan: the scope's decisions, the run control's stop and
// progress, the versions known from earlier runs, and the caller's hooks.
class ScanSink : public ListingSink {
public:
    ScanSink(ListingScope scope, RunControl* control, FileVersions* versions, ScanHooks hooks);

    const platform::StopSignal* endSignal() const override { return hooks_.ended; }
    bool listed(element_t& folder, std::string& error) override;
    bool cachesVersions() const override;
    void knownVersions(const std::vector<std::pair<element_t*, platform::FileIdentity>>& files) override;
    void opened(const platform::FileIdentity& identity) override;

protected:
    bool ended() const override;
    bool mayskip(const std::string& folder, const std::string& reason) override;

private:
    FileVersions* versions_;
    ScanHooks hooks_;
};

// Lists `root` (a folder of `side`, its path as the side locates it) whole,
// then reads the version of every file where `versions` is given and the
// scope wants versions. False, with why, where the listing failed.
bool scanSide(const Side& side, element_t& root, const ListingScope& scope, RunControl* control, FileVersions* versions,
              const ScanHooks& hooks, std::string& error);

}  // namespace dm
