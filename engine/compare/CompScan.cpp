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

namespace dm {

ListingScope dirCompare::listingScope(const element_t& node, bool sideB) const
{
    ListingScope scope = listingScopeOf(request, options);
    scope.mayWrite = &node == &rootB;
    scope.top = &node == &rootA || &node == &rootB;
    scope.leftOut = sideB ? leftOutOfB : leftOutOfA;
    return scope;
}

ScanHooks dirCompare::hooksFor(const element_t& node)
{
    ScanHooks hooks;
    hooks.folderListed = folderListed;
    hooks.ended = &listingsEnded_;
    // B is written into only while its path leads to the folder listed here,
    // whatever it led to a moment before or after.
    if (&node == &rootB) hooks.opened = [this](const platform::FileIdentity& identity) { identityB = identity; };
    hooks.skip = [this](const std::string& folder, const std::string& reason) {
        if (!skipUnreadableFolder && !request.keepGoing) return false;
        const std::lock_guard lock(failureMutex_);
        if (listingsEnded_.triggered()) return false;
        if (request.keepGoing || skipUnreadableFolder(folder, reason)) return true;
        // Claimed at the answer, before the other side can ask or fail.
        endListings();
        return false;
    };
    return hooks;
}

bool dirCompare::scanFolder(element_t& node, std::string& error, const std::string& itemName)
{
    const bool ok = scanTree(node, error, itemName);
    if (ok && (options & optVersion)) versions_.readBelow(node);
    saveVersionCache();
    return ok;
}

bool dirCompare::scanTree(element_t& node, std::string& error, const std::string& itemName)
{
    const bool sideB = &node == &rootB;
    versions_.useCache((options & optVersion) ? request.versionCachePath : std::string());
    ScanSink sink(listingScope(node, sideB), progress, &versions_, hooksFor(node));
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
    versions_.useCache((options & optVersion) ? request.versionCachePath : std::string());
    versions_.open();
    // The first side to fail ends the other's listing: its error is the run's,
    // and nobody is asked about a folder of a listing that is over anyway.
    listingsEnded_.clear();
    failedFirst_ = {};
    // A listing that runs out of memory (or fails in any way that throws)
    // fails the run with its reason; nothing leaves either thread.
    const auto listed = [&](const Side& side, element_t& node, std::string& why) {
        bool ok = false;
        try {
            ScanSink sink(listingScope(node, &side == sideB_.get()), progress, &versions_, hooksFor(node));
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
