#include "ui/presenter/Report.h"

#include <vector>

#include "common/Messages.h"
#include "config/Dmodule.h"
#include "engine/compare/Comp.h"
#include "engine/compare/ResultView.h"

namespace dm {

void fillReport(TDM& dm, const dirCompare& comp)
{
    const result_t& results = comp.results;
    StringList& lines = dm.ReportLines;
    lines.clear();
    const auto t = [](uint32_t n) { return messageText(n); };
    dm.Identical = results.lacked == 0 && results.different == 0 && results.redundant == 0;
    if (dm.Identical) {
        lines.push_back(t(msg::ReportIdentical));
    } else {
        lines.push_back(t(msg::ReportNotIdentical));
        lines.push_back(t(msg::ReportCountsHeading));
        lines.push_back(t(msg::ReportLacked) + std::to_string(results.lacked));
        lines.push_back(t(msg::ReportDifferent) + std::to_string(results.different));
        lines.push_back(t(msg::ReportRedundant) + std::to_string(results.redundant));
    }
    lines.emplace_back();
    lines.push_back(t(msg::ReportFolderA) + dm.StandardDir);
    lines.push_back(t(msg::ReportFolderB) + dm.LocalDir);
    lines.emplace_back();
    const uint32_t o = dm.Options;
    lines.push_back(
        t(msg::RulesHeading) + t(o & optSize ? msg::RuleSize : msg::RuleNoSize) +
        t(o & optTime ? msg::RuleTime : msg::RuleNoTime) + t(o & optVersion ? msg::RuleVersion : msg::RuleNoVersion) +
        t(o & optSubFolders ? msg::RuleSubFolders : msg::RuleNoSubFolders) +
        (o & optContent ? textIn(", 比较文件内容", ", compare file content") : std::string()) +
        (comp.request.timeWindow
             ? textIn(", 时间容差 ", ", time window ") + std::to_string(comp.request.timeWindow) + textIn(" 秒", " s")
             : std::string()) +
        (comp.request.ignoreHourShift ? textIn(", 忽略整一小时的时差", ", one-hour shifts ignored") : std::string()));
    if (const std::string note = comp.contentRuleNote(); !note.empty()) lines.push_back(note);
    std::vector<const result_t*> unreadable;
    collectUnreadable(results, unreadable);
    if (!unreadable.empty()) {
        lines.emplace_back();
        lines.push_back(textIn("无法读取而略过的文件夹:", "Folders skipped because they could not be read:"));
        for (const result_t* r : unreadable)
            lines.push_back((r->elemA ? r->pathA() : r->pathB()) + "  (" + unreadableText(*r) + ")");
    }
    lines.emplace_back();
    lines.push_back(t(msg::ReportIncluded));
    lines.insert(lines.end(), dm.DoCompareList.begin(), dm.DoCompareList.end());
    lines.push_back(t(msg::ReportExcluded));
    lines.insert(lines.end(), dm.NotUpdateList.begin(), dm.NotUpdateList.end());
}

}  // namespace dm
