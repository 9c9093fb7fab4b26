// Copying between two folders of this machine: each item written whole
// beside its target and put in its place, never over what appeared since.
#include "common/ErrorLog.h"
#include "common/Messages.h"
#include "engine/sync/Sync.h"
#include "platform/Copy.h"
#include "platform/SysError.h"
#include "platform/Text.h"

namespace dm {

void copyHere(const dirCompare& comp, const std::vector<SyncStep>& steps, SyncOutcome& outcome, RunControl* progress,
              const std::string& logPath)
{
    const auto stop = [progress] { return progress && progress->abortRequested(); };
    platform::CopyInto into(comp.pathB, comp.identityB);
    into.stopRequested = stop;
    if (!outcome.backupSet.empty()) into.keepReplacedIn(outcome.backupSet);
    if (progress) into.written = [progress](uint64_t bytes) { progress->bytesCopied += int64_t(bytes); };
    into.fileCopied = [progress, &outcome] {
        ++outcome.filesCopied;
        if (progress) ++progress->filesCopied;
    };
    const auto fail = [&](const SyncStep& step, const std::string& target, const std::string& reason) {
        if (!logPath.empty()) writeLog(step.source + " -> " + target + " : " + reason, logPath);
        outcome.failed.push_back({step.source, target, reason});
    };
    const auto skip = [&](const SyncStep& step, const std::string& reason) {
        outcome.skipped.push_back({step.source, step.target, reason});
    };
    // Each step's copy, and then, once every file waiting is in place, its outcome.
    std::vector<std::pair<const SyncStep*, platform::CopyReport>> copies;
    for (const SyncStep& step : steps) {
        if (outcome.stopped || stop()) {
            outcome.stopped = true;
            skip(step, messageText(msg::UserAbort));
            continue;
        }
        if (progress) progress->setText(textIn("正在复制: ", "Copying: ") + step.target);
        // A lacked item whose target has appeared since the comparison (or
        // that a case-blind file system takes for another item) is not
        // written over; a B replaced since (a link swapped in) is not written into.
        copies.emplace_back(
            &step, into.copy(step.source, step.target.substr(comp.pathB.size()), step.kind == OnlyInA, step.leaveOut));
        const platform::CopyReport& report = copies.back().second;
        if (report.stopped) outcome.stopped = true;
    }
    const platform::CopyInto::Flushed late = into.flush();
    outcome.kept += late.kept;
    if (late.modesNotKept && !outcome.modesNotKept) outcome.modesNotKept = late.modesNotKept;
    for (const platform::CopyInto::Late& l : late.failures) copies[l.call].second.failures.push_back(l.failure);
    for (const auto& [step, report] : copies) {
        if (report.present) {
            skip(*step, textIn("B 中已有同名项, 请重新比较", "B holds an item of that name now; compare again"));
            continue;
        }
        if (report.modesNotKept && !outcome.modesNotKept) outcome.modesNotKept = report.modesNotKept;
        outcome.kept += report.kept;
        for (const platform::CopyFailure& f : report.failures) fail(*step, f.target, platform::systemMessage(f.code));
        if (report.stopped) {
            // A folder stopped midway is partly there: say how far it got.
            skip(*step, step->folder && report.filesCopied > 0
                            ? textIn("中止时已复制 ", "stopped after ") + std::to_string(report.filesCopied) +
                                  textIn(" 个文件, 共 ", " of ") + std::to_string(step->files) + textIn(" 个", " files")
                            : messageText(msg::UserAbort));
        } else if (report.failures.empty()) {
            ++outcome.copied;
        }
    }
}

}  // namespace dm
