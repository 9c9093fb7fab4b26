// Turning folders on disk into trees of element_t.
#include <algorithm>
#include <atomic>
#include <exception>
#include <new>
#include <thread>
#include <utility>
#include <vector>

#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "platform/Text.h"
#include "platform/VersionCache.h"

namespace dm {

// The comparer's policy for a listing of one of its sides.
class dirCompare::SideSink : public ListingSink {
public:
    SideSink(dirCompare& comp, const element_t& node, bool sideB)
        : ListingSink(comp.listingScope(node, sideB), comp.progress), comp_(comp), rootB_(&node == &comp.rootB)
    {
    }

    const platform::StopSignal* endSignal() const override { return &comp_.listingsEnded_; }
    bool listed(element_t& folder, std::string& error) override
    {
        return !comp_.folderListed || comp_.folderListed(folder, error);
    }
    // Without the version rule a version is read only for a report: the
    // cache is not worth loading for that.
    bool cachesVersions() const override
    {
        return !comp_.request.versionCachePath.empty() && (comp_.options & optVersion);
    }
    void knownVersions(const std::vector<std::pair<element_t*, platform::FileIdentity>>& files) override
    {
        comp_.lookUpVersions(files);
    }
    // B is written into only while its path leads to the folder listed here,
    // whatever it led to a moment before or after.
    void opened(const platform::FileIdentity& identity) override
    {
        if (rootB_) comp_.identityB = identity;
    }

protected:
    bool ended() const override { return comp_.listingsEnded_.triggered(); }
    bool mayskip(const std::string& folder, const std::string& reason) override
    {
        if (!comp_.skipUnreadableFolder && !comp_.request.keepGoing) return false;
        const std::lock_guard lock(comp_.failureMutex_);
        if (comp_.listingsEnded_.triggered()) return false;
        if (comp_.request.keepGoing || comp_.skipUnreadableFolder(folder, reason)) return true;
        // Claimed at the answer, before the other side can ask or fail.
        comp_.endListings();
        return false;
    }

private:
    dirCompare& comp_;
    bool rootB_;
};

ListingScope dirCompare::listingScope(const element_t& node, bool sideB) const
{
    ListingScope scope;
    scope.limit = request.maxEntries;
    scope.subFolders = (options & optSubFolders) != 0;
    scope.versions = (options & optVersion) || request.everyVersion;
    scope.mayWrite = &node == &rootB;
    scope.top = &node == &rootA || &node == &rootB;
    scope.include = request.include;
    scope.exclude = request.exclude;
    scope.leftOut = sideB ? leftOutOfB : leftOutOfA;
    return scope;
}

bool dirCompare::scanFolder(element_t& node, std::string& error, const std::string& itemName)
{
    const bool ok = scanTree(node, error, itemName);
    if (ok && (options & optVersion)) readVersionsBelow(node);
    saveVersionCache();
    return ok;
}

bool dirCompare::scanTree(element_t& node, std::string& error, const std::string& itemName)
{
    const bool sideB = &node == &rootB;
    SideSink sink(*this, node, sideB);
    return (sideB ? *sideB_ : *sideA_).list(node, itemName, sink, error);
}

void dirCompare::endListings()
{
    if (failedFirst_ == std::thread::id{}) failedFirst_ = std::this_thread::get_id();
    listingsEnded_.trigger();
}

namespace {

void copyTree(const element_t& from, element_t& to)
{
    to.path = from.path;
    to.version = from.version;
    to.findData = from.findData;
    to.count = from.count;
    to.shortName = from.shortName;
    to.isFolder = from.isFolder;
    to.versionFailure = from.versionFailure;
    if (from.unreadable) to.unreadable = std::make_unique<std::string>(*from.unreadable);
    if (!from.children) return;
    to.children = std::make_unique<ElementList>();
    to.children->reserve(from.children->size());
    for (const auto& child : *from.children) {
        to.children->push_back(std::make_unique<element_t>());
        copyTree(*child, *to.children->back());
    }
}

}  // namespace

void dirCompare::useListedA(const element_t& listedA)
{
    copyTree(listedA, rootA);
    aListed_ = true;
}

bool dirCompare::loadSides(element_t& nodeA, element_t& nodeB, const std::string& itemName, std::string& error)
{
    // The two sides share nothing until they are paired but the version
    // cache (which takes one caller at a time): B is read on a thread of its
    // own while A is read here, on another core, or while the other machine walks.
    if (!request.versionCachePath.empty() && (options & optVersion) && !versionCache_)
        versionCache_ = std::make_unique<platform::VersionCache>(request.versionCachePath);
    // The first side to fail ends the other's listing: its error is the run's,
    // and nobody is asked about a folder of a listing that is over anyway.
    listingsEnded_.clear();
    failedFirst_ = {};
    // A listing that runs out of memory (or fails in any way that throws)
    // fails the run with its reason; nothing leaves either thread.
    const auto listed = [&](const Side& side, element_t& node, std::string& why) {
        bool ok = false;
        try {
            SideSink sink(*this, node, &side == sideB_.get());
            ok = side.list(node, itemName, sink, why);
        } catch (const std::bad_alloc&) {
            why = textIn("内存不足", "not enough memory");
        } catch (const std::exception& e) {
            why = e.what();
        }
        if (!ok) {
            const std::lock_guard lock(failureMutex_);
            endListings();
        }
        return ok;
    };
    std::string errorB;
    bool listedB = false;
    bool listedA = false;
    std::atomic<bool> doneB{false};
    std::thread::id threadB;
    {
        const std::jthread other([&] {
            listedB = listed(*sideB_, nodeB, errorB);
            doneB = true;
        });
        threadB = other.get_id();
        listedA = (aListed_ && &nodeA == &rootA) || listed(*sideA_, nodeA, error);
        // What is still awaited is B (another machine's answer, maybe): say so.
        if (listedA && !doneB) showProgress(msg::ProgressScanning, sideB_->shown(nodeB.path));
    }
    if (listedA && listedB) return true;
    if (failedFirst_ == threadB) error = errorB;
    return false;
}

}  // namespace dm
