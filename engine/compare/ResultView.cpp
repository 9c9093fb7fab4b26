#include "engine/compare/ResultView.h"

#include <algorithm>

#include "common/Messages.h"
#include "platform/SysError.h"
#include "platform/Text.h"

namespace dm {

int stateIndexOf(const result_t& r)
{
    if (!r.included) return StateNotCompared;
    if ((r.elemA && r.elemA->unreadable) || (r.elemB && r.elemB->unreadable)) return StateError;
    switch (r.kind) {
        case OnlyInA: return StateLacking;
        case OnlyInB: return StateRedundant;
        case InBoth:
            if (r.folderA != r.folderB || facesLinkedFolder(r)) return StateError;
            return r.identical ? StateIdentical : StateDifferent;
        default: return StateError;
    }
}

bool isShown(const result_t& r, bool onlyDiff)
{
    return !onlyDiff || (!r.identical && r.included);
}

ShowFilter ShowFilter::onlyDifferences(bool onlyDiff)
{
    ShowFilter filter;
    filter.marks[StateIdentical] = filter.marks[StateNotCompared] = !onlyDiff;
    return filter;
}

bool isShownBy(const result_t& r, const ShowFilter& filter)
{
    const int mark = stateIndexOf(r);
    const bool markOn = mark >= 0 && mark < 7 && filter.marks[mark];
    if (markOn && (filter.text.empty() ||
                   platform::upperCase(r.name).find(platform::upperCase(filter.text)) != std::string::npos))
        return true;
    if (!r.included || !showsChildren(r)) return false;
    return std::any_of(r.children->begin(), r.children->end(),
                       [&](const std::unique_ptr<result_t>& c) { return isShownBy(*c, filter); });
}

std::string differenceReason(const result_t& r)
{
    if (std::string unreadable = unreadableText(r); !unreadable.empty()) return unreadable;
    if (r.kind != InBoth || r.identical) return {};
    if (r.folderA != r.folderB) return textIn("文件夹对文件", "a folder facing a file");
    if (facesLinkedFolder(r)) return textIn("链接的文件夹", "a linked folder");
    if (r.folderA) return textIn("其中有不同", "differences inside");
    std::string reason;
    const auto add = [&](bool same, const char* zh, const char* en) {
        if (same) return;
        if (!reason.empty()) reason += textIn("、", ", ");
        reason += textIn(zh, en);
    };
    add(r.sameSize, "大小", "size");
    add(r.sameTime, "时间", "time");
    add(r.sameVersion, "版本", "version");
    add(r.sameContent, "内容", "content");
    if (const std::string why = whyNotCompared(r); !why.empty()) reason += " (" + why + ")";
    return reason;
}

std::string whyNotCompared(const result_t& r)
{
    if (r.contentError) return *r.contentError;
    if (std::string version = versionFailureText(r); !version.empty()) return version;
    return unreadableText(r);
}

std::string versionFailureText(const result_t& r)
{
    // A version that could not be read counts as none: where that makes the
    // pair differ, the reason is said.
    if (r.kind != InBoth || r.identical || r.sameVersion) return {};
    for (const auto& [side, e] : {std::pair{'A', r.elemA}, std::pair{'B', r.elemB}}) {
        if (e && e->versionFailure)
            return textIn("无法读取版本 (", "version not read (") + std::string(1, side) +
                   "): " + platform::systemMessage(e->versionFailure);
    }
    return {};
}

void collectUnreadable(const result_t& folder, std::vector<const result_t*>& found)
{
    if (!folder.children) return;
    for (const auto& r : *folder.children) {
        if (!r->included) continue;
        if ((r->elemA && r->elemA->unreadable) || (r->elemB && r->elemB->unreadable)) found.push_back(r.get());
        collectUnreadable(*r, found);
    }
}

bool showsChildren(const result_t& r)
{
    return r.kind == InBoth && r.folderA && r.folderB && r.children;
}

std::string folderNodeText(const std::string& name, int shownChildren)
{
    return name + "    ---    " + std::to_string(shownChildren);
}

std::string countsText(const result_t& r)
{
    return messageText(msg::CountLacked) + std::to_string(r.lacked) + messageText(msg::CountDifferent) +
           std::to_string(r.different) + messageText(msg::CountRedundant) + std::to_string(r.redundant);
}

}  // namespace dm
