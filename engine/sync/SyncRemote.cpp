// Copying to or from a folder on another machine: rsync over the remote shell.
// What each item's copy came to is read from B afterwards, never guessed from
// what rsync printed.
#include <deque>
#include <memory>
#include <set>

#include "common/ErrorLog.h"
#include "common/Messages.h"
#include "engine/side/Remote.h"
#include "engine/sync/Sync.h"
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

// One run of rsync and what it said.
struct RsyncRun {
    int code = -1;
    std::vector<std::string> errors;
    bool stopped = false;
    std::string startError;
    // What rsync said it wrote, named as it names them (a folder ends in '/').
    std::set<std::string> sent;
    int files = 0;  // of them, files

    // rsync's own words on this item: a line that names its exact path (or
    // the temporary file it was written to), quoted as rsync quotes paths.
    std::string lineNaming(const std::string& path) const
    {
        const std::string_view name = platform::lastComponent(path);
        const std::string temporary = "\"" + path.substr(0, path.size() - name.size()) + "." + std::string(name) + ".";
        for (const std::string& line : errors) {
            if (line.find("\"" + path + "\"") != std::string::npos || line.find(temporary) != std::string::npos)
                return line;
        }
        return {};
    }
};

RsyncRun runRsync(const dirCompare& comp, const std::vector<std::string>& arguments, const std::string& input,
                  RunControl* progress)
{
    // Arguments travel whole to the other side (no second split there), and
    // nothing after "--" is read as an option, whatever a folder is named.
    // B keeps the modes and the holes of A's files where its file system can,
    // as a copy here does; where it cannot, rsync is not asked to.
    std::vector<std::string> command{"rsync",
                                     comp.mediaB.modesNotKept == 0 ? "-rlpt" : "-rlt",
                                     "--no-implied-dirs",
                                     "--protect-args",
                                     "--timeout=300",
                                     "--out-format=%n",
                                     "-e",
                                     platform::rsyncCommandLine(shellWords(comp.request.remoteAccess))};
    if (comp.mediaB.holes) command.push_back("--sparse");
    if (comp.mediaB.modesNotKept != 0 && comp.mediaB.fileMode != 0) {
        char modes[48];
        std::snprintf(modes, sizeof modes, "--chmod=F%o,D%o", comp.mediaB.fileMode,
                      comp.mediaB.folderMode ? comp.mediaB.folderMode : comp.mediaB.fileMode);
        command.push_back(modes);
    }
    command.insert(command.end(), arguments.begin(), arguments.end());
    RsyncRun run;
    platform::ChildProcess child;
    child.sharesTerminal = !comp.request.remoteAccess.batch;
    if (!child.start(command, run.startError, input, progress ? &progress->stopSignal() : nullptr)) return run;
    char line[8192];
    while (std::fgets(line, sizeof line, child.output())) {
        std::string name(line);
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
        run.sent.insert(name);
        const bool file = !name.empty() && name.back() != '/';
        run.files += file;
        if (!progress) continue;
        progress->setText(textIn("正在复制: ", "Copying: ") + name);
        progress->filesCopied += file;
    }
    run.stopped = progress && progress->abortRequested();
    std::string errors;
    run.code = child.finish(errors);
    run.errors = linesOf(errors);
    return run;
}

// The result node at a path relative to the compared folders, found as the
// command line's --item finds it.
const result_t* nodeAt(result_t& root, const std::string& relative)
{
    const SyncScope scope = syncScope(root, relative);
    if (!scope.owner || scope.name.empty()) return scope.owner;
    for (const auto& child : *scope.owner->children)
        if (child->name == scope.name) return child.get();
    return nullptr;
}

// Whether B now holds what the step was to put there, as the rules see it.
bool landed(const result_t* node, const SyncStep& step)
{
    if (!node || node->kind != InBoth) return false;
    if (step.folder) return node->folderB && node->lacked == 0 && node->different == 0;
    return !node->folderB && node->identical;
}

// rsync's words for keeping the files a run replaces in the backup set: a
// set inside B is named relative to the run's destination folder, `below`
// ("" for B itself, else its path relative to B), as rsync reads it there.
std::vector<std::string> keepArguments(const dirCompare& comp, const SyncOutcome& outcome, const std::string& below)
{
    if (outcome.backupSet.empty()) return {};
    std::string set;
    if (outcome.backupSet.starts_with(comp.pathB)) {
        if (!below.empty()) set = "../";
        for (const char c : below) set += c == '/' ? "../" : "";
        set += outcome.backupSet.substr(comp.pathB.size());
    } else {
        set = outcome.backupSet;
    }
    if (!below.empty()) set += "/" + below;
    return {"--backup", "--backup-dir=" + set};
}

// rsync's rules leaving out what a lacked folder holds that is not copied,
// `root` being the folder's path from the root of the run ("" for the folder
// itself, else ending in '/'). Anchored, so each names one item; wildcards
// in a name are escaped, so each is read as the name it is.
void leaveOutArguments(const SyncStep& step, const std::string& root, std::vector<std::string>& arguments)
{
    for (const std::string& below : step.leaveOut) {
        std::string rule = "--exclude=/" + root;
        const bool wild = below.find_first_of("*?[") != std::string::npos;
        for (const char c : below) {
            if (wild && (c == '*' || c == '?' || c == '[' || c == '\\')) rule += '\\';
            rule += c;
        }
        arguments.push_back(rule);
    }
}

}  // namespace

void copyWithRsync(const dirCompare& comp, const std::vector<SyncStep>& steps, SyncOutcome& outcome,
                   RunControl* progress, const std::string& logPath, const CompareAgain& compareAgain)
{
    if (steps.empty()) return;
    const auto fail = [&](const SyncStep& step, const std::string& reason) {
        if (!logPath.empty()) writeLog(step.source + " -> " + step.target + " : " + reason, logPath);
        outcome.failed.push_back({step.source, step.target, reason});
    };
    const std::string from = comp.sideA().shown(comp.pathA);
    const std::string to = comp.sideB().shown(comp.pathB);
    const auto relativeA = [&](const SyncStep& s) { return s.source.substr(comp.pathA.size()); };
    const auto relativeB = [&](const SyncStep& s) { return s.target.substr(comp.pathB.size()); };

    // Items whose target keeps the source's relative path go in one run per
    // kind; an item paired under another spelling goes on its own, to its name.
    std::vector<std::pair<const SyncStep*, const RsyncRun*>> done;
    std::deque<RsyncRun> runs;
    for (const uint8_t kind : {uint8_t(OnlyInA), uint8_t(InBoth)}) {
        // A lacked item is never written over a target that appeared since;
        // a different file is sent whatever its size and time say.
        const std::string how = kind == OnlyInA ? "--ignore-existing" : "--ignore-times";
        std::vector<const SyncStep*> together;
        std::vector<std::string> excluded;
        std::string list;
        for (const SyncStep& step : steps) {
            if (step.kind != kind) continue;
            if (outcome.stopped) {
                outcome.skipped.push_back({step.source, step.target, messageText(msg::UserAbort)});
                continue;
            }
            if (relativeA(step) == relativeB(step)) {
                together.push_back(&step);
                leaveOutArguments(step, relativeA(step) + "/", excluded);
                // "./": a name that begins with # or ; is no comment to rsync.
                list += "./" + relativeA(step) + '\0';
                continue;
            }
            const std::string slash = step.folder ? "/" : "";
            std::string below = relativeB(step);
            if (!step.folder) below.resize(below.size() - platform::lastComponent(below).size());
            if (!below.empty() && below.back() == '/') below.pop_back();
            std::vector<std::string> arguments =
                kind == InBoth ? keepArguments(comp, outcome, below) : std::vector<std::string>{};
            leaveOutArguments(step, {}, arguments);
            arguments.insert(arguments.end(),
                             {how, "--", from + relativeA(step) + slash, to + relativeB(step) + slash});
            runs.push_back(runRsync(comp, arguments, {}, progress));
            outcome.stopped = outcome.stopped || runs.back().stopped;
            done.emplace_back(&step, &runs.back());
        }
        if (together.empty() || outcome.stopped) {
            for (const SyncStep* step : together)
                outcome.skipped.push_back({step->source, step->target, messageText(msg::UserAbort)});
            continue;
        }
        std::vector<std::string> arguments =
            kind == InBoth ? keepArguments(comp, outcome, {}) : std::vector<std::string>{};
        arguments.insert(arguments.end(), excluded.begin(), excluded.end());
        arguments.insert(arguments.end(), {how, "--from0", "--files-from=-", "--", from, to});
        runs.push_back(runRsync(comp, arguments, list, progress));
        outcome.stopped = outcome.stopped || runs.back().stopped;
        for (const SyncStep* step : together) done.emplace_back(step, &runs.back());
    }
    for (const RsyncRun& run : runs) outcome.filesCopied += run.files;
    if (done.empty()) return;

    // B as it is now, compared with A under the same rules: after a stop
    // too (without the stopped control), so that what arrived is reported
    // as copied; a second stop still ends the program.
    std::unique_ptr<dirCompare> own;
    dirCompare* after = nullptr;
    const auto readBack = [&] {
        RunControl* const control = outcome.stopped ? nullptr : progress;
        if (compareAgain) {
            after = &compareAgain(control);
            return;
        }
        ComparisonRequest again = comp.request;
        again.folderA = from;
        again.folderB = to;
        again.infoA.clear();
        again.infoB.clear();
        own = std::make_unique<dirCompare>(again, control);
        own->run();
        after = own.get();
    };
    readBack();
    // Some file systems (FAT through FUSE) date a file renamed into place
    // anew. Where an item that rsync wrote without a word against it reads
    // back as still different, rsync is asked once more, for the files it
    // wrote, to put the times back where it finds the content equal, and B is
    // read again. A file B gained since is not among them.
    if (after->state == Finished && !outcome.stopped) {
        std::string unsettled;
        bool settled = false;
        for (const auto& [step, run] : done) {
            const std::string relative = relativeA(*step);
            const result_t* node = nodeAt(after->results, relative);
            if (!node || node->kind != InBoth || landed(node, *step) || run->code != 0 ||
                !run->lineNaming(step->target).empty())
                continue;
            if (relative != relativeB(*step)) {
                // A file sent on its own, to B's spelling of its folder.
                if (step->folder || !run->sent.contains(std::string(platform::lastComponent(relative)))) continue;
                const RsyncRun settle = runRsync(
                    comp, {"--checksum", "--existing", "--", from + relative, to + relativeB(*step)}, {}, progress);
                outcome.stopped = outcome.stopped || settle.stopped;
                settled = settled || settle.startError.empty();
                continue;
            }
            if (run->sent.contains(relative)) unsettled += "./" + relative + '\0';
            for (auto it = run->sent.lower_bound(relative + "/");
                 it != run->sent.end() && it->starts_with(relative + "/"); ++it)
                if (it->back() != '/') unsettled += "./" + *it + '\0';
        }
        if (!unsettled.empty()) {
            const RsyncRun settle = runRsync(
                comp, {"--checksum", "--existing", "--from0", "--files-from=-", "--", from, to}, unsettled, progress);
            outcome.stopped = outcome.stopped || settle.stopped;
            settled = settled || settle.startError.empty();
        }
        if (settled) readBack();
    }
    const bool checked = after->state == Finished;
    for (const auto& [step, run] : done) {
        const result_t* node = checked ? nodeAt(after->results, relativeA(*step)) : nullptr;
        if (landed(node, *step)) {
            ++outcome.copied;
            // B held the file: rsync kept it in the set before replacing it.
            if (step->kind == InBoth && !outcome.backupSet.empty()) ++outcome.kept;
            continue;
        }
        if (run->stopped || outcome.stopped) {
            outcome.skipped.push_back({step->source, step->target, messageText(msg::UserAbort)});
            continue;
        }
        if (!run->startError.empty()) {
            fail(*step, run->startError);
            continue;
        }
        if (!checked) {
            // B cannot be read back (a name the description cannot carry):
            // rsync's own word on the run is all there is.
            if (run->code == 0)
                ++outcome.copied;
            else
                fail(*step, textIn("复制后无法检查 B: ", "B could not be checked after copying: ") +
                                stateText(after->state, after->errorText) + " (rsync exit " +
                                std::to_string(run->code) + ")");
            continue;
        }
        std::string said = run->lineNaming(step->target);
        if (said.empty()) said = run->lineNaming(step->source);
        if (!said.empty()) {
            fail(*step, said);
        } else if (step->kind == OnlyInA && node && run->code == 0) {
            outcome.skipped.push_back(
                {step->source, step->target,
                 textIn("B 中已有同名项, 请重新比较", "B holds an item of that name now; compare again")});
        } else {
            fail(*step, textIn("复制后 B 中仍不同 (rsync 退出码 ", "still different in B after the copy (rsync exit ") +
                            std::to_string(run->code) + ")");
        }
    }
    // Said once, as a copy here says it, where anything was sent without its modes.
    if (!outcome.modesNotKept) outcome.modesNotKept = comp.mediaB.modesNotKept;
}

}  // namespace dm
