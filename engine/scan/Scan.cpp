// Listing one side through the scan's sink.
#include "engine/scan/Scan.h"

#include "engine/scan/FileVersions.h"
#include "engine/side/Side.h"
#include "platform/StopSignal.h"

namespace dm {

ListingScope listingScopeOf(const ComparisonRequest& request, uint8_t options)
{
    ListingScope scope;
    scope.limit = request.maxEntries;
    scope.subFolders = (options & optSubFolders) != 0;
    scope.versions = (options & optVersion) || request.everyVersion;
    scope.include = request.include;
    scope.exclude = request.exclude;
    return scope;
}

ScanSink::ScanSink(ListingScope scope, RunControl* control, FileVersions* versions, ScanHooks hooks)
    : ListingSink(std::move(scope), control), versions_(versions), hooks_(std::move(hooks))
{
}

bool ScanSink::listed(element_t& folder, std::string& error)
{
    return !hooks_.folderListed || hooks_.folderListed(folder, error);
}

bool ScanSink::cachesVersions() const
{
    return versions_ && versions_->cached();
}

void ScanSink::knownVersions(const std::vector<std::pair<element_t*, platform::FileIdentity>>& files)
{
    if (versions_) versions_->lookUp(files);
}

void ScanSink::opened(const platform::FileIdentity& identity)
{
    if (hooks_.opened) hooks_.opened(identity);
}

bool ScanSink::ended() const
{
    return hooks_.ended && hooks_.ended->triggered();
}

bool ScanSink::mayskip(const std::string& folder, const std::string& reason)
{
    return hooks_.skip && hooks_.skip(folder, reason);
}

bool scanSide(const Side& side, element_t& root, const ListingScope& scope, RunControl* control, FileVersions* versions,
              const ScanHooks& hooks, std::string& error)
{
    ScanSink sink(scope, control, versions, hooks);
    if (!side.list(root, {}, sink, error)) return false;
    if (versions && scope.versions) versions->readBelow(root);
    return true;
}

}  // namespace dm
