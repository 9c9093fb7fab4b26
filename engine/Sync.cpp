#include "engine/Sync.h"

#include <functional>

#include "common/FileHelpers.h"
#include "platform/Text.h"

namespace dm {

namespace {

using Visit = std::function<void(const SyncStep&)>;

std::string targetOf(const dirCompare& comp, const result_t& e, const result_t* parent)
{
    if (e.kind == 3) return e.pathB;
    const std::string name(platform::lastComponent(e.pathA));
    if (parent) return parent->pathB + platform::kSeparator + name;
    return comp.pathB + name;  // pathB already ends with the separator
}

bool isCandidate(const result_t& e)
{
    if (e.kind == 1) return true;
    return e.kind == 3 && !e.folderA && !e.folderB && !e.identical;
}

void walk(const dirCompare& comp, const ResultList& list, const result_t* parent, const std::string& itemName,
          const StringList& notUpdateList, const Visit& visit)
{
    for (size_t i = 0; i < list.size(); ++i) {
        const result_t& e = *list[i];
        if (!itemName.empty() && e.name != itemName) continue;
        if (e.kind == 3 && e.folderA && e.folderB && e.children) {
            walk(comp, *e.children, &e, {}, notUpdateList, visit);
            continue;
        }
        if (!isCandidate(e)) continue;
        if (mayUpdate(e.pathA, notUpdateList)) visit(SyncStep{e.pathA, targetOf(comp, e, parent)});
        if (!itemName.empty()) return;
    }
}

}  // namespace

bool mayUpdate(const std::string& pathA, const StringList& notUpdateList)
{
    for (const std::string& entry : notUpdateList) {
        if (!entry.empty() && pathA.find(entry) != std::string::npos) return false;
    }
    return true;
}

SyncOutcome synchronize(const dirCompare& comp, const ResultList& list, const result_t* parent,
                        const std::string& itemName, const StringList& notUpdateList)
{
    SyncOutcome outcome;
    // A failed copy is not an error of the walk: the next comparison shows it.
    walk(comp, list, parent, itemName, notUpdateList, [&](const SyncStep& step) {
        if (shellCopy(step.source, step.target) == 0)
            ++outcome.copied;
        else
            ++outcome.failed;
    });
    return outcome;
}

std::vector<SyncStep> syncPlan(const dirCompare& comp, const ResultList& list, const result_t* parent,
                               const std::string& itemName, const StringList& notUpdateList)
{
    std::vector<SyncStep> steps;
    walk(comp, list, parent, itemName, notUpdateList, [&](const SyncStep& step) { steps.push_back(step); });
    return steps;
}

}  // namespace dm
