#include "cli/Commands.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <vector>

#include "cli/Output.h"
#include "cli/TerminalProgress.h"
#include "common/ErrorLog.h"
#include "common/Messages.h"
#include "config/Dmodule.h"
#include "engine/compare/ResultView.h"
#include "engine/side/InfoFile.h"
#include "engine/sync/Sync.h"
#include "engine/workflow/Workflow.h"
#include "platform/ChildProcess.h"
#include "platform/Console.h"
#include "platform/Listing.h"
#include "platform/ProgramPaths.h"
#include "platform/SysError.h"
#include "platform/Text.h"

namespace dm::cli {

namespace {

const std::string kTool = "dirmatch: ";

// A comparison the program ends with, not freed: held here, its memory stays
// reachable to leak checkers.
const dirCompare* leftToTheSystem = nullptr;

std::string logPath()
{
    return TDM::LogPathFor(platform::programFile());
}

bool finished(const dirCompare& comp)
{
    return comp.state == Finished || comp.state == TooManyFiles;
}

std::vector<const result_t*> unreadableIn(const dirCompare& comp)
{
    std::vector<const result_t*> found;
    collectUnreadable(comp.results, found);
    return found;
}

// The progress line, and the run control that the engine's work shares with it.
struct Job {
    TerminalProgress line;
    RunControl control;

    void run(const std::function<void()>& work)
    {
        control.reset();
        line.run(control, work);
    }
};

void tellInnerFolder(const dirCompare& comp)
{
    std::cerr << kTool << textIn("一个文件夹在另一个之中, 比较时略过: ", "one folder lies inside the other; left out: ")
              << printable(comp.innerFolder) << std::endl;
}

// What the run of a comparison tells beside its result; with the folder left
// out where that is not said before the run.
void tellAbout(const dirCompare& comp, bool innerFolder = false)
{
    if (innerFolder && !comp.innerFolder.empty()) tellInnerFolder(comp);
    if (const std::string note = comp.contentRuleNote(); !note.empty()) std::cerr << kTool << note << std::endl;
    if (!comp.versionCacheNote.empty()) std::cerr << kTool << printable(comp.versionCacheNote) << std::endl;
    if (!finished(comp)) comp.logError(comp.errorText, logPath());
    for (const result_t* r : unreadableIn(comp))
        std::cerr << kTool << textIn("已略过 ", "skipped ") << printable(r->elemA ? r->pathA() : r->pathB()) << ": "
                  << printable(unreadableText(*r)) << std::endl;
    if (comp.state == TooManyFiles)
        std::cerr << messageText(msg::TooManyEntries) << comp.request.maxEntries
                  << textIn(" (用 --max-entries 提高上限)", " (raise it with --max-entries)") << std::endl;
}

std::unique_ptr<dirCompare> runComparison(const ComparisonRequest& request, Job& job)
{
    auto comp = newComparison(request, &job.control);
    if (!comp->innerFolder.empty()) tellInnerFolder(*comp);
    job.run([&] { comp->run(); });
    tellAbout(*comp);
    return comp;
}

// Why a comparison could not run, as a person would say it.
std::string failureText(const dirCompare& comp, const CompareArgs& args)
{
    if (comp.state == FolderMissing) {
        for (const auto& [side, path] : {std::pair{"A", args.folderA}, std::pair{"B", args.folderB}}) {
            std::string normalized;
            std::string error;
            if (normalizeFolder(path, normalized, error)) continue;
            const int code = platform::lastError();
            if (platform::itemExists(path) && !platform::folderIdentity(path))
                return textIn("文件夹 ", "folder ") + side +
                       textIn(" 是一个文件, 不是文件夹: ", " is a file, not a folder: ") + printable(path);
            if (!platform::isNotFound(code))
                return textIn("无法打开文件夹 ", "cannot open folder ") + side + ": " + printable(path) + ": " +
                       platform::systemMessage(code);
            std::string said =
                textIn("文件夹 ", "folder ") + side + textIn(" 不存在: ", " does not exist: ") + printable(path);
            if (path.size() > 2 && path[1] == ':' && path[2] == '\\' && platform::kSeparator != '\\')
                said += textIn(" (此处没有驱动器号)", " (a drive letter names no folder here)");
            if (path.starts_with("~"))
                said += textIn(" (引号内的 ~ 不会被展开为主目录)", " (a ~ in quotes is not taken for the home folder)");
            return said;
        }
    }
    if (comp.state == SameFolders)
        return textIn("文件夹 A 和 B 是同一个文件夹: ", "folders A and B are the same folder: ") +
               printable(comp.pathA);
    return printable(oneLine(stateText(comp.state, comp.errorText)));
}

int report(dirCompare& comp, const CompareArgs& args, Job& job)
{
    // Every item's version is in the JSON's details: read together, as a job
    // that a stop reaches like any other.
    if (args.json && finished(comp)) job.run([&] { comp.readAllVersions(); });
    if (args.json) {
        writeJson(std::cout, comp);
        std::cout << std::flush;
    } else if (finished(comp)) {
        printTree(std::cout, comp, args.all);
    } else {
        std::cerr << kTool << failureText(comp, args) << std::endl;
    }
    return exitCodeOf(comp);
}

bool confirmed()
{
    std::cerr << messageText(msg::SyncConfirmCaption) << ": " << messageText(msg::SyncConfirm) << " [y/N] "
              << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

}  // namespace

std::string versionCacheFor(bool noCache)
{
    return noCache ? std::string() : TDM::VersionCacheFile(TDM::IniPathFor(platform::programFile()));
}

// A system's error text may end with its own line break; an error is one line.
std::string oneLine(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

int exitCodeOf(const dirCompare& comp)
{
    if (comp.state == TooManyFiles) return ExitLimit;
    // A folder skipped because it could not be read leaves the result incomplete.
    if (comp.state != Finished || !unreadableIn(comp).empty()) return ExitError;
    const result_t& r = comp.results;
    return r.lacked == 0 && r.different == 0 && r.redundant == 0 ? ExitSame : ExitDifferent;
}

int exitCodeAfterSync(const dirCompare& comp)
{
    const int code = exitCodeOf(comp);
    return code == ExitDifferent && comp.results.lacked == 0 && comp.results.different == 0 ? ExitSame : code;
}

bool completeFolders(CompareArgs& args, std::string& error)
{
    if (args.folderA.empty() && args.infoA.empty()) {
        error = textIn("缺少文件夹 A 和 B", "folders A and B are required");
        return false;
    }
    if (!args.folderB.empty()) return true;
    if (args.infoA.empty() || args.folderA.empty()) {
        error = textIn("缺少文件夹 B", "folder B is required");
        return false;
    }
    if (args.infoA == "-") {
        error = textIn("从标准输入读取的信息文件需要给出文件夹 A",
                       "an information file read from the standard input "
                       "needs folder A given");
        return false;
    }
    args.folderB = args.folderA;
    return folderOfInfoFile(args.infoA, args.folderA, error);
}

ComparisonRequest requestOf(const CompareArgs& args)
{
    ComparisonRequest request = args.settings;
    request.folderA = args.folderA;
    request.folderB = args.folderB;
    request.include = args.include;
    request.exclude = args.exclude;
    request.options = args.options;
    request.infoA = args.infoA;
    request.infoB = args.infoB;
    request.versionCachePath = versionCacheFor(args.noCache);
    request.remoteAccess.shell = args.rsh;
    request.remoteAccess.program = args.remoteDirmatch;
    // Where no one could type a password, the remote shell must not ask for one.
    request.remoteAccess.batch = !platform::isTerminal(platform::Stream::Input);
    request.everyVersion = args.json;
    return request;
}

ComparisonRequest sharingConnections(ComparisonRequest request, const std::string& folder)
{
    request.remoteAccess.connections = folder;
    return request;
}

bool rulesByte(const std::string& rules, uint8_t& byte, std::string& error)
{
    byte = optValid;
    if (rules == "none") return true;
    size_t at = 0;
    while (at <= rules.size()) {
        const size_t end = std::min(rules.find(',', at), rules.size());
        const std::string rule = rules.substr(at, end - at);
        at = end + 1;
        if (rule == "size")
            byte |= optSize;
        else if (rule == "time")
            byte |= optTime;
        else if (rule == "version")
            byte |= optVersion;
        else if (rule == "subdirs")
            byte |= optSubFolders;
        else if (rule == "content")
            byte |= optContent;
        else {
            error = "unknown rule '" + rule + "' (size, time, version, subdirs, content or none)";
            return false;
        }
    }
    return true;
}

bool rawByte(const std::string& text, uint8_t& byte, std::string& error)
{
    try {
        size_t used = 0;
        const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        const unsigned long value = std::stoul(hex ? text.substr(2) : text, &used, hex ? 16 : 10);
        if (used == (hex ? text.size() - 2 : text.size()) && value <= 255 && text[0] != '-' && text[0] != '+') {
            byte = uint8_t(value);
            return true;
        }
    } catch (const std::exception&) {
    }
    error = "--options takes a byte, 0 to 255 or 0x00 to 0xFF: '" + text + "'";
    return false;
}

int runCompare(const CompareArgs& args)
{
    Job job;
    const platform::PrivateFolder connections;
    auto comp = runComparison(sharingConnections(requestOf(args), connections.path()), job);
    const int code = report(*comp, args, job);
    // The program ends here: the system takes back the trees' memory at once,
    // where freeing them node by node would cost a tenth of the run.
    leftToTheSystem = comp.release();
    return code;
}

int runSync(const CompareArgs& args, const SyncArgs& sync)
{
    if (sync.yes && sync.dryRun) {
        std::cerr << kTool << "--yes and --dry-run contradict each other; give one of them" << std::endl;
        return ExitError;
    }
    if (!args.infoA.empty() || !args.infoB.empty()) {
        std::cerr << kTool << "sync needs both folders on disk; an information file has nothing to copy from"
                  << std::endl;
        return ExitError;
    }
    Job job;
    std::unique_ptr<dirCompare> comp;
    SyncQuestions questions;
    questions.compared = [&](const dirCompare& compared) { job.line.ask([&] { tellAbout(compared, true); }); };
    bool noOneToAsk = false;
    bool refusedByUser = false;
    questions.confirm = [&](const dirCompare& compared, const SyncScope&, const std::vector<SyncStep>& plan,
                            std::set<std::string>&) {
        bool yes = false;
        job.line.ask([&] {
            for (const SyncStep& step : plan) std::cout << planLine(compared, step) << '\n';
            if (plan.empty()) std::cout << countsText(compared.results) << '\n';
            if (sync.dryRun || plan.empty()) return;
            std::cout << std::flush;
            noOneToAsk = !sync.yes && !platform::isTerminal(platform::Stream::Input);
            yes = sync.yes || (!noOneToAsk && confirmed());
            refusedByUser = !yes && !noOneToAsk;
        });
        return yes;
    };
    SyncRun run;
    const platform::PrivateFolder connections;
    job.run([&] {
        run = synchronizeFolders(
            comp, sharingConnections(requestOf(args), connections.path()),
            [&](dirCompare& compared) { return syncScope(compared.results, sync.item); }, &job.control, logPath(),
            questions);
    });
    switch (run.end) {
        case SyncRun::End::NotCompared: return report(*comp, args, job);
        case SyncRun::End::Refused:
            if (comp->state != TooManyFiles) {
                std::cerr << kTool << run.why << std::endl;
                return ExitError;
            }
            std::cerr << kTool << run.why << textIn(" 请增大 --max-entries。", " To copy, raise --max-entries.")
                      << std::endl;
            return ExitLimit;
        case SyncRun::End::NoSuchItem:
            std::cerr << kTool << "no item '" << printable(sync.item) << "' in the comparison" << std::endl;
            return ExitError;
        case SyncRun::End::Declined:
            if (noOneToAsk) {
                std::cerr << kTool << "not copying without --yes when no one can be asked" << std::endl;
                return ExitError;
            }
            if (refusedByUser) std::cout << textIn("未复制任何文件", "nothing copied") << std::endl;
            return exitCodeOf(*comp);
        case SyncRun::End::Copied: break;
    }
    const SyncOutcome& outcome = *run.outcome;
    std::cout << summaryText(outcome) << '\n';
    for (const std::string& line : summaryItems(outcome)) std::cout << "  " << printable(line) << '\n';
    if (outcome.stopped) {
        std::cout << std::flush;
        std::cerr << kTool << messageText(msg::UserAbort) << std::endl;
        return ExitError;
    }
    tellAbout(*comp);
    std::cout << '\n';
    // One rule for every sync: done when B holds all that A holds; what only B holds stays by design.
    const int reported = report(*comp, args, job);
    const int code = reported == ExitDifferent ? exitCodeAfterSync(*comp) : reported;
    return outcome.failed.empty() ? code : ExitError;
}

int runExport(const std::string& folderA, const std::string& file, const std::string& folderB, int32_t maxEntries,
              bool noCache)
{
    std::string normalized;
    std::string error;
    if (!normalizeFolder(folderA, normalized, error)) {
        // Also read by a comparison on another machine, which passes it on.
        std::cerr << kTool
                  << (platform::isNotFound(platform::lastError())
                          ? textIn("文件夹不存在: ", "no such folder: ") + printable(folderA)
                          : oneLine(error))
                  << std::endl;
        return ExitError;
    }
    Job job;
    ComparisonRequest request;
    request.folderA = folderA;
    request.folderB = folderB;
    request.include = everyPath();
    request.maxEntries = maxEntries;
    request.versionCachePath = versionCacheFor(noCache);
    // "-": to the standard output, as it is written (to a comparison on another machine).
    const InfoSink toOutput = [](std::string_view text) {
        return bool(std::cout.write(text.data(), std::streamsize(text.size())));
    };
    ExportRun run;
    job.run([&] { run = exportFolder(request, file, &job.control, file == "-" ? toOutput : InfoSink()); });
    if (!run.listed) {
        std::cerr << kTool << oneLine(run.error) << std::endl;
        return ExitError;
    }
    if (run.atLimit) std::cerr << messageText(msg::TooManyEntries) << maxEntries << std::endl;
    if (file == "-") std::cout.flush();
    if (!run.written || (file == "-" && !std::cout)) {
        std::cerr << messageText(msg::ExportFailed) << '\n' << (run.error.empty() ? file : run.error) << std::endl;
        if (file != "-") writeLog(run.error, logPath());
        return ExitError;
    }
    if (file != "-")
        std::cout << messageText(msg::ExportDone1) << run.folder << messageText(msg::ExportDone2) << file
                  << messageText(msg::ExportDone3) << std::endl;
    return run.atLimit ? ExitLimit : ExitSame;
}

}  // namespace dm::cli
