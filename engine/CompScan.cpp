// Turning folders on disk into trees of element_t.
#include <algorithm>
#include <atomic>
#include <exception>
#include <new>
#include <thread>
#include <utility>
#include <vector>

#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "engine/Comp.h"
#include "platform/Listing.h"
#include "platform/PeVersion.h"
#include "platform/SysError.h"
#include "platform/TempName.h"
#include "platform/Text.h"
#include "platform/VersionCache.h"

namespace dm {

namespace {

bool isDotEntry(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

}  // namespace

bool dirCompare::scanFolder(element_t& node, std::string& error, const std::string& itemName)
{
    const bool ok = scanTree(node, error, itemName);
    if (ok && (options & optVersion)) readVersionsBelow(node);
    saveVersionCache();
    return ok;
}

bool dirCompare::scanTree(element_t& node, std::string& error, const std::string& itemName)
{
    return scanLevel(node, error, itemName, true);
}

bool dirCompare::scanLevel(element_t& node, std::string& error, const std::string& itemName, bool top)
{
    // The folder asked for is looked at first; one below it was just listed
    // as a folder, and a listing that fails says the same of it.
    std::string folder;
    std::string missing;
    if (top)
        normalizeFolder(node.path, folder, missing);
    else
        folder = node.path + platform::kSeparator;
    if (listingsEnded_.triggered()) {
        error = messageText(msg::UserAbort);
        return false;
    }
    if (progress && !folder.empty()) {
        if (abortRequested()) {
            error = messageText(msg::UserAbort);
            return false;
        }
        showProgress(msg::ProgressScanning, folder);
    }
    // A folder below the top that cannot be listed is skipped where the
    // caller says so: it keeps no children, so nothing is paired below it.
    const auto skipped = [&](int code) {
        if (top) return false;
        const std::string reason = platform::systemMessage(code);
        if (!askToSkip(node.path, reason)) return false;
        node.unreadable = std::make_unique<std::string>(reason);
        node.children.reset();
        node.count = 0;
        error.clear();
        return true;
    };
    if (folder.empty()) {
        const int code = platform::lastError();
        error = missing;
        node.count = 0;
        return skipped(code);
    }

    int32_t count = 0;
    if (itemName.empty()) {
        node.children = std::make_unique<ElementList>();
    } else {
        // A single item is every entry of that name, ignoring case, as pairing
        // sees names; each old node goes with its subtree and its share of the count.
        count = node.count;
        if (!node.children) node.children = std::make_unique<ElementList>();
        const std::string wanted = platform::upperCase(itemName);
        std::erase_if(*node.children, [&](const std::unique_ptr<element_t>& child) {
            if (platform::upperCase(platform::lastComponent(child->path)) != wanted) return false;
            count -= 1 + child->count;
            return true;
        });
    }
    ElementList& children = *node.children;
    const size_t firstNew = children.size();
    node.unreadable.reset();

    // The listing (and its open folder) ends before the descent, so the
    // handles held stay few however deep the tree goes.
    platform::FileIdentity opened;
    if (const int code = listEntries(folder, itemName, children, count, &opened); code != 0) {
        platform::setLastError(code);
        error = !top && platform::isNotFound(code) ? folderErrorText(node.path)
                                                   : systemErrorText(messageText(msg::ListingError) + folder + "*.*");
        return skipped(code);
    }
    // B is written into only while its path leads to the folder listed here,
    // whatever it led to a moment before or after.
    if (&node == &rootB && opened.known()) identityB = opened;
    if (folderListed && itemName.empty() && !folderListed(node, error)) return false;

    if (options & optSubFolders) {
        for (size_t i = firstNew; i < children.size(); ++i) {
            element_t& child = *children[i];
            // A link to a folder is shown but never entered: no loops, no escape.
            if (!child.isFolder || isLinkedFolder(child)) continue;
            if (!isIncluded(child.path)) continue;
            if (!scanLevel(child, error, {}, false)) {
                node.count = count;
                return false;
            }
            count += child.count;
            if (count >= request.maxEntries) break;
        }
    }
    node.count = count;
    return true;
}

bool dirCompare::askToSkip(const std::string& folder, const std::string& reason)
{
    if (!skipUnreadableFolder && !request.keepGoing) return false;
    const std::lock_guard lock(failureMutex_);
    if (listingsEnded_.triggered()) return false;
    if (request.keepGoing || skipUnreadableFolder(folder, reason)) return true;
    // Claimed at the answer, before the other side can ask or fail.
    endListings();
    return false;
}

void dirCompare::endListings()
{
    if (failedFirst_ == std::thread::id{}) failedFirst_ = std::this_thread::get_id();
    listingsEnded_.trigger();
}

// Appends the folder's entries (or the named item's) to `children`, counting
// them against the limit.
int dirCompare::listEntries(const std::string& folder, const std::string& itemName, ElementList& children,
                            int32_t& count, platform::FileIdentity* opened)
{
    platform::FolderListing listing;
    WIN32_FIND_DATA record;
    const bool started = listing.first(folder, itemName, record);
    if (opened) *opened = listing.folderIdentity();
    if (!started) {
        // A single item that is gone is no failure: it is simply no longer there.
        const int code = platform::lastError();
        return !itemName.empty() && platform::isNotFound(code) ? 0 : code != 0 ? code : -1;
    }
    const std::string noVersion = messageText(msg::NoVersion);
    // Without the version rule a version is read only for a report: the cache
    // is not worth loading for that.
    const bool cached = !request.versionCachePath.empty() && (options & optVersion);
    std::vector<std::pair<element_t*, platform::FileIdentity>> toLookUp;
    do {
        if (count >= request.maxEntries) break;
        // Our own unfinished copies are no items of the folder.
        if (platform::isTemporaryName(record.cFileName)) continue;
        ++count;
        if (progress) ++progress->entriesCounted;
        if (isDotEntry(record.cFileName)) continue;
        auto child = std::make_unique<element_t>();
        child->path = folder + record.cFileName;
        child->findData = record;  // its words; the name is in the path
        child->shortName = record.cAlternateFileName;
        child->isFolder = (record.dwFileAttributes & platform::FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
        if (child->isFolder && isInnerFolder(child->path)) {
            --count;
            continue;
        }
        // A file's version is read when a comparison or a report needs it (an
        // empty text: not read yet), unless the cache knows it.
        const bool mayBeExecutable = listing.isRegularFile() && child->size() >= platform::kMinExecutableSize;
        if (!mayBeExecutable)
            child->version = noVersion;
        else if (cached && listing.identity().known())
            toLookUp.emplace_back(child.get(), listing.identity());
        children.push_back(std::move(child));
    } while (listing.next(record));
    lookUpVersions(toLookUp);
    return listing.failure();
}

bool dirCompare::isInnerFolder(const std::string& path) const
{
    return !innerFolder.empty() && innerFolder.size() == path.size() + 1 && innerFolder.starts_with(path);
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
            ok = side.list(*this, node, itemName, why);
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
        listedA = listed(*sideA_, nodeA, error);
        // What is still awaited is B (another machine's answer, maybe): say so.
        if (listedA && !doneB) showProgress(msg::ProgressScanning, sideB_->shown(nodeB.path));
    }
    if (listedA && listedB) return true;
    if (failedFirst_ == threadB) error = errorB;
    return false;
}

}  // namespace dm
