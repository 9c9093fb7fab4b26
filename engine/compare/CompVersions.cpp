// File versions: read only where a verdict or a report needs them, many at a
// time, and remembered between runs.
#include <algorithm>
#include <functional>

#include "common/FileHelpers.h"
#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "platform/Listing.h"
#include "platform/PeVersion.h"
#include "platform/SysError.h"
#include "platform/Text.h"
#include "platform/VersionCache.h"
#include "platform/VersionProbes.h"

namespace dm {

namespace {

platform::VersionKey keyOf(const element_t& file, const platform::FileIdentity& identity)
{
    return {identity, file.size(), platform::fileTimeValue(file.findData.ftLastWriteTime)};
}

// Files whose version is still to be read: asked for together, one folder at a time.
class VersionReads {
public:
    explicit VersionReads(platform::VersionCache* cache) : cache_(cache) {}

    void add(element_t& file)
    {
        if (file.isFolder || !file.version.empty()) return;
        const std::string_view name = platform::lastComponent(file.path);
        const std::string folder = file.path.substr(0, file.path.size() - name.size());
        probes_.request(folder, std::string(name), file.size(),
                        [this, target = &file](const std::optional<platform::FileVersion>& version) {
                            target->version = versionText(version);
                            // A read that failed (a file locked for a moment) is tried again next time.
                            const int failure = platform::lastVersionReadFailure();
                            target->versionFailure = uint8_t(std::min(failure, 255));
                            if (cache_ && failure == 0) cache_->store(target->versionEntry, version);
                        });
    }

private:
    platform::VersionCache* cache_;
    platform::VersionProbes probes_;  // finishes as it goes
};

}  // namespace

void dirCompare::lookUpVersions(const std::vector<std::pair<element_t*, platform::FileIdentity>>& files)
{
    if (files.empty()) return;
    // Made here for a scan alone; loadSides makes it before its two threads start.
    if (!versionCache_) versionCache_ = std::make_unique<platform::VersionCache>(request.versionCachePath);
    std::vector<platform::VersionKey> keys;
    keys.reserve(files.size());
    for (const auto& [file, identity] : files) keys.push_back(keyOf(*file, identity));
    versionCache_->prefetch(keys);
    for (size_t i = 0; i < files.size(); ++i) {
        element_t& file = *files[i].first;
        std::optional<platform::FileVersion> version;
        if (versionCache_->find(keys[i], version, file.versionEntry)) {
            file.version = versionText(version);
            file.versionEntry = 0;
        }
    }
}

void dirCompare::readVersionsToCompare(const ElementList& listA, const ElementList& listB,
                                       const std::vector<size_t>& partner, const std::string& wanted)
{
    if (!(options & optVersion)) return;
    // The files of each folder are asked for together: A's first, then B's.
    std::vector<element_t*> filesA;
    std::vector<element_t*> filesB;
    for (size_t i = 0; i < listA.size(); ++i) {
        if (partner[i] == SIZE_MAX) continue;
        element_t& a = *listA[i];
        element_t& b = *listB[partner[i]];
        if (a.isFolder || b.isFolder || (!wanted.empty() && platform::upperCase(a.name()) != wanted)) continue;
        // A pair that size or time already tell apart differs whatever its versions.
        const PairVerdict v = verdictOf(a, b, verdictRules());
        if (!v.sameSize || !v.sameTime) continue;
        filesA.push_back(&a);
        filesB.push_back(&b);
    }
    VersionReads reads(versionCache_.get());
    // A side from a file (or another machine) has its versions: its paths are not here.
    if (sideA().hasLocalPaths())
        for (element_t* file : filesA) reads.add(*file);
    if (sideB().hasLocalPaths())
        for (element_t* file : filesB) reads.add(*file);
}

void dirCompare::readVersionsOf(element_t& folder)
{
    if (!folder.children || abortRequested()) return;
    VersionReads reads(versionCache_.get());
    for (auto& child : *folder.children) reads.add(*child);
}

void dirCompare::readVersionsBelow(element_t& folder)
{
    if (!folder.children || abortRequested()) return;
    readVersionsOf(folder);
    for (auto& child : *folder.children) {
        if (child->isFolder) readVersionsBelow(*child);
    }
}

namespace {

void settleVersions(result_t& r)
{
    if (r.sameVersion == kVersionNotRead && r.elemA && r.elemB) r.sameVersion = r.elemA->version == r.elemB->version;
    if (!r.children) return;
    for (auto& child : *r.children) settleVersions(*child);
}

}  // namespace

void dirCompare::readAllVersions()
{
    if (sideA().hasLocalPaths()) readVersionsBelow(rootA);
    if (sideB().hasLocalPaths()) readVersionsBelow(rootB);
    saveVersionCache();
    if (abortRequested()) {
        // Versions left unread would pass for "no version": the run ends as stopped.
        state = CompareError;
        errorText = messageText(msg::UserAbort);
        return;
    }
    settleVersions(results);
}

void dirCompare::readVersionsOfDifferentFiles()
{
    if (!(options & optVersion)) return;
    {
        VersionReads reads(versionCache_.get());  // read by the time it goes
        const std::function<void(result_t&)> visit = [&](result_t& r) {
            if (r.kind == InBoth && !r.folderA && !r.folderB && !r.identical && r.sameVersion == kVersionNotRead) {
                if (sideA().hasLocalPaths()) reads.add(*r.elemA);
                if (sideB().hasLocalPaths()) reads.add(*r.elemB);
            }
            if (r.children)
                for (auto& child : *r.children) visit(*child);
        };
        visit(results);
    }
    saveVersionCache();
    settleVersions(results);
}

void dirCompare::saveVersionCache()
{
    // A cache that cannot be written costs the next run time, nothing else:
    // the run goes on, and the front end says so once.
    if (versionCache_ && !versionCache_->save() && versionCacheNote.empty())
        versionCacheNote = textIn("版本缓存未能保存: ", "the version cache was not saved: ") +
                           request.versionCachePath + ": " + platform::systemMessage(platform::lastError());
}

}  // namespace dm
