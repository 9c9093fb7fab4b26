// File versions: read only where a verdict or a report needs them, many at a
// time, and remembered between runs.
#include <algorithm>
#include <functional>

#include "common/Messages.h"
#include "engine/compare/Comp.h"
#include "platform/Text.h"

namespace dm {

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
    FileVersions::Batch reads(versions_);
    // A side from a file (or another machine) has its versions: its paths are not here.
    if (sideA().hasLocalPaths())
        for (element_t* file : filesA) reads.add(*file);
    if (sideB().hasLocalPaths())
        for (element_t* file : filesB) reads.add(*file);
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
    if (sideA().hasLocalPaths()) versions_.readBelow(rootA);
    if (sideB().hasLocalPaths()) versions_.readBelow(rootB);
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
        FileVersions::Batch reads(versions_);  // read by the time it goes
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
    versions_.save();
    versionCacheNote = versions_.note();
}

}  // namespace dm
