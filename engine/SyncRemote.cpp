// Copying to or from a folder on another machine: rsync over the remote shell.
#include <set>

#include "common/ErrorLog.h"
#include "common/Messages.h"
#include "engine/Sync.h"
#include "platform/ChildProcess.h"
#include "platform/Text.h"

namespace dm {

namespace {

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find('\n', at), text.size());
        if (end > at) lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

// One run of rsync and what it said: the names it sent, its error lines.
struct RsyncRun {
    int code = -1;
    std::set<std::string> sent;
    std::vector<std::string> errors;
    bool stopped = false;
    std::string startError;

    bool blames(const std::string& relative) const
    {
        for (const std::string& line : errors) {
            if (line.find(relative) != std::string::npos) return true;
        }
        return false;
    }

    // Why `relative` was not sent, in rsync's words where it named it.
    std::string reasonFor(const std::string& relative) const
    {
        if (!startError.empty()) return startError;
        for (const std::string& line : errors) {
            if (line.find(relative) != std::string::npos) return line;
        }
        return errors.empty() ? "rsync: exit " + std::to_string(code) : errors.back();
    }
};

RsyncRun runRsync(const dirCompare& comp, std::vector<std::string> arguments, const std::string& input,
                  RunControl* progress)
{
    std::vector<std::string> command{"rsync",           "-rlpt", "--no-implied-dirs",
                                     "--out-format=%n", "-e",    shellLine(comp.remoteAccess)};
    command.insert(command.end(), arguments.begin(), arguments.end());
    RsyncRun run;
    platform::ChildProcess child;
    if (!child.start(command, run.startError, input)) return run;
    char line[8192];
    while (std::fgets(line, sizeof line, child.output())) {
        std::string name(line);
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
        if (progress) {
            progress->setText(textIn("正在复制: ", "Copying: ") + name);
            ++progress->filesCopied;
            if (progress->abortRequested()) {
                run.stopped = true;
                child.stop();
                break;
            }
        }
        run.sent.insert(name);
    }
    std::string errors;
    run.code = child.finish(errors);
    run.errors = linesOf(errors);
    return run;
}

}  // namespace

void copyWithRsync(const dirCompare& comp, const std::vector<SyncStep>& steps, SyncOutcome& outcome,
                   RunControl* progress, const std::string& logPath)
{
    if (steps.empty()) return;
    const auto fail = [&](const SyncStep& step, const std::string& reason) {
        if (!logPath.empty()) writeLog(step.source + " -> " + step.target + " : " + reason, logPath);
        outcome.failed.push_back({step.source, step.target, reason});
    };
    if (comp.remoteA && comp.remoteB) {
        for (const SyncStep& step : steps)
            fail(step, textIn("两边都在其他机器上, 无法复制", "both folders are on other machines: nothing is copied"));
        return;
    }
    if (progress) progress->filesToCopy += int64_t(steps.size());
    const std::string from = hostPrefix(comp.remoteA) + comp.pathA;
    const std::string to = hostPrefix(comp.remoteB) + comp.pathB;
    const auto relativeA = [&](const SyncStep& s) { return s.source.substr(comp.pathA.size()); };
    const auto relativeB = [&](const SyncStep& s) { return s.target.substr(comp.pathB.size()); };

    // What one run covered: sent, refused, or (a lacked item) there by now.
    const auto settle = [&](const std::vector<const SyncStep*>& covered, const RsyncRun& run) {
        for (const SyncStep* step : covered) {
            const std::string name = relativeA(*step);
            const bool named = run.sent.count(name) || run.sent.count(name + "/");
            // A run of one item names it by its last component only.
            const bool sent = named || (covered.size() == 1 && run.code == 0 && !run.sent.empty());
            const bool blamed = run.code != 0 && run.blames(name);
            if (run.stopped && !sent) {
                outcome.skipped.push_back({step->source, step->target, messageText(msg::UserAbort)});
            } else if (sent && !blamed) {
                ++outcome.copied;
            } else if (run.code == 0 && step->kind == OnlyInA) {
                outcome.skipped.push_back(
                    {step->source, step->target,
                     textIn("B 中已有同名项, 请重新比较", "B holds an item of that name now; compare again")});
            } else if (run.code == 0) {
                ++outcome.copied;  // rsync found nothing to send: alike already
            } else {
                fail(*step, run.reasonFor(name));
            }
        }
    };

    // Items whose target keeps the source's relative path go in one run per
    // kind; an item paired under another spelling goes on its own, to its name.
    for (const uint8_t kind : {uint8_t(OnlyInA), uint8_t(InBoth)}) {
        // A lacked item is never written over a target that appeared since;
        // a different file is sent whatever its size and time say.
        const std::string how = kind == OnlyInA ? "--ignore-existing" : "--ignore-times";
        std::vector<const SyncStep*> together;
        std::string list;
        for (const SyncStep& step : steps) {
            if (step.kind != kind) continue;
            if (outcome.stopped) {
                outcome.skipped.push_back({step.source, step.target, messageText(msg::UserAbort)});
                continue;
            }
            if (relativeA(step) == relativeB(step)) {
                together.push_back(&step);
                list += relativeA(step) + '\0';
                continue;
            }
            const std::string slash = step.folder ? "/" : "";
            const RsyncRun run =
                runRsync(comp, {how, from + relativeA(step) + slash, to + relativeB(step) + slash}, {}, progress);
            if (run.stopped) outcome.stopped = true;
            settle({&step}, run);
        }
        if (together.empty() || outcome.stopped) continue;
        const RsyncRun run = runRsync(comp, {how, "--from0", "--files-from=-", from, to}, list, progress);
        if (run.stopped) outcome.stopped = true;
        settle(together, run);
    }
}

}  // namespace dm
