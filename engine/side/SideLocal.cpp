// A folder of this machine: listed and read here.
#include <algorithm>
#include <utility>
#include <vector>

#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "engine/side/FolderPath.h"
#include "engine/side/ListingSink.h"
#include "engine/side/Side.h"
#include "platform/Listing.h"
#include "platform/PeVersion.h"
#include "platform/SysError.h"
#include "platform/TempName.h"
#include "platform/Text.h"
#include "platform/TimeStep.h"

namespace dm {

namespace {

bool isDotEntry(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// One listing of a folder (and of the folders below it) into a tree.
class LocalListing {
public:
    explicit LocalListing(ListingSink& sink) : sink_(sink), noVersion_(messageText(msg::NoVersion)) {}

    // `top`: the folder the listing was asked for, whose failure is never skipped.
    bool level(element_t& node, std::string& error, const std::string& itemName, bool top)
    {
        // The folder asked for is looked at first; one below it was just listed
        // as a folder, and a listing that fails says the same of it.
        std::string folder;
        std::string missing;
        if (top)
            normalizeFolder(node.path, folder, missing);
        else
            folder = node.path + platform::kSeparator;
        if (!sink_.entering(folder.empty() ? node.path : folder, error)) return false;
        // A folder below the top that cannot be listed is skipped where the
        // sink says so: it keeps no children, so nothing is paired below it.
        const auto skipped = [&](int code) {
            if (top || !sink_.skip(node, platform::systemMessage(code))) return false;
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
        if (const int code = entries(folder, itemName, children, count, opened, error); code != 0) {
            if (!error.empty()) return false;  // stopped
            platform::setLastError(code);
            error = !top && platform::isNotFound(code)
                        ? folderErrorText(node.path)
                        : systemErrorText(messageText(msg::ListingError) + folder + "*.*");
            return skipped(code);
        }
        if (top && opened.known()) sink_.opened(opened);
        if (itemName.empty() && !sink_.listed(node, error)) return false;

        for (size_t i = firstNew; i < children.size(); ++i) {
            element_t& child = *children[i];
            if (!child.isFolder || !sink_.descends(child)) continue;
            if (!level(child, error, {}, false)) {
                node.count = count;
                return false;
            }
            count += child.count;
            if (sink_.full()) break;
        }
        node.count = count;
        return true;
    }

private:
    // Appends the folder's entries (or the named item's) to `children`,
    // counting them; the system's error code of a listing that failed, 0
    // when it did not (or, with the error text set, when the run stopped).
    int entries(const std::string& folder, const std::string& itemName, ElementList& children, int32_t& count,
                platform::FileIdentity& opened, std::string& error)
    {
        platform::FolderListing listing;
        platform::WIN32_FIND_DATA record;
        const bool started = listing.first(folder, itemName, record);
        opened = listing.folderIdentity();
        if (!started) {
            // A single item that is gone is no failure: it is simply no longer there.
            const int code = platform::lastError();
            return !itemName.empty() && platform::isNotFound(code) ? 0 : code != 0 ? code : -1;
        }
        const bool cached = sink_.cachesVersions();
        std::vector<std::pair<element_t*, platform::FileIdentity>> toLookUp;
        do {
            if (sink_.full()) break;
            // Our own unfinished copies are no items of the folder.
            if (platform::isTemporaryName(record.cFileName)) continue;
            const bool dot = isDotEntry(record.cFileName);
            const std::string path = folder + record.cFileName;
            const bool folderEntry = (record.dwFileAttributes & platform::FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (!dot && folderEntry && sink_.leftOut(path)) continue;
            ++count;
            if (!sink_.count(1, folder, error)) return -1;
            if (dot) continue;
            auto child = std::make_unique<element_t>();
            child->path = path;
            child->findData = record;  // its words; the name is in the path
            child->shortName = record.cAlternateFileName;
            child->isFolder = folderEntry ? 1 : 0;
            // A file's version is read when a comparison or a report needs it (an
            // empty text: not read yet), unless an earlier run knows it.
            const bool mayBeExecutable = listing.isRegularFile() && child->size() >= platform::kMinExecutableSize;
            if (!mayBeExecutable)
                child->version = noVersion_;
            else if (cached && listing.identity().known())
                toLookUp.emplace_back(child.get(), listing.identity());
            children.push_back(std::move(child));
        } while (listing.next(record));
        sink_.knownVersions(toLookUp);
        return listing.failure();
    }

    ListingSink& sink_;
    const std::string noVersion_;
};

class LocalFolder : public Side {
public:
    bool list(element_t& node, const std::string& itemName, ListingSink& sink, std::string& error) const override
    {
        return LocalListing(sink).level(node, error, itemName, true);
    }

    platform::FolderMedia media(const std::string& path, bool mayWrite) const override
    {
        return platform::mediaOf(path, mayWrite);
    }
};

}  // namespace

std::unique_ptr<Side> localFolderSide()
{
    return std::make_unique<LocalFolder>();
}

}  // namespace dm
